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
