// Portable path and command-line text routines of the upgrader.
#include "upgrade/PathText.h"

#include "upgrade/VersionDate.h"

namespace up {
namespace {

const AnsiString::size_type npos = AnsiString::npos;

// Removes the first occurrence of c; true when there was one.
bool EraseFirst(AnsiString& text, char c)
{
    const auto at = text.find(c);
    if (at == npos)
        return false;
    text.erase(at, 1);
    return true;
}

void SplitQuoted(const AnsiString& command, AnsiString& program, AnsiString& parameters)
{
    const auto first = command.find('"');
    const auto second = command.find('"', first + 1);
    if (first == 0) {
        program = command.substr(1, second - 1);
        parameters = Trim(command.substr(second + 1));
        if (EraseFirst(parameters, '"'))
            EraseFirst(parameters, '"');
    } else {
        AnsiString unquoted = command;
        unquoted.erase(second, 1);
        unquoted.erase(first, 1);
        parameters = unquoted.substr(first);
        program = command.substr(0, first - 1);
    }
}

void SplitUnquoted(const AnsiString& command, AnsiString& program, AnsiString& parameters)
{
    static const char* const separators[] = {" -", " /", " \\", ",", " %"};
    program = command;
    const bool commandHasExt = !ExtractFileExt(command).empty();
    for (const AnsiString separator : separators) {
        if (!parameters.empty())
            break;
        const auto at = command.find(separator);
        if (at == npos)
            continue;
        const AnsiString left = command.substr(0, at);
        if (commandHasExt && ExtractFileExt(left).empty())
            continue;
        program = left;
        parameters = separator == "," ? command.substr(at + 1) : command.substr(at);
    }
}

} // namespace


void SplitCommandLine(const AnsiString& command, AnsiString& program, AnsiString& parameters)
{
    const AnsiString cmd = Trim(command);
    program.clear();
    parameters.clear();
    if (cmd.empty())
        return;
    const auto firstQuote = cmd.find('"');
    if (firstQuote != npos && cmd.find('"', firstQuote + 1) != npos)
        SplitQuoted(cmd, program, parameters);
    else
        SplitUnquoted(cmd, program, parameters);
    // "rundll32.exe lib.dll,Entry %1": the dll is a parameter of the runner.
    if (UpperCaseAscii(ExtractFileExt(program)) == ".DLL" && UpperCaseAscii(cmd).find("RUNDLL") != npos) {
        const AnsiString name = ExtractFileName(cmd);
        const auto blank = name.find(' ');
        if (blank != npos) {
            program = ExtractFilePath(cmd) + name.substr(0, blank);
            parameters = name.substr(blank + 1);
        }
    }
    program = Trim(program);
    parameters = Trim(parameters);
}

AnsiString URLToFileName(const AnsiString& url)
{
    const auto at = url.find_last_of("/\\");
    return at == npos ? url : url.substr(at + 1);
}

} // namespace up
