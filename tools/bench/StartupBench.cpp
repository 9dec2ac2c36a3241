// Start-up benchmark, run under Wine in the build's prefix:
//   StartupBench RUNS PROGRAM.exe [BASELINE.exe...]
// Measures, in turn and RUNS times, the time from process start to the first visible
// top-level window of each program; prints each median and the first program's ratio to
// each baseline. tools/bench/startup.sh compares the client with a bare program that only
// shows a window and with a program that shows a window hosting one web-browser control.
//   StartupBench steps RUNS PROGRAM.exe STEPS-FILE
// Starts the benchmark build of the client (LudoraSteps.exe) RUNS times and prints where
// its start-up goes: for each step it notes, the median time since the step before and the
// median share of the whole start (process start to visible window) that the step takes.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
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
// (negative on failure) and leaves the process in pi. With passStart, the counter value
// at the start goes to the program in LUDORA_STARTUP_T0.
double StartUntilVisible(const std::string& exe, PROCESS_INFORMATION& pi, bool passStart = false)
{
    LARGE_INTEGER freq, t0, t1;
    QueryPerformanceFrequency(&freq);
    std::string cmd = "\"" + exe + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    QueryPerformanceCounter(&t0);
    if (passStart) SetEnvironmentVariableA("LUDORA_STARTUP_T0", std::to_string(t0.QuadPart).c_str());
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

using Steps = std::vector<std::pair<std::string, double>>; // name, milliseconds since the step before

// Reads the steps file once the program has written it all (its last line is "end"); the
// first line holds the counter at the start and the counter's frequency.
bool ReadSteps(const std::string& file, double visibleMs, Steps& steps)
{
    for (int wait = 0; wait < 6000; ++wait, Sleep(10)) {
        std::ifstream in(file);
        std::string line;
        std::vector<std::string> lines;
        while (std::getline(in, line)) lines.push_back(line);
        if (lines.empty() || lines.back() != "end") continue;
        std::istringstream head(lines[0]);
        long long t0 = 0, freq = 0;
        head >> t0 >> freq;
        if (freq <= 0) return false;
        steps.clear();
        long long before = t0;
        for (size_t i = 1; i + 1 < lines.size(); ++i) {
            const size_t tab = lines[i].find('\t');
            const long long at = std::atoll(lines[i].substr(0, tab).c_str());
            steps.emplace_back(lines[i].substr(tab + 1), (at - before) * 1000.0 / static_cast<double>(freq));
            before = at;
        }
        steps.emplace_back("until the window is seen visible",
                           visibleMs - (before - t0) * 1000.0 / static_cast<double>(freq));
        return true;
    }
    return false;
}

int StepsMain(int runs, const std::string& exe, const std::string& file)
{
    SetEnvironmentVariableA("LUDORA_STARTUP_STEPS", file.c_str());
    std::vector<Steps> all;
    std::vector<double> totals;
    for (int i = 0; i < runs; ++i) {
        DeleteFileA(file.c_str());
        PROCESS_INFORMATION pi{};
        const double t = StartUntilVisible(exe, pi, true);
        Steps steps;
        if (t < 0 || !ReadSteps(file, t * 1000, steps)) {
            std::fprintf(stderr, "%s: no visible window or no steps\n", exe.c_str());
            if (t >= 0) End(pi);
            return 1;
        }
        End(pi);
        if (!all.empty() && (steps.size() != all[0].size() ||
                             !std::equal(steps.begin(), steps.end(), all[0].begin(),
                                         [](const auto& a, const auto& b) { return a.first == b.first; }))) {
            std::fprintf(stderr, "run %d noted other steps than the first; left out\n", i + 1);
            continue;
        }
        all.push_back(std::move(steps));
        totals.push_back(t * 1000);
    }
    const double total = Median(totals);
    std::printf("start to visible window, median of %zu runs: %.1f ms\n", totals.size(), total);
    std::printf("| step (time since the step before) | median ms | median share |\n|---|---:|---:|\n");
    for (size_t s = 0; s < all[0].size(); ++s) {
        std::vector<double> ms, share;
        for (size_t r = 0; r < all.size(); ++r) {
            ms.push_back(all[r][s].second);
            share.push_back(all[r][s].second / totals[r]);
        }
        std::printf("| %s | %.1f | %.1f %% |\n", all[0][s].first.c_str(), Median(ms), Median(share) * 100);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 5 && std::string(argv[1]) == "steps") {
        const int runs = std::atoi(argv[2]);
        return runs > 0 ? StepsMain(runs, argv[3], argv[4]) : 2;
    }
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
