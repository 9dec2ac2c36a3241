// The tray icon for real in Wine's notification area: every Shell_NotifyIconA call is
// recorded with its record bytes and the platform's answer.
#include "tray/WyrTray.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

struct NotifyCall {
    DWORD message;
    std::vector<BYTE> record; // the first cbSize bytes
    BOOL result;
};

class TRecordingTray : public TWyrTrayIcon {
public:
    TRecordingTray(cl::TComponent* owner, std::vector<NotifyCall>& calls) : TWyrTrayIcon(owner), calls_(calls) {}

protected:
    BOOL ShellNotifyIcon(DWORD message, NOTIFYICONDATAA& data) override
    {
        BOOL result = TWyrTrayIcon::ShellNotifyIcon(message, data);
        const BYTE* bytes = reinterpret_cast<const BYTE*>(&data);
        calls_.push_back({message, std::vector<BYTE>(bytes, bytes + data.cbSize), result});
        return result;
    }

private:
    std::vector<NotifyCall>& calls_;
};

DWORD Dword(const std::vector<BYTE>& record, size_t offset)
{
    DWORD v = 0;
    std::memcpy(&v, record.data() + offset, 4);
    return v;
}

std::string Tip(const std::vector<BYTE>& record) { return reinterpret_cast<const char*>(record.data() + 24); }

// Records mouse, balloon, restore and popup actions in order.
struct Tray : ::testing::Test {
    std::vector<NotifyCall> calls;
    TRecordingTray* tray = nullptr;
    std::string log;

    void SetUp() override
    {
        cl::Application->Initialize();
        ShowWindow(cl::Application->Handle(), SW_SHOWNOACTIVATE);
    }

    void TearDown() override
    {
        if (tray) cl::Free(tray);
    }

    // As a form resource makes it: properties set while loading, then Loaded.
    void Make(const char* hint = "", bool enabled = true)
    {
        tray = new TRecordingTray(nullptr, calls);
        tray->BeginLoading();
        tray->SetHint(hint);
        tray->SetEnabled(enabled);
        tray->Loaded();
    }

    void Watch()
    {
        auto add = [this](const char* what) { return [this, what](cl::TObject*) { log += std::string(what) + " "; }; };
        tray->OnLButtonDown = add("ld");
        tray->OnLButtonUp = add("lu");
        tray->OnLButtonDblClick = add("ldd");
        tray->OnRButtonDown = add("rd");
        tray->OnRButtonUp = add("ru");
        tray->OnRButtonDblClick = add("rdd");
        tray->OnBalloonHintHide = add("bh");
        tray->OnBalloonHintClose = add("bc");
        tray->OnBalloonHintClick = add("bk");
        tray->OnRestoreApp = add("R");
        tray->OnMinimizeApp = add("M");
    }

    LRESULT Notify(UINT what) { return SendMessageA(tray->NotifyWindow(), WM_TRAY_NOTIFY, 0, what); }
};

// Closes the menu being tracked from the thread's own timer.
std::vector<std::function<void()>> timerActions;
void CALLBACK RunTimerAction(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    auto actions = std::move(timerActions);
    timerActions.clear();
    for (auto& action : actions) action();
}
void AfterMenuOpens(std::function<void()> action)
{
    timerActions.push_back(std::move(action));
    SetTimer(nullptr, 0, 100, RunTimerAction);
}

} // namespace

TEST_F(Tray, RecordsOfAddModifyAndDelete)
{
    Make("Orvane游戏盒");
    // The hint set while loading modifies an icon not yet there; Loaded adds it, then
    // puts the current icon in.
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].message, static_cast<DWORD>(NIM_MODIFY));
    EXPECT_FALSE(calls[0].result);
    EXPECT_EQ(calls[1].message, static_cast<DWORD>(NIM_ADD));
    EXPECT_TRUE(calls[1].result);
    EXPECT_EQ(calls[2].message, static_cast<DWORD>(NIM_MODIFY));
    EXPECT_TRUE(calls[2].result);
    EXPECT_TRUE(tray->Enabled());

    // Shell32 reports version 6 under Wine: the 488-byte record.
    EXPECT_EQ(TWyrTrayIcon::GetShellMajorVersion(), 6u);
    const std::vector<BYTE>& r = calls[1].record;
    ASSERT_EQ(r.size(), 488u);
    EXPECT_EQ(Dword(r, 0), 488u);
    EXPECT_EQ(Dword(r, 4), static_cast<DWORD>(reinterpret_cast<UINT_PTR>(tray->NotifyWindow())));
    EXPECT_EQ(Dword(r, 8), static_cast<DWORD>(reinterpret_cast<UINT_PTR>(static_cast<TWyrTrayIcon*>(tray))));
    EXPECT_EQ(Dword(r, 12), 7u);      // message, icon, tip
    EXPECT_EQ(Dword(r, 16), 0x2422u); // WM_TRAY_NOTIFY
    EXPECT_NE(Dword(r, 20), 0u);      // the application's icon
    const char expectedTip[] = "Orvane\xD3\xCE\xCF\xB7\xBA\xD0";
    EXPECT_EQ(std::memcmp(r.data() + 24, expectedTip, sizeof expectedTip), 0);
    for (size_t i = 24 + sizeof expectedTip; i < r.size(); ++i) ASSERT_EQ(r[i], 0) << "byte " << i;

    TWyrTrayIcon* raw = tray;
    tray = nullptr;
    calls.clear();
    std::vector<NotifyCall>* log = &calls;
    cl::Free(raw);
    ASSERT_EQ(log->size(), 1u);
    EXPECT_EQ((*log)[0].message, static_cast<DWORD>(NIM_DELETE));
    EXPECT_TRUE((*log)[0].result);
}

TEST_F(Tray, HintSetsTheTipAndItsFlag)
{
    std::string sixtyFour;
    for (int i = 0; i < 64; ++i) sixtyFour += "游";
    std::string sixtyThree;
    for (int i = 0; i < 63; ++i) sixtyThree += "\xD3\xCE";
    struct Case {
        std::string hint;
        DWORD flags;
        std::string tip;
    } cases[] = {
        {"Orvane", 7, "Orvane"},
        {"", 3, ""},
        {sixtyFour, 7, sixtyThree}, // 128 bytes cut to 126: no half character
        {std::string(200, 'x'), 7, std::string(127, 'x')},
    };
    Make("start");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.hint);
        calls.clear();
        tray->SetHint(c.hint);
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_EQ(calls[0].message, static_cast<DWORD>(NIM_MODIFY));
        EXPECT_TRUE(calls[0].result);
        EXPECT_EQ(Dword(calls[0].record, 12), c.flags);
        EXPECT_EQ(Tip(calls[0].record), c.tip);
    }
    calls.clear();
    tray->SetHint(std::string(200, 'x')); // unchanged: nothing
    EXPECT_TRUE(calls.empty());
}

TEST_F(Tray, EnabledAddsAndRemovesOnlyOnChange)
{
    Make();
    calls.clear();
    tray->SetEnabled(true);
    EXPECT_TRUE(calls.empty());
    tray->SetEnabled(false);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].message, static_cast<DWORD>(NIM_DELETE));
    EXPECT_TRUE(calls[0].result);
    tray->SetEnabled(false);
    EXPECT_EQ(calls.size(), 1u);
    tray->SetEnabled(true);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1].message, static_cast<DWORD>(NIM_ADD));
    EXPECT_TRUE(calls[1].result);
}

TEST_F(Tray, TaskbarCreatedAddsTheIconAgain)
{
    Make("Orvane");
    // The taskbar restarts: its icons are gone.
    NOTIFYICONDATAA gone{};
    std::memcpy(&gone, calls.back().record.data(), calls.back().record.size());
    ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &gone));
    calls.clear();
    SendMessageA(tray->NotifyWindow(), TaskbarCreatedMessage(), 0, 0);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].message, static_cast<DWORD>(NIM_ADD));
    EXPECT_TRUE(calls[0].result);
    EXPECT_EQ(Tip(calls[0].record), "Orvane");
    EXPECT_TRUE(tray->Enabled());

    tray->SetEnabled(false);
    calls.clear();
    SendMessageA(tray->NotifyWindow(), TaskbarCreatedMessage(), 0, 0);
    EXPECT_TRUE(calls.empty()); // a disabled icon stays out
}

TEST_F(Tray, MouseAndBalloonNotificationsFollowRestoreOnAndPopupMenuOn)
{
    Make();
    Watch();
    cl::TPopupMenu* menu = new cl::TPopupMenu(nullptr);
    auto* item = new cl::TMenuItem(menu);
    item->SetCaption("x");
    menu->Items()->Add(item);
    menu->OnPopup = [this](cl::TObject*) {
        log += "P ";
        AfterMenuOpens([] { EndMenu(); });
    };
    tray->SetPopupMenu(menu);
    struct Case {
        TWyrTrayIconClicks restoreOn, popupOn;
        const char* expected; // for left down, up, double click, right down, up, double click
    } cases[] = {
        {ticLeftDblClick, ticRightClickUp, "ld lu R ldd rd P ru rdd "},
        {ticLeftClickUp, ticRightClickUp, "ld R lu ldd rd P ru rdd "},
        {ticRightClick, ticLeftClick, "P ld lu ldd R rd ru rdd "},
        {ticLeftDblClick, ticRightDblClick, "ld lu R ldd rd ru P rdd "},
        {ticNone, ticNone, "ld lu ldd rd ru rdd "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        tray->RestoreOn = c.restoreOn;
        tray->PopupMenuOn = c.popupOn;
        log.clear();
        for (UINT m : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_RBUTTONDOWN, WM_RBUTTONUP, WM_RBUTTONDBLCLK})
            EXPECT_EQ(Notify(m), 0);
        EXPECT_EQ(log, c.expected);
    }
    log.clear();
    for (UINT m : {0x403u, 0x404u, 0x405u, 0x200u}) Notify(m);
    EXPECT_EQ(log, "bh bc bk ");
    tray->SetPopupMenu(nullptr);
    cl::Free(menu);
}

TEST_F(Tray, TheMenuBlocksRestoreWhileUpAndRunsItsItemOnceDown)
{
    Make();
    Watch();
    tray->RestoreOn = ticLeftClickUp;
    cl::TPopupMenu* menu = new cl::TPopupMenu(nullptr);
    auto* show = new cl::TMenuItem(menu);
    show->SetCaption("show");
    show->OnClick = [this](cl::TObject*) {
        log += "item ";
        tray->RestoreApp();
    };
    menu->Items()->Add(show);
    tray->SetPopupMenu(menu);

    // A left release on the icon while the menu is up does not restore; the menu is then
    // closed without a choice.
    AfterMenuOpens([this] {
        Notify(WM_LBUTTONUP);
        EndMenu();
    });
    tray->ShowTrayMenu();
    EXPECT_EQ(log, "lu ");
    bool threadNull = false; // WM_NULL posted to the thread's own queue
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        if (msg.message == WM_NULL && !msg.hwnd) threadNull = true;
    EXPECT_TRUE(threadNull);

    // The first item picked with the keyboard restores: it runs after the menu is down.
    log.clear();
    AfterMenuOpens([] {
        PostMessageA(cl::TPopupMenu::Window(), WM_KEYDOWN, VK_DOWN, 0);
        PostMessageA(cl::TPopupMenu::Window(), WM_KEYDOWN, VK_RETURN, 0);
    });
    tray->ShowTrayMenu();
    EXPECT_EQ(log, "item R ");
    tray->SetPopupMenu(nullptr);
    cl::Free(menu);

    log.clear();
    tray->ShowTrayMenu(); // without a menu: nothing
    Notify(WM_LBUTTONUP);
    EXPECT_EQ(log, "R lu ");
}

TEST_F(Tray, MinimiseAndRestoreThroughTheApplication)
{
    Make();
    Watch();
    HWND app = cl::Application->Handle();
    struct Case {
        bool hideOnMinimize, enabled;
        bool visibleWhenMinimised;
    } cases[] = {{true, true, false}, {false, true, true}, {true, false, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.hideOnMinimize << c.enabled);
        tray->HideOnMinimize = c.hideOnMinimize;
        tray->SetEnabled(c.enabled);
        log.clear();
        cl::Application->Minimize();
        EXPECT_EQ(log, "M "); // once, though the application's notification comes back in
        EXPECT_TRUE(IsIconic(app));
        EXPECT_EQ(IsWindowVisible(app) != FALSE, c.visibleWhenMinimised);
        log.clear();
        cl::Application->Restore();
        EXPECT_EQ(log, "R ");
        EXPECT_FALSE(IsIconic(app));
        EXPECT_TRUE(IsWindowVisible(app));
    }
    // Calling the component directly does the same.
    tray->SetEnabled(true);
    tray->HideOnMinimize = true;
    log.clear();
    tray->MinimizeApp();
    EXPECT_EQ(log, "M ");
    EXPECT_FALSE(IsWindowVisible(app));
    tray->RestoreApp();
    EXPECT_EQ(log, "M R ");
    EXPECT_TRUE(IsWindowVisible(app));
}

TEST_F(Tray, NoNotificationReachesAFreedComponent)
{
    Make();
    bool raised = false;
    tray->OnMinimizeApp = [&](cl::TObject*) { raised = true; };
    cl::Free(tray);
    tray = nullptr;
    cl::Application->Minimize();
    cl::Application->Restore();
    EXPECT_FALSE(raised);
}

TEST_F(Tray, SessionEnd)
{
    Make();
    EXPECT_EQ(SendMessageA(tray->NotifyWindow(), WM_QUERYENDSESSION, 0, 0), 1);
    tray->OnQueryEndSession = [](cl::TObject*, bool& allow) { allow = false; };
    EXPECT_EQ(SendMessageA(tray->NotifyWindow(), WM_QUERYENDSESSION, 0, 0), 0);

    int ended = 0;
    tray->OnEndSession = [&](cl::TObject*) { ++ended; };
    calls.clear();
    SendMessageA(tray->NotifyWindow(), WM_ENDSESSION, 0, 0); // the session goes on
    EXPECT_EQ(ended, 1);
    EXPECT_TRUE(calls.empty());
    SendMessageA(tray->NotifyWindow(), WM_ENDSESSION, 1, 0);
    EXPECT_EQ(ended, 2);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].message, static_cast<DWORD>(NIM_DELETE));
    EXPECT_TRUE(calls[0].result);
}

TEST_F(Tray, IconIndexWithoutImagesShowsTheApplicationIcon)
{
    Make();
    calls.clear();
    tray->SetIconIndex(7);
    EXPECT_EQ(tray->IconIndex(), 7);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].message, static_cast<DWORD>(NIM_MODIFY));
    EXPECT_TRUE(calls[0].result);
    EXPECT_NE(Dword(calls[0].record, 20), 0u);
}

TEST_F(Tray, PublishedDefaults)
{
    tray = new TRecordingTray(nullptr, calls);
    EXPECT_FALSE(tray->Animate());
    EXPECT_TRUE(tray->Enabled());
    EXPECT_TRUE(tray->HideOnMinimize);
    EXPECT_FALSE(tray->HideOnStartup);
    EXPECT_EQ(tray->Hint(), "");
    EXPECT_EQ(tray->IconIndex(), 0);
    EXPECT_EQ(tray->Interval(), 1000);
    EXPECT_EQ(tray->RestoreOn, ticLeftDblClick);
    EXPECT_EQ(tray->PopupMenuOn, ticRightClickUp);
}

TEST_F(Tray, HideOnStartupHidesTheApplicationUntilRestored)
{
    tray = new TRecordingTray(nullptr, calls);
    tray->BeginLoading();
    tray->HideOnStartup = true;
    tray->Loaded();
    EXPECT_FALSE(cl::Application->ShowMainForm());
    EXPECT_FALSE(IsWindowVisible(cl::Application->Handle()));
    tray->RestoreApp();
    EXPECT_TRUE(cl::Application->ShowMainForm());
    EXPECT_TRUE(IsWindowVisible(cl::Application->Handle()));
}
