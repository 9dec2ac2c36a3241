// The skin engine's private window messages, in one place for the engine and the windows
// it skins.
#pragma once

#include <windows.h>

namespace skin {

constexpr UINT WM_SKIN_REFRESH = 0x3401;           // re-apply the skin's colours
constexpr UINT WM_SKIN_NCPAINT = 0x3502;           // repaint the skinned frame
constexpr UINT WM_SKIN_INIT = 0x3503;              // posted once after attaching: completes skinning
constexpr UINT WM_SKIN_CAPTION_BUTTON = 0x3514;    // to the program; wParam: the caption button's action
constexpr UINT WM_SKIN_BUTTON_VISIBLE = 0x3515;    // to the program; wParam visibility code, lParam action
constexpr UINT WM_SKIN_MDI_REDRAW = 0x3516;        // to the MDI client: redraw the frame
constexpr UINT WM_SKIN_RESKIN_SCROLLBARS = 0x3517; // wParam: the re-created control's old window
constexpr UINT WM_SKIN_MENUBAR_CLICK = 0x3518;     // lParam: a screen point
constexpr UINT WM_SKIN_QUERY = 0x3523;             // answered 1 by a window any skin engine skins
constexpr UINT WM_SKIN_CAPTION_MENU = 0x4401;      // to the program; wParam: the caption menu item's tag
constexpr UINT WM_SKIN_PAINT_FRAME_DC = 0xBC4B;    // wParam a DC, lParam SKIN_MAGIC
constexpr UINT WM_SKIN_IS_FORM = 0xBC4D;           // lParam SKIN_MAGIC: answered SKIN_MAGIC
constexpr UINT WM_SKIN_DONE = 0xBC4E;              // posted to itself when skinned, lParam SKIN_MAGIC

constexpr LPARAM SKIN_MAGIC = 0x41A2;

} // namespace skin
