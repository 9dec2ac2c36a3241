// Drawing skin frames: frame selection in a strip, nine-part fitting with fixed margins,
// three-part strips, tiling, transparent drawing with magenta as the key colour, window
// regions from the non-key pixels, and a control's parent painted under it.
#pragma once

#include "skin/ImgUtil.h"
#include "skin/draw/RegionRuns.h"

#include "classlib/Graphics.h"

#include <windows.h>

#include <memory>

namespace skin {

// Bitmap at Rect's top-left, Rect's size, leaving the key-colour pixels of it undrawn.
void DrawTransparent(HDC DC, const RECT& Rect, cl::TBitmap& Bitmap, TColor Key);
// Frame K (from 1) of Count frames side by side, stretched to Rect.
void DrawFrame(HDC DC, const RECT& Rect, cl::TBitmap& Bitmap, bool Transparent, int Count, int K);
// Frame K at its own size, centred in Rect.
void DrawFrameCentered(HDC DC, const RECT& Rect, cl::TBitmap& Bitmap, bool Transparent, int Count, int K);
// A new bitmap of Rect's size from frame K: corners and edges keep the margins (left,
// top, right, bottom of Margins), the middle is stretched or tiled.
std::unique_ptr<cl::TBitmap> MakeNinePartBitmap(const RECT& Rect, cl::TBitmap& Bitmap, const RECT& Margins,
                                                bool FramesVertical, bool Tile, int Count, int K);
void DrawSkinPart(HDC DC, const RECT& Rect, cl::TBitmap& Bitmap, bool FramesVertical, bool Tile, bool Transparent,
                  int Count, int K, const RECT& Margins);
// The Source part of Bitmap repeated over Rect from its top-left.
void TileDraw(HDC DC, const RECT& Rect, cl::TBitmap& Bitmap, const RECT& Source);
// Frame K in three parts across, each stretched to Rect's height: the left margin, the
// middle repeated at its own width, the right margin over whatever the middle ran past.
// Only Margins.left and Margins.right count.
void DrawHorzStrip(HDC DC, const RECT& Rect, cl::TBitmap& Bitmap, bool FramesVertical, bool Transparent, int Count,
                   int K, const RECT& Margins);
// Frame K stretched straight onto DC in three parts across (left margin, middle, right
// margin); a destination narrower than the frame takes the whole frame stretched.
void DrawThreePartStretch(HDC DC, const RECT& Rect, cl::TBitmap& Bitmap, bool FramesVertical, int Count, int K,
                          const RECT& Margins);
// The region of Bitmap's pixels outside Key's range, moved by (dx, dy); the caller owns
// it. Switches Bitmap to 32 bits per pixel. An all-key bitmap gives an empty region.
cl::RegionHandle RegionFromBitmap(cl::TBitmap& Bitmap, int dx, int dy, const TKeyRange& Key);

} // namespace skin

namespace cl {
class TControl;
}

namespace skin {

// Paints the control's parent, under the control, into DC (the control's coordinates).
void PaintParentBackground(cl::TControl& Control, HDC DC);

} // namespace skin
