// The shell's Folder DDE command split into verb, path, list and show command.
#include "browser/FolderCommand.h"

#include <gtest/gtest.h>

using browser::TFolderCommand;

namespace {

const browser::TShellVerbs verbs{"ViewFolder", "ExploreFolder", "FindFolder"};

struct Case {
    const char* text;
    bool ok;
    browser::TFolderVerb verb;
    const char* path;
    bool shared;
    std::uint32_t handle;
    std::uint32_t process;
    int show;
};

const Case cases[] = {
    {R"([ViewFolder("C:\Games", :1234:5678, 3)])", true, browser::fvOpen, "C:\\Games", true, 1234, 5678, 3},
    {R"([ExploreFolder("", :77:12, 1)])", true, browser::fvExplore, "", true, 77, 12, 1},
    {R"([FindFolder("D:\x", :5:6, 0)])", true, browser::fvFind, "D:\\x", true, 5, 6, 0},
    // The show argument missing: normal.
    {R"([ViewFolder("C:\a", :9:8)])", true, browser::fvOpen, "C:\\a", true, 9, 8, 1},
    // A comma inside the path separates nothing.
    {R"([ViewFolder("C:\a,b", :4:2, 5)])", true, browser::fvOpen, "C:\\a,b", true, 4, 2, 5},
    // A number alone, or with process 0, would name memory of this process: no list.
    {R"([ViewFolder("", 305419896, 1)])", true, browser::fvOpen, "", false, 0, 0, 1},
    {R"([ViewFolder("", :305419896:0, 1)])", true, browser::fvOpen, "", false, 0, 0, 1},
    // Other characters before the process number are skipped.
    {R"([ViewFolder("", :10: pid 20, 1)])", true, browser::fvOpen, "", true, 10, 20, 1},
    // No second comma: no show argument.
    {R"([ViewFolder("C:\a"])", true, browser::fvOpen, "C:\\a", false, 0, 0, 1},
    // Verbs compare exactly; unknown and empty verbs are no command.
    {R"([viewfolder("C:\a", :1:2, 1)])", false, browser::fvNone, "", false, 0, 0, 1},
    {R"([OpenFolder("C:\a", :1:2, 1)])", false, browser::fvNone, "", false, 0, 0, 1},
    {R"(ViewFolder("C:\a", :1:2, 1))", false, browser::fvNone, "", false, 0, 0, 1},
    {"", false, browser::fvNone, "", false, 0, 0, 1},
    // Number runs that do not convert end the command.
    {R"([ViewFolder("", :+:5, 1)])", false, browser::fvNone, "", false, 0, 0, 1},
    {R"([ViewFolder("", :1-2:5, 1)])", false, browser::fvNone, "", false, 0, 0, 1},
    {R"([ViewFolder("", :99999999999:5, 1)])", false, browser::fvNone, "", false, 0, 0, 1},
    {R"([ViewFolder("", :1:5, +)])", false, browser::fvNone, "", false, 0, 0, 1},
};

} // namespace

TEST(FolderCommand, PartsOfTheCommand)
{
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        TFolderCommand command;
        command.show = 42;
        EXPECT_EQ(browser::ParseFolderCommand(c.text, verbs, command), c.ok);
        EXPECT_EQ(command.verb, c.verb);
        if (!c.ok) continue;
        EXPECT_EQ(command.path, c.path);
        EXPECT_EQ(command.hasSharedList, c.shared);
        EXPECT_EQ(command.sharedHandle, c.handle);
        EXPECT_EQ(command.processId, c.process);
        EXPECT_EQ(command.show, c.show);
    }
}

TEST(FolderCommand, VerbOfACommandTemplate)
{
    EXPECT_EQ(browser::FolderVerbOf(R"([ViewFolder("%l", %I, %S)])"), "ViewFolder");
    EXPECT_EQ(browser::FolderVerbOf(R"([FindFolder("%l", %I)])"), "FindFolder");
    EXPECT_EQ(browser::FolderVerbOf("no brackets"), "");
    EXPECT_EQ(browser::FolderVerbOf("[NoParenthesis]"), "");
}

TEST(FolderCommand, NoVerbsKnownMatchesNothing)
{
    TFolderCommand command;
    EXPECT_FALSE(browser::ParseFolderCommand(R"([ViewFolder("C:\a", :1:2, 1)])", {}, command));
    EXPECT_EQ(command.verb, browser::fvNone);
}
