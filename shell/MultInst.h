// One copy of the program per user logon: a second copy asks the running one, by a
// broadcast of the registered message, to come forward, and ends when it answers. The
// running copy owns the mutex while its message loop runs; a second copy that finds it
// free again (the running copy ended without answering) becomes the running copy.
#pragma once

#include <windows.h>

namespace cl {
class TApplication;
}

namespace MultInst {

// The message and the mutex share this name.
inline const char* const InstanceName = "{2BE6D96E-827F-4BF9-B33E-8740412CDE96}";

// Registers the message, puts MultInstWndProc in front of the application window's
// procedure, then CheckPrevInstance. Runs once the application window exists.
void Start(cl::TApplication& app);
// Puts the old procedure back (while ours is still the window's) and gives up and closes
// the mutex. Runs as soon as the message loop has ended.
void Stop();

// Creates the mutex, owned; when it already existed, hides the main form, broadcasts
// wParam 2 with the application window in lParam and tries every TakeOverIntervalMs to
// take the mutex until an answer comes.
void CheckPrevInstance();
constexpr UINT TakeOverIntervalMs = 500;
LRESULT CALLBACK MultInstWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);

UINT Message();       // the registered message (0 before Start)
bool IsFirstCopy();   // this copy created the mutex

} // namespace MultInst
