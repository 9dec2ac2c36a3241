// The upgrader's messages: the string-table block of the selected language, loading and
// formatting a message, and the component's message boxes.
#pragma once

#include "classlib/SysUtils.h"
#include "upgrade/UpgradeLanguage.h"

#include <windows.h>

#include <initializer_list>

namespace up {

using cl::AnsiString;

// Selects the block by the system's default language.
void SelectLanguage();
// Selects the block of a language (wlAuto selects by the system's).
void SetUpgraderLanguage(TUpgraderLanguage language);
// The identifier of message 0 of the selected block.
unsigned short UpgradeMessageBase();

// A string of the module's table; empty when it has none.
AnsiString LoadUpgradeString(unsigned id);
// Message k of the selected block; a message the block lacks is taken from English.
AnsiString LoadUpgradeMessage(int k);
AnsiString FormatUpgradeMessage(int k, std::initializer_list<cl::TFormatArg> args);
// An application message box with message k, captioned with message 0.
int ShowUpgradeMessage(int k, UINT flags);
// The application's title for the messages ("<AppTitle>" when it is the default one).
AnsiString UpgradeAppTitle();

} // namespace up
