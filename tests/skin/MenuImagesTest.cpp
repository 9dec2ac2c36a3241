// Images on owner-drawn skin menu items: the room measuring leaves for them, where the glyph
// lands, the checked item's patterned sunken box, the disabled look, and the skin's
// system-menu glyphs on a real skinned window.
#include "skin/engine/MenuItems.h"
#include "skin/engine/SkinData.h"
#include "skin/engine/SkinManage.h"
#include "skin/engine/SkinnedForm.h"

#include "MessagePump.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

using namespace skin;

namespace {

const TColor MenuColour = MakeRGB(250, 250, 210), Red = MakeRGB(255, 0, 0), Blank = MakeRGB(1, 2, 3);

void Fill(cl::TBitmap& b, const RECT& r, TColor c)
{
    b.Canvas()->Brush().SetColor(c);
    b.Canvas()->FillRect(r);
}

// A skin without a MenuItem image: items draw plainly on the Menu colour.
std::unique_ptr<TSkinData> PlainSkin()
{
    auto d = std::make_unique<TSkinData>(nullptr);
    d->Colors[scMenu] = MenuColour;
    d->Colors[scMenuText] = MakeRGB(0, 0, 0);
    d->Colors[scButtonShadow] = MakeRGB(0, 160, 160);
    d->Empty = false;
    return d;
}

bool AnyPixel(cl::TBitmap& b, const RECT& r, TColor c)
{
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            if (b.Canvas()->Pixel(x, y) == c) return true;
    return false;
}

// A popup menu with a 20 x 20 image list of one image: white (transparent) with a red
// square at (4, 4)-(15, 15); item "Red" shows it.
struct ImageMenu {
    cl::TImageList list{nullptr};
    cl::TPopupMenu menu{nullptr};
    cl::TMenuItem* item = nullptr;

    ImageMenu()
    {
        cl::TBitmap strip;
        strip.SetPixelFormat(cl::pf24bit);
        strip.SetSize(20, 20);
        for (int y = 0; y < 20; ++y) {
            auto* row = static_cast<std::uint8_t*>(strip.ScanLine(y));
            for (int x = 0; x < 20; ++x) {
                const bool red = x >= 4 && x < 16 && y >= 4 && y < 16;
                row[3 * x] = red ? 0 : 255;     // blue
                row[3 * x + 1] = red ? 0 : 255; // green
                row[3 * x + 2] = 255;           // red
            }
        }
        list.SetWidth(20);
        list.SetHeight(20);
        list.AddMasked(&strip, cl::clWhite);
        item = new cl::TMenuItem(&menu);
        item->SetCaption("Red");
        item->SetImageIndex(0);
        menu.Items()->Add(item);
        menu.SetImages(&list);
    }
};

// The item drawn at (0, 0)-(120, 24) of a 24-bit bitmap.
void DrawItem(TSkinData& data, cl::TMenuItem& item, cl::TBitmap& image)
{
    image.SetPixelFormat(cl::pf24bit);
    image.SetSize(120, 24);
    Fill(image, RECT{0, 0, 120, 24}, Blank);
    DrawSkinMenuItem(&data, item, *image.Canvas(), RECT{0, 0, 120, 24}, false, false);
}

} // namespace

TEST(MenuImages, MeasuringLeavesRoomForTheImageList)
{
    struct Case {
        bool images, systemMenu;
        int growth;
    } const cases[] = {{true, false, 10}, {true, true, 12}, {false, false, 35}, {false, true, 35}};
    auto data = PlainSkin();
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.images << " " << c.systemMenu);
        ImageMenu m;
        if (!c.images) m.menu.SetImages(nullptr);
        cl::WindowDc screen(nullptr);
        cl::TCanvas canvas;
        canvas.SetHandle(screen.get());
        int plainWidth = 0, plainHeight = 0;
        m.item->MeasureItem(canvas, plainWidth, plainHeight);
        int width = 0, height = 0;
        MeasureSkinMenuItem(data.get(), *m.item, canvas, width, height, c.systemMenu);
        canvas.SetHandle(nullptr);
        EXPECT_EQ(width, plainWidth + c.growth);
        EXPECT_EQ(height, plainHeight);
    }
}

TEST(MenuImages, ImageSitsInTheGlyphBoxCentredForTheListHeight)
{
    auto data = PlainSkin();
    ImageMenu m;
    cl::TBitmap image;
    DrawItem(*data, *m.item, image);
    // Glyph box at x 1, centred for 20 of 24 pixels: y 2; the red square 4 pixels inside.
    struct Point {
        int x, y;
        TColor colour;
    } const points[] = {
        {5, 6, Red}, {16, 17, Red}, {4, 6, MenuColour}, {5, 5, MenuColour}, {17, 17, MenuColour}, {16, 18, MenuColour},
    };
    for (const Point& p : points) {
        SCOPED_TRACE(testing::Message() << p.x << "," << p.y);
        EXPECT_EQ(image.Canvas()->Pixel(p.x, p.y), p.colour);
    }
    // The caption starts after the 20-pixel glyph box: 1 + 20 + 3.
    EXPECT_FALSE(AnyPixel(image, RECT{17, 0, 24, 24}, MakeRGB(0, 0, 0)));
    EXPECT_TRUE(AnyPixel(image, RECT{24, 0, 100, 24}, MakeRGB(0, 0, 0)));
}

TEST(MenuImages, CheckedItemWithImageHasAPatternedSunkenBox)
{
    auto data = PlainSkin();
    ImageMenu m;
    m.item->SetChecked(true);
    cl::TBitmap image;
    DrawItem(*data, *m.item, image);
    const TColor face = GetSysColor(COLOR_BTNFACE), light = GetSysColor(COLOR_BTNHIGHLIGHT),
                 shadow = GetSysColor(COLOR_BTNSHADOW);
    ASSERT_NE(face, light);
    // The 20 x 20 box centred for 16 of 24 pixels: (1, 4)-(21, 24); the image at its corner.
    struct Point {
        int x, y;
        TColor colour;
    } const points[] = {
        {10, 4, shadow}, {1, 10, shadow},  // sunken: dark top and left
        {10, 23, light}, {20, 10, light},  // light bottom and right
        {2, 5, light},   {3, 5, face},     // the pattern: light where x + y is odd
        {2, 6, face},    {3, 6, light},
        {5, 8, Red},     {16, 19, Red},    // the image
        {10, 3, MenuColour}, {21, 10, MenuColour},
    };
    for (const Point& p : points) {
        SCOPED_TRACE(testing::Message() << p.x << "," << p.y);
        EXPECT_EQ(image.Canvas()->Pixel(p.x, p.y), p.colour);
    }
}

TEST(MenuImages, DisabledItemDrawsTheDisabledImage)
{
    auto data = PlainSkin();
    ImageMenu m;
    m.item->SetEnabled(false);
    cl::TBitmap image;
    DrawItem(*data, *m.item, image);
    // The square is there (the Menu colour does not show through it) but not all red:
    // the list's disabled look; around it the image stays transparent.
    bool allRed = true;
    for (int y = 6; y < 18; ++y)
        for (int x = 5; x < 17; ++x) allRed = allRed && image.Canvas()->Pixel(x, y) == Red;
    EXPECT_FALSE(allRed);
    EXPECT_FALSE(AnyPixel(image, RECT{5, 6, 17, 18}, MenuColour));
    EXPECT_EQ(image.Canvas()->Pixel(4, 6), MenuColour);
    EXPECT_EQ(image.Canvas()->Pixel(5, 5), MenuColour);
}

TEST(MenuImages, ItemWithoutAnImageInTheListDrawsNoGlyph)
{
    auto data = PlainSkin();
    ImageMenu m;
    m.item->SetImageIndex(1); // past the list's one image
    cl::TBitmap image;
    DrawItem(*data, *m.item, image);
    EXPECT_FALSE(AnyPixel(image, RECT{0, 0, 22, 24}, Red));
    EXPECT_EQ(image.Canvas()->Pixel(10, 10), MenuColour);
}

namespace {

LRESULT CALLBACK PlainProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(wnd, msg, wParam, lParam);
}

} // namespace

TEST(MenuImages, SystemMenuOfASkinnedWindowShowsTheSkinGlyphs)
{
    auto data = PlainSkin();
    data->Loaded();
    ASSERT_NE(SkinManager, nullptr);
    SkinManager->Active = true;
    ASSERT_EQ(data->MenuImages.Count(), 4);
    static const ATOM cls = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = PlainProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "SkinMenuImagesTest";
        return RegisterClassA(&wc);
    }();
    ASSERT_NE(cls, 0);
    HWND wnd = CreateWindowExA(0, "SkinMenuImagesTest", "Images", WS_OVERLAPPEDWINDOW, 100, 100, 300, 200, nullptr,
                               nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(wnd, nullptr);
    ShowWindow(wnd, SW_SHOWNA);
    ASSERT_TRUE(SkinManager->SkinWindow(wnd));
    TSkinnedForm* f = SkinManager->FindSkinForm(wnd);
    ASSERT_NE(f, nullptr);
    EXPECT_TRUE(skintest::PumpUntil([f] { return f->Initialised; }));
    f->CreateSystemMenu();
    cl::TPopupMenu* popup = f->SystemPopupMenu();
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(popup->Images(), &data->MenuImages);
    cl::TMenuItem* close = nullptr;
    for (int i = 0; i < popup->Items()->Count(); ++i)
        if (popup->Items()->Items(i)->Tag() == SC_CLOSE) close = popup->Items()->Items(i);
    ASSERT_NE(close, nullptr);
    EXPECT_EQ(close->ImageIndex(), 3);
    cl::TBitmap image;
    image.SetPixelFormat(cl::pf24bit);
    image.SetSize(120, 20);
    Fill(image, RECT{0, 0, 120, 20}, Blank);
    close->DrawItem(*image.Canvas(), RECT{0, 0, 120, 20}, false);
    // Glyph 3 (an arrow pointing left: columns 6 to 9, rows 7-8 to 4-11) in the 16-pixel
    // box at (1, 2), black on the Menu colour.
    struct Point {
        int x, y;
        TColor colour;
    } const points[] = {
        {10, 6, MakeRGB(0, 0, 0)}, {10, 13, MakeRGB(0, 0, 0)}, {7, 9, MakeRGB(0, 0, 0)},
        {6, 9, MenuColour},        {10, 5, MenuColour},        {7, 8, MenuColour},
    };
    for (const Point& p : points) {
        SCOPED_TRACE(testing::Message() << p.x << "," << p.y);
        EXPECT_EQ(image.Canvas()->Pixel(p.x, p.y), p.colour);
    }
    data.reset();
    DestroyWindow(wnd);
}
