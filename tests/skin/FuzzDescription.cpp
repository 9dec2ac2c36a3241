// The description-to-objects path as far as it needs no bitmap: a description text parsed,
// then every section and key the skin load reads taken through the rules that turn them
// into skin-object values (colours, caption buttons and their frames, glyph frames, the
// toolbar gradient).
#include "skin/QuickIni.h"
#include "skin/SkinRules.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

// The sections of the image readers and the keys each of them reads.
const char* const ImageSections[] = {
    "Progress", "Progress.Chunk", "GroupBoxEdge", "GroupBox", "Tabs", "StatusBarEdges", "Tab.Pane", "ToolBars",
    "ComboButton", "SunkEdge", "ExtraImages", "Headerbar", "MenuItem", "MenuBackground", "Scrollbar", "HorzScroll",
    "VertScroll", "HorzScrollThumb", "VertScrollThumb", "Trackbar.ThumbHorz", "Trackbar.ThumbVert",
    "Trackbar.ThumbLeft", "Trackbar.ThumbRight", "Trackbar.ThumbUp", "Trackbar.ThumbDown", "UpDown.Horz",
    "UpDown.Vert", "Track", "TRACKVERT", "Buttons", "MDICONTROLS"};
const char* const IntegerKeys[] = {"Style",        "LeftWidth", "RightWidth", "TopHeight", "BottomHeight",
                                   "Frame",        "Trans",     "Tile",       "NormalColour", "MouseOverColour",
                                   "PressedColour", "FrameCount", "RadioButtonFrame", "CheckButtonFrame"};
const char* const ColourKeys[] = {"NormalColour2", "MouseOverColour2", "PressedColour2"};
const char* const ColourTable[] = {"WindowText", "ButtonFace", "Scrollbar", "HilightText", "Hilight", "Menubar",
                                   "Menu", "MenuText", "ButtonText", "ButtonHilight", "Buttonlight", "ButtonShadow",
                                   "ButtonDkShadow", "MenuBarText", "TitleTextActive", "TitleTextNoActive"};
const char* const PersonalityKeys[] = {
    "LeftTopHeight", "LeftBotHeight", "LeftFrame", "LeftStretch", "LeftTrans", "RightTopHeight", "RightBotHeight",
    "RightFrame", "RightStretch", "RightTrans", "TopTopHeight", "TopBotHeight", "TopFrame", "TopStretch", "TopTrans",
    "BottomTopHeight", "BottomBotHeight", "BottomFrame", "BottomStretch", "BottomTrans", "TextShift",
    "TextShiftVert", "TextRightClip", "TextAlignment", "Textbackground", "TXTBackleft", "TXTBackRight",
    "ActiveTextR", "ActiveTextG", "ActiveTextB", "InActiveTextR", "InActiveTextG", "InActiveTextB", "TileMenu",
    "TileLeftMenu", "TileRightMenu"};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    skin::TQuickIni ini;
    ini.LoadFromStream(std::string_view(reinterpret_cast<const char*>(data), size));
    std::vector<cl::AnsiString> sections;
    ini.ReadSections(sections);

    std::uint32_t sink = 0;
    for (const char* key : PersonalityKeys) sink += static_cast<std::uint32_t>(ini.ReadInteger("Personality", key, 0));
    for (const char* key : {"Left", "Right", "Top", "Bottom", "TextBack", "menuBar"})
        sink += static_cast<std::uint32_t>(ini.ReadString("Personality", key, "").size());
    for (const char* key : ColourTable) sink += skin::ParseColor(ini.ReadString("Colours", key, ""), 0);
    const std::vector<skin::TColor> extra = skin::ReadExtraColors(ini, sections, 0);
    if (extra.size() > skin::MaxExtraColors) std::abort();
    for (skin::TColor c : extra) sink += static_cast<std::uint32_t>(c);
    for (int k = 0; k < 10; ++k)
        sink += skin::ParseColor(ini.ReadString("Customcolors", "Color" + std::to_string(k), ""), 0xFFFFFF);

    const std::vector<skin::TCaptionButtonKeys> buttons = skin::ReadCaptionButtonKeys(ini, sections);
    if (buttons.size() > skin::MaxCaptionButtons) std::abort();
    for (const skin::TCaptionButtonKeys& b : buttons) {
        // Image sizes stand in for the bitmaps: taken from the keys themselves.
        const int frames = skin::CaptionButtonFrames(b.frame, b.x, b.y, b.action);
        if (frames < 1) std::abort();
        sink += static_cast<std::uint32_t>(frames + b.image.size());
    }

    for (const char* section : ImageSections) {
        sink += static_cast<std::uint32_t>(ini.ReadString(section, "Image", "").size());
        sink += static_cast<std::uint32_t>(ini.ReadString(section, "Bitmap", "").size());
        for (const char* key : IntegerKeys) sink += static_cast<std::uint32_t>(ini.ReadInteger(section, key, 0));
        for (const char* key : ColourKeys) sink += skin::ParseColor(ini.ReadString(section, key, ""), 0);
    }
    const int width = ini.ReadInteger("Buttons", "LeftWidth", 0), height = ini.ReadInteger("Buttons", "TopHeight", 0);
    const int glyphFrames = skin::GlyphStripFrames(ini.ReadInteger("Buttons", "CheckButtonFrame", 0), width, height);
    if (glyphFrames < 1) std::abort();
    const skin::TGradientColors g = skin::ToolbarGradient(skin::ParseColor(ini.ReadString("Colours", "ButtonFace", ""), 0),
                                                          skin::ParseColor(ini.ReadString("Colours", "Menu", ""), 0));
    sink += g.top + g.bottom + static_cast<std::uint32_t>(ini.ReadInteger("Fonts", "FontHeight", 14));
    volatile std::uint32_t keep = sink;
    (void)keep;
    return 0;
}
