// The HTTP transfer component and its property classes.
#include "upgrade/HttpTransfer.h"

#include "classlib/WinHandle.h"
#include "upgrade/PathText.h"
#include "upgrade/TransferText.h"

#include <wininet.h>

#include <atomic>
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

AnsiString SystemErrorText(DWORD code)
{
    char* text = nullptr;
    const DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    AnsiString message = n ? Trim(AnsiString(text, n)) : "Error " + std::to_string(code);
    LocalFree(text);
    return message;
}

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
        char full[MAX_PATH] = {};
        GetFullPathNameA(fileName.c_str(), MAX_PATH, full, nullptr);
        throw cl::EFCreateError(cl::Format("Cannot create file \"%s\". %s", {full, SystemErrorText(error)}));
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
// One transfer: what the worker reads and writes. The component and the worker share it,
// so a worker that outlives its component (detached) only touches this.

struct TTransferJob {
    // Set at the start, read by the worker.
    TupCustomHTTP* owner = nullptr; // dereferenced only in events run on the GUI thread
    AnsiString url, user, password, agent, acceptTypes, referrer, requestHeaders, outputFileName;
    TupHTTPProxy proxy;
    TupHTTPTimeouts timeouts;
    TupCacheOptions cache = 0;
    TupInternetOptions internet = 0;
    TupFileAttributes incomplete = 0;
    int bufferSize = 4096;
    bool workOffline = false;
    std::uint32_t startRange = 0;
    bool wantsHeaders = false, wantsProgress = false, wantsLogin = false, wantsProxyLogin = false;
    THTTPStatusEvent onStatus;
    THTTPRedirectEvent onRedirect;

    // Results.
    int statusCode = -1;
    AnsiString contentType;
    std::int64_t fileSize = 0, bytesRead = 0;
    ULONGLONG startTick = 0;
    bool success = false, fileOpen = false, canContinue = true, readFailed = false;
    std::atomic<bool> deleteOnAbort{false};
    std::unique_ptr<cl::TStream> stream;
    std::uint8_t percentDone = 0;
    int elapsedTime = 0, estimatedTimeLeft = 0;
    float transferRate = -1;
    bool aborted = false;         // the body ended at a checkpoint
    bool stoppedReported = false;

    // WinINet handles: the GUI thread may close them (cancel) while the worker waits in them.
    std::mutex handleLock;
    HINTERNET session = nullptr, connection = nullptr, request = nullptr;
    cl::FileHandle localFile;

    HINTERNET Request()
    {
        std::lock_guard<std::mutex> lock(handleLock);
        return request;
    }
    void CloseHandles()
    {
        std::lock_guard<std::mutex> lock(handleLock);
        // Each handle keeps the callback it was made with: take it off first, so that no
        // closing notice runs on whatever thread closes (the GUI thread, when cancelling).
        for (HINTERNET* h : {&request, &connection, &session}) {
            if (*h) {
                InternetSetStatusCallback(*h, nullptr);
                InternetCloseHandle(*h);
            }
            *h = nullptr;
        }
    }

    static bool Terminated() { return TupEventThread::Current()->Terminated(); }
    static void Sync(const std::function<void()>& call) { TupEventThread::Current()->Synchronize(call); }

    void Run();
    bool OpenRequest(const TupURLParts& parts);
    bool ReadHeaders();
    void OpenLocal(const TupURLParts& parts);
    void Receive();
    void UpdateStatistics();
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
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size <= buffer.size()) {
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
    auto* job = reinterpret_cast<TTransferJob*>(context);
    if (!job)
        return;
    try {
        if (job->onStatus)
            job->onStatus(job->owner, status, StatusText(status));
        if (status == INTERNET_STATUS_REDIRECT && job->onRedirect && info)
            job->onRedirect(job->owner, AnsiString(static_cast<const char*>(info), strnlen(static_cast<const char*>(info), infoLength)));
    } catch (...) {
        // A handler's exception must not unwind through WinINet.
    }
}

} // namespace

void TTransferJob::Run()
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
    if (Terminated())
        return AbortCleanup();
    if (!cracked)
        return;
    if (LowerCaseAscii(parts.scheme) == "file") {
        OpenLocal(parts);
    } else {
        if (!OpenRequest(parts))
            return;
        if (Terminated())
            return AbortCleanup();
        if (!ReadHeaders())
            return;
    }
    Receive();
}

bool TTransferJob::OpenRequest(const TupURLParts& parts)
{
    static const DWORD accessTypes[] = {INTERNET_OPEN_TYPE_PRECONFIG, INTERNET_OPEN_TYPE_DIRECT, INTERNET_OPEN_TYPE_PROXY};
    const bool useProxy = proxy.AccessType == TupHTTPAccessType::atUseProxy;
    const AnsiString proxyText = proxy.ProxyServer + ":" + std::to_string(proxy.ProxyPort);
    {
        std::lock_guard<std::mutex> lock(handleLock);
        session = InternetOpenA(agent.c_str(), accessTypes[static_cast<int>(proxy.AccessType)],
                                useProxy ? proxyText.c_str() : nullptr,
                                useProxy && !proxy.ProxyBypass.empty() ? proxy.ProxyBypass.c_str() : nullptr,
                                workOffline ? INTERNET_FLAG_OFFLINE : 0);
        if (!session)
            return false;
        InternetSetStatusCallback(session, StatusCallback);
        // The proxy login goes on the new session (there is no earlier request to put it on).
        if (useProxy && !proxy.ProxyUsername.empty()) {
            InternetSetOptionA(session, INTERNET_OPTION_PROXY_USERNAME, const_cast<char*>(proxy.ProxyUsername.c_str()),
                               static_cast<DWORD>(proxy.ProxyUsername.size()));
            InternetSetOptionA(session, INTERNET_OPTION_PROXY_PASSWORD, const_cast<char*>(proxy.ProxyPassword.c_str()),
                               static_cast<DWORD>(proxy.ProxyPassword.size()));
        }
    }
    if (Terminated())
        return AbortCleanup(), false;
    {
        std::lock_guard<std::mutex> lock(handleLock);
        if (!session)
            return false; // cancelled
        connection = InternetConnectA(session, parts.host.c_str(), static_cast<INTERNET_PORT>(parts.port),
                                      user.empty() ? nullptr : user.c_str(), password.empty() ? nullptr : password.c_str(),
                                      INTERNET_SERVICE_HTTP, 0, reinterpret_cast<DWORD_PTR>(this));
        if (!connection)
            return false;
    }
    if (Terminated())
        return AbortCleanup(), false;
    const AnsiString object = parts.path + parts.extra;
    const char* accept[] = {acceptTypes.c_str(), nullptr};
    {
        std::lock_guard<std::mutex> lock(handleLock);
        if (!connection)
            return false;
        request = HttpOpenRequestA(connection, "GET", object.c_str(), nullptr,
                                   referrer.empty() ? nullptr : referrer.c_str(), accept,
                                   RequestFlags(parts.scheme, cache, internet), reinterpret_cast<DWORD_PTR>(this));
        if (!request)
            return false;
    }
    if (Terminated())
        return AbortCleanup(), false;
    HINTERNET req = Request();
    const std::pair<DWORD, std::uint32_t> limits[] = {{INTERNET_OPTION_CONNECT_TIMEOUT, timeouts.ConnectTimeout},
                                                      {INTERNET_OPTION_RECEIVE_TIMEOUT, timeouts.ReceiveTimeout},
                                                      {INTERNET_OPTION_SEND_TIMEOUT, timeouts.SendTimeout}};
    for (auto [option, value] : limits) {
        DWORD v = value;
        if (v != 0)
            InternetSetOptionA(req, option, &v, sizeof v);
    }
    if (!requestHeaders.empty() &&
        !HttpAddRequestHeadersA(req, requestHeaders.c_str(), static_cast<DWORD>(-1), HTTP_ADDREQ_FLAG_ADD))
        return false;
    return true;
}

bool TTransferJob::ReadHeaders()
{
    HINTERNET req = Request();
    for (;;) {
        if (Terminated())
            return AbortCleanup(), false;
        bool tryAgain = false;
        if (!HttpSendRequestA(req, nullptr, 0, nullptr, 0))
            return false;
        if (Terminated())
            return AbortCleanup(), false;
        statusCode = StrToIntDef(QueryText(req, HTTP_QUERY_STATUS_CODE), -1);
        if (statusCode == HTTP_STATUS_DENIED && wantsLogin) {
            const AnsiString realm = RealmOf(QueryText(req, HTTP_QUERY_WWW_AUTHENTICATE));
            Sync([&] {
                if (owner->OnLoginRequest)
                    owner->OnLoginRequest(owner, realm, tryAgain);
                user = owner->HTTPUsername();
                password = owner->HTTPPassword();
            });
            InternetSetOptionA(req, INTERNET_OPTION_USERNAME, const_cast<char*>(user.c_str()), static_cast<DWORD>(user.size()));
            InternetSetOptionA(req, INTERNET_OPTION_PASSWORD, const_cast<char*>(password.c_str()),
                               static_cast<DWORD>(password.size()));
        } else if (statusCode == HTTP_STATUS_PROXY_AUTH_REQ && wantsProxyLogin) {
            Sync([&] {
                if (owner->OnProxyAuthenticationRequest)
                    owner->OnProxyAuthenticationRequest(owner, owner->Proxy()->ProxyUsername, owner->Proxy()->ProxyPassword,
                                                        tryAgain);
                proxy.ProxyUsername = owner->Proxy()->ProxyUsername;
                proxy.ProxyPassword = owner->Proxy()->ProxyPassword;
            });
            InternetSetOptionA(req, INTERNET_OPTION_PROXY_USERNAME, const_cast<char*>(proxy.ProxyUsername.c_str()),
                               static_cast<DWORD>(proxy.ProxyUsername.size()));
            InternetSetOptionA(req, INTERNET_OPTION_PROXY_PASSWORD, const_cast<char*>(proxy.ProxyPassword.c_str()),
                               static_cast<DWORD>(proxy.ProxyPassword.size()));
        }
        if (!tryAgain)
            break;
    }
    if (Terminated())
        return AbortCleanup(), false;
    contentType = QueryText(req, HTTP_QUERY_CONTENT_TYPE);
    bool hasLength = false;
    fileSize = cl::StrToInt64Def(QueryText(req, HTTP_QUERY_CONTENT_LENGTH, hasLength), 0);
    bool hasRange = false;
    QueryText(req, HTTP_QUERY_CONTENT_RANGE, hasRange);
    if (!hasRange)
        startRange = 0;
    if (!wantsHeaders)
        return true;
    const AnsiString raw = QueryText(req, HTTP_QUERY_RAW_HEADERS_CRLF);
    const AnsiString language = QueryText(req, HTTP_QUERY_CONTENT_LANGUAGE);
    const AnsiString encoding = QueryText(req, HTTP_QUERY_CONTENT_ENCODING);
    const AnsiString location = QueryText(req, HTTP_QUERY_LOCATION);
    const AnsiString eTag = QueryText(req, HTTP_QUERY_ETAG);
    const TDateTime date = HTTPDateToDateTime(QueryText(req, HTTP_QUERY_DATE));
    const TDateTime lastModified = HTTPDateToDateTime(QueryText(req, HTTP_QUERY_LAST_MODIFIED));
    const TDateTime expires = HTTPDateToDateTime(QueryText(req, HTTP_QUERY_EXPIRES));
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
    GetFileSizeEx(localFile.get(), &size);
    fileSize = size.QuadPart;
}

void TTransferJob::Receive()
{
    if (Terminated())
        return AbortCleanup();
    const bool ok = statusCode == 200 || statusCode == 206;
    if (ok && !outputFileName.empty()) {
        try {
            stream = std::make_unique<TupFileStream>(outputFileName, true,
                                                     startRange ? TupFileMode::OpenAlways : TupFileMode::CreateAlways);
        } catch (const cl::EFCreateError&) {
            // Nothing can be written: a failed transfer, never a done one.
            readFailed = true;
            return;
        }
        if (incomplete != AttrSet(atrArchive))
            SetFileAttrs(outputFileName, incomplete);
        fileOpen = true;
    } else {
        auto memory = std::make_unique<cl::TMemoryStream>();
        if (fileSize > 0)
            memory->SetSize(fileSize), memory->SetPosition(0);
        stream = std::move(memory);
    }
    bytesRead = 0;
    std::vector<char> buffer(static_cast<std::size_t>(bufferSize > 0 ? bufferSize : 4096));
    for (;;) {
        if (Terminated())
            return AbortCleanup();
        DWORD count = 0;
        const BOOL read = localFile ? ReadFile(localFile.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &count, nullptr)
                                    : InternetReadFile(Request(), buffer.data(), static_cast<DWORD>(buffer.size()), &count);
        if (!read) {
            readFailed = true;
            break;
        }
        if (count == 0)
            break;
        bytesRead += count;
        try {
            stream->WriteBuffer(buffer.data(), count);
        } catch (const cl::EStreamError&) {
            readFailed = true; // disk full or the like: the file is not what was sent
            break;
        }
        if (wantsProgress) {
            UpdateStatistics();
            Sync([&] {
                owner->transferRate_ = transferRate;
                if (owner->OnTransferProgress)
                    owner->OnTransferProgress(owner, contentType, stream.get(), transferRate, percentDone, estimatedTimeLeft,
                                              elapsedTime, startRange + bytesRead, startRange + fileSize);
            });
        }
    }
    if (auto* memory = dynamic_cast<cl::TMemoryStream*>(stream.get()))
        if (memory->Size() > bytesRead)
            memory->SetSize(bytesRead); // a length announced but not delivered
    success = ok && !readFailed && (fileSize == 0 || fileSize == bytesRead);
}

void TTransferJob::UpdateStatistics()
{
    percentDone = PercentOf(static_cast<double>(startRange + bytesRead), static_cast<double>(startRange + fileSize));
    elapsedTime = static_cast<int>((GetTickCount64() - startTick) / 1000);
    estimatedTimeLeft = bytesRead ? static_cast<int>(std::nearbyint(static_cast<double>(fileSize) / bytesRead * elapsedTime)) -
                                        elapsedTime
                                  : 0;
    transferRate = static_cast<float>(bytesRead / 1024.0);
    if (elapsedTime != 0)
        transferRate /= static_cast<float>(elapsedTime);
}

void TTransferJob::AbortCleanup()
{
    aborted = true;
    CloseHandles();
    localFile.reset();
    stream.reset();
    if (fileOpen && deleteOnAbort)
        DeleteFileA(outputFileName.c_str());
    Sync([this] { owner->FinishStopped(*this); }); // skipped when the component is going
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
    // No event reaches this object any more; a worker still running keeps its own job.
    thread_->Shutdown();
    thread_.reset();
}

bool TupCustomHTTP::Read(std::uint32_t startRange, std::uint32_t endRange)
{
    if (busy_)
        return false;
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
    job->proxy = *proxy_;
    job->timeouts = *timeouts_;
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
    job_ = job;
    thread_->SetOnExecute([job](cl::TObject*) { job->Run(); });
    thread_->SetOnTerminate([this, job](cl::TObject*) { Complete(*job); });
    thread_->SetOnException([this](cl::TObject*) {
        if (OnFinished)
            OnFinished(this);
    });
    thread_->OnCancel = [job] { job->CloseHandles(); };
    return thread_->Execute();
}

void TupCustomHTTP::Abort(bool deleteFile, bool kill)
{
    if (!busy_ || !job_)
        return;
    const std::shared_ptr<TTransferJob> job = job_;
    job->deleteOnAbort = deleteFile;
    thread_->Stop(kill);
    if (kill)
        FinishStopped(*job); // at once, whether the worker has ended or was left to end
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

void TupCustomHTTP::Complete(TTransferJob& job)
{
    if (job.aborted || job.stoppedReported)
        return; // a stopped transfer has no outcome
    job.CloseHandles();
    job.localFile.reset();
    if (job.stream)
        job.stream->SetPosition(0);
    // Busy ends before the outcome events, so that a handler can start the next transfer.
    statusCode_ = job.statusCode;
    if (&job == job_.get())
        busy_ = reading_ = false;
    bool deleteOutput = false;
    if (job.canContinue) {
        if (job.success) {
            cl::TStream* handed = job.stream.get();
            if (job.fileOpen) {
                job.stream.reset();
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
            if (job.fileOpen)
                job.stream.reset(); // the partial file keeps its incomplete attributes
            if (job.statusCode == 200 || job.statusCode == 206) {
                if (OnConnectionLost)
                    OnConnectionLost(this, job.contentType, job.stream.get(), job.bytesRead, job.fileSize);
            } else if (job.statusCode == -1) {
                if (OnHostNotReached)
                    OnHostNotReached(this);
            } else {
                deleteOutput = job.fileOpen;
                if (OnHTTPError)
                    OnHTTPError(this, job.statusCode, job.stream.get());
            }
            if (OnFinished)
                OnFinished(this);
        }
    }
    job.stream.reset();
    if (deleteOutput)
        DeleteFileA(job.outputFileName.c_str());
    if (!job.canContinue && OnCanceled)
        OnCanceled(this);
}

} // namespace up
