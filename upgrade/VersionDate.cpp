// Portable text and date routines of the upgrader.
#include "upgrade/VersionDate.h"

#include <cstdio>
#include <cmath>

namespace up {
namespace {

bool IsLeap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month)
{
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeap(year) ? 29 : days[month - 1];
}

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
constexpr long long DaysFromCivil(long long y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

void CivilFromDays(long long z, int& year, int& month, int& day)
{
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(static_cast<long long>(yoe) + era * 400 + (month <= 2));
}

constexpr long long kEpochShift = DaysFromCivil(1899, 12, 30);

bool StartsWithName(const AnsiString& upper, const char* const* names, int count, int& index)
{
    for (int i = 0; i < count; ++i) {
        if (upper.compare(0, 3, names[i]) == 0) {
            index = i;
            return true;
        }
    }
    return false;
}

const char* const kDayNames[] = {"SUN", "MON", "TUE", "WED", "THU", "FRI", "SAT"};
const char* const kMonthNames[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                   "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};

// Month number of a name; 0 when the text is no month name.
int MonthOf(const AnsiString& token)
{
    int index = 0;
    return StartsWithName(UpperCaseAscii(token.substr(0, 3)), kMonthNames, 12, index) ? index + 1 : 0;
}

// The encoders without the exception, for parsers that meet impossible dates and times in
// ordinary input: value is set only when the date or time exists.
bool TryEncodeDate(int year, int month, int day, TDateTime& value)
{
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
        return false;
    value = static_cast<TDateTime>(DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) -
                                   kEpochShift);
    return true;
}

bool TryEncodeTime(int hour, int minute, int second, int msec, TDateTime& value)
{
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || msec < 0 || msec > 999)
        return false;
    value = (hour * 3600000.0 + minute * 60000.0 + second * 1000.0 + msec) / 86400000.0;
    return true;
}

} // namespace

TDateTime EncodeDate(int year, int month, int day)
{
    TDateTime value = 0;
    if (!TryEncodeDate(year, month, day, value)) throw EConvertError("Invalid argument to date encode");
    return value;
}

TDateTime EncodeTime(int hour, int minute, int second, int msec)
{
    TDateTime value = 0;
    if (!TryEncodeTime(hour, minute, second, msec, value)) throw EConvertError("Invalid argument to time encode");
    return value;
}

bool DecodeDate(TDateTime value, int& year, int& month, int& day)
{
    if (!(value >= EncodeDate(1, 1, 1) && value < EncodeDate(9999, 12, 31) + 1))
        return false;
    CivilFromDays(static_cast<long long>(std::floor(value)) + kEpochShift, year, month, day);
    return true;
}

std::uint8_t PercentOf(double part, double total)
{
    if (total == 0)
        return 0;
    const double r = std::nearbyint(part * 100 / total);
    return r >= 0 && r <= 255 ? static_cast<std::uint8_t>(r) : 0;
}

AnsiString CutToken(AnsiString& text, const AnsiString& separator, bool consume)
{
    const std::size_t at = separator.empty() ? AnsiString::npos : text.find(separator);
    AnsiString token = text.substr(0, at);
    if (consume)
        text = at == AnsiString::npos ? AnsiString() : text.substr(at + separator.size());
    return token;
}

std::array<AnsiString, 4> SplitVersion(const AnsiString& version)
{
    std::array<AnsiString, 4> parts;
    AnsiString rest = version + ".";
    for (AnsiString& part : parts) {
        const std::size_t dot = rest.find('.');
        if (dot == AnsiString::npos) {
            part = "0";
        } else {
            part = rest.substr(0, dot);
            rest.erase(0, dot + 1);
        }
    }
    return parts;
}

int CompareVersions(const AnsiString& a, const AnsiString& b)
{
    const auto pa = SplitVersion(a), pb = SplitVersion(b);
    for (std::size_t i = 0; i < pa.size(); ++i) {
        const int x = StrToIntDef(pa[i], -1), y = StrToIntDef(pb[i], -1);
        if (x == -1 || y == -1) {
            const int c = a.compare(b); // std::string compares bytes as unsigned char
            return c > 0 ? 1 : c < 0 ? -1 : 0;
        }
        if (x != y)
            return x > y ? 1 : -1;
    }
    return 0;
}

TDateTime ParseGMTOffset(const AnsiString& text)
{
    const AnsiString s = Trim(text).substr(0, 5);
    if (s.size() < 5 || (s[0] != '+' && s[0] != '-'))
        return 0;
    for (std::size_t i = 1; i < 5; ++i)
        if (s[i] < '0' || s[i] > '9')
            return 0;
    TDateTime t = 0;
    if (!TryEncodeTime((s[1] - '0') * 10 + (s[2] - '0'), (s[3] - '0') * 10 + (s[4] - '0'), 0, 0, t))
        return 0;
    return s[0] == '-' ? -t : t;
}

TDateTime HTTPDateToDateTime(const AnsiString& header, TDateTime bias)
{
    AnsiString s = Trim(header);
    if (s.empty())
        return 0;
    int index = 0;
    if (StartsWithName(UpperCaseAscii(s.substr(0, 3)), kDayNames, 7, index)) {
        const std::size_t blank = s.find(' ');
        if (blank != AnsiString::npos)
            s = TrimLeft(s.substr(blank + 1));
    }
    const std::size_t dash = s.find('-'), blank = s.find(' ');
    const AnsiString sep = dash != AnsiString::npos && dash >= 1 && blank != AnsiString::npos && dash < blank
                               ? "-"
                               : " ";
    AnsiString probe = s;
    const bool monthFirst = MonthOf(CutToken(probe, sep, false)) != 0;
    auto field = [&]() {
        AnsiString token = CutToken(s, sep, true);
        s = TrimLeft(s);
        return token;
    };
    int day = 1, month = 0;
    if (monthFirst) {
        month = MonthOf(field());
        day = StrToIntDef(field(), 1);
    } else {
        day = StrToIntDef(field(), 1);
        month = MonthOf(field());
    }
    const AnsiString first = CutToken(s, " ", true);
    int year = StrToIntDef(first, 1900);
    if (year == 1900) {
        year = StrToIntDef(Trim(s), 1900);
        s = first;
    }
    if (year < 80)
        year += 2000;
    else if (year >= 80 && year <= 99)
        year += 1900;
    // An impossible date or time gives 0; the text after an impossible time is not trimmed.
    TDateTime value = 0;
    if (TryEncodeDate(year, month, day, value)) {
        TDateTime time = 0;
        bool timeExists = true;
        if (s.find(':') != AnsiString::npos) {
            AnsiString clock = CutToken(s, " ", true);
            const int h = StrToIntDef(CutToken(clock, ":", true), 0);
            const int m = StrToIntDef(CutToken(clock, ":", true), 0);
            const int sec = StrToIntDef(CutToken(clock, " ", true), 0);
            timeExists = TryEncodeTime(h, m, sec, 0, time);
        }
        if (timeExists) {
            value += time;
            s = TrimLeft(s);
        } else {
            value = 0;
        }
    }
    if (s.size() > 4)
        value -= ParseGMTOffset(s);
    return value - bias;
}

AnsiString VersionDateToStr(TDateTime date)
{
    int y = 0, m = 0, d = 0;
    if (!DecodeDate(date, y, m, d))
        return AnsiString();
    char text[16];
    std::snprintf(text, sizeof text, "%02d/%02d/%04d", m, d, y);
    return text;
}

TDateTime StrToVersionDate(const AnsiString& text, TDateTime today)
{
    AnsiString rest = text;
    const std::size_t first = rest.find('/');
    const std::size_t second = first == AnsiString::npos ? first : rest.find('/', first + 1);
    int month = 0, day = 0, year = 0;
    TDateTime date = today;
    if (second == AnsiString::npos || !TryStrToInt(rest.substr(0, first), month) ||
        !TryStrToInt(rest.substr(first + 1, second - first - 1), day) || !TryStrToInt(rest.substr(second + 1), year) ||
        !TryEncodeDate(year, month, day, date))
        return today;
    return date;
}

} // namespace up
