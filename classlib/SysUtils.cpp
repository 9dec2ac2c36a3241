#include "classlib/SysUtils.h"

#include <algorithm>
#include <cstdio>
#include <limits>

namespace cl {

namespace {
char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }
char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }
bool Blank(char c) { return static_cast<unsigned char>(c) <= ' '; }
} // namespace

AnsiString UpperCase(std::string_view s)
{
    AnsiString r(s);
    for (char& c : r) c = Upper(c);
    return r;
}

AnsiString LowerCase(std::string_view s)
{
    AnsiString r(s);
    for (char& c : r) c = Lower(c);
    return r;
}

int CompareText(std::string_view a, std::string_view b)
{
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        auto x = static_cast<unsigned char>(Upper(a[i])), y = static_cast<unsigned char>(Upper(b[i]));
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool SameText(std::string_view a, std::string_view b) { return a.size() == b.size() && CompareText(a, b) == 0; }

AnsiString TrimLeft(std::string_view s)
{
    size_t i = 0;
    while (i < s.size() && Blank(s[i])) ++i;
    return AnsiString(s.substr(i));
}

AnsiString TrimRight(std::string_view s)
{
    size_t n = s.size();
    while (n > 0 && Blank(s[n - 1])) --n;
    return AnsiString(s.substr(0, n));
}

AnsiString Trim(std::string_view s) { return TrimLeft(TrimRight(s)); }

namespace {
// Index just past the last character of path that is one of delimiters (0 when none).
size_t PastLastOf(std::string_view path, std::string_view delimiters)
{
    size_t end = 0;
    for (size_t i = 0; i < path.size(); ++i) {
        auto c = static_cast<unsigned char>(path[i]);
        if (c >= 0x81 && c <= 0xFE && i + 1 < path.size()) {
            ++i; // a lead byte and its trail byte
            continue;
        }
        if (delimiters.find(path[i]) != std::string_view::npos) end = i + 1;
    }
    return end;
}
} // namespace

AnsiString ExtractFilePath(std::string_view path) { return AnsiString(path.substr(0, PastLastOf(path, "\\:"))); }

AnsiString ExtractFileName(std::string_view path) { return AnsiString(path.substr(PastLastOf(path, "\\:"))); }

AnsiString ExtractFileExt(std::string_view path)
{
    size_t end = PastLastOf(path, ".\\:");
    return end > 0 && path[end - 1] == '.' ? AnsiString(path.substr(end - 1)) : AnsiString();
}

AnsiString IntToStr(std::int64_t value) { return std::to_string(value); }

AnsiString IntToHex(std::uint64_t value, int digits)
{
    AnsiString r;
    do {
        r.insert(r.begin(), "0123456789ABCDEF"[value & 15]);
        value >>= 4;
    } while (value);
    if (static_cast<int>(r.size()) < digits) r.insert(0, static_cast<size_t>(digits) - r.size(), '0');
    return r;
}

bool TryStrToInt64(std::string_view s, std::int64_t& value)
{
    size_t i = 0;
    while (i < s.size() && s[i] == ' ') ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
    int base = 10;
    if (i < s.size() && s[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i == s.size()) return false;
    std::uint64_t v = 0;
    const std::uint64_t limit = base == 16 ? std::numeric_limits<std::uint64_t>::max()
                                           : static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()) + 1;
    for (; i < s.size(); ++i) {
        char c = s[i];
        int d = (c >= '0' && c <= '9') ? c - '0'
              : (base == 16 && c >= 'a' && c <= 'f') ? c - 'a' + 10
              : (base == 16 && c >= 'A' && c <= 'F') ? c - 'A' + 10 : -1;
        if (d < 0) return false;
        if (v > (limit - static_cast<std::uint64_t>(d)) / static_cast<std::uint64_t>(base)) return false;
        v = v * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(d);
    }
    if (base == 10 && !negative && v > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) return false;
    value = negative ? static_cast<std::int64_t>(0 - v) : static_cast<std::int64_t>(v);
    return true;
}

bool TryStrToInt(std::string_view s, std::int32_t& value)
{
    std::int64_t v;
    if (!TryStrToInt64(s, v)) return false;
    // Hexadecimal may spell a negative 32-bit value ("$FFFFFFFF" is -1).
    bool hex = s.find('$') != std::string_view::npos || s.find("0x") != std::string_view::npos ||
               s.find("0X") != std::string_view::npos;
    if (hex && v >= 0 && v <= 0xFFFFFFFFLL) v = static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
    if (v < std::numeric_limits<std::int32_t>::min() || v > std::numeric_limits<std::int32_t>::max()) return false;
    value = static_cast<std::int32_t>(v);
    return true;
}

std::int32_t StrToInt(std::string_view s)
{
    std::int32_t v;
    if (!TryStrToInt(s, v)) throw EConvertError("'" + AnsiString(s) + "' is not a valid integer value");
    return v;
}

std::int32_t StrToIntDef(std::string_view s, std::int32_t fallback)
{
    std::int32_t v;
    return TryStrToInt(s, v) ? v : fallback;
}

std::int64_t StrToInt64Def(std::string_view s, std::int64_t fallback)
{
    std::int64_t v;
    return TryStrToInt64(s, v) ? v : fallback;
}

AnsiString Format(std::string_view format, std::initializer_list<TFormatArg> args)
{
    auto bad = [&]() -> EConvertError {
        return EConvertError("Format '" + AnsiString(format) + "' invalid or incompatible with argument");
    };
    const TFormatArg* argv = args.begin();
    const size_t argc = args.size();
    size_t next = 0;
    auto take = [&]() -> const TFormatArg& {
        if (next >= argc) throw bad();
        return argv[next++];
    };
    auto takeCount = [&]() -> int {
        const TFormatArg& a = take();
        if (a.kind_ != TFormatArg::Int || a.i_ < 0 || a.i_ > 4096) throw bad();
        return static_cast<int>(a.i_);
    };
    auto number = [&](size_t& i, int& out) {
        out = 0;
        size_t start = i;
        while (i < format.size() && format[i] >= '0' && format[i] <= '9') {
            out = out * 10 + (format[i] - '0');
            if (out > 4096) throw bad();
            ++i;
        }
        return i > start;
    };

    AnsiString out;
    for (size_t i = 0; i < format.size();) {
        char c = format[i++];
        if (c != '%') {
            out += c;
            continue;
        }
        if (i < format.size() && format[i] == '%') {
            out += '%';
            ++i;
            continue;
        }
        // [index ":"] ["-"] [width] ["." precision] type
        int width = -1, precision = -1, n = 0;
        bool left = false;
        size_t mark = i;
        if (number(i, n) && i < format.size() && format[i] == ':') {
            next = static_cast<size_t>(n);
            ++i;
        } else {
            i = mark;
        }
        if (i < format.size() && format[i] == '-') {
            left = true;
            ++i;
        }
        if (i < format.size() && format[i] == '*') {
            width = takeCount();
            ++i;
        } else if (number(i, n)) {
            width = n;
        }
        if (i < format.size() && format[i] == '.') {
            ++i;
            if (i < format.size() && format[i] == '*') {
                precision = takeCount();
                ++i;
            } else {
                number(i, n);
                precision = n;
            }
        }
        if (i >= format.size()) throw bad();
        char type = format[i++];
        const TFormatArg& a = take();
        AnsiString text;
        switch (type) {
        case 'd': case 'D': case 'u': case 'U': {
            if (a.kind_ != TFormatArg::Int) throw bad();
            std::int64_t v = a.i_;
            if ((type == 'u' || type == 'U') && v < 0) v = static_cast<std::uint32_t>(v);
            AnsiString digits = std::to_string(v < 0 ? -(v + 1) + 1ULL : static_cast<unsigned long long>(v));
            if (precision >= 0 && static_cast<int>(digits.size()) < precision)
                digits.insert(0, static_cast<size_t>(precision) - digits.size(), '0');
            text = (v < 0 ? "-" : "") + digits;
            break;
        }
        case 'x': case 'X': {
            if (a.kind_ != TFormatArg::Int) throw bad();
            std::uint64_t v = a.i_ < 0 && a.i_ >= std::numeric_limits<std::int32_t>::min()
                                  ? static_cast<std::uint32_t>(a.i_) : static_cast<std::uint64_t>(a.i_);
            text = IntToHex(v, precision);
            if (type == 'x') text = LowerCase(text);
            break;
        }
        case 'f': case 'F': {
            if (a.kind_ != TFormatArg::Float && a.kind_ != TFormatArg::Int) throw bad();
            double v = a.kind_ == TFormatArg::Float ? a.f_ : static_cast<double>(a.i_);
            char buf[512];
            int len = std::snprintf(buf, sizeof buf, "%.*f", precision < 0 ? 2 : std::min(precision, 18), v);
            if (len < 0 || len >= static_cast<int>(sizeof buf)) throw bad();
            text.assign(buf, static_cast<size_t>(len));
            break;
        }
        case 's': case 'S':
            if (a.kind_ != TFormatArg::Str) throw bad();
            text = precision >= 0 ? AnsiString(a.s_.substr(0, static_cast<size_t>(precision))) : AnsiString(a.s_);
            break;
        default:
            throw bad();
        }
        if (width > static_cast<int>(text.size())) {
            size_t pad = static_cast<size_t>(width) - text.size();
            if (left) text.append(pad, ' ');
            else text.insert(0, pad, ' ');
        }
        out += text;
    }
    return out;
}

} // namespace cl
