#include "TestComponents.h"

#include "classlib/FormReader.h"
#include "classlib/TypInfo.h"

#include <gtest/gtest.h>

using namespace cl;
using namespace fixture;

namespace {

struct FormReader : ::testing::Test {
    std::vector<std::string> events;
    void SetUp() override
    {
        TWidget::StaticClass();
        TFancyWidget::StaticClass();
        TWidget::log = &events;
    }
    void TearDown() override { TWidget::log = nullptr; }
};

const char* const kForm = u8R"(
// every kind of value
TTestForm Form1 {
  Tag = 5
  TWidget Header {
    Count = $10
    Enabled = False
    Shade = shDark
    Flags = [flBold, flLoud]
    Caption = "\x41 \"q\" 游戏"
    Hint = "游戏"
    Ratio = 0.25
    Blob = {00 ff 10
            7F}
    Style.Size = 14
    Style.Face = "Tahoma"
    Lines = ("one" "游戏" "")
    Pins = < { Width = 50 Text = "a" } { Width = 70 } >
    Buddy = Body
    OnClick = HeaderClick
    TFancyWidget Inner { Sparkle = 3 }
  }
  TWidget Body { OnPing = BodyPing Count = cnMany }
}
)";

} // namespace

TEST_F(FormReader, SetsEveryKindOfProperty)
{
    TTestForm form(nullptr);
    ReadComponentText(kForm, form);
    EXPECT_EQ(form.Name(), "Form1");
    EXPECT_EQ(form.Tag(), 5);
    ASSERT_NE(form.Header, nullptr);
    TWidget& h = *form.Header;
    EXPECT_EQ(h.count, 16);
    EXPECT_FALSE(h.enabled);
    EXPECT_EQ(h.shade, TShade::shDark);
    EXPECT_EQ(h.flags, unsigned(flBold | flLoud));
    EXPECT_EQ(h.caption, "A \"q\" \xD3\xCE\xCF\xB7"); // UTF-8 text arrives in code page 936
    EXPECT_EQ(h.hint, std::wstring(L"\x6E38\x620F"));
    EXPECT_DOUBLE_EQ(h.ratio, 0.25);
    EXPECT_EQ(h.blob, (TBytes{0x00, 0xFF, 0x10, 0x7F}));
    EXPECT_EQ(h.style.size, 14);
    EXPECT_EQ(h.style.face, "Tahoma");
    ASSERT_EQ(h.lines.Count(), 3);
    EXPECT_EQ(h.lines[1], "\xD3\xCE\xCF\xB7");
    ASSERT_EQ(h.pins.Count(), 2);
    EXPECT_EQ(h.pins[0]->width, 50);
    EXPECT_EQ(h.pins[0]->text, "a");
    EXPECT_EQ(h.pins[1]->width, 70);
    EXPECT_EQ(h.buddy, form.Body);
    EXPECT_EQ(form.Body->count, 1000);
}

TEST_F(FormReader, NestsOwnsBindsAndCallsLoadedInOrder)
{
    TTestForm form(nullptr);
    ReadComponentText(kForm, form);
    auto* inner = dynamic_cast<TFancyWidget*>(form.FindComponent("Inner"));
    ASSERT_NE(inner, nullptr);
    EXPECT_EQ(inner->Owner(), &form);      // the form owns every component
    EXPECT_EQ(inner->parent, form.Header); // nested in its enclosing one
    EXPECT_EQ(form.Header->parent, &form);
    EXPECT_EQ(inner->sparkle, 3);
    EXPECT_EQ(events, (std::vector<std::string>{"loaded Header", "loaded Inner", "loaded Body"}));
    EXPECT_FALSE(form.Header->HasState(csLoading));

    form.Header->OnClick(form.Header);
    EXPECT_EQ(form.clicks, 1);
    int answer = 0;
    form.Body->OnPing(form.Body, answer);
    EXPECT_EQ(answer, 42);
}

TEST_F(FormReader, ReferencesResolveAfterEverythingExists)
{
    TTestForm form(nullptr);
    ReadComponentText(R"(TTestForm { TWidget Header { Buddy = Later } TWidget Later { Buddy = Header } })", form);
    EXPECT_EQ(form.Header->buddy, form.FindComponent("Later"));
}

TEST_F(FormReader, BadInputFailsWithAMessageNamingTheFault)
{
    struct Case {
        const char* text;
        const char* mentions;
    } cases[] = {
        {"TOtherForm { }", "TOtherForm"},
        {"TTestForm { TNoSuchThing x { } }", "TNoSuchThing"},
        {"TTestForm { TComponent Header { } }", "Header"},          // field of another class
        {"TTestForm { TWidget w { Colour = 3 } }", "Colour"},
        {"TTestForm { TWidget w { Count = \"three\" } }", "Count"},
        {"TTestForm { TWidget w { Shade = shPurple } }", "shPurple"},
        {"TTestForm { TWidget w { Flags = [flBold, flNope] } }", "flNope"},
        {"TTestForm { TWidget w { OnClick = NoSuchHandler } }", "NoSuchHandler"},
        {"TTestForm { TWidget w { OnClick = BodyPing } }", "OnClick"},  // wrong handler type
        {"TTestForm { TWidget w { Buddy = ghost } }", "ghost"},
        {"TTestForm { TWidget w { } TWidget w { } }", "already exists"},
        {"TTestForm { TWidget w { Blob = {123} } }", "odd"},
        {"TTestForm { TWidget w { Caption = \"open", "unterminated"},
        {"TTestForm { TWidget w { Style.Nope = 1 } }", "Nope"},
        {"TTestForm { TWidget w { Count.Size = 1 } }", "Count"},
        {"TTestForm { TWidget w { ReadOnlyCount = 1 } }", "read-only"},
        {"TTestForm { TWidget w {", "missing"},
        {"TTestForm { } junk", "after"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        TTestForm form(nullptr);
        try {
            ReadComponentText(c.text, form);
            ADD_FAILURE() << "no error";
        } catch (const EReadError& e) {
            EXPECT_NE(e.Message().find(c.mentions), std::string::npos) << e.Message();
            EXPECT_NE(e.Message().find("line 1"), std::string::npos) << e.Message();
        }
    }
}

TEST_F(FormReader, ComponentsMadeBeforeAnErrorAreFreedWithTheForm)
{
    {
        TTestForm form(nullptr);
        EXPECT_THROW(ReadComponentText("TTestForm {\n TWidget a { }\n TWidget b { Count = x } }", form), EReadError);
    }
    EXPECT_EQ(events, (std::vector<std::string>{"free b", "free a"}));
}

namespace {

// A root with `levels` nested levels in all: widgets down to the last, or one widget whose
// collection items nest collections.
std::string NestedObjects(int levels)
{
    std::string text = "TTestForm {";
    for (int k = 2; k <= levels; ++k) text += "\nTWidget w" + std::to_string(k) + " {";
    return text + std::string(static_cast<std::size_t>(levels), '}');
}

std::string NestedCollections(int levels)
{
    std::string text = "TTestForm { TWidget w {";
    for (int k = 3; k <= levels; ++k) text += "\nPins = < {";
    for (int k = 3; k <= levels; ++k) text += "} >";
    return text + "} }";
}

} // namespace

TEST_F(FormReader, NestingIsLimitedToSixtyFourLevels)
{
    {
        TTestForm form(nullptr);
        ReadComponentText(NestedObjects(64), form);
        auto* deepest = dynamic_cast<TWidget*>(form.FindComponent("w64"));
        ASSERT_NE(deepest, nullptr);
        EXPECT_EQ(deepest->parent, form.FindComponent("w63"));
    }
    struct Case {
        std::string text;
        const char* line; // where the level past the limit opens
    } cases[] = {
        {NestedObjects(65), "line 65:"},
        {NestedObjects(200000), "line 65:"},
        {NestedCollections(65), "line 64:"},
        {NestedCollections(100000), "line 64:"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 40) + "... " + std::to_string(c.text.size()) + " bytes");
        events.clear();
        TTestForm form(nullptr);
        try {
            ReadComponentText(c.text, form);
            ADD_FAILURE() << "no error";
        } catch (const EReadError& e) {
            EXPECT_EQ(e.Message(), std::string("Form resource ") + c.line + " nesting deeper than 64 levels");
        }
        EXPECT_TRUE(events.empty()); // nothing was made from the text
    }
}
