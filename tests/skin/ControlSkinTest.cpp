// Control skins on real windows: a raw Unicode button subclassed underneath another
// procedure, the states a button paints from the skin's strip, its click, and the status
// bar, panel, group box and push button of a form.
#include "skin/controls/Bars.h"
#include "skin/controls/Buttons.h"
#include "skin/controls/CheckRadio.h"
#include "skin/controls/Edits.h"
#include "skin/controls/Ranges.h"
#include "skin/engine/SkinData.h"
#include "skin/engine/SkinMessages.h"
#include "skin/engine/SkinnedForm.h"

#include "ControlSkinFixture.h"

#include "classlib/ComCtrls.h"
#include "classlib/ExtCtrlsPanels.h"
#include "classlib/FormReader.h"
#include "classlib/Forms.h"
#include "classlib/StdCtrls.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace skin;

namespace {

using skin_test::DisabledC;
using skin_test::Face;
using skin_test::FocusedC;
using skin_test::HotC;
using skin_test::Normal;
using skin_test::PressedC;
using skin_test::Shadow;
using skin_test::Shot;
using skin_test::Strip;
using skin_test::Untouched;

const TColor EmptyBar = MakeRGB(33, 66, 99), FullBar = MakeRGB(99, 66, 33);
const TColor Lowered = MakeRGB(200, 0, 0), Raised = MakeRGB(0, 200, 0), NoBevel = MakeRGB(0, 0, 200);

// The shared control skin with status-bar edges, check glyphs, a progress bar and spin
// buttons added, each frame one colour.
std::unique_ptr<TSkinData> ControlSkin()
{
    auto d = skin_test::ControlSkin();
    d->StatusBarEdges = std::make_unique<TDataSkinObject>("StatusBarEdges");
    Strip(*d->StatusBarEdges->Bitmap, {Lowered, Raised, NoBevel}, 8, 8);
    d->StatusBarEdges->Frame = 3;
    d->StatusBarEdges->NormalColour2 = MakeRGB(1, 1, 1);
    std::vector<TColor> checks;
    for (int i = 1; i <= 12; ++i) checks.push_back(MakeRGB(20 * i, 7, 99));
    Strip(*d->Buttons->CheckBitmap, checks, 13, 13);
    d->Buttons->CheckFrames = 12;
    d->Progress = std::make_unique<TDataSkinBorder>("Progress");
    Strip(*d->Progress->Bitmap, {EmptyBar, FullBar}, 8, 8);
    d->Progress->Frame = 2;
    d->UpDownVert = std::make_unique<TDataSkinBorder>("UpDown.Vert");
    std::vector<TColor> spins;
    for (int i = 1; i <= 8; ++i) spins.push_back(MakeRGB(5, 25 * i, 5));
    Strip(*d->UpDownVert->Bitmap, spins, 6, 6);
    d->UpDownVert->Frame = 8;
    return d;
}

// ---------------------------------------------------------------------------------------
// A raw Unicode button with a recording procedure under the skin.

std::vector<UINT> g_seen;
WNDPROC g_buttonProc = nullptr;
LRESULT CALLBACK Recorder(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    g_seen.push_back(msg);
    return CallWindowProcW(g_buttonProc, wnd, msg, wParam, lParam);
}

WNDPROC g_underTop = nullptr;
LRESULT CALLBACK TopProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return CallWindowProcW(g_underTop, wnd, msg, wParam, lParam);
}

int Count(UINT msg)
{
    int n = 0;
    for (UINT m : g_seen) n += m == msg;
    return n;
}

struct RawButton : ::testing::Test {
    std::unique_ptr<TSkinData> data = ControlSkin();
    HWND parent = nullptr, button = nullptr;
    TSkinButton* skin = nullptr;
    static constexpr int W = 80, H = 30, Id = 42;

    void SetUp() override
    {
        parent = CreateWindowExW(0, L"STATIC", L"parent", WS_POPUP | WS_VISIBLE, 0, 0, 200, 100, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(parent, nullptr);
        button = CreateWindowExW(0, L"Button", L"", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 10, 10, W, H, parent,
                                 reinterpret_cast<HMENU>(Id), GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(button, nullptr);
        ASSERT_TRUE(IsWindowUnicode(button));
        g_buttonProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(button, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Recorder)));
        skin = new TSkinButton(nullptr);
        skin->InitHwnd(button, data.get(), nullptr, nullptr);
        g_seen.clear();
    }
    void TearDown() override
    {
        cl::Free(skin);
        if (IsWindow(parent)) DestroyWindow(parent);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            if (msg.message != WM_QUIT) DispatchMessageW(&msg);
    }
};

} // namespace

TEST_F(RawButton, AnswersTheSkinQueryItselfAndPassesOtherMessagesOnce)
{
    EXPECT_EQ(SendMessageW(button, WM_SKIN_QUERY, 0, 0), 1);
    EXPECT_EQ(Count(WM_SKIN_QUERY), 0);
    // The text crosses the skin as wide text: an 8-bit call underneath would mangle it.
    const wchar_t* text = L"\u4F60\u597D OK";
    ASSERT_TRUE(SetWindowTextW(button, text));
    EXPECT_EQ(Count(WM_SETTEXT), 1);
    wchar_t got[32] = {};
    GetWindowTextW(button, got, 32);
    EXPECT_STREQ(got, text);
}

TEST_F(RawButton, EachStatePaintsItsFrameOfTheStrip)
{
    struct Case {
        const char* name;
        void (*act)(HWND);
        TColor want;
    } cases[] = {
        {"normal", [](HWND) {}, Normal},
        {"hot", [](HWND b) { SendMessageW(b, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5)); }, HotC},
        {"pressed", [](HWND b) { SendMessageW(b, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5)); }, PressedC},
        {"disabled", [](HWND b) { EnableWindow(b, FALSE); }, DisabledC},
        {"focused", [](HWND b) { SetFocus(b); }, FocusedC},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        SetForegroundWindow(parent);
        SetFocus(parent);
        c.act(button);
        Shot shot(*skin, W, H);
        EXPECT_EQ(shot.At(2, 2), c.want);
        EXPECT_EQ(shot.At(W - 3, H - 3), c.want);
    }
}

TEST_F(RawButton, PressAndReleasePostTheCommandWithoutThePressReachingTheButton)
{
    SendMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageW(button, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(Count(WM_LBUTTONDOWN), 0);
    EXPECT_EQ(GetCapture(), nullptr);
    MSG msg{};
    ASSERT_TRUE(PeekMessageW(&msg, parent, WM_COMMAND, WM_COMMAND, PM_REMOVE));
    EXPECT_EQ(msg.wParam, static_cast<WPARAM>(Id));
    EXPECT_EQ(msg.lParam, reinterpret_cast<LPARAM>(button));
    // A release without a press is no click.
    SendMessageW(button, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_FALSE(PeekMessageW(&msg, parent, WM_COMMAND, WM_COMMAND, PM_REMOVE));
}

TEST_F(RawButton, FreeingRestoresTheOldProcedureOnlyWhileOursIsCurrent)
{
    // Someone subclasses on top of the skin: freeing the skin must leave their procedure.
    g_underTop = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(button, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TopProc)));
    cl::Free(skin);
    skin = nullptr;
    EXPECT_EQ(GetWindowLongPtrW(button, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&TopProc));
    // Messages still reach the button through the skin's now idle stub.
    g_seen.clear();
    EXPECT_EQ(SendMessageW(button, WM_SKIN_QUERY, 0, 0), 0);
    EXPECT_EQ(Count(WM_SKIN_QUERY), 1);
}

TEST_F(RawButton, FreeingGivesBackTheProcedureWhenOursIsCurrent)
{
    cl::Free(skin);
    skin = nullptr;
    EXPECT_EQ(GetWindowLongPtrW(button, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&Recorder));
}

TEST_F(RawButton, DestroyedWindowLeavesTheSkinReleasedAndInactive)
{
    DestroyWindow(button);
    EXPECT_TRUE(skin->Released());
    EXPECT_FALSE(skin->Active);
    EXPECT_EQ(Count(WM_NCDESTROY), 1);
}

// ---------------------------------------------------------------------------------------
// Controls of a form.

namespace {

class TControlsForm : public cl::TForm {
    CL_CLASS(TControlsForm)
public:
    using cl::TForm::TForm;
    cl::TStatusBar* Bar = nullptr;
    cl::TPanel* Box = nullptr;
    cl::TGroupBox* Group = nullptr;
    cl::TButton* Go = nullptr;
    cl::TEdit* Entry = nullptr;
    cl::TProgressBar* Meter = nullptr;
};

const char* const kControlsForm = u8R"(
TControlsForm ControlsForm {
  ClientWidth = 300
  ClientHeight = 200
  TPanel Box {
    Left = 10 Top = 10 Width = 100 Height = 50
    ParentBackground = True
  }
  TGroupBox Group {
    Left = 120 Top = 10 Width = 100 Height = 80
  }
  TButton Go {
    Left = 10 Top = 100 Width = 80 Height = 30
  }
  TEdit Entry {
    Left = 100 Top = 100 Width = 80 Height = 24
  }
  TProgressBar Meter {
    Left = 10 Top = 140 Width = 200 Height = 16
  }
  TStatusBar Bar {
    Height = 22
    SizeGrip = False
    Panels = <
      { Width = 120 Bevel = pbLowered Text = "" }
      { Width = 50 Bevel = pbRaised Style = psOwnerDraw }
    >
  }
}
)";

struct FormControls : ::testing::Test {
    std::unique_ptr<TSkinData> data = ControlSkin();
    TControlsForm form{nullptr};
    void SetUp() override
    {
        TControlsForm::StaticClass();
        cl::ReadComponentText(kControlsForm, form);
        form.Show();
    }
};

} // namespace

const cl::TClass& TControlsForm::StaticClass()
{
    return cl::DefineClass<TControlsForm, cl::TForm>("TControlsForm", [](cl::TPublisher<TControlsForm>& p) {
        p.Field("Bar", &TControlsForm::Bar);
        p.Field("Box", &TControlsForm::Box);
        p.Field("Group", &TControlsForm::Group);
        p.Field("Go", &TControlsForm::Go);
        p.Field("Entry", &TControlsForm::Entry);
        p.Field("Meter", &TControlsForm::Meter);
    });
}

TEST_F(FormControls, DiscoveryGivesEachControlItsSkinAndHonoursTheDisableTag)
{
    form.Group->SetTag(data->DisableTag);
    form.Box->SetColor(cl::clRed);
    {
        TSkinnedForm skinned(nullptr);
        skinned.FormControl = &form;
        skinned.SkinData = data.get();
        skinned.SkinFormControls();
        for (cl::TWinControl* c : std::vector<cl::TWinControl*>{form.Go, form.Bar, form.Entry, form.Meter}) {
            SCOPED_TRACE(c->Name());
            EXPECT_EQ(c->Perform(WM_SKIN_QUERY), 1);
        }
        EXPECT_EQ(form.Group->Perform(WM_SKIN_QUERY), 0);
        EXPECT_EQ(form.Box->Color(), Face);
        EXPECT_EQ(skinned.ControlSkins().size(), 5u); // button, status bar, panel, edit, progress bar
        // A second pass adds nothing.
        skinned.SkinFormControls();
        EXPECT_EQ(skinned.ControlSkins().size(), 5u);
    }
    // Unskinned: the companions are gone and the panel has its colour back.
    EXPECT_EQ(form.Go->Perform(WM_SKIN_QUERY), 0);
    EXPECT_EQ(form.Bar->Perform(WM_SKIN_QUERY), 0);
    EXPECT_EQ(form.Box->Color(), cl::clRed);
}

TEST_F(FormControls, StatusBarDrawsEdgesThenCallsOnDrawPanelForEachPanel)
{
    cl::TStatusBar& bar = *form.Bar;
    const int w = bar.Width(), h = bar.Height();
    struct Call {
        int index;
        RECT rect;
        TColor edgeSeen;
    };
    std::vector<Call> calls;
    Shot* shot = nullptr;
    bar.OnDrawPanel = [&](cl::TStatusBar*, cl::TStatusPanel* panel, const RECT& r) {
        // The skin's frame is already there when the program draws its panel.
        calls.push_back({panel->Index(), r, shot ? shot->At(r.left - 2, r.top + 1) : -1});
    };
    auto* skin = new TSkinStatusBar(&bar);
    skin->InitControl(nullptr, data.get(), false, nullptr);
    Shot s(*skin, w, h);
    shot = &s;
    calls.clear();
    skin->PaintControl(s.bitmap.Canvas()->Handle());

    ASSERT_EQ(calls.size(), 2u);
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        RECT part{};
        ASSERT_TRUE(SendMessageW(bar.Handle(), SB_GETRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&part)));
        EXPECT_EQ(calls[static_cast<size_t>(i)].index, i);
        EXPECT_EQ(calls[static_cast<size_t>(i)].rect.left, part.left + 2);
        EXPECT_EQ(calls[static_cast<size_t>(i)].rect.top, part.top + 2);
        EXPECT_EQ(calls[static_cast<size_t>(i)].rect.right, part.right - 2);
        EXPECT_EQ(calls[static_cast<size_t>(i)].rect.bottom, part.bottom - 2);
    }
    EXPECT_EQ(calls[0].edgeSeen, Lowered);
    EXPECT_EQ(calls[1].edgeSeen, Raised);
    // The last panel's edge runs to the bar's right edge, past its own width.
    EXPECT_EQ(s.At(w - 1, h / 2), Raised);
    EXPECT_EQ(s.At(1, h / 2), Lowered);
}

TEST_F(FormControls, SimpleStatusBarWithoutTextShowsOnlyTheLoweredEdge)
{
    cl::TStatusBar& bar = *form.Bar;
    bar.SetSimplePanel(true);
    auto* skin = new TSkinStatusBar(&bar);
    skin->InitControl(nullptr, data.get(), false, nullptr);
    Shot s(*skin, bar.Width(), bar.Height());
    for (int x : {0, bar.Width() / 2, bar.Width() - 1}) {
        SCOPED_TRACE(x);
        EXPECT_EQ(s.At(x, bar.Height() / 2), Lowered);
    }
}

TEST_F(FormControls, PanelTakesTheFaceColourWhileSkinnedAndNeverItsMessages)
{
    cl::TPanel& panel = *form.Box;
    panel.SetColor(cl::clRed);
    auto* skin = new TSkinBox(&panel);
    skin->InitControl(nullptr, data.get(), true, nullptr);
    EXPECT_EQ(panel.Color(), Face);
    EXPECT_FALSE(panel.ParentBackground());
    EXPECT_EQ(panel.Perform(WM_SKIN_QUERY), 0);
    skin->Unsubclass();
    EXPECT_EQ(panel.Color(), cl::clRed);
    EXPECT_TRUE(panel.ParentBackground());
}

TEST_F(FormControls, ParentBackgroundStaysWhenTheSkinAsksForIt)
{
    data->Options |= Bit(xoParentBackGround);
    cl::TPanel& panel = *form.Box;
    auto* skin = new TSkinBox(&panel);
    skin->InitControl(nullptr, data.get(), true, nullptr);
    EXPECT_TRUE(panel.ParentBackground());
    skin->Unsubclass();
    EXPECT_TRUE(panel.ParentBackground());
}

TEST_F(FormControls, GroupBoxFrameIsARoundedShadowLineOnTheFace)
{
    cl::TGroupBox& group = *form.Group;
    auto* skin = new TSkinGroupBox(&group);
    skin->InitControl(nullptr, data.get(), false, nullptr);
    EXPECT_EQ(skin->Variant, 1);
    Shot s(*skin, group.Width(), group.Height());
    const int y = group.Height() / 2;
    EXPECT_EQ(s.At(1, y), Shadow);                   // the left side of the frame
    EXPECT_EQ(s.At(group.Width() - 2, y), Shadow);   // the right side, at R.right - 2
    EXPECT_EQ(s.At(group.Width() / 2, y), Face);     // inside
    EXPECT_EQ(s.At(group.Width() / 2, group.Height() - 2), Shadow); // the bottom line
}

TEST_F(FormControls, ButtonClickFiresHandlersButTheButtonNeverSeesThePress)
{
    cl::TButton& go = *form.Go;
    std::vector<UINT> seen;
    // A link older than the skin: what the button's own handling would see.
    std::unique_ptr<cl::TWindowProcHook> under;
    under = std::make_unique<cl::TWindowProcHook>(go, [&](cl::TMessage& m) {
        seen.push_back(m.Msg);
        under->CallPrevious(m);
    });
    int clicks = 0, downs = 0;
    go.OnClick = [&](cl::TObject*) { ++clicks; };
    go.OnMouseDown = [&](cl::TObject*, cl::TMouseButton b, cl::TShiftState, int x, int y) {
        ++downs;
        EXPECT_EQ(b, cl::mbLeft);
        EXPECT_EQ(x, 7);
        EXPECT_EQ(y, 9);
    };
    auto* skin = new TSkinButton(&go);
    skin->InitControl(nullptr, data.get(), false, nullptr);
    SendMessageW(go.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(7, 9));
    SendMessageW(go.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(7, 9));
    EXPECT_EQ(downs, 1);
    EXPECT_EQ(clicks, 1);
    for (UINT m : seen) EXPECT_NE(m, static_cast<UINT>(WM_LBUTTONDOWN));
    EXPECT_EQ(SendMessageW(go.Handle(), WM_SKIN_QUERY, 0, 0), 1);
}

TEST_F(FormControls, SeeThroughTagGivesTheParentsColourBehindATransparentFrame)
{
    cl::TButton& go = *form.Go;
    go.SetTag(SeeThroughTag);
    data->Buttons->Trans = 1;
    Strip(*data->Buttons->Bitmap, {Magenta, Magenta, Magenta, Magenta, Magenta}, 8, 8);
    form.SetColor(MakeRGB(0, 128, 255));
    auto* skin = new TSkinButton(&go);
    skin->InitControl(nullptr, data.get(), false, nullptr);
    EXPECT_TRUE(skin->SeeThrough);
    Shot s(*skin, go.Width(), go.Height());
    EXPECT_EQ(s.At(2, 2), MakeRGB(0, 128, 255));
}

// ---------------------------------------------------------------------------------------
// Raw check boxes, progress bars and edits.

namespace {

// Raw child windows on a pop-up parent, under the fuller skin above.
struct RawChild : skin_test::RawChild {
    RawChild() { data = ControlSkin(); }
};

TColor CheckColour(int frame) { return MakeRGB(20 * frame, 7, 99); }

} // namespace

TEST_F(RawChild, CheckBoxGlyphFollowsCheckEnabledAndIndeterminate)
{
    struct Case {
        const char* name;
        DWORD style;
        WPARAM check;
        bool disabled;
        int frame;
    } cases[] = {
        {"unchecked", BS_AUTOCHECKBOX, BST_UNCHECKED, false, 1},
        {"checked", BS_AUTOCHECKBOX, BST_CHECKED, false, 5},
        {"unchecked disabled", BS_AUTOCHECKBOX, BST_UNCHECKED, true, 4},
        {"checked disabled", BS_AUTOCHECKBOX, BST_CHECKED, true, 8},
        {"indeterminate", BS_AUTO3STATE, BST_INDETERMINATE, false, 9},
        {"indeterminate disabled", BS_AUTO3STATE, BST_INDETERMINATE, true, 12},
    };
    constexpr int W = 120, H = 21;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HWND box = Child(L"Button", c.style, W, H);
        ASSERT_NE(box, nullptr);
        auto* skin = Skin<TSkinCheckBox>(box);
        SendMessageW(box, BM_SETCHECK, c.check, 0);
        if (c.disabled) EnableWindow(box, FALSE);
        Shot shot(*skin, W, H);
        // A 13 x 13 glyph at the left edge, centred: rows 4 to 16.
        EXPECT_EQ(shot.At(6, H / 2), CheckColour(c.frame));
        EXPECT_EQ(shot.At(0, 4), CheckColour(c.frame));
        EXPECT_EQ(shot.At(12, 16), CheckColour(c.frame));
        // A raw check box keeps its own caption and background: only the glyph is drawn.
        EXPECT_EQ(shot.At(60, H / 2), Untouched);
    }
}

TEST_F(RawChild, CheckBoxWithLeftTextHasItsGlyphAtTheRight)
{
    constexpr int W = 120, H = 21;
    HWND box = Child(L"Button", BS_AUTOCHECKBOX | BS_LEFTTEXT, W, H);
    auto* skin = Skin<TSkinCheckBox>(box);
    Shot shot(*skin, W, H);
    EXPECT_EQ(shot.At(W - 1, H / 2), CheckColour(1));
    EXPECT_EQ(shot.At(W - 13, H / 2), CheckColour(1));
    EXPECT_EQ(shot.At(W - 14, H / 2), Untouched);
}

TEST_F(RawChild, ProgressFillsItsShareOfTheRange)
{
    HWND bar = Child(PROGRESS_CLASSW, 0, 100, 20);
    ASSERT_NE(bar, nullptr);
    SendMessageW(bar, PBM_SETRANGE32, 10, 110);
    SendMessageW(bar, PBM_SETPOS, 60, 0);
    auto* skin = Skin<TSkinProgress>(bar);
    Shot shot(*skin, 100, 20);
    // (60 - 10) / (110 - 10) of 100 pixels.
    EXPECT_EQ(shot.At(0, 10), FullBar);
    EXPECT_EQ(shot.At(49, 10), FullBar);
    EXPECT_EQ(shot.At(50, 10), EmptyBar);
    EXPECT_EQ(shot.At(99, 10), EmptyBar);
    EXPECT_EQ(ProgressFilledRight(0, 100, 0, 0, 100), 0);
    EXPECT_EQ(ProgressFilledRight(0, 100, 5, 0, 0), 0);
}

TEST_F(RawChild, ChunkStyleRepeatsTheChunkOverTheFilledPartIgnoringTheLowEnd)
{
    const TColor ChunkC = MakeRGB(7, 200, 7);
    struct Case {
        int tile;
        int top, bottom; // rows the chunks cover at x = 10
    } cases[] = {
        {1, 7, 12},  // 6 high, centred in 20: at 7
        {0, 2, 17},  // stretched over a strip 16 high, at (2, 2)
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tile);
        data->Progress->Style = 1;
        data->ProgressChunk = std::make_unique<TDataSkinObject>("Progress.Chunk");
        Strip(*data->ProgressChunk->Bitmap, {ChunkC}, 4, 6);
        data->ProgressChunk->Tile = c.tile;
        HWND bar = Child(PROGRESS_CLASSW, 0, 100, 20);
        SendMessageW(bar, PBM_SETRANGE32, 10, 110);
        SendMessageW(bar, PBM_SETPOS, 60, 0);
        auto* skin = Skin<TSkinProgress>(bar);
        Shot shot(*skin, 100, 20);
        // 60 of 110 (the low end ignored): 55 pixels of chunks from x = 2.
        EXPECT_EQ(shot.At(1, 10), EmptyBar) << "the whole image stretched behind";
        EXPECT_EQ(shot.At(2, 10), ChunkC);
        EXPECT_EQ(shot.At(56, 10), ChunkC);
        EXPECT_EQ(shot.At(57, 10), FullBar);
        EXPECT_EQ(shot.At(10, c.top), ChunkC);
        EXPECT_EQ(shot.At(10, c.bottom), ChunkC);
        EXPECT_EQ(shot.At(10, c.top - 1), EmptyBar);
        EXPECT_EQ(shot.At(10, c.bottom + 1), EmptyBar);
    }
}

TEST_F(RawChild, BorderedEditGetsAShadowAndTwoWhiteFrames)
{
    // A plain WS_BORDER is drawn by the edit itself inside its client area; the sunken edge
    // gives it a non-client border.
    HWND edit = Child(L"EDIT", 0, 100, 24, WS_EX_CLIENTEDGE);
    ASSERT_NE(edit, nullptr);
    auto* skin = Skin<TSkinEdit>(edit);
    Shot shot(*skin, 100, 24);
    EXPECT_EQ(shot.At(0, 0), Shadow);
    EXPECT_EQ(shot.At(99, 23), Shadow);
    EXPECT_EQ(shot.At(1, 12), MakeRGB(255, 255, 255));
    EXPECT_EQ(shot.At(50, 22), MakeRGB(255, 255, 255));
    EXPECT_EQ(SendMessageW(edit, WM_SKIN_PAINT_EDIT_DC, 0, SKIN_MAGIC), SKIN_MAGIC);
}

TEST_F(RawChild, EditWithoutBorderGetsNoFrame)
{
    HWND edit = Child(L"EDIT", 0, 100, 24);
    auto* skin = Skin<TSkinEdit>(edit);
    Shot shot(*skin, 100, 24);
    EXPECT_EQ(shot.At(0, 0), Untouched);
    EXPECT_EQ(shot.At(1, 1), Untouched);
}

TEST_F(RawChild, DropDownWindowsArePopupsOrChildrenOfTheDesktop)
{
    HWND child = Child(L"STATIC", 0, 10, 10);
    EXPECT_FALSE(IsDropDownWindow(child));
    EXPECT_TRUE(IsDropDownWindow(parent)); // a pop-up
    HWND onDesktop = CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 10, 10, GetDesktopWindow(), nullptr,
                                     GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(onDesktop, nullptr);
    EXPECT_TRUE(IsDropDownWindow(onDesktop));
    DestroyWindow(onDesktop);
}

TEST_F(RawChild, UpDownButtonsTakeTheirFramesDisabledAndPressed)
{
    HWND spin = Child(UPDOWN_CLASSW, 0, 20, 40);
    ASSERT_NE(spin, nullptr);
    auto* skin = Skin<TSkinUpDown>(spin);
    SetCursorPos(600, 500); // well away from the control
    const auto frame = [](int k) { return MakeRGB(5, 25 * k, 5); };
    {
        // Upper button: frames 1 to 4; lower button: the same states 4 frames on.
        EnableWindow(spin, FALSE);
        Shot shot(*skin, 20, 40);
        EXPECT_EQ(shot.At(10, 5), frame(3));
        EXPECT_EQ(shot.At(10, 35), frame(7));
    }
    {
        EnableWindow(spin, TRUE);
        Shot shot(*skin, 20, 40);
        EXPECT_EQ(shot.At(10, 5), frame(1)); // the cursor is not over it
        EXPECT_EQ(shot.At(10, 35), frame(5));
    }
}
