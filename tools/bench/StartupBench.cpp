// Start-up benchmark, run under Wine in the build's prefix:
//   StartupBench RUNS CLASS PROGRAM.exe [CLASS BASELINE.exe...]
// Measures, in turn and RUNS times, the time from process start until the program's own
// window (the top-level window of the given class) is visible and painted; prints each
// median and the first program's ratio to each other one. tools/bench/startup.sh compares
// the client with a bare program that only shows a window and with a program that shows a
// window hosting one web-browser control.
//   StartupBench steps RUNS CLASS PROGRAM.exe STEPS-FILE [CLASS PROGRAM.exe STEPS-FILE...]
// Starts benchmark builds of the client (LudoraSteps.exe) in turn, RUNS times each, and
// prints for each where its start-up goes: for each step it notes, the median time since
// the step before and the median share of the whole start (process start to the painted
// window) that the step takes.
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
    const char* className;
    HWND found;
};

BOOL CALLBACK FindWindowOf(HWND wnd, LPARAM lp)
{
    auto* s = reinterpret_cast<Search*>(lp);
    DWORD pid = 0;
    char name[64];
    GetWindowThreadProcessId(wnd, &pid);
    if (pid == s->pid && GetClassNameA(wnd, name, sizeof name) && lstrcmpA(name, s->className) == 0) {
        s->found = wnd;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK ListWindowOf(HWND wnd, LPARAM pid)
{
    DWORD owner = 0;
    char name[64] = {};
    GetWindowThreadProcessId(wnd, &owner);
    GetClassNameA(wnd, name, sizeof name);
    if (owner == static_cast<DWORD>(pid)) std::fprintf(stderr, "  %s%s\n", name, IsWindowVisible(wnd) ? ", visible" : "");
    return TRUE;
}

// How far a program's window has come; painted is the same rule for every program: its
// window is visible, its thread has answered a sent message since, and no part of the
// window is left to paint.
enum class Stage { none, hidden, busy, unpainted, painted };
const char* const StageNames[] = {"no window of the class", "not visible", "no answer to a sent message",
                                  "an update region left", "painted"};

Stage WindowStage(DWORD pid, const char* className)
{
    Search s{pid, className, nullptr};
    EnumWindows(FindWindowOf, reinterpret_cast<LPARAM>(&s));
    if (!s.found) return Stage::none;
    if (!IsWindowVisible(s.found)) return Stage::hidden;
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutA(s.found, WM_NULL, 0, 0, SMTO_NORMAL, 1000, &answer)) return Stage::busy;
    return GetUpdateRect(s.found, nullptr, FALSE) ? Stage::unpainted : Stage::painted;
}

double Seconds(const LARGE_INTEGER& a, const LARGE_INTEGER& b, const LARGE_INTEGER& freq)
{
    return static_cast<double>(b.QuadPart - a.QuadPart) / static_cast<double>(freq.QuadPart);
}

// Starts the program, waits until its window of that class is painted; returns the seconds
// it took (negative on failure) and leaves the process in pi. With passStart, the counter
// value at the start goes to the program in LUDORA_STARTUP_T0.
double StartUntilPainted(const std::string& className, const std::string& exe, PROCESS_INFORMATION& pi,
                         bool passStart = false)
{
    LARGE_INTEGER freq, t0, t1;
    QueryPerformanceFrequency(&freq);
    std::string cmd = "\"" + exe + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    QueryPerformanceCounter(&t0);
    if (passStart) SetEnvironmentVariableA("LUDORA_STARTUP_T0", std::to_string(t0.QuadPart).c_str());
    if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return -1;
    Stage stage = Stage::none;
    for (;;) {
        stage = WindowStage(pi.dwProcessId, className.c_str());
        QueryPerformanceCounter(&t1);
        if (stage == Stage::painted) return Seconds(t0, t1, freq);
        // A loaded emulated machine can take minutes.
        if (Seconds(t0, t1, freq) > 150 || WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0) break;
        Sleep(1);
    }
    std::fprintf(stderr, "%s: %s after %.1f s; its top-level windows:\n", exe.c_str(),
                 StageNames[static_cast<int>(stage)], Seconds(t0, t1, freq));
    EnumWindows(ListWindowOf, static_cast<LPARAM>(pi.dwProcessId));
    return -1;
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
bool ReadSteps(const std::string& file, double paintedMs, Steps& steps)
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
        steps.emplace_back("until the window is seen painted",
                           paintedMs - (before - t0) * 1000.0 / static_cast<double>(freq));
        return true;
    }
    return false;
}

struct Profiled {
    std::string className, exe, file;
    std::vector<Steps> runs;
    std::vector<double> totals; // ms
};

// Runs every program once per round, in turn, so that each sees the same load.
int StepsMain(int rounds, std::vector<Profiled>& programs)
{
    for (int i = 0; i < rounds; ++i) {
        for (Profiled& p : programs) {
            SetEnvironmentVariableA("LUDORA_STARTUP_STEPS", p.file.c_str());
            DeleteFileA(p.file.c_str());
            PROCESS_INFORMATION pi{};
            const double t = StartUntilPainted(p.className, p.exe, pi, true);
            Steps steps;
            if (t < 0 || !ReadSteps(p.file, t * 1000, steps)) {
                std::fprintf(stderr, "%s: no painted window or no steps\n", p.exe.c_str());
                if (t >= 0) End(pi);
                return 1;
            }
            End(pi);
            if (!p.runs.empty() && (steps.size() != p.runs[0].size() ||
                                    !std::equal(steps.begin(), steps.end(), p.runs[0].begin(),
                                                [](const auto& a, const auto& b) { return a.first == b.first; }))) {
                std::fprintf(stderr, "%s: run %d noted other steps than the first; left out\n", p.exe.c_str(), i + 1);
                continue;
            }
            p.runs.push_back(std::move(steps));
            p.totals.push_back(t * 1000);
        }
    }
    for (const Profiled& p : programs) {
        std::printf("%s\nstart to painted window, median of %zu runs: %.1f ms\n", p.exe.c_str(), p.totals.size(),
                    Median(p.totals));
        std::printf("| step (time since the step before) | median ms | median share |\n|---|---:|---:|\n");
        for (size_t s = 0; s < p.runs[0].size(); ++s) {
            std::vector<double> ms, share;
            for (size_t r = 0; r < p.runs.size(); ++r) {
                ms.push_back(p.runs[r][s].second);
                share.push_back(p.runs[r][s].second / p.totals[r]);
            }
            std::printf("| %s | %.1f | %.1f %% |\n", p.runs[0][s].first.c_str(), Median(ms), Median(share) * 100);
        }
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 6 && (argc - 3) % 3 == 0 && std::string(argv[1]) == "steps") {
        const int runs = std::atoi(argv[2]);
        std::vector<Profiled> programs;
        for (int a = 3; a + 2 < argc; a += 3) programs.push_back({argv[a], argv[a + 1], argv[a + 2], {}, {}});
        return runs > 0 ? StepsMain(runs, programs) : 2;
    }
    const int runs = argc > 1 ? std::atoi(argv[1]) : 0;
    if (argc < 4 || (argc - 2) % 2 != 0 || runs < 1) {
        std::fprintf(stderr, "usage: StartupBench RUNS CLASS PROGRAM.exe [CLASS BASELINE.exe...]\n"
                             "       StartupBench steps RUNS CLASS PROGRAM.exe STEPS-FILE [...]\n");
        return 2;
    }
    const int programs = (argc - 2) / 2;
    std::vector<std::vector<double>> times(programs);
    for (int i = 0; i < runs; ++i) {
        for (int which = 0; which < programs; ++which) {
            const char* className = argv[2 + 2 * which];
            const char* exe = argv[3 + 2 * which];
            PROCESS_INFORMATION pi{};
            const double t = StartUntilPainted(className, exe, pi);
            if (t < 0) {
                std::fprintf(stderr, "%s: no painted window of class %s\n", exe, className);
                return 1;
            }
            times[which].push_back(t);
            End(pi);
        }
    }
    const double first = Median(times[0]);
    for (int which = 0; which < programs; ++which) {
        const double m = Median(times[which]);
        std::printf("start to painted window, median of %d: %.1f ms %s", runs, m * 1000, argv[3 + 2 * which]);
        if (which > 0) std::printf(" (ratio of the first to it %.2f)", first / m);
        std::printf("\n");
    }
    return 0;
}
