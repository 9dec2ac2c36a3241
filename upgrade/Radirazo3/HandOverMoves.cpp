// The hand-over put in place all or nothing through its journal.
#include "HandOverMoves.h"

#include <algorithm>

namespace up {
namespace {

// A journal holds a line per downloaded file and a few per move: far less than this.
constexpr std::size_t kJournalMaxBytes = 1 << 20;

bool SamePath(const std::string& a, const std::string& b)
{
    const auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; };
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return upper(x) == upper(y); });
}

// The journal as the moves go: what it says of each entry, and the held file.
class TRun {
public:
    TRun(THandOverFiles& files, TJournal journal, std::unique_ptr<THeldJournal> held)
        : files_(files), journal_(std::move(journal)), held_(std::move(held))
    {
    }

    const std::vector<TJournalEntry>& Entries() const { return journal_.entries; }
    TMoveState State(std::size_t i) const { return journal_.states[i]; }

    // Takes the state as reached; false when the journal could not record it.
    bool Record(std::size_t i, TMoveState state)
    {
        journal_.states[i] = state;
        return held_->Append(JournalRecord(i, state));
    }

    // An entry kept whose source has gone was moved in: nothing but that move takes a
    // listed download away while the journal stands. The first form of the journal
    // recorded nothing, so each of its entries counts as moved when its source has gone
    // and as begun otherwise.
    void ReadMovesFromSources()
    {
        for (std::size_t i = 0; i < Entries().size(); ++i) {
            TMoveState& state = journal_.states[i];
            const bool sourceGone = !files_.Exists(Entries()[i].source);
            if (!journal_.recordsStates)
                state = sourceGone ? TMoveState::moved : TMoveState::begun;
            else if (state == TMoveState::kept && sourceGone)
                state = TMoveState::moved;
        }
    }

    // Recorded as finished, or every move made with every old file still kept: then the
    // hand-over can be finished.
    bool AllMoved()
    {
        if (journal_.finished)
            return true;
        for (std::size_t i = 0; i < Entries().size(); ++i) {
            const TJournalEntry& e = Entries()[i];
            if (State(i) != TMoveState::moved || !files_.Exists(e.target) ||
                (e.hadOld && !files_.Exists(BackupOf(e.target))))
                return false;
        }
        return true;
    }

    // Every old file back, last move first; then the downloads go. False, with the
    // downloads and the journal kept, when a file could not be put back.
    bool RollBack()
    {
        bool ok = true;
        for (std::size_t i = Entries().size(); i-- > 0;) {
            if (State(i) == TMoveState::untouched || State(i) == TMoveState::rolledBack)
                continue;
            if (Undo(Entries()[i], State(i)))
                Record(i, TMoveState::rolledBack);
            else
                ok = false;
        }
        if (ok) {
            for (const TJournalEntry& e : Entries())
                files_.Delete(e.source);
        }
        return ok;
    }

    // Recorded first: once one old file has gone, only finishing leaves every file whole.
    // False when the record could not be made; the old files then stay until it can.
    bool Finish()
    {
        if (!journal_.finished && !held_->Append(JournalFinishedRecord()))
            return false;
        journal_.finished = true;
        for (const TJournalEntry& e : Entries())
            if (e.hadOld)
                files_.Delete(BackupOf(e.target));
        return true;
    }

    // The journal is let go; it is deleted once it no longer matters.
    void End(const std::string& journalPath)
    {
        held_.reset();
        files_.Delete(journalPath);
    }

private:
    // Puts one entry's old file back from the step its state names, with its attributes.
    bool Undo(const TJournalEntry& e, TMoveState state)
    {
        if (!e.hadOld)
            return state == TMoveState::begun || files_.Delete(e.target); // a new file where there was none
        if (!UndoOld(e, state))
            return false;
        files_.SetAttributes(e.target, e.attributes);
        return true;
    }

    // A rename is whole or not done, so within a step the files say how far it went.
    bool UndoOld(const TJournalEntry& e, TMoveState state)
    {
        const std::string backup = BackupOf(e.target);
        const bool targetThere = files_.Exists(e.target);
        if (state == TMoveState::begun)
            return !targetThere && files_.Exists(backup)
                       ? Restore(e)                // renamed aside before the journal had it kept
                       : files_.Delete(backup);    // a copy cut short, or one left from before
        if (!files_.Exists(backup))
            return true; // put back already; the journal had not recorded it
        if (state == TMoveState::kept && targetThere && files_.Exists(e.source))
            return files_.Delete(backup); // the program's own file, copied but not replaced
        return Restore(e);
    }

    bool Restore(const TJournalEntry& e)
    {
        files_.SetAttributes(e.target, kAttrNormal);
        return files_.Rename(BackupOf(e.target), e.target, true);
    }

    THandOverFiles& files_;
    TJournal journal_;
    std::unique_ptr<THeldJournal> held_;
};

// One planned move, each step recorded before (begun, kept) or after (moved) it is made.
bool MoveOne(THandOverFiles& files, TRun& run, std::size_t i, const TFileMove& move, const TAfterStep& afterStep)
{
    const auto record = [&](TMoveState state) {
        if (!run.Record(i, state))
            return false;
        if (afterStep)
            afterStep(i, state);
        return true;
    };
    const TJournalEntry& e = run.Entries()[i];
    if (!record(TMoveState::begun))
        return false;
    if (e.hadOld) {
        const std::string backup = BackupOf(move.target);
        files.SetAttributes(move.target, kAttrNormal);
        if (!files.Delete(backup))
            return false;
        const bool kept = move.program ? files.Copy(move.target, backup) : files.Rename(move.target, backup, false);
        if (!kept)
            return false;
    }
    if (!record(TMoveState::kept) || !files.Rename(move.source, move.target, move.program))
        return false;
    files.SetAttributes(move.target, kAttrArchive | (move.setup ? kAttrHidden : 0));
    return record(TMoveState::moved);
}

} // namespace

THandOver ApplyMoves(THandOverFiles& files, const TMovePlan& plan, const std::string& journalPath,
                     const TAfterStep& afterStep)
{
    if (plan.moves.empty())
        return THandOver::done;
    TJournal journal;
    for (const TFileMove& move : plan.moves) {
        TJournalEntry e;
        e.target = move.target;
        e.source = move.source;
        e.hadOld = files.Attributes(move.target, e.attributes);
        if (!e.hadOld)
            e.attributes = 0;
        journal.entries.push_back(e);
        // A new file whose bytes were still on their way to the disk when its name took the
        // old one's place could be lost with the old one already moved aside.
        if (!files.Flush(move.source))
            return THandOver::nothingNew;
    }
    journal.states.assign(journal.entries.size(), TMoveState::untouched);
    // Held without sharing until the hand-over is over: a program started meanwhile sees
    // that its helper is still at work.
    std::unique_ptr<THeldJournal> held = files.CreateJournal(journalPath);
    if (!held)
        return THandOver::nothingNew;
    if (!held->Append(JournalText(journal.entries))) {
        held.reset();
        files.Delete(journalPath); // no move was made: a cut-short journal means nothing
        return THandOver::nothingNew;
    }
    TRun run(files, std::move(journal), std::move(held));
    for (std::size_t i = 0; i < plan.moves.size(); ++i) {
        if (!MoveOne(files, run, i, plan.moves[i], afterStep)) {
            if (!run.RollBack())
                return THandOver::pending; // the journal stays: the next start tries again
            run.End(journalPath);
            return THandOver::nothingNew;
        }
    }
    if (run.Finish())
        run.End(journalPath); // otherwise the next start finishes it
    return THandOver::done;
}

TRecovery RecoverHandOver(THandOverFiles& files, const std::string& journalPath, const std::string& folder)
{
    std::string text;
    TJournalOpen opened = TJournalOpen::failed;
    std::unique_ptr<THeldJournal> held = files.OpenJournal(journalPath, text, opened);
    if (opened == TJournalOpen::none)
        return TRecovery::none;
    if (opened == TJournalOpen::busy)
        return TRecovery::busy;
    if (!held)
        return TRecovery::incomplete; // there, but it cannot be read: it may be pending
    TJournal journal;
    if (text.size() > kJournalMaxBytes || !ParseJournal(text, journal)) {
        // Cut short while it was written: no move was made.
        held.reset();
        DeleteDownloads(files, folder, std::string());
        files.Delete(journalPath);
        return TRecovery::rolledBack;
    }
    TRun run(files, std::move(journal), std::move(held));
    run.ReadMovesFromSources();
    TRecovery result = TRecovery::finished;
    if (run.AllMoved()) {
        if (!run.Finish())
            return TRecovery::incomplete;
    } else if (run.RollBack())
        result = TRecovery::rolledBack;
    else
        return TRecovery::incomplete;
    run.End(journalPath);
    return result;
}

void DeleteDownloads(THandOverFiles& files, const std::string& folder, const std::string& journalPath)
{
    std::vector<std::string> keep;
    if (!journalPath.empty()) {
        std::string text;
        TJournalOpen opened = TJournalOpen::failed;
        const std::unique_ptr<THeldJournal> held = files.OpenJournal(journalPath, text, opened);
        if (opened == TJournalOpen::busy || (opened != TJournalOpen::none && !held))
            return; // a helper is at work on them, or what it lists cannot be read
        TJournal journal;
        if (held && text.size() <= kJournalMaxBytes && ParseJournal(text, journal))
            for (const TJournalEntry& e : journal.entries)
                keep.push_back(e.source);
    }
    for (const std::string& name : files.Downloads(folder)) {
        const std::string path = folder + name;
        if (std::none_of(keep.begin(), keep.end(), [&](const std::string& k) { return SamePath(k, path); })) {
            files.SetAttributes(path, kAttrNormal);
            files.Delete(path);
        }
    }
}

} // namespace up
