// The header control skin (column headers, also a list view's): item backgrounds from the
// skin's "Headerbar" strip, the hot item under the mouse, icons and captions on top.
#pragma once

#include "skin/engine/SkinControl.h"

#include <commctrl.h>

#include <vector>

namespace skin {

// Where an item's icon and caption go in an item rectangle of width w and height h, for
// alignment 0 left, 1 right, 2 centre; iconW 0 when no icon is drawn.
struct THeaderContent {
    int iconX = 0, iconY = 0, textX = 0, textY = 0;
};
THeaderContent PlaceHeaderContent(int w, int h, int alignment, int iconW, int iconH, int textW, int textH);

class TSkinHeader : public TSkinControl {
    CL_CLASS(TSkinHeader)
public:
    using TSkinControl::TSkinControl;
    ~TSkinHeader() override;

    void InitControl(TSkinnedForm* form, TSkinData* data, bool colourControl, cl::TCanvas* canvas) override;
    void InitHwnd(HWND window, TSkinData* data, TSkinnedForm* form, cl::TCanvas* canvas) override;
    bool BeforeProc(cl::TMessage& m) override;
    void AfterProc(cl::TMessage& m) override;
    void Paint(HDC dc, const RECT& rect) override;

    std::vector<RECT> ItemRects; // each narrowed by 3 on the left and the right
    int HotItem = -1;

private:
    void DrawItem(HDC dc, int index, const RECT& r, HIMAGELIST images);
};

} // namespace skin
