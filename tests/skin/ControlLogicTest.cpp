// The control skins' portable logic: property access by name on a stand-in control class,
// state codes, glyph cells, caption breaks and glyph placement.
#include "skin/controls/ControlStates.h"
#include "skin/controls/PropAccess.h"

#include "classlib/Classes.h"

#include <gtest/gtest.h>

using namespace skin;

namespace {

const cl::TEnumType LayoutType{{"blGlyphLeft", "blGlyphRight", "blGlyphTop", "blGlyphBottom"}};
const cl::TEnumType ButtonSetType{{"btPlay", "btPause", "btStop"}};

class TStandIn : public cl::TComponent {
    CL_CLASS(TStandIn)
public:
    using cl::TComponent::TComponent;
    std::int32_t Margin = 4;
    bool Flat = true;
    std::int64_t Layout = 2;
    cl::AnsiString Caption = "OK";
    std::wstring WideText = L"\u4F60\u597D";
    double Ratio = 1.5;
    std::int64_t Buttons = 3;
    std::int32_t Fixed = 7;
    cl::TComponent* Images = nullptr;
    std::int32_t ReadFixed() const { return Fixed; }
};

} // namespace

const cl::TClass& TStandIn::StaticClass()
{
    return cl::DefineClass<TStandIn, cl::TComponent>("TStandIn", [](cl::TPublisher<TStandIn>& p) {
        p.Int("Margin", &TStandIn::Margin, &TStandIn::Margin);
        p.Bool("Flat", &TStandIn::Flat, &TStandIn::Flat);
        p.Enum("Layout", LayoutType, &TStandIn::Layout, &TStandIn::Layout);
        p.String("Caption", &TStandIn::Caption, &TStandIn::Caption);
        p.WString("WideText", &TStandIn::WideText, &TStandIn::WideText);
        p.Float("Ratio", &TStandIn::Ratio, &TStandIn::Ratio);
        p.Set("VisibleButtons", ButtonSetType, &TStandIn::Buttons, &TStandIn::Buttons);
        p.Int("Fixed", &TStandIn::ReadFixed);
        p.Ref("Images", &TStandIn::Images, &TStandIn::Images);
    });
}

TEST(ControlProps, ReadsEachKindAndGivesEmptyAnswersOtherwise)
{
    TStandIn s(nullptr);
    EXPECT_EQ(GetPropInt(&s, "margin"), 4); // names are matched without regard to case
    EXPECT_EQ(GetPropInt(&s, "Flat"), -1);  // an enumeration is not an integer
    EXPECT_EQ(GetPropInt(&s, "Ratio"), -1);
    EXPECT_EQ(GetPropInt(&s, "NoSuch"), -1);
    EXPECT_EQ(GetPropInt(nullptr, "Margin"), -1);

    EXPECT_EQ(GetPropEnum(&s, "Flat"), "True");
    EXPECT_EQ(GetPropEnum(&s, "Layout"), "blGlyphTop");
    EXPECT_EQ(GetPropEnum(&s, "Margin"), "");
    EXPECT_EQ(GetPropEnum(&s, "NoSuch"), "");
    EXPECT_TRUE(PropIsTrue(&s, "Flat"));
    s.Flat = false;
    EXPECT_FALSE(PropIsTrue(&s, "Flat"));

    EXPECT_EQ(GetPropText(&s, "Caption"), L"OK");
    EXPECT_EQ(GetPropText(&s, "WideText"), L"\u4F60\u597D");
    EXPECT_EQ(GetPropText(&s, "Margin"), L"");
    EXPECT_EQ(GetPropText(nullptr, "Caption"), L"");
}

TEST(ControlProps, ObjectPropertyIsCheckedAgainstTheClass)
{
    TStandIn s(nullptr);
    EXPECT_EQ(GetPropObject(&s, "Images", cl::TComponent::StaticClass()), nullptr);
    TStandIn other(nullptr);
    s.Images = &other;
    EXPECT_EQ(GetPropObject(&s, "Images", cl::TComponent::StaticClass()), &other);
    EXPECT_EQ(GetPropObject(&s, "Images", TStandIn::StaticClass()), &other);
    EXPECT_EQ(GetPropObject(&s, "Margin", cl::TComponent::StaticClass()), nullptr);
    s.Images = nullptr;
}

TEST(ControlProps, SetsIntegersEnumerationsAndStringsOnly)
{
    TStandIn s(nullptr);
    SetPropValue(&s, "Margin", "-1");
    EXPECT_EQ(s.Margin, -1);
    SetPropValue(&s, "Margin", "abc"); // not a number: left alone
    EXPECT_EQ(s.Margin, -1);
    SetPropValue(&s, "Flat", "False");
    EXPECT_FALSE(s.Flat);
    SetPropValue(&s, "layout", "blglyphright");
    EXPECT_EQ(s.Layout, 1);
    SetPropValue(&s, "Layout", "blNowhere"); // no such value name
    EXPECT_EQ(s.Layout, 1);
    SetPropValue(&s, "Caption", "Go");
    EXPECT_EQ(s.Caption, "Go");
    SetPropValue(&s, "WideText", "abc");
    EXPECT_EQ(s.WideText, L"abc");
    SetPropValue(&s, "Ratio", "2.5");
    EXPECT_EQ(s.Ratio, 1.5);
    SetPropValue(&s, "VisibleButtons", "[btPlay]");
    EXPECT_EQ(s.Buttons, 3);
    SetPropValue(&s, "Fixed", "9"); // read-only
    EXPECT_EQ(s.Fixed, 7);
    SetPropValue(&s, "NoSuch", "1");
    SetPropValue(nullptr, "Margin", "1");
}

TEST(ControlStates, PrecedenceDisabledPressedHotFocused)
{
    struct Case {
        bool disabled, pressed, hot, focused;
        TControlState want;
    } cases[] = {
        {false, false, false, false, csNormal}, {true, true, true, true, csDisabled},
        {false, true, true, true, csPressed},  {false, false, true, true, csHot},
        {false, false, false, true, csFocused},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.disabled << c.pressed << c.hot << c.focused);
        EXPECT_EQ(StateCode(c.disabled, c.pressed, c.hot, c.focused), c.want);
    }
    EXPECT_EQ(csNormal, 1);
    EXPECT_EQ(csFocused, 5);
}

TEST(ControlStates, GlyphCellOfEachState)
{
    EXPECT_EQ(GlyphStateOf(1), 1);
    EXPECT_EQ(GlyphStateOf(2), 3);
    EXPECT_EQ(GlyphStateOf(3), 2);
    EXPECT_EQ(GlyphStateOf(4), 1);
    EXPECT_EQ(GlyphStateOf(5), 1);
}

TEST(ControlStates, OnlyTheFirstDoubleBarBreaksTheLine)
{
    EXPECT_EQ(SplitCaption(L"One||Two||Three"), L"One\r\nTwo||Three");
    EXPECT_EQ(SplitCaption(L"Plain"), L"Plain");
    EXPECT_EQ(SplitCaption(L"||"), L"\r\n");
}

TEST(ControlStates, GlyphPlacement)
{
    struct Case {
        int client, glyph, text, margin, spacing;
        bool centred;
        int wantMargin, wantSpacing;
    } cases[] = {
        {100, 16, 40, -1, -1, false, 14, 14}, // (100 - 56) div 3 both
        {100, 16, 40, -1, 4, false, 20, 4},   // (100 - 16 - 4 - 40) div 2
        {100, 16, 40, 3, -1, false, 3, 20},   // (100 - 3 - 16 - 40) div 2
        {100, 16, 40, 3, 4, false, 3, 4},     // both as given
        {100, 16, 40, 3, 4, true, 20, 4},     // centred shares the margin
        {100, 16, 0, -1, -1, false, 42, 0},   // no text: no spacing, margin (100 - 16) div 2
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.client << "," << c.glyph << "," << c.text << "," << c.margin << ","
                                        << c.spacing << "," << c.centred);
        const TGlyphPlacement p = PlaceGlyph(c.client, c.glyph, c.text, c.margin, c.spacing, c.centred);
        EXPECT_EQ(p.margin, c.wantMargin);
        EXPECT_EQ(p.spacing, c.wantSpacing);
    }
}

TEST(ControlStates, CheckAndRadioFrames)
{
    struct Case {
        int f;
        bool disabled, indeterminate;
        int frames, want;
    } checks[] = {
        {1, false, false, 12, 1}, {2, false, false, 12, 5}, {1, true, false, 12, 4},
        {2, true, false, 12, 8},  {1, false, true, 12, 9},  {2, true, true, 12, 12},
        {1, false, false, 4, 1},  {2, false, false, 4, 2},  {1, true, false, 4, 3},
        {2, true, false, 4, 4},   {1, false, true, 4, 4},   {1, true, true, 4, 4},
    };
    for (const Case& c : checks) {
        SCOPED_TRACE(testing::Message() << c.f << c.disabled << c.indeterminate << "/" << c.frames);
        EXPECT_EQ(CheckFrame(c.f, c.disabled, c.indeterminate, c.frames), c.want);
    }
    EXPECT_EQ(RadioFrame(1, false, 8), 1);
    EXPECT_EQ(RadioFrame(2, false, 8), 5);
    EXPECT_EQ(RadioFrame(1, true, 8), 4);
    EXPECT_EQ(RadioFrame(2, true, 8), 8);
    EXPECT_EQ(RadioFrame(2, true, 4), 4);
}
