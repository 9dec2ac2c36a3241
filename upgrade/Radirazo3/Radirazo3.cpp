// The upgrade helper: started by the program from the temporary folder once a download
// has finished, it waits until the program has ended, puts the complete downloaded ".uTMP"
// files in place over the files they replace, all or none (or runs the downloaded setup
// program), and always starts the program again, the old one when nothing was replaced.
// Plain Win32: no class library.
#include "HandOverText.h"
#include "upgrade/HandOverJournal.h"

#include "classlib/WinHandle.h"

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include <string>
#include <vector>

namespace {

// The program closes itself right after it has started the helper: one that still holds
// its file after this long is stuck, or the file cannot be written for a reason waiting
// does not mend (permissions). The helper then leaves every file as it was and restarts
// the program, so the user is never left without one.
constexpr DWORD kProgramWaitMs = 120 * 1000;
// After the setup's own process has ended, only a process the setup started can still
// hold its file; that one gets this long before the program is started beside it.
constexpr DWORD kSetupChildWaitMs = 60 * 60 * 1000;

#ifdef LUDORA_HELPER_HOLD
// The test build's seams (never in the shipped helper): marks in the program's folder
// that tell a test where the helper stands, and a hold at a given step until a file named
// "release" appears there: "<n>" once move n is made, "K<n>" once move n has its old file
// kept and before its new one moves in (n counts from 1).
std::string TestFolder;
void MarkTest(const char* name)
{
    CloseHandle(CreateFileA((TestFolder + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
}
void HoldAfterStep(std::size_t entry, up::TMoveState state)
{
    char after[16] = "";
    GetEnvironmentVariableA("LUDORA_HELPER_HOLD_AFTER", after, sizeof after);
    const std::string step = std::to_string(entry + 1);
    if (!(state == up::TMoveState::moved && step == after) && !(state == up::TMoveState::kept && "K" + step == after))
        return;
    MarkTest("held");
    while (GetFileAttributesA((TestFolder + "release").c_str()) == INVALID_FILE_ATTRIBUTES)
        Sleep(20);
}
#endif

bool CanOpenForWriting(const std::string& path)
{
    cl::FileHandle file(
        CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    return static_cast<bool>(file);
}

// Handles any window messages waiting; false on a quit.
bool DispatchWaiting()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT)
            return false;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return true;
}

// Waits until the file can be opened for writing (its program has ended), handling any
// window messages meanwhile; false on a time-out or a quit.
bool WaitUntilWritable(const std::string& path, DWORD timeoutMs)
{
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_LOWEST);
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (!CanOpenForWriting(path)) {
        if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES)
            return true; // gone: nothing holds it any more
#ifdef LUDORA_HELPER_HOLD
        MarkTest("waiting");
#endif
        if (GetTickCount64() >= deadline)
            return false;
        // Blocks on messages between tries, so a sleeping program costs nothing.
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        if (!DispatchWaiting())
            return false;
    }
    return true;
}

// The complete downloads in the folder. A download still marked hidden and temporary was
// cut short: it is never moved (the hand-over deletes it with the rest). Either mark is
// enough, since not every file system keeps both; a complete download carries neither.
std::vector<std::string> CompleteDownloads(const std::string& folder)
{
    return up::DownloadsIn(folder, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_TEMPORARY);
}

// Starts the program with the parameter; the process, empty when it could not be started.
// Not WinExec: that waits until the new program is idle, and the helper should end at once
// so its file can go.
cl::KernelHandle Start(const std::string& program, const std::string& param)
{
    std::string command = "\"" + program + "\"";
    if (!param.empty())
        command += " " + param;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return {};
    CloseHandle(pi.hThread);
    return cl::KernelHandle(pi.hProcess);
}

// Starts the setup through the shell, so that the system can ask for the rights its
// manifest demands (CreateProcess refuses a program that needs elevation). False, with the
// reason, when it did not start; the process is empty when the shell gave none.
bool StartSetup(const std::string& setup, const std::string& param, cl::KernelHandle& process, DWORD& error)
{
    // The shell may hand the start to extensions it reaches through COM.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    SHELLEXECUTEINFOA info{};
    info.cbSize = sizeof info;
    // No message box of the shell's: the helper says why itself.
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
    info.lpVerb = "open";
    info.lpFile = setup.c_str();
    info.lpParameters = param.empty() ? nullptr : param.c_str();
    info.nShow = SW_SHOWNORMAL;
    const bool started = ShellExecuteExA(&info) != FALSE;
    error = started ? 0 : GetLastError();
    if (SUCCEEDED(com))
        CoUninitialize();
    if (started)
        process.reset(info.hProcess);
    return started;
}

// Waits as long as the setup's process runs, then until its file is free again (a setup
// may hand over to a process of its own). False when its file stays held.
bool WaitForSetup(const cl::KernelHandle& process, const std::string& setup)
{
    while (process) {
        HANDLE h = process.get();
        const DWORD r = MsgWaitForMultipleObjects(1, &h, FALSE, INFINITE, QS_ALLINPUT);
        if (r == WAIT_OBJECT_0)
            break;
        if (r != WAIT_OBJECT_0 + 1 || !DispatchWaiting())
            return false;
    }
    return WaitUntilWritable(setup, kSetupChildWaitMs);
}

std::wstring Wide(const std::string& text)
{
    const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    if (n > 0)
        MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0], n);
    return wide;
}

// Tells the user that the setup did not start, and why, in the upgrader's words: Chinese
// on a Chinese system, English elsewhere.
void ReportSetupNotStarted(const std::string& setup, DWORD error)
{
    wchar_t* system = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, error, 0, reinterpret_cast<wchar_t*>(&system), 0, nullptr);
    std::wstring reason = system ? system : L"";
    LocalFree(system);
    while (!reason.empty() && (reason.back() == L'\r' || reason.back() == L'\n' || reason.back() == L' '))
        reason.pop_back();
    reason += L" (" + std::to_wstring(error) + L")";
    const bool chinese = PRIMARYLANGID(GetSystemDefaultLangID()) == LANG_CHINESE;
    const std::wstring text =
        chinese ? L"无法运行安装程序“" + Wide(setup) + L"”：\r\n" + reason + L"\r\n\r\n程序将以原来的版本重新启动。"
                : L"The setup program \"" + Wide(setup) + L"\" could not be started:\r\n" + reason +
                      L"\r\n\r\nThe program starts again as it was.";
    MessageBoxW(nullptr, text.c_str(), chinese ? L"软件升级精灵" : L"Application update wizard",
                MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}

// Waits for the program to end and puts the downloads in place; false when nothing was
// replaced. No download is left behind but those a hand-over that could not be rolled back
// still lists.
bool HandOver(const up::THandOverArgs& args, up::TMovePlan& plan)
{
    const std::string folder = up::FolderOf(args.programPath);
    std::string programName = args.programPath.substr(folder.size());
    DWORD programAttributes = INVALID_FILE_ATTRIBUTES;
    WIN32_FIND_DATAA data;
    if (cl::FindHandle(FindFirstFileA(args.programPath.c_str(), &data))) {
        programName = data.cFileName; // its actual name
        programAttributes = data.dwFileAttributes;
        // A read-only program file would never open for writing.
        if (programAttributes & FILE_ATTRIBUTE_READONLY)
            SetFileAttributesA(args.programPath.c_str(), programAttributes & ~FILE_ATTRIBUTE_READONLY);
    }
    bool done = false;
    if (programAttributes == INVALID_FILE_ATTRIBUTES || WaitUntilWritable(args.programPath, kProgramWaitMs)) {
        const std::string program = folder + programName;
        // A hand-over an earlier helper left is ended first, and then nothing new is moved:
        // its roll-back may have taken downloads of the same names.
        if (up::RecoverHandOver(program) == up::TRecovery::none) {
            plan = up::PlanMoves(folder, programName, args.externalSetup, CompleteDownloads(folder));
#ifdef LUDORA_HELPER_HOLD
            done = up::ApplyMoves(plan, program, HoldAfterStep) == up::THandOver::done;
#else
            done = up::ApplyMoves(plan, program, nullptr) == up::THandOver::done;
#endif
        }
    }
    // Cut short, or not taken; what a pending journal lists stays for the next start.
    up::DeleteDownloads(folder + programName);
    if (!done && programAttributes != INVALID_FILE_ATTRIBUTES)
        SetFileAttributesA(args.programPath.c_str(), programAttributes);
    return done;
}

int Run()
{
    up::THandOverArgs args;
    if (!up::ParseHelperCommandLine(GetCommandLineA(), args)) {
        MessageBoxA(nullptr, "Radirazo3 1.0\r\rPuts a downloaded upgrade in place and restarts its program.",
                    "Radirazo3", MB_OK | MB_ICONINFORMATION);
        return 0;
    }
#ifdef LUDORA_HELPER_HOLD
    TestFolder = up::FolderOf(args.programPath);
#endif
    up::TMovePlan plan;
    const bool replaced = HandOver(args, plan);
    if (replaced && args.externalSetup && !plan.setupPath.empty()) {
        cl::KernelHandle process;
        DWORD error = 0;
        const bool started = StartSetup(plan.setupPath, args.restartParam, process, error);
        if (!started)
            ReportSetupNotStarted(plan.setupPath, error);
        // Once it has ended, or when it never started, nothing needs it. Never the program's
        // own file, even if the setup was named like it.
        if ((!started || WaitForSetup(process, plan.setupPath)) &&
            lstrcmpiA(plan.setupPath.c_str(), args.programPath.c_str()) != 0) {
            SetFileAttributesA(plan.setupPath.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(plan.setupPath.c_str());
        }
    }
    Start(args.programPath, args.restartParam);
    return replaced ? 0 : 1;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    return Run();
}
