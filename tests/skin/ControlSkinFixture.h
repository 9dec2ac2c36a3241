// Shared pieces of the control-skin tests: a skin whose strips are one solid colour per
// frame, a shot of what a companion paints, and raw child windows on a pop-up parent.
#pragma once

#include "skin/engine/SkinControl.h"
#include "skin/engine/SkinData.h"
#include "skin/engine/SkinMessages.h"
#include "skin/engine/SkinnedForm.h"

#include "classlib/FormReader.h"
#include "classlib/Forms.h"
#include "classlib/StdCtrls.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace skin_test {

using skin::MakeRGB;
using skin::TColor;

const TColor Face = MakeRGB(240, 240, 240), Shadow = MakeRGB(90, 90, 90);
const TColor Normal = MakeRGB(10, 20, 30), PressedC = MakeRGB(40, 50, 60), DisabledC = MakeRGB(70, 80, 90),
             HotC = MakeRGB(100, 110, 120), FocusedC = MakeRGB(130, 140, 150);
const TColor Untouched = MakeRGB(1, 2, 3);

// Frames of w x h side by side, each one colour.
inline void Strip(cl::TBitmap& b, const std::vector<TColor>& frames, int w, int h)
{
    b.SetPixelFormat(cl::pf24bit);
    b.SetSize(w * static_cast<int>(frames.size()), h);
    for (size_t i = 0; i < frames.size(); ++i)
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) b.Canvas()->SetPixel(static_cast<int>(i) * w + x, y, frames[i]);
}

// Buttons in the five state colours; the face and shadow colours above.
inline std::unique_ptr<skin::TSkinData> ControlSkin()
{
    auto d = std::make_unique<skin::TSkinData>(nullptr);
    Strip(*d->Buttons->Bitmap, {Normal, PressedC, DisabledC, HotC, FocusedC}, 8, 8);
    d->Buttons->Frame = 5;
    d->Colors[skin::scButtonFace] = Face;
    d->Colors[skin::scButtonShadow] = Shadow;
    d->Colors[skin::scButtonText] = MakeRGB(0, 0, 0);
    d->FormColor = MakeRGB(45, 55, 73); // the top border's sample: never a control's face
    d->Empty = false;
    return d;
}

// What a companion paints, on a 24-bit bitmap of its window's size first filled with
// Untouched.
struct Shot {
    cl::TBitmap bitmap;
    Shot(skin::TSkinControl& skin, int w, int h)
    {
        bitmap.SetPixelFormat(cl::pf24bit);
        bitmap.SetSize(w, h);
        HBRUSH brush = CreateSolidBrush(static_cast<COLORREF>(Untouched));
        const RECT all{0, 0, w, h};
        FillRect(bitmap.Canvas()->Handle(), &all, brush);
        DeleteObject(brush);
        skin.PaintControl(bitmap.Canvas()->Handle());
    }
    TColor At(int x, int y) { return bitmap.Canvas()->Pixel(x, y); }
};

// Raw child windows of a visible pop-up, skinned through their window handle.
struct RawChild : ::testing::Test {
    std::unique_ptr<skin::TSkinData> data = ControlSkin();
    HWND parent = nullptr;
    std::vector<skin::TSkinControl*> skins;
    void SetUp() override
    {
        INITCOMMONCONTROLSEX icc{sizeof(INITCOMMONCONTROLSEX), ICC_TAB_CLASSES | ICC_BAR_CLASSES | ICC_UPDOWN_CLASS | ICC_PROGRESS_CLASS};
        InitCommonControlsEx(&icc);
        parent = CreateWindowExW(0, L"STATIC", L"parent", WS_POPUP | WS_VISIBLE, 0, 0, 300, 200, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(parent, nullptr);
    }
    void TearDown() override
    {
        for (skin::TSkinControl* s : skins) cl::Free(s);
        DestroyWindow(parent);
    }
    HWND Child(const wchar_t* cls, DWORD style, int w, int h, DWORD exStyle = 0)
    {
        return CreateWindowExW(exStyle, cls, L"", WS_CHILD | WS_VISIBLE | style, 5, 5, w, h, parent, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    }
    template <class T> T* Skin(HWND wnd)
    {
        auto* s = new T(nullptr);
        s->InitHwnd(wnd, data.get(), nullptr, nullptr);
        skins.push_back(s);
        return s;
    }
};

} // namespace skin_test
