// Portable text rules of the HTTP transfer.
#include "upgrade/TransferText.h"

#include "upgrade/VersionDate.h"

#include <cstring>

namespace up {
namespace {
const std::uint8_t kLoginKey = 0xA7;
}

AnsiString EncodeURLExtra(const AnsiString& text)
{
    static const char hex[] = "0123456789ABCDEF";
    AnsiString out;
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b >= 0x80 || std::strchr(" #%*+<>", b) != nullptr) {
            out += '%';
            out += hex[b >> 4];
            out += hex[b & 15];
        } else {
            out += c;
        }
    }
    return out;
}

AnsiString RealmOf(const AnsiString& wwwAuthenticate)
{
    const auto at = wwwAuthenticate.find("=\"");
    if (at == AnsiString::npos)
        return wwwAuthenticate;
    AnsiString realm = wwwAuthenticate.substr(at + 2);
    if (!realm.empty())
        realm.pop_back();
    return realm;
}

bool RedirectFollowed(const AnsiString& fromScheme, const AnsiString& toScheme, bool httpsToHttp)
{
    const AnsiString from = LowerCaseAscii(fromScheme), to = LowerCaseAscii(toScheme);
    if (to != "http" && to != "https")
        return false;
    return !(from == "https" && to == "http") || httpsToHttp;
}

const char* StatusText(unsigned long status)
{
    switch (status) {
    case 10: return "Resolving name";
    case 11: return "Name resolved";
    case 20: return "Connecting to server";
    case 21: return "Connected";
    case 30: return "Sending Request";
    case 31: return "Request sent";
    case 40: return "Receiving response";
    case 41: return "Response received";
    case 42: return "CTL Response received";
    case 43: return "Prefetch";
    case 50: return "Closing connection";
    case 51: return "Connection closed";
    case 60: return "Handle created";
    case 70: return "Handle closing";
    case 100: return "Request complete";
    case 110: return "Redirect";
    case 120: return "Intermediate response";
    case 200: return "State change";
    default: return "Unknown status";
    }
}

std::vector<std::uint8_t> EncodeLoginInfo(const AnsiString& user, const AnsiString& password)
{
    const auto n = static_cast<std::uint8_t>(1 + user.size() + password.size());
    std::vector<std::uint8_t> plain;
    plain.push_back(static_cast<std::uint8_t>(user.size()));
    plain.insert(plain.end(), user.begin(), user.end());
    plain.insert(plain.end(), password.begin(), password.end());
    plain.resize(n); // the lengths count modulo 256
    std::vector<std::uint8_t> data{n};
    for (const std::uint8_t b : plain)
        data.push_back(b ^ n ^ kLoginKey);
    return data;
}

bool DecodeLoginInfo(const std::vector<std::uint8_t>& data, AnsiString& user, AnsiString& password)
{
    user.clear();
    password.clear();
    if (data.empty() || data[0] == 0 || data.size() < 1u + data[0])
        return false;
    const std::uint8_t n = data[0];
    std::vector<std::uint8_t> plain;
    for (int i = 1; i <= n; ++i)
        plain.push_back(data[i] ^ n ^ kLoginKey);
    const std::size_t userLength = plain[0];
    if (1 + userLength > plain.size())
        return false;
    user.assign(plain.begin() + 1, plain.begin() + 1 + static_cast<std::ptrdiff_t>(userLength));
    password.assign(plain.begin() + 1 + static_cast<std::ptrdiff_t>(userLength), plain.end());
    return true;
}

} // namespace up
