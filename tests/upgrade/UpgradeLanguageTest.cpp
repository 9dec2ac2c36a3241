// The message language by the system's language identifier, and its string-table block.
#include "upgrade/UpgradeLanguage.h"

#include <gtest/gtest.h>

using namespace up;

TEST(UpgradeLanguage, BlockBySystemLanguage)
{
    struct Case {
        unsigned langId;
        TUpgraderLanguage language;
        unsigned short base;
    };
    const Case cases[] = {
        {0x0804, wlChineseSimplified, 42100},   // Chinese (PRC)
        {0x0404, wlChineseTraditional, 42050},  // Chinese (Taiwan)
        {0x0C04, wlChineseTraditional, 42050},  // Chinese (Hong Kong)
        {0x0409, wlEnglish, 41000},
        {0x0809, wlEnglish, 41000},
        {0x0416, wlPortugueseBrazilian, 41300}, // sublanguage 1
        {0x0816, wlPortuguese, 41250},
        {0x0419, wlRussian, 41050},
        {0x0414, wlNorwegian, 42350},            // the last block
        {0x043E, wlMalay, 42200},
        {0x0411, wlEnglish, 41000},              // Japanese is not among them
        {0x0000, wlEnglish, 41000},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(LanguageForLangId(c.langId), c.language) << std::hex << c.langId;
        EXPECT_EQ(MessageBase(LanguageForLangId(c.langId)), c.base) << std::hex << c.langId;
    }
}
