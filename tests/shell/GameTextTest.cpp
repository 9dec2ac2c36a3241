#include "shell/GameText.h"

#include <gtest/gtest.h>

TEST(OfflinePage, FillsTheThreeTextsByPositionAndIndex)
{
    struct Case {
        const char* format;
        const char* expected;
    } cases[] = {
        {"<title>%0:s</title><embed src=\"%1:s\">%2:s", "<title>T</title><embed src=\"swf/a.swf\">D"},
        {"%s|%s|%s", "T|swf/a.swf|D"},
        {"%2:s %0:s %s", "D T swf/a.swf"}, // a plain one takes the text after the indexed one
        {"%S-%1:S", "T-swf/a.swf"},
        {"line-height: 150%%; %%s", "line-height: 150%; %s"},
        {"no conversions", "no conversions"},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FillOfflinePage(c.format, "T", "swf/a.swf", "D"), c.expected) << c.format;
}

TEST(OfflinePage, TextsAreInsertedAsTheyAre)
{
    // A percent sign inside a text is not read as a conversion.
    EXPECT_EQ(FillOfflinePage("[%s][%s]", "100%s", "%d", ""), "[100%s][%d]");
}

TEST(OfflinePage, AnyOtherConversionIsAnError)
{
    for (const char* format : {"%d", "%x", "%5s", "%-s", "%3:s", "%0:d", "%s%s%s%s", "%2:s%s", "50%", "%0:", "%0"})
        EXPECT_THROW(FillOfflinePage(format, "T", "S", "D"), cl::EConvertError) << format;
}

TEST(GameRecordText, MoviePathIsWhatFollowsTheFirstSlash)
{
    struct Case {
        const char* f;
        const char* expected;
    } cases[] = {
        {"/swf/game.swf", "swf/game.swf"},
        {"game.swf", "game.swf"},
        {"http://host/swf/game.swf", "/host/swf/game.swf"},
        {"swf/game.swf", "game.swf"},
        {"", ""},
        {"/", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(MoviePathOf(c.f), c.expected) << c.f;
}

TEST(GameRecordText, DescriptionLosesEveryLineBreak)
{
    EXPECT_EQ(RecordLine("a\r\nb\nc\rd\n\r\n"), "abcd");
    // A lone LF would otherwise end the ini line and could start a section of its own.
    EXPECT_EQ(RecordLine("x\n[evil]\nswf=y"), "x[evil]swf=y");
    EXPECT_EQ(RecordLine(""), "");
}

TEST(GameRecordText, HtmlTextHoldsNoMarkup)
{
    struct Case {
        const char* text;
        const char* expected;
    } cases[] = {
        {"<script>alert('x')</script>", "&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt;"},
        {"\" onload=\"go()", "&quot; onload=&quot;go()"},
        {"a&amp;b", "a&amp;amp;b"},
        {"贪吃蛇 1.0", "贪吃蛇 1.0"},
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(HtmlText(c.text), c.expected) << c.text;
}

TEST(MovieCopyName, LastSegmentOfTheSourceAddress)
{
    struct Case {
        const char* url;
        const char* expected;
    } cases[] = {
        {"http://host/flash/swf/game.swf", "game.swf"},
        {"http://host/get.php?id=3", "get.php?id=3"},
        {"http://host/dir/", ""},
        {"http://host/a\\..\\..\\b.swf", "b.swf"},
        {"http://host/..", ""},
        {"http://host/.", ""},
        {"http://host/ . .", ""},
        {"..\\..", ""},
        {"C:evil.swf", "evil.swf"},
        {"http://host/a\x97:b.swf", ""}, // a lead byte without a valid trail byte before ":"
        {"plain.swf", "plain.swf"},
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(MovieFileName(c.url), c.expected) << c.url;
}
