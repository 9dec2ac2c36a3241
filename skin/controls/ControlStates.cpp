// The control skins' state and placement arithmetic.
#include "skin/controls/ControlStates.h"

namespace skin {

TControlState StateCode(bool disabled, bool pressed, bool hot, bool focusedOrDefault)
{
    if (disabled) return csDisabled;
    if (pressed) return csPressed;
    if (hot) return csHot;
    if (focusedOrDefault) return csFocused;
    return csNormal;
}

TGlyphState GlyphStateOf(int state)
{
    switch (state) {
    case csPressed: return gsPressed;
    case csDisabled: return gsDisabled;
    default: return gsUp;
    }
}

std::wstring SplitCaption(const std::wstring& caption)
{
    std::wstring s = caption;
    const size_t at = s.find(L"||");
    if (at != std::wstring::npos) s.replace(at, 2, L"\r\n");
    return s;
}

TGlyphPlacement PlaceGlyph(int client, int glyph, int text, int margin, int spacing, bool centred)
{
    if (text == 0 || glyph == 0) spacing = 0;
    TGlyphPlacement p{margin, spacing};
    if (margin == -1 || centred) {
        if (spacing == -1) {
            p.margin = (client - glyph - text) / 3;
            p.spacing = p.margin;
        } else {
            p.margin = (client - glyph - spacing - text) / 2;
        }
    } else if (spacing == -1) {
        p.spacing = (client - margin - glyph - text) / 2;
    }
    return p;
}

namespace {
int Remap(int f)
{
    switch (f) {
    case 2: return 5;
    case 3: return 4;
    case 4: return 8;
    default: return f;
    }
}
} // namespace

int CheckFrame(int f, bool disabled, bool indeterminate, int frames)
{
    if (disabled) f += 2;
    if (indeterminate) f = 4;
    if (frames == 12) {
        if (indeterminate) return disabled ? 12 : 9;
        return Remap(f);
    }
    return f;
}

int RadioFrame(int f, bool disabled, int frames)
{
    if (disabled) f += 2;
    return frames == 8 ? Remap(f) : f;
}

} // namespace skin
