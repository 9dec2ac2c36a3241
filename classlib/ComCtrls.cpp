#include "classlib/ComCtrls.h"

#include <commctrl.h>

#include <algorithm>

namespace cl {

const TEnumType StatusPanelStyleType{{"psText", "psOwnerDraw"}};
const TEnumType StatusPanelBevelType{{"pbNone", "pbLowered", "pbRaised"}};

namespace {

const bool registered = (TProgressBar::StaticClass(), TStatusBar::StaticClass(), true);

// The common-control window classes exist only once comctl32 registered them.
void InitCommonControls(DWORD classes)
{
    INITCOMMONCONTROLSEX icc{sizeof(icc), classes};
    InitCommonControlsEx(&icc); // a failure shows as the missing window class
}

} // namespace

// ---------------------------------------------------------------------------------------

const TClass& TProgressBar::StaticClass()
{
    return DefineClass<TProgressBar, TWinControl>("TProgressBar", [](TPublisher<TProgressBar>& p) {
        p.Int("Min", &TProgressBar::Min, &TProgressBar::SetMin);
        p.Int("Max", &TProgressBar::Max, &TProgressBar::SetMax);
        p.Int("Position", &TProgressBar::Position, &TProgressBar::SetPosition);
    });
}

TProgressBar::TProgressBar(TComponent* owner) : TWinControl(owner) { SetBounds(0, 0, 150, 16); }

void TProgressBar::CreateParams(TCreateParams& params)
{
    TWinControl::CreateParams(params);
    InitCommonControls(ICC_PROGRESS_CLASS);
    CreateSubClass(params, PROGRESS_CLASSA);
}

void TProgressBar::CreateWnd()
{
    TWinControl::CreateWnd();
    Perform(PBM_SETRANGE32, static_cast<WPARAM>(min_), static_cast<LPARAM>(max_));
    Perform(PBM_SETPOS, static_cast<WPARAM>(position_));
}

void TProgressBar::SetRange(int min, int max)
{
    if (max < min) throw EPropertyError("Progress bar range " + IntToStr(min) + ".." + IntToStr(max) + " is empty");
    min_ = min;
    max_ = max;
    position_ = std::clamp(position_, min_, max_);
    if (HandleAllocated()) {
        Perform(PBM_SETRANGE32, static_cast<WPARAM>(min_), static_cast<LPARAM>(max_));
        Perform(PBM_SETPOS, static_cast<WPARAM>(position_));
    }
}

void TProgressBar::SetPosition(int value)
{
    position_ = std::clamp(value, min_, max_);
    if (HandleAllocated()) Perform(PBM_SETPOS, static_cast<WPARAM>(position_));
}

// ---------------------------------------------------------------------------------------

const TClass& TStatusPanel::StaticClass()
{
    return DefineClass<TStatusPanel, TCollectionItem>("TStatusPanel", [](TPublisher<TStatusPanel>& p) {
        p.String("Text", &TStatusPanel::Text, &TStatusPanel::SetText);
        p.Int("Width", &TStatusPanel::Width, &TStatusPanel::SetWidth);
        p.Enum("Style", StatusPanelStyleType, &TStatusPanel::Style, &TStatusPanel::SetStyle);
        p.Enum("Bevel", StatusPanelBevelType, &TStatusPanel::Bevel, &TStatusPanel::SetBevel);
        p.Enum("Alignment", AlignmentType, &TStatusPanel::Alignment, &TStatusPanel::SetAlignment);
    });
}

void TStatusPanel::Assign(const TPersistent& source)
{
    auto* other = dynamic_cast<const TStatusPanel*>(&source);
    if (!other) return TCollectionItem::Assign(source);
    text_ = other->text_;
    width_ = other->width_;
    style_ = other->style_;
    bevel_ = other->bevel_;
    alignment_ = other->alignment_;
    Changed();
}

void TStatusPanel::Changed()
{
    if (auto* panels = static_cast<TStatusPanels*>(Collection())) panels->Update(this);
}

void TStatusPanel::SetText(const AnsiString& text)
{
    if (text == text_) return;
    text_ = text;
    Changed();
}

void TStatusPanel::SetWidth(int width)
{
    if (width == width_) return;
    width_ = width;
    Changed();
}

void TStatusPanel::SetStyle(TStatusPanelStyle style)
{
    if (style == style_) return;
    style_ = style;
    Changed();
}

void TStatusPanel::SetBevel(TStatusPanelBevel bevel)
{
    if (bevel == bevel_) return;
    bevel_ = bevel;
    Changed();
}

void TStatusPanel::SetAlignment(TAlignment alignment)
{
    if (alignment == alignment_) return;
    alignment_ = alignment;
    Changed();
}

const TClass& TStatusPanels::StaticClass() { return DefineClass<TStatusPanels, TCollection>("TStatusPanels"); }

void TStatusPanels::Update(TCollectionItem*) { bar_.UpdatePanels(); }

// ---------------------------------------------------------------------------------------

// A canvas that, when nobody bound a DC to it, takes the bar window's own DC; the bar lets
// that DC go after each message.
class TStatusBar::TBarCanvas : public TCanvas {
public:
    explicit TBarCanvas(TStatusBar& bar) : bar_(bar) {}
    ~TBarCanvas() override { FreeHandle(); }

    void FreeHandle()
    {
        if (!own_) return;
        if (HandleAllocated() && Handle() == own_) SetHandle(nullptr);
        ReleaseDC(window_, own_);
        own_ = nullptr;
    }

protected:
    void CreateHandle() override
    {
        FreeHandle(); // one bound and unbound by someone else meanwhile
        window_ = bar_.Handle();
        own_ = GetDC(window_);
        if (!own_) throw EInvalidGraphicOperation("No device context for the status bar");
        SetHandle(own_);
    }

private:
    TStatusBar& bar_;
    HWND window_ = nullptr;
    HDC own_ = nullptr;
};

const TClass& TStatusBar::StaticClass()
{
    return DefineClass<TStatusBar, TWinControl>("TStatusBar", [](TPublisher<TStatusBar>& p) {
        p.Owned("Panels", &TStatusBar::Panels);
        p.Bool("SimplePanel", &TStatusBar::SimplePanel, &TStatusBar::SetSimplePanel);
        p.String("SimpleText", &TStatusBar::SimpleText, &TStatusBar::SetSimpleText);
        p.Bool("SizeGrip", &TStatusBar::SizeGrip, &TStatusBar::SetSizeGrip);
        p.Event("OnDrawPanel", &TStatusBar::OnDrawPanel);
        p.Event<TNotifyEvent>("OnClick", &TControl::OnClick);
    });
}

TStatusBar::TStatusBar(TComponent* owner)
    : TWinControl(owner), panels_(std::make_unique<TStatusPanels>(*this)), canvas_(std::make_unique<TBarCanvas>(*this))
{
    SetControlStyle(ControlStyle() | csOpaque);
    SetBounds(0, 0, 100, 19);
    SetAlign(alBottom);
}

TStatusBar::~TStatusBar()
{
    canvas_->FreeHandle();
    DestroyHandle();
}

TCanvas* TStatusBar::Canvas() const { return canvas_.get(); }

void TStatusBar::CreateParams(TCreateParams& params)
{
    TWinControl::CreateParams(params);
    InitCommonControls(ICC_BAR_CLASSES);
    CreateSubClass(params, STATUSCLASSNAMEA);
    // The class library places and sizes the bar (Align), not the control itself.
    params.Style |= CCS_NOPARENTALIGN | CCS_NORESIZE;
    if (sizeGrip_) params.Style |= SBARS_SIZEGRIP;
}

void TStatusBar::CreateWnd()
{
    TWinControl::CreateWnd();
    UpdatePanels();
}

void TStatusBar::SetSimplePanel(bool value)
{
    if (value == simplePanel_) return;
    simplePanel_ = value;
    UpdatePanels();
}

void TStatusBar::SetSimpleText(const AnsiString& text)
{
    if (text == simpleText_) return;
    simpleText_ = text;
    UpdatePanels();
}

void TStatusBar::SetSizeGrip(bool value)
{
    if (value == sizeGrip_) return;
    sizeGrip_ = value;
    RecreateWnd();
}

void TStatusBar::UpdatePanels()
{
    if (!HandleAllocated()) return;
    const int count = panels_->Count();
    const bool simple = simplePanel_ || count == 0;
    Perform(SB_SIMPLE, simple);
    if (simple) {
        Perform(SB_SETTEXTA, SB_SIMPLEID, reinterpret_cast<LPARAM>(simpleText_.c_str()));
        return;
    }
    // Right edges; the last panel takes the rest of the bar.
    std::vector<int> edges(static_cast<size_t>(count));
    int edge = 0;
    for (int i = 0; i < count; ++i) {
        edge += (*panels_)[i]->Width();
        edges[static_cast<size_t>(i)] = edge;
    }
    edges.back() = -1;
    Perform(SB_SETPARTS, static_cast<WPARAM>(count), reinterpret_cast<LPARAM>(edges.data()));
    for (int i = 0; i < count; ++i) {
        TStatusPanel* panel = (*panels_)[i];
        WPARAM how = static_cast<WPARAM>(i);
        if (panel->Bevel() == pbNone) how |= SBT_NOBORDERS;
        if (panel->Bevel() == pbRaised) how |= SBT_POPOUT;
        if (panel->Style() == psOwnerDraw) {
            Perform(SB_SETTEXTA, how | SBT_OWNERDRAW, static_cast<LPARAM>(i));
            continue;
        }
        // A tab centres the text after it, two right-align it.
        static const char* const prefix[] = {"", "\t\t", "\t"};
        const AnsiString text = prefix[panel->Alignment()] + panel->Text();
        Perform(SB_SETTEXTA, how, reinterpret_cast<LPARAM>(text.c_str()));
    }
}

void TStatusBar::DrawPanel(const DRAWITEMSTRUCT& item)
{
    const int index = static_cast<int>(item.itemID);
    if (index < 0 || index >= panels_->Count()) return;
    canvas_->FreeHandle();
    canvas_->SetHandle(item.hDC);
    canvas_->Font().Assign(*Font());
    canvas_->Brush().SetColor(Color());
    canvas_->Brush().SetStyle(bsSolid);
    try {
        if (OnDrawPanel) {
            OnDrawPanel(this, (*panels_)[index], item.rcItem);
        } else {
            canvas_->FillRect(item.rcItem);
        }
    } catch (...) {
        canvas_->SetHandle(nullptr);
        throw;
    }
    canvas_->SetHandle(nullptr);
}

void TStatusBar::WndProc(TMessage& message)
{
    if (message.Msg == CN_DRAWITEM) {
        DrawPanel(*reinterpret_cast<const DRAWITEMSTRUCT*>(message.LParam));
        message.Result = TRUE;
        return;
    }
    try {
        TWinControl::WndProc(message);
    } catch (...) {
        canvas_->FreeHandle();
        throw;
    }
    // The window DC a handler took through Canvas goes back after the message.
    canvas_->FreeHandle();
}

} // namespace cl
