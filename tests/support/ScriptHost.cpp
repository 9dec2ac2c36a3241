#include "ScriptHost.h"

#include <initguid.h>
#include <map>
#include <stdexcept>

// JScript's class id, which mingw's libraries lack.
DEFINE_GUID(CLSID_JScriptEngine, 0xf414c260, 0x6ac0, 0x11cf, 0xb6, 0xd1, 0x00, 0xaa, 0x00, 0xbb, 0xbb, 0x58);
DEFINE_GUID(IID_IActiveScriptParse32_, 0xbb1a2ae2, 0xa4f9, 0x11cf, 0x8f, 0x20, 0x00, 0x80, 0x5f, 0x2c, 0xd0, 0x64);

class TScriptHost::Site : public IActiveScriptSite {
public:
    std::map<std::wstring, IDispatch*> objects;
    bool error = false;
    HRESULT code = S_OK;
    std::wstring text;
    ULONG refs = 1;

    ~Site()
    {
        for (auto& o : objects) o.second->Release();
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override
    {
        if (riid == IID_IUnknown || riid == IID_IActiveScriptSite) {
            *out = this;
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; } // owned by the host

    HRESULT STDMETHODCALLTYPE GetLCID(LCID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetItemInfo(LPCOLESTR name, DWORD mask, IUnknown** unk, ITypeInfo** ti) override
    {
        auto it = objects.find(name);
        if (it == objects.end()) return TYPE_E_ELEMENTNOTFOUND;
        if (ti) *ti = nullptr;
        if (mask & SCRIPTINFO_IUNKNOWN) {
            *unk = it->second;
            it->second->AddRef();
        }
        if ((mask & SCRIPTINFO_ITYPEINFO) && ti) it->second->GetTypeInfo(0, 0, ti);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDocVersionString(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnScriptTerminate(const VARIANT*, const EXCEPINFO*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnStateChange(SCRIPTSTATE) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnScriptError(IActiveScriptError* e) override
    {
        EXCEPINFO info{};
        e->GetExceptionInfo(&info);
        error = true;
        code = info.scode ? info.scode : static_cast<HRESULT>(info.wCode);
        text = info.bstrDescription ? info.bstrDescription : L"";
        SysFreeString(info.bstrSource);
        SysFreeString(info.bstrDescription);
        SysFreeString(info.bstrHelpFile);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnEnterScript() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnLeaveScript() override { return S_OK; }
};

TScriptHost::TScriptHost() : site_(new Site)
{
    if (FAILED(CoCreateInstance(CLSID_JScriptEngine, nullptr, CLSCTX_INPROC_SERVER, IID_IActiveScript,
                                reinterpret_cast<void**>(&engine_))) ||
        FAILED(engine_->QueryInterface(IID_IActiveScriptParse32_, reinterpret_cast<void**>(&parse_))) ||
        FAILED(engine_->SetScriptSite(site_)) || FAILED(parse_->InitNew()))
        throw std::runtime_error("JScript engine unavailable");
}

TScriptHost::~TScriptHost()
{
    if (parse_) parse_->Release();
    if (engine_) {
        engine_->Close();
        engine_->Release();
    }
    delete site_;
}

void TScriptHost::AddObject(const std::wstring& name, IDispatch* obj)
{
    obj->AddRef();
    site_->objects[name] = obj;
    engine_->AddNamedItem(name.c_str(), SCRIPTITEM_ISVISIBLE | SCRIPTITEM_ISSOURCE);
}

TScriptHost::Result TScriptHost::Run(const std::wstring& code, bool asExpression)
{
    site_->error = false;
    site_->code = S_OK;
    site_->text.clear();
    engine_->SetScriptState(SCRIPTSTATE_CONNECTED);
    VARIANT v;
    VariantInit(&v);
    EXCEPINFO excep{};
    Result r;
    r.hr = parse_->ParseScriptText(code.c_str(), nullptr, nullptr, nullptr, 0, 0,
                                   asExpression ? SCRIPTTEXT_ISEXPRESSION : 0, asExpression ? &v : nullptr, &excep);
    r.type = V_VT(&v);
    if (V_VT(&v) != VT_EMPTY && V_VT(&v) != VT_NULL && SUCCEEDED(VariantChangeType(&v, &v, 0, VT_BSTR)))
        r.value = V_BSTR(&v) ? V_BSTR(&v) : L"";
    VariantClear(&v);
    SysFreeString(excep.bstrSource);
    SysFreeString(excep.bstrDescription);
    SysFreeString(excep.bstrHelpFile);
    r.scriptError = site_->error;
    r.errorCode = site_->code;
    r.errorText = site_->text;
    return r;
}
