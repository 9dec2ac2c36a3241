// The single-instance handshake on this process's application window: the answers a copy
// takes, as the first copy and as a copy that asked.
#include "classlib/Forms.h"
#include "classlib/WinHandle.h"
#include "shell/MultInst.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// A minimised top-level window standing in for the running copy's application window.
struct TIconicWindow {
    HWND wnd = CreateWindowA("STATIC", "other copy", WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_MINIMIZE, 0, 0, 200, 100,
                             nullptr, nullptr, nullptr, nullptr);
    ~TIconicWindow() { DestroyWindow(wnd); }
};

// The running copy: owns the mutex on a thread of its own, as another process would, until
// it ends, giving the mutex up first or (as a copy that dies) not.
class TRunningCopy {
public:
    explicit TRunningCopy(bool release = true) : release_(release)
    {
        thread_.reset(CreateThread(nullptr, 0, Run, this, 0, nullptr));
        WaitForSingleObject(owned_.get(), 10000);
    }
    ~TRunningCopy() { End(); }
    TRunningCopy(const TRunningCopy&) = delete;
    TRunningCopy& operator=(const TRunningCopy&) = delete;
    void End()
    {
        SetEvent(end_.get());
        WaitForSingleObject(thread_.get(), 10000);
    }

private:
    static DWORD WINAPI Run(void* arg)
    {
        auto* self = static_cast<TRunningCopy*>(arg);
        HANDLE mutex = CreateMutexA(nullptr, TRUE, MultInst::InstanceName);
        SetEvent(self->owned_.get());
        WaitForSingleObject(self->end_.get(), INFINITE);
        if (self->release_) ReleaseMutex(mutex);
        CloseHandle(mutex);
        return 0;
    }
    bool release_;
    cl::KernelHandle owned_{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    cl::KernelHandle end_{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    cl::KernelHandle thread_;
};

// Takes a WM_QUIT the application posted, if any.
bool TookQuit()
{
    MSG msg;
    return PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
}

struct SingleInstance : ::testing::Test {
    void SetUp() override { cl::Application->Initialize(); }
    void TearDown() override
    {
        MultInst::Stop();
        TookQuit();
    }
    static LRESULT Send(WPARAM wp, LPARAM lp)
    {
        return SendMessageA(cl::Application->Handle(), MultInst::Message(), wp, lp);
    }
};

} // namespace

// Any program can post the answer: the first copy, which never asked, ignores it.
TEST_F(SingleInstance, TheFirstCopyIgnoresAnswers)
{
    MultInst::Start(*cl::Application);
    ASSERT_TRUE(MultInst::IsFirstCopy());
    TIconicWindow other;
    ASSERT_TRUE(IsIconic(other.wnd));
    EXPECT_EQ(Send(1, reinterpret_cast<LPARAM>(other.wnd)), 0);
    EXPECT_TRUE(IsIconic(other.wnd)) << "not restored";
    EXPECT_FALSE(TookQuit()) << "not ended";
}

TEST_F(SingleInstance, ACopyThatAskedTakesTheAnswerOnly)
{
    // The running copy's mutex: this process starts as the second copy, which asks.
    TRunningCopy running;
    MultInst::Start(*cl::Application);
    ASSERT_FALSE(MultInst::IsFirstCopy());
    TIconicWindow other;
    const struct {
        WPARAM wp;
        bool withWindow;
    } ignored[] = {{1, false}, {3, true}, {0, true}};
    for (const auto& c : ignored) {
        SCOPED_TRACE(testing::Message() << "wParam " << c.wp << (c.withWindow ? " with a window" : " without"));
        EXPECT_EQ(Send(c.wp, c.withWindow ? reinterpret_cast<LPARAM>(other.wnd) : 0), 0);
        EXPECT_TRUE(IsIconic(other.wnd));
        EXPECT_FALSE(TookQuit());
    }
    EXPECT_EQ(Send(1, reinterpret_cast<LPARAM>(other.wnd)), 0);
    EXPECT_FALSE(IsIconic(other.wnd)) << "the running copy is restored";
    EXPECT_TRUE(TookQuit()) << "and this copy ends";
}

// The running copy ended (shutting down, or dead) after this copy asked and before it could
// answer: this copy takes the mutex and shows its main form. Until then it stays hidden.
TEST_F(SingleInstance, ACopyWithoutAnAnswerRunsOnceTheRunningCopyHasGone)
{
    for (bool release : {true, false}) {
        SCOPED_TRACE(release ? "the running copy gave the mutex up" : "it died holding it");
        auto running = std::make_unique<TRunningCopy>(release);
        cl::TForm* main = nullptr;
        MultInst::Start(*cl::Application);
        ASSERT_FALSE(MultInst::IsFirstCopy());
        cl::Application->CreateForm(main);
        ASSERT_EQ(cl::Application->MainForm(), main);
        EXPECT_FALSE(cl::Application->ShowMainForm());
        // Several rounds of the take-over timer while the running copy still holds the mutex.
        const DWORD start = GetTickCount();
        while (GetTickCount() - start < 3 * MultInst::TakeOverIntervalMs) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
            cl::Application->ProcessMessages();
        }
        EXPECT_FALSE(MultInst::IsFirstCopy());
        EXPECT_FALSE(IsWindowVisible(main->Handle()));

        running.reset();
        for (const DWORD gone = GetTickCount(); !MultInst::IsFirstCopy() && GetTickCount() - gone < 20000;) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
            cl::Application->ProcessMessages();
        }
        EXPECT_TRUE(MultInst::IsFirstCopy());
        EXPECT_TRUE(IsWindowVisible(main->Handle())) << "the main form shows";
        EXPECT_FALSE(TookQuit());
        // Now the running copy: a copy started from here is answered.
        const HWND app = cl::Application->Handle();
        TIconicWindow asker;
        EXPECT_EQ(Send(2, reinterpret_cast<LPARAM>(asker.wnd)), 0);
        MSG answer;
        EXPECT_TRUE(PeekMessageA(&answer, asker.wnd, MultInst::Message(), MultInst::Message(), PM_REMOVE));
        EXPECT_EQ(answer.wParam, 1u);
        EXPECT_EQ(answer.lParam, reinterpret_cast<LPARAM>(app));
        MultInst::Stop();
        cl::Free(main);
        cl::Application->SetShowMainForm(true);
    }
}
