// TWyrTrayIcon: keeps the application's icon in the notification area, minimises the
// application into it and restores it from it, pops a menu from it, adds the icon again
// when the taskbar restarts and reports the end of the user's session.
#pragma once

#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"
#include "classlib/Graphics.h"
#include "classlib/ImgList.h"
#include "classlib/Menus.h"

#include <windows.h>
#include <shellapi.h>

// The hidden window's notification message from the notification area (lParam: the
// mouse or balloon message).
constexpr UINT WM_TRAY_NOTIFY = 0x2422;
constexpr UINT NIN_TRAY_BALLOONHIDE = 0x403;
constexpr UINT NIN_TRAY_BALLOONTIMEOUT = 0x404;
constexpr UINT NIN_TRAY_BALLOONUSERCLICK = 0x405;

// Registered once, the first time a tray icon is made.
UINT TaskbarCreatedMessage();

enum TWyrTrayIconClicks {
    ticNone, ticLeftClick, ticLeftDblClick, ticLeftClickUp, ticRightClick, ticRightDblClick, ticRightClickUp
};
extern const cl::TEnumType WyrTrayIconClicksType;

using TWyrQueryEndSessionEvent = std::function<void(cl::TObject* sender, bool& allowSessionToEnd)>;

class TWyrTrayIcon : public cl::TComponent {
    CL_CLASS(TWyrTrayIcon)
public:
    explicit TWyrTrayIcon(cl::TComponent* owner);
    ~TWyrTrayIcon() override;
    // Takes the icon out of the area while the whole object (and any override of
    // ShellNotifyIcon) still exists.
    void BeforeDestruction() override;
    void Loaded() override;

    // Published properties.
    virtual bool Animate() const;
    virtual void SetAnimate(bool value);
    bool Enabled() const { return enabled_; }
    virtual void SetEnabled(bool value);
    bool HideOnMinimize = true;
    bool HideOnStartup = false;
    const cl::AnsiString& Hint() const { return hint_; }
    virtual void SetHint(const cl::AnsiString& value);
    cl::TPopupMenu* PopupMenu() const { return popupMenu_; }
    void SetPopupMenu(cl::TPopupMenu* menu);
    cl::TCustomImageList* Icons() const { return icons_; }
    int IconIndex() const { return iconIndex_; }
    virtual void SetIconIndex(int value);
    virtual int Interval() const;
    virtual void SetInterval(int value);
    virtual void SetIcons(cl::TCustomImageList* list);
    TWyrTrayIconClicks RestoreOn = ticLeftDblClick;
    TWyrTrayIconClicks PopupMenuOn = ticRightClickUp;

    cl::TNotifyEvent OnBalloonHintHide;
    cl::TNotifyEvent OnBalloonHintClose;
    cl::TNotifyEvent OnBalloonHintClick;
    cl::TNotifyEvent OnMinimizeApp;
    cl::TNotifyEvent OnRestoreApp;
    cl::TNotifyEvent OnLButtonDown;
    cl::TNotifyEvent OnLButtonUp;
    cl::TNotifyEvent OnLButtonDblClick;
    cl::TNotifyEvent OnRButtonDown;
    cl::TNotifyEvent OnRButtonUp;
    cl::TNotifyEvent OnRButtonDblClick;
    cl::TNotifyEvent OnEndSession;
    TWyrQueryEndSessionEvent OnQueryEndSession;

    // Minimises the application (hiding its window when enabled and HideOnMinimize).
    void MinimizeApp();
    // Restores the application and shows its window; nothing while the menu is up.
    void RestoreApp();
    void ShowAppWindow();
    // Shows the next frame of Icons, back to the first after the last.
    void NextAnimationFrame();
    // Pops PopupMenu at the cursor; its picked item runs once the menu has closed.
    void ShowTrayMenu();
    void RefreshTrayIcon();
    void SyncTrayPresence();
    void RemoveTrayIcon();

    HWND NotifyWindow() const { return window_; }
    // shell32's major version (already loaded, not loaded here), 0 when unknown.
    static unsigned GetShellMajorVersion();

protected:
    void Notification(cl::TComponent& component, cl::TOperation operation) override;

    virtual void NotifyQueryEndSession(bool& allowSessionToEnd);
    virtual void NotifyEndSession();
    virtual void HandleLeftDown();
    virtual void HandleLeftUp();
    virtual void HandleLeftDblClick();
    virtual void HandleRightDown();
    virtual void HandleRightUp();
    virtual void HandleRightDblClick();
    virtual void DoMinimizeApp();
    virtual void DoRestoreApp();

    // Every call to the notification area goes through here, with the record's first
    // cbSize bytes filled; the answer is the platform's.
    virtual BOOL ShellNotifyIcon(DWORD message, NOTIFYICONDATAA& data);

private:
    void WndProc(cl::TMessage& message);
    void HandleClick(TWyrTrayIconClicks kind, const cl::TNotifyEvent& event);
    void AttachApplication();
    void DetachApplication();
    // The current icon becomes entry IconIndex of Icons, else the application's icon.
    void ApplyIcon();
    void FillRecord();
    void SetTip();

    NOTIFYICONDATAA data_{}; // its first data_.cbSize bytes are the record in use
    std::size_t tipMax_ = 0;
    cl::TIcon icon_;
    cl::TTimer* timer_ = nullptr; // owned
    cl::TChangeLink iconsLink_;
    cl::TCustomImageList* icons_ = nullptr;
    HWND window_ = nullptr;
    bool enabled_ = false;
    cl::AnsiString hint_;
    cl::TPopupMenu* popupMenu_ = nullptr;
    int iconIndex_ = 0;
    bool popupShowing_ = false;
    bool restoring_ = false;
    bool minimizing_ = false;
    bool readding_ = false;
    bool inArea_ = false; // added, and not deleted since
};
