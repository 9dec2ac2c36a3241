// The feedback window: the portal's feedback page in a pane of its own, which the page can
// close. Made for one showing and freed when it closes.
#pragma once

#include "browser/WebPane.h"
#include "classlib/Forms.h"
#include "shell/IEExternal.h"

class TFeedBackForm : public cl::TForm {
    CL_CLASS(TFeedBackForm)
public:
    using TForm::TForm;

    browser::TWebPane* webFeedBack = nullptr;

    void FormShow(cl::TObject* sender);
    void FormClose(cl::TObject* sender, cl::TCloseAction& action);
    HRESULT webFeedBackGetExternal(cl::TComPtr<IDispatch>& dispatch);
    // Reached from page script: closes the window as the user's close does.
    void CloseWindow();

private:
    TExternalLinks externals_; // emptied as the window goes, before its pane
};
