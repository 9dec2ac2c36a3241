// The HTTP transfer component and its property classes.
#include "upgrade/HttpTransfer.h"

#include "classlib/Forms.h"
#include "classlib/WinHandle.h"
#include "upgrade/PathText.h"
#include "upgrade/TransferText.h"
#include "upgrade/UpgradeMessages.h"

#include <wininet.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdio>
#include <cmath>
#include <mutex>
#include <vector>

namespace up {

// ---------------------------------------------------------------------------------------
// Login data, property classes and the file stream

const cl::TClass& TupLoginComponent::StaticClass()
{
    return cl::DefineClass<TupLoginComponent, cl::TComponent>("TupLoginComponent", [](cl::TPublisher<TupLoginComponent>& p) {
        p.Binary("LInfo", &TupLoginComponent::LoginInfo, &TupLoginComponent::SetLoginInfo);
    });
}

cl::TBytes TupLoginComponent::LoginInfo() const
{
    if (username_.empty() && password_.empty())
        return {};
    return EncodeLoginInfo(username_, password_);
}

void TupLoginComponent::SetLoginInfo(const cl::TBytes& data) { DecodeLoginInfo(data, username_, password_); }

const cl::TEnumType AccessTypeType{{"atPreconfig", "atDirect", "atUseProxy"}};
const cl::TEnumType FileAttributeType{{"atrArchive", "atrHidden", "atrReadOnly", "atrSystem", "atrTemporary", "atrOffline"}};
const cl::TEnumType CacheOptionType{{"coAlwaysReload", "coReloadIfNoExpireInformation", "coReloadUpdatedObjects",
                                     "coPragmaNoCache", "coNoCacheWrite", "coCreateTempFilesIfCantCache",
                                     "coUseCacheIfNetFail"}};
const cl::TEnumType InternetOptionType{{"ioIgnoreCertificateInvalid", "ioIgnoreCertificateDateInvalid",
                                        "ioIgnoreRedirectToHTTP", "ioIgnoreRedirectToHTTPS", "ioKeepConnection",
                                        "ioNoAuthentication", "ioNoAutoRedirect", "ioNoCookies"}};

const cl::TClass& TupHTTPProxy::StaticClass()
{
    return cl::DefineClass<TupHTTPProxy, cl::TPersistent>("TupHTTPProxy", [](cl::TPublisher<TupHTTPProxy>& p) {
        p.Enum("AccessType", AccessTypeType, &TupHTTPProxy::AccessType, &TupHTTPProxy::AccessType);
        p.Int("ProxyPort", &TupHTTPProxy::ProxyPort, &TupHTTPProxy::ProxyPort);
        p.String("ProxyServer", &TupHTTPProxy::ProxyServer, &TupHTTPProxy::ProxyServer);
        p.String("ProxyBypass", &TupHTTPProxy::ProxyBypass, &TupHTTPProxy::ProxyBypass);
        p.String("ProxyUsername", &TupHTTPProxy::ProxyUsername, &TupHTTPProxy::ProxyUsername);
        p.String("ProxyPassword", &TupHTTPProxy::ProxyPassword, &TupHTTPProxy::ProxyPassword);
    });
}

void TupHTTPProxy::Assign(const cl::TPersistent& source)
{
    if (const auto* other = dynamic_cast<const TupHTTPProxy*>(&source))
        *this = *other;
    else
        cl::TPersistent::Assign(source);
}

const cl::TClass& TupHTTPRange::StaticClass()
{
    return cl::DefineClass<TupHTTPRange, cl::TPersistent>("TupHTTPRange", [](cl::TPublisher<TupHTTPRange>& p) {
        p.Int("StartRange", &TupHTTPRange::StartRange, &TupHTTPRange::StartRange);
        p.Int("EndRange", &TupHTTPRange::EndRange, &TupHTTPRange::EndRange);
    });
}

void TupHTTPRange::Assign(const cl::TPersistent& source)
{
    if (const auto* other = dynamic_cast<const TupHTTPRange*>(&source))
        *this = *other;
    else
        cl::TPersistent::Assign(source);
}

const cl::TClass& TupHTTPTimeouts::StaticClass()
{
    return cl::DefineClass<TupHTTPTimeouts, cl::TPersistent>("TupHTTPTimeouts", [](cl::TPublisher<TupHTTPTimeouts>& p) {
        p.Int("ConnectTimeout", &TupHTTPTimeouts::ConnectTimeout, &TupHTTPTimeouts::ConnectTimeout);
        p.Int("ReceiveTimeout", &TupHTTPTimeouts::ReceiveTimeout, &TupHTTPTimeouts::ReceiveTimeout);
        p.Int("SendTimeout", &TupHTTPTimeouts::SendTimeout, &TupHTTPTimeouts::SendTimeout);
    });
}

void TupHTTPTimeouts::Assign(const cl::TPersistent& source)
{
    if (const auto* other = dynamic_cast<const TupHTTPTimeouts*>(&source))
        *this = *other;
    else
        cl::TPersistent::Assign(source);
}

const cl::TClass& TupOutputFileAttributes::StaticClass()
{
    return cl::DefineClass<TupOutputFileAttributes, cl::TPersistent>(
        "TupOutputFileAttributes", [](cl::TPublisher<TupOutputFileAttributes>& p) {
            p.Set("Complete", FileAttributeType, &TupOutputFileAttributes::Complete, &TupOutputFileAttributes::Complete);
            p.Set("Incomplete", FileAttributeType, &TupOutputFileAttributes::Incomplete,
                  &TupOutputFileAttributes::Incomplete);
        });
}

void TupOutputFileAttributes::Assign(const cl::TPersistent& source)
{
    if (const auto* other = dynamic_cast<const TupOutputFileAttributes*>(&source))
        *this = *other;
    else
        cl::TPersistent::Assign(source);
}

namespace {

// The system's error of the last file this thread could not open.
thread_local DWORD lastOpenError = ERROR_SUCCESS;

HANDLE OpenStreamFile(const AnsiString& fileName, bool clearProtection, TupFileMode mode)
{
    const DWORD disposition = mode == TupFileMode::CreateAlways ? CREATE_ALWAYS : OPEN_ALWAYS;
    const DWORD old = GetFileAttributesA(fileName.c_str());
    const bool protectedFile =
        clearProtection && old != INVALID_FILE_ATTRIBUTES && (old & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY));
    if (protectedFile)
        SetFileAttributesA(fileName.c_str(), FILE_ATTRIBUTE_ARCHIVE);
    HANDLE h = CreateFileA(fileName.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    const DWORD error = GetLastError();
    if (protectedFile)
        SetFileAttributesA(fileName.c_str(), old);
    if (h == INVALID_HANDLE_VALUE) {
        lastOpenError = error;
        char full[MAX_PATH] = {};
        GetFullPathNameA(fileName.c_str(), MAX_PATH, full, nullptr);
        throw cl::EFCreateError(cl::Format("Cannot create file \"%s\". %s", {full, cl::SysErrorMessage(error)}));
    }
    return h;
}

} // namespace

TupFileStream::TupFileStream(const AnsiString& fileName, bool clearProtection, TupFileMode mode)
    : cl::THandleStream(OpenStreamFile(fileName, clearProtection, mode))
{
}

TupFileStream::~TupFileStream() { CloseHandle(handle_); }

// ---------------------------------------------------------------------------------------
// Addresses

bool CrackURL(const AnsiString& url, TupURLParts& parts)
{
    const AnsiString full = url.find("://") == AnsiString::npos ? "http://" + url : url;
    char scheme[33], host[257], user[129], password[129], path[2049], extra[2049];
    URL_COMPONENTSA c{};
    c.dwStructSize = sizeof c;
    c.lpszScheme = scheme;
    c.dwSchemeLength = sizeof scheme;
    c.lpszHostName = host;
    c.dwHostNameLength = sizeof host;
    c.lpszUserName = user;
    c.dwUserNameLength = sizeof user;
    c.lpszPassword = password;
    c.dwPasswordLength = sizeof password;
    c.lpszUrlPath = path;
    c.dwUrlPathLength = sizeof path;
    c.lpszExtraInfo = extra;
    c.dwExtraInfoLength = sizeof extra;
    if (!InternetCrackUrlA(full.c_str(), static_cast<DWORD>(full.size()), ICU_ESCAPE, &c))
        return false;
    parts.scheme.assign(scheme, c.dwSchemeLength);
    parts.host.assign(host, c.dwHostNameLength);
    parts.user.assign(user, c.dwUserNameLength);
    parts.password.assign(password, c.dwPasswordLength);
    parts.path.assign(path, c.dwUrlPathLength);
    parts.extra.assign(extra, c.dwExtraInfoLength);
    parts.port = c.nPort;
    return true;
}

AnsiString ExtractURLHost(const AnsiString& url)
{
    TupURLParts parts;
    return CrackURL(url, parts) ? parts.host : AnsiString();
}

AnsiString ExtractURLFileName(const AnsiString& url)
{
    TupURLParts parts;
    return CrackURL(url, parts) ? URLToFileName(parts.path) : AnsiString();
}

DWORD RequestFlags(const AnsiString& scheme, TupCacheOptions cache, TupInternetOptions internet)
{
    DWORD flags = 0;
    if (LowerCaseAscii(scheme) == "https")
        flags |= INTERNET_FLAG_SECURE;
    else if (cache & (1u << coCreateTempFilesIfCantCache))
        flags |= INTERNET_FLAG_NEED_FILE;
    static const DWORD cacheFlags[] = {INTERNET_FLAG_RELOAD, INTERNET_FLAG_HYPERLINK, INTERNET_FLAG_RESYNCHRONIZE,
                                       INTERNET_FLAG_PRAGMA_NOCACHE, INTERNET_FLAG_NO_CACHE_WRITE, 0,
                                       INTERNET_FLAG_CACHE_IF_NET_FAIL};
    static const DWORD internetFlags[] = {
        INTERNET_FLAG_IGNORE_CERT_CN_INVALID, INTERNET_FLAG_IGNORE_CERT_DATE_INVALID,
        INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTP, INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS, INTERNET_FLAG_KEEP_CONNECTION,
        INTERNET_FLAG_NO_AUTH, INTERNET_FLAG_NO_AUTO_REDIRECT, INTERNET_FLAG_NO_COOKIES};
    for (unsigned i = 0; i < sizeof cacheFlags / sizeof *cacheFlags; ++i)
        if (cache & (1u << i))
            flags |= cacheFlags[i];
    for (unsigned i = 0; i < sizeof internetFlags / sizeof *internetFlags; ++i)
        if (internet & (1u << i))
            flags |= internetFlags[i];
    return flags;
}

// ---------------------------------------------------------------------------------------
// ---------------------------------------------------------------------------------------
// One transfer: what the worker reads and writes. The component and the worker share it,
// so a worker that outlives its component (given up) only touches this. The WinINet
// handles belong to the worker alone: it opens, uses and closes them, so no other thread
// can close one under it or let WinINet hand its value to the next transfer.

namespace {

// A memory stream is never reserved beyond this from a length the server claims; it
// grows with the data that actually arrives.
constexpr std::int64_t kMaxPresize = 1 << 20;

// An output file is written in blocks of this size, whatever the read size: one write
// call per block instead of one per read.
constexpr std::size_t kFileBlock = 64 * 1024;

// A progress notice is posted at most this often; each read leaves its figures, and the
// newest always come before the outcome. A notice for nearly every read (the GUI thread
// takes each at once) doubled the time of a transfer at the default buffer size.
constexpr ULONGLONG kProgressIntervalMs = 50;

struct TProgressFigures {
    float transferRate = -1;
    std::uint8_t percentDone = 0;
    int estimatedTimeLeft = 0, elapsedTime = 0;
    std::int64_t bytesRead = 0, fileSize = 0;
};

bool IsRedirect(int status) { return status == 301 || status == 302 || status == 303 || status == 307 || status == 308; }

// No request asks for a range, so a 206 answer holds a part of the file somewhere in it,
// not the file: it is refused as an error status.
bool IsWholeFileStatus(int status) { return status == 200; }

enum class TFileErrorKind { Create, Write };

// The part files of this process: each transfer's has a name of its own.
std::atomic<unsigned> partFiles{0};

// name.ext -> name.<process>-<n>.ext, so that a part left behind still matches what
// matches the file (a download's "*.uTMP").
AnsiString PartFileName(const AnsiString& fileName)
{
    const AnsiString tag = std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++partFiles);
    const std::size_t slash = fileName.find_last_of("\\/:");
    const std::size_t dot = fileName.rfind('.');
    if (dot == AnsiString::npos || (slash != AnsiString::npos && dot < slash) || dot == slash + 1)
        return fileName + "." + tag;
    return fileName.substr(0, dot) + "." + tag + fileName.substr(dot);
}

} // namespace

struct TTransferJob {
    // Set at the start, read by the worker.
    TupCustomHTTP* owner = nullptr; // dereferenced only in events run on the GUI thread
    AnsiString url, user, password, agent, acceptTypes, referrer, requestHeaders, outputFileName;
    // The file this transfer writes until its outcome hands it over as outputFileName: a
    // worker given up meanwhile only ever touches its own.
    AnsiString partFileName;
    TupHTTPProxy proxy;
    std::uint32_t connectTimeout = 0, receiveTimeout = 0, sendTimeout = 0;
    int maxRedirects = 20;
    std::int64_t maxMemoryBody = 0;
    TupCacheOptions cache = 0;
    TupInternetOptions internet = 0;
    TupFileAttributes incomplete = 0;
    int bufferSize = 4096;
    bool workOffline = false;
    std::uint32_t startRange = 0;
    bool wantsHeaders = false, wantsProgress = false, wantsLogin = false, wantsProxyLogin = false;
    THTTPStatusEvent onStatus;
    THTTPRedirectEvent onRedirect;
    HWND progressWindow = nullptr;
    unsigned serial = 0;

    // Results.
    int statusCode = -1;
    AnsiString contentType;
    std::int64_t fileSize = 0, bytesRead = 0;
    bool hasLength = false; // the answer gave its length
    ULONGLONG startTick = 0;
    bool success = false, fileOpen = false, canContinue = true, readFailed = false;
    bool fileError = false; // the output file could not be created or written
    bool tooLarge = false;  // a body into memory longer than allowed
    TFileErrorKind fileErrorKind = TFileErrorKind::Create;
    DWORD fileErrorCode = 0;
    std::atomic<bool> deleteOnAbort{false};
    std::unique_ptr<cl::TStream> stream;
    bool aborted = false;         // the body ended at a checkpoint
    bool stoppedReported = false; // GUI thread only

    // Abort: no progress is posted or delivered any more.
    std::atomic<bool> cancelled{false};
    // Given up (killed or the component going): no handler on the worker runs any more.
    // Taken by the status callback around its handlers.
    std::mutex eventLock;
    bool silenced = false;
    // The newest progress figures, whether they are newer than the last delivered, whether
    // a notice is on its way and when the last one was posted.
    std::mutex progressLock;
    bool progressPending = false;
    bool progressFresh = false;
    ULONGLONG progressPosted = 0;
    TProgressFigures latest;
    HINTERNET session = nullptr, connection = nullptr, request = nullptr;
    cl::FileHandle localFile;

    void Silence()
    {
        {
            std::lock_guard<std::mutex> lock(eventLock);
            silenced = true;
        }
        std::lock_guard<std::mutex> lock(progressLock);
        cancelled = true;
        progressPending = false;
    }
    void CloseRequest()
    {
        for (HINTERNET* h : {&request, &connection}) {
            if (*h) {
                // Each handle keeps the callback it was made with: no closing notice.
                InternetSetStatusCallback(*h, nullptr);
                InternetCloseHandle(*h);
            }
            *h = nullptr;
        }
    }
    void CloseHandles()
    {
        CloseRequest();
        if (session) {
            InternetSetStatusCallback(session, nullptr);
            InternetCloseHandle(session);
        }
        session = nullptr;
    }

    // A checkpoint: when the thread was told to stop, the abort clean-up runs and the
    // caller ends the body.
    bool Stopped()
    {
        // A transfer given up is not told through its thread: it sees its own flag.
        if (!TupEventThread::Current()->Terminated() && !cancelled)
            return false;
        AbortCleanup();
        return true;
    }
    // Runs call on the GUI thread after any progress still on its way.
    void Sync(const std::function<void()>& call)
    {
        TupEventThread::Current()->Synchronize([this, &call] {
            owner->DeliverProgress(*this);
            call();
        });
    }
    void StatusEvent(DWORD status, const void* info, DWORD infoLength);

    void Run();
    void Body();
    bool OpenSession();
    bool OpenRequest(const TupURLParts& parts);
    bool SendRequest();
    bool NextLocation(TupURLParts& parts);
    bool ReadHeaders();
    void OpenLocal(const TupURLParts& parts);
    void Receive();
    bool WriteOut(const char* data, std::size_t count);
    void FileFailed(TFileErrorKind kind, DWORD code);
    bool HandOverFile();
    AnsiString FileErrorText() const;
    void PostProgress();
    void AbortCleanup();
};

namespace {

AnsiString QueryText(HINTERNET request, DWORD info, bool& present)
{
    std::vector<char> buffer(4096);
    for (;;) {
        DWORD size = static_cast<DWORD>(buffer.size()), index = 0;
        if (HttpQueryInfoA(request, info, buffer.data(), &size, &index)) {
            present = true;
            return AnsiString(buffer.data(), size);
        }
        // A header longer than 64 KiB is not one this component needs whole.
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size <= buffer.size() || size > 65536) {
            present = false;
            return AnsiString();
        }
        buffer.resize(size + 1);
    }
}

AnsiString QueryText(HINTERNET request, DWORD info)
{
    bool present = false;
    return QueryText(request, info, present);
}

void CALLBACK StatusCallback(HINTERNET, DWORD_PTR context, DWORD status, LPVOID info, DWORD infoLength)
{
    if (auto* job = reinterpret_cast<TTransferJob*>(context))
        job->StatusEvent(status, info, infoLength);
}

void SetTextOption(HINTERNET handle, DWORD option, const AnsiString& text)
{
    // A failure leaves the request without the login: the server answers 401 or 407 again.
    InternetSetOptionA(handle, option, const_cast<char*>(text.c_str()), static_cast<DWORD>(text.size()));
}

// The time left: Round(size / read * elapsed) - elapsed, within the range of an Integer
// (a claimed length can make it any size).
int TimeLeft(std::int64_t fileSize, std::int64_t bytesRead, int elapsed)
{
    if (bytesRead <= 0)
        return 0;
    const double left = std::nearbyint(static_cast<double>(fileSize) / static_cast<double>(bytesRead) * elapsed) - elapsed;
    if (left >= static_cast<double>(INT_MAX))
        return INT_MAX;
    if (left <= static_cast<double>(INT_MIN))
        return INT_MIN;
    return static_cast<int>(left);
}

} // namespace

void TTransferJob::StatusEvent(DWORD status, const void* info, DWORD infoLength)
{
    std::lock_guard<std::mutex> lock(eventLock);
    if (silenced)
        return;
    try {
        if (onStatus)
            onStatus(owner, status, StatusText(status));
        if (status == INTERNET_STATUS_REDIRECT && onRedirect && info)
            onRedirect(owner, AnsiString(static_cast<const char*>(info), strnlen(static_cast<const char*>(info), infoLength)));
    } catch (...) {
        // A handler's exception must not unwind through WinINet or the body.
    }
}

void TTransferJob::Run()
{
    try {
        Body();
    } catch (...) {
        // Out of memory or the like: the outcome comes from the state reached so far, once.
        readFailed = true;
    }
    if (aborted)
        return;
    // The last checkpoint: a call that failed or timed out after a stop is no outcome.
    if (Stopped())
        return;
    CloseHandles();
    localFile.reset();
}

void TTransferJob::Body()
{
    statusCode = -1;
    contentType.clear();
    startTick = GetTickCount64();
    canContinue = true;
    TupURLParts parts;
    const bool cracked = CrackURL(url, parts);
    if (cracked) {
        parts.extra = EncodeURLExtra(parts.extra);
        if (!parts.user.empty() || !parts.password.empty()) {
            user = parts.user;
            password = parts.password;
        }
    }
    if (Stopped() || !cracked)
        return;
    if (LowerCaseAscii(parts.scheme) == "file") {
        OpenLocal(parts);
    } else {
        if (!OpenSession())
            return;
        // WinINet follows redirects without a limit of its own (and without looking at
        // the stop flag): they are followed here, one request each.
        const bool follow = !(internet & (1u << ioNoAutoRedirect));
        for (int redirects = 0;; ++redirects) {
            if (!OpenRequest(parts) || !SendRequest())
                return;
            if (!follow || !IsRedirect(statusCode) || redirects >= maxRedirects)
                break;
            if (Stopped())
                return;
            if (!NextLocation(parts))
                break; // no usable Location: the redirect answer itself is the outcome
        }
        if (!ReadHeaders())
            return;
    }
    Receive();
}

bool TTransferJob::OpenSession()
{
    static const DWORD accessTypes[] = {INTERNET_OPEN_TYPE_PRECONFIG, INTERNET_OPEN_TYPE_DIRECT, INTERNET_OPEN_TYPE_PROXY};
    const bool useProxy = proxy.AccessType == TupHTTPAccessType::atUseProxy;
    const AnsiString proxyText = proxy.ProxyServer + ":" + std::to_string(proxy.ProxyPort);
    session = InternetOpenA(agent.c_str(), accessTypes[static_cast<int>(proxy.AccessType)],
                            useProxy ? proxyText.c_str() : nullptr,
                            useProxy && !proxy.ProxyBypass.empty() ? proxy.ProxyBypass.c_str() : nullptr,
                            workOffline ? INTERNET_FLAG_OFFLINE : 0);
    if (!session)
        return false;
    InternetSetStatusCallback(session, StatusCallback);
    // The proxy login goes on the new session (there is no earlier request to put it on).
    if (useProxy && !proxy.ProxyUsername.empty()) {
        SetTextOption(session, INTERNET_OPTION_PROXY_USERNAME, proxy.ProxyUsername);
        SetTextOption(session, INTERNET_OPTION_PROXY_PASSWORD, proxy.ProxyPassword);
    }
    return true;
}

bool TTransferJob::OpenRequest(const TupURLParts& parts)
{
    if (Stopped())
        return false;
    connection = InternetConnectA(session, parts.host.c_str(), static_cast<INTERNET_PORT>(parts.port),
                                  user.empty() ? nullptr : user.c_str(), password.empty() ? nullptr : password.c_str(),
                                  INTERNET_SERVICE_HTTP, 0, reinterpret_cast<DWORD_PTR>(this));
    if (!connection || Stopped())
        return false;
    const AnsiString object = parts.path + parts.extra;
    const char* accept[] = {acceptTypes.c_str(), nullptr};
    request = HttpOpenRequestA(connection, "GET", object.c_str(), nullptr, referrer.empty() ? nullptr : referrer.c_str(),
                               accept, RequestFlags(parts.scheme, cache, internet) | INTERNET_FLAG_NO_AUTO_REDIRECT,
                               reinterpret_cast<DWORD_PTR>(this));
    if (!request || Stopped())
        return false;
    const std::pair<DWORD, std::uint32_t> limits[] = {{INTERNET_OPTION_CONNECT_TIMEOUT, connectTimeout},
                                                      {INTERNET_OPTION_RECEIVE_TIMEOUT, receiveTimeout},
                                                      {INTERNET_OPTION_SEND_TIMEOUT, sendTimeout}};
    for (auto [option, value] : limits) {
        DWORD v = value;
        if (v != 0)
            InternetSetOptionA(request, option, &v, sizeof v); // a failure keeps the system's
    }
    if (!requestHeaders.empty() &&
        !HttpAddRequestHeadersA(request, requestHeaders.c_str(), static_cast<DWORD>(-1), HTTP_ADDREQ_FLAG_ADD))
        return false;
    return true;
}

bool TTransferJob::SendRequest()
{
    for (;;) {
        if (Stopped())
            return false;
        bool tryAgain = false;
        statusCode = -1;
        if (!HttpSendRequestA(request, nullptr, 0, nullptr, 0) || Stopped())
            return false;
        // A connection closed before any answer can read as status 0: no answer at all.
        const int status = StrToIntDef(QueryText(request, HTTP_QUERY_STATUS_CODE), -1);
        if (status < 100 || status > 999)
            return false;
        statusCode = status;
        if (statusCode == HTTP_STATUS_DENIED && wantsLogin) {
            const AnsiString realm = RealmOf(QueryText(request, HTTP_QUERY_WWW_AUTHENTICATE));
            Sync([&] {
                if (owner->OnLoginRequest)
                    owner->OnLoginRequest(owner, realm, tryAgain);
                user = owner->HTTPUsername();
                password = owner->HTTPPassword();
            });
            if (Stopped()) // stopped while the prompt was up
                return false;
            SetTextOption(request, INTERNET_OPTION_USERNAME, user);
            SetTextOption(request, INTERNET_OPTION_PASSWORD, password);
        } else if (statusCode == HTTP_STATUS_PROXY_AUTH_REQ && wantsProxyLogin) {
            Sync([&] {
                if (owner->OnProxyAuthenticationRequest)
                    owner->OnProxyAuthenticationRequest(owner, owner->Proxy()->ProxyUsername, owner->Proxy()->ProxyPassword,
                                                        tryAgain);
                proxy.ProxyUsername = owner->Proxy()->ProxyUsername;
                proxy.ProxyPassword = owner->Proxy()->ProxyPassword;
            });
            if (Stopped())
                return false;
            SetTextOption(request, INTERNET_OPTION_PROXY_USERNAME, proxy.ProxyUsername);
            SetTextOption(request, INTERNET_OPTION_PROXY_PASSWORD, proxy.ProxyPassword);
        }
        if (!tryAgain)
            return true;
    }
}

bool TTransferJob::NextLocation(TupURLParts& parts)
{
    const AnsiString location = QueryText(request, HTTP_QUERY_LOCATION);
    if (location.empty())
        return false;
    char port[16];
    std::snprintf(port, sizeof port, ":%u", parts.port);
    const AnsiString base = parts.scheme + "://" + parts.host + port + parts.path + parts.extra;
    std::vector<char> combined(4096);
    DWORD size = static_cast<DWORD>(combined.size());
    if (!InternetCombineUrlA(base.c_str(), location.c_str(), combined.data(), &size, ICU_NO_ENCODE))
        return false;
    TupURLParts next;
    const AnsiString target(combined.data(), size);
    if (!CrackURL(target, next))
        return false;
    // WinINet's own guard against leaving https is off, as it follows no redirect here.
    if (!RedirectFollowed(parts.scheme, next.scheme, (internet & (1u << ioIgnoreRedirectToHTTP)) != 0))
        return false;
    StatusEvent(INTERNET_STATUS_REDIRECT, target.c_str(), static_cast<DWORD>(target.size() + 1));
    // A new connection for every hop: the host, port or scheme may differ. Until the new
    // host answers there is no answer.
    CloseRequest();
    statusCode = -1;
    parts = next;
    if (!parts.user.empty() || !parts.password.empty()) {
        user = parts.user;
        password = parts.password;
    }
    return true;
}

bool TTransferJob::ReadHeaders()
{
    if (Stopped())
        return false;
    contentType = QueryText(request, HTTP_QUERY_CONTENT_TYPE);
    fileSize = cl::StrToInt64Def(QueryText(request, HTTP_QUERY_CONTENT_LENGTH, hasLength), -1);
    if (fileSize < 0) {
        hasLength = false; // none, or none that can be read
        fileSize = 0;
    }
    bool hasRange = false;
    QueryText(request, HTTP_QUERY_CONTENT_RANGE, hasRange);
    if (!hasRange)
        startRange = 0;
    if (!wantsHeaders)
        return true;
    const AnsiString raw = QueryText(request, HTTP_QUERY_RAW_HEADERS_CRLF);
    const AnsiString language = QueryText(request, HTTP_QUERY_CONTENT_LANGUAGE);
    const AnsiString encoding = QueryText(request, HTTP_QUERY_CONTENT_ENCODING);
    const AnsiString location = QueryText(request, HTTP_QUERY_LOCATION);
    const AnsiString eTag = QueryText(request, HTTP_QUERY_ETAG);
    const TDateTime date = HTTPDateToDateTime(QueryText(request, HTTP_QUERY_DATE));
    const TDateTime lastModified = HTTPDateToDateTime(QueryText(request, HTTP_QUERY_LAST_MODIFIED));
    const TDateTime expires = HTTPDateToDateTime(QueryText(request, HTTP_QUERY_EXPIRES));
    bool go = true;
    Sync([&] {
        if (owner->OnHeaderInfo)
            owner->OnHeaderInfo(owner, statusCode, raw, contentType, language, encoding, fileSize + startRange, location,
                                date, lastModified, expires, eTag, go);
    });
    canContinue = go;
    return go;
}

void TTransferJob::OpenLocal(const TupURLParts& parts)
{
    AnsiString path = parts.path;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    if (path.size() > 2 && path[0] == '\\' && path[2] == ':')
        path.erase(0, 1); // "/C:/dir/file"
    localFile.reset(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                0, nullptr));
    if (!localFile) {
        statusCode = 404;
        fileSize = 0;
        return;
    }
    statusCode = 200;
    LARGE_INTEGER size{};
    hasLength = GetFileSizeEx(localFile.get(), &size) != FALSE;
    fileSize = size.QuadPart;
}

void TTransferJob::Receive()
{
    if (Stopped())
        return;
    std::vector<char> buffer(static_cast<std::size_t>(bufferSize > 0 ? bufferSize : 4096));
    const bool ok = IsWholeFileStatus(statusCode);
    if (ok && !outputFileName.empty()) {
        try {
            stream = std::make_unique<TupFileStream>(partFileName, true, TupFileMode::CreateAlways);
        } catch (const cl::EFCreateError&) {
            // Nothing can be written: a file error, and the body is not read.
            FileFailed(TFileErrorKind::Create, lastOpenError);
            return;
        }
        if (incomplete != AttrSet(atrArchive))
            SetFileAttrs(partFileName, incomplete);
        fileOpen = true;
    } else {
        if (maxMemoryBody > 0 && fileSize > maxMemoryBody) {
            tooLarge = true;
            return;
        }
        auto memory = std::make_unique<cl::TMemoryStream>();
        if (fileSize > 0) {
            memory->SetSize(std::min(fileSize, kMaxPresize));
            memory->SetPosition(0);
        }
        stream = std::move(memory);
    }
    bytesRead = 0;
    // Bytes read and not yet written to the file; every way out of the loop writes them.
    std::vector<char> block;
    if (fileOpen)
        block.reserve(kFileBlock);
    for (;;) {
        if (!block.empty() && (TupEventThread::Current()->Terminated() || cancelled))
            WriteOut(block.data(), block.size()); // an aborted file keeps what was read
        if (Stopped())
            return;
        DWORD count = 0;
        const BOOL read = localFile ? ReadFile(localFile.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &count, nullptr)
                                    : InternetReadFile(request, buffer.data(), static_cast<DWORD>(buffer.size()), &count);
        if (!read) {
            readFailed = true; // includes a receive time-out
            break;
        }
        if (count == 0)
            break;
        if (!fileOpen && maxMemoryBody > 0 && bytesRead + count > maxMemoryBody) {
            tooLarge = true;
            break;
        }
        bytesRead += count;
        if (!fileOpen) {
            if (!WriteOut(buffer.data(), count))
                break;
        } else {
            block.insert(block.end(), buffer.data(), buffer.data() + count);
            if (block.size() >= kFileBlock) {
                if (!WriteOut(block.data(), block.size()))
                    break;
                block.clear();
            }
        }
        if (wantsProgress)
            PostProgress();
    }
    if (!block.empty() && !fileError)
        WriteOut(block.data(), block.size()); // also what a lost connection delivered
    if (auto* memory = dynamic_cast<cl::TMemoryStream*>(stream.get()))
        if (memory->Size() > bytesRead)
            memory->SetSize(bytesRead); // a length announced but not delivered
    // Whole only as the answer said: its length reached, or without one the server's own
    // end (the last chunk, or the close of a body that promised no length). WinINet under
    // Wine reads a chunked body cut inside a chunk as ended: nothing here can tell.
    success = ok && !readFailed && !tooLarge && (!hasLength || fileSize == bytesRead);
}

// Writes to the stream; a failure (disk full or the like: the file is not what was sent)
// ends the body as a failed read.
bool TTransferJob::WriteOut(const char* data, std::size_t count)
{
    SetLastError(ERROR_SUCCESS);
    if (stream->Write(data, static_cast<std::int64_t>(count)) == static_cast<std::int64_t>(count))
        return true;
    if (fileOpen)
        FileFailed(TFileErrorKind::Write, GetLastError());
    readFailed = true;
    return false;
}

void TTransferJob::FileFailed(TFileErrorKind kind, DWORD code)
{
    fileError = true;
    fileErrorKind = kind;
    fileErrorCode = code != ERROR_SUCCESS ? code : ERROR_WRITE_FAULT;
}

// Closes the part file and hands it over under the output file's name (replacing an
// older file of that name); false, with the file error set, when it cannot be.
bool TTransferJob::HandOverFile()
{
    stream.reset();
    SetFileAttributesA(outputFileName.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (MoveFileExA(partFileName.c_str(), outputFileName.c_str(), MOVEFILE_REPLACE_EXISTING))
        return true;
    FileFailed(TFileErrorKind::Write, GetLastError());
    DeleteFileA(partFileName.c_str());
    return false;
}

AnsiString TTransferJob::FileErrorText() const
{
    const char* const pattern =
        fileErrorKind == TFileErrorKind::Create ? "Cannot create file \"%s\". %s" : "Cannot write file \"%s\". %s";
    char full[MAX_PATH] = {};
    if (!GetFullPathNameA(outputFileName.c_str(), MAX_PATH, full, nullptr))
        return cl::Format(pattern, {outputFileName, cl::SysErrorMessage(fileErrorCode)});
    return cl::Format(pattern, {AnsiString(full), cl::SysErrorMessage(fileErrorCode)});
}

// The worker never waits for the GUI thread to show progress: it leaves the newest
// figures and posts a notice while none is on its way, at most every kProgressIntervalMs.
void TTransferJob::PostProgress()
{
    TProgressFigures f;
    const ULONGLONG now = GetTickCount64();
    f.percentDone = PercentOf(static_cast<double>(startRange + bytesRead), static_cast<double>(startRange + fileSize));
    f.elapsedTime = static_cast<int>((now - startTick) / 1000);
    f.estimatedTimeLeft = TimeLeft(fileSize, bytesRead, f.elapsedTime);
    f.transferRate = static_cast<float>(bytesRead / 1024.0);
    if (f.elapsedTime != 0)
        f.transferRate /= static_cast<float>(f.elapsedTime);
    f.bytesRead = startRange + bytesRead;
    f.fileSize = startRange + fileSize;
    std::lock_guard<std::mutex> lock(progressLock);
    if (cancelled)
        return;
    latest = f;
    progressFresh = true;
    if (!progressPending && (progressPosted == 0 || now - progressPosted >= kProgressIntervalMs)) {
        progressPending = PostMessageA(progressWindow, WM_UP_PROGRESS, serial, 0) != FALSE;
        progressPosted = now;
    }
}

void TTransferJob::AbortCleanup()
{
    aborted = true;
    CloseHandles();
    localFile.reset();
    if (fileOpen) {
        // A transfer given up hands nothing over: its name may be the next transfer's.
        std::lock_guard<std::mutex> lock(eventLock);
        if (deleteOnAbort || silenced) {
            stream.reset();
            DeleteFileA(partFileName.c_str());
        } else {
            HandOverFile();
        }
    }
    stream.reset();
    Sync([this] { owner->FinishStopped(*this); }); // skipped when given up
}

// ---------------------------------------------------------------------------------------

const cl::TClass& TupCustomHTTP::StaticClass()
{
    return cl::DefineClass<TupCustomHTTP, TupLoginComponent>("TupCustomHTTP", [](cl::TPublisher<TupCustomHTTP>& p) {
        p.Owned("Proxy", &TupCustomHTTP::Proxy);
        p.Owned("Range", &TupCustomHTTP::Range);
        p.Owned("Timeouts", &TupCustomHTTP::Timeouts);
        p.Owned("OutputFileAttributes", &TupCustomHTTP::OutputFileAttributes);
        p.Set("CacheOptions", CacheOptionType, &TupCustomHTTP::CacheOptions, &TupCustomHTTP::CacheOptions);
        p.Set("InternetOptions", InternetOptionType, &TupCustomHTTP::InternetOptions, &TupCustomHTTP::InternetOptions);
        p.Int("TransferBufferSize", &TupCustomHTTP::TransferBufferSize, &TupCustomHTTP::TransferBufferSize);
        p.Enum("ThreadPriority", ThreadPriorityType, &TupCustomHTTP::ThreadPriority, &TupCustomHTTP::SetThreadPriority);
    });
}

TupCustomHTTP::TupCustomHTTP(cl::TComponent* owner)
    : TupLoginComponent(owner), proxy_(std::make_unique<TupHTTPProxy>()), range_(std::make_unique<TupHTTPRange>()),
      timeouts_(std::make_unique<TupHTTPTimeouts>()), attributes_(std::make_unique<TupOutputFileAttributes>()),
      thread_(std::make_unique<TupCustomThread>(nullptr)) // owned here, shut down before the rest goes
{
}

TupCustomHTTP::~TupCustomHTTP()
{
    // No event reaches this object any more; a worker still running keeps its own job
    // and ends by itself.
    if (job_)
        job_->Silence();
    thread_->Shutdown();
    thread_.reset();
    cl::DeallocateHWnd(window_);
}

bool TupCustomHTTP::Read(std::uint32_t startRange, std::uint32_t endRange)
{
    if (busy_)
        return false;
    if (!window_)
        window_ = cl::AllocateHWnd([this](cl::TMessage& m) { WindowMethod(m); });
    busy_ = reading_ = true;
    transferRate_ = -1;
    statusCode_ = -1;
    range_->StartRange = startRange;
    range_->EndRange = endRange;
    auto job = std::make_shared<TTransferJob>();
    job->owner = this;
    job->url = URL;
    job->user = HTTPUsername();
    job->password = HTTPPassword();
    job->agent = AgentText;
    job->acceptTypes = AcceptTypes;
    job->referrer = Referrer;
    job->requestHeaders = RequestHeaders.Count() ? RequestHeaders.Text() : AnsiString();
    job->outputFileName = OutputFileName;
    if (!OutputFileName.empty())
        job->partFileName = PartFileName(OutputFileName);
    job->proxy = *proxy_;
    job->connectTimeout = timeouts_->ConnectTimeout ? timeouts_->ConnectTimeout : DefaultConnectTimeout;
    job->receiveTimeout = timeouts_->ReceiveTimeout ? timeouts_->ReceiveTimeout : DefaultReceiveTimeout;
    job->sendTimeout = timeouts_->SendTimeout ? timeouts_->SendTimeout : DefaultSendTimeout;
    job->maxRedirects = MaxRedirects;
    job->maxMemoryBody = MaxMemoryBody;
    job->cache = CacheOptions;
    job->internet = InternetOptions;
    job->incomplete = attributes_->Incomplete;
    job->bufferSize = TransferBufferSize;
    job->workOffline = WorkOffline;
    job->startRange = startRange;
    job->wantsHeaders = static_cast<bool>(OnHeaderInfo);
    job->wantsProgress = static_cast<bool>(OnTransferProgress);
    job->wantsLogin = static_cast<bool>(OnLoginRequest);
    job->wantsProxyLogin = static_cast<bool>(OnProxyAuthenticationRequest);
    job->onStatus = OnStatusChange;
    job->onRedirect = OnRedirect;
    job->progressWindow = window_;
    job->serial = job_ ? job_->serial + 1 : 1;
    job_ = job;
    thread_->SetOnExecute([job](cl::TObject*) { job->Run(); });
    thread_->SetOnTerminate([this, job](cl::TObject*) { Complete(*job); });
    // The body catches everything itself, so that its outcome and OnFinished come once,
    // from the completion step.
    thread_->SetOnException(nullptr);
    return thread_->Execute();
}

void TupCustomHTTP::Abort(bool deleteFile, bool kill)
{
    if (!busy_ || !job_)
        return;
    const std::shared_ptr<TTransferJob> job = job_;
    job->deleteOnAbort = deleteFile;
    {
        std::lock_guard<std::mutex> lock(job->progressLock);
        job->cancelled = true;
        job->progressPending = false;
    }
    if (kill) {
        job->Silence();
        thread_->Stop(true);
        FinishStopped(*job);
    } else {
        thread_->Stop(false);
    }
}

void TupCustomHTTP::FinishStopped(TTransferJob& job)
{
    if (job.stoppedReported || &job != job_.get())
        return;
    job.stoppedReported = true;
    busy_ = reading_ = false;
    if (OnStopped)
        OnStopped(this);
}

void TupCustomHTTP::WindowMethod(cl::TMessage& message)
{
    if (message.Msg != WM_UP_PROGRESS) {
        message.Result = DefWindowProcA(window_, message.Msg, message.WParam, message.LParam);
        return;
    }
    if (job_ && job_->serial == message.WParam) {
        try {
            DeliverProgress(*job_);
        } catch (...) {
            // As for every event of the worker: a handler's exception does not end the transfer.
        }
    }
}

void TupCustomHTTP::DeliverProgress(TTransferJob& job)
{
    TProgressFigures f;
    {
        std::lock_guard<std::mutex> lock(job.progressLock);
        job.progressPending = false;
        if (!job.progressFresh || job.cancelled)
            return;
        job.progressFresh = false;
        f = job.latest;
    }
    transferRate_ = f.transferRate;
    // No stream: the worker is writing it meanwhile. It is handed over with the outcome.
    if (OnTransferProgress)
        OnTransferProgress(this, job.contentType, nullptr, f.transferRate, f.percentDone, f.estimatedTimeLeft,
                           f.elapsedTime, f.bytesRead, f.fileSize);
}

void TupCustomHTTP::Complete(TTransferJob& job)
{
    if (job.aborted || job.stoppedReported)
        return; // a stopped transfer has no outcome
    if (job.cancelled) {
        // Stopped after the body's last checkpoint: still no outcome, the abort clean-up.
        job.stream.reset();
        if (job.fileOpen && job.deleteOnAbort)
            DeleteFileA(job.partFileName.c_str());
        else if (job.fileOpen)
            job.HandOverFile();
        FinishStopped(job);
        return;
    }
    DeliverProgress(job); // the last figures come before the outcome
    if (job.stream)
        job.stream->SetPosition(0);
    // Busy ends before the outcome events, so that a handler can start the next transfer.
    statusCode_ = job.statusCode;
    if (&job == job_.get())
        busy_ = reading_ = false;
    // The file goes under its own name whatever it holds (a partial one still marked
    // incomplete).
    if (job.fileOpen && !job.HandOverFile())
        job.success = false;
    if (job.canContinue) {
        if (job.success) {
            cl::TStream* handed = job.stream.get();
            if (job.fileOpen) {
                handed = nullptr;
                const TupFileAttributes incomplete = job.incomplete, complete = attributes_->Complete;
                if (incomplete != AttrSet(atrArchive))
                    SetFileAttrs(job.outputFileName, incomplete);
                if (complete != incomplete)
                    SetFileAttrs(job.outputFileName, complete);
            }
            if (OnDone)
                OnDone(this, job.contentType, job.startRange + job.bytesRead, handed);
        } else {
            if (job.fileError && OnFileError) {
                OnFileError(this, job.outputFileName, job.fileErrorKind == TFileErrorKind::Write, job.fileErrorCode,
                            job.FileErrorText());
            } else if (job.tooLarge) {
                if (OnHTTPError)
                    OnHTTPError(this, job.statusCode, job.stream.get());
            } else if (job.fileError || IsWholeFileStatus(job.statusCode)) {
                if (OnConnectionLost)
                    OnConnectionLost(this, job.contentType, job.stream.get(), job.bytesRead, job.fileSize);
            } else if (job.statusCode == -1) {
                if (OnHostNotReached)
                    OnHostNotReached(this);
            } else {
                if (OnHTTPError)
                    OnHTTPError(this, job.statusCode, job.stream.get());
            }
            if (OnFinished)
                OnFinished(this);
        }
    }
    job.stream.reset();
    if (!job.canContinue && OnCanceled)
        OnCanceled(this);
}

} // namespace up
