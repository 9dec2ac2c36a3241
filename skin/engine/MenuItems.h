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
// height + 4, or 8 for an empty text.
void MeasureMenuHandleItem(TSkinData* Data, HMENU Menu, MEASUREITEMSTRUCT& Item);
// WM_DRAWITEM for an item of a platform menu: a temporary item made from the menu
// handle's entry, drawn through a scratch bitmap of the item's size.
void DrawMenuHandleItem(TSkinData* Data, const DRAWITEMSTRUCT& Item);

// The class library's item events of the engine's own popup menus.
void MeasureSkinMenuItem(TSkinData* Data, cl::TMenuItem& Item, cl::TCanvas& Canvas, int& Width, int& Height);
void DrawSkinMenuItem(TSkinData* Data, cl::TMenuItem& Item, cl::TCanvas& Canvas, const RECT& Rect, bool Selected);

} // namespace skin
