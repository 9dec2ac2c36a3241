// The upgrader's windows: the ask dialog, the download wizard (modeless, with its
// finished state) and the password dialog, laid out by their form resources.
#pragma once

#include "classlib/ComCtrls.h"
#include "classlib/ExtCtrlsPanels.h"
#include "classlib/Forms.h"
#include "classlib/StdCtrls.h"

#include <memory>

namespace up {

using cl::AnsiString;

class TUpgrader;

class TUpgraderUpgradeMessageForm : public cl::TForm {
    CL_CLASS(TUpgraderUpgradeMessageForm)
public:
    using cl::TForm::TForm;
    cl::TImage* IconImage = nullptr; // "Icon" in the form resource
    cl::TLabel* Label1 = nullptr;
    cl::TPanel* BottomPanel = nullptr;
    cl::TButton* YesBtn = nullptr;
    cl::TButton* LaterBtn = nullptr;
};

class TUpgraderWizardForm : public cl::TForm {
    CL_CLASS(TUpgraderWizardForm)
public:
    explicit TUpgraderWizardForm(cl::TComponent* owner);
    ~TUpgraderWizardForm() override { *alive_ = false; }

    cl::TPanel* Panel1 = nullptr;
    cl::TImage* Image1 = nullptr;
    cl::TLabel* WizardTitle = nullptr;
    cl::TLabel* AfterNote = nullptr;
    cl::TGroupBox* LCurrentFile = nullptr;
    cl::TLabel* LDownloadingFileFrom = nullptr;
    cl::TEdit* FileURL = nullptr;
    cl::TLabel* LFileSize = nullptr;
    cl::TLabel* LTransferRate = nullptr;
    cl::TLabel* LEstimatedTime = nullptr;
    cl::TProgressBar* ProgressCurrentFile = nullptr;
    cl::TGroupBox* LAllFiles = nullptr;
    cl::TLabel* AllDownloading = nullptr;
    cl::TProgressBar* ProgressAllFiles = nullptr;
    cl::TBevel* Bevel1 = nullptr;
    cl::TLabel* AboutShadow = nullptr;
    cl::TLabel* AboutLabel = nullptr;
    cl::TButton* FinishBtn = nullptr;
    cl::TButton* CancelBtn = nullptr;

    void FormClose(cl::TObject* sender, cl::TCloseAction& action);
    void CancelBtnClick(cl::TObject* sender);
    void FinishBtnClick(cl::TObject* sender);

    TUpgrader* Upgrader() const { return upgrader_; }
    void SetUpgrader(TUpgrader* upgrader) { upgrader_ = upgrader; }
    // The lines of the file being fetched, its size, and the progress.
    void ShowFile(const AnsiString& url, const AnsiString& filesLine);
    void ShowFileSize(const AnsiString& line);
    void ShowProgress(int filePercent, int totalPercent, const AnsiString& rateLine, const AnsiString& timeLine);
    // The finished state: the note, and the finish button (OK) enabled and focused.
    void ShowFinished();
    // The abort question is open.
    bool Asking() const { return asking_; }

private:
    void WMSysCommand(cl::TMessage& message);
    TUpgrader* upgrader_ = nullptr;
    bool asking_ = false;
    // False once freed: the question's loop may free the form (the upgrade stopped).
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

class TUpgraderPasswordForm : public cl::TForm {
    CL_CLASS(TUpgraderPasswordForm)
public:
    using cl::TForm::TForm;
    cl::TImage* Image1 = nullptr;
    cl::TLabel* Label1 = nullptr;
    cl::TPanel* BottomPanel = nullptr;
    cl::TLabel* UsernameLab = nullptr;
    cl::TLabel* PasswordLab = nullptr;
    cl::TEdit* UsernameEdit = nullptr;
    cl::TEdit* PasswordEdit = nullptr;
    cl::TButton* OKBtn = nullptr;
    cl::TButton* CancelBtn = nullptr;

    void OKBtnClick(cl::TObject* sender);
    TUpgrader* upgrader = nullptr;
};

// Asks whether to upgrade now; true for the accept button.
bool ShowAskDialog(const AnsiString& message);
// Shows the wizard for the upgrader without waiting.
void ShowUpgraderWizard(TUpgrader& upgrader);
// The wizard while it is shown; null otherwise.
TUpgraderWizardForm* UpgraderWizard();
// Takes the wizard away (it is freed once its messages are handled) when it belongs to
// the upgrader.
void CloseUpgraderWizard(TUpgrader* upgrader);
// Asks for the user name and password of the current file; true for OK, which stores
// them in the upgrader.
bool ShowPasswordDialog(TUpgrader& upgrader);

} // namespace up
