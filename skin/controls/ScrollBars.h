// Scroll-bar skins. The platform's own scroll bars keep working underneath: an overlay
// window (TWScrollbar) lies exactly over each bar, paints the skin's images and forwards
// clicks to the bar below. TSkinScrollbar owns the two overlays of a scrolling control
// (TSkinListView also of a list view), TSkinScControl the one of a scroll-bar control,
// TSkinScrollbarH the two of a raw window.
#pragma once

#include "skin/controls/ScrollGeometry.h"
#include "skin/engine/SkinControl.h"

#include "classlib/ExtCtrlsPanels.h"

#include <cstdint>
#include <memory>

namespace skin {

class TSkinHeader;

class TWScrollbar : public cl::TCustomPanel {
    CL_CLASS(TWScrollbar)
public:
    // Kinds: a window's horizontal bar, its vertical bar, a scroll-bar control.
    enum TKind { kHorizontal = 0, kVertical = 1, kControl = 2 };

    explicit TWScrollbar(cl::TComponent* owner);
    ~TWScrollbar() override;

    // Binds to a class-library control; the overlay joins the control's parent.
    void SetControl(TSkinControl* skin, cl::TWinControl* control, int kind);
    // Binds to a raw window; the overlay becomes a child of the window's parent.
    void SetHwnd(TSkinControl* skin, HWND window, int kind);
    void HideBar();
    // Follows the bar: placed over it and shown, or hidden with it.
    void UpdatePosition();
    // The part code of a point in the overlay.
    int HitTest(POINT p) const;
    // Draws the bar into dc, the overlay's client area at the origin.
    void PaintTo(HDC dc);
    // The thumb under the cursor while it is dragged.
    void TrackThumb();
    // The bar as positioned and painted; false when it cannot be known.
    bool GetBarInfo(SCROLLBARINFO& info);
    // A scroll-bar control's bar from its Position, Min, Max and PageSize.
    bool GetControlInfo(SCROLLBARINFO& info);

    int TrackLength = 0;
    TThumbSpan Thumb;
    POINT BarOrigin{};
    POINT PressCursor{};
    int PressThumbStart = 0;
    bool PressedFlag = false;
    int Orientation = 0; // 0 horizontal, 1 vertical
    int HotPart = spNone;
    int ArrowSize = 0;
    HWND Target = nullptr;
    cl::TWinControl* TargetControl = nullptr;
    TSkinControl* OwnerSkin = nullptr;
    int Kind = kHorizontal;
    RECT BarRect{}; // in the target's client coordinates
    bool BarVisible = false;

protected:
    void CreateParams(cl::TCreateParams& params) override;
    void Paint() override;
    void WndProc(cl::TMessage& m) override;

private:
    void ForwardPress(cl::TMessage& m);
    void ForwardRelease(cl::TMessage& m);
    bool Vertical() const { return Orientation == 1; }
    HWND parentWindow_ = nullptr; // the parent of a raw target
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true); // false once freed
};

class TSkinScrollbar : public TSkinControl {
    CL_CLASS(TSkinScrollbar)
public:
    explicit TSkinScrollbar(cl::TComponent* owner);
    ~TSkinScrollbar() override;

    // Attaches to a scrolling control; the canvas is only passed on to a list view's header.
    virtual void InitScrollbar(cl::TWinControl* control, TSkinData* data, TSkinnedForm* form, cl::TCanvas* canvas);
    void Unsubclass() override;
    bool BeforeProc(cl::TMessage& m) override;
    void AfterProc(cl::TMessage& m) override;
    void Paint(HDC dc, const RECT& rect) override;
    void SkinChange() override;

    TWScrollbar* HBar = nullptr;
    TWScrollbar* VBar = nullptr;
    bool Border = false; // a two-pixel frame drawn over the control's border
    bool SingleBar = false; // set before InitScrollbar: only the vertical bar is overlaid

protected:
    void Notification(cl::TComponent& component, cl::TOperation operation) override;

private:
    void TakeFixedColor();
    void DrawBorder(HDC dc);
    void FreeBars();
    bool restoreFixed_ = false;
    std::int64_t savedFixed_ = 0;
};

class TSkinListView : public TSkinScrollbar {
    CL_CLASS(TSkinListView)
public:
    using TSkinScrollbar::TSkinScrollbar;
    ~TSkinListView() override;
    void InitScrollbar(cl::TWinControl* control, TSkinData* data, TSkinnedForm* form, cl::TCanvas* canvas) override;
    HWND Header = nullptr;
    TSkinHeader* HeaderSkin = nullptr; // same owner; goes with this skin

protected:
    void Notification(cl::TComponent& component, cl::TOperation operation) override;
};

class TSkinScControl : public TSkinControl {
    CL_CLASS(TSkinScControl)
public:
    using TSkinControl::TSkinControl;
    ~TSkinScControl() override;
    void InitScControl(cl::TWinControl* control, TSkinData* data, TSkinnedForm* form, cl::TCanvas* canvas);
    void Unsubclass() override;
    void AfterProc(cl::TMessage& m) override;
    void Paint(HDC dc, const RECT& rect) override;

    TWScrollbar* Bar = nullptr;

protected:
    void Notification(cl::TComponent& component, cl::TOperation operation) override;
};

class TSkinScrollbarH : public TSkinControl {
    CL_CLASS(TSkinScrollbarH)
public:
    using TSkinControl::TSkinControl;
    ~TSkinScrollbarH() override;
    void InitHwnd(HWND window, TSkinData* data, TSkinnedForm* form, cl::TCanvas* canvas) override;
    void Unsubclass() override;
    void AfterProc(cl::TMessage& m) override;
    void Paint(HDC dc, const RECT& rect) override;

    TWScrollbar* HBar = nullptr;
    TWScrollbar* VBar = nullptr;

protected:
    void Notification(cl::TComponent& component, cl::TOperation operation) override;
};

// The skin's bar thickness: the "Scrollbar" strip's height, unless that is more than 2
// pixels from the arrow size.
int ScrollBarThickness(TSkinData& data, int arrow);
// The skin has the "Scrollbar" strip every bar is drawn from.
bool HasScrollBarStrip(const TSkinData* data);

// Draws a window's bar (kind 0 or 1) or a control's bar from the skin into dc: the track,
// both arrows and, when enabled, the thumb at `thumb` with its grip. r is the bar at
// the origin, its cross extent already the skin's thickness.
void DrawScrollBar(HDC dc, TSkinData& data, RECT r, bool vertical, bool enabled, int arrow, int thickness,
                   const TThumbSpan& thumb, int hotPart, bool pressed, int overlayLength);

} // namespace skin
