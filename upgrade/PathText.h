// Portable path and command-line text routines of the upgrader: file-name parts in
// the Windows style ("\" and ":" delimit), the shell command-line split and the file
// name of an address.
#pragma once

#include "classlib/SysUtils.h"

namespace up {

using cl::AnsiString;

// The extension with its dot ("" when none), the part after the last delimiter, and
// the part up to and including it.
AnsiString ExtractFileExt(const AnsiString& path);
AnsiString ExtractFileName(const AnsiString& path);
AnsiString ExtractFilePath(const AnsiString& path);

// Splits a shell open command into the program path and its parameters.
void SplitCommandLine(const AnsiString& command, AnsiString& program, AnsiString& parameters);

// Every "/" turned into "\", then the part after the last "\" (a query string stays).
AnsiString URLToFileName(const AnsiString& url);

} // namespace up
