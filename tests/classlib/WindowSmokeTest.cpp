#include <windows.h>
#include <gtest/gtest.h>

namespace {
LRESULT CALLBACK EchoProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_APP) return static_cast<LRESULT>(wp * 2);
    return DefWindowProcA(wnd, msg, wp, lp);
}
} // namespace

TEST(Window, CreatedShownAndAnswersASentMessage)
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = EchoProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "SmokeWindow";
    ASSERT_NE(RegisterClassA(&wc), 0);
    HWND wnd = CreateWindowExA(0, "SmokeWindow", "smoke", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                               nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(wnd, nullptr);
    ShowWindow(wnd, SW_SHOW);
    EXPECT_TRUE(IsWindowVisible(wnd));
    EXPECT_EQ(SendMessageA(wnd, WM_APP, 21, 0), 42);
    EXPECT_TRUE(DestroyWindow(wnd));
}
