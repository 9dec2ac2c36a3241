// Menus: items in a tree with their platform menu handles, the main menu a form shows in
// its menu bar, popup menus that deliver the picked item's click after they close, and
// owner drawing through the items' measure and draw events.
#pragma once

#include "classlib/Classes.h"
#include "classlib/Graphics.h"
#include "classlib/ImgList.h"
#include "classlib/WinHandle.h"

#include <functional>
#include <vector>

namespace cl {

class TMenu;
class TMenuItem;

// Key code in the low byte, with these modifier bits.
using TShortCut = std::uint16_t;
constexpr TShortCut scShift = 0x2000, scCtrl = 0x4000, scAlt = 0x8000;
// "Shift+Ctrl+Alt+F4" style; "" for 0 or a key without a name here.
AnsiString ShortCutToText(TShortCut shortCut);

// An 8 x 8 pattern brush of alternating pixels: back where x + y is even, fore where odd;
// the background of a checked item's glyph.
BrushHandle CreateCheckedPatternBrush(TColor back, TColor fore);

// True when c (in either case) follows the first single "&" of caption.
bool IsAccel(char c, std::string_view caption);

enum TMenuBreak { mbNone, mbBreak, mbBarBreak };
extern const TEnumType MenuBreakType;

using TMenuDrawItemEvent = std::function<void(TObject* sender, TCanvas& canvas, const RECT& rect, bool selected)>;
using TMenuMeasureItemEvent = std::function<void(TObject* sender, TCanvas& canvas, int& width, int& height)>;

class TMenuItem : public TComponent {
    CL_CLASS(TMenuItem)
public:
    explicit TMenuItem(TComponent* owner);
    ~TMenuItem() override;

    // The tree. Items own no children as components (their owner does); an item that
    // goes takes its children with it.
    int Count() const { return static_cast<int>(items_.size()); }
    TMenuItem* Items(int index) const;
    TMenuItem* Parent() const { return parent_; }
    int MenuIndex() const;
    void Add(TMenuItem* item);
    void Insert(int index, TMenuItem* item);
    void Remove(TMenuItem* item);
    void Clear(); // frees the children
    // The menu whose tree this item is in, or null.
    TMenu* GetParentMenu() const;

    const AnsiString& Caption() const { return caption_; }
    void SetCaption(const AnsiString& caption);
    bool IsLine() const { return caption_ == "-"; }
    bool Checked() const { return checked_; }
    void SetChecked(bool checked);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    bool Visible() const { return visible_; }
    void SetVisible(bool visible);
    bool Default() const { return default_; }
    void SetDefault(bool isDefault);
    TMenuBreak Break() const { return break_; }
    void SetBreak(TMenuBreak value);
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int index);
    TShortCut ShortCut() const { return shortCut_; }
    void SetShortCut(TShortCut shortCut);

    // The identifier of the item's WM_COMMAND, unique in the module while the item lives.
    WORD Command() const { return command_; }
    // The item's submenu, made on first use (for items with children).
    HMENU Handle();

    TNotifyEvent OnClick;
    TMenuDrawItemEvent OnDrawItem;
    TMenuMeasureItemEvent OnMeasureItem;

    // OnClick when enabled.
    virtual void Click();
    // OnMeasureItem / OnDrawItem when assigned, else the plain look: the caption in the
    // menu font, a highlight when selected, an etched line for "-".
    void MeasureItem(TCanvas& canvas, int& width, int& height);
    void DrawItem(TCanvas& canvas, const RECT& rect, bool selected);

    void SetParentComponent(TComponent* parent) override;

private:
    friend class TMenu;
    void Changed();        // this item's entry in its parent's menu
    void RebuildHandle();  // the entries of this item's own menu
    void FillItemInfo(MENUITEMINFOA& info, AnsiString& text);
    TMenuItem* FindCommand(WORD command);
    TMenuItem* FindHandle(HMENU menu);

    TMenuItem* parent_ = nullptr;
    TMenu* menu_ = nullptr; // set on a menu's root item only
    std::vector<TMenuItem*> items_;
    MenuHandle handle_;
    bool topMenuBar_ = false; // root of a main menu: CreateMenu, not CreatePopupMenu
    WORD command_ = 0;
    AnsiString caption_;
    bool checked_ = false, enabled_ = true, visible_ = true, default_ = false;
    TMenuBreak break_ = mbNone;
    int imageIndex_ = -1;
    TShortCut shortCut_ = 0;
};

enum TMenuItemFind { fkCommand, fkHandle };

class TMenu : public TComponent {
    CL_CLASS(TMenu)
public:
    ~TMenu() override;

    TMenuItem* Items() const { return items_.get(); }
    // The platform menu of the root item: a menu bar for a main menu, else a popup.
    HMENU Handle() { return items_->Handle(); }
    bool OwnerDraw() const { return ownerDraw_; }
    void SetOwnerDraw(bool ownerDraw);
    // The glyphs of the items' ImageIndex; not owned, and dropped when the list goes.
    TCustomImageList* Images() const { return images_; }
    void SetImages(TCustomImageList* images);

    // The item at any depth with that command or submenu handle, or null.
    TMenuItem* FindItem(UINT_PTR value, TMenuItemFind kind) const;
    // Clicks the item with that command; false when none has it.
    bool DispatchCommand(WORD command);

protected:
    TMenu(TComponent* owner, bool menuBar);
    // An item's entry or the tree below the root changed.
    virtual void MenuChanged() {}
    void Notification(TComponent& component, TOperation operation) override;

private:
    friend class TMenuItem;
    std::unique_ptr<TMenuItem> items_;
    TCustomImageList* images_ = nullptr;
    bool ownerDraw_ = false;
};

// The menu a form shows as its menu bar. The form binds it to its window with
// SetWindowHandle (SetMenu) and unbinds it before the window goes, since a window
// destroys the menu it holds. A change sends the window CM_MENUCHANGED (a form puts the
// menu back on its window), then redraws the bar when the window still holds the menu.
class TMainMenu : public TMenu {
    CL_CLASS(TMainMenu)
public:
    explicit TMainMenu(TComponent* owner);
    ~TMainMenu() override;
    HWND WindowHandle() const { return window_; }
    void SetWindowHandle(HWND window);

protected:
    void MenuChanged() override;

private:
    HWND window_ = nullptr;
};

enum TPopupAlignment { paLeft, paRight, paCenter };
extern const TEnumType PopupAlignmentType;

class TPopupMenu : public TMenu {
    CL_CLASS(TPopupMenu)
public:
    explicit TPopupMenu(TComponent* owner);
    ~TPopupMenu() override;

    TPopupAlignment Alignment() const { return alignment_; }
    void SetAlignment(TPopupAlignment alignment) { alignment_ = alignment; }
    bool AutoPopup() const { return autoPopup_; }
    void SetAutoPopup(bool autoPopup) { autoPopup_ = autoPopup; }
    TNotifyEvent OnPopup;

    // OnPopup, then the menu at the screen point, tracked until it closes; the picked
    // item's Click runs after that, so a handler may free the menu.
    virtual void Popup(int x, int y);
    // The hidden window that owns tracked popup menus and answers their WM_COMMAND,
    // WM_MEASUREITEM and WM_DRAWITEM.
    static HWND Window();

private:
    TPopupAlignment alignment_ = paLeft;
    bool autoPopup_ = true;
};

// Menu messages that reach a window: WM_COMMAND from a menu, and WM_MEASUREITEM and
// WM_DRAWITEM for owner-drawn menu items, found first in menu (when not null), then in
// every live popup menu. True when an item took the message; result is its answer.
bool DispatchMenuMessage(TMenu* menu, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);

} // namespace cl
