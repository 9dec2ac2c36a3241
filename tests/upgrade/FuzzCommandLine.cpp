// libFuzzer harness: any bytes as a shell open command.
#include "upgrade/PathText.h"
#include "upgrade/VersionDate.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const up::AnsiString command(reinterpret_cast<const char*>(data), size);
    up::AnsiString program, parameters;
    up::SplitCommandLine(command, program, parameters);
    // Both parts come out trimmed and no longer than the command.
    if (program != up::Trim(program) || parameters != up::Trim(parameters) || program.size() > size ||
        parameters.size() > size)
        __builtin_trap();
    up::URLToFileName(command);
    return 0;
}
