// The date-time picker skin: a flat frame around the picker and a button of our own,
// drawn from the skin's combo arrow, laid over the picker's drop-down button.
#pragma once

#include "skin/engine/SkinControl.h"

namespace skin {

class TSkinDateTime;

// Sits over the picker's own button; a click on it is handed to the picker as a click on
// its button, which opens the calendar.
class TArrowButton : public cl::TCustomControl {
    CL_CLASS(TArrowButton)
public:
    explicit TArrowButton(cl::TComponent* owner);
    ~TArrowButton() override;

    void Bind(TSkinDateTime* skin, cl::TWinControl* picker);
    // Follows the picker's width (rect: the picker at the origin).
    void Reposition(const RECT& rect);

    int ArrowSize = 0;
    cl::TWinControl* Picker = nullptr;
    HWND PickerWindow = nullptr;
    TSkinDateTime* Skin = nullptr;
    unsigned MouseState = 0; // bit 0 hot

protected:
    void Paint() override;
    void WndProc(cl::TMessage& m) override;

private:
    bool LeftButton() const;
};

class TSkinDateTime : public TSkinControl {
    CL_CLASS(TSkinDateTime)
public:
    using TSkinControl::TSkinControl;
    ~TSkinDateTime() override;

    void InitControl(TSkinnedForm* form, TSkinData* data, bool colourControl, cl::TCanvas* canvas) override;
    void AfterProc(cl::TMessage& m) override;
    void Paint(HDC dc, const RECT& rect) override;
    void Notification(cl::TComponent& component, cl::TOperation operation) override;

    TArrowButton* Arrow() const { return arrow_; }

private:
    TArrowButton* arrow_ = nullptr; // owned by this skin; parented on the picker
};

} // namespace skin
