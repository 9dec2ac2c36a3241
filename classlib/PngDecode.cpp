// libpng reading from memory; its errors jump back into DecodeFrame.
#include "classlib/PngDecode.h"
#include "classlib/PngGlue.h"

#include <algorithm>
#include <csetjmp>
#include <cstring>


namespace cl::pictures {

int PngChannels(int colourType)
{
    switch (colourType) {
    case PNG_COLOR_TYPE_RGB: return 3;
    case PNG_COLOR_TYPE_RGB_ALPHA: return 4;
    case PNG_COLOR_TYPE_GRAY_ALPHA: return 2;
    default: return 1;
    }
}

void OnPngError(png_structp png, png_const_charp message)
{
    auto* out = static_cast<char*>(png_get_error_ptr(png));
    std::strncpy(out, message, 199);
    out[199] = 0;
    png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {} // the image decodes anyway

namespace {

struct PngSource {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t pos;
};

void ReadData(png_structp png, png_bytep out, png_size_t n)
{
    auto* s = static_cast<PngSource*>(png_get_io_ptr(png));
    if (n > s->size - s->pos) png_error(png, "truncated file");
    std::memcpy(out, s->data + s->pos, n);
    s->pos += n;
}

// What libpng hands over: rows of 8-bit samples, colour in blue, green, red order.
struct Decoded {
    int width = 0, height = 0, type = 0, depth = 0;
    bool interlaced = false;
    std::size_t rowBytes = 0;
    std::vector<std::uint8_t> pixels;
    std::vector<png_bytep> rows;
    png_color palette[256];
    int paletteCount = 0;
    std::uint8_t trans[256];
    int transCount = 0;
    bool hasTransColor = false;
    png_color_16 transColor{};

    // Interlaced images need every row at once; others grow row by row, so a file that
    // breaks off early has not reserved its whole claimed size.
    bool Reserve(std::size_t bytes) noexcept
    {
        try {
            if (pixels.size() < bytes) pixels.resize(bytes);
            return true;
        } catch (...) {
            return false;
        }
    }
    bool AllRows() noexcept
    {
        if (!Reserve(rowBytes * height)) return false;
        try {
            rows.resize(height);
        } catch (...) {
            return false;
        }
        for (int y = 0; y < height; ++y) rows[y] = pixels.data() + y * rowBytes;
        return true;
    }
};

// libpng reports errors by jumping back into this frame, so nothing in it has a destructor.
bool DecodeFrame(PngSource& source, Decoded& out, char* message)
{
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, message, OnPngError, OnPngWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        std::strcpy(message, "out of memory");
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_set_read_fn(png, &source, ReadData);
    png_read_info(png, info);
    png_uint_32 w = 0, h = 0;
    int depth = 0, type = 0, interlace = 0;
    png_get_IHDR(png, info, &w, &h, &depth, &type, &interlace, nullptr, nullptr);
    if (w > MaxPngSide || h > MaxPngSide || std::uint64_t(w) * h * PngChannels(type) > MaxPngBytes) png_error(png, "image too large");
    if (depth == 16) png_set_strip_16(png);
    if (depth < 8) {
        png_set_packing(png);
        if (type == PNG_COLOR_TYPE_GRAY) png_set_expand_gray_1_2_4_to_8(png);
    }
    if (type == PNG_COLOR_TYPE_RGB || type == PNG_COLOR_TYPE_RGB_ALPHA) png_set_bgr(png);
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    out.width = static_cast<int>(w);
    out.height = static_cast<int>(h);
    out.type = type;
    out.depth = depth;
    out.interlaced = interlace != PNG_INTERLACE_NONE;
    out.rowBytes = png_get_rowbytes(png, info);
    png_colorp palette = nullptr;
    if (png_get_PLTE(png, info, &palette, &out.paletteCount)) std::memcpy(out.palette, palette, sizeof(png_color) * std::min(out.paletteCount, 256));
    png_bytep trans = nullptr;
    png_color_16p transColor = nullptr;
    if (png_get_tRNS(png, info, &trans, &out.transCount, &transColor)) {
        if (type == PNG_COLOR_TYPE_PALETTE && trans) std::memcpy(out.trans, trans, std::min(out.transCount, 256));
        else if (transColor) out.hasTransColor = true, out.transColor = *transColor;
    }
    if (type == PNG_COLOR_TYPE_PALETTE && out.paletteCount == 0) png_error(png, "palette missing");
    if (passes > 1) {
        if (!out.AllRows()) png_error(png, "out of memory");
        png_read_image(png, out.rows.data());
    } else {
        for (int y = 0; y < out.height; ++y) {
            const std::size_t need = out.rowBytes * (y + 1);
            if (need > out.pixels.size() &&
                !out.Reserve(std::min(out.rowBytes * out.height, std::max(need, 2 * out.pixels.size()))))
                png_error(png, "out of memory");
            png_read_row(png, out.pixels.data() + out.rowBytes * y, nullptr);
        }
    }
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

} // namespace

bool DecodePng(const std::uint8_t* data, std::size_t size, PngData& result, std::string& error)
{
    if (size < 8 || png_sig_cmp(data, 0, 8) != 0) {
        error = "no PNG signature";
        return false;
    }
    PngSource source{data, size, 0};
    Decoded d;
    char message[200] = "";
    if (!DecodeFrame(source, d, message)) {
        error = message;
        return false;
    }
    PngData out;
    out.consumed = source.pos;
    out.width = d.width, out.height = d.height, out.colorType = d.type;
    const std::size_t n = static_cast<std::size_t>(d.width) * d.height;
    const int channels = PngChannels(d.type);
    auto row = [&](std::size_t y) { return d.pixels.data() + y * d.rowBytes; };
    if (d.type == PNG_COLOR_TYPE_RGB_ALPHA || d.type == PNG_COLOR_TYPE_GRAY_ALPHA) {
        const int c = channels - 1;
        out.color.resize(n * c);
        out.alpha.resize(n);
        for (std::size_t i = 0; i < n; ++i) {
            const std::uint8_t* p = row(i / d.width) + (i % d.width) * channels;
            std::memcpy(out.color.data() + i * c, p, c);
            out.alpha[i] = p[c];
        }
    } else {
        out.color.resize(n * channels);
        const std::size_t bytes = static_cast<std::size_t>(d.width) * channels;
        for (int y = 0; y < d.height; ++y) std::memcpy(out.color.data() + y * bytes, row(y), bytes);
    }
    for (int i = 0; i < d.paletteCount; ++i)
        out.palette.push_back(d.palette[i].red | d.palette[i].green << 8 | static_cast<std::uint32_t>(d.palette[i].blue) << 16);
    out.paletteAlpha.assign(out.palette.size(), 255);
    if (d.type == PNG_COLOR_TYPE_PALETTE)
        for (int i = 0; i < d.transCount && i < static_cast<int>(out.paletteAlpha.size()); ++i) out.paletteAlpha[i] = d.trans[i];
    out.hasTransparentColor = d.hasTransColor && (d.type == PNG_COLOR_TYPE_GRAY || d.type == PNG_COLOR_TYPE_RGB);
    if (out.hasTransparentColor) {
        // Samples of the key are in the file's own depth.
        auto scale = [&](unsigned v) { return d.depth == 16 ? v >> 8 : d.depth < 8 ? v * 255 / ((1u << d.depth) - 1) : v; };
        const png_color_16& k = d.transColor;
        auto byte = [&](unsigned v) { return scale(v) & 0xFF; };
        out.transparentColor = d.type == PNG_COLOR_TYPE_GRAY ? byte(k.gray) * 0x010101u
                                                             : byte(k.red) | byte(k.green) << 8 | byte(k.blue) << 16;
    }
    result = std::move(out);
    return true;
}

PictureKind SniffPicture(const std::uint8_t* head, std::size_t n)
{
    if (n >= 2 && head[0] == 'B' && head[1] == 'M') return PictureKind::Bmp;
    if (n >= 4 && head[0] == 0 && head[1] == 0 && head[2] == 1 && head[3] == 0) return PictureKind::Icon;
    if (n >= 2 && head[0] == 0xFF && head[1] == 0xD8) return PictureKind::Jpeg;
    if (n >= 4 && head[0] == 0x89 && head[1] == 'P' && head[2] == 'N' && head[3] == 'G') return PictureKind::Png;
    return PictureKind::Unknown;
}

} // namespace cl::pictures
