// The whole upgrade road with the real program under Wine: a copy of the game box in a
// scratch folder checks the local test portal, this test answers its dialogs by their
// window texts as a user would, and a catcher program stands in for the release's setup.
// The program hands over to its helper, which runs the setup with "/afterupdate" and
// restarts the program.
#include "PortalClient.h" // winsock2.h before windows.h

#include "WinTestUtil.h"
#include "../support/WinePath.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

using Strings = std::vector<std::string>;

using uptest::Exists;
using uptest::ReadWhole;
using uptest::TScratchFolder;

// Waits (bounded) without a message loop of its own: this test owns no windows.
template <class Pred> bool WaitFor(Pred pred, DWORD ms)
{
    for (DWORD waited = 0; waited < ms; waited += 50) {
        if (pred())
            return true;
        Sleep(50);
    }
    return pred();
}

// Bytes as a JSON string the portal turns back into the same bytes (latin-1).
std::string JsonBytes(const std::string& bytes)
{
    std::string out = "\"";
    char escape[8];
    for (unsigned char c : bytes) {
        if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') {
            out += static_cast<char>(c);
        } else {
            std::snprintf(escape, sizeof escape, "\\u%04x", c);
            out += escape;
        }
    }
    return out + "\"";
}

struct TFound {
    DWORD pid;
    const char* cls;
    const char* title;
    HWND wnd;
};

BOOL CALLBACK MatchTopLevel(HWND w, LPARAM lp)
{
    auto* f = reinterpret_cast<TFound*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    char cls[64] = {}, title[128] = {};
    GetClassNameA(w, cls, sizeof cls);
    GetWindowTextA(w, title, sizeof title);
    if ((f->pid && pid != f->pid) || !IsWindowVisible(w) || (f->cls && strcmp(cls, f->cls) != 0) ||
        (f->title && strcmp(title, f->title) != 0))
        return TRUE;
    f->wnd = w;
    return FALSE;
}

// A visible top-level window of the process (any process for pid 0).
HWND FindTopLevel(DWORD pid, const char* cls, const char* title)
{
    TFound f{pid, cls, title, nullptr};
    EnumWindows(MatchTopLevel, reinterpret_cast<LPARAM>(&f));
    return f.wnd;
}

struct TButtonSearch {
    const char* text;
    HWND wnd;
};

BOOL CALLBACK MatchButton(HWND w, LPARAM lp)
{
    auto* s = reinterpret_cast<TButtonSearch*>(lp);
    char text[64] = {};
    GetWindowTextA(w, text, sizeof text);
    if (strcmp(text, s->text) != 0 || !IsWindowEnabled(w) || !IsWindowVisible(w))
        return TRUE;
    s->wnd = w;
    return FALSE;
}

// Clicks the enabled button with this text inside the window; false when there is none.
bool ClickButton(HWND window, const char* text)
{
    TButtonSearch s{text, nullptr};
    EnumChildWindows(window, MatchButton, reinterpret_cast<LPARAM>(&s));
    if (!s.wnd)
        return false;
    PostMessageA(s.wnd, BM_CLICK, 0, 0);
    return true;
}

// The online test's registry value: 1 says online whatever the host's addresses.
class TOnlineValue {
public:
    TOnlineValue()
    {
        HKEY key;
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kPath, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) == ERROR_SUCCESS) {
            const DWORD one = 1;
            RegSetValueExA(key, "Remote Connection", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), sizeof one);
            RegCloseKey(key);
        }
    }
    ~TOnlineValue() { RegDeleteTreeA(HKEY_LOCAL_MACHINE, kPath); }

private:
    static constexpr const char* kPath = "System\\CurrentControlSet\\Services\\RemoteAccess";
};

// Every process of the game box started from the scratch folder is ended at the end.
class TProcesses {
public:
    ~TProcesses()
    {
        for (DWORD pid : pids_) {
            if (HANDLE p = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid)) {
                TerminateProcess(p, 99);
                WaitForSingleObject(p, 5000);
                CloseHandle(p);
            }
        }
    }
    void Add(DWORD pid) { pids_.push_back(pid); }

private:
    std::vector<DWORD> pids_;
};

} // namespace

TEST(UpgradeRoad, CheckAskDownloadHandOverAndRestart)
{
    uptest::TPortalClient portal;
    ASSERT_TRUE(portal.Available()) << "run through the portal wrapper";
    const TOnlineValue online;

    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const TScratchFolder scratch(std::string(temp) + "ludora  road " + std::to_string(GetCurrentProcessId()) + "\\");
    const std::string& folder = scratch.Path();
    ASSERT_TRUE(CopyFileA(WinPath(LUDORA_EXE).c_str(), (folder + "Ludora.exe").c_str(), FALSE));
    const std::string catcher = ReadWhole(WinPath(LUDORA_RESTART_CATCHER));
    ASSERT_GT(catcher.size(), 1000u);

    ASSERT_TRUE(portal.SetRoute("/update/update.inf", "\"body_text\": \"#version=5\\r\\n#url=" +
                                                          portal.URL("/update/setup.exe") +
                                                          "\\r\\n#method=1\\r\\n#message={More games}\""));
    ASSERT_TRUE(portal.SetRoute("/update/setup.exe", "\"body_text\": " + JsonBytes(catcher)));

    TProcesses processes;
    const std::string program = folder + "Ludora.exe";
    std::string command = "\"" + program + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si, &pi));
    CloseHandle(pi.hThread);
    processes.Add(pi.dwProcessId);
    const DWORD first = pi.dwProcessId;

    // The automatic check, 10 s after start: the question, answered Yes. (The bounds are
    // generous: an emulated machine runs the program many times slower.)
    HWND ask = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (ask = FindTopLevel(first, "TUpgraderUpgradeMessageForm", "软件升级精灵")); }, 160000));
    ASSERT_TRUE(WaitFor([&] { return ClickButton(ask, "[&Y]是"); }, 5000));
    // The wizard's finished state, closed with its OK button.
    HWND wizard = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (wizard = FindTopLevel(first, "TUpgraderWizardForm", "软件升级精灵")); }, 80000));
    ASSERT_TRUE(WaitFor([&] { return ClickButton(wizard, "[&O]确定"); }, 120000));

    // The program ends for its helper.
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 30000), DWORD(WAIT_OBJECT_0));
    CloseHandle(pi.hProcess);
    // The helper runs the setup with the restart parameter, deletes it once it has ended,
    // and starts the program again.
    const std::string setupArgs = folder + "setup.exe.args";
    ASSERT_TRUE(WaitFor([&] { return ReadWhole(setupArgs) == "/afterupdate"; }, 240000)) << ReadWhole(setupArgs);
    HWND restarted = nullptr;
    ASSERT_TRUE(WaitFor([&] {
        restarted = FindTopLevel(0, "TMainForm", nullptr);
        DWORD pid = 0;
        if (restarted)
            GetWindowThreadProcessId(restarted, &pid);
        if (pid && pid != first)
            processes.Add(pid);
        return pid && pid != first;
    }, 60000));
    EXPECT_TRUE(WaitFor([&] { return !Exists(folder + "setup.exe"); }, 10000));
    EXPECT_FALSE(Exists(folder + "setup.exe.uTMP"));
    EXPECT_EQ(ReadWhole(program), ReadWhole(WinPath(LUDORA_EXE)));

    // The main window's panes fetch the portal's pages too; the upgrade's requests are these.
    Strings log;
    for (const cl::AnsiString& line : portal.Log()) {
        const cl::AnsiString request = line.substr(0, line.find(' ', line.find(' ') + 1));
        if (request.find(" /update/") != cl::AnsiString::npos) log.push_back(request);
    }
    EXPECT_EQ(log, (Strings{"GET /update/update.inf", "GET /update/setup.exe"}));
}

// A hand-over its helper could not end (killed after the program's copy and before its
// replace), left with its journal: the program's own start puts every old file back before
// its main window shows.
TEST(UpgradeRoad, TheProgramsStartRollsBackAHandOverLeftMidway)
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const TScratchFolder scratch(std::string(temp) + "ludora  start " + std::to_string(GetCurrentProcessId()) + "\\");
    const std::string& folder = scratch.Path();
    const std::string program = folder + "Ludora.exe";
    ASSERT_TRUE(CopyFileA(WinPath(LUDORA_EXE).c_str(), program.c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(program.c_str(), (program + ".uOLD").c_str(), FALSE));
    uptest::WriteWhole(folder + "NewBox.exe.uTMP", "new program");
    uptest::WriteWhole(folder + "Tessel.dll", "new library");
    uptest::WriteWhole(folder + "Tessel.dll.uOLD", "old library");
    uptest::WriteWhole(program + ".uJNL", "hand-over journal 2\r\n"
                                          "M|1|32|" + folder + "Tessel.dll|" + folder + "Tessel.dll.uTMP\r\n"
                                          "M|1|32|" + program + "|" + folder + "NewBox.exe.uTMP\r\n"
                                          "end\r\n"
                                          "B|0\r\nK|0\r\nD|0\r\nB|1\r\nK|1\r\n");

    TProcesses processes;
    std::string command = "\"" + program + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si, &pi));
    CloseHandle(pi.hThread);
    processes.Add(pi.dwProcessId);
    EXPECT_TRUE(WaitFor([&] { return FindTopLevel(pi.dwProcessId, "TMainForm", nullptr) != nullptr; }, 160000));
    CloseHandle(pi.hProcess);

    EXPECT_EQ(ReadWhole(folder + "Tessel.dll"), "old library");
    EXPECT_EQ(ReadWhole(program), ReadWhole(WinPath(LUDORA_EXE)));
    for (const char* name : {"Tessel.dll.uOLD", "Ludora.exe.uOLD", "NewBox.exe.uTMP", "Ludora.exe.uJNL"})
        EXPECT_FALSE(Exists(folder + name)) << name;
}

// A hand-over left pending (its roll-back of Tessel.dll blocked by a program that holds
// the file) keeps the upgrade back: after Yes to the question the user is told why, and
// nothing is downloaded over the files the hand-over still needs.
TEST(UpgradeRoad, NoDownloadWhileAHandOverIsPending)
{
    uptest::TPortalClient portal;
    ASSERT_TRUE(portal.Available()) << "run through the portal wrapper";
    const TOnlineValue online;
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const TScratchFolder scratch(std::string(temp) + "ludora  pending " + std::to_string(GetCurrentProcessId()) + "\\");
    const std::string& folder = scratch.Path();
    const std::string program = folder + "Ludora.exe";
    ASSERT_TRUE(CopyFileA(WinPath(LUDORA_EXE).c_str(), program.c_str(), FALSE));
    uptest::WriteWhole(folder + "NewBox.exe.uTMP", "new program");
    uptest::WriteWhole(folder + "Tessel.dll", "new library");
    uptest::WriteWhole(folder + "Tessel.dll.uOLD", "old library");
    const std::string journal = "hand-over journal 2\r\n"
                                "M|1|32|" + folder + "Tessel.dll|" + folder + "Tessel.dll.uTMP\r\n"
                                "M|1|32|" + program + "|" + folder + "NewBox.exe.uTMP\r\n"
                                "end\r\n"
                                "B|0\r\nK|0\r\nD|0\r\n";
    uptest::WriteWhole(program + ".uJNL", journal);
    HANDLE held = CreateFileA((folder + "Tessel.dll").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(portal.SetRoute("/update/update.inf", "\"body_text\": \"#version=5\\r\\n#url=" +
                                                          portal.URL("/update/setup.exe") + "\\r\\n#method=1\""));
    ASSERT_TRUE(portal.SetRoute("/update/setup.exe", "\"body_text\": \"not wanted\""));

    TProcesses processes;
    std::string command = "\"" + program + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si, &pi));
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    processes.Add(pi.dwProcessId);

    HWND ask = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (ask = FindTopLevel(pi.dwProcessId, "TUpgraderUpgradeMessageForm", "软件升级精灵")); },
                        160000));
    ASSERT_TRUE(WaitFor([&] { return ClickButton(ask, "[&Y]是"); }, 5000));
    HWND box = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (box = FindTopLevel(pi.dwProcessId, "#32770", "软件升级精灵")); }, 60000));
    char text[512] = {};
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    EXPECT_EQ(std::string(text).rfind("上次的升级未能完成", 0), 0u) << text;
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(box); }, 30000));

    EXPECT_FALSE(Exists(folder + "setup.exe.uTMP"));
    EXPECT_FALSE(FindTopLevel(pi.dwProcessId, "TUpgraderWizardForm", nullptr));
    EXPECT_EQ(ReadWhole(program + ".uJNL"), journal);
    EXPECT_EQ(ReadWhole(folder + "NewBox.exe.uTMP"), "new program");
    EXPECT_EQ(ReadWhole(folder + "Tessel.dll.uOLD"), "old library");
    Strings log;
    for (const cl::AnsiString& line : portal.Log()) {
        const cl::AnsiString request = line.substr(0, line.find(' ', line.find(' ') + 1));
        if (request.find(" /update/") != cl::AnsiString::npos) log.push_back(request);
    }
    EXPECT_EQ(log, (Strings{"GET /update/update.inf"}));
    CloseHandle(held);
}
