// Forms and the application: TCustomForm/TForm (top-level windows made from their form
// resource, modal and modeless showing, closing), TApplication (the module's message
// loop and hidden application window), TScreen (the module's forms), and hidden utility
// windows bound to a member procedure (AllocateHWnd).
#pragma once

#include "classlib/Controls.h"

#include <map>

namespace cl {

class EInvalidOperation : public Exception { using Exception::Exception; };

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
extern const TEnumType FormBorderStyleType;

enum TBorderIcon { biSystemMenu, biMinimize, biMaximize, biHelp };
using TBorderIcons = unsigned; // bit (1 << TBorderIcon)
extern const TEnumType BorderIconType;

enum TPosition { poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter, poDesktopCenter,
                 poMainFormCenter, poOwnerFormCenter };
extern const TEnumType PositionType;

enum TCloseAction { caNone, caHide, caFree, caMinimize };

using TModalResult = int;
constexpr TModalResult mrNone = 0, mrOk = IDOK, mrCancel = IDCANCEL, mrAbort = IDABORT, mrRetry = IDRETRY,
                       mrIgnore = IDIGNORE, mrYes = IDYES, mrNo = IDNO;

using TCloseEvent = std::function<void(TObject* sender, TCloseAction& action)>;
using TCloseQueryEvent = std::function<void(TObject* sender, bool& canClose)>;

// Limits of a form's outer size; 0 is no limit.
class TSizeConstraints : public TPersistent {
    CL_CLASS(TSizeConstraints)
public:
    int MinWidth = 0, MinHeight = 0, MaxWidth = 0, MaxHeight = 0;
    void Assign(const TPersistent& source) override;
    // The size clamped to the limits.
    void Apply(int& width, int& height) const;
};

class TCustomForm : public TWinControl {
    CL_CLASS(TCustomForm)
public:
    // A form without a resource; CreateForm<T> loads a form class's resource.
    explicit TCustomForm(TComponent* owner);
    ~TCustomForm() override;
    // Raises OnDestroy (free forms with cl::Free, or let their owner free them).
    void BeforeDestruction() override;

    // Reads the RCDATA resource named by the upper-cased class name, when the module has
    // one, then raises OnCreate.
    void InitializeForm();

    TFormBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TFormBorderStyle style);
    TBorderIcons BorderIcons() const { return borderIcons_; }
    void SetBorderIcons(TBorderIcons icons);
    TPosition Position() const { return position_; }
    void SetPosition(TPosition position) { position_ = position; }
    TSizeConstraints* Constraints() const { return const_cast<TSizeConstraints*>(&constraints_); }
    TIcon* Icon() const { return const_cast<TIcon*>(&icon_); }
    TWinControl* ActiveControl() const { return activeControl_; }
    void SetActiveControl(TWinControl* control);

    void SetBounds(int left, int top, int width, int height) override;
    void SetClientSize(int width, int height) override;
    // Before the window exists: the size less the frame it will get.
    RECT ClientRect() const override;
    int FormClientWidth() const { return pendingClientWidth_ >= 0 ? pendingClientWidth_ : ClientWidth(); }
    int FormClientHeight() const { return pendingClientHeight_ >= 0 ? pendingClientHeight_ : ClientHeight(); }
    void SetFormClientWidth(int width);
    void SetFormClientHeight(int height);

    // Shows the form and brings it to the front.
    void Show();
    // Shows the form with every other window of the thread disabled until ModalResult is
    // set (or the form closes, which sets mrCancel); returns it.
    TModalResult ShowModal();
    TModalResult ModalResult() const { return modalResult_; }
    void SetModalResult(TModalResult result) { modalResult_ = result; }
    bool Modal() const { return modal_; }
    // Asks OnCloseQuery, then acts on OnClose's action (hide by default); closing the
    // main form ends the application.
    void Close();
    bool CloseQuery();
    // Frees the form once the messages now queued have been handled; asking again while
    // that is pending changes nothing.
    void Release();

    // A handler that takes over one message number for this form; Inherited runs the
    // handling the message would have had without it.
    void SetMessageHandler(UINT msg, TWndMethod handler);
    void Inherited(TMessage& message);

    // Focuses the next (or previous) tab stop after the active control.
    void SelectNext(bool forward);

    TNotifyEvent OnCreate;
    TNotifyEvent OnDestroy;
    TNotifyEvent OnShow;
    TCloseEvent OnClose;
    TCloseQueryEvent OnCloseQuery;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void WndProc(TMessage& message) override;
    void VisibleChanged() override;
    void DoRelease() override;
    void Loaded() override;
    void Notification(TComponent& component, TOperation operation) override;

private:
    void FormWndProc(TMessage& message);
    void ApplyPosition();
    void Activation(bool active);

    TFormBorderStyle borderStyle_ = bsSizeable;
    TBorderIcons borderIcons_ = (1u << biSystemMenu) | (1u << biMinimize) | (1u << biMaximize);
    TPosition position_ = poDesigned;
    TSizeConstraints constraints_;
    TIcon icon_;
    TWinControl* activeControl_ = nullptr;
    TModalResult modalResult_ = mrNone;
    int pendingClientWidth_ = -1, pendingClientHeight_ = -1;
    bool modal_ = false;
    bool positioned_ = false;
    bool releasing_ = false;
    bool created_ = false;
    std::map<UINT, TWndMethod> handlers_;
};

class TForm : public TCustomForm {
    CL_CLASS(TForm)
public:
    using TCustomForm::TCustomForm;
};

// A form of class T made with its resource; the caller owns it unless owner does.
template <class T> T* CreateForm(TComponent* owner)
{
    auto form = std::make_unique<T>(owner);
    form->InitializeForm();
    return form.release();
}

// Listeners of one notification, each attached under a key (usually the listener
// itself) so that it can detach before it goes.
class TNotifyListeners {
public:
    void Attach(const void* key, TNotifyEvent handler);
    void Detach(const void* key);
    bool Attached(const void* key) const;
    // Calls every listener attached now; one detached by an earlier call is skipped.
    void Notify(TObject* sender);

private:
    std::vector<std::pair<const void*, TNotifyEvent>> list_;
};

using TExceptionEvent = std::function<void(TObject* sender, const std::exception& e)>;

class TApplication : public TComponent {
    CL_CLASS(TApplication)
public:
    explicit TApplication(TComponent* owner);
    ~TApplication() override;

    // True in a library: no application window, no Run, forms without owner window.
    bool IsLibrary() const;
    // The hidden application window (owner of the forms); null in a library.
    HWND Handle();
    bool HandleAllocated() const { return handle_ != nullptr; }

    void Initialize();
    const AnsiString& Title();
    void SetTitle(const AnsiString& title);
    TIcon* Icon();
    AnsiString ExeName() const;
    TCustomForm* MainForm() const { return mainForm_; }
    bool ShowMainForm() const { return showMainForm_; }
    void SetShowMainForm(bool show) { showMainForm_ = show; }
    // Creates a form of class T owned by the application; the first becomes MainForm.
    template <class T> void CreateForm(T*& ref)
    {
        ref = cl::CreateForm<T>(this);
        if (!mainForm_) mainForm_ = ref;
    }

    // Shows the main form and handles messages until WM_QUIT; does nothing in a library.
    void Run();
    // Ends the message loop (posts WM_QUIT).
    void Terminate();
    bool Terminated() const { return terminated_; }
    // Handles every message waiting, without blocking. A WM_QUIT it takes ends it, sets
    // Terminated and is posted again for the loop outside.
    void ProcessMessages();
    // Handles one message, waiting for one when none is queued (WM_QUIT as above).
    void HandleMessage();

    void Minimize();
    void Restore();
    TNotifyListeners& OnMinimize() { return onMinimize_; }
    TNotifyListeners& OnRestore() { return onRestore_; }

    // Call inside a catch block: OnException, or a message box with the exception's text.
    void HandleException(TObject* sender);
    void ShowException(const AnsiString& message);
    // A message box owned by the active form (or the application window).
    int MessageBox(const AnsiString& text, const AnsiString& caption, UINT flags = MB_OK);
    TExceptionEvent OnException;
    // Offers a key message to the class-library control that holds its window; true when
    // the control took it (it must then not be dispatched).
    bool IsKeyMsg(const MSG& msg);

    int HintPause = 500;
    int HintShortPause = 50;
    int HintHidePause = 2500;
    bool ShowHint = true;

private:
    friend LRESULT CALLBACK ApplicationWindowProc(HWND, UINT, WPARAM, LPARAM);
    friend class TCustomForm;
    bool ProcessMessage(MSG& msg, bool repostQuit);
    void WndProc(TMessage& message);

    HWND handle_ = nullptr;
    AnsiString title_;
    bool titleSet_ = false;
    std::unique_ptr<TIcon> icon_;
    TCustomForm* mainForm_ = nullptr;
    bool showMainForm_ = true;
    bool terminated_ = false;
    TNotifyListeners onMinimize_, onRestore_;
};

class TScreen {
public:
    TScreen();
    ~TScreen();
    TScreen(const TScreen&) = delete;
    TScreen& operator=(const TScreen&) = delete;

    int FormCount() const { return static_cast<int>(forms_.size()); }
    TCustomForm* Forms(int index) const { return forms_.at(static_cast<size_t>(index)); }
    TCustomForm* ActiveForm() const { return activeForm_; }
    // The system's menu font.
    TFont* MenuFont();
    int Width() const { return GetSystemMetrics(SM_CXSCREEN); }
    int Height() const { return GetSystemMetrics(SM_CYSCREEN); }

private:
    friend class TCustomForm;
    std::vector<TCustomForm*> forms_;
    TCustomForm* activeForm_ = nullptr;
    std::unique_ptr<TFont> menuFont_;
};

// The module's application and screen, alive from start-up to exit.
extern TApplication* Application;
extern TScreen* Screen;

// A hidden top-level window (not message-only, so broadcasts reach it) whose messages
// go to method; the method calls DefWindowProc for what it does not handle.
HWND AllocateHWnd(TWndMethod method);
void DeallocateHWnd(HWND wnd);

} // namespace cl
