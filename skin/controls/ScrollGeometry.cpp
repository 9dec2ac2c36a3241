// Scroll-bar arithmetic.
#include "skin/controls/ScrollGeometry.h"

#include <algorithm>
#include <cstdint>

namespace skin {

int ScrollMulDiv(int a, int b, int c)
{
    if (c == 0) return -1;
    std::int64_t n = static_cast<std::int64_t>(a) * b;
    std::int64_t d = c;
    if (d < 0) {
        n = -n;
        d = -d;
    }
    const std::int64_t q = n >= 0 ? (n + d / 2) / d : -((-n + d / 2) / d);
    return static_cast<int>(q);
}

TThumbSpan ControlThumbPainted(int length, int arrow, int nMin, int nMax, unsigned nPage, int nPos)
{
    const int range = nMax == nMin ? 9999999 : nMax - nMin;
    const int shaft = length - 2 * arrow;
    int t = 0, s = arrow;
    if (nPage != 0) {
        t = ScrollMulDiv(shaft, static_cast<int>(nPage) - 1, range);
        if (t > 7) {
            if (nPos != nMin) s = ScrollMulDiv(shaft, nPos - nMin, range) + arrow;
        } else {
            t = 8;
            if (nPos != nMin) s = ScrollMulDiv(shaft - 8, nPos - nMin, range) + arrow;
        }
    } else {
        t = arrow;
        if (nPos != nMin) s = ScrollMulDiv(length - 3 * arrow, nPos - nMin, range) + arrow;
    }
    return {s, s + t};
}

TThumbSpan ControlThumbAtPress(int length, int arrow, int min, int max, int pageSize, int position)
{
    const int d = max - min;
    int t = arrow, k = 3;
    if (pageSize != 0) {
        t = ScrollMulDiv(length - 2 * arrow, pageSize - 1, d);
        k = 2;
    }
    const int s = position == min ? arrow : ScrollMulDiv(length - k * arrow, position - min, d) + arrow;
    return {s, s + t};
}

int ScrollHitTest(int p, int arrow, const TThumbSpan& thumb, int trackLength)
{
    if (p < arrow) return spLineUp;
    if (p < thumb.start) return spPageUp;
    if (p < thumb.end) return spThumb;
    if (p < trackLength - arrow) return spPageDown;
    return spLineDown;
}

TThumbSpan ThumbFollowingCursor(int cursor, int pressCursor, int pressThumbStart, int arrow, int trackLength,
                                const TThumbSpan& thumb)
{
    const int length = thumb.end - thumb.start;
    int start = cursor + pressThumbStart - pressCursor;
    start = std::min(start, trackLength - arrow - length);
    start = std::max(start, arrow);
    return {start, start + length};
}

int DraggedThumbPosition(int off, int track, int thumb, int nMin, int nMax, unsigned nPage)
{
    off = std::max(off, 0);
    int pos = 0;
    if (nPage == 0) {
        off = std::min(off, track - thumb);
        pos = std::min(ScrollMulDiv(off, nMax - nMin, track) + nMin, nMax);
    } else {
        const int page = static_cast<int>(nPage);
        if (off > track - thumb) off = track - thumb + 1;
        pos = ScrollMulDiv(off, nMax - nMin - page, track - thumb) + nMin;
        if (pos >= nMax - page) pos = nMax - page + 1;
    }
    return std::max(pos, nMin);
}

int ArrowFrame(bool vertical, bool last, bool hot, bool pressed)
{
    const int base = vertical ? (last ? 13 : 9) : (last ? 5 : 1);
    if (!hot) return base;
    return pressed ? base + 1 : base + 3;
}

int GripFrame(bool vertical, bool hot, bool pressed)
{
    const int base = vertical ? 20 : 17;
    if (!hot) return base;
    return pressed ? base + 1 : base + 2;
}

int ThumbState(bool hot, bool pressed)
{
    if (!hot) return 1;
    return pressed ? 2 : 3;
}

} // namespace skin
