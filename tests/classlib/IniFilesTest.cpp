#include "classlib/Encoding.h"
#include "classlib/IniFiles.h"
#include "classlib/Streams.h"

#include <gtest/gtest.h>
#include <windows.h>

using namespace cl;

namespace {
struct IniFile : ::testing::Test {
    AnsiString path;
    void SetUp() override
    {
        char dir[MAX_PATH];
        GetCurrentDirectoryA(MAX_PATH, dir);
        path = AnsiString(dir) + "\\ini-" + ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".db";
        DeleteFileA(path.c_str());
    }
    void TearDown() override { DeleteFileA(path.c_str()); }
    std::string Bytes() const
    {
        TMemoryStream m;
        m.LoadFromFile(path);
        return std::string(m.Bytes().begin(), m.Bytes().end());
    }
};
} // namespace

TEST(CodePage, LiteralsAreCodePage936AndRoundTripThroughUtf16)
{
    const AnsiString box = "游戏盒";
    EXPECT_EQ(box, "\xD3\xCE\xCF\xB7\xBA\xD0");
    EXPECT_EQ(GetACP(), 936u);
    EXPECT_EQ(AnsiToWide(box), std::wstring(L"\x6E38\x620F\x76D2"));
    EXPECT_EQ(WideToAnsi(L"\x6E38\x620F\x76D2"), box);
    EXPECT_EQ(Utf8ToAnsi(u8"游戏盒"), box);
    EXPECT_EQ(AnsiToUtf8(box), std::string(u8"游戏盒"));
}

TEST_F(IniFile, ChineseTextRoundTripsAndIsStoredAsCodePage936)
{
    TIniFile ini(path);
    ini.WriteString("http://127.0.0.1/flash/abc", "title", "连连看");
    EXPECT_EQ(ini.ReadString("http://127.0.0.1/flash/abc", "title", ""), "连连看");
    EXPECT_NE(Bytes().find("title=\xC1\xAC\xC1\xAC\xBF\xB4"), std::string::npos);
    TIniFile again(path);
    EXPECT_EQ(again.ReadString("HTTP://127.0.0.1/FLASH/ABC", "TITLE", ""), "连连看"); // names ignore case
}

TEST_F(IniFile, TypedValuesAndDefaults)
{
    TIniFile ini(path);
    ini.WriteBool("Setting", "SetBossKey", false);
    ini.WriteInteger("Setting", "Count", -5);
    ini.WriteString("Setting", "Junk", "abc");
    EXPECT_FALSE(ini.ReadBool("Setting", "SetBossKey", true));
    EXPECT_TRUE(ini.ReadBool("Setting", "CloseExit", true));
    EXPECT_TRUE(ini.ReadBool("Setting", "Junk", true));
    EXPECT_FALSE(ini.ReadBool("Setting", "Junk", false));
    EXPECT_EQ(ini.ReadInteger("Setting", "Count", 0), -5);
    EXPECT_EQ(ini.ReadInteger("Setting", "Junk", 7), 7);
    EXPECT_EQ(ini.ReadString("Nowhere", "x", "fallback"), "fallback");
}

TEST_F(IniFile, SectionsKeysAndErasing)
{
    TIniFile ini(path);
    ini.WriteString("a", "swf", "swf/x.swf");
    ini.WriteString("a", "desc", "");
    ini.WriteString("b", "k", "v");
    TStringList keys, sections, values;
    ini.ReadSection("a", keys);
    EXPECT_EQ(keys.Text(), "swf\r\ndesc\r\n");
    ini.ReadSections(sections);
    EXPECT_EQ(sections.Text(), "a\r\nb\r\n");
    ini.ReadSectionValues("a", values);
    EXPECT_EQ(values.Text(), "swf=swf/x.swf\r\ndesc=\r\n");
    EXPECT_TRUE(ini.ValueExists("a", "desc"));
    EXPECT_TRUE(ini.SectionExists("b"));
    ini.EraseSection("a");
    ini.DeleteKey("b", "k");
    EXPECT_FALSE(ini.SectionExists("a"));
    EXPECT_FALSE(ini.ValueExists("b", "k"));
}

TEST_F(IniFile, LongValuesAreReadWhole)
{
    TIniFile ini(path);
    AnsiString longText(5000, 'x');
    longText += "游戏";
    ini.WriteString("s", "desc", longText);
    EXPECT_EQ(ini.ReadString("s", "desc", ""), longText);
}
