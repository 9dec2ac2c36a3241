// Shell item-ID lists: items each led by a 16-bit size that counts its own bytes, ended by
// an item of size 0. Lists live in the shell's task allocator.
#pragma once

#include <windows.h>
#include <shtypes.h>

namespace browser {

LPITEMIDLIST PidlNext(LPCITEMIDLIST list);
// 0 for null; otherwise the items' sizes plus the 2-byte terminator.
UINT PidlGetSize(LPCITEMIDLIST list);
// size zeroed bytes from the task allocator; null when it cannot be had.
LPITEMIDLIST PidlCreate(UINT size);
LPITEMIDLIST PidlCopy(LPCITEMIDLIST list);
// Back to the task allocator; EOleSysError when the allocator cannot be had.
void PidlFree(LPITEMIDLIST list);

} // namespace browser
