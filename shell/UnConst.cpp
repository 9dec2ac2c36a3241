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
    return ExtractFilePath(path);
}
} // namespace

cl::AnsiString ExtractFilePath(const cl::AnsiString& fileName)
{
    // Walk by characters: a code page 936 trail byte may equal '\'.
    size_t end = 0;
    for (const char* p = fileName.c_str(); *p; p = CharNextA(p))
        if (*p == '\\' || *p == '/' || *p == ':') end = static_cast<size_t>(p - fileName.c_str()) + 1;
    return fileName.substr(0, end);
}

cl::TOleVariant FindPageElement(const cl::AnsiString& id, browser::TWebPane& pane)
{
    if (pane.ReadyState() != READYSTATE_COMPLETE || pane.Busy()) return {};
    cl::TComPtr<IDispatch> document = pane.Document();
    if (!document) return {};
    return cl::CallMethod(document.get(), L"getElementByID", {cl::TOleVariant(id)});
}

// Taken once when the module starts; no COM or window work is involved.
const cl::AnsiString AppPath = ExecutableFolder();
