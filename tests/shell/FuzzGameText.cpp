// Record texts from arbitrary page and template text: the first line is the template, the
// rest the texts. Filling either succeeds or raises EConvertError; a movie file name never
// names anything outside its folder.
#include "shell/GameText.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view in(reinterpret_cast<const char*>(data), size);
    const std::size_t cut = in.find('\n');
    const std::string_view format = in.substr(0, cut);
    const std::string_view rest = cut == std::string_view::npos ? std::string_view() : in.substr(cut + 1);
    const cl::AnsiString text(rest);
    try {
        const cl::AnsiString page = FillOfflinePage(format, text, "swf/x.swf", RecordLine(rest));
        // Every conversion takes at least two characters and inserts one text.
        if (page.size() > format.size() * (1 + std::max<std::size_t>(text.size(), 9))) std::abort();
    } catch (const cl::EConvertError&) {
    }
    const cl::AnsiString name = MovieFileName(rest);
    // "\\" may be the trail byte of a code page 936 character; "/" and ":" never are.
    if (name.find_first_of("/:") != cl::AnsiString::npos) std::abort();
    if (!name.empty() && name.find_first_not_of(". ") == cl::AnsiString::npos) std::abort();
    if (RecordLine(rest).find_first_of("\r\n") != cl::AnsiString::npos) std::abort();
    MoviePathOf(rest);
    return 0;
}
