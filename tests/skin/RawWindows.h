// Raw windows for the engine tests on real windows: a test's own window class, windows of
// it destroyed when the test ends, a window skinned through the manager as its hook skins
// one, and its frame as the frame paint makes it.
#pragma once

#include "skin/engine/SkinData.h"
#include "skin/engine/SkinManage.h"
#include "skin/engine/SkinnedForm.h"

#include "classlib/Graphics.h"

#include "MessagePump.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

namespace skintest {

// Registers the class once per program, with proc as its window procedure.
inline void RegisterRawClass(const char* name, WNDPROC proc)
{
    WNDCLASSA wc{};
    if (GetClassInfoA(GetModuleHandleA(nullptr), name, &wc)) return;
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = name;
    RegisterClassA(&wc);
}

// A top-level window of the class with its top-left corner at (100, 100), not shown.
inline HWND RawWindow(const char* className, const char* title, DWORD style, int width, int height,
                      HMENU menu = nullptr, DWORD exStyle = 0)
{
    return CreateWindowExA(exStyle, className, title, style, 100, 100, width, height, nullptr, menu,
                           GetModuleHandleA(nullptr), nullptr);
}

// The component loaded as the fixtures load theirs: its manager made and switched on.
inline void StartSkin(skin::TSkinData& data)
{
    data.Loaded();
    ASSERT_NE(skin::SkinManager, nullptr);
    skin::SkinManager->Active = true;
}

// Skins the window through the manager and waits for its set-up message; then, with
// activate, makes its frame active (frame and caption buttons painted). Null, with the
// failure reported, when it was not skinned.
inline skin::TSkinnedForm* SkinNow(HWND wnd, bool activate = true)
{
    EXPECT_TRUE(skin::SkinManager->SkinWindow(wnd));
    skin::TSkinnedForm* f = skin::SkinManager->FindSkinForm(wnd);
    EXPECT_NE(f, nullptr);
    if (!f) return nullptr;
    EXPECT_TRUE(PumpUntil([f] { return f->Initialised; }));
    if (activate) SendMessageA(wnd, WM_NCACTIVATE, TRUE, 0);
    return f;
}

// The windows a test made; the fixture destroys them once its skin component is gone.
class RawWindows {
public:
    HWND Add(HWND wnd)
    {
        windows_.push_back(wnd);
        return wnd;
    }
    void DestroyAll()
    {
        for (HWND w : windows_)
            if (IsWindow(w)) DestroyWindow(w);
        windows_.clear();
    }

private:
    std::vector<HWND> windows_;
};

// The window's frame as its paint makes it, in window coordinates.
struct FrameShot {
    cl::TBitmap image;
    explicit FrameShot(skin::TSkinnedForm& f)
    {
        RECT w{};
        GetWindowRect(f.Window, &w);
        image.SetPixelFormat(cl::pf24bit);
        image.SetSize(w.right - w.left, w.bottom - w.top);
        f.PaintFrame(image.Canvas()->Handle());
    }
    cl::TColor At(int x, int y) { return image.Canvas()->Pixel(x, y); }
};

} // namespace skintest
