// The recorder of the start-up steps, linked only into the benchmark build LudoraSteps.exe.
// Each step is a name and the performance counter; once the main window is shown and every
// window of the thread has painted they go to the file named by LUDORA_STARTUP_STEPS, after a first line with the counter value the
// starting program put into LUDORA_STARTUP_T0 (taken just before CreateProcess; the counter
// is the same in every process of the machine). StartupBench's "steps" mode reads them.
#include "classlib/StartupSteps.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace {

struct Note {
    const char* name;
    char detail[48];
    LONGLONG at;
};

Note notes[512];
int count = 0;
bool written = false;

// The first of the program's own unit initialisations.
struct FirstUnit {
    FirstUnit() { cl::StartupStep("first unit initialisation"); }
};
FirstUnit firstUnit __attribute__((init_priority(101)));

} // namespace

void cl::StartupStep(const char* name, const char* detail)
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    if (written || count == static_cast<int>(sizeof notes / sizeof notes[0])) return;
    Note& n = notes[count++];
    n.name = name;
    lstrcpynA(n.detail, detail ? detail : "", sizeof n.detail);
    n.at = now.QuadPart;
}

namespace {

void WriteSteps()
{
    const char* path = std::getenv("LUDORA_STARTUP_STEPS");
    const char* t0 = std::getenv("LUDORA_STARTUP_T0");
    if (!path || !t0) return;
    FILE* out = std::fopen(path, "w");
    if (!out) return;
    LARGE_INTEGER freq;
    QueryPerformanceFrequency(&freq);
    std::fprintf(out, "%s %lld\n", t0, static_cast<long long>(freq.QuadPart));
    for (int i = 0; i < count; ++i)
        std::fprintf(out, "%lld\t%s%s%s\n", static_cast<long long>(notes[i].at), notes[i].name,
                     notes[i].detail[0] ? " " : "", notes[i].detail);
    std::fprintf(out, "end\n");
    std::fclose(out);
}

// A timer message comes only once no posted message and no paint is due in the thread:
// the work posted at the show has run and every window, the panes' included, has painted.
void CALLBACK AfterPaints(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    cl::StartupStep("posted work run, windows painted");
    written = true;
    WriteSteps();
}

} // namespace

void cl::StartupStepsDone()
{
    static bool waiting = false;
    if (written || waiting) return;
    waiting = true;
    if (!SetTimer(nullptr, 0, USER_TIMER_MINIMUM, AfterPaints)) {
        written = true;
        WriteSteps();
    }
}
