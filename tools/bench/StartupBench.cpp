// Start-up and idle benchmark of the client, run under Wine in the build's prefix:
//   StartupBench.exe CLIENT.exe BARE.exe [runs]
// Measures, alternately, the time from process start to the first visible top-level
// window of the client and of a bare program that only shows a window, and prints both
// medians and their ratio.
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
    if (argc < 3) {
        std::fprintf(stderr, "usage: StartupBench CLIENT.exe BARE.exe [runs]\n");
        return 2;
    }
    const int runs = argc > 3 ? std::atoi(argv[3]) : 7;
    std::vector<double> client, bare;
    for (int i = 0; i < runs; ++i) {
        for (int which = 0; which < 2; ++which) {
            PROCESS_INFORMATION pi{};
            double t = StartUntilVisible(which == 0 ? argv[1] : argv[2], pi);
            if (t < 0) {
                std::fprintf(stderr, "%s: no visible window\n", which == 0 ? argv[1] : argv[2]);
                return 1;
            }
            (which == 0 ? client : bare).push_back(t);
            End(pi);
        }
    }
    double mc = Median(client), mb = Median(bare);
    std::printf("start to visible window, median of %d: client %.1f ms, bare window %.1f ms, ratio %.2f\n", runs,
                mc * 1000, mb * 1000, mc / mb);

    return 0;
}
