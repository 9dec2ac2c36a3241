// Icon files as the icon loader reads them: the directory, the reach of its images, and
// the entry it picks.
#include "classlib/PictureFormats.h"

#include <cstddef>
#include <cstdint>

using namespace cl::pictures;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    int count = 0;
    if (size < IconDirHeaderSize || ReadIconDirHeader(data, count)) return 0;
    if (size < IconDirHeaderSize + IconDirEntrySize * count) return 0;
    std::vector<IconEntry> entries;
    std::uint64_t end = 0;
    if (ParseIconDirectory(data, count, entries, end) || end > size) return 0;
    const int best = PickIconEntry(entries, size, 32);
    if (best < 0) return 0;
    // The picked image lies within the file.
    volatile std::uint8_t last = data[entries[best].offset + entries[best].bytes - 1];
    (void)last;
    return 0;
}
