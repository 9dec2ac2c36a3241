// The hand-over between the program and its upgrade helper as text.
#include "HandOverText.h"

#include <algorithm>
#include <iterator>

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

char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool SameName(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
        return UpperAscii(x) == UpperAscii(y);
    });
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
                    std::vector<std::string> downloaded)
{
    std::sort(downloaded.begin(), downloaded.end(), [](const std::string& a, const std::string& b) {
        return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                            [](char x, char y) { return UpperAscii(x) < UpperAscii(y); });
    });
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
        move.program = !move.setup && SameName(target, programName);
        const bool taken = std::any_of(plan.moves.begin(), plan.moves.end(),
                                       [&](const TFileMove& m) { return SameName(m.target, move.target); });
        if (!taken)
            plan.moves.push_back(move);
    }
    std::stable_partition(plan.moves.begin(), plan.moves.end(), [](const TFileMove& m) { return !m.program; });
    return plan;
}

std::string BackupOf(const std::string& target) { return target + ".uOLD"; }

std::string JournalOf(const std::string& programPath) { return programPath + ".uJNL"; }

namespace {
// The first form had no state lines; it is still read, as a helper of an older release may
// have left it.
const char* const kJournalHeaderV1 = "hand-over journal 1";
const char* const kJournalHeader = "hand-over journal 2";
const char* const kJournalEnd = "end";
const char kField = '|'; // no file name holds it
const char kStateLetters[] = {'-', 'B', 'K', 'D', 'R'}; // by TMoveState

bool ParseEntry(const std::string& line, TJournalEntry& e)
{
    // M|hadOld|attributes|target|source
    std::size_t f[4];
    std::size_t from = 0;
    for (std::size_t& pos : f) {
        pos = line.find(kField, from);
        if (pos == std::string::npos)
            return false;
        from = pos + 1;
    }
    if (f[0] != 1 || line[0] != 'M' || f[1] != 3 || (line[2] != '0' && line[2] != '1'))
        return false;
    const std::string attributes = line.substr(f[1] + 1, f[2] - f[1] - 1);
    if (attributes.empty() || attributes.size() > 9 || attributes.find_first_not_of("0123456789") != std::string::npos)
        return false; // attributes fit in far fewer digits
    e = TJournalEntry();
    e.hadOld = line[2] == '1';
    for (char c : attributes)
        e.attributes = e.attributes * 10 + static_cast<unsigned long>(c - '0');
    e.target = line.substr(f[2] + 1, f[3] - f[2] - 1);
    e.source = line.substr(f[3] + 1);
    return !e.target.empty() && !e.source.empty() && e.source.find(kField) == std::string::npos;
}

// "<letter>|<entry>"; false when it is not one for an entry of the journal.
bool ParseRecord(const std::string& line, std::size_t entries, std::size_t& entry, TMoveState& state)
{
    if (line.size() < 3 || line.size() > 12 || line[1] != kField ||
        line.find_first_not_of("0123456789", 2) != std::string::npos)
        return false;
    const char* letter = std::find(std::begin(kStateLetters) + 1, std::end(kStateLetters), line[0]);
    if (letter == std::end(kStateLetters))
        return false;
    state = static_cast<TMoveState>(letter - std::begin(kStateLetters));
    entry = 0;
    for (std::size_t i = 2; i < line.size(); ++i)
        entry = entry * 10 + static_cast<std::size_t>(line[i] - '0');
    return entry < entries;
}

} // namespace

std::string JournalText(const std::vector<TJournalEntry>& entries)
{
    std::string text = std::string(kJournalHeader) + "\r\n";
    for (const TJournalEntry& e : entries)
        text += std::string("M") + kField + (e.hadOld ? "1" : "0") + kField + std::to_string(e.attributes) + kField +
                e.target + kField + e.source + "\r\n";
    return text + kJournalEnd + "\r\n";
}

std::string JournalRecord(std::size_t entry, TMoveState state)
{
    return std::string(1, kStateLetters[static_cast<int>(state)]) + kField + std::to_string(entry) + "\r\n";
}

std::string JournalFinishedRecord() { return "F\r\n"; }

bool ParseJournal(const std::string& text, TJournal& journal)
{
    journal = TJournal();
    std::vector<std::string> lines;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t eol = text.find("\r\n", at);
        if (eol == std::string::npos)
            break; // a line cut short
        lines.push_back(text.substr(at, eol - at));
        at = eol + 2;
    }
    if (lines.empty() || (lines[0] != kJournalHeader && lines[0] != kJournalHeaderV1))
        return false;
    journal.recordsStates = lines[0] == kJournalHeader;
    std::size_t i = 1;
    for (; i < lines.size() && lines[i] != kJournalEnd; ++i) {
        TJournalEntry e;
        if (!ParseEntry(lines[i], e))
            return false;
        journal.entries.push_back(e);
    }
    // No end line: cut short while it was written.
    if (i >= lines.size() || journal.entries.empty())
        return false;
    journal.states.assign(journal.entries.size(), TMoveState::untouched);
    for (++i; journal.recordsStates && i < lines.size(); ++i) {
        if (lines[i] == "F") {
            journal.finished = true;
            continue;
        }
        std::size_t entry = 0;
        TMoveState state = TMoveState::untouched;
        if (!ParseRecord(lines[i], journal.entries.size(), entry, state))
            break;
        journal.states[entry] = state;
    }
    return true;
}

} // namespace up
