// The auto-upgrader component.
#include "upgrade/Upgrader.h"

#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"
#include "classlib/Streams.h"
#include "upgrade/HandOverJournal.h"
#include "upgrade/HelperCleanup.h"
#include "upgrade/PathText.h"
#include "upgrade/Radirazo3/HandOverText.h"
#include "upgrade/UpgradeDialogs.h"
#include "upgrade/UpgraderText.h"

#include <shellapi.h>

#include <algorithm>

namespace up {

const cl::TEnumType VersionControlType{{"byDate", "byNumber"}};
const cl::TEnumType MiscFilesUpgradeType{{"mfuAlwaysDownload", "mfuOnlyIfSizeDifferent"}};
const cl::TEnumType ShowMessageType{{"mAskUpgrade", "mConnLost", "mHostUnreachable", "mLostFile", "mNoInfoFile",
                                     "mNoUpdateAvailable", "mPasswordRequest"}};
const cl::TEnumType UpgraderLanguageType{
    {"wlAuto", "wlEnglish", "wlRussian", "wlGerman", "wlFrench", "wlSpanish", "wlPortuguese", "wlPortugueseBrazilian",
     "wlItalian", "wlDutch", "wlDanish", "wlSwedish", "wlFinnish", "wlEstonian", "wlUkrainian", "wlPolish", "wlCzech",
     "wlHungarian", "wlRomanian", "wlCatalan", "wlBasque", "wlAfrikaans", "wlChineseTraditional",
     "wlChineseSimplified", "wlIndonesian", "wlMalay", "wlIcelandic", "wlTurkish", "wlNorwegian"}};

namespace {

constexpr UINT_PTR kStartupTimer = 1;
// Posted to the hidden window: start the first (wParam 1) or the next file (0) once the
// transfer that reported has cleared its state, or finish the download (2) once the
// wizard's question is answered; lParam is the upgrade's number.
constexpr UINT WM_UP_NEXT_FILE = WM_APP + 0x101;
constexpr WPARAM kNextFile = 0, kFirstFile = 1, kFinish = 2;
// The file extension of a download until the helper moves it into place.
const char* const kDownloadExt = ".uTMP";
// The largest info file read; a longer one is a failed check.
constexpr std::int64_t kMaxInfoFile = 1 << 20;
// Messages of the string table after the 31 of every block: a download that cannot be
// created or written beside the program (file name, the system's text).
constexpr int kCannotCreateFile = 31, kCannotWriteFile = 32;

AnsiString ProgramName() { return ExtractFileName(cl::Application->ExeName()); }

// False while a hand-over its helper could not end stands beside the program (recovered
// first, if a file it holds has come free): a new download or hand-over now could take
// the files it needs to put the old ones back.
bool HandOverEnded()
{
    const TRecovery recovery = RecoverHandOver(cl::Application->ExeName());
    return recovery != TRecovery::busy && recovery != TRecovery::incomplete;
}

// Why no download or hand-over begins while one stands: in Chinese for a Chinese message
// table, in English otherwise.
AnsiString HandOverPendingText()
{
    const unsigned short base = UpgradeMessageBase();
    if (base == MessageBase(wlChineseSimplified) || base == MessageBase(wlChineseTraditional))
        return "上次的升级未能完成：它替换的文件正被其他程序使用，无法还原。\r\r"
               "请关闭这些程序，重新启动本程序后再进行升级操作。";
    return "The last upgrade could not be finished: a file it replaced is in use and could not be put back.\r\r"
           "Close the programs that use it and start this program again before you upgrade.";
}

} // namespace

// ---------------------------------------------------------------------------------------

const cl::TClass& TUpgraderWizard::StaticClass()
{
    return cl::DefineClass<TUpgraderWizard, cl::TPersistent>("TUpgraderWizard", [](cl::TPublisher<TUpgraderWizard>& p) {
        p.Bool("Enabled", &TUpgraderWizard::Enabled, &TUpgraderWizard::Enabled);
        p.Bool("HideFileLocation", &TUpgraderWizard::HideFileLocation, &TUpgraderWizard::HideFileLocation);
        p.Owned("Pic118x218", &TUpgraderWizard::Pic118x218);
        p.Enum("Language", UpgraderLanguageType, &TUpgraderWizard::Language, &TUpgraderWizard::SetLanguage);
        p.Bool("StayOnTop", &TUpgraderWizard::StayOnTop, &TUpgraderWizard::StayOnTop);
    });
}

TUpgraderWizard::TUpgraderWizard() : picture_(std::make_unique<cl::TPicture>()) {}
TUpgraderWizard::~TUpgraderWizard() = default;

void TUpgraderWizard::Assign(const cl::TPersistent& source)
{
    const auto* other = dynamic_cast<const TUpgraderWizard*>(&source);
    if (!other) {
        cl::TPersistent::Assign(source);
        return;
    }
    Enabled = other->Enabled;
    HideFileLocation = other->HideFileLocation;
    StayOnTop = other->StayOnTop;
    picture_->Assign(*other->picture_);
    SetLanguage(other->language_);
}

void TUpgraderWizard::SetLanguage(TUpgraderLanguage language)
{
    if (language == language_)
        return;
    language_ = language;
    SetUpgraderLanguage(language);
}

// ---------------------------------------------------------------------------------------

const cl::TClass& TUpgrader::StaticClass()
{
    return cl::DefineClass<TUpgrader, TupCustomHTTP>("TUpgrader", [](cl::TPublisher<TUpgrader>& p) {
        p.Bool("AutoCheck", &TUpgrader::AutoCheck, &TUpgrader::SetAutoCheck);
        p.Int("AutoCheckDelay", &TUpgrader::AutoCheckDelay, &TUpgrader::AutoCheckDelay);
        p.Set("CacheOptions", CacheOptionType, &TUpgrader::UpgradeCacheOptions, &TUpgrader::UpgradeCacheOptions);
        p.Owned("InfoFile", &TUpgrader::InfoFile);
        p.String("InfoFileURL", &TUpgrader::InfoFileURL, &TUpgrader::InfoFileURL);
        p.String("RestartParams", &TUpgrader::RestartParams, &TUpgrader::SetRestartParams);
        p.Enum("MiscFilesUpgrade", MiscFilesUpgradeType, &TUpgrader::MiscFilesUpgrade, &TUpgrader::MiscFilesUpgrade);
        p.Enum("VersionControl", VersionControlType, &TUpgrader::VersionControl, &TUpgrader::VersionControl);
        p.String("VersionDate", &TUpgrader::VersionDate, &TUpgrader::VersionDate);
        p.Bool("VersionDateAutoSet", &TUpgrader::VersionDateAutoSet, &TUpgrader::VersionDateAutoSet);
        p.String("VersionNumber", &TUpgrader::VersionNumber, &TUpgrader::VersionNumber);
        p.Set("ShowMessages", ShowMessageType, &TUpgrader::ShowMessages, &TUpgrader::ShowMessages);
        p.Owned("Wizard", &TUpgrader::Wizard);
        p.Event("OnBeginUpgrade", &TUpgrader::OnBeginUpgrade);
        p.Event("OnEndUpgrade", &TUpgrader::OnEndUpgrade);
        p.Event("OnLaterUpgrade", &TUpgrader::OnLaterUpgrade);
        p.Event("OnProgress", &TUpgrader::OnProgress);
        p.Event("OnFileStart", &TUpgrader::OnFileStart);
        p.Event("OnFileDone", &TUpgrader::OnFileDone);
        p.Event("OnDoOwnCloseAppMethod", &TUpgrader::OnDoOwnCloseAppMethod);
        p.Event("OnAfterRestart", &TUpgrader::OnAfterRestart);
        p.Event("OnAborted", &TUpgrader::OnAborted);
        p.Event("OnConnLost", &TUpgrader::OnConnLost);
        p.Event("OnHostUnreachable", &TUpgrader::OnHostUnreachable);
        p.Event("OnNoUpdateAvailable", &TUpgrader::OnNoUpdateAvailable);
        p.Event("OnNoInfoFile", &TUpgrader::OnNoInfoFile);
        p.Event("OnLostFile", &TUpgrader::OnLostFile);
        p.Event("OnPasswordRequest", &TUpgrader::OnPasswordRequest);
        p.Event("OnProxyAuthenticationRequest",
                static_cast<TupHTTPProxyAuthenticationEvent TUpgrader::*>(&TUpgrader::OnProxyAuthenticationRequest));
    });
}

AnsiString TUpgrader::UpgraderPath() { return GetTempDir() + "Radirazo3.exe"; }

TUpgrader::TUpgrader(cl::TComponent* owner)
    : TupCustomHTTP(owner), fileList_(std::make_unique<cl::TStringList>()),
      infoFile_(std::make_unique<TUpgraderInfo>()), wizard_(std::make_unique<TUpgraderWizard>())
{
    OutputFileAttributes()->Incomplete = AttrSet(atrArchive) | AttrSet(atrHidden) | AttrSet(atrTemporary);
    OnHeaderInfo = [this](cl::TObject*, int, const AnsiString&, const AnsiString&, const AnsiString&,
                          const AnsiString&, std::int64_t contentLength, const AnsiString&, TDateTime,
                          TDateTime lastModified, TDateTime, const AnsiString&, bool& canContinue) {
        HeaderInfo(static_cast<int>(contentLength), lastModified, canContinue);
    };
    // Every outcome ends the phase it belongs to, also when a handler of ours raises.
    OnDone = [this](cl::TObject*, const AnsiString&, std::int64_t size, cl::TStream* stream) {
        Outcome([&] { Done(size, stream); });
    };
    OnCanceled = [this](cl::TObject*) { Outcome([&] { PostNextFile(false); }); };
    OnTransferProgress = [this](cl::TObject*, const AnsiString&, cl::TStream*, float rate, std::uint8_t percent,
                                int timeLeft, int elapsed, std::int64_t bytesRead, std::int64_t fileSize) {
        Progress(rate, percent, timeLeft, elapsed, bytesRead, fileSize);
    };
    OnConnectionLost = [this](cl::TObject*, const AnsiString&, cl::TStream*, std::int64_t, std::int64_t) {
        Outcome([&] { ConnectionLost(); });
    };
    OnHTTPError = [this](cl::TObject*, int status, cl::TStream*) { Outcome([&] { HTTPError(status); }); };
    OnFileError = [this](cl::TObject*, const AnsiString& fileName, bool writing, DWORD error, const AnsiString&) {
        Outcome([&] { FileError(fileName, writing, error); });
    };
    OnHostNotReached = [this](cl::TObject*) { Outcome([&] { HostNotReached(); }); };
    // A stopped transfer that was still ending lets a check wait for it go on.
    OnStopped = [this](cl::TObject*) {
        if (phase_ == TPhase::Idle)
            SignalWaiters();
    };
    OnLoginRequest = [this](cl::TObject*, const AnsiString& realm, bool& tryAgain) { LoginRequest(realm, tryAgain); };
    MaxMemoryBody = kMaxInfoFile;
    VersionDate = VersionDateToStr(Today());
    window_ = cl::AllocateHWnd([this](cl::TMessage& m) { WndProc(m); });
}

TUpgrader::~TUpgrader()
{
    *alive_ = false;
    SetAutoCheck(false);
    // Waits that are still running end; the wizard goes with its upgrader.
    SignalWaiters();
    SignalEvent(wizardEvent_);
    CloseUpgraderWizard(this);
    if (window_)
        cl::DeallocateHWnd(window_);
}

void TUpgrader::Loaded()
{
    TupCustomHTTP::Loaded();
    const bool restarted = StartedForRestart();
    // A hand-over its helper could not finish is finished or rolled back before its files
    // are used; the helper's file goes once the helper has ended. Both follow an upgrade
    // only: the helper's restart, or a journal left beside the program. Any other start
    // pays one file test (the helper's removal looks through every process).
    const AnsiString program = cl::Application->ExeName();
    if (restarted || GetFileAttributesA(JournalOf(program).c_str()) != INVALID_FILE_ATTRIBUTES) {
        RecoverHandOver(program);
        RemoveHelperFile(UpgraderPath());
    }
    if (restarted && OnAfterRestart)
        OnAfterRestart(this);
}

bool TUpgrader::StartedForRestart() const
{
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv)
        return false;
    AnsiString first;
    if (argc > 1) {
        const int n = WideCharToMultiByte(CP_ACP, 0, argv[1], -1, nullptr, 0, nullptr, nullptr);
        if (n > 1) {
            first.resize(static_cast<std::size_t>(n - 1));
            WideCharToMultiByte(CP_ACP, 0, argv[1], -1, &first[0], n, nullptr, nullptr);
        }
    }
    LocalFree(argv);
    return argc > 1 && first == restartParams_;
}

void TUpgrader::SetAutoCheck(bool on)
{
    if (on == autoCheck_)
        return;
    autoCheck_ = on;
    UpdateTimer();
}

void TUpgrader::SetRestartParams(const AnsiString& params) { restartParams_ = params.empty() ? " " : params; }

void TUpgrader::UpdateTimer()
{
    if (!window_)
        return;
    KillTimer(window_, kStartupTimer);
    if (autoCheck_ && !timerSuspended_ && AutoCheckDelay > 0 &&
        !SetTimer(window_, kStartupTimer, static_cast<UINT>(AutoCheckDelay), nullptr))
        throw cl::EOutOfResources("Not enough timers available");
}

void TUpgrader::WndProc(cl::TMessage& message)
{
    switch (message.Msg) {
    case WM_TIMER:
        if (message.WParam != kStartupTimer)
            break;
        try {
            if (IsOnline() && autoCheck_) {
                timerSuspended_ = true;
                UpdateTimer();
                if (phase_ != TPhase::Upgrading) {
                    aborted_ = false;
                    automaticCheck_ = BeginCheck();
                    // No check could start (a stopped transfer still ending): the
                    // timer tries again rather than never.
                    if (!automaticCheck_ && phase_ == TPhase::Idle) {
                        timerSuspended_ = false;
                        UpdateTimer();
                    }
                }
            }
        } catch (const std::exception&) {
            cl::Application->HandleException(this);
        }
        return;
    case WM_QUERYENDSESSION:
        message.Result = 1;
        return;
    case WM_UP_NEXT_FILE:
        if (static_cast<unsigned>(message.LParam) != upgradeSerial_ || phase_ != TPhase::Upgrading)
            return; // a step of an upgrade that has stopped
        Outcome([&] {
            if (message.WParam == kFinish)
                FinishDownload();
            else
                DownloadNextFile(message.WParam == kFirstFile);
        });
        return;
    default:
        break;
    }
    message.Result = DefWindowProcA(window_, message.Msg, message.WParam, message.LParam);
}

void TUpgrader::CheckUpdate()
{
    // An upgrade under way keeps its state: a check now could delete its files or start
    // the helper while a file is still coming.
    if (phase_ == TPhase::Upgrading)
        return;
    aborted_ = false;
    automaticCheck_ = false;
    BeginCheck();
}

bool TUpgrader::BeginCheck()
{
    if (phase_ != TPhase::Idle || Busy())
        return false;
    infoFileMode_ = true;
    CacheOptions = UpgradeCacheOptions | (1u << coPragmaNoCache);
    URL = InfoFileURL;
    OutputFileName.clear();
    updateFound_ = false;
    if (!Read(0, 0))
        return false;
    phase_ = TPhase::Checking;
    return true;
}

bool TUpgrader::CheckUpdateWait()
{
    CheckUpdate();
    // A transfer stopped a moment ago may still be ending (until its worker's next
    // checkpoint): the check waits for it and then asks for real.
    while (phase_ == TPhase::Idle && Busy()) {
        if (!WaitForOutcome())
            return false;
        CheckUpdate();
    }
    if (phase_ == TPhase::Idle)
        return false;
    return WaitForOutcome() && updateFound_;
}

bool TUpgrader::WaitForOutcome()
{
    // Each wait has its own event, so that one started meanwhile (a menu command handled
    // in this loop) never takes over another's.
    const std::shared_ptr<bool> alive = alive_;
    HANDLE event = INVALID_HANDLE_VALUE;
    waiters_.push_back(&event);
    WaitForEvent(event, 0, true);
    if (!*alive)
        return false;
    waiters_.erase(std::find(waiters_.begin(), waiters_.end(), &event));
    return !cl::Application->Terminated();
}

void TUpgrader::Outcome(const std::function<void()>& handle)
{
    try {
        handle();
    } catch (...) {
        // Whatever a handler raised, the check or the upgrade ends here (nothing would
        // end it later), and the error is shown as any other.
        if (phase_ == TPhase::Upgrading)
            StopUpgrade();
        else if (phase_ == TPhase::Checking)
            EndCheck(false);
        cl::Application->HandleException(this);
    }
}

void TUpgrader::SignalWaiters()
{
    for (HANDLE* event : waiters_)
        SignalEvent(*event);
}

void TUpgrader::EndCheck(bool upgrade)
{
    phase_ = upgrade ? TPhase::Upgrading : TPhase::Idle;
    finishPending_ = false;
    if (upgrade) {
        ++upgradeSerial_;
        upgradeComplete_ = false;
        PostNextFile(true);
    }
    SignalWaiters();
}

void TUpgrader::ParseInfoFile(cl::TStream& stream)
{
    AnsiString text(static_cast<std::size_t>(stream.Size()), '\0');
    stream.SetPosition(0);
    if (!text.empty())
        stream.ReadBuffer(&text[0], static_cast<std::int64_t>(text.size()));
    const TUpgradeRelease release = ReadUpgradeRelease(text, VersionControl, VersionNumber, VersionDate, Today());
    fileList_->Clear();
    for (const AnsiString& file : release.files)
        fileList_->Add(file);
    bool upgrade = false;
    if (release.updateFound) {
        updateFound_ = true;
        upgradeMethod_ = release.method;
        if (OnBeginUpgrade)
            OnBeginUpgrade(this, release.message, upgradeMethod_, fileList_.get(), updateFound_);
        bool later = !updateFound_;
        if (!later && Shows(mAskUpgrade)) {
            const std::shared_ptr<bool> alive = alive_;
            later = !ShowAskDialog(release.message);
            if (!*alive)
                return;
        }
        if (later) {
            if (OnLaterUpgrade)
                OnLaterUpgrade(this);
        } else if (upgradeMethod_ == TekUpgradeMethod::umRedirectToURL) {
            OpenURL(fileList_->Get(0), true);
        } else {
            upgrade = true;
        }
    } else {
        if (OnNoUpdateAvailable)
            OnNoUpdateAvailable(this);
        if (!automaticCheck_ && Shows(mNoUpdateAvailable))
            ShowMessage(24, MB_ICONINFORMATION);
    }
    EndCheck(upgrade);
}

void TUpgrader::PostNextFile(bool start)
{
    // The transfer that reports is still being delivered: the next one starts from the
    // hidden window once it has cleared its state.
    PostMessageA(window_, WM_UP_NEXT_FILE, start ? kFirstFile : kNextFile, static_cast<LPARAM>(upgradeSerial_));
}

void TUpgrader::DeleteDownloadedFiles() const
{
    // Those a pending hand-over lists stay: its recovery reads from them which moves were
    // made.
    DeleteDownloads(cl::Application->ExeName());
}

void TUpgrader::DownloadNextFile(bool start)
{
    if (aborted_ || phase_ != TPhase::Upgrading)
        return; // the user's abort holds, with or without the wizard
    if (start) {
        if (!HandOverEnded()) {
            StopUpgrade();
            cl::Application->MessageBox(HandOverPendingText(), LoadUpgradeMessage(0), MB_OK | MB_ICONERROR);
            return;
        }
        infoFileMode_ = false;
        CacheOptions = UpgradeCacheOptions;
        fileIndex_ = 0;
        // Files left by an earlier, unfinished download must never be moved into place.
        DeleteDownloadedFiles();
        if (wizard_->Enabled)
            ShowUpgraderWizard(*this);
    } else {
        ++fileIndex_;
    }
    const int count = fileList_->Count();
    if (fileIndex_ < count) {
        currentURL_ = fileList_->Get(fileIndex_);
        if (TUpgraderWizardForm* form = UpgraderWizard())
            form->ShowFile(currentURL_, FormatUpgradeMessage(9, {fileIndex_ + 1, count}));
        URL = currentURL_;
        currentFile_ = ProgramDir() + URLToFileName(currentURL_) + kDownloadExt;
        OutputFileName = currentFile_;
        Read(0, 0);
        return;
    }
    FinishDownload();
}

void TUpgrader::FinishDownload()
{
    if (aborted_ || phase_ != TPhase::Upgrading)
        return;
    if (TUpgraderWizardForm* form = UpgraderWizard()) {
        if (form->Asking()) {
            // The wizard's abort question is open: its answer decides, and the finished
            // wizard's wait must not run inside the question's loop.
            finishPending_ = true;
            return;
        }
        form->ShowFinished();
        const std::shared_ptr<bool> alive = alive_;
        const unsigned serial = upgradeSerial_;
        WaitForEvent(wizardEvent_, 0, true);
        if (!*alive || aborted_ || serial != upgradeSerial_ || cl::Application->Terminated())
            return;
    }
    upgradeComplete_ = true;
    bool restart = true;
    if (OnEndUpgrade)
        OnEndUpgrade(this, restart);
    // Without a restart the files stay complete beside the program for a later
    // RestartApplication.
    phase_ = TPhase::Idle;
    SignalWaiters();
    if (restart)
        RestartApplication();
}

void TUpgrader::WizardClosed()
{
    SignalEvent(wizardEvent_);
    SignalWaiters();
}

void TUpgrader::WizardQuestionAnswered()
{
    if (!finishPending_)
        return;
    finishPending_ = false;
    PostMessageA(window_, WM_UP_NEXT_FILE, kFinish, static_cast<LPARAM>(upgradeSerial_));
}

void TUpgrader::HeaderInfo(int fileSize, TDateTime lastModified, bool& canContinue)
{
    if (infoFileMode_)
        return;
    fileTime_ = lastModified;
    if (TUpgraderWizardForm* form = UpgraderWizard())
        form->ShowFileSize(FormatUpgradeMessage(6, {fileSize / 1024.0}));
    if (MiscFilesUpgrade == TekMiscFilesUpgradeBehavior::mfuOnlyIfSizeDifferent && fileSize != 0 &&
        fileList_->Count() > 1) {
        const AnsiString target = currentFile_.substr(0, currentFile_.size() - 5);
        if (UpperCaseAscii(ExtractFileName(target)) != UpperCaseAscii(ProgramName()) &&
            GetFileAttributesA(target.c_str()) != INVALID_FILE_ATTRIBUTES)
            canContinue = GetFileSize64(target) != fileSize;
    }
    if (OnFileStart)
        OnFileStart(this, currentURL_, fileSize, fileTime_, canContinue);
}

void TUpgrader::Done(std::int64_t size, cl::TStream* stream)
{
    if (infoFileMode_) {
        if (stream)
            ParseInfoFile(*stream);
        else
            EndCheck(false);
        return;
    }
    if (size == 0) {
        // An empty answer is no file of the release.
        ConnectionLost();
        return;
    }
    if (fileTime_ != 0)
        SetFileTimes(currentFile_, fileTime_, -1, fileTime_);
    if (OnFileDone)
        OnFileDone(this, currentFile_);
    PostNextFile(false);
}

void TUpgrader::Progress(float transferRate, std::uint8_t percentDone, int estimatedTimeLeft, int elapsedTime,
                         std::int64_t bytesRead, std::int64_t fileSize)
{
    if (infoFileMode_)
        return;
    const int count = fileList_->Count();
    const std::uint8_t total =
        static_cast<std::uint8_t>(PercentOf(fileIndex_, count) + (count ? percentDone / count : 0));
    if (OnProgress)
        OnProgress(this, currentURL_, static_cast<int>(fileSize), static_cast<int>(bytesRead), elapsedTime,
                   estimatedTimeLeft, percentDone, total, transferRate);
    if (TUpgraderWizardForm* form = UpgraderWizard())
        form->ShowProgress(percentDone, total, FormatUpgradeMessage(7, {static_cast<double>(transferRate)}),
                           FormatUpgradeMessage(8, {estimatedTimeLeft / 60 / 60, estimatedTimeLeft / 60 % 60,
                                                    estimatedTimeLeft % 60}));
}

void TUpgrader::ConnectionLost()
{
    if (OnConnLost)
        OnConnLost(this);
    if (Shows(mConnLost))
        ShowMessage(30, MB_ICONERROR);
    StopUpgrade();
}

void TUpgrader::HTTPError(int status)
{
    if (infoFileMode_) {
        EndCheck(false);
        if (OnNoInfoFile)
            OnNoInfoFile(this);
        if (Shows(mNoInfoFile))
            ShowMessage(25, MB_ICONERROR);
        return;
    }
    bool continueUpgrade = false;
    if (OnLostFile)
        OnLostFile(this, currentURL_, status, continueUpgrade);
    if (Shows(mLostFile)) {
        const std::shared_ptr<bool> alive = alive_;
        const unsigned serial = upgradeSerial_;
        continueUpgrade =
            cl::Application->MessageBox(FormatUpgradeMessage(28, {ExtractURLFileName(currentURL_)}),
                                        LoadUpgradeMessage(21) + " #" + cl::IntToStr(status),
                                        MB_YESNO | MB_ICONWARNING) == IDYES;
        // An upgrade stopped meanwhile (the wizard's abort) stays stopped, whatever the
        // answer.
        if (!*alive || serial != upgradeSerial_)
            return;
    }
    if (continueUpgrade)
        PostNextFile(false);
    else
        AbortUpgrade();
}

void TUpgrader::FileError(const AnsiString& fileName, bool writing, DWORD error)
{
    // A download that cannot be written beside the program is a local fault, not the
    // network's: it is named as such, in the user's language, and the upgrade cannot go on.
    const std::shared_ptr<bool> alive = alive_;
    const unsigned serial = upgradeSerial_;
    cl::Application->MessageBox(FormatUpgradeMessage(writing ? kCannotWriteFile : kCannotCreateFile,
                                                     {fileName, cl::SysErrorMessage(error)}),
                                LoadUpgradeMessage(0), MB_ICONERROR);
    if (*alive && serial == upgradeSerial_)
        AbortUpgrade();
}

void TUpgrader::HostNotReached()
{
    const AnsiString address = infoFileMode_ ? InfoFileURL : currentURL_;
    const AnsiString host = ExtractURLHost(address);
    if (OnHostUnreachable)
        OnHostUnreachable(this, address, host);
    if (automaticCheck_) {
        // Silent, also for a download the automatic check began: the timer tries again.
        timerSuspended_ = false;
        UpdateTimer();
    } else if (Shows(mHostUnreachable) || !infoFileMode_) {
        // A download the user asked for and watched start never ends without a word.
        cl::Application->MessageBox(FormatUpgradeMessage(26, {"http://" + host + "'"}), LoadUpgradeMessage(0),
                                    MB_ICONERROR);
    }
    StopUpgrade();
}

void TUpgrader::LoginRequest(const AnsiString& realm, bool& tryAgain)
{
    if (OnPasswordRequest)
        OnPasswordRequest(this, realm, tryAgain);
    if (!tryAgain && Shows(mPasswordRequest)) {
        const std::shared_ptr<bool> alive = alive_;
        const unsigned serial = upgradeSerial_;
        const bool ok = ShowPasswordDialog(*this);
        if (!*alive || serial != upgradeSerial_)
            return;
        if (ok)
            tryAgain = true;
        else
            AbortUpgrade();
    }
}

void TUpgrader::ShowMessage(int k, UINT flags) const { ShowUpgradeMessage(k, flags); }

void TUpgrader::StopUpgrade()
{
    const bool upgrading = phase_ == TPhase::Upgrading;
    phase_ = TPhase::Idle;
    finishPending_ = false;
    ++upgradeSerial_;
    SignalWaiters();
    SignalEvent(wizardEvent_);
    // The worker deletes its partial file once it has closed it.
    if (Busy())
        Abort(true, false);
    // An upgrade that ends without a hand-over leaves none of its files beside the
    // program, finished or partial.
    if (upgrading && !upgradeComplete_)
        DeleteDownloadedFiles();
    CloseUpgraderWizard(this);
}

void TUpgrader::AbortUpgrade()
{
    aborted_ = true;
    StopUpgrade();
    DeleteDownloadedFiles();
    if (OnAborted)
        OnAborted(this);
}

void TUpgrader::RestartApplication(const AnsiString& params)
{
    if (!upgradeComplete_)
        DeleteDownloadedFiles();
    StartUpgrader(params.empty() ? restartParams_ + static_cast<char>('0' + static_cast<int>(upgradeMethod_))
                                 : params);
}

bool TUpgrader::StartUpgrader(const AnsiString& params)
{
    const AnsiString helper = UpgraderPath();
    AnsiString failure;
    try {
        if (!HandOverEnded())
            throw cl::Exception(HandOverPendingText());
        cl::TMemoryStream bytes;
        if (!ResourceToStream(cl::ModuleInstance(), "AUUPG", "AUUPG", &bytes))
            throw cl::Exception("The upgrade program is missing from " + cl::Application->ExeName());
        {
            cl::TFileStream file(helper, cl::fmCreate);
            file.WriteBuffer(bytes.Memory(), bytes.Size());
        }
        SetFileAttributesA(helper.c_str(), FILE_ATTRIBUTE_TEMPORARY);
    } catch (const std::exception& e) {
        failure = e.what();
    }
    if (failure.empty()) {
        const AnsiString command = HelperCommandLine(helper, cl::Application->ExeName(), params);
        const UINT started = WinExec(command.c_str(), SW_SHOWNORMAL);
        if (started <= 31)
            failure = "Cannot run \"" + helper + "\" (" + cl::IntToStr(static_cast<int>(started)) + ")";
    }
    if (!failure.empty()) {
        // The program keeps running: without the helper nothing would restart it, and
        // the downloads it would have moved go.
        DeleteDownloadedFiles();
        cl::Application->MessageBox(failure, LoadUpgradeMessage(0), MB_OK | MB_ICONERROR);
        return false;
    }
    if (OnDoOwnCloseAppMethod)
        OnDoOwnCloseAppMethod(this);
    else
        CloseApplication();
    return true;
}

} // namespace up
