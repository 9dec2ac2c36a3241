// The track bar skin: it answers the track bar's custom-draw notifications, drawing the
// channel from the skin's "Track" (or "TRACKVERT") image in three slices and the thumb
// from frame 2 of its five-frame strip, and lets the platform draw the ticks.
#pragma once

#include "skin/engine/SkinControl.h"

#include <commctrl.h>

namespace skin {

class TSkinTrackBar : public TSkinControl {
    CL_CLASS(TSkinTrackBar)
public:
    using TSkinControl::TSkinControl;
    bool BeforeProc(cl::TMessage& m) override;
    // Focus to the track bar and back, so it redraws with the new skin.
    void SkinChange() override;

    // The answer to one custom-draw notification.
    LRESULT CustomDraw(const NMCUSTOMDRAW& draw);

private:
    // False when the skin has no channel image: the platform draws the channel.
    bool DrawChannel(HDC dc);
    void DrawThumb(HDC dc);
};

} // namespace skin
