// Bitmap helpers, Windows part.
#include "skin/ImgUtilWin.h"

#include "classlib/Graphics.h"
#include "classlib/WinHandle.h"

namespace skin {

TColor Blend(TColor c1, TColor c2, int amount) { return BlendRGB(cl::ColorToRGB(c1), cl::ColorToRGB(c2), amount); }

void FillGradient(HDC dc, const RECT& R, TColor c1, bool vertical, TColor c2)
{
    if (!RectVisible(dc, &R)) return;
    c1 = cl::ColorToRGB(c1);
    c2 = cl::ColorToRGB(c2);
    RECT clip;
    GetClipBox(dc, &clip);
    const int start = vertical ? R.top : R.left;
    const int length = vertical ? R.bottom - R.top : R.right - R.left;
    if (length <= 0) return;
    const int clipStart = vertical ? clip.top : clip.left;
    const int clipEnd = vertical ? clip.bottom : clip.right;
    const int first = clipStart > start ? clipStart - start : 0;
    const int last = clipEnd < start + length ? clipEnd - start - 1 : length - 1;
    const auto& ramp = ColorRampSlot(GetColorRamp(length, c1, c2));
    for (int k = first; k <= last; ++k) {
        RECT band = vertical ? RECT{R.left, start + k, R.right, start + k + 1}
                             : RECT{start + k, R.top, start + k + 1, R.bottom};
        cl::BrushHandle brush(CreateSolidBrush(static_cast<COLORREF>(ramp[k])));
        FillRect(dc, &band, brush.get());
    }
}

} // namespace skin
