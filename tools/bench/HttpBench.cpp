// Downloads one address through the upgrader's transfer component into a file, as the
// upgrader does (default buffer, a progress handler), and prints "<milliseconds> <bytes>
// <progress events>".
// Usage: upgrade_http_bench URL OUTPUT-FILE [BUFFER-SIZE [noprogress]]
#include "upgrade/HttpTransfer.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: upgrade_http_bench URL OUTPUT-FILE [BUFFER-SIZE [noprogress]]\n");
        return 2;
    }
    up::TupCustomHTTP http(nullptr);
    http.URL = argv[1];
    http.OutputFileName = argv[2];
    if (argc > 3)
        http.TransferBufferSize = std::atoi(argv[3]);
    std::int64_t size = -1;
    long long progress = 0;
    if (argc <= 4)
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
    std::printf("%llu %lld %lld\n", took, static_cast<long long>(size), progress);
    return 0;
}
