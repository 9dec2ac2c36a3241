// Copying a game's movie out of the browser's download cache for offline play: one thread
// per request, in the program and in the player library alike.
#pragma once

#include "classlib/SysUtils.h"

#include <string_view>

// Walks the URL cache and copies the local file of the first normal entry whose source
// address contains text (case-sensitive; an empty text matches nothing) to AppPath +
// "Data/swf/" + the address's last path segment, overwriting an earlier copy. The copy is
// made under a temporary name in that folder and takes the movie's name only when whole.
// A name that would not stay inside that folder, a missing folder or a failed copy copies
// nothing.
// No result, no message.
void GetSwfThread(const cl::AnsiString& text);

// Starts one thread running GetSwfThread on its own copy of text and returns at once;
// nobody waits for the thread. A copy the process's end cuts short is left under its
// temporary name.
void StartMovieCopy(std::wstring_view text);
