// Skin description rules that need no bitmap.
#include "skin/SkinRules.h"

#include "classlib/PictureFormats.h"
#include "classlib/SysUtils.h"

#include <string>

namespace skin {

TColor ParseColor(std::string_view Text, TColor Default)
{
    cl::AnsiString text = cl::Trim(Text);
    if (text.empty()) return Default;
    int channel[3] = {0, 0, 0};
    int count = 0;
    bool inRun = false;
    for (char c : text) {
        if (c >= '0' && c <= '9') {
            if (!inRun) {
                if (count == 3) break;
                ++count;
                inRun = true;
            }
            channel[count - 1] = (channel[count - 1] * 10 + (c - '0')) % 256;
        } else {
            inRun = false;
        }
    }
    return MakeRGB(channel[0], channel[1], channel[2]);
}

bool IsCaptionButtonSection(std::string_view name)
{
    cl::AnsiString upper = cl::UpperCase(name);
    return upper.rfind("BUTTON", 0) == 0 && upper != "BUTTON" && upper != "BUTTONS" && upper != "BUTTON.RADIO" &&
           upper != "BUTTON.CHECKBOX";
}

std::vector<TCaptionButtonKeys> ReadCaptionButtonKeys(const TQuickIni& ini, const std::vector<cl::AnsiString>& sections)
{
    std::vector<TCaptionButtonKeys> buttons;
    int rememberedX = 0, rememberedY = 0;
    for (const cl::AnsiString& name : sections) {
        if (buttons.size() == MaxCaptionButtons) break;
        if (!IsCaptionButtonSection(name)) continue;
        const int action = ini.ReadInteger(name, "Action", 0);
        if (action == -1 && ini.ReadInteger(name, "Visibility", -1) != 0) continue;
        TCaptionButtonKeys b;
        b.name = cl::UpperCase(name);
        b.action = action;
        b.align = ini.ReadInteger(name, "Align", 0);
        b.x = ReadCoordinate(ini, name, "Xcoord", 0);
        b.y = ReadCoordinate(ini, name, "Ycoord", 0);
        b.visibility = ini.ReadInteger(name, "Visibility", 0);
        b.visibility1 = ini.ReadInteger(name, "Visibility1", action == -1 ? -1 : 0);
        b.combineOp = ini.ReadInteger(name, "CombineOp", -1);
        b.frame = ini.ReadInteger(name, "frame", 0);
        b.image = ini.ReadString(name, "ButtonImage", "");
        if (b.action == 1 && b.visibility == 2) {
            rememberedX = b.x;
            rememberedY = b.y;
        }
        if (b.action == 4) {
            b.x = rememberedX;
            b.y = rememberedY;
        }
        buttons.push_back(std::move(b));
    }
    return buttons;
}

std::vector<TColor> ReadExtraColors(const TQuickIni& ini, const std::vector<cl::AnsiString>& sections, TColor fallback)
{
    std::vector<TColor> colours;
    for (const cl::AnsiString& name : sections) {
        if (colours.size() == MaxExtraColors) break;
        const cl::AnsiString upper = cl::UpperCase(name);
        if (upper.rfind("COLOUR", 0) == 0 && upper != "COLOURS")
            colours.push_back(ParseColor(ini.ReadString(name, "color", ""), fallback));
    }
    return colours;
}

int CaptionButtonFrames(int frame, int width, int height, int action)
{
    if (frame > 0) return frame;
    if (action < 0 || width <= 0 || height <= 0) return 6;
    // width / height <= 3.8, compared exactly (x87 division would round 76 / 20 above 3.8).
    return 5LL * width <= 19LL * height ? 3 : 6;
}

int GlyphStripFrames(int frames, int width, int height)
{
    if (frames > 0) return frames;
    int n = width / (height < 16 ? 13 : 16);
    return n < 4 ? 4 : n;
}

TGradientColors ToolbarGradient(TColor buttonFace, TColor formColor)
{
    TGradientColors g{BlendRGB(buttonFace, MakeRGB(255, 255, 255), 150), BlendRGB(0x808080, formColor, 150)};
    int s = ColorSaturation(formColor);
    if (s > 110) g.bottom = BlendRGB(formColor, MakeRGB(255, 255, 255), (5625 - 25 * s) / 140 + 50);
    return g;
}

} // namespace skin

namespace skin {

void TBitmapBudget::Take(std::string_view name, const std::vector<std::uint8_t>& file)
{
    namespace pic = cl::pictures;
    pic::BmpFileHeader header;
    pic::DibLayout dib;
    if (file.size() < pic::BmpFileHeaderSize || pic::ReadBmpFileHeader(file.data(), header) ||
        pic::ParseDibHeader(file.data() + pic::BmpFileHeaderSize, file.size() - pic::BmpFileHeaderSize, dib))
        return;
    const std::int64_t pixels = static_cast<std::int64_t>(dib.width) * dib.height;
    const std::string size = std::to_string(dib.width) + " x " + std::to_string(dib.height);
    if (pixels > MaxBitmapPixels)
        throw ESkinBitmapTooLarge("The skin's bitmap " + std::string(name) + " is " + size +
                                  " pixels, larger than 4096 x 4096.");
    if (pixels > MaxSkinPixels - taken_)
        throw ESkinBitmapTooLarge("The skin's bitmaps are too large together (at " + std::string(name) + ", " +
                                  size + " pixels).");
    taken_ += pixels;
}

} // namespace skin
