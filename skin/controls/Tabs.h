// Tab skins from the skin's "Tabs" strip (frame 1 a normal tab, frame 2 the selected one):
// the platform's tab control in any of its four orientations (the tab strip composed
// lying down and turned for vertical ones, the page framed by the pane image), and the
// class library's old-style tab set, whose tabs hang below its line.
#pragma once

#include "skin/engine/SkinControl.h"

namespace skin {

class TSkinUpDown;

// Tab sides: 0 top, 1 bottom, 2 left, 3 right.
enum TTabOrientation { toTop = 0, toBottom = 1, toLeft = 2, toRight = 3 };
TTabOrientation TabOrientation(DWORD style);

class TSkinTab : public TSkinControl {
    CL_CLASS(TSkinTab)
public:
    using TSkinControl::TSkinControl;
    void InitControl(TSkinnedForm* form, TSkinData* data, bool colourControl, cl::TCanvas* canvas) override;
    void InitHwnd(HWND window, TSkinData* data, TSkinnedForm* form, cl::TCanvas* canvas) override;
    bool BeforeProc(cl::TMessage& m) override;
    void Paint(HDC dc, const RECT& rect) override;
    void SkinChange() override;

    // Copies of the skin's images, turned for the orientation.
    void LoadImages();
    // Skins the control's scroll arrows once; true while they are shown.
    bool SkinUpDown();

    TTabOrientation Orientation = toTop;
    TSkinUpDown* UpDown = nullptr; // owned by the tab control's owner

private:
    cl::TBitmap tabs_, pane_, strip_;
};

class TSkinTab31 : public TSkinControl {
    CL_CLASS(TSkinTab31)
public:
    using TSkinControl::TSkinControl;
    // Subclasses the owner's window rather than its WindowProc.
    void InitControl(TSkinnedForm* form, TSkinData* data, bool colourControl, cl::TCanvas* canvas) override;
    bool BeforeProc(cl::TMessage& m) override;
    void Paint(HDC dc, const RECT& rect) override;
    void SkinChange() override;

private:
    void LoadImage();
    cl::TBitmap tabs_; // the "Tabs" strip upside down
};

} // namespace skin
