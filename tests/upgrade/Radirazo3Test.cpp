// The upgrade helper under Wine, in a scratch folder whose path holds runs of blanks: a
// small catcher program stands in for the game box and for a setup program and records
// the command line it was started with.
#include "upgrade/Radirazo3/HandOverText.h"

#include "WinTestUtil.h"
#include "../support/WinePath.h"

#include <gtest/gtest.h>

#include <string>

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
    HANDLE StartHelper(const std::string& tail)
    {
        std::string command = up::HelperCommandLine(WinPath(LUDORA_RADIRAZO3), folder + "Ludora.exe", tail);
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
    EXPECT_FALSE(Exists(folder + "Tessel.dll.uTMP"));
    EXPECT_FALSE(Exists(folder + "NewBox.exe.uTMP"));
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

// A file in use keeps its old version whole; the rest goes on.
TEST_F(Radirazo3Test, ALockedFileKeepsTheOldVersion)
{
    WriteWhole(folder + "Tessel.dll", "old library");
    WriteWhole(folder + "Tessel.dll.uTMP", "new library");
    WriteWhole(folder + "Data.db.uTMP", "new data");
    HANDLE held = CreateFileA((folder + "Tessel.dll").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                              nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(RunHelper("/afterupdate0"));
    CloseHandle(held);
    EXPECT_EQ(StartedWith("Ludora.exe"), "/afterupdate");
    EXPECT_EQ(ReadWhole(folder + "Tessel.dll"), "old library");
    EXPECT_EQ(ReadWhole(folder + "Data.db"), "new data");
}

// Nothing is moved while the program still holds its executable.
TEST_F(Radirazo3Test, WaitsUntilTheProgramHasEnded)
{
    WriteWhole(folder + "Tessel.dll.uTMP", "new library");
    HANDLE held = CreateFileA((folder + "Ludora.exe").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                              nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    HANDLE process = StartHelper("/afterupdate0");
    ASSERT_NE(process, nullptr);
    EXPECT_EQ(WaitForSingleObject(process, 500), DWORD(WAIT_TIMEOUT));
    EXPECT_TRUE(Exists(folder + "Tessel.dll.uTMP"));
    EXPECT_FALSE(Exists(folder + "Tessel.dll"));
    CloseHandle(held);
    EXPECT_EQ(WaitForSingleObject(process, 60000), DWORD(WAIT_OBJECT_0));
    CloseHandle(process);
    EXPECT_EQ(ReadWhole(folder + "Tessel.dll"), "new library");
    EXPECT_EQ(StartedWith("Ludora.exe"), "/afterupdate");
}

// However far the helper got before it was killed, every file is the old one or the new
// one, whole, and what was not moved is still waiting as ".uTMP".
TEST_F(Radirazo3Test, AHelperKilledMidwayLeavesEveryFileWhole)
{
    const int count = 40;
    auto name = [](int i) { return "part" + std::to_string(i) + ".dat"; };
    const std::string oldBody(20000, 'o'), newBody(30000, 'n');
    for (int i = 0; i < count; ++i) {
        WriteWhole(folder + name(i), oldBody);
        WriteWhole(folder + name(i) + ".uTMP", newBody);
    }
    HANDLE process = StartHelper("/afterupdate0");
    ASSERT_NE(process, nullptr);
    // Wherever it stands now (waiting, moving or done), it ends here.
    WaitForSingleObject(process, 50);
    TerminateProcess(process, 9);
    WaitForSingleObject(process, 10000);
    CloseHandle(process);
    for (int i = 0; i < count; ++i) {
        SCOPED_TRACE(name(i));
        const std::string body = ReadWhole(folder + name(i));
        EXPECT_TRUE(body == oldBody || body == newBody) << body.size();
        if (body == oldBody) {
            EXPECT_EQ(ReadWhole(folder + name(i) + ".uTMP"), newBody);
        } else {
            EXPECT_FALSE(Exists(folder + name(i) + ".uTMP"));
        }
    }
}
