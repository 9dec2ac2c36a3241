// Shared by the screenshot helpers: the visible top-level window of a window class.
#pragma once

#include <windows.h>

#include <cstring>

namespace screens {

struct VisibleWindowSearch {
    const char* className;
    HWND found;
};

inline BOOL CALLBACK MatchVisibleWindow(HWND wnd, LPARAM lp)
{
    auto* s = reinterpret_cast<VisibleWindowSearch*>(lp);
    char name[256] = "";
    GetClassNameA(wnd, name, sizeof name);
    if (std::strcmp(name, s->className) == 0 && IsWindowVisible(wnd)) {
        s->found = wnd;
        return FALSE;
    }
    return TRUE;
}

inline HWND FindVisibleWindow(const char* className)
{
    VisibleWindowSearch s{className, nullptr};
    EnumWindows(MatchVisibleWindow, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

} // namespace screens
