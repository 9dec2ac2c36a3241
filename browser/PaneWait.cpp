// Waiting for a pane while the message loop runs; only the player library links it.
#include "browser/WebPane.h"

#include "classlib/Forms.h"

namespace browser {

bool WaitForPane(TWebPane& pane, const std::function<bool()>& ready, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        if (!pane.HandleAllocated() || !IsWindow(pane.Handle())) return false;
        if (ready()) return true;
        MSG quit;
        if (PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE)) return false;
        const DWORD waited = GetTickCount() - start;
        if (waited >= timeoutMs) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, timeoutMs - waited, QS_ALLINPUT);
        // Takes a WM_QUIT only to post it again, where the peek above finds it.
        cl::Application->ProcessMessages();
    }
}

bool TWebPane::NavigateBlankWait(DWORD timeoutMs)
{
    NavigateUrl("about:blank");
    return WaitForPane(*this, [this] { return ReadyState() == READYSTATE_COMPLETE; }, timeoutMs);
}

} // namespace browser
