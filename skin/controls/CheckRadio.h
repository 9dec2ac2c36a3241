// Check box and radio button skins: the glyph from the skin's check or radio strip and,
// for class-library controls, the background and the caption with its focus rectangle.
// A raw window keeps its own painting and gets the glyph drawn over it.
#pragma once

#include "skin/engine/SkinControl.h"

namespace skin {

class TSkinCheckBox : public TSkinControl {
    CL_CLASS(TSkinCheckBox)
public:
    using TSkinControl::TSkinControl;
    void InitControl(TSkinnedForm* form, TSkinData* data, bool colourControl, cl::TCanvas* canvas) override;
    bool BeforeProc(cl::TMessage& m) override;
    void AfterProc(cl::TMessage& m) override;
    void Paint(HDC dc, const RECT& rect) override;

    int LastCheck = 0; // BM_SETCHECK's wParam + 1 once one came
    bool Transparent = false;

protected:
    virtual bool Radio() const { return false; }
    // The strip's frame for the control's check state now.
    int FrameNow(int frames);
};

class TSkinRadioButton : public TSkinCheckBox {
    CL_CLASS(TSkinRadioButton)
public:
    using TSkinCheckBox::TSkinCheckBox;

protected:
    bool Radio() const override { return true; }
};

} // namespace skin
