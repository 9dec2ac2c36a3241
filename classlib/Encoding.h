// Conversions between the program's 8-bit text (the ANSI code page, 936 here), UTF-8 (form
// resources) and wide text (UTF-16 at the COM and browser boundary). Characters that the
// target cannot hold become '?'.
#pragma once

#include "classlib/SysUtils.h"

#include <string_view>

namespace cl {

std::wstring AnsiToWide(std::string_view text);
AnsiString WideToAnsi(std::wstring_view text);
AnsiString Utf8ToAnsi(std::string_view text);
std::string AnsiToUtf8(std::string_view text);
std::wstring Utf8ToWide(std::string_view text);
std::string WideToUtf8(std::wstring_view text);

} // namespace cl
