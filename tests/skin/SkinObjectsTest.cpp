// Skin objects read from description snippets over a container of test bitmaps, and our
// own skin as the build packs it.
#include "skin/SkinObjects.h"

#include "Fixtures.h"

#include "classlib/Graphics.h"

#include <gtest/gtest.h>

using namespace skin;

namespace {

// Reads a description snippet; bitmaps come from the "objects" fixture container.
struct Loaded : TSkinObjects {
    explicit Loaded(std::string_view description)
    {
        TSkinReader reader;
        EXPECT_TRUE(reader.Open(skintest::ReadFixture("containers/objects.skin")));
        TQuickIni ini;
        ini.LoadFromStream(description);
        ReadSkin(reader, ini);
    }
};

TColor PixelOf(cl::TBitmap& b, int x, int y) { return static_cast<TColor>(GetPixel(b.Canvas()->Handle(), x, y)); }

} // namespace

TEST(SkinObjects, BordersFromPersonality)
{
    Loaded s("[Personality]\nLeft=cap60.bmp\nLeftTopHeight=30\nLeftBotHeight=4\nLeftFrame=0\n"
             "Top=top.bmp\nTopTopHeight=6\nTopBotHeight=7\nTopStretch=3\nTopTrans=0\nTopFrame=2\n"
             "Bottom=dir\\upper.bmp\nBottomFrame=-1\n");
    const TDataSkinBorder& left = *s.LeftBorder;
    EXPECT_EQ(left.Bitmap->Width(), 60);
    EXPECT_EQ((std::vector<int>{left.LeftWidth, left.TopHeight, left.RightWidth, left.BottomHeight}),
              (std::vector<int>{0, 30, 0, 4}));
    EXPECT_EQ(left.Frame, 1); // 0 would divide later
    EXPECT_EQ(left.Tile, 1);
    EXPECT_EQ(left.Trans, 1);
    const TDataSkinBorder& top = *s.TopBorder;
    EXPECT_EQ((std::vector<int>{top.LeftWidth, top.TopHeight, top.RightWidth, top.BottomHeight}),
              (std::vector<int>{6, 0, 7, 0}));
    EXPECT_EQ(top.Tile, 1);
    EXPECT_EQ(top.Trans, 0);
    EXPECT_EQ(top.Frame, 2);
    EXPECT_EQ(s.BottomBorder->Bitmap->Width(), 4); // the path part is dropped
    EXPECT_EQ(s.BottomBorder->Frame, 1);
    EXPECT_FALSE(s.RightBorder->HasImage());
    // Sampled at (60 div 3, (60 div 2) div 3).
    EXPECT_EQ(s.FormColor, MakeRGB(12, 34, 56));
    EXPECT_FALSE(s.Empty);
}

TEST(SkinObjects, BitmapNamesAreWalkedByCodePage936Characters)
{
    // 0xB6 0x5C is one character: its trail byte is no path delimiter.
    for (const char* name : {"\xB6\\.bmp", "skins\\\xB6\\.bmp", "C:\xB6\\.bmp"}) {
        SCOPED_TRACE(name);
        Loaded s(std::string("[ExtraImages]\nImage=") + name + "\n");
        ASSERT_TRUE(s.ExtraImages);
        EXPECT_EQ(s.ExtraImages->Bitmap->Width(), 2);
        EXPECT_EQ(s.ExtraImages->Bitmap->Height(), 3);
    }
}

TEST(SkinObjects, Colours)
{
    Loaded s("[Colours]\nWindowText=1 2 3\nHilight=\nMenu=300 0 0\n"
             "[Colour1]\ncolor=4 5 6\n[COLOURX]\nother=1\n[Customcolors]\nColor3=7 8 9\n");
    EXPECT_EQ(s.Colors[scWindowText], MakeRGB(1, 2, 3));
    EXPECT_TRUE(s.ColorSet[scWindowText]);
    EXPECT_EQ(s.Colors[scHilight], cl::SystemColor(COLOR_HIGHLIGHT));
    EXPECT_FALSE(s.ColorSet[scHilight]);
    EXPECT_EQ(s.Colors[scMenu], MakeRGB(44, 0, 0));
    EXPECT_EQ(s.Colors[scButtonFace], cl::SystemColor(COLOR_BTNFACE));
    EXPECT_EQ(s.Colors[scMenubar], cl::SystemColor(COLOR_BTNFACE));
    EXPECT_EQ(s.Colors[scTitleTextNoActive], cl::SystemColor(COLOR_INACTIVECAPTIONTEXT));
    EXPECT_EQ(s.Colors[9], 0);
    EXPECT_EQ(s.Colors[17], 0);
    EXPECT_EQ(s.ExtraColors, (std::vector<TColor>{MakeRGB(4, 5, 6), cl::SystemColor(COLOR_WINDOWTEXT)}));
    EXPECT_EQ(s.CustomColors[3], MakeRGB(7, 8, 9));
    EXPECT_EQ(s.CustomColors[0], 0xFFFFFF);
    EXPECT_EQ(s.FormColor, cl::SystemColor(COLOR_BTNFACE)); // no top border
    EXPECT_NE(s.FormBrush.get(), nullptr);

    Loaded given("[Colours]\nButtonFace=10 20 30\n");
    EXPECT_EQ(given.Colors[scMenubar], MakeRGB(10, 20, 30));
}

TEST(SkinObjects, CaptionButtons)
{
    Loaded s("[Button0]\nAction=0\nXcoord=30\nYcoord=7\nButtonImage=cap150.bmp\n"
             "[ButtonA]\nAction=-1\n"
             "[ButtonB]\nAction=-1\nVisibility=0\n"
             "[Buttons]\nAction=5\n[Button.Radio]\n"
             "[button1]\nAction=1\nVisibility=2\nXcoord=54\nYcoord=9\nButtonImage=cap60.bmp\n"
             "[Button4]\nAction=4\nXcoord=1\n"
             "[Button3]\nAction=3\nButtonImage=cap150.bmp\n"
             "[Button5]\nAction=2\nframe=2\nCombineOp=1\n"
             "[MDICONTROLS]\nImage=mdi.bmp\n");
    ASSERT_EQ(s.CaptionButtons.size(), 9u);
    struct Expect {
        const char* name;
        int action, x, y, frame, visibility1, width;
    } expected[] = {
        {"BUTTON0", 0, 30, 7, 6, 0, 150}, {"BUTTONB", -1, 0, 0, 6, -1, 0}, {"BUTTON1", 1, 54, 9, 3, 0, 60},
        {"BUTTON4", 4, 54, 9, 6, 0, 0},   {"BUTTON3", 3, 0, 0, 6, 0, 0},   {"BUTTON5", 2, 0, 0, 2, 0, 0},
        {"MDICONTROLS", 7, 60, 0, 4, 100, 64}, {"MDICONTROLS", 8, 40, 0, 4, 100, 64},
        {"MDICONTROLS", 9, 20, 0, 4, 100, 64},
    };
    for (std::size_t i = 0; i < 9; ++i) {
        SCOPED_TRACE(i);
        const TDataSkinSysButton& b = *s.CaptionButtons[i];
        EXPECT_EQ(b.Name, expected[i].name);
        EXPECT_EQ(b.Action, expected[i].action);
        EXPECT_EQ(b.XCoord, expected[i].x);
        EXPECT_EQ(b.YCoord, expected[i].y);
        EXPECT_EQ(b.Frame, expected[i].frame);
        EXPECT_EQ(b.Visibility1, expected[i].visibility1);
        EXPECT_EQ(b.Bitmap->Width(), expected[i].width);
    }
    EXPECT_EQ(s.CaptionButtons[0]->CombineOp, -1);
    EXPECT_EQ(s.CaptionButtons[5]->CombineOp, 1);
    EXPECT_EQ(s.CaptionButtons[6]->Align, 100);
    EXPECT_EQ(s.CaptionButtons[6]->Visibility, 100);
    // Button k of the child controls is cut from cells 4k .. 4k + 3 of the 12-cell strip.
    for (int k = 0; k < 3; ++k) EXPECT_EQ(PixelOf(*s.CaptionButtons[6 + k]->Bitmap, 0, 0), MakeRGB(40 * k, 0, 0));
}

TEST(SkinObjects, ImageReadersDefaultsAndClamps)
{
    Loaded s("[Tab.Pane]\nImage=strip.bmp\nLeftWidth=6\nTopHeight=5\nRightWidth=4\nBottomHeight=2\n"
             "[Tabs]\nImage=strip.bmp\nBorder=upper.bmp\nTile=2\nFrame=9\n"
             "[Progress]\nBitmap=strip.bmp\nTile=5\nStyle=1\n"
             "[Progress.Chunk]\nImage=strip.bmp\nFrame=0\n"
             "[Headerbar]\nImage=strip.bmp\n"
             "[HorzScrollThumb]\nImage=strip.bmp\nFrameCount=0\n"
             "[VertScrollThumb]\nImage=strip.bmp\n"
             "[GroupBox]\nImage=strip.bmp\nBackgroundLeftShift=3\nNormalColour=255\nMouseOverColour2=1 2 3\n"
             "[MenuItem]\nImage=Upper.BMP\n"
             "[MenuBackground]\nImage=bad.bmp\n"
             "[Track]\nImage=strip.bmp\nFrame=-2\n"
             "[Colours]\nButtonText=9 8 7\n");
    EXPECT_EQ((std::vector<int>{s.TabPane->LeftWidth, s.TabPane->TopHeight, s.TabPane->RightWidth,
                                s.TabPane->BottomHeight}),
              (std::vector<int>{4, 4, 4, 2}));
    EXPECT_EQ(s.TabPane->Frame, 1);
    EXPECT_EQ(s.Tabs->Tile, 0);
    EXPECT_EQ(s.Tabs->Frame, 5);
    EXPECT_EQ(s.Tabs->Bitmap2->Width(), 4);
    EXPECT_EQ(s.Progress->Tile, 1);
    EXPECT_EQ(s.Progress->Frame, 1);
    EXPECT_EQ(s.ProgressChunk->Frame, 1);
    EXPECT_EQ(s.Headerbar->Frame, 5);
    EXPECT_EQ(s.HorzScrollThumb->Frame, 1);
    EXPECT_EQ(s.VertScrollThumb->Frame, 3);
    EXPECT_EQ(s.GroupBox->BackgroundLeftShift, 3);
    EXPECT_EQ(s.GroupBox->NormalColour, 255);
    EXPECT_EQ(s.GroupBox->MouseOverColour, -1);
    EXPECT_EQ(s.GroupBox->MouseOverColour2, MakeRGB(1, 2, 3));
    EXPECT_EQ(s.GroupBox->NormalColour2, MakeRGB(9, 8, 7));
    EXPECT_EQ(s.GroupBox->Name, "GroupBox");
    ASSERT_TRUE(s.MenuItem);
    EXPECT_FALSE(s.MenuItem->HasImage()); // the extension must be exactly ".bmp"
    ASSERT_TRUE(s.MenuBackground);
    EXPECT_FALSE(s.MenuBackground->HasImage()); // a damaged bitmap file reads as none
    EXPECT_EQ(s.Track->Frame, 1);
    EXPECT_EQ(s.Track->Bitmap->Width(), 6);
    for (const auto* missing : {s.SunkEdge.get(), s.MenuBar.get(), s.ToolBars.get(), s.ExtraImages.get(),
                                static_cast<TDataSkinObject*>(s.ComboButton.get())})
        EXPECT_EQ(missing, nullptr);
}

TEST(SkinObjects, BuiltInTracksWhenTheSkinHasNone)
{
    Loaded s("");
    ASSERT_TRUE(s.Track && s.TrackVert);
    EXPECT_EQ(s.Track->Name, "TRACK");
    EXPECT_EQ(s.Track->Bitmap->Width(), 16);
    EXPECT_EQ(s.Track->Bitmap->Height(), 4);
    EXPECT_EQ(s.TrackVert->Bitmap->Width(), 4);
    EXPECT_EQ(s.TrackVert->Bitmap->Height(), 16);
    EXPECT_EQ((std::vector<int>{s.Track->LeftWidth, s.Track->TopHeight, s.Track->RightWidth, s.Track->BottomHeight,
                                s.Track->Tile, s.Track->Frame}),
              (std::vector<int>{3, 3, 3, 3, 0, 1}));
}

TEST(SkinObjects, ButtonsAndTitle)
{
    Loaded s("[Buttons]\nRadioButton=radio13.bmp\nCheckButton=check16.bmp\nPressedColour2=1 1 1\nTile=4\n"
             "[Personality]\nTextShift=16\nTextShiftVert=2\nTextRightClip=75\n"
             "ActiveTextR=1\nActiveTextG=2\nInActiveTextR=300\nInActiveTextG=1\nInActiveTextB=2\n");
    EXPECT_EQ(s.Buttons->RadioFrames, 8);  // 104 div 13
    EXPECT_EQ(s.Buttons->CheckFrames, 10); // 160 div 16
    EXPECT_EQ(s.Buttons->Frame, 5);
    EXPECT_EQ(s.Buttons->Tile, 0);
    EXPECT_TRUE(s.Buttons->HasPressedColour2);
    EXPECT_FALSE(s.Buttons->HasNormalColour2);
    EXPECT_EQ(s.Buttons->PressedColour2, MakeRGB(1, 1, 1));
    EXPECT_EQ((std::vector<int>{s.Title->LeftWidth, s.Title->TopHeight, s.Title->RightWidth}),
              (std::vector<int>{16, 2, 75}));
    EXPECT_EQ(s.Title->ActiveTextColor, TDataSkinTitle::NotGiven);
    EXPECT_EQ(s.Title->InActiveTextColor, MakeRGB(44, 1, 2));
    EXPECT_EQ(s.Title->FontHeight, 14);
    EXPECT_EQ(s.Title->Frame, 2);
}

TEST(SkinObjects, ComboButtonWithoutSunkEdge)
{
    Loaded s("[ComboButton]\nImage=combo.bmp\n[Colours]\nButtonFace=1 2 3\n");
    ASSERT_TRUE(s.ComboButton);
    EXPECT_EQ(s.ComboButton->Frame, 4);
    // Bitmap2 mirrors: its first column is the last column of frame 4.
    EXPECT_EQ(PixelOf(*s.ComboButton->Bitmap2, 0, 5), MakeRGB(0, 200, 0));
    EXPECT_EQ(PixelOf(*s.ComboButton->Bitmap2, 67, 5), Magenta);
    ASSERT_TRUE(s.ComboxArrow);
    EXPECT_EQ(s.ComboxArrow->Frame, 4);
    EXPECT_EQ(PixelOf(*s.ComboxArrow->Bitmap, 0, 5), MakeRGB(1, 2, 3)); // magenta became ButtonFace
    EXPECT_EQ(PixelOf(*s.ComboxArrow->Bitmap, 20, 5), MakeRGB(0, 100, 0));
}

TEST(SkinObjects, ComboComposition)
{
    Loaded s("[ComboButton]\nImage=combo.bmp\nTrans=1\n[SunkEdge]\nImage=sunk.bmp\nTopHeight=1\nBottomHeight=1\n"
             "[ExtraImages]\nImage=extra.bmp\n");
    const int a = GetSystemMetrics(SM_CXHSCROLL) + 2;
    ASSERT_TRUE(s.ComboButton && s.SunkEdge && s.ComboxArrow);
    cl::TBitmap& strip = *s.ComboButton->Bitmap;
    EXPECT_EQ(strip.Width(), 200);
    EXPECT_EQ(strip.Height(), 21);
    EXPECT_EQ(s.ComboButton->Style, 2);
    EXPECT_EQ((std::vector<int>{s.ComboButton->LeftWidth, s.ComboButton->TopHeight, s.ComboButton->RightWidth,
                                s.ComboButton->BottomHeight}),
              (std::vector<int>{2, 1, a + 2, 1}));
    EXPECT_EQ(s.SunkEdge->LeftWidth, a + 2);
    EXPECT_EQ(s.SunkEdge->RightWidth, 2);
    for (int f = 1; f <= 4; ++f) {
        SCOPED_TRACE(f);
        const int x0 = 50 * (f - 1);
        EXPECT_EQ(PixelOf(strip, x0 + 1, 1), MakeRGB(0, 0, 40 * f));         // sunk edge
        EXPECT_EQ(PixelOf(strip, x0 + 10, 10), Magenta);                 // the field stays clear
        EXPECT_EQ(PixelOf(strip, x0 + 49, 1), MakeRGB(0, 50 * f, 0));        // the button frame
        EXPECT_EQ(PixelOf(strip, x0 + 50 - a / 2, 10), MakeRGB(200, 10 * f, 0)); // the glyph, centred
        // The sunk edge is the strip mirrored.
        EXPECT_EQ(PixelOf(*s.SunkEdge->Bitmap, 199 - (x0 + 49), 1), MakeRGB(0, 50 * f, 0));
    }
    EXPECT_EQ(s.ComboxArrow->Frame, 4);
    EXPECT_EQ(s.ComboxArrow->Bitmap->Width(), 68);
    EXPECT_EQ(s.ComboxArrow->Bitmap->Height(), 17);
    EXPECT_EQ(PixelOf(*s.ComboxArrow->Bitmap, 16, 0), PixelOf(strip, 47, 2)); // cell 0 from (31, 2)
}

TEST(SkinObjects, ToolbarGradientFollowsThisLoadsFormColour)
{
    Loaded s("[Personality]\nTop=top.bmp\nTopFrame=2\n[Colours]\nButtonFace=240 240 240\n");
    ASSERT_TRUE(s.Toolbar);
    EXPECT_EQ(s.Toolbar->Bitmap->Width(), 10);
    EXPECT_EQ(s.Toolbar->Bitmap->Height(), 40);
    EXPECT_EQ(s.Toolbar->Frame, 1);
    // Top: 15 % of 240 and 85 % of 255, (36000 + 216750 + 500) div 1000 = 253.
    EXPECT_EQ(PixelOf(*s.Toolbar->Bitmap, 5, 0), MakeRGB(253, 253, 253));
    // (12, 34, 56) has no channel of 160: measure 200, amount (5625 - 5000) div 140 + 50 =
    // 54, so the bottom colour is (124, 136, 148). Band 39 of the 40-colour ramp from 253
    // adds (19 + 39 d) / 39 truncated: d = -129, -117, -105 give -128, -116, -104.
    EXPECT_EQ(PixelOf(*s.Toolbar->Bitmap, 5, 39), MakeRGB(125, 137, 149));
}

TEST(SkinObjects, LoadSkinFileNeedsADescription)
{
    skintest::ShownMessages shown; // the unknown version's message
    TSkinObjects s;
    EXPECT_FALSE(s.LoadSkinFile(skintest::ReadFixture("containers/noini.skin")));
    EXPECT_TRUE(s.Empty);
    EXPECT_FALSE(s.Track);
    EXPECT_FALSE(s.LoadSkinFile(skintest::ReadFixture("containers/unknown_version.skin")));
    EXPECT_TRUE(s.Empty);
    EXPECT_EQ(shown.texts.size(), 1u);
    EXPECT_TRUE(s.LoadSkinFile(skintest::ReadFixture("containers/objects.skin")));
    EXPECT_FALSE(s.Empty);
    EXPECT_EQ(s.TopBorder->Frame, 2);
}

TEST(SkinObjects, OurSkin)
{
    TSkinObjects s;
    ASSERT_TRUE(s.LoadSkinFile(skintest::ReadFile(LUDORA_SKIN_FILE)));
    const std::vector<const TDataSkinObject*> named = {
        s.LeftBorder.get(), s.RightBorder.get(), s.TopBorder.get(), s.BottomBorder.get(), s.Buttons.get(),
        s.Progress.get(), s.ProgressChunk.get(), s.Tabs.get(), s.TabPane.get(), s.ComboButton.get(),
        s.StatusBarEdges.get(), s.Headerbar.get(), s.ScrollbarArrows.get(), s.HorzScrollThumb.get(),
        s.VertScrollThumb.get(), s.HorzScroll.get(), s.VertScroll.get(), s.MenuBackground.get(), s.MenuItem.get(),
        s.ExtraImages.get(), s.TrackThumbHorz.get(), s.TrackThumbDown.get(), s.UpDownHorz.get(), s.UpDownVert.get(),
        s.MenuBar.get(), s.ComboxArrow.get(), s.Toolbar.get()};
    for (const TDataSkinObject* o : named) {
        ASSERT_NE(o, nullptr);
        EXPECT_TRUE(o->HasImage()) << o->Name;
    }
    EXPECT_FALSE(s.Buttons->CheckBitmap->Empty());
    EXPECT_FALSE(s.Buttons->RadioBitmap->Empty());
    EXPECT_EQ(s.Buttons->CheckFrames, 12);
    EXPECT_EQ(s.Buttons->RadioFrames, 8);
    EXPECT_EQ(s.HorzScrollThumb->Frame, 4);
    EXPECT_EQ(s.VertScrollThumb->Frame, 4);
    EXPECT_FALSE(s.UpDownHorz->Bitmap2->Empty());
    EXPECT_EQ(s.Track->Name, "TRACK"); // our skin uses the built-in channels

    // Where the caption buttons land on a window 800 pixels wide (right-aligned: x =
    // width - XCoord), and what they do.
    struct Expect {
        int action, x, width, frame;
    } expected[] = {{0, 770, 25, 6}, {1, 746, 25, 6}, {2, 722, 25, 6}, {1, 746, 25, 6},
                    {3, 8, 0, 1},    {12, 692, 25, 6}, {13, 532, 74, 6}, {14, 612, 74, 6}};
    ASSERT_EQ(s.CaptionButtons.size(), 11u);
    for (int i = 0; i < 8; ++i) {
        SCOPED_TRACE(i);
        const TDataSkinSysButton& b = *s.CaptionButtons[i];
        EXPECT_EQ(b.Action, expected[i].action);
        EXPECT_EQ(b.Align == 1 ? 800 - b.XCoord : b.XCoord, expected[i].x);
        EXPECT_EQ(b.YCoord, 7);
        EXPECT_EQ(b.Frame, expected[i].frame);
        EXPECT_EQ(b.Bitmap->Width() / b.Frame, expected[i].width);
    }
    // The child-window controls come from MDICONTROLS: 12 cells of 16 pixels.
    EXPECT_EQ(s.CaptionButtons[8]->Bitmap->Width(), 64);
    EXPECT_EQ(s.CaptionButtons[8]->XCoord, 60);
}

// Margins, shifts and sizes read from a description are clamped to +-32767.
TEST(SkinObjects, CoordinatesAreClampedWhenRead)
{
    Loaded s("[Personality]\nTopTopHeight=2147483647\nTopBotHeight=-2147483648\nTextShift=99999\nTXTBackleft=-40000\n"
             "TXTBackRight=32767\n[Fonts]\nFontHeight=0x7FFFFFFF\n"
             "[Progress.Chunk]\nImage=strip.bmp\nLeftWidth=40000\nTopHeight=12\nBottomHeight=-40000\n");
    EXPECT_EQ(s.TopBorder->LeftWidth, 32767);
    EXPECT_EQ(s.TopBorder->RightWidth, -32767);
    EXPECT_EQ(s.Title->LeftWidth, 32767);
    EXPECT_EQ(s.Title->TXTBackleft, -32767);
    EXPECT_EQ(s.Title->TXTBackRight, 32767);
    EXPECT_EQ(s.Title->FontHeight, 32767);
    ASSERT_NE(s.ProgressChunk, nullptr);
    EXPECT_EQ((std::vector<int>{s.ProgressChunk->LeftWidth, s.ProgressChunk->TopHeight, s.ProgressChunk->RightWidth,
                                s.ProgressChunk->BottomHeight}),
              (std::vector<int>{32767, 12, 0, -32767}));
}
