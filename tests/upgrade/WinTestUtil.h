// Helpers of the upgrader's Windows tests: a message loop that runs until a condition
// holds or a time-out passes, and scratch files.
#pragma once

#include "classlib/SysUtils.h"

#include <windows.h>

#include <functional>

namespace uptest {

// Dispatches messages until done() is true or ms pass; returns done(). A thread ending
// posts nothing, so the wait also wakes every 20 ms to look again.
inline bool PumpUntil(const std::function<bool()>& done, DWORD ms)
{
    const ULONGLONG deadline = GetTickCount64() + ms;
    while (!done()) {
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline)
            return done();
        const ULONGLONG slice = deadline - now < 20 ? deadline - now : 20;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(slice), QS_ALLINPUT);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return true;
}

// A fresh file name in the temporary folder, deleted (with any attributes) at the end.
class TScratchFile {
public:
    explicit TScratchFile(const char* tag)
    {
        char dir[MAX_PATH], name[MAX_PATH];
        GetTempPathA(MAX_PATH, dir);
        GetTempFileNameA(dir, tag, 0, name);
        DeleteFileA(name);
        path_ = name;
    }
    ~TScratchFile()
    {
        SetFileAttributesA(path_.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path_.c_str());
    }
    TScratchFile(const TScratchFile&) = delete;
    TScratchFile& operator=(const TScratchFile&) = delete;
    const cl::AnsiString& Path() const { return path_; }

private:
    cl::AnsiString path_;
};

} // namespace uptest
