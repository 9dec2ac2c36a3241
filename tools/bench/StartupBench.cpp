// Start-up benchmark, run under Wine in the build's prefix:
//   StartupBench RUNS PROGRAM.exe [BASELINE.exe...]
// Measures, in turn and RUNS times, the time from process start to the first visible
// top-level window of each program; prints each median and the first program's ratio to
// each baseline. tools/bench/startup.sh compares the client with a bare program that only
// shows a window and with a program that shows a window hosting one web-browser control.
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
    STARTUPINFOA si{};
    si.cb = sizeof si;
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
    const int runs = argc > 1 ? std::atoi(argv[1]) : 0;
    if (argc < 3 || runs < 1) {
        std::fprintf(stderr, "usage: StartupBench RUNS PROGRAM.exe [BASELINE.exe...]\n");
        return 2;
    }
    const int programs = argc - 2;
    std::vector<std::vector<double>> times(programs);
    for (int i = 0; i < runs; ++i) {
        for (int which = 0; which < programs; ++which) {
            PROCESS_INFORMATION pi{};
            double t = StartUntilVisible(argv[2 + which], pi);
            if (t < 0) {
                std::fprintf(stderr, "%s: no visible window\n", argv[2 + which]);
                return 1;
            }
            times[which].push_back(t);
            End(pi);
        }
    }
    const double first = Median(times[0]);
    for (int which = 0; which < programs; ++which) {
        const double m = Median(times[which]);
        std::printf("start to visible window, median of %d: %.1f ms %s", runs, m * 1000, argv[2 + which]);
        if (which > 0) std::printf(" (ratio of the first to it %.2f)", first / m);
        std::printf("\n");
    }
    return 0;
}
