// PNG decoding through libpng, without the platform: one PNG file's pixels at 8 bits per
// sample, its palette and its transparency.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace cl::pictures {

// Larger pictures are refused before their rows are reserved.
constexpr int MaxPngSide = 16384;
constexpr std::uint64_t MaxPngBytes = 64ull * 1024 * 1024; // of decoded samples

struct PngData {
    int width = 0, height = 0;
    int colorType = 0; // 0 grey, 2 colour, 3 palette, 4 grey and alpha, 6 colour and alpha
    // Rows from the top: blue, green, red per pixel (types 2 and 6), one grey byte (0, 4)
    // or one palette index (3).
    std::vector<std::uint8_t> color;
    std::vector<std::uint8_t> alpha;          // types 4 and 6: one byte per pixel
    std::vector<std::uint32_t> palette;       // red in the low byte
    std::vector<std::uint8_t> paletteAlpha;   // per palette entry, 255 where the file has none
    bool hasTransparentColor = false;         // types 0 and 2
    std::uint32_t transparentColor = 0;       // red in the low byte, at 8 bits
    std::size_t consumed = 0;                 // bytes up to the end of the file's IEND
};

// false with error set when data does not start with one whole, valid PNG file.
bool DecodePng(const std::uint8_t* data, std::size_t size, PngData& out, std::string& error);

// Picture formats told apart by their files' first bytes.
enum class PictureKind { Unknown, Bmp, Icon, Jpeg, Png };
PictureKind SniffPicture(const std::uint8_t* head, std::size_t n);

} // namespace cl::pictures
