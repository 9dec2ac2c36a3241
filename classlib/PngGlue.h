// What the PNG reader and writer share of libpng: the channel count of a colour type and
// the error callbacks (the message goes to a 200-byte buffer, then back to the setjmp).
#pragma once

#include <png.h>

namespace cl::pictures {

int PngChannels(int colourType);
void OnPngError(png_structp png, png_const_charp message);
void OnPngWarning(png_structp png, png_const_charp message);

} // namespace cl::pictures
