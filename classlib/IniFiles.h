// Ini files through the platform's profile functions: every read and write goes to the
// file at once.
#pragma once

#include "classlib/Strings.h"

namespace cl {

class TIniFile : public TObject {
public:
    explicit TIniFile(AnsiString fileName) : fileName_(std::move(fileName)) {}
    const AnsiString& FileName() const { return fileName_; }

    AnsiString ReadString(const AnsiString& section, const AnsiString& key, const AnsiString& fallback) const;
    void WriteString(const AnsiString& section, const AnsiString& key, const AnsiString& value);
    std::int32_t ReadInteger(const AnsiString& section, const AnsiString& key, std::int32_t fallback) const;
    void WriteInteger(const AnsiString& section, const AnsiString& key, std::int32_t value);
    // "0" is false, any other integer true; anything else gives the fallback.
    bool ReadBool(const AnsiString& section, const AnsiString& key, bool fallback) const;
    void WriteBool(const AnsiString& section, const AnsiString& key, bool value);

    bool SectionExists(const AnsiString& section) const;
    bool ValueExists(const AnsiString& section, const AnsiString& key) const;
    void ReadSection(const AnsiString& section, TStrings& keys) const;
    void ReadSections(TStrings& sections) const;
    void ReadSectionValues(const AnsiString& section, TStrings& values) const; // "key=value"
    void EraseSection(const AnsiString& section);
    void DeleteKey(const AnsiString& section, const AnsiString& key);
    void UpdateFile(); // flushes the platform's cache of the file

private:
    AnsiString fileName_;
};

class EIniFileException : public Exception { using Exception::Exception; };

} // namespace cl
