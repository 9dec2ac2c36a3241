// The skin tests' message loop: dispatches until a condition holds, for at most 2 s unless
// the caller gives another bound.
#pragma once

#include <windows.h>

#include <functional>

namespace skintest {

// Waits on the queue; a WM_QUIT it meets is posted again and ends the wait.
inline bool PumpUntil(const std::function<bool()>& done, DWORD bound = 2000)
{
    const DWORD end = GetTickCount() + bound;
    MSG msg;
    while (!done()) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(msg.wParam));
                return done();
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (done()) break;
        const DWORD now = GetTickCount();
        if (now >= end) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, end - now, QS_ALLINPUT);
    }
    return true;
}

} // namespace skintest
