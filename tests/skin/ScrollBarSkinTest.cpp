// Scroll-bar skins on real windows: overlays placed where the platform reports each bar,
// the skin's frames painted for each state, clicks and drags forwarded to the bar
// underneath (which sees each press once), a scroll-bar control's overlay, and discovery
// and re-creation on a form.
#include "skin/controls/Headers.h"
#include "skin/controls/ScrollBars.h"
#include "skin/engine/SkinData.h"
#include "skin/engine/SkinMessages.h"
#include "skin/engine/SkinnedForm.h"

#include "classlib/FormReader.h"
#include "classlib/Forms.h"
#include "classlib/Publish.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace skin;

namespace {

const TColor Face = MakeRGB(240, 240, 240), Shadow = MakeRGB(90, 90, 90), Untouched = MakeRGB(1, 2, 3);
TColor StripC(int frame) { return MakeRGB(10 * frame, 100, 200); }
TColor TrackC(int frame) { return MakeRGB(200, 40 * frame, 0); }
TColor ThumbC(int frame) { return MakeRGB(0, 200, 60 * frame); }

void Strip(cl::TBitmap& b, const std::vector<TColor>& frames, int w, int h)
{
    b.SetPixelFormat(cl::pf24bit);
    b.SetSize(w * static_cast<int>(frames.size()), h);
    for (size_t i = 0; i < frames.size(); ++i)
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) b.Canvas()->SetPixel(static_cast<int>(i) * w + x, y, frames[i]);
}

std::vector<TColor> Frames(TColor (*colour)(int), int count)
{
    std::vector<TColor> v;
    for (int i = 1; i <= count; ++i) v.push_back(colour(i));
    return v;
}

int Arrow() { return GetSystemMetrics(SM_CXHSCROLL); }

std::unique_ptr<TSkinData> ScrollSkin()
{
    auto d = std::make_unique<TSkinData>(nullptr);
    auto image = [](const char* name, TColor (*colour)(int), int count, int w, int h) {
        auto o = std::make_unique<TDataSkinObject>(name);
        Strip(*o->Bitmap, Frames(colour, count), w, h);
        o->Frame = count;
        return o;
    };
    d->ScrollbarArrows = image("Scrollbar", StripC, 23, Arrow(), Arrow());
    d->HorzScroll = image("HorzScroll", TrackC, 4, 8, 8);
    d->VertScroll = image("VertScroll", TrackC, 4, 8, 8);
    d->HorzScrollThumb = image("HorzScrollThumb", ThumbC, 3, 8, 8);
    d->VertScrollThumb = image("VertScrollThumb", ThumbC, 3, 8, 8);
    d->Colors[scButtonFace] = Face;
    d->Colors[scButtonShadow] = Shadow;
    d->FormColor = MakeRGB(45, 55, 73); // the top border's sample: never a control's face
    d->SkinControls |= Bit(xcScrollbar);
    d->Empty = false;
    return d;
}

// What an overlay paints, read back from a 24-bit DIB of its client size.
struct Shot {
    cl::TBitmap bitmap;
    explicit Shot(TWScrollbar& bar)
    {
        RECT r{};
        GetClientRect(bar.Handle(), &r);
        bitmap.SetPixelFormat(cl::pf24bit);
        bitmap.SetSize(r.right, r.bottom);
        HBRUSH brush = CreateSolidBrush(static_cast<COLORREF>(Untouched));
        FillRect(bitmap.Canvas()->Handle(), &r, brush);
        DeleteObject(brush);
        bar.PaintTo(bitmap.Canvas()->Handle());
    }
    TColor At(int x, int y) { return bitmap.Canvas()->Pixel(x, y); }
};

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

void ExpectSameRect(const RECT& got, const RECT& want)
{
    EXPECT_EQ(got.left, want.left);
    EXPECT_EQ(got.top, want.top);
    EXPECT_EQ(got.right, want.right);
    EXPECT_EQ(got.bottom, want.bottom);
}

void Pump()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        if (msg.message != WM_QUIT) DispatchMessageW(&msg);
}

std::wstring Lines(int count)
{
    std::wstring text;
    for (int i = 0; i < count; ++i) text += L"line " + std::to_wstring(i) + L"\r\n";
    return text;
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

// ---------------------------------------------------------------------------------------
// Raw windows: an edit box with a vertical bar, and a list box as a drop-down list.

struct RawBars : ::testing::Test {
    std::unique_ptr<TSkinData> data = ScrollSkin();
    HWND parent = nullptr;
    std::vector<TSkinControl*> skins;
    void SetUp() override
    {
        parent = CreateWindowExW(0, L"STATIC", L"parent", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 50, 50, 320, 240,
                                 nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(parent, nullptr);
        g_seen.clear();
    }
    void TearDown() override
    {
        for (TSkinControl* s : skins) cl::Free(s);
        DestroyWindow(parent);
        Pump();
    }
    // A child with the recorder underneath.
    HWND Child(const wchar_t* cls, DWORD style, int x, int y, int w, int h)
    {
        HWND wnd = CreateWindowExW(0, cls, L"", WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent, nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
        EXPECT_NE(wnd, nullptr);
        g_oldProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Recorder)));
        return wnd;
    }
    HWND Edit(int lines, int height)
    {
        HWND edit = Child(L"EDIT", WS_BORDER | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL, 10, 10, 150, height);
        SetWindowTextW(edit, Lines(lines).c_str());
        SendMessageW(edit, EM_SETSEL, 0, 0);
        SendMessageW(edit, EM_SCROLLCARET, 0, 0);
        return edit;
    }
    template <class T> T* Skin(HWND wnd)
    {
        auto* s = new T(nullptr);
        s->InitHwnd(wnd, data.get(), nullptr, nullptr);
        skins.push_back(s);
        g_seen.clear();
        return s;
    }
};

} // namespace

TEST_F(RawBars, OverlaysLieOverTheBarsThePlatformReports)
{
    HWND edit = Edit(40, 120);
    auto* skin = Skin<TSkinScrollbarH>(edit);
    ASSERT_NE(skin->VBar, nullptr);
    ASSERT_TRUE(skin->VBar->BarVisible);
    const SCROLLBARINFO v = BarInfo(edit, OBJID_VSCROLL);
    ExpectSameRect(WindowRect(skin->VBar->Handle()), v.rcScrollBar);
    EXPECT_TRUE(IsWindowVisible(skin->VBar->Handle()));
    EXPECT_EQ(GetParent(skin->VBar->Handle()), parent);
    EXPECT_EQ(GetWindowLongW(skin->VBar->Handle(), GWL_EXSTYLE) & WS_EX_TOOLWINDOW, WS_EX_TOOLWINDOW);
    // Directly above the edit box.
    EXPECT_EQ(GetWindow(skin->VBar->Handle(), GW_HWNDNEXT), edit);
    // The edit box has no horizontal bar: that overlay stays hidden.
    EXPECT_FALSE(skin->HBar->BarVisible);
    EXPECT_FALSE(IsWindowVisible(skin->HBar->Handle()));

    // Moved and resized, the overlay follows.
    SetWindowPos(edit, nullptr, 30, 40, 180, 150, SWP_NOZORDER | SWP_NOACTIVATE);
    ExpectSameRect(WindowRect(skin->VBar->Handle()), BarInfo(edit, OBJID_VSCROLL).rcScrollBar);
}

TEST_F(RawBars, OverlayPaintsArrowsTrackThumbAndGripForEachState)
{
    HWND edit = Edit(14, 150);
    SendMessageW(edit, EM_LINESCROLL, 0, 2);
    auto* skin = Skin<TSkinScrollbarH>(edit);
    TWScrollbar& bar = *skin->VBar;
    const SCROLLBARINFO info = BarInfo(edit, OBJID_VSCROLL);
    const int a = Arrow(), h = info.rcScrollBar.bottom - info.rcScrollBar.top;
    const int top = info.xyThumbTop, bottom = info.xyThumbBottom;
    // The fixture needs a thumb longer than the grip, with track on both sides.
    ASSERT_GT(bottom - top, a + 4);
    ASSERT_GT(top, a + 1);
    ASSERT_LT(bottom + 1, h - a);
    const int x = a / 2, grip = top + (bottom - top) / 2;

    struct Case {
        const char* name;
        int hot;
        bool pressed;
        TColor down, body, gripColour;
    } cases[] = {
        {"nothing hot", spNone, false, StripC(13), ThumbC(1), StripC(20)},
        {"down arrow hot", spLineDown, false, StripC(16), ThumbC(1), StripC(20)},
        {"down arrow pressed", spLineDown, true, StripC(14), ThumbC(1), StripC(20)},
        {"thumb hot", spThumb, false, StripC(13), ThumbC(3), StripC(22)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        bar.HotPart = c.hot;
        bar.PressedFlag = c.pressed;
        Shot s(bar);
        EXPECT_EQ(s.At(x, a / 2), StripC(9));
        EXPECT_EQ(s.At(x, h - 1 - a / 2), c.down);
        EXPECT_EQ(s.At(x, a + 1), TrackC(1));
        EXPECT_EQ(s.At(x, bottom + 1), TrackC(1));
        EXPECT_EQ(s.At(x, top + 1), c.body);
        EXPECT_EQ(s.At(x, grip), c.gripColour);
    }
    bar.PressedFlag = false;

    // The mouse over the down arrow makes it hot.
    SendMessageW(bar.Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(x, h - 2));
    EXPECT_EQ(bar.HotPart, spLineDown);
    SendMessageW(bar.Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(x, grip));
    EXPECT_EQ(bar.HotPart, spThumb);
    SendMessageW(bar.Handle(), WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(bar.HotPart, spNone);

}

TEST_F(RawBars, DisabledBarHasItsTrackDisabledAndNoThumb)
{
    const int a = Arrow(), h = 100;
    const TThumbSpan thumb{40, 70};
    struct Case {
        const char* name;
        bool enabled;
        TColor track, atThumb;
    } cases[] = {{"enabled", true, TrackC(1), ThumbC(1)}, {"disabled", false, TrackC(3), TrackC(3)}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        cl::TBitmap b;
        b.SetPixelFormat(cl::pf24bit);
        b.SetSize(a, h);
        DrawScrollBar(b.Canvas()->Handle(), *data, RECT{0, 0, a, h}, true, c.enabled, a, a, thumb, spNone, false, h);
        EXPECT_EQ(b.Canvas()->Pixel(a / 2, a + 2), c.track);
        EXPECT_EQ(b.Canvas()->Pixel(a / 2, 42), c.atThumb);
        EXPECT_EQ(b.Canvas()->Pixel(a / 2, 1), StripC(9));
    }
}

TEST_F(RawBars, BarShorterThanTwoArrowsGetsTwoHalfArrows)
{
    const int a = Arrow();
    HWND edit = Edit(10, a + 8);
    auto* skin = Skin<TSkinScrollbarH>(edit);
    ASSERT_TRUE(skin->VBar->BarVisible);
    const SCROLLBARINFO info = BarInfo(edit, OBJID_VSCROLL);
    const int h = info.rcScrollBar.bottom - info.rcScrollBar.top;
    ASSERT_LT(h, 2 * a);
    Shot s(*skin->VBar);
    EXPECT_EQ(s.At(a / 2, 0), StripC(9));
    EXPECT_EQ(s.At(a / 2, h / 2 - 1), StripC(9));
    EXPECT_EQ(s.At(a / 2, h - h / 2), StripC(13));
    EXPECT_EQ(s.At(a / 2, h - 1), StripC(13));
}

TEST_F(RawBars, ClickOnTheDownArrowScrollsOneLineAndTheEditSeesThePressOnce)
{
    HWND edit = Edit(40, 120);
    auto* skin = Skin<TSkinScrollbarH>(edit);
    TWScrollbar& bar = *skin->VBar;
    const int a = Arrow();
    const int h = BarInfo(edit, OBJID_VSCROLL).rcScrollBar.bottom - BarInfo(edit, OBJID_VSCROLL).rcScrollBar.top;
    ASSERT_EQ(SendMessageW(edit, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
    // The release is waiting, so the platform's tracking loop ends at once.
    PostMessageW(edit, WM_LBUTTONUP, 0, 0);
    SendMessageW(bar.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(a / 2, h - a / 2));
    EXPECT_EQ(SendMessageW(edit, EM_GETFIRSTVISIBLELINE, 0, 0), 1);
    EXPECT_EQ(Count(WM_NCLBUTTONDOWN), 1);
    ASSERT_FALSE(g_seen.empty());
    const std::vector<WPARAM> codes = ScrollCodes();
    ASSERT_FALSE(codes.empty());
    EXPECT_EQ(LOWORD(codes.front()), SB_LINEDOWN);
    EXPECT_FALSE(bar.PressedFlag);
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(RawBars, DraggingTheThumbToTheEndScrollsToTheLastPage)
{
    HWND edit = Edit(40, 120);
    auto* skin = Skin<TSkinScrollbarH>(edit);
    TWScrollbar& bar = *skin->VBar;
    const SCROLLBARINFO info = BarInfo(edit, OBJID_VSCROLL);
    const int a = Arrow();
    const int middle = (info.xyThumbTop + info.xyThumbBottom) / 2;
    // The drag ends just below the edit box, over the bar's column (client coordinates);
    // much further away the platform puts the thumb back.
    RECT client{};
    GetClientRect(edit, &client);
    const LPARAM below = MAKELPARAM(client.right + a / 2, client.bottom + 10);
    PostMessageW(edit, WM_MOUSEMOVE, MK_LBUTTON, below);
    PostMessageW(edit, WM_LBUTTONUP, 0, below);
    SendMessageW(bar.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(a / 2, middle));
    const SCROLLINFO si = ScrollState(edit, SB_VERT);
    // A page click would have moved one page; the thumb drag reaches the end.
    EXPECT_EQ(si.nPos, si.nMax - static_cast<int>(si.nPage) + 1);
    EXPECT_GT(si.nPos, static_cast<int>(si.nPage));
    EXPECT_EQ(Count(WM_NCLBUTTONDOWN), 1);
}

TEST_F(RawBars, ReleaseOnTheOverlayIsPostedToTheBarInScreenCoordinates)
{
    HWND edit = Edit(40, 120);
    auto* skin = Skin<TSkinScrollbarH>(edit);
    TWScrollbar& bar = *skin->VBar;
    const RECT r = BarInfo(edit, OBJID_VSCROLL).rcScrollBar;
    SendMessageW(bar.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(3, 4));
    MSG msg{};
    ASSERT_TRUE(PeekMessageW(&msg, edit, WM_NCLBUTTONUP, WM_NCLBUTTONUP, PM_REMOVE));
    EXPECT_EQ(msg.wParam, static_cast<WPARAM>(HTVSCROLL));
    EXPECT_EQ(static_cast<short>(LOWORD(msg.lParam)), r.left + 3);
    EXPECT_EQ(static_cast<short>(HIWORD(msg.lParam)), r.top + 4);
}

TEST_F(RawBars, FreeingTheSkinRemovesItsOverlays)
{
    HWND edit = Edit(40, 120);
    auto* skin = Skin<TSkinScrollbarH>(edit);
    const HWND overlay = skin->VBar->Handle();
    skin->Unsubclass();
    EXPECT_EQ(skin->VBar, nullptr);
    EXPECT_FALSE(IsWindow(overlay));
}

// ---------------------------------------------------------------------------------------
// Class-library controls: a memo-like edit, a list view and a scroll-bar control.

namespace {

class TScrollMemo : public cl::TWinControl {
    CL_CLASS(TScrollMemo)
public:
    using cl::TWinControl::TWinControl;

protected:
    void CreateParams(cl::TCreateParams& params) override
    {
        cl::TWinControl::CreateParams(params);
        CreateSubClass(params, "EDIT");
        params.Style |= WS_BORDER | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL;
    }
};

class TListStandIn : public cl::TWinControl {
    CL_CLASS(TListStandIn)
public:
    using cl::TWinControl::TWinControl;

protected:
    void CreateParams(cl::TCreateParams& params) override
    {
        cl::TWinControl::CreateParams(params);
        INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&icc);
        CreateSubClass(params, WC_LISTVIEWA);
        params.Style |= WS_BORDER | LVS_REPORT;
    }
};

enum TScrollBarKind { sbHorizontal, sbVertical };
const cl::TEnumType ScrollBarKindType{{"sbHorizontal", "sbVertical"}};

// The published names a scroll-bar control of the class library carries.
class TScrollBarStandIn : public cl::TWinControl {
    CL_CLASS(TScrollBarStandIn)
public:
    using cl::TWinControl::TWinControl;
    TScrollBarKind Kind() const { return kind_; }
    void SetKind(TScrollBarKind k) { kind_ = k; }
    int Min() const { return Info().nMin; }
    int Max() const { return Info().nMax; }
    int Position() const { return Info().nPos; }
    int PageSize() const { return static_cast<int>(Info().nPage); }

protected:
    void CreateParams(cl::TCreateParams& params) override
    {
        cl::TWinControl::CreateParams(params);
        CreateSubClass(params, "SCROLLBAR");
        params.Style |= kind_ == sbHorizontal ? SBS_HORZ : SBS_VERT;
    }

private:
    SCROLLINFO Info() const
    {
        return ScrollState(const_cast<TScrollBarStandIn*>(this)->Handle(), SB_CTL);
    }
    TScrollBarKind kind_ = sbVertical;
};

class TScrollForm : public cl::TForm {
    CL_CLASS(TScrollForm)
public:
    using cl::TForm::TForm;
    TScrollMemo* Memo = nullptr;
    TScrollBarStandIn* Bar = nullptr;
    TListStandIn* List = nullptr;
};

const char* const kScrollForm = u8R"(
TScrollForm ScrollForm {
  ClientWidth = 320
  ClientHeight = 220
  TScrollMemo Memo {
    Left = 10 Top = 10 Width = 150 Height = 120
  }
  TScrollBarStandIn Bar {
    Left = 10 Top = 150 Width = 200 Height = 17
    Kind = sbHorizontal
  }
  TListStandIn List {
    Left = 170 Top = 10 Width = 140 Height = 120
  }
}
)";

struct FormBars : ::testing::Test {
    std::unique_ptr<TSkinData> data = ScrollSkin();
    TScrollForm form{nullptr};
    void SetUp() override
    {
        TScrollForm::StaticClass();
        cl::ReadComponentText(kScrollForm, form);
        form.Show();
        SetWindowTextW(form.Memo->Handle(), Lines(40).c_str());
    }
    void TearDown() override { Pump(); }
};

} // namespace

const cl::TClass& TScrollMemo::StaticClass() { return cl::DefineClass<TScrollMemo, cl::TWinControl>("TScrollMemo"); }

const cl::TClass& TListStandIn::StaticClass() { return cl::DefineClass<TListStandIn, cl::TWinControl>("TListStandIn"); }

const cl::TClass& TScrollBarStandIn::StaticClass()
{
    return cl::DefineClass<TScrollBarStandIn, cl::TWinControl>("TScrollBarStandIn",
                                                               [](cl::TPublisher<TScrollBarStandIn>& p) {
        p.Enum("Kind", ScrollBarKindType, &TScrollBarStandIn::Kind, &TScrollBarStandIn::SetKind);
        p.Int("Min", &TScrollBarStandIn::Min);
        p.Int("Max", &TScrollBarStandIn::Max);
        p.Int("Position", &TScrollBarStandIn::Position);
        p.Int("PageSize", &TScrollBarStandIn::PageSize);
    });
}

const cl::TClass& TScrollForm::StaticClass()
{
    return cl::DefineClass<TScrollForm, cl::TForm>("TScrollForm", [](cl::TPublisher<TScrollForm>& p) {
        p.Field("Memo", &TScrollForm::Memo);
        p.Field("Bar", &TScrollForm::Bar);
        p.Field("List", &TScrollForm::List);
    });
}

TEST_F(FormBars, ScrollingControlGetsOverlaysThatFollowVisibilityAndTheBorderFrame)
{
    auto* skin = new TSkinScrollbar(form.Memo);
    skin->InitScrollbar(form.Memo, data.get(), nullptr, nullptr);
    HWND memo = form.Memo->Handle();
    EXPECT_TRUE(skin->Border);
    ASSERT_TRUE(skin->VBar->BarVisible);
    ExpectSameRect(WindowRect(skin->VBar->Handle()), BarInfo(memo, OBJID_VSCROLL).rcScrollBar);
    EXPECT_EQ(GetParent(skin->VBar->Handle()), form.Handle());
    EXPECT_FALSE(skin->HBar->BarVisible);

    // The scroll notification's code shows as the hot part.
    SendMessageW(memo, WM_VSCROLL, SB_PAGEDOWN, 0);
    EXPECT_EQ(skin->VBar->HotPart, SB_PAGEDOWN);

    // Hidden with the control, placed again when it shows.
    form.Memo->Hide();
    EXPECT_FALSE(skin->VBar->BarVisible);
    EXPECT_FALSE(IsWindowVisible(skin->VBar->Handle()));
    form.Memo->Show();
    EXPECT_TRUE(skin->VBar->BarVisible);
    EXPECT_TRUE(IsWindowVisible(skin->VBar->Handle()));
    ExpectSameRect(WindowRect(skin->VBar->Handle()), BarInfo(memo, OBJID_VSCROLL).rcScrollBar);

    // The border frame on request: shadow outside, face inside.
    const RECT w = WindowRect(memo);
    cl::TBitmap shot;
    shot.SetPixelFormat(cl::pf24bit);
    shot.SetSize(w.right - w.left, w.bottom - w.top);
    EXPECT_EQ(SendMessageW(memo, WM_SKIN_PAINT_FRAME_DC, reinterpret_cast<WPARAM>(shot.Canvas()->Handle()), SKIN_MAGIC),
              SKIN_MAGIC);
    EXPECT_EQ(shot.Canvas()->Pixel(0, 5), Shadow);
    EXPECT_EQ(shot.Canvas()->Pixel(1, 5), Face);
    cl::Free(skin);
}

TEST_F(FormBars, ScrollBarControlOverlayCoversItAndPaintsItsArrows)
{
    cl::Free(form.Memo); // only the scroll-bar control here
    form.Memo = nullptr;
    HWND bar = form.Bar->Handle();
    SCROLLINFO si{};
    si.cbSize = sizeof(si);
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    si.nMax = 100;
    si.nPage = 20;
    SetScrollInfo(bar, SB_CTL, &si, TRUE);
    auto* skin = new TSkinScControl(form.Bar);
    skin->InitScControl(form.Bar, data.get(), nullptr, nullptr);
    ASSERT_NE(skin->Bar, nullptr);
    EXPECT_EQ(skin->Bar->Orientation, 0);
    ExpectSameRect(WindowRect(skin->Bar->Handle()), WindowRect(bar));

    Shot s(*skin->Bar);
    const int a = Arrow();
    EXPECT_EQ(s.At(a / 2, 8), StripC(1));
    EXPECT_EQ(s.At(200 - 1 - a / 2, 8), StripC(5));
    // At the minimum the thumb starts right after the first arrow (with 16-pixel arrows it
    // is MulDiv(168, 19, 100) = 32 pixels long).
    EXPECT_EQ(s.At(a + 1, 8), ThumbC(1));

    // A new position repaints the overlay.
    ValidateRect(skin->Bar->Handle(), nullptr);
    si.fMask = SIF_POS;
    si.nPos = 50;
    SetScrollInfo(bar, SB_CTL, &si, TRUE);
    RECT dirty{};
    EXPECT_TRUE(GetUpdateRect(skin->Bar->Handle(), &dirty, FALSE));
    cl::Free(skin);
}

TEST_F(FormBars, DiscoveryGivesTheMemoItsBarsAndARecreatedWindowANewSkin)
{
    TSkinnedForm skinned(nullptr);
    skinned.Window = form.Handle();
    skinned.AttachForm(*data, form);
    Pump();
    skinned.SkinFormControls();
    auto find = [&]() -> TSkinScrollbar* {
        for (TSkinControl* c : skinned.ControlSkins())
            if (c->Control == form.Memo) return dynamic_cast<TSkinScrollbar*>(c);
        return nullptr;
    };
    TSkinScrollbar* first = find();
    ASSERT_NE(first, nullptr);
    // The overlays are panels of the form: a second pass leaves them alone.
    skinned.SkinFormControls();
    EXPECT_EQ(skinned.ControlSkins().size(), 1u);
    EXPECT_EQ(form.Memo->Perform(WM_SKIN_QUERY), 1);
    const HWND old = form.Memo->Handle();

    form.Memo->RecreateWnd();
    ASSERT_NE(form.Memo->Handle(), old);
    MSG msg{};
    ASSERT_TRUE(PeekMessageW(&msg, form.Handle(), WM_SKIN_RESKIN_SCROLLBARS, WM_SKIN_RESKIN_SCROLLBARS, PM_NOREMOVE));
    EXPECT_EQ(msg.wParam, reinterpret_cast<WPARAM>(old));
    Pump();
    TSkinScrollbar* second = find();
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->Window(), form.Memo->Handle());
    ASSERT_NE(second->VBar, nullptr);
    ExpectSameRect(WindowRect(second->VBar->Handle()), BarInfo(form.Memo->Handle(), OBJID_VSCROLL).rcScrollBar);
    skinned.Unskin();
}

TEST_F(FormBars, ListViewBarsFollowItsItemsAndVisibility)
{
    auto* skin = new TSkinListView(form.List);
    skin->InitScrollbar(form.List, data.get(), nullptr, nullptr);
    HWND list = form.List->Handle();
    EXPECT_EQ(skin->Header, reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0)));
    EXPECT_NE(skin->Header, nullptr);
    ASSERT_NE(skin->HeaderSkin, nullptr);
    EXPECT_EQ(skin->HeaderSkin->Window(), skin->Header);
    EXPECT_EQ(SendMessageW(skin->Header, WM_SKIN_QUERY, 0, 0), 1);
    EXPECT_FALSE(skin->VBar->BarVisible); // no items, no bar

    LVCOLUMNW column{};
    column.mask = LVCF_WIDTH;
    column.cx = 100;
    SendMessageW(list, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
    for (int i = 0; i < 40; ++i) {
        wchar_t text[] = L"item";
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = i;
        item.pszText = text;
        SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    }
    UpdateWindow(list);
    Pump();
    ASSERT_TRUE(GetWindowLongW(list, GWL_STYLE) & WS_VSCROLL);
    ASSERT_TRUE(skin->VBar->BarVisible);
    ExpectSameRect(WindowRect(skin->VBar->Handle()), BarInfo(list, OBJID_VSCROLL).rcScrollBar);

    form.List->Hide();
    EXPECT_FALSE(skin->VBar->BarVisible);
    EXPECT_FALSE(skin->HBar->BarVisible);
    EXPECT_FALSE(IsWindowVisible(skin->VBar->Handle()));
    form.List->Show();
    EXPECT_TRUE(IsWindowVisible(skin->VBar->Handle()));
    ExpectSameRect(WindowRect(skin->VBar->Handle()), BarInfo(list, OBJID_VSCROLL).rcScrollBar);
    cl::Free(skin);
}
