// The edit box skin: a flat frame in the skin's shadow colour around a bordered edit, and
// the skin of an up-down control inside it.
#pragma once

#include "skin/engine/SkinControl.h"

namespace skin {

class TSkinEdit : public TSkinControl {
    CL_CLASS(TSkinEdit)
public:
    using TSkinControl::TSkinControl;
    void AfterProc(cl::TMessage& m) override;
    void Paint(HDC dc, const RECT& rect) override;

private:
    void PrintFrame(HDC dc);
    bool upDownSkinned_ = false; // its skin is owned like this one, by the edit (or its owner)
};

// Answered by an edit skin: wParam a DC to paint the edit into, lParam SKIN_MAGIC.
constexpr UINT WM_SKIN_PAINT_EDIT_DC = 0xBC4A;

} // namespace skin
