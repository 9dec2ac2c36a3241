// Glyph, speed and menu button skins.
#include "skin/controls/GlyphButtons.h"

#include "skin/SkinDraw.h"
#include "skin/controls/ControlDraw.h"
#include "skin/controls/PropAccess.h"
#include "skin/controls/Sheets.h"
#include "skin/engine/SkinData.h"
#include "skin/engine/SkinnedForm.h"

#include "classlib/ImgList.h"
#include "classlib/SysUtils.h"
#include "classlib/WinHandle.h"

namespace skin {

namespace {
int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

// One cell of a glyph strip of count cells at (x, y), its corner colour left out. A
// one-cell glyph shown disabled is greyed instead.
void DrawGlyph(cl::TCanvas& canvas, int x, int y, int count, int glyphState, cl::TBitmap& glyph)
{
    if (glyph.Empty() || count <= 0) return;
    const int w = glyph.Width() / count, h = glyph.Height();
    if (w <= 0) return;
    std::unique_ptr<cl::TBitmap> greyed;
    cl::TBitmap* source = &glyph;
    int cell = count < glyphState ? 0 : glyphState - 1;
    if (glyphState == gsDisabled && count == 1) {
        greyed = CreateDisabledGlyph(glyph);
        source = greyed.get();
        cell = 0;
    }
    cl::TBitmap piece;
    piece.SetPixelFormat(cl::pf24bit);
    piece.SetSize(w, h);
    BitBlt(piece.Canvas()->Handle(), 0, 0, w, h, source->Canvas()->Handle(), cell * w, 0, SRCCOPY);
    piece.SetTransparentMode(cl::tmAuto);
    piece.SetTransparent(true);
    canvas.Draw(x, y, piece);
}

// The glyph layout's order along its axis: 0 glyph left, 1 right, 2 top, 3 bottom.
int LayoutOf(const cl::TObject* control)
{
    const cl::AnsiString layout = cl::LowerCase(GetPropEnum(control, "Layout"));
    if (layout == "blglyphright") return 1;
    if (layout == "blglyphtop") return 2;
    if (layout == "blglyphbottom") return 3;
    return 0;
}

int IntProp(const cl::TObject* control, const char* name) { return static_cast<int>(GetPropInt(control, name)); }

// A copy of a window's WM_GETFONT font on the canvas (the window keeps its own).
void TakeWindowFont(cl::TCanvas& canvas, HWND window)
{
    const auto font = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
    LOGFONTA lf{};
    if (font && GetObjectA(font, sizeof lf, &lf) == sizeof lf) canvas.Font().SetHandle(CreateFontIndirectA(&lf));
}
} // namespace

// ---------------------------------------------------------------------------------------
// Glyph buttons

const cl::TClass& TSkinBitButton::StaticClass()
{
    return cl::DefineClass<TSkinBitButton, TSkinButton>("TSkinBitButton");
}

cl::TControl* TSkinBitButton::PropControl() const
{
    return Control ? static_cast<cl::TControl*>(Control) : GraphicControl;
}

void TSkinBitButton::Paint(HDC dc, const RECT& R)
{
    const TDataSkinButton* buttons = SkinData ? SkinData->Buttons.get() : nullptr;
    if (!buttons || !buttons->HasImage() || Width(R) <= 0 || Height(R) <= 0) return;
    Focused = GetFocus() == Handle;
    Enabled = !(GetWindowLongX(Handle, GWL_STYLE) & WS_DISABLED);
    const bool png = !GraphicProperty.empty();
    const bool isDefault = !png && PropIsTrue(Control, "Default");
    const TControlState state = StateCode(!Enabled, Pressed(), Hot(), Focused || isDefault);

    bitmap_.SetPixelFormat(cl::pf24bit);
    bitmap_.SetSize(Width(R), Height(R));
    cl::TCanvas& canvas = *bitmap_.Canvas();
    const HDC b = canvas.Handle();
    if (SeeThrough && Control) PaintParentBackground(*Control, b);
    else FillFace(b, R);
    DrawSkinFrame(b, R, buttons->Frame, state, *buttons);
    // "NormalColour2" colours the caption in every state; the PNG variant keeps it to state 1.
    DrawGlyphAndCaption(R, state, GlyphStateOf(state), !png);
    BitBlt(dc, R.left, R.top, Width(R), Height(R), b, 0, 0, SRCCOPY);
}

void TSkinBitButton::DrawGlyphAndCaption(const RECT& R, int state, int glyphState, bool normalAlways)
{
    const TDataSkinButton& buttons = *SkinData->Buttons;
    cl::TControl* control = PropControl();
    cl::TCanvas& canvas = *bitmap_.Canvas();
    const bool png = !GraphicProperty.empty();

    // Font: the window's own, then the control's "Font" over it.
    if (control) {
        canvas.Font().Assign(*control->Font());
    } else if (Handle) {
        TakeWindowFont(canvas, Handle);
        canvas.Font().SetColor(SkinColor(scButtonText));
    }
    const TColor own = canvas.Font().Color();

    cl::TBitmap* glyph = nullptr;
    cl::TGraphic* graphic = nullptr;
    cl::TCustomImageList* images = nullptr;
    int count = IntProp(control, "NumGlyphs");
    if (count < 1) count = 1; // 0 as well: the cell width divides by it
    const int imageIndex = IntProp(control, "ImageIndex");
    int gw = 0, gh = 0;
    if (png) {
        graphic = static_cast<cl::TGraphic*>(GetPropObject(control, GraphicProperty, cl::TGraphic::StaticClass()));
        if (graphic && !graphic->Empty()) {
            gw = graphic->Width() / count;
            gh = graphic->Height();
        }
    } else {
        glyph = static_cast<cl::TBitmap*>(GetPropObject(control, "Glyph", cl::TBitmap::StaticClass()));
        images = static_cast<cl::TCustomImageList*>(
            GetPropObject(control, "Images", cl::TCustomImageList::StaticClass()));
        if (glyph && !glyph->Empty()) {
            gw = glyph->Width() / count;
            gh = glyph->Height();
        } else if (images && imageIndex != -1) {
            gw = images->Width();
            gh = images->Height();
        }
    }
    const int layout = LayoutOf(control);
    const bool vertical = layout >= 2;

    const std::wstring caption =
        SplitCaption(control ? GetPropText(control, "Caption") : Handle ? GetWindowCaption(Handle) : Caption);
    Caption = caption;
    RECT room = R;
    InflateRect(&room, -2, -2);
    if (vertical) room.bottom -= gh + 2;
    else room.right -= gw + 2;
    SIZE text{0, 0};
    if (!caption.empty()) {
        RECT t = room;
        SkinDrawText(canvas.Handle(), caption, t, DT_CALCRECT | DT_WORDBREAK);
        text = {Width(t), Height(t)};
    }

    // Across the layout axis both are centred; along it, margin and spacing place them.
    const int client = vertical ? Height(R) : Width(R);
    const int glyphSize = vertical ? gh : gw, textSize = vertical ? text.cy : text.cx;
    const bool centred = cl::LowerCase(GetPropEnum(control, "Alignment")) == "tacenter";
    TGlyphPlacement place =
        PlaceGlyph(client, glyphSize, textSize, IntProp(control, "Margin"), IntProp(control, "Spacing"), centred);
    int glyphPos = 0, textPos = 0;
    UINT flags = DT_WORDBREAK;
    if (layout == 0 || layout == 2) {
        glyphPos = place.margin;
        textPos = glyphPos + glyphSize + place.spacing;
        if (layout == 2) flags |= DT_CENTER;
    } else {
        glyphPos = client - place.margin - glyphSize;
        textPos = glyphPos - place.spacing - textSize;
        flags |= layout == 1 ? DT_RIGHT : DT_CENTER;
    }
    POINT g{}, t{};
    if (vertical) {
        g = {(Width(R) - gw + 1) / 2, glyphPos};
        t = {(Width(R) - text.cx + 1) / 2, textPos};
    } else {
        g = {glyphPos, (Height(R) - gh + 1) / 2};
        t = {textPos, (Height(R) - text.cy + 1) / 2};
    }

    if (png) {
        if (graphic && gw > 0) canvas.Draw(g.x, g.y, *graphic);
    } else if (glyph && !glyph->Empty()) {
        DrawGlyph(canvas, g.x, g.y, count, glyphState, *glyph);
    } else if (images && gw > 0) {
        if (state != csDisabled) {
            images->Draw(canvas, g.x, g.y, imageIndex, true);
        } else {
            const int disabledIndex = IntProp(control, "DisabledIndex");
            images->Draw(canvas, g.x, g.y, disabledIndex != -1 ? disabledIndex : imageIndex, false);
        }
    }

    const TColor colour = ButtonCaptionColour(buttons, state, state != csDisabled, normalAlways, own);
    const HDC b = canvas.Handle();
    SetTextColor(b, static_cast<COLORREF>(cl::ColorToRGB(colour)));
    if (caption.empty()) return;
    RECT tr{t.x, t.y, t.x + text.cx, t.y + text.cy};
    const int oldMode = SetBkMode(b, TRANSPARENT);
    SkinDrawText(b, caption, tr, png ? flags : ReadingOrder(*this, flags));
    SetBkMode(b, oldMode);
    if (Focused && !SkinData->Has(xoNoFocusRect)) {
        InflateRect(&tr, 2, 2);
        DrawFocusRect(b, &tr);
    }
}

// ---------------------------------------------------------------------------------------
// Speed buttons

const cl::TClass& TSkinSpeedButton::StaticClass()
{
    return cl::DefineClass<TSkinSpeedButton, TSkinBitButton>("TSkinSpeedButton");
}

TSkinSpeedButton::~TSkinSpeedButton() = default; // the base gives the control its WindowProc back

void TSkinSpeedButton::InitGraphic(TSkinnedForm* form, TSkinData* data, cl::TCanvas* canvas)
{
    SkinData = data;
    Canvas = canvas;
    GraphicControl = dynamic_cast<cl::TControl*>(Owner());
    Form = form;
    if (!GraphicControl) return;
    hook_ = std::make_unique<cl::TWindowProcHook>(*GraphicControl, [this](cl::TMessage& m) { NewWndProc(m); });
    if (form) form->AddControlSkin(*this);
    Attached = true;
    State = cssAttached;
    SeeThrough = GraphicControl->Tag() == SeeThroughTag || (data && data->Has(xoTransparent));
}

bool TSkinSpeedButton::BeforeProc(cl::TMessage& m)
{
    switch (m.Msg) {
    case WM_PAINT:
        if (m.WParam) PaintSpeed(reinterpret_cast<HDC>(m.WParam));
        m.Result = 1;
        return false;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        CallPrevProc(m);
        SetPressed(true);
        PaintControl(nullptr);
        return false;
    case WM_LBUTTONUP: return true;
    default: return TSkinButton::BeforeProc(m);
    }
}

void TSkinSpeedButton::AfterProc(cl::TMessage& m)
{
    switch (m.Msg) {
    case WM_ENABLE:
    case cl::CM_FOCUSCHANGED:
    case cl::CM_ENABLEDCHANGED: break;
    case WM_NCDESTROY:
    case cl::CM_RELEASE: hook_.reset(); break;
    case WM_KEYDOWN:
        if (m.WParam == VK_SPACE) {
            SetPressed(true);
            PaintControl(nullptr);
        }
        break;
    case WM_KEYUP:
        if (m.WParam != VK_SPACE) break;
        [[fallthrough]];
    case WM_LBUTTONUP:
        SetPressed(false);
        PaintControl(nullptr);
        break;
    case cl::CM_MOUSEENTER:
        SetHot(true);
        PaintControl(nullptr);
        break;
    case cl::CM_MOUSELEAVE:
        SetHot(false);
        SetPressed(false);
        if (GraphicControl && GraphicControl->Visible()) PaintControl(nullptr);
        break;
    default: TSkinButton::AfterProc(m); break;
    }
}

void TSkinSpeedButton::PaintControl(HDC dc)
{
    try {
        if (dc) {
            PaintSpeed(dc);
            return;
        }
        // A windowless control draws on its parent's window, clipped to its own place.
        if (!GraphicControl || !GraphicControl->Parent() || !GraphicControl->Parent()->HandleAllocated()) return;
        cl::WindowDc client(GraphicControl->Parent()->Handle(), false);
        if (!client.get()) return;
        const RECT b = GraphicControl->BoundsRect();
        cl::SavedDc saved(client.get());
        OffsetViewportOrgEx(client.get(), b.left, b.top, nullptr);
        IntersectClipRect(client.get(), 0, 0, Width(b), Height(b));
        PaintSpeed(client.get());
    } catch (...) {
        // A faulty skin image must not break the control's messages.
    }
}

void TSkinSpeedButton::PaintSpeed(HDC dc)
{
    const TDataSkinButton* buttons = SkinData ? SkinData->Buttons.get() : nullptr;
    if (painting_ || !GraphicControl || !buttons || !buttons->HasImage()) return;
    if (cl::LowerCase(GetPropEnum(GraphicControl, "Visible")) == "false") return;
    const RECT R{0, 0, GraphicControl->Width(), GraphicControl->Height()};
    if (Width(R) <= 0 || Height(R) <= 0) return;
    painting_ = true;
    struct Guard {
        bool& flag;
        ~Guard() { flag = false; }
    } guard{painting_};

    int state = csNormal, glyphState = gsUp;
    Enabled = PropIsTrue(GraphicControl, "Enabled");
    if (PropIsTrue(GraphicControl, "Down")) {
        state = csPressed;
        glyphState = gsDown;
    } else if (!Enabled) {
        state = csDisabled;
        glyphState = gsDisabled;
    } else if (Pressed()) {
        state = csPressed;
        glyphState = gsPressed;
    } else if (Hot()) {
        state = csHot;
    }
    Focused = false;

    bitmap_.SetPixelFormat(cl::pf24bit);
    bitmap_.SetSize(Width(R), Height(R));
    cl::TCanvas& canvas = *bitmap_.Canvas();
    const HDC b = canvas.Handle();
    if (SeeThrough) PaintParentBackground(*GraphicControl, b);
    else FillFace(b, R);
    if (state == csPressed || state == csHot || !PropIsTrue(GraphicControl, "Flat"))
        DrawSkinFrame(b, R, buttons->Frame, state, *buttons);

    bool hasGlyph = false;
    if (!GraphicProperty.empty()) {
        auto* g = static_cast<cl::TGraphic*>(GetPropObject(GraphicControl, GraphicProperty, cl::TGraphic::StaticClass()));
        hasGlyph = g && g->Width() * g->Height() != 0;
    } else {
        auto* g = static_cast<cl::TBitmap*>(GetPropObject(GraphicControl, "Glyph", cl::TBitmap::StaticClass()));
        hasGlyph = g && g->Width() * g->Height() != 0;
    }
    if (hasGlyph) {
        DrawGlyphAndCaption(R, state, glyphState, false);
    } else {
        canvas.Font().Assign(*GraphicControl->Font());
        SetTextColor(b, static_cast<COLORREF>(cl::ColorToRGB(
                            ButtonCaptionColour(*buttons, state, Enabled, true, GraphicControl->Font()->Color()))));
        DrawButtonCaption(*this, b, R, DT_CENTER, GetPropText(GraphicControl, "Caption"));
    }
    BitBlt(dc, 0, 0, Width(R), Height(R), b, 0, 0, SRCCOPY);
}

// ---------------------------------------------------------------------------------------
// Menu buttons

const cl::TClass& TSkinMenuButton::StaticClass()
{
    return cl::DefineClass<TSkinMenuButton, TSkinButton>("TSkinMenuButton");
}

TGlyphPlacement PlaceMenuGlyph(int width, int glyph, int text, int margin, int spacing)
{
    TGlyphPlacement p{margin, spacing};
    if (margin == -1 && spacing == -1) {
        p.margin = (width - glyph - text - 8) / 4;
        p.spacing = p.margin;
    } else if (margin == -1) {
        p.margin = (width - glyph - text - 2 * spacing - 8) / 2;
    } else if (spacing == -1) {
        p.spacing = (width + 8 - 2 * margin - glyph - text) / 2;
    }
    return p;
}

void TSkinMenuButton::Paint(HDC dc, const RECT& R)
{
    const TDataSkinButton* buttons = SkinData ? SkinData->Buttons.get() : nullptr;
    if (!buttons || !buttons->HasImage() || Width(R) <= 0 || Height(R) <= 0) return;
    Focused = GetFocus() == Handle;
    Enabled = !(GetWindowLongX(Handle, GWL_STYLE) & WS_DISABLED);
    int state = csNormal;
    if (!Enabled) state = csDisabled;
    else if (Pressed()) state = csPressed;
    else if (Focused || Hot()) state = csHot;

    bitmap_.SetPixelFormat(cl::pf24bit);
    bitmap_.SetSize(Width(R), Height(R));
    cl::TCanvas& canvas = *bitmap_.Canvas();
    const HDC b = canvas.Handle();
    if (SeeThrough && Control) PaintParentBackground(*Control, b);
    else FillFace(b, R);
    DrawSkinFrame(b, R, buttons->Frame, state, *buttons);

    TColor own = SkinColor(scButtonText);
    if (Control) {
        canvas.Font().Assign(*Control->Font());
        own = Control->Font()->Color();
    } else {
        TakeWindowFont(canvas, Handle);
    }

    auto* glyph = static_cast<cl::TBitmap*>(GetPropObject(Control, "Glyph", cl::TBitmap::StaticClass()));
    const bool hasGlyph = glyph && !glyph->Empty();
    const int gw = hasGlyph ? glyph->Width() : 0, gh = hasGlyph ? glyph->Height() : 0;
    const std::wstring caption = Control ? GetPropText(Control, "Caption") : GetWindowCaption(Handle);
    Caption = caption;
    RECT room{0, 0, Width(R) - gw - 8, Height(R)};
    InflateRect(&room, -2, -2);
    SIZE text{0, 0};
    if (!caption.empty()) {
        RECT t = room;
        SkinDrawText(b, caption, t, DT_CALCRECT | DT_WORDBREAK);
        text = {Width(t), Height(t)};
    }
    const TGlyphPlacement place = PlaceMenuGlyph(Width(R), gw, text.cx, IntProp(Control, "Margin"),
                                                 IntProp(Control, "Spacing"));
    if (hasGlyph) DrawGlyph(canvas, place.margin, (Height(R) - gh) / 2, 1, gsUp, *glyph);
    const int textLeft = place.margin + gw + place.spacing;
    const int textTop = (Height(R) - text.cy + 1) / 2;
    const int x = textLeft + text.cx + 2 * place.spacing, y = (Height(R) - 3) / 2;

    TColor colour = ButtonCaptionColour(*buttons, state, Enabled, false, own);
    const TColor ink = Enabled ? cl::clWindowText : cl::clBtnShadow;
    if (!Enabled) colour = ink;
    const COLORREF inkRgb = static_cast<COLORREF>(cl::ColorToRGB(ink));
    {
        cl::BrushHandle brush(CreateSolidBrush(inkRgb));
        cl::PenHandle pen(CreatePen(PS_SOLID, 1, inkRgb));
        cl::SelectGuard selectBrush(b, brush.get());
        cl::SelectGuard selectPen(b, pen.get());
        const POINT arrow[3] = {{x, y + 2}, {x - 3, y - 1}, {x + 3, y - 1}};
        Polygon(b, arrow, 3);
    }
    if (!caption.empty()) {
        SetTextColor(b, static_cast<COLORREF>(cl::ColorToRGB(colour)));
        RECT tr{textLeft, textTop, textLeft + text.cx, textTop + text.cy};
        const int oldMode = SetBkMode(b, TRANSPARENT);
        SkinDrawText(b, caption, tr, DT_WORDBREAK);
        SetBkMode(b, oldMode);
        if (Focused && !SkinData->Has(xoNoFocusRect)) {
            InflateRect(&tr, 2, 2);
            DrawFocusRect(b, &tr);
        }
    }
    BitBlt(dc, R.left, R.top, Width(R), Height(R), b, 0, 0, SRCCOPY);
}

} // namespace skin
