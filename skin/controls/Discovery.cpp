// Control discovery: which control skin each control of a skinned form, or each child
// window of a skinned raw window, gets.
#include "skin/engine/SkinnedForm.h"

#include "skin/controls/Bars.h"
#include "skin/controls/Buttons.h"
#include "skin/controls/CheckRadio.h"
#include "skin/controls/ComboBoxes.h"
#include "skin/controls/DateTime.h"
#include "skin/controls/Edits.h"
#include "skin/controls/GlyphButtons.h"
#include "skin/controls/MediaPlayer.h"
#include "skin/controls/Tabs.h"
#include "skin/controls/TrackBar.h"
#include "skin/controls/Ranges.h"
#include "skin/controls/ScrollBars.h"
#include "skin/controls/Sheets.h"
#include "skin/controls/PropAccess.h"
#include "skin/engine/SkinMessages.h"

#include "classlib/ComCtrls.h"
#include "classlib/ExtCtrlsPanels.h"
#include "classlib/StdCtrls.h"
#include "classlib/SysUtils.h"

namespace skin {

namespace {
// Creates a companion of class T owned by control and attaches it.
template <class T> T* Attach(cl::TWinControl& control, TSkinnedForm& form, TSkinData& data, bool colour)
{
    auto* skin = new T(&control);
    skin->InitControl(&form, &data, colour, nullptr);
    return skin;
}

bool HasScrollStyle(cl::TWinControl& control)
{
    return (GetWindowLongA(control.Handle(), GWL_STYLE) & (WS_HSCROLL | WS_VSCROLL)) != 0;
}

TSkinScrollbar* AttachScrollbar(cl::TWinControl& control, TSkinnedForm& form, TSkinData& data, bool single = false)
{
    auto* skin = new TSkinScrollbar(&control);
    skin->SingleBar = single;
    skin->InitScrollbar(&control, &data, &form, nullptr);
    return skin;
}
} // namespace

bool TSkinnedForm::HasControlSkin(cl::TWinControl& control) const
{
    if (control.Perform(WM_SKIN_QUERY) == 1) return true;
    return std::any_of(controlSkins_.begin(), controlSkins_.end(), [&](TSkinControl* c) { return c->Owner() == &control; });
}

void TSkinnedForm::SkinFormControls()
{
    FreeReleasedControls();
    if (!FormControl || !SkinData) return;
    SkinOwnedControls(*FormControl);
    std::vector<cl::TWinControl*> list;
    FormControl->GetTabOrderList(list);
    for (cl::TWinControl* control : list) {
        if (!control->HandleAllocated() || control->Tag() == SkinData->DisableTag) continue;
        if (control->Perform(WM_SKIN_QUERY) == 1) continue;
        SkinControl(*control, FormControl);
    }
}

void TSkinnedForm::SkinOwnedControls(cl::TComponent& owner)
{
    TSkinData& data = *SkinData;
    auto* container = dynamic_cast<cl::TWinControl*>(&owner);
    // By index: a skin's handler may add components while this runs.
    for (int i = 0; i < owner.ComponentCount(); ++i)
        if (auto* control = dynamic_cast<cl::TWinControl*>(owner.Components(i))) SkinControl(*control, container);
    SkinGraphicControls(owner);
    if (data.Has(xcPopupMenu)) SetMenusOwnerDraw(owner, true);
}

void TSkinnedForm::SkinGraphicControls(cl::TComponent& owner)
{
    TSkinData& data = *SkinData;
    std::vector<std::string> lines;
    if (const cl::TStringList* list = data.Skin3rd())
        for (int i = 0; i < list->Count(); ++i) lines.push_back((*list)[i]);
    for (int i = 0; i < owner.ComponentCount(); ++i) {
        auto* control = dynamic_cast<cl::TGraphicControl*>(owner.Components(i));
        if (!control || control->Tag() == data.DisableTag || !control->Parent()) continue;
        if (std::any_of(controlSkins_.begin(), controlSkins_.end(), [&](TSkinControl* c) { return c->Owner() == control; }))
            continue;
        const std::optional<std::string> kind = Skin3rdKind(lines, cl::UpperCase(control->ClassType().Name()));
        const bool png = kind && *kind == "pngspeedbutton";
        if (!(kind && *kind == "speedbutton" && data.Has(xcSpeedButton)) && !(png && data.Has(xcButton))) continue;
        auto* skin = new TSkinSpeedButton(control);
        if (png) skin->GraphicProperty = "PngImage";
        skin->InitGraphic(this, &data, nullptr);
    }
}

void TSkinnedForm::SkinChildControls(cl::TWinControl& parent)
{
    for (int i = 0; i < parent.ControlCount(); ++i)
        if (auto* child = dynamic_cast<cl::TWinControl*>(parent.Controls(i))) SkinControl(*child, &parent);
}

void TSkinnedForm::SkinControl(cl::TWinControl& control, cl::TWinControl* container)
{
    TSkinData& data = *SkinData;
    if (control.Tag() == data.DisableTag) {
        const cl::AnsiString lower = cl::LowerCase(control.ClassType().Name());
        if (lower.find("radiogroup") != cl::AnsiString::npos || lower.find("checkgroup") != cl::AnsiString::npos)
            for (int i = 0; i < control.ControlCount(); ++i) control.Controls(i)->SetTag(data.DisableTag);
        return;
    }
    if (!control.Parent()) return;
    if (dynamic_cast<TWScrollbar*>(&control)) return; // a scroll-bar skin's own overlay
    if (HasControlSkin(control)) return;
    const cl::AnsiString upper = cl::UpperCase(control.ClassType().Name());
    try {
        control.HandleNeeded();
    } catch (...) {
        return; // a control whose window cannot be made stays as it is
    }

    if (data.OnSkinControl) {
        cl::TComponent* skinned = nullptr;
        data.OnSkinControl(this, &data, container, &control, upper, skinned);
        if (skinned) {
            if (auto* companion = dynamic_cast<TSkinControl*>(skinned)) {
                if (std::find(controlSkins_.begin(), controlSkins_.end(), companion) == controlSkins_.end()) {
                    companion->InitControl(this, &data, companion->ColourFlag, nullptr);
                    if (dynamic_cast<cl::TCustomPanel*>(&control)) SkinChildControls(control);
                }
            }
            return;
        }
    }

    if (SkinThirdParty(upper, control)) return;

    if (upper == "TDBCOMBOBOXEH" || upper == "TFRDESIGNERPAGE" || upper == "TFRPBOX") return;
    if ((upper == "TTABSET" || upper == "TTABBEDNOTEBOOK") && data.Has(xcTab) && data.Tabs) {
        if (upper == "TTABSET") Attach<TSkinTab31>(control, *this, data, false);
        else Attach<TSkinTab>(control, *this, data, false);
        return;
    }
    if (upper == "TMVCPANEL") {
        SkinChildControls(control);
        return;
    }
    if ((upper == "TUPDOWN" || upper == "TSPINBUTTON") && data.Has(xcSpin)) {
        Attach<TSkinUpDown>(control, *this, data, false);
        return;
    }
    if (upper == "TMEDIAPLAYER" && data.Has(xcButton)) {
        Attach<TSkinMP>(control, *this, data, false);
        return;
    }
    if (upper == "TDBNAVIGATOR" && data.Has(xcPanel)) {
        Attach<TSkinBox>(control, *this, data, true);
        for (int i = 0; i < control.ControlCount(); ++i)
            if (auto* child = dynamic_cast<cl::TWinControl*>(control.Controls(i))) SkinControl(*child, nullptr);
        return;
    }
    if (upper == "TRZDBCHECKBOX" || upper == "TRZCHECKBOX" || upper == "TRZRADIOBUTTON" || upper == "TRZDBRADIOBUTTON" ||
        upper == "TCXDBCHECKBOX" || upper == "TCXCHECKBOX") {
        const bool radio = upper.find("RADIO") != cl::AnsiString::npos;
        if (!data.Has(radio ? xcRadioButton : xcCheckBox)) return;
        auto* skin = new TSkinObjImage(&control);
        skin->GlyphKind = radio ? 2 : upper.rfind("TCX", 0) == 0 ? 3 : 1;
        skin->InitControl(this, &data, true, nullptr);
        return;
    }
    if (upper == "TTNTCOMBOBOX" && data.Has(xcCombo)) {
        Attach<TSkinComBox>(control, *this, data, false);
        return;
    }
    if (dynamic_cast<cl::TCustomGroupBox*>(&control)) {
        if (!data.Has(xcPanel)) return;
        SkinChildControls(control);
        Attach<TSkinGroupBox>(control, *this, data, false);
    } else if (dynamic_cast<cl::TStatusBar*>(&control)) {
        if (data.Has(xcStatusBar)) Attach<TSkinStatusBar>(control, *this, data, false);
    } else if (dynamic_cast<cl::TProgressBar*>(&control)) {
        if (data.Has(xcProgress)) Attach<TSkinProgress>(control, *this, data, false);
    } else if ((upper == "TRICHEDIT" || upper == "TWWDBRICHEDIT" || upper == "TDXDBMEMO") && data.Has(xcScrollbar)) {
        AttachScrollbar(control, *this, data);
    } else if (dynamic_cast<cl::TCustomPanel*>(&control)) {
        if (!data.Has(xcPanel)) return;
        SkinChildControls(control);
        Attach<TSkinBox>(control, *this, data, true);
    } else if ((upper == "TDXTREELIST" || upper == "TDXDBTREELIST" || upper == "TDXDBGRID" || HasScrollStyle(control)) &&
               data.Has(xcScrollbar)) {
        AttachScrollbar(control, *this, data);
    } else if (dynamic_cast<cl::TButton*>(&control)) {
        if (data.Has(xcButton)) Attach<TSkinButton>(control, *this, data, false);
    } else if (dynamic_cast<cl::TCustomEdit*>(&control)) {
        if (data.Has(xcEdit)) Attach<TSkinEdit>(control, *this, data, false);
    } else if (auto* inner = dynamic_cast<cl::TCustomForm*>(&control); inner && upper != "TDCEDIT" && upper != "TDCDBEDIT") {
        // A form placed inside another: its own components are not in the outer form's list.
        Attach<TSkinBox>(control, *this, data, true);
        SkinOwnedControls(*inner);
    } else if (upper == "TDCEDIT" || upper == "TDCDBEDIT") {
        const std::int64_t buttons = GetPropInt(&control, "NumButtons");
        if (buttons == 1 && data.Has(xcCombo)) {
            Attach<TSkinComBox>(control, *this, data, false);
        } else if (buttons == 0 && data.Has(xcEdit)) {
            auto* skin = new TSkinEdit(&control);
            skin->InitHwnd(control.Handle(), &data, this, nullptr);
        }
    }
    // Other classes get no skin.
}

bool TSkinnedForm::SkinThirdParty(const cl::AnsiString& upperClass, cl::TWinControl& control)
{
    std::vector<std::string> lines;
    if (const cl::TStringList* list = SkinData->Skin3rd())
        for (int i = 0; i < list->Count(); ++i) lines.push_back((*list)[i]);
    const std::optional<std::string> kind = Skin3rdKind(lines, upperClass);
    if (!kind) return false;
    TSkinData& data = *SkinData;
    if (*kind == "button") {
        if (data.Has(xcButton)) Attach<TSkinButton>(control, *this, data, false);
    } else if (*kind == "groupbox") {
        if (data.Has(xcGroupBox)) Attach<TSkinGroupBox>(control, *this, data, false);
    } else if (*kind == "panel") {
        if (data.Has(xcPanel)) {
            SetPropValue(&control, "Transparent", "True");
            Attach<TSkinBox>(control, *this, data, true);
        }
    } else if (*kind == "checkbox") {
        if (data.Has(xcCheckBox)) Attach<TSkinCheckBox>(control, *this, data, false);
    } else if (*kind == "radiobutton") {
        if (data.Has(xcRadioButton)) Attach<TSkinRadioButton>(control, *this, data, false);
    } else if (*kind == "progress") {
        if (data.Has(xcProgress)) Attach<TSkinProgress>(control, *this, data, false);
    } else if (*kind == "edit") {
        RECT w{}, c{};
        GetWindowRect(control.Handle(), &w);
        GetClientRect(control.Handle(), &c);
        // Only an edit with a border: its window is larger than its client area.
        if (data.Has(xcEdit) && (w.right - w.left != c.right || w.bottom - w.top != c.bottom))
            Attach<TSkinEdit>(control, *this, data, false);
    } else if (*kind == "bitbtn" || *kind == "pngbitbtn") {
        if (data.Has(xcButton)) {
            if (*kind == "bitbtn" && upperClass == "TCXBUTTON" && GetPropEnum(&control, "Kind") == "cxbkDropDownButton") {
                Attach<TSkinMenuButton>(control, *this, data, false);
            } else {
                auto* skin = new TSkinBitButton(&control);
                if (*kind == "pngbitbtn") skin->GraphicProperty = "PngImage";
                skin->InitControl(this, &data, false, nullptr);
            }
        }
    } else if (*kind == "menubtn") {
        if (data.Has(xcButton)) Attach<TSkinMenuButton>(control, *this, data, false);
    } else if (*kind == "trackbar") {
        if (data.Has(xcButton)) {
            SetPropValue(&control, "Transparent", "True");
            Attach<TSkinTrackBar>(control, *this, data, false);
        }
    } else if (*kind == "mediaplayer") {
        if (data.Has(xcButton)) Attach<TSkinMP>(control, *this, data, false);
    } else if (*kind == "tab") {
        if (data.Has(xcTab) && data.Tabs) Attach<TSkinTab>(control, *this, data, false);
    } else if (*kind == "scrollbar") {
        if (data.Has(xcScrollbar)) {
            AttachScrollbar(control, *this, data);
            SkinChildControls(control);
        }
    } else if (*kind == "singlescrollbar") {
        if (data.Has(xcScrollbar)) AttachScrollbar(control, *this, data, true);
    } else if (*kind == "radiogroup" || *kind == "checkgroup") {
        const bool radio = *kind == "radiogroup";
        if (data.Has(radio ? xcGroupBox : xcPanel)) {
            if (data.Has(xcRadioButton)) SkinGroupButtons(control, radio, upperClass.find("TRZ") != cl::AnsiString::npos);
            if (data.Has(xcGroupBox)) Attach<TSkinGroupBox>(control, *this, data, false);
        }
    } else if (*kind == "embedscrollbar") {
        if (data.Has(xcScrollbar))
            for (int i = 0; i < control.ControlCount(); ++i)
                if (auto* child = dynamic_cast<cl::TWinControl*>(control.Controls(i)))
                    if (HasScrollStyle(*child)) AttachScrollbar(*child, *this, data);
    } else if (*kind == "combobox" || *kind == "comboboxex") {
        if (data.Has(xcCombo)) {
            auto* skin = new TSkinComBox(&control);
            skin->Extended = *kind == "comboboxex";
            skin->InitControl(this, &data, false, nullptr);
        }
    } else if (*kind == "datetimepicker") {
        if (data.Has(xcCombo)) Attach<TSkinDateTime>(control, *this, data, false);
    } else if (*kind == "advpagecontrol") {
        if (data.Has(xcTab)) {
            auto* skin = new TSkinAdvPage(&control);
            skin->PageKind = 4;
            skin->InitControl(this, &data, true, nullptr);
        }
    } else if (*kind == "container") {
        SkinChildControls(control);
    }
    // "nil", the speed-button kinds (windowless controls, SkinGraphicControls) and unknown
    // kinds leave the control unskinned.
    return true;
}

void TSkinnedForm::SkinGroupButtons(cl::TWinControl& group, bool radio, bool glyphs)
{
    TSkinData& data = *SkinData;
    for (int i = 0; i < group.ControlCount(); ++i) {
        auto* child = dynamic_cast<cl::TWinControl*>(group.Controls(i));
        if (!child || HasControlSkin(*child)) continue;
        child->HandleNeeded();
        if (glyphs) {
            auto* skin = new TSkinObjImage(child);
            skin->GlyphKind = radio ? 2 : 1;
            skin->InitControl(this, &data, true, nullptr);
        } else if (radio) {
            Attach<TSkinRadioButton>(*child, *this, data, false);
        } else {
            Attach<TSkinCheckBox>(*child, *this, data, false);
        }
    }
}

void TSkinnedForm::AttachChildSkin(HWND window, TChildSkin kind)
{
    TSkinControl* skin = nullptr;
    switch (kind) {
    case TChildSkin::Button: skin = new TSkinButton(this); break;
    case TChildSkin::CheckBox: skin = new TSkinCheckBox(this); break;
    case TChildSkin::RadioButton: skin = new TSkinRadioButton(this); break;
    case TChildSkin::Progress: skin = new TSkinProgress(this); break;
    case TChildSkin::Edit: skin = new TSkinEdit(this); break;
    case TChildSkin::Tab: skin = new TSkinTab(this); break;
    case TChildSkin::ComboBox: skin = new TSkinComBox(this); break;
    case TChildSkin::InnerComboBox:
        window = GetTopWindow(window);
        if (window) skin = new TSkinComBox(this);
        break;
    case TChildSkin::Sizer: skin = new TSkinSizer(this); break;
    case TChildSkin::BoxH: skin = new TSkinBoxH(this); break;
    default: break; // None: the window gets no skin
    }
    if (skin) skin->InitHwnd(window, SkinData, this, nullptr);
}

} // namespace skin
