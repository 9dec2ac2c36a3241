// Copying a game's movie out of the browser's download cache for offline play.
#pragma once

#include "classlib/SysUtils.h"

// Starts one copy for the movie whose address contains text and returns at once.
void StartMovieCopy(const cl::AnsiString& text);
