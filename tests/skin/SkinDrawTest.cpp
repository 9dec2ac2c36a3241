// Frame drawing routines, by pixels read back from bitmaps.
#include "skin/SkinDraw.h"

#include "classlib/Graphics.h"

#include <gtest/gtest.h>

using namespace skin;

namespace {

// A 24-bit bitmap of w x h whose pixel (x, y) is colour(x, y).
template <class F> std::unique_ptr<cl::TBitmap> Make(int w, int h, F colour)
{
    auto b = std::make_unique<cl::TBitmap>();
    b->SetPixelFormat(cl::pf24bit);
    b->SetSize(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) b->Canvas()->SetPixel(x, y, colour(x, y));
    return b;
}

TColor Coded(int x, int y) { return MakeRGB(40 * x, 40 * y, 9); }
const TColor Sentinel = MakeRGB(1, 2, 3);

} // namespace

TEST(SkinDraw, DrawTransparentLeavesKeyPixels)
{
    const TColor row[] = {MakeRGB(255, 0, 0), Magenta, MakeRGB(0, 255, 0), Magenta};
    auto image = Make(4, 1, [&](int x, int) { return row[x]; });
    auto dest = Make(6, 1, [](int, int) { return Sentinel; });
    DrawTransparent(dest->Canvas()->Handle(), RECT{1, 0, 5, 1}, *image, Magenta);
    const TColor expected[] = {Sentinel, MakeRGB(255, 0, 0), Sentinel, MakeRGB(0, 255, 0), Sentinel, Sentinel};
    for (int x = 0; x < 6; ++x) EXPECT_EQ(dest->Canvas()->Pixel(x, 0), expected[x]) << x;
}

TEST(SkinDraw, DrawFrameTakesFramesFromOne)
{
    // Three 2 x 2 frames: red, green, magenta.
    const TColor frames[] = {MakeRGB(200, 0, 0), MakeRGB(0, 200, 0), Magenta};
    auto strip = Make(6, 2, [&](int x, int) { return frames[x / 2]; });
    auto dest = Make(4, 4, [](int, int) { return Sentinel; });
    HDC dc = dest->Canvas()->Handle();
    DrawFrame(dc, RECT{0, 0, 4, 4}, *strip, false, 3, 2);
    EXPECT_EQ(dest->Canvas()->Pixel(3, 3), frames[1]);
    DrawFrame(dc, RECT{0, 0, 4, 4}, *strip, true, 3, 3); // all key colour: nothing changes
    EXPECT_EQ(dest->Canvas()->Pixel(0, 0), frames[1]);
    DrawFrame(dc, RECT{0, 0, 4, 4}, *strip, false, 3, 3);
    EXPECT_EQ(dest->Canvas()->Pixel(2, 1), Magenta);
    DrawFrameCentered(dc, RECT{0, 0, 4, 4}, *strip, false, 3, 1);
    EXPECT_EQ(dest->Canvas()->Pixel(1, 1), frames[0]);
    EXPECT_EQ(dest->Canvas()->Pixel(2, 2), frames[0]);
    EXPECT_EQ(dest->Canvas()->Pixel(0, 0), Magenta);
    EXPECT_EQ(dest->Canvas()->Pixel(3, 3), Magenta);
}

TEST(SkinDraw, NinePartsKeepCornersAndEdges)
{
    // Frame 2 of two 6 x 6 frames side by side; colours code the source position.
    auto strip = Make(12, 6, [](int x, int y) { return Coded(x, y); });
    RECT margins{2, 2, 2, 2};
    auto stretched = MakeNinePartBitmap(RECT{0, 0, 10, 9}, *strip, margins, false, false, 2, 2);
    ASSERT_EQ(stretched->Width(), 10);
    ASSERT_EQ(stretched->Height(), 9);
    struct Case {
        int x, y, sx, sy;
    } exact[] = {{0, 0, 6, 0}, {1, 1, 7, 1}, {9, 0, 11, 0}, {8, 1, 10, 1}, {0, 8, 6, 5}, {9, 8, 11, 5}, {8, 7, 10, 4}};
    for (const Case& c : exact)
        EXPECT_EQ(stretched->Canvas()->Pixel(c.x, c.y), Coded(c.sx, c.sy)) << c.x << "," << c.y;

    // Tiled: the 2 x 2 middle repeats at its own size from the middle's top-left.
    auto tiled = MakeNinePartBitmap(RECT{0, 0, 10, 10}, *strip, margins, false, true, 2, 2);
    EXPECT_EQ(tiled->Canvas()->Pixel(2, 2), Coded(8, 2));
    EXPECT_EQ(tiled->Canvas()->Pixel(4, 2), Coded(8, 2));
    EXPECT_EQ(tiled->Canvas()->Pixel(7, 5), Coded(9, 3));
    EXPECT_EQ(tiled->Canvas()->Pixel(9, 9), Coded(11, 5)); // the corner covers what ran past

    // Narrower than both side margins: no corners across, the whole width is stretched, so
    // pixel 1 comes from beyond the left margin (a kept corner would give source x 1).
    auto narrow = MakeNinePartBitmap(RECT{0, 0, 3, 6}, *strip, margins, false, false, 2, 1);
    EXPECT_GE(RedOf(narrow->Canvas()->Pixel(1, 0)), 80);
}

TEST(SkinDraw, FramesStackedVertically)
{
    auto strip = Make(4, 8, [](int x, int y) { return Coded(x, y); });
    auto part = MakeNinePartBitmap(RECT{0, 0, 4, 4}, *strip, RECT{0, 0, 0, 0}, true, false, 2, 2);
    EXPECT_EQ(part->Canvas()->Pixel(0, 0), Coded(0, 4));
    EXPECT_EQ(part->Canvas()->Pixel(3, 3), Coded(3, 7));
}

TEST(SkinDraw, InvertedRectanglesDrawNothing)
{
    auto image = Make(2, 2, [](int, int) { return MakeRGB(9, 9, 9); });
    auto dest = Make(4, 4, [](int, int) { return Sentinel; });
    HDC dc = dest->Canvas()->Handle();
    DrawFrame(dc, RECT{3, 0, 1, 4}, *image, false, 1, 1);
    DrawSkinPart(dc, RECT{0, 3, 4, 1}, *image, false, false, false, 1, 1, RECT{0, 0, 0, 0});
    DrawTransparent(dc, RECT{2, 2, 0, 0}, *image, Magenta);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(dest->Canvas()->Pixel(x, y), Sentinel);
}

TEST(SkinDraw, HorizontalStripRepeatsTheMiddle)
{
    // One 5 x 2 frame: left cap x 0, middle x 1..3, right cap x 4; coded by column.
    auto strip = Make(5, 2, [](int x, int) { return Coded(x, 0); });
    auto dest = Make(12, 4, [](int, int) { return Sentinel; });
    DrawHorzStrip(dest->Canvas()->Handle(), RECT{1, 0, 11, 4}, *strip, false, false, 1, 1, RECT{1, 0, 1, 0});
    // 10 wide: cap at 0, middle copies at 1..3 and 4..6 and 7..9 (cut by the cap at 9).
    const int source[] = {0, 1, 2, 3, 1, 2, 3, 1, 2, 4};
    for (int x = 0; x < 10; ++x) EXPECT_EQ(dest->Canvas()->Pixel(1 + x, 3), Coded(source[x], 0)) << x;
    EXPECT_EQ(dest->Canvas()->Pixel(0, 0), Sentinel);
    EXPECT_EQ(dest->Canvas()->Pixel(11, 0), Sentinel);

    // Frames stacked: frame 2 of a 5 x 4 strip is its lower half; magenta stays out.
    auto stacked = Make(5, 4, [](int x, int y) { return y < 2 ? Coded(x, 0) : (x == 2 ? Magenta : Coded(x, 3)); });
    DrawHorzStrip(dest->Canvas()->Handle(), RECT{0, 0, 5, 4}, *stacked, true, true, 2, 2, RECT{1, 0, 1, 0});
    EXPECT_EQ(dest->Canvas()->Pixel(1, 1), Coded(1, 3));
    EXPECT_EQ(dest->Canvas()->Pixel(2, 1), Coded(1, 0)); // the key pixel left the old one
}

TEST(SkinDraw, ThreePartStretch)
{
    // One 6 x 1 frame: left 2 columns, middle 2, right 2.
    auto strip = Make(6, 1, [](int x, int) { return Coded(x, 0); });
    auto dest = Make(10, 2, [](int, int) { return Sentinel; });
    DrawThreePartStretch(dest->Canvas()->Handle(), RECT{0, 0, 10, 2}, *strip, false, 1, 1, RECT{2, 0, 2, 0});
    const int wide[] = {0, 1, 2, 2, 2, 3, 3, 3, 4, 5};
    for (int x = 0; x < 10; ++x) EXPECT_EQ(dest->Canvas()->Pixel(x, 1), Coded(wide[x], 0)) << x;
    // Narrower than the frame: the whole frame squeezed in, no margins kept.
    // Kept margins would put source column 1 at x 1.
    auto narrow = Make(3, 1, [](int, int) { return Sentinel; });
    SetStretchBltMode(narrow->Canvas()->Handle(), COLORONCOLOR);
    DrawThreePartStretch(narrow->Canvas()->Handle(), RECT{0, 0, 3, 1}, *strip, false, 1, 1, RECT{2, 0, 2, 0});
    EXPECT_GE(RedOf(narrow->Canvas()->Pixel(1, 0)), 80);
}

TEST(SkinDraw, RegionOfNonKeyPixels)
{
    TKeyRange key;
    key.tolRed = key.tolGreen = key.tolBlue = 1;
    auto allKey = Make(4, 3, [](int, int) { return Magenta; });
    RECT box{};
    EXPECT_EQ(GetRgnBox(RegionFromBitmap(*allKey, 0, 0, key).get(), &box), NULLREGION);

    auto solid = Make(4, 3, [](int, int) { return MakeRGB(10, 20, 30); });
    cl::RegionHandle whole = RegionFromBitmap(*solid, 5, 7, key);
    EXPECT_EQ(GetRgnBox(whole.get(), &box), SIMPLEREGION);
    EXPECT_EQ(box.left, 5);
    EXPECT_EQ(box.top, 7);
    EXPECT_EQ(box.right, 9);
    EXPECT_EQ(box.bottom, 10);

    // A key pixel at (1, 0) and a near-key one (green 1) at (2, 1) are left out.
    auto corner = Make(4, 3, [](int x, int y) {
        return (x == 1 && y == 0) ? Magenta : (x == 2 && y == 1) ? MakeRGB(255, 1, 255) : MakeRGB(10, 20, 30);
    });
    cl::RegionHandle cut = RegionFromBitmap(*corner, 0, 0, key);
    EXPECT_FALSE(PtInRegion(cut.get(), 1, 0));
    EXPECT_FALSE(PtInRegion(cut.get(), 2, 1));
    EXPECT_TRUE(PtInRegion(cut.get(), 0, 0));
    EXPECT_TRUE(PtInRegion(cut.get(), 2, 0));
    EXPECT_TRUE(PtInRegion(cut.get(), 3, 2));
}

TEST(SkinDraw, RegionOfMoreRunsThanOneBatch)
{
    // Every other pixel is key colour: 100 x 50 gives 2500 runs, more than one batch.
    auto comb = Make(100, 50, [](int x, int) { return x % 2 ? Magenta : MakeRGB(1, 1, 1); });
    TKeyRange key;
    cl::RegionHandle region = RegionFromBitmap(*comb, 0, 0, key);
    for (POINT p : {POINT{0, 0}, POINT{98, 0}, POINT{0, 49}, POINT{98, 49}, POINT{50, 25}})
        EXPECT_TRUE(PtInRegion(region.get(), p.x, p.y)) << p.x << "," << p.y;
    for (POINT p : {POINT{1, 0}, POINT{99, 49}, POINT{51, 25}})
        EXPECT_FALSE(PtInRegion(region.get(), p.x, p.y)) << p.x << "," << p.y;
}
