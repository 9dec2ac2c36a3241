// Combo box skins and the drop-down list's scroll bar.
#include "skin/controls/ComboBoxes.h"

#include "skin/SkinDraw.h"
#include "skin/controls/ControlDraw.h"
#include "skin/controls/ScrollBars.h"
#include "skin/controls/ScrollGeometry.h"
#include "skin/engine/SkinData.h"

#include "classlib/WinHandle.h"

#include <windowsx.h>

#include <algorithm>
#include <utility>

namespace skin {

namespace {

constexpr UINT CN_COMMAND = cl::CN_BASE + WM_COMMAND;
constexpr UINT WM_LIST_REPAINT = 0x1AE; // what the platform sends the list around drawing

using GetComboBoxInfoFn = BOOL(WINAPI*)(HWND, PCOMBOBOXINFO);

GetComboBoxInfoFn ComboInfoEntry()
{
    static const GetComboBoxInfoFn entry = [] {
        HMODULE user32 = GetModuleHandleA("user32.dll");
        return user32 ? reinterpret_cast<GetComboBoxInfoFn>(
                            reinterpret_cast<void*>(GetProcAddress(user32, "GetComboBoxInfo")))
                      : nullptr;
    }();
    return entry;
}

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

void FrameWithColour(HDC dc, const RECT& r, TColor colour)
{
    cl::BrushHandle brush(CreateSolidBrush(static_cast<COLORREF>(cl::ColorToRGB(colour))));
    FrameRect(dc, &r, brush.get());
}

} // namespace

bool SkinGetComboBoxInfo(HWND combo, COMBOBOXINFO& info)
{
    const GetComboBoxInfoFn entry = ComboInfoEntry();
    if (!entry) return false;
    info.cbSize = sizeof(COMBOBOXINFO); // 52
    return entry(combo, &info) != FALSE;
}

void DrawFlatFrame(const TSkinControl& companion, HDC dc, const RECT& rect)
{
    RECT client{};
    GetClientRect(companion.Handle, &client);
    if (client.right >= Width(rect) || client.bottom >= Height(rect)) return;
    FrameWithColour(dc, rect, companion.SkinColor(scButtonShadow));
    RECT inner = rect;
    InflateRect(&inner, -1, -1);
    FrameWithColour(dc, inner, MakeRGB(255, 255, 255));
}

// ---------------------------------------------------------------------------------------
// The combo box

const cl::TClass& TSkinComBox::StaticClass() { return cl::DefineClass<TSkinComBox, TSkinControl>("TSkinComBox"); }

TSkinComBox::TSkinComBox(cl::TComponent* owner) : TSkinControl(owner) {}

TSkinComBox::~TSkinComBox()
{
    edit_.reset(); // back to the edit's own procedure only while ours is current
    // A list bar still there belongs to our owner, which frees it.
    if (listBar_) listBar_->RemoveFreeNotification(*this);
    // The simple combo's bars are freed here unless the skinned window freed them first.
    if (TSkinScrollbarH* bars = std::exchange(listBars_, nullptr)) {
        bars->RemoveFreeNotification(*this);
        cl::Free(bars);
    }
}

void TSkinComBox::Notification(cl::TComponent& component, cl::TOperation operation)
{
    TSkinControl::Notification(component, operation);
    if (operation != cl::TOperation::opRemove) return;
    if (&component == listBar_) listBar_ = nullptr;
    if (&component == listBars_) listBars_ = nullptr;
}

void TSkinComBox::ReadStyles()
{
    Style = static_cast<DWORD>(GetWindowLongX(Handle, GWL_STYLE));
    ExStyle = static_cast<DWORD>(GetWindowLongX(Handle, GWL_EXSTYLE));
}

void TSkinComBox::InitControl(TSkinnedForm* form, TSkinData* data, bool colourControl, cl::TCanvas* canvas)
{
    if (Attached) return;
    TSkinControl::InitControl(form, data, colourControl, canvas);
    if (!Attached) return;
    ReadStyles();
    if ((Style & 3) != CBS_SIMPLE) {
        if ((Style & CBS_DROPDOWN) && SkinGetComboBoxInfo(Handle, Info) && Info.hwndList) {
            ListWindow = Info.hwndList;
            listBar_ = new TComboxScrollBar(Owner());
            listBar_->FreeNotification(*this);
            listBar_->InitHwnd(ListWindow, SkinData, Form, Canvas);
        }
        if (!UnicodeWindow) SubclassEdit();
        return;
    }
    // A simple combo's list is a child window with the platform's bars: an overlay pair.
    if (!SkinGetComboBoxInfo(Handle, Info)) return;
    ListWindow = Info.hwndList;
    if (ListWindow && !IsDropDownWindow(ListWindow) && (GetWindowLongX(ListWindow, GWL_STYLE) & WS_CHILD)) {
        listBars_ = new TSkinScrollbarH(Owner());
        // The skinned window lists it too and may free it first (it frees from the back).
        listBars_->FreeNotification(*this);
        listBars_->InitHwnd(ListWindow, SkinData, Form, Canvas);
    }
}

void TSkinComBox::InitHwnd(HWND window, TSkinData* data, TSkinnedForm* form, cl::TCanvas* canvas)
{
    TSkinControl::InitHwnd(window, data, form, canvas);
    ReadStyles();
    if ((Style & 3) != CBS_SIMPLE && !UnicodeWindow) SubclassEdit();
}

void TSkinComBox::SubclassEdit()
{
    EditWindow = GetTopWindow(Handle);
    if (!EditWindow) return; // a drop-down list has no edit
    edit_ = std::make_unique<cl::TWindowSubclass>(EditWindow, [this](cl::TMessage& m) { EditProc(m); });
}

void TSkinComBox::EditProc(cl::TMessage& m)
{
    edit_->CallOld(m);
    if (!Active) return;
    if (m.Msg == WM_PAINT) PaintControl(nullptr);
    else TrackPress(m.Msg);
}

bool TSkinComBox::TrackPress(UINT msg)
{
    if (msg == WM_LBUTTONDOWN || msg == WM_LBUTTONDBLCLK) SetPressed(true);
    else if (msg == WM_LBUTTONUP) SetPressed(false);
    else return false;
    PaintControl(nullptr);
    return true;
}

void TSkinComBox::Unsubclass()
{
    TSkinControl::Unsubclass();
    edit_.reset();
    if (TComboxScrollBar* bar = listBar_) {
        listBar_ = nullptr;
        bar->RemoveFreeNotification(*this);
        bar->Unsubclass();
        cl::Free(bar);
    }
    if (TSkinScrollbarH* bars = listBars_) {
        listBars_ = nullptr;
        bars->RemoveFreeNotification(*this);
        bars->Unsubclass();
        cl::Free(bars);
    }
}

void TSkinComBox::AfterProc(cl::TMessage& m)
{
    const bool enabled = !(GetWindowLongX(Handle, GWL_STYLE) & WS_DISABLED);
    switch (m.Msg) {
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case CN_COMMAND: break;
    case WM_MOUSEMOVE: {
        const POINT p{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
        const bool over = PtInRect(&ButtonRect, p) != FALSE;
        if (Hot() && !over && enabled) {
            SetHot(false);
            PaintControl(nullptr);
        } else if (!Hot() && over && enabled) {
            SetHot(true);
            PaintControl(nullptr);
        }
        break;
    }
    case WM_DRAWITEM:
    case WM_NCPAINT: PaintControl(nullptr); break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_LBUTTONUP: TrackPress(m.Msg); break;
    case cl::CM_MOUSELEAVE:
        if (Hot()) {
            SetHot(false);
            PaintControl(nullptr);
        }
        break;
    default: TSkinControl::AfterProc(m); break;
    }
}

void TSkinComBox::Paint(HDC dc, const RECT& rect)
{
    const TDataSkinBorder* button = SkinData ? SkinData->ComboButton.get() : nullptr;
    if (!button || !button->HasImage() || button->Frame <= 0) return;
    ReadStyles();
    if (SkinGetComboBoxInfo(Handle, Info)) {
        ButtonRect = Info.rcButton;
        if (Info.stateButton & STATE_SYSTEM_INVISIBLE) return;
    }
    const bool focused = GetFocus() == Handle;
    const bool enabled = !(Style & WS_DISABLED);
    if (button->Style == 1) {
        PaintStyle1(dc, rect, focused, enabled);
        return;
    }
    RECT R = rect;
    OffsetRect(&R, -R.left, -R.top);
    int state = Pressed() ? 2 : (focused || Hot()) ? 4 : 1;
    if (!enabled) state = 3;
    const int A = GetSystemMetrics(SM_CXHSCROLL);
    const bool left = (ExStyle & WS_EX_LEFTSCROLLBAR) != 0;

    if (Extended) {
        DrawFlatFrame(*this, dc, R);
        const HWND child = GetTopWindow(Handle);
        const TDataSkinObject* arrow = SkinData->ComboxArrow.get();
        if (child) {
            RECT own{}, c{};
            GetWindowRect(Handle, &own);
            GetWindowRect(child, &c);
            OffsetRect(&c, -own.left, -own.top);
            FillFace(dc, c);
            if (arrow && arrow->HasImage()) DrawStripFrameDC(dc, c, arrow->Frame, state, *arrow->Bitmap);
        }
        return;
    }
    const TDataSkinObject* sunk = SkinData->SunkEdge.get();
    if (button->Style == 2) {
        const TDataSkinObject& source = left && sunk ? *sunk : *button;
        if (source.HasImage() && source.Frame > 0)
            DrawSkinPart(dc, R, *source.Bitmap, false, false, true, source.Frame, state, source.Margins());
        return;
    }
    RECT inner, B, G;
    cl::TBitmap* image;
    if (!left) {
        inner = {R.left + 2, R.top + 2, R.right - A - 4, R.bottom - 2};
        B = {R.right - A - 2, R.top, R.right, R.bottom};
        G = {R.right - A - 2, R.top, R.right - 2, R.bottom};
        image = button->Bitmap.get();
    } else {
        inner = {A + R.left + 4, R.top + 2, R.right - 2, R.bottom - 2};
        B = {R.left, R.top, A + R.left + 2, R.bottom};
        G = {2, R.top, A + 2, R.bottom};
        image = button->Bitmap2 && !button->Bitmap2->Empty() ? button->Bitmap2.get() : button->Bitmap.get();
    }
    {
        // The field inside the frame is the combo's own: keep it out of the drawing.
        cl::SavedDc saved(dc);
        ExcludeClipRect(dc, inner.left, inner.top, inner.right, inner.bottom);
        if (sunk) DrawSkinFrame(dc, R, sunk->Frame, state, *sunk);
        DrawStripFrameDC(dc, B, button->Frame, state, *image);
    }
    ButtonRect = B;
    const TDataSkinObject* extra = SkinData->ExtraImages.get();
    if (extra && extra->HasImage() && extra->Frame > 0) {
        const int w = extra->Bitmap->Width() / extra->Frame, h = extra->Bitmap->Height();
        const int x = G.left + (Width(G) - w) / 2, y = G.top + (Height(G) - h) / 2;
        DrawStripFrameDC(dc, RECT{x, y, x + w, y + h}, extra->Frame, state, *extra->Bitmap);
    }
}

void TSkinComBox::PaintStyle1(HDC dc, const RECT& rect, bool focused, bool enabled)
{
    const TDataSkinBorder& button = *SkinData->ComboButton;
    const int state = Pressed() ? 2 : (focused || Hot()) ? 4 : enabled ? 1 : 3;
    const int W = button.Bitmap->Width() / button.Frame, H = button.Bitmap->Height();
    const int T = GetSystemMetrics(SM_CYVTHUMB);
    RECT R = rect;
    OffsetRect(&R, -R.left, -R.top);
    const HBRUSH current = static_cast<HBRUSH>(GetCurrentObject(dc, OBJ_BRUSH));
    RECT f = R;
    InflateRect(&f, -1, -1);
    FrameRect(dc, &f, current);
    RECT I = R;
    InflateRect(&I, -2, -2);
    const bool left = (ExStyle & WS_EX_LEFTSCROLLBAR) != 0;
    RECT strip = left ? RECT{I.left, I.top, I.left + T, I.bottom} : RECT{I.right - T, I.top, I.right, I.bottom};
    FillRect(dc, &strip, current);
    ButtonRect = left ? RECT{I.left, I.top, I.left + W, I.bottom} : RECT{I.right - W, I.top, I.right, I.bottom};
    if (H < T) ButtonRect.bottom = ButtonRect.top + H;
    FrameWithColour(dc, R, SkinColor(scButtonShadow));
    DrawStripFrameDC(dc, ButtonRect, button.Frame, state, *button.Bitmap);
}

// ---------------------------------------------------------------------------------------
// The drop-down list's scroll bar

const cl::TClass& TComboxScrollBar::StaticClass()
{
    return cl::DefineClass<TComboxScrollBar, TSkinControl>("TComboxScrollBar");
}

TComboxScrollBar::TComboxScrollBar(cl::TComponent* owner)
    : TSkinControl(owner), ArrowSize(GetSystemMetrics(SM_CXHSCROLL))
{
}

TComboxScrollBar::~TComboxScrollBar() { *alive_ = false; }

bool TComboxScrollBar::BeforeProc(cl::TMessage& m)
{
    switch (m.Msg) {
    case WM_CAPTURECHANGED:
    case WM_CANCELMODE:
        if (tracking_) trackLost_ = true;
        return true;
    case WM_NCPAINT: return true;
    case WM_NCMOUSEMOVE: return m.WParam != HTHSCROLL && m.WParam != HTVSCROLL;
    case WM_NCLBUTTONDOWN:
        // Long enough for any drag; the drag also ends when the capture goes elsewhere.
        if (m.WParam == HTVSCROLL && !tracking_ && TrackThumb(m.LParam, 60000)) return false;
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
    case WM_LIST_REPAINT: PaintControl(nullptr); break;
    default: TSkinControl::AfterProc(m); break;
    }
}

void TComboxScrollBar::Paint(HDC dc, const RECT& rect)
{
    const TDataSkinObject* arrows = SkinData ? SkinData->ScrollbarArrows.get() : nullptr;
    if (!arrows || !arrows->HasImage()) return;
    SCROLLBARINFO info{};
    info.cbSize = sizeof info; // 60
    if (!SkinGetScrollBarInfo(Handle, OBJID_VSCROLL, info)) return;
    if (info.rgstate[0] & STATE_SYSTEM_INVISIBLE) return;
    const bool enabled = !(info.rgstate[0] & STATE_SYSTEM_UNAVAILABLE);
    RECT own{};
    GetWindowRect(Handle, &own);
    const int A = ArrowSize;
    const int w = Width(info.rcScrollBar), L = Height(info.rcScrollBar);
    if (w <= 0 || L <= 0 || w > Width(rect) || L > Height(rect)) return;

    int thickness = arrows->Bitmap->Height();
    if (std::abs(thickness - A) > 2) thickness = A;
    cl::TBitmap bar;
    bar.SetPixelFormat(cl::pf24bit);
    bar.SetSize(w, L);
    if (bar.Empty()) return;
    const HDC b = bar.Canvas()->Handle();
    SetStretchBltMode(b, COLORONCOLOR);
    FillFace(b, RECT{0, 0, w, L});

    if (const TDataSkinObject* track = SkinData->VertScroll.get(); track && track->HasImage()) {
        const RECT t{0, A, thickness, L - A};
        if (t.bottom > t.top)
            DrawSkinPart(b, t, *track->Bitmap, false, track->Tile != 0, track->Trans != 0, 4, enabled ? 1 : 3,
                         track->Margins());
    }
    const int arrow = L < 2 * A ? L / 2 : A;
    DrawStripFrameDC(b, RECT{0, 0, thickness, arrow}, 23, 9, *arrows->Bitmap);
    DrawStripFrameDC(b, RECT{0, L - arrow, thickness, L}, 23, 13, *arrows->Bitmap);

    const int start = info.xyThumbTop, end = info.xyThumbBottom;
    if (enabled) {
        const TDataSkinObject* thumb = SkinData->VertScrollThumb.get();
        if (thumb && thumb->HasImage() && start < L && end < L && end > start) {
            const int frames = thumb->Frame > 0 ? thumb->Frame : 3;
            DrawSkinPart(b, RECT{0, start, thickness, end}, *thumb->Bitmap, false, false, thumb->Trans != 0, frames, 1,
                         thumb->Margins());
        }
        const int G = arrows->Bitmap->Height();
        const int length = end - start;
        if (G < length + 2) {
            const int top = start + (length - G) / 2;
            if (top >= 0 && top + G <= L) DrawStripFrameDC(b, RECT{0, top, thickness, top + G}, 23, 20, *arrows->Bitmap);
        }
    }
    BitBlt(dc, rect.left + info.rcScrollBar.left - own.left, rect.top + info.rcScrollBar.top - own.top, w, L, b, 0, 0,
           SRCCOPY);
}

bool TComboxScrollBar::TrackThumb(LPARAM lParam, DWORD idleMs)
{
    SCROLLBARINFO info{};
    info.cbSize = sizeof info;
    if (!SkinGetScrollBarInfo(Handle, OBJID_VSCROLL, info)) return false;
    const int startY = GET_Y_LPARAM(lParam);
    const int a = startY - info.rcScrollBar.top;
    if (a < info.xyThumbTop || a > info.xyThumbBottom) return false;

    SetCapture(Handle);
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS;
    GetScrollInfo(Handle, SB_VERT, &si);
    const int A = ArrowSize;
    const int offset0 = info.xyThumbTop - A;
    const int track = Height(info.rcScrollBar) - 2 * A;
    const int thumb = info.xyThumbBottom - info.xyThumbTop;
    int last = si.nPos;
    const HWND list = Handle;
    tracking_ = true;
    trackLost_ = false;
    // What the loop dispatches may free this skin (with its combo): then only locals are used.
    const std::shared_ptr<bool> alive = alive_;

    // Waits on the queue: ends on release, on losing the capture, on cancel mode, on the
    // list going away, on WM_QUIT (posted again for the caller's loop) and when idle too long.
    for (;;) {
        if (!*alive) break;
        MSG msg{};
        if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (trackLost_ || !IsWindow(list) || GetCapture() != list) break;
            if (MsgWaitForMultipleObjects(0, nullptr, FALSE, idleMs, QS_ALLINPUT) != WAIT_OBJECT_0) break;
            continue;
        }
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if ((msg.message == WM_MOUSEMOVE || msg.message == WM_NCMOUSEMOVE) && msg.hwnd == list) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
            POINT p{GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)};
            if (msg.message == WM_MOUSEMOVE) ClientToScreen(list, &p);
            const int pos = DraggedThumbPosition(offset0 + p.y - startY, track, thumb, si.nMin, si.nMax, si.nPage);
            if (pos != last) {
                SendMessageW(list, WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, pos), 0);
                last = pos;
            }
        } else if ((msg.message == WM_LBUTTONUP || msg.message == WM_NCLBUTTONUP) && msg.hwnd == list) {
            SendMessageW(list, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, last), 0);
            PostMessageW(list, WM_VSCROLL, SB_ENDSCROLL, 0);
            break;
        } else {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (!*alive || trackLost_ || !IsWindow(list)) break;
    }
    if (*alive) tracking_ = false;
    if (IsWindow(list) && GetCapture() == list) ReleaseCapture();
    return true;
}

} // namespace skin
