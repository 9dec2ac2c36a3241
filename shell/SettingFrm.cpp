#include "shell/SettingFrm.h"

TSettingForm* SettingForm = nullptr;

const cl::TClass& TSettingForm::StaticClass() { return cl::DefineClass<TSettingForm, cl::TForm>("TSettingForm"); }

void TSettingForm::Quick_Invoke(const cl::AnsiString&)
{
    // The settings page and its words come with the settings window.
}
