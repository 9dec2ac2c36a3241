// Caption-button rules of a skinned window.
#include "skin/engine/CaptionRules.h"

namespace skin {

namespace {

bool Shared(int code, const TCaptionWindow& w, bool& result)
{
    switch (code) {
    case 0: result = true; return true;
    case 1: result = w.maximized; return true;
    case 2: result = !w.maximized; return true;
    case 3: result = w.active; return true;
    case 4: result = !w.active; return true;
    case 7: result = !w.maximizeBox; return true;
    case 9: result = !w.minimizeBox; return true;
    default: return false;
    }
}

bool First(int code, int action, const TCaptionWindow& w, const TVisibleQuery& query)
{
    bool result = false;
    if (Shared(code, w, result)) return result;
    switch (code) {
    case 6:
    case 8: return (w.minimizeBox || w.maximizeBox) && w.systemMenu;
    case 10: return w.contextHelp && !w.minimizeBox && !w.maximizeBox;
    // Sizeable windows with a minimise box only: fixed borders and dialogs never.
    case 13: return w.border == bkSizeable && w.minimizeBox;
    case 100: return w.mdiMaximizedMenuBar;
    case 200: return w.border == bkDialog && !w.dialogAutoWidth;
    default: break;
    }
    if (code >= 201 && code <= 999) return true;
    if (code >= 1000 && code <= 2000) return query && query(code, action) > 0;
    return false;
}

bool Second(int code, bool first, const TCaptionWindow& w)
{
    bool result = false;
    if (Shared(code, w, result)) return result;
    switch (code) {
    case 6:
    case 8: return w.minimizeBox || w.maximizeBox;
    case 10: return w.contextHelp;
    case 100: return first;
    default: return false;
    }
}

} // namespace

TButtonShow CaptionButtonShow(int action, int visibility, int visibility1, bool enabled, const TCaptionWindow& window,
                              const TVisibleQuery& query)
{
    TButtonShow show;
    const bool first = First(visibility, action, window, query);
    show.visible = first && Second(visibility1, first, window);
    if (action == 0 && !window.systemMenu) show.visible = false;
    if ((action == 3 || action == 11 || action == 12) && window.border == bkDialog) show.visible = false;
    show.enabled = enabled;
    if (action == 1) show.enabled = window.maximizeBox && window.systemMenu;
    if (action == 2) show.enabled = window.minimizeBox && window.systemMenu;
    return show;
}

TRectI CaptionButtonRect(int align, int xCoord, int yCoord, int width, int height, const TCaptionPlace& p)
{
    int x = 0, y = 0;
    switch (align) {
    case 0: x = xCoord; y = yCoord; break;
    case 1: x = p.windowWidth - xCoord; y = yCoord; break;
    case 2:
    case 8: x = p.titleBandLeft - width - xCoord; y = yCoord; break;
    case 3:
    case 9: x = p.titleBandRight + xCoord; y = yCoord; break;
    case 100:
        x = p.windowWidth - xCoord - p.rightFrame - p.menuBarTileLeft;
        y = p.captionHeight + (p.menuBarHeight - height) / 2;
        break;
    default: break;
    }
    return TRectI{x, y, x + width, y + height};
}

int CaptionPaintFrame(int frames, bool active, bool enabled) { return frames < 4 || (active && enabled) ? 1 : 4; }

int CaptionButtonFrame(int asked, int frames, bool enabled, int visibility)
{
    if (!enabled) return frames > 3 ? 4 : 1;
    if (visibility == 100 && asked == 3) return 4;
    return asked;
}

TCaptionActionKind CaptionActionKind(int action)
{
    switch (action) {
    case 0: return cakClose;
    case 1:
    case 22: return cakMaximize;
    case 2:
    case 23: return cakMinimize;
    case 3:
    case 11: return cakSystemMenu;
    case 4: return cakHelp;
    case 7:
    case 60: return cakMDIMinimize;
    case 8:
    case 61: return cakMDIRestore;
    case 9:
    case 62: return cakMDIClose;
    case 12: return cakCaptionMenu;
    default: return cakPost;
    }
}

std::wstring CaptionButtonHint(int action)
{
    switch (action) {
    case 0:
    case 9:
    case 62: return L"\u5173\u95ed"; // close
    case 1:
    case 22: return L"\u6700\u5927\u5316"; // maximise
    case 2:
    case 7:
    case 23:
    case 60: return L"\u6700\u5c0f\u5316"; // minimise
    case 8:
    case 61: return L"\u8fd8\u539f"; // restore
    default: return {};
    }
}

THintStep CaptionHintStep(int hoverTime, int hintPause, int hintHidePause)
{
    const int show = hintPause * 2;
    if (hoverTime >= show + hintHidePause) return hsHide;
    if (hoverTime >= show) return hsShow;
    return hsNone;
}

const std::vector<TCaptionMenuItem>& CaptionMenuItems()
{
    static const std::vector<TCaptionMenuItem> items = {
        {L"\u8bbf\u95ee\u4e3b\u9875", "Home", 1},
        {L"\u5173\u4e8e Orvane\u6e38\u620f\u76d2", "About", 2},
        {nullptr, "", 0},
        {L"\u8bbe\u7f6e", "Setting", 3},
        {L"\u68c0\u67e5\u66f4\u65b0", "Update", 4},
        {nullptr, "", 0},
        {L"\u9000\u51fa", "Exit", 5},
    };
    return items;
}

} // namespace skin
