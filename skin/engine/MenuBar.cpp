// The skinned menu bar, its items, the message filter of an open drop-down, and the
// window's side of opening items (clicks, accelerators, CM_DIALOGCHAR).
#include "skin/engine/MenuBar.h"
#include "skin/engine/MenuItems.h"

#include "skin/SkinDraw.h"
#include "skin/SkinRules.h"
#include "skin/engine/CaptionRules.h"
#include "skin/engine/SkinManage.h"
#include "skin/engine/SkinMessages.h"
#include "skin/engine/SkinnedForm.h"

#include "classlib/Encoding.h"
#include "classlib/Forms.h"
#include "classlib/Menus.h"

#include <algorithm>

namespace skin {

namespace {

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

HFONT MenuFont()
{
    if (cl::Screen)
        if (cl::TFont* font = cl::Screen->MenuFont()) return font->Handle();
    return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

// One off-screen bitmap for every bar of the module, made on first use.
cl::TBitmap& SharedBarBitmap()
{
    static cl::TBitmap bitmap;
    return bitmap;
}

// The state of the one drop-down of a bar that is open at a time.
struct TMenuTracking {
    HHOOK hook = nullptr;
    TSkinnedForm* form = nullptr; // whose bar item is open
    int openIndex = -1;
    bool firstKey = false;
    POINT lastMouse{};
};
TMenuTracking tracking;

// The item the platform shows selected, at the deepest open level below drop: the menu
// that holds it and whether it has a submenu of its own. A message filter never sees
// WM_MENUSELECT (it is sent, and not at all under TPM_NONOTIFY), so the items' highlight
// states tell it instead.
struct TSelection {
    HMENU menu = nullptr;
    bool hasChildren = false;
};

TSelection Selected(HMENU drop)
{
    TSelection found;
    HMENU menu = drop;
    for (int depth = 0; menu && depth < 16; ++depth) {
        const int count = GetMenuItemCount(menu);
        HMENU next = nullptr;
        for (int i = 0; i < count; ++i) {
            if (!(GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & MF_HILITE)) continue;
            found.menu = menu;
            HMENU sub = GetSubMenu(menu, i);
            found.hasChildren = sub != nullptr;
            next = sub;
            break;
        }
        if (!next) break;
        // Descend only into a submenu that shows a selection of its own (it is open).
        const int subCount = GetMenuItemCount(next);
        bool open = false;
        for (int i = 0; i < subCount && !open; ++i)
            open = (GetMenuState(next, static_cast<UINT>(i), MF_BYPOSITION) & MF_HILITE) != 0;
        if (!open) break;
        menu = next;
    }
    return found;
}

// Closes the open drop-down; the click posted after it opens item's.
void SwitchTo(TSkinnedForm& form, TMenuBtn& item)
{
    EndMenu();
    form.ClickMenuBarItem(&item);
}

void Filter(TSkinnedForm& form, const MSG& msg)
{
    TSkinnedMenuBar* bar = form.MenuBar();
    if (!bar || tracking.openIndex < 0 || tracking.openIndex >= static_cast<int>(bar->Items.size())) return;
    const int count = static_cast<int>(bar->Items.size());
    if (!tracking.firstKey) {
        tracking.firstKey = true;
        // Selects the drop-down's first item.
        PostMessageA(msg.hwnd, WM_KEYDOWN, VK_DOWN, 0);
    }
    TMenuBtn* found = nullptr;
    switch (msg.message) {
    case WM_KEYDOWN:
        if (msg.wParam == VK_LEFT || msg.wParam == VK_RIGHT) {
            const TSelection selection = Selected(bar->Items[static_cast<size_t>(tracking.openIndex)]->SubMenu);
            const HMENU drop = bar->Items[static_cast<size_t>(tracking.openIndex)]->SubMenu;
            if (msg.wParam == VK_LEFT && (!selection.menu || selection.menu == drop))
                found = bar->Items[static_cast<size_t>((tracking.openIndex + count - 1) % count)].get();
            else if (msg.wParam == VK_RIGHT && !selection.hasChildren)
                found = bar->Items[static_cast<size_t>((tracking.openIndex + 1) % count)].get();
        }
        break;
    case WM_SYSKEYDOWN:
        if (msg.wParam == VK_MENU) form.InMenuLoop = false;
        return;
    case WM_MOUSEMOVE:
        if (msg.pt.x != tracking.lastMouse.x || msg.pt.y != tracking.lastMouse.y) {
            found = bar->ItemAtPoint(form.ScreenToWindow(msg.pt.x, msg.pt.y));
            tracking.lastMouse = msg.pt;
        }
        break;
    default: break;
    }
    if (found && found->Index != tracking.openIndex) SwitchTo(form, *found);
}

LRESULT CALLBACK MenuFilterHook(int code, WPARAM wParam, LPARAM lParam)
{
    auto* msg = reinterpret_cast<MSG*>(lParam);
    // A right-to-left bar runs from the right: the arrow keys swap, for the drop-down too.
    if (code == MSGF_MENU && msg && tracking.form && tracking.form->RightToLeft &&
        (msg->message == WM_KEYDOWN || msg->message == WM_KEYUP)) {
        if (msg->wParam == VK_LEFT) msg->wParam = VK_RIGHT;
        else if (msg->wParam == VK_RIGHT) msg->wParam = VK_LEFT;
    }
    const LRESULT result = CallNextHookEx(nullptr, code, wParam, lParam);
    if (result != 0 || code != MSGF_MENU || !msg || !tracking.form) return result;
    try {
        Filter(*tracking.form, *msg);
    } catch (...) {
        // The platform's menu loop goes on as it would without the filter.
    }
    return result;
}

} // namespace

void InstallMenuFilter()
{
    tracking.firstKey = false;
    GetCursorPos(&tracking.lastMouse);
    if (!tracking.hook) tracking.hook = SetWindowsHookExA(WH_MSGFILTER, &MenuFilterHook, nullptr, GetCurrentThreadId());
}

void RemoveMenuFilter()
{
    if (tracking.hook) UnhookWindowsHookEx(tracking.hook);
    tracking.hook = nullptr;
    tracking.openIndex = -1;
    tracking.firstKey = false;
}

bool MenuBarTracking(const TSkinnedForm* form)
{
    return tracking.hook && tracking.form && (!form || tracking.form == form);
}

void ForgetMenuBarTracking(const TSkinnedForm& form)
{
    if (tracking.form == &form) tracking.form = nullptr;
}

// ---------------------------------------------------------------------------------------
// Items

const cl::TClass& TNCObject::StaticClass() { return cl::DefineClass<TNCObject, cl::TObject>("TNCObject"); }
const cl::TClass& TSkinSysButton::StaticClass()
{
    return cl::DefineClass<TSkinSysButton, TNCObject>("TSkinSysButton");
}
const cl::TClass& TMenuBtn::StaticClass() { return cl::DefineClass<TMenuBtn, TNCObject>("TMenuBtn"); }
const cl::TClass& TSkinnedMenuBar::StaticClass()
{
    return cl::DefineClass<TSkinnedMenuBar, cl::TComponent>("TSkinnedMenuBar");
}

void TNCObject::SetState(int state)
{
    State = state;
    Paint();
}

void TNCObject::Enter()
{
    if (Form.HotObject && Form.HotObject != this) Form.HotObject->Leave();
    if (!Enabled) return;
    // Every mouse move enters again: paint only a change.
    const bool again = Form.HotObject == this && State == osHot;
    Form.HotObject = this;
    if (!again) SetState(osHot);
}

void TNCObject::Down()
{
    if (Enabled) SetState(osPressed);
}

void TNCObject::EnterDown()
{
    if (Form.HotObject == this) return;
    if (Form.HotObject) Form.HotObject->Leave();
    if (!Enabled) return;
    Form.HotObject = this;
    SetState(osPressed);
}

void TNCObject::Leave()
{
    if (!Enabled) return;
    if (Form.HotObject == this) Form.HotObject = nullptr;
    SetState(osNormal);
    if (Form.SkinData) {
        Form.SkinData->HoverTime = 0;
        Form.SkinData->HideCaptionHint();
    }
}

void TMenuBtn::Paint()
{
    if (Bar.Painting || !Bar.Background || Bar.Background->Empty() || IsRectEmpty(&Rect)) return;
    cl::WindowDc dc(Form.Window, true);
    if (!dc.get()) return;
    const int barHeight = Height(Bar.BarRect);
    BitBlt(dc.get(), Rect.left, Bar.BarRect.top, Width(Rect), barHeight, Bar.Background->Canvas()->Handle(),
           Rect.left - Bar.BarRect.left, 0, SRCCOPY);
    if ((State == osHot || State == osPressed) && Bar.SkinData) {
        cl::BrushHandle brush(CreateSolidBrush(static_cast<COLORREF>(cl::ColorToRGB(Bar.SkinData->Colors[scButtonHilight]))));
        FrameRect(dc.get(), &Rect, brush.get());
    }
    Bar.DrawCaption(dc.get(), *this, Rect);
}

TSkinnedMenuBar::TSkinnedMenuBar(TSkinnedForm& form, TSkinData& data)
    : cl::TComponent(nullptr), SkinData(&data), Form(form), Background(std::make_unique<cl::TBitmap>())
{
    Background->SetPixelFormat(cl::pf24bit);
}

TSkinnedMenuBar::~TSkinnedMenuBar() { ClearItems(); }

void TSkinnedMenuBar::ClearItems()
{
    // No pointer may outlive the items: the window's hot object and an open drop-down.
    for (const auto& item : Items)
        if (Form.HotObject == item.get()) Form.HotObject = nullptr;
    Items.clear();
}

void TSkinnedMenuBar::BuildItems()
{
    if (HMENU menu = GetMenu(Form.Window)) WindowMenu = menu;
    // A class-library form's window menu is taken over only when it is the form's main menu.
    if (!WindowMenu || (Form.FormControl && !Menu)) return;
    ClearItems();
    const int count = GetMenuItemCount(WindowMenu);
    if (count <= 0) return;
    for (int i = 0; i < count; ++i) {
        auto item = ReadItem(i);
        // A form's item tells its own caption (an owner-drawn entry has no text), state and
        // drop-down.
        if (cl::TMenuItem* own = Menu ? Menu->FindItem(item->Command, cl::fkCommand) : nullptr) TakeFormItem(*item, *own);
        Items.push_back(std::move(item));
    }
    SetMenu(Form.Window, nullptr);
}

void TSkinnedMenuBar::RebuildItems()
{
    if (HMENU menu = GetMenu(Form.Window)) WindowMenu = menu;
    if (!WindowMenu || (Form.FormControl && !Menu)) return;
    ClearItems();
    const int count = GetMenuItemCount(WindowMenu);
    for (int i = 0; i < count; ++i) {
        auto item = ReadItem(i);
        // Only an entry without text of its own (owner-drawn) is told by the form's item.
        if (item->Caption.empty())
            if (cl::TMenuItem* own = Menu ? Menu->FindItem(item->Command, cl::fkCommand) : nullptr)
                TakeFormItem(*item, *own);
        Items.push_back(std::move(item));
    }
    SetMenu(Form.Window, nullptr);
    Layout();
}

std::unique_ptr<TMenuBtn> TSkinnedMenuBar::ReadItem(int index)
{
    char text[81] = {};
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_TYPE;
    info.dwTypeData = text;
    info.cch = 80;
    if (!GetMenuItemInfoA(WindowMenu, static_cast<UINT>(index), TRUE, &info)) text[0] = 0;
    auto item = std::make_unique<TMenuBtn>(Form, *this);
    item->Index = index;
    item->SubMenu = info.hSubMenu;
    item->ItemEnabled = (info.fState & 3) == 0;
    item->Enabled = true;
    item->Command = info.wID;
    item->Caption = (info.fType & (MFT_BITMAP | MFT_SEPARATOR)) ? std::wstring() : AnsiToWide(text);
    return item;
}

void TSkinnedMenuBar::TakeFormItem(TMenuBtn& item, cl::TMenuItem& own)
{
    item.Caption = AnsiToWide(own.Caption());
    item.ItemEnabled = own.Enabled();
    item.SubMenu = own.Count() > 0 ? own.Handle() : nullptr;
}

void TSkinnedMenuBar::SetFormMenu(cl::TMenu* menu)
{
    if (Menu) RemoveFreeNotification(*Menu);
    Menu = menu;
    if (Menu) FreeNotification(*Menu);
}

void TSkinnedMenuBar::Notification(cl::TComponent& component, cl::TOperation operation)
{
    cl::TComponent::Notification(component, operation);
    if (operation != cl::TOperation::opRemove || &component != Menu) return;
    // Its handle and drop-downs are gone too: nothing is given back to the window.
    Menu = nullptr;
    WindowMenu = nullptr;
    ClearItems();
}

cl::TMenu* FormMainMenu(cl::TCustomForm& Form, HWND window)
{
    for (int i = 0; i < Form.ComponentCount(); ++i)
        if (auto* menu = dynamic_cast<cl::TMainMenu*>(Form.Components(i)))
            if (window && menu->WindowHandle() == window) return menu;
    return nullptr;
}

int TSkinnedMenuBar::StartOffset(int barWidth) const
{
    const TDataSkinObject* object = SkinData ? SkinData->MenuBar.get() : nullptr;
    if (!object || !object->HasImage()) return 6;
    const int offset = Form.RightToLeft ? object->RightWidth + 8 : object->LeftWidth + 4;
    return barWidth < offset ? 12 : offset;
}

void TSkinnedMenuBar::PlaceItems(HDC dc, const RECT& bar, int rightLimit)
{
    cl::SelectGuard font(dc, MenuFont());
    const int start = StartOffset(Width(bar));
    const int right = std::min(static_cast<int>(bar.right) - start, rightLimit);
    int x = Form.RightToLeft ? right : static_cast<int>(bar.left) + start;
    for (const auto& item : Items) {
        RECT measured{0, 0, 0, 0};
        int width = 0;
        if (!item->Caption.empty()) {
            DrawTextW(dc, item->Caption.c_str(), static_cast<int>(item->Caption.size()), &measured,
                      DT_CALCRECT | DT_NOCLIP);
            width = Width(measured);
        }
        if (width != 0) width += 10;
        if (!item->Enabled) {
            item->Rect = RECT{};
            continue;
        }
        if (Form.RightToLeft) {
            item->Rect = RECT{x - width, bar.top, x, bar.bottom};
            x -= width;
        } else {
            item->Rect = RECT{x, bar.top, x + width, bar.bottom};
            x += width;
        }
    }
}

void TSkinnedMenuBar::Layout()
{
    RECT w{};
    GetWindowRect(Form.Window, &w);
    const RECT bar{Form.Frame.left, Form.Frame.top, Width(w) - Form.Frame.right, Form.Frame.top + Form.MenuBarHeight};
    if (IsRectEmpty(&bar)) return;
    cl::WindowDc screen(nullptr);
    if (screen.get()) PlaceItems(screen.get(), bar);
}

void TSkinnedMenuBar::DrawCaption(HDC dc, const TMenuBtn& item, const RECT& rect) const
{
    if (item.Caption.empty() || !SkinData) return;
    cl::SelectGuard font(dc, MenuFont());
    const int mode = SetBkMode(dc, TRANSPARENT);
    const TColor colour = SkinData->Colors[item.ItemEnabled ? scMenuBarText : scButtonShadow];
    const COLORREF old = SetTextColor(dc, static_cast<COLORREF>(cl::ColorToRGB(colour)));
    RECT r = rect;
    DrawTextW(dc, item.Caption.c_str(), static_cast<int>(item.Caption.size()), &r,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    SetTextColor(dc, old);
    SetBkMode(dc, mode);
}

void TSkinnedMenuBar::Paint(HDC dc, const RECT& rect)
{
    const int w = Width(rect), h = Height(rect);
    if (w <= 0 || h <= 0 || !SkinData) return;
    Painting = true;
    try {
        cl::TBitmap& image = SharedBarBitmap();
        image.SetPixelFormat(cl::pf24bit);
        image.SetSize(w, h);
        HDC mem = image.Canvas()->Handle();
        const TDataSkinObject* object = SkinData->MenuBar.get();
        if (object && object->HasImage()) {
            const int frames = AtLeastOneFrame(object->Frame);
            const int frame = Form.Active || frames < 2 ? 1 : 2;
            auto background = MakeNinePartBitmap(RECT{0, 0, w, h}, *object->Bitmap, object->Margins(), false,
                                                 object->Tile == 1, frames, frame);
            BitBlt(mem, 0, 0, w, h, background->Canvas()->Handle(), 0, 0, SRCCOPY);
        } else {
            image.Canvas()->Brush().SetColor(SkinData->Colors[scMenubar]);
            image.Canvas()->FillRect(RECT{0, 0, w, h});
        }
        BarRect = rect;
        Background->SetSize(w, h);
        BitBlt(Background->Canvas()->Handle(), 0, 0, w, h, mem, 0, 0, SRCCOPY);
        const bool childButtons = Form.WindowKind == wkMDIFrame && Form.ActiveMDIChildMaximized();
        // A right-to-left bar's items end short of a maximised child's buttons.
        int rightLimit = rect.right;
        if (childButtons)
            for (const auto& b : Form.CaptionObjects)
                if (b->Data->Visibility == 100 && b->Visible && b->Data->HasImage())
                    rightLimit = std::min(rightLimit, static_cast<int>(b->Rect.left) - 5);
        PlaceItems(mem, rect, rightLimit);
        for (const auto& item : Items) {
            if (IsRectEmpty(&item->Rect)) continue;
            RECT r = item->Rect;
            OffsetRect(&r, -rect.left, -rect.top);
            DrawCaption(mem, *item, r);
        }
        if (childButtons) PaintChildButtons(mem, rect);
        BitBlt(dc, rect.left, rect.top, w, h, mem, 0, 0, SRCCOPY);
    } catch (...) {
        Painting = false;
        throw;
    }
    Painting = false;
}

void TSkinnedMenuBar::PaintChildButtons(HDC dc, const RECT& bar)
{
    for (const auto& b : Form.CaptionObjects) {
        if (b->Data->Visibility != 100 || !b->Visible || !b->Data->HasImage()) continue;
        RECT r = b->Rect;
        OffsetRect(&r, -bar.left, -bar.top);
        const int frames = AtLeastOneFrame(b->Data->Frame);
        DrawFrame(dc, r, *b->Data->Bitmap, true, frames, CaptionPaintFrame(frames, Form.Active, b->Enabled));
    }
    if (SkinManager && !SkinManager->MDIMaximized) SkinManager->SetMDIMaximized(true);
}

TMenuBtn* TSkinnedMenuBar::ItemAtPoint(POINT point) const
{
    for (const auto& item : Items)
        if (!item->Caption.empty() && PtInRect(&item->Rect, point)) return item.get();
    return nullptr;
}

// ---------------------------------------------------------------------------------------
// The window's side

bool TSkinnedForm::OpenMenuBarItem(TMenuBtn* Item)
{
    if (!Item) return false;
    PostMessageA(Window, WM_COMMAND, Item->Command, 0);
    if (!Item->SubMenu) return false;
    tracking.openIndex = Item->Index;
    tracking.form = this;
    // Every item of the drop-down, at every depth, is drawn by the skin.
    if (menuBar_ && !(SkinIsNT() && HIBYTE(LOWORD(SkinVersion())) == 0 && LOBYTE(LOWORD(SkinVersion())) == 4))
        SetMenuOwnerDraw(Item->SubMenu, menuBar_->OwnerDrawn);
    InMenuLoop = true;
    RECT w{};
    GetWindowRect(Window, &w);
    const POINT at{w.left + (RightToLeft ? Item->Rect.right : Item->Rect.left), w.top + Item->Rect.bottom};
    if (SkinManager) {
        SkinManager->MenuKind = 1;
        SkinManager->MenuFromBar = true;
    }
    InstallMenuFilter();
    // The menu's loop dispatches the posted command and more: the window and its skin may
    // be gone when it returns.
    const std::shared_ptr<bool> alive = alive_;
    if (Item->ItemEnabled)
        TrackPopupMenu(Item->SubMenu, RightToLeft ? 0x8A : 0x82, at.x, at.y, 0, Window, nullptr);
    RemoveMenuFilter();
    if (!*alive) return false;
    tracking.form = nullptr;
    InMenuLoop = false;
    return true;
}

void TSkinnedForm::ClickMenuBarItem(TMenuBtn* Item)
{
    if (!Item) return;
    RECT w{};
    GetWindowRect(Window, &w);
    PostMessageA(Window, WM_NCLBUTTONDOWN, 1,
                 MAKELPARAM(w.left + Item->Rect.left + 1, w.top + Item->Rect.top + 1));
}

void TSkinnedForm::MenuBarClick(cl::TMessage& m)
{
    const POINT p = ScreenToWindow(static_cast<short>(LOWORD(m.LParam)), static_cast<short>(HIWORD(m.LParam)));
    if (!ButtonAt(p) && menuBar_)
        if (TMenuBtn* item = menuBar_->ItemAtPoint(p)) OpenMenuBarItem(item);
    m.Result = 0;
}

void TSkinnedForm::OnMenuChanged(cl::TMessage& m)
{
    // The window's own handling may show the menu again: no frame is painted meanwhile.
    if (SkinData) SkinData->FramePainting = false;
    CallOldWndProc(m);
    if (SkinData) SkinData->FramePainting = true;
    if (HMENU menu = GetMenu(Window)) {
        if (menuBar_ && SkinData && SkinData->MenuUpdate) {
            menuBar_->WindowMenu = menu;
            menuBar_->RebuildItems();
        }
        if (GetMenu(Window)) SetMenu(Window, nullptr);
    }
}

TMenuBtn* TSkinnedForm::FindAccelItem(char Character) const
{
    if (!menuBar_) return nullptr;
    for (const auto& item : menuBar_->Items)
        if (item->ItemEnabled && cl::IsAccel(Character, cl::WideToAnsi(item->Caption))) return item.get();
    return nullptr;
}

void TSkinnedForm::DialogChar(cl::TMessage& m)
{
    formHook_->CallPrevious(m);
    if (m.Result != 0) return;
    if (GetKeyState(VK_MENU) < 0 && GetKeyState(VK_SHIFT) >= 0 && GetKeyState(VK_CONTROL) >= 0)
        if (TMenuBtn* item = FindAccelItem(static_cast<char>(m.WParam))) {
            ClickMenuBarItem(item);
            m.Result = 1;
            return;
        }
    if (WindowKind == wkMDIChild) {
        if (SkinManager && SkinManager->MDIForm && SkinManager->MDIForm->HandleAllocated())
            m.Result = SendMessageA(SkinManager->MDIForm->Handle(), cl::CM_DIALOGCHAR, m.WParam, m.LParam);
        return;
    }
    cl::TCustomForm* main = cl::Application ? cl::Application->MainForm() : nullptr;
    if (main && main != FormControl && FormControl && !FormControl->Modal() && main->HandleAllocated())
        SendMessageA(main->Handle(), cl::CM_DIALOGCHAR, m.WParam, m.LParam);
    m.Result = 0;
}

} // namespace skin
