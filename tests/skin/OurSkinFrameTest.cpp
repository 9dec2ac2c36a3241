// Our own skin on a real form: its shape (rounded top corners at the window's corners,
// no holes along the caption) and a caption band that runs unbroken into the side borders.
#include "skin/engine/SkinData.h"
#include "skin/engine/SkinManage.h"
#include "skin/engine/SkinMessages.h"
#include "skin/engine/SkinnedForm.h"

#include "Fixtures.h"
#include "MessagePump.h"

#include "classlib/Forms.h"
#include "classlib/Graphics.h"
#include "classlib/TypInfo.h"
#include "classlib/WinHandle.h"

#include <gtest/gtest.h>

using namespace skin;

namespace {

// Our skin's side borders are 4 pixels wide, its caption 30 high.
constexpr int L = 4, R = 4;

struct OurSkinOnAForm : ::testing::Test {
    std::unique_ptr<TSkinData> data = std::make_unique<TSkinData>(nullptr);
    std::unique_ptr<cl::TForm> form = std::make_unique<cl::TForm>(nullptr);
    HWND wnd = nullptr;
    SIZE size{};

    void SetUp() override
    {
        const std::vector<std::uint8_t> stream = skintest::ReadFile(LUDORA_SKIN_STREAM);
        cl::SetPropValue(*data, "SkinStream", cl::TValue(cl::TBytes(stream.begin(), stream.end())));
        ASSERT_FALSE(data->Empty);
        data->Loaded();
        ASSERT_NE(SkinManager, nullptr);
        SkinManager->Active = true;
        form->SetBounds(100, 100, 300, 200);
        form->HandleNeeded();
        wnd = form->Handle();
        ASSERT_TRUE(SkinManager->SkinWindow(wnd));
        TSkinnedForm* skinned = SkinManager->FindSkinForm(wnd);
        ASSERT_NE(skinned, nullptr);
        ASSERT_TRUE(skintest::PumpUntil([skinned] { return skinned->Initialised; }));
        RECT r{};
        GetWindowRect(wnd, &r);
        size = {r.right - r.left, r.bottom - r.top};
    }
    void TearDown() override
    {
        data.reset();
        form.reset();
    }
};

} // namespace

TEST_F(OurSkinOnAForm, RoundedTopCornersAndNoHolesAlongTheCaption)
{
    cl::RegionHandle rgn(CreateRectRgn(0, 0, 0, 0));
    ASSERT_NE(GetWindowRgn(wnd, rgn.get()), ERROR);
    const int W = size.cx, H = size.cy;
    struct Point {
        int x, y;
        bool inside;
    } points[] = {
        // The top-left corner: three pixels cut along the top, two more down the side.
        {0, 0, false}, {2, 0, false}, {0, 2, false}, {1, 1, true}, {3, 0, true}, {0, 3, true},
        // Where the caption band meets the left border.
        {L, 0, true}, {L + 2, 0, true}, {L, 2, true},
        // The top-right corner and the caption band's right end.
        {W - 1, 0, false}, {W - 3, 0, false}, {W - 1, 2, false}, {W - 2, 1, true}, {W - 4, 0, true},
        {W - 1 - R, 0, true}, {W - 3 - R, 0, true}, {W - 1 - R, 2, true},
        // Square bottom corners.
        {0, H - 1, true}, {W - 1, H - 1, true},
    };
    for (const Point& p : points) EXPECT_EQ(PtInRegion(rgn.get(), p.x, p.y) != 0, p.inside) << p.x << "," << p.y;
}

TEST_F(OurSkinOnAForm, CaptionBandRunsIntoTheSideBorders)
{
    cl::TBitmap image;
    image.SetPixelFormat(cl::pf24bit);
    image.SetSize(size.cx, size.cy);
    HDC dc = image.Canvas()->Handle();
    const int W = size.cx, row = 15;
    // Row 15 of the caption's gradient (active and inactive), and the outer edge lines.
    struct Case {
        BOOL active;
        TColor band, edge;
    } cases[] = {
        {TRUE, MakeRGB(42, 53, 71), MakeRGB(26, 34, 48)},
        {FALSE, MakeRGB(97, 104, 118), MakeRGB(78, 85, 98)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.active ? "active" : "inactive");
        SendMessageA(wnd, WM_NCACTIVATE, c.active, 0);
        ASSERT_EQ(SendMessageA(wnd, WM_SKIN_PAINT_FRAME_DC, reinterpret_cast<WPARAM>(dc), SKIN_MAGIC), SKIN_MAGIC);
        for (int x : {1, L - 1, L, L + 1, W - 2, W - R, W - 1 - R, W - 2 - R})
            EXPECT_EQ(image.Canvas()->Pixel(x, row), c.band) << x;
        EXPECT_EQ(image.Canvas()->Pixel(0, row), c.edge);
        EXPECT_EQ(image.Canvas()->Pixel(W - 1, row), c.edge);
    }
}
