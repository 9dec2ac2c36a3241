// Drawing skin frames: frame selection in a strip, nine-part fitting with fixed margins,
// tiling, and transparent drawing with magenta as the key colour.
#pragma once

#include "skin/ImgUtil.h"

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

} // namespace skin
