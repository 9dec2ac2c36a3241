// The main window: three browser panes (banner, catalogue, portal content), a status bar
// with the sound toggle and game management, the boss key, the tray behaviour, and the
// operations page script reaches through window.external.
#pragma once

#include "browser/WebPane.h"
#include "classlib/ComCtrls.h"
#include "classlib/Forms.h"
#include "classlib/IniFiles.h"
#include "classlib/Menus.h"
#include "shell/IEExternal.h"
#include "shell/ShellMessages.h"
#include "shell/Volume.h"
#include "skin/engine/SkinData.h"
#include "skin/engine/SkinMessages.h"
#include "tray/AlphaImageList.h"
#include "tray/WyrTray.h"
#include "upgrade/Upgrader.h"

#include <memory>

using skin::WM_SKIN_CAPTION_BUTTON;
using skin::WM_SKIN_CAPTION_MENU;

using browser::TWebPane;

class TPlayForm;

class TMainForm : public cl::TForm {
    CL_CLASS(TMainForm)
public:
    explicit TMainForm(cl::TComponent* owner);
    ~TMainForm() override;

    // Components of the form resource.
    TWebPane* webLeft = nullptr;
    TWebPane* webMain = nullptr;
    TWebPane* webTop = nullptr;
    cl::TStatusBar* statMain = nullptr;
    tray::TAlphaImageList* ilMain = nullptr;
    TWyrTrayIcon* trayMain = nullptr;
    cl::TPopupMenu* pmMain = nullptr;
    cl::TMenuItem* N1 = nullptr;
    cl::TMenuItem* N2 = nullptr;
    cl::TMenuItem* N4 = nullptr;
    cl::TMenuItem* N3 = nullptr;
    skin::TSkinData* sdMain = nullptr;
    up::TUpgrader* autoUPMain = nullptr;

    // Form and component events.
    void FormCreate(cl::TObject* sender);
    void FormShow(cl::TObject* sender);
    void FormDestroy(cl::TObject* sender);
    void FormCloseQuery(cl::TObject* sender, bool& canClose);
    HRESULT webTopGetExternal(cl::TComPtr<IDispatch>& dispatch);
    HRESULT webLeftGetExternal(cl::TComPtr<IDispatch>& dispatch);
    void webTopScriptError(cl::TObject* sender, const cl::AnsiString& errorLine, const cl::AnsiString& errorCharacter,
                           const cl::AnsiString& errorCode, const cl::AnsiString& errorMessage,
                           const cl::AnsiString& errorUrl, bool& continueScript, bool& showDialog);
    void webLeftBeforeNavigate2(cl::TObject* sender, IDispatch* disp, const VARIANT& url, const VARIANT& flags,
                                const VARIANT& targetFrameName, const VARIANT& postData, const VARIANT& headers,
                                bool& cancel);
    void webLeftNewWindow2(cl::TObject* sender, cl::TComPtr<IDispatch>& disp, bool& cancel);
    void statMainClick(cl::TObject* sender);
    void statMainDrawPanel(cl::TStatusBar* bar, cl::TStatusPanel* panel, const RECT& rect);
    void trayMainMinimizeApp(cl::TObject* sender);
    void trayMainRestoreApp(cl::TObject* sender);
    void N1Click(cl::TObject* sender);
    void N2Click(cl::TObject* sender);
    void N3Click(cl::TObject* sender);

    // Reached from page script and the settings window.
    void Navigate(const cl::AnsiString& typeStr);
    void Play(const cl::AnsiString& key);
    // The address to play for a game key: the offline page made from a record whose movie
    // is present, "" for a record without its movie, else the portal's game page.
    cl::AnsiString GetRealUrl(const cl::AnsiString& key);
    int GameDel(const cl::AnsiString& type, const cl::AnsiString& name);
    void LoadSeting();
    // The status bar's click zones, for a point in its client coordinates.
    void StatusBarClickAt(POINT pt);
    void MinToTray();
    void CloseSelf();
    // The caption menu's update check: the upgrader's own check, and the program's word
    // when it finds nothing newer.
    void CheckForUpdate();

    TVolume* Volume() const { return volume_.get(); }
    bool InTray() const { return inTray_; }
    bool BossKeyOn() const { return bossKeyOn_; }
    bool CloseExit() const { return closeExit_; }

private:
    void HotKeyHandler(cl::TMessage& message);
    void WMSysCommand(cl::TMessage& message);
    void WMQueryEndSession(cl::TMessage& message);
    void WMSkinCaptionButton(cl::TMessage& message);
    void WMSkinCaptionMenu(cl::TMessage& message);
    void AfterShow();
    void OpenHomePage();
    template <class TWindow> void ShowModalOnce();
    HRESULT NewExternal(cl::TComPtr<IDispatch>& dispatch);
    TPlayForm& OfflinePlayer();

    std::unique_ptr<TVolume> volume_;
    int leftLevel_ = 0;
    int rightLevel_ = 0;
    int hotKeyId_ = 0;
    bool inTray_ = false;
    bool bossKeyOn_ = false;
    bool closeExit_ = false;
    std::unique_ptr<cl::TIniFile> iniData_;
    std::unique_ptr<cl::TIniFile> iniConfig_;
    // The hidden player window of the catalogue's recorded games: made on first need, then
    // reused by every such navigation; freed with this window.
    TPlayForm* offlinePlayer_ = nullptr;
    TExternalLinks externals_; // the panes' scriptable objects
};

extern TMainForm* MainForm;
