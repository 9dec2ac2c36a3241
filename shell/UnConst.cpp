#include "shell/UnConst.h"

#include "browser/WebPane.h"
#include "classlib/ModuleFile.h"

#include <windows.h>

cl::TOleVariant FindPageElement(const cl::AnsiString& id, browser::TWebPane& pane)
{
    if (pane.ReadyState() != READYSTATE_COMPLETE || pane.Busy()) return {};
    cl::TComPtr<IDispatch> document = pane.Document();
    if (!document) return {};
    return cl::CallMethod(document.get(), L"getElementByID", {cl::TOleVariant(id)});
}

// Taken once when the module starts; no COM or window work is involved.
const cl::AnsiString AppPath = cl::ExtractFilePath(cl::ModuleFileName(nullptr));
