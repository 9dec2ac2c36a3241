// The worker thread and its shared event window, with real threads under Wine.
#include "upgrade/EventThread.h"

#include "classlib/WinHandle.h"

#include "WinTestUtil.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

using namespace up;
using uptest::PumpUntil;

namespace {

// Events in the order they happened, each with whether it ran on the GUI thread.
class TEventLog {
public:
    void Add(const std::string& what)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        entries_.push_back(what + (GetCurrentThreadId() == gui_ ? "@gui" : "@worker"));
    }
    std::vector<std::string> Entries()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return entries_;
    }

private:
    const DWORD gui_ = GetCurrentThreadId();
    std::mutex mutex_;
    std::vector<std::string> entries_;
};

using Strings = std::vector<std::string>;

// Waits, without handling anything, until a message another thread sends to this one is
// waiting to be delivered.
bool WaitForSentMessage(DWORD ms)
{
    const ULONGLONG deadline = GetTickCount64() + ms;
    for (;;) {
        // The high word: what is in the queue now; reading it resets what counts as new.
        if (HIWORD(GetQueueStatus(QS_SENDMESSAGE)) & QS_SENDMESSAGE)
            return true;
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline)
            return false;
        // Wakes for a send that arrives after the look above (it is new to this wait).
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(deadline - now), QS_SENDMESSAGE);
    }
}

} // namespace

TEST(EventThread, HandlersRunOnTheGuiThreadInOrder)
{
    TEventLog log;
    std::atomic<bool> done{false};
    TupCustomThread thread(nullptr);
    thread.SetOnExecute([&](cl::TObject* sender) {
        EXPECT_EQ(sender, &thread);
        log.Add("execute");
        thread.Synchronize([&] { log.Add("sync"); });
        log.Add("after sync");
    });
    thread.SetOnTerminate([&](cl::TObject*) {
        log.Add("terminate");
        done = true;
    });
    ASSERT_TRUE(thread.Execute());
    ASSERT_TRUE(PumpUntil([&] { return done.load(); }, 5000));
    EXPECT_EQ(log.Entries(), (Strings{"execute@worker", "sync@gui", "after sync@worker", "terminate@gui"}));
    ASSERT_TRUE(PumpUntil([&] { return !thread.Running(); }, 5000));

    // Each start is a fresh operating-system thread with the same events.
    done = false;
    ASSERT_TRUE(thread.Execute());
    ASSERT_TRUE(PumpUntil([&] { return done.load(); }, 5000));
    EXPECT_EQ(log.Entries().size(), 8u);
}

TEST(EventThread, TwoComponentsShareOneWindowGoneAfterTheLast)
{
    EXPECT_EQ(ThreadWindowHandle(), nullptr);
    auto a = std::make_unique<TupCustomThread>(nullptr);
    HWND window = ThreadWindowHandle();
    ASSERT_NE(window, nullptr);
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    EXPECT_STREQ(name, "TupThreadWindow");
    EXPECT_EQ(GetParent(window), nullptr);
    EXPECT_FALSE(IsWindowVisible(window));
    auto b = std::make_unique<TupCustomThread>(nullptr);
    EXPECT_EQ(ThreadWindowHandle(), window);

    // Both run at once and reach the GUI thread through the one window.
    std::atomic<int> finished{0};
    std::atomic<int> syncs{0};
    for (TupCustomThread* t : {a.get(), b.get()}) {
        t->SetOnExecute([t, &syncs](cl::TObject*) {
            for (int i = 0; i < 20; ++i)
                t->Synchronize([&syncs] { ++syncs; });
        });
        t->SetOnTerminate([&](cl::TObject*) { ++finished; });
        t->Execute();
    }
    ASSERT_TRUE(PumpUntil([&] { return finished == 2; }, 5000));
    EXPECT_EQ(syncs, 40);

    a.reset();
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(ThreadWindowHandle(), window);
    b.reset();
    // A worker still finishing its last step holds its thread object a moment longer.
    ASSERT_TRUE(PumpUntil([&] { return ThreadWindowHandle() == nullptr && !IsWindow(window); }, 5000));
    WNDCLASSA wc;
    EXPECT_FALSE(GetClassInfoA(GetModuleHandleA(nullptr), "TupThreadWindow", &wc));
}

TEST(EventThread, RaisingHandlerSwallowedOrRaisedAgain)
{
    struct Case { bool handleExceptions; Strings expected; };
    const Case cases[] = {
        {true, {"raise@gui", "continued@worker", "terminate@gui"}},
        {false, {"raise@gui", "again: boom@worker", "terminate@gui"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.handleExceptions);
        TEventLog log;
        std::atomic<bool> done{false};
        TupCustomThread thread(nullptr);
        thread.SetHandleExceptions(c.handleExceptions);
        thread.SetOnExecute([&](cl::TObject*) {
            try {
                thread.Synchronize([&] {
                    log.Add("raise");
                    throw cl::Exception("boom");
                });
                log.Add("continued");
            } catch (const cl::Exception& e) {
                log.Add("again: " + e.Message());
            }
        });
        thread.SetOnTerminate([&](cl::TObject*) {
            log.Add("terminate");
            done = true;
        });
        thread.Execute();
        ASSERT_TRUE(PumpUntil([&] { return done.load(); }, 5000));
        EXPECT_EQ(log.Entries(), c.expected);
    }
}

TEST(EventThread, ExceptionInTheBodyGoesToOnException)
{
    TEventLog log;
    TupCustomThread thread(nullptr);
    thread.SetOnExecute([&](cl::TObject*) { throw cl::Exception("body"); });
    thread.SetOnException([&](cl::TObject*) { log.Add("exception"); });
    thread.SetOnTerminate([&](cl::TObject*) {
        log.Add("terminate");
        throw cl::Exception("in terminate"); // handled: goes to OnException as well
    });
    thread.Execute();
    ASSERT_TRUE(PumpUntil([&] { return log.Entries().size() == 3; }, 5000));
    EXPECT_EQ(log.Entries(), (Strings{"exception@gui", "terminate@gui", "exception@gui"}));
    EXPECT_TRUE(PumpUntil([&] { return !thread.Running(); }, 5000));
}

TEST(EventThread, ThreadThatNeverRanIsDestroyedCleanly)
{
    // Nothing waits for a worker that never started (a wait would hang here).
    std::atomic<bool> ran{false};
    {
        TupCustomThread thread(nullptr);
        thread.SetOnExecute([&](cl::TObject*) { ran = true; });
        EXPECT_TRUE(thread.Suspended());
        EXPECT_FALSE(thread.Running());
    }
    {
        TupEventThread raw(nullptr);
        raw.OnExecute = [&](cl::TObject*) { ran = true; };
    }
    EXPECT_FALSE(ran);
    EXPECT_EQ(ThreadWindowHandle(), nullptr);
}

TEST(EventThread, PriorityMapsBothWays)
{
    for (int p = 0; p <= static_cast<int>(TThreadPriority::tpTimeCritical); ++p)
        EXPECT_EQ(ThreadPriorityOf(ThreadPriorityValue(static_cast<TThreadPriority>(p))), static_cast<TThreadPriority>(p));
    EXPECT_EQ(ThreadPriorityValue(TThreadPriority::tpIdle), -15);
    EXPECT_EQ(ThreadPriorityValue(TThreadPriority::tpTimeCritical), 15);
    EXPECT_EQ(ThreadPriorityOf(7), TThreadPriority::tpNormal);
    TupCustomThread thread(nullptr);
    thread.SetPriority(TThreadPriority::tpLower);
    EXPECT_EQ(thread.Priority(), TThreadPriority::tpLower);
    // A new run keeps the priority.
    std::atomic<int> seen{99};
    thread.SetOnExecute([&](cl::TObject*) { seen = GetThreadPriority(GetCurrentThread()); });
    thread.Execute();
    ASSERT_TRUE(PumpUntil([&] { return seen != 99 && !thread.Running(); }, 5000));
    EXPECT_EQ(seen, THREAD_PRIORITY_BELOW_NORMAL);
}

// A handler that starts the next run from the completion event (as a download of several
// files does) must neither deadlock nor wait for the worker that is calling it.
TEST(EventThread, NextRunStartedFromTheTerminateEvent)
{
    std::atomic<int> runs{0};
    TupCustomThread thread(nullptr);
    thread.SetOnExecute([&](cl::TObject*) { ++runs; });
    thread.SetOnTerminate([&](cl::TObject*) {
        if (runs < 3)
            thread.Execute();
    });
    thread.Execute();
    ASSERT_TRUE(PumpUntil([&] { return runs == 3 && !thread.Running(); }, 5000));
}

// Destroying the component while its worker is blocked sending an event: it returns at
// once, the worker is told to stop and ends by itself, no event runs any more.
TEST(EventThread, DestroyWhileTheWorkerWaitsForTheGuiThread)
{
    auto ended = std::make_shared<std::atomic<bool>>(false);
    auto events = std::make_shared<std::atomic<int>>(0);
    auto thread = std::make_unique<TupCustomThread>(nullptr);
    // The worker outlives the component: it uses only its own thread object.
    thread->SetOnExecute([ended, events](cl::TObject*) {
        TupEventThread* self = TupEventThread::Current();
        while (!self->Terminated())
            self->Synchronize([events] { ++*events; });
        *ended = true;
    });
    thread->Execute();
    ASSERT_TRUE(PumpUntil([&] { return *events >= 3; }, 5000));
    // Not pumping now: wait until the worker's next send is waiting for this thread.
    ASSERT_TRUE(WaitForSentMessage(5000));
    const int before = *events;
    thread.reset();
    ASSERT_TRUE(PumpUntil([&] { return *ended && ThreadWindowHandle() == nullptr; }, 5000));
    EXPECT_EQ(*events, before);
}

// Stop(true) and the destructor never wait for a worker that does not come to a
// checkpoint: it is left to end by itself (it frees its own thread object), never
// killed; the window goes once it has.
TEST(EventThread, StuckWorkerIsDetachedNotKilled)
{
    for (bool destroy : {false, true}) {
        SCOPED_TRACE(destroy ? "destroyed" : "stopped with kill");
        auto release = std::make_shared<cl::KernelHandle>(CreateEventA(nullptr, TRUE, FALSE, nullptr));
        auto ended = std::make_shared<std::atomic<bool>>(false);
        auto thread = std::make_unique<TupCustomThread>(nullptr);
        std::atomic<bool> started{false};
        int terminates = 0;
        thread->SetOnExecute([release, ended, &started](cl::TObject*) {
            started = true;
            WaitForSingleObject(release->get(), 20000);
            *ended = true;
        });
        thread->SetOnTerminate([&](cl::TObject*) { ++terminates; });
        thread->Execute();
        ASSERT_TRUE(PumpUntil([&] { return started.load(); }, 5000));
        if (destroy)
            thread.reset();
        else
            thread->Stop(true);
        EXPECT_FALSE(*ended); // it waits for the release: the stop did not wait for it
        EXPECT_NE(ThreadWindowHandle(), nullptr); // the detached worker still uses it
        SetEvent(release->get());
        ASSERT_TRUE(PumpUntil([&] { return ended->load(); }, 5000));
        thread.reset();
        ASSERT_TRUE(PumpUntil([&] { return ThreadWindowHandle() == nullptr; }, 5000));
        EXPECT_EQ(terminates, 0); // its terminate step ran for nobody
    }
}
