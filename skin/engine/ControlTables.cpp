// Which companion skins a child control.
#include "skin/engine/ControlTables.h"

#include <algorithm>
#include <cctype>

namespace skin {

namespace {

constexpr std::uint32_t TabStop = 0x10000, TabOwnerDrawFixed = 0x2000;

std::string Lower(std::string_view s)
{
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return std::tolower(c); });
    return out;
}

TChildRule Only(bool allowed, TChildSkin skin) { return {allowed ? skin : TChildSkin::None, false, false}; }

// Buttons by their type (the style's low four bits), compared exactly.
TChildRule ButtonRule(std::uint32_t style, TSkinControlTypes controls)
{
    constexpr std::uint32_t BitmapStyle = 0x80;
    switch (style & 0xF) {
    case 0x7: // group box
    case 0xB: // owner-drawn
        return {};
    case 0x2: // check box, automatic, three-state, automatic three-state
    case 0x3:
    case 0x5:
    case 0x6:
        if (style & BitmapStyle) return {};
        return Only(controls & Bit(xcCheckBox), TChildSkin::CheckBox);
    case 0x4: // radio button, automatic
    case 0x9:
        if (style & BitmapStyle) return {};
        return Only(controls & Bit(xcRadioButton), TChildSkin::RadioButton);
    default:
        if (style & BitmapStyle) return {};
        return Only(controls & Bit(xcButton), TChildSkin::Button);
    }
}

} // namespace

TChildRule RawChildRule(std::string_view c, std::uint32_t style, TSkinControlTypes controls)
{
    if (c == "button") return ButtonRule(style, controls);
    if (c == "combobox") return Only((controls & Bit(xcCombo)) && (style & 3) != 1, TChildSkin::ComboBox);
    if (c == "comboboxex32") return Only(controls & Bit(xcCombo), TChildSkin::InnerComboBox);
    if (c == "scrollbar") return Only(!(style & TabStop), TChildSkin::Sizer);
    if (c == "#32770" && !(style & TabStop)) return {TChildSkin::BoxH, true, false};
    if (c == "tpanel" || c == "ttntpanel.unicodeclass" || c == "ttntsilentpaintpanel.unicodeclass")
        return {TChildSkin::None, true, true};
    if (c == "tcheckbox") return Only(controls & Bit(xcCheckBox), TChildSkin::CheckBox);
    if (c == "tcombobox") return Only(controls & Bit(xcCombo), TChildSkin::ComboBox);
    if (c == "tbutton") return Only(controls & Bit(xcButton), TChildSkin::Button);
    if (c == "tprogressbar") return {TChildSkin::Progress, false, false};
    if (c == "tsilentpaintpanel") return {TChildSkin::None, false, true};
    if (c == "systabcontrol32")
        return Only((controls & Bit(xcTab)) && !(style & TabOwnerDrawFixed), TChildSkin::Tab);
    if (c == "toolbarwindow32") return {TChildSkin::BoxH, false, false};
    if (c == "edit") return Only(controls & Bit(xcEdit), TChildSkin::Edit);
    return {};
}

std::optional<std::string> Skin3rdKind(const std::vector<std::string>& lines, std::string_view className)
{
    const std::string key = Lower(className) + "=";
    for (const std::string& line : lines) {
        if (Lower(line).compare(0, key.size(), key) != 0) continue;
        return line.substr(line.find('=') + 1, 50);
    }
    return std::nullopt;
}

} // namespace skin
