// Caption buttons on real skinned windows: their painting, the actions a click carries
// out, the caption menu, the system-menu button's double click, the visibility query and
// the hover hint.
#include "skin/controls/ComboBoxes.h"
#include "skin/engine/SkinData.h"
#include "skin/engine/SkinManage.h"
#include "skin/engine/SkinMessages.h"
#include "skin/engine/SkinnedForm.h"

#include "BorderedSkin.h"
#include "MessagePump.h"
#include "RawWindows.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <vector>

using namespace skin;
using namespace skin::test;

namespace {

// The four frames of every button image: normal, pressed, hover, disabled.
const TColor FrameColour[4] = {MakeRGB(200, 0, 0), MakeRGB(0, 200, 0), MakeRGB(0, 0, 200), MakeRGB(90, 90, 90)};
constexpr int BW = 10, BH = 8;

// Buttons, in order: home (14) at the right, maximise (1), caption menu (12), system menu
// (3) at the left, and a button the program shows through the visibility query (20).
enum { Home, Maximise, Menu, SysMenu, Queried };

std::unique_ptr<TSkinData> CaptionSkin()
{
    auto d = BorderedSkin();
    struct Button {
        int action, align, x, visibility;
    } buttons[] = {{14, 1, 60, 0}, {1, 1, 40, 0}, {12, 1, 80, 0}, {3, 0, 8, 0}, {20, 1, 100, 1500}};
    for (const Button& button : buttons) {
        auto b = std::make_unique<TDataSkinSysButton>("BUTTON");
        b->Bitmap->SetPixelFormat(cl::pf24bit);
        b->Bitmap->SetSize(4 * BW, BH);
        for (int k = 0; k < 4; ++k) {
            b->Bitmap->Canvas()->Brush().SetColor(FrameColour[k]);
            b->Bitmap->Canvas()->FillRect(RECT{k * BW, 0, (k + 1) * BW, BH});
        }
        b->Frame = 4;
        b->Action = button.action;
        b->Align = button.align;
        b->XCoord = button.x;
        b->YCoord = 4;
        b->Visibility = button.visibility;
        d->CaptionButtons.push_back(std::move(b));
    }
    d->Colors[scButtonFace] = MakeRGB(240, 240, 240);
    d->Empty = false;
    return d;
}

using skintest::PumpUntil;

// What the windows' own procedure saw: messages by number, and the program's messages
// with their wParam in order.
std::map<UINT, int> seen;
std::vector<std::pair<UINT, WPARAM>> program;
LRESULT visibleAnswer = 0;
// Whether a popup menu was seen open, and where.
RECT menuRect{};
bool menuSeen = false;

LRESULT CALLBACK CaptionProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    ++seen[msg];
    if (msg == WM_SKIN_CAPTION_BUTTON || msg == WM_SKIN_CAPTION_MENU) program.emplace_back(msg, wParam);
    if (msg == WM_SKIN_BUTTON_VISIBLE) return wParam == 1500 && lParam == 20 ? visibleAnswer : 0;
    return DefWindowProcA(wnd, msg, wParam, lParam);
}

struct Caption : ::testing::Test {
    std::unique_ptr<TSkinData> data;
    skintest::RawWindows windows;

    void SetUp() override
    {
        seen.clear();
        program.clear();
        visibleAnswer = 0;
        data = CaptionSkin();
        skintest::StartSkin(*data);
    }
    void TearDown() override
    {
        data.reset();
        windows.DestroyAll();
    }
    HWND Window(DWORD style)
    {
        skintest::RegisterRawClass("SkinCaptionTest", CaptionProc);
        return windows.Add(skintest::RawWindow("SkinCaptionTest", "Caption", style, 300, 200));
    }
    // A window active before the skin comes: its activation skins it through the manager's
    // hook, as it does the program's main window.
    TSkinnedForm* ActivatedThenSkinned(HWND wnd)
    {
        ShowWindow(wnd, SW_SHOW);
        SetForegroundWindow(wnd);
        TSkinnedForm* f = nullptr;
        EXPECT_TRUE(PumpUntil([&] {
            f = SkinManager->FindSkinForm(wnd);
            return f && f->Initialised;
        }));
        if (!f) return nullptr;
        EXPECT_EQ(GetActiveWindow(), wnd);
        SendMessageA(wnd, WM_SKIN_NCPAINT, 0, 0); // places the buttons; activation stays as it is
        return f;
    }
    TSkinnedForm* Skinned(DWORD style = WS_OVERLAPPEDWINDOW)
    {
        HWND wnd = Window(style);
        ShowWindow(wnd, SW_SHOWNA);
        return skintest::SkinNow(wnd);
    }
    // Handles what is posted to wnd so far: a marker posted last arrives after it.
    static void Drain(HWND wnd)
    {
        const int before = seen[WM_APP];
        PostMessageA(wnd, WM_APP, 0, 0);
        EXPECT_TRUE(PumpUntil([before] { return seen[WM_APP] > before; }));
    }
    // A screen point 2 pixels inside button i.
    static LPARAM At(TSkinnedForm& f, int i)
    {
        RECT w{};
        GetWindowRect(f.Window, &w);
        const RECT& r = f.CaptionObjects[static_cast<size_t>(i)]->Rect;
        return MAKELPARAM(w.left + r.left + 2, w.top + r.top + 2);
    }
    // Presses and releases button i with tick running every 50 ms meanwhile; returns once a
    // menu the click opened has closed. The window's skin may be gone by then.
    static void ClickWithTicks(HWND wnd, LPARAM at, TIMERPROC tick)
    {
        menuSeen = false;
        const UINT_PTR timer = SetTimer(nullptr, 0, 50, tick);
        SendMessageA(wnd, WM_NCLBUTTONDOWN, HTCAPTION, at);
        SendMessageA(wnd, WM_NCLBUTTONUP, HTCAPTION, at);
        KillTimer(nullptr, timer);
    }
    // The frame colour at the centre of button i after painting the frame into a bitmap.
    static TColor Painted(TSkinnedForm& f, int i)
    {
        skintest::FrameShot shot(f);
        const RECT& r = f.CaptionObjects[static_cast<size_t>(i)]->Rect;
        return shot.At((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    }
};

} // namespace

TEST_F(Caption, ButtonsPlacedFromTheSkin)
{
    TSkinnedForm* f = Skinned();
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(f->CaptionObjects.size(), 5u);
    RECT w{};
    GetWindowRect(f->Window, &w);
    const int W = w.right - w.left;
    const RECT home = f->CaptionObjects[Home]->Rect, sys = f->CaptionObjects[SysMenu]->Rect;
    EXPECT_EQ(home.left, W - 60);
    EXPECT_EQ(home.top, 4);
    EXPECT_EQ(home.right - home.left, BW);
    EXPECT_EQ(home.bottom - home.top, BH);
    EXPECT_EQ(sys.left, 8);
    EXPECT_FALSE(f->CaptionObjects[Queried]->Visible); // the window answers 0
    EXPECT_EQ(Painted(*f, Home), FrameColour[0]);
}

TEST_F(Caption, VisibilityQueryAnswerShowsTheButton)
{
    visibleAnswer = 1;
    TSkinnedForm* f = Skinned();
    ASSERT_NE(f, nullptr);
    EXPECT_TRUE(f->CaptionObjects[Queried]->Visible);
    EXPECT_GT(seen[WM_SKIN_BUTTON_VISIBLE], 0);
}

TEST_F(Caption, MaximiseButtonFrameFollowsTheMaximiseBox)
{
    struct Case {
        DWORD style;
        bool active;
        TColor colour;
    } cases[] = {
        {WS_OVERLAPPEDWINDOW, true, FrameColour[0]},
        {WS_OVERLAPPEDWINDOW & ~WS_MAXIMIZEBOX, true, FrameColour[3]}, // disabled
        {WS_OVERLAPPEDWINDOW, false, FrameColour[3]},                  // inactive window
    };
    for (const Case& c : cases) {
        TSkinnedForm* f = Skinned(c.style);
        ASSERT_NE(f, nullptr);
        if (!c.active) SendMessageA(f->Window, WM_NCACTIVATE, FALSE, 0);
        EXPECT_EQ(Painted(*f, Maximise), c.colour) << std::hex << c.style << " " << c.active;
    }
}

TEST_F(Caption, PressAndReleaseOnHomePostsItsAction)
{
    TSkinnedForm* f = Skinned();
    ASSERT_NE(f, nullptr);
    const LPARAM p = At(*f, Home);
    EXPECT_EQ(SendMessageA(f->Window, WM_NCLBUTTONDOWN, HTCAPTION, p), 0);
    EXPECT_EQ(f->HotObject, f->CaptionObjects[Home].get());
    EXPECT_EQ(SendMessageA(f->Window, WM_NCLBUTTONUP, HTCAPTION, p), 0);
    EXPECT_TRUE(PumpUntil([] { return !program.empty(); }));
    ASSERT_EQ(program.size(), 1u);
    EXPECT_EQ(program[0].first, WM_SKIN_CAPTION_BUTTON);
    EXPECT_EQ(program[0].second, 14u);
    // The press and release reached no default handling (no drag, no system command).
    EXPECT_EQ(seen[WM_NCLBUTTONDOWN], 0);
    EXPECT_EQ(seen[WM_NCLBUTTONUP], 0);
}

TEST_F(Caption, AMouseClickOnHomePostsItsAction)
{
    TSkinnedForm* f = ActivatedThenSkinned(Window(WS_OVERLAPPEDWINDOW));
    ASSERT_NE(f, nullptr);
    const LPARAM p = At(*f, Home);
    ASSERT_TRUE(SetCursorPos(static_cast<short>(LOWORD(p)), static_cast<short>(HIWORD(p))));
    INPUT clicks[2]{};
    clicks[0].type = clicks[1].type = INPUT_MOUSE;
    clicks[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    clicks[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    ASSERT_EQ(SendInput(2, clicks, sizeof(INPUT)), 2u);
    EXPECT_TRUE(PumpUntil([] { return !program.empty(); }));
    ASSERT_EQ(program.size(), 1u);
    EXPECT_EQ(program[0].second, 14u);
}

TEST_F(Caption, ReleaseWithoutPressDoesNothing)
{
    TSkinnedForm* f = Skinned();
    ASSERT_NE(f, nullptr);
    SendMessageA(f->Window, WM_NCLBUTTONUP, HTCAPTION, At(*f, Home));
    Drain(f->Window);
    EXPECT_TRUE(program.empty());
}

namespace {
// Finds the open popup menu, records its place and keys a pick of the third item.
void CALLBACK PickThird(HWND, UINT, UINT_PTR id, DWORD)
{
    HWND menu = FindWindowA("#32768", nullptr);
    if (!menu || !IsWindowVisible(menu)) return;
    KillTimer(nullptr, id);
    menuSeen = true;
    GetWindowRect(menu, &menuRect);
    for (int i = 0; i < 3; ++i) PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 0);
}
// Whether the skin manager said it was tracking a menu while one was open.
bool trackingSeen = false;
DWORD dismissStart = 0;
// Records the open popup menu's place and closes it unpicked. It runs until the test kills
// it, so a menu that opens late is closed too; one still open after the harness's bound is
// closed by force and fails the test.
void CALLBACK Dismiss(HWND, UINT, UINT_PTR, DWORD)
{
    HWND menu = FindWindowA("#32768", nullptr);
    if (!menu || !IsWindowVisible(menu)) return;
    if (!menuSeen) {
        menuSeen = true;
        dismissStart = GetTickCount();
        GetWindowRect(menu, &menuRect);
        trackingSeen = SkinManager && SkinManager->MenuTracking;
        PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
    } else if (GetTickCount() - dismissStart > skintest::WaitBound) {
        ADD_FAILURE() << "the popup menu did not close";
        EndMenu();
    }
}
} // namespace

TEST_F(Caption, CaptionMenuAtItsOffsetPostsThePickedTag)
{
    TSkinnedForm* f = Skinned();
    ASSERT_NE(f, nullptr);
    ClickWithTicks(f->Window, At(*f, Menu), PickThird);
    ASSERT_TRUE(menuSeen);
    POINT origin{0, 0};
    ClientToScreen(f->Window, &origin);
    RECT w{};
    GetWindowRect(f->Window, &w);
    EXPECT_EQ(menuRect.left, origin.x + (w.right - w.left) - 218);
    EXPECT_EQ(menuRect.top, origin.y + f->TitleTextRect.top - 7);
    ASSERT_NE(f->CaptionMenu(), nullptr);
    EXPECT_EQ(f->CaptionMenu()->Items()->Count(), 7);
    EXPECT_TRUE(PumpUntil([] { return !program.empty(); }));
    ASSERT_EQ(program.size(), 1u);
    EXPECT_EQ(program[0].first, WM_SKIN_CAPTION_MENU);
    EXPECT_EQ(program[0].second, 3u); // home, about, (separator), settings
}

TEST_F(Caption, DoubleClickOnTheSystemMenuButtonClosesThroughTheCloseQuery)
{
    TSkinnedForm* f = Skinned();
    ASSERT_NE(f, nullptr);
    HWND wnd = f->Window;
    EXPECT_EQ(SendMessageA(wnd, WM_NCLBUTTONDBLCLK, HTCAPTION, At(*f, SysMenu)), 0);
    EXPECT_TRUE(PumpUntil([wnd] { return !IsWindow(wnd); }));
    EXPECT_EQ(seen[WM_SYSCOMMAND], 1);
    EXPECT_EQ(seen[WM_CLOSE], 1);
}

TEST_F(Caption, DoubleClickOnAnotherButtonDoesNotClose)
{
    TSkinnedForm* f = Skinned();
    ASSERT_NE(f, nullptr);
    HWND wnd = f->Window;
    SendMessageA(wnd, WM_NCLBUTTONDOWN, HTCAPTION, At(*f, Home)); // Home is hot
    SendMessageA(wnd, WM_NCLBUTTONDBLCLK, HTCAPTION, At(*f, Home));
    Drain(wnd);
    EXPECT_TRUE(IsWindow(wnd));
    EXPECT_EQ(seen[WM_CLOSE], 0);
}

TEST_F(Caption, SystemMenuButtonClickOpensTheSkinnedSystemMenu)
{
    TSkinnedForm* f = Skinned();
    ASSERT_NE(f, nullptr);
    ClickWithTicks(f->Window, At(*f, SysMenu), Dismiss);
    EXPECT_TRUE(menuSeen);
    ASSERT_NE(f->SystemPopupMenu(), nullptr);
    EXPECT_EQ(f->SystemPopupMenu()->Tag(), 33333);
    bool hasClose = false;
    for (int i = 0; i < f->SystemPopupMenu()->Items()->Count(); ++i) {
        cl::TMenuItem* item = f->SystemPopupMenu()->Items()->Items(i);
        if (item->Tag() == SC_CLOSE) hasClose = item->ImageIndex() == 3;
        if (item->Tag() == SC_RESTORE) {
            EXPECT_FALSE(item->Enabled()); // a normal window
        }
    }
    EXPECT_TRUE(hasClose);
    EXPECT_TRUE(IsWindow(f->Window));
}

TEST_F(Caption, HintShowsAfterASecondAndHidesTwoAndAHalfSecondsLater)
{
    data->Options |= Bit(xoCaptionButtonHint);
    TSkinnedForm* f = Skinned();
    ASSERT_NE(f, nullptr);
    const LPARAM p = At(*f, Maximise);
    SetCursorPos(static_cast<short>(LOWORD(p)), static_cast<short>(HIWORD(p)));
    SendMessageA(f->Window, WM_NCMOUSEMOVE, HTCAPTION, p);
    ASSERT_EQ(f->HotObject, f->CaptionObjects[Maximise].get());
    f->HoverTimerControl()->SetEnabled(false); // ticked by hand below
    data->HoverTime = 0;
    RECT w{};
    GetWindowRect(f->Window, &w);
    const RECT& button = f->CaptionObjects[Maximise]->Rect;
    for (int tick = 1; tick <= 14; ++tick) {
        // The cursor stays on the button; mapping the hint window may let the platform
        // report another pointer position once.
        SetCursorPos(static_cast<short>(LOWORD(p)), static_cast<short>(HIWORD(p)));
        f->HoverTimer(); // 250 ms each
        const bool shown = tick >= 4 && tick < 14;
        HWND hint = data->HintWindow.Handle();
        POINT cursor{};
        GetCursorPos(&cursor);
        EXPECT_EQ(hint && IsWindowVisible(hint), shown)
            << "tick " << tick << ", cursor " << cursor.x << "," << cursor.y;
        if (tick == 4 && hint) {
            EXPECT_EQ(data->HintWindow.Text(), std::wstring(L"\u6700\u5927\u5316"));
            // Below the cursor, at the button's left edge.
            RECT r{};
            GetWindowRect(hint, &r);
            EXPECT_EQ(r.left, w.left + button.left);
            EXPECT_EQ(r.top, static_cast<short>(HIWORD(p)) + 24);
        }
    }
    // Shown again on the next hover, then the cursor leaving the button clears the hot
    // object and hides the hint at once.
    data->HoverTime = 0;
    for (int tick = 1; tick <= 4; ++tick) {
        SetCursorPos(static_cast<short>(LOWORD(p)), static_cast<short>(HIWORD(p)));
        f->HoverTimer();
    }
    ASSERT_TRUE(IsWindowVisible(data->HintWindow.Handle()));
    // The platform may report the old pointer position until it has handled the move.
    const POINT away{static_cast<short>(LOWORD(p)), static_cast<short>(HIWORD(p)) + 100};
    ASSERT_TRUE(PumpUntil([away] {
        SetCursorPos(away.x, away.y);
        POINT cursor{};
        GetCursorPos(&cursor);
        return cursor.x == away.x && cursor.y == away.y;
    }));
    f->HoverTimer();
    EXPECT_EQ(f->HotObject, nullptr);
    EXPECT_EQ(data->HoverTime, 0);
    EXPECT_FALSE(IsWindowVisible(data->HintWindow.Handle()));
}

TEST_F(Caption, MaximiseButtonAndCaptionDoubleClickToggleTheWindow)
{
    TSkinnedForm* f = Skinned();
    ASSERT_NE(f, nullptr);
    HWND wnd = f->Window;
    const LPARAM p = At(*f, Maximise);
    SendMessageA(wnd, WM_NCLBUTTONDOWN, HTCAPTION, p);
    SendMessageA(wnd, WM_NCLBUTTONUP, HTCAPTION, p);
    EXPECT_TRUE(PumpUntil([wnd] { return IsZoomed(wnd) != FALSE; }));
    EXPECT_EQ(f->WindowState, wsMaximized);
    // Off the buttons, a double click on the caption of a maximised window restores it.
    RECT w{};
    GetWindowRect(wnd, &w);
    SendMessageA(wnd, WM_NCLBUTTONDBLCLK, HTCAPTION, MAKELPARAM(w.left + (w.right - w.left) / 2, w.top + 20));
    EXPECT_TRUE(PumpUntil([wnd] { return !IsZoomed(wnd); }));
    EXPECT_EQ(f->WindowState, wsNormal);
    EXPECT_EQ(seen[WM_NCLBUTTONDBLCLK], 0);
}

TEST_F(Caption, SystemMenuButtonWithoutImageTakesTheIconSize)
{
    TDataSkinSysButton& sys = *data->CaptionButtons[SysMenu];
    sys.Bitmap->SetSize(0, 0);
    sys.Frame = 1;
    TSkinnedForm* f = Skinned();
    ASSERT_NE(f, nullptr);
    const RECT r = f->CaptionObjects[SysMenu]->Rect;
    EXPECT_EQ(r.left, 8);
    EXPECT_EQ(r.right - r.left, GetSystemMetrics(SM_CXSMICON));
    EXPECT_EQ(r.bottom - r.top, GetSystemMetrics(SM_CYSMICON));
}

TEST_F(Caption, AltSpaceShowsTheSkinnedSystemMenu)
{
    TSkinnedForm* f = Skinned();
    ASSERT_NE(f, nullptr);
    menuSeen = false;
    menuRect = RECT{};
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, Dismiss);
    SendMessageA(f->Window, WM_SYSCOMMAND, SC_KEYMENU, ' ');
    KillTimer(nullptr, timer);
    EXPECT_TRUE(menuSeen);
    ASSERT_NE(f->SystemPopupMenu(), nullptr);
    POINT origin{0, 0};
    ClientToScreen(f->Window, &origin);
    EXPECT_EQ(menuRect.left, origin.x);
    EXPECT_EQ(menuRect.top, origin.y);
    EXPECT_EQ(seen[WM_SYSCOMMAND], 0); // not the platform's menu
}

TEST_F(Caption, CaptionObjectsMoveBetweenNormalHotAndPressed)
{
    TSkinnedForm* f = Skinned();
    ASSERT_NE(f, nullptr);
    TNCObject* home = f->CaptionObjects[Home].get();
    TNCObject* menu = f->CaptionObjects[Menu].get();
    TNCObject* off = f->CaptionObjects[Queried].get();
    off->Enabled = false;
    enum Op { Enter, Down, EnterDown, Leave };
    struct Step {
        TNCObject* object;
        Op op;
        TNCObject* hot; // afterwards
        int homeState, menuState;
    } const steps[] = {
        {home, Enter, home, osHot, osNormal},
        {menu, Enter, menu, osNormal, osHot},         // the previous hot object leaves
        {home, Down, menu, osPressed, osHot},         // a press leaves the hot object as it is
        {home, EnterDown, home, osPressed, osNormal}, // hot and pressed at once
        {home, EnterDown, home, osPressed, osNormal}, // already hot: nothing
        {off, Enter, nullptr, osNormal, osNormal},    // a disabled object never turns hot
        {menu, EnterDown, menu, osNormal, osPressed},
        {menu, Leave, nullptr, osNormal, osNormal},
    };
    for (size_t i = 0; i < std::size(steps); ++i) {
        SCOPED_TRACE(i);
        const Step& s = steps[i];
        switch (s.op) {
        case Enter: s.object->Enter(); break;
        case Down: s.object->Down(); break;
        case EnterDown: s.object->EnterDown(); break;
        case Leave: s.object->Leave(); break;
        }
        EXPECT_EQ(f->HotObject, s.hot);
        EXPECT_EQ(home->State, s.homeState);
        EXPECT_EQ(menu->State, s.menuState);
    }
}

TEST_F(Caption, RebuildingTheCaptionObjectsClearsTheHotObject)
{
    TSkinnedForm* f = Skinned();
    ASSERT_NE(f, nullptr);
    const LPARAM p = At(*f, Home);
    SetCursorPos(static_cast<short>(LOWORD(p)), static_cast<short>(HIWORD(p)));
    SendMessageA(f->Window, WM_NCMOUSEMOVE, HTCAPTION, p);
    ASSERT_EQ(f->HotObject, f->CaptionObjects[Home].get());
    // A skin change rebuilds the caption objects; the timer tick after it finds none hot.
    f->BuildCaptionObjects();
    EXPECT_EQ(f->HotObject, nullptr);
    f->HoverTimer();
    EXPECT_EQ(f->HotObject, nullptr);
}

// ---------------------------------------------------------------------------------------
// The title's room, the hover timer of a window skinned while active, menu tracking

TEST_F(Caption, TitleKeepsRoomOnlyForTheRightAlignedButtonsShown)
{
    // A pop-up window's title ends the reserve + 5 pixels left of the caption's right end;
    // the reserve is the largest Xcoord of the right-aligned buttons shown: 80 (the caption
    // menu's) while the queried button (Xcoord 100) stays hidden, 100 once it shows.
    struct Case {
        LRESULT answer;
        int reserve;
    } cases[] = {{0, 80}, {1, 100}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reserve);
        visibleAnswer = c.answer;
        TSkinnedForm* f = Skinned(WS_POPUP | WS_CAPTION | WS_SYSMENU);
        ASSERT_NE(f, nullptr);
        SetWindowTextA(f->Window, std::string(80, 'M').c_str());
        RECT w{};
        GetWindowRect(f->Window, &w);
        const int W = w.right - w.left;
        skintest::FrameShot shot(*f);
        EXPECT_EQ(f->RightButtonReserve, c.reserve);
        EXPECT_EQ(f->TitleTextRect.right, W - R - c.reserve - 5);
        // Title pixels (not the caption's colour) between the two ends, below the buttons.
        int title = 0;
        for (int y = 4 + BH; y < T; ++y)
            for (int x = W - R - 105 + 2; x < W - R - 85 - 2; ++x) title += shot.At(x, y) != Edge;
        if (c.reserve == 80) {
            EXPECT_GT(title, 0);
        } else {
            EXPECT_EQ(title, 0);
        }
    }
}

TEST_F(Caption, WindowSkinnedWhileActiveRunsItsHoverTimer)
{
    data->Options |= Bit(xoCaptionButtonHint);
    TSkinnedForm* f = ActivatedThenSkinned(Window(WS_OVERLAPPEDWINDOW));
    ASSERT_NE(f, nullptr);
    ASSERT_NE(f->HoverTimerControl(), nullptr);
    EXPECT_TRUE(f->HoverTimerControl()->Enabled());
    // The timer shows the hovered button's hint (after a second of ticks) ...
    const LPARAM p = At(*f, Maximise);
    SetCursorPos(static_cast<short>(LOWORD(p)), static_cast<short>(HIWORD(p)));
    SendMessageA(f->Window, WM_NCMOUSEMOVE, HTCAPTION, p);
    ASSERT_EQ(f->HotObject, f->CaptionObjects[Maximise].get());
    auto hintShown = [this] { return data->HintWindow.Handle() && IsWindowVisible(data->HintWindow.Handle()); };
    EXPECT_TRUE(PumpUntil(hintShown));
    // ... and, the cursor gone, makes the button normal and hides the hint.
    RECT w{};
    GetWindowRect(f->Window, &w);
    SetCursorPos(w.left + 150, w.bottom + 100);
    EXPECT_TRUE(PumpUntil([&] { return f->HotObject == nullptr && !hintShown(); }));
    EXPECT_EQ(f->CaptionObjects[Maximise]->State, osNormal);
}

TEST_F(Caption, ManagerTracksTheCaptionMenuAndTheTimerGoesOnAfterIt)
{
    TSkinnedForm* f = ActivatedThenSkinned(Window(WS_OVERLAPPEDWINDOW));
    ASSERT_NE(f, nullptr);
    const LPARAM p = At(*f, Menu);
    SetCursorPos(static_cast<short>(LOWORD(p)), static_cast<short>(HIWORD(p)));
    trackingSeen = false;
    ClickWithTicks(f->Window, p, Dismiss);
    ASSERT_TRUE(menuSeen);
    EXPECT_TRUE(trackingSeen); // the manager knew of the open menu
    EXPECT_FALSE(SkinManager->MenuTracking);
    // Back on the button and off again: the timer makes it normal.
    SendMessageA(f->Window, WM_NCMOUSEMOVE, HTCAPTION, p);
    ASSERT_EQ(f->HotObject, f->CaptionObjects[Menu].get());
    RECT w{};
    GetWindowRect(f->Window, &w);
    SetCursorPos(w.left + 150, w.bottom + 100);
    EXPECT_TRUE(PumpUntil([f] { return f->HotObject == nullptr; }));
    EXPECT_EQ(f->CaptionObjects[Menu]->State, osNormal);
}

TEST_F(Caption, NoCaptionMenuWhileTheManagerTracksAMenu)
{
    TSkinnedForm* f = Skinned();
    ASSERT_NE(f, nullptr);
    SkinManager->MenuTracking = true;
    f->PopupCaptionMenu();
    EXPECT_EQ(f->CaptionMenu(), nullptr);
    SkinManager->MenuTracking = false;
}

namespace {
TColor ComboC(int k) { return MakeRGB(10 * k, 200, 0); }
} // namespace

TEST_F(Caption, RawComboBoxButtonIsNormalAgainOnceTheMouseLeft)
{
    data->ComboButton = std::make_unique<TDataSkinBorder>("ComboButton");
    data->SunkEdge = std::make_unique<TDataSkinObject>("SunkEdge");
    cl::TBitmap& strip = *data->ComboButton->Bitmap;
    Solid(strip, 32, 8, ComboC(1));
    for (int k = 2; k <= 4; ++k) {
        strip.Canvas()->Brush().SetColor(ComboC(k));
        strip.Canvas()->FillRect(RECT{(k - 1) * 8, 0, k * 8, 8});
    }
    data->ComboButton->Frame = 4;
    Solid(*data->SunkEdge->Bitmap, 32, 8, Edge);
    data->SunkEdge->Frame = 4;
    HWND wnd = Window(WS_OVERLAPPEDWINDOW);
    HWND combo = CreateWindowExA(0, "COMBOBOX", "", WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST, 10, 10, 120, 200, wnd,
                                 nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(combo, nullptr);
    TSkinnedForm* f = ActivatedThenSkinned(wnd);
    ASSERT_NE(f, nullptr);
    auto* skin = dynamic_cast<TSkinComBox*>(f->FindControlSkin(combo));
    ASSERT_NE(skin, nullptr);
    RECT c{};
    GetWindowRect(combo, &c);
    auto button = [&] {
        cl::TBitmap shot;
        shot.SetPixelFormat(cl::pf24bit);
        shot.SetSize(c.right - c.left, c.bottom - c.top);
        skin->PaintControl(shot.Canvas()->Handle());
        return shot.Canvas()->Pixel(c.right - c.left - 3, (c.bottom - c.top) / 2);
    };
    ASSERT_EQ(button(), ComboC(1)); // painted once: the button's place is known
    POINT in{(skin->ButtonRect.left + skin->ButtonRect.right) / 2, (skin->ButtonRect.top + skin->ButtonRect.bottom) / 2};
    POINT screen = in;
    ClientToScreen(combo, &screen);
    SetCursorPos(screen.x, screen.y);
    SendMessageA(combo, WM_MOUSEMOVE, 0, MAKELPARAM(in.x, in.y));
    ASSERT_TRUE(skin->Hot());
    EXPECT_EQ(button(), ComboC(4));
    EXPECT_EQ(f->HotControlSkin, skin);
    // The timer, driven here, tells the combo the mouse has left its window. The platform
    // may report the old pointer position until it has handled the move.
    const POINT away{c.left + 10, c.bottom + 150};
    ASSERT_TRUE(PumpUntil([away] {
        SetCursorPos(away.x, away.y);
        POINT cursor{};
        GetCursorPos(&cursor);
        return cursor.x == away.x && cursor.y == away.y;
    }));
    f->HoverTimer();
    EXPECT_FALSE(skin->Hot());
    EXPECT_EQ(f->HotControlSkin, nullptr);
    EXPECT_EQ(button(), ComboC(1));
}
