#include "classlib/ExtCtrlsPanels.h"

namespace cl {

const TEnumType BevelCutType{{"bvNone", "bvLowered", "bvRaised", "bvSpace"}};
const TEnumType BevelShapeType{{"bsBox", "bsFrame", "bsTopLine", "bsBottomLine", "bsLeftLine", "bsRightLine", "bsSpacer"}};
const TEnumType BevelStyleType{{"bsLowered", "bsRaised"}};

namespace {

const bool registered = (TPanel::StaticClass(), TImage::StaticClass(), TBevel::StaticClass(), true);

void FillWith(TCanvas& canvas, const RECT& r, TColor color)
{
    canvas.Brush().SetStyle(bsSolid);
    canvas.Brush().SetColor(color);
    canvas.FillRect(r);
}

} // namespace

void Frame3D(TCanvas& canvas, RECT& rect, TColor top, TColor bottom, int width)
{
    for (int i = 0; i < width && rect.right > rect.left && rect.bottom > rect.top; ++i) {
        // The top-right and bottom-left corner pixels belong to the bottom colour.
        FillWith(canvas, RECT{rect.left, rect.top, rect.right - 1, rect.top + 1}, top);
        FillWith(canvas, RECT{rect.left, rect.top, rect.left + 1, rect.bottom - 1}, top);
        FillWith(canvas, RECT{rect.right - 1, rect.top, rect.right, rect.bottom}, bottom);
        FillWith(canvas, RECT{rect.left, rect.bottom - 1, rect.right, rect.bottom}, bottom);
        InflateRect(&rect, -1, -1);
    }
}

// ---------------------------------------------------------------------------------------

const TClass& TCustomPanel::StaticClass()
{
    return DefineClass<TCustomPanel, TCustomControl>("TCustomPanel", [](TPublisher<TCustomPanel>& p) {
        p.String("Caption", &TControl::Caption, &TControl::SetCaption);
        p.Enum("BevelInner", BevelCutType, &TCustomPanel::BevelInner, &TCustomPanel::SetBevelInner);
        p.Enum("BevelOuter", BevelCutType, &TCustomPanel::BevelOuter, &TCustomPanel::SetBevelOuter);
        p.Enum("Alignment", AlignmentType, &TCustomPanel::Alignment, &TCustomPanel::SetAlignment);
        p.Bool("ParentBackground", &TCustomPanel::ParentBackground, &TCustomPanel::SetParentBackground);
        p.Event<TNotifyEvent>("OnClick", &TControl::OnClick);
    });
}

const TClass& TPanel::StaticClass() { return DefineClass<TPanel, TCustomPanel>("TPanel"); }

TCustomPanel::TCustomPanel(TComponent* owner) : TCustomControl(owner)
{
    SetControlStyle(ControlStyle() | csAcceptsControls | csOpaque);
    SetBounds(0, 0, 185, 41);
}

void TCustomPanel::Changed()
{
    Realign();
    Invalidate();
}

void TCustomPanel::SetBevelInner(TBevelCut value)
{
    if (value == bevelInner_) return;
    bevelInner_ = value;
    Changed();
}

void TCustomPanel::SetBevelOuter(TBevelCut value)
{
    if (value == bevelOuter_) return;
    bevelOuter_ = value;
    Changed();
}

void TCustomPanel::SetAlignment(TAlignment value)
{
    if (value == alignment_) return;
    alignment_ = value;
    Invalidate();
}

void TCustomPanel::SetParentBackground(bool value)
{
    if (value == parentBackground_) return;
    parentBackground_ = value;
    Invalidate();
}

void TCustomPanel::AdjustClientRect(RECT& rect)
{
    const int inset = (bevelOuter_ != bvNone ? 1 : 0) + (bevelInner_ != bvNone ? 1 : 0);
    InflateRect(&rect, -inset, -inset);
}

void TCustomPanel::Paint()
{
    TCanvas& canvas = *Canvas();
    const TColor face = parentBackground_ && Parent() ? Parent()->Color() : Color();
    auto bevel = [&](RECT& r, TBevelCut cut) {
        if (cut == bvNone) return;
        const bool lowered = cut == bvLowered;
        Frame3D(canvas, r, lowered ? clBtnShadow : clBtnHighlight, lowered ? clBtnHighlight : clBtnShadow, 1);
    };
    RECT r = ClientRect();
    bevel(r, bevelOuter_);
    bevel(r, bevelInner_);
    FillWith(canvas, r, face);

    const AnsiString text = Caption();
    if (text.empty()) return;
    static const UINT align[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
    canvas.Font().Assign(*Font());
    canvas.Brush().SetStyle(bsClear);
    DrawTextA(canvas.Handle(), text.c_str(), static_cast<int>(text.size()), &r,
              DT_EXPANDTABS | DT_SINGLELINE | DT_VCENTER | align[alignment_]);
}

void TCustomPanel::WndProc(TMessage& message)
{
    TCustomControl::WndProc(message);
    if (message.Msg == CM_TEXTCHANGED || message.Msg == CM_FONTCHANGED || message.Msg == CM_COLORCHANGED) Invalidate();
}

// ---------------------------------------------------------------------------------------

const TClass& TImage::StaticClass()
{
    return DefineClass<TImage, TGraphicControl>("TImage", [](TPublisher<TImage>& p) {
        p.Owned("Picture", &TImage::Picture);
        p.Bool("Stretch", &TImage::Stretch, &TImage::SetStretch);
        p.Event<TNotifyEvent>("OnClick", &TControl::OnClick);
    });
}

TImage::TImage(TComponent* owner) : TGraphicControl(owner), picture_(std::make_unique<TPicture>())
{
    picture_->OnChange = [this](TObject*) { Invalidate(); };
    SetBounds(0, 0, 105, 105);
}

TImage::~TImage() = default;

void TImage::SetStretch(bool value)
{
    if (value == stretch_) return;
    stretch_ = value;
    Invalidate();
}

void TImage::Paint()
{
    TGraphic* graphic = picture_->Graphic();
    if (!graphic || graphic->Empty()) return;
    if (stretch_) Canvas()->StretchDraw(ClientRect(), *graphic);
    else Canvas()->Draw(0, 0, *graphic);
}

// ---------------------------------------------------------------------------------------

const TClass& TBevel::StaticClass()
{
    return DefineClass<TBevel, TGraphicControl>("TBevel", [](TPublisher<TBevel>& p) {
        p.Enum("Shape", BevelShapeType, &TBevel::Shape, &TBevel::SetShape);
        p.Enum("Style", BevelStyleType, &TBevel::Style, &TBevel::SetStyle);
    });
}

TBevel::TBevel(TComponent* owner) : TGraphicControl(owner) { SetBounds(0, 0, 50, 50); }

void TBevel::SetShape(TBevelShape value)
{
    if (value == shape_) return;
    shape_ = value;
    Invalidate();
}

void TBevel::SetStyle(TBevelStyle value)
{
    if (value == style_) return;
    style_ = value;
    Invalidate();
}

void TBevel::Paint()
{
    TCanvas& canvas = *Canvas();
    const int w = Width(), h = Height();
    const TColor dark = style_ == bsLowered ? clBtnShadow : clBtnHighlight;
    const TColor light = style_ == bsLowered ? clBtnHighlight : clBtnShadow;
    auto line = [&](TColor color, int left, int top, int right, int bottom) {
        FillWith(canvas, RECT{left, top, right, bottom}, color);
    };
    switch (shape_) {
    case bsBox: {
        RECT r{0, 0, w, h};
        Frame3D(canvas, r, dark, light, 1);
        break;
    }
    case bsFrame: {
        // Two boxes, the light one one pixel down and right under the dark one.
        RECT outer{1, 1, w, h};
        Frame3D(canvas, outer, light, light, 1);
        RECT inner{0, 0, w - 1, h - 1};
        Frame3D(canvas, inner, dark, dark, 1);
        break;
    }
    case bsTopLine:
        line(dark, 0, 0, w, 1);
        line(light, 0, 1, w, 2);
        break;
    case bsBottomLine:
        line(dark, 0, h - 2, w, h - 1);
        line(light, 0, h - 1, w, h);
        break;
    case bsLeftLine:
        line(dark, 0, 0, 1, h);
        line(light, 1, 0, 2, h);
        break;
    case bsRightLine:
        line(dark, w - 2, 0, w - 1, h);
        line(light, w - 1, 0, w, h);
        break;
    case bsSpacer: break;
    }
}

} // namespace cl
