// Controls: the base classes of every visual component. TControl (bounds, alignment,
// visibility, colour, font, text, a replaceable window-procedure chain), TWinControl (a
// real window, created when first needed, found again from its handle through a window
// property), TGraphicControl (windowless, painted by its parent) and TCustomControl (a
// window with a canvas).
#pragma once

#include "classlib/Classes.h"
#include "classlib/Graphics.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <vector>

namespace cl {

// A message as it travels through a control: decoded once by whoever handles it.
struct TMessage {
    UINT Msg = 0;
    WPARAM WParam = 0;
    LPARAM LParam = 0;
    LRESULT Result = 0;
};

using TWndMethod = std::function<void(TMessage& message)>;

// The class library's internal notifications.
constexpr UINT CM_BASE = 0xB000;
constexpr UINT CM_ACTIVATE = CM_BASE + 0;
constexpr UINT CM_DEACTIVATE = CM_BASE + 1;
constexpr UINT CM_DIALOGKEY = CM_BASE + 5;       // wParam key, lParam key data; non-zero: used
constexpr UINT CM_DIALOGCHAR = CM_BASE + 6;      // wParam character, lParam key data; non-zero: used
constexpr UINT CM_FOCUSCHANGED = CM_BASE + 7;    // lParam the control that has the focus
constexpr UINT CM_VISIBLECHANGED = CM_BASE + 11; // wParam the new Visible
constexpr UINT CM_ENABLEDCHANGED = CM_BASE + 12;
constexpr UINT CM_COLORCHANGED = CM_BASE + 13;
constexpr UINT CM_FONTCHANGED = CM_BASE + 14;
constexpr UINT CM_TEXTCHANGED = CM_BASE + 18;
constexpr UINT CM_MOUSEENTER = CM_BASE + 19;
constexpr UINT CM_MOUSELEAVE = CM_BASE + 20;
constexpr UINT CM_MENUCHANGED = CM_BASE + 21;
constexpr UINT CM_ENTER = CM_BASE + 26;
constexpr UINT CM_EXIT = CM_BASE + 27;
constexpr UINT CM_RELEASE = CM_BASE + 33;
constexpr UINT CM_RECREATEWND = CM_BASE + 51;

// Messages reflected to the control they concern: CN_BASE + the original number. The
// message loop also offers key messages to the focused control this way.
constexpr UINT CN_BASE = 0xBC00;
constexpr UINT CN_KEYDOWN = CN_BASE + WM_KEYDOWN;
constexpr UINT CN_KEYUP = CN_BASE + WM_KEYUP;
constexpr UINT CN_CHAR = CN_BASE + WM_CHAR;
constexpr UINT CN_DEADCHAR = CN_BASE + WM_DEADCHAR;
constexpr UINT CN_SYSKEYDOWN = CN_BASE + WM_SYSKEYDOWN;
constexpr UINT CN_SYSCHAR = CN_BASE + WM_SYSCHAR;
constexpr UINT CN_COMMAND = CN_BASE + WM_COMMAND;
constexpr UINT CN_NOTIFY = CN_BASE + WM_NOTIFY;
constexpr UINT CN_DRAWITEM = CN_BASE + WM_DRAWITEM;
constexpr UINT CN_MEASUREITEM = CN_BASE + WM_MEASUREITEM;
constexpr UINT CN_HSCROLL = CN_BASE + WM_HSCROLL;
constexpr UINT CN_VSCROLL = CN_BASE + WM_VSCROLL;
constexpr UINT CN_CTLCOLORMSGBOX = CN_BASE + WM_CTLCOLORMSGBOX;
constexpr UINT CN_CTLCOLOREDIT = CN_BASE + WM_CTLCOLOREDIT;
constexpr UINT CN_CTLCOLORLISTBOX = CN_BASE + WM_CTLCOLORLISTBOX;
constexpr UINT CN_CTLCOLORBTN = CN_BASE + WM_CTLCOLORBTN;
constexpr UINT CN_CTLCOLORDLG = CN_BASE + WM_CTLCOLORDLG;
constexpr UINT CN_CTLCOLORSCROLLBAR = CN_BASE + WM_CTLCOLORSCROLLBAR;
constexpr UINT CN_CTLCOLORSTATIC = CN_BASE + WM_CTLCOLORSTATIC;

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
extern const TEnumType AlignType;

// Mouse cursors by their usual numbers; crDefault leaves the window class's cursor.
using TCursor = int;
constexpr TCursor crDefault = 0, crArrow = -2, crCross = -3, crIBeam = -4, crHourGlass = -11, crNo = -18,
                  crHandPoint = -21;
bool IdentToCursor(std::string_view ident, std::int64_t& cursor);

enum TMouseButton { mbLeft, mbRight, mbMiddle };
using TShiftState = unsigned; // MK_* bits of the mouse message
using TMouseEvent = std::function<void(TObject* sender, TMouseButton button, TShiftState shift, int x, int y)>;

// Behaviour flags of a control class.
enum TControlStyleFlag : unsigned {
    csAcceptsControls = 1u << 0,
    csCaptureMouse = 1u << 1,
    csClickEvents = 1u << 2, // a press and release inside the control is a click
    csOpaque = 1u << 3,      // paints its whole area (parents need not erase under it)
    csDoubleClicks = 1u << 4, // the window class takes double clicks
};

class TWinControl;
class TControl;

// One link of a control's window-procedure chain: the control's replaceable WindowProc.
// The newest link sees each message first and hands it on with CallPrevious, down to
// the control's own WndProc. A link can be removed in any order: removal splices it out
// where it stands, so no link is ever left calling a procedure that is gone. A link that
// removes itself while handling a message still passes that message on to the links
// below it. The control going first unlinks every link; a link outliving its control
// then does nothing.
class TWindowProcHook {
public:
    TWindowProcHook(TControl& control, TWndMethod proc);
    ~TWindowProcHook();
    TWindowProcHook(const TWindowProcHook&) = delete;
    TWindowProcHook& operator=(const TWindowProcHook&) = delete;

    // Passes message to the link installed before this one, or to the control's own
    // handling.
    void CallPrevious(TMessage& message);
    void Remove();
    bool Linked() const { return control_ != nullptr && linked_; }
    TControl* Control() const { return control_; }

private:
    friend class TControl;
    static void Invoke(TWindowProcHook* link, TMessage& message);

    TControl* control_;
    TWndMethod proc_;
    TWindowProcHook* older_ = nullptr;
    TWindowProcHook* newer_ = nullptr;
    bool linked_ = true;
    int calls_ = 0;                                          // messages in its procedure now
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true); // false once freed
};

class TControl : public TComponent {
    CL_CLASS(TControl)
public:
    explicit TControl(TComponent* owner);
    ~TControl() override;

    TWinControl* Parent() const { return parent_; }
    virtual void SetParent(TWinControl* parent);
    void SetParentComponent(TComponent* parent) override;

    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    void SetLeft(int v) { SetBounds(v, top_, width_, height_); }
    void SetTop(int v) { SetBounds(left_, v, width_, height_); }
    void SetWidth(int v) { SetBounds(left_, top_, v, height_); }
    void SetHeight(int v) { SetBounds(left_, top_, width_, v); }
    virtual void SetBounds(int left, int top, int width, int height);
    RECT BoundsRect() const { return RECT{left_, top_, left_ + width_, top_ + height_}; }
    virtual RECT ClientRect() const;
    int ClientWidth() const { return ClientRect().right; }
    int ClientHeight() const { return ClientRect().bottom; }
    void SetClientWidth(int w) { SetClientSize(w, ClientHeight()); }
    void SetClientHeight(int h) { SetClientSize(ClientWidth(), h); }
    virtual void SetClientSize(int width, int height);
    POINT ClientToScreen(POINT p);
    POINT ScreenToClient(POINT p);

    TAlign Align() const { return align_; }
    void SetAlign(TAlign align);

    bool Visible() const { return visible_; }
    void SetVisible(bool visible);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    bool Enabled() const { return enabled_; }
    virtual void SetEnabled(bool enabled);
    TColor Color() const { return color_; }
    void SetColor(TColor color);
    TFont* Font() const { return font_.get(); }
    // True: the control shows its parent's font and follows its changes; changing the
    // control's own font makes it false.
    bool ParentFont() const { return parentFont_; }
    void SetParentFont(bool parentFont);
    const AnsiString& Hint() const { return hint_; }
    void SetHint(const AnsiString& hint) { hint_ = hint; }
    bool ShowHint() const { return showHint_; }
    void SetShowHint(bool show) { showHint_ = show; }
    // Caption and Text are the same text under two names.
    AnsiString Text() const { return GetText(); }
    void SetText(const AnsiString& text);
    AnsiString Caption() const { return GetText(); }
    void SetCaption(const AnsiString& text) { SetText(text); }
    TCursor Cursor() const { return cursor_; }
    void SetCursor(TCursor cursor) { cursor_ = cursor; }
    unsigned ControlStyle() const { return controlStyle_; }
    void SetControlStyle(unsigned style) { controlStyle_ = style; }

    // The window-procedure chain: the newest TWindowProcHook first, then WndProc.
    void WindowProc(TMessage& message);
    LRESULT Perform(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);

    virtual void Invalidate();
    void Update();
    void Repaint()
    {
        Invalidate();
        Update();
    }

    TNotifyEvent OnClick;
    TMouseEvent OnMouseDown;

protected:
    // The control's own message handling; the default falls through to DefaultHandler.
    virtual void WndProc(TMessage& message);
    virtual void DefaultHandler(TMessage& message) { (void)message; }
    virtual AnsiString GetText() const { return text_; }
    virtual void TextChanged() {}
    virtual void VisibleChanged() {}
    virtual void Click();
    // Sets the flag alone (a form starts hidden).
    void InitVisible(bool visible) { visible_ = visible; }
    // Asks the parent to lay out its aligned children again.
    void RequestAlign();
    virtual bool IsWindowed() const { return false; }

private:
    friend class TWindowProcHook;
    friend class TWinControl;
    void MouseMessage(TMessage& message);
    void TakeParentFont();

    TWinControl* parent_ = nullptr;
    TWindowProcHook* hooks_ = nullptr; // newest link
    int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    TAlign align_ = alNone;
    bool visible_ = true;
    bool enabled_ = true;
    bool showHint_ = false;
    bool clicking_ = false;
    bool parentFont_ = true;
    bool takingParentFont_ = false;
    TColor color_ = clBtnFace;
    TCursor cursor_ = crDefault;
    std::unique_ptr<TFont> font_;
    AnsiString hint_;
    AnsiString text_;
    unsigned controlStyle_ = csCaptureMouse | csClickEvents | csDoubleClicks;
};

// Everything CreateWindowEx gets, filled in by CreateParams.
struct TCreateParams {
    AnsiString Caption;
    DWORD Style = 0;
    DWORD ExStyle = 0;
    int X = 0, Y = 0, Width = 0, Height = 0;
    HWND WndParent = nullptr;
    WNDCLASSA WindowClass{}; // lpfnWndProc: the procedure our own handling falls back to
    AnsiString WinClassName;  // the control's class name unless changed
};

class TWinControl : public TControl {
    CL_CLASS(TWinControl)
public:
    explicit TWinControl(TComponent* owner);
    // Frees the child controls (whoever owns them), then the window.
    ~TWinControl() override;

    // The window, created with the parent's (and created first) when none exists yet.
    HWND Handle();
    bool HandleAllocated() const { return handle_ != nullptr; }
    void HandleNeeded() { Handle(); }
    // Destroys the window and makes a new one (children too), telling the control
    // first with CM_RECREATEWND.
    void RecreateWnd();

    int ControlCount() const { return static_cast<int>(controls_.size()); }
    TControl* Controls(int index) const { return controls_.at(static_cast<size_t>(index)); }
    bool ContainsControl(const TControl* control) const;
    // The windowed children in tab order, nested: every control before its children.
    void GetTabOrderList(std::vector<TWinControl*>& list);
    int TabOrder() const;
    void SetTabOrder(int order);
    bool TabStop() const { return tabStop_; }
    void SetTabStop(bool stop) { tabStop_ = stop; }

    bool Focused() const;
    bool CanFocus() const;
    virtual void SetFocus();

    void SetBounds(int left, int top, int width, int height) override;
    RECT ClientRect() const override;
    void SetClientSize(int width, int height) override;
    void Invalidate() override;
    void Loaded() override;
    // Lays out the aligned children in the client area.
    void Realign();
    // Sends message to every child control (stops early when one sets Result).
    void Broadcast(TMessage& message);
    // Paints the windowless children into dc (client coordinates of this control).
    void PaintControls(HDC dc);

    // The class-library control of a window of this module and thread, or null.
    static TWinControl* FindControl(HWND wnd);

protected:
    virtual void CreateParams(TCreateParams& params);
    // Window size less client size: measured on the window, or from the creation
    // parameters while there is none.
    SIZE NonClientSize() const;
    // Takes the window class of a system control ("BUTTON", "EDIT"...) as the base of this
    // control's own class: its procedure becomes the default handling.
    static void CreateSubClass(TCreateParams& params, const char* controlClassName);
    virtual void CreateWnd();
    virtual void DestroyWnd();
    void DestroyHandle();
    void WndProc(TMessage& message) override;
    void DefaultHandler(TMessage& message) override;
    AnsiString GetText() const override;
    void TextChanged() override;
    void VisibleChanged() override;
    // The rectangle the aligned children share; controls with borders shrink it.
    virtual void AdjustClientRect(RECT& rect) { (void)rect; }
    virtual void AlignControls(RECT rect);
    // Paints the control itself into dc; the default lets the window class paint.
    virtual void PaintWindow(HDC dc);
    // Called after CM_RELEASE has run through the window-procedure chain.
    virtual void DoRelease() {}
    bool IsWindowed() const override { return true; }

    bool paintsItself_ = false; // WM_PAINT goes to PaintWindow even without windowless children

private:
    friend class TControl;
    friend LRESULT CALLBACK ControlWindowProc(HWND, UINT, WPARAM, LPARAM);
    void Attach(HWND wnd);
    void Detach();
    void CreateHandle();
    void InsertControl(TControl* control);
    void RemoveControl(TControl* control);
    void UpdateBoundsFromWindow();
    void PaintHandler(TMessage& message);
    void EraseBackground(HDC dc);
    bool ReflectNotification(TMessage& message);
    bool KeyNotification(TMessage& message);
    bool RouteMouseToChild(TMessage& message);
    bool SetCursorFor(TMessage& message);
    bool HasWindowlessChildren() const;
    void TrackMouse(TMessage& message);
    TControl* ControlAtPos(POINT p) const;

    HWND handle_ = nullptr;
    WNDPROC defWndProc_ = nullptr;
    std::vector<TControl*> controls_;
    std::vector<TWinControl*> tabList_;
    TBrush brush_; // the background, kept at Color
    bool tabStop_ = false;
    bool aligning_ = false;
    bool recreating_ = false;
    bool mouseInside_ = false;
    TControl* mouseControl_ = nullptr;   // windowless child under the mouse
    TControl* captureControl_ = nullptr; // windowless child that took the mouse on a press
};

class TGraphicControl : public TControl {
    CL_CLASS(TGraphicControl)
public:
    explicit TGraphicControl(TComponent* owner);
    ~TGraphicControl() override;
    TCanvas* Canvas() const { return canvas_.get(); }

protected:
    // Draws on Canvas, bound to the parent's DC with the origin at the control.
    virtual void Paint() {}
    void WndProc(TMessage& message) override;

private:
    std::unique_ptr<TCanvas> canvas_;
};

class TCustomControl : public TWinControl {
    CL_CLASS(TCustomControl)
public:
    explicit TCustomControl(TComponent* owner);
    ~TCustomControl() override;
    TCanvas* Canvas() const { return canvas_.get(); }

protected:
    virtual void Paint() {}
    void PaintWindow(HDC dc) override;

private:
    std::unique_ptr<TCanvas> canvas_;
};

// Subclasses any window, of this module or not, with a method: the window procedure is
// replaced by an object instance (a small generated stub bound to this object), set with
// SetWindowLongPtrW for a Unicode window and SetWindowLongPtrA otherwise. Restore puts
// the old procedure back only while the stub is still the window's procedure; when
// someone has subclassed on top since, the stub stays in their chain as a pass-through
// to the old procedure until the window is destroyed.
class TWindowSubclass {
public:
    TWindowSubclass(HWND wnd, TWndMethod method);
    ~TWindowSubclass() { Restore(); }
    TWindowSubclass(const TWindowSubclass&) = delete;
    TWindowSubclass& operator=(const TWindowSubclass&) = delete;

    void Restore();
    bool Installed() const { return stub_ != nullptr; }
    HWND Window() const { return wnd_; }
    bool Unicode() const { return unicode_; }
    // The procedure that was in place before, with CallWindowProcW or A to match.
    void CallOld(TMessage& message) const;

private:
    struct Stub;
    static LRESULT CALLBACK StubProc(Stub* stub, HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);

    HWND wnd_;
    bool unicode_;
    WNDPROC old_ = nullptr;
    TWndMethod method_;
    Stub* stub_ = nullptr;
};

// The form a control sits on (the top of its parent chain when that is a form), or null.
class TCustomForm;
TCustomForm* GetParentForm(const TControl* control);

// The module instance of the class library's copy: windows, classes and resources of
// this module (the program or the library) are registered under it.
HINSTANCE ModuleInstance();
// The global atom "ControlOfs%.8X%.8X" (module instance, thread) whose window property
// holds the control of a window.
ATOM ControlAtom();

// Hands the exception being handled to the application (call inside a catch block).
void HandleWindowException(TObject* sender) noexcept;

} // namespace cl
