// A skinned MDI frame on raw windows with the platform's MDI client: the client's
// procedure (redraw, scroll bars, child creation and destruction, menu changes), a
// maximised child's buttons drawn in the frame's menu bar and acting on it; and a window's
// menu shown again after a change taken into its skinned bar.
#include "skin/engine/SkinData.h"
#include "skin/engine/SkinManage.h"
#include "skin/engine/SkinMessages.h"
#include "skin/engine/SkinnedForm.h"

#include "BorderedSkin.h"
#include "MessagePump.h"
#include "RawWindows.h"

#include <gtest/gtest.h>

#include <vector>

using namespace skin;
using namespace skin::test;

namespace {

const TColor BarColour = MakeRGB(30, 160, 90);
const TColor Face = MakeRGB(240, 240, 240);
// Frame 1 of the child's minimise, restore and close buttons; frame 4 of all three.
const TColor ButtonColour[3] = {MakeRGB(250, 200, 0), MakeRGB(0, 200, 250), MakeRGB(200, 0, 250)};
const TColor Dimmed = MakeRGB(90, 90, 90);
constexpr int BW = 12, BH = 10; // one frame of a child button

// Borders in one colour, a plain bar, and the three buttons a maximised MDI child shows in
// the bar, as the skin reader makes them: actions 7, 8, 9, visibility 100, four frames.
std::unique_ptr<TSkinData> FrameSkin()
{
    auto d = BorderedSkin();
    for (int k = 0; k < 3; ++k) {
        auto b = std::make_unique<TDataSkinSysButton>("MDICONTROLS");
        b->Action = 7 + k;
        b->Align = b->Visibility = b->Visibility1 = 100;
        b->Frame = 4;
        b->XCoord = (BW + 4) * (3 - k);
        Solid(*b->Bitmap, 4 * BW, BH, Dimmed);
        b->Bitmap->Canvas()->Brush().SetColor(ButtonColour[k]);
        b->Bitmap->Canvas()->FillRect(RECT{0, 0, BW, BH});
        d->CaptionButtons.push_back(std::move(b));
    }
    d->Colors[scMenubar] = BarColour;
    d->Colors[scButtonFace] = Face;
    d->Empty = false;
    return d;
}

using skintest::PumpUntil;

HWND client = nullptr; // the first frame's MDI client

LRESULT CALLBACK FrameProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return DefFrameProcA(wnd, FindWindowExA(wnd, nullptr, "MDIClient", nullptr), msg, wParam, lParam);
}

LRESULT CALLBACK ChildProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return DefMDIChildProcA(wnd, msg, wParam, lParam);
}

HMENU BarMenu(const std::vector<const char*>& captions, UINT firstCommand)
{
    HMENU menu = CreateMenu();
    UINT command = firstCommand;
    for (const char* caption : captions) AppendMenuA(menu, MF_STRING, command++, caption);
    return menu;
}

std::vector<std::wstring> Captions(const TSkinnedForm& f)
{
    std::vector<std::wstring> captions;
    for (const auto& item : f.MenuBar()->Items) captions.push_back(item->Caption);
    return captions;
}

using skintest::FrameShot;

int WindowWidth(HWND wnd)
{
    RECT w{};
    GetWindowRect(wnd, &w);
    return w.right - w.left;
}

struct MDIFrame : ::testing::Test {
    std::unique_ptr<TSkinData> data;
    HWND frame = nullptr;
    std::vector<HWND> others;
    HMENU menu = nullptr;
    LONG_PTR clientProc = 0; // the client's own procedure

    void SetUp() override
    {
        data = FrameSkin();
        skintest::StartSkin(*data);
        skintest::RegisterRawClass("SkinMDIFrameTest", FrameProc);
        skintest::RegisterRawClass("SkinMDIChildTest", ChildProc);
        menu = BarMenu({"&File", "&Edit"}, 100);
        MakeFrame(menu, 100, frame, client);
        ASSERT_NE(client, nullptr);
        clientProc = GetWindowLongPtrA(client, GWLP_WNDPROC);
    }
    void TearDown() override
    {
        data.reset();
        if (IsWindow(frame)) DestroyWindow(frame);
        for (HWND other : others)
            if (IsWindow(other)) DestroyWindow(other);
        client = nullptr;
    }
    // A shown frame with the menu and its MDI client, left at x.
    void MakeFrame(HMENU bar, int x, HWND& made, HWND& madeClient)
    {
        made = CreateWindowExA(0, "SkinMDIFrameTest", "Frame", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, x, 100, 400, 300,
                               nullptr, bar, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(made, nullptr);
        CLIENTCREATESTRUCT ccs{nullptr, 50000};
        madeClient = CreateWindowExA(0, "MDICLIENT", nullptr,
                                     WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_HSCROLL | WS_VSCROLL, 0, 0, 300, 200,
                                     made, nullptr, GetModuleHandleA(nullptr), &ccs);
        ASSERT_NE(madeClient, nullptr);
        ShowWindow(made, SW_SHOWNA);
    }
    // Another frame, destroyed at the end of the test if it is still there.
    void OtherFrame(HWND& made, HWND& madeClient)
    {
        MakeFrame(BarMenu({"&Game"}, 300), 150, made, madeClient);
        others.push_back(made);
    }
    TSkinnedForm* Skinned(HWND wnd = nullptr) { return skintest::SkinNow(wnd ? wnd : frame); }
    // A child made through the client, skinned by the hook as it is created.
    HWND Child(HWND in = nullptr)
    {
        if (!in) in = client;
        MDICREATESTRUCTA mcs{};
        mcs.szClass = "SkinMDIChildTest";
        mcs.szTitle = "Child";
        mcs.hOwner = GetModuleHandleA(nullptr);
        mcs.x = mcs.y = 0;
        mcs.cx = 200;
        mcs.cy = 120;
        auto child = reinterpret_cast<HWND>(SendMessageA(in, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&mcs)));
        EXPECT_NE(child, nullptr);
        TSkinnedForm* skinned = child ? SkinManager->FindSkinForm(child) : nullptr;
        EXPECT_NE(skinned, nullptr);
        if (skinned) {
            EXPECT_TRUE(PumpUntil([skinned] { return skinned->Initialised; }));
        }
        return child;
    }
    // Where the child's button k (0 minimise, 1 restore, 2 close) sits in the frame.
    POINT ButtonCentre(int k) const
    {
        const int x = WindowWidth(frame) - (BW + 4) * (3 - k) - R;
        const int y = T + (GetSystemMetrics(SM_CYMENU) - BH) / 2;
        return POINT{x + BW / 2, y + BH / 2};
    }
    LPARAM ScreenAt(POINT p) const
    {
        RECT w{};
        GetWindowRect(frame, &w);
        return MAKELPARAM(w.left + p.x, w.top + p.y);
    }
};

} // namespace

TEST_F(MDIFrame, TheClientRunsThroughTheSkinWhileTheFrameIsSkinned)
{
    TSkinnedForm* f = Skinned();
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->WindowKind, wkMDIFrame);
    EXPECT_EQ(f->MDIClient, client);
    EXPECT_NE(GetWindowLongPtrA(client, GWLP_WNDPROC), clientProc);
    f->Unskin();
    EXPECT_EQ(GetWindowLongPtrA(client, GWLP_WNDPROC), clientProc);
}

TEST_F(MDIFrame, TheRedrawMessageRepaintsTheFrameAndItsBorders)
{
    TSkinnedForm* f = Skinned();
    ASSERT_NE(f, nullptr);
    const int x = WindowWidth(frame) / 2;
    {
        cl::WindowDc dc(frame, true);
        ASSERT_NE(dc.get(), nullptr);
        cl::BrushHandle black(CreateSolidBrush(RGB(0, 0, 0)));
        const RECT caption{0, 0, WindowWidth(frame), T};
        FillRect(dc.get(), &caption, black.get());
        ASSERT_EQ(GetPixel(dc.get(), x, T / 2), RGB(0, 0, 0));
    }
    SendMessageA(client, WM_SKIN_MDI_REDRAW, 0, 0);
    // Done before the message returns: the caption is painted again.
    cl::WindowDc dc(frame, true);
    EXPECT_EQ(static_cast<TColor>(GetPixel(dc.get(), x, T / 2)), Edge);
}

TEST_F(MDIFrame, AMaximisedChildShowsItsButtonsInTheMenuBar)
{
    TSkinnedForm* f = Skinned();
    ASSERT_NE(f, nullptr);
    HWND child = Child();
    ASSERT_NE(child, nullptr);
    {
        FrameShot shot(*f);
        for (int k = 0; k < 3; ++k) {
            SCOPED_TRACE(k);
            const POINT p = ButtonCentre(k);
            EXPECT_EQ(shot.At(p.x, p.y), BarColour);
        }
    }
    EXPECT_FALSE(SkinManager->MDIMaximized);

    SendMessageA(client, WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(child), 0);
    ASSERT_TRUE(IsZoomed(child));
    {
        FrameShot shot(*f);
        for (int k = 0; k < 3; ++k) {
            SCOPED_TRACE(k);
            const POINT p = ButtonCentre(k);
            EXPECT_EQ(shot.At(p.x, p.y), ButtonColour[k]);
        }
    }
    EXPECT_TRUE(SkinManager->MDIMaximized);
    // An inactive frame shows them dimmed.
    SendMessageA(frame, WM_NCACTIVATE, FALSE, 0);
    {
        FrameShot shot(*f);
        const POINT p = ButtonCentre(2);
        EXPECT_EQ(shot.At(p.x, p.y), Dimmed);
    }
    SendMessageA(frame, WM_NCACTIVATE, TRUE, 0);

    SendMessageA(client, WM_MDIRESTORE, reinterpret_cast<WPARAM>(child), 0);
    ASSERT_FALSE(IsZoomed(child));
    FrameShot shot(*f);
    const POINT p = ButtonCentre(2);
    EXPECT_EQ(shot.At(p.x, p.y), BarColour);
}

TEST_F(MDIFrame, TheBarButtonsActOnTheMaximisedChildBeforeTheClickReturns)
{
    struct Case {
        int button;
        const char* outcome;
        bool (*done)(HWND child);
    } const cases[] = {
        {0, "minimised", [](HWND child) { return IsIconic(child) != FALSE; }},
        {1, "restored", [](HWND child) { return !IsZoomed(child) && !IsIconic(child); }},
        {2, "closed", [](HWND child) { return !IsWindow(child); }},
    };
    TSkinnedForm* f = Skinned();
    ASSERT_NE(f, nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.outcome);
        HWND child = Child();
        ASSERT_NE(child, nullptr);
        SendMessageA(client, WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(child), 0);
        ASSERT_TRUE(IsZoomed(child));
        FrameShot placed(*f); // the paint places the buttons
        const LPARAM at = ScreenAt(ButtonCentre(c.button));
        EXPECT_EQ(SendMessageA(frame, WM_NCLBUTTONDOWN, HTMENU, at), 0);
        EXPECT_EQ(SendMessageA(frame, WM_NCLBUTTONUP, HTMENU, at), 0);
        // The command is sent to the child, not posted: no message has run since the click.
        EXPECT_TRUE(c.done(child));
        if (IsWindow(child)) SendMessageA(client, WM_MDIDESTROY, reinterpret_cast<WPARAM>(child), 0);
    }
}

TEST_F(MDIFrame, TheBarButtonsActOnTheChildOfTheirOwnFrame)
{
    TSkinnedForm* f = Skinned();
    ASSERT_NE(f, nullptr);
    HWND child = Child();
    ASSERT_NE(child, nullptr);
    SendMessageA(client, WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(child), 0);
    // A second frame skinned later, with a maximised child of its own.
    HWND second = nullptr, secondClient = nullptr;
    OtherFrame(second, secondClient);
    ASSERT_NE(Skinned(second), nullptr);
    HWND other = Child(secondClient);
    ASSERT_NE(other, nullptr);
    SendMessageA(secondClient, WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(other), 0);
    ASSERT_TRUE(IsZoomed(child));
    ASSERT_TRUE(IsZoomed(other));

    FrameShot placed(*f);
    const LPARAM at = ScreenAt(ButtonCentre(0)); // the first frame's minimise button
    SendMessageA(frame, WM_NCLBUTTONDOWN, HTMENU, at);
    SendMessageA(frame, WM_NCLBUTTONUP, HTMENU, at);
    EXPECT_TRUE(IsIconic(child));
    EXPECT_TRUE(IsZoomed(other));
}

TEST_F(MDIFrame, TheManagerForgetsAFrameThatGoes)
{
    ASSERT_NE(Skinned(), nullptr);
    HWND second = nullptr, secondClient = nullptr;
    OtherFrame(second, secondClient);
    ASSERT_NE(Skinned(second), nullptr);
    EXPECT_EQ(SkinManager->MDIClientWindow, secondClient); // the newest frame's
    DestroyWindow(second);
    EXPECT_EQ(SkinManager->MDIClientWindow, client); // the frame still skinned
    DestroyWindow(frame);
    EXPECT_EQ(SkinManager->MDIClientWindow, nullptr);
    EXPECT_EQ(SkinManager->MDIForm, nullptr);
}

TEST_F(MDIFrame, ChildrenKeepTheBarUntilTheLastOneGoes)
{
    TSkinnedForm* f = Skinned();
    ASSERT_NE(f, nullptr);
    ASSERT_TRUE(data->MenuUpdate);
    HWND child = Child();
    ASSERT_NE(child, nullptr);
    EXPECT_FALSE(data->MenuUpdate);
    SendMessageA(client, WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(child), 0);
    FrameShot shot(*f);
    ASSERT_TRUE(SkinManager->MDIMaximized);
    // The frame's menu grows meanwhile; the bar learns of it when the last child goes.
    AppendMenuA(menu, MF_STRING, 200, "&Window");
    EXPECT_EQ(f->MenuBar()->Items.size(), 2u);
    SendMessageA(client, WM_MDIDESTROY, reinterpret_cast<WPARAM>(child), 0);
    EXPECT_FALSE(IsWindow(child));
    EXPECT_FALSE(SkinManager->MDIMaximized);
    EXPECT_TRUE(data->MenuUpdate);
    EXPECT_EQ(Captions(*f), (std::vector<std::wstring>{L"&File", L"&Edit", L"&Window"}));
    EXPECT_EQ(GetMenu(frame), nullptr);
}

TEST_F(MDIFrame, ANewFrameMenuGoesToTheBar)
{
    TSkinnedForm* f = Skinned();
    ASSERT_NE(f, nullptr);
    HMENU next = BarMenu({"&Game", "&View", "&Help"}, 300);
    SendMessageA(client, WM_MDISETMENU, reinterpret_cast<WPARAM>(next), 0);
    EXPECT_EQ(GetMenu(frame), nullptr);
    EXPECT_EQ(f->MenuBar()->WindowMenu, next);
    EXPECT_EQ(Captions(*f), (std::vector<std::wstring>{L"&Game", L"&View", L"&Help"}));
    // Laid out at once: the new last item can be clicked.
    const RECT& last = f->MenuBar()->Items[2]->Rect;
    EXPECT_GT(last.right, last.left);
    f->Unskin();
    EXPECT_EQ(GetMenu(frame), next);
    DestroyMenu(menu);
}

TEST_F(MDIFrame, TheClientLosesItsScrollBarsUnlessTheSkinKeepsThem)
{
    struct Case {
        bool keep;
        LONG style;
    } const cases[] = {{false, 0}, {true, WS_HSCROLL | WS_VSCROLL}};
    TSkinnedForm* f = Skinned();
    ASSERT_NE(f, nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keep);
        data->Options = c.keep ? data->Options | Bit(xoMDIScrollbar) : data->Options & ~Bit(xoMDIScrollbar);
        SetWindowLongA(client, GWL_STYLE, GetWindowLongA(client, GWL_STYLE) | WS_HSCROLL | WS_VSCROLL);
        SetWindowPos(client, nullptr, 0, 0, 0, 0,
                     SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
        EXPECT_EQ(GetWindowLongA(client, GWL_STYLE) & (WS_HSCROLL | WS_VSCROLL), c.style);
    }
}

TEST_F(MDIFrame, TilingAndCascadingEndTheMaximisedMode)
{
    TSkinnedForm* f = Skinned();
    ASSERT_NE(f, nullptr);
    for (UINT msg : {WM_MDITILE, WM_MDICASCADE}) {
        SCOPED_TRACE(msg);
        SkinManager->MDIMaximized = true;
        SendMessageA(client, msg, 0, 0);
        EXPECT_FALSE(SkinManager->MDIMaximized);
    }
}

// ---------------------------------------------------------------------------------------
// A window that shows its menu again when it changes, as a form does with its main menu.

namespace {

HMENU shownAfterChange = nullptr;
bool paintingDuringChange = true;
TSkinData* changing = nullptr;

LRESULT CALLBACK ChangingProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == cl::CM_MENUCHANGED) {
        if (changing) paintingDuringChange = changing->FramePainting;
        SetMenu(wnd, shownAfterChange);
        return 0;
    }
    return DefWindowProcA(wnd, msg, wParam, lParam);
}

} // namespace

TEST(MenuChange, TheMenuShownAgainGoesToTheBarWhenMenuUpdateIsOn)
{
    struct Case {
        bool update;
        std::vector<std::wstring> captions;
    } const cases[] = {{true, {L"&File", L"&Edit", L"&Help"}}, {false, {L"&File", L"&Edit"}}};
    skintest::RegisterRawClass("SkinMenuChangeTest", ChangingProc);
    auto data = FrameSkin();
    skintest::StartSkin(*data);
    ASSERT_NE(SkinManager, nullptr);
    changing = data.get();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.update);
        HMENU first = BarMenu({"&File", "&Edit"}, 100);
        shownAfterChange = BarMenu({"&File", "&Edit", "&Help"}, 100);
        HWND wnd = skintest::RawWindow("SkinMenuChangeTest", "Change", WS_OVERLAPPEDWINDOW, 400, 250, first);
        ShowWindow(wnd, SW_SHOWNA);
        TSkinnedForm* f = skintest::SkinNow(wnd);
        ASSERT_NE(f, nullptr);
        data->MenuUpdate = c.update;
        paintingDuringChange = true;

        SendMessageA(wnd, cl::CM_MENUCHANGED, 0, 0);
        EXPECT_FALSE(paintingDuringChange);
        EXPECT_TRUE(data->FramePainting);
        EXPECT_EQ(GetMenu(wnd), nullptr);
        EXPECT_EQ(Captions(*f), c.captions);
        EXPECT_EQ(f->MenuBar()->WindowMenu, c.update ? shownAfterChange : first);
        if (c.update) {
            // The new item is drawn in the bar: its caption leaves marks on the bar colour.
            FrameShot shot(*f);
            const RECT r = f->MenuBar()->Items[2]->Rect;
            ASSERT_GT(r.right, r.left);
            int marks = 0;
            for (int y = r.top; y < r.bottom; ++y)
                for (int x = r.left; x < r.right; ++x) marks += shot.At(x, y) != BarColour;
            EXPECT_GT(marks, 0);
        }
        f->Unskin();
        DestroyWindow(wnd);
        DestroyMenu(first);
        DestroyMenu(shownAfterChange);
    }
    changing = nullptr;
}
