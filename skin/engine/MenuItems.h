// Owner-drawn menu items of skinned windows: measuring and drawing from the skin's
// "MenuItem" image (frame 1 normal, 2 separator, 4 selected), or plainly in the skin's
// menu colours when the skin has none; and the switch that makes a platform menu
// owner-drawn at every depth.
#pragma once

#include "skin/engine/SkinData.h"

#include "classlib/Graphics.h"
#include "classlib/Menus.h"

#include <windows.h>

#include <utility>
#include <vector>

namespace skin {

// Items switched to owner-drawn: menu and position.
using TOwnerDrawSwitches = std::vector<std::pair<HMENU, UINT>>;
// Every item of Menu, and of its submenus at every depth, gets MFT_OWNERDRAW; the items
// switched here are added to Switched.
void SetMenuOwnerDraw(HMENU Menu, TOwnerDrawSwitches& Switched);
// Gives the switched items their own drawing back.
void ClearMenuOwnerDraw(const TOwnerDrawSwitches& Switched);

// WM_MEASUREITEM for an item of a platform menu: its text (by command in Menu, up to 80
// characters) in the menu font; width = text width + 26 (+ the MenuItem left margin);
// height + 4, or 8 for an empty text; on Windows 9x 4 more.
void MeasureMenuHandleItem(TSkinData* Data, HMENU Menu, MEASUREITEMSTRUCT& Item);
// WM_DRAWITEM for an item of a platform menu: a temporary item made from the menu
// handle's entry, drawn through a scratch bitmap of the item's size on the background of
// the popup window showing that menu.
void DrawMenuHandleItem(TSkinData* Data, const DRAWITEMSTRUCT& Item, bool RightToLeft);

// WM_MEASUREITEM for a class-library item: the class library's own measuring (the item's
// OnMeasureItem detached for the call) in the menu font, then the skin's room.
void MeasureMenuItem(TSkinData* Data, cl::TMenuItem& Item, MEASUREITEMSTRUCT& Measure);
// WM_DRAWITEM for a class-library item: the skin's drawing, or the plain look in the skin's
// colours when the skin has no MenuItem image.
void DrawMenuItem(TSkinData* Data, cl::TMenuItem& Item, const DRAWITEMSTRUCT& Draw, bool RightToLeft);

// The skin's item events: the class library's measuring with the skin's room (the MenuItem
// left margin, then 35, or with an image list 12 for the system menu and 10 for others), and
// the skin's drawing on the background of the popup window showing the item's menu.
void MeasureSkinMenuItem(TSkinData* Data, cl::TMenuItem& Item, cl::TCanvas& Canvas, int& Width, int& Height,
                         bool SystemMenu);
void DrawSkinMenuItem(TSkinData* Data, cl::TMenuItem& Item, cl::TCanvas& Canvas, const RECT& Rect, bool Selected,
                      bool RightToLeft);
// Gives Item the skin's drawing and, when Measure is set, its measuring, for as long as
// Data stays registered with the skin manager; after that the item draws its plain look.
void SetSkinItemEvents(cl::TMenuItem& Item, TSkinData* Data, bool RightToLeft, bool Measure);

} // namespace skin
