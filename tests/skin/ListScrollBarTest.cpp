// The drop-down list's bar on a real list box: the thumb dragged by the skin itself (to the
// end, released in place, cancelled, ended by a quit that stays queued), presses off the
// thumb left to the list, and the bar painted into the list's frame.
#include "skin/controls/ListScrollBar.h"
#include "skin/engine/SkinData.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace skin;

namespace {

TColor StripC(int frame) { return MakeRGB(10 * frame, 100, 200); }
TColor ThumbC(int frame) { return MakeRGB(0, 200, 60 * frame); }
int Arrow() { return GetSystemMetrics(SM_CXHSCROLL); }

void Strip(cl::TBitmap& b, TColor (*colour)(int), int count, int w, int h)
{
    b.SetPixelFormat(cl::pf24bit);
    b.SetSize(w * count, h);
    for (int i = 0; i < count; ++i)
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) b.Canvas()->SetPixel(i * w + x, y, colour(i + 1));
}

std::unique_ptr<TSkinData> ScrollSkin()
{
    auto d = std::make_unique<TSkinData>(nullptr);
    d->ScrollbarArrows = std::make_unique<TDataSkinObject>("Scrollbar");
    Strip(*d->ScrollbarArrows->Bitmap, StripC, 23, Arrow(), Arrow());
    d->ScrollbarArrows->Frame = 23;
    d->VertScrollThumb = std::make_unique<TDataSkinObject>("VertScrollThumb");
    Strip(*d->VertScrollThumb->Bitmap, ThumbC, 3, 8, 8);
    d->VertScrollThumb->Frame = 3;
    d->Colors[scButtonFace] = MakeRGB(240, 240, 240);
    d->Empty = false;
    return d;
}

SCROLLBARINFO BarInfo(HWND wnd, LONG id)
{
    SCROLLBARINFO info{};
    info.cbSize = sizeof(info);
    EXPECT_TRUE(GetScrollBarInfo(wnd, id, &info));
    return info;
}

SCROLLINFO ScrollState(HWND wnd, int bar)
{
    SCROLLINFO si{};
    si.cbSize = sizeof(si);
    si.fMask = SIF_ALL;
    GetScrollInfo(wnd, bar, &si);
    return si;
}

RECT WindowRect(HWND wnd)
{
    RECT r{};
    GetWindowRect(wnd, &r);
    return r;
}

void Pump()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        if (msg.message != WM_QUIT) DispatchMessageW(&msg);
}

// A recording procedure put underneath the skin.
struct Recorded {
    UINT msg;
    WPARAM wParam;
};
std::vector<Recorded> g_seen;
WNDPROC g_oldProc = nullptr;
LRESULT CALLBACK Recorder(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    g_seen.push_back({msg, wParam});
    return CallWindowProcW(g_oldProc, wnd, msg, wParam, lParam);
}
int Count(UINT msg)
{
    int n = 0;
    for (const Recorded& r : g_seen) n += r.msg == msg;
    return n;
}
std::vector<WPARAM> ScrollCodes()
{
    std::vector<WPARAM> v;
    for (const Recorded& r : g_seen)
        if (r.msg == WM_VSCROLL) v.push_back(r.wParam);
    return v;
}

struct ListThumb : ::testing::Test {
    std::unique_ptr<TSkinData> data = ScrollSkin();
    HWND parent = nullptr;
    HWND list = nullptr;
    TComboxScrollBar* skin = nullptr;
    POINT thumb{};
    void SetUp() override
    {
        parent = CreateWindowExW(0, L"STATIC", L"parent", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 50, 50, 320, 240,
                                 nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(parent, nullptr);
        list = CreateWindowExW(0, L"LISTBOX", L"", WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_BORDER, 10, 10, 150, 120,
                               parent, nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(list, nullptr);
        g_oldProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Recorder)));
        for (int i = 0; i < 50; ++i) SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"item"));
        SendMessageW(list, LB_SETTOPINDEX, 5, 0);
        skin = new TComboxScrollBar(nullptr);
        skin->InitHwnd(list, data.get(), nullptr, nullptr);
        g_seen.clear();
        const SCROLLBARINFO info = BarInfo(list, OBJID_VSCROLL);
        thumb = POINT{(info.rcScrollBar.left + info.rcScrollBar.right) / 2,
                      info.rcScrollBar.top + (info.xyThumbTop + info.xyThumbBottom) / 2};
    }
    void TearDown() override
    {
        cl::Free(skin);
        DestroyWindow(parent);
        Pump();
    }
    LRESULT Press(POINT at) { return SendMessageW(list, WM_NCLBUTTONDOWN, HTVSCROLL, MAKELPARAM(at.x, at.y)); }
};

} // namespace

TEST_F(ListThumb, ReleaseWithoutMovingSendsThePositionTheListHad)
{
    PostMessageW(list, WM_LBUTTONUP, 0, 0);
    Press(thumb);
    Pump();
    const std::vector<WPARAM> codes = ScrollCodes();
    ASSERT_EQ(codes.size(), 2u);
    EXPECT_EQ(LOWORD(codes[0]), SB_THUMBPOSITION);
    EXPECT_EQ(HIWORD(codes[0]), 5);
    EXPECT_EQ(codes[1], static_cast<WPARAM>(SB_ENDSCROLL));
    // The skin tracked the press: the list's own handling never saw it.
    EXPECT_EQ(Count(WM_NCLBUTTONDOWN), 0);
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(ListThumb, DragPastTheEndTracksToTheLastPage)
{
    const SCROLLINFO si = ScrollState(list, SB_VERT);
    PostMessageW(list, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(5, 2000));
    PostMessageW(list, WM_LBUTTONUP, 0, MAKELPARAM(5, 2000));
    Press(thumb);
    const int last = si.nMax - static_cast<int>(si.nPage) + 1;
    const std::vector<WPARAM> codes = ScrollCodes();
    ASSERT_GE(codes.size(), 2u);
    EXPECT_EQ(LOWORD(codes[0]), SB_THUMBTRACK);
    EXPECT_EQ(HIWORD(codes[0]), last);
    EXPECT_EQ(LOWORD(codes[1]), SB_THUMBPOSITION);
    EXPECT_EQ(HIWORD(codes[1]), last);
    EXPECT_EQ(SendMessageW(list, LB_GETTOPINDEX, 0, 0), last);
}

TEST_F(ListThumb, PressOffTheThumbIsLeftToTheList)
{
    const SCROLLBARINFO info = BarInfo(list, OBJID_VSCROLL);
    PostMessageW(list, WM_LBUTTONUP, 0, 0);
    Press(POINT{thumb.x, info.rcScrollBar.bottom - 2}); // the down arrow
    EXPECT_EQ(Count(WM_NCLBUTTONDOWN), 1);
    const std::vector<WPARAM> codes = ScrollCodes();
    ASSERT_FALSE(codes.empty());
    EXPECT_EQ(LOWORD(codes.front()), SB_LINEDOWN);
}

TEST_F(ListThumb, CancelModeEndsTheDragWithoutAPosition)
{
    PostMessageW(list, WM_CANCELMODE, 0, 0);
    Press(thumb);
    for (WPARAM code : ScrollCodes()) EXPECT_NE(LOWORD(code), SB_THUMBPOSITION);
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(ListThumb, QuitDuringTheDragEndsItAndStaysQueued)
{
    PostQuitMessage(7);
    Press(thumb);
    MSG msg{};
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 7u);
    for (WPARAM code : ScrollCodes()) EXPECT_NE(LOWORD(code), SB_THUMBPOSITION);
}

TEST_F(ListThumb, PaintsTheBarIntoTheListsFrame)
{
    const SCROLLBARINFO info = BarInfo(list, OBJID_VSCROLL);
    const RECT w = WindowRect(list);
    const int a = Arrow();
    cl::TBitmap shot;
    shot.SetPixelFormat(cl::pf24bit);
    shot.SetSize(w.right - w.left, w.bottom - w.top);
    skin->PaintControl(shot.Canvas()->Handle());
    const int x = info.rcScrollBar.left - w.left + a / 2, y = info.rcScrollBar.top - w.top;
    EXPECT_EQ(shot.Canvas()->Pixel(x, y + a / 2), StripC(9));
    EXPECT_EQ(shot.Canvas()->Pixel(x, y + info.xyThumbTop + 1), ThumbC(1));
}

