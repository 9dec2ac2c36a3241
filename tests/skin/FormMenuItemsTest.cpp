// Owner-drawn menu items of skinned class-library forms: the skin's item events switched on
// by skinning and off by unskinning, WM_MEASUREITEM and WM_DRAWITEM answered for a form's
// main menu, item backgrounds taken from the skinned popup window, and right-to-left items.
#include "skin/engine/SkinData.h"
#include "skin/engine/SkinManage.h"
#include "skin/engine/SkinnedForm.h"
#include "skin/engine/SkinnedPopMenu.h"

#include "MenuItemSkin.h"
#include "MessagePump.h"
#include "RawWindows.h"

#include "classlib/Forms.h"
#include "classlib/Menus.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

using namespace skin;
using namespace skin::test;
using skintest::PumpUntil;

namespace {

// The popup window's menu background: a 3-pixel edge round a middle.
const TColor BgEdge = MakeRGB(30, 30, 160), BgMiddle = MakeRGB(10, 160, 30);

// The item image's frames with transparent tops, and the popup window's menu background.
std::unique_ptr<TSkinData> MenuSkin(bool withImage)
{
    auto d = MenuItemSkin(withImage, true);
    d->MenuBackground = std::make_unique<TDataSkinObject>("MenuBackground");
    cl::TBitmap& bg = *d->MenuBackground->Bitmap;
    bg.SetPixelFormat(cl::pf24bit);
    bg.SetSize(12, 12);
    Fill(bg, RECT{0, 0, 12, 12}, BgEdge);
    Fill(bg, RECT{3, 3, 9, 9}, BgMiddle);
    d->MenuBackground->LeftWidth = d->MenuBackground->TopHeight = 3;
    d->MenuBackground->RightWidth = d->MenuBackground->BottomHeight = 3;
    return d;
}

void Blank(cl::TBitmap& image)
{
    image.SetPixelFormat(cl::pf24bit);
    image.SetSize(120, 20);
    Fill(image, RECT{0, 0, 120, 20}, MakeRGB(1, 2, 3));
}

cl::TMenuItem* Item(cl::TComponent& owner, cl::TMenuItem& parent, const char* caption)
{
    auto* item = new cl::TMenuItem(&owner);
    item->SetCaption(caption);
    parent.Add(item);
    return item;
}

// A raw window standing in for a popup menu or a right-to-left window.
HWND RawWindow(DWORD exStyle, DWORD style, int w, int h, HMENU menu)
{
    skintest::RegisterRawClass("SkinFormMenuItemsTest", DefWindowProcA);
    return skintest::RawWindow("SkinFormMenuItemsTest", "Items", style, w, h, menu, exStyle);
}

// A form with a main menu "File" (Open, a separator, Tick checked) shown in its window, and a
// popup menu: "A" with the submenu item "A1" ("-"), and "B" measuring itself.
struct FormMenus : ::testing::Test {
    std::unique_ptr<TSkinData> data;
    std::unique_ptr<cl::TForm> form;
    cl::TMainMenu* mainMenu = nullptr;
    cl::TMenuItem *file = nullptr, *open = nullptr, *line = nullptr, *tick = nullptr;
    cl::TPopupMenu* popup = nullptr;
    cl::TMenuItem *a = nullptr, *a1 = nullptr, *b = nullptr;
    bool bMeasured = false;
    std::vector<HWND> windows;

    TSkinnedForm* Skinned(bool withImage, TSkinControlTypes add = 0, TSkinControlTypes remove = 0)
    {
        data = MenuSkin(withImage);
        data->Loaded();
        data->SkinControls = (data->SkinControls | add) & ~remove;
        EXPECT_NE(SkinManager, nullptr);
        if (!SkinManager) return nullptr;
        SkinManager->Active = true;
        form = std::make_unique<cl::TForm>(nullptr);
        form->SetBounds(100, 100, 400, 250);
        mainMenu = new cl::TMainMenu(form.get());
        file = Item(*form, *mainMenu->Items(), "&File");
        open = Item(*form, *file, "&Open");
        line = Item(*form, *file, "-");
        tick = Item(*form, *file, "Tick");
        tick->SetChecked(true);
        popup = new cl::TPopupMenu(form.get());
        a = Item(*form, *popup->Items(), "A");
        a1 = Item(*form, *a, "-");
        b = Item(*form, *popup->Items(), "B");
        b->OnMeasureItem = [this](cl::TObject*, cl::TCanvas&, int&, int&) { bMeasured = true; };
        mainMenu->SetWindowHandle(form->Handle());
        form->Show();
        const HWND wnd = form->Handle();
        if (!SkinManager->FindSkinForm(wnd)) {
            EXPECT_TRUE(SkinManager->SkinWindow(wnd));
        }
        TSkinnedForm* f = SkinManager->FindSkinForm(wnd);
        EXPECT_NE(f, nullptr);
        if (!f) return nullptr;
        EXPECT_TRUE(PumpUntil([f] { return f->Initialised; }));
        return f;
    }
    void TearDownWindows()
    {
        for (HWND w : windows) {
            if (SkinManager) SkinManager->RemovePopupMenu(w);
            if (IsWindow(w)) DestroyWindow(w);
        }
        windows.clear();
    }
    void TearDown() override
    {
        TearDownWindows();
        form.reset();
        data.reset();
    }
    // A window the manager frames as a popup menu opened from a menu bar.
    TSkinnedPopMenu* PopupWindow()
    {
        HWND wnd = RawWindow(0, WS_POPUP, 130, 60, nullptr);
        windows.push_back(wnd);
        SkinManager->MenuKind = 1;
        SkinManager->SkinPopupMenu(wnd);
        for (TSkinnedPopMenu* menu : SkinManager->PopupMenus())
            if (menu->Window == wnd) return menu;
        return nullptr;
    }
    // The item drawn into a 120 x 20 bitmap by the form's WM_DRAWITEM.
    LRESULT Draw(cl::TBitmap& image, UINT id, HMENU menu, bool selected = false)
    {
        Blank(image);
        DRAWITEMSTRUCT item{};
        item.CtlType = ODT_MENU;
        item.itemID = id;
        item.itemAction = ODA_DRAWENTIRE;
        item.itemState = selected ? ODS_SELECTED : 0;
        item.hwndItem = reinterpret_cast<HWND>(menu);
        item.hDC = image.Canvas()->Handle();
        item.rcItem = RECT{0, 0, 120, 20};
        return SendMessageA(form->Handle(), WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&item));
    }
};

} // namespace

TEST_F(FormMenus, SkinningGivesPopupItemsTheSkinsEventsAndUnskinningTakesThemAway)
{
    TSkinnedForm* f = Skinned(true);
    ASSERT_NE(f, nullptr);
    EXPECT_TRUE(popup->OwnerDraw());
    for (cl::TMenuItem* item : {a, a1, b}) EXPECT_TRUE(item->OnDrawItem) << item->Caption();
    // The skin measures a separator as the class library does (width 0), with the item
    // image's left margin and 35 more; B keeps its own measuring.
    cl::TBitmap image;
    Blank(image);
    int width = 0, height = 0;
    a1->MeasureItem(*image.Canvas(), width, height);
    EXPECT_EQ(width, ItemLeftMargin + 35);
    b->MeasureItem(*image.Canvas(), width, height);
    EXPECT_TRUE(bMeasured);
    // The skin's drawing: the item image's first frame under the transparent rows.
    a->DrawItem(*image.Canvas(), RECT{0, 0, 120, 20}, false);
    EXPECT_EQ(image.Canvas()->Pixel(110, 19), Frame1);
    EXPECT_EQ(image.Canvas()->Pixel(110, 0), MenuColour);

    f->Unskin();
    EXPECT_FALSE(popup->OwnerDraw());
    for (cl::TMenuItem* item : {a, a1, b}) {
        EXPECT_FALSE(item->OnDrawItem) << item->Caption();
        EXPECT_FALSE(item->OnMeasureItem) << item->Caption();
    }
}

TEST_F(FormMenus, MainMenuItemsBelowTheBarGetTheSkinsEventsWithTheMenuItemMember)
{
    // Without frame skinning (no menu bar) the form's own menu stays; its items are drawn by
    // the skin below the top level.
    TSkinnedForm* f = Skinned(true, Bit(xcMenuItem), Bit(xcMainMenu));
    ASSERT_NE(f, nullptr);
    EXPECT_TRUE(mainMenu->OwnerDraw());
    EXPECT_FALSE(file->OnDrawItem);
    for (cl::TMenuItem* item : {open, line, tick}) {
        EXPECT_TRUE(item->OnDrawItem) << item->Caption();
        EXPECT_TRUE(item->OnMeasureItem) << item->Caption();
    }
    f->Unskin();
    EXPECT_FALSE(mainMenu->OwnerDraw());
    for (cl::TMenuItem* item : {open, line, tick}) EXPECT_FALSE(item->OnDrawItem) << item->Caption();
}

TEST_F(FormMenus, MeasureFindsTheFormsItemsByCommand)
{
    ASSERT_NE(Skinned(true), nullptr);
    ASSERT_NE(SkinManager->FindSkinForm(form->Handle())->MenuBar(), nullptr);
    // An identifier of the class library's range that no item has.
    UINT unknown = 0;
    {
        cl::TMenuItem gone(nullptr);
        unknown = gone.Command();
    }
    const int row = GetSystemMetrics(SM_CYMENUSIZE);
    struct Case {
        const char* name;
        UINT id;
        LRESULT result;
        UINT width, height;
    } const cases[] = {
        // The class library's separator: width 0, half a row; then margin and 35.
        {"form's separator", line->Command(), 1, ItemLeftMargin + 35, static_cast<UINT>(row / 2)},
        {"unknown in 1..4095", unknown, 0, 0, 15},
        // An entry of the window's menu handle without text: 26 and the margin, height 8.
        {"beyond 4095", 5000, 1, 26 + ItemLeftMargin, 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MEASUREITEMSTRUCT item{};
        item.CtlType = ODT_MENU;
        item.itemID = c.id;
        item.itemHeight = 15;
        EXPECT_EQ(SendMessageA(form->Handle(), WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&item)), c.result);
        EXPECT_EQ(item.itemWidth, c.width);
        EXPECT_EQ(item.itemHeight, c.height);
    }
    // A text item: the class library's own measuring (its own handler detached), then 37.
    bool called = false;
    open->OnMeasureItem = [&](cl::TObject*, cl::TCanvas&, int& w, int&) {
        called = true;
        w = 1000;
    };
    cl::TMenuItem twin(nullptr);
    twin.SetCaption("&Open");
    cl::TCanvas canvas;
    canvas.Font().Assign(*cl::Screen->MenuFont());
    HDC screen = GetDC(nullptr);
    canvas.SetHandle(screen);
    int plainWidth = 0, plainHeight = 15;
    twin.MeasureItem(canvas, plainWidth, plainHeight);
    canvas.SetHandle(nullptr);
    ReleaseDC(nullptr, screen);
    MEASUREITEMSTRUCT item{};
    item.CtlType = ODT_MENU;
    item.itemID = open->Command();
    item.itemHeight = 15;
    EXPECT_EQ(SendMessageA(form->Handle(), WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&item)), 1);
    EXPECT_FALSE(called);
    EXPECT_EQ(item.itemWidth, static_cast<UINT>(plainWidth + ItemLeftMargin + 35));
    EXPECT_TRUE(open->OnMeasureItem);
}

TEST_F(FormMenus, AMainMenuFreedWhileSkinnedLeavesTheBarEmpty)
{
    TSkinnedForm* f = Skinned(true);
    ASSERT_NE(f, nullptr);
    ASSERT_NE(f->MenuBar(), nullptr);
    EXPECT_EQ(f->MenuBar()->Items.size(), 1u);
    cl::Free(mainMenu);
    EXPECT_EQ(f->MenuBar()->Menu, nullptr);
    EXPECT_TRUE(f->MenuBar()->Items.empty());
    // No menu the skin draws any more: item messages get the window's own handling.
    MEASUREITEMSTRUCT item{};
    item.CtlType = ODT_MENU;
    item.itemID = 5000;
    item.itemHeight = 15;
    EXPECT_EQ(SendMessageA(form->Handle(), WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&item)), 0);
    EXPECT_EQ(item.itemHeight, 15u);
    f->Unskin();
    EXPECT_EQ(GetMenu(form->Handle()), nullptr);
}

TEST_F(FormMenus, AChangedMainMenuReachesTheBarAndStaysOffTheWindow)
{
    TSkinnedForm* f = Skinned(true);
    ASSERT_NE(f, nullptr);
    ASSERT_NE(f->MenuBar(), nullptr);
    Item(*form, *mainMenu->Items(), "&Help");
    std::vector<std::wstring> captions;
    for (const auto& item : f->MenuBar()->Items) captions.push_back(item->Caption);
    EXPECT_EQ(captions, (std::vector<std::wstring>{L"&File", L"&Help"}));
    EXPECT_EQ(GetMenu(form->Handle()), nullptr);
}

TEST_F(FormMenus, ItemBackgroundComesFromThePopupWindowShowingTheMenu)
{
    ASSERT_NE(Skinned(true), nullptr);
    const HMENU drop = file->Handle();
    struct Case {
        const char* name;
        bool formItem; // else an entry of the menu handle (no item has identifier 5000)
        bool popupWindow;
        TColor above; // the background through the image's transparent rows
    } const cases[] = {
        {"form item on the popup's background", true, true, BgMiddle},
        {"form item without a popup", true, false, MenuColour},
        {"handle item on the popup's background", false, true, BgMiddle},
        {"handle item without a popup", false, false, MenuColour},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TSkinnedPopMenu* shown = c.popupWindow ? PopupWindow() : nullptr;
        if (c.popupWindow) {
            ASSERT_NE(shown, nullptr);
        }
        cl::TBitmap image;
        EXPECT_EQ(Draw(image, c.formItem ? open->Command() : 5000, drop), 1);
        // The window's background at the item's place moved by (3, 3): the middle, not the
        // edge a place without the move would give.
        EXPECT_EQ(image.Canvas()->Pixel(110, 0), c.above);
        EXPECT_EQ(image.Canvas()->Pixel(0, 0), c.above);
        EXPECT_EQ(image.Canvas()->Pixel(110, 19), Frame1);
        if (shown) {
            EXPECT_EQ(shown->Menu, drop);
        }
        TearDownWindows();
    }
}

TEST_F(FormMenus, FormSeparatorShowsTheBackgroundUnderTheSeparatorImage)
{
    ASSERT_NE(Skinned(true), nullptr);
    ASSERT_NE(PopupWindow(), nullptr);
    cl::TBitmap image;
    EXPECT_EQ(Draw(image, line->Command(), file->Handle()), 1);
    // Frame 2 stretched over the item, its transparent rows showing the popup's background.
    EXPECT_EQ(image.Canvas()->Pixel(60, 0), BgMiddle);
    EXPECT_EQ(image.Canvas()->Pixel(60, 19), Frame2);
    EXPECT_FALSE(AnyNear(image, RECT{0, 0, 120, 20}, Frame1));
}

TEST_F(FormMenus, UnknownIdentifierOfTheClassLibraryRangeIsNotDrawn)
{
    ASSERT_NE(Skinned(true), nullptr);
    UINT unknown = 0;
    {
        cl::TMenuItem gone(nullptr);
        unknown = gone.Command();
    }
    cl::TBitmap image;
    EXPECT_EQ(Draw(image, unknown, file->Handle()), 0);
    EXPECT_EQ(image.Canvas()->Pixel(60, 10), MakeRGB(1, 2, 3));
}

TEST(RightToLeftMenuItems, GlyphAtTheRightAndCaptionEndingBeforeIt)
{
    struct Case {
        const char* name;
        DWORD exStyle;
        RECT glyph, captionSide, emptySide; // where the check mark, the caption and nothing are
    } const cases[] = {
        // Left to right: glyph box 1..17, text box from 20.
        {"left to right", 0, RECT{0, 0, 19, 20}, RECT{20, 0, 60, 20}, RECT{70, 0, 103, 20}},
        // Right to left: glyph box 103..119, text box to 100, the caption right-aligned in it.
        {"right to left", WS_EX_LEFTSCROLLBAR, RECT{102, 0, 120, 20}, RECT{60, 0, 101, 20}, RECT{0, 0, 50, 20}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto data = MenuSkin(false);
        skintest::StartSkin(*data);
        ASSERT_NE(SkinManager, nullptr);
        HMENU menu = CreateMenu(), drop = CreatePopupMenu();
        AppendMenuA(drop, MF_STRING | MF_CHECKED, 103, "Tick");
        AppendMenuA(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(drop), "&File");
        HWND wnd = RawWindow(c.exStyle, WS_OVERLAPPEDWINDOW, 400, 250, menu);
        ShowWindow(wnd, SW_SHOWNA);
        TSkinnedForm* f = skintest::SkinNow(wnd, false);
        ASSERT_NE(f, nullptr);
        cl::TBitmap image;
        Blank(image);
        DRAWITEMSTRUCT item{};
        item.CtlType = ODT_MENU;
        item.itemID = 103;
        item.itemAction = ODA_DRAWENTIRE;
        item.hwndItem = reinterpret_cast<HWND>(drop);
        item.hDC = image.Canvas()->Handle();
        item.rcItem = RECT{0, 0, 120, 20};
        EXPECT_EQ(SendMessageA(wnd, WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&item)), 1);
        EXPECT_TRUE(AnyNear(image, c.glyph, MakeRGB(0, 0, 0)));
        EXPECT_TRUE(AnyNear(image, c.captionSide, MenuTextColour));
        EXPECT_FALSE(AnyNear(image, c.emptySide, MenuTextColour));
        data.reset();
        DestroyWindow(wnd);
    }
}

// Windows 9x gives menu-handle items 4 more pixels of height. The platform's version is
// pinned per program: a copy of this program runs under a name the prefix maps to
// Windows 98, and measures there.
namespace {
const char* const Win9xChild = "LUDORA_MENU_ITEMS_9X_CHILD";
}

TEST(MenuItemsOnWindows9x, HandleItemsMeasureFourPixelsHigher)
{
    if (!GetEnvironmentVariableA(Win9xChild, nullptr, 0)) GTEST_SKIP() << "runs in the Windows 98 copy only";
    ASSERT_NE(GetVersion() & 0x80000000u, 0u);
    auto data = MenuSkin(true);
    skintest::StartSkin(*data);
    ASSERT_NE(SkinManager, nullptr);
    HMENU menu = CreateMenu(), drop = CreatePopupMenu();
    AppendMenuA(drop, MF_STRING, 101, "&Open");
    AppendMenuA(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(drop), "&File");
    HWND wnd = RawWindow(0, WS_OVERLAPPEDWINDOW, 400, 250, menu);
    ShowWindow(wnd, SW_SHOWNA);
    TSkinnedForm* f = skintest::SkinNow(wnd, false);
    ASSERT_NE(f, nullptr);
    struct Case {
        UINT id;
        UINT height;
    } const cases[] = {{101, 15 + 4 + 4}, {0, 8 + 4}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        MEASUREITEMSTRUCT item{};
        item.CtlType = ODT_MENU;
        item.itemID = c.id;
        item.itemHeight = 15;
        EXPECT_EQ(SendMessageA(wnd, WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&item)), 1);
        EXPECT_EQ(item.itemHeight, c.height);
    }
    data.reset();
    DestroyWindow(wnd);
}

TEST(MenuItemsOnWindows9x, RunsInAProgramPinnedToWindows98)
{
    if (GetEnvironmentVariableA(Win9xChild, nullptr, 0)) GTEST_SKIP() << "the Windows 98 copy itself";
    char self[MAX_PATH] = {}, temp[MAX_PATH] = {};
    ASSERT_GT(GetModuleFileNameA(nullptr, self, MAX_PATH), 0u);
    ASSERT_GT(GetTempPathA(MAX_PATH, temp), 0u);
    const std::string name = "ludora_menu9x_" + std::to_string(GetCurrentProcessId()) + ".exe";
    const std::string copy = std::string(temp) + name;
    ASSERT_TRUE(CopyFileA(self, copy.c_str(), FALSE));
    const std::string key = "Software\\Wine\\AppDefaults\\" + name;
    HKEY k = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &k, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(k, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>("win98"), 6);
    RegCloseKey(k);

    SetEnvironmentVariableA(Win9xChild, "1");
    std::string command = "\"" + copy + "\" --gtest_filter=MenuItemsOnWindows9x.HandleItemsMeasureFourPixelsHigher";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    const BOOL started =
        CreateProcessA(copy.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
    SetEnvironmentVariableA(Win9xChild, nullptr);
    DWORD code = 1;
    if (started) {
        // Bounded: an emulated machine starts a program in seconds.
        const DWORD waited = WaitForSingleObject(pi.hProcess, 120000);
        EXPECT_EQ(waited, WAIT_OBJECT_0);
        if (waited != WAIT_OBJECT_0) {
            TerminateProcess(pi.hProcess, 1);
            WaitForSingleObject(pi.hProcess, 5000);
        }
        GetExitCodeProcess(pi.hProcess, &code);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    RegDeleteKeyA(HKEY_CURRENT_USER, key.c_str());
    DeleteFileA(copy.c_str());
    ASSERT_TRUE(started);
    EXPECT_EQ(code, 0u);
}
