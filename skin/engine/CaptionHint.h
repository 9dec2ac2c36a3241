// The small window that shows a caption button's hint: a borderless top-most popup with
// the text in the system's status font on the hint colour. The skin component owns one.
#pragma once

#include "classlib/WinHandle.h"

#include <windows.h>

#include <string>

namespace skin {

class TCaptionHint {
public:
    TCaptionHint() = default;
    TCaptionHint(const TCaptionHint&) = delete;
    TCaptionHint& operator=(const TCaptionHint&) = delete;

    // The window rectangle, at (0, 0), that shows text within maxWidth pixels.
    RECT CalcHintRect(int maxWidth, const std::wstring& text);
    // Shows text in rect (screen coordinates) without taking the focus.
    void ActivateHint(const RECT& rect, const std::wstring& text);
    void Hide();

    HWND Handle() const { return window_.get(); }
    const std::wstring& Text() const { return text_; }

private:
    static LRESULT CALLBACK WndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
    void Paint(HDC dc);
    HFONT Font();

    cl::WindowHandle window_;
    cl::FontHandle font_;
    std::wstring text_;
};

} // namespace skin
