// Combo box skins: the combo's frame and drop-down button drawn from the skin, the edit
// inside it followed for the pressed state, and the vertical scroll bar of its drop-down
// list painted into the list's frame with a thumb drag of its own.
#pragma once

#include "skin/engine/SkinControl.h"

#include <memory>

namespace skin {

class TComboxScrollBar;
class TSkinScrollbarH;

// GetComboBoxInfo of user32 when present (size field set here), else false.
bool SkinGetComboBoxInfo(HWND combo, COMBOBOXINFO& info);

// The one-pixel "ButtonShadow" frame with a white one inside it, around rect; nothing when
// the window has no border (its client area is as wide or as high as rect).
void DrawFlatFrame(const TSkinControl& companion, HDC dc, const RECT& rect);

class TSkinComBox : public TSkinControl {
    CL_CLASS(TSkinComBox)
public:
    explicit TSkinComBox(cl::TComponent* owner);
    ~TSkinComBox() override;

    void InitControl(TSkinnedForm* form, TSkinData* data, bool colourControl, cl::TCanvas* canvas) override;
    void InitHwnd(HWND window, TSkinData* data, TSkinnedForm* form, cl::TCanvas* canvas) override;
    void Unsubclass() override;
    void AfterProc(cl::TMessage& m) override;
    void Paint(HDC dc, const RECT& rect) override;
    void Notification(cl::TComponent& component, cl::TOperation operation) override;

    bool Extended = false; // the inner combo of an extended combo: flat frame and arrow only
    RECT ButtonRect{};     // hit area of the drop-down button, client coordinates
    DWORD Style = 0, ExStyle = 0;
    HWND ListWindow = nullptr, EditWindow = nullptr;
    COMBOBOXINFO Info{};
    TComboxScrollBar* ListBar() const { return listBar_; }
    TSkinScrollbarH* ListBars() const { return listBars_; }

private:
    void SubclassEdit();
    void EditProc(cl::TMessage& m);
    // Pressed follows the left button, repainting; false for any other message.
    bool TrackPress(UINT msg);
    void PaintStyle1(HDC dc, const RECT& r, bool focused, bool enabled);
    void ReadStyles();

    std::unique_ptr<cl::TWindowSubclass> edit_;
    TComboxScrollBar* listBar_ = nullptr; // owned by this skin's owner
    TSkinScrollbarH* listBars_ = nullptr; // a simple combo's list; freed here or by the skinned window
};

// The vertical bar of a combo box's drop-down list: painted straight into the list's
// non-client area; a press on the thumb is tracked here and reported as WM_VSCROLL.
class TComboxScrollBar : public TSkinControl {
    CL_CLASS(TComboxScrollBar)
public:
    explicit TComboxScrollBar(cl::TComponent* owner);
    ~TComboxScrollBar() override;
    bool BeforeProc(cl::TMessage& m) override;
    void AfterProc(cl::TMessage& m) override;
    void Paint(HDC dc, const RECT& rect) override;

    // Tracks the thumb after a press at the screen point of lParam; false when the press
    // is not on the thumb (the list then handles it). idleMs ends the drag when no
    // message comes for that long.
    bool TrackThumb(LPARAM lParam, DWORD idleMs);

    int ArrowSize = 0;

private:
    bool tracking_ = false;
    bool trackLost_ = false; // capture went elsewhere or the mode was cancelled
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true); // false once freed
};

} // namespace skin
