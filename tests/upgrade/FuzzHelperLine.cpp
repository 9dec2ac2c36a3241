// Fuzzes the upgrade helper's command-line and journal parsing: any text gives parts within
// the text, a program path never holds a quote, and the line or journal built from the
// parts reads back the same.
#include "upgrade/Radirazo3/HandOverText.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string raw(reinterpret_cast<const char*>(data), size);
    up::THandOverArgs args;
    if (up::ParseHelperCommandLine(raw, args)) {
        if (args.programPath.empty() || args.programPath.size() > raw.size() || args.restartParam.size() > raw.size())
            std::abort();
        if (args.programPath.find('"') != std::string::npos)
            std::abort();
        // The line the program builds from these parts reads back as the same parts.
        up::THandOverArgs again;
        const std::string line = up::HelperCommandLine("C:\\T\\Radirazo3.exe", args.programPath,
                                                       args.restartParam + (args.externalSetup ? "1" : "0"));
        if (!up::ParseHelperCommandLine(line, again) || again.programPath != args.programPath ||
            again.restartParam != args.restartParam || again.externalSetup != args.externalSetup)
            std::abort();
    }
    up::PlanMoves("C:\\G\\", "Ludora.exe", size % 2 == 1, {raw, raw + ".uTMP"});
    up::TJournal journal, again;
    if (up::ParseJournal(raw, journal)) {
        const std::vector<up::TJournalEntry>& entries = journal.entries;
        if (journal.states.size() != entries.size() || !up::ParseJournal(up::JournalText(entries), again) ||
            again.entries.size() != entries.size())
            std::abort();
        for (std::size_t i = 0; i < entries.size(); ++i)
            if (again.entries[i].target != entries[i].target || again.entries[i].source != entries[i].source ||
                again.entries[i].hadOld != entries[i].hadOld || again.entries[i].attributes != entries[i].attributes)
                std::abort();
    }
    return 0;
}
