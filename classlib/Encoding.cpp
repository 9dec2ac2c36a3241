#include "classlib/Encoding.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <algorithm>
#include <cerrno>
#include <iconv.h>
#endif

namespace cl {

#ifdef _WIN32

namespace {
std::wstring ToWide(UINT codePage, std::string_view text)
{
    if (text.empty()) return {};
    int n = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring r(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), r.data(), n);
    return r;
}

std::string FromWide(UINT codePage, std::wstring_view text)
{
    if (text.empty()) return {};
    int n = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string r(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), r.data(), n, nullptr, nullptr);
    return r;
}
} // namespace

std::wstring AnsiToWide(std::string_view text) { return ToWide(CP_ACP, text); }
AnsiString WideToAnsi(std::wstring_view text) { return FromWide(CP_ACP, text); }
std::wstring Utf8ToWide(std::string_view text) { return ToWide(CP_UTF8, text); }
std::string WideToUtf8(std::wstring_view text) { return FromWide(CP_UTF8, text); }

#else

namespace {
// iconv from one byte encoding to another; unconvertible input becomes '?'.
std::string Convert(const char* to, const char* from, std::string_view text, size_t unit)
{
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) throw Exception("No conversion from " + std::string(from) + " to " + to);
    std::string out;
    char buf[256];
    auto* in = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    while (inLeft > 0) {
        char* o = buf;
        size_t oLeft = sizeof buf;
        size_t rc = iconv(cd, &in, &inLeft, &o, &oLeft);
        out.append(buf, static_cast<size_t>(o - buf));
        if (rc == static_cast<size_t>(-1) && errno != E2BIG) {
            out += (unit == 1 ? std::string("?") : std::string(reinterpret_cast<const char*>(L"?"), sizeof(wchar_t)));
            size_t skip = std::min(inLeft, std::string_view(from) == "WCHAR_T" ? sizeof(wchar_t) : size_t(1));
            in += skip;
            inLeft -= skip;
        }
    }
    iconv_close(cd);
    return out;
}

std::wstring BytesToWide(const std::string& bytes)
{
    return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
}

std::string_view WideBytes(std::wstring_view text)
{
    return std::string_view(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
}
} // namespace

std::wstring AnsiToWide(std::string_view text) { return BytesToWide(Convert("WCHAR_T", "CP936", text, sizeof(wchar_t))); }
AnsiString WideToAnsi(std::wstring_view text) { return Convert("CP936", "WCHAR_T", WideBytes(text), 1); }
std::wstring Utf8ToWide(std::string_view text) { return BytesToWide(Convert("WCHAR_T", "UTF-8", text, sizeof(wchar_t))); }
std::string WideToUtf8(std::wstring_view text) { return Convert("UTF-8", "WCHAR_T", WideBytes(text), 1); }

#endif

AnsiString Utf8ToAnsi(std::string_view text) { return WideToAnsi(Utf8ToWide(text)); }
std::string AnsiToUtf8(std::string_view text) { return WideToUtf8(AnsiToWide(text)); }

} // namespace cl
