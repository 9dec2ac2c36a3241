// Drawing skin frames.
#include "skin/SkinDraw.h"

#include "classlib/Controls.h"
#include "classlib/Graphics.h"
#include "classlib/WinHandle.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace skin {

namespace {

bool Inverted(const RECT& r) { return r.right < r.left || r.bottom < r.top; }
int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

// Frame K of Count in Bitmap, side by side or stacked.
RECT FrameRect(cl::TBitmap& bitmap, bool vertical, int count, int k)
{
    if (count < 1) count = 1;
    if (vertical) {
        int h = bitmap.Height() / count;
        return {0, (k - 1) * h, bitmap.Width(), k * h};
    }
    int w = bitmap.Width() / count;
    return {(k - 1) * w, 0, k * w, bitmap.Height()};
}

std::unique_ptr<cl::TBitmap> Scratch(int w, int h)
{
    auto b = std::make_unique<cl::TBitmap>();
    b->SetPixelFormat(cl::pf24bit);
    b->SetSize(w, h);
    SetStretchBltMode(b->Canvas()->Handle(), COLORONCOLOR);
    return b;
}

void Stretch(HDC dest, const RECT& d, HDC src, const RECT& s)
{
    if (Width(d) <= 0 || Height(d) <= 0 || Width(s) <= 0 || Height(s) <= 0) return;
    StretchBlt(dest, d.left, d.top, Width(d), Height(d), src, s.left, s.top, Width(s), Height(s), SRCCOPY);
}

void Put(HDC DC, const RECT& Rect, cl::TBitmap& image, bool transparent)
{
    if (transparent)
        DrawTransparent(DC, Rect, image, Magenta);
    else
        BitBlt(DC, Rect.left, Rect.top, Width(Rect), Height(Rect), image.Canvas()->Handle(), 0, 0, SRCCOPY);
}

} // namespace

void DrawTransparent(HDC DC, const RECT& Rect, cl::TBitmap& Bitmap, TColor Key)
{
    if (Inverted(Rect)) return;
    const int w = Width(Rect), h = Height(Rect);
    HDC src = Bitmap.Canvas()->Handle();
    // Mask bits are 1 where the image has the key colour; MaskBlt keeps the destination
    // there (0xAA0029) and copies the image elsewhere.
    cl::BitmapHandle mask(CreateBitmap(w, h, 1, 1, nullptr));
    cl::MemoryDc maskDc(CreateCompatibleDC(DC));
    HGDIOBJ old = SelectObject(maskDc.get(), mask.get());
    COLORREF oldBk = SetBkColor(src, static_cast<COLORREF>(Key));
    BitBlt(maskDc.get(), 0, 0, w, h, src, 0, 0, SRCCOPY);
    SetBkColor(src, oldBk);
    SelectObject(maskDc.get(), old);
    MaskBlt(DC, Rect.left, Rect.top, w, h, src, 0, 0, mask.get(), 0, 0, MAKEROP4(0x00AA0029, SRCCOPY));
}

void DrawFrame(HDC DC, const RECT& Rect, cl::TBitmap& Bitmap, bool Transparent, int Count, int K)
{
    if (Inverted(Rect)) return;
    auto scratch = Scratch(Width(Rect), Height(Rect));
    Stretch(scratch->Canvas()->Handle(), RECT{0, 0, Width(Rect), Height(Rect)}, Bitmap.Canvas()->Handle(),
            FrameRect(Bitmap, false, Count, K));
    Put(DC, Rect, *scratch, Transparent);
}

void DrawFrameCentered(HDC DC, const RECT& Rect, cl::TBitmap& Bitmap, bool Transparent, int Count, int K)
{
    if (Inverted(Rect)) return;
    RECT frame = FrameRect(Bitmap, false, Count, K);
    const int fw = Width(frame), fh = Height(frame);
    if (fw <= 0 || fh <= 0) return;
    auto scratch = Scratch(fw, fh);
    BitBlt(scratch->Canvas()->Handle(), 0, 0, fw, fh, Bitmap.Canvas()->Handle(), frame.left, frame.top, SRCCOPY);
    int x = Rect.left + (Width(Rect) - fw) / 2, y = Rect.top + (Height(Rect) - fh) / 2;
    Put(DC, RECT{x, y, x + fw, y + fh}, *scratch, Transparent);
}

std::unique_ptr<cl::TBitmap> MakeNinePartBitmap(const RECT& Rect, cl::TBitmap& Bitmap, const RECT& Margins,
                                                bool FramesVertical, bool Tile, int Count, int K)
{
    const int RW = std::max(0, Width(Rect)), RH = std::max(0, Height(Rect));
    auto result = Scratch(RW, RH);
    RECT f = FrameRect(Bitmap, FramesVertical, Count, K);
    const int W = Width(f), H = Height(f);
    int L = Margins.left, T = Margins.top, R = Margins.right, B = Margins.bottom;
    if (RW < L + R) L = R = 0;
    if (RH < T + B) T = B = 0;
    HDC d = result->Canvas()->Handle(), s = Bitmap.Canvas()->Handle();
    const int x = f.left, y = f.top;
    auto part = [&](RECT dest, RECT src) {
        OffsetRect(&src, x, y);
        Stretch(d, dest, s, src);
    };
    part({0, 0, L, T}, {0, 0, L, T});
    part({0, RH - B, L, RH}, {0, H - B, L, H});
    part({RW - R, 0, RW, T}, {W - R, 0, W, T});
    part({0, T, L, RH - B}, {0, T, L, H - B});
    part({L, 0, RW - R, T}, {L, 0, W - R, T});
    if (Tile)
        TileDraw(d, RECT{L, T, RW - R, RH - B}, Bitmap, RECT{x + L, y + T, x + W - R, y + H - B});
    else
        part({L, T, RW - R, RH - B}, {L, T, W - R, H - B});
    part({RW - R, RH - B, RW, RH}, {W - R, H - B, W, H});
    part({RW - R, T, RW, RH - B}, {W - R, T, W, H - B});
    part({L, RH - B, RW - R, RH}, {L, H - B, W - R, H});
    return result;
}

void DrawSkinPart(HDC DC, const RECT& Rect, cl::TBitmap& Bitmap, bool FramesVertical, bool Tile, bool Transparent,
                  int Count, int K, const RECT& Margins)
{
    if (Inverted(Rect)) return;
    auto image = MakeNinePartBitmap(Rect, Bitmap, Margins, FramesVertical, Tile, Count, K);
    Put(DC, Rect, *image, Transparent);
}

void TileDraw(HDC DC, const RECT& Rect, cl::TBitmap& Bitmap, const RECT& Source)
{
    const int w = Width(Source), h = Height(Source);
    if (w <= 0 || h <= 0) return;
    HDC src = Bitmap.Canvas()->Handle();
    for (int x = Rect.left; x < Rect.right; x += w)
        for (int y = Rect.top; y < Rect.bottom; y += h) BitBlt(DC, x, y, w, h, src, Source.left, Source.top, SRCCOPY);
}

void DrawHorzStrip(HDC DC, const RECT& Rect, cl::TBitmap& Bitmap, bool FramesVertical, bool Transparent, int Count,
                   int K, const RECT& Margins)
{
    if (Inverted(Rect)) return;
    const int RW = Width(Rect), RH = Height(Rect);
    if (RW <= 0 || RH <= 0) return;
    auto strip = Scratch(RW, RH);
    RECT f = FrameRect(Bitmap, FramesVertical, Count, K);
    const int W = Width(f), H = Height(f), L = Margins.left, R = Margins.right;
    HDC d = strip->Canvas()->Handle(), s = Bitmap.Canvas()->Handle();
    Stretch(d, RECT{0, 0, L, RH}, s, RECT{f.left, f.top, f.left + L, f.top + H});
    const int middle = W - L - R;
    if (middle > 0)
        for (int x = L; x < RW - R; x += middle)
            Stretch(d, RECT{x, 0, x + middle, RH}, s, RECT{f.left + L, f.top, f.left + L + middle, f.top + H});
    Stretch(d, RECT{RW - R, 0, RW, RH}, s, RECT{f.right - R, f.top, f.right, f.top + H});
    Put(DC, Rect, *strip, Transparent);
}

void DrawThreePartStretch(HDC DC, const RECT& Rect, cl::TBitmap& Bitmap, bool FramesVertical, int Count, int K,
                          const RECT& Margins)
{
    if (Inverted(Rect)) return;
    RECT f = FrameRect(Bitmap, FramesVertical, Count, K);
    HDC s = Bitmap.Canvas()->Handle();
    const int W = Width(f), L = Margins.left, R = Margins.right;
    if (Width(Rect) < W) {
        Stretch(DC, Rect, s, f);
        return;
    }
    Stretch(DC, RECT{Rect.left, Rect.top, Rect.left + L, Rect.bottom}, s, RECT{f.left, f.top, f.left + L, f.bottom});
    Stretch(DC, RECT{Rect.left + L, Rect.top, Rect.right - R, Rect.bottom}, s,
            RECT{f.left + L, f.top, f.right - R, f.bottom});
    Stretch(DC, RECT{Rect.right - R, Rect.top, Rect.right, Rect.bottom}, s,
            RECT{f.right - R, f.top, f.right, f.bottom});
}

namespace {

// Rectangles gathered into region data; every full batch becomes a region OR-ed into the
// result, so one ExtCreateRegion never takes more than a batch.
class RegionBuilder {
public:
    void Add(const TRectI& r)
    {
        if (rects_.size() == Batch) Flush();
        rects_.push_back(RECT{r.left, r.top, r.right, r.bottom});
    }
    cl::RegionHandle Finish()
    {
        Flush();
        if (!result_) result_.reset(CreateRectRgn(0, 0, 0, 0));
        return std::move(result_);
    }

private:
    static constexpr std::size_t Batch = 2000;
    void Flush()
    {
        if (rects_.empty()) return;
        const std::size_t bytes = sizeof(RGNDATAHEADER) + rects_.size() * sizeof(RECT);
        std::vector<std::uint8_t> buffer(bytes);
        auto* data = reinterpret_cast<RGNDATA*>(buffer.data());
        data->rdh.dwSize = sizeof(RGNDATAHEADER);
        data->rdh.iType = RDH_RECTANGLES;
        data->rdh.nCount = static_cast<DWORD>(rects_.size());
        data->rdh.nRgnSize = static_cast<DWORD>(rects_.size() * sizeof(RECT));
        RECT bound{MAXLONG, MAXLONG, 0, 0};
        for (const RECT& r : rects_) {
            bound.left = std::min(bound.left, r.left);
            bound.top = std::min(bound.top, r.top);
            bound.right = std::max(bound.right, r.right);
            bound.bottom = std::max(bound.bottom, r.bottom);
        }
        data->rdh.rcBound = bound;
        std::memcpy(data->Buffer, rects_.data(), rects_.size() * sizeof(RECT));
        cl::RegionHandle part(ExtCreateRegion(nullptr, static_cast<DWORD>(bytes), data));
        rects_.clear();
        if (!part) return;
        if (!result_) result_ = std::move(part);
        else CombineRgn(result_.get(), result_.get(), part.get(), RGN_OR);
    }

    std::vector<RECT> rects_;
    cl::RegionHandle result_;
};

} // namespace

cl::RegionHandle RegionFromBitmap(cl::TBitmap& Bitmap, int dx, int dy, const TKeyRange& Key)
{
    RegionBuilder builder;
    if (!Bitmap.Empty()) {
        Bitmap.SetPixelFormat(cl::pf32bit);
        const int w = Bitmap.Width();
        for (int y = 0; y < Bitmap.Height(); ++y) {
            const auto* row = static_cast<const std::uint32_t*>(static_cast<const cl::TBitmap&>(Bitmap).ScanLine(y));
            for (const TRectI& r : OpaqueRuns(row, w, 1, w, Key, dx, dy + y)) builder.Add(r);
        }
    }
    return builder.Finish();
}

void PaintParentBackground(cl::TControl& Control, HDC DC)
{
    cl::TWinControl* parent = Control.Parent();
    if (!parent) return;
    cl::SavedDc saved(DC);
    OffsetViewportOrgEx(DC, -Control.Left(), -Control.Top(), nullptr);
    RECT clip = Control.ClientRect();
    OffsetRect(&clip, Control.Left(), Control.Top());
    IntersectClipRect(DC, clip.left, clip.top, clip.right, clip.bottom);
    parent->Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(DC), 0);
    parent->Perform(WM_PAINT, reinterpret_cast<WPARAM>(DC), 0);
}

} // namespace skin
