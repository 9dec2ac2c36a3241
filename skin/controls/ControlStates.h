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

// The frame of a check box's strip of `frames` frames for base frame f (1 unchecked,
// 2 checked, 3 unchecked disabled, 4 checked disabled or indeterminate), once disabled
// and indeterminate are applied.
int CheckFrame(int f, bool disabled, bool indeterminate, int frames);
// The same for a radio button (no indeterminate frame; an 8-frame strip is remapped).
int RadioFrame(int f, bool disabled, int frames);

} // namespace skin
