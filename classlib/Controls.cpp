#include "classlib/Controls.h"

#include "classlib/StartupSteps.h"
#include "classlib/WinHandle.h"

#include <windowsx.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>
#include <utility>

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace cl {

const TEnumType AlignType{{"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient"}};

namespace {
struct CursorName {
    const char* ident;
    TCursor cursor;
    LPCSTR system;
};
const CursorName cursorNames[] = {
    {"crDefault", crDefault, nullptr},
    {"crArrow", crArrow, reinterpret_cast<LPCSTR>(IDC_ARROW)},
    {"crCross", crCross, reinterpret_cast<LPCSTR>(IDC_CROSS)},
    {"crIBeam", crIBeam, reinterpret_cast<LPCSTR>(IDC_IBEAM)},
    {"crHourGlass", crHourGlass, reinterpret_cast<LPCSTR>(IDC_WAIT)},
    {"crNo", crNo, reinterpret_cast<LPCSTR>(IDC_NO)},
    {"crHandPoint", crHandPoint, reinterpret_cast<LPCSTR>(IDC_HAND)},
};
} // namespace

bool IdentToCursor(std::string_view ident, std::int64_t& cursor)
{
    for (const CursorName& c : cursorNames)
        if (SameText(c.ident, ident)) {
            cursor = c.cursor;
            return true;
        }
    return false;
}

HINSTANCE ModuleInstance() { return reinterpret_cast<HINSTANCE>(&__ImageBase); }

ATOM ControlAtom()
{
    // Made once, on the GUI thread that creates the first control.
    static const ATOM atom = [] {
        char name[32];
        std::snprintf(name, sizeof name, "ControlOfs%.8X%.8X",
                      static_cast<unsigned>(reinterpret_cast<UINT_PTR>(ModuleInstance())),
                      static_cast<unsigned>(GetCurrentThreadId()));
        return GlobalAddAtomA(name);
    }();
    return atom;
}

// ---------------------------------------------------------------------------------------
// The window-procedure chain

TWindowProcHook::TWindowProcHook(TControl& control, TWndMethod proc) : control_(&control), proc_(std::move(proc))
{
    older_ = control.hooks_;
    if (older_) older_->newer_ = this;
    control.hooks_ = this;
}

TWindowProcHook::~TWindowProcHook()
{
    Remove();
    *alive_ = false;
}

void TWindowProcHook::Remove()
{
    if (!linked_) return;
    linked_ = false;
    if (!control_) return;
    if (newer_) newer_->older_ = older_;
    else control_->hooks_ = older_;
    if (older_) older_->newer_ = newer_;
    newer_ = nullptr;
    // A message being handled right now still goes on to the link below.
    if (calls_ == 0) older_ = nullptr;
}

void TWindowProcHook::Invoke(TWindowProcHook* link, TMessage& message)
{
    std::shared_ptr<bool> alive = link->alive_;
    ++link->calls_;
    link->proc_(message); // may remove or free the link
    if (*alive && --link->calls_ == 0 && !link->linked_) link->older_ = nullptr;
}

void TWindowProcHook::CallPrevious(TMessage& message)
{
    if (!control_) return;
    if (older_) Invoke(older_, message);
    else control_->WndProc(message);
}

// ---------------------------------------------------------------------------------------
// TControl

const TClass& TControl::StaticClass()
{
    return DefineClass<TControl, TComponent>("TControl", [](TPublisher<TControl>& p) {
        p.Int("Left", &TControl::Left, &TControl::SetLeft);
        p.Int("Top", &TControl::Top, &TControl::SetTop);
        p.Int("Width", &TControl::Width, &TControl::SetWidth);
        p.Int("Height", &TControl::Height, &TControl::SetHeight);
        p.Enum("Align", AlignType, &TControl::Align, &TControl::SetAlign);
        p.Bool("Visible", &TControl::Visible, &TControl::SetVisible);
        p.Bool("Enabled", &TControl::Enabled, &TControl::SetEnabled);
        p.Int("Color", &TControl::Color, &TControl::SetColor).Idents(IdentToColor);
        p.Owned("Font", &TControl::Font);
        p.Bool("ParentFont", &TControl::ParentFont, &TControl::SetParentFont);
        p.String("Hint", &TControl::Hint, &TControl::SetHint);
        p.Bool("ShowHint", &TControl::ShowHint, &TControl::SetShowHint);
        p.Int("Cursor", &TControl::Cursor, &TControl::SetCursor).Idents(IdentToCursor);
    });
}

TControl::TControl(TComponent* owner) : TComponent(owner), font_(std::make_unique<TFont>())
{
    font_->OnChange = [this](TObject*) {
        if (!takingParentFont_) parentFont_ = false;
        Perform(CM_FONTCHANGED);
    };
}

void TControl::SetParentFont(bool parentFont)
{
    parentFont_ = parentFont;
    TakeParentFont();
}

void TControl::TakeParentFont()
{
    if (!parentFont_ || !parent_) return;
    takingParentFont_ = true;
    try {
        font_->Assign(*parent_->font_);
    } catch (...) {
        takingParentFont_ = false;
        throw;
    }
    takingParentFont_ = false;
}

TControl::~TControl()
{
    while (hooks_) {
        TWindowProcHook* h = hooks_;
        h->Remove();
        h->control_ = nullptr;
        h->older_ = nullptr;
    }
    if (parent_) parent_->RemoveControl(this);
}

void TControl::SetParentComponent(TComponent* parent)
{
    auto* p = dynamic_cast<TWinControl*>(parent);
    if (parent && !p) throw EComponentError(Name() + " cannot be placed on " + parent->ClassName());
    SetParent(p);
}

void TControl::SetParent(TWinControl* parent)
{
    if (parent == parent_) return;
    if (parent == this) throw EComponentError("A control cannot be its own parent");
    if (parent_) parent_->RemoveControl(this);
    if (parent) parent->InsertControl(this);
}

void TControl::SetBounds(int left, int top, int width, int height)
{
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (left == left_ && top == top_ && width == width_ && height == height_) return;
    Invalidate();
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    Invalidate();
    RequestAlign();
}

RECT TControl::ClientRect() const { return RECT{0, 0, width_, height_}; }

void TControl::SetClientSize(int width, int height) { SetBounds(left_, top_, width, height); }

POINT TControl::ClientToScreen(POINT p)
{
    for (const TControl* c = this; c; c = c->parent_) {
        if (c->IsWindowed() && static_cast<const TWinControl*>(c)->handle_) {
            ::ClientToScreen(static_cast<const TWinControl*>(c)->handle_, &p);
            return p;
        }
        p.x += c->left_;
        p.y += c->top_;
    }
    return p;
}

POINT TControl::ScreenToClient(POINT p)
{
    POINT origin = ClientToScreen(POINT{0, 0});
    return POINT{p.x - origin.x, p.y - origin.y};
}

void TControl::SetAlign(TAlign align)
{
    if (align == align_) return;
    align_ = align;
    if (parent_) parent_->Realign();
}

void TControl::RequestAlign()
{
    if (parent_ && align_ != alNone) parent_->Realign();
}

void TControl::SetVisible(bool visible)
{
    if (visible == visible_) return;
    if (!visible) Invalidate();
    visible_ = visible;
    VisibleChanged();
    if (visible) Invalidate();
    Perform(CM_VISIBLECHANGED, visible);
    RequestAlign();
}

void TControl::SetEnabled(bool enabled)
{
    if (enabled == enabled_) return;
    enabled_ = enabled;
    if (IsWindowed() && static_cast<TWinControl*>(this)->handle_)
        EnableWindow(static_cast<TWinControl*>(this)->handle_, enabled);
    Perform(CM_ENABLEDCHANGED);
    Invalidate();
}

void TControl::SetColor(TColor color)
{
    if (color == color_) return;
    color_ = color;
    Perform(CM_COLORCHANGED);
    Invalidate();
}

void TControl::SetText(const AnsiString& text)
{
    if (GetText() == text) return;
    text_ = text;
    TextChanged();
    Perform(CM_TEXTCHANGED);
}

void TControl::WindowProc(TMessage& message)
{
    if (hooks_) TWindowProcHook::Invoke(hooks_, message);
    else WndProc(message);
}

LRESULT TControl::Perform(UINT msg, WPARAM wParam, LPARAM lParam)
{
    TMessage m{msg, wParam, lParam, 0};
    WindowProc(m);
    return m.Result;
}

void TControl::Invalidate()
{
    if (!parent_ || !parent_->HandleAllocated() || !visible_) return;
    RECT r = BoundsRect();
    InvalidateRect(parent_->handle_, &r, (controlStyle_ & csOpaque) ? FALSE : TRUE);
}

void TControl::Update()
{
    for (TControl* c = this; c; c = c->parent_)
        if (c->IsWindowed() && static_cast<TWinControl*>(c)->handle_) {
            UpdateWindow(static_cast<TWinControl*>(c)->handle_);
            return;
        }
}

void TControl::Click()
{
    if (OnClick) OnClick(this);
}

void TControl::WndProc(TMessage& message)
{
    if ((message.Msg >= WM_MOUSEFIRST && message.Msg <= WM_MBUTTONDBLCLK) && message.Msg != WM_MOUSEWHEEL) {
        MouseMessage(message);
        return;
    }
    DefaultHandler(message);
}

void TControl::MouseMessage(TMessage& message)
{
    DefaultHandler(message);
    const int x = GET_X_LPARAM(message.LParam), y = GET_Y_LPARAM(message.LParam);
    const auto shift = static_cast<TShiftState>(message.WParam);
    HWND own = IsWindowed() ? static_cast<TWinControl*>(this)->handle_ : nullptr;
    auto press = [&](TMouseButton button) {
        if (button == mbLeft) {
            if (own && (controlStyle_ & csCaptureMouse)) SetCapture(own);
            if (controlStyle_ & csClickEvents) clicking_ = true;
        }
        if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
    };
    switch (message.Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: press(mbLeft); break;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK: press(mbRight); break;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK: press(mbMiddle); break;
    case WM_LBUTTONUP:
        if (own && GetCapture() == own) ReleaseCapture();
        if (clicking_) {
            clicking_ = false;
            RECT r = ClientRect();
            if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) Click();
        }
        break;
    default: break;
    }
}

// ---------------------------------------------------------------------------------------
// TWinControl

LRESULT CALLBACK ControlWindowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    TWinControl* control = TWinControl::FindControl(wnd);
    if (!control && msg == WM_NCCREATE) {
        control = static_cast<TWinControl*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        if (control) control->Attach(wnd);
    }
    if (!control) return DefWindowProcA(wnd, msg, wParam, lParam);
    TMessage m{msg, wParam, lParam, 0};
    try {
        control->WindowProc(m);
        if (msg == CM_RELEASE) control->DoRelease(); // may free the control: nothing touches it after
    } catch (...) {
        HandleWindowException(control);
    }
    return m.Result;
}

const TClass& TWinControl::StaticClass()
{
    return DefineClass<TWinControl, TControl>("TWinControl", [](TPublisher<TWinControl>& p) {
        p.Int("TabOrder", &TWinControl::TabOrder, &TWinControl::SetTabOrder);
        p.Bool("TabStop", &TWinControl::TabStop, &TWinControl::SetTabStop);
    });
}

TWinControl::TWinControl(TComponent* owner) : TControl(owner)
{
    brush_.SetColor(Color());
}

TWinControl::~TWinControl()
{
    // Children go first (they leave our list as they go), then our window.
    while (!controls_.empty()) Free(controls_.back());
    DestroyHandle();
    // Leave the parent while still a windowed control (it keeps a tab list of those).
    if (Parent()) Parent()->RemoveControl(this);
}

TWinControl* TWinControl::FindControl(HWND wnd)
{
    if (!wnd) return nullptr;
    return static_cast<TWinControl*>(GetPropA(wnd, MAKEINTATOM(ControlAtom())));
}

void TWinControl::Attach(HWND wnd)
{
    handle_ = wnd;
    SetPropA(wnd, MAKEINTATOM(ControlAtom()), this);
}

void TWinControl::Detach()
{
    RemovePropA(handle_, MAKEINTATOM(ControlAtom()));
    handle_ = nullptr;
    mouseInside_ = false;
}

HWND TWinControl::Handle()
{
    CreateHandle();
    return handle_;
}

void TWinControl::CreateHandle()
{
    if (handle_) return;
    if (parent_ && !parent_->handle_) parent_->CreateHandle(); // makes ours with its children
    if (!handle_) CreateWnd();
}

void TWinControl::CreateParams(TCreateParams& params)
{
    params.Caption = text_;
    params.Style = WS_CHILD | WS_CLIPSIBLINGS;
    if (controlStyle_ & csAcceptsControls) params.Style |= WS_CLIPCHILDREN;
    if (visible_) params.Style |= WS_VISIBLE;
    if (!enabled_) params.Style |= WS_DISABLED;
    if (tabStop_) params.Style |= WS_TABSTOP;
    params.X = left_;
    params.Y = top_;
    params.Width = width_;
    params.Height = height_;
    params.WndParent = parent_ ? parent_->handle_ : nullptr;
    params.WindowClass.style = CS_VREDRAW | CS_HREDRAW | ((controlStyle_ & csDoubleClicks) ? CS_DBLCLKS : 0);
    params.WindowClass.lpfnWndProc = DefWindowProcA;
    params.WindowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    params.WinClassName = ClassName();
}

void TWinControl::CreateSubClass(TCreateParams& params, const char* controlClassName)
{
    WNDCLASSA wc{};
    if (!GetClassInfoA(nullptr, controlClassName, &wc) && !GetClassInfoA(ModuleInstance(), controlClassName, &wc))
        throw Exception(AnsiString("Window class ") + controlClassName + " not found");
    // Our class is this module's own (a global one would catch another module's copy of
    // the class library), and paints with DCs of its own.
    wc.style &= ~(CS_GLOBALCLASS | CS_OWNDC | CS_CLASSDC | CS_PARENTDC);
    wc.style |= CS_VREDRAW | CS_HREDRAW;
    params.WindowClass = wc;
}

void TWinControl::CreateWnd()
{
    TCreateParams params;
    CreateParams(params);
    if ((params.Style & WS_CHILD) && !params.WndParent)
        throw Exception("Control '" + Name() + "' has no parent window");
    defWndProc_ = params.WindowClass.lpfnWndProc;
    WNDCLASSA existing{};
    if (!GetClassInfoA(ModuleInstance(), params.WinClassName.c_str(), &existing)) {
        WNDCLASSA wc = params.WindowClass;
        wc.lpfnWndProc = ControlWindowProc;
        wc.hInstance = ModuleInstance();
        wc.lpszClassName = params.WinClassName.c_str();
        if (!RegisterClassA(&wc)) throw Exception("Cannot register the window class " + params.WinClassName);
    }
    HWND wnd = CreateWindowExA(params.ExStyle, params.WinClassName.c_str(), params.Caption.c_str(), params.Style,
                               params.X, params.Y, params.Width, params.Height, params.WndParent, nullptr,
                               ModuleInstance(), this);
    if (!wnd) throw Exception("Error creating window " + params.WinClassName);
    STARTUP_STEP("window created", Name().c_str());
    Perform(WM_SETFONT, reinterpret_cast<WPARAM>(Font()->Handle()), 0);
    for (TControl* c : controls_)
        if (c->IsWindowed() && !static_cast<TWinControl*>(c)->handle_) static_cast<TWinControl*>(c)->CreateWnd();
    UpdateBoundsFromWindow();
    Realign();
}

void TWinControl::DestroyWnd()
{
    text_ = GetText();
    DestroyWindow(handle_);
    if (handle_) Detach(); // a window that never saw WM_NCDESTROY through us
}

void TWinControl::DestroyHandle()
{
    if (!handle_) return;
    DestroyWnd();
}

void TWinControl::RecreateWnd()
{
    if (handle_) Perform(CM_RECREATEWND);
}

void TWinControl::InsertControl(TControl* control)
{
    controls_.push_back(control);
    control->parent_ = this;
    control->TakeParentFont();
    if (control->IsWindowed()) {
        tabList_.push_back(static_cast<TWinControl*>(control));
        if (handle_) static_cast<TWinControl*>(control)->CreateHandle();
    } else {
        control->Invalidate();
    }
    if (control->align_ != alNone) Realign();
}

void TWinControl::RemoveControl(TControl* control)
{
    if (control->IsWindowed()) {
        auto* w = static_cast<TWinControl*>(control);
        if (w->handle_) w->DestroyHandle();
        tabList_.erase(std::remove(tabList_.begin(), tabList_.end(), w), tabList_.end());
    } else {
        control->Invalidate();
    }
    if (mouseControl_ == control) mouseControl_ = nullptr;
    if (captureControl_ == control) captureControl_ = nullptr;
    controls_.erase(std::remove(controls_.begin(), controls_.end(), control), controls_.end());
    control->parent_ = nullptr;
    if (control->align_ != alNone) Realign();
}

bool TWinControl::ContainsControl(const TControl* control) const
{
    for (const TControl* c = control; c; c = c->parent_)
        if (c == this) return true;
    return false;
}

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& list)
{
    for (TWinControl* c : tabList_) {
        list.push_back(c);
        c->GetTabOrderList(list);
    }
}

int TWinControl::TabOrder() const
{
    if (!parent_) return -1;
    const auto& list = parent_->tabList_;
    return static_cast<int>(std::find(list.begin(), list.end(), this) - list.begin());
}

void TWinControl::SetTabOrder(int order)
{
    if (!parent_) return;
    auto& list = parent_->tabList_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    order = std::clamp(order, 0, static_cast<int>(list.size()));
    list.insert(list.begin() + order, this);
}

bool TWinControl::Focused() const { return handle_ && GetFocus() == handle_; }

bool TWinControl::CanFocus() const
{
    for (const TControl* c = this; c; c = c->parent_)
        if (!c->visible_ || !c->enabled_) return false;
    return true;
}

void TWinControl::SetFocus() { ::SetFocus(Handle()); }

void TWinControl::SetBounds(int left, int top, int width, int height)
{
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (left == left_ && top == top_ && width == width_ && height == height_) return;
    if (handle_ && !IsIconic(handle_)) {
        // WM_WINDOWPOSCHANGED brings the fields up to date.
        SetWindowPos(handle_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
        return;
    }
    const bool resized = width != width_ || height != height_;
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    if (resized) Realign();
    RequestAlign();
}

void TWinControl::UpdateBoundsFromWindow()
{
    if (!handle_ || IsIconic(handle_)) return;
    RECT r;
    GetWindowRect(handle_, &r);
    if (GetWindowLongA(handle_, GWL_STYLE) & WS_CHILD)
        MapWindowPoints(nullptr, GetParent(handle_), reinterpret_cast<POINT*>(&r), 2);
    const int w = r.right - r.left, h = r.bottom - r.top;
    if (r.left == left_ && r.top == top_ && w == width_ && h == height_) return;
    const bool resized = w != width_ || h != height_;
    left_ = r.left;
    top_ = r.top;
    width_ = w;
    height_ = h;
    if (resized) Realign();
    RequestAlign();
}

RECT TWinControl::ClientRect() const
{
    if (!handle_) return TControl::ClientRect();
    RECT r;
    GetClientRect(handle_, &r);
    return r;
}

SIZE TWinControl::NonClientSize() const
{
    if (handle_) {
        RECT w, c;
        GetWindowRect(handle_, &w);
        GetClientRect(handle_, &c);
        return SIZE{(w.right - w.left) - c.right, (w.bottom - w.top) - c.bottom};
    }
    TCreateParams params;
    const_cast<TWinControl*>(this)->CreateParams(params); // fills params only
    RECT frame{0, 0, 0, 0};
    AdjustWindowRectEx(&frame, params.Style, FALSE, params.ExStyle);
    return SIZE{frame.right - frame.left, frame.bottom - frame.top};
}

void TWinControl::SetClientSize(int width, int height)
{
    const SIZE frame = NonClientSize();
    SetBounds(Left(), Top(), width + frame.cx, height + frame.cy);
}

void TWinControl::Invalidate()
{
    if (handle_) InvalidateRect(handle_, nullptr, TRUE);
}

void TWinControl::Loaded()
{
    TControl::Loaded();
    Realign(); // skipped while loading
}

void TWinControl::Realign()
{
    if (aligning_ || HasState(csLoading) || HasState(csDestroying)) return;
    AlignControls(ClientRect());
}

void TWinControl::AlignControls(RECT rect)
{
    aligning_ = true;
    AdjustClientRect(rect);
    try {
        for (TAlign a : {alTop, alBottom, alLeft, alRight, alClient}) {
            for (size_t i = 0; i < controls_.size(); ++i) {
                TControl* c = controls_[i];
                if (c->align_ != a || !c->visible_) continue;
                const int w = std::max<int>(rect.right - rect.left, 0), h = std::max<int>(rect.bottom - rect.top, 0);
                switch (a) {
                case alTop:
                    c->SetBounds(rect.left, rect.top, w, c->height_);
                    rect.top += c->height_;
                    break;
                case alBottom:
                    c->SetBounds(rect.left, rect.bottom - c->height_, w, c->height_);
                    rect.bottom -= c->height_;
                    break;
                case alLeft:
                    c->SetBounds(rect.left, rect.top, c->width_, h);
                    rect.left += c->width_;
                    break;
                case alRight:
                    c->SetBounds(rect.right - c->width_, rect.top, c->width_, h);
                    rect.right -= c->width_;
                    break;
                case alClient: c->SetBounds(rect.left, rect.top, w, h); break;
                case alNone: break;
                }
            }
        }
    } catch (...) {
        aligning_ = false;
        throw;
    }
    aligning_ = false;
}

void TWinControl::Broadcast(TMessage& message)
{
    for (size_t i = 0; i < controls_.size(); ++i) {
        controls_[i]->WindowProc(message);
        if (message.Result != 0) return;
    }
}

AnsiString TWinControl::GetText() const
{
    if (!handle_) return TControl::GetText();
    int n = GetWindowTextLengthA(handle_);
    AnsiString text(static_cast<size_t>(n) + 1, '\0');
    n = GetWindowTextA(handle_, text.data(), n + 1);
    text.resize(static_cast<size_t>(std::max(n, 0)));
    return text;
}

void TWinControl::TextChanged()
{
    if (handle_) SetWindowTextA(handle_, text_.c_str());
}

void TWinControl::VisibleChanged()
{
    if (handle_) ShowWindow(handle_, Visible() ? SW_SHOWNOACTIVATE : SW_HIDE);
}

TControl* TWinControl::ControlAtPos(POINT p) const
{
    for (size_t i = controls_.size(); i-- > 0;) {
        TControl* c = controls_[i];
        if (c->IsWindowed() || !c->visible_ || !c->enabled_) continue;
        RECT r = c->BoundsRect();
        if (PtInRect(&r, p)) return c;
    }
    return nullptr;
}

bool TWinControl::HasWindowlessChildren() const
{
    return std::any_of(controls_.begin(), controls_.end(), [](const TControl* c) { return !c->IsWindowed(); });
}

void TWinControl::PaintControls(HDC dc)
{
    for (size_t i = 0; i < controls_.size(); ++i) {
        TControl* c = controls_[i];
        if (c->IsWindowed() || !c->visible_) continue;
        RECT r = c->BoundsRect();
        if (!RectVisible(dc, &r)) continue;
        SavedDc saved(dc);
        OffsetViewportOrgEx(dc, c->left_, c->top_, nullptr);
        IntersectClipRect(dc, 0, 0, c->width_, c->height_);
        c->Perform(WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
    }
}

void TWinControl::PaintWindow(HDC dc)
{
    TMessage m{WM_PAINT, reinterpret_cast<WPARAM>(dc), 0, 0};
    DefaultHandler(m);
}

void TWinControl::PaintHandler(TMessage& message)
{
    if (!paintsItself_ && !HasWindowlessChildren()) {
        DefaultHandler(message);
        return;
    }
    if (HDC given = reinterpret_cast<HDC>(message.WParam)) {
        PaintWindow(given);
        PaintControls(given);
        return;
    }
    PaintDc dc(handle_);
    PaintWindow(dc.get());
    PaintControls(dc.get());
}

void TWinControl::EraseBackground(HDC dc)
{
    RECT r = ClientRect();
    FillRect(dc, &r, brush_.Handle());
}

bool TWinControl::ReflectNotification(TMessage& message)
{
    HWND child = nullptr;
    if (!message.LParam) return false; // menus, accelerators and a window's own scroll bars
    switch (message.Msg) {
    case WM_NOTIFY: child = reinterpret_cast<NMHDR*>(message.LParam)->hwndFrom; break;
    case WM_DRAWITEM: {
        auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(message.LParam);
        if (item->CtlType != ODT_MENU) child = item->hwndItem;
        break;
    }
    case WM_MEASUREITEM: {
        auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(message.LParam);
        // Our children all have the identifier 0, which names none of them.
        if (item->CtlType != ODT_MENU && item->CtlID != 0) child = GetDlgItem(handle_, static_cast<int>(item->CtlID));
        break;
    }
    default: child = reinterpret_cast<HWND>(message.LParam); break; // commands, colours, scrolling
    }
    TWinControl* control = FindControl(child);
    if (!control || control == this) return false;
    message.Result = control->Perform(CN_BASE + message.Msg, message.WParam, message.LParam);
    return true;
}

bool TWinControl::KeyNotification(TMessage& message)
{
    TWinControl* top = this;
    while (top->parent_) top = top->parent_;
    const auto key = static_cast<UINT>(message.WParam);
    if (message.Msg == CN_KEYDOWN || message.Msg == CN_SYSKEYDOWN) {
        UINT mask = 0;
        switch (key) {
        case VK_TAB: mask = DLGC_WANTTAB; break;
        case VK_LEFT:
        case VK_RIGHT:
        case VK_UP:
        case VK_DOWN: mask = DLGC_WANTARROWS; break;
        case VK_RETURN:
        case VK_EXECUTE:
        case VK_ESCAPE:
        case VK_CANCEL: mask = DLGC_WANTALLKEYS; break;
        default: break;
        }
        return mask && !(Perform(WM_GETDLGCODE) & mask) && top->Perform(CM_DIALOGKEY, key, message.LParam) != 0;
    }
    // Characters: Alt+key always, plain keys when the control does not take characters.
    if (message.Msg == CN_CHAR && (Perform(WM_GETDLGCODE) & DLGC_WANTCHARS)) return false;
    return top->Perform(CM_DIALOGCHAR, key, message.LParam) != 0;
}

void TWinControl::TrackMouse(TMessage& message)
{
    if (!mouseInside_) {
        mouseInside_ = true;
        Perform(CM_MOUSEENTER);
        TRACKMOUSEEVENT tme{sizeof tme, TME_LEAVE, handle_, 0};
        TrackMouseEvent(&tme);
    }
    POINT p{GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam)};
    TControl* over = captureControl_ ? captureControl_ : ControlAtPos(p);
    if (over != mouseControl_) {
        if (mouseControl_) mouseControl_->Perform(CM_MOUSELEAVE);
        mouseControl_ = over;
        if (over) over->Perform(CM_MOUSEENTER);
    }
}

bool TWinControl::RouteMouseToChild(TMessage& message)
{
    POINT p{GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam)};
    TControl* target = captureControl_ ? captureControl_ : ControlAtPos(p);
    if (!target) return false;
    switch (message.Msg) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        captureControl_ = target;
        SetCapture(handle_);
        break;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
        captureControl_ = nullptr;
        if (GetCapture() == handle_) ReleaseCapture();
        break;
    default: break;
    }
    message.Result = target->Perform(message.Msg, message.WParam, MAKELPARAM(p.x - target->left_, p.y - target->top_));
    return true;
}

bool TWinControl::SetCursorFor(TMessage& message)
{
    if (LOWORD(message.LParam) != HTCLIENT || reinterpret_cast<HWND>(message.WParam) != handle_) return false;
    POINT p;
    GetCursorPos(&p);
    ::ScreenToClient(handle_, &p);
    const TControl* over = ControlAtPos(p);
    const TCursor cursor = over && over->cursor_ != crDefault ? over->cursor_ : cursor_;
    for (const CursorName& c : cursorNames)
        if (c.cursor == cursor && c.system) {
            ::SetCursor(LoadCursorA(nullptr, c.system));
            return true;
        }
    return false;
}

void TWinControl::WndProc(TMessage& message)
{
    switch (message.Msg) {
    case WM_SETCURSOR:
        if (SetCursorFor(message)) {
            message.Result = 1;
            return;
        }
        break;
    case WM_PAINT: PaintHandler(message); return;
    case WM_ERASEBKGND:
        EraseBackground(reinterpret_cast<HDC>(message.WParam));
        message.Result = 1;
        return;
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        if (ReflectNotification(message)) return;
        break;
    case CN_KEYDOWN:
    case CN_SYSKEYDOWN:
    case CN_CHAR:
    case CN_SYSCHAR:
        message.Result = KeyNotification(message) ? 1 : 0;
        return;
    case CM_DIALOGKEY:
    case CM_DIALOGCHAR: Broadcast(message); return;
    case CM_COLORCHANGED: brush_.SetColor(Color()); break;
    case CM_FONTCHANGED:
        if (handle_) {
            TMessage font{WM_SETFONT, reinterpret_cast<WPARAM>(Font()->Handle()), TRUE, 0};
            DefaultHandler(font);
        }
        for (size_t i = 0; i < controls_.size(); ++i) controls_[i]->TakeParentFont();
        return;
    case CM_RECREATEWND:
        if (handle_ && !recreating_) {
            recreating_ = true;
            try {
                const bool shown = IsWindowVisible(handle_) != FALSE; // top-level windows are made hidden
                DestroyHandle();
                if (!parent_ || parent_->handle_) CreateWnd();
                if (shown && handle_ && !IsWindowVisible(handle_)) ShowWindow(handle_, SW_SHOWNA);
            } catch (...) {
                recreating_ = false;
                throw;
            }
            recreating_ = false;
        }
        return;
    case WM_WINDOWPOSCHANGED:
        DefaultHandler(message);
        UpdateBoundsFromWindow();
        return;
    case WM_SETFOCUS: {
        DefaultHandler(message);
        TWinControl* top = this;
        while (top->parent_) top = top->parent_;
        top->Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(this));
        Perform(CM_ENTER);
        return;
    }
    case WM_KILLFOCUS:
        DefaultHandler(message);
        Perform(CM_EXIT);
        return;
    case WM_MOUSELEAVE:
        mouseInside_ = false;
        if (mouseControl_) mouseControl_->Perform(CM_MOUSELEAVE);
        mouseControl_ = nullptr;
        Perform(CM_MOUSELEAVE);
        DefaultHandler(message);
        return;
    case WM_NCDESTROY:
        DefaultHandler(message);
        Detach();
        return;
    default: break;
    }
    if (message.Msg >= WM_MOUSEFIRST && message.Msg <= WM_MBUTTONDBLCLK && message.Msg != WM_MOUSEWHEEL) {
        if (message.Msg == WM_MOUSEMOVE) TrackMouse(message);
        if (RouteMouseToChild(message)) return;
    }
    TControl::WndProc(message);
}

void TWinControl::DefaultHandler(TMessage& message)
{
    if (!handle_) return;
    if (message.Msg >= CN_CTLCOLORMSGBOX && message.Msg <= CN_CTLCOLORSTATIC) {
        HDC dc = reinterpret_cast<HDC>(message.WParam);
        SetTextColor(dc, static_cast<COLORREF>(ColorToRGB(Font()->Color())));
        SetBkColor(dc, static_cast<COLORREF>(ColorToRGB(Color())));
        message.Result = reinterpret_cast<LRESULT>(brush_.Handle());
        return;
    }
    message.Result = CallWindowProcA(defWndProc_ ? defWndProc_ : DefWindowProcA, handle_, message.Msg,
                                     message.WParam, message.LParam);
}

// ---------------------------------------------------------------------------------------

const TClass& TGraphicControl::StaticClass() { return DefineClass<TGraphicControl, TControl>("TGraphicControl"); }

TGraphicControl::TGraphicControl(TComponent* owner) : TControl(owner), canvas_(std::make_unique<TCanvas>()) {}

TGraphicControl::~TGraphicControl() = default;

namespace {
// Binds a canvas to a DC for one paint and lets it go again, also on an exception.
class CanvasBinding {
public:
    CanvasBinding(TCanvas& canvas, HDC dc) : canvas_(canvas) { canvas_.SetHandle(dc); }
    ~CanvasBinding() { canvas_.SetHandle(nullptr); }
    CanvasBinding(const CanvasBinding&) = delete;
    CanvasBinding& operator=(const CanvasBinding&) = delete;

private:
    TCanvas& canvas_;
};
} // namespace

void TGraphicControl::WndProc(TMessage& message)
{
    if (message.Msg == WM_PAINT && message.WParam) {
        CanvasBinding bind(*canvas_, reinterpret_cast<HDC>(message.WParam));
        Paint();
        return;
    }
    TControl::WndProc(message);
}

const TClass& TCustomControl::StaticClass() { return DefineClass<TCustomControl, TWinControl>("TCustomControl"); }

TCustomControl::TCustomControl(TComponent* owner) : TWinControl(owner), canvas_(std::make_unique<TCanvas>())
{
    paintsItself_ = true;
}

TCustomControl::~TCustomControl() = default;

void TCustomControl::PaintWindow(HDC dc)
{
    CanvasBinding bind(*canvas_, dc);
    Paint();
}

// ---------------------------------------------------------------------------------------
// Object instances for subclassing

// The stub's code sits first: it puts the stub's own address in front of the window
// procedure's arguments and jumps to StubProc, whose extra argument the callee pops.
struct TWindowSubclass::Stub {
    unsigned char code[12];
    WNDPROC old;
    bool unicode;
    TWindowSubclass* owner; // null: a pass-through to old
    int calls = 0;          // messages inside StubProc now
    bool gone = false;      // out of the chain (restored, or the window destroyed)
};

namespace {
// Object instances must be executable memory; images are marked NX, so ordinary heap
// memory will not do.
HANDLE StubHeap()
{
    static const HANDLE heap = HeapCreate(HEAP_CREATE_ENABLE_EXECUTE, 0, 0);
    return heap;
}
} // namespace

TWindowSubclass::TWindowSubclass(HWND wnd, TWndMethod method)
    : wnd_(wnd), unicode_(IsWindowUnicode(wnd) != FALSE), method_(std::move(method))
{
    if (!IsWindow(wnd)) throw Exception("Cannot subclass a window that does not exist");
    void* memory = StubHeap() ? HeapAlloc(StubHeap(), 0, sizeof(Stub)) : nullptr;
    if (!memory) throw Exception("Out of memory for a window-procedure instance");
    Stub* stub = new (memory) Stub{};
    const auto self = reinterpret_cast<std::uintptr_t>(stub);
    const auto target = reinterpret_cast<std::uintptr_t>(&StubProc);
    const auto next = self + sizeof stub->code; // the jump is relative to its end
    const std::int32_t rel = static_cast<std::int32_t>(target - next);
    unsigned char* c = stub->code;
    c[0] = 0x58; // pop eax (the return address)
    c[1] = 0x68; // push imm32 (the stub)
    std::memcpy(c + 2, &self, 4);
    c[6] = 0x50; // push eax
    c[7] = 0xE9; // jmp rel32 StubProc
    std::memcpy(c + 8, &rel, 4);
    FlushInstructionCache(GetCurrentProcess(), stub->code, sizeof stub->code);
    stub->unicode = unicode_;
    stub->owner = this;
    const auto proc = reinterpret_cast<LONG_PTR>(stub->code);
    old_ = reinterpret_cast<WNDPROC>(unicode_ ? SetWindowLongPtrW(wnd, GWLP_WNDPROC, proc)
                                              : SetWindowLongPtrA(wnd, GWLP_WNDPROC, proc));
    stub->old = old_;
    stub_ = stub;
}

void TWindowSubclass::Restore()
{
    Stub* stub = std::exchange(stub_, nullptr);
    if (!stub) return;
    stub->owner = nullptr;
    const auto proc = reinterpret_cast<LONG_PTR>(stub->code);
    const LONG_PTR current = unicode_ ? GetWindowLongPtrW(wnd_, GWLP_WNDPROC) : GetWindowLongPtrA(wnd_, GWLP_WNDPROC);
    // Only while ours is current: a later subclasser still calls our stub as its old one.
    if (IsWindow(wnd_) && current == proc) {
        if (unicode_) SetWindowLongPtrW(wnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(old_));
        else SetWindowLongPtrA(wnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(old_));
        stub->gone = true;
    }
    if (stub->gone && stub->calls == 0) HeapFree(StubHeap(), 0, stub);
}

void TWindowSubclass::CallOld(TMessage& message) const
{
    message.Result = unicode_ ? CallWindowProcW(old_, wnd_, message.Msg, message.WParam, message.LParam)
                              : CallWindowProcA(old_, wnd_, message.Msg, message.WParam, message.LParam);
}

LRESULT CALLBACK TWindowSubclass::StubProc(Stub* stub, HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    ++stub->calls;
    TMessage m{msg, wParam, lParam, 0};
    if (TWindowSubclass* owner = stub->owner) {
        try {
            owner->method_(m); // may restore or free the owner
        } catch (...) {
            HandleWindowException(nullptr);
        }
    } else {
        m.Result = stub->unicode ? CallWindowProcW(stub->old, wnd, msg, wParam, lParam)
                                 : CallWindowProcA(stub->old, wnd, msg, wParam, lParam);
    }
    --stub->calls;
    if (msg == WM_NCDESTROY) {
        if (stub->owner) stub->owner->stub_ = nullptr;
        stub->owner = nullptr;
        stub->gone = true;
    }
    // The jump into StubProc has left the stub's code: freeing it here is safe.
    if (stub->gone && stub->calls == 0) HeapFree(StubHeap(), 0, stub);
    return m.Result;
}

} // namespace cl
