// JPEG decoding through libjpeg, without the platform: rows of blue, green, red bytes
// handed to a target that the caller provides.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace cl::pictures {

// Images with more pixels are refused before anything is reserved for them.
constexpr std::uint64_t MaxJpegPixels = 64ull * 1024 * 1024;

class JpegTarget {
public:
    // The image's size, once known; false refuses it.
    virtual bool Begin(int width, int height) noexcept = 0;
    // Room for row y (3 bytes a pixel), rows from the top.
    virtual std::uint8_t* Row(int y) noexcept = 0;

protected:
    ~JpegTarget() = default;
};

// false with error set for a file that is not a whole JPEG image, or that the target
// refuses.
bool DecodeJpeg(const std::uint8_t* data, std::size_t size, JpegTarget& target, std::string& error);

} // namespace cl::pictures
