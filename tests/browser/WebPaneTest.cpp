// The browser pane at the boundary the browser calls: its host interfaces reached through
// the site it hands the browser, its window procedure with real messages, its registry
// value and the floating-point word.
#include "browser/WebPane.h"
#include "tests/browser/Fakes.h"
#include "tests/browser/PaneHost.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "classlib/Forms.h"
#include "classlib/TypInfo.h"

#include <dde.h>
#include <exdispid.h>
#include <olectl.h>

using browser::TWebPane;
using cl::TComPtr;

namespace {

// The control word before anything of the program touched it.
const WORD initialControlWord = [] {
    WORD cw;
    __asm__ volatile("fnstcw %0" : "=m"(cw));
    return static_cast<WORD>(cw | 0x40);
}();

// Bit 6 of the x87 control word is reserved and always reads back as 1.
WORD ControlWord()
{
    WORD cw;
    __asm__ volatile("fnstcw %0" : "=m"(cw));
    return cw | 0x40;
}

const GUID CGID_DocHost = {0xF38BC242, 0xB950, 0x11D1, {0x89, 0x18, 0x00, 0xC0, 0x4F, 0xC2, 0xC8, 0x36}};
const GUID CGID_Shell = {0x000214D0, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const GUID CGID_Other = {0x12345678, 0, 0, {0, 0, 0, 0, 0, 0, 0, 1}};
constexpr HRESULT NOT_SUPPORTED = OLECMDERR_E_NOTSUPPORTED;

template <class I> TComPtr<I> SiteAs(TWebPane& pane, REFIID iid)
{
    TComPtr<I> result;
    pane.ClientSite()->QueryInterface(iid, reinterpret_cast<void**>(result.put()));
    return result;
}

class WebPaneTest : public ::testing::Test {
protected:
    PaneHost host;
    TestPane& pane = host.Pane();
};

} // namespace

TEST_F(WebPaneTest, SiteHandsTheBrowserEveryHostInterface)
{
    for (const IID* iid : {&IID_IOleCommandTarget, &IID_IServiceProvider, &IID_IDispatch,
                           &__uuidof(IDocHostUIHandler), &__uuidof(IDocHostUIHandler2), &__uuidof(IDocHostShowUI),
                           &IID_IOleClientSite, &IID_IOleInPlaceSite, &IID_IOleControlSite}) {
        TComPtr<IUnknown> unknown = SiteAs<IUnknown>(pane, *iid);
        EXPECT_TRUE(unknown) << "interface " << (iid - &IID_IOleCommandTarget);
    }
    // One object identity: every host interface answers IUnknown with the site's.
    TComPtr<IUnknown> siteIdentity = SiteAs<IUnknown>(pane, IID_IUnknown);
    TComPtr<IDocHostUIHandler> handler = SiteAs<IDocHostUIHandler>(pane, __uuidof(IDocHostUIHandler));
    TComPtr<IUnknown> viaHandler;
    handler->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(viaHandler.put()));
    EXPECT_EQ(viaHandler.get(), siteIdentity.get());
}

TEST_F(WebPaneTest, HostUIWordForcesBordersAndScrollBars)
{
    using namespace browser;
    struct Case {
        bool hideBorders, hideScrollBars;
        TUserInterfaceOptions options;
        std::uint32_t word;
        TUserInterfaceOptions readBack;
    };
    const Case cases[] = {
        {true, true, SetOf({NO3DBORDER, SCROLL_NO, NO3DOUTERBORDER}), 0x20000C, SetOf({NO3DBORDER, SCROLL_NO, NO3DOUTERBORDER})},
        {true, false, 0, 0x200004, SetOf({NO3DBORDER, NO3DOUTERBORDER})},
        {false, false, SetOf({SCROLL_NO, DIALOG}), 0x1, SetOf({DIALOG})},
        {false, true, 0, 0x8, SetOf({SCROLL_NO})},
        {false, false, SetOf({NO3DOUTERBORDER, THEME}), 0x40000, SetOf({THEME})},
        {false, false, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "options 0x" << std::hex << c.options);
        pane.HideBorders = c.hideBorders;
        pane.HideScrollBars = c.hideScrollBars;
        pane.SetUserInterfaceOptions(c.options);
        EXPECT_EQ(pane.HostUIWord(), c.word);
        EXPECT_EQ(pane.UserInterfaceOptions(), c.readBack);

        DOCHOSTUIINFO info{};
        info.dwDoubleClick = 7;
        TComPtr<IDocHostUIHandler> handler = SiteAs<IDocHostUIHandler>(pane, __uuidof(IDocHostUIHandler));
        EXPECT_EQ(handler->GetHostInfo(&info), S_OK);
        EXPECT_EQ(info.cbSize, 20u);
        EXPECT_EQ(info.dwFlags, c.word);
        EXPECT_EQ(info.dwDoubleClick, 0u);
    }
}

TEST_F(WebPaneTest, HostInfoHandlerSeesTheFilledRecordAndAnswers)
{
    DOCHOSTUIINFO seen{};
    pane.OnGetHostInfo = [&](DOCHOSTUIINFO& info) {
        seen = info;
        info.dwDoubleClick = 3;
        return HRESULT(0x00040001);
    };
    pane.HideBorders = true;
    pane.SetUserInterfaceOptions(0);
    DOCHOSTUIINFO info{};
    info.cbSize = 999;
    TComPtr<IDocHostUIHandler> handler = SiteAs<IDocHostUIHandler>(pane, __uuidof(IDocHostUIHandler));
    EXPECT_EQ(handler->GetHostInfo(&info), HRESULT(0x00040001));
    EXPECT_EQ(seen.cbSize, 20u);
    EXPECT_EQ(seen.dwFlags, 0x200004u);
    EXPECT_EQ(seen.dwDoubleClick, 0u);
    EXPECT_EQ(info.dwDoubleClick, 3u); // the handler may change the record afterwards
}

TEST_F(WebPaneTest, DownloadWordAndItsAmbientAnswer)
{
    using namespace browser;
    EXPECT_EQ(pane.DownloadOptions(), SetOf({DLCTL_DLIMAGES, DLCTL_VIDEOS, DLCTL_BGSOUNDS}));
    EXPECT_EQ(pane.DownloadControlWord(), 0x70u);
    pane.SetDownloadOptions(SetOf({DLCTL_NO_SCRIPTS, DLCTL_SILENT, DLCTL_OFFLINE}));
    EXPECT_EQ(pane.DownloadControlWord(), 0xC0000080u);

    TComPtr<IDispatch> ambient = SiteAs<IDispatch>(pane, IID_IDispatch);
    DISPPARAMS none{};
    VARIANT result;
    VariantInit(&result);
    EXPECT_EQ(ambient->Invoke(-5512, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr), S_OK);
    EXPECT_EQ(result.vt, VT_I4);
    EXPECT_EQ(static_cast<std::uint32_t>(result.lVal), 0xC0000080u);

    pane.SetDownloadOptions(0);
    EXPECT_EQ(ambient->Invoke(-5512, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr), S_OK);
    EXPECT_EQ(result.lVal, 0);
}

TEST_F(WebPaneTest, AmbientCallsThePaneDoesNotAnswerGoToOnInvokeOrTheClassLibrary)
{
    TComPtr<IDispatch> ambient = SiteAs<IDispatch>(pane, IID_IDispatch);
    DISPPARAMS none{};
    VARIANT result;
    VariantInit(&result);
    // Without a handler: the class library's ambient answers.
    EXPECT_EQ(ambient->Invoke(DISPID_AMBIENT_USERMODE, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &result, nullptr,
                              nullptr), S_OK);
    EXPECT_EQ(result.vt, VT_BOOL);
    EXPECT_EQ(result.boolVal, VARIANT_TRUE);
    EXPECT_EQ(ambient->Invoke(-5512, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, nullptr, nullptr, nullptr),
              DISP_E_MEMBERNOTFOUND);

    std::vector<DISPID> invoked;
    pane.OnInvoke = [&](int id, const GUID&, int, WORD, DISPPARAMS&, VARIANT*, EXCEPINFO*, UINT*) {
        invoked.push_back(id);
        return HRESULT(0x00040002);
    };
    EXPECT_EQ(ambient->Invoke(-5512, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, nullptr, nullptr, nullptr),
              HRESULT(0x00040002));
    EXPECT_EQ(ambient->Invoke(-5512, IID_NULL, 0, DISPATCH_METHOD, &none, &result, nullptr, nullptr),
              HRESULT(0x00040002));
    EXPECT_EQ(ambient->Invoke(DISPID_AMBIENT_USERMODE, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &result, nullptr,
                              nullptr), HRESULT(0x00040002));
    EXPECT_EQ(invoked, (std::vector<DISPID>{-5512, -5512, DISPID_AMBIENT_USERMODE}));
    // The download-control answer itself never reaches the handler.
    EXPECT_EQ(ambient->Invoke(-5512, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr), S_OK);
    EXPECT_EQ(invoked.size(), 3u);
}

TEST_F(WebPaneTest, AmbientTypeInformationWithAndWithoutHandlers)
{
    TComPtr<IDispatch> ambient = SiteAs<IDispatch>(pane, IID_IDispatch);
    UINT count = 9;
    EXPECT_EQ(ambient->GetTypeInfoCount(&count), E_NOTIMPL);
    EXPECT_EQ(count, 0u);
    ITypeInfo* info = reinterpret_cast<ITypeInfo*>(1);
    EXPECT_EQ(ambient->GetTypeInfo(0, 0, &info), E_NOTIMPL);
    EXPECT_EQ(info, nullptr);
    LPOLESTR name = const_cast<LPOLESTR>(L"x");
    DISPID id = 0;
    EXPECT_EQ(ambient->GetIDsOfNames(IID_NULL, &name, 1, 0, &id), E_NOTIMPL);

    pane.OnGetTypeInfoCount = [](int& n) {
        n = 2;
        return S_OK;
    };
    pane.OnGetIDsOfNames = [](const GUID&, LPOLESTR*, int n, int, DISPID* ids) {
        ids[0] = 77;
        return n == 1 ? S_OK : E_FAIL;
    };
    EXPECT_EQ(ambient->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(ambient->GetIDsOfNames(IID_NULL, &name, 1, 0, &id), S_OK);
    EXPECT_EQ(id, 77);
}

TEST_F(WebPaneTest, ContextMenuByFlagAndHandler)
{
    struct Case {
        bool disable;
        bool handler;
        HRESULT answer;
        int calls;
    };
    const Case cases[] = {
        {true, true, S_OK, 0},
        {true, false, S_OK, 0},
        {false, true, HRESULT(0x00040003), 1},
        {false, false, S_FALSE, 0},
    };
    TComPtr<IDocHostUIHandler> handler = SiteAs<IDocHostUIHandler>(pane, __uuidof(IDocHostUIHandler));
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "disable " << c.disable << " handler " << c.handler);
        int calls = 0;
        DWORD seenId = 0;
        pane.DisableRightClickMenu = c.disable;
        pane.OnShowContextMenu = nullptr;
        if (c.handler)
            pane.OnShowContextMenu = [&](DWORD id, POINT*, IUnknown*, IDispatch*) {
                ++calls;
                seenId = id;
                return HRESULT(0x00040003);
            };
        POINT pt{10, 20};
        EXPECT_EQ(handler->ShowContextMenu(4, &pt, nullptr, nullptr), c.answer);
        EXPECT_EQ(calls, c.calls);
        if (c.calls) {
            EXPECT_EQ(seenId, 4u);
        }
    }
}

TEST_F(WebPaneTest, ExternalWithAndWithoutHandler)
{
    TComPtr<IDocHostUIHandler> handler = SiteAs<IDocHostUIHandler>(pane, __uuidof(IDocHostUIHandler));
    IDispatch* external = reinterpret_cast<IDispatch*>(1);
    EXPECT_EQ(handler->GetExternal(&external), S_FALSE);
    EXPECT_EQ(external, nullptr);

    fakes::ScriptObject object;
    struct Case {
        HRESULT answer;
        bool give;
    };
    for (const Case& c : {Case{S_OK, true}, Case{E_ACCESSDENIED, false}, Case{HRESULT(0x00040004), true}}) {
        SCOPED_TRACE(testing::Message() << std::hex << c.answer);
        int calls = 0;
        pane.OnGetExternal = [&](TComPtr<IDispatch>& out) {
            ++calls;
            if (c.give) out = TComPtr<IDispatch>(&object);
            return c.answer;
        };
        external = reinterpret_cast<IDispatch*>(1);
        EXPECT_EQ(handler->GetExternal(&external), c.answer);
        EXPECT_EQ(calls, 1);
        EXPECT_EQ(external, c.give ? static_cast<IDispatch*>(&object) : nullptr);
        if (external) external->Release();
    }
    EXPECT_EQ(object.refs, 1u);
}

TEST_F(WebPaneTest, UnassignedHostMethodsGiveTheirDefaultAnswers)
{
    TComPtr<IDocHostUIHandler2> ui = SiteAs<IDocHostUIHandler2>(pane, __uuidof(IDocHostUIHandler2));
    TComPtr<IDocHostShowUI> show = SiteAs<IDocHostShowUI>(pane, __uuidof(IDocHostShowUI));
    TComPtr<IOleCommandTarget> target = SiteAs<IOleCommandTarget>(pane, IID_IOleCommandTarget);
    ASSERT_TRUE(ui && show && target);
    MSG msg{};
    RECT rc{};
    LPOLESTR key = const_cast<LPOLESTR>(L"keep");
    IDropTarget* drop = reinterpret_cast<IDropTarget*>(1);
    IDataObject* data = reinterpret_cast<IDataObject*>(1);
    LPWSTR url = reinterpret_cast<LPWSTR>(1);
    LRESULT box = 0;
    EXPECT_EQ(ui->ShowUI(0, nullptr, nullptr, nullptr, nullptr), S_FALSE);
    EXPECT_EQ(ui->HideUI(), S_FALSE);
    EXPECT_EQ(ui->UpdateUI(), S_FALSE);
    EXPECT_EQ(ui->EnableModeless(TRUE), S_FALSE);
    EXPECT_EQ(ui->OnDocWindowActivate(TRUE), S_FALSE);
    EXPECT_EQ(ui->OnFrameWindowActivate(TRUE), S_FALSE);
    EXPECT_EQ(ui->ResizeBorder(&rc, nullptr, TRUE), S_FALSE);
    EXPECT_EQ(ui->TranslateAccelerator(&msg, nullptr, 0), S_FALSE);
    EXPECT_EQ(ui->GetOptionKeyPath(&key, 0), S_FALSE);
    EXPECT_EQ(ui->TranslateUrl(0, const_cast<LPWSTR>(L"http://a/"), &url), S_FALSE);
    EXPECT_EQ(url, nullptr);
    EXPECT_EQ(ui->GetDropTarget(nullptr, &drop), S_OK);
    EXPECT_EQ(drop, nullptr);
    EXPECT_EQ(ui->FilterDataObject(nullptr, &data), S_FALSE);
    EXPECT_EQ(data, nullptr);
    EXPECT_EQ(ui->GetOverrideKeyPath(&key, 0), S_OK);
    EXPECT_STREQ(key, L"keep");
    EXPECT_EQ(show->ShowMessage(nullptr, nullptr, nullptr, 0, nullptr, 0, &box), S_FALSE);
    EXPECT_EQ(show->ShowHelp(nullptr, nullptr, 0, 0, POINT{}, nullptr), S_FALSE);
    EXPECT_EQ(target->QueryStatus(&CGID_DocHost, 0, nullptr, nullptr), S_OK);

    TComPtr<IServiceProvider> services = SiteAs<IServiceProvider>(pane, IID_IServiceProvider);
    void* obj = reinterpret_cast<void*>(1);
    EXPECT_EQ(services->QueryService(IID_IUnknown, IID_IUnknown, &obj), E_NOINTERFACE);
    EXPECT_EQ(obj, nullptr);
}

TEST_F(WebPaneTest, AssignedHostMethodsPassTheHandlersAnswerThrough)
{
    const HRESULT mark = HRESULT(0x00040005);
    pane.OnShowUI = [&](DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*, IOleInPlaceFrame*, IOleInPlaceUIWindow*) { return mark; };
    pane.OnHideUI = [&] { return mark; };
    pane.OnEnableModeless = [&](BOOL) { return mark; };
    pane.OnGetOverrideKeyPath = [&](LPOLESTR*, DWORD) { return mark; };
    pane.OnShowMessage = [&](HWND, LPOLESTR, LPOLESTR, DWORD, LPOLESTR, DWORD, LRESULT& r) {
        r = IDOK;
        return S_OK;
    };
    pane.OnShowHelp = [&](HWND, LPOLESTR, UINT, DWORD, POINT&, IDispatch*&) { return mark; };
    fakes::ScriptObject service;
    pane.OnQueryService = [&](const GUID&, const GUID&, TComPtr<IUnknown>& out) {
        out = TComPtr<IUnknown>(static_cast<IDispatch*>(&service));
        return S_OK;
    };
    TComPtr<IDocHostUIHandler2> ui = SiteAs<IDocHostUIHandler2>(pane, __uuidof(IDocHostUIHandler2));
    TComPtr<IDocHostShowUI> show = SiteAs<IDocHostShowUI>(pane, __uuidof(IDocHostShowUI));
    LPOLESTR key = nullptr;
    LRESULT box = 0;
    EXPECT_EQ(ui->ShowUI(0, nullptr, nullptr, nullptr, nullptr), mark);
    EXPECT_EQ(ui->HideUI(), mark);
    EXPECT_EQ(ui->EnableModeless(FALSE), mark);
    EXPECT_EQ(ui->GetOverrideKeyPath(&key, 0), mark);
    EXPECT_EQ(show->ShowMessage(nullptr, nullptr, nullptr, 0, nullptr, 0, &box), S_OK);
    EXPECT_EQ(box, IDOK);
    EXPECT_EQ(show->ShowHelp(nullptr, nullptr, 0, 0, POINT{}, nullptr), mark);

    TComPtr<IServiceProvider> services = SiteAs<IServiceProvider>(pane, IID_IServiceProvider);
    void* obj = nullptr;
    EXPECT_EQ(services->QueryService(IID_IUnknown, IID_IDispatch, &obj), S_OK);
    EXPECT_EQ(obj, static_cast<void*>(static_cast<IDispatch*>(&service)));
    static_cast<IUnknown*>(obj)->Release();
    EXPECT_EQ(service.refs, 1u);
}

TEST_F(WebPaneTest, ShowHelpWithAHelpFileOpensItAndAnswersSOk)
{
    TComPtr<IDocHostShowUI> show = SiteAs<IDocHostShowUI>(pane, __uuidof(IDocHostShowUI));
    pane.HelpFile = "Z:\\nowhere\\missing.chm";
    // The file does not exist: the help call gives no window, the answer is still S_OK,
    // and the help library has been loaded to take it.
    EXPECT_EQ(show->ShowHelp(pane.Handle(), nullptr, 0 /* HH_DISPLAY_TOPIC */, 0, POINT{}, nullptr), S_OK);
    EXPECT_NE(GetModuleHandleA("hhctrl.ocx"), nullptr);
}

TEST_F(WebPaneTest, HandlerExceptionsStayInThePane)
{
    pane.OnGetExternal = [](TComPtr<IDispatch>&) -> HRESULT { throw cl::Exception("handler failed"); };
    pane.OnUnload = [](cl::TObject*) { throw cl::Exception("handler failed"); };
    TComPtr<IDocHostUIHandler> ui = SiteAs<IDocHostUIHandler>(pane, __uuidof(IDocHostUIHandler));
    TComPtr<IOleCommandTarget> target = SiteAs<IOleCommandTarget>(pane, IID_IOleCommandTarget);
    IDispatch* external = nullptr;
    EXPECT_TRUE(FAILED(ui->GetExternal(&external)));
    EXPECT_EQ(external, nullptr);
    EXPECT_TRUE(FAILED(target->Exec(&CGID_Shell, 37, 0, nullptr, nullptr)));
}

// ---------------------------------------------------------------------------------------
// Exec

TEST_F(WebPaneTest, ExecByGroupAndCommand)
{
    struct Case {
        const GUID* group;
        DWORD cmd;
        bool cancel; // what the refresh handler answers
        HRESULT answer;
        int unloads, refreshes;
    };
    const Case cases[] = {
        {nullptr, 37, false, OLECMDERR_E_UNKNOWNGROUP, 0, 0},
        {nullptr, 2300, true, OLECMDERR_E_UNKNOWNGROUP, 0, 0},
        {&CGID_Shell, 37, false, NOT_SUPPORTED, 1, 0},
        {&CGID_Shell, 38, false, NOT_SUPPORTED, 0, 0},
        {&CGID_Shell, 2300, true, NOT_SUPPORTED, 0, 0},
        {&CGID_DocHost, 2300, true, S_OK, 0, 1},
        {&CGID_DocHost, 6041, true, S_OK, 0, 1},
        {&CGID_DocHost, 6042, true, S_OK, 0, 1},
        {&CGID_DocHost, 6042, false, NOT_SUPPORTED, 0, 1},
        {&CGID_DocHost, 2301, true, NOT_SUPPORTED, 0, 0},
        {&CGID_DocHost, 37, false, NOT_SUPPORTED, 0, 0},
        {&CGID_Other, 2300, true, NOT_SUPPORTED, 0, 0},
    };
    TComPtr<IOleCommandTarget> target = SiteAs<IOleCommandTarget>(pane, IID_IOleCommandTarget);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "command " << c.cmd);
        int unloads = 0, refreshes = 0, scriptErrors = 0, seenCmd = 0;
        pane.OnUnload = [&](cl::TObject* sender) {
            EXPECT_EQ(sender, &pane);
            ++unloads;
        };
        pane.OnRefresh = [&](cl::TObject*, int cmd, bool& cancel) {
            EXPECT_FALSE(cancel);
            seenCmd = cmd;
            cancel = c.cancel;
            ++refreshes;
        };
        pane.OnScriptError = [&](cl::TObject*, const cl::AnsiString&, const cl::AnsiString&, const cl::AnsiString&,
                                 const cl::AnsiString&, const cl::AnsiString&, bool&, bool&) { ++scriptErrors; };
        EXPECT_EQ(target->Exec(c.group, c.cmd, 0, nullptr, nullptr), c.answer);
        EXPECT_EQ(unloads, c.unloads);
        EXPECT_EQ(refreshes, c.refreshes);
        EXPECT_EQ(scriptErrors, 0);
        if (c.refreshes) {
            EXPECT_EQ(seenCmd, static_cast<int>(c.cmd));
        }
    }
}

TEST_F(WebPaneTest, ExecWithoutHandlersLeavesEveryCommandToTheBrowser)
{
    TComPtr<IOleCommandTarget> target = SiteAs<IOleCommandTarget>(pane, IID_IOleCommandTarget);
    for (DWORD cmd : {37u, 40u, 2300u, 6041u, 6042u}) {
        EXPECT_EQ(target->Exec(&CGID_Shell, cmd, 0, nullptr, nullptr), NOT_SUPPORTED) << cmd;
        EXPECT_EQ(target->Exec(&CGID_DocHost, cmd, 0, nullptr, nullptr), NOT_SUPPORTED) << cmd;
    }
}

TEST_F(WebPaneTest, ExecRecomputesTheHostUIWord)
{
    pane.SetUserInterfaceOptions(0);
    pane.HideBorders = true; // a plain field: takes effect at the next recomputation
    EXPECT_EQ(pane.HostUIWord(), 0u);
    TComPtr<IOleCommandTarget> target = SiteAs<IOleCommandTarget>(pane, IID_IOleCommandTarget);
    target->Exec(nullptr, 0, 0, nullptr, nullptr);
    EXPECT_EQ(pane.HostUIWord(), 0x200004u);
}

// A document whose parentWindow.event is an error event of the test's own.
struct ScriptErrorPage {
    fakes::ScriptObject document, window, event;
    ScriptErrorPage()
    {
        document.SetObject(L"parentWindow", &window);
        window.SetObject(L"event", &event);
        event.SetInt(L"errorline", 12);
        event.SetInt(L"errorCharacter", 5);
        event.SetInt(L"errorCode", 0);
        event.SetText(L"errorMessage", L"'x' 未定义");
        event.SetText(L"errorUrl", L"http://portal/box/");
    }
};

struct ScriptErrorCall {
    int calls = 0;
    std::vector<cl::AnsiString> texts;
};

TEST_F(WebPaneTest, ScriptErrorReadsTheEventAndAnswersByShowDialog)
{
    struct Case {
        bool continueScript, showDialog;
        HRESULT answer;
    };
    const Case cases[] = {
        {true, false, S_OK},
        {false, false, S_OK},
        {true, true, NOT_SUPPORTED},
        {false, true, NOT_SUPPORTED},
    };
    ScriptErrorPage page;
    pane.OverrideDispatchProperty(cl::DISPID_WB_DOCUMENT, &page.document);
    TComPtr<IOleCommandTarget> target = SiteAs<IOleCommandTarget>(pane, IID_IOleCommandTarget);
    ScriptErrorCall call;
    Case current{};
    pane.OnScriptError = [&](cl::TObject* sender, const cl::AnsiString& line, const cl::AnsiString& character,
                                 const cl::AnsiString& code, const cl::AnsiString& message,
                                 const cl::AnsiString& url, bool& continueScript, bool& showDialog) {
            EXPECT_EQ(sender, &pane);
            EXPECT_TRUE(continueScript);
            EXPECT_TRUE(showDialog);
            ++call.calls;
            call.texts = {line, character, code, message, url};
            continueScript = current.continueScript;
            showDialog = current.showDialog;
        };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "continue " << c.continueScript << " dialog " << c.showDialog);
        current = c;
        call = ScriptErrorCall{};
        page.event.asked.clear();
        VARIANT out;
        VariantInit(&out);
        EXPECT_EQ(target->Exec(&CGID_DocHost, OLECMDID_SHOWSCRIPTERROR, 0, nullptr, &out), c.answer);
        EXPECT_EQ(call.calls, 1);
        EXPECT_EQ(call.texts, (std::vector<cl::AnsiString>{"12", "5", "0", "'x' 未定义", "http://portal/box/"}));
        EXPECT_EQ(page.event.asked, (std::vector<std::wstring>{L"errorCharacter", L"errorCode", L"errorMessage",
                                                               L"errorUrl", L"errorline"}));
        EXPECT_EQ(out.vt, VT_BOOL);
        EXPECT_EQ(out.boolVal, c.continueScript ? VARIANT_TRUE : VARIANT_FALSE);
    }
    // Without an output variant the answer is the same.
    current = {true, false, S_OK};
    EXPECT_EQ(target->Exec(&CGID_DocHost, OLECMDID_SHOWSCRIPTERROR, 0, nullptr, nullptr), S_OK);
    pane.OverrideDispatchProperty(cl::DISPID_WB_DOCUMENT, nullptr);
    EXPECT_EQ(page.document.refs, 1u);
}

TEST_F(WebPaneTest, ScriptErrorThatCannotBeReadEndsTheCommandUnhandled)
{
    struct Case {
        const char* what;
        void (*spoil)(ScriptErrorPage&);
    };
    const Case cases[] = {
        {"no event object", [](ScriptErrorPage& p) { p.window.SetObject(L"event", nullptr); }},
        {"no window", [](ScriptErrorPage& p) { p.document.SetObject(L"parentWindow", nullptr); }},
        {"missing property", [](ScriptErrorPage& p) {
             // A fresh event without errorUrl.
             static fakes::ScriptObject partial;
             partial.SetInt(L"errorline", 1);
             partial.SetInt(L"errorCharacter", 1);
             partial.SetInt(L"errorCode", 1);
             partial.SetText(L"errorMessage", L"m");
             p.window.SetObject(L"event", &partial);
         }},
        {"failing read", [](ScriptErrorPage& p) { p.event.failInvoke = E_ACCESSDENIED; }},
        {"unconvertible value", [](ScriptErrorPage& p) { p.event.SetObject(L"errorCode", &p.window); }},
    };
    TComPtr<IOleCommandTarget> target = SiteAs<IOleCommandTarget>(pane, IID_IOleCommandTarget);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptErrorPage page;
        c.spoil(page);
        pane.OverrideDispatchProperty(cl::DISPID_WB_DOCUMENT, &page.document);
        int calls = 0;
        pane.OnScriptError = [&](cl::TObject*, const cl::AnsiString&, const cl::AnsiString&, const cl::AnsiString&,
                                 const cl::AnsiString&, const cl::AnsiString&, bool&, bool& showDialog) {
            ++calls;
            showDialog = false;
        };
        VARIANT out;
        VariantInit(&out);
        EXPECT_EQ(target->Exec(&CGID_DocHost, OLECMDID_SHOWSCRIPTERROR, 0, nullptr, &out), NOT_SUPPORTED);
        EXPECT_EQ(calls, 0);
        EXPECT_EQ(out.vt, VT_EMPTY);
        pane.OverrideDispatchProperty(cl::DISPID_WB_DOCUMENT, nullptr);
    }
}

TEST_F(WebPaneTest, ScriptErrorWithoutADocumentRaisesNothing)
{
    // The real browser under test has no HTML engine, so it has no document either.
    int calls = 0;
    pane.OnScriptError = [&](cl::TObject*, const cl::AnsiString&, const cl::AnsiString&, const cl::AnsiString&,
                             const cl::AnsiString&, const cl::AnsiString&, bool&, bool&) { ++calls; };
    TComPtr<IOleCommandTarget> target = SiteAs<IOleCommandTarget>(pane, IID_IOleCommandTarget);
    EXPECT_EQ(target->Exec(&CGID_DocHost, OLECMDID_SHOWSCRIPTERROR, 0, nullptr, nullptr), NOT_SUPPORTED);
    EXPECT_EQ(calls, 0);
}

// ---------------------------------------------------------------------------------------
// Option setters and the browser object

TEST_F(WebPaneTest, OptionSettersTellTheBrowserObject)
{
    fakes::BrowserObject browserObject;
    pane.OverrideDispatchProperty(cl::DISPID_WB_APPLICATION, static_cast<IOleControl*>(&browserObject));
    pane.SetDownloadOptions(0);
    pane.SetUserInterfaceOptions(0);
    EXPECT_EQ(browserObject.ambientChanges, (std::vector<DISPID>{-5512, -5512}));
    pane.OverrideDispatchProperty(cl::DISPID_WB_APPLICATION, nullptr);
    EXPECT_EQ(browserObject.refs, 1u);
}

TEST(WebPaneLoading, OptionSettersBeforeTheBrowserExistsDoNotFail)
{
    TestPane pane(nullptr);
    EXPECT_EQ(pane.OleObject(), nullptr);
    EXPECT_NO_THROW(pane.SetDownloadOptions(browser::SetOf({browser::DLCTL_SILENT})));
    EXPECT_NO_THROW(pane.SetUserInterfaceOptions(browser::SetOf({browser::THEME})));
    EXPECT_EQ(pane.OleObject(), nullptr);
    EXPECT_EQ(pane.DownloadControlWord(), 0x40000000u);
}

TEST_F(WebPaneTest, TheRealBrowserIsHostedInPlace)
{
    ASSERT_NE(pane.OleObject(), nullptr);
    ASSERT_NE(pane.ControlInterface(), nullptr);
    HWND child = GetWindow(pane.Handle(), GW_CHILD);
    ASSERT_NE(child, nullptr);
    RECT client, childRect;
    GetClientRect(pane.Handle(), &client);
    GetWindowRect(child, &childRect);
    EXPECT_EQ(childRect.right - childRect.left, client.right);
    EXPECT_EQ(childRect.bottom - childRect.top, client.bottom);
    // A resized pane resizes the browser with it.
    pane.SetBounds(0, 0, 200, 120);
    GetWindowRect(child, &childRect);
    EXPECT_EQ(childRect.right - childRect.left, 200);
    EXPECT_EQ(childRect.bottom - childRect.top, 120);
    // The properties read by dispatch identifier; without an HTML engine there is no
    // document and loading never completes.
    EXPECT_TRUE(pane.Application());
    EXPECT_FALSE(pane.Document());
    EXPECT_LT(pane.ReadyState(), 4);
    EXPECT_FALSE(pane.Busy());
    // The browser object answers the option setters' notification itself.
    EXPECT_NO_THROW(pane.SetDownloadOptions(0x7));
}

TEST_F(WebPaneTest, NavigationRaisesBeforeNavigate2AndCancelWorks)
{
    std::vector<std::wstring> urls;
    pane.OnBeforeNavigate2 = [&](cl::TObject* sender, IDispatch*, const VARIANT& url, const VARIANT&, const VARIANT&,
                                 const VARIANT&, const VARIANT&, bool& cancel) {
        EXPECT_EQ(sender, &pane);
        urls.push_back(url.vt == VT_BSTR ? url.bstrVal : L"?");
        cancel = true;
    };
    EXPECT_NO_THROW(pane.NavigateUrl("about:blank"));
    ASSERT_EQ(urls.size(), 1u);
    EXPECT_EQ(urls[0], L"about:blank");
    EXPECT_FALSE(pane.Busy());

    // A handler's exception stays on the pane's side: it goes to the application's
    // exception handling and navigation returns normally.
    std::vector<std::string> reported;
    cl::Application->OnException = [&](cl::TObject* sender, const std::exception& e) {
        EXPECT_EQ(sender, &pane);
        reported.push_back(e.what());
    };
    pane.OnBeforeNavigate2 = [&](cl::TObject*, IDispatch*, const VARIANT&, const VARIANT&, const VARIANT&,
                                 const VARIANT&, const VARIANT&, bool& cancel) {
        cancel = true;
        throw cl::Exception("handler failed");
    };
    EXPECT_NO_THROW(pane.NavigateUrl("about:blank"));
    cl::Application->OnException = nullptr;
    EXPECT_EQ(reported, std::vector<std::string>{"handler failed"});
}

TEST_F(WebPaneTest, AFailingBrowserNavigationReachesTheCaller)
{
    // Wine's browser takes no item-ID lists: its refusal must come back as an error.
    const BYTE list[] = {6, 0, 'a', 'b', 'c', 'd', 0, 0};
    bool offered = false;
    pane.OnBeforeNavigate2 = [&](cl::TObject*, IDispatch*, const VARIANT&, const VARIANT&, const VARIANT&,
                                 const VARIANT&, const VARIANT&, bool&) { offered = true; };
    EXPECT_THROW(pane.NavigateItemList(reinterpret_cast<LPCITEMIDLIST>(list)), cl::EOleSysError);
    EXPECT_FALSE(offered);
}

// The browser's events as it delivers them: arguments last first, Cancel and the new
// window by reference.
TEST_F(WebPaneTest, BrowserEventsReachTheirHandlersAndWriteBackByReferenceArguments)
{
    fakes::ScriptObject frame, newWindow;
    VARIANT_BOOL cancel = VARIANT_FALSE;
    VARIANT url;
    url.vt = VT_BSTR;
    url.bstrVal = SysAllocString(L"http://portal/box/");
    VARIANT empty;
    VariantInit(&empty);

    // BeforeNavigate2(pDisp, URL, Flags, TargetFrameName, PostData, Headers, Cancel)
    VARIANT before[7];
    for (VARIANT& v : before) VariantInit(&v);
    before[6].vt = VT_DISPATCH;
    before[6].pdispVal = &frame;
    for (int i = 1; i <= 5; ++i) {
        before[i].vt = VT_BYREF | VT_VARIANT;
        before[i].pvarVal = i == 5 ? &url : &empty;
    }
    before[0].vt = VT_BYREF | VT_BOOL;
    before[0].pboolVal = &cancel;
    DISPPARAMS beforeParams{before, nullptr, 7, 0};
    std::wstring seenUrl;
    IDispatch* seenFrame = nullptr;
    pane.OnBeforeNavigate2 = [&](cl::TObject*, IDispatch* disp, const VARIANT& u, const VARIANT&, const VARIANT&,
                                 const VARIANT&, const VARIANT&, bool& c) {
        seenFrame = disp;
        seenUrl = u.vt == VT_BSTR ? u.bstrVal : L"?";
        EXPECT_FALSE(c);
        c = true;
    };
    EXPECT_EQ(pane.BrowserEvent(DISPID_BEFORENAVIGATE2, &beforeParams), S_OK);
    EXPECT_EQ(seenFrame, static_cast<IDispatch*>(&frame));
    EXPECT_EQ(seenUrl, L"http://portal/box/");
    EXPECT_EQ(cancel, VARIANT_TRUE);

    // NewWindow2(ppDisp, Cancel)
    IDispatch* target = nullptr;
    cancel = VARIANT_FALSE;
    VARIANT nw[2];
    nw[1].vt = VT_BYREF | VT_DISPATCH;
    nw[1].ppdispVal = &target;
    nw[0].vt = VT_BYREF | VT_BOOL;
    nw[0].pboolVal = &cancel;
    DISPPARAMS nwParams{nw, nullptr, 2, 0};
    pane.OnNewWindow2 = [&](cl::TObject*, TComPtr<IDispatch>& disp, bool&) {
        EXPECT_FALSE(disp);
        disp = TComPtr<IDispatch>(&newWindow);
    };
    EXPECT_EQ(pane.BrowserEvent(DISPID_NEWWINDOW2, &nwParams), S_OK);
    EXPECT_EQ(target, static_cast<IDispatch*>(&newWindow));
    EXPECT_EQ(cancel, VARIANT_FALSE);
    target->Release();
    EXPECT_EQ(newWindow.refs, 1u);

    // TitleChange(Text) and DocumentComplete(pDisp, URL)
    VARIANT title;
    title.vt = VT_BSTR;
    title.bstrVal = SysAllocString(L"Orvane游戏盒");
    DISPPARAMS titleParams{&title, nullptr, 1, 0};
    std::wstring seenTitle;
    pane.OnTitleChange = [&](cl::TObject*, const std::wstring& text) { seenTitle = text; };
    EXPECT_EQ(pane.BrowserEvent(DISPID_TITLECHANGE, &titleParams), S_OK);
    EXPECT_EQ(seenTitle, L"Orvane游戏盒");

    VARIANT done[2];
    done[1].vt = VT_DISPATCH;
    done[1].pdispVal = &frame;
    done[0].vt = VT_BYREF | VT_VARIANT;
    done[0].pvarVal = &url;
    DISPPARAMS doneParams{done, nullptr, 2, 0};
    int completed = 0;
    pane.OnDocumentComplete = [&](cl::TObject* sender, IDispatch* disp, const VARIANT& u) {
        EXPECT_EQ(sender, &pane);
        EXPECT_EQ(disp, static_cast<IDispatch*>(&frame));
        EXPECT_EQ(u.vt, VT_BSTR);
        ++completed;
    };
    EXPECT_EQ(pane.BrowserEvent(DISPID_DOCUMENTCOMPLETE, &doneParams), S_OK);
    EXPECT_EQ(completed, 1);

    // A handler that fails: reported to the application, the browser gets S_OK and its
    // Cancel is left as it was.
    std::vector<std::string> reported;
    cl::Application->OnException = [&](cl::TObject*, const std::exception& e) { reported.push_back(e.what()); };
    cancel = VARIANT_FALSE;
    pane.OnBeforeNavigate2 = [&](cl::TObject*, IDispatch*, const VARIANT&, const VARIANT&, const VARIANT&,
                                 const VARIANT&, const VARIANT&, bool& c) {
        c = true;
        throw cl::Exception("handler failed");
    };
    EXPECT_EQ(pane.BrowserEvent(DISPID_BEFORENAVIGATE2, &beforeParams), S_OK);
    cl::Application->OnException = nullptr;
    EXPECT_EQ(reported, std::vector<std::string>{"handler failed"});
    EXPECT_EQ(cancel, VARIANT_FALSE);
    pane.OnBeforeNavigate2 = nullptr;

    VariantClear(&url);
    VariantClear(&title);
    EXPECT_EQ(frame.refs, 1u);
}

// ---------------------------------------------------------------------------------------
// Window procedure

TEST_F(WebPaneTest, KeyNotificationsGoToTheBrowsersAcceleratorsExceptTheKeysItMustGetPlainly)
{
    fakes::BrowserObject browserObject;
    pane.OverrideDispatchProperty(cl::DISPID_WB_APPLICATION, static_cast<IOleInPlaceActiveObject*>(&browserObject));
    const LPARAM ext = 1 << 24;
    struct Case {
        UINT msg;
        WPARAM key;
        LPARAM lp;
        HRESULT answer;
        bool translated;
        LRESULT result;
    };
    const Case cases[] = {
        {cl::CN_KEYDOWN, VK_BACK, 0x000E0001, S_OK, false, 0},
        {cl::CN_KEYDOWN, VK_RETURN, 0x001C0001, S_OK, false, 0},
        {cl::CN_CHAR, VK_RETURN, 0x001C0001, S_OK, false, 0},
        {cl::CN_KEYDOWN, VK_LEFT, 0x004B0001 | ext, S_OK, false, 0},
        {cl::CN_KEYUP, VK_RIGHT, LPARAM(0xC04D0001) | ext, S_OK, false, 0},
        {cl::CN_KEYDOWN, VK_LEFT, 0x004B0001, S_OK, true, 1},   // keypad arrow
        {cl::CN_KEYDOWN, VK_RIGHT, 0x004D0001, S_FALSE, true, 0},
        {cl::CN_KEYDOWN, VK_UP, 0x00480001 | ext, S_OK, true, 1},
        {cl::CN_KEYDOWN, VK_TAB, 0x000F0001, S_OK, true, 1},
        {cl::CN_CHAR, 'a', 0x001E0001, S_FALSE, true, 0},
        {cl::CN_DEADCHAR, '^', 0x00290001, S_OK, true, 1},
        {cl::CN_KEYUP, 'A', LPARAM(0xC01E0001), S_OK, true, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "message 0x" << std::hex << c.msg << " key 0x" << c.key);
        browserObject.translated.clear();
        browserObject.translateAnswer = c.answer;
        EXPECT_EQ(SendMessageA(pane.Handle(), c.msg, c.key, c.lp), c.result);
        ASSERT_EQ(browserObject.translated.size(), c.translated ? 1u : 0u);
        if (!c.translated) continue;
        const MSG& m = browserObject.translated[0];
        EXPECT_EQ(m.hwnd, pane.Handle());
        EXPECT_EQ(m.message, c.msg - cl::CN_BASE);
        EXPECT_EQ(m.wParam, c.key);
        EXPECT_EQ(m.lParam, c.lp);
        EXPECT_EQ(m.pt.x, 0x115DE1F1);
        EXPECT_EQ(m.pt.y, 0x115DE1F1);
    }
    for (UINT msg : host.EarlierLink())
        EXPECT_FALSE(msg >= cl::CN_KEYDOWN && msg <= cl::CN_DEADCHAR) << "reached the earlier procedure: " << msg;
    pane.OverrideDispatchProperty(cl::DISPID_WB_APPLICATION, nullptr);
    EXPECT_EQ(browserObject.refs, 1u);
}

TEST_F(WebPaneTest, KeysPostedToTheBrowsersWindowReachItThroughTheApplicationLoop)
{
    fakes::BrowserObject browserObject;
    pane.OverrideDispatchProperty(cl::DISPID_WB_APPLICATION, static_cast<IOleInPlaceActiveObject*>(&browserObject));
    HWND browserWindow = GetWindow(pane.Handle(), GW_CHILD);
    ASSERT_NE(browserWindow, nullptr);
    PostMessageA(browserWindow, WM_KEYDOWN, VK_TAB, 0x000F0001);
    PostMessageA(browserWindow, WM_KEYDOWN, VK_BACK, 0x000E0001);
    cl::Application->ProcessMessages();
    ASSERT_EQ(browserObject.translated.size(), 1u);
    EXPECT_EQ(browserObject.translated[0].message, static_cast<UINT>(WM_KEYDOWN));
    EXPECT_EQ(browserObject.translated[0].wParam, static_cast<WPARAM>(VK_TAB));
    pane.OverrideDispatchProperty(cl::DISPID_WB_APPLICATION, nullptr);
}

TEST_F(WebPaneTest, CloseRequestGoesOnOnlyWhenCloseQueryAllows)
{
    const HWND window = pane.Handle();
    for (bool allow : {false, true}) {
        SCOPED_TRACE(allow);
        int asked = 0;
        pane.OnCloseQuery = [&](cl::TObject* sender, bool& canClose) {
            EXPECT_EQ(sender, &pane);
            EXPECT_TRUE(canClose);
            ++asked;
            canClose = allow;
        };
        host.EarlierLink().clear();
        SendMessageA(pane.Handle(), WM_CLOSE, 0, 0);
        EXPECT_EQ(asked, 1);
        const auto& seen = host.EarlierLink();
        EXPECT_EQ(std::count(seen.begin(), seen.end(), WM_CLOSE), allow ? 1 : 0);
        // Refused, the window lives on; allowed, the default handling destroys it.
        EXPECT_EQ(IsWindow(window) != FALSE, !allow);
    }
}

TEST_F(WebPaneTest, OtherMessagesReachTheEarlierProcedure)
{
    host.EarlierLink().clear();
    SendMessageA(pane.Handle(), WM_APP + 5, 0, 0);
    EXPECT_EQ(host.EarlierLink(), std::vector<UINT>{WM_APP + 5});
}

// ---------------------------------------------------------------------------------------
// Floating-point word

TEST(WebPaneFloatingPoint, ExceptionsOffMasksAllAndOnRestoresTheStartupWord)
{
    EXPECT_EQ(browser::StartupControlWord() | 0x40, initialControlWord);
    TestPane pane(nullptr);
    EXPECT_TRUE(pane.FpExceptions());
    EXPECT_EQ(ControlWord(), initialControlWord) << "the constructor leaves the word alone";
    pane.SetFpExceptions(false);
    EXPECT_EQ(ControlWord(), 0x133F | 0x40);
    EXPECT_FALSE(pane.FpExceptions());
    pane.SetFpExceptions(true);
    EXPECT_EQ(ControlWord(), initialControlWord);
    EXPECT_NE(initialControlWord, 0x1332) << "the runtime's own word, not a fixed one";
}

TEST(WebPanePublished, PropertiesAndTheirValuesAfterCreate)
{
    TestPane pane(nullptr);
    const char* const names[] = {"ProgressBar", "DownloadOptions", "UserInterfaceOptions", "OnUnload", "OnRefresh",
                                 "OnScriptError", "OnGetExternal", "OnCloseQuery", "OnShowDialog", "HelpFile",
                                 "PrintOptions", "UserAgent", "ReplaceCaption", "HideBorders", "HideScrollBars",
                                 "DisableRightClickMenu", "EnableDDE", "fpExceptions", "OnBeforeNavigate2",
                                 "OnDocumentComplete"};
    for (const char* name : names) EXPECT_TRUE(cl::IsPublishedProp(pane, name)) << name;
    EXPECT_EQ(cl::GetPropText(pane, "DownloadOptions"), "[DLCTL_DLIMAGES,DLCTL_VIDEOS,DLCTL_BGSOUNDS]");
    EXPECT_EQ(cl::GetPropText(pane, "UserInterfaceOptions"), "[]");
    EXPECT_EQ(cl::GetPropText(pane, "fpExceptions"), "True");
    EXPECT_EQ(cl::GetPropText(pane, "EnableDDE"), "False");
    cl::SetPropText(pane, "UserInterfaceOptions", "[NO3DBORDER,SCROLL_NO,NO3DOUTERBORDER]");
    // HideBorders and HideScrollBars are False: the listed members are removed again.
    EXPECT_EQ(pane.HostUIWord(), 0u);
    EXPECT_EQ(cl::GetPropText(pane, "UserInterfaceOptions"), "[]");

    browser::TPrintOptions* print = pane.PrintOptions();
    ASSERT_EQ(print->HTMLHeader()->Count(), 1);
    EXPECT_EQ(print->HTMLHeader()->Get(0), "<HTML></HTML>");
    EXPECT_EQ(print->Orientation, browser::poPortrait);
    cl::SetPropText(*print->Margins(), "Left", "0.75");
    EXPECT_DOUBLE_EQ(print->Margins()->Left, 0.75);
}
