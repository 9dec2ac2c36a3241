// The program's own player window class. The catalogue pane's navigation handler makes one,
// hidden, the first time it meets a recorded game whose movie is present, and plays every
// such game's offline page in it; it is never shown or closed, and goes with the main window.
#pragma once

#include "browser/WebPane.h"
#include "classlib/Forms.h"

class TPlayForm : public cl::TForm {
    CL_CLASS(TPlayForm)
public:
    using TForm::TForm;

    browser::TWebPane* webTop = nullptr;
    browser::TWebPane* webPlay = nullptr;

    // The (invisible) caption follows the page's title.
    void webPlayTitleChange(cl::TObject* sender, const std::wstring& text);
    // Favourites belong to the player library's windows: no object of the program is ever
    // handed this window, so there is nothing to add here.
    void AddFav() {}
};
