// Stands in for the program and for a setup program in the hand-over tests: removes the
// helper's file beside it as the program does at its start ("Radirazo3.exe", once the
// helper that started it has ended), then writes the command line after its own path to
// "<its own path>.args" and ends.
#include "upgrade/HelperCleanup.h"

#include <windows.h>

#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    std::string line = GetCommandLineA();
    std::size_t i = 0;
    if (!line.empty() && line[0] == '"')
        i = line.find('"', 1);
    else
        i = line.find(' ');
    line = i == std::string::npos ? std::string() : line.substr(i + 1);
    while (!line.empty() && line[0] == ' ')
        line.erase(0, 1);
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    const std::string me(self);
    const cl::KernelHandle removal = up::RemoveHelperFile(me.substr(0, me.rfind('\\') + 1) + "Radirazo3.exe");
    if (removal)
        WaitForSingleObject(removal.get(), 30000);
    HANDLE out = CreateFileA((me + ".args").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (out == INVALID_HANDLE_VALUE)
        return 1;
    DWORD written = 0;
    WriteFile(out, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(out);
    return 0;
}
