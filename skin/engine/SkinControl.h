// The base of the control skins: a companion component that skins one control or child
// window of a skinned window. The skinned window lists its companions, frees those whose
// window is gone and detaches all of them when it is unskinned.
#pragma once

#include "classlib/Classes.h"

#include <windows.h>

namespace skin {

class TSkinnedForm;

class TSkinControl : public cl::TComponent {
    CL_CLASS(TSkinControl)
public:
    explicit TSkinControl(cl::TComponent* owner) : cl::TComponent(owner) {}
    // Leaves the skinned form's list.
    ~TSkinControl() override;

    // The window this companion skins.
    virtual HWND Window() const = 0;
    // Gives the window back its own procedure and drawing.
    virtual void Detach() = 0;
    // True once the window got WM_NCDESTROY.
    virtual bool Released() const = 0;

    TSkinnedForm* Form = nullptr; // the list this companion is in
};

} // namespace skin
