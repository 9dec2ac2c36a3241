// The hand-over put in place all or nothing through its journal.
#include "upgrade/HandOverJournal.h"

#include "classlib/WinHandle.h"

#include <windows.h>

#include <vector>

namespace up {
namespace {

// A journal holds a line per downloaded file: far less than this.
constexpr DWORD kJournalMaxBytes = 1 << 20;

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool DeleteAny(const std::string& path)
{
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    return DeleteFileA(path.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND;
}

// Durable before it returns, so the journal's view of the disk holds after a power cut.
bool Move(const std::string& from, const std::string& to, bool replace)
{
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0));
}

bool WriteDurably(HANDLE file, const std::string& text)
{
    DWORD written = 0;
    return WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size() && FlushFileBuffers(file);
}

// Puts one entry's old file back, whatever step of its move was reached. A move is made
// once its source is gone; before that the target is the old file, or missing while the
// old one waits renamed.
bool Undo(const TJournalEntry& e)
{
    const std::string backup = BackupOf(e.target);
    bool ok = true;
    if (Exists(backup)) {
        if (!Exists(e.source) || !Exists(e.target)) {
            SetFileAttributesA(e.target.c_str(), FILE_ATTRIBUTE_NORMAL);
            ok = Move(backup, e.target, true);
        } else {
            ok = DeleteAny(backup); // a copy the move never needed
        }
    } else if (!e.hadOld && !Exists(e.source)) {
        ok = DeleteAny(e.target); // a new file where there was none
    }
    if (ok && e.hadOld)
        SetFileAttributesA(e.target.c_str(), e.attributes);
    return ok;
}

// Every old file back, last move first; then the downloads go. False, with the downloads
// kept, when a file could not be put back.
bool RollBack(const std::vector<TJournalEntry>& entries)
{
    bool ok = true;
    for (auto e = entries.rbegin(); e != entries.rend(); ++e)
        ok = Undo(*e) && ok;
    if (ok)
        for (const TJournalEntry& e : entries)
            DeleteAny(e.source);
    return ok;
}

void DeleteBackups(const std::vector<TJournalEntry>& entries)
{
    for (const TJournalEntry& e : entries)
        if (e.hadOld)
            DeleteAny(BackupOf(e.target));
}

bool LastMoveMade(const std::vector<TJournalEntry>& entries)
{
    return !Exists(entries.back().source) && Exists(entries.back().target);
}

// The move of one planned file: its old file kept as the backup, then the new one in place.
bool MoveOne(const TFileMove& move, const TJournalEntry& entry)
{
    if (entry.hadOld) {
        const std::string backup = BackupOf(move.target);
        SetFileAttributesA(move.target.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (!DeleteAny(backup))
            return false;
        const bool kept = move.program ? CopyFileA(move.target.c_str(), backup.c_str(), TRUE) != FALSE
                                       : Move(move.target, backup, false);
        if (!kept)
            return false;
    }
    if (!Move(move.source, move.target, move.program))
        return false;
    SetFileAttributesA(move.target.c_str(), FILE_ATTRIBUTE_ARCHIVE | (move.setup ? FILE_ATTRIBUTE_HIDDEN : 0));
    return true;
}

} // namespace

bool ApplyMoves(const TMovePlan& plan, const std::string& journalPath, const TAfterMove& afterMove)
{
    if (plan.moves.empty())
        return true;
    std::vector<TJournalEntry> entries;
    for (const TFileMove& move : plan.moves) {
        TJournalEntry e;
        e.target = move.target;
        e.source = move.source;
        const DWORD attributes = GetFileAttributesA(move.target.c_str());
        e.hadOld = attributes != INVALID_FILE_ATTRIBUTES;
        e.attributes = e.hadOld ? attributes : 0;
        entries.push_back(e);
    }
    // Held without sharing until the hand-over is over: a program started meanwhile sees
    // that its helper is still at work.
    cl::FileHandle journal(CreateFileA(journalPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH, nullptr));
    if (!journal)
        return false;
    if (!WriteDurably(journal.get(), JournalText(entries))) {
        journal.reset();
        DeleteAny(journalPath); // no move was made: a cut-short journal means nothing
        return false;
    }
    for (std::size_t i = 0; i < plan.moves.size(); ++i) {
        if (!MoveOne(plan.moves[i], entries[i])) {
            if (!RollBack(entries))
                return false; // the journal stays: the next start tries again
            journal.reset();
            DeleteAny(journalPath);
            return false;
        }
        if (afterMove)
            afterMove(i + 1);
    }
    DeleteBackups(entries);
    journal.reset();
    DeleteAny(journalPath);
    return true;
}

TRecovery RecoverHandOver(const std::string& programPath)
{
    const std::string path = JournalOf(programPath);
    std::vector<TJournalEntry> entries;
    bool whole = false;
    {
        cl::FileHandle journal(
            CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!journal)
            return GetLastError() == ERROR_SHARING_VIOLATION ? TRecovery::busy : TRecovery::none;
        const DWORD size = GetFileSize(journal.get(), nullptr);
        if (size != INVALID_FILE_SIZE && size <= kJournalMaxBytes) {
            std::string text(size, '\0');
            DWORD read = 0;
            whole = (size == 0 || ReadFile(journal.get(), &text[0], size, &read, nullptr)) && read == size &&
                    ParseJournal(text, entries);
        }
    }
    TRecovery result = TRecovery::rolledBack;
    if (!whole) {
        // Cut short while it was written: no move was made.
        DeleteDownloads(FolderOf(programPath));
    } else if (LastMoveMade(entries)) {
        DeleteBackups(entries);
        result = TRecovery::finished;
    } else if (!RollBack(entries)) {
        return TRecovery::incomplete;
    }
    DeleteAny(path);
    return result;
}

void DeleteDownloads(const std::string& folder)
{
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "*.uTMP").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            DeleteAny(folder + data.cFileName);
    } while (FindNextFileA(find, &data));
    FindClose(find);
}

} // namespace up
