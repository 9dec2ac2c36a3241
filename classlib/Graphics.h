// Graphics: colours, fonts, brushes and pens, the canvas over a device context, and the
// pictures drawn on it (DIB-section bitmaps, icons, JPEG images, the picture holder).
// Every GDI object is owned by exactly one of these wrappers and released by it.
#pragma once

#include "classlib/Classes.h"
#include "classlib/Streams.h"
#include "classlib/WinHandle.h"

#include <functional>
#include <memory>
#include <vector>

namespace cl {

using TNotifyEvent = std::function<void(TObject* sender)>;

class EInvalidGraphic : public Exception { using Exception::Exception; };
class EInvalidGraphicOperation : public Exception { using Exception::Exception; };

// ---------------------------------------------------------------------------------------
// Colours: red in the low byte, then green, then blue. A value whose top byte is 0xFF
// names the system colour whose index is in the low byte.

using TColor = std::int32_t;

constexpr TColor SystemColor(int index) { return static_cast<TColor>(0xFF000000u | static_cast<unsigned>(index)); }

constexpr TColor clBlack = 0x000000, clMaroon = 0x000080, clGreen = 0x008000, clOlive = 0x008080,
                 clNavy = 0x800000, clPurple = 0x800080, clTeal = 0x808000, clGray = 0x808080,
                 clSilver = 0xC0C0C0, clRed = 0x0000FF, clLime = 0x00FF00, clYellow = 0x00FFFF,
                 clBlue = 0xFF0000, clFuchsia = 0xFF00FF, clAqua = 0xFFFF00, clWhite = 0xFFFFFF,
                 clMoneyGreen = 0xC0DCC0, clSkyBlue = 0xF0CAA6, clCream = 0xF0FBFF, clMedGray = 0xA4A0A0;
constexpr TColor clNone = 0x1FFFFFFF, clDefault = 0x20000000;

constexpr TColor clScrollBar = SystemColor(0), clBackground = SystemColor(1), clActiveCaption = SystemColor(2),
                 clInactiveCaption = SystemColor(3), clMenu = SystemColor(4), clWindow = SystemColor(5),
                 clWindowFrame = SystemColor(6), clMenuText = SystemColor(7), clWindowText = SystemColor(8),
                 clCaptionText = SystemColor(9), clActiveBorder = SystemColor(10), clInactiveBorder = SystemColor(11),
                 clAppWorkSpace = SystemColor(12), clHighlight = SystemColor(13), clHighlightText = SystemColor(14),
                 clBtnFace = SystemColor(15), clBtnShadow = SystemColor(16), clGrayText = SystemColor(17),
                 clBtnText = SystemColor(18), clInactiveCaptionText = SystemColor(19), clBtnHighlight = SystemColor(20),
                 cl3DDkShadow = SystemColor(21), cl3DLight = SystemColor(22), clInfoText = SystemColor(23),
                 clInfoBk = SystemColor(24), clHotLight = SystemColor(26), clGradientActiveCaption = SystemColor(27),
                 clGradientInactiveCaption = SystemColor(28), clMenuHighlight = SystemColor(29),
                 clMenuBar = SystemColor(30);

// A plain RGB value: system colours resolved through GetSysColor.
TColor ColorToRGB(TColor color);
// Colour names as form resources write them ("clBtnFace"), case-insensitive; the signature
// fits TPublisher::Idents.
bool IdentToColor(std::string_view ident, std::int64_t& color);
bool ColorToIdent(TColor color, AnsiString& ident); // false when the colour has no name

// ---------------------------------------------------------------------------------------
// Fonts, brushes and pens: attributes with a lazily made GDI object. Any change drops the
// object (after OnChange, so a canvas can select the new one first) and calls OnChange.

class TGraphicsObject : public TPersistent {
    CL_CLASS(TGraphicsObject)
public:
    TNotifyEvent OnChange;

protected:
    using GdiObject = UniqueHandle<traits::Gdi<HGDIOBJ>>;
    // Notifies with the object dropped; the old one is deleted after the listeners ran.
    void Changed();
    // Installs object (owned) in place of the current one, then notifies.
    void Replace(HGDIOBJ object);
    void Notify()
    {
        if (OnChange) OnChange(this);
    }
    mutable GdiObject handle_;
};

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = unsigned; // bit (1 << TFontStyle)
extern const TEnumType FontStyleType;

class TFont : public TGraphicsObject {
    CL_CLASS(TFont)
public:
    TFont();
    void Assign(const TPersistent& source) override;

    HFONT Handle() const;
    // Takes ownership of font and reads its attributes back.
    void SetHandle(HFONT font);

    const AnsiString& Name() const { return name_; }
    void SetName(const AnsiString& name);
    int Height() const { return height_; }
    void SetHeight(int height);
    int Size() const;                 // points at the screen's pixels per inch
    void SetSize(int points);
    TFontStyles Style() const { return style_; }
    void SetStyle(TFontStyles style);
    TColor Color() const { return color_; }
    void SetColor(TColor color);
    int Charset() const { return charset_; }
    void SetCharset(int charset);

    static int PixelsPerInch();

private:
    AnsiString name_ = "MS Sans Serif";
    int height_ = -11;
    TFontStyles style_ = 0;
    TColor color_ = clWindowText;
    int charset_ = DEFAULT_CHARSET;
};

enum TBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };
extern const TEnumType BrushStyleType;

class TBrush : public TGraphicsObject {
    CL_CLASS(TBrush)
public:
    void Assign(const TPersistent& source) override;
    HBRUSH Handle() const;
    TColor Color() const { return color_; }
    void SetColor(TColor color);
    TBrushStyle Style() const { return style_; }
    void SetStyle(TBrushStyle style);

private:
    TColor color_ = clWhite;
    TBrushStyle style_ = bsSolid;
};

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
extern const TEnumType PenStyleType;

class TPen : public TGraphicsObject {
    CL_CLASS(TPen)
public:
    void Assign(const TPersistent& source) override;
    HPEN Handle() const;
    TColor Color() const { return color_; }
    void SetColor(TColor color);
    int Width() const { return width_; }
    void SetWidth(int width);
    TPenStyle Style() const { return style_; }
    void SetStyle(TPenStyle style);

private:
    TColor color_ = clBlack;
    int width_ = 1;
    TPenStyle style_ = psSolid;
};

// ---------------------------------------------------------------------------------------
// The canvas: drawing on a device context with its own font, brush and pen. While it holds
// a DC it keeps them selected (and their colours and background mode set), and puts the
// DC's own objects back when it lets the DC go. It never owns a DC given to SetHandle;
// derived canvases make their own in CreateHandle.

class TGraphic;
class TBitmap;

class TCanvas : public TPersistent {
    CL_CLASS(TCanvas)
public:
    TCanvas();
    ~TCanvas() override;
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    // The DC, made by CreateHandle when none is bound; EInvalidGraphicOperation without one.
    HDC Handle();
    void SetHandle(HDC dc); // borrowed; null lets the DC go
    bool HandleAllocated() const { return dc_ != nullptr; }

    TFont& Font() { return font_; }
    TBrush& Brush() { return brush_; }
    TPen& Pen() { return pen_; }
    DWORD CopyMode() const { return copyMode_; }
    void SetCopyMode(DWORD rop) { copyMode_ = rop; }

    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    POINT PenPos();
    void Rectangle(int left, int top, int right, int bottom);
    void Rectangle(const RECT& r) { Rectangle(r.left, r.top, r.right, r.bottom); }
    void FillRect(const RECT& r);  // with the brush
    void FrameRect(const RECT& r); // one-pixel border with the brush
    void RoundRect(int left, int top, int right, int bottom, int cornerWidth, int cornerHeight);
    void DrawFocusRect(const RECT& r); // dotted, by inverting: drawing it twice removes it
    void TextOut(int x, int y, const AnsiString& text);
    // Text at (x, y) clipped to r; the brush fills r first unless it is clear.
    void TextRect(const RECT& r, int x, int y, const AnsiString& text);
    SIZE TextExtent(const AnsiString& text);
    int TextWidth(const AnsiString& text) { return TextExtent(text).cx; }
    int TextHeight(const AnsiString& text) { return TextExtent(text).cy; }
    void Draw(int x, int y, TGraphic& graphic);
    void StretchDraw(const RECT& r, TGraphic& graphic);
    // source's sourceRect stretched into dest, with CopyMode.
    void CopyRect(const RECT& dest, TCanvas& source, const RECT& sourceRect);
    // Like CopyRect from a bitmap, with the brush where the bitmap has colour.
    void BrushCopy(const RECT& dest, const TBitmap& bitmap, const RECT& sourceRect, TColor color);
    RECT ClipRect();
    TColor Pixel(int x, int y);
    void SetPixel(int x, int y, TColor color);

protected:
    virtual void CreateHandle() {}
    // Detaches from the DC (restoring its objects); derived canvases free theirs after.
    void ReleaseDc() { SetHandle(nullptr); }

private:
    void SelectFont();
    void SelectBrush();
    void SelectPen();
    HDC Dc();

    HDC dc_ = nullptr;
    HGDIOBJ oldFont_ = nullptr, oldBrush_ = nullptr, oldPen_ = nullptr;
    TFont font_;
    TBrush brush_;
    TPen pen_;
    DWORD copyMode_ = SRCCOPY;
};

// ---------------------------------------------------------------------------------------
// Graphics that a canvas draws and a picture holds.

class TGraphic : public TPersistent {
    CL_CLASS(TGraphic)
public:
    TNotifyEvent OnChange;

    // The graphic as its file's bytes (published as "Data" for form resources).
    TBytes Data() const;
    void SetData(const TBytes& data);

    virtual bool Empty() const = 0;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    // Drawn leaving out its transparent parts (a bitmap's key colour).
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool transparent);

    virtual void LoadFromStream(TStream& stream) = 0;
    virtual void SaveToStream(TStream& stream) const = 0;
    void LoadFromFile(const AnsiString& fileName);
    void SaveToFile(const AnsiString& fileName) const;

    // Draws the whole graphic stretched into r.
    virtual void Draw(TCanvas& canvas, const RECT& r) = 0;

protected:
    void Changed();

private:
    bool transparent_ = false;
};

// ---------------------------------------------------------------------------------------
// Bitmaps: a DIB section, rows bottom-up in memory, in one of the pixel formats (pfDevice
// is 32 bits per pixel). 1-, 4- and 8-bit bitmaps carry their colour table. Changing size
// or format keeps the picture; new pixels are black.

enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit };
enum TTransparentMode { tmAuto, tmFixed };

class TBitmapCanvas;

class TBitmap : public TGraphic {
    CL_CLASS(TBitmap)
public:
    TBitmap();
    ~TBitmap() override;
    TBitmap(const TBitmap&) = delete;
    TBitmap& operator=(const TBitmap&) = delete;

    // A bitmap: a copy. Another graphic: drawn on a bitmap of its size filled with the
    // canvas's brush colour.
    void Assign(const TPersistent& source) override;

    bool Empty() const override { return !dib_.handle; }
    int Width() const override { return dib_.width; }
    int Height() const override { return dib_.height; }
    void SetWidth(int width) { SetSize(width, dib_.height); }
    void SetHeight(int height) { SetSize(dib_.width, height); }
    void SetSize(int width, int height); // 0 in either makes the bitmap empty
    TPixelFormat PixelFormat() const { return format_; }
    // pf4bit and pf8bit only when the bitmap already has one (loaded): no palette to pick.
    void SetPixelFormat(TPixelFormat format);

    // Row y counted from the top; EInvalidGraphicOperation outside the bitmap.
    void* ScanLine(int y);
    const void* ScanLine(int y) const;

    // A canvas bound to the bitmap; it stays valid, and keeps its DC state, across changes.
    TCanvas* Canvas() const;
    HBITMAP Handle() const { return dib_.handle.get(); }
    // Takes ownership of bitmap and copies it into a DIB section of its depth.
    void SetHandle(HBITMAP bitmap);

    // Turns the bitmap into its 1-bit mask: white where the colour is key, black elsewhere.
    void Mask(TColor key);
    // The key colour drawing leaves out when Transparent: the fixed colour, or in tmAuto
    // the bottom-left pixel's; clDefault for an empty bitmap.
    TColor TransparentColor() const;
    void SetTransparentColor(TColor color); // clDefault selects tmAuto, others tmFixed
    TTransparentMode TransparentMode() const { return mode_; }
    void SetTransparentMode(TTransparentMode mode);

    // BMP files: core and info headers, 1/4/8/16/24/32 bits, RLE, bit fields, top-down.
    void LoadFromStream(TStream& stream) override;
    void SaveToStream(TStream& stream) const override;
    void LoadFromResourceName(HINSTANCE instance, const char* name); // RT_BITMAP

    void Draw(TCanvas& canvas, const RECT& r) override;

    struct Dib {
        BitmapHandle handle;
        std::uint8_t* bits = nullptr;
        int width = 0, height = 0, bitCount = 0;
        std::vector<RGBQUAD> palette;
    };

private:
    void Install(Dib dib, TPixelFormat format);
    Dib Convert(int width, int height, TPixelFormat format) const;
    friend class TCanvas;
    friend class TBitmapRelease;
    BitmapHandle MonoMask(TColor key) const;
    void LoadDib(const std::uint8_t* info, std::size_t infoSize, const std::uint8_t* bits, std::size_t bitsSize);

    Dib dib_;
    TPixelFormat format_ = pfDevice;
    TTransparentMode mode_ = tmAuto;
    TColor transparentColor_ = clDefault;
    mutable std::unique_ptr<TBitmapCanvas> canvas_;
};

// Keeps a bitmap out of its canvas's DC while it lives, for platform calls that select the
// bitmap into a DC of their own: a bitmap fits in one DC at a time. Null is allowed.
class TBitmapRelease {
public:
    explicit TBitmapRelease(const TBitmap* bitmap);
    ~TBitmapRelease();
    TBitmapRelease(const TBitmapRelease&) = delete;
    TBitmapRelease& operator=(const TBitmapRelease&) = delete;

private:
    const TBitmap* bitmap_;
};

// Icons: the icon handle, and the file it was loaded from. Loading picks the entry of the
// system's icon size (else the largest) with the most colours.
class TIcon : public TGraphic {
    CL_CLASS(TIcon)
public:
    void Assign(const TPersistent& source) override;
    bool Empty() const override { return !handle_; }
    int Width() const override { return width_; }
    int Height() const override { return height_; }
    HICON Handle() const { return handle_.get(); }
    void SetHandle(HICON icon); // owned

    void LoadFromStream(TStream& stream) override;
    void SaveToStream(TStream& stream) const override; // the loaded file, or one 32-bit image
    void Draw(TCanvas& canvas, const RECT& r) override;

private:
    IconHandle handle_;
    TBytes file_;
    int width_ = 0, height_ = 0;
};

// JPEG images, decoded through libjpeg into a 24-bit bitmap; the file is kept as loaded.
class TJPEGImage : public TGraphic {
    CL_CLASS(TJPEGImage)
public:
    void Assign(const TPersistent& source) override;
    bool Empty() const override { return bitmap_.Empty(); }
    int Width() const override { return bitmap_.Width(); }
    int Height() const override { return bitmap_.Height(); }
    const TBitmap& Bitmap() const { return bitmap_; }

    void LoadFromStream(TStream& stream) override; // reads to the end of the stream
    void SaveToStream(TStream& stream) const override;
    void Draw(TCanvas& canvas, const RECT& r) override;

private:
    TBytes file_;
    TBitmap bitmap_;
};

// A picture: holds one graphic of any kind (BMP, ICO, JPEG, PNG), told apart by its
// file's first bytes. In form
// resources it is an owned property filled through "Data" with the file's bytes.
class TPicture : public TPersistent {
    CL_CLASS(TPicture)
public:
    TNotifyEvent OnChange;

    TPicture();
    ~TPicture() override;
    TPicture(const TPicture&) = delete;
    TPicture& operator=(const TPicture&) = delete;
    void Assign(const TPersistent& source) override; // a picture or a graphic; copies

    TGraphic* Graphic() const { return graphic_.get(); }
    void SetGraphic(const TGraphic* graphic); // a copy; null empties the picture
    // The graphic as a bitmap or icon; any other graphic is replaced by an empty one.
    TBitmap& Bitmap();
    TIcon& Icon();
    int Width() const { return graphic_ ? graphic_->Width() : 0; }
    int Height() const { return graphic_ ? graphic_->Height() : 0; }

    // EInvalidGraphic for a format it does not know.
    void LoadFromStream(TStream& stream);
    void SaveToStream(TStream& stream) const;
    void LoadFromFile(const AnsiString& fileName);
    TBytes Data() const;
    void SetData(const TBytes& data); // empty data empties the picture

private:
    void Take(std::unique_ptr<TGraphic> graphic);
    std::unique_ptr<TGraphic> graphic_;
};

} // namespace cl
