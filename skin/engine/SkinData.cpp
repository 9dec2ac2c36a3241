// The skin component.
#include "skin/engine/SkinData.h"

#include "skin/SkinReader.h"
#include "skin/engine/SkinManage.h"

#include "classlib/Forms.h"

#include <cstddef>
#include <cstring>
#include <fstream>
#include <iterator>

namespace skin {

const cl::TEnumType SkinControlTypeType{{"xcMainMenu", "xcPopupMenu", "xcMenuItem", "xcToolbar", "xcControlbar",
                                          "xcCombo", "xcCheckBox", "xcRadioButton", "xcProgress", "xcScrollbar",
                                          "xcEdit", "xcButton", "xcBitBtn", "xcSpeedButton", "xcSpin", "xcPanel",
                                          "xcGroupBox", "xcStatusBar", "xcTab", "xcTrackBar", "xcSystemMenu",
                                          "xcFastReport"}};
const cl::TEnumType SkinOptionType{{"xoMDIScrollbar", "xoMenuMerge", "xoTransparent", "xoPreview",
                                     "xoParentBackGround", "xoNoFocusRect", "xoToolbarBK", "xoToolbarButton",
                                     "xoMDIChildBorder", "xoMenuBG", "xoCaptionButtonHint", "xoFormScrollbar"}};
const cl::TEnumType SkinFormTypeType{{"sfMainform", "sfOnlyThisForm", "sfDialog", "sfDLL"}};

const std::vector<const char*>& DefaultSkin3rd()
{
    static const std::vector<const char*> rows{
    "TCategoryButtons=scrollbar", "TVirtualStringTree=scrollbar", "TVirtualDrawTree=scrollbar",
    "TAdvPanelGroup=scrollbar", "THTMLViewer=scrollbar", "TDBCtrlGrid=scrollbar", "TImageEnMView=scrollbar",
    "TImageEnView=scrollbar", "TAdvMemo=scrollbar", "TDBAdvMemo=scrollbar", "TPngSpeedbutton=pngspeedbutton",
    "TPngBitBtn=pngbitbtn", "TTBXDockablePanel=Panel", "TControlBar=Panel", "TTBDock=Panel", "TTBToolbar=Panel",
    "TLMDGROUPBOX=Panel", "TLMDSIMPLEPANEL=Panel", "TLMDDBCalendar=Panel", "TLMDButtonPanel=Panel",
    "TLMDLMDCalculator=Panel", "TLMDHeaderPanel=Panel", "TLMDTechnicalLine=Panel", "TLMDLMDClock=Panel",
    "TWyrGroup=panel", "TLMDCalculator=panel", "TLMDTrackbar=panel", "TComboboxex=combobox",
    "TcxDBLookupComboBox=combobox", "TcxDBComboBox=combobox", "TcxDBDateEdit=combobox", "TcxDBImageComboBox=combobox",
    "TcxDBCalcEdit=combobox", "TcxDBBlobEdit=combobox", "TcxDBPopupEdit=combobox", "TcxDBFontNameComboBox=combobox",
    "TcxDBShellComboBox=combobox", "TRxLookupEdit=combobox", "TRxDBLookupCombo=combobox", "TWyrDateTimeEdit=combobox",
    "TWyrColorEdit=combobox", "TWyrDateTimePicker=combobox", "TWyrDBDateTimeEdit=combobox",
    "TWyrDbColorEdit=combobox", "TWyrDBDateTimePicker=combobox", "TLMDListCombobox=combobox",
    "TLMDCheckListCombobox=combobox", "TLMDHeaderListCombobox=combobox", "TLMDImageCombobox=combobox",
    "TLMDColorCombobox=combobox", "TLMDFontCombobox=combobox", "TLMDFontSizeCombobox=combobox",
    "TLMDFontSizeCombobox=combobox", "TLMDPrinterCombobox=combobox", "TLMDDriveCombobox=combobox",
    "TLMDCalculatorComboBox=combobox", "TLMDTrackBarComboBox=combobox", "TLMDCalendarComboBox=combobox",
    "TLMDTreeComboBox=combobox", "TWWTempKeyCombo=combobox", "TDBLookupCombobox=Combobox", "TWWDBCombobox=Combobox",
    "TWWDBCombobox=Combobox", "TWWDBLookupCombo=Combobox", "TWWKeyCombo=Combobox", "TWWDBDateTimePicker=Combobox",
    "TRxSpeedButton=speedbutton", "TfrSpeedButton=speedbutton", "TfrTBButton=speedbutton", "TWyrButton=button",
    "TWyrBitbtn=bitbtn", "TLMDButton=bitbtn", "TcxButton=bitbtn", "TWyrMenuButton=menubtn",
    "TWyrCheckGroup=CheckGroup", "TLMDCheckGroup=CheckGroup", "TLMDDBCheckGroup=CheckGroup",
    "TWyrRadioGroup=Radiogroup", "TWyrDBRadioGroup=Radiogroup", "TLMDRADIOGROUP=radiogroup",
    "TLMDDBRADIOGROUP=radiogroup", "TWWRADIOGROUP=radiogroup", "TcxDBRadioGroup=radiogroup",
    "TcxRadioGroup=radiogroup", "TWyrDBRadioButton=Radiobutton", "TLMDRadiobutton=Radiobutton", "TWyrButtonEdit=Edit",
    "TLMDEDIT=Edit", "TLMDMASKEDIT=Edit", "TLMDBROWSEEDIT=Edit", "TLMDEXTSPINEDIT=Edit", "TLMDCALENDAREDIT=Edit",
    "TLMDFILEOPENEDIT=Edit", "TLMDFILESAVEEDIT=Edit", "TLMDCOLOREDIT=Edit", "TLMDDBEDIT=Edit", "TLMDDBMASKEDIT=Edit",
    "TLMDDBEXTSPINEDIT=Edit", "TLMDDBSPINEDIT=Edit", "TLMDDBEDITDBLookup=Edit", "TLMDEDITDBLookup=Edit",
    "TWWDBEDIT=Edit", "TOVCPICTUREFIELD=Edit", "TOVCDBPICTUREFIELD=Edit", "TOVCSLIDEREDIT=Edit",
    "TOVCDBSLIDEREDIT=Edit", "TOVCSIMPLEFIELD=Edit", "TOVCDBSIMPLEFIELD=Edit", "TO32DBFLEXEDIT=Edit",
    "TOVCNUMERICFIELD=Edit", "TOVCDBNUMERICFIELD=Edit", "TLMDCalculatorEdit=edit", "TLMDGroupBox=Groupbox",
    "TcxGroupbox=groupbox", "TDBCheckboxEh=Checkbox", "TDBCheckboxEh=Checkbox", "TLMDCHECKBOX=Checkbox",
    "TLMDDBCHECKBOX=Checkbox",
    };
    return rows;
}

// ---------------------------------------------------------------------------------------
// Entry points of user32 that older systems lack, looked up once.

namespace {

using GetScrollBarInfoFn = BOOL(WINAPI*)(HWND, LONG, PSCROLLBARINFO);
using TrackMouseEventFn = BOOL(WINAPI*)(LPTRACKMOUSEEVENT);

struct User32Entries {
    GetScrollBarInfoFn getScrollBarInfo = nullptr;
    TrackMouseEventFn trackMouseEvent = nullptr;
};

const User32Entries& User32()
{
    static const User32Entries entries = [] {
        User32Entries e;
        if (HMODULE user32 = GetModuleHandleA("user32.dll")) {
            e.getScrollBarInfo = reinterpret_cast<GetScrollBarInfoFn>(
                reinterpret_cast<void*>(GetProcAddress(user32, "GetScrollBarInfo")));
            e.trackMouseEvent = reinterpret_cast<TrackMouseEventFn>(
                reinterpret_cast<void*>(GetProcAddress(user32, "TrackMouseEvent")));
        }
        return e;
    }();
    return entries;
}

} // namespace

bool HasGetScrollBarInfo() { return User32().getScrollBarInfo != nullptr; }

bool SkinGetScrollBarInfo(HWND wnd, LONG objectId, SCROLLBARINFO& info)
{
    if (!User32().getScrollBarInfo) return false;
    return User32().getScrollBarInfo(wnd, objectId, &info) != FALSE;
}

void SkinTrackMouseLeave(HWND wnd)
{
    if (!User32().trackMouseEvent) return;
    TRACKMOUSEEVENT tme{};
    tme.cbSize = 16;
    tme.dwFlags = TME_LEAVE;
    tme.hwndTrack = wnd;
    User32().trackMouseEvent(&tme);
}

std::wstring AnsiToWide(const cl::AnsiString& text)
{
    if (text.empty()) return {};
    const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
    return wide;
}

int SkinDrawText(HDC dc, const std::wstring& text, RECT& rect, UINT format)
{
    return DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect, format);
}

std::wstring WideCopy(const std::wstring& text, int count)
{
    if (count < 0) return text;
    return text.substr(0, static_cast<std::size_t>(count));
}

cl::TControl* ControlOfWindow(HWND wnd)
{
    if (!wnd) return nullptr;
    const auto atom = reinterpret_cast<LPCSTR>(static_cast<ULONG_PTR>(cl::ControlAtom()));
    return reinterpret_cast<cl::TControl*>(GetPropA(wnd, atom));
}

// ---------------------------------------------------------------------------------------

const cl::TClass& TSkinData::StaticClass()
{
    return cl::DefineClass<TSkinData, cl::TComponent>("TSkinData", [](cl::TPublisher<TSkinData>& p) {
        p.Bool("Active", &TSkinData::Active, &TSkinData::SetActive);
        p.Int("DisableTag", &TSkinData::DisableTag, &TSkinData::DisableTag);
        p.Set("SkinControls", SkinControlTypeType, &TSkinData::SkinControls, &TSkinData::SkinControls);
        p.Set("Options", SkinOptionType, &TSkinData::Options, &TSkinData::Options);
        p.Owned("Skin3rd", &TSkinData::Skin3rd);
        p.String("SkinFile", &TSkinData::SkinFile, &TSkinData::SetSkinFile);
        p.String("SkinStore", &TSkinData::SkinStore, [](TSkinData&, const cl::AnsiString&) {});
        p.Enum("SkinFormtype", SkinFormTypeType, &TSkinData::SkinFormtype, &TSkinData::SkinFormtype);
        p.String("Version", &TSkinData::Version, [](TSkinData&, const cl::AnsiString&) {});
        p.Bool("MenuUpdate", &TSkinData::MenuUpdate, &TSkinData::MenuUpdate);
        p.Bool("MenuMerge", &TSkinData::MenuMerge, &TSkinData::MenuMerge);
        p.Event("OnFormSkin", &TSkinData::OnFormSkin);
        p.Event("OnSkinChanged", &TSkinData::OnSkinChanged);
        p.Event("OnSkinControl", &TSkinData::OnSkinControl);
        p.Event("OnBeforeSkinForm", &TSkinData::OnBeforeSkinForm);
        p.Event("OnAfterSkinForm", &TSkinData::OnAfterSkinForm);
        p.Binary("SkinStream", &TSkinData::StreamValue, &TSkinData::SetStreamValue);
    });
}

TSkinData::TSkinData(cl::TComponent* owner) : cl::TComponent(owner), skin3rd_(std::make_unique<cl::TStringList>())
{
    AppIcon.SetPixelFormat(cl::pf24bit);
    for (const char* row : DefaultSkin3rd()) skin3rd_->Add(row);
    Options = Bit(xoPreview) | Bit(xoToolbarBK) | Bit(xoCaptionButtonHint);
    SkinControls = (Bit(xcFastReport + 1) - 1) & ~(Bit(xcMenuItem) | Bit(xcFastReport));
    // Built into the module that holds this code, beside the TRACK images.
    try {
        cl::TBitmap strip;
        strip.LoadFromResourceName(cl::ModuleInstance(), "VELOURMENU");
        MenuImages.SetWidth(16);
        MenuImages.SetHeight(strip.Height());
        MenuImages.AddMasked(&strip, cl::clWhite);
    } catch (const std::exception&) {
        // A module built without the glyphs draws menus without them.
    }
}

TSkinData::~TSkinData()
{
    if (SkinManager) {
        SkinManager->RemoveSkinData(*this);
        if (SkinManager->SkinDatas().empty()) FreeSkinManager();
    }
}

cl::AnsiString TSkinData::SkinStore() const
{
    if (HasState(cl::csDesigning)) return SkinStream.empty() ? "(none)" : "(Good)";
    return "(none)";
}

cl::TBytes TSkinData::StreamValue() const
{
    const auto size = static_cast<std::uint32_t>(SkinStream.size());
    cl::TBytes value(4 + SkinStream.size());
    std::memcpy(value.data(), &size, 4);
    if (size) std::memcpy(value.data() + 4, SkinStream.data(), size);
    return value;
}

void TSkinData::SetStreamValue(const cl::TBytes& value)
{
    if (value.size() < 4) return;
    std::int32_t length = 0;
    std::memcpy(&length, value.data(), 4);
    if (length <= 0) return;
    // Never more than the value holds.
    const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(length), value.size() - 4);
    SkinStream.assign(value.begin() + 4, value.begin() + 4 + static_cast<std::ptrdiff_t>(n));
    if (!HasState(cl::csDesigning)) LoadSkin();
}

bool TSkinData::LoadSkin()
{
    if (HasState(cl::csDesigning)) return false;
    const TSkinLoad load = LoadSkinFrom(SkinStream);
    if (load.result == TSkinLoad::slFailed && cl::Application)
        cl::Application->MessageBox("Skin not loaded.\r" + load.why, cl::Application->Title(), MB_OK);
    return load.result == TSkinLoad::slLoaded;
}

// The skin's objects change only once the new skin has been read whole, so that a file
// that is no skin, or fails half-way, leaves the skin in use as it was. Nothing the read
// raises leaves here: a skin file is outside input.
TSkinData::TSkinLoad TSkinData::LoadSkinFrom(const std::vector<std::uint8_t>& file)
{
    try {
        switch (OpenSkinFile(file)) {
        case sfLoaded: return {TSkinLoad::slLoaded, {}};
        case sfNotASkin: return {TSkinLoad::slNotASkin, {}}; // the reader itself tells of an unknown version
        case sfNoDescription: return {TSkinLoad::slNoDescription, {}};
        }
    } catch (const std::bad_alloc&) {
        return {TSkinLoad::slFailed, "There is not enough memory for the skin."};
    } catch (const std::exception& e) {
        return {TSkinLoad::slFailed, e.what()};
    }
    return {TSkinLoad::slNotASkin, {}};
}

void TSkinData::SkinReplacing()
{
    // The caption buttons of windows skinned with this component point at the button
    // objects that go now; every load path (SkinFile, SkinStream, LoadSkin) drops them,
    // also when the refresh that builds them anew is skipped.
    if (SkinManager) SkinManager->DropCaptionButtons(*this);
}

void TSkinData::SetSkinFile(const cl::AnsiString& file)
{
    skinFile_ = file;
    if (HasState(cl::csDesigning)) {
        Empty = true;
        if (!file.empty()) SkinStream.clear();
        return;
    }
    // The new skin is loaded before the old one goes: a file that cannot serve leaves the
    // skin in use (and its bytes) in place, and the user is told why.
    std::vector<std::uint8_t> bytes;
    TSkinLoad load{TSkinLoad::slUnreadable, {}};
    const DWORD attributes = GetFileAttributesA(file.c_str());
    if (!file.empty() && attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        std::ifstream in(file, std::ios::binary);
        if (in) {
            bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
            load = LoadSkinFrom(bytes);
        }
    }
    if (load.result != TSkinLoad::slLoaded) {
        if (cl::Application)
            cl::Application->MessageBox("Skin file not loaded: " + file + "\r" + Reason(load), cl::Application->Title(),
                                        MB_OK);
        return;
    }
    SkinStream = std::move(bytes);
    SkinChanged();
}

cl::AnsiString TSkinData::Reason(const TSkinLoad& load)
{
    switch (load.result) {
    case TSkinLoad::slUnreadable: return "The file cannot be read.";
    case TSkinLoad::slNoDescription: return "The file holds no skin description.";
    case TSkinLoad::slFailed: return load.why;
    default: return "The file is not a skin file.";
    }
}

void TSkinData::SkinChanged()
{
    if (HasState(cl::csDesigning) || HasState(cl::csReading)) return;
    if (!SkinManager) Loaded();
    if (!SkinManager) return;
    SkinManager->ActionSkinData = this;
    // The windows keep no caption button of the old skin; the refresh builds them anew
    // with the frame widths.
    SkinManager->ResetCaptionButtons();
    if (SkinManager->Mode == 1) SkinManager->RequestAction(3, 250);
}

void TSkinData::Loaded()
{
    cl::TComponent::Loaded();
    if (HasState(cl::csDesigning)) return;
    if (!HasGetScrollBarInfo()) SkinControls &= ~Bit(xcScrollbar);
    if (!SkinManager) SkinManager = new TSkinManage();
    SkinManager->AddSkinData(*this);

    NONCLIENTMETRICSA metrics{};
    static_assert(sizeof metrics >= 340, "the caption font lies in the first 340 bytes");
    metrics.cbSize = 340;
    CaptionFont = std::make_unique<cl::TFont>();
    if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, 340, &metrics, 0))
        CaptionFont->SetHandle(CreateFontIndirectA(&metrics.lfCaptionFont));

    if (SkinFormtype != sfMainform) {
        SkinManager->Active = true;
        ++SkinManager->Mode;
        auto* form = dynamic_cast<cl::TCustomForm*>(Owner());
        if (form && active_) SkinManager->SkinWindow(form->Handle());
        return;
    }
    SkinManager->InstallHook();
    if (active_) {
        if (Empty) active_ = false;
        else SkinManager->RequestAction(1, 250);
    }
    if (Has(xcMainMenu)) SkinControls &= ~Bit(xcMenuItem);
    else SkinControls &= ~Bit(xcSystemMenu);
    BuildAppIcon();
}

void TSkinData::SetActive(bool active)
{
    if (active == active_) return;
    active_ = active;
    if (HasState(cl::csDesigning) || HasState(cl::csReading) || !SkinManager) return;
    switch (SkinFormtype) {
    case sfMainform:
        if (active) {
            if (Empty) return;
            SkinManager->ActionSkinData = this;
            SkinManager->RequestAction(1, 250);
            SkinManager->Mode = 1;
        } else {
            SkinManager->ActionSkinData = this;
            SkinManager->RequestAction(2, 250);
        }
        break;
    case sfOnlyThisForm:
        SkinManager->ActionSkinData = this;
        if (active && Empty) return;
        SkinManager->RequestAction(active ? 1 : 2, 250);
        break;
    case sfDialog:
    case sfDLL: break;
    }
}

void TSkinData::BuildAppIcon()
{
    const int cx = GetSystemMetrics(SM_CXSMICON), cy = GetSystemMetrics(SM_CYSMICON);
    HWND app = cl::Application && !cl::Application->IsLibrary() ? cl::Application->Handle() : nullptr;
    if (!app) return;
    auto icon = reinterpret_cast<HICON>(SendMessageA(app, WM_GETICON, ICON_SMALL, 0));
    if (!icon) icon = reinterpret_cast<HICON>(SendMessageA(app, WM_GETICON, ICON_BIG, 0));
    if (!icon) return;
    AppIcon.SetPixelFormat(cl::pf24bit);
    AppIcon.SetSize(cx, cy);
    cl::TCanvas& canvas = *AppIcon.Canvas();
    canvas.Brush().SetColor(Magenta);
    canvas.FillRect(RECT{0, 0, cx, cy});
    cl::IconHandle copy(static_cast<HICON>(CopyImage(icon, IMAGE_ICON, cx, cy, 0)));
    if (copy) DrawIconEx(canvas.Handle(), 0, 0, copy.get(), cx, cy, 0, nullptr, DI_NORMAL);
    AppIcon.SetTransparentColor(Magenta);
    AppIcon.SetTransparent(true);
}

void TSkinData::DoFormSkin(HWND, const cl::AnsiString& aName, bool& DoSkin)
{
    if (OnFormSkin) {
        OnFormSkin(this, aName, DoSkin);
        return;
    }
    if (aName == "SysMonthCal32") DoSkin = false;
    else if (Has(xcFastReport) && aName.rfind("Tfr", 0) == 0) DoSkin = false;
}

void TSkinData::DoSkinChanged()
{
    // A copy: the handler may free this component and with it the event.
    const cl::TNotifyEvent handler = OnSkinChanged;
    if (handler) handler(this);
}

void TSkinData::ShowCaptionHint(const RECT& Rect, const std::wstring& Text)
{
    if (!Has(xoCaptionButtonHint) || HintShown) return;
    RECT r = HintWindow.CalcHintRect(500, Text);
    OffsetRect(&r, Rect.left, Rect.top);
    HintWindow.ActivateHint(r, Text);
    HintShown = true;
}

void TSkinData::HideCaptionHint()
{
    if (!HintShown) return;
    HintWindow.Hide();
    HintShown = false;
}

} // namespace skin
