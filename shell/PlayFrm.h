// The program's own player window class, which the catalogue's navigation handler makes
// for recorded games without showing it.
#pragma once

#include "classlib/Forms.h"

class TPlayForm : public cl::TForm {
    CL_CLASS(TPlayForm)
public:
    using TForm::TForm;
    // Adds the playing game to the favourites.
    void AddFav() {}
};

inline const cl::TClass& TPlayForm::StaticClass() { return cl::DefineClass<TPlayForm, cl::TForm>("TPlayForm"); }
