// Glyph, speed and menu button skins on real windows: stand-in controls with the
// published properties the skins read, pixels read back from DIBs, real messages.
#include "tests/skin/ControlSkinFixture.h"

#include "skin/controls/GlyphButtons.h"

#include <gtest/gtest.h>

using namespace skin;
using namespace skin_test;

namespace {

const cl::TEnumType ButtonLayoutType{{"blGlyphLeft", "blGlyphRight", "blGlyphTop", "blGlyphBottom"}};

// A push button with a glyph beside its caption.
class TTestBitBtn : public cl::TButton {
    CL_CLASS(TTestBitBtn)
public:
    using cl::TButton::TButton;
    cl::TBitmap* Glyph() const { return glyph_.get(); }
    int NumGlyphs = 1, Margin = -1, Spacing = 4, Layout = 0;

private:
    std::unique_ptr<cl::TBitmap> glyph_ = std::make_unique<cl::TBitmap>();
};

// A windowless button that can stay down.
class TTestSpeedButton : public cl::TGraphicControl {
    CL_CLASS(TTestSpeedButton)
public:
    using cl::TGraphicControl::TGraphicControl;
    cl::TBitmap* Glyph() const { return glyph_.get(); }
    int NumGlyphs = 1, Margin = -1, Spacing = 4, Layout = 0;
    bool Flat = false, Down = false;

private:
    std::unique_ptr<cl::TBitmap> glyph_ = std::make_unique<cl::TBitmap>();
};

class TButtonsForm : public cl::TForm {
    CL_CLASS(TButtonsForm)
public:
    using cl::TForm::TForm;
    TTestBitBtn* Bit = nullptr;
    TTestSpeedButton* Speed = nullptr;
};

const char* const kButtonsForm = u8R"(
TButtonsForm ButtonsForm {
  ClientWidth = 300
  ClientHeight = 200
  TTestBitBtn Bit {
    Left = 10 Top = 10 Width = 100 Height = 40
  }
  TTestSpeedButton Speed {
    Left = 10 Top = 100 Width = 60 Height = 30
  }
}
)";

// Glyph cells of 16 x 16, each a solid colour but for its bottom-left pixel, which is the
// key colour that automatic transparency leaves out.
const TColor Key = MakeRGB(0, 255, 255);
TColor GlyphColour(int cell) { return MakeRGB(200, 30 * cell, 0); }
void GlyphStrip(cl::TBitmap& b, int cells)
{
    Strip(b, [&] {
        std::vector<TColor> c;
        for (int i = 1; i <= cells; ++i) c.push_back(GlyphColour(i));
        return c;
    }(), 16, 16);
    for (int i = 0; i < cells; ++i) b.Canvas()->SetPixel(i * 16, 15, Key);
}

struct Buttons : ::testing::Test {
    std::unique_ptr<TSkinData> data = ControlSkin();
    TButtonsForm form{nullptr};
    void SetUp() override
    {
        TButtonsForm::StaticClass();
        cl::ReadComponentText(kButtonsForm, form);
        form.Show();
        SetForegroundWindow(form.Handle());
        form.SetFocus();
    }
};

} // namespace

const cl::TClass& TTestBitBtn::StaticClass()
{
    return cl::DefineClass<TTestBitBtn, cl::TButton>("TTestBitBtn", [](cl::TPublisher<TTestBitBtn>& p) {
        p.Owned("Glyph", &TTestBitBtn::Glyph);
        p.Int("NumGlyphs", &TTestBitBtn::NumGlyphs, &TTestBitBtn::NumGlyphs);
        p.Int("Margin", &TTestBitBtn::Margin, &TTestBitBtn::Margin);
        p.Int("Spacing", &TTestBitBtn::Spacing, &TTestBitBtn::Spacing);
        p.Enum("Layout", ButtonLayoutType, &TTestBitBtn::Layout, &TTestBitBtn::Layout);
    });
}

const cl::TClass& TTestSpeedButton::StaticClass()
{
    return cl::DefineClass<TTestSpeedButton, cl::TGraphicControl>(
        "TTestSpeedButton", [](cl::TPublisher<TTestSpeedButton>& p) {
            p.String("Caption", &cl::TControl::Caption, &cl::TControl::SetCaption);
            p.Owned("Glyph", &TTestSpeedButton::Glyph);
            p.Int("NumGlyphs", &TTestSpeedButton::NumGlyphs, &TTestSpeedButton::NumGlyphs);
            p.Int("Margin", &TTestSpeedButton::Margin, &TTestSpeedButton::Margin);
            p.Int("Spacing", &TTestSpeedButton::Spacing, &TTestSpeedButton::Spacing);
            p.Enum("Layout", ButtonLayoutType, &TTestSpeedButton::Layout, &TTestSpeedButton::Layout);
            p.Bool("Flat", &TTestSpeedButton::Flat, &TTestSpeedButton::Flat);
            p.Bool("Down", &TTestSpeedButton::Down, &TTestSpeedButton::Down);
        });
}

const cl::TClass& TButtonsForm::StaticClass()
{
    return cl::DefineClass<TButtonsForm, cl::TForm>("TButtonsForm", [](cl::TPublisher<TButtonsForm>& p) {
        p.Field("Bit", &TButtonsForm::Bit);
        p.Field("Speed", &TButtonsForm::Speed);
    });
}

TEST_F(Buttons, GlyphSitsWhereLayoutMarginAndSpacingPutItInTheStatesCell)
{
    // A 100 x 40 button, a 16 x 16 glyph of two cells (up, disabled), no caption.
    struct Case {
        const char* name;
        int layout, margin;
        bool disabled, pressed, isDefault;
        POINT glyph; // top-left
        TColor frame, cell;
    } cases[] = {
        // Margin -1 without a caption: (100 - 16) / 2 = 42; across: (40 - 16 + 1) / 2 = 12.
        {"left, even margin", 0, -1, false, false, false, {42, 12}, Normal, GlyphColour(1)},
        {"right, margin 4", 1, 4, false, false, false, {80, 12}, Normal, GlyphColour(1)},
        {"top, margin 3", 2, 3, false, false, false, {42, 3}, Normal, GlyphColour(1)},
        {"bottom, margin 5", 3, 5, false, false, false, {42, 19}, Normal, GlyphColour(1)},
        {"disabled shows the second cell", 0, -1, true, false, false, {42, 12}, DisabledC, GlyphColour(2)},
        // Glyph state 3 lies past the two cells: the first one shows.
        {"pressed shows the first cell", 0, -1, false, true, false, {42, 12}, PressedC, GlyphColour(1)},
        {"default takes the focused frame", 0, -1, false, false, true, {42, 12}, FocusedC, GlyphColour(1)},
    };
    TTestBitBtn& bit = *form.Bit;
    GlyphStrip(*bit.Glyph(), 2);
    bit.NumGlyphs = 2;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        bit.Layout = c.layout;
        bit.Margin = c.margin;
        bit.SetDefault(c.isDefault);
        EnableWindow(bit.Handle(), c.disabled ? FALSE : TRUE);
        SetFocus(nullptr); // a focused button would show its focused frame
        auto* skin = new TSkinBitButton(&bit);
        skin->InitControl(nullptr, data.get(), false, nullptr);
        if (c.pressed) skin->SetPressed(true);
        Shot shot(*skin, 100, 40);
        const int x = c.glyph.x, y = c.glyph.y;
        EXPECT_EQ(shot.At(x, y), c.cell);
        EXPECT_EQ(shot.At(x + 15, y + 15), c.cell);
        EXPECT_EQ(shot.At(x, y + 15), c.frame); // the key pixel lets the frame through
        EXPECT_EQ(shot.At(x - 1, y), c.frame);
        EXPECT_EQ(shot.At(x + 16, y + 15), c.frame);
        cl::Free(skin);
    }
}

TEST_F(Buttons, OneCellGlyphIsGreyedWhenDisabled)
{
    // A 16 x 16 glyph with a square shape at (4 .. 11, 4 .. 11), margin 0: at (0, 12) of the
    // 100 x 40 button. The greyed copy embosses the glyph's non-white pixels: shadow on
    // them, highlight one pixel down and right; white becomes the face. Automatic
    // transparency then leaves out the colour of its bottom-left corner.
    const auto sys = [](int index) { return static_cast<TColor>(GetSysColor(index)); };
    const TColor white = MakeRGB(255, 255, 255), dark = MakeRGB(0, 0, 128);
    struct Case {
        const char* name;
        TColor ground, shape;
        TColor inside, edge; // at (6, 6) and, one pixel past the shape's top-left, (4, 4) or (12, 12)
        POINT edgeAt;
    } cases[] = {
        {"a dark shape on white: the face around it is left out", white, dark, sys(COLOR_BTNSHADOW),
         sys(COLOR_BTNHIGHLIGHT), {12, 12}},
        {"a white shape on a dark ground: the shadowed ground is left out", dark, white, sys(COLOR_BTNFACE),
         sys(COLOR_BTNHIGHLIGHT), {4, 4}},
    };
    TTestBitBtn& bit = *form.Bit;
    bit.Margin = 0;
    EnableWindow(bit.Handle(), FALSE);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Strip(*bit.Glyph(), {c.ground}, 16, 16);
        for (int y = 4; y <= 11; ++y)
            for (int x = 4; x <= 11; ++x) bit.Glyph()->Canvas()->SetPixel(x, y, c.shape);
        auto* skin = new TSkinBitButton(&bit);
        skin->InitControl(nullptr, data.get(), false, nullptr);
        Shot shot(*skin, 100, 40);
        EXPECT_EQ(shot.At(6, 12 + 6), c.inside);
        EXPECT_EQ(shot.At(c.edgeAt.x, 12 + c.edgeAt.y), c.edge);
        EXPECT_EQ(shot.At(1, 12 + 1), DisabledC); // the ground
        EXPECT_EQ(shot.At(40, 20), DisabledC);
        cl::Free(skin);
    }
}

TEST_F(Buttons, NormalColour2ColoursAGlyphButtonsCaptionInEveryStateThePngVariantsOnlyWhenNormal)
{
    const TColor ink = MakeRGB(0, 160, 0), own = MakeRGB(160, 0, 160);
    data->Buttons->HasNormalColour2 = true;
    data->Buttons->NormalColour2 = ink;
    struct Case {
        const char* name;
        bool png, isDefault;
        TColor caption;
    } cases[] = {
        {"normal", false, false, ink},
        {"default (the focused state)", false, true, ink},
        {"PNG variant, normal", true, false, ink},
        {"PNG variant, focused", true, true, own},
    };
    TTestBitBtn& bit = *form.Bit;
    bit.SetCaption("MMM");
    bit.Font()->SetHeight(-24);
    bit.Font()->SetStyle(1u << cl::fsBold);
    bit.Font()->SetColor(own);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        bit.SetDefault(c.isDefault && !c.png);
        // The PNG variant does not consult "Default": it takes the focused state from the focus.
        if (c.isDefault && c.png) bit.SetFocus();
        else SetFocus(nullptr);
        auto* skin = new TSkinBitButton(&bit);
        if (c.png) skin->GraphicProperty = "PngImage";
        skin->InitControl(nullptr, data.get(), false, nullptr);
        Shot shot(*skin, 100, 40);
        EXPECT_EQ(shot.At(2, 2), c.isDefault ? FocusedC : Normal);
        int inked = 0, owned = 0;
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 100; ++x) {
                inked += shot.At(x, y) == ink;
                owned += shot.At(x, y) == own;
            }
        EXPECT_GT(c.caption == ink ? inked : owned, 20);
        EXPECT_EQ(c.caption == ink ? owned : inked, 0);
        cl::Free(skin);
    }
}

TEST_F(Buttons, SpeedButtonFrameFollowsFlatDownHotAndEnabled)
{
    struct Case {
        const char* name;
        bool flat, down, enabled;
        UINT message; // sent before painting, or 0
        TColor want;
    } cases[] = {
        {"flat shows only its background", true, false, true, 0, Face},
        {"flat and hot", true, false, true, cl::CM_MOUSEENTER, HotC},
        {"flat and down", true, true, true, 0, PressedC},
        {"left and raised", false, false, true, cl::CM_MOUSELEAVE, Normal},
        {"disabled", false, false, false, 0, DisabledC},
        {"down wins over disabled", false, true, false, 0, PressedC},
    };
    TTestSpeedButton& speed = *form.Speed;
    auto* skin = new TSkinSpeedButton(&speed);
    skin->InitGraphic(nullptr, data.get(), nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        speed.Flat = c.flat;
        speed.Down = c.down;
        speed.SetEnabled(c.enabled);
        if (c.message) speed.Perform(c.message);
        cl::TBitmap shot;
        shot.SetPixelFormat(cl::pf24bit);
        shot.SetSize(60, 30);
        EXPECT_EQ(speed.Perform(WM_PAINT, reinterpret_cast<WPARAM>(shot.Canvas()->Handle()), 0), 1);
        EXPECT_EQ(shot.Canvas()->Pixel(2, 2), c.want);
        EXPECT_EQ(shot.Canvas()->Pixel(57, 27), c.want);
    }
}

TEST_F(Buttons, SpeedButtonPressRunsItsOwnHandlingAndDownShowsTheFourthCell)
{
    TTestSpeedButton& speed = *form.Speed;
    int presses = 0;
    cl::TWindowProcHook under(speed, [&](cl::TMessage& m) {
        if (m.Msg == WM_LBUTTONDOWN) ++presses;
        under.CallPrevious(m);
    });
    GlyphStrip(*speed.Glyph(), 4);
    speed.NumGlyphs = 4;
    auto* skin = new TSkinSpeedButton(&speed);
    skin->InitGraphic(nullptr, data.get(), nullptr);
    speed.Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    EXPECT_EQ(presses, 1);
    EXPECT_TRUE(skin->Pressed());
    speed.Perform(WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
    EXPECT_FALSE(skin->Pressed());

    speed.Down = true;
    cl::TBitmap shot;
    shot.SetPixelFormat(cl::pf24bit);
    shot.SetSize(60, 30);
    speed.Perform(WM_PAINT, reinterpret_cast<WPARAM>(shot.Canvas()->Handle()), 0);
    // Margin -1 without caption: (60 - 16) / 2 = 22; across: (30 - 16 + 1) / 2 = 7.
    EXPECT_EQ(shot.Canvas()->Pixel(22, 7), GlyphColour(4));
    EXPECT_EQ(shot.Canvas()->Pixel(21, 7), PressedC);
}

TEST(MenuButtonPlacement, MarginAndSpacingShareWhatIsLeftBesideTheArrow)
{
    struct Case {
        int margin, spacing, wantMargin, wantSpacing;
    } cases[] = {
        {-1, -1, 9, 9},  // (100 - 16 - 40 - 8) / 4
        {-1, 5, 13, 5},  // (100 - 16 - 40 - 10 - 8) / 2
        {4, -1, 4, 22},  // (100 + 8 - 8 - 16 - 40) / 2
        {4, 5, 4, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.margin << " " << c.spacing);
        const TGlyphPlacement p = PlaceMenuGlyph(100, 16, 40, c.margin, c.spacing);
        EXPECT_EQ(p.margin, c.wantMargin);
        EXPECT_EQ(p.spacing, c.wantSpacing);
    }
}

TEST_F(RawChild, MenuButtonDrawsItsArrowInTheTextColourOrGreyedWhenDisabled)
{
    // 80 x 30, no glyph, no caption, margin and spacing -1: margin = spacing = (80 - 8) / 4
    // = 18, so the arrow's centre is at x = 18 + 18 + 2 * 18 = 72, y = (30 - 3) / 2 = 13.
    HWND button = Child(L"Button", BS_PUSHBUTTON, 80, 30);
    ASSERT_NE(button, nullptr);
    auto* skin = Skin<TSkinMenuButton>(button);
    {
        Shot shot(*skin, 80, 30);
        EXPECT_EQ(shot.At(72, 13), static_cast<TColor>(GetSysColor(COLOR_WINDOWTEXT)));
        EXPECT_EQ(shot.At(72, 11), Normal); // above the triangle's top edge at y - 1
        EXPECT_EQ(shot.At(76, 12), Normal);
        EXPECT_EQ(shot.At(4, 4), Normal);
    }
    {
        SetForegroundWindow(parent);
        SetFocus(button);
        Shot shot(*skin, 80, 30);
        EXPECT_EQ(shot.At(4, 4), HotC); // a focused menu button shows its hot frame
    }
    {
        EnableWindow(button, FALSE);
        Shot shot(*skin, 80, 30);
        EXPECT_EQ(shot.At(72, 13), static_cast<TColor>(GetSysColor(COLOR_BTNSHADOW)));
        EXPECT_EQ(shot.At(4, 4), DisabledC);
    }
}

TEST_F(Buttons, DiscoveryFindsGlyphAndSpeedButtonsByTheirSkin3rdLines)
{
    data->Skin3rd()->Add("TTestBitBtn=pngbitbtn");
    data->Skin3rd()->Add("TTestSpeedButton=speedbutton");
    TSkinnedForm skinned(nullptr);
    skinned.FormControl = &form;
    skinned.SkinData = data.get();
    skinned.SkinFormControls();
    TSkinBitButton* bit = nullptr;
    TSkinSpeedButton* speed = nullptr;
    for (TSkinControl* c : skinned.ControlSkins()) {
        if (c->Owner() == form.Bit) bit = dynamic_cast<TSkinBitButton*>(c);
        if (c->Owner() == form.Speed) speed = dynamic_cast<TSkinSpeedButton*>(c);
    }
    ASSERT_NE(bit, nullptr);
    EXPECT_EQ(bit->GraphicProperty, "PngImage");
    ASSERT_NE(speed, nullptr);
    EXPECT_EQ(speed->GraphicProperty, "");
    EXPECT_EQ(speed->GraphicControl, form.Speed);
    // A second pass adds nothing.
    const size_t count = skinned.ControlSkins().size();
    skinned.SkinFormControls();
    EXPECT_EQ(skinned.ControlSkins().size(), count);
}
