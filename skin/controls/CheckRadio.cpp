// Check box and radio button skins.
#include "skin/controls/CheckRadio.h"

#include "skin/controls/Buttons.h"
#include "skin/controls/ControlDraw.h"
#include "skin/controls/PropAccess.h"
#include "skin/engine/SkinData.h"

#include "classlib/SysUtils.h"

namespace skin {

namespace {
int Height(const RECT& r) { return r.bottom - r.top; }
bool HasProp(const cl::TObject* o, const char* name) { return o && o->ClassType().FindProperty(name); }
bool Contains(const cl::AnsiString& s, const char* part) { return s.find(part) != cl::AnsiString::npos; }
} // namespace

const cl::TClass& TSkinCheckBox::StaticClass()
{
    return cl::DefineClass<TSkinCheckBox, TSkinControl>("TSkinCheckBox");
}

const cl::TClass& TSkinRadioButton::StaticClass()
{
    return cl::DefineClass<TSkinRadioButton, TSkinCheckBox>("TSkinRadioButton");
}

void TSkinCheckBox::InitControl(TSkinnedForm* form, TSkinData* data, bool colourControl, cl::TCanvas* canvas)
{
    TSkinControl::InitControl(form, data, colourControl, canvas);
    LastCheck = 0;
    Variant = 0;
    if (!Control) return;
    const TDataSkinButton* buttons = SkinData ? SkinData->Buttons.get() : nullptr;
    const cl::TBitmap* strip = buttons ? (Radio() ? buttons->RadioBitmap.get() : buttons->CheckBitmap.get()) : nullptr;
    Variant = strip && !strip->Empty() ? 1 : 0;
    Transparent = Control->Tag() == SeeThroughTag || (SkinData && SkinData->Has(xoTransparent));
}

bool TSkinCheckBox::BeforeProc(cl::TMessage& m)
{
    const bool pass = TSkinControl::BeforeProc(m);
    switch (m.Msg) {
    case WM_PAINT:
    case WM_PRINTCLIENT:
        if (Variant == 1) {
            PaintMessage(*this, m);
            return false;
        }
        break;
    case WM_ERASEBKGND:
        if (Transparent) {
            EraseBackground(*this, m);
            return false;
        }
        break;
    default: break;
    }
    return pass;
}

void TSkinCheckBox::AfterProc(cl::TMessage& m)
{
    switch (m.Msg) {
    case BM_SETCHECK:
        if (!Radio()) LastCheck = static_cast<int>(m.WParam) + 1;
        Redraw();
        break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case cl::CM_EXIT:
    case 0xB0D0: Redraw(); break;
    default: TSkinControl::AfterProc(m); break;
    }
}

int TSkinCheckBox::FrameNow(int frames)
{
    const LRESULT state = SendMessageW(Handle, Radio() ? BM_GETCHECK : BM_GETSTATE, 0, 0);
    int f = (state & BST_CHECKED) ? 2 : 1;
    if (Control) {
        if (!Radio() && HasProp(Control, "State")) {
            const cl::AnsiString s = cl::LowerCase(GetPropEnum(Control, "State"));
            if (Contains(s, "uncheck")) f = 1;
            else if (Contains(s, "check")) f = 2;
            else if (Contains(s, "gray")) f = 4;
        } else if (HasProp(Control, "Checked")) {
            f = PropIsTrue(Control, "Checked") ? 2 : 1;
        }
        if (!Radio()) {
            if (HasProp(Control, "DataField") && LastCheck != 0) f = LastCheck == 3 ? 4 : LastCheck;
            if (HasProp(Control, "DataBinding")) f = 1;
        }
    }
    const bool disabled = (GetWindowLongX(Handle, GWL_STYLE) & WS_DISABLED) != 0;
    if (Radio()) return RadioFrame(f, disabled, frames);
    return CheckFrame(f, disabled, (state & BST_INDETERMINATE) != 0, frames);
}

void TSkinCheckBox::Paint(HDC dc, const RECT& R)
{
    const TDataSkinButton* buttons = SkinData ? SkinData->Buttons.get() : nullptr;
    cl::TBitmap* strip = buttons ? (Radio() ? buttons->RadioBitmap.get() : buttons->CheckBitmap.get()) : nullptr;
    if (!strip || strip->Empty()) {
        Variant = 0;
        return;
    }
    const int frames = std::max(1, Radio() ? buttons->RadioFrames : buttons->CheckFrames);
    const int gw = strip->Width() / frames, gh = strip->Height();
    const int f = FrameNow(frames);

    const LONG style = GetWindowLongX(Handle, GWL_STYLE);
    const bool rightToLeft = (ReadingOrder(*this, 0) & DT_RTLREADING) != 0;
    const int top = R.top + (Height(R) - gh) / 2;
    RECT glyph{}, text{};
    UINT flags = rightToLeft ? DT_RTLREADING : 0;
    if (style & BS_LEFTTEXT) {
        const int right = Radio() ? R.right - 1 : R.right;
        glyph = RECT{right - gw, top, right, top + gh};
        text = RECT{R.left, R.top, glyph.left - 2, R.bottom};
        flags |= DT_RIGHT;
    } else {
        glyph = RECT{R.left, top, R.left + gw, top + gh};
        text = RECT{glyph.right + 2, R.top, R.right, R.bottom};
    }
    if (Variant == 1 && !Transparent) FillFace(dc, R);
    DrawStripFrameDC(dc, glyph, frames, f, *strip);
    if (Variant == 0) return;

    Caption = GetWindowCaption(Handle);
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(Handle, WM_GETFONT, 0, 0));
    TColor colour = cl::clWindowText;
    if (Control) {
        Caption = GetPropText(Control, "Caption");
        font = Control->Font()->Handle();
        colour = Control->Font()->Color();
    }
    Enabled = !(style & WS_DISABLED);
    if (!Enabled) colour = cl::clBtnShadow;
    const HGDIOBJ oldFont = font ? SelectObject(dc, font) : nullptr;
    const COLORREF oldText = SetTextColor(dc, static_cast<COLORREF>(cl::ColorToRGB(colour)));
    const COLORREF oldBk = SetBkColor(dc, static_cast<COLORREF>(SkinColor(scButtonFace)));
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    RECT measured = text;
    SkinDrawText(dc, Caption, measured, flags | DT_CALCRECT | DT_NOCLIP | DT_EXPANDTABS | DT_WORDBREAK);
    OffsetRect(&text, 0, (Height(text) - measured.bottom) / 2);
    Focused = GetFocus() == Handle;
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    GetVersionExA(&version);
    // Version 6 draws its own focus cue.
    if (Focused && !Caption.empty() && version.dwMajorVersion != 6)
        DrawTextFocusRect(*this, dc, flags | DT_EXPANDTABS | DT_WORDBREAK, text);
    SkinDrawText(dc, Caption, text, flags | DT_EXPANDTABS | DT_WORDBREAK);
    SetBkMode(dc, oldMode);
    SetBkColor(dc, oldBk);
    SetTextColor(dc, oldText);
    if (oldFont) SelectObject(dc, oldFont);
}

} // namespace skin
