// The media-player skin's overlay on a stand-in player with the published button sets.
#include "tests/skin/ControlSkinFixture.h"

#include "skin/controls/MediaPlayer.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace skin;
using namespace skin_test;

namespace {

const cl::TEnumType PlayerButtonType{
    {"btPlay", "btPause", "btStop", "btNext", "btPrev", "btStep", "btBack", "btRecord", "btEject"}};

class TMediaPlayer : public cl::TCustomControl {
    CL_CLASS(TMediaPlayer)
public:
    using cl::TCustomControl::TCustomControl;
    unsigned VisibleButtons = 0, EnabledButtons = 0, ColoredButtons = 0;
};

class TPlayerForm : public cl::TForm {
    CL_CLASS(TPlayerForm)
public:
    using cl::TForm::TForm;
    TMediaPlayer* Player = nullptr;
};

const char* const kPlayerForm = u8R"(
TPlayerForm PlayerForm {
  ClientWidth = 300
  ClientHeight = 200
  TMediaPlayer Player {
    Left = 10 Top = 20 Width = 90 Height = 30
    VisibleButtons = [btPlay, btStop, btEject]
    EnabledButtons = [btPlay, btEject]
  }
}
)";

struct MediaPlayer : ::testing::Test {
    std::unique_ptr<TSkinData> data = ControlSkin();
    TPlayerForm form{nullptr};
    TSkinMP* skin = nullptr;
    std::vector<UINT> seen;
    std::unique_ptr<cl::TWindowProcHook> under;
    void SetUp() override
    {
        TPlayerForm::StaticClass();
        cl::ReadComponentText(kPlayerForm, form);
        form.Show();
        under = std::make_unique<cl::TWindowProcHook>(*form.Player, [this](cl::TMessage& m) {
            seen.push_back(m.Msg);
            under->CallPrevious(m);
        });
        skin = new TSkinMP(form.Player);
        skin->InitControl(nullptr, data.get(), false, nullptr);
        ASSERT_NE(skin->Overlay, nullptr);
    }
    TColor Painted(int x, int y)
    {
        cl::TBitmap shot;
        shot.SetPixelFormat(cl::pf24bit);
        shot.SetSize(90, 30);
        skin->Overlay->Perform(WM_PAINT, reinterpret_cast<WPARAM>(shot.Canvas()->Handle()), 0);
        return shot.Canvas()->Pixel(x, y);
    }
    int Count(UINT msg) const { return static_cast<int>(std::count(seen.begin(), seen.end(), msg)); }
};

} // namespace

const cl::TClass& TMediaPlayer::StaticClass()
{
    return cl::DefineClass<TMediaPlayer, cl::TCustomControl>(
        "TMediaPlayer", [](cl::TPublisher<TMediaPlayer>& p) {
            p.Set("VisibleButtons", PlayerButtonType, &TMediaPlayer::VisibleButtons,
                  &TMediaPlayer::VisibleButtons);
            p.Set("EnabledButtons", PlayerButtonType, &TMediaPlayer::EnabledButtons,
                  &TMediaPlayer::EnabledButtons);
            p.Set("ColoredButtons", PlayerButtonType, &TMediaPlayer::ColoredButtons,
                  &TMediaPlayer::ColoredButtons);
        });
}

const cl::TClass& TPlayerForm::StaticClass()
{
    return cl::DefineClass<TPlayerForm, cl::TForm>("TPlayerForm", [](cl::TPublisher<TPlayerForm>& p) {
        p.Field("Player", &TPlayerForm::Player);
    });
}

TEST_F(MediaPlayer, OverlayCoversThePlayerAndIsLeftAloneByDiscovery)
{
    TWMediaPlayer& overlay = *skin->Overlay;
    EXPECT_EQ(overlay.Parent(), &form);
    EXPECT_EQ(overlay.Left(), 10);
    EXPECT_EQ(overlay.Top(), 20);
    EXPECT_EQ(overlay.Width(), 90);
    EXPECT_EQ(overlay.Tag(), data->DisableTag);
    form.Player->SetBounds(15, 25, 120, 30);
    EXPECT_EQ(overlay.Left(), 15);
    EXPECT_EQ(overlay.Width(), 120);
    form.Player->SetVisible(false);
    EXPECT_FALSE(overlay.Visible());
    skin->Unsubclass();
    EXPECT_EQ(skin->Overlay, nullptr);
}

TEST_F(MediaPlayer, VisibleButtonsShareTheWidthInTheirStates)
{
    // Play, stop and eject in 30-pixel cells; stop is not enabled.
    EXPECT_EQ(Painted(1, 15), Normal);
    EXPECT_EQ(Painted(29, 15), Normal);
    EXPECT_EQ(Painted(31, 15), DisabledC);
    EXPECT_EQ(Painted(61, 15), Normal);
    struct Case {
        int x, button;
    } cases[] = {{0, mbPlay}, {30, mbPlay}, {31, mbStop}, {60, mbStop}, {61, mbEject}, {90, mbEject}, {91, mbNone}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.x);
        EXPECT_EQ(skin->Overlay->ButtonAt(c.x), c.button);
    }
}

TEST_F(MediaPlayer, NoVisibleButtonPaintsOneFace)
{
    form.Player->VisibleButtons = 0;
    EXPECT_EQ(Painted(1, 1), Face);
    EXPECT_EQ(Painted(45, 15), Face);
    EXPECT_EQ(Painted(88, 28), Face);
}

TEST_F(MediaPlayer, PressIsPassedOnAndReleaseOnlyOverTheSameButton)
{
    TWMediaPlayer& overlay = *skin->Overlay;
    overlay.Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(65, 10));
    EXPECT_EQ(Count(WM_LBUTTONDOWN), 1);
    EXPECT_EQ(overlay.PressedButton, mbEject);
    EXPECT_EQ(Painted(70, 15), PressedC);
    overlay.Perform(WM_LBUTTONUP, 0, MAKELPARAM(70, 10));
    EXPECT_EQ(Count(WM_LBUTTONUP), 1);
    EXPECT_EQ(Painted(70, 15), Normal);

    seen.clear();
    overlay.Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 10));
    overlay.Perform(WM_LBUTTONUP, 0, MAKELPARAM(65, 10)); // released over another button
    EXPECT_EQ(Count(WM_LBUTTONDOWN), 1);
    EXPECT_EQ(Count(WM_LBUTTONUP), 0);
}

TEST_F(MediaPlayer, DiscoveryGivesAPlayerItsOverlayAndLeavesTheOverlayUnskinned)
{
    cl::Free(skin);
    skin = nullptr;
    TSkinnedForm skinned(nullptr);
    skinned.FormControl = &form;
    skinned.SkinData = data.get();
    skinned.SkinFormControls();
    ASSERT_EQ(skinned.ControlSkins().size(), 1u);
    auto* found = dynamic_cast<TSkinMP*>(skinned.ControlSkins()[0]);
    ASSERT_NE(found, nullptr);
    ASSERT_NE(found->Overlay, nullptr);
    EXPECT_EQ(found->Overlay->Owner(), &skinned);
    // The overlay carries the disable tag: a second pass skins nothing more.
    skinned.SkinFormControls();
    EXPECT_EQ(skinned.ControlSkins().size(), 1u);
}

// The overlay sits on the player's parent, which frees it first when both go: the skin
// forgets it then and does not reach it again.
TEST_F(MediaPlayer, OverlayFreedByItsParentIsForgotten)
{
    cl::Free(skin->Overlay);
    EXPECT_EQ(skin->Overlay, nullptr);
    skin->Unsubclass();
    EXPECT_EQ(skin->Overlay, nullptr);
}
