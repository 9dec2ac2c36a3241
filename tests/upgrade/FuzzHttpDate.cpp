// libFuzzer harness: any bytes as an HTTP date header and as a zone offset.
#include "upgrade/VersionDate.h"

#include <cmath>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const up::AnsiString text(reinterpret_cast<const char*>(data), size);
    const double value = up::HTTPDateToDateTime(text, -480.0 / 1440);
    const double offset = up::ParseGMTOffset(text);
    // Every result is a finite value within the years a date can hold, give or take a day.
    if (!std::isfinite(value) || value < -693595 || value > 2958467 || std::fabs(offset) >= 1)
        __builtin_trap();
    return 0;
}
