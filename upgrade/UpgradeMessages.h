// Private window messages of the upgrader.
#pragma once

#include <windows.h>

namespace up {

// Sent by a worker to the shared "TupThreadWindow": lParam is the TupEventThread whose
// pending call the GUI thread runs.
constexpr UINT WM_UP_SYNCHRONIZE = 0x8FFF;
// Posted to the same window when its last user went away on another thread: the window
// can only be destroyed on the thread that made it.
constexpr UINT WM_UP_RELEASE_WINDOW = 0x8FFE;
// Posted by a transfer's worker to its component's window: new progress figures wait.
// wParam is the transfer's serial number.
constexpr UINT WM_UP_PROGRESS = 0x8FFD;

} // namespace up
