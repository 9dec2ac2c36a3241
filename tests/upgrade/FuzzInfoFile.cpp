// libFuzzer harness: any bytes as an info file.
#include "upgrade/UpgradeInfo.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const up::AnsiString text(reinterpret_cast<const char*>(data), size);
    const up::TDateTime today = up::EncodeDate(2026, 12, 10);
    for (auto control : {up::TUpgraderVersionControl::byNumber, up::TUpgraderVersionControl::byDate}) {
        const up::TUpgradeRelease release = up::ReadUpgradeRelease(text, control, "4", "08/26/2011", today);
        for (const auto& file : release.files)
            if (file.empty())
                __builtin_trap(); // an empty value ends the list, it is never a file
    }
    return 0;
}
