// Skin description parser.
#include "skin/QuickIni.h"

#ifdef _WIN32
#include <windows.h>
#endif

#include <algorithm>

namespace skin {

namespace {

bool IsHeader(std::string_view line) { return line.size() >= 2 && line.front() == '[' && line.back() == ']'; }

// Text before the first "=", trimmed and lower-cased; empty without "=".
cl::AnsiString KeyOf(std::string_view line)
{
    std::size_t eq = line.find('=');
    return eq == std::string_view::npos ? cl::AnsiString() : cl::LowerCase(cl::Trim(line.substr(0, eq)));
}

// Section headers compare as the user's locale does, ignoring case; on Windows that also
// folds letters beyond ASCII (full-width, Greek, Cyrillic) of the code page. The portable
// build compares ASCII letters only.
bool SameHeader(std::string_view a, std::string_view b)
{
#ifdef _WIN32
    return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()), b.data(),
                          static_cast<int>(b.size())) == CSTR_EQUAL;
#else
    return cl::SameText(a, b);
#endif
}

} // namespace

void TQuickIni::LoadFromStream(std::string_view text)
{
    lines_.clear();
    sections_.clear();
    ForEachLine(text, [this](std::string_view raw) {
        cl::AnsiString line = cl::Trim(raw);
        if (!line.empty() && line[0] != ';') {
            if (IsHeader(line)) sections_.emplace_back(line, static_cast<int>(lines_.size()));
            lines_.push_back(std::move(line));
        }
        return true;
    });
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
    cl::AnsiString header = "[" + cl::AnsiString(Section) + "]";
    for (const auto& s : sections_)
        if (SameHeader(s.first, header)) return s.second;
    return -1;
}

cl::AnsiString TQuickIni::ReadString(std::string_view Section, std::string_view Key, const cl::AnsiString& Default) const
{
    int start = SectionIndex(Section);
    if (start < 0) return Default;
    cl::AnsiString key = cl::LowerCase(Key);
    for (std::size_t i = static_cast<std::size_t>(start) + 1; i < lines_.size() && !IsHeader(lines_[i]); ++i) {
        const cl::AnsiString& line = lines_[i];
        if (KeyOf(line) != key) continue;
        std::size_t eq = line.find('=');
        cl::AnsiString value = eq == cl::AnsiString::npos ? cl::AnsiString() : cl::Trim(std::string_view(line).substr(eq + 1));
        return value.empty() ? Default : value;
    }
    return Default;
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
    for (const auto& s : sections_) Strings.push_back(cl::Trim(std::string_view(s.first).substr(1, s.first.size() - 2)));
}

} // namespace skin
