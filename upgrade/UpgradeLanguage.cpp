// The languages of the upgrader's messages.
#include "upgrade/UpgradeLanguage.h"

namespace up {
namespace {

// Primary language identifiers, in the order of the languages after wlAuto.
const unsigned kPrimary[UpgraderLanguageCount] = {0x09, 0x19, 0x07, 0x0C, 0x0A, 0x16, 0x16, 0x10, 0x13, 0x06,
                                                  0x1D, 0x0B, 0x25, 0x22, 0x15, 0x05, 0x0E, 0x18, 0x03, 0x2D,
                                                  0x36, 0x04, 0x04, 0x21, 0x3E, 0x0F, 0x1F, 0x14};

} // namespace

TUpgraderLanguage LanguageForLangId(unsigned langId)
{
    const unsigned primary = langId % 1024, sub = langId / 1024;
    if (primary == 0x16)
        return sub == 1 ? wlPortugueseBrazilian : wlPortuguese;
    if (primary == 0x04)
        return sub == 2 ? wlChineseSimplified : wlChineseTraditional;
    for (int i = 0; i < UpgraderLanguageCount; ++i)
        if (kPrimary[i] == primary)
            return static_cast<TUpgraderLanguage>(i + 1);
    return wlEnglish;
}

unsigned short MessageBase(TUpgraderLanguage language)
{
    const int l = language == wlAuto ? 1 : static_cast<int>(language);
    return static_cast<unsigned short>(FirstMessageId + 50 * (l - 1));
}

} // namespace up
