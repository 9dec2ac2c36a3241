// Constants shared by the program and the player library: the application folder and the
// data files under it.
#pragma once

#include "classlib/SysUtils.h"

// Folder of the running executable (the host program, also inside the player library),
// with a trailing backslash. Every path of the program is AppPath followed by a relative
// path.
extern const cl::AnsiString AppPath;

inline const char* const DataFileName = "Data\\Data.db";
inline const char* const ConfigFileName = "Config.db";

// The folder of a full file path, with its trailing separator ("C:\" for "C:\a.exe").
cl::AnsiString ExtractFilePath(const cl::AnsiString& fileName);
