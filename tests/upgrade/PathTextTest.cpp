// File-name parts, the shell command-line split and address file names.
#include "upgrade/PathText.h"

#include <gtest/gtest.h>

using namespace up;

TEST(PathText, FileNameParts)
{
    EXPECT_EQ(ExtractFileExt("C:\\a.b\\setup.exe"), ".exe");
    EXPECT_EQ(ExtractFileExt("C:\\a.b\\setup"), "");
    EXPECT_EQ(ExtractFileExt("C:readme"), "");
    EXPECT_EQ(ExtractFileName("C:\\x\\y.dll"), "y.dll");
    EXPECT_EQ(ExtractFilePath("C:\\x\\y.dll"), "C:\\x\\");
    EXPECT_EQ(ExtractFilePath("y.dll"), "");
}

TEST(PathText, SplitCommandLineTable)
{
    struct Case { const char* command; const char* program; const char* parameters; };
    const Case cases[] = {
        {"", "", ""},
        {"   ", "", ""},
        {"\"C:\\Program Files\\IE\\iexplore.exe\" -nohome", "C:\\Program Files\\IE\\iexplore.exe", "-nohome"},
        {"\"C:\\a b\\app.exe\" \"%1\"", "C:\\a b\\app.exe", "%1"},
        {"\"C:\\a b\\app.exe\"", "C:\\a b\\app.exe", ""},
        // A quote after the start: the program ends one character before it.
        {"C:\\FF\\firefox.exe -url \"%1\"", "C:\\FF\\firefox.exe -url", "%1"},
        {"C:\\IE\\iexplore.exe -nohome", "C:\\IE\\iexplore.exe", "-nohome"},
        {"C:\\WINDOWS\\notepad.exe /p %1", "C:\\WINDOWS\\notepad.exe", "/p %1"},
        {"C:\\WINDOWS\\notepad.exe %1", "C:\\WINDOWS\\notepad.exe", "%1"},
        {"C:\\x\\app.exe \\\\server\\share", "C:\\x\\app.exe", "\\\\server\\share"},
        {"app.exe,1", "app.exe", "1"},
        // The split at " -" would leave a program without extension: try the next one.
        {"C:\\my -dir\\app.exe /x", "C:\\my -dir\\app.exe", "/x"},
        {"C:\\Program Files\\app.exe", "C:\\Program Files\\app.exe", ""},
        {"noext -x", "noext", "-x"},
        {"C:\\WINDOWS\\rundll32.exe shimgvw.dll,ImageView_Fullscreen %1", "C:\\WINDOWS\\rundll32.exe",
         "shimgvw.dll,ImageView_Fullscreen %1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        AnsiString program = "stale", parameters = "stale";
        SplitCommandLine(c.command, program, parameters);
        EXPECT_EQ(program, c.program);
        EXPECT_EQ(parameters, c.parameters);
    }
}

TEST(PathText, URLToFileName)
{
    EXPECT_EQ(URLToFileName("http://example.test/update/setup.exe"), "setup.exe");
    EXPECT_EQ(URLToFileName("http://example.test/get?f=a.exe"), "get?f=a.exe");
    EXPECT_EQ(URLToFileName("http://example.test/get?f=dir/a.exe"), "a.exe");
    EXPECT_EQ(URLToFileName("setup.exe"), "setup.exe");
    EXPECT_EQ(URLToFileName("http://example.test/"), "");
}
