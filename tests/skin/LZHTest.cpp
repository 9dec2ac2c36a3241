// LZHUF decoder: hand-derived bit strings, streams of the independent packer, bad input.
#include "skin/LZH.h"

#include "Fixtures.h"

#include <gtest/gtest.h>

using skin::ElzhException;
using skin::TLZH;
using skintest::ReadFixture;

namespace {

std::vector<std::uint8_t> Decode(const std::vector<std::uint8_t>& stream, std::int32_t size)
{
    std::vector<std::uint8_t> out;
    TLZH lzh;
    lzh.SetInput(stream.data(), stream.size());
    lzh.SetOutput(out);
    lzh.Decode(size);
    return out;
}

std::int32_t SizeOf(const std::vector<std::uint8_t>& file)
{
    return static_cast<std::int32_t>(file[0] | file[1] << 8 | file[2] << 16 | file[3] << 24);
}

std::vector<std::uint8_t> Body(const std::vector<std::uint8_t>& file) { return {file.begin() + 4, file.end()}; }

} // namespace

// Codes of the initial tree, worked out by hand: 'A' is 111001101; length-3 match is
// 10001100; position 100 is the prefix 0010 (upper bits 1) and the low bits 100100; an
// all-zero path ends at the leaf of 't'. Position 4037 (prefix 11111111, upper bits 63,
// low bits 000101) copies from ring index 4094: two bytes never written, then the
// first blank of the history.
TEST(LZH, HandDerivedStreams)
{
    struct Case {
        const char* what;
        std::vector<std::uint8_t> stream;
        std::int32_t size;
        std::string expected;
    } cases[] = {
        {"literal A", {0xE6, 0x80}, 1, "A"},
        {"match into the space prefill", {0x8C, 0x29, 0x00}, 3, "   "},
        {"empty input reads zero bits", {}, 1, "t"},
        {"size 0 produces nothing", {0xE6, 0x80}, 0, ""},
        {"negative size produces nothing", {0xE6, 0x80}, -7, ""},
        {"a match is copied whole past the size", {0x8C, 0x29, 0x00}, 1, "   "},
        {"the ring's unwritten end reads as zeros", {0x8C, 0xFF, 0x14}, 3, std::string("\0\0 ", 3)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(skintest::Text(Decode(c.stream, c.size)), c.expected);
    }
}

TEST(LZH, DecodesPackerStreams)
{
    // literals: no repeated three bytes; overlap: runs copied from distance 1 to 3;
    // prefill: leading blanks matched against the pre-filled history; rebuild: enough
    // symbols for the root frequency to reach the rebuild limit several times.
    for (const char* name : {"literals", "overlap", "prefill", "rebuild", "single"}) {
        SCOPED_TRACE(name);
        auto file = ReadFixture(std::string("lzh/") + name + ".lzh");
        auto raw = ReadFixture(std::string("lzh/") + name + ".raw");
        ASSERT_GE(file.size(), 4u);
        ASSERT_EQ(SizeOf(file), static_cast<std::int32_t>(raw.size()));
        EXPECT_EQ(Decode(Body(file), SizeOf(file)), raw);
    }
}

// The bit buffer reads up to two bytes ahead: a stream may end there, but one that needs a
// third byte past its end is damaged. The empty input's first 't' takes 9 zero bits (two
// bytes read ahead); a second symbol needs the third.
TEST(LZH, InputThatRunsOutIsDamaged)
{
    auto rebuild = Body(ReadFixture("lzh/rebuild.lzh"));
    std::vector<std::uint8_t> half(rebuild.begin(), rebuild.begin() + static_cast<std::ptrdiff_t>(rebuild.size() / 2));
    struct Case {
        const char* what;
        std::vector<std::uint8_t> stream;
        std::int32_t size;
    } cases[] = {
        {"empty input, a second symbol", {}, 2},
        {"half of a long stream", half, SizeOf(ReadFixture("lzh/rebuild.lzh"))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::uint8_t> out;
        TLZH lzh;
        lzh.SetInput(c.stream.data(), c.stream.size());
        lzh.SetOutput(out);
        try {
            lzh.Decode(c.size);
            ADD_FAILURE() << "decoded " << out.size() << " bytes without an error";
        } catch (const ElzhException& e) {
            EXPECT_STREQ(e.what(), "LZH : Unexpected end of compressed data");
        }
        EXPECT_LT(out.size(), static_cast<std::size_t>(c.size));
    }
}

TEST(LZH, RefusesOutputSizeOverLimit)
{
    std::vector<std::uint8_t> out;
    TLZH lzh;
    lzh.SetInput(nullptr, 0);
    lzh.SetOutput(out);
    EXPECT_THROW(lzh.Decode(TLZH::MaxOutputSize + 1), ElzhException);
    EXPECT_TRUE(out.empty());
}

TEST(LZH, EachDecodeStartsAfresh)
{
    // The overlap stream writes the whole ring; the next decode still starts from the blank
    // history and the zeroed end of the ring (the match of the table above).
    auto file = ReadFixture("lzh/overlap.lzh");
    auto raw = ReadFixture("lzh/overlap.raw");
    auto body = Body(file);
    const std::vector<std::uint8_t> tail = {0x8C, 0xFF, 0x14};
    std::vector<std::uint8_t> out;
    TLZH lzh;
    lzh.SetOutput(out);
    for (int run = 0; run < 2; ++run) {
        out.clear();
        lzh.SetInput(body.data(), body.size());
        lzh.Decode(SizeOf(file));
        EXPECT_EQ(out, raw) << "run " << run;
        out.clear();
        lzh.SetInput(tail.data(), tail.size());
        lzh.Decode(3);
        EXPECT_EQ(skintest::Text(out), std::string("\0\0 ", 3)) << "run " << run;
    }
}
