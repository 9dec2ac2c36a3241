// Popup-menu windows framed from the skin's menu background.
#include "skin/engine/SkinnedPopMenu.h"

#include "skin/SkinDraw.h"
#include "skin/engine/SkinManage.h"
#include "skin/engine/SkinMessages.h"

#include "classlib/WinHandle.h"

namespace skin {

const cl::TClass& TSkinnedPopMenu::StaticClass()
{
    return cl::DefineClass<TSkinnedPopMenu, cl::TObject>("TSkinnedPopMenu");
}

TSkinnedPopMenu::TSkinnedPopMenu() : backBuffer_(std::make_unique<cl::TBitmap>()) {}

TSkinnedPopMenu::~TSkinnedPopMenu() { Restore(); }

void TSkinnedPopMenu::Attach(HWND window, TSkinData& data, HMENU menu)
{
    Restore();
    Window = window;
    SkinData = &data;
    Menu = menu;
    subclass_ = std::make_unique<cl::TWindowSubclass>(window, [this](cl::TMessage& m) { MenuWndProc(m); });
    FromMenuBar = false;
}

void TSkinnedPopMenu::Restore()
{
    if (!subclass_) return;
    subclass_->Restore();
    backBuffer_->SetSize(0, 0);
    // The subclass object stays until the next attach or destruction: a message may still
    // be running through it.
}

void TSkinnedPopMenu::CallOldProc(cl::TMessage& m)
{
    if (subclass_) subclass_->CallOld(m);
}

void TSkinnedPopMenu::MenuWndProc(cl::TMessage& m)
{
    if (m.Msg == WM_SKIN_QUERY) {
        m.Result = 1;
        return;
    }
    if (!SkinManager || !SkinManager->Active) {
        CallOldProc(m);
        return;
    }
    switch (m.Msg) {
    case WM_DESTROY:
        Restore();
        CallOldProc(m);
        return;
    case WM_ERASEBKGND:
        if (!SkinIsNT()) {
            m.Result = 0;
            return;
        }
        if (!SkinData || !SkinData->Has(xoMenuBG)) CallOldProc(m);
        m.Result = 1;
        return;
    case WM_NCPAINT: OnNcPaint(m); return;
    case WM_PRINT: OnPrint(m); return;
    default: CallOldProc(m); return;
    }
}

bool TSkinnedPopMenu::CanPaint() const
{
    return SkinData && !SkinData->Empty && SkinData->MenuBackground && SkinData->MenuBackground->HasImage();
}

void TSkinnedPopMenu::BuildBackBuffer(int width, int height)
{
    const TDataSkinObject& bg = *SkinData->MenuBackground;
    auto image = MakeNinePartBitmap(RECT{0, 0, width, height}, *bg.Bitmap, bg.Margins(), false, bg.Tile == 1, 1, 1);
    backBuffer_->SetPixelFormat(cl::pf24bit);
    backBuffer_->SetSize(width, height);
    BitBlt(backBuffer_->Canvas()->Handle(), 0, 0, width, height, image->Canvas()->Handle(), 0, 0, SRCCOPY);
}

const cl::TBitmap* TSkinnedPopMenu::Background()
{
    RECT w{};
    if (!Attached() || !CanPaint() || !GetWindowRect(Window, &w)) return nullptr;
    const int width = w.right - w.left, height = w.bottom - w.top;
    if (width <= 0 || height <= 0) return nullptr;
    if (backBuffer_->Width() != width || backBuffer_->Height() != height) BuildBackBuffer(width, height);
    return backBuffer_.get();
}

void TSkinnedPopMenu::OnNcPaint(cl::TMessage& m)
{
    if (!CanPaint() || m.WParam != 1) {
        CallOldProc(m);
        return;
    }
    RECT w{};
    GetWindowRect(Window, &w);
    const int width = w.right - w.left, height = w.bottom - w.top;
    // The whole window's DC, on every platform version.
    cl::WindowDc dc(Window, true);
    if (!dc.get() || width <= 0 || height <= 0) return;
    BuildBackBuffer(width, height);
    BitBlt(dc.get(), 0, 0, width, height, backBuffer_->Canvas()->Handle(), 0, 0, SRCCOPY);
    m.Result = 0;
}

void TSkinnedPopMenu::OnPrint(cl::TMessage& m)
{
    RECT w{};
    if (!CanPaint() || !GetWindowRect(Window, &w)) {
        CallOldProc(m);
        return;
    }
    const int width = w.right - w.left, height = w.bottom - w.top;
    HDC dc = reinterpret_cast<HDC>(m.WParam);
    if (width <= 0 || height <= 0 || !dc) {
        CallOldProc(m);
        return;
    }
    cl::RegionHandle inner(CreateRectRgn(3, 3, width - 3, height - 3));
    BuildBackBuffer(width, height);
    BitBlt(dc, 0, 0, width, height, backBuffer_->Canvas()->Handle(), 0, 0, SRCCOPY);
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    SelectClipRgn(dc, inner.get());
    CallOldProc(m);
    SelectClipRgn(dc, nullptr);
    SetBkMode(dc, oldMode);
}

} // namespace skin
