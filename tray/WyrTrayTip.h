// Portable pieces of the tray icon: the notification record's layout chosen from the
// shell's version, and the tip text cut to fit it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The record Shell_NotifyIconA is given: shell 5 and later take the 488-byte layout with
// a 128-character tip, older shells the 88-byte one with a 64-character tip.
struct TTrayRecordLayout {
    unsigned size;     // cbSize
    std::size_t tipMax; // bytes of tip text before the terminating zero
};
TTrayRecordLayout TrayRecordLayout(unsigned shellMajorVersion);

// The first bytes of a code page 936 text that fit in maxBytes without splitting a
// double-byte character (lead byte 0x81..0xFE followed by its trail byte).
std::string CutTipText(std::string_view text, std::size_t maxBytes);
