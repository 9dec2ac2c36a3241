#include "classlib/Seams.h"

#include <shellapi.h>

#include <utility>

namespace cl {

namespace {
TMessageBoxService& MessageBoxSlot()
{
    static TMessageBoxService service;
    return service;
}
TShellExecuteService& ShellExecuteSlot()
{
    static TShellExecuteService service;
    return service;
}
const char* OrNull(const AnsiString& s) { return s.empty() ? nullptr : s.c_str(); }
} // namespace

int ShowMessageBox(HWND owner, const AnsiString& text, const AnsiString& caption, UINT flags)
{
    if (const auto& service = MessageBoxSlot()) return service(owner, text, caption, flags);
    return MessageBoxA(owner, text.c_str(), caption.c_str(), flags);
}

HINSTANCE ShellExecuteOpen(HWND owner, const AnsiString& verb, const AnsiString& file, const AnsiString& parameters,
                           const AnsiString& directory, int show)
{
    if (const auto& service = ShellExecuteSlot()) return service(owner, verb, file, parameters, directory, show);
    return ShellExecuteA(owner, OrNull(verb), file.c_str(), OrNull(parameters), OrNull(directory), show);
}

TMessageBoxService ReplaceMessageBox(TMessageBoxService service)
{
    return std::exchange(MessageBoxSlot(), std::move(service));
}

TShellExecuteService ReplaceShellExecute(TShellExecuteService service)
{
    return std::exchange(ShellExecuteSlot(), std::move(service));
}

} // namespace cl
