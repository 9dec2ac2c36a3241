// The loaded skin: description objects (named multi-frame bitmaps with margins and flags)
// and the skin members of the skin component that hold them, filled by ReadSkin from an
// opened container and its parsed description.
#pragma once

#include "skin/ImgUtil.h"
#include "skin/QuickIni.h"
#include "skin/SkinReader.h"
#include "skin/SkinRules.h"

#include "classlib/Graphics.h"
#include "classlib/WinHandle.h"

#include <array>
#include <memory>
#include <vector>

namespace skin {


// A skin element: frames side by side (or stacked, as the painter decides) in Bitmap,
// margins kept unstretched.
class TDataSkinObject {
public:
    explicit TDataSkinObject(const cl::AnsiString& name);
    virtual ~TDataSkinObject();
    TDataSkinObject(const TDataSkinObject&) = delete;
    TDataSkinObject& operator=(const TDataSkinObject&) = delete;

    RECT Margins() const { return {LeftWidth, TopHeight, RightWidth, BottomHeight}; }
    bool HasImage() const; // Bitmap not empty

    int LeftWidth = 0;
    int TopHeight = 0;
    int RightWidth = 0;
    int BottomHeight = 0;
    std::unique_ptr<cl::TBitmap> Bitmap;
    int Trans = 0;
    int Tile = 0;
    cl::AnsiString Name;
    int Frame = 0;
    int Style = 0;
    TColor NormalColour = -1;
    TColor MouseOverColour = -1;
    TColor PressedColour = -1;
    TColor NormalColour2 = 0;
    TColor MouseOverColour2 = 0;
    TColor PressedColour2 = 0;
};

class TDataSkinBorder : public TDataSkinObject {
public:
    explicit TDataSkinBorder(const cl::AnsiString& name);
    ~TDataSkinBorder() override;
    std::unique_ptr<cl::TBitmap> Bitmap2;
};

class TDataSkinTitle : public TDataSkinObject {
public:
    static constexpr TColor NotGiven = 0x1FFFFFFF;
    using TDataSkinObject::TDataSkinObject;
    int TextAlignment = 0;
    int Textbackground = 0;
    int FontHeight = 0;
    int TXTBackleft = 0;
    int TXTBackRight = 0;
    TColor ActiveTextColor = NotGiven;
    TColor InActiveTextColor = NotGiven;
};

class TDataSkinButton : public TDataSkinObject {
public:
    explicit TDataSkinButton(const cl::AnsiString& name);
    ~TDataSkinButton() override;
    std::unique_ptr<cl::TBitmap> CheckBitmap;
    std::unique_ptr<cl::TBitmap> RadioBitmap;
    int RadioFrames = 0;
    int CheckFrames = 0;
    bool HasNormalColour2 = false;
    bool HasMouseOverColour2 = false;
    bool HasPressedColour2 = false;
};

class TDataSkinSysButton : public TDataSkinObject {
public:
    using TDataSkinObject::TDataSkinObject;
    int Action = 0;
    int Align = 0;
    int XCoord = 0;
    int YCoord = 0;
    int CombineOp = 0;
    int Visibility = 0;
    int Visibility1 = 0;
};

class TDataSkinBoxLabel : public TDataSkinObject {
public:
    using TDataSkinObject::TDataSkinObject;
    int BackgroundLeftShift = 0;
    int BackgroundRightShift = 0;
    int BackgroundAlignment = 0;
};

// Indexes of TSkinObjects::Colors.
enum TSkinColor {
    scWindowText = 0, scTitleTextActive = 1, scTitleTextNoActive = 2, scButtonFace = 3, scButtonText = 4,
    scButtonHilight = 5, scButtonlight = 6, scButtonShadow = 7, scButtonDkShadow = 8, scHilightText = 11,
    scHilight = 12, scMenubar = 13, scMenuBarText = 14, scMenuText = 15, scMenu = 16, scScrollbar = 18,
    scColorCount = 19
};

// The skin members of the skin component, which derives from this class. The borders,
// Title and Buttons always exist; every other object is null when the skin lacks it.
class TSkinObjects {
public:
    TSkinObjects();
    virtual ~TSkinObjects();
    TSkinObjects(const TSkinObjects&) = delete;
    TSkinObjects& operator=(const TSkinObjects&) = delete;

    enum TSkinFileResult { sfLoaded, sfNotASkin, sfNoDescription };
    // Opens a skin file and reads all of it into objects of its own, which then take the
    // place of these members. sfNotASkin or sfNoDescription, with the members untouched,
    // when the container cannot be opened or holds no ".ini" description. A damaged
    // stream (ElzhException), a bitmap over the budget (ESkinBitmapTooLarge) or a lack of
    // memory raises, and leaves the members untouched as well.
    TSkinFileResult OpenSkinFile(const std::vector<std::uint8_t>& file);
    bool LoadSkinFile(const std::vector<std::uint8_t>& file) { return OpenSkinFile(file) == sfLoaded; }
    // Reads every section into the members; clears Empty at the end. Meant for objects
    // that nothing draws from yet: a read that raises leaves them partly filled.
    void ReadSkin(const TSkinReader& reader, const TQuickIni& ini);
    // The bitmap of the container entry named by FileName's file part, when that ends in
    // ".bmp" and the entry holds a valid bitmap file; else an empty bitmap. Its pixels are
    // taken from budget first, which raises ESkinBitmapTooLarge for too many.
    static void LoadBitmap(const TSkinReader& reader, cl::TBitmap& Bitmap, const cl::AnsiString& FileName,
                           TBitmapBudget& budget);
    static TColor ParseColor(const cl::AnsiString& Text, TColor Default);

    std::unique_ptr<TDataSkinBorder> LeftBorder, RightBorder, TopBorder, BottomBorder;
    std::unique_ptr<TDataSkinTitle> Title;
    std::unique_ptr<TDataSkinButton> Buttons;
    std::vector<std::unique_ptr<TDataSkinSysButton>> CaptionButtons;
    std::unique_ptr<TDataSkinBorder> Progress;
    std::unique_ptr<TDataSkinObject> ProgressChunk;
    std::unique_ptr<TDataSkinObject> MenuBar;
    std::unique_ptr<TDataSkinObject> GroupBoxEdge;
    std::unique_ptr<TDataSkinBoxLabel> GroupBox;
    std::unique_ptr<TDataSkinBorder> Tabs;
    std::unique_ptr<TDataSkinObject> StatusBarEdges;
    std::unique_ptr<TDataSkinObject> TabPane;
    std::unique_ptr<TDataSkinObject> ToolBars;
    std::unique_ptr<TDataSkinBorder> ComboButton;
    std::unique_ptr<TDataSkinObject> SunkEdge;
    std::unique_ptr<TDataSkinObject> ExtraImages;
    std::unique_ptr<TDataSkinObject> Headerbar;
    std::unique_ptr<TDataSkinObject> MenuItem;
    std::unique_ptr<TDataSkinObject> MenuBackground;
    std::unique_ptr<TDataSkinObject> ScrollbarArrows;
    std::unique_ptr<TDataSkinObject> HorzScroll, VertScroll;
    std::unique_ptr<TDataSkinObject> HorzScrollThumb, VertScrollThumb;
    std::unique_ptr<TDataSkinObject> TrackThumbHorz, TrackThumbVert, TrackThumbLeft, TrackThumbRight, TrackThumbUp,
        TrackThumbDown;
    std::unique_ptr<TDataSkinBorder> UpDownHorz, UpDownVert;
    std::unique_ptr<TDataSkinObject> Track, TrackVert;
    std::unique_ptr<TDataSkinObject> ComboxArrow;
    std::unique_ptr<TDataSkinObject> Toolbar;

    std::array<TColor, scColorCount> Colors{};
    std::array<bool, scColorCount> ColorSet{};
    std::vector<TColor> ExtraColors;
    std::array<TColor, 10> CustomColors{};
    TColor FormColor = 0;
    cl::BrushHandle FormBrush;
    bool Empty = true;

protected:
    // Called once a new skin has been read whole, just before it replaces these members.
    virtual void SkinReplacing() {}

private:
    struct Reading;
    // Swaps every skin member with those of other.
    void SwapSkin(TSkinObjects& other);
    void ComposeCombo();
    void MakeComboArrow();
    void MakeToolbar();
};

} // namespace skin
