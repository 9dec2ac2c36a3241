// The program's main block. The browser host (OLE, the saved floating-point word) and the
// application folder start with the module; the scriptable object's factory, the
// single-instance guard (once the application window exists), the automation server and
// the two long-lived windows follow in that order.
#include "classlib/ComServ.h"
#include "classlib/Forms.h"
#include "classlib/StartupSteps.h"
#include "shell/IEExternal.h"
#include "shell/MainFrm.h"
#include "shell/MultInst.h"
#include "shell/SettingFrm.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    STARTUP_STEP("WinMain");
    int code = 0;
    try {
        IEExternalFactory();
        STARTUP_STEP("scriptable object's factory");
        MultInst::Start(*cl::Application);
        STARTUP_STEP("single-instance guard");
        cl::Application->Initialize();
        cl::TComServer server(instance);
        if (server.Initialize(std::vector<cl::AnsiString>(__argv + 1, __argv + __argc))) {
            STARTUP_STEP("automation server");
            cl::Application->SetTitle("Orvane游戏盒");
            cl::Application->CreateForm(MainForm);
            STARTUP_STEP("main form created");
            cl::Application->CreateForm(SettingForm);
            STARTUP_STEP("settings form created");
            cl::Application->Run();
        }
    } catch (const std::exception& e) {
        cl::Application->MessageBox(e.what(), "Orvane游戏盒", MB_ICONSTOP);
        code = 1;
    }
    // The mutex goes first: a copy started while the windows go runs in this one's place.
    // The windows and their browser controls go before OLE does, when the module ends.
    MultInst::Stop();
    cl::Free(SettingForm);
    cl::Free(MainForm);
    return code;
}
