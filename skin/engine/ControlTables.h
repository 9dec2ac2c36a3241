// Which companion skins a child control, free of the platform: the table for child windows
// of a raw window (by window class and style) and the skin component's "Skin3rd" lines
// (class name, "=", kind word) for classes of other vendors.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace skin {

// Control kinds of TSkinData::SkinControls (bit 1 << kind).
enum TSkinControlType {
    xcMainMenu, xcPopupMenu, xcMenuItem, xcToolbar, xcControlbar, xcCombo, xcCheckBox, xcRadioButton, xcProgress,
    xcScrollbar, xcEdit, xcButton, xcBitBtn, xcSpeedButton, xcSpin, xcPanel, xcGroupBox, xcStatusBar, xcTab,
    xcTrackBar, xcSystemMenu, xcFastReport
};
using TSkinControlTypes = unsigned;
constexpr unsigned Bit(int member) { return 1u << member; }

// The companion a child window of a raw window gets.
enum class TChildSkin {
    None,
    Button,
    CheckBox,
    RadioButton,
    ComboBox,
    InnerComboBox, // a combo box companion on the window's first child
    Sizer,
    Progress,
    Tab,
    Edit,
    BoxH,
};

struct TChildRule {
    TChildSkin skin = TChildSkin::None;
    bool children = false;    // its own child windows go through the table first
    bool formColour = false;  // its class-library control takes the skin's form colour
};

// The first matching row for a child window of lower-case class lowerClass.
TChildRule RawChildRule(std::string_view lowerClass, std::uint32_t style, TSkinControlTypes controls);

// The kind word of the first Skin3rd line for className (matched without regard to case),
// at most 50 characters, or nothing when no line names the class.
std::optional<std::string> Skin3rdKind(const std::vector<std::string>& lines, std::string_view className);

} // namespace skin
