// Container reader on arbitrary input, both as an unpacked image (the tables) and as a
// skin file (decoding first), then every lookup. Unpacked sizes above 64 KiB are folded
// down so that runs stay fast; the limit itself is covered by the unit tests.
#include "skin/LZH.h"
#include "skin/SkinReader.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

void LookUpAll(const skin::TSkinReader& reader)
{
    std::vector<std::uint8_t> dest;
    cl::AnsiString found;
    for (const cl::AnsiString& name : reader.Names()) reader.GetFile(name, dest);
    reader.FindFile(".ini", dest, found);
    reader.FindFile(".bmp", dest, found);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::uint8_t> input(data, data + size);
    skin::TSkinReader reader;
    if (reader.OpenImage(input)) LookUpAll(reader);
    if (input.size() >= 4) input[2] = input[3] = 0;
    skin::TSkinReader packed;
    try {
        if (packed.Open(input)) LookUpAll(packed);
    } catch (const skin::ElzhException&) {
        // a damaged stream
    }
    return 0;
}
