// Text and error basics shared by all code: the 8-bit string, exceptions, number and
// text conversions and a checked Format.
#pragma once

#include <cstdint>
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
