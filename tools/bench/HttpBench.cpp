// Downloads one address through the upgrader's transfer component into a file, as the
// upgrader does (default buffer, a progress handler), and prints "<milliseconds> <bytes>
// <progress events>". With bare-first or bare-after it also reads the same answer, in the
// same process, by a bare loop of InternetReadFile calls of the transfer's buffer size on
// a request opened as the transfer opens it (nothing written, no events), before or after
// the transfer, and adds "<milliseconds> <bytes>" of that loop.
// Usage: upgrade_http_bench URL OUTPUT-FILE [BUFFER-SIZE [progress|noprogress [bare-first|bare-after]]]
#include "upgrade/HttpTransfer.h"

#include <wininet.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Internet {
    HINTERNET h;
    explicit Internet(HINTERNET handle) : h(handle) {}
    ~Internet()
    {
        if (h) InternetCloseHandle(h);
    }
    Internet(const Internet&) = delete;
    Internet& operator=(const Internet&) = delete;
};

// The bare read loop; returns false when the request fails.
bool BareRead(const up::TupCustomHTTP& http, int bufferSize, ULONGLONG& took, long long& bytes)
{
    const ULONGLONG start = GetTickCount64();
    up::TupURLParts parts;
    if (!up::CrackURL(http.URL, parts)) return false;
    Internet session(InternetOpenA(http.AgentText.c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!session.h) return false;
    Internet connection(InternetConnectA(session.h, parts.host.c_str(), static_cast<INTERNET_PORT>(parts.port), nullptr,
                                         nullptr, INTERNET_SERVICE_HTTP, 0, 0));
    if (!connection.h) return false;
    const char* accept[] = {http.AcceptTypes.c_str(), nullptr};
    const std::string object = parts.path + parts.extra;
    Internet request(HttpOpenRequestA(connection.h, "GET", object.c_str(), nullptr, nullptr, accept,
                                      up::RequestFlags(parts.scheme, http.CacheOptions, http.InternetOptions) |
                                          INTERNET_FLAG_NO_AUTO_REDIRECT,
                                      0));
    if (!request.h || !HttpSendRequestA(request.h, nullptr, 0, nullptr, 0)) return false;
    std::vector<char> buffer(static_cast<size_t>(bufferSize));
    bytes = 0;
    for (;;) {
        DWORD count = 0;
        if (!InternetReadFile(request.h, buffer.data(), static_cast<DWORD>(buffer.size()), &count)) return false;
        if (count == 0) break;
        bytes += count;
    }
    took = GetTickCount64() - start;
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: upgrade_http_bench URL OUTPUT-FILE [BUFFER-SIZE [progress|noprogress "
                             "[bare-first|bare-after]]]\n");
        return 2;
    }
    up::TupCustomHTTP http(nullptr);
    http.URL = argv[1];
    http.OutputFileName = argv[2];
    if (argc > 3)
        http.TransferBufferSize = std::atoi(argv[3]);
    const bool progressHandler = argc <= 4 || std::string(argv[4]) != "noprogress";
    const std::string bare = argc > 5 ? argv[5] : "";
    ULONGLONG bareTook = 0;
    long long bareBytes = 0;
    if (bare == "bare-first" && !BareRead(http, http.TransferBufferSize, bareTook, bareBytes)) {
        std::fprintf(stderr, "bare read failed (%lu)\n", GetLastError());
        return 1;
    }
    std::int64_t size = -1;
    long long progress = 0;
    if (progressHandler)
        http.OnTransferProgress = [&](cl::TObject*, const cl::AnsiString&, cl::TStream*, float, std::uint8_t, int, int,
                                  std::int64_t, std::int64_t) { ++progress; };
    http.OnDone = [&](cl::TObject*, const cl::AnsiString&, std::int64_t bytes, cl::TStream*) {
        size = bytes;
        PostQuitMessage(0);
    };
    http.OnFinished = [](cl::TObject*) { PostQuitMessage(1); };
    const ULONGLONG start = GetTickCount64();
    if (!http.Read())
        return 1;
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0)
        DispatchMessageA(&msg);
    const ULONGLONG took = GetTickCount64() - start;
    if (size < 0) {
        std::fprintf(stderr, "transfer failed (status %d)\n", http.StatusCode());
        return 1;
    }
    if (bare == "bare-after" && !BareRead(http, http.TransferBufferSize, bareTook, bareBytes)) {
        std::fprintf(stderr, "bare read failed (%lu)\n", GetLastError());
        return 1;
    }
    std::printf("%llu %lld %lld", took, static_cast<long long>(size), progress);
    if (!bare.empty()) std::printf(" %llu %lld", bareTook, bareBytes);
    std::printf("\n");
    return 0;
}
