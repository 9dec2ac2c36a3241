// The header control skin.
#include "skin/controls/Headers.h"

#include "skin/SkinDraw.h"
#include "skin/controls/ControlDraw.h"
#include "skin/engine/SkinData.h"

#include "classlib/WinHandle.h"

#include <commctrl.h>

namespace skin {

namespace {
int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }
} // namespace

THeaderContent PlaceHeaderContent(int w, int h, int alignment, int iconW, int iconH, int textW, int textH)
{
    int x;
    switch (alignment) {
    case 1: x = w - iconW - textW - 2; break;
    case 2: x = (w - iconW - textW) / 2; break;
    default: x = 3; break;
    }
    if (x < 2) x = 1;
    THeaderContent c;
    c.iconX = x;
    c.iconY = (h - iconH) / 2;
    c.textX = x + iconW;
    c.textY = (h - textH) / 2;
    return c;
}

const cl::TClass& TSkinHeader::StaticClass() { return cl::DefineClass<TSkinHeader, TSkinControl>("TSkinHeader"); }

TSkinHeader::~TSkinHeader() { ItemRects.clear(); }

void TSkinHeader::InitControl(TSkinnedForm* form, TSkinData* data, bool colourControl, cl::TCanvas* canvas)
{
    TSkinControl::InitControl(form, data, colourControl, canvas);
    HotItem = -1;
}

void TSkinHeader::InitHwnd(HWND window, TSkinData* data, TSkinnedForm* form, cl::TCanvas* canvas)
{
    TSkinControl::InitHwnd(window, data, form, canvas);
    HotItem = -1;
}

bool TSkinHeader::BeforeProc(cl::TMessage& m)
{
    const TDataSkinObject* bar = SkinData ? SkinData->Headerbar.get() : nullptr;
    switch (m.Msg) {
    case WM_PAINT: PaintMessage(*this, m); return false;
    case WM_ERASEBKGND:
        if (!bar || !bar->HasImage()) return true;
        m.Result = 1;
        return false;
    default: return TSkinControl::BeforeProc(m);
    }
}

void TSkinHeader::AfterProc(cl::TMessage& m)
{
    switch (m.Msg) {
    case WM_MOUSEMOVE: {
        const POINT p{LOWORD(m.LParam), HIWORD(m.LParam)};
        for (size_t i = 0; i < ItemRects.size(); ++i) {
            if (PtInRect(&ItemRects[i], p) && HotItem != static_cast<int>(i)) {
                HotItem = static_cast<int>(i);
                PaintControl(nullptr);
            }
        }
        SkinTrackMouseLeave(Handle);
        break;
    }
    case WM_MOUSELEAVE:
        HotItem = -1;
        PaintControl(nullptr);
        break;
    default: TSkinControl::AfterProc(m); break;
    }
}

void TSkinHeader::Paint(HDC dc, const RECT& rect)
{
    const TDataSkinObject* bar = SkinData ? SkinData->Headerbar.get() : nullptr;
    if (!bar || !bar->HasImage() || bar->Frame <= 0) return;
    const int w = Width(rect), h = Height(rect);
    if (w <= 0 || h <= 0) return;
    cl::TBitmap buffer;
    buffer.SetPixelFormat(cl::pf24bit);
    buffer.SetSize(w, h);
    const HDC b = buffer.Canvas()->Handle();
    const cl::SelectGuard font(b, reinterpret_cast<HGDIOBJ>(SendMessageW(Handle, WM_GETFONT, 0, 0)));
    SetBkMode(b, TRANSPARENT);

    const auto images = reinterpret_cast<HIMAGELIST>(SendMessageW(Handle, HDM_GETIMAGELIST, 0, 0));
    const int n = static_cast<int>(SendMessageW(Handle, HDM_GETITEMCOUNT, 0, 0));
    ItemRects.assign(static_cast<size_t>(std::max(n, 0)), RECT{});
    int rightmost = 0;
    for (int i = 0; i < n; ++i) {
        RECT r{};
        if (!SendMessageW(Handle, HDM_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r))) continue;
        DrawItem(b, i, r, images);
        ItemRects[static_cast<size_t>(i)] = RECT{r.left + 3, r.top, r.right - 3, r.bottom};
        rightmost = std::max<int>(rightmost, r.right);
    }
    if (rightmost < w)
        DrawSkinPart(b, RECT{rightmost, 0, w, h}, *bar->Bitmap, false, bar->Tile != 0, false, bar->Frame, 1,
                     bar->Margins());
    BitBlt(dc, rect.left, rect.top, w, h, b, 0, 0, SRCCOPY);
}

void TSkinHeader::DrawItem(HDC dc, int index, const RECT& r, HIMAGELIST images)
{
    const TDataSkinObject& bar = *SkinData->Headerbar;
    const int w = Width(r), h = Height(r);
    if (w <= 0 || h <= 0) return;
    wchar_t text[201] = {};
    HDITEMW item{};
    item.mask = HDI_TEXT | HDI_FORMAT | HDI_IMAGE;
    item.pszText = text;
    item.cchTextMax = 201;
    SendMessageW(Handle, HDM_GETITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));

    cl::TBitmap cell;
    cell.SetPixelFormat(cl::pf24bit);
    cell.SetSize(w, h);
    const HDC c = cell.Canvas()->Handle();
    DrawSkinPart(c, RECT{0, 0, w, h}, *bar.Bitmap, false, bar.Tile != 0, false, bar.Frame, index == HotItem ? 2 : 1,
                 bar.Margins());
    const std::wstring caption = text;
    if (!caption.empty()) {
        const cl::SelectGuard font(c, GetCurrentObject(dc, OBJ_FONT));
        const int alignment = (item.fmt & HDF_RIGHT) ? 1 : (item.fmt & HDF_CENTER) ? 2 : 0;
        const int image = (item.fmt & (HDF_IMAGE | HDF_OWNERDRAW)) ? item.iImage : -1;
        int iconW = 0, iconH = 0;
        if (image != -1 && images) {
            ImageList_GetIconSize(images, &iconW, &iconH);
            if (iconW >= w) iconW = iconH = 0;
        } else {
            iconW = iconH = 0;
        }
        const UINT flags = DT_END_ELLIPSIS | DT_EXPANDTABS;
        RECT t{0, 0, w, h};
        SkinDrawText(c, caption, t, flags | DT_CALCRECT | DT_NOCLIP);
        const THeaderContent at = PlaceHeaderContent(w, h, alignment, iconW, iconH, Width(t), Height(t));
        if (iconW > 0) ImageList_Draw(images, image, c, at.iconX, at.iconY, ILD_TRANSPARENT);
        SetBkMode(c, TRANSPARENT);
        if (SkinData->ColorSet[scWindowText])
            SetTextColor(c, static_cast<COLORREF>(cl::ColorToRGB(SkinData->Colors[scWindowText])));
        RECT drawn{at.textX, at.textY, at.textX + Width(t), at.textY + Height(t)};
        drawn.left = std::max<LONG>(drawn.left, 0);
        drawn.right = std::min<LONG>(drawn.right, w);
        SkinDrawText(c, caption, drawn, ReadingOrder(*this, flags));
    }
    BitBlt(dc, r.left, r.top, w, h, c, 0, 0, SRCCOPY);
}

} // namespace skin
