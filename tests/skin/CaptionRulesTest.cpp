// Caption-button rules: visibility, enabled flags, placement, frames, actions, hints and
// the caption menu's items.
#include "skin/engine/CaptionRules.h"

#include <gtest/gtest.h>

using namespace skin;

namespace {
TCaptionWindow Overlapped()
{
    TCaptionWindow w;
    w.maximizeBox = w.minimizeBox = w.systemMenu = true;
    w.border = bkSizeable;
    return w;
}
} // namespace

TEST(CaptionRules, VisibilityTable)
{
    TCaptionWindow plain = Overlapped();
    TCaptionWindow maxed = plain;
    maxed.maximized = true;
    TCaptionWindow inactive = plain;
    inactive.active = false;
    TCaptionWindow fixed = plain; // a fixed border with both boxes
    fixed.border = bkFixed;
    TCaptionWindow dialog;
    dialog.border = bkDialog;
    dialog.systemMenu = true;
    TCaptionWindow help;
    help.contextHelp = true;
    help.systemMenu = true;
    TCaptionWindow noSys = plain;
    noSys.systemMenu = false;
    TCaptionWindow mdi = plain;
    mdi.mdiMaximizedMenuBar = true;
    struct Case {
        const char* what;
        int action, vis, vis1;
        TCaptionWindow w;
        bool visible;
    } cases[] = {
        {"always", 13, 0, 0, plain, true},
        {"maximised only, normal", 5, 1, 0, plain, false},
        {"maximised only, maximised", 5, 1, 0, maxed, true},
        {"not maximised", 5, 2, 0, maxed, false},
        {"active", 5, 3, 0, inactive, false},
        {"inactive", 5, 4, 0, inactive, true},
        {"boxes and system menu", 5, 6, 0, plain, true},
        {"boxes without system menu", 5, 8, 0, noSys, false},
        {"second 6 needs no system menu", 5, 0, 6, noSys, true},
        {"no maximise box", 5, 7, 0, plain, false},
        {"no minimise box", 5, 9, 0, dialog, true},
        {"help without boxes", 5, 10, 10, help, true},
        {"help with boxes", 5, 10, 0, plain, false},
        {"second 10 without help", 5, 0, 10, plain, false},
        {"13 sizeable with minimise box", 5, 13, 0, plain, true},
        {"13 fixed border", 5, 13, 0, fixed, false},
        {"13 dialog", 5, 13, 0, dialog, false},
        {"100 needs a maximised MDI child", 7, 100, 100, plain, false},
        {"100 with one", 7, 100, 100, mdi, true},
        {"200 dialog", 5, 200, 0, dialog, true},
        {"200 ordinary", 5, 200, 0, plain, false},
        {"201..999", 5, 999, 0, plain, true},
        {"-1", 5, -1, 0, plain, false},
        {"2001", 5, 2001, 0, plain, false},
        {"second -1", 5, 0, -1, plain, false},
        {"second 100 follows the first", 5, 2, 100, maxed, false},
        {"second 200 never", 5, 0, 200, plain, false},
        {"close without system menu", 0, 0, 0, noSys, false},
        {"system menu button in a dialog", 3, 0, 0, dialog, false},
        {"icon button 11 in a dialog", 11, 0, 0, dialog, false},
        {"caption menu in a dialog", 12, 0, 0, dialog, false},
        {"caption menu elsewhere", 12, 0, 0, plain, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CaptionButtonShow(c.action, c.vis, c.vis1, true, c.w, nullptr).visible, c.visible) << c.what;
}

TEST(CaptionRules, QueryAskedForProgramCodesOnly)
{
    int asked = 0, askedVis = 0, askedAction = 0;
    long answer = 1;
    TVisibleQuery query = [&](int vis, int action) {
        ++asked;
        askedVis = vis;
        askedAction = action;
        return answer;
    };
    EXPECT_TRUE(CaptionButtonShow(14, 1500, 0, true, Overlapped(), query).visible);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(askedVis, 1500);
    EXPECT_EQ(askedAction, 14);
    answer = 0; // a window that does not handle the query
    EXPECT_FALSE(CaptionButtonShow(14, 1000, 0, true, Overlapped(), query).visible);
    answer = -3;
    EXPECT_FALSE(CaptionButtonShow(14, 2000, 0, true, Overlapped(), query).visible);
    asked = 0;
    CaptionButtonShow(14, 999, 0, true, Overlapped(), query);
    CaptionButtonShow(14, 2001, 0, true, Overlapped(), query);
    EXPECT_EQ(asked, 0);
}

TEST(CaptionRules, EnabledFlags)
{
    TCaptionWindow noMax = Overlapped();
    noMax.maximizeBox = false;
    TCaptionWindow noSys = Overlapped();
    noSys.systemMenu = false;
    EXPECT_TRUE(CaptionButtonShow(1, 0, 0, false, Overlapped(), nullptr).enabled);
    EXPECT_FALSE(CaptionButtonShow(1, 0, 0, true, noMax, nullptr).enabled);
    EXPECT_TRUE(CaptionButtonShow(2, 0, 0, true, noMax, nullptr).enabled);
    EXPECT_FALSE(CaptionButtonShow(2, 0, 0, true, noSys, nullptr).enabled);
    EXPECT_FALSE(CaptionButtonShow(13, 0, 0, false, Overlapped(), nullptr).enabled); // kept
    EXPECT_TRUE(CaptionButtonShow(13, 0, 0, true, noSys, nullptr).enabled);
}

TEST(CaptionRules, Placement)
{
    TCaptionPlace p;
    p.windowWidth = 500;
    p.titleBandLeft = 100;
    p.titleBandRight = 300;
    p.rightFrame = 5;
    p.menuBarTileLeft = 7;
    p.captionHeight = 30;
    p.menuBarHeight = 20;
    struct Case {
        int align, x, y;
        TRectI rect;
    } cases[] = {
        {0, 10, 4, {10, 4, 26, 18}},
        {1, 60, 4, {440, 4, 456, 18}},
        {2, 3, 5, {81, 5, 97, 19}},
        {8, 3, 5, {81, 5, 97, 19}},
        {3, 3, 5, {303, 5, 319, 19}},
        {9, 3, 5, {303, 5, 319, 19}},
        {100, 40, 99, {448, 33, 464, 47}},
        {4, 10, 10, {0, 0, 16, 14}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CaptionButtonRect(c.align, c.x, c.y, 16, 14, p), c.rect) << "align " << c.align;
}

TEST(CaptionRules, Frames)
{
    // Caption paint: frame 4 only for images with it, on an inactive window or a disabled button.
    EXPECT_EQ(CaptionPaintFrame(4, true, true), 1);
    EXPECT_EQ(CaptionPaintFrame(4, false, true), 4);
    EXPECT_EQ(CaptionPaintFrame(4, true, false), 4);
    EXPECT_EQ(CaptionPaintFrame(3, false, false), 1);
    struct Case {
        int asked, frames;
        bool enabled;
        int visibility, frame;
    } cases[] = {
        {2, 4, true, 0, 2},  {3, 4, true, 0, 3},   {1, 4, true, 0, 1},
        {2, 4, false, 0, 4}, {3, 3, false, 0, 1},  {3, 4, true, 100, 4},
        {2, 4, true, 100, 2},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CaptionButtonFrame(c.asked, c.frames, c.enabled, c.visibility), c.frame)
            << c.asked << " " << c.frames << " " << c.enabled << " " << c.visibility;
}

TEST(CaptionRules, Actions)
{
    struct Case {
        int action;
        TCaptionActionKind kind;
    } cases[] = {
        {0, cakClose},        {1, cakMaximize},    {22, cakMaximize},   {2, cakMinimize},   {23, cakMinimize},
        {3, cakSystemMenu},   {11, cakSystemMenu}, {4, cakHelp},        {7, cakMDIMinimize}, {60, cakMDIMinimize},
        {8, cakMDIRestore},   {61, cakMDIRestore}, {9, cakMDIClose},    {62, cakMDIClose},  {12, cakCaptionMenu},
        {-1, cakPost},        {5, cakPost},        {6, cakPost},        {10, cakPost},      {13, cakPost},
        {14, cakPost},        {21, cakPost},       {24, cakPost},       {59, cakPost},      {63, cakPost},
    };
    for (const Case& c : cases) EXPECT_EQ(CaptionActionKind(c.action), c.kind) << c.action;
}

TEST(CaptionRules, Hints)
{
    const std::wstring close = L"\u5173\u95ed", max = L"\u6700\u5927\u5316", min = L"\u6700\u5c0f\u5316",
                       restore = L"\u8fd8\u539f";
    struct Case {
        int action;
        std::wstring hint;
    } cases[] = {{0, close}, {9, close}, {62, close}, {1, max},      {22, max},  {2, min},  {7, min},
                 {23, min},  {60, min},  {8, restore}, {61, restore}, {13, L""}, {14, L""}, {12, L""}};
    for (const Case& c : cases) EXPECT_EQ(CaptionButtonHint(c.action), c.hint) << c.action;
    // Default application settings: shown after one second, hidden 2.5 seconds later.
    EXPECT_EQ(CaptionHintStep(750, 500, 2500), hsNone);
    EXPECT_EQ(CaptionHintStep(1000, 500, 2500), hsShow);
    EXPECT_EQ(CaptionHintStep(3250, 500, 2500), hsShow);
    EXPECT_EQ(CaptionHintStep(3500, 500, 2500), hsHide);
}

TEST(CaptionRules, CaptionMenu)
{
    const auto& items = CaptionMenuItems();
    ASSERT_EQ(items.size(), 7u);
    const int tags[] = {1, 2, 0, 3, 4, 0, 5};
    const char* names[] = {"Home", "About", "", "Setting", "Update", "", "Exit"};
    for (size_t i = 0; i < items.size(); ++i) {
        EXPECT_EQ(items[i].tag, tags[i]) << i;
        EXPECT_STREQ(items[i].name, names[i]) << i;
    }
    EXPECT_EQ(items[2].caption, nullptr);
    EXPECT_EQ(items[5].caption, nullptr);
    EXPECT_EQ(std::wstring(items[1].caption), L"\u5173\u4e8e Orvane\u6e38\u620f\u76d2");
    EXPECT_EQ(std::wstring(items[6].caption), L"\u9000\u51fa");
    EXPECT_EQ(CaptionMenuX(100, 823), 705);
    EXPECT_EQ(CaptionMenuY(200, 8), 201);
}
