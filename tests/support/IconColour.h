// The colour at the middle of an icon, read back from its colour bitmap (CLR_INVALID
// without one): tells apart icons drawn in distinct solid colours.
#pragma once

#include <windows.h>

#include <vector>

inline COLORREF IconMiddleColour(HICON icon)
{
    ICONINFO info{};
    if (!icon || !GetIconInfo(icon, &info)) return CLR_INVALID;
    COLORREF colour = CLR_INVALID;
    BITMAP bm{};
    if (info.hbmColor && GetObjectA(info.hbmColor, sizeof bm, &bm)) {
        BITMAPINFOHEADER header{sizeof(BITMAPINFOHEADER), bm.bmWidth, -bm.bmHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        std::vector<DWORD> pixels(static_cast<size_t>(bm.bmWidth) * bm.bmHeight);
        HDC screen = GetDC(nullptr);
        if (GetDIBits(screen, info.hbmColor, 0, bm.bmHeight, pixels.data(), reinterpret_cast<BITMAPINFO*>(&header),
                      DIB_RGB_COLORS)) {
            const DWORD p = pixels[(bm.bmHeight / 2) * bm.bmWidth + bm.bmWidth / 2];
            colour = RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
        }
        ReleaseDC(nullptr, screen);
    }
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
    return colour;
}
