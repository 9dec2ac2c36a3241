// Portable path and command-line text routines of the upgrader: the shell command-line
// split and the file name of an address.
#pragma once

#include "classlib/SysUtils.h"

namespace up {

using cl::AnsiString;
using cl::ExtractFileExt;
using cl::ExtractFileName;
using cl::ExtractFilePath;

// Splits a shell open command into the program path and its parameters.
void SplitCommandLine(const AnsiString& command, AnsiString& program, AnsiString& parameters);

// Every "/" turned into "\", then the part after the last "\" (a query string stays).
AnsiString URLToFileName(const AnsiString& url);

} // namespace up
