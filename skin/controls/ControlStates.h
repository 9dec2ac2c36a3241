// The control skins' arithmetic, free of the platform: which skin frame a control's state
// selects, which glyph cell shows, caption line breaks and glyph-button placement.
#pragma once

#include <string>

namespace skin {

// Frame numbers of a control's skin image, one per state.
enum TControlState { csNormal = 1, csPressed = 2, csDisabled = 3, csHot = 4, csFocused = 5 };
// Cells of a multi-cell glyph.
enum TGlyphState { gsUp = 1, gsDisabled = 2, gsPressed = 3, gsDown = 4 };

// Disabled first, then pressed, hot, focused (or default), normal.
TControlState StateCode(bool disabled, bool pressed, bool hot, bool focusedOrDefault);
TGlyphState GlyphStateOf(int state);
// The first "||" becomes CR LF; later ones stay.
std::wstring SplitCaption(const std::wstring& caption);

// Margin and spacing of a glyph and a text along one axis of client pixels; -1 asks for
// an even share. centred: the margin is shared too ("Alignment" is centre).
struct TGlyphPlacement {
    int margin = 0;
    int spacing = 0;
};
TGlyphPlacement PlaceGlyph(int client, int glyph, int text, int margin, int spacing, bool centred);

} // namespace skin
