// The settings window: shows the settings page and saves what it says into Config.db.
#pragma once

#include "classlib/Forms.h"
#include "classlib/IniFiles.h"

class TSettingForm : public cl::TForm {
    CL_CLASS(TSettingForm)
public:
    using TForm::TForm;
    // The main window's Config.db, borrowed.
    void SetIniConfig(cl::TIniFile* ini) { iniConfig_ = ini; }
    // The settings page's words ("SaveConfig", "CancelConfig", "SetBossKey").
    void Quick_Invoke(const cl::AnsiString& paramStr);

private:
    cl::TIniFile* iniConfig_ = nullptr;
};

extern TSettingForm* SettingForm;
