// The skinned menu bar on a raw window with a menu: the menu taken from the platform, the
// bar's items and painting, opening items by click, accelerator and arrow keys, the menu
// given back when the skin goes; popup-menu windows framed by the manager's hook.
#include "skin/engine/SkinData.h"
#include "skin/engine/SkinManage.h"
#include "skin/engine/SkinMessages.h"
#include "skin/engine/SkinnedForm.h"
#include "skin/engine/SkinnedPopMenu.h"

#include "BorderedSkin.h"
#include "MessagePump.h"
#include "RawWindows.h"

#include <gtest/gtest.h>

#include <functional>
#include <utility>
#include <vector>

using namespace skin;
using namespace skin::test;

namespace {

const TColor BarColour = MakeRGB(30, 160, 90);
const TColor BarActive = MakeRGB(200, 40, 40), BarInactive = MakeRGB(40, 40, 200);
constexpr UINT OpenCmd = 101, HelpCmd = 300, CutCmd = 201;

std::unique_ptr<TSkinData> BarSkin()
{
    auto d = BorderedSkin();
    d->Colors[scMenubar] = BarColour;
    d->Colors[scButtonFace] = MakeRGB(240, 240, 240);
    d->Empty = false;
    return d;
}

using skintest::PumpUntil;

std::vector<WPARAM> commands; // WM_COMMAND identifiers the window saw
int marks = 0;

LRESULT CALLBACK BarProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_COMMAND) commands.push_back(LOWORD(wParam));
    if (msg == WM_APP) ++marks;
    return DefWindowProcA(wnd, msg, wParam, lParam);
}

// The drop-downs seen open, in order; each is closed once seen. A key to post to the
// first one moves to another bar item.
std::vector<HMENU> opened;
WPARAM keyOnFirst = 0;
bool inLoopSeen = false;
TSkinnedForm* watched = nullptr;

// Runs while a drop-down shows, before it is closed.
std::function<void()> probe;

void CALLBACK WatchMenus(HWND, UINT, UINT_PTR, DWORD)
{
    HWND menu = FindWindowA("#32768", nullptr);
    if (!menu || !IsWindowVisible(menu)) return;
    if (probe) probe();
    const auto shown = reinterpret_cast<HMENU>(SendMessageA(menu, 0x01E1 /* MN_GETHMENU */, 0, 0));
    if (!opened.empty() && opened.back() == shown) return;
    opened.push_back(shown);
    if (watched) inLoopSeen = watched->InMenuLoop;
    if (opened.size() == 1 && keyOnFirst) {
        PostMessageA(menu, WM_KEYDOWN, keyOnFirst, 0);
        return;
    }
    EndMenu();
}

struct MenuBar : ::testing::Test {
    std::unique_ptr<TSkinData> data;
    skintest::RawWindows windows;
    HMENU menu = nullptr, file = nullptr, edit = nullptr;
    UINT_PTR timer = 0;

    void SetUp() override
    {
        commands.clear();
        opened.clear();
        keyOnFirst = 0;
        inLoopSeen = false;
        watched = nullptr;
        probe = nullptr;
        data = BarSkin();
        skintest::StartSkin(*data);
    }
    void TearDown() override
    {
        if (timer) KillTimer(nullptr, timer);
        watched = nullptr;
        probe = nullptr;
        data.reset();
        windows.DestroyAll();
    }
    // "&File" (a drop-down with Open), "&Edit" (a drop-down with Cut), "&Help" (a command).
    TSkinnedForm* Skinned(DWORD exStyle = 0)
    {
        skintest::RegisterRawClass("SkinMenuBarTest", BarProc);
        menu = CreateMenu();
        file = CreatePopupMenu();
        edit = CreatePopupMenu();
        AppendMenuA(file, MF_STRING, OpenCmd, "&Open");
        AppendMenuA(edit, MF_STRING, CutCmd, "Cu&t");
        AppendMenuA(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(file), "&File");
        AppendMenuA(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(edit), "&Edit");
        AppendMenuA(menu, MF_STRING, HelpCmd, "&Help");
        HWND wnd = windows.Add(skintest::RawWindow("SkinMenuBarTest", "Bar", WS_OVERLAPPEDWINDOW, 400, 250, menu, exStyle));
        ShowWindow(wnd, SW_SHOWNA);
        TSkinnedForm* f = skintest::SkinNow(wnd);
        watched = f;
        return f;
    }
    // A screen point 2 pixels inside bar item i.
    static LPARAM At(TSkinnedForm& f, int i)
    {
        RECT w{};
        GetWindowRect(f.Window, &w);
        const RECT& r = f.MenuBar()->Items[static_cast<size_t>(i)]->Rect;
        return MAKELPARAM(w.left + r.left + 2, w.top + r.top + 2);
    }
    void WatchMenus() { timer = SetTimer(nullptr, 0, 10, &::WatchMenus); }
    static void Drain(HWND wnd)
    {
        const int before = marks;
        PostMessageA(wnd, WM_APP, 0, 0);
        EXPECT_TRUE(PumpUntil([before] { return marks > before; }));
    }
    static TColor BarPixel(TSkinnedForm& f, int x)
    {
        return skintest::FrameShot(f).At(x, T + GetSystemMetrics(SM_CYMENU) / 2);
    }
};

} // namespace

TEST_F(MenuBar, TakesTheMenuFromTheWindowAndBuildsItsItems)
{
    TSkinnedForm* f = Skinned();
    ASSERT_NE(f, nullptr);
    ASSERT_NE(f->MenuBar(), nullptr);
    EXPECT_EQ(GetMenu(f->Window), nullptr);
    EXPECT_EQ(f->MenuBarHeight, GetSystemMetrics(SM_CYMENU));
    const auto& items = f->MenuBar()->Items;
    ASSERT_EQ(items.size(), 3u);
    struct Expected {
        const wchar_t* caption;
        HMENU sub;
        UINT command;
    } const expected[] = {{L"&File", file, 0}, {L"&Edit", edit, 0}, {L"&Help", nullptr, HelpCmd}};
    for (size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(items[i]->Caption, expected[i].caption);
        EXPECT_EQ(items[i]->SubMenu, expected[i].sub);
        if (expected[i].command) {
            EXPECT_EQ(items[i]->Command, expected[i].command);
        }
        EXPECT_EQ(items[i]->Index, static_cast<int>(i));
        EXPECT_TRUE(items[i]->ItemEnabled);
    }
    // Laid out from 6 pixels inside the left frame, one after another, the bar's height.
    EXPECT_EQ(items[0]->Rect.left, L + 6);
    EXPECT_EQ(items[1]->Rect.left, items[0]->Rect.right);
    EXPECT_EQ(items[2]->Rect.left, items[1]->Rect.right);
    for (const auto& item : items) {
        EXPECT_EQ(item->Rect.top, T);
        EXPECT_EQ(item->Rect.bottom, T + GetSystemMetrics(SM_CYMENU));
        EXPECT_GT(item->Rect.right - item->Rect.left, 10);
    }
    // The client area lies below the bar.
    POINT origin{0, 0};
    ClientToScreen(f->Window, &origin);
    RECT w{};
    GetWindowRect(f->Window, &w);
    EXPECT_EQ(origin.y - w.top, T + GetSystemMetrics(SM_CYMENU));
    // Hit tests: the bar answers HTMENU.
    const LPARAM onBar = At(*f, 2);
    EXPECT_EQ(SendMessageA(f->Window, WM_NCHITTEST, 0, onBar), HTMENU);
}

TEST_F(MenuBar, RightToLeftItemsRunFromTheRightEdge)
{
    TSkinnedForm* f = Skinned(WS_EX_LEFTSCROLLBAR);
    ASSERT_NE(f, nullptr);
    const auto& items = f->MenuBar()->Items;
    ASSERT_EQ(items.size(), 3u);
    RECT w{};
    GetWindowRect(f->Window, &w);
    EXPECT_EQ(items[0]->Rect.right, (w.right - w.left) - R - 6);
    EXPECT_EQ(items[1]->Rect.right, items[0]->Rect.left);
    EXPECT_EQ(items[2]->Rect.right, items[1]->Rect.left);
}

TEST_F(MenuBar, BackgroundFromTheSkinByActivation)
{
    struct Case {
        bool withImage, active;
        TColor expected;
    } const cases[] = {
        {false, true, BarColour}, {false, false, BarColour}, {true, true, BarActive}, {true, false, BarInactive}};
    TSkinnedForm* f = Skinned();
    ASSERT_NE(f, nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "image " << c.withImage << " active " << c.active);
        if (c.withImage) {
            // Two frames side by side: active, inactive.
            data->MenuBar = std::make_unique<TDataSkinObject>("MenuBar");
            cl::TBitmap& b = *data->MenuBar->Bitmap;
            Solid(b, 20, 10, BarActive);
            b.Canvas()->Brush().SetColor(BarInactive);
            b.Canvas()->FillRect(RECT{10, 0, 20, 10});
            data->MenuBar->Frame = 2;
        } else {
            data->MenuBar.reset();
        }
        f->Active = c.active;
        RECT w{};
        GetWindowRect(f->Window, &w);
        // Past the last item, at the bar's right end.
        EXPECT_EQ(BarPixel(*f, (w.right - w.left) - R - 3), c.expected);
    }
}

TEST_F(MenuBar, ItemWithoutDropDownPostsItsCommandAndOpensNothing)
{
    TSkinnedForm* f = Skinned();
    ASSERT_NE(f, nullptr);
    WatchMenus();
    EXPECT_EQ(SendMessageA(f->Window, WM_NCLBUTTONDOWN, HTMENU, At(*f, 2)), 0);
    Drain(f->Window);
    EXPECT_EQ(commands, std::vector<WPARAM>{HelpCmd});
    EXPECT_TRUE(opened.empty());
    // The private click message reaches the same item.
    commands.clear();
    EXPECT_EQ(SendMessageA(f->Window, WM_SKIN_MENUBAR_CLICK, 0, At(*f, 2)), 0);
    Drain(f->Window);
    EXPECT_EQ(commands, std::vector<WPARAM>{HelpCmd});
}

TEST_F(MenuBar, PressOpensTheDropDownSkinnedAsABarMenu)
{
    TSkinnedForm* f = Skinned();
    ASSERT_NE(f, nullptr);
    data->MenuBackground = std::make_unique<TDataSkinObject>("MenuBackground");
    Solid(*data->MenuBackground->Bitmap, 12, 12, MakeRGB(10, 120, 30));
    HWND skinnedMenu = nullptr;
    bool answered = false, fromBar = false;
    probe = [&] {
        if (!SkinManager->PopupMenus().empty()) {
            skinnedMenu = SkinManager->PopupMenus().front()->Window;
            fromBar = SkinManager->PopupMenus().front()->FromMenuBar;
            answered = SendMessageA(skinnedMenu, WM_SKIN_QUERY, 0, 0) == 1;
        }
    };
    WatchMenus();
    EXPECT_EQ(SendMessageA(f->Window, WM_NCLBUTTONDOWN, HTMENU, At(*f, 0)), 0);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], file);
    EXPECT_TRUE(inLoopSeen);
    EXPECT_FALSE(f->InMenuLoop);
    EXPECT_TRUE(answered);
    EXPECT_TRUE(fromBar);
    // The drop-down's window is gone, and the manager's menu kind with it.
    EXPECT_TRUE(SkinManager->PopupMenus().empty());
    EXPECT_EQ(SkinManager->MenuKind, 0);
    EXPECT_FALSE(SkinManager->MenuFromBar);
    EXPECT_EQ(f->HotObject, nullptr);
}

// What the drop-down's loop dispatches may free the window's skin: once the drop-down
// closes, nothing of it is touched.
TEST_F(MenuBar, SkinFreedWhileTheDropDownIsOpen)
{
    TSkinnedForm* f = Skinned();
    ASSERT_NE(f, nullptr);
    HWND wnd = f->Window;
    probe = [&] {
        if (!f) return;
        watched = nullptr;
        cl::Free(std::exchange(f, nullptr));
    };
    WatchMenus();
    EXPECT_EQ(SendMessageA(wnd, WM_NCLBUTTONDOWN, HTMENU, At(*f, 0)), 0);
    EXPECT_EQ(f, nullptr);
    EXPECT_EQ(opened.size(), 1u);
    EXPECT_EQ(SkinManager->FindSkinForm(wnd), nullptr);
    EXPECT_EQ(SendMessageA(wnd, WM_SKIN_QUERY, 0, 0), 0);
}

TEST_F(MenuBar, ArrowKeysMoveToTheNeighbouringItem)
{
    // With a right-to-left bar, File's neighbour on the left is Edit: the Left key moves
    // there, as Right does on a left-to-right bar.
    struct Case {
        DWORD exStyle;
        WPARAM key;
        int second; // the item whose drop-down opens next
    } const cases[] = {{0, VK_RIGHT, 1}, {0, VK_LEFT, 2}, {WS_EX_LEFTSCROLLBAR, VK_LEFT, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "ex " << c.exStyle << " key " << c.key);
        opened.clear();
        commands.clear();
        TSkinnedForm* f = Skinned(c.exStyle);
        ASSERT_NE(f, nullptr);
        keyOnFirst = c.key;
        WatchMenus();
        SendMessageA(f->Window, WM_NCLBUTTONDOWN, HTMENU, At(*f, 0));
        if (c.second == 2) {
            // Moving left from the first item wraps to the last, which has no drop-down.
            Drain(f->Window);
            EXPECT_EQ(opened, std::vector<HMENU>{file});
            EXPECT_NE(std::find(commands.begin(), commands.end(), HelpCmd), commands.end());
        } else {
            EXPECT_TRUE(PumpUntil([] { return opened.size() >= 2; }));
            EXPECT_EQ(opened, (std::vector<HMENU>{file, edit}));
        }
        KillTimer(nullptr, std::exchange(timer, 0));
        DestroyWindow(f->Window);
    }
}

TEST_F(MenuBar, AltAndAnAcceleratorOpenTheItem)
{
    TSkinnedForm* f = Skinned();
    ASSERT_NE(f, nullptr);
    // Alt alone opens the first item.
    struct Case {
        LPARAM character;
        std::vector<HMENU> opens;
    } const cases[] = {{'e', {edit}}, {'E', {edit}}, {0, {file}}, {'f', {file}}};
    WatchMenus();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.character);
        opened.clear();
        EXPECT_EQ(SendMessageA(f->Window, WM_SYSCOMMAND, SC_KEYMENU, c.character), 1);
        EXPECT_EQ(opened, c.opens);
    }
}

TEST_F(MenuBar, RebuildingClearsTheHotItemAndUnskinGivesTheMenuBack)
{
    TSkinnedForm* f = Skinned();
    ASSERT_NE(f, nullptr);
    SendMessageA(f->Window, WM_NCMOUSEMOVE, HTMENU, At(*f, 1));
    ASSERT_EQ(f->HotObject, f->MenuBar()->Items[1].get());
    EXPECT_EQ(f->MenuBar()->Items[1]->State, osHot);
    f->MenuBar()->BuildItems();
    EXPECT_EQ(f->HotObject, nullptr);
    ASSERT_EQ(f->MenuBar()->Items.size(), 3u);
    // The hover timer has no object left to touch.
    f->HoverTimer();

    RECT client{};
    GetClientRect(f->Window, &client);
    HWND wnd = f->Window;
    f->Unskin();
    EXPECT_EQ(GetMenu(wnd), menu);
    EXPECT_EQ(f->MenuBar(), nullptr);
    RECT after{};
    GetClientRect(wnd, &after);
    EXPECT_EQ(after.bottom - after.top, client.bottom - client.top);
}

namespace {

struct PopupCase {
    int menuKind;
    TSkinControlTypes controls;
    bool skinned;
};

class PopupAttach : public ::testing::TestWithParam<PopupCase> {};

HWND MenuWindow(DWORD style)
{
    return CreateWindowExA(WS_EX_TOOLWINDOW, "#32768", "", style, 10, 10, 80, 60, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

} // namespace

TEST_P(PopupAttach, TheMenuKindChoosesTheSkinControlsMember)
{
    const PopupCase c = GetParam();
    auto data = BarSkin();
    data->Loaded();
    data->SkinControls = c.controls;
    ASSERT_NE(SkinManager, nullptr);
    SkinManager->Active = true;
    SkinManager->MenuKind = c.menuKind;
    SkinManager->MenuFromBar = c.menuKind == 1;
    HWND wnd = MenuWindow(WS_POPUP);
    ASSERT_NE(wnd, nullptr);
    EXPECT_EQ(SendMessageA(wnd, WM_SKIN_QUERY, 0, 0) == 1, c.skinned);
    ASSERT_EQ(SkinManager->PopupMenus().size(), c.skinned ? 1u : 0u);
    if (c.skinned) {
        EXPECT_EQ(SkinManager->PopupMenus()[0]->FromMenuBar, c.menuKind == 1);
    }
    DestroyWindow(wnd);
    EXPECT_TRUE(SkinManager->PopupMenus().empty());
    if (c.skinned) {
        EXPECT_EQ(SkinManager->MenuKind, 0);
        EXPECT_FALSE(SkinManager->MenuFromBar);
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, PopupAttach,
                         ::testing::Values(PopupCase{0, Bit(xcPopupMenu), true}, PopupCase{0, Bit(xcMainMenu), false},
                                           PopupCase{1, Bit(xcMainMenu), true}, PopupCase{1, Bit(xcMenuItem), true},
                                           PopupCase{1, Bit(xcPopupMenu), false},
                                           PopupCase{2, Bit(xcSystemMenu), true},
                                           PopupCase{2, Bit(xcPopupMenu) | Bit(xcMainMenu), false}));

TEST(PopupAttachRules, ChildMenuWindowsAndInactiveManagersAreLeftAlone)
{
    auto data = BarSkin();
    data->Loaded();
    data->SkinControls = Bit(xcPopupMenu);
    ASSERT_NE(SkinManager, nullptr);
    SkinManager->MenuKind = 0;
    SkinManager->Active = false;
    HWND off = MenuWindow(WS_POPUP);
    EXPECT_NE(SendMessageA(off, WM_SKIN_QUERY, 0, 0), 1);
    SkinManager->Active = true;
    HWND parent = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
    HWND child = CreateWindowExA(0, "#32768", "", WS_CHILD, 0, 0, 20, 20, parent, nullptr, nullptr, nullptr);
    if (child) {
        EXPECT_NE(SendMessageA(child, WM_SKIN_QUERY, 0, 0), 1);
    }
    EXPECT_TRUE(SkinManager->PopupMenus().empty());
    DestroyWindow(off);
    DestroyWindow(parent);
}

TEST_F(MenuBar, DropDownItemsBecomeOwnerDrawnAtEveryDepth)
{
    TSkinnedForm* f = Skinned();
    ASSERT_NE(f, nullptr);
    HMENU recent = CreatePopupMenu();
    AppendMenuA(recent, MF_STRING, 150, "One");
    AppendMenuA(file, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(file, MF_POPUP, reinterpret_cast<UINT_PTR>(recent), "&Recent");
    auto ownerDrawn = [](HMENU menu, UINT position) {
        MENUITEMINFOA info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_TYPE;
        return GetMenuItemInfoA(menu, position, TRUE, &info) && (info.fType & MFT_OWNERDRAW) != 0;
    };
    EXPECT_FALSE(ownerDrawn(file, 0));
    bool shownOwnerDrawn = false;
    probe = [&] { shownOwnerDrawn = ownerDrawn(file, 0); };
    WatchMenus();
    EXPECT_EQ(SendMessageA(f->Window, WM_NCLBUTTONDOWN, HTMENU, At(*f, 0)), 0);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_TRUE(shownOwnerDrawn);
    for (UINT i = 0; i < 3; ++i) EXPECT_TRUE(ownerDrawn(file, i)) << i;
    EXPECT_TRUE(ownerDrawn(recent, 0));
    // The edit drop-down was not opened and keeps the platform's drawing.
    EXPECT_FALSE(ownerDrawn(edit, 0));
    // Given back, the menu draws as before.
    f->Unskin();
    for (UINT i = 0; i < 3; ++i) EXPECT_FALSE(ownerDrawn(file, i)) << i;
    EXPECT_FALSE(ownerDrawn(recent, 0));
}
