// Replaceable services: the message box and ShellExecute go through these, so that tests
// can capture what the program would show or open. Nothing else is replaceable.
#pragma once

#include "classlib/SysUtils.h"

#include <windows.h>

#include <functional>

namespace cl {

using TMessageBoxService = std::function<int(HWND owner, const AnsiString& text, const AnsiString& caption, UINT flags)>;
using TShellExecuteService = std::function<HINSTANCE(HWND owner, const AnsiString& verb, const AnsiString& file,
                                                     const AnsiString& parameters, const AnsiString& directory, int show)>;

// MessageBoxA, or the replacement.
int ShowMessageBox(HWND owner, const AnsiString& text, const AnsiString& caption, UINT flags);
// ShellExecuteA (empty texts passed as null), or the replacement.
HINSTANCE ShellExecuteOpen(HWND owner, const AnsiString& verb, const AnsiString& file,
                           const AnsiString& parameters = {}, const AnsiString& directory = {}, int show = SW_SHOWNORMAL);

// Install a replacement and return the one it replaces; an empty one restores the platform's.
TMessageBoxService ReplaceMessageBox(TMessageBoxService service);
TShellExecuteService ReplaceShellExecute(TShellExecuteService service);

} // namespace cl
