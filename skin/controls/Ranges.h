// Range control skins: the progress bar drawn from the skin's two-frame "Progress" image
// (empty frame, then the filled part over it), and the two buttons of an up-down control.
#pragma once

#include "skin/engine/SkinControl.h"

namespace skin {

class TSkinProgress : public TSkinControl {
    CL_CLASS(TSkinProgress)
public:
    using TSkinControl::TSkinControl;
    bool BeforeProc(cl::TMessage& m) override;
    void Paint(HDC dc, const RECT& rect) override;

private:
    // Style 1 skins: the chunk image repeated over the filled part of bar's bitmap.
    void PaintChunks(HDC bar, const RECT& R, int pos, int high);
};

class TSkinUpDown : public TSkinControl {
    CL_CLASS(TSkinUpDown)
public:
    using TSkinControl::TSkinControl;
    bool BeforeProc(cl::TMessage& m) override;
    void Paint(HDC dc, const RECT& rect) override;

    bool EditAttached = false; // lives inside an edit box: kept 3 pixels inside its frame
    bool Horizontal = false;
};

// The filled part's right edge: left + width * (pos - low) / (high - low); left itself
// while high or pos is not above 0.
int ProgressFilledRight(int left, int width, int pos, int low, int high);

} // namespace skin
