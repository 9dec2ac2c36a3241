// The shell's Folder DDE command, "[verb("path", list, show)]", split into its parts.
// Portable: the item-ID list it names is resolved by the DDE server.
#pragma once

#include "classlib/SysUtils.h"

#include <cstdint>

namespace browser {

enum TFolderVerb { fvNone = 0, fvOpen = 1, fvExplore = 2, fvFind = 3 };

struct TShellVerbs {
    cl::AnsiString open, explore, find;
};

struct TFolderCommand {
    TFolderVerb verb = fvNone;
    cl::AnsiString path;
    // The list argument ":handle:process": a shell shared-memory block of that process.
    // Without a process the number would name memory of this process, which a message
    // from anywhere must never be trusted with: such a command carries no list.
    bool hasSharedList = false;
    std::uint32_t sharedHandle = 0;
    std::uint32_t processId = 0;
    int show = 1;
};

// The verb after the first "[" up to the next "(" in a command template or command.
cl::AnsiString FolderVerbOf(std::string_view text);

// False when the command is malformed (a number run that does not convert, or a verb
// that is none of the three); command.verb then stays fvNone.
bool ParseFolderCommand(std::string_view text, const TShellVerbs& verbs, TFolderCommand& command);

} // namespace browser
