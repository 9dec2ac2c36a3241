// A library that links its own copy of the class library, for the library-mode tests.
#include "classlib/Forms.h"

namespace {
cl::TForm* form = nullptr;
}

// Bits: 1 library mode, 2 no application window, 4 the form has no owner window,
// 8 Run returned at once.
extern "C" __declspec(dllexport) int LibraryState()
{
    try {
        int state = 0;
        if (cl::Application->IsLibrary()) state |= 1;
        if (!cl::Application->Handle()) state |= 2;
        if (!form) form = new cl::TForm(nullptr);
        if (!GetWindow(form->Handle(), GW_OWNER)) state |= 4;
        cl::Application->Run();
        state |= 8;
        return state;
    } catch (...) {
        return -1;
    }
}

extern "C" __declspec(dllexport) HWND LibraryForm() { return form ? form->Handle() : nullptr; }

extern "C" __declspec(dllexport) void FreeLibraryForm()
{
    delete form;
    form = nullptr;
}
