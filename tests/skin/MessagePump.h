// The skin tests' message loop: dispatches until a condition holds, for at most the
// harness-wide bound unless the caller gives another.
#pragma once

#include <windows.h>

#include <functional>

namespace skintest {

// How long any wait for what a test has set going may take: far more than an emulated
// machine needs, so that a wait runs out only when the awaited thing never comes.
constexpr DWORD WaitBound = 30000;

// Waits on the queue; a WM_QUIT it meets is posted again and ends the wait.
inline bool PumpUntil(const std::function<bool()>& done, DWORD bound = WaitBound)
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
