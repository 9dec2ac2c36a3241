// The player library's window: a top pane with the favourite link and the play pane. While
// a portal game page completes in the play pane, the window records the game, adds it to
// the local catalogue and copies its movie. Closed, it is hidden at once and freed once
// nothing still runs in it.
#pragma once

#include "browser/WebPane.h"
#include "classlib/Forms.h"
#include "classlib/IniFiles.h"
#include "skin/engine/SkinData.h"

#include <memory>
#include <vector>

using browser::TWebPane;

// Posted by the skin engine for a caption button it does not handle; wParam the type.
constexpr UINT WM_SKIN_CAPTION_BUTTON = 0x3514;

class TPlayExtend;

class TPlayForm : public cl::TForm {
    CL_CLASS(TPlayForm)
public:
    explicit TPlayForm(cl::TComponent* owner);
    ~TPlayForm() override;

    // Components of the form resource.
    TWebPane* webTop = nullptr;
    TWebPane* webPlay = nullptr;
    skin::TSkinData* SkinDataPlay = nullptr;

    cl::AnsiString Url;                  // the address given to ShowForm
    std::unique_ptr<cl::TIniFile> Ini;   // Data\Data.db, opened when shown
    HWND HostHandle = nullptr;           // ShowForm's first argument; not used
    // How long closing waits for the blank page.
    DWORD WaitTimeoutMs = 5000;
    // How long a favourite click waits for the game to finish loading before the user is
    // told that it has not.
    DWORD FavouriteWaitMs = 30000;

    void FormShow(cl::TObject* sender);
    void FormClose(cl::TObject* sender, cl::TCloseAction& action);
    void webPlayTitleChange(cl::TObject* sender, const std::wstring& text);
    void webPlayDocumentComplete(cl::TObject* sender, IDispatch* disp, const VARIANT& url);
    void webPlayScriptError(cl::TObject* sender, const cl::AnsiString& errorLine, const cl::AnsiString& errorCharacter,
                            const cl::AnsiString& errorCode, const cl::AnsiString& errorMessage,
                            const cl::AnsiString& errorUrl, bool& continueScript, bool& showDialog);
    HRESULT webTopGetExternal(cl::TComPtr<IDispatch>& dispatch);

    // Reached from the top page through its scriptable object.
    // Adds the game of the click (caption and address as they are when it comes) to the
    // favourites once the play pane has loaded; a window closed meanwhile adds nothing.
    void AddFav();
    void Refresh();
    void GetSwf(std::wstring_view text);
    // Adds title and address to the catalogue of kind ("Local" or "Fav"), confirming a
    // favourite (or refusing a second one) with a message box.
    void GameAdd(const cl::AnsiString& kind, const cl::AnsiString& title, const cl::AnsiString& address);

    // Records the completed page at url: playDocument is the play pane's document, complete
    // whether the pane has finished loading and is idle, topDocument the top pane's
    // document (null: the top page is not told). Errors propagate.
    void RecordGame(const cl::AnsiString& url, IDispatch* playDocument, bool complete, IDispatch* topDocument);

    // A scriptable object of the top pane going before this window; the window clears the
    // reference of those still alive when it goes.
    void ForgetExternal(TPlayExtend& external);

protected:
    // Frees the window unless a call that runs the message loop is still in it, or another
    // window still wears this window's skin; then it tries again once that has ended.
    void DoRelease() override;

private:
    // Marks a call that may run the message loop (waits, message boxes, page script):
    // freeing the window waits until the last one has returned.
    class TInUse {
    public:
        explicit TInUse(TPlayForm& form);
        ~TInUse();
        TInUse(const TInUse&) = delete;
        TInUse& operator=(const TInUse&) = delete;

    private:
        TPlayForm& form_;
    };

    void WMSkinCaptionButton(cl::TMessage& message);
    bool SkinWornElsewhere() const;
    void PostRelease();
    // Asks again every closed player window whose freeing was put off.
    static void RetryReleases(const TPlayForm* except);

    int inUse_ = 0;
    bool releaseWanted_ = false;
    bool closed_ = false; // the user closed the window: it never plays again
    std::vector<TPlayExtend*> externals_;
};
