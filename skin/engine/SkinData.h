// The skin component a form carries to be skinned: the skin travels in its "SkinStream"
// property; loading reads it into the skin objects, registers with the module's skin
// manager and, for the main-form type, starts skinning through the manager's hook. It
// also holds the settings the rest of the engine consults, and a few helpers the window
// and control code shares.
#pragma once

#include "skin/SkinObjects.h"
#include "skin/engine/CaptionHint.h"
#include "skin/engine/ControlTables.h"

#include "classlib/Classes.h"
#include "classlib/Controls.h"
#include "classlib/Graphics.h"
#include "classlib/ImgList.h"
#include "classlib/Strings.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

namespace skin {

extern const cl::TEnumType SkinControlTypeType;

enum TSkinOption {
    xoMDIScrollbar, xoMenuMerge, xoTransparent, xoPreview, xoParentBackGround, xoNoFocusRect, xoToolbarBK,
    xoToolbarButton, xoMDIChildBorder, xoMenuBG, xoCaptionButtonHint, xoFormScrollbar
};
using TSkinOptions = unsigned; // bit (1 << TSkinOption)
extern const cl::TEnumType SkinOptionType;

enum TSkinFormType { sfMainform, sfOnlyThisForm, sfDialog, sfDLL };
extern const cl::TEnumType SkinFormTypeType;

class TSkinData;
using TOnFormSkin = std::function<void(cl::TObject* Sender, const cl::AnsiString& aName, bool& DoSkin)>;
using TOnSkinForm = std::function<void(cl::TObject* Sender, HWND ahwnd, const cl::AnsiString& aName)>;
using TOnSkinControl = std::function<void(cl::TComponent* Sender, TSkinData* SkinData, cl::TControl* Form,
                                          cl::TControl* Control, const cl::AnsiString& ControlClass,
                                          cl::TComponent*& SkinnedControl)>;

class TSkinData : public cl::TComponent, public TSkinObjects {
    CL_CLASS(TSkinData)
public:
    static constexpr const char* VersionText = "5.40.07.15";

    explicit TSkinData(cl::TComponent* owner);
    ~TSkinData() override;

    void Loaded() override;

    // Loads the skin in SkinStream; false when it is not a skin file or cannot be read
    // whole, which leaves the skin loaded before (or none) in place. A read that raised
    // (a damaged stream, bitmaps too large, no memory) says why in a message box.
    bool LoadSkin();
    // Re-applies a newly loaded skin to the windows already skinned.
    void SkinChanged();
    // The decision whether a window of class aName is skinned.
    void DoFormSkin(HWND Handle, const cl::AnsiString& aName, bool& DoSkin);
    void DoSkinChanged();

    bool Active() const { return active_; }
    void SetActive(bool active);
    std::int32_t DisableTag = 99;
    TSkinControlTypes SkinControls = 0;
    TSkinOptions Options = 0;
    cl::TStringList* Skin3rd() const { return skin3rd_.get(); }
    const cl::AnsiString& SkinFile() const { return skinFile_; }
    // At run time loads the named file and re-applies it; a file that is missing, no skin
    // or cannot be read whole keeps the skin in use and says why in a message box.
    void SetSkinFile(const cl::AnsiString& file);
    cl::AnsiString SkinStore() const;
    TSkinFormType SkinFormtype = sfMainform;
    cl::AnsiString Version() const { return VersionText; }
    bool MenuUpdate = true;
    bool MenuMerge = false;

    TOnFormSkin OnFormSkin;
    cl::TNotifyEvent OnSkinChanged;
    TOnSkinControl OnSkinControl;
    TOnSkinForm OnBeforeSkinForm;
    TOnSkinForm OnAfterSkinForm;

    bool Has(TSkinControlType member) const { return (SkinControls & Bit(member)) != 0; }
    bool Has(TSkinOption option) const { return (Options & Bit(option)) != 0; }

    // The skin file as it came (the "SkinStream" property holds its length, then it).
    std::vector<std::uint8_t> SkinStream;
    // The application's small icon on magenta, transparent.
    cl::TBitmap AppIcon;
    // The glyphs of the system menu's items, cut 16 pixels wide from "VELOURMENU", white
    // transparent.
    cl::TImageList MenuImages{nullptr};
    // The system's caption font.
    std::unique_ptr<cl::TFont> CaptionFont;
    // Cleared by the form window procedures around a menu change; frame painting tests it.
    bool FramePainting = true;
    // Set and advanced by the caption-button hover code.
    int HoverTime = 0;
    // The caption buttons' hint: shown at Rect's top-left when xoCaptionButtonHint is set
    // and no hint shows yet.
    TCaptionHint HintWindow;
    bool HintShown = false;
    void ShowCaptionHint(const RECT& Rect, const std::wstring& Text);
    void HideCaptionHint();

protected:
    void SkinReplacing() override;

private:
    // Why a load failed: in the result, or the text of what it raised.
    struct TSkinLoad {
        enum { slLoaded, slUnreadable, slNotASkin, slNoDescription, slFailed } result;
        cl::AnsiString why;
    };
    TSkinLoad LoadSkinFrom(const std::vector<std::uint8_t>& file);
    static cl::AnsiString Reason(const TSkinLoad& load);
    cl::TBytes StreamValue() const;
    void SetStreamValue(const cl::TBytes& value);
    void BuildAppIcon();

    bool active_ = false;
    std::unique_ptr<cl::TStringList> skin3rd_;
    cl::AnsiString skinFile_;
};

// The default rows of Skin3rd: class name, "=", kind.
const std::vector<const char*>& DefaultSkin3rd();

// user32's GetScrollBarInfo when present, else false.
bool SkinGetScrollBarInfo(HWND wnd, LONG objectId, SCROLLBARINFO& info);
bool HasGetScrollBarInfo();
// Asks for WM_MOUSELEAVE through TrackMouseEvent when user32 has it.
void SkinTrackMouseLeave(HWND wnd);
// 8-bit text in the system's ANSI code page, as UTF-16.
std::wstring AnsiToWide(const cl::AnsiString& text);
// DrawTextW with the text's length (the platform is NT).
int SkinDrawText(HDC dc, const std::wstring& text, RECT& rect, UINT format);
// The whole text for count -1, else its first count characters.
std::wstring WideCopy(const std::wstring& text, int count);
// The class-library control of a window of this module and thread, or null.
cl::TControl* ControlOfWindow(HWND wnd);

} // namespace skin
