// Gradient fills and system-colour blends, read back from a 32-bit DIB.
#include "skin/ImgUtilWin.h"

#include "classlib/Graphics.h"
#include "classlib/WinHandle.h"

#include <gtest/gtest.h>

using namespace skin;

namespace {

// A top-down 32-bit DIB selected into a memory DC, pre-filled with a sentinel colour.
class Dib {
public:
    Dib(int w, int h) : w_(w), dc_(CreateCompatibleDC(nullptr))
    {
        BITMAPINFO bi{};
        bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        bmp_.reset(CreateDIBSection(dc_.get(), &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0));
        old_ = SelectObject(dc_.get(), bmp_.get());
        for (int i = 0; i < w * h; ++i) bits_[i] = 0x123456;
    }
    ~Dib() { SelectObject(dc_.get(), old_); }
    HDC dc() const { return dc_.get(); }
    TColor At(int x, int y) const
    {
        GdiFlush();
        std::uint32_t p = bits_[y * w_ + x];
        return MakeRGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }

private:
    int w_;
    cl::MemoryDc dc_;
    cl::BitmapHandle bmp_;
    HGDIOBJ old_ = nullptr;
    std::uint32_t* bits_ = nullptr;
};

const TColor Sentinel = MakeRGB(0x12, 0x34, 0x56);

} // namespace

TEST(ImgUtilWin, VerticalGradientPaintsOneRampEntryPerRow)
{
    Dib dib(4, 12);
    RECT r{1, 1, 3, 11};
    FillGradient(dib.dc(), r, MakeRGB(0, 0, 0), true, MakeRGB(90, 180, 9));
    const auto& ramp = ColorRampSlot(GetColorRamp(10, MakeRGB(0, 0, 0), MakeRGB(90, 180, 9)));
    for (int y = 0; y < 12; ++y) {
        for (int x = 0; x < 4; ++x) {
            bool inside = x >= 1 && x < 3 && y >= 1 && y < 11;
            EXPECT_EQ(dib.At(x, y), inside ? ramp[y - 1] : Sentinel) << x << "," << y;
        }
    }
    EXPECT_EQ(dib.At(1, 1), MakeRGB(0, 0, 0));
    EXPECT_EQ(dib.At(1, 10), MakeRGB(90, 180, 9));
}

TEST(ImgUtilWin, HorizontalGradientInAClipPaintsTheSameColoursThere)
{
    Dib full(20, 2), clipped(20, 2);
    RECT r{0, 0, 20, 2};
    FillGradient(full.dc(), r, MakeRGB(200, 10, 10), false, MakeRGB(10, 10, 200));
    cl::RegionHandle clip(CreateRectRgn(10, 0, 15, 2));
    SelectClipRgn(clipped.dc(), clip.get());
    FillGradient(clipped.dc(), r, MakeRGB(200, 10, 10), false, MakeRGB(10, 10, 200));
    for (int x = 0; x < 20; ++x) {
        SCOPED_TRACE(x);
        EXPECT_EQ(clipped.At(x, 1), x >= 10 && x < 15 ? full.At(x, 1) : Sentinel);
    }
}

TEST(ImgUtilWin, NothingOutsideTheClipOrForEmptyRectangles)
{
    Dib dib(8, 8);
    cl::RegionHandle clip(CreateRectRgn(0, 0, 2, 2));
    SelectClipRgn(dib.dc(), clip.get());
    FillGradient(dib.dc(), RECT{4, 4, 8, 8}, MakeRGB(1, 2, 3), true, MakeRGB(4, 5, 6));
    SelectClipRgn(dib.dc(), nullptr);
    FillGradient(dib.dc(), RECT{4, 4, 8, 4}, MakeRGB(1, 2, 3), true, MakeRGB(4, 5, 6));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) EXPECT_EQ(dib.At(x, y), Sentinel);
}

TEST(ImgUtilWin, BlendResolvesSystemColours)
{
    const TColor btnFace = static_cast<TColor>(0xFF000000u | COLOR_BTNFACE);
    const TColor window = static_cast<TColor>(0xFF000000u | COLOR_WINDOW);
    // Each side alone, and a colour blended with itself, give the platform's colour back:
    // (c 1000 + 500) div 1000 = c, (c 100 + 50) div 100 = c. Unresolved, the system colour
    // 0xFF00000F would read as (15, 0, 0).
    EXPECT_EQ(Blend(btnFace, MakeRGB(0, 0, 0), 1000), static_cast<TColor>(GetSysColor(COLOR_BTNFACE)));
    EXPECT_EQ(Blend(MakeRGB(0, 0, 0), window, 0), static_cast<TColor>(GetSysColor(COLOR_WINDOW)));
    EXPECT_EQ(Blend(window, window, 150), static_cast<TColor>(GetSysColor(COLOR_WINDOW)));
    EXPECT_EQ(Blend(MakeRGB(255, 255, 255), MakeRGB(0, 0, 0), 100), MakeRGB(26, 26, 26));
}

TEST(ImgUtilWin, BitmapWrappersWorkOnTwentyFourBits)
{
    // A 3 x 2 bitmap of 32 bits: pixel (x, y) = MakeRGB(10x, 100y, 7), one magenta.
    auto make = [] {
        auto b = std::make_unique<cl::TBitmap>();
        b->SetPixelFormat(cl::pf32bit);
        b->SetSize(3, 2);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x) b->Canvas()->SetPixel(x, y, MakeRGB(10 * x, 100 * y, 7));
        b->Canvas()->SetPixel(2, 1, Magenta);
        return b;
    };
    auto px = [](cl::TBitmap& b, int x, int y) { return b.Canvas()->Pixel(x, y); };

    auto m = make();
    MirrorBitmap(*m);
    EXPECT_EQ(m->PixelFormat(), cl::pf24bit);
    EXPECT_EQ(px(*m, 0, 0), MakeRGB(20, 0, 7));
    EXPECT_EQ(px(*m, 0, 1), Magenta);

    auto f = make();
    FlipBitmap(*f);
    EXPECT_EQ(px(*f, 2, 0), Magenta);
    EXPECT_EQ(px(*f, 1, 1), MakeRGB(10, 0, 7));

    auto l = make();
    RotateLeft(*l);
    ASSERT_EQ(l->Width(), 2);
    ASSERT_EQ(l->Height(), 3);
    EXPECT_EQ(px(*l, 0, 0), MakeRGB(20, 0, 7)); // old top-right
    EXPECT_EQ(px(*l, 1, 0), Magenta);
    EXPECT_EQ(px(*l, 0, 2), MakeRGB(0, 0, 7));

    auto r = make();
    RotateRight(*r);
    ASSERT_EQ(r->Width(), 2);
    EXPECT_EQ(px(*r, 0, 0), MakeRGB(0, 100, 7)); // old bottom-left
    EXPECT_EQ(px(*r, 1, 2), MakeRGB(20, 0, 7));

    auto k = make();
    ReplaceMagenta(*k, cl::SystemColor(COLOR_BTNFACE));
    EXPECT_EQ(px(*k, 2, 1), static_cast<TColor>(GetSysColor(COLOR_BTNFACE)));
    EXPECT_EQ(px(*k, 1, 1), MakeRGB(10, 100, 7));
}
