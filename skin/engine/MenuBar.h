// The skinned menu bar: a window's menu taken from the platform and drawn by the engine in
// the non-client strip below the caption, one TMenuBtn caption object per top-level item.
// An item's drop-down is tracked with the platform's popup menu while a message filter
// moves between the bar's items with the arrow keys and the mouse.
#pragma once

#include "skin/engine/CaptionObjects.h"
#include "skin/engine/MenuItems.h"
#include "skin/engine/SkinData.h"

#include "classlib/Classes.h"
#include "classlib/Forms.h"
#include "classlib/Graphics.h"
#include "classlib/Menus.h"

#include <windows.h>

#include <climits>
#include <memory>
#include <string>
#include <vector>

namespace skin {

class TSkinnedMenuBar;

class TMenuBtn : public TNCObject {
    CL_CLASS(TMenuBtn)
public:
    TMenuBtn(TSkinnedForm& form, TSkinnedMenuBar& bar) : TNCObject(form), Bar(bar) {}

    // The bar's background under the item, a ButtonHilight frame while hot or pressed, the
    // caption; straight onto the window.
    void Paint() override;

    TSkinnedMenuBar& Bar;
    int Index = 0;
    std::wstring Caption;
    bool ItemEnabled = true; // the menu item's own state; TNCObject::Enabled is the mouse's
    HMENU SubMenu = nullptr; // the drop-down, or none
    UINT Command = 0;
};

class TSkinnedMenuBar : public cl::TComponent {
    CL_CLASS(TSkinnedMenuBar)
public:
    TSkinnedMenuBar(TSkinnedForm& form, TSkinData& data);
    ~TSkinnedMenuBar() override;

    // The items from the window's menu; the menu is then taken from the window.
    void BuildItems();
    // The items again from the window's menu after it changed (an MDI frame's menu); only
    // entries without text take a form item's; then the layout.
    void RebuildItems();
    // Item rectangles without painting.
    void Layout();
    // The bar drawn into dc at rect (window coordinates).
    void Paint(HDC dc, const RECT& rect);
    // The item with a caption whose rectangle holds point (window coordinates), or null.
    TMenuBtn* ItemAtPoint(POINT point) const;
    // Draws an item's caption in rect of dc.
    void DrawCaption(HDC dc, const TMenuBtn& item, const RECT& rect) const;

    std::vector<std::unique_ptr<TMenuBtn>> Items;
    RECT BarRect{};
    TSkinData* SkinData;
    TSkinnedForm& Form;
    std::unique_ptr<cl::TBitmap> Background; // the bar as last painted
    bool Painting = false;
    HMENU WindowMenu = nullptr; // given back to the window when the bar goes
    cl::TMenu* Menu = nullptr;  // a form's main menu whose handle WindowMenu is
    // The bar shows a form's main menu; a menu freed meanwhile takes its items with it.
    void SetFormMenu(cl::TMenu* menu);
    TOwnerDrawSwitches OwnerDrawn; // drop-down items this bar made owner-drawn

protected:
    void Notification(cl::TComponent& component, cl::TOperation operation) override;

private:
    int StartOffset(int barWidth) const;
    // Places the items in bar (window coordinates) measured on dc; a right-to-left bar's
    // items start at rightLimit at the most.
    void PlaceItems(HDC dc, const RECT& bar, int rightLimit = INT_MAX);
    // A maximised MDI child's buttons (visibility 100) into dc, which holds bar.
    void PaintChildButtons(HDC dc, const RECT& bar);
    std::unique_ptr<TMenuBtn> ReadItem(int index);
    static void TakeFormItem(TMenuBtn& item, cl::TMenuItem& own);
    void ClearItems();
};

// The main menu Form owns and shows in window, or null.
cl::TMenu* FormMainMenu(cl::TCustomForm& Form, HWND window);

// The message filter of an open drop-down of a bar.
void InstallMenuFilter();
void RemoveMenuFilter();
// True while a drop-down of form's bar (of any bar when form is null) is tracked.
bool MenuBarTracking(const TSkinnedForm* form = nullptr);
// The filter leaves form's bar alone from now on (its bar is going).
void ForgetMenuBarTracking(const TSkinnedForm& form);

} // namespace skin
