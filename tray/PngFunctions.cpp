// The PNG image list's picture operations. Rounding is to the nearest integer with halves
// to even, on extended-precision products.
#include "tray/PngFunctions.h"

#include "tray/AlphaImageList.h"

#include <cmath>
#include <cstring>
#include <vector>

namespace tray {

using namespace cl;

const TEnumType PngOptionType{{"pngBlendOnDisabled", "pngGrayscaleOnDisabled"}};

namespace {

std::uint8_t RoundByte(long double v)
{
    const long double r = std::nearbyintl(v); // the default rounding mode: halves to even
    return static_cast<std::uint8_t>(r < 0 ? 0 : r > 255 ? 255 : r);
}

void Grey(std::uint8_t& r, std::uint8_t& g, std::uint8_t& b, std::uint8_t amount)
{
    const std::uint8_t grey = RoundByte(r * 0.3L + g * 0.59L + b * 0.11L);
    const long double keep = 255 - amount, take = amount + 1;
    // With amounts other than 255 the two terms can reach 256: held at 255.
    auto mix = [&](std::uint8_t c) {
        const unsigned v = RoundByte(c / 256.0L * keep) + RoundByte(grey / 256.0L * take);
        return static_cast<std::uint8_t>(v > 255 ? 255 : v);
    };
    r = mix(r), g = mix(g), b = mix(b);
}

// The bitmap's pixels as 32-bit values (blue in the low byte), rows from the top; a
// monochrome bitmap gives black and white.
std::vector<std::uint32_t> Pixels32(HBITMAP bitmap, int width, int height)
{
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height);
    if (pixels.empty()) return pixels;
    BITMAPV4HEADER header{};
    header.bV4Size = sizeof header;
    header.bV4Width = width;
    header.bV4Height = -height;
    header.bV4Planes = 1;
    header.bV4BitCount = 32;
    header.bV4V4Compression = BI_BITFIELDS;
    header.bV4RedMask = 0xFF0000;
    header.bV4GreenMask = 0xFF00;
    header.bV4BlueMask = 0xFF;
    header.bV4AlphaMask = 0xFF000000;
    WindowDc screen(nullptr);
    if (GetDIBits(screen.get(), bitmap, 0, height, pixels.data(), reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS) == 0)
        pixels.assign(pixels.size(), 0);
    return pixels;
}

// Copies source's rectangle at (sx, sy) onto the bitmap's top-left corner; source is
// selected into no other device context.
void Blit(TBitmap& target, HBITMAP source, int sx, int sy)
{
    MemoryDc dc(CreateCompatibleDC(nullptr));
    SelectGuard select(dc.get(), source);
    BitBlt(target.Canvas()->Handle(), 0, 0, target.Width(), target.Height(), dc.get(), sx, sy, SRCCOPY);
}

// NT-based systems from 5.1 on draw icons with their own alpha.
bool IconsHaveAlpha()
{
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    if (!GetVersionExA(&version)) return false;
    return version.dwPlatformId == VER_PLATFORM_WIN32_NT &&
           (version.dwMajorVersion > 5 || (version.dwMajorVersion == 5 && version.dwMinorVersion != 0));
}

struct IconParts {
    BitmapHandle color, mask;
    int width = 0, height = 0;
};

bool GetParts(HICON icon, IconParts& parts)
{
    ICONINFO info{};
    if (!icon || !GetIconInfo(icon, &info)) return false;
    parts.color.reset(info.hbmColor);
    parts.mask.reset(info.hbmMask);
    BITMAP bm{};
    if (!GetObjectA(info.hbmMask, sizeof bm, &bm)) return false;
    parts.width = bm.bmWidth;
    parts.height = info.hbmColor ? bm.bmHeight : bm.bmHeight / 2;
    return true;
}

std::unique_ptr<TBitmap> Blank24(int width, int height)
{
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetPixelFormat(pf24bit);
    bitmap->SetSize(width, height);
    return bitmap;
}

} // namespace

void FadePngAlpha(TPngPicture& png, std::uint8_t amount)
{
    const bool keyed = png.TransparencyMode() == ptmBit;
    const TColor key = png.TransparentColor();
    const int w = png.Width(), h = png.Height();
    if (png.ColorType() == ctGrayscale || png.ColorType() == ctPalette) {
        TPngPicture faded;
        faded.Assign(*Blank24(w, h));
        faded.CreateAlpha();
        for (int y = 0; y < h; ++y) {
            std::uint8_t* alpha = faded.AlphaScanline(y);
            for (int x = 0; x < w; ++x) {
                const TColor c = png.Pixel(x, y);
                faded.SetPixel(x, y, c);
                alpha[x] = keyed && c == key ? 0 : amount;
            }
        }
        png.Assign(faded);
        return;
    }
    if (png.ColorType() == ctRGB) png.CreateAlpha();
    for (int y = 0; y < h; ++y) {
        std::uint8_t* alpha = png.AlphaScanline(y);
        for (int x = 0; x < w; ++x)
            alpha[x] = keyed && png.Pixel(x, y) == key ? 0 : RoundByte(alpha[x] / 256.0L * (amount + 1));
    }
}

void GreyPngColours(TPngPicture& png, std::uint8_t amount)
{
    switch (png.ColorType()) {
    case ctGrayscale:
    case ctGrayscaleAlpha: return;
    case ctPalette: {
        std::vector<TColor> palette = png.Palette();
        for (TColor& c : palette) {
            std::uint8_t r = c & 0xFF, g = (c >> 8) & 0xFF, b = (c >> 16) & 0xFF;
            Grey(r, g, b, amount);
            c = r | g << 8 | b << 16;
        }
        png.SetPalette(palette);
        return;
    }
    default:
        for (int y = 0; y < png.Height(); ++y) {
            std::uint8_t* p = png.Scanline(y);
            for (int x = 0; x < png.Width(); ++x, p += 3) Grey(p[2], p[1], p[0], amount);
        }
    }
}

void DrawPngWithOptions(TPngPicture& png, TCanvas& canvas, const RECT& r, TPngOptions options)
{
    if (options == 0) return png.Draw(canvas, r);
    TPngPicture copy;
    copy.Assign(png);
    if (options & (1u << pngBlendOnDisabled)) FadePngAlpha(copy, 127);
    if (options & (1u << pngGrayscaleOnDisabled)) GreyPngColours(copy, 255);
    copy.Draw(canvas, r);
}

std::unique_ptr<TPngPicture> BitmapMaskToPng(const TBitmap& image, const TBitmap* mask, bool invert)
{
    auto png = std::make_unique<TPngPicture>();
    png->Assign(image);
    png->CreateAlpha();
    if (!mask) return png;
    for (int y = 0; y < png->Height(); ++y) {
        std::uint8_t* alpha = png->AlphaScanline(y);
        for (int x = 0; x < png->Width(); ++x) {
            const std::uint8_t red = static_cast<std::uint8_t>(mask->Canvas()->Pixel(x, y) & 0xFF);
            alpha[x] = invert ? static_cast<std::uint8_t>(~red) : red;
        }
    }
    return png;
}

std::unique_ptr<TPngPicture> BitmapColourKeyToPng(const TBitmap& image, TColor maskColor)
{
    auto png = std::make_unique<TPngPicture>();
    png->Assign(image);
    png->CreateAlpha();
    const TColor key = ColorToRGB(maskColor) & 0xFFFFFF;
    for (int y = 0; y < png->Height(); ++y) {
        std::uint8_t* alpha = png->AlphaScanline(y);
        for (int x = 0; x < png->Width(); ++x) alpha[x] = png->Pixel(x, y) == key ? 0 : 255;
    }
    return png;
}

std::unique_ptr<TPngPicture> GraphicToPng(const TGraphic& graphic)
{
    if (const auto* source = dynamic_cast<const TPngPicture*>(&graphic)) {
        auto png = std::make_unique<TPngPicture>();
        png->Assign(*source);
        return png;
    }
    const int w = graphic.Width(), h = graphic.Height();
    std::vector<std::uint8_t> alpha(static_cast<std::size_t>(w) * h, 255);
    auto work = Blank24(w, h);
    bool hasAlpha = false;
    if (const auto* bitmap = dynamic_cast<const TBitmap*>(&graphic); bitmap && !bitmap->Empty()) {
        // The bitmap's DIB stays selected into its own canvas: copy from there.
        BitBlt(work->Canvas()->Handle(), 0, 0, w, h, bitmap->Canvas()->Handle(), 0, 0, SRCCOPY);
        if (bitmap->Transparent()) {
            // tmFixed: the fixed colour; tmAuto: the bottom-left pixel's.
            const TColor key = ColorToRGB(bitmap->TransparentColor()) & 0xFFFFFF;
            for (int y = 0; y < h; ++y) {
                const auto* p = static_cast<const std::uint8_t*>(work->ScanLine(y));
                for (int x = 0; x < w; ++x, p += 3)
                    if ((p[2] | p[1] << 8 | p[0] << 16) == key) alpha[static_cast<std::size_t>(y) * w + x] = 0, hasAlpha = true;
            }
        }
    } else if (const auto* icon = dynamic_cast<const TIcon*>(&graphic)) {
        IconParts parts;
        if (GetParts(icon->Handle(), parts) && parts.width == w && parts.height == h) {
            // A monochrome icon keeps its image under the mask in one double-height bitmap.
            if (parts.color) Blit(*work, parts.color.get(), 0, 0);
            else Blit(*work, parts.mask.get(), 0, h);
            const auto mask = Pixels32(parts.mask.get(), w, parts.color ? h : 2 * h);
            for (std::size_t i = 0; i < alpha.size(); ++i)
                if (mask[i] & 0xFFFFFF) alpha[i] = 0, hasAlpha = true;
            BITMAP bm{};
            if (parts.color && GetObjectA(parts.color.get(), sizeof bm, &bm) && bm.bmBitsPixel == 32 && IconsHaveAlpha()) {
                hasAlpha = true;
                const auto color = Pixels32(parts.color.get(), w, h);
                bool any = false;
                for (std::uint32_t p : color) any = any || (p >> 24) != 0;
                if (any)
                    for (std::size_t i = 0; i < alpha.size(); ++i) alpha[i] = static_cast<std::uint8_t>(color[i] >> 24);
            }
        }
    }
    auto png = std::make_unique<TPngPicture>();
    png->Assign(*work);
    if (hasAlpha) {
        png->CreateAlpha();
        for (int y = 0; y < h; ++y) std::memcpy(png->AlphaScanline(y), alpha.data() + static_cast<std::size_t>(y) * w, w);
    }
    return png;
}

void ImageListEntryToPng(TPngPicture& png, TCustomImageList& list, int index)
{
    if (auto* alphaList = dynamic_cast<TAlphaImageList*>(&list)) {
        const TAlphaImageItem* item = alphaList->PngImages()->Item(index);
        if (item && item->PngImage()) png.Assign(*item->PngImage());
        return;
    }
    IconHandle icon(list.GetIcon(index));
    IconParts parts;
    if (!GetParts(icon.get(), parts) || !parts.color) return;
    TBitmap color;
    color.SetHandle(parts.color.release());
    color.SetPixelFormat(pf24bit);
    png.Assign(color);
    png.CreateAlpha();
    const auto mask = Pixels32(parts.mask.get(), parts.width, parts.height);
    for (int y = 0; y < png.Height() && y < parts.height; ++y) {
        std::uint8_t* alpha = png.AlphaScanline(y);
        for (int x = 0; x < png.Width() && x < parts.width; ++x)
            alpha[x] = (mask[static_cast<std::size_t>(y) * parts.width + x] & 0xFFFFFF) == 0 ? 255 : 0;
    }
}

} // namespace tray
