// Player benchmark (not a test); tools/bench/player.sh runs its modes in this order:
//   PlayerBench entry              puts a 64 MB movie into the URL cache, prints its file
//   PlayerBench movie RUNS         times the movie copy of that entry and a plain CopyFileA
//                                  of the same file, RUNS times each, taking turns to go
//                                  first; then drops the entry
//   PlayerBench play TESSEL.dll    times a first and a second Play (load the library by
//                                  name, ShowForm) to a visible player window
//   PlayerBench windows TESSEL.dll N
//                                  handles and private bytes around N player windows
//                                  opened and closed (closing hides a player window and
//                                  frees it soon after), and the player windows left
#include "ProcessUsage.h"
#include "player/Tessel.h"
#include "shell/MovieCopy.h"
#include "shell/UnConst.h"

#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

const char* const kMovieUrl = "http://127.0.0.1:9/ludora-bench/movie.swf";
const char* const kMovieSearch = "127.0.0.1:9/ludora-bench/movie.swf";
constexpr int kMovieMiB = 64;

double Now()
{
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) / static_cast<double>(f.QuadPart);
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

void Pump()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

bool IsPlayer(HWND w)
{
    char name[32] = "";
    GetClassNameA(w, name, sizeof name);
    return std::string(name) == "TPlayForm";
}

struct PlayerCount {
    bool visibleOnly;
    int count;
};

BOOL CALLBACK CountPlayers(HWND w, LPARAM lp)
{
    auto* c = reinterpret_cast<PlayerCount*>(lp);
    if (IsPlayer(w) && (!c->visibleOnly || IsWindowVisible(w))) ++c->count;
    return TRUE;
}

int Players(bool visibleOnly)
{
    PlayerCount c{visibleOnly, 0};
    EnumThreadWindows(GetCurrentThreadId(), CountPlayers, reinterpret_cast<LPARAM>(&c));
    return c.count;
}

int VisiblePlayers() { return Players(true); }

struct Usage {
    DWORD handles = 0;
    SIZE_T privateBytes = 0;
    int players = 0;
};

Usage Measure()
{
    return Usage{bench::HandleCount(), bench::PrivateBytes(), Players(false)};
}

BOOL CALLBACK CloseVisiblePlayer(HWND w, LPARAM)
{
    if (IsPlayer(w) && IsWindowVisible(w)) SendMessageA(w, WM_CLOSE, 0, 0);
    return TRUE;
}

int MakeEntry()
{
    char local[MAX_PATH] = "";
    if (!CreateUrlCacheEntryA(kMovieUrl, 0, "swf", local, 0)) return std::printf("no URL cache\n"), 1;
    std::vector<char> block(1 << 20, 'F');
    HANDLE f = CreateFileA(local, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return std::printf("cannot write %s\n", local), 1;
    DWORD n;
    for (int i = 0; i < kMovieMiB; ++i) WriteFile(f, block.data(), static_cast<DWORD>(block.size()), &n, nullptr);
    CloseHandle(f);
    FILETIME none{};
    if (!CommitUrlCacheEntryA(kMovieUrl, local, none, none, NORMAL_CACHE_ENTRY, nullptr, 0, nullptr, nullptr))
        return std::printf("cannot commit the cache entry\n"), 1;
    std::printf("%s\n", local);
    return 0;
}

int MovieCopy(int runs)
{
    DWORD size = 0;
    GetUrlCacheEntryInfoA(kMovieUrl, nullptr, &size);
    std::vector<DWORD> buffer(size / sizeof(DWORD) + 1);
    auto* info = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(buffer.data());
    if (!size || !GetUrlCacheEntryInfoA(kMovieUrl, info, &size)) return std::printf("no cache entry\n"), 1;
    const std::string local = info->lpszLocalFileName;
    CreateDirectoryA((AppPath + "Data").c_str(), nullptr);
    CreateDirectoryA((AppPath + "Data\\swf").c_str(), nullptr);
    const std::string plain = AppPath + "Data\\swf\\plain-copy.swf";
    const std::string movie = AppPath + "Data\\swf\\movie.swf";
    std::vector<double> plainTimes, movieTimes;
    for (int i = 0; i < runs; ++i) {
        // Each goes first in every other run, so that neither gains from the other's reads.
        for (int turn = 0; turn < 2; ++turn) {
            const double t0 = Now();
            if ((turn + i) % 2 == 0) {
                CopyFileA(local.c_str(), plain.c_str(), FALSE);
                plainTimes.push_back(Now() - t0);
            } else {
                GetSwfThread(kMovieSearch);
                movieTimes.push_back(Now() - t0);
            }
        }
        WIN32_FILE_ATTRIBUTE_DATA a{};
        if (!GetFileAttributesExA(movie.c_str(), GetFileExInfoStandard, &a) ||
            a.nFileSizeLow != static_cast<DWORD>(kMovieMiB) << 20)
            return std::printf("the movie copy did not write %s\n", movie.c_str()), 1;
    }
    std::printf("movie copy of %d MB: median %.3f s, CopyFileA of the same file %.3f s (%d runs each)\n", kMovieMiB,
                Median(movieTimes), Median(plainTimes), runs);
    DeleteFileA(plain.c_str());
    DeleteFileA(movie.c_str());
    DeleteUrlCacheEntryA(kMovieUrl);
    return 0;
}

// Play as the program does it, timed until the window is visible.
double TimedPlay(const char* library)
{
    const int before = VisiblePlayers();
    const double t0 = Now();
    HMODULE lib = LoadLibraryA(library);
    auto showForm = lib ? reinterpret_cast<TShowFormProc>(reinterpret_cast<void*>(GetProcAddress(lib, "ShowForm")))
                        : nullptr;
    if (!showForm) return -1;
    showForm(nullptr, nullptr);
    while (VisiblePlayers() == before) {
        if (Now() - t0 > 60) return -1;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        Pump();
    }
    return Now() - t0;
}

int Play(const char* library)
{
    const double first = TimedPlay(library); // the first also starts the library's units
    const double second = TimedPlay(library);
    if (first < 0 || second < 0) return std::printf("no player window from %s\n", library), 1;
    std::printf("play to a visible window: first %.1f ms, second %.1f ms\n", first * 1000, second * 1000);
    return 0;
}

int Windows(const char* library, int count)
{
    HMODULE lib = LoadLibraryA(library);
    auto showForm = lib ? reinterpret_cast<TShowFormProc>(reinterpret_cast<void*>(GetProcAddress(lib, "ShowForm")))
                        : nullptr;
    if (!showForm) return std::printf("no ShowForm in %s\n", library), 1;
    // One window first, so that the library's units and caches are started before counting.
    showForm(nullptr, nullptr);
    Pump();
    EnumThreadWindows(GetCurrentThreadId(), CloseVisiblePlayer, 0);
    Pump();
    const Usage before = Measure();
    const double t0 = Now();
    for (int i = 0; i < count; ++i) {
        showForm(nullptr, nullptr);
        Pump();
        EnumThreadWindows(GetCurrentThreadId(), CloseVisiblePlayer, 0);
        Pump();
    }
    const Usage after = Measure();
    std::printf("%d player windows opened and closed in %.1f s: handles %lu -> %lu, private bytes %lu KB -> %lu KB, "
                "player windows in existence %d -> %d\n",
                count, Now() - t0, before.handles, after.handles,
                static_cast<unsigned long>(before.privateBytes / 1024),
                static_cast<unsigned long>(after.privateBytes / 1024), before.players, after.players);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "entry") return MakeEntry();
    if (mode == "movie" && argc > 2) return MovieCopy(std::max(1, std::atoi(argv[2])));
    if (mode == "play" && argc > 2) {
        OleInitialize(nullptr);
        return Play(argv[2]);
    }
    if (mode == "windows" && argc > 3) {
        OleInitialize(nullptr);
        return Windows(argv[2], std::max(1, std::atoi(argv[3])));
    }
    std::printf("usage: PlayerBench entry | movie RUNS | play TESSEL.dll | windows TESSEL.dll N\n");
    return 2;
}
