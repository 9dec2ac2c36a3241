// The single-instance handshake on this process's application window: the answers a copy
// takes, as the first copy and as a copy that asked.
#include "classlib/Forms.h"
#include "classlib/WinHandle.h"
#include "shell/MultInst.h"

#include <gtest/gtest.h>

namespace {

// A minimised top-level window standing in for the running copy's application window.
struct TIconicWindow {
    HWND wnd = CreateWindowA("STATIC", "other copy", WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_MINIMIZE, 0, 0, 200, 100,
                             nullptr, nullptr, nullptr, nullptr);
    ~TIconicWindow() { DestroyWindow(wnd); }
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
    cl::KernelHandle running(CreateMutexA(nullptr, FALSE, MultInst::InstanceName));
    ASSERT_TRUE(running);
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
