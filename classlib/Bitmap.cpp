// TBitmap: DIB sections, pixel-format changes, BMP files, masks and key-colour drawing.
#include "classlib/Graphics.h"
#include "classlib/PictureFormats.h"
#include "classlib/RawBytes.h"

#include <algorithm>
#include <cstring>

namespace cl {

// The bitmap's canvas: a memory DC that keeps the bitmap's current DIB selected.
class TBitmapCanvas : public TCanvas {
public:
    explicit TBitmapCanvas(const TBitmap& owner) : owner_(owner) {}
    ~TBitmapCanvas() override
    {
        if (!dc_) return;
        ReleaseDc();
        SelectObject(dc_.get(), original_);
    }

    // Puts bitmap (or the DC's own one) in; called before the old bitmap is deleted.
    void Reselect(HBITMAP bitmap)
    {
        if (dc_) SelectObject(dc_.get(), bitmap ? bitmap : original_);
    }

protected:
    void CreateHandle() override
    {
        dc_.reset(CreateCompatibleDC(nullptr));
        if (!dc_) throw EInvalidGraphicOperation("Out of system resources");
        original_ = GetCurrentObject(dc_.get(), OBJ_BITMAP);
        if (owner_.Handle()) SelectObject(dc_.get(), owner_.Handle());
        SetHandle(dc_.get());
    }

private:
    const TBitmap& owner_;
    MemoryDc dc_;
    HGDIOBJ original_ = nullptr;
};

TBitmapRelease::TBitmapRelease(const TBitmap* bitmap) : bitmap_(bitmap)
{
    if (bitmap_ && bitmap_->canvas_) bitmap_->canvas_->Reselect(nullptr);
}

TBitmapRelease::~TBitmapRelease()
{
    if (bitmap_ && bitmap_->canvas_) bitmap_->canvas_->Reselect(bitmap_->Handle());
}

namespace {

int BitCount(TPixelFormat f)
{
    switch (f) {
    case pf1bit: return 1;
    case pf4bit: return 4;
    case pf8bit: return 8;
    case pf15bit:
    case pf16bit: return 16;
    case pf24bit: return 24;
    case pfDevice:
    case pf32bit: return 32;
    }
    return 32;
}

std::size_t Stride(int width, int bitCount) { return ((static_cast<std::size_t>(width) * bitCount + 31) / 32) * 4; }

constexpr DWORD Masks565[3] = {0xF800, 0x07E0, 0x001F};

// A header for a bottom-up DIB of the format, with its colour table or bit fields.
struct DibInfo {
    BITMAPINFOHEADER header{};
    RGBQUAD colors[256]{};
    BITMAPINFO* get() { return reinterpret_cast<BITMAPINFO*>(this); }
};

DibInfo MakeInfo(int width, int height, TPixelFormat format, const std::vector<RGBQUAD>& palette)
{
    DibInfo info;
    info.header.biSize = sizeof info.header;
    info.header.biWidth = width;
    info.header.biHeight = height;
    info.header.biPlanes = 1;
    info.header.biBitCount = static_cast<WORD>(BitCount(format));
    info.header.biCompression = BI_RGB;
    if (format == pf16bit) {
        info.header.biCompression = BI_BITFIELDS;
        std::memcpy(info.colors, Masks565, sizeof Masks565);
    } else if (!palette.empty()) {
        info.header.biClrUsed = static_cast<DWORD>(palette.size());
        std::copy(palette.begin(), palette.end(), info.colors);
    }
    return info;
}

TBitmap::Dib MakeDib(int width, int height, TPixelFormat format, std::vector<RGBQUAD> palette)
{
    if (format == pf1bit && palette.empty()) palette = {RGBQUAD{0, 0, 0, 0}, RGBQUAD{255, 255, 255, 0}};
    DibInfo info = MakeInfo(width, height, format, palette);
    TBitmap::Dib dib;
    void* bits = nullptr;
    dib.handle.reset(CreateDIBSection(nullptr, info.get(), DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!dib.handle) throw EInvalidGraphicOperation("Out of system resources");
    dib.bits = static_cast<std::uint8_t*>(bits);
    dib.width = width;
    dib.height = height;
    dib.bitCount = BitCount(format);
    dib.palette = std::move(palette);
    return dib;
}


[[noreturn]] void Bad(const char* what) { throw EInvalidGraphic(AnsiString("Bitmap image is not valid: ") + what); }

} // namespace

const TClass& TBitmap::StaticClass() { return DefineClass<TBitmap, TGraphic>("TBitmap"); }

TBitmap::TBitmap() = default;
TBitmap::~TBitmap() = default;

TCanvas* TBitmap::Canvas() const
{
    if (!canvas_) canvas_ = std::make_unique<TBitmapCanvas>(*this);
    return canvas_.get();
}

void TBitmap::Install(Dib dib, TPixelFormat format)
{
    if (canvas_) canvas_->Reselect(dib.handle.get());
    dib_ = std::move(dib); // the old DIB goes now that no DC holds it
    format_ = format;
    Changed();
}

// A new DIB of the size and format holding the current picture at its top-left.
TBitmap::Dib TBitmap::Convert(int width, int height, TPixelFormat format) const
{
    std::vector<RGBQUAD> palette;
    if (BitCount(format) == dib_.bitCount && dib_.bitCount <= 8) palette = dib_.palette;
    Dib dib = MakeDib(width, height, format, palette);
    if (!dib_.handle) return dib;
    GdiFlush();
    if (BitCount(format) == dib_.bitCount && (dib_.bitCount != 16 || format == format_)) {
        // Same layout: copy rows, so indices and alpha stay exactly as they are.
        const std::size_t from = Stride(dib_.width, dib_.bitCount), to = Stride(width, dib.bitCount);
        const std::size_t bytes = std::min(Stride(std::min(width, dib_.width), dib.bitCount), std::min(from, to));
        for (int y = 0; y < std::min(height, dib_.height); ++y)
            std::memcpy(dib.bits + (height - 1 - y) * to, dib_.bits + (dib_.height - 1 - y) * from, bytes);
        return dib;
    }
    MemoryDc dc(CreateCompatibleDC(nullptr));
    SelectGuard select(dc.get(), dib.handle.get());
    HDC src = Canvas()->Handle();
    // Into 1 bit: white stays white, black and dark colours turn black (by the background
    // colour rule on Windows, by the nearer table colour on Wine).
    COLORREF oldBk = SetBkColor(src, RGB(255, 255, 255));
    BitBlt(dc.get(), 0, 0, std::min(width, dib_.width), std::min(height, dib_.height), src, 0, 0, SRCCOPY);
    SetBkColor(src, oldBk);
    GdiFlush();
    return dib;
}

void TBitmap::SetSize(int width, int height)
{
    if (width < 0 || height < 0) throw EInvalidGraphicOperation("Invalid bitmap size");
    if (width == dib_.width && height == dib_.height) return;
    if (width == 0 || height == 0) return Install(Dib{}, format_);
    Install(Convert(width, height, format_), format_);
}

void TBitmap::SetPixelFormat(TPixelFormat format)
{
    if (format == format_) return;
    if ((format == pf4bit || format == pf8bit) && BitCount(format) != dib_.bitCount)
        throw EInvalidGraphicOperation("Pixel format not supported");
    if (!dib_.handle) {
        format_ = format;
        return Changed();
    }
    Install(Convert(dib_.width, dib_.height, format), format);
}

void* TBitmap::ScanLine(int y) { return const_cast<void*>(static_cast<const TBitmap&>(*this).ScanLine(y)); }

const void* TBitmap::ScanLine(int y) const
{
    if (!dib_.handle || y < 0 || y >= dib_.height) throw EInvalidGraphicOperation("Scan line index out of range");
    GdiFlush();
    return dib_.bits + (dib_.height - 1 - y) * Stride(dib_.width, dib_.bitCount);
}

void TBitmap::Assign(const TPersistent& source)
{
    if (const auto* b = dynamic_cast<const TBitmap*>(&source)) {
        if (b == this) return;
        mode_ = b->mode_;
        transparentColor_ = b->transparentColor_;
        SetTransparent(b->Transparent());
        if (!b->dib_.handle) return Install(Dib{}, b->format_);
        Dib dib = MakeDib(b->dib_.width, b->dib_.height, b->format_, b->dib_.palette);
        GdiFlush();
        std::memcpy(dib.bits, b->dib_.bits, Stride(dib.width, dib.bitCount) * dib.height);
        return Install(std::move(dib), b->format_);
    }
    if (const auto* g = dynamic_cast<const TGraphic*>(&source)) {
        SetSize(0, 0);
        SetSize(g->Width(), g->Height());
        if (Empty()) return;
        RECT r{0, 0, Width(), Height()};
        Canvas()->FillRect(r);
        // Drawing does not change the source; the interface takes it mutable for canvases.
        Canvas()->StretchDraw(r, const_cast<TGraphic&>(*g));
        return Changed();
    }
    TGraphic::Assign(source);
}

void TBitmap::SetHandle(HBITMAP bitmap)
{
    BitmapHandle owned(bitmap);
    if (!bitmap) return SetSize(0, 0);
    DIBSECTION ds{};
    int got = GetObjectA(bitmap, sizeof ds, &ds);
    if (got < static_cast<int>(sizeof(BITMAP))) throw EInvalidGraphic("Not a bitmap handle");
    const int bits = got == sizeof ds ? ds.dsBmih.biBitCount : ds.dsBm.bmBitsPixel * ds.dsBm.bmPlanes;
    TPixelFormat format = bits == 1 ? pf1bit : bits == 16 ? pf16bit : bits == 24 ? pf24bit : pf32bit;
    Dib dib = MakeDib(ds.dsBm.bmWidth, std::abs(ds.dsBm.bmHeight), format, {});
    {
        MemoryDc src(CreateCompatibleDC(nullptr)), dst(CreateCompatibleDC(nullptr));
        SelectGuard s(src.get(), bitmap), d(dst.get(), dib.handle.get());
        BitBlt(dst.get(), 0, 0, dib.width, dib.height, src.get(), 0, 0, SRCCOPY);
    }
    GdiFlush();
    Install(std::move(dib), format);
}

void TBitmap::Mask(TColor key)
{
    if (!dib_.handle) return;
    BitmapHandle ddb = MonoMask(key);
    Dib mask = MakeDib(dib_.width, dib_.height, pf1bit, {});
    {
        MemoryDc src(CreateCompatibleDC(nullptr)), dst(CreateCompatibleDC(nullptr));
        SelectGuard s(src.get(), ddb.get()), d(dst.get(), mask.handle.get());
        BitBlt(dst.get(), 0, 0, dib_.width, dib_.height, src.get(), 0, 0, SRCCOPY);
    }
    GdiFlush();
    Install(std::move(mask), pf1bit);
}

// A monochrome device bitmap, 1 (white) where the picture has the key colour. Colour to
// monochrome blits map the source's background colour to 1 only for a device bitmap: into
// a 1-bit DIB section, Wine picks the nearer colour of its table instead.
BitmapHandle TBitmap::MonoMask(TColor key) const
{
    BitmapHandle mask(CreateBitmap(dib_.width, dib_.height, 1, 1, nullptr));
    if (!mask) throw EInvalidGraphicOperation("Out of system resources");
    MemoryDc dc(CreateCompatibleDC(nullptr));
    SelectGuard select(dc.get(), mask.get());
    HDC src = Canvas()->Handle();
    COLORREF oldBk = SetBkColor(src, static_cast<COLORREF>(ColorToRGB(key)));
    BitBlt(dc.get(), 0, 0, dib_.width, dib_.height, src, 0, 0, SRCCOPY);
    SetBkColor(src, oldBk);
    return mask;
}

TColor TBitmap::TransparentColor() const
{
    if (!dib_.handle) return clDefault;
    if (mode_ == tmFixed) return transparentColor_;
    return Canvas()->Pixel(0, dib_.height - 1) & 0xFFFFFF;
}

void TBitmap::SetTransparentColor(TColor color)
{
    transparentColor_ = color;
    mode_ = color == clDefault ? tmAuto : tmFixed;
    Changed();
}

void TBitmap::SetTransparentMode(TTransparentMode mode)
{
    if (mode == mode_) return;
    if (mode == tmAuto) transparentColor_ = clDefault;
    mode_ = mode;
    Changed();
}

void TBitmap::Draw(TCanvas& canvas, const RECT& r)
{
    if (!dib_.handle) return;
    HDC dc = canvas.Handle();
    HDC src = Canvas()->Handle();
    const int w = r.right - r.left, h = r.bottom - r.top;
    if (!Transparent()) {
        StretchBlt(dc, r.left, r.top, w, h, src, 0, 0, dib_.width, dib_.height, canvas.CopyMode());
        return;
    }
    BitmapHandle mask = MonoMask(TransparentColor());
    MemoryDc maskDc(CreateCompatibleDC(dc));
    SelectGuard select(maskDc.get(), mask.get());
    HDC m = maskDc.get();
    // dest ^= image; dest &= mask (white keeps the key pixels' dest); dest ^= image. Key
    // pixels come back to the destination, the others to the image. The mask blit maps 1
    // to the background and 0 to the text colour, so those are white and black meanwhile.
    COLORREF oldText = SetTextColor(dc, RGB(0, 0, 0));
    COLORREF oldBk = SetBkColor(dc, RGB(255, 255, 255));
    int oldMode = SetStretchBltMode(dc, COLORONCOLOR);
    StretchBlt(dc, r.left, r.top, w, h, src, 0, 0, dib_.width, dib_.height, SRCINVERT);
    StretchBlt(dc, r.left, r.top, w, h, m, 0, 0, dib_.width, dib_.height, SRCAND);
    StretchBlt(dc, r.left, r.top, w, h, src, 0, 0, dib_.width, dib_.height, SRCINVERT);
    SetStretchBltMode(dc, oldMode);
    SetBkColor(dc, oldBk);
    SetTextColor(dc, oldText);
}

// ---------------------------------------------------------------------------------------
// BMP files

void TBitmap::LoadFromStream(TStream& stream)
{
    const std::int64_t left = stream.Size() - stream.Position();
    if (left <= 0) return SetSize(0, 0);
    std::uint8_t header[pictures::BmpFileHeaderSize];
    if (left < static_cast<std::int64_t>(sizeof header)) Bad("too short");
    stream.ReadBuffer(header, sizeof header);
    pictures::BmpFileHeader file;
    if (const char* error = pictures::ReadBmpFileHeader(header, file)) Bad(error);
    std::int64_t size = left - static_cast<std::int64_t>(sizeof header);
    if (file.size > sizeof header && file.size - sizeof header < static_cast<std::uint64_t>(size))
        size = file.size - sizeof header;
    if (size > pictures::MaxBmpBytes) Bad("too large");
    TBytes rest(static_cast<std::size_t>(size));
    stream.ReadBuffer(rest.data(), size);
    if (rest.size() < 4) Bad("no header");
    if (ReadRaw<DWORD>(rest.data()) > rest.size()) Bad("truncated header");
    std::size_t offBits = file.offBits >= sizeof header ? file.offBits - sizeof header : 0;
    if (offBits > rest.size()) Bad("pixel offset outside the file");
    // No offset: the pixels follow the header and colour table, which LoadDib measures.
    LoadDib(rest.data(), offBits ? offBits : rest.size(), offBits ? rest.data() + offBits : nullptr,
            offBits ? rest.size() - offBits : 0);
}

void TBitmap::LoadFromResourceName(HINSTANCE instance, const char* name)
{
    HRSRC res = FindResourceA(instance, name, reinterpret_cast<LPCSTR>(RT_BITMAP));
    HGLOBAL mem = res ? LoadResource(instance, res) : nullptr;
    const auto* data = mem ? static_cast<const std::uint8_t*>(LockResource(mem)) : nullptr;
    if (!data) throw EInvalidGraphic(AnsiString("Bitmap resource ") + name + " not found");
    LoadDib(data, SizeofResource(instance, res), nullptr, 0);
}

// info: the header (and colour table, and with bits null the pixels too).
void TBitmap::LoadDib(const std::uint8_t* info, std::size_t infoSize, const std::uint8_t* bits, std::size_t bitsSize)
{
    pictures::DibLayout dib;
    if (const char* error = pictures::ParseDibHeader(info, infoSize, dib)) Bad(error);
    if (!bits) {
        bits = info + dib.tableEnd;
        bitsSize = infoSize - dib.tableEnd;
    }
    if (const char* error = pictures::CheckDibPixels(dib, bitsSize)) Bad(error);
    const int width = dib.width, height = dib.height, bc = dib.bitCount;
    const std::uint32_t* masks = dib.masks;
    std::vector<RGBQUAD> palette;
    for (std::size_t i = 0; i + 3 < dib.palette.size(); i += 4)
        palette.push_back(RGBQUAD{dib.palette[i], dib.palette[i + 1], dib.palette[i + 2], 0});
    const std::size_t stride = dib.stride;

    TPixelFormat format = bc == 1 ? pf1bit : bc == 4 ? pf4bit : bc == 8 ? pf8bit : bc == 24 ? pf24bit : bc == 32 ? pf32bit : pf15bit;
    if (bc == 16 && dib.compression == BI_BITFIELDS && masks[0] == Masks565[0] && masks[1] == Masks565[1] && masks[2] == Masks565[2])
        format = pf16bit;
    const bool plain32 = bc == 32 && (dib.compression == BI_RGB || (masks[0] == 0xFF0000 && masks[1] == 0xFF00 && masks[2] == 0xFF));
    const bool plain16 = bc == 16 && (dib.compression == BI_RGB || format == pf16bit ||
                                      (masks[0] == 0x7C00 && masks[1] == 0x03E0 && masks[2] == 0x001F));
    Dib made;
    try {
        made = MakeDib(width, height, format, palette);
    } catch (const EInvalidGraphicOperation&) {
        Bad("too large"); // run-length data does not bound the size it claims
    }
    if (!dib.Rle() && (bc != 16 || plain16) && (bc != 32 || plain32)) {
        for (int y = 0; y < height; ++y) {
            int from = dib.topDown ? height - 1 - y : y; // rows as stored, bottom-up
            std::memcpy(made.bits + y * stride, bits + from * stride, stride);
        }
    } else {
        // RLE and unusual bit fields: GDI decodes into the DIB.
        if (dib.headerSize == 12) Bad("unsupported format");
        std::vector<std::uint8_t> header(dib.tableEnd);
        std::memcpy(header.data(), info, dib.tableEnd);
        auto* bi = reinterpret_cast<BITMAPINFOHEADER*>(header.data());
        if (dib.Rle()) bi->biSizeImage = static_cast<DWORD>(bitsSize);
        // Bit fields read after a header shorter than 52 bytes: GDI finds them after 40.
        if (dib.compression == BI_BITFIELDS && dib.headerSize < 52) bi->biSize = 40;
        WindowDc screen(nullptr);
        if (SetDIBits(screen.get(), made.handle.get(), 0, height, bits, reinterpret_cast<BITMAPINFO*>(header.data()),
                      DIB_RGB_COLORS) == 0)
            Bad("undecodable pixels");
    }
    GdiFlush();
    Install(std::move(made), format);
}

void TBitmap::SaveToStream(TStream& stream) const
{
    if (!dib_.handle) return;
    const std::size_t stride = Stride(dib_.width, dib_.bitCount);
    DibInfo info = MakeInfo(dib_.width, dib_.height, format_, dib_.palette);
    const std::size_t table = format_ == pf16bit ? sizeof Masks565 : dib_.palette.size() * sizeof(RGBQUAD);
    info.header.biSizeImage = static_cast<DWORD>(stride * dib_.height);
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = static_cast<DWORD>(sizeof file + sizeof info.header + table);
    file.bfSize = static_cast<DWORD>(file.bfOffBits + stride * dib_.height);
    TBytes out;
    out.reserve(file.bfSize);
    AppendRaw(out, file);
    AppendRaw(out, info.header);
    const auto* t = reinterpret_cast<const std::uint8_t*>(info.colors);
    out.insert(out.end(), t, t + table);
    GdiFlush();
    out.insert(out.end(), dib_.bits, dib_.bits + stride * dib_.height);
    stream.WriteBuffer(out.data(), static_cast<std::int64_t>(out.size()));
}

} // namespace cl
