// The Windows half of the text basics: the system's error texts.
#include "classlib/SysUtils.h"

#include <windows.h>

namespace cl {

AnsiString SysErrorMessage(std::uint32_t code)
{
    char* text = nullptr;
    const DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    AnsiString message = n && text ? Trim(std::string_view(text, n)) : AnsiString();
    LocalFree(text);
    return message;
}

} // namespace cl
