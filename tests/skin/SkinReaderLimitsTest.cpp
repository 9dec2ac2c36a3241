// The entry limit bounds what the container reader makes of a names text, however long the
// text is: this program counts every byte that operator new hands out while Open runs.
#include "skin/SkinReader.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<std::size_t> allocated{0};
} // namespace

void* operator new(std::size_t size)
{
    allocated += size;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

// An unpacked image of version 20000 whose names text is `breaks` line breaks.
std::vector<std::uint8_t> ImageOfBreaks(std::uint32_t breaks)
{
    std::vector<std::uint8_t> image(16, 0);
    image[0] = 0x20; // 20000 = 0x4E20
    image[1] = 0x4E;
    for (int k = 0; k < 4; ++k) image[4 + k] = static_cast<std::uint8_t>(breaks >> (8 * k));
    image.resize(16 + breaks, '\n');
    image.resize(image.size() + 4 * 1002, 0); // room for the sizes of the names it holds
    return image;
}

} // namespace

TEST(SkinReaderLimits, ANamesTextOfMillionsOfBreaksIsRefusedAfterTheLimit)
{
    for (std::uint32_t breaks : {1002u, 4u * 1024 * 1024}) {
        SCOPED_TRACE(breaks);
        auto image = ImageOfBreaks(breaks);
        skin::TSkinReader reader;
        std::size_t before = allocated;
        EXPECT_FALSE(reader.OpenImage(image));
        // 1,002 empty names and their list; splitting all four million breaks took over
        // 100 MB.
        EXPECT_LT(allocated - before, 256u * 1024);
        EXPECT_EQ(reader.Count(), 0);
    }
}
