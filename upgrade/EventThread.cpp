// The upgrader's worker thread, its component and the shared event window.
#include "upgrade/EventThread.h"

#include "upgrade/UpgradeMessages.h"

#include <process.h>

#include <utility>

namespace up {

LRESULT CALLBACK ThreadWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

namespace {

const char kWindowClass[] = "TupThreadWindow";

// The unit's process-wide state: the lock, the window and the number of its users.
// windowStateAlive stays readable after the state is destroyed at exit.
bool windowStateAlive = false;
struct TThreadWindowState {
    TThreadWindowState()
    {
        InitializeCriticalSection(&lock);
        windowStateAlive = true;
    }
    ~TThreadWindowState()
    {
        windowStateAlive = false;
        DeleteCriticalSection(&lock);
    }
    CRITICAL_SECTION lock;
    HWND window = nullptr;
    DWORD windowThread = 0;
    int users = 0;
} windowState;

class TWindowLock {
public:
    TWindowLock() { EnterCriticalSection(&windowState.lock); }
    ~TWindowLock() { LeaveCriticalSection(&windowState.lock); }
    TWindowLock(const TWindowLock&) = delete;
    TWindowLock& operator=(const TWindowLock&) = delete;
};

HINSTANCE ModuleInstance()
{
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       kWindowClass, &module);
    return module;
}

// Under the lock, on the window's thread.
void DestroyThreadWindow()
{
    DestroyWindow(windowState.window);
    UnregisterClassA(kWindowClass, ModuleInstance());
    windowState.window = nullptr;
    windowState.windowThread = 0;
}

void RegisterWindowUser()
{
    TWindowLock lock;
    if (!windowState.window) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = ThreadWindowProc;
        wc.hInstance = ModuleInstance();
        wc.lpszClassName = kWindowClass;
        RegisterClassA(&wc); // fails harmlessly when a release is still pending
        windowState.window = CreateWindowExA(0, kWindowClass, "", 0, 0, 0, 0, 0, nullptr, nullptr, wc.hInstance, nullptr);
        windowState.windowThread = windowState.window ? GetCurrentThreadId() : 0;
    }
    ++windowState.users;
}

void UnregisterWindowUser()
{
    if (!windowStateAlive)
        return;
    TWindowLock lock;
    if (--windowState.users > 0 || !windowState.window)
        return;
    if (GetCurrentThreadId() == windowState.windowThread)
        DestroyThreadWindow();
    else
        PostMessageA(windowState.window, WM_UP_RELEASE_WINDOW, 0, 0);
}

struct TPriorityMap {
    TThreadPriority priority;
    int value;
};
const TPriorityMap kPriorities[] = {
    {TThreadPriority::tpIdle, THREAD_PRIORITY_IDLE},       {TThreadPriority::tpLowest, THREAD_PRIORITY_LOWEST},
    {TThreadPriority::tpLower, THREAD_PRIORITY_BELOW_NORMAL}, {TThreadPriority::tpNormal, THREAD_PRIORITY_NORMAL},
    {TThreadPriority::tpHigher, THREAD_PRIORITY_ABOVE_NORMAL}, {TThreadPriority::tpHighest, THREAD_PRIORITY_HIGHEST},
    {TThreadPriority::tpTimeCritical, THREAD_PRIORITY_TIME_CRITICAL},
};

thread_local TupEventThread* currentThread = nullptr;

} // namespace

const cl::TEnumType ThreadPriorityType{
    {"tpIdle", "tpLowest", "tpLower", "tpNormal", "tpHigher", "tpHighest", "tpTimeCritical"}};

int ThreadPriorityValue(TThreadPriority priority)
{
    for (const TPriorityMap& m : kPriorities)
        if (m.priority == priority)
            return m.value;
    return THREAD_PRIORITY_NORMAL;
}

TThreadPriority ThreadPriorityOf(int value)
{
    for (const TPriorityMap& m : kPriorities)
        if (m.value == value)
            return m.priority;
    return TThreadPriority::tpNormal;
}

HWND ThreadWindowHandle()
{
    TWindowLock lock;
    return windowState.users > 0 ? windowState.window : nullptr;
}

LRESULT CALLBACK ThreadWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_UP_SYNCHRONIZE:
        reinterpret_cast<TupEventThread*>(lParam)->RunPending(); // catches everything
        return 0;
    case WM_UP_RELEASE_WINDOW: {
        TWindowLock lock;
        if (windowState.users == 0 && windowState.window == window)
            DestroyThreadWindow();
        return 0;
    }
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

// ---------------------------------------------------------------------------------------

TupEventThread::TupEventThread(TupCustomThread* owner) : owner_(owner)
{
    RegisterWindowUser();
    handle_ = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, ThreadProc, this, CREATE_SUSPENDED, &threadId_));
}

TupEventThread::~TupEventThread()
{
    terminated_ = true;
    if (handle_ && GetCurrentThreadId() != threadId_) {
        // A thread that never ran is resumed once; its body sees Terminated and ends.
        if (!started_ || suspended_) {
            DWORD previous;
            do
                previous = ResumeThread(handle_);
            while (previous > 1 && previous != static_cast<DWORD>(-1));
        }
        WaitFor();
    }
    if (handle_)
        CloseHandle(handle_);
    UnregisterWindowUser();
}

unsigned __stdcall TupEventThread::ThreadProc(void* param)
{
    auto* self = static_cast<TupEventThread*>(param);
    currentThread = self;
    if (!self->terminated_) {
        self->running_ = true;
        try {
            self->ExecuteStep();
        } catch (...) {
            // Raised with HandleExceptions off: the run ends; its terminate step still runs.
        }
        try {
            self->TerminateStep();
        } catch (...) {
        }
        self->running_ = false;
    }
    const unsigned code = static_cast<unsigned>(self->ReturnValue.load());
    currentThread = nullptr;
    self->Finish(); // may free self
    return code;
}

TupEventThread* TupEventThread::Current() { return currentThread; }

void TupEventThread::Finish()
{
    if (fate_.exchange(Fate::Finished) == Fate::Detached)
        delete this;
}

void TupEventThread::Detach(std::unique_ptr<TupEventThread> thread)
{
    thread->Silence();
    if (!thread->started_)
        return; // never ran: the destructor ends it at once
    TupEventThread* raw = thread.release();
    if (raw->fate_.exchange(Fate::Detached) == Fate::Finished)
        delete raw;
}

bool TupEventThread::OwnerGone() const { return ownerGone_ || (owner_ && owner_->OwnerDestroying()); }

void TupEventThread::ExecuteStep()
{
    // Only the thread's own flags are read here: the owner may be gone (Detach).
    if (!OnExecute || ownerGone_)
        return;
    if (!handleExceptions_) {
        OnExecute(owner_);
        return;
    }
    try {
        OnExecute(owner_);
    } catch (...) {
        if (OnException && !ownerGone_) {
            try {
                Synchronize([this] { OnException(owner_); });
            } catch (...) {
            }
        }
    }
}

void TupEventThread::TerminateStep()
{
    if (!OnTerminate)
        return;
    Synchronize([this] {
        // Copies: a handler may start the next run, which sets new events.
        const TNotifyEvent terminate = OnTerminate, exception = OnException;
        if (!handleExceptions_) {
            terminate(owner_);
            return;
        }
        try {
            terminate(owner_);
        } catch (...) {
            if (exception)
                exception(owner_);
        }
    });
}

void TupEventThread::Synchronize(const std::function<void()>& method)
{
    captured_ = nullptr;
    pending_ = method;
    if (HWND window = ThreadWindowHandle())
        SendMessageA(window, WM_UP_SYNCHRONIZE, 0, reinterpret_cast<LPARAM>(this));
    pending_ = nullptr;
    if (captured_ && !handleExceptions_)
        std::rethrow_exception(std::exchange(captured_, nullptr));
    captured_ = nullptr;
}

void TupEventThread::RunPending()
{
    if (OwnerGone() || !pending_)
        return;
    inSync_ = true;
    try {
        pending_();
    } catch (...) {
        captured_ = std::current_exception();
    }
    inSync_ = false;
}

DWORD TupEventThread::WaitFor()
{
    WaitFor(INFINITE);
    DWORD code = 0;
    GetExitCodeThread(handle_, &code);
    return code;
}

bool TupEventThread::WaitFor(DWORD timeout)
{
    if (!handle_)
        return true;
    bool onWindowThread;
    {
        TWindowLock lock;
        onWindowThread = windowState.window && windowState.windowThread == GetCurrentThreadId();
    }
    if (!onWindowThread)
        return WaitForSingleObject(handle_, timeout) == WAIT_OBJECT_0;
    // The worker may be sending to the event window: deliver sent messages while waiting.
    const ULONGLONG deadline = GetTickCount64() + timeout;
    for (;;) {
        DWORD wait = INFINITE;
        if (timeout != INFINITE) {
            const ULONGLONG now = GetTickCount64();
            wait = now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
        }
        const DWORD r = MsgWaitForMultipleObjects(1, &handle_, FALSE, wait, QS_SENDMESSAGE);
        if (r == WAIT_OBJECT_0)
            return true;
        if (r != WAIT_OBJECT_0 + 1)
            return false;
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
    }
}

void TupEventThread::Suspend()
{
    suspended_ = true;
    SuspendThread(handle_);
}

void TupEventThread::Resume()
{
    if (ResumeThread(handle_) == 1) {
        suspended_ = false;
        started_ = true;
    }
}

void TupEventThread::SetSuspended(bool suspended)
{
    if (suspended == suspended_)
        return;
    if (suspended)
        Suspend();
    else
        Resume();
}

TThreadPriority TupEventThread::Priority() const { return ThreadPriorityOf(GetThreadPriority(handle_)); }

void TupEventThread::SetPriority(TThreadPriority priority) { SetThreadPriority(handle_, ThreadPriorityValue(priority)); }

std::unique_ptr<TupEventThread> TupEventThread::Clone() const
{
    auto clone = std::make_unique<TupEventThread>(owner_);
    clone->SetPriority(Priority());
    clone->OnExecute = OnExecute;
    clone->OnException = OnException;
    clone->OnTerminate = OnTerminate;
    clone->handleExceptions_ = handleExceptions_.load();
    return clone;
}

// ---------------------------------------------------------------------------------------

const cl::TClass& TupCustomThread::StaticClass()
{
    return cl::DefineClass<TupCustomThread, cl::TComponent>("TupCustomThread", [](cl::TPublisher<TupCustomThread>& p) {
        p.Bool("Suspended", &TupCustomThread::Suspended, &TupCustomThread::SetSuspended);
        p.Bool("HandleExceptions", &TupCustomThread::HandleExceptions, &TupCustomThread::SetHandleExceptions);
        p.Enum("Priority", ThreadPriorityType, &TupCustomThread::Priority, &TupCustomThread::SetPriority);
    });
}

TupCustomThread::TupCustomThread(cl::TComponent* owner)
    : cl::TComponent(owner), thread_(std::make_unique<TupEventThread>(this))
{
}

TupCustomThread::~TupCustomThread() { Shutdown(); }

void TupCustomThread::Loaded()
{
    cl::TComponent::Loaded();
    thread_->SetSuspended(suspended_);
}

bool TupCustomThread::OwnerDestroying() const
{
    return shutDown_ || HasState(cl::csDestroying) || (Owner() && Owner()->HasState(cl::csDestroying));
}

bool TupCustomThread::Suspended() const
{
    return HasState(cl::csDesigning) || HasState(cl::csLoading) ? suspended_ : thread_->Suspended();
}

void TupCustomThread::SetSuspended(bool suspended)
{
    suspended_ = suspended;
    if (!HasState(cl::csDesigning) && !HasState(cl::csLoading))
        thread_->SetSuspended(suspended);
}

void TupCustomThread::SetHandleExceptions(bool on)
{
    handleExceptions_ = on;
    thread_->SetHandleExceptions(on);
}

void TupCustomThread::ApplyEvents(TupEventThread& thread) const
{
    thread.OnExecute = onExecute_;
    thread.OnException = onException_;
    thread.OnTerminate = onTerminate_;
    thread.SetHandleExceptions(handleExceptions_);
}

void TupCustomThread::SetOnExecute(TNotifyEvent handler)
{
    onExecute_ = std::move(handler);
    if (!thread_->Started())
        thread_->OnExecute = onExecute_;
}

void TupCustomThread::SetOnException(TNotifyEvent handler)
{
    onException_ = std::move(handler);
    if (!thread_->Started())
        thread_->OnException = onException_;
}

void TupCustomThread::SetOnTerminate(TNotifyEvent handler)
{
    onTerminate_ = std::move(handler);
    if (!thread_->Started())
        thread_->OnTerminate = onTerminate_;
}

void TupCustomThread::Replace()
{
    std::unique_ptr<TupEventThread> old = std::exchange(thread_, nullptr);
    thread_ = old->Clone();
    ApplyEvents(*thread_);
    if (!old->Started())
        return; // its destructor ends it at once
    old->Terminate();
    old->Silence();
    // A worker may be blocked in the network for as long as its time-outs allow, or wait
    // for this very thread to run its event: never wait for it here, never kill it (it
    // may hold a lock). It frees its own thread object when its body ends.
    if (old->Running())
        TupEventThread::Detach(std::move(old));
}

bool TupCustomThread::Execute()
{
    if (shutDown_)
        return false;
    if (thread_->Started())
        Replace();
    else
        ApplyEvents(*thread_);
    thread_->Resume();
    return true;
}

void TupCustomThread::Stop(bool kill)
{
    if (kill)
        Replace();
    else
        thread_->Terminate();
}

void TupCustomThread::Shutdown()
{
    if (shutDown_)
        return;
    shutDown_ = true;
    Replace();
}

void TupCustomThread::Synchronize(const std::function<void()>& method)
{
    // A worker uses its own thread object: thread_ may be replaced meanwhile.
    if (TupEventThread* current = TupEventThread::Current())
        current->Synchronize(method);
    else if (!OwnerDestroying())
        thread_->Synchronize(method);
}

} // namespace up
