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
