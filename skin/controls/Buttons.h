// Push-button skins: drawn from the skin's "Buttons" strip (normal, pressed, disabled,
// hot, focused or default). The skin takes the press itself, so the button's own
// procedure never captures the mouse; the click follows the release over the button.
#pragma once

#include "skin/engine/SkinControl.h"

namespace skin {

// Tag that makes a button draw its parent's background behind its frame.
constexpr std::int32_t SeeThroughTag = 5555;

class TSkinButton : public TSkinControl {
    CL_CLASS(TSkinButton)
public:
    using TSkinControl::TSkinControl;
    void InitControl(TSkinnedForm* form, TSkinData* data, bool colourControl, cl::TCanvas* canvas) override;
    bool BeforeProc(cl::TMessage& m) override;
    void AfterProc(cl::TMessage& m) override;
    void Paint(HDC dc, const RECT& rect) override;

    bool SeeThrough = false;

protected:
    // The click after a release over the button.
    void Click();
    cl::TBitmap bitmap_; // every paint is composed here and copied in one blit
};

} // namespace skin
