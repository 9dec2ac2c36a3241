// Constants shared by the program and the player library: the application folder and the
// data files under it.
#pragma once

#include "classlib/ComObj.h"
#include "classlib/SysUtils.h"

namespace browser {
class TWebPane;
}

// Folder of the running executable (the host program, also inside the player library),
// with a trailing backslash. Every path of the program is AppPath followed by a relative
// path.
extern const cl::AnsiString AppPath;

inline const char* const DataFileName = "Data\\Data.db";
inline const char* const ConfigFileName = "Config.db";

// The page element with this id of a pane whose document has finished loading (ready
// state 4, not busy): the document's getElementByID (null when the page has none). While
// the pane is still loading: an unassigned variant, never an error.
cl::TOleVariant FindPageElement(const cl::AnsiString& id, browser::TWebPane& pane);
