// The upgrade helper under Wine, in a scratch folder whose path holds runs of blanks: a
// small catcher program stands in for the game box and for a setup program and records
// the command line it was started with. The helper's test build marks where it stands
// ("waiting" while the program holds its file, "held" when it holds after a move).
#include "upgrade/HandOverJournal.h"
#include "upgrade/Radirazo3/HandOverText.h"

#include "WinTestUtil.h"
#include "../support/WinePath.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using uptest::Exists;
using uptest::PumpUntil;
using uptest::ReadWhole;
using uptest::WriteWhole;

// The scratch folder of this process's tests.
std::string FolderName()
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    return std::string(temp) + "ludora  up " + std::to_string(GetCurrentProcessId()) + "\\";
}

class Radirazo3Test : public ::testing::Test {
protected:
    void SetUp() override
    {
        catcher = ReadWhole(WinPath(LUDORA_RESTART_CATCHER));
        ASSERT_GT(catcher.size(), 1000u);
        WriteWhole(folder + "Ludora.exe", catcher);
    }
    // Starts the helper as the program would; the handle of its process.
    HANDLE StartHelper(const std::string& tail, const std::string& helper = WinPath(LUDORA_RADIRAZO3),
                       const std::string& programFolder = std::string())
    {
        const std::string in = programFolder.empty() ? folder : programFolder;
        std::string command = up::HelperCommandLine(helper, in + "Ludora.exe", tail);
        STARTUPINFOA si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
            return nullptr;
        CloseHandle(pi.hThread);
        return pi.hProcess;
    }
    bool RunHelper(const std::string& tail)
    {
        HANDLE process = StartHelper(tail);
        if (!process)
            return false;
        const bool ended = WaitForSingleObject(process, 60000) == WAIT_OBJECT_0;
        CloseHandle(process);
        return ended;
    }
    // The command line the catcher of that name was started with, once it has written it.
    std::string StartedWith(const char* name)
    {
        const std::string args = folder + name + ".args";
        PumpUntil([&] { return Exists(args); }, 20000);
        // The catcher writes the file in one call and closes it.
        PumpUntil([&] { return ReadWhole(args) != "<none>"; }, 2000);
        return ReadWhole(args);
    }

    const uptest::TScratchFolder scratch{FolderName()};
    const std::string& folder = scratch.Path();
    std::string catcher;
};

} // namespace

namespace {
// Whatever is left of a hand-over beside the program: nothing once it is over.
void ExpectNoLeftovers(const std::string& folder, const std::vector<std::string>& names)
{
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(Exists(folder + name + ".uTMP"));
        EXPECT_FALSE(Exists(folder + name + ".uOLD"));
    }
    EXPECT_FALSE(Exists(folder + "Ludora.exe.uJNL"));
}
} // namespace

// The first downloaded executable takes the program's name; every file is replaced whole.
TEST_F(Radirazo3Test, SelfUpgradeReplacesTheProgramAndALibrary)
{
    WriteWhole(folder + "Tessel.dll", "old library");
    WriteWhole(folder + "Tessel.dll.uTMP", "new library");
    WriteWhole(folder + "NewBox.exe.uTMP", catcher + "NEW");
    SetFileAttributesA((folder + "Tessel.dll").c_str(), FILE_ATTRIBUTE_READONLY);
    ASSERT_TRUE(RunHelper("/afterupdate0"));
    EXPECT_EQ(StartedWith("Ludora.exe"), "/afterupdate");
    EXPECT_EQ(ReadWhole(folder + "Tessel.dll"), "new library");
    EXPECT_EQ(ReadWhole(folder + "Ludora.exe"), catcher + "NEW");
    EXPECT_FALSE(Exists(folder + "NewBox.exe"));
    ExpectNoLeftovers(folder, {"Tessel.dll", "NewBox.exe", "Ludora.exe"});
}

// The setup program runs hidden with the restart parameter, is deleted once it has ended,
// and then the program restarts.
TEST_F(Radirazo3Test, ExternalSetupRunsThenRestarts)
{
    WriteWhole(folder + "setup.exe.uTMP", catcher);
    ASSERT_TRUE(RunHelper("/afterupdate1"));
    EXPECT_EQ(StartedWith("setup.exe"), "/afterupdate");
    EXPECT_EQ(StartedWith("Ludora.exe"), "/afterupdate");
    EXPECT_FALSE(Exists(folder + "setup.exe"));
    EXPECT_FALSE(Exists(folder + "setup.exe.uTMP"));
    EXPECT_EQ(ReadWhole(folder + "Ludora.exe"), catcher);
}

// One file in use fails the hand-over: every file moved before it is put back, a new file
// is taken away again, the program keeps its old file and is started again.
TEST_F(Radirazo3Test, AFileInUseLeavesTheProgramWholeAndOld)
{
    WriteWhole(folder + "Data.db", "old data");
    WriteWhole(folder + "Data.db.uTMP", "new data");
    WriteWhole(folder + "Atlas.dat.uTMP", "new atlas");
    WriteWhole(folder + "Tessel.dll", "old library");
    WriteWhole(folder + "Tessel.dll.uTMP", "new library");
    WriteWhole(folder + "NewBox.exe.uTMP", catcher + "NEW");
    HANDLE held = CreateFileA((folder + "Tessel.dll").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                              nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const bool ended = RunHelper("/afterupdate0");
    CloseHandle(held);
    ASSERT_TRUE(ended);
    EXPECT_EQ(StartedWith("Ludora.exe"), "/afterupdate");
    EXPECT_EQ(ReadWhole(folder + "Ludora.exe"), catcher);
    EXPECT_EQ(ReadWhole(folder + "Data.db"), "old data");
    EXPECT_EQ(ReadWhole(folder + "Tessel.dll"), "old library");
    EXPECT_FALSE(Exists(folder + "Atlas.dat"));
    ExpectNoLeftovers(folder, {"Data.db", "Atlas.dat", "Tessel.dll", "NewBox.exe", "Ludora.exe"});
}

// A download cut short (still hidden and temporary) is deleted, never moved.
TEST_F(Radirazo3Test, AnIncompleteDownloadIsDeletedNotMoved)
{
    WriteWhole(folder + "Tessel.dll", "old library");
    WriteWhole(folder + "Tessel.dll.uTMP", "new lib");
    SetFileAttributesA((folder + "Tessel.dll.uTMP").c_str(),
                       FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_TEMPORARY);
    WriteWhole(folder + "Data.db.uTMP", "new data");
    SetFileAttributesA((folder + "Data.db.uTMP").c_str(), FILE_ATTRIBUTE_ARCHIVE);
    ASSERT_TRUE(RunHelper("/afterupdate0"));
    EXPECT_EQ(StartedWith("Ludora.exe"), "/afterupdate");
    EXPECT_EQ(ReadWhole(folder + "Tessel.dll"), "old library");
    EXPECT_EQ(ReadWhole(folder + "Data.db"), "new data");
    ExpectNoLeftovers(folder, {"Tessel.dll", "Data.db"});
}

// A read-only program file is replaced like any other, and the program restarts.
TEST_F(Radirazo3Test, AReadOnlyProgramIsReplacedAndRestarted)
{
    WriteWhole(folder + "NewBox.exe.uTMP", catcher + "NEW");
    SetFileAttributesA((folder + "Ludora.exe").c_str(), FILE_ATTRIBUTE_READONLY);
    ASSERT_TRUE(RunHelper("/afterupdate0"));
    EXPECT_EQ(StartedWith("Ludora.exe"), "/afterupdate");
    EXPECT_EQ(ReadWhole(folder + "Ludora.exe"), catcher + "NEW");
    ExpectNoLeftovers(folder, {"NewBox.exe", "Ludora.exe"});
}

// Nothing is moved while the program still holds its executable: the helper has found it
// held twice and still waits.
TEST_F(Radirazo3Test, WaitsUntilTheProgramHasEnded)
{
    WriteWhole(folder + "Tessel.dll.uTMP", "new library");
    HANDLE held = CreateFileA((folder + "Ludora.exe").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                              nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    HANDLE process = StartHelper("/afterupdate0", WinPath(LUDORA_RADIRAZO3_HOLD));
    ASSERT_NE(process, nullptr);
    const std::string waiting = folder + "waiting";
    EXPECT_TRUE(PumpUntil([&] { return Exists(waiting); }, 30000));
    EXPECT_TRUE(PumpUntil([&] { return DeleteFileA(waiting.c_str()) != FALSE; }, 10000));
    EXPECT_TRUE(PumpUntil([&] { return Exists(waiting); }, 30000));
    EXPECT_EQ(WaitForSingleObject(process, 0), DWORD(WAIT_TIMEOUT));
    EXPECT_TRUE(Exists(folder + "Tessel.dll.uTMP"));
    EXPECT_FALSE(Exists(folder + "Tessel.dll"));
    CloseHandle(held);
    EXPECT_EQ(WaitForSingleObject(process, 60000), DWORD(WAIT_OBJECT_0));
    CloseHandle(process);
    EXPECT_EQ(ReadWhole(folder + "Tessel.dll"), "new library");
    EXPECT_EQ(StartedWith("Ludora.exe"), "/afterupdate");
}

namespace {
// The release of the hand-over tests, in a folder of its own. The moves: Atlas.dat (new,
// none before), Data.db, Tessel.dll (read-only), the program last.
void PutRelease(const std::string& in, const std::string& catcher)
{
    WriteWhole(in + "Ludora.exe", catcher);
    WriteWhole(in + "Atlas.dat.uTMP", "new atlas");
    WriteWhole(in + "Data.db", "old data");
    WriteWhole(in + "Data.db.uTMP", "new data");
    WriteWhole(in + "Tessel.dll", "old library");
    WriteWhole(in + "Tessel.dll.uTMP", "new library");
    WriteWhole(in + "NewBox.exe.uTMP", catcher + "NEW");
    SetFileAttributesA((in + "Tessel.dll").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
}

void ExpectReleaseOld(const std::string& in, const std::string& catcher)
{
    EXPECT_EQ(ReadWhole(in + "Ludora.exe"), catcher);
    EXPECT_FALSE(Exists(in + "Atlas.dat"));
    EXPECT_EQ(ReadWhole(in + "Data.db"), "old data");
    EXPECT_EQ(ReadWhole(in + "Tessel.dll"), "old library");
    EXPECT_EQ(GetFileAttributesA((in + "Tessel.dll").c_str()), DWORD(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));
    ExpectNoLeftovers(in, {"Atlas.dat", "Data.db", "Tessel.dll", "NewBox.exe", "Ludora.exe"});
}

// A file held open by this process as another program holds it: it can be read, but not
// renamed, replaced or deleted.
HANDLE Hold(const std::string& path)
{
    return CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
}
} // namespace

// A helper killed at a step of its moves (held there by its test build) leaves a journal;
// the program's next start finds every file old, or every file new, and nothing else.
// "K2": Data.db renamed to its backup, the new one not yet in; "K4": the program's file
// copied, not yet replaced.
TEST_F(Radirazo3Test, AHelperKilledMidwayLeavesEveryFileWhole)
{
    struct Case {
        const char* holdAfter;
        up::TRecovery recovery;
        bool isNew;
    };
    const Case cases[] = {
        {"1", up::TRecovery::rolledBack, false},
        {"K2", up::TRecovery::rolledBack, false},
        {"3", up::TRecovery::rolledBack, false},
        {"K4", up::TRecovery::rolledBack, false},
        {"4", up::TRecovery::finished, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.holdAfter);
        const uptest::TScratchFolder inner(folder + "case " + c.holdAfter + "\\");
        const std::string& in = inner.Path();
        PutRelease(in, catcher);

        SetEnvironmentVariableA("LUDORA_HELPER_HOLD_AFTER", c.holdAfter);
        HANDLE process = StartHelper("/afterupdate0", WinPath(LUDORA_RADIRAZO3_HOLD), in);
        SetEnvironmentVariableA("LUDORA_HELPER_HOLD_AFTER", nullptr);
        ASSERT_NE(process, nullptr);
        EXPECT_TRUE(PumpUntil([&] { return Exists(in + "held"); }, 30000));
        // A program started while the helper is at work leaves the hand-over alone.
        EXPECT_EQ(up::RecoverHandOver(in + "Ludora.exe"), up::TRecovery::busy);
        TerminateProcess(process, 9);
        EXPECT_EQ(WaitForSingleObject(process, 10000), DWORD(WAIT_OBJECT_0));
        CloseHandle(process);
        EXPECT_TRUE(Exists(in + "Ludora.exe.uJNL"));

        EXPECT_EQ(up::RecoverHandOver(in + "Ludora.exe"), c.recovery);
        if (c.isNew) {
            EXPECT_EQ(ReadWhole(in + "Ludora.exe"), catcher + "NEW");
            EXPECT_EQ(ReadWhole(in + "Atlas.dat"), "new atlas");
            EXPECT_EQ(ReadWhole(in + "Data.db"), "new data");
            EXPECT_EQ(ReadWhole(in + "Tessel.dll"), "new library");
            ExpectNoLeftovers(in, {"Atlas.dat", "Data.db", "Tessel.dll", "NewBox.exe", "Ludora.exe"});
        } else {
            ExpectReleaseOld(in, catcher);
        }
        // Once over, a start finds nothing to do.
        EXPECT_EQ(up::RecoverHandOver(in + "Ludora.exe"), up::TRecovery::none);
    }
}

// The move of Tessel.dll fails (another program holds it) and the roll-back of Data.db is
// blocked (another program holds its new file): the helper restarts the old program and
// leaves the journal, the old Data.db kept as its backup and the downloads it lists. A start
// while the file is still held leaves it so; the first start after puts every old file back.
TEST_F(Radirazo3Test, ABlockedRollBackStaysPendingUntilAStartPutsEveryOldFileBack)
{
    PutRelease(folder, catcher);
    SetEnvironmentVariableA("LUDORA_HELPER_HOLD_AFTER", "2");
    HANDLE process = StartHelper("/afterupdate0", WinPath(LUDORA_RADIRAZO3_HOLD));
    SetEnvironmentVariableA("LUDORA_HELPER_HOLD_AFTER", nullptr);
    ASSERT_NE(process, nullptr);
    EXPECT_TRUE(PumpUntil([&] { return Exists(folder + "held"); }, 30000));
    HANDLE newData = Hold(folder + "Data.db");
    HANDLE oldLibrary = Hold(folder + "Tessel.dll");
    EXPECT_NE(newData, INVALID_HANDLE_VALUE);
    EXPECT_NE(oldLibrary, INVALID_HANDLE_VALUE);
    WriteWhole(folder + "release", "");
    EXPECT_EQ(WaitForSingleObject(process, 60000), DWORD(WAIT_OBJECT_0));
    CloseHandle(process);
    EXPECT_EQ(StartedWith("Ludora.exe"), "/afterupdate");

    EXPECT_TRUE(Exists(folder + "Ludora.exe.uJNL"));
    EXPECT_EQ(ReadWhole(folder + "Ludora.exe"), catcher);
    EXPECT_EQ(ReadWhole(folder + "Data.db"), "new data");
    EXPECT_EQ(ReadWhole(folder + "Data.db.uOLD"), "old data");
    EXPECT_EQ(ReadWhole(folder + "Tessel.dll"), "old library");
    EXPECT_FALSE(Exists(folder + "Atlas.dat"));
    EXPECT_EQ(ReadWhole(folder + "NewBox.exe.uTMP"), catcher + "NEW");
    EXPECT_EQ(ReadWhole(folder + "Tessel.dll.uTMP"), "new library");

    CloseHandle(oldLibrary);
    EXPECT_EQ(up::RecoverHandOver(folder + "Ludora.exe"), up::TRecovery::incomplete);
    EXPECT_EQ(ReadWhole(folder + "Data.db.uOLD"), "old data");
    CloseHandle(newData);
    EXPECT_EQ(up::RecoverHandOver(folder + "Ludora.exe"), up::TRecovery::rolledBack);
    ExpectReleaseOld(folder, catcher);
}

// A helper killed after its third move; the first start cannot put Tessel.dll back (another
// program holds it); a new download's clean-up keeps what the journal lists and nothing
// else; the next start, with the file free, puts every old file back.
TEST_F(Radirazo3Test, AKilledHelperWhoseFirstRecoveryIsBlockedEndsAllOld)
{
    PutRelease(folder, catcher);
    SetEnvironmentVariableA("LUDORA_HELPER_HOLD_AFTER", "3");
    HANDLE process = StartHelper("/afterupdate0", WinPath(LUDORA_RADIRAZO3_HOLD));
    SetEnvironmentVariableA("LUDORA_HELPER_HOLD_AFTER", nullptr);
    ASSERT_NE(process, nullptr);
    EXPECT_TRUE(PumpUntil([&] { return Exists(folder + "held"); }, 30000));
    TerminateProcess(process, 9);
    EXPECT_EQ(WaitForSingleObject(process, 10000), DWORD(WAIT_OBJECT_0));
    CloseHandle(process);

    HANDLE newLibrary = Hold(folder + "Tessel.dll");
    EXPECT_NE(newLibrary, INVALID_HANDLE_VALUE);
    EXPECT_EQ(up::RecoverHandOver(folder + "Ludora.exe"), up::TRecovery::incomplete);
    EXPECT_EQ(ReadWhole(folder + "Tessel.dll"), "new library");
    EXPECT_EQ(ReadWhole(folder + "Tessel.dll.uOLD"), "old library");
    EXPECT_EQ(ReadWhole(folder + "Data.db"), "old data");

    WriteWhole(folder + "Extra.dat.uTMP", "a download of another upgrade");
    up::DeleteDownloads(folder + "Ludora.exe");
    EXPECT_FALSE(Exists(folder + "Extra.dat.uTMP"));
    EXPECT_EQ(ReadWhole(folder + "NewBox.exe.uTMP"), catcher + "NEW");

    CloseHandle(newLibrary);
    EXPECT_EQ(up::RecoverHandOver(folder + "Ludora.exe"), up::TRecovery::rolledBack);
    ExpectReleaseOld(folder, catcher);
}

namespace {
struct TDialogSearch {
    DWORD pid;
    HWND found;
};
BOOL CALLBACK MatchDialog(HWND w, LPARAM lp)
{
    auto* s = reinterpret_cast<TDialogSearch*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    char cls[16] = {};
    GetClassNameA(w, cls, sizeof cls);
    if (pid != s->pid || strcmp(cls, "#32770") != 0 || !IsWindowVisible(w))
        return TRUE;
    s->found = w;
    return FALSE;
}
} // namespace

// A setup that cannot be started is named to the user with the reason; once the message is
// closed the old program starts again and the setup's file is gone.
TEST_F(Radirazo3Test, ASetupThatCannotStartIsReported)
{
    WriteWhole(folder + "setup.exe.uTMP", "not a program");
    HANDLE process = StartHelper("/afterupdate1");
    ASSERT_NE(process, nullptr);
    TDialogSearch search{GetProcessId(process), nullptr};
    EXPECT_TRUE(PumpUntil([&] { return EnumWindows(MatchDialog, reinterpret_cast<LPARAM>(&search)), search.found; },
                          30000));
    if (search.found) {
        char text[1024] = {};
        GetDlgItemTextA(search.found, 0xFFFF, text, sizeof text);
        EXPECT_NE(std::string(text).find(folder + "setup.exe"), std::string::npos) << text;
        EXPECT_FALSE(Exists(folder + "Ludora.exe.args")); // not before the message is closed
        PostMessageA(search.found, WM_COMMAND, IDOK, 0);
    }
    EXPECT_EQ(WaitForSingleObject(process, 60000), DWORD(WAIT_OBJECT_0));
    CloseHandle(process);
    EXPECT_EQ(StartedWith("Ludora.exe"), "/afterupdate");
    EXPECT_EQ(ReadWhole(folder + "Ludora.exe"), catcher);
    EXPECT_FALSE(Exists(folder + "setup.exe"));
    EXPECT_FALSE(Exists(folder + "setup.exe.uTMP"));
}

// The helper's own file goes once the helper has ended: the program it restarted waits
// for it.
TEST_F(Radirazo3Test, TheHelpersFileGoesOnceItHasEnded)
{
    const std::string helper = folder + "Radirazo3.exe";
    ASSERT_TRUE(CopyFileA(WinPath(LUDORA_RADIRAZO3).c_str(), helper.c_str(), FALSE));
    WriteWhole(folder + "Data.db.uTMP", "new data");
    HANDLE process = StartHelper("/afterupdate0", helper);
    ASSERT_NE(process, nullptr);
    EXPECT_EQ(WaitForSingleObject(process, 60000), DWORD(WAIT_OBJECT_0));
    CloseHandle(process);
    // The catcher writes what it was started with after its removal has run.
    EXPECT_EQ(StartedWith("Ludora.exe"), "/afterupdate");
    EXPECT_FALSE(Exists(helper));
    EXPECT_EQ(ReadWhole(folder + "Data.db"), "new data");
}
