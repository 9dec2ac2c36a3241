// The player library's entry points: ShowForm, and the in-process server's four.
#include "player/Tessel.h"

#include "classlib/ComServ.h"
#include "classlib/Controls.h"
#include "classlib/Forms.h"
#include "classlib/WinHandle.h"
#include "player/PFrm.h"

#include <olectl.h>

namespace {

// The program's message loop looks up its own controls only (each module's class library
// has its own atom), so it never offers key messages to this library's panes. This thread
// hook offers them to the library's class library as they leave the queue; a key the
// control takes is turned into WM_NULL.
LRESULT CALLBACK KeyHook(int code, WPARAM removal, LPARAM lParam)
{
    auto* msg = reinterpret_cast<MSG*>(lParam);
    if (code == HC_ACTION && removal == PM_REMOVE && msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST) {
        try {
            if (cl::Application->IsKeyMsg(*msg)) msg->message = WM_NULL;
        } catch (...) {
            // The key goes on as an ordinary keystroke.
        }
    }
    return CallNextHookEx(nullptr, code, removal, lParam);
}

// What the library sets up on the first call, never while it loads: the key hook of the
// GUI thread, and a pin that keeps the library loaded while its windows exist.
void StartOnce()
{
    static cl::HookHandle hook = [] {
        HMODULE self = nullptr;
        GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                           reinterpret_cast<LPCSTR>(&KeyHook), &self);
        return cl::HookHandle(SetWindowsHookExA(WH_GETMESSAGE, KeyHook, nullptr, GetCurrentThreadId()));
    }();
}

} // namespace

extern "C" void __stdcall ShowForm(HWND host, const char* address)
{
    TPlayForm* form = nullptr;
    try {
        StartOnce();
        form = cl::CreateForm<TPlayForm>(nullptr);
        form->Url = address ? address : "";
        form->HostHandle = host;
        form->Show();
    } catch (...) {
        // No exception crosses into the program, whose runtime is another: a window that
        // failed half-way goes, and the call shows nothing.
        if (form) {
            try {
                cl::Free(form);
            } catch (...) {
            }
        }
    }
}

extern "C" HRESULT __stdcall DllRegisterServer()
{
    return cl::SafeCall(IID_NULL, [] { cl::TComServer(cl::ModuleInstance()).RegisterTypeLibrary(); });
}

extern "C" HRESULT __stdcall DllUnregisterServer()
{
    return cl::SafeCall(IID_NULL, [] { cl::TComServer(cl::ModuleInstance()).UnregisterTypeLibrary(); });
}

// The first ShowForm pins the library for the rest of the process.
extern "C" HRESULT __stdcall DllCanUnloadNow() { return S_FALSE; }

// No class of the library is created from outside: the scriptable object's factory has
// internal instancing.
extern "C" HRESULT __stdcall DllGetClassObject(REFCLSID, REFIID, void** out)
{
    if (out) *out = nullptr;
    return CLASS_E_CLASSNOTAVAILABLE;
}
