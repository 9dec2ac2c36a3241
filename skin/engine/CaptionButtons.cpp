// Caption buttons of a skinned window: visibility, placement, painting, actions, the mouse
// in the non-client area, the hover timer, the caption menu and the skinned system menu.
#include "skin/SkinDraw.h"
#include "skin/SkinRules.h"
#include "skin/engine/CaptionRules.h"
#include "skin/engine/SkinControl.h"
#include "skin/engine/SkinManage.h"
#include "skin/engine/SkinMessages.h"
#include "skin/engine/SkinnedForm.h"
#include "skin/engine/MenuItems.h"

#include "classlib/Encoding.h"

#include <algorithm>
#include <utility>

namespace skin {

namespace {

int Frames(const TDataSkinSysButton& d) { return AtLeastOneFrame(d.Frame); }

bool MenuTracking() { return SkinManager && SkinManager->MenuTracking; }

// The manager's tracking state while a caption or system menu is up; the manager may be
// gone when the menu's loop returns.
class TrackingScope {
public:
    TrackingScope()
    {
        if (SkinManager) SkinManager->MenuTracking = true;
    }
    ~TrackingScope()
    {
        if (SkinManager) SkinManager->MenuTracking = false;
    }
    TrackingScope(const TrackingScope&) = delete;
    TrackingScope& operator=(const TrackingScope&) = delete;
};

HICON WindowIcon(HWND window)
{
    auto icon = reinterpret_cast<HICON>(SendMessageA(window, WM_GETICON, ICON_SMALL, 0));
    if (!icon) icon = reinterpret_cast<HICON>(SendMessageA(window, WM_GETICON, ICON_BIG, 0));
    return icon;
}

} // namespace

// ---------------------------------------------------------------------------------------
// Caption objects

void TSkinSysButton::Paint()
{
    Form.PaintCaptionButton(*this, State == osPressed ? 2 : State == osHot ? 3 : 1);
}

void TSkinSysButton::Release() { SetState(osHot); }

void TSkinnedForm::FreeCaptionObjects()
{
    for (const auto& object : CaptionObjects)
        if (HotObject == object.get()) HotObject = nullptr;
    CaptionObjects.clear();
    CaptionObjectCount = 0;
    ForgetFrameImages();
}

void TSkinnedForm::BuildCaptionObjectList()
{
    // The hot object may be one of the objects going now.
    HotObject = nullptr;
    CaptionObjects.clear();
    if (!SkinData) return;
    for (const auto& data : SkinData->CaptionButtons) {
        auto object = std::make_unique<TSkinSysButton>(*this, *data);
        object->Visible = true;
        object->FromSkin = true;
        if (IsSystemMenuAction(data->Action)) {
            // The system-menu button shows the window's icon: without an image of its own
            // it takes the icon bitmap, which also gives it its click area.
            MakeIconBitmap();
            if (!data->HasImage()) data->Bitmap->Assign(*iconBitmap_);
            if (SkinData->AppIcon.Empty()) SkinData->AppIcon.Assign(*iconBitmap_);
        }
        CaptionObjects.push_back(std::move(object));
    }
    CaptionObjectCount = static_cast<int>(CaptionObjects.size());
}

// ---------------------------------------------------------------------------------------
// Visibility, placement, painting

bool TSkinnedForm::IsButtonVisible(int Index)
{
    if (Index < 0 || Index >= static_cast<int>(CaptionObjects.size())) return false;
    TSkinSysButton& b = *CaptionObjects[static_cast<size_t>(Index)];
    TCaptionWindow w;
    w.maximized = WindowState == wsMaximized;
    w.active = Active;
    w.maximizeBox = (StyleFlags & sfMaximizeBox) != 0;
    w.minimizeBox = (StyleFlags & sfMinimizeBox) != 0;
    w.systemMenu = (StyleFlags & sfSystemMenu) != 0;
    w.contextHelp = (StyleFlags & sfContextHelp) != 0;
    w.border = BorderKind;
    w.dialogAutoWidth = DialogAutoWidth;
    w.mdiMaximizedMenuBar = menuBar_ && ActiveMDIChildMaximized();
    const HWND window = Window;
    const TButtonShow show = CaptionButtonShow(
        b.Action(), b.Data->Visibility, b.Data->Visibility1, b.Enabled, w, [window](int visibility, int action) {
            return static_cast<long>(SendMessageA(window, WM_SKIN_BUTTON_VISIBLE, static_cast<WPARAM>(visibility),
                                                  static_cast<LPARAM>(action)));
        });
    b.Visible = show.visible;
    b.Enabled = show.enabled;
    return b.Visible;
}

void TSkinnedForm::PlaceCaptionButtons()
{
    TCaptionPlace place;
    place.windowWidth = WindowWidth;
    place.titleBandLeft = TitleBandRect.left;
    place.titleBandRight = TitleBandRect.right;
    place.rightFrame = Frame.right;
    place.menuBarTileLeft = SkinData && SkinData->MenuBar && SkinData->MenuBar->HasImage() ? SkinData->MenuBar->LeftWidth : 0;
    place.captionHeight = Frame.top;
    place.menuBarHeight = MenuBarHeight;
    for (size_t i = 0; i < CaptionObjects.size(); ++i) {
        IsButtonVisible(static_cast<int>(i));
        TSkinSysButton& b = *CaptionObjects[i];
        if (!b.Visible || !b.Data->HasImage()) continue;
        const int width = b.Data->Bitmap->Width() / Frames(*b.Data);
        const TRectI r =
            CaptionButtonRect(b.Data->Align, b.Data->XCoord, b.Data->YCoord, width, b.Data->Bitmap->Height(), place);
        b.Rect = RECT{r.left, r.top, r.right, r.bottom};
    }
}

void TSkinnedForm::PaintCaptionButtons(cl::TCanvas& canvas)
{
    for (const auto& object : CaptionObjects) {
        TSkinSysButton& b = *object;
        if (!b.Visible || !b.Data->HasImage() || b.Data->Visibility == 100) continue;
        if (IsSystemMenuAction(b.Action())) {
            DrawWindowIcon(canvas.Handle(), b.Rect);
            continue;
        }
        const int frames = Frames(*b.Data);
        DrawFrame(canvas.Handle(), b.Rect, *b.Data->Bitmap, true, frames, CaptionPaintFrame(frames, Active, b.Enabled));
    }
}

void TSkinnedForm::PaintCaptionButton(TSkinSysButton& Button, int Frame)
{
    if (!Button.Data->HasImage() || SkinState != ssSkinned) return;
    cl::WindowDc dc(Window, true);
    if (!dc.get()) return;
    if (IsSystemMenuAction(Button.Action())) {
        DrawWindowIcon(dc.get(), Button.Rect);
        return;
    }
    const int frames = Frames(*Button.Data);
    DrawFrame(dc.get(), Button.Rect, *Button.Data->Bitmap, true, frames,
              CaptionButtonFrame(Frame, frames, Button.Enabled, Button.Data->Visibility));
}

HICON TSkinnedForm::ProgramIcon()
{
    const HWND app = cl::Application && !cl::Application->IsLibrary() ? cl::Application->Handle() : nullptr;
    return app ? WindowIcon(app) : nullptr;
}

void TSkinnedForm::DrawWindowIcon(HDC DC, const RECT& Rect)
{
    if (HICON icon = ProgramIcon()) {
        // Copied from its resource once per icon and size, not on every caption paint.
        if (icon != iconCopySource_ || SmallIconSize != iconCopySize_) {
            iconCopy_.reset(
                static_cast<HICON>(CopyImage(icon, IMAGE_ICON, SmallIconSize, SmallIconSize, LR_COPYFROMRESOURCE)));
            iconCopySource_ = icon;
            iconCopySize_ = SmallIconSize;
        }
        if (iconCopy_) {
            const int y = TitleTextRect.top + (TitleTextRect.bottom - TitleTextRect.top) / 2 - SmallIconSize / 2;
            DrawIconEx(DC, 8, y, iconCopy_.get(), SmallIconSize, SmallIconSize, 0, nullptr, DI_NORMAL);
            return;
        }
    }
    if (!iconBitmap_) MakeIconBitmap();
    DrawTransparent(DC, Rect, *iconBitmap_, Magenta);
}

void TSkinnedForm::MakeIconBitmap()
{
    if (!iconBitmap_) iconBitmap_ = std::make_unique<cl::TBitmap>();
    const int cx = GetSystemMetrics(SM_CXSMICON), cy = GetSystemMetrics(SM_CYSMICON);
    iconBitmap_->SetPixelFormat(cl::pf16bit);
    iconBitmap_->SetSize(cx, cy);
    iconBitmap_->Canvas()->Brush().SetColor(Magenta);
    iconBitmap_->Canvas()->FillRect(RECT{0, 0, cx, cy});
    SmallIconSize = cx;
    ++iconVersion_;
    if (HICON icon = WindowIcon(Window)) {
        cl::IconHandle copy(static_cast<HICON>(CopyImage(icon, IMAGE_ICON, cx, cy, 0)));
        if (copy) DrawIconEx(iconBitmap_->Canvas()->Handle(), 0, 0, copy.get(), cx, cy, 0, nullptr, DI_NORMAL);
    }
}

TSkinSysButton* TSkinnedForm::ButtonAt(POINT Point) const
{
    for (const auto& b : CaptionObjects)
        if (b->Visible && b->Action() >= 0 && PtInRect(&b->Rect, Point)) return b.get();
    return nullptr;
}

std::wstring TSkinnedForm::ButtonHint(int Action) { return CaptionButtonHint(Action); }

// ---------------------------------------------------------------------------------------
// Actions

bool TSkinnedForm::CanClose() const
{
    if (!SkinIsNT() || LOBYTE(LOWORD(SkinVersion())) < 5) return true;
    HMENU menu = GetSystemMenu(Window, FALSE);
    if (!menu) return false;
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_ID;
    return GetMenuItemInfoA(menu, SC_CLOSE, FALSE, &info) != FALSE;
}

void TSkinnedForm::CaptionButtonAction(int X, int Y)
{
    auto* hot = dynamic_cast<TSkinSysButton*>(HotObject);
    if (!hot) return;
    TSkinSysButton& b = *hot;
    const int action = b.Action();
    switch (CaptionActionKind(action)) {
    case cakClose:
        if (CanClose()) {
            StopHoverTimer();
            PostMessageA(Window, WM_SYSCOMMAND, SC_CLOSE, 0);
        }
        break;
    case cakMaximize:
        if (b.Enabled) ToggleMaximize();
        break;
    case cakMinimize:
        if (b.Enabled) ToggleMinimize();
        break;
    case cakSystemMenu: PopupSystemMenu(POINT{X + 1, Y + 1}); break;
    case cakHelp: PostMessageA(Window, WM_SYSCOMMAND, SC_CONTEXTHELP, 0); break;
    case cakMDIMinimize: MDIChildCommand(SC_MINIMIZE); break;
    case cakMDIRestore: MDIChildCommand(SC_RESTORE); break;
    case cakMDIClose: MDIChildCommand(SC_CLOSE); break;
    case cakCaptionMenu: PopupCaptionMenu(); break;
    case cakPost: PostMessageA(Window, WM_SKIN_CAPTION_BUTTON, static_cast<WPARAM>(action), 0); break;
    }
}

void TSkinnedForm::MDIChildCommand(WPARAM command)
{
    if (WindowKind != wkMDIFrame || !MDIClient) return;
    const auto child = reinterpret_cast<HWND>(SendMessageA(MDIClient, WM_MDIGETACTIVE, 0, 0));
    if (child) SendMessageA(child, WM_SYSCOMMAND, command, 0);
}

void TSkinnedForm::ToggleMaximize()
{
    if (WindowState == wsMaximized) {
        RestoreWindow();
        return;
    }
    if (WindowKind == wkMDIChild && SkinManager) SkinManager->SetMDIMaximized(true);
    WindowState = wsMaximized;
    PostMessageA(Window, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    HotObject = nullptr;
}

void TSkinnedForm::ToggleMinimize()
{
    if (WindowState == wsMinimized) {
        RestoreWindow();
        return;
    }
    WindowState = wsMinimized;
    SetSysMenuStyle(false);
    PostMessageA(Window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
}

void TSkinnedForm::RestoreWindow()
{
    WindowState = wsNormal;
    PostMessageA(Window, WM_SYSCOMMAND, SC_RESTORE, 0);
}

// ---------------------------------------------------------------------------------------
// Mouse in the non-client area

// True when the message was handled (result 0).
bool TSkinnedForm::OnNcMouse(cl::TMessage& m)
{
    const POINT p = ScreenToWindow(static_cast<short>(LOWORD(m.LParam)), static_cast<short>(HIWORD(m.LParam)));
    TSkinSysButton* button = ButtonAt(p);
    TMenuBtn* item = button || !menuBar_ ? nullptr : menuBar_->ItemAtPoint(p);
    TNCObject* under = button ? static_cast<TNCObject*>(button) : item;
    switch (m.Msg) {
    case WM_NCMOUSEMOVE:
        if (!Active) {
            m.Result = 0;
            return true;
        }
        if (under) {
            under->Enter();
            m.Result = 0;
            return true;
        }
        if (HotObject) HotObject->Leave();
        HotObject = nullptr;
        return false;
    case WM_NCLBUTTONDOWN:
        HideHint();
        if (under) {
            if (!Active) SetForegroundWindow(Window);
            if (HotObject == under) under->Down();
            else under->EnterDown();
            if (item) {
                HotObject = item;
                // The drop-down is tracked here; the item is normal again once it closes.
                if (OpenMenuBarItem(item) && HotObject == item) item->Leave();
            }
            m.Result = 0;
            return true;
        }
        if (WindowState == wsMaximized && Active && m.WParam == HTCAPTION) {
            // A maximised window cannot be dragged by its caption.
            m.WParam = HTMENU;
        }
        return false;
    case WM_NCLBUTTONUP:
        HideHint();
        if (under) {
            if (button && button == HotObject) {
                button->Release();
                CaptionButtonAction(static_cast<short>(LOWORD(m.LParam)), static_cast<short>(HIWORD(m.LParam)));
            }
            m.Result = 0;
            return true;
        }
        return false;
    case WM_NCLBUTTONDBLCLK:
        if (under) {
            // A double click on the system-menu button closes through the close query.
            if (button && IsSystemMenuAction(button->Action())) {
                StopHoverTimer();
                PostMessageA(Window, WM_SYSCOMMAND, SC_CLOSE, 0);
            }
            m.Result = 0;
            return true;
        }
        if (WindowState != wsNormal) {
            RestoreWindow();
        } else if (StyleFlags & sfMaximizeBox) {
            ToggleMaximize();
        } else {
            return false;
        }
        m.Result = 0;
        return true;
    case WM_NCRBUTTONDOWN:
        HideHint();
        if (m.WParam == HTCAPTION && WindowKind != wkMDIChild) {
            PopupSystemMenu(POINT{static_cast<short>(LOWORD(m.LParam)), static_cast<short>(HIWORD(m.LParam))});
            m.Result = 0;
            return true;
        }
        return false;
    default: return false;
    }
}

// ---------------------------------------------------------------------------------------
// Hover timer and hints

void TSkinnedForm::StartHoverTimer()
{
    if (!hoverTimer_) {
        hoverTimer_ = std::make_unique<cl::TTimer>(nullptr);
        hoverTimer_->SetEnabled(false);
        hoverTimer_->SetInterval(250);
        hoverTimer_->OnTimer = [this](cl::TObject*) { HoverTimer(); };
    }
    hoverTimer_->SetEnabled(true);
}

void TSkinnedForm::StopHoverTimer()
{
    if (hoverTimer_) hoverTimer_->SetEnabled(false);
}

void TSkinnedForm::LeaveHotControlSkin()
{
    if (TSkinControl* control = std::exchange(HotControlSkin, nullptr)) control->SendMouseLeave();
}

void TSkinnedForm::HideHint()
{
    if (!SkinData) return;
    SkinData->HoverTime = 0;
    SkinData->HideCaptionHint();
}

void TSkinnedForm::HoverTimer()
{
    if (MenuTracking() || MenuBarTracking(this) || !SkinData) return;
    POINT cursor{};
    GetCursorPos(&cursor);
    // A raw window's controls hear of no mouse leaving from a class library: the control
    // skin last under the mouse is told once the cursor is off its window.
    if (!FormControl && HotControlSkin) {
        RECT r{};
        if (!GetWindowRect(HotControlSkin->Window(), &r) || !PtInRect(&r, cursor)) LeaveHotControlSkin();
    }
    if (!HotObject) return;
    const POINT p = ScreenToWindow(cursor.x, cursor.y);
    if (!PtInRect(&HotObject->Rect, p)) {
        HotObject->Leave();
        HotObject = nullptr;
        HideHint();
        return;
    }
    auto* hot = dynamic_cast<TSkinSysButton*>(HotObject);
    if (!hot) return;
    SkinData->HoverTime += 250;
    if (!SkinData->Has(xoCaptionButtonHint)) return;
    const int pause = cl::Application ? cl::Application->HintPause : 500;
    const int hide = cl::Application ? cl::Application->HintHidePause : 2500;
    switch (CaptionHintStep(SkinData->HoverTime, pause, hide)) {
    case hsShow: {
        const std::wstring text = ButtonHint(hot->Action());
        if (text.empty()) break;
        RECT w{};
        GetWindowRect(Window, &w);
        const int x = w.left + hot->Rect.left, y = cursor.y + 24;
        SkinData->ShowCaptionHint(RECT{x, y, x, y}, text);
        break;
    }
    case hsHide: SkinData->HideCaptionHint(); break;
    case hsNone: break;
    }
}

// ---------------------------------------------------------------------------------------
// Menus

void TSkinnedForm::PopupSystemMenu(POINT Point)
{
    if (MenuTracking()) return;
    const DWORD now = GetTickCount();
    if (now - lastSystemMenuTick_ > doubleClickTime_) {
        if (SkinManager) SkinManager->MenuKind = 2;
        lastSystemMenuTick_ = now;
        CreateSystemMenu();
        // Unskinning or freeing this window while the menu is open leaves the menu to this call.
        const std::shared_ptr<cl::TPopupMenu> menu = systemPopup_;
        if (!menu) return;
        TrackingScope tracking;
        menu->Popup(Point.x, Point.y);
        return;
    }
    // The second click of a double click on the system-menu button: close through the
    // close query (SC_CLOSE rather than WM_CLOSE).
    auto* hot = dynamic_cast<TSkinSysButton*>(HotObject);
    if (hot && IsSystemMenuAction(hot->Action())) {
        StopHoverTimer();
        PostMessageA(Window, WM_SYSCOMMAND, SC_CLOSE, 0);
    }
}

void TSkinnedForm::CreateSystemMenu()
{
    systemPopup_.reset();
    if (SkinIsNT() && LOBYTE(LOWORD(SkinVersion())) < 5) {
        CreateFixedSystemMenu();
        return;
    }
    HMENU menu = GetSystemMenu(Window, FALSE);
    if (!menu) return;
    auto popup = std::make_shared<cl::TPopupMenu>(nullptr);
    popup->SetTag(33333);
    popup->SetOwnerDraw(true);
    if (SkinData) popup->SetImages(&SkinData->MenuImages);
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        char text[81] = {};
        MENUITEMINFOA info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_STATE | MIIM_ID | MIIM_TYPE;
        info.dwTypeData = text;
        info.cch = 80;
        if (!GetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &info)) continue;
        auto* item = new cl::TMenuItem(popup.get());
        item->SetCaption(text[0] ? cl::AnsiString(text) : cl::AnsiString("-"));
        item->SetTag(static_cast<int>(info.wID));
        int image = -1;
        switch (info.wID & 0xFFF0) {
        case SC_SIZE:
        case SC_MOVE: item->SetEnabled(WindowState != wsMaximized); break;
        case SC_MINIMIZE:
            image = 2;
            item->SetEnabled(WindowState != wsMinimized && (StyleFlags & sfMinimizeBox));
            break;
        case SC_MAXIMIZE:
            image = 1;
            item->SetEnabled(WindowState != wsMaximized && (StyleFlags & sfMaximizeBox));
            break;
        case SC_CLOSE: image = 3; break;
        case SC_RESTORE:
            image = 0;
            item->SetEnabled(WindowState != wsNormal);
            break;
        default: break;
        }
        item->SetImageIndex(image);
        if (info.fState == MFS_GRAYED) item->SetEnabled(false);
        if (info.fState & MFS_CHECKED) item->SetChecked(true);
        item->OnClick = [window = Window](cl::TObject* sender) { SystemMenuClick(window, sender); };
        SkinMenuItemEvents(*item);
        popup->Items()->Add(item);
    }
    systemPopup_ = std::move(popup);
}

void TSkinnedForm::CreateFixedSystemMenu()
{
    auto popup = std::make_shared<cl::TPopupMenu>(nullptr);
    popup->SetTag(33333);
    popup->SetOwnerDraw(true);
    if (SkinData) popup->SetImages(&SkinData->MenuImages);
    auto add = [&](const char* caption, int tag, cl::TShortCut shortCut = 0) {
        auto* item = new cl::TMenuItem(popup.get());
        item->SetCaption(caption);
        item->SetTag(tag);
        item->SetImageIndex(tag);
        item->SetShortCut(shortCut);
        item->OnClick = [this, alive = alive_](cl::TObject* sender) {
            if (*alive) FixedSystemMenuClick(sender);
        };
        SkinMenuItemEvents(*item);
        popup->Items()->Add(item);
    };
    add(" Restore ", 0);
    if (StyleFlags & sfMaximizeBox) add(" Maximize ", 1);
    if (StyleFlags & sfMinimizeBox) add(" Minimize ", 2);
    add("-", 100);
    add(" Close ", 3, cl::scAlt | VK_F4);
    systemPopup_ = std::move(popup);
}

void TSkinnedForm::SkinMenuItemEvents(cl::TMenuItem& Item)
{
    Item.OnDrawItem = [this](cl::TObject* sender, cl::TCanvas& canvas, const RECT& rect, bool selected) {
        if (auto* item = dynamic_cast<cl::TMenuItem*>(sender))
            DrawSkinMenuItem(SkinData, *item, canvas, rect, selected, RightToLeft);
    };
    Item.OnMeasureItem = [this](cl::TObject* sender, cl::TCanvas& canvas, int& width, int& height) {
        if (auto* item = dynamic_cast<cl::TMenuItem*>(sender))
            MeasureSkinMenuItem(SkinData, *item, canvas, width, height, true);
    };
}

void TSkinnedForm::SystemMenuClick(HWND Target, cl::TObject* Sender)
{
    if (auto* item = dynamic_cast<cl::TMenuItem*>(Sender))
        PostMessageA(Target, WM_SYSCOMMAND, static_cast<WPARAM>(item->Tag()), 0);
}

void TSkinnedForm::FixedSystemMenuClick(cl::TObject* Sender)
{
    auto* item = dynamic_cast<cl::TMenuItem*>(Sender);
    if (!item) return;
    switch (item->Tag()) {
    case 0: RestoreWindow(); break;
    case 1: ToggleMaximize(); break;
    case 2: ToggleMinimize(); break;
    case 3:
        StopHoverTimer();
        PostMessageA(Window, WM_CLOSE, 0, 0);
        break;
    default: break;
    }
}

void TSkinnedForm::PopupCaptionMenu()
{
    if (MenuTracking()) return;
    if (SkinManager) SkinManager->MenuKind = 2;
    CreateCaptionMenu();
    POINT origin{0, 0};
    ClientToScreen(Window, &origin);
    RECT w{};
    GetWindowRect(Window, &w);
    // Unskinning or freeing this window while the menu is open leaves the menu to this call.
    const std::shared_ptr<cl::TPopupMenu> menu = captionMenu_;
    TrackingScope tracking;
    menu->Popup(CaptionMenuX(origin.x, w.right - w.left), CaptionMenuY(origin.y, TitleTextRect.top));
}

void TSkinnedForm::CreateCaptionMenu()
{
    captionMenu_.reset();
    auto menu = std::make_shared<cl::TPopupMenu>(nullptr);
    for (const TCaptionMenuItem& entry : CaptionMenuItems()) {
        auto* item = new cl::TMenuItem(menu.get());
        item->SetCaption(entry.caption ? cl::WideToAnsi(entry.caption) : cl::AnsiString("-"));
        item->SetName(entry.name);
        item->SetTag(entry.tag);
        item->OnClick = [window = Window](cl::TObject* sender) { CaptionMenuClick(window, sender); };
        menu->Items()->Add(item);
    }
    captionMenu_ = std::move(menu);
}

void TSkinnedForm::CaptionMenuClick(HWND Target, cl::TObject* Sender)
{
    if (auto* item = dynamic_cast<cl::TMenuItem*>(Sender))
        PostMessageA(Target, WM_SKIN_CAPTION_MENU, static_cast<WPARAM>(item->Tag()), 0);
}

} // namespace skin
