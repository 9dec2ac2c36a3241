#include "shell/GameText.h"

namespace {

[[noreturn]] void BadFormat(std::string_view format)
{
    throw cl::EConvertError("Format '" + std::string(format) + "' invalid or incompatible with argument");
}

} // namespace

cl::AnsiString FillOfflinePage(std::string_view format, const cl::AnsiString& title, const cl::AnsiString& swf,
                               const cl::AnsiString& desc)
{
    const cl::AnsiString* texts[] = {&title, &swf, &desc};
    cl::AnsiString out;
    out.reserve(format.size() + title.size() + swf.size() + desc.size());
    size_t next = 0;
    for (size_t i = 0; i < format.size(); ++i) {
        char c = format[i];
        if (c != '%') {
            out += c;
            continue;
        }
        if (++i >= format.size()) BadFormat(format);
        c = format[i];
        if (c == '%') {
            out += '%';
            continue;
        }
        if (c >= '0' && c <= '2' && i + 1 < format.size() && format[i + 1] == ':') {
            next = static_cast<size_t>(c - '0');
            i += 2;
            if (i >= format.size()) BadFormat(format);
            c = format[i];
        }
        if ((c != 's' && c != 'S') || next >= 3) BadFormat(format);
        out += *texts[next++];
    }
    return out;
}

cl::AnsiString MoviePathOf(std::string_view f)
{
    size_t slash = f.find('/');
    return cl::AnsiString(slash == std::string_view::npos ? f : f.substr(slash + 1));
}

cl::AnsiString RecordLine(std::string_view text)
{
    cl::AnsiString line;
    line.reserve(text.size());
    for (char c : text)
        if (c != '\r' && c != '\n') line += c;
    return line;
}

cl::AnsiString HtmlText(std::string_view text)
{
    // The five characters lie below 0x40, so none is ever a trail byte of code page 936:
    // byte by byte is safe for double-byte text.
    cl::AnsiString out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default: out += c; break;
        }
    }
    return out;
}

cl::AnsiString MovieFileName(std::string_view sourceUrl)
{
    cl::AnsiString path(sourceUrl);
    for (char& c : path) // "/" is never a trail byte of code page 936
        if (c == '/') c = '\\';
    cl::AnsiString name = cl::ExtractFileName(path);
    // ":" is never a trail byte of code page 936; one left here followed a lead byte that
    // the platform may not pair with it, and would name a drive or a stream.
    if (name.find_first_not_of(". ") == cl::AnsiString::npos || name.find(':') != cl::AnsiString::npos) return {};
    return name;
}
