// What a skinned window picks up after its set-up, on raw windows: a size grip created
// later gets its control skin from the manager's hook, and a skin change drops the caption
// buttons of the old skin until the refresh builds those of the new one.
#include "skin/controls/Sheets.h"
#include "skin/engine/SkinData.h"
#include "skin/engine/SkinManage.h"
#include "skin/engine/SkinMessages.h"
#include "skin/engine/SkinnedForm.h"

#include "BorderedSkin.h"
#include "MessagePump.h"
#include "RawWindows.h"

#include <gtest/gtest.h>

using namespace skin;
using namespace skin::test;

namespace {

const TColor Face = MakeRGB(200, 120, 40);
const TColor OldButton = MakeRGB(250, 200, 0), NewButton = MakeRGB(0, 200, 250);
const TColor Untouched = MakeRGB(1, 2, 3);
constexpr int BW = 14, BH = 12;

// A close button at the caption's right end: Align 1, 20 pixels from the right edge.
std::unique_ptr<TDataSkinSysButton> CloseButton(TColor colour, int xCoord)
{
    auto b = std::make_unique<TDataSkinSysButton>("BUTTON");
    Solid(*b->Bitmap, BW, BH, colour);
    b->Frame = 1;
    b->Action = 0;
    b->Align = 1;
    b->XCoord = xCoord;
    b->YCoord = 8;
    return b;
}

std::unique_ptr<TSkinData> Skin()
{
    auto d = BorderedSkin();
    d->CaptionButtons.push_back(CloseButton(OldButton, 20));
    d->Colors[scButtonFace] = Face;
    d->Empty = false;
    return d;
}

using skintest::PumpUntil;

LRESULT CALLBACK PlainProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(wnd, msg, wParam, lParam);
}

struct Upkeep : ::testing::Test {
    std::unique_ptr<TSkinData> data;
    skintest::RawWindows windows;

    void SetUp() override
    {
        data = Skin();
        skintest::StartSkin(*data);
    }
    void TearDown() override
    {
        data.reset();
        windows.DestroyAll();
    }
    HWND Window()
    {
        skintest::RegisterRawClass("SkinUpkeepTest", PlainProc);
        HWND wnd = windows.Add(skintest::RawWindow("SkinUpkeepTest", "Upkeep", WS_OVERLAPPEDWINDOW, 300, 200));
        ShowWindow(wnd, SW_SHOWNA);
        return wnd;
    }
    TSkinnedForm* Skinned() { return skintest::SkinNow(Window()); }
};

// The colour at the close button's middle as the frame paint makes it.
TColor ButtonPixel(TSkinnedForm& f)
{
    RECT w{};
    GetWindowRect(f.Window, &w);
    return skintest::FrameShot(f).At((w.right - w.left) - 20 + BW / 2, 8 + BH / 2);
}

} // namespace

TEST_F(Upkeep, ASizeGripMadeLaterOnASkinnedWindowIsSkinnedAtOnce)
{
    struct Case {
        const char* name;
        bool skinnedParent;
        DWORD style;
        bool skinned;
    } const cases[] = {
        {"size grip", true, SBS_SIZEGRIP, true},
        {"plain scroll bar", true, SBS_HORZ, false},
        {"size grip of an unskinned window", false, SBS_SIZEGRIP, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TSkinnedForm* f = c.skinnedParent ? Skinned() : nullptr;
        HWND parent = f ? f->Window : Window();
        HWND bar = CreateWindowExA(0, "SCROLLBAR", "", WS_CHILD | WS_VISIBLE | c.style, 10, 10, 16, 16, parent, nullptr,
                                   GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(bar, nullptr);
        EXPECT_EQ(SendMessageA(bar, WM_SKIN_QUERY, 0, 0) == 1, c.skinned);
        if (f) {
            TSkinControl* skin = f->FindControlSkin(bar);
            EXPECT_EQ(skin != nullptr, c.skinned);
            if (skin) {
                EXPECT_NE(dynamic_cast<TSkinSizer*>(skin), nullptr);
            }
        }
        // Its paint shows the skin's face colour, not the platform's grip.
        cl::TBitmap image;
        image.SetPixelFormat(cl::pf24bit);
        image.SetSize(16, 16);
        image.Canvas()->Brush().SetColor(Untouched);
        image.Canvas()->FillRect(RECT{0, 0, 16, 16});
        SendMessageA(bar, WM_PAINT, reinterpret_cast<WPARAM>(image.Canvas()->Handle()), 0);
        EXPECT_EQ(image.Canvas()->Pixel(8, 8) == Face, c.skinned);
    }
}

TEST_F(Upkeep, ASkinChangeDropsTheOldCaptionButtonsUntilTheRefreshBuildsTheNewOnes)
{
    TSkinnedForm* f = Skinned();
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(f->CaptionObjects.size(), 1u);
    EXPECT_EQ(ButtonPixel(*f), OldButton);
    f->HotObject = f->CaptionObjects[0].get();

    // A newly loaded skin replaces the button objects; the old ones stay readable here
    // only so that a fault shows as a wrong answer, not as a crash.
    auto old = std::move(data->CaptionButtons);
    data->CaptionButtons.clear();
    data->CaptionButtons.push_back(CloseButton(NewButton, 20));
    ASSERT_EQ(SkinManager->Mode, 1);
    data->SkinChanged();
    EXPECT_TRUE(f->CaptionObjects.empty());
    EXPECT_EQ(f->HotObject, nullptr);
    EXPECT_EQ(ButtonPixel(*f), Edge);

    ASSERT_TRUE(PumpUntil([] { return SkinManager->ActionSkinData == nullptr; }));
    ASSERT_EQ(f->CaptionObjects.size(), 1u);
    EXPECT_EQ(f->CaptionObjects[0]->Data, data->CaptionButtons[0].get());
    EXPECT_EQ(ButtonPixel(*f), NewButton);
}

TEST_F(Upkeep, ASkinChangeLeavesWindowsOfAnotherSkinTheirButtons)
{
    TSkinnedForm* f = Skinned();
    ASSERT_NE(f, nullptr);
    auto other = Skin();
    other->Loaded();
    other->SkinChanged();
    EXPECT_EQ(SkinManager->ActionSkinData, other.get());
    ASSERT_EQ(f->CaptionObjects.size(), 1u);
    EXPECT_EQ(ButtonPixel(*f), OldButton);
}

TEST_F(Upkeep, TheSkinChangedHandlerMayFreeTheComponentAndWithItTheManager)
{
    TSkinnedForm* f = Skinned();
    ASSERT_NE(f, nullptr);
    HWND wnd = f->Window;
    bool changed = false;
    data->OnSkinChanged = [this, &changed](cl::TObject*) {
        changed = true;
        data.reset(); // the only component: the manager goes with it
    };
    data->SkinChanged();
    ASSERT_TRUE(PumpUntil([&changed] { return changed; }));
    EXPECT_EQ(SkinManager, nullptr);
    // The window lives on, unskinned.
    EXPECT_TRUE(IsWindow(wnd));
    EXPECT_NE(SendMessageA(wnd, WM_SKIN_QUERY, 0, 0), 1);
}
