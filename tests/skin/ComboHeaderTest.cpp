// Combo boxes, the drop-down list's scroll bar, date-time pickers, headers and the smaller
// control skins on real windows: pixels read back from bitmaps the skins paint into, real
// messages, and small stand-in control classes with the property names the skins read.
#include "skin/controls/ComboBoxes.h"
#include "skin/controls/ScrollBars.h"
#include "skin/controls/ScrollGeometry.h"
#include "skin/controls/DateTime.h"
#include "skin/controls/Headers.h"
#include "skin/controls/Sheets.h"
#include "skin/engine/SkinData.h"
#include "skin/engine/SkinMessages.h"
#include "skin/engine/SkinnedForm.h"

#include "classlib/Forms.h"
#include "classlib/Publish.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

#include <memory>
#include <vector>

using namespace skin;

namespace {

const TColor Face = MakeRGB(240, 240, 240), Shadow = MakeRGB(90, 90, 90), White = MakeRGB(255, 255, 255);
const TColor Untouched = MakeRGB(1, 2, 3);
TColor ButtonC(int k) { return MakeRGB(10 * k, 200, 0); }
TColor SunkC(int k) { return MakeRGB(0, 10 * k, 200); }
TColor MirrorC(int k) { return MakeRGB(200, 0, 10 * k); }
TColor ArrowC(int k) { return MakeRGB(30 * k, 30, 60); }
TColor ScrollC(int k) { return MakeRGB(k * 10, 77, 33); }
TColor TrackC(int k) { return MakeRGB(50, 10 * k, 50); }
TColor ThumbC(int k) { return MakeRGB(160, 160, 10 * k); }
TColor HeadC(int k) { return MakeRGB(70, 20 * k, 140); }
TColor TabC(int k) { return MakeRGB(20 * k, 120, 120); }
TColor CheckC(int k) { return MakeRGB(20 * k, 7, 99); }

std::vector<TColor> Frames(TColor (*colour)(int), int n)
{
    std::vector<TColor> v;
    for (int k = 1; k <= n; ++k) v.push_back(colour(k));
    return v;
}

void Strip(cl::TBitmap& b, const std::vector<TColor>& frames, int w, int h)
{
    b.SetPixelFormat(cl::pf24bit);
    b.SetSize(w * static_cast<int>(frames.size()), h);
    for (size_t i = 0; i < frames.size(); ++i) {
        cl::BrushHandle brush(CreateSolidBrush(static_cast<COLORREF>(frames[i])));
        const RECT r{static_cast<int>(i) * w, 0, static_cast<int>(i + 1) * w, h};
        FillRect(b.Canvas()->Handle(), &r, brush.get());
    }
}

template <class T> T* Object(std::unique_ptr<T>& slot, const char* name, TColor (*colour)(int), int n, int w, int h)
{
    slot = std::make_unique<T>(name);
    Strip(*slot->Bitmap, Frames(colour, n), w, h);
    slot->Frame = n;
    return slot.get();
}

std::unique_ptr<TSkinData> ComboSkin()
{
    auto d = std::make_unique<TSkinData>(nullptr);
    const int A = GetSystemMetrics(SM_CXHSCROLL);
    Object(d->ComboButton, "ComboButton", ButtonC, 4, 8, 8);
    Strip(*d->ComboButton->Bitmap2, Frames(MirrorC, 4), 8, 8);
    Object(d->SunkEdge, "SunkEdge", SunkC, 4, 8, 8);
    Object(d->ComboxArrow, "ComboxArrow", ArrowC, 4, 6, 6);
    Object(d->ScrollbarArrows, "Scrollbar", ScrollC, 23, 8, A);
    Object(d->VertScroll, "VertScroll", TrackC, 4, 8, 8);
    Object(d->VertScrollThumb, "VertScrollThumb", ThumbC, 3, 8, 8);
    Object(d->Headerbar, "Headerbar", HeadC, 2, 8, 8);
    Object(d->Tabs, "Tabs", TabC, 2, 8, 8);
    Strip(*d->Buttons->Bitmap, {ButtonC(1), ButtonC(2)}, 8, 8);
    d->Buttons->Frame = 2;
    d->Colors[scButtonFace] = Face;
    d->Colors[scButtonShadow] = Shadow;
    d->FormColor = MakeRGB(45, 55, 73); // the top border's sample: never a control's face
    d->FormBrush.reset(CreateSolidBrush(static_cast<COLORREF>(Face)));
    d->Empty = false;
    return d;
}

// What a companion paints, on a 24-bit bitmap of its window's size.
struct Shot {
    cl::TBitmap bitmap;
    Shot(TSkinControl& skin, HWND window)
    {
        RECT r{};
        GetWindowRect(window, &r);
        bitmap.SetPixelFormat(cl::pf24bit);
        bitmap.SetSize(r.right - r.left, r.bottom - r.top);
        cl::BrushHandle brush(CreateSolidBrush(static_cast<COLORREF>(Untouched)));
        const RECT all{0, 0, r.right - r.left, r.bottom - r.top};
        FillRect(bitmap.Canvas()->Handle(), &all, brush.get());
        skin.PaintControl(bitmap.Canvas()->Handle());
    }
    TColor At(int x, int y) { return bitmap.Canvas()->Pixel(x, y); }
};

SIZE WindowSize(HWND w)
{
    RECT r{};
    GetWindowRect(w, &r);
    return {r.right - r.left, r.bottom - r.top};
}

struct Raw : ::testing::Test {
    std::unique_ptr<TSkinData> data = ComboSkin();
    HWND parent = nullptr;
    std::vector<TSkinControl*> skins;
    const int A = GetSystemMetrics(SM_CXHSCROLL);

    void SetUp() override
    {
        INITCOMMONCONTROLSEX icc{sizeof(INITCOMMONCONTROLSEX),
                                 ICC_USEREX_CLASSES | ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES | ICC_BAR_CLASSES};
        InitCommonControlsEx(&icc);
        parent = CreateWindowExW(0, L"STATIC", L"parent", WS_POPUP | WS_VISIBLE, 20, 20, 400, 300, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(parent, nullptr);
    }
    void TearDown() override
    {
        for (TSkinControl* s : skins) cl::Free(s);
        DestroyWindow(parent);
    }
    HWND Child(const wchar_t* cls, DWORD style, int w, int h, DWORD exStyle = 0)
    {
        return CreateWindowExW(exStyle, cls, L"", WS_CHILD | WS_VISIBLE | style, 5, 5, w, h, parent, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    }
    HWND ChildA(const char* cls, DWORD style, int w, int h)
    {
        return CreateWindowExA(0, cls, "", WS_CHILD | WS_VISIBLE | style, 5, 5, w, h, parent, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
    }
    template <class T> T* Skin(HWND wnd)
    {
        auto* s = new T(nullptr);
        s->InitHwnd(wnd, data.get(), nullptr, nullptr);
        skins.push_back(s);
        return s;
    }
};

} // namespace

// ---------------------------------------------------------------------------------------
// Combo box

TEST_F(Raw, ComboButtonAndFrameFollowTheState)
{
    struct Case {
        const char* name;
        int style;
        bool pressed, hot, disabled, focused;
        int frame;
    } cases[] = {
        {"normal", 0, false, false, false, false, 1},
        {"pressed", 0, true, false, false, false, 2},
        {"hot", 0, false, true, false, false, 4},
        {"focused", 0, false, false, false, true, 4},
        {"disabled", 0, false, false, true, false, 3},
        {"disabled and hot", 0, false, true, true, false, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HWND combo = Child(L"COMBOBOX", CBS_DROPDOWNLIST, 120, 200);
        ASSERT_NE(combo, nullptr);
        auto* skin = Skin<TSkinComBox>(combo);
        skin->SetPressed(c.pressed);
        skin->SetHot(c.hot);
        if (c.disabled) EnableWindow(combo, FALSE);
        if (c.focused) SetFocus(combo);
        const SIZE s = WindowSize(combo);
        Shot shot(*skin, combo);
        EXPECT_EQ(shot.At(s.cx - 3, s.cy / 2), ButtonC(c.frame));   // the button, right of the field
        EXPECT_EQ(shot.At(s.cx - A - 1, s.cy / 2), ButtonC(c.frame));
        EXPECT_EQ(shot.At(0, s.cy / 2), SunkC(c.frame));            // the frame
        EXPECT_EQ(shot.At(10, s.cy / 2), Untouched);                // the field stays the combo's
        EXPECT_EQ(skin->ButtonRect.left, s.cx - A - 2);
        DestroyWindow(combo);
    }
}

TEST_F(Raw, ComboStylesOneAndTwo)
{
    HWND combo = Child(L"COMBOBOX", CBS_DROPDOWNLIST, 120, 200);
    auto* skin = Skin<TSkinComBox>(combo);
    EnableWindow(combo, FALSE);
    skin->SetHot(true);
    const SIZE s = WindowSize(combo);
    {
        SCOPED_TRACE("style 2: the whole combo from one button frame; disabled wins");
        data->ComboButton->Style = 2;
        Shot shot(*skin, combo);
        EXPECT_EQ(shot.At(10, s.cy / 2), ButtonC(3));
        EXPECT_EQ(shot.At(s.cx - 1, 0), ButtonC(3));
    }
    {
        SCOPED_TRACE("style 1: a hot disabled combo shows the hot frame, at the strip's size");
        data->ComboButton->Style = 1;
        const int T = GetSystemMetrics(SM_CYVTHUMB);
        ASSERT_GT(T, 8);
        Shot shot(*skin, combo);
        // The button: 8 x 8 at the right end of the rectangle inset by 2.
        EXPECT_EQ(shot.At(s.cx - 3, 2), ButtonC(4));
        EXPECT_EQ(shot.At(s.cx - 10, 9), ButtonC(4));
        EXPECT_NE(shot.At(s.cx - 11, 9), ButtonC(4));
        EXPECT_EQ(shot.At(0, 0), Shadow);
        EXPECT_EQ(shot.At(s.cx - 1, s.cy - 1), Shadow);
        EXPECT_EQ(skin->ButtonRect.top, 2);
        EXPECT_EQ(skin->ButtonRect.bottom, 10);
    }
}

TEST_F(Raw, ComboWithLeftScrollBarDrawsTheMirroredButtonOnTheLeft)
{
    HWND combo = Child(L"COMBOBOX", CBS_DROPDOWNLIST, 120, 200, WS_EX_LEFTSCROLLBAR);
    auto* skin = Skin<TSkinComBox>(combo);
    const SIZE s = WindowSize(combo);
    Shot shot(*skin, combo);
    EXPECT_EQ(shot.At(2, s.cy / 2), MirrorC(1));
    EXPECT_EQ(shot.At(A + 1, s.cy / 2), MirrorC(1));
    EXPECT_EQ(shot.At(s.cx - 1, s.cy / 2), SunkC(1));
    EXPECT_EQ(shot.At(s.cx - 10, s.cy / 2), Untouched);
    EXPECT_EQ(skin->ButtonRect.left, 0);
    EXPECT_EQ(skin->ButtonRect.right, A + 2);
}

TEST_F(Raw, ExtendedComboWithoutBorderGetsOnlyTheArrowOverItsChild)
{
    HWND combo = Child(L"COMBOBOX", CBS_DROPDOWN, 120, 200);
    auto* skin = Skin<TSkinComBox>(combo);
    skin->Extended = true;
    const HWND edit = GetTopWindow(combo);
    ASSERT_NE(edit, nullptr);
    RECT own{}, e{};
    GetWindowRect(combo, &own);
    GetWindowRect(edit, &e);
    Shot shot(*skin, combo);
    const SIZE s = WindowSize(combo);
    // The combo draws its own edge inside its client area: no border, so no flat frame.
    EXPECT_EQ(shot.At(0, s.cy / 2), Untouched);
    EXPECT_EQ(shot.At(e.left - own.left + 1, e.top - own.top + 1), ArrowC(1));
}

TEST_F(Raw, EditOfAnAnsiComboPressesTheButtonAndAUnicodeComboKeepsItsEdit)
{
    HWND ansi = ChildA("COMBOBOX", CBS_DROPDOWN, 120, 200);
    ASSERT_FALSE(IsWindowUnicode(ansi));
    const HWND edit = GetTopWindow(ansi);
    ASSERT_NE(edit, nullptr);
    const LONG_PTR before = GetWindowLongPtrA(edit, GWLP_WNDPROC);
    auto* skin = Skin<TSkinComBox>(ansi);
    EXPECT_EQ(skin->EditWindow, edit);
    EXPECT_NE(GetWindowLongPtrA(edit, GWLP_WNDPROC), before);
    SendMessageA(edit, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    EXPECT_TRUE(skin->Pressed());
    SendMessageA(edit, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
    EXPECT_FALSE(skin->Pressed());
    skin->Unsubclass();
    EXPECT_EQ(GetWindowLongPtrA(edit, GWLP_WNDPROC), before);

    HWND wide = Child(L"COMBOBOX", CBS_DROPDOWN, 120, 200);
    const HWND wideEdit = GetTopWindow(wide);
    ASSERT_NE(wideEdit, nullptr);
    const LONG_PTR wideBefore = GetWindowLongPtrW(wideEdit, GWLP_WNDPROC);
    auto* wideSkin = Skin<TSkinComBox>(wide);
    EXPECT_EQ(wideSkin->EditWindow, nullptr);
    EXPECT_EQ(GetWindowLongPtrW(wideEdit, GWLP_WNDPROC), wideBefore);
}

TEST_F(Raw, MouseOverTheComboButtonMakesItHot)
{
    HWND combo = Child(L"COMBOBOX", CBS_DROPDOWNLIST, 120, 200);
    auto* skin = Skin<TSkinComBox>(combo);
    const SIZE s = WindowSize(combo);
    { Shot shot(*skin, combo); } // places the button
    SendMessageW(combo, WM_MOUSEMOVE, 0, MAKELPARAM(s.cx - 5, s.cy / 2));
    EXPECT_TRUE(skin->Hot());
    SendMessageW(combo, WM_MOUSEMOVE, 0, MAKELPARAM(5, s.cy / 2));
    EXPECT_FALSE(skin->Hot());
    EnableWindow(combo, FALSE);
    SendMessageW(combo, WM_MOUSEMOVE, 0, MAKELPARAM(s.cx - 5, s.cy / 2));
    EXPECT_FALSE(skin->Hot());
}

TEST_F(Raw, WithoutAComboButtonImageNothingIsDrawn)
{
    HWND combo = Child(L"COMBOBOX", CBS_DROPDOWNLIST, 120, 200);
    auto* skin = Skin<TSkinComBox>(combo);
    data->ComboButton.reset();
    Shot shot(*skin, combo);
    EXPECT_EQ(shot.At(0, 0), Untouched);
    EXPECT_EQ(shot.At(WindowSize(combo).cx - 3, 5), Untouched);
}

TEST_F(Raw, DiscoveryOfRawChildWindows)
{
    struct Case {
        const char* name;
        const wchar_t* cls;
        DWORD style;
        bool firstChild; // the skin sits on the window's first child
        const char* skin;  // null: none
    } cases[] = {
        {"drop-down combo", L"COMBOBOX", CBS_DROPDOWN, false, "TSkinComBox"},
        {"simple combo", L"COMBOBOX", CBS_SIMPLE, false, nullptr},
        {"extended combo", WC_COMBOBOXEXW, CBS_DROPDOWN, true, "TSkinComBox"},
        {"size box", L"SCROLLBAR", SBS_SIZEBOX, false, "TSkinSizer"},
        {"scroll bar with tab stop", L"SCROLLBAR", SBS_VERT | WS_TABSTOP, false, nullptr},
        {"tool bar", TOOLBARCLASSNAMEW, 0, false, "TSkinBoxH"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HWND w = Child(c.cls, c.style, 120, 150);
        ASSERT_NE(w, nullptr);
        const HWND target = c.firstChild ? GetTopWindow(w) : w;
        ASSERT_NE(target, nullptr);
        TSkinnedForm skinned(nullptr);
        skinned.SkinData = data.get();
        skinned.SkinChildWindow(w);
        TSkinControl* found = skinned.FindControlSkin(target);
        if (c.skin) {
            ASSERT_NE(found, nullptr);
            EXPECT_EQ(found->ClassName(), c.skin);
            EXPECT_EQ(SendMessageW(target, WM_SKIN_QUERY, 0, 0), 1);
        } else {
            EXPECT_EQ(found, nullptr);
            EXPECT_TRUE(skinned.ControlSkins().empty());
        }
        DestroyWindow(w);
    }
}

// ---------------------------------------------------------------------------------------
// The drop-down list's scroll bar, on a list box with a vertical bar

namespace {

std::vector<WPARAM> g_scrolls;
WNDPROC g_listProc = nullptr;
LRESULT CALLBACK ListRecorder(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_VSCROLL) g_scrolls.push_back(wParam);
    return CallWindowProcW(g_listProc, wnd, msg, wParam, lParam);
}

LRESULT CALLBACK CaptureTaker(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_APP) SetCapture(wnd);
    return DefWindowProcW(wnd, msg, wParam, lParam);
}

struct ListBar : Raw {
    HWND list = nullptr;
    TComboxScrollBar* bar = nullptr;
    SCROLLBARINFO info{};
    void SetUp() override
    {
        Raw::SetUp();
        list = Child(L"LISTBOX", WS_VSCROLL | LBS_NOINTEGRALHEIGHT, 100, 120);
        ASSERT_NE(list, nullptr);
        for (int i = 0; i < 20; ++i) SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"item"));
        SendMessageW(list, LB_SETITEMHEIGHT, 0, 12);
        g_scrolls.clear();
        g_listProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ListRecorder)));
        bar = Skin<TComboxScrollBar>(list);
        info.cbSize = sizeof info;
        ASSERT_TRUE(GetScrollBarInfo(list, OBJID_VSCROLL, &info));
        ASSERT_GT(info.xyThumbBottom - info.xyThumbTop, 20);
    }
    LPARAM OnThumb() const
    {
        return MAKELPARAM(info.rcScrollBar.left + 2, info.rcScrollBar.top + info.xyThumbTop + 2);
    }
    void PostMove(int dy)
    {
        POINT p{info.rcScrollBar.left + 2, info.rcScrollBar.top + info.xyThumbTop + 2 + dy};
        ScreenToClient(list, &p);
        PostMessageW(list, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(p.x, p.y));
    }
    void Pump()
    {
        MSG m;
        while (PeekMessageW(&m, list, WM_VSCROLL, WM_VSCROLL, PM_REMOVE)) DispatchMessageW(&m);
    }
};

} // namespace

TEST_F(ListBar, PaintsArrowsTrackThumbAndGripIntoTheListsFrame)
{
    RECT own{};
    GetWindowRect(list, &own);
    const int x = info.rcScrollBar.left - own.left + 2, top = info.rcScrollBar.top - own.top;
    const int L = info.rcScrollBar.bottom - info.rcScrollBar.top;
    SCOPED_TRACE(testing::Message() << "bar " << info.rcScrollBar.left << "," << info.rcScrollBar.top << ","
                                    << info.rcScrollBar.right << "," << info.rcScrollBar.bottom << " window " << own.left
                                    << "," << own.top << "," << own.right << "," << own.bottom << " thumb "
                                    << info.xyThumbTop << "-" << info.xyThumbBottom);
    Shot shot(*bar, list);
    EXPECT_EQ(shot.At(x, top + 1), ScrollC(9));
    EXPECT_EQ(shot.At(x, top + L - 2), ScrollC(13));
    EXPECT_EQ(shot.At(x, top + info.xyThumbTop), ThumbC(1));
    EXPECT_EQ(shot.At(x, top + (info.xyThumbTop + info.xyThumbBottom) / 2), ScrollC(20));
    EXPECT_EQ(shot.At(x, top + L - A - 1), TrackC(1));
    EXPECT_EQ(shot.At(5, 5), Untouched); // the list's items are its own
}

TEST_F(ListBar, DraggingTheThumbReportsTrackPositionsThenTheEnd)
{
    PostMove(20);
    PostMessageW(list, WM_LBUTTONUP, 0, 0);
    SendMessageW(list, WM_NCLBUTTONDOWN, HTVSCROLL, OnThumb());
    Pump();
    ASSERT_EQ(g_scrolls.size(), 3u);
    EXPECT_EQ(LOWORD(g_scrolls[0]), SB_THUMBTRACK);
    const int pos = HIWORD(g_scrolls[0]);
    EXPECT_GT(pos, 0);
    EXPECT_EQ(g_scrolls[1], MAKEWPARAM(SB_THUMBPOSITION, pos));
    EXPECT_EQ(g_scrolls[2], static_cast<WPARAM>(SB_ENDSCROLL));
    EXPECT_EQ(GetScrollPos(list, SB_VERT), pos);
    EXPECT_NE(GetCapture(), list);
}

TEST_F(ListBar, ReleasingWithoutMovingKeepsThePosition)
{
    SendMessageW(list, LB_SETTOPINDEX, 2, 0);
    ASSERT_EQ(GetScrollPos(list, SB_VERT), 2);
    ASSERT_TRUE(GetScrollBarInfo(list, OBJID_VSCROLL, &info));
    g_scrolls.clear();
    PostMessageW(list, WM_LBUTTONUP, 0, 0);
    SendMessageW(list, WM_NCLBUTTONDOWN, HTVSCROLL, OnThumb());
    Pump();
    ASSERT_EQ(g_scrolls.size(), 2u);
    EXPECT_EQ(g_scrolls[0], MAKEWPARAM(SB_THUMBPOSITION, 2));
    EXPECT_EQ(g_scrolls[1], static_cast<WPARAM>(SB_ENDSCROLL));
}

TEST_F(ListBar, APressOffTheThumbIsLeftToTheList)
{
    const LPARAM onArrow = MAKELPARAM(info.rcScrollBar.left + 2, info.rcScrollBar.top + 2);
    EXPECT_FALSE(bar->TrackThumb(onArrow, 1000));
    EXPECT_NE(GetCapture(), list);
}

TEST_F(ListBar, TrackingEndsOnQuitLostCaptureAndCancelMode)
{
    WNDCLASSW wc{};
    wc.lpfnWndProc = CaptureTaker;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"LudoraCaptureTaker";
    RegisterClassW(&wc);
    HWND taker = CreateWindowExW(0, wc.lpszClassName, L"", WS_CHILD | WS_VISIBLE, 200, 5, 20, 20, parent, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(taker, nullptr);
    struct Case {
        const char* name;
        void (*post)(HWND list, HWND taker);
    } cases[] = {
        {"quit", [](HWND, HWND) { PostQuitMessage(7); }},
        {"capture taken", [](HWND, HWND t) { PostMessageW(t, WM_APP, 0, 0); }},
        {"cancel mode", [](HWND l, HWND) { PostMessageW(l, WM_CANCELMODE, 0, 0); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        g_scrolls.clear();
        PostMove(20);
        c.post(list, taker);
        EXPECT_TRUE(bar->TrackThumb(OnThumb(), 30000));
        for (WPARAM w : g_scrolls) EXPECT_EQ(LOWORD(w), SB_THUMBTRACK); // no release was seen
        ReleaseCapture();
    }
    MSG m{};
    ASSERT_TRUE(PeekMessageW(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(m.wParam, 7u);
    DestroyWindow(taker);
}

namespace {
cl::TComponent* g_freeOnApp = nullptr;
LRESULT CALLBACK Freer(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_APP) cl::Free(std::exchange(g_freeOnApp, nullptr));
    return DefWindowProcW(wnd, msg, wParam, lParam);
}
} // namespace

// A message dispatched while the thumb is dragged frees the bar's skin: the drag ends and
// touches nothing of it.
TEST_F(ListBar, SkinFreedDuringTheDragEndsIt)
{
    WNDCLASSW wc{};
    wc.lpfnWndProc = Freer;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"LudoraSkinFreer";
    RegisterClassW(&wc);
    HWND freer = CreateWindowExW(0, wc.lpszClassName, L"", WS_CHILD, 0, 0, 1, 1, parent, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(freer, nullptr);
    skins.erase(std::find(skins.begin(), skins.end(), bar)); // freed by the test's message
    g_freeOnApp = bar;
    PostMove(10);
    PostMessageW(freer, WM_APP, 0, 0);
    PostMove(20);
    SendMessageW(list, WM_NCLBUTTONDOWN, HTVSCROLL, OnThumb());
    EXPECT_EQ(g_freeOnApp, nullptr);
    EXPECT_NE(GetCapture(), list);
    EXPECT_EQ(SendMessageW(list, WM_SKIN_QUERY, 0, 0), 0); // the list is its own again
    DestroyWindow(freer);
}

TEST(ComboThumb, PositionFromTheDrag)
{
    struct Case {
        int offset0, moved, track, thumb, min, max;
        unsigned page;
        int pos;
    } cases[] = {
        {0, 30, 100, 20, 0, 50, 0, 15},   // 30 of 100 pixels of 0..50
        {0, 200, 100, 20, 0, 50, 0, 40},  // held at track - thumb = 80
        {0, 10, 100, 20, 3, 53, 0, 8},    // from the minimum
        {5, 15, 100, 20, 0, 50, 10, 10},  // 20 of 80 pixels of 40 positions
        {5, 300, 100, 20, 0, 50, 10, 41}, // past the end: max - page + 1
        {5, -50, 100, 20, 3, 50, 10, 3},  // above the start: the minimum
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.offset0 << " " << c.moved << " page " << c.page);
        EXPECT_EQ(DraggedThumbPosition(c.offset0 + c.moved, c.track, c.thumb, c.min, c.max, c.page), c.pos);
    }
}

// ---------------------------------------------------------------------------------------
// Class-library stand-ins

namespace {

class TTestCombo : public cl::TWinControl {
    CL_CLASS(TTestCombo)
public:
    using cl::TWinControl::TWinControl;

protected:
    void CreateParams(cl::TCreateParams& params) override
    {
        cl::TWinControl::CreateParams(params);
        CreateSubClass(params, "COMBOBOX");
        params.Style |= CBS_DROPDOWNLIST | WS_VSCROLL;
    }
};

class TTestSimpleCombo : public cl::TWinControl {
    CL_CLASS(TTestSimpleCombo)
public:
    using cl::TWinControl::TWinControl;

protected:
    void CreateParams(cl::TCreateParams& params) override
    {
        cl::TWinControl::CreateParams(params);
        CreateSubClass(params, "COMBOBOX");
        params.Style |= CBS_SIMPLE | WS_VSCROLL;
    }
};

class TTestPicker : public cl::TWinControl {
    CL_CLASS(TTestPicker)
public:
    using cl::TWinControl::TWinControl;

protected:
    void CreateParams(cl::TCreateParams& params) override
    {
        cl::TWinControl::CreateParams(params);
        CreateSubClass(params, "SysDateTimePick32");
        params.ExStyle |= WS_EX_CLIENTEDGE;
    }
};

// Draws custom glyphs from a sheet.
class TTestGlyphBox : public cl::TWinControl {
    CL_CLASS(TTestGlyphBox)
public:
    using cl::TWinControl::TWinControl;
    cl::TBitmap* CustomGlyphs() const { return glyphs_.get(); }
    int TransparentColor() const { return transparent_; }
    void SetTransparentColor(int c) { transparent_ = c; }
    bool UseCustomGlyphs() const { return use_; }
    void SetUseCustomGlyphs(bool on)
    {
        use_ = on;
        uses.push_back(on);
    }
    std::vector<bool> uses;

private:
    std::unique_ptr<cl::TBitmap> glyphs_ = std::make_unique<cl::TBitmap>();
    int transparent_ = 0;
    bool use_ = false;
};

// Draws its tabs from two bitmaps.
class TTestAdvPage : public cl::TWinControl {
    CL_CLASS(TTestAdvPage)
public:
    using cl::TWinControl::TWinControl;
    cl::TBitmap* TabBackGround() const { return back_.get(); }
    cl::TBitmap* TabBackGroundActive() const { return active_.get(); }

private:
    std::unique_ptr<cl::TBitmap> back_ = std::make_unique<cl::TBitmap>();
    std::unique_ptr<cl::TBitmap> active_ = std::make_unique<cl::TBitmap>();
};

struct Stand : ::testing::Test {
    std::unique_ptr<TSkinData> data = ComboSkin();
    cl::TForm form{nullptr};
    const int A = GetSystemMetrics(SM_CXHSCROLL);
    void SetUp() override
    {
        INITCOMMONCONTROLSEX icc{sizeof(INITCOMMONCONTROLSEX), ICC_DATE_CLASSES};
        InitCommonControlsEx(&icc);
        form.SetBounds(30, 30, 400, 300);
        form.Show();
    }
    template <class T> T* Make(int w, int h)
    {
        auto* c = new T(&form);
        c->SetParent(&form);
        c->SetBounds(10, 10, w, h);
        c->HandleNeeded();
        return c;
    }
};

} // namespace

const cl::TClass& TTestCombo::StaticClass() { return cl::DefineClass<TTestCombo, cl::TWinControl>("TTestCombo"); }
const cl::TClass& TTestSimpleCombo::StaticClass()
{
    return cl::DefineClass<TTestSimpleCombo, cl::TWinControl>("TTestSimpleCombo");
}
const cl::TClass& TTestPicker::StaticClass() { return cl::DefineClass<TTestPicker, cl::TWinControl>("TTestPicker"); }
const cl::TClass& TTestGlyphBox::StaticClass()
{
    return cl::DefineClass<TTestGlyphBox, cl::TWinControl>("TRzCheckBox", [](cl::TPublisher<TTestGlyphBox>& p) {
        p.Owned("CustomGlyphs", &TTestGlyphBox::CustomGlyphs);
        p.Int("TransparentColor", &TTestGlyphBox::TransparentColor, &TTestGlyphBox::SetTransparentColor);
        p.Bool("UseCustomGlyphs", &TTestGlyphBox::UseCustomGlyphs, &TTestGlyphBox::SetUseCustomGlyphs);
    });
}
const cl::TClass& TTestAdvPage::StaticClass()
{
    return cl::DefineClass<TTestAdvPage, cl::TWinControl>("TTestAdvPage", [](cl::TPublisher<TTestAdvPage>& p) {
        p.Owned("TabBackGround", &TTestAdvPage::TabBackGround);
        p.Owned("TabBackGroundActive", &TTestAdvPage::TabBackGroundActive);
    });
}

TEST_F(Stand, Skin3rdKindsGiveComboDateTimeAndPageSkins)
{
    data->Skin3rd()->Add("TTestCombo=comboboxex");
    data->Skin3rd()->Add("TTestPicker=datetimepicker");
    data->Skin3rd()->Add("TTestAdvPage=advpagecontrol");
    auto* combo = Make<TTestCombo>(120, 200);
    auto* picker = Make<TTestPicker>(150, 24);
    auto* page = Make<TTestAdvPage>(200, 100);
    TSkinnedForm skinned(nullptr);
    skinned.FormControl = &form;
    skinned.SkinData = data.get();
    skinned.SkinFormControls();
    for (cl::TWinControl* c : std::vector<cl::TWinControl*>{combo, picker, page}) {
        SCOPED_TRACE(c->ClassName());
        EXPECT_EQ(c->Perform(WM_SKIN_QUERY), 1);
    }
    auto* comboSkin = dynamic_cast<TSkinComBox*>(skinned.FindControlSkin(combo->Handle()));
    ASSERT_NE(comboSkin, nullptr);
    EXPECT_TRUE(comboSkin->Extended);
    // The drop-down list got its scroll-bar skin.
    COMBOBOXINFO ci{};
    ci.cbSize = sizeof ci;
    ASSERT_TRUE(GetComboBoxInfo(combo->Handle(), &ci));
    ASSERT_NE(comboSkin->ListBar(), nullptr);
    EXPECT_EQ(SendMessageW(ci.hwndList, WM_SKIN_QUERY, 0, 0), 1);
    EXPECT_NE(dynamic_cast<TSkinDateTime*>(skinned.FindControlSkin(picker->Handle())), nullptr);
    auto* pageSkin = dynamic_cast<TSkinAdvPage*>(skinned.FindControlSkin(page->Handle()));
    ASSERT_NE(pageSkin, nullptr);
    EXPECT_EQ(pageSkin->PageKind, 4);
    // Unskinning the combo gives the list back.
    comboSkin->Unsubclass();
    EXPECT_EQ(comboSkin->ListBar(), nullptr);
    EXPECT_EQ(SendMessageW(ci.hwndList, WM_SKIN_QUERY, 0, 0), 0);
}

TEST_F(Stand, ASimpleCombosListGetsItsOwnBarsUntilUnskinned)
{
    auto* combo = Make<TTestSimpleCombo>(120, 200);
    auto* skin = new TSkinComBox(combo);
    skin->InitControl(nullptr, data.get(), false, nullptr);
    COMBOBOXINFO ci{};
    ci.cbSize = sizeof ci;
    ASSERT_TRUE(GetComboBoxInfo(combo->Handle(), &ci));
    ASSERT_NE(skin->ListBars(), nullptr);
    EXPECT_EQ(skin->ListBar(), nullptr) << "no drop-down list";
    EXPECT_EQ(SendMessageW(ci.hwndList, WM_SKIN_QUERY, 0, 0), 1);
    skin->Unsubclass();
    EXPECT_EQ(skin->ListBars(), nullptr);
    EXPECT_EQ(SendMessageW(ci.hwndList, WM_SKIN_QUERY, 0, 0), 0);
}

// The skinned window frees its companions from the back, so the list's bars go before the
// combo's skin: the combo's skin must neither reach them afterwards nor free them again.
TEST_F(Stand, ASimpleCombosBarsGoOnceWhenTheSkinnedWindowFreesItsCompanions)
{
    data->Skin3rd()->Add("TTestSimpleCombo=combobox");
    auto* combo = Make<TTestSimpleCombo>(120, 200);
    TSkinnedForm skinned(nullptr);
    skinned.FormControl = &form;
    skinned.SkinData = data.get();
    skinned.SkinFormControls();
    auto* skin = dynamic_cast<TSkinComBox*>(skinned.FindControlSkin(combo->Handle()));
    ASSERT_NE(skin, nullptr);
    ASSERT_NE(skin->ListBars(), nullptr);
    EXPECT_EQ(skinned.ControlSkins().back(), static_cast<TSkinControl*>(skin->ListBars()));
    COMBOBOXINFO ci{};
    ci.cbSize = sizeof ci;
    ASSERT_TRUE(GetComboBoxInfo(combo->Handle(), &ci));
    skinned.FreeControlSkins();
    EXPECT_TRUE(skinned.ControlSkins().empty());
    EXPECT_EQ(combo->Perform(WM_SKIN_QUERY), 0);
    EXPECT_EQ(SendMessageW(ci.hwndList, WM_SKIN_QUERY, 0, 0), 0);
}

TEST_F(Stand, DateTimeArrowButtonSitsOverThePickersButtonAndClicksIt)
{
    auto* picker = Make<TTestPicker>(150, 24);
    std::vector<std::pair<UINT, LPARAM>> clicks;
    cl::TWindowProcHook recorder(*picker, [&](cl::TMessage& m) {
        if (m.Msg == WM_LBUTTONDOWN || m.Msg == WM_LBUTTONUP) clicks.emplace_back(m.Msg, m.LParam); // not passed on
        else recorder.CallPrevious(m);
    });
    auto* skin = new TSkinDateTime(picker);
    skin->InitControl(nullptr, data.get(), false, nullptr);
    TArrowButton* arrow = skin->Arrow();
    ASSERT_NE(arrow, nullptr);
    RECT w{};
    GetWindowRect(picker->Handle(), &w);
    EXPECT_EQ(arrow->Left(), (w.right - w.left) - A - 4);
    EXPECT_EQ(arrow->Top(), 0);
    EXPECT_EQ(arrow->Width(), A);
    EXPECT_EQ(arrow->Height(), 20);
    EXPECT_EQ(GetParent(arrow->Handle()), picker->Handle());
    EXPECT_TRUE(GetWindowLongA(picker->Handle(), GWL_STYLE) & WS_CLIPCHILDREN);

    {
        SCOPED_TRACE("the arrow: face, then frame 1, or 4 while hot");
        cl::TBitmap shot;
        shot.SetPixelFormat(cl::pf24bit);
        shot.SetSize(A, 20);
        arrow->Perform(WM_PAINT, reinterpret_cast<WPARAM>(shot.Canvas()->Handle()));
        EXPECT_EQ(shot.Canvas()->Pixel(A / 2, 10), ArrowC(1));
        arrow->Perform(cl::CM_MOUSEENTER);
        arrow->Perform(WM_PAINT, reinterpret_cast<WPARAM>(shot.Canvas()->Handle()));
        EXPECT_EQ(shot.Canvas()->Pixel(A / 2, 10), ArrowC(4));
        arrow->Perform(cl::CM_MOUSELEAVE);
        EXPECT_EQ(arrow->MouseState, 0u);
    }

    SendMessageW(arrow->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 4));
    MSG m;
    while (PeekMessageW(&m, picker->Handle(), 0, 0, PM_REMOVE)) DispatchMessageW(&m);
    const LPARAM at = MAKELPARAM(arrow->Left() + 3, 4);
    ASSERT_EQ(clicks.size(), 2u);
    EXPECT_EQ(clicks[0], std::make_pair(static_cast<UINT>(WM_LBUTTONDOWN), at));
    EXPECT_EQ(clicks[1], std::make_pair(static_cast<UINT>(WM_LBUTTONUP), at));
    SendMessageW(arrow->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(3, 4));
    EXPECT_EQ(GetFocus(), picker->Handle());
    cl::Free(skin);
}

TEST_F(Stand, DateTimeFlatFrameAroundAPickerWithABorder)
{
    auto* picker = Make<TTestPicker>(150, 24);
    auto* skin = new TSkinDateTime(picker);
    skin->InitControl(nullptr, data.get(), false, nullptr);
    Shot shot(*skin, picker->Handle());
    EXPECT_EQ(shot.At(0, 12), Shadow);
    EXPECT_EQ(shot.At(149, 0), Shadow);
    EXPECT_EQ(shot.At(1, 12), White);
    EXPECT_EQ(shot.At(75, 22), White);
    EXPECT_EQ(shot.At(75, 12), Untouched);
}

TEST_F(Stand, CheckAndRadioGlyphSheetsAreHandedToTheControl)
{
    struct Case {
        const char* name;
        int kind, frames, sheetCells;
        std::vector<int> cells; // strip frame per cell, 0 blank
    } cases[] = {
        {"radio", 2, 4, 6, {1, 2, 1, 2, 3, 4}},
        {"check with four frames", 1, 4, 9, {1, 2, 0, 1, 2, 0, 3, 4, 0}},
        {"check with five frames", 1, 5, 9, {1, 2, 5, 1, 2, 5, 3, 4, 5}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Strip(c.kind == 2 ? *data->Buttons->RadioBitmap : *data->Buttons->CheckBitmap, Frames(CheckC, c.frames), 13, 13);
        (c.kind == 2 ? data->Buttons->RadioFrames : data->Buttons->CheckFrames) = c.frames;
        auto* box = Make<TTestGlyphBox>(100, 20);
        auto* skin = new TSkinObjImage(box);
        skin->GlyphKind = c.kind;
        skin->InitControl(nullptr, data.get(), true, nullptr);
        cl::TBitmap& sheet = *box->CustomGlyphs();
        ASSERT_EQ(sheet.Width(), 13 * c.sheetCells);
        ASSERT_EQ(sheet.Height(), 13);
        for (size_t i = 0; i < c.cells.size(); ++i) {
            SCOPED_TRACE(testing::Message() << "cell " << i);
            const TColor got = sheet.Canvas()->Pixel(static_cast<int>(i) * 13 + 6, 6);
            if (c.cells[i]) EXPECT_EQ(got, CheckC(c.cells[i]));
            else
                for (int k = 1; k <= c.frames; ++k) EXPECT_NE(got, CheckC(k));
        }
        EXPECT_EQ(box->TransparentColor(), 16711935);
        EXPECT_EQ(box->uses, (std::vector<bool>{false, true}));
        skin->Unsubclass();
        EXPECT_FALSE(box->UseCustomGlyphs());
        cl::Free(box);
    }
}

TEST_F(Stand, AdvPageGetsTabBackgroundsAndLosesThemWhenDetached)
{
    auto* page = Make<TTestAdvPage>(200, 100);
    auto* skin = new TSkinAdvPage(page);
    skin->PageKind = 4;
    skin->InitControl(nullptr, data.get(), true, nullptr);
    ASSERT_EQ(page->TabBackGround()->Width(), 100);
    ASSERT_EQ(page->TabBackGround()->Height(), 21);
    EXPECT_EQ(page->TabBackGround()->Canvas()->Pixel(50, 10), TabC(1));
    EXPECT_EQ(page->TabBackGroundActive()->Canvas()->Pixel(50, 10), TabC(2));
    skin->Unsubclass();
    EXPECT_TRUE(page->TabBackGround()->Empty());
    EXPECT_TRUE(page->TabBackGroundActive()->Empty());
    // Still in the message path.
    EXPECT_EQ(page->Perform(WM_SKIN_QUERY), 1);
}

// ---------------------------------------------------------------------------------------
// Header

TEST_F(Raw, HeaderItemsAndTheRestOfTheBarFromTheHeaderbarStrip)
{
    HWND header = Child(WC_HEADERW, 0, 200, 20);
    ASSERT_NE(header, nullptr);
    for (int width : {50, 60}) {
        HDITEMW item{};
        item.mask = HDI_WIDTH;
        item.cxy = width;
        SendMessageW(header, HDM_INSERTITEMW, 99, reinterpret_cast<LPARAM>(&item));
    }
    auto* skin = Skin<TSkinHeader>(header);
    {
        Shot shot(*skin, header);
        EXPECT_EQ(shot.At(25, 10), HeadC(1));
        EXPECT_EQ(shot.At(80, 10), HeadC(1));
        EXPECT_EQ(shot.At(150, 10), HeadC(1)); // right of the items
        ASSERT_EQ(skin->ItemRects.size(), 2u);
        EXPECT_EQ(skin->ItemRects[1].left, 53);
        EXPECT_EQ(skin->ItemRects[1].right, 107);
    }
    SendMessageW(header, WM_MOUSEMOVE, 0, MAKELPARAM(80, 10));
    EXPECT_EQ(skin->HotItem, 1);
    {
        Shot shot(*skin, header);
        EXPECT_EQ(shot.At(80, 10), HeadC(2));
        EXPECT_EQ(shot.At(25, 10), HeadC(1));
    }
    SendMessageW(header, WM_MOUSEMOVE, 0, MAKELPARAM(49, 10)); // between the items
    EXPECT_EQ(skin->HotItem, 1);
    SendMessageW(header, WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(skin->HotItem, -1);
    EXPECT_EQ(SendMessageW(header, WM_ERASEBKGND, 0, 0), 1);
}

TEST(HeaderContent, IconAndTextPlacement)
{
    struct Case {
        const char* name;
        int w, h, alignment, iconW, iconH, textW, textH;
        THeaderContent want;
    } cases[] = {
        {"left", 100, 20, 0, 16, 16, 30, 12, {3, 2, 19, 4}},
        {"centre", 100, 20, 2, 16, 16, 30, 12, {27, 2, 43, 4}},
        {"centre, odd rest", 100, 21, 2, 0, 0, 31, 13, {34, 10, 34, 4}},
        {"right", 100, 20, 1, 16, 16, 30, 12, {52, 2, 68, 4}},
        {"too wide for the right", 40, 20, 1, 16, 16, 30, 12, {1, 2, 17, 4}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const THeaderContent got = PlaceHeaderContent(c.w, c.h, c.alignment, c.iconW, c.iconH, c.textW, c.textH);
        EXPECT_EQ(got.iconX, c.want.iconX);
        EXPECT_EQ(got.iconY, c.want.iconY);
        EXPECT_EQ(got.textX, c.want.textX);
        EXPECT_EQ(got.textY, c.want.textY);
    }
}

// ---------------------------------------------------------------------------------------
// Size box, plain containers, tab buttons, disabled glyph

TEST_F(Raw, SizeBoxIsTheFaceAndPlainContainersEraseInIt)
{
    HWND grip = Child(L"SCROLLBAR", SBS_SIZEBOX, 16, 16);
    auto* sizer = Skin<TSkinSizer>(grip);
    Shot shot(*sizer, grip);
    EXPECT_EQ(shot.At(8, 8), Face);

    HWND box = Child(L"#32770", 0, 60, 40);
    ASSERT_NE(box, nullptr);
    Skin<TSkinBoxH>(box);
    cl::TBitmap back;
    back.SetPixelFormat(cl::pf24bit);
    back.SetSize(60, 40);
    EXPECT_EQ(SendMessageW(box, WM_ERASEBKGND, reinterpret_cast<WPARAM>(back.Canvas()->Handle()), 0), 0);
    EXPECT_EQ(back.Canvas()->Pixel(59, 39), Face);
    EXPECT_EQ(SendMessageW(box, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(back.Canvas()->Handle()), 0),
              reinterpret_cast<LRESULT>(data->FormBrush.get()));
}

TEST_F(Raw, TabButtonsShowTheFocusedTabPressed)
{
    HWND tabs = Child(WC_TABCONTROLW, 0, 200, 80);
    ASSERT_NE(tabs, nullptr);
    for (int i = 0; i < 2; ++i) {
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<wchar_t*>(L"");
        SendMessageW(tabs, TCM_INSERTITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    }
    SendMessageW(tabs, TCM_SETCURFOCUS, 1, 0);
    auto* skin = Skin<TSkinTabBtn>(tabs);
    RECT first{}, second{};
    SendMessageW(tabs, TCM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first));
    SendMessageW(tabs, TCM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&second));
    Shot shot(*skin, tabs);
    // One pixel lower than the platform's own tabs.
    EXPECT_EQ(shot.At((first.left + first.right) / 2, first.top + 3), ButtonC(1));
    EXPECT_EQ(shot.At((second.left + second.right) / 2, second.top + 3), ButtonC(2));
    EXPECT_EQ(shot.At(199, first.top + 3), Face);
}

TEST(DisabledGlyph, EmbossesTheGlyphsDarkPixels)
{
    cl::TBitmap glyph;
    glyph.SetPixelFormat(cl::pf24bit);
    glyph.SetSize(8, 8);
    cl::BrushHandle white(CreateSolidBrush(RGB(255, 255, 255)));
    const RECT all{0, 0, 8, 8};
    FillRect(glyph.Canvas()->Handle(), &all, white.get());
    for (int y = 2; y <= 3; ++y)
        for (int x = 2; x <= 3; ++x) glyph.Canvas()->SetPixel(x, y, MakeRGB(200, 0, 0));
    const std::unique_ptr<cl::TBitmap> out = CreateDisabledGlyph(glyph);
    ASSERT_EQ(out->Width(), 8);
    const auto sys = [](int index) { return static_cast<TColor>(GetSysColor(index)); };
    EXPECT_EQ(out->Canvas()->Pixel(0, 0), sys(COLOR_BTNFACE));
    EXPECT_EQ(out->Canvas()->Pixel(2, 2), sys(COLOR_BTNSHADOW));
    EXPECT_EQ(out->Canvas()->Pixel(3, 3), sys(COLOR_BTNSHADOW));
    EXPECT_EQ(out->Canvas()->Pixel(4, 4), sys(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(out->Canvas()->Pixel(4, 2), sys(COLOR_BTNFACE));
}

TEST_F(Stand, TabSheetErasesWithTheFormBrushAndPaintsTheFace)
{
    auto* sheet = Make<TTestAdvPage>(80, 60);
    auto* skin = new TSkinTabSheet(sheet);
    skin->InitControl(nullptr, data.get(), false, nullptr);
    ASSERT_EQ(skin->Variant, 0);
    cl::TBitmap back;
    back.SetPixelFormat(cl::pf24bit);
    back.SetSize(80, 60);
    EXPECT_EQ(sheet->Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(back.Canvas()->Handle())), 1);
    EXPECT_EQ(back.Canvas()->Pixel(79, 59), Face);
    Shot shot(*skin, sheet->Handle());
    EXPECT_EQ(shot.At(40, 30), Face);
}

namespace {
// An edit with optional buttons, known to discovery by its class name.
class TTestDCEdit : public cl::TWinControl {
    CL_CLASS(TTestDCEdit)
public:
    using cl::TWinControl::TWinControl;
    int NumButtons() const { return buttons_; }
    void SetNumButtons(int n) { buttons_ = n; }

private:
    int buttons_ = 0;
};
} // namespace

const cl::TClass& TTestDCEdit::StaticClass()
{
    return cl::DefineClass<TTestDCEdit, cl::TWinControl>("TDCEdit", [](cl::TPublisher<TTestDCEdit>& p) {
        p.Int("NumButtons", &TTestDCEdit::NumButtons, &TTestDCEdit::SetNumButtons);
    });
}

TEST_F(Stand, ClassTableNamesPickGlyphSheetsComboAndEditSkins)
{
    auto* glyphs = Make<TTestGlyphBox>(100, 20); // class name "TRzCheckBox"
    auto* withButton = Make<TTestDCEdit>(100, 20);
    withButton->SetNumButtons(1);
    auto* plain = Make<TTestDCEdit>(100, 20);
    TSkinnedForm skinned(nullptr);
    skinned.FormControl = &form;
    skinned.SkinData = data.get();
    skinned.SkinFormControls();
    auto* sheet = dynamic_cast<TSkinObjImage*>(skinned.FindControlSkin(glyphs->Handle()));
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->GlyphKind, 1);
    EXPECT_NE(dynamic_cast<TSkinComBox*>(skinned.FindControlSkin(withButton->Handle())), nullptr);
    TSkinControl* edit = skinned.FindControlSkin(plain->Handle());
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->ClassName(), "TSkinEdit");
    EXPECT_EQ(edit->Control, nullptr); // attached to the window as a raw one
}
