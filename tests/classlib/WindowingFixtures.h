// Controls and forms for the windowing tests: plain boxes that paint themselves, a
// windowless mark, a superclassed system button and a form read from a form resource.
#pragma once

#include "classlib/Forms.h"

#include <string>
#include <vector>

namespace fixture {

// A windowed control that fills itself with its Color and keeps a log of messages.
class TBox : public cl::TCustomControl {
    CL_CLASS(TBox)
public:
    explicit TBox(cl::TComponent* owner);
    std::vector<UINT> seen;
    LRESULT keyAnswer = 0; // what it answers to the key notifications

protected:
    void Paint() override;
    void WndProc(cl::TMessage& message) override;
};

// A windowless control that fills itself with its Color.
class TMark : public cl::TGraphicControl {
    CL_CLASS(TMark)
public:
    using TGraphicControl::TGraphicControl;
    std::vector<UINT> seen;

protected:
    void Paint() override;
    void WndProc(cl::TMessage& message) override;
};

// The system's push button under the class name "TPushButton".
class TPushButton : public cl::TWinControl {
    CL_CLASS(TPushButton)
public:
    explicit TPushButton(cl::TComponent* owner);

protected:
    void CreateParams(cl::TCreateParams& params) override;
};

// Loaded from the RCDATA resource "TALIGNFORM".
class TAlignForm : public cl::TForm {
    CL_CLASS(TAlignForm)
public:
    using TForm::TForm;
    TBox* Top = nullptr;
    TBox* Bottom = nullptr;
    TBox* Left = nullptr;
    TBox* Right = nullptr;
    TBox* Client = nullptr;
    TBox* Inner = nullptr;
    TMark* Mark = nullptr;
    int created = 0;
    void FormCreate(cl::TObject*) { ++created; }
};

// Counts its destructions.
class TCountedForm : public cl::TForm {
    CL_CLASS(TCountedForm)
public:
    using TForm::TForm;
    ~TCountedForm() override { ++destroyed; }
    static int destroyed;
};

} // namespace fixture
