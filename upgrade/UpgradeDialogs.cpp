// The upgrader's windows.
#include "upgrade/UpgradeDialogs.h"

#include "upgrade/Upgrader.h"
#include "upgrade/UpgraderText.h"

namespace up {
namespace {

TUpgraderWizardForm* wizardForm = nullptr;

void PlaceTopmost(cl::TCustomForm& form)
{
    SetWindowPos(form.Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE);
}

// Frees a modal form when the dialog ends, however it ends.
template <class T> struct TFormFree {
    T* form;
    ~TFormFree() { cl::Free(form); }
};

} // namespace

const cl::TClass& TUpgraderUpgradeMessageForm::StaticClass()
{
    return cl::DefineClass<TUpgraderUpgradeMessageForm, cl::TForm>(
        "TUpgraderUpgradeMessageForm", [](cl::TPublisher<TUpgraderUpgradeMessageForm>& p) {
            p.Field("Icon", &TUpgraderUpgradeMessageForm::IconImage);
            p.Field("Label1", &TUpgraderUpgradeMessageForm::Label1);
            p.Field("BottomPanel", &TUpgraderUpgradeMessageForm::BottomPanel);
            p.Field("YesBtn", &TUpgraderUpgradeMessageForm::YesBtn);
            p.Field("LaterBtn", &TUpgraderUpgradeMessageForm::LaterBtn);
        });
}

const cl::TClass& TUpgraderWizardForm::StaticClass()
{
    return cl::DefineClass<TUpgraderWizardForm, cl::TForm>(
        "TUpgraderWizardForm", [](cl::TPublisher<TUpgraderWizardForm>& p) {
            p.Field("Panel1", &TUpgraderWizardForm::Panel1);
            p.Field("Image1", &TUpgraderWizardForm::Image1);
            p.Field("WizardTitle", &TUpgraderWizardForm::WizardTitle);
            p.Field("AfterNote", &TUpgraderWizardForm::AfterNote);
            p.Field("LCurrentFile", &TUpgraderWizardForm::LCurrentFile);
            p.Field("LDownloadingFileFrom", &TUpgraderWizardForm::LDownloadingFileFrom);
            p.Field("FileURL", &TUpgraderWizardForm::FileURL);
            p.Field("LFileSize", &TUpgraderWizardForm::LFileSize);
            p.Field("LTransferRate", &TUpgraderWizardForm::LTransferRate);
            p.Field("LEstimatedTime", &TUpgraderWizardForm::LEstimatedTime);
            p.Field("ProgressCurrentFile", &TUpgraderWizardForm::ProgressCurrentFile);
            p.Field("LAllFiles", &TUpgraderWizardForm::LAllFiles);
            p.Field("AllDownloading", &TUpgraderWizardForm::AllDownloading);
            p.Field("ProgressAllFiles", &TUpgraderWizardForm::ProgressAllFiles);
            p.Field("Bevel1", &TUpgraderWizardForm::Bevel1);
            p.Field("AboutShadow", &TUpgraderWizardForm::AboutShadow);
            p.Field("AboutLabel", &TUpgraderWizardForm::AboutLabel);
            p.Field("FinishBtn", &TUpgraderWizardForm::FinishBtn);
            p.Field("CancelBtn", &TUpgraderWizardForm::CancelBtn);
            p.Handler("FormClose", &TUpgraderWizardForm::FormClose);
            p.Handler("CancelBtnClick", &TUpgraderWizardForm::CancelBtnClick);
            p.Handler("FinishBtnClick", &TUpgraderWizardForm::FinishBtnClick);
        });
}

const cl::TClass& TUpgraderPasswordForm::StaticClass()
{
    return cl::DefineClass<TUpgraderPasswordForm, cl::TForm>(
        "TUpgraderPasswordForm", [](cl::TPublisher<TUpgraderPasswordForm>& p) {
            p.Field("Image1", &TUpgraderPasswordForm::Image1);
            p.Field("Label1", &TUpgraderPasswordForm::Label1);
            p.Field("BottomPanel", &TUpgraderPasswordForm::BottomPanel);
            p.Field("UsernameLab", &TUpgraderPasswordForm::UsernameLab);
            p.Field("PasswordLab", &TUpgraderPasswordForm::PasswordLab);
            p.Field("UsernameEdit", &TUpgraderPasswordForm::UsernameEdit);
            p.Field("PasswordEdit", &TUpgraderPasswordForm::PasswordEdit);
            p.Field("OKBtn", &TUpgraderPasswordForm::OKBtn);
            p.Field("CancelBtn", &TUpgraderPasswordForm::CancelBtn);
            p.Handler("OKBtnClick", &TUpgraderPasswordForm::OKBtnClick);
        });
}

// ---------------------------------------------------------------------------------------

bool ShowAskDialog(const AnsiString& message)
{
    const AnsiString title = UpgradeAppTitle();
    TFormFree<TUpgraderUpgradeMessageForm> form{cl::CreateForm<TUpgraderUpgradeMessageForm>(cl::Application)};
    TUpgraderUpgradeMessageForm& f = *form.form;
    const AnsiString text = message.empty() ? message : "\n" + message + "\n";
    f.Label1->SetWidth(f.Width() - f.Label1->Left() - 11);
    f.Label1->SetCaption(FormatUpgradeMessage(23, {title, text}));
    f.SetCaption(LoadUpgradeMessage(0));
    f.YesBtn->SetCaption(LoadUpgradeMessage(14));
    f.LaterBtn->SetCaption(LoadUpgradeMessage(19));
    f.SetClientHeight(f.Label1->Top() + f.Label1->Height() + f.BottomPanel->Height());
    PlaceTopmost(f);
    return f.ShowModal() == cl::mrYes;
}

TUpgraderWizardForm::TUpgraderWizardForm(cl::TComponent* owner) : TForm(owner)
{
    SetMessageHandler(WM_SYSCOMMAND, [this](cl::TMessage& m) { WMSysCommand(m); });
}

void ShowUpgraderWizard(TUpgrader& upgrader)
{
    if (!wizardForm)
        wizardForm = cl::CreateForm<TUpgraderWizardForm>(cl::Application);
    TUpgraderWizardForm& f = *wizardForm;
    f.SetUpgrader(&upgrader);
    const AnsiString about = " " + LoadUpgradeString(ProductNameId) + " ";
    f.AboutLabel->SetCaption(about);
    f.AboutShadow->SetCaption(about);
    if (upgrader.Wizard()->StayOnTop)
        PlaceTopmost(f);
    if (upgrader.Wizard()->HideFileLocation) {
        f.FileURL->Hide();
        f.LDownloadingFileFrom->Hide();
        f.LFileSize->SetTop(f.LDownloadingFileFrom->Top());
        f.LTransferRate->SetTop(f.LFileSize->Top() + 16);
        f.LEstimatedTime->SetTop(f.LTransferRate->Top() + 16);
        f.ProgressCurrentFile->SetTop(f.LEstimatedTime->Top() + 20);
        f.LCurrentFile->SetBounds(f.LCurrentFile->Left(), f.LCurrentFile->Top() + 10, f.LCurrentFile->Width(),
                                  f.LCurrentFile->Height() - 30);
    }
    if (const cl::TGraphic* picture = upgrader.Wizard()->Pic118x218()->Graphic(); picture && !picture->Empty())
        f.Image1->Picture()->Assign(*upgrader.Wizard()->Pic118x218());
    f.SetCaption(LoadUpgradeMessage(0));
    f.WizardTitle->SetCaption(LoadUpgradeMessage(1));
    f.LCurrentFile->SetCaption(" " + LoadUpgradeMessage(3) + " ");
    f.LAllFiles->SetCaption(" " + LoadUpgradeMessage(4) + " ");
    f.LDownloadingFileFrom->SetCaption(LoadUpgradeMessage(5));
    f.FinishBtn->SetCaption(LoadUpgradeMessage(18));
    f.CancelBtn->SetCaption(LoadUpgradeMessage(17));
    // A wizard shown again starts from its first state, whatever state it was left in.
    f.AfterNote->SetCaption("");
    f.LCurrentFile->Show();
    f.LAllFiles->Show();
    f.ShowFile("", "");
    f.ShowFileSize("");
    f.ShowProgress(0, 0, "", LoadUpgradeMessage(22));
    f.CancelBtn->SetEnabled(true);
    f.FinishBtn->SetEnabled(false);
    f.Show();
}

TUpgraderWizardForm* UpgraderWizard() { return wizardForm; }

void CloseUpgraderWizard(TUpgrader* upgrader)
{
    if (!wizardForm || wizardForm->Upgrader() != upgrader)
        return;
    TUpgraderWizardForm* form = wizardForm;
    wizardForm = nullptr;
    form->SetUpgrader(nullptr);
    form->Hide();
    form->Release(); // possibly from inside one of its own handlers
}

void TUpgraderWizardForm::ShowFile(const AnsiString& url, const AnsiString& filesLine)
{
    FileURL->SetText(url);
    AllDownloading->SetCaption(filesLine);
}

void TUpgraderWizardForm::ShowFileSize(const AnsiString& line) { LFileSize->SetCaption(line); }

void TUpgraderWizardForm::ShowProgress(int filePercent, int totalPercent, const AnsiString& rateLine,
                                       const AnsiString& timeLine)
{
    ProgressCurrentFile->SetPosition(filePercent);
    ProgressAllFiles->SetPosition(totalPercent);
    LTransferRate->SetCaption(rateLine);
    LEstimatedTime->SetCaption(timeLine);
}

void TUpgraderWizardForm::ShowFinished()
{
    WizardTitle->SetCaption(LoadUpgradeMessage(2));
    AfterNote->SetCaption(FormatUpgradeMessage(10, {UpgradeAppTitle()}));
    LCurrentFile->Hide();
    LAllFiles->Hide();
    CancelBtn->SetEnabled(false);
    FinishBtn->SetCaption(LoadUpgradeMessage(16));
    FinishBtn->SetEnabled(true);
    FinishBtn->SetFocus();
}

void TUpgraderWizardForm::FinishBtnClick(cl::TObject*) { Close(); }

void TUpgraderWizardForm::CancelBtnClick(cl::TObject*) { PostMessageA(Handle(), WM_SYSCOMMAND, SC_CLOSE, 0); }

void TUpgraderWizardForm::WMSysCommand(cl::TMessage& message)
{
    if ((message.WParam & 0xFFF0) != SC_CLOSE) {
        Inherited(message);
        return;
    }
    message.Result = 0;
    if (asking_)
        return; // one question at a time
    const std::shared_ptr<bool> alive = alive_;
    asking_ = true;
    const bool abort = cl::Application->MessageBox(LoadUpgradeMessage(27), cl::Application->Title(),
                                                   MB_YESNO | MB_ICONQUESTION) == IDYES;
    if (!*alive)
        return; // the upgrade ended meanwhile and took the wizard with it
    asking_ = false;
    TUpgrader* upgrader = upgrader_;
    if (!abort) {
        if (upgrader)
            upgrader->WizardQuestionAnswered();
        return;
    }
    Close();
    if (upgrader)
        upgrader->AbortUpgrade();
}

void TUpgraderWizardForm::FormClose(cl::TObject*, cl::TCloseAction& action)
{
    action = cl::caFree;
    if (wizardForm == this)
        wizardForm = nullptr;
    if (upgrader_)
        upgrader_->WizardClosed();
}

// ---------------------------------------------------------------------------------------

bool ShowPasswordDialog(TUpgrader& upgrader)
{
    TFormFree<TUpgraderPasswordForm> form{cl::CreateForm<TUpgraderPasswordForm>(cl::Application)};
    TUpgraderPasswordForm& f = *form.form;
    f.upgrader = &upgrader;
    f.Label1->SetCaption(FormatUpgradeMessage(29, {ExtractURLFileName(upgrader.URL)}));
    f.SetCaption(LoadUpgradeMessage(11));
    f.UsernameLab->SetCaption(LoadUpgradeMessage(12));
    f.UsernameEdit->SetText(upgrader.HTTPUsername());
    f.PasswordLab->SetCaption(LoadUpgradeMessage(13));
    f.OKBtn->SetCaption(LoadUpgradeMessage(16));
    f.CancelBtn->SetCaption(LoadUpgradeMessage(17));
    f.PasswordEdit->SetText("");
    f.SetClientHeight(f.Label1->Top() + f.Label1->Height() + f.BottomPanel->Height());
    return f.ShowModal() == cl::mrOk;
}

void TUpgraderPasswordForm::OKBtnClick(cl::TObject*)
{
    if (!upgrader)
        return;
    upgrader->SetHTTPUsername(UsernameEdit->Text());
    upgrader->SetHTTPPassword(PasswordEdit->Text());
}

} // namespace up
