// The skin engine on real windows: the skin component, the manager's choices and hook,
// and skinned windows' sizes, hit tests, frames, regions and removal.
#include "skin/engine/SkinData.h"
#include "skin/engine/SkinManage.h"
#include "skin/engine/SkinMessages.h"
#include "skin/engine/SkinnedForm.h"

#include "Fixtures.h"

#include "classlib/ExtCtrlsPanels.h"
#include "classlib/FormReader.h"
#include "classlib/Forms.h"
#include "classlib/Seams.h"
#include "classlib/TypInfo.h"

#include "MessagePump.h"
#include "RawWindows.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <map>

using namespace skin;

namespace {

const TColor LeftOn = MakeRGB(200, 0, 0), LeftOff = MakeRGB(100, 0, 0);
const TColor RightOn = MakeRGB(0, 200, 0), RightOff = MakeRGB(0, 100, 0);
const TColor TopOn = MakeRGB(0, 0, 200), TopOff = MakeRGB(0, 0, 100);
const TColor BottomOn = MakeRGB(200, 200, 0), BottomOff = MakeRGB(100, 100, 0);
const TColor Face = MakeRGB(240, 240, 240);
// Frame widths of the solid skin.
constexpr int L = 4, T = 30, R = 5, B = 6;

template <class F> void Fill(cl::TBitmap& b, int w, int h, F colour)
{
    b.SetPixelFormat(cl::pf24bit);
    b.SetSize(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) b.Canvas()->SetPixel(x, y, colour(x, y));
}

// A skin of solid borders, two frames each (active, inactive): left 4, caption 30, right
// 5 and bottom 6 pixels. A shaped top has magenta in the top-left 2 x 2 of each frame, a
// shaped bottom in the bottom-left 2 x 2.
std::unique_ptr<TSkinData> SolidSkin(bool shapedTop = false, bool shapedBottom = false)
{
    auto d = std::make_unique<TSkinData>(nullptr);
    Fill(*d->LeftBorder->Bitmap, 2 * L, 40, [](int x, int) { return x < L ? LeftOn : LeftOff; });
    Fill(*d->RightBorder->Bitmap, 2 * R, 40, [](int x, int) { return x < R ? RightOn : RightOff; });
    Fill(*d->TopBorder->Bitmap, 40, 2 * T, [shapedTop](int x, int y) {
        if (shapedTop && x < 2 && y % T < 2) return Magenta;
        return y < T ? TopOn : TopOff;
    });
    Fill(*d->BottomBorder->Bitmap, 40, 2 * B, [shapedBottom](int x, int y) {
        if (shapedBottom && x < 2 && y % B >= B - 2) return Magenta;
        return y < B ? BottomOn : BottomOff;
    });
    for (TDataSkinBorder* b : {d->LeftBorder.get(), d->RightBorder.get(), d->TopBorder.get(), d->BottomBorder.get()}) {
        b->Frame = 2;
        b->Tile = 1;
        b->Trans = 0;
    }
    d->TopBorder->LeftWidth = d->TopBorder->RightWidth = 6;
    d->TopBorder->Trans = shapedTop ? 1 : 0;
    d->BottomBorder->Trans = shapedBottom ? 1 : 0;
    d->Colors[scButtonFace] = Face;
    d->FormColor = TopOn; // sampled from the top border, as a skin file gives it: never a form's face
    d->FormBrush.reset(CreateSolidBrush(static_cast<COLORREF>(Face)));
    d->Empty = false;
    return d;
}

// Handles messages until done() holds or two seconds pass; keeps WM_QUIT for the loop outside.
using skintest::PumpUntil;

// Messages the windows' own procedure saw, by number.
std::map<UINT, int> seen;

LRESULT CALLBACK RawProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    ++seen[msg];
    return DefWindowProcA(wnd, msg, wParam, lParam);
}

LRESULT CALLBACK WideProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    ++seen[msg];
    return DefWindowProcW(wnd, msg, wParam, lParam);
}

HWND RawWindow(int w = 300, int h = 200, DWORD style = WS_OVERLAPPEDWINDOW)
{
    skintest::RegisterRawClass("SkinTestRaw", RawProc);
    return skintest::RawWindow("SkinTestRaw", "", style, w, h);
}

SIZE SizeOf(HWND wnd)
{
    RECT r{};
    GetWindowRect(wnd, &r);
    return {r.right - r.left, r.bottom - r.top};
}

SIZE ClientOf(HWND wnd)
{
    RECT r{};
    GetClientRect(wnd, &r);
    return {r.right, r.bottom};
}

// What a window's background erasing paints, read back from a bitmap.
TColor Erased(HWND wnd)
{
    cl::TBitmap image;
    image.SetPixelFormat(cl::pf24bit);
    image.SetSize(20, 20);
    SendMessageA(wnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(image.Canvas()->Handle()), 0);
    return image.Canvas()->Pixel(10, 10);
}

// Skins wnd and waits until WM_SKIN_INIT has completed it.
TSkinnedForm* Skin(HWND wnd) { return skintest::SkinNow(wnd, false); }

struct Engine : ::testing::Test {
    std::unique_ptr<TSkinData> data;
    std::vector<HWND> windows;

    void SetUp() override { Start(SolidSkin()); }
    void Start(std::unique_ptr<TSkinData> d)
    {
        data = std::move(d);
        skintest::StartSkin(*data);
    }
    void TearDown() override
    {
        data.reset();
        EXPECT_EQ(SkinManager, nullptr); // the last component took the manager with it
        for (HWND w : windows) DestroyWindow(w);
    }
    HWND Raw(int w = 300, int h = 200, DWORD style = WS_OVERLAPPEDWINDOW)
    {
        windows.push_back(RawWindow(w, h, style));
        return windows.back();
    }
};

// A form made without a resource.
struct PlainForm {
    std::unique_ptr<cl::TForm> form = std::make_unique<cl::TForm>(nullptr);
    explicit PlainForm(int tag = 0)
    {
        form->SetTag(tag);
        form->SetBounds(100, 100, 300, 200);
        form->HandleNeeded();
    }
};

struct MessageBoxes {
    std::vector<cl::AnsiString> texts;
    cl::TMessageBoxService old = cl::ReplaceMessageBox([this](HWND, const cl::AnsiString& text, const cl::AnsiString&,
                                                              UINT) {
        texts.push_back(text);
        return IDOK;
    });
    ~MessageBoxes() { cl::ReplaceMessageBox(std::move(old)); }
};

cl::TBytes StreamValue(const std::vector<std::uint8_t>& file)
{
    const auto n = static_cast<std::uint32_t>(file.size());
    cl::TBytes v(4 + file.size());
    std::memcpy(v.data(), &n, 4);
    if (n) std::memcpy(v.data() + 4, file.data(), n);
    return v;
}

} // namespace

// ---------------------------------------------------------------------------------------
// The component

TEST(SkinData, Defaults)
{
    TSkinData d(nullptr);
    EXPECT_FALSE(d.Active());
    EXPECT_EQ(d.DisableTag, 99);
    EXPECT_EQ(d.SkinControls, 0x1FFFFBu); // every kind but xcMenuItem and xcFastReport
    EXPECT_EQ(d.Options, 0x448u);         // xoPreview, xoToolbarBK, xoCaptionButtonHint
    EXPECT_EQ(d.SkinFormtype, sfMainform);
    EXPECT_TRUE(d.MenuUpdate);
    EXPECT_FALSE(d.MenuMerge);
    EXPECT_TRUE(d.Empty);
    EXPECT_TRUE(d.FramePainting);
    ASSERT_EQ(d.Skin3rd()->Count(), 118);
    EXPECT_EQ(d.Skin3rd()->Get(0), "TCategoryButtons=scrollbar");
    EXPECT_EQ(d.Skin3rd()->Get(117), "TLMDDBCHECKBOX=Checkbox");
    cl::SetPropText(d, "Version", "1.0");
    EXPECT_EQ(cl::GetPropText(d, "Version"), "5.40.07.15");
    cl::SetPropText(d, "SkinStore", "(Good)");
    EXPECT_EQ(cl::GetPropText(d, "SkinStore"), "(none)");
    // "VELOURMENU" (64 x 16) cut into four 16-pixel glyphs.
    EXPECT_EQ(d.MenuImages.Width(), 16);
    EXPECT_EQ(d.MenuImages.Height(), 16);
    EXPECT_EQ(d.MenuImages.Count(), 4);
}

TEST(SkinData, SkinStreamProperty)
{
    MessageBoxes boxes;
    const std::vector<std::uint8_t> ours = skintest::ReadFile(LUDORA_SKIN_STREAM);
    ASSERT_GT(ours.size(), 4u);
    struct Case {
        const char* what;
        cl::TBytes value;
        bool loaded;
        const char* message; // null: none
    } cases[] = {
        {"length 0", cl::TBytes{0, 0, 0, 0}, false, nullptr},
        {"negative length", cl::TBytes{0xFF, 0xFF, 0xFF, 0xFF, 1, 2}, false, nullptr},
        {"our skin", cl::TBytes(ours.begin(), ours.end()), true, nullptr},
        {"no description", StreamValue(skintest::ReadFixture("containers/empty_line_lf.skin")), false, nullptr},
        {"unknown version", StreamValue(skintest::ReadFixture("containers/unknown_version.skin")), false,
         TSkinReader::OlderSkinMessage},
        {"cut in half", StreamValue(skintest::ReadFixture("skins/plain_cut.skin")), false,
         "Skin not loaded.\rLZH : Unexpected end of compressed data"},
        {"bitmap too large", StreamValue(skintest::ReadFixture("skins/huge_bitmap.skin")), false,
         "Skin not loaded.\rThe skin's bitmap huge.bmp is 16000 x 16000 pixels, larger than 4096 x 4096."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TSkinData d(nullptr);
        boxes.texts.clear();
        cl::SetPropValue(d, "SkinStream", cl::TValue(c.value));
        EXPECT_EQ(!d.Empty, c.loaded);
        ASSERT_EQ(boxes.texts.size(), c.message ? 1u : 0u);
        if (c.message) {
            EXPECT_EQ(boxes.texts[0], c.message);
        }
    }
    // Written back as it was read.
    TSkinData d(nullptr);
    cl::SetPropValue(d, "SkinStream", cl::TValue(cl::TBytes(ours.begin(), ours.end())));
    EXPECT_EQ(std::get<cl::TBytes>(cl::GetPropValue(d, "SkinStream")), cl::TBytes(ours.begin(), ours.end()));
    EXPECT_EQ(d.TopBorder->Bitmap->Empty(), false);
}

TEST(SkinData, SkinFile)
{
    MessageBoxes boxes;
    TSkinData d(nullptr);
    d.SetSkinFile("Z:\\no\\such\\file.skin");
    EXPECT_TRUE(d.Empty);
    EXPECT_TRUE(d.SkinStream.empty());
    EXPECT_EQ(SkinManager, nullptr);
    ASSERT_EQ(boxes.texts.size(), 1u);
    EXPECT_EQ(boxes.texts[0], "Skin file not loaded: Z:\\no\\such\\file.skin\rThe file cannot be read.");
    d.SetSkinFile(LUDORA_SKIN_FILE);
    EXPECT_FALSE(d.Empty);
    EXPECT_EQ(d.SkinStream, skintest::ReadFile(LUDORA_SKIN_FILE));
    EXPECT_EQ(boxes.texts.size(), 1u);
    // A new skin at run time is re-applied through the manager, made when there is none.
    ASSERT_NE(SkinManager, nullptr);
    EXPECT_EQ(SkinManager->ActionSkinData, &d);
    // A file that is not there leaves the skin in use, and its bytes.
    d.SetSkinFile("Z:\\no\\such\\file.skin");
    EXPECT_FALSE(d.Empty);
    EXPECT_EQ(d.SkinStream, skintest::ReadFile(LUDORA_SKIN_FILE));
    EXPECT_EQ(boxes.texts.size(), 2u);
}

TEST(SkinData, FromAFormResource)
{
    const std::vector<std::uint8_t> ours = skintest::ReadFile(LUDORA_SKIN_STREAM);
    std::string hex;
    char digits[3];
    for (std::uint8_t b : ours) {
        std::snprintf(digits, sizeof digits, "%02X", b);
        hex += digits;
    }
    TSkinData::StaticClass(); // creatable by name
    for (const char* active : {"True", "False"}) {
        SCOPED_TRACE(active);
        cl::TForm form(nullptr);
        cl::ReadComponentText("TForm { TSkinData sd { Active = " + std::string(active) +
                                  " Version = \"1.0\" SkinStream = {" + hex + "} } }",
                              form);
        auto* sd = dynamic_cast<TSkinData*>(form.FindComponent("sd"));
        ASSERT_NE(sd, nullptr);
        EXPECT_FALSE(sd->Empty);
        EXPECT_EQ(sd->Version(), "5.40.07.15");
        ASSERT_NE(SkinManager, nullptr);
        EXPECT_EQ(SkinManager->MainSkinData, sd);
        // Before any window was activated, loading only switches skinning on (or leaves it off).
        EXPECT_EQ(SkinManager->Active, std::string(active) == "True");
        EXPECT_TRUE(SkinManager->Forms().empty());
    }
    EXPECT_EQ(SkinManager, nullptr); // the form took its component, and that the manager
}

TEST(SkinData, LoadedSettlesMenuKindsAndEmptySkins)
{
    struct Case {
        TSkinControlTypes before;
        bool active, empty;
        TSkinControlTypes after;
        bool activeAfter;
    } cases[] = {
        {Bit(xcMainMenu) | Bit(xcMenuItem) | Bit(xcSystemMenu), true, false,
         Bit(xcMainMenu) | Bit(xcSystemMenu), true},
        {Bit(xcMenuItem) | Bit(xcSystemMenu), false, false, Bit(xcMenuItem), false},
        {Bit(xcMainMenu), true, true, Bit(xcMainMenu), false}, // an empty skin switches itself off
    };
    for (const Case& c : cases) {
        auto d = c.empty ? std::make_unique<TSkinData>(nullptr) : SolidSkin();
        d->SkinControls = c.before | Bit(xcScrollbar);
        if (c.active) {
            d->BeginLoading(); // as a form resource sets it
            d->SetActive(true);
        }
        d->Loaded();
        EXPECT_EQ(d->SkinControls & ~Bit(xcScrollbar), c.after);
        EXPECT_EQ(d->Active(), c.activeAfter);
        ASSERT_NE(SkinManager, nullptr);
        EXPECT_EQ(SkinManager->MainSkinData, d.get());
        // Loading an active component before any activation only switches skinning on.
        EXPECT_EQ(SkinManager->Active, c.activeAfter);
        EXPECT_EQ(SkinManager->Mode, 0);
        d.reset();
        EXPECT_EQ(SkinManager, nullptr);
    }
}

TEST(SkinData, FormSkinDecision)
{
    TSkinData d(nullptr);
    struct Case {
        const char* name;
        bool fastReport;
        bool expected;
    } cases[] = {
        {"SysMonthCal32", false, false}, {"sysmonthcal32", false, true}, {"TfrPreviewForm", true, false},
        {"TfrPreviewForm", false, true}, {"TForm1", true, true},
    };
    for (const Case& c : cases) {
        d.SkinControls = c.fastReport ? Bit(xcFastReport) : 0;
        bool doSkin = true;
        d.DoFormSkin(nullptr, c.name, doSkin);
        EXPECT_EQ(doSkin, c.expected) << c.name;
    }
    d.OnFormSkin = [](cl::TObject*, const cl::AnsiString&, bool& doSkin) { doSkin = !doSkin; };
    bool doSkin = false; // the handler's answer stands, also for SysMonthCal32
    d.DoFormSkin(nullptr, "SysMonthCal32", doSkin);
    EXPECT_TRUE(doSkin);
}

// ---------------------------------------------------------------------------------------
// Which windows the manager skins

TEST_F(Engine, SkinsAWindowOnceAndItAnswersTheQuery)
{
    HWND wnd = Raw();
    EXPECT_EQ(SendMessageA(wnd, WM_SKIN_QUERY, 0, 0), 0);
    TSkinnedForm* f = Skin(wnd);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(SendMessageA(wnd, WM_SKIN_QUERY, 0, 0), 1);
    EXPECT_FALSE(SkinManager->SkinWindow(wnd));
    EXPECT_EQ(SkinManager->Forms().size(), 1u);
    EXPECT_EQ(f->SkinState, ssSkinned);
    EXPECT_EQ(f->FormControl, nullptr); // a raw window
    EXPECT_EQ(SkinManager->Mode, 1);
}

TEST_F(Engine, WindowsLeftAlone)
{
    HWND flat = Raw(300, 0, WS_POPUP); // a framed window would get its minimum tracking size
    EXPECT_FALSE(SkinManager->SkinWindow(flat));
    PlainForm tagged(99);
    EXPECT_FALSE(SkinManager->SkinWindow(tagged.form->Handle()));
    data->DisableTag = 7; // the component's tag is for controls; 99 stays fixed for windows
    EXPECT_FALSE(SkinManager->SkinWindow(tagged.form->Handle()));
    // A dialog-manager dialog of another module is the other engine's.
    windows.push_back(CreateWindowExA(0, "#32770", "", WS_POPUP | WS_CAPTION, 0, 0, 200, 100, nullptr, nullptr,
                                      GetModuleHandleA("kernel32.dll"), nullptr));
    EXPECT_FALSE(SkinManager->SkinWindow(windows.back()));
    EXPECT_TRUE(SkinManager->Forms().empty());

    PlainForm plain;
    EXPECT_TRUE(SkinManager->SkinWindow(plain.form->Handle()));
    EXPECT_EQ(SkinManager->FindSkinForm(plain.form->Handle())->FormControl, plain.form.get());
    windows.push_back(CreateWindowExA(0, "#32770", "", WS_POPUP | WS_CAPTION, 0, 0, 200, 100, nullptr, nullptr,
                                      cl::ModuleInstance(), nullptr));
    EXPECT_TRUE(SkinManager->SkinWindow(windows.back()));
}

TEST_F(Engine, NoSkinWithoutALoadedComponent)
{
    data->Empty = true;
    EXPECT_FALSE(SkinManager->SkinWindow(Raw()));
    data->Empty = false;
    SkinManager->Active = false;
    EXPECT_FALSE(SkinManager->SkinWindow(Raw()));
}

TEST_F(Engine, HookSkinsOnActivation)
{
    HWND wnd = Raw();
    ShowWindow(wnd, SW_SHOW);
    SetForegroundWindow(wnd);
    EXPECT_TRUE(PumpUntil([wnd] {
        TSkinnedForm* f = SkinManager->FindSkinForm(wnd);
        return f && f->Initialised;
    }));
    EXPECT_EQ(SendMessageA(wnd, WM_SKIN_QUERY, 0, 0), 1);
}

TEST_F(Engine, ComponentGoingUnskinsItsWindows)
{
    HWND wnd = Raw();
    const LONG_PTR own = GetWindowLongPtrA(wnd, GWLP_WNDPROC);
    ASSERT_NE(Skin(wnd), nullptr);
    EXPECT_NE(GetWindowLongPtrA(wnd, GWLP_WNDPROC), own);
    data.reset();
    EXPECT_EQ(GetWindowLongPtrA(wnd, GWLP_WNDPROC), own);
    EXPECT_EQ(SendMessageA(wnd, WM_SKIN_QUERY, 0, 0), 0);
    Start(SolidSkin()); // for TearDown
}

TEST_F(Engine, ComponentGoingIsForgotten)
{
    auto second = SolidSkin();
    second->Loaded();
    EXPECT_EQ(SkinManager->MainSkinData, data.get());
    SkinManager->ActionSkinData = data.get();
    SkinManager->RequestAction(3, 10);
    data.reset();
    ASSERT_NE(SkinManager, nullptr);
    EXPECT_EQ(SkinManager->MainSkinData, second.get()); // chosen again
    EXPECT_EQ(SkinManager->ActionSkinData, nullptr);
    EXPECT_EQ(SkinManager->SkinDatas().size(), 1u);
    EXPECT_TRUE(SkinManager->SkinWindow(Raw())); // skinned with the one left
    data = std::move(second);
}

// ---------------------------------------------------------------------------------------
// Skinned windows

TEST_F(Engine, OuterSizeIsClientPlusSkinFrame)
{
    HWND wnd = Raw();
    const SIZE client = ClientOf(wnd);
    ASSERT_NE(Skin(wnd), nullptr);
    EXPECT_EQ(ClientOf(wnd).cx, client.cx);
    EXPECT_EQ(ClientOf(wnd).cy, client.cy);
    EXPECT_EQ(SizeOf(wnd).cx, client.cx + L + R);
    EXPECT_EQ(SizeOf(wnd).cy, client.cy + T + B);
}

TEST_F(Engine, HitTests)
{
    HWND wnd = Raw();
    ShowWindow(wnd, SW_SHOWNA);
    ASSERT_NE(Skin(wnd), nullptr);
    RECT w{};
    GetWindowRect(wnd, &w);
    auto at = [wnd](LONG x, LONG y) { return SendMessageA(wnd, WM_NCHITTEST, 0, MAKELPARAM(x, y)); };
    EXPECT_EQ(at(w.left + 150, w.top + 15), HTCAPTION);
    EXPECT_EQ(at(w.left + 150, w.top + T + 20), HTCLIENT);
    EXPECT_EQ(at(w.right - 1, w.bottom - 1), HTBOTTOMRIGHT); // the platform's border answers stay
}

TEST_F(Engine, OldProcedureSeesEachMessageOnce)
{
    HWND wnd = Raw();
    ASSERT_NE(Skin(wnd), nullptr);
    seen.clear();
    SendMessageA(wnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(50, 40));
    SendMessageA(wnd, WM_NCACTIVATE, TRUE, 0);
    SendMessageA(wnd, WM_ERASEBKGND, 0, 0);
    EXPECT_EQ(seen[WM_SIZE], 1);
    EXPECT_EQ(seen[WM_NCACTIVATE], 0); // an ordinary window's activation frame is the skin's
    EXPECT_EQ(seen[WM_ERASEBKGND], 1);
    seen.clear();
    SendMessageA(wnd, 0xAE, 0, 0);
    EXPECT_EQ(seen[0xAE], 0);
}

TEST_F(Engine, UnicodeWindowKeepsItsText)
{
    WNDCLASSW wc{};
    wc.lpfnWndProc = WideProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"SkinTestWide";
    RegisterClassW(&wc);
    HWND wnd = CreateWindowExW(0, L"SkinTestWide", L"", WS_OVERLAPPEDWINDOW, 100, 100, 300, 200, nullptr, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    windows.push_back(wnd);
    ASSERT_NE(Skin(wnd), nullptr);
    const wchar_t title[] = L"\x6E38\x620F\x76D2 box"; // 游戏盒
    SendMessageW(wnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(title));
    wchar_t back[32] = {};
    GetWindowTextW(wnd, back, 32);
    EXPECT_STREQ(back, title);
}

TEST_F(Engine, FramePaintedFromTheSkin)
{
    PlainForm plain;
    HWND wnd = plain.form->Handle();
    ASSERT_NE(Skin(wnd), nullptr);
    const SIZE size = SizeOf(wnd);
    cl::TBitmap image;
    image.SetPixelFormat(cl::pf24bit);
    image.SetSize(size.cx, size.cy);
    HDC dc = image.Canvas()->Handle();
    auto paint = [&] { return SendMessageA(wnd, WM_SKIN_PAINT_FRAME_DC, reinterpret_cast<WPARAM>(dc), SKIN_MAGIC); };
    struct Probe {
        int x, y;
        TColor active, inactive;
    } probes[] = {
        {1, size.cy / 2, LeftOn, LeftOff},
        {size.cx - 2, size.cy / 2, RightOn, RightOff},
        {size.cx / 2, size.cy - 2, BottomOn, BottomOff},
        {size.cx - R - 3, 20, TopOn, TopOff}, // the caption band right of the title
    };
    SendMessageA(wnd, WM_NCACTIVATE, TRUE, 0);
    EXPECT_EQ(paint(), SKIN_MAGIC);
    for (const Probe& p : probes) EXPECT_EQ(image.Canvas()->Pixel(p.x, p.y), p.active) << p.x << "," << p.y;
    SendMessageA(wnd, WM_NCACTIVATE, FALSE, 0);
    EXPECT_EQ(paint(), SKIN_MAGIC);
    for (const Probe& p : probes) EXPECT_EQ(image.Canvas()->Pixel(p.x, p.y), p.inactive) << p.x << "," << p.y;
    EXPECT_EQ(SendMessageA(wnd, WM_SKIN_IS_FORM, 0, SKIN_MAGIC), SKIN_MAGIC);
    EXPECT_EQ(SendMessageA(wnd, WM_SKIN_IS_FORM, 0, 0), 1);
    // The client area wears ButtonFace, not the colour sampled from the top border.
    EXPECT_EQ(plain.form->Color(), Face);
    EXPECT_EQ(Erased(wnd), Face);
}

TEST_F(Engine, RefreshedFormsAndRawWindowsPanelsWearButtonFace)
{
    PlainForm plain;
    HWND wnd = plain.form->Handle();
    auto* owned = new cl::TForm(plain.form.get());
    ASSERT_NE(Skin(wnd), nullptr);
    plain.form->SetColor(cl::clRed);
    owned->SetColor(cl::clRed);
    SendMessageA(wnd, WM_SKIN_REFRESH, 0, 0);
    EXPECT_EQ(plain.form->Color(), Face);
    EXPECT_EQ(owned->Color(), Face);
    EXPECT_EQ(Erased(wnd), Face);
    // A class-library panel met among a raw window's children.
    PlainForm host;
    auto* panel = new cl::TPanel(host.form.get());
    panel->SetParent(host.form.get());
    panel->SetBounds(10, 10, 100, 60);
    panel->SetColor(cl::clRed);
    panel->HandleNeeded();
    TSkinnedForm raw(nullptr);
    raw.SkinData = data.get();
    raw.SkinChildWindows(host.form->Handle());
    EXPECT_EQ(panel->Color(), Face);
    EXPECT_EQ(Erased(panel->Handle()), Face);
}

// A form's frame painted into a bitmap of the window's size, first filled white, so that
// a part left unpainted shows.
struct FramePicture {
    HWND wnd;
    cl::TBitmap image;
    SIZE size{};
    explicit FramePicture(HWND w) : wnd(w) { image.SetPixelFormat(cl::pf24bit); }
    void Paint()
    {
        size = SizeOf(wnd);
        image.SetSize(size.cx, size.cy);
        image.Canvas()->Brush().SetColor(MakeRGB(255, 255, 255));
        image.Canvas()->FillRect(RECT{0, 0, size.cx, size.cy});
        SendMessageA(wnd, WM_SKIN_PAINT_FRAME_DC, reinterpret_cast<WPARAM>(image.Canvas()->Handle()), SKIN_MAGIC);
    }
    TColor At(int x, int y) { return image.Canvas()->Pixel(x, y); }
    // Pixels of the caption band's left part that are not the caption's colour: the title.
    int TitlePixels()
    {
        int n = 0;
        for (int y = 0; y < T; ++y)
            for (int x = L; x < size.cx / 2; ++x) n += At(x, y) != TopOn;
        return n;
    }
};

TEST_F(Engine, FrameRepaintedAfterAResize)
{
    PlainForm plain; // 300 x 200
    HWND wnd = plain.form->Handle();
    ASSERT_NE(Skin(wnd), nullptr);
    SendMessageA(wnd, WM_NCACTIVATE, TRUE, 0);
    FramePicture picture(wnd);
    picture.Paint();
    SetWindowPos(wnd, nullptr, 0, 0, 420, 280, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    picture.Paint();
    ASSERT_EQ(picture.size.cx, 420);
    ASSERT_EQ(picture.size.cy, 280);
    // Each probe lies beyond the old size.
    EXPECT_EQ(picture.At(1, 250), LeftOn);
    EXPECT_EQ(picture.At(417, 140), RightOn);
    EXPECT_EQ(picture.At(360, 277), BottomOn);
    EXPECT_EQ(picture.At(400, 20), TopOn);
}

TEST_F(Engine, CaptionRepaintedAfterActivationAndTitleChanges)
{
    PlainForm plain;
    HWND wnd = plain.form->Handle();
    ASSERT_NE(Skin(wnd), nullptr);
    FramePicture picture(wnd);
    SetWindowTextA(wnd, "");
    SendMessageA(wnd, WM_NCACTIVATE, TRUE, 0);
    picture.Paint();
    EXPECT_EQ(picture.TitlePixels(), 0);
    SetWindowTextA(wnd, "MMMM WWWW");
    picture.Paint();
    EXPECT_GT(picture.TitlePixels(), 0);
    SendMessageA(wnd, WM_NCACTIVATE, FALSE, 0);
    picture.Paint();
    EXPECT_EQ(picture.At(200, 20), TopOff);
    SendMessageA(wnd, WM_NCACTIVATE, TRUE, 0);
    SetWindowTextA(wnd, "");
    picture.Paint();
    EXPECT_EQ(picture.TitlePixels(), 0);
    EXPECT_EQ(picture.At(200, 20), TopOn);
}

TEST_F(Engine, FrameRepaintedAfterASkinChange)
{
    PlainForm plain;
    HWND wnd = plain.form->Handle();
    ASSERT_NE(Skin(wnd), nullptr);
    SendMessageA(wnd, WM_NCACTIVATE, TRUE, 0);
    FramePicture picture(wnd);
    picture.Paint();
    ASSERT_EQ(picture.At(1, 100), LeftOn);
    // A skin read again fills the same objects with new images.
    const TColor newLeft = MakeRGB(10, 20, 30), newTop = MakeRGB(30, 20, 10);
    Fill(*data->LeftBorder->Bitmap, 2 * L, 40, [newLeft](int x, int) { return x < L ? newLeft : LeftOff; });
    Fill(*data->TopBorder->Bitmap, 40, 2 * T, [newTop](int, int y) { return y < T ? newTop : TopOff; });
    data->SkinChanged();
    EXPECT_TRUE(PumpUntil([&] {
        picture.Paint();
        return picture.At(1, 100) == newLeft && picture.At(250, 20) == newTop;
    }));
}

TEST_F(Engine, RectangularRegionWithoutTransparentBorders)
{
    HWND wnd = Raw();
    ASSERT_NE(Skin(wnd), nullptr);
    const SIZE size = SizeOf(wnd);
    cl::RegionHandle rgn(CreateRectRgn(0, 0, 0, 0));
    ASSERT_EQ(GetWindowRgn(wnd, rgn.get()), SIMPLEREGION);
    RECT box{};
    GetRgnBox(rgn.get(), &box);
    EXPECT_EQ(box.right, size.cx);
    EXPECT_EQ(box.bottom, size.cy);
}

TEST_F(Engine, ShapedRegionFromKeyPixels)
{
    data.reset();
    Start(SolidSkin(true));
    HWND wnd = Raw();
    ASSERT_NE(Skin(wnd), nullptr);
    cl::RegionHandle rgn(CreateRectRgn(0, 0, 0, 0));
    ASSERT_NE(GetWindowRgn(wnd, rgn.get()), ERROR);
    EXPECT_FALSE(PtInRegion(rgn.get(), L, 0));     // the top border's key-coloured corner
    EXPECT_FALSE(PtInRegion(rgn.get(), L + 1, 1));
    EXPECT_TRUE(PtInRegion(rgn.get(), L + 2, 0));  // solid caption
    EXPECT_TRUE(PtInRegion(rgn.get(), 0, 0));      // solid left border
    EXPECT_TRUE(PtInRegion(rgn.get(), L + 10, T + 10)); // client
}

TEST_F(Engine, ShapedByTheBottomBorderAlone)
{
    data.reset();
    Start(SolidSkin(false, true));
    HWND wnd = Raw();
    ASSERT_NE(Skin(wnd), nullptr);
    const SIZE size = SizeOf(wnd);
    cl::RegionHandle rgn(CreateRectRgn(0, 0, 0, 0));
    ASSERT_NE(GetWindowRgn(wnd, rgn.get()), ERROR);
    EXPECT_FALSE(PtInRegion(rgn.get(), L, size.cy - 1)); // the bottom border's key-coloured corner
    EXPECT_TRUE(PtInRegion(rgn.get(), L, size.cy - B));   // its solid rows above
    EXPECT_TRUE(PtInRegion(rgn.get(), 0, size.cy - 1));   // the solid left border
    EXPECT_TRUE(PtInRegion(rgn.get(), L, 0));             // the solid caption
}

TEST_F(Engine, UnskinGivesTheFrameBack)
{
    HWND wnd = Raw();
    const LONG_PTR own = GetWindowLongPtrA(wnd, GWLP_WNDPROC);
    const SIZE before = SizeOf(wnd);
    ASSERT_NE(Skin(wnd), nullptr);
    SendMessageA(wnd, WM_NCPAINT, 1, 0); // the skin draws the caption: the platform's buttons go
    EXPECT_EQ(GetWindowLongA(wnd, GWL_STYLE) & WS_SYSMENU, 0);
    SkinManager->ActionSkinData = data.get();
    SkinManager->RequestAction(2, 10);
    EXPECT_TRUE(PumpUntil([] { return SkinManager->Forms().empty(); }));
    EXPECT_EQ(GetWindowLongPtrA(wnd, GWLP_WNDPROC), own);
    EXPECT_EQ(SizeOf(wnd).cx, before.cx);
    EXPECT_EQ(SizeOf(wnd).cy, before.cy);
    cl::RegionHandle rgn(CreateRectRgn(0, 0, 0, 0));
    EXPECT_EQ(GetWindowRgn(wnd, rgn.get()), ERROR);
    EXPECT_NE(GetWindowLongA(wnd, GWL_STYLE) & WS_SYSMENU, 0);
    EXPECT_FALSE(SkinManager->Active);
}

namespace {
WNDPROC below = nullptr;
LRESULT CALLBACK OnTop(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return CallWindowProcA(below, wnd, msg, wParam, lParam);
}
} // namespace

TEST_F(Engine, UnskinUnderAnotherSubclassStaysAPassThrough)
{
    HWND wnd = Raw();
    ASSERT_NE(Skin(wnd), nullptr);
    below = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(OnTop)));
    SkinManager->ActionSkinData = data.get();
    SkinManager->RequestAction(2, 10);
    EXPECT_TRUE(PumpUntil([] { return SkinManager->Forms().empty(); }));
    EXPECT_EQ(GetWindowLongPtrA(wnd, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(OnTop));
    seen.clear();
    EXPECT_EQ(SendMessageA(wnd, WM_SKIN_QUERY, 0, 0), 0); // no longer skinned
    EXPECT_EQ(seen[WM_SKIN_QUERY], 1);                   // and the window's own procedure still hears it
}

// A component going unskins its windows fully, as the unskin action does: the frame, the
// region and the system menu come back, so a second skin finds the window as it was.
TEST_F(Engine, ComponentGoingGivesTheFrameBackAndASecondSkinKeepsTheMinimiseButton)
{
    auto withMinimise = [] {
        auto d = SolidSkin(true);
        auto b = std::make_unique<TDataSkinSysButton>("BUTTON2");
        b->Action = 2;
        b->Align = 1;
        b->XCoord = 30;
        b->YCoord = 7;
        b->Visibility = 8; // with a minimise or maximise box and a system menu
        b->Frame = 6;
        Fill(*b->Bitmap, 150, 15, [](int, int) { return MakeRGB(9, 9, 9); });
        d->CaptionButtons.push_back(std::move(b));
        return d;
    };
    data.reset();
    Start(withMinimise());
    HWND wnd = Raw();
    const SIZE before = SizeOf(wnd);
    ASSERT_NE(Skin(wnd), nullptr);
    SendMessageA(wnd, WM_NCPAINT, 1, 0); // the skin draws the caption: the platform's buttons go
    ASSERT_EQ(GetWindowLongA(wnd, GWL_STYLE) & WS_SYSMENU, 0);
    data.reset();
    EXPECT_EQ(SizeOf(wnd).cx, before.cx);
    EXPECT_EQ(SizeOf(wnd).cy, before.cy);
    cl::RegionHandle rgn(CreateRectRgn(0, 0, 0, 0));
    EXPECT_EQ(GetWindowRgn(wnd, rgn.get()), ERROR);
    EXPECT_NE(GetWindowLongA(wnd, GWL_STYLE) & WS_SYSMENU, 0);

    Start(withMinimise());
    TSkinnedForm* again = Skin(wnd);
    ASSERT_NE(again, nullptr);
    ASSERT_EQ(again->CaptionObjects.size(), 1u);
    EXPECT_TRUE(again->IsButtonVisible(0));
}

// Side borders wider than the window leave the shaped bottom edge no width: the region is
// still built for the new size, and nothing is reported.
TEST_F(Engine, SideBordersWiderThanTheWindowStillGiveARegion)
{
    constexpr int Side = 150;
    auto d = SolidSkin(false, true);
    Fill(*d->LeftBorder->Bitmap, 2 * Side, 40, [](int, int) { return LeftOn; });
    Fill(*d->RightBorder->Bitmap, 2 * Side, 40, [](int, int) { return RightOn; });
    data.reset();
    Start(std::move(d));
    MessageBoxes boxes;
    HWND wnd = Raw(400, 200);
    ASSERT_NE(Skin(wnd), nullptr);
    SetWindowPos(wnd, nullptr, 0, 0, 200, 200, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    const SIZE size = SizeOf(wnd);
    ASSERT_LT(size.cx, 2 * Side);
    cl::RegionHandle rgn(CreateRectRgn(0, 0, 0, 0));
    ASSERT_NE(GetWindowRgn(wnd, rgn.get()), ERROR);
    RECT box{};
    GetRgnBox(rgn.get(), &box);
    EXPECT_EQ(box.right, size.cx); // built for this size, not kept from the wider one
    EXPECT_EQ(box.bottom, size.cy);
    EXPECT_TRUE(boxes.texts.empty());
}

// ---------------------------------------------------------------------------------------
// Skin changes through SkinFile

namespace {

// Loads the fixture skin "plain.skin" into data, which registers with a new manager, and
// turns skinning on.
bool StartWithThePlainSkin(TSkinData& data)
{
    data.SetSkinFile(std::string(SKIN_FIXTURES) + "/skins/plain.skin");
    EXPECT_FALSE(data.Empty);
    EXPECT_NE(SkinManager, nullptr);
    if (data.Empty || !SkinManager) return false;
    SkinManager->Active = true;
    return true;
}

// Skins wnd and activates its frame.
TSkinnedForm* SkinnedAndActive(HWND wnd)
{
    TSkinnedForm* f = Skin(wnd);
    if (f) SendMessageA(wnd, WM_NCACTIVATE, TRUE, 0);
    return f;
}

// Every caption object of the window belongs to the skin now loaded (compared as
// pointers: an object of a freed skin is never read).
bool CaptionObjectsOfTheSkin(const TSkinnedForm& f, const TSkinData& data)
{
    for (const auto& object : f.CaptionObjects) {
        auto* button = dynamic_cast<const TSkinSysButton*>(object.get());
        if (!button) continue;
        bool found = false;
        for (const auto& b : data.CaptionButtons) found = found || b.get() == button->Data;
        if (!found) return false;
    }
    return true;
}

} // namespace

TEST(SkinChange, AFileThatCannotServeKeepsTheSkinInUse)
{
    const std::string fixtures = SKIN_FIXTURES;
    MessageBoxes boxes;
    auto data = std::make_unique<TSkinData>(nullptr);
    ASSERT_TRUE(StartWithThePlainSkin(*data));
    {
        PlainForm plain;
        HWND wnd = plain.form->Handle();
        TSkinnedForm* f = SkinnedAndActive(wnd);
        ASSERT_NE(f, nullptr);
        FramePicture picture(wnd);
        const TColor plainLeft = MakeRGB(200, 0, 0);
        picture.Paint();
        ASSERT_EQ(picture.At(1, 100), plainLeft);
        // The skin's ButtonFace, not its top border's sample (45, 55, 73).
        EXPECT_EQ(plain.form->Color(), MakeRGB(220, 210, 200));
        const std::size_t buttons = f->CaptionObjects.size();
        ASSERT_GT(buttons, 0u); // the three MDI controls every skin has

        // The last two fail after their first checks: the combo button's bitmap is refused
        // after the borders of another skin have been read, and the stream breaks off
        // while it is decoded.
        struct Case {
            const char* file;
            std::vector<std::string> messages;
        } cases[] = {
            {"/skins/missing.skin", {"The file cannot be read."}},
            {"/containers/empty_line_lf.skin", {"The file holds no skin description."}},
            {"/containers/unknown_version.skin", {TSkinReader::OlderSkinMessage, "The file is not a skin file."}},
            {"/containers/huge_size.skin", {"The file is not a skin file."}},
            {"/skins/huge_bitmap.skin", {"The skin's bitmap huge.bmp is 16000 x 16000 pixels, larger than 4096 x 4096."}},
            {"/skins/plain_cut.skin", {"LZH : Unexpected end of compressed data"}},
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.file);
            boxes.texts.clear();
            const std::string path = fixtures + c.file;
            data->SetSkinFile(path);
            EXPECT_FALSE(data->Empty);
            ASSERT_EQ(boxes.texts.size(), c.messages.size());
            const std::string last = "Skin file not loaded: " + path + "\r" + c.messages.back();
            EXPECT_EQ(boxes.texts.back(), last);
            if (c.messages.size() == 2) {
                EXPECT_EQ(boxes.texts[0], c.messages[0]);
            }
            SendMessageA(wnd, WM_NCPAINT, 1, 0);
            picture.Paint();
            EXPECT_EQ(picture.At(1, 100), plainLeft); // the frame is still painted, from the old skin
            EXPECT_EQ(picture.At(picture.size.cx / 2, picture.size.cy - 2), MakeRGB(200, 200, 0));
            EXPECT_EQ(f->CaptionObjects.size(), buttons); // and keeps its caption buttons
            EXPECT_TRUE(CaptionObjectsOfTheSkin(*f, *data));
            PlainForm later; // a new window is still skinned
            EXPECT_NE(SkinnedAndActive(later.form->Handle()), nullptr);
        }
    }
    data.reset();
    EXPECT_EQ(SkinManager, nullptr);
}

TEST(SkinChange, AValidSkinReplacesTheSkinInUse)
{
    const std::string fixtures = SKIN_FIXTURES;
    MessageBoxes boxes;
    auto data = std::make_unique<TSkinData>(nullptr);
    int changes = 0;
    data->OnSkinChanged = [&changes](cl::TObject*) { ++changes; };
    ASSERT_TRUE(StartWithThePlainSkin(*data));
    {
        PlainForm plain;
        HWND wnd = plain.form->Handle();
        TSkinnedForm* f = SkinnedAndActive(wnd);
        ASSERT_NE(f, nullptr);
        FramePicture picture(wnd);
        picture.Paint();
        ASSERT_EQ(picture.At(1, 100), MakeRGB(200, 0, 0));
        ASSERT_EQ(SkinManager->Mode, 1);
        ASSERT_FALSE(f->CaptionObjects.empty()); // the three MDI controls every skin has

        // Through SkinFile: the window drops the old buttons at once, the refresh builds
        // those of the new skin and gives the form the new ButtonFace.
        data->SetSkinFile(fixtures + "/skins/other.skin");
        EXPECT_TRUE(boxes.texts.empty());
        EXPECT_FALSE(data->Empty);
        ASSERT_TRUE(CaptionObjectsOfTheSkin(*f, *data));
        picture.Paint(); // before the refresh: the frame already comes from the new images
        EXPECT_EQ(picture.At(1, 100), MakeRGB(0, 0, 200));
        ASSERT_TRUE(PumpUntil([&changes] { return changes == 1; }));
        EXPECT_EQ(SkinManager->ActionSkinData, nullptr);
        EXPECT_EQ(f->CaptionObjects.size(), data->CaptionButtons.size());
        ASSERT_TRUE(CaptionObjectsOfTheSkin(*f, *data));
        SendMessageA(wnd, WM_NCACTIVATE, TRUE, 0);
        picture.Paint();
        EXPECT_EQ(picture.At(1, 100), MakeRGB(0, 0, 200));                                     // left
        EXPECT_EQ(picture.At(picture.size.cx - 2, 100), MakeRGB(200, 0, 200));                 // right
        EXPECT_EQ(picture.At(picture.size.cx / 2, picture.size.cy - 2), MakeRGB(0, 200, 200)); // bottom
        EXPECT_EQ(plain.form->Color(), MakeRGB(230, 230, 250));

        // Through LoadSkin alone (as the SkinStream value loads), without a refresh: the
        // window keeps no button of the freed skin either.
        data->SkinStream = skintest::ReadFixture("skins/plain.skin");
        EXPECT_TRUE(data->LoadSkin());
        EXPECT_FALSE(data->Empty);
        ASSERT_TRUE(CaptionObjectsOfTheSkin(*f, *data));
        SendMessageA(wnd, WM_NCPAINT, 1, 0);
        picture.Paint();
        EXPECT_EQ(picture.At(1, 100), MakeRGB(200, 0, 0));
        EXPECT_EQ(picture.At(picture.size.cx / 2, picture.size.cy - 2), MakeRGB(200, 200, 0));
        EXPECT_EQ(changes, 1);
    }
    data.reset();
    EXPECT_EQ(SkinManager, nullptr);
}
