// The hand-over between the program and its upgrade helper as text.
#include "HandOverText.h"

namespace up {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::size_t SkipBlanks(const std::string& s, std::size_t i)
{
    while (i < s.size() && IsBlank(s[i]))
        ++i;
    return i;
}

std::string TrimRight(std::string s)
{
    while (!s.empty() && IsBlank(s.back()))
        s.pop_back();
    return s;
}

bool EndsWith(const std::string& s, const char* tail)
{
    const std::string t(tail);
    return s.size() >= t.size() && s.compare(s.size() - t.size(), t.size(), t) == 0;
}

} // namespace

std::string HelperCommandLine(const std::string& helperPath, const std::string& programPath, const std::string& tail)
{
    return "\"" + helperPath + "\" \"" + programPath + "\" +" + tail;
}

bool ParseHelperCommandLine(const std::string& raw, THandOverArgs& args)
{
    args = THandOverArgs();
    // The helper's own path.
    std::size_t i = SkipBlanks(raw, 0);
    if (i < raw.size() && raw[i] == '"') {
        const std::size_t close = raw.find('"', i + 1);
        i = close == std::string::npos ? raw.size() : close + 1;
    } else {
        while (i < raw.size() && !IsBlank(raw[i]))
            ++i;
    }
    i = SkipBlanks(raw, i);
    if (i >= raw.size())
        return false;
    std::size_t plus;
    if (raw[i] == '"') {
        const std::size_t close = raw.find('"', i + 1);
        if (close == std::string::npos)
            return false;
        args.programPath = raw.substr(i + 1, close - i - 1);
        plus = raw.find('+', close + 1);
    } else {
        plus = raw.find('+', i);
        if (plus != std::string::npos)
            args.programPath = TrimRight(raw.substr(i, plus - i));
    }
    // No file name holds a quote: such a path is a broken line.
    if (plus == std::string::npos || args.programPath.empty() || args.programPath.find('"') != std::string::npos)
        return false;
    std::string tail = TrimRight(raw.substr(plus + 1));
    if (!tail.empty() && tail.back() >= '0' && tail.back() <= '9') {
        args.externalSetup = tail.back() == '1';
        tail.pop_back();
    }
    args.restartParam = tail;
    return true;
}

std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

TMovePlan PlanMoves(const std::string& folder, const std::string& programName, bool externalSetup,
                    const std::vector<std::string>& downloaded)
{
    TMovePlan plan;
    bool exeTreated = false;
    for (const std::string& name : downloaded) {
        if (name.size() <= 5)
            continue; // ".uTMP" alone names nothing
        TFileMove move;
        move.source = folder + name;
        std::string target = name.substr(0, name.size() - 5);
        if (!exeTreated && EndsWith(target, "exe")) {
            exeTreated = true;
            if (externalSetup) {
                move.setup = true;
                plan.setupPath = folder + target;
            } else {
                target = programName;
            }
        }
        move.target = folder + target;
        plan.moves.push_back(move);
    }
    return plan;
}

} // namespace up
