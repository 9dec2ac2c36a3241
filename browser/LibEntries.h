// Entry points of platform libraries the program does not import, loaded on first use and
// kept until the program ends.
#pragma once

#include "classlib/SysUtils.h"

#include <windows.h>

namespace browser {

// The help control library, or null when it cannot be loaded (tried again next time).
HMODULE GetHtmlHelpModule();

// HtmlHelpA; 0 without calling anything when the library or the entry is missing.
HWND CallHtmlHelp(HWND window, const cl::AnsiString& file, UINT command, DWORD_PTR data);

} // namespace browser
