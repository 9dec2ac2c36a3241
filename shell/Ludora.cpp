// The program's entry. Until the main window exists it shows a plain window with the
// program's title and runs until that window closes.
#include "classlib/ComServ.h"

#include <windows.h>

namespace {
LRESULT CALLBACK MainProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}
} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show)
{
    try {
        cl::TComServer server(instance);
        if (!server.Initialize(std::vector<cl::AnsiString>(__argv + 1, __argv + __argc))) return 0;
    } catch (const cl::Exception& e) {
        MessageBoxA(nullptr, e.what(), "Orvane游戏盒", MB_ICONSTOP);
        return 1;
    }
    WNDCLASSA wc{};
    wc.lpfnWndProc = MainProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = "TMainForm";
    if (!RegisterClassA(&wc)) return 1;
    HWND wnd = CreateWindowExA(0, wc.lpszClassName, "Orvane游戏盒", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                               800, 600, nullptr, nullptr, instance, nullptr);
    if (!wnd) return 1;
    ShowWindow(wnd, show);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}
