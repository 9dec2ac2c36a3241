// The edit box skin: a flat frame in the skin's shadow colour around a bordered edit.
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
};

// Answered by an edit skin: wParam a DC to paint the edit into, lParam SKIN_MAGIC.
constexpr UINT WM_SKIN_PAINT_EDIT_DC = 0xBC4A;

} // namespace skin
