#include "shell/MainFrm.h"

#include "classlib/Seams.h"
#include "classlib/StartupSteps.h"
#include "shell/AboutFrm.h"
#include "shell/FeedBackFrm.h"
#include "player/Tessel.h"
#include "shell/GameCatalog.h"
#include "shell/GameText.h"
#include "shell/IEExternal.h"
#include "shell/PlayFrm.h"
#include "shell/Portal.h"
#include "shell/SettingFrm.h"
#include "shell/UnConst.h"

#include <utility>

TMainForm* MainForm = nullptr;

const cl::TClass& TMainForm::StaticClass()
{
    return cl::DefineClass<TMainForm, cl::TForm>("TMainForm", [](cl::TPublisher<TMainForm>& p) {
        p.Field("webLeft", &TMainForm::webLeft);
        p.Field("webMain", &TMainForm::webMain);
        p.Field("webTop", &TMainForm::webTop);
        p.Field("statMain", &TMainForm::statMain);
        p.Field("ilMain", &TMainForm::ilMain);
        p.Field("trayMain", &TMainForm::trayMain);
        p.Field("pmMain", &TMainForm::pmMain);
        p.Field("N1", &TMainForm::N1);
        p.Field("N2", &TMainForm::N2);
        p.Field("N4", &TMainForm::N4);
        p.Field("N3", &TMainForm::N3);
        p.Field("sdMain", &TMainForm::sdMain);
        p.Field("autoUPMain", &TMainForm::autoUPMain);
        p.Handler("FormCreate", &TMainForm::FormCreate);
        p.Handler("FormShow", &TMainForm::FormShow);
        p.Handler("FormDestroy", &TMainForm::FormDestroy);
        p.Handler("FormCloseQuery", &TMainForm::FormCloseQuery);
        p.Handler("webTopGetExternal", &TMainForm::webTopGetExternal);
        p.Handler("webLeftGetExternal", &TMainForm::webLeftGetExternal);
        p.Handler("webTopScriptError", &TMainForm::webTopScriptError);
        p.Handler("webLeftBeforeNavigate2", &TMainForm::webLeftBeforeNavigate2);
        p.Handler("webLeftNewWindow2", &TMainForm::webLeftNewWindow2);
        p.Handler("statMainClick", &TMainForm::statMainClick);
        p.Handler("statMainDrawPanel", &TMainForm::statMainDrawPanel);
        p.Handler("trayMainMinimizeApp", &TMainForm::trayMainMinimizeApp);
        p.Handler("trayMainRestoreApp", &TMainForm::trayMainRestoreApp);
        p.Handler("N1Click", &TMainForm::N1Click);
        p.Handler("N2Click", &TMainForm::N2Click);
        p.Handler("N3Click", &TMainForm::N3Click);
    });
}

TMainForm::TMainForm(cl::TComponent* owner) : TForm(owner)
{
    SetMessageHandler(WM_HOTKEY, [this](cl::TMessage& m) { HotKeyHandler(m); });
    SetMessageHandler(WM_SYSCOMMAND, [this](cl::TMessage& m) { WMSysCommand(m); });
    SetMessageHandler(WM_QUERYENDSESSION, [this](cl::TMessage& m) { WMQueryEndSession(m); });
    SetMessageHandler(WM_SKIN_CAPTION_BUTTON, [this](cl::TMessage& m) { WMSkinCaptionButton(m); });
    SetMessageHandler(WM_SKIN_CAPTION_MENU, [this](cl::TMessage& m) { WMSkinCaptionMenu(m); });
    SetMessageHandler(WM_MAIN_AFTER_SHOW, [this](cl::TMessage&) { AfterShow(); });
}

TMainForm::~TMainForm()
{
    // Before anything of the window goes: page script run while the panes go meets
    // objects without a window.
    externals_.Clear();
    cl::Free(std::exchange(offlinePlayer_, nullptr));
    if (MainForm == this) MainForm = nullptr;
}

void TMainForm::FormCreate(cl::TObject*)
{
    inTray_ = false;
    iniData_ = std::make_unique<cl::TIniFile>(AppPath + DataFileName);
    iniConfig_ = std::make_unique<cl::TIniFile>(AppPath + ConfigFileName);
    // The form resource names the upgrade files by their path on the portal's service.
    if (autoUPMain) {
        if (!autoUPMain->InfoFileURL.empty() && autoUPMain->InfoFileURL[0] == '/')
            autoUPMain->InfoFileURL = PortalUrl(autoUPMain->InfoFileURL.c_str());
        cl::TStringList* files = autoUPMain->InfoFile()->Files();
        for (int i = 0; i < files->Count(); ++i)
            if (files->Get(i).rfind("/", 0) == 0)
                files->Put(i, PortalUrl(files->Get(i).c_str()));
    }
    LoadSeting();
}

void TMainForm::LoadSeting()
{
    if (bossKeyOn_) UnregisterHotKey(Handle(), hotKeyId_);
    bossKeyOn_ = iniConfig_->ReadBool("Setting", "SetBossKey", true);
    closeExit_ = iniConfig_->ReadBool("Setting", "CloseExit", false);
    if (bossKeyOn_) {
        hotKeyId_ = GlobalAddAtomA("hotkeyD") - 0xC000;
        RegisterHotKey(Handle(), hotKeyId_, MOD_CONTROL, 'B'); // held by another program: Ctrl+B does nothing
    }
}

namespace {
// Start-up navigation must not stop the program: under a browser without an engine, or
// with the portal down, the pane just stays empty.
void NavigateQuietly(TWebPane* pane, const cl::AnsiString& url)
{
    try {
        pane->NavigateUrl(url);
    } catch (const cl::Exception&) {
    }
}
} // namespace

// The navigations and the volume need the window up, not before it: they run once the
// show has returned to the message loop, in this order.
void TMainForm::FormShow(cl::TObject*) { PostMessageA(Handle(), WM_MAIN_AFTER_SHOW, 0, 0); }

void TMainForm::AfterShow()
{
    STARTUP_STEP("after the show");
    NavigateQuietly(webTop, AppPath + "LocalPage\\navigate\\topbanner.html");
    STARTUP_STEP("navigation", "webTop");
    NavigateQuietly(webLeft, AppPath + "LocalPage\\catalog\\catalogflash.html");
    STARTUP_STEP("navigation", "webLeft");
    NavigateQuietly(webMain, PortalUrl("/box/"));
    STARTUP_STEP("navigation", "webMain");
    if (!volume_) {
        volume_ = std::make_unique<TVolume>();
        volume_->SetLeft(60);
        volume_->SetRight(60);
        leftLevel_ = volume_->GetLeft();
        rightLevel_ = volume_->GetRight();
        STARTUP_STEP("volume");
    }
}

void TMainForm::FormDestroy(cl::TObject*)
{
    if (bossKeyOn_) UnregisterHotKey(Handle(), hotKeyId_);
    iniData_.reset();
    iniConfig_.reset();
    volume_.reset();
    cl::Free(std::exchange(offlinePlayer_, nullptr));
}

void TMainForm::FormCloseQuery(cl::TObject*, bool& canClose)
{
    canClose = closeExit_;
    if (!canClose) MinToTray();
}

HRESULT TMainForm::NewExternal(cl::TComPtr<IDispatch>& dispatch)
{
    TIEExternal* ext = IEExternalFactory().Create();
    ext->MainForm = this;
    externals_.Add(*ext);
    dispatch = cl::TComPtr<IDispatch>::Attach(ext);
    return S_OK;
}

HRESULT TMainForm::webTopGetExternal(cl::TComPtr<IDispatch>& dispatch) { return NewExternal(dispatch); }
HRESULT TMainForm::webLeftGetExternal(cl::TComPtr<IDispatch>& dispatch) { return NewExternal(dispatch); }

void TMainForm::webTopScriptError(cl::TObject*, const cl::AnsiString&, const cl::AnsiString&, const cl::AnsiString&,
                                  const cl::AnsiString&, const cl::AnsiString&, bool& continueScript, bool& showDialog)
{
    continueScript = true;
    showDialog = false;
}

namespace {
bool FileExists(const cl::AnsiString& path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Fills the offline page template with the record's texts and writes "Data\Temp.html",
// line by line, replacing the earlier page; returns its path. The page runs from the local
// disk: title and movie path go in as text, the description as the game page's own markup.
cl::AnsiString WriteOfflinePage(const cl::AnsiString& title, const cl::AnsiString& swf, const cl::AnsiString& desc)
{
    cl::TStringList page;
    page.LoadFromFile(AppPath + "Data\\Swf.html");
    page.SetText(FillOfflinePage(page.Text(), HtmlText(title), HtmlText(swf), desc));
    const cl::AnsiString path = AppPath + "Data\\Temp.html";
    page.SaveToFile(path);
    return path;
}
} // namespace

TPlayForm& TMainForm::OfflinePlayer()
{
    if (!offlinePlayer_) offlinePlayer_ = cl::CreateForm<TPlayForm>(nullptr); // owned by nobody, never shown
    return *offlinePlayer_;
}

void TMainForm::webLeftBeforeNavigate2(cl::TObject*, IDispatch*, const VARIANT& url, const VARIANT&, const VARIANT&,
                                       const VARIANT&, const VARIANT&, bool&)
{
    // A recorded game the catalogue opens also plays offline in the hidden player window of
    // the program's own; the left pane's navigation always goes on. One window serves every
    // such navigation: a new one each time would hold two browser controls to the end.
    cl::TOleVariant address;
    cl::OleCheck(VariantCopy(address.put(), const_cast<VARIANT*>(&url)));
    const cl::AnsiString section = address.AsString();
    if (!iniData_->SectionExists(section)) return;
    const cl::AnsiString swf = iniData_->ReadString(section, "swf", "");
    if (!FileExists(AppPath + "Data\\swf\\" + swf)) return;
    const cl::AnsiString page = WriteOfflinePage(iniData_->ReadString(section, "title", ""), "swf/" + swf,
                                                 iniData_->ReadString(section, "desc", ""));
    TPlayForm& player = OfflinePlayer();
    player.webPlay->OnDocumentComplete = nullptr;
    player.webPlay->Stop();
    player.webPlay->NavigateUrl(page);
}

void TMainForm::webLeftNewWindow2(cl::TObject*, cl::TComPtr<IDispatch>& disp, bool& cancel)
{
    // A window the catalogue opens is shown in the middle pane.
    IDispatch* browser = webMain->ControlDispatch();
    if (browser) disp = cl::TComPtr<IDispatch>(browser);
    else cancel = true;
}

void TMainForm::Navigate(const cl::AnsiString& typeStr)
{
    const cl::AnsiString local = AppPath + "LocalPage\\management\\localflash.html?item=";
    if (typeStr == "mygames") {
        webLeft->NavigateUrl(AppPath + "LocalPage\\catalog\\catalogmygame.html");
        webLeft->Show();
        webMain->NavigateUrl(local + "1");
    } else if (typeStr == "flashgames") {
        webLeft->NavigateUrl(AppPath + "LocalPage\\catalog\\catalogflash.html");
        webLeft->Show();
        webMain->NavigateUrl(PortalUrl("/box/"));
    } else if (typeStr == "webgames") {
        webLeft->Hide();
        webMain->NavigateUrl(PortalUrl("/box/webgame.html"));
    } else if (typeStr == "local") {
        webMain->NavigateUrl(local + "1");
    } else if (typeStr == "favorites") {
        webMain->NavigateUrl(local + "2");
    }
}

cl::AnsiString TMainForm::GetRealUrl(const cl::AnsiString& key)
{
    if (!iniData_->SectionExists(key)) return PortalUrl("/flash/") + key;
    const cl::AnsiString swf = iniData_->ReadString(key, "swf", "");
    if (!FileExists(AppPath + "Data\\" + swf)) return {};
    return WriteOfflinePage(iniData_->ReadString(key, "title", ""), swf, iniData_->ReadString(key, "desc", ""));
}

void TMainForm::Play(const cl::AnsiString& key)
{
    const cl::AnsiString url = GetRealUrl(key);
    // By full path: a library of that name elsewhere on the search path must not load.
    HMODULE library = LoadLibraryA((AppPath + TesselLibraryName).c_str());
    auto showForm = library ? reinterpret_cast<TShowFormProc>(reinterpret_cast<void*>(GetProcAddress(library, "ShowForm"))) : nullptr;
    if (!showForm) {
        // A missing library or export is a silent abort.
        if (library) FreeLibrary(library);
        return;
    }
    // The library stays loaded: its first ShowForm pins it for the rest of the run.
    showForm(cl::Application->Handle(), url.empty() ? nullptr : url.c_str());
}

int TMainForm::GameDel(const cl::AnsiString& type, const cl::AnsiString& name)
{
    if (name.empty() || !CatalogDelete(type, name)) return 0;
    cl::Application->MessageBox("成功删除", "提示", MB_ICONINFORMATION);
    return 1;
}

namespace {
const char* const kSoundOn = "打开声音";
const char* const kSoundOff = "关闭声音";
} // namespace

void TMainForm::statMainDrawPanel(cl::TStatusBar* bar, cl::TStatusPanel* panel, const RECT& rect)
{
    cl::TCanvas* canvas = bar->Canvas();
    // The bar's own width: a partial repaint's clip rectangle would misplace the texts.
    const int r = bar->ClientWidth();
    canvas->Font().SetColor(0x181818);
    canvas->Brush().SetStyle(cl::bsClear);
    const int y = rect.top + 2;
    if (panel->Index() == 0) {
        bool muted = volume_ && volume_->Mute();
        canvas->TextOut(r - 160, y, muted ? kSoundOn : kSoundOff);
        if (ilMain) ilMain->Draw(*canvas, r - 178, y, muted ? 4 : 1);
    } else if (panel->Index() == 1) {
        canvas->TextOut(r - 70, y, panel->Text());
        if (ilMain) ilMain->Draw(*canvas, r - 88, y, 2);
    }
}

void TMainForm::statMainClick(cl::TObject*)
{
    POINT pt;
    GetCursorPos(&pt);
    StatusBarClickAt(statMain->ScreenToClient(pt));
}

void TMainForm::StatusBarClickAt(POINT pt)
{
    const RECT client = statMain->ClientRect();
    const int r = client.right;
    if (pt.y < client.top || pt.y >= client.bottom) return;
    if (pt.x >= r - 150 && pt.x < r - 80) {
        if (!volume_) return;
        volume_->SetMute(!volume_->Mute());
        volume_->SetLeft(leftLevel_);
        volume_->SetRight(rightLevel_);
        statMain->Repaint();
    } else if (pt.x >= r - 70 && pt.x < r) {
        Navigate("mygames");
    }
}

void TMainForm::trayMainMinimizeApp(cl::TObject*) { inTray_ = true; }

void TMainForm::trayMainRestoreApp(cl::TObject*)
{
    inTray_ = false;
    trayMain->HideOnMinimize = false;
}

void TMainForm::MinToTray() { trayMain->MinimizeApp(); }

void TMainForm::N1Click(cl::TObject*) { trayMain->RestoreApp(); }
void TMainForm::N2Click(cl::TObject*) { MinToTray(); }
void TMainForm::N3Click(cl::TObject*) { CloseSelf(); }

void TMainForm::CloseSelf()
{
    closeExit_ = true;
    Close();
}

void TMainForm::HotKeyHandler(cl::TMessage& message)
{
    // The modifiers must be exactly Ctrl, the key B; the identifier is not compared.
    if (LOWORD(message.LParam) != MOD_CONTROL || HIWORD(message.LParam) != 'B') return;
    if (inTray_) trayMain->RestoreApp();
    else MinToTray();
}

void TMainForm::WMSysCommand(cl::TMessage& message)
{
    // A minimise from the caption hides the application in the tray; the next restore
    // clears the flag again.
    if (message.WParam == SC_MINIMIZE) trayMain->HideOnMinimize = true;
    Inherited(message);
}

void TMainForm::WMQueryEndSession(cl::TMessage& message)
{
    Inherited(message);
    message.Result = 1;
    cl::Application->Terminate();
}

// A window made for one modal showing, without owner, and released afterwards. It may
// already have asked for its release when it closed; the request is the same one.
template <class TWindow> void TMainForm::ShowModalOnce()
{
    TWindow* window = cl::CreateForm<TWindow>(nullptr);
    try {
        window->ShowModal();
    } catch (...) {
        window->Release();
        throw;
    }
    window->Release();
}

void TMainForm::OpenHomePage() { cl::ShellExecuteOpen(Handle(), "", PortalUrl("/")); }

void TMainForm::WMSkinCaptionButton(cl::TMessage& message)
{
    switch (message.WParam) {
    case 13:
        ShowModalOnce<TFeedBackForm>();
        break;
    case 14:
        OpenHomePage();
        break;
    default:
        break;
    }
}

void TMainForm::CheckForUpdate()
{
    if (autoUPMain && !autoUPMain->CheckUpdateWait())
        cl::Application->MessageBox("程序已经是最新版本", cl::Application->Title());
}

void TMainForm::WMSkinCaptionMenu(cl::TMessage& message)
{
    switch (message.WParam) {
    case 1:
        OpenHomePage();
        break;
    case 2:
        ShowModalOnce<TAboutForm>();
        break;
    case 3:
        if (SettingForm) {
            SettingForm->SetIniConfig(iniConfig_.get());
            SettingForm->ShowModal();
        }
        break;
    case 4:
        CheckForUpdate();
        break;
    case 5:
        CloseSelf();
        break;
    default:
        break;
    }
}
