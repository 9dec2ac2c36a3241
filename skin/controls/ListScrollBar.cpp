// A drop-down list's bar.
#include "skin/controls/ListScrollBar.h"

#include "skin/controls/ControlDraw.h"
#include "skin/engine/SkinData.h"

namespace skin {

namespace {

int RectWidth(const RECT& r) { return r.right - r.left; }
int RectHeight(const RECT& r) { return r.bottom - r.top; }

SCROLLBARINFO EmptyBarInfo()
{
    SCROLLBARINFO info{};
    info.cbSize = sizeof(SCROLLBARINFO);
    return info;
}

} // namespace

const cl::TClass& TComboxScrollBar::StaticClass()
{
    return cl::DefineClass<TComboxScrollBar, TSkinControl>("TComboxScrollBar");
}

TComboxScrollBar::TComboxScrollBar(cl::TComponent* owner) : TSkinControl(owner), ArrowSize(GetSystemMetrics(SM_CXHSCROLL))
{
}

bool TComboxScrollBar::BeforeProc(cl::TMessage& m)
{
    switch (m.Msg) {
    case WM_NCPAINT: return true;
    case WM_NCMOUSEMOVE: return m.WParam != HTHSCROLL && m.WParam != HTVSCROLL;
    case WM_NCLBUTTONDOWN:
        if (m.WParam == HTVSCROLL &&
            TrackThumb(POINT{static_cast<short>(LOWORD(m.LParam)), static_cast<short>(HIWORD(m.LParam))}))
            return false;
        return true;
    case WM_CAPTURECHANGED:
    case WM_CANCELMODE:
        tracking_ = false; // ends a drag under way
        return true;
    default: return TSkinControl::BeforeProc(m);
    }
}

void TComboxScrollBar::AfterProc(cl::TMessage& m)
{
    switch (m.Msg) {
    case WM_NCPAINT:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case 0x1AE: // a repaint trigger of the list
        PaintControl(nullptr);
        break;
    default: TSkinControl::AfterProc(m); break;
    }
}

void TComboxScrollBar::Paint(HDC dc, const RECT&)
{
    if (!HasScrollBarStrip(SkinData)) return;
    SCROLLBARINFO info = EmptyBarInfo();
    if (!SkinGetScrollBarInfo(Handle, OBJID_VSCROLL, info) || (info.rgstate[0] & STATE_SYSTEM_INVISIBLE)) return;
    RECT window{};
    GetWindowRect(Handle, &window);
    RECT r = info.rcScrollBar;
    const POINT at{r.left - window.left, r.top - window.top};
    OffsetRect(&r, -r.left, -r.top);
    if (r.right <= 0 || r.bottom <= 0 || r.right > RectWidth(window) || r.bottom > RectHeight(window)) return;
    const int w = r.right, h = r.bottom;
    cl::TBitmap buffer;
    buffer.SetPixelFormat(cl::pf24bit);
    buffer.SetSize(w, h);
    const HDC b = buffer.Canvas()->Handle();
    if (!b) return;
    SetStretchBltMode(b, COLORONCOLOR);
    FillColorRect(b, RECT{0, 0, w, h}, SkinColor(scButtonFace));
    const int thickness = ScrollBarThickness(*SkinData, ArrowSize);
    r.right = thickness;
    const bool enabled = !(info.rgstate[0] & STATE_SYSTEM_UNAVAILABLE);
    DrawScrollBar(b, *SkinData, r, true, enabled, ArrowSize, thickness, TThumbSpan{info.xyThumbTop, info.xyThumbBottom},
                  spNone, false, h);
    BitBlt(dc, at.x, at.y, w, h, b, 0, 0, SRCCOPY);
}

bool TComboxScrollBar::TrackThumb(POINT screen)
{
    SCROLLBARINFO info = EmptyBarInfo();
    if (!SkinGetScrollBarInfo(Handle, OBJID_VSCROLL, info)) return false;
    const int a = screen.y - info.rcScrollBar.top;
    if (a < info.xyThumbTop || a > info.xyThumbBottom) return false;
    const HWND list = Handle;
    SetCapture(list);
    SCROLLINFO si{};
    si.cbSize = sizeof(SCROLLINFO);
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS;
    GetScrollInfo(list, SB_VERT, &si);
    const int offset0 = info.xyThumbTop - ArrowSize;
    const int track = RectHeight(info.rcScrollBar) - 2 * ArrowSize;
    const int thumb = info.xyThumbBottom - info.xyThumbTop;
    int last = si.nPos;
    tracking_ = true;
    // Moves are measured from the press itself, in the messages' own coordinates.
    auto moved = [&](int y) {
        const int pos = DraggedThumbPosition(offset0 + y - screen.y, track, thumb, si.nMin, si.nMax, si.nPage);
        if (pos != last) {
            SendMessageW(list, WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, pos), 0);
            last = pos;
        }
    };
    bool done = false;
    while (!done) {
        // Blocks until a message is waiting; a drag idle for the whole wait ends.
        const DWORD woke = MsgWaitForMultipleObjectsEx(0, nullptr, kTrackIdleMs, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (woke == WAIT_TIMEOUT || woke == WAIT_FAILED) break;
        MSG msg;
        while (!done && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            switch (msg.message) {
            case WM_QUIT:
                PostQuitMessage(static_cast<int>(msg.wParam)); // the loop that owns it sees it again
                done = true;
                break;
            case WM_MOUSEMOVE:
            case WM_NCMOUSEMOVE: {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
                POINT p{static_cast<short>(LOWORD(msg.lParam)), static_cast<short>(HIWORD(msg.lParam))};
                if (msg.message == WM_MOUSEMOVE && msg.hwnd) ::ClientToScreen(msg.hwnd, &p);
                if (IsWindow(list)) moved(p.y);
                break;
            }
            case WM_LBUTTONUP:
            case WM_NCLBUTTONUP:
                SendMessageW(list, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, last), 0);
                PostMessageW(list, WM_VSCROLL, SB_ENDSCROLL, 0);
                done = true;
                break;
            default:
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
                break;
            }
            if (!done && (!IsWindow(list) || !tracking_ || GetCapture() != list)) done = true;
        }
    }
    tracking_ = false;
    if (IsWindow(list) && GetCapture() == list) ReleaseCapture();
    return true;
}

} // namespace skin
