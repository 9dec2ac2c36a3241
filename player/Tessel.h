// The player library's entry, as the program and the library both see it.
#pragma once

#include <windows.h>

// Opens a new, unowned player window on address (zero-terminated text of the ANSI code
// page, copied before the call returns; null for a blank play pane). host is kept with the
// window and not used. Nothing is reported: no exception or error leaves the call.
extern "C" void __stdcall ShowForm(HWND host, const char* address);
using TShowFormProc = void(__stdcall*)(HWND host, const char* address);

// The library's file name; the program loads it from its own folder.
inline const char* const TesselLibraryName = "Tessel.dll";
