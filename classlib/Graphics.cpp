// Colours, fonts, brushes, pens, the canvas and the graphic base class.
#include "classlib/Graphics.h"

#include <array>
#include <cstring>

namespace cl {

// ---------------------------------------------------------------------------------------
// Colours

namespace {

struct ColorName {
    TColor color;
    const char* name;
};

constexpr std::array<ColorName, 52> ColorNames{{
    {clBlack, "clBlack"}, {clMaroon, "clMaroon"}, {clGreen, "clGreen"}, {clOlive, "clOlive"},
    {clNavy, "clNavy"}, {clPurple, "clPurple"}, {clTeal, "clTeal"}, {clGray, "clGray"},
    {clSilver, "clSilver"}, {clRed, "clRed"}, {clLime, "clLime"}, {clYellow, "clYellow"},
    {clBlue, "clBlue"}, {clFuchsia, "clFuchsia"}, {clAqua, "clAqua"}, {clWhite, "clWhite"},
    {clMoneyGreen, "clMoneyGreen"}, {clSkyBlue, "clSkyBlue"}, {clCream, "clCream"}, {clMedGray, "clMedGray"},
    {clNone, "clNone"}, {clDefault, "clDefault"},
    {clScrollBar, "clScrollBar"}, {clBackground, "clBackground"}, {clActiveCaption, "clActiveCaption"},
    {clInactiveCaption, "clInactiveCaption"}, {clMenu, "clMenu"}, {clWindow, "clWindow"},
    {clWindowFrame, "clWindowFrame"}, {clMenuText, "clMenuText"}, {clWindowText, "clWindowText"},
    {clCaptionText, "clCaptionText"}, {clActiveBorder, "clActiveBorder"}, {clInactiveBorder, "clInactiveBorder"},
    {clAppWorkSpace, "clAppWorkSpace"}, {clHighlight, "clHighlight"}, {clHighlightText, "clHighlightText"},
    {clBtnFace, "clBtnFace"}, {clBtnShadow, "clBtnShadow"}, {clGrayText, "clGrayText"},
    {clBtnText, "clBtnText"}, {clInactiveCaptionText, "clInactiveCaptionText"}, {clBtnHighlight, "clBtnHighlight"},
    {cl3DDkShadow, "cl3DDkShadow"}, {cl3DLight, "cl3DLight"}, {clInfoText, "clInfoText"}, {clInfoBk, "clInfoBk"},
    {clHotLight, "clHotLight"}, {clGradientActiveCaption, "clGradientActiveCaption"},
    {clGradientInactiveCaption, "clGradientInactiveCaption"}, {clMenuHighlight, "clMenuHighlight"},
    {clMenuBar, "clMenuBar"},
}};

} // namespace

TColor ColorToRGB(TColor color)
{
    if (color < 0) return static_cast<TColor>(GetSysColor(color & 0xFF));
    return color;
}

bool IdentToColor(std::string_view ident, std::int64_t& color)
{
    for (const ColorName& c : ColorNames)
        if (SameText(ident, c.name)) {
            color = c.color;
            return true;
        }
    return false;
}

bool ColorToIdent(TColor color, AnsiString& ident)
{
    for (const ColorName& c : ColorNames)
        if (c.color == color) {
            ident = c.name;
            return true;
        }
    return false;
}

// ---------------------------------------------------------------------------------------
// Fonts, brushes, pens

const TClass& TGraphicsObject::StaticClass() { return DefineClass<TGraphicsObject, TPersistent>("TGraphicsObject"); }

void TGraphicsObject::Changed()
{
    // A canvas selects the new object before the old one, still selected, is deleted.
    GdiObject old = std::move(handle_);
    Notify();
}

void TGraphicsObject::Replace(HGDIOBJ object)
{
    GdiObject old = std::move(handle_);
    handle_.reset(object);
    Notify();
}

const TEnumType FontStyleType{{"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"}};
const TEnumType BrushStyleType{{"bsSolid", "bsClear", "bsHorizontal", "bsVertical", "bsFDiagonal", "bsBDiagonal", "bsCross", "bsDiagCross"}};
const TEnumType PenStyleType{{"psSolid", "psDash", "psDot", "psDashDot", "psDashDotDot", "psClear", "psInsideFrame"}};

namespace {

bool IdentToCharset(std::string_view ident, std::int64_t& value)
{
    static const std::pair<const char*, int> names[] = {
        {"ANSI_CHARSET", ANSI_CHARSET}, {"DEFAULT_CHARSET", DEFAULT_CHARSET}, {"SYMBOL_CHARSET", SYMBOL_CHARSET},
        {"GB2312_CHARSET", GB2312_CHARSET}, {"CHINESEBIG5_CHARSET", CHINESEBIG5_CHARSET}, {"OEM_CHARSET", OEM_CHARSET},
    };
    for (const auto& n : names)
        if (SameText(ident, n.first)) {
            value = n.second;
            return true;
        }
    return false;
}

} // namespace

const TClass& TFont::StaticClass()
{
    return DefineClass<TFont, TGraphicsObject>("TFont", [](TPublisher<TFont>& p) {
        p.Int("Charset", &TFont::Charset, &TFont::SetCharset).Idents(IdentToCharset);
        p.Int("Color", &TFont::Color, &TFont::SetColor).Idents(IdentToColor);
        p.Int("Height", &TFont::Height, &TFont::SetHeight);
        p.String("Name", &TFont::Name, &TFont::SetName);
        p.Int("Size", &TFont::Size, &TFont::SetSize);
        p.Set("Style", FontStyleType, &TFont::Style, &TFont::SetStyle);
    });
}

TFont::TFont() { height_ = -MulDiv(8, PixelsPerInch(), 72); }

int TFont::PixelsPerInch()
{
    static const int ppi = [] {
        WindowDc screen(nullptr);
        int v = screen.get() ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 0;
        return v > 0 ? v : 96;
    }();
    return ppi;
}

void TFont::Assign(const TPersistent& source)
{
    const auto* f = dynamic_cast<const TFont*>(&source);
    if (!f) return TPersistent::Assign(source);
    name_ = f->name_;
    height_ = f->height_;
    style_ = f->style_;
    color_ = f->color_;
    charset_ = f->charset_;
    Changed();
}

HFONT TFont::Handle() const
{
    if (!handle_) {
        LOGFONTA lf{};
        lf.lfHeight = height_;
        lf.lfWeight = (style_ & (1u << fsBold)) ? FW_BOLD : FW_NORMAL;
        lf.lfItalic = (style_ & (1u << fsItalic)) ? 1 : 0;
        lf.lfUnderline = (style_ & (1u << fsUnderline)) ? 1 : 0;
        lf.lfStrikeOut = (style_ & (1u << fsStrikeOut)) ? 1 : 0;
        lf.lfCharSet = static_cast<BYTE>(charset_);
        lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
        lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
        lf.lfQuality = DEFAULT_QUALITY;
        lf.lfPitchAndFamily = DEFAULT_PITCH;
        std::strncpy(lf.lfFaceName, name_.c_str(), LF_FACESIZE - 1);
        handle_.reset(CreateFontIndirectA(&lf));
    }
    return static_cast<HFONT>(handle_.get());
}

void TFont::SetHandle(HFONT font)
{
    LOGFONTA lf{};
    if (!font || GetObjectA(font, sizeof lf, &lf) != sizeof lf) {
        if (font) DeleteObject(font);
        throw EInvalidGraphic("Not a font handle");
    }
    name_ = lf.lfFaceName;
    height_ = lf.lfHeight;
    style_ = (lf.lfWeight >= FW_BOLD ? 1u << fsBold : 0) | (lf.lfItalic ? 1u << fsItalic : 0) |
             (lf.lfUnderline ? 1u << fsUnderline : 0) | (lf.lfStrikeOut ? 1u << fsStrikeOut : 0);
    charset_ = lf.lfCharSet;
    Replace(font);
}

void TFont::SetName(const AnsiString& name)
{
    if (name.empty() || name == name_) return;
    name_ = name;
    Changed();
}

void TFont::SetHeight(int height)
{
    if (height == height_) return;
    height_ = height;
    Changed();
}

int TFont::Size() const { return -MulDiv(height_, 72, PixelsPerInch()); }
void TFont::SetSize(int points) { SetHeight(-MulDiv(points, PixelsPerInch(), 72)); }

void TFont::SetStyle(TFontStyles style)
{
    style &= 0xF;
    if (style == style_) return;
    style_ = style;
    Changed();
}

void TFont::SetColor(TColor color)
{
    if (color == color_) return;
    color_ = color;
    Notify(); // the DC's text colour, not part of the font object
}

void TFont::SetCharset(int charset)
{
    if (charset == charset_) return;
    charset_ = charset;
    Changed();
}

const TClass& TBrush::StaticClass()
{
    return DefineClass<TBrush, TGraphicsObject>("TBrush", [](TPublisher<TBrush>& p) {
        p.Int("Color", &TBrush::Color, &TBrush::SetColor).Idents(IdentToColor);
        p.Enum("Style", BrushStyleType, &TBrush::Style, &TBrush::SetStyle);
    });
}

void TBrush::Assign(const TPersistent& source)
{
    const auto* b = dynamic_cast<const TBrush*>(&source);
    if (!b) return TPersistent::Assign(source);
    color_ = b->color_;
    style_ = b->style_;
    Changed();
}

HBRUSH TBrush::Handle() const
{
    if (!handle_) {
        LOGBRUSH lb{};
        lb.lbColor = static_cast<COLORREF>(ColorToRGB(color_));
        switch (style_) {
        case bsSolid: lb.lbStyle = BS_SOLID; break;
        case bsClear: lb.lbStyle = BS_HOLLOW; break;
        default:
            lb.lbStyle = BS_HATCHED;
            lb.lbHatch = static_cast<ULONG_PTR>(style_ - bsHorizontal); // HS_HORIZONTAL..HS_DIAGCROSS
            break;
        }
        handle_.reset(CreateBrushIndirect(&lb));
    }
    return static_cast<HBRUSH>(handle_.get());
}

void TBrush::SetColor(TColor color)
{
    if (color == color_) return;
    color_ = color;
    if (style_ == bsClear) style_ = bsSolid;
    Changed();
}

void TBrush::SetStyle(TBrushStyle style)
{
    if (style == style_) return;
    style_ = style;
    Changed();
}

const TClass& TPen::StaticClass()
{
    return DefineClass<TPen, TGraphicsObject>("TPen", [](TPublisher<TPen>& p) {
        p.Int("Color", &TPen::Color, &TPen::SetColor).Idents(IdentToColor);
        p.Enum("Style", PenStyleType, &TPen::Style, &TPen::SetStyle);
        p.Int("Width", &TPen::Width, &TPen::SetWidth);
    });
}

void TPen::Assign(const TPersistent& source)
{
    const auto* p = dynamic_cast<const TPen*>(&source);
    if (!p) return TPersistent::Assign(source);
    color_ = p->color_;
    width_ = p->width_;
    style_ = p->style_;
    Changed();
}

HPEN TPen::Handle() const
{
    if (!handle_) {
        static const int styles[] = {PS_SOLID, PS_DASH, PS_DOT, PS_DASHDOT, PS_DASHDOTDOT, PS_NULL, PS_INSIDEFRAME};
        handle_.reset(CreatePen(styles[style_], width_, static_cast<COLORREF>(ColorToRGB(color_))));
    }
    return static_cast<HPEN>(handle_.get());
}

void TPen::SetColor(TColor color)
{
    if (color == color_) return;
    color_ = color;
    Changed();
}

void TPen::SetWidth(int width)
{
    if (width < 0 || width == width_) return;
    width_ = width;
    Changed();
}

void TPen::SetStyle(TPenStyle style)
{
    if (style == style_) return;
    style_ = style;
    Changed();
}

// ---------------------------------------------------------------------------------------
// Canvas

const TClass& TCanvas::StaticClass() { return DefineClass<TCanvas, TPersistent>("TCanvas"); }

TCanvas::TCanvas()
{
    font_.OnChange = [this](TObject*) { if (dc_) SelectFont(); };
    brush_.OnChange = [this](TObject*) { if (dc_) SelectBrush(); };
    pen_.OnChange = [this](TObject*) { if (dc_) SelectPen(); };
}

TCanvas::~TCanvas() { SetHandle(nullptr); }

void TCanvas::SetHandle(HDC dc)
{
    if (dc == dc_) return;
    if (dc_) {
        SelectObject(dc_, oldFont_);
        SelectObject(dc_, oldBrush_);
        SelectObject(dc_, oldPen_);
        oldFont_ = oldBrush_ = oldPen_ = nullptr;
    }
    dc_ = dc;
    if (!dc_) return;
    oldFont_ = SelectObject(dc_, font_.Handle());
    oldBrush_ = SelectObject(dc_, brush_.Handle());
    oldPen_ = SelectObject(dc_, pen_.Handle());
    SelectFont();
    SelectBrush();
}

void TCanvas::SelectFont()
{
    SelectObject(dc_, font_.Handle());
    SetTextColor(dc_, static_cast<COLORREF>(ColorToRGB(font_.Color())));
}

void TCanvas::SelectBrush()
{
    SelectObject(dc_, brush_.Handle());
    SetBkColor(dc_, static_cast<COLORREF>(ColorToRGB(brush_.Color())));
    SetBkMode(dc_, brush_.Style() == bsClear ? TRANSPARENT : OPAQUE);
}

void TCanvas::SelectPen() { SelectObject(dc_, pen_.Handle()); }

HDC TCanvas::Dc()
{
    if (!dc_) CreateHandle();
    if (!dc_) throw EInvalidGraphicOperation("Canvas does not allow drawing");
    return dc_;
}

HDC TCanvas::Handle() { return Dc(); }

void TCanvas::MoveTo(int x, int y) { MoveToEx(Dc(), x, y, nullptr); }
void TCanvas::LineTo(int x, int y) { ::LineTo(Dc(), x, y); }

POINT TCanvas::PenPos()
{
    POINT p{};
    GetCurrentPositionEx(Dc(), &p);
    return p;
}

void TCanvas::Rectangle(int left, int top, int right, int bottom) { ::Rectangle(Dc(), left, top, right, bottom); }
void TCanvas::FillRect(const RECT& r) { ::FillRect(Dc(), &r, brush_.Handle()); }
void TCanvas::FrameRect(const RECT& r) { ::FrameRect(Dc(), &r, brush_.Handle()); }

void TCanvas::RoundRect(int left, int top, int right, int bottom, int cornerWidth, int cornerHeight)
{
    ::RoundRect(Dc(), left, top, right, bottom, cornerWidth, cornerHeight);
}

void TCanvas::DrawFocusRect(const RECT& r) { ::DrawFocusRect(Dc(), &r); }

void TCanvas::TextOut(int x, int y, const AnsiString& text)
{
    ExtTextOutA(Dc(), x, y, 0, nullptr, text.data(), static_cast<UINT>(text.size()), nullptr);
}

void TCanvas::TextRect(const RECT& r, int x, int y, const AnsiString& text)
{
    UINT options = ETO_CLIPPED | (brush_.Style() != bsClear ? ETO_OPAQUE : 0);
    ExtTextOutA(Dc(), x, y, options, &r, text.data(), static_cast<UINT>(text.size()), nullptr);
}

SIZE TCanvas::TextExtent(const AnsiString& text)
{
    SIZE s{};
    GetTextExtentPoint32A(Dc(), text.data(), static_cast<int>(text.size()), &s);
    return s;
}

void TCanvas::Draw(int x, int y, TGraphic& graphic)
{
    if (graphic.Empty()) return;
    StretchDraw(RECT{x, y, x + graphic.Width(), y + graphic.Height()}, graphic);
}

void TCanvas::StretchDraw(const RECT& r, TGraphic& graphic)
{
    if (graphic.Empty()) return;
    Dc();
    graphic.Draw(*this, r);
}

void TCanvas::CopyRect(const RECT& dest, TCanvas& source, const RECT& sourceRect)
{
    StretchBlt(Dc(), dest.left, dest.top, dest.right - dest.left, dest.bottom - dest.top, source.Handle(),
               sourceRect.left, sourceRect.top, sourceRect.right - sourceRect.left, sourceRect.bottom - sourceRect.top,
               copyMode_);
}

void TCanvas::BrushCopy(const RECT& dest, const TBitmap& bitmap, const RECT& sourceRect, TColor color)
{
    if (bitmap.Empty()) return;
    HDC dc = Dc();
    const int dw = dest.right - dest.left, dh = dest.bottom - dest.top;
    const int sw = sourceRect.right - sourceRect.left, sh = sourceRect.bottom - sourceRect.top;
    StretchBlt(dc, dest.left, dest.top, dw, dh, bitmap.Canvas()->Handle(), sourceRect.left, sourceRect.top, sw, sh, SRCCOPY);
    BitmapHandle mask = bitmap.MonoMask(color);
    MemoryDc maskDc(CreateCompatibleDC(dc));
    SelectGuard select(maskDc.get(), mask.get());
    // The mask's 1 bits (the colour) come out black, the rest white; ROP PSDPxax then puts
    // the brush where the source is black and keeps the destination where it is white.
    COLORREF oldText = SetTextColor(dc, RGB(255, 255, 255));
    COLORREF oldBk = SetBkColor(dc, RGB(0, 0, 0));
    StretchBlt(dc, dest.left, dest.top, dw, dh, maskDc.get(), sourceRect.left, sourceRect.top, sw, sh, 0x00B8074A);
    SetBkColor(dc, oldBk);
    SetTextColor(dc, oldText);
}

RECT TCanvas::ClipRect()
{
    RECT r{};
    GetClipBox(Dc(), &r);
    return r;
}

TColor TCanvas::Pixel(int x, int y) { return static_cast<TColor>(GetPixel(Dc(), x, y)); }
void TCanvas::SetPixel(int x, int y, TColor color) { ::SetPixel(Dc(), x, y, static_cast<COLORREF>(ColorToRGB(color))); }

// ---------------------------------------------------------------------------------------
// Graphic

const TClass& TGraphic::StaticClass()
{
    return DefineClass<TGraphic, TPersistent>("TGraphic", [](TPublisher<TGraphic>& p) {
        p.Binary("Data", &TGraphic::Data, &TGraphic::SetData);
    });
}

void TGraphic::SetTransparent(bool transparent)
{
    if (transparent == transparent_) return;
    transparent_ = transparent;
    Changed();
}

void TGraphic::Changed()
{
    if (OnChange) OnChange(this);
}

void TGraphic::LoadFromFile(const AnsiString& fileName)
{
    TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(file);
}

void TGraphic::SaveToFile(const AnsiString& fileName) const
{
    TFileStream file(fileName, fmCreate);
    SaveToStream(file);
}

} // namespace cl
