// The hand-over to the upgrade helper: its command line and the plan of the moves.
#include "upgrade/Radirazo3/HandOverText.h"

#include <gtest/gtest.h>

using namespace up;

TEST(HandOverText, CommandLineQuotesBothPaths)
{
    EXPECT_EQ(HelperCommandLine("C:\\T mp\\Radirazo3.exe", "C:\\Program Files\\Ludora\\Ludora.exe", "/afterupdate1"),
              "\"C:\\T mp\\Radirazo3.exe\" \"C:\\Program Files\\Ludora\\Ludora.exe\" +/afterupdate1");
}

TEST(HandOverText, ParsesTheHelpersCommandLine)
{
    struct Case {
        const char* raw;
        bool ok;
        const char* program;
        const char* param;
        bool setup;
    };
    const Case cases[] = {
        // Runs of blanks in a quoted path stay as they are.
        {"\"C:\\T mp\\Radirazo3.exe\" \"C:\\Program  Files\\Ludora Box\\Ludora.exe\" +/afterupdate1", true,
         "C:\\Program  Files\\Ludora Box\\Ludora.exe", "/afterupdate", true},
        {"\"C:\\T\\Radirazo3.exe\" \"C:\\G\\Ludora.exe\" +/afterupdate0", true, "C:\\G\\Ludora.exe", "/afterupdate",
         false},
        {"\"C:\\T\\Radirazo3.exe\" \"C:\\G\\Ludora.exe\" +/afterupdate2  ", true, "C:\\G\\Ludora.exe", "/afterupdate",
         false},
        // A "+" inside a quoted path does not split it.
        {"\"C:\\T\\Radirazo3.exe\" \"C:\\a+b\\Ludora.exe\" +/x1", true, "C:\\a+b\\Ludora.exe", "/x", true},
        // Unquoted paths run up to the "+".
        {"C:\\T\\Radirazo3.exe C:\\G\\Ludora.exe +/afterupdate1", true, "C:\\G\\Ludora.exe", "/afterupdate", true},
        {"Radirazo3.exe  \"C:\\G\\Ludora.exe\" +", true, "C:\\G\\Ludora.exe", "", false},
        // Nothing to do.
        {"\"C:\\T\\Radirazo3.exe\"", false, "", "", false},
        {"\"C:\\T\\Radirazo3.exe\"   ", false, "", "", false},
        {"\"C:\\T\\Radirazo3.exe\" \"C:\\G\\Ludora.exe\"", false, "C:\\G\\Ludora.exe", "", false},
        {"\"C:\\T\\Radirazo3.exe\" \"C:\\G\\Ludora.exe +/x1", false, "", "", false},
        {"\"C:\\T\\Radirazo3.exe\" +/x1", false, "", "", false},
        {"C:\\T\\Radirazo3.exe C:\\G\"x\\Ludora.exe +/x1", false, "", "", false},
    };
    for (const Case& c : cases) {
        THandOverArgs args;
        EXPECT_EQ(ParseHelperCommandLine(c.raw, args), c.ok) << c.raw;
        if (!c.ok)
            continue;
        EXPECT_EQ(args.programPath, c.program) << c.raw;
        EXPECT_EQ(args.restartParam, c.param) << c.raw;
        EXPECT_EQ(args.externalSetup, c.setup) << c.raw;
    }
}

TEST(HandOverText, FolderOfAPath)
{
    EXPECT_EQ(FolderOf("C:\\G\\Ludora.exe"), "C:\\G\\");
    EXPECT_EQ(FolderOf("Ludora.exe"), "");
}

namespace {
struct Move {
    const char* source;
    const char* target;
    bool setup;
};
void ExpectPlan(const TMovePlan& plan, std::vector<Move> moves, const char* setupPath)
{
    ASSERT_EQ(plan.moves.size(), moves.size());
    for (std::size_t i = 0; i < moves.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(plan.moves[i].source, moves[i].source);
        EXPECT_EQ(plan.moves[i].target, moves[i].target);
        EXPECT_EQ(plan.moves[i].setup, moves[i].setup);
    }
    EXPECT_EQ(plan.setupPath, setupPath);
}
} // namespace

TEST(HandOverText, SelfUpgradeGivesTheFirstExecutableTheProgramsName)
{
    ExpectPlan(PlanMoves("C:\\G\\", "Ludora.exe", false, {"NewBox.exe.uTMP", "Tessel.dll.uTMP", "other.exe.uTMP"}),
               {{"C:\\G\\NewBox.exe.uTMP", "C:\\G\\Ludora.exe", false},
                {"C:\\G\\Tessel.dll.uTMP", "C:\\G\\Tessel.dll", false},
                {"C:\\G\\other.exe.uTMP", "C:\\G\\other.exe", false}},
               "");
    // Only lower-case "exe" counts; ".uTMP" alone names nothing.
    ExpectPlan(PlanMoves("C:\\G\\", "Ludora.exe", false, {"SETUP.EXE.uTMP", ".uTMP"}),
               {{"C:\\G\\SETUP.EXE.uTMP", "C:\\G\\SETUP.EXE", false}}, "");
}

TEST(HandOverText, ExternalSetupRunsTheFirstExecutable)
{
    ExpectPlan(PlanMoves("C:\\G\\", "Ludora.exe", true, {"setup.exe.uTMP"}),
               {{"C:\\G\\setup.exe.uTMP", "C:\\G\\setup.exe", true}}, "C:\\G\\setup.exe");
    ExpectPlan(PlanMoves("C:\\G\\", "Ludora.exe", true, {"Tessel.dll.uTMP"}),
               {{"C:\\G\\Tessel.dll.uTMP", "C:\\G\\Tessel.dll", false}}, "");
}
