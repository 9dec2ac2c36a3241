// OLE errors as exceptions, and the guard that turns an exception back into an HRESULT
// with error information at every COM entry point.
#pragma once

#include "classlib/SysUtils.h"

#include <windows.h>

namespace cl {

class EOleError : public Exception { using Exception::Exception; };

// An error that carries its HRESULT.
class EOleSysError : public EOleError {
public:
    EOleSysError(AnsiString message, HRESULT code) : EOleError(std::move(message)), code_(code) {}
    HRESULT ErrorCode() const noexcept { return code_; }

private:
    HRESULT code_;
};

// An error an automation server reported (its EXCEPINFO), with source and help.
class EOleException : public EOleSysError {
public:
    EOleException(AnsiString message, HRESULT code, AnsiString source = {}) : EOleSysError(std::move(message), code), source_(std::move(source)) {}
    const AnsiString& Source() const noexcept { return source_; }

private:
    AnsiString source_;
};

// The system's text for a result, or "OLE error" and its number when there is none.
AnsiString OleErrorText(HRESULT hr);
// Raises EOleSysError for a failed result (with the system's text for it).
void OleCheck(HRESULT hr);

// The answer of a COM entry point to the exception being handled: its own negative OLE
// code, or E_UNEXPECTED; the message becomes the thread's error information (for iid).
HRESULT HandleSafeCallException(const std::exception* e, const IID& iid);

// Runs body (returning HRESULT, or void for S_OK) so that no exception leaves a COM method.
template <class F> HRESULT SafeCall(const IID& iid, F&& body) noexcept
{
    try {
        if constexpr (std::is_void_v<decltype(body())>) {
            body();
            return S_OK;
        } else {
            return body();
        }
    } catch (const std::exception& e) {
        return HandleSafeCallException(&e, iid);
    } catch (...) {
        return HandleSafeCallException(nullptr, iid);
    }
}

} // namespace cl
