// Drawing shared by the control skins.
#include "skin/controls/ControlDraw.h"

#include "skin/SkinDraw.h"
#include "skin/controls/PropAccess.h"
#include "skin/engine/SkinControl.h"
#include "skin/engine/SkinData.h"

#include "classlib/WinHandle.h"

namespace skin {

namespace {
int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }
bool Inverted(const RECT& r) { return r.right < r.left || r.bottom < r.top; }

void Line(HDC dc, int x1, int y1, int x2, int y2)
{
    MoveToEx(dc, x1, y1, nullptr);
    LineTo(dc, x2, y2);
}
} // namespace

UINT AlignmentFlags(int alignment)
{
    static const UINT table[3] = {DT_LEFT, DT_RIGHT, DT_CENTER};
    return alignment >= 0 && alignment < 3 ? table[alignment] : DT_LEFT;
}

UINT ReadingOrder(const TSkinControl& companion, UINT flags)
{
    const cl::TObject* control = companion.Control;
    if (!control) control = companion.GraphicControl;
    if (GetPropEnum(control, "BiDiMode") == "bdRightToLeft") flags |= DT_RTLREADING;
    return flags;
}

void DrawSkinFrame(HDC dc, const RECT& rect, int count, int frame, const TDataSkinObject& object)
{
    if (Inverted(rect) || Width(rect) == 0 || Height(rect) == 0 || !object.HasImage() || count <= 0) return;
    auto built = MakeNinePartBitmap(rect, *object.Bitmap, object.Margins(), false, object.Tile == 1, count, frame);
    if (!built) return;
    if (object.Trans == 1) {
        DrawTransparent(dc, rect, *built, Magenta);
    } else {
        BitBlt(dc, rect.left, rect.top, Width(rect), Height(rect), built->Canvas()->Handle(), 0, 0, SRCCOPY);
    }
}

void DrawStripFrameDC(HDC dc, const RECT& rect, int count, int frame, cl::TBitmap& bitmap)
{
    if (Inverted(rect) || Width(rect) == 0 || Height(rect) == 0 || bitmap.Empty() || count <= 0) return;
    const int w = bitmap.Width() / count;
    cl::TBitmap cell;
    cell.SetPixelFormat(cl::pf24bit);
    cell.SetSize(Width(rect), Height(rect));
    StretchBlt(cell.Canvas()->Handle(), 0, 0, Width(rect), Height(rect), bitmap.Canvas()->Handle(), (frame - 1) * w, 0,
               w, bitmap.Height(), SRCCOPY);
    DrawTransparent(dc, rect, cell, Magenta);
}

void DrawButtonCaption(TSkinControl& companion, HDC dc, const RECT& rect, UINT alignment, const std::wstring& text)
{
    const UINT flags = alignment | DT_EXPANDTABS | DT_WORDBREAK;
    const std::wstring caption = SplitCaption(text);
    if (caption != text && text == companion.Caption) companion.Caption = caption;
    RECT outer = rect;
    InflateRect(&outer, -2, -2);
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    RECT t = outer;
    SkinDrawText(dc, caption, t, flags | DT_CALCRECT | DT_NOCLIP);
    OffsetRect(&t, -t.left, -t.top);
    const int dy = (Height(outer) - Height(t)) / 2 - 1;
    if (alignment == DT_CENTER) {
        OffsetRect(&t, outer.left + (Width(outer) - Width(t)) / 2, outer.top + dy);
    } else {
        OffsetRect(&t, 0, outer.top + dy);
        t.left = outer.left;
        t.right = outer.right;
    }
    SkinDrawText(dc, caption, t, ReadingOrder(companion, flags));
    SetBkMode(dc, oldMode);
    if (companion.Focused && !(companion.SkinData && companion.SkinData->Has(xoNoFocusRect))) {
        InflateRect(&t, 2, 2);
        DrawFocusRect(dc, &t);
    }
}

void DrawPanelText(const TSkinControl& companion, HDC dc, const RECT& rect, UINT alignment, bool enabled,
                   const std::wstring& text)
{
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    RECT t = rect;
    SkinDrawText(dc, text, t, alignment | DT_CALCRECT | DT_NOCLIP | DT_EXPANDTABS);
    OffsetRect(&t, -t.left, -t.top);
    const int dy = (Height(rect) - Height(t)) / 2 - 1;
    if (alignment == DT_CENTER) {
        OffsetRect(&t, rect.left + (Width(rect) - Width(t)) / 2, rect.top + dy);
    } else {
        OffsetRect(&t, 0, rect.top + dy);
        t.left = rect.left;
        t.right = rect.right;
    }
    COLORREF oldColour = 0;
    if (!enabled) oldColour = SetTextColor(dc, static_cast<COLORREF>(cl::ColorToRGB(cl::clBtnShadow)));
    SkinDrawText(dc, text, t, ReadingOrder(companion, alignment | DT_EXPANDTABS));
    if (!enabled) SetTextColor(dc, oldColour);
    SetBkMode(dc, oldMode);
}

void DrawTextFocusRect(const TSkinControl& companion, HDC dc, UINT flags, const RECT& rect)
{
    RECT m = rect;
    SkinDrawText(dc, companion.Caption, m, flags | DT_CALCRECT | DT_NOCLIP);
    if (flags & DT_CENTER) OffsetRect(&m, (Width(rect) - Width(m)) / 2, (Height(rect) - Height(m)) / 2 - 1);
    else if (flags & DT_RIGHT) OffsetRect(&m, Width(rect) - Width(m), 0);
    InflateRect(&m, 2, 1);
    m.left = std::max(m.left, rect.left);
    m.top = std::max(m.top, rect.top);
    m.right = std::min(m.right, rect.right);
    m.bottom = std::min(m.bottom, rect.bottom);
    DrawFocusRect(dc, &m);
}

void FillColorRect(HDC dc, const RECT& rect, TColor colour)
{
    cl::BrushHandle brush(CreateSolidBrush(static_cast<COLORREF>(cl::ColorToRGB(colour))));
    FillRect(dc, &rect, brush.get());
}

void DrawArrow(HDC dc, int x, int y, int direction)
{
    switch (direction) {
    case 0:
        Line(dc, x, y, x, y - 1);
        Line(dc, x + 1, y + 1, x + 4, y + 4);
        Line(dc, x, y + 1, x + 3, y + 4);
        Line(dc, x, y + 2, x + 2, y + 4);
        Line(dc, x - 1, y + 1, x - 4, y + 4);
        Line(dc, x, y + 2, x - 3, y + 4);
        Line(dc, x, y + 1, x - 2, y + 4);
        break;
    case 1:
        Line(dc, x, y + 3, x, y + 4);
        Line(dc, x + 1, y + 2, x + 4, y - 1);
        Line(dc, x, y + 2, x + 3, y - 1);
        Line(dc, x, y + 1, x + 2, y);
        Line(dc, x - 1, y + 2, x - 4, y - 1);
        Line(dc, x, y + 2, x - 3, y - 1);
        Line(dc, x, y + 1, x - 2, y);
        break;
    case 2: {
        const POINT p[5] = {{x, y}, {x + 1, y + 2}, {x + 1, y - 2}, {x - 1, y}, {x + 1, y + 2}};
        Polyline(dc, p, 5);
        break;
    }
    case 3: {
        const POINT p[5] = {{x, y}, {x - 1, y + 2}, {x - 1, y - 2}, {x + 1, y}, {x - 1, y + 2}};
        Polyline(dc, p, 5);
        break;
    }
    default: break;
    }
}

void PaintMessage(TSkinControl& companion, cl::TMessage& m)
{
    auto paint = [&](HDC dc) {
        RECT r{};
        if (!GetWindowRect(companion.Handle, &r)) return;
        companion.WindowRect = r;
        companion.Paint(dc, RECT{0, 0, r.right - r.left, r.bottom - r.top});
    };
    if (m.WParam) {
        paint(reinterpret_cast<HDC>(m.WParam));
    } else {
        cl::PaintDc dc(companion.Handle);
        paint(dc.get());
    }
}

void EraseBackground(TSkinControl& companion, cl::TMessage& m)
{
    const HDC dc = reinterpret_cast<HDC>(m.WParam);
    if (companion.Control) {
        PaintParentBackground(*companion.Control, dc);
    } else {
        RECT r{};
        GetClientRect(companion.Handle, &r);
        companion.FillParent(dc, r);
    }
    m.Result = 1;
}

TColor ButtonCaptionColour(const TDataSkinButton& buttons, int state, bool enabled, bool normalAlways, TColor own)
{
    TColor colour = own;
    if (buttons.HasNormalColour2 && (normalAlways || state == csNormal)) colour = buttons.NormalColour2;
    if (state == csHot && buttons.HasMouseOverColour2) colour = buttons.MouseOverColour2;
    if (state == csPressed && buttons.HasPressedColour2) colour = buttons.PressedColour2;
    if (!enabled) colour = cl::clBtnShadow;
    return colour;
}

} // namespace skin
