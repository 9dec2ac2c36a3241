// Description parser on arbitrary text, queried with names taken from the text itself.
#include "skin/QuickIni.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    skin::TQuickIni ini;
    ini.LoadFromStream(std::string_view(reinterpret_cast<const char*>(data), size));
    std::vector<cl::AnsiString> sections;
    ini.ReadSections(sections);
    // A bounded sample of the queries keeps each run linear in the text. ReadInteger reads
    // through ReadString, so one query per pair reaches both; the keys are views of the
    // lines, taken as they stand (untrimmed, any case).
    for (std::size_t s = 0; s < sections.size() && s < 16; ++s) {
        const cl::AnsiString& section = sections[s];
        for (std::size_t l = 0; l < ini.Lines().size() && l < 64; ++l) {
            std::string_view line = ini.Lines()[l];
            ini.ReadInteger(section, line.substr(0, line.find('=')), -1);
        }
    }
    ini.ReadString("Personality", "TopFrame", "d");
    ini.ReadInteger("Personality", "TopFrame", 1);
    return 0;
}
