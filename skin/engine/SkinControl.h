// The base of the control skins: a companion component that skins one control or child
// window of a skinned window. It sits in the control's message path (the class library's
// procedure chain, or a subclass of a raw window), sees each message first, lets the
// control run and then paints over it from the skin. The skinned window lists its
// companions, frees those whose window is gone and detaches all of them when unskinned.
#pragma once

#include "classlib/Classes.h"
#include "classlib/Controls.h"
#include "classlib/Graphics.h"

#include <windows.h>

#include <memory>
#include <string>

namespace skin {

class TSkinnedForm;
class TSkinData;

// Switches a companion on (wParam > 0) or off.
constexpr UINT WM_SKIN_CONTROL_ACTIVE = 0x3506;

// Lifecycle states of a companion.
enum TControlSkinState { cssCreated = 0, cssAttached = 1, cssDetached = 2, cssReleased = 6 };

class TSkinControl : public cl::TComponent {
    CL_CLASS(TSkinControl)
public:
    // The owner is the control to skin (or, for a raw window, whoever discovery names).
    explicit TSkinControl(cl::TComponent* owner);
    // Unhooks the message path and leaves the skinned form's list.
    ~TSkinControl() override;

    // Attaches to the owner, a class-library windowed control; nothing when attached.
    // colourControl: the control takes the skin's face colour while skinned.
    virtual void InitControl(TSkinnedForm* form, TSkinData* data, bool colourControl, cl::TCanvas* canvas);
    // Attaches to a window that has no class-library control in this module.
    virtual void InitHwnd(HWND window, TSkinData* data, TSkinnedForm* form, cl::TCanvas* canvas);
    // Stops skinning and gives back what attaching changed; the path stays hooked and
    // passes everything on.
    virtual void Unsubclass();
    // True: the message goes on to the control, then to AfterProc; false: answered here.
    virtual bool BeforeProc(cl::TMessage& m);
    virtual void AfterProc(cl::TMessage& m);
    // Paints into dc, or into the window's DC when dc is null; never throws.
    virtual void PaintControl(HDC dc);
    // Draws the control into rect (the window at the origin).
    virtual void Paint(HDC dc, const RECT& rect);
    // Re-applies the skin after it changed.
    virtual void SkinChange();

    void NewWndProc(cl::TMessage& m);
    // The control's own handling (or the raw window's old procedure, called wide for a
    // Unicode window).
    void CallPrevProc(cl::TMessage& m);
    void Redraw();
    void SetParentBackground(bool attaching);
    // The parent's "Color" when it has one, else def.
    cl::TColor ParentColor(cl::TColor def) const;
    void FillFace(HDC dc, const RECT& rect) const;
    void FillParent(HDC dc, const RECT& rect) const;
    LONG GetWindowLongX(HWND window, int index) const;
    void SendMouseLeave();
    void ForwardMouseDown(const cl::TMessage& m);
    // A colour of the skin (its system-colour form resolved).
    cl::TColor SkinColor(int index) const;

    // What the skinned form asks of its companions.
    HWND Window() const { return Handle; }
    void Detach() { Unsubclass(); }
    bool Released() const { return State == cssReleased; }

    bool Hot() const { return (StateFlags & 1) != 0; }
    bool Pressed() const { return (StateFlags & 2) != 0; }
    void SetHot(bool on) { StateFlags = on ? (StateFlags | 1) : (StateFlags & ~1); }
    void SetPressed(bool on) { StateFlags = on ? (StateFlags | 2) : (StateFlags & ~2); }

    unsigned StateFlags = 0; // bit 0 hot, bit 1 pressed
    cl::TCanvas* Canvas = nullptr; // lent by the skinned form
    bool Enabled = true;
    bool Focused = false;
    std::wstring Caption;
    bool Active = true;
    bool UnicodeWindow = false;
    bool Attached = false;
    int State = cssCreated;
    TSkinnedForm* Form = nullptr;
    int Variant = 0;
    bool ParentBackgroundFlag = false;
    bool ColourFlag = false;
    cl::TColor SavedColor = 0;
    TSkinData* SkinData = nullptr;
    cl::TWinControl* Control = nullptr;  // the class-library control, when there is one
    cl::TControl* GraphicControl = nullptr; // a windowless control
    HWND Handle = nullptr;
    RECT WindowRect{};

protected:
    std::unique_ptr<cl::TWindowProcHook> hook_;      // class-library controls
    std::unique_ptr<cl::TWindowSubclass> subclass_;  // raw windows
};

// A window's text as wide text.
std::wstring GetWindowCaption(HWND window);
// A pop-up window, or one whose parent is the desktop: a combo box's drop-down list.
bool IsDropDownWindow(HWND window);
// Gives dest source's size and pixel format and draws source into it.
void CopyBitmap(cl::TBitmap& source, cl::TBitmap& dest);

} // namespace skin
