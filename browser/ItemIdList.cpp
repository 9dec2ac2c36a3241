// Shell item-ID lists.
#include "browser/ItemIdList.h"

#include "classlib/ComObj.h"
#include "classlib/OleErrors.h"

#include <shlobj.h>

#include <cstring>

namespace browser {

namespace {

USHORT ItemSize(LPCITEMIDLIST item)
{
    USHORT cb;
    std::memcpy(&cb, item, sizeof cb); // items are not aligned
    return cb;
}

cl::TComPtr<IMalloc> TaskAllocator()
{
    cl::TComPtr<IMalloc> malloc;
    if (FAILED(SHGetMalloc(malloc.put()))) return {};
    return malloc;
}

} // namespace

LPITEMIDLIST PidlNext(LPCITEMIDLIST list)
{
    return reinterpret_cast<LPITEMIDLIST>(const_cast<BYTE*>(reinterpret_cast<const BYTE*>(list)) + ItemSize(list));
}

UINT PidlGetSize(LPCITEMIDLIST list)
{
    if (!list) return 0;
    UINT size = sizeof(USHORT);
    // A size below 2 cannot hold its own size field: such a list ends there.
    for (USHORT cb = ItemSize(list); cb >= sizeof(USHORT); cb = ItemSize(list)) {
        size += cb;
        list = PidlNext(list);
    }
    return size;
}

LPITEMIDLIST PidlCreate(UINT size)
{
    cl::TComPtr<IMalloc> malloc = TaskAllocator();
    if (!malloc) return nullptr;
    void* block = malloc->Alloc(size);
    if (block) std::memset(block, 0, size);
    return static_cast<LPITEMIDLIST>(block);
}

LPITEMIDLIST PidlCopy(LPCITEMIDLIST list)
{
    if (!list) return nullptr;
    const UINT size = PidlGetSize(list);
    LPITEMIDLIST copy = PidlCreate(size);
    if (copy) std::memcpy(copy, list, size - sizeof(USHORT)); // the terminator stays zeroed
    return copy;
}

void PidlFree(LPITEMIDLIST list)
{
    if (!list) return;
    cl::TComPtr<IMalloc> malloc;
    cl::OleCheck(SHGetMalloc(malloc.put()));
    malloc->Free(list);
}

} // namespace browser
