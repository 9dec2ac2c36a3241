// The upgrade info file: "#key=value" lines and "#key={block}" values looked up
// anywhere in the text, the numbered file addresses and whether the release is newer.
#pragma once

#include "classlib/Strings.h"
#include "upgrade/VersionDate.h"

#include <memory>
#include <unordered_map>
#include <vector>

namespace up {

enum class TekUpgradeMethod { umSelfUpgrade, umUseExternalSetup, umRedirectToURL };
enum class TUpgraderVersionControl { byDate, byNumber };
extern const cl::TEnumType UpgradeMethodType;

// Indexes every "#key=" of the text in one pass when made, so that a read costs only its
// value, however many keys are read.
class TUpgradeInfoFile {
public:
    explicit TUpgradeInfoFile(AnsiString text);

    // The first "#key=" (key in lower case letters and digits, matched case-insensitively),
    // up to the first control character; empty when absent.
    AnsiString LineValue(const AnsiString& key) const;
    // The first "#key={", up to the first "}"; line breaks kept.
    AnsiString BlockValue(const AnsiString& key) const;

    // "url", "url0", then "url<N>" counting on from the number of files found so far,
    // up to the first missing number. Values that run into one another (no line break
    // between "#url=a#url2=b") could repeat the text many times over: the list ends
    // before the addresses together would be four times as long as the text.
    std::vector<AnsiString> Files() const;
    // "version" (trimmed) newer than the installed dotted number.
    bool NewerByNumber(const AnsiString& installedVersion) const;
    // "date" strictly after the installed month/day/year; a malformed date reads as today.
    bool NewerByDate(const AnsiString& installedDate, TDateTime today) const;
    AnsiString Message() const { return BlockValue("message"); }
    TekUpgradeMethod Method() const;

private:
    AnsiString text_;
    // Where the value of each key's first "#key=" and first "#key={" begins.
    std::unordered_map<std::string, std::size_t> lineAt_;
    std::unordered_map<std::string, std::size_t> blockAt_;
};

// What a check reads from a fetched info file.
struct TUpgradeRelease {
    std::vector<AnsiString> files;
    bool updateFound = false; // newer and at least one file
    AnsiString message;       // read only when an update is found
    TekUpgradeMethod method = TekUpgradeMethod::umSelfUpgrade;
};

// The release as design data (the auto-upgrader's published InfoFile): the files, the
// method and the message, from which the service's info file is written. A check never
// reads it.
class TUpgraderInfo : public cl::TPersistent {
    CL_CLASS(TUpgraderInfo)
public:
    void Assign(const cl::TPersistent& source) override;
    cl::TStringList* Files() const { return files_.get(); }
    TekUpgradeMethod UpgradeMethod = TekUpgradeMethod::umSelfUpgrade;
    AnsiString UpgradeMsg;
    // "#url=", "#url2=", ... (the numbering the reader follows), "#method=" with the
    // method's ordinal and "#message={...}", each line ended by CR LF.
    AnsiString InfoFileText() const;

private:
    std::unique_ptr<cl::TStringList> files_ = std::make_unique<cl::TStringList>();
};

TUpgradeRelease ReadUpgradeRelease(const AnsiString& infoText, TUpgraderVersionControl control,
                                   const AnsiString& versionNumber, const AnsiString& versionDate,
                                   TDateTime today);

} // namespace up
