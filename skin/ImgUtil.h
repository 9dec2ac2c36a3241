// Pixel and colour helpers of the skin engine (portable part): the magenta key colour,
// mirror, flip and rotation of 24-bit pixel rows, colour blending, a saturation measure
// and the cache of colour ramps behind gradient fills. Colours are 32-bit values with red
// in the low byte, then green, then blue.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace skin {

using TColor = std::int32_t;

constexpr TColor Magenta = 0xFF00FF;

constexpr int RedOf(TColor c) { return c & 0xFF; }
constexpr int GreenOf(TColor c) { return (c >> 8) & 0xFF; }
constexpr int BlueOf(TColor c) { return (c >> 16) & 0xFF; }
constexpr TColor MakeRGB(int r, int g, int b) { return (r & 0xFF) | (g & 0xFF) << 8 | (b & 0xFF) << 16; }

// 24-bit pixels: rows of blue-green-red triples, stride bytes apart (negative for a
// bottom-up image addressed from its top row).
struct TPixels24 {
    std::uint8_t* bits = nullptr; // top row
    int width = 0;
    int height = 0;
    std::ptrdiff_t stride = 0;

    std::uint8_t* Row(int y) const { return bits + y * stride; }
    TColor Pixel(int x, int y) const
    {
        const std::uint8_t* p = Row(y) + 3 * x;
        return MakeRGB(p[2], p[1], p[0]);
    }
    void SetPixel(int x, int y, TColor c) const
    {
        std::uint8_t* p = Row(y) + 3 * x;
        p[0] = static_cast<std::uint8_t>(BlueOf(c));
        p[1] = static_cast<std::uint8_t>(GreenOf(c));
        p[2] = static_cast<std::uint8_t>(RedOf(c));
    }
};

// Every (255, 0, 255) pixel becomes colour (a plain RGB value).
void ReplaceMagenta(const TPixels24& pixels, TColor colour);
// In place: left to right, and top to bottom.
void MirrorBitmap(const TPixels24& pixels);
void FlipBitmap(const TPixels24& pixels);
// dst has src's height as width and src's width as height. Anticlockwise: dst(x, y) =
// src(W - 1 - y, x); clockwise: dst(x, y) = src(y, H - 1 - x).
void RotateLeft(const TPixels24& src, const TPixels24& dst);
void RotateRight(const TPixels24& src, const TPixels24& dst);

// Mix of two plain RGB colours: amounts below 100 are percent of c1, others per mille.
TColor BlendRGB(TColor c1, TColor c2, int amount);
// (max - min) / max of the channels scaled to 0..255, rounded half to even; 200 when no
// channel reaches 160.
int ColorSaturation(TColor colour);

// Slot (0..15) of the cached ramp of count colours from first to last, made in the next
// slot round-robin when no slot holds it. count <= 0 raises "Assertion failure".
int GetColorRamp(int count, TColor first, TColor last);
const std::vector<TColor>& ColorRampSlot(int slot);
constexpr int ColorRampSlots = 16;

} // namespace skin
