// Status bar, group box and panel skins.
#include "skin/controls/Bars.h"

#include "skin/SkinDraw.h"
#include "skin/controls/ControlDraw.h"
#include "skin/controls/PropAccess.h"
#include "skin/engine/SkinData.h"
#include "skin/engine/SkinnedForm.h"

#include "classlib/ComCtrls.h"
#include "classlib/StdCtrls.h"
#include "classlib/WinHandle.h"

#include <commctrl.h>

namespace skin {

namespace {
int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

// Selects an object into a DC and puts the old one back.
class Selected {
public:
    Selected(HDC dc, HGDIOBJ object) : dc_(dc), old_(object ? SelectObject(dc, object) : nullptr) {}
    ~Selected()
    {
        if (old_) SelectObject(dc_, old_);
    }
    Selected(const Selected&) = delete;
    Selected& operator=(const Selected&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

void Frame3D(HDC dc, const RECT& r, TColor topLeft, TColor bottomRight)
{
    FillColorRect(dc, RECT{r.left, r.top, r.right - 1, r.top + 1}, topLeft);
    FillColorRect(dc, RECT{r.left, r.top, r.left + 1, r.bottom - 1}, topLeft);
    FillColorRect(dc, RECT{r.left, r.bottom - 1, r.right, r.bottom}, bottomRight);
    FillColorRect(dc, RECT{r.right - 1, r.top, r.right, r.bottom}, bottomRight);
}
} // namespace

// ---------------------------------------------------------------------------------------
// Status bar

const cl::TClass& TSkinStatusBar::StaticClass()
{
    return cl::DefineClass<TSkinStatusBar, TSkinControl>("TSkinStatusBar");
}

bool TSkinStatusBar::BeforeProc(cl::TMessage& m)
{
    switch (m.Msg) {
    case WM_PAINT: PaintMessage(*this, m); return false;
    case WM_ERASEBKGND: m.Result = 1; return false;
    default: return TSkinControl::BeforeProc(m);
    }
}

void TSkinStatusBar::DrawEdge(HDC dc, const RECT& rect, TEdge edge)
{
    const TDataSkinObject* edges = SkinData ? SkinData->StatusBarEdges.get() : nullptr;
    if (edges && edges->HasImage()) {
        if (Width(rect) <= 0 || Height(rect) <= 0) return;
        // Copied opaquely whatever the object's Trans says.
        auto built = MakeNinePartBitmap(rect, *edges->Bitmap, edges->Margins(), false, edges->Tile == 1, 3, edge);
        if (built)
            BitBlt(dc, rect.left, rect.top, Width(rect), Height(rect), built->Canvas()->Handle(), 0, 0, SRCCOPY);
        return;
    }
    if (edge == edLowered) Frame3D(dc, rect, cl::clBtnShadow, cl::clBtnHighlight);
    else if (edge == edRaised) Frame3D(dc, rect, cl::clBtnHighlight, cl::clBtnShadow);
}

void TSkinStatusBar::Paint(HDC dc, const RECT& R)
{
    auto* bar = dynamic_cast<cl::TStatusBar*>(Control);
    if (!bar || Width(R) <= 0 || Height(R) <= 0) return;
    work_.SetPixelFormat(cl::pf24bit);
    work_.SetSize(Width(R), Height(R));
    const HDC w = work_.Canvas()->Handle();
    FillFace(w, R);

    cl::TFont font;
    font.Assign(*bar->Font());
    font.SetStyle(0);
    TColor textColour = font.Color();
    const TDataSkinObject* edges = SkinData ? SkinData->StatusBarEdges.get() : nullptr;
    if (edges) textColour = edges->NormalColour2;
    Selected selFont(w, font.Handle());
    SetTextColor(w, static_cast<COLORREF>(cl::ColorToRGB(textColour)));

    const cl::TStatusPanels& panels = *bar->Panels();
    if (bar->SimplePanel() || panels.Count() == 0) {
        std::wstring text = GetPropText(bar, "simpletext");
        if (text.empty()) text = L" ";
        DrawEdge(w, R, edLowered);
        RECT t = R;
        InflateRect(&t, -2, 0);
        DrawPanelText(*this, w, t, DT_LEFT, true, text);
    } else {
        for (int i = 0; i < panels.Count(); ++i) {
            RECT p{};
            if (!SendMessageW(Handle, SB_GETRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&p))) continue;
            p.right += 2;
            if (i == panels.Count() - 1) p.right = R.right;
            const cl::TStatusPanel& panel = *panels[i];
            switch (panel.Bevel()) {
            case cl::pbLowered: DrawEdge(w, p, edLowered); break;
            case cl::pbRaised: DrawEdge(w, p, edRaised); break;
            default: DrawEdge(w, p, edNone); break;
            }
            if (panel.Style() == cl::psText) {
                std::wstring text = AnsiToWide(panel.Text());
                if (text.empty()) text = L" ";
                RECT t = p;
                InflateRect(&t, -2, 0);
                DrawPanelText(*this, w, t, AlignmentFlags(panel.Alignment()), true, text);
            }
        }
    }

    const TDataSkinObject* extra = SkinData ? SkinData->ExtraImages.get() : nullptr;
    if ((GetWindowLongA(Handle, GWL_STYLE) & SBARS_SIZEGRIP) && extra && extra->HasImage() && extra->Frame > 0) {
        const int gw = extra->Bitmap->Width() / extra->Frame;
        const int gh = extra->Bitmap->Height();
        DrawStripFrameDC(w, RECT{R.right - 1 - gw, R.bottom - 1 - gh, R.right - 1, R.bottom - 1}, extra->Frame, 5,
                         *extra->Bitmap);
    }

    BitBlt(dc, R.left, R.top, Width(R), Height(R), w, 0, 0, SRCCOPY);
    bar->PaintControls(dc);

    if (bar->OnDrawPanel) {
        for (int i = 0; i < panels.Count(); ++i) {
            RECT p{};
            if (!SendMessageW(Handle, SB_GETRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&p))) continue;
            InflateRect(&p, -2, -2);
            bar->OnDrawPanel(bar, panels[i], p);
        }
    }
}

// ---------------------------------------------------------------------------------------
// Group box

const cl::TClass& TSkinGroupBox::StaticClass()
{
    return cl::DefineClass<TSkinGroupBox, TSkinControl>("TSkinGroupBox");
}

void TSkinGroupBox::InitControl(TSkinnedForm* form, TSkinData* data, bool colourControl, cl::TCanvas* canvas)
{
    TSkinControl::InitControl(form, data, colourControl, canvas);
    if (Control) Variant = 1;
}

bool TSkinGroupBox::BeforeProc(cl::TMessage& m)
{
    const bool pass = TSkinControl::BeforeProc(m);
    if (pass && Variant != 0 && m.Msg == WM_PAINT) {
        PaintMessage(*this, m);
        return false;
    }
    return pass;
}

void TSkinGroupBox::Paint(HDC dc, const RECT& R)
{
    std::wstring caption = GetWindowCaption(Handle);
    if (caption.empty() && Control) caption = GetPropText(Control, "Caption");
    if (Control) FillFace(dc, R);

    HFONT fontHandle = nullptr;
    if (Control) {
        fontHandle = Control->Font()->Handle();
        SetTextColor(dc, static_cast<COLORREF>(cl::ColorToRGB(Control->Font()->Color())));
    } else {
        fontHandle = reinterpret_cast<HFONT>(SendMessageW(Handle, WM_GETFONT, 0, 0));
    }
    Selected selFont(dc, fontHandle);
    SIZE zero{};
    GetTextExtentPoint32A(dc, "0", 1, &zero);
    const int top = zero.cy / 2 - 1;

    if (!Control) {
        cl::BrushHandle face(CreateSolidBrush(static_cast<COLORREF>(SkinColor(scButtonFace))));
        RECT band{0, top, R.right, R.bottom};
        FrameRect(dc, &band, face.get());
        InflateRect(&band, -1, -1);
        FrameRect(dc, &band, face.get());
    }

    cl::PenHandle pen(CreatePen(PS_SOLID, 1, static_cast<COLORREF>(SkinColor(scButtonShadow))));
    {
        Selected selPen(dc, pen.get());
        Selected selBrush(dc, GetStockObject(NULL_BRUSH));
        RoundRect(dc, 1, top, R.right - 1, R.bottom - 1, 5, 5);
    }

    const COLORREF oldBk = SetBkColor(dc, static_cast<COLORREF>(SkinColor(scButtonFace)));
    const int oldMode = SetBkMode(dc, OPAQUE);
    if (GetWindowLongA(Handle, GWL_EXSTYLE) & WS_EX_RIGHT) {
        RECT t{R.left, R.top, R.right - 8, R.bottom};
        SkinDrawText(dc, caption, t, ReadingOrder(*this, DT_EXPANDTABS | DT_RIGHT));
    } else {
        RECT t{R.left + 8, R.top, R.right, R.bottom};
        SkinDrawText(dc, caption, t, DT_EXPANDTABS);
    }
    SetBkMode(dc, oldMode);
    SetBkColor(dc, oldBk);
    if (Variant == 1 && Control) Control->PaintControls(dc);
}

// ---------------------------------------------------------------------------------------
// Panel

const cl::TClass& TSkinBox::StaticClass() { return cl::DefineClass<TSkinBox, TSkinControl>("TSkinBox"); }

void TSkinBox::InitControl(TSkinnedForm* form, TSkinData* data, bool colourControl, cl::TCanvas* canvas)
{
    ColourFlag = colourControl;
    SkinData = data;
    Canvas = canvas;
    Control = dynamic_cast<cl::TWinControl*>(Owner());
    if (!Control) return;
    Handle = Control->Handle();
    Form = form;
    if (form) form->AddControlSkin(*this);
    if (ColourFlag) {
        SetParentBackground(true);
        SavedColor = Control->Color();
        Control->SetColor(SkinColor(scButtonFace));
    }
}

void TSkinBox::Unsubclass()
{
    if (State == cssDetached) return;
    if (ColourFlag && Control) {
        SetParentBackground(false);
        Control->SetColor(SavedColor);
    }
    State = cssDetached;
}

} // namespace skin
