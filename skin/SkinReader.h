// The skin container: an LZHUF-compressed archive of named entries (a description and
// bitmaps), unpacked from memory and indexed by lower-case name.
#pragma once

#include "classlib/Streams.h"
#include "classlib/SysUtils.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace skin {

class TSkinReader {
public:
    static constexpr int MaxEntries = 1001;
    // Shown (on Windows) when Open meets a version it does not know.
    static constexpr const char* OlderSkinMessage = "This is Older Skin File\rPlease update to new version !";

    // Unpacks a skin file (unpacked-size dword, then the LZHUF stream) and builds the
    // index. False for an unknown version (after showing OlderSkinMessage), an unpacked
    // size over the decoder's limit, or a container whose tables do not fit its image
    // (entry count over MaxEntries, negative sizes, names or entries past the end); the
    // index then keeps what it held. A damaged stream raises the decoder's ElzhException.
    bool Open(const std::uint8_t* source, std::size_t size);
    bool Open(const std::vector<std::uint8_t>& source) { return Open(source.data(), source.size()); }
    bool Open(const cl::TMemoryStream& Source) { return Open(Source.Bytes()); }
    // Builds the index from an unpacked image (what Open decodes), with the same checks.
    bool OpenImage(const std::vector<std::uint8_t>& image);

    // The first entry whose name equals Name, ignoring ASCII case; empty when none.
    void GetFile(std::string_view Name, std::vector<std::uint8_t>& Dest) const;
    // The first entry whose name contains Part (case-sensitive; stored names are lower
    // case). FoundName is left alone when none matches.
    void FindFile(std::string_view Part, std::vector<std::uint8_t>& Dest, cl::AnsiString& FoundName) const;
    // The same into a stream: Dest is cleared, filled and rewound.
    void GetFile(std::string_view Name, cl::TMemoryStream& Dest) const;
    void FindFile(std::string_view Part, cl::TMemoryStream& Dest, cl::AnsiString& FoundName) const;

    const std::vector<cl::AnsiString>& Names() const { return names_; }
    int Count() const { return static_cast<int>(names_.size()); }
    const std::vector<std::int32_t>& Sizes() const { return sizes_; }
    const std::vector<std::uint8_t>& Data() const { return data_; }
    const std::int32_t (&Header() const)[4] { return header_; }

    // Block length between header and names text for a known version; -1 otherwise.
    static int VersionBlockLength(std::int32_t version);

private:
    template <class Match>
    void Extract(Match match, std::vector<std::uint8_t>& Dest, cl::AnsiString* name) const;

    std::vector<cl::AnsiString> names_;
    std::vector<std::int32_t> sizes_;
    std::vector<std::uint8_t> data_;
    std::int32_t header_[4] = {};
};

} // namespace skin
