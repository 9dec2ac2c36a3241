// Description rules that need no bitmap.
#include "skin/SkinRules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace skin;

TEST(SkinRules, ParseColor)
{
    struct Case {
        const char* text;
        TColor expected;
    } cases[] = {
        {"237 242 249", MakeRGB(237, 242, 249)},
        {"  1,2;3  ", MakeRGB(1, 2, 3)},
        {"10 20", MakeRGB(10, 20, 0)},
        {"300 256 -1", MakeRGB(44, 0, 1)},
        {"1 2 3 4 5", MakeRGB(1, 2, 3)},
        {"red", MakeRGB(0, 0, 0)},
        {"", 0x1234},
        {"   ", 0x1234},
    };
    for (const Case& c : cases) EXPECT_EQ(ParseColor(c.text, 0x1234), c.expected) << '"' << c.text << '"';
}

TEST(SkinRules, CaptionButtonSections)
{
    for (const char* yes : {"Button0", "BUTTON7", "buttonx", "Button.Help"}) EXPECT_TRUE(IsCaptionButtonSection(yes)) << yes;
    for (const char* no : {"Button", "Buttons", "button.radio", "BUTTON.CHECKBOX", "MyButton", "Btn1", ""})
        EXPECT_FALSE(IsCaptionButtonSection(no)) << no;
}

TEST(SkinRules, CaptionButtonFrames)
{
    struct Case {
        int frame, width, height, action, expected;
    } cases[] = {
        {0, 150, 15, 0, 6},  // ratio 10
        {0, 60, 20, 0, 3},   // ratio 3
        {0, 76, 20, 0, 3},   // ratio exactly 3.8
        {0, 77, 20, 0, 6},
        {0, 60, 20, -1, 6},  // negative action
        {0, 0, 0, 3, 6},     // no image
        {4, 60, 20, 0, 4},
        {-2, 60, 20, 0, 3},  // a negative count would divide widths: treated as absent
    };
    for (const Case& c : cases)
        EXPECT_EQ(CaptionButtonFrames(c.frame, c.width, c.height, c.action), c.expected)
            << c.frame << " " << c.width << "x" << c.height << " action " << c.action;
}

TEST(SkinRules, GlyphStripFrames)
{
    EXPECT_EQ(GlyphStripFrames(0, 156, 13), 12);
    EXPECT_EQ(GlyphStripFrames(0, 160, 16), 10);
    EXPECT_EQ(GlyphStripFrames(0, 26, 13), 4);
    EXPECT_EQ(GlyphStripFrames(0, 0, 0), 4);
    EXPECT_EQ(GlyphStripFrames(8, 156, 13), 8);
    EXPECT_EQ(AtLeastOneFrame(0), 1);
    EXPECT_EQ(AtLeastOneFrame(-3), 1);
    EXPECT_EQ(AtLeastOneFrame(2), 2);
}

TEST(SkinRules, ToolbarGradient)
{
    // Grey form colour: saturation 200 would pass 110, but no channel reaches 160.
    TGradientColors grey = ToolbarGradient(MakeRGB(240, 240, 240), MakeRGB(100, 100, 100));
    EXPECT_EQ(grey.top, BlendRGB(MakeRGB(240, 240, 240), MakeRGB(255, 255, 255), 150));
    // 200 saturation counts as over 110: (5625 - 5000) / 140 + 50 = 54 %.
    EXPECT_EQ(grey.bottom, BlendRGB(MakeRGB(100, 100, 100), MakeRGB(255, 255, 255), 54));
    // A pale form colour (saturation 26) keeps the grey mix.
    TGradientColors pale = ToolbarGradient(MakeRGB(240, 240, 240), MakeRGB(230, 240, 250));
    EXPECT_EQ(pale.bottom, BlendRGB(0x808080, MakeRGB(230, 240, 250), 150));
    // A saturated one (0, 120, 215): saturation 255, amount (5625 - 6375) / 140 + 50 = 45.
    TGradientColors blue = ToolbarGradient(MakeRGB(240, 240, 240), MakeRGB(0, 120, 215));
    EXPECT_EQ(blue.bottom, BlendRGB(MakeRGB(0, 120, 215), MakeRGB(255, 255, 255), 45));
}

// Caption buttons in text order, the dropped ones skipped, at most 64 of them; action 4
// stands where the latest maximise button with visibility 2 stood.
TEST(SkinRules, CaptionButtonKeysStopAtTheCap)
{
    std::string text = "[Buttons]\nAction=1\n";
    for (int i = 0; i < 70; ++i) {
        text += "[Button" + std::to_string(i) + "]\nXcoord=" + std::to_string(i) + "\n";
        if (i == 3) text += "Action=-1\n";                  // dropped: no "Visibility" 0
        if (i == 5) text += "Action=1\nVisibility=2\nYcoord=9\n";
        if (i == 6) text += "Action=4\nButtonImage=help.bmp\n";
    }
    TQuickIni ini;
    ini.LoadFromStream(std::string_view(text));
    std::vector<cl::AnsiString> sections;
    ini.ReadSections(sections);
    const std::vector<TCaptionButtonKeys> keys = ReadCaptionButtonKeys(ini, sections);
    ASSERT_EQ(keys.size(), 64u);
    EXPECT_EQ(keys[0].name, "BUTTON0");
    EXPECT_EQ(keys[3].name, "BUTTON4");
    EXPECT_EQ(keys[5].name, "BUTTON6");
    EXPECT_EQ(keys[5].action, 4);
    EXPECT_EQ(keys[5].x, 5);
    EXPECT_EQ(keys[5].y, 9);
    EXPECT_EQ(keys[5].image, "help.bmp");
    EXPECT_EQ(keys[5].combineOp, -1);
    EXPECT_EQ(keys.back().name, "BUTTON64");
    EXPECT_EQ(keys.back().x, 64);
}

// A name repeated after a long first section reads that first section at every repeat:
// kept buttons as often as the name stands, dropped ones never.
TEST(SkinRules, RepeatedSectionNamesReadTheFirstSection)
{
    std::string text = "[ButtonA]\n";
    for (int i = 0; i < 500; ++i) text += "Filler" + std::to_string(i) + "=1\n";
    text += "Action=2\nXcoord=7\n[ButtonGone]\nAction=-1\nVisibility=1\n";
    text += "[buttona]\nAction=0\nXcoord=99\n[ButtonGone]\nAction=5\n[ButtonA]\n[ButtonB]\nAction=1\nVisibility=2\n"
            "Xcoord=11\n[BUTTONA]\n";
    TQuickIni ini;
    ini.LoadFromStream(std::string_view(text));
    std::vector<cl::AnsiString> sections;
    ini.ReadSections(sections);
    const std::vector<TCaptionButtonKeys> keys = ReadCaptionButtonKeys(ini, sections);
    struct Expected {
        const char* name;
        int action, x;
    } expected[] = {{"BUTTONA", 2, 7}, {"BUTTONA", 2, 7}, {"BUTTONA", 2, 7}, {"BUTTONB", 1, 11}, {"BUTTONA", 2, 7}};
    ASSERT_EQ(keys.size(), std::size(expected));
    for (std::size_t i = 0; i < keys.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(keys[i].name, expected[i].name);
        EXPECT_EQ(keys[i].action, expected[i].action);
        EXPECT_EQ(keys[i].x, expected[i].x);
    }
}

// One colour per "COLOUR..." section, a repeated name giving its first section's colour,
// and no more than 64.
TEST(SkinRules, ExtraColours)
{
    std::string text = "[Colour1]\ncolor=1 2 3\n[Colours]\ncolor=9 9 9\n[colourX]\n[COLOUR1]\ncolor=4 5 6\n";
    TQuickIni ini;
    ini.LoadFromStream(std::string_view(text));
    std::vector<cl::AnsiString> sections;
    ini.ReadSections(sections);
    EXPECT_EQ(ReadExtraColors(ini, sections, 0x123456),
              (std::vector<TColor>{MakeRGB(1, 2, 3), 0x123456, MakeRGB(1, 2, 3)}));

    for (int i = 0; i < 70; ++i) text += "[Colour" + std::to_string(i + 2) + "]\ncolor=" + std::to_string(i) + "\n";
    ini.LoadFromStream(std::string_view(text));
    ini.ReadSections(sections);
    const std::vector<TColor> capped = ReadExtraColors(ini, sections, 0);
    ASSERT_EQ(capped.size(), 64u);
    EXPECT_EQ(capped.back(), MakeRGB(60, 0, 0)); // the 61st of the numbered ones
}

// Caption-button coordinates far outside any window are clamped to +-32767 when read, so
// that placing the button cannot overflow.
TEST(SkinRules, CaptionButtonCoordinatesAreClamped)
{
    struct Case {
        const char* value;
        int expected;
    } cases[] = {{"2147483647", 32767}, {"-2147483648", -32767}, {"0x7FFFFFFF", 32767}, {"32768", 32767},
                 {"32767", 32767},      {"-32767", -32767},      {"-40000", -32767},    {"-5", -5}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        TQuickIni ini;
        ini.LoadFromStream("[Button1]\nXcoord=" + std::string(c.value) + "\nYcoord=" + c.value + "\n");
        const std::vector<TCaptionButtonKeys> keys = ReadCaptionButtonKeys(ini, {"Button1"});
        ASSERT_EQ(keys.size(), 1u);
        EXPECT_EQ(keys[0].x, c.expected);
        EXPECT_EQ(keys[0].y, c.expected);
        EXPECT_EQ(ReadCoordinate(ini, "Button1", "Xcoord", 0), c.expected);
    }
}

namespace {

// The headers of a BMP file of w x h (no pixels): bitCount 8 with run-length compression,
// or 24 uncompressed.
std::vector<std::uint8_t> BmpHeaders(int w, int h, bool rle8)
{
    std::vector<std::uint8_t> f(14 + 40 + (rle8 ? 1024 : 0));
    auto put = [&f](std::size_t at, std::uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) f[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    f[0] = 'B';
    f[1] = 'M';
    put(2, static_cast<std::uint32_t>(f.size()), 4);
    put(10, static_cast<std::uint32_t>(f.size()), 4);
    put(14, 40, 4);
    put(18, static_cast<std::uint32_t>(w), 4);
    put(22, static_cast<std::uint32_t>(h), 4);
    put(26, 1, 2);
    put(28, rle8 ? 8 : 24, 2);
    put(30, rle8 ? 1 : 0, 4);
    return f;
}

} // namespace

TEST(SkinRules, BitmapBudget)
{
    struct Case {
        int w, h;
        bool rle8;
        const char* error; // null: taken
    } cases[] = {
        {16000, 16000, true, "The skin's bitmap b.bmp is 16000 x 16000 pixels, larger than 4096 x 4096."},
        {4097, 4096, false, "The skin's bitmap b.bmp is 4097 x 4096 pixels, larger than 4096 x 4096."},
        {32767, 1, false, nullptr},
        {4096, 4096, false, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.w) + " x " + std::to_string(c.h));
        TBitmapBudget budget;
        try {
            budget.Take("b.bmp", BmpHeaders(c.w, c.h, c.rle8));
            EXPECT_EQ(c.error, nullptr);
            EXPECT_EQ(budget.Taken(), static_cast<std::int64_t>(c.w) * c.h);
        } catch (const ESkinBitmapTooLarge& e) {
            ASSERT_NE(c.error, nullptr);
            EXPECT_EQ(e.Message(), c.error);
            EXPECT_EQ(budget.Taken(), 0);
        }
    }

    // Four bitmaps of the largest size fill the budget of one load; a fifth pixel is
    // refused. Bytes that are no bitmap take nothing (the reader refuses them).
    TBitmapBudget budget;
    for (int i = 0; i < 4; ++i) budget.Take("big.bmp", BmpHeaders(4096, 4096, false));
    budget.Take("bad.bmp", {'B', 'M', 0, 0});
    EXPECT_EQ(budget.Taken(), 67108864);
    try {
        budget.Take("one.bmp", BmpHeaders(1, 1, false));
        ADD_FAILURE() << "taken";
    } catch (const ESkinBitmapTooLarge& e) {
        EXPECT_EQ(e.Message(), "The skin's bitmaps are too large together (at one.bmp, 1 x 1 pixels).");
    }
}
