// The second baseline of the start-up benchmark: a window that hosts one web-browser
// control by plain COM, without the class library, so that it loads the same system
// libraries as the client's panes. It embeds the control in place, asks it for a blank
// page and then shows the window.
#include <windows.h>

#include <exdisp.h>
#include <ole2.h>

#include <memory>

namespace {

struct Releaser {
    void operator()(IUnknown* p) const { p->Release(); }
};
template <class T> using ComOwner = std::unique_ptr<T, Releaser>;

// The control's client site, in-place site and frame in one object that lives as long as
// the window, so reference counts are not kept.
class Site final : public IOleClientSite, public IOleInPlaceSite, public IOleInPlaceFrame {
public:
    explicit Site(HWND wnd) : wnd_(wnd) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (!out) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IOleClientSite) {
            *out = static_cast<IOleClientSite*>(this);
        } else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceSite) {
            *out = static_cast<IOleInPlaceSite*>(this);
        } else if (iid == IID_IOleInPlaceUIWindow || iid == IID_IOleInPlaceFrame) {
            *out = static_cast<IOleInPlaceFrame*>(this);
        } else {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    // IOleClientSite
    HRESULT STDMETHODCALLTYPE SaveObject() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** out) override
    {
        *out = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** out) override
    {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IOleWindow
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* out) override
    {
        *out = wnd_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IOleInPlaceSite
    HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnUIActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT pos,
                                               LPRECT clip, LPOLEINPLACEFRAMEINFO info) override
    {
        *frame = this;
        *doc = nullptr;
        GetClientRect(wnd_, pos);
        GetClientRect(wnd_, clip);
        info->fMDIApp = FALSE;
        info->hwndFrame = wnd_;
        info->haccel = nullptr;
        info->cAccelEntries = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Scroll(SIZE) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE DiscardUndoState() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT) override { return S_OK; }

    // IOleInPlaceUIWindow
    HRESULT STDMETHODCALLTYPE GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
    HRESULT STDMETHODCALLTYPE RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
    HRESULT STDMETHODCALLTYPE SetBorderSpace(LPCBORDERWIDTHS) override { return OLE_E_INVALIDRECT; }
    HRESULT STDMETHODCALLTYPE SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }

    // IOleInPlaceFrame
    HRESULT STDMETHODCALLTYPE InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RemoveMenus(HMENU) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetStatusText(LPCOLESTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

private:
    HWND wnd_;
};

LRESULT CALLBACK BrowserProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcA(wnd, msg, wp, lp);
}

// Embeds the control in the window and starts a blank page; the control stays until the
// message loop ends.
int Run(HINSTANCE instance)
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = BrowserProc;
    wc.hInstance = instance;
    wc.lpszClassName = "BrowserWindow";
    RegisterClassA(&wc);
    HWND wnd = CreateWindowA("BrowserWindow", "browser", WS_OVERLAPPEDWINDOW, 0, 0, 823, 570, nullptr, nullptr,
                             instance, nullptr);
    if (!wnd) return 1;
    Site site(wnd);
    IOleObject* raw = nullptr;
    if (FAILED(CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                                reinterpret_cast<void**>(&raw))))
        return 1;
    ComOwner<IOleObject> browser(raw);
    RECT rc;
    GetClientRect(wnd, &rc);
    if (FAILED(browser->SetClientSite(&site)) ||
        FAILED(browser->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, &site, 0, wnd, &rc)))
        return 1;
    IWebBrowser2* web = nullptr;
    if (SUCCEEDED(browser->QueryInterface(IID_IWebBrowser2, reinterpret_cast<void**>(&web)))) {
        ComOwner<IWebBrowser2> owned(web);
        VARIANT empty;
        VariantInit(&empty);
        BSTR url = SysAllocString(L"about:blank");
        owned->Navigate(url, &empty, &empty, &empty, &empty); // the benchmark waits for the window, not the page
        SysFreeString(url);
    }
    ShowWindow(wnd, SW_SHOW);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    browser->Close(OLECLOSE_NOSAVE);
    browser->SetClientSite(nullptr);
    return 0;
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    if (FAILED(OleInitialize(nullptr))) return 1;
    int code = Run(instance);
    OleUninitialize();
    return code;
}
