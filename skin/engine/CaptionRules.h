// Caption-button rules of a skinned window, free of the platform: when a button shows and
// is enabled, where it sits, which frame it draws, what its action does, its hint and when
// the hint shows, and the caption menu's items and place.
#pragma once

#include "skin/engine/FrameLayout.h"

#include <functional>
#include <string>
#include <vector>

namespace skin {

// What the visibility rules read of a window.
struct TCaptionWindow {
    bool maximized = false;
    bool active = true;
    bool maximizeBox = false;
    bool minimizeBox = false;
    bool systemMenu = false;
    bool contextHelp = false;
    TBorderKind border = bkFixed;
    bool dialogAutoWidth = false;
    // An MDI frame whose active child is maximised, with a skinned menu bar.
    bool mdiMaximizedMenuBar = false;
};

// The program's answer to the visibility query (visibility, action); asked only for
// visibility codes 1000 to 2000.
using TVisibleQuery = std::function<long(int visibility, int action)>;

struct TButtonShow {
    bool visible = false;
    bool enabled = true;
};

// Visibility and enabled flag of a button with that action and visibility codes; enabled
// is the flag it had, changed for actions 1 and 2 only.
TButtonShow CaptionButtonShow(int action, int visibility, int visibility1, bool enabled, const TCaptionWindow& window,
                              const TVisibleQuery& query);

// What placement reads of the window.
struct TCaptionPlace {
    int windowWidth = 0;
    int titleBandLeft = 0, titleBandRight = 0;
    int rightFrame = 0;
    int menuBarTileLeft = 0; // of the skin's menu-bar image; 0 without one
    int captionHeight = 0;
    int menuBarHeight = 0;
};

// The window-relative rectangle of a button of width x height.
TRectI CaptionButtonRect(int align, int xCoord, int yCoord, int width, int height, const TCaptionPlace& place);

// The frame the caption paint draws (1 or 4).
int CaptionPaintFrame(int frames, bool active, bool enabled);
// The frame a hover, press or release draws when Asked is requested.
int CaptionButtonFrame(int asked, int frames, bool enabled, int visibility);

enum TCaptionActionKind {
    cakClose, cakMaximize, cakMinimize, cakSystemMenu, cakHelp, cakMDIMinimize, cakMDIRestore, cakMDIClose,
    cakCaptionMenu, cakPost
};
TCaptionActionKind CaptionActionKind(int action);
// Actions 3 and 11: the system-menu button, drawn as the window icon.
inline bool IsSystemMenuAction(int action) { return action == 3 || action == 11; }

// The hint of a button's action; empty for most.
std::wstring CaptionButtonHint(int action);

enum THintStep { hsNone, hsShow, hsHide };
// What the hover timer does with the hint once the hover time has reached hoverTime.
THintStep CaptionHintStep(int hoverTime, int hintPause, int hintHidePause);

struct TCaptionMenuItem {
    const wchar_t* caption; // null for a separator
    const char* name;
    int tag;
};
const std::vector<TCaptionMenuItem>& CaptionMenuItems();

// Where the caption menu pops up: the client origin's screen position plus this.
inline int CaptionMenuX(int clientOriginX, int windowWidth) { return clientOriginX + windowWidth - 218; }
inline int CaptionMenuY(int clientOriginY, int titleTextTop) { return clientOriginY + titleTextTop - 7; }

} // namespace skin
