// The vertical bar of a combo box's drop-down list: painted from the skin straight into the
// list's frame, its thumb dragged by the skin itself and reported as WM_VSCROLL.
#pragma once

#include "skin/controls/ScrollBars.h"

namespace skin {

class TComboxScrollBar : public TSkinControl {
    CL_CLASS(TComboxScrollBar)
public:
    explicit TComboxScrollBar(cl::TComponent* owner);
    bool BeforeProc(cl::TMessage& m) override;
    void AfterProc(cl::TMessage& m) override;
    void Paint(HDC dc, const RECT& rect) override;

    // Drags the thumb under a press at the screen point; false when the press is not on
    // the thumb (the platform handles arrows and paging).
    bool TrackThumb(POINT screen);

    int ArrowSize = 0;
    // A tracking loop ends when the idle wait passes this without any message.
    static constexpr DWORD kTrackIdleMs = 30000;

private:
    bool tracking_ = false;
};

} // namespace skin
