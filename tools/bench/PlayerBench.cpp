// Player benchmark (not a test): PlayerBench <Tessel.dll>. Times the movie copy of a 64 MB
// cache entry against a plain file copy of the same file, the time from ShowForm's call to
// a visible player window, and the handle count and private bytes around 100 player
// windows opened and closed.
#include "player/Tessel.h"
#include "shell/MovieCopy.h"
#include "shell/UnConst.h"

#include <windows.h>
#include <psapi.h>
#include <wininet.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

double Now()
{
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) / static_cast<double>(f.QuadPart);
}

void Pump()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

struct Usage {
    DWORD handles = 0;
    SIZE_T privateBytes = 0;
};

Usage Measure()
{
    Usage u;
    GetProcessHandleCount(GetCurrentProcess(), &u.handles);
    PROCESS_MEMORY_COUNTERS_EX pmc{};
    pmc.cb = sizeof pmc;
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof pmc);
    u.privateBytes = pmc.PrivateUsage;
    return u;
}

BOOL CALLBACK CloseVisiblePlayer(HWND w, LPARAM)
{
    char name[32] = "";
    GetClassNameA(w, name, sizeof name);
    if (std::string(name) == "TPlayForm" && IsWindowVisible(w)) SendMessageA(w, WM_CLOSE, 0, 0);
    return TRUE;
}

void MovieCopy()
{
    const std::string url = "http://127.0.0.1:9/bench-" + std::to_string(GetCurrentProcessId()) + "/movie.swf";
    char local[MAX_PATH] = "";
    if (!CreateUrlCacheEntryA(url.c_str(), 0, "swf", local, 0)) return (void)std::printf("no URL cache\n");
    {
        std::vector<char> block(1 << 20, 'F');
        HANDLE f = CreateFileA(local, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD n;
        for (int i = 0; i < 64; ++i) WriteFile(f, block.data(), static_cast<DWORD>(block.size()), &n, nullptr);
        CloseHandle(f);
    }
    FILETIME none{};
    CommitUrlCacheEntryA(url.c_str(), local, none, none, NORMAL_CACHE_ENTRY, nullptr, 0, nullptr, nullptr);
    CreateDirectoryA((AppPath + "Data").c_str(), nullptr);
    CreateDirectoryA((AppPath + "Data\\swf").c_str(), nullptr);
    const std::string plain = AppPath + "Data\\swf\\plain-copy.swf";
    double t0 = Now();
    CopyFileA(local, plain.c_str(), FALSE);
    double plainTime = Now() - t0;
    t0 = Now();
    GetSwfThread(url.substr(7));
    double movieTime = Now() - t0;
    std::printf("movie copy of 64 MB: %.3f s, plain copy %.3f s, speed ratio %.2f\n", movieTime, plainTime,
                plainTime / movieTime);
    DeleteFileA(plain.c_str());
    DeleteFileA((AppPath + "Data\\swf\\movie.swf").c_str());
    DeleteUrlCacheEntryA(url.c_str());
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) return std::printf("usage: PlayerBench <Tessel.dll>\n"), 2;
    OleInitialize(nullptr);
    MovieCopy();
    HMODULE lib = LoadLibraryA(argv[1]);
    auto showForm = lib ? reinterpret_cast<TShowFormProc>(reinterpret_cast<void*>(GetProcAddress(lib, "ShowForm")))
                        : nullptr;
    if (!showForm) return std::printf("no ShowForm in %s\n", argv[1]), 1;
    double t0 = Now();
    showForm(nullptr, nullptr); // the first call also starts the library's units
    std::printf("ShowForm to a visible window: first %.1f ms", (Now() - t0) * 1000);
    t0 = Now();
    showForm(nullptr, nullptr);
    std::printf(", second %.1f ms\n", (Now() - t0) * 1000);
    EnumThreadWindows(GetCurrentThreadId(), CloseVisiblePlayer, 0);
    Pump();
    const Usage before = Measure();
    for (int i = 0; i < 100; ++i) {
        showForm(nullptr, nullptr);
        Pump();
        EnumThreadWindows(GetCurrentThreadId(), CloseVisiblePlayer, 0);
        Pump();
    }
    const Usage after = Measure();
    std::printf("100 player windows opened and closed: handles %lu -> %lu, private bytes %lu KB -> %lu KB\n",
                before.handles, after.handles, static_cast<unsigned long>(before.privateBytes / 1024),
                static_cast<unsigned long>(after.privateBytes / 1024));
    return 0;
}
