// Use-after-free and double-free checks for the Windows test programs, where mingw has no
// address sanitizer. Linked into every Windows test program by the build rule: it replaces
// the global operator new and delete of the program.
//
// Blocks up to 64 KiB get pages of their own in an arena reserved once (a header, then the
// body). A freed block's pages are decommitted at once, so any read, write or call through
// it faults; a vectored exception handler names such a fault and ends the process. The
// arena is handed out as a ring: freed pages are used again only once every other free
// page has been, which keeps them no-access for a while within the address space of a
// 32-bit process. Larger blocks, and any block the arena cannot hold, come from malloc
// with the same header, are filled with 0xDD when freed and freed at once. At the end of
// each test a listener reports a block freed twice or never allocated here, a header
// overwritten, and any heap that HeapValidate rejects.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

namespace {

constexpr std::uint32_t LiveMark = 0x4C495645u, FreedMark = 0x46524545u;
constexpr unsigned char Poison = 0xDD;
constexpr std::size_t PageSize = 4096;
constexpr std::size_t ArenaBlockLimit = 64 * 1024;
// The arena's size at most (halved until a reservation succeeds, down to 64 MiB) and the
// pages committed ahead in one call.
constexpr std::size_t ArenaBytes = 512u << 20, ArenaBytesLeast = 64u << 20;
constexpr std::size_t MaxPages = ArenaBytes / PageSize;
constexpr std::size_t CommitAhead = 64;

// 16 bytes, so the body keeps malloc's alignment.
struct Header {
    std::uint32_t mark;
    std::uint32_t size;
    std::uint32_t spare[2];
};

// Per arena page: free (decommitted, or committed ahead of the cursor), the first page of a
// live block, or a further page of one.
enum : unsigned char { PageFree = 0, PageHead = 1, PageTail = 2 };

SRWLOCK lock = SRWLOCK_INIT;
unsigned char* arena = nullptr;
std::size_t arenaPages = 0;
unsigned char pages[MaxPages];
// Pages [cursor, committedEnd) are committed and not yet handed out.
std::size_t cursor = 0, committedEnd = 0;
bool arenaTried = false;

// Faults found since the last report, as text; plain storage (this code runs inside new).
char faults[2048];
std::size_t faultLength = 0;
unsigned faultCount = 0;

struct Locked {
    Locked() { AcquireSRWLockExclusive(&lock); }
    ~Locked() { ReleaseSRWLockExclusive(&lock); }
};

void Note(const char* what, const void* block)
{
    ++faultCount;
    if (faultLength + 96 >= sizeof faults) return;
    faultLength += static_cast<std::size_t>(
        std::snprintf(faults + faultLength, sizeof faults - faultLength, "%s: block at %p\n", what, block));
}

bool InArena(const void* p)
{
    const auto* b = static_cast<const unsigned char*>(p);
    return arena && b >= arena && b < arena + arenaPages * PageSize;
}

// Says on the standard error what the faulting access reached and ends the process: the
// test fails with the message rather than running on over freed memory.
LONG CALLBACK FreedAccess(EXCEPTION_POINTERS* info)
{
    const EXCEPTION_RECORD& r = *info->ExceptionRecord;
    if (r.ExceptionCode != EXCEPTION_ACCESS_VIOLATION || r.NumberParameters < 2) return EXCEPTION_CONTINUE_SEARCH;
    const auto* address = reinterpret_cast<const unsigned char*>(r.ExceptionInformation[1]);
    if (!InArena(address)) return EXCEPTION_CONTINUE_SEARCH;
    const std::size_t page = static_cast<std::size_t>(address - arena) / PageSize;
    if (pages[page] != PageFree) return EXCEPTION_CONTINUE_SEARCH;
    const char* kind = r.ExceptionInformation[0] == 0 ? "read of" : r.ExceptionInformation[0] == 1 ? "write to" : "call into";
    char text[160];
    const int length = std::snprintf(text, sizeof text, "Heap guard: %s a freed block at %p (code at %p)\n", kind,
                                     static_cast<const void*>(address), r.ExceptionAddress);
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), text, static_cast<DWORD>(length), &written, nullptr);
    TerminateProcess(GetCurrentProcess(), 3);
    return EXCEPTION_CONTINUE_SEARCH;
}

void ReserveArenaLocked()
{
    arenaTried = true;
    for (std::size_t bytes = ArenaBytes; bytes >= ArenaBytesLeast && !arena; bytes /= 2) {
        arena = static_cast<unsigned char*>(VirtualAlloc(nullptr, bytes, MEM_RESERVE, PAGE_NOACCESS));
        if (arena) arenaPages = bytes / PageSize;
    }
    if (arena) AddVectoredExceptionHandler(1, FreedAccess);
}

void Decommit(std::size_t first, std::size_t count)
{
    if (count) VirtualFree(arena + first * PageSize, count * PageSize, MEM_DECOMMIT);
}

// Moves the cursor to the next run of at least need free pages, going round the ring from
// where the last run ended, and commits up to CommitAhead of them; false when the arena
// has no such run.
bool RefillLocked(std::size_t need)
{
    Decommit(cursor, committedEnd - cursor);
    std::size_t start = committedEnd % arenaPages, scanned = 0;
    while (scanned < arenaPages + need) {
        if (start + need > arenaPages) { // a run does not wrap
            scanned += arenaPages - start;
            start = 0;
            continue;
        }
        std::size_t run = 0;
        while (start + run < arenaPages && run < std::max(need, CommitAhead) && pages[start + run] == PageFree) ++run;
        if (run >= need) {
            if (!VirtualAlloc(arena + start * PageSize, run * PageSize, MEM_COMMIT, PAGE_READWRITE)) break;
            cursor = start;
            committedEnd = start + run;
            return true;
        }
        scanned += run + 1;
        start += run + 1;
        if (start >= arenaPages) start = 0;
    }
    cursor = committedEnd = 0;
    return false;
}

Header* ArenaAllocate(std::size_t size)
{
    const std::size_t need = (sizeof(Header) + size + PageSize - 1) / PageSize;
    Locked locked;
    if (!arenaTried) ReserveArenaLocked();
    if (!arena) return nullptr;
    if (committedEnd - cursor < need && !RefillLocked(need)) return nullptr;
    auto* h = reinterpret_cast<Header*>(arena + cursor * PageSize);
    pages[cursor] = PageHead;
    for (std::size_t i = 1; i < need; ++i) pages[cursor + i] = PageTail;
    cursor += need;
    return h;
}

void* Allocate(std::size_t size)
{
    if (size == 0) size = 1;
    Header* h = size <= ArenaBlockLimit ? ArenaAllocate(size) : nullptr;
    if (!h) h = static_cast<Header*>(std::malloc(sizeof(Header) + size));
    if (!h) return nullptr;
    h->mark = LiveMark;
    h->size = static_cast<std::uint32_t>(size);
    return h + 1;
}

void* AllocateOrThrow(std::size_t size)
{
    void* p = Allocate(size);
    if (!p) throw std::bad_alloc();
    return p;
}

void ArenaDeallocate(void* p)
{
    Locked locked;
    const std::size_t offset = static_cast<std::size_t>(static_cast<unsigned char*>(p) - arena);
    const std::size_t first = offset / PageSize;
    if (pages[first] == PageFree) {
        Note("freed twice", p); // its page is gone: nothing is read from it
        return;
    }
    if (pages[first] != PageHead || offset % PageSize != sizeof(Header)) {
        Note("freed but never allocated here", p);
        return;
    }
    const Header* h = static_cast<Header*>(p) - 1;
    if (h->mark != LiveMark) Note("header overwritten", p);
    std::size_t count = 1;
    while (first + count < arenaPages && pages[first + count] == PageTail) ++count;
    std::memset(pages + first, PageFree, count);
    Decommit(first, count);
}

void Deallocate(void* p)
{
    if (!p) return;
    if (InArena(p)) {
        ArenaDeallocate(p);
        return;
    }
    Header* h = static_cast<Header*>(p) - 1;
    Locked locked;
    if (h->mark != LiveMark) {
        Note(h->mark == FreedMark ? "freed twice" : "freed but never allocated here", p);
        return;
    }
    h->mark = FreedMark;
    std::memset(h + 1, Poison, h->size);
    std::free(h);
}

// Checks every heap of the process into found: the text of what was found since the last
// sweep, empty when nothing was.
void SweepLocked(char* found, std::size_t& length)
{
    HANDLE heaps[64];
    const DWORD count = GetProcessHeaps(64, heaps);
    for (DWORD i = 0; i < count && i < 64; ++i)
        if (!HeapValidate(heaps[i], 0, nullptr)) {
            ++faultCount;
            if (faultLength + 64 < sizeof faults)
                faultLength += static_cast<std::size_t>(std::snprintf(
                    faults + faultLength, sizeof faults - faultLength, "heap %p fails validation\n", heaps[i]));
        }
    length = 0;
    if (faultCount) {
        std::memcpy(found, faults, faultLength);
        length = faultLength;
        if (faultLength + 96 >= sizeof faults) {
            std::memcpy(found + length, "(more)\n", 7);
            length += 7;
        }
    }
    faultLength = 0;
    faultCount = 0;
}

std::string Sweep()
{
    char found[sizeof faults + 8];
    std::size_t length = 0;
    {
        Locked locked;
        SweepLocked(found, length);
    }
    return std::string(found, length); // allocated once the lock is free
}

// Runs after each test, fixture torn down; end events reach listeners last-added first, so
// the failure is printed with the test's own result.
class HeapCheck : public ::testing::EmptyTestEventListener {
    void OnTestEnd(const ::testing::TestInfo&) override
    {
        const std::string found = Sweep();
        if (!found.empty()) ADD_FAILURE() << "Heap check:\n" << found;
    }
};

[[maybe_unused]] const bool installed = [] {
    ::testing::UnitTest::GetInstance()->listeners().Append(new HeapCheck);
    return true;
}();

} // namespace

void* operator new(std::size_t size) { return AllocateOrThrow(size); }
void* operator new[](std::size_t size) { return AllocateOrThrow(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void operator delete(void* p) noexcept { Deallocate(p); }
void operator delete[](void* p) noexcept { Deallocate(p); }
void operator delete(void* p, std::size_t) noexcept { Deallocate(p); }
void operator delete[](void* p, std::size_t) noexcept { Deallocate(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { Deallocate(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { Deallocate(p); }
