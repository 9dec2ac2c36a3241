// Extra controls: panels with one-pixel bevels and a centred caption, images showing a picture, and
// bevels (boxes, frames and lines).
#pragma once

#include "classlib/StdCtrls.h"

namespace cl {

enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
extern const TEnumType BevelCutType;

// Draws width nested one-pixel frames inside rect, top and left in top, bottom and right
// in bottom, and shrinks rect past them.
void Frame3D(TCanvas& canvas, RECT& rect, TColor top, TColor bottom, int width);

class TCustomPanel : public TCustomControl {
    CL_CLASS(TCustomPanel)
public:
    explicit TCustomPanel(TComponent* owner);

    TBevelCut BevelInner() const { return bevelInner_; }
    void SetBevelInner(TBevelCut value);
    TBevelCut BevelOuter() const { return bevelOuter_; }
    void SetBevelOuter(TBevelCut value);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value);
    // Fills with the parent's colour instead of Color.
    bool ParentBackground() const { return parentBackground_; }
    void SetParentBackground(bool value);

protected:
    void AdjustClientRect(RECT& rect) override;
    void Paint() override;
    void WndProc(TMessage& message) override;

private:
    void Changed(); // realign and repaint
    TBevelCut bevelInner_ = bvNone;
    TBevelCut bevelOuter_ = bvRaised;
    TAlignment alignment_ = taCenter;
    bool parentBackground_ = false;
};

class TPanel : public TCustomPanel {
    CL_CLASS(TPanel)
public:
    using TCustomPanel::TCustomPanel;
};

class TImage : public TGraphicControl {
    CL_CLASS(TImage)
public:
    explicit TImage(TComponent* owner);
    ~TImage() override;

    TPicture* Picture() const { return picture_.get(); }
    // Fits the picture to the control instead of drawing it at its own size.
    bool Stretch() const { return stretch_; }
    void SetStretch(bool value);

protected:
    void Paint() override;

private:
    std::unique_ptr<TPicture> picture_;
    bool stretch_ = false;
};

enum TBevelShape { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer };
extern const TEnumType BevelShapeType;
enum TBevelStyle { bsLowered, bsRaised };
extern const TEnumType BevelStyleType;

class TBevel : public TGraphicControl {
    CL_CLASS(TBevel)
public:
    explicit TBevel(TComponent* owner);

    TBevelShape Shape() const { return shape_; }
    void SetShape(TBevelShape value);
    TBevelStyle Style() const { return style_; }
    void SetStyle(TBevelStyle value);

protected:
    void Paint() override;

private:
    TBevelShape shape_ = bsBox;
    TBevelStyle style_ = bsLowered;
};

} // namespace cl
