#include "player/PFrm.h"

#include "classlib/Encoding.h"
#include "classlib/Seams.h"
#include "player/PlayExtend.h"
#include "shell/GameCatalog.h"
#include "shell/GameText.h"
#include "shell/MovieCopy.h"
#include "shell/Portal.h"
#include "shell/UnConst.h"

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

void TPlayForm::FormShow(cl::TObject*)
{
    Ini = std::make_unique<cl::TIniFile>(AppPath + DataFileName);
    webTop->NavigateUrl(AppPath + "LocalPage\\navigate\\favor.html");
    if (Url.find("flash") == cl::AnsiString::npos) webPlay->OnDocumentComplete = nullptr; // records nothing
    if (!Url.empty()) webPlay->NavigateUrl(Url);
}

void TPlayForm::FormClose(cl::TObject*, cl::TCloseAction& action)
{
    // The blank page ends the game's sound and movie; the window is hidden whatever the
    // navigation does.
    action = cl::caHide;
    try {
        webPlay->Stop();
        webPlay->NavigateBlankWait(WaitTimeoutMs);
    } catch (const std::exception&) {
    }
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
    dispatch = cl::TComPtr<IDispatch>::Attach(ext);
    return S_OK;
}

void TPlayForm::webPlayDocumentComplete(cl::TObject*, IDispatch*, const VARIANT& url)
{
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
        Ini->WriteString(url, "swf", MoviePathOf(f.AsString()));
        Ini->WriteString(url, "title", Caption());
        cl::TComPtr<IDispatch> element =
            cl::CallMethod(playDocument, L"getElementByID", {cl::TOleVariant("HowToPlay")}).AsDispatch();
        Ini->WriteString(url, "desc", DescriptionLine(cl::GetProperty(element.get(), L"innerHTML").AsString()));
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
    const TCatalogAdd result = CatalogAdd(kind, title, address);
    if (kind != "Fav") return;
    if (result == TCatalogAdd::caExists) cl::Application->MessageBox("你已经收藏过本游戏", "提示", MB_ICONINFORMATION);
    else if (result == TCatalogAdd::caAdded) cl::Application->MessageBox("添加收藏成功", "提示", MB_ICONINFORMATION);
}

void TPlayForm::AddFav()
{
    // A pane that never becomes ready adds nothing once the wait gives up.
    if (!browser::WaitForPane(
            *webPlay, [this] { return !webPlay->Busy() && webPlay->ReadyState() == READYSTATE_COMPLETE; },
            WaitTimeoutMs))
        return;
    GameAdd("Fav", Caption(), cl::WideToAnsi(webPlay->LocationURL()));
}

void TPlayForm::Refresh()
{
    if (webPlay->ReadyState() == READYSTATE_COMPLETE) webPlay->Refresh();
}

void TPlayForm::GetSwf(std::wstring_view text) { StartMovieCopy(text); }

void TPlayForm::WMSkinCaptionButton(cl::TMessage& message)
{
    if (message.WParam == 14) cl::ShellExecuteOpen(Handle(), "", PortalUrl("/"));
}
