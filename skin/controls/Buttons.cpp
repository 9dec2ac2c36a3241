// Push-button skins.
#include "skin/controls/Buttons.h"

#include "skin/SkinDraw.h"
#include "skin/controls/ControlDraw.h"
#include "skin/controls/PropAccess.h"
#include "skin/engine/SkinData.h"

#include "classlib/StdCtrls.h"
#include "classlib/SysUtils.h"

namespace skin {

namespace {
int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }
} // namespace

const cl::TClass& TSkinButton::StaticClass()
{
    return cl::DefineClass<TSkinButton, TSkinControl>("TSkinButton");
}

void TSkinButton::InitControl(TSkinnedForm* form, TSkinData* data, bool colourControl, cl::TCanvas* canvas)
{
    TSkinControl::InitControl(form, data, colourControl, canvas);
    if (!Control) return;
    const cl::AnsiString name = cl::LowerCase(Control->ClassType().Name());
    Variant = name.rfind("twyr", 0) == 0 || name.rfind("tel", 0) == 0 ? 1 : 0;
    SeeThrough = Control->Tag() == SeeThroughTag || (SkinData && SkinData->Has(xoTransparent));
}

bool TSkinButton::BeforeProc(cl::TMessage& m)
{
    switch (m.Msg) {
    case WM_PAINT: PaintMessage(*this, m); return false;
    case WM_ERASEBKGND: m.Result = 1; return false;
    case WM_TIMER: KillTimer(Handle, 1); return false;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (GetFocus() != Handle) SetFocus(Handle);
        SetPressed(true);
        PaintControl(nullptr);
        if (Variant == 0 && Control) ForwardMouseDown(m);
        return false;
    default: return TSkinControl::BeforeProc(m);
    }
}

void TSkinButton::AfterProc(cl::TMessage& m)
{
    switch (m.Msg) {
    case WM_SETTEXT: PaintControl(nullptr); break;
    case WM_KEYDOWN:
        if (m.WParam == VK_SPACE) {
            SetPressed(true);
            Redraw();
        }
        break;
    case WM_KEYUP:
        if (m.WParam == VK_SPACE) {
            SetPressed(false);
            Redraw();
        }
        break;
    case WM_MOUSEMOVE:
        if (Enabled && !Hot()) {
            SetHot(true);
            Redraw();
        }
        SkinTrackMouseLeave(Handle);
        break;
    case WM_LBUTTONUP:
        if (Pressed()) {
            SetPressed(false);
            Redraw();
            Click();
        }
        break;
    case WM_MOUSELEAVE:
        SetHot(false);
        SetPressed(false);
        Redraw();
        break;
    case cl::CM_DIALOGKEY:
    case cl::CM_FOCUSCHANGED: Redraw(); break;
    default: TSkinControl::AfterProc(m); break;
    }
}

void TSkinButton::Click()
{
    if (Control) {
        if (auto* button = dynamic_cast<cl::TButton*>(Control)) button->Click();
        return;
    }
    char name[101] = {};
    GetClassNameA(Handle, name, 100);
    const WPARAM id = cl::LowerCase(name) == "tbutton" ? 0 : static_cast<WPARAM>(GetDlgCtrlID(Handle));
    PostMessageA(GetParent(Handle), WM_COMMAND, id, reinterpret_cast<LPARAM>(Handle));
}

void TSkinButton::Paint(HDC dc, const RECT& R)
{
    const TDataSkinButton* buttons = SkinData ? SkinData->Buttons.get() : nullptr;
    if (!buttons || !buttons->HasImage() || Width(R) <= 0 || Height(R) <= 0) return;
    Focused = GetFocus() == Handle;
    Enabled = !(GetWindowLongX(Handle, GWL_STYLE) & WS_DISABLED);
    const bool isDefault = PropIsTrue(Control, "Default");
    Caption = Control ? GetPropText(Control, "Caption") : GetWindowCaption(Handle);
    const TControlState state = StateCode(!Enabled, Pressed(), Hot(), Focused || isDefault);

    bitmap_.SetPixelFormat(cl::pf24bit);
    bitmap_.SetSize(Width(R), Height(R));
    const HDC b = bitmap_.Canvas()->Handle();
    if (SeeThrough && Control) PaintParentBackground(*Control, b);
    else FillFace(b, R);
    DrawSkinFrame(b, R, buttons->Frame, state, *buttons);

    TColor own = SkinColor(scButtonText);
    HFONT font = nullptr;
    if (Control) {
        font = Control->Font()->Handle();
        own = Control->Font()->Color();
    } else {
        font = reinterpret_cast<HFONT>(SendMessageW(Handle, WM_GETFONT, 0, 0));
    }
    const HGDIOBJ oldFont = font ? SelectObject(b, font) : nullptr;
    SetTextColor(b, static_cast<COLORREF>(cl::ColorToRGB(ButtonCaptionColour(*buttons, state, Enabled, true, own))));
    DrawButtonCaption(*this, b, R, DT_CENTER, Caption);
    BitBlt(dc, R.left, R.top, Width(R), Height(R), b, 0, 0, SRCCOPY);
    if (oldFont) SelectObject(b, oldFont);
}

} // namespace skin
