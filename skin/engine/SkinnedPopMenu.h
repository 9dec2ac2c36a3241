// A platform popup-menu window ("#32768") framed from the skin: its background and a
// 3-pixel frame come from the skin's menu background image; the items are drawn by the
// platform (or by owner drawing) on top.
#pragma once

#include "skin/engine/SkinData.h"

#include "classlib/Controls.h"
#include "classlib/Graphics.h"

#include <windows.h>

#include <memory>

namespace skin {

class TSkinnedPopMenu : public cl::TObject {
    CL_CLASS(TSkinnedPopMenu)
public:
    TSkinnedPopMenu();
    ~TSkinnedPopMenu() override;

    void Attach(HWND Window, TSkinData& Data, HMENU Menu);
    // Puts the old procedure back; nothing when not attached.
    void Restore();
    void CallOldProc(cl::TMessage& m);
    bool Attached() const { return subclass_ && subclass_->Installed(); }
    // The menu background at the window's size (built when the window has not painted it
    // yet, or has changed size), behind the owner-drawn items; null when the skin has none.
    const cl::TBitmap* Background();

    HWND Window = nullptr;
    TSkinData* SkinData = nullptr;
    HMENU Menu = nullptr;
    bool FromMenuBar = false;

private:
    void MenuWndProc(cl::TMessage& m);
    bool CanPaint() const;
    // The menu background at the window's size, in the back buffer.
    void BuildBackBuffer(int width, int height);
    void OnNcPaint(cl::TMessage& m);
    void OnPrint(cl::TMessage& m);

    std::unique_ptr<cl::TWindowSubclass> subclass_;
    std::unique_ptr<cl::TBitmap> backBuffer_;
};

} // namespace skin
