#include "classlib/Forms.h"

#include "classlib/FormReader.h"
#include "classlib/Menus.h"
#include "classlib/ModuleFile.h"
#include "classlib/Seams.h"
#include "classlib/StartupSteps.h"

#include <algorithm>

namespace cl {

const TEnumType FormBorderStyleType{{"bsNone", "bsSingle", "bsSizeable", "bsDialog", "bsToolWindow", "bsSizeToolWin"}};
const TEnumType BorderIconType{{"biSystemMenu", "biMinimize", "biMaximize", "biHelp"}};
const TEnumType PositionType{{"poDesigned", "poDefault", "poDefaultPosOnly", "poDefaultSizeOnly", "poScreenCenter",
                              "poDesktopCenter", "poMainFormCenter", "poOwnerFormCenter"}};

namespace {
// The module's application and screen: made before main (or when the library loads)
// and freed at exit, the application first since its forms leave the screen's list.
struct Globals {
    std::unique_ptr<TScreen> screen = std::make_unique<TScreen>();
    std::unique_ptr<TApplication> application = std::make_unique<TApplication>(nullptr);
    Globals()
    {
        Screen = screen.get();
        Application = application.get();
    }
    ~Globals()
    {
        application.reset();
        Application = nullptr;
        screen.reset();
        Screen = nullptr;
    }
};
} // namespace

TApplication* Application = nullptr;
TScreen* Screen = nullptr;
static Globals globals;

void HandleWindowException(TObject* sender) noexcept
{
    try {
        if (Application) Application->HandleException(sender);
    } catch (...) {
        // Nothing more can be done for an error raised while reporting an error.
    }
}

TCustomForm* GetParentForm(const TControl* control)
{
    if (!control) return nullptr;
    while (control->Parent()) control = control->Parent();
    return dynamic_cast<TCustomForm*>(const_cast<TControl*>(control));
}

// ---------------------------------------------------------------------------------------

const TClass& TSizeConstraints::StaticClass()
{
    return DefineClass<TSizeConstraints, TPersistent>("TSizeConstraints", [](TPublisher<TSizeConstraints>& p) {
        p.Int("MinWidth", &TSizeConstraints::MinWidth, &TSizeConstraints::MinWidth);
        p.Int("MinHeight", &TSizeConstraints::MinHeight, &TSizeConstraints::MinHeight);
        p.Int("MaxWidth", &TSizeConstraints::MaxWidth, &TSizeConstraints::MaxWidth);
        p.Int("MaxHeight", &TSizeConstraints::MaxHeight, &TSizeConstraints::MaxHeight);
    });
}

void TSizeConstraints::Assign(const TPersistent& source)
{
    auto* other = dynamic_cast<const TSizeConstraints*>(&source);
    if (!other) return TPersistent::Assign(source);
    MinWidth = other->MinWidth;
    MinHeight = other->MinHeight;
    MaxWidth = other->MaxWidth;
    MaxHeight = other->MaxHeight;
}

void TSizeConstraints::Apply(int& width, int& height) const
{
    if (MaxWidth > 0) width = std::min(width, MaxWidth);
    if (MaxHeight > 0) height = std::min(height, MaxHeight);
    width = std::max(width, MinWidth);
    height = std::max(height, MinHeight);
}

// ---------------------------------------------------------------------------------------
// TCustomForm

const TClass& TCustomForm::StaticClass()
{
    return DefineClass<TCustomForm, TWinControl>("TCustomForm", [](TPublisher<TCustomForm>& p) {
        p.String("Caption", &TCustomForm::Caption, &TCustomForm::SetCaption);
        p.Int("ClientWidth", &TCustomForm::FormClientWidth, &TCustomForm::SetFormClientWidth);
        p.Int("ClientHeight", &TCustomForm::FormClientHeight, &TCustomForm::SetFormClientHeight);
        p.Enum("BorderStyle", FormBorderStyleType, &TCustomForm::BorderStyle, &TCustomForm::SetBorderStyle);
        p.Set("BorderIcons", BorderIconType, &TCustomForm::BorderIcons, &TCustomForm::SetBorderIcons);
        p.Enum("Position", PositionType, &TCustomForm::Position, &TCustomForm::SetPosition);
        p.Owned("Constraints", &TCustomForm::Constraints);
        p.Owned("Icon", &TCustomForm::Icon);
        p.Ref("ActiveControl", &TCustomForm::ActiveControl, &TCustomForm::SetActiveControl);
        p.Event("OnCreate", &TCustomForm::OnCreate);
        p.Event("OnDestroy", &TCustomForm::OnDestroy);
        p.Event("OnShow", &TCustomForm::OnShow);
        p.Event("OnClose", &TCustomForm::OnClose);
        p.Event("OnCloseQuery", &TCustomForm::OnCloseQuery);
    });
}

TCustomForm::TCustomForm(TComponent* owner) : TWinControl(owner)
{
    InitVisible(false);
    SetControlStyle(ControlStyle() | csAcceptsControls);
    TControl::SetBounds(0, 0, 320, 240);
    if (Screen) Screen->forms_.push_back(this);
}

void TCustomForm::BeforeDestruction()
{
    TWinControl::BeforeDestruction();
    // Here the derived form's members still exist for its OnDestroy handler.
    try {
        if (created_ && OnDestroy) OnDestroy(this);
    } catch (...) {
        HandleWindowException(this);
    }
}

TCustomForm::~TCustomForm()
{
    if (Screen) {
        auto& forms = Screen->forms_;
        forms.erase(std::remove(forms.begin(), forms.end(), this), forms.end());
        if (Screen->activeForm_ == this) Screen->activeForm_ = nullptr;
    }
    if (Application && Application->mainForm_ == this) Application->mainForm_ = nullptr;
    DestroyHandle();
    activeControl_ = nullptr;
    DestroyComponents(); // the controls go while this is still a form
}

void TCustomForm::InitializeForm()
{
    const AnsiString name = UpperCase(ClassName());
    if (HRSRC res = FindResourceA(ModuleInstance(), name.c_str(), MAKEINTRESOURCEA(10) /* RT_RCDATA */)) {
        HGLOBAL data = LoadResource(ModuleInstance(), res);
        const char* text = data ? static_cast<const char*>(LockResource(data)) : nullptr;
        if (!text) throw EReadError("Resource " + name + " cannot be read");
        STARTUP_STEP("form resource found", name.c_str());
        ReadComponentText(std::string_view(text, SizeofResource(ModuleInstance(), res)), *this);
    }
    created_ = true;
    if (OnCreate) OnCreate(this);
    STARTUP_STEP("OnCreate", Name().c_str());
}

void TCustomForm::SetBorderStyle(TFormBorderStyle style)
{
    if (style == borderStyle_) return;
    borderStyle_ = style;
    RecreateWnd();
}

void TCustomForm::SetBorderIcons(TBorderIcons icons)
{
    if (icons == borderIcons_) return;
    borderIcons_ = icons;
    RecreateWnd();
}

void TCustomForm::SetActiveControl(TWinControl* control)
{
    if (control && (control == this || !ContainsControl(control)))
        throw EInvalidOperation("Invalid active control for " + Name());
    activeControl_ = control;
    if (control && !HasState(csLoading) && HandleAllocated() && GetActiveWindow() == Handle() && control->CanFocus())
        control->SetFocus();
}

void TCustomForm::SetBounds(int left, int top, int width, int height)
{
    constraints_.Apply(width, height);
    TWinControl::SetBounds(left, top, width, height);
}

void TCustomForm::SetClientSize(int width, int height)
{
    if (HasState(csLoading)) {
        pendingClientWidth_ = width;
        pendingClientHeight_ = height;
        return;
    }
    TWinControl::SetClientSize(width, height);
}

RECT TCustomForm::ClientRect() const
{
    if (HandleAllocated()) return TWinControl::ClientRect();
    const SIZE frame = NonClientSize();
    return RECT{0, 0, std::max(0, Width() - static_cast<int>(frame.cx)), std::max(0, Height() - static_cast<int>(frame.cy))};
}

void TCustomForm::SetFormClientWidth(int width)
{
    if (HasState(csLoading)) pendingClientWidth_ = width;
    else TWinControl::SetClientSize(width, ClientHeight());
}

void TCustomForm::SetFormClientHeight(int height)
{
    if (HasState(csLoading)) pendingClientHeight_ = height;
    else TWinControl::SetClientSize(ClientWidth(), height);
}

void TCustomForm::Loaded()
{
    TWinControl::Loaded();
    if (pendingClientWidth_ >= 0 || pendingClientHeight_ >= 0) {
        const int w = pendingClientWidth_ >= 0 ? pendingClientWidth_ : ClientWidth();
        const int h = pendingClientHeight_ >= 0 ? pendingClientHeight_ : ClientHeight();
        pendingClientWidth_ = pendingClientHeight_ = -1;
        TWinControl::SetClientSize(w, h);
    }
    if (Visible()) VisibleChanged();
}

namespace {

// The module's "MAINICON" at the size of the metric, shared (never destroyed); null in a
// module without one.
HICON ModuleMainIcon(int metric)
{
    const int size = GetSystemMetrics(metric);
    return static_cast<HICON>(LoadImageA(ModuleInstance(), "MAINICON", IMAGE_ICON, size, size, LR_SHARED));
}

} // namespace

void TCustomForm::CreateParams(TCreateParams& params)
{
    TWinControl::CreateParams(params);
    params.WindowClass.hIcon = ModuleMainIcon(SM_CXICON);
    params.Style &= ~(WS_CHILD | WS_VISIBLE | WS_TABSTOP);
    params.Style |= WS_CLIPCHILDREN;
    if (Parent()) {
        params.Style |= WS_CHILD;
    } else {
        params.WndParent = Application && !Application->IsLibrary() ? Application->Handle() : nullptr;
    }
    const bool sys = borderIcons_ & (1u << biSystemMenu);
    switch (borderStyle_) {
    case bsNone: params.Style |= WS_POPUP; break;
    case bsSingle: params.Style |= WS_CAPTION | WS_BORDER; break;
    case bsSizeable: params.Style |= WS_CAPTION | WS_THICKFRAME; break;
    case bsDialog:
        params.Style |= WS_POPUP | WS_CAPTION;
        params.ExStyle |= WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
        break;
    case bsToolWindow:
        params.Style |= WS_CAPTION;
        params.ExStyle |= WS_EX_TOOLWINDOW;
        break;
    case bsSizeToolWin:
        params.Style |= WS_CAPTION | WS_THICKFRAME;
        params.ExStyle |= WS_EX_TOOLWINDOW;
        break;
    }
    if (borderStyle_ != bsNone && sys) {
        params.Style |= WS_SYSMENU;
        if (borderStyle_ == bsSingle || borderStyle_ == bsSizeable) {
            if (borderIcons_ & (1u << biMinimize)) params.Style |= WS_MINIMIZEBOX;
            if (borderIcons_ & (1u << biMaximize)) params.Style |= WS_MAXIMIZEBOX;
        }
        if ((borderIcons_ & (1u << biHelp)) && !(params.Style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX)))
            params.ExStyle |= WS_EX_CONTEXTHELP;
    }
    if (position_ == poDefault || position_ == poDefaultPosOnly) params.X = params.Y = CW_USEDEFAULT;
}

void TCustomForm::CreateWnd()
{
    TWinControl::CreateWnd();
    // A form without an icon of its own shows the program's: its caption and the skin's
    // read the window's icons, not the class's.
    HICON big = icon_.Empty() ? ModuleMainIcon(SM_CXICON) : icon_.Handle();
    HICON small = icon_.Empty() ? ModuleMainIcon(SM_CXSMICON) : icon_.Handle();
    if (big) SendMessageA(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
    if (small) SendMessageA(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
}

void TCustomForm::ApplyPosition()
{
    RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    TCustomForm* centre = nullptr;
    switch (position_) {
    case poScreenCenter:
    case poDesktopCenter: break;
    case poMainFormCenter: centre = Application ? Application->MainForm() : nullptr; break;
    case poOwnerFormCenter: centre = dynamic_cast<TCustomForm*>(Owner()); break;
    default: return;
    }
    // Without a main (or owner) form, as in the library, the screen is the reference.
    if (centre && centre != this && centre->HandleAllocated()) area = centre->BoundsRect();
    int x = area.left + ((area.right - area.left) - Width()) / 2;
    int y = area.top + ((area.bottom - area.top) - Height()) / 2;
    SetBounds(std::max(x, 0), std::max(y, 0), Width(), Height());
}

void TCustomForm::VisibleChanged()
{
    if (HasState(csLoading) || HasState(csDestroying)) return;
    if (Visible()) {
        HWND wnd = Handle();
        if (!positioned_) {
            positioned_ = true;
            ApplyPosition();
        }
        STARTUP_STEP("window ready to show", Name().c_str());
        if (OnShow) OnShow(this);
        STARTUP_STEP("OnShow", Name().c_str());
        if (Application && Application->MainForm() == this && Application->HandleAllocated()) {
            ShowWindow(Application->Handle(), SW_SHOWNOACTIVATE);
            STARTUP_STEP("application window shown");
        }
        ShowWindow(wnd, SW_SHOW);
        STARTUP_STEP("shown", Name().c_str());
        if (Application && Application->MainForm() == this) STARTUP_STEPS_DONE();
    } else if (HandleAllocated()) {
        ShowWindow(Handle(), SW_HIDE);
    }
}

void TCustomForm::Show()
{
    SetVisible(true);
    if (HandleAllocated()) {
        SetWindowPos(Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        SetForegroundWindow(Handle());
    }
}

namespace {
// Disables the thread's other enabled, visible top-level windows for a modal loop.
class TaskWindowsDisabled {
public:
    explicit TaskWindowsDisabled(HWND keep) : keep_(keep)
    {
        EnumThreadWindows(GetCurrentThreadId(), &Disable, reinterpret_cast<LPARAM>(this));
    }
    ~TaskWindowsDisabled()
    {
        for (HWND w : disabled_)
            if (IsWindow(w)) EnableWindow(w, TRUE);
    }
    TaskWindowsDisabled(const TaskWindowsDisabled&) = delete;
    TaskWindowsDisabled& operator=(const TaskWindowsDisabled&) = delete;

private:
    static BOOL CALLBACK Disable(HWND wnd, LPARAM self)
    {
        auto* me = reinterpret_cast<TaskWindowsDisabled*>(self);
        if (wnd != me->keep_ && IsWindowVisible(wnd) && IsWindowEnabled(wnd)) {
            EnableWindow(wnd, FALSE);
            me->disabled_.push_back(wnd);
        }
        return TRUE;
    }
    HWND keep_;
    std::vector<HWND> disabled_;
};
} // namespace

TModalResult TCustomForm::ShowModal()
{
    if (Visible() || !Enabled() || modal_) throw EInvalidOperation("Cannot make a visible window modal");
    if (GetCapture()) SendMessageA(GetCapture(), WM_CANCELMODE, 0, 0);
    ReleaseCapture();
    HWND activeBefore = GetActiveWindow();
    modal_ = true;
    modalResult_ = mrNone;
    try {
        TaskWindowsDisabled disabled(Handle());
        Show();
        do {
            Application->HandleMessage();
            if (Application->Terminated()) modalResult_ = mrCancel;
            else if (modalResult_ != mrNone) {
                // The close query and OnClose may keep the form open.
                TCloseAction action = caNone;
                if (CloseQuery()) {
                    action = caHide;
                    if (OnClose) OnClose(this, action);
                }
                if (action == caNone) modalResult_ = mrNone;
                else if (action == caFree) Release();
            }
        } while (modalResult_ == mrNone);
    } catch (...) {
        modal_ = false;
        Hide();
        throw;
    }
    modal_ = false;
    Hide();
    if (activeBefore && IsWindow(activeBefore)) SetActiveWindow(activeBefore);
    return modalResult_;
}

bool TCustomForm::CloseQuery()
{
    bool canClose = true;
    if (OnCloseQuery) OnCloseQuery(this, canClose);
    return canClose;
}

void TCustomForm::Close()
{
    if (modal_) {
        modalResult_ = mrCancel;
        return;
    }
    if (!CloseQuery()) return;
    TCloseAction action = caHide;
    if (OnClose) OnClose(this, action);
    if (action == caNone) return;
    if (Application && Application->MainForm() == this) Application->Terminate();
    else if (action == caHide) Hide();
    else if (action == caMinimize) ShowWindow(Handle(), SW_MINIMIZE);
    else Release();
}

void TCustomForm::Release()
{
    // One message is enough; the window takes a pending one with it when it goes first.
    if (releasing_) return;
    releasing_ = true;
    PostMessageA(Handle(), CM_RELEASE, 0, 0);
}

void TCustomForm::DoRelease() { Free(this); }

void TCustomForm::SetMessageHandler(UINT msg, TWndMethod handler)
{
    if (handler) handlers_[msg] = std::move(handler);
    else handlers_.erase(msg);
}

void TCustomForm::Inherited(TMessage& message) { FormWndProc(message); }

void TCustomForm::WndProc(TMessage& message)
{
    auto it = handlers_.find(message.Msg);
    if (it != handlers_.end()) {
        TWndMethod handler = it->second; // a handler may replace itself
        handler(message);
        return;
    }
    FormWndProc(message);
}

void TCustomForm::SelectNext(bool forward)
{
    std::vector<TWinControl*> list;
    GetTabOrderList(list);
    if (list.empty()) return;
    if (!forward) std::reverse(list.begin(), list.end());
    auto start = std::find(list.begin(), list.end(), activeControl_);
    const size_t n = list.size();
    size_t i = start == list.end() ? n - 1 : static_cast<size_t>(start - list.begin());
    for (size_t step = 1; step <= n; ++step) {
        TWinControl* c = list[(i + step) % n];
        if (c->TabStop() && c->CanFocus()) {
            c->SetFocus();
            return;
        }
    }
}

void TCustomForm::Activation(bool active)
{
    if (active) {
        if (Screen) Screen->activeForm_ = this;
        if (activeControl_ && activeControl_->CanFocus()) activeControl_->SetFocus();
    }
}

void TCustomForm::FormWndProc(TMessage& message)
{
    switch (message.Msg) {
    case WM_CLOSE: Close(); return;
    case WM_SYSCOMMAND:
        if ((message.WParam & 0xFFF0) == SC_MINIMIZE && Application && Application->MainForm() == this &&
            !Application->IsLibrary()) {
            Application->Minimize();
            return;
        }
        break;
    case WM_QUERYENDSESSION: message.Result = CloseQuery() ? 1 : 0; return;
    case WM_ACTIVATE:
        TWinControl::WndProc(message);
        Activation(LOWORD(message.WParam) != WA_INACTIVE);
        return;
    case WM_GETMINMAXINFO: {
        TWinControl::WndProc(message);
        auto* info = reinterpret_cast<MINMAXINFO*>(message.LParam);
        if (constraints_.MinWidth > 0) info->ptMinTrackSize.x = constraints_.MinWidth;
        if (constraints_.MinHeight > 0) info->ptMinTrackSize.y = constraints_.MinHeight;
        if (constraints_.MaxWidth > 0) info->ptMaxTrackSize.x = constraints_.MaxWidth;
        if (constraints_.MaxHeight > 0) info->ptMaxTrackSize.y = constraints_.MaxHeight;
        return;
    }
    case CM_FOCUSCHANGED: {
        auto* control = reinterpret_cast<TWinControl*>(message.LParam);
        if (control != this && ContainsControl(control)) activeControl_ = control;
        return;
    }
    case CM_MENUCHANGED:
        // A changed main menu is shown again, also where a skin had taken it off the window.
        for (int i = 0; i < ComponentCount(); ++i) {
            auto* menu = dynamic_cast<TMainMenu*>(Components(i));
            if (menu && menu->WindowHandle() == Handle() && GetMenu(Handle()) != menu->Handle())
                SetMenu(Handle(), menu->Handle());
        }
        return;
    case CM_DIALOGKEY:
        if (message.WParam == VK_TAB && !(GetKeyState(VK_CONTROL) & 0x8000) && !(GetKeyState(VK_MENU) & 0x8000)) {
            SelectNext(!(GetKeyState(VK_SHIFT) & 0x8000));
            message.Result = 1;
            return;
        }
        break;
    default: break;
    }
    TWinControl::WndProc(message);
}

void TCustomForm::Notification(TComponent& component, TOperation operation)
{
    TWinControl::Notification(component, operation);
    if (operation == TOperation::opRemove && &component == activeControl_) activeControl_ = nullptr;
}

const TClass& TForm::StaticClass() { return DefineClass<TForm, TCustomForm>("TForm"); }

// ---------------------------------------------------------------------------------------

void TNotifyListeners::Attach(const void* key, TNotifyEvent handler)
{
    Detach(key);
    list_.emplace_back(key, std::move(handler));
}

void TNotifyListeners::Detach(const void* key)
{
    list_.erase(std::remove_if(list_.begin(), list_.end(), [&](const auto& e) { return e.first == key; }), list_.end());
}

bool TNotifyListeners::Attached(const void* key) const
{
    return std::any_of(list_.begin(), list_.end(), [&](const auto& e) { return e.first == key; });
}

void TNotifyListeners::Notify(TObject* sender)
{
    std::vector<const void*> keys;
    for (const auto& e : list_) keys.push_back(e.first);
    for (const void* key : keys) {
        auto it = std::find_if(list_.begin(), list_.end(), [&](const auto& e) { return e.first == key; });
        if (it == list_.end()) continue;
        TNotifyEvent handler = it->second;
        handler(sender);
    }
}

// ---------------------------------------------------------------------------------------
// TApplication

LRESULT CALLBACK ApplicationWindowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (!Application || Application->handle_ != wnd) return DefWindowProcA(wnd, msg, wParam, lParam);
    TMessage m{msg, wParam, lParam, 0};
    try {
        Application->WndProc(m);
    } catch (...) {
        HandleWindowException(Application);
    }
    return m.Result;
}

const TClass& TApplication::StaticClass() { return DefineClass<TApplication, TComponent>("TApplication"); }

TApplication::TApplication(TComponent* owner) : TComponent(owner) {}

TApplication::~TApplication()
{
    DestroyComponents();
    if (handle_) DestroyWindow(std::exchange(handle_, nullptr));
}

bool TApplication::IsLibrary() const { return ModuleInstance() != GetModuleHandleA(nullptr); }

HWND TApplication::Handle()
{
    if (handle_ || IsLibrary()) return handle_;
    WNDCLASSA wc{};
    if (!GetClassInfoA(ModuleInstance(), "TApplication", &wc)) {
        wc.lpfnWndProc = ApplicationWindowProc;
        wc.hInstance = ModuleInstance();
        wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        wc.lpszClassName = "TApplication";
        if (!RegisterClassA(&wc)) throw Exception("Cannot register the application window class");
    }
    // Zero-sized but not hidden: it carries the taskbar button of the program.
    handle_ = CreateWindowExA(0, "TApplication", Title().c_str(),
                              WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX,
                              GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 0, 0, nullptr,
                              nullptr, ModuleInstance(), nullptr);
    if (!handle_) throw Exception("Cannot create the application window");
    return handle_;
}

void TApplication::Initialize() { Handle(); }

const AnsiString& TApplication::Title()
{
    if (!titleSet_) {
        AnsiString name = ExtractFileName(ExeName());
        title_ = name.substr(0, name.size() - ExtractFileExt(name).size());
        titleSet_ = true;
    }
    return title_;
}

void TApplication::SetTitle(const AnsiString& title)
{
    title_ = title;
    titleSet_ = true;
    if (handle_) SetWindowTextA(handle_, title_.c_str());
}

TIcon* TApplication::Icon()
{
    if (!icon_) {
        icon_ = std::make_unique<TIcon>();
        HICON icon = static_cast<HICON>(LoadImageA(ModuleInstance(), "MAINICON", IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
        if (!icon) icon = CopyIcon(LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION)));
        if (icon) icon_->SetHandle(icon);
    }
    return icon_.get();
}

AnsiString TApplication::ExeName() const { return ModuleFileName(nullptr); }

void TApplication::Run()
{
    if (IsLibrary()) return;
    Handle();
    if (mainForm_ && showMainForm_) mainForm_->Show();
    while (!terminated_) {
        MSG msg;
        if (!ProcessMessage(msg, false)) WaitMessage();
    }
}

void TApplication::Terminate() { PostQuitMessage(0); }

bool TApplication::ProcessMessage(MSG& msg, bool repostQuit)
{
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
    if (msg.message == WM_QUIT) {
        terminated_ = true;
        if (repostQuit) PostQuitMessage(static_cast<int>(msg.wParam));
        return true;
    }
    if (!IsKeyMsg(msg)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return true;
}

bool TApplication::IsKeyMsg(const MSG& msg)
{
    if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST) return false;
    // The class-library control that contains the window with the key, walking up the
    // child chain (never to an owner).
    for (HWND w = msg.hwnd; w; w = (GetWindowLongA(w, GWL_STYLE) & WS_CHILD) ? GetParent(w) : nullptr)
        if (TWinControl* control = TWinControl::FindControl(w))
            return control->Perform(CN_BASE + msg.message, msg.wParam, msg.lParam) != 0;
    return false;
}

void TApplication::ProcessMessages()
{
    MSG msg;
    while (ProcessMessage(msg, true))
        if (msg.message == WM_QUIT) return;
}

void TApplication::HandleMessage()
{
    MSG msg;
    if (!ProcessMessage(msg, true)) WaitMessage();
}

void TApplication::Minimize()
{
    HWND wnd = Handle();
    if (wnd && IsIconic(wnd)) return;
    if (wnd) {
        ShowWindow(wnd, SW_MINIMIZE);
        // The forms it owns go with it (Wine leaves owned windows of a minimised owner up).
        ShowOwnedPopups(wnd, FALSE);
    }
    onMinimize_.Notify(this);
}

void TApplication::Restore()
{
    HWND wnd = Handle();
    if (wnd && !IsIconic(wnd)) return;
    if (wnd) {
        ShowWindow(wnd, SW_RESTORE);
        ShowOwnedPopups(wnd, TRUE); // only those the minimise hid
    }
    onRestore_.Notify(this);
}

void TApplication::WndProc(TMessage& message)
{
    switch (message.Msg) {
    case WM_GETICON:
        message.Result = reinterpret_cast<LRESULT>(Icon()->Handle());
        return;
    case WM_SYSCOMMAND:
        switch (message.WParam & 0xFFF0) {
        case SC_MINIMIZE: Minimize(); return;
        case SC_RESTORE: Restore(); return;
        default: break;
        }
        break;
    case WM_CLOSE:
        if (mainForm_) mainForm_->Close();
        return;
    default: break;
    }
    message.Result = DefWindowProcA(handle_, message.Msg, message.WParam, message.LParam);
}

void TApplication::HandleException(TObject* sender)
{
    std::exception_ptr current = std::current_exception();
    if (!current) return;
    try {
        std::rethrow_exception(current);
    } catch (const std::exception& e) {
        if (OnException) OnException(sender, e);
        else if (auto* ce = dynamic_cast<const Exception*>(&e)) ShowException(ce->Message());
        else ShowException(e.what());
    } catch (...) {
        ShowException("Unknown exception");
    }
}

void TApplication::ShowException(const AnsiString& message)
{
    AnsiString text = message;
    if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') text += '.';
    MessageBox(text, Title(), MB_OK | MB_ICONSTOP);
}

int TApplication::MessageBox(const AnsiString& text, const AnsiString& caption, UINT flags)
{
    HWND owner = Screen && Screen->ActiveForm() && Screen->ActiveForm()->HandleAllocated()
                     ? Screen->ActiveForm()->Handle()
                     : Handle();
    return ShowMessageBox(owner, text, caption, flags);
}

// ---------------------------------------------------------------------------------------

TScreen::TScreen() = default;
TScreen::~TScreen() = default;

TFont* TScreen::MenuFont()
{
    if (!menuFont_) {
        menuFont_ = std::make_unique<TFont>();
        NONCLIENTMETRICSA metrics{};
        metrics.cbSize = sizeof metrics;
        BOOL ok = SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0);
        if (!ok) { // systems before Vista know the record without its last field
            metrics.cbSize = sizeof metrics - sizeof metrics.iPaddedBorderWidth;
            ok = SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0);
        }
        if (ok)
            if (HFONT font = CreateFontIndirectA(&metrics.lfMenuFont)) menuFont_->SetHandle(font);
    }
    return menuFont_.get();
}

// ---------------------------------------------------------------------------------------

namespace {
LRESULT CALLBACK UtilWindowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    auto* method = reinterpret_cast<TWndMethod*>(GetWindowLongPtrA(wnd, GWLP_USERDATA));
    if (!method) return DefWindowProcA(wnd, msg, wParam, lParam);
    TMessage m{msg, wParam, lParam, 0};
    try {
        (*method)(m);
    } catch (...) {
        HandleWindowException(nullptr);
    }
    return m.Result;
}
} // namespace

HWND AllocateHWnd(TWndMethod method)
{
    static const char* const className = "TPUtilWindow";
    WNDCLASSA wc{};
    if (!GetClassInfoA(ModuleInstance(), className, &wc)) {
        wc.lpfnWndProc = UtilWindowProc;
        wc.hInstance = ModuleInstance();
        wc.lpszClassName = className;
        if (!RegisterClassA(&wc)) throw Exception("Cannot register the utility window class");
    }
    HWND wnd = CreateWindowExA(WS_EX_TOOLWINDOW, className, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                               ModuleInstance(), nullptr);
    if (!wnd) throw Exception("Cannot create a utility window");
    SetWindowLongPtrA(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(new TWndMethod(std::move(method))));
    return wnd;
}

void DeallocateHWnd(HWND wnd)
{
    if (!wnd) return;
    auto* method = reinterpret_cast<TWndMethod*>(SetWindowLongPtrA(wnd, GWLP_USERDATA, 0));
    DestroyWindow(wnd);
    delete method;
}

} // namespace cl
