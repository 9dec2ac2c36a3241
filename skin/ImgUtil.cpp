// Pixel and colour helpers: key-colour recolouring, mirror, flip, rotation, blending,
// saturation and the colour-ramp cache.
#include "skin/ImgUtil.h"

#include "classlib/SysUtils.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

namespace skin {

namespace {

// The process-wide ramp cache; one GUI thread uses it, so it is not locked.
struct RampCache {
    std::array<std::vector<TColor>, ColorRampSlots> slots;
    int next = 0;
};

RampCache& Ramps()
{
    static RampCache cache;
    return cache;
}

void CopyPixel(const TPixels24& src, int sx, int sy, const TPixels24& dst, int dx, int dy)
{
    std::memcpy(dst.Row(dy) + 3 * dx, src.Row(sy) + 3 * sx, 3);
}

} // namespace

void ReplaceMagenta(const TPixels24& pixels, TColor colour)
{
    for (int y = 0; y < pixels.height; ++y) {
        std::uint8_t* p = pixels.Row(y);
        for (int x = 0; x < pixels.width; ++x, p += 3) {
            if (p[0] == 255 && p[1] == 0 && p[2] == 255) {
                p[0] = static_cast<std::uint8_t>(BlueOf(colour));
                p[1] = static_cast<std::uint8_t>(GreenOf(colour));
                p[2] = static_cast<std::uint8_t>(RedOf(colour));
            }
        }
    }
}

void MirrorBitmap(const TPixels24& pixels)
{
    for (int y = 0; y < pixels.height; ++y) {
        std::uint8_t* row = pixels.Row(y);
        for (int l = 0, r = pixels.width - 1; l < r; ++l, --r)
            std::swap_ranges(row + 3 * l, row + 3 * l + 3, row + 3 * r);
    }
}

void FlipBitmap(const TPixels24& pixels)
{
    const std::size_t bytes = static_cast<std::size_t>(pixels.width) * 3;
    for (int t = 0, b = pixels.height - 1; t < b; ++t, --b)
        std::swap_ranges(pixels.Row(t), pixels.Row(t) + bytes, pixels.Row(b));
}

void RotateLeft(const TPixels24& src, const TPixels24& dst)
{
    for (int y = 0; y < dst.height; ++y)
        for (int x = 0; x < dst.width; ++x) CopyPixel(src, src.width - 1 - y, x, dst, x, y);
}

void RotateRight(const TPixels24& src, const TPixels24& dst)
{
    for (int y = 0; y < dst.height; ++y)
        for (int x = 0; x < dst.width; ++x) CopyPixel(src, y, src.height - 1 - x, dst, x, y);
}

TColor BlendRGB(TColor c1, TColor c2, int amount)
{
    const int b = amount < 100 ? 100 : 1000;
    auto mix = [&](int x, int y) { return (x * amount + y * (b - amount) + b / 2) / b & 0xFF; };
    return MakeRGB(mix(RedOf(c1), RedOf(c2)), mix(GreenOf(c1), GreenOf(c2)), mix(BlueOf(c1), BlueOf(c2)));
}

int ColorSaturation(TColor colour)
{
    int r = RedOf(colour), g = GreenOf(colour), b = BlueOf(colour);
    int hi = std::max({r, g, b}), lo = std::min({r, g, b});
    if (hi < 160) return 200;
    // nearbyint rounds half to even in the default rounding mode.
    return static_cast<int>(std::nearbyint(static_cast<double>(hi - lo) / hi * 255.0));
}

int GetColorRamp(int count, TColor first, TColor last)
{
    if (count <= 0) throw cl::Exception("Assertion failure");
    RampCache& cache = Ramps();
    for (int slot = ColorRampSlots - 1; slot >= 0; --slot) {
        const auto& ramp = cache.slots[slot];
        if (static_cast<int>(ramp.size()) == count && ramp.front() == first && ramp.back() == last) return slot;
    }
    int slot = cache.next;
    cache.next = (cache.next + 1) % ColorRampSlots;
    auto& ramp = cache.slots[slot];
    ramp.resize(count);
    const int n = count - 1;
    const int d[3] = {RedOf(last) - RedOf(first), GreenOf(last) - GreenOf(first),
                      BlueOf(last) - BlueOf(first)};
    const std::int64_t weight[3] = {1, 256, 65536};
    for (int i = 0; i < count; ++i) {
        std::int64_t v = first & 0xFFFFFF;
        for (int ch = 0; ch < 3; ++ch) v += (n ? (n / 2 + i * d[ch]) / n : d[ch] / 2) * weight[ch];
        ramp[i] = static_cast<TColor>(static_cast<std::uint32_t>(v));
    }
    return slot;
}

const std::vector<TColor>& ColorRampSlot(int slot) { return Ramps().slots.at(slot); }

} // namespace skin
