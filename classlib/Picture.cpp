// Icons, JPEG images and the picture that holds any graphic.
#include "classlib/Graphics.h"
#include "classlib/PngImage.h"
#include "classlib/RawBytes.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>

namespace cl {

namespace {


TBytes ReadRest(TStream& stream)
{
    const std::int64_t left = stream.Size() - stream.Position();
    TBytes bytes(static_cast<std::size_t>(std::max<std::int64_t>(left, 0)));
    if (!bytes.empty()) stream.ReadBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
    return bytes;
}

struct IconInfo {
    BitmapHandle color, mask;
    int width = 0, height = 0;
};

IconInfo GetInfo(HICON icon)
{
    ICONINFO ii{};
    IconInfo info;
    if (!GetIconInfo(icon, &ii)) return info;
    info.color.reset(ii.hbmColor);
    info.mask.reset(ii.hbmMask);
    BITMAP bm{};
    if (GetObjectA(ii.hbmMask, sizeof bm, &bm)) {
        info.width = bm.bmWidth;
        info.height = ii.hbmColor ? bm.bmHeight : bm.bmHeight / 2;
    }
    return info;
}

} // namespace

// ---------------------------------------------------------------------------------------
// Graphic data

TBytes TGraphic::Data() const
{
    TMemoryStream stream;
    SaveToStream(stream);
    return stream.Bytes();
}

void TGraphic::SetData(const TBytes& data)
{
    TMemoryStream stream;
    if (!data.empty()) stream.WriteBuffer(data.data(), static_cast<std::int64_t>(data.size()));
    stream.SetPosition(0);
    LoadFromStream(stream);
}

// ---------------------------------------------------------------------------------------
// Icons

const TClass& TIcon::StaticClass() { return DefineClass<TIcon, TGraphic>("TIcon"); }

void TIcon::Assign(const TPersistent& source)
{
    const auto* icon = dynamic_cast<const TIcon*>(&source);
    if (!icon) return TGraphic::Assign(source);
    if (icon == this) return;
    handle_.reset(icon->handle_ ? CopyIcon(icon->handle_.get()) : nullptr);
    file_ = icon->file_;
    width_ = icon->width_;
    height_ = icon->height_;
    Changed();
}

void TIcon::SetHandle(HICON icon)
{
    handle_.reset(icon);
    file_.clear();
    IconInfo info = icon ? GetInfo(icon) : IconInfo{};
    width_ = info.width;
    height_ = info.height;
    Changed();
}

void TIcon::LoadFromStream(TStream& stream)
{
    auto bad = [](const char* what) { return EInvalidGraphic(AnsiString("Icon image is not valid: ") + what); };
    const std::int64_t start = stream.Position(), left = stream.Size() - start;
    std::uint8_t dir[6];
    if (left < 6) throw bad("too short");
    stream.ReadBuffer(dir, 6);
    const int count = ReadRaw<WORD>(dir + 4);
    if (ReadRaw<WORD>(dir) != 0 || ReadRaw<WORD>(dir + 2) != 1 || count == 0) throw bad("no icon directory");
    if (left < 6 + 16 * count) throw bad("truncated directory");
    TBytes file(6 + 16 * count);
    std::memcpy(file.data(), dir, 6);
    stream.ReadBuffer(file.data() + 6, 16 * count);
    std::int64_t end = 0;
    for (int i = 0; i < count; ++i) {
        const std::uint8_t* e = file.data() + 6 + 16 * i;
        end = std::max<std::int64_t>(end, std::int64_t(ReadRaw<DWORD>(e + 12)) + ReadRaw<DWORD>(e + 8));
    }
    if (end > left) throw bad("image outside the file");
    if (end > static_cast<std::int64_t>(file.size())) {
        const std::size_t had = file.size();
        file.resize(static_cast<std::size_t>(end));
        stream.ReadBuffer(file.data() + had, end - static_cast<std::int64_t>(had));
    }
    // The entry of the system's icon size if there is one, else the largest; then the most bits.
    const int want = GetSystemMetrics(SM_CXICON);
    int best = -1, bestScore = -1, bestW = 0, bestH = 0;
    for (int i = 0; i < count; ++i) {
        const std::uint8_t* e = file.data() + 6 + 16 * i;
        const int w = e[0] ? e[0] : 256, h = e[1] ? e[1] : 256, bits = ReadRaw<WORD>(e + 6);
        const int score = (w == want ? 1 << 20 : 0) + w * 1024 + bits;
        if (ReadRaw<DWORD>(e + 12) >= file.size() || ReadRaw<DWORD>(e + 8) < 40) continue;
        if (score > bestScore) best = i, bestScore = score, bestW = w, bestH = h;
    }
    if (best < 0) throw bad("no usable image");
    const std::uint8_t* e = file.data() + 6 + 16 * best;
    HICON icon = CreateIconFromResourceEx(const_cast<PBYTE>(file.data() + ReadRaw<DWORD>(e + 12)), ReadRaw<DWORD>(e + 8), TRUE,
                                          0x00030000, bestW, bestH, LR_DEFAULTCOLOR);
    if (!icon) throw bad("undecodable image");
    handle_.reset(icon);
    file_ = std::move(file);
    width_ = bestW;
    height_ = bestH;
    Changed();
}

void TIcon::SaveToStream(TStream& stream) const
{
    if (!file_.empty()) return stream.WriteBuffer(file_.data(), static_cast<std::int64_t>(file_.size()));
    if (!handle_) return;
    // One 32-bit image: the colour pixels, then the 1-bit mask, bottom-up.
    IconInfo info = GetInfo(handle_.get());
    const int w = info.width, h = info.height;
    if (w <= 0 || h <= 0) throw EInvalidGraphicOperation("Icon has no image");
    WindowDc screen(nullptr);
    BITMAPINFOHEADER header{sizeof(BITMAPINFOHEADER), w, h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<std::uint8_t> color(4u * w * h);
    if (info.color)
        GetDIBits(screen.get(), info.color.get(), 0, h, color.data(), reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS);
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colors[2];
    } mono{{sizeof(BITMAPINFOHEADER), w, info.color ? h : 2 * h, 1, 1, BI_RGB, 0, 0, 0, 0, 0}, {}};
    const std::size_t maskStride = ((w + 31) / 32) * 4;
    std::vector<std::uint8_t> mask(maskStride * (info.color ? h : 2 * h));
    GetDIBits(screen.get(), info.mask.get(), 0, mono.header.biHeight, mask.data(), reinterpret_cast<BITMAPINFO*>(&mono),
              DIB_RGB_COLORS);
    mask.resize(maskStride * h); // without a colour bitmap the lower half is the AND mask
    const DWORD imageSize = static_cast<DWORD>(sizeof header + color.size() + mask.size());
    TBytes out;
    AppendRaw(out, WORD(0));
    AppendRaw(out, WORD(1));
    AppendRaw(out, WORD(1));
    out.push_back(static_cast<std::uint8_t>(w < 256 ? w : 0));
    out.push_back(static_cast<std::uint8_t>(h < 256 ? h : 0));
    out.push_back(0);
    out.push_back(0);
    AppendRaw(out, WORD(1));
    AppendRaw(out, WORD(32));
    AppendRaw(out, imageSize);
    AppendRaw(out, DWORD(22));
    header.biHeight = 2 * h;
    header.biSizeImage = static_cast<DWORD>(color.size() + mask.size());
    AppendRaw(out, header);
    out.insert(out.end(), color.begin(), color.end());
    out.insert(out.end(), mask.begin(), mask.end());
    stream.WriteBuffer(out.data(), static_cast<std::int64_t>(out.size()));
}

void TIcon::Draw(TCanvas& canvas, const RECT& r)
{
    if (handle_) DrawIconEx(canvas.Handle(), r.left, r.top, handle_.get(), r.right - r.left, r.bottom - r.top, 0, nullptr, DI_NORMAL);
}

// ---------------------------------------------------------------------------------------
// JPEG

namespace {

struct JpegError {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void OnJpegError(j_common_ptr info)
{
    auto* e = reinterpret_cast<JpegError*>(info->err);
    info->err->format_message(info, e->message);
    std::longjmp(e->jump, 1);
}

void OnJpegMessage(j_common_ptr) {} // warnings: the image decodes anyway

struct JpegTarget {
    TBitmap* bitmap;
    bool Begin(int w, int h) noexcept
    {
        try {
            bitmap->SetSize(0, 0);
            bitmap->SetPixelFormat(pf24bit);
            bitmap->SetSize(w, h);
            return true;
        } catch (...) {
            return false;
        }
    }
    JSAMPLE* Row(int y) noexcept { return static_cast<JSAMPLE*>(bitmap->ScanLine(y)); }
};

// libjpeg reports errors by jumping back here, so nothing in this frame has a destructor.
bool DecodeJpeg(const std::uint8_t* data, std::size_t size, JpegTarget& target, char* message)
{
    jpeg_decompress_struct info;
    JpegError err;
    info.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = OnJpegError;
    err.mgr.output_message = OnJpegMessage;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&info);
        std::strcpy(message, err.message);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_EXT_BGR; // DIB byte order
    jpeg_start_decompress(&info);
    if (!target.Begin(static_cast<int>(info.output_width), static_cast<int>(info.output_height))) {
        jpeg_destroy_decompress(&info);
        std::strcpy(message, "Out of memory");
        return false;
    }
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = target.Row(static_cast<int>(info.output_scanline));
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

} // namespace

const TClass& TJPEGImage::StaticClass() { return DefineClass<TJPEGImage, TGraphic>("TJPEGImage"); }

void TJPEGImage::Assign(const TPersistent& source)
{
    const auto* jpeg = dynamic_cast<const TJPEGImage*>(&source);
    if (!jpeg) return TGraphic::Assign(source);
    if (jpeg == this) return;
    file_ = jpeg->file_;
    bitmap_.Assign(jpeg->bitmap_);
    Changed();
}

void TJPEGImage::LoadFromStream(TStream& stream)
{
    TBytes file = ReadRest(stream);
    TBitmap decoded;
    JpegTarget target{&decoded};
    char message[JMSG_LENGTH_MAX] = "";
    if (file.size() < 2 || file[0] != 0xFF || file[1] != 0xD8) throw EInvalidGraphic("JPEG image is not valid: no start of image");
    if (!DecodeJpeg(file.data(), file.size(), target, message))
        throw EInvalidGraphic(AnsiString("JPEG image is not valid: ") + message);
    bitmap_.Assign(decoded);
    file_ = std::move(file);
    Changed();
}

void TJPEGImage::SaveToStream(TStream& stream) const
{
    if (!file_.empty()) stream.WriteBuffer(file_.data(), static_cast<std::int64_t>(file_.size()));
}

void TJPEGImage::Draw(TCanvas& canvas, const RECT& r) { bitmap_.Draw(canvas, r); }

// ---------------------------------------------------------------------------------------
// Picture

namespace {

std::unique_ptr<TGraphic> GraphicFor(const std::uint8_t* head, std::size_t n)
{
    if (n >= 2 && head[0] == 'B' && head[1] == 'M') return std::make_unique<TBitmap>();
    if (n >= 4 && head[0] == 0 && head[1] == 0 && head[2] == 1 && head[3] == 0) return std::make_unique<TIcon>();
    if (n >= 2 && head[0] == 0xFF && head[1] == 0xD8) return std::make_unique<TJPEGImage>();
    if (n >= 4 && head[0] == 0x89 && head[1] == 'P' && head[2] == 'N' && head[3] == 'G') return std::make_unique<TPngPicture>();
    return nullptr;
}

std::unique_ptr<TGraphic> EmptyLike(const TGraphic& g)
{
    if (dynamic_cast<const TBitmap*>(&g)) return std::make_unique<TBitmap>();
    if (dynamic_cast<const TIcon*>(&g)) return std::make_unique<TIcon>();
    if (dynamic_cast<const TJPEGImage*>(&g)) return std::make_unique<TJPEGImage>();
    if (dynamic_cast<const TPngPicture*>(&g)) return std::make_unique<TPngPicture>();
    throw EInvalidGraphic("Unknown graphic class " + g.ClassName());
}

} // namespace

const TClass& TPicture::StaticClass()
{
    return DefineClass<TPicture, TPersistent>("TPicture", [](TPublisher<TPicture>& p) {
        p.Binary("Data", &TPicture::Data, &TPicture::SetData);
    });
}

TPicture::TPicture() = default;
TPicture::~TPicture() = default;

void TPicture::Take(std::unique_ptr<TGraphic> graphic)
{
    graphic_ = std::move(graphic);
    if (graphic_) graphic_->OnChange = [this](TObject*) {
        if (OnChange) OnChange(this);
    };
    if (OnChange) OnChange(this);
}

void TPicture::SetGraphic(const TGraphic* graphic)
{
    if (graphic == graphic_.get() && graphic) return;
    if (!graphic) return Take(nullptr);
    auto copy = EmptyLike(*graphic);
    copy->Assign(*graphic);
    Take(std::move(copy));
}

void TPicture::Assign(const TPersistent& source)
{
    if (const auto* p = dynamic_cast<const TPicture*>(&source)) return SetGraphic(p->graphic_.get());
    if (const auto* g = dynamic_cast<const TGraphic*>(&source)) return SetGraphic(g);
    TPersistent::Assign(source);
}

TBitmap& TPicture::Bitmap()
{
    if (!dynamic_cast<TBitmap*>(graphic_.get())) Take(std::make_unique<TBitmap>());
    return static_cast<TBitmap&>(*graphic_);
}

TIcon& TPicture::Icon()
{
    if (!dynamic_cast<TIcon*>(graphic_.get())) Take(std::make_unique<TIcon>());
    return static_cast<TIcon&>(*graphic_);
}

void TPicture::LoadFromStream(TStream& stream)
{
    std::uint8_t head[4] = {};
    const std::int64_t start = stream.Position();
    const std::int64_t n = stream.Read(head, sizeof head);
    stream.SetPosition(start);
    auto graphic = GraphicFor(head, static_cast<std::size_t>(n));
    if (!graphic) throw EInvalidGraphic("Unknown picture format");
    graphic->LoadFromStream(stream);
    Take(std::move(graphic));
}

void TPicture::SaveToStream(TStream& stream) const
{
    if (graphic_) graphic_->SaveToStream(stream);
}

void TPicture::LoadFromFile(const AnsiString& fileName)
{
    TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(file);
}

TBytes TPicture::Data() const { return graphic_ ? graphic_->Data() : TBytes{}; }

void TPicture::SetData(const TBytes& data)
{
    if (data.empty()) return Take(nullptr);
    TMemoryStream stream;
    stream.WriteBuffer(data.data(), static_cast<std::int64_t>(data.size()));
    stream.SetPosition(0);
    LoadFromStream(stream);
}

} // namespace cl
