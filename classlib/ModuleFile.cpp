#include "classlib/ModuleFile.h"

namespace cl {

namespace {
// GetModuleFileName fills the buffer and truncates when the name does not fit: grow until
// it does.
template <class Char, class Get> std::basic_string<Char> Read(Get get)
{
    std::basic_string<Char> path(MAX_PATH, Char());
    for (;;) {
        DWORD n = get(path.data(), static_cast<DWORD>(path.size()));
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
}
} // namespace

AnsiString ModuleFileName(HMODULE module)
{
    return Read<char>([module](char* buf, DWORD size) { return GetModuleFileNameA(module, buf, size); });
}

std::wstring ModuleFileNameW(HMODULE module)
{
    return Read<wchar_t>([module](wchar_t* buf, DWORD size) { return GetModuleFileNameW(module, buf, size); });
}

} // namespace cl
