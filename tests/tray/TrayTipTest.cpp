// The tray record's layout and the tip text cut to it (code page 936 bytes, written as
// escapes so that the native and the Windows compilers see the same bytes).
#include "tray/WyrTrayTip.h"

#include <gtest/gtest.h>

namespace {
std::string Repeat(const std::string& s, int n)
{
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}
const std::string kYou = "\xD3\xCE"; // one double-byte character
} // namespace

TEST(TrayRecordLayout, ShellFiveAndLaterTakeTheLongRecord)
{
    struct Case {
        unsigned major, size;
        std::size_t tipMax;
    } cases[] = {{0, 88, 63}, {4, 88, 63}, {5, 488, 127}, {6, 488, 127}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.major);
        TTrayRecordLayout layout = TrayRecordLayout(c.major);
        EXPECT_EQ(layout.size, c.size);
        EXPECT_EQ(layout.tipMax, c.tipMax);
    }
}

TEST(TrayTip, CutsAtACharacterBoundary)
{
    struct Case {
        const char* name;
        std::string text;
        std::size_t max;
        std::string expected;
    } cases[] = {
        {"empty", "", 127, ""},
        {"short", "Orvane", 127, "Orvane"},
        {"ascii too long", std::string(130, 'a'), 127, std::string(127, 'a')},
        {"ascii exactly full", std::string(127, 'a'), 127, std::string(127, 'a')},
        {"64 double-byte into 127", Repeat(kYou, 64), 127, Repeat(kYou, 63)},
        {"odd start fills 127", "a" + Repeat(kYou, 64), 127, "a" + Repeat(kYou, 63)},
        {"32 double-byte into 63", Repeat(kYou, 32), 63, Repeat(kYou, 31)},
        {"lead byte would be the last", std::string(62, 'a') + kYou, 63, std::string(62, 'a')},
        {"lone lead byte at the end", "ab\xD3", 127, "ab\xD3"},
        {"0x80 and 0xFF are single bytes", "\x80\xFF" "a", 2, "\x80\xFF"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CutTipText(c.text, c.max), c.expected);
    }
}
