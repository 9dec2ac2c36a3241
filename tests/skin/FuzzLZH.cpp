// Decoder on arbitrary bits: the first two bytes give the output size (up to 16 KiB). A
// decode either ends with that size (at most 59 bytes over) or raises ElzhException.
#include "skin/LZH.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2) return 0;
    std::int32_t outputSize = data[0] | (data[1] & 0x3F) << 8;
    // One output vector for all runs: a fresh one per run cost a third of the time in the
    // sanitizer's allocator, and the decoder only ever appends to it.
    static std::vector<std::uint8_t> out;
    out.clear();
    skin::TLZH lzh;
    lzh.SetInput(data + 2, size - 2);
    lzh.SetOutput(out);
    try {
        lzh.Decode(outputSize);
    } catch (const skin::ElzhException&) {
        return 0; // the input ran out: a damaged stream
    }
    if (out.size() < static_cast<std::size_t>(outputSize) ||
        out.size() > static_cast<std::size_t>(outputSize) + skin::TLZH::LongestMatch - 1)
        __builtin_trap();
    return 0;
}
