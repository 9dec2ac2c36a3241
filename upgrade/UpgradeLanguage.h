// The languages of the upgrader's messages: the choice by the system's language
// identifier and the string-table block of each language.
#pragma once

namespace up {

// wlAuto, then the 28 languages in the order of their string-table blocks.
enum TUpgraderLanguage {
    wlAuto, wlEnglish, wlRussian, wlGerman, wlFrench, wlSpanish, wlPortuguese, wlPortugueseBrazilian, wlItalian,
    wlDutch, wlDanish, wlSwedish, wlFinnish, wlEstonian, wlUkrainian, wlPolish, wlCzech, wlHungarian, wlRomanian,
    wlCatalan, wlBasque, wlAfrikaans, wlChineseTraditional, wlChineseSimplified, wlIndonesian, wlMalay, wlIcelandic,
    wlTurkish, wlNorwegian
};
constexpr int UpgraderLanguageCount = 28;

// The first message of the first block; block L (1 to 28) starts 50 further per language.
constexpr unsigned short FirstMessageId = 41000;
// Strings outside the blocks.
constexpr unsigned short AppTitlePlaceholderId = 40997; // "<AppTitle>"
constexpr unsigned short DefaultAppTitleId = 40998;     // the class library's default title
constexpr unsigned short ProductNameId = 40999;         // "AutoUpgrader"

// The language for a system language identifier (primary in the low 10 bits).
TUpgraderLanguage LanguageForLangId(unsigned langId);
// The identifier of message 0 of a language other than wlAuto.
unsigned short MessageBase(TUpgraderLanguage language);

} // namespace up
