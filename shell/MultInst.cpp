#include "shell/MultInst.h"

#include "classlib/Forms.h"
#include "classlib/WinHandle.h"

namespace MultInst {

namespace {
// The unit's process-wide values.
UINT message = 0;
WNDPROC oldProc = nullptr;
cl::KernelHandle mutex;
bool firstCopy = false;
bool asked = false; // this copy broadcast its question: only then does an answer end it
cl::TApplication* application = nullptr;
HWND subclassed = nullptr;

bool Unicode(HWND wnd) { return IsWindowUnicode(wnd) != FALSE; }
} // namespace

UINT Message() { return message; }
bool IsFirstCopy() { return firstCopy; }

LRESULT CALLBACK MultInstWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg != message || message == 0)
        return Unicode(wnd) ? CallWindowProcW(oldProc, wnd, msg, wp, lp) : CallWindowProcA(oldProc, wnd, msg, wp, lp);
    HWND other = reinterpret_cast<HWND>(lp);
    if (wp == 2 && firstCopy && other) {
        // A new copy asks: answer with our application window.
        PostMessageA(other, message, 1, reinterpret_cast<LPARAM>(wnd));
    } else if (wp == 1 && other && asked) {
        // The running copy answered: bring it forward and end this copy. A copy that never
        // asked ignores the answer, or any program could end it by posting one.
        if (IsIconic(other)) OpenIcon(other);
        else SetForegroundWindow(other);
        if (application) application->Terminate();
    }
    return 0;
}

void CheckPrevInstance()
{
    // Creating and testing for an existing one is atomic: of two copies started together
    // exactly one is first.
    mutex.reset(CreateMutexA(nullptr, FALSE, InstanceName));
    firstCopy = mutex && GetLastError() != ERROR_ALREADY_EXISTS;
    if (!mutex || firstCopy) return;
    application->SetShowMainForm(false);
    asked = true;
    DWORD recipients = BSM_APPLICATIONS;
    BroadcastSystemMessageA(BSF_IGNORECURRENTTASK | BSF_POSTMESSAGE, &recipients, message, 2,
                            reinterpret_cast<LPARAM>(application->Handle()));
}

void Start(cl::TApplication& app)
{
    application = &app;
    message = RegisterWindowMessageA(InstanceName);
    subclassed = app.Handle();
    if (subclassed) {
        LONG_PTR proc = reinterpret_cast<LONG_PTR>(&MultInstWndProc);
        oldProc = reinterpret_cast<WNDPROC>(Unicode(subclassed) ? SetWindowLongPtrW(subclassed, GWLP_WNDPROC, proc)
                                                                : SetWindowLongPtrA(subclassed, GWLP_WNDPROC, proc));
    }
    CheckPrevInstance();
}

void Stop()
{
    if (subclassed && oldProc && IsWindow(subclassed)) {
        bool unicode = Unicode(subclassed);
        auto current = reinterpret_cast<WNDPROC>(unicode ? GetWindowLongPtrW(subclassed, GWLP_WNDPROC)
                                                         : GetWindowLongPtrA(subclassed, GWLP_WNDPROC));
        // Someone who subclassed after us would lose their procedure if we put ours back.
        if (current == &MultInstWndProc) {
            LONG_PTR proc = reinterpret_cast<LONG_PTR>(oldProc);
            unicode ? SetWindowLongPtrW(subclassed, GWLP_WNDPROC, proc) : SetWindowLongPtrA(subclassed, GWLP_WNDPROC, proc);
        }
    }
    oldProc = nullptr;
    subclassed = nullptr;
    mutex.reset();
    firstCopy = false;
    asked = false;
    application = nullptr;
}

} // namespace MultInst
