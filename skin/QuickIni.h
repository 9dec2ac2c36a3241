// The skin description parser: an ini text parsed once into kept lines and section
// headers, answering string and integer queries by section and key. Read-only.
#pragma once

#include "classlib/Streams.h"
#include "classlib/SysUtils.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace skin {

// Calls line(text) for each line of text, in order, while it returns true. A line ends at
// CR, LF or CR LF (LF CR is two breaks), a break at the very end starts no further line,
// and a character 0 ends the text.
template <class F> void ForEachLine(std::string_view text, F line)
{
    text = text.substr(0, text.find('\0'));
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t end = text.find_first_of("\r\n", i);
        if (end == std::string_view::npos) end = text.size();
        if (!line(text.substr(i, end - i))) return;
        i = end;
        if (i < text.size() && text[i] == '\r') ++i;
        if (i < text.size() && text[i] == '\n') ++i;
    }
}

class TQuickIni {
public:
    TQuickIni() = default;
    // Moves keep the lines where they are, which the key index views; copies would not.
    TQuickIni(const TQuickIni&) = delete;
    TQuickIni& operator=(const TQuickIni&) = delete;
    TQuickIni(TQuickIni&&) = default;
    TQuickIni& operator=(TQuickIni&&) = default;

    // Parses text, replacing earlier contents. Lines end at CR, LF or a character 0 (which
    // also ends the text); lines are trimmed, and empty lines and ";" comments dropped.
    void LoadFromStream(std::string_view text);
    void LoadFromStream(const std::vector<std::uint8_t>& bytes)
    {
        LoadFromStream(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    }
    // The bytes from the stream's position to its end; a null stream does nothing.
    void LoadFromStream(cl::TStream* Stream);

    // The first value of Key (ASCII case ignored) in Section; Default when the key, its
    // value or the section is missing.
    cl::AnsiString ReadString(std::string_view Section, std::string_view Key, const cl::AnsiString& Default) const;
    // Decimal with optional sign, or hexadecimal after "$" or "0x"; Default otherwise.
    std::int32_t ReadInteger(std::string_view Section, std::string_view Key, std::int32_t Default) const;
    // The section names without brackets, in text order, replacing Strings' contents.
    void ReadSections(std::vector<cl::AnsiString>& Strings) const;
    // Index in Lines of the first header "[Section]", or -1. Case is ignored as the user's
    // locale does it on Windows (ASCII only in the portable build). The headers are
    // indexed once per load, so a lookup does not walk them.
    int SectionIndex(std::string_view Section) const;

    const std::vector<cl::AnsiString>& Lines() const { return lines_; }
    // Header text with brackets, and its index in Lines.
    const std::vector<std::pair<cl::AnsiString, int>>& Sections() const { return sections_; }

private:
    // A key of a section: the header's index in Lines and the key as the line spells it.
    struct KeyRef {
        int section;
        std::string_view key;
    };
    struct KeyHash {
        std::size_t operator()(const KeyRef& k) const;
    };
    struct KeyEqual {
        bool operator()(const KeyRef& a, const KeyRef& b) const;
    };
    void IndexKeys(const std::vector<int>& firstHeaders);
    // Index in Lines of the first line of Key (ASCII case ignored) in the section whose
    // header is at Lines[section], or -1; a line without "=" has the empty key.
    int KeyLine(int section, std::string_view Key) const;

    std::vector<cl::AnsiString> lines_;
    std::vector<std::pair<cl::AnsiString, int>> sections_;
    // The first header of each name, by its case-folded key (see SectionIndex).
    std::unordered_map<std::string, int> index_;
    // The first line of each key in the sections SectionIndex finds, built once per load so
    // that a read costs the same however long or repeated the sections are. The keys view
    // the text of lines_, which stays put until the next load.
    std::unordered_map<KeyRef, int, KeyHash, KeyEqual> keys_;
};

} // namespace skin
