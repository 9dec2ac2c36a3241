// Buttons with a glyph beside their caption, on the push-button skin: glyph buttons
// (a "Glyph" bitmap of cells, or an image list), windowless speed buttons (no focus or
// default state; a flat one shows its frame only while hot, pressed or down) and
// drop-down menu buttons (a glyph, the caption and a small arrow). Layout and captions
// are read from the control's published properties by name.
#pragma once

#include "skin/controls/Buttons.h"
#include "skin/controls/ControlStates.h"

namespace skin {

class TSkinBitButton : public TSkinButton {
    CL_CLASS(TSkinBitButton)
public:
    using TSkinButton::TSkinButton;
    void Paint(HDC dc, const RECT& rect) override;

    // Non-empty: the glyph is the graphic this property holds ("PngImage"), drawn whole.
    cl::AnsiString GraphicProperty;

protected:
    // The control the properties are read from: the windowed control or the graphic one.
    cl::TControl* PropControl() const;
    // Glyph and caption laid out by "Layout", "Margin", "Spacing" and "Alignment" on the
    // face already drawn in bitmap_. normalAlways: "NormalColour2" in every state.
    void DrawGlyphAndCaption(const RECT& R, int state, int glyphState, bool normalAlways);
};

class TSkinSpeedButton : public TSkinBitButton {
    CL_CLASS(TSkinSpeedButton)
public:
    using TSkinBitButton::TSkinBitButton;
    ~TSkinSpeedButton() override;
    // Attaches to the owner, a windowless control; colours are left alone.
    void InitGraphic(TSkinnedForm* form, TSkinData* data, cl::TCanvas* canvas);
    bool BeforeProc(cl::TMessage& m) override;
    void AfterProc(cl::TMessage& m) override;
    // Paints through the parent's window at the control's place.
    void PaintControl(HDC dc) override;

private:
    // Composes the button and copies it to dc at the control's client origin.
    void PaintSpeed(HDC dc);
    bool painting_ = false;
};

class TSkinMenuButton : public TSkinButton {
    CL_CLASS(TSkinMenuButton)
public:
    using TSkinButton::TSkinButton;
    void Paint(HDC dc, const RECT& rect) override;
};

// Margin and spacing of a menu button's glyph, text and 8-pixel arrow area across width;
// -1 asks for an even share.
TGlyphPlacement PlaceMenuGlyph(int width, int glyph, int text, int margin, int spacing);

} // namespace skin
