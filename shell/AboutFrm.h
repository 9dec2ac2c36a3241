// The about window: a picture that opens the portal's home page, and an OK button.
// Made for one showing and released after it closes.
#pragma once

#include "classlib/ExtCtrlsPanels.h"
#include "classlib/Forms.h"
#include "classlib/StdCtrls.h"

class TAboutForm : public cl::TForm {
    CL_CLASS(TAboutForm)
public:
    using TForm::TForm;

    cl::TImage* imgAbout = nullptr;
    cl::TButton* btnOk = nullptr;

    void btnOkClick(cl::TObject* sender);
    void imgAboutClick(cl::TObject* sender);
};
