#include "classlib/SysUtils.h"

#include <gtest/gtest.h>

using namespace cl;

TEST(Format, Conversions)
{
    EXPECT_EQ(Format("ControlOfs%.8X%.8X", {0x400000u, 0x2Au}), "ControlOfs004000000000002A");
    EXPECT_EQ(Format("%d:%.2d:%.2d", {1, 5, 0}), "1:05:00");
    EXPECT_EQ(Format("File size: %.1f Kb", {12.345}), "File size: 12.3 Kb");
    EXPECT_EQ(Format("%s_%s", {"a", AnsiString("b")}), "a_b");
    EXPECT_EQ(Format("%d of %d", {-3, 10}), "-3 of 10");
    EXPECT_EQ(Format("%x|%5d|%-5s|%%", {255, 42, "ab"}), "ff|   42|ab   |%");
    EXPECT_EQ(Format("%1:s %0:s", {"a", "b"}), "b a");
    EXPECT_EQ(Format("%*d", {4, 7}), "   7");
    EXPECT_EQ(Format("%.3s", {"abcdef"}), "abc");
    EXPECT_EQ(Format("\xD3\xCE%s", {"\xCF\xB7"}), "\xD3\xCE\xCF\xB7");
}

TEST(Format, BadTemplatesAreErrorsNotUndefinedBehaviour)
{
    const char* bad[] = {"%s %s", "%d", "%q", "%", "%5", "%.2", "%99999999d", "%3:s"};
    for (const char* f : bad) {
        SCOPED_TRACE(f);
        EXPECT_THROW(Format(f, {"only one"}), EConvertError);
    }
    EXPECT_THROW(Format("%s", {3}), EConvertError);
    EXPECT_THROW(Format("%d", {1.5}), EConvertError);
}

TEST(Conversions, StrToInt)
{
    struct Case {
        const char* text;
        bool ok;
        std::int32_t value;
    } cases[] = {
        {"0", true, 0},       {"-12", true, -12},          {"+7", true, 7},
        {"$FF", true, 255},   {"$ffffffff", true, -1},     {"0x10", true, 16},
        {"2147483647", true, 2147483647}, {"-2147483648", true, -2147483647 - 1},
        {"2147483648", false, 0}, {"", false, 0}, {"12a", false, 0}, {"$", false, 0},
        {"- 1", false, 0},    {"$1FFFFFFFF", false, 0},    {"99999999999999999999", false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::int32_t v = 99;
        EXPECT_EQ(TryStrToInt(c.text, v), c.ok);
        if (c.ok) EXPECT_EQ(v, c.value);
        EXPECT_EQ(StrToIntDef(c.text, -77), c.ok ? c.value : -77);
    }
    EXPECT_THROW(StrToInt("x"), EConvertError);
}

TEST(Conversions, TextHelpers)
{
    EXPECT_EQ(IntToStr(-42), "-42");
    EXPECT_EQ(IntToHex(0xAB, 4), "00AB");
    EXPECT_EQ(Trim("\t a b \r\n"), "a b");
    EXPECT_EQ(UpperCase("ab\xD3\xCE"), "AB\xD3\xCE"); // multibyte bytes untouched
    EXPECT_TRUE(SameText("Flash", "FLASH"));
    EXPECT_LT(CompareText("abc", "ABD"), 0);
    EXPECT_GT(CompareText("abcd", "ABC"), 0);
}

TEST(Conversions, FileNamePartsWalkCharactersOfTheCodePage)
{
    struct Case {
        const char* in;
        const char* path;
        const char* name;
        const char* ext;
    } cases[] = {
        {"C:\\Ludora.exe", "C:\\", "Ludora.exe", ".exe"},
        {"Z:\\games\\box.d\\Ludora", "Z:\\games\\box.d\\", "Ludora", ""},
        {"C:\\\x81\x5C.exe", "C:\\", "\x81\x5C.exe", ".exe"}, // the trail byte 0x5C is no "\\"
        {"C:\\\x81\x5C\\a.b", "C:\\\x81\x5C\\", "a.b", ".b"},
        {"Ludora.exe", "", "Ludora.exe", ".exe"},
        {"C:readme", "C:", "readme", ""},
        {"", "", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.in);
        EXPECT_EQ(ExtractFilePath(c.in), c.path);
        EXPECT_EQ(ExtractFileName(c.in), c.name);
        EXPECT_EQ(ExtractFileExt(c.in), c.ext);
    }
}
