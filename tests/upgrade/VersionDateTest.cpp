// Dotted versions, percentages, tokens, version dates and the HTTP date parser.
#include "upgrade/VersionDate.h"

#include <gtest/gtest.h>

using namespace up;

namespace {

const TDateTime kSecond = 1.0 / 86400;

TDateTime At(int y, int mo, int d, int h, int mi, int s) { return EncodeDate(y, mo, d) + EncodeTime(h, mi, s, 0); }

} // namespace

TEST(VersionDate, EncodesDatesAsDaysSince30December1899)
{
    EXPECT_EQ(EncodeDate(1899, 12, 30), 0);
    EXPECT_EQ(EncodeDate(2000, 1, 1), 36526);
    EXPECT_EQ(EncodeDate(1, 1, 1), -693593);
    EXPECT_DOUBLE_EQ(EncodeTime(12, 0, 0, 0), 0.5);
    EXPECT_THROW(EncodeDate(2011, 2, 29), EConvertError);
    EXPECT_THROW(EncodeDate(2011, 0, 1), EConvertError);
    EXPECT_THROW(EncodeTime(24, 0, 0, 0), EConvertError);
    int y = 0, m = 0, d = 0;
    ASSERT_TRUE(DecodeDate(EncodeDate(2012, 2, 29) + 0.75, y, m, d));
    EXPECT_EQ(y * 10000 + m * 100 + d, 20120229);
    EXPECT_FALSE(DecodeDate(1e12, y, m, d));
}

TEST(VersionDate, SplitVersionFillsFourParts)
{
    using P = std::array<AnsiString, 4>;
    EXPECT_EQ(SplitVersion("4"), (P{"4", "0", "0", "0"}));
    EXPECT_EQ(SplitVersion("1.2"), (P{"1", "2", "0", "0"}));
    EXPECT_EQ(SplitVersion("1.2.3.4.5"), (P{"1", "2", "3", "4"}));
    EXPECT_EQ(SplitVersion(""), (P{"", "0", "0", "0"}));
    EXPECT_EQ(SplitVersion("1..2"), (P{"1", "", "2", "0"}));
}

TEST(VersionDate, CompareVersionsTable)
{
    struct Case { const char* a; const char* b; int expected; };
    const Case cases[] = {
        {"5", "4", 1},         {"4", "5", -1},       {"4", "4.0.0.0", 0},   {"4.0.0.1", "4", 1},
        {"4.0", "4", 0},       {"4.0.1", "4", 1},    {"4a", "4", 1},        {"4", "4a", -1},
        {"10", "9", 1},        {"1.10", "1.9", 1},   {"", "4", -1},         {"4", "", 1},
        {"", "", 0},           {"4 ", "4", 1},       {"1.2.3.4.9", "1.2.3.4", 0},
        {"2.x", "10", -1}, // the first pair decides before the text part is reached
        {"1.x", "1.0", 1}, // then the whole texts compare: "x" > "0"
        {"$10", "15", 1},  // the class library's integers: "$10" is sixteen, not text
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(AnsiString(c.a) + " vs " + c.b);
        EXPECT_EQ(CompareVersions(c.a, c.b), c.expected);
    }
}

TEST(VersionDate, PercentOfRoundsAndGuards)
{
    EXPECT_EQ(PercentOf(1, 2), 50);
    EXPECT_EQ(PercentOf(1, 3), 33);
    EXPECT_EQ(PercentOf(2, 3), 67);
    EXPECT_EQ(PercentOf(1, 8), 12); // 12.5 rounds to even
    EXPECT_EQ(PercentOf(3, 8), 38); // 37.5 rounds to even
    EXPECT_EQ(PercentOf(5, 0), 0);
    EXPECT_EQ(PercentOf(10, 1), 0); // 1000 is no byte
}

TEST(VersionDate, CutToken)
{
    AnsiString s = "08:49:37 GMT";
    EXPECT_EQ(CutToken(s, ":", false), "08");
    EXPECT_EQ(s, "08:49:37 GMT");
    EXPECT_EQ(CutToken(s, ":", true), "08");
    EXPECT_EQ(s, "49:37 GMT");
    EXPECT_EQ(CutToken(s, "-", true), "49:37 GMT");
    EXPECT_EQ(s, "");
}

TEST(VersionDate, ParseGMTOffsetTable)
{
    struct Case { const char* text; TDateTime expected; };
    const Case cases[] = {
        {"+0800", 8.0 / 24},   {"-0130", -1.5 / 24}, {"  +0800 extra", 8.0 / 24}, {"GMT", 0},
        {"+08", 0},            {"0800", 0},          {"+08x0", 0},                {"+2500", 0},
        {"+0061", 0},          {"", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_NEAR(ParseGMTOffset(c.text), c.expected, 1e-9);
    }
}

// One moment in the three layouts, with and without a zone bias.
TEST(VersionDate, HTTPDateLayoutsGiveOneMoment)
{
    const TDateTime moment = At(1994, 11, 6, 8, 49, 37);
    const TDateTime shanghai = -480.0 / 1440; // UTC = local + bias
    for (const char* text : {"Sun, 06 Nov 1994 08:49:37 GMT", "Sunday, 06-Nov-94 08:49:37 GMT",
                             "Sun Nov  6 08:49:37 1994", "  sun, 06 nov 1994 08:49:37 gmt  ",
                             "06 Nov 1994 08:49:37 GMT", "Sun, 06 Nov 1994 16:49:37 +0800",
                             "Sun, 06 Nov 1994 03:19:37 -0530"}) {
        SCOPED_TRACE(text);
        EXPECT_NEAR(HTTPDateToDateTime(text, 0), moment, kSecond / 10);
        EXPECT_NEAR(HTTPDateToDateTime(text, shanghai), moment + 8.0 / 24, kSecond / 10);
    }
}

TEST(VersionDate, HTTPDateEdgesAndJunk)
{
    struct Case { const char* text; TDateTime expected; };
    const Case cases[] = {
        {"", 0},
        {"   ", 0},
        {"Sat, 01 Jan 2000 00:00:00 GMT", At(2000, 1, 1, 0, 0, 0)},
        {"Mon, 05 Mar 79 10:00:00 GMT", At(2079, 3, 5, 10, 0, 0)}, // below 80: 20xx
        {"Mon, 05 Mar 80 10:00:00 GMT", At(1980, 3, 5, 10, 0, 0)},
        {"Tue, 29 Feb 2011 00:00:00 GMT", 0},       // no such day
        {"Tue, 05 Foo 2011 00:00:00 GMT", 0},       // no month
        {"Tue, xx Mar 2011 00:00:00 GMT", At(2011, 3, 1, 0, 0, 0)}, // day not a number: 1
        {"Tue, 05 Mar 2011", At(2011, 3, 5, 0, 0, 0)},
        {"Tue, 05 Mar 2011 25:00:00 GMT", 0},       // impossible time
        {"garbage", 0},
        {"Tue, 05 Mar 2011 00:00:00 +0800 ", At(2011, 3, 4, 16, 0, 0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_NEAR(HTTPDateToDateTime(c.text, 0), c.expected, kSecond / 10);
    }
    // Unparseable text still takes the bias: it gives -bias, not 0.
    EXPECT_NEAR(HTTPDateToDateTime("garbage", -1.0 / 3), 1.0 / 3, 1e-9);
}

TEST(VersionDate, VersionDateTextRoundTrip)
{
    const TDateTime today = EncodeDate(2026, 12, 10);
    EXPECT_EQ(VersionDateToStr(EncodeDate(2011, 8, 26) + 0.9), "08/26/2011");
    EXPECT_EQ(StrToVersionDate("08/26/2011", today), EncodeDate(2011, 8, 26));
    EXPECT_EQ(StrToVersionDate("8/6/2011", today), EncodeDate(2011, 8, 6));
    for (const char* bad : {"", "08-26-2011", "08/26", "13/01/2011", "02/30/2011", "aa/bb/cccc", "08/26/2011 "})
        EXPECT_EQ(StrToVersionDate(bad, today), today) << bad;
}
