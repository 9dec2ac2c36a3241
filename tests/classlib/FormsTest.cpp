// Forms and the application on real windows: a form from its resource, alignment,
// modal showing, close actions and release, key notifications, message loops and the
// application's notifications.
#include "WindowingFixtures.h"

#include "classlib/ExtCtrls.h"
#include "classlib/Seams.h"

#include <gtest/gtest.h>

#include <memory>

using namespace cl;
using fixture::TAlignForm;
using fixture::TBox;
using fixture::TCountedForm;

namespace {

RECT WindowRectIn(HWND wnd, HWND parent)
{
    RECT r;
    GetWindowRect(wnd, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// Captures the application's message boxes for one test.
class CapturedMessageBoxes {
public:
    CapturedMessageBoxes()
    {
        old_ = ReplaceMessageBox([this](HWND, const AnsiString& text, const AnsiString& caption, UINT flags) {
            texts.push_back(text);
            captions.push_back(caption);
            this->flags = flags;
            return IDOK;
        });
    }
    ~CapturedMessageBoxes() { ReplaceMessageBox(std::move(old_)); }
    std::vector<AnsiString> texts, captions;
    UINT flags = 0;

private:
    TMessageBoxService old_;
};

} // namespace

TEST(FormResource, ShowsWithItsControlsAligned)
{
    std::unique_ptr<TAlignForm> form(CreateForm<TAlignForm>(nullptr));
    EXPECT_EQ(form->created, 1);
    ASSERT_NE(form->Client, nullptr);
    ASSERT_NE(form->Mark, nullptr);
    EXPECT_EQ(form->Caption(), "Aligned");
    EXPECT_EQ(form->Inner->Parent(), form->Client);
    EXPECT_EQ(form->Mark->Parent(), form->Client);
    // Aligned at the end of loading already, before any window exists.
    EXPECT_FALSE(form->HandleAllocated());
    EXPECT_EQ(form->ClientWidth(), 300);
    EXPECT_EQ(form->ClientHeight(), 200);
    EXPECT_EQ(form->Client->Width(), 300 - 40 - 50);
    EXPECT_EQ(form->Client->Height(), 200 - 20 - 30);
    EXPECT_FALSE(form->HandleAllocated());
    EXPECT_EQ(form->Inner->Width(), form->Client->Width());
    EXPECT_EQ(form->Inner->Top(), form->Client->Height() - 10);
    form->Show();
    HWND wnd = form->Handle();
    EXPECT_TRUE(IsWindowVisible(wnd));
    EXPECT_EQ(GetParent(wnd), nullptr);
    EXPECT_EQ(GetWindow(wnd, GW_OWNER), Application->Handle());
    char name[64];
    GetClassNameA(wnd, name, sizeof name);
    EXPECT_STREQ(name, "TAlignForm");
    RECT client;
    GetClientRect(wnd, &client);
    EXPECT_EQ(client.right, 300);
    EXPECT_EQ(client.bottom, 200);
    // Centred on the screen.
    RECT outer;
    GetWindowRect(wnd, &outer);
    EXPECT_EQ(outer.left, (GetSystemMetrics(SM_CXSCREEN) - (outer.right - outer.left)) / 2);
    EXPECT_EQ(outer.top, (GetSystemMetrics(SM_CYSCREEN) - (outer.bottom - outer.top)) / 2);

    struct Case {
        TWinControl* control;
        RECT expected; // in the parent's client area
    };
    auto check = [&](std::initializer_list<Case> cases) {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.control->Name());
            RECT got = WindowRectIn(c.control->Handle(), GetParent(c.control->Handle()));
            EXPECT_EQ(got.left, c.expected.left);
            EXPECT_EQ(got.top, c.expected.top);
            EXPECT_EQ(got.right, c.expected.right);
            EXPECT_EQ(got.bottom, c.expected.bottom);
            EXPECT_EQ(c.control->BoundsRect().right, c.expected.right);
            EXPECT_EQ(c.control->BoundsRect().bottom, c.expected.bottom);
        }
    };
    check({{form->Top, {0, 0, 300, 20}},
           {form->Bottom, {0, 170, 300, 200}},
           {form->Left, {0, 20, 40, 170}},
           {form->Right, {250, 20, 300, 170}},
           {form->Client, {40, 20, 250, 170}},
           {form->Inner, {0, 140, 210, 150}}});
    EXPECT_EQ(form->Mark->BoundsRect().left, 5);

    // A new client size lays the children out again.
    form->SetClientWidth(400);
    form->SetClientHeight(300);
    check({{form->Bottom, {0, 270, 400, 300}},
           {form->Right, {350, 20, 400, 270}},
           {form->Client, {40, 20, 350, 270}},
           {form->Inner, {0, 240, 310, 250}}});
    // Hiding an aligned control gives its room to the others.
    form->Left->Hide();
    check({{form->Client, {0, 20, 350, 270}}});
}

TEST(FormResource, ScreenListsFormsAndTheActiveOne)
{
    const int before = Screen->FormCount();
    auto a = std::make_unique<TForm>(nullptr);
    {
        auto b = std::make_unique<TForm>(nullptr);
        EXPECT_EQ(Screen->FormCount(), before + 2);
        EXPECT_EQ(Screen->Forms(before + 1), b.get());
        b->Show();
        EXPECT_EQ(Screen->ActiveForm(), b.get());
    }
    EXPECT_EQ(Screen->FormCount(), before + 1);
    EXPECT_EQ(Screen->ActiveForm(), nullptr);
    EXPECT_NE(Screen->MenuFont()->Handle(), nullptr);
}

TEST(Modal, ShowModalReturnsTheModalResultAndReenablesOtherWindows)
{
    auto other = std::make_unique<TForm>(nullptr);
    other->Show();
    struct Case {
        const char* what;
        UINT post;
        TModalResult expected;
    } cases[] = {
        {"result set by a handler", WM_APP, mrYes},
        {"closed", WM_CLOSE, mrCancel},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TForm form(nullptr);
        bool otherDisabled = false;
        form.SetMessageHandler(WM_APP, [&](TMessage&) {
            otherDisabled = !IsWindowEnabled(other->Handle());
            form.SetModalResult(mrYes);
        });
        PostMessageA(form.Handle(), c.post, 0, 0);
        if (c.post == WM_CLOSE) PostMessageA(form.Handle(), WM_APP, 0, 0); // never reached
        EXPECT_EQ(form.ShowModal(), c.expected);
        EXPECT_FALSE(form.Visible());
        EXPECT_FALSE(IsWindowVisible(form.Handle()));
        EXPECT_TRUE(IsWindowEnabled(other->Handle()));
        if (c.post == WM_APP) {
            EXPECT_TRUE(otherDisabled);
        }
    }
}

TEST(Modal, CloseQueryCanKeepAModalFormOpen)
{
    TForm form(nullptr);
    int asked = 0;
    form.OnCloseQuery = [&](TObject*, bool& canClose) { canClose = ++asked > 1; };
    form.SetMessageHandler(WM_APP, [&](TMessage& m) { form.SetModalResult(static_cast<TModalResult>(m.WParam)); });
    PostMessageA(form.Handle(), WM_APP, mrOk, 0);
    PostMessageA(form.Handle(), WM_APP, mrNo, 0);
    EXPECT_EQ(form.ShowModal(), mrNo);
    EXPECT_EQ(asked, 2);
    EXPECT_THROW(
        {
            form.Show();
            form.ShowModal();
        },
        EInvalidOperation);
}

TEST(Close, ActionsAndReleaseFreeExactlyOnce)
{
    struct Case {
        TCloseAction action;
        bool visible, iconic, freed;
    } cases[] = {
        {caNone, true, false, false},
        {caHide, false, false, false},
        {caMinimize, true, true, false},
        {caFree, true, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.action);
        TCountedForm::destroyed = 0;
        auto* form = new TCountedForm(nullptr);
        form->OnClose = [&](TObject*, TCloseAction& action) {
            EXPECT_EQ(action, caHide);
            action = c.action;
        };
        form->Show();
        HWND wnd = form->Handle();
        form->Close();
        EXPECT_EQ(TCountedForm::destroyed, 0); // freeing waits for the queue
        EXPECT_EQ(IsWindowVisible(wnd) != FALSE, c.visible);
        EXPECT_EQ(IsIconic(wnd) != FALSE, c.iconic);
        Application->ProcessMessages();
        EXPECT_EQ(TCountedForm::destroyed, c.freed ? 1 : 0);
        EXPECT_EQ(IsWindow(wnd) != FALSE, !c.freed);
        if (!c.freed) delete form;
        EXPECT_EQ(TCountedForm::destroyed, 1);
    }
}

TEST(Close, ReleaseTwiceOrDeleteBeforeTheQueueFreesOnce)
{
    TCountedForm::destroyed = 0;
    auto* form = new TCountedForm(nullptr);
    form->Release();
    form->Release();
    PostMessageA(form->Handle(), CM_RELEASE, 0, 0); // even a stray one of the same kind
    Application->ProcessMessages();
    EXPECT_EQ(TCountedForm::destroyed, 1);

    TCountedForm::destroyed = 0;
    form = new TCountedForm(nullptr);
    form->Release();
    delete form;
    Application->ProcessMessages();
    EXPECT_EQ(TCountedForm::destroyed, 1);
}

TEST(Close, OnCloseQueryVetoKeepsTheFormAndTheEndSessionAnswer)
{
    TForm form(nullptr);
    bool allow = false;
    form.OnCloseQuery = [&](TObject*, bool& canClose) { canClose = allow; };
    form.Show();
    SendMessageA(form.Handle(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindowVisible(form.Handle()));
    EXPECT_EQ(SendMessageA(form.Handle(), WM_QUERYENDSESSION, 0, 0), 0);
    allow = true;
    EXPECT_EQ(SendMessageA(form.Handle(), WM_QUERYENDSESSION, 0, 0), 1);
    SendMessageA(form.Handle(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindowVisible(form.Handle()));
}

TEST(MessageHandlers, HandlerTakesTheMessageAndInheritedRunsTheBaseHandling)
{
    TForm form(nullptr);
    form.Show();
    std::vector<WPARAM> commands;
    form.SetMessageHandler(WM_SYSCOMMAND, [&](TMessage& m) {
        commands.push_back(m.WParam);
        if (m.WParam == SC_MINIMIZE) form.Inherited(m); // the platform's own minimise
    });
    SendMessageA(form.Handle(), WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    EXPECT_FALSE(IsZoomed(form.Handle())); // taken by the handler
    SendMessageA(form.Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(IsIconic(form.Handle()));
    EXPECT_EQ(commands, (std::vector<WPARAM>{SC_MAXIMIZE, SC_MINIMIZE}));
    form.SetMessageHandler(WM_SYSCOMMAND, nullptr);
    SendMessageA(form.Handle(), WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_FALSE(IsIconic(form.Handle()));
}

TEST(KeyRouting, KeyNotificationReachesTheFocusedControlBeforeDispatch)
{
    TForm form(nullptr);
    auto* box = new TBox(&form);
    box->SetParent(&form);
    form.Show();
    box->SetFocus();
    ASSERT_TRUE(box->Focused());
    // A window inside the control that is no control of ours: the walk goes up from it.
    HWND inside = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 0, 0, 5, 5, box->Handle(), nullptr,
                                  nullptr, nullptr);
    struct Case {
        HWND target;
        LRESULT answer;
        bool dispatched;
    } cases[] = {
        {box->Handle(), 1, false},
        {box->Handle(), 0, true},
        {inside, 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "answer " << c.answer);
        box->keyAnswer = c.answer;
        box->seen.clear();
        PostMessageA(c.target, WM_KEYDOWN, 'A', 0x001E0001);
        Application->ProcessMessages();
        auto count = [&](UINT msg) { return std::count(box->seen.begin(), box->seen.end(), msg); };
        EXPECT_EQ(count(CN_KEYDOWN), 1);
        EXPECT_EQ(count(WM_KEYDOWN), c.dispatched && c.target == box->Handle() ? 1 : 0);
    }
}

TEST(KeyRouting, TabMovesTheFocusAndDialogKeysReachTheControls)
{
    TForm form(nullptr);
    auto* a = new TBox(&form);
    a->SetParent(&form);
    auto* skipped = new TBox(&form);
    skipped->SetParent(&form);
    skipped->SetTabStop(false);
    auto* gone = new TBox(&form);
    gone->SetParent(&form);
    delete gone; // a freed control leaves the tab order too
    auto* b = new TBox(&form);
    b->SetParent(&form);
    std::vector<TWinControl*> order;
    form.GetTabOrderList(order);
    EXPECT_EQ(order, (std::vector<TWinControl*>{a, skipped, b}));
    form.Show();
    a->SetFocus();
    PostMessageA(a->Handle(), WM_KEYDOWN, VK_TAB, 0x000F0001);
    Application->ProcessMessages();
    EXPECT_TRUE(b->Focused());
    PostMessageA(b->Handle(), WM_KEYDOWN, VK_TAB, 0x000F0001);
    Application->ProcessMessages();
    EXPECT_TRUE(a->Focused()); // round again

    a->seen.clear();
    b->seen.clear();
    PostMessageA(a->Handle(), WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    Application->ProcessMessages();
    EXPECT_EQ(std::count(b->seen.begin(), b->seen.end(), CM_DIALOGKEY), 1);
}

TEST(MessageLoop, NestedProcessMessagesKeepsWmQuit)
{
    int nested = 0;
    HWND wnd = AllocateHWnd([&](TMessage& m) {
        if (m.Msg == WM_APP) {
            ++nested;
            Application->ProcessMessages(); // takes the WM_QUIT below
        }
    });
    PostMessageA(wnd, WM_APP, 0, 0);
    PostQuitMessage(7);
    Application->Run(); // ends on the WM_QUIT the nested loop posted again
    EXPECT_EQ(nested, 1);
    EXPECT_TRUE(Application->Terminated());
    DeallocateHWnd(wnd);
}

TEST(MessageLoop, NestedHandleMessagePostsWmQuitAgain)
{
    PostQuitMessage(3);
    Application->HandleMessage();
    EXPECT_TRUE(Application->Terminated());
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 3u);
}

TEST(ApplicationEvents, MinimiseAndRestoreReachEveryAttachedListener)
{
    Application->Handle();
    ShowWindow(Application->Handle(), SW_SHOWNOACTIVATE);
    std::vector<std::string> log;
    int first = 0, second = 0;
    Application->OnMinimize().Attach(&first, [&](TObject* sender) {
        EXPECT_EQ(sender, Application);
        log.push_back("first");
    });
    Application->OnMinimize().Attach(&second, [&](TObject*) { log.push_back("second"); });
    Application->OnRestore().Attach(&first, [&](TObject*) { log.push_back("restored"); });
    Application->Minimize();
    EXPECT_TRUE(IsIconic(Application->Handle()));
    Application->Minimize(); // already minimised: nothing
    EXPECT_EQ(log, (std::vector<std::string>{"first", "second"}));
    Application->Restore();
    EXPECT_FALSE(IsIconic(Application->Handle()));
    EXPECT_EQ(log.back(), "restored");

    log.clear();
    Application->OnMinimize().Detach(&first);
    SendMessageA(Application->Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_EQ(log, (std::vector<std::string>{"second"}));
    Application->OnMinimize().Detach(&second);
    Application->OnRestore().Detach(&first);
}

TEST(ApplicationEvents, MainFormMinimiseMinimisesTheApplication)
{
    TForm* main = nullptr;
    Application->CreateForm(main);
    ASSERT_EQ(Application->MainForm(), main);
    main->Show();
    TForm hidden(nullptr); // shown once, then hidden: a restore leaves it hidden
    hidden.Show();
    hidden.Hide();
    int minimised = 0;
    Application->OnMinimize().Attach(&minimised, [&](TObject*) { ++minimised; });
    SendMessageA(main->Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_EQ(minimised, 1);
    EXPECT_TRUE(IsIconic(Application->Handle()));
    EXPECT_FALSE(IsWindowVisible(main->Handle())); // owned by the minimised application window
    Application->Restore();
    EXPECT_TRUE(IsWindowVisible(main->Handle()));
    EXPECT_FALSE(IsWindowVisible(hidden.Handle()));
    Application->OnMinimize().Detach(&minimised);
}

TEST(ApplicationEvents, ApplicationWindowAnswersIconAndTitle)
{
    Application->SetTitle("游戏盒");
    char text[64];
    GetWindowTextA(Application->Handle(), text, sizeof text);
    EXPECT_STREQ(text, "游戏盒");
    char name[32];
    GetClassNameA(Application->Handle(), name, sizeof name);
    EXPECT_STREQ(name, "TApplication");
    EXPECT_EQ(SendMessageA(Application->Handle(), WM_GETICON, ICON_SMALL, 0),
              reinterpret_cast<LRESULT>(Application->Icon()->Handle()));
    EXPECT_NE(Application->Icon()->Handle(), nullptr);
    EXPECT_FALSE(Application->IsLibrary());
}

TEST(Exceptions, AnExceptionInAHandlerGoesToTheApplication)
{
    CapturedMessageBoxes boxes;
    Application->SetTitle("Test");
    TForm form(nullptr);
    form.SetMessageHandler(WM_APP, [](TMessage&) { throw Exception("Something broke"); });
    EXPECT_EQ(SendMessageA(form.Handle(), WM_APP, 0, 0), 0);
    ASSERT_EQ(boxes.texts.size(), 1u);
    EXPECT_EQ(boxes.texts[0], "Something broke.");
    EXPECT_EQ(boxes.captions[0], "Test");
    EXPECT_EQ(boxes.flags, UINT(MB_OK | MB_ICONSTOP));

    // A utility window's method too, and OnException takes over when assigned.
    AnsiString seen;
    Application->OnException = [&](TObject*, const std::exception& e) { seen = e.what(); };
    HWND wnd = AllocateHWnd([](TMessage& m) {
        if (m.Msg == WM_APP) throw std::runtime_error("util");
    });
    SendMessageA(wnd, WM_APP, 0, 0);
    EXPECT_EQ(seen, "util");
    EXPECT_EQ(boxes.texts.size(), 1u);
    DeallocateHWnd(wnd);
    Application->OnException = nullptr;
}

TEST(UtilityWindow, TopLevelAndReachedByBroadcasts)
{
    const UINT ping = RegisterWindowMessageA("LudoraWindowingTestPing");
    int pings = 0;
    HWND wnd = nullptr;
    wnd = AllocateHWnd([&](TMessage& m) {
        if (m.Msg == ping) ++pings;
        else m.Result = DefWindowProcA(wnd, m.Msg, m.WParam, m.LParam);
    });
    EXPECT_EQ(GetAncestor(wnd, GA_PARENT), GetDesktopWindow()); // not message-only
    EXPECT_FALSE(IsWindowVisible(wnd));
    // Posted: a sent broadcast would wait on every window of every process.
    ASSERT_TRUE(PostMessageA(HWND_BROADCAST, ping, 0, 0));
    for (const DWORD start = GetTickCount(); pings == 0 && GetTickCount() - start < 10000;) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
        for (MSG msg; PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);) DispatchMessageA(&msg);
    }
    EXPECT_EQ(pings, 1);
    DeallocateHWnd(wnd);
    EXPECT_FALSE(IsWindow(wnd));
}

TEST(Timer, FiresWhileEnabled)
{
    TTimer timer(nullptr);
    timer.SetInterval(10);
    int ticks = 0;
    timer.OnTimer = [&](TObject*) {
        if (++ticks == 3) timer.SetEnabled(false);
    };
    const DWORD start = GetTickCount();
    while (timer.Enabled() && GetTickCount() - start < 5000) Application->HandleMessage();
    EXPECT_EQ(ticks, 3);
}

TEST(Seams, ShellExecuteGoesToTheReplacement)
{
    AnsiString opened;
    auto old = ReplaceShellExecute([&](HWND, const AnsiString& verb, const AnsiString& file, const AnsiString&,
                                       const AnsiString&, int) {
        opened = verb + " " + file;
        return reinterpret_cast<HINSTANCE>(42);
    });
    EXPECT_EQ(ShellExecuteOpen(nullptr, "open", "http://127.0.0.1/"), reinterpret_cast<HINSTANCE>(42));
    EXPECT_EQ(opened, "open http://127.0.0.1/");
    ReplaceShellExecute(std::move(old));
}

TEST(LibraryMode, NoApplicationWindowNoRunFormsUnownedAndItsOwnAtom)
{
    HMODULE lib = LoadLibraryA("windowing_testlib.dll");
    ASSERT_NE(lib, nullptr) << GetLastError();
    auto entry = [&](const char* name) { return reinterpret_cast<void*>(GetProcAddress(lib, name)); };
    auto state = reinterpret_cast<int (*)()>(entry("LibraryState"));
    auto libraryForm = reinterpret_cast<HWND (*)()>(entry("LibraryForm"));
    auto freeForm = reinterpret_cast<void (*)()>(entry("FreeLibraryForm"));
    ASSERT_TRUE(state && libraryForm && freeForm);
    EXPECT_EQ(state(), 1 | 2 | 4 | 8);
    HWND wnd = libraryForm();
    ASSERT_NE(wnd, nullptr);
    // The library's control is under its own atom: this module does not see it.
    EXPECT_EQ(TWinControl::FindControl(wnd), nullptr);
    EXPECT_FALSE(Application->IsLibrary());
    freeForm();
    EXPECT_FALSE(IsWindow(wnd));
    FreeLibrary(lib);
}

TEST(FormWindow, BorderStyleAndIconsGiveTheWindowStyles)
{
    const TBorderIcons sysMin = (1u << biSystemMenu) | (1u << biMinimize);
    const TBorderIcons all = sysMin | (1u << biMaximize);
    struct Case {
        TFormBorderStyle border;
        TBorderIcons icons;
        DWORD set, clear, exSet;
    } cases[] = {
        {bsSizeable, all, WS_CAPTION | WS_THICKFRAME | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX, WS_CHILD, 0},
        {bsSingle, sysMin, WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, WS_THICKFRAME | WS_MAXIMIZEBOX, 0},
        {bsDialog, all, WS_CAPTION | WS_SYSMENU | WS_POPUP, WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX,
         WS_EX_DLGMODALFRAME},
        {bsNone, all, WS_POPUP, WS_CAPTION | WS_SYSMENU, 0},
        {bsToolWindow, all, WS_CAPTION | WS_SYSMENU, WS_MINIMIZEBOX | WS_THICKFRAME, WS_EX_TOOLWINDOW},
        {bsSizeable, 0, WS_CAPTION | WS_THICKFRAME, WS_SYSMENU | WS_MINIMIZEBOX, 0},
    };
    TForm form(nullptr);
    form.Show();
    HWND previous = form.Handle();
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "border " << c.border << " icons " << c.icons);
        form.SetBorderStyle(c.border);
        form.SetBorderIcons(c.icons);
        HWND wnd = form.Handle();
        const DWORD style = GetWindowLongA(wnd, GWL_STYLE), ex = GetWindowLongA(wnd, GWL_EXSTYLE);
        EXPECT_EQ(style & c.set, c.set);
        EXPECT_EQ(style & c.clear, 0u);
        EXPECT_EQ(ex & c.exSet, c.exSet);
        EXPECT_EQ(TWinControl::FindControl(wnd), &form);
        EXPECT_TRUE(IsWindowVisible(wnd));
        if (wnd != previous) {
            EXPECT_FALSE(IsWindow(previous)); // made again, the old one gone
        }
        previous = wnd;
    }
}

TEST(FormWindow, PositionCentresOnTheScreenOrTheMainForm)
{
    TForm* main = nullptr;
    Application->CreateForm(main);
    main->SetBounds(100, 50, 500, 400);
    main->Show();
    const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    struct Case {
        TPosition position;
        int left, top;
    } cases[] = {
        {poDesigned, 10, 20},
        {poScreenCenter, (sw - 200) / 2, (sh - 100) / 2},
        {poMainFormCenter, 100 + (500 - 200) / 2, 50 + (400 - 100) / 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.position);
        TForm form(nullptr);
        form.SetBounds(10, 20, 200, 100);
        form.SetPosition(c.position);
        form.Show();
        RECT r;
        GetWindowRect(form.Handle(), &r);
        EXPECT_EQ(r.left, c.left);
        EXPECT_EQ(r.top, c.top);
        EXPECT_EQ(form.Left(), c.left);
    }
}

TEST(FormWindow, ConstraintsLimitTheSize)
{
    TForm form(nullptr);
    form.Constraints()->MinWidth = 200;
    form.Constraints()->MaxHeight = 150;
    form.SetBounds(0, 0, 100, 300);
    EXPECT_EQ(form.Width(), 200);
    EXPECT_EQ(form.Height(), 150);
    MINMAXINFO info{};
    SendMessageA(form.Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(info.ptMinTrackSize.x, 200);
    EXPECT_EQ(info.ptMaxTrackSize.y, 150);
    RECT r;
    GetWindowRect(form.Handle(), &r);
    EXPECT_EQ(r.right - r.left, 200);
    EXPECT_EQ(r.bottom - r.top, 150);
}

TEST(FormWindow, FormInsideAFreedControlRaisesOnDestroyWhileWhole)
{
    TForm outer(nullptr);
    auto* box = new TBox(nullptr);
    box->SetParent(&outer);
    auto* inner = new TForm(nullptr); // a form placed inside a control, owned by nobody
    inner->SetParent(box);
    inner->InitializeForm();
    bool raised = false;
    inner->OnDestroy = [&](TObject* sender) { raised = sender == inner && inner->Parent() == box; };
    Free(box);
    EXPECT_TRUE(raised);
    EXPECT_EQ(outer.ControlCount(), 0);
}

TEST(FormWindow, ShowAndDestroyEventsInOrder)
{
    std::vector<std::string> log;
    auto* form = new TForm(nullptr);
    form->OnShow = [&](TObject*) { log.push_back(IsWindowVisible(form->Handle()) ? "show visible" : "show"); };
    form->OnDestroy = [&](TObject*) { log.push_back("destroy"); };
    form->InitializeForm(); // no resource of its own: only OnCreate's turn
    form->Show();
    form->Show(); // already shown: nothing
    form->Hide();
    Free(form);
    EXPECT_EQ(log, (std::vector<std::string>{"show", "destroy"}));
}

namespace {
BOOL CALLBACK CountWindow(HWND, LPARAM count)
{
    ++*reinterpret_cast<int*>(count);
    return TRUE;
}
int ThreadWindowCount()
{
    int count = 0;
    EnumThreadWindows(GetCurrentThreadId(), CountWindow, reinterpret_cast<LPARAM>(&count));
    return count;
}
} // namespace

TEST(Resources, FormsWithControlsLeaveNoWindowsOrGdiObjectsBehind)
{
    // Wine's GetGuiResources answers 0, so the fonts and brushes are checked one by one.
    std::vector<HGDIOBJ> objects;
    auto cycle = [&objects] {
        std::unique_ptr<TAlignForm> form(CreateForm<TAlignForm>(nullptr));
        auto* button = new fixture::TPushButton(form.get());
        button->SetParent(form->Client);
        form->Font()->SetHeight(-13); // every control makes its own font
        form->Show();
        form->Client->Repaint();
        Application->ProcessMessages();
        WindowDc dc(button->Handle());
        objects = {form->Font()->Handle(), button->Font()->Handle(), form->Mark->Font()->Handle(),
                   reinterpret_cast<HGDIOBJ>(SendMessageA(form->Handle(), WM_CTLCOLORBTN,
                                                          reinterpret_cast<WPARAM>(dc.get()),
                                                          reinterpret_cast<LPARAM>(button->Handle())))};
    };
    cycle(); // classes registered, caches filled
    const int windows = ThreadWindowCount();
    // Each cycle's own objects are checked, so a leak shows in the cycle that makes it.
    for (int i = 0; i < 10; ++i) {
        cycle();
        for (HGDIOBJ h : objects) {
            ASSERT_NE(h, nullptr);
            EXPECT_EQ(GetObjectType(h), 0u) << "object " << h << " left in cycle " << i;
        }
    }
    EXPECT_EQ(ThreadWindowCount(), windows);
}
