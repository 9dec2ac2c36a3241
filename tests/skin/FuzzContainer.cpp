// Container reader on arbitrary skin files, then every lookup. Unpacked sizes above 64 KiB
// are folded down so that runs stay fast; the limit itself is covered by the unit tests.
#include "skin/SkinReader.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::uint8_t> file(data, data + size);
    if (file.size() >= 4) file[2] = file[3] = 0;
    skin::TSkinReader reader;
    if (!reader.Open(file)) return 0;
    std::vector<std::uint8_t> dest;
    cl::AnsiString found;
    for (const cl::AnsiString& name : reader.Names()) reader.GetFile(name, dest);
    reader.FindFile(".ini", dest, found);
    reader.FindFile(".bmp", dest, found);
    return 0;
}
