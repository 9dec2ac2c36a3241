// Bitmap helpers, Windows part.
#include "skin/ImgUtilWin.h"

#include "classlib/Graphics.h"
#include "classlib/WinHandle.h"

namespace skin {

TPixels24 Pixels(cl::TBitmap& bitmap)
{
    if (bitmap.Empty()) return {};
    auto* top = static_cast<std::uint8_t*>(bitmap.ScanLine(0));
    std::ptrdiff_t stride = bitmap.Height() > 1 ? static_cast<std::uint8_t*>(bitmap.ScanLine(1)) - top : 0;
    return {top, bitmap.Width(), bitmap.Height(), stride};
}

namespace {

TPixels24 Pixels24(cl::TBitmap& bitmap)
{
    bitmap.SetPixelFormat(cl::pf24bit);
    return Pixels(bitmap);
}

// Turns bitmap a quarter with rotate(source, dest); width and height swap.
template <class Rotate> void Turn(cl::TBitmap& bitmap, Rotate rotate)
{
    if (bitmap.Empty()) return;
    cl::TBitmap source;
    source.Assign(bitmap);
    TPixels24 from = Pixels24(source);
    bitmap.SetPixelFormat(cl::pf24bit);
    bitmap.SetSize(from.height, from.width);
    rotate(from, Pixels(bitmap));
}

} // namespace

void ReplaceMagenta(cl::TBitmap& bitmap, TColor colour) { ReplaceMagenta(Pixels24(bitmap), cl::ColorToRGB(colour)); }
void MirrorBitmap(cl::TBitmap& bitmap) { MirrorBitmap(Pixels24(bitmap)); }
void FlipBitmap(cl::TBitmap& bitmap) { FlipBitmap(Pixels24(bitmap)); }
void RotateLeft(cl::TBitmap& bitmap) { Turn(bitmap, [](const TPixels24& s, const TPixels24& d) { RotateLeft(s, d); }); }
void RotateRight(cl::TBitmap& bitmap) { Turn(bitmap, [](const TPixels24& s, const TPixels24& d) { RotateRight(s, d); }); }

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
