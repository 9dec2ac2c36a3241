// Entry points of platform libraries the program does not import, loaded on first use from
// the system folder and kept until the program ends. Each call looks its entry up again; a
// missing library or entry makes the call a no-op answering 0.
#pragma once

#include "classlib/SysUtils.h"

#include <windows.h>

namespace browser {

// The libraries, or null when one cannot be loaded (tried again next time).
HMODULE GetShellModule();
HMODULE GetHtmlHelpModule();
HMODULE GetComCtlModule();

// HtmlHelpA of the help control library.
HWND CallHtmlHelp(HWND window, const cl::AnsiString& file, UINT command, DWORD_PTR data);
// Frees a block the common controls allocated (comctl32 ordinal 73).
BOOL ComCtlFree(void* block);
// Maps, unmaps and frees a shell shared-memory block (shell32 ordinals 521, 522, 523).
void* ShellLockShared(HANDLE shared, DWORD processId);
BOOL ShellUnlockShared(void* block);
BOOL ShellFreeShared(HANDLE shared, DWORD processId);

} // namespace browser
