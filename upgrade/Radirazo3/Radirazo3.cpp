// The upgrade helper: started by the program from the temporary folder once a download
// has finished, it waits until the program has ended, moves the downloaded ".uTMP" files
// over the files they replace (or runs the downloaded setup program) and starts the
// program again. Plain Win32: no class library.
#include "HandOverText.h"

#include <windows.h>

#include <string>
#include <vector>

namespace {

// How long the helper waits for the program, and for a setup program, to end before it
// gives up (the program never ending leaves every file as it was).
constexpr DWORD kProgramWaitMs = 120 * 1000;
constexpr DWORD kSetupWaitMs = 60 * 60 * 1000;

bool CanOpenForWriting(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(file);
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
        if (GetTickCount64() >= deadline)
            return false;
        // Blocks on messages between tries, so a sleeping program costs nothing.
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT)
                return false;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return true;
}

std::vector<std::string> DownloadedFiles(const std::string& folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "*.uTMP").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(data.cFileName);
    } while (FindNextFileA(find, &data));
    FindClose(find);
    return names;
}

std::string CommandOf(const std::string& program, const std::string& param)
{
    std::string command = "\"" + program + "\"";
    if (!param.empty())
        command += " " + param;
    return command;
}

void Start(const std::string& program, const std::string& param)
{
    WinExec(CommandOf(program, param).c_str(), SW_SHOWNORMAL);
}

// Runs the setup program and waits until it has ended and its file is free again. The
// process handle closes the gap in which a program just started does not hold its file
// yet; the file wait covers a setup that hands over to a process of its own.
bool RunSetup(const std::string& setup, const std::string& param)
{
    std::string command = CommandOf(setup, param);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return false;
    CloseHandle(pi.hThread);
    const ULONGLONG start = GetTickCount64();
    bool ended = false;
    for (;;) {
        const DWORD waited = static_cast<DWORD>(GetTickCount64() - start);
        if (waited >= kSetupWaitMs)
            break;
        HANDLE process = pi.hProcess;
        const DWORD r = MsgWaitForMultipleObjects(1, &process, FALSE, kSetupWaitMs - waited, QS_ALLINPUT);
        if (r == WAIT_OBJECT_0) {
            ended = true;
            break;
        }
        if (r != WAIT_OBJECT_0 + 1)
            break;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    CloseHandle(pi.hProcess);
    return ended && WaitUntilWritable(setup, kSetupWaitMs);
}

int Run()
{
    up::THandOverArgs args;
    if (!up::ParseHelperCommandLine(GetCommandLineA(), args)) {
        MessageBoxA(nullptr, "Radirazo3 1.0\r\rPuts a downloaded upgrade in place and restarts its program.",
                    "Radirazo3", MB_OK | MB_ICONINFORMATION);
        return 0;
    }
    const std::string folder = up::FolderOf(args.programPath);
    std::string programName = args.programPath.substr(folder.size());
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(args.programPath.c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        FindClose(find);
        programName = data.cFileName; // its actual name
        if (!WaitUntilWritable(args.programPath, kProgramWaitMs))
            return 1; // the program still runs: touch nothing
    }

    const up::TMovePlan plan = up::PlanMoves(folder, programName, args.externalSetup, DownloadedFiles(folder));
    bool setupInPlace = false;
    for (const up::TFileMove& move : plan.moves) {
        SetFileAttributesA(move.target.c_str(), FILE_ATTRIBUTE_NORMAL);
        // One step that replaces the old file or leaves it whole; a file that cannot be
        // moved keeps the old one.
        if (!MoveFileExA(move.source.c_str(), move.target.c_str(), MOVEFILE_REPLACE_EXISTING))
            continue;
        SetFileAttributesA(move.target.c_str(),
                           FILE_ATTRIBUTE_ARCHIVE | (move.setup ? FILE_ATTRIBUTE_HIDDEN : 0));
        if (move.setup)
            setupInPlace = true;
    }

    if (args.externalSetup && setupInPlace) {
        const bool ended = RunSetup(plan.setupPath, args.restartParam);
        if (ended && lstrcmpiA(plan.setupPath.c_str(), args.programPath.c_str()) != 0) {
            SetFileAttributesA(plan.setupPath.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(plan.setupPath.c_str());
        }
    }
    Start(args.programPath, args.restartParam);
    return 0;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    return Run();
}
