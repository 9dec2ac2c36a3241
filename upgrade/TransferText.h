// Portable text rules of the HTTP transfer: query encoding, the realm of a login
// demand, the status texts of the transfer callback and the stored login data.
#pragma once

#include "classlib/SysUtils.h"

#include <cstdint>
#include <vector>

namespace up {

using cl::AnsiString;

// Bytes below 0x20, of 0x80 and above, and " #%*+<>" become "%" and two upper-case
// hexadecimal digits.
AnsiString EncodeURLExtra(const AnsiString& text);
// The realm of a WWW-Authenticate header: the text after the first "=\"" less its last
// character, or the whole header when it has none.
AnsiString RealmOf(const AnsiString& wwwAuthenticate);
// Whether a redirect from one scheme to another is followed: every hop among http and
// https except from https down to http, which only httpsToHttp allows. Schemes are
// compared without case.
bool RedirectFollowed(const AnsiString& fromScheme, const AnsiString& toScheme, bool httpsToHttp);
// "Resolving name", "Connected", ... for a WinINet status code; "Unknown status" else.
const char* StatusText(unsigned long status);

// The login pair as stored in a form resource: byte 0 is N = 1 + the two lengths
// (mod 256); then N bytes, each XORed with (N ^ key): the user name's length, the user
// name, the password.
std::vector<std::uint8_t> EncodeLoginInfo(const AnsiString& user, const AnsiString& password);
// false (and both emptied) for data that does not decode.
bool DecodeLoginInfo(const std::vector<std::uint8_t>& data, AnsiString& user, AnsiString& password);

} // namespace up
