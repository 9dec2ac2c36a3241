#include "classlib/Menus.h"

#include "classlib/Forms.h"

#include <algorithm>

namespace cl {

const TEnumType MenuBreakType{{"mbNone", "mbBreak", "mbBarBreak"}};
const TEnumType PopupAlignmentType{{"paLeft", "paRight", "paCenter"}};

namespace {
// Form resources create these by class name.
const bool registered = (TMenuItem::StaticClass(), TMainMenu::StaticClass(), TPopupMenu::StaticClass(), true);
} // namespace

namespace {

// Command identifiers of the module's menu items. 0 stays free: TrackPopupMenu answers 0
// for "nothing picked"; 0xF000 and above are the system menu's.
class CommandPool {
public:
    WORD Take()
    {
        for (size_t n = 0; n < used_.size(); ++n) {
            size_t i = 1 + (next_ - 1 + n) % (used_.size() - 1);
            if (!used_[i]) {
                used_[i] = true;
                next_ = i + 1 < used_.size() ? i + 1 : 1;
                return static_cast<WORD>(i);
            }
        }
        throw EComponentError("Out of menu command identifiers");
    }
    void Give(WORD command) { used_[command] = false; }

private:
    std::vector<bool> used_ = std::vector<bool>(0xF000);
    size_t next_ = 1;
};

CommandPool& Commands()
{
    static CommandPool pool;
    return pool;
}

// The live popup menus and the hidden window that owns them while they are tracked.
class PopupList {
public:
    static PopupList& Get()
    {
        static PopupList list;
        return list;
    }
    void Add(TPopupMenu* menu) { menus_.push_back(menu); }
    void Remove(TPopupMenu* menu) { menus_.erase(std::remove(menus_.begin(), menus_.end(), menu), menus_.end()); }
    const std::vector<TPopupMenu*>& Menus() const { return menus_; }

    HWND Window()
    {
        if (!window_) window_ = AllocateHWnd([this](TMessage& m) { WndProc(m); });
        return window_;
    }

private:
    PopupList() = default;
    ~PopupList() { DeallocateHWnd(window_); }

    void WndProc(TMessage& m)
    {
        if (!DispatchMenuMessage(nullptr, m.Msg, m.WParam, m.LParam, m.Result))
            m.Result = DefWindowProcA(window_, m.Msg, m.WParam, m.LParam);
    }

    std::vector<TPopupMenu*> menus_;
    HWND window_ = nullptr;
};

// The canvas font for owner-drawn items: the system's menu font, bold for the default item.
void SetMenuFont(TCanvas& canvas, bool bold)
{
    canvas.Font().Assign(*Screen->MenuFont());
    if (bold) canvas.Font().SetStyle(canvas.Font().Style() | (1u << fsBold));
}

TMenuItem* FindInPopups(UINT_PTR value, TMenuItemFind kind)
{
    for (TPopupMenu* menu : PopupList::Get().Menus())
        if (TMenuItem* item = menu->FindItem(value, kind)) return item;
    return nullptr;
}

} // namespace

bool IsAccel(char c, std::string_view caption)
{
    for (size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != '&') continue;
        if (caption[i + 1] == '&') {
            ++i; // "&&" is a plain ampersand
            continue;
        }
        return UpperCase(std::string_view(&caption[i + 1], 1)) == UpperCase(std::string_view(&c, 1));
    }
    return false;
}

AnsiString ShortCutToText(TShortCut shortCut)
{
    const unsigned key = shortCut & 0xFF;
    AnsiString name;
    if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9')) name = AnsiString(1, static_cast<char>(key));
    else if (key >= VK_F1 && key <= VK_F24) name = "F" + IntToStr(key - VK_F1 + 1);
    else {
        static const struct { unsigned key; const char* name; } names[] = {
            {VK_BACK, "BkSp"}, {VK_TAB, "Tab"}, {VK_RETURN, "Enter"}, {VK_ESCAPE, "Esc"}, {VK_SPACE, "Space"},
            {VK_PRIOR, "PgUp"}, {VK_NEXT, "PgDn"}, {VK_END, "End"}, {VK_HOME, "Home"}, {VK_LEFT, "Left"},
            {VK_UP, "Up"}, {VK_RIGHT, "Right"}, {VK_DOWN, "Down"}, {VK_INSERT, "Ins"}, {VK_DELETE, "Del"},
        };
        for (const auto& n : names)
            if (n.key == key) name = n.name;
    }
    if (name.empty()) return "";
    AnsiString text;
    if (shortCut & scShift) text += "Shift+";
    if (shortCut & scCtrl) text += "Ctrl+";
    if (shortCut & scAlt) text += "Alt+";
    return text + name;
}

// ---------------------------------------------------------------------------------------

BrushHandle CreateCheckedPatternBrush(TColor back, TColor fore)
{
    const COLORREF colours[2] = {static_cast<COLORREF>(ColorToRGB(back)), static_cast<COLORREF>(ColorToRGB(fore))};
    // A 32-bit DIB keeps both colours exact on any display.
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = 8;
    info.bmiHeader.biHeight = -8;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    BitmapHandle pattern(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!pattern || !bits) return BrushHandle();
    auto* pixels = static_cast<std::uint32_t*>(bits);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            const COLORREF c = colours[(x + y) & 1];
            pixels[y * 8 + x] = (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
        }
    return BrushHandle(CreatePatternBrush(pattern.get()));
}

const TClass& TMenuItem::StaticClass()
{
    return DefineClass<TMenuItem, TComponent>("TMenuItem", [](TPublisher<TMenuItem>& p) {
        p.String("Caption", &TMenuItem::Caption, &TMenuItem::SetCaption);
        p.Bool("Checked", &TMenuItem::Checked, &TMenuItem::SetChecked);
        p.Bool("Enabled", &TMenuItem::Enabled, &TMenuItem::SetEnabled);
        p.Bool("Visible", &TMenuItem::Visible, &TMenuItem::SetVisible);
        p.Bool("Default", &TMenuItem::Default, &TMenuItem::SetDefault);
        p.Enum("Break", MenuBreakType, &TMenuItem::Break, &TMenuItem::SetBreak);
        p.Int("ImageIndex", &TMenuItem::ImageIndex, &TMenuItem::SetImageIndex);
        p.Int("ShortCut", &TMenuItem::ShortCut, &TMenuItem::SetShortCut);
        p.Event("OnClick", &TMenuItem::OnClick);
        p.Event("OnDrawItem", &TMenuItem::OnDrawItem);
        p.Event("OnMeasureItem", &TMenuItem::OnMeasureItem);
    });
}

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner), command_(Commands().Take()) {}

TMenuItem::~TMenuItem()
{
    if (parent_) parent_->Remove(this);
    // Our entries go first, so no submenu is destroyed while our menu still holds it.
    if (handle_)
        while (GetMenuItemCount(handle_.get()) > 0) RemoveMenu(handle_.get(), 0, MF_BYPOSITION);
    while (!items_.empty()) {
        TMenuItem* child = items_.back();
        items_.pop_back();
        child->parent_ = nullptr;
        delete child;
    }
    Commands().Give(command_);
}

TMenuItem* TMenuItem::Items(int index) const
{
    if (index < 0 || index >= Count()) throw EListError("Menu index out of bounds (" + std::to_string(index) + ")");
    return items_[static_cast<size_t>(index)];
}

int TMenuItem::MenuIndex() const
{
    if (!parent_) return -1;
    auto& siblings = parent_->items_;
    return static_cast<int>(std::find(siblings.begin(), siblings.end(), this) - siblings.begin());
}

void TMenuItem::Add(TMenuItem* item) { Insert(Count(), item); }

void TMenuItem::Insert(int index, TMenuItem* item)
{
    if (!item) return;
    if (item->parent_) throw EComponentError("Menu item " + item->Name() + " is already in a menu");
    for (TMenuItem* p = this; p; p = p->parent_)
        if (p == item) throw EComponentError("Menu item " + item->Name() + " cannot hold itself");
    if (index < 0 || index > Count()) throw EListError("Menu index out of bounds (" + std::to_string(index) + ")");
    items_.insert(items_.begin() + index, item);
    item->parent_ = this;
    RebuildHandle();
    if (Count() == 1) Changed(); // we now have a submenu
    else if (TMenu* menu = GetParentMenu()) menu->MenuChanged();
}

void TMenuItem::Remove(TMenuItem* item)
{
    auto it = std::find(items_.begin(), items_.end(), item);
    if (it == items_.end()) throw EListError("Menu item " + (item ? item->Name() : AnsiString()) + " is not in this menu");
    items_.erase(it);
    item->parent_ = nullptr;
    RebuildHandle();
    if (items_.empty()) Changed(); // our submenu goes
    else if (TMenu* menu = GetParentMenu()) menu->MenuChanged();
}

void TMenuItem::Clear()
{
    while (!items_.empty()) delete items_.back();
}

TMenu* TMenuItem::GetParentMenu() const
{
    const TMenuItem* root = this;
    while (root->parent_) root = root->parent_;
    return root->menu_;
}

void TMenuItem::SetCaption(const AnsiString& caption)
{
    if (caption == caption_) return;
    caption_ = caption;
    Changed();
}

void TMenuItem::SetChecked(bool checked)
{
    if (checked == checked_) return;
    checked_ = checked;
    Changed();
}

void TMenuItem::SetEnabled(bool enabled)
{
    if (enabled == enabled_) return;
    enabled_ = enabled;
    Changed();
}

void TMenuItem::SetVisible(bool visible)
{
    if (visible == visible_) return;
    visible_ = visible;
    Changed();
}

void TMenuItem::SetDefault(bool isDefault)
{
    if (isDefault == default_) return;
    default_ = isDefault;
    Changed();
}

void TMenuItem::SetBreak(TMenuBreak value)
{
    if (value == break_) return;
    break_ = value;
    Changed();
}

void TMenuItem::SetImageIndex(int index)
{
    if (index == imageIndex_) return;
    imageIndex_ = index;
    Changed();
}

void TMenuItem::SetShortCut(TShortCut shortCut)
{
    if (shortCut == shortCut_) return;
    shortCut_ = shortCut;
    Changed();
}

HMENU TMenuItem::Handle()
{
    if (!handle_) {
        handle_.reset(topMenuBar_ ? CreateMenu() : CreatePopupMenu());
        if (!handle_) throw EComponentError("Cannot create a menu");
        RebuildHandle();
    }
    return handle_.get();
}

void TMenuItem::FillItemInfo(MENUITEMINFOA& info, AnsiString& text)
{
    TMenu* menu = GetParentMenu();
    const bool ownerDraw = menu && menu->OwnerDraw();
    info = MENUITEMINFOA{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU;
    if (ownerDraw) {
        info.fType = MFT_OWNERDRAW;
    } else if (IsLine()) {
        info.fType = MFT_SEPARATOR;
    } else {
        text = caption_;
        if (AnsiString keys = ShortCutToText(shortCut_); !keys.empty()) text += "\t" + keys;
        info.fMask |= MIIM_STRING;
        info.dwTypeData = text.data();
        info.cch = static_cast<UINT>(text.size());
    }
    if (break_ == mbBreak) info.fType |= MFT_MENUBREAK;
    if (break_ == mbBarBreak) info.fType |= MFT_MENUBARBREAK;
    if (checked_) info.fState |= MFS_CHECKED;
    if (!enabled_) info.fState |= MFS_GRAYED;
    if (default_) info.fState |= MFS_DEFAULT;
    info.wID = command_;
    info.hSubMenu = items_.empty() ? nullptr : Handle();
}

void TMenuItem::RebuildHandle()
{
    if (!handle_) return;
    HMENU menu = handle_.get();
    while (GetMenuItemCount(menu) > 0) RemoveMenu(menu, 0, MF_BYPOSITION);
    UINT position = 0;
    for (TMenuItem* item : items_) {
        if (!item->visible_) continue;
        MENUITEMINFOA info;
        AnsiString text;
        item->FillItemInfo(info, text);
        if (InsertMenuItemA(menu, position, TRUE, &info)) ++position;
    }
}

void TMenuItem::Changed()
{
    if (parent_) parent_->RebuildHandle();
    if (TMenu* menu = GetParentMenu()) menu->MenuChanged();
}

TMenuItem* TMenuItem::FindCommand(WORD command)
{
    if (command_ == command && parent_) return this;
    for (TMenuItem* item : items_)
        if (TMenuItem* found = item->FindCommand(command)) return found;
    return nullptr;
}

TMenuItem* TMenuItem::FindHandle(HMENU menu)
{
    if (handle_ && handle_.get() == menu) return this;
    for (TMenuItem* item : items_)
        if (TMenuItem* found = item->FindHandle(menu)) return found;
    return nullptr;
}

void TMenuItem::Click()
{
    if (!enabled_ || !OnClick) return;
    // A copy: the handler may free this item and with it OnClick.
    TNotifyEvent handler = OnClick;
    handler(this);
}

void TMenuItem::MeasureItem(TCanvas& canvas, int& width, int& height)
{
    if (OnMeasureItem) {
        OnMeasureItem(this, canvas, width, height);
        return;
    }
    const int rowHeight = GetSystemMetrics(SM_CYMENUSIZE);
    if (IsLine()) {
        width = 0;
        height = rowHeight / 2;
        return;
    }
    // Room for a check mark or image on the left and a margin on the right.
    SIZE text = canvas.TextExtent(caption_.empty() ? AnsiString(" ") : caption_);
    width = text.cx + 2 * rowHeight;
    if (AnsiString keys = ShortCutToText(shortCut_); !keys.empty()) width += canvas.TextWidth(keys) + rowHeight;
    height = std::max<int>(text.cy + 4, rowHeight);
}

void TMenuItem::DrawItem(TCanvas& canvas, const RECT& rect, bool selected)
{
    if (OnDrawItem) {
        OnDrawItem(this, canvas, rect, selected);
        return;
    }
    canvas.Brush().SetColor(selected && !IsLine() ? clHighlight : clMenu);
    canvas.Brush().SetStyle(bsSolid);
    canvas.FillRect(rect);
    HDC dc = canvas.Handle();
    if (IsLine()) {
        RECT line = rect;
        line.top += (rect.bottom - rect.top) / 2 - 1;
        DrawEdge(dc, &line, EDGE_ETCHED, BF_TOP);
        return;
    }
    const int glyph = rect.bottom - rect.top;
    if (checked_) {
        RECT box{rect.left, rect.top, rect.left + glyph, rect.bottom};
        DrawFrameControl(dc, &box, DFC_MENU, DFCS_MENUCHECK);
    }
    canvas.Font().SetColor(!enabled_ ? clGrayText : selected ? clHighlightText : clMenuText);
    if (default_) canvas.Font().SetStyle(canvas.Font().Style() | (1u << fsBold));
    canvas.Brush().SetStyle(bsClear);
    dc = canvas.Handle();
    RECT text{rect.left + glyph, rect.top, rect.right - glyph / 2, rect.bottom};
    DrawTextA(dc, caption_.c_str(), static_cast<int>(caption_.size()), &text, DT_SINGLELINE | DT_VCENTER | DT_EXPANDTABS);
    if (AnsiString keys = ShortCutToText(shortCut_); !keys.empty())
        DrawTextA(dc, keys.c_str(), static_cast<int>(keys.size()), &text, DT_SINGLELINE | DT_VCENTER | DT_RIGHT);
}

void TMenuItem::SetParentComponent(TComponent* parent)
{
    if (auto* menu = dynamic_cast<TMenu*>(parent)) menu->Items()->Add(this);
    else if (auto* item = dynamic_cast<TMenuItem*>(parent)) item->Add(this);
    else throw EComponentError("Menu item " + Name() + " must be inside a menu or a menu item");
}

// ---------------------------------------------------------------------------------------

const TClass& TMenu::StaticClass()
{
    return DefineClass<TMenu, TComponent>("TMenu", [](TPublisher<TMenu>& p) {
        p.Bool("OwnerDraw", &TMenu::OwnerDraw, &TMenu::SetOwnerDraw);
        p.Ref("Images", &TMenu::Images, &TMenu::SetImages);
    });
}

TMenu::TMenu(TComponent* owner, bool menuBar) : TComponent(owner), items_(std::make_unique<TMenuItem>(nullptr))
{
    items_->menu_ = this;
    items_->topMenuBar_ = menuBar;
}

TMenu::~TMenu() { items_.reset(); }

void TMenu::SetImages(TCustomImageList* images)
{
    if (images == images_) return;
    if (images_) images_->RemoveFreeNotification(*this);
    images_ = images;
    if (images_) images_->FreeNotification(*this);
}

void TMenu::Notification(TComponent& component, TOperation operation)
{
    TComponent::Notification(component, operation);
    if (operation == TOperation::opRemove && &component == images_) images_ = nullptr;
}

void TMenu::SetOwnerDraw(bool ownerDraw)
{
    if (ownerDraw == ownerDraw_) return;
    ownerDraw_ = ownerDraw;
    // Every entry's type changes.
    struct Walk {
        static void Rebuild(TMenuItem* item)
        {
            item->RebuildHandle();
            for (int i = 0; i < item->Count(); ++i) Rebuild(item->Items(i));
        }
    };
    Walk::Rebuild(items_.get());
    MenuChanged();
}

TMenuItem* TMenu::FindItem(UINT_PTR value, TMenuItemFind kind) const
{
    if (kind == fkCommand) return value <= 0xFFFF ? items_->FindCommand(static_cast<WORD>(value)) : nullptr;
    return items_->FindHandle(reinterpret_cast<HMENU>(value));
}

bool TMenu::DispatchCommand(WORD command)
{
    TMenuItem* item = FindItem(command, fkCommand);
    if (!item) return false;
    item->Click();
    return true;
}

// ---------------------------------------------------------------------------------------

const TClass& TMainMenu::StaticClass() { return DefineClass<TMainMenu, TMenu>("TMainMenu"); }

TMainMenu::TMainMenu(TComponent* owner) : TMenu(owner, true) {}

TMainMenu::~TMainMenu() { SetWindowHandle(nullptr); }

void TMainMenu::SetWindowHandle(HWND window)
{
    if (window == window_) return;
    if (window_ && IsWindow(window_) && GetMenu(window_) == Handle()) SetMenu(window_, nullptr);
    window_ = window;
    if (window_) SetMenu(window_, Handle());
}

void TMainMenu::MenuChanged()
{
    if (!window_ || !IsWindow(window_)) return;
    // The window may show the menu its own way (a skinned menu bar takes it away).
    SendMessageA(window_, CM_MENUCHANGED, 0, 0);
    if (GetMenu(window_) == Handle()) DrawMenuBar(window_);
}

// ---------------------------------------------------------------------------------------

const TClass& TPopupMenu::StaticClass()
{
    return DefineClass<TPopupMenu, TMenu>("TPopupMenu", [](TPublisher<TPopupMenu>& p) {
        p.Enum("Alignment", PopupAlignmentType, &TPopupMenu::Alignment, &TPopupMenu::SetAlignment);
        p.Bool("AutoPopup", &TPopupMenu::AutoPopup, &TPopupMenu::SetAutoPopup);
        p.Event("OnPopup", &TPopupMenu::OnPopup);
    });
}

TPopupMenu::TPopupMenu(TComponent* owner) : TMenu(owner, false) { PopupList::Get().Add(this); }

TPopupMenu::~TPopupMenu() { PopupList::Get().Remove(this); }

HWND TPopupMenu::Window() { return PopupList::Get().Window(); }

void TPopupMenu::Popup(int x, int y)
{
    if (OnPopup) OnPopup(this);
    static const UINT align[] = {TPM_LEFTALIGN, TPM_RIGHTALIGN, TPM_CENTERALIGN};
    const UINT flags = align[alignment_] | TPM_RIGHTBUTTON | TPM_RETURNCMD;
    const int command = TrackPopupMenu(Handle(), flags, x, y, 0, Window(), nullptr);
    // The menu has closed; nothing of this object is touched after the click.
    if (command > 0) DispatchCommand(static_cast<WORD>(command));
}

// ---------------------------------------------------------------------------------------

bool DispatchMenuMessage(TMenu* menu, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    auto find = [menu](UINT_PTR command) {
        TMenuItem* item = menu ? menu->FindItem(command, fkCommand) : nullptr;
        return item ? item : FindInPopups(command, fkCommand);
    };
    switch (msg) {
    case WM_COMMAND: {
        // Menus send a zero notification code and no control window.
        if (HIWORD(wParam) != 0 || lParam != 0) return false;
        TMenuItem* item = find(LOWORD(wParam));
        if (!item) return false;
        item->Click();
        result = 0;
        return true;
    }
    case WM_MEASUREITEM: {
        auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        if (!mis || mis->CtlType != ODT_MENU) return false;
        TMenuItem* item = find(mis->itemID);
        if (!item) return false;
        WindowDc screen(nullptr);
        TCanvas canvas;
        SetMenuFont(canvas, item->Default());
        canvas.SetHandle(screen.get());
        int width = static_cast<int>(mis->itemWidth), height = static_cast<int>(mis->itemHeight);
        item->MeasureItem(canvas, width, height);
        canvas.SetHandle(nullptr);
        mis->itemWidth = static_cast<UINT>(std::max(width, 0));
        mis->itemHeight = static_cast<UINT>(std::max(height, 0));
        result = TRUE;
        return true;
    }
    case WM_DRAWITEM: {
        auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        if (!dis || dis->CtlType != ODT_MENU) return false;
        TMenuItem* item = find(dis->itemID);
        if (!item) return false;
        SavedDc saved(dis->hDC);
        TCanvas canvas;
        SetMenuFont(canvas, item->Default());
        canvas.SetHandle(dis->hDC);
        item->DrawItem(canvas, dis->rcItem, (dis->itemState & ODS_SELECTED) != 0);
        canvas.SetHandle(nullptr);
        result = TRUE;
        return true;
    }
    default:
        return false;
    }
}

} // namespace cl
