#include "shell/MovieCopy.h"

#include "classlib/Encoding.h"
#include "shell/GameText.h"
#include "shell/UnConst.h"

#include "classlib/WinHandle.h"

#include <windows.h>
#include <wininet.h>

#include <memory>
#include <new>
#include <process.h>
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

// Copies source over target in large blocks: the platform's own file copy moves small ones,
// and every call is dear where the program runs emulated. Like that copy, the target takes
// the source's attributes and last-write time, and an existing target is overwritten. A
// copy that fails once the target is made removes it, so no partial movie stays behind.
bool CopyMovieFile(const char* source, const char* target)
{
    constexpr DWORD kBlock = 4 << 20;
    cl::FileHandle in(CreateFileA(source, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!in || !GetFileInformationByHandle(in.get(), &info)) return false;
    std::unique_ptr<char[]> block(new (std::nothrow) char[kBlock]);
    if (!block) return false;
    bool copied = false;
    {
        cl::FileHandle out(
            CreateFileA(target, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!out) return false;
        for (;;) {
            DWORD read = 0, written = 0;
            if (!ReadFile(in.get(), block.get(), kBlock, &read, nullptr)) break;
            if (read == 0) {
                copied = SetFileTime(out.get(), nullptr, nullptr, &info.ftLastWriteTime) != FALSE;
                break;
            }
            if (!WriteFile(out.get(), block.get(), read, &written, nullptr) || written != read) break;
        }
    }
    const DWORD kept = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                       FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    if (copied && (info.dwFileAttributes & kept) != 0)
        copied = SetFileAttributesA(target, info.dwFileAttributes & kept) != FALSE;
    if (!copied) DeleteFileA(target);
    return copied;
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
        if (!name.empty() && entry->lpszLocalFileName) {
            const cl::AnsiString target = AppPath + "Data/swf/" + name;
            CopyMovieFile(entry->lpszLocalFileName, target.c_str()); // a failure is ignored
        }
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
