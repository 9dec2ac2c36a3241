// A worker thread whose events run on the GUI thread (TupEventThread), the component
// that owns one and starts a fresh one for every run (TupCustomThread), and the hidden
// "TupThreadWindow" that all of them share to reach the GUI thread.
#pragma once

#include "classlib/Classes.h"

#include <windows.h>

#include <atomic>
#include <exception>
#include <functional>
#include <memory>

namespace up {

enum class TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };
extern const cl::TEnumType ThreadPriorityType;

// The Windows priority of a value and back (an unknown value reads as tpNormal).
int ThreadPriorityValue(TThreadPriority priority);
TThreadPriority ThreadPriorityOf(int value);

using TNotifyEvent = std::function<void(cl::TObject* sender)>;

class TupCustomThread;

class TupEventThread : public cl::TObject {
public:
    // Created suspended; registers with the shared event window.
    explicit TupEventThread(TupCustomThread* owner);
    // Ends the thread (a thread that never ran is resumed once and sees Terminated) and
    // waits for it, delivering sent messages meanwhile on the thread that owns the window.
    ~TupEventThread() override;
    TupEventThread(const TupEventThread&) = delete;
    TupEventThread& operator=(const TupEventThread&) = delete;

    // The thread object whose body runs on the calling thread; null elsewhere.
    static TupEventThread* Current();

    // On the worker: runs method on the GUI thread and waits for it. An exception it
    // raises is raised again here unless the owner handles exceptions.
    void Synchronize(const std::function<void()>& method);
    // The exit code, once the thread has ended.
    DWORD WaitFor();
    // Like WaitFor, bounded; false when the thread is still running after timeout ms.
    bool WaitFor(DWORD timeout);

    void Suspend();
    void Resume();
    bool Suspended() const { return suspended_; }
    void SetSuspended(bool suspended);
    void Terminate() { terminated_ = true; }
    bool Terminated() const { return terminated_; }
    bool Running() const { return running_; }
    // True once the thread was resumed (it runs or has run its body).
    bool Started() const { return started_; }
    // True while the GUI thread runs this worker's pending call (the worker is blocked).
    bool InSynchronize() const { return inSync_; }
    TThreadPriority Priority() const;
    void SetPriority(TThreadPriority priority);
    HANDLE Handle() const { return handle_; }
    DWORD ThreadID() const { return threadId_; }

    std::atomic<int> ReturnValue{0};
    TNotifyEvent OnExecute;
    TNotifyEvent OnException;
    TNotifyEvent OnTerminate;
    TupCustomThread* Owner() const { return owner_; }
    void SetHandleExceptions(bool on) { handleExceptions_ = on; }
    // No further event of this thread runs (its owner is going).
    void Silence() { ownerGone_ = true; }

    // A new suspended thread object for the same owner with this one's priority, events
    // and exception setting.
    std::unique_ptr<TupEventThread> Clone() const;
    // Gives up ownership of a thread that is still running: its events are no longer
    // run, and it frees itself when its body ends (at once if it has ended). Never kills.
    static void Detach(std::unique_ptr<TupEventThread> thread);

private:
    static unsigned __stdcall ThreadProc(void* self);
    friend LRESULT CALLBACK ThreadWindowProc(HWND, UINT, WPARAM, LPARAM);
    void ExecuteStep();
    void TerminateStep();
    bool OwnerGone() const;
    void RunPending(); // on the GUI thread
    void Finish();     // last step of the body

    enum class Fate { Owned, Detached, Finished };

    HANDLE handle_ = nullptr;
    unsigned threadId_ = 0;
    std::atomic<bool> terminated_{false};
    std::atomic<bool> suspended_{true};
    std::atomic<bool> running_{false};
    std::atomic<bool> started_{false};
    std::atomic<bool> inSync_{false};
    std::atomic<bool> ownerGone_{false};
    std::atomic<bool> handleExceptions_{true};
    std::atomic<Fate> fate_{Fate::Owned};
    std::function<void()> pending_;
    std::exception_ptr captured_;
    TupCustomThread* owner_;
};

class TupCustomThread : public cl::TComponent {
    CL_CLASS(TupCustomThread)
public:
    explicit TupCustomThread(cl::TComponent* owner);
    ~TupCustomThread() override;

    void Loaded() override;
    // Starts a fresh operating-system thread with the current settings and events.
    bool Execute();
    // Without kill, asks the body to stop at its next checkpoint. With kill, also gives
    // the worker up at once: none of its events runs any more, and it ends by itself at
    // its next checkpoint (detached, never killed, never waited for).
    void Stop(bool kill);
    // Stops for good before the owner goes, as Stop(true).
    void Shutdown();
    // On the worker: runs method on the GUI thread, unless the owner is being destroyed.
    void Synchronize(const std::function<void()>& method);

    bool Running() const { return thread_->Running(); }
    bool Terminated() const { return thread_->Terminated(); }
    TThreadPriority Priority() const { return thread_->Priority(); }
    void SetPriority(TThreadPriority priority) { thread_->SetPriority(priority); }
    bool Suspended() const;
    void SetSuspended(bool suspended);
    bool HandleExceptions() const { return handleExceptions_; }
    void SetHandleExceptions(bool on);
    bool OwnerDestroying() const;

    // Events of the next run (and of the current thread if it has not started).
    void SetOnExecute(TNotifyEvent handler);
    void SetOnException(TNotifyEvent handler);
    void SetOnTerminate(TNotifyEvent handler);

    TupEventThread& EventThread() const { return *thread_; }

private:
    // Puts a clone in place of the current thread, whose remaining events no longer run;
    // a thread still running is detached.
    void Replace();
    void ApplyEvents(TupEventThread& thread) const;

    std::unique_ptr<TupEventThread> thread_;
    TNotifyEvent onExecute_, onException_, onTerminate_;
    bool suspended_ = true;
    bool handleExceptions_ = true;
    bool shutDown_ = false;
};

// The shared event window while at least one thread object exists (tests look at it).
HWND ThreadWindowHandle();

} // namespace up
