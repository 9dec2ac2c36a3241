// Tab control and tab set skins.
#include "skin/controls/Tabs.h"

#include "skin/ImgUtilWin.h"
#include "skin/SkinDraw.h"
#include "skin/controls/ControlDraw.h"
#include "skin/controls/PropAccess.h"
#include "skin/controls/Ranges.h"
#include "skin/engine/SkinData.h"

#include "classlib/Strings.h"
#include "classlib/SysUtils.h"
#include "classlib/WinHandle.h"

#include <commctrl.h>

namespace skin {

namespace {
int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

constexpr UINT IconTextFlags = DT_END_ELLIPSIS | DT_WORDBREAK | DT_EXPANDTABS; // 0x8050

// An item's icon and text side by side in R: alignment 0 left (3 pixels in), 1 centred,
// 2 right.
void DrawIconText(const TSkinControl& companion, HDC dc, const RECT& R, int alignment, const std::wstring& text,
                  int imageIndex, HIMAGELIST images)
{
    int iw = 0, ih = 0;
    if (images && imageIndex != -1) {
        ImageList_GetIconSize(images, &iw, &ih);
        if (iw >= Width(R)) iw = ih = 0;
    }
    RECT T = R;
    if (images && imageIndex != -1) T.right += iw + 2;
    if (text.empty()) T.right = T.left;
    else SkinDrawText(dc, text, T, IconTextFlags | DT_CALCRECT | DT_NOCLIP);
    int x = 3;
    if (alignment == 1) x = (Width(R) - iw - Width(T)) / 2;
    else if (alignment == 2) x = Width(R) - iw - Width(T) - 2;
    if (x < 2) x = 1;
    if (iw > 0) ImageList_Draw(images, imageIndex, dc, R.left + x, R.top + (Height(R) - ih) / 2, ILD_TRANSPARENT);
    if (text.empty()) return;
    OffsetRect(&T, R.left + x + iw - T.left, R.top + (Height(R) - Height(T)) / 2 - T.top);
    T.left = std::max(T.left, R.left);
    T.right = std::min(T.right, R.right);
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    COLORREF oldColour = 0;
    if (!companion.Enabled) oldColour = SetTextColor(dc, static_cast<COLORREF>(cl::ColorToRGB(cl::clBtnShadow)));
    SkinDrawText(dc, text, T, ReadingOrder(companion, IconTextFlags));
    if (!companion.Enabled) SetTextColor(dc, oldColour);
    SetBkMode(dc, oldMode);
}

// A copy of image in 24 bits, or an empty bitmap.
void Copy24(cl::TBitmap* image, cl::TBitmap& into)
{
    into.SetSize(0, 0);
    if (!image || image->Empty()) return;
    CopyBitmap(*image, into);
    into.SetPixelFormat(cl::pf24bit);
}

void SelectWindowFont(HDC dc, HWND window, std::unique_ptr<cl::SelectGuard>& guard)
{
    if (auto font = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)))
        guard = std::make_unique<cl::SelectGuard>(dc, font);
}
} // namespace

TTabOrientation TabOrientation(DWORD style)
{
    const bool bottom = (style & TCS_BOTTOM) != 0, vertical = (style & TCS_VERTICAL) != 0;
    if (vertical) return bottom ? toRight : toLeft;
    return bottom ? toBottom : toTop;
}

// ---------------------------------------------------------------------------------------
// Tab control

const cl::TClass& TSkinTab::StaticClass() { return cl::DefineClass<TSkinTab, TSkinControl>("TSkinTab"); }

void TSkinTab::InitControl(TSkinnedForm* form, TSkinData* data, bool colourControl, cl::TCanvas* canvas)
{
    TSkinControl::InitControl(form, data, colourControl, canvas);
    if (!Handle) return;
    Enabled = !(GetWindowLongX(Handle, GWL_STYLE) & WS_DISABLED);
    LoadImages();
    SkinUpDown();
    Active = true;
    UnicodeWindow = IsWindowUnicode(Handle) != FALSE;
}

void TSkinTab::InitHwnd(HWND window, TSkinData* data, TSkinnedForm* form, cl::TCanvas* canvas)
{
    TSkinControl::InitHwnd(window, data, form, canvas);
    Focused = GetFocus() == window;
    Enabled = !(GetWindowLongX(window, GWL_STYLE) & WS_DISABLED);
    Caption = GetWindowCaption(window);
    LoadImages();
    SkinUpDown();
    Active = true;
    UnicodeWindow = IsWindowUnicode(window) != FALSE;
}

bool TSkinTab::BeforeProc(cl::TMessage& m)
{
    if (m.Msg == WM_PAINT) {
        PaintMessage(*this, m);
        return false;
    }
    return TSkinControl::BeforeProc(m);
}

void TSkinTab::SkinChange()
{
    TSkinControl::SkinChange();
    LoadImages();
}

void TSkinTab::LoadImages()
{
    Orientation = TabOrientation(static_cast<DWORD>(GetWindowLongX(Handle, GWL_STYLE)));
    const TDataSkinBorder* tabs = SkinData ? SkinData->Tabs.get() : nullptr;
    Copy24(tabs ? tabs->Bitmap.get() : nullptr, tabs_);
    pane_.SetSize(0, 0);
    if (tabs && tabs->Style == 0) Copy24(tabs->Bitmap2.get(), pane_);
    else if (tabs && tabs->Style == 1 && SkinData->TabPane) Copy24(SkinData->TabPane->Bitmap.get(), pane_);
    switch (Orientation) {
    case toBottom:
        if (!tabs_.Empty()) FlipBitmap(tabs_);
        if (!pane_.Empty()) FlipBitmap(pane_);
        break;
    case toLeft:
        if (!pane_.Empty()) RotateLeft(pane_);
        break;
    case toRight:
        if (!pane_.Empty()) RotateRight(pane_);
        break;
    default: break;
    }
}

bool TSkinTab::SkinUpDown()
{
    HWND arrows = FindWindowExW(Handle, nullptr, UPDOWN_CLASSW, nullptr);
    if (!arrows) return false;
    if (!UpDown) {
        // Freed with the tab control's owner (or with this skin when there is none).
        UpDown = new TSkinUpDown(Owner() ? Owner() : this);
        UpDown->InitHwnd(arrows, SkinData, Form, Canvas);
    }
    return (GetWindowLongW(arrows, GWL_STYLE) & WS_VISIBLE) != 0;
}

void TSkinTab::Paint(HDC dc, const RECT& R)
{
    const TDataSkinBorder* tabs = SkinData ? SkinData->Tabs.get() : nullptr;
    if (!tabs || Width(R) <= 0 || Height(R) <= 0) return;
    RECT P = R;
    SendMessageW(Handle, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&P));
    InflateRect(&P, 4, 4);
    switch (Orientation) {
    case toTop: ++P.top; break;
    case toBottom: --P.bottom; break;
    case toLeft: ++P.left; break;
    case toRight: --P.right; break;
    }
    const int count = static_cast<int>(SendMessageW(Handle, TCM_GETITEMCOUNT, 0, 0));
    const int focused = static_cast<int>(SendMessageW(Handle, TCM_GETCURFOCUS, 0, 0));
    const auto images = reinterpret_cast<HIMAGELIST>(SendMessageW(Handle, TCM_GETIMAGELIST, 0, 0));

    if (!tabs_.Empty() && tabs->Frame > 0) {
        RECT S{};
        switch (Orientation) {
        case toTop: S = {R.left, R.top, R.right, P.top}; break;
        case toBottom: S = {R.left, P.bottom, R.right, R.bottom}; break;
        case toLeft: S = {R.left, R.top, P.left, R.bottom}; break;
        case toRight: S = {P.right, R.top, R.right, R.bottom}; break;
        }
        const bool lying = Orientation == toLeft || Orientation == toRight;
        const int sw = lying ? Height(S) : Width(S), sh = lying ? Width(S) : Height(S);
        if (sw > 0 && sh > 0) {
            strip_.SetPixelFormat(cl::pf24bit);
            strip_.SetSize(sw, sh);
            const HDC b = strip_.Canvas()->Handle();
            FillParent(b, RECT{0, 0, sw, sh});
            {
                std::unique_ptr<cl::SelectGuard> font;
                SelectWindowFont(b, Handle, font);
                for (int i = 0; i < count; ++i) {
                    wchar_t text[80] = {};
                    std::wstring caption;
                    int image = -1;
                    if (UnicodeWindow) {
                        TCITEMW item{};
                        item.mask = 0x13;
                        item.pszText = text;
                        item.cchTextMax = 80;
                        if (SendMessageW(Handle, TCM_GETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item))) {
                            caption = text;
                            image = item.iImage;
                        }
                    } else {
                        char narrow[80] = {};
                        TCITEMA item{};
                        item.mask = 0x13;
                        item.pszText = narrow;
                        item.cchTextMax = 80;
                        if (SendMessageA(Handle, TCM_GETITEMA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item))) {
                            caption = AnsiToWide(narrow);
                            image = item.iImage;
                        }
                    }
                    RECT I{};
                    if (!SendMessageW(Handle, TCM_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&I)))
                        continue;
                    switch (Orientation) {
                    case toTop: OffsetRect(&I, 0, 1); break;
                    case toBottom: OffsetRect(&I, 0, -(P.bottom + 1)); break;
                    case toLeft: I = {sw - I.bottom, I.left, sw - I.top, I.right}; break;
                    case toRight: I = {I.top - 1, R.right - I.right, I.bottom - 1, R.right - I.left}; break;
                    }
                    const int state = i == focused ? 2 : 1;
                    DrawSkinPart(b, I, tabs_, false, tabs->Tile == 1, tabs->Trans == 1, tabs->Frame, state,
                                 tabs->Margins());
                    SetTextColor(b, static_cast<COLORREF>(
                                        cl::ColorToRGB(state == 1 ? tabs->NormalColour2 : tabs->MouseOverColour2)));
                    DrawIconText(*this, b, I, 1, caption, image, images);
                }
            }
            if (Orientation == toRight) RotateRight(strip_);
            else if (Orientation == toLeft) RotateLeft(strip_);

            RECT arrows{};
            if (SkinUpDown() && UpDown && GetWindowRect(UpDown->Handle, &arrows)) {
                // The scroll arrows keep their own skin: the strip goes around them.
                RECT own{};
                GetWindowRect(Handle, &own);
                OffsetRect(&arrows, -own.left, -own.top);
                cl::RegionHandle clip(CreateRectRgn(0, 0, Width(R), Height(R)));
                cl::RegionHandle hole(CreateRectRgnIndirect(&arrows));
                CombineRgn(clip.get(), clip.get(), hole.get(), RGN_DIFF);
                SelectClipRgn(dc, clip.get());
                BitBlt(dc, S.left, S.top, Width(S), Height(S), strip_.Canvas()->Handle(), 0, 0, SRCCOPY);
                SelectClipRgn(dc, nullptr);
            } else {
                BitBlt(dc, S.left, S.top, Width(S), Height(S), strip_.Canvas()->Handle(), 0, 0, SRCCOPY);
            }
        }
    }

    if (!pane_.Empty()) {
        if (tabs->Style != 0) {
            if (SkinData->TabPane) DrawSkinPart(dc, P, pane_, false, false, false, 1, 1, SkinData->TabPane->Margins());
        } else {
            try {
                DrawSkinPart(dc, P, pane_, false, false, false, 1, 1, RECT{4, 5, 4, 4});
            } catch (...) {
                // A pane image smaller than its fixed margins leaves the page as it is.
            }
        }
    }
}

// ---------------------------------------------------------------------------------------
// Tab set

const cl::TClass& TSkinTab31::StaticClass() { return cl::DefineClass<TSkinTab31, TSkinControl>("TSkinTab31"); }

void TSkinTab31::InitControl(TSkinnedForm* form, TSkinData* data, bool, cl::TCanvas* canvas)
{
    auto* control = dynamic_cast<cl::TWinControl*>(Owner());
    if (!control || Attached) return;
    Control = control;
    TSkinControl::InitHwnd(control->Handle(), data, form, canvas);
    LoadImage();
}

void TSkinTab31::LoadImage()
{
    const TDataSkinBorder* tabs = SkinData ? SkinData->Tabs.get() : nullptr;
    Copy24(tabs ? tabs->Bitmap.get() : nullptr, tabs_);
    if (!tabs_.Empty()) FlipBitmap(tabs_);
}

void TSkinTab31::SkinChange()
{
    TSkinControl::SkinChange();
    LoadImage();
}

bool TSkinTab31::BeforeProc(cl::TMessage& m)
{
    switch (m.Msg) {
    case WM_PAINT: PaintMessage(*this, m); return true; // the tab set paints after the skin
    case WM_ERASEBKGND: m.Result = 1; return false;
    default: return TSkinControl::BeforeProc(m);
    }
}

void TSkinTab31::Paint(HDC dc, const RECT& R)
{
    const TDataSkinBorder* tabs = SkinData ? SkinData->Tabs.get() : nullptr;
    if (!tabs || tabs_.Empty() || tabs->Frame <= 0 || !Control || Width(R) <= 0 || Height(R) <= 0) return;
    cl::TBitmap buffer;
    buffer.SetPixelFormat(cl::pf24bit);
    buffer.SetSize(Width(R), Height(R));
    cl::TCanvas& canvas = *buffer.Canvas();
    canvas.Font().Assign(*Control->Font());
    const HDC b = canvas.Handle();
    FillFace(b, RECT{0, 0, Width(R), Height(R)});

    auto* list = static_cast<cl::TStrings*>(GetPropObject(Control, "Tabs", cl::TStrings::StaticClass()));
    const int selected = static_cast<int>(GetPropInt(Control, "TabIndex"));
    int x = static_cast<int>(GetPropInt(Control, "StartMargin"));
    const int limit = Width(R) - static_cast<int>(GetPropInt(Control, "EndMargin"));
    for (int i = std::max(0, static_cast<int>(GetPropInt(Control, "FirstIndex"))); list && i < list->Count(); ++i) {
        const std::wstring text = AnsiToWide(list->Get(i));
        SIZE size{};
        GetTextExtentPoint32W(b, text.c_str(), static_cast<int>(text.size()), &size);
        const int w = size.cx;
        if (x + w + 9 > limit) continue; // a narrower tab further on may still fit
        const int state = i == selected ? 2 : 1;
        const RECT tab{x, 0, x + w + 9, Height(R)};
        DrawSkinPart(b, tab, tabs_, false, tabs->Tile == 1, tabs->Trans == 1, tabs->Frame, state, tabs->Margins());
        SetTextColor(b, static_cast<COLORREF>(cl::ColorToRGB(state == 1 ? tabs->NormalColour2 : tabs->MouseOverColour2)));
        DrawPanelText(*this, b, tab, DT_CENTER, true, text);
        x += w + 9;
    }
    BitBlt(dc, R.left, R.top, Width(R), Height(R), b, 0, 0, SRCCOPY);
}

} // namespace skin
