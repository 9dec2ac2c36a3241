// TWebPane: the browser pane control. It hosts the web browser and answers the browser's
// host questions itself: download and host-UI flags, context menu, script errors, the
// object page script sees as window.external, refresh and unload commands, and the keys
// the browser's accelerator translation gets.
#pragma once

#include "classlib/ComCtrls.h"
#include "classlib/Strings.h"
#include "classlib/WebBrowser.h"

#include <docobj.h>
#include <mshtmhst.h>
#include <servprov.h>
#include <shtypes.h>

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <vector>

namespace browser {

using cl::AnsiString;
using cl::TComPtr;

// Download-control options: member i is bit i of the set. (The platform's mshtmdid.h
// defines these names as macros; it is not included where this header is.)
enum TDownloadControlOption {
    DLCTL_DLIMAGES, DLCTL_VIDEOS, DLCTL_BGSOUNDS, DLCTL_NO_SCRIPTS, DLCTL_NO_JAVA,
    DLCTL_NO_RUNACTIVEXCTLS, DLCTL_NO_DLACTIVEXCTLS, DLCTL_DOWNLOADONLY, DLCTL_NO_FRAMEDOWNLOAD,
    DLCTL_RESYNCHRONIZE, DLCTL_PRAGMA_NO_CACHE, DLCTL_NO_BEHAVIORS, DLCTL_NO_METACHARSET,
    DLCTL_URL_ENCODING_DISABLE_UTF8, DLCTL_URL_ENCODING_ENABLE_UTF8, DLCTL_FORCEOFFLINE,
    DLCTL_NO_CLIENTPULL, DLCTL_SILENT, DLCTL_OFFLINE,
};
using TDownloadControlOptions = std::uint32_t;

// Host-UI options: member i is bit i of the set.
enum TUserInterfaceOption {
    DIALOG, DISABLE_HELP_MENU, NO3DBORDER, SCROLL_NO, DISABLE_SCRIPT_INACTIVE, OPENNEWWIN,
    DISABLE_OFFSCREEN, FLAT_SCROLLBAR, DIV_BLOCKDEFAULT, ACTIVATE_CLIENTHIT_ONLY,
    OVERRIDEBEHAVIORFACTORY, CODEPAGELINKEDFONTS, URL_ENCODING_DISABLE_UTF8,
    URL_ENCODING_ENABLE_UTF8, ENABLE_FORMS_AUTOCOMPLETE, ENABLE_INPLACE_NAVIGATION,
    IME_ENABLE_RECONVERSION, THEME, NOTHEME, NOPICS, NO3DOUTERBORDER,
};
using TUserInterfaceOptions = std::uint32_t;

constexpr std::uint32_t SetOf(std::initializer_list<int> members)
{
    std::uint32_t set = 0;
    for (int m : members) set |= 1u << m;
    return set;
}

// The platform flag of each member, in member order.
extern const std::uint32_t DownloadControlValues[19];
extern const std::uint32_t UserInterfaceValues[21];
extern const cl::TEnumType DownloadControlOptionType;
extern const cl::TEnumType UserInterfaceOptionType;

enum TPrintOrientationOption { poPortrait, poLandscape };
extern const cl::TEnumType PrintOrientationType;

class TMargins : public cl::TPersistent {
    CL_CLASS(TMargins)
public:
    double Left = 0, Right = 0, Top = 0, Bottom = 0;
    void Assign(const cl::TPersistent& source) override;
};

// Page-setup data; stored and loaded with the form, not used otherwise.
class TPrintOptions : public cl::TPersistent {
    CL_CLASS(TPrintOptions)
public:
    TPrintOptions();
    ~TPrintOptions() override;
    TPrintOptions(const TPrintOptions&) = delete;
    TPrintOptions& operator=(const TPrintOptions&) = delete;

    TMargins* Margins() const { return margins_; }
    cl::TStrings* HTMLHeader() const { return htmlHeader_; }
    void SetHTMLHeader(const cl::TStrings& lines) { htmlHeader_->Assign(lines); }
    AnsiString Header;
    AnsiString Footer;
    TPrintOrientationOption Orientation = poPortrait;
    void Assign(const cl::TPersistent& source) override;

private:
    TMargins* margins_;
    cl::TStrings* htmlHeader_;
};

// Events. The five that carry the sender are procedures; the others answer the host
// interface method that raises them.
using TUnloadEvent = std::function<void(cl::TObject* sender)>;
using TRefreshEvent = std::function<void(cl::TObject* sender, int cmdID, bool& cancel)>;
using TScriptErrorEvent = std::function<void(cl::TObject* sender, const AnsiString& errorLine,
                                             const AnsiString& errorCharacter, const AnsiString& errorCode,
                                             const AnsiString& errorMessage, const AnsiString& errorUrl,
                                             bool& continueScript, bool& showDialog)>;
using TGetOverrideKeyPathEvent = std::function<HRESULT(LPOLESTR* pchKey, DWORD dw)>;
using TShowContextMenuEvent =
    std::function<HRESULT(DWORD dwID, POINT* ppt, IUnknown* pcmdtReserved, IDispatch* pdispReserved)>;
using TGetHostInfoEvent = std::function<HRESULT(DOCHOSTUIINFO& info)>;
using TShowUIEvent = std::function<HRESULT(DWORD dwID, IOleInPlaceActiveObject* activeObject,
                                           IOleCommandTarget* commandTarget, IOleInPlaceFrame* frame,
                                           IOleInPlaceUIWindow* doc)>;
using THideUIEvent = std::function<HRESULT()>;
using TUpdateUIEvent = std::function<HRESULT()>;
using TEnableModelessEvent = std::function<HRESULT(BOOL fEnable)>;
using TOnDocWindowActivateEvent = std::function<HRESULT(BOOL fActivate)>;
using TOnFrameWindowActivateEvent = std::function<HRESULT(BOOL fActivate)>;
using TResizeBorderEvent = std::function<HRESULT(LPCRECT prcBorder, IOleInPlaceUIWindow* uiWindow, BOOL frameWindow)>;
using TTranslateAcceleratorEvent = std::function<HRESULT(LPMSG lpMsg, const GUID* pguidCmdGroup, DWORD nCmdID)>;
using TGetOptionKeyPathEvent = std::function<HRESULT(LPOLESTR& pchKey, DWORD dw)>;
using TGetDropTargetEvent = std::function<HRESULT(IDropTarget* dropTarget, TComPtr<IDropTarget>& result)>;
using TGetExternalEvent = std::function<HRESULT(TComPtr<IDispatch>& dispatch)>;
using TTranslateUrlEvent = std::function<HRESULT(DWORD dwTranslate, LPWSTR pchURLIn, LPWSTR& ppchURLOut)>;
using TFilterDataObjectEvent = std::function<HRESULT(IDataObject* pDO, TComPtr<IDataObject>& result)>;
using TShowMessageEvent =
    std::function<HRESULT(HWND hwnd, LPOLESTR text, LPOLESTR caption, DWORD type, LPOLESTR helpFile,
                          DWORD helpContext, LRESULT& result)>;
using TShowHelpEvent = std::function<HRESULT(HWND hwnd, LPOLESTR helpFile, UINT command, DWORD data,
                                             POINT& ptMouse, IDispatch*& dispatchObjectHit)>;
using TGetTypeInFoCountEvent = std::function<HRESULT(int& count)>;
using TGetTypeInfoEvent = std::function<HRESULT(int index, int localeID, TComPtr<ITypeInfo>& typeInfo)>;
using TGetIDsOfNamesEvent =
    std::function<HRESULT(const GUID& iid, LPOLESTR* names, int nameCount, int localeID, DISPID* dispIDs)>;
using TInvokeEvent = std::function<HRESULT(int dispID, const GUID& iid, int localeID, WORD flags,
                                           DISPPARAMS& params, VARIANT* varResult, EXCEPINFO* excepInfo,
                                           UINT* argErr)>;
using TQueryServiceEvent = std::function<HRESULT(const GUID& rsid, const GUID& iid, TComPtr<IUnknown>& obj)>;
using TCloseQueryEvent = std::function<void(cl::TObject* sender, bool& canClose)>;
using TShowDialogEvent = std::function<void(cl::TObject* sender, HWND h)>;

class TWebPane : public cl::TWebBrowser,
                 public IOleCommandTarget,
                 public IServiceProvider,
                 public IDocHostUIHandler2,
                 public IDocHostShowUI {
    CL_CLASS(TWebPane)
public:
    explicit TWebPane(cl::TComponent* owner);
    ~TWebPane() override;

    void Loaded() override;

    // The hidden window that answers DDE initiations: made, with the shell's DDE names read,
    // when EnableDDE is first set; null until then.
    HWND DDEWindow() const { return ddeWindow_; }

    void NavigateUrl(const AnsiString& url);
    // Navigates to "about:blank" and handles messages until the ready state is 4; false
    // when the wait ended otherwise (see WaitForPane).
    bool NavigateBlankWait(DWORD timeoutMs);
    // Navigates to a shell item-ID list, passed to the browser as a byte array.
    void NavigateItemList(LPCITEMIDLIST pidl);

    // Published properties.
    cl::TProgressBar* ProgressBar = nullptr; // kept and stored; nothing reads it
    TDownloadControlOptions DownloadOptions() const { return downloadOptions_; }
    void SetDownloadOptions(TDownloadControlOptions options);
    TUserInterfaceOptions UserInterfaceOptions() const { return uiOptions_; }
    void SetUserInterfaceOptions(TUserInterfaceOptions options);
    AnsiString HelpFile;
    TPrintOptions* PrintOptions() const { return printOptions_; }
    AnsiString UserAgent;
    bool ReplaceCaption = false;
    bool HideBorders = false;
    bool HideScrollBars = false;
    bool DisableRightClickMenu = false;
    bool EnableDDE() const { return enableDDE_; }
    void SetEnableDDE(bool value);
    bool FpExceptions() const { return fpExceptions_; }
    void SetFpExceptions(bool value);

    TUnloadEvent OnUnload;
    TRefreshEvent OnRefresh;
    TScriptErrorEvent OnScriptError;
    TGetOverrideKeyPathEvent OnGetOverrideKeyPath;
    TShowContextMenuEvent OnShowContextMenu;
    TGetHostInfoEvent OnGetHostInfo;
    TShowUIEvent OnShowUI;
    THideUIEvent OnHideUI;
    TUpdateUIEvent OnUpdateUI;
    TEnableModelessEvent OnEnableModeless;
    TOnDocWindowActivateEvent OnOnDocWindowActivate;
    TOnFrameWindowActivateEvent OnOnFrameWindowActivate;
    TResizeBorderEvent OnResizeBorder;
    TTranslateAcceleratorEvent OnTranslateAccelerator;
    TGetOptionKeyPathEvent OnGetOptionKeyPath;
    TGetDropTargetEvent OnGetDropTarget;
    TGetExternalEvent OnGetExternal;
    TTranslateUrlEvent OnTranslateUrl;
    TFilterDataObjectEvent OnFilterDataObject;
    TShowMessageEvent OnShowMessage;
    TShowHelpEvent OnShowHelp;
    TGetTypeInFoCountEvent OnGetTypeInfoCount;
    TGetTypeInfoEvent OnGetTypeInfo;
    TGetIDsOfNamesEvent OnGetIDsOfNames;
    TInvokeEvent OnInvoke;
    TQueryServiceEvent OnQueryService;
    TCloseQueryEvent OnCloseQuery;
    TShowDialogEvent OnShowDialog;

    // The flag words the pane reports.
    std::uint32_t DownloadControlWord() const { return downloadWord_; }
    std::uint32_t HostUIWord() const { return hostUIWord_; }
    void ComputeDownloadWord();
    void ComputeHostUIWord();

    // IUnknown: the site's.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IOleCommandTarget
    HRESULT STDMETHODCALLTYPE QueryStatus(const GUID* group, ULONG count, OLECMD* cmds, OLECMDTEXT* text) override;
    HRESULT STDMETHODCALLTYPE Exec(const GUID* group, DWORD cmdID, DWORD cmdExecOpt, VARIANT* in,
                                   VARIANT* out) override;
    // IServiceProvider
    HRESULT STDMETHODCALLTYPE QueryService(REFGUID service, REFIID riid, void** out) override;
    // IDocHostUIHandler
    HRESULT STDMETHODCALLTYPE ShowContextMenu(DWORD id, POINT* pt, IUnknown* cmdt, IDispatch* disp) override;
    HRESULT STDMETHODCALLTYPE GetHostInfo(DOCHOSTUIINFO* info) override;
    HRESULT STDMETHODCALLTYPE ShowUI(DWORD id, IOleInPlaceActiveObject* activeObject, IOleCommandTarget* target,
                                     IOleInPlaceFrame* frame, IOleInPlaceUIWindow* doc) override;
    HRESULT STDMETHODCALLTYPE HideUI() override;
    HRESULT STDMETHODCALLTYPE UpdateUI() override;
    HRESULT STDMETHODCALLTYPE EnableModeless(WINBOOL enable) override;
    HRESULT STDMETHODCALLTYPE OnDocWindowActivate(WINBOOL activate) override;
    HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(WINBOOL activate) override;
    HRESULT STDMETHODCALLTYPE ResizeBorder(LPCRECT border, IOleInPlaceUIWindow* uiWindow, WINBOOL frameWindow) override;
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG msg, const GUID* group, DWORD cmdID) override;
    HRESULT STDMETHODCALLTYPE GetOptionKeyPath(LPOLESTR* key, DWORD dw) override;
    HRESULT STDMETHODCALLTYPE GetDropTarget(IDropTarget* dropTarget, IDropTarget** result) override;
    HRESULT STDMETHODCALLTYPE GetExternal(IDispatch** dispatch) override;
    HRESULT STDMETHODCALLTYPE TranslateUrl(DWORD translate, LPWSTR urlIn, LPWSTR* urlOut) override;
    HRESULT STDMETHODCALLTYPE FilterDataObject(IDataObject* dataObject, IDataObject** result) override;
    // IDocHostUIHandler2
    HRESULT STDMETHODCALLTYPE GetOverrideKeyPath(LPOLESTR* key, DWORD dw) override;
    // IDocHostShowUI
    HRESULT STDMETHODCALLTYPE ShowMessage(HWND hwnd, LPOLESTR text, LPOLESTR caption, DWORD type, LPOLESTR helpFile,
                                          DWORD helpContext, LRESULT* result) override;
    HRESULT STDMETHODCALLTYPE ShowHelp(HWND hwnd, LPOLESTR helpFile, UINT command, DWORD data, POINT ptMouse,
                                       IDispatch* objectHit) override;

protected:
    HRESULT SiteQueryInterface(REFIID riid, void** out) override;
    HRESULT AmbientGetTypeInfoCount(UINT* count) override;
    HRESULT AmbientGetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
    HRESULT AmbientGetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
    HRESULT AmbientInvoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                          EXCEPINFO* excep, UINT* argErr) override;

    // Test seam: an object that stands in for one of the browser's dispatch properties
    // (the browser object 200, the document 203) when the pane reads it.
    void OverrideDispatchProperty(DISPID id, IUnknown* value);

private:
    TComPtr<IUnknown> BrowserProperty(DISPID id);
    void NotifyDownloadControlChange();
    HRESULT ScriptError(VARIANT* out);
    void PaneWndProc(cl::TMessage& message);
    void RouteKey(cl::TMessage& message);
    void DDEWindowProc(cl::TMessage& message);
    void AnswerDDEInitiate(HWND client, LPARAM lParam);
    bool IsDDEClient(HWND client) const;
    void AnswerDDETerminate(HWND client);
    void AnswerDDEExecute(HWND client, LPARAM lParam);
    WORD ExecuteHtmlCommand(AnsiString url);
    WORD ExecuteFolderCommand(const AnsiString& text);
    void AttachOwnerProc();
    void DetachOwnerProc();
    void OwnerFormWndProc(cl::TMessage& message);
    void RetitleDialog(HWND dialog);
    void StoreUserAgentToken();
    void EraseUserAgentToken();

    TDownloadControlOptions downloadOptions_ = 0;
    TUserInterfaceOptions uiOptions_ = 0;
    bool fpExceptions_ = true;
    TPrintOptions* printOptions_;
    std::uint32_t downloadWord_ = 0;
    std::uint32_t hostUIWord_ = 0;
    std::unique_ptr<cl::TWindowProcHook> paneHook_; // PaneWndProc in the control's chain
    std::unique_ptr<cl::TWindowProcHook> ownerHook_; // OwnerFormWndProc in the owner's chain
    bool enableDDE_ = false;
    HWND ddeWindow_ = nullptr;
    std::vector<HWND> ddeClients_; // acknowledged at initiation, until they terminate
    bool userAgentStored_ = false;
    AnsiString storedUserAgent_; // the value's name as written
    TComPtr<IUnknown> applicationOverride_;
    TComPtr<IUnknown> documentOverride_;
};

// Handles the thread's messages, blocking between them, until ready() holds (true) or the
// pane's window is gone, a WM_QUIT turns up (it stays queued for the loop outside) or
// timeoutMs pass (false). Pages may never finish loading, so every wait has its limit.
bool WaitForPane(TWebPane& pane, const std::function<bool()>& ready, DWORD timeoutMs);

// The floating-point control word saved when the unit started.
std::uint16_t StartupControlWord();

} // namespace browser
