// Screenshot helper, run under Wine: WaitWindow CLASS [SECONDS [SETTLE]]
// Waits until a visible top-level window of the window class CLASS exists and its thread
// has answered a message, gives it SETTLE more seconds (default 3) to finish what it posted
// itself (skinning, painting), then prints its outer rectangle as "left top width height"
// and, when it has a window region, one line "left top right bottom" per rectangle of the
// region (relative to the window), and exits 0; exits 1 when none appears within SECONDS
// (default 120).
#include "classlib/WinHandle.h"

#include "tools/screens/VisibleWindow.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

void PrintRegion(HWND wnd)
{
    cl::RegionHandle rgn(CreateRectRgn(0, 0, 0, 0));
    if (!rgn) return;
    const int kind = GetWindowRgn(wnd, rgn.get());
    const DWORD size = kind == SIMPLEREGION || kind == COMPLEXREGION ? GetRegionData(rgn.get(), 0, nullptr) : 0;
    std::vector<DWORD> buffer(size / sizeof(DWORD) + 1);
    auto* data = reinterpret_cast<RGNDATA*>(buffer.data());
    if (size && GetRegionData(rgn.get(), size, data)) {
        const auto* rects = reinterpret_cast<const RECT*>(data->Buffer);
        for (DWORD i = 0; i < data->rdh.nCount; ++i)
            std::printf("%ld %ld %ld %ld\n", rects[i].left, rects[i].top, rects[i].right, rects[i].bottom);
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) return std::printf("usage: WaitWindow CLASS [SECONDS]\n"), 2;
    const DWORD limit = (argc > 2 ? static_cast<DWORD>(std::atoi(argv[2])) : 120) * 1000;
    const DWORD settle = (argc > 3 ? static_cast<DWORD>(std::atoi(argv[3])) : 3) * 1000;
    const DWORD start = GetTickCount();
    // The window is in another process: nothing here can be woken by its creation, so
    // look again every tenth of a second.
    for (;;) {
        if (const HWND found = screens::FindVisibleWindow(argv[1])) {
            // Its thread answers once it is back in its message loop, past the show.
            DWORD_PTR answer = 0;
            SendMessageTimeoutA(found, WM_NULL, 0, 0, SMTO_NORMAL, 30000, &answer);
            Sleep(settle);
            SendMessageTimeoutA(found, WM_NULL, 0, 0, SMTO_NORMAL, 30000, &answer);
            RECT r{};
            GetWindowRect(found, &r);
            std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
            PrintRegion(found);
            return 0;
        }
        if (GetTickCount() - start > limit) break;
        Sleep(100);
    }
    std::printf("no visible window of the class %s within %lu s\n", argv[1], limit / 1000);
    return 1;
}
