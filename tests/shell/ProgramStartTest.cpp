// The program as a whole, started as its own processes in the test's Wine prefix.
#include "classlib/WinHandle.h"

#include "../support/WinePath.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

struct WindowSearch {
    DWORD pid;
    const char* cls;
    HWND wnd;
};

BOOL CALLBACK MatchWindow(HWND w, LPARAM lp)
{
    auto* s = reinterpret_cast<WindowSearch*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    char cls[64] = {};
    GetClassNameA(w, cls, sizeof cls);
    if (pid != s->pid || strcmp(cls, s->cls) != 0) return TRUE;
    s->wnd = w;
    return FALSE;
}

template <class Pred> bool WaitFor(Pred pred, DWORD ms)
{
    for (DWORD waited = 0; waited < ms; waited += 20) {
        if (pred()) return true;
        Sleep(20);
    }
    return pred();
}

// One copy of the program; ended from outside when the test is done with it.
class TProgram {
public:
    explicit TProgram(const std::string& args = "")
    {
        // No portal: the panes' navigation fails at once.
        SetEnvironmentVariableA("LUDORA_PORTAL", "http://127.0.0.1:9");
        std::string cmd = "\"" + WinPath(LUDORA_EXE) + "\" " + args;
        STARTUPINFOA si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        started_ = CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi) != FALSE;
        process_.reset(pi.hProcess);
        thread_.reset(pi.hThread);
        pid_ = pi.dwProcessId;
    }
    ~TProgram()
    {
        if (Running()) {
            TerminateProcess(process_.get(), 99);
            WaitForSingleObject(process_.get(), 5000);
        }
    }
    bool Started() const { return started_; }
    bool Running() const { return started_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT; }
    // The exit code, or -1 when it has not ended within ms.
    long WaitExit(DWORD ms) const
    {
        if (WaitForSingleObject(process_.get(), ms) != WAIT_OBJECT_0) return -1;
        DWORD code = 0;
        GetExitCodeProcess(process_.get(), &code);
        return static_cast<long>(code);
    }
    // A top-level window of this process with the class name, once it exists.
    HWND Window(const char* className, DWORD ms = 120000) const
    {
        HWND found = nullptr;
        WaitFor([&] {
            WindowSearch s{pid_, className, nullptr};
            EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&s));
            found = s.wnd;
            return found != nullptr;
        }, ms);
        return found;
    }

private:
    bool started_ = false;
    cl::KernelHandle process_, thread_;
    DWORD pid_ = 0;
};

bool TypeLibRegistered()
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, "TypeLib\\{C2F7A837-2938-4864-9B7C-5E9B3726A2C2}\\1.0", 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

} // namespace

TEST(Program, StartsShowsItsMainWindowAndRegistersItsTypeLibrary)
{
    TProgram program;
    ASSERT_TRUE(program.Started());
    HWND main = program.Window("TMainForm");
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(main) != FALSE; }, 60000));
    char title[64] = {};
    GetWindowTextA(main, title, sizeof title);
    EXPECT_STREQ(title, "Orvane游戏盒");
    EXPECT_TRUE(TypeLibRegistered());
}

// The restart after an upgrade: the program starts as usual and removes the upgrade
// helper it left in the temporary folder.
TEST(Program, StartsAsUsualAfterAnUpgrade)
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string helper = std::string(temp) + "Radirazo3.exe";
    FILE* f = fopen(helper.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    fputs("left over", f);
    fclose(f);
    TProgram program("/afterupdate");
    ASSERT_TRUE(program.Started());
    HWND main = program.Window("TMainForm");
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(main) != FALSE; }, 60000));
    EXPECT_EQ(GetFileAttributesA(helper.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(program.Running());
}

TEST(Program, RegistersAndUnregistersItsTypeLibraryAndEnds)
{
    struct Case {
        const char* args;
        bool registered;
    } cases[] = {{"/REGSERVER", true}, {"-unregserver", false}, {"/regserver", true}, {"/UNREGSERVER", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        TProgram program(c.args);
        EXPECT_EQ(program.WaitExit(20000), 0);
        EXPECT_EQ(TypeLibRegistered(), c.registered);
        EXPECT_EQ(program.Window("TMainForm", 0), nullptr);
    }
}

TEST(Program, ASecondCopyRestoresTheFirstAndEnds)
{
    TProgram first;
    HWND app = first.Window("TApplication");
    ASSERT_NE(app, nullptr);
    ASSERT_NE(first.Window("TMainForm"), nullptr);
    ShowWindow(app, SW_MINIMIZE);
    ASSERT_TRUE(IsIconic(app));

    // Bounds for an emulated machine, where a start takes many seconds.
    TProgram second;
    EXPECT_EQ(second.WaitExit(120000), 0);
    EXPECT_TRUE(WaitFor([&] { return !IsIconic(app); }, 30000));
    EXPECT_TRUE(first.Running());
}

TEST(Program, TwoCopiesStartedTogetherLeaveExactlyOne)
{
    TProgram a, b;
    ASSERT_TRUE(a.Started() && b.Started());
    ASSERT_TRUE(WaitFor([&] { return !a.Running() || !b.Running(); }, 120000));
    // The survivor is the first copy: it shows its main window, which a second copy never
    // does, and then it stays.
    const TProgram& survivor = a.Running() ? a : b;
    const TProgram& ended = a.Running() ? b : a;
    HWND main = survivor.Window("TMainForm");
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(main) != FALSE; }, 60000));
    EXPECT_TRUE(survivor.Running());
    EXPECT_EQ(ended.WaitExit(0), 0);
}
