// The auto-upgrader component: checks the service's info file on a start-up timer and on
// request, asks the user, then opens the release's address or downloads its files beside
// the program with a progress wizard, and hands over to the upgrade helper that puts
// them in place and restarts the program.
#pragma once

#include "classlib/Controls.h"
#include "classlib/Graphics.h"
#include "upgrade/HttpTransfer.h"
#include "upgrade/UpgradeInfo.h"
#include "upgrade/UpgradeLanguage.h"

#include <functional>
#include <memory>
#include <vector>

namespace up {

enum class TekMiscFilesUpgradeBehavior { mfuAlwaysDownload, mfuOnlyIfSizeDifferent };
enum TUpgraderShowMessage {
    mAskUpgrade, mConnLost, mHostUnreachable, mLostFile, mNoInfoFile, mNoUpdateAvailable, mPasswordRequest
};
using TUpgraderShowMessages = unsigned; // bit n: TUpgraderShowMessage n
extern const cl::TEnumType VersionControlType;
extern const cl::TEnumType MiscFilesUpgradeType;
extern const cl::TEnumType ShowMessageType;
extern const cl::TEnumType UpgraderLanguageType;

class TUpgrader;

// The download wizard's options.
class TUpgraderWizard : public cl::TPersistent {
    CL_CLASS(TUpgraderWizard)
public:
    TUpgraderWizard();
    ~TUpgraderWizard() override;
    void Assign(const cl::TPersistent& source) override;

    bool Enabled = true;
    bool HideFileLocation = false;
    bool StayOnTop = true;
    // Shown instead of the wizard's own picture when it holds a graphic.
    cl::TPicture* Pic118x218() const { return picture_.get(); }
    TUpgraderLanguage Language() const { return language_; }
    // A language other than wlAuto selects its messages; wlAuto selects by the system's.
    void SetLanguage(TUpgraderLanguage language);

private:
    std::unique_ptr<cl::TPicture> picture_;
    TUpgraderLanguage language_ = wlAuto;
};

using TUpgraderBeginEvent = std::function<void(cl::TObject* sender, const AnsiString& upgradeMsg,
                                               TekUpgradeMethod method, cl::TStringList* files, bool& canUpgrade)>;
using TUpgraderEndEvent = std::function<void(cl::TObject* sender, bool& restartImmediately)>;
using TUpgraderProgressEvent = std::function<void(
    cl::TObject* sender, const AnsiString& fileURL, int fileSize, int bytesRead, int elapsedTime, int estimatedTimeLeft,
    std::uint8_t percentsDone, std::uint8_t totalPercentsDone, float transferRate)>;
using TUpgraderFileStartEvent = std::function<void(cl::TObject* sender, const AnsiString& fileURL, int fileSize,
                                                   TDateTime fileTime, bool& canUpgrade)>;
using TUpgraderFileDoneEvent = std::function<void(cl::TObject* sender, const AnsiString& fileName)>;
using TUpgraderHostEvent =
    std::function<void(cl::TObject* sender, const AnsiString& url, const AnsiString& hostname)>;
using TUpgraderLostFileEvent = std::function<void(cl::TObject* sender, const AnsiString& fileURL, int errorCode,
                                                  bool& continueUpgrade)>;

class TUpgrader : public TupCustomHTTP {
    CL_CLASS(TUpgrader)
public:
    explicit TUpgrader(cl::TComponent* owner);
    ~TUpgrader() override;
    void Loaded() override;

    // Starts a check and returns at once; does nothing while a transfer runs or while a
    // check or an upgrade is under way.
    void CheckUpdate();
    // Starts a check and handles messages until it has a result: true when an update was
    // found and not vetoed (also when the user then chose "Later"). A check already
    // running is joined and gives its outcome; during an upgrade (from the question's Yes
    // until the wizard closes or the upgrade stops) no check starts and the call waits
    // for the upgrade, true. False at once when nothing could start (a stopped transfer
    // still ending).
    bool CheckUpdateWait();

    bool AutoCheck() const { return autoCheck_; }
    void SetAutoCheck(bool on);
    int AutoCheckDelay = 10000;
    TupCacheOptions UpgradeCacheOptions = CacheOptions;
    TUpgraderInfo* InfoFile() const { return infoFile_.get(); }
    AnsiString InfoFileURL = "http://";
    const AnsiString& RestartParams() const { return restartParams_; }
    void SetRestartParams(const AnsiString& params);
    TekMiscFilesUpgradeBehavior MiscFilesUpgrade = TekMiscFilesUpgradeBehavior::mfuAlwaysDownload;
    TUpgraderVersionControl VersionControl = TUpgraderVersionControl::byDate;
    AnsiString VersionDate;
    bool VersionDateAutoSet = true;
    AnsiString VersionNumber;
    TUpgraderShowMessages ShowMessages =
        (1u << mAskUpgrade) | (1u << mConnLost) | (1u << mLostFile) | (1u << mPasswordRequest);
    TUpgraderWizard* Wizard() const { return wizard_.get(); }

    TUpgraderBeginEvent OnBeginUpgrade;
    TUpgraderEndEvent OnEndUpgrade;
    cl::TNotifyEvent OnLaterUpgrade;
    TUpgraderProgressEvent OnProgress;
    TUpgraderFileStartEvent OnFileStart;
    TUpgraderFileDoneEvent OnFileDone;
    cl::TNotifyEvent OnDoOwnCloseAppMethod;
    cl::TNotifyEvent OnAfterRestart;
    cl::TNotifyEvent OnAborted;
    cl::TNotifyEvent OnConnLost;
    TUpgraderHostEvent OnHostUnreachable;
    cl::TNotifyEvent OnNoUpdateAvailable;
    cl::TNotifyEvent OnNoInfoFile;
    TUpgraderLostFileEvent OnLostFile;
    TupHTTPPasswordRequestEvent OnPasswordRequest;

    // Abandons the download: stops the transfer, deletes the downloaded files, fires
    // OnAborted.
    void AbortUpgrade();
    // Ends the program for the upgrade helper; empty params give RestartParams and the
    // method digit.
    void RestartApplication(const AnsiString& params = AnsiString());

    // The address (then the temporary file) of the file being fetched.
    const AnsiString& CurrentFile() const { return currentFile_; }
    const AnsiString& CurrentURL() const { return currentURL_; }
    bool Aborted() const { return aborted_; }
    bool InfoFileMode() const { return infoFileMode_; }
    HWND WindowHandle() const { return window_; }
    // Set when the wizard is closed; ends the wait after the last file.
    void WizardClosed();
    // The wizard's abort question was answered No: a download that finished meanwhile
    // shows its finished state now.
    void WizardQuestionAnswered();
    // The path of the upgrade helper in the temporary folder.
    static AnsiString UpgraderPath();

protected:
    // The hidden window's procedure.
    virtual void WndProc(cl::TMessage& message);

private:
    // The program was started with RestartParams as its first parameter.
    bool StartedForRestart() const;
    // A check runs from its request until its info file is read and answered; an upgrade
    // from the question's Yes until the wizard closes or the upgrade stops.
    enum class TPhase { Idle, Checking, Upgrading };

    void UpdateTimer();
    // Starts a check when none and no upgrade is under way; false otherwise.
    bool BeginCheck();
    // The check has its outcome; with upgrade, the download begins.
    void EndCheck(bool upgrade);
    // Ends the waits of CheckUpdateWait.
    void SignalWaiters();
    // One wait of CheckUpdateWait; false when the upgrader went or the application is ending.
    bool WaitForOutcome();
    // Runs an outcome's handling; an exception ends the check or the upgrade.
    void Outcome(const std::function<void()>& handle);
    void ParseInfoFile(cl::TStream& stream);
    void DownloadNextFile(bool start);
    // All files are in: the finished wizard, then the end of the upgrade.
    void FinishDownload();
    void PostNextFile(bool start);
    void StopUpgrade();
    bool StartUpgrader(const AnsiString& params);
    void ShowMessage(int k, UINT flags) const;
    bool Shows(TUpgraderShowMessage m) const { return (ShowMessages & (1u << m)) != 0; }
    void DeleteDownloadedFiles() const;

    void HeaderInfo(int fileSize, TDateTime lastModified, bool& canContinue);
    void Done(std::int64_t size, cl::TStream* stream);
    void Progress(float transferRate, std::uint8_t percentDone, int estimatedTimeLeft, int elapsedTime,
                  std::int64_t bytesRead, std::int64_t fileSize);
    void ConnectionLost();
    void HTTPError(int status);
    void FileError(const AnsiString& fileName, bool writing, DWORD error);
    void HostNotReached();
    void LoginRequest(const AnsiString& realm, bool& tryAgain);

    HWND window_ = nullptr;
    bool aborted_ = false;
    bool updateFound_ = false;
    bool timerSuspended_ = false;
    bool automaticCheck_ = false;
    bool infoFileMode_ = false;
    bool upgradeComplete_ = false;
    TekUpgradeMethod upgradeMethod_ = TekUpgradeMethod::umSelfUpgrade;
    std::unique_ptr<cl::TStringList> fileList_;
    AnsiString currentURL_;
    AnsiString currentFile_;
    TDateTime fileTime_ = 0;
    int fileIndex_ = 0;
    TPhase phase_ = TPhase::Idle;
    // The last file came in while the wizard's abort question was open.
    bool finishPending_ = false;
    // Steps posted for an upgrade carry its number: one that has stopped takes none.
    unsigned upgradeSerial_ = 0;
    // One event per wait: each CheckUpdateWait running, and the finished wizard's.
    std::vector<HANDLE*> waiters_;
    HANDLE wizardEvent_ = INVALID_HANDLE_VALUE;
    // False once destroyed: looked at after each message loop this object runs.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    bool autoCheck_ = false;
    AnsiString restartParams_ = "/afterupgrade";
    std::unique_ptr<TUpgraderInfo> infoFile_;
    std::unique_ptr<TUpgraderWizard> wizard_;
};

} // namespace up
