// The hand-over put in place all or nothing: the helper moves the downloaded files through a
// journal beside the program, and the program's next start finishes or rolls back a
// hand-over whose helper was stopped midway. Plain Win32, built into the helper and the
// program.
#pragma once

#include "upgrade/Radirazo3/HandOverText.h"

#include <cstddef>
#include <functional>
#include <string>

namespace up {

// Told the number of moves made so far, after each one.
using TAfterMove = std::function<void(std::size_t moved)>;

// Puts every planned file in place, or none. The journal is written first; each old file
// is kept beside its target (the program's own file as a copy, so that it is never
// missing) until the last move, onto the program's file, is made. On any failure every
// old file is put back with its attributes and the downloaded files are deleted. True
// when every new file is in place.
bool ApplyMoves(const TMovePlan& plan, const std::string& journalPath, const TAfterMove& afterMove);

enum class TRecovery {
    none,       // no journal
    busy,       // a helper still holds it
    finished,   // the last move had been made: the kept old files are deleted
    rolledBack, // every old file is back, the downloads deleted
    incomplete  // a file could not be put back; the journal stays for the next start
};
// Run at the program's start, before the files of the hand-over are used.
TRecovery RecoverHandOver(const std::string& programPath);

// Deletes every "*.uTMP" file in the folder (with a trailing "\").
void DeleteDownloads(const std::string& folder);

} // namespace up
