// The PNG image list's picture operations: fading and greying with exact values, pictures
// made from bitmaps, masks and icons, and drawing with the disabled effects.
#include "tray/PngFunctions.h"

#include "PngFixtures.h"

#include <gtest/gtest.h>

namespace {

using namespace cl;
using namespace tray;
using namespace pngtest;

TEST(FadePngAlpha, ScalesAlphaWithHalvesToEven)
{
    // alpha / 256 * 128: 255 -> 127.5 -> 128, 254 -> 127, 3 -> 1.5 -> 2, 1 -> 0.5 -> 0.
    auto png = Rgba({{0x102030, 255}, {0x102030, 254}, {0x102030, 3}, {0x102030, 1}, {0x102030, 0}, {0x102030, 128}});
    FadePngAlpha(*png, 127);
    EXPECT_EQ(Alphas(*png), (std::vector<int>{128, 127, 2, 0, 0, 64}));
    EXPECT_EQ(png->Pixel(0, 0), 0x102030); // colours stay
    // Amount 255 keeps every value.
    auto full = Rgba({{0, 255}, {0, 77}});
    FadePngAlpha(*full, 255);
    EXPECT_EQ(Alphas(*full), (std::vector<int>{255, 77}));
}

TEST(FadePngAlpha, PicturesWithoutAlphaGainItAndTheirTransparentColourIsClear)
{
    struct Case {
        const char* name;
        TBytes file;
        std::vector<TColor> colors;
        std::vector<int> alpha;
    } cases[] = {
        // A colour picture gets alpha 255 first, scaled to 128.
        {"rgb with key", Encode({3, 1, 8, 2, {{1, 2, 3, 4, 5, 6, 1, 2, 3}}, {}, {}, true, {0, 4, 5, 6, 4}}),
         {0x030201, 0x060504, 0x030201}, {128, 0, 128}},
        // Grey and palette pictures become colour pictures with alpha equal to the amount.
        {"grey", Encode({2, 1, 8, 0, {{0x40, 0xC0}}}), {0x404040, 0xC0C0C0}, {127, 127}},
        {"palette with one clear entry", Encode({3, 1, 8, 3, {{0, 1, 0}}, {{255, 0, 0}, {0, 0, 255}}, {255, 0}}),
         {clRed, clBlue, clRed}, {127, 0, 127}},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        TPngPicture png;
        png.SetData(c.file);
        FadePngAlpha(png, 127);
        EXPECT_EQ(png.ColorType(), ctRGBAlpha);
        for (int x = 0; x < png.Width(); ++x) EXPECT_EQ(png.Pixel(x, 0), c.colors[x]) << x;
        EXPECT_EQ(Alphas(png), c.alpha);
    }
}

TEST(GreyPngColours, FullAmountGivesTheWeightedGrey)
{
    // Round(R * 0.3 + G * 0.59 + B * 0.11), halves to even.
    struct Case {
        TColor in, out;
    } cases[] = {
        {clWhite, 0xFFFFFF}, {clBlack, 0x000000},
        {clRed, 0x4C4C4C},   // 76.5 -> 76
        {clLime, 0x969696},  // 150.45 -> 150
        {clBlue, 0x1C1C1C},  // 28.05 -> 28
        {0x0A141E, 0x161616}, // R 30, G 20, B 10: 9 + 11.8 + 1.1 = 21.9 -> 22
    };
    std::vector<std::pair<TColor, int>> pixels;
    for (const Case& c : cases) pixels.push_back({c.in, 200});
    auto png = Rgba(pixels);
    GreyPngColours(*png, 255);
    for (int x = 0; x < png->Width(); ++x) {
        SCOPED_TRACE(x);
        EXPECT_EQ(png->Pixel(x, 0), cases[x].out);
        EXPECT_EQ(png->AlphaScanline(0)[x], 200); // alpha stays
    }
}

TEST(GreyPngColours, PartialAmountsAndSumsHeldWithinAByte)
{
    // Amount 127: Round(c / 256 * 128) + Round(g / 256 * 128). White: 128 + 128 = 256, held
    // at 255. Red: R 127.5 -> 128, G and B 0, grey 76 -> 38: (166, 38, 38).
    auto png = Rgba({{clWhite, 255}, {clRed, 255}});
    GreyPngColours(*png, 127);
    EXPECT_EQ(png->Pixel(0, 0), 0xFFFFFF);
    EXPECT_EQ(png->Pixel(1, 0), 0x2626A6);
}

TEST(GreyPngColours, PalettesAreGreyedInPlaceAndGreyPicturesStay)
{
    TPngPicture pal;
    pal.SetData(Encode({3, 1, 8, 3, {{1, 0, 1}}, {{255, 0, 0}, {0, 0, 255}}}));
    GreyPngColours(pal, 255);
    EXPECT_EQ(pal.ColorType(), ctPalette);
    EXPECT_EQ(pal.Palette(), (std::vector<TColor>{0x4C4C4C, 0x1C1C1C}));
    EXPECT_EQ(std::vector<int>(pal.Scanline(0), pal.Scanline(0) + 3), (std::vector<int>{1, 0, 1}));

    TPngPicture grey;
    grey.SetData(Encode({2, 1, 8, 4, {{0x30, 9, 0xD0, 200}}}));
    GreyPngColours(grey, 255);
    EXPECT_EQ(grey.Pixel(0, 0), 0x303030);
    EXPECT_EQ(grey.Pixel(1, 0), 0xD0D0D0);
}

TEST(BitmapToPng, MaskGivesAlphaFromItsRedComponent)
{
    auto image = Bitmap24({{0x112233, 0x445566, 0x778899}});
    auto mask = Bitmap24({{clWhite, clBlack, 0x000080}});
    struct Case {
        bool invert;
        std::vector<int> alpha;
    } cases[] = {{false, {255, 0, 128}}, {true, {0, 255, 127}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.invert);
        auto png = BitmapMaskToPng(*image, mask.get(), c.invert);
        ASSERT_EQ(png->ColorType(), ctRGBAlpha);
        EXPECT_EQ(png->Pixel(1, 0), 0x445566);
        EXPECT_EQ(Alphas(*png), c.alpha);
    }
}

TEST(BitmapToPng, ColourKeyIsClear)
{
    auto image = Bitmap24({{clFuchsia, 0x445566}, {0x445566, clFuchsia}});
    auto png = BitmapColourKeyToPng(*image, clFuchsia);
    EXPECT_EQ(Alphas(*png), (std::vector<int>{0, 255, 255, 0}));
    EXPECT_EQ(png->Pixel(0, 0), clFuchsia);
}

TEST(GraphicToPng, TransparentBitmapsTakeTheirKeyColour)
{
    struct Case {
        const char* name;
        bool transparent;
        TColor fixed; // clDefault: automatic, from the bottom-left pixel
        std::vector<int> alpha;
    } cases[] = {
        {"automatic: bottom-left", true, clDefault, {255, 255, 0, 255}},
        {"fixed colour", true, clRed, {0, 255, 255, 255}},
        {"opaque", false, clDefault, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto bitmap = Bitmap24({{clRed, clLime}, {clBlue, clWhite}});
        bitmap->SetTransparent(c.transparent);
        bitmap->SetTransparentColor(c.fixed);
        auto png = GraphicToPng(*bitmap);
        ASSERT_EQ(png->Width(), 2);
        EXPECT_EQ(png->Pixel(1, 1), clWhite);
        EXPECT_EQ(png->Pixel(0, 0), clRed);
        if (c.alpha.empty()) {
            EXPECT_EQ(png->ColorType(), ctRGB);
        } else {
            EXPECT_EQ(Alphas(*png), c.alpha);
        }
    }
}

TEST(GraphicToPng, IconsGiveTheirOwnAlphaElseTheirMask)
{
    // A 32-bit icon with alpha: its alpha bytes win over the mask.
    TIcon alphaIcon;
    alphaIcon.SetHandle(Icon32({0xFFFF0000u, 0x8000FF00u}, {0, 0}));
    auto png = GraphicToPng(alphaIcon);
    ASSERT_EQ(png->Width(), 2);
    EXPECT_EQ(Alphas(*png), (std::vector<int>{255, 128}));
    EXPECT_EQ(png->Pixel(0, 0), clRed);

    // Alpha bytes all 0: the mask decides (a set mask bit is clear).
    TIcon maskIcon;
    maskIcon.SetHandle(Icon32({0x00FF0000u, 0x0000FF00u}, {0, 1}));
    auto masked = GraphicToPng(maskIcon);
    EXPECT_EQ(Alphas(*masked), (std::vector<int>{255, 0}));
    EXPECT_EQ(masked->Pixel(0, 0), clRed);

    // A PNG picture is copied as it is.
    auto rgba = Rgba({{0x010203, 9}});
    EXPECT_EQ(Alphas(*GraphicToPng(*rgba)), (std::vector<int>{9}));
}

TEST(DrawPngWithOptions, DrawsPlainFadedAndGreyOntoThirtyTwoBits)
{
    // Pure red, opaque, over white.
    struct Case {
        const char* name;
        TPngOptions options;
        TColor expected;
    } cases[] = {
        {"enabled", 0, 0x0000FF},
        // alpha 128 of 255: 255 * 128/255 + 255 * 127/255 on red, 255 * 127/255 on the rest.
        {"blend", 1u << pngBlendOnDisabled, 0x7F7FFF},
        {"grey", 1u << pngGrayscaleOnDisabled, 0x4C4C4C},
        // grey 76 at alpha 128 over white: 76 * 128/255 + 255 * 127/255 = 38.1 + 127 = 165.
        {"blend and grey", (1u << pngBlendOnDisabled) | (1u << pngGrayscaleOnDisabled), 0xA5A5A5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto png = Rgba({{clRed, 255}, {clRed, 255}});
        TBitmap target;
        target.SetPixelFormat(pf32bit);
        target.SetSize(2, 1);
        target.Canvas()->Brush().SetColor(clWhite);
        target.Canvas()->FillRect(RECT{0, 0, 2, 1});
        DrawPngWithOptions(*png, *target.Canvas(), RECT{0, 0, 2, 1}, c.options);
        ExpectNear(Pixel32(target, 1, 0), c.expected, 1);
        // The picture itself is not changed.
        EXPECT_EQ(png->Pixel(0, 0), clRed);
        EXPECT_EQ(Alphas(*png), (std::vector<int>{255, 255}));
    }
}

} // namespace
