// The shell's private window messages.
#pragma once

#include <windows.h>

// Posted by the main window's show handler to itself: the start-up navigations and the
// volume run once the window is up.
constexpr UINT WM_MAIN_AFTER_SHOW = WM_APP + 0x100;
