// The browser pane control: host interfaces, flag words, key routing, user-agent value.
#include "browser/WebPane.h"

#include "browser/DdeServer.h"
#include "browser/LibEntries.h"
#include "classlib/Encoding.h"
#include "classlib/Forms.h"
#include "classlib/Registry.h"

#include <dde.h>
#include <shlobj.h>

#include <algorithm>
#include <map>

namespace browser {

using cl::TOleVariant;

namespace {

constexpr DISPID DISPID_AMBIENT_DLCONTROL_ = -5512;
constexpr DWORD CMD_UNLOAD = 37;                 // CGID_Explorer
constexpr DWORD CMD_SHOWSCRIPTERROR = 40;        // OLECMDID_SHOWSCRIPTERROR
constexpr DWORD CMD_REFRESH[] = {2300, 6041, 6042};
constexpr WORD FPU_ALL_MASKED = 0x133F;
constexpr LONG KEY_MESSAGE_POINT = 0x115DE1F1;   // a fixed point, not the cursor
const char USER_AGENT_KEY[] = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\User Agent\\Post Platform";

// {F38BC242-B950-11D1-8918-00C04FC2C836}
const GUID CGID_DocHostCommandHandler_ = {0xF38BC242, 0xB950, 0x11D1, {0x89, 0x18, 0x00, 0xC0, 0x4F, 0xC2, 0xC8, 0x36}};
// {000214D0-0000-0000-C000-000000000046}
const GUID CGID_Explorer_ = {0x000214D0, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

WORD ReadControlWord()
{
    WORD cw;
    __asm__ volatile("fnstcw %0" : "=m"(cw));
    return cw;
}

void WriteControlWord(WORD cw)
{
    __asm__ volatile("fnclex\n\tfldcw %0" : : "m"(cw));
}

// The unit's start-up and shut-down: the floating-point word the runtime started with,
// and OLE for the GUI thread. It starts when a pane (or the saved word) is first needed,
// never while a module loads: in the player library that would be inside DllMain, under
// the loader lock.
struct WebPaneUnit {
    WORD controlWord = ReadControlWord();
    bool oleInitialized = SUCCEEDED(OleInitialize(nullptr));
    ~WebPaneUnit()
    {
        WriteControlWord(controlWord);
        // A library's statics end inside DllMain, where OLE must not be touched; the
        // process's end takes the library's OLE start with it.
        if (oleInitialized && GetModuleHandleA(nullptr) == cl::ModuleInstance()) OleUninitialize();
    }
};

WebPaneUnit& Unit()
{
    static WebPaneUnit unit;
    return unit;
}

// Runs a host method body: a handler's exception becomes the answer (its own OLE code or
// E_UNEXPECTED) and never reaches the browser.
template <class F> HRESULT Guarded(F&& body) noexcept { return cl::SafeCall(IID_NULL, std::forward<F>(body)); }

std::uint32_t SetToWord(std::uint32_t set, const std::uint32_t* values, int count)
{
    std::uint32_t word = 0;
    for (int i = 0; i < count; ++i)
        if (set & (1u << i)) word |= values[i];
    return word;
}

// A property of a script object read late-bound by name.
TOleVariant ReadProperty(IDispatch* object, const wchar_t* name)
{
    DISPID id = 0;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_SYSTEM_DEFAULT, &id);
    if (hr == DISP_E_UNKNOWNNAME)
        throw cl::EOleError(cl::Format("'%s' not supported.", {cl::WideToAnsi(name)}));
    cl::OleCheck(hr);
    DISPPARAMS none{};
    TOleVariant value;
    cl::OleCheck(object->Invoke(id, IID_NULL, LOCALE_SYSTEM_DEFAULT, DISPATCH_PROPERTYGET, &none, value.put(),
                                nullptr, nullptr));
    return value;
}

} // namespace

std::uint16_t StartupControlWord() { return Unit().controlWord; }

const std::uint32_t DownloadControlValues[19] = {
    0x10, 0x20, 0x40, 0x80, 0x100, 0x200, 0x400, 0x800, 0x1000, 0x2000,
    0x4000, 0x8000, 0x10000, 0x20000, 0x40000, 0x10000000, 0x20000000, 0x40000000, 0x80000000,
};
const std::uint32_t UserInterfaceValues[21] = {
    0x1, 0x2, 0x4, 0x8, 0x10, 0x20, 0x40, 0x80, 0x100, 0x200, 0x400,
    0x800, 0x1000, 0x2000, 0x4000, 0x10000, 0x20000, 0x40000, 0x80000, 0x100000, 0x200000,
};
const cl::TEnumType DownloadControlOptionType{{
    "DLCTL_DLIMAGES", "DLCTL_VIDEOS", "DLCTL_BGSOUNDS", "DLCTL_NO_SCRIPTS", "DLCTL_NO_JAVA",
    "DLCTL_NO_RUNACTIVEXCTLS", "DLCTL_NO_DLACTIVEXCTLS", "DLCTL_DOWNLOADONLY", "DLCTL_NO_FRAMEDOWNLOAD",
    "DLCTL_RESYNCHRONIZE", "DLCTL_PRAGMA_NO_CACHE", "DLCTL_NO_BEHAVIORS", "DLCTL_NO_METACHARSET",
    "DLCTL_URL_ENCODING_DISABLE_UTF8", "DLCTL_URL_ENCODING_ENABLE_UTF8", "DLCTL_FORCEOFFLINE",
    "DLCTL_NO_CLIENTPULL", "DLCTL_SILENT", "DLCTL_OFFLINE",
}};
const cl::TEnumType UserInterfaceOptionType{{
    "DIALOG", "DISABLE_HELP_MENU", "NO3DBORDER", "SCROLL_NO", "DISABLE_SCRIPT_INACTIVE", "OPENNEWWIN",
    "DISABLE_OFFSCREEN", "FLAT_SCROLLBAR", "DIV_BLOCKDEFAULT", "ACTIVATE_CLIENTHIT_ONLY",
    "OVERRIDEBEHAVIORFACTORY", "CODEPAGELINKEDFONTS", "URL_ENCODING_DISABLE_UTF8", "URL_ENCODING_ENABLE_UTF8",
    "ENABLE_FORMS_AUTOCOMPLETE", "ENABLE_INPLACE_NAVIGATION", "IME_ENABLE_RECONVERSION", "THEME", "NOTHEME",
    "NOPICS", "NO3DOUTERBORDER",
}};
const cl::TEnumType PrintOrientationType{{"poPortrait", "poLandscape"}};

// ---------------------------------------------------------------------------------------
// Print options

const cl::TClass& TMargins::StaticClass()
{
    return cl::DefineClass<TMargins, cl::TPersistent>("TMargins", [](cl::TPublisher<TMargins>& p) {
        p.Float("Left", &TMargins::Left, &TMargins::Left);
        p.Float("Right", &TMargins::Right, &TMargins::Right);
        p.Float("Top", &TMargins::Top, &TMargins::Top);
        p.Float("Bottom", &TMargins::Bottom, &TMargins::Bottom);
    });
}

void TMargins::Assign(const cl::TPersistent& source)
{
    const auto* m = dynamic_cast<const TMargins*>(&source);
    if (!m) return cl::TPersistent::Assign(source);
    Left = m->Left;
    Right = m->Right;
    Top = m->Top;
    Bottom = m->Bottom;
}

const cl::TClass& TPrintOptions::StaticClass()
{
    return cl::DefineClass<TPrintOptions, cl::TPersistent>("TPrintOptions", [](cl::TPublisher<TPrintOptions>& p) {
        p.Owned("Margins", &TPrintOptions::Margins);
        p.String("Header", &TPrintOptions::Header, &TPrintOptions::Header);
        p.Owned("HTMLHeader", &TPrintOptions::HTMLHeader);
        p.String("Footer", &TPrintOptions::Footer, &TPrintOptions::Footer);
        p.Enum("Orientation", PrintOrientationType, &TPrintOptions::Orientation, &TPrintOptions::Orientation);
    });
}

TPrintOptions::TPrintOptions() : margins_(new TMargins), htmlHeader_(new cl::TStringList)
{
    htmlHeader_->Add("<HTML></HTML>");
}

TPrintOptions::~TPrintOptions()
{
    delete htmlHeader_;
    delete margins_;
}

void TPrintOptions::Assign(const cl::TPersistent& source)
{
    const auto* o = dynamic_cast<const TPrintOptions*>(&source);
    if (!o) return cl::TPersistent::Assign(source);
    margins_->Assign(*o->margins_);
    htmlHeader_->Assign(*o->htmlHeader_);
    Header = o->Header;
    Footer = o->Footer;
    Orientation = o->Orientation;
}

// ---------------------------------------------------------------------------------------
// TWebPane

const cl::TClass& TWebPane::StaticClass()
{
    return cl::DefineClass<TWebPane, cl::TWebBrowser>("TWebPane", [](cl::TPublisher<TWebPane>& p) {
        p.Ref("ProgressBar", &TWebPane::ProgressBar, &TWebPane::ProgressBar);
        p.Set("DownloadOptions", DownloadControlOptionType, &TWebPane::DownloadOptions, &TWebPane::SetDownloadOptions);
        p.Set("UserInterfaceOptions", UserInterfaceOptionType, &TWebPane::UserInterfaceOptions,
              &TWebPane::SetUserInterfaceOptions);
        p.Event("OnUnload", &TWebPane::OnUnload);
        p.Event("OnRefresh", &TWebPane::OnRefresh);
        p.Event("OnScriptError", &TWebPane::OnScriptError);
        p.Event("OnGetOverrideKeyPath", &TWebPane::OnGetOverrideKeyPath);
        p.Event("OnShowContextMenu", &TWebPane::OnShowContextMenu);
        p.Event("OnGetHostInfo", &TWebPane::OnGetHostInfo);
        p.Event("OnShowUI", &TWebPane::OnShowUI);
        p.Event("OnHideUI", &TWebPane::OnHideUI);
        p.Event("OnUpdateUI", &TWebPane::OnUpdateUI);
        p.Event("OnEnableModeless", &TWebPane::OnEnableModeless);
        p.Event("OnOnDocWindowActivate", &TWebPane::OnOnDocWindowActivate);
        p.Event("OnOnFrameWindowActivate", &TWebPane::OnOnFrameWindowActivate);
        p.Event("OnResizeBorder", &TWebPane::OnResizeBorder);
        p.Event("OnTranslateAccelerator", &TWebPane::OnTranslateAccelerator);
        p.Event("OnGetOptionKeyPath", &TWebPane::OnGetOptionKeyPath);
        p.Event("OnGetDropTarget", &TWebPane::OnGetDropTarget);
        p.Event("OnGetExternal", &TWebPane::OnGetExternal);
        p.Event("OnTranslateUrl", &TWebPane::OnTranslateUrl);
        p.Event("OnFilterDataObject", &TWebPane::OnFilterDataObject);
        p.Event("OnShowMessage", &TWebPane::OnShowMessage);
        p.Event("OnShowHelp", &TWebPane::OnShowHelp);
        p.Event("OnGetTypeInfoCount", &TWebPane::OnGetTypeInfoCount);
        p.Event("OnGetTypeInfo", &TWebPane::OnGetTypeInfo);
        p.Event("OnGetIDsOfNames", &TWebPane::OnGetIDsOfNames);
        p.Event("OnInvoke", &TWebPane::OnInvoke);
        p.Event("OnQueryService", &TWebPane::OnQueryService);
        p.Event("OnCloseQuery", &TWebPane::OnCloseQuery);
        p.Event("OnShowDialog", &TWebPane::OnShowDialog);
        p.String("HelpFile", &TWebPane::HelpFile, &TWebPane::HelpFile);
        p.Owned("PrintOptions", &TWebPane::PrintOptions);
        p.String("UserAgent", &TWebPane::UserAgent, &TWebPane::UserAgent);
        p.Bool("ReplaceCaption", &TWebPane::ReplaceCaption, &TWebPane::ReplaceCaption);
        p.Bool("HideBorders", &TWebPane::HideBorders, &TWebPane::HideBorders);
        p.Bool("HideScrollBars", &TWebPane::HideScrollBars, &TWebPane::HideScrollBars);
        p.Bool("DisableRightClickMenu", &TWebPane::DisableRightClickMenu, &TWebPane::DisableRightClickMenu);
        p.Bool("EnableDDE", &TWebPane::EnableDDE, &TWebPane::SetEnableDDE);
        p.Bool("fpExceptions", &TWebPane::FpExceptions, &TWebPane::SetFpExceptions);
    });
}

TWebPane::TWebPane(cl::TComponent* owner) : cl::TWebBrowser(owner), printOptions_(new TPrintOptions)
{
    Unit();
    fpExceptions_ = true; // the control word itself is left alone here
    SetDownloadOptions(SetOf({DLCTL_DLIMAGES, DLCTL_VIDEOS, DLCTL_BGSOUNDS}));
    SetUserInterfaceOptions(0);
    DisableRightClickMenu = false;
    ComputeHostUIWord();
}

TWebPane::~TWebPane()
{
    if (!HasState(cl::csDesigning)) DetachOwnerProc();
    if (ddeWindow_) cl::DeallocateHWnd(ddeWindow_);
    delete printOptions_;
    EraseUserAgentToken();
}

void TWebPane::Loaded()
{
    cl::TWebBrowser::Loaded();
    // No security or zone manager of the pane's own: nothing would ask them, and the
    // browser makes its own.
    ComputeHostUIWord();
    ComputeDownloadWord();
    if (HasState(cl::csDesigning)) return;
    paneHook_ = std::make_unique<cl::TWindowProcHook>(*this, [this](cl::TMessage& message) { PaneWndProc(message); });
    AttachOwnerProc();
    StoreUserAgentToken();
}

// ---------------------------------------------------------------------------------------
// Flag words

void TWebPane::ComputeDownloadWord()
{
    downloadWord_ = SetToWord(downloadOptions_, DownloadControlValues, 19);
}

void TWebPane::ComputeHostUIWord()
{
    const std::uint32_t borders = SetOf({NO3DBORDER, NO3DOUTERBORDER});
    const std::uint32_t scroll = SetOf({SCROLL_NO});
    uiOptions_ = HideBorders ? uiOptions_ | borders : uiOptions_ & ~borders;
    uiOptions_ = HideScrollBars ? uiOptions_ | scroll : uiOptions_ & ~scroll;
    hostUIWord_ = SetToWord(uiOptions_, UserInterfaceValues, 21);
}

void TWebPane::SetDownloadOptions(TDownloadControlOptions options)
{
    downloadOptions_ = options;
    ComputeDownloadWord();
    NotifyDownloadControlChange();
}

void TWebPane::SetUserInterfaceOptions(TUserInterfaceOptions options)
{
    uiOptions_ = options;
    ComputeHostUIWord();
    NotifyDownloadControlChange();
}

// Tells the browser that the download-control ambient changed. While the pane is being
// made or loaded there may be no browser object yet; then there is nobody to tell.
void TWebPane::NotifyDownloadControlChange()
{
    TComPtr<IUnknown> browser = BrowserProperty(cl::DISPID_WB_APPLICATION);
    if (!browser) return;
    TComPtr<IOleControl> control;
    if (FAILED(browser->QueryInterface(IID_IOleControl, reinterpret_cast<void**>(control.put())))) return;
    control->OnAmbientPropertyChange(DISPID_AMBIENT_DLCONTROL_); // advisory: the result changes nothing
}

void TWebPane::SetFpExceptions(bool value)
{
    WriteControlWord(value ? Unit().controlWord : FPU_ALL_MASKED);
    fpExceptions_ = value;
}

void TWebPane::OverrideDispatchProperty(DISPID id, IUnknown* value)
{
    if (id == cl::DISPID_WB_APPLICATION) applicationOverride_ = TComPtr<IUnknown>(value);
    else if (id == cl::DISPID_WB_DOCUMENT) documentOverride_ = TComPtr<IUnknown>(value);
}

// The browser's dispatch property as an interface; null when the browser object does not
// exist yet or the property cannot be read.
TComPtr<IUnknown> TWebPane::BrowserProperty(DISPID id)
{
    if (id == cl::DISPID_WB_APPLICATION && applicationOverride_) return applicationOverride_;
    if (id == cl::DISPID_WB_DOCUMENT && documentOverride_) return documentOverride_;
    if (!ControlDispatch()) return {};
    try {
        TComPtr<IDispatch> disp = GetDispatchProperty(id);
        return disp ? TComPtr<IUnknown>(disp.get()) : TComPtr<IUnknown>();
    } catch (const cl::Exception&) {
        return {};
    }
}

// ---------------------------------------------------------------------------------------
// Navigation

void TWebPane::NavigateUrl(const AnsiString& url)
{
    ComputeHostUIWord();
    const TOleVariant zero(std::int32_t(0));
    Navigate2(TOleVariant(url), zero, zero, zero, zero);
}

void TWebPane::NavigateItemList(LPCITEMIDLIST pidl)
{
    ComputeHostUIWord();
    UINT size = ILGetSize(pidl);
    SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, 0, size);
    if (!array) return;
    TOleVariant url;
    VARIANT* v = url.put();
    v->vt = VT_ARRAY | VT_UI1;
    v->parray = array; // owned by the variant from here
    void* data = nullptr;
    if (FAILED(SafeArrayAccessData(array, &data))) return;
    CopyMemory(data, pidl, size);
    SafeArrayUnaccessData(array);
    Navigate2(url, TOleVariant(), TOleVariant(), TOleVariant(), TOleVariant());
}

// ---------------------------------------------------------------------------------------
// IUnknown

HRESULT TWebPane::QueryInterface(REFIID riid, void** out) { return SiteQueryInterfaceOuter(riid, out); }
ULONG TWebPane::AddRef() { return SiteAddRef(); }
ULONG TWebPane::Release() { return SiteRelease(); }

HRESULT TWebPane::SiteQueryInterface(REFIID riid, void** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    if (riid == IID_IOleCommandTarget) *out = static_cast<IOleCommandTarget*>(this);
    else if (riid == IID_IServiceProvider) *out = static_cast<IServiceProvider*>(this);
    else if (riid == __uuidof(IDocHostUIHandler2) || riid == __uuidof(IDocHostUIHandler))
        *out = static_cast<IDocHostUIHandler2*>(this);
    else if (riid == __uuidof(IDocHostShowUI)) *out = static_cast<IDocHostShowUI*>(this);
    else return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

// ---------------------------------------------------------------------------------------
// IOleCommandTarget

HRESULT TWebPane::QueryStatus(const GUID*, ULONG, OLECMD*, OLECMDTEXT*) { return S_OK; }

HRESULT TWebPane::Exec(const GUID* group, DWORD cmdID, DWORD, VARIANT*, VARIANT* out)
{
    return Guarded([&]() -> HRESULT {
        ComputeHostUIWord();
        if (!group) return OLECMDERR_E_UNKNOWNGROUP;
        HRESULT answer = OLECMDERR_E_NOTSUPPORTED;
        if (IsEqualGUID(*group, CGID_Explorer_)) {
            if (cmdID == CMD_UNLOAD && OnUnload) OnUnload(this);
        } else if (IsEqualGUID(*group, CGID_DocHostCommandHandler_)) {
            bool refresh = std::find(std::begin(CMD_REFRESH), std::end(CMD_REFRESH), cmdID) != std::end(CMD_REFRESH);
            if (OnRefresh && refresh) {
                bool cancel = false;
                OnRefresh(this, static_cast<int>(cmdID), cancel);
                if (cancel) answer = S_OK;
            } else if (cmdID == CMD_SHOWSCRIPTERROR && OnScriptError) {
                answer = ScriptError(out);
            }
        }
        return answer;
    });
}

// The script-error command: the error's details come from the event object of the
// document's window. A detail that cannot be read ends the command unhandled, so the
// browser deals with the error as it would without a host handler.
HRESULT TWebPane::ScriptError(VARIANT* out)
{
    AnsiString line, character, code, message, url;
    try {
        TComPtr<IUnknown> docUnknown = BrowserProperty(cl::DISPID_WB_DOCUMENT);
        if (!docUnknown) return OLECMDERR_E_NOTSUPPORTED;
        TComPtr<IDispatch> doc;
        if (FAILED(docUnknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(doc.put()))))
            return OLECMDERR_E_NOTSUPPORTED;
        TComPtr<IDispatch> window = ReadProperty(doc.get(), L"parentWindow").AsDispatch();
        if (!window) return OLECMDERR_E_NOTSUPPORTED;
        TComPtr<IDispatch> event = ReadProperty(window.get(), L"event").AsDispatch();
        if (!event) return OLECMDERR_E_NOTSUPPORTED;
        character = ReadProperty(event.get(), L"errorCharacter").AsString();
        code = ReadProperty(event.get(), L"errorCode").AsString();
        message = ReadProperty(event.get(), L"errorMessage").AsString();
        url = ReadProperty(event.get(), L"errorUrl").AsString();
        line = ReadProperty(event.get(), L"errorline").AsString();
    } catch (const cl::Exception&) {
        return OLECMDERR_E_NOTSUPPORTED;
    }
    bool continueScript = true;
    bool showDialog = true;
    OnScriptError(this, line, character, code, message, url, continueScript, showDialog);
    if (out) {
        VariantClear(out);
        out->vt = VT_BOOL;
        out->boolVal = continueScript ? VARIANT_TRUE : VARIANT_FALSE;
    }
    return showDialog ? OLECMDERR_E_NOTSUPPORTED : S_OK;
}

// ---------------------------------------------------------------------------------------
// IServiceProvider and the ambient dispatch

HRESULT TWebPane::QueryService(REFGUID service, REFIID riid, void** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!OnQueryService) return E_NOINTERFACE;
    return Guarded([&] {
        TComPtr<IUnknown> obj;
        HRESULT hr = OnQueryService(service, riid, obj);
        *out = obj.release();
        return hr;
    });
}

HRESULT TWebPane::AmbientGetTypeInfoCount(UINT* count)
{
    if (!count) return E_POINTER;
    if (OnGetTypeInfoCount) {
        int n = 0;
        HRESULT hr = OnGetTypeInfoCount(n);
        *count = static_cast<UINT>(n);
        return hr;
    }
    *count = 0;
    return E_NOTIMPL;
}

HRESULT TWebPane::AmbientGetTypeInfo(UINT index, LCID lcid, ITypeInfo** info)
{
    if (!info) return E_POINTER;
    *info = nullptr;
    if (!OnGetTypeInfo) return E_NOTIMPL;
    TComPtr<ITypeInfo> result;
    HRESULT hr = OnGetTypeInfo(static_cast<int>(index), static_cast<int>(lcid), result);
    *info = result.release();
    return hr;
}

HRESULT TWebPane::AmbientGetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids)
{
    if (!OnGetIDsOfNames) return E_NOTIMPL;
    return OnGetIDsOfNames(riid, names, static_cast<int>(count), static_cast<int>(lcid), ids);
}

HRESULT TWebPane::AmbientInvoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                                VARIANT* result, EXCEPINFO* excep, UINT* argErr)
{
    ComputeHostUIWord();
    if ((flags & DISPATCH_PROPERTYGET) && result && id == DISPID_AMBIENT_DLCONTROL_) {
        VariantInit(result);
        result->vt = VT_I4;
        result->lVal = static_cast<LONG>(downloadWord_);
        return S_OK;
    }
    if (OnInvoke) {
        DISPPARAMS none{};
        return OnInvoke(id, riid, static_cast<int>(lcid), flags, params ? *params : none, result, excep, argErr);
    }
    return cl::TWebBrowser::AmbientInvoke(id, riid, lcid, flags, params, result, excep, argErr);
}

// ---------------------------------------------------------------------------------------
// IDocHostUIHandler(2)

HRESULT TWebPane::ShowContextMenu(DWORD id, POINT* pt, IUnknown* cmdt, IDispatch* disp)
{
    if (DisableRightClickMenu) return S_OK;
    if (!OnShowContextMenu) return S_FALSE;
    return Guarded([&] { return OnShowContextMenu(id, pt, cmdt, disp); });
}

HRESULT TWebPane::GetHostInfo(DOCHOSTUIINFO* info)
{
    if (!info) return E_POINTER;
    info->cbSize = 20;
    info->dwFlags = hostUIWord_;
    info->dwDoubleClick = 0;
    if (!OnGetHostInfo) return S_OK;
    return Guarded([&] { return OnGetHostInfo(*info); });
}

HRESULT TWebPane::ShowUI(DWORD id, IOleInPlaceActiveObject* activeObject, IOleCommandTarget* target,
                         IOleInPlaceFrame* frame, IOleInPlaceUIWindow* doc)
{
    if (!OnShowUI) return S_FALSE;
    return Guarded([&] { return OnShowUI(id, activeObject, target, frame, doc); });
}

HRESULT TWebPane::HideUI()
{
    if (!OnHideUI) return S_FALSE;
    return Guarded([&] { return OnHideUI(); });
}

HRESULT TWebPane::UpdateUI()
{
    if (!OnUpdateUI) return S_FALSE;
    return Guarded([&] { return OnUpdateUI(); });
}

HRESULT TWebPane::EnableModeless(WINBOOL enable)
{
    if (!OnEnableModeless) return S_FALSE;
    return Guarded([&] { return OnEnableModeless(enable); });
}

HRESULT TWebPane::OnDocWindowActivate(WINBOOL activate)
{
    if (!OnOnDocWindowActivate) return S_FALSE;
    return Guarded([&] { return OnOnDocWindowActivate(activate); });
}

HRESULT TWebPane::OnFrameWindowActivate(WINBOOL activate)
{
    if (!OnOnFrameWindowActivate) return S_FALSE;
    return Guarded([&] { return OnOnFrameWindowActivate(activate); });
}

HRESULT TWebPane::ResizeBorder(LPCRECT border, IOleInPlaceUIWindow* uiWindow, WINBOOL frameWindow)
{
    if (!OnResizeBorder) return S_FALSE;
    return Guarded([&] { return OnResizeBorder(border, uiWindow, frameWindow); });
}

HRESULT TWebPane::TranslateAccelerator(LPMSG msg, const GUID* group, DWORD cmdID)
{
    if (!OnTranslateAccelerator) return S_FALSE;
    return Guarded([&] { return OnTranslateAccelerator(msg, group, cmdID); });
}

HRESULT TWebPane::GetOptionKeyPath(LPOLESTR* key, DWORD dw)
{
    if (!OnGetOptionKeyPath) return S_FALSE;
    if (!key) return E_POINTER;
    return Guarded([&] { return OnGetOptionKeyPath(*key, dw); });
}

HRESULT TWebPane::GetDropTarget(IDropTarget* dropTarget, IDropTarget** result)
{
    if (!result) return E_POINTER;
    *result = nullptr;
    if (!OnGetDropTarget) return S_OK;
    return Guarded([&] {
        TComPtr<IDropTarget> target;
        HRESULT hr = OnGetDropTarget(dropTarget, target);
        *result = target.release();
        return hr;
    });
}

HRESULT TWebPane::GetExternal(IDispatch** dispatch)
{
    if (!dispatch) return E_POINTER;
    *dispatch = nullptr;
    if (!OnGetExternal) return S_FALSE;
    return Guarded([&] {
        TComPtr<IDispatch> external;
        HRESULT hr = OnGetExternal(external);
        *dispatch = external.release();
        return hr;
    });
}

HRESULT TWebPane::TranslateUrl(DWORD translate, LPWSTR urlIn, LPWSTR* urlOut)
{
    // The browser frees whatever comes back, so an untranslated address is null.
    if (urlOut) *urlOut = nullptr;
    if (!OnTranslateUrl) return S_FALSE;
    if (!urlOut) return E_POINTER;
    return Guarded([&] { return OnTranslateUrl(translate, urlIn, *urlOut); });
}

HRESULT TWebPane::FilterDataObject(IDataObject* dataObject, IDataObject** result)
{
    if (!result) return E_POINTER;
    *result = nullptr;
    if (!OnFilterDataObject) return S_FALSE;
    return Guarded([&] {
        TComPtr<IDataObject> filtered;
        HRESULT hr = OnFilterDataObject(dataObject, filtered);
        *result = filtered.release();
        return hr;
    });
}

HRESULT TWebPane::GetOverrideKeyPath(LPOLESTR* key, DWORD dw)
{
    if (!OnGetOverrideKeyPath) return S_OK;
    return Guarded([&] { return OnGetOverrideKeyPath(key, dw); });
}

// ---------------------------------------------------------------------------------------
// IDocHostShowUI

HRESULT TWebPane::ShowMessage(HWND hwnd, LPOLESTR text, LPOLESTR caption, DWORD type, LPOLESTR helpFile,
                              DWORD helpContext, LRESULT* result)
{
    if (!OnShowMessage) return S_FALSE;
    return Guarded([&] {
        LRESULT answer = result ? *result : 0;
        HRESULT hr = OnShowMessage(hwnd, text, caption, type, helpFile, helpContext, answer);
        if (result) *result = answer;
        return hr;
    });
}

HRESULT TWebPane::ShowHelp(HWND hwnd, LPOLESTR helpFile, UINT command, DWORD data, POINT ptMouse,
                           IDispatch* objectHit)
{
    return Guarded([&]() -> HRESULT {
        if (OnShowHelp) return OnShowHelp(hwnd, helpFile, command, data, ptMouse, objectHit);
        if (HelpFile.empty()) return S_FALSE;
        CallHtmlHelp(hwnd, HelpFile, command, data); // no window is no error here
        return S_OK;
    });
}

// ---------------------------------------------------------------------------------------
// Window procedure

void TWebPane::PaneWndProc(cl::TMessage& message)
{
    try {
        switch (message.Msg) {
        case cl::CN_BASE + WM_KEYDOWN:
        case cl::CN_BASE + WM_KEYUP:
        case cl::CN_BASE + WM_CHAR:
        case cl::CN_BASE + WM_DEADCHAR: RouteKey(message); return;
        case WM_CLOSE: {
            bool canClose = true;
            if (OnCloseQuery) OnCloseQuery(this, canClose);
            if (canClose) paneHook_->CallPrevious(message);
            return;
        }
        case WM_DDE_TERMINATE:
        case WM_DDE_EXECUTE: {
            // Only a conversation this pane accepted is served; anything else is passed on.
            const HWND client = reinterpret_cast<HWND>(message.WParam);
            if (!IsDDEClient(client)) {
                paneHook_->CallPrevious(message);
                FreeDDElParam(message.Msg, message.LParam);
            } else if (message.Msg == WM_DDE_TERMINATE) {
                AnswerDDETerminate(client);
            } else {
                AnswerDDEExecute(client, message.LParam);
            }
            return;
        }
        default: paneHook_->CallPrevious(message); return;
        }
    } catch (...) {
        cl::HandleWindowException(this);
    }
}

// A key notification: offered to the browser's accelerator translation, except the keys
// the browser must get as ordinary keystrokes (Backspace, Enter, the extended arrows
// Left and Right).
void TWebPane::RouteKey(cl::TMessage& message)
{
    const WPARAM key = message.WParam;
    const bool extended = (message.LParam & (1 << 24)) != 0;
    if (key == VK_BACK || key == VK_RETURN || ((key == VK_LEFT || key == VK_RIGHT) && extended)) return;
    MSG msg{};
    msg.hwnd = Handle();
    msg.message = message.Msg - cl::CN_BASE;
    msg.wParam = message.WParam;
    msg.lParam = message.LParam;
    msg.time = static_cast<DWORD>(GetMessageTime());
    msg.pt = {KEY_MESSAGE_POINT, KEY_MESSAGE_POINT};
    message.Result = 0;
    TComPtr<IUnknown> browser = BrowserProperty(cl::DISPID_WB_APPLICATION);
    TComPtr<IOleInPlaceActiveObject> active;
    if (browser && SUCCEEDED(browser->QueryInterface(IID_IOleInPlaceActiveObject,
                                                     reinterpret_cast<void**>(active.put()))))
        message.Result = active->TranslateAccelerator(&msg) == S_OK ? 1 : 0;
}

// ---------------------------------------------------------------------------------------
// User-agent value

namespace {
// Panes of this module holding each user-agent value: the first writes it, the last one
// gone erases it, so that it stays while any pane lives.
std::map<AnsiString, int>& UserAgentHolders()
{
    static std::map<AnsiString, int> holders;
    return holders;
}
} // namespace

void TWebPane::StoreUserAgentToken()
{
    if (userAgentStored_) return;
    userAgentStored_ = true;
    storedUserAgent_ = UserAgent;
    if (++UserAgentHolders()[storedUserAgent_] > 1) return;
    try {
        cl::TRegistry reg;
        reg.SetRootKey(HKEY_CURRENT_USER);
        if (reg.OpenKey(USER_AGENT_KEY, true)) reg.WriteString(storedUserAgent_, "");
    } catch (const cl::Exception&) {
        // No value when the key cannot be written; the browser then sends its own agent.
    }
}

void TWebPane::EraseUserAgentToken()
{
    if (!userAgentStored_) return;
    userAgentStored_ = false;
    auto& holders = UserAgentHolders();
    auto it = holders.find(storedUserAgent_);
    if (it != holders.end() && --it->second > 0) return;
    if (it != holders.end()) holders.erase(it);
    try {
        cl::TRegistry reg;
        reg.SetRootKey(HKEY_CURRENT_USER);
        if (reg.OpenKey(USER_AGENT_KEY, false)) reg.DeleteValue(storedUserAgent_);
    } catch (const cl::Exception&) {
        // A missing key or value is nothing to erase.
    }
}

} // namespace browser
