// Skin container: cases packed by make_fixtures.py, by name.
#include "skin/SkinReader.h"

#include "Fixtures.h"

#include <gtest/gtest.h>

using skin::TSkinReader;
using skintest::ReadFixture;
using skintest::Text;

namespace {

TSkinReader Opened(const char* name, bool expected = true)
{
    TSkinReader reader;
    EXPECT_EQ(reader.Open(ReadFixture(std::string("containers/") + name + ".skin")), expected) << name;
    return reader;
}

std::string Get(const TSkinReader& reader, const char* name)
{
    std::vector<std::uint8_t> dest{'?'};
    reader.GetFile(name, dest);
    return Text(dest);
}

} // namespace

TEST(SkinReader, IndexesNamesLowerCaseInFileOrder)
{
    struct Case {
        const char* file;
        std::vector<std::string> names;
    } cases[] = {
        {"basic", {"skin.ini", "a.bmp", "empty.bmp", "dup.bmp", "dup.bmp"}},
        {"trailing_break", {"a.bmp", "b.ini"}},
        {"empty_line_lf", {"a", "", "b"}},
        {"lone_cr_nul", {"x.ini", "y.bmp"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        TSkinReader reader = Opened(c.file);
        EXPECT_EQ(reader.Names(), c.names);
        EXPECT_EQ(reader.Count(), static_cast<int>(c.names.size()));
    }
}

TEST(SkinReader, GetFileIgnoresCaseAndTakesTheFirstOfTwins)
{
    TSkinReader reader = Opened("basic");
    EXPECT_EQ(Get(reader, "a.bmp"), "AAA");
    EXPECT_EQ(Get(reader, "A.BMP"), "AAA");
    EXPECT_EQ(Get(reader, "dup.bmp"), "first");
    EXPECT_EQ(Get(reader, "empty.bmp"), "");
    EXPECT_EQ(Get(reader, "missing.bmp"), "");
    EXPECT_EQ(Get(reader, "skin.ini"), "[Personality]\r\nTop=top.bmp\r\n");

    TSkinReader lf = Opened("empty_line_lf");
    EXPECT_EQ(Get(lf, "b"), "333");
}

TEST(SkinReader, FindFileMatchesASubstringCaseSensitively)
{
    TSkinReader reader = Opened("basic");
    std::vector<std::uint8_t> dest;
    cl::AnsiString found = "unchanged";
    reader.FindFile(".ini", dest, found);
    EXPECT_EQ(found, "skin.ini");
    EXPECT_EQ(Text(dest), "[Personality]\r\nTop=top.bmp\r\n");

    reader.FindFile("bmp", dest, found);
    EXPECT_EQ(found, "a.bmp");
    EXPECT_EQ(Text(dest), "AAA");

    found = "unchanged";
    reader.FindFile(".INI", dest, found);
    EXPECT_EQ(found, "unchanged");
    EXPECT_TRUE(dest.empty());
}

TEST(SkinReader, StreamsInAndOut)
{
    cl::TMemoryStream source;
    auto file = ReadFixture("containers/basic.skin");
    source.WriteBuffer(file.data(), static_cast<std::int64_t>(file.size()));
    TSkinReader reader;
    ASSERT_TRUE(reader.Open(source));
    cl::TMemoryStream dest;
    dest.WriteBuffer("stale", 5);
    reader.GetFile("A.BMP", dest);
    EXPECT_EQ(dest.Size(), 3);
    EXPECT_EQ(dest.Position(), 0);
    reader.GetFile("missing", dest);
    EXPECT_EQ(dest.Size(), 0);
    cl::AnsiString found;
    reader.FindFile("ini", dest, found);
    EXPECT_EQ(found, "skin.ini");
    EXPECT_EQ(dest.Position(), 0);
    EXPECT_EQ(Text(dest.Bytes()).substr(0, 13), "[Personality]");
}

TEST(SkinReader, ReadsEveryKnownVersion)
{
    for (int version : {20000, 30000, 40000, 50000, 60000, 70000}) {
        SCOPED_TRACE(version);
        std::string file = "v" + std::to_string(version);
        TSkinReader reader = Opened(file.c_str());
        EXPECT_EQ(reader.Header()[0], version);
        EXPECT_EQ(Get(reader, "d.ini"), "version " + std::to_string(version));
    }
}

TEST(SkinReader, AcceptsAFullTable)
{
    TSkinReader reader = Opened("max_entries");
    EXPECT_EQ(reader.Count(), TSkinReader::MaxEntries);
    EXPECT_EQ(reader.Names().back(), "e1000");
}

TEST(SkinReader, RefusesBadContainersAndKeepsTheIndex)
{
    const char* bad[] = {"unknown_version", "too_many", "negative_size", "overrun",
                         "names_past_end", "sizes_past_end", "short_header", "huge_size"};
#ifdef _WIN32
    skintest::ShownMessages shown;
#endif
    TSkinReader reader = Opened("basic");
    for (const char* name : bad) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(reader.Open(ReadFixture(std::string("containers/") + name + ".skin")));
        EXPECT_EQ(reader.Count(), 5);
        EXPECT_EQ(Get(reader, "a.bmp"), "AAA");
    }
    EXPECT_FALSE(reader.Open(std::vector<std::uint8_t>{1, 2}));
}

#ifdef _WIN32
// Only a version the reader does not know shows the message, once per Open.
TEST(SkinReader, AnUnknownVersionShowsTheOlderSkinMessage)
{
    skintest::ShownMessages shown;
    TSkinReader reader;
    EXPECT_TRUE(reader.Open(ReadFixture("containers/basic.skin")));
    EXPECT_FALSE(reader.Open(ReadFixture("containers/too_many.skin")));
    EXPECT_TRUE(shown.texts.empty());
    EXPECT_FALSE(reader.Open(ReadFixture("containers/unknown_version.skin")));
    EXPECT_EQ(shown.texts, std::vector<std::string>{"This is Older Skin File\rPlease update to new version !"});
}
#endif
