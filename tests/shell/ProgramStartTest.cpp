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

namespace {
// Runs the program with arguments and returns its exit code (or -1 when it does not end).
long RunProgram(const std::string& args)
{
    std::string cmd = "\"" + WinPath(LUDORA_EXE) + "\" " + args;
    STARTUPINFOA si{sizeof si};
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return -2;
    cl::KernelHandle process(pi.hProcess), thread(pi.hThread);
    if (WaitForSingleObject(process.get(), 20000) != WAIT_OBJECT_0) {
        TerminateProcess(process.get(), 99);
        return -1;
    }
    DWORD code = 0;
    GetExitCodeProcess(process.get(), &code);
    return static_cast<long>(code);
}

bool TypeLibRegistered()
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, "TypeLib\\{C2F7A837-2938-4864-9B7C-5E9B3726A2C2}\\1.0", 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}
} // namespace

TEST(Program, RegistersAndUnregistersItsTypeLibraryAndEnds)
{
    struct Case {
        const char* args;
        bool registered;
    } cases[] = {{"/REGSERVER", true}, {"-unregserver", false}, {"/regserver", true}, {"/UNREGSERVER", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        EXPECT_EQ(RunProgram(c.args), 0);
        EXPECT_EQ(TypeLibRegistered(), c.registered);
    }
}
