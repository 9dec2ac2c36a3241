// Control discovery on a form: owned controls and popup menus, a form placed inside
// another, the disable tag on radio and check groups, the group and single-bar Skin3rd
// kinds, and the classes the class table names.
#include "ControlSkinFixture.h"

#include "skin/controls/Bars.h"
#include "skin/controls/Buttons.h"
#include "skin/controls/CheckRadio.h"
#include "skin/controls/Ranges.h"
#include "skin/controls/ScrollBars.h"
#include "skin/controls/Sheets.h"

#include "classlib/ExtCtrlsPanels.h"
#include "classlib/Menus.h"

#include <string>

using namespace skin;
using namespace skin_test;

namespace {

// A plain windowed control under the class name a case needs.
template <int N> class TBoxStandIn : public cl::TWinControl {
    CL_CLASS(TBoxStandIn)
public:
    using cl::TWinControl::TWinControl;
};
using TRadioGroupStandIn = TBoxStandIn<0>; // "TTestRadioGroup"
using TCheckGroupStandIn = TBoxStandIn<1>; // "TRzTestCheckGroup"
using TPlainBox = TBoxStandIn<2>;          // "TTestBox"
using TNavigatorStandIn = TBoxStandIn<3>;  // "TDBNavigator"

class TUpDownStandIn : public cl::TWinControl {
    CL_CLASS(TUpDownStandIn)
public:
    using cl::TWinControl::TWinControl;

protected:
    void CreateParams(cl::TCreateParams& params) override
    {
        cl::TWinControl::CreateParams(params);
        INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_UPDOWN_CLASS};
        InitCommonControlsEx(&icc);
        CreateSubClass(params, UPDOWN_CLASSA);
    }
};

// A platform button of the style set before its window is made.
class TGroupButton : public cl::TWinControl {
    CL_CLASS(TGroupButton)
public:
    using cl::TWinControl::TWinControl;
    DWORD ButtonStyle = BS_AUTORADIOBUTTON;

protected:
    void CreateParams(cl::TCreateParams& params) override
    {
        cl::TWinControl::CreateParams(params);
        CreateSubClass(params, "BUTTON");
        params.Style |= ButtonStyle;
    }
};

// A memo with both bars.
class TBarMemo : public cl::TWinControl {
    CL_CLASS(TBarMemo)
public:
    using cl::TWinControl::TWinControl;

protected:
    void CreateParams(cl::TCreateParams& params) override
    {
        cl::TWinControl::CreateParams(params);
        CreateSubClass(params, "EDIT");
        params.Style |= WS_BORDER | WS_HSCROLL | WS_VSCROLL | ES_MULTILINE;
    }
};

// A panel the class table names as never skinned.
class TFrPBox : public cl::TPanel {
    CL_CLASS(TFrPBox)
public:
    using cl::TPanel::TPanel;
};

template <class T> T* Make(cl::TComponent& owner, cl::TWinControl& parent, int x, int y, int w, int h)
{
    auto* c = new T(&owner);
    c->SetParent(&parent);
    c->SetBounds(x, y, w, h);
    c->HandleNeeded();
    return c;
}

struct Discovery : ::testing::Test {
    std::unique_ptr<TSkinData> data = ControlSkin();
    const TSkinControlTypes all = data->SkinControls;
    cl::TForm form{nullptr};
    void SetUp() override
    {
        form.SetBounds(30, 30, 420, 300);
        form.Show();
    }
};

enum class Expect { None, Radio, Check, GlyphCheck, GlyphRadio, GroupBox, Button };

// What companion the skinned form gave the control's window.
Expect SkinOf(TSkinnedForm& skinned, cl::TWinControl& control)
{
    TSkinControl* s = skinned.FindControlSkin(control.Handle());
    if (!s) return Expect::None;
    if (auto* glyph = dynamic_cast<TSkinObjImage*>(s)) return glyph->GlyphKind == 2 ? Expect::GlyphRadio : Expect::GlyphCheck;
    if (dynamic_cast<TSkinRadioButton*>(s)) return Expect::Radio;
    if (dynamic_cast<TSkinCheckBox*>(s)) return Expect::Check;
    if (dynamic_cast<TSkinGroupBox*>(s)) return Expect::GroupBox;
    if (dynamic_cast<TSkinButton*>(s)) return Expect::Button;
    return Expect::None;
}

} // namespace

template <> const cl::TClass& TRadioGroupStandIn::StaticClass()
{
    return cl::DefineClass<TRadioGroupStandIn, cl::TWinControl>("TTestRadioGroup");
}
template <> const cl::TClass& TCheckGroupStandIn::StaticClass()
{
    return cl::DefineClass<TCheckGroupStandIn, cl::TWinControl>("TRzTestCheckGroup");
}
template <> const cl::TClass& TNavigatorStandIn::StaticClass()
{
    return cl::DefineClass<TNavigatorStandIn, cl::TWinControl>("TDBNavigator");
}
const cl::TClass& TUpDownStandIn::StaticClass() { return cl::DefineClass<TUpDownStandIn, cl::TWinControl>("TUpDown"); }
template <> const cl::TClass& TPlainBox::StaticClass() { return cl::DefineClass<TPlainBox, cl::TWinControl>("TTestBox"); }
const cl::TClass& TGroupButton::StaticClass() { return cl::DefineClass<TGroupButton, cl::TWinControl>("TGroupButton"); }
const cl::TClass& TBarMemo::StaticClass() { return cl::DefineClass<TBarMemo, cl::TWinControl>("TBarMemo"); }
const cl::TClass& TFrPBox::StaticClass() { return cl::DefineClass<TFrPBox, cl::TPanel>("TfrPBox"); }

TEST_F(Discovery, DisableTagOnARadioOrCheckGroupReachesItsButtons)
{
    struct Case {
        cl::TWinControl* box;
        bool group;
        cl::TButton* button = nullptr;
    };
    std::vector<Case> cases{{Make<TRadioGroupStandIn>(form, form, 10, 10, 120, 80), true},
                            {Make<TCheckGroupStandIn>(form, form, 140, 10, 120, 80), true},
                            {Make<TPlainBox>(form, form, 270, 10, 120, 80), false}};
    for (Case& c : cases) {
        c.box->SetTag(data->DisableTag);
        c.button = Make<cl::TButton>(form, *c.box, 5, 5, 80, 24);
    }
    TSkinnedForm skinned(nullptr);
    skinned.FormControl = &form;
    skinned.SkinData = data.get();
    skinned.SkinFormControls();
    for (Case& c : cases) {
        SCOPED_TRACE(c.box->ClassName());
        EXPECT_EQ(SkinOf(skinned, *c.box), Expect::None);
        EXPECT_EQ(c.button->Tag(), c.group ? 99 : 0);
        EXPECT_EQ(SkinOf(skinned, *c.button), c.group ? Expect::None : Expect::Button);
    }
}

TEST_F(Discovery, RadioAndCheckGroupKindsSkinTheGroupAndItsButtons)
{
    struct Case {
        const char* line;
        bool checkClass; // the group is "TRzTestCheckGroup", else "TTestRadioGroup"
        TSkinControlType missing;
        bool anyMissing;
        Expect buttons, group;
    };
    const Case cases[] = {
        {"TTestRadioGroup=radiogroup", false, xcMainMenu, false, Expect::Radio, Expect::GroupBox},
        {"TRzTestCheckGroup=checkgroup", true, xcMainMenu, false, Expect::GlyphCheck, Expect::GroupBox},
        {"TRzTestCheckGroup=radiogroup", true, xcMainMenu, false, Expect::GlyphRadio, Expect::GroupBox},
        {"TTestRadioGroup=checkgroup", false, xcMainMenu, false, Expect::Check, Expect::GroupBox},
        // The kind's own member is missing: nothing at all.
        {"TTestRadioGroup=radiogroup", false, xcGroupBox, true, Expect::None, Expect::None},
        {"TTestRadioGroup=checkgroup", false, xcPanel, true, Expect::None, Expect::None},
        // Buttons need xcRadioButton (check groups too); the group needs xcGroupBox.
        {"TTestRadioGroup=checkgroup", false, xcRadioButton, true, Expect::None, Expect::GroupBox},
        {"TTestRadioGroup=checkgroup", false, xcGroupBox, true, Expect::Check, Expect::None},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.line) + (c.anyMissing ? " without a member" : ""));
        cl::TForm f(nullptr);
        f.SetBounds(30, 30, 300, 200);
        f.Show();
        data->SkinControls = c.anyMissing ? all & ~Bit(c.missing) : all;
        data->Skin3rd()->Clear();
        data->Skin3rd()->Add(c.line);
        cl::TWinControl* group = c.checkClass ? static_cast<cl::TWinControl*>(Make<TCheckGroupStandIn>(f, f, 10, 10, 150, 100))
                                              : Make<TRadioGroupStandIn>(f, f, 10, 10, 150, 100);
        auto* first = Make<TGroupButton>(f, *group, 5, 5, 100, 20);
        auto* second = Make<TGroupButton>(f, *group, 5, 30, 100, 20);
        TSkinnedForm skinned(nullptr);
        skinned.FormControl = &f;
        skinned.SkinData = data.get();
        skinned.SkinFormControls();
        EXPECT_EQ(SkinOf(skinned, *group), c.group);
        EXPECT_EQ(SkinOf(skinned, *first), c.buttons);
        EXPECT_EQ(SkinOf(skinned, *second), c.buttons);
    }
}

TEST_F(Discovery, OwnedControlsOutsideTheFormAndOwnedPopupMenusAreSkinned)
{
    cl::TForm other(nullptr);
    other.SetBounds(200, 200, 200, 100);
    other.Show();
    // Owned by the form but placed on another window: not in the form's tab order.
    auto* away = Make<cl::TButton>(form, other, 5, 5, 80, 24);
    auto* orphan = new cl::TButton(&form); // no parent: left alone

    struct Case {
        bool popupMember;
        int tag;
        bool ownerDraw;
    };
    const Case cases[] = {{true, 0, true}, {true, 99, false}, {false, 0, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "member " << c.popupMember << " tag " << c.tag);
        data->SkinControls = c.popupMember ? all : all & ~Bit(xcPopupMenu);
        auto* menu = new cl::TPopupMenu(&form);
        menu->SetTag(c.tag);
        TSkinnedForm skinned(nullptr);
        skinned.FormControl = &form;
        skinned.SkinData = data.get();
        skinned.SkinFormControls();
        EXPECT_EQ(menu->OwnerDraw(), c.ownerDraw);
        EXPECT_EQ(SkinOf(skinned, *away), Expect::Button);
        EXPECT_FALSE(orphan->HandleAllocated());
    }
}

TEST_F(Discovery, AFormInsideAnotherGetsABoxAndItsOwnComponentsSkinned)
{
    auto* inner = new cl::TForm(&form);
    inner->SetBorderStyle(cl::bsNone);
    inner->SetParent(&form);
    inner->SetBounds(10, 10, 200, 150);
    inner->SetColor(cl::clRed);
    inner->HandleNeeded();
    // Only reached through the inner form's own components.
    auto* menu = new cl::TPopupMenu(inner);
    TSkinnedForm skinned(nullptr);
    skinned.FormControl = &form;
    skinned.SkinData = data.get();
    skinned.SkinFormControls();
    EXPECT_NE(dynamic_cast<TSkinBox*>(skinned.FindControlSkin(inner->Handle())), nullptr);
    EXPECT_EQ(inner->Color(), Face);
    EXPECT_TRUE(menu->OwnerDraw());
}

TEST_F(Discovery, SingleScrollBarKindOverlaysOnlyTheVerticalBar)
{
    data->Skin3rd()->Add("TBarMemo=singlescrollbar");
    auto* memo = Make<TBarMemo>(form, form, 10, 10, 200, 120);
    TSkinnedForm skinned(nullptr);
    skinned.FormControl = &form;
    skinned.SkinData = data.get();
    skinned.SkinFormControls();
    auto* bars = dynamic_cast<TSkinScrollbar*>(skinned.FindControlSkin(memo->Handle()));
    ASSERT_NE(bars, nullptr);
    EXPECT_EQ(bars->HBar, nullptr);
    ASSERT_NE(bars->VBar, nullptr);
    EXPECT_EQ(GetParent(bars->VBar->Handle()), form.Handle());
    // Horizontal traffic finds no overlay to update.
    SendMessageW(memo->Handle(), WM_HSCROLL, SB_LINEDOWN, 0);
    memo->SetBounds(10, 10, 220, 130);
    memo->SetEnabled(false);
    EXPECT_FALSE(bars->VBar->Enabled());
    bars->Unsubclass();
    EXPECT_EQ(bars->VBar, nullptr);
}

TEST_F(Discovery, ClassesTheTableNamesGetTheirRows)
{
    // A panel by class, but named as never skinned.
    auto* named = Make<TFrPBox>(form, form, 10, 10, 100, 60);
    auto* panel = Make<cl::TPanel>(form, form, 120, 10, 100, 60);
    auto* navigator = Make<TNavigatorStandIn>(form, form, 10, 100, 200, 40);
    auto* navButton = Make<cl::TButton>(*navigator, *navigator, 2, 2, 40, 30);
    auto* updown = Make<TUpDownStandIn>(form, form, 250, 100, 20, 40);
    TSkinnedForm skinned(nullptr);
    skinned.FormControl = &form;
    skinned.SkinData = data.get();
    skinned.SkinFormControls();
    EXPECT_EQ(skinned.FindControlSkin(named->Handle()), nullptr);
    EXPECT_NE(dynamic_cast<TSkinBox*>(skinned.FindControlSkin(panel->Handle())), nullptr);
    EXPECT_NE(dynamic_cast<TSkinBox*>(skinned.FindControlSkin(navigator->Handle())), nullptr);
    EXPECT_EQ(SkinOf(skinned, *navButton), Expect::Button);
    EXPECT_NE(dynamic_cast<TSkinUpDown*>(skinned.FindControlSkin(updown->Handle())), nullptr);
}
