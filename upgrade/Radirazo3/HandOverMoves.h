// The hand-over put in place all or nothing, over the file calls it needs: the moves of a
// plan recorded in a journal beside the program as they happen, and the recovery that
// finishes or rolls back a hand-over from what its journal says. Plain C++; the helper
// and the program run it over the system's files (HandOverJournal.h), the native tests
// over files of their own.
#pragma once

#include "HandOverText.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace up {

// File attributes as the system numbers them.
constexpr unsigned long kAttrReadOnly = 0x1;
constexpr unsigned long kAttrHidden = 0x2;
constexpr unsigned long kAttrArchive = 0x20;
constexpr unsigned long kAttrNormal = 0x80;

// A journal held open, so that no one else opens it meanwhile.
class THeldJournal {
public:
    virtual ~THeldJournal() = default;
    // Adds the text at the end, on the disk before it returns.
    virtual bool Append(const std::string& text) = 0;
};

enum class TJournalOpen { opened, none, busy, failed };

// The file calls of a hand-over. Paths are whole; a path that names nothing is no error
// for Delete.
class THandOverFiles {
public:
    virtual ~THandOverFiles() = default;
    // False when the file does not exist.
    virtual bool Attributes(const std::string& path, unsigned long& attributes) = 0;
    virtual void SetAttributes(const std::string& path, unsigned long attributes) = 0;
    virtual bool Delete(const std::string& path) = 0;
    // Renamed on the disk before it returns; with replace, over a file that exists.
    virtual bool Rename(const std::string& from, const std::string& to, bool replace) = 0;
    // A new file with the same bytes and attributes, on the disk before it returns.
    virtual bool Copy(const std::string& from, const std::string& to) = 0;
    // Writes what the system still holds of the file to the disk.
    virtual bool Flush(const std::string& path) = 0;
    // The names of the files "*.uTMP" in the folder (with a trailing "\").
    virtual std::vector<std::string> Downloads(const std::string& folder) = 0;
    // A new journal, held; empty when one exists already or it cannot be made.
    virtual std::unique_ptr<THeldJournal> CreateJournal(const std::string& path) = 0;
    // The journal that exists, held, and its whole text; empty, with the reason, when it
    // cannot be opened or read.
    virtual std::unique_ptr<THeldJournal> OpenJournal(const std::string& path, std::string& text,
                                                      TJournalOpen& result) = 0;

    bool Exists(const std::string& path)
    {
        unsigned long ignored = 0;
        return Attributes(path, ignored);
    }
};

// Told each step of a move (entry, state reached) once the journal has it.
using TAfterStep = std::function<void(std::size_t entry, TMoveState state)>;

enum class THandOver {
    done,       // every new file in place
    nothingNew, // every old file in place (also when the hand-over could not begin)
    pending     // an old file could not be put back: the journal keeps it for the next start
};
// Puts every planned file in place, or none. The downloads are flushed and the journal is
// written first, and each step recorded in it as it is reached; each old file is kept
// beside its target (the program's own as a copy, so that it is never missing) until the
// last move, onto the program's file, is made. A journal that exists already is left
// alone and nothing is moved. On a failure every old file is put back with its attributes
// and the downloads are deleted, unless a file could not be put back.
THandOver ApplyMoves(THandOverFiles& files, const TMovePlan& plan, const std::string& journalPath,
                     const TAfterStep& afterStep);

enum class TRecovery {
    none,       // no journal
    busy,       // a helper still holds it
    finished,   // every move had been made: the kept old files are deleted
    rolledBack, // every old file is back, the downloads deleted
    incomplete  // a file could not be put back; the journal stays for the next start
};
// Finishes or rolls back the hand-over its journal left: finished only when the journal
// records the finish, or every move made with every kept old file still there; otherwise
// rolled back.
TRecovery RecoverHandOver(THandOverFiles& files, const std::string& journalPath, const std::string& folder);

// Deletes every "*.uTMP" file in the folder except those that a journal lists (all of them
// while a helper holds it, or while it cannot be read): its recovery reads from them which
// moves were made.
void DeleteDownloads(THandOverFiles& files, const std::string& folder, const std::string& journalPath);

} // namespace up
