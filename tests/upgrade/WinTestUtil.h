// Helpers of the upgrader's Windows tests: a message loop that runs until a condition
// holds or a time-out passes, whole-file reading and writing, and scratch files and folders.
#pragma once

#include "classlib/SysUtils.h"

#include <windows.h>

#include <fstream>
#include <functional>
#include <sstream>
#include <string>

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
        // Looked at after every message: a queue that never empties must not hold the pump.
        while (!done() && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
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

// A file's bytes, or "<none>" when it cannot be read.
inline std::string ReadWhole(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return "<none>";
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void WriteWhole(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

inline bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// A folder (path ending in a separator) removed with every file in it at the end.
class TScratchFolder {
public:
    explicit TScratchFolder(std::string path) : path_(std::move(path)) { CreateDirectoryA(path_.c_str(), nullptr); }
    ~TScratchFolder()
    {
        WIN32_FIND_DATAA data;
        HANDLE find = FindFirstFileA((path_ + "*").c_str(), &data);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                const std::string file = path_ + data.cFileName;
                SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(file.c_str());
            } while (FindNextFileA(find, &data));
            FindClose(find);
        }
        RemoveDirectoryA(path_.c_str());
    }
    TScratchFolder(const TScratchFolder&) = delete;
    TScratchFolder& operator=(const TScratchFolder&) = delete;
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

} // namespace uptest
