// Start-up benchmark of the client, run under Wine in the build's prefix:
//   StartupBench.exe CLIENT.exe BARE.exe BROWSER.exe [runs]
// Measures, in turn, the time from process start to the first visible top-level window of
// the client, of a bare program that only shows a window, and of a program that shows a
// window hosting one web-browser control; prints the medians and the client's ratio to
// each baseline.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Search {
    DWORD pid;
    bool visible;
};

BOOL CALLBACK FindVisible(HWND wnd, LPARAM lp)
{
    auto* s = reinterpret_cast<Search*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(wnd, &pid);
    if (pid == s->pid && IsWindowVisible(wnd)) {
        s->visible = true;
        return FALSE;
    }
    return TRUE;
}

double Seconds(const LARGE_INTEGER& a, const LARGE_INTEGER& b, const LARGE_INTEGER& freq)
{
    return static_cast<double>(b.QuadPart - a.QuadPart) / static_cast<double>(freq.QuadPart);
}

// Starts the program, waits for its first visible window; returns the seconds it took
// (negative on failure) and leaves the process in pi.
double StartUntilVisible(const std::string& exe, PROCESS_INFORMATION& pi)
{
    LARGE_INTEGER freq, t0, t1;
    QueryPerformanceFrequency(&freq);
    std::string cmd = "\"" + exe + "\"";
    STARTUPINFOA si{sizeof si};
    QueryPerformanceCounter(&t0);
    if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return -1;
    for (;;) {
        Search s{pi.dwProcessId, false};
        EnumWindows(FindVisible, reinterpret_cast<LPARAM>(&s));
        QueryPerformanceCounter(&t1);
        if (s.visible) return Seconds(t0, t1, freq);
        if (Seconds(t0, t1, freq) > 60 || WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0) return -1;
        Sleep(1);
    }
}

void End(PROCESS_INFORMATION& pi)
{
    TerminateProcess(pi.hProcess, 0);
    WaitForSingleObject(pi.hProcess, 10000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    Sleep(200); // the single-instance mutex and the window classes go with the process
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: StartupBench CLIENT.exe BARE.exe BROWSER.exe [runs]\n");
        return 2;
    }
    const int runs = argc > 4 ? std::atoi(argv[4]) : 7;
    const int programs = 3;
    std::vector<double> times[programs];
    for (int i = 0; i < runs; ++i) {
        for (int which = 0; which < programs; ++which) {
            PROCESS_INFORMATION pi{};
            double t = StartUntilVisible(argv[1 + which], pi);
            if (t < 0) {
                std::fprintf(stderr, "%s: no visible window\n", argv[1 + which]);
                return 1;
            }
            times[which].push_back(t);
            End(pi);
        }
    }
    double client = Median(times[0]), bare = Median(times[1]), browser = Median(times[2]);
    std::printf("start to visible window, median of %d: client %.1f ms, bare window %.1f ms, "
                "window with a browser control %.1f ms\n",
                runs, client * 1000, bare * 1000, browser * 1000);
    std::printf("ratio to the bare window %.2f, ratio to the window with a browser control %.2f\n", client / bare,
                client / browser);
    return 0;
}
