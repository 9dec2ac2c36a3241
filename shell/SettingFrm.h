// The settings window: shows the settings page, fills it from Config.db and the Run key
// when it opens, and stores the page's choices when the page asks to save.
#pragma once

#include "browser/WebPane.h"
#include "classlib/ComObj.h"
#include "classlib/Forms.h"
#include "classlib/IniFiles.h"

// How the wait for the settings page ended.
enum class TPageWait { Ready, Closed, Terminated, TimedOut };

class TSettingForm : public cl::TForm {
    CL_CLASS(TSettingForm)
public:
    using TForm::TForm;

    browser::TWebPane* webSet = nullptr;

    // The main window's Config.db, borrowed; set before each opening.
    void SetIniConfig(cl::TIniFile* ini) { iniConfig_ = ini; }

    void FormShow(cl::TObject* sender);
    void FormClose(cl::TObject* sender, cl::TCloseAction& action);
    void LoadConfig();
    // The settings page's words: "SaveConfig" and "CancelConfig" (case-sensitive).
    void Quick_Invoke(const cl::AnsiString& paramStr);
    bool IsAutoStart();
    void SetAutoStart();
    void DelAutoStart();
    HRESULT webSetGetExternal(cl::TComPtr<IDispatch>& dispatch);
    void webSetScriptError(cl::TObject* sender, const cl::AnsiString& errorLine, const cl::AnsiString& errorCharacter,
                           const cl::AnsiString& errorCode, const cl::AnsiString& errorMessage,
                           const cl::AnsiString& errorUrl, bool& continueScript, bool& showDialog);

    // Handles messages until the page has loaded, the window is closed, the application
    // terminates (WM_QUIT stays queued for the loop outside) or timeoutMs have passed.
    TPageWait WaitForPage(DWORD timeoutMs);

protected:
    // The page element with this id, or null when the page has none (or is not loaded).
    virtual cl::TComPtr<IDispatch> FindElement(const cl::AnsiString& id);
    // The page has loaded: the pane is not busy and its ready state is complete.
    virtual bool PageReady();
    // How long opening the window waits for its page; under a browser without an HTML
    // engine the page never loads, and the window opens usable once this has passed.
    virtual DWORD PageWaitMs() const { return 5000; }

private:
    bool ReadSetting(const char* key, bool fallback) const;

    cl::TIniFile* iniConfig_ = nullptr;
};

extern TSettingForm* SettingForm;
