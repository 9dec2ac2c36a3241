// Menus on real platform menus: trees from form resources, popups picked from the
// keyboard while TrackPopupMenu runs, owner-drawn items measured and drawn.
#include "classlib/Controls.h"
#include "classlib/FormReader.h"
#include "classlib/Menus.h"
#include "classlib/TypInfo.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace cl;

namespace {

class TMenuHost : public TComponent {
    CL_CLASS(TMenuHost)
public:
    using TComponent::TComponent;
    TPopupMenu* pmMain = nullptr;
    TMenuItem* N1 = nullptr;
    TMenuItem* N3 = nullptr;
    std::vector<std::string> log;
    bool menuOpenAtClick = true;
    void N1Click(TObject* sender) { Clicked(sender); }
    void N3Click(TObject* sender) { Clicked(sender); }
    void pmMainPopup(TObject*) { log.push_back("popup"); }

private:
    void Clicked(TObject* sender)
    {
        GUITHREADINFO info{};
        info.cbSize = sizeof(info);
        GetGUIThreadInfo(GetCurrentThreadId(), &info);
        menuOpenAtClick = (info.flags & (GUI_INMENUMODE | GUI_POPUPMENUMODE)) != 0;
        log.push_back("click " + static_cast<TComponent*>(sender)->Name());
    }
};

const TClass& TMenuHost::StaticClass()
{
    return DefineClass<TMenuHost, TComponent>("TMenuHost", [](TPublisher<TMenuHost>& p) {
        p.Field("pmMain", &TMenuHost::pmMain);
        p.Field("N1", &TMenuHost::N1);
        p.Field("N3", &TMenuHost::N3);
        p.Handler("N1Click", &TMenuHost::N1Click);
        p.Handler("N3Click", &TMenuHost::N3Click);
        p.Handler("pmMainPopup", &TMenuHost::pmMainPopup);
    });
}

const char* const kTrayMenu = u8R"(
TMenuHost Host {
  TPopupMenu pmMain {
    OnPopup = pmMainPopup
    TMenuItem N1 { Caption = "显示游戏盒" OnClick = N1Click Default = True }
    TMenuItem N2 { Caption = "隐藏游戏盒" Enabled = False }
    TMenuItem N4 { Caption = "-" }
    TMenuItem N5 { Caption = "hidden" Visible = False }
    TMenuItem N3 { Caption = "退出" OnClick = N3Click ShortCut = 32883 }
  }
}
)";

AnsiString EntryText(HMENU menu, UINT position)
{
    char text[100] = {};
    GetMenuStringA(menu, position, text, sizeof(text), MF_BYPOSITION);
    return text;
}

// Keys for the menu that TrackPopupMenu is running: posted from a thread timer, which
// the menu loop dispatches while it waits.
class MenuKeys {
public:
    explicit MenuKeys(std::vector<WORD> keys, UINT delay = 30) : keys_(std::move(keys))
    {
        current_ = this;
        timer_ = SetTimer(nullptr, 0, delay, &MenuKeys::Tick);
    }
    ~MenuKeys()
    {
        KillTimer(nullptr, timer_);
        current_ = nullptr;
    }
    size_t Sent() const { return next_; }
    // The menu window's screen rectangle when the first key went.
    RECT shown{};

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
    {
        MenuKeys* self = current_;
        if (!self || self->next_ >= self->keys_.size()) return;
        HWND menu = ThreadMenuWindow();
        if (!menu) return;
        if (self->next_ == 0) GetWindowRect(menu, &self->shown);
        PostMessageA(menu, WM_KEYDOWN, self->keys_[self->next_++], 0);
    }
    // Other test programs share the desktop: only this thread's menu window counts.
    static HWND ThreadMenuWindow()
    {
        HWND found = nullptr;
        EnumThreadWindows(GetCurrentThreadId(), &MenuKeys::IsMenuWindow, reinterpret_cast<LPARAM>(&found));
        return found;
    }
    static BOOL CALLBACK IsMenuWindow(HWND wnd, LPARAM found)
    {
        char name[16] = {};
        GetClassNameA(wnd, name, sizeof(name));
        if (std::string(name) != "#32768" || !IsWindowVisible(wnd)) return TRUE;
        *reinterpret_cast<HWND*>(found) = wnd;
        return FALSE;
    }
    static inline MenuKeys* current_ = nullptr;
    std::vector<WORD> keys_;
    size_t next_ = 0;
    UINT_PTR timer_ = 0;
};

int menuChanges = 0;
LRESULT CALLBACK CountMenuChanges(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == CM_MENUCHANGED) ++menuChanges;
    return DefWindowProcA(wnd, msg, wParam, lParam);
}

struct Menus : ::testing::Test {
    TMenuHost host{nullptr};
    void Load() { ReadComponentText(kTrayMenu, host); }
};

} // namespace

TEST_F(Menus, FormResourceBuildsTheItemTreeAndItsMenu)
{
    Load();
    ASSERT_NE(host.pmMain, nullptr);
    TMenuItem* items = host.pmMain->Items();
    ASSERT_EQ(items->Count(), 5);
    EXPECT_EQ(items->Items(0), host.N1);
    EXPECT_EQ(host.N1->Parent(), items);
    EXPECT_EQ(host.N1->GetParentMenu(), host.pmMain);
    EXPECT_EQ(host.N3->MenuIndex(), 4);
    EXPECT_EQ(GetPropText(*host.N3, "ShortCut"), "32883");
    EXPECT_EQ(ShortCutToText(host.N3->ShortCut()), "Alt+F4");

    HMENU menu = host.pmMain->Handle();
    ASSERT_EQ(GetMenuItemCount(menu), 4); // the invisible item has no entry
    EXPECT_EQ(EntryText(menu, 0), "显示游戏盒");
    EXPECT_EQ(EntryText(menu, 3), "退出\tAlt+F4");
    EXPECT_EQ(GetMenuItemID(menu, 0), host.N1->Command());
    EXPECT_EQ(GetMenuState(menu, 0, MF_BYPOSITION) & MF_DEFAULT, static_cast<UINT>(MF_DEFAULT));
    EXPECT_EQ(GetMenuState(menu, 1, MF_BYPOSITION) & MF_GRAYED, static_cast<UINT>(MF_GRAYED));
    EXPECT_EQ(GetMenuState(menu, 2, MF_BYPOSITION) & MF_SEPARATOR, static_cast<UINT>(MF_SEPARATOR));
}

TEST_F(Menus, ChangesReachTheBuiltMenu)
{
    Load();
    HMENU menu = host.pmMain->Handle();
    host.N1->SetCaption("Show");
    host.N1->SetChecked(true);
    EXPECT_EQ(EntryText(menu, 0), "Show");
    EXPECT_EQ(GetMenuState(menu, 0, MF_BYPOSITION) & MF_CHECKED, static_cast<UINT>(MF_CHECKED));

    // A child makes its item a submenu; losing it takes the submenu away again.
    auto* sub = new TMenuItem(&host);
    sub->SetCaption("Sub");
    host.N3->Add(sub);
    HMENU submenu = GetSubMenu(menu, 3);
    ASSERT_NE(submenu, nullptr);
    EXPECT_EQ(host.pmMain->FindItem(reinterpret_cast<UINT_PTR>(submenu), fkHandle), host.N3);
    EXPECT_EQ(EntryText(submenu, 0), "Sub");
    delete sub;
    EXPECT_EQ(host.N3->Count(), 0);
    EXPECT_EQ(GetSubMenu(menu, 3), nullptr);

    // Breaks start a new column.
    const struct { TMenuBreak value; UINT type; } breaks[] = {
        {mbBreak, MFT_MENUBREAK}, {mbBarBreak, MFT_MENUBARBREAK}, {mbNone, 0}};
    for (const auto& b : breaks) {
        host.N3->SetBreak(b.value);
        MENUITEMINFOA info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE;
        ASSERT_TRUE(GetMenuItemInfoA(menu, 3, TRUE, &info));
        EXPECT_EQ(info.fType & (MFT_MENUBREAK | MFT_MENUBARBREAK), b.type) << b.value;
    }

    host.N1->SetVisible(false);
    EXPECT_EQ(GetMenuItemCount(menu), 3);
    EXPECT_EQ(host.pmMain->FindItem(host.N1->Command(), fkCommand), host.N1);
}

TEST_F(Menus, FreeingItemsAndMenusInAnyOrder)
{
    Load();
    host.pmMain->Handle();
    delete host.N1; // an item owned by the form leaves its menu
    EXPECT_EQ(host.pmMain->Items()->Count(), 4);
    EXPECT_EQ(GetMenuItemCount(host.pmMain->Handle()), 3);
    delete host.pmMain; // the menu takes the remaining items with it
    EXPECT_EQ(host.FindComponent("N3"), nullptr);
    EXPECT_EQ(host.ComponentCount(), 0);
}

TEST_F(Menus, CommandsAreUniqueAndComeBack)
{
    TMenuItem a(nullptr), b(nullptr);
    EXPECT_NE(a.Command(), 0);
    EXPECT_NE(a.Command(), b.Command());
    WORD taken;
    {
        TMenuItem c(nullptr);
        taken = c.Command();
    }
    bool reused = false;
    std::vector<std::unique_ptr<TMenuItem>> many;
    for (int i = 0; i < 0xF000 && !reused; ++i) {
        many.push_back(std::make_unique<TMenuItem>(nullptr));
        reused = many.back()->Command() == taken;
        ASSERT_LT(many.back()->Command(), 0xF000);
    }
    EXPECT_TRUE(reused);
}

TEST_F(Menus, ItemOutsideAMenuIsRefused)
{
    const char* wrong = u8R"(
TMenuHost Host {
  TPopupMenu pmMain { }
  TMenuItem N1 { Caption = "loose" }
}
)";
    EXPECT_THROW(ReadComponentText(wrong, host), EReadError);
}

TEST_F(Menus, PopupDeliversThePickedItemsClickAfterTheMenuCloses)
{
    Load();
    {
        MenuKeys keys({VK_DOWN, VK_RETURN});
        host.pmMain->Popup(100, 100);
        EXPECT_EQ(keys.Sent(), 2u);
    }
    ASSERT_EQ(host.log, (std::vector<std::string>{"popup", "click N1"}));
    EXPECT_FALSE(host.menuOpenAtClick);

    // Down skips the disabled item and the separator; the last entry is N3.
    host.log.clear();
    {
        MenuKeys keys({VK_UP, VK_RETURN});
        host.pmMain->Popup(100, 100);
    }
    EXPECT_EQ(host.log, (std::vector<std::string>{"popup", "click N3"}));
}

TEST_F(Menus, AlignmentPlacesTheMenuAgainstThePoint)
{
    Load();
    const struct { TPopupAlignment alignment; int (*edge)(const RECT&); } cases[] = {
        {paLeft, [](const RECT& r) { return static_cast<int>(r.left); }},
        {paRight, [](const RECT& r) { return static_cast<int>(r.right); }},
        {paCenter, [](const RECT& r) { return static_cast<int>((r.left + r.right) / 2); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.alignment);
        SetPropText(*host.pmMain, "Alignment", EnumName(PopupAlignmentType, c.alignment));
        MenuKeys keys({VK_ESCAPE});
        host.pmMain->Popup(500, 300);
        EXPECT_NEAR(c.edge(keys.shown), 500, 1);
        EXPECT_EQ(keys.shown.top, 300);
    }
}

TEST_F(Menus, PopupClosedWithoutAPickClicksNothing)
{
    Load();
    MenuKeys keys({VK_ESCAPE});
    host.pmMain->Popup(100, 100);
    EXPECT_EQ(keys.Sent(), 1u);
    EXPECT_EQ(host.log, (std::vector<std::string>{"popup"}));
}

TEST_F(Menus, ClickHandlerMayFreeTheMenu)
{
    Load();
    host.N1->OnClick = [this](TObject*) {
        delete host.pmMain;
        host.pmMain = nullptr;
    };
    MenuKeys keys({VK_DOWN, VK_RETURN});
    TPopupMenu* menu = host.pmMain;
    menu->Popup(100, 100);
    EXPECT_EQ(host.pmMain, nullptr);
}

TEST_F(Menus, OwnerDrawnItemsAreMeasuredAndDrawn)
{
    Load();
    host.pmMain->SetOwnerDraw(true);
    std::vector<std::string> measured, drawn;
    for (int i = 0; i < host.pmMain->Items()->Count(); ++i) {
        TMenuItem* item = host.pmMain->Items()->Items(i);
        item->OnMeasureItem = [&measured](TObject* sender, TCanvas& canvas, int& width, int& height) {
            measured.push_back(static_cast<TComponent*>(sender)->Name());
            EXPECT_TRUE(canvas.HandleAllocated());
            width = 120;
            height = 20;
        };
        item->OnDrawItem = [&drawn](TObject* sender, TCanvas& canvas, const RECT& rect, bool) {
            drawn.push_back(static_cast<TComponent*>(sender)->Name());
            EXPECT_EQ(rect.bottom - rect.top, 20);
            canvas.Brush().SetColor(clRed);
            canvas.FillRect(rect);
        };
    }
    MenuKeys keys({VK_DOWN, VK_RETURN}, 150);
    host.pmMain->Popup(100, 100);
    EXPECT_EQ(keys.Sent(), 2u);
    // Every visible item: measured before the menu shows, drawn while it shows.
    for (const char* name : {"N1", "N2", "N4", "N3"}) {
        EXPECT_NE(std::find(measured.begin(), measured.end(), name), measured.end()) << name;
        EXPECT_NE(std::find(drawn.begin(), drawn.end(), name), drawn.end()) << name;
    }
    EXPECT_EQ(std::find(measured.begin(), measured.end(), "N5"), measured.end());
    EXPECT_EQ(host.log.back(), "click N1");
}

TEST_F(Menus, PlainOwnerDrawnLookAnswersMeasure)
{
    Load();
    host.pmMain->SetOwnerDraw(true);
    MEASUREITEMSTRUCT mis{};
    mis.CtlType = ODT_MENU;
    mis.itemID = host.N3->Command();
    LRESULT result = 0;
    ASSERT_TRUE(DispatchMenuMessage(nullptr, WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&mis), result));
    EXPECT_EQ(result, TRUE);
    EXPECT_GT(mis.itemWidth, 40u);
    EXPECT_GE(mis.itemHeight, static_cast<UINT>(GetSystemMetrics(SM_CYMENUSIZE)));

    // A command no menu has stays with the window.
    mis.itemID = 0xEFFF;
    EXPECT_FALSE(DispatchMenuMessage(nullptr, WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&mis), result));
}

TEST(MenuText, AcceleratorsAndShortCuts)
{
    const struct { char c; const char* caption; bool accel; } accels[] = {
        {'x', "E&xit", true}, {'X', "E&xit", true}, {'E', "E&xit", false}, {'c', "a&&b&c", true},
        {'b', "a&&b&c", false}, {'&', "a&&b", false}, {'a', "abc&", false}, {'O', "[&O]确定", true},
    };
    for (const auto& a : accels) EXPECT_EQ(IsAccel(a.c, a.caption), a.accel) << a.c << " in " << a.caption;

    const struct { TShortCut shortCut; const char* text; } keys[] = {
        {0, ""}, {scAlt | VK_F4, "Alt+F4"}, {scCtrl | 'B', "Ctrl+B"}, {scShift | scCtrl | VK_DELETE, "Shift+Ctrl+Del"},
        {VK_F12, "F12"}, {scCtrl | 0xBA, ""},
    };
    for (const auto& k : keys) EXPECT_EQ(ShortCutToText(k.shortCut), k.text) << k.shortCut;
}

TEST_F(Menus, MainMenuGivesTheWindowItsMenuBar)
{
    TMainMenu menu(nullptr);
    auto* file = new TMenuItem(&menu);
    file->SetCaption("&File");
    menu.Items()->Add(file);
    auto* exit = new TMenuItem(&menu);
    exit->SetCaption("E&xit");
    int clicks = 0;
    exit->OnClick = [&clicks](TObject*) { ++clicks; };
    file->Add(exit);

    WNDCLASSA wc{};
    wc.lpfnWndProc = CountMenuChanges;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "MenuHostWindow";
    RegisterClassA(&wc);
    HWND wnd = CreateWindowExA(0, "MenuHostWindow", "menu host", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr,
                               nullptr, wc.hInstance, nullptr);
    ASSERT_NE(wnd, nullptr);
    menu.SetWindowHandle(wnd);
    EXPECT_EQ(GetMenu(wnd), menu.Handle());
    EXPECT_EQ(EntryText(GetMenu(wnd), 0), "&File");
    EXPECT_EQ(EntryText(GetSubMenu(GetMenu(wnd), 0), 0), "E&xit");

    // A change is announced to the window, which shows the new caption at once.
    menuChanges = 0;
    file->SetCaption("&Game");
    EXPECT_EQ(menuChanges, 1);
    EXPECT_EQ(EntryText(GetMenu(wnd), 0), "&Game");

    LRESULT result = -1;
    EXPECT_TRUE(DispatchMenuMessage(&menu, WM_COMMAND, MAKEWPARAM(exit->Command(), 0), 0, result));
    EXPECT_EQ(clicks, 1);
    // A control's notification is no menu command.
    EXPECT_FALSE(DispatchMenuMessage(&menu, WM_COMMAND, MAKEWPARAM(exit->Command(), BN_CLICKED),
                                     reinterpret_cast<LPARAM>(wnd), result));

    // Unbinding takes the menu back before the window can destroy it.
    menu.SetWindowHandle(nullptr);
    EXPECT_EQ(GetMenu(wnd), nullptr);
    DestroyWindow(wnd);
    EXPECT_TRUE(IsMenu(menu.Handle()));
}

TEST(MenuImages, ReadFromTheResourceAndDroppedWhenTheListGoes)
{
    TImageList::StaticClass();
    TPopupMenu::StaticClass();
    TComponent root(nullptr);
    ReadComponentText("TComponent Root {\n  TImageList il { Width = 20 Height = 20 }\n"
                      "  TPopupMenu pm { Images = il\n    TMenuItem mi { Caption = \"x\" ImageIndex = 2 }\n  }\n}",
                      root);
    auto* list = dynamic_cast<TImageList*>(root.FindComponent("il"));
    auto* menu = dynamic_cast<TPopupMenu*>(root.FindComponent("pm"));
    auto* item = dynamic_cast<TMenuItem*>(root.FindComponent("mi"));
    ASSERT_NE(list, nullptr);
    ASSERT_NE(menu, nullptr);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(menu->Images(), list);
    EXPECT_EQ(item->ImageIndex(), 2);
    EXPECT_EQ(TMenuItem(nullptr).ImageIndex(), -1);

    // A list of another owner: the menu still hears that it goes.
    auto other = std::make_unique<TImageList>(nullptr);
    menu->SetImages(other.get());
    other.reset();
    EXPECT_EQ(menu->Images(), nullptr);
    menu->SetImages(list);
    delete list;
    EXPECT_EQ(menu->Images(), nullptr);
}
