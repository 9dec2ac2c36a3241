// The upgrader's messages.
#include "upgrade/UpgraderText.h"

#include "classlib/Controls.h"
#include "classlib/Forms.h"

namespace up {
namespace {

unsigned short& Base()
{
    static unsigned short base = MessageBase(LanguageForLangId(GetSystemDefaultLangID()));
    return base;
}

} // namespace

void SelectLanguage() { Base() = MessageBase(LanguageForLangId(GetSystemDefaultLangID())); }

void SetUpgraderLanguage(TUpgraderLanguage language)
{
    if (language == wlAuto)
        SelectLanguage();
    else
        Base() = MessageBase(language);
}

unsigned short UpgradeMessageBase() { return Base(); }

AnsiString LoadUpgradeString(unsigned id)
{
    char text[1024];
    const int n = LoadStringA(cl::ModuleInstance(), id, text, sizeof text);
    return n > 0 ? AnsiString(text, static_cast<std::size_t>(n)) : AnsiString();
}

AnsiString LoadUpgradeMessage(int k)
{
    AnsiString text = LoadUpgradeString(Base() + static_cast<unsigned>(k));
    if (text.empty())
        text = LoadUpgradeString(FirstMessageId + static_cast<unsigned>(k));
    return text;
}

AnsiString FormatUpgradeMessage(int k, std::initializer_list<cl::TFormatArg> args)
{
    return cl::Format(LoadUpgradeMessage(k), args);
}

int ShowUpgradeMessage(int k, UINT flags)
{
    return cl::Application->MessageBox(LoadUpgradeMessage(k), LoadUpgradeMessage(0), flags);
}

AnsiString UpgradeAppTitle()
{
    const AnsiString title = cl::Application->Title();
    const AnsiString standard = LoadUpgradeString(DefaultAppTitleId);
    if (!standard.empty() && title.find(standard) != AnsiString::npos)
        return LoadUpgradeString(AppTitlePlaceholderId);
    return title;
}

} // namespace up
