#include "TestComponents.h"

#include "classlib/TypInfo.h"

#include <gtest/gtest.h>

using namespace cl;
using namespace fixture;

TEST(Properties, LookupIsCaseInsensitiveAndInherited)
{
    TFancyWidget w(nullptr);
    EXPECT_TRUE(IsPublishedProp(w, "caption"));
    EXPECT_TRUE(IsPublishedProp(w, "SPARKLE"));
    EXPECT_TRUE(IsPublishedProp(w, "Tag"));
    EXPECT_FALSE(IsPublishedProp(w, "Nothing"));
    EXPECT_FALSE(IsPublishedProp(TWidget(nullptr), "Sparkle"));
}

TEST(Properties, MissingOrReadOnlyPropertiesAreReportedByName)
{
    TWidget w(nullptr);
    try {
        GetPropText(w, "Glyph");
        FAIL();
    } catch (const EPropertyError& e) {
        EXPECT_NE(e.Message().find("Glyph"), std::string::npos);
    }
    EXPECT_THROW(SetOrdProp(w, "ReadOnlyCount", 3), EPropertyError);
    EXPECT_THROW(SetStrProp(w, "Count", "x"), EPropertyError);
    EXPECT_THROW(SetOrdProp(w, "Shade", 7), EPropertyError);
}

TEST(Properties, TextFormsRoundTrip)
{
    struct Case {
        const char* prop;
        const char* in;
        const char* out;
    } cases[] = {
        {"Count", "17", "17"},
        {"Count", "$1F", "31"},
        {"Count", "-5", "-5"},
        {"Enabled", "false", "False"},
        {"Enabled", "TRUE", "True"},
        {"Shade", "shdark", "shDark"},
        {"Flags", "[flLoud, flBold]", "[flBold,flLoud]"},
        {"Flags", "[]", "[]"},
        {"Caption", "hello", "hello"},
        {"Ratio", "0.1", "0.1"},
        {"Ratio", "2.5e3", "2500"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.prop) + " = " + c.in);
        TWidget w(nullptr);
        SetPropText(w, c.prop, c.in);
        EXPECT_EQ(GetPropText(w, c.prop), c.out);
    }
}

TEST(Properties, BadTextIsAnErrorAndLeavesTheValue)
{
    const char* cases[][2] = {
        {"Count", "12x"}, {"Count", ""}, {"Enabled", "yes"}, {"Shade", "shPurple"},
        {"Flags", "flBold"}, {"Flags", "[flBold,,flWide]"}, {"Flags", "[flNope]"}, {"Ratio", "1.5.2"},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(std::string(c[0]) + " = " + c[1]);
        TWidget w(nullptr);
        std::string before = GetPropText(w, c[0]);
        EXPECT_THROW(SetPropText(w, c[0], c[1]), EPropertyError);
        EXPECT_EQ(GetPropText(w, c[0]), before);
    }
}

TEST(Properties, ReferencesCheckTheirClass)
{
    TComponent owner(nullptr);
    auto* a = new TWidget(&owner);
    auto* b = new TFancyWidget(&owner);
    b->SetName("b");
    SetObjectProp(*a, "Buddy", b);
    EXPECT_EQ(a->buddy, b);
    EXPECT_EQ(GetPropText(*a, "Buddy"), "b");
    TComponent plain(nullptr);
    EXPECT_THROW(SetObjectProp(*a, "Buddy", &plain), EPropertyError);
}

TEST(Properties, EventsAreMethodValuesOfTheirExactType)
{
    TWidget w(nullptr);
    int got = 0;
    TMethodValue m;
    m.handler = TPingEvent([](TObject*, int& answer) { answer = 7; });
    m.type = typeid(TPingEvent);
    SetPropValue(w, "OnPing", m);
    w.OnPing(&w, got);
    EXPECT_EQ(got, 7);
    EXPECT_THROW(SetPropValue(w, "OnClick", m), EPropertyError);
    auto back = std::get<TMethodValue>(GetPropValue(w, "OnPing"));
    EXPECT_TRUE(back.handler.has_value());
    SetPropValue(w, "OnPing", TMethodValue{});
    EXPECT_FALSE(w.OnPing);
}

TEST(Properties, OwnedObjectsAreCopiedNotReplaced)
{
    TWidget w(nullptr);
    TStyle style;
    style.size = 20;
    SetObjectProp(w, "Style", &style);
    EXPECT_EQ(w.style.size, 20);
    EXPECT_EQ(GetObjectProp(w, "Style"), &w.style);
}
