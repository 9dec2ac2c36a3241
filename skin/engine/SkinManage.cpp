// The skin manager and its window hook.
#include "skin/engine/SkinManage.h"

#include "skin/engine/SkinMessages.h"
#include "skin/engine/SkinnedForm.h"
#include "skin/engine/SkinnedPopMenu.h"

#include "classlib/SysUtils.h"

#include <algorithm>

namespace skin {

TSkinManage* SkinManager = nullptr;

void FreeSkinManager()
{
    delete std::exchange(SkinManager, nullptr);
}

DWORD SkinVersion() { return GetVersion(); }
bool SkinIsNT() { return (SkinVersion() & 0x80000000u) == 0; }

namespace {

cl::AnsiString ClassNameOf(HWND window)
{
    char name[256] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

bool Contains(const cl::AnsiString& text, const char* part) { return text.find(part) != cl::AnsiString::npos; }

// The form of this module whose window is window.
cl::TCustomForm* FindForm(HWND window)
{
    if (cl::Screen)
        for (int i = 0; i < cl::Screen->FormCount(); ++i) {
            cl::TCustomForm* form = cl::Screen->Forms(i);
            if (form->HandleAllocated() && form->Handle() == window) return form;
        }
    return dynamic_cast<cl::TCustomForm*>(ControlOfWindow(window));
}

HWND OwnerWindow(const TSkinData& data)
{
    auto* owner = dynamic_cast<cl::TWinControl*>(data.Owner());
    return owner && owner->HandleAllocated() ? owner->Handle() : nullptr;
}

} // namespace

TSkinManage::TSkinManage() : timer_(std::make_unique<cl::TTimer>(nullptr))
{
    timer_->SetEnabled(false);
    timer_->SetInterval(100);
    timer_->OnTimer = [this](cl::TObject*) { RunAction(); };
}

TSkinManage::~TSkinManage()
{
    Mode = 4;
    Active = false;
    timer_.reset();
    // Unhooked first: no hook call may find the lists half gone.
    hook_.reset();
    UnskinAll();
    for (TSkinnedPopMenu* menu : popupMenus_) delete menu;
    for (TSkinnedPopMenu* menu : retiredMenus_) delete menu;
}

void TSkinManage::InstallHook()
{
    if (hook_) return;
    hook_.reset(SetWindowsHookExA(WH_CBT, &CBTHookProc, nullptr, GetCurrentThreadId()));
}

void TSkinManage::AddSkinData(TSkinData& data)
{
    skinDatas_.push_back(&data);
    if (!MainSkinData && data.SkinFormtype == sfMainform) MainSkinData = &data;
}

void TSkinManage::RemoveSkinData(TSkinData& data)
{
    auto it = std::find(skinDatas_.begin(), skinDatas_.end(), &data);
    if (it == skinDatas_.end()) return;
    skinDatas_.erase(it);
    // Windows skinned with it lose their skin while it still exists: a window that stays
    // gets its frame, region and system menu back; one going away is only unhooked.
    for (size_t i = forms_.size(); i-- > 0;)
        if (i < forms_.size() && forms_[i]->SkinData == &data) {
            TSkinnedForm* form = forms_[i];
            const bool staying = form->SkinState != ssReleased && IsWindow(form->Window) &&
                                 !(form->FormControl && form->FormControl->HasState(cl::csDestroying));
            if (staying) {
                UnskinEntry(form);
                continue;
            }
            form->Unhook();
            cl::Free(form);
        }
    // Open popup-menu windows framed with it paint as the platform does from now on.
    for (auto* menus : {&popupMenus_, &retiredMenus_})
        for (TSkinnedPopMenu* menu : *menus)
            if (menu->SkinData == &data) menu->SkinData = nullptr;
    if (ActionSkinData == &data) {
        ActionSkinData = nullptr;
        timer_->SetEnabled(false);
    }
    if (MainSkinData == &data) {
        MainSkinData = nullptr;
        for (TSkinData* d : skinDatas_)
            if (d->SkinFormtype == sfMainform) {
                MainSkinData = d;
                break;
            }
    }
}

LRESULT CALLBACK TSkinManage::CBTHookProc(int code, WPARAM wParam, LPARAM lParam)
{
    if (code >= 0 && SkinManager) {
        try {
            SkinManager->Hooked(code, wParam, lParam);
        } catch (...) {
            // The window stays as it is; the hook chain goes on.
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void TSkinManage::Hooked(int code, WPARAM wParam, LPARAM lParam)
{
    const auto window = reinterpret_cast<HWND>(wParam);
    switch (code) {
    case HCBT_CREATEWND: {
        // A new size grip of a skinned window gets its control skin at once; MDI children
        // are skinned on creation.
        const auto* create = reinterpret_cast<const CBT_CREATEWNDA*>(lParam);
        if (!create || !create->lpcs) break;
        if ((create->lpcs->style & SBS_SIZEGRIP) && ClassNameOf(window) == "ScrollBar")
            if (TSkinnedForm* parent = FindSkinForm(create->lpcs->hwndParent)) parent->SkinChildWindow(window);
        if (!(create->lpcs->style & WS_CHILD) && ClassNameOf(window) == "#32768") SkinPopupMenu(window);
        if (create->lpcs->dwExStyle & WS_EX_MDICHILD) SkinWindow(window);
        break;
    }
    case HCBT_DESTROYWND: RemovePopupMenu(window); break;
    case HCBT_ACTIVATE:
        if (Mode == 0) Mode = 1;
        SkinWindow(window);
        break;
    default: break;
    }
}

bool TSkinManage::IsMDIClientChild(HWND window) const
{
    const LONG style = GetWindowLongA(window, GWL_STYLE), ex = GetWindowLongA(window, GWL_EXSTYLE);
    if (!(style & WS_CHILD) || (ex & WS_EX_MDICHILD)) return false;
    HWND parent = GetParent(window);
    return parent && cl::LowerCase(ClassNameOf(parent)) == "mdiclient";
}

bool TSkinManage::SkinWindow(HWND window)
{
    if (!Active || !IsWindow(window)) return false;
    Purge();
    if (SendMessageA(window, WM_SKIN_QUERY, 0, 0) == 1 || FindSkinForm(window)) return false;
    cl::TCustomForm* form = FindForm(window);
    if (!SkinAllPass && IsMDIClientChild(window)) return false;
    const cl::AnsiString className = ClassNameOf(window);
    if (!form && className == "#32770" &&
        reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window, GWLP_HINSTANCE)) != cl::ModuleInstance())
        return false;
    RECT r{};
    GetWindowRect(window, &r);
    const bool mdiChild = (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_MDICHILD) != 0;
    if ((r.right - r.left) * (r.bottom - r.top) == 0 && !mdiChild) return false;
    if (form && form->Tag() == 99) return false;
    if (Contains(className, "TcxPopupEditPopupWindow") || Contains(className, "TTERenderWindow") ||
        className == "TApplication")
        return false;
    if (!CanSkin(window, className)) return false;
    TSkinData* data = ChooseSkinData(window);
    if (!data || data->Empty) return false;

    auto* skinned = new TSkinnedForm(form);
    try {
        skinned->Window = window;
        skinned->ClassName = className;
        forms_.push_back(skinned);
        if (form) skinned->AttachForm(*data, *form);
        else skinned->AttachWindow(*data);
    } catch (...) {
        cl::Free(skinned);
        throw;
    }
    PostMessageA(window, WM_SKIN_INIT, 0, 1000);
    return true;
}

bool TSkinManage::CanSkin(HWND window, const cl::AnsiString& className) const
{
    bool doSkin = true;
    if (!MainSkinData) return doSkin;
    const cl::AnsiString lower = cl::LowerCase(className);
    if (!MainSkinData->Has(xoPreview) && Contains(lower, "preview")) doSkin = false;
    if (className == "#32770" && (GetWindowLongA(window, GWL_STYLE) & DS_SETFOREGROUND)) doSkin = false;
    if (lower == "tpopupdbtreeview") doSkin = false;
    MainSkinData->DoFormSkin(window, className, doSkin);
    return doSkin;
}

TSkinData* TSkinManage::ChooseSkinData(HWND window) const
{
    for (size_t i = skinDatas_.size(); i-- > 0;)
        if (skinDatas_[i]->SkinFormtype == sfOnlyThisForm && OwnerWindow(*skinDatas_[i]) == window)
            return skinDatas_[i];
    const cl::AnsiString lower = cl::LowerCase(ClassNameOf(window));
    if (lower == "tmessageform" || lower == "#32770")
        for (size_t i = skinDatas_.size(); i-- > 0;)
            if (skinDatas_[i]->SkinFormtype == sfDialog) return skinDatas_[i];
    for (size_t i = skinDatas_.size(); i-- > 0;)
        if (skinDatas_[i]->SkinFormtype == sfMainform) return skinDatas_[i];
    return skinDatas_.empty() ? nullptr : skinDatas_.front();
}

TSkinnedForm* TSkinManage::FindSkinForm(HWND window) const
{
    for (TSkinnedForm* f : forms_)
        if (f->Window == window) return f;
    return nullptr;
}

void TSkinManage::RemoveForm(TSkinnedForm& form)
{
    auto it = std::find(forms_.begin(), forms_.end(), &form);
    if (it != forms_.end()) forms_.erase(it);
}

void TSkinManage::RequestAction(int action, unsigned interval)
{
    PendingAction = action;
    timer_->SetInterval(interval);
    if (Mode != 0) {
        timer_->SetEnabled(true);
        return;
    }
    if (action == 1) Active = true;
    else if (action == 2) Active = false;
}

void TSkinManage::SkinScreenForm(cl::TCustomForm& form)
{
    if (!form.Visible() || (GetWindowLongA(form.Handle(), GWL_STYLE) & WS_CHILD)) return;
    SkinWindow(form.Handle());
}

void TSkinManage::UnskinEntry(TSkinnedForm* form)
{
    HWND window = form->Window;
    form->Unskin();
    TSkinnedForm::RepaintWindow(window);
    cl::Free(form); // leaves forms_ in its destructor
}

void TSkinManage::RunAction()
{
    timer_->SetEnabled(false);
    TSkinData* data = ActionSkinData;
    if (!data) return;
    const int action = PendingAction;
    if (data->SkinFormtype == sfOnlyThisForm) {
        if (action == 1) {
            Active = SkinAllPass = true;
            if (cl::Screen)
                for (int i = cl::Screen->FormCount(); i-- > 0;)
                    if (cl::Screen->Forms(i) == data->Owner()) {
                        SkinScreenForm(*cl::Screen->Forms(i));
                        break;
                    }
            SkinAllPass = false;
        } else if (action == 2) {
            Active = false;
            Purge();
            for (size_t i = forms_.size(); i-- > 0;)
                if (forms_[i]->SkinData == data) {
                    UnskinEntry(forms_[i]);
                    break;
                }
        } else if (action == 3) {
            Purge();
            for (TSkinnedForm* f : forms_)
                if (f->SkinData == data) {
                    f->BuildCaptionObjects();
                    f->ApplyColours();
                    break;
                }
        }
    } else if (action == 1) {
        Active = SkinAllPass = true;
        Purge();
        if (cl::Screen)
            for (int i = cl::Screen->FormCount(); i-- > 0;) SkinScreenForm(*cl::Screen->Forms(i));
        SkinAllPass = false;
    } else if (action == 2) {
        Active = false;
        Purge();
        while (!forms_.empty()) UnskinEntry(forms_.front());
    } else if (action == 3) {
        Purge();
        std::vector<TSkinnedForm*> mine;
        for (TSkinnedForm* f : forms_)
            if (f->SkinData == data) mine.push_back(f);
        for (TSkinnedForm* f : mine) f->BuildCaptionObjects();
        for (TSkinnedForm* f : mine) f->ApplyColours();
    }
    // The event comes last: its handler may free the component and with it this manager.
    ActionSkinData = nullptr;
    data->DoSkinChanged();
}

void TSkinManage::ForgetMDIFrame(const TSkinnedForm& frame)
{
    if (!frame.MDIClient || MDIClientWindow != frame.MDIClient) return;
    MDIClientWindow = nullptr;
    MDIForm = nullptr;
    for (auto it = forms_.rbegin(); it != forms_.rend(); ++it) {
        const TSkinnedForm* other = *it;
        if (other != &frame && other->WindowKind == wkMDIFrame && other->SkinState != ssReleased &&
            IsWindow(other->MDIClient)) {
            MDIClientWindow = other->MDIClient;
            MDIForm = other->FormControl;
            return;
        }
    }
}

void TSkinManage::ResetCaptionButtons()
{
    if (ActionSkinData) DropCaptionButtons(*ActionSkinData);
}

void TSkinManage::DropCaptionButtons(const TSkinData& data)
{
    for (TSkinnedForm* f : forms_)
        if (f->SkinData == &data) f->FreeCaptionObjects();
}

void TSkinManage::SetMDIMaximized(bool maximized)
{
    const bool changed = MDIMaximized != maximized;
    MDIMaximized = maximized;
    if (!changed || (MainSkinData && MainSkinData->Has(xoMDIChildBorder))) return;
    for (TSkinnedForm* f : forms_) {
        if (f->WindowKind != wkMDIChild) continue;
        if (maximized) {
            f->FreeRegion();
        } else if (f->WindowState != wsMinimized) {
            f->WindowState = wsNormal;
            f->BuildRegion();
            if (!f->RegionOwned())
                SetWindowPos(f->Window, nullptr, 0, 0, 0, 0,
                             SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
        }
    }
}

void TSkinManage::Purge()
{
    if (Mode == 4) return;
    for (size_t i = forms_.size(); i-- > 0;)
        if (i < forms_.size() && forms_[i]->SkinState == ssReleased) cl::Free(forms_[i]);
}

void TSkinManage::UnskinAll()
{
    Active = false;
    while (!forms_.empty()) {
        TSkinnedForm* form = forms_.back();
        form->Unhook();
        forms_.pop_back();
        cl::Free(form);
    }
}

void TSkinManage::SkinPopupMenu(HWND window)
{
    if (!Active || SendMessageA(window, WM_SKIN_QUERY, 0, 0) == 1) return;
    for (TSkinnedPopMenu* menu : popupMenus_)
        if (menu->Window == window) return;
    TSkinData* data = ChooseSkinData(window);
    if (!data || data->Empty) return;
    const bool allowed = MenuKind == 0   ? data->Has(xcPopupMenu)
                         : MenuKind == 1 ? data->Has(xcMainMenu) || data->Has(xcMenuItem)
                                         : data->Has(xcSystemMenu);
    if (!allowed) return;
    auto* menu = new TSkinnedPopMenu();
    try {
        menu->Attach(window, *data, nullptr);
        popupMenus_.push_back(menu);
    } catch (...) {
        delete menu;
        throw;
    }
    menu->FromMenuBar = MenuFromBar;
}

bool TSkinManage::RemovePopupMenu(HWND window)
{
    auto it = std::find_if(popupMenus_.begin(), popupMenus_.end(),
                           [window](const TSkinnedPopMenu* menu) { return menu->Window == window; });
    if (it == popupMenus_.end()) return false;
    TSkinnedPopMenu* menu = *it;
    popupMenus_.erase(it);
    menu->Restore();
    // The window may be destroyed from inside its own procedure, with a message still
    // running through the object: it is freed at the next removal instead.
    for (TSkinnedPopMenu* old : retiredMenus_) delete old;
    retiredMenus_.assign(1, menu);
    if (popupMenus_.empty()) {
        MenuFromBar = false;
        MenuKind = 0;
    }
    return true;
}

void TSkinManage::AssignPopupMenu(HMENU Menu)
{
    if (!Menu) return;
    for (const TSkinnedPopMenu* menu : popupMenus_)
        if (menu->Menu == Menu) return;
    for (auto it = popupMenus_.rbegin(); it != popupMenus_.rend(); ++it)
        if (!(*it)->Menu) {
            (*it)->Menu = Menu;
            return;
        }
}

const cl::TBitmap* TSkinManage::FindPopupBitmap(HMENU Menu) const
{
    if (!Menu) return nullptr;
    for (TSkinnedPopMenu* menu : popupMenus_)
        if (menu->Menu == Menu) return menu->Background();
    return nullptr;
}

} // namespace skin
