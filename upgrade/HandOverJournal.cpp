// The hand-over over the system's files.
#include "upgrade/HandOverJournal.h"

#include "classlib/WinHandle.h"

#include <windows.h>

namespace up {
namespace {

class TSystemJournal : public THeldJournal {
public:
    explicit TSystemJournal(HANDLE file) : file_(file) {}
    bool Append(const std::string& text) override
    {
        DWORD written = 0;
        return SetFilePointer(file_.get(), 0, nullptr, FILE_END) != INVALID_SET_FILE_POINTER &&
               WriteFile(file_.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
               written == text.size() && FlushFileBuffers(file_.get());
    }

private:
    cl::FileHandle file_;
};

class TSystemFiles : public THandOverFiles {
public:
    bool Attributes(const std::string& path, unsigned long& attributes) override
    {
        const DWORD a = GetFileAttributesA(path.c_str());
        if (a == INVALID_FILE_ATTRIBUTES)
            return false;
        attributes = a;
        return true;
    }
    void SetAttributes(const std::string& path, unsigned long attributes) override
    {
        SetFileAttributesA(path.c_str(), attributes);
    }
    bool Delete(const std::string& path) override
    {
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        return DeleteFileA(path.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND;
    }
    bool Rename(const std::string& from, const std::string& to, bool replace) override
    {
        return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0));
    }
    bool Copy(const std::string& from, const std::string& to) override
    {
        return CopyFileA(from.c_str(), to.c_str(), TRUE) && Flush(to);
    }
    bool Flush(const std::string& path) override
    {
        cl::FileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        return file && FlushFileBuffers(file.get());
    }
    std::vector<std::string> Downloads(const std::string& folder) override { return DownloadsIn(folder, 0); }
    std::unique_ptr<THeldJournal> CreateJournal(const std::string& path) override
    {
        HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return nullptr;
        return std::make_unique<TSystemJournal>(file);
    }
    std::unique_ptr<THeldJournal> OpenJournal(const std::string& path, std::string& text,
                                              TJournalOpen& result) override
    {
        text.clear();
        cl::FileHandle file(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH, nullptr));
        if (!file) {
            const DWORD error = GetLastError();
            result = error == ERROR_SHARING_VIOLATION ? TJournalOpen::busy
                     : error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? TJournalOpen::none
                                                                                    : TJournalOpen::failed;
            return nullptr;
        }
        result = TJournalOpen::opened;
        // Far longer than any journal: such a file is read as not one.
        const DWORD size = GetFileSize(file.get(), nullptr);
        if (size == INVALID_FILE_SIZE || size > kMaxReadBytes)
            return std::make_unique<TSystemJournal>(file.release());
        text.resize(size);
        DWORD read = 0;
        if (size && (!ReadFile(file.get(), &text[0], size, &read, nullptr) || read != size)) {
            text.clear();
            result = TJournalOpen::failed;
            return nullptr;
        }
        return std::make_unique<TSystemJournal>(file.release());
    }

private:
    static constexpr DWORD kMaxReadBytes = 4u << 20;
};

} // namespace

THandOver ApplyMoves(const TMovePlan& plan, const std::string& programPath, const TAfterStep& afterStep)
{
    TSystemFiles files;
    return ApplyMoves(files, plan, JournalOf(programPath), afterStep);
}

TRecovery RecoverHandOver(const std::string& programPath)
{
    TSystemFiles files;
    return RecoverHandOver(files, JournalOf(programPath), FolderOf(programPath));
}

std::vector<std::string> DownloadsIn(const std::string& folder, unsigned long skip)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    cl::FindHandle find(FindFirstFileA((folder + "*.uTMP").c_str(), &data));
    if (!find)
        return names;
    do {
        if (!(data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | skip)))
            names.push_back(data.cFileName);
    } while (FindNextFileA(find.get(), &data));
    return names;
}

void DeleteDownloads(const std::string& programPath)
{
    TSystemFiles files;
    DeleteDownloads(files, FolderOf(programPath), JournalOf(programPath));
}

} // namespace up
