// Expectation fakes for the browser pane's tests: a script object with named properties
// (document, window, event), and a browser object that records what the pane asks of it.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <oleauto.h>

#include <map>
#include <string>
#include <vector>

namespace fakes {

// Reference counting shared by the fakes; tests keep them on the stack and check that
// nobody holds a reference at the end.
template <class... Intf> class Counted : public Intf... {
public:
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
    ULONG refs = 1;
};

// An IDispatch with named properties, read by GetIDsOfNames + Invoke(PROPERTYGET).
class ScriptObject final : public Counted<IDispatch> {
public:
    ScriptObject() = default;
    ScriptObject(const ScriptObject&) = delete;
    ~ScriptObject()
    {
        for (auto& p : props_) VariantClear(&p.second);
    }
    void Set(const std::wstring& name, const VARIANT& value)
    {
        VARIANT& slot = props_[name];
        VariantClear(&slot);
        VariantCopy(&slot, const_cast<VARIANT*>(&value));
    }
    void SetText(const std::wstring& name, const wchar_t* text)
    {
        VARIANT v;
        v.vt = VT_BSTR;
        v.bstrVal = SysAllocString(text);
        Set(name, v);
        VariantClear(&v);
    }
    void SetInt(const std::wstring& name, LONG value)
    {
        VARIANT v;
        v.vt = VT_I4;
        v.lVal = value;
        Set(name, v);
    }
    void SetObject(const std::wstring& name, IDispatch* object)
    {
        VARIANT v;
        v.vt = VT_DISPATCH;
        v.pdispVal = object;
        Set(name, v); // VariantCopy takes its own reference
    }
    // Names asked for, in order.
    std::vector<std::wstring> asked;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override
    {
        if (riid == IID_IUnknown || riid == IID_IDispatch) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override
    {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override
    {
        if (count != 1) return E_INVALIDARG;
        asked.push_back(names[0]);
        DISPID id = 1;
        for (auto& p : props_) {
            if (p.first == names[0]) {
                *ids = id;
                return S_OK;
            }
            ++id;
        }
        *ids = DISPID_UNKNOWN;
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                                     UINT*) override
    {
        if (!(flags & DISPATCH_PROPERTYGET) || !result) return DISP_E_MEMBERNOTFOUND;
        if (failInvoke) return failInvoke;
        DISPID n = 1;
        for (auto& p : props_) {
            if (n++ == id) return VariantCopy(result, &p.second);
        }
        return DISP_E_MEMBERNOTFOUND;
    }
    HRESULT failInvoke = S_OK;

private:
    std::map<std::wstring, VARIANT> props_;
};

// Stands in for the browser object: records accelerator translations and ambient
// change notifications.
class BrowserObject final : public Counted<IOleInPlaceActiveObject, IOleControl> {
public:
    std::vector<MSG> translated;
    std::vector<DISPID> ambientChanges;
    HRESULT translateAnswer = S_OK;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override
    {
        if (riid == IID_IUnknown || riid == IID_IOleWindow || riid == IID_IOleInPlaceActiveObject)
            *out = static_cast<IOleInPlaceActiveObject*>(this);
        else if (riid == IID_IOleControl)
            *out = static_cast<IOleControl*>(this);
        else {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    // IOleWindow
    HRESULT STDMETHODCALLTYPE GetWindow(HWND*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(WINBOOL) override { return E_NOTIMPL; }
    // IOleInPlaceActiveObject
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG msg) override
    {
        translated.push_back(*msg);
        return translateAnswer;
    }
    HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(WINBOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnDocWindowActivate(WINBOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, WINBOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE EnableModeless(WINBOOL) override { return S_OK; }
    // IOleControl
    HRESULT STDMETHODCALLTYPE GetControlInfo(CONTROLINFO*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnMnemonic(MSG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnAmbientPropertyChange(DISPID id) override
    {
        ambientChanges.push_back(id);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE FreezeEvents(WINBOOL) override { return S_OK; }
};

} // namespace fakes
