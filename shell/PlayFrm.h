// The program's own player window class, which the catalogue's navigation handler makes
// for recorded games without showing it.
#pragma once

#include "browser/WebPane.h"
#include "classlib/Encoding.h"
#include "classlib/Forms.h"

class TPlayForm : public cl::TForm {
    CL_CLASS(TPlayForm)
public:
    using TForm::TForm;

    // Components of the form resource.
    browser::TWebPane* webTop = nullptr;
    browser::TWebPane* webPlay = nullptr;

    // The (never shown) caption follows the page's title.
    void webPlayTitleChange(cl::TObject*, const std::wstring& text) { SetCaption(cl::WideToAnsi(text)); }

    // Does nothing: no object the program makes refers to this window, and the window adds
    // no favourites.
    void AddFav() {}
};

inline const cl::TClass& TPlayForm::StaticClass()
{
    return cl::DefineClass<TPlayForm, cl::TForm>("TPlayForm", [](cl::TPublisher<TPlayForm>& p) {
        p.Field("webTop", &TPlayForm::webTop);
        p.Field("webPlay", &TPlayForm::webPlay);
        p.Handler("webPlayTitleChange", &TPlayForm::webPlayTitleChange);
    });
}
