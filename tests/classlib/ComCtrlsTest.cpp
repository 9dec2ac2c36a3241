// The status bar and the progress bar on real windows: panels from a form resource,
// owner-drawn panels drawn through OnDrawPanel, clicks, and the bar's range.
#include "ControlsFixtures.h"

#include "classlib/FormReader.h"
#include "classlib/TypInfo.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <map>

using namespace cl;
using fixture::Rgb;

namespace {

// The main window's status bar: two owner-drawn panels without bevel, and a text panel.
class TBarForm : public TForm {
    CL_CLASS(TBarForm)
public:
    using TForm::TForm;
    TStatusBar* statMain = nullptr;
    struct Drawn {
        int index;
        RECT rect;
        bool bound;
        AnsiString font;
        TColor brush;
    };
    std::vector<Drawn> drawn;
    std::vector<RECT> clipsAtClick;
    void statMainDrawPanel(TStatusBar* bar, TStatusPanel* panel, const RECT& rect)
    {
        TCanvas* canvas = bar->Canvas();
        drawn.push_back({panel->Index(), rect, canvas->HandleAllocated(), canvas->Font().Name(), canvas->Brush().Color()});
        bar->Canvas()->Brush().SetColor(clRed);
        bar->Canvas()->FillRect(rect);
    }
    void statMainClick(TObject* sender) { clipsAtClick.push_back(static_cast<TStatusBar*>(sender)->Canvas()->ClipRect()); }
};

const TClass& TBarForm::StaticClass()
{
    return DefineClass<TBarForm, TForm>("TBarForm", [](TPublisher<TBarForm>& p) {
        p.Field("statMain", &TBarForm::statMain);
        p.Handler("statMainDrawPanel", &TBarForm::statMainDrawPanel);
        p.Handler("statMainClick", &TBarForm::statMainClick);
    });
}

const char* const kBarForm = u8R"(
TBarForm BarForm {
  ClientWidth = 400
  ClientHeight = 120
  TStatusBar statMain {
    Height = 23
    Panels = <
      { Style = psOwnerDraw Bevel = pbNone Width = 70 Text = "打开声音" }
      { Style = psOwnerDraw Bevel = pbNone Width = 70 Text = "游戏管理" Alignment = taRightJustify }
      { Width = 50 Text = "ready" Alignment = taCenter Bevel = pbRaised }
    >
    OnClick = statMainClick
    OnDrawPanel = statMainDrawPanel
  }
}
)";

struct StatusBar : ::testing::Test {
    TBarForm form{nullptr};
    HWND bar = nullptr;
    void SetUp() override
    {
        TBarForm::StaticClass();
        ReadComponentText(kBarForm, form);
        form.Show();
        bar = form.statMain->Handle();
    }
    void Paint()
    {
        form.drawn.clear();
        InvalidateRect(bar, nullptr, TRUE);
        UpdateWindow(bar);
    }
    AnsiString PartText(int index)
    {
        char text[100] = {};
        SendMessageA(bar, SB_GETTEXTA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text));
        return text;
    }
    RECT PartRect(int index)
    {
        RECT r{};
        SendMessageA(bar, SB_GETRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r));
        return r;
    }
};

} // namespace

TEST_F(StatusBar, PanelsFromTheFormResourceBecomeParts)
{
    ASSERT_NE(form.statMain, nullptr);
    ASSERT_EQ(form.statMain->Panels()->Count(), 3);
    EXPECT_TRUE(form.statMain->InheritsFrom(TCustomStatusBar::StaticClass()));
    EXPECT_EQ(form.statMain->Align(), alBottom);
    EXPECT_EQ(form.statMain->Height(), 23);
    EXPECT_EQ(form.statMain->Top(), 120 - 23);
    EXPECT_EQ(form.statMain->Width(), 400);

    int edges[4] = {};
    ASSERT_EQ(SendMessageA(bar, SB_GETPARTS, 4, reinterpret_cast<LPARAM>(edges)), 3);
    EXPECT_EQ(edges[0], 70);
    EXPECT_EQ(edges[1], 140);
    EXPECT_EQ(edges[2], -1); // the last panel takes the rest
    EXPECT_EQ(PartText(2), "\tready");
    const LRESULT how = SendMessageA(bar, SB_GETTEXTLENGTHA, 2, 0);
    EXPECT_EQ(HIWORD(how) & SBT_POPOUT, SBT_POPOUT);
    EXPECT_EQ(GetPropText(*form.statMain->Panels()->Items(1), "Alignment"), "taRightJustify");

    // A changed panel reaches its part.
    (*form.statMain->Panels())[2]->SetText("busy");
    (*form.statMain->Panels())[2]->SetAlignment(taRightJustify);
    EXPECT_EQ(PartText(2), "\t\tbusy");
    (*form.statMain->Panels())[0]->SetWidth(90);
    SendMessageA(bar, SB_GETPARTS, 4, reinterpret_cast<LPARAM>(edges));
    EXPECT_EQ(edges[1], 160);
}

TEST_F(StatusBar, OnDrawPanelForEachOwnerDrawnPanelOnTheBarsCanvas)
{
    form.statMain->Font()->SetName("Tahoma");
    form.statMain->SetColor(clInfoBk);
    Paint();
    std::map<int, RECT> byPanel;
    for (const auto& d : form.drawn) {
        EXPECT_TRUE(d.bound);
        EXPECT_EQ(d.font, "Tahoma");
        EXPECT_EQ(d.brush, clInfoBk);
        byPanel[d.index] = d.rect;
    }
    ASSERT_EQ(byPanel.size(), 2u);
    ASSERT_EQ(byPanel.count(0), 1u);
    ASSERT_EQ(byPanel.count(1), 1u);
    for (int i : {0, 1}) {
        SCOPED_TRACE(i);
        RECT part = PartRect(i), r = byPanel[i];
        EXPECT_GE(r.left, part.left);
        EXPECT_LE(r.right, part.right);
        EXPECT_GT(r.right, r.left);
        EXPECT_GT(r.bottom, r.top);
        // What the handler drew is on the bar.
        WindowDc dc(bar);
        EXPECT_EQ(GetPixel(dc.get(), (r.left + r.right) / 2, (r.top + r.bottom) / 2), Rgb(clRed));
    }
    // Outside a drawing the canvas holds no borrowed DC.
    EXPECT_FALSE(form.statMain->Canvas()->HandleAllocated());
}

// A painter of its own (as a skin is) draws the bar itself after the bar's paint, then
// lets the program draw each panel on the canvas bound to its DC.
TEST_F(StatusBar, ForeignPainterBindsTheCanvasToItsOwnDc)
{
    TBitmap target;
    target.SetPixelFormat(pf24bit);
    target.SetSize(400, 23);
    TStatusBar* statusBar = form.statMain;
    std::unique_ptr<TWindowProcHook> hook;
    hook = std::make_unique<TWindowProcHook>(*statusBar, [&](TMessage& m) {
        hook->CallPrevious(m);
        if (m.Msg != WM_PAINT) return;
        statusBar->Canvas()->ClipRect(); // the window's own DC, taken before the binding
        statusBar->Canvas()->SetHandle(target.Canvas()->Handle());
        for (int i = 0; i < statusBar->Panels()->Count(); ++i) {
            RECT r = PartRect(i);
            InflateRect(&r, -2, -2);
            statusBar->OnDrawPanel(statusBar, (*statusBar->Panels())[i], r);
        }
        statusBar->Canvas()->SetHandle(nullptr);
    });
    Paint();
    hook.reset();
    const RECT first = PartRect(0);
    EXPECT_EQ(static_cast<COLORREF>(target.Canvas()->Pixel(first.left + 5, first.top + 5)), Rgb(clRed));
    EXPECT_FALSE(statusBar->Canvas()->HandleAllocated());
    // The bar's own paint draws its two owner-drawn panels, the painter every panel.
    EXPECT_EQ(form.drawn.size(), 2u + 3u);
}

TEST_F(StatusBar, ClickWithTheCanvasClipRectOfTheWholeBar)
{
    SendMessageA(bar, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(300, 10));
    SendMessageA(bar, WM_LBUTTONUP, 0, MAKELPARAM(300, 10));
    ASSERT_EQ(form.clipsAtClick.size(), 1u);
    RECT client;
    GetClientRect(bar, &client);
    EXPECT_EQ(form.clipsAtClick[0].right, client.right);
    EXPECT_EQ(form.clipsAtClick[0].bottom, client.bottom);
    // The window's own DC went back after the message.
    EXPECT_FALSE(form.statMain->Canvas()->HandleAllocated());
}

TEST_F(StatusBar, SimplePanelShowsOneText)
{
    form.statMain->SetSimpleText("Downloading...");
    form.statMain->SetSimplePanel(true);
    EXPECT_TRUE(SendMessageA(bar, SB_ISSIMPLE, 0, 0));
    EXPECT_EQ(PartText(0), "Downloading...");
    Paint();
    EXPECT_TRUE(form.drawn.empty());
    form.statMain->SetSimplePanel(false);
    EXPECT_FALSE(SendMessageA(bar, SB_ISSIMPLE, 0, 0));
    EXPECT_TRUE(IsPublishedProp(*form.statMain, "simpletext"));
    // A bar without panels shows its simple text too.
    form.statMain->Panels()->Clear();
    EXPECT_TRUE(SendMessageA(bar, SB_ISSIMPLE, 0, 0));
    EXPECT_EQ(PartText(0), "Downloading...");
}

TEST_F(StatusBar, SizeGripIsAStyle)
{
    EXPECT_TRUE(GetWindowLongA(bar, GWL_STYLE) & SBARS_SIZEGRIP);
    form.statMain->SetSizeGrip(false);
    EXPECT_FALSE(GetWindowLongA(form.statMain->Handle(), GWL_STYLE) & SBARS_SIZEGRIP);
    EXPECT_EQ(form.statMain->Panels()->Count(), 3);
    int edges[4] = {};
    EXPECT_EQ(SendMessageA(form.statMain->Handle(), SB_GETPARTS, 4, reinterpret_cast<LPARAM>(edges)), 3);
}

TEST(ProgressBar, RangeAndPositionReachTheControl)
{
    TForm form(nullptr);
    TProgressBar bar(&form);
    bar.SetParent(&form);
    bar.SetPosition(150);
    EXPECT_EQ(bar.Position(), 100); // kept within 0..100
    HWND wnd = bar.Handle();
    EXPECT_EQ(SendMessageA(wnd, PBM_GETPOS, 0, 0), 100);
    bar.SetMax(400);
    bar.SetPosition(-5);
    EXPECT_EQ(SendMessageA(wnd, PBM_GETPOS, 0, 0), 0);
    bar.SetMin(10);
    EXPECT_EQ(bar.Position(), 10);
    EXPECT_EQ(SendMessageA(wnd, PBM_GETRANGE, TRUE, 0), 10);
    EXPECT_EQ(SendMessageA(wnd, PBM_GETRANGE, FALSE, 0), 400);
    bar.SetPosition(60);
    EXPECT_EQ(SendMessageA(wnd, PBM_GETPOS, 0, 0), 60);
    EXPECT_THROW(bar.SetMax(5), EPropertyError);
    EXPECT_EQ(bar.Max(), 400);
}
