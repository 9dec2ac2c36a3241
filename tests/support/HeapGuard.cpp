// Use-after-free and double-free checks for the skin tests on Windows, where mingw has no
// address sanitizer. Linked into the test programs only: it replaces the global operator
// new and delete of the program. Every block carries a header; a freed block is filled
// with 0xDD (a virtual call through a freed companion then faults at once) and held back
// in a quarantine before it really goes. At the end of each test a listener reports a
// block freed twice, a freed block written to, and any heap that HeapValidate rejects.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

namespace {

constexpr std::uint32_t LiveMark = 0x4C495645u, FreedMark = 0x46524545u;
constexpr unsigned char Poison = 0xDD;
// Blocks above this size are poisoned and freed at once: companions, overlays (whose
// button looks make them several KiB) and skinned windows are smaller. The quarantine
// holds at most so many blocks and bytes; the oldest go first.
constexpr std::size_t QuarantineBlockLimit = 64 * 1024;
constexpr std::size_t QuarantineSlots = 1 << 15;
constexpr std::size_t QuarantineBytes = 16u << 20;

// 16 bytes, so the body keeps malloc's alignment.
struct Header {
    std::uint32_t mark;
    std::uint32_t size;
    std::uint32_t spare[2];
};

SRWLOCK lock = SRWLOCK_INIT;
Header* quarantine[QuarantineSlots]; // a ring: count blocks from the oldest at first
std::size_t first = 0, count = 0, held = 0;
// Faults found since the last report, as text; plain storage (this code runs inside new).
char faults[2048];
std::size_t faultLength = 0;
unsigned faultCount = 0;

struct Locked {
    Locked() { AcquireSRWLockExclusive(&lock); }
    ~Locked() { ReleaseSRWLockExclusive(&lock); }
};

void Note(const char* what, const Header* h)
{
    ++faultCount;
    if (faultLength + 96 >= sizeof faults) return;
    faultLength += static_cast<std::size_t>(std::snprintf(faults + faultLength, sizeof faults - faultLength,
                                                          "%s: block of %u bytes at %p\n", what, h->size,
                                                          static_cast<const void*>(h + 1)));
}

unsigned char* Body(Header* h) { return reinterpret_cast<unsigned char*>(h + 1); }

// A quarantined block whose poison changed was written to after it was freed.
void CheckPoison(Header* h)
{
    const unsigned char* body = Body(h);
    for (std::uint32_t i = 0; i < h->size; ++i)
        if (body[i] != Poison) {
            Note("written after free", h);
            return;
        }
}

void Release(Header* h)
{
    CheckPoison(h);
    std::free(h);
}

void* Allocate(std::size_t size)
{
    auto* h = static_cast<Header*>(std::malloc(sizeof(Header) + (size ? size : 1)));
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

void Deallocate(void* p)
{
    if (!p) return;
    Header* h = static_cast<Header*>(p) - 1;
    Locked locked;
    if (h->mark == FreedMark) {
        Note("freed twice", h); // still in quarantine: left alone
        return;
    }
    if (h->mark != LiveMark) {
        Note("freed but never allocated here", h);
        return;
    }
    h->mark = FreedMark;
    std::memset(Body(h), Poison, h->size);
    if (h->size > QuarantineBlockLimit) {
        std::free(h);
        return;
    }
    while (count && (count == QuarantineSlots || held + h->size > QuarantineBytes)) {
        Header* old = quarantine[first];
        quarantine[first] = nullptr;
        first = (first + 1) % QuarantineSlots;
        --count;
        held -= old->size;
        Release(old);
    }
    quarantine[(first + count) % QuarantineSlots] = h;
    ++count;
    held += h->size;
}

// Checks every quarantined block and every heap of the process into found: the text of
// what was found, empty when nothing was.
void SweepLocked(char* found, std::size_t& length)
{
    for (Header* h : quarantine)
        if (h) CheckPoison(h);
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
