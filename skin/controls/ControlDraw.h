// Drawing shared by the control skins: a framed skin image in any rectangle, one frame of
// an image strip, captions with fixed alignment and colour rules, the focus rectangle,
// and the standard answers to WM_PAINT and WM_ERASEBKGND.
#pragma once

#include "skin/SkinObjects.h"
#include "skin/controls/ControlStates.h"

#include "classlib/Controls.h"
#include "classlib/Graphics.h"

#include <windows.h>

#include <string>

namespace skin {

class TSkinControl;

// DT_LEFT, DT_RIGHT, DT_CENTER by TAlignment.
UINT AlignmentFlags(int alignment);
// flags plus DT_RTLREADING when the companion's control reads right to left.
UINT ReadingOrder(const TSkinControl& companion, UINT flags);

// Frame `frame` of count frames of the object's image fitted to rect with the object's
// margins and tiling; transparent (magenta) when the object's Trans is 1.
void DrawSkinFrame(HDC dc, const RECT& rect, int count, int frame, const TDataSkinObject& object);
// Frame `frame` of count frames of bitmap stretched to rect, magenta left undrawn.
void DrawStripFrameDC(HDC dc, const RECT& rect, int count, int frame, cl::TBitmap& bitmap);
// The caption centred (or aligned) in rect inset by 2, with the focus rectangle when the
// companion is focused. The companion's Caption takes the line break too.
void DrawButtonCaption(TSkinControl& companion, HDC dc, const RECT& rect, UINT alignment, const std::wstring& text);
void DrawPanelText(const TSkinControl& companion, HDC dc, const RECT& rect, UINT alignment, bool enabled,
                   const std::wstring& text);
// The focus rectangle around the companion's caption drawn with flags in rect.
void DrawTextFocusRect(const TSkinControl& companion, HDC dc, UINT flags, const RECT& rect);
void FillColorRect(HDC dc, const RECT& rect, TColor colour);
// A small arrow in the DC's pen: 0 up, 1 down, 2 left, 3 right; others draw nothing.
void DrawArrow(HDC dc, int x, int y, int direction);
// Paints the companion for WM_PAINT (with BeginPaint when wParam has no DC).
void PaintMessage(TSkinControl& companion, cl::TMessage& m);
// The parent's background (or colour, for a raw window) under the control; result 1.
void EraseBackground(TSkinControl& companion, cl::TMessage& m);

// Caption colour of a button-family control in state, or `own` when the skin says nothing.
// normalAlways: "NormalColour2" applies in every state, not just the normal one.
TColor ButtonCaptionColour(const TDataSkinButton& buttons, int state, bool enabled, bool normalAlways, TColor own);

} // namespace skin
