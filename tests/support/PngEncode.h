// PNG files written by libpng for the decoders' tests.
#pragma once

#include <png.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace png_fixture {

struct RawPng {
    int width, height, depth, type;
    std::vector<std::vector<std::uint8_t>> rows; // packed as the file stores them
    std::vector<png_color> palette{};
    std::vector<png_byte> trans{};
    bool hasKey = false;
    png_color_16 key{};
    bool interlaced = false;
};

inline void AppendPng(png_structp png, png_bytep data, png_size_t n)
{
    auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + n);
}

inline std::vector<std::uint8_t> Encode(const RawPng& raw)
{
    std::vector<std::uint8_t> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        ADD_FAILURE() << "fixture encoding failed";
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(png, &out, AppendPng, nullptr);
    png_set_IHDR(png, info, raw.width, raw.height, raw.depth, raw.type,
                 raw.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (!raw.palette.empty()) png_set_PLTE(png, info, raw.palette.data(), static_cast<int>(raw.palette.size()));
    if (!raw.trans.empty() || raw.hasKey)
        png_set_tRNS(png, info, raw.trans.empty() ? nullptr : raw.trans.data(), static_cast<int>(raw.trans.size()),
                     raw.hasKey ? &raw.key : nullptr);
    std::vector<png_bytep> rows;
    for (const auto& r : raw.rows) rows.push_back(const_cast<png_bytep>(r.data()));
    png_write_info(png, info);
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

} // namespace png_fixture
