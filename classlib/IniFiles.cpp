#include "classlib/IniFiles.h"

#include <windows.h>

namespace cl {

namespace {
// A profile call into a buffer that grows until the answer fits. Fill returns the length
// written; a result of size - 1 (size - 2 for lists) means the buffer was too small.
template <class Fill> std::string Profile(Fill fill, DWORD slack)
{
    std::string buf(1024, '\0');
    for (;;) {
        DWORD n = fill(buf.data(), static_cast<DWORD>(buf.size()));
        if (n + slack < buf.size() || buf.size() >= (1u << 24)) {
            buf.resize(n);
            return buf;
        }
        buf.assign(buf.size() * 4, '\0');
    }
}

void SplitList(const std::string& list, TStrings& out)
{
    out.BeginUpdate();
    out.Clear();
    for (size_t i = 0; i < list.size();) {
        size_t end = list.find('\0', i);
        if (end == std::string::npos) end = list.size();
        if (end > i) out.Add(list.substr(i, end - i));
        i = end + 1;
    }
    out.EndUpdate();
}
} // namespace

AnsiString TIniFile::ReadString(const AnsiString& section, const AnsiString& key, const AnsiString& fallback) const
{
    return Profile([&](char* buf, DWORD size) {
        return GetPrivateProfileStringA(section.c_str(), key.c_str(), fallback.c_str(), buf, size, fileName_.c_str());
    }, 1);
}

void TIniFile::WriteString(const AnsiString& section, const AnsiString& key, const AnsiString& value)
{
    if (!WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), fileName_.c_str()))
        throw EIniFileException("Unable to write to " + fileName_);
}

std::int32_t TIniFile::ReadInteger(const AnsiString& section, const AnsiString& key, std::int32_t fallback) const
{
    return StrToIntDef(ReadString(section, key, ""), fallback);
}

void TIniFile::WriteInteger(const AnsiString& section, const AnsiString& key, std::int32_t value)
{
    WriteString(section, key, IntToStr(value));
}

bool TIniFile::ReadBool(const AnsiString& section, const AnsiString& key, bool fallback) const
{
    return ReadInteger(section, key, fallback ? 1 : 0) != 0;
}

void TIniFile::WriteBool(const AnsiString& section, const AnsiString& key, bool value)
{
    WriteString(section, key, value ? "1" : "0");
}

bool TIniFile::SectionExists(const AnsiString& section) const
{
    TStringList keys;
    ReadSection(section, keys);
    return keys.Count() > 0;
}

bool TIniFile::ValueExists(const AnsiString& section, const AnsiString& key) const
{
    TStringList keys;
    ReadSection(section, keys);
    return keys.IndexOf(key) >= 0;
}

void TIniFile::ReadSection(const AnsiString& section, TStrings& keys) const
{
    SplitList(Profile([&](char* buf, DWORD size) {
        return GetPrivateProfileStringA(section.c_str(), nullptr, "", buf, size, fileName_.c_str());
    }, 2), keys);
}

void TIniFile::ReadSections(TStrings& sections) const
{
    SplitList(Profile([&](char* buf, DWORD size) {
        return GetPrivateProfileSectionNamesA(buf, size, fileName_.c_str());
    }, 2), sections);
}

void TIniFile::ReadSectionValues(const AnsiString& section, TStrings& values) const
{
    TStringList keys;
    ReadSection(section, keys);
    values.BeginUpdate();
    values.Clear();
    for (int i = 0; i < keys.Count(); ++i) values.Add(keys[i] + "=" + ReadString(section, keys[i], ""));
    values.EndUpdate();
}

void TIniFile::EraseSection(const AnsiString& section)
{
    if (!WritePrivateProfileStringA(section.c_str(), nullptr, nullptr, fileName_.c_str()))
        throw EIniFileException("Unable to write to " + fileName_);
}

void TIniFile::DeleteKey(const AnsiString& section, const AnsiString& key)
{
    WritePrivateProfileStringA(section.c_str(), key.c_str(), nullptr, fileName_.c_str());
}

void TIniFile::UpdateFile() { WritePrivateProfileStringA(nullptr, nullptr, nullptr, fileName_.c_str()); }

} // namespace cl
