// The hand-over between the program and its upgrade helper as text: the helper's command
// line, its parsing, the plan of which downloaded file goes where, and the journal that
// records a hand-over under way. Plain C++, shared by the program, the helper and the
// native tests.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace up {

// The helper's command line: both paths quoted (either may hold blanks), then "+" and the
// tail (the restart parameter followed by the method digit).
std::string HelperCommandLine(const std::string& helperPath, const std::string& programPath, const std::string& tail);

struct THandOverArgs {
    std::string programPath;  // the program's full path
    std::string restartParam; // given to the restarted program
    bool externalSetup = false;
};
// Parses the helper's whole raw command line (its own path first). Paths may be quoted;
// an unquoted program path runs up to the "+". False when nothing follows the helper's
// own path or no "+" is found.
bool ParseHelperCommandLine(const std::string& raw, THandOverArgs& args);

// The folder of a path, up to and including its last "\" (empty when there is none).
std::string FolderOf(const std::string& path);

struct TFileMove {
    std::string source;   // "<name>.uTMP" in the folder
    std::string target;   // the file it replaces
    bool setup = false;   // the setup program to run (external-setup mode)
    bool program = false; // the program's own file: replaced in one step, never missing
};
struct TMovePlan {
    std::vector<TFileMove> moves;
    std::string setupPath; // empty unless a setup program is among the moves
};
// The moves for the complete downloaded files named, taken in name order (ASCII letters
// compared without case, as the system lists a folder): each replaces its name less
// ".uTMP"; the first whose target ends in "exe" takes the program's file name, or, in
// external-setup mode, is the setup program. A file whose target an earlier one already
// takes is left out. The move onto the program's file comes last.
TMovePlan PlanMoves(const std::string& folder, const std::string& programName, bool externalSetup,
                    std::vector<std::string> downloaded);

// Where a replaced file waits until the hand-over is done.
std::string BackupOf(const std::string& target);
// The journal of a hand-over, beside the program.
std::string JournalOf(const std::string& programPath);

// One move as the journal records it, with what the old file was before it.
struct TJournalEntry {
    std::string target;
    std::string source;
    bool hadOld = false;         // the target existed
    unsigned long attributes = 0; // its attributes then
};
// How far an entry's move has gone, as the journal records it while the moves happen.
enum class TMoveState {
    untouched,  // nothing of it done
    begun,      // its old file may be on its way to the backup
    kept,       // the old file is kept as the backup; the new one may be on its way in
    moved,      // the new file is in place
    rolledBack  // the old file is back and its backup gone
};
struct TJournal {
    std::vector<TJournalEntry> entries;
    std::vector<TMoveState> states; // one per entry
    // Every move was made and the hand-over is being finished: only the kept old files
    // are left to delete.
    bool finished = false;
    // False for a journal of the first form, which recorded no states: what was done can
    // only be read from the files.
    bool recordsStates = true;
};
// The journal's text, written whole before the first move.
std::string JournalText(const std::vector<TJournalEntry>& entries);
// The line that records an entry's new state (not untouched), appended as it is reached.
std::string JournalRecord(std::size_t entry, TMoveState state);
// The line that records the hand-over as finished, before the kept old files go.
std::string JournalFinishedRecord();
// False when the text is not a whole journal (cut short before its end line, or not one):
// then no move had been made yet. State lines count up to the first one that is cut short
// or not understood.
bool ParseJournal(const std::string& text, TJournal& journal);

} // namespace up
