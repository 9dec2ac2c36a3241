// The player library's entry points.
#include <windows.h>

// Opens a player window on Address (null or empty: a blank play pane).
extern "C" __declspec(dllexport) void __stdcall ShowForm(HWND /*application*/, const char* /*address*/) {}
