#include "tray/WyrTray.h"

#include "tray/WyrTrayTip.h"

#include <cstddef>
#include <cstring>

// One platform record serves both layouts: the old one is its first 88 bytes, with the tip
// at the same place, cut shorter.
static_assert(sizeof(NOTIFYICONDATAA) >= 488 && offsetof(NOTIFYICONDATAA, szTip) == 24 &&
              sizeof(NOTIFYICONDATAA::szTip) == 128);

const cl::TEnumType WyrTrayIconClicksType{{"ticNone", "ticLeftClick", "ticLeftDblClick", "ticLeftClickUp",
                                           "ticRightClick", "ticRightDblClick", "ticRightClickUp"}};

UINT TaskbarCreatedMessage()
{
    static const UINT message = RegisterWindowMessageA("TaskbarCreated");
    return message;
}

const cl::TClass& TWyrTrayIcon::StaticClass()
{
    return cl::DefineClass<TWyrTrayIcon, cl::TComponent>("TWyrTrayIcon", [](cl::TPublisher<TWyrTrayIcon>& p) {
        p.Bool("Animate", &TWyrTrayIcon::Animate, &TWyrTrayIcon::SetAnimate);
        p.Bool("Enabled", &TWyrTrayIcon::Enabled, &TWyrTrayIcon::SetEnabled);
        p.Bool("HideOnMinimize", &TWyrTrayIcon::HideOnMinimize, &TWyrTrayIcon::HideOnMinimize);
        p.Bool("HideOnStartup", &TWyrTrayIcon::HideOnStartup, &TWyrTrayIcon::HideOnStartup);
        p.String("Hint", &TWyrTrayIcon::Hint, &TWyrTrayIcon::SetHint);
        p.Ref("PopupMenu", &TWyrTrayIcon::PopupMenu, &TWyrTrayIcon::SetPopupMenu);
        p.Ref("Icons", &TWyrTrayIcon::Icons, &TWyrTrayIcon::SetIcons);
        p.Int("IconIndex", &TWyrTrayIcon::IconIndex, &TWyrTrayIcon::SetIconIndex);
        p.Int("Interval", &TWyrTrayIcon::Interval, &TWyrTrayIcon::SetInterval);
        p.Enum("RestoreOn", WyrTrayIconClicksType, &TWyrTrayIcon::RestoreOn, &TWyrTrayIcon::RestoreOn);
        p.Enum("PopupMenuOn", WyrTrayIconClicksType, &TWyrTrayIcon::PopupMenuOn, &TWyrTrayIcon::PopupMenuOn);
        p.Event("OnBalloonHintHide", &TWyrTrayIcon::OnBalloonHintHide);
        p.Event("OnBalloonHintClose", &TWyrTrayIcon::OnBalloonHintClose);
        p.Event("OnBalloonHintClick", &TWyrTrayIcon::OnBalloonHintClick);
        p.Event("OnMinimizeApp", &TWyrTrayIcon::OnMinimizeApp);
        p.Event("OnRestoreApp", &TWyrTrayIcon::OnRestoreApp);
        p.Event("OnLButtonDown", &TWyrTrayIcon::OnLButtonDown);
        p.Event("OnLButtonUp", &TWyrTrayIcon::OnLButtonUp);
        p.Event("OnLButtonDblClick", &TWyrTrayIcon::OnLButtonDblClick);
        p.Event("OnRButtonDown", &TWyrTrayIcon::OnRButtonDown);
        p.Event("OnRButtonUp", &TWyrTrayIcon::OnRButtonUp);
        p.Event("OnRButtonDblClick", &TWyrTrayIcon::OnRButtonDblClick);
        p.Event("OnEndSession", &TWyrTrayIcon::OnEndSession);
        p.Event("OnQueryEndSession", &TWyrTrayIcon::OnQueryEndSession);
    });
}

TWyrTrayIcon::TWyrTrayIcon(cl::TComponent* owner) : TComponent(owner)
{
    TaskbarCreatedMessage();
    icon_.Assign(*cl::Application->Icon());
    timer_ = new cl::TTimer(this);
    timer_->SetEnabled(false);
    timer_->SetInterval(1000);
    timer_->OnTimer = [this](cl::TObject*) { NextAnimationFrame(); };
    iconsLink_.OnChange = [this](cl::TObject*) { SetIconIndex(iconIndex_); };
    window_ = cl::AllocateHWnd([this](cl::TMessage& m) { WndProc(m); });
    const TTrayRecordLayout layout = TrayRecordLayout(GetShellMajorVersion());
    data_.cbSize = layout.size;
    tipMax_ = layout.tipMax;
    if (!HasState(cl::csDesigning)) {
        FillRecord();
        AttachApplication();
    }
    enabled_ = true;
}

void TWyrTrayIcon::BeforeDestruction()
{
    TComponent::BeforeDestruction();
    // No notification of the application may reach a component that is gone.
    DetachApplication();
    if (!HasState(cl::csDesigning)) RemoveTrayIcon();
}

TWyrTrayIcon::~TWyrTrayIcon() { cl::DeallocateHWnd(window_); }

unsigned TWyrTrayIcon::GetShellMajorVersion()
{
    HMODULE shell = GetModuleHandleA("shell32.dll");
    if (!shell) return 0;
    struct VersionInfo {
        DWORD cbSize, dwMajorVersion, dwMinorVersion, dwBuildNumber, dwPlatformID;
    } info{sizeof(VersionInfo), 0, 0, 0, 0};
    static_assert(sizeof(VersionInfo) == 20);
    using GetVersionFn = HRESULT(CALLBACK*)(VersionInfo*);
    auto get = reinterpret_cast<GetVersionFn>(reinterpret_cast<void*>(GetProcAddress(shell, "DllGetVersion")));
    if (!get || FAILED(get(&info))) return 0;
    return info.dwMajorVersion;
}

void TWyrTrayIcon::FillRecord()
{
    data_.hWnd = window_;
    data_.uID = static_cast<UINT>(reinterpret_cast<UINT_PTR>(this));
    data_.uFlags = NIF_MESSAGE | NIF_ICON;
    data_.uCallbackMessage = WM_TRAY_NOTIFY;
    data_.hIcon = icon_.Handle();
    SetTip();
}

void TWyrTrayIcon::SetTip()
{
    std::memset(data_.szTip, 0, sizeof data_.szTip);
    const std::string tip = CutTipText(hint_, tipMax_);
    std::memcpy(data_.szTip, tip.data(), tip.size());
    if (hint_.empty()) data_.uFlags &= ~NIF_TIP;
    else data_.uFlags |= NIF_TIP;
}

BOOL TWyrTrayIcon::ShellNotifyIcon(DWORD message, NOTIFYICONDATAA& data) { return Shell_NotifyIconA(message, &data); }

void TWyrTrayIcon::AttachApplication()
{
    cl::Application->OnMinimize().Attach(this, [this](cl::TObject*) {
        if (!minimizing_) MinimizeApp();
    });
    cl::Application->OnRestore().Attach(this, [this](cl::TObject*) {
        if (!restoring_) RestoreApp();
    });
}

void TWyrTrayIcon::DetachApplication()
{
    if (!cl::Application) return;
    cl::Application->OnMinimize().Detach(this);
    cl::Application->OnRestore().Detach(this);
}

bool TWyrTrayIcon::Animate() const { return timer_->Enabled(); }
void TWyrTrayIcon::SetAnimate(bool value) { timer_->SetEnabled(value); }
int TWyrTrayIcon::Interval() const { return static_cast<int>(timer_->Interval()); }
void TWyrTrayIcon::SetInterval(int value) { timer_->SetInterval(static_cast<unsigned>(value)); }

void TWyrTrayIcon::SetEnabled(bool value)
{
    if (value == enabled_ && !readding_) return;
    enabled_ = value;
    if (!HasState(cl::csDesigning) && !HasState(cl::csLoading)) SyncTrayPresence();
}

void TWyrTrayIcon::SetHint(const cl::AnsiString& value)
{
    if (value == hint_) return;
    hint_ = value;
    SetTip();
    RefreshTrayIcon();
}

void TWyrTrayIcon::SetPopupMenu(cl::TPopupMenu* menu)
{
    if (popupMenu_) popupMenu_->RemoveFreeNotification(*this);
    popupMenu_ = menu;
    if (popupMenu_) popupMenu_->FreeNotification(*this);
}

void TWyrTrayIcon::SetIconIndex(int value)
{
    iconIndex_ = value;
    ApplyIcon();
    RefreshTrayIcon();
}

void TWyrTrayIcon::SetIcons(cl::TCustomImageList* list)
{
    if (icons_) {
        icons_->UnRegisterChanges(&iconsLink_);
        icons_->RemoveFreeNotification(*this);
    }
    icons_ = list;
    if (icons_) {
        icons_->RegisterChanges(&iconsLink_);
        icons_->FreeNotification(*this);
    }
    if (!HasState(cl::csLoading)) SetIconIndex(iconIndex_);
}

void TWyrTrayIcon::ApplyIcon()
{
    if (icons_ && iconIndex_ >= 0 && iconIndex_ < icons_->Count()) {
        if (HICON frame = icons_->GetIcon(iconIndex_)) {
            icon_.SetHandle(frame);
            return;
        }
    }
    icon_.Assign(*cl::Application->Icon());
}

void TWyrTrayIcon::Notification(cl::TComponent& component, cl::TOperation operation)
{
    TComponent::Notification(component, operation);
    if (operation != cl::TOperation::opRemove) return;
    if (&component == popupMenu_) popupMenu_ = nullptr;
    if (&component == icons_) {
        // The list is being destroyed and has already dropped its links and notifications.
        icons_ = nullptr;
        SetIcons(nullptr);
    }
}

void TWyrTrayIcon::NextAnimationFrame()
{
    if (!icons_ || HasState(cl::csDesigning)) return;
    SetIconIndex(iconIndex_ >= icons_->Count() - 1 ? 0 : iconIndex_ + 1);
}

void TWyrTrayIcon::Loaded()
{
    TComponent::Loaded();
    ApplyIcon();
    if (!HasState(cl::csDesigning)) {
        if (enabled_) SyncTrayPresence();
        if (HideOnStartup) {
            cl::Application->SetShowMainForm(false);
            ShowWindow(cl::Application->Handle(), SW_HIDE);
        }
    }
    // The icon went in with the record as loaded: nothing is left to modify.
}

void TWyrTrayIcon::RefreshTrayIcon()
{
    data_.hIcon = icon_.Handle();
    // Each call is a message to the shell's process; an icon not in the area (yet, or any
    // more) has nothing to change, and the next add takes the record as it is.
    if (HasState(cl::csDesigning) || !inArea_) return;
    ShellNotifyIcon(NIM_MODIFY, data_); // a shell that lost the icon tells us with "TaskbarCreated"
}

void TWyrTrayIcon::SyncTrayPresence()
{
    if (enabled_) {
        data_.hIcon = icon_.Handle();
        inArea_ = ShellNotifyIcon(NIM_ADD, data_) != FALSE;
        if (!inArea_) enabled_ = false;
        AttachApplication();
    } else {
        RemoveTrayIcon();
    }
}

void TWyrTrayIcon::RemoveTrayIcon()
{
    ShellNotifyIcon(NIM_DELETE, data_); // an icon that is not there is gone already
    inArea_ = false;
}

void TWyrTrayIcon::MinimizeApp()
{
    // The application's minimise notification comes back here from inside Minimize.
    minimizing_ = true;
    try {
        cl::Application->Minimize();
        if (enabled_ && HideOnMinimize) ShowWindow(cl::Application->Handle(), SW_HIDE);
        DoMinimizeApp();
    } catch (...) {
        minimizing_ = false;
        throw;
    }
    minimizing_ = false;
}

void TWyrTrayIcon::RestoreApp()
{
    if (popupShowing_) return;
    restoring_ = true;
    try {
        cl::Application->Restore();
        if (enabled_) ShowAppWindow();
        DoRestoreApp();
    } catch (...) {
        restoring_ = false;
        throw;
    }
    restoring_ = false;
}

void TWyrTrayIcon::ShowAppWindow()
{
    HWND app = cl::Application->Handle();
    ShowWindow(app, SW_RESTORE);
    SetForegroundWindow(app);
    if (!cl::Application->ShowMainForm()) {
        cl::Application->SetShowMainForm(true);
        if (cl::Application->MainForm()) cl::Application->MainForm()->SetVisible(true);
    }
}

void TWyrTrayIcon::ShowTrayMenu()
{
    if (!popupMenu_) return;
    POINT pt{};
    GetCursorPos(&pt);
    if (auto* form = dynamic_cast<cl::TCustomForm*>(Owner())) SetForegroundWindow(form->Handle());
    // Tracked here rather than through TPopupMenu::Popup, which runs the picked item while
    // it is still popping: the item (such as a restore) must run once the menu is down.
    int command = 0;
    popupShowing_ = true;
    try {
        if (popupMenu_->OnPopup) popupMenu_->OnPopup(popupMenu_);
        command = TrackPopupMenu(popupMenu_->Handle(), TPM_LEFTALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD, pt.x, pt.y,
                                 0, cl::TPopupMenu::Window(), nullptr);
        // Lets the menu close properly when the next click lands elsewhere.
        PostMessageA(nullptr, WM_NULL, 0, 0);
    } catch (...) {
        popupShowing_ = false;
        throw;
    }
    popupShowing_ = false;
    if (command > 0) popupMenu_->DispatchCommand(static_cast<WORD>(command));
}

void TWyrTrayIcon::NotifyQueryEndSession(bool& allowSessionToEnd)
{
    if (OnQueryEndSession) OnQueryEndSession(this, allowSessionToEnd);
}

void TWyrTrayIcon::NotifyEndSession()
{
    if (OnEndSession) OnEndSession(this);
}

void TWyrTrayIcon::DoMinimizeApp()
{
    if (OnMinimizeApp) OnMinimizeApp(this);
}

void TWyrTrayIcon::DoRestoreApp()
{
    if (OnRestoreApp) OnRestoreApp(this);
}

void TWyrTrayIcon::HandleClick(TWyrTrayIconClicks kind, const cl::TNotifyEvent& event)
{
    if (kind == ticNone) return;
    if (RestoreOn == kind) RestoreApp();
    if (PopupMenuOn == kind) ShowTrayMenu();
    if (event) event(this);
}

void TWyrTrayIcon::HandleLeftDown() { HandleClick(ticLeftClick, OnLButtonDown); }
void TWyrTrayIcon::HandleLeftUp() { HandleClick(ticLeftClickUp, OnLButtonUp); }
void TWyrTrayIcon::HandleLeftDblClick() { HandleClick(ticLeftDblClick, OnLButtonDblClick); }
void TWyrTrayIcon::HandleRightDown() { HandleClick(ticRightClick, OnRButtonDown); }
void TWyrTrayIcon::HandleRightUp() { HandleClick(ticRightClickUp, OnRButtonUp); }
void TWyrTrayIcon::HandleRightDblClick() { HandleClick(ticRightDblClick, OnRButtonDblClick); }

void TWyrTrayIcon::WndProc(cl::TMessage& message)
{
    // Nothing here gets default processing; what is not handled answers 0.
    message.Result = 0;
    switch (message.Msg) {
    case WM_QUERYENDSESSION: {
        bool allow = true;
        NotifyQueryEndSession(allow);
        message.Result = allow ? 1 : 0;
        return;
    }
    case WM_ENDSESSION:
        NotifyEndSession();
        if (message.WParam == 1) RemoveTrayIcon();
        return;
    case WM_TRAY_NOTIFY:
        switch (message.LParam) {
        case WM_LBUTTONDOWN: HandleLeftDown(); break;
        case WM_LBUTTONUP: HandleLeftUp(); break;
        case WM_LBUTTONDBLCLK: HandleLeftDblClick(); break;
        case WM_RBUTTONDOWN: HandleRightDown(); break;
        case WM_RBUTTONUP: HandleRightUp(); break;
        case WM_RBUTTONDBLCLK: HandleRightDblClick(); break;
        case NIN_TRAY_BALLOONHIDE:
            if (OnBalloonHintHide) OnBalloonHintHide(this);
            break;
        case NIN_TRAY_BALLOONTIMEOUT:
            if (OnBalloonHintClose) OnBalloonHintClose(this);
            break;
        case NIN_TRAY_BALLOONUSERCLICK:
            if (OnBalloonHintClick) OnBalloonHintClick(this);
            break;
        default: break;
        }
        return;
    default:
        break;
    }
    if (message.Msg == TaskbarCreatedMessage() && enabled_) {
        readding_ = true;
        try {
            SetEnabled(true);
        } catch (...) {
            // The taskbar comes back without the icon; nothing to tell anyone.
        }
        readding_ = false;
    }
}
