// The shell's Folder DDE command.
#include "browser/FolderCommand.h"

namespace browser {

namespace {

bool IsNumberChar(char c) { return (c >= '0' && c <= '9') || c == '+' || c == '-'; }

// The run of digits and signs at or after from; npos when there is none.
std::string_view NumberRun(std::string_view text, size_t from, size_t& end)
{
    size_t start = from;
    while (start < text.size() && !IsNumberChar(text[start])) ++start;
    if (start >= text.size()) {
        end = std::string_view::npos;
        return {};
    }
    end = start;
    while (end < text.size() && IsNumberChar(text[end])) ++end;
    return text.substr(start, end - start);
}

bool ToUInt32(std::string_view run, std::uint32_t& value)
{
    std::int64_t v = 0;
    if (!cl::TryStrToInt64(run, v) || v < INT32_MIN || v > UINT32_MAX) return false;
    value = static_cast<std::uint32_t>(v); // a negative number keeps its 32-bit pattern
    return true;
}

} // namespace

cl::AnsiString FolderVerbOf(std::string_view text)
{
    const size_t open = text.find('[');
    if (open == std::string_view::npos) return {};
    const size_t paren = text.find('(', open + 1);
    if (paren == std::string_view::npos) return {};
    return cl::AnsiString(text.substr(open + 1, paren - open - 1));
}

bool ParseFolderCommand(std::string_view text, const TShellVerbs& verbs, TFolderCommand& command)
{
    command = TFolderCommand{};
    const cl::AnsiString verb = FolderVerbOf(text);
    TFolderVerb code = fvNone;
    if (verb.empty()) return false; // an empty verb matches no command
    if (verb == verbs.open) code = fvOpen;
    else if (verb == verbs.explore) code = fvExplore;
    else if (verb == verbs.find) code = fvFind;
    else return false;

    // The path between the first two double quotes; the arguments after it are counted
    // from its closing quote, so a comma inside the path is no separator.
    size_t argsFrom = 0;
    const size_t q1 = text.find('"');
    if (q1 != std::string_view::npos) {
        const size_t q2 = text.find('"', q1 + 1);
        if (q2 != std::string_view::npos) {
            command.path = cl::AnsiString(text.substr(q1 + 1, q2 - q1 - 1));
            argsFrom = q2 + 1;
        }
    }
    const size_t comma1 = text.find(',', argsFrom);
    if (comma1 != std::string_view::npos) {
        size_t end = 0;
        const std::string_view first = NumberRun(text, comma1 + 1, end);
        if (!first.empty()) {
            std::uint32_t number = 0;
            if (!ToUInt32(first, number)) return false;
            const size_t sep = text.find_first_of(":,", end);
            if (sep != std::string_view::npos && text[sep] == ':') {
                size_t pidEnd = 0;
                const std::string_view pid = NumberRun(text, sep + 1, pidEnd);
                std::uint32_t processId = 0;
                if (!pid.empty() && !ToUInt32(pid, processId)) return false;
                if (processId != 0) {
                    command.hasSharedList = true;
                    command.sharedHandle = number;
                    command.processId = processId;
                }
            }
        }
        const size_t comma2 = text.find(',', comma1 + 1);
        if (comma2 != std::string_view::npos) {
            size_t i = comma2 + 1;
            while (i < text.size() && !IsNumberChar(text[i])) ++i;
            if (i < text.size()) {
                if (text[i] < '0' || text[i] > '9') return false; // a lone sign converts to nothing
                command.show = text[i] - '0';
            }
        }
    }
    command.verb = code;
    return true;
}

} // namespace browser
