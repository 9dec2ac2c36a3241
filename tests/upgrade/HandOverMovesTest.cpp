// The hand-over's moves and recovery over files in memory: a helper stopped before any
// one of its file calls, a file held by another process, and journals an earlier helper
// left. Whatever happened, the program's next start ends with every file old or every
// file new, or with the journal still pending and every old file kept.
#include "upgrade/Radirazo3/HandOverMoves.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

using namespace up;

namespace {

struct TKilled {};

struct TFakeFile {
    std::string bytes;
    unsigned long attributes = kAttrArchive;
    bool flushed = true;
};

// Files by whole path. Each call that changes them is a step; a helper killed at step k
// makes no call from k on. A held file can be read but not renamed, replaced or deleted.
class TFakeFiles : public THandOverFiles {
public:
    std::map<std::string, TFakeFile> files;
    std::set<std::string> held;
    int killAt = -1;
    int steps = 0;
    // Renames that put a file in place whose bytes had not all reached the disk.
    std::vector<std::string> unflushedMoves;

    bool Attributes(const std::string& path, unsigned long& attributes) override
    {
        const auto f = files.find(path);
        if (f == files.end())
            return false;
        attributes = f->second.attributes;
        return true;
    }
    void SetAttributes(const std::string& path, unsigned long attributes) override
    {
        Step();
        const auto f = files.find(path);
        if (f != files.end())
            f->second.attributes = attributes == kAttrNormal ? 0 : attributes;
    }
    bool Delete(const std::string& path) override
    {
        Step();
        if (held.count(path) || journalHeld_.count(path))
            return false;
        files.erase(path);
        return true;
    }
    bool Rename(const std::string& from, const std::string& to, bool replace) override
    {
        Step();
        const auto f = files.find(from);
        const auto t = files.find(to);
        if (f == files.end() || held.count(from) || held.count(to) ||
            (t != files.end() && (!replace || (t->second.attributes & kAttrReadOnly))))
            return false;
        if (!f->second.flushed)
            unflushedMoves.push_back(from);
        TFakeFile moved = f->second;
        files.erase(f);
        files[to] = moved;
        return true;
    }
    bool Copy(const std::string& from, const std::string& to) override
    {
        Step();
        const auto f = files.find(from);
        if (f == files.end() || files.count(to))
            return false;
        files[to] = f->second;
        files[to].flushed = true;
        return true;
    }
    bool Flush(const std::string& path) override
    {
        Step();
        const auto f = files.find(path);
        if (f == files.end())
            return false;
        f->second.flushed = true;
        return true;
    }
    std::vector<std::string> Downloads(const std::string& folder) override
    {
        std::vector<std::string> names;
        for (const auto& f : files)
            if (f.first.compare(0, folder.size(), folder) == 0 && f.first.size() > folder.size() + 5 &&
                f.first.compare(f.first.size() - 5, 5, ".uTMP") == 0)
                names.push_back(f.first.substr(folder.size()));
        return names;
    }
    std::unique_ptr<THeldJournal> CreateJournal(const std::string& path) override
    {
        Step();
        if (files.count(path))
            return nullptr;
        files[path].bytes.clear();
        return std::make_unique<TJournalHandle>(*this, path);
    }
    std::unique_ptr<THeldJournal> OpenJournal(const std::string& path, std::string& text,
                                              TJournalOpen& result) override
    {
        const auto f = files.find(path);
        if (f == files.end()) {
            result = TJournalOpen::none;
            return nullptr;
        }
        if (journalHeld_.count(path)) {
            result = TJournalOpen::busy;
            return nullptr;
        }
        result = TJournalOpen::opened;
        text = f->second.bytes;
        return std::make_unique<TJournalHandle>(*this, path);
    }

    void Put(const std::string& path, const std::string& bytes, unsigned long attributes = kAttrArchive)
    {
        TFakeFile& f = files[path];
        f.bytes = bytes;
        f.attributes = attributes;
        // A download closed by the program, not yet flushed by anyone.
        f.flushed = path.size() < 5 || path.compare(path.size() - 5, 5, ".uTMP") != 0;
    }
    std::string Bytes(const std::string& path) const
    {
        const auto f = files.find(path);
        return f == files.end() ? "<none>" : f->second.bytes;
    }
    unsigned long AttributesOf(const std::string& path) const
    {
        const auto f = files.find(path);
        return f == files.end() ? ~0ul : f->second.attributes;
    }

private:
    class TJournalHandle : public THeldJournal {
    public:
        TJournalHandle(TFakeFiles& owner, std::string path) : owner_(owner), path_(std::move(path))
        {
            owner_.journalHeld_.insert(path_);
        }
        ~TJournalHandle() override { owner_.journalHeld_.erase(path_); }
        bool Append(const std::string& text) override
        {
            owner_.Step();
            owner_.files[path_].bytes += text;
            return true;
        }

    private:
        TFakeFiles& owner_;
        std::string path_;
    };

    void Step()
    {
        if (steps++ == killAt)
            throw TKilled();
    }

    std::set<std::string> journalHeld_;
};

const std::string kFolder = "C:\\G\\";
const std::string kProgram = kFolder + "Ludora.exe";
const std::string kJournal = kFolder + "Ludora.exe.uJNL";

// The release of these tests: a new file (Atlas.dat), two replaced (Data.db and a
// read-only Tessel.dll) and the program, whose new file is downloaded under another name.
// The moves: Atlas.dat, Data.db, Tessel.dll, the program last.
void PutRelease(TFakeFiles& fs)
{
    fs.Put(kProgram, "old program");
    fs.Put(kFolder + "NewBox.exe.uTMP", "new program");
    fs.Put(kFolder + "Atlas.dat.uTMP", "new atlas");
    fs.Put(kFolder + "Data.db", "old data");
    fs.Put(kFolder + "Data.db.uTMP", "new data");
    fs.Put(kFolder + "Tessel.dll", "old library", kAttrReadOnly | kAttrArchive);
    fs.Put(kFolder + "Tessel.dll.uTMP", "new library");
}

TMovePlan ReleasePlan(TFakeFiles& fs) { return PlanMoves(kFolder, "Ludora.exe", false, fs.Downloads(kFolder)); }

const char* const kNames[] = {"Ludora.exe", "Atlas.dat", "Data.db", "Tessel.dll", "NewBox.exe"};

void ExpectNoLeftovers(const TFakeFiles& fs)
{
    for (const char* name : kNames) {
        SCOPED_TRACE(name);
        EXPECT_EQ(fs.Bytes(kFolder + name + ".uTMP"), "<none>");
        EXPECT_EQ(fs.Bytes(kFolder + name + ".uOLD"), "<none>");
    }
    EXPECT_EQ(fs.Bytes(kJournal), "<none>");
}

void ExpectAllOld(const TFakeFiles& fs)
{
    EXPECT_EQ(fs.Bytes(kProgram), "old program");
    EXPECT_EQ(fs.Bytes(kFolder + "Atlas.dat"), "<none>");
    EXPECT_EQ(fs.Bytes(kFolder + "Data.db"), "old data");
    EXPECT_EQ(fs.Bytes(kFolder + "Tessel.dll"), "old library");
    EXPECT_EQ(fs.AttributesOf(kFolder + "Tessel.dll"), kAttrReadOnly | kAttrArchive);
    ExpectNoLeftovers(fs);
}

void ExpectAllNew(const TFakeFiles& fs)
{
    EXPECT_EQ(fs.Bytes(kProgram), "new program");
    EXPECT_EQ(fs.Bytes(kFolder + "Atlas.dat"), "new atlas");
    EXPECT_EQ(fs.Bytes(kFolder + "Data.db"), "new data");
    EXPECT_EQ(fs.Bytes(kFolder + "Tessel.dll"), "new library");
    ExpectNoLeftovers(fs);
}

// Every old file is either in place or kept as its backup, and the journal is there.
void ExpectPendingWithOldKept(const TFakeFiles& fs)
{
    EXPECT_NE(fs.Bytes(kJournal), "<none>");
    const std::pair<const char*, const char*> olds[] = {
        {"Ludora.exe", "old program"}, {"Data.db", "old data"}, {"Tessel.dll", "old library"}};
    for (const auto& old : olds) {
        SCOPED_TRACE(old.first);
        const std::string path = kFolder + old.first;
        EXPECT_TRUE(fs.Bytes(path) == old.second || fs.Bytes(path + ".uOLD") == old.second);
    }
}

THandOver ApplyRelease(TFakeFiles& fs, const TAfterStep& afterStep = nullptr)
{
    return ApplyMoves(fs, ReleasePlan(fs), kJournal, afterStep);
}

} // namespace

TEST(HandOverMoves, PutsEveryFileInPlaceAndFlushesTheDownloadsFirst)
{
    TFakeFiles fs;
    PutRelease(fs);
    std::string steps;
    EXPECT_EQ(ApplyRelease(fs, [&](std::size_t entry, TMoveState state) {
                  steps += std::to_string(entry) + "BKDR"[static_cast<int>(state) - 1];
              }),
              THandOver::done);
    EXPECT_EQ(steps, "0B0K0D1B1K1D2B2K2D3B3K3D");
    ExpectAllNew(fs);
    EXPECT_EQ(fs.AttributesOf(kFolder + "Tessel.dll"), kAttrArchive);
    EXPECT_TRUE(fs.unflushedMoves.empty());
    EXPECT_EQ(RecoverHandOver(fs, kJournal, kFolder), TRecovery::none);
}

// A helper killed before any one of its file calls (among them: after Data.db's rename to
// its backup and before the move in; after the program's copy and before its replace), and
// then the program's start, itself killed before any one of its calls and started again:
// all old until the program's own new file is in place, all new from then on.
TEST(HandOverMoves, AKillAtAnyStepEndsAllOldOrAllNew)
{
    TFakeFiles whole;
    PutRelease(whole);
    ApplyRelease(whole);
    const int applySteps = whole.steps;
    ASSERT_GT(applySteps, 20);
    for (int k = 0; k < applySteps; ++k) {
        for (int j = 0;; ++j) {
            SCOPED_TRACE("helper killed at step " + std::to_string(k) + ", first start at " + std::to_string(j));
            TFakeFiles fs;
            PutRelease(fs);
            fs.killAt = k;
            EXPECT_THROW(ApplyRelease(fs), TKilled);
            const bool programNew = fs.Bytes(kProgram) == "new program";
            // Without a journal nothing was moved; the downloads wait for the next
            // download's clean-up.
            if (fs.Bytes(kJournal) == "<none>")
                for (const std::string& name : fs.Downloads(kFolder))
                    fs.files.erase(kFolder + name);
            fs.killAt = fs.steps + j;
            bool killed = false;
            try {
                RecoverHandOver(fs, kJournal, kFolder);
            } catch (const TKilled&) {
                killed = true;
            }
            fs.killAt = -1;
            const TRecovery second = RecoverHandOver(fs, kJournal, kFolder);
            if (!killed) {
                EXPECT_EQ(second, TRecovery::none);
            }
            if (programNew)
                ExpectAllNew(fs);
            else
                ExpectAllOld(fs);
            EXPECT_TRUE(fs.unflushedMoves.empty());
            if (!killed || ::testing::Test::HasFailure())
                break;
        }
        if (::testing::Test::HasFailure())
            break;
    }
}

// The move onto the program fails (it is held) and the roll-back of Data.db is blocked (a
// process holds its new file): the journal stays, the old file is kept as its backup, the
// downloads it lists are kept. A start while the file is held leaves it so; the first
// start after puts every old file back.
TEST(HandOverMoves, ABlockedRollBackStaysPendingUntilAStartCanFinishIt)
{
    TFakeFiles fs;
    PutRelease(fs);
    const THandOver result = ApplyRelease(fs, [&](std::size_t entry, TMoveState state) {
        if (entry == 2 && state == TMoveState::moved) {
            fs.held.insert(kFolder + "Data.db");
            fs.held.insert(kProgram);
        }
    });
    EXPECT_EQ(result, THandOver::pending);
    ExpectPendingWithOldKept(fs);
    EXPECT_EQ(fs.Bytes(kFolder + "Data.db"), "new data");
    EXPECT_EQ(fs.Bytes(kFolder + "Data.db.uOLD"), "old data");
    EXPECT_EQ(fs.Bytes(kFolder + "Tessel.dll"), "old library");
    EXPECT_EQ(fs.Bytes(kFolder + "Atlas.dat"), "<none>");
    EXPECT_EQ(fs.Bytes(kProgram), "old program");

    // The helper's clean-up and a later download's keep what the journal lists.
    fs.Put(kFolder + "Other.dat.uTMP", "not listed");
    DeleteDownloads(fs, kFolder, kJournal);
    EXPECT_EQ(fs.Bytes(kFolder + "Other.dat.uTMP"), "<none>");
    EXPECT_EQ(fs.Bytes(kFolder + "NewBox.exe.uTMP"), "new program");

    // A new hand-over leaves the pending journal alone and moves nothing.
    const std::string journal = fs.Bytes(kJournal);
    EXPECT_EQ(ApplyRelease(fs), THandOver::nothingNew);
    EXPECT_EQ(fs.Bytes(kJournal), journal);
    EXPECT_EQ(fs.Bytes(kProgram), "old program");

    fs.held.erase(kProgram);
    EXPECT_EQ(RecoverHandOver(fs, kJournal, kFolder), TRecovery::incomplete);
    ExpectPendingWithOldKept(fs);
    EXPECT_EQ(fs.Bytes(kFolder + "Data.db"), "new data");

    fs.held.clear();
    EXPECT_EQ(RecoverHandOver(fs, kJournal, kFolder), TRecovery::rolledBack);
    ExpectAllOld(fs);
}

// A helper killed after its third move, a first start that cannot put Tessel.dll back (a
// process holds it), a new download's clean-up, then a start once the file is free.
TEST(HandOverMoves, AKilledHelperWhoseFirstRecoveryIsBlockedEndsAllOld)
{
    TFakeFiles fs;
    PutRelease(fs);
    EXPECT_THROW(ApplyRelease(fs, [](std::size_t entry, TMoveState state) {
                     if (entry == 2 && state == TMoveState::moved)
                         throw TKilled();
                 }),
                 TKilled);
    fs.held.insert(kFolder + "Tessel.dll");
    EXPECT_EQ(RecoverHandOver(fs, kJournal, kFolder), TRecovery::incomplete);
    ExpectPendingWithOldKept(fs);
    EXPECT_EQ(fs.Bytes(kFolder + "Tessel.dll"), "new library");
    EXPECT_EQ(fs.Bytes(kFolder + "Data.db"), "old data"); // the one roll-back that could be made

    DeleteDownloads(fs, kFolder, kJournal);
    EXPECT_EQ(fs.Bytes(kFolder + "NewBox.exe.uTMP"), "new program");

    fs.held.clear();
    EXPECT_EQ(RecoverHandOver(fs, kJournal, kFolder), TRecovery::rolledBack);
    ExpectAllOld(fs);
}

// A helper of an older release recorded no states. After its roll-back was blocked it
// deleted every download; the files it put back lost their backups. Read by the files, that
// is a roll-back to finish, never a finished hand-over.
TEST(HandOverMoves, AnOlderHelpersJournalAfterABlockedRollBackIsRolledBack)
{
    TFakeFiles fs;
    fs.Put(kProgram, "old program");
    fs.Put(kFolder + "Data.db", "old data");
    fs.Put(kFolder + "Tessel.dll", "new library");
    fs.Put(kFolder + "Tessel.dll.uOLD", "old library", kAttrReadOnly | kAttrArchive);
    fs.Put(kJournal, "hand-over journal 1\r\n"
                     "M|0|0|C:\\G\\Atlas.dat|C:\\G\\Atlas.dat.uTMP\r\n"
                     "M|1|32|C:\\G\\Data.db|C:\\G\\Data.db.uTMP\r\n"
                     "M|1|33|C:\\G\\Tessel.dll|C:\\G\\Tessel.dll.uTMP\r\n"
                     "M|1|32|C:\\G\\Ludora.exe|C:\\G\\NewBox.exe.uTMP\r\n"
                     "end\r\n");
    EXPECT_EQ(RecoverHandOver(fs, kJournal, kFolder), TRecovery::rolledBack);
    ExpectAllOld(fs);
}

// The same older journal after a helper killed once its last move was made.
TEST(HandOverMoves, AnOlderHelpersJournalWithEveryMoveMadeIsFinished)
{
    TFakeFiles fs;
    fs.Put(kProgram, "new program");
    fs.Put(kProgram + ".uOLD", "old program");
    fs.Put(kFolder + "Atlas.dat", "new atlas");
    fs.Put(kFolder + "Data.db", "new data");
    fs.Put(kFolder + "Data.db.uOLD", "old data");
    fs.Put(kFolder + "Tessel.dll", "new library");
    fs.Put(kFolder + "Tessel.dll.uOLD", "old library", kAttrReadOnly | kAttrArchive);
    fs.Put(kJournal, "hand-over journal 1\r\n"
                     "M|0|0|C:\\G\\Atlas.dat|C:\\G\\Atlas.dat.uTMP\r\n"
                     "M|1|32|C:\\G\\Data.db|C:\\G\\Data.db.uTMP\r\n"
                     "M|1|33|C:\\G\\Tessel.dll|C:\\G\\Tessel.dll.uTMP\r\n"
                     "M|1|32|C:\\G\\Ludora.exe|C:\\G\\NewBox.exe.uTMP\r\n"
                     "end\r\n");
    EXPECT_EQ(RecoverHandOver(fs, kJournal, kFolder), TRecovery::finished);
    ExpectAllNew(fs);
}

// A journal held by a helper at work is left alone, and so are its downloads.
TEST(HandOverMoves, AHeldJournalIsBusy)
{
    TFakeFiles fs;
    PutRelease(fs);
    ApplyRelease(fs, [&](std::size_t entry, TMoveState state) {
        if (entry != 1 || state != TMoveState::moved)
            return;
        EXPECT_EQ(RecoverHandOver(fs, kJournal, kFolder), TRecovery::busy);
        DeleteDownloads(fs, kFolder, kJournal);
        EXPECT_EQ(fs.Bytes(kFolder + "NewBox.exe.uTMP"), "new program");
    });
    ExpectAllNew(fs);
}

// A journal that is not one (cut short before its end line) means no move was made: it
// goes with the downloads.
TEST(HandOverMoves, AJournalCutShortIsDroppedWithTheDownloads)
{
    TFakeFiles fs;
    PutRelease(fs);
    fs.Put(kJournal, "hand-over journal 2\r\nM|0|0|C:\\G\\Atlas.dat|C:\\G\\Atl");
    EXPECT_EQ(RecoverHandOver(fs, kJournal, kFolder), TRecovery::rolledBack);
    EXPECT_EQ(fs.Bytes(kProgram), "old program");
    EXPECT_EQ(fs.Bytes(kFolder + "Data.db"), "old data");
    EXPECT_TRUE(fs.Downloads(kFolder).empty());
    EXPECT_EQ(fs.Bytes(kJournal), "<none>");
}
