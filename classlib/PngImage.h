// PNG pictures over libpng: decoding and encoding, pixel, colour-row, alpha-row and palette
// access, a single transparent colour, adding an alpha channel, and drawing with alpha.
#pragma once

#include "classlib/Graphics.h"

#include <cstdint>
#include <vector>

namespace cl {

// Colour types of the PNG standard.
constexpr int ctGrayscale = 0, ctRGB = 2, ctPalette = 3, ctGrayscaleAlpha = 4, ctRGBAlpha = 6;

// ptmBit: one colour (or one palette entry) is fully transparent; ptmPartial: palette
// entries with their own alpha.
enum TPNGTransparencyMode { ptmNone, ptmBit, ptmPartial };

// Samples are held at 8 bits (smaller depths are widened, 16 bits cut to the high byte).
// Rows are top-down: colour rows hold blue, green, red bytes per pixel for colour types 2
// and 6, one grey byte for 0 and 4, one palette index for 3; types 4 and 6 have alpha rows.
class TPngPicture : public TGraphic {
    CL_CLASS(TPngPicture)
public:
    // A bitmap: a colour-type 2 picture of its colours (through a 24-bit copy unless it has
    // 24 or 32 bits). Another PNG picture: a copy.
    void Assign(const TPersistent& source) override;

    bool Empty() const override { return width_ == 0; }
    int Width() const override { return width_; }
    int Height() const override { return height_; }
    int ColorType() const { return colorType_; }

    std::uint8_t* Scanline(int y);
    const std::uint8_t* Scanline(int y) const;
    std::uint8_t* AlphaScanline(int y);             // null without an alpha channel
    const std::uint8_t* AlphaScanline(int y) const;
    TColor Pixel(int x, int y) const;               // a plain RGB value
    void SetPixel(int x, int y, TColor color);      // grey: the colour's luminance; palette: nearest entry

    // Palette entries as colour values (red in the low byte); setting keeps the indices.
    const std::vector<TColor>& Palette() const { return palette_; }
    void SetPalette(const std::vector<TColor>& palette);

    TPNGTransparencyMode TransparencyMode() const;
    TColor TransparentColor() const; // ptmBit: the colour; clNone otherwise
    void SetTransparentColor(TColor color); // types 0, 2, 3: that colour becomes transparent

    // Adds alpha rows, all 255; the picture becomes colour type 6 (grey and palette colours
    // are expanded). Pictures with alpha are left alone.
    void CreateAlpha();

    void LoadFromStream(TStream& stream) override; // reads one PNG file, stops after it
    void SaveToStream(TStream& stream) const override;
    // Blends the picture over the canvas by its alpha, or its transparent colour.
    void Draw(TCanvas& canvas, const RECT& r) override;

private:
    friend struct PngLoader;
    void Check(int x, int y) const;
    std::uint8_t AlphaAt(int x, int y) const;

    int width_ = 0, height_ = 0;
    int colorType_ = ctRGB;
    std::vector<std::uint8_t> color_; // rows of colour samples, see above
    std::vector<std::uint8_t> alpha_; // types 4 and 6
    std::vector<TColor> palette_;
    std::vector<std::uint8_t> paletteAlpha_; // type 3: per entry, 255 where missing
    bool hasTransparentColor_ = false;       // types 0 and 2
    TColor transparentColor_ = clNone;
};

} // namespace cl
