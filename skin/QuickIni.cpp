// Skin description parser.
#include "skin/QuickIni.h"

#ifdef _WIN32
#include <windows.h>
#endif

#include <algorithm>
#include <string>

namespace skin {

namespace {

bool IsHeader(std::string_view line) { return line.size() >= 2 && line.front() == '[' && line.back() == ']'; }

// Trimming as the class library's Trim does it (codes 0 to 32 at both ends), as a view.
std::string_view Trimmed(std::string_view s)
{
    auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    return s;
}

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c; }

// The key of a line: the text before the first "=", trimmed; empty without "=".
std::string_view KeyOf(std::string_view line)
{
    const std::size_t eq = line.find('=');
    return eq == std::string_view::npos ? std::string_view() : Trimmed(line.substr(0, eq));
}

// Section headers compare as the user's locale does, ignoring case; on Windows that also
// folds letters beyond ASCII (full-width, Greek, Cyrillic) of the code page. They are
// indexed by their sort key, which is equal for two texts exactly when the locale's
// compare finds them equal. The portable build folds ASCII letters only.
std::string HeaderKey(std::string_view header)
{
#ifdef _WIN32
    constexpr DWORD flags = LCMAP_SORTKEY | NORM_IGNORECASE;
    const int n = static_cast<int>(header.size());
    // One call for the usual short header; a longer key is measured first.
    char small[256];
    if (const int got = LCMapStringA(LOCALE_USER_DEFAULT, flags, header.data(), n, small, sizeof small); got > 0)
        return std::string(small, static_cast<std::size_t>(got));
    const int size = LCMapStringA(LOCALE_USER_DEFAULT, flags, header.data(), n, nullptr, 0);
    if (size > 0) {
        std::string key(static_cast<std::size_t>(size), '\0');
        if (LCMapStringA(LOCALE_USER_DEFAULT, flags, header.data(), n, key.data(), size) == size) return key;
    }
    // Without a sort key the exact text stands (kept apart from every sort key, which
    // never begins with a character 0).
    return std::string(1, '\0').append(header);
#else
    std::string key(header);
    for (char& c : key) c = LowerAscii(c);
    return key;
#endif
}

} // namespace

std::size_t TQuickIni::KeyHash::operator()(const KeyRef& k) const
{
    // FNV-1a over the section and the lower-cased key.
    std::uint32_t h = 2166136261u ^ static_cast<std::uint32_t>(k.section);
    h *= 16777619u;
    for (char c : k.key) {
        h ^= static_cast<unsigned char>(LowerAscii(c));
        h *= 16777619u;
    }
    return h;
}

bool TQuickIni::KeyEqual::operator()(const KeyRef& a, const KeyRef& b) const
{
    if (a.section != b.section || a.key.size() != b.key.size()) return false;
    for (std::size_t i = 0; i < a.key.size(); ++i)
        if (LowerAscii(a.key[i]) != LowerAscii(b.key[i])) return false;
    return true;
}

void TQuickIni::IndexKeys(const std::vector<int>& firstHeaders)
{
    keys_.reserve(lines_.size());
    auto next = firstHeaders.begin();
    int section = -1; // lines before the first header, or in a later twin, are never read
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const std::string_view line = lines_[i];
        if (IsHeader(line)) {
            const bool first = next != firstHeaders.end() && *next == static_cast<int>(i);
            if (first) ++next;
            section = first ? static_cast<int>(i) : -1;
        } else if (section >= 0) {
            keys_.emplace(KeyRef{section, KeyOf(line)}, static_cast<int>(i)); // the first one stays
        }
    }
}

void TQuickIni::LoadFromStream(std::string_view text)
{
    lines_.clear();
    sections_.clear();
    index_.clear();
    keys_.clear();
    std::vector<int> firstHeaders;
    // At most one line per LF (or per CR, in a text without LF): one allocation up front.
    const std::string_view body = text.substr(0, text.find('\0'));
    const auto breaks = std::count(body.begin(), body.end(), '\n');
    lines_.reserve(static_cast<std::size_t>(breaks ? breaks : std::count(body.begin(), body.end(), '\r')) + 1);
    ForEachLine(text, [&](std::string_view raw) {
        std::string_view line = Trimmed(raw);
        if (!line.empty() && line[0] != ';') {
            if (IsHeader(line)) {
                const int at = static_cast<int>(lines_.size());
                sections_.emplace_back(line, at);
                if (index_.emplace(HeaderKey(line), at).second) firstHeaders.push_back(at); // the first one stays
            }
            lines_.emplace_back(line);
        }
        return true;
    });
    IndexKeys(firstHeaders);
}

void TQuickIni::LoadFromStream(cl::TStream* Stream)
{
    if (!Stream) return;
    std::string text(static_cast<std::size_t>(std::max<std::int64_t>(0, Stream->Size() - Stream->Position())), '\0');
    text.resize(static_cast<std::size_t>(Stream->Read(text.data(), static_cast<std::int64_t>(text.size()))));
    LoadFromStream(std::string_view(text));
}

int TQuickIni::SectionIndex(std::string_view Section) const
{
    if (index_.empty()) return -1;
    cl::AnsiString header;
    header.reserve(Section.size() + 2);
    header.append(1, '[').append(Section).append(1, ']');
    const auto found = index_.find(HeaderKey(header));
    return found == index_.end() ? -1 : found->second;
}

int TQuickIni::KeyLine(int section, std::string_view Key) const
{
    const auto found = keys_.find(KeyRef{section, Key});
    return found == keys_.end() ? -1 : found->second;
}

cl::AnsiString TQuickIni::ReadString(std::string_view Section, std::string_view Key, const cl::AnsiString& Default) const
{
    const int start = SectionIndex(Section);
    if (start < 0) return Default;
    const int at = KeyLine(start, Key);
    if (at < 0) return Default;
    const std::string_view line = lines_[static_cast<std::size_t>(at)];
    const std::size_t eq = line.find('=');
    const std::string_view value = eq == std::string_view::npos ? std::string_view() : Trimmed(line.substr(eq + 1));
    return value.empty() ? Default : cl::AnsiString(value);
}

std::int32_t TQuickIni::ReadInteger(std::string_view Section, std::string_view Key, std::int32_t Default) const
{
    cl::AnsiString value = ReadString(Section, Key, cl::AnsiString());
    if (value.size() > 2 && value[0] == '0' && (value[1] == 'x' || value[1] == 'X')) value.replace(0, 2, "$");
    return cl::StrToIntDef(value, Default);
}

void TQuickIni::ReadSections(std::vector<cl::AnsiString>& Strings) const
{
    Strings.clear();
    for (const auto& s : sections_) Strings.emplace_back(Trimmed(std::string_view(s.first).substr(1, s.first.size() - 2)));
}

} // namespace skin
