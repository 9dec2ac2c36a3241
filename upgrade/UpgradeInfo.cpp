// The upgrade info file reader.
#include "upgrade/UpgradeInfo.h"

#include <string>

namespace up {

const cl::TEnumType UpgradeMethodType{{"umSelfUpgrade", "umUseExternalSetup", "umRedirectToURL"}};

const cl::TClass& TUpgraderInfo::StaticClass()
{
    return cl::DefineClass<TUpgraderInfo, cl::TPersistent>("TUpgraderInfo", [](cl::TPublisher<TUpgraderInfo>& p) {
        p.Owned("Files", &TUpgraderInfo::Files);
        p.Enum("UpgradeMethod", UpgradeMethodType, &TUpgraderInfo::UpgradeMethod, &TUpgraderInfo::UpgradeMethod);
        p.String("UpgradeMsg", &TUpgraderInfo::UpgradeMsg, &TUpgraderInfo::UpgradeMsg);
    });
}

void TUpgraderInfo::Assign(const cl::TPersistent& source)
{
    const auto* other = dynamic_cast<const TUpgraderInfo*>(&source);
    if (!other)
        return cl::TPersistent::Assign(source);
    files_->Assign(*other->files_);
    UpgradeMethod = other->UpgradeMethod;
    UpgradeMsg = other->UpgradeMsg;
}

AnsiString TUpgraderInfo::InfoFileText() const
{
    AnsiString text;
    for (int i = 0; i < files_->Count(); ++i)
        text += (i == 0 ? AnsiString("#url=") : "#url" + std::to_string(i + 1) + "=") + files_->Get(i) + "\r\n";
    text += "#method=" + std::to_string(static_cast<int>(UpgradeMethod)) + "\r\n";
    text += "#message={" + UpgradeMsg + "}\r\n";
    return text;
}

TUpgradeInfoFile::TUpgradeInfoFile(AnsiString text) : text_(std::move(text)), lowered_(LowerCaseAscii(text_)) {}

AnsiString TUpgradeInfoFile::LineValue(const AnsiString& key) const
{
    const AnsiString marker = "#" + key + "=";
    const auto at = lowered_.find(marker);
    if (at == AnsiString::npos)
        return AnsiString();
    const auto begin = at + marker.size();
    auto end = begin;
    while (end < text_.size() && static_cast<unsigned char>(text_[end]) >= 32)
        ++end;
    return text_.substr(begin, end - begin);
}

AnsiString TUpgradeInfoFile::BlockValue(const AnsiString& key) const
{
    const AnsiString marker = "#" + key + "={";
    const auto at = lowered_.find(marker);
    if (at == AnsiString::npos)
        return AnsiString();
    const auto begin = at + marker.size();
    const auto end = text_.find('}', begin);
    return text_.substr(begin, end == AnsiString::npos ? AnsiString::npos : end - begin);
}

std::vector<AnsiString> TUpgradeInfoFile::Files() const
{
    std::vector<AnsiString> files;
    for (const char* key : {"url", "url0"}) {
        AnsiString value = LineValue(key);
        if (!value.empty())
            files.push_back(std::move(value));
    }
    for (std::size_t n = files.size() + 1;; ++n) {
        AnsiString value = LineValue("url" + std::to_string(n));
        if (value.empty())
            break;
        files.push_back(std::move(value));
    }
    return files;
}

bool TUpgradeInfoFile::NewerByNumber(const AnsiString& installedVersion) const
{
    // Untrimmed, "4 " would not read as a number and would compare as text, newer
    // than "4" at every start.
    return CompareVersions(Trim(LineValue("version")), installedVersion) > 0;
}

bool TUpgradeInfoFile::NewerByDate(const AnsiString& installedDate, TDateTime today) const
{
    return StrToVersionDate(installedDate, today) < StrToVersionDate(Trim(LineValue("date")), today);
}

TekUpgradeMethod TUpgradeInfoFile::Method() const
{
    const AnsiString method = LineValue("method");
    if (method.empty())
        return TekUpgradeMethod::umSelfUpgrade;
    switch (method[0]) {
    case '1':
        return TekUpgradeMethod::umUseExternalSetup;
    case '2':
        return TekUpgradeMethod::umRedirectToURL;
    default:
        return TekUpgradeMethod::umSelfUpgrade;
    }
}

TUpgradeRelease ReadUpgradeRelease(const AnsiString& infoText, TUpgraderVersionControl control,
                                   const AnsiString& versionNumber, const AnsiString& versionDate,
                                   TDateTime today)
{
    const TUpgradeInfoFile info(infoText);
    TUpgradeRelease release;
    release.files = info.Files();
    const bool newer = control == TUpgraderVersionControl::byNumber ? info.NewerByNumber(versionNumber)
                                                                    : info.NewerByDate(versionDate, today);
    release.updateFound = newer && !release.files.empty();
    if (release.updateFound) {
        release.message = info.Message();
        release.method = info.Method();
    }
    return release;
}

} // namespace up
