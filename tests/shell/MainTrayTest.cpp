// The main window's tray behaviour for real: its tray icon from the form resource, the
// application's minimise and restore, the tray menu's items and the boss key pressed
// through SendInput.
#include "classlib/Seams.h"
#include "shell/MainFrm.h"
#include "shell/UnConst.h"

#include <gtest/gtest.h>

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
