#include "shell/MovieCopy.h"

#include "classlib/Encoding.h"
#include "shell/GameText.h"
#include "shell/UnConst.h"

#include <windows.h>
#include <wininet.h>

#include <memory>
#include <process.h>
#include <string>
#include <vector>

namespace {

// Cache entry records hold a few texts of at most a URL's length; anything larger than
// this is not believed.
constexpr DWORD kMaxEntrySize = 1 << 20;

// One cache enumeration; the record of the current entry sits in a buffer of the size the
// cache asked for.
class TCacheWalk {
public:
    ~TCacheWalk()
    {
        if (find_) FindCloseUrlCache(find_);
    }
    const INTERNET_CACHE_ENTRY_INFOA* First()
    {
        DWORD size = 0;
        if (FindFirstUrlCacheEntryA(nullptr, nullptr, &size) || !Reserve(size)) return nullptr;
        find_ = FindFirstUrlCacheEntryA(nullptr, Entry(), &size);
        return find_ ? Entry() : nullptr;
    }
    const INTERNET_CACHE_ENTRY_INFOA* Next()
    {
        // The size query fails with ERROR_INSUFFICIENT_BUFFER while there is an entry; at
        // the end it fails with ERROR_NO_MORE_ITEMS and reports 0.
        DWORD size = 0;
        if (FindNextUrlCacheEntryA(find_, nullptr, &size) || !Reserve(size)) return nullptr;
        return FindNextUrlCacheEntryA(find_, Entry(), &size) ? Entry() : nullptr;
    }

private:
    bool Reserve(DWORD size)
    {
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size < sizeof(INTERNET_CACHE_ENTRY_INFOA) ||
            size > kMaxEntrySize)
            return false;
        buffer_.assign((size + sizeof(DWORD) - 1) / sizeof(DWORD), 0);
        Entry()->dwStructSize = size;
        return true;
    }
    INTERNET_CACHE_ENTRY_INFOA* Entry() { return reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(buffer_.data()); }

    HANDLE find_ = nullptr;
    std::vector<DWORD> buffer_;
};

bool FileSize(const cl::AnsiString& path, ULONGLONG& size)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return false;
    size = (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return true;
}

// Copies source to target by way of a name of its own in the target's folder, renamed
// once the copy is whole: a copy that fails, or that the process's end cuts short, never
// leaves a truncated movie under the game's name. The platform's copy can end early on a
// failed read and still answer success, so the sizes are compared before the rename.
void CopyWhole(const char* source, const cl::AnsiString& target)
{
    const cl::AnsiString part = target + "." + std::to_string(GetCurrentThreadId()) + ".part";
    ULONGLONG sourceSize = 0, partSize = 0;
    if (CopyFileA(source, part.c_str(), FALSE) && FileSize(source, sourceSize) && FileSize(part, partSize) &&
        sourceSize == partSize && MoveFileExA(part.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING))
        return;
    DeleteFileA(part.c_str()); // a failure is otherwise ignored
}

unsigned __stdcall CopyThread(void* arg)
{
    std::unique_ptr<cl::AnsiString> text(static_cast<cl::AnsiString*>(arg));
    try {
        GetSwfThread(*text);
    } catch (...) {
        // Nobody learns the thread's result.
    }
    return 0;
}

} // namespace

void GetSwfThread(const cl::AnsiString& text)
{
    if (text.empty()) return;
    TCacheWalk walk;
    for (const INTERNET_CACHE_ENTRY_INFOA* entry = walk.First(); entry; entry = walk.Next()) {
        if (!(entry->CacheEntryType & NORMAL_CACHE_ENTRY) || !entry->lpszSourceUrlName) continue;
        const std::string_view source(entry->lpszSourceUrlName);
        if (source.find(text) == std::string_view::npos) continue;
        const cl::AnsiString name = MovieFileName(source);
        if (!name.empty() && entry->lpszLocalFileName) CopyWhole(entry->lpszLocalFileName, AppPath + "Data/swf/" + name);
        return; // only the first matching entry counts
    }
}

void StartMovieCopy(std::wstring_view text)
{
    auto copy = std::make_unique<cl::AnsiString>(cl::WideToAnsi(text));
    uintptr_t thread = _beginthreadex(nullptr, 0, CopyThread, copy.get(), 0, nullptr);
    if (!thread) return; // no thread: no copy, as with any other failure of the copy
    copy.release();
    CloseHandle(reinterpret_cast<HANDLE>(thread));
}
