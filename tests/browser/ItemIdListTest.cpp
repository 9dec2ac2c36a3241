// Item-ID lists in the shell's task allocator, and the entry points reached by ordinal.
#include "browser/ItemIdList.h"
#include "browser/LibEntries.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <cstring>

namespace {

LPCITEMIDLIST List(const BYTE* bytes) { return reinterpret_cast<LPCITEMIDLIST>(bytes); }

template <class F> F ByOrdinal(HMODULE module, WORD ordinal)
{
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, MAKEINTRESOURCEA(ordinal))));
}

} // namespace

TEST(ItemIdList, SizeCountsItemsAndTheTerminator)
{
    const BYTE terminatorOnly[] = {0, 0};
    const BYTE oneItem[] = {4, 0, 'a', 'b', 0, 0};
    const BYTE twoItems[] = {3, 0, 'a', 5, 0, 'b', 'c', 'd', 0, 0};
    EXPECT_EQ(browser::PidlGetSize(nullptr), 0u);
    EXPECT_EQ(browser::PidlGetSize(List(terminatorOnly)), 2u);
    EXPECT_EQ(browser::PidlGetSize(List(oneItem)), 6u);
    EXPECT_EQ(browser::PidlGetSize(List(twoItems)), 10u);
    EXPECT_EQ(reinterpret_cast<const BYTE*>(browser::PidlNext(List(twoItems))), twoItems + 3);
}

TEST(ItemIdList, CopyIsAWholeListInTheTaskAllocator)
{
    const BYTE twoItems[] = {3, 0, 'a', 5, 0, 'b', 'c', 'd', 0, 0};
    LPITEMIDLIST copy = browser::PidlCopy(List(twoItems));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(std::memcmp(copy, twoItems, sizeof twoItems), 0);
    IMalloc* malloc = nullptr;
    ASSERT_EQ(SHGetMalloc(&malloc), S_OK);
    EXPECT_EQ(malloc->DidAlloc(copy), 1);
    malloc->Release();
    EXPECT_NO_THROW(browser::PidlFree(copy));
    EXPECT_EQ(browser::PidlCopy(nullptr), nullptr);
    EXPECT_NO_THROW(browser::PidlFree(nullptr));

    LPITEMIDLIST zeroed = browser::PidlCreate(8);
    ASSERT_NE(zeroed, nullptr);
    const BYTE zeros[8] = {};
    EXPECT_EQ(std::memcmp(zeroed, zeros, 8), 0);
    browser::PidlFree(zeroed);
}

TEST(LibEntries, LibrariesAreLoadedOnceAndKept)
{
    HMODULE shell = browser::GetShellModule();
    ASSERT_NE(shell, nullptr);
    EXPECT_EQ(browser::GetShellModule(), shell);
    EXPECT_EQ(shell, GetModuleHandleA("shell32.dll"));
    EXPECT_NE(browser::GetComCtlModule(), nullptr);
    EXPECT_EQ(browser::GetComCtlModule(), browser::GetComCtlModule());
}

TEST(LibEntries, SharedMemoryThroughTheShellsOrdinals)
{
    // The shell's own allocation (ordinal 520) makes a block as a sender would.
    using AllocShared = HANDLE(WINAPI*)(const void*, DWORD, DWORD);
    auto allocShared = ByOrdinal<AllocShared>(browser::GetShellModule(), 520);
    ASSERT_NE(allocShared, nullptr);
    const char data[] = "shared list";
    HANDLE shared = allocShared(data, sizeof data, GetCurrentProcessId());
    ASSERT_NE(shared, nullptr);
    void* block = browser::ShellLockShared(shared, GetCurrentProcessId());
    ASSERT_NE(block, nullptr);
    EXPECT_STREQ(static_cast<const char*>(block), "shared list");
    EXPECT_TRUE(browser::ShellUnlockShared(block));
    EXPECT_TRUE(browser::ShellFreeShared(shared, GetCurrentProcessId()));
}

TEST(LibEntries, CommonControlsBlockFreedByOrdinal73)
{
    using Alloc = void*(WINAPI*)(DWORD);
    auto alloc = ByOrdinal<Alloc>(browser::GetComCtlModule(), 71);
    ASSERT_NE(alloc, nullptr);
    void* block = alloc(32);
    ASSERT_NE(block, nullptr);
    EXPECT_TRUE(browser::ComCtlFree(block));
}
