// Shared pieces of the standard-control tests: a dialog form read from a form resource,
// a watchdog for modal loops, and pixels of what a control paints.
#pragma once

#include "classlib/ComCtrls.h"
#include "classlib/ExtCtrlsPanels.h"
#include "classlib/Forms.h"

#include <string>
#include <vector>

namespace fixture {

// The password dialog's layout: a word-wrapping label, a bottom panel with two labels,
// two edits and the OK and Cancel buttons.
class TLoginForm : public cl::TForm {
    CL_CLASS(TLoginForm)
public:
    explicit TLoginForm(cl::TComponent* owner);
    cl::TLabel* Label1 = nullptr;
    cl::TPanel* BottomPanel = nullptr;
    cl::TEdit* UsernameEdit = nullptr;
    cl::TEdit* PasswordEdit = nullptr;
    cl::TButton* OKBtn = nullptr;
    cl::TButton* CancelBtn = nullptr;
    std::vector<std::string> clicks;
    void OKBtnClick(cl::TObject*) { clicks.push_back("ok"); }
    void CancelBtnClick(cl::TObject*) { clicks.push_back("cancel"); }
};

// Ends a modal loop that a test failed to end: after timeout it sets the form's
// ModalResult to kTimedOut.
class ModalWatchdog {
public:
    static constexpr cl::TModalResult kTimedOut = 99;
    ModalWatchdog(cl::TCustomForm& form, UINT timeout = 5000);
    ~ModalWatchdog();

private:
    static void CALLBACK Fire(HWND, UINT, UINT_PTR, DWORD);
    static inline cl::TCustomForm* form_ = nullptr;
    UINT_PTR timer_;
};

// What control paints, on a 24-bit bitmap of its parent's client size: windowed controls
// paint themselves at the origin, windowless ones through their parent's PaintControls, over the parent's Color.
class Painted {
public:
    explicit Painted(cl::TControl& control);
    COLORREF At(int x, int y) const;

private:
    cl::TBitmap bitmap_;
};

// A colour as the screen shows it.
COLORREF Rgb(cl::TColor color);

} // namespace fixture
