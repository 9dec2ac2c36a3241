// The track bar skin.
#include "skin/controls/TrackBar.h"

#include "skin/controls/ControlDraw.h"
#include "skin/engine/SkinData.h"
#include "skin/engine/SkinMessages.h"

#include "classlib/WinHandle.h"

namespace skin {

namespace {
int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

// No header lives in the first 64 KiB of an address space.
constexpr LPARAM LowestPointer = 0x10000;
} // namespace

const cl::TClass& TSkinTrackBar::StaticClass()
{
    return cl::DefineClass<TSkinTrackBar, TSkinControl>("TSkinTrackBar");
}

bool TSkinTrackBar::BeforeProc(cl::TMessage& m)
{
    if (m.Msg != WM_NOTIFY && m.Msg != cl::CN_NOTIFY) return TSkinControl::BeforeProc(m);
    // The reflected notification's number is also the skin's own WM_SKIN_DONE, whose
    // lParam is SKIN_MAGIC, not a header.
    if (m.LParam == SKIN_MAGIC || static_cast<ULONG_PTR>(m.LParam) < static_cast<ULONG_PTR>(LowestPointer)) return true;
    const auto* header = reinterpret_cast<const NMHDR*>(m.LParam);
    if (header->code != static_cast<UINT>(NM_CUSTOMDRAW)) return true;
    m.Result = CustomDraw(*reinterpret_cast<const NMCUSTOMDRAW*>(header));
    return false;
}

LRESULT TSkinTrackBar::CustomDraw(const NMCUSTOMDRAW& draw)
{
    if (draw.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
    if (draw.dwDrawStage != CDDS_ITEMPREPAINT) return CDRF_DODEFAULT;
    switch (draw.dwItemSpec) {
    case TBCD_THUMB: DrawThumb(draw.hdc); return CDRF_SKIPDEFAULT;
    case TBCD_CHANNEL: return DrawChannel(draw.hdc) ? CDRF_SKIPDEFAULT : CDRF_DODEFAULT;
    default: return CDRF_DODEFAULT; // the ticks, and anything else, are the platform's
    }
}

bool TSkinTrackBar::DrawChannel(HDC dc)
{
    if (!SkinData) return false;
    RECT r{};
    SendMessageW(Handle, TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(&r));
    const bool vertical = (GetWindowLongX(Handle, GWL_STYLE) & TBS_VERT) != 0;
    const TDataSkinObject* vert = SkinData->TrackVert.get();
    if (vertical && vert && vert->HasImage()) {
        // The platform reports a vertical channel lying down.
        r = RECT{r.top, r.left, r.bottom, r.right};
        cl::TBitmap& image = *vert->Bitmap;
        const int w = image.Width(), h = image.Height(), t = vert->TopHeight, b = vert->BottomHeight;
        const int x = w < Width(r) ? r.left + (Width(r) - w) / 2 : r.left;
        const HDC src = image.Canvas()->Handle();
        StretchBlt(dc, x, r.top, w, t, src, 0, 0, w, t, SRCCOPY);
        StretchBlt(dc, x, r.top + t, w, Height(r) - t - b, src, 0, t, w, h - t - b, SRCCOPY);
        StretchBlt(dc, x, r.bottom - b, w, b, src, 0, h - b, w, b, SRCCOPY);
        return true;
    }
    const TDataSkinObject* track = SkinData->Track.get();
    if (!track || !track->HasImage()) return false;
    cl::TBitmap& image = *track->Bitmap;
    const int w = image.Width(), h = image.Height(), left = track->LeftWidth, right = track->RightWidth;
    const int y = h < Height(r) ? r.top + (Height(r) - h) / 2 : r.top;
    const HDC src = image.Canvas()->Handle();
    StretchBlt(dc, r.left, y, left, h, src, 0, 0, left, h, SRCCOPY);
    StretchBlt(dc, r.left + left, y, Width(r) - left - right, h, src, left, 0, w - left - right, h, SRCCOPY);
    StretchBlt(dc, r.right - right, y, right, h, src, w - right, 0, right, h, SRCCOPY);
    return true;
}

void TSkinTrackBar::DrawThumb(HDC dc)
{
    if (!IsWindow(Handle) || !SkinData) return;
    RECT r{};
    SendMessageW(Handle, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&r));
    const bool vertical = (GetWindowLongX(Handle, GWL_STYLE) & TBS_VERT) != 0;
    TDataSkinObject* thumb = vertical && SkinData->TrackThumbVert && SkinData->TrackThumbVert->HasImage()
                                 ? SkinData->TrackThumbVert.get()
                                 : SkinData->TrackThumbHorz.get();
    if (thumb && thumb->HasImage()) {
        DrawStripFrameDC(dc, r, 5, 2, *thumb->Bitmap);
        return;
    }
    cl::PenHandle pen(CreatePen(PS_SOLID, 1, static_cast<COLORREF>(SkinColor(scButtonShadow))));
    cl::SelectGuard select(dc, pen.get());
    Rectangle(dc, r.left, r.top, r.right, r.bottom);
}

void TSkinTrackBar::SkinChange()
{
    const HWND previous = SetFocus(Handle);
    if (previous && previous != Handle) SetFocus(previous);
}

} // namespace skin
