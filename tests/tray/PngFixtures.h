// Small pictures, bitmaps and icons for the PNG image list's tests, and pixel readers.
#pragma once

#include "classlib/Graphics.h"
#include "classlib/PngImage.h"

#include "../support/PngEncode.h"

#include <png.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

namespace pngtest {

using namespace cl;

using png_fixture::Encode;
using png_fixture::RawPng;

// A bitmap of 24 bits from rows of colours.
inline std::unique_ptr<TBitmap> Bitmap24(const std::vector<std::vector<TColor>>& rows)
{
    auto b = std::make_unique<TBitmap>();
    b->SetPixelFormat(pf24bit);
    b->SetSize(static_cast<int>(rows[0].size()), static_cast<int>(rows.size()));
    for (int y = 0; y < b->Height(); ++y) {
        auto* p = static_cast<std::uint8_t*>(b->ScanLine(y));
        for (TColor c : rows[y]) *p++ = static_cast<std::uint8_t>(c >> 16), *p++ = static_cast<std::uint8_t>(c >> 8), *p++ = static_cast<std::uint8_t>(c);
    }
    return b;
}

// A colour picture with alpha (colour type 6) of one row, or of rows of width w.
inline std::unique_ptr<TPngPicture> Rgba(const std::vector<std::pair<TColor, int>>& pixels, int w = 0)
{
    const int width = w ? w : static_cast<int>(pixels.size());
    const int height = static_cast<int>(pixels.size()) / width;
    std::vector<std::vector<TColor>> rows(height);
    for (std::size_t i = 0; i < pixels.size(); ++i) rows[i / width].push_back(pixels[i].first);
    auto png = std::make_unique<TPngPicture>();
    png->Assign(*Bitmap24(rows));
    png->CreateAlpha();
    for (std::size_t i = 0; i < pixels.size(); ++i)
        png->AlphaScanline(static_cast<int>(i) / width)[i % width] = static_cast<std::uint8_t>(pixels[i].second);
    return png;
}

// Every alpha sample, rows from the top; empty without an alpha channel.
inline std::vector<int> Alphas(const TPngPicture& png)
{
    std::vector<int> v;
    for (int y = 0; y < png.Height(); ++y)
        if (const std::uint8_t* a = png.AlphaScanline(y)) v.insert(v.end(), a, a + png.Width());
    return v;
}

// Pixels of a bitmap handle as 0xAARRGGBB values, rows from the top.
inline std::vector<std::uint32_t> Read32(HBITMAP bitmap, int w, int h)
{
    std::vector<std::uint32_t> out(static_cast<std::size_t>(w) * h);
    BITMAPINFOHEADER header{sizeof header, w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    HDC screen = GetDC(nullptr);
    EXPECT_EQ(GetDIBits(screen, bitmap, 0, h, out.data(), reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS), h);
    ReleaseDC(nullptr, screen);
    return out;
}

// An icon of one row from 0xAARRGGBB colours and mask bits (1: clear).
inline HICON Icon32(const std::vector<std::uint32_t>& colors, const std::vector<int>& maskBits)
{
    const int w = static_cast<int>(colors.size());
    BITMAPINFOHEADER header{sizeof header, w, -1, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    BitmapHandle color(CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS, &bits, nullptr, 0));
    std::memcpy(bits, colors.data(), 4 * colors.size());
    std::uint8_t row[2] = {0, 0}; // one word-aligned row of the 1-bit mask
    for (int x = 0; x < w && x < 16; ++x)
        if (maskBits[x]) row[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
    BitmapHandle mask(CreateBitmap(w, 1, 1, 1, row));
    ICONINFO info{TRUE, 0, 0, mask.get(), color.get()};
    HICON icon = CreateIconIndirect(&info);
    EXPECT_NE(icon, nullptr);
    return icon;
}

inline TColor Pixel32(const TBitmap& b, int x, int y)
{
    const auto* p = static_cast<const std::uint8_t*>(b.ScanLine(y)) + 4 * x;
    return p[2] | p[1] << 8 | p[0] << 16;
}

// Each channel of got within tolerance of expected.
inline void ExpectNear(TColor got, TColor expected, int tolerance)
{
    for (int shift : {0, 8, 16})
        EXPECT_LE(std::abs(((got >> shift) & 0xFF) - ((expected >> shift) & 0xFF)), tolerance)
            << std::hex << "got " << got << ", expected " << expected;
}

} // namespace pngtest
