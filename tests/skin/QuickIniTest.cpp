// Skin description parser: lines, sections, keys and integer forms.
#include "skin/QuickIni.h"

#include <gtest/gtest.h>

#include <cstring>

using skin::TQuickIni;

namespace {

TQuickIni Parsed(std::string_view text)
{
    TQuickIni ini;
    ini.LoadFromStream(text);
    return ini;
}

const char Sample[] =
    "Orphan=before any section\r\n"
    "[colours]\r\n"
    "  ButtonFace = 1 2 3  \r\n"
    "; Hilight=9 9 9\r\n"
    "Empty=\r\n"
    "Empty=second\r\n"
    "Formula=a=b\r\n"
    "#Note=hash\r\n"
    "Hex1=0x1F\n"
    "Hex2=$1F\r"
    "Neg=-12\n\r"
    "Bad=12abc\r\n"
    "[ Spaced ]\r\n"
    "Key=spaced\r\n"
    "[Colours]\r\n"
    "ButtonFace=shadowed\r\n"
    "[Last]\r\n"
    "Key=last\0[Hidden]\r\nKey=after nul\r\n";

} // namespace

TEST(QuickIni, KeepsTrimmedLinesAndSections)
{
    TQuickIni ini = Parsed(std::string_view(Sample, std::strlen(Sample)));
    EXPECT_EQ(ini.Lines().front(), "Orphan=before any section");
    EXPECT_EQ(ini.Lines()[2], "ButtonFace = 1 2 3");
    EXPECT_EQ(ini.Lines().back(), "Key=last");
    std::vector<std::pair<std::string, int>> sections = {
        {"[colours]", 1}, {"[ Spaced ]", 11}, {"[Colours]", 13}, {"[Last]", 15}};
    EXPECT_EQ(ini.Sections(), sections);

    std::vector<std::string> names{"stale"};
    ini.ReadSections(names);
    EXPECT_EQ(names, (std::vector<std::string>{"colours", "Spaced", "Colours", "Last"}));
}

TEST(QuickIni, ReadString)
{
    // The sample's NUL ends the text, so [Hidden] never exists.
    TQuickIni ini = Parsed(std::string_view(Sample, sizeof Sample - 1));
    struct Case {
        const char* section;
        const char* key;
        const char* expected;
    } cases[] = {
        {"Colours", "buttonface", "1 2 3"},   // lower-case header, first of twin sections
        {"COLOURS", "BUTTONFACE", "1 2 3"},
        {"colours", "Hilight", "dflt"},       // commented out
        {"colours", "Empty", "dflt"},         // first occurrence wins even when empty
        {"colours", "formula", "a=b"},
        {"colours", "#note", "hash"},
        {"colours", "Neg", "-12"},
        {"colours", "Key", "dflt"},           // belongs to a later section
        {"Spaced", "Key", "dflt"},            // blanks inside brackets are part of the name
        {" Spaced ", "Key", "spaced"},
        {"", "Orphan", "dflt"},               // keys before the first header
        {"Last", "key", "last"},
        {"Hidden", "Key", "dflt"},
        {"Missing", "Key", "dflt"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.section) + "/" + c.key);
        EXPECT_EQ(ini.ReadString(c.section, c.key, "dflt"), c.expected);
    }
}

TEST(QuickIni, ReadInteger)
{
    TQuickIni ini = Parsed(Sample);
    struct Case {
        const char* key;
        std::int32_t expected;
    } cases[] = {{"Hex1", 31}, {"Hex2", 31}, {"Neg", -12}, {"Bad", 77}, {"Empty", 77}, {"Missing", 77}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(ini.ReadInteger("Colours", c.key, 77), c.expected);
    }
}

TEST(QuickIni, LineBreaks)
{
    // CR LF, CR and LF are one break each; LF CR is two, which only matters for counting.
    TQuickIni ini = Parsed("[A]\rx=1\ny=2\r\n\n\rz=3");
    EXPECT_EQ(ini.Lines(), (std::vector<std::string>{"[A]", "x=1", "y=2", "z=3"}));
    EXPECT_EQ(ini.ReadInteger("a", "z", 0), 3);
    EXPECT_EQ(ini.SectionIndex("A"), 0);
    EXPECT_EQ(ini.SectionIndex("B"), -1);
}

TEST(QuickIni, ReadsAStreamFromItsPosition)
{
    cl::TMemoryStream stream;
    stream.WriteBuffer("junk[A]\r\nk=1\r\n", 15);
    stream.SetPosition(4);
    TQuickIni ini = Parsed("[B]\r\nk=2\r\n");
    ini.LoadFromStream(static_cast<cl::TStream*>(nullptr));
    EXPECT_EQ(ini.ReadString("B", "k", ""), "2");
    ini.LoadFromStream(&stream);
    EXPECT_EQ(ini.ReadString("A", "k", ""), "1");
    EXPECT_EQ(ini.SectionIndex("B"), -1);
}

TEST(QuickIni, LoadingReplacesEarlierText)
{
    TQuickIni ini = Parsed("[A]\r\nk=1\r\n");
    ini.LoadFromStream(std::string_view("[B]\r\nk=2\r\n"));
    EXPECT_EQ(ini.ReadString("A", "k", "none"), "none");
    EXPECT_EQ(ini.ReadString("B", "k", "none"), "2");
    ini.LoadFromStream(std::string_view());
    EXPECT_TRUE(ini.Lines().empty());
    EXPECT_EQ(ini.ReadString("B", "k", "none"), "none");
}

#ifdef _WIN32
// Windows compares section names as the user's locale does: under code page 936 Greek and
// Cyrillic capitals match their small letters, which ASCII rules leave apart. A header
// with blanks inside its brackets still differs.
TEST(QuickIni, SectionNamesIgnoreCaseBeyondAscii)
{
    TQuickIni ini = Parsed("[\xA6\xA1\xA6\xA2]\nKey=greek\n[\xA7\xA1]\nKey=cyrillic\n[ Colours ]\nKey=spaced\n");
    EXPECT_EQ(ini.ReadString("\xA6\xC1\xA6\xC2", "key", "d"), "greek"); // small alpha beta
    EXPECT_EQ(ini.ReadString("\xA7\xD1", "KEY", "d"), "cyrillic");      // small a
    EXPECT_EQ(ini.SectionIndex("\xA6\xC1"), -1);
    EXPECT_EQ(ini.SectionIndex("colours"), -1);
}
#endif
