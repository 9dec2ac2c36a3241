// Rules of the skin description that need no bitmap (portable): colour texts, which
// sections are caption buttons, frame counts derived from image sizes, the toolbar
// gradient's colours, and the cells of the maximised-child buttons.
#pragma once

#include "skin/ImgUtil.h"
#include "skin/QuickIni.h"

#include "classlib/SysUtils.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace skin {

// "237 242 249": up to three runs of decimal digits (red, green, blue), each modulo 256;
// missing numbers are 0. An empty (or blank) text gives Default.
TColor ParseColor(std::string_view Text, TColor Default);

// A section whose upper-cased name begins with "BUTTON" and is not one of "BUTTON",
// "BUTTONS", "BUTTON.RADIO", "BUTTON.CHECKBOX".
bool IsCaptionButtonSection(std::string_view name);

// At most this many caption buttons are read from a description: each one becomes an
// object of every skinned window, and no skin needs more.
constexpr std::size_t MaxCaptionButtons = 64;

// Coordinates and margins read from a description lie within this distance of 0, so
// that sums of a few of them and of window sizes stay within int.
constexpr int MaxSkinCoordinate = 32767;
inline int ClampCoordinate(int v)
{
    return v < -MaxSkinCoordinate ? -MaxSkinCoordinate : v > MaxSkinCoordinate ? MaxSkinCoordinate : v;
}
// An integer key read as a coordinate: clamped as above.
inline int ReadCoordinate(const TQuickIni& ini, std::string_view section, std::string_view key, int fallback)
{
    return ClampCoordinate(ini.ReadInteger(section, key, fallback));
}

// The extra colours: the "color" key of each section whose upper-cased name begins with
// "COLOUR" and is not "COLOURS", in text order, at most MaxExtraColors of them.
constexpr std::size_t MaxExtraColors = 64;
std::vector<TColor> ReadExtraColors(const TQuickIni& ini, const std::vector<cl::AnsiString>& sections, TColor fallback);

// The keys of one caption-button section, as read (before the image decides the frames).
struct TCaptionButtonKeys {
    cl::AnsiString name; // upper-cased
    int action = 0, align = 0, x = 0, y = 0, visibility = 0, visibility1 = 0, combineOp = -1, frame = 0;
    cl::AnsiString image;
};

// The caption buttons of a description, in text order, from its section names: caption-
// button sections, less those with "Action" -1 whose "Visibility" is not 0, at most
// MaxCaptionButtons. A button of action 4 takes the place of the latest button of action
// 1 and visibility 2 before it (0, 0 when none).
std::vector<TCaptionButtonKeys> ReadCaptionButtonKeys(const TQuickIni& ini, const std::vector<cl::AnsiString>& sections);

// Frame count of a caption button: a "frame" value above 0 stands; otherwise 6, or 3 for
// a non-empty image at most 3.8 times as wide as high, and 6 for any negative action.
int CaptionButtonFrames(int frame, int width, int height, int action);

// Frame count of a check or radio glyph strip: a value above 0 stands; otherwise the
// width divided by 13 (strips under 16 pixels high) or 16, and at least 4.
int GlyphStripFrames(int frames, int width, int height);

// Frame counts read from a skin divide image widths later: at least 1.
inline int AtLeastOneFrame(int frames) { return frames < 1 ? 1 : frames; }

// Top and bottom colours of the toolbar gradient for the form colour and ButtonFace
// (both plain RGB).
struct TGradientColors {
    TColor top, bottom;
};
TGradientColors ToolbarGradient(TColor buttonFace, TColor formColor);

// A skin's bitmaps that cannot be used: larger than a screen shows, or together more than
// a load may reserve. Raised before the pixels are made.
class ESkinBitmapTooLarge : public cl::Exception {
    using cl::Exception::Exception;
};

// What the bitmaps of one skin load may take: each at most MaxBitmapPixels, all of them
// together at most MaxSkinPixels.
class TBitmapBudget {
public:
    static constexpr std::int64_t MaxBitmapPixels = 4096LL * 4096;
    static constexpr std::int64_t MaxSkinPixels = 4 * MaxBitmapPixels;

    // Takes the pixels the BMP file claims (width x height from its headers) or raises
    // ESkinBitmapTooLarge naming the file. A file whose headers are not a bitmap's takes
    // nothing: the bitmap reader refuses it.
    void Take(std::string_view name, const std::vector<std::uint8_t>& file);
    std::int64_t Taken() const { return taken_; }

private:
    std::int64_t taken_ = 0;
};

} // namespace skin
