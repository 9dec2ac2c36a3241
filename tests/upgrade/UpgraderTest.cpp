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

// One upgrader with every event recorded, the message boxes answered by a rule, the
// shell's openings recorded, and the downloads beside the program cleared around it.
class UpgraderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(portal.Available()) << "run through the portal wrapper";
        ClearDownloads();
        oldBox = cl::ReplaceMessageBox([this](HWND, const AnsiString& text, const AnsiString& caption, UINT flags) {
            boxes.push_back({text, caption, flags});
            return boxAnswer;
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
        TWhenShown finish([] {
            TUpgraderWizardForm* form = UpgraderWizard();
            if (!form || !form->FinishBtn->Enabled())
                return false;
            form->FinishBtn->Click();
            return true;
        });
        return PumpUntil([&] { return Has("end"); }, 20000);
    }

    uptest::TPortalClient portal;
    std::unique_ptr<TUpgrader> upgrader;
    Strings events;
    std::vector<TBox> boxes;
    int boxAnswer = IDOK;
    Strings opened;
    cl::TMessageBoxService oldBox;
    cl::TShellExecuteService oldShell;
};

const char* const kInfoPath = "/update/update.inf";

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
    PumpUntil([] { return false; }, 200);
    EXPECT_EQ(UpgraderWizard(), nullptr);
    EXPECT_EQ(Log(), Strings{"GET /update/update.inf 200 -"});
}

// The release's files land beside the program as ".uTMP" files, complete and visible;
// files left by an earlier download are gone first.
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
    TWhenShown answer(AnswerAsk(true));
    EXPECT_TRUE(upgrader->CheckUpdateWait());
    ASSERT_TRUE(FinishWizard());
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

TEST_F(UpgraderTest, AnAnswerCutShortShowsItsMessageAndLeavesNoPartialFile)
{
    ASSERT_TRUE(portal.SetRoute(kInfoPath, "\"body_text\": \"#version=5\\r\\n#url=" + portal.URL("/update/setup.exe") + "\""));
    ASSERT_TRUE(portal.SetRoute("/update/setup.exe", R"("body_size": 200000, "truncate_after": 50000)"));
    TWhenShown answer(AnswerAsk(true));
    EXPECT_TRUE(upgrader->CheckUpdateWait());
    ASSERT_TRUE(PumpUntil([&] { return Has("connection lost"); }, 20000));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "与远端服务器的连接中断，\r\r请重新连接后再进行升级操作。");
    EXPECT_EQ(boxes[0].caption, "软件升级精灵");
    EXPECT_EQ(boxes[0].flags & MB_ICONMASK, UINT(MB_ICONERROR));
    PumpUntil([] { return false; }, 200);
    EXPECT_EQ(UpgraderWizard(), nullptr);
    EXPECT_TRUE(DownloadedFiles().empty());
    EXPECT_FALSE(Has("end"));
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
    PumpUntil([] { return false; }, 500); // ten ticks' time offline
    EXPECT_TRUE(events.empty());
    EXPECT_TRUE(Log().empty());
    online.Set(1);
    ASSERT_TRUE(PumpUntil([&] { return Has("no update"); }, 20000));
    PumpUntil([] { return false; }, 500);
    EXPECT_EQ(events, Strings{"no update"});
    EXPECT_EQ(Log(), Strings{"GET /update/update.inf 200 -"});
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
    PumpUntil([] { return false; }, 500); // ten more ticks' time
    EXPECT_EQ(Log(), Strings{"GET /update/update.inf 200 -"});
    EXPECT_TRUE(boxes.empty());
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
    EXPECT_EQ(boxes[0].text.rfind("Cannot create file \"" + blocked + "\". ", 0), 0u) << boxes[0].text;
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
