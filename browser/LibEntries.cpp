// On-demand library entry points.
#include "browser/LibEntries.h"

#include "classlib/WinHandle.h"

namespace browser {

namespace {

// Loads a library of the system folder (never one beside the program) without the
// platform's "file not found" box.
HMODULE LoadSystemLibrary(const char* name)
{
    char dir[MAX_PATH];
    UINT n = GetSystemDirectoryA(dir, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return nullptr;
    cl::AnsiString path = cl::AnsiString(dir, n) + "\\" + name;
    UINT oldMode = SetErrorMode(SEM_NOOPENFILEERRORBOX);
    HMODULE module = LoadLibraryA(path.c_str());
    SetErrorMode(oldMode);
    return reinterpret_cast<UINT_PTR>(module) <= 32 ? nullptr : module;
}

cl::ModuleHandle htmlHelpModule;

} // namespace

HMODULE GetHtmlHelpModule()
{
    if (!htmlHelpModule) htmlHelpModule.reset(LoadSystemLibrary("hhctrl.ocx"));
    return htmlHelpModule.get();
}

HWND CallHtmlHelp(HWND window, const cl::AnsiString& file, UINT command, DWORD_PTR data)
{
    using HtmlHelpProc = HWND(WINAPI*)(HWND, LPCSTR, UINT, DWORD_PTR);
    HMODULE module = GetHtmlHelpModule();
    if (!module) return nullptr;
    auto entry = reinterpret_cast<HtmlHelpProc>(reinterpret_cast<void*>(GetProcAddress(module, "HtmlHelpA")));
    return entry ? entry(window, file.c_str(), command, data) : nullptr;
}

} // namespace browser
