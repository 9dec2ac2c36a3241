// The files the program and the player library share: the catalogues through the real XML
// DOM, and movie copies out of real URL-cache entries.
#include "shell/GameCatalog.h"
#include "shell/MovieCopy.h"
#include "shell/UnConst.h"

#include "../player/Files.h"

#include <gtest/gtest.h>
#include "classlib/Encoding.h"

#include <wininet.h>

namespace {

using Entry = std::pair<std::wstring, std::wstring>;
using EntryList = std::vector<Entry>;

struct Catalogues : ::testing::Test {
    void SetUp() override
    {
        CoInitialize(nullptr);
        WriteBytes(AppPath + kLocal, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<root>"
                                    "<item><txt>A</txt><url><![CDATA[a1]]></url></item>"
                                    "<item><txt>' or 'a'='a</txt><url><![CDATA[inj]]></url></item>"
                                    "<item><txt>B</txt><url><![CDATA[b1]]></url></item>"
                                    "<item><txt>A</txt><url><![CDATA[a2]]></url></item>"
                                    "</root>\n");
        WriteBytes(AppPath + kFavourites, kEmptyCatalogue);
    }
    void TearDown() override
    {
        for (const char* f : {kLocal, kFavourites}) DeleteFileA((AppPath + f).c_str());
    }
};

} // namespace

TEST_F(Catalogues, DeleteRemovesTheFirstExactTitleOnly)
{
    struct Case {
        const char* title;
        EntryList left;
    } cases[] = {
        {"A", {{L"' or 'a'='a", L"inj"}, {L"B", L"b1"}, {L"A", L"a2"}}},
        {"' or 'a'='a", {{L"A", L"a1"}, {L"B", L"b1"}, {L"A", L"a2"}}},
        {"b", {{L"A", L"a1"}, {L"' or 'a'='a", L"inj"}, {L"B", L"b1"}, {L"A", L"a2"}}},
        {"x']|//item[txt='B", {{L"A", L"a1"}, {L"' or 'a'='a", L"inj"}, {L"B", L"b1"}, {L"A", L"a2"}}},
    };
    for (const Case& c : cases) {
        SetUp();
        EXPECT_TRUE(CatalogDelete("Local", c.title)) << c.title;
        EXPECT_EQ(Entries(kLocal), c.left) << c.title;
    }
}

TEST_F(Catalogues, OnlyTheWordLocalSelectsTheLocalCatalogue)
{
    EXPECT_TRUE(CatalogDelete("local", "A"));
    EXPECT_EQ(Entries(kLocal).size(), 4u);
    EXPECT_EQ(CatalogAdd("Fav", "A", "x"), TCatalogAdd::caAdded);
    EXPECT_EQ(CatalogAdd("anything", "A", "y"), TCatalogAdd::caExists);
    EXPECT_EQ(Entries(kFavourites), (EntryList{{L"A", L"x"}}));
}

TEST_F(Catalogues, AddKeepsTitlesAndAddressesAsTheyAre)
{
    const char* titles[] = {"it's", "' or 'a'='a", "<b>&amp;\"", "小游戏"};
    for (const char* t : titles) EXPECT_EQ(CatalogAdd("Fav", t, "http://h/flash/1?a=1&b=2"), TCatalogAdd::caAdded) << t;
    EXPECT_EQ(CatalogAdd("Fav", "it's", "other"), TCatalogAdd::caExists);
    EXPECT_EQ(Entries(kFavourites), (EntryList{{L"it's", L"http://h/flash/1?a=1&b=2"},
                                               {L"' or 'a'='a", L"http://h/flash/1?a=1&b=2"},
                                               {L"<b>&amp;\"", L"http://h/flash/1?a=1&b=2"},
                                               {L"小游戏", L"http://h/flash/1?a=1&b=2"}}));
    EXPECT_NE(ReadBytes(AppPath + kFavourites).find("<![CDATA[http://h/flash/1?a=1&b=2]]>"), std::string::npos);
    EXPECT_EQ(CatalogAdd("Local", "' or 'a'='a", "z"), TCatalogAdd::caExists) << "compared as text, not as XPath";
    EXPECT_EQ(CatalogAdd("Local", "", "z"), TCatalogAdd::caNotOpened);
    EXPECT_EQ(Entries(kLocal).size(), 4u);
}

TEST_F(Catalogues, AnAddressHoldingTheSectionEndKeepsTheCatalogueReadable)
{
    EXPECT_EQ(CatalogAdd("Fav", "A", "http://h/?q=]]>x]]]>y"), TCatalogAdd::caAdded);
    EXPECT_EQ(CatalogAdd("Fav", "B", "b"), TCatalogAdd::caAdded) << "the saved file still opens";
    EXPECT_EQ(Entries(kFavourites), (EntryList{{L"A", L"http://h/?q=]]>x]]]>y"}, {L"B", L"b"}}));
}

TEST_F(Catalogues, MissingOrMalformedCataloguesAreLeftAlone)
{
    DeleteFileA((AppPath + kFavourites).c_str());
    EXPECT_FALSE(CatalogDelete("Fav", "A"));
    EXPECT_EQ(CatalogAdd("Fav", "A", "x"), TCatalogAdd::caNotOpened);
    EXPECT_EQ(ReadBytes(AppPath + kFavourites), "<missing>");
    const std::string broken = "<root><item><txt>A</txt>";
    WriteBytes(AppPath + kLocal, broken);
    EXPECT_FALSE(CatalogDelete("Local", "A"));
    EXPECT_EQ(CatalogAdd("Local", "B", "x"), TCatalogAdd::caNotOpened);
    EXPECT_EQ(ReadBytes(AppPath + kLocal), broken);
}

TEST_F(Catalogues, LongTitlesNeitherCrashNorMatch)
{
    const std::string big(1 << 20, 'q');
    EXPECT_TRUE(CatalogDelete("Local", big));
    EXPECT_EQ(Entries(kLocal).size(), 4u);
}

// ---------------------------------------------------------------------------------------
// Movie copy

namespace {

// Real cache entries, made and committed as WinINet makes them for downloads.
struct CacheEntries : ::testing::Test {
    std::vector<std::string> urls;
    std::string token = "ludora-test-" + std::to_string(GetCurrentProcessId());

    std::string Add(const std::string& url, const std::string& bytes)
    {
        char local[MAX_PATH] = "";
        EXPECT_TRUE(CreateUrlCacheEntryA(url.c_str(), 0, "swf", local, 0)) << url;
        WriteBytes(local, bytes);
        FILETIME none{};
        EXPECT_TRUE(CommitUrlCacheEntryA(url.c_str(), local, none, none, NORMAL_CACHE_ENTRY, nullptr, 0, nullptr, nullptr))
            << url;
        urls.push_back(url);
        return url;
    }
    static std::string Copied(const std::string& name) { return ReadBytes(AppPath + "Data\\swf\\" + name); }
    // The cache's own file of url.
    static std::string LocalFile(const std::string& url)
    {
        DWORD size = 0;
        GetUrlCacheEntryInfoA(url.c_str(), nullptr, &size);
        std::vector<DWORD> buffer(size / sizeof(DWORD) + 1);
        auto* info = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(buffer.data());
        if (!size || !GetUrlCacheEntryInfoA(url.c_str(), info, &size)) return {};
        return info->lpszLocalFileName;
    }

    void SetUp() override
    {
        CreateDirectoryA((AppPath + "Data").c_str(), nullptr);
        CreateDirectoryA((AppPath + "Data\\swf").c_str(), nullptr);
    }
    void TearDown() override
    {
        for (const std::string& u : urls) DeleteUrlCacheEntryA(u.c_str());
    }
};

} // namespace

TEST_F(CacheEntries, TheFirstMatchingEntryIsCopiedUnderItsLastSegment)
{
    Add("http://127.0.0.1:9/" + token + "/swf/one.swf", "FWS-one");
    Add("http://127.0.0.1:9/" + token + "/swf/two.swf", "FWS-two");
    GetSwfThread(token + "/swf/one");
    EXPECT_EQ(Copied("one.swf"), "FWS-one");
    EXPECT_EQ(Copied("two.swf"), "<missing>");
    // Copied again over a longer earlier copy, which it replaces whole.
    WriteBytes(AppPath + "Data\\swf\\one.swf", "an earlier, longer copy");
    GetSwfThread(token + "/swf/one.swf");
    EXPECT_EQ(Copied("one.swf"), "FWS-one");
    DeleteFileA((AppPath + "Data\\swf\\one.swf").c_str());
}

TEST_F(CacheEntries, TextsThatMatchNothingCopyNothing)
{
    Add("http://127.0.0.1:9/" + token + "/swf/Case.swf", "FWS");
    for (std::string text : {std::string(), token + "/swf/case.swf", token + "/nothing", std::string(1 << 20, 'z')})
        GetSwfThread(text);
    EXPECT_EQ(Copied("Case.swf"), "<missing>");
}

TEST_F(CacheEntries, NamesNeverLeaveTheMovieFolder)
{
    Add("http://127.0.0.1:9/" + token + "/dir/", "FWS-dir");
    Add("http://127.0.0.1:9/" + token + "/x\\..\\..\\escape-" + token + ".swf", "FWS-escape");
    GetSwfThread(token + "/dir/"); // no name: nothing is copied
    // The cache may keep the address as given or straightened; either way the copy takes its
    // last segment only.
    const std::string name = "escape-" + token + ".swf";
    GetSwfThread(name);
    EXPECT_EQ(ReadBytes(AppPath + name), "<missing>");
    EXPECT_EQ(ReadBytes(AppPath + "Data\\" + name), "<missing>");
    EXPECT_EQ(Copied(name), "FWS-escape") << "the last segment, inside the folder";
    DeleteFileA((AppPath + "Data\\swf\\" + name).c_str());
}

TEST_F(CacheEntries, StartingACopyReturnsAtOnceAndTheThreadCopies)
{
    Add("http://127.0.0.1:9/" + token + "/swf/thread.swf", "FWS-thread");
    StartMovieCopy(cl::AnsiToWide(token) + L"/swf/thread.swf");
    std::string got;
    for (DWORD until = GetTickCount() + 10000; GetTickCount() < until; Sleep(20))
        if ((got = Copied("thread.swf")) == "FWS-thread") break;
    EXPECT_EQ(got, "FWS-thread");
    DeleteFileA((AppPath + "Data\\swf\\thread.swf").c_str());
}

// A copy that cannot read its source or write its target changes nothing: the earlier
// copy stays as it was, no partial file takes its place and none is left beside it.
TEST_F(CacheEntries, AFailedCopyLeavesTheEarlierCopyAlone)
{
    const std::string url = Add("http://127.0.0.1:9/" + token + "/swf/locked.swf", "FWS-new");
    const std::string local = LocalFile(url);
    ASSERT_FALSE(local.empty());
    const std::string target = AppPath + "Data\\swf\\locked.swf";
    for (const std::string* locked : {&local, &target}) {
        SCOPED_TRACE(*locked);
        WriteBytes(target, "earlier");
        HANDLE f = CreateFileA(locked->c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(f, INVALID_HANDLE_VALUE);
        GetSwfThread(token + "/swf/locked.swf");
        CloseHandle(f);
        EXPECT_EQ(Copied("locked.swf"), "earlier");
        // The copy was made under a name of its own, which goes with the failure.
        std::vector<std::string> names;
        WIN32_FIND_DATAA found;
        HANDLE find = FindFirstFileA((AppPath + "Data\\swf\\locked.swf*").c_str(), &found);
        if (find != INVALID_HANDLE_VALUE) {
            do names.push_back(found.cFileName);
            while (FindNextFileA(find, &found));
            FindClose(find);
        }
        EXPECT_EQ(names, std::vector<std::string>{"locked.swf"});
    }
    DeleteFileA(target.c_str());
}

