// TPngPicture: PNG decoding and encoding through libpng, pixel access and alpha drawing.
#include "classlib/PngImage.h"

#include "classlib/PngDecode.h"
#include "classlib/PngGlue.h"

#include <algorithm>
#include <csetjmp>
#include <cstring>


namespace cl {

namespace {

using pictures::OnPngError;
using pictures::OnPngWarning;

void WriteData(png_structp png, png_bytep data, png_size_t n)
{
    auto* out = static_cast<TBytes*>(png_get_io_ptr(png));
    bool ok = true;
    try {
        out->insert(out->end(), data, data + n);
    } catch (...) {
        ok = false;
    }
    if (!ok) png_error(png, "out of memory");
}

void FlushData(png_structp) {}

struct PngEncoding {
    int width, height, type;
    png_bytep* rows;
    const png_color* palette;
    int paletteCount;
    const std::uint8_t* trans;
    int transCount;
    const png_color_16* transColor;
};

bool EncodePng(const PngEncoding& in, TBytes& out, char* message)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, message, OnPngError, OnPngWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        std::strcpy(message, "out of memory");
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, &out, WriteData, FlushData);
    png_set_IHDR(png, info, in.width, in.height, 8, in.type, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (in.paletteCount) png_set_PLTE(png, info, in.palette, in.paletteCount);
    if (in.transCount || in.transColor)
        png_set_tRNS(png, info, in.trans, in.transCount, const_cast<png_color_16p>(in.transColor));
    if (in.type == PNG_COLOR_TYPE_RGB || in.type == PNG_COLOR_TYPE_RGB_ALPHA) png_set_bgr(png);
    png_write_info(png, info);
    png_write_image(png, in.rows);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

std::uint8_t Luminance(TColor c)
{
    const double g = (c & 0xFF) * 0.3 + ((c >> 8) & 0xFF) * 0.59 + ((c >> 16) & 0xFF) * 0.11;
    return static_cast<std::uint8_t>(std::min(255.0, g + 0.5));
}

TColor Grey(std::uint8_t g) { return g | g << 8 | g << 16; }

[[noreturn]] void Bad(const AnsiString& what) { throw EInvalidGraphic("PNG image is not valid: " + what); }

} // namespace

const TClass& TPngPicture::StaticClass() { return DefineClass<TPngPicture, TGraphic>("TPngPicture"); }

void TPngPicture::Check(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width_ || y >= height_) throw EInvalidGraphicOperation("Pixel index out of range");
}

std::uint8_t* TPngPicture::Scanline(int y) { return const_cast<std::uint8_t*>(static_cast<const TPngPicture&>(*this).Scanline(y)); }

const std::uint8_t* TPngPicture::Scanline(int y) const
{
    Check(0, y);
    return color_.data() + static_cast<std::size_t>(y) * width_ * (colorType_ == ctRGB || colorType_ == ctRGBAlpha ? 3 : 1);
}

std::uint8_t* TPngPicture::AlphaScanline(int y) { return const_cast<std::uint8_t*>(static_cast<const TPngPicture&>(*this).AlphaScanline(y)); }

const std::uint8_t* TPngPicture::AlphaScanline(int y) const
{
    Check(0, y);
    return alpha_.empty() ? nullptr : alpha_.data() + static_cast<std::size_t>(y) * width_;
}

TColor TPngPicture::Pixel(int x, int y) const
{
    Check(x, y);
    const std::uint8_t* p = Scanline(y);
    switch (colorType_) {
    case ctRGB:
    case ctRGBAlpha: p += 3 * x; return p[2] | p[1] << 8 | p[0] << 16;
    case ctPalette: return p[x] < palette_.size() ? palette_[p[x]] : clBlack;
    default: return Grey(p[x]);
    }
}

void TPngPicture::SetPixel(int x, int y, TColor color)
{
    Check(x, y);
    color = ColorToRGB(color);
    std::uint8_t* p = Scanline(y);
    switch (colorType_) {
    case ctRGB:
    case ctRGBAlpha:
        p += 3 * x;
        p[0] = static_cast<std::uint8_t>(color >> 16), p[1] = static_cast<std::uint8_t>(color >> 8), p[2] = static_cast<std::uint8_t>(color);
        break;
    case ctPalette: {
        int best = 0, bestDistance = -1;
        for (std::size_t i = 0; i < palette_.size(); ++i) {
            int d = 0;
            for (int shift : {0, 8, 16}) {
                const int a = (palette_[i] >> shift) & 0xFF, b = (color >> shift) & 0xFF;
                d += (a - b) * (a - b);
            }
            if (bestDistance < 0 || d < bestDistance) best = static_cast<int>(i), bestDistance = d;
        }
        p[x] = static_cast<std::uint8_t>(best);
        break;
    }
    default: p[x] = Luminance(color); break;
    }
}

std::uint8_t TPngPicture::AlphaAt(int x, int y) const
{
    if (!alpha_.empty()) return alpha_[static_cast<std::size_t>(y) * width_ + x];
    if (colorType_ == ctPalette) {
        const std::uint8_t i = Scanline(y)[x];
        return i < paletteAlpha_.size() ? paletteAlpha_[i] : 255;
    }
    return hasTransparentColor_ && Pixel(x, y) == transparentColor_ ? 0 : 255;
}

void TPngPicture::SetPalette(const std::vector<TColor>& palette)
{
    palette_.assign(palette.begin(), palette.begin() + std::min<std::size_t>(palette.size(), 256));
    for (TColor& c : palette_) c &= 0xFFFFFF;
    paletteAlpha_.resize(palette_.size(), 255);
    Changed();
}

TPNGTransparencyMode TPngPicture::TransparencyMode() const
{
    if (colorType_ == ctGrayscaleAlpha || colorType_ == ctRGBAlpha) return ptmPartial;
    if (colorType_ == ctPalette) {
        int clear = 0;
        for (std::uint8_t a : paletteAlpha_) {
            if (a != 0 && a != 255) return ptmPartial;
            clear += a == 0;
        }
        return clear == 0 ? ptmNone : clear == 1 ? ptmBit : ptmPartial;
    }
    return hasTransparentColor_ ? ptmBit : ptmNone;
}

TColor TPngPicture::TransparentColor() const
{
    if (TransparencyMode() != ptmBit) return clNone;
    if (colorType_ != ctPalette) return transparentColor_;
    for (std::size_t i = 0; i < paletteAlpha_.size(); ++i)
        if (paletteAlpha_[i] == 0) return palette_[i];
    return clNone;
}

void TPngPicture::SetTransparentColor(TColor color)
{
    color = ColorToRGB(color) & 0xFFFFFF;
    switch (colorType_) {
    case ctGrayscale: color = Grey(Luminance(color)); [[fallthrough]];
    case ctRGB:
        hasTransparentColor_ = true;
        transparentColor_ = color;
        break;
    case ctPalette:
        for (std::size_t i = 0; i < palette_.size(); ++i) paletteAlpha_[i] = palette_[i] == color ? 0 : 255;
        break;
    default: throw EInvalidGraphicOperation("Picture has an alpha channel");
    }
    Changed();
}

void TPngPicture::CreateAlpha()
{
    if (colorType_ == ctGrayscaleAlpha || colorType_ == ctRGBAlpha || Empty()) return;
    if (colorType_ != ctRGB) {
        std::vector<std::uint8_t> bgr(static_cast<std::size_t>(width_) * height_ * 3);
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x) {
                const TColor c = Pixel(x, y);
                std::uint8_t* p = bgr.data() + (static_cast<std::size_t>(y) * width_ + x) * 3;
                p[0] = static_cast<std::uint8_t>(c >> 16), p[1] = static_cast<std::uint8_t>(c >> 8), p[2] = static_cast<std::uint8_t>(c);
            }
        color_ = std::move(bgr);
    }
    alpha_.assign(static_cast<std::size_t>(width_) * height_, 255);
    colorType_ = ctRGBAlpha;
    palette_.clear();
    paletteAlpha_.clear();
    hasTransparentColor_ = false;
    transparentColor_ = clNone;
    Changed();
}

void TPngPicture::Assign(const TPersistent& source)
{
    if (const auto* png = dynamic_cast<const TPngPicture*>(&source)) {
        if (png == this) return;
        width_ = png->width_, height_ = png->height_, colorType_ = png->colorType_;
        color_ = png->color_, alpha_ = png->alpha_, palette_ = png->palette_, paletteAlpha_ = png->paletteAlpha_;
        hasTransparentColor_ = png->hasTransparentColor_, transparentColor_ = png->transparentColor_;
        return Changed();
    }
    if (const auto* bmp = dynamic_cast<const TBitmap*>(&source)) {
        TBitmap copy;
        const TBitmap* from = bmp;
        if (bmp->PixelFormat() != pf24bit && bmp->PixelFormat() != pf32bit && !bmp->Empty()) {
            copy.Assign(*bmp);
            copy.SetPixelFormat(pf24bit);
            from = &copy;
        }
        const int step = from->PixelFormat() == pf24bit ? 3 : 4;
        std::vector<std::uint8_t> bgr(static_cast<std::size_t>(from->Width()) * from->Height() * 3);
        for (int y = 0; y < from->Height(); ++y) {
            const auto* row = static_cast<const std::uint8_t*>(from->ScanLine(y));
            std::uint8_t* out = bgr.data() + static_cast<std::size_t>(y) * from->Width() * 3;
            for (int x = 0; x < from->Width(); ++x) std::memcpy(out + 3 * x, row + step * x, 3);
        }
        width_ = from->Width(), height_ = from->Height(), colorType_ = ctRGB;
        color_ = std::move(bgr);
        alpha_.clear(), palette_.clear(), paletteAlpha_.clear();
        hasTransparentColor_ = false, transparentColor_ = clNone;
        return Changed();
    }
    TGraphic::Assign(source);
}

// ---------------------------------------------------------------------------------------
// Files

void TPngPicture::LoadFromStream(TStream& stream)
{
    const std::int64_t start = stream.Position();
    const std::int64_t left = stream.Size() - start;
    if (left <= 0) Bad("empty");
    TBytes file(static_cast<std::size_t>(left));
    stream.ReadBuffer(file.data(), left);
    pictures::PngData d;
    std::string error;
    if (!pictures::DecodePng(file.data(), file.size(), d, error)) Bad(error);
    stream.SetPosition(start + static_cast<std::int64_t>(d.consumed)); // just after IEND
    width_ = d.width, height_ = d.height, colorType_ = d.colorType;
    color_ = std::move(d.color), alpha_ = std::move(d.alpha);
    palette_.assign(d.palette.begin(), d.palette.end());
    paletteAlpha_ = std::move(d.paletteAlpha);
    hasTransparentColor_ = d.hasTransparentColor;
    transparentColor_ = hasTransparentColor_ ? static_cast<TColor>(d.transparentColor) : clNone;
    Changed();
}

void TPngPicture::SaveToStream(TStream& stream) const
{
    if (Empty()) return;
    const int channels = pictures::PngChannels(colorType_);
    const std::size_t n = static_cast<std::size_t>(width_) * height_;
    std::vector<std::uint8_t> pixels(n * channels);
    if (alpha_.empty()) {
        pixels = color_;
    } else {
        const int c = channels - 1;
        for (std::size_t i = 0; i < n; ++i) {
            std::memcpy(pixels.data() + i * channels, color_.data() + i * c, c);
            pixels[i * channels + c] = alpha_[i];
        }
    }
    std::vector<png_bytep> rows(height_);
    for (int y = 0; y < height_; ++y) rows[y] = pixels.data() + static_cast<std::size_t>(y) * width_ * channels;
    std::vector<png_color> palette;
    for (TColor c : palette_)
        palette.push_back(png_color{static_cast<png_byte>(c), static_cast<png_byte>(c >> 8), static_cast<png_byte>(c >> 16)});
    std::size_t transCount = paletteAlpha_.size();
    while (transCount && paletteAlpha_[transCount - 1] == 255) --transCount;
    png_color_16 key{};
    key.red = static_cast<png_uint_16>(transparentColor_ & 0xFF);
    key.green = static_cast<png_uint_16>((transparentColor_ >> 8) & 0xFF);
    key.blue = static_cast<png_uint_16>((transparentColor_ >> 16) & 0xFF);
    key.gray = key.red;
    PngEncoding in{width_, height_, colorType_, rows.data(), palette.data(), static_cast<int>(palette.size()),
                   transCount ? paletteAlpha_.data() : nullptr, static_cast<int>(transCount), hasTransparentColor_ ? &key : nullptr};
    if (colorType_ == ctPalette && palette.empty()) throw EInvalidGraphicOperation("Palette picture without a palette");
    TBytes out;
    char message[200] = "";
    if (!EncodePng(in, out, message)) throw EInvalidGraphicOperation(AnsiString("PNG encoding failed: ") + message);
    stream.WriteBuffer(out.data(), static_cast<std::int64_t>(out.size()));
}

// ---------------------------------------------------------------------------------------
// Drawing

void TPngPicture::Draw(TCanvas& canvas, const RECT& r)
{
    if (Empty()) return;
    // A premultiplied 32-bit image of the picture, blended over the destination.
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width_;
    bi.bmiHeader.biHeight = -height_;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    BitmapHandle image(CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!image) throw EInvalidGraphicOperation("Out of system resources");
    auto* p = static_cast<std::uint8_t*>(bits);
    for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x, p += 4) {
            const TColor c = Pixel(x, y);
            const unsigned a = AlphaAt(x, y);
            p[0] = static_cast<std::uint8_t>((((c >> 16) & 0xFF) * a + 127) / 255);
            p[1] = static_cast<std::uint8_t>((((c >> 8) & 0xFF) * a + 127) / 255);
            p[2] = static_cast<std::uint8_t>(((c & 0xFF) * a + 127) / 255);
            p[3] = static_cast<std::uint8_t>(a);
        }
    MemoryDc dc(CreateCompatibleDC(nullptr));
    SelectGuard select(dc.get(), image.get());
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    GdiAlphaBlend(canvas.Handle(), r.left, r.top, r.right - r.left, r.bottom - r.top, dc.get(), 0, 0, width_, height_, blend);
}

} // namespace cl
