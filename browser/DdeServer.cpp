// The pane's DDE server for the shell's htmlfile and Folder conversations, and the hook on
// its owner form that retitles the browser's dialogs and reports activated windows.
#include "browser/DdeServer.h"

#include "browser/ItemIdList.h"
#include "browser/LibEntries.h"
#include "browser/WebPane.h"
#include "classlib/Forms.h"
#include "classlib/Registry.h"

#include <dde.h>
#include <shellapi.h>

#include <algorithm>
#include <memory>

namespace browser {

namespace {

TShellDDENames names;
TDDEMode mode = ddeHtmlFile;
bool runningOwnCommand = false;

cl::AnsiString ReadDefault(cl::TRegistry& reg, const char* key)
{
    if (!reg.OpenKeyReadOnly(key)) return {};
    cl::AnsiString value = reg.ValueExists("") ? reg.ReadString("") : cl::AnsiString();
    reg.CloseKey();
    return value;
}

cl::AnsiString AtomName(ATOM atom)
{
    char text[257] = {};
    const UINT n = GlobalGetAtomNameA(atom, text, sizeof text);
    return cl::AnsiString(text, n);
}

// The pane's shell command (explore or find): not answered by this server while it runs.
void RunShellCommand(const char* verb, const char* className, const TFolderCommand& command, LPITEMIDLIST list)
{
    SHELLEXECUTEINFOA info{};
    info.cbSize = sizeof info;
    info.lpVerb = verb;
    info.nShow = command.show;
    if (className) {
        info.fMask = SEE_MASK_CLASSNAME;
        info.lpClass = className;
    }
    if (!command.path.empty()) {
        info.lpFile = command.path.c_str();
    } else if (list) {
        info.fMask |= SEE_MASK_IDLIST;
        info.lpIDList = list;
    }
    runningOwnCommand = true;
    ShellExecuteExA(&info); // the shell reports its own failures
    runningOwnCommand = false;
}

// The item-ID list of a Folder command, copied out of the shell's shared memory of the
// sending process; null when there is none.
LPITEMIDLIST TakeSharedList(const TFolderCommand& command)
{
    if (!command.hasSharedList) return nullptr;
    const HANDLE shared = reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(command.sharedHandle));
    LPITEMIDLIST list = nullptr;
    if (void* block = ShellLockShared(shared, command.processId)) {
        list = PidlCopy(static_cast<LPCITEMIDLIST>(block));
        ShellUnlockShared(block);
    }
    ShellFreeShared(shared, command.processId);
    return list;
}

struct ListDeleter {
    void operator()(LPITEMIDLIST list) const noexcept
    {
        try {
            PidlFree(list);
        } catch (const std::exception&) {
            // Without the shell's allocator the copy cannot go back: it stays allocated.
        }
    }
};

} // namespace

void ReadShellDDENames()
{
    try {
        cl::TRegistry reg;
        reg.SetRootKey(HKEY_CLASSES_ROOT);
        names.htmlApplication = ReadDefault(reg, "htmlfile\\shell\\open\\ddeexec\\application");
        names.htmlTopic = ReadDefault(reg, "htmlfile\\shell\\open\\ddeexec\\topic");
        names.folderApplication = ReadDefault(reg, "Folder\\shell\\open\\ddeexec\\application");
        names.folderTopic = ReadDefault(reg, "Folder\\shell\\open\\ddeexec\\topic");
        names.verbs.open = FolderVerbOf(ReadDefault(reg, "Folder\\shell\\open\\ddeexec"));
        names.verbs.explore = FolderVerbOf(ReadDefault(reg, "Folder\\shell\\explore\\ddeexec"));
        names.verbs.find = FolderVerbOf(ReadDefault(reg, "Directory\\shell\\find\\ddeexec"));
    } catch (const cl::Exception&) {
        // An unreadable value leaves it and the rest as they were.
    }
}

const TShellDDENames& ShellDDENames() { return names; }
TDDEMode DDEMode() { return mode; }

void TWebPane::SetEnableDDE(bool value)
{
    enableDDE_ = value;
    if (!value || ddeWindow_) return;
    ReadShellDDENames();
    ddeWindow_ = cl::AllocateHWnd([this](cl::TMessage& message) { DDEWindowProc(message); });
}

void TWebPane::DDEWindowProc(cl::TMessage& message)
{
    if (message.Msg == WM_DDE_INITIATE && enableDDE_) {
        AnswerDDEInitiate(reinterpret_cast<HWND>(message.WParam), message.LParam);
        return;
    }
    message.Result = DefWindowProcA(ddeWindow_, message.Msg, message.WParam, message.LParam);
}

void TWebPane::AnswerDDEInitiate(HWND client, LPARAM lParam)
{
    if (runningOwnCommand) return;
    DWORD processId = 0;
    if (GetWindowThreadProcessId(client, &processId) != GetCurrentThreadId() ||
        processId != GetCurrentProcessId())
        return;
    const ATOM application = LOWORD(lParam);
    const ATOM topic = HIWORD(lParam);
    const bool html = AtomName(application) == names.htmlApplication;
    mode = html ? ddeHtmlFile : ddeFolder;
    const cl::AnsiString& wantApplication = html ? names.htmlApplication : names.folderApplication;
    const cl::AnsiString& wantTopic = html ? names.htmlTopic : names.folderTopic;
    // Atoms compare without regard to case; the ones added for the comparison go again.
    const ATOM a = GlobalAddAtomA(wantApplication.c_str());
    const ATOM t = GlobalAddAtomA(wantTopic.c_str());
    const bool match = a != 0 && t != 0 && a == application && t == topic;
    if (a) GlobalDeleteAtom(a);
    if (t) GlobalDeleteAtom(t);
    if (!match) return;
    // The reply carries atoms of its own, which the client deletes.
    const ATOM replyApplication = GlobalAddAtomA(wantApplication.c_str());
    const ATOM replyTopic = GlobalAddAtomA(wantTopic.c_str());
    if (std::find(ddeClients_.begin(), ddeClients_.end(), client) == ddeClients_.end()) ddeClients_.push_back(client);
    SendMessageA(client, WM_DDE_ACK, reinterpret_cast<WPARAM>(Handle()), MAKELPARAM(replyApplication, replyTopic));
}

bool TWebPane::IsDDEClient(HWND client) const
{
    return enableDDE_ && std::find(ddeClients_.begin(), ddeClients_.end(), client) != ddeClients_.end();
}

void TWebPane::AnswerDDETerminate(HWND client)
{
    ddeClients_.erase(std::remove(ddeClients_.begin(), ddeClients_.end(), client), ddeClients_.end());
    PostMessageA(client, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(Handle()), 0);
}

void TWebPane::AnswerDDEExecute(HWND client, LPARAM lParam)
{
    UINT_PTR unused = 0, commands = 0;
    if (!UnpackDDElParam(WM_DDE_EXECUTE, lParam, &unused, &commands)) return;
    const HGLOBAL memory = reinterpret_cast<HGLOBAL>(commands);
    cl::AnsiString text;
    {
        const char* locked = static_cast<const char*>(GlobalLock(memory));
        if (!locked) return;
        // The command ends at its terminator or at the end of its block, whichever is first.
        const SIZE_T size = GlobalSize(memory);
        text.assign(locked, static_cast<size_t>(std::find(locked, locked + size, '\0') - locked));
        GlobalUnlock(memory);
    }
    WORD status = 0;
    try {
        status = mode == ddeHtmlFile ? ExecuteHtmlCommand(text) : ExecuteFolderCommand(text);
    } catch (const std::exception&) {
        status = 0; // the browser refused: the client hears that the command was not carried out
    }
    PostMessageA(client, WM_DDE_ACK, reinterpret_cast<WPARAM>(Handle()),
                 ReuseDDElParam(lParam, WM_DDE_EXECUTE, WM_DDE_ACK, status, commands));
}

WORD TWebPane::ExecuteHtmlCommand(cl::AnsiString url)
{
    if (!url.empty() && url[0] == '"') {
        url.erase(0, 1);
        const size_t quote = url.find('"');
        if (quote != cl::AnsiString::npos) url.erase(quote);
    }
    NavigateUrl(url);
    return 1;
}

WORD TWebPane::ExecuteFolderCommand(const cl::AnsiString& text)
{
    TFolderCommand command;
    if (!ParseFolderCommand(text, names.verbs, command)) return 0;
    const std::unique_ptr<ITEMIDLIST, ListDeleter> list(TakeSharedList(command));
    switch (command.verb) {
    case fvOpen:
        if (!command.path.empty()) NavigateUrl(command.path);
        else if (list) NavigateItemList(list.get());
        break;
    case fvExplore: RunShellCommand("explore", "folder", command, list.get()); break;
    case fvFind: RunShellCommand("find", nullptr, command, list.get()); break;
    case fvNone: break;
    }
    return 1;
}

void TWebPane::AttachOwnerProc()
{
    // The class library's procedure chain needs no window yet: the hook holds from loading.
    auto* owner = dynamic_cast<cl::TWinControl*>(Owner());
    if (!owner) return;
    ownerHook_ = std::make_unique<cl::TWindowProcHook>(*owner, [this](cl::TMessage& m) { OwnerFormWndProc(m); });
}

void TWebPane::DetachOwnerProc() { ownerHook_.reset(); }

void TWebPane::OwnerFormWndProc(cl::TMessage& message)
{
    try {
        if (message.Msg == WM_ACTIVATE && LOWORD(message.WParam) == WA_INACTIVE) {
            const HWND other = reinterpret_cast<HWND>(message.LParam);
            char className[81] = {};
            if (other && GetClassNameA(other, className, sizeof className) && cl::AnsiString(className) == "#32770" &&
                ReplaceCaption)
                RetitleDialog(other);
            if (other && OnShowDialog) OnShowDialog(this, other);
        }
    } catch (...) {
        cl::HandleWindowException(this);
    }
    ownerHook_->CallPrevious(message);
}

void TWebPane::RetitleDialog(HWND dialog)
{
    if (cl::TIcon* icon = cl::Application->Icon())
        SendMessageA(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon->Handle()));
    const int length = GetWindowTextLengthA(dialog);
    cl::AnsiString caption(static_cast<size_t>(length) + 1, '\0');
    caption.resize(static_cast<size_t>(GetWindowTextA(dialog, caption.data(), length + 1)));
    const size_t ms = caption.find("Microsoft ");
    if (ms != cl::AnsiString::npos) caption.erase(ms, 10);
    const size_t ie = caption.find("Internet Explorer");
    if (ie != cl::AnsiString::npos) caption.replace(ie, 17, cl::Application->Title());
    SetWindowTextA(dialog, caption.c_str());
}

} // namespace browser
