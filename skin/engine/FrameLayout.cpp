// Frame arithmetic of a skinned window.
#include "skin/engine/FrameLayout.h"

namespace skin {

TBorderKind BorderKindOf(std::uint32_t s, std::uint32_t ex, bool dialogClass)
{
    TBorderKind kind = bkFixed;
    if ((s & style::Caption) != style::Caption) kind = bkNoCaption;
    else if (s & style::ThickFrame) kind = bkSizeable;
    else if (s & style::ModalFrame) kind = bkDialog;
    if (ex & style::ExDlgModalFrame) kind = bkDialog;
    if (dialogClass) kind = bkDialog;
    return kind;
}

unsigned StyleFlagsOf(std::uint32_t s, std::uint32_t ex, bool hasSystemMenu)
{
    unsigned flags = 0;
    if ((s & style::SysMenu) || hasSystemMenu) flags |= sfSystemMenu;
    if (s & style::MinimizeBox) flags |= sfMinimizeBox;
    if (s & style::MaximizeBox) flags |= sfMaximizeBox;
    if (ex & style::ExContextHelp) flags |= sfContextHelp;
    return flags;
}

TRectI SkinnedClientRect(int x, int y, int cx, int cy, const TFrameWidths& f, int menuBarHeight)
{
    return {x + f.left, y + f.top + menuBarHeight, x + cx - f.right, y + cy - f.bottom};
}

int SkinnedHitTest(int defaultCode, int y, int captionHeight, bool hasMenuBar)
{
    constexpr int HtNowhere = 0, HtCaption = 2, HtMenu = 5;
    if (defaultCode != HtNowhere && defaultCode != HtCaption) return defaultCode;
    int code = defaultCode;
    if (y > 3) code = HtCaption;
    if (hasMenuBar && y > captionHeight) code = HtMenu;
    return code;
}

TRectI TitleBand(const TRectI& area, int textWidth, int textHeight, const TTitleSettings& t, const TTitleWindow& w)
{
    const int width = textWidth + t.backLeft + t.backRight;
    const int aw = area.Width(), ah = area.Height();
    int x = 0;
    switch (t.alignment) {
    case 0: x = t.shift; break;
    case 1: x = (aw - width) / 2; break;
    case 2: x = aw - t.rightClip - width; break;
    default: break;
    }
    if (w.rightToLeft) {
        switch (t.alignment) {
        case 0: x = aw - w.reserve - width; break;
        case 1: x = (aw - width - w.reserve) / 2; break;
        case 2: x = t.shift; break;
        default: break;
        }
    }
    const int y = (ah - textHeight) / 2 + t.shiftVert / 2;
    TRectI r{area.left + x, area.top + y, area.left + x + width, area.top + y + textHeight};
    if (w.rightToLeft && x <= 0) r.left = t.shift;
    if (w.rightToLeft) {
        r.left += 10;
        r.right += 10;
    } else if (!w.popup) {
        if (r.right > area.right - t.rightClip) r.right = area.right - t.rightClip;
    } else if (w.reserve > 5 && r.right > area.right - w.reserve - 5) {
        r.right = area.right - w.reserve - 5;
    }
    if (w.dialog && t.alignment == 0) r.left -= 16;
    return r;
}

} // namespace skin
