// The opaque runs of an image.
#include "skin/draw/RegionRuns.h"

#include <algorithm>

namespace skin {

namespace {
bool Within(std::uint8_t v, std::uint8_t key, std::uint8_t tol) { return v >= key && v <= std::min(255, key + tol); }
} // namespace

bool TKeyRange::Transparent(std::uint8_t r, std::uint8_t g, std::uint8_t b) const
{
    return Within(r, red, tolRed) && Within(g, green, tolGreen) && Within(b, blue, tolBlue);
}

std::vector<TRectI> OpaqueRuns(const std::uint32_t* pixels, int width, int height, int rowPitch, const TKeyRange& key,
                               int dx, int dy)
{
    std::vector<TRectI> runs;
    auto transparent = [&](std::uint32_t p) {
        return key.Transparent(static_cast<std::uint8_t>(p >> 16), static_cast<std::uint8_t>(p >> 8),
                               static_cast<std::uint8_t>(p));
    };
    for (int y = 0; y < height; ++y) {
        const std::uint32_t* row = pixels + static_cast<std::size_t>(y) * static_cast<std::size_t>(rowPitch);
        int x = 0;
        while (x < width) {
            while (x < width && transparent(row[x])) ++x;
            const int x0 = x;
            while (x < width && !transparent(row[x])) ++x;
            if (x > x0) runs.push_back({x0 + dx, y + dy, x + dx, y + dy + 1});
        }
    }
    return runs;
}

} // namespace skin
