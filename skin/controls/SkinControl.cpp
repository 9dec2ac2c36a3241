// The control skins' base: attaching to a control or a raw window, the message path,
// detaching, and the small services every control skin shares.
#include "skin/engine/SkinControl.h"

#include "skin/controls/PropAccess.h"
#include "skin/engine/SkinData.h"
#include "skin/engine/SkinMessages.h"
#include "skin/engine/SkinnedForm.h"

#include "classlib/WinHandle.h"

namespace skin {

const cl::TClass& TSkinControl::StaticClass()
{
    return cl::DefineClass<TSkinControl, cl::TComponent>("TSkinControl");
}

TSkinControl::TSkinControl(cl::TComponent* owner) : cl::TComponent(owner) {}

TSkinControl::~TSkinControl()
{
    hook_.reset();
    subclass_.reset(); // puts the old procedure back only while ours is current
    if (Form) Form->RemoveControlSkin(*this);
}

void TSkinControl::InitControl(TSkinnedForm* form, TSkinData* data, bool colourControl, cl::TCanvas* canvas)
{
    if (Attached) return;
    auto* control = dynamic_cast<cl::TWinControl*>(Owner());
    if (!control) return;
    ColourFlag = colourControl;
    SkinData = data;
    Form = form;
    Canvas = canvas;
    Control = control;
    Handle = control->Handle();
    UnicodeWindow = IsWindowUnicode(Handle) != FALSE;
    hook_ = std::make_unique<cl::TWindowProcHook>(*control, [this](cl::TMessage& m) { NewWndProc(m); });
    if (form) form->AddControlSkin(*this);
    if (ColourFlag) {
        SetParentBackground(true);
        SavedColor = control->Color();
        control->SetColor(SkinColor(scButtonFace));
    }
    if (ParentBackgroundFlag) Variant = 1;
    control->Invalidate();
    Attached = true;
    State = cssAttached;
}

void TSkinControl::InitHwnd(HWND window, TSkinData* data, TSkinnedForm* form, cl::TCanvas* canvas)
{
    SkinData = data;
    Canvas = canvas;
    Form = form;
    Handle = window;
    Enabled = true;
    Variant = 0;
    if (form) form->AddControlSkin(*this);
    UnicodeWindow = IsWindowUnicode(window) != FALSE;
    Caption = GetWindowCaption(window);
    subclass_ = std::make_unique<cl::TWindowSubclass>(window, [this](cl::TMessage& m) { NewWndProc(m); });
    InvalidateRect(window, nullptr, TRUE);
    Attached = true;
    State = cssAttached;
}

void TSkinControl::Unsubclass()
{
    if (!Active) return;
    Active = false;
    if (State != cssReleased && ColourFlag && Control) {
        SetParentBackground(false);
        Control->SetColor(SavedColor);
    }
}

void TSkinControl::SkinChange()
{
    if (ColourFlag && Control) Control->SetColor(SkinColor(scButtonFace));
    Redraw();
}

void TSkinControl::NewWndProc(cl::TMessage& m)
{
    if (m.Msg == WM_SKIN_CONTROL_ACTIVE) {
        Active = m.WParam > 0;
        if (Active) Redraw();
        return;
    }
    if (!Active) {
        CallPrevProc(m);
        return;
    }
    // A raw window's skin tells the control skin under the mouse when the mouse has left.
    if (m.Msg == WM_MOUSEMOVE && Form && !Form->FormControl) Form->HotControlSkin = this;
    if (BeforeProc(m)) {
        CallPrevProc(m);
        AfterProc(m);
    }
}

void TSkinControl::CallPrevProc(cl::TMessage& m)
{
    if (hook_) hook_->CallPrevious(m);
    else if (subclass_) subclass_->CallOld(m);
}

bool TSkinControl::BeforeProc(cl::TMessage& m)
{
    switch (m.Msg) {
    case WM_NCDESTROY:
        State = cssReleased;
        CallPrevProc(m);
        if (Active) Unsubclass();
        return false;
    case WM_SKIN_QUERY: m.Result = 1; return false;
    default: return true;
    }
}

void TSkinControl::AfterProc(cl::TMessage& m)
{
    switch (m.Msg) {
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_ENABLE:
    case WM_SETTEXT:
    case cl::CM_ENABLEDCHANGED: Redraw(); break;
    case WM_PAINT: PaintControl(reinterpret_cast<HDC>(m.WParam)); break;
    default: break;
    }
}

void TSkinControl::PaintControl(HDC dc)
{
    RECT r{};
    if (!Handle || !GetWindowRect(Handle, &r)) return;
    WindowRect = r;
    const RECT local{0, 0, r.right - r.left, r.bottom - r.top};
    try {
        if (dc) {
            Paint(dc, local);
        } else {
            cl::WindowDc whole(Handle, true);
            if (whole.get()) Paint(whole.get(), local);
        }
    } catch (...) {
        // A faulty skin image must not break the control's messages.
    }
}

void TSkinControl::Paint(HDC, const RECT&) {}

void TSkinControl::Redraw()
{
    if (GraphicControl) {
        GraphicControl->Invalidate();
    } else if (Handle) {
        InvalidateRect(Handle, nullptr, TRUE);
        UpdateWindow(Handle);
    }
}

void TSkinControl::SetParentBackground(bool attaching)
{
    if (!Control || (SkinData && SkinData->Has(xoParentBackGround))) return;
    if (!Control->ClassType().FindProperty("ParentBackground")) return;
    if (attaching) {
        ParentBackgroundFlag = PropIsTrue(Control, "ParentBackground");
        if (ParentBackgroundFlag) SetPropValue(Control, "ParentBackground", "False");
    } else if (ParentBackgroundFlag) {
        SetPropValue(Control, "ParentBackground", "True");
    }
}

TColor TSkinControl::ParentColor(TColor def) const
{
    const cl::TControl* control = Control ? Control : GraphicControl;
    if (!control || !control->Parent()) return def;
    const cl::TPropInfo* p = control->Parent()->ClassType().FindProperty("Color");
    if (!p || p->kind != cl::TTypeKind::Integer) return def;
    return static_cast<TColor>(GetPropInt(control->Parent(), "Color"));
}

TColor TSkinControl::SkinColor(int index) const
{
    const TColor c = SkinData ? SkinData->Colors[static_cast<size_t>(index)] : cl::clBtnFace;
    return cl::ColorToRGB(c);
}

void TSkinControl::FillFace(HDC dc, const RECT& rect) const
{
    cl::BrushHandle brush(CreateSolidBrush(static_cast<COLORREF>(SkinColor(scButtonFace))));
    FillRect(dc, &rect, brush.get());
}

void TSkinControl::FillParent(HDC dc, const RECT& rect) const
{
    cl::BrushHandle brush(CreateSolidBrush(static_cast<COLORREF>(cl::ColorToRGB(ParentColor(SkinColor(scButtonFace))))));
    FillRect(dc, &rect, brush.get());
}

LONG TSkinControl::GetWindowLongX(HWND window, int index) const
{
    return UnicodeWindow ? GetWindowLongW(window, index) : GetWindowLongA(window, index);
}

void TSkinControl::SendMouseLeave()
{
    if (Handle) SendMessageA(Handle, cl::CM_MOUSELEAVE, 0, 0);
}

void TSkinControl::ForwardMouseDown(const cl::TMessage& m)
{
    cl::TControl* control = Control ? static_cast<cl::TControl*>(Control) : GraphicControl;
    if (!control || !control->OnMouseDown) return;
    POINT p{static_cast<short>(LOWORD(m.LParam)), static_cast<short>(HIWORD(m.LParam))};
    // Coordinates past 16 bits do not fit lParam: take the cursor instead.
    if (control->Width() > 0x8000 || control->Height() > 0x8000) {
        GetCursorPos(&p);
        p = control->ScreenToClient(p);
    }
    control->OnMouseDown(control, cl::mbLeft, static_cast<cl::TShiftState>(m.WParam), p.x, p.y);
}

std::wstring GetWindowCaption(HWND window)
{
    const int length = GetWindowTextLengthW(window);
    if (length <= 0) return {};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int got = GetWindowTextW(window, text.data(), length + 1);
    text.resize(static_cast<size_t>(got > 0 ? got : 0));
    return text;
}

bool IsDropDownWindow(HWND window)
{
    if (GetWindowLongA(window, GWL_STYLE) & WS_POPUP) return true;
    // The desktop's handle differs between systems: ask for it.
    return GetParent(window) == GetDesktopWindow();
}

void CopyBitmap(cl::TBitmap& source, cl::TBitmap& dest)
{
    dest.SetPixelFormat(source.PixelFormat());
    dest.SetSize(source.Width(), source.Height());
    dest.Canvas()->Draw(0, 0, source);
}

} // namespace skin
