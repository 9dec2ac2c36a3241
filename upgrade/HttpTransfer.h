// The HTTP transfer component: fetches one address over WinINet on a worker thread and
// reports headers, progress and the outcome as events on the GUI thread; the body goes
// into a file (flagged incomplete while written) or into memory. With its property
// classes (proxy, range, time-outs, output-file attributes), the file stream and the
// component that stores the login data in form resources.
#pragma once

#include "classlib/Streams.h"
#include "classlib/Strings.h"
#include "upgrade/EventThread.h"
#include "upgrade/UpgradeUtils.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace cl {
struct TMessage;
}

namespace up {

// ---------------------------------------------------------------------------------------

class TupLoginComponent : public cl::TComponent {
    CL_CLASS(TupLoginComponent)
public:
    explicit TupLoginComponent(cl::TComponent* owner) : cl::TComponent(owner) {}

    const AnsiString& HTTPUsername() const { return username_; }
    void SetHTTPUsername(const AnsiString& name) { username_ = name; }
    const AnsiString& HTTPPassword() const { return password_; }
    void SetHTTPPassword(const AnsiString& password) { password_ = password; }
    // The binary "LInfo" of a form resource; empty when both texts are.
    cl::TBytes LoginInfo() const;
    void SetLoginInfo(const cl::TBytes& data);

private:
    AnsiString username_, password_;
};

enum class TupHTTPAccessType { atPreconfig, atDirect, atUseProxy };

class TupHTTPProxy : public cl::TPersistent {
    CL_CLASS(TupHTTPProxy)
public:
    void Assign(const cl::TPersistent& source) override;
    TupHTTPAccessType AccessType = TupHTTPAccessType::atPreconfig;
    int ProxyPort = 8080;
    AnsiString ProxyServer;
    AnsiString ProxyBypass = "127.0.0.1;";
    AnsiString ProxyUsername, ProxyPassword;
};

class TupHTTPRange : public cl::TPersistent {
    CL_CLASS(TupHTTPRange)
public:
    void Assign(const cl::TPersistent& source) override;
    std::uint32_t StartRange = 0, EndRange = 0;
};

class TupHTTPTimeouts : public cl::TPersistent {
    CL_CLASS(TupHTTPTimeouts)
public:
    void Assign(const cl::TPersistent& source) override;
    // Milliseconds; 0 keeps the system's.
    std::uint32_t ConnectTimeout = 0, ReceiveTimeout = 0, SendTimeout = 0;
};

class TupOutputFileAttributes : public cl::TPersistent {
    CL_CLASS(TupOutputFileAttributes)
public:
    void Assign(const cl::TPersistent& source) override;
    TupFileAttributes Complete = AttrSet(atrArchive);
    TupFileAttributes Incomplete = AttrSet(atrArchive) | AttrSet(atrTemporary);
};
extern const cl::TEnumType FileAttributeType;

enum class TupFileMode { OpenAlways, CreateAlways };

// A file opened for reading and writing, sharing both. With clearProtection a hidden or
// read-only file is opened as plain archive and gets its attributes back afterwards.
class TupFileStream : public cl::THandleStream {
public:
    TupFileStream(const AnsiString& fileName, bool clearProtection, TupFileMode mode); // EFCreateError
    ~TupFileStream() override;
    TupFileStream(const TupFileStream&) = delete;
    TupFileStream& operator=(const TupFileStream&) = delete;
};

// ---------------------------------------------------------------------------------------

enum TupCacheOption {
    coAlwaysReload, coReloadIfNoExpireInformation, coReloadUpdatedObjects, coPragmaNoCache, coNoCacheWrite,
    coCreateTempFilesIfCantCache, coUseCacheIfNetFail
};
enum TupInternetOption {
    ioIgnoreCertificateInvalid, ioIgnoreCertificateDateInvalid, ioIgnoreRedirectToHTTP, ioIgnoreRedirectToHTTPS,
    ioKeepConnection, ioNoAuthentication, ioNoAutoRedirect, ioNoCookies
};
using TupCacheOptions = unsigned;    // bit n: TupCacheOption n
using TupInternetOptions = unsigned; // bit n: TupInternetOption n
extern const cl::TEnumType CacheOptionType;
extern const cl::TEnumType InternetOptionType;

// The parts of an address ("http://" is put in front when "://" is missing).
struct TupURLParts {
    AnsiString scheme, host, user, password, path, extra;
    unsigned port = 0;
};
bool CrackURL(const AnsiString& url, TupURLParts& parts);
AnsiString ExtractURLHost(const AnsiString& url);
// The last path segment, "/" turned into "\", without the query.
AnsiString ExtractURLFileName(const AnsiString& url);
// The request flags of the options for a scheme.
DWORD RequestFlags(const AnsiString& scheme, TupCacheOptions cache, TupInternetOptions internet);

using THTTPHeaderInfoEvent = std::function<void(
    cl::TObject* sender, int statusCode, const AnsiString& rawHeaders, const AnsiString& contentType,
    const AnsiString& contentLanguage, const AnsiString& contentEncoding, std::int64_t contentLength,
    const AnsiString& location, TDateTime date, TDateTime lastModified, TDateTime expires, const AnsiString& eTag,
    bool& canContinue)>;
using THTTPDoneEvent =
    std::function<void(cl::TObject* sender, const AnsiString& contentType, std::int64_t fileSize, cl::TStream* stream)>;
using THTTPProgressEvent = std::function<void(
    cl::TObject* sender, const AnsiString& contentType, cl::TStream* stream, float transferRate, std::uint8_t percentDone,
    int estimatedTimeLeft, int elapsedTime, std::int64_t bytesRead, std::int64_t fileSize)>;
using THTTPStatusEvent = std::function<void(cl::TObject* sender, unsigned long status, const AnsiString& text)>;
using THTTPRedirectEvent = std::function<void(cl::TObject* sender, const AnsiString& newURL)>;
using THTTPConnLostEvent = std::function<void(cl::TObject* sender, const AnsiString& contentType, cl::TStream* stream,
                                              std::int64_t bytesRead, std::int64_t fileSize)>;
using THTTPErrorEvent = std::function<void(cl::TObject* sender, int statusCode, cl::TStream* stream)>;
using TupHTTPPasswordRequestEvent = std::function<void(cl::TObject* sender, const AnsiString& realm, bool& tryAgain)>;
using TupHTTPProxyAuthenticationEvent = std::function<void(cl::TObject* sender, AnsiString& proxyUsername,
                                                           AnsiString& proxyPassword, bool& tryAgain)>;
// The output file could not be created (or, with writing, written: a full disk): its
// name, the system's error code and a text naming both.
using THTTPFileErrorEvent = std::function<void(cl::TObject* sender, const AnsiString& fileName, bool writing,
                                               DWORD error, const AnsiString& message)>;

struct TTransferJob;

class TupCustomHTTP : public TupLoginComponent {
    CL_CLASS(TupCustomHTTP)
public:
    explicit TupCustomHTTP(cl::TComponent* owner);
    ~TupCustomHTTP() override;

    // Starts a transfer of URL; false at once while one runs.
    bool Read(std::uint32_t startRange = 0, std::uint32_t endRange = 0);
    // Stops a running transfer; returns at once. Without kill the worker stops at its
    // next checkpoint and then fires OnStopped. With kill, OnStopped fires now and the
    // worker, given up, ends by itself within its time-outs and deletes what it wrote (a
    // transfer writes a file of its own, which becomes OutputFileName with the outcome,
    // so a given-up worker never writes into the next transfer's). A stopped transfer
    // fires no outcome event and no more progress.
    void Abort(bool deleteFile, bool kill);

    bool Busy() const { return busy_; }
    bool Reading() const { return reading_; }
    int StatusCode() const { return statusCode_; }
    float TransferRate() const { return transferRate_; }

    cl::TStringList RequestHeaders;
    AnsiString AcceptTypes = "text/html, */*";
    AnsiString AgentText = "Mozilla/4.0 (compatible; Ludora Updater)";
    AnsiString OutputFileName;
    AnsiString URL;
    AnsiString Referrer;
    TupCacheOptions CacheOptions = (1u << coReloadIfNoExpireInformation) | (1u << coReloadUpdatedObjects) |
                                   (1u << coCreateTempFilesIfCantCache);
    TupInternetOptions InternetOptions = 1u << ioKeepConnection;
    // One read and one write per buffer (the progress events never hold the worker up).
    // Under Wine a read costs about 0.1 ms, so the buffer's size bounds the speed.
    int TransferBufferSize = 4096;
    bool WorkOffline = false;
    // Used where Timeouts holds 0 (milliseconds): WinINet under Wine has no time-outs of
    // its own, and a server that accepts and stays silent would hold the transfer forever.
    std::uint32_t DefaultConnectTimeout = 60000, DefaultReceiveTimeout = 30000, DefaultSendTimeout = 30000;
    // Redirects followed in one transfer; the answer after the last one is the outcome.
    int MaxRedirects = 20;
    // The most a body read into memory may hold (0: no limit); a longer one is not read
    // on and ends as OnHTTPError with the answer's status.
    std::int64_t MaxMemoryBody = 0;
    TupHTTPProxy* Proxy() const { return proxy_.get(); }
    TupHTTPRange* Range() const { return range_.get(); }
    TupHTTPTimeouts* Timeouts() const { return timeouts_.get(); }
    TupOutputFileAttributes* OutputFileAttributes() const { return attributes_.get(); }
    TupCustomThread& Thread() const { return *thread_; }
    TThreadPriority ThreadPriority() const { return thread_->Priority(); }
    void SetThreadPriority(TThreadPriority p) { thread_->SetPriority(p); }

    THTTPHeaderInfoEvent OnHeaderInfo;
    THTTPDoneEvent OnDone;
    TNotifyEvent OnCanceled;
    // Posted by the worker, which never waits for it: one at a time with the newest
    // figures, always before the outcome. Its stream is nil (the worker writes it).
    THTTPProgressEvent OnTransferProgress;
    // These two run on the worker, inside WinINet calls.
    THTTPStatusEvent OnStatusChange;
    THTTPRedirectEvent OnRedirect;
    TNotifyEvent OnFinished;
    TNotifyEvent OnStopped;
    THTTPConnLostEvent OnConnectionLost;
    TNotifyEvent OnHostNotReached;
    THTTPErrorEvent OnHTTPError;
    // Followed by OnFinished. Unassigned, the failure goes to OnConnectionLost instead.
    THTTPFileErrorEvent OnFileError;
    TupHTTPPasswordRequestEvent OnLoginRequest;
    TupHTTPProxyAuthenticationEvent OnProxyAuthenticationRequest;

private:
    friend struct TTransferJob;
    void Complete(TTransferJob& job);         // GUI thread, after the body
    void FinishStopped(TTransferJob& job);    // GUI thread, after an abort
    // GUI thread: runs OnTransferProgress with the newest figures if some are waiting.
    void DeliverProgress(TTransferJob& job);
    void WindowMethod(cl::TMessage& message);

    std::unique_ptr<TupHTTPProxy> proxy_;
    std::unique_ptr<TupHTTPRange> range_;
    std::unique_ptr<TupHTTPTimeouts> timeouts_;
    std::unique_ptr<TupOutputFileAttributes> attributes_;
    std::unique_ptr<TupCustomThread> thread_;
    std::shared_ptr<TTransferJob> job_;
    HWND window_ = nullptr; // receives the progress notices the worker posts
    bool busy_ = false;
    bool reading_ = false;
    int statusCode_ = -1;
    float transferRate_ = -1;
};

} // namespace up
