// Hosting an ActiveX control in a windowed control: the site objects the control talks to
// (client, in-place, frame, control site and the ambient-property dispatch), in-place
// activation inside the control's client area, and a connection-point event sink.
#pragma once

#include "classlib/Controls.h"
#include "classlib/ComObj.h"

#include <ole2.h>
#include <ocidl.h>

#include <functional>

namespace cl {


// A dispatch sink for one outgoing interface of a connection-point container. Invoke
// calls go to the handler given; it runs inside a COM method, so it must not throw (the
// sink guards it anyway and answers E_UNEXPECTED).
class TEventSink final : public IDispatch {
public:
    using Handler = std::function<HRESULT(DISPID id, DISPPARAMS* params, VARIANT* result)>;

    // A new sink with one reference, for the caller's TComPtr.
    static TComPtr<TEventSink> Create(const IID& events, Handler handler);

    // Advises the source's connection point for the sink's interface; false when the
    // source has none or refuses.
    bool Connect(IUnknown* source);
    void Disconnect();
    bool Connected() const { return cookie_ != 0; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO*, UINT*) override;

private:
    TEventSink(const IID& events, Handler handler) : iid_(events), handler_(std::move(handler)) {}
    ~TEventSink() = default;

    IID iid_;
    Handler handler_;
    ULONG refs_ = 1;
    TComPtr<IConnectionPoint> point_;
    DWORD cookie_ = 0;
};

class TOleControlSite;

// A windowed control that holds one ActiveX control, created from its class id the first
// time it is needed and in-place activated over the whole client area when the window
// exists. Subclasses hand the control more host interfaces through SiteQueryInterface
// and answer ambient properties through the Ambient* methods.
class TOleControl : public TWinControl {
    CL_CLASS(TOleControl)
public:
    ~TOleControl() override;

    // The hosted object; null until it has been created (see CreateControl).
    IOleObject* OleObject() const { return oleObject_.get(); }
    // The control's own dispatch interface; null until created.
    IDispatch* ControlDispatch() const { return dispatch_.get(); }
    // The site the control was given: the object through which it reaches its host.
    IOleClientSite* ClientSite() const;
    // The in-place active object the control announced, if any.
    IOleInPlaceActiveObject* ActiveObject() const { return activeObject_.get(); }

    // Creates the hosted object now (also done when the window is made); EOleError when
    // the class cannot be created.
    void CreateControl();

    // Dispatch-identifier properties of the hosted object (created on demand). A failing
    // read raises EOleException/EOleError.
    TOleVariant GetProperty(DISPID id);
    void SetProperty(DISPID id, const TOleVariant& value);
    // The dispatch property id as an interface; null when empty or not a dispatch.
    TComPtr<IDispatch> GetDispatchProperty(DISPID id);

protected:
    TOleControl(TComponent* owner, const CLSID& clsid);

    // Called once the hosted object exists, with its IUnknown.
    virtual void InitControlInterface(IUnknown* control);
    // Further interfaces of the site; the default has none (E_NOINTERFACE).
    virtual HRESULT SiteQueryInterface(REFIID riid, void** out);

    // The ambient-property dispatch of the site.
    virtual HRESULT AmbientGetTypeInfoCount(UINT* count);
    virtual HRESULT AmbientGetTypeInfo(UINT index, LCID lcid, ITypeInfo** info);
    virtual HRESULT AmbientGetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids);
    virtual HRESULT AmbientInvoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                                  VARIANT* result, EXCEPINFO* excep, UINT* argErr);
    // The class library's own ambient answers (user mode, no UI dead, colours, locale...).
    HRESULT DefaultAmbientInvoke(DISPID id, WORD flags, VARIANT* result);

    // The reference count of the site, for subclasses whose host interfaces are part of it.
    HRESULT SiteQueryInterfaceOuter(REFIID riid, void** out);
    ULONG SiteAddRef();
    ULONG SiteRelease();

    void CreateWnd() override;
    void DestroyWnd() override;
    void WndProc(TMessage& message) override;

private:
    friend class TOleControlSite;
    void InPlaceActivate();
    void UpdateObjectRects();
    void DestroyControl();

    CLSID clsid_;
    TOleControlSite* site_;
    TComPtr<IOleObject> oleObject_;
    TComPtr<IDispatch> dispatch_;
    TComPtr<IOleInPlaceObject> inPlaceObject_;
    TComPtr<IOleInPlaceActiveObject> activeObject_;
};

} // namespace cl
