// PNG pictures: every colour type and depth libpng hands over, transparency, alpha
// channels, broken files and alpha drawing, with fixtures encoded here by libpng.
#include "classlib/PngImage.h"

#include "../support/PngEncode.h"

#include <png.h>
#include <zlib.h>

#include <gtest/gtest.h>

namespace {

using namespace cl;

using png_fixture::Encode;
using png_fixture::RawPng;

void Load(TGraphic& g, const TBytes& bytes)
{
    TMemoryStream s;
    if (!bytes.empty()) s.WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
    s.SetPosition(0);
    g.LoadFromStream(s);
}

TBytes Saved(const TGraphic& g)
{
    TMemoryStream s;
    g.SaveToStream(s);
    return s.Bytes();
}

std::unique_ptr<TBitmap> Filled(TPixelFormat f, int w, int h, TColor c)
{
    auto b = std::make_unique<TBitmap>();
    b->SetPixelFormat(f);
    b->SetSize(w, h);
    b->Canvas()->Brush().SetColor(c);
    b->Canvas()->FillRect(RECT{0, 0, w, h});
    return b;
}

TColor Pixel24(const TBitmap& b, int x, int y)
{
    const auto* p = static_cast<const std::uint8_t*>(b.ScanLine(y)) + 3 * x;
    return p[2] | p[1] << 8 | p[0] << 16;
}

// Every pixel's colour and alpha, for comparing two pictures.
std::vector<std::pair<TColor, int>> Pixels(const TPngPicture& p)
{
    std::vector<std::pair<TColor, int>> v;
    for (int y = 0; y < p.Height(); ++y)
        for (int x = 0; x < p.Width(); ++x) v.emplace_back(p.Pixel(x, y), p.AlphaScanline(y) ? p.AlphaScanline(y)[x] : -1);
    return v;
}

} // namespace

TEST(PngPicture, DecodesEveryColourTypeAndDepth)
{
    struct Case {
        const char* name;
        RawPng raw;
        int colorType;
        std::vector<TColor> colors; // first row
        std::vector<int> alpha;     // first row, empty without alpha
        TPNGTransparencyMode mode;
        TColor transparent;
    } cases[] = {
        {"grey 1 bit", {4, 1, 1, PNG_COLOR_TYPE_GRAY, {{0x50}}}, ctGrayscale, {clBlack, clWhite, clBlack, clWhite}, {}, ptmNone, clNone},
        {"grey 4 bit with key", {2, 1, 4, PNG_COLOR_TYPE_GRAY, {{0x5F}}, {}, {}, true, {0, 0, 0, 0, 5}}, ctGrayscale,
         {0x555555, clWhite}, {}, ptmBit, 0x555555},
        {"palette 2 bit, one clear entry", {3, 1, 2, PNG_COLOR_TYPE_PALETTE, {{0x18}}, {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}}, {255, 0}},
         ctPalette, {clRed, clLime, clBlue}, {}, ptmBit, clLime},
        {"palette with partial alpha", {1, 1, 8, PNG_COLOR_TYPE_PALETTE, {{0}}, {{9, 8, 7}}, {128}}, ctPalette, {0x070809}, {}, ptmPartial, clNone},
        {"rgb 16 bit", {1, 1, 16, PNG_COLOR_TYPE_RGB, {{0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC}}}, ctRGB, {0x9A5612}, {}, ptmNone, clNone},
        {"rgb with key", {2, 1, 8, PNG_COLOR_TYPE_RGB, {{1, 2, 3, 4, 5, 6}}, {}, {}, true, {0, 4, 5, 6, 0}}, ctRGB,
         {0x030201, 0x060504}, {}, ptmBit, 0x060504},
        {"rgba", {2, 1, 8, PNG_COLOR_TYPE_RGB_ALPHA, {{10, 20, 30, 255, 40, 50, 60, 7}}}, ctRGBAlpha, {0x1E140A, 0x3C3228}, {255, 7}, ptmPartial, clNone},
        {"grey alpha", {1, 1, 8, PNG_COLOR_TYPE_GRAY_ALPHA, {{0x80, 0x40}}}, ctGrayscaleAlpha, {0x808080}, {0x40}, ptmPartial, clNone},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        TPngPicture png;
        Load(png, Encode(c.raw));
        ASSERT_EQ(png.Width(), c.raw.width);
        EXPECT_EQ(png.ColorType(), c.colorType);
        for (int x = 0; x < c.raw.width; ++x) EXPECT_EQ(png.Pixel(x, 0), c.colors[x]) << x;
        if (c.alpha.empty()) {
            EXPECT_EQ(png.AlphaScanline(0), nullptr);
        } else {
            ASSERT_NE(png.AlphaScanline(0), nullptr);
            for (int x = 0; x < c.raw.width; ++x) EXPECT_EQ(png.AlphaScanline(0)[x], c.alpha[x]);
        }
        EXPECT_EQ(png.TransparencyMode(), c.mode);
        EXPECT_EQ(png.TransparentColor(), c.transparent);
        // Saving and loading again keeps every pixel and the transparency.
        TPngPicture again;
        Load(again, Saved(png));
        EXPECT_EQ(again.ColorType(), png.ColorType());
        EXPECT_EQ(Pixels(again), Pixels(png));
        EXPECT_EQ(again.TransparencyMode(), c.mode);
        EXPECT_EQ(again.TransparentColor(), c.transparent);
    }
}

TEST(PngPicture, RowsAreBlueGreenRedAndPaletteIndicesStay)
{
    RawPng raw{2, 2, 8, PNG_COLOR_TYPE_RGB, {{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}}};
    raw.interlaced = true;
    TPngPicture png;
    Load(png, Encode(raw));
    const std::uint8_t* row = png.Scanline(1);
    EXPECT_EQ(std::vector<int>(row, row + 6), (std::vector<int>{9, 8, 7, 12, 11, 10}));
    EXPECT_THROW(png.Scanline(2), EInvalidGraphicOperation);
    EXPECT_THROW(png.Pixel(2, 0), EInvalidGraphicOperation);

    RawPng pal{2, 1, 8, PNG_COLOR_TYPE_PALETTE, {{1, 0}}, {{0, 0, 0}, {200, 100, 50}}};
    TPngPicture p;
    Load(p, Encode(pal));
    p.SetPalette({0x323232, 0x646464});
    EXPECT_EQ(p.Scanline(0)[0], 1);
    EXPECT_EQ(p.Pixel(0, 0), 0x646464);
    p.SetPixel(1, 0, 0x646460); // the nearest entry
    EXPECT_EQ(p.Scanline(0)[1], 1);
}

TEST(PngPicture, BrokenFilesAreErrorsAndLeaveThePicture)
{
    RawPng raw{2, 2, 8, PNG_COLOR_TYPE_RGB, {{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}}};
    TBytes good = Encode(raw);
    TBytes truncated(good.begin(), good.end() - 20), badCrc = good, badSig = good;
    badCrc[good.size() - 20] ^= 0xFF;
    badSig[1] = 'X';
    TBytes noPalette = Encode(raw);
    noPalette[25] = PNG_COLOR_TYPE_PALETTE; // header claims a palette the file lacks (CRC fixed below)
    std::uint32_t crc = static_cast<std::uint32_t>(crc32(0, noPalette.data() + 12, 17));
    for (int i = 0; i < 4; ++i) noPalette[29 + i] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
    for (const TBytes* file : {&truncated, &badCrc, &badSig, &noPalette}) {
        TPngPicture png;
        Load(png, good);
        EXPECT_THROW(Load(png, *file), EInvalidGraphic);
        EXPECT_EQ(png.Width(), 2);
        EXPECT_EQ(png.Pixel(0, 1), 0x090807);
    }
}

TEST(PngPicture, ReadsOneFileAndStopsAfterIt)
{
    RawPng a{1, 1, 8, PNG_COLOR_TYPE_GRAY, {{0x11}}}, b{1, 1, 8, PNG_COLOR_TYPE_GRAY, {{0x22}}};
    TBytes both = Encode(a), second = Encode(b);
    both.insert(both.end(), second.begin(), second.end());
    TMemoryStream s;
    s.WriteBuffer(both.data(), static_cast<std::int64_t>(both.size()));
    s.SetPosition(0);
    TPngPicture first, next;
    first.LoadFromStream(s);
    next.LoadFromStream(s);
    EXPECT_EQ(first.Pixel(0, 0), 0x111111);
    EXPECT_EQ(next.Pixel(0, 0), 0x222222);
}

TEST(PngPicture, FromBitmapsAndAddingAlpha)
{
    for (TPixelFormat f : {pf16bit, pf24bit, pf32bit}) {
        SCOPED_TRACE(f);
        auto b = Filled(f, 3, 2, clBlue);
        b->Canvas()->SetPixel(0, 1, clRed);
        TPngPicture png;
        png.Assign(*b);
        EXPECT_EQ(png.ColorType(), ctRGB);
        EXPECT_EQ(png.Width(), 3);
        EXPECT_EQ(png.Pixel(0, 1), clRed);
        EXPECT_EQ(png.Pixel(2, 0), clBlue);
        png.CreateAlpha();
        EXPECT_EQ(png.ColorType(), ctRGBAlpha);
        EXPECT_EQ(png.AlphaScanline(1)[2], 255);
        EXPECT_EQ(png.Pixel(0, 1), clRed);
    }
    RawPng pal{2, 1, 8, PNG_COLOR_TYPE_PALETTE, {{1, 0}}, {{0, 0, 0}, {200, 100, 50}}, {255, 0}};
    TPngPicture p;
    Load(p, Encode(pal));
    p.CreateAlpha();
    EXPECT_EQ(p.ColorType(), ctRGBAlpha);
    EXPECT_EQ(p.Pixel(0, 0), 0x3264C8);
    EXPECT_EQ(p.AlphaScanline(0)[1], 255); // all 255, the clear entry included
    EXPECT_EQ(p.TransparencyMode(), ptmPartial);
}

TEST(PngPicture, DrawsByAlphaAndTransparentColour)
{
    RawPng raw{3, 1, 8, PNG_COLOR_TYPE_RGB_ALPHA, {{255, 0, 0, 255, 0, 0, 255, 0, 255, 255, 255, 128}}};
    TPngPicture png;
    Load(png, Encode(raw));
    auto dest = Filled(pf24bit, 4, 2, clBlack);
    dest->Canvas()->Draw(1, 1, png);
    EXPECT_EQ(Pixel24(*dest, 1, 1), clRed);
    EXPECT_EQ(Pixel24(*dest, 2, 1), clBlack);
    TColor half = Pixel24(*dest, 3, 1);
    for (int shift : {0, 8, 16}) EXPECT_NEAR((half >> shift) & 0xFF, 128, 1);
    EXPECT_EQ(Pixel24(*dest, 0, 0), clBlack);

    RawPng keyed{2, 1, 8, PNG_COLOR_TYPE_RGB, {{0, 255, 0, 255, 0, 255}}, {}, {}, true, {0, 255, 0, 255, 0}};
    TPngPicture k;
    Load(k, Encode(keyed));
    auto d2 = Filled(pf24bit, 2, 1, clBlue);
    d2->Canvas()->Draw(0, 0, k);
    EXPECT_EQ(Pixel24(*d2, 0, 0), clLime);
    EXPECT_EQ(Pixel24(*d2, 1, 0), clBlue);
}

TEST(PngPicture, PicturesRecogniseAndCopyIt)
{
    RawPng raw{2, 1, 8, PNG_COLOR_TYPE_GRAY, {{0x10, 0x20}}};
    TPicture picture;
    picture.SetData(Encode(raw));
    auto* png = dynamic_cast<TPngPicture*>(picture.Graphic());
    ASSERT_NE(png, nullptr);
    TPicture copy;
    copy.Assign(picture);
    auto* png2 = dynamic_cast<TPngPicture*>(copy.Graphic());
    ASSERT_NE(png2, nullptr);
    EXPECT_EQ(Pixels(*png2), Pixels(*png));

    // Drawing leaves the destination's own objects in place, and they go with it. Wine's
    // GetGuiResources answers 0, so the handles are checked one by one.
    auto dest = Filled(pf32bit, 2, 1, clBlack);
    const std::vector<HGDIOBJ> made = {dest->Handle(), dest->Canvas()->Handle()};
    for (int i = 0; i < 3; ++i) dest->Canvas()->Draw(0, 0, *png2);
    EXPECT_EQ(dest->Handle(), made[0]);
    EXPECT_EQ(dest->Canvas()->Handle(), made[1]);
    EXPECT_EQ(Pixels(*png2), Pixels(*png)) << "drawing leaves the picture as it was";
    dest.reset();
    for (HGDIOBJ h : made) EXPECT_EQ(GetObjectType(h), 0u) << "object " << h;
}
