#include "shell/UnConst.h"

#include "browser/WebPane.h"
#include "classlib/Forms.h"

#include <gtest/gtest.h>
#include <windows.h>

TEST(UnConst, AppPathIsTheExecutableFolderWithATrailingBackslash)
{
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    ASSERT_FALSE(AppPath.empty());
    EXPECT_EQ(AppPath.back(), '\\');
    EXPECT_EQ(std::string(exe).rfind(AppPath, 0), 0u);
    EXPECT_EQ(std::string(exe).find('\\', AppPath.size()), std::string::npos);
}

TEST(UnConst, FindPageElementGivesNothingWhileThePaneLoads)
{
    OleInitialize(nullptr);
    {
        cl::TForm form(nullptr);
        auto* pane = new browser::TWebPane(&form);
        pane->SetParent(&form);
        pane->SetBounds(0, 0, 200, 100);
        form.Handle(); // made, never shown: the test takes no desktop lock
        EXPECT_NE(pane->ReadyState(), READYSTATE_COMPLETE); // no HTML engine here: never loads
        cl::TOleVariant element;
        EXPECT_NO_THROW(element = FindPageElement("bosskey", *pane));
        EXPECT_TRUE(element.IsEmpty());
    }
    OleUninitialize();
}
