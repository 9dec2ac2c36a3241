#include "classlib/StdCtrls.h"

namespace cl {

const TEnumType AlignmentType{{"taLeftJustify", "taRightJustify", "taCenter"}};
const TEnumType BorderStyleType{{"bsNone", "bsSingle"}};

namespace {

const bool registered = (TButton::StaticClass(), TGroupBox::StaticClass(), TEdit::StaticClass(),
                         TLabel::StaticClass(), true);

bool ModalResultIdent(std::string_view ident, std::int64_t& value)
{
    static const struct { const char* name; TModalResult value; } names[] = {
        {"mrNone", mrNone}, {"mrOk", mrOk}, {"mrCancel", mrCancel}, {"mrAbort", mrAbort},
        {"mrRetry", mrRetry}, {"mrIgnore", mrIgnore}, {"mrYes", mrYes}, {"mrNo", mrNo},
    };
    for (const auto& n : names)
        if (SameText(ident, n.name)) {
            value = n.value;
            return true;
        }
    return false;
}

// Height of a line of text in font, as a caption takes it.
int LineHeight(HFONT font)
{
    WindowDc screen(nullptr);
    SelectGuard select(screen.get(), font);
    SIZE size{};
    GetTextExtentPoint32A(screen.get(), "0", 1, &size);
    return size.cy;
}

bool NoShiftKeys(LPARAM keyData)
{
    const bool alt = (keyData & (1 << 29)) != 0;
    return !alt && GetKeyState(VK_SHIFT) >= 0 && GetKeyState(VK_CONTROL) >= 0;
}

} // namespace

// ---------------------------------------------------------------------------------------

const TClass& TButton::StaticClass()
{
    return DefineClass<TButton, TWinControl>("TButton", [](TPublisher<TButton>& p) {
        p.String("Caption", &TControl::Caption, &TControl::SetCaption);
        p.Bool("Default", &TButton::Default, &TButton::SetDefault);
        p.Bool("Cancel", &TButton::Cancel, &TButton::SetCancel);
        p.Int("ModalResult", &TButton::ModalResult, &TButton::SetModalResult).Idents(ModalResultIdent);
        p.Event<TNotifyEvent>("OnClick", &TControl::OnClick);
    });
}

TButton::TButton(TComponent* owner) : TWinControl(owner)
{
    // The platform button captures the mouse and reports its own clicks (BN_CLICKED).
    SetControlStyle(csDoubleClicks);
    SetTabStop(true);
    SetBounds(0, 0, 75, 25);
}

void TButton::CreateParams(TCreateParams& params)
{
    TWinControl::CreateParams(params);
    CreateSubClass(params, "BUTTON");
    params.Style |= active_ ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
}

void TButton::SetDefault(bool value)
{
    if (value == default_) return;
    default_ = value;
    // A focused button stays the active one; otherwise the default button is.
    auto* focused = dynamic_cast<TButton*>(HandleAllocated() ? FindControl(GetFocus()) : nullptr);
    if (!focused) SetActive(value);
}

void TButton::SetActive(bool active)
{
    if (active == active_) return;
    active_ = active;
    if (HandleAllocated()) Perform(BM_SETSTYLE, active ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

void TButton::Click()
{
    if (modalResult_ != mrNone)
        if (TCustomForm* form = GetParentForm(this)) form->SetModalResult(modalResult_);
    TWinControl::Click();
}

void TButton::WndProc(TMessage& message)
{
    switch (message.Msg) {
    case CN_COMMAND:
        if (HIWORD(message.WParam) == BN_CLICKED) Click();
        return;
    case CM_DIALOGKEY: {
        const auto key = static_cast<UINT>(message.WParam);
        // Enter belongs to the focused button, else to the default one; asked now rather
        // than remembered, so a focus change nobody announced cannot misdirect it.
        bool mine = key == VK_ESCAPE && cancel_;
        if (key == VK_RETURN) {
            auto* focused = dynamic_cast<TButton*>(FindControl(GetFocus()));
            mine = focused ? focused == this : default_;
        }
        if (mine && NoShiftKeys(message.LParam) && CanFocus()) {
            Click();
            message.Result = 1;
            return;
        }
        break;
    }
    case CM_FOCUSCHANGED: {
        auto* focused = dynamic_cast<TButton*>(reinterpret_cast<TWinControl*>(message.LParam));
        SetActive(focused ? focused == this : default_);
        break;
    }
    default: break;
    }
    TWinControl::WndProc(message);
}

// ---------------------------------------------------------------------------------------

const TClass& TCustomGroupBox::StaticClass()
{
    return DefineClass<TCustomGroupBox, TCustomControl>("TCustomGroupBox", [](TPublisher<TCustomGroupBox>& p) {
        p.String("Caption", &TControl::Caption, &TControl::SetCaption);
        p.Bool("ParentBackground", &TCustomGroupBox::ParentBackground, &TCustomGroupBox::SetParentBackground);
    });
}

const TClass& TGroupBox::StaticClass() { return DefineClass<TGroupBox, TCustomGroupBox>("TGroupBox"); }

TCustomGroupBox::TCustomGroupBox(TComponent* owner) : TCustomControl(owner)
{
    SetControlStyle(ControlStyle() | csAcceptsControls);
    SetBounds(0, 0, 185, 105);
}

void TCustomGroupBox::SetParentBackground(bool value)
{
    if (value == parentBackground_) return;
    parentBackground_ = value;
    Invalidate();
}

int TCustomGroupBox::CaptionHeight() { return LineHeight(Font()->Handle()); }

void TCustomGroupBox::AdjustClientRect(RECT& rect)
{
    rect.top += CaptionHeight();
    InflateRect(&rect, -2, -2);
}

void TCustomGroupBox::Paint()
{
    TCanvas& canvas = *Canvas();
    canvas.Font().Assign(*Font());
    const TColor back = parentBackground_ && Parent() ? Parent()->Color() : Color();
    canvas.Brush().SetColor(back);
    canvas.Brush().SetStyle(bsSolid);
    RECT client = ClientRect();
    canvas.FillRect(client);

    const int h = canvas.TextHeight("0");
    RECT frame{0, h / 2 - 1, client.right, client.bottom};
    DrawEdge(canvas.Handle(), &frame, EDGE_ETCHED, BF_RECT);

    const AnsiString text = Caption();
    if (text.empty()) return;
    RECT r{8, 0, 0, h};
    DrawTextA(canvas.Handle(), text.c_str(), static_cast<int>(text.size()), &r, DT_LEFT | DT_SINGLELINE | DT_CALCRECT);
    canvas.Brush().SetColor(back);
    SetBkMode(canvas.Handle(), OPAQUE);
    SetBkColor(canvas.Handle(), static_cast<COLORREF>(ColorToRGB(back)));
    DrawTextA(canvas.Handle(), text.c_str(), static_cast<int>(text.size()), &r, DT_LEFT | DT_SINGLELINE);
}

void TCustomGroupBox::WndProc(TMessage& message)
{
    if (message.Msg == CM_TEXTCHANGED || message.Msg == CM_FONTCHANGED) {
        TCustomControl::WndProc(message);
        Invalidate();
        Realign(); // the caption's height takes room from the children
        return;
    }
    TCustomControl::WndProc(message);
}

// ---------------------------------------------------------------------------------------

const TClass& TCustomEdit::StaticClass()
{
    return DefineClass<TCustomEdit, TWinControl>("TCustomEdit", [](TPublisher<TCustomEdit>& p) {
        p.String("Text", &TControl::Text, &TControl::SetText);
        p.Enum("BorderStyle", BorderStyleType, &TCustomEdit::BorderStyle, &TCustomEdit::SetBorderStyle);
        // One character, or empty for none.
        p.String(
            "PasswordChar",
            [](const TCustomEdit& e) { return e.passwordChar_ ? AnsiString(1, e.passwordChar_) : AnsiString(); },
            [](TCustomEdit& e, const AnsiString& s) {
                if (s.size() > 1) throw EPropertyError("PasswordChar takes one character, not \"" + s + "\"");
                e.SetPasswordChar(s.empty() ? '\0' : s[0]);
            });
        p.Bool("ReadOnly", &TCustomEdit::ReadOnly, &TCustomEdit::SetReadOnly);
    });
}

const TClass& TEdit::StaticClass() { return DefineClass<TEdit, TCustomEdit>("TEdit"); }

TCustomEdit::TCustomEdit(TComponent* owner) : TWinControl(owner)
{
    // The platform edit captures the mouse itself.
    SetControlStyle(ControlStyle() & ~csCaptureMouse);
    SetTabStop(true);
    SetColor(clWindow);
    SetBounds(0, 0, 121, 21);
}

void TCustomEdit::CreateParams(TCreateParams& params)
{
    TWinControl::CreateParams(params);
    CreateSubClass(params, "EDIT");
    params.Style |= ES_AUTOHSCROLL | ES_LEFT;
    if (passwordChar_) params.Style |= ES_PASSWORD;
    if (readOnly_) params.Style |= ES_READONLY;
    if (borderStyle_ == bsSingle) params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TCustomEdit::CreateWnd()
{
    TWinControl::CreateWnd();
    if (passwordChar_) Perform(EM_SETPASSWORDCHAR, static_cast<unsigned char>(passwordChar_));
}

void TCustomEdit::SetBorderStyle(TBorderStyle style)
{
    if (style != bsNone && style != bsSingle) throw EPropertyError("An edit's border is bsNone or bsSingle");
    if (style == borderStyle_) return;
    borderStyle_ = style;
    RecreateWnd();
}

void TCustomEdit::SetPasswordChar(char c)
{
    if (c == passwordChar_) return;
    passwordChar_ = c;
    if (HandleAllocated()) {
        Perform(EM_SETPASSWORDCHAR, static_cast<unsigned char>(c));
        Invalidate();
    }
}

void TCustomEdit::SetReadOnly(bool value)
{
    if (value == readOnly_) return;
    readOnly_ = value;
    if (HandleAllocated()) Perform(EM_SETREADONLY, value);
}

// ---------------------------------------------------------------------------------------

const TClass& TCustomLabel::StaticClass()
{
    return DefineClass<TCustomLabel, TGraphicControl>("TCustomLabel", [](TPublisher<TCustomLabel>& p) {
        p.String("Caption", &TControl::Caption, &TControl::SetCaption);
        p.Bool("AutoSize", &TCustomLabel::AutoSize, &TCustomLabel::SetAutoSize);
        p.Bool("WordWrap", &TCustomLabel::WordWrap, &TCustomLabel::SetWordWrap);
        p.Bool("Transparent", &TCustomLabel::Transparent, &TCustomLabel::SetTransparent);
        p.Enum("Alignment", AlignmentType, &TCustomLabel::Alignment, &TCustomLabel::SetAlignment);
        p.Bool("ParentColor", &TCustomLabel::ParentColor, &TCustomLabel::SetParentColor);
        p.Event<TNotifyEvent>("OnClick", &TControl::OnClick);
    });
}

const TClass& TLabel::StaticClass() { return DefineClass<TLabel, TCustomLabel>("TLabel"); }

TCustomLabel::TCustomLabel(TComponent* owner) : TGraphicControl(owner)
{
    SetControlStyle(ControlStyle() | csOpaque);
    SetBounds(0, 0, 65, 17);
}

void TCustomLabel::SetAutoSize(bool value)
{
    if (value == autoSize_) return;
    autoSize_ = value;
    AdjustBounds();
}

void TCustomLabel::SetWordWrap(bool value)
{
    if (value == wordWrap_) return;
    wordWrap_ = value;
    AdjustBounds();
    Invalidate();
}

void TCustomLabel::SetTransparent(bool value)
{
    if (value == transparent_) return;
    transparent_ = value;
    SetControlStyle(value ? ControlStyle() & ~csOpaque : ControlStyle() | csOpaque);
    Invalidate();
}

void TCustomLabel::SetAlignment(TAlignment value)
{
    if (value == alignment_) return;
    alignment_ = value;
    Invalidate();
}

void TCustomLabel::SetParentColor(bool value)
{
    if (value == parentColor_) return;
    parentColor_ = value;
    Invalidate();
}

void TCustomLabel::Loaded()
{
    TGraphicControl::Loaded();
    AdjustBounds();
}

UINT TCustomLabel::TextFlags() const
{
    static const UINT align[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
    return DT_EXPANDTABS | (wordWrap_ ? DT_WORDBREAK : 0) | align[alignment_];
}

void TCustomLabel::AdjustBounds()
{
    if (!autoSize_ || HasState(csLoading)) return;
    AnsiString text = Caption();
    if (text.empty()) text = " "; // an empty label keeps the height of a line
    WindowDc screen(nullptr);
    SelectGuard select(screen.get(), Font()->Handle());
    RECT r{0, 0, wordWrap_ ? Width() : 0, 0};
    DrawTextA(screen.get(), text.c_str(), static_cast<int>(text.size()), &r,
              DT_CALCRECT | DT_EXPANDTABS | (wordWrap_ ? DT_WORDBREAK : 0));
    if (wordWrap_) {
        SetBounds(Left(), Top(), Width(), r.bottom);
        return;
    }
    const int left = alignment_ == taRightJustify ? Left() + Width() - r.right : Left();
    SetBounds(left, Top(), r.right, r.bottom);
}

void TCustomLabel::TextChanged()
{
    TGraphicControl::TextChanged();
    AdjustBounds();
    Invalidate();
}

void TCustomLabel::WndProc(TMessage& message)
{
    TGraphicControl::WndProc(message);
    if (message.Msg == CM_FONTCHANGED) {
        AdjustBounds();
        Invalidate();
    } else if (message.Msg == CM_COLORCHANGED) {
        parentColor_ = false;
        Invalidate();
    }
}

void TCustomLabel::Paint()
{
    TCanvas& canvas = *Canvas();
    RECT r = ClientRect();
    if (!transparent_) {
        canvas.Brush().SetColor(parentColor_ && Parent() ? Parent()->Color() : Color());
        canvas.Brush().SetStyle(bsSolid);
        canvas.FillRect(r);
    }
    canvas.Brush().SetStyle(bsClear);
    canvas.Font().Assign(*Font());
    const AnsiString text = Caption();
    auto draw = [&](RECT box) {
        DrawTextA(canvas.Handle(), text.c_str(), static_cast<int>(text.size()), &box, TextFlags());
    };
    if (Enabled()) {
        draw(r);
        return;
    }
    // Disabled: engraved, a highlight one pixel down and right under the shadow.
    canvas.Font().SetColor(clBtnHighlight);
    draw(RECT{r.left + 1, r.top + 1, r.right + 1, r.bottom + 1});
    canvas.Font().SetColor(clBtnShadow);
    draw(r);
}

} // namespace cl
