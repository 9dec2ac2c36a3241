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

namespace {
// Longer than any key the reader asks for.
constexpr std::size_t kMaxKeyLength = 64;
// Addresses on lines of their own together hold fewer bytes than the text; only values
// that run into one another come near this.
constexpr std::size_t kMaxAddressesPerByte = 4;

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
} // namespace

TUpgradeInfoFile::TUpgradeInfoFile(AnsiString text) : text_(std::move(text))
{
    // A key holds neither "#" nor "=": each "#" starts one candidate, which ends at the
    // next "=" (a key) or at the next "#" (none), so every byte is looked at once or twice.
    const std::size_t size = text_.size();
    std::string key;
    std::size_t at = text_.find('#');
    while (at != AnsiString::npos) {
        key.clear();
        std::size_t i = at + 1;
        while (i < size && text_[i] != '=' && text_[i] != '#' && key.size() <= kMaxKeyLength)
            key += LowerAscii(text_[i++]);
        if (i < size && text_[i] == '=' && key.size() <= kMaxKeyLength) {
            lineAt_.emplace(key, i + 1); // the first occurrence stays
            if (i + 1 < size && text_[i + 1] == '{')
                blockAt_.emplace(key, i + 2);
        }
        at = i < size && text_[i] == '#' ? i : text_.find('#', i);
    }
}

AnsiString TUpgradeInfoFile::LineValue(const AnsiString& key) const
{
    const auto found = lineAt_.find(key);
    if (found == lineAt_.end())
        return AnsiString();
    const auto begin = found->second;
    auto end = begin;
    while (end < text_.size() && static_cast<unsigned char>(text_[end]) >= 32)
        ++end;
    return text_.substr(begin, end - begin);
}

AnsiString TUpgradeInfoFile::BlockValue(const AnsiString& key) const
{
    const auto found = blockAt_.find(key);
    if (found == blockAt_.end())
        return AnsiString();
    const auto begin = found->second;
    const auto end = text_.find('}', begin);
    return text_.substr(begin, end == AnsiString::npos ? AnsiString::npos : end - begin);
}

std::vector<AnsiString> TUpgradeInfoFile::Files() const
{
    std::vector<AnsiString> files;
    std::size_t total = 0;
    const auto add = [&](AnsiString value) {
        total += value.size();
        if (value.empty() || total > kMaxAddressesPerByte * text_.size())
            return false;
        files.push_back(std::move(value));
        return true;
    };
    for (const char* key : {"url", "url0"})
        add(LineValue(key));
    for (std::size_t n = files.size() + 1;; ++n)
        if (!add(LineValue("url" + std::to_string(n))))
            break;
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
