#include "shell/UnConst.h"

#include "browser/WebPane.h"

#include <windows.h>

namespace {
cl::AnsiString ExecutableFolder()
{
    std::string path(MAX_PATH, '\0');
    for (;;) {
        DWORD n = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);
    }
    return cl::ExtractFilePath(path);
}
} // namespace

cl::TOleVariant FindPageElement(const cl::AnsiString& id, browser::TWebPane& pane)
{
    if (pane.ReadyState() != READYSTATE_COMPLETE || pane.Busy()) return {};
    cl::TComPtr<IDispatch> document = pane.Document();
    if (!document) return {};
    return cl::CallMethod(document.get(), L"getElementByID", {cl::TOleVariant(id)});
}

// Taken once when the module starts; no COM or window work is involved.
const cl::AnsiString AppPath = ExecutableFolder();
