// Text rules of the HTTP transfer.
#include "upgrade/TransferText.h"

#include <gtest/gtest.h>

using namespace up;

TEST(TransferText, EncodeURLExtra)
{
    EXPECT_EQ(EncodeURLExtra("?a=1&b=two"), "?a=1&b=two");
    EXPECT_EQ(EncodeURLExtra("?q=a b#c%d*e+f<g>h"), "?q=a%20b%23c%25d%2Ae%2Bf%3Cg%3Eh");
    EXPECT_EQ(EncodeURLExtra("\x01\x7f\x80\xff"), "%01\x7f%80%FF");
    EXPECT_EQ(EncodeURLExtra(""), "");
}

TEST(TransferText, RealmOf)
{
    EXPECT_EQ(RealmOf("Basic realm=\"Zone A\""), "Zone A");
    EXPECT_EQ(RealmOf("Basic"), "Basic");
    EXPECT_EQ(RealmOf("Basic realm=\""), "");
    EXPECT_EQ(RealmOf(""), "");
}

// Leaving https for http needs the option; every other hop among the two is followed.
TEST(TransferText, RedirectFollowed)
{
    struct Case {
        const char *from, *to;
        bool option, followed;
    };
    const Case cases[] = {
        {"https", "http", false, false}, {"HTTPS", "Http", false, false}, {"https", "http", true, true},
        {"http", "http", false, true},   {"http", "https", false, true},  {"https", "https", false, true},
        {"http", "ftp", true, false},    {"https", "file", true, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RedirectFollowed(c.from, c.to, c.option), c.followed) << c.from << " -> " << c.to << " " << c.option;
}

TEST(TransferText, StatusTexts)
{
    EXPECT_STREQ(StatusText(10), "Resolving name");
    EXPECT_STREQ(StatusText(21), "Connected");
    EXPECT_STREQ(StatusText(110), "Redirect");
    EXPECT_STREQ(StatusText(200), "State change");
    EXPECT_STREQ(StatusText(999), "Unknown status");
}

TEST(TransferText, LoginInfoRoundTripAndLayout)
{
    const auto data = EncodeLoginInfo("ann", "secret");
    ASSERT_EQ(data.size(), 11u);
    EXPECT_EQ(data[0], 10); // 1 + 3 + 6
    AnsiString user, password;
    ASSERT_TRUE(DecodeLoginInfo(data, user, password));
    EXPECT_EQ(user, "ann");
    EXPECT_EQ(password, "secret");
    // Every byte after the first is XORed with the same mask.
    const std::uint8_t mask = data[1] ^ 3;
    EXPECT_EQ(data[2] ^ mask, 'a');
    EXPECT_EQ(data[10] ^ mask, 't');

    ASSERT_TRUE(DecodeLoginInfo(EncodeLoginInfo("", "pw"), user, password));
    EXPECT_EQ(user, "");
    EXPECT_EQ(password, "pw");
    for (const std::vector<std::uint8_t>& bad : {std::vector<std::uint8_t>{}, {0}, {5, 1, 2}, {1, 0xFF}}) {
        EXPECT_FALSE(DecodeLoginInfo(bad, user, password));
        EXPECT_EQ(user, "");
    }
}
