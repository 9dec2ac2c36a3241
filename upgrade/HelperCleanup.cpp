// Removes the upgrade helper's file once the helper has ended.
#include "upgrade/HelperCleanup.h"

#include <windows.h>
#include <tlhelp32.h>

#include <memory>

namespace up {
namespace {

DWORD ParentProcessId()
{
    cl::FileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot)
        return 0;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    const DWORD self = GetCurrentProcessId();
    for (BOOL more = Process32First(snapshot.get(), &entry); more; more = Process32Next(snapshot.get(), &entry))
        if (entry.th32ProcessID == self)
            return entry.th32ParentProcessID;
    return 0;
}

// The path in its long form, so that two spellings of one file compare equal.
std::string LongPath(const std::string& path)
{
    char full[MAX_PATH * 2];
    const DWORD n = GetLongPathNameA(path.c_str(), full, sizeof full);
    return n && n < sizeof full ? std::string(full, n) : path;
}

// The parent process when it runs from the file at path; empty otherwise (it has ended
// already, or it is not the helper).
cl::KernelHandle HelperParent(const std::string& path)
{
    const DWORD parent = ParentProcessId();
    if (!parent)
        return {};
    cl::KernelHandle process(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, parent));
    if (!process)
        return {};
    char image[MAX_PATH * 2];
    DWORD size = sizeof image;
    if (!QueryFullProcessImageNameA(process.get(), 0, image, &size) || lstrcmpiA(LongPath(image).c_str(), LongPath(path).c_str()) != 0)
        return {};
    return process;
}

struct TRemoval {
    cl::KernelHandle helper;
    std::string path;
};

void DeleteHelper(const std::string& path)
{
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(path.c_str());
}

DWORD WINAPI RemoveOnceEnded(void* parameter)
{
    const std::unique_ptr<TRemoval> removal(static_cast<TRemoval*>(parameter));
    if (WaitForSingleObject(removal->helper.get(), INFINITE) == WAIT_OBJECT_0)
        DeleteHelper(removal->path);
    return 0;
}

} // namespace

cl::KernelHandle RemoveHelperFile(const std::string& helperPath)
{
    cl::KernelHandle helper = HelperParent(helperPath);
    if (!helper) {
        DeleteHelper(helperPath);
        return {};
    }
    auto removal = std::make_unique<TRemoval>();
    removal->helper = std::move(helper);
    removal->path = helperPath;
    cl::KernelHandle thread(CreateThread(nullptr, 0, RemoveOnceEnded, removal.get(), 0, nullptr));
    if (thread)
        removal.release(); // the thread owns it now
    return thread;
}

} // namespace up
