// Frame arithmetic of skinned windows and the opaque runs that make window regions.
#include "skin/draw/RegionRuns.h"
#include "skin/engine/FrameLayout.h"

#include <gtest/gtest.h>

using namespace skin;

namespace {
constexpr std::uint32_t Overlapped = 0x00CF0000; // caption, system menu, thick frame, both boxes
constexpr std::uint32_t Popup = 0x80000000, Caption = 0x00C00000, Border = 0x00800000, Thick = 0x00040000;
} // namespace

TEST(FrameLayout, BorderKindFromStyle)
{
    struct Case {
        std::uint32_t style, ex;
        bool dialogClass;
        TBorderKind kind;
    } cases[] = {
        {Overlapped, 0, false, bkSizeable},
        {Popup | Caption, 0, false, bkFixed},
        {Popup | Border, 0, false, bkNoCaption},  // one caption bit is no caption
        {Popup | Border | Thick, 0, false, bkNoCaption},
        {Popup | Caption | 0x80, 0, false, bkDialog}, // DS_MODALFRAME
        {Overlapped, 0x1, false, bkDialog},          // WS_EX_DLGMODALFRAME wins over a thick frame
        {Overlapped, 0, true, bkDialog},
        {Popup, 0, true, bkDialog},
    };
    for (const Case& c : cases)
        EXPECT_EQ(BorderKindOf(c.style, c.ex, c.dialogClass), c.kind) << std::hex << c.style << " " << c.ex;
}

TEST(FrameLayout, StyleFlags)
{
    EXPECT_EQ(StyleFlagsOf(Overlapped, 0, false), 11u);
    EXPECT_EQ(StyleFlagsOf(Overlapped, 0x400, false), 15u); // context help
    EXPECT_EQ(StyleFlagsOf(Popup | Caption, 0, true), 8u);  // a system menu handle without the style
    EXPECT_EQ(StyleFlagsOf(Popup | Caption, 0, false), 0u);
}

TEST(FrameLayout, ClientRectInsideTheSkinFrame)
{
    const TFrameWidths frame{4, 30, 5, 6};
    EXPECT_EQ(SkinnedClientRect(100, 50, 300, 200, frame, 0), (TRectI{104, 80, 395, 244}));
    EXPECT_EQ(SkinnedClientRect(100, 50, 300, 200, frame, 19), (TRectI{104, 99, 395, 244}));
}

TEST(FrameLayout, HitTestRemapsOnlyNowhereAndCaption)
{
    constexpr int Nowhere = 0, Client = 1, CaptionCode = 2, Menu = 5, Left = 10, Close = 20;
    struct Case {
        int code, y, captionHeight;
        bool menuBar;
        int expected;
    } cases[] = {
        {Nowhere, 2, 30, false, Nowhere},      // the top 3 pixels keep the answer
        {Nowhere, 3, 30, false, Nowhere},
        {Nowhere, 4, 30, false, CaptionCode},
        {CaptionCode, 1, 30, false, CaptionCode},
        {CaptionCode, 40, 30, false, CaptionCode},
        {CaptionCode, 30, 30, true, CaptionCode},
        {CaptionCode, 31, 30, true, Menu},
        {Nowhere, 45, 30, true, Menu},
        {Left, 50, 30, true, Left},
        {Client, 50, 30, true, Client},
        {Close, 10, 30, false, Close},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SkinnedHitTest(c.code, c.y, c.captionHeight, c.menuBar), c.expected) << c.code << " at " << c.y;
}

TEST(FrameLayout, TitleBandPlacement)
{
    const TRectI area{4, 0, 504, 30}; // 500 x 30
    TTitleSettings s;
    s.shift = 16;
    s.shiftVert = 2;
    s.rightClip = 75;
    struct Case {
        const char* what;
        int alignment, textWidth, backLeft, backRight, shiftVert;
        TTitleWindow window;
        TRectI expected;
    } cases[] = {
        {"left", 0, 100, 0, 0, 2, {}, {20, 8, 120, 24}},
        {"centre", 1, 100, 0, 0, 2, {}, {204, 8, 304, 24}},
        {"right", 2, 100, 0, 0, 2, {}, {329, 8, 429, 24}},
        {"other alignment", 7, 100, 0, 0, 2, {}, {4, 8, 104, 24}},
        {"clipped before TextRightClip", 0, 480, 0, 0, 2, {}, {20, 8, 429, 24}},
        {"popup clipped before the buttons", 0, 480, 0, 0, 2, {false, true, false, 80}, {20, 8, 419, 24}},
        {"popup with a small reserve", 0, 480, 0, 0, 2, {false, true, false, 5}, {20, 8, 500, 24}},
        {"right to left", 0, 100, 0, 0, 2, {true, false, false, 80}, {334, 8, 434, 24}},
        {"right to left, too wide", 0, 480, 0, 0, 2, {true, false, false, 80}, {26, 8, 434, 24}},
        {"right to left, right aligned", 2, 100, 0, 0, 2, {true, false, false, 0}, {30, 8, 130, 24}},
        {"dialog", 0, 100, 0, 0, 2, {false, false, true, 0}, {4, 8, 120, 24}},
        {"dialog centred", 1, 100, 0, 0, 2, {false, false, true, 0}, {204, 8, 304, 24}},
        {"text back caps", 1, 100, 6, 8, 2, {}, {197, 8, 311, 24}},
        {"negative vertical shift", 0, 100, 0, 0, -3, {}, {20, 6, 120, 22}},
    };
    for (const Case& c : cases) {
        TTitleSettings t = s;
        t.alignment = c.alignment;
        t.backLeft = c.backLeft;
        t.backRight = c.backRight;
        t.shiftVert = c.shiftVert;
        const TRectI r = TitleBand(area, c.textWidth, 16, t, c.window);
        EXPECT_EQ(r, c.expected) << c.what << ": " << r.left << "," << r.top << "," << r.right << "," << r.bottom;
    }
}

TEST(RegionRuns, RunsOfNonKeyPixels)
{
    constexpr std::uint32_t K = 0xFF00FF, O = 0x336699;
    const std::uint32_t pixels[] = {
        K, O, O, K, O, 0xDEAD, // row 0 (the sixth pixel is outside the width)
        O, O, O, O, O, 0xDEAD, // row 1
        K, K, K, K, K, 0xDEAD, // row 2: fully transparent
    };
    TKeyRange key;
    const auto runs = OpaqueRuns(pixels, 5, 3, 6, key, 10, 20);
    const std::vector<TRectI> expected{{11, 20, 13, 21}, {14, 20, 15, 21}, {10, 21, 15, 22}};
    EXPECT_EQ(runs, expected);
}

TEST(RegionRuns, ToleranceAboveTheKeyOnly)
{
    TKeyRange key;
    key.tolRed = key.tolGreen = key.tolBlue = 1;
    // Red and blue are capped at 255; green may be 0 or 1.
    const std::uint32_t pixels[] = {0xFF00FF, 0xFF01FF, 0xFF02FF, 0xFE00FF, 0xFF00FE};
    const auto runs = OpaqueRuns(pixels, 5, 1, 5, key, 0, 0);
    const std::vector<TRectI> expected{{2, 0, 5, 1}};
    EXPECT_EQ(runs, expected);
}
