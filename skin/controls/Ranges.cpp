// Range control skins.
#include "skin/controls/Ranges.h"

#include "skin/ImgUtilWin.h"
#include "skin/SkinDraw.h"
#include "skin/controls/ControlDraw.h"
#include "skin/engine/SkinData.h"

#include <commctrl.h>

namespace skin {

const cl::TClass& TSkinProgress::StaticClass()
{
    return cl::DefineClass<TSkinProgress, TSkinControl>("TSkinProgress");
}

int ProgressFilledRight(int left, int width, int pos, int low, int high)
{
    if (high <= 0 || pos <= 0 || high == low) return left;
    return left + MulDiv(width, pos - low, high - low);
}

bool TSkinProgress::BeforeProc(cl::TMessage& m)
{
    const TDataSkinBorder* progress = SkinData ? SkinData->Progress.get() : nullptr;
    switch (m.Msg) {
    case WM_PAINT:
        if (!progress || !progress->HasImage()) return true;
        PaintMessage(*this, m);
        return false;
    case WM_ERASEBKGND: m.Result = 1; return false;
    default: return TSkinControl::BeforeProc(m);
    }
}

void TSkinProgress::Paint(HDC dc, const RECT& rect)
{
    const TDataSkinBorder* progress = SkinData ? SkinData->Progress.get() : nullptr;
    if (!progress || !progress->HasImage()) return;
    // Drawing of the chunk style (Style 1) is not built yet: such skins get the two-frame bar.
    const bool vertical = (GetWindowLongX(Handle, GWL_STYLE) & PBS_VERTICAL) != 0;
    int w = rect.right - rect.left, h = rect.bottom - rect.top;
    if (w <= 0 || h <= 0) return;
    if (vertical) std::swap(w, h);
    cl::TBitmap bar;
    bar.SetPixelFormat(cl::pf24bit);
    bar.SetSize(w, h);
    const HDC b = bar.Canvas()->Handle();
    const RECT R{0, 0, w, h};
    FillFace(b, R);
    auto frame = [&](const RECT& r, int k) {
        if (r.right <= r.left) return;
        auto built = MakeNinePartBitmap(r, *progress->Bitmap, progress->Margins(), false, progress->Tile == 1, 2, k);
        if (built) DrawTransparent(b, r, *built, Magenta);
    };
    frame(R, 1);
    const int pos = static_cast<int>(SendMessageW(Handle, PBM_GETPOS, 0, 0));
    const int high = static_cast<int>(SendMessageW(Handle, PBM_GETRANGE, FALSE, 0));
    const int low = static_cast<int>(SendMessageW(Handle, PBM_GETRANGE, TRUE, 0));
    const int filled = ProgressFilledRight(R.left, w, pos, low, high);
    if (filled > R.left) frame(RECT{R.left, R.top, filled, R.bottom}, 2);
    if (vertical) RotateLeft(bar);
    BitBlt(dc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, b, 0, 0, SRCCOPY);
}

} // namespace skin
