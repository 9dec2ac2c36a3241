// Picture files read without the platform: DIB headers and colour tables, icon
// directories, and the PNG and JPEG decoders on good, damaged and oversized files.
#include "classlib/JpegDecode.h"
#include "classlib/PictureFormats.h"
#include "classlib/PngDecode.h"

#include "../support/PngEncode.h"

#include <png.h>
#include <zlib.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <jpeglib.h>

#include <gtest/gtest.h>

namespace {

using namespace cl::pictures;
using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes& b, std::size_t at, unsigned v)
{
    if (b.size() < at + 2) b.resize(at + 2);
    b[at] = static_cast<std::uint8_t>(v), b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

void Put32(Bytes& b, std::size_t at, std::uint32_t v)
{
    Put16(b, at, v & 0xFFFF);
    Put16(b, at + 2, v >> 16);
}

// An info header of headerSize bytes (40 and more), nothing after it.
Bytes InfoHeader(std::size_t headerSize, int width, int height, int bits, std::uint32_t compression, std::uint32_t clrUsed = 0)
{
    Bytes b(headerSize, 0);
    Put32(b, 0, static_cast<std::uint32_t>(headerSize));
    Put32(b, 4, static_cast<std::uint32_t>(width));
    Put32(b, 8, static_cast<std::uint32_t>(height));
    Put16(b, 12, 1);
    Put16(b, 14, static_cast<unsigned>(bits));
    Put32(b, 16, compression);
    Put32(b, 32, clrUsed);
    return b;
}

TEST(DibHeader, ReadsSizeDepthTablesAndBitFields)
{
    // 8 bits with two colours used: a table of two 4-byte entries after the 40 bytes.
    Bytes paletted = InfoHeader(40, 3, -2, 8, biRGB, 2);
    paletted.insert(paletted.end(), {1, 2, 3, 0, 4, 5, 6, 0});
    DibLayout dib;
    ASSERT_EQ(ParseDibHeader(paletted.data(), paletted.size(), dib), nullptr);
    EXPECT_EQ(dib.width, 3);
    EXPECT_EQ(dib.height, 2);
    EXPECT_TRUE(dib.topDown);
    EXPECT_EQ(dib.palette, (Bytes{1, 2, 3, 0, 4, 5, 6, 0}));
    EXPECT_EQ(dib.tableEnd, 48u);
    EXPECT_EQ(dib.stride, 4u);

    // A core header: 3-byte table entries, 1 bit gives two.
    Bytes core(12, 0);
    Put32(core, 0, 12), Put16(core, 4, 17), Put16(core, 6, 2), Put16(core, 8, 1), Put16(core, 10, 1);
    core.insert(core.end(), {9, 8, 7, 6, 5, 4});
    ASSERT_EQ(ParseDibHeader(core.data(), core.size(), dib), nullptr);
    EXPECT_EQ(dib.palette, (Bytes{9, 8, 7, 0, 6, 5, 4, 0}));
    EXPECT_EQ(dib.tableEnd, 18u);
    EXPECT_EQ(dib.stride, 4u); // 17 bits round up to one 32-bit word

    // Bit fields after a 40-byte header, and inside a 56-byte one.
    Bytes after = InfoHeader(40, 2, 2, 16, biBitFields);
    after.resize(52);
    Put32(after, 40, 0xF800), Put32(after, 44, 0x07E0), Put32(after, 48, 0x001F);
    ASSERT_EQ(ParseDibHeader(after.data(), after.size(), dib), nullptr);
    EXPECT_EQ(dib.masks[0], 0xF800u);
    EXPECT_EQ(dib.masks[2], 0x001Fu);
    EXPECT_EQ(dib.tableEnd, 52u);
    Bytes inside = InfoHeader(56, 2, 2, 32, biBitFields);
    Put32(inside, 40, 0xFF0000), Put32(inside, 44, 0xFF00), Put32(inside, 48, 0xFF);
    ASSERT_EQ(ParseDibHeader(inside.data(), inside.size(), dib), nullptr);
    EXPECT_EQ(dib.masks[0], 0xFF0000u);
    EXPECT_EQ(dib.tableEnd, 56u);
}

TEST(DibHeader, RefusesWhatItCannotHold)
{
    auto shortened = [](Bytes b, std::size_t n) {
        b.resize(n);
        return b;
    };
    struct Case {
        const char* name;
        Bytes info;
        const char* error;
    } cases[] = {
        // Bit fields with a header of 41 to 51 bytes and nothing after it: the masks would
        // be read from beyond the header.
        {"bit fields, 44-byte header, no masks", InfoHeader(44, 2, 2, 16, biBitFields), "truncated bit fields"},
        {"bit fields, 41-byte header", InfoHeader(41, 2, 2, 32, biBitFields), "truncated bit fields"},
        {"bit fields, 40-byte header, 8 mask bytes", shortened(InfoHeader(40, 2, 2, 16, biBitFields), 40), "truncated bit fields"},
        {"header longer than the data", shortened(InfoHeader(108, 2, 2, 24, biRGB), 100), "unknown header"},
        {"header of 20 bytes", [] {
             Bytes b = InfoHeader(40, 2, 2, 24, biRGB);
             Put32(b, 0, 20);
             return b;
         }(), "unknown header"},
        {"eleven bytes", shortened(InfoHeader(40, 2, 2, 24, biRGB), 11), "no header"},
        {"zero width", InfoHeader(40, 0, 2, 24, biRGB), "bad size"},
        {"zero height", InfoHeader(40, 2, 0, 24, biRGB), "bad size"},
        {"huge width", InfoHeader(40, 40000, 1, 24, biRGB), "bad size"},
        {"seven bits", InfoHeader(40, 2, 2, 7, biRGB), "unsupported format"},
        {"RLE8 on 24 bits", InfoHeader(40, 2, 2, 24, biRLE8), "unsupported format"},
        {"top-down RLE", InfoHeader(40, 2, -2, 8, biRLE8, 1), "top-down RLE"},
        {"table cut short", InfoHeader(40, 2, 2, 8, biRGB, 3), "truncated colour table"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DibLayout dib;
        const char* error = ParseDibHeader(c.info.data(), c.info.size(), dib);
        ASSERT_NE(error, nullptr);
        EXPECT_STREQ(error, c.error);
    }
}

TEST(DibHeader, PixelsMustCoverEveryRow)
{
    Bytes info = InfoHeader(40, 3, 2, 24, biRGB); // 12 bytes a row
    DibLayout dib;
    ASSERT_EQ(ParseDibHeader(info.data(), info.size(), dib), nullptr);
    EXPECT_EQ(CheckDibPixels(dib, 24), nullptr);
    EXPECT_STREQ(CheckDibPixels(dib, 23), "truncated pixels");
    BmpFileHeader file;
    const std::uint8_t header[14] = {'B', 'M', 0x3E, 0, 0, 0, 0, 0, 0, 0, 0x36, 0, 0, 0};
    ASSERT_EQ(ReadBmpFileHeader(header, file), nullptr);
    EXPECT_EQ(file.size, 0x3Eu);
    EXPECT_EQ(file.offBits, 0x36u);
    const std::uint8_t wrong[14] = {'B', 'X'};
    EXPECT_STREQ(ReadBmpFileHeader(wrong, file), "no BM signature");
}

Bytes IconDir(const std::vector<std::array<std::uint32_t, 5>>& entries) // width, height, bits, bytes, offset
{
    Bytes b(6, 0);
    Put16(b, 2, 1);
    Put16(b, 4, static_cast<unsigned>(entries.size()));
    for (const auto& e : entries) {
        const std::size_t at = b.size();
        b.resize(at + 16);
        b[at] = static_cast<std::uint8_t>(e[0]), b[at + 1] = static_cast<std::uint8_t>(e[1]);
        Put16(b, at + 6, e[2]);
        Put32(b, at + 8, e[3]);
        Put32(b, at + 12, e[4]);
    }
    return b;
}

TEST(IconDirectory, ReadsEntriesAndPicksTheWantedSizeThenTheMostBits)
{
    // 16 px 32 bits, 32 px 8 bits, 32 px 32 bits, and 0 for 256 px whose image lies
    // outside a 2000-byte file.
    Bytes dir = IconDir({{16, 16, 32, 100, 70}, {32, 32, 8, 100, 170}, {32, 32, 32, 100, 270}, {0, 0, 32, 5000, 370}});
    int count = 0;
    ASSERT_EQ(ReadIconDirHeader(dir.data(), count), nullptr);
    ASSERT_EQ(count, 4);
    std::vector<IconEntry> entries;
    std::uint64_t end = 0;
    ASSERT_EQ(ParseIconDirectory(dir.data(), count, entries, end), nullptr);
    EXPECT_EQ(entries[3].width, 256);
    EXPECT_EQ(end, 5370u);
    EXPECT_EQ(PickIconEntry(entries, 2000, 32), 2);
    EXPECT_EQ(PickIconEntry(entries, 2000, 16), 0);
    EXPECT_EQ(PickIconEntry(entries, 2000, 48), 2); // the widest that fits
    EXPECT_EQ(PickIconEntry(entries, 6000, 48), 3);
    // Images shorter than a header or outside the file are never picked.
    Bytes tiny = IconDir({{16, 16, 32, 39, 22}, {16, 16, 32, 100, 4000}});
    ASSERT_EQ(ParseIconDirectory(tiny.data(), 2, entries, end), nullptr);
    EXPECT_EQ(PickIconEntry(entries, 1000, 16), -1);

    const std::uint8_t none[6] = {0, 0, 1, 0, 0, 0}, cursor[6] = {0, 0, 2, 0, 1, 0};
    EXPECT_STREQ(ReadIconDirHeader(none, count), "no icon directory");
    EXPECT_STREQ(ReadIconDirHeader(cursor, count), "no icon directory");
}

Bytes EncodePng(int w, int h, int type, const std::vector<Bytes>& rows, bool interlaced = false)
{
    return png_fixture::Encode({w, h, 8, type, rows, {}, {}, false, {}, interlaced});
}

TEST(PngDecode, RowsInBlueGreenRedAndAlphaApart)
{
    for (bool interlaced : {false, true}) {
        SCOPED_TRACE(interlaced);
        Bytes file = EncodePng(2, 2, PNG_COLOR_TYPE_RGB_ALPHA, {{1, 2, 3, 4, 5, 6, 7, 8}, {9, 10, 11, 12, 13, 14, 15, 16}}, interlaced);
        const std::size_t length = file.size();
        file.insert(file.end(), {'t', 'a', 'i', 'l'});
        PngData png;
        std::string error;
        ASSERT_TRUE(DecodePng(file.data(), file.size(), png, error)) << error;
        EXPECT_EQ(png.colorType, 6);
        EXPECT_EQ(png.color, (Bytes{3, 2, 1, 7, 6, 5, 11, 10, 9, 15, 14, 13}));
        EXPECT_EQ(png.alpha, (Bytes{4, 8, 12, 16}));
        EXPECT_EQ(png.consumed, length);
    }
}

TEST(PngDecode, RefusesDamagedAndOversizedFiles)
{
    const Bytes good = EncodePng(2, 2, PNG_COLOR_TYPE_RGB, {{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}});
    Bytes truncated(good.begin(), good.end() - 20), badCrc = good, badSig = good;
    badCrc[good.size() - 20] ^= 0xFF;
    badSig[1] = 'X';
    // The file with a header claiming width by height pixels (checksum mended), followed
    // by the 2 by 2 picture's data.
    auto claiming = [&](std::uint32_t w, std::uint32_t h, std::uint8_t type) {
        Bytes b = good;
        for (int i = 0; i < 4; ++i) b[16 + i] = static_cast<std::uint8_t>(w >> (24 - 8 * i)), b[20 + i] = static_cast<std::uint8_t>(h >> (24 - 8 * i));
        b[25] = type;
        const std::uint32_t crc = static_cast<std::uint32_t>(crc32(0, b.data() + 12, 17));
        for (int i = 0; i < 4; ++i) b[29 + i] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
        return b;
    };
    struct Case {
        const char* name;
        Bytes file;
        const char* error; // null: any message
    } cases[] = {
        {"truncated", truncated, nullptr},
        {"bad checksum", badCrc, nullptr},
        {"no signature", badSig, "no PNG signature"},
        {"empty", {}, "no PNG signature"},
        {"side over 16384", claiming(16385, 1, PNG_COLOR_TYPE_GRAY), "image too large"},
        {"16384 by 16384 colour with alpha", claiming(16384, 16384, PNG_COLOR_TYPE_RGB_ALPHA), "image too large"},
        {"4096 by 4096 colour, little data", claiming(4096, 4096, PNG_COLOR_TYPE_RGB), nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PngData png;
        std::string error;
        EXPECT_FALSE(DecodePng(c.file.data(), c.file.size(), png, error));
        EXPECT_FALSE(error.empty());
        if (c.error) {
            EXPECT_EQ(error, c.error);
        }
    }
}

TEST(PngDecode, TellsPictureKindsByTheirFirstBytes)
{
    struct Case {
        Bytes head;
        PictureKind kind;
    } cases[] = {
        {{'B', 'M', 0, 0}, PictureKind::Bmp},          {{0, 0, 1, 0}, PictureKind::Icon},
        {{0xFF, 0xD8, 0xFF}, PictureKind::Jpeg},        {{0x89, 'P', 'N', 'G'}, PictureKind::Png},
        {{0, 0, 2, 0}, PictureKind::Unknown},           {{0x89, 'P', 'N'}, PictureKind::Unknown},
        {{}, PictureKind::Unknown},
    };
    for (const Case& c : cases) EXPECT_EQ(SniffPicture(c.head.data(), c.head.size()), c.kind);
}

Bytes EncodeJpeg(int w, int h, std::uint8_t grey)
{
    jpeg_compress_struct info;
    jpeg_error_mgr err;
    info.err = jpeg_std_error(&err);
    jpeg_create_compress(&info);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &out, &size);
    info.image_width = static_cast<JDIMENSION>(w);
    info.image_height = static_cast<JDIMENSION>(h);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 95, TRUE);
    jpeg_start_compress(&info, TRUE);
    std::vector<JSAMPLE> row(static_cast<std::size_t>(w) * 3, grey);
    while (info.next_scanline < info.image_height) {
        JSAMPROW p = row.data();
        jpeg_write_scanlines(&info, &p, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    Bytes file(out, out + size);
    std::free(out);
    return file;
}

struct Rows final : JpegTarget {
    bool Begin(int w, int h) noexcept override
    {
        width = w, height = h;
        pixels.assign(static_cast<std::size_t>(w) * h * 3, 0);
        return true;
    }
    std::uint8_t* Row(int y) noexcept override { return pixels.data() + static_cast<std::size_t>(y) * width * 3; }
    int width = 0, height = 0;
    Bytes pixels;
};

TEST(JpegDecode, DecodesIntoTheTargetAndRefusesDamagedOrHugeFiles)
{
    const Bytes good = EncodeJpeg(9, 5, 0x80);
    Rows rows;
    std::string error;
    ASSERT_TRUE(DecodeJpeg(good.data(), good.size(), rows, error)) << error;
    EXPECT_EQ(rows.width, 9);
    EXPECT_EQ(rows.height, 5);
    for (std::uint8_t v : rows.pixels) EXPECT_NEAR(v, 0x80, 2);

    // The frame header's height and width (after FF C0, length and precision) made 60000.
    Bytes huge = good;
    std::size_t sof = 0;
    for (std::size_t i = 2; i + 9 < huge.size() && !sof; ++i)
        if (huge[i] == 0xFF && huge[i + 1] == 0xC0) sof = i;
    ASSERT_NE(sof, 0u);
    huge[sof + 5] = 0xEA, huge[sof + 6] = 0x60, huge[sof + 7] = 0xEA, huge[sof + 8] = 0x60;
    const Bytes notJpeg{0x89, 'P', 'N', 'G'}, cut(good.begin(), good.begin() + 20);
    struct Case {
        const char* name;
        const Bytes& file;
        const char* error;
    } cases[] = {
        {"huge", huge, "image too large"},
        {"not JPEG", notJpeg, "no start of image"},
        {"cut after the header", cut, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rows target;
        std::string message;
        EXPECT_FALSE(DecodeJpeg(c.file.data(), c.file.size(), target, message));
        EXPECT_FALSE(message.empty());
        if (c.error) {
            EXPECT_EQ(message, c.error);
            EXPECT_EQ(target.width, 0); // refused before anything was reserved
        }
    }
}

} // namespace
