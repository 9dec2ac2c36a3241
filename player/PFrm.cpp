#include "player/PFrm.h"

#include "classlib/Encoding.h"
#include "classlib/Seams.h"
#include "player/PlayExtend.h"
#include "shell/GameCatalog.h"
#include "shell/GameText.h"
#include "shell/MovieCopy.h"
#include "shell/Portal.h"
#include "shell/UnConst.h"
#include "skin/engine/SkinManage.h"
#include "skin/engine/SkinnedForm.h"
#include "skin/engine/SkinnedPopMenu.h"

#include <algorithm>

const cl::TClass& TPlayForm::StaticClass()
{
    return cl::DefineClass<TPlayForm, cl::TForm>("TPlayForm", [](cl::TPublisher<TPlayForm>& p) {
        p.Field("webTop", &TPlayForm::webTop);
        p.Field("webPlay", &TPlayForm::webPlay);
        p.Field("SkinDataPlay", &TPlayForm::SkinDataPlay);
        p.Handler("FormShow", &TPlayForm::FormShow);
        p.Handler("FormClose", &TPlayForm::FormClose);
        p.Handler("webPlayTitleChange", &TPlayForm::webPlayTitleChange);
        p.Handler("webPlayDocumentComplete", &TPlayForm::webPlayDocumentComplete);
        p.Handler("webPlayScriptError", &TPlayForm::webPlayScriptError);
        p.Handler("webTopGetExternal", &TPlayForm::webTopGetExternal);
    });
}

TPlayForm::TPlayForm(cl::TComponent* owner) : TForm(owner)
{
    SetMessageHandler(WM_SKIN_CAPTION_BUTTON, [this](cl::TMessage& m) { WMSkinCaptionButton(m); });
}

TPlayForm::~TPlayForm()
{
    // The panes go after this class's members: events they raise while going reach no
    // handler, and the top page's objects left behind answer as if they had no window.
    for (TWebPane* pane : {webTop, webPlay})
        if (pane) {
            pane->OnDocumentComplete = nullptr;
            pane->OnTitleChange = nullptr;
            pane->OnGetExternal = nullptr;
            pane->OnScriptError = nullptr;
        }
    for (TPlayExtend* external : externals_) external->PlayForm = nullptr;
}

TPlayForm::TInUse::TInUse(TPlayForm& form) : form_(form) { ++form_.inUse_; }

TPlayForm::TInUse::~TInUse()
{
    if (--form_.inUse_ == 0 && form_.releaseWanted_) form_.PostRelease();
}

void TPlayForm::PostRelease()
{
    if (HandleAllocated()) PostMessageA(Handle(), cl::CM_RELEASE, 0, 0);
}

bool TPlayForm::SkinWornElsewhere() const
{
    const skin::TSkinManage* manager = skin::SkinManager;
    if (!manager || !SkinDataPlay) return false;
    const HWND own = HandleAllocated() ? const_cast<TPlayForm*>(this)->Handle() : nullptr;
    for (const skin::TSkinnedForm* f : manager->Forms())
        if (f->SkinData == SkinDataPlay && f->Window != own && f->SkinState != skin::ssReleased && IsWindow(f->Window))
            return true;
    for (const skin::TSkinnedPopMenu* menu : manager->PopupMenus())
        if (menu->SkinData == SkinDataPlay && IsWindow(menu->Window)) return true;
    return false;
}

void TPlayForm::RetryReleases(const TPlayForm* except)
{
    if (!cl::Screen) return;
    for (int i = 0; i < cl::Screen->FormCount(); ++i) {
        auto* form = dynamic_cast<TPlayForm*>(cl::Screen->Forms(i));
        if (form && form != except && form->releaseWanted_ && form->inUse_ == 0) form->PostRelease();
    }
}

void TPlayForm::DoRelease()
{
    // Windows the library's skin manager met while this window was the newest wear its
    // skin component; freeing it would strip them, so the window waits for them to go.
    if (inUse_ > 0 || SkinWornElsewhere()) {
        releaseWanted_ = true;
        return;
    }
    RetryReleases(this);
    TForm::DoRelease();
}

void TPlayForm::ForgetExternal(TPlayExtend& external)
{
    externals_.erase(std::remove(externals_.begin(), externals_.end(), &external), externals_.end());
}

void TPlayForm::FormShow(cl::TObject*)
{
    RetryReleases(this);
    Ini = std::make_unique<cl::TIniFile>(AppPath + DataFileName);
    webTop->NavigateUrl(AppPath + "LocalPage\\navigate\\favor.html");
    if (Url.find("flash") == cl::AnsiString::npos) webPlay->OnDocumentComplete = nullptr; // records nothing
    if (!Url.empty()) webPlay->NavigateUrl(Url);
}

void TPlayForm::FormClose(cl::TObject*, cl::TCloseAction& action)
{
    // Hidden first, so that the wait for the blank page (which never ends under an engine
    // without pages) leaves nothing on the screen. The blank page ends the game's sound and
    // movie; the window is freed once the messages now queued have run: it is never shown
    // again, and each closed window kept would hold its browser controls to the end.
    TInUse inUse(*this);
    closed_ = true;
    action = cl::caHide;
    Hide();
    try {
        webPlay->Stop();
        webPlay->NavigateBlankWait(WaitTimeoutMs);
    } catch (const std::exception&) {
    }
    Release();
}

void TPlayForm::webPlayTitleChange(cl::TObject*, const std::wstring& text)
{
    if (text != L"about:blank") SetCaption(cl::WideToAnsi(text));
}

void TPlayForm::webPlayScriptError(cl::TObject*, const cl::AnsiString&, const cl::AnsiString&, const cl::AnsiString&,
                                   const cl::AnsiString&, const cl::AnsiString&, bool& continueScript,
                                   bool& showDialog)
{
    continueScript = true;
    showDialog = false;
}

HRESULT TPlayForm::webTopGetExternal(cl::TComPtr<IDispatch>& dispatch)
{
    TPlayExtend* ext = PlayExtendFactory().Create();
    ext->PlayForm = this;
    externals_.push_back(ext);
    dispatch = cl::TComPtr<IDispatch>::Attach(ext);
    return S_OK;
}

void TPlayForm::webPlayDocumentComplete(cl::TObject*, IDispatch*, const VARIANT& url)
{
    TInUse inUse(*this);
    try {
        cl::TOleVariant copy;
        cl::OleCheck(VariantCopy(copy.put(), const_cast<VARIANT*>(&url)));
        const cl::AnsiString address = copy.AsString();
        if (address.find("flash") == cl::AnsiString::npos) return;
        const bool complete = webPlay->ReadyState() == READYSTATE_COMPLETE && !webPlay->Busy();
        RecordGame(address, webPlay->Document().get(), complete, webTop->Document().get());
    } catch (const std::exception&) {
        // A page without the movie variable or the "HowToPlay" element is not recorded.
    }
}

void TPlayForm::RecordGame(const cl::AnsiString& url, IDispatch* playDocument, bool complete, IDispatch* topDocument)
{
    TInUse inUse(*this);
    if (url.find("flash") == cl::AnsiString::npos) return;
    cl::TStringList sections;
    Ini->ReadSections(sections);
    for (int i = 0; i < sections.Count(); ++i)
        if (cl::SameText(sections[i], url)) {
            Ini->EraseSection(url);
            break;
        }
    cl::TOleVariant f;
    if (complete) {
        f = cl::GetProperty(cl::GetProperty(playDocument, L"Script").AsDispatch().get(), L"f");
        // Page text is one line in the records whatever it holds: a line break would write
        // keys and sections of the page's choosing.
        Ini->WriteString(url, "swf", RecordLine(MoviePathOf(f.AsString())));
        Ini->WriteString(url, "title", RecordLine(Caption()));
        cl::TComPtr<IDispatch> element =
            cl::CallMethod(playDocument, L"getElementByID", {cl::TOleVariant("HowToPlay")}).AsDispatch();
        Ini->WriteString(url, "desc", RecordLine(cl::GetProperty(element.get(), L"innerHTML").AsString()));
    }
    GameAdd("Local", Caption(), url);
    if (complete && !f.IsNull()) GetSwf(f.AsWide());
    if (topDocument) {
        cl::TComPtr<IDispatch> window = cl::GetProperty(topDocument, L"parentWindow").AsDispatch();
        cl::CallMethod(window.get(), L"execScript", {cl::TOleVariant("addFav()"), cl::TOleVariant("JavaScript")});
    }
}

void TPlayForm::GameAdd(const cl::AnsiString& kind, const cl::AnsiString& title, const cl::AnsiString& address)
{
    TInUse inUse(*this);
    const TCatalogAdd result = CatalogAdd(kind, title, address);
    if (kind != "Fav") return;
    if (result == TCatalogAdd::caExists) cl::Application->MessageBox("你已经收藏过本游戏", "提示", MB_ICONINFORMATION);
    else if (result == TCatalogAdd::caAdded) cl::Application->MessageBox("添加收藏成功", "提示", MB_ICONINFORMATION);
}

void TPlayForm::AddFav()
{
    TInUse inUse(*this);
    if (closed_) return;
    // Taken now: the close navigates the pane to the blank page during the wait.
    const cl::AnsiString title = Caption();
    const cl::AnsiString address = cl::WideToAnsi(webPlay->LocationURL());
    const bool loaded = browser::WaitForPane(
        *webPlay, [this] { return closed_ || (!webPlay->Busy() && webPlay->ReadyState() == READYSTATE_COMPLETE); },
        FavouriteWaitMs);
    if (closed_) return;
    if (!loaded) {
        // The program is ending or the pane has gone: nobody is there to tell.
        MSG quit;
        if (!webPlay->HandleAllocated() || !IsWindow(webPlay->Handle()) ||
            PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE)) return;
        cl::Application->MessageBox("游戏还没有加载完成，请稍后再收藏", "提示", MB_ICONINFORMATION);
        return;
    }
    GameAdd("Fav", title, address);
}

void TPlayForm::Refresh()
{
    TInUse inUse(*this);
    if (webPlay->ReadyState() == READYSTATE_COMPLETE) webPlay->Refresh();
}

void TPlayForm::GetSwf(std::wstring_view text) { StartMovieCopy(text); }

void TPlayForm::WMSkinCaptionButton(cl::TMessage& message)
{
    TInUse inUse(*this);
    if (message.WParam == 14) cl::ShellExecuteOpen(Handle(), "", PortalUrl("/"));
}
