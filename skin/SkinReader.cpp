// Skin container reader: unpack, check the tables against the image, index, extract.
#include "skin/SkinReader.h"

#include "skin/LZH.h"
#include "skin/QuickIni.h"

#ifdef _WIN32
#include "classlib/Forms.h"
#endif

#include <cstring>

namespace skin {

namespace {

std::int32_t ReadInt32(const std::uint8_t* p)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
                                     static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24);
}

// Names text to lower-case names, one per line, but at most limit + 1 of them: enough to
// tell a text of too many names without splitting all of it.
std::vector<cl::AnsiString> SplitNames(std::string_view text, std::size_t limit)
{
    std::vector<cl::AnsiString> names;
    ForEachLine(text, [&](std::string_view name) {
        names.push_back(cl::LowerCase(name));
        return names.size() <= limit;
    });
    return names;
}

// The class library's simple message box: the application's title and an OK button. The
// portable build has no message box; there the False of Open is all the caller learns.
void ShowOlderSkinMessage()
{
#ifdef _WIN32
    if (cl::Application) cl::Application->MessageBox(TSkinReader::OlderSkinMessage, cl::Application->Title(), MB_OK);
#endif
}

} // namespace

int TSkinReader::VersionBlockLength(std::int32_t version)
{
    switch (version) {
    case 20000: return 0;
    case 30000: return 256;
    case 40000: return 80;
    case 50000: return 48;
    case 60000: return 117;
    case 70000: return 69;
    default: return -1;
    }
}

bool TSkinReader::Open(const std::uint8_t* source, std::size_t size)
{
    if (size < 4) return false;
    std::uint32_t unpacked = static_cast<std::uint32_t>(ReadInt32(source));
    if (unpacked > static_cast<std::uint32_t>(TLZH::MaxOutputSize)) return false;

    // Not reserved from the claimed size: a damaged stream usually stops long before it,
    // and the decoder appends in runs of up to a ring's length.
    std::vector<std::uint8_t> image;
    {
        TLZH lzh;
        lzh.SetInput(source + 4, size - 4);
        lzh.SetOutput(image);
        lzh.Decode(static_cast<std::int32_t>(unpacked));
    }
    // A damaged stream may overshoot; the image is what the file says it holds.
    image.resize(unpacked);
    return OpenImage(image);
}

bool TSkinReader::OpenImage(const std::vector<std::uint8_t>& image)
{
    if (image.size() < 16) return false;
    std::int32_t header[4];
    for (int k = 0; k < 4; ++k) header[k] = ReadInt32(&image[4 * k]);
    int block = VersionBlockLength(header[0]);
    if (block < 0) {
        ShowOlderSkinMessage();
        return false;
    }

    std::size_t pos = 16 + static_cast<std::size_t>(block);
    std::int32_t namesLength = header[1];
    if (namesLength < 0 || pos > image.size() || static_cast<std::size_t>(namesLength) > image.size() - pos)
        return false;
    auto names = SplitNames(std::string_view(reinterpret_cast<const char*>(&image[pos]), namesLength), MaxEntries);
    pos += namesLength;

    if (names.size() > MaxEntries || names.size() * 4 > image.size() - pos) return false;
    std::vector<std::int32_t> sizes(names.size());
    std::uint64_t total = 0;
    for (std::int32_t& s : sizes) {
        s = ReadInt32(&image[pos]);
        pos += 4;
        if (s < 0) return false;
        total += static_cast<std::uint32_t>(s);
    }
    if (total > image.size() - pos) return false;

    std::memcpy(header_, header, sizeof header_);
    names_ = std::move(names);
    sizes_ = std::move(sizes);
    data_.assign(image.begin() + static_cast<std::ptrdiff_t>(pos), image.end());
    return true;
}

template <class Match>
void TSkinReader::Extract(Match match, std::vector<std::uint8_t>& Dest, cl::AnsiString* name) const
{
    Dest.clear();
    std::size_t offset = 0;
    for (std::size_t i = 0; i < names_.size(); ++i) {
        if (match(names_[i])) {
            auto first = data_.begin() + static_cast<std::ptrdiff_t>(offset);
            Dest.assign(first, first + sizes_[i]);
            if (name) *name = names_[i];
            return;
        }
        offset += static_cast<std::size_t>(sizes_[i]);
    }
}

void TSkinReader::GetFile(std::string_view Name, std::vector<std::uint8_t>& Dest) const
{
    cl::AnsiString wanted = cl::LowerCase(Name);
    Extract([&](const cl::AnsiString& n) { return n == wanted; }, Dest, nullptr);
}

void TSkinReader::FindFile(std::string_view Part, std::vector<std::uint8_t>& Dest, cl::AnsiString& FoundName) const
{
    Extract([&](const cl::AnsiString& n) { return n.find(Part) != cl::AnsiString::npos; }, Dest, &FoundName);
}

namespace {

void Fill(cl::TMemoryStream& dest, const std::vector<std::uint8_t>& bytes)
{
    dest.Clear();
    if (!bytes.empty()) dest.WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
    dest.SetPosition(0);
}

} // namespace

void TSkinReader::GetFile(std::string_view Name, cl::TMemoryStream& Dest) const
{
    std::vector<std::uint8_t> bytes;
    GetFile(Name, bytes);
    Fill(Dest, bytes);
}

void TSkinReader::FindFile(std::string_view Part, cl::TMemoryStream& Dest, cl::AnsiString& FoundName) const
{
    std::vector<std::uint8_t> bytes;
    FindFile(Part, bytes, FoundName);
    Fill(Dest, bytes);
}

} // namespace skin
