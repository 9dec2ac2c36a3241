// Popup-menu windows framed from the skin's menu background, at their window procedure.
#include "skin/engine/SkinData.h"
#include "skin/engine/SkinManage.h"
#include "skin/engine/SkinMessages.h"
#include "skin/engine/SkinnedPopMenu.h"

#include <gtest/gtest.h>

#include <map>

using namespace skin;

namespace {

const TColor Back = MakeRGB(10, 120, 30);            // the skin's menu background
const COLORREF ClassBrush = RGB(250, 200, 0);        // the window class's own background
const TColor Untouched = MakeRGB(1, 2, 3);
std::map<UINT, int> seen;

LRESULT CALLBACK MenuLikeProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    ++seen[msg];
    return DefWindowProcA(wnd, msg, wParam, lParam);
}

HWND MenuLikeWindow()
{
    static const ATOM cls = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = MenuLikeProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hbrBackground = CreateSolidBrush(ClassBrush);
        wc.lpszClassName = "SkinPopMenuTest";
        return RegisterClassA(&wc);
    }();
    (void)cls;
    return CreateWindowExA(0, "SkinPopMenuTest", "", WS_POPUP | WS_BORDER, 50, 50, 120, 90, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

// The skin's menu background: 12 by 12 pixels of Back with 3-pixel margins.
void GiveMenuBackground(TSkinData& d)
{
    d.MenuBackground = std::make_unique<TDataSkinObject>("MenuBackground");
    cl::TBitmap& bg = *d.MenuBackground->Bitmap;
    bg.SetPixelFormat(cl::pf24bit);
    bg.SetSize(12, 12);
    bg.Canvas()->Brush().SetColor(Back);
    bg.Canvas()->FillRect(RECT{0, 0, 12, 12});
    d.MenuBackground->LeftWidth = d.MenuBackground->TopHeight = 3;
    d.MenuBackground->RightWidth = d.MenuBackground->BottomHeight = 3;
}

struct PopMenu : ::testing::Test {
    std::unique_ptr<TSkinData> data = std::make_unique<TSkinData>(nullptr);
    HWND wnd = nullptr;
    TSkinnedPopMenu menu;
    cl::TBitmap target;

    void SetUp() override
    {
        seen.clear();
        GiveMenuBackground(*data);
        data->Loaded();
        data->Empty = false;
        ASSERT_NE(SkinManager, nullptr);
        SkinManager->Active = true;
        wnd = MenuLikeWindow();
        menu.Attach(wnd, *data, nullptr);
        target.SetPixelFormat(cl::pf24bit);
        target.SetSize(120, 90);
        target.Canvas()->Brush().SetColor(Untouched);
        target.Canvas()->FillRect(RECT{0, 0, 120, 90});
    }
    void TearDown() override
    {
        if (IsWindow(wnd)) DestroyWindow(wnd);
    }
    HDC Dc() { return target.Canvas()->Handle(); }
};

} // namespace

TEST_F(PopMenu, AnswersTheQueryEvenWhileSkinningIsOff)
{
    EXPECT_EQ(SendMessageA(wnd, WM_SKIN_QUERY, 0, 0), 1);
    SkinManager->Active = false;
    EXPECT_EQ(SendMessageA(wnd, WM_SKIN_QUERY, 0, 0), 1);
    EXPECT_EQ(seen[WM_SKIN_QUERY], 0);
}

TEST_F(PopMenu, EraseKeepsTheBackgroundWithTheMenuBackgroundOption)
{
    data->Options |= Bit(xoMenuBG);
    EXPECT_EQ(SendMessageA(wnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(Dc()), 0), 1);
    EXPECT_EQ(target.Canvas()->Pixel(60, 45), Untouched);
    EXPECT_EQ(seen[WM_ERASEBKGND], 0);
    data->Options &= ~Bit(xoMenuBG);
    EXPECT_EQ(SendMessageA(wnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(Dc()), 0), 1);
    EXPECT_EQ(seen[WM_ERASEBKGND], 1);
}

TEST_F(PopMenu, PrintFramesTheItemsWithTheMenuBackground)
{
    SendMessageA(wnd, WM_PRINT, reinterpret_cast<WPARAM>(Dc()), PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND);
    // The 3-pixel frame is the skin's; the platform's own border drawing is clipped away.
    EXPECT_EQ(target.Canvas()->Pixel(0, 0), Back);
    EXPECT_EQ(target.Canvas()->Pixel(2, 45), Back);
    EXPECT_EQ(target.Canvas()->Pixel(119, 89), Back);
    EXPECT_EQ(seen[WM_PRINT], 1);
}

TEST_F(PopMenu, FramePaintOnlyForTheWholeWindow)
{
    SendMessageA(wnd, WM_NCPAINT, 1, 0);
    EXPECT_EQ(seen[WM_NCPAINT], 0);
    cl::RegionHandle update(CreateRectRgn(0, 0, 10, 10));
    SendMessageA(wnd, WM_NCPAINT, reinterpret_cast<WPARAM>(update.get()), 0);
    EXPECT_EQ(seen[WM_NCPAINT], 1);
}

TEST_F(PopMenu, EmptyMenuBackgroundLeavesPaintingToThePlatform)
{
    data->MenuBackground->Bitmap->SetSize(0, 0);
    SendMessageA(wnd, WM_NCPAINT, 1, 0);
    SendMessageA(wnd, WM_PRINT, reinterpret_cast<WPARAM>(Dc()), PRF_CLIENT);
    EXPECT_EQ(seen[WM_NCPAINT], 1);
    EXPECT_EQ(seen[WM_PRINT], 1);
}

TEST_F(PopMenu, DestroyRestoresTheProcedureAndRestoreRunsTwice)
{
    const LONG_PTR ours = GetWindowLongPtrA(wnd, GWLP_WNDPROC);
    EXPECT_NE(ours, reinterpret_cast<LONG_PTR>(&MenuLikeProc));
    EXPECT_TRUE(menu.Attached());
    menu.Restore();
    EXPECT_FALSE(menu.Attached());
    EXPECT_EQ(GetWindowLongPtrA(wnd, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&MenuLikeProc));
    menu.Restore();
    menu.Attach(wnd, *data, nullptr);
    DestroyWindow(wnd);
    EXPECT_EQ(seen[WM_DESTROY], 1);
    EXPECT_FALSE(menu.Attached());
}

TEST_F(PopMenu, AMenuWindowOfASkinRemovedWhileItIsOpenPaintsAsThePlatformDoes)
{
    auto second = std::make_unique<TSkinData>(nullptr);
    GiveMenuBackground(*second);
    second->Loaded();
    second->Empty = false;
    HWND open = MenuLikeWindow();
    ASSERT_NE(open, nullptr);
    SkinManager->SkinPopupMenu(open); // as the manager's hook frames a new menu window
    const auto& framed = SkinManager->PopupMenus();
    ASSERT_EQ(framed.size(), 1u);
    ASSERT_EQ(framed[0]->SkinData, second.get()); // the newest main-form skin
    const WPARAM dc = reinterpret_cast<WPARAM>(Dc());
    SendMessageA(open, WM_PRINT, dc, PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND);
    EXPECT_EQ(target.Canvas()->Pixel(0, 0), Back);

    second.reset(); // the window stays open, its skin is gone
    target.Canvas()->Brush().SetColor(Untouched);
    target.Canvas()->FillRect(RECT{0, 0, 120, 90});
    SendMessageA(open, WM_PRINT, dc, PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND);
    EXPECT_NE(target.Canvas()->Pixel(0, 0), Back);
    EXPECT_EQ(static_cast<COLORREF>(target.Canvas()->Pixel(60, 45)), ClassBrush);
    DestroyWindow(open);
}
