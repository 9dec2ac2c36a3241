// The main window for real: made from its form resource in this process, with Config.db
// fixtures beside the test program.
#include "classlib/Seams.h"
#include "classlib/TypInfo.h"
#include "shell/AboutFrm.h"
#include "shell/FeedBackFrm.h"
#include "shell/IEExternal.h"
#include "shell/MainFrm.h"
#include "shell/PlayFrm.h"
#include "shell/SettingFrm.h"
#include "shell/UnConst.h"

#include "../support/ScriptHost.h"
#include "../support/WinePath.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>

namespace {

// Handles messages until done() holds, waiting on the queue, for at most bound ms; false if
// it never held. A WM_QUIT met on the way stays queued and ends the wait.
bool PumpUntil(const std::function<bool()>& done, DWORD bound = 5000)
{
    const DWORD start = GetTickCount();
    for (;;) {
        cl::Application->ProcessMessages();
        if (done()) return true;
        MSG quit;
        const DWORD spent = GetTickCount() - start;
        if (spent >= bound || PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE)) return false;
        MsgWaitForMultipleObjectsEx(0, nullptr, bound - spent, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
}

// Records every address the watched panes are asked to load (the browser raises
// BeforeNavigate2 even without an HTML engine), cancels the load and keeps the pane's
// earlier handler in the chain. When the log goes, a pane still there gets its earlier
// handler back if the log's is still current; a handler of a log gone that is still
// chained only passes the event on.
class NavigationLog : public cl::TComponent {
public:
    NavigationLog() : TComponent(nullptr) {}
    ~NavigationLog() override
    {
        record_->open = false;
        for (const auto& watched : previous_) {
            TWebPane* pane = watched.first;
            const Recorder* current = pane->OnBeforeNavigate2.target<Recorder>();
            if (current && current->record == record_) pane->OnBeforeNavigate2 = watched.second;
            pane->RemoveFreeNotification(*this);
        }
    }

    void Watch(TWebPane* pane)
    {
        previous_[pane] = pane->OnBeforeNavigate2;
        pane->OnBeforeNavigate2 = Recorder{record_, pane, pane->OnBeforeNavigate2};
        pane->FreeNotification(*this);
    }

    // The browser raises the event from its queue, in order: each watched pane is asked
    // for one more, marked address, and the log waits until every mark has come, so that
    // every address asked for before has been recorded. The marks are not kept.
    bool Settle()
    {
        const std::wstring mark = L"about:blank#navigation-log-mark";
        for (const auto& watched : previous_) watched.first->Navigate(mark);
        const bool settled = PumpUntil([&] {
            for (const auto& watched : previous_)
                if (Last(watched.first) != mark) return false;
            return true;
        });
        for (auto& pane : record_->urls) {
            auto& urls = pane.second;
            urls.erase(std::remove(urls.begin(), urls.end(), mark), urls.end());
        }
        auto& order = record_->order;
        order.erase(std::remove_if(order.begin(), order.end(), [&](const auto& o) { return o.second == mark; }),
                    order.end());
        return settled;
    }

    // The watched panes in the order they were asked for addresses, one entry an address.
    std::vector<TWebPane*> Order() const
    {
        std::vector<TWebPane*> panes;
        for (const auto& o : record_->order) panes.push_back(o.first);
        return panes;
    }

    std::wstring Last(TWebPane* pane) const
    {
        auto it = record_->urls.find(pane);
        return it == record_->urls.end() || it->second.empty() ? L"" : it->second.back();
    }

protected:
    void Notification(cl::TComponent& component, cl::TOperation operation) override
    {
        TComponent::Notification(component, operation);
        if (operation != cl::TOperation::opRemove) return;
        for (auto it = previous_.begin(); it != previous_.end(); ++it)
            if (static_cast<cl::TComponent*>(it->first) == &component) {
                previous_.erase(it);
                return;
            }
    }

private:
    struct Record {
        std::map<TWebPane*, std::vector<std::wstring>> urls;
        std::vector<std::pair<TWebPane*, std::wstring>> order;
        bool open = true;
    };
    struct Recorder {
        std::shared_ptr<Record> record;
        TWebPane* pane;
        cl::TWebBeforeNavigate2Event previous;
        void operator()(cl::TObject* s, IDispatch* d, const VARIANT& url, const VARIANT& f, const VARIANT& t,
                        const VARIANT& p, const VARIANT& h, bool& cancel) const
        {
            if (record->open) {
                const std::wstring address = V_VT(&url) == VT_BSTR ? V_BSTR(&url) : L"?";
                record->urls[pane].push_back(address);
                record->order.emplace_back(pane, address);
                cancel = true; // nothing is loaded
            }
            if (previous) previous(s, d, url, f, t, p, h, cancel);
        }
    };
    std::shared_ptr<Record> record_ = std::make_shared<Record>();
    std::map<TWebPane*, cl::TWebBeforeNavigate2Event> previous_;
};

std::wstring Wide(const cl::AnsiString& s) { return std::wstring(s.begin(), s.end()); } // ASCII paths

struct MainWindow : ::testing::Test {
    std::vector<std::string> opened, boxes;
    cl::TShellExecuteService oldShell;
    cl::TMessageBoxService oldBox;

    static void WriteConfig(const char* text)
    {
        std::string path = AppPath + ConfigFileName;
        DeleteFileA(path.c_str());
        if (!text) return;
        FILE* f = fopen(path.c_str(), "wb");
        fputs(text, f);
        fclose(f);
    }

    void SetUp() override
    {
        SetEnvironmentVariableA("LUDORA_PORTAL", "http://127.0.0.1:9");
        OleInitialize(nullptr);
        oldShell = cl::ReplaceShellExecute([this](HWND, const cl::AnsiString&, const cl::AnsiString& file,
                                                  const cl::AnsiString&, const cl::AnsiString&, int) {
            opened.push_back(file);
            return reinterpret_cast<HINSTANCE>(33);
        });
        oldBox = cl::ReplaceMessageBox([this](HWND, const cl::AnsiString& text, const cl::AnsiString&, UINT) {
            boxes.push_back(text);
            return IDOK;
        });
        cl::Application->Initialize();
    }

    void Create(const char* config)
    {
        WriteConfig(config);
        cl::Application->CreateForm(MainForm);
        ASSERT_NE(MainForm, nullptr);
    }

    // Shows the window and handles messages until the work posted at the show has run.
    static void ShowStarted()
    {
        MainForm->Show();
        ASSERT_TRUE(PumpUntil([] { return MainForm->Volume() != nullptr; }));
    }

    void TearDown() override
    {
        cl::Free(MainForm);
        WriteConfig(nullptr);
        cl::ReplaceShellExecute(oldShell);
        cl::ReplaceMessageBox(oldBox);
    }

    static bool HotKeyHeld()
    {
        // A second registration of Ctrl+B fails while the form holds it.
        int id = GlobalAddAtomA("hotkeyD") - 0xC000;
        HWND probe = CreateWindowA("STATIC", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
        bool free = RegisterHotKey(probe, id, MOD_CONTROL, 'B') != FALSE;
        if (free) UnregisterHotKey(probe, id);
        DestroyWindow(probe);
        return !free;
    }
};

} // namespace

TEST_F(MainWindow, ShowsWithItsCaptionSizeAndAlignedPanes)
{
    Create(nullptr);
    MainForm->Show();
    char caption[64] = {};
    GetWindowTextA(MainForm->Handle(), caption, sizeof caption);
    EXPECT_STREQ(caption, "Orvane游戏盒");
    RECT r;
    GetWindowRect(MainForm->Handle(), &r);
    EXPECT_EQ(r.right - r.left, 823);
    EXPECT_EQ(r.bottom - r.top, 570);
    const int w = MainForm->ClientWidth(), h = MainForm->ClientHeight();
    auto bounds = [](cl::TControl* c) { return std::vector<int>{c->Left(), c->Top(), c->Width(), c->Height()}; };
    EXPECT_EQ(bounds(MainForm->webTop), (std::vector<int>{0, 0, w, 75}));
    EXPECT_EQ(bounds(MainForm->statMain), (std::vector<int>{0, h - 23, w, 23}));
    EXPECT_EQ(bounds(MainForm->webLeft), (std::vector<int>{0, 75, 150, h - 75 - 23}));
    EXPECT_EQ(bounds(MainForm->webMain), (std::vector<int>{150, 75, w - 150, h - 75 - 23}));
    ASSERT_EQ(MainForm->statMain->Panels()->Count(), 2);
    EXPECT_EQ((*MainForm->statMain->Panels())[1]->Text(), "游戏管理");
    EXPECT_EQ(MainForm->statMain->Cursor(), cl::crHandPoint);
    EXPECT_EQ(MainForm->pmMain->Items()->Count(), 4);
}

TEST_F(MainWindow, EveryPaneCarriesThePrintOptions)
{
    Create(nullptr);
    for (TWebPane* pane : {MainForm->webTop, MainForm->webLeft, MainForm->webMain}) {
        SCOPED_TRACE(pane->Name());
        EXPECT_EQ(pane->PrintOptions()->Header, "&w&b\xD2\xB3\xC2\xEB\xA3\xAC&p/&P"); // 页码，in code page 936
        EXPECT_EQ(pane->PrintOptions()->Footer, "&u&b&d");
        ASSERT_EQ(pane->PrintOptions()->HTMLHeader()->Count(), 1);
        EXPECT_EQ((*pane->PrintOptions()->HTMLHeader())[0], "<HTML></HTML>");
        EXPECT_EQ(pane->PrintOptions()->Orientation, browser::poPortrait);
    }
}

TEST_F(MainWindow, NavigationWordsAreExactAndMoveThePanes)
{
    Create(nullptr);
    ShowStarted();
    const std::wstring app = Wide(AppPath), portal = L"http://127.0.0.1:9";
    struct Case {
        const char* word;
        std::wstring left;  // expected last address of the left pane ("" none)
        bool leftVisible;
        std::wstring main;  // of the middle pane ("" none)
    } cases[] = {
        {"mygames", app + L"LocalPage\\catalog\\catalogmygame.html", true, app + L"LocalPage\\management\\localflash.html?item=1"},
        {"webgames", L"", false, portal + L"/box/webgame.html"},
        {"flashgames", app + L"LocalPage\\catalog\\catalogflash.html", true, portal + L"/box/"},
        {"local", L"", true, app + L"LocalPage\\management\\localflash.html?item=1"},
        {"favorites", L"", true, app + L"LocalPage\\management\\localflash.html?item=2"},
        {"MyGames", L"", true, L""},
        {"flash", L"", true, L""},
        {"", L"", true, L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.word);
        NavigationLog log;
        log.Watch(MainForm->webLeft);
        log.Watch(MainForm->webMain);
        MainForm->Navigate(c.word);
        ASSERT_TRUE(log.Settle());
        EXPECT_EQ(log.Last(MainForm->webLeft), c.left);
        EXPECT_EQ(log.Last(MainForm->webMain), c.main);
        EXPECT_EQ(MainForm->webLeft->Visible(), c.leftVisible);
    }
}

TEST_F(MainWindow, StartUpNavigatesThePanesAndSetsTheVolumeOnceShown)
{
    Create(nullptr);
    NavigationLog log;
    for (TWebPane* pane : {MainForm->webTop, MainForm->webLeft, MainForm->webMain}) log.Watch(pane);
    MainForm->Show();
    // The window is up before the start-up work, which waits in the queue.
    EXPECT_TRUE(IsWindowVisible(MainForm->Handle()));
    EXPECT_EQ(MainForm->Volume(), nullptr);
    ASSERT_TRUE(PumpUntil([] { return MainForm->Volume() != nullptr; }));
    ASSERT_TRUE(log.Settle());
    EXPECT_EQ(log.Order(), (std::vector<TWebPane*>{MainForm->webTop, MainForm->webLeft, MainForm->webMain}));
    EXPECT_EQ(log.Last(MainForm->webTop), Wide(AppPath) + L"LocalPage\\navigate\\topbanner.html");
    EXPECT_EQ(log.Last(MainForm->webLeft), Wide(AppPath) + L"LocalPage\\catalog\\catalogflash.html");
    EXPECT_EQ(log.Last(MainForm->webMain), L"http://127.0.0.1:9/box/");
    TVolume* volume = MainForm->Volume();
    // Level 60 on both channels: 60 in the high byte of each 16-bit half. Without a device
    // (Wine here) the object keeps what it was told.
    EXPECT_EQ(volume->Value(), 0x3C003C00u);
    EXPECT_EQ(volume->GetLeft(), 60);
    EXPECT_EQ(volume->GetRight(), 60);
    // Shown again: the panes navigate again, the volume object stays.
    MainForm->Hide();
    MainForm->Show();
    EXPECT_TRUE(PumpUntil([&] { return log.Order().size() == 6; }));
    EXPECT_EQ(MainForm->Volume(), volume);
}

TEST_F(MainWindow, StartUpWorkOfAWindowGoneBeforeItRanIsDropped)
{
    Create(nullptr);
    MainForm->Show();
    cl::Free(MainForm);
    // The posted work finds no window: nothing runs, nothing breaks.
    EXPECT_FALSE(PumpUntil([] { return false; }, 300));
}

TEST_F(MainWindow, BossKeyFollowsTheSettings)
{
    struct Case {
        const char* config;
        bool held;
    } cases[] = {
        {nullptr, true},
        {"[Setting]\r\nSetBossKey=1\r\n", true},
        {"[Setting]\r\nSetBossKey=0\r\n", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.config ? c.config : "no Config.db");
        Create(c.config);
        EXPECT_EQ(MainForm->BossKeyOn(), c.held);
        EXPECT_EQ(HotKeyHeld(), c.held);
        cl::Free(MainForm);
        EXPECT_FALSE(HotKeyHeld()); // given back when the window goes
    }
}

TEST_F(MainWindow, CtrlBTogglesTheTrayAndOtherModifiersDoNothing)
{
    Create(nullptr);
    MainForm->Show();
    HWND wnd = MainForm->Handle();
    SendMessageA(wnd, WM_HOTKEY, 0, MAKELPARAM(MOD_CONTROL | MOD_SHIFT, 'B'));
    EXPECT_FALSE(MainForm->InTray());
    SendMessageA(wnd, WM_HOTKEY, 0, MAKELPARAM(MOD_CONTROL, 'B'));
    EXPECT_TRUE(MainForm->InTray());
    SendMessageA(wnd, WM_HOTKEY, 0, MAKELPARAM(MOD_CONTROL, 'B'));
    EXPECT_FALSE(MainForm->InTray());
}

TEST_F(MainWindow, ClosingGoesToTheTrayUnlessCloseExitIsSet)
{
    Create(nullptr);
    MainForm->Show();
    MainForm->Close();
    EXPECT_TRUE(MainForm->InTray());
    EXPECT_FALSE(cl::Application->Terminated());
    SendMessageA(MainForm->Handle(), WM_SKIN_CAPTION_MENU, 5, 0); // the caption menu's exit
    EXPECT_TRUE(MainForm->CloseExit());
    cl::Application->ProcessMessages(); // the quit message ends the loop
    EXPECT_TRUE(cl::Application->Terminated());
}

TEST_F(MainWindow, CloseExitFromTheSettingsEndsTheProgram)
{
    Create("[Setting]\r\nCloseExit=1\r\n");
    MainForm->Show();
    MainForm->Close();
    cl::Application->ProcessMessages();
    EXPECT_TRUE(cl::Application->Terminated());
}

TEST_F(MainWindow, CaptionButtonsAndMenuReachTheirActions)
{
    Create(nullptr);
    HWND wnd = MainForm->Handle();
    SendMessageA(wnd, WM_SKIN_CAPTION_BUTTON, 14, 0);
    SendMessageA(wnd, WM_SKIN_CAPTION_BUTTON, 15, 0);
    SendMessageA(wnd, WM_SKIN_CAPTION_MENU, 1, 0);
    SendMessageA(wnd, WM_SKIN_CAPTION_MENU, 6, 0);
    EXPECT_EQ(opened, (std::vector<std::string>{"http://127.0.0.1:9/", "http://127.0.0.1:9/"}));
    EXPECT_TRUE(boxes.empty());
    cl::Application->ProcessMessages();
    EXPECT_FALSE(cl::Application->Terminated());
}

TEST_F(MainWindow, StatusBarClickZones)
{
    Create(nullptr);
    ShowStarted();
    cl::TStatusBar* bar = MainForm->statMain;
    const int r = bar->ClientWidth();
    NavigationLog log;
    log.Watch(MainForm->webMain);
    // Under Wine the cursor set by a program does not always read back at once, so the
    // zones are driven with the point a click would bring.
    auto clickAt = [&](int x) { MainForm->StatusBarClickAt(POINT{x, 5}); };
    TVolume* volume = MainForm->Volume();
    clickAt(r - 80); // the right edge of the sound zone is outside it
    EXPECT_FALSE(volume->Mute());
    EXPECT_EQ(log.Last(MainForm->webMain), L"");
    clickAt(r - 150);
    EXPECT_TRUE(volume->Mute());
    clickAt(r - 81);
    EXPECT_FALSE(volume->Mute());
    clickAt(r - 70);
    ASSERT_TRUE(log.Settle());
    EXPECT_EQ(log.Last(MainForm->webMain), Wide(AppPath) + L"LocalPage\\management\\localflash.html?item=1");
    EXPECT_FALSE(volume->Mute());
}

TEST_F(MainWindow, StatusBarDrawsItsTwoPanelsFromTheRightEdge)
{
    Create(nullptr);
    MainForm->Show();
    cl::TStatusBar* bar = MainForm->statMain;
    UpdateWindow(bar->Handle());
    const int w = bar->ClientWidth(), h = bar->ClientHeight();
    // Read the bar back into a DIB and look for the dark text colour.
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC screen = GetDC(bar->Handle());
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP dib = CreateDIBSection(mem, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(mem, dib);
    BitBlt(mem, 0, 0, w, h, screen, 0, 0, SRCCOPY);
    auto dark = [&](int x0, int x1) {
        int n = 0;
        for (int y = 0; y < h; ++y)
            for (int x = std::max(0, x0); x < std::min(w, x1); ++x) {
                auto px = static_cast<const std::uint32_t*>(bits)[y * w + x];
                if ((px & 0xFF) < 0x50 && ((px >> 8) & 0xFF) < 0x50 && ((px >> 16) & 0xFF) < 0x50) ++n;
            }
        return n;
    };
    EXPECT_GT(dark(w - 160, w - 100), 0) << "sound text at R - 160";
    EXPECT_GT(dark(w - 70, w - 10), 0) << "management text at R - 70";
    EXPECT_EQ(dark(w - 98, w - 88), 0) << "nothing between the two";
    EXPECT_EQ(dark(80, w - 200), 0) << "nothing left of the panels' texts";
    SelectObject(mem, old);
    DeleteObject(dib);
    DeleteDC(mem);
    ReleaseDC(bar->Handle(), screen);
}

TEST_F(MainWindow, StatusBarImagesComeFromTheImageList)
{
    Create(nullptr);
    tray::TAlphaImageList* il = MainForm->ilMain;
    ASSERT_NE(il, nullptr);
    ASSERT_EQ(il->PngImages()->Count(), 5);
    const char* names[] = {"PngImage1", "PngImage3", "PngImage3", "PngImage5", "PngImage7"};
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        const tray::TAlphaImageItem* item = il->PngImages()->Item(i);
        EXPECT_EQ(item->Name(), names[i]);
        EXPECT_EQ(item->Background(), cl::clWindow);
        ASSERT_NE(item->PngImage(), nullptr);
        EXPECT_EQ(item->PngImage()->Width(), 16);
        EXPECT_EQ(item->PngImage()->Height(), 16);
        EXPECT_EQ(item->PngImage()->ColorType(), cl::ctRGBAlpha);
    }
    EXPECT_EQ(il->Count(), 5);

    // Sound on shows image 1 (blue waves) at R - 178, muted image 4 (a red cross); image 2
    // (the game pad) sits at R - 88.
    ShowStarted();
    cl::TStatusBar* bar = MainForm->statMain;
    auto count = [&](int x0, int x1, bool (*match)(std::uint32_t)) {
        UpdateWindow(bar->Handle());
        const int w = bar->ClientWidth(), h = bar->ClientHeight();
        HDC dc = GetDC(bar->Handle());
        int n = 0;
        for (int y = 0; y < h; ++y)
            for (int x = w + x0; x < w + x1; ++x) {
                const COLORREF c = GetPixel(dc, x, y);
                if (match(c)) ++n;
            }
        ReleaseDC(bar->Handle(), dc);
        return n;
    };
    auto blue = [](std::uint32_t c) { return GetBValue(c) > 150 && GetRValue(c) < 100; };
    auto red = [](std::uint32_t c) { return GetRValue(c) > 150 && GetGValue(c) < 100 && GetBValue(c) < 100; };
    auto pad = [](std::uint32_t c) { return GetRValue(c) < 110 && GetBValue(c) > GetRValue(c) + 15 && GetBValue(c) < 140; };
    EXPECT_GT(count(-178, -162, blue), 0);
    EXPECT_EQ(count(-178, -162, red), 0);
    EXPECT_GT(count(-88, -72, pad), 0);
    EXPECT_EQ(count(-200, -180, blue), 0);
    MainForm->StatusBarClickAt(POINT{bar->ClientWidth() - 150, 5}); // mute
    ASSERT_TRUE(MainForm->Volume()->Mute());
    EXPECT_GT(count(-178, -162, red), 0);
    EXPECT_EQ(count(-178, -162, blue), 0);
}

TEST_F(MainWindow, ScriptReachesTheWindowThroughExternal)
{
    Create(nullptr);
    cl::TComPtr<IDispatch> ext;
    ASSERT_EQ(MainForm->webTopGetExternal(ext), S_OK);
    cl::TComPtr<IDispatch> other;
    MainForm->webLeftGetExternal(other);
    EXPECT_NE(ext.get(), other.get()); // a new object for every request
    NavigationLog log;
    log.Watch(MainForm->webMain);
    TScriptHost script;
    script.AddObject(L"external", ext.get());
    EXPECT_EQ(script.Run(L"external.Navigate('favorites')").hr, S_OK);
    ASSERT_TRUE(log.Settle());
    EXPECT_EQ(log.Last(MainForm->webMain), Wide(AppPath) + L"LocalPage\\management\\localflash.html?item=2");
    EXPECT_EQ(script.Run(L"external.DelGame('Local', '')").value, L"0");
    script.Run(L"external.Test()");
    EXPECT_EQ(boxes, (std::vector<std::string>{"127.0.0.1:9"}));
    // These reach nothing from the main window's panes: no box, no page, no window.
    NavigationLog quiet;
    for (TWebPane* pane : {MainForm->webTop, MainForm->webLeft, MainForm->webMain}) quiet.Watch(pane);
    const int forms = cl::Screen->FormCount();
    for (const wchar_t* call : {L"external.Refresh()", L"external.AddFav()", L"external.Down()", L"external.CloseWindow()",
                                L"external.GetSwf('x')", L"external.Quick_Invoke('CancelConfig')"}) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(call)));
        TScriptHost::Result r = script.Run(call);
        EXPECT_EQ(r.hr, S_OK);
        EXPECT_FALSE(r.scriptError);
    }
    ASSERT_TRUE(quiet.Settle());
    EXPECT_EQ(boxes, (std::vector<std::string>{"127.0.0.1:9"}));
    for (TWebPane* pane : {MainForm->webTop, MainForm->webLeft, MainForm->webMain}) EXPECT_EQ(quiet.Last(pane), L"");
    EXPECT_TRUE(opened.empty());
    EXPECT_EQ(cl::Screen->FormCount(), forms);
    EXPECT_FALSE(MainForm->InTray());
}

TEST_F(MainWindow, ObjectsWithoutAWindowDoNothing)
{
    Create(nullptr);
    IIEExternal* ext = IEExternalFactory().Create();
    NavigationLog log;
    log.Watch(MainForm->webMain);
    TScriptHost script;
    script.AddObject(L"external", ext);
    EXPECT_EQ(script.Run(L"external.Navigate('local')").hr, S_OK);
    ASSERT_TRUE(log.Settle());
    EXPECT_EQ(log.Last(MainForm->webMain), L"");
    EXPECT_EQ(script.Run(L"external.DelGame('Local', 'x')").value, L"0");
    ext->Release();
}

TEST(ScriptableObject, DispatchIdentifiersFollowTheTypeLibrary)
{
    OleInitialize(nullptr);
    IIEExternal* ext = IEExternalFactory().Create();
    const wchar_t* names[] = {L"Test", L"Navigate", L"Quick_Invoke", L"AddFav", L"Refresh",
                              L"Down", L"Play", L"GetSwf", L"DelGame", L"CloseWindow"};
    DISPID expected = 201;
    for (const wchar_t* name : names) {
        LPOLESTR n = const_cast<LPOLESTR>(name);
        DISPID id = 0;
        EXPECT_EQ(ext->GetIDsOfNames(IID_NULL, &n, 1, 0, &id), S_OK);
        EXPECT_EQ(id, expected++) << testing::PrintToString(std::wstring(name));
    }
    ext->Release();
}

// ---------------------------------------------------------------------------------------
// Feedback and about windows

namespace {

// The form of class T among the screen's forms, or null.
template <class T> T* OpenForm()
{
    for (int i = 0; i < cl::Screen->FormCount(); ++i)
        if (auto* form = dynamic_cast<T*>(cl::Screen->Forms(i))) return form;
    return nullptr;
}

// Counts how often a watched component goes.
class FreeCounter : public cl::TComponent {
public:
    FreeCounter() : TComponent(nullptr) {}
    int freed = 0;
    void Notification(cl::TComponent& component, cl::TOperation operation) override
    {
        TComponent::Notification(component, operation);
        if (operation == cl::TOperation::opRemove) ++freed;
    }
};

// Runs action once from the message loop of the modal window that is about to open.
std::function<void()> pendingAction;
void CALLBACK RunPending(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    auto action = std::move(pendingAction);
    if (action) action();
}
void WhenModal(std::function<void()> action)
{
    pendingAction = std::move(action);
    SetTimer(nullptr, 0, 10, RunPending);
}

} // namespace

TEST_F(MainWindow, FeedbackButtonShowsTheFeedbackPageUntilThePageClosesIt)
{
    Create(nullptr);
    MainForm->Show(); // a modal window disables the visible windows of the thread
    FreeCounter counter;
    bool modalSeen = false;
    HRESULT closeResult = E_FAIL;
    WhenModal([&] {
        auto* feedback = OpenForm<TFeedBackForm>();
        ASSERT_NE(feedback, nullptr);
        feedback->FreeNotification(counter);
        modalSeen = IsWindowVisible(feedback->Handle()) && !IsWindowEnabled(MainForm->Handle());
        char caption[64] = {};
        GetWindowTextA(feedback->Handle(), caption, sizeof caption);
        EXPECT_STREQ(caption, "意见反馈-您的支持是我们最大的动力");
        RECT client;
        GetClientRect(feedback->Handle(), &client);
        EXPECT_EQ(client.right, 524);
        EXPECT_EQ(client.bottom, 268);
        EXPECT_EQ(feedback->webFeedBack->PrintOptions()->Header, "&w&b页码，&p/&P");
        EXPECT_EQ(feedback->webFeedBack->PrintOptions()->Footer, "&u&b&d");
        EXPECT_FALSE(feedback->webFeedBack->OnScriptError); // script errors stay the browser's
        cl::TComPtr<IDispatch> ext;
        ASSERT_EQ(feedback->webFeedBackGetExternal(ext), S_OK);
        TScriptHost script;
        script.AddObject(L"external", ext.get());
        closeResult = script.Run(L"external.CloseWindow()").hr;
    });
    SendMessageA(MainForm->Handle(), WM_SKIN_CAPTION_BUTTON, 13, 0);
    EXPECT_TRUE(modalSeen);
    EXPECT_EQ(closeResult, S_OK);
    // Freed once, by the release both the window's close and the main window ask for.
    EXPECT_TRUE(PumpUntil([&] { return counter.freed > 0; }));
    cl::Application->ProcessMessages();
    EXPECT_EQ(counter.freed, 1);
    EXPECT_EQ(OpenForm<TFeedBackForm>(), nullptr);
    EXPECT_TRUE(IsWindowEnabled(MainForm->Handle()));
}

TEST_F(MainWindow, FeedbackPageComesFromThePortal)
{
    Create(nullptr);
    // The window's own show handler navigates; watch the pane as it is made, and let the
    // log settle while the window is open (it goes when it closes).
    auto* feedback = cl::CreateForm<TFeedBackForm>(nullptr);
    TWebPane* pane = feedback->webFeedBack;
    NavigationLog log;
    log.Watch(pane);
    bool settled = false;
    WhenModal([&] {
        settled = log.Settle();
        auto* open = OpenForm<TFeedBackForm>();
        ASSERT_NE(open, nullptr);
        open->Close();
    });
    feedback->ShowModal();
    EXPECT_TRUE(settled);
    EXPECT_EQ(log.Last(pane), L"http://127.0.0.1:9/box/feedback.html");
}

TEST_F(MainWindow, AboutItemShowsTheAboutWindowWhosePictureOpensTheHomePage)
{
    Create(nullptr);
    FreeCounter counter;
    WhenModal([&] {
        auto* about = OpenForm<TAboutForm>();
        ASSERT_NE(about, nullptr);
        about->FreeNotification(counter);
        char caption[64] = {};
        GetWindowTextA(about->Handle(), caption, sizeof caption);
        EXPECT_STREQ(caption, "关于Orvane游戏盒");
        EXPECT_EQ(about->imgAbout->Picture()->Width(), 410);
        EXPECT_EQ(about->imgAbout->Picture()->Height(), 162);
        EXPECT_EQ(about->btnOk->Caption(), "确定");
        SendMessageA(about->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(50, 50));
        SendMessageA(about->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(50, 50));
        EXPECT_EQ(opened, std::vector<std::string>{"http://127.0.0.1:9/"});
        EXPECT_TRUE(IsWindowVisible(about->Handle())); // the picture leaves the window open
        SendMessageA(about->btnOk->Handle(), BM_CLICK, 0, 0);
    });
    SendMessageA(MainForm->Handle(), WM_SKIN_CAPTION_MENU, 2, 0);
    EXPECT_TRUE(PumpUntil([&] { return counter.freed > 0; }));
    EXPECT_EQ(counter.freed, 1);
    EXPECT_EQ(OpenForm<TAboutForm>(), nullptr);
}

// A page may keep its window.external past the window: the object then answers as
// without a window instead of reaching a freed one.
TEST_F(MainWindow, ScriptableObjectsOutliveTheirWindows)
{
    Create(nullptr);
    cl::TComPtr<IDispatch> mainExt, feedbackExt;
    ASSERT_EQ(MainForm->webLeftGetExternal(mainExt), S_OK);
    auto* feedback = cl::CreateForm<TFeedBackForm>(nullptr);
    ASSERT_EQ(feedback->webFeedBackGetExternal(feedbackExt), S_OK);
    cl::Free(feedback);
    cl::Free(MainForm);
    EXPECT_EQ(static_cast<TIEExternal*>(mainExt.get())->MainForm, nullptr);
    EXPECT_EQ(static_cast<TIEExternal*>(feedbackExt.get())->FeedBackForm, nullptr);
    TScriptHost script;
    script.AddObject(L"external", mainExt.get());
    script.AddObject(L"feedback", feedbackExt.get());
    for (const wchar_t* call : {L"external.Play('http://127.0.0.1:9/flash/7')", L"external.Navigate('webgames')",
                                L"external.DelGame('Local', 'A')", L"feedback.CloseWindow()"}) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(call)));
        TScriptHost::Result r = script.Run(call);
        EXPECT_EQ(r.hr, S_OK);
        EXPECT_FALSE(r.scriptError);
    }
    EXPECT_TRUE(boxes.empty());
}

TEST_F(MainWindow, TheProgramsPlayerWindowIsMadeHiddenWithItsPanes)
{
    Create(nullptr);
    auto* play = cl::CreateForm<TPlayForm>(nullptr);
    EXPECT_FALSE(IsWindowVisible(play->Handle()));
    RECT r;
    GetWindowRect(play->Handle(), &r);
    EXPECT_EQ(r.right - r.left, 721);
    EXPECT_EQ(r.bottom - r.top, 526);
    EXPECT_EQ(play->webTop->Align(), cl::alTop);
    EXPECT_EQ(play->webTop->Height(), 35);
    EXPECT_EQ(play->webPlay->Align(), cl::alClient);
    play->webPlayTitleChange(play->webPlay, L"Game title");
    EXPECT_EQ(play->Caption(), "Game title");
    cl::Free(play);
}

// ---------------------------------------------------------------------------------------
// Playing and deleting games

namespace {

void Put(const std::string& relative, const std::string& bytes)
{
    const std::string path = AppPath + relative;
    for (size_t i = AppPath.size(); (i = path.find('\\', i + 1)) != std::string::npos;)
        CreateDirectoryA(path.substr(0, i).c_str(), nullptr);
    FILE* f = fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
}

std::string Get(const std::string& relative)
{
    std::string bytes;
    FILE* f = fopen((AppPath + relative).c_str(), "rb");
    if (!f) return "<missing>";
    for (int c; (c = fgetc(f)) != EOF;) bytes += static_cast<char>(c);
    fclose(f);
    return bytes;
}

struct Games : MainWindow {
    void SetUp() override
    {
        MainWindow::SetUp();
        Put("Data\\Data.db", "[http://127.0.0.1:9/flash/7]\r\nswf=swf/seven.swf\r\ntitle=七\r\ndesc=Jump <b>100%</b>\r\n"
                             "[http://127.0.0.1:9/flash/8]\r\nswf=swf/gone.swf\r\ntitle=八\r\n"
                             "[http://127.0.0.1:9/flash/9]\r\nswf=seven.swf\r\ntitle=九\r\ndesc=d\r\n"
                             "[http://127.0.0.1:9/flash/5]\r\nswf=swf/it's&.swf\r\n"
                             "title=<script>alert(\"x\")</script>\r\ndesc=<b>d</b>\r\n");
        Put("Data\\swf\\seven.swf", "FWS");
        Put("Data\\swf\\it's&.swf", "FWS");
        Put("Data\\Swf.html", "<title>%0:s</title>\n<embed src=\"%1:s\">\r\n<p>%2:s 50%%</p>");
        Put("LocalPage\\catalog\\gamelocal.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<root>"
                                                 "<item><txt>A</txt><url><![CDATA[a]]></url></item></root>\n");
        DeleteFileA((AppPath + "Data\\Temp.html").c_str());
    }
    void TearDown() override
    {
        MainWindow::TearDown();
        for (const char* f : {"Data\\Data.db", "Data\\swf\\seven.swf", "Data\\swf\\it's&.swf", "Data\\Swf.html", "Data\\Temp.html",
                              "LocalPage\\catalog\\gamelocal.xml"})
            DeleteFileA((AppPath + f).c_str());
    }
};

} // namespace

TEST_F(Games, KeysResolveToTheOfflinePageNothingOrThePortal)
{
    Create(nullptr);
    const std::string temp = AppPath + "Data\\Temp.html";
    const std::string page = "<title>七</title>\r\n<embed src=\"swf/seven.swf\">\r\n<p>Jump <b>100%</b> 50%</p>\r\n";
    EXPECT_EQ(MainForm->GetRealUrl("http://127.0.0.1:9/flash/7"), temp);
    EXPECT_EQ(Get("Data\\Temp.html"), page);
    DeleteFileA(temp.c_str());
    EXPECT_EQ(MainForm->GetRealUrl("HTTP://127.0.0.1:9/FLASH/7"), temp) << "section names ignore case";
    EXPECT_EQ(Get("Data\\Temp.html"), page);
    EXPECT_EQ(MainForm->GetRealUrl("http://127.0.0.1:9/flash/8"), "") << "a record without its movie";
    EXPECT_EQ(MainForm->GetRealUrl("42"), "http://127.0.0.1:9/flash/42");
    EXPECT_EQ(MainForm->GetRealUrl(""), "http://127.0.0.1:9/flash/");
}

// The offline page runs from the local disk: a record's title and movie path are text
// there, its description the game page's own markup.
TEST_F(Games, TheOfflinePageHoldsTitleAndMovieAsText)
{
    Create(nullptr);
    EXPECT_EQ(MainForm->GetRealUrl("http://127.0.0.1:9/flash/5"), AppPath + "Data\\Temp.html");
    EXPECT_EQ(Get("Data\\Temp.html"), "<title>&lt;script&gt;alert(&quot;x&quot;)&lt;/script&gt;</title>\r\n"
                                      "<embed src=\"swf/it&#39;s&amp;.swf\">\r\n<p><b>d</b> 50%</p>\r\n");
}

TEST_F(Games, AnUnusableTemplateIsAnErrorForThePage)
{
    Create(nullptr);
    cl::TComPtr<IDispatch> ext;
    MainForm->webTopGetExternal(ext);
    TScriptHost script;
    script.AddObject(L"external", ext.get());
    for (const char* bad : {"<p>%d</p>", "%s%s%s%s", "100%"}) {
        Put("Data\\Swf.html", bad);
        EXPECT_TRUE(script.Run(L"external.Play('http://127.0.0.1:9/flash/7')").scriptError) << bad;
    }
    DeleteFileA((AppPath + "Data\\Swf.html").c_str());
    EXPECT_TRUE(script.Run(L"external.Play('http://127.0.0.1:9/flash/7')").scriptError) << "missing template";
    EXPECT_EQ(GetModuleHandleA("Tessel.dll"), nullptr) << "no library is loaded";
    EXPECT_EQ(Get("Data\\Temp.html"), "<missing>");
}

namespace {
// The build puts the player library beside the test program, as beside the program. This
// takes it out of the way while it lives, with a copy of another file of that name in its
// place (none when empty), and puts it back afterwards.
class TLibraryReplaced {
public:
    explicit TLibraryReplaced(const std::string& replacement = "")
    {
        aside_ = MoveFileExA(library_.c_str(), aside_path_.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
        if (!replacement.empty()) copied_ = CopyFileA(replacement.c_str(), library_.c_str(), FALSE) != FALSE;
    }
    ~TLibraryReplaced()
    {
        if (copied_) DeleteFileA(library_.c_str());
        if (aside_) MoveFileExA(aside_path_.c_str(), library_.c_str(), MOVEFILE_REPLACE_EXISTING);
    }
    TLibraryReplaced(const TLibraryReplaced&) = delete;
    TLibraryReplaced& operator=(const TLibraryReplaced&) = delete;
    bool Ready(bool wantCopy) const { return aside_ && copied_ == wantCopy; }

private:
    const std::string library_ = AppPath + "Tessel.dll";
    const std::string aside_path_ = AppPath + "Tessel.dll.aside";
    bool aside_ = false;
    bool copied_ = false;
};
} // namespace

TEST_F(Games, PlayWithoutTheLibraryShowsAndReportsNothing)
{
    Create(nullptr);
    TLibraryReplaced none;
    ASSERT_TRUE(none.Ready(false));
    // A library of that name elsewhere on the search path is not the program's.
    ASSERT_TRUE(SetDllDirectoryA(WinPath(TESSEL_FOLDER).c_str()));
    cl::TComPtr<IDispatch> ext;
    MainForm->webTopGetExternal(ext);
    TScriptHost script;
    script.AddObject(L"external", ext.get());
    TScriptHost::Result r = script.Run(L"external.Play('42')");
    SetDllDirectoryA(nullptr);
    EXPECT_EQ(r.hr, S_OK);
    EXPECT_FALSE(r.scriptError);
    EXPECT_EQ(GetModuleHandleA("Tessel.dll"), nullptr);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(Games, DelGameRemovesTheEntryAndConfirms)
{
    Create(nullptr);
    cl::TComPtr<IDispatch> ext;
    MainForm->webTopGetExternal(ext);
    TScriptHost script;
    script.AddObject(L"external", ext.get());
    EXPECT_EQ(script.Run(L"external.DelGame('Local', 'A')").value, L"1");
    EXPECT_EQ(Get("LocalPage\\catalog\\gamelocal.xml").find("<txt>A</txt>"), std::string::npos);
    EXPECT_EQ(script.Run(L"external.DelGame('Local', 'not there')").value, L"1");
    EXPECT_EQ(boxes, (std::vector<std::string>{"成功删除", "成功删除"}));
    boxes.clear();
    EXPECT_EQ(script.Run(L"external.DelGame('Local', '')").value, L"0");
    EXPECT_EQ(script.Run(L"external.DelGame('Fav', 'A')").value, L"0") << "no favourites catalogue here";
    EXPECT_TRUE(boxes.empty());
}

namespace {
// The program's own player windows, whether their window exists yet or not.
std::vector<TPlayForm*> ProgramPlayers()
{
    std::vector<TPlayForm*> found;
    for (int i = 0; i < cl::Screen->FormCount(); ++i)
        if (auto* form = dynamic_cast<TPlayForm*>(cl::Screen->Forms(i))) found.push_back(form);
    return found;
}
} // namespace

TEST_F(Games, TheCatalogueOpeningARecordedGamePlaysItInAHiddenWindow)
{
    Create(nullptr);
    auto navigate = [](const wchar_t* address) {
        VARIANT url, none;
        V_VT(&url) = VT_BSTR;
        V_BSTR(&url) = SysAllocString(address);
        VariantInit(&none);
        bool cancel = false;
        MainForm->webLeftBeforeNavigate2(MainForm->webLeft, nullptr, url, none, none, none, none, cancel);
        VariantClear(&url);
        return cancel;
    };
    EXPECT_FALSE(navigate(L"http://127.0.0.1:9/flash/42")) << "no record: nothing happens";
    EXPECT_EQ(Get("Data\\Temp.html"), "<missing>");
    EXPECT_FALSE(navigate(L"HTTP://127.0.0.1:9/flash/8")) << "movie missing under Data\\swf";
    EXPECT_EQ(Get("Data\\Temp.html"), "<missing>");
    EXPECT_TRUE(ProgramPlayers().empty()) << "no window for a game that cannot play";

    EXPECT_FALSE(navigate(L"http://127.0.0.1:9/flash/9")) << "the left pane's own navigation goes on";
    EXPECT_EQ(Get("Data\\Temp.html"), "<title>九</title>\r\n<embed src=\"swf/seven.swf\">\r\n<p>d 50%</p>\r\n");
    std::vector<TPlayForm*> players = ProgramPlayers();
    ASSERT_EQ(players.size(), 1u);
    TPlayForm* player = players[0];
    EXPECT_FALSE(IsWindowVisible(player->Handle()));

    // The next one plays in the same hidden window, on the page made anew for it.
    NavigationLog log;
    log.Watch(player->webPlay);
    DeleteFileA((AppPath + "Data\\Temp.html").c_str());
    EXPECT_FALSE(navigate(L"http://127.0.0.1:9/flash/9"));
    EXPECT_EQ(Get("Data\\Temp.html"), "<title>九</title>\r\n<embed src=\"swf/seven.swf\">\r\n<p>d 50%</p>\r\n");
    ASSERT_TRUE(PumpUntil([&] { return !log.Last(player->webPlay).empty(); }, 20000));
    EXPECT_EQ(log.Last(player->webPlay), Wide(AppPath) + L"Data\\Temp.html");
    EXPECT_EQ(ProgramPlayers(), players);
    EXPECT_FALSE(IsWindowVisible(player->Handle()));

    // It goes with the main window.
    const HWND window = player->Handle();
    cl::Free(MainForm);
    EXPECT_FALSE(IsWindow(window));
}

namespace {
int VisiblePlayers()
{
    int n = 0;
    for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT)) {
        char name[32] = "";
        GetClassNameA(w, name, sizeof name);
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        if (std::string(name) == "TPlayForm" && pid == GetCurrentProcessId() && IsWindowVisible(w)) ++n;
    }
    return n;
}
} // namespace

TEST_F(Games, PlayWithALibraryLackingTheEntryReleasesIt)
{
    Create(nullptr);
    TLibraryReplaced withoutEntry(WinPath(TESSEL_WITHOUT_ENTRY_FOLDER) + "\\Tessel.dll");
    ASSERT_TRUE(withoutEntry.Ready(true));
    MainForm->Play("42");
    EXPECT_EQ(GetModuleHandleA("Tessel.dll"), nullptr) << "loaded, no entry found, released";
    EXPECT_EQ(VisiblePlayers(), 0);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(Games, PlayOpensAPlayerWindowOfTheLibraryEveryTime)
{
    Create(nullptr);
    MainForm->Play("42");
    MainForm->Play("http://127.0.0.1:9/flash/8"); // a record without its movie: an empty play pane
    char path[MAX_PATH] = "";
    GetModuleFileNameA(GetModuleHandleA("Tessel.dll"), path, MAX_PATH);
    EXPECT_STRCASEEQ(path, (AppPath + "Tessel.dll").c_str()) << "the program folder's library, kept loaded";
    EXPECT_EQ(VisiblePlayers(), 2);
}

// The update component as the form resource sets it up, and the caption menu's update
// check: the service cannot be reached here, so the upgrader itself says nothing and the
// window says that the program is current.
TEST_F(MainWindow, UpdateItemChecksAndReportsACurrentProgram)
{
    Create(nullptr);
    up::TUpgrader* upgrader = MainForm->autoUPMain;
    ASSERT_NE(upgrader, nullptr);
    EXPECT_TRUE(upgrader->AutoCheck());
    EXPECT_EQ(upgrader->AutoCheckDelay, 10000);
    EXPECT_EQ(upgrader->InfoFileURL, "http://127.0.0.1:9/update/update.inf");
    EXPECT_EQ(upgrader->RestartParams(), "/afterupdate");
    EXPECT_EQ(upgrader->VersionControl, up::TUpgraderVersionControl::byNumber);
    EXPECT_EQ(upgrader->VersionNumber, "4");
    EXPECT_EQ(upgrader->VersionDate, "08/26/2011");
    EXPECT_EQ(upgrader->InfoFile()->UpgradeMethod, up::TekUpgradeMethod::umUseExternalSetup);
    ASSERT_EQ(upgrader->InfoFile()->Files()->Count(), 1);
    EXPECT_EQ(upgrader->InfoFile()->Files()->Get(0), "http://127.0.0.1:9/update/setup.exe");

    SendMessageA(MainForm->Handle(), WM_SKIN_CAPTION_MENU, 4, 0);
    EXPECT_EQ(boxes, std::vector<std::string>{"程序已经是最新版本"});
    cl::Application->ProcessMessages();
    EXPECT_FALSE(cl::Application->Terminated());
}
