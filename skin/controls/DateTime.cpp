// The date-time picker skin and its arrow button.
#include "skin/controls/DateTime.h"

#include "skin/controls/ComboBoxes.h"
#include "skin/controls/ControlDraw.h"
#include "skin/engine/SkinData.h"

#include <windowsx.h>

namespace skin {

const cl::TClass& TArrowButton::StaticClass()
{
    return cl::DefineClass<TArrowButton, cl::TCustomControl>("TArrowButton");
}

TArrowButton::TArrowButton(cl::TComponent* owner) : cl::TCustomControl(owner), ArrowSize(GetSystemMetrics(SM_CXHSCROLL))
{
    SetTabStop(false);
}

TArrowButton::~TArrowButton() = default;

bool TArrowButton::LeftButton() const
{
    return PickerWindow && (GetWindowLongA(PickerWindow, GWL_EXSTYLE) & WS_EX_LEFTSCROLLBAR);
}

void TArrowButton::Bind(TSkinDateTime* skin, cl::TWinControl* picker)
{
    Skin = skin;
    Picker = picker;
    PickerWindow = picker->Handle();
    SetParent(picker);
    RECT w{};
    GetWindowRect(PickerWindow, &w);
    const int left = LeftButton() ? 2 : (w.right - w.left) - ArrowSize - 4;
    SetBounds(left, 0, ArrowSize, picker->Height() - 4);
    SetWindowLongA(PickerWindow, GWL_STYLE, GetWindowLongA(PickerWindow, GWL_STYLE) | WS_CLIPCHILDREN);
}

void TArrowButton::Reposition(const RECT& rect)
{
    SetLeft(LeftButton() ? 2 : rect.right - ArrowSize - 4);
}

void TArrowButton::Paint()
{
    if (!Skin || !Skin->SkinData || !Picker) return;
    const HDC dc = Canvas()->Handle();
    const RECT dest{0, 0, Width(), Picker->Height() - 4};
    FillColorRect(dc, dest, Skin->SkinColor(scButtonFace));
    const TDataSkinObject* arrow = Skin->SkinData->ComboxArrow.get();
    if (!arrow || !arrow->HasImage() || arrow->Frame <= 0) return;
    const int w = arrow->Bitmap->Width() / arrow->Frame;
    const int frame = (MouseState & 1) ? 4 : 1;
    StretchBlt(dc, dest.left, dest.top, dest.right - dest.left, dest.bottom - dest.top, arrow->Bitmap->Canvas()->Handle(),
               (frame - 1) * w, 0, w, arrow->Bitmap->Height(), SRCCOPY);
}

void TArrowButton::WndProc(cl::TMessage& m)
{
    const bool pickerEnabled = Picker && Picker->Enabled();
    switch (m.Msg) {
    case cl::CM_MOUSEENTER:
        if (pickerEnabled) {
            MouseState |= 1;
            Invalidate();
        }
        break;
    case cl::CM_MOUSELEAVE:
        if (pickerEnabled) {
            MouseState &= ~1u;
            Invalidate();
        }
        break;
    case WM_LBUTTONDOWN: {
        cl::TCustomControl::WndProc(m);
        // The same press and release on the picker's own button, in its client coordinates.
        const LPARAM at = MAKELPARAM(GET_X_LPARAM(m.LParam) + Left(), GET_Y_LPARAM(m.LParam) + Top());
        if (PickerWindow) {
            PostMessageA(PickerWindow, WM_LBUTTONDOWN, m.WParam, at);
            PostMessageA(PickerWindow, WM_LBUTTONUP, m.WParam, at);
        }
        Invalidate();
        return;
    }
    case WM_LBUTTONUP:
        cl::TCustomControl::WndProc(m);
        if (Picker && Picker->CanFocus()) Picker->SetFocus();
        return;
    default: break;
    }
    cl::TCustomControl::WndProc(m);
}

// ---------------------------------------------------------------------------------------

const cl::TClass& TSkinDateTime::StaticClass()
{
    return cl::DefineClass<TSkinDateTime, TSkinControl>("TSkinDateTime");
}

TSkinDateTime::~TSkinDateTime()
{
    if (arrow_) cl::Free(arrow_);
}

void TSkinDateTime::Notification(cl::TComponent& component, cl::TOperation operation)
{
    TSkinControl::Notification(component, operation);
    // The picker frees its child controls before its components.
    if (operation == cl::TOperation::opRemove && &component == arrow_) arrow_ = nullptr;
}

void TSkinDateTime::InitControl(TSkinnedForm* form, TSkinData* data, bool colourControl, cl::TCanvas* canvas)
{
    if (Attached) return;
    TSkinControl::InitControl(form, data, colourControl, canvas);
    if (!Attached || !Control) return;
    arrow_ = new TArrowButton(this);
    arrow_->Bind(this, Control);
}

void TSkinDateTime::AfterProc(cl::TMessage& m)
{
    if (m.Msg == WM_SIZE) {
        if (arrow_) arrow_->Repaint();
        return;
    }
    TSkinControl::AfterProc(m);
}

void TSkinDateTime::Paint(HDC dc, const RECT& rect)
{
    if (arrow_) arrow_->Reposition(rect);
    DrawFlatFrame(*this, dc, rect);
}

} // namespace skin
