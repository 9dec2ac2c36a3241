// Texts of the game records shared by the program and the player library: the offline
// page template, the movie path and description of a record, and the file name a copied
// movie takes. Portable: no platform calls.
#pragma once

#include "classlib/SysUtils.h"

// Fills the offline page template with its three texts. Known conversions: "%s" (the next
// text), "%0:s" to "%2:s" (that text; the next plain "%s" takes the one after it) and "%%"
// (one percent sign); "s" may be upper case. Anything else, or a fourth text asked for,
// raises EConvertError.
cl::AnsiString FillOfflinePage(std::string_view format, const cl::AnsiString& title, const cl::AnsiString& swf,
                               const cl::AnsiString& desc);

// The record's "swf" value for the page's movie variable f: the text after its first "/",
// or all of f when it has none.
cl::AnsiString MoviePathOf(std::string_view f);

// Any value of a record as it is written: the page's text with every CR and every LF
// removed, so it stays one ini line and cannot start a line or a section of its own.
cl::AnsiString RecordLine(std::string_view text);

// Text for an HTML page, in element content and in quoted attribute values alike: "&",
// "<", ">", '"' and "'" become character references, everything else stays.
cl::AnsiString HtmlText(std::string_view text);

// The file name a movie copied from sourceUrl takes in the movie folder: the last path
// segment (after the last "/", "\" or ":"), or "" when that would not name a file inside
// the folder (empty, only dots and blanks, or holding a ":").
cl::AnsiString MovieFileName(std::string_view sourceUrl);
