// The heap guard every Windows test program links: an access to a freed block ends the
// program with a message naming it, and live blocks stay whole while the arena goes round.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

// Using blocks after they are freed is what these tests do.
#pragma GCC diagnostic ignored "-Wuse-after-free"

// Outside the anonymous namespace, so that the compiler cannot know every class derived
// from it and must call Sides through the object's table.
struct HeapGuardShape {
    virtual ~HeapGuardShape() = default;
    virtual int Sides() const { return 0; }
    int tag = 7;
};

namespace {

using Shape = HeapGuardShape;

// The compiler neither drops a block nor follows it through: it sees the pointer only
// through a volatile, and reads or writes through one.
template <typename T> T* Opaque(T* p)
{
    T* volatile v = p;
    return v;
}
template <typename T> T Read(const T* p) { return *static_cast<const volatile T*>(Opaque(p)); }

// Accesses that an ordinary allocator lets pass: the block was just freed, or its place was
// asked for again by a block of the same size.
int ReadJustFreed()
{
    int* p = Opaque(new int(41));
    delete p;
    return Read(p);
}

int ReadAfterTheSameSizeIsAskedAgain()
{
    Shape* p = Opaque(new Shape);
    delete p;
    Shape* q = Opaque(new Shape);
    const int tag = Read(&p->tag);
    delete q;
    return tag;
}

int ReadTheLastPageOfALargeFreedBlock()
{
    char* p = Opaque(new char[3 * 4096]);
    std::memset(p, 1, 3 * 4096);
    delete[] p;
    return Read(p + 3 * 4096 - 1);
}

int WriteToAFreedBlock()
{
    int* p = Opaque(new int(1));
    delete p;
    *static_cast<volatile int*>(Opaque(p)) = 2;
    return 0;
}

int VirtualCallThroughAFreedObject()
{
    Shape* s = Opaque(new Shape);
    delete s;
    return Opaque(s)->Sides();
}

} // namespace

TEST(HeapGuardDeathTest, AnAccessToAFreedBlockEndsTheProgramAndSaysSo)
{
    struct Case {
        const char* name;
        int (*access)();
        const char* message;
    } const cases[] = {
        {"just freed", ReadJustFreed, "Heap guard: read of a freed block"},
        {"same size asked again", ReadAfterTheSameSizeIsAskedAgain, "Heap guard: read of a freed block"},
        {"large block", ReadTheLastPageOfALargeFreedBlock, "Heap guard: read of a freed block"},
        {"write", WriteToAFreedBlock, "Heap guard: write to a freed block"},
        {"virtual call", VirtualCallThroughAFreedObject, "Heap guard: read of a freed block"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_DEATH(c.access(), c.message);
    }
}

TEST(HeapGuard, LiveBlocksKeepTheirContentsWhileTheArenaGoesRound)
{
    // More one-page blocks than the largest arena has pages, one in a hundred kept: the
    // cursor passes the kept ones again and must step round them.
    std::vector<std::unique_ptr<unsigned char[]>> kept;
    for (int i = 0; i < 140000; ++i) {
        const std::size_t size = 100 + static_cast<std::size_t>(i % 3900);
        std::unique_ptr<unsigned char[]> block(new unsigned char[size]);
        std::memset(block.get(), static_cast<unsigned char>(i), size);
        if (i % 100 == 0) kept.push_back(std::move(block));
    }
    for (std::size_t k = 0; k < kept.size(); ++k) {
        const int i = static_cast<int>(k) * 100;
        const std::size_t size = 100 + static_cast<std::size_t>(i % 3900);
        const auto expected = static_cast<unsigned char>(i);
        ASSERT_EQ(kept[k][0], expected) << k;
        ASSERT_EQ(kept[k][size - 1], expected) << k;
    }
}
