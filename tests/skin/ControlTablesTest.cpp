// Which companion skins a child window of a raw window, and the Skin3rd lines.
#include "skin/engine/ControlTables.h"

#include <gtest/gtest.h>

using namespace skin;

namespace {
constexpr TSkinControlTypes All = Bit(xcFastReport + 1) - 1;
} // namespace

TEST(ControlTables, RawChildWindows)
{
    constexpr std::uint32_t TabStop = 0x10000;
    struct Case {
        const char* cls;
        std::uint32_t style;
        TSkinControlTypes controls;
        TChildSkin skin;
        bool children, colour;
    } cases[] = {
        {"button", 0x0, All, TChildSkin::Button, false, false},          // push button
        {"button", 0x1, All, TChildSkin::Button, false, false},          // default push button
        {"button", 0x2, All, TChildSkin::CheckBox, false, false},
        {"button", 0x3, All, TChildSkin::CheckBox, false, false},
        {"button", 0x5, All, TChildSkin::CheckBox, false, false},
        {"button", 0x6, All, TChildSkin::CheckBox, false, false},        // automatic three-state
        {"button", 0x4, All, TChildSkin::RadioButton, false, false},
        {"button", 0x9, All, TChildSkin::RadioButton, false, false},
        {"button", 0x7, All, TChildSkin::None, false, false},            // group box
        {"button", 0xB, All, TChildSkin::None, false, false},            // owner-drawn
        {"button", 0xA, All, TChildSkin::Button, false, false},          // push box: no owner-drawn bits test
        {"button", 0xF, All, TChildSkin::Button, false, false},
        {"button", 0x80, All, TChildSkin::None, false, false},           // bitmap
        {"button", 0x3, All & ~Bit(xcCheckBox), TChildSkin::None, false, false},
        {"combobox", 0x2, All, TChildSkin::ComboBox, false, false},
        {"combobox", 0x1, All, TChildSkin::None, false, false},          // simple combo box
        {"comboboxex32", 0, All, TChildSkin::InnerComboBox, false, false},
        {"scrollbar", 0x10, All, TChildSkin::Sizer, false, false},
        {"scrollbar", TabStop, All, TChildSkin::None, false, false},
        {"systreeview32", 0, All, TChildSkin::None, false, false},
        {"#32770", 0, All, TChildSkin::BoxH, true, false},
        {"#32770", TabStop, All, TChildSkin::None, false, false},
        {"tpanel", 0, All, TChildSkin::None, true, true},
        {"ttntpanel.unicodeclass", 0, 0, TChildSkin::None, true, true},
        {"tsilentpaintpanel", 0, 0, TChildSkin::None, false, true},
        {"tcheckbox", 0, All, TChildSkin::CheckBox, false, false},
        {"tcombobox", 0, All, TChildSkin::ComboBox, false, false},
        {"tbutton", 0, All & ~Bit(xcButton), TChildSkin::None, false, false},
        {"tprogressbar", 0, 0, TChildSkin::Progress, false, false},
        {"systabcontrol32", 0, All, TChildSkin::Tab, false, false},
        {"systabcontrol32", 0x2000, All, TChildSkin::None, false, false}, // owner-drawn tabs
        {"toolbarwindow32", 0, 0, TChildSkin::BoxH, false, false},
        {"edit", 0, All, TChildSkin::Edit, false, false},
        {"static", 0, All, TChildSkin::None, false, false},
    };
    for (const Case& c : cases) {
        const TChildRule r = RawChildRule(c.cls, c.style, c.controls);
        EXPECT_EQ(r.skin, c.skin) << c.cls << " " << std::hex << c.style;
        EXPECT_EQ(r.children, c.children) << c.cls;
        EXPECT_EQ(r.formColour, c.colour) << c.cls;
    }
}

TEST(ControlTables, Skin3rdLines)
{
    const std::vector<std::string> lines{"TLMDGROUPBOX=Panel", "TWyrGroup=panel", "TWWDBCombobox=Combobox",
                                         "TWWDBCombobox=other", "TWyrGroupEx=edit", "TOdd=a=b"};
    struct Case {
        const char* cls;
        std::optional<std::string> kind;
    } cases[] = {
        {"tlmdgroupbox", "Panel"},        // the kind keeps its case
        {"TWYRGROUP", "panel"},
        {"TWWDBCombobox", "Combobox"},    // the first line of a class decides
        {"TWyrGroupE", std::nullopt},     // a prefix of a class name is not the class
        {"TWyrGroupEx", "edit"},
        {"TOdd", "a=b"},                  // after the first "="
        {"TEdit", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(Skin3rdKind(lines, c.cls), c.kind) << c.cls;
    const std::vector<std::string> longKind{"TLong=" + std::string(60, 'k')};
    EXPECT_EQ(Skin3rdKind(longKind, "TLong"), std::string(50, 'k'));
}
