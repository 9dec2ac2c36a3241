// Web-browser control wrapper and its event sink.
#include "classlib/WebBrowser.h"

#include <exdispid.h>

namespace cl {

namespace {

// Argument i (in the event's own order) of a dispatch call, references followed.
const VARIANT& Arg(const DISPPARAMS* params, UINT i)
{
    static const VARIANT empty{};
    if (!params || i >= params->cArgs) return empty;
    const VARIANT& v = params->rgvarg[params->cArgs - 1 - i];
    if (v.vt == (VT_BYREF | VT_VARIANT) && v.pvarVal) return *v.pvarVal;
    return v;
}

IDispatch* ArgDispatch(const DISPPARAMS* params, UINT i)
{
    const VARIANT& v = Arg(params, i);
    if (v.vt == VT_DISPATCH) return v.pdispVal;
    if (v.vt == (VT_BYREF | VT_DISPATCH) && v.ppdispVal) return *v.ppdispVal;
    return nullptr;
}

std::wstring ArgText(const DISPPARAMS* params, UINT i)
{
    const VARIANT& v = Arg(params, i);
    if (v.vt == VT_BSTR && v.bstrVal) return std::wstring(v.bstrVal, SysStringLen(v.bstrVal));
    if (v.vt == (VT_BYREF | VT_BSTR) && v.pbstrVal && *v.pbstrVal)
        return std::wstring(*v.pbstrVal, SysStringLen(*v.pbstrVal));
    return {};
}

int ArgInt(const DISPPARAMS* params, UINT i)
{
    VARIANT copy;
    VariantInit(&copy);
    int value = 0;
    if (SUCCEEDED(VariantChangeType(&copy, const_cast<VARIANT*>(&Arg(params, i)), 0, VT_I4))) value = copy.lVal;
    VariantClear(&copy);
    return value;
}

// A by-reference Boolean argument (Cancel), read and written through.
class CancelArg {
public:
    CancelArg(const DISPPARAMS* params, UINT i)
    {
        if (params && i < params->cArgs) {
            VARIANT& v = params->rgvarg[params->cArgs - 1 - i];
            if (v.vt == (VT_BYREF | VT_BOOL)) ref_ = v.pboolVal;
        }
        value_ = ref_ && *ref_ != VARIANT_FALSE;
    }
    bool& Value() { return value_; }
    void Store() const
    {
        if (ref_) *ref_ = value_ ? VARIANT_TRUE : VARIANT_FALSE;
    }

private:
    VARIANT_BOOL* ref_ = nullptr;
    bool value_ = false;
};

} // namespace

const TClass& TWebBrowser::StaticClass()
{
    return DefineClass<TWebBrowser, TOleControl>("TWebBrowser", [](TPublisher<TWebBrowser>& p) {
        p.Event("OnBeforeNavigate2", &TWebBrowser::OnBeforeNavigate2);
        p.Event("OnNewWindow2", &TWebBrowser::OnNewWindow2);
        p.Event("OnTitleChange", &TWebBrowser::OnTitleChange);
        p.Event("OnDocumentComplete", &TWebBrowser::OnDocumentComplete);
        p.Event("OnNavigateComplete2", &TWebBrowser::OnNavigateComplete2);
        p.Event("OnNavigateError", &TWebBrowser::OnNavigateError);
        p.Event("OnStatusTextChange", &TWebBrowser::OnStatusTextChange);
        p.Event("OnProgressChange", &TWebBrowser::OnProgressChange);
        p.Event("OnDownloadBegin", &TWebBrowser::OnDownloadBegin);
        p.Event("OnDownloadComplete", &TWebBrowser::OnDownloadComplete);
    });
}

TWebBrowser::TWebBrowser(TComponent* owner) : TOleControl(owner, CLSID_WebBrowser) {}

TWebBrowser::~TWebBrowser()
{
    if (sink_) sink_->Disconnect();
}

void TWebBrowser::InitControlInterface(IUnknown* control)
{
    control->QueryInterface(IID_IWebBrowser2, reinterpret_cast<void**>(browser_.put()));
    sink_ = TEventSink::Create(DIID_DWebBrowserEvents2,
                               [this](DISPID id, DISPPARAMS* params, VARIANT*) { return BrowserEvent(id, params); });
    sink_->Connect(control); // without events the browser still navigates
}

HRESULT TWebBrowser::BrowserEvent(DISPID id, DISPPARAMS* params)
{
    try {
        switch (id) {
        case DISPID_BEFORENAVIGATE2:
            if (OnBeforeNavigate2) {
                CancelArg cancel(params, 6);
                OnBeforeNavigate2(this, ArgDispatch(params, 0), Arg(params, 1), Arg(params, 2), Arg(params, 3),
                                  Arg(params, 4), Arg(params, 5), cancel.Value());
                cancel.Store();
            }
            break;
        case DISPID_NEWWINDOW2:
            if (OnNewWindow2 && params && params->cArgs == 2) {
                VARIANT& target = params->rgvarg[1];
                CancelArg cancel(params, 1);
                TComPtr<IDispatch> disp;
                if (target.vt == (VT_BYREF | VT_DISPATCH) && target.ppdispVal && *target.ppdispVal)
                    disp = TComPtr<IDispatch>(*target.ppdispVal);
                OnNewWindow2(this, disp, cancel.Value());
                if (target.vt == (VT_BYREF | VT_DISPATCH) && target.ppdispVal) {
                    if (*target.ppdispVal) (*target.ppdispVal)->Release();
                    *target.ppdispVal = disp.release();
                }
                cancel.Store();
            }
            break;
        case DISPID_TITLECHANGE:
            if (OnTitleChange) OnTitleChange(this, ArgText(params, 0));
            break;
        case DISPID_DOCUMENTCOMPLETE:
            if (OnDocumentComplete) OnDocumentComplete(this, ArgDispatch(params, 0), Arg(params, 1));
            break;
        case DISPID_NAVIGATECOMPLETE2:
            if (OnNavigateComplete2) OnNavigateComplete2(this, ArgDispatch(params, 0), Arg(params, 1));
            break;
        case DISPID_NAVIGATEERROR:
            if (OnNavigateError) {
                CancelArg cancel(params, 4);
                OnNavigateError(this, ArgDispatch(params, 0), Arg(params, 1), Arg(params, 2), Arg(params, 3),
                                cancel.Value());
                cancel.Store();
            }
            break;
        case DISPID_STATUSTEXTCHANGE:
            if (OnStatusTextChange) OnStatusTextChange(this, ArgText(params, 0));
            break;
        case DISPID_PROGRESSCHANGE:
            if (OnProgressChange) OnProgressChange(this, ArgInt(params, 0), ArgInt(params, 1));
            break;
        case DISPID_DOWNLOADBEGIN:
            if (OnDownloadBegin) OnDownloadBegin(this);
            break;
        case DISPID_DOWNLOADCOMPLETE:
            if (OnDownloadComplete) OnDownloadComplete(this);
            break;
        default: break;
        }
        return S_OK;
    } catch (...) {
        // The browser called us: a handler's failure is reported on this side and the
        // browser carries on.
        HandleWindowException(this);
        return S_OK;
    }
}

void TWebBrowser::Navigate(const std::wstring& url)
{
    CreateControl();
    if (!browser_) throw EOleSysError("The control is no web browser", E_NOINTERFACE);
    BSTR text = SysAllocStringLen(url.data(), static_cast<UINT>(url.size()));
    HRESULT hr = browser_->Navigate(text, nullptr, nullptr, nullptr, nullptr);
    SysFreeString(text);
    OleCheck(hr);
}

void TWebBrowser::Navigate2(const TOleVariant& url, const TOleVariant& flags, const TOleVariant& targetFrameName,
                            const TOleVariant& postData, const TOleVariant& headers)
{
    CreateControl();
    if (!browser_) throw EOleSysError("The control is no web browser", E_NOINTERFACE);
    // The browser reads its arguments without keeping or changing them.
    OleCheck(browser_->Navigate2(const_cast<VARIANT*>(&url.get()), const_cast<VARIANT*>(&flags.get()),
                                 const_cast<VARIANT*>(&targetFrameName.get()), const_cast<VARIANT*>(&postData.get()),
                                 const_cast<VARIANT*>(&headers.get())));
}

void TWebBrowser::Refresh()
{
    if (browser_) OleCheck(browser_->Refresh());
}

void TWebBrowser::Stop()
{
    if (browser_) OleCheck(browser_->Stop());
}

bool TWebBrowser::Busy() { return GetProperty(DISPID_WB_BUSY).AsBool(); }

int TWebBrowser::ReadyState() { return GetProperty(DISPID_WB_READYSTATE).AsInteger(); }

std::wstring TWebBrowser::LocationURL()
{
    CreateControl();
    if (!browser_) return {};
    BSTR url = nullptr;
    HRESULT hr = browser_->get_LocationURL(&url);
    std::wstring result = SUCCEEDED(hr) && url ? std::wstring(url, SysStringLen(url)) : std::wstring();
    SysFreeString(url);
    return result;
}

} // namespace cl
