// The feedback window: the portal's feedback page in a pane of its own.
#pragma once

#include "classlib/Forms.h"

class TFeedBackForm : public cl::TForm {
    CL_CLASS(TFeedBackForm)
public:
    using TForm::TForm;
    // Reached from page script: closes the window.
    void CloseWindow() { Close(); }
};

inline const cl::TClass& TFeedBackForm::StaticClass() { return cl::DefineClass<TFeedBackForm, cl::TForm>("TFeedBackForm"); }
