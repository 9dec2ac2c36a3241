// The HTTP transfer component under Wine against the local test portal: event order,
// output file (contents, attributes, time stamp) and the portal's request log.
#include "PortalClient.h" // winsock2.h before windows.h
#include "upgrade/HttpTransfer.h"

#include "WinTestUtil.h"
#include "classlib/Forms.h"
#include "classlib/TypInfo.h"
#include "upgrade/TransferText.h"

#include <psapi.h>
#include <wininet.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

using namespace up;
using uptest::PumpUntil;
using uptest::TScratchFile;
using Strings = std::vector<std::string>;

namespace {

const long long kMoment = 784111777; // 1994-11-06 08:49:37 UTC
const TDateTime kLocalMoment = EncodeDate(1994, 11, 6) + EncodeTime(16, 49, 37, 0);

std::string ReadWhole(const AnsiString& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return "<none>";
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string StreamText(cl::TStream* stream)
{
    if (!stream)
        return "<nil>";
    std::string text(static_cast<std::size_t>(stream->Size()), '\0');
    stream->SetPosition(0);
    if (!text.empty())
        stream->ReadBuffer(&text[0], static_cast<std::int64_t>(text.size()));
    return text;
}

// Records the events of one transfer in order (progress events collapsed into one).
struct TRecorder {
    Strings events;
    bool ended = false;
    TDateTime lastModified = -1;
    std::int64_t headerLength = -2;
    std::string body = "<none>";
    int progress = 0;
    std::uint8_t lastPercent = 0;
    int lastLeft = 0, lastElapsed = 0;
    std::int64_t lastBytes = 0;
    std::function<void(TupCustomHTTP&)> onFirstProgress;
    std::function<void(bool&)> onLogin;
    bool clearCanContinue = false;
    std::string fileErrorText;
    DWORD fileErrorCode = 0;

    void Add(const std::string& e)
    {
        if (e == "progress" && !events.empty() && events.back() == "progress")
            return;
        events.push_back(e);
    }

    void Attach(TupCustomHTTP& http)
    {
        http.OnHeaderInfo = [this](cl::TObject*, int status, const AnsiString& raw, const AnsiString&, const AnsiString&,
                                   const AnsiString&, std::int64_t length, const AnsiString&, TDateTime, TDateTime modified,
                                   TDateTime, const AnsiString&, bool& canContinue) {
            EXPECT_EQ(raw.compare(0, 5, "HTTP/"), 0);
            Add("header " + std::to_string(status));
            headerLength = length;
            lastModified = modified;
            if (clearCanContinue)
                canContinue = false;
        };
        http.OnTransferProgress = [this, &http](cl::TObject*, const AnsiString&, cl::TStream*, float, std::uint8_t percent,
                                                int left, int elapsed, std::int64_t bytes, std::int64_t) {
            Add("progress");
            lastPercent = percent;
            lastLeft = left;
            lastElapsed = elapsed;
            lastBytes = bytes;
            if (++progress == 1 && onFirstProgress)
                onFirstProgress(http);
        };
        http.OnDone = [this, &http](cl::TObject*, const AnsiString&, std::int64_t size, cl::TStream* stream) {
            Add("done " + std::to_string(size));
            body = StreamText(stream);
            // As the upgrader does: the file takes the server's Last-Modified.
            if (!stream && lastModified > 0) {
                EXPECT_TRUE(SetFileTimes(http.OutputFileName, lastModified, -1, lastModified));
            }
            ended = true;
        };
        http.OnConnectionLost = [this](cl::TObject*, const AnsiString&, cl::TStream*, std::int64_t read, std::int64_t size) {
            Add("connection lost " + std::to_string(read) + "/" + std::to_string(size));
            ended = true;
        };
        http.OnHostNotReached = [this](cl::TObject*) {
            Add("host not reached");
            ended = true;
        };
        http.OnHTTPError = [this](cl::TObject*, int status, cl::TStream* stream) {
            Add("http error " + std::to_string(status));
            body = StreamText(stream);
            ended = true;
        };
        http.OnFileError = [this](cl::TObject*, const AnsiString& name, bool writing, DWORD error,
                                  const AnsiString& message) {
            Add(std::string(writing ? "write" : "file") + " error " + name);
            fileErrorCode = error;
            fileErrorText = message;
            ended = true;
        };
        http.OnFinished = [this](cl::TObject*) { Add("finished"); };
        http.OnCanceled = [this](cl::TObject*) {
            Add("canceled");
            ended = true;
        };
        http.OnStopped = [this](cl::TObject*) {
            Add("stopped");
            ended = true;
        };
        http.OnLoginRequest = [this](cl::TObject*, const AnsiString& realm, bool& tryAgain) {
            Add("login " + realm);
            if (onLogin)
                onLogin(tryAgain);
        };
    }
};

bool Hidden(const AnsiString& path)
{
    const DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_HIDDEN);
}

TDateTime RawWriteTimeUTC(const AnsiString& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    SYSTEMTIME st;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) || !FileTimeToSystemTime(&data.ftLastWriteTime, &st))
        return -1;
    return EncodeDate(st.wYear, st.wMonth, st.wDay) + EncodeTime(st.wHour, st.wMinute, st.wSecond, 0);
}

// The worker of a transfer, known by the thread its status events run on: a test waits
// for it to end before it says that nothing more happens.
class TWorkerWatch {
public:
    explicit TWorkerWatch(TupCustomHTTP& http)
    {
        http.OnStatusChange = [this](cl::TObject*, unsigned long, const AnsiString&) {
            std::lock_guard<std::mutex> hold(lock_);
            if (!thread_)
                thread_ = OpenThread(SYNCHRONIZE, FALSE, GetCurrentThreadId());
        };
    }
    ~TWorkerWatch()
    {
        if (thread_)
            CloseHandle(thread_);
    }
    TWorkerWatch(const TWorkerWatch&) = delete;
    TWorkerWatch& operator=(const TWorkerWatch&) = delete;
    bool Seen()
    {
        std::lock_guard<std::mutex> hold(lock_);
        return thread_ != nullptr;
    }
    bool Ended()
    {
        std::lock_guard<std::mutex> hold(lock_);
        return thread_ && WaitForSingleObject(thread_, 0) == WAIT_OBJECT_0;
    }
    // Waits until the worker has ended and a message posted now has come back, so that
    // everything the worker sent or posted has been handled.
    bool Settled(DWORD ms = 20000)
    {
        if (!PumpUntil([this] { return Ended(); }, ms))
            return false;
        bool back = false;
        HWND marker = cl::AllocateHWnd([&](cl::TMessage& m) {
            if (m.Msg == WM_APP + 11)
                back = true;
        });
        PostMessageA(marker, WM_APP + 11, 0, 0);
        const bool done = PumpUntil([&] { return back; }, ms);
        cl::DeallocateHWnd(marker);
        return done;
    }

private:
    std::mutex lock_;
    HANDLE thread_ = nullptr;
};

// The sizes of the part files a transfer writes beside its output file
// ("name.<process>-<n>.ext").
std::vector<std::int64_t> PartFileSizes(const AnsiString& path)
{
    const std::size_t dot = path.rfind('.');
    const AnsiString pattern = path.substr(0, dot) + ".*" + path.substr(dot);
    std::vector<std::int64_t> sizes;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(pattern.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return sizes;
    do
        sizes.push_back((static_cast<std::int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
    while (FindNextFileA(find, &data));
    FindClose(find);
    return sizes;
}

int PartFilesOf(const AnsiString& path) { return static_cast<int>(PartFileSizes(path).size()); }

class HttpTransfer : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(portal.Available()) << "run through tools/portal/portal.py run"; }
    uptest::TPortalClient portal;
};

} // namespace

TEST_F(HttpTransfer, OutcomesTable)
{
    enum class Where { Portal, OwnPort, Refused, LocalFile, MissingFile };
    struct Case {
        const char* name;
        Where where;
        const char* scenario; // JSON fields of the route "/f"; nullptr: no route
        bool retryLogin;
        Strings events;
        const char* file;     // the output file afterwards, "<none>" when there is none
        bool hidden;          // the output file still carries the incomplete attributes
        bool stamped;         // its time is the server's Last-Modified
        Strings log;
    };
    const Case cases[] = {
        {"200 with length and date", Where::Portal,
         R"("body_text": "hello", "last_modified": 784111777, "date_layout": "rfc1123")", false,
         {"header 200", "progress", "done 5"}, "hello", false, true, {"GET /f 200 5 -"}},
        {"RFC 850 date", Where::Portal, R"("body_text": "hello", "last_modified": 784111777, "date_layout": "rfc850")",
         false, {"header 200", "progress", "done 5"}, "hello", false, true, {"GET /f 200 5 -"}},
        {"asctime date", Where::Portal, R"("body_text": "hello", "last_modified": 784111777, "date_layout": "asctime")",
         false, {"header 200", "progress", "done 5"}, "hello", false, true, {"GET /f 200 5 -"}},
        {"no length", Where::Portal, R"("body_text": "unsized body", "send_length": false)", false,
         {"header 200", "progress", "done 12"}, "unsized body", false, false, {"GET /f 200 12 -"}},
        {"truncated", Where::Portal, R"("body_text": "0123456789", "truncate_after": 4)", false,
         {"header 200", "progress", "connection lost 4/10", "finished"}, "0123", true, false, {"GET /f 200 4 -"}},
        // Without a length the close is the end: what came is the body.
        {"no length, closed", Where::Portal, R"("body_text": "0123456789", "send_length": false, "truncate_after": 4)",
         false, {"header 200", "progress", "done 4"}, "0123", false, false, {"GET /f 200 4 -"}},
        {"chunked", Where::Portal, R"("body_text": "0123456789", "chunked": true, "trickle_bytes": 4)", false,
         {"header 200", "progress", "done 10"}, "0123456789", false, false, {"GET /f 200 10 -"}},
        // No range is asked for: a part of the file is not the file.
        {"206", Where::Portal, R"("status": 206, "body_text": "part", "headers": {"Content-Range": "bytes 4-7/8"})",
         false, {"header 206", "progress", "http error 206", "finished"}, "<none>", false, false, {"GET /f 206 4 -"}},
        {"404", Where::Portal, nullptr, false, {"header 404", "progress", "http error 404", "finished"}, "<none>", false,
         false, {"GET /f 404 0 -"}},
        {"500", Where::Portal, R"("status": 500, "body_text": "broken")", false,
         {"header 500", "progress", "http error 500", "finished"}, "<none>", false, false, {"GET /f 500 6 -"}},
        {"401 retried", Where::OwnPort, R"("body_text": "secret", "auth_user": "ann", "auth_password": "pw", "realm": "Zone A")",
         true, {"login Zone A", "header 200", "progress", "done 6"}, "secret", false, false,
         {"GET /f 401 0 -", "GET /f 200 6 auth"}},
        {"401 not retried", Where::OwnPort,
         R"("body_text": "secret", "auth_user": "ann", "auth_password": "pw", "realm": "Zone B")", false,
         {"login Zone B", "header 401", "progress", "http error 401", "finished"}, "<none>", false, false,
         {"GET /f 401 0 -"}},
        {"refused port", Where::Refused, nullptr, false, {"host not reached", "finished"}, "<none>", false, false, {}},
        {"file present", Where::LocalFile, nullptr, false, {"progress", "done 11"}, "local bytes", false, false, {}},
        {"file missing", Where::MissingFile, nullptr, false, {"http error 404", "finished"}, "<none>", false, false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TScratchFile output("out"), local("loc");
        {
            std::ofstream(local.Path(), std::ios::binary) << "local bytes";
        }
        const AnsiString path = "/f" + std::to_string(&c - cases);
        const std::size_t logBefore = portal.Log().size();
        AnsiString url;
        switch (c.where) {
        case Where::Portal:
            url = portal.URL(path);
            break;
        case Where::OwnPort:
            url = portal.URL(path, portal.AddPort());
            break;
        case Where::Refused:
            url = "http://127.0.0.1:1" + path;
            break;
        case Where::LocalFile:
        case Where::MissingFile: {
            AnsiString file = local.Path() + (c.where == Where::MissingFile ? ".missing" : "");
            for (char& ch : file)
                if (ch == '\\')
                    ch = '/';
            url = "file:///" + file;
            break;
        }
        }
        if (c.scenario) {
            ASSERT_TRUE(portal.SetRoute(path, c.scenario));
        }

        TupCustomHTTP http(nullptr);
        http.URL = url;
        http.OutputFileName = output.Path();
        http.OutputFileAttributes()->Incomplete = AttrSet(atrArchive) | AttrSet(atrHidden) | AttrSet(atrTemporary);
        TRecorder rec;
        rec.Attach(http);
        rec.onLogin = [&](bool& tryAgain) {
            http.SetHTTPUsername("ann");
            http.SetHTTPPassword("pw");
            tryAgain = c.retryLogin;
        };
        ASSERT_TRUE(http.Read());
        EXPECT_TRUE(http.Busy());
        EXPECT_FALSE(http.Read()); // one transfer at a time
        ASSERT_TRUE(PumpUntil([&] { return rec.ended && !http.Busy(); }, 20000));

        EXPECT_EQ(rec.events, c.events);
        EXPECT_EQ(ReadWhole(output.Path()), c.file);
        EXPECT_EQ(PartFilesOf(output.Path()), 0);
        if (std::string(c.file) != "<none>") {
            EXPECT_EQ(Hidden(output.Path()), c.hidden);
        }
        if (c.stamped) {
            EXPECT_NEAR(rec.lastModified, kLocalMoment, 1e-6);
            EXPECT_NEAR(RawWriteTimeUTC(output.Path()), EncodeDate(1994, 11, 6) + EncodeTime(8, 49, 37, 0), 1e-6);
        }
        std::vector<AnsiString> log = portal.Log();
        log.erase(log.begin(), log.begin() + static_cast<std::ptrdiff_t>(logBefore));
        // WinINet may send the unauthenticated request once more before it answers the
        // challenge with the credentials: repeats count once.
        log.erase(std::unique(log.begin(), log.end()), log.end());
        Strings expectedLog;
        for (const std::string& line : c.log)
            expectedLog.push_back(line.substr(0, 6) + path.substr(2) + line.substr(6));
        EXPECT_EQ(Strings(log.begin(), log.end()), expectedLog);
    }
}

// Stopping a slow transfer half-way: no outcome event, only the stopped notification; the
// partial file goes when asked to. Without kill the worker stops at its next checkpoint.
TEST_F(HttpTransfer, AbortMidTrickle)
{
    for (bool kill : {false, true}) {
        SCOPED_TRACE(kill ? "kill" : "no kill");
        const AnsiString path = kill ? "/slow-kill" : "/slow";
        ASSERT_TRUE(portal.SetRoute(path, R"("body_size": 65536, "trickle_bytes": 512, "trickle_delay": 0.02)"));
        TScratchFile output("abt");
        TupCustomHTTP http(nullptr);
        http.URL = portal.URL(path);
        http.OutputFileName = output.Path();
        TRecorder rec;
        rec.Attach(http);
        TWorkerWatch worker(http);
        rec.onFirstProgress = [kill](TupCustomHTTP& h) { h.Abort(true, kill); };
        ASSERT_TRUE(http.Read());
        ASSERT_TRUE(PumpUntil([&] { return rec.ended && !http.Busy(); }, 10000));
        // With kill the worker, given up, deletes it when it comes to its next checkpoint.
        ASSERT_TRUE(worker.Settled());
        EXPECT_EQ(rec.events, (Strings{"header 200", "progress", "stopped"}));
        EXPECT_EQ(ReadWhole(output.Path()), "<none>");
        EXPECT_EQ(PartFilesOf(output.Path()), 0);
        EXPECT_FALSE(http.Busy());
        // The component is ready for the next transfer.
        ASSERT_TRUE(portal.SetRoute("/after", R"("body_text": "next")"));
        http.URL = portal.URL("/after");
        rec.ended = false;
        rec.onFirstProgress = nullptr;
        ASSERT_TRUE(http.Read());
        ASSERT_TRUE(PumpUntil([&] { return rec.ended && !http.Busy(); }, 10000));
        EXPECT_EQ(rec.events.back(), "done 4");
        EXPECT_EQ(ReadWhole(output.Path()), "next");
    }
}

// Stopped without deleting, the partial file holds every byte read before the stop, in
// order: the bytes not yet written out when the stop comes are written first.
TEST_F(HttpTransfer, AbortKeepingTheFileKeepsWhatWasRead)
{
    ASSERT_TRUE(portal.SetRoute("/keep", R"("body_size": 65536, "trickle_bytes": 4096, "trickle_delay": 0.05)"));
    TScratchFile output("kep");
    TupCustomHTTP http(nullptr);
    http.URL = portal.URL("/keep");
    http.OutputFileName = output.Path();
    TRecorder rec;
    rec.Attach(http);
    rec.onFirstProgress = [](TupCustomHTTP& h) { h.Abort(false, false); };
    ASSERT_TRUE(http.Read());
    ASSERT_TRUE(PumpUntil([&] { return rec.ended && !http.Busy(); }, 10000));
    EXPECT_EQ(rec.events, (Strings{"header 200", "progress", "stopped"}));
    const std::string file = ReadWhole(output.Path());
    ASSERT_GT(rec.lastBytes, 0);
    EXPECT_GE(static_cast<std::int64_t>(file.size()), rec.lastBytes);
    for (std::size_t i = 0; i < file.size(); ++i)
        if (static_cast<unsigned char>(file[i]) != i % 256) {
            ADD_FAILURE() << "byte " << i << " of the body is wrong";
            break;
        }
}

// An output file that cannot be created is a file error, with or without a known length:
// never done, and not a lost connection unless nobody listens for file errors. The body
// is not read.
TEST_F(HttpTransfer, UncreatableOutputFileIsAFileError)
{
    const AnsiString target = "C:\\no-such-folder-at-all\\out.uTMP";
    struct Case {
        const char* scenario;
        bool listens;
        Strings events;
    };
    const Case cases[] = {
        {R"("body_text": "payload")", true, {"header 200", "file error " + target, "finished"}},
        {R"("body_text": "payload", "send_length": false)", true, {"header 200", "file error " + target, "finished"}},
        {R"("body_text": "payload")", false, {"header 200", "connection lost 0/7", "finished"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scenario);
        ASSERT_TRUE(portal.SetRoute("/p", c.scenario));
        TupCustomHTTP http(nullptr);
        http.URL = portal.URL("/p");
        http.OutputFileName = target;
        TRecorder rec;
        rec.Attach(http);
        if (!c.listens)
            http.OnFileError = nullptr;
        ASSERT_TRUE(http.Read());
        ASSERT_TRUE(PumpUntil([&] { return rec.ended && !http.Busy(); }, 10000));
        EXPECT_EQ(rec.events, c.events);
        if (c.listens) {
            const std::string prefix = "Cannot create file \"" + target + "\". ";
            EXPECT_EQ(rec.fileErrorText.compare(0, prefix.size(), prefix), 0) << rec.fileErrorText;
        }
    }
}

TEST_F(HttpTransfer, HeaderHandlerCancels)
{
    ASSERT_TRUE(portal.SetRoute("/c", R"("body_text": "never read")"));
    TScratchFile output("cnl");
    TupCustomHTTP http(nullptr);
    http.URL = portal.URL("/c");
    http.OutputFileName = output.Path();
    TRecorder rec;
    rec.clearCanContinue = true;
    rec.Attach(http);
    ASSERT_TRUE(http.Read());
    ASSERT_TRUE(PumpUntil([&] { return rec.ended && !http.Busy(); }, 10000));
    EXPECT_EQ(rec.events, (Strings{"header 200", "canceled"}));
    EXPECT_EQ(ReadWhole(output.Path()), "<none>");
}

// Without a length the progress has no percentage and the time left is -elapsed; an
// address without a scheme is fetched over http.
TEST_F(HttpTransfer, ProgressWithoutLengthAndAddressWithoutScheme)
{
    ASSERT_TRUE(portal.SetRoute("/u", R"("body_size": 3000, "send_length": false, "trickle_bytes": 1000, "trickle_delay": 0.3)"));
    TupCustomHTTP http(nullptr);
    http.URL = portal.URL("/u").substr(7); // "127.0.0.1:port/u"
    TRecorder rec;
    rec.Attach(http);
    ASSERT_TRUE(http.Read());
    ASSERT_TRUE(PumpUntil([&] { return rec.ended && !http.Busy(); }, 10000));
    EXPECT_EQ(rec.events, (Strings{"header 200", "progress", "done 3000"}));
    EXPECT_EQ(rec.headerLength, 0);
    EXPECT_EQ(rec.lastPercent, 0);
    EXPECT_EQ(rec.lastLeft, -rec.lastElapsed);
    EXPECT_EQ(rec.body.size(), 3000u); // into memory: no output file named
}

// A handler of the outcome may start the next transfer at once (as a download of several
// files does from its done event).
TEST_F(HttpTransfer, NextTransferStartedFromDone)
{
    ASSERT_TRUE(portal.SetRoute("/one", R"("body_text": "1")"));
    ASSERT_TRUE(portal.SetRoute("/two", R"("body_text": "22")"));
    TupCustomHTTP http(nullptr);
    http.URL = portal.URL("/one");
    Strings done;
    bool started = false;
    http.OnDone = [&](cl::TObject*, const AnsiString&, std::int64_t size, cl::TStream*) {
        done.push_back(http.URL + " " + std::to_string(size));
        if (done.size() == 1) {
            http.URL = portal.URL("/two");
            started = http.Read();
        }
    };
    ASSERT_TRUE(http.Read());
    ASSERT_TRUE(PumpUntil([&] { return done.size() == 2 && !http.Busy(); }, 10000));
    EXPECT_TRUE(started);
    EXPECT_EQ(done, (Strings{portal.URL("/one") + " 1", portal.URL("/two") + " 2"}));
}

// Freeing the component in the middle of a transfer: it returns promptly and no event
// reaches the freed object.
TEST_F(HttpTransfer, DestroyedMidTransfer)
{
    // The second half is held until the test releases it: the worker waits in its read.
    ASSERT_TRUE(portal.SetRoute("/d", R"("body_size": 65536, "trickle_bytes": 4096, "hold_at": 32768)"));
    TScratchFile output("dst");
    auto events = std::make_shared<int>(0);
    auto http = std::make_unique<TupCustomHTTP>(nullptr);
    TWorkerWatch worker(*http);
    http->URL = portal.URL("/d");
    http->OutputFileName = output.Path();
    http->OnTransferProgress = [events](cl::TObject*, const AnsiString&, cl::TStream*, float, std::uint8_t, int, int,
                                        std::int64_t, std::int64_t) { ++*events; };
    http->OnDone = [events](cl::TObject*, const AnsiString&, std::int64_t, cl::TStream*) { *events += 1000; };
    ASSERT_TRUE(http->Read());
    ASSERT_TRUE(PumpUntil([&] { return *events >= 1; }, 10000));
    const int seen = *events;
    http.reset();
    EXPECT_FALSE(worker.Ended()) << "the component waited for its worker";
    ASSERT_TRUE(portal.Release("/d"));
    ASSERT_TRUE(worker.Settled());
    EXPECT_EQ(*events, seen);
    EXPECT_EQ(PartFilesOf(output.Path()), 0);
}

// A worker given up (stopped with kill) never writes into the file of the transfer that
// follows it under the same name: that one holds exactly its own bytes.
TEST_F(HttpTransfer, AGivenUpWorkerLeavesTheNextTransfersFileAlone)
{
    ASSERT_TRUE(portal.SetRoute("/first", R"("body_size": 65536, "trickle_bytes": 4096, "hold_at": 8192)"));
    ASSERT_TRUE(portal.SetRoute("/second", R"("body_text": "next")"));
    TScratchFile output("gvn");
    TupCustomHTTP http(nullptr);
    TWorkerWatch first(http);
    http.URL = portal.URL("/first");
    http.OutputFileName = output.Path();
    TRecorder rec;
    rec.Attach(http);
    rec.onFirstProgress = [](TupCustomHTTP& h) { h.Abort(false, true); };
    ASSERT_TRUE(http.Read());
    ASSERT_TRUE(PumpUntil([&] { return rec.ended && !http.Busy(); }, 10000));
    ASSERT_TRUE(first.Seen());
    EXPECT_FALSE(first.Ended()); // held in its read
    http.OnStatusChange = nullptr;
    http.URL = portal.URL("/second");
    rec.ended = false;
    rec.onFirstProgress = nullptr;
    ASSERT_TRUE(http.Read());
    ASSERT_TRUE(PumpUntil([&] { return rec.ended && !http.Busy(); }, 10000));
    EXPECT_EQ(rec.events.back(), "done 4");
    // The first worker reads on now, comes to its checkpoint and ends.
    ASSERT_TRUE(portal.Release("/first"));
    ASSERT_TRUE(first.Settled());
    EXPECT_EQ(ReadWhole(output.Path()), "next");
    EXPECT_EQ(PartFilesOf(output.Path()), 0);
}

TEST(HttpAddresses, CrackAndExtract)
{
    TupURLParts parts;
    ASSERT_TRUE(CrackURL("http://ann:pw@example.test:8080/update/setup.exe?x=1", parts));
    EXPECT_EQ(parts.scheme, "http");
    EXPECT_EQ(parts.host, "example.test");
    EXPECT_EQ(parts.user, "ann");
    EXPECT_EQ(parts.password, "pw");
    EXPECT_EQ(parts.port, 8080u);
    EXPECT_EQ(parts.path, "/update/setup.exe");
    EXPECT_EQ(parts.extra, "?x=1");
    ASSERT_TRUE(CrackURL("example.test/a", parts));
    EXPECT_EQ(parts.scheme, "http");
    EXPECT_EQ(parts.port, 80u);
    EXPECT_EQ(ExtractURLHost("http://example.test/update/setup.exe"), "example.test");
    EXPECT_EQ(ExtractURLFileName("http://example.test/update/setup.exe?v=2"), "setup.exe");
    EXPECT_EQ(RequestFlags("https", 1u << coCreateTempFilesIfCantCache, 0), DWORD(INTERNET_FLAG_SECURE));
    EXPECT_EQ(RequestFlags("http", (1u << coCreateTempFilesIfCantCache) | (1u << coPragmaNoCache), 1u << ioKeepConnection),
              DWORD(INTERNET_FLAG_NEED_FILE | INTERNET_FLAG_PRAGMA_NOCACHE | INTERNET_FLAG_KEEP_CONNECTION));
}

TEST(HttpFileStream, CreatesClearsProtectionAndReports)
{
    TScratchFile file("tfs");
    {
        TupFileStream s(file.Path(), false, TupFileMode::CreateAlways);
        s.WriteBuffer("abc", 3);
    }
    SetFileAttributesA(file.Path().c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY);
    {
        TupFileStream s(file.Path(), true, TupFileMode::OpenAlways);
        s.Seek(0, cl::TSeekOrigin::soEnd);
        s.WriteBuffer("d", 1);
    }
    EXPECT_NE(GetFileAttributesA(file.Path().c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u); // attributes back
    EXPECT_EQ(ReadWhole(file.Path()), "abcd");
    try {
        TupFileStream s("C:\\no-such-folder-at-all\\x", true, TupFileMode::CreateAlways);
        ADD_FAILURE() << "no exception";
    } catch (const cl::EFCreateError& e) {
        const AnsiString prefix = "Cannot create file \"C:\\no-such-folder-at-all\\x\". ";
        EXPECT_EQ(e.Message().compare(0, prefix.size(), prefix), 0) << e.Message();
        EXPECT_GT(e.Message().size(), prefix.size()); // with the system's error text
    }
}

// The properties a form resource sets, by name and as text.
TEST(HttpPublished, PropertiesByName)
{
    TupCustomHTTP http(nullptr);
    EXPECT_EQ(cl::GetPropText(http, "CacheOptions"),
              "[coReloadIfNoExpireInformation,coReloadUpdatedObjects,coCreateTempFilesIfCantCache]");
    EXPECT_EQ(cl::GetPropText(http, "InternetOptions"), "[ioKeepConnection]");
    EXPECT_EQ(cl::GetPropText(http, "TransferBufferSize"), "4096");
    EXPECT_EQ(cl::GetPropText(http, "ThreadPriority"), "tpNormal");
    cl::SetPropText(http, "CacheOptions", "[coAlwaysReload]");
    EXPECT_EQ(http.CacheOptions, 1u << coAlwaysReload);
    cl::SetPropText(http, "ThreadPriority", "tpLower");
    EXPECT_EQ(http.ThreadPriority(), TThreadPriority::tpLower);

    auto* proxy = cl::GetObjectProp(http, "Proxy");
    ASSERT_NE(proxy, nullptr);
    EXPECT_EQ(cl::GetPropText(*proxy, "ProxyPort"), "8080");
    EXPECT_EQ(cl::GetPropText(*proxy, "ProxyBypass"), "127.0.0.1;");
    EXPECT_EQ(cl::GetPropText(*proxy, "AccessType"), "atPreconfig");
    auto* attrs = cl::GetObjectProp(http, "OutputFileAttributes");
    ASSERT_NE(attrs, nullptr);
    EXPECT_EQ(cl::GetPropText(*attrs, "Complete"), "[atrArchive]");
    EXPECT_EQ(cl::GetPropText(*attrs, "Incomplete"), "[atrArchive,atrTemporary]");

    // The login pair travels as "LInfo" and nothing else.
    http.SetHTTPUsername("ann");
    http.SetHTTPPassword("pw");
    const cl::TValue info = cl::GetPropValue(http, "LInfo");
    TupLoginComponent other(nullptr);
    cl::SetPropValue(other, "LInfo", info);
    EXPECT_EQ(other.HTTPUsername(), "ann");
    EXPECT_EQ(other.HTTPPassword(), "pw");
    EXPECT_TRUE(std::get<cl::TBytes>(cl::GetPropValue(TupLoginComponent(nullptr), "LInfo")).empty());

    TupCustomThread thread(nullptr);
    EXPECT_EQ(cl::GetPropText(thread, "Suspended"), "True");
    EXPECT_EQ(cl::GetPropText(thread, "HandleExceptions"), "True");
}

// The status callback's texts reach OnStatusChange on the worker; a redirect reaches
// OnRedirect with the new address and the transfer ends with the target's body.
TEST_F(HttpTransfer, StatusTextsAndRedirect)
{
    ASSERT_TRUE(portal.SetRoute("/target", R"("body_text": "moved here")"));
    ASSERT_TRUE(portal.SetRoute("/old", R"("status": 302, "headers": {"Location": "/target"})"));
    TupCustomHTTP http(nullptr);
    http.URL = portal.URL("/old");
    std::mutex lock;
    Strings texts, redirects;
    const DWORD gui = GetCurrentThreadId();
    bool onWorker = true;
    http.OnStatusChange = [&](cl::TObject* sender, unsigned long status, const AnsiString& text) {
        std::lock_guard<std::mutex> hold(lock);
        EXPECT_EQ(sender, &http);
        EXPECT_STREQ(text.c_str(), StatusText(status));
        texts.push_back(text);
        onWorker = onWorker && GetCurrentThreadId() != gui;
    };
    http.OnRedirect = [&](cl::TObject*, const AnsiString& url) {
        std::lock_guard<std::mutex> hold(lock);
        redirects.push_back(url);
    };
    TRecorder rec;
    rec.Attach(http);
    ASSERT_TRUE(http.Read());
    ASSERT_TRUE(PumpUntil([&] { return rec.ended && !http.Busy(); }, 10000));
    EXPECT_EQ(rec.events, (Strings{"header 200", "progress", "done 10"}));
    EXPECT_EQ(rec.body, "moved here");
    std::lock_guard<std::mutex> hold(lock);
    EXPECT_TRUE(onWorker);
    for (const char* expected : {"Sending Request", "Request sent", "Receiving response", "Response received"})
        EXPECT_NE(std::find(texts.begin(), texts.end(), expected), texts.end()) << expected;
    ASSERT_EQ(redirects.size(), 1u);
    EXPECT_NE(redirects[0].find("/target"), AnsiString::npos) << redirects[0];
    EXPECT_EQ(portal.Log(), (std::vector<AnsiString>{"GET /old 302 0 -", "GET /target 200 10 -"}));
}

// Servers that misbehave on purpose: each transfer ends with one outcome and one
// OnFinished, in bounded time. The time-outs are the component's own defaults (the
// Timeouts property stays 0), lowered so that the test need not wait 30 s.
TEST_F(HttpTransfer, HostileServersEndWithOneOutcome)
{
    struct Case {
        const char* name;
        const char* scenario; // JSON fields of the route
        Strings events;
        long long fileSize;   // of the output file afterwards; -1: none
        std::vector<std::string> log; // empty: not compared (the server still sleeps)
    };
    const std::vector<std::string> loop(21, "GET /h0 302 0 -"); // the first request and 20 redirects
    const Case cases[] = {
        {"redirect loop", R"("status": 302, "headers": {"Location": "/h0"})",
         {"header 302", "http error 302", "finished"}, -1, loop},
        {"silent after accepting", R"("silent": 20)", {"host not reached", "finished"}, -1, {"GET /h1 0 0 -"}},
        {"closed before any answer", R"("no_answer": "close")", {"host not reached", "finished"}, -1, {"GET /h2 0 0 -"}},
        {"reset before any answer", R"("no_answer": "reset")", {"host not reached", "finished"}, -1, {"GET /h3 0 0 -"}},
        {"error page claims 500,000,000 bytes",
         R"("status": 404, "body_text": "<html><body>The page you asked for is not here.</body></html>", "claimed_length": 500000000)",
         {"header 404", "progress", "http error 404", "finished"}, -1, {"GET /h4 404 61 -"}},
        {"stalls in the body", R"("body_size": 8192, "trickle_bytes": 4096, "trickle_delay": 3)",
         {"header 200", "progress", "connection lost 4096/8192", "finished"}, 4096, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const AnsiString path = "/h" + std::to_string(&c - cases);
        ASSERT_TRUE(portal.SetRoute(path, c.scenario));
        const std::size_t logBefore = portal.Log().size();
        TScratchFile output("hst");
        TupCustomHTTP http(nullptr);
        http.URL = portal.URL(path);
        http.OutputFileName = output.Path();
        http.DefaultReceiveTimeout = 1000;
        TRecorder rec;
        rec.Attach(http);
        TWorkerWatch worker(http);
        ASSERT_TRUE(http.Read());
        ASSERT_TRUE(PumpUntil([&] { return rec.ended && !http.Busy(); }, 15000));
        ASSERT_TRUE(worker.Settled()); // a second outcome would have come by now
        EXPECT_EQ(rec.events, c.events);
        const std::string file = ReadWhole(output.Path());
        EXPECT_EQ(file == "<none>" ? -1 : static_cast<long long>(file.size()), c.fileSize);
        if (c.log.empty())
            continue;
        std::vector<AnsiString> log = portal.Log();
        log.erase(log.begin(), log.begin() + static_cast<std::ptrdiff_t>(logBefore));
        EXPECT_EQ(Strings(log.begin(), log.end()), c.log);
    }
}

namespace {

// The process's committed private memory (Wine reports it as the page-file usage).
std::int64_t PrivateBytes()
{
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    EXPECT_TRUE(GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters));
    EXPECT_GT(counters.PagefileUsage, 0u);
    return static_cast<std::int64_t>(counters.PagefileUsage);
}

} // namespace

// A length the server claims reserves no memory: an error page in file mode and a body
// into memory (no output file) each hold what arrived, not what was announced.
TEST_F(HttpTransfer, ClaimedLengthReservesNoMemory)
{
    struct Case {
        const char* scenario;
        bool toFile;
        std::string outcome;
    };
    const Case cases[] = {
        {R"("status": 404, "body_text": "not here", "claimed_length": 500000000)", true, "http error 404"},
        {R"("body_text": "short", "claimed_length": 1200000000)", false, "connection lost 5/1200000000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scenario);
        ASSERT_TRUE(portal.SetRoute("/m", c.scenario));
        TScratchFile output("mem");
        TupCustomHTTP http(nullptr);
        http.URL = portal.URL("/m");
        if (c.toFile)
            http.OutputFileName = output.Path();
        TRecorder rec;
        rec.Attach(http);
        std::int64_t held = -1, heldStream = -1;
        auto measure = [&](cl::TStream* stream) {
            held = PrivateBytes();
            heldStream = stream ? stream->Size() : -1;
        };
        http.OnHTTPError = [&](cl::TObject*, int status, cl::TStream* stream) {
            rec.Add("http error " + std::to_string(status));
            measure(stream);
            rec.ended = true;
        };
        http.OnConnectionLost = [&](cl::TObject*, const AnsiString&, cl::TStream* stream, std::int64_t read,
                                    std::int64_t size) {
            rec.Add("connection lost " + std::to_string(read) + "/" + std::to_string(size));
            measure(stream);
            rec.ended = true;
        };
        const std::int64_t before = PrivateBytes();
        ASSERT_TRUE(http.Read());
        ASSERT_TRUE(PumpUntil([&] { return rec.ended && !http.Busy(); }, 10000));
        EXPECT_EQ(rec.events, (Strings{"header " + std::string(c.toFile ? "404" : "200"), "progress", c.outcome, "finished"}));
        EXPECT_EQ(heldStream, c.toFile ? 8 : 5);
        EXPECT_LT(held - before, 64ll << 20) << "private bytes grew by " << (held - before);
    }
}

// A body into memory longer than MaxMemoryBody is not read on: an HTTP error with the
// answer's status, whether its length says so or only its bytes do. A file takes any.
TEST_F(HttpTransfer, MemoryBodyBeyondItsLimitIsAnError)
{
    struct Case {
        const char* scenario;
        bool toFile;
        Strings events;
    };
    const Case cases[] = {
        {R"("body_text": "0123456789")", false, {"header 200", "done 10"}},
        {R"("body_text": "0123456789A")", false, {"header 200", "http error 200", "finished"}},
        {R"("body_text": "0123456789A", "send_length": false)", false, {"header 200", "http error 200", "finished"}},
        {R"("status": 404, "body_text": "0123456789A")", true, {"header 404", "http error 404", "finished"}},
        {R"("body_text": "0123456789A")", true, {"header 200", "done 11"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scenario);
        ASSERT_TRUE(portal.SetRoute("/cap", c.scenario));
        TScratchFile output("cap");
        TupCustomHTTP http(nullptr);
        http.URL = portal.URL("/cap");
        http.MaxMemoryBody = 10;
        if (c.toFile)
            http.OutputFileName = output.Path();
        TRecorder rec;
        rec.Attach(http);
        ASSERT_TRUE(http.Read());
        ASSERT_TRUE(PumpUntil([&] { return rec.ended && !http.Busy(); }, 10000));
        // A body without its length may come in more than one read: progress or none.
        Strings events = rec.events;
        events.erase(std::remove(events.begin(), events.end(), "progress"), events.end());
        EXPECT_EQ(events, c.events);
    }
}

// A claimed length far beyond what arrives makes the time left huge: it stays within
// the range of an Integer instead of wrapping round to a negative value.
TEST_F(HttpTransfer, TimeLeftOfAHugeClaimedLengthIsClamped)
{
    ASSERT_TRUE(portal.SetRoute(
        "/t", R"("body_size": 200, "trickle_bytes": 100, "trickle_delay": 1.2, "claimed_length": 9000000000000)"));
    TupCustomHTTP http(nullptr);
    http.URL = portal.URL("/t");
    TRecorder rec;
    rec.Attach(http);
    ASSERT_TRUE(http.Read());
    ASSERT_TRUE(PumpUntil([&] { return rec.ended && !http.Busy(); }, 10000));
    EXPECT_EQ(rec.events, (Strings{"header 200", "progress", "connection lost 200/9000000000000", "finished"}));
    EXPECT_EQ(rec.headerLength, 9000000000000);
    EXPECT_EQ(rec.lastBytes, 200);
    EXPECT_GE(rec.lastElapsed, 1);
    EXPECT_EQ(rec.lastLeft, 2147483647);
    EXPECT_EQ(rec.lastPercent, 0);
}

// The worker never waits for the GUI thread to show progress: while the first progress
// handler runs, the worker reads and writes the rest of the body; then one more progress
// event brings the newest figures, before the outcome.
TEST_F(HttpTransfer, ProgressDoesNotHoldTheWorker)
{
    // The portal holds the second half until the first progress handler releases it.
    ASSERT_TRUE(portal.SetRoute("/big", R"("body_size": 65536, "hold_at": 32768)"));
    TScratchFile output("prg");
    TupCustomHTTP http(nullptr);
    http.URL = portal.URL("/big");
    http.OutputFileName = output.Path();
    TRecorder rec;
    rec.Attach(http);
    bool released = false, wholeFileSeen = false;
    std::vector<std::int64_t> seen;
    http.OnTransferProgress = [&](cl::TObject*, const AnsiString&, cl::TStream*, float, std::uint8_t, int, int,
                                  std::int64_t bytes, std::int64_t size) {
        rec.Add("progress");
        seen.push_back(bytes);
        EXPECT_EQ(size, 65536);
        if (seen.size() > 1)
            return;
        released = portal.Release("/big");
        // Held here, the GUI thread takes nothing else; the file still fills up (bounded).
        const ULONGLONG deadline = GetTickCount64() + 20000;
        while (released && !wholeFileSeen && GetTickCount64() < deadline) {
            wholeFileSeen = PartFileSizes(output.Path()) == std::vector<std::int64_t>{65536};
            if (!wholeFileSeen)
                Sleep(10);
        }
    };
    ASSERT_TRUE(http.Read());
    ASSERT_TRUE(PumpUntil([&] { return rec.ended && !http.Busy(); }, 30000));
    EXPECT_TRUE(released);
    EXPECT_TRUE(wholeFileSeen);
    // Sixteen reads, but the events only catch up: one or two more, the last one newest.
    ASSERT_GE(seen.size(), 2u);
    EXPECT_LE(seen.size(), 3u);
    EXPECT_LE(seen[0], 32768);
    EXPECT_EQ(seen.back(), 65536);
    EXPECT_EQ(rec.events, (Strings{"header 200", "progress", "done 65536"}));
}

// A cancel returns at once, whatever the worker is blocked in; with kill the stopped
// notification comes at once, without it when the worker comes to its checkpoint (here
// after its one-second receive time-out). Nothing else follows.
TEST_F(HttpTransfer, CancelOfASilentServerReturnsAtOnce)
{
    for (bool kill : {true, false}) {
        SCOPED_TRACE(kill ? "kill" : "no kill");
        const AnsiString path = kill ? "/quiet-kill" : "/quiet";
        ASSERT_TRUE(portal.SetRoute(path, R"("silent": 20)"));
        const std::size_t logBefore = portal.Log().size();
        TupCustomHTTP http(nullptr);
        http.URL = portal.URL(path);
        http.DefaultReceiveTimeout = 1000;
        TRecorder rec;
        rec.Attach(http);
        TWorkerWatch worker(http);
        ASSERT_TRUE(http.Read());
        // The request has arrived: the worker waits for an answer that never comes.
        ASSERT_TRUE(PumpUntil([&] { return portal.Log().size() > logBefore; }, 10000));
        http.Abort(true, kill);
        EXPECT_FALSE(worker.Ended()) << "the cancel waited for the worker";
        EXPECT_EQ(rec.events, kill ? Strings{"stopped"} : Strings{});
        EXPECT_EQ(http.Busy(), !kill);
        ASSERT_TRUE(PumpUntil([&] { return rec.ended && !http.Busy(); }, 10000));
        ASSERT_TRUE(worker.Settled()); // past the worker's time-out
        EXPECT_EQ(rec.events, Strings{"stopped"});
    }
}

// Redirects are followed one at a time with a stop check between them: a cancelled
// transfer in a redirect loop sends at most one more request.
TEST_F(HttpTransfer, CancelStopsARedirectLoop)
{
    ASSERT_TRUE(portal.SetRoute("/round", R"("status": 302, "headers": {"Location": "/round"})"));
    TupCustomHTTP http(nullptr);
    http.URL = portal.URL("/round");
    http.MaxRedirects = 1000000;
    TRecorder rec;
    rec.Attach(http);
    TWorkerWatch worker(http);
    const std::size_t logBefore = portal.Log().size();
    ASSERT_TRUE(http.Read());
    ASSERT_TRUE(PumpUntil([&] { return portal.Log().size() >= logBefore + 5; }, 10000));
    http.Abort(false, true);
    const std::size_t atCancel = portal.Log().size();
    ASSERT_TRUE(worker.Settled());
    EXPECT_LE(portal.Log().size(), atCancel + 1);
    EXPECT_EQ(rec.events, Strings{"stopped"});
}

// Whatever fails inside the body (here the read buffer cannot be had), the transfer ends
// with exactly one outcome event followed by exactly one OnFinished.
TEST_F(HttpTransfer, FailureInsideTheBodyGivesOneOutcome)
{
    ASSERT_TRUE(portal.SetRoute("/b", R"("body_text": "bytes")"));
    TupCustomHTTP http(nullptr);
    http.URL = portal.URL("/b");
    http.TransferBufferSize = 0x7FFFFFF0; // more than a 32-bit process can hold at once
    TRecorder rec;
    rec.Attach(http);
    TWorkerWatch worker(http);
    ASSERT_TRUE(http.Read());
    ASSERT_TRUE(PumpUntil([&] { return rec.ended && !http.Busy(); }, 10000));
    ASSERT_TRUE(worker.Settled());
    EXPECT_EQ(rec.events, (Strings{"header 200", "connection lost 0/5", "finished"}));
}
