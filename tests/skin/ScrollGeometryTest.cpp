// Scroll-bar arithmetic: a scroll-bar control's thumb when painted and at a press, part
// hit tests, the dragged thumb's bounds and position, and the strip frames of each state.
#include "skin/controls/ScrollGeometry.h"

#include <gtest/gtest.h>

using namespace skin;

TEST(ScrollGeometry, MulDivRoundsHalvesAwayFromZeroAndRefusesZero)
{
    EXPECT_EQ(ScrollMulDiv(7, 1, 2), 4);
    EXPECT_EQ(ScrollMulDiv(-7, 1, 2), -4);
    EXPECT_EQ(ScrollMulDiv(68, 9, 100), 6);
    EXPECT_EQ(ScrollMulDiv(1, 1, 0), -1);
    EXPECT_EQ(ScrollMulDiv(2000000, 3000, 1000), 6000000); // no 32-bit overflow on the way
}

TEST(ScrollGeometry, PaintedControlThumb)
{
    struct Case {
        const char* name;
        int length, arrow, nMin, nMax;
        unsigned nPage;
        int nPos, start, end;
    } cases[] = {
        {"small page at the start gets 8 pixels", 100, 16, 0, 100, 10, 0, 16, 24},
        {"small page in the middle", 100, 16, 0, 100, 10, 50, 46, 54},
        {"large page", 200, 16, 0, 100, 50, 25, 58, 140},
        {"no page: an arrow long", 100, 16, 0, 10, 0, 5, 42, 58},
        {"empty range stands for 9999999", 100, 16, 5, 5, 1, 6, 16, 24},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TThumbSpan t = ControlThumbPainted(c.length, c.arrow, c.nMin, c.nMax, c.nPage, c.nPos);
        EXPECT_EQ(t.start, c.start);
        EXPECT_EQ(t.end, c.end);
    }
}

TEST(ScrollGeometry, ControlThumbAtPressHasNoMinimumLength)
{
    struct Case {
        const char* name;
        int length, arrow, min, max, page, position, start, end;
    } cases[] = {
        {"small page in the middle", 100, 16, 0, 100, 10, 50, 50, 56},
        {"at the minimum", 100, 16, 0, 100, 10, 0, 16, 22},
        {"no page", 100, 16, 0, 10, 0, 5, 42, 58},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TThumbSpan t = ControlThumbAtPress(c.length, c.arrow, c.min, c.max, c.page, c.position);
        EXPECT_EQ(t.start, c.start);
        EXPECT_EQ(t.end, c.end);
    }
}

TEST(ScrollGeometry, HitTestNamesEachPart)
{
    const TThumbSpan thumb{40, 60};
    const struct {
        int p, part;
    } cases[] = {{0, spLineUp},    {15, spLineUp},    {16, spPageUp},     {39, spPageUp},     {40, spThumb},
                 {59, spThumb},    {60, spPageDown},  {183, spPageDown},  {184, spLineDown}, {199, spLineDown}};
    for (const auto& c : cases) EXPECT_EQ(ScrollHitTest(c.p, 16, thumb, 200), c.part) << "at " << c.p;
}

TEST(ScrollGeometry, DraggedThumbStaysBetweenTheArrowsAndKeepsItsLength)
{
    const TThumbSpan thumb{40, 60};
    const struct {
        int cursor, start;
    } cases[] = {{110, 50}, {100, 40}, {0, 16}, {300, 164}};
    for (const auto& c : cases) {
        const TThumbSpan t = ThumbFollowingCursor(c.cursor, 100, 40, 16, 200, thumb);
        EXPECT_EQ(t.start, c.start) << "cursor " << c.cursor;
        EXPECT_EQ(t.end, c.start + 20) << "cursor " << c.cursor;
    }
}

TEST(ScrollGeometry, DraggedListThumbPosition)
{
    struct Case {
        const char* name;
        int off, track, thumb, nMin, nMax;
        unsigned nPage;
        int pos;
    } cases[] = {
        {"page: in the middle", 40, 100, 20, 0, 100, 20, 40},
        {"page: past the end stops at the last page", 90, 100, 20, 0, 100, 20, 81},
        {"page: above the start", -5, 100, 20, 0, 100, 20, 0},
        {"no page: in the middle", 40, 100, 20, 0, 50, 0, 20},
        {"no page: past the end", 95, 100, 20, 0, 50, 0, 40},
        {"no page: range not from 0", 0, 100, 20, 10, 50, 0, 10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(DraggedThumbPosition(c.off, c.track, c.thumb, c.nMin, c.nMax, c.nPage), c.pos);
    }
}

TEST(ScrollGeometry, StripFramesOfEachState)
{
    // Arrows: base, +1 hot and pressed, +3 hot.
    EXPECT_EQ(ArrowFrame(false, false, false, false), 1);
    EXPECT_EQ(ArrowFrame(false, false, true, true), 2);
    EXPECT_EQ(ArrowFrame(false, false, true, false), 4);
    EXPECT_EQ(ArrowFrame(false, true, false, true), 5);
    EXPECT_EQ(ArrowFrame(true, false, false, false), 9);
    EXPECT_EQ(ArrowFrame(true, true, true, true), 14);
    EXPECT_EQ(ArrowFrame(true, true, true, false), 16);
    // Grip: base, +1 pressed, +2 hot.
    EXPECT_EQ(GripFrame(false, false, false), 17);
    EXPECT_EQ(GripFrame(true, false, true), 20);
    EXPECT_EQ(GripFrame(true, true, true), 21);
    EXPECT_EQ(GripFrame(true, true, false), 22);
    EXPECT_EQ(ThumbState(false, true), 1);
    EXPECT_EQ(ThumbState(true, true), 2);
    EXPECT_EQ(ThumbState(true, false), 3);
}
