// Scroll-bar skins: overlays over the platform's bars and their owners.
#include "skin/controls/ScrollBars.h"

#include "skin/controls/Headers.h"

#include "skin/SkinDraw.h"
#include "skin/controls/ControlDraw.h"
#include "skin/controls/Headers.h"
#include "skin/controls/PropAccess.h"
#include "skin/engine/SkinData.h"
#include "skin/engine/SkinMessages.h"
#include "skin/engine/SkinnedForm.h"

#include "classlib/SysUtils.h"
#include "classlib/WinHandle.h"

#include <commctrl.h>

#include <cstdlib>
#include <string>
#include <utility>

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

// Frame `frame` of a skin object fitted into rect with its margins, never tiled.
void DrawUntiledFrame(HDC dc, const RECT& rect, int frame, const TDataSkinObject& object)
{
    if (RectWidth(rect) <= 0 || RectHeight(rect) <= 0 || !object.HasImage() || object.Frame <= 0) return;
    auto built = MakeNinePartBitmap(rect, *object.Bitmap, object.Margins(), false, false, object.Frame, frame);
    if (!built) return;
    if (object.Trans == 1) DrawTransparent(dc, rect, *built, Magenta);
    else BitBlt(dc, rect.left, rect.top, RectWidth(rect), RectHeight(rect), built->Canvas()->Handle(), 0, 0, SRCCOPY);
}

void FrameWith(HDC dc, const RECT& r, TColor colour)
{
    cl::BrushHandle brush(CreateSolidBrush(static_cast<COLORREF>(colour)));
    FrameRect(dc, &r, brush.get());
}

} // namespace

int ScrollBarThickness(TSkinData& data, int arrow)
{
    const int h = data.ScrollbarArrows->Bitmap->Height();
    return std::abs(h - arrow) > 2 ? arrow : h;
}

bool HasScrollBarStrip(const TSkinData* data)
{
    return data && data->ScrollbarArrows && data->ScrollbarArrows->HasImage();
}

void DrawScrollBar(HDC dc, TSkinData& data, RECT r, bool vertical, bool enabled, int arrow, int thickness,
                   const TThumbSpan& thumb, int hotPart, bool pressed, int overlayLength)
{
    cl::TBitmap& strip = *data.ScrollbarArrows->Bitmap;
    RECT track = r;
    if (vertical) {
        track.top += arrow;
        track.bottom -= arrow;
    } else {
        track.left += arrow;
        track.right -= arrow;
    }
    if (const TDataSkinObject* image = vertical ? data.VertScroll.get() : data.HorzScroll.get())
        DrawSkinFrame(dc, track, 4, enabled ? 1 : 3, *image);

    const int extent = vertical ? RectHeight(r) : RectWidth(r);
    const int a = extent < 2 * arrow ? extent / 2 : arrow;
    const RECT first = vertical ? RECT{r.left, r.top, r.left + thickness, r.top + a}
                                : RECT{r.left, r.top, r.left + a, r.top + thickness};
    const RECT last = vertical ? RECT{r.left, r.top + extent - a, r.left + thickness, r.top + extent}
                               : RECT{r.left + extent - a, r.top, r.left + extent, r.top + thickness};
    DrawStripFrameDC(dc, first, kScrollStripFrames, ArrowFrame(vertical, false, hotPart == spLineUp, pressed), strip);
    DrawStripFrameDC(dc, last, kScrollStripFrames, ArrowFrame(vertical, true, hotPart == spLineDown, pressed), strip);
    if (!enabled) return;

    const bool thumbHot = hotPart == spThumb;
    if (const TDataSkinObject* body = vertical ? data.VertScrollThumb.get() : data.HorzScrollThumb.get()) {
        if (thumb.start < overlayLength && thumb.end < overlayLength) {
            const RECT b = vertical ? RECT{0, thumb.start, thickness, thumb.end} : RECT{thumb.start, 0, thumb.end, thickness};
            DrawUntiledFrame(dc, b, ThumbState(thumbHot, pressed), *body);
        }
    }
    const int g = strip.Height();
    const int length = thumb.end - thumb.start;
    if (g < length + 2) {
        const int from = thumb.start + (length - g) / 2, to = from + g;
        if (from >= 0 && to <= overlayLength) {
            const RECT grip = vertical ? RECT{0, from, thickness, to} : RECT{from, 0, to, thickness};
            DrawStripFrameDC(dc, grip, kScrollStripFrames, GripFrame(vertical, thumbHot, pressed), strip);
        }
    }
}

// ---------------------------------------------------------------------------------------
// The overlay

const cl::TClass& TWScrollbar::StaticClass() { return cl::DefineClass<TWScrollbar, cl::TCustomPanel>("TWScrollbar"); }

TWScrollbar::TWScrollbar(cl::TComponent* owner) : cl::TCustomPanel(owner), ArrowSize(GetSystemMetrics(SM_CXHSCROLL))
{
    SetTabStop(false);
}

TWScrollbar::~TWScrollbar() { *alive_ = false; }

void TWScrollbar::CreateParams(cl::TCreateParams& params)
{
    cl::TCustomPanel::CreateParams(params);
    params.ExStyle = WS_EX_TOOLWINDOW;
    if (!Parent() && parentWindow_) params.WndParent = parentWindow_;
}

void TWScrollbar::SetControl(TSkinControl* skin, cl::TWinControl* control, int kind)
{
    OwnerSkin = skin;
    TargetControl = control;
    Target = control->Handle();
    Kind = kind;
    SetColor(skin->ParentColor(skin->SkinColor(scButtonFace)));
    if (kind == kControl) Orientation = cl::LowerCase(GetPropEnum(control, "Kind")) == "sbhorizontal" ? 0 : 1;
    else Orientation = kind;
    SetParent(control->Parent());
    UpdatePosition();
}

void TWScrollbar::SetHwnd(TSkinControl* skin, HWND window, int kind)
{
    OwnerSkin = skin;
    TargetControl = nullptr;
    Target = window;
    Kind = kind;
    Orientation = kind == kControl ? 1 : kind;
    parentWindow_ = GetParent(window);
    if (parentWindow_) HandleNeeded();
    UpdatePosition();
}

void TWScrollbar::HideBar()
{
    if (HandleAllocated()) ShowWindow(Handle(), SW_HIDE);
    BarVisible = false;
    SetVisible(false);
}

bool TWScrollbar::GetBarInfo(SCROLLBARINFO& info)
{
    info = EmptyBarInfo();
    if (!Target) return false;
    if (Kind != kControl) return SkinGetScrollBarInfo(Target, Kind == kHorizontal ? OBJID_HSCROLL : OBJID_VSCROLL, info);
    RECT bounds{};
    if (TargetControl) {
        bounds = TargetControl->BoundsRect();
    } else {
        GetWindowRect(Target, &bounds);
        MapWindowPoints(nullptr, GetParent(Target), reinterpret_cast<POINT*>(&bounds), 2);
    }
    SCROLLINFO si{};
    si.cbSize = sizeof(SCROLLINFO);
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS;
    if (!GetScrollInfo(Target, SB_CTL, &si)) return false;
    info.rcScrollBar = bounds;
    const int length = Vertical() ? RectHeight(bounds) : RectWidth(bounds);
    const TThumbSpan t = ControlThumbPainted(length, ArrowSize, si.nMin, si.nMax, si.nPage, si.nPos);
    info.xyThumbTop = t.start;
    info.xyThumbBottom = t.end;
    return true;
}

bool TWScrollbar::GetControlInfo(SCROLLBARINFO& info)
{
    info = EmptyBarInfo();
    if (!TargetControl || !Target) return false;
    RECT r = TargetControl->ClientRect();
    POINT origin{0, 0};
    ::ClientToScreen(Target, &origin);
    OffsetRect(&r, origin.x, origin.y);
    info.rcScrollBar = r;
    const int length = Vertical() ? RectHeight(r) : RectWidth(r);
    const TThumbSpan t = ControlThumbAtPress(length, ArrowSize, static_cast<int>(GetPropInt(TargetControl, "Min")),
                                             static_cast<int>(GetPropInt(TargetControl, "Max")),
                                             static_cast<int>(GetPropInt(TargetControl, "PageSize")),
                                             static_cast<int>(GetPropInt(TargetControl, "Position")));
    info.xyThumbTop = t.start;
    info.xyThumbBottom = t.end;
    return true;
}

void TWScrollbar::UpdatePosition()
{
    SCROLLBARINFO info;
    if (!GetBarInfo(info)) {
        BarVisible = false;
        return;
    }
    if (!(GetWindowLongA(Target, GWL_STYLE) & WS_VISIBLE) || (info.rgstate[0] & STATE_SYSTEM_INVISIBLE)) {
        HideBar();
        return;
    }
    const RECT r = info.rcScrollBar;
    POINT place{r.left, r.top};
    if (Kind == kControl) {
        BarRect = RECT{0, 0, RectWidth(r), RectHeight(r)};
    } else {
        POINT a{r.left, r.top}, b{r.right, r.bottom};
        ::ScreenToClient(Target, &a);
        ::ScreenToClient(Target, &b);
        BarRect = RECT{a.x, a.y, b.x, b.y};
        if (HandleAllocated()) ::ScreenToClient(GetParent(Handle()), &place);
    }
    BarOrigin = POINT{r.left, r.top};
    TrackLength = Vertical() ? RectHeight(r) : RectWidth(r);
    SetVisible(true);
    BarVisible = true;
    if (!HandleAllocated()) return;
    const HWND self = Handle();
    const HWND before = GetWindow(Target, GW_HWNDPREV);
    UINT flags = SWP_NOACTIVATE | SWP_SHOWWINDOW;
    if (before == self) flags |= SWP_NOZORDER; // already just above the target
    SetWindowPos(self, before ? before : HWND_TOP, place.x, place.y, RectWidth(r), RectHeight(r), flags);
    MoveWindow(self, place.x, place.y, RectWidth(r), RectHeight(r), TRUE);
}

int TWScrollbar::HitTest(POINT p) const
{
    return ScrollHitTest(Vertical() ? p.y : p.x, ArrowSize, Thumb, TrackLength);
}

void TWScrollbar::TrackThumb()
{
    POINT c{};
    GetCursorPos(&c);
    Thumb = ThumbFollowingCursor(Vertical() ? c.y : c.x, Vertical() ? PressCursor.y : PressCursor.x, PressThumbStart,
                                 ArrowSize, TrackLength, Thumb);
}

void TWScrollbar::Paint()
{
    PaintTo(Canvas()->Handle());
}

void TWScrollbar::PaintTo(HDC dc)
{
    TSkinData* data = OwnerSkin ? OwnerSkin->SkinData : nullptr;
    if (!HasScrollBarStrip(data) || !HandleAllocated()) return;
    SCROLLBARINFO info;
    if (!GetBarInfo(info) || (info.rgstate[0] & STATE_SYSTEM_INVISIBLE)) return;
    const bool enabled = !(info.rgstate[0] & STATE_SYSTEM_UNAVAILABLE);
    RECT r = info.rcScrollBar;
    OffsetRect(&r, -r.left, -r.top);
    RECT client{};
    GetClientRect(Handle(), &client);
    if (r.right < 0 || r.bottom < 0 || r.bottom > client.bottom || r.right > client.right) return;
    TrackLength = Vertical() ? r.bottom : r.right;
    const int thickness = ScrollBarThickness(*data, ArrowSize);
    auto setCross = [&] {
        if (Vertical()) r.right = thickness;
        else r.bottom = thickness;
    };
    if (Kind == kControl) setCross();
    if (r.right <= 0 || r.bottom <= 0) return;
    cl::TBitmap buffer;
    buffer.SetPixelFormat(cl::pf24bit);
    buffer.SetSize(r.right, r.bottom);
    const int bufferW = r.right, bufferH = r.bottom;
    const HDC b = buffer.Canvas()->Handle();
    if (!b) return;
    SetStretchBltMode(b, COLORONCOLOR);
    FillColorRect(b, RECT{0, 0, bufferW, bufferH}, OwnerSkin->SkinColor(scButtonFace));
    if (Kind != kControl) setCross();

    if (PressedFlag && HotPart == spThumb && Kind != kControl) TrackThumb();
    else Thumb = TThumbSpan{info.xyThumbTop, info.xyThumbBottom};
    DrawScrollBar(b, *data, r, Vertical(), enabled, ArrowSize, thickness, Thumb, HotPart, PressedFlag,
                  Vertical() ? client.bottom : client.right);

    if (Kind == kControl) {
        SetStretchBltMode(dc, COLORONCOLOR);
        StretchBlt(dc, 0, 0, client.right, client.bottom, b, 0, 0, bufferW, bufferH, SRCCOPY);
    } else {
        BitBlt(dc, 0, 0, bufferW, bufferH, b, 0, 0, SRCCOPY);
    }
}

void TWScrollbar::WndProc(cl::TMessage& m)
{
    switch (m.Msg) {
    case WM_ERASEBKGND: m.Result = 1; return;
    case WM_MOUSEMOVE: {
        cl::TCustomPanel::WndProc(m);
        const POINT p{LOWORD(m.LParam), HIWORD(m.LParam)};
        const int part = HitTest(p);
        if (part != HotPart) {
            HotPart = part;
            Invalidate();
        }
        SkinTrackMouseLeave(Handle());
        return;
    }
    case WM_MOUSELEAVE:
        cl::TCustomPanel::WndProc(m);
        if (!PressedFlag) {
            HotPart = spNone;
            Invalidate();
        }
        return;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: ForwardPress(m); return;
    case WM_LBUTTONUP: ForwardRelease(m); return;
    default: cl::TCustomPanel::WndProc(m); return;
    }
}

void TWScrollbar::ForwardPress(cl::TMessage& m)
{
    cl::TCustomPanel::WndProc(m);
    const POINT click{static_cast<short>(LOWORD(m.LParam)), static_cast<short>(HIWORD(m.LParam))};
    GetCursorPos(&PressCursor);
    SCROLLBARINFO info;
    if (Kind == kControl ? GetControlInfo(info) : GetBarInfo(info)) {
        PressThumbStart = info.xyThumbTop;
        Thumb = TThumbSpan{info.xyThumbTop, info.xyThumbBottom};
    }
    HotPart = HitTest(click);
    LPARAM at = m.LParam;
    if (Kind != kControl) {
        if (GetBarInfo(info)) BarOrigin = POINT{info.rcScrollBar.left, info.rcScrollBar.top};
        at = MAKELPARAM(click.x + BarOrigin.x, click.y + BarOrigin.y);
    }
    PressedFlag = true;
    Invalidate();
    HotPart = HitTest(click);
    ReleaseCapture();
    const std::shared_ptr<bool> alive = alive_;
    // The target runs its own tracking loop and returns when the button is released.
    switch (Kind) {
    case kHorizontal: SendMessageW(Target, WM_NCLBUTTONDOWN, HTHSCROLL, at); break;
    case kVertical: SendMessageW(Target, WM_NCLBUTTONDOWN, HTVSCROLL, at); break;
    default: SendMessageW(Target, WM_LBUTTONDOWN, MK_LBUTTON, at); break;
    }
    if (!*alive) return; // freed while the target tracked
    PressedFlag = false;
    ReleaseCapture();
    if (Kind == kControl) Invalidate();
}

void TWScrollbar::ForwardRelease(cl::TMessage& m)
{
    cl::TCustomPanel::WndProc(m);
    LPARAM at = m.LParam;
    if (Kind != kControl)
        at = MAKELPARAM(static_cast<short>(LOWORD(m.LParam)) + BarOrigin.x, static_cast<short>(HIWORD(m.LParam)) + BarOrigin.y);
    PressedFlag = false;
    ReleaseCapture();
    switch (Kind) {
    case kHorizontal: PostMessageW(Target, WM_NCLBUTTONUP, HTHSCROLL, at); break;
    case kVertical: PostMessageW(Target, WM_NCLBUTTONUP, HTVSCROLL, at); break;
    default: PostMessageW(Target, WM_LBUTTONUP, MK_LBUTTON, at); break;
    }
    if (Kind == kControl) Invalidate();
}

// ---------------------------------------------------------------------------------------
// The bars of a scrolling control

const cl::TClass& TSkinScrollbar::StaticClass()
{
    return cl::DefineClass<TSkinScrollbar, TSkinControl>("TSkinScrollbar");
}

TSkinScrollbar::TSkinScrollbar(cl::TComponent* owner) : TSkinControl(owner) {}

namespace {

// Frees a skin's two overlays, forgetting them first.
void FreeBarPair(TWScrollbar*& h, TWScrollbar*& v)
{
    TWScrollbar* oldH = std::exchange(h, nullptr);
    TWScrollbar* oldV = std::exchange(v, nullptr);
    cl::Free(oldH);
    cl::Free(oldV);
}

// Forgets whichever of the two overlays is going away.
void ForgetBar(const cl::TComponent& gone, TWScrollbar*& h, TWScrollbar*& v)
{
    if (&gone == h) h = nullptr;
    if (&gone == v) v = nullptr;
}

} // namespace

TSkinScrollbar::~TSkinScrollbar() { FreeBars(); }

void TSkinScrollbar::FreeBars() { FreeBarPair(HBar, VBar); }

void TSkinScrollbar::Notification(cl::TComponent& component, cl::TOperation operation)
{
    TSkinControl::Notification(component, operation);
    if (operation == cl::TOperation::opRemove) ForgetBar(component, HBar, VBar);
}

void TSkinScrollbar::InitScrollbar(cl::TWinControl* control, TSkinData* data, TSkinnedForm* form, cl::TCanvas* canvas)
{
    if (Attached || !control) return;
    SkinData = data;
    Canvas = canvas;
    Control = control;
    Handle = control->Handle();
    UnicodeWindow = IsWindowUnicode(Handle) != FALSE;
    if (form) form->AddControlSkin(*this);
    Border = cl::LowerCase(GetPropEnum(control, "BorderStyle")) != "bsnone";
    if (control->ClassType().Name() == "TImageScrollBox") Border = false;
    TakeFixedColor();
    if (!SingleBar) {
        HBar = new TWScrollbar(this);
        HBar->SetControl(this, control, TWScrollbar::kHorizontal);
    }
    VBar = new TWScrollbar(this);
    VBar->SetControl(this, control, TWScrollbar::kVertical);
    for (TWScrollbar* bar : {HBar, VBar}) {
        if (!bar) continue;
        bar->SetEnabled(control->Enabled());
        if (!control->Visible()) bar->HideBar();
    }
    hook_ = std::make_unique<cl::TWindowProcHook>(*control, [this](cl::TMessage& m) { NewWndProc(m); });
    Attached = true;
    State = cssAttached;
}

void TSkinScrollbar::TakeFixedColor()
{
    if (!Control) return;
    const cl::TPropInfo* p = Control->ClassType().FindProperty("FixedColor");
    if (!p || p->kind != cl::TTypeKind::Integer) return;
    // Saved once: a second pass (a changed skin) must not save the skin's own colour.
    if (!restoreFixed_) {
        savedFixed_ = GetPropInt(Control, "FixedColor");
        restoreFixed_ = true;
    }
    SetPropValue(Control, "FixedColor", std::to_string(SkinColor(scButtonFace)));
}

void TSkinScrollbar::SkinChange()
{
    TakeFixedColor();
}

void TSkinScrollbar::Unsubclass()
{
    if (restoreFixed_ && Control) SetPropValue(Control, "FixedColor", std::to_string(savedFixed_));
    restoreFixed_ = false;
    TSkinControl::Unsubclass();
    if (State != cssReleased) FreeBars();
}

void TSkinScrollbar::DrawBorder(HDC dc)
{
    RECT r{};
    GetWindowRect(Handle, &r);
    OffsetRect(&r, -r.left, -r.top);
    FrameWith(dc, r, SkinColor(scButtonShadow));
    InflateRect(&r, -1, -1);
    FrameWith(dc, r, SkinColor(scButtonFace));
}

bool TSkinScrollbar::BeforeProc(cl::TMessage& m)
{
    if (m.Msg == WM_NCPAINT && Border) {
        CallPrevProc(m);
        cl::WindowDc dc(Handle, true);
        if (dc.get()) DrawBorder(dc.get());
        return false;
    }
    return TSkinControl::BeforeProc(m);
}

void TSkinScrollbar::AfterProc(cl::TMessage& m)
{
    switch (m.Msg) {
    case WM_SIZE:
    case WM_WINDOWPOSCHANGED:
        if (HBar) HBar->UpdatePosition();
        if (VBar) VBar->UpdatePosition();
        break;
    case WM_HSCROLL:
    case WM_VSCROLL:
        if (TWScrollbar* bar = m.Msg == WM_HSCROLL ? HBar : VBar) {
            bar->HotPart = LOWORD(m.WParam);
            bar->Invalidate();
        }
        break;
    case WM_MOUSEWHEEL:
        for (TWScrollbar* bar : {HBar, VBar})
            if (bar && bar->BarVisible) bar->Invalidate();
        break;
    case cl::CM_VISIBLECHANGED:
        for (TWScrollbar* bar : {HBar, VBar}) {
            if (!bar || !Control) continue;
            if (Control->Visible()) bar->UpdatePosition();
            else bar->HideBar();
        }
        break;
    case cl::CM_ENABLEDCHANGED:
        for (TWScrollbar* bar : {HBar, VBar})
            if (bar && Control) bar->SetEnabled(Control->Enabled());
        break;
    case cl::CM_RECREATEWND:
        // The form replaces this object once the new window exists.
        if (Form && Form->Window)
            PostMessageA(Form->Window, WM_SKIN_RESKIN_SCROLLBARS, reinterpret_cast<WPARAM>(Handle), 0);
        break;
    case WM_SKIN_PAINT_FRAME_DC:
        if (m.LParam != SKIN_MAGIC) {
            TSkinControl::AfterProc(m);
            break;
        }
        if (m.WParam) DrawBorder(reinterpret_cast<HDC>(m.WParam));
        m.Result = SKIN_MAGIC;
        break;
    default: TSkinControl::AfterProc(m); break;
    }
}

void TSkinScrollbar::Paint(HDC dc, const RECT&)
{
    const DWORD style = static_cast<DWORD>(GetWindowLongX(Handle, GWL_STYLE));
    if (VBar) {
        if (VBar->BarVisible) VBar->Invalidate();
        else if (style & WS_VSCROLL) VBar->UpdatePosition();
    }
    if (HBar) {
        if (HBar->BarVisible) HBar->Invalidate();
        else if (style & WS_HSCROLL) HBar->UpdatePosition();
    }
    if (VBar && HBar && VBar->BarVisible && HBar->BarVisible) {
        const RECT corner{VBar->BarRect.left + 2, HBar->BarRect.top + 2, VBar->BarRect.right + 2,
                          HBar->BarRect.bottom + 2};
        FillFace(dc, corner);
    }
}

// ---------------------------------------------------------------------------------------
// List views

const cl::TClass& TSkinListView::StaticClass()
{
    return cl::DefineClass<TSkinListView, TSkinScrollbar>("TSkinListView");
}

TSkinListView::~TSkinListView()
{
    TSkinHeader* header = HeaderSkin;
    HeaderSkin = nullptr;
    if (header) {
        header->RemoveFreeNotification(*this);
        cl::Free(header);
    }
}

void TSkinListView::Notification(cl::TComponent& component, cl::TOperation operation)
{
    TSkinScrollbar::Notification(component, operation);
    if (operation == cl::TOperation::opRemove && &component == HeaderSkin) HeaderSkin = nullptr;
}

void TSkinListView::InitScrollbar(cl::TWinControl* control, TSkinData* data, TSkinnedForm* form, cl::TCanvas* canvas)
{
    TSkinScrollbar::InitScrollbar(control, data, form, canvas);
    if (!Handle) return;
    Header = reinterpret_cast<HWND>(SendMessageW(Handle, LVM_GETHEADER, 0, 0));
    if (!Header || HeaderSkin) return;
    HeaderSkin = new TSkinHeader(Owner());
    HeaderSkin->FreeNotification(*this);
    HeaderSkin->InitHwnd(Header, data, form, nullptr);
}

// ---------------------------------------------------------------------------------------
// Scroll-bar controls

const cl::TClass& TSkinScControl::StaticClass()
{
    return cl::DefineClass<TSkinScControl, TSkinControl>("TSkinScControl");
}

TSkinScControl::~TSkinScControl()
{
    TWScrollbar* bar = Bar;
    Bar = nullptr;
    cl::Free(bar);
}

void TSkinScControl::Notification(cl::TComponent& component, cl::TOperation operation)
{
    TSkinControl::Notification(component, operation);
    if (operation == cl::TOperation::opRemove && &component == Bar) Bar = nullptr;
}

void TSkinScControl::InitScControl(cl::TWinControl* control, TSkinData* data, TSkinnedForm* form, cl::TCanvas* canvas)
{
    if (Attached || !control) return;
    SkinData = data;
    Canvas = canvas;
    Control = control;
    Handle = control->Handle();
    UnicodeWindow = IsWindowUnicode(Handle) != FALSE;
    if (form) form->AddControlSkin(*this);
    Bar = new TWScrollbar(this);
    Bar->SetShowHint(control->ShowHint());
    Bar->SetHint(control->Hint());
    Bar->SetControl(this, control, TWScrollbar::kControl);
    if (!control->Visible()) Bar->HideBar();
    hook_ = std::make_unique<cl::TWindowProcHook>(*control, [this](cl::TMessage& m) { NewWndProc(m); });
    Attached = true;
    State = cssAttached;
}

void TSkinScControl::AfterProc(cl::TMessage& m)
{
    if (!Bar) {
        TSkinControl::AfterProc(m);
        return;
    }
    switch (m.Msg) {
    case WM_WINDOWPOSCHANGED: Bar->UpdatePosition(); break;
    case WM_NCPAINT:
        if (Control) Handle = Control->Handle();
        Bar->UpdatePosition();
        break;
    case SBM_SETSCROLLINFO:
    case cl::CN_VSCROLL:
    case cl::CN_HSCROLL: Bar->Invalidate(); break; // a horizontal control scrolls through CN_HSCROLL
    case cl::CM_VISIBLECHANGED:
        if (Control && Control->Visible()) Bar->UpdatePosition();
        else Bar->HideBar();
        break;
    default: TSkinControl::AfterProc(m); break;
    }
}

void TSkinScControl::Paint(HDC, const RECT&)
{
    if (Bar) Bar->Invalidate();
}

void TSkinScControl::Unsubclass()
{
    TSkinControl::Unsubclass();
    if (State != cssReleased) {
        TWScrollbar* bar = Bar;
        Bar = nullptr;
        cl::Free(bar);
    }
}

// ---------------------------------------------------------------------------------------
// The bars of a raw window

const cl::TClass& TSkinScrollbarH::StaticClass()
{
    return cl::DefineClass<TSkinScrollbarH, TSkinControl>("TSkinScrollbarH");
}

TSkinScrollbarH::~TSkinScrollbarH() { FreeBarPair(HBar, VBar); }

void TSkinScrollbarH::Notification(cl::TComponent& component, cl::TOperation operation)
{
    TSkinControl::Notification(component, operation);
    if (operation == cl::TOperation::opRemove) ForgetBar(component, HBar, VBar);
}

void TSkinScrollbarH::InitHwnd(HWND window, TSkinData* data, TSkinnedForm* form, cl::TCanvas* canvas)
{
    SkinData = data;
    Form = form;
    Canvas = canvas;
    Handle = window;
    UnicodeWindow = IsWindowUnicode(window) != FALSE;
    if (form) form->AddControlSkin(*this);
    HBar = new TWScrollbar(this);
    HBar->SetHwnd(this, window, TWScrollbar::kHorizontal);
    VBar = new TWScrollbar(this);
    VBar->SetHwnd(this, window, TWScrollbar::kVertical);
    // A Unicode window is subclassed and called wide: an 8-bit procedure would mangle its text.
    subclass_ = std::make_unique<cl::TWindowSubclass>(window, [this](cl::TMessage& m) { NewWndProc(m); });
    Attached = true;
    State = cssAttached;
}

void TSkinScrollbarH::AfterProc(cl::TMessage& m)
{
    if (VBar && !IsWindowVisible(Handle)) VBar->HideBar();
    switch (m.Msg) {
    case WM_SIZE:
    case WM_NCPAINT:
        if (HBar) HBar->UpdatePosition();
        if (VBar) VBar->UpdatePosition();
        // The client area only: repainting the frame here would come back as WM_NCPAINT.
        InvalidateRect(Handle, nullptr, FALSE);
        break;
    case WM_HSCROLL:
    case WM_VSCROLL:
        if (TWScrollbar* bar = m.Msg == WM_HSCROLL ? HBar : VBar) {
            bar->HotPart = LOWORD(m.WParam);
            bar->Invalidate();
        }
        break;
    default: TSkinControl::AfterProc(m); break;
    }
}

void TSkinScrollbarH::Paint(HDC dc, const RECT&)
{
    for (TWScrollbar* bar : {HBar, VBar})
        if (bar && bar->BarVisible) bar->Invalidate();
    if (VBar && HBar && VBar->BarVisible && HBar->BarVisible) {
        const RECT corner{VBar->BarRect.left, HBar->BarRect.top, VBar->BarRect.right + 2, HBar->BarRect.bottom + 2};
        FillFace(dc, corner);
    }
}

void TSkinScrollbarH::Unsubclass()
{
    TSkinControl::Unsubclass();
    if (State != cssReleased) {
        TWScrollbar* h = HBar;
        TWScrollbar* v = VBar;
        HBar = VBar = nullptr;
        cl::Free(h);
        cl::Free(v);
    }
}

} // namespace skin
