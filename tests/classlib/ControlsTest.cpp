// Controls on real windows: the window-procedure chain, window lookup through the control
// atom, reflected notifications, painting into a given DC, windowless children, and the
// internal notifications.
#include "WindowingFixtures.h"

#include "classlib/Seams.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

using namespace cl;
using fixture::TBox;
using fixture::TMark;

namespace {

bool Saw(const std::vector<UINT>& log, UINT msg) { return std::find(log.begin(), log.end(), msg) != log.end(); }

std::unique_ptr<TForm> NewForm()
{
    auto form = std::make_unique<TForm>(nullptr);
    form->SetBounds(10, 10, 300, 200);
    return form;
}

} // namespace

TEST(WindowProcChain, ThreeLinksRemovedOutOfOrderDeliverEveryMessageOnce)
{
    auto form = NewForm();
    TBox* box = new TBox(form.get());
    box->SetParent(form.get());
    std::vector<std::string> log;
    auto link = [&](const char* name, std::unique_ptr<TWindowProcHook>& slot) {
        slot = std::make_unique<TWindowProcHook>(*box, [&log, &slot, name](TMessage& m) {
            if (m.Msg == WM_APP) log.push_back(name);
            slot->CallPrevious(m);
        });
    };
    std::unique_ptr<TWindowProcHook> a, b, c;
    link("a", a);
    link("b", b);
    link("c", c);

    struct Step {
        std::unique_ptr<TWindowProcHook>* remove;
        std::vector<std::string> expected;
    };
    Step steps[] = {
        {nullptr, {"c", "b", "a"}},
        {&b, {"c", "a"}},
        {&a, {"c"}},
        {&c, {}},
    };
    for (Step& step : steps) {
        if (step.remove) step.remove->reset();
        log.clear();
        box->seen.clear();
        // Through the window and straight to the control.
        SendMessageA(box->Handle(), WM_APP, 0, 0);
        EXPECT_EQ(log, step.expected);
        EXPECT_EQ(std::count(box->seen.begin(), box->seen.end(), UINT(WM_APP)), 1);
        log.clear();
        box->Perform(WM_APP);
        EXPECT_EQ(log, step.expected);
    }
}

TEST(WindowProcChain, LinkRemovingItselfWhileHandlingStillPassesTheMessageOn)
{
    auto form = NewForm();
    TBox* box = new TBox(form.get());
    std::vector<std::string> log;
    std::unique_ptr<TWindowProcHook> a, b;
    a = std::make_unique<TWindowProcHook>(*box, [&](TMessage& m) {
        if (m.Msg == WM_APP) log.push_back("a");
        a->CallPrevious(m);
    });
    b = std::make_unique<TWindowProcHook>(*box, [&](TMessage& m) {
        if (m.Msg == WM_APP) {
            log.push_back("b");
            b->Remove(); // as a subclasser restoring on a final message does
        }
        b->CallPrevious(m);
    });
    box->Perform(WM_APP);
    EXPECT_EQ(log, (std::vector<std::string>{"b", "a"}));
    EXPECT_EQ(std::count(box->seen.begin(), box->seen.end(), UINT(WM_APP)), 1);
    log.clear();
    box->Perform(WM_APP);
    EXPECT_EQ(log, (std::vector<std::string>{"a"}));
    a.reset();
    b.reset();
    log.clear();
    box->Perform(WM_APP);
    EXPECT_TRUE(log.empty());
}

TEST(WindowProcChain, LinkOutlivingItsControlIsInert)
{
    auto form = NewForm();
    TBox* box = new TBox(form.get());
    int calls = 0;
    std::unique_ptr<TWindowProcHook> link;
    link = std::make_unique<TWindowProcHook>(*box, [&](TMessage& m) {
        ++calls;
        link->CallPrevious(m);
    });
    EXPECT_TRUE(link->Linked());
    delete box;
    EXPECT_FALSE(link->Linked());
    EXPECT_EQ(link->Control(), nullptr);
    link.reset(); // must not touch the freed control
    EXPECT_EQ(calls, 0);
}

TEST(WinControl, HandleMadeOnDemandUnderTheClassNameAndFoundThroughTheAtom)
{
    auto form = NewForm();
    TBox* box = new TBox(form.get());
    box->SetParent(form.get());
    EXPECT_FALSE(form->HandleAllocated());
    EXPECT_FALSE(box->HandleAllocated());
    HWND wnd = box->Handle(); // makes the form's window first
    ASSERT_NE(wnd, nullptr);
    EXPECT_TRUE(form->HandleAllocated());
    EXPECT_EQ(GetParent(wnd), form->Handle());
    char name[64];
    GetClassNameA(wnd, name, sizeof name);
    EXPECT_STREQ(name, "TBox");
    GetClassNameA(form->Handle(), name, sizeof name);
    EXPECT_STREQ(name, "TForm");

    char atomName[64];
    ASSERT_NE(GlobalGetAtomNameA(ControlAtom(), atomName, sizeof atomName), 0u);
    char expected[64];
    wsprintfA(expected, "ControlOfs%.8X%.8X", static_cast<unsigned>(reinterpret_cast<UINT_PTR>(GetModuleHandleA(nullptr))),
              static_cast<unsigned>(GetCurrentThreadId()));
    EXPECT_STREQ(atomName, expected);
    EXPECT_EQ(GetPropA(wnd, MAKEINTATOM(ControlAtom())), static_cast<HANDLE>(static_cast<TWinControl*>(box)));
    EXPECT_EQ(TWinControl::FindControl(wnd), box);
    EXPECT_EQ(TWinControl::FindControl(GetDesktopWindow()), nullptr);

    // Text and bounds go to the window and come back from it.
    box->SetText("盒子");
    GetWindowTextA(wnd, name, sizeof name);
    EXPECT_STREQ(name, "盒子");
    box->SetBounds(3, 4, 50, 60);
    RECT r;
    GetWindowRect(wnd, &r);
    MapWindowPoints(nullptr, form->Handle(), reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, 3);
    EXPECT_EQ(r.top, 4);
    EXPECT_EQ(r.right - r.left, 50);
    EXPECT_EQ(r.bottom - r.top, 60);

    DestroyWindow(form->Handle()); // destroyed behind the controls' back
    EXPECT_FALSE(box->HandleAllocated());
    EXPECT_FALSE(form->HandleAllocated());
    EXPECT_NE(box->Handle(), nullptr); // and made again on demand
}

TEST(WinControl, RecreateWndAnnouncesItselfWithTheOldWindowAndRebuildsChildren)
{
    auto form = NewForm();
    TBox* outer = new TBox(form.get());
    outer->SetParent(form.get());
    TBox* inner = new TBox(form.get());
    inner->SetParent(outer);
    inner->SetText("inner");
    HWND oldOuter = outer->Handle(), oldInner = inner->Handle();
    bool oldAliveAtNotice = false;
    TWindowProcHook watch(*outer, [&](TMessage& m) {
        if (m.Msg == CM_RECREATEWND) oldAliveAtNotice = IsWindow(oldOuter) && outer->Handle() == oldOuter;
        watch.CallPrevious(m);
    });
    outer->RecreateWnd();
    EXPECT_TRUE(oldAliveAtNotice);
    EXPECT_FALSE(IsWindow(oldOuter));
    EXPECT_FALSE(IsWindow(oldInner));
    ASSERT_TRUE(outer->HandleAllocated());
    ASSERT_TRUE(inner->HandleAllocated());
    EXPECT_EQ(GetParent(inner->Handle()), outer->Handle());
    EXPECT_EQ(TWinControl::FindControl(inner->Handle()), inner);
    EXPECT_EQ(inner->Text(), "inner");
}

TEST(WinControl, ChildNotificationsComeBackToTheChildAsItsOwnMessages)
{
    auto form = NewForm();
    auto* button = new fixture::TPushButton(form.get());
    button->SetParent(form.get());
    button->SetText("OK");
    std::vector<TMessage> got;
    TWindowProcHook watch(*button, [&](TMessage& m) {
        if (m.Msg >= CN_BASE) got.push_back(m);
        watch.CallPrevious(m);
    });
    char name[32];
    GetClassNameA(button->Handle(), name, sizeof name);
    EXPECT_STREQ(name, "TPushButton");
    // Registered for this module alone: another module's copy registers its own.
    EXPECT_EQ(GetClassLongA(button->Handle(), GCL_STYLE) & CS_GLOBALCLASS, 0u);
    SendMessageA(button->Handle(), BM_CLICK, 0, 0); // the system button's own behaviour
    ASSERT_FALSE(got.empty());
    EXPECT_EQ(got[0].Msg, CN_COMMAND);
    EXPECT_EQ(HIWORD(got[0].WParam), BN_CLICKED);
    EXPECT_EQ(reinterpret_cast<HWND>(got[0].LParam), button->Handle());

    // A colour request from the child is answered by the child itself.
    got.clear();
    HDC dc = GetDC(button->Handle());
    LRESULT brush = SendMessageA(form->Handle(), WM_CTLCOLORBTN, reinterpret_cast<WPARAM>(dc),
                                 reinterpret_cast<LPARAM>(button->Handle()));
    ReleaseDC(button->Handle(), dc);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].Msg, CN_CTLCOLORBTN);
    EXPECT_NE(brush, 0);

    // A notification from a window that is no control of ours is not reflected.
    got.clear();
    HWND raw = CreateWindowExA(0, "BUTTON", "raw", WS_CHILD, 0, 0, 10, 10, form->Handle(), nullptr, nullptr, nullptr);
    SendMessageA(raw, BM_CLICK, 0, 0);
    EXPECT_TRUE(got.empty());
}

namespace {
COLORREF PixelAt(HDC dc, int x, int y) { return GetPixel(dc, x, y) & 0xFFFFFF; }
} // namespace

TEST(Painting, GivenDcPaintsTheControlThenItsWindowlessChildren)
{
    auto form = NewForm();
    TBox* box = new TBox(form.get());
    box->SetParent(form.get());
    box->SetBounds(0, 0, 40, 30);
    box->SetColor(clBlue);
    TMark* mark = new TMark(form.get());
    mark->SetParent(box);
    mark->SetBounds(10, 5, 6, 4);
    mark->SetColor(clRed);
    TMark* hidden = new TMark(form.get());
    hidden->SetParent(box);
    hidden->SetBounds(20, 5, 6, 4);
    hidden->SetColor(clLime);
    hidden->Hide();
    box->HandleNeeded();

    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, 40, 30);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bmp);
    RECT all{0, 0, 40, 30};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    box->Perform(WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);

    struct Case {
        int x, y;
        COLORREF colour;
    } cases[] = {
        {0, 0, RGB(0, 0, 255)},   {39, 29, RGB(0, 0, 255)}, {10, 5, RGB(255, 0, 0)}, {15, 8, RGB(255, 0, 0)},
        {16, 8, RGB(0, 0, 255)},  {15, 9, RGB(0, 0, 255)},  {9, 5, RGB(0, 0, 255)},  {20, 5, RGB(0, 0, 255)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "pixel " << c.x << "," << c.y);
        EXPECT_EQ(PixelAt(dc, c.x, c.y), c.colour);
    }
    // The mark painted with its own origin and clip: the DC's origin is back afterwards.
    POINT org;
    GetViewportOrgEx(dc, &org);
    EXPECT_EQ(org.x, 0);
    EXPECT_EQ(org.y, 0);
    SelectObject(dc, old);
    DeleteObject(bmp);
    DeleteDC(dc);
}

TEST(Painting, EraseFillsTheGivenDcWithTheColour)
{
    auto form = NewForm();
    form->SetColor(clYellow);
    form->HandleNeeded();
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, 8, 8);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bmp);
    EXPECT_EQ(form->Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc)), 1);
    EXPECT_EQ(PixelAt(dc, 3, 3), RGB(255, 255, 0));
    SelectObject(dc, old);
    DeleteObject(bmp);
    DeleteDC(dc);
}

TEST(WindowlessChildren, MouseEnterLeaveAndClickReachTheChildUnderTheMouse)
{
    auto form = NewForm();
    TBox* box = new TBox(form.get());
    box->SetParent(form.get());
    box->SetBounds(0, 0, 100, 100);
    TMark* mark = new TMark(form.get());
    mark->SetParent(box);
    mark->SetBounds(10, 10, 20, 20);
    int clicks = 0;
    mark->OnClick = [&](TObject* sender) {
        EXPECT_EQ(sender, mark);
        ++clicks;
    };
    int downX = -1;
    mark->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int x, int) { downX = x; };
    HWND wnd = box->Handle();

    SendMessageA(wnd, WM_MOUSEMOVE, 0, MAKELPARAM(50, 50));
    EXPECT_TRUE(Saw(box->seen, CM_MOUSEENTER));
    EXPECT_FALSE(Saw(mark->seen, CM_MOUSEENTER));
    SendMessageA(wnd, WM_MOUSEMOVE, 0, MAKELPARAM(15, 15));
    EXPECT_TRUE(Saw(mark->seen, CM_MOUSEENTER));
    EXPECT_TRUE(Saw(mark->seen, WM_MOUSEMOVE));
    SendMessageA(wnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(15, 15));
    EXPECT_EQ(downX, 5); // in the mark's own coordinates
    SendMessageA(wnd, WM_LBUTTONUP, 0, MAKELPARAM(16, 16));
    EXPECT_EQ(clicks, 1);
    // A press inside and a release outside is no click.
    SendMessageA(wnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(15, 15));
    SendMessageA(wnd, WM_LBUTTONUP, 0, MAKELPARAM(60, 60));
    EXPECT_EQ(clicks, 1);
    mark->seen.clear();
    SendMessageA(wnd, WM_MOUSEMOVE, 0, MAKELPARAM(60, 60));
    EXPECT_TRUE(Saw(mark->seen, CM_MOUSELEAVE));
    box->seen.clear();
    SendMessageA(wnd, WM_MOUSELEAVE, 0, 0);
    EXPECT_TRUE(Saw(box->seen, CM_MOUSELEAVE));
}

TEST(Notifications, PropertyChangesAndFocusAreAnnounced)
{
    auto form = NewForm();
    TBox* a = new TBox(form.get());
    a->SetParent(form.get());
    TBox* b = new TBox(form.get());
    b->SetParent(form.get());
    b->SetLeft(40);
    form->Show();

    struct Case {
        const char* what;
        std::function<void()> change;
        UINT expected;
    } cases[] = {
        {"visible", [&] { a->Hide(); }, CM_VISIBLECHANGED},
        {"enabled", [&] { a->SetEnabled(false); }, CM_ENABLEDCHANGED},
        {"colour", [&] { a->SetColor(clRed); }, CM_COLORCHANGED},
        {"font", [&] { a->Font()->SetHeight(-20); }, CM_FONTCHANGED},
        {"text", [&] { a->SetText("x"); }, CM_TEXTCHANGED},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.what);
        a->seen.clear();
        c.change();
        EXPECT_TRUE(Saw(a->seen, c.expected));
    }
    EXPECT_FALSE(IsWindowVisible(a->Handle()));
    EXPECT_FALSE(IsWindowEnabled(a->Handle()));

    b->seen.clear();
    b->SetFocus();
    EXPECT_TRUE(b->Focused());
    EXPECT_TRUE(Saw(b->seen, CM_ENTER));
    EXPECT_EQ(form->ActiveControl(), b);
}

TEST(Notifications, ChildrenFollowTheParentFontUntilTheyChangeTheirOwn)
{
    auto form = NewForm();
    form->Font()->SetName("SimSun");
    form->Font()->SetHeight(-12);
    auto* button = new fixture::TPushButton(form.get());
    button->SetParent(form.get());
    auto* own = new TBox(form.get());
    own->SetParent(form.get());
    EXPECT_EQ(button->Font()->Name(), "SimSun");
    EXPECT_TRUE(button->ParentFont());
    own->Font()->SetHeight(-20);
    EXPECT_FALSE(own->ParentFont());

    form->Font()->SetHeight(-16);
    EXPECT_EQ(button->Font()->Height(), -16);
    EXPECT_EQ(own->Font()->Height(), -20);
    // The system control draws with the control's font.
    EXPECT_EQ(SendMessageA(button->Handle(), WM_GETFONT, 0, 0), reinterpret_cast<LRESULT>(button->Font()->Handle()));
    form->Font()->SetHeight(-18);
    EXPECT_EQ(SendMessageA(button->Handle(), WM_GETFONT, 0, 0), reinterpret_cast<LRESULT>(button->Font()->Handle()));
    own->SetParentFont(true);
    EXPECT_EQ(own->Font()->Height(), -18);
}

TEST(Notifications, CursorOfTheControlUnderTheMouse)
{
    auto form = NewForm();
    TBox* box = new TBox(form.get());
    box->SetParent(form.get());
    box->SetBounds(0, 0, 50, 50);
    box->SetCursor(crHandPoint);
    HWND wnd = box->Handle();
    EXPECT_EQ(SendMessageA(wnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(wnd), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)), 1);
    EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_HAND)));
    box->SetCursor(crDefault);
    SendMessageA(wnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(wnd), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    std::int64_t value = 0;
    EXPECT_TRUE(IdentToCursor("crHandPoint", value));
    EXPECT_EQ(value, crHandPoint);
    EXPECT_FALSE(IdentToCursor("crNothing", value));
}

namespace {
LRESULT CALLBACK PlainProcA(HWND wnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_APP) return 100;
    return DefWindowProcA(wnd, msg, wp, lp);
}
LRESULT CALLBACK PlainProcW(HWND wnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_APP) return 100;
    return DefWindowProcW(wnd, msg, wp, lp);
}
HWND PlainWindow(bool unicode)
{
    static bool registered = false;
    if (!registered) {
        WNDCLASSA a{};
        a.lpfnWndProc = PlainProcA;
        a.hInstance = GetModuleHandleA(nullptr);
        a.lpszClassName = "PlainA";
        RegisterClassA(&a);
        WNDCLASSW w{};
        w.lpfnWndProc = PlainProcW;
        w.hInstance = GetModuleHandleA(nullptr);
        w.lpszClassName = L"PlainW";
        RegisterClassW(&w);
        registered = true;
    }
    return unicode ? CreateWindowExW(0, L"PlainW", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr)
                   : CreateWindowExA(0, "PlainA", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
}
} // namespace

TEST(WindowSubclass, MethodSeesMessagesAndRestoreBringsTheOldProcedureBack)
{
    for (bool unicode : {false, true}) {
        SCOPED_TRACE(unicode ? "unicode" : "ansi");
        HWND wnd = PlainWindow(unicode);
        ASSERT_NE(wnd, nullptr);
        const LONG_PTR original = unicode ? GetWindowLongPtrW(wnd, GWLP_WNDPROC) : GetWindowLongPtrA(wnd, GWLP_WNDPROC);
        std::vector<UINT> seen;
        std::wstring textSeen;
        std::unique_ptr<TWindowSubclass> sub;
        sub = std::make_unique<TWindowSubclass>(wnd, [&](TMessage& m) {
            seen.push_back(m.Msg);
            if (m.Msg == WM_SETTEXT && unicode) textSeen = reinterpret_cast<const wchar_t*>(m.LParam);
            sub->CallOld(m);
            if (m.Msg == WM_APP) m.Result += 1;
        });
        EXPECT_EQ(sub->Unicode(), unicode);
        EXPECT_EQ(SendMessageA(wnd, WM_APP, 0, 0), 101);
        SetWindowTextW(wnd, L"游戏");
        wchar_t text[16];
        GetWindowTextW(wnd, text, 16);
        EXPECT_STREQ(text, L"游戏");
        if (unicode) {
            EXPECT_EQ(textSeen, L"游戏");
        }
        EXPECT_EQ(std::count(seen.begin(), seen.end(), UINT(WM_APP)), 1);
        sub->Restore();
        EXPECT_EQ(unicode ? GetWindowLongPtrW(wnd, GWLP_WNDPROC) : GetWindowLongPtrA(wnd, GWLP_WNDPROC), original);
        EXPECT_EQ(SendMessageA(wnd, WM_APP, 0, 0), 100);
        DestroyWindow(wnd);
    }
}

TEST(WindowSubclass, RestoredUnderAnotherSubclasserBecomesAPassThrough)
{
    HWND wnd = PlainWindow(false);
    std::vector<std::string> log;
    std::unique_ptr<TWindowSubclass> first, second;
    first = std::make_unique<TWindowSubclass>(wnd, [&](TMessage& m) {
        if (m.Msg == WM_APP) log.push_back("first");
        first->CallOld(m);
    });
    second = std::make_unique<TWindowSubclass>(wnd, [&](TMessage& m) {
        if (m.Msg == WM_APP) log.push_back("second");
        second->CallOld(m);
    });
    first.reset(); // not current: stays in the chain, silent
    EXPECT_EQ(SendMessageA(wnd, WM_APP, 0, 0), 100);
    EXPECT_EQ(log, (std::vector<std::string>{"second"}));
    second.reset(); // current: the stub below it is put back, still passing through
    log.clear();
    EXPECT_EQ(SendMessageA(wnd, WM_APP, 0, 0), 100);
    EXPECT_TRUE(log.empty());
    EXPECT_TRUE(DestroyWindow(wnd)); // frees the pass-through on its last message
}

TEST(WindowSubclass, DestroyedWindowLeavesTheSubclassInert)
{
    HWND wnd = PlainWindow(false);
    int calls = 0;
    std::unique_ptr<TWindowSubclass> sub;
    sub = std::make_unique<TWindowSubclass>(wnd, [&](TMessage& m) {
        ++calls;
        sub->CallOld(m);
    });
    DestroyWindow(wnd);
    EXPECT_GT(calls, 0);
    EXPECT_FALSE(sub->Installed());
    sub.reset(); // nothing left to restore
    EXPECT_THROW(TWindowSubclass(wnd, [](TMessage&) {}), Exception);
}
