#include "classlib/OleErrors.h"

#include "classlib/Encoding.h"

#include <oleauto.h>

namespace cl {

void OleCheck(HRESULT hr)
{
    if (SUCCEEDED(hr)) return;
    char* text = nullptr;
    FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   static_cast<DWORD>(hr), 0, reinterpret_cast<char*>(&text), 0, nullptr);
    AnsiString message = text ? Trim(text) : Format("OLE error %.8X", {static_cast<unsigned>(hr)});
    LocalFree(text);
    throw EOleSysError(message, hr);
}

HRESULT HandleSafeCallException(const std::exception* e, const IID& iid)
{
    HRESULT code = E_UNEXPECTED;
    if (auto* ole = dynamic_cast<const EOleSysError*>(e); ole && FAILED(ole->ErrorCode())) code = ole->ErrorCode();
    ICreateErrorInfo* create = nullptr;
    if (SUCCEEDED(CreateErrorInfo(&create))) {
        std::wstring text = AnsiToWide(e ? e->what() : "");
        create->SetGUID(iid);
        create->SetDescription(const_cast<LPOLESTR>(text.c_str()));
        IErrorInfo* info = nullptr;
        if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info)))) {
            SetErrorInfo(0, info);
            info->Release();
        }
        create->Release();
    }
    return code;
}

} // namespace cl
