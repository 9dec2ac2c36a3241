// The program's main block. The browser host (OLE, the saved floating-point word) and the
// application folder start with the module; the scriptable object's factory, the
// single-instance guard (once the application window exists), the automation server and
// the two long-lived windows follow in that order.
#include "classlib/ComServ.h"
#include "classlib/Forms.h"
#include "shell/IEExternal.h"
#include "shell/MainFrm.h"
#include "shell/MultInst.h"
#include "shell/SettingFrm.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    int code = 0;
    try {
        IEExternalFactory();
        MultInst::Start(*cl::Application);
        cl::Application->Initialize();
        cl::TComServer server(instance);
        if (server.Initialize(std::vector<cl::AnsiString>(__argv + 1, __argv + __argc))) {
            cl::Application->SetTitle("Orvane游戏盒");
            cl::Application->CreateForm(MainForm);
            cl::Application->CreateForm(SettingForm);
            cl::Application->Run();
        }
    } catch (const std::exception& e) {
        cl::Application->MessageBox(e.what(), "Orvane游戏盒", MB_ICONSTOP);
        code = 1;
    }
    // The windows and their browser controls go before OLE does, when the module ends.
    cl::Free(SettingForm);
    cl::Free(MainForm);
    MultInst::Stop();
    return code;
}
