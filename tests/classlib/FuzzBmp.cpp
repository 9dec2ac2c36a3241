// BMP files as the bitmap loader reads them: the file header, then the DIB header, bit
// fields and colour table, then the pixels' size, with the pixels either at the file
// header's offset or after the colour table.
#include "classlib/PictureFormats.h"

#include <cstddef>
#include <cstdint>

using namespace cl::pictures;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    BmpFileHeader file;
    if (size < BmpFileHeaderSize || ReadBmpFileHeader(data, file)) return 0;
    const std::uint8_t* rest = data + BmpFileHeaderSize;
    std::size_t restSize = size - BmpFileHeaderSize;
    if (file.size > BmpFileHeaderSize && file.size - BmpFileHeaderSize < restSize) restSize = file.size - BmpFileHeaderSize;
    const std::size_t offBits = file.offBits >= BmpFileHeaderSize ? file.offBits - BmpFileHeaderSize : 0;
    if (offBits > restSize) return 0;
    const std::size_t infoSize = offBits ? offBits : restSize;
    DibLayout dib;
    if (ParseDibHeader(rest, infoSize, dib)) return 0;
    const std::uint8_t* bits = offBits ? rest + offBits : rest + dib.tableEnd;
    const std::size_t bitsSize = offBits ? restSize - offBits : infoSize - dib.tableEnd;
    if (CheckDibPixels(dib, bitsSize) || dib.Rle()) return 0;
    // Every row the loader copies lies within the input.
    volatile std::uint8_t sum = 0;
    for (int y = 0; y < dib.height; ++y) sum = sum + bits[y * dib.stride + dib.stride - 1];
    return 0;
}
