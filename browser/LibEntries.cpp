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

HMODULE Kept(cl::ModuleHandle& module, const char* name)
{
    if (!module) module.reset(LoadSystemLibrary(name));
    return module.get();
}

cl::ModuleHandle shellModule;
cl::ModuleHandle htmlHelpModule;
cl::ModuleHandle comCtlModule;

// The entry named by name (or by ordinal, through MAKEINTRESOURCE) of module, as type F.
template <class F> F Entry(HMODULE module, const char* name)
{
    if (!module) return nullptr;
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

const char* Ordinal(WORD n) { return MAKEINTRESOURCEA(n); }

} // namespace

HMODULE GetShellModule() { return Kept(shellModule, "shell32.dll"); }
HMODULE GetHtmlHelpModule() { return Kept(htmlHelpModule, "hhctrl.ocx"); }
HMODULE GetComCtlModule() { return Kept(comCtlModule, "comctl32.dll"); }

HWND CallHtmlHelp(HWND window, const cl::AnsiString& file, UINT command, DWORD_PTR data)
{
    auto entry = Entry<HWND(WINAPI*)(HWND, LPCSTR, UINT, DWORD_PTR)>(GetHtmlHelpModule(), "HtmlHelpA");
    return entry ? entry(window, file.c_str(), command, data) : nullptr;
}

BOOL ComCtlFree(void* block)
{
    auto entry = Entry<BOOL(WINAPI*)(void*)>(GetComCtlModule(), Ordinal(73));
    return entry ? entry(block) : FALSE;
}

void* ShellLockShared(HANDLE shared, DWORD processId)
{
    auto entry = Entry<void*(WINAPI*)(HANDLE, DWORD)>(GetShellModule(), Ordinal(521));
    return entry ? entry(shared, processId) : nullptr;
}

BOOL ShellUnlockShared(void* block)
{
    auto entry = Entry<BOOL(WINAPI*)(void*)>(GetShellModule(), Ordinal(522));
    return entry ? entry(block) : FALSE;
}

BOOL ShellFreeShared(HANDLE shared, DWORD processId)
{
    auto entry = Entry<BOOL(WINAPI*)(HANDLE, DWORD)>(GetShellModule(), Ordinal(523));
    return entry ? entry(shared, processId) : FALSE;
}

} // namespace browser
