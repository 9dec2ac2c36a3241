#include "tray/WyrTrayTip.h"

TTrayRecordLayout TrayRecordLayout(unsigned shellMajorVersion)
{
    if (shellMajorVersion >= 5) return {488, 127};
    return {88, 63};
}

std::string CutTipText(std::string_view text, std::size_t maxBytes)
{
    std::size_t end = 0;
    while (end < text.size()) {
        const auto c = static_cast<unsigned char>(text[end]);
        // A lead byte at the very end of the text has no trail byte: it counts alone.
        const std::size_t width = (c >= 0x81 && c <= 0xFE && end + 1 < text.size()) ? 2 : 1;
        if (end + width > maxBytes) break;
        end += width;
    }
    return std::string(text.substr(0, end));
}
