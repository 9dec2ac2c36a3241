// PNG files through the decoder: anything it accepts has rows of its size.
#include "classlib/PngDecode.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    cl::pictures::PngData png;
    std::string error;
    if (!cl::pictures::DecodePng(data, size, png, error)) return 0;
    const std::size_t pixels = static_cast<std::size_t>(png.width) * png.height;
    const int channels = png.colorType == 2 || png.colorType == 6 ? 3 : 1;
    const bool alpha = png.colorType == 4 || png.colorType == 6;
    if (png.color.size() != pixels * channels || png.alpha.size() != (alpha ? pixels : 0) || png.consumed > size ||
        png.paletteAlpha.size() != png.palette.size())
        std::abort();
    return 0;
}
