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
    bool program;
};
void ExpectPlan(const TMovePlan& plan, std::vector<Move> moves, const char* setupPath)
{
    ASSERT_EQ(plan.moves.size(), moves.size());
    for (std::size_t i = 0; i < moves.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(plan.moves[i].source, moves[i].source);
        EXPECT_EQ(plan.moves[i].target, moves[i].target);
        EXPECT_EQ(plan.moves[i].setup, moves[i].setup);
        EXPECT_EQ(plan.moves[i].program, moves[i].program);
    }
    EXPECT_EQ(plan.setupPath, setupPath);
}
} // namespace

// Files are taken in name order, letters without case; the program's file comes last.
TEST(HandOverText, SelfUpgradeGivesTheFirstExecutableTheProgramsNameAndMovesItLast)
{
    ExpectPlan(PlanMoves("C:\\G\\", "Ludora.exe", false, {"Tessel.dll.uTMP", "other.exe.uTMP", "NewBox.exe.uTMP"}),
               {{"C:\\G\\other.exe.uTMP", "C:\\G\\other.exe", false, false},
                {"C:\\G\\Tessel.dll.uTMP", "C:\\G\\Tessel.dll", false, false},
                {"C:\\G\\NewBox.exe.uTMP", "C:\\G\\Ludora.exe", false, true}},
               "");
    // Only lower-case "exe" counts; ".uTMP" alone names nothing.
    ExpectPlan(PlanMoves("C:\\G\\", "Ludora.exe", false, {"SETUP.EXE.uTMP", ".uTMP"}),
               {{"C:\\G\\SETUP.EXE.uTMP", "C:\\G\\SETUP.EXE", false, false}}, "");
    // A second file for a target already taken is left out; the program's own name, in
    // any case, is the program's file.
    ExpectPlan(PlanMoves("C:\\G\\", "Ludora.exe", false, {"Ludora.exe.uTMP", "b.dat.uTMP", "A.exe.uTMP"}),
               {{"C:\\G\\b.dat.uTMP", "C:\\G\\b.dat", false, false},
                {"C:\\G\\A.exe.uTMP", "C:\\G\\Ludora.exe", false, true}},
               "");
    ExpectPlan(PlanMoves("C:\\G\\", "Ludora.exe", false, {"Data.db.uTMP", "LUDORA.EXE.uTMP"}),
               {{"C:\\G\\Data.db.uTMP", "C:\\G\\Data.db", false, false},
                {"C:\\G\\LUDORA.EXE.uTMP", "C:\\G\\LUDORA.EXE", false, true}},
               "");
}

TEST(HandOverText, ExternalSetupRunsTheFirstExecutable)
{
    ExpectPlan(PlanMoves("C:\\G\\", "Ludora.exe", true, {"setup.exe.uTMP"}),
               {{"C:\\G\\setup.exe.uTMP", "C:\\G\\setup.exe", true, false}}, "C:\\G\\setup.exe");
    ExpectPlan(PlanMoves("C:\\G\\", "Ludora.exe", true, {"Tessel.dll.uTMP"}),
               {{"C:\\G\\Tessel.dll.uTMP", "C:\\G\\Tessel.dll", false, false}}, "");
}

TEST(HandOverText, JournalNamesBesideTheProgram)
{
    EXPECT_EQ(JournalOf("C:\\G\\Ludora.exe"), "C:\\G\\Ludora.exe.uJNL");
    EXPECT_EQ(BackupOf("C:\\G\\Tessel.dll"), "C:\\G\\Tessel.dll.uOLD");
}

TEST(HandOverText, JournalTextAndBack)
{
    const std::vector<TJournalEntry> entries = {{"C:\\G H\\Tessel.dll", "C:\\G H\\Tessel.dll.uTMP", true, 33},
                                                {"C:\\G H\\Ludora.exe", "C:\\G H\\NewBox.exe.uTMP", false, 0}};
    const std::string text = "hand-over journal 2\r\n"
                             "M|1|33|C:\\G H\\Tessel.dll|C:\\G H\\Tessel.dll.uTMP\r\n"
                             "M|0|0|C:\\G H\\Ludora.exe|C:\\G H\\NewBox.exe.uTMP\r\n"
                             "end\r\n";
    EXPECT_EQ(JournalText(entries), text);
    TJournal read;
    ASSERT_TRUE(ParseJournal(text, read));
    EXPECT_TRUE(read.recordsStates);
    ASSERT_EQ(read.entries.size(), 2u);
    EXPECT_EQ(read.entries[0].target, "C:\\G H\\Tessel.dll");
    EXPECT_EQ(read.entries[0].source, "C:\\G H\\Tessel.dll.uTMP");
    EXPECT_TRUE(read.entries[0].hadOld);
    EXPECT_EQ(read.entries[0].attributes, 33u);
    EXPECT_EQ(read.entries[1].target, "C:\\G H\\Ludora.exe");
    EXPECT_EQ(read.entries[1].source, "C:\\G H\\NewBox.exe.uTMP");
    EXPECT_FALSE(read.entries[1].hadOld);
    EXPECT_EQ(read.entries[1].attributes, 0u);
    EXPECT_EQ(read.states, (std::vector<TMoveState>{TMoveState::untouched, TMoveState::untouched}));
}

// The state lines after the end line: the last one for an entry counts; a line cut short
// or not understood ends them.
TEST(HandOverText, JournalStates)
{
    EXPECT_EQ(JournalRecord(0, TMoveState::begun), "B|0\r\n");
    EXPECT_EQ(JournalRecord(12, TMoveState::kept), "K|12\r\n");
    EXPECT_EQ(JournalRecord(1, TMoveState::moved), "D|1\r\n");
    EXPECT_EQ(JournalRecord(3, TMoveState::rolledBack), "R|3\r\n");
    using S = TMoveState;
    const std::string head = "hand-over journal 2\r\nM|1|33|C:\\G\\a|C:\\G\\a.uTMP\r\n"
                             "M|0|0|C:\\G\\b|C:\\G\\b.uTMP\r\nend\r\n";
    struct Case {
        const char* records;
        std::vector<S> states;
    };
    const Case cases[] = {
        {"", {S::untouched, S::untouched}},
        {"B|0\r\nK|0\r\nD|0\r\nB|1\r\n", {S::moved, S::begun}},
        {"B|0\r\nK|0\r\nD|0\r\nB|1\r\nK|1\r\nR|1\r\nR|0\r\n", {S::rolledBack, S::rolledBack}},
        {"B|0\r\nK|0\r\nD|0", {S::kept, S::untouched}},      // cut short
        {"B|0\r\nK|2\r\nD|0\r\n", {S::begun, S::untouched}}, // no entry 2
        {"B|0\r\nX|0\r\nD|0\r\n", {S::begun, S::untouched}},
        {"B|0\r\nD|\r\n", {S::begun, S::untouched}},
        {"B|0\r\nD|0x\r\n", {S::begun, S::untouched}},
        {"B|0\r\nK|0\r\nD|0\r\nB|1\r\nK|1\r\nD|1\r\nF\r\n", {S::moved, S::moved}},
    };
    for (const Case& c : cases) {
        TJournal read;
        ASSERT_TRUE(ParseJournal(head + c.records, read)) << c.records;
        EXPECT_EQ(read.states, c.states) << c.records;
        EXPECT_EQ(read.finished, std::string(c.records).find("F\r\n") != std::string::npos) << c.records;
    }
    EXPECT_EQ(JournalFinishedRecord(), "F\r\n");
}

// A journal of the first form, as an older helper left it, has its entries and no states.
TEST(HandOverText, JournalOfTheFirstForm)
{
    TJournal read;
    ASSERT_TRUE(ParseJournal("hand-over journal 1\r\nM|1|33|C:\\G\\a|C:\\G\\a.uTMP\r\nend\r\n", read));
    EXPECT_FALSE(read.recordsStates);
    ASSERT_EQ(read.entries.size(), 1u);
    EXPECT_EQ(read.entries[0].target, "C:\\G\\a");
    EXPECT_EQ(read.states, std::vector<TMoveState>{TMoveState::untouched});
}

// A journal cut short while it was written, or not one at all, is no journal.
TEST(HandOverText, JournalNotWholeIsRefused)
{
    const char* const texts[] = {
        "",
        "hand-over journal 2\r\n",
        "hand-over journal 2\r\nM|1|33|C:\\G\\a|C:\\G\\a.uTMP\r\n",
        "hand-over journal 2\r\nM|1|33|C:\\G\\a|C:\\G\\a.uTMP\r\nend",
        "hand-over journal 2\r\nM|1|33|C:\\G\\a|C:\\G\\a.uT",
        "hand-over journal 2\r\nend\r\n",
        "hand-over journal 3\r\nM|1|33|C:\\G\\a|C:\\G\\a.uTMP\r\nend\r\n",
        "hand-over journal 2\r\nM|2|33|C:\\G\\a|C:\\G\\a.uTMP\r\nend\r\n",
        "hand-over journal 2\r\nM|1|x|C:\\G\\a|C:\\G\\a.uTMP\r\nend\r\n",
        "hand-over journal 2\r\nM|1|9999999999|C:\\G\\a|C:\\G\\a.uTMP\r\nend\r\n",
        "hand-over journal 2\r\nM|1|33|C:\\G\\a\r\nend\r\n",
        "hand-over journal 2\r\nM|1|33||C:\\G\\a.uTMP\r\nend\r\n",
        "hand-over journal 2\r\nM|1|33|C:\\G\\a|C:\\G\\a|b\r\nend\r\n",
        "hand-over journal 1\r\nM|1|33|C:\\G\\a|C:\\G\\a.uTMP\r\n",
    };
    for (const char* text : texts) {
        TJournal read;
        EXPECT_FALSE(ParseJournal(text, read)) << text;
    }
}
