// The baseline of the start-up benchmark: a program that only shows a window.
#include <windows.h>

namespace {
LRESULT CALLBACK BareProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcA(wnd, msg, wp, lp);
}
} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = BareProc;
    wc.hInstance = instance;
    wc.lpszClassName = "BareWindow";
    RegisterClassA(&wc);
    ShowWindow(CreateWindowA("BareWindow", "bare", WS_OVERLAPPEDWINDOW, 0, 0, 823, 570, nullptr, nullptr, instance, nullptr),
               SW_SHOW);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
    return 0;
}
