// The smaller control skins: size boxes, pages of a page control, plain containers, check
// and radio glyphs handed to controls that draw their own, tab backgrounds handed to page
// controls that draw their own, tab controls drawn as buttons; and the disabled glyph.
#pragma once

#include "skin/engine/SkinControl.h"

#include <memory>

namespace skin {

class TSkinUpDown;

// A raw size box: the face colour.
class TSkinSizer : public TSkinControl {
    CL_CLASS(TSkinSizer)
public:
    using TSkinControl::TSkinControl;
    void Paint(HDC dc, const RECT& rect) override;
};

class TSkinTabSheet : public TSkinControl {
    CL_CLASS(TSkinTabSheet)
public:
    using TSkinControl::TSkinControl;
    bool BeforeProc(cl::TMessage& m) override;
    void Paint(HDC dc, const RECT& rect) override;
};

// Panels, tool bars and dialog boxes without a skin of their own: the face colour behind
// them and behind their static children.
class TSkinBoxH : public TSkinControl {
    CL_CLASS(TSkinBoxH)
public:
    using TSkinControl::TSkinControl;
    bool BeforeProc(cl::TMessage& m) override;
};

// Check boxes and radio buttons that draw custom glyphs: they get a sheet cut from the
// skin's strips instead of being painted. The control's messages are not hooked.
class TSkinObjImage : public TSkinControl {
    CL_CLASS(TSkinObjImage)
public:
    using TSkinControl::TSkinControl;
    void InitControl(TSkinnedForm* form, TSkinData* data, bool colourControl, cl::TCanvas* canvas) override;
    void Unsubclass() override;
    void SkinChange() override;

    int GlyphKind = 0; // 1 check box, 2 radio button

private:
    void BuildSheet();
};

// Page controls that draw their own tabs from two bitmaps.
class TSkinAdvPage : public TSkinControl {
    CL_CLASS(TSkinAdvPage)
public:
    using TSkinControl::TSkinControl;
    ~TSkinAdvPage() override;
    void InitControl(TSkinnedForm* form, TSkinData* data, bool colourControl, cl::TCanvas* canvas) override;
    void Unsubclass() override;
    void Paint(HDC dc, const RECT& rect) override;
    void SkinChange() override;
    void Notification(cl::TComponent& component, cl::TOperation operation) override;

    int PageKind = 0; // 4 hands over the tab backgrounds
    TSkinUpDown* UpDown = nullptr;

private:
    void HandOverTabs();
};

// A tab control whose tabs are drawn from the skin's button image.
class TSkinTabBtn : public TSkinControl {
    CL_CLASS(TSkinTabBtn)
public:
    using TSkinControl::TSkinControl;
    bool BeforeProc(cl::TMessage& m) override;
    void Paint(HDC dc, const RECT& rect) override;
};

// A new bitmap of source's size: the face colour with the glyph's non-white pixels
// embossed in highlight (one pixel down and right) and shadow; the glyph drawing shows a
// one-cell glyph of a disabled button so. The caller owns it.
std::unique_ptr<cl::TBitmap> CreateDisabledGlyph(cl::TBitmap& source);

} // namespace skin
