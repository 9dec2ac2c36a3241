// Skins of container-like controls: the status bar (redrawn from the skin, then its
// owner-drawn panels drawn by the program on top), the group box (a rounded frame with
// its caption on the face colour) and the panel (recoloured only; its messages untouched).
#pragma once

#include "skin/engine/SkinControl.h"

namespace skin {

class TSkinStatusBar : public TSkinControl {
    CL_CLASS(TSkinStatusBar)
public:
    using TSkinControl::TSkinControl;
    bool BeforeProc(cl::TMessage& m) override;
    void Paint(HDC dc, const RECT& rect) override;

private:
    enum TEdge { edLowered = 1, edRaised = 2, edNone = 3 };
    void DrawEdge(HDC dc, const RECT& rect, TEdge edge);
    cl::TBitmap work_;
};

class TSkinGroupBox : public TSkinControl {
    CL_CLASS(TSkinGroupBox)
public:
    using TSkinControl::TSkinControl;
    void InitControl(TSkinnedForm* form, TSkinData* data, bool colourControl, cl::TCanvas* canvas) override;
    bool BeforeProc(cl::TMessage& m) override;
    void Paint(HDC dc, const RECT& rect) override;
};

// Never enters the panel's message path: it only swaps the panel's colour for the skin's.
class TSkinBox : public TSkinControl {
    CL_CLASS(TSkinBox)
public:
    using TSkinControl::TSkinControl;
    void InitControl(TSkinnedForm* form, TSkinData* data, bool colourControl, cl::TCanvas* canvas) override;
    void AfterProc(cl::TMessage&) override {}
    void Unsubclass() override;
};

} // namespace skin
