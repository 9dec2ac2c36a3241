// The MDI client of a skinned MDI frame: its scroll bars, the frame's menu bar through
// child creation, destruction and menu changes, and the frame redraw a maximised child asks
// for.
#include "skin/engine/SkinManage.h"
#include "skin/engine/SkinMessages.h"
#include "skin/engine/SkinnedForm.h"

namespace skin {

void TSkinnedForm::SubclassMDIClient()
{
    if (!MDIClient || mdiClientSubclass_) return;
    mdiClientSubclass_ =
        std::make_unique<cl::TWindowSubclass>(MDIClient, [this](cl::TMessage& m) { MDIClientWndProc(m); });
}

void TSkinnedForm::UnsubclassMDIClient()
{
    mdiClientSubclass_.reset();
    if (SkinManager) SkinManager->ForgetMDIFrame(*this);
}

void TSkinnedForm::CallOldMDIClientProc(cl::TMessage& m)
{
    if (mdiClientSubclass_) mdiClientSubclass_->CallOld(m);
}

bool TSkinnedForm::ActiveMDIChildMaximized() const
{
    if (WindowKind != wkMDIFrame || !MDIClient) return false;
    BOOL maximized = FALSE;
    const auto child =
        reinterpret_cast<HWND>(SendMessageA(MDIClient, WM_MDIGETACTIVE, 0, reinterpret_cast<LPARAM>(&maximized)));
    return child && maximized;
}

void TSkinnedForm::MDIClientWndProc(cl::TMessage& m)
{
    switch (m.Msg) {
    case WM_NCDESTROY:
        CallOldMDIClientProc(m);
        UnsubclassMDIClient(); // the stub outlives the call it is in
        return;
    case WM_NCCALCSIZE:
        if (FrameSkinning && SkinData && !SkinData->Has(xoMDIScrollbar)) {
            const LONG style = GetWindowLongA(MDIClient, GWL_STYLE);
            if (style & (WS_HSCROLL | WS_VSCROLL))
                SetWindowLongA(MDIClient, GWL_STYLE, style & ~(WS_HSCROLL | WS_VSCROLL));
        }
        CallOldMDIClientProc(m);
        return;
    case WM_MDICREATE:
        // The frame's menu changes while a child is made: the bar keeps its items.
        if (SkinData) SkinData->MenuUpdate = false;
        CallOldMDIClientProc(m);
        return;
    case WM_MDIDESTROY:
        CallOldMDIClientProc(m);
        if (!FrameSkinning) return;
        if (SkinManager) SkinManager->SetMDIMaximized(ActiveMDIChildMaximized());
        if (MenuBar() && !SendMessageA(MDIClient, WM_MDIGETACTIVE, 0, 0)) {
            if (SkinData) SkinData->MenuUpdate = SavedMenuUpdate;
            MenuBar()->RebuildItems();
        }
        return;
    case WM_MDITILE:
    case WM_MDICASCADE:
        if (FrameSkinning && SkinManager && SkinManager->MDIMaximized) SkinManager->SetMDIMaximized(false);
        CallOldMDIClientProc(m);
        return;
    case WM_MDISETMENU:
        CallOldMDIClientProc(m);
        if (!FrameSkinning) return;
        if (m.WParam && MenuBar()) {
            MenuBar()->WindowMenu = reinterpret_cast<HMENU>(m.WParam);
            MenuBar()->RebuildItems();
        }
        SetMenu(Window, nullptr);
        return;
    case WM_SKIN_MDI_REDRAW:
        RedrawWindow(Window, nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
        return;
    default: CallOldMDIClientProc(m); return;
    }
}

} // namespace skin
