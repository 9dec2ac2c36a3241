// The full file name of a loaded module (the program itself for null), of any length.
#pragma once

#include "classlib/SysUtils.h"

#include <windows.h>

namespace cl {

AnsiString ModuleFileName(HMODULE module);
std::wstring ModuleFileNameW(HMODULE module);

} // namespace cl
