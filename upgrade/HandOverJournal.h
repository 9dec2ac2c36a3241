// The hand-over over the system's files: the helper moves the downloaded files through a
// journal beside the program, and the program's next start finishes or rolls back a
// hand-over that its helper could not end. Plain Win32, built into the helper and the
// program.
#pragma once

#include "upgrade/Radirazo3/HandOverMoves.h"

#include <string>
#include <vector>

namespace up {

// The moves of the plan (HandOverMoves.h), journalled beside the program.
THandOver ApplyMoves(const TMovePlan& plan, const std::string& programPath, const TAfterStep& afterStep);

// Run at the program's start, before the files of the hand-over are used, and before a new
// download or hand-over begins.
TRecovery RecoverHandOver(const std::string& programPath);

// The names of the "*.uTMP" files in the folder (ending in a separator), leaving out
// those with any of the attributes in skip.
std::vector<std::string> DownloadsIn(const std::string& folder, unsigned long skip);

// Deletes the "*.uTMP" files beside the program, except those its journal lists.
void DeleteDownloads(const std::string& programPath);

} // namespace up
