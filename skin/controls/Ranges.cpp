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
    const int pos = static_cast<int>(SendMessageW(Handle, PBM_GETPOS, 0, 0));
    const int high = static_cast<int>(SendMessageW(Handle, PBM_GETRANGE, FALSE, 0));
    const int low = static_cast<int>(SendMessageW(Handle, PBM_GETRANGE, TRUE, 0));
    if (progress->Style == 1) {
        PaintChunks(b, R, pos, high);
    } else {
        auto frame = [&](const RECT& r, int k) {
            if (r.right <= r.left) return;
            auto built = MakeNinePartBitmap(r, *progress->Bitmap, progress->Margins(), false, progress->Tile == 1, 2, k);
            if (built) DrawTransparent(b, r, *built, Magenta);
        };
        frame(R, 1);
        const int filled = ProgressFilledRight(R.left, w, pos, low, high);
        if (filled > R.left) frame(RECT{R.left, R.top, filled, R.bottom}, 2);
    }
    if (vertical) RotateLeft(bar);
    BitBlt(dc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, b, 0, 0, SRCCOPY);
}

void TSkinProgress::PaintChunks(HDC bar, const RECT& R, int pos, int high)
{
    const TDataSkinBorder& progress = *SkinData->Progress;
    // The whole image is one frame here, margins kept, stretched.
    if (auto back = MakeNinePartBitmap(R, *progress.Bitmap, progress.Margins(), false, false, 1, 1))
        DrawTransparent(bar, R, *back, Magenta);
    const TDataSkinObject* chunk = SkinData->ProgressChunk.get();
    if (!chunk || !chunk->HasImage() || high <= 0 || pos <= 0) return;
    // The low end of the range does not count here.
    const int filled = MulDiv(R.right - R.left, pos, high);
    cl::TBitmap& image = *chunk->Bitmap;
    const int cw = image.Width(), ch = image.Height();
    if (filled <= 0 || cw <= 0 || ch <= 0) return;
    cl::TBitmap strip;
    strip.SetPixelFormat(cl::pf24bit);
    if (chunk->Tile == 1) {
        strip.SetSize(filled, ch);
        for (int x = 0; x <= filled; x += cw)
            BitBlt(strip.Canvas()->Handle(), x, 0, cw, ch, image.Canvas()->Handle(), 0, 0, SRCCOPY);
        BitBlt(bar, chunk->LeftWidth + 2, R.top + (R.bottom - ch) / 2, filled, ch, strip.Canvas()->Handle(), 0, 0,
               SRCCOPY);
        return;
    }
    const int height = R.bottom - 4;
    if (height <= 0) return;
    strip.SetSize(filled, height);
    const RECT target{R.left, R.top, R.left + filled, R.bottom};
    if (auto built = MakeNinePartBitmap(target, image, chunk->Margins(), false, false, 1, 1))
        BitBlt(strip.Canvas()->Handle(), 0, 0, filled, height, built->Canvas()->Handle(), 0, 0, SRCCOPY);
    BitBlt(bar, 2, 2, filled, height, strip.Canvas()->Handle(), 0, 0, SRCCOPY);
}

// ---------------------------------------------------------------------------------------
// Up-down

const cl::TClass& TSkinUpDown::StaticClass() { return cl::DefineClass<TSkinUpDown, TSkinControl>("TSkinUpDown"); }

bool TSkinUpDown::BeforeProc(cl::TMessage& m)
{
    switch (m.Msg) {
    case WM_PAINT: PaintMessage(*this, m); return false;
    case WM_ERASEBKGND:
        if (!Control) {
            RECT r{};
            GetClientRect(Handle, &r);
            FillColorRect(reinterpret_cast<HDC>(m.WParam), r, cl::clWhite);
        }
        m.Result = 1;
        return false;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        CallPrevProc(m);
        SetPressed(true);
        PaintControl(nullptr);
        return false;
    case WM_LBUTTONUP:
        SetPressed(false);
        CallPrevProc(m);
        PaintControl(nullptr);
        return false;
    default: return TSkinControl::BeforeProc(m);
    }
}

void TSkinUpDown::Paint(HDC dc, const RECT& given)
{
    RECT rect = given;
    if (EditAttached) {
        RECT client{};
        GetClientRect(Handle, &client);
        FillColorRect(dc, client, cl::clWhite);
        RECT own{}, parent{};
        GetWindowRect(Handle, &own);
        GetWindowRect(GetParent(Handle), &parent);
        rect.top = std::max<LONG>(rect.top, parent.top + 3 - own.top);
        rect.bottom = std::min<LONG>(rect.bottom, parent.bottom - 3 - own.top);
        rect.right = std::min<LONG>(rect.right, parent.right - 3 - own.left);
    }
    const int w = rect.right - rect.left, h = rect.bottom - rect.top;
    if (w <= 0 || h <= 0) return;
    cl::TBitmap buffer;
    buffer.SetPixelFormat(cl::pf24bit);
    buffer.SetSize(w, h);
    const HDC b = buffer.Canvas()->Handle();
    FillFace(b, RECT{0, 0, w, h});
    Enabled = !(GetWindowLongX(Handle, GWL_STYLE) & WS_DISABLED);
    POINT cursor{};
    GetCursorPos(&cursor);
    ScreenToClient(Handle, &cursor);

    const bool horizontal = Horizontal || (GetWindowLongX(Handle, GWL_STYLE) & UDS_HORZ);
    struct Button {
        RECT r;
        int part;
    } buttons[2];
    if (horizontal) {
        const int half = w / 2;
        buttons[0] = {RECT{0, 0, half, h}, 2};
        buttons[1] = {RECT{half, 0, w, h}, 3};
    } else {
        const int half = h / 2;
        buttons[0] = {RECT{0, 0, w, half}, 0};
        buttons[1] = {RECT{0, half, w, h}, 1};
    }
    TDataSkinBorder* image = SkinData ? (horizontal ? SkinData->UpDownHorz.get() : SkinData->UpDownVert.get()) : nullptr;
    for (const Button& button : buttons) {
        // The cursor in button coordinates of the window (the buffer starts at rect's corner).
        RECT onWindow = button.r;
        OffsetRect(&onWindow, rect.left, rect.top);
        int state = 1;
        if (!Enabled) state = 3;
        else if (PtInRect(&onWindow, cursor)) state = Pressed() ? 2 : Hot() ? 4 : 1;
        if (image && image->HasImage() && image->Frame > 0) {
            const int k = state + 4 * (button.part % 2);
            DrawFrame(b, button.r, *image->Bitmap, true, image->Frame, k);
            if (image->Bitmap2 && !image->Bitmap2->Empty())
                DrawFrameCentered(b, button.r, *image->Bitmap2, true, image->Frame, k);
        } else {
            cl::BrushHandle fill(CreateSolidBrush(
                static_cast<COLORREF>(SkinColor(state == 1 || state == 3 ? scButtonFace : scButtonShadow))));
            cl::PenHandle pen(CreatePen(PS_SOLID, 1, static_cast<COLORREF>(SkinColor(scButtonDkShadow))));
            const HGDIOBJ oldBrush = SelectObject(b, fill.get());
            const HGDIOBJ oldPen = SelectObject(b, pen.get());
            Rectangle(b, button.r.left, button.r.top, button.r.right, button.r.bottom);
            const int cx = (button.r.left + button.r.right) / 2;
            int cy = (button.r.top + button.r.bottom) / 2;
            if (button.part < 2) cy -= 2;
            DrawArrow(b, cx, cy, button.part);
            SelectObject(b, oldPen);
            SelectObject(b, oldBrush);
        }
    }
    BitBlt(dc, rect.left, rect.top, w, h, b, 0, 0, SRCCOPY);
}

} // namespace skin
