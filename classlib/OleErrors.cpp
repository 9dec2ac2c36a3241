#include "classlib/OleErrors.h"

#include "classlib/Encoding.h"

#include <oleauto.h>

namespace cl {

AnsiString OleErrorText(HRESULT hr)
{
    AnsiString message = SysErrorMessage(static_cast<std::uint32_t>(hr));
    return message.empty() ? Format("OLE error %.8X", {static_cast<unsigned>(hr)}) : message;
}

void OleCheck(HRESULT hr)
{
    if (SUCCEEDED(hr)) return;
    throw EOleSysError(OleErrorText(hr), hr);
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
