// The current process's handle count and private bytes, for the benchmarks' leak figures.
// Wine answers 0 from GetProcessHandleCount and GetProcessMemoryInfo, so both are taken
// from first principles: the handle values GetHandleInformation accepts, and the committed
// private pages VirtualQuery reports.
#pragma once

#include <windows.h>

namespace bench {

// Live kernel handles: handle values are multiples of 4; the walk stops after a long run of
// unused values past the last live one.
inline DWORD HandleCount()
{
    DWORD count = 0, flags = 0;
    for (UINT_PTR value = 4, unused = 0; unused < 16384; value += 4) {
        if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) {
            ++count;
            unused = 0;
        } else {
            ++unused;
        }
    }
    return count;
}

// Committed private memory of the address space, in bytes.
inline SIZE_T PrivateBytes()
{
    SIZE_T total = 0;
    MEMORY_BASIC_INFORMATION info;
    for (UINT_PTR p = 0; VirtualQuery(reinterpret_cast<const void*>(p), &info, sizeof info) == sizeof info;) {
        if (info.State == MEM_COMMIT && info.Type == MEM_PRIVATE) total += info.RegionSize;
        const UINT_PTR next = reinterpret_cast<UINT_PTR>(info.BaseAddress) + info.RegionSize;
        if (next <= p) break; // the end of the address space
        p = next;
    }
    return total;
}

} // namespace bench
