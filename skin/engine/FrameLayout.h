// Frame arithmetic of a skinned window, free of the platform: how the window's style reads
// as border kind and caption flags, where the client area goes inside the skin's frame,
// how hit-test answers are re-mapped, and where the title text goes in the caption band.
#pragma once

#include <cstdint>

namespace skin {

struct TRectI {
    int left = 0, top = 0, right = 0, bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    friend bool operator==(const TRectI& a, const TRectI& b)
    {
        return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
    }
};

// Frame widths from the skin's borders: left, caption height (top), right, bottom.
struct TFrameWidths {
    int left = 0, top = 0, right = 0, bottom = 0;
};

enum TBorderKind : std::uint8_t { bkSizeable = 0, bkFixed = 1, bkNoCaption = 2, bkDialog = 3 };

// Style flags of a skinned window.
enum TStyleFlag : std::uint8_t {
    sfMaximizeBox = 1, sfMinimizeBox = 2, sfContextHelp = 4, sfSystemMenu = 8, sfKeepSysMenu = 16
};

// The style bits the rules read, as the platform defines them.
namespace style {
constexpr std::uint32_t Child = 0x40000000, Popup = 0x80000000, Caption = 0x00C00000, SysMenu = 0x00080000,
                        ThickFrame = 0x00040000, MinimizeBox = 0x00020000, MaximizeBox = 0x00010000,
                        ModalFrame = 0x80; // DS_MODALFRAME
constexpr std::uint32_t ExDlgModalFrame = 0x1, ExMdiChild = 0x40, ExContextHelp = 0x400, ExAppWindow = 0x40000,
                        ExLeftScrollBar = 0x4000;
} // namespace style

// Border kind: fixed to start; no caption without both caption bits; sizeable with a
// thick frame; dialog with a modal frame; dialog whenever the extended style has a
// dialog-modal frame or the class is a dialog ("#32770" or "TMessageForm").
TBorderKind BorderKindOf(std::uint32_t style, std::uint32_t exStyle, bool dialogClass);

// Caption flags from the style (sfKeepSysMenu is decided elsewhere).
unsigned StyleFlagsOf(std::uint32_t style, std::uint32_t exStyle, bool hasSystemMenu);

// The client rectangle inside a window at (x, y) of size cx x cy.
TRectI SkinnedClientRect(int x, int y, int cx, int cy, const TFrameWidths& frame, int menuBarHeight);

// Re-maps the platform's hit-test answer for a point at y pixels below the window's top:
// "nowhere" and "caption" become caption below the top 3 pixels, and menu below the
// caption when there is a menu bar; every other answer stands.
int SkinnedHitTest(int defaultCode, int y, int captionHeight, bool hasMenuBar);

// Where the title text goes in a caption band (Area) of the given size.
struct TTitleSettings {
    int alignment = 0; // 0 left, 1 centre, 2 right
    int shift = 0;     // TextShift
    int shiftVert = 0; // TextShiftVert
    int rightClip = 0; // TextRightClip
    int backLeft = 0;  // TXTBackleft
    int backRight = 0; // TXTBackRight
};
struct TTitleWindow {
    bool rightToLeft = false;
    bool popup = false;  // WS_POPUP
    bool dialog = false; // border kind dialog
    int reserve = 0;     // the right-aligned caption buttons' room
};
// The title band: Area is where the caption band is, textWidth x textHeight the measured
// text (DT_CALCRECT).
TRectI TitleBand(const TRectI& area, int textWidth, int textHeight, const TTitleSettings& settings,
                 const TTitleWindow& window);

} // namespace skin
