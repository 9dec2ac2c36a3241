#include "classlib/WinHandle.h"

#include <gtest/gtest.h>
#include <string>

namespace {
// Windows path of a file of the build tree (Wine maps the Unix root to Z:).
std::string WinPath(const char* unixPath)
{
    std::string p = std::string("Z:") + unixPath;
    for (char& c : p)
        if (c == '/') c = '\\';
    return p;
}
} // namespace

TEST(Program, StartsShowsItsWindowAndEndsWhenClosed)
{
    std::string exe = WinPath(LUDORA_EXE);
    STARTUPINFOA si{sizeof si};
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessA(exe.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    cl::KernelHandle process(pi.hProcess), thread(pi.hThread);
    HWND wnd = nullptr;
    for (int i = 0; i < 200 && !wnd; ++i) {
        if (WaitForInputIdle(process.get(), 50) == WAIT_FAILED) Sleep(50);
        wnd = FindWindowA("TMainForm", nullptr);
    }
    ASSERT_NE(wnd, nullptr);
    char title[64] = {};
    GetWindowTextA(wnd, title, sizeof title);
    EXPECT_STREQ(title, "Orvane游戏盒");
    PostMessageA(wnd, WM_CLOSE, 0, 0);
    ASSERT_EQ(WaitForSingleObject(process.get(), 10000), WAIT_OBJECT_0);
    DWORD code = 99;
    GetExitCodeProcess(process.get(), &code);
    EXPECT_EQ(code, 0u);
}
