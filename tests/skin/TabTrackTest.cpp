// Tab and track bar skins on real windows: the platform's tab control in its four
// orientations, a stand-in tab set, and a track bar's custom-draw notifications.
#include "tests/skin/ControlSkinFixture.h"

#include "skin/controls/Ranges.h"
#include "skin/controls/Tabs.h"
#include "skin/controls/TrackBar.h"

#include "classlib/Strings.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace skin;
using namespace skin_test;

namespace {

// Tab frames of 10 x 8: rows 0-3 in TabTop(k), rows 4-7 in TabBottom(k); the page image
// (the "Border" of style 0) is one colour.
TColor TabTop(int k) { return MakeRGB(50, 10 * k, 200); }
TColor TabBottom(int k) { return MakeRGB(150, 10 * k, 100); }
const TColor PaneC = MakeRGB(60, 180, 60);

void AddTabs(TSkinData& d)
{
    d.Tabs = std::make_unique<TDataSkinBorder>("Tabs");
    cl::TBitmap& b = *d.Tabs->Bitmap;
    b.SetPixelFormat(cl::pf24bit);
    b.SetSize(50, 8);
    for (int k = 1; k <= 5; ++k)
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 10; ++x) b.Canvas()->SetPixel((k - 1) * 10 + x, y, y < 4 ? TabTop(k) : TabBottom(k));
    d.Tabs->Frame = 5;
    Strip(*d.Tabs->Bitmap2, {PaneC}, 20, 20);
}

HWND MakeTabs(HWND parent, DWORD style, int w, int h, int items)
{
    HWND tabs = CreateWindowExW(0, WC_TABCONTROLW, L"", WS_CHILD | WS_VISIBLE | TCS_FIXEDWIDTH | style, 5, 5, w, h,
                                parent, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!tabs) return nullptr;
    SendMessageW(tabs, TCM_SETITEMSIZE, 0, MAKELPARAM(40, 20));
    for (int i = 0; i < items; ++i) {
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<wchar_t*>(L"");
        SendMessageW(tabs, TCM_INSERTITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    }
    return tabs;
}

RECT ItemRect(HWND tabs, int i)
{
    RECT r{};
    SendMessageW(tabs, TCM_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r));
    return r;
}

std::vector<UINT> g_seen;
WNDPROC g_old = nullptr;
LRESULT CALLBACK Recorder(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    g_seen.push_back(msg);
    return CallWindowProcW(g_old, wnd, msg, wParam, lParam);
}
int Seen(UINT msg) { return static_cast<int>(std::count(g_seen.begin(), g_seen.end(), msg)); }

} // namespace

TEST_F(RawChild, TabStripFacesAwayFromThePageInEveryOrientation)
{
    AddTabs(*data);
    struct Case {
        const char* name;
        DWORD style;
        TTabOrientation orientation;
    } cases[] = {
        {"top", 0, toTop},
        {"bottom", TCS_BOTTOM, toBottom},
        {"left", TCS_VERTICAL | TCS_MULTILINE, toLeft},
        {"right", TCS_VERTICAL | TCS_MULTILINE | TCS_RIGHT, toRight},
    };
    constexpr int W = 200, H = 150;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HWND tabs = MakeTabs(parent, c.style, W, H, 3);
        ASSERT_NE(tabs, nullptr);
        SendMessageW(tabs, TCM_SETCURSEL, 1, 0);
        SendMessageW(tabs, TCM_SETCURFOCUS, 1, 0);
        auto* skin = Skin<TSkinTab>(tabs);
        EXPECT_EQ(skin->Orientation, c.orientation);
        Shot shot(*skin, W, H);
        for (int i : {0, 1}) {
            SCOPED_TRACE(i);
            const int frame = i == 1 ? 2 : 1; // the focused item takes the second frame
            const RECT I = ItemRect(tabs, i);
            const int w = I.right - I.left, h = I.bottom - I.top;
            // The tab image's top (TabTop) lies on the side away from the page.
            switch (c.orientation) {
            case toTop: // drawn one pixel down
                EXPECT_EQ(shot.At(I.left + w / 2, I.top + 1 + h / 4), TabTop(frame));
                EXPECT_EQ(shot.At(I.left + w / 2, I.top + 1 + 3 * h / 4), TabBottom(frame));
                break;
            case toBottom: // upside down, one pixel up
                EXPECT_EQ(shot.At(I.left + w / 2, I.top - 1 + h / 4), TabBottom(frame));
                EXPECT_EQ(shot.At(I.left + w / 2, I.top - 1 + 3 * h / 4), TabTop(frame));
                break;
            case toLeft:
                EXPECT_EQ(shot.At(I.left + w / 4, I.top + h / 2), TabTop(frame));
                EXPECT_EQ(shot.At(I.left + 3 * w / 4, I.top + h / 2), TabBottom(frame));
                break;
            case toRight:
                EXPECT_EQ(shot.At(I.right - 1 - w / 4, I.top + h / 2), TabTop(frame));
                EXPECT_EQ(shot.At(I.right - 1 - 3 * w / 4, I.top + h / 2), TabBottom(frame));
                break;
            }
        }
        // The page carries the pane image.
        RECT page{0, 0, W, H};
        SendMessageW(tabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&page));
        EXPECT_EQ(shot.At((page.left + page.right) / 2, (page.top + page.bottom) / 2), PaneC);
        DestroyWindow(tabs);
    }
}

TEST_F(RawChild, TabControlWithoutTabImageDrawsOnlyThePageAndAnswersItsPaintItself)
{
    AddTabs(*data);
    data->Tabs->Bitmap->SetSize(0, 0);
    HWND tabs = MakeTabs(parent, 0, 200, 150, 2);
    ASSERT_NE(tabs, nullptr);
    g_old = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(tabs, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Recorder)));
    auto* skin = Skin<TSkinTab>(tabs);
    g_seen.clear();
    Shot shot(*skin, 200, 150);
    const RECT I = ItemRect(tabs, 0);
    EXPECT_EQ(shot.At((I.left + I.right) / 2, (I.top + I.bottom) / 2), Untouched);
    EXPECT_EQ(shot.At(100, 100), PaneC);
    SendMessageW(tabs, WM_PAINT, reinterpret_cast<WPARAM>(shot.bitmap.Canvas()->Handle()), 0);
    EXPECT_EQ(Seen(WM_PAINT), 0);
}

TEST_F(RawChild, TabScrollArrowsKeepTheirOwnSkinUnderTheStrip)
{
    AddTabs(*data);
    // Six 40-pixel tabs on one line of 120 pixels need the scroll arrows.
    HWND tabs = MakeTabs(parent, 0, 120, 100, 6);
    ASSERT_NE(tabs, nullptr);
    HWND arrows = FindWindowExW(tabs, nullptr, UPDOWN_CLASSW, nullptr);
    ASSERT_NE(arrows, nullptr);
    auto* skin = Skin<TSkinTab>(tabs);
    ASSERT_NE(skin->UpDown, nullptr);
    EXPECT_EQ(skin->UpDown->Handle, arrows);
    EXPECT_EQ(SendMessageW(arrows, WM_SKIN_QUERY, 0, 0), 1);
    RECT a{}, own{};
    GetWindowRect(arrows, &a);
    GetWindowRect(tabs, &own);
    OffsetRect(&a, -own.left, -own.top);
    Shot shot(*skin, 120, 100);
    EXPECT_EQ(shot.At((a.left + a.right) / 2, (a.top + a.bottom) / 2), Untouched);
    EXPECT_NE(shot.At(a.left - 3, (a.top + a.bottom) / 2), Untouched); // the strip beside them
}

// ---------------------------------------------------------------------------------------
// A stand-in tab set and track bar on a form.

namespace {

class TTabSet : public cl::TCustomControl {
    CL_CLASS(TTabSet)
public:
    using cl::TCustomControl::TCustomControl;
    cl::TStringList* Tabs() const { return tabs_.get(); }
    int TabIndex = -1, StartMargin = 5, EndMargin = 5, FirstIndex = 0;

private:
    std::unique_ptr<cl::TStringList> tabs_ = std::make_unique<cl::TStringList>();
};

class TTestTrack : public cl::TWinControl {
    CL_CLASS(TTestTrack)
public:
    using cl::TWinControl::TWinControl;

protected:
    void CreateParams(cl::TCreateParams& params) override
    {
        cl::TWinControl::CreateParams(params);
        INITCOMMONCONTROLSEX icc{sizeof(INITCOMMONCONTROLSEX), ICC_BAR_CLASSES};
        InitCommonControlsEx(&icc);
        CreateSubClass(params, TRACKBAR_CLASSA);
    }
};

class TRangeForm : public cl::TForm {
    CL_CLASS(TRangeForm)
public:
    using cl::TForm::TForm;
    TTabSet* Set = nullptr;
    TTestTrack* Track = nullptr;
};

const char* const kRangeForm = u8R"(
TRangeForm RangeForm {
  ClientWidth = 300
  ClientHeight = 200
  TTabSet Set {
    Left = 10 Top = 10 Width = 60 Height = 20
  }
  TTestTrack Track {
    Left = 10 Top = 50 Width = 200 Height = 40
  }
}
)";

TColor SetTab(int k) { return MakeRGB(20 * k, 200, 20); }
const TColor ChannelL = MakeRGB(255, 0, 0), ChannelM = MakeRGB(0, 255, 0), ChannelR = MakeRGB(0, 0, 255);
TColor Thumb(int k) { return MakeRGB(10 * k, 10 * k, 250); }

struct RangeControls : ::testing::Test {
    std::unique_ptr<TSkinData> data = ControlSkin();
    TRangeForm form{nullptr};
    void SetUp() override
    {
        TRangeForm::StaticClass();
        cl::ReadComponentText(kRangeForm, form);
        form.Show();
    }
};

LRESULT SendCustomDraw(HWND wnd, UINT msg, DWORD stage, DWORD_PTR item, HDC dc)
{
    NMCUSTOMDRAW draw{};
    draw.hdr.hwndFrom = wnd;
    draw.hdr.code = static_cast<UINT>(NM_CUSTOMDRAW);
    draw.dwDrawStage = stage;
    draw.dwItemSpec = item;
    draw.hdc = dc;
    return SendMessageW(wnd, msg, 0, reinterpret_cast<LPARAM>(&draw));
}

} // namespace

const cl::TClass& TTabSet::StaticClass()
{
    return cl::DefineClass<TTabSet, cl::TCustomControl>("TTabSet", [](cl::TPublisher<TTabSet>& p) {
        p.Owned("Tabs", &TTabSet::Tabs);
        p.Int("TabIndex", &TTabSet::TabIndex, &TTabSet::TabIndex);
        p.Int("StartMargin", &TTabSet::StartMargin, &TTabSet::StartMargin);
        p.Int("EndMargin", &TTabSet::EndMargin, &TTabSet::EndMargin);
        p.Int("FirstIndex", &TTabSet::FirstIndex, &TTabSet::FirstIndex);
    });
}

const cl::TClass& TTestTrack::StaticClass() { return cl::DefineClass<TTestTrack, cl::TWinControl>("TTestTrack"); }

const cl::TClass& TRangeForm::StaticClass()
{
    return cl::DefineClass<TRangeForm, cl::TForm>("TRangeForm", [](cl::TPublisher<TRangeForm>& p) {
        p.Field("Set", &TRangeForm::Set);
        p.Field("Track", &TRangeForm::Track);
    });
}

TEST_F(RangeControls, TabSetSkipsATabThatDoesNotFitAndStillDrawsTheNextAndItsOwnPaintRuns)
{
    data->Tabs = std::make_unique<TDataSkinBorder>("Tabs");
    Strip(*data->Tabs->Bitmap, {SetTab(1), SetTab(2), SetTab(3), SetTab(4), SetTab(5)}, 10, 8);
    data->Tabs->Frame = 5;
    TTabSet& set = *form.Set;
    for (const char* t : {"", "", "WWWWWWWWWWWWWWWW", ""}) set.Tabs()->Add(t);
    set.TabIndex = 1;
    int paints = 0;
    cl::TWindowProcHook under(set, [&](cl::TMessage& m) {
        if (m.Msg == WM_PAINT) ++paints;
        under.CallPrevious(m);
    });

    TSkinnedForm skinned(nullptr);
    skinned.FormControl = &form;
    skinned.SkinData = data.get();
    skinned.SkinFormControls();
    TSkinTab31* skin = nullptr;
    for (TSkinControl* c : skinned.ControlSkins())
        if (c->Owner() == &set) skin = dynamic_cast<TSkinTab31*>(c);
    ASSERT_NE(skin, nullptr);

    cl::TBitmap shot;
    shot.SetPixelFormat(cl::pf24bit);
    shot.SetSize(60, 20);
    paints = 0;
    SendMessageW(set.Handle(), WM_PAINT, reinterpret_cast<WPARAM>(shot.Canvas()->Handle()), 0);
    EXPECT_EQ(paints, 1);
    // Empty captions make 9-pixel tabs from the start margin 5: 5-13, 14-22, then the
    // fourth at 23-31 after the third was skipped; the rest is face.
    cl::TCanvas& c = *shot.Canvas();
    EXPECT_EQ(c.Pixel(5, 10), SetTab(1));
    EXPECT_EQ(c.Pixel(13, 10), SetTab(1));
    EXPECT_EQ(c.Pixel(14, 10), SetTab(2));
    EXPECT_EQ(c.Pixel(23, 10), SetTab(1));
    EXPECT_EQ(c.Pixel(31, 10), SetTab(1));
    EXPECT_EQ(c.Pixel(32, 10), Face);
    EXPECT_EQ(c.Pixel(2, 10), Face);
}

TEST_F(RangeControls, TrackBarAnswersEachCustomDrawStage)
{
    data->Track = std::make_unique<TDataSkinObject>("Track");
    cl::TBitmap& track = *data->Track->Bitmap;
    Strip(track, {ChannelL, ChannelM, ChannelM, ChannelR}, 3, 4);
    data->Track->LeftWidth = 3;
    data->Track->RightWidth = 3;
    data->TrackThumbHorz = std::make_unique<TDataSkinObject>("Trackbar.ThumbHorz");
    Strip(*data->TrackThumbHorz->Bitmap, {Thumb(1), Thumb(2), Thumb(3), Thumb(4), Thumb(5)}, 6, 12);

    HWND wnd = form.Track->Handle();
    auto* skin = new TSkinTrackBar(form.Track);
    skin->InitControl(nullptr, data.get(), false, nullptr);
    cl::TBitmap shot;
    shot.SetPixelFormat(cl::pf24bit);
    shot.SetSize(200, 40);
    const HDC dc = shot.Canvas()->Handle();

    struct Case {
        const char* name;
        DWORD stage;
        DWORD_PTR item;
        LRESULT want;
    } cases[] = {
        {"prepaint", CDDS_PREPAINT, 0, CDRF_NOTIFYITEMDRAW},
        {"ticks", CDDS_ITEMPREPAINT, TBCD_TICS, CDRF_DODEFAULT},
        {"thumb", CDDS_ITEMPREPAINT, TBCD_THUMB, CDRF_SKIPDEFAULT},
        {"channel", CDDS_ITEMPREPAINT, TBCD_CHANNEL, CDRF_SKIPDEFAULT},
        {"postpaint", CDDS_POSTPAINT, 0, CDRF_DODEFAULT},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(SendCustomDraw(wnd, cl::CN_NOTIFY, c.stage, c.item, dc), c.want);
        EXPECT_EQ(SendCustomDraw(wnd, WM_NOTIFY, c.stage, c.item, dc), c.want);
    }

    RECT channel{};
    SendMessageW(wnd, TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(&channel));
    const int ch = channel.bottom - channel.top;
    const int y = 4 < ch ? channel.top + (ch - 4) / 2 : channel.top;
    EXPECT_EQ(shot.Canvas()->Pixel(channel.left, y), ChannelL);
    EXPECT_EQ(shot.Canvas()->Pixel(channel.left + 3, y), ChannelM);
    EXPECT_EQ(shot.Canvas()->Pixel(channel.right - 4, y), ChannelM);
    EXPECT_EQ(shot.Canvas()->Pixel(channel.right - 1, y + 3), ChannelR);

    // The thumb was drawn before the channel: read it from a fresh shot.
    Strip(shot, {Untouched}, 200, 40);
    SendCustomDraw(wnd, cl::CN_NOTIFY, CDDS_ITEMPREPAINT, TBCD_THUMB, shot.Canvas()->Handle());
    RECT thumb{};
    SendMessageW(wnd, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
    EXPECT_EQ(shot.Canvas()->Pixel((thumb.left + thumb.right) / 2, (thumb.top + thumb.bottom) / 2), Thumb(2));

    // Without a thumb image, a shadow outline.
    data->TrackThumbHorz.reset();
    Strip(shot, {Untouched}, 200, 40);
    SendCustomDraw(wnd, cl::CN_NOTIFY, CDDS_ITEMPREPAINT, TBCD_THUMB, shot.Canvas()->Handle());
    EXPECT_EQ(shot.Canvas()->Pixel(thumb.left, thumb.top), Shadow);
}

TEST_F(RangeControls, TrackBarPassesOnTheSkinsOwnMessageAndOtherNotifications)
{
    std::vector<UINT> seen;
    cl::TWindowProcHook under(*form.Track, [&](cl::TMessage& m) {
        seen.push_back(m.Msg);
        under.CallPrevious(m);
    });
    data->Skin3rd()->Add("TTestTrack=trackbar");
    TSkinnedForm skinned(nullptr);
    skinned.FormControl = &form;
    skinned.SkinData = data.get();
    skinned.SkinFormControls();
    ASSERT_EQ(form.Track->Perform(WM_SKIN_QUERY), 1);
    bool found = false;
    for (TSkinControl* c : skinned.ControlSkins()) found |= dynamic_cast<TSkinTrackBar*>(c) != nullptr;
    EXPECT_TRUE(found);

    HWND wnd = form.Track->Handle();
    // Same number as the reflected notification, but lParam holds no header.
    ASSERT_EQ(cl::CN_NOTIFY, WM_SKIN_DONE);
    seen.clear();
    SendMessageW(wnd, WM_SKIN_DONE, 0, SKIN_MAGIC);
    EXPECT_EQ(std::count(seen.begin(), seen.end(), WM_SKIN_DONE), 1);

    NMHDR click{wnd, 0, static_cast<UINT>(NM_CLICK)};
    seen.clear();
    SendMessageW(wnd, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&click));
    EXPECT_EQ(std::count(seen.begin(), seen.end(), static_cast<UINT>(WM_NOTIFY)), 1);
    seen.clear();
    SendCustomDraw(wnd, WM_NOTIFY, CDDS_PREPAINT, 0, nullptr);
    EXPECT_EQ(std::count(seen.begin(), seen.end(), static_cast<UINT>(WM_NOTIFY)), 0);
}
