// Bitmaps (pixel formats, scan lines, BMP files, masks, key-colour drawing), icons, JPEG
// images and pictures in form resources, read back from DIB pixels.
#include "classlib/FormReader.h"
#include "classlib/Graphics.h"
#include "classlib/ImgList.h"

#include <cstdio>
#include <cstring>
#include <jpeglib.h>

#include <gtest/gtest.h>

namespace {

using namespace cl;

TBitmap* Make(TPixelFormat format, int w, int h, TColor fill, std::unique_ptr<TBitmap>& hold)
{
    hold = std::make_unique<TBitmap>();
    hold->SetPixelFormat(format);
    hold->SetSize(w, h);
    hold->Canvas()->Brush().SetColor(fill);
    hold->Canvas()->FillRect(RECT{0, 0, w, h});
    return hold.get();
}

// The 24-bit pixel at (x, y) as a colour value (red in the low byte).
TColor Pixel24(const TBitmap& b, int x, int y)
{
    const auto* p = static_cast<const std::uint8_t*>(b.ScanLine(y)) + 3 * x;
    return p[2] | p[1] << 8 | p[0] << 16;
}

TBytes Saved(const TGraphic& g)
{
    TMemoryStream s;
    g.SaveToStream(s);
    return s.Bytes();
}

void LoadBytes(TGraphic& g, const TBytes& bytes)
{
    TMemoryStream s;
    if (!bytes.empty()) s.WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
    s.SetPosition(0);
    g.LoadFromStream(s);
}

void ExpectNear(TColor got, TColor want)
{
    for (int shift : {0, 8, 16}) EXPECT_NEAR((got >> shift) & 0xFF, (want >> shift) & 0xFF, 8) << std::hex << got;
}

// A holder of a picture and a font as form resources fill them.
class TPictureHolder : public TComponent {
    CL_CLASS(TPictureHolder)
public:
    using TComponent::TComponent;
    TPicture* Picture() const { return &picture_; }
    TFont* Font() const { return &font_; }
    TBitmap* Glyph() const { return &glyph_; }

private:
    mutable TPicture picture_;
    mutable TFont font_;
    mutable TBitmap glyph_;
};

const TClass& TPictureHolder::StaticClass()
{
    return DefineClass<TPictureHolder, TComponent>("TPictureHolder", [](TPublisher<TPictureHolder>& p) {
        p.Owned("Font", &TPictureHolder::Font);
        p.Owned("Glyph", &TPictureHolder::Glyph);
        p.Owned("Picture", &TPictureHolder::Picture);
    });
}

} // namespace

TEST(Bitmap, PixelFormatsGiveTheirRowLayout)
{
    struct Case {
        TPixelFormat format;
        std::size_t stride; // for 5 pixels
        std::vector<std::uint8_t> white; // first bytes of a white row
    } cases[] = {
        {pf1bit, 4, {0xF8}},
        {pf15bit, 12, {0xFF, 0x7F}},
        {pf16bit, 12, {0xFF, 0xFF}},
        {pf24bit, 16, {0xFF, 0xFF, 0xFF}},
        {pf32bit, 20, {0xFF, 0xFF, 0xFF}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        std::unique_ptr<TBitmap> hold;
        TBitmap* b = Make(c.format, 5, 3, clWhite, hold);
        EXPECT_EQ(b->PixelFormat(), c.format);
        EXPECT_EQ(b->Width(), 5);
        EXPECT_EQ(b->Height(), 3);
        // Rows lie bottom-up in memory.
        EXPECT_EQ(static_cast<const std::uint8_t*>(b->ScanLine(0)) - static_cast<const std::uint8_t*>(b->ScanLine(1)),
                  static_cast<std::ptrdiff_t>(c.stride));
        const auto* row = static_cast<const std::uint8_t*>(b->ScanLine(2));
        EXPECT_EQ(std::vector<std::uint8_t>(row, row + c.white.size()), c.white);
        EXPECT_THROW(b->ScanLine(3), EInvalidGraphicOperation);
        EXPECT_THROW(b->ScanLine(-1), EInvalidGraphicOperation);
    }
}

TEST(Bitmap, ScanLineRowZeroIsTheTopAndCanvasSeesWrites)
{
    std::unique_ptr<TBitmap> hold;
    TBitmap* b = Make(pf24bit, 3, 2, clBlack, hold);
    b->Canvas()->SetPixel(0, 0, clRed);
    EXPECT_EQ(Pixel24(*b, 0, 0), clRed);
    auto* p = static_cast<std::uint8_t*>(b->ScanLine(1)) + 3 * 2;
    p[0] = 0x30, p[1] = 0x20, p[2] = 0x10;
    EXPECT_EQ(b->Canvas()->Pixel(2, 1), 0x302010);
}

TEST(Bitmap, ResizingAndFormatChangesKeepThePicture)
{
    std::unique_ptr<TBitmap> hold;
    TBitmap* b = Make(pf24bit, 2, 2, 0x112233, hold);
    HDC dc = b->Canvas()->Handle();
    SetStretchBltMode(dc, COLORONCOLOR);
    b->SetSize(4, 3);
    EXPECT_EQ(b->Canvas()->Handle(), dc);
    EXPECT_EQ(GetStretchBltMode(dc), COLORONCOLOR); // the DC and its state stay
    EXPECT_EQ(Pixel24(*b, 1, 1), 0x112233);
    EXPECT_EQ(Pixel24(*b, 3, 2), clBlack);
    b->SetPixelFormat(pf32bit);
    b->SetPixelFormat(pf24bit);
    EXPECT_EQ(Pixel24(*b, 0, 0), 0x112233);
    b->SetPixelFormat(pf16bit);
    b->SetPixelFormat(pf24bit);
    ExpectNear(Pixel24(*b, 0, 0), 0x112233); // through 5-6-5
    b->Canvas()->SetPixel(0, 0, clWhite);
    b->SetPixelFormat(pf1bit);
    EXPECT_EQ(b->Canvas()->Pixel(0, 0), clWhite);
    EXPECT_EQ(b->Canvas()->Pixel(1, 0), clBlack);
    EXPECT_THROW(b->SetPixelFormat(pf8bit), EInvalidGraphicOperation);
    b->SetSize(0, 0);
    EXPECT_TRUE(b->Empty());
}

TEST(Bitmap, BmpFilesRoundTripInEveryFormat)
{
    for (TPixelFormat f : {pf1bit, pf15bit, pf16bit, pf24bit, pf32bit}) {
        SCOPED_TRACE(f);
        std::unique_ptr<TBitmap> hold;
        TBitmap* b = Make(f, 7, 3, clWhite, hold);
        b->Canvas()->SetPixel(1, 0, clBlack);
        b->Canvas()->SetPixel(6, 2, f == pf1bit ? clBlack : clBlue);
        TBytes file = Saved(*b);
        TBitmap back;
        LoadBytes(back, file);
        EXPECT_EQ(back.PixelFormat(), f);
        ASSERT_EQ(back.Width(), 7);
        ASSERT_EQ(back.Height(), 3);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 7; ++x) EXPECT_EQ(back.Canvas()->Pixel(x, y), b->Canvas()->Pixel(x, y));
        EXPECT_EQ(Saved(back), file);
    }
}

namespace {

// A BMP file: info header of the given fields, colour table, then the pixel bytes.
TBytes Bmp(int w, int h, int bits, DWORD compression, const std::vector<RGBQUAD>& table, const TBytes& pixels)
{
    BITMAPINFOHEADER ih{sizeof ih, w, h, 1, static_cast<WORD>(bits), compression, static_cast<DWORD>(pixels.size()), 0, 0,
                        static_cast<DWORD>(table.size()), 0};
    BITMAPFILEHEADER fh{0x4D42, 0, 0, 0, static_cast<DWORD>(sizeof fh + sizeof ih + table.size() * 4)};
    fh.bfSize = static_cast<DWORD>(fh.bfOffBits + pixels.size());
    TBytes out(sizeof fh + sizeof ih);
    std::memcpy(out.data(), &fh, sizeof fh);
    std::memcpy(out.data() + sizeof fh, &ih, sizeof ih);
    for (RGBQUAD q : table) out.insert(out.end(), {q.rgbBlue, q.rgbGreen, q.rgbRed, 0});
    out.insert(out.end(), pixels.begin(), pixels.end());
    return out;
}

const std::vector<RGBQUAD> kTable = {{0, 0, 0, 0}, {0, 0, 255, 0}, {255, 0, 0, 0}};

} // namespace

TEST(Bitmap, LoadsPalettedTopDownAndRunLengthFiles)
{
    struct Case {
        const char* name;
        TBytes file;
    } cases[] = {
        // 3 by 2, bottom row first: blue red black / red blue black
        {"8-bit", Bmp(3, 2, 8, BI_RGB, kTable, {2, 1, 0, 0, 1, 2, 0, 0})},
        {"8-bit top-down", Bmp(3, -2, 8, BI_RGB, kTable, {1, 2, 0, 0, 2, 1, 0, 0})},
        {"RLE8", Bmp(3, 2, 8, BI_RLE8, kTable, {1, 2, 1, 1, 1, 0, 0, 0, 1, 1, 1, 2, 1, 0, 0, 1})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TBitmap b;
        LoadBytes(b, c.file);
        EXPECT_EQ(b.PixelFormat(), pf8bit);
        ASSERT_EQ(b.Width(), 3);
        ASSERT_EQ(b.Height(), 2);
        EXPECT_EQ(b.Canvas()->Pixel(0, 0), clRed);
        EXPECT_EQ(b.Canvas()->Pixel(1, 0), clBlue);
        EXPECT_EQ(b.Canvas()->Pixel(2, 0), clBlack);
        EXPECT_EQ(b.Canvas()->Pixel(0, 1), clBlue);
        EXPECT_EQ(b.Canvas()->Pixel(1, 1), clRed);
        EXPECT_EQ(static_cast<const std::uint8_t*>(b.ScanLine(1))[0], 2); // indices are kept
    }
}

TEST(Bitmap, RejectsBrokenFilesAndKeepsItsPicture)
{
    TBytes good = Bmp(2, 2, 24, BI_RGB, {}, TBytes(16, 0x7F));
    TBytes shortPixels = good;
    shortPixels.resize(shortPixels.size() - 4);
    TBytes badSig = good;
    badSig[0] = 'X';
    TBytes badBits = Bmp(2, 2, 7, BI_RGB, {}, TBytes(16, 0));
    TBytes huge = Bmp(100000, 2, 24, BI_RGB, {}, TBytes(16, 0));
    TBytes badOffset = good;
    badOffset[10] = 0xFF, badOffset[11] = 0xFF;
    TBytes badTable = Bmp(2, 2, 8, BI_RGB, {}, {});
    badTable.resize(60);
    for (const TBytes* file : {&shortPixels, &badSig, &badBits, &huge, &badOffset, &badTable}) {
        std::unique_ptr<TBitmap> hold;
        TBitmap* b = Make(pf24bit, 1, 1, clRed, hold);
        EXPECT_THROW(LoadBytes(*b, *file), EInvalidGraphic);
        EXPECT_EQ(b->Width(), 1);
        EXPECT_EQ(Pixel24(*b, 0, 0), clRed);
    }
}

TEST(Bitmap, MaskIsWhiteWhereTheKeyColourIs)
{
    for (TPixelFormat f : {pf16bit, pf24bit, pf32bit}) {
        SCOPED_TRACE(f);
        std::unique_ptr<TBitmap> hold;
        TBitmap* b = Make(f, 3, 1, clFuchsia, hold);
        b->Canvas()->SetPixel(1, 0, 0xFF00E0); // close to the key is not the key
        b->Mask(clFuchsia);
        EXPECT_EQ(b->PixelFormat(), pf1bit);
        EXPECT_EQ(static_cast<const std::uint8_t*>(b->ScanLine(0))[0] & 0xE0, 0xA0);
    }
}

TEST(Bitmap, TransparentDrawingLeavesKeyPixelsOfTheDestination)
{
    for (TPixelFormat f : {pf16bit, pf24bit, pf32bit}) {
        SCOPED_TRACE(f);
        std::unique_ptr<TBitmap> dh, sh;
        TBitmap* dest = Make(pf24bit, 6, 6, clGreen, dh);
        TBitmap* src = Make(f, 2, 2, clFuchsia, sh);
        src->Canvas()->SetPixel(0, 0, clYellow); // nearer white than black, still not the key
        src->Canvas()->SetPixel(1, 1, clBlue);
        src->SetTransparent(true);
        src->SetTransparentColor(clFuchsia);
        EXPECT_EQ(src->TransparentMode(), tmFixed);
        dest->Canvas()->Draw(1, 1, *src);
        EXPECT_EQ(Pixel24(*dest, 1, 1), clYellow);
        EXPECT_EQ(Pixel24(*dest, 2, 1), clGreen);
        EXPECT_EQ(Pixel24(*dest, 1, 2), clGreen);
        EXPECT_EQ(Pixel24(*dest, 2, 2), clBlue);
        EXPECT_EQ(Pixel24(*dest, 0, 0), clGreen);
        // Stretched to twice the size.
        dest->Canvas()->StretchDraw(RECT{2, 2, 6, 6}, *src);
        EXPECT_EQ(Pixel24(*dest, 3, 3), clYellow);
        EXPECT_EQ(Pixel24(*dest, 4, 3), clGreen);
        EXPECT_EQ(Pixel24(*dest, 5, 5), clBlue);
        EXPECT_EQ(Pixel24(*dest, 3, 5), clGreen);
        // Not transparent: everything is copied.
        src->SetTransparent(false);
        dest->Canvas()->Draw(0, 0, *src);
        EXPECT_EQ(Pixel24(*dest, 1, 0), 0xFF00FF);
    }
}

TEST(Bitmap, BrushCopyPaintsTheBrushOverTheColour)
{
    std::unique_ptr<TBitmap> dh, sh;
    TBitmap* dest = Make(pf24bit, 4, 2, clGreen, dh);
    TBitmap* glyph = Make(pf24bit, 3, 1, clOlive, sh);
    glyph->Canvas()->SetPixel(1, 0, clWhite);
    glyph->Canvas()->SetPixel(2, 0, 0x008081); // near olive
    dest->Canvas()->Brush().SetColor(clBlue);
    dest->Canvas()->BrushCopy(RECT{1, 1, 3, 2}, *glyph, RECT{0, 0, 2, 1}, clOlive);
    EXPECT_EQ(Pixel24(*dest, 1, 1), clBlue);
    EXPECT_EQ(Pixel24(*dest, 2, 1), clWhite);
    EXPECT_EQ(Pixel24(*dest, 3, 1), clGreen);
    EXPECT_EQ(Pixel24(*dest, 1, 0), clGreen);
    dest->Canvas()->BrushCopy(RECT{0, 0, 3, 1}, *glyph, RECT{0, 0, 3, 1}, clOlive);
    EXPECT_EQ(Pixel24(*dest, 2, 0), 0x008081);
}

TEST(Bitmap, AutomaticTransparentColourIsTheBottomLeftPixel)
{
    std::unique_ptr<TBitmap> dh, sh;
    TBitmap* dest = Make(pf24bit, 2, 2, clGreen, dh);
    TBitmap* src = Make(pf24bit, 2, 2, clRed, sh);
    EXPECT_EQ(src->TransparentMode(), tmAuto);
    src->Canvas()->SetPixel(0, 1, clYellow);
    src->Canvas()->SetPixel(1, 0, clYellow);
    EXPECT_EQ(src->TransparentColor(), clYellow);
    src->SetTransparent(true);
    dest->Canvas()->Draw(0, 0, *src);
    EXPECT_EQ(Pixel24(*dest, 0, 0), clRed);
    EXPECT_EQ(Pixel24(*dest, 1, 0), clGreen);
    EXPECT_EQ(Pixel24(*dest, 0, 1), clGreen);
    src->SetTransparentColor(clRed);
    src->SetTransparentMode(tmAuto);
    EXPECT_EQ(src->TransparentColor(), clYellow);
    TBitmap empty;
    EXPECT_EQ(empty.TransparentColor(), clDefault);
}

TEST(Bitmap, AssignCopiesAndHandlesAreTakenOver)
{
    std::unique_ptr<TBitmap> hold;
    TBitmap* b = Make(pf32bit, 2, 1, clLime, hold);
    static_cast<std::uint8_t*>(b->ScanLine(0))[3] = 0x80; // alpha survives a copy
    TBitmap copy;
    copy.Assign(*b);
    EXPECT_NE(copy.Handle(), b->Handle());
    EXPECT_EQ(copy.PixelFormat(), pf32bit);
    EXPECT_EQ(static_cast<const std::uint8_t*>(copy.ScanLine(0))[3], 0x80);
    b->Canvas()->SetPixel(0, 0, clRed);
    EXPECT_EQ(copy.Canvas()->Pixel(0, 0), clLime);

    TBitmap taken;
    taken.SetHandle(CreateBitmap(3, 2, 1, 1, nullptr));
    EXPECT_EQ(taken.PixelFormat(), pf1bit);
    EXPECT_EQ(taken.Width(), 3);
    EXPECT_EQ(taken.Height(), 2);
}

namespace {

HICON MakeIcon(int size, TColor color)
{
    std::unique_ptr<TBitmap> hold;
    TBitmap* image = Make(pf32bit, size, size, color, hold);
    for (int y = 0; y < size; ++y) {
        auto* p = static_cast<std::uint8_t*>(image->ScanLine(y));
        for (int x = 0; x < size; ++x) p[4 * x + 3] = 0xFF;
    }
    BitmapHandle mask(CreateBitmap(size, size, 1, 1, nullptr));
    ICONINFO ii{TRUE, 0, 0, mask.get(), image->Handle()};
    return CreateIconIndirect(&ii);
}

TBytes MakeJpeg(int w, int h, TColor left, TColor right)
{
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &out, &size);
    c.image_width = w;
    c.image_height = h;
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 100, TRUE);
    jpeg_start_compress(&c, TRUE);
    std::vector<JSAMPLE> row(3 * w);
    for (int x = 0; x < w; ++x) {
        TColor col = x < w / 2 ? left : right;
        row[3 * x] = col & 0xFF, row[3 * x + 1] = (col >> 8) & 0xFF, row[3 * x + 2] = (col >> 16) & 0xFF;
    }
    while (c.next_scanline < c.image_height) {
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    TBytes bytes(out, out + size);
    jpeg_destroy_compress(&c);
    std::free(out);
    return bytes;
}

} // namespace

TEST(Icon, SavesAndLoadsAndDraws)
{
    TIcon icon;
    icon.SetHandle(MakeIcon(16, clRed));
    EXPECT_EQ(icon.Width(), 16);
    EXPECT_EQ(icon.Height(), 16);
    TBytes file = Saved(icon);
    ASSERT_GT(file.size(), 22u);
    EXPECT_EQ(file[2], 1); // icon directory

    TPicture picture;
    TMemoryStream s;
    s.WriteBuffer(file.data(), static_cast<std::int64_t>(file.size()));
    s.SetPosition(0);
    picture.LoadFromStream(s);
    ASSERT_NE(dynamic_cast<TIcon*>(picture.Graphic()), nullptr);
    EXPECT_EQ(picture.Width(), 16);
    EXPECT_EQ(Saved(*picture.Graphic()), file); // the file as loaded

    std::unique_ptr<TBitmap> dh;
    TBitmap* dest = Make(pf24bit, 20, 20, clGreen, dh);
    dest->Canvas()->Draw(2, 2, *picture.Graphic());
    EXPECT_EQ(Pixel24(*dest, 5, 5), clRed);
    EXPECT_EQ(Pixel24(*dest, 1, 1), clGreen);

    TBitmap fromIcon;
    fromIcon.Assign(*picture.Graphic());
    EXPECT_EQ(fromIcon.Width(), 16);
    EXPECT_EQ(fromIcon.Canvas()->Pixel(8, 8), clRed);

    TBytes broken = file;
    broken.resize(30);
    TIcon bad;
    EXPECT_THROW(LoadBytes(bad, broken), EInvalidGraphic);
}

TEST(Jpeg, DecodesThroughThePicture)
{
    TBytes file = MakeJpeg(16, 8, clRed, clBlue);
    TPicture picture;
    picture.SetData(file);
    auto* jpeg = dynamic_cast<TJPEGImage*>(picture.Graphic());
    ASSERT_NE(jpeg, nullptr);
    EXPECT_EQ(jpeg->Width(), 16);
    EXPECT_EQ(jpeg->Height(), 8);
    EXPECT_EQ(jpeg->Bitmap().PixelFormat(), pf24bit);
    ExpectNear(Pixel24(jpeg->Bitmap(), 1, 1), clRed);
    ExpectNear(Pixel24(jpeg->Bitmap(), 14, 6), clBlue);
    EXPECT_EQ(picture.Data(), file);

    std::unique_ptr<TBitmap> dh;
    TBitmap* dest = Make(pf24bit, 16, 8, clGreen, dh);
    dest->Canvas()->Draw(0, 0, *jpeg);
    ExpectNear(Pixel24(*dest, 13, 2), clBlue);

    TBytes cut(file.begin(), file.begin() + file.size() / 3);
    TJPEGImage broken;
    try {
        LoadBytes(broken, cut);
        // libjpeg pads a truncated stream and warns; it must still not crash or throw past us.
    } catch (const EInvalidGraphic&) {
    }
    TBytes garbage = {0xFF, 0xD8, 0x00, 0x01, 0x02};
    EXPECT_THROW(LoadBytes(broken, garbage), EInvalidGraphic);
}

TEST(Picture, FormResourceFillsPictureAndFont)
{
    std::unique_ptr<TBitmap> hold;
    TBitmap* b = Make(pf24bit, 3, 2, clBlue, hold);
    TBytes file = Saved(*b);
    std::string hex;
    char buf[3];
    for (std::uint8_t byte : file) std::snprintf(buf, sizeof buf, "%02X", byte), hex += buf;
    TPictureHolder holder(nullptr);
    ReadComponentText("TPictureHolder Holder {\n  Picture.Data = {" + hex + "}\n  Glyph.Data = {" + hex +
                          "}\n  Font.Style = [fsBold]\n  Font.Color = clBtnFace\n  Font.Height = -14\n}",
                      holder);
    EXPECT_EQ(holder.Glyph()->Height(), 2);
    EXPECT_EQ(Pixel24(*holder.Glyph(), 0, 0), clBlue);
    auto* bitmap = dynamic_cast<TBitmap*>(holder.Picture()->Graphic());
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->Width(), 3);
    EXPECT_EQ(Pixel24(*bitmap, 2, 1), clBlue);
    EXPECT_EQ(holder.Font()->Style(), 1u << fsBold);
    EXPECT_EQ(holder.Font()->Color(), clBtnFace);
    EXPECT_EQ(holder.Font()->Height(), -14);

    EXPECT_THROW(ReadComponentText("TPictureHolder Holder { Picture.Data = {00112233} }", holder), EReadError);
    holder.Picture()->SetData({});
    EXPECT_EQ(holder.Picture()->Graphic(), nullptr);
}

TEST(Picture, AssignCopiesAndTheKindAccessorsReplace)
{
    int changes = 0;
    TPicture a, b;
    b.OnChange = [&](TObject*) { ++changes; };
    a.Bitmap().SetSize(4, 4);
    b.Assign(a);
    ASSERT_NE(b.Graphic(), a.Graphic());
    EXPECT_EQ(b.Width(), 4);
    int before = changes;
    b.Bitmap().SetSize(5, 5); // changes of the graphic reach the picture
    EXPECT_GT(changes, before);
    b.Icon();
    EXPECT_NE(dynamic_cast<TIcon*>(b.Graphic()), nullptr);
    EXPECT_TRUE(b.Graphic()->Empty());
    EXPECT_THROW(b.SetData({1, 2, 3, 4}), EInvalidGraphic);
}

// Wine's GetGuiResources answers 0, so every handle the objects made is checked by itself
// once they are gone: bitmaps and DCs by their object type, icons by their information.
TEST(GdiObjects, BitmapsIconsAndPicturesLeaveNoObjectsBehind)
{
    TBytes jpeg = MakeJpeg(8, 8, clRed, clWhite);
    std::unique_ptr<TBitmap> dh;
    TBitmap* dest = Make(pf24bit, 8, 8, clGreen, dh);
    dest->Canvas()->Handle();
    for (int i = 0; i < 4; ++i) {
        std::vector<HGDIOBJ> made;
        HICON icons[2] = {};
        {
            TBitmap b;
            b.SetPixelFormat(i % 2 ? pf24bit : pf32bit);
            b.SetSize(8, 8);
            b.Canvas()->Brush().SetColor(clFuchsia);
            b.Canvas()->FillRect(RECT{0, 0, 8, 8});
            b.Canvas()->Font().SetStyle(1u << fsItalic);
            made = {b.Handle(), b.Canvas()->Handle(), b.Canvas()->Brush().Handle(), b.Canvas()->Font().Handle()};
            b.SetSize(9, 9);
            b.SetPixelFormat(pf16bit);
            b.SetTransparent(true);
            dest->Canvas()->Draw(0, 0, b);
            made.push_back(b.Handle());
            TBitmap copy;
            copy.Assign(b);
            copy.Mask(clFuchsia);
            made.push_back(copy.Handle());
            TIcon icon;
            icon.SetHandle(MakeIcon(8, clRed));
            icons[0] = icon.Handle();
            TPicture picture;
            picture.Assign(icon);
            auto* held = dynamic_cast<TIcon*>(picture.Graphic());
            ASSERT_NE(held, nullptr);
            icons[1] = held->Handle();
            picture.SetData(Saved(b));
            auto* loaded = dynamic_cast<TBitmap*>(picture.Graphic());
            ASSERT_NE(loaded, nullptr);
            made.push_back(loaded->Handle());
            if (i == 0) picture.SetData(jpeg);
            dest->Canvas()->Draw(0, 0, *picture.Graphic());
        }
        for (HGDIOBJ h : made) {
            ASSERT_NE(h, nullptr);
            EXPECT_EQ(GetObjectType(h), 0u) << "object " << h << " left in cycle " << i;
        }
        for (HICON h : icons) {
            ASSERT_NE(h, nullptr);
            ICONINFO info{};
            EXPECT_FALSE(GetIconInfo(h, &info)) << "icon " << h << " left in cycle " << i;
        }
    }
}

// Every file kind, with each of its first bytes replaced and cut at every length, loads or
// fails with EInvalidGraphic; nothing else may happen.
TEST(Picture, DamagedFilesLoadOrFailCleanly)
{
    std::unique_ptr<TBitmap> hold;
    TBitmap* b = Make(pf24bit, 3, 2, clBlue, hold);
    TIcon icon;
    icon.SetHandle(MakeIcon(16, clRed));
    const TBytes rle = Bmp(3, 2, 8, BI_RLE8, kTable, {1, 2, 1, 1, 1, 0, 0, 0, 1, 1, 1, 2, 1, 0, 0, 1});
    const TBytes files[] = {Saved(*b), rle, Saved(icon), MakeJpeg(8, 8, clRed, clBlue)};
    int loaded = 0, failed = 0;
    for (const TBytes& file : files) {
        std::vector<TBytes> variants;
        for (std::size_t i = 0; i < std::min<std::size_t>(file.size(), 80); ++i)
            for (std::uint8_t v : {0x00, 0x7F, 0xFF}) {
                TBytes f = file;
                f[i] = v;
                variants.push_back(std::move(f));
            }
        for (std::size_t n = 1; n < file.size(); n += 1 + n / 8) variants.emplace_back(file.begin(), file.begin() + n);
        for (const TBytes& f : variants) {
            TPicture picture;
            try {
                picture.SetData(f);
                ++loaded;
                if (picture.Graphic()) {
                    std::unique_ptr<TBitmap> dh;
                    Make(pf24bit, 4, 4, clBlack, dh)->Canvas()->Draw(0, 0, *picture.Graphic());
                }
            } catch (const EInvalidGraphic&) {
                ++failed;
            }
        }
    }
    EXPECT_GT(loaded, 0);
    EXPECT_GT(failed, 0);
}

TEST(ImageListAdd, TakesTheBitmapItsCanvasHasDrawnOnAndTheCanvasGoesOn)
{
    // The canvas keeps its bitmap selected in its DC; the list selects it into its own.
    TBitmap image;
    image.SetPixelFormat(pf24bit);
    image.SetSize(4, 4);
    image.Canvas()->Brush().SetColor(clRed);
    image.Canvas()->FillRect(RECT{0, 0, 4, 4});
    TImageList list(nullptr);
    list.SetWidth(4);
    list.SetHeight(4);
    ASSERT_EQ(list.Add(&image, nullptr), 0);
    image.Canvas()->SetPixel(0, 0, clWhite);
    ASSERT_EQ(list.AddMasked(&image, clWhite), 1);
    TBitmap shot;
    shot.SetPixelFormat(pf24bit);
    shot.SetSize(8, 4);
    shot.Canvas()->Brush().SetColor(clBlue);
    shot.Canvas()->FillRect(RECT{0, 0, 8, 4});
    list.Draw(*shot.Canvas(), 0, 0, 0);
    list.Draw(*shot.Canvas(), 4, 0, 1);
    EXPECT_EQ(shot.Canvas()->Pixel(2, 2), clRed);
    EXPECT_EQ(shot.Canvas()->Pixel(6, 2), clRed);
    EXPECT_EQ(shot.Canvas()->Pixel(4, 0), clBlue); // the masked white pixel
    // The bitmap is back in its canvas.
    image.Canvas()->SetPixel(3, 3, clLime);
    EXPECT_EQ(image.Canvas()->Pixel(3, 3), clLime);
}
