// Byte parsing of picture files, without the platform: BMP file and DIB headers with
// their colour tables, and icon directories. The platform layer makes bitmaps and icons
// from what these find. Errors are short texts naming what is wrong.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace cl::pictures {

// DIB compressions.
constexpr std::uint32_t biRGB = 0, biRLE8 = 1, biRLE4 = 2, biBitFields = 3;

constexpr std::size_t BmpFileHeaderSize = 14;
constexpr std::int64_t MaxBmpBytes = 256 * 1024 * 1024;

struct BmpFileHeader {
    std::uint32_t size = 0;    // the file's size as its header gives it
    std::uint32_t offBits = 0; // offset of the pixels from the file's start
};

// header: the first 14 bytes of the file. Null when they are a BMP file header.
const char* ReadBmpFileHeader(const std::uint8_t* header, BmpFileHeader& out);

// Where a DIB's parts lie. Offsets count from the start of the header.
struct DibLayout {
    std::size_t headerSize = 0;
    int width = 0, height = 0; // height positive
    bool topDown = false;
    int bitCount = 0;
    std::uint32_t compression = biRGB;
    std::uint32_t masks[3] = {0, 0, 0}; // bit fields: red, green, blue
    std::vector<std::uint8_t> palette;  // blue, green, red, 0 per entry
    std::size_t tableEnd = 0;           // end of the header, bit fields and colour table
    std::size_t stride = 0;             // bytes per uncompressed row
    bool Rle() const { return compression == biRLE8 || compression == biRLE4; }
};

// info: a core (12-byte) or info (40 bytes and more) header, followed by its bit fields
// and colour table within infoSize. Checks the size, depth and compression, and that the
// header and table lie within infoSize.
const char* ParseDibHeader(const std::uint8_t* info, std::size_t infoSize, DibLayout& out);
// Uncompressed pixels need stride times height bytes.
const char* CheckDibPixels(const DibLayout& layout, std::size_t bitsSize);

struct IconEntry {
    int width = 0, height = 0; // 0 in the file stands for 256
    int bitCount = 0;
    std::uint32_t bytes = 0, offset = 0;
};

constexpr std::size_t IconDirHeaderSize = 6, IconDirEntrySize = 16;

// header: the first 6 bytes. count: the number of entries that follow.
const char* ReadIconDirHeader(const std::uint8_t* header, int& count);
// dir: the 6-byte header and count entries. end: the furthest byte an image reaches.
const char* ParseIconDirectory(const std::uint8_t* dir, int count, std::vector<IconEntry>& entries, std::uint64_t& end);
// The entry to load from a file of fileSize bytes: of the wanted width if any, else the
// widest; then the most bits per pixel. -1 when no entry can hold an image.
int PickIconEntry(const std::vector<IconEntry>& entries, std::size_t fileSize, int wantWidth);

} // namespace cl::pictures
