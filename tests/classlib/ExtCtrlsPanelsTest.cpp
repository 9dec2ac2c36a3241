// Panels, bevels and images: what they paint, read back pixel by pixel.
#include "ControlsFixtures.h"

#include "classlib/FormReader.h"
#include "classlib/TypInfo.h"

#include <gtest/gtest.h>

using namespace cl;
using fixture::Painted;
using fixture::Rgb;

namespace {

struct PanelPaint : ::testing::Test {
    TForm form{nullptr};
    void SetUp() override
    {
        form.SetBounds(0, 0, 300, 200);
        form.SetColor(clWhite);
    }
};

} // namespace

TEST_F(PanelPaint, PanelBevelsAndBorder)
{
    TPanel panel(&form);
    panel.SetParent(&form);
    panel.SetBounds(0, 0, 20, 12);
    panel.SetColor(clYellow);
    const COLORREF hi = Rgb(clBtnHighlight), sh = Rgb(clBtnShadow), face = Rgb(clYellow);
    const struct {
        TBevelCut outer, inner;
        COLORREF topLeft, topRight, bottomLeft, inside1, inside2;
    } cases[] = {
        {bvRaised, bvNone, hi, sh, sh, face, face},
        {bvLowered, bvNone, sh, hi, hi, face, face},
        {bvNone, bvNone, face, face, face, face, face},
        {bvRaised, bvLowered, hi, sh, sh, sh, face}, // the inner bevel one pixel in
        {bvNone, bvRaised, hi, sh, sh, face, face},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.outer << " " << c.inner);
        panel.SetBevelOuter(c.outer);
        panel.SetBevelInner(c.inner);
        Painted p(panel);
        EXPECT_EQ(p.At(0, 0), c.topLeft);
        EXPECT_EQ(p.At(19, 0), c.topRight);
        EXPECT_EQ(p.At(0, 11), c.bottomLeft);
        EXPECT_EQ(p.At(1, 1), c.inside1);
        EXPECT_EQ(p.At(2, 2), c.inside2);
        EXPECT_EQ(p.At(10, 6), face);
    }
}

TEST_F(PanelPaint, PanelClientAreaLeavesItsFrames)
{
    TPanel panel(&form);
    panel.SetParent(&form);
    panel.SetBounds(0, 0, 100, 60);
    panel.SetBevelInner(bvLowered);
    TPanel child(&form);
    child.SetParent(&panel);
    child.SetAlign(alClient);
    panel.Handle();
    panel.Realign();
    EXPECT_EQ(child.Left(), 2);
    EXPECT_EQ(child.Top(), 2);
    EXPECT_EQ(child.Width(), 100 - 4);
    EXPECT_EQ(child.Height(), 60 - 4);
    panel.SetBevelOuter(bvNone);
    EXPECT_EQ(child.Left(), 1);
    EXPECT_EQ(child.Width(), 100 - 2);
}

TEST_F(PanelPaint, ParentBackgroundTakesTheParentsColour)
{
    TPanel panel(&form);
    panel.SetParent(&form);
    panel.SetBounds(0, 0, 20, 12);
    panel.SetBevelOuter(bvNone);
    panel.SetColor(clBlue);
    EXPECT_EQ(Painted(panel).At(5, 5), Rgb(clBlue));
    SetPropText(panel, "ParentBackground", "True");
    EXPECT_EQ(Painted(panel).At(5, 5), Rgb(clWhite));
}

TEST_F(PanelPaint, BevelShapes)
{
    TBevel bevel(&form);
    bevel.SetParent(&form);
    bevel.SetBounds(10, 20, 30, 8);
    const COLORREF hi = Rgb(clBtnHighlight), sh = Rgb(clBtnShadow), back = Rgb(clWhite);
    // Points relative to the bevel: the form's white shows where it draws nothing.
    const struct {
        TBevelShape shape;
        TBevelStyle style;
        std::vector<std::pair<POINT, COLORREF>> pixels;
    } cases[] = {
        {bsTopLine, bsLowered, {{{0, 0}, sh}, {{29, 0}, sh}, {{0, 1}, hi}, {{5, 2}, back}}},
        {bsTopLine, bsRaised, {{{0, 0}, hi}, {{0, 1}, sh}}},
        {bsBottomLine, bsLowered, {{{3, 6}, sh}, {{3, 7}, hi}, {{3, 5}, back}}},
        {bsLeftLine, bsLowered, {{{0, 4}, sh}, {{1, 4}, hi}, {{2, 4}, back}}},
        {bsRightLine, bsLowered, {{{28, 4}, sh}, {{29, 4}, hi}, {{27, 4}, back}}},
        {bsBox, bsLowered, {{{0, 0}, sh}, {{29, 7}, hi}, {{29, 0}, hi}, {{0, 7}, hi}, {{5, 4}, back}}},
        {bsSpacer, bsLowered, {{{0, 0}, back}, {{29, 7}, back}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.shape << " " << c.style);
        bevel.SetShape(c.shape);
        bevel.SetStyle(c.style);
        Painted p(bevel);
        for (const auto& [pt, colour] : c.pixels) EXPECT_EQ(p.At(10 + pt.x, 20 + pt.y), colour) << pt.x << "," << pt.y;
    }
}

TEST_F(PanelPaint, ImageDrawsItsPictureAtItsSizeOrStretched)
{
    TBitmap source;
    source.SetPixelFormat(pf24bit);
    source.SetSize(4, 2);
    source.Canvas()->Brush().SetColor(clRed);
    source.Canvas()->FillRect(RECT{0, 0, 4, 2});
    source.Canvas()->SetPixel(3, 1, clBlue);

    TImage image(&form);
    image.SetParent(&form);
    image.SetBounds(10, 10, 40, 20);
    image.Picture()->SetGraphic(&source);
    {
        Painted p(image);
        EXPECT_EQ(p.At(10, 10), Rgb(clRed));
        EXPECT_EQ(p.At(13, 11), Rgb(clBlue));
        EXPECT_EQ(p.At(14, 10), Rgb(clWhite)); // past the picture
    }
    image.SetStretch(true);
    {
        Painted p(image);
        EXPECT_EQ(p.At(10, 10), Rgb(clRed));
        EXPECT_EQ(p.At(49, 29), Rgb(clBlue)); // the blue corner scaled to the bottom right
        EXPECT_EQ(p.At(30, 10), Rgb(clRed));
    }
    // An empty picture draws nothing.
    image.Picture()->SetGraphic(nullptr);
    EXPECT_EQ(Painted(image).At(10, 10), Rgb(clWhite));
}

TEST_F(PanelPaint, ImageFromAFormResourceWithItsClick)
{
    TBitmap bmp;
    bmp.SetPixelFormat(pf24bit);
    bmp.SetSize(2, 2);
    TMemoryStream stream;
    bmp.SaveToStream(stream);
    AnsiString hex;
    const auto* bytes = static_cast<const unsigned char*>(stream.Memory());
    for (std::int64_t i = 0; i < stream.Size(); ++i) hex += IntToHex(bytes[i], 2);
    const std::string text = "TForm Host { TImage imgAbout { Width = 410 Height = 162 Stretch = True Picture.Data = {" +
                             hex + "} } }";
    ReadComponentText(text, form);
    auto* image = static_cast<TImage*>(form.FindComponent("imgAbout"));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->Picture()->Width(), 2);
    EXPECT_TRUE(image->Stretch());
    EXPECT_TRUE(IsPublishedProp(*image, "OnClick"));
}
