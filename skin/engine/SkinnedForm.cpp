// One skinned window: set-up, window procedures, frame painting and region.
#include "skin/engine/SkinnedForm.h"
#include "skin/engine/MenuItems.h"

#include "skin/SkinDraw.h"
#include "skin/SkinRules.h"
#include "skin/controls/ScrollBars.h"
#include "skin/engine/SkinControl.h"
#include "skin/engine/SkinManage.h"
#include "skin/engine/SkinMessages.h"

#include "classlib/SysUtils.h"
#include "classlib/TypInfo.h"

#include <algorithm>

namespace skin {

namespace {
int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }
} // namespace

const cl::TClass& TSkinnedForm::StaticClass()
{
    return cl::DefineClass<TSkinnedForm, cl::TComponent>("TSkinnedForm");
}

TSkinnedForm::TSkinnedForm(cl::TComponent* owner)
    : cl::TComponent(owner), titleFont_(std::make_unique<cl::TFont>()), captionBuffer_(std::make_unique<cl::TBitmap>())
{
    NONCLIENTMETRICSA metrics{};
    metrics.cbSize = 340;
    if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, 340, &metrics, 0))
        titleFont_->SetHandle(CreateFontIndirectA(&metrics.lfCaptionFont));
    captionBuffer_->SetPixelFormat(cl::pf24bit);
}

TSkinnedForm::~TSkinnedForm()
{
    *alive_ = false;
    ForgetMenuBarTracking(*this);
    ReleaseMenus();
    FreeControlSkins();
    if (SkinManager) SkinManager->RemoveForm(*this);
    UnsubclassMDIClient();
    formHook_.reset();
    subclass_.reset();
}

// ---------------------------------------------------------------------------------------
// Set-up

void TSkinnedForm::AttachForm(TSkinData& data, cl::TCustomForm& form)
{
    FormControl = &form;
    if (data.OnBeforeSkinForm) data.OnBeforeSkinForm(&form, Window, ClassName);
    if (data.Has(xcMenuItem) && cl::IsPublishedProp(form, "AutoScroll")) cl::SetPropText(form, "AutoScroll", "False");
    SetupWindow(data);
    if (FrameSkinning)
        formHook_ = std::make_unique<cl::TWindowProcHook>(form, [this](cl::TMessage& m) { FormWindowProc(m); });
    savedColor_ = form.Color();
    form.SetColor(data.Colors[scButtonFace]);
    if (data.Has(xcMenuItem)) SetMainMenusOwnerDraw(form, true);
}

void TSkinnedForm::AttachWindow(TSkinData& data) { SetupWindow(data); }

void TSkinnedForm::SetupWindow(TSkinData& data)
{
    if (subclass_) return;
    if (SkinManager) SkinManager->Mode = 1;
    SkinData = &data;
    FrameSkinning = data.Has(xcMainMenu);
    Style = static_cast<DWORD>(GetWindowLongA(Window, GWL_STYLE));
    const auto ex = static_cast<DWORD>(GetWindowLongA(Window, GWL_EXSTYLE));
    RightToLeft = (ex & WS_EX_LEFTSCROLLBAR) != 0;
    ChildWindow = (Style & WS_CHILD) != 0;
    if (ClassName.empty()) {
        char name[100] = {};
        GetClassNameA(Window, name, sizeof name);
        ClassName = name;
    }
    OwnerWindow = GetWindow(Window, GW_OWNER);
    StyleFlags = StyleFlagsOf(Style, ex, SystemMenu != nullptr);
    ReadWindowState();
    Sizeable = (Style & WS_THICKFRAME) != 0;
    for (HWND child = GetTopWindow(Window); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char name[100] = {};
        GetClassNameA(child, name, sizeof name);
        if (std::string_view(name) == "MDIClient") {
            WindowKind = wkMDIFrame;
            MDIClient = child;
            if (SkinManager) {
                SkinManager->MDIClientWindow = child;
                SkinManager->MDIForm = FormControl;
            }
            break;
        }
    }
    if (ex & WS_EX_MDICHILD) {
        WindowKind = wkMDIChild;
        if (data.Has(xoMDIChildBorder)) FrameSkinning = false;
    }
    DialogAutoWidth = ClassName == "#32770" || ClassName == "TMessageForm";
    BorderKind = BorderKindOf(Style, ex, DialogAutoWidth);
    const DWORD version = SkinVersion();
    if (LOBYTE(LOWORD(version)) > 4 && HIBYTE(LOWORD(version)) == 0) {
        if (SkinIsNT() && (ex & WS_EX_APPWINDOW)) StyleFlags |= sfKeepSysMenu;
        if (!OwnerWindow && WindowKind != wkMDIChild) StyleFlags |= sfKeepSysMenu;
    }
    UnicodeWindow = IsWindowUnicode(Window) != FALSE;
    if (!SkinIsNT()) data.SkinControls &= ~Bit(xcSystemMenu);
    if (WindowKind == wkMDIFrame) {
        SavedMenuUpdate = data.MenuUpdate;
        SubclassMDIClient();
    }
    subclass_ = std::make_unique<cl::TWindowSubclass>(Window, [this](cl::TMessage& m) { SkinWndProc(m); });
    if (FrameSkinning) {
        if (GetMenu(Window) && WindowKind != wkMDIChild) {
            menuBar_ = std::make_unique<TSkinnedMenuBar>(*this, data);
            if (FormControl) menuBar_->SetFormMenu(FormMainMenu(*FormControl, Window));
            MenuBarHeight = GetSystemMetrics(SM_CYMENU);
            menuBar_->BuildItems();
        }
        BuildCaptionObjects();
        // Items can be found before the first frame paint (an accelerator, a click message).
        if (menuBar_) menuBar_->Layout();
    } else {
        SkinState = ssSkinned;
    }
    if (WindowKind == wkMDIChild) {
        const int standard = GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CXFRAME);
        if (Frame.top < standard) MenuBarHeight = standard - Frame.top;
        if (WindowState == wsMaximized && SkinManager && !SkinManager->MDIMaximized) SkinManager->SetMDIMaximized(true);
    }
}

void TSkinnedForm::BuildCaptionObjects()
{
    ForgetFrameImages();
    if (!SkinData || SkinData->Empty) return;
    if (BorderKind == bkNoCaption) {
        Frame = {};
        MenuBarHeight = 0;
    } else {
        auto across = [](const TDataSkinObject& o) { return o.Bitmap->Width() / AtLeastOneFrame(o.Frame); };
        auto down = [](const TDataSkinObject& o) { return o.Bitmap->Height() / AtLeastOneFrame(o.Frame); };
        Frame.top = down(*SkinData->TopBorder);
        Frame.left = across(*SkinData->LeftBorder);
        Frame.right = across(*SkinData->RightBorder);
        Frame.bottom = down(*SkinData->BottomBorder);
    }
    BuildCaptionObjectList();
}

void TSkinnedForm::ReadFrameSizes()
{
    GetClientRect(Window, &ClientRectangle);
    RECT w{};
    GetWindowRect(Window, &w);
    StdFrameWidth = Width(w) - Width(ClientRectangle);
    StdFrameHeight = Height(w) - Height(ClientRectangle);
}

std::wstring TSkinnedForm::ReadWindowTextW() const
{
    const int n = GetWindowTextLengthW(Window);
    std::wstring text(static_cast<std::size_t>(std::max(n, 0)) + 1, L'\0');
    const int got = GetWindowTextW(Window, text.data(), n + 1);
    text.resize(static_cast<std::size_t>(std::max(got, 0)));
    return text;
}

cl::AnsiString TSkinnedForm::ReadWindowTextA() const
{
    char buffer[1000] = {};
    SendMessageA(Window, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer));
    return buffer;
}

void TSkinnedForm::ReadWindowState()
{
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    if (!GetWindowPlacement(Window, &placement)) return;
    switch (placement.showCmd) {
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
    case SW_SHOWMINNOACTIVE: WindowState = wsMinimized; break;
    case SW_SHOWMAXIMIZED: WindowState = wsMaximized; break;
    default: WindowState = wsNormal; break;
    }
}

// ---------------------------------------------------------------------------------------
// Companions

void TSkinnedForm::SkinChildWindows(HWND parent)
{
    for (HWND child = GetTopWindow(parent); child; child = GetWindow(child, GW_HWNDNEXT))
        if (GetWindowLongA(child, GWL_STYLE) & WS_CHILD) SkinChildWindow(child);
}

void TSkinnedForm::SkinChildWindow(HWND window)
{
    if (FindControlSkin(window) || !SkinData) return;
    char name[100] = {};
    GetClassNameA(window, name, sizeof name);
    const TChildRule rule =
        RawChildRule(cl::LowerCase(name), static_cast<std::uint32_t>(GetWindowLongA(window, GWL_STYLE)),
                     SkinData->SkinControls);
    if (rule.children) SkinChildWindows(window);
    if (rule.formColour)
        if (cl::TControl* control = ControlOfWindow(window)) control->SetColor(SkinData->Colors[scButtonFace]);
    AttachChildSkin(window, rule.skin);
}

bool TSkinnedForm::AddControlSkin(TSkinControl& control)
{
    if (std::find(controlSkins_.begin(), controlSkins_.end(), &control) != controlSkins_.end()) return true;
    controlSkins_.push_back(&control);
    control.Form = this;
    return false;
}

void TSkinnedForm::RemoveControlSkin(TSkinControl& control)
{
    auto it = std::find(controlSkins_.begin(), controlSkins_.end(), &control);
    if (it != controlSkins_.end()) controlSkins_.erase(it);
    if (HotControlSkin == &control) HotControlSkin = nullptr;
    control.Form = nullptr;
}

TSkinControl* TSkinnedForm::FindControlSkin(HWND window) const
{
    for (TSkinControl* c : controlSkins_)
        if (c->Window() == window) return c;
    return nullptr;
}

void TSkinnedForm::FreeReleasedControls()
{
    for (size_t i = controlSkins_.size(); i-- > 0;)
        if (i < controlSkins_.size() && controlSkins_[i]->Released()) cl::Free(controlSkins_[i]);
}

void TSkinnedForm::FreeControlSkins()
{
    while (!controlSkins_.empty()) {
        TSkinControl* c = controlSkins_.back();
        if (SkinState != ssUnskinning && !c->Released()) c->Detach();
        cl::Free(c); // leaves the list in its destructor
        if (!controlSkins_.empty() && controlSkins_.back() == c) controlSkins_.pop_back();
    }
}

// ---------------------------------------------------------------------------------------
// Window procedures

void TSkinnedForm::CallOldWndProc(cl::TMessage& m)
{
    if (subclass_) subclass_->CallOld(m);
}

HBRUSH TSkinnedForm::FormBrush() const { return SkinData ? SkinData->FormBrush.get() : nullptr; }

void TSkinnedForm::SkinWndProc(cl::TMessage& m)
{
    if (m.Msg == WM_NCPAINT && SkinState == ssNotSkinned) {
        m.Result = 0;
        return;
    }
    switch (m.Msg) {
    case WM_ERASEBKGND:
        CallOldWndProc(m);
        if (!FormControl && FormBrush()) {
            RECT r{};
            GetClientRect(Window, &r);
            FillRect(reinterpret_cast<HDC>(m.WParam), &r, FormBrush());
            m.Result = 1;
        }
        return;
    case WM_NCDESTROY:
        SkinState = ssUnskinning;
        Unhook();
        CallOldWndProc(m);
        SkinState = ssReleased;
        return;
    case WM_NCACTIVATE:
        if (SkinState == ssNotSkinned && WindowKind != wkMDIChild) {
            m.Result = 0;
            return;
        }
        if (!FrameSkinning) {
            CallOldWndProc(m);
            return;
        }
        break;
    case 0xAE: // the platform's undocumented caption drawing
        m.Result = 0;
        return;
    case WM_INITMENUPOPUP:
        if (SkinManager) SkinManager->MenuKind = reinterpret_cast<HMENU>(m.WParam) == SystemMenu ? 2 : 1;
        CallOldWndProc(m);
        return;
    case WM_CTLCOLORBTN:
        CallOldWndProc(m);
        if (!FormControl) SetBkMode(reinterpret_cast<HDC>(m.WParam), TRANSPARENT);
        return;
    case WM_CTLCOLORSTATIC:
        CallOldWndProc(m);
        if (!FormControl) {
            SetBkMode(reinterpret_cast<HDC>(m.WParam), TRANSPARENT);
            m.Result = reinterpret_cast<LRESULT>(FormBrush());
        }
        return;
    case WM_SKIN_INIT: OnSkinInit(); return;
    case WM_SKIN_RESKIN_SCROLLBARS:
        // A scrolling control made a new window: its scroll-bar skin starts again on it.
        for (size_t i = controlSkins_.size(); i-- > 0;) {
            TSkinControl* old = controlSkins_[i];
            if (old->Window() != reinterpret_cast<HWND>(m.WParam)) continue;
            cl::TWinControl* control = old->Control;
            const bool listView = dynamic_cast<TSkinListView*>(old) != nullptr;
            controlSkins_.erase(controlSkins_.begin() + static_cast<std::ptrdiff_t>(i));
            cl::Free(old);
            if (control && control->HandleAllocated()) {
                TSkinScrollbar* skin = listView ? new TSkinListView(control) : new TSkinScrollbar(control);
                skin->InitScrollbar(control, SkinData, this, nullptr);
            }
            break;
        }
        return;
    case WM_SKIN_QUERY:
        m.Result = 1;
        PostMessageA(Window, WM_SKIN_DONE, 0, SKIN_MAGIC);
        return;
    default:
        if (!FrameSkinning) {
            CallOldWndProc(m);
            return;
        }
        break;
    }
    const bool handled = SecondStage(m);
    ThirdStage(m, handled);
}

// True when the message is done with; false when the third stage takes it.
bool TSkinnedForm::SecondStage(cl::TMessage& m)
{
    if (ChildWindow && WindowKind != wkMDIChild) {
        CallOldWndProc(m);
        return true;
    }
    switch (m.Msg) {
    case WM_SIZE: OnSize(m); return true;
    case WM_ACTIVATE:
        Active = LOBYTE(m.WParam) != 0;
        CallOldWndProc(m);
        return true;
    case WM_NCACTIVATE: Active = LOBYTE(m.WParam) != 0; return false;
    case WM_GETMINMAXINFO:
        CallOldWndProc(m);
        ReadWindowState();
        return true;
    case WM_WINDOWPOSCHANGED: {
        ReadWindowState();
        // A hidden window paints nothing; windows kept hidden must not keep frame images.
        const auto* pos = reinterpret_cast<const WINDOWPOS*>(m.LParam);
        if (pos && (pos->flags & SWP_HIDEWINDOW)) ForgetFrameImages();
        CallOldWndProc(m);
        return true;
    }
    case WM_COMMAND: {
        const WORD command = LOWORD(m.WParam);
        static const WORD system[] = {SC_SIZE, SC_MOVE, SC_MINIMIZE, SC_MAXIMIZE, SC_NEXTWINDOW, SC_PREVWINDOW,
                                      SC_CLOSE, SC_RESTORE};
        if (std::find(std::begin(system), std::end(system), command) != std::end(system))
            PostMessageA(Window, WM_SYSCOMMAND, command, 0);
        else
            CallOldWndProc(m);
        return true;
    }
    case WM_SYSCOMMAND: OnSysCommand(m); return true;
    case WM_SKIN_MENUBAR_CLICK: MenuBarClick(m); return true;
    case cl::CM_MENUCHANGED: OnMenuChanged(m); return true;
    default: return false;
    }
}

void TSkinnedForm::ThirdStage(cl::TMessage& m, bool handled)
{
    if (handled) return;
    if (MaximisedMDIChild() || SkinState == ssNotSkinned) {
        CallOldWndProc(m);
        return;
    }
    switch (m.Msg) {
    case WM_NCCALCSIZE: OnNcCalcSize(m); return;
    case WM_NCHITTEST: OnNcHitTest(m); return;
    case WM_NCPAINT: OnNcPaint(m); return;
    case WM_NCACTIVATE: OnNcActivate(m); return;
    case WM_SKIN_NCPAINT: PaintFrame(nullptr); return;
    case WM_NCMOUSEMOVE:
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONUP:
    case WM_NCLBUTTONDBLCLK:
    case WM_NCRBUTTONDOWN:
        if (!OnNcMouse(m)) CallOldWndProc(m);
        return;
    case WM_SETICON:
        CallOldWndProc(m);
        MakeIconBitmap();
        return;
    case WM_MEASUREITEM:
    case WM_DRAWITEM:
        if (!OnMenuItemMessage(m)) CallOldWndProc(m);
        return;
    default: CallOldWndProc(m); return;
    }
}

void TSkinnedForm::FormWindowProc(cl::TMessage& m)
{
    switch (m.Msg) {
    case WM_SETTEXT:
        formHook_->CallPrevious(m);
        if (!IsWindowVisible(Window)) return;
        if (WindowState == wsMaximized && SkinManager && SkinManager->MDIClientWindow)
            PostMessageA(SkinManager->MDIClientWindow, WM_SKIN_MDI_REDRAW, reinterpret_cast<WPARAM>(Window), 0);
        if (WindowState == wsMinimized) PaintFrame(nullptr);
        else FrameRefresh();
        return;
    case WM_SKIN_REFRESH: ApplyColours(); return;
    case WM_SKIN_PAINT_FRAME_DC:
        if (m.LParam == SKIN_MAGIC) {
            if (m.WParam) PaintFrame(reinterpret_cast<HDC>(m.WParam));
            m.Result = SKIN_MAGIC;
        }
        return;
    case WM_SKIN_IS_FORM: m.Result = m.LParam == SKIN_MAGIC ? SKIN_MAGIC : 1; return;
    case cl::CM_DIALOGCHAR: DialogChar(m); return;
    default: formHook_->CallPrevious(m); return;
    }
}

void TSkinnedForm::OnSkinInit()
{
    Initialised = true;
    SystemMenu = GetSystemMenu(Window, FALSE);
    ReadFrameSizes();
    MakeIconBitmap();
    FreeReleasedControls();
    if (FormControl) SkinFormControls();
    else SkinChildWindows(Window);
    if (SkinState == ssNotSkinned) {
        if (WindowKind == wkMDIChild) {
            if (WindowState == wsMaximized) {
                if (SkinManager && SkinManager->MDIClientWindow)
                    PostMessageA(SkinManager->MDIClientWindow, WM_SKIN_MDI_REDRAW, reinterpret_cast<WPARAM>(Window), 0);
            } else if (WindowState == wsNormal) {
                SkinState = ssSizing;
                ClientLayout(false);
                SkinState = ssSkinned;
                BuildRegion();
            }
        } else if (!ChildWindow && BorderKind != bkNoCaption && WindowState != wsMinimized) {
            SkinState = ssSizing;
            ClientLayout(false);
            SkinState = ssSkinned;
            if (WindowState == wsMaximized) FrameRefresh();
            else BuildRegion();
        }
    }
    AfterSkin();
    SkinState = ssSkinned;
    // The window was activated before it was skinned (its first activation skins it), so
    // no later WM_NCACTIVATE starts the timer.
    if (FrameSkinning && (!ChildWindow || WindowKind == wkMDIChild) && Active &&
        (WindowKind == wkMDIChild || GetActiveWindow() == Window))
        StartHoverTimer();
}

void TSkinnedForm::AfterSkin()
{
    SendMessageA(Window, WM_SKIN_DONE, 0, SKIN_MAGIC);
    if (SkinData && SkinData->OnAfterSkinForm) SkinData->OnAfterSkinForm(FormControl, Window, ClassName);
}

void TSkinnedForm::OnSize(cl::TMessage& m)
{
    CallOldWndProc(m);
    switch (m.WParam) {
    case SIZE_RESTORED: WindowState = wsNormal; break;
    case SIZE_MINIMIZED: WindowState = wsMinimized; break;
    case SIZE_MAXIMIZED: WindowState = wsMaximized; break;
    default: break;
    }
    if (WindowState == wsMinimized) return;
    if (WindowKind == wkMDIChild && ((SkinManager && SkinManager->MDIMaximized) || WindowState != wsNormal)) return;
    if (SkinState == ssSkinned || SkinState == ssRefreshing) BuildRegion();
}

void TSkinnedForm::OnSysCommand(cl::TMessage& m)
{
    const WPARAM command = m.WParam & 0xFFF0;
    if (command == SC_KEYMENU && !InMenuLoop) {
        const auto ch = static_cast<char>(m.LParam);
        // Alt alone opens the skinned menu bar's first menu (with no bar it is swallowed);
        // Alt and a letter the bar item with that accelerator.
        if (ch != ' ' && ch != '-' && !GetCapture()) {
            TMenuBtn* item = FindAccelItem(ch);
            if (ch == 0 && menuBar_ && !menuBar_->Items.empty()) item = menuBar_->Items.front().get();
            if (ch == 0 || item) {
                if (item) OpenMenuBarItem(item);
                m.Result = 1;
                return;
            }
        }
        // Alt+Space: the skinned system menu at the client area's top-left corner.
        if (ch == ' ') {
            POINT origin{0, 0};
            ClientToScreen(Window, &origin);
            PopupSystemMenu(origin);
            m.Result = 0;
            return;
        }
    }
    if (command == SC_MINIMIZE) WindowState = wsMinimized;
    else if (command == SC_MAXIMIZE) WindowState = wsMaximized;
    else if (command == SC_RESTORE) {
        WindowState = wsNormal;
        if (WindowKind == wkMDIChild && SkinManager && SkinManager->MDIMaximized) SkinManager->SetMDIMaximized(false);
    }
    CallOldWndProc(m);
}

void TSkinnedForm::OnNcCalcSize(cl::TMessage& m)
{
    CallOldWndProc(m);
    if (!m.WParam) {
        m.Result = 0;
        return;
    }
    auto* params = reinterpret_cast<NCCALCSIZE_PARAMS*>(m.LParam);
    if ((WindowKind == wkMDIChild && WindowState != wsNormal) || BorderKind == bkNoCaption) {
        params->rgrc[1] = params->rgrc[0];
    } else if (params->lppos) {
        const WINDOWPOS& p = *params->lppos;
        const TRectI r = SkinnedClientRect(p.x, p.y, p.cx, p.cy, Frame, MenuBarHeight);
        params->rgrc[0] = params->rgrc[1] = RECT{r.left, r.top, r.right, r.bottom};
    }
    m.Result = WVR_VALIDRECTS;
}

POINT TSkinnedForm::ScreenToWindow(int x, int y) const
{
    POINT p{x, y};
    ScreenToClient(Window, &p);
    if (WindowKind == wkMDIChild && WindowState == wsMinimized) return p;
    p.x += Frame.left;
    p.y += Frame.top + MenuBarHeight;
    return p;
}

void TSkinnedForm::OnNcHitTest(cl::TMessage& m)
{
    CallOldWndProc(m);
    if (m.Result != HTNOWHERE && m.Result != HTCAPTION) return;
    const POINT p = ScreenToWindow(static_cast<short>(LOWORD(m.LParam)), static_cast<short>(HIWORD(m.LParam)));
    m.Result = SkinnedHitTest(static_cast<int>(m.Result), p.y, Frame.top, MenuBarHeight > 0);
}

void TSkinnedForm::OnNcPaint(cl::TMessage& m)
{
    SetSysMenuStyle(true);
    m.Result = 0;
    if (!SkinData || !SkinData->FramePainting) return;
    if (MaximisedMDIChild() || BorderKind == bkNoCaption) CallOldWndProc(m);
    else PaintFrame(nullptr);
}

void TSkinnedForm::OnNcActivate(cl::TMessage& m)
{
    Active = m.WParam != 0;
    if (WindowKind == wkMDIFrame && MDIClient) SendMessageA(MDIClient, WM_NCACTIVATE, m.WParam, 0);
    if (WindowKind == wkMDIChild) CallOldWndProc(m);
    if (!MaximisedMDIChild()) PaintFrame(nullptr);
    if (Active && SkinState == ssSkinned) {
        StartHoverTimer();
    } else {
        StopHoverTimer();
        LeaveHotControlSkin();
    }
    m.Result = 1;
}

void TSkinnedForm::SetSysMenuStyle(bool strip)
{
    if (StyleFlags & sfKeepSysMenu) return;
    LONG style = GetWindowLongA(Window, GWL_STYLE);
    const LONG old = style;
    if (strip) style &= ~WS_SYSMENU;
    else if (SystemMenu) style |= WS_SYSMENU;
    if (style != old) SetWindowLongA(Window, GWL_STYLE, style);
}

void TSkinnedForm::FrameRefresh()
{
    SetWindowPos(Window, nullptr, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_FRAMECHANGED | SWP_NOACTIVATE);
}

void TSkinnedForm::ClientLayout(bool KeepClient)
{
    if (MaximisedMDIChild()) {
        FrameRefresh();
        return;
    }
    if (DialogAutoWidth || SkinState == ssRefreshing || KeepClient) GetClientRect(Window, &ClientRectangle);
    int width = Width(ClientRectangle) + Frame.left + Frame.right;
    int clientHeight = Height(ClientRectangle);
    if (!KeepClient && FormControl) {
        width = FormControl->ClientWidth() + Frame.left + Frame.right;
        clientHeight = FormControl->ClientHeight() - (WindowKind == wkMDIChild ? 0 : MenuBarHeight);
    }
    const int height = clientHeight + Frame.top + Frame.bottom + MenuBarHeight;
    if (DialogAutoWidth && !KeepClient && SkinData) {
        cl::WindowDc dc(Window);
        cl::SelectGuard font(dc.get(), titleFont_->Handle());
        const std::wstring text = ReadWindowTextW();
        RECT r{0, 0, 0, 0};
        DrawTextW(dc.get(), text.c_str(), static_cast<int>(text.size()), &r, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
        const int needed = SkinData->Title->LeftWidth + Width(r) + SkinData->Title->RightWidth;
        if (needed > width) {
            const int shift = (needed - width) / 2;
            for (HWND child = GetTopWindow(Window); child; child = GetWindow(child, GW_HWNDNEXT)) {
                RECT c{};
                GetWindowRect(child, &c);
                MapWindowPoints(nullptr, Window, reinterpret_cast<POINT*>(&c), 2);
                SetWindowPos(child, nullptr, c.left + shift, c.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            }
            width = needed;
        }
    }
    SetWindowPos(Window, nullptr, 0, 0, width, height, SWP_FRAMECHANGED | SWP_NOACTIVATE | SWP_NOZORDER | SWP_NOMOVE);
}

void TSkinnedForm::ApplyColours()
{
    ForgetFrameImages();
    if (FormControl && SkinData) {
        FormControl->SetColor(SkinData->Colors[scButtonFace]);
        for (int i = 0; i < FormControl->ComponentCount(); ++i)
            if (auto* form = dynamic_cast<cl::TCustomForm*>(FormControl->Components(i)))
                form->SetColor(SkinData->Colors[scButtonFace]);
    }
    SkinState = ssRefreshing;
    const std::vector<TSkinControl*> companions = controlSkins_;
    for (TSkinControl* c : companions) c->SkinChange();
    if (FrameSkinning && FormControl) {
        SetMenusOwnerDraw(*FormControl, true);
        ClientLayout(true);
        FormControl->SetHeight(FormControl->Height() + 1);
        FormControl->SetHeight(FormControl->Height() - 1);
    }
    AfterSkin();
    SkinState = ssSkinned;
}

// ---------------------------------------------------------------------------------------
// Removal

void TSkinnedForm::RemoveProcedures()
{
    if (formHook_) formHook_->Remove();
    if (subclass_) subclass_->Restore();
}

void TSkinnedForm::Unskin()
{
    if (!FrameSkinning) {
        UnskinPlain();
        return;
    }
    if (!subclass_ || !subclass_->Installed()) return;
    RemoveProcedures();
    FreeControlSkins();
    PlainMenus();
    StopHoverTimer();
    HotObject = nullptr;
    ReleaseMenus();
    if (SkinState != ssUnskinning && FormControl && savedColor_) FormControl->SetColor(*savedColor_);
    FreeMenuBar();
    UnsubclassMDIClient();
    if (SkinState != ssUnskinning && (WindowKind == wkMDIChild || !ChildWindow)) {
        RECT w{};
        GetWindowRect(Window, &w);
        const int width = Width(w) + StdFrameWidth - Frame.left - Frame.right;
        const int height = Height(w) + StdFrameHeight - Frame.top - Frame.bottom;
        SetWindowPos(Window, nullptr, 0, 0, width, height,
                     SWP_FRAMECHANGED | SWP_NOACTIVATE | SWP_NOZORDER | SWP_NOMOVE);
    }
    // Frame painting took the system menu style off; a window that had it gets it back.
    if (StyleFlags & sfSystemMenu) SetSysMenuStyle(false);
    SetWindowRgn(Window, nullptr, TRUE);
    region_ = nullptr;
    ForgetFrameImages();
}

void TSkinnedForm::ReleaseMenus()
{
    // A menu still tracked stays with its Popup call until that returns; its items draw
    // themselves from now on, and a pick still reaches the window.
    for (auto* menu : {&captionMenu_, &systemPopup_}) {
        if (!*menu) continue;
        for (int i = 0; i < (*menu)->Items()->Count(); ++i) {
            cl::TMenuItem* item = (*menu)->Items()->Items(i);
            item->OnDrawItem = nullptr;
            item->OnMeasureItem = nullptr;
        }
        menu->reset();
    }
}

void TSkinnedForm::Unhook()
{
    if (!FrameSkinning) {
        UnskinPlain();
        return;
    }
    RemoveProcedures();
    FreeControlSkins();
    FreeMenuBar();
    UnsubclassMDIClient();
}

void TSkinnedForm::FreeMenuBar()
{
    if (!menuBar_) return;
    ForgetMenuBarTracking(*this);
    if (HMENU menu = std::exchange(menuBar_->WindowMenu, nullptr)) {
        // A window being destroyed takes no menu back: the menu goes with it, unless it
        // is a form's main menu, which the class library frees. A menu given back draws
        // its items as before.
        if (SkinState == ssUnskinning) {
            if (!menuBar_->Menu) DestroyMenu(menu);
        } else {
            ClearMenuOwnerDraw(menuBar_->OwnerDrawn);
            if (!SetMenu(Window, menu) && !menuBar_->Menu) DestroyMenu(menu);
        }
    }
    menuBar_.reset();
}

void TSkinnedForm::PlainMenus()
{
    if (!FormControl || !SkinData) return;
    SetMenusOwnerDraw(*FormControl, false);
    if (SkinData->Has(xcMenuItem)) SetMainMenusOwnerDraw(*FormControl, false);
}

void TSkinnedForm::UnskinPlain()
{
    FreeControlSkins();
    PlainMenus();
    if (SkinState != ssUnskinning && FormControl && savedColor_) FormControl->SetColor(*savedColor_);
    RemoveProcedures();
    UnsubclassMDIClient();
    if (SkinState != ssUnskinning && FormControl)
        for (int i = 0; i < FormControl->ComponentCount(); ++i)
            if (auto* control = dynamic_cast<cl::TControl*>(FormControl->Components(i))) control->Invalidate();
}

void TSkinnedForm::RepaintWindow(HWND window)
{
    InvalidateRect(window, nullptr, TRUE);
    UpdateWindow(window);
}

// ---------------------------------------------------------------------------------------
// Frame painting

void TSkinnedForm::PaintFrame(HDC dc)
{
    if ((SkinState != ssSkinned && SkinState != ssRefreshing) || BorderKind == bkNoCaption || MaximisedMDIChild())
        return;
    if (!SkinData || SkinData->Empty) return;
    GetWindowRect(Window, &WindowRectangle);
    WindowWidth = Width(WindowRectangle);
    WindowHeight = Height(WindowRectangle);
    std::unique_ptr<cl::WindowDc> own;
    if (!dc) {
        own = std::make_unique<cl::WindowDc>(Window, true);
        dc = own->get();
    }
    if (!dc) return;
    try {
        const int W = WindowWidth, H = WindowHeight;
        if (WindowState != wsMinimized) {
            PaintBorderPart(1, RECT{0, 0, Frame.left, H}, dc);
            PaintBorderPart(2, RECT{W - Frame.right, 0, W, H}, dc);
            PaintBorderPart(4, RECT{Frame.left, H - Frame.bottom, W - Frame.right, H}, dc);
        }
        PaintCaption(dc);
        if (WindowState != wsMinimized && MenuBarHeight > 0) {
            const RECT strip{Frame.left, Frame.top, W - Frame.right, Frame.top + MenuBarHeight};
            if (menuBar_) menuBar_->Paint(dc, strip);
            else if (FormBrush()) FillRect(dc, &strip, FormBrush());
        }
    } catch (...) {
        // The next WM_NCPAINT tries again.
    }
    // A hidden window is still painted (activation, refreshes) but keeps nothing for it.
    if (own && !IsWindowVisible(Window)) ForgetFrameImages();
}

const TDataSkinBorder* TSkinnedForm::BorderObject(int index) const
{
    if (!SkinData) return nullptr;
    return index == 1   ? SkinData->LeftBorder.get()
           : index == 2 ? SkinData->RightBorder.get()
           : index == 3 ? SkinData->TopBorder.get()
                        : SkinData->BottomBorder.get();
}

// The border part at w x h in the window's activation state; made once per size and state.
cl::TBitmap* TSkinnedForm::BorderImage(int index, int w, int h)
{
    const TDataSkinBorder* border = BorderObject(index);
    if (!border) return nullptr;
    const int frame = Active || AtLeastOneFrame(border->Frame) == 1 ? 1 : 2;
    return borderImages_.Get(index, *border, w, h, frame);
}

void TSkinnedForm::PaintBorderPart(int index, const RECT& rect, HDC dc)
{
    if (Width(rect) < 0 || Height(rect) < 0) return;
    if (cl::TBitmap* image = BorderImage(index, Width(rect), Height(rect)))
        BitBlt(dc, rect.left, rect.top, Width(rect), Height(rect), image->Canvas()->Handle(), 0, 0, SRCCOPY);
}

// The caption buffer is composed again only when what it shows changed: a repaint of the
// same window, state, title and buttons copies the kept buffer.
void TSkinnedForm::PaintCaption(HDC dc)
{
    const bool minimized = WindowState == wsMinimized;
    cl::TBitmap& buffer = *captionBuffer_;
    buffer.SetPixelFormat(cl::pf24bit);
    buffer.SetSize(WindowWidth, minimized ? WindowHeight : Frame.top);
    if (buffer.Empty()) return;
    HotObject = nullptr;
    TCaptionKey key = CaptionKey();
    bool same = key.SameTitle(captionKey_);
    if (same) {
        // The title band is the kept one, so the buttons are placed as they were drawn.
        PlaceCaptionButtons();
        key.buttons = CaptionButtonKeys();
        same = key.buttons == captionKey_.buttons;
    }
    if (!same) {
        captionKey_.valid = false;
        const bool reproducible = ComposeCaption(dc);
        key.buttons = CaptionButtonKeys();
        key.valid = reproducible;
        captionKey_ = std::move(key);
    }
    BitBlt(dc, 0, 0, buffer.Width(), buffer.Height(), buffer.Canvas()->Handle(), 0, 0, SRCCOPY);
    SetBkMode(dc, OPAQUE);
}

// Draws the caption into the buffer: on ButtonFace for a minimised window, else over the
// corners of the side borders. False when part of it was read back from dc (a border
// without an image), so that the buffer depends on more than its key.
bool TSkinnedForm::ComposeCaption(HDC dc)
{
    const int W = WindowWidth, H = WindowHeight, T = Frame.top;
    cl::TBitmap& buffer = *captionBuffer_;
    HDC mem = buffer.Canvas()->Handle();
    RECT area{};
    bool reproducible = true;
    if (WindowState == wsMinimized) {
        buffer.Canvas()->Brush().SetColor(SkinData->Colors[scButtonFace]);
        buffer.Canvas()->FillRect(RECT{0, 0, W, H});
        area = RECT{0, 0, W, T};
    } else {
        area = RECT{Frame.left, 0, W - Frame.right, T};
        // The side borders' top rows are what PaintFrame has just drawn there; they are
        // taken from the same kept images rather than read back from the screen.
        cl::TBitmap* left = Frame.left > 0 ? BorderImage(1, Frame.left, H) : nullptr;
        cl::TBitmap* right = Frame.right > 0 ? BorderImage(2, Frame.right, H) : nullptr;
        const bool top = Width(area) > 0 && BorderImage(3, Width(area), T);
        if ((Frame.left > 0 && !left) || (Frame.right > 0 && !right) || !top) {
            BitBlt(mem, 0, 0, W, T, dc, 0, 0, SRCCOPY);
            reproducible = false;
        } else {
            const int rows = std::min(T, H);
            if (left) BitBlt(mem, 0, 0, Frame.left, rows, left->Canvas()->Handle(), 0, 0, SRCCOPY);
            if (right) BitBlt(mem, W - Frame.right, 0, Frame.right, rows, right->Canvas()->Handle(), 0, 0, SRCCOPY);
        }
    }
    PaintBorderPart(3, area, mem);
    PaintTitleText(*buffer.Canvas(), area);
    PlaceCaptionButtons();
    PaintCaptionButtons(*buffer.Canvas());
    return reproducible;
}

TCaptionKey TSkinnedForm::CaptionKey() const
{
    TCaptionKey key;
    key.valid = true;
    key.width = WindowWidth;
    key.height = WindowHeight;
    key.captionHeight = Frame.top;
    key.active = Active;
    key.minimized = WindowState == wsMinimized;
    // Skin colours may name system colours, which the user can change.
    key.textColour = static_cast<COLORREF>(
        cl::ColorToRGB(SkinData->Colors[Active ? scTitleTextActive : scTitleTextNoActive]));
    key.faceColour = static_cast<COLORREF>(cl::ColorToRGB(SkinData->Colors[scButtonFace]));
    key.text = TitleText();
    key.icon = ProgramIcon();
    key.iconVersion = iconVersion_;
    return key;
}

std::vector<TCaptionButtonKey> TSkinnedForm::CaptionButtonKeys() const
{
    std::vector<TCaptionButtonKey> keys;
    keys.reserve(CaptionObjects.size());
    for (const auto& b : CaptionObjects) keys.push_back(TCaptionButtonKey{b->Visible, b->Enabled, b->Rect});
    return keys;
}

void TSkinnedForm::ForgetFrameImages()
{
    borderImages_.Clear();
    captionKey_ = TCaptionKey{};
    iconCopy_.reset();
    iconCopySource_ = nullptr;
}

std::wstring TSkinnedForm::TitleText() const
{
    return UnicodeWindow ? ReadWindowTextW() : AnsiToWide(ReadWindowTextA());
}

void TSkinnedForm::PaintTitleText(cl::TCanvas& canvas, const RECT& area)
{
    const std::wstring text = titlePrefix_ + TitleText() + titleSuffix_;
    const TDataSkinTitle& title = *SkinData->Title;
    // Room is kept for the right-aligned buttons that show, not for every button of the skin.
    RightButtonReserve = 0;
    for (size_t i = 0; i < CaptionObjects.size(); ++i) {
        const TSkinSysButton& b = *CaptionObjects[i];
        if (IsButtonVisible(static_cast<int>(i)) && b.Data->Align == 1 && b.Data->HasImage())
            RightButtonReserve = std::max(RightButtonReserve, b.Data->XCoord);
    }
    HDC dc = canvas.Handle();
    cl::SelectGuard font(dc, titleFont_->Handle());
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    const TColor colour = SkinData->Colors[Active ? scTitleTextActive : scTitleTextNoActive];
    SetTextColor(dc, static_cast<COLORREF>(cl::ColorToRGB(colour)));
    RECT measured{area.left, area.top, area.left, area.top};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &measured, DT_CALCRECT | DT_NOPREFIX | DT_NOCLIP);
    TTitleSettings settings;
    settings.alignment = title.TextAlignment;
    settings.shift = title.LeftWidth;
    settings.shiftVert = title.TopHeight;
    settings.rightClip = title.RightWidth;
    settings.backLeft = title.TXTBackleft;
    settings.backRight = title.TXTBackRight;
    TTitleWindow window;
    window.rightToLeft = RightToLeft;
    window.popup = (Style & WS_POPUP) != 0;
    window.dialog = BorderKind == bkDialog;
    window.reserve = RightButtonReserve;
    const TRectI band = TitleBand(TRectI{area.left, area.top, area.right, area.bottom}, Width(measured),
                                  Height(measured), settings, window);
    TitleBandRect = RECT{band.left, band.top, band.right, band.bottom};
    if (title.HasImage())
        DrawHorzStrip(dc, RECT{band.left, area.top, band.right, area.bottom}, *title.Bitmap, true, true, 2,
                      Active ? 1 : 2, RECT{title.TXTBackleft, 0, title.TXTBackRight, 0});
    RECT textRect{band.left + title.TXTBackleft, band.top, band.right - title.TXTBackRight, band.bottom};
    UINT format = DT_END_ELLIPSIS | DT_NOPREFIX | DT_SINGLELINE;
    if (RightToLeft) format |= DT_RTLREADING | DT_RIGHT;
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &textRect, format);
    TitleTextRect = textRect;
    SetBkMode(dc, oldMode);
}

// ---------------------------------------------------------------------------------------
// Region

void TSkinnedForm::BuildRegion()
{
    if (SkinState == ssReleased || !FrameSkinning || !SkinData) return;
    RECT w{};
    GetWindowRect(Window, &w);
    const int W = Width(w), H = Height(w);
    if (W * H == 0) return;
    if (WindowKind == wkMDIChild && WindowState != wsNormal) return;
    if (W == RegionWidth && H == RegionHeight && WindowKind != wkMDIChild && SkinState != ssRefreshing) return;
    const TDataSkinBorder* borders[] = {SkinData->LeftBorder.get(), SkinData->RightBorder.get(),
                                        SkinData->TopBorder.get(), SkinData->BottomBorder.get()};
    const bool anyTransparent = std::any_of(std::begin(borders), std::end(borders),
                                            [](const TDataSkinBorder* b) { return b && b->Trans == 1; });
    cl::RegionHandle region;
    if (!anyTransparent) {
        region.reset(CreateRectRgn(0, 0, W, H));
        RegionWidth = RegionHeight = 0;
    } else {
        RegionWidth = W;
        RegionHeight = H;
        const int L = Frame.left, T = Frame.top, R = Frame.right, B = Frame.bottom;
        region.reset(CreateRectRgn(L, T, W - R, H - B));
        if (BorderKind != bkNoCaption) {
            TKeyRange key;
            key.tolRed = key.tolGreen = key.tolBlue = 1;
            auto edge = [&](int index, bool shaped, RECT place) {
                if (!shaped) return cl::RegionHandle(CreateRectRgn(place.left, place.top, place.right, place.bottom));
                cl::TBitmap scratch;
                scratch.SetPixelFormat(cl::pf24bit);
                scratch.SetSize(Width(place), Height(place));
                PaintBorderPart(index, RECT{0, 0, Width(place), Height(place)}, scratch.Canvas()->Handle());
                return RegionFromBitmap(scratch, place.left, place.top, key);
            };
            cl::RegionHandle left = edge(1, borders[0]->Trans == 1 && H > 1, RECT{0, 0, L, H});
            cl::RegionHandle right = edge(2, borders[1]->Trans == 1 && H > 1, RECT{W - R, 0, W, H});
            // Side borders wider than the window leave the bottom edge no width, not a negative one.
            const int bottomRight = std::max(L, W - R);
            cl::RegionHandle bottom =
                edge(4, borders[3]->Trans == 1 && B >= 2 && bottomRight > L, RECT{L, H - B, bottomRight, H});
            cl::RegionHandle top = edge(3, borders[2]->Trans == 1 && T > 1 && W - L - R > 0, RECT{L, 0, W - R, T});
            CombineRgn(top.get(), top.get(), bottom.get(), RGN_OR);
            CombineRgn(left.get(), left.get(), right.get(), RGN_OR);
            CombineRgn(top.get(), top.get(), left.get(), RGN_OR);
            CombineRgn(region.get(), region.get(), top.get(), RGN_OR);
        }
    }
    // The window owns the region once set, and deletes the one it replaces: ours is only a
    // record of it, never deleted here.
    HRGN handle = region.get();
    if (handle && SetWindowRgn(Window, handle, TRUE)) {
        region.release();
        region_ = handle;
    }
}

void TSkinnedForm::FreeRegion()
{
    if (!region_) return;
    SetWindowRgn(Window, nullptr, WindowKind == wkMDIChild);
    region_ = nullptr;
}

} // namespace skin
