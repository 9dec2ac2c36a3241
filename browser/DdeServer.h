// The names under which the shell's htmlfile and Folder DDE conversations run, shared by
// every pane and read again whenever a pane is made.
#pragma once

#include "browser/FolderCommand.h"

namespace browser {

struct TShellDDENames {
    cl::AnsiString htmlApplication, htmlTopic;
    cl::AnsiString folderApplication, folderTopic;
    TShellVerbs verbs; // from the Folder open and explore and the Directory find commands
};

enum TDDEMode { ddeHtmlFile, ddeFolder };

void ReadShellDDENames();
const TShellDDENames& ShellDDENames();
// The conversation kind of the last initiation a pane looked at.
TDDEMode DDEMode();

} // namespace browser
