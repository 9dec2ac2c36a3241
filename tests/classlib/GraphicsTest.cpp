// Colours, fonts, brushes, pens and the canvas, read back from 32-bit DIB pixels.
#include "classlib/Graphics.h"
#include "classlib/TypInfo.h"

#include <gtest/gtest.h>

namespace {

using namespace cl;

// A top-down 32-bit DIB section selected into its own memory DC.
struct Dib {
    Dib(int w, int h) : width(w)
    {
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = w;
        bi.bmiHeader.biHeight = -h;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        void* p = nullptr;
        bitmap.reset(CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &p, nullptr, 0));
        bits = static_cast<std::uint32_t*>(p);
        dc.reset(CreateCompatibleDC(nullptr));
        old = SelectObject(dc.get(), bitmap.get());
    }
    ~Dib() { SelectObject(dc.get(), old); }
    // As a colour value: red in the low byte.
    TColor At(int x, int y) const
    {
        GdiFlush();
        std::uint32_t v = bits[y * width + x];
        return static_cast<TColor>(((v >> 16) & 0xFF) | (v & 0xFF00) | ((v & 0xFF) << 16));
    }
    int width;
    BitmapHandle bitmap;
    MemoryDc dc;
    HGDIOBJ old;
    std::uint32_t* bits = nullptr;
};

} // namespace

TEST(Color, SystemColoursResolveThroughTheSystemAndPlainOnesPassThrough)
{
    EXPECT_EQ(ColorToRGB(clBtnFace), static_cast<TColor>(GetSysColor(COLOR_BTNFACE)));
    EXPECT_EQ(ColorToRGB(clWindow), static_cast<TColor>(GetSysColor(COLOR_WINDOW)));
    EXPECT_EQ(ColorToRGB(clFuchsia), 0xFF00FF);
    EXPECT_EQ(ColorToRGB(0x123456), 0x123456);
    EXPECT_EQ(static_cast<std::uint32_t>(clBtnFace), 0xFF00000Fu);
}

TEST(Color, IdentsMapBothWays)
{
    struct Case {
        const char* ident;
        TColor color;
    } cases[] = {{"clBtnFace", clBtnFace}, {"clwindow", clWindow}, {"clBlack", 0}, {"clRed", 0xFF},
                 {"clNone", clNone}, {"clInfoBk", SystemColor(COLOR_INFOBK)}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ident);
        std::int64_t v = -1;
        ASSERT_TRUE(IdentToColor(c.ident, v));
        EXPECT_EQ(static_cast<TColor>(v), c.color);
        AnsiString back;
        ASSERT_TRUE(ColorToIdent(c.color, back));
        EXPECT_TRUE(SameText(back, c.ident));
    }
    std::int64_t v = 7;
    EXPECT_FALSE(IdentToColor("clNoSuchColour", v));
    EXPECT_EQ(v, 7);
    AnsiString name;
    EXPECT_FALSE(ColorToIdent(0x123456, name));
}

TEST(Font, PublishedPropertiesAndChangeNotification)
{
    TFont font;
    int changes = 0;
    font.OnChange = [&](TObject* sender) {
        EXPECT_EQ(sender, &font);
        ++changes;
    };
    SetPropText(font, "Name", "Tahoma");
    SetPropText(font, "Style", "[fsBold,fsUnderline]");
    SetPropText(font, "Size", "12");
    EXPECT_EQ(changes, 3);
    EXPECT_EQ(font.Name(), "Tahoma");
    EXPECT_EQ(GetPropText(font, "Style"), "[fsBold,fsUnderline]");
    EXPECT_EQ(font.Height(), -MulDiv(12, TFont::PixelsPerInch(), 72));
    EXPECT_EQ(font.Size(), 12);
    font.SetSize(12); // unchanged: no notification
    EXPECT_EQ(changes, 3);

    LOGFONTA lf{};
    ASSERT_EQ(GetObjectA(font.Handle(), sizeof lf, &lf), static_cast<int>(sizeof lf));
    EXPECT_STREQ(lf.lfFaceName, "Tahoma");
    EXPECT_EQ(lf.lfWeight, FW_BOLD);
    EXPECT_TRUE(lf.lfUnderline);
    EXPECT_FALSE(lf.lfItalic);

    TFont copy;
    copy.Assign(font);
    EXPECT_EQ(copy.Name(), "Tahoma");
    EXPECT_EQ(copy.Style(), font.Style());
    EXPECT_EQ(copy.Height(), font.Height());
}

TEST(Font, TakesOverAHandleAndReadsItsAttributes)
{
    LOGFONTA lf{};
    lf.lfHeight = -20;
    lf.lfItalic = 1;
    lstrcpyA(lf.lfFaceName, "Arial");
    HFONT h = CreateFontIndirectA(&lf);
    TFont font;
    font.SetHandle(h);
    EXPECT_EQ(font.Handle(), h);
    EXPECT_EQ(font.Name(), "Arial");
    EXPECT_EQ(font.Height(), -20);
    EXPECT_EQ(font.Style(), 1u << fsItalic);
}

TEST(Canvas, FillsFramesAndDrawsLinesWithItsBrushAndPen)
{
    Dib dib(8, 8);
    TCanvas canvas;
    canvas.SetHandle(dib.dc.get());
    canvas.Brush().SetColor(0x102030);
    canvas.FillRect(RECT{0, 0, 8, 8});
    EXPECT_EQ(dib.At(0, 0), 0x102030);
    EXPECT_EQ(dib.At(7, 7), 0x102030);

    canvas.Brush().SetColor(clRed);
    canvas.FrameRect(RECT{1, 1, 7, 7});
    EXPECT_EQ(dib.At(1, 1), clRed);
    EXPECT_EQ(dib.At(6, 3), clRed);
    EXPECT_EQ(dib.At(3, 3), 0x102030);

    canvas.Pen().SetColor(clLime);
    canvas.MoveTo(2, 4);
    canvas.LineTo(5, 4);
    EXPECT_EQ(dib.At(2, 4), clLime);
    EXPECT_EQ(dib.At(4, 4), clLime);
    EXPECT_EQ(dib.At(5, 4), 0x102030); // the end point is not drawn
    EXPECT_EQ(canvas.PenPos().x, 5);

    canvas.Pen().SetColor(clBlue);
    canvas.Brush().SetColor(clWhite);
    canvas.Rectangle(0, 0, 3, 3);
    EXPECT_EQ(dib.At(0, 0), clBlue);
    EXPECT_EQ(dib.At(1, 1), clWhite);
    EXPECT_EQ(dib.At(3, 3), 0x102030);

    canvas.SetPixel(7, 0, clBtnFace);
    EXPECT_EQ(canvas.Pixel(7, 0), ColorToRGB(clBtnFace));
    RECT clip = canvas.ClipRect();
    EXPECT_EQ(clip.right, 8);
    EXPECT_EQ(clip.bottom, 8);
}

TEST(Canvas, ClearBrushLeavesTheBackgroundAndCopyRectStretches)
{
    Dib src(2, 1), dst(4, 4);
    TCanvas s, d;
    s.SetHandle(src.dc.get());
    d.SetHandle(dst.dc.get());
    s.SetPixel(0, 0, 0x0000AA);
    s.SetPixel(1, 0, 0x00BB00);
    SetStretchBltMode(d.Handle(), COLORONCOLOR);
    d.CopyRect(RECT{0, 0, 4, 4}, s, RECT{0, 0, 2, 1});
    EXPECT_EQ(dst.At(1, 3), 0x0000AA);
    EXPECT_EQ(dst.At(2, 0), 0x00BB00);

    d.Brush().SetStyle(bsClear);
    EXPECT_EQ(GetBkMode(d.Handle()), TRANSPARENT);
    d.Rectangle(0, 0, 4, 4); // outline only
    EXPECT_EQ(dst.At(1, 1), 0x0000AA);
    EXPECT_EQ(dst.At(2, 2), 0x00BB00);
    EXPECT_EQ(dst.At(0, 0), clBlack);
}

TEST(Canvas, PutsTheDcsObjectsBackWhenItLetsGo)
{
    Dib dib(2, 2);
    HGDIOBJ font = GetCurrentObject(dib.dc.get(), OBJ_FONT);
    HGDIOBJ brush = GetCurrentObject(dib.dc.get(), OBJ_BRUSH);
    HGDIOBJ pen = GetCurrentObject(dib.dc.get(), OBJ_PEN);
    {
        TCanvas canvas;
        canvas.SetHandle(dib.dc.get());
        EXPECT_EQ(GetCurrentObject(dib.dc.get(), OBJ_FONT), canvas.Font().Handle());
        canvas.Font().SetName("Arial"); // a new font is selected
        EXPECT_EQ(GetCurrentObject(dib.dc.get(), OBJ_FONT), canvas.Font().Handle());
        canvas.Pen().SetWidth(3);
        EXPECT_EQ(GetCurrentObject(dib.dc.get(), OBJ_PEN), canvas.Pen().Handle());
    }
    EXPECT_EQ(GetCurrentObject(dib.dc.get(), OBJ_FONT), font);
    EXPECT_EQ(GetCurrentObject(dib.dc.get(), OBJ_BRUSH), brush);
    EXPECT_EQ(GetCurrentObject(dib.dc.get(), OBJ_PEN), pen);
}

TEST(Canvas, RoundRectKeepsCornersAndFocusRectInverts)
{
    Dib dib(10, 10);
    TCanvas canvas;
    canvas.SetHandle(dib.dc.get());
    canvas.Brush().SetColor(clWhite);
    canvas.FillRect(RECT{0, 0, 10, 10});
    canvas.Pen().SetColor(clBlack);
    canvas.Brush().SetColor(clRed);
    canvas.RoundRect(0, 0, 10, 10, 6, 6);
    EXPECT_EQ(dib.At(0, 0), clWhite); // outside the rounded corner
    EXPECT_EQ(dib.At(5, 0), clBlack);
    EXPECT_EQ(dib.At(5, 5), clRed);

    canvas.Brush().SetColor(clWhite);
    canvas.FillRect(RECT{0, 0, 10, 10});
    auto blackOnEdges = [&] {
        int n = 0;
        for (int i = 1; i < 9; ++i) n += (dib.At(i, 1) == clBlack) + (dib.At(1, i) == clBlack);
        return n;
    };
    canvas.DrawFocusRect(RECT{1, 1, 9, 9});
    EXPECT_GE(blackOnEdges(), 6); // dotted
    EXPECT_EQ(dib.At(4, 4), clWhite);
    canvas.DrawFocusRect(RECT{1, 1, 9, 9});
    EXPECT_EQ(blackOnEdges(), 0);
}

TEST(Canvas, WithoutADcDrawingIsAnError)
{
    TCanvas canvas;
    EXPECT_THROW(canvas.FillRect(RECT{0, 0, 1, 1}), EInvalidGraphicOperation);
}

// Wine's GetGuiResources answers 0, so every handle the objects made is checked by itself
// once they are gone.
TEST(GdiObjects, FontsBrushesPensAndCanvasesLeaveNoObjectsBehind)
{
    Dib dib(4, 4);
    for (int i = 0; i < 3; ++i) {
        std::vector<HGDIOBJ> made;
        {
            TCanvas canvas;
            canvas.SetHandle(dib.dc.get());
            canvas.Font().SetHeight(-10 - i);
            canvas.Font().SetStyle(1u << fsBold);
            canvas.Brush().SetColor(i);
            canvas.Pen().SetColor(i);
            canvas.FillRect(RECT{0, 0, 4, 4});
            canvas.TextWidth("x");
            made = {canvas.Font().Handle(), canvas.Brush().Handle(), canvas.Pen().Handle()};
            TFont font;
            made.push_back(font.Handle());
            font.SetName("Arial");
            made.push_back(font.Handle());
            TBrush brush;
            brush.SetStyle(bsCross);
            made.push_back(brush.Handle());
            TPen pen;
            made.push_back(pen.Handle());
        }
        for (HGDIOBJ h : made) {
            ASSERT_NE(h, nullptr);
            EXPECT_EQ(GetObjectType(h), 0u) << "object " << h << " left in cycle " << i;
        }
    }
}
