// Bitmap helpers, Windows part: system colours in blends, gradient fills on a device
// context. The pixel work itself is in ImgUtil.h.
#pragma once

#include "skin/ImgUtil.h"

#include "classlib/Graphics.h"

#include <windows.h>

namespace skin {

// The pixels of a 24-bit bitmap (as the bitmap's rows run, from the top).
TPixels24 Pixels(cl::TBitmap& bitmap);

// On the class library's bitmaps, switched to 24 bits per pixel first.
void ReplaceMagenta(cl::TBitmap& bitmap, TColor colour);
void MirrorBitmap(cl::TBitmap& bitmap);
void FlipBitmap(cl::TBitmap& bitmap);
void RotateLeft(cl::TBitmap& bitmap);
void RotateRight(cl::TBitmap& bitmap);

// BlendRGB with system colours (negative values) resolved first.
TColor Blend(TColor c1, TColor c2, int amount);

// Paints the ramp from c1 to c2 across R (rows when vertical, else columns), one brush
// per 1-pixel band, only the bands inside the DC's clip box.
void FillGradient(HDC dc, const RECT& R, TColor c1, bool vertical, TColor c2);

} // namespace skin
