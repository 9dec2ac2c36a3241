// BMP headers and icon directories read byte by byte (little-endian, any alignment).
#include "classlib/PictureFormats.h"

namespace cl::pictures {

namespace {

std::uint16_t U16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
std::uint32_t U32(const std::uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24; }

} // namespace

const char* ReadBmpFileHeader(const std::uint8_t* header, BmpFileHeader& out)
{
    if (header[0] != 'B' || header[1] != 'M') return "no BM signature";
    out.size = U32(header + 2);
    out.offBits = U32(header + 10);
    return nullptr;
}

const char* ParseDibHeader(const std::uint8_t* info, std::size_t infoSize, DibLayout& out)
{
    out = DibLayout{};
    if (infoSize < 12) return "no header";
    const std::size_t headerSize = U32(info);
    if (headerSize > infoSize || (headerSize != 12 && headerSize < 40)) return "unknown header";
    out.headerSize = headerSize;
    std::int32_t height = 0;
    std::uint32_t clrUsed = 0;
    int planes = 0;
    out.tableEnd = headerSize;
    if (headerSize == 12) {
        out.width = U16(info + 4);
        height = U16(info + 6);
        planes = U16(info + 8);
        out.bitCount = U16(info + 10);
    } else {
        out.width = static_cast<std::int32_t>(U32(info + 4));
        height = static_cast<std::int32_t>(U32(info + 8));
        planes = U16(info + 12);
        out.bitCount = U16(info + 14);
        out.compression = U32(info + 16);
        clrUsed = U32(info + 32);
        if (out.compression == biBitFields) {
            // The masks follow a 40-byte header, or are its bytes 40 to 51 in the later
            // ones: a header shorter than 52 bytes needs them within infoSize.
            if (headerSize < 52) {
                if (infoSize < 52) return "truncated bit fields";
                out.tableEnd = 52;
            }
            for (int i = 0; i < 3; ++i) out.masks[i] = U32(info + 40 + 4 * i);
        }
    }
    if (planes != 1 || out.width <= 0 || out.width > 32767 || height == 0 || height < -32767 || height > 32767)
        return "bad size";
    out.topDown = height < 0;
    out.height = height < 0 ? -height : height;
    const int bc = out.bitCount;
    const std::uint32_t c = out.compression;
    const bool okCompression = c == biRGB || (c == biRLE8 && bc == 8) || (c == biRLE4 && bc == 4) ||
                               (c == biBitFields && (bc == 16 || bc == 32));
    if ((bc != 1 && bc != 4 && bc != 8 && bc != 16 && bc != 24 && bc != 32) || !okCompression) return "unsupported format";
    if (out.Rle() && out.topDown) return "top-down RLE";
    if (bc <= 8) {
        const std::size_t n = clrUsed && clrUsed < (1u << bc) ? clrUsed : (1u << bc);
        const std::size_t entry = headerSize == 12 ? 3 : 4;
        if (out.tableEnd + n * entry > infoSize) return "truncated colour table";
        for (std::size_t i = 0; i < n; ++i) {
            const std::uint8_t* p = info + out.tableEnd + i * entry;
            out.palette.insert(out.palette.end(), {p[0], p[1], p[2], 0});
        }
        out.tableEnd += n * entry;
    }
    out.stride = ((static_cast<std::size_t>(out.width) * bc + 31) / 32) * 4;
    return nullptr;
}

const char* CheckDibPixels(const DibLayout& layout, std::size_t bitsSize)
{
    if (!layout.Rle() && bitsSize / layout.stride < static_cast<std::size_t>(layout.height)) return "truncated pixels";
    if (layout.Rle() && bitsSize == 0) return "truncated pixels";
    return nullptr;
}

const char* ReadIconDirHeader(const std::uint8_t* header, int& count)
{
    count = U16(header + 4);
    if (U16(header) != 0 || U16(header + 2) != 1 || count == 0) return "no icon directory";
    return nullptr;
}

const char* ParseIconDirectory(const std::uint8_t* dir, int count, std::vector<IconEntry>& entries, std::uint64_t& end)
{
    entries.clear();
    end = 0;
    for (int i = 0; i < count; ++i) {
        const std::uint8_t* e = dir + IconDirHeaderSize + IconDirEntrySize * i;
        IconEntry entry;
        entry.width = e[0] ? e[0] : 256;
        entry.height = e[1] ? e[1] : 256;
        entry.bitCount = U16(e + 6);
        entry.bytes = U32(e + 8);
        entry.offset = U32(e + 12);
        const std::uint64_t reach = std::uint64_t(entry.offset) + entry.bytes;
        if (reach > end) end = reach;
        entries.push_back(entry);
    }
    return nullptr;
}

int PickIconEntry(const std::vector<IconEntry>& entries, std::size_t fileSize, int wantWidth)
{
    int best = -1, bestScore = -1;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const IconEntry& e = entries[i];
        // An image needs at least its 40-byte header, inside the file.
        if (e.offset >= fileSize || e.bytes < 40 || std::uint64_t(e.offset) + e.bytes > fileSize) continue;
        const int score = (e.width == wantWidth ? 1 << 20 : 0) + e.width * 1024 + e.bitCount;
        if (score > bestScore) best = static_cast<int>(i), bestScore = score;
    }
    return best;
}

} // namespace cl::pictures
