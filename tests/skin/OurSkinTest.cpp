// Our own skin as the build packs it: the entries the skin component expects, every
// bitmap the description names present as a 24-bit bitmap, the caption buttons.
#include "skin/QuickIni.h"
#include "skin/SkinReader.h"

#include "Fixtures.h"

#include <gtest/gtest.h>

#include <set>

using skin::TQuickIni;
using skin::TSkinReader;

namespace {

struct OurSkin {
    TSkinReader reader;
    TQuickIni ini;
    OurSkin()
    {
        auto stream = skintest::ReadFile(LUDORA_SKIN_STREAM);
        EXPECT_GE(stream.size(), 8u);
        // The property value: int32 length, then exactly that many bytes of skin file.
        std::int32_t length = stream[0] | stream[1] << 8 | stream[2] << 16 | stream[3] << 24;
        EXPECT_EQ(static_cast<std::size_t>(length), stream.size() - 4);
        EXPECT_TRUE(reader.Open(std::vector<std::uint8_t>(stream.begin() + 4, stream.end())));
        std::vector<std::uint8_t> text;
        cl::AnsiString name;
        reader.FindFile(".ini", text, name);
        ini.LoadFromStream(text);
    }
};

std::int32_t Le32(const std::vector<std::uint8_t>& b, std::size_t at)
{
    return static_cast<std::int32_t>(b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24);
}

} // namespace

TEST(OurSkin, HoldsTheDescriptionAndThirtySevenBitmaps)
{
    OurSkin skin;
    EXPECT_EQ(skin.reader.Header()[0], 70000);
    ASSERT_EQ(skin.reader.Count(), 38);
    int inis = 0, bmps = 0;
    for (const cl::AnsiString& n : skin.reader.Names()) {
        inis += n.size() > 4 && n.compare(n.size() - 4, 4, ".ini") == 0;
        bmps += n.size() > 4 && n.compare(n.size() - 4, 4, ".bmp") == 0;
    }
    EXPECT_EQ(inis, 1);
    EXPECT_EQ(bmps, 37);
}

TEST(OurSkin, EveryNamedBitmapIsAPresentTwentyFourBitBitmap)
{
    OurSkin skin;
    std::set<cl::AnsiString> named;
    for (const cl::AnsiString& line : skin.ini.Lines()) {
        std::size_t eq = line.find('=');
        if (eq != cl::AnsiString::npos && line.size() > 4 && line.compare(line.size() - 4, 4, ".bmp") == 0)
            named.insert(line.substr(eq + 1));
    }
    EXPECT_EQ(named.size(), 37u);
    for (const cl::AnsiString& name : named) {
        SCOPED_TRACE(name);
        std::vector<std::uint8_t> bmp;
        skin.reader.GetFile(name, bmp);
        ASSERT_GE(bmp.size(), 54u);
        EXPECT_EQ(bmp[0], 'B');
        EXPECT_EQ(bmp[1], 'M');
        EXPECT_EQ(bmp[28], 24);
        std::int32_t w = Le32(bmp, 18), h = Le32(bmp, 22);
        EXPECT_EQ(bmp.size(), 54u + static_cast<std::size_t>(((w * 3 + 3) & ~3) * h));
    }
}

TEST(OurSkin, CaptionButtons)
{
    OurSkin skin;
    struct Button {
        const char* section;
        int action, align, x, y, visibility;
    } buttons[] = {
        {"Button0", 0, 1, 30, 7, 0},  {"Button1", 1, 1, 54, 7, 2},   {"Button2", 2, 1, 78, 7, 8},
        {"Button3", 1, 1, 54, 7, 1},  {"Button4", 3, 0, 8, 7, 0},    {"Button5", 12, 1, 108, 7, 13},
        {"Button6", 13, 1, 268, 7, 6}, {"Button7", 14, 1, 188, 7, 6},
    };
    for (const Button& b : buttons) {
        SCOPED_TRACE(b.section);
        EXPECT_EQ(skin.ini.ReadInteger(b.section, "Action", -99), b.action);
        EXPECT_EQ(skin.ini.ReadInteger(b.section, "Align", -99), b.align);
        EXPECT_EQ(skin.ini.ReadInteger(b.section, "Xcoord", -99), b.x);
        EXPECT_EQ(skin.ini.ReadInteger(b.section, "Ycoord", -99), b.y);
        EXPECT_EQ(skin.ini.ReadInteger(b.section, "Visibility", -99), b.visibility);
    }
    // The image-less system-menu button gets the window icon: one frame keeps it whole.
    EXPECT_EQ(skin.ini.ReadInteger("Button4", "frame", 0), 1);
    EXPECT_EQ(skin.ini.ReadString("Button4", "ButtonImage", ""), "");
}
