// Common controls: the progress bar and the status bar with its panels (text or drawn by
// the program on the bar's canvas).
#pragma once

#include "classlib/StdCtrls.h"

namespace cl {

class TProgressBar : public TWinControl {
    CL_CLASS(TProgressBar)
public:
    explicit TProgressBar(TComponent* owner);

    int Min() const { return min_; }
    void SetMin(int value) { SetRange(value, max_); }
    int Max() const { return max_; }
    void SetMax(int value) { SetRange(min_, value); }
    // Kept within Min..Max.
    int Position() const { return position_; }
    void SetPosition(int value);

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;

private:
    void SetRange(int min, int max);
    int min_ = 0, max_ = 100, position_ = 0;
};

class TStatusBar;

enum TStatusPanelStyle { psText, psOwnerDraw };
extern const TEnumType StatusPanelStyleType;
enum TStatusPanelBevel { pbNone, pbLowered, pbRaised };
extern const TEnumType StatusPanelBevelType;

class TStatusPanel : public TCollectionItem {
    CL_CLASS(TStatusPanel)
public:
    using TCollectionItem::TCollectionItem;
    void Assign(const TPersistent& source) override;

    const AnsiString& Text() const { return text_; }
    void SetText(const AnsiString& text);
    int Width() const { return width_; }
    void SetWidth(int width);
    TStatusPanelStyle Style() const { return style_; }
    void SetStyle(TStatusPanelStyle style);
    TStatusPanelBevel Bevel() const { return bevel_; }
    void SetBevel(TStatusPanelBevel bevel);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment alignment);

private:
    void Changed();
    AnsiString text_;
    int width_ = 50;
    TStatusPanelStyle style_ = psText;
    TStatusPanelBevel bevel_ = pbLowered;
    TAlignment alignment_ = taLeftJustify;
};

class TStatusPanels : public TOwnedCollection<TStatusPanel> {
    CL_CLASS(TStatusPanels)
public:
    explicit TStatusPanels(TStatusBar& bar) : bar_(bar) {}

protected:
    void Update(TCollectionItem* item) override;

private:
    friend class TStatusPanel;
    TStatusBar& bar_;
};

using TDrawPanelEvent = std::function<void(TStatusBar* statusBar, TStatusPanel* panel, const RECT& rect)>;

class TStatusBar : public TWinControl {
    CL_CLASS(TStatusBar)
public:
    explicit TStatusBar(TComponent* owner);
    ~TStatusBar() override;

    TStatusPanels* Panels() const { return panels_.get(); }
    // One text over the whole bar instead of the panels.
    bool SimplePanel() const { return simplePanel_; }
    void SetSimplePanel(bool value);
    const AnsiString& SimpleText() const { return simpleText_; }
    void SetSimpleText(const AnsiString& text);
    bool SizeGrip() const { return sizeGrip_; }
    void SetSizeGrip(bool value);

    // Bound to the DC of an owner-drawn panel, with the bar's Font and a brush of its
    // Color, while OnDrawPanel runs; at other times it draws on the bar's window (its clip
    // rectangle is then the client area).
    TCanvas* Canvas() const;

    // Owner-drawn panels; rect is the panel's inside.
    TDrawPanelEvent OnDrawPanel;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void WndProc(TMessage& message) override;

private:
    friend class TStatusPanels;
    class TBarCanvas;
    void UpdatePanels();
    void DrawPanel(const DRAWITEMSTRUCT& item);

    std::unique_ptr<TStatusPanels> panels_;
    std::unique_ptr<TBarCanvas> canvas_;
    bool simplePanel_ = false;
    bool sizeGrip_ = true;
    AnsiString simpleText_;
};

// Class tests ask for a TCustomStatusBar; this library has the one status-bar class.
using TCustomStatusBar = TStatusBar;

} // namespace cl
