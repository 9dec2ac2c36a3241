// Picture operations of the PNG image list: fading by alpha, greying, drawing with the
// disabled-image effects, and PNG pictures made from bitmaps, masks, icons and entries
// of image lists.
#pragma once

#include "classlib/ImgList.h"
#include "classlib/PngImage.h"

#include <cstdint>
#include <memory>

namespace tray {

enum TPngOption { pngBlendOnDisabled, pngGrayscaleOnDisabled };
using TPngOptions = unsigned; // bit (1 << TPngOption)
extern const cl::TEnumType PngOptionType;

// Alpha scaled by (amount + 1) / 256; colour types 0 and 3 become colour pictures with
// alpha amount. The single transparent colour, if any, gets alpha 0.
void FadePngAlpha(cl::TPngPicture& png, std::uint8_t amount);
// Colours moved towards their grey by amount (255: fully grey); palettes are greyed in
// place, grey pictures are left alone.
void GreyPngColours(cl::TPngPicture& png, std::uint8_t amount);
// Draws png into r, faded and/or greyed on a copy as the options say.
void DrawPngWithOptions(cl::TPngPicture& png, cl::TCanvas& canvas, const RECT& r, TPngOptions options);

// A new picture from a PNG picture (a copy), a bitmap (its transparent colour clear) or an
// icon (its mask, and its own alpha where the display has 32 bits); other graphics give
// an empty picture of their size.
std::unique_ptr<cl::TPngPicture> GraphicToPng(const cl::TGraphic& graphic);
// The image's colours with alpha from the mask's red component (complemented when
// invert); without a mask the picture is opaque.
std::unique_ptr<cl::TPngPicture> BitmapMaskToPng(const cl::TBitmap& image, const cl::TBitmap* mask, bool invert);
// The image's colours, clear where they equal maskColor.
std::unique_ptr<cl::TPngPicture> BitmapColourKeyToPng(const cl::TBitmap& image, cl::TColor maskColor);
// png becomes the list's entry at index; unchanged when there is none.
void ImageListEntryToPng(cl::TPngPicture& png, cl::TCustomImageList& list, int index);

} // namespace tray
