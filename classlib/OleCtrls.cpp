// ActiveX control host: site objects, in-place activation, dispatch properties, event sink.
#include "classlib/OleCtrls.h"

#include "classlib/StartupSteps.h"

#include <olectl.h>

namespace cl {

namespace {

// Runs a COM method body: exceptions become results and never reach the caller.
template <class F> HRESULT Guarded(F&& body) noexcept { return SafeCall(IID_NULL, std::forward<F>(body)); }

[[noreturn]] void RaiseOle(HRESULT hr, const char* what)
{
    throw EOleSysError(Format("%s failed (%.8X)", {what, static_cast<unsigned long>(hr)}), hr);
}

} // namespace

// ---------------------------------------------------------------------------------------
// TEventSink

TComPtr<TEventSink> TEventSink::Create(const IID& events, Handler handler)
{
    return TComPtr<TEventSink>::Attach(new TEventSink(events, std::move(handler)));
}

bool TEventSink::Connect(IUnknown* source)
{
    Disconnect();
    if (!source) return false;
    TComPtr<IConnectionPointContainer> container;
    if (FAILED(source->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(container.put()))))
        return false;
    TComPtr<IConnectionPoint> point;
    if (FAILED(container->FindConnectionPoint(iid_, point.put()))) return false;
    DWORD cookie = 0;
    if (FAILED(point->Advise(static_cast<IDispatch*>(this), &cookie))) return false;
    point_ = std::move(point);
    cookie_ = cookie;
    return true;
}

void TEventSink::Disconnect()
{
    if (point_ && cookie_) point_->Unadvise(cookie_); // a source already gone: nothing to undo
    point_.reset();
    cookie_ = 0;
}

HRESULT TEventSink::QueryInterface(REFIID riid, void** out)
{
    if (!out) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == iid_) {
        *out = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG TEventSink::AddRef() { return ++refs_; }

ULONG TEventSink::Release()
{
    ULONG n = --refs_;
    if (n == 0) delete this;
    return n;
}

HRESULT TEventSink::GetTypeInfoCount(UINT* count)
{
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT TEventSink::GetTypeInfo(UINT, LCID, ITypeInfo** info)
{
    if (info) *info = nullptr;
    return E_NOTIMPL;
}

HRESULT TEventSink::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }

HRESULT TEventSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO*, UINT*)
{
    if (!handler_) return S_OK;
    return Guarded([&] { return handler_(id, params, result); });
}

// ---------------------------------------------------------------------------------------
// The site: one object answering every site interface the hosted control asks for.

class TOleControlSite final : public IOleClientSite,
                              public IOleInPlaceSiteEx,
                              public IOleInPlaceFrame,
                              public IOleControlSite,
                              public IDispatch {
public:
    explicit TOleControlSite(TOleControl& control) : control_(&control) {}

    // The control is going; later calls find no host.
    void Detach() { control_ = nullptr; }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override
    {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (riid == IID_IUnknown || riid == IID_IOleClientSite)
            *out = static_cast<IOleClientSite*>(this);
        else if (riid == IID_IOleWindow || riid == IID_IOleInPlaceSite || riid == IID_IOleInPlaceSiteEx)
            *out = static_cast<IOleInPlaceSiteEx*>(this);
        else if (riid == IID_IOleInPlaceUIWindow || riid == IID_IOleInPlaceFrame)
            *out = static_cast<IOleInPlaceFrame*>(this);
        else if (riid == IID_IOleControlSite)
            *out = static_cast<IOleControlSite*>(this);
        else if (riid == IID_IDispatch)
            *out = static_cast<IDispatch*>(this);
        if (*out) {
            AddRef();
            return S_OK;
        }
        if (!control_) return E_NOINTERFACE;
        TOleControl* control = control_;
        return Guarded([&] { return control->SiteQueryInterface(riid, out); });
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        ULONG n = --refs_;
        if (n == 0) delete this;
        return n;
    }

    // IOleClientSite
    HRESULT STDMETHODCALLTYPE SaveObject() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** mk) override
    {
        if (mk) *mk = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** container) override
    {
        if (container) *container = nullptr;
        return E_NOINTERFACE;
    }
    HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnShowWindow(WINBOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IOleWindow (site and frame)
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* wnd) override
    {
        if (!wnd) return E_POINTER;
        *wnd = nullptr;
        if (!control_) return E_UNEXPECTED;
        TOleControl* control = control_;
        return Guarded([&] {
            *wnd = control->Handle();
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(WINBOOL) override { return S_OK; }

    // IOleInPlaceSite
    HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override { return control_ ? S_OK : S_FALSE; }
    HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnUIActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT pos,
                                               LPRECT clip, LPOLEINPLACEFRAMEINFO info) override
    {
        if (!frame || !doc || !pos || !clip || !info) return E_POINTER;
        *frame = nullptr;
        *doc = nullptr;
        if (!control_) return E_UNEXPECTED;
        TOleControl* control = control_;
        return Guarded([&] {
            HWND wnd = control->Handle();
            GetClientRect(wnd, pos);
            *clip = *pos;
            info->fMDIApp = FALSE;
            info->hwndFrame = wnd;
            info->haccel = nullptr;
            info->cAccelEntries = 0;
            *frame = static_cast<IOleInPlaceFrame*>(this);
            AddRef();
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE Scroll(SIZE) override { return S_FALSE; }
    HRESULT STDMETHODCALLTYPE OnUIDeactivate(WINBOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override
    {
        if (control_) control_->inPlaceObject_.reset();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DiscardUndoState() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT) override
    {
        // The control's rectangle is the client area, whatever the control asks for.
        if (control_) control_->UpdateObjectRects();
        return S_OK;
    }

    // IOleInPlaceSiteEx
    HRESULT STDMETHODCALLTYPE OnInPlaceActivateEx(WINBOOL* noRedraw, DWORD) override
    {
        if (noRedraw) *noRedraw = FALSE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnInPlaceDeactivateEx(WINBOOL) override { return OnInPlaceDeactivate(); }
    HRESULT STDMETHODCALLTYPE RequestUIActivate() override { return S_OK; }

    // IOleInPlaceUIWindow / IOleInPlaceFrame: no tool space, menus or status line.
    HRESULT STDMETHODCALLTYPE GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
    HRESULT STDMETHODCALLTYPE RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
    HRESULT STDMETHODCALLTYPE SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR) override
    {
        if (control_) control_->activeObject_ = TComPtr<IOleInPlaceActiveObject>(object);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS widths) override
    {
        if (widths) ZeroMemory(widths, sizeof(*widths));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RemoveMenus(HMENU) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetStatusText(LPCOLESTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE EnableModeless(WINBOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

    // IOleControlSite
    HRESULT STDMETHODCALLTYPE OnControlInfoChanged() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE LockInPlaceActive(WINBOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetExtendedControl(IDispatch** disp) override
    {
        if (disp) *disp = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE TransformCoords(POINTL*, POINTF*, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(MSG*, DWORD) override { return S_FALSE; }
    HRESULT STDMETHODCALLTYPE OnFocus(WINBOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ShowPropertyFrame() override { return E_NOTIMPL; }

    // IDispatch: the ambient properties, answered by the control.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override
    {
        if (!control_) return E_UNEXPECTED;
        TOleControl* control = control_;
        return Guarded([&] { return control->AmbientGetTypeInfoCount(count); });
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override
    {
        if (!control_) return E_UNEXPECTED;
        TOleControl* control = control_;
        return Guarded([&] { return control->AmbientGetTypeInfo(index, lcid, info); });
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override
    {
        if (!control_) return E_UNEXPECTED;
        TOleControl* control = control_;
        return Guarded([&] { return control->AmbientGetIDsOfNames(riid, names, count, lcid, ids); });
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* excep, UINT* argErr) override
    {
        if (!control_) return DISP_E_MEMBERNOTFOUND;
        TOleControl* control = control_;
        return Guarded([&] { return control->AmbientInvoke(id, riid, lcid, flags, params, result, excep, argErr); });
    }

private:
    ~TOleControlSite() = default;

    TOleControl* control_;
    ULONG refs_ = 1;
};

// ---------------------------------------------------------------------------------------
// TOleControl

const TClass& TOleControl::StaticClass() { return DefineClass<TOleControl, TWinControl>("TOleControl"); }

TOleControl::TOleControl(TComponent* owner, const CLSID& clsid)
    : TWinControl(owner), clsid_(clsid), site_(new TOleControlSite(*this))
{
}

TOleControl::~TOleControl()
{
    DestroyControl();
    site_->Detach();
    site_->Release();
}

IOleClientSite* TOleControl::ClientSite() const { return static_cast<IOleClientSite*>(site_); }

void TOleControl::CreateControl()
{
    if (oleObject_) return;
    TComPtr<IUnknown> unknown;
    HRESULT hr = CoCreateInstance(clsid_, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                  reinterpret_cast<void**>(unknown.put()));
    if (FAILED(hr)) RaiseOle(hr, "Creating the control");
    TComPtr<IOleObject> object;
    hr = unknown->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(object.put()));
    if (FAILED(hr)) RaiseOle(hr, "The control's IOleObject");

    DWORD misc = 0;
    object->GetMiscStatus(DVASPECT_CONTENT, &misc); // 0 on failure: site set after InitNew
    bool siteFirst = (misc & OLEMISC_SETCLIENTSITEFIRST) != 0;
    if (siteFirst) object->SetClientSite(ClientSite());
    TComPtr<IPersistStreamInit> persist;
    if (SUCCEEDED(unknown->QueryInterface(IID_IPersistStreamInit, reinterpret_cast<void**>(persist.put()))))
        persist->InitNew(); // a control that cannot start blank still works with defaults
    if (!siteFirst) object->SetClientSite(ClientSite());

    oleObject_ = std::move(object);
    unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(dispatch_.put())); // may have none
    InitControlInterface(unknown.get());
}

void TOleControl::DestroyControl()
{
    if (!oleObject_) return;
    if (inPlaceObject_) inPlaceObject_->InPlaceDeactivate();
    inPlaceObject_.reset();
    activeObject_.reset();
    oleObject_->Close(OLECLOSE_NOSAVE);
    oleObject_->SetClientSite(nullptr);
    dispatch_.reset();
    oleObject_.reset();
}

void TOleControl::InitControlInterface(IUnknown*) {}

HRESULT TOleControl::SiteQueryInterface(REFIID, void** out)
{
    if (out) *out = nullptr;
    return E_NOINTERFACE;
}

HRESULT TOleControl::SiteQueryInterfaceOuter(REFIID riid, void** out) { return site_->QueryInterface(riid, out); }
ULONG TOleControl::SiteAddRef() { return site_->AddRef(); }
ULONG TOleControl::SiteRelease() { return site_->Release(); }

HRESULT TOleControl::AmbientGetTypeInfoCount(UINT* count)
{
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT TOleControl::AmbientGetTypeInfo(UINT, LCID, ITypeInfo** info)
{
    if (info) *info = nullptr;
    return E_NOTIMPL;
}

HRESULT TOleControl::AmbientGetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }

HRESULT TOleControl::AmbientInvoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                                   UINT*)
{
    return DefaultAmbientInvoke(id, flags, result);
}

HRESULT TOleControl::DefaultAmbientInvoke(DISPID id, WORD flags, VARIANT* result)
{
    if (!(flags & DISPATCH_PROPERTYGET) || !result) return DISP_E_MEMBERNOTFOUND;
    VariantInit(result);
    auto boolean = [&](bool value) {
        result->vt = VT_BOOL;
        result->boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    };
    auto int4 = [&](LONG value) {
        result->vt = VT_I4;
        result->lVal = value;
        return S_OK;
    };
    switch (id) {
    case DISPID_AMBIENT_USERMODE: return boolean(!HasState(csDesigning));
    case DISPID_AMBIENT_UIDEAD: return boolean(false);
    case DISPID_AMBIENT_SHOWGRABHANDLES:
    case DISPID_AMBIENT_SHOWHATCHING:
    case DISPID_AMBIENT_DISPLAYASDEFAULT:
    case DISPID_AMBIENT_MESSAGEREFLECT: return boolean(false);
    case DISPID_AMBIENT_SUPPORTSMNEMONICS:
    case DISPID_AMBIENT_AUTOCLIP: return boolean(true);
    case DISPID_AMBIENT_BACKCOLOR: return int4(static_cast<LONG>(GetSysColor(COLOR_WINDOW)));
    case DISPID_AMBIENT_FORECOLOR: return int4(static_cast<LONG>(GetSysColor(COLOR_WINDOWTEXT)));
    case DISPID_AMBIENT_LOCALEID: return int4(static_cast<LONG>(GetUserDefaultLCID()));
    default: return DISP_E_MEMBERNOTFOUND;
    }
}

TOleVariant TOleControl::GetProperty(DISPID id)
{
    CreateControl();
    if (!dispatch_) RaiseOle(E_NOINTERFACE, "The control's IDispatch");
    DISPPARAMS none{};
    TOleVariant value;
    EXCEPINFO excep{};
    HRESULT hr = dispatch_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, value.put(),
                                   &excep, nullptr);
    SysFreeString(excep.bstrSource);
    SysFreeString(excep.bstrDescription);
    SysFreeString(excep.bstrHelpFile);
    if (FAILED(hr)) RaiseOle(hr, "Reading a control property");
    return value;
}

void TOleControl::SetProperty(DISPID id, const TOleVariant& value)
{
    CreateControl();
    if (!dispatch_) RaiseOle(E_NOINTERFACE, "The control's IDispatch");
    VARIANT arg = value.get(); // lent: Invoke only reads it
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{&arg, &named, 1, 1};
    HRESULT hr = dispatch_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params, nullptr,
                                   nullptr, nullptr);
    if (FAILED(hr)) RaiseOle(hr, "Writing a control property");
}

TComPtr<IDispatch> TOleControl::GetDispatchProperty(DISPID id)
{
    TOleVariant value = GetProperty(id);
    const VARIANT& v = value.get();
    TComPtr<IDispatch> result;
    if (v.vt == VT_DISPATCH && v.pdispVal) result = TComPtr<IDispatch>(v.pdispVal);
    else if (v.vt == VT_UNKNOWN && v.punkVal)
        v.punkVal->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(result.put()));
    return result;
}

void TOleControl::CreateWnd()
{
    TWinControl::CreateWnd();
    CreateControl();
    STARTUP_STEP("control created", Name().c_str());
    InPlaceActivate();
    STARTUP_STEP("control activated", Name().c_str());
}

void TOleControl::DestroyWnd()
{
    if (inPlaceObject_) inPlaceObject_->InPlaceDeactivate();
    inPlaceObject_.reset();
    activeObject_.reset();
    TWinControl::DestroyWnd();
}

void TOleControl::InPlaceActivate()
{
    HWND wnd = Handle();
    RECT rc;
    GetClientRect(wnd, &rc);
    HRESULT hr = oleObject_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, ClientSite(), 0, wnd, &rc);
    if (FAILED(hr)) RaiseOle(hr, "Activating the control");
    oleObject_->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(inPlaceObject_.put()));
    UpdateObjectRects();
}

void TOleControl::UpdateObjectRects()
{
    if (!inPlaceObject_ || !HandleAllocated()) return;
    RECT rc;
    GetClientRect(Handle(), &rc);
    inPlaceObject_->SetObjectRects(&rc, &rc); // a control that ignores the size keeps its own
}

void TOleControl::WndProc(TMessage& message)
{
    TWinControl::WndProc(message);
    if (message.Msg == WM_SIZE) UpdateObjectRects();
}

} // namespace cl
