#include "shell/SettingFrm.h"

#include "classlib/OleErrors.h"
#include "classlib/Registry.h"
#include "shell/IEExternal.h"
#include "shell/MainFrm.h"
#include "shell/UnConst.h"

#include <algorithm>

TSettingForm* SettingForm = nullptr;

namespace {
const char* const kSection = "Setting";
const char* const kRunKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const char* const kRunValue = "StartBox";

// Sets a property of a page object late-bound.
void PutProperty(IDispatch* object, const wchar_t* name, const cl::TOleVariant& value)
{
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    DISPID id = 0;
    cl::OleCheck(object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id));
    VARIANT arg = value.get();
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{&arg, &named, 1, 1};
    cl::OleCheck(object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr,
                                nullptr));
}

bool Checked(IDispatch* element) { return cl::GetProperty(element, L"checked").AsBool(); }
} // namespace

const cl::TClass& TSettingForm::StaticClass()
{
    return cl::DefineClass<TSettingForm, cl::TForm>("TSettingForm", [](cl::TPublisher<TSettingForm>& p) {
        p.Field("webSet", &TSettingForm::webSet);
        p.Handler("FormShow", &TSettingForm::FormShow);
        p.Handler("FormClose", &TSettingForm::FormClose);
        p.Handler("webSetGetExternal", &TSettingForm::webSetGetExternal);
        p.Handler("webSetScriptError", &TSettingForm::webSetScriptError);
    });
}

void TSettingForm::FormShow(cl::TObject*)
{
    webSet->NavigateUrl(AppPath + "LocalPage\\option\\index.html");
    WaitForPage(PageWaitMs());
    LoadConfig();
}

bool TSettingForm::PageReady() { return !webSet->Busy() && webSet->ReadyState() == READYSTATE_COMPLETE; }

TPageWait TSettingForm::WaitForPage(DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        if (PageReady()) return TPageWait::Ready;
        if (cl::Application->Terminated()) return TPageWait::Terminated;
        // A modal window that was closed stays visible until its loop sees the result.
        if (!Visible() || (Modal() && ModalResult() != cl::mrNone)) return TPageWait::Closed;
        const DWORD passed = GetTickCount() - start;
        if (passed >= timeoutMs) return TPageWait::TimedOut;
        // The page's progress arrives as messages; a quiet queue still looks again now and
        // then, since the pane's state is read, not announced.
        MsgWaitForMultipleObjects(0, nullptr, FALSE, std::min<DWORD>(timeoutMs - passed, 50), QS_ALLINPUT);
        cl::Application->ProcessMessages();
    }
}

cl::TComPtr<IDispatch> TSettingForm::FindElement(const cl::AnsiString& id)
{
    cl::TOleVariant element = FindPageElement(id, *webSet);
    return element.Type() == VT_DISPATCH ? element.AsDispatch() : cl::TComPtr<IDispatch>();
}

bool TSettingForm::ReadSetting(const char* key, bool fallback) const
{
    return iniConfig_ ? iniConfig_->ReadBool(kSection, key, fallback) : fallback;
}

void TSettingForm::LoadConfig()
{
    // A page without one of the elements keeps its own state for that choice.
    if (ReadSetting("SetBossKey", true)) {
        if (auto box = FindElement("bosskey")) PutProperty(box.get(), L"checked", cl::TOleVariant("checked"));
    }
    if (IsAutoStart()) {
        if (auto box = FindElement("autostart")) PutProperty(box.get(), L"checked", cl::TOleVariant("checked"));
    }
    // Without the key the page shows "exit" selected, unlike the main window's default.
    if (auto choice = FindElement(ReadSetting("CloseExit", true) ? "ludora_exit" : "minimize_2_tray"))
        cl::CallMethod(choice.get(), L"click");
}

void TSettingForm::Quick_Invoke(const cl::AnsiString& paramStr)
{
    if (paramStr == "SaveConfig") {
        if (auto box = FindElement("bosskey")) {
            if (iniConfig_) iniConfig_->WriteBool(kSection, "SetBossKey", Checked(box.get()));
        }
        if (auto box = FindElement("autostart")) {
            if (Checked(box.get())) SetAutoStart();
            else DelAutoStart();
        }
        if (auto choice = FindElement("ludora_exit")) {
            if (iniConfig_) iniConfig_->WriteBool(kSection, "CloseExit", Checked(choice.get()));
        }
        if (MainForm) MainForm->LoadSeting();
        Close();
    } else if (paramStr == "CancelConfig") {
        Close();
    }
    // "SetBossKey" is the page's own word; it and any other word do nothing here.
}

// Without rights to the local-machine hive auto-start reads as off and cannot be changed;
// nothing is said about it.
bool TSettingForm::IsAutoStart()
{
    try {
        cl::TRegistry reg(KEY_READ);
        reg.SetRootKey(HKEY_LOCAL_MACHINE);
        if (!reg.OpenKeyReadOnly(kRunKey) || !reg.ValueExists(kRunValue)) return false;
        return !reg.ReadString(kRunValue).empty();
    } catch (const cl::ERegistryException&) {
        return false; // a value of another type is no program to start
    }
}

void TSettingForm::SetAutoStart()
{
    try {
        cl::TRegistry reg;
        reg.SetRootKey(HKEY_LOCAL_MACHINE);
        if (!reg.OpenKey(kRunKey, true)) return;
        // A value already there stays, whatever program it names.
        if (reg.ValueExists(kRunValue) && !reg.ReadString(kRunValue).empty()) return;
        reg.WriteString(kRunValue, AppPath + "Ludora.exe");
    } catch (const cl::ERegistryException&) {
    }
}

void TSettingForm::DelAutoStart()
{
    cl::TRegistry reg;
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    if (reg.OpenKey(kRunKey, false)) reg.DeleteValue(kRunValue); // an absent value is no error
}

void TSettingForm::FormClose(cl::TObject*, cl::TCloseAction& action)
{
    action = cl::caHide; // kept for the next opening
}

HRESULT TSettingForm::webSetGetExternal(cl::TComPtr<IDispatch>& dispatch)
{
    // The settings page reaches this window through its words, not through a window
    // reference: the object it gets has none.
    dispatch = cl::TComPtr<IDispatch>::Attach(IEExternalFactory().Create());
    return S_OK;
}

void TSettingForm::webSetScriptError(cl::TObject*, const cl::AnsiString&, const cl::AnsiString&,
                                     const cl::AnsiString&, const cl::AnsiString&, const cl::AnsiString&,
                                     bool& continueScript, bool& showDialog)
{
    continueScript = true;
    showDialog = false;
}
