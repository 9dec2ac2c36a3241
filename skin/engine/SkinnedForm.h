// TSkinnedForm skins one window for the skin manager: a form of this module (its owner and
// form control) or a raw window (any other window, forms of the other deliverable too).
// Set-up records the window's style and frame and subclasses it; its window procedure
// takes over the non-client messages (frame size, hit tests, activation, painting) and the
// engine's private messages; frame painting draws the skin's borders and caption and gives
// the window the skin's shape as its region.
#pragma once

#include "skin/engine/CaptionObjects.h"
#include "skin/engine/FrameImages.h"
#include "skin/engine/FrameLayout.h"
#include "skin/engine/MenuBar.h"
#include "skin/engine/SkinData.h"

#include "classlib/Controls.h"
#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"
#include "classlib/Graphics.h"
#include "classlib/Menus.h"
#include "classlib/WinHandle.h"

#include <windows.h>

#include <memory>
#include <optional>
#include <vector>

namespace skin {

class TSkinControl;

// Skin states of a skinned window.
enum TSkinState { ssNotSkinned = 0, ssSkinned = 1, ssRefreshing = 3, ssUnskinning = 4, ssSizing = 5, ssReleased = 6 };
enum TWindowState : std::uint8_t { wsNormal = 0, wsMaximized = 1, wsMinimized = 2 };
enum TWindowKind : std::uint8_t { wkOrdinary = 0, wkMDIFrame = 1, wkMDIChild = 2 };

class TSkinnedForm : public cl::TComponent {
    CL_CLASS(TSkinnedForm)
public:
    explicit TSkinnedForm(cl::TComponent* owner);
    // Leaves the manager's list; frees the companions and the region.
    ~TSkinnedForm() override;

    // Skins a form of this module: its WindowProc is taken over too, its colour set to the
    // skin's ButtonFace.
    void AttachForm(TSkinData& data, cl::TCustomForm& form);
    // Skins a raw window.
    void AttachWindow(TSkinData& data);
    // The common set-up; runs once.
    void SetupWindow(TSkinData& data);

    // Frame widths from the skin; nothing while the skin is empty.
    void BuildCaptionObjects();
    // Frees the caption buttons (a menu-bar item stays the hot object).
    void FreeCaptionObjects();
    void ReadFrameSizes();
    std::wstring ReadWindowTextW() const;
    cl::AnsiString ReadWindowTextA() const;
    void ReadWindowState();
    // Gives the window a size that fits the skin's frame around its client area.
    void ClientLayout(bool KeepClient);
    void ApplyColours();
    void AfterSkin();

    // Removes the skin and gives the window its frame back (the manager's unskin action).
    void Unskin();
    // Puts the old procedures back (WM_NCDESTROY, or the manager dropping every window).
    void Unhook();

    void PaintFrame(HDC dc);
    void PaintBorderPart(int index, const RECT& rect, HDC dc);
    void PaintCaption(HDC dc);
    void PaintTitleText(cl::TCanvas& canvas, const RECT& area);
    // The window's text as the title shows it, without the prefix and suffix.
    std::wstring TitleText() const;
    void BuildRegion();
    void FreeRegion();
    void SetSysMenuStyle(bool strip);

    // Child windows of a raw window, by the raw-child table.
    void SkinChildWindows(HWND parent);
    void SkinChildWindow(HWND window);
    // Companions of a form's controls, by class and by the skin's Skin3rd lines.
    void SkinFormControls();
    void SkinChildControls(cl::TWinControl& parent);
    void SkinControl(cl::TWinControl& control, cl::TWinControl* container);
    bool SkinThirdParty(const cl::AnsiString& upperClass, cl::TWinControl& control);
    // Every owned control, with owner as container; then, with xcPopupMenu, the owned
    // popup menus switch to owner-drawn.
    void SkinOwnedControls(cl::TComponent& owner);
    // The popup menus owned by Owner (and by the forms it owns) drawn by the skin, or given
    // their own drawing back; with xcPopupMenu, and not for a menu tagged DisableTag.
    void SetMenusOwnerDraw(cl::TComponent& Owner, bool On);
    // The main menus owned by Owner: owner-drawn, their items below the top level drawn by
    // the skin unless they draw themselves; or given their own drawing back.
    void SetMainMenusOwnerDraw(cl::TComponent& Owner, bool On);
    // The buttons of a radio or check group: radio or check skins, or glyph skins.
    void SkinGroupButtons(cl::TWinControl& group, bool radio, bool glyphs);
    // The control answers the skin query or already has a companion here.
    bool HasControlSkin(cl::TWinControl& control) const;
    // Windowless controls among owner's components: speed buttons by the Skin3rd lines.
    void SkinGraphicControls(cl::TComponent& owner);
    void AttachChildSkin(HWND window, TChildSkin kind);
    // Companions of the window's controls.
    bool AddControlSkin(TSkinControl& control); // true when already listed
    void RemoveControlSkin(TSkinControl& control);
    TSkinControl* FindControlSkin(HWND window) const;
    void FreeReleasedControls();
    void FreeControlSkins();

    static void RepaintWindow(HWND window);

    // Caption buttons.
    bool IsButtonVisible(int Index);
    void PlaceCaptionButtons();
    void PaintCaptionButtons(cl::TCanvas& canvas);
    void PaintCaptionButton(TSkinSysButton& Button, int Frame);
    void DrawWindowIcon(HDC DC, const RECT& Rect);
    void MakeIconBitmap();
    // The program's icon that the system-menu button shows, or null (the icon bitmap then).
    static HICON ProgramIcon();
    TSkinSysButton* ButtonAt(POINT Point) const;
    void CaptionButtonAction(int X, int Y);
    static std::wstring ButtonHint(int Action);
    void HoverTimer();
    void PopupSystemMenu(POINT Point);
    void PopupCaptionMenu();
    void CreateCaptionMenu();
    // Picks are posted to the window given, whatever became of its skin meanwhile.
    static void CaptionMenuClick(HWND Target, cl::TObject* Sender);
    void CreateSystemMenu();
    void CreateFixedSystemMenu();
    // The skin's item drawing and measuring as the item's events.
    void SkinMenuItemEvents(cl::TMenuItem& Item);
    static void SystemMenuClick(HWND Target, cl::TObject* Sender);
    void FixedSystemMenuClick(cl::TObject* Sender);
    void ToggleMaximize();
    void ToggleMinimize();
    void RestoreWindow();
    bool CanClose() const;
    // The caption objects again, one per caption button of the skin.
    void BuildCaptionObjectList();

    // Menu bar.
    TSkinnedMenuBar* MenuBar() const { return menuBar_.get(); }
    // Posts the item's command and tracks its drop-down; false when it has none, or when
    // this object was freed while the drop-down was open (the caller must not touch it).
    bool OpenMenuBarItem(TMenuBtn* Item);
    // Posts a press one pixel inside the item, which opens it.
    void ClickMenuBarItem(TMenuBtn* Item);
    void MenuBarClick(cl::TMessage& m);
    TMenuBtn* FindAccelItem(char Character) const;
    void DialogChar(cl::TMessage& m);
    // An MDI frame's client runs through MDIClientWndProc while the frame is skinned.
    void SubclassMDIClient();
    void UnsubclassMDIClient();
    // An MDI frame whose active child is maximised.
    bool ActiveMDIChildMaximized() const;
    HWND MDIClient = nullptr;
    // A screen point relative to the window's top-left corner.
    POINT ScreenToWindow(int x, int y) const;
    bool InMenuLoop = false;

    std::vector<std::unique_ptr<TSkinSysButton>> CaptionObjects;
    TNCObject* HotObject = nullptr; // cleared whenever caption objects or bar items are rebuilt
    // The control skin of a raw window that last saw the mouse move over it.
    TSkinControl* HotControlSkin = nullptr;
    int SmallIconSize = 16;
    cl::TPopupMenu* CaptionMenu() const { return captionMenu_.get(); }
    cl::TPopupMenu* SystemPopupMenu() const { return systemPopup_.get(); }
    cl::TTimer* HoverTimerControl() const { return hoverTimer_.get(); }

    HWND Window = nullptr;
    cl::AnsiString ClassName; // as the manager saw it
    cl::TCustomForm* FormControl = nullptr;
    TSkinData* SkinData = nullptr;
    int SkinState = ssNotSkinned;
    bool Initialised = false;
    bool Active = true;
    bool FrameSkinning = false;
    TFrameWidths Frame;
    int MenuBarHeight = 0;
    int StdFrameWidth = 0, StdFrameHeight = 0;
    RECT ClientRectangle{};
    RECT WindowRectangle{};
    RECT TitleTextRect{};
    RECT TitleBandRect{};
    int WindowWidth = 0, WindowHeight = 0;
    int RegionWidth = 0, RegionHeight = 0;
    int CaptionObjectCount = 0;
    int RightButtonReserve = 0;
    TWindowKind WindowKind = wkOrdinary;
    TBorderKind BorderKind = bkFixed;
    unsigned StyleFlags = 0;
    TWindowState WindowState = wsNormal;
    bool RightToLeft = false;
    bool Sizeable = false;
    bool UnicodeWindow = false;
    bool DialogAutoWidth = false;
    bool ChildWindow = false;
    DWORD Style = 0;
    HWND OwnerWindow = nullptr;
    HMENU SystemMenu = nullptr;
    bool SavedMenuUpdate = false;
    bool RegionOwned() const { return region_ != nullptr; }
    HRGN Region() const { return region_; }
    const std::vector<TSkinControl*>& ControlSkins() const { return controlSkins_; }

private:
    void SkinWndProc(cl::TMessage& m);
    bool SecondStage(cl::TMessage& m);
    void ThirdStage(cl::TMessage& m, bool handled);
    void FormWindowProc(cl::TMessage& m);
    void CallOldWndProc(cl::TMessage& m);
    void OnSkinInit();
    void OnSize(cl::TMessage& m);
    void OnSysCommand(cl::TMessage& m);
    void OnNcCalcSize(cl::TMessage& m);
    void OnNcHitTest(cl::TMessage& m);
    void OnNcPaint(cl::TMessage& m);
    void OnNcActivate(cl::TMessage& m);
    // CM_MENUCHANGED: a menu the window shows again goes to the skinned bar.
    void OnMenuChanged(cl::TMessage& m);
    void MDIClientWndProc(cl::TMessage& m);
    void CallOldMDIClientProc(cl::TMessage& m);
    // WM_MEASUREITEM and WM_DRAWITEM of menu items; false for default handling.
    bool OnMenuItemMessage(cl::TMessage& m);
    void FrameRefresh();
    void RemoveProcedures();
    // Lets go of the caption and system menus.
    void ReleaseMenus();
    void UnskinPlain();
    // The form's menus given their own drawing back.
    void PlainMenus();
    bool MaximisedMDIChild() const { return WindowKind == wkMDIChild && WindowState == wsMaximized; }
    HBRUSH FormBrush() const;
    bool OnNcMouse(cl::TMessage& m);
    void StartHoverTimer();
    void StopHoverTimer();
    // The hot control skin hears that the mouse left it and is hot no longer.
    void LeaveHotControlSkin();
    void HideHint();
    void MDIChildCommand(WPARAM command);
    // Gives the window its menu back and frees the bar.
    void FreeMenuBar();
    // Frame painting: the border part's image as kept, the caption buffer composed anew,
    // and what the composed buffer depends on now.
    const TDataSkinBorder* BorderObject(int index) const;
    cl::TBitmap* BorderImage(int index, int w, int h);
    bool ComposeCaption(HDC dc);
    TCaptionKey CaptionKey() const;
    std::vector<TCaptionButtonKey> CaptionButtonKeys() const;
    // Forgets the kept frame images: the skin, its colours or the caption objects changed,
    // or the window was hidden.
    void ForgetFrameImages();

    std::unique_ptr<cl::TWindowSubclass> subclass_;
    std::unique_ptr<cl::TWindowProcHook> formHook_;
    std::unique_ptr<cl::TWindowSubclass> mdiClientSubclass_;
    std::unique_ptr<cl::TFont> titleFont_;
    std::unique_ptr<cl::TBitmap> captionBuffer_;
    TBorderImages borderImages_;
    TCaptionKey captionKey_; // what captionBuffer_ holds; not valid when it must be composed again
    std::vector<TSkinControl*> controlSkins_;
    std::optional<TColor> savedColor_;
    HRGN region_ = nullptr; // the window's once set; ours to delete when replaced or unskinned
    std::wstring titlePrefix_ = L" ", titleSuffix_ = L"  ";
    std::unique_ptr<cl::TBitmap> iconBitmap_;
    unsigned iconVersion_ = 0; // counts the icon bitmaps made
    // The program's icon copied at the small-icon size, and the icon and size it was copied from.
    cl::IconHandle iconCopy_;
    HICON iconCopySource_ = nullptr;
    int iconCopySize_ = 0;
    // Shared with the Popup call while a menu is open.
    std::shared_ptr<cl::TPopupMenu> captionMenu_, systemPopup_;
    std::unique_ptr<cl::TTimer> hoverTimer_;
    std::unique_ptr<TSkinnedMenuBar> menuBar_;
    DWORD lastSystemMenuTick_ = 0;
    DWORD doubleClickTime_ = GetDoubleClickTime(); // as the user had it when the window was skinned
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true); // false once freed
};

} // namespace skin
