// Caption objects of a skinned window: everything in its caption area that reacts to the
// mouse. A caption button of the skin (TSkinSysButton) or an item of the skinned menu bar
// (TMenuBtn, MenuBar.h) moves between normal, hot and pressed; the window keeps the one
// hot object.
#pragma once

#include "skin/SkinObjects.h"

#include "classlib/Classes.h"

#include <windows.h>

namespace skin {

class TSkinnedForm;

enum TNCObjectState { osNormal = 1, osHot = 2, osPressed = 3 };

class TNCObject : public cl::TObject {
    CL_CLASS(TNCObject)
public:
    explicit TNCObject(TSkinnedForm& form) : Form(form) {}

    // The mouse came over the object: the previous hot object leaves, this one turns hot.
    virtual void Enter();
    // A press on the hot object.
    virtual void Down();
    // A press on an object that is not hot yet: it turns hot and pressed at once.
    virtual void EnterDown();
    // The mouse went away: no hot object; the caption hint goes too.
    virtual void Leave();
    virtual void Paint() {}

    TSkinnedForm& Form;
    RECT Rect{}; // window-relative
    bool Enabled = true; // reacts to the mouse
    int State = osNormal;
    bool FromSkin = false;

protected:
    void SetState(int state);
};

class TSkinSysButton : public TNCObject {
    CL_CLASS(TSkinSysButton)
public:
    TSkinSysButton(TSkinnedForm& form, TDataSkinSysButton& data) : TNCObject(form), Data(&data) {}

    // Frame 1 normal, 3 hot, 2 pressed, painted straight onto the window.
    void Paint() override;
    // The release of a press: hot again.
    void Release();

    int Action() const { return Data->Action; }

    bool Visible = false;
    TDataSkinSysButton* Data;
};

} // namespace skin
