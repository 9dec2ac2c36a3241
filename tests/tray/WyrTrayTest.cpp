// The tray icon for real in Wine's notification area: every Shell_NotifyIconA call is
// recorded with its record bytes and the platform's answer.
#include "tray/WyrTray.h"

#include "../support/IconColour.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

struct NotifyCall {
    DWORD message;
    std::vector<BYTE> record; // the first cbSize bytes
    BOOL result;
    COLORREF iconColour; // of the record's icon, read while the call was made
};

class TRecordingTray : public TWyrTrayIcon {
public:
    TRecordingTray(cl::TComponent* owner, std::vector<NotifyCall>& calls) : TWyrTrayIcon(owner), calls_(calls) {}

    bool refuseAdd = false; // as a shell that cannot take the icon answers

protected:
    BOOL ShellNotifyIcon(DWORD message, NOTIFYICONDATAA& data) override
    {
        BOOL result = message == NIM_ADD && refuseAdd ? FALSE : TWyrTrayIcon::ShellNotifyIcon(message, data);
        const BYTE* bytes = reinterpret_cast<const BYTE*>(&data);
        calls_.push_back({message, std::vector<BYTE>(bytes, bytes + data.cbSize), result, IconMiddleColour(data.hIcon)});
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
    void Make(const char* hint = "", bool enabled = true, bool refuseAdd = false)
    {
        tray = new TRecordingTray(nullptr, calls);
        tray->refuseAdd = refuseAdd;
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
    // The hint set while loading waits for the icon; Loaded adds it with the hint and the
    // current icon in one call.
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].message, static_cast<DWORD>(NIM_ADD));
    EXPECT_TRUE(calls[0].result);
    EXPECT_TRUE(tray->Enabled());

    // Shell32 reports version 6 under Wine: the 488-byte record.
    EXPECT_EQ(TWyrTrayIcon::GetShellMajorVersion(), 6u);
    const std::vector<BYTE>& r = calls[0].record;
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

TEST_F(Tray, AnIconNotInTheAreaIsNotModified)
{
    Make("first", true, true);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].message, static_cast<DWORD>(NIM_ADD));
    EXPECT_FALSE(tray->Enabled());
    calls.clear();
    tray->SetHint("second");
    tray->SetIconIndex(2);
    EXPECT_TRUE(calls.empty());

    // Removed, changed, added again: the add carries the changes.
    tray->refuseAdd = false;
    tray->SetEnabled(true);
    tray->SetEnabled(false);
    calls.clear();
    tray->SetHint("third");
    EXPECT_TRUE(calls.empty());
    tray->SetEnabled(true);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].message, static_cast<DWORD>(NIM_ADD));
    EXPECT_TRUE(calls[0].result);
    EXPECT_EQ(Tip(calls[0].record), "third");
    EXPECT_EQ(Dword(calls[0].record, 12), 7u);
    EXPECT_NE(Dword(calls[0].record, 20), 0u);
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

namespace {

// A solid, opaque 16 x 16 icon of one colour.
void AddFrame(cl::TImageList& list, COLORREF colour)
{
    BITMAPINFOHEADER header{sizeof(BITMAPINFOHEADER), 16, -16, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP color = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(color, nullptr);
    const DWORD pixel = 0xFF000000u | (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
    for (int i = 0; i < 256; ++i) static_cast<DWORD*>(bits)[i] = pixel;
    const BYTE maskBits[32] = {}; // all opaque
    HBITMAP mask = CreateBitmap(16, 16, 1, 1, maskBits);
    ICONINFO info{TRUE, 0, 0, mask, color};
    cl::TIcon icon;
    icon.SetHandle(CreateIconIndirect(&info));
    DeleteObject(color);
    DeleteObject(mask);
    ASSERT_FALSE(icon.Empty());
    ASSERT_GE(list.AddIcon(&icon), 0);
}

const COLORREF kRed = RGB(255, 0, 0), kGreen = RGB(0, 255, 0), kBlue = RGB(0, 0, 255), kYellow = RGB(255, 255, 0);

// Frames red, green and blue in an image list of the test's own.
struct TrayFrames : Tray {
    std::unique_ptr<cl::TImageList> list = std::make_unique<cl::TImageList>(nullptr);
    COLORREF appColour = CLR_INVALID;

    void SetUp() override
    {
        Tray::SetUp();
        for (COLORREF c : {kRed, kGreen, kBlue}) AddFrame(*list, c);
        ASSERT_EQ(list->Count(), 3);
        appColour = IconMiddleColour(cl::Application->Icon()->Handle());
        ASSERT_NE(appColour, CLR_INVALID);
        ASSERT_TRUE(appColour != kRed && appColour != kGreen && appColour != kBlue && appColour != kYellow);
    }

    void TearDown() override
    {
        Tray::TearDown();
        tray = nullptr;
        list.reset();
    }

    // The icon colour of every call so far, then forgets them.
    std::vector<COLORREF> Shown()
    {
        std::vector<COLORREF> colours;
        for (const NotifyCall& c : calls) {
            EXPECT_EQ(c.message, static_cast<DWORD>(NIM_MODIFY));
            EXPECT_TRUE(c.result);
            colours.push_back(c.iconColour);
        }
        calls.clear();
        return colours;
    }
};

using Colours = std::vector<COLORREF>;

} // namespace

TEST_F(TrayFrames, IconIndexPicksTheFrameOrTheApplicationIcon)
{
    Make("Orvane");
    calls.clear();
    tray->SetIcons(list.get());
    EXPECT_EQ(tray->Icons(), list.get());
    EXPECT_EQ(Shown(), Colours{kRed});
    struct Case {
        int index;
        COLORREF shown; // CLR_NONE: the application's icon
    } cases[] = {{2, kBlue}, {1, kGreen}, {3, CLR_NONE}, {-1, CLR_NONE}, {0, kRed}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.index);
        tray->SetIconIndex(c.index);
        EXPECT_EQ(tray->IconIndex(), c.index);
        EXPECT_EQ(Shown(), Colours{c.shown == CLR_NONE ? appColour : c.shown});
    }
    tray->SetIcons(nullptr);
    EXPECT_EQ(Shown(), Colours{appColour});
}

TEST_F(TrayFrames, LoadingShowsTheFrameFromTheStart)
{
    tray = new TRecordingTray(nullptr, calls);
    tray->BeginLoading();
    tray->SetIcons(list.get()); // references are set while loading: nothing yet
    EXPECT_TRUE(calls.empty());
    tray->SetIconIndex(1);
    calls.clear();
    tray->Loaded();
    ASSERT_GE(calls.size(), 1u);
    EXPECT_EQ(calls[0].message, static_cast<DWORD>(NIM_ADD));
    EXPECT_TRUE(calls[0].result);
    EXPECT_EQ(calls[0].iconColour, kGreen);
}

TEST_F(TrayFrames, AChangedListShowsItsFrameAgain)
{
    Make();
    tray->SetIcons(list.get());
    tray->SetIconIndex(1);
    calls.clear();
    cl::TImageList other(nullptr);
    AddFrame(other, kYellow);
    cl::TIcon yellow;
    yellow.SetHandle(other.GetIcon(0));
    list->ReplaceIcon(1, &yellow);
    EXPECT_EQ(Shown(), Colours{kYellow});
    list->Delete(0); // index 1 is now blue
    EXPECT_EQ(Shown(), Colours{kBlue});
    list->Clear();
    EXPECT_EQ(Shown(), Colours{appColour});
    EXPECT_EQ(tray->IconIndex(), 1);

    // A list the tray no longer uses is not heard.
    cl::TImageList second(nullptr);
    AddFrame(second, kRed);
    tray->SetIcons(&second);
    EXPECT_EQ(Shown(), Colours{appColour}); // index 1 of a one-frame list
    AddFrame(*list, kGreen);
    EXPECT_TRUE(Shown().empty());
    AddFrame(second, kGreen);
    EXPECT_EQ(Shown(), Colours{kGreen});
    tray->SetIcons(nullptr);
}

TEST_F(TrayFrames, AFreedListIsForgotten)
{
    Make();
    tray->SetIcons(list.get());
    tray->SetIconIndex(2);
    calls.clear();
    list.reset();
    EXPECT_EQ(tray->Icons(), nullptr);
    EXPECT_EQ(Shown(), Colours{appColour});
    tray->NextAnimationFrame(); // no frames: nothing
    EXPECT_TRUE(calls.empty());
    EXPECT_EQ(tray->IconIndex(), 2);
}

TEST_F(TrayFrames, AnimationStepsThroughTheFramesAndWraps)
{
    Make();
    tray->SetIcons(list.get());
    struct Case {
        int from, to;
        COLORREF shown;
    } cases[] = {{0, 1, kGreen}, {1, 2, kBlue}, {2, 0, kRed}, {7, 0, kRed}, {-3, -2, CLR_NONE}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.from);
        tray->SetIconIndex(c.from);
        calls.clear();
        tray->NextAnimationFrame();
        EXPECT_EQ(tray->IconIndex(), c.to);
        EXPECT_EQ(Shown(), Colours{c.shown == CLR_NONE ? appColour : c.shown});
    }

    // The timer runs the same steps.
    tray->SetIconIndex(0);
    tray->SetInterval(50);
    EXPECT_EQ(tray->Interval(), 50);
    calls.clear();
    tray->SetAnimate(true);
    EXPECT_TRUE(tray->Animate());
    // One message at a time: a frame can take longer than the interval under emulation,
    // and a due timer is always there to take.
    const DWORD start = GetTickCount();
    MSG msg;
    while (calls.size() < 4 && GetTickCount() - start < 10000) {
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        else MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
    }
    tray->SetAnimate(false);
    EXPECT_FALSE(tray->Animate());
    Colours shown = Shown();
    ASSERT_GE(shown.size(), 4u);
    shown.resize(4);
    EXPECT_EQ(shown, (Colours{kGreen, kBlue, kRed, kGreen}));
}
