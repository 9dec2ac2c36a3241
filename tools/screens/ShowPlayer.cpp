// Screenshot helper, run under Wine from the program's folder: ShowPlayer [ADDRESS [SECONDS]]
// Plays as the program does (loads the player library by name and calls ShowForm with
// ADDRESS), then runs the message loop until the player window is closed, WM_QUIT arrives
// or SECONDS (default 300) have passed.
#include "player/Tessel.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

BOOL CALLBACK FindPlayer(HWND wnd, LPARAM lp)
{
    char name[32] = "";
    GetClassNameA(wnd, name, sizeof name);
    if (std::strcmp(name, "TPlayForm") == 0 && IsWindowVisible(wnd)) {
        *reinterpret_cast<bool*>(lp) = true;
        return FALSE;
    }
    return TRUE;
}

bool PlayerShown()
{
    bool shown = false;
    EnumThreadWindows(GetCurrentThreadId(), FindPlayer, reinterpret_cast<LPARAM>(&shown));
    return shown;
}

} // namespace

int main(int argc, char** argv)
{
    const char* address = argc > 1 && argv[1][0] ? argv[1] : nullptr;
    const DWORD limit = (argc > 2 ? static_cast<DWORD>(std::atoi(argv[2])) : 300) * 1000;
    HMODULE library = LoadLibraryA(TesselLibraryName);
    auto showForm = library ? reinterpret_cast<TShowFormProc>(reinterpret_cast<void*>(GetProcAddress(library, "ShowForm")))
                            : nullptr;
    if (!showForm) return std::printf("no ShowForm in %s\n", TesselLibraryName), 1;
    showForm(nullptr, address);
    if (!PlayerShown()) return std::printf("ShowForm showed no player window\n"), 1;

    const DWORD start = GetTickCount();
    for (;;) {
        const DWORD spent = GetTickCount() - start;
        if (spent >= limit) break;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, limit - spent, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) return static_cast<int>(msg.wParam);
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        // Closing hides a player window.
        if (!PlayerShown()) break;
    }
    return 0;
}
