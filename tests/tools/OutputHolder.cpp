// Stands in for a process Wine starts on a program's behalf and that outlives it (the
// desktop's explorer): "hold" starts a copy of itself that inherits the output and waits,
// prints a line and ends; "release" lets the copy end. "quiet" and "passed", given a
// GoogleTest filter, end with status 0 as a faulted case and a passed case would.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
const char* const ReleaseEvent = "LudoraOutputHolderRelease";

int Hold()
{
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE release = CreateEventA(&inherit, TRUE, FALSE, ReleaseEvent);
    if (!release) return 2;
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    char line[MAX_PATH + 32];
    std::snprintf(line, sizeof line, "\"%s\" child %lu", self, static_cast<unsigned long>(HandleToUlong(release)));
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    // No handles named: the copy gets this program's output as Wine's own starts do.
    if (!CreateProcessA(nullptr, line, nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) return 3;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    std::printf("holder started\n");
    std::fflush(stdout);
    CloseHandle(release); // the copy's inherited handle keeps the event
    return 0;
}

int Child(const char* handle)
{
    HANDLE release = ULongToHandle(std::strtoul(handle, nullptr, 10));
    // Bounded, so that a failed run leaves nothing behind for long.
    WaitForSingleObject(release, 120000);
    CloseHandle(release);
    return 0;
}

int Release()
{
    HANDLE release = OpenEventA(EVENT_MODIFY_STATE, FALSE, ReleaseEvent);
    if (!release) return 1;
    SetEvent(release);
    CloseHandle(release);
    return 0;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], "hold") == 0) return Hold();
    if (argc == 3 && std::strcmp(argv[1], "child") == 0) return Child(argv[2]);
    if (argc == 2 && std::strcmp(argv[1], "release") == 0) return Release();
    if (argc == 3 && std::strcmp(argv[1], "quiet") == 0) return 0;
    if (argc == 3 && std::strcmp(argv[1], "passed") == 0) {
        std::printf("[==========] 1 test from 1 test suite ran. (0 ms total)\n[  PASSED  ] 1 test.\n");
        return 0;
    }
    return 64;
}
