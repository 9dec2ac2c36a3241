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

// The timer of a second copy that has asked, on the application window.
constexpr UINT_PTR TakeOverTimer = 0x4D49;

bool Unicode(HWND wnd) { return IsWindowUnicode(wnd) != FALSE; }

// A second copy that has asked and finds the mutex free: the copy it asked has ended
// without answering (it was shutting down), so this one runs in its place and shows.
void TryTakeOver(HWND wnd)
{
    const DWORD wait = WaitForSingleObject(mutex.get(), 0);
    if (wait != WAIT_OBJECT_0 && wait != WAIT_ABANDONED) return;
    KillTimer(wnd, TakeOverTimer);
    asked = false;
    firstCopy = true;
    if (!application) return;
    application->SetShowMainForm(true);
    if (cl::TCustomForm* form = application->MainForm()) form->Show();
}
} // namespace

UINT Message() { return message; }
bool IsFirstCopy() { return firstCopy; }

LRESULT CALLBACK MultInstWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_TIMER && wp == TakeOverTimer && asked) {
        TryTakeOver(wnd);
        return 0;
    }
    if (msg != message || message == 0)
        return Unicode(wnd) ? CallWindowProcW(oldProc, wnd, msg, wp, lp) : CallWindowProcA(oldProc, wnd, msg, wp, lp);
    HWND other = reinterpret_cast<HWND>(lp);
    if (wp == 2 && firstCopy && other) {
        // A new copy asks: answer with our application window.
        PostMessageA(other, message, 1, reinterpret_cast<LPARAM>(wnd));
    } else if (wp == 1 && other && asked) {
        // The running copy answered: bring it forward and end this copy. A copy that never
        // asked ignores the answer, or any program could end it by posting one.
        KillTimer(wnd, TakeOverTimer);
        asked = false;
        if (IsIconic(other)) OpenIcon(other);
        else SetForegroundWindow(other);
        if (application) application->Terminate();
    }
    return 0;
}

void CheckPrevInstance()
{
    // Creating and testing for an existing one is atomic: of two copies started together
    // exactly one is first. Only the creator gets the ownership asked for here; a copy
    // that merely opened the mutex can take it once its owner has given it up or ended.
    mutex.reset(CreateMutexA(nullptr, TRUE, InstanceName));
    firstCopy = mutex && GetLastError() != ERROR_ALREADY_EXISTS;
    if (!mutex || firstCopy) return;
    application->SetShowMainForm(false);
    asked = true;
    const HWND own = application->Handle();
    if (own) SetTimer(own, TakeOverTimer, TakeOverIntervalMs, nullptr);
    DWORD recipients = BSM_APPLICATIONS;
    BroadcastSystemMessageA(BSF_IGNORECURRENTTASK | BSF_POSTMESSAGE, &recipients, message, 2,
                            reinterpret_cast<LPARAM>(own));
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
    if (subclassed && IsWindow(subclassed)) KillTimer(subclassed, TakeOverTimer);
    // A copy started from now on finds the mutex free and runs as the first copy.
    if (mutex && firstCopy) ReleaseMutex(mutex.get());
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
