#include "classlib/Streams.h"
#include "classlib/Strings.h"

#include <gtest/gtest.h>

using namespace cl;

namespace {
std::vector<std::string> Items(const TStrings& s)
{
    std::vector<std::string> r;
    for (int i = 0; i < s.Count(); ++i) r.push_back(s[i]);
    return r;
}
} // namespace

TEST(StringList, TextSplitsOnCrLfAndCrLf)
{
    struct Case {
        const char* text;
        std::vector<std::string> lines;
    } cases[] = {
        {"a\r\nb\nc\rd", {"a", "b", "c", "d"}},
        {"a\r\n", {"a"}},
        {"a\n\nb", {"a", "", "b"}},
        {"a\r\r\nb", {"a", "", "b"}},
        {"", {}},
        {"\n", {""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        TStringList list;
        list.SetText(c.text);
        EXPECT_EQ(Items(list), c.lines);
    }
    TStringList list;
    list.SetText("x\ny");
    EXPECT_EQ(list.Text(), "x\r\ny\r\n");
}

TEST(StringList, NameValuePairs)
{
    TStringList list;
    list.SetText("swf=a.swf\ntitle=Game=1\nplain");
    EXPECT_EQ(list.Values("SWF"), "a.swf");
    EXPECT_EQ(list.Values("title"), "Game=1");
    EXPECT_EQ(list.Values("plain"), "");
    EXPECT_EQ(list.Names(1), "title");
    list.SetValue("desc", "d");
    list.SetValue("swf", "b.swf");
    list.SetValue("title", "");
    EXPECT_EQ(Items(list), (std::vector<std::string>{"swf=b.swf", "plain", "desc=d"}));
}

TEST(StringList, SortedListsFindAndHandleDuplicates)
{
    TStringList list;
    list.SetSorted(true);
    for (const char* s : {"pear", "Apple", "fig", "apple"}) list.Add(s);
    EXPECT_EQ(Items(list), (std::vector<std::string>{"Apple", "fig", "pear"}));
    EXPECT_EQ(list.IndexOf("PEAR"), 2);
    EXPECT_THROW(list.Insert(0, "x"), EListError);
    list.SetDuplicates(TDuplicates::dupError);
    EXPECT_THROW(list.Add("FIG"), EListError);
    list.SetCaseSensitive(true);
    list.SetDuplicates(TDuplicates::dupAccept);
    list.Add("apple");
    EXPECT_EQ(Items(list), (std::vector<std::string>{"Apple", "apple", "fig", "pear"}));
}

TEST(StringList, OwnedObjectsAreFreedOnceWithTheirItems)
{
    struct Counted : TObject {
        int* alive;
        explicit Counted(int* a) : alive(a) { ++*alive; }
        ~Counted() override { --*alive; }
    };
    int alive = 0;
    {
        TStringList list;
        list.SetOwnsObjects(true);
        list.AddObject("a", new Counted(&alive));
        list.AddObject("b", new Counted(&alive));
        list.AddObject("c", new Counted(&alive));
        list.Delete(0);
        EXPECT_EQ(alive, 2);
        list.PutObject(0, new Counted(&alive));
        EXPECT_EQ(alive, 2);
    }
    EXPECT_EQ(alive, 0);
}

TEST(StringList, ChangeEventsWaitForTheOutermostUpdate)
{
    TStringList list;
    int changes = 0;
    list.OnChange = [&](TObject*) { ++changes; };
    list.Add("a");
    list.SetText("x\ny\nz");
    EXPECT_EQ(changes, 2);
    EXPECT_THROW(list.Get(3), EListError);
}

TEST(StringList, StreamRoundTripKeepsEightBitText)
{
    TStringList list;
    list.Add("\xD3\xCE\xCF\xB7");
    list.Add("b");
    TMemoryStream stream;
    list.SaveToStream(stream);
    EXPECT_EQ(stream.Size(), 9); // CR LF after each line
    stream.SetPosition(0);
    TStringList back;
    back.LoadFromStream(stream);
    EXPECT_EQ(Items(back), Items(list));
}
