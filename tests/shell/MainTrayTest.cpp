// The main window's tray behaviour for real: its tray icon from the form resource, the
// application's minimise and restore, the tray menu's items and the boss key pressed
// through SendInput; the program's own icon in its tray record, windows and taskbar button.
#include "classlib/Seams.h"
#include "shell/AboutFrm.h"
#include "shell/MainFrm.h"
#include "shell/UnConst.h"

#include "../support/IconColour.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

// Handles messages until the condition holds or five seconds have passed.
bool WaitFor(const std::function<bool()>& condition)
{
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > 5000) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        cl::Application->ProcessMessages();
    }
    return true;
}

void PressCtrlB()
{
    INPUT keys[4] = {};
    for (INPUT& k : keys) k.type = INPUT_KEYBOARD;
    keys[0].ki.wVk = VK_CONTROL;
    keys[1].ki.wVk = 'B';
    keys[2].ki.wVk = 'B';
    keys[2].ki.dwFlags = KEYEVENTF_KEYUP;
    keys[3].ki.wVk = VK_CONTROL;
    keys[3].ki.dwFlags = KEYEVENTF_KEYUP;
    ASSERT_EQ(SendInput(4, keys, sizeof(INPUT)), 4u);
}

struct MainTray : ::testing::Test {
    cl::TMessageBoxService oldBox;

    void SetUp() override
    {
        OleInitialize(nullptr);
        oldBox = cl::ReplaceMessageBox([](HWND, const cl::AnsiString&, const cl::AnsiString&, UINT) { return IDOK; });
        cl::Application->Initialize();
        DeleteFileA((AppPath + ConfigFileName).c_str()); // boss key on, close to the tray
        cl::Application->CreateForm(MainForm);
        ASSERT_NE(MainForm, nullptr);
        MainForm->Show();
    }

    void TearDown() override
    {
        cl::Free(MainForm);
        cl::ReplaceMessageBox(oldBox);
    }

    static bool MainVisible() { return IsWindowVisible(MainForm->Handle()) != FALSE; }
};

} // namespace

TEST_F(MainTray, TrayIconFromTheFormResource)
{
    TWyrTrayIcon* tray = MainForm->trayMain;
    ASSERT_NE(tray, nullptr);
    EXPECT_FALSE(tray->HideOnMinimize);
    EXPECT_EQ(tray->Hint(), "Orvane游戏盒");
    EXPECT_EQ(tray->PopupMenu(), MainForm->pmMain);
    EXPECT_EQ(tray->RestoreOn, ticLeftClickUp);
    EXPECT_EQ(tray->PopupMenuOn, ticRightClickUp);
    EXPECT_TRUE(tray->Enabled()); // Wine's notification area took the icon
    ASSERT_EQ(MainForm->pmMain->Items()->Count(), 4);
    const char* captions[] = {"显示游戏盒", "隐藏游戏盒", "-", "退出"};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(MainForm->pmMain->Items()->Items(i)->Caption(), captions[i]);
}

TEST_F(MainTray, BossKeyHidesAndRestoresTheWindow)
{
    ASSERT_TRUE(MainForm->BossKeyOn());
    ASSERT_TRUE(WaitFor(MainVisible));
    PressCtrlB();
    EXPECT_TRUE(WaitFor([] { return !MainVisible(); }));
    EXPECT_TRUE(MainForm->InTray());
    PressCtrlB();
    EXPECT_TRUE(WaitFor(MainVisible));
    EXPECT_FALSE(MainForm->InTray());
}

TEST_F(MainTray, CaptionMinimiseHidesInTheTrayAndALeftReleaseRestores)
{
    HWND app = cl::Application->Handle();
    SendMessageA(MainForm->Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(MainForm->InTray());
    EXPECT_TRUE(MainForm->trayMain->HideOnMinimize);
    EXPECT_FALSE(IsWindowVisible(app)); // hidden, not only minimised
    EXPECT_FALSE(MainVisible());

    SendMessageA(MainForm->trayMain->NotifyWindow(), WM_TRAY_NOTIFY, 0, WM_LBUTTONUP);
    EXPECT_FALSE(MainForm->InTray());
    EXPECT_FALSE(MainForm->trayMain->HideOnMinimize); // the next minimise keeps the taskbar button
    EXPECT_TRUE(IsWindowVisible(app));
    EXPECT_TRUE(WaitFor(MainVisible));
}

TEST_F(MainTray, MenuItemsHideShowAndExit)
{
    MainForm->N2->Click(); // hide
    EXPECT_TRUE(MainForm->InTray());
    EXPECT_TRUE(WaitFor([] { return !MainVisible(); }));
    MainForm->N1->Click(); // show
    EXPECT_FALSE(MainForm->InTray());
    EXPECT_TRUE(WaitFor(MainVisible));
    EXPECT_FALSE(MainForm->CloseExit());
    MainForm->N3->Click(); // exit, although closing would go to the tray
    EXPECT_TRUE(MainForm->CloseExit());
    cl::Application->ProcessMessages();
    EXPECT_TRUE(cl::Application->Terminated());
}

namespace {

// The play mark in the middle of the program's icon.
constexpr COLORREF kProgramIconMiddle = RGB(250, 186, 36);

// Keeps the icon of the record of each call to the notification area.
class TIconRecordingTray : public TWyrTrayIcon {
public:
    TIconRecordingTray(cl::TComponent* owner, std::vector<COLORREF>& colours) : TWyrTrayIcon(owner), colours_(colours) {}

protected:
    BOOL ShellNotifyIcon(DWORD message, NOTIFYICONDATAA& data) override
    {
        colours_.push_back(IconMiddleColour(data.hIcon));
        return TWyrTrayIcon::ShellNotifyIcon(message, data);
    }

private:
    std::vector<COLORREF>& colours_;
};

BOOL CALLBACK KeepName(HMODULE, LPCSTR, LPSTR name, LONG_PTR names)
{
    reinterpret_cast<std::vector<std::string>*>(names)->push_back(IS_INTRESOURCE(name) ? "#" : name);
    return TRUE;
}

} // namespace

TEST(ProgramIcon, TheFirstIconResourceIsTheProgramsAtThreeSizes)
{
    std::vector<std::string> names;
    EnumResourceNamesA(nullptr, MAKEINTRESOURCEA(14) /* RT_GROUP_ICON */, KeepName, reinterpret_cast<LONG_PTR>(&names));
    ASSERT_FALSE(names.empty());
    EXPECT_EQ(names[0], "MAINICON");
    HRSRC res = FindResourceA(nullptr, "MAINICON", MAKEINTRESOURCEA(14));
    ASSERT_NE(res, nullptr);
    const BYTE* dir = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, res)));
    ASSERT_NE(dir, nullptr);
    // Group directory: reserved, type, count, then 14-byte entries led by width and height.
    const int count = dir[4] | dir[5] << 8;
    ASSERT_EQ(SizeofResource(nullptr, res), 6u + 14u * count);
    std::set<int> sizes;
    for (int i = 0; i < count; ++i) {
        EXPECT_EQ(dir[6 + 14 * i], dir[7 + 14 * i]);
        sizes.insert(dir[6 + 14 * i]);
    }
    EXPECT_EQ(sizes, (std::set<int>{16, 32, 48}));
}

TEST_F(MainTray, TheProgramsOwnIconShowsInTheTrayTheWindowsAndTheTaskbarButton)
{
    EXPECT_EQ(IconMiddleColour(cl::Application->Icon()->Handle()), kProgramIconMiddle);
    EXPECT_NE(IconMiddleColour(LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION))), kProgramIconMiddle);

    // A tray icon as the form resource makes it: what it hands the notification area.
    std::vector<COLORREF> colours;
    auto* tray = new TIconRecordingTray(MainForm, colours);
    tray->BeginLoading();
    tray->SetHint("icon");
    tray->Loaded();
    ASSERT_FALSE(colours.empty());
    for (COLORREF c : colours) EXPECT_EQ(c, kProgramIconMiddle);
    cl::Free(tray);

    auto* about = cl::CreateForm<TAboutForm>(nullptr);
    const struct {
        const char* name;
        HWND window;
        bool classIcon;
    } windows[] = {{"main", MainForm->Handle(), true},
                   {"about", about->Handle(), true},
                   {"taskbar button", cl::Application->Handle(), false}};
    for (const auto& w : windows) {
        SCOPED_TRACE(w.name);
        if (w.classIcon)
            EXPECT_EQ(IconMiddleColour(reinterpret_cast<HICON>(GetClassLongPtrA(w.window, GCLP_HICON))), kProgramIconMiddle);
        for (WPARAM kind : {ICON_BIG, ICON_SMALL}) {
            SCOPED_TRACE(kind);
            EXPECT_EQ(IconMiddleColour(reinterpret_cast<HICON>(SendMessageA(w.window, WM_GETICON, kind, 0))),
                      kProgramIconMiddle);
        }
    }
    cl::Free(about);
}
