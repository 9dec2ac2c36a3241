// The opaque runs of an image, free of the platform: each row's runs of pixels that are not
// the key colour become one-pixel-high rectangles, from which a window region is made.
#pragma once

#include "skin/engine/FrameLayout.h"

#include <cstdint>
#include <vector>

namespace skin {

// Key colour and tolerance per channel: a pixel is transparent when each channel lies
// between the key's value and that value plus the tolerance (capped at 255).
struct TKeyRange {
    std::uint8_t red = 255, green = 0, blue = 255;
    std::uint8_t tolRed = 0, tolGreen = 0, tolBlue = 0;
    bool Transparent(std::uint8_t r, std::uint8_t g, std::uint8_t b) const;
};

// Rows of 32-bit pixels (blue in the low byte, then green and red), row 0 at the top;
// rowPitch is in pixels. The runs, moved by (dx, dy), top row first, left to right.
std::vector<TRectI> OpaqueRuns(const std::uint32_t* pixels, int width, int height, int rowPitch, const TKeyRange& key,
                               int dx, int dy);

} // namespace skin
