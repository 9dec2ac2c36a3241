// The pane's DDE server with a client window of this thread, and the hook on the pane's
// owner form, with real messages.
#include "browser/DdeServer.h"
#include "browser/WebPane.h"
#include "classlib/Forms.h"
#include "classlib/Encoding.h"
#include "classlib/Registry.h"
#include "tests/browser/PaneHost.h"

#include <gtest/gtest.h>

#include <dde.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

// The shell's DDE names as this test sets them, the previous ones put back afterwards.
class ShellNames {
public:
    ShellNames()
    {
        Set("htmlfile\\shell\\open\\ddeexec\\application", "LudoraHtml");
        Set("htmlfile\\shell\\open\\ddeexec\\topic", "WWW_OpenURL");
        Set("Folder\\shell\\open\\ddeexec\\application", "LudoraFolder");
        Set("Folder\\shell\\open\\ddeexec\\topic", "AppProperties");
        Set("Folder\\shell\\open\\ddeexec", R"([ViewFolder("%l", %I, %S)])");
        Set("Folder\\shell\\explore\\ddeexec", R"([ExploreFolder("%l", %I, %S)])");
        Set("Directory\\shell\\find\\ddeexec", R"([FindFolder("%l", %I)])");
    }
    ~ShellNames()
    {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) Write(it->key, it->value, it->existed);
        browser::ReadShellDDENames();
    }
    ShellNames(const ShellNames&) = delete;
    ShellNames& operator=(const ShellNames&) = delete;

private:
    struct Saved {
        std::string key, value;
        bool existed;
    };
    void Set(const char* key, const char* value)
    {
        cl::TRegistry reg;
        reg.SetRootKey(HKEY_CLASSES_ROOT);
        Saved s{key, "", false};
        if (reg.OpenKeyReadOnly(key) && reg.ValueExists("")) {
            s.value = reg.ReadString("");
            s.existed = true;
        }
        saved_.push_back(s);
        Write(key, value, true);
    }
    static void Write(const std::string& key, const std::string& value, bool exists)
    {
        cl::TRegistry reg;
        reg.SetRootKey(HKEY_CLASSES_ROOT);
        ASSERT_TRUE(reg.OpenKey(key, true)) << key;
        if (exists) reg.WriteString("", value);
        else reg.DeleteValue("");
    }
    std::vector<Saved> saved_;
};

// A DDE client: a window of this thread that records what is sent to it.
class Client {
public:
    Client()
    {
        WNDCLASSA wc{};
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "LudoraDdeClient";
        RegisterClassA(&wc);
        wnd_ = CreateWindowA("LudoraDdeClient", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, wc.hInstance, nullptr);
        SetWindowLongPtrA(wnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~Client()
    {
        DestroyWindow(wnd_);
        for (HGLOBAL memory : commands_) GlobalFree(memory);
    }
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    HWND Handle() const { return wnd_; }
    struct Ack {
        HWND server;
        std::string application, topic;
    };
    std::vector<Ack> acks; // answers to initiations (sent)

    // An initiation sent to window for application and topic, as a client broadcasts it.
    void Initiate(HWND window, const char* application, const char* topic)
    {
        const ATOM a = GlobalAddAtomA(application);
        const ATOM t = GlobalAddAtomA(topic);
        SendMessageA(window, WM_DDE_INITIATE, reinterpret_cast<WPARAM>(wnd_), MAKELPARAM(a, t));
        GlobalDeleteAtom(a);
        GlobalDeleteAtom(t);
    }
    // An execute of command sent to server; the command memory after its acknowledgement
    // is the client's to free.
    void Execute(HWND server, const std::string& command)
    {
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, command.size() + 1);
        char* p = static_cast<char*>(GlobalLock(memory));
        std::memcpy(p, command.c_str(), command.size() + 1);
        GlobalUnlock(memory);
        commands_.push_back(memory);
        SendMessageA(server, WM_DDE_EXECUTE, reinterpret_cast<WPARAM>(wnd_),
                     PackDDElParam(WM_DDE_EXECUTE, 0, reinterpret_cast<UINT_PTR>(memory)));
    }
    // The next posted message of kind msg, if any: (true, wParam).
    std::pair<bool, WPARAM> Posted(UINT msg)
    {
        MSG m;
        if (!PeekMessageA(&m, wnd_, msg, msg, PM_REMOVE)) return {false, 0};
        if (msg == WM_DDE_ACK) FreeDDElParam(WM_DDE_ACK, m.lParam);
        return {true, m.wParam};
    }
private:
    static LRESULT CALLBACK Proc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
    {
        auto* self = reinterpret_cast<Client*>(GetWindowLongPtrA(wnd, GWLP_USERDATA));
        if (self && msg == WM_DDE_ACK) {
            char a[256] = {}, t[256] = {};
            GlobalGetAtomNameA(LOWORD(lParam), a, sizeof a);
            GlobalGetAtomNameA(HIWORD(lParam), t, sizeof t);
            // The server's atoms are the client's to delete.
            GlobalDeleteAtom(LOWORD(lParam));
            GlobalDeleteAtom(HIWORD(lParam));
            self->acks.push_back({reinterpret_cast<HWND>(wParam), a, t});
            return 0;
        }
        return DefWindowProcA(wnd, msg, wParam, lParam);
    }
    HWND wnd_;
    std::vector<HGLOBAL> commands_;
};

class DdeServerTest : public ::testing::Test {
protected:
    DdeServerTest()
    {
        pane.OnBeforeNavigate2 = [this](cl::TObject*, IDispatch*, const VARIANT& url, const VARIANT&,
                                        const VARIANT&, const VARIANT&, const VARIANT&, bool& cancel) {
            navigated.push_back(url.vt == VT_BSTR ? cl::WideToAnsi(url.bstrVal) : "?");
            cancel = true;
        };
    }
    ShellNames names; // the pane reads them when DDE is turned on
    PaneHost host;
    TestPane& pane = host.Pane();
    Client client;
    std::vector<std::string> navigated;
};

} // namespace

TEST_F(DdeServerTest, NamesAndVerbsComeFromTheShellsRegistryEntries)
{
    pane.SetEnableDDE(true);
    const browser::TShellDDENames& n = browser::ShellDDENames();
    EXPECT_EQ(n.htmlApplication, "LudoraHtml");
    EXPECT_EQ(n.htmlTopic, "WWW_OpenURL");
    EXPECT_EQ(n.folderApplication, "LudoraFolder");
    EXPECT_EQ(n.folderTopic, "AppProperties");
    EXPECT_EQ(n.verbs.open, "ViewFolder");
    EXPECT_EQ(n.verbs.explore, "ExploreFolder");
    EXPECT_EQ(n.verbs.find, "FindFolder");
}

TEST_F(DdeServerTest, WithDdeOffNothingIsAnsweredAndTheMessagesArePassedOn)
{
    // A pane never told to serve DDE has no window for it; one told and told off again
    // keeps the window, which answers nothing.
    ASSERT_FALSE(pane.EnableDDE());
    EXPECT_EQ(pane.DDEWindow(), nullptr);
    pane.SetEnableDDE(true);
    pane.SetEnableDDE(false);
    ASSERT_NE(pane.DDEWindow(), nullptr);
    client.Initiate(pane.DDEWindow(), "LudoraHtml", "WWW_OpenURL");
    EXPECT_TRUE(client.acks.empty());

    host.EarlierLink().clear();
    client.Execute(pane.Handle(), "http://127.0.0.1/played.html");
    SendMessageA(pane.Handle(), WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(client.Handle()), 0);
    EXPECT_TRUE(navigated.empty());
    EXPECT_FALSE(client.Posted(WM_DDE_ACK).first);
    EXPECT_FALSE(client.Posted(WM_DDE_TERMINATE).first);
    EXPECT_EQ(host.EarlierLink(), (std::vector<UINT>{WM_DDE_EXECUTE, WM_DDE_TERMINATE}));
}

TEST_F(DdeServerTest, HtmlFileConversationNavigatesThePane)
{
    pane.SetEnableDDE(true);
    // The application's name decides the kind exactly; the atoms then compare without
    // regard to case.
    client.Initiate(pane.DDEWindow(), "LudoraHtml", "www_openurl");
    ASSERT_EQ(client.acks.size(), 1u);
    EXPECT_EQ(client.acks[0].server, pane.Handle());
    EXPECT_EQ(client.acks[0].application, "LudoraHtml");
    EXPECT_EQ(cl::LowerCase(client.acks[0].topic), "www_openurl"); // one atom, either spelling
    EXPECT_EQ(browser::DDEMode(), browser::ddeHtmlFile);

    client.Execute(pane.Handle(), "\"http://127.0.0.1/a.html\" -more");
    client.Execute(pane.Handle(), "http://127.0.0.1/b.html");
    EXPECT_EQ(navigated, (std::vector<std::string>{"http://127.0.0.1/a.html", "http://127.0.0.1/b.html"}));
    auto ack = client.Posted(WM_DDE_ACK);
    EXPECT_TRUE(ack.first);
    EXPECT_EQ(ack.second, reinterpret_cast<WPARAM>(pane.Handle()));
    EXPECT_TRUE(client.Posted(WM_DDE_ACK).first);

    SendMessageA(pane.Handle(), WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(client.Handle()), 0);
    auto terminate = client.Posted(WM_DDE_TERMINATE);
    EXPECT_TRUE(terminate.first);
    EXPECT_EQ(terminate.second, reinterpret_cast<WPARAM>(pane.Handle()));

    // After the conversation ended, its client is served no more.
    navigated.clear();
    client.Execute(pane.Handle(), "http://127.0.0.1/c.html");
    EXPECT_TRUE(navigated.empty());
    EXPECT_FALSE(client.Posted(WM_DDE_ACK).first);
}

TEST_F(DdeServerTest, OtherNamesGetNoAnswerButSetTheMode)
{
    pane.SetEnableDDE(true);
    client.Initiate(pane.DDEWindow(), "LudoraHtml", "OtherTopic");
    client.Initiate(pane.DDEWindow(), "Unknown", "AppProperties");
    EXPECT_TRUE(client.acks.empty());
    EXPECT_EQ(browser::DDEMode(), browser::ddeFolder);
    // A client that was never acknowledged is not served.
    client.Execute(pane.Handle(), "http://127.0.0.1/x.html");
    EXPECT_TRUE(navigated.empty());
    EXPECT_FALSE(client.Posted(WM_DDE_ACK).first);
}

TEST_F(DdeServerTest, FolderConversation)
{
    pane.SetEnableDDE(true);
    client.Initiate(pane.DDEWindow(), "LudoraFolder", "AppProperties");
    ASSERT_EQ(client.acks.size(), 1u);
    EXPECT_EQ(browser::DDEMode(), browser::ddeFolder);

    client.Execute(pane.Handle(), R"([ViewFolder("C:\Games", :0:0, 1)])");
    EXPECT_EQ(navigated, std::vector<std::string>{"C:\\Games"});
    EXPECT_TRUE(client.Posted(WM_DDE_ACK).first);

    // A bare number is never taken for memory of this process: nothing to open, no harm.
    navigated.clear();
    client.Execute(pane.Handle(), R"([ViewFolder("", 305419896, 1)])");
    client.Execute(pane.Handle(), R"([UnknownVerb("C:\x", :0:0, 1)])");
    EXPECT_TRUE(navigated.empty());
    EXPECT_TRUE(client.Posted(WM_DDE_ACK).first);
    EXPECT_TRUE(client.Posted(WM_DDE_ACK).first);
}

TEST_F(DdeServerTest, FolderListInSharedMemoryIsTakenAndFreed)
{
    pane.SetEnableDDE(true);
    client.Initiate(pane.DDEWindow(), "LudoraFolder", "AppProperties");
    using AllocShared = HANDLE(WINAPI*)(const void*, DWORD, DWORD);
    using LockShared = void*(WINAPI*)(HANDLE, DWORD);
    HMODULE shell = GetModuleHandleA("shell32.dll");
    auto allocShared = reinterpret_cast<AllocShared>(reinterpret_cast<void*>(GetProcAddress(shell, MAKEINTRESOURCEA(520))));
    auto lockShared = reinterpret_cast<LockShared>(reinterpret_cast<void*>(GetProcAddress(shell, MAKEINTRESOURCEA(521))));
    ASSERT_TRUE(allocShared && lockShared);
    const BYTE list[] = {6, 0, 'a', 'b', 'c', 'd', 0, 0};
    const DWORD pid = GetCurrentProcessId();
    HANDLE shared = allocShared(list, sizeof list, pid);
    ASSERT_NE(shared, nullptr);
    client.Execute(pane.Handle(), "[ViewFolder(\"\", :" + std::to_string(reinterpret_cast<UINT_PTR>(shared)) + ":" +
                                      std::to_string(pid) + ", 1)]");
    // Acknowledged whatever the browser made of the list, and the shared block is gone.
    EXPECT_TRUE(client.Posted(WM_DDE_ACK).first);
    EXPECT_EQ(lockShared(shared, pid), nullptr);
}

// ---------------------------------------------------------------------------------------
// The owner form's hook

namespace {

INT_PTR CALLBACK NoDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

class OwnerHookTest : public ::testing::Test {
protected:
    OwnerHookTest()
    {
        form->SetBounds(10, 10, 300, 200);
        pane = new TestPane(form.get());
        pane->SetParent(form.get());
        formSeen = std::make_unique<cl::TWindowProcHook>(*form, [this](cl::TMessage& m) {
            if (m.Msg == WM_ACTIVATE) activations.push_back(m.LParam);
            formSeen->CallPrevious(m);
        });
        pane->Loaded();
        form->Handle();
    }
    ~OwnerHookTest() override
    {
        formSeen.reset();
        form.reset();
    }
    HWND Dialog(const wchar_t* caption)
    {
        struct {
            DLGTEMPLATE t;
            WORD menu, cls;
            wchar_t title[64];
        } tpl{};
        tpl.t.style = WS_POPUP | WS_CAPTION;
        tpl.t.cx = 100;
        tpl.t.cy = 50;
        wcsncpy(tpl.title, caption, 63);
        return CreateDialogIndirectW(GetModuleHandleA(nullptr), &tpl.t, nullptr, NoDialogProc);
    }
    std::unique_ptr<HostWindow> form = std::make_unique<HostWindow>(nullptr);
    TestPane* pane; // owned by the form
    std::unique_ptr<cl::TWindowProcHook> formSeen;
    std::vector<LPARAM> activations;
};

} // namespace

TEST_F(OwnerHookTest, AnyWindowTakingTheActivationIsReportedAndTheFormStillSeesIt)
{
    std::vector<HWND> shown;
    pane->OnShowDialog = [&](cl::TObject* sender, HWND h) {
        EXPECT_EQ(sender, pane);
        shown.push_back(h);
    };
    HWND other = CreateWindowA("STATIC", "other", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    SendMessageA(form->Handle(), WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(other));
    SendMessageA(form->Handle(), WM_ACTIVATE, WA_ACTIVE, reinterpret_cast<LPARAM>(other));
    SendMessageA(form->Handle(), WM_ACTIVATE, WA_INACTIVE, 0);
    EXPECT_EQ(shown, std::vector<HWND>{other});
    // The form sees each of them (the platform may add activations of its own after them).
    ASSERT_GE(activations.size(), 3u);
    EXPECT_EQ(std::vector<LPARAM>(activations.begin(), activations.begin() + 3),
              (std::vector<LPARAM>{reinterpret_cast<LPARAM>(other), reinterpret_cast<LPARAM>(other), 0}));
    DestroyWindow(other);
}

TEST_F(OwnerHookTest, BrowserDialogsAreRetitledOnlyWhenAsked)
{
    cl::Application->SetTitle("Game Box");
    HWND dialog = Dialog(L"Microsoft Internet Explorer Script Prompt");
    ASSERT_NE(dialog, nullptr);
    SendMessageA(form->Handle(), WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(dialog));
    char caption[128] = {};
    GetWindowTextA(dialog, caption, sizeof caption);
    EXPECT_STREQ(caption, "Microsoft Internet Explorer Script Prompt");

    pane->ReplaceCaption = true;
    SendMessageA(form->Handle(), WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(dialog));
    GetWindowTextA(dialog, caption, sizeof caption);
    EXPECT_STREQ(caption, "Game Box Script Prompt");
    DestroyWindow(dialog);

    // Windows of other classes keep their captions.
    HWND other = CreateWindowA("STATIC", "Microsoft Internet Explorer", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                               nullptr, nullptr);
    SendMessageA(form->Handle(), WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(other));
    GetWindowTextA(other, caption, sizeof caption);
    EXPECT_STREQ(caption, "Microsoft Internet Explorer");
    DestroyWindow(other);
}

TEST_F(OwnerHookTest, TheFormIsUnhookedWhenThePaneGoes)
{
    int reported = 0;
    pane->OnShowDialog = [&](cl::TObject*, HWND) { ++reported; };
    cl::Free(pane);
    HWND other = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    SendMessageA(form->Handle(), WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(other));
    EXPECT_EQ(reported, 0);
    EXPECT_EQ(activations.size(), 1u);
    DestroyWindow(other);
}

TEST_F(OwnerHookTest, ARealDialogActivatedOverTheFormIsRetitledAndReported)
{
    cl::Application->SetTitle("Game Box");
    pane->ReplaceCaption = true;
    std::vector<HWND> shown;
    pane->OnShowDialog = [&](cl::TObject*, HWND h) { shown.push_back(h); };
    ShowWindow(form->Handle(), SW_SHOW);
    SetForegroundWindow(form->Handle());
    SetActiveWindow(form->Handle());
    HWND dialog = Dialog(L"Microsoft Internet Explorer");
    ASSERT_NE(dialog, nullptr);
    ShowWindow(dialog, SW_SHOW);
    SetActiveWindow(dialog);
    char caption[128] = {};
    GetWindowTextA(dialog, caption, sizeof caption);
    EXPECT_STREQ(caption, "Game Box");
    EXPECT_EQ(shown, std::vector<HWND>{dialog});
    DestroyWindow(dialog);
}
