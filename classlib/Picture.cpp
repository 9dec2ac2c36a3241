// Icons, JPEG images and the picture that holds any graphic.
#include "classlib/Graphics.h"
#include "classlib/JpegDecode.h"
#include "classlib/PngDecode.h"
#include "classlib/PictureFormats.h"
#include "classlib/PngImage.h"
#include "classlib/RawBytes.h"

#include <algorithm>
#include <cstring>

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
    std::uint8_t dir[pictures::IconDirHeaderSize];
    if (left < static_cast<std::int64_t>(sizeof dir)) throw bad("too short");
    stream.ReadBuffer(dir, sizeof dir);
    int count = 0;
    if (const char* error = pictures::ReadIconDirHeader(dir, count)) throw bad(error);
    const std::size_t dirSize = sizeof dir + pictures::IconDirEntrySize * count;
    if (left < static_cast<std::int64_t>(dirSize)) throw bad("truncated directory");
    TBytes file(dirSize);
    std::memcpy(file.data(), dir, sizeof dir);
    stream.ReadBuffer(file.data() + sizeof dir, static_cast<std::int64_t>(dirSize - sizeof dir));
    std::vector<pictures::IconEntry> entries;
    std::uint64_t end = 0;
    if (const char* error = pictures::ParseIconDirectory(file.data(), count, entries, end)) throw bad(error);
    if (end > static_cast<std::uint64_t>(left)) throw bad("image outside the file");
    if (end > file.size()) {
        const std::size_t had = file.size();
        file.resize(static_cast<std::size_t>(end));
        stream.ReadBuffer(file.data() + had, static_cast<std::int64_t>(end - had));
    }
    // The entry of the system's icon size if there is one, else the largest; then the most bits.
    const int best = pictures::PickIconEntry(entries, file.size(), GetSystemMetrics(SM_CXICON));
    if (best < 0) throw bad("no usable image");
    const pictures::IconEntry& e = entries[best];
    HICON icon = CreateIconFromResourceEx(file.data() + e.offset, e.bytes, TRUE, 0x00030000, e.width, e.height, LR_DEFAULTCOLOR);
    if (!icon) throw bad("undecodable image");
    handle_.reset(icon);
    file_ = std::move(file);
    width_ = e.width;
    height_ = e.height;
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

struct JpegBitmap final : pictures::JpegTarget {
    explicit JpegBitmap(TBitmap& b) : bitmap(b) {}
    bool Begin(int w, int h) noexcept override
    {
        try {
            bitmap.SetSize(0, 0);
            bitmap.SetPixelFormat(pf24bit);
            bitmap.SetSize(w, h);
            return true;
        } catch (...) {
            return false;
        }
    }
    std::uint8_t* Row(int y) noexcept override { return static_cast<std::uint8_t*>(bitmap.ScanLine(y)); }
    TBitmap& bitmap;
};

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
    JpegBitmap target(decoded);
    std::string error;
    if (!pictures::DecodeJpeg(file.data(), file.size(), target, error)) throw EInvalidGraphic("JPEG image is not valid: " + error);
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
    switch (pictures::SniffPicture(head, n)) {
    case pictures::PictureKind::Bmp: return std::make_unique<TBitmap>();
    case pictures::PictureKind::Icon: return std::make_unique<TIcon>();
    case pictures::PictureKind::Jpeg: return std::make_unique<TJPEGImage>();
    case pictures::PictureKind::Png: return std::make_unique<TPngPicture>();
    case pictures::PictureKind::Unknown: break;
    }
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
