// The upgrader's Windows routines under Wine (the harness runs in Asia/Shanghai, UTC+8).
#include "upgrade/UpgradeUtils.h"

#include "WinTestUtil.h"
#include "classlib/Forms.h"
#include "classlib/StdCtrls.h"
#include "classlib/Streams.h"

#include <gtest/gtest.h>

#include <climits>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

using namespace up;
using uptest::TScratchFile;

namespace {

const TDateTime kSecond = 1.0 / 86400;

void WriteFile(const AnsiString& path, const char* bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

// The raw (UTC) write time of a file.
TDateTime RawWriteTimeUTC(const AnsiString& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    SYSTEMTIME st;
    EXPECT_TRUE(GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data));
    EXPECT_TRUE(FileTimeToSystemTime(&data.ftLastWriteTime, &st));
    return EncodeDate(st.wYear, st.wMonth, st.wDay) + EncodeTime(st.wHour, st.wMinute, st.wSecond, st.wMilliseconds);
}

class TRegTree {
public:
    TRegTree(HKEY root, const char* path) : root_(root), path_(path) {}
    ~TRegTree() { RegDeleteTreeA(root_, path_.c_str()); }
    void Set(const AnsiString& sub, const char* name, const AnsiString& value) const
    {
        HKEY key;
        const AnsiString full = sub.empty() ? path_ : path_ + "\\" + sub;
        ASSERT_EQ(RegCreateKeyExA(root_, full.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr), ERROR_SUCCESS);
        RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>(value.size() + 1));
        RegCloseKey(key);
    }

private:
    HKEY root_;
    AnsiString path_;
};

} // namespace

TEST(UpgradeUtils, TimeZoneOfTheHarness)
{
    EXPECT_NEAR(TimeZoneBias(), -480.0 / 1440, 1e-12);
    EXPECT_NEAR(UTCToLocal(1.0), 1.0 + 8.0 / 24, 1e-12);
    const TDateTime local = EncodeDate(1994, 11, 6) + EncodeTime(16, 49, 37, 0);
    for (const char* text : {"Sun, 06 Nov 1994 08:49:37 GMT", "Sunday, 06-Nov-94 08:49:37 GMT", "Sun Nov  6 08:49:37 1994"})
        EXPECT_NEAR(HTTPDateToDateTime(text), local, kSecond / 10) << text;
    EXPECT_EQ(HTTPDateToDateTime(""), 0);
    EXPECT_NEAR(Now(), Today() + 0.5, 0.5 + kSecond);
}

// The values are local time: the file keeps them as UTC, 8 hours earlier here.
TEST(UpgradeUtils, SetFileTimesConvertsLocalToUTC)
{
    TScratchFile file("ft");
    WriteFile(file.Path(), "x");
    const TDateTime before = RawWriteTimeUTC(file.Path());
    const TDateTime local = EncodeDate(2011, 8, 26) + EncodeTime(10, 30, 4, 0);
    ASSERT_TRUE(SetFileTimes(file.Path(), local, -1, local));
    EXPECT_NEAR(RawWriteTimeUTC(file.Path()), local - 8.0 / 24, kSecond / 100);
    TDateTime readBack = 0;
    ASSERT_TRUE(GetFileWriteTime(file.Path(), readBack));
    EXPECT_NEAR(readBack, local, kSecond / 100);

    // -1 and years a file time cannot hold leave a time as it is.
    ASSERT_TRUE(SetFileTimes(file.Path(), -1, -1, EncodeDate(1500, 1, 1)));
    EXPECT_NEAR(RawWriteTimeUTC(file.Path()), local - 8.0 / 24, kSecond / 100);
    EXPECT_NE(before, RawWriteTimeUTC(file.Path()));
    EXPECT_FALSE(SetFileTimes(file.Path() + ".missing", local, local, local));
}

TEST(UpgradeUtils, FileSizesAndAttributes)
{
    TScratchFile file("fs");
    EXPECT_EQ(GetFileSize64(file.Path()), -1);
    WriteFile(file.Path(), "");
    EXPECT_EQ(GetFileSize64(file.Path()), 0);
    WriteFile(file.Path(), "0123456789");
    EXPECT_EQ(GetFileSize64(file.Path()), 10);

    struct Case { TupFileAttributes set; DWORD bits; };
    const Case cases[] = {
        {AttrSet(atrArchive) | AttrSet(atrHidden), FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN},
        {AttrSet(atrReadOnly), FILE_ATTRIBUTE_READONLY},
        {AttrSet(atrArchive), FILE_ATTRIBUTE_ARCHIVE},
    };
    // Wine reports every regular file as archive, so that bit is not compared.
    const DWORD mask = 0x1FFF & ~FILE_ATTRIBUTE_ARCHIVE;
    for (const Case& c : cases) {
        ASSERT_TRUE(SetFileAttrs(file.Path(), c.set));
        EXPECT_EQ(GetFileAttributesA(file.Path().c_str()) & mask, c.bits & mask);
    }
    EXPECT_EQ(FileAttributeBits(AttrSet(atrSystem) | AttrSet(atrTemporary) | AttrSet(atrOffline)),
              DWORD(FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_OFFLINE));
    EXPECT_FALSE(SetFileAttrs(file.Path() + ".missing", AttrSet(atrArchive)));
}

TEST(UpgradeUtils, TempDirFallsBackToProgramDir)
{
    const AnsiString temp = GetTempDir();
    ASSERT_FALSE(temp.empty());
    EXPECT_EQ(temp.back(), '\\');
    EXPECT_NE(GetFileAttributesA(temp.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);

    char tmp[MAX_PATH], tempVar[MAX_PATH];
    GetEnvironmentVariableA("TMP", tmp, MAX_PATH);
    GetEnvironmentVariableA("TEMP", tempVar, MAX_PATH);
    SetEnvironmentVariableA("TMP", "C:\\no-such-folder-here");
    SetEnvironmentVariableA("TEMP", "C:\\no-such-folder-here");
    EXPECT_EQ(GetTempDir(), ProgramDir());
    SetEnvironmentVariableA("TMP", tmp);
    SetEnvironmentVariableA("TEMP", tempVar);
    EXPECT_EQ(ProgramDir().back(), '\\');
}

TEST(UpgradeUtils, ShellOpenCommandOfAnExtension)
{
    const TRegTree ext(HKEY_CLASSES_ROOT, ".ludoratest1");
    const TRegTree type(HKEY_CLASSES_ROOT, "LudoraTest1.File");
    ext.Set("", nullptr, "LudoraTest1.File");
    type.Set("shell\\open\\command", nullptr, "\"C:\\x y\\viewer.exe\" \"%1\"");
    AnsiString program;
    EXPECT_TRUE(GetShellOpenCommand(".ludoratest1", program));
    EXPECT_EQ(program, "C:\\x y\\viewer.exe");

    // No open verb: a verb whose name contains "open" wins, else the first with a command.
    const TRegTree ext2(HKEY_CLASSES_ROOT, ".ludoratest2");
    const TRegTree type2(HKEY_CLASSES_ROOT, "LudoraTest2.File");
    ext2.Set("", nullptr, "LudoraTest2.File");
    type2.Set("shell\\edit\\command", nullptr, "C:\\edit.exe %1");
    type2.Set("shell\\OpenNew\\command", nullptr, "C:\\opennew.exe %1");
    EXPECT_TRUE(GetShellOpenCommand(".ludoratest2", program));
    EXPECT_EQ(program, "C:\\opennew.exe");

    const TRegTree ext3(HKEY_CLASSES_ROOT, ".ludoratest3");
    const TRegTree type3(HKEY_CLASSES_ROOT, "LudoraTest3.File");
    ext3.Set("", nullptr, "LudoraTest3.File");
    type3.Set("shell\\edit\\command", nullptr, "C:\\edit.exe /e %1");
    EXPECT_TRUE(GetShellOpenCommand(".ludoratest3", program));
    EXPECT_EQ(program, "C:\\edit.exe");

    // An open command that is present but empty finds nothing: other verbs stand in only
    // for a missing key.
    const TRegTree ext4(HKEY_CLASSES_ROOT, ".ludoratest4");
    const TRegTree type4(HKEY_CLASSES_ROOT, "LudoraTest4.File");
    ext4.Set("", nullptr, "LudoraTest4.File");
    type4.Set("shell\\open\\command", nullptr, "");
    type4.Set("shell\\edit\\command", nullptr, "C:\\edit.exe %1");
    EXPECT_FALSE(GetShellOpenCommand(".ludoratest4", program));
    EXPECT_EQ(program, "");

    for (const char* none : {"", ".", ".ludoratest-none"}) {
        EXPECT_FALSE(GetShellOpenCommand(none, program)) << none;
        EXPECT_EQ(program, "");
    }
}

// The value's first byte decides: 1 is online, anything else offline.
TEST(UpgradeUtils, OnlineByRemoteAccessValue)
{
    const char* const path = "System\\CurrentControlSet\\Services\\RemoteAccess";
    const TRegTree key(HKEY_LOCAL_MACHINE, path);
    struct Case {
        DWORD type;
        std::vector<BYTE> bytes;
        bool online;
    };
    const Case cases[] = {
        {REG_DWORD, {1, 0, 0, 0}, true},
        {REG_DWORD, {0, 0, 0, 0}, false},
        {REG_DWORD, {2, 0, 0, 0}, false},
        {REG_DWORD, {1, 1, 0, 0}, true},  // 0x101: the first byte is 1
        {REG_DWORD, {0, 1, 0, 0}, false}, // 0x100
        {REG_BINARY, {1}, true},
        {REG_SZ, {'1', 0}, false},        // the character "1" is byte 0x31
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "type " << c.type << " first byte " << int(c.bytes[0]));
        HKEY k;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_WRITE, nullptr, &k, nullptr), ERROR_SUCCESS);
        RegSetValueExA(k, "Remote Connection", 0, c.type, c.bytes.data(), static_cast<DWORD>(c.bytes.size()));
        RegCloseKey(k);
        EXPECT_EQ(IsOnline(), c.online);
    }
}

TEST(UpgradeUtils, ResourceToStream)
{
    cl::TMemoryStream stream;
    ASSERT_TRUE(ResourceToStream(GetModuleHandleA(nullptr), "UPTEST", MAKEINTRESOURCEA(10), &stream));
    EXPECT_EQ(AnsiString(reinterpret_cast<const char*>(stream.Memory()), static_cast<std::size_t>(stream.Size())),
              "resource bytes\n");
    EXPECT_FALSE(ResourceToStream(GetModuleHandleA(nullptr), "NOSUCH", MAKEINTRESOURCEA(10), &stream));
    EXPECT_FALSE(ResourceToStream(GetModuleHandleA(nullptr), "UPTEST", MAKEINTRESOURCEA(10), nullptr));
}

namespace {
HANDLE waitEvent = INVALID_HANDLE_VALUE;
int timerTicks = 0;
void CALLBACK SignalOnTimer(HWND, UINT, UINT_PTR id, DWORD)
{
    ++timerTicks;
    KillTimer(nullptr, id);
    SignalEvent(waitEvent);
}
// Set when a wait is still running long after it should have ended: a guard whose margin
// no machine's load reaches, instead of a bound on the elapsed time.
bool waitedLong = false;
void CALLBACK MarkWaitedLong(HWND, UINT, UINT_PTR id, DWORD)
{
    waitedLong = true;
    KillTimer(nullptr, id);
}
struct LongWaitGuard {
    LongWaitGuard() { waitedLong = false; }
    ~LongWaitGuard() { KillTimer(nullptr, id); }
    UINT_PTR id = SetTimer(nullptr, 0, 30000, MarkWaitedLong);
};
} // namespace

TEST(UpgradeUtils, WaitForEventRunsMessagesUntilSignalled)
{
    timerTicks = 0;
    SetTimer(nullptr, 0, 20, SignalOnTimer);
    {
        LongWaitGuard guard;
        WaitForEvent(waitEvent, 60000, false);
        EXPECT_FALSE(waitedLong) << "the signal did not end the wait";
    }
    EXPECT_EQ(timerTicks, 1);
    EXPECT_EQ(waitEvent, INVALID_HANDLE_VALUE);
    SignalEvent(waitEvent); // no event: nothing happens

    const ULONGLONG t = GetTickCount64();
    WaitForEvent(waitEvent, 150, false);
    EXPECT_GE(GetTickCount64() - t, 140u);
}

namespace {
// Keeps one message of its own in the queue: each one handled posts the next until the
// chain is as long as asked or told to stop, as a fast machine's transfers keep the
// queue from ever emptying.
class TMessageChain {
public:
    TMessageChain(int length, std::function<void(int)> onEach) : length_(length), onEach_(std::move(onEach))
    {
        window_ = cl::AllocateHWnd([this](cl::TMessage& m) {
            if (m.Msg != WM_APP + 7) {
                m.Result = DefWindowProcA(window_, m.Msg, m.WParam, m.LParam);
                return;
            }
            ++handled_;
            if (onEach_)
                onEach_(handled_);
            if (handled_ < length_ && !stopped_)
                PostMessageA(window_, WM_APP + 7, 0, 0);
        });
        PostMessageA(window_, WM_APP + 7, 0, 0);
    }
    ~TMessageChain() { cl::DeallocateHWnd(window_); }
    TMessageChain(const TMessageChain&) = delete;
    TMessageChain& operator=(const TMessageChain&) = delete;
    int Handled() const { return handled_; }
    void Stop() { stopped_ = true; }

private:
    HWND window_ = nullptr;
    int length_;
    std::function<void(int)> onEach_;
    int handled_ = 0;
    bool stopped_ = false;
};
} // namespace

// The wait ends with the message that sets its event, though more keep coming.
TEST(UpgradeUtils, WaitForEventEndsAfterTheMessageThatSetsIt)
{
    TMessageChain chain(1000, [](int n) {
        if (n == 3)
            SignalEvent(waitEvent);
    });
    WaitForEvent(waitEvent, 0, false);
    EXPECT_EQ(chain.Handled(), 3);
    EXPECT_EQ(waitEvent, INVALID_HANDLE_VALUE);
}

// A time-out ends the wait while the queue stays busy; the chain would go on for 20 s.
TEST(UpgradeUtils, WaitForEventTimesOutWhileMessagesKeepComing)
{
    const ULONGLONG start = GetTickCount64();
    TMessageChain* self = nullptr;
    TMessageChain chain(INT_MAX, [&](int) {
        if (GetTickCount64() - start > 20000)
            self->Stop();
    });
    self = &chain;
    WaitForEvent(waitEvent, 200, false);
    EXPECT_LT(GetTickCount64() - start, 20000u) << "the wait lasted as long as the messages";
    EXPECT_GT(chain.Handled(), 0);
    chain.Stop();
}

TEST(UpgradeUtils, WaitForEventAndQuit)
{
    MSG msg;
    for (bool stop : {true, false}) {
        PostQuitMessage(7);
        if (stop) {
            LongWaitGuard guard;
            WaitForEvent(waitEvent, 60000, stop);
            EXPECT_FALSE(waitedLong) << "the quit did not end the wait";
        } else {
            // The wait cannot end before its time-out: the quit is only kept for later.
            const ULONGLONG t = GetTickCount64();
            WaitForEvent(waitEvent, 300, stop);
            EXPECT_GE(GetTickCount64() - t, 290u);
        }
        // The quit is posted again for the caller's own loop.
        ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << stop;
        EXPECT_EQ(msg.wParam, 7u);
    }
}

// Keys reach a form through its dialog-key handling while the wait runs, as in the
// application's loop: Tab moves the focus to the next button and Enter presses it.
TEST(UpgradeUtils, WaitForEventPassesDialogKeysToTheForms)
{
    cl::TForm form(nullptr);
    auto* first = new cl::TButton(&form);
    first->SetParent(&form);
    auto* second = new cl::TButton(&form);
    second->SetParent(&form);
    second->SetTop(40);
    std::vector<std::string> clicks;
    first->OnClick = [&](cl::TObject*) { clicks.push_back("first"); };
    second->OnClick = [&](cl::TObject*) {
        clicks.push_back("second");
        SignalEvent(waitEvent);
    };
    form.Show();
    first->SetFocus();
    ASSERT_TRUE(first->Focused());
    PostMessageA(first->Handle(), WM_KEYDOWN, VK_TAB, 0x000F0001);
    PostMessageA(first->Handle(), WM_KEYDOWN, VK_RETURN, 0x001C0001); // the focus has moved on by then
    {
        LongWaitGuard guard;
        WaitForEvent(waitEvent, 60000, false);
        EXPECT_FALSE(waitedLong) << "the keys did not end the wait";
    }
    EXPECT_TRUE(second->Focused());
    EXPECT_EQ(clicks, std::vector<std::string>{"second"});
}

// An application whose loop has already taken its quit (nothing left in the queue) ends
// the wait before any message is handled.
TEST(UpgradeUtils, WaitForEventStopsWhenTheApplicationIsTerminating)
{
    PostQuitMessage(3);
    cl::Application->ProcessMessages(); // takes the quit and posts it again
    ASSERT_TRUE(cl::Application->Terminated());
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));

    PostThreadMessageA(GetCurrentThreadId(), WM_APP + 5, 0, 0);
    timerTicks = 0;
    SetTimer(nullptr, 0, 3000, SignalOnTimer); // ends the wait if it does not stop
    WaitForEvent(waitEvent, 0, true);
    EXPECT_EQ(timerTicks, 0);
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_APP + 5, WM_APP + 5, PM_REMOVE)) << "a message was handled";
    EXPECT_EQ(waitEvent, INVALID_HANDLE_VALUE);
}

// The main form is asked and closed; a veto keeps it open, and the application ends
// either way.
TEST(UpgradeUtils, CloseApplicationClosesTheMainFormAndTerminates)
{
    cl::TForm* form = nullptr;
    cl::Application->CreateForm(form); // the first form made becomes the main form
    ASSERT_EQ(cl::Application->MainForm(), form);
    int queries = 0, closes = 0;
    bool veto = true;
    form->OnCloseQuery = [&](cl::TObject*, bool& canClose) {
        ++queries;
        canClose = !veto;
    };
    form->OnClose = [&](cl::TObject*, cl::TCloseAction&) { ++closes; };
    form->Show();
    MSG msg;
    for (bool v : {true, false}) {
        SCOPED_TRACE(v ? "veto" : "no veto");
        veto = v;
        queries = closes = 0;
        CloseApplication();
        EXPECT_EQ(queries, 1);
        EXPECT_EQ(closes, v ? 0 : 1);
        EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
        while (PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
    }
}
