// Portable text and date routines of the upgrader: date values, percentages, dotted
// version numbers, tokens and the HTTP date header parser. No Windows here; the
// time-zone bias comes from the caller.
#pragma once

#include "classlib/SysUtils.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace up {

using cl::AnsiString;

// Days since 1899-12-30, the fraction being the time of day.
using TDateTime = double;

// Thrown by the encoders for a date or time that does not exist.
class EConvertError : public cl::EConvertError { using cl::EConvertError::EConvertError; };

TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int minute, int second, int msec);
// The calendar date of a value; false when it lies outside years 1..9999.
bool DecodeDate(TDateTime value, int& year, int& month, int& day);

// The class library's integer and text rules, under the names the upgrader uses: one
// notion of "an integer" (optional blanks and sign, decimal or "$"/"0x" hexadecimal,
// within 32 bits) and of trimming; case changes touch A to Z only, so code page 936
// lead and trail bytes stay.
using cl::StrToIntDef;
using cl::Trim;
using cl::TrimLeft;
using cl::TryStrToInt;
inline AnsiString LowerCaseAscii(std::string_view text) { return cl::LowerCase(text); }
inline AnsiString UpperCaseAscii(std::string_view text) { return cl::UpperCase(text); }

// Round(part * 100 / total), ties to even; 0 when total is 0 or the result is no byte.
std::uint8_t PercentOf(double part, double total);

// Token before the separator. With consume the text becomes what follows it; a missing
// separator makes the whole text the token (and consumes all of it).
AnsiString CutToken(AnsiString& text, const AnsiString& separator, bool consume);

// The four dot-separated parts, "0" for each missing one: "1.2" gives 1, 2, 0, 0.
std::array<AnsiString, 4> SplitVersion(const AnsiString& version);
// 1 when a is newer than b, -1 when older, 0 when equal. A part that is not a number
// makes the whole texts compare byte by byte.
int CompareVersions(const AnsiString& a, const AnsiString& b);

// "+HHMM" or "-HHMM" (first five characters after trimming) as a signed time; 0 else.
TDateTime ParseGMTOffset(const AnsiString& text);
// An HTTP date header (RFC 1123, RFC 850 or asctime layout, optional numeric offset)
// as local time, given the zone's bias in days (UTC = local + bias). Unparseable text
// yields -bias; empty text yields 0.
TDateTime HTTPDateToDateTime(const AnsiString& header, TDateTime bias);

// "MM/DD/YYYY" regardless of locale.
AnsiString VersionDateToStr(TDateTime date);
// Month/day/year text; today when it does not make a date.
TDateTime StrToVersionDate(const AnsiString& text, TDateTime today);

} // namespace up
