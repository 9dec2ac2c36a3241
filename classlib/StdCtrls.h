// Standard controls: push buttons (default, cancel, modal result), group boxes, single-line
// edits, and windowless labels.
#pragma once

#include "classlib/Controls.h"
#include "classlib/Forms.h"

namespace cl {

enum TAlignment { taLeftJustify, taRightJustify, taCenter };
extern const TEnumType AlignmentType;

// The border of a control: bsNone or bsSingle of the form border styles.
using TBorderStyle = TFormBorderStyle;
extern const TEnumType BorderStyleType;

class TButton : public TWinControl {
    CL_CLASS(TButton)
public:
    explicit TButton(TComponent* owner);

    // Enter clicks the default button unless another button has the focus.
    bool Default() const { return default_; }
    void SetDefault(bool value);
    // Escape clicks the cancel button.
    bool Cancel() const { return cancel_; }
    void SetCancel(bool value) { cancel_ = value; }
    // A click hands this to the parent form's ModalResult, which ends its ShowModal.
    TModalResult ModalResult() const { return modalResult_; }
    void SetModalResult(TModalResult result) { modalResult_ = result; }

    void Click() override;

protected:
    void CreateParams(TCreateParams& params) override;
    void WndProc(TMessage& message) override;

private:
    void SetActive(bool active);

    bool default_ = false;
    bool cancel_ = false;
    bool active_ = false; // drawn as the default button now
    TModalResult modalResult_ = mrNone;
};

class TCustomGroupBox : public TCustomControl {
    CL_CLASS(TCustomGroupBox)
public:
    explicit TCustomGroupBox(TComponent* owner);
    bool ParentBackground() const { return parentBackground_; }
    void SetParentBackground(bool value);

protected:
    void AdjustClientRect(RECT& rect) override;
    void Paint() override;
    void WndProc(TMessage& message) override;

private:
    int CaptionHeight();
    bool parentBackground_ = false;
};

class TGroupBox : public TCustomGroupBox {
    CL_CLASS(TGroupBox)
public:
    using TCustomGroupBox::TCustomGroupBox;
};

class TCustomEdit : public TWinControl {
    CL_CLASS(TCustomEdit)
public:
    explicit TCustomEdit(TComponent* owner);

    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle style);
    // Shown in place of every character when not 0.
    char PasswordChar() const { return passwordChar_; }
    void SetPasswordChar(char c);
    // The text can be selected and copied, not changed.
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value);

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;

private:
    TBorderStyle borderStyle_ = bsSingle;
    char passwordChar_ = 0;
    bool readOnly_ = false;
};

class TEdit : public TCustomEdit {
    CL_CLASS(TEdit)
public:
    using TCustomEdit::TCustomEdit;
};

class TCustomLabel : public TGraphicControl {
    CL_CLASS(TCustomLabel)
public:
    explicit TCustomLabel(TComponent* owner);

    // Fits the bounds to the caption: the height to the wrapped lines with WordWrap,
    // else both (a right-aligned label keeps its right edge).
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool value);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool value);
    // Leaves the background to the parent instead of filling it with Color.
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool value);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value);
    // Fills with the parent's Color (so a label follows a panel recoloured under it);
    // setting Color switches it off.
    bool ParentColor() const { return parentColor_; }
    void SetParentColor(bool value);

    void Loaded() override;

protected:
    void Paint() override;
    void TextChanged() override;
    void WndProc(TMessage& message) override;

private:
    void AdjustBounds();
    UINT TextFlags() const;

    bool autoSize_ = true;
    bool wordWrap_ = false;
    bool transparent_ = false;
    bool parentColor_ = true;
    TAlignment alignment_ = taLeftJustify;
};

class TLabel : public TCustomLabel {
    CL_CLASS(TLabel)
public:
    using TCustomLabel::TCustomLabel;
};

} // namespace cl
