// The auto-upgrader component under Wine against the local test portal: checks, the ask
// dialog, downloads beside the program, the wizard, the login prompt, the failures and
// their messages, and the portal's request log. Dialogs are answered from timers that
// find the upgrader's windows; message boxes through the message-box seam.
#include "PortalClient.h" // winsock2.h before windows.h
#include "upgrade/Upgrader.h"

#include "WinTestUtil.h"
#include "classlib/Seams.h"
#include "classlib/TypInfo.h"
#include "upgrade/PathText.h"
#include "upgrade/UpgradeDialogs.h"
#include "upgrade/UpgraderText.h"
#include "skin/engine/SkinData.h"
#include "skin/engine/SkinMessages.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <cstdlib>

#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

using namespace up;
using uptest::PumpUntil;
using Strings = std::vector<std::string>;

namespace {

std::string ReadWhole(const AnsiString& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return "<none>";
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

bool Exists(const AnsiString& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The downloads beside the test program.
Strings DownloadedFiles()
{
    Strings names;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((ProgramDir() + "*.uTMP").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do
        names.push_back(data.cFileName);
    while (FindNextFileA(find, &data));
    FindClose(find);
    return names;
}

void ClearDownloads()
{
    for (const std::string& name : DownloadedFiles()) {
        const AnsiString path = ProgramDir() + name;
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path.c_str());
    }
}

// Runs an action from a timer of the GUI thread, inside whatever modal loop is running,
// until it reports that it has acted.
class TWhenShown {
public:
    explicit TWhenShown(std::function<bool()> act) : act_(std::move(act))
    {
        id_ = SetTimer(nullptr, 0, 30, Tick);
        Active()[id_] = this;
    }
    ~TWhenShown()
    {
        KillTimer(nullptr, id_);
        Active().erase(id_);
    }
    TWhenShown(const TWhenShown&) = delete;
    TWhenShown& operator=(const TWhenShown&) = delete;
    bool Done() const { return done_; }

private:
    static std::map<UINT_PTR, TWhenShown*>& Active()
    {
        static std::map<UINT_PTR, TWhenShown*> active;
        return active;
    }
    static void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD)
    {
        const auto at = Active().find(id);
        if (at == Active().end())
            return;
        TWhenShown* self = at->second;
        if (self->done_ || self->busy_)
            return;
        self->busy_ = true; // the action may run a modal loop of its own
        self->done_ = self->act_();
        self->busy_ = false;
    }
    std::function<bool()> act_;
    UINT_PTR id_ = 0;
    bool done_ = false;
    bool busy_ = false;
};

// Keeps one message of its own in the queue from Start() until until() holds (or a
// minute has passed), as a fast machine's transfers keep the queue from ever emptying.
// Timers do not fire meanwhile.
class TBusyQueue {
public:
    explicit TBusyQueue(std::function<bool()> until) : until_(std::move(until))
    {
        window_ = cl::AllocateHWnd([this](cl::TMessage& m) {
            if (m.Msg != WM_APP + 9) {
                m.Result = DefWindowProcA(window_, m.Msg, m.WParam, m.LParam);
                return;
            }
            if (!until_() && GetTickCount64() < deadline_)
                PostMessageA(window_, WM_APP + 9, 0, 0);
        });
    }
    ~TBusyQueue() { cl::DeallocateHWnd(window_); }
    TBusyQueue(const TBusyQueue&) = delete;
    TBusyQueue& operator=(const TBusyQueue&) = delete;
    void Start()
    {
        deadline_ = GetTickCount64() + 60000;
        PostMessageA(window_, WM_APP + 9, 0, 0);
    }

private:
    HWND window_ = nullptr;
    std::function<bool()> until_;
    ULONGLONG deadline_ = 0;
};

// Ends every wait that stops on a quit once the bound has passed, so that a wait nobody
// ends fails the test instead of hanging it.
class TWatchdog {
public:
    explicit TWatchdog(UINT ms) : quit_([this, end = GetTickCount64() + ms] {
          if (GetTickCount64() < end)
              return false;
          fired_ = true;
          PostQuitMessage(0);
          return true;
      })
    {
    }
    bool Fired() const { return fired_; }

private:
    bool fired_ = false;
    TWhenShown quit_;
};

template <class F> F* FindForm(const char* className)
{
    HWND wnd = FindWindowA(className, nullptr);
    if (!wnd || !IsWindowVisible(wnd))
        return nullptr;
    return dynamic_cast<F*>(cl::TWinControl::FindControl(wnd));
}

// Answers the ask dialog with its Yes (or Later) button.
std::function<bool()> AnswerAsk(bool yes)
{
    return [yes] {
        auto* form = FindForm<TUpgraderUpgradeMessageForm>("TUpgraderUpgradeMessageForm");
        if (!form)
            return false;
        (yes ? form->YesBtn : form->LaterBtn)->Click();
        return true;
    };
}

struct TBox {
    std::string text, caption;
    UINT flags;
};

bool PostedMessageBack();

// One upgrader with every event recorded, the message boxes answered by a rule, the
// shell's openings recorded, and the downloads beside the program cleared around it.
class UpgraderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(portal.Available()) << "run through the portal wrapper";
        ClearDownloads();
        oldBox = cl::ReplaceMessageBox([this](HWND, const AnsiString& text, const AnsiString& caption, UINT flags) {
            const TBox box{text, caption, flags};
            boxes.push_back(box);
            return onBox ? onBox(box) : boxAnswer;
        });
        oldShell = cl::ReplaceShellExecute([this](HWND, const AnsiString&, const AnsiString& file,
                                                  const AnsiString& parameters, const AnsiString&, int) {
            opened.push_back(file + "|" + parameters);
            return reinterpret_cast<HINSTANCE>(42);
        });
        upgrader = std::make_unique<TUpgrader>(nullptr);
        upgrader->Wizard()->SetLanguage(wlChineseSimplified);
        upgrader->InfoFileURL = portal.URL("/update/update.inf");
        upgrader->VersionControl = TUpgraderVersionControl::byNumber;
        upgrader->VersionNumber = "4";
        upgrader->OnBeginUpgrade = [this](cl::TObject*, const AnsiString& msg, TekUpgradeMethod method, cl::TStringList* files,
                                    bool&) {
            events.push_back("begin " + std::to_string(static_cast<int>(method)) + " " +
                             std::to_string(files->Count()) + " " + msg);
        };
        upgrader->OnLaterUpgrade = [this](cl::TObject*) { events.push_back("later"); };
        upgrader->OnNoUpdateAvailable = [this](cl::TObject*) { events.push_back("no update"); };
        upgrader->OnNoInfoFile = [this](cl::TObject*) { events.push_back("no info file"); };
        upgrader->OnConnLost = [this](cl::TObject*) { events.push_back("connection lost"); };
        upgrader->OnHostUnreachable = [this](cl::TObject*, const AnsiString&, const AnsiString& host) {
            events.push_back("unreachable " + host);
        };
        upgrader->OnAborted = [this](cl::TObject*) { events.push_back("aborted"); };
        upgrader->OnFileDone = [this](cl::TObject*, const AnsiString& name) {
            events.push_back("file done " + ExtractFileName(name));
        };
        upgrader->OnLostFile = [this](cl::TObject*, const AnsiString& url, int code, bool&) {
            events.push_back("lost " + ExtractURLFileName(url) + " " + std::to_string(code));
        };
        upgrader->OnEndUpgrade = [this](cl::TObject*, bool& restart) {
            events.push_back("end");
            restart = false; // the hand-over is tested on its own
        };
    }
    void TearDown() override
    {
        upgrader.reset();
        cl::ReplaceMessageBox(oldBox);
        cl::ReplaceShellExecute(oldShell);
        ClearDownloads();
    }
    bool Has(const std::string& event) const
    {
        for (const std::string& e : events)
            if (e == event)
                return true;
        return false;
    }
    // The log without the sizes: "METHOD PATH STATUS auth|-".
    Strings Log()
    {
        Strings lines;
        for (const AnsiString& line : portal.Log()) {
            std::istringstream in(line);
            std::string method, path, status, sent, auth;
            in >> method >> path >> status >> sent >> auth;
            lines.push_back(method + " " + path + " " + status + " " + auth);
        }
        return lines;
    }
    // Presses the wizard's OK button once it is finished (the upgrader waits for that in a
    // loop of its own), then pumps until the upgrade has ended.
    bool FinishWizard()
    {
        TWhenShown finish(PressFinish);
        return PumpUntil([&] { return Has("end"); }, 20000);
    }
    // Waits until no transfer runs or ends any more and a message posted now has come
    // back: whatever the upgrader had on its way has been handled.
    bool Settle()
    {
        const auto idle = [&] { return !upgrader->Busy() && !upgrader->Thread().Running(); };
        // A step posted before the marker may start another transfer: then again.
        for (int round = 0; round < 20; ++round) {
            if (!PumpUntil(idle, 30000) || !PostedMessageBack())
                return false;
            if (idle())
                return true;
        }
        return false;
    }
    // Dispatches the number of start-up timer ticks given (the upgrader's own timer).
    bool PumpTicks(int ticks)
    {
        const ULONGLONG deadline = GetTickCount64() + 30000;
        while (ticks > 0 && GetTickCount64() < deadline) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
            MSG msg;
            while (ticks > 0 && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
                if (msg.message == WM_TIMER && msg.hwnd == upgrader->WindowHandle())
                    --ticks;
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
        }
        return ticks == 0;
    }
    static bool PressFinish()
    {
        TUpgraderWizardForm* form = UpgraderWizard();
        if (!form || !form->FinishBtn->Enabled())
            return false;
        form->FinishBtn->Click();
        return true;
    }

    uptest::TPortalClient portal;
    std::unique_ptr<TUpgrader> upgrader;
    Strings events;
    std::vector<TBox> boxes;
    int boxAnswer = IDOK;
    // When set, answers each box in place of boxAnswer (the box is "open" while it runs).
    std::function<int(const TBox&)> onBox;
    Strings opened;
    cl::TMessageBoxService oldBox;
    cl::TShellExecuteService oldShell;
};

const char* const kInfoPath = "/update/update.inf";

// Posts a message to a window of its own and handles messages until it comes back.
bool PostedMessageBack()
{
    bool back = false;
    HWND marker = cl::AllocateHWnd([&](cl::TMessage& m) {
        if (m.Msg == WM_APP + 12)
            back = true;
    });
    PostMessageA(marker, WM_APP + 12, 0, 0);
    const bool done = PumpUntil([&] { return back; }, 20000);
    cl::DeallocateHWnd(marker);
    return done;
}

} // namespace

// What a check finds decides alone; with the main window's settings nothing is shown.
TEST_F(UpgraderTest, ChecksThatFindNothingAreSilent)
{
    struct Case {
        const char* route; // scenario fields of the info file's route
        const char* event;
    };
    const Case cases[] = {
        {R"("body_text": "#version=4\r\n#url=/update/setup.exe\r\n")", "no update"},
        {R"("body_text": "#version=4.0\r\n#url=/update/setup.exe\r\n")", "no update"},
        {R"("body_text": "#version=5\r\n")", "no update"}, // newer, but no file
        {R"("status": 404)", "no info file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.route);
        events.clear();
        ASSERT_TRUE(portal.SetRoute(kInfoPath, c.route));
        EXPECT_FALSE(upgrader->CheckUpdateWait());
        EXPECT_EQ(events, Strings{c.event});
    }
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(Log(), (Strings{"GET /update/update.inf 200 -", "GET /update/update.inf 200 -",
                              "GET /update/update.inf 200 -", "GET /update/update.inf 404 -"}));
}

TEST_F(UpgraderTest, LaterKeepsTheProgramAsItIs)
{
    ASSERT_TRUE(portal.SetRoute(kInfoPath, R"("body_text": "#version=5\r\n#url=/update/setup.exe\r\n#message={New\r\ngames}")"));
    TWhenShown answer(AnswerAsk(false));
    EXPECT_TRUE(upgrader->CheckUpdateWait()); // found, the user only postponed it
    EXPECT_TRUE(answer.Done());
    EXPECT_EQ(events, (Strings{"begin 0 1 New\r\ngames", "later"}));
    EXPECT_EQ(Log(), Strings{"GET /update/update.inf 200 -"});
    EXPECT_TRUE(DownloadedFiles().empty());
}

TEST_F(UpgraderTest, RedirectOpensTheAddressAndDownloadsNothing)
{
    ASSERT_TRUE(portal.SetRoute(kInfoPath, R"("body_text": "#version=5\r\n#url=www.example.com/new.html\r\n#method=2")"));
    TWhenShown answer(AnswerAsk(true));
    EXPECT_TRUE(upgrader->CheckUpdateWait());
    ASSERT_EQ(opened.size(), 1u);
    // The browser's own command when ".html" has one, else the address itself.
    EXPECT_NE(opened[0].find("http://www.example.com/new.html"), std::string::npos) << opened[0];
    ASSERT_TRUE(Settle());
    EXPECT_EQ(UpgraderWizard(), nullptr);
    EXPECT_EQ(Log(), Strings{"GET /update/update.inf 200 -"});
}

// The release's files land beside the program as ".uTMP" files, complete and visible;
// files left by an earlier download are gone first. The check ends with its info file,
// not with the upgrade, though the queue never empties meanwhile (as on a fast machine).
TEST_F(UpgraderTest, DownloadsEveryFileThroughTheWizard)
{
    const AnsiString stale = ProgramDir() + "stale.dll.uTMP";
    std::ofstream(stale, std::ios::binary) << "half";
    ASSERT_TRUE(portal.SetRoute(kInfoPath, "\"body_text\": \"#version=4.1\\r\\n#url=" + portal.URL("/update/Tessel.dll") +
                                               "\\r\\n#url2=" + portal.URL("/update/setup.exe") + "\\r\\n#method=1\""));
    ASSERT_TRUE(portal.SetRoute("/update/Tessel.dll", R"("body_text": "NEW LIBRARY")"));
    ASSERT_TRUE(portal.SetRoute("/update/setup.exe", R"("body_size": 300000)"));
    int progress = 0;
    std::uint8_t lastTotal = 0;
    upgrader->OnProgress = [&](cl::TObject*, const AnsiString&, int, int, int, int, std::uint8_t, std::uint8_t total, float) {
        ++progress;
        EXPECT_GE(total, lastTotal);
        lastTotal = total;
    };
    TBusyQueue busy([] {
        const TUpgraderWizardForm* form = UpgraderWizard();
        return form && form->FinishBtn->Enabled();
    });
    TWhenShown answer([&] {
        if (!AnswerAsk(true)())
            return false;
        busy.Start();
        return true;
    });
    TWhenShown finish(PressFinish); // in place before the step it answers
    const TWatchdog watchdog(60000);
    EXPECT_TRUE(upgrader->CheckUpdateWait());
    EXPECT_EQ(events, Strings{"begin 1 2 "});
    ASSERT_TRUE(PumpUntil([&] { return Has("end"); }, 60000));
    EXPECT_FALSE(watchdog.Fired());
    EXPECT_EQ(events, (Strings{"begin 1 2 ", "file done Tessel.dll.uTMP", "file done setup.exe.uTMP", "end"}));
    EXPECT_GT(progress, 0);
    EXPECT_EQ(lastTotal, 100);
    EXPECT_FALSE(Exists(stale));
    EXPECT_EQ(ReadWhole(ProgramDir() + "Tessel.dll.uTMP"), "NEW LIBRARY");
    EXPECT_EQ(ReadWhole(ProgramDir() + "setup.exe.uTMP").size(), 300000u);
    EXPECT_EQ(GetFileAttributesA((ProgramDir() + "setup.exe.uTMP").c_str()) & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_TEMPORARY), 0u);
    EXPECT_EQ(Log(), (Strings{"GET /update/update.inf 200 -", "GET /update/Tessel.dll 200 -",
                              "GET /update/setup.exe 200 -"}));
    EXPECT_TRUE(boxes.empty());
}

// A listed file whose answer carries less than it says, or nothing at all, is no file of
// the release: the connection-lost message, and the upgrade ends without a hand-over,
// leaving none of its files beside the program, finished or partial.
TEST_F(UpgraderTest, AnAnswerThatCarriesLessEndsTheUpgradeAndLeavesNoFile)
{
    const char* const cases[] = {
        R"("body_size": 200000, "truncate_after": 50000)", // cut short
        R"("body_text": "")",                              // empty, Content-Length 0
        R"("body_text": "", "send_length": false)",        // empty, no length
        R"("body_text": "SET", "claimed_length": 10)",     // fewer bytes than its length
    };
    for (const char* route : cases) {
        SCOPED_TRACE(route);
        events.clear();
        boxes.clear();
        ASSERT_TRUE(portal.SetRoute(kInfoPath, "\"body_text\": \"#version=5\\r\\n#url=" + portal.URL("/update/a.dat") +
                                                   "\\r\\n#url2=" + portal.URL("/update/setup.exe") + "\""));
        ASSERT_TRUE(portal.SetRoute("/update/a.dat", R"("body_text": "AAAA")"));
        ASSERT_TRUE(portal.SetRoute("/update/setup.exe", route));
        TWhenShown answer(AnswerAsk(true));
        TWhenShown finish(PressFinish); // should the answer pass for a file, the test still ends
        EXPECT_TRUE(upgrader->CheckUpdateWait());
        ASSERT_TRUE(PumpUntil([&] { return Has("connection lost"); }, 20000));
        EXPECT_EQ(events, (Strings{"begin 0 2 ", "file done a.dat.uTMP", "connection lost"}));
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, "与远端服务器的连接中断，\r\r请重新连接后再进行升级操作。");
        EXPECT_EQ(boxes[0].caption, "软件升级精灵");
        EXPECT_EQ(boxes[0].flags & MB_ICONMASK, UINT(MB_ICONERROR));
        EXPECT_EQ(UpgraderWizard(), nullptr);
        EXPECT_EQ(DownloadedFiles(), Strings{});
        ClearDownloads();
    }
}

// A listed file the service does not have: No aborts and removes what was fetched, Yes
// skips it.
TEST_F(UpgraderTest, AMissingFileAsksWhetherToGoOn)
{
    for (bool skip : {false, true}) {
        SCOPED_TRACE(skip ? "skip" : "abort");
        events.clear();
        boxes.clear();
        boxAnswer = skip ? IDYES : IDNO;
        ASSERT_TRUE(portal.SetRoute(kInfoPath, "\"body_text\": \"#version=5\\r\\n#url=" + portal.URL("/update/a.dat") +
                                                   "\\r\\n#url2=" + portal.URL("/update/gone.dll") +
                                                   "\\r\\n#url3=" + portal.URL("/update/b.dat") + "\""));
        ASSERT_TRUE(portal.SetRoute("/update/a.dat", R"("body_text": "A")"));
        ASSERT_TRUE(portal.SetRoute("/update/b.dat", R"("body_text": "B")"));
        TWhenShown answer(AnswerAsk(true));
        EXPECT_TRUE(upgrader->CheckUpdateWait());
        if (skip) {
            ASSERT_TRUE(FinishWizard());
            EXPECT_EQ(events, (Strings{"begin 0 3 ", "file done a.dat.uTMP", "lost gone.dll 404",
                                       "file done b.dat.uTMP", "end"}));
            EXPECT_EQ(DownloadedFiles(), (Strings{"a.dat.uTMP", "b.dat.uTMP"}));
        } else {
            ASSERT_TRUE(PumpUntil([&] { return Has("aborted"); }, 20000));
            EXPECT_EQ(events, (Strings{"begin 0 3 ", "file done a.dat.uTMP", "lost gone.dll 404", "aborted"}));
            EXPECT_TRUE(DownloadedFiles().empty());
        }
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, "文档gone.dll找不到或者发生错误，\r\r您要忽略这个文档并且继续升级操作吗？");
        EXPECT_EQ(boxes[0].caption, "错误 #404");
        EXPECT_EQ(boxes[0].flags, UINT(MB_YESNO | MB_ICONWARNING));
        ClearDownloads();
    }
}

TEST_F(UpgraderTest, AProtectedFileAsksForTheLogin)
{
    ASSERT_TRUE(portal.SetRoute(kInfoPath, "\"body_text\": \"#version=5\\r\\n#url=" + portal.URL("/update/setup.exe") + "\""));
    ASSERT_TRUE(portal.SetRoute("/update/setup.exe",
                                R"("body_text": "SETUP", "auth_user": "player", "auth_password": "s3cret", "realm": "Box")"));
    std::string prompt;
    TWhenShown login([&] {
        if (auto* form = FindForm<TUpgraderPasswordForm>("TUpgraderPasswordForm")) {
            prompt = form->Label1->Caption();
            form->UsernameEdit->SetText("player");
            form->PasswordEdit->SetText("s3cret");
            form->OKBtn->Click();
            return true;
        }
        AnswerAsk(true)();
        return false;
    });
    EXPECT_TRUE(upgrader->CheckUpdateWait());
    ASSERT_TRUE(FinishWizard());
    EXPECT_EQ(prompt, "远端的文档\"setup.exe\"被密码保护，\n\n请输入您的帐号及密码[注册用户]来继续进行升级操作。");
    EXPECT_EQ(upgrader->HTTPUsername(), "player");
    EXPECT_EQ(ReadWhole(ProgramDir() + "setup.exe.uTMP"), "SETUP");
    // WinINet under Wine asks twice without credentials before it answers the challenge.
    Strings log = Log();
    log.erase(std::unique(log.begin(), log.end()), log.end());
    EXPECT_EQ(log, (Strings{"GET /update/update.inf 200 -", "GET /update/setup.exe 401 -",
                            "GET /update/setup.exe 200 auth"}));
}

// Closing the wizard asks first; Yes abandons the download and its files.
TEST_F(UpgraderTest, ClosingTheWizardAbortsTheUpgrade)
{
    ASSERT_TRUE(portal.SetRoute(kInfoPath, "\"body_text\": \"#version=5\\r\\n#url=" + portal.URL("/update/setup.exe") + "\""));
    ASSERT_TRUE(portal.SetRoute("/update/setup.exe",
                                R"("body_size": 400000, "trickle_bytes": 4096, "trickle_delay": 0.05)"));
    boxAnswer = IDYES;
    TWhenShown answer(AnswerAsk(true));
    EXPECT_TRUE(upgrader->CheckUpdateWait());
    ASSERT_TRUE(PumpUntil([] { return UpgraderWizard() && Exists(ProgramDir() + "setup.exe.uTMP"); }, 20000));
    PostMessageA(UpgraderWizard()->Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_TRUE(PumpUntil([&] { return Has("aborted"); }, 10000));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "升级操作尚未完成，\r您确定要放弃升级吗？");
    EXPECT_EQ(boxes[0].flags, UINT(MB_YESNO | MB_ICONQUESTION));
    // The worker deletes its partial file once it has stopped.
    EXPECT_TRUE(PumpUntil([] { return DownloadedFiles().empty(); }, 10000));
    EXPECT_EQ(UpgraderWizard(), nullptr);
    EXPECT_FALSE(Has("end"));
}

// A requested check while one runs starts no second transfer and waits for the first.
TEST_F(UpgraderTest, ARequestedCheckJoinsTheRunningOne)
{
    ASSERT_TRUE(portal.SetRoute(kInfoPath, R"("body_text": "#version=3\r\n#url=/x", "trickle_bytes": 4, "trickle_delay": 0.1)"));
    upgrader->CheckUpdate();
    EXPECT_FALSE(upgrader->CheckUpdateWait());
    EXPECT_EQ(events, Strings{"no update"});
    EXPECT_EQ(Log(), Strings{"GET /update/update.inf 200 -"});
}

// A second requested check while one waits (a menu command handled in its loop) joins
// it: one request, and both calls end with the same outcome.
TEST_F(UpgraderTest, ASecondCheckJoinsTheWaitingOne)
{
    ASSERT_TRUE(portal.SetRoute(kInfoPath, R"("body_text": "#version=5\r\n#url=/update/setup.exe", "hold_at": 0)"));
    TWhenShown later(AnswerAsk(false));
    int second = -1;
    TWhenShown join([&] {
        // The answer is held until the second call is about to wait.
        if (!portal.Release(kInfoPath))
            return false;
        second = upgrader->CheckUpdateWait() ? 1 : 0;
        return true;
    });
    const TWatchdog watchdog(60000);
    EXPECT_TRUE(upgrader->CheckUpdateWait());
    EXPECT_FALSE(watchdog.Fired());
    EXPECT_EQ(second, 1);
    EXPECT_EQ(events, (Strings{"begin 0 1 ", "later"}));
    EXPECT_EQ(Log(), Strings{"GET /update/update.inf 200 -"});
}

// While the finished wizard waits for OK no check starts: one requested then waits for
// the upgrade, and OK restarts with the file as it came.
TEST_F(UpgraderTest, NoCheckStartsWhileTheFinishedWizardWaits)
{
    ASSERT_TRUE(portal.SetRoute(kInfoPath, "\"body_text\": \"#version=5\\r\\n#url=" + portal.URL("/update/Tessel.dll") + "\""));
    ASSERT_TRUE(portal.SetRoute("/update/Tessel.dll", R"("body_text": "NEW LIBRARY")"));
    TWhenShown answer(AnswerAsk(true));
    int during = -1;
    bool waiting = false;
    TWhenShown check([&] {
        const TUpgraderWizardForm* form = UpgraderWizard();
        if (!form || !form->FinishBtn->Enabled())
            return false;
        waiting = true;
        during = upgrader->CheckUpdateWait() ? 1 : 0;
        return true;
    });
    TWhenShown finish([&] { return waiting && PressFinish(); });
    const TWatchdog watchdog(60000);
    EXPECT_TRUE(upgrader->CheckUpdateWait());
    ASSERT_TRUE(PumpUntil([&] { return Has("end"); }, 60000));
    EXPECT_FALSE(watchdog.Fired());
    EXPECT_EQ(during, 1);
    EXPECT_EQ(events, (Strings{"begin 0 1 ", "file done Tessel.dll.uTMP", "end"}));
    EXPECT_EQ(ReadWhole(ProgramDir() + "Tessel.dll.uTMP"), "NEW LIBRARY");
    EXPECT_EQ(Log(), (Strings{"GET /update/update.inf 200 -", "GET /update/Tessel.dll 200 -"}));
}

// A requested check during the download starts nothing and waits for the upgrade: the
// wizard's closing ends that wait, by OK (the restart vetoed here) or by the abort.
TEST_F(UpgraderTest, ACheckDuringTheDownloadWaitsUntilTheWizardCloses)
{
    for (bool abort : {false, true}) {
        SCOPED_TRACE(abort ? "abort" : "OK");
        events.clear();
        boxes.clear();
        boxAnswer = IDYES;
        const std::size_t logBefore = Log().size();
        ASSERT_TRUE(portal.SetRoute(kInfoPath, "\"body_text\": \"#version=5\\r\\n#url=" + portal.URL("/update/setup.exe") + "\""));
        ASSERT_TRUE(portal.SetRoute("/update/setup.exe", R"("body_text": "SETUP", "hold_at": 0)"));
        bool started = false;
        upgrader->OnFileStart = [&](cl::TObject*, const AnsiString&, int, TDateTime, bool&) { started = true; };
        TWhenShown answer(AnswerAsk(true));
        EXPECT_TRUE(upgrader->CheckUpdateWait());
        ASSERT_TRUE(PumpUntil([&] { return started; }, 20000)); // the file's answer is held
        TWhenShown end([&] {
            if (abort) {
                PostMessageA(UpgraderWizard()->Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
                return true;
            }
            if (!portal.Release("/update/setup.exe"))
                return false;
            return true;
        });
        TWhenShown finish(PressFinish);
        const TWatchdog watchdog(60000);
        EXPECT_TRUE(upgrader->CheckUpdateWait());
        EXPECT_FALSE(watchdog.Fired());
        const Strings expected = abort ? Strings{"begin 0 1 ", "aborted"}
                                       : Strings{"begin 0 1 ", "file done setup.exe.uTMP", "end"};
        EXPECT_EQ(events, expected);
        EXPECT_EQ(UpgraderWizard(), nullptr);
        if (abort) {
            portal.Release("/update/setup.exe"); // the stopped worker ends and deletes its file
            EXPECT_TRUE(PumpUntil([] { return DownloadedFiles().empty(); }, 20000));
        }
        Strings log = Log();
        log.erase(log.begin(), log.begin() + static_cast<std::ptrdiff_t>(logBefore));
        EXPECT_EQ(log, (Strings{"GET /update/update.inf 200 -", "GET /update/setup.exe 200 -"}));
        upgrader->OnFileStart = nullptr;
        ClearDownloads();
    }
}

namespace {
// The online test reads this value first; 1 says online whatever the host's addresses.
class TOnlineValue {
public:
    explicit TOnlineValue(DWORD value = 1) { Set(value); }
    void Set(DWORD value)
    {
        HKEY key;
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kPath, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) == ERROR_SUCCESS) {
            RegSetValueExA(key, "Remote Connection", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
            RegCloseKey(key);
        }
    }
    ~TOnlineValue() { RegDeleteTreeA(HKEY_LOCAL_MACHINE, kPath); }

private:
    static constexpr const char* kPath = "System\\CurrentControlSet\\Services\\RemoteAccess";
};

// A port nothing listens on.
int RefusedPort()
{
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    int len = sizeof addr;
    getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len);
    closesocket(s);
    return ntohs(addr.sin_port);
}
} // namespace

// Offline ticks check nothing; the first tick online checks, once.
TEST_F(UpgraderTest, TheAutomaticCheckWaitsUntilOnline)
{
    TOnlineValue online(0);
    ASSERT_TRUE(portal.SetRoute(kInfoPath, R"("body_text": "#version=4\r\n#url=/x")"));
    upgrader->AutoCheckDelay = 50;
    upgrader->SetAutoCheck(true);
    ASSERT_TRUE(PumpTicks(10)); // ten ticks offline
    EXPECT_TRUE(events.empty());
    EXPECT_TRUE(Log().empty());
    online.Set(1);
    ASSERT_TRUE(PumpUntil([&] { return Has("no update"); }, 20000));
    ASSERT_TRUE(Settle());
    EXPECT_EQ(events, Strings{"no update"});
    EXPECT_EQ(Log(), Strings{"GET /update/update.inf 200 -"});
    EXPECT_FALSE(KillTimer(upgrader->WindowHandle(), 1)) << "the start-up timer still runs";
}

// The automatic check says nothing when the service cannot be reached and tries again on
// the next tick; once a check has run, the timer stays off.
TEST_F(UpgraderTest, TheAutomaticCheckRetriesSilently)
{
    const TOnlineValue online;
    upgrader->InfoFileURL = portal.URL(kInfoPath, RefusedPort());
    ASSERT_TRUE(portal.SetRoute(kInfoPath, R"("body_text": "#version=4\r\n#url=/x")"));
    upgrader->AutoCheckDelay = 50;
    upgrader->SetAutoCheck(true);
    ASSERT_TRUE(PumpUntil([&] { return events.size() >= 2; }, 20000));
    EXPECT_EQ(events[0], "unreachable 127.0.0.1");
    EXPECT_EQ(events[1], "unreachable 127.0.0.1");
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(Log().empty());

    upgrader->InfoFileURL = portal.URL(kInfoPath);
    ASSERT_TRUE(PumpUntil([&] { return Has("no update"); }, 20000));
    ASSERT_TRUE(Settle());
    EXPECT_EQ(Log(), Strings{"GET /update/update.inf 200 -"});
    EXPECT_FALSE(KillTimer(upgrader->WindowHandle(), 1)) << "the start-up timer still runs";
    EXPECT_TRUE(boxes.empty());
}

// A host that cannot be reached during a download the automatic check began: the wizard
// closes without a word, nothing stays beside the program and the timer tries again.
// A download the user asked for says so.
TEST_F(UpgraderTest, AnUnreachableHostDuringTheDownload)
{
    const TOnlineValue online;
    ASSERT_TRUE(portal.SetRoute(kInfoPath, "\"body_text\": \"#version=5\\r\\n#url=" +
                                               portal.URL("/update/setup.exe", RefusedPort()) + "\""));
    {
        SCOPED_TRACE("automatic");
        int asked = 0;
        TWhenShown answer([&] {
            if (!AnswerAsk(asked == 0)())
                return false;
            return ++asked == 2; // Yes, then Later
        });
        upgrader->AutoCheckDelay = 50;
        upgrader->SetAutoCheck(true);
        ASSERT_TRUE(PumpUntil([&] { return Has("later"); }, 30000));
        upgrader->SetAutoCheck(false);
        EXPECT_EQ(events, (Strings{"begin 0 1 ", "unreachable 127.0.0.1", "begin 0 1 ", "later"}));
        EXPECT_TRUE(boxes.empty());
        EXPECT_EQ(Log(), (Strings{"GET /update/update.inf 200 -", "GET /update/update.inf 200 -"}));
        EXPECT_EQ(UpgraderWizard(), nullptr);
        EXPECT_EQ(DownloadedFiles(), Strings{});
    }
    {
        SCOPED_TRACE("requested");
        events.clear();
        TWhenShown answer(AnswerAsk(true));
        EXPECT_TRUE(upgrader->CheckUpdateWait());
        ASSERT_TRUE(PumpUntil([&] { return Has("unreachable 127.0.0.1"); }, 30000));
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, "无法与服务器http://127.0.0.1'连接。\r\r请检查您的internet设定之后再进行升级操作。");
        EXPECT_EQ(boxes[0].flags & MB_ICONMASK, UINT(MB_ICONERROR));
        EXPECT_EQ(UpgraderWizard(), nullptr);
        EXPECT_EQ(DownloadedFiles(), Strings{});
    }
}

// The info file is read up to 1 MiB: one that long is read (it lists nothing), a longer
// one is a failed check, with or without its length.
TEST_F(UpgraderTest, AnInfoFileLongerThanOneMebibyteIsAFailedCheck)
{
    struct Case {
        const char* route;
        const char* event;
    };
    const Case cases[] = {
        {R"("body_size": 1048576)", "no update"},
        {R"("body_size": 1048577)", "no info file"},
        {R"("body_size": 1048577, "send_length": false)", "no info file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.route);
        events.clear();
        ASSERT_TRUE(portal.SetRoute(kInfoPath, c.route));
        EXPECT_FALSE(upgrader->CheckUpdateWait());
        EXPECT_EQ(events, Strings{c.event});
    }
    EXPECT_TRUE(boxes.empty());
}

// With mfuOnlyIfSizeDifferent a file whose namesake beside the program has the size
// announced is skipped; one of another size or none is fetched, and so is the program's
// own executable and the only file of a release.
TEST_F(UpgraderTest, OnlyFilesOfAnotherSizeAreFetched)
{
    upgrader->MiscFilesUpgrade = TekMiscFilesUpgradeBehavior::mfuOnlyIfSizeDifferent;
    const AnsiString exe = ExtractFileName(cl::Application->ExeName());
    const std::int64_t exeSize = GetFileSize64(cl::Application->ExeName());
    ASSERT_GT(exeSize, 0);
    struct TBeside {
        AnsiString path;
        ~TBeside() { DeleteFileA(path.c_str()); }
    };
    const TBeside same{ProgramDir() + "mfu-same.dat"}, other{ProgramDir() + "mfu-other.dat"};
    std::ofstream(same.path, std::ios::binary) << "ABCD";
    std::ofstream(other.path, std::ios::binary) << "ABC";
    ASSERT_TRUE(portal.SetRoute("/update/mfu-same.dat", R"("body_text": "ABCD")"));
    ASSERT_TRUE(portal.SetRoute("/update/mfu-other.dat", R"("body_text": "ABCDE")"));
    ASSERT_TRUE(portal.SetRoute("/update/mfu-new.dat", R"("body_text": "NEW")"));
    // The executable's namesake claims the executable's size; it is never read.
    ASSERT_TRUE(portal.SetRoute("/update/" + exe, "\"body_text\": \"\", \"claimed_length\": " + std::to_string(exeSize)));
    Strings starts;
    upgrader->OnFileStart = [&](cl::TObject*, const AnsiString& url, int, TDateTime, bool& canUpgrade) {
        starts.push_back(ExtractURLFileName(url) + (canUpgrade ? " fetch" : " skip"));
        if (ExtractURLFileName(url) == exe)
            canUpgrade = false; // seen: that is all this row needs
    };
    struct Case {
        std::vector<const char*> files;
        Strings starts;
        Strings done;
    };
    const Case cases[] = {
        {{"mfu-same.dat", "mfu-other.dat", "mfu-new.dat", "<exe>"},
         {"mfu-same.dat skip", "mfu-other.dat fetch", "mfu-new.dat fetch", exe + " fetch"},
         {"file done mfu-other.dat.uTMP", "file done mfu-new.dat.uTMP"}},
        {{"mfu-same.dat"}, {"mfu-same.dat fetch"}, {"file done mfu-same.dat.uTMP"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.starts[0]);
        events.clear();
        starts.clear();
        std::string info = "\"body_text\": \"#version=5";
        int n = 0;
        for (const char* file : c.files)
            info += "\\r\\n#url" + std::to_string(++n) + "=" +
                    portal.URL("/update/" + (std::string(file) == "<exe>" ? exe : AnsiString(file)));
        ASSERT_TRUE(portal.SetRoute(kInfoPath, info + "\""));
        TWhenShown answer(AnswerAsk(true));
        EXPECT_TRUE(upgrader->CheckUpdateWait());
        ASSERT_TRUE(FinishWizard());
        EXPECT_EQ(starts, c.starts);
        Strings done = c.done;
        done.insert(done.begin(), "begin 0 " + std::to_string(c.files.size()) + " ");
        done.push_back("end");
        EXPECT_EQ(events, done);
        ClearDownloads();
    }
    EXPECT_EQ(ReadWhole(other.path), "ABC"); // the files beside stay as they were
}

// The login dialog's Cancel ends the upgrade: nothing is fetched and nothing stays.
TEST_F(UpgraderTest, CancelOfTheLoginEndsTheUpgrade)
{
    ASSERT_TRUE(portal.SetRoute(kInfoPath, "\"body_text\": \"#version=5\\r\\n#url=" + portal.URL("/update/setup.exe") + "\""));
    ASSERT_TRUE(portal.SetRoute("/update/setup.exe",
                                R"("body_text": "SETUP", "auth_user": "player", "auth_password": "s3cret")"));
    TWhenShown cancel([&] {
        if (auto* form = FindForm<TUpgraderPasswordForm>("TUpgraderPasswordForm")) {
            form->CancelBtn->Click();
            return true;
        }
        AnswerAsk(true)();
        return false;
    });
    EXPECT_TRUE(upgrader->CheckUpdateWait());
    ASSERT_TRUE(PumpUntil([&] { return Has("aborted") && !upgrader->Busy(); }, 20000));
    EXPECT_EQ(events, (Strings{"begin 0 1 ", "aborted"}));
    EXPECT_EQ(UpgraderWizard(), nullptr);
    EXPECT_EQ(DownloadedFiles(), Strings{});
    EXPECT_TRUE(boxes.empty());
    Strings log = Log();
    log.erase(std::unique(log.begin(), log.end()), log.end());
    EXPECT_EQ(log, (Strings{"GET /update/update.inf 200 -", "GET /update/setup.exe 401 -"}));
}

// When the upgrade helper cannot be started (this test program carries none) the
// program says so and keeps running; the downloads it would have moved go.
TEST_F(UpgraderTest, AHelperThatCannotStartKeepsTheProgramRunning)
{
    ASSERT_TRUE(portal.SetRoute(kInfoPath, "\"body_text\": \"#version=5\\r\\n#url=" + portal.URL("/update/a.dat") + "\""));
    ASSERT_TRUE(portal.SetRoute("/update/a.dat", R"("body_text": "A")"));
    upgrader->OnEndUpgrade = [this](cl::TObject*, bool&) { events.push_back("end"); }; // restarts
    bool closed = false;
    upgrader->OnDoOwnCloseAppMethod = [&](cl::TObject*) { closed = true; };
    TWhenShown answer(AnswerAsk(true));
    EXPECT_TRUE(upgrader->CheckUpdateWait());
    ASSERT_TRUE(FinishWizard());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "The upgrade program is missing from " + cl::Application->ExeName());
    EXPECT_EQ(boxes[0].caption, "软件升级精灵");
    EXPECT_EQ(boxes[0].flags, UINT(MB_OK | MB_ICONERROR));
    EXPECT_FALSE(closed);
    EXPECT_FALSE(cl::Application->Terminated());
    EXPECT_EQ(DownloadedFiles(), Strings{});
}

// A wizard shown again starts from its first state, whatever state it was left in.
TEST(UpgraderWizardState, ShownAgainStartsFromItsFirstState)
{
    SetUpgraderLanguage(wlEnglish);
    TUpgrader upgrader(nullptr);
    ShowUpgraderWizard(upgrader);
    TUpgraderWizardForm* form = UpgraderWizard();
    ASSERT_NE(form, nullptr);
    form->ShowFile("http://127.0.0.1/update/a.dat", "Downloading 2 of 2");
    form->ShowFileSize("File size: 1.0 Kb");
    form->ShowProgress(60, 80, "Transfer rate: 2.0 Kb/s", "Estimated time left: 0:00:01");
    form->ShowFinished();
    ShowUpgraderWizard(upgrader);
    ASSERT_EQ(UpgraderWizard(), form);
    EXPECT_EQ(form->WizardTitle->Caption(), "Downloading files...");
    EXPECT_EQ(form->AfterNote->Caption(), "");
    EXPECT_TRUE(form->LCurrentFile->Visible());
    EXPECT_TRUE(form->LAllFiles->Visible());
    EXPECT_EQ(form->FileURL->Text(), "");
    EXPECT_EQ(form->AllDownloading->Caption(), "");
    EXPECT_EQ(form->LFileSize->Caption(), "");
    EXPECT_EQ(form->LTransferRate->Caption(), "");
    EXPECT_EQ(form->LEstimatedTime->Caption(), "Preparing. . .");
    EXPECT_EQ(form->ProgressCurrentFile->Position(), 0);
    EXPECT_EQ(form->ProgressAllFiles->Position(), 0);
    EXPECT_TRUE(form->CancelBtn->Enabled());
    EXPECT_FALSE(form->FinishBtn->Enabled());
    EXPECT_EQ(form->FinishBtn->Caption(), "&Next >");
    CloseUpgraderWizard(&upgrader);
    EXPECT_TRUE(PumpUntil([] { return !FindWindowA("TUpgraderWizardForm", nullptr); }, 5000));
}

// A journal left beside the program is finished or rolled back once the component is
// loaded, restart or not; a journal cut short is simply removed.
TEST(UpgraderStart, AJournalBesideTheProgramIsRecoveredWithoutTheRestart)
{
    const std::string journal = cl::Application->ExeName() + ".uJNL";
    FILE* f = fopen(journal.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    fputs("cut sh", f);
    fclose(f);
    TUpgrader upgrader(nullptr);
    EXPECT_NE(GetFileAttributesA(journal.c_str()), INVALID_FILE_ATTRIBUTES); // made, not loaded yet
    upgrader.Loaded();
    EXPECT_EQ(GetFileAttributesA(journal.c_str()), INVALID_FILE_ATTRIBUTES);
}

// Run as a child with the command line under test: whether Loaded fires OnAfterRestart.
TEST(UpgraderRestart, ChildReportsTheRestart)
{
    const char* expected = std::getenv("LUDORA_EXPECT_AFTER_RESTART");
    if (!expected)
        GTEST_SKIP() << "started by UpgraderRestart.FiresOnlyForTheRestartParameter";
    TUpgrader upgrader(nullptr);
    upgrader.SetRestartParams("/afterupdate");
    bool fired = false;
    upgrader.OnAfterRestart = [&](cl::TObject*) { fired = true; };
    upgrader.Loaded();
    EXPECT_EQ(fired, std::string(expected) == "1");
}

// A start whose first parameter is exactly the restart parameter fires OnAfterRestart;
// any other does not.
TEST(UpgraderRestart, FiresOnlyForTheRestartParameter)
{
    struct Case {
        const char* params;
        bool fires;
    };
    const Case cases[] = {
        {"/afterupdate", true},
        {"\"/afterupdate\"", true}, // the quotes belong to the command line
        {"/AFTERUPDATE", false},
        {"/afterupdate1", false},
        {"-x /afterupdate", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.params);
        std::string command = "\"" + cl::Application->ExeName() + "\" " + c.params +
                              " --gtest_filter=UpgraderRestart.ChildReportsTheRestart";
        SetEnvironmentVariableA("LUDORA_EXPECT_AFTER_RESTART", c.fires ? "1" : "0");
        STARTUPINFOA si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        const BOOL started = CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
        SetEnvironmentVariableA("LUDORA_EXPECT_AFTER_RESTART", nullptr);
        ASSERT_TRUE(started);
        CloseHandle(pi.hThread);
        EXPECT_EQ(WaitForSingleObject(pi.hProcess, 120000), DWORD(WAIT_OBJECT_0));
        DWORD code = 99;
        GetExitCodeProcess(pi.hProcess, &code);
        CloseHandle(pi.hProcess);
        EXPECT_EQ(code, 0u) << "the child saw it otherwise";
    }
}

// The texts follow the language chosen; a block without a message takes it from English.
TEST(UpgraderText, MessagesOfTheChosenLanguage)
{
    struct Case {
        TUpgraderLanguage language;
        const wchar_t* first;
        const wchar_t* yes;
    };
    const Case cases[] = {
        {wlEnglish, L"Application update wizard", L"&Yes"},
        {wlChineseSimplified, L"\u8f6f\u4ef6\u5347\u7ea7\u7cbe\u7075", L"[&Y]\u662f"},
        {wlChineseTraditional, L"\u8edf\u9ad4\u5347\u7d1a\u7cbe\u9748", L"[&Y]\u662f"},
        {wlGerman, L"Upgrade Anwendungsassistent", L"&Yes"},
    };
    for (const Case& c : cases) {
        SetUpgraderLanguage(c.language);
        wchar_t text[256];
        EXPECT_GT(LoadStringW(GetModuleHandleA(nullptr), UpgradeMessageBase(), text, 256), 0);
        EXPECT_STREQ(text, c.first) << c.language;
        // Through the 8-bit text the component uses.
        const AnsiString yes = LoadUpgradeMessage(14);
        MultiByteToWideChar(CP_ACP, 0, yes.c_str(), -1, text, 256);
        EXPECT_STREQ(text, c.yes) << c.language;
    }
    SetUpgraderLanguage(wlEnglish);
    EXPECT_EQ(FormatUpgradeMessage(9, {2, 3}), "Downloading 2 of 3");
    EXPECT_EQ(FormatUpgradeMessage(8, {1, 2, 3}), "Estimated time left: 1:02:03");
    EXPECT_EQ(LoadUpgradeString(ProductNameId), "AutoUpgrader");
    EXPECT_EQ(LoadUpgradeString(AppTitlePlaceholderId), "<AppTitle>");
}

// Run once per system language (the test's CTest entries set it): the automatic choice.
TEST(UpgraderText, FollowsTheSystemLanguage)
{
    struct Case {
        LANGID id;
        const wchar_t* first;
    };
    const Case cases[] = {
        {0x0804, L"\u8f6f\u4ef6\u5347\u7ea7\u7cbe\u7075"},
        {0x0404, L"\u8edf\u9ad4\u5347\u7d1a\u7cbe\u9748"},
        {0x0409, L"Application update wizard"},
    };
    const LANGID system = GetSystemDefaultLangID();
    if (const char* expected = std::getenv("LUDORA_EXPECT_LANGID")) {
        ASSERT_EQ(system, static_cast<LANGID>(std::strtoul(expected, nullptr, 16)));
    }
    SelectLanguage();
    const AnsiString first = LoadUpgradeMessage(0);
    wchar_t text[256];
    MultiByteToWideChar(CP_ACP, 0, first.c_str(), -1, text, 256);
    bool known = false;
    for (const Case& c : cases) {
        if (c.id == system) {
            known = true;
            EXPECT_STREQ(text, c.first);
        }
    }
    EXPECT_TRUE(known) << std::hex << system;
}

TEST(UpgraderText, AskDialogSaysTheTitleAndTheMessage)
{
    SetUpgraderLanguage(wlEnglish);
    struct Case {
        const char* title;
        const char* message;
        const char* text;
    };
    const Case cases[] = {
        {"Orvane Box", "More games", "A newer version of Orvane Box was released.\n\nMore games\n\nDo you want to update your version with the latest one?"},
        {"Orvane Box", "", "A newer version of Orvane Box was released.\n\nDo you want to update your version with the latest one?"},
        // The class library's default title is replaced.
        {"My Application 2", "", "A newer version of <AppTitle> was released.\n\nDo you want to update your version with the latest one?"},
    };
    for (const Case& c : cases) {
        cl::Application->SetTitle(c.title);
        std::string shown, caption;
        TWhenShown answer([&] {
            auto* form = FindForm<TUpgraderUpgradeMessageForm>("TUpgraderUpgradeMessageForm");
            if (!form)
                return false;
            shown = form->Label1->Caption();
            caption = form->Caption();
            form->LaterBtn->Click();
            return true;
        });
        EXPECT_FALSE(ShowAskDialog(c.message));
        EXPECT_EQ(shown, c.text);
        EXPECT_EQ(caption, "Application update wizard");
    }
}

// A download that cannot be written beside the program is reported as the file error it
// is, and the upgrade ends.
TEST_F(UpgraderTest, AFileThatCannotBeWrittenEndsTheUpgrade)
{
    const AnsiString blocked = ProgramDir() + "blocked.dat.uTMP";
    ASSERT_TRUE(CreateDirectoryA(blocked.c_str(), nullptr)); // no file can take its name
    ASSERT_TRUE(portal.SetRoute(kInfoPath, "\"body_text\": \"#version=5\\r\\n#url=" + portal.URL("/update/blocked.dat") + "\""));
    ASSERT_TRUE(portal.SetRoute("/update/blocked.dat", R"("body_text": "DATA")"));
    TWhenShown answer(AnswerAsk(true));
    EXPECT_TRUE(upgrader->CheckUpdateWait());
    const bool aborted = PumpUntil([&] { return Has("aborted"); }, 20000);
    RemoveDirectoryA(blocked.c_str());
    ASSERT_TRUE(aborted);
    ASSERT_EQ(boxes.size(), 1u);
    // In the user's language, with the system's text after the name: the download came
    // whole but cannot take its name.
    const std::string start = "无法写入文档\"" + blocked + "\"。\r\r";
    EXPECT_EQ(boxes[0].text.rfind(start, 0), 0u) << boxes[0].text;
    EXPECT_GT(boxes[0].text.size(), start.size());
    EXPECT_EQ(boxes[0].caption, "软件升级精灵");
    EXPECT_FALSE(Has("connection lost"));
    EXPECT_FALSE(Has("end"));
}

namespace {

// The colours the windows show at points of an image (in the image's own pixels), after
// a full repaint.
struct TPicturePoint {
    int x, y;
    COLORREF colour;
};

std::vector<COLORREF> ShownAt(cl::TImage* image, const std::vector<TPicturePoint>& points)
{
    HWND parent = image->Parent()->Handle();
    RedrawWindow(parent, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    HDC dc = GetDC(parent);
    std::vector<COLORREF> colours;
    for (const TPicturePoint& p : points) colours.push_back(GetPixel(dc, image->Left() + p.x, image->Top() + p.y) & 0xFFFFFF);
    ReleaseDC(parent, dc);
    return colours;
}

std::vector<COLORREF> Expected(const std::vector<TPicturePoint>& points)
{
    std::vector<COLORREF> colours;
    for (const TPicturePoint& p : points) colours.push_back(p.colour);
    return colours;
}

} // namespace

// Each window shows the picture of its form resource: solid points of the drawing, and
// the window's face where an icon is transparent.
TEST(UpgraderPictures, TheDialogsShowTheirPictures)
{
    SetUpgraderLanguage(wlEnglish);
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    const std::vector<TPicturePoint> ask = {{8, 16, RGB(38, 110, 200)}, {16, 20, RGB(255, 255, 255)}, {0, 0, face}};
    const std::vector<TPicturePoint> password = {{10, 24, RGB(224, 168, 32)}, {16, 20, RGB(60, 40, 20)}, {0, 0, face}};
    const std::vector<TPicturePoint> wizard = {{59, 100, RGB(255, 255, 255)}, {59, 170, RGB(250, 200, 60)}};

    std::vector<COLORREF> shown;
    int width = 0, height = 0;
    {
        TWhenShown answer([&] {
            auto* form = FindForm<TUpgraderUpgradeMessageForm>("TUpgraderUpgradeMessageForm");
            if (!form)
                return false;
            width = form->IconImage->Picture()->Width();
            height = form->IconImage->Picture()->Height();
            shown = ShownAt(form->IconImage, ask);
            form->LaterBtn->Click();
            return true;
        });
        EXPECT_FALSE(ShowAskDialog(""));
        EXPECT_TRUE(answer.Done());
    }
    EXPECT_EQ(width, 32);
    EXPECT_EQ(height, 32);
    EXPECT_EQ(shown, Expected(ask));

    TUpgrader upgrader(nullptr);
    upgrader.URL = "http://127.0.0.1:9/update/locked.dat";
    shown.clear();
    width = height = 0;
    {
        TWhenShown answer([&] {
            auto* form = FindForm<TUpgraderPasswordForm>("TUpgraderPasswordForm");
            if (!form)
                return false;
            width = form->Image1->Picture()->Width();
            height = form->Image1->Picture()->Height();
            shown = ShownAt(form->Image1, password);
            form->CancelBtn->Click();
            return true;
        });
        EXPECT_FALSE(ShowPasswordDialog(upgrader));
        EXPECT_TRUE(answer.Done());
    }
    EXPECT_EQ(width, 32);
    EXPECT_EQ(height, 32);
    EXPECT_EQ(shown, Expected(password));

    ShowUpgraderWizard(upgrader);
    TUpgraderWizardForm* form = UpgraderWizard();
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->Image1->Picture()->Width(), 118);
    EXPECT_EQ(form->Image1->Picture()->Height(), 218);
    EXPECT_EQ(ShownAt(form->Image1, wizard), Expected(wizard));
    CloseUpgraderWizard(&upgrader);
    ASSERT_TRUE(PumpUntil([] { return !FindWindowA("TUpgraderWizardForm", nullptr); }, 5000)); // released

    // A picture of the upgrader's own takes the resource's place, stretched to the frame.
    cl::TBitmap green;
    green.SetSize(2, 2);
    green.Canvas()->Brush().SetColor(RGB(0, 160, 0));
    green.Canvas()->FillRect(RECT{0, 0, 2, 2});
    upgrader.Wizard()->Pic118x218()->SetGraphic(&green);
    ShowUpgraderWizard(upgrader);
    form = UpgraderWizard();
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(ShownAt(form->Image1, wizard), (std::vector<COLORREF>{RGB(0, 160, 0), RGB(0, 160, 0)}));
    CloseUpgraderWizard(&upgrader);
    EXPECT_TRUE(PumpUntil([] { return !FindWindowA("TUpgraderWizardForm", nullptr); }, 5000));
}

TEST(UpgraderSkin, ThePasswordEditAndTheProgressBarsWearTheSkin)
{
    // Our skin, active for every window of the thread, as in the program.
    std::ifstream in(LUDORA_SKIN_STREAM, std::ios::binary);
    const cl::TBytes stream((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(stream.size(), 4u);
    skin::TSkinData data(nullptr);
    cl::SetPropValue(data, "SkinStream", cl::TValue(stream));
    ASSERT_FALSE(data.Empty);
    data.SetActive(true);
    data.Loaded();
    auto skinned = [](cl::TWinControl* c) { return c && c->Perform(skin::WM_SKIN_QUERY) == 1; };

    TUpgrader upgrader(nullptr);
    upgrader.URL = "http://127.0.0.1:9/update/locked.dat";
    bool edit = false, formSkinned = false;
    {
        const DWORD start = GetTickCount();
        TWhenShown answer([&] {
            auto* form = FindForm<TUpgraderPasswordForm>("TUpgraderPasswordForm");
            if (!form)
                return false;
            // The skin comes after the window's first activation; bounded.
            edit = skinned(form->PasswordEdit);
            formSkinned = SendMessageA(form->Handle(), skin::WM_SKIN_QUERY, 0, 0) == 1;
            if (!edit && GetTickCount() - start < 20000)
                return false;
            form->CancelBtn->Click();
            return true;
        });
        EXPECT_FALSE(ShowPasswordDialog(upgrader));
        EXPECT_TRUE(answer.Done());
    }
    EXPECT_TRUE(formSkinned);
    EXPECT_TRUE(edit);

    ShowUpgraderWizard(upgrader);
    TUpgraderWizardForm* form = UpgraderWizard();
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(PumpUntil([&] { return skinned(form->ProgressCurrentFile) && skinned(form->ProgressAllFiles); }, 20000));
    CloseUpgraderWizard(&upgrader);
    EXPECT_TRUE(PumpUntil([] { return !FindWindowA("TUpgraderWizardForm", nullptr); }, 5000));
}

// An abort while the lost-file question is open holds whatever that question is then
// answered: "Yes, skip" fetches nothing more and nothing restarts.
TEST_F(UpgraderTest, AnAbortDuringTheLostFileQuestionStaysAnAbort)
{
    ASSERT_TRUE(portal.SetRoute(kInfoPath, "\"body_text\": \"#version=5\\r\\n#url=" + portal.URL("/update/a.dat") +
                                               "\\r\\n#url2=" + portal.URL("/update/gone.dll") +
                                               "\\r\\n#url3=" + portal.URL("/update/b.dat") + "\""));
    ASSERT_TRUE(portal.SetRoute("/update/a.dat", R"("body_text": "A")"));
    ASSERT_TRUE(portal.SetRoute("/update/b.dat", R"("body_text": "B")"));
    onBox = [this](const TBox& box) {
        if (box.caption != "错误 #404")
            return IDYES; // the wizard's question: abort
        // While the lost-file question is open the user closes the wizard and aborts.
        if (TUpgraderWizardForm* form = UpgraderWizard())
            SendMessageA(form->Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
        return IDYES; // then "skip"
    };
    TWhenShown answer(AnswerAsk(true));
    TWhenShown finish(PressFinish); // should the upgrade go on, the test still ends
    EXPECT_TRUE(upgrader->CheckUpdateWait());
    ASSERT_TRUE(PumpUntil([&] { return Has("aborted"); }, 20000));
    ASSERT_TRUE(Settle());
    EXPECT_EQ(events, (Strings{"begin 0 3 ", "file done a.dat.uTMP", "lost gone.dll 404", "aborted"}));
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].text, "升级操作尚未完成，\r您确定要放弃升级吗？");
    EXPECT_TRUE(upgrader->Aborted());
    EXPECT_EQ(UpgraderWizard(), nullptr);
    EXPECT_EQ(DownloadedFiles(), Strings{});
    EXPECT_EQ(Log(), (Strings{"GET /update/update.inf 200 -", "GET /update/a.dat 200 -", "GET /update/gone.dll 404 -"}));
}

// The last file comes in while the wizard's abort question is open: the answer decides.
// No shows the finished wizard afterwards, and OK ends the upgrade; Yes aborts it.
TEST_F(UpgraderTest, TheLastFileDuringTheAbortQuestion)
{
    for (int reply : {IDNO, IDYES}) {
        SCOPED_TRACE(reply == IDNO ? "No" : "Yes");
        events.clear();
        boxes.clear();
        ASSERT_TRUE(portal.SetRoute(kInfoPath, "\"body_text\": \"#version=5\\r\\n#url=" + portal.URL("/update/a.dat") + "\""));
        ASSERT_TRUE(portal.SetRoute("/update/a.dat", R"("body_text": "AAAA", "hold_at": 0)"));
        bool started = false, doneDuringQuestion = false, finishedDuringQuestion = true;
        upgrader->OnFileStart = [&](cl::TObject*, const AnsiString&, int, TDateTime, bool&) { started = true; };
        onBox = [&](const TBox&) {
            // The question is open: the file comes in whole meanwhile.
            EXPECT_TRUE(portal.Release("/update/a.dat"));
            doneDuringQuestion = PumpUntil([&] { return Has("file done a.dat.uTMP"); }, 20000);
            PumpUntil([&] { return !upgrader->Busy(); }, 20000);
            PostedMessageBack(); // the step after the last file has run
            const TUpgraderWizardForm* form = UpgraderWizard();
            finishedDuringQuestion = !form || form->FinishBtn->Enabled();
            return reply;
        };
        TWhenShown answer(AnswerAsk(true));
        const TWatchdog watchdog(60000);
        EXPECT_TRUE(upgrader->CheckUpdateWait());
        ASSERT_TRUE(PumpUntil([&] { return started; }, 20000));
        PostMessageA(UpgraderWizard()->Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
        TWhenShown finish(PressFinish);
        ASSERT_TRUE(PumpUntil([&] { return Has(reply == IDNO ? "end" : "aborted"); }, 30000));
        ASSERT_TRUE(Settle());
        EXPECT_FALSE(watchdog.Fired());
        EXPECT_TRUE(doneDuringQuestion);
        EXPECT_FALSE(finishedDuringQuestion);
        const Strings expected = reply == IDNO ? Strings{"begin 0 1 ", "file done a.dat.uTMP", "end"}
                                               : Strings{"begin 0 1 ", "file done a.dat.uTMP", "aborted"};
        EXPECT_EQ(events, expected);
        EXPECT_EQ(boxes.size(), 1u);
        EXPECT_EQ(UpgraderWizard(), nullptr);
        EXPECT_EQ(DownloadedFiles(), reply == IDNO ? Strings{"a.dat.uTMP"} : Strings{});
        upgrader->OnFileStart = nullptr;
        onBox = nullptr;
        ClearDownloads();
    }
}

// The dialog keys work while the upgrader waits in a loop of its own: Enter on the
// finished wizard's OK ends the upgrade; Escape in the wizard while a requested check
// waits for the download asks the abort question.
TEST_F(UpgraderTest, DialogKeysWorkWhileTheUpgraderWaits)
{
    ASSERT_TRUE(portal.SetRoute(kInfoPath, "\"body_text\": \"#version=5\\r\\n#url=" + portal.URL("/update/a.dat") + "\""));
    ASSERT_TRUE(portal.SetRoute("/update/a.dat", R"("body_text": "AAAA")"));
    {
        SCOPED_TRACE("Enter");
        TWhenShown answer(AnswerAsk(true));
        TWhenShown enter([] {
            TUpgraderWizardForm* form = UpgraderWizard();
            if (!form || !form->FinishBtn->Enabled() || GetFocus() != form->FinishBtn->Handle())
                return false;
            PostMessageA(form->FinishBtn->Handle(), WM_KEYDOWN, VK_RETURN, 0);
            return true;
        });
        const TWatchdog watchdog(60000);
        EXPECT_TRUE(upgrader->CheckUpdateWait());
        ASSERT_TRUE(PumpUntil([&] { return Has("end"); }, 60000));
        EXPECT_FALSE(watchdog.Fired());
        EXPECT_EQ(events, (Strings{"begin 0 1 ", "file done a.dat.uTMP", "end"}));
    }
    {
        SCOPED_TRACE("Escape");
        events.clear();
        ClearDownloads();
        ASSERT_TRUE(portal.SetRoute("/update/a.dat", R"("body_text": "AAAA", "hold_at": 0)"));
        bool started = false;
        upgrader->OnFileStart = [&](cl::TObject*, const AnsiString&, int, TDateTime, bool&) { started = true; };
        boxAnswer = IDYES;
        TWhenShown answer(AnswerAsk(true));
        EXPECT_TRUE(upgrader->CheckUpdateWait());
        ASSERT_TRUE(PumpUntil([&] { return started; }, 20000));
        TWhenShown escape([] {
            TUpgraderWizardForm* form = UpgraderWizard();
            if (!form)
                return false;
            PostMessageA(form->CancelBtn->Handle(), WM_KEYDOWN, VK_ESCAPE, 0);
            return true;
        });
        const TWatchdog watchdog(60000);
        EXPECT_TRUE(upgrader->CheckUpdateWait()); // waits for the upgrade, which the key ends
        EXPECT_FALSE(watchdog.Fired());
        EXPECT_EQ(events, (Strings{"begin 0 1 ", "aborted"}));
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, "升级操作尚未完成，\r您确定要放弃升级吗？");
        portal.Release("/update/a.dat");
        ASSERT_TRUE(Settle());
        upgrader->OnFileStart = nullptr;
    }
}

// A check asked for right after an abort, while the stopped transfer still ends, waits
// for it and then checks for real.
TEST_F(UpgraderTest, ACheckRightAfterAnAbortChecksForReal)
{
    ASSERT_TRUE(portal.SetRoute(kInfoPath, "\"body_text\": \"#version=5\\r\\n#url=" + portal.URL("/update/a.dat") + "\""));
    ASSERT_TRUE(portal.SetRoute("/update/a.dat", R"("body_size": 100000, "hold_at": 0)"));
    bool started = false;
    upgrader->OnFileStart = [&](cl::TObject*, const AnsiString&, int, TDateTime, bool&) { started = true; };
    boxAnswer = IDYES;
    TWhenShown answer(AnswerAsk(true));
    EXPECT_TRUE(upgrader->CheckUpdateWait());
    ASSERT_TRUE(PumpUntil([&] { return started; }, 20000));
    PostMessageA(UpgraderWizard()->Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_TRUE(PumpUntil([&] { return Has("aborted"); }, 20000));
    ASSERT_TRUE(upgrader->Busy()); // the worker is still held in its read
    ASSERT_TRUE(portal.SetRoute(kInfoPath, R"("body_text": "#version=4\r\n#url=/update/setup.exe\r\n")"));
    // Released once the check waits: the stopped worker comes to its checkpoint.
    TWhenShown release([&] { return portal.Release("/update/a.dat"); });
    const TWatchdog watchdog(60000);
    EXPECT_FALSE(upgrader->CheckUpdateWait());
    EXPECT_FALSE(watchdog.Fired());
    EXPECT_EQ(events, (Strings{"begin 0 1 ", "aborted", "no update"}));
    EXPECT_EQ(Log(), (Strings{"GET /update/update.inf 200 -", "GET /update/a.dat 200 -", "GET /update/update.inf 200 -"}));
}

// A handler that raises ends the check or the upgrade it belongs to: the error is shown
// and the next check runs.
TEST_F(UpgraderTest, AHandlerThatRaisesEndsItsPhase)
{
    ASSERT_TRUE(portal.SetRoute("/update/a.dat", R"("body_text": "A")"));
    struct Case {
        const char* name;
        const char* info; // the info file's text
        std::function<void(TUpgrader&)> arm;
    };
    const Case cases[] = {
        {"during the check", "#version=4", [](TUpgrader& u) {
             u.OnNoUpdateAvailable = [](cl::TObject*) { throw cl::Exception("handler failed"); };
         }},
        {"during the download", "#version=5", [](TUpgrader& u) {
             u.OnFileDone = [](cl::TObject*, const AnsiString&) { throw cl::Exception("handler failed"); };
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        boxes.clear();
        ASSERT_TRUE(portal.SetRoute(kInfoPath, "\"body_text\": \"" + std::string(c.info) + "\\r\\n#url=" +
                                                   portal.URL("/update/a.dat") + "\""));
        c.arm(*upgrader);
        TWhenShown answer(AnswerAsk(true));
        const TWatchdog watchdog(60000);
        upgrader->CheckUpdateWait();
        ASSERT_TRUE(PumpUntil([&] { return !boxes.empty(); }, 20000));
        EXPECT_EQ(boxes[0].text, "handler failed.");
        ASSERT_TRUE(Settle());
        EXPECT_EQ(UpgraderWizard(), nullptr);
        EXPECT_EQ(DownloadedFiles(), Strings{});
        // The next check is not held by the one that failed.
        upgrader->OnNoUpdateAvailable = [this](cl::TObject*) { events.push_back("no update"); };
        upgrader->OnFileDone = nullptr;
        events.clear();
        ASSERT_TRUE(portal.SetRoute(kInfoPath, R"("body_text": "#version=4\r\n#url=/x")"));
        EXPECT_FALSE(upgrader->CheckUpdateWait());
        EXPECT_FALSE(watchdog.Fired());
        EXPECT_EQ(events, Strings{"no update"});
    }
}
