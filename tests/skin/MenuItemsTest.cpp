// Owner-drawn menu items of a skinned raw window with a menu bar: WM_MEASUREITEM answers
// and WM_DRAWITEM read back from a bitmap, with and without the skin's menu item image.
#include "skin/engine/SkinData.h"
#include "skin/engine/SkinManage.h"
#include "skin/engine/SkinnedForm.h"

#include "MenuItemSkin.h"
#include "MessagePump.h"
#include "RawWindows.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

using namespace skin;
using namespace skin::test;

namespace {

constexpr UINT OpenCmd = 101, GoneCmd = 102, TickCmd = 103;

std::unique_ptr<TSkinData> ItemSkin(bool withImage) { return MenuItemSkin(withImage, false); }

using skintest::PumpUntil;

// The text width of s in the screen's menu font, from the platform.
int MenuTextWidth(const char* s)
{
    NONCLIENTMETRICSA metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    HFONT font = CreateFontIndirectA(&metrics.lfMenuFont);
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    SIZE size{};
    GetTextExtentPoint32A(dc, s, static_cast<int>(strlen(s)), &size);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    DeleteObject(font);
    return size.cx;
}

struct MenuItems : ::testing::Test {
    std::unique_ptr<TSkinData> data;
    HWND wnd = nullptr;
    HMENU menu = nullptr, file = nullptr;

    // "&File" with "&Open", a separator, "Gone" (greyed) and "Tick" (checked).
    TSkinnedForm* Skinned(bool withImage)
    {
        data = ItemSkin(withImage);
        skintest::StartSkin(*data);
        if (!SkinManager) return nullptr;
        skintest::RegisterRawClass("SkinMenuItemsTest", DefWindowProcA);
        menu = CreateMenu();
        file = CreatePopupMenu();
        AppendMenuA(file, MF_STRING, OpenCmd, "&Open");
        AppendMenuA(file, MF_SEPARATOR, 0, nullptr);
        AppendMenuA(file, MF_STRING | MF_GRAYED, GoneCmd, "Gone");
        AppendMenuA(file, MF_STRING | MF_CHECKED, TickCmd, "Tick");
        AppendMenuA(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(file), "&File");
        wnd = skintest::RawWindow("SkinMenuItemsTest", "Items", WS_OVERLAPPEDWINDOW, 400, 250, menu);
        ShowWindow(wnd, SW_SHOWNA);
        TSkinnedForm* f = skintest::SkinNow(wnd, false);
        if (!f) return nullptr;
        EXPECT_NE(f->MenuBar(), nullptr);
        return f;
    }
    void TearDown() override
    {
        data.reset();
        if (wnd && IsWindow(wnd)) DestroyWindow(wnd);
        wnd = nullptr;
    }
    // The item drawn into a 120 x 20 bitmap.
    void Draw(cl::TBitmap& image, UINT id, bool selected)
    {
        image.SetPixelFormat(cl::pf24bit);
        image.SetSize(120, 20);
        Fill(image, RECT{0, 0, 120, 20}, MakeRGB(1, 2, 3));
        DRAWITEMSTRUCT item{};
        item.CtlType = ODT_MENU;
        item.itemID = id;
        item.itemAction = ODA_DRAWENTIRE;
        item.itemState = selected ? ODS_SELECTED : 0;
        item.hwndItem = reinterpret_cast<HWND>(file);
        item.hDC = image.Canvas()->Handle();
        item.rcItem = RECT{0, 0, 120, 20};
        EXPECT_EQ(SendMessageA(wnd, WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&item)), 1);
    }
};

} // namespace

TEST_F(MenuItems, MeasureAnswersTextWidthPlusRoom)
{
    struct Case {
        bool withImage;
        UINT id;
        UINT width; // beyond the text's own width
        UINT height;
    } const cases[] = {
        {true, OpenCmd, 26 + ItemLeftMargin, 15 + 4},
        {false, OpenCmd, 26, 15 + 4},
        {true, 0, 26 + ItemLeftMargin, 8}, // the separator: no text
        {false, 0, 26, 8},
    };
    const UINT open = static_cast<UINT>(MenuTextWidth("&Open"));
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.withImage << " " << c.id);
        ASSERT_NE(Skinned(c.withImage), nullptr);
        MEASUREITEMSTRUCT item{};
        item.CtlType = ODT_MENU;
        item.itemID = c.id;
        item.itemHeight = 15;
        EXPECT_EQ(SendMessageA(wnd, WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&item)), 1);
        EXPECT_EQ(item.itemWidth, (c.id ? open : 0) + c.width);
        EXPECT_EQ(item.itemHeight, c.height);
        TearDown();
    }
}

TEST_F(MenuItems, DrawsFromTheSkinImageOrPlainColours)
{
    struct Case {
        const char* name;
        bool withImage;
        UINT id;
        bool selected;
        TColor background;     // at (110, 10), right of any text
        TColor text, notText;  // present and absent in the text box
        bool checkMark;        // dark pixels in the glyph box
    } const cases[] = {
        {"normal", true, OpenCmd, false, Frame1, MenuTextColour, ShadowColour, false},
        {"selected", true, OpenCmd, true, Frame4, HilightTextColour, MenuTextColour, false},
        {"disabled", true, GoneCmd, false, Frame1, ShadowColour, MenuTextColour, false},
        {"checked", true, TickCmd, false, Frame1, MenuTextColour, ShadowColour, true},
        {"plain normal", false, OpenCmd, false, MenuColour, MenuTextColour, ShadowColour, false},
        {"plain selected", false, OpenCmd, true, HilightColour, HilightTextColour, MenuTextColour, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_NE(Skinned(c.withImage), nullptr);
        cl::TBitmap image;
        Draw(image, c.id, c.selected);
        EXPECT_EQ(image.Canvas()->Pixel(110, 10), c.background);
        EXPECT_EQ(image.Canvas()->Pixel(0, 19), c.background);
        // The text box starts at the glyph box's right + 3: 1 + margin + 16 + 3.
        const int textLeft = 20 + (c.withImage ? ItemLeftMargin : 0);
        const RECT text{textLeft, 0, 100, 20};
        EXPECT_TRUE(AnyNear(image, text, c.text));
        EXPECT_FALSE(AnyNear(image, text, c.notText));
        const RECT glyph{0, 0, textLeft - 1, 20};
        EXPECT_EQ(AnyNear(image, glyph, MakeRGB(0, 0, 0)), c.checkMark);
        TearDown();
    }
}

TEST_F(MenuItems, SeparatorDrawsTheImageAndAnEtchedLine)
{
    ASSERT_NE(Skinned(true), nullptr);
    cl::TBitmap image;
    Draw(image, 0, false);
    EXPECT_EQ(image.Canvas()->Pixel(110, 10), Frame1);
    // The line runs from x 3 to the item's right - 1, 4 pixels below the top.
    const TColor shadow = GetSysColor(COLOR_BTNSHADOW), light = GetSysColor(COLOR_BTNHIGHLIGHT);
    EXPECT_EQ(image.Canvas()->Pixel(3, 4), shadow);
    EXPECT_EQ(image.Canvas()->Pixel(60, 4), shadow);
    EXPECT_EQ(image.Canvas()->Pixel(60, 5), light);
    EXPECT_EQ(image.Canvas()->Pixel(2, 4), Frame1);
    EXPECT_EQ(image.Canvas()->Pixel(60, 3), Frame1);
    EXPECT_FALSE(AnyNear(image, RECT{0, 6, 120, 20}, Frame2));
}

TEST_F(MenuItems, WindowWithoutMenuBarKeepsItsOwnItemHandling)
{
    // A window without a skinned menu bar leaves item messages to its own procedure.
    data = ItemSkin(true);
    skintest::StartSkin(*data);
    ASSERT_NE(SkinManager, nullptr);
    skintest::RegisterRawClass("SkinMenuItemsTest", DefWindowProcA);
    wnd = skintest::RawWindow("SkinMenuItemsTest", "NoMenu", WS_OVERLAPPEDWINDOW, 300, 200);
    ShowWindow(wnd, SW_SHOWNA);
    TSkinnedForm* f = skintest::SkinNow(wnd, false);
    ASSERT_NE(f, nullptr);
    MEASUREITEMSTRUCT item{};
    item.CtlType = ODT_MENU;
    item.itemID = OpenCmd;
    item.itemHeight = 15;
    EXPECT_EQ(SendMessageA(wnd, WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&item)), 0);
    EXPECT_EQ(item.itemHeight, 15u);
    EXPECT_EQ(item.itemWidth, 0u);
}
