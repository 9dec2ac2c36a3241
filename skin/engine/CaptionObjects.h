// Caption objects of a skinned window: one per caption button of the skin, with its place,
// its flags and the frame it shows while the mouse is over it, pressing or gone.
#pragma once

#include "skin/SkinObjects.h"

#include <windows.h>

namespace skin {

class TSkinnedForm;

class TSkinSysButton {
public:
    TSkinSysButton(TSkinnedForm& form, TDataSkinSysButton& data) : Data(&data), form_(form) {}

    // Frame 3 (once), 2, 3 and 1, painted straight onto the window.
    void MouseHover();
    void Press();
    void Release();
    void Leave();

    int Action() const { return Data->Action; }

    RECT Rect{}; // window-relative
    bool Visible = false;
    bool Enabled = true;
    TDataSkinSysButton* Data;

private:
    void Show(int frame);

    TSkinnedForm& form_;
    int frame_ = 1;
};

} // namespace skin
