// Text and error basics shared by all code: the 8-bit string, exceptions, number and
// text conversions and a checked Format.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <stdexcept>
#include <string>
#include <vector>

namespace cl {

// Text inside the program: 8-bit, code page 936 on Windows.
using AnsiString = std::string;

class Exception : public std::exception {
public:
    explicit Exception(AnsiString message) : message_(std::move(message)) {}
    const AnsiString& Message() const noexcept { return message_; }
    void SetMessage(AnsiString message) { message_ = std::move(message); }
    const char* what() const noexcept override { return message_.c_str(); }

private:
    AnsiString message_;
};

class EConvertError : public Exception { using Exception::Exception; };
class EStreamError : public Exception { using Exception::Exception; };
class EReadError : public EStreamError { using EStreamError::EStreamError; };
class EFOpenError : public EStreamError { using EStreamError::EStreamError; };
class EFCreateError : public EStreamError { using EStreamError::EStreamError; };
class EListError : public Exception { using Exception::Exception; };
class EPropertyError : public Exception { using Exception::Exception; };
class EClassNotFound : public Exception { using Exception::Exception; };

} // namespace cl

namespace cl {

// ASCII case rules, as the class library's text comparisons use them.
AnsiString UpperCase(std::string_view s);
AnsiString LowerCase(std::string_view s);
int CompareText(std::string_view a, std::string_view b);
bool SameText(std::string_view a, std::string_view b);
AnsiString Trim(std::string_view s);      // blanks and control characters at both ends
AnsiString TrimLeft(std::string_view s);
AnsiString TrimRight(std::string_view s);

AnsiString IntToStr(std::int64_t value);
AnsiString IntToHex(std::uint64_t value, int digits);
// An optional sign and decimal digits, or "$" (also "0x") and hexadecimal digits, within
// 32 bits; anything else is EConvertError / the default.
std::int32_t StrToInt(std::string_view s);
std::int32_t StrToIntDef(std::string_view s, std::int32_t fallback);
bool TryStrToInt(std::string_view s, std::int32_t& value);
std::int64_t StrToInt64Def(std::string_view s, std::int64_t fallback);
bool TryStrToInt64(std::string_view s, std::int64_t& value);

// File-name parts in the Windows style ("\" and ":" delimit), walked by characters of
// code page 936, where a trail byte may equal "\": the part up to and including the last
// delimiter, the part after it, and the extension with its dot ("" when none).
AnsiString ExtractFilePath(std::string_view path);
AnsiString ExtractFileName(std::string_view path);
AnsiString ExtractFileExt(std::string_view path);

#ifdef _WIN32
// The system's text for an error code (a Win32 error or an HRESULT), trimmed; empty when
// the system has none.
AnsiString SysErrorMessage(std::uint32_t code);
#endif

// An argument of Format.
class TFormatArg {
public:
    TFormatArg(int v) : kind_(Int), i_(v) {}
    TFormatArg(long v) : kind_(Int), i_(v) {}
    TFormatArg(long long v) : kind_(Int), i_(v) {}
    TFormatArg(unsigned v) : kind_(Int), i_(v) {}
    TFormatArg(unsigned long v) : kind_(Int), i_(static_cast<std::int64_t>(v)) {}
    TFormatArg(unsigned long long v) : kind_(Int), i_(static_cast<std::int64_t>(v)) {}
    TFormatArg(double v) : kind_(Float), f_(v) {}
    TFormatArg(const char* v) : kind_(Str), s_(v ? v : "") {}
    TFormatArg(std::string_view v) : kind_(Str), s_(v) {}
    TFormatArg(const AnsiString& v) : kind_(Str), s_(v) {}

private:
    friend AnsiString Format(std::string_view, std::initializer_list<TFormatArg>);
    enum Kind { Int, Float, Str } kind_;
    std::int64_t i_ = 0;
    double f_ = 0;
    std::string_view s_;
};

// Formats with the conversions %d %u %x %X %f %s and %% ("%" [index ":"] ["-"] [width]
// ["." precision] type; "*" takes width or precision from the arguments). A bad template,
// a missing argument or one of the wrong kind raises EConvertError; it never reads past
// the arguments given.
AnsiString Format(std::string_view format, std::initializer_list<TFormatArg> args);

} // namespace cl
