// Pixel and colour helpers, by exact pixels and values.
#include "skin/ImgUtil.h"

#include "classlib/SysUtils.h"

#include <gtest/gtest.h>

using namespace skin;

namespace {

// A small 24-bit image with padded rows, pixel (x, y) = MakeRGB(x, y, 7).
struct Image {
    int w, h;
    std::ptrdiff_t stride;
    std::vector<std::uint8_t> bytes;
    Image(int width, int height) : w(width), h(height), stride((width * 3 + 3) & ~3), bytes(stride * height, 0xEE)
    {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) View().SetPixel(x, y, MakeRGB(x, y, 7));
    }
    TPixels24 View() { return {bytes.data(), w, h, stride}; }
};

} // namespace

TEST(ImgUtil, ReplaceMagentaTouchesOnlyTheKeyColour)
{
    Image img(3, 2);
    auto v = img.View();
    v.SetPixel(0, 0, Magenta);
    v.SetPixel(2, 1, Magenta);
    v.SetPixel(1, 0, MakeRGB(255, 1, 255));
    ReplaceMagenta(v, MakeRGB(10, 20, 30));
    EXPECT_EQ(v.Pixel(0, 0), MakeRGB(10, 20, 30));
    EXPECT_EQ(v.Pixel(2, 1), MakeRGB(10, 20, 30));
    EXPECT_EQ(v.Pixel(1, 0), MakeRGB(255, 1, 255));
    EXPECT_EQ(v.Pixel(0, 1), MakeRGB(0, 1, 7));
    EXPECT_EQ(img.bytes[9], 0xEE); // row padding untouched
}

TEST(ImgUtil, MirrorFlipAndRotate)
{
    for (int w : {1, 4, 5}) {
        for (int h : {1, 2, 3}) {
            SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
            Image m(w, h), f(w, h), src(w, h), left(h, w), right(h, w);
            MirrorBitmap(m.View());
            FlipBitmap(f.View());
            RotateLeft(src.View(), left.View());
            RotateRight(src.View(), right.View());
            for (int y = 0; y < h; ++y) {
                for (int x = 0; x < w; ++x) {
                    EXPECT_EQ(m.View().Pixel(x, y), MakeRGB(w - 1 - x, y, 7));
                    EXPECT_EQ(f.View().Pixel(x, y), MakeRGB(x, h - 1 - y, 7));
                }
            }
            for (int y = 0; y < w; ++y) {
                for (int x = 0; x < h; ++x) {
                    EXPECT_EQ(left.View().Pixel(x, y), src.View().Pixel(w - 1 - y, x));
                    EXPECT_EQ(right.View().Pixel(x, y), src.View().Pixel(y, h - 1 - x));
                }
            }
        }
    }
    // A 2 x 1 strip turned anticlockwise puts its right pixel on top.
    Image strip(2, 1), up(1, 2);
    RotateLeft(strip.View(), up.View());
    EXPECT_EQ(up.View().Pixel(0, 0), MakeRGB(1, 0, 7));
    EXPECT_EQ(up.View().Pixel(0, 1), MakeRGB(0, 0, 7));
}

TEST(ImgUtil, BlendUsesPercentBelowHundredElsePerMille)
{
    struct Case {
        TColor c1, c2;
        int amount;
        TColor expected;
    } cases[] = {
        {MakeRGB(200, 0, 100), MakeRGB(0, 200, 100), 50, MakeRGB(100, 100, 100)},
        {MakeRGB(255, 255, 255), MakeRGB(0, 0, 0), 100, MakeRGB(26, 26, 26)},   // 10 %: (25500 + 500) / 1000
        {MakeRGB(255, 255, 255), MakeRGB(0, 0, 0), 150, MakeRGB(38, 38, 38)},   // 15 %
        {MakeRGB(10, 20, 30), MakeRGB(90, 80, 70), 0, MakeRGB(90, 80, 70)},
        {MakeRGB(10, 20, 30), MakeRGB(90, 80, 70), 1000, MakeRGB(10, 20, 30)},
        {MakeRGB(0x80, 0x80, 0x80), MakeRGB(237, 242, 249), 150, MakeRGB(221, 225, 231)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.amount);
        EXPECT_EQ(BlendRGB(c.c1, c.c2, c.amount), c.expected);
    }
}

TEST(ImgUtil, ColorSaturation)
{
    struct Case {
        TColor colour;
        int expected;
    } cases[] = {
        {MakeRGB(150, 20, 20), 200},   // no channel reaches 160
        {MakeRGB(200, 100, 100), 128}, // 127.5 rounds to even
        {MakeRGB(255, 255, 255), 0},
        {MakeRGB(160, 0, 0), 255},
        {MakeRGB(0, 0, 0), 200},
        {MakeRGB(250, 150, 200), 102},
    };
    for (const Case& c : cases) EXPECT_EQ(ColorSaturation(c.colour), c.expected) << std::hex << c.colour;
}

TEST(ImgUtil, ColorRampValues)
{
    const auto& up = ColorRampSlot(GetColorRamp(5, MakeRGB(0, 100, 10), MakeRGB(40, 100, 0)));
    // Falling channels truncate toward zero, so blue ends at 1, not 0.
    EXPECT_EQ(up, (std::vector<TColor>{MakeRGB(0, 100, 10), MakeRGB(10, 100, 8), MakeRGB(20, 100, 6), MakeRGB(30, 100, 3),
                                       MakeRGB(40, 100, 1)}));
    // n = 2, red falling by 11: (1 + i * -11) / 2 truncates toward zero.
    const auto& down = ColorRampSlot(GetColorRamp(3, MakeRGB(20, 0, 0), MakeRGB(9, 0, 0)));
    EXPECT_EQ(down, (std::vector<TColor>{MakeRGB(20, 0, 0), MakeRGB(15, 0, 0), MakeRGB(10, 0, 0)}));
    const auto& one = ColorRampSlot(GetColorRamp(1, MakeRGB(10, 10, 10), MakeRGB(20, 30, 40)));
    EXPECT_EQ(one, (std::vector<TColor>{MakeRGB(15, 20, 25)}));
    EXPECT_THROW(GetColorRamp(0, 0, 0), cl::Exception);
}

TEST(ImgUtil, ColorRampCacheIsRoundRobinOverSixteenSlots)
{
    // Fill every slot with ramps nobody else asks for, remembering where each went.
    std::vector<int> slots;
    for (int k = 0; k < ColorRampSlots; ++k) slots.push_back(GetColorRamp(1000 + k, MakeRGB(k, 0, 0), MakeRGB(k, 0, 0)));
    for (int k = 0; k < ColorRampSlots; ++k) EXPECT_EQ(GetColorRamp(1000 + k, MakeRGB(k, 0, 0), MakeRGB(k, 0, 0)), slots[k]);
    // A seventeenth ramp takes the slot of the oldest; the others are still found.
    int seventeenth = GetColorRamp(2000, MakeRGB(1, 2, 3), MakeRGB(1, 2, 3));
    EXPECT_EQ(seventeenth, slots[0]);
    for (int k = 1; k < ColorRampSlots; ++k) EXPECT_EQ(GetColorRamp(1000 + k, MakeRGB(k, 0, 0), MakeRGB(k, 0, 0)), slots[k]);
    EXPECT_EQ(GetColorRamp(1000, MakeRGB(0, 0, 0), MakeRGB(0, 0, 0)), slots[1]);
}
