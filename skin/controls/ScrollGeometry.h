// Scroll-bar arithmetic, free of the platform: the thumb of a scroll-bar control worked out
// from its range, which part of a bar a point falls on, the thumb following the cursor,
// the position a dragged drop-down list thumb stands for, and the skin's strip frames.
#pragma once

namespace skin {

// The platform's scroll codes double as part codes of a bar.
enum TScrollPart { spNone = -1, spLineUp = 0, spLineDown = 1, spPageUp = 2, spPageDown = 3, spThumb = 5 };

struct TThumbSpan {
    int start = 0; // pixels from the bar's start
    int end = 0;
};

// a * b / c rounded to the nearest integer (halves away from zero); -1 when c is 0.
int ScrollMulDiv(int a, int b, int c);

// A scroll-bar control's thumb as painted: length L, arrows A, the platform's range,
// page and position. A page thumb is never shorter than 8 pixels; without a page the thumb
// is an arrow long. An empty range counts as 9999999.
TThumbSpan ControlThumbPainted(int length, int arrow, int nMin, int nMax, unsigned nPage, int nPos);
// The same from the control's own Min, Max, PageSize and Position, as taken at a press:
// no 8-pixel minimum.
TThumbSpan ControlThumbAtPress(int length, int arrow, int min, int max, int pageSize, int position);

// The part under p pixels along a bar of trackLength with arrows of `arrow` pixels.
int ScrollHitTest(int p, int arrow, const TThumbSpan& thumb, int trackLength);

// The thumb moved with the cursor since the press, its length kept, between the arrows.
TThumbSpan ThumbFollowingCursor(int cursor, int pressCursor, int pressThumbStart, int arrow, int trackLength,
                                const TThumbSpan& thumb);

// The position a drop-down list's thumb dragged to offset `off` pixels (from the first
// arrow's end) stands for; track is the bar less both arrows, thumb the thumb's length.
int DraggedThumbPosition(int off, int track, int thumb, int nMin, int nMax, unsigned nPage);

// Frames of the skin's 23-frame "Scrollbar" strip.
constexpr int kScrollStripFrames = 23;
int ArrowFrame(bool vertical, bool last, bool hot, bool pressed);
int GripFrame(bool vertical, bool hot, bool pressed);
// State (frame) of a thumb body: 1 normal, 2 hot and pressed, 3 hot.
int ThumbState(bool hot, bool pressed);

} // namespace skin
