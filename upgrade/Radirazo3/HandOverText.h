// The hand-over between the program and its upgrade helper as text: the helper's command
// line, its parsing, and the plan of which downloaded file goes where. Plain C++, shared
// by the program, the helper and the native tests.
#pragma once

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
    std::string source; // "<name>.uTMP" in the folder
    std::string target; // the file it replaces
    bool setup = false; // the setup program to run (external-setup mode)
};
struct TMovePlan {
    std::vector<TFileMove> moves;
    std::string setupPath; // empty unless a setup program is among the moves
};
// The moves for the downloaded files named (in the order the system lists them):
// each replaces its name less ".uTMP"; the first whose target ends in "exe" takes the
// program's file name, or, in external-setup mode, is the setup program.
TMovePlan PlanMoves(const std::string& folder, const std::string& programName, bool externalSetup,
                    const std::vector<std::string>& downloaded);

} // namespace up
