// The player window for real, made from its form resource in this process. The panes
// never load pages under Wine, so the recording is driven with documents of the test's
// own standing in for the game page and the top page.
#include "player/PFrm.h"
#include "player/PlayExtend.h"

#include "classlib/Seams.h"
#include "skin/engine/SkinManage.h"
#include "skin/engine/SkinnedForm.h"
#include "shell/UnConst.h"

#include "../support/IconColour.h"
#include "../support/ScriptHost.h"
#include "FakeDispatch.h"
#include "Files.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const char* const kGame = "http://127.0.0.1:9/flash/42";

VARIANT Null()
{
    VARIANT v;
    V_VT(&v) = VT_NULL;
    return v;
}

// A game page: the script variable f, and "HowToPlay" (absent when howToPlay is null).
struct GamePage {
    TFakeDispatch document, script, element;
    GamePage(const wchar_t* f, const wchar_t* howToPlay)
    {
        if (f) script.AddText(L"f", f);
        document.AddObject(L"Script", &script);
        element.AddText(L"innerHTML", howToPlay ? howToPlay : L"");
        document.Add(L"getElementById", [this, howToPlay](const std::vector<VARIANT>& args, VARIANT* r) {
            if (args.size() != 1 || V_VT(&args[0]) != VT_BSTR || std::wstring(V_BSTR(&args[0])) != L"HowToPlay")
                return E_INVALIDARG;
            if (!r) return S_OK;
            if (howToPlay) {
                V_VT(r) = VT_DISPATCH;
                V_DISPATCH(r) = &element;
                element.AddRef();
            } else {
                *r = Null(); // the document has no such element
            }
            return S_OK;
        });
    }
};

// The top page: records the script its window is asked to run.
struct TopPage {
    TFakeDispatch document, window;
    std::vector<std::wstring> runs;
    TopPage()
    {
        window.Add(L"execScript", [this](const std::vector<VARIANT>& args, VARIANT*) {
            std::wstring call;
            for (const VARIANT& a : args) call += (V_VT(&a) == VT_BSTR ? V_BSTR(&a) : L"?") + std::wstring(L"|");
            runs.push_back(call);
            return S_OK;
        });
        document.AddObject(L"parentWindow", &window);
    }
};

void Pump()
{
    for (MSG msg; PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// Handles messages until every message posted before the call has been handled.
void PumpPosted()
{
    const UINT marker = WM_APP + 0x1D;
    PostThreadMessageA(GetCurrentThreadId(), marker, 0, 0);
    for (MSG msg; GetMessageA(&msg, nullptr, 0, 0) > 0;) {
        if (!msg.hwnd && msg.message == marker) return;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// An object without its window: Test still shows its box; AddFav, Refresh and GetSwf
// answer 0 and add, show and load nothing.
void ExpectOnlyTestActs(TScriptHost& script, std::vector<std::string>& boxes)
{
    const std::string catalogue = ReadBytes(AppPath + kFavourites);
    EXPECT_EQ(script.Run(L"external.Test()").hr, S_OK);
    ASSERT_EQ(boxes.size(), 1u) << "the calls reach the object";
    EXPECT_EQ(boxes[0].substr(0, boxes[0].find('/')), "Tessel 游戏播放器");
    boxes.clear();
    for (const wchar_t* call : {L"external.AddFav()", L"external.Refresh()", L"external.GetSwf('x')"}) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(call)));
        TScriptHost::Result r = script.Run(call);
        EXPECT_EQ(r.hr, S_OK);
        EXPECT_FALSE(r.scriptError);
    }
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(ReadBytes(AppPath + kFavourites), catalogue);
}

struct PlayWindow : ::testing::Test {
    TPlayForm* form = nullptr;
    std::vector<std::string> boxes;
    cl::TMessageBoxService oldBox;

    void SetUp() override
    {
        OleInitialize(nullptr);
        oldBox = cl::ReplaceMessageBox([this](HWND, const cl::AnsiString& text, const cl::AnsiString& caption, UINT flags) {
            boxes.push_back(text + "/" + caption + "/" + std::to_string(flags));
            return IDOK;
        });
        WriteBytes(AppPath + DataFileName, "[http://other/flash/1]\r\nswf=keep.swf\r\n"
                                          "[HTTP://127.0.0.1:9/FLASH/42]\r\nswf=old.swf\r\nstale=1\r\n");
        WriteBytes(AppPath + kLocal, kEmptyCatalogue);
        WriteBytes(AppPath + kFavourites, kEmptyCatalogue);
        form = cl::CreateForm<TPlayForm>(nullptr);
        form->Ini = std::make_unique<cl::TIniFile>(AppPath + DataFileName);
        form->WaitTimeoutMs = 200;
        form->FavouriteWaitMs = 200;
        form->SetCaption("小游戏");
    }

    // Handles messages until the form has freed itself (at most 20 s); it is then forgotten.
    bool AwaitFree()
    {
        bool freed = false;
        form->OnDestroy = [&freed](cl::TObject*) { freed = true; };
        for (const DWORD start = GetTickCount(); !freed && GetTickCount() - start < 20000;) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
            Pump();
        }
        if (freed) form = nullptr;
        else form->OnDestroy = nullptr;
        return freed;
    }

    void TearDown() override
    {
        cl::Free(form);
        cl::ReplaceMessageBox(oldBox);
        for (const char* f : {DataFileName, kLocal, kFavourites}) DeleteFileA((AppPath + f).c_str());
    }
};

} // namespace

TEST_F(PlayWindow, ComesFromItsFormResource)
{
    EXPECT_EQ(form->Caption(), "小游戏");
    cl::Free(form);
    form = cl::CreateForm<TPlayForm>(nullptr);
    form->Ini = std::make_unique<cl::TIniFile>(AppPath + DataFileName);
    EXPECT_EQ(form->Caption(), "游戏任我玩");
    // The client size, before the window exists and from the window.
    EXPECT_FALSE(form->HandleAllocated());
    EXPECT_EQ(form->FormClientWidth(), 721);
    EXPECT_EQ(form->FormClientHeight(), 526);
    ASSERT_NE(form->Handle(), nullptr);
    EXPECT_EQ(form->FormClientWidth(), 721);
    EXPECT_EQ(form->FormClientHeight(), 526);
    ASSERT_NE(form->webTop, nullptr);
    ASSERT_NE(form->webPlay, nullptr);
    EXPECT_EQ(form->webTop->Height(), 35);
    for (TWebPane* pane : {form->webTop, form->webPlay}) {
        EXPECT_EQ(pane->PrintOptions()->Header, "&w&b页码，&p/&P");
        EXPECT_EQ(pane->PrintOptions()->Footer, "&u&b&d");
        EXPECT_TRUE(pane->HideBorders);
        EXPECT_TRUE(pane->DisableRightClickMenu);
        ASSERT_TRUE(pane->OnScriptError);
        bool cont = false, dialog = true;
        pane->OnScriptError(pane, "", "", "", "", "", cont, dialog);
        EXPECT_TRUE(cont);
        EXPECT_FALSE(dialog);
    }
    EXPECT_TRUE(form->webPlay->OnDocumentComplete);
    EXPECT_TRUE(form->webPlay->OnTitleChange);
    EXPECT_TRUE(form->webTop->OnGetExternal);
    // Shown, the window gets its skin, which lays its frame out around the client area.
    auto skinned = [this] {
        skin::TSkinnedForm* sf = skin::SkinManager ? skin::SkinManager->FindSkinForm(form->Handle()) : nullptr;
        return sf && sf->Initialised && sf->SkinState == skin::ssSkinned;
    };
    form->Show();
    for (const DWORD start = GetTickCount(); !skinned() && GetTickCount() - start < 20000;) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
        for (MSG msg; PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    ASSERT_TRUE(skinned());
    EXPECT_EQ(form->ClientWidth(), 721);
    EXPECT_EQ(form->ClientHeight(), 526);
    RECT outer{};
    GetWindowRect(form->Handle(), &outer);
    EXPECT_EQ(outer.right - outer.left, 729) << "the skin's frame: 4 pixels at each side";
    EXPECT_EQ(outer.bottom - outer.top, 560) << "30 for the caption, 4 at the bottom";
}

// The window carries the library's own icon, a game pad on an orange tile: the middle of
// its 32 x 32 image is the pad's body.
TEST_F(PlayWindow, CarriesItsOwnIcon)
{
    EXPECT_EQ(form->Icon()->Width(), 32);
    EXPECT_EQ(form->Icon()->Height(), 32);
    for (WPARAM kind : {ICON_BIG, ICON_SMALL}) {
        SCOPED_TRACE(kind);
        const HICON icon = reinterpret_cast<HICON>(SendMessageA(form->Handle(), WM_GETICON, kind, 0));
        ASSERT_NE(icon, nullptr);
        EXPECT_EQ(IconMiddleColour(icon), RGB(48, 64, 96));
    }
}

TEST_F(PlayWindow, ACompletedGamePageRewritesItsRecordAndIsAddedOnce)
{
    GamePage page(L"/swf/game42.swf", L"Click\r\nto <b>jump</b>\nand\rrun");
    TopPage top;
    form->RecordGame(kGame, &page.document, true, &top.document);
    EXPECT_EQ(Profile(kGame, "swf"), "swf/game42.swf");
    EXPECT_EQ(Profile(kGame, "title"), "小游戏");
    EXPECT_EQ(Profile(kGame, "desc"), "Clickto <b>jump</b>andrun");
    EXPECT_EQ(Profile(kGame, "stale"), "<none>") << "the old section is erased first";
    EXPECT_EQ(Profile("http://other/flash/1", "swf"), "keep.swf");
    EXPECT_EQ(Entries(kLocal), (std::vector<std::pair<std::wstring, std::wstring>>{{L"小游戏", L"http://127.0.0.1:9/flash/42"}}));
    EXPECT_EQ(top.runs, (std::vector<std::wstring>{L"addFav()|JavaScript|"}));
    EXPECT_TRUE(boxes.empty()) << "the local catalogue says nothing";

    // Played again: the record is rewritten, the catalogue keeps its one entry.
    GamePage again(L"game42.swf", L"");
    form->RecordGame(kGame, &again.document, true, nullptr);
    EXPECT_EQ(Profile(kGame, "swf"), "game42.swf");
    EXPECT_EQ(Entries(kLocal).size(), 1u);
    EXPECT_TRUE(boxes.empty());
}

// A title with line breaks would add lines, even sections, to the records file.
TEST_F(PlayWindow, TheTitleIsRecordedOnOneLine)
{
    form->SetCaption("小\r\n[injected]\r\nswf=other.swf\n游\r戏");
    GamePage page(L"/swf/game42.swf", L"d");
    form->RecordGame(kGame, &page.document, true, nullptr);
    EXPECT_EQ(Profile(kGame, "title"), "小[injected]swf=other.swf游戏");
    EXPECT_EQ(Profile(kGame, "swf"), "swf/game42.swf");
    EXPECT_EQ(Profile(kGame, "desc"), "d");
    EXPECT_EQ(Profile("injected", "swf"), "<none>");
}

// The page's movie variable goes into "swf": with line breaks it would forge records.
TEST_F(PlayWindow, TheMovieVariableIsRecordedOnOneLine)
{
    GamePage page(L"x/a\r\n[http://127.0.0.1:9/flash/66]\r\nswf=forged.swf\n\rtitle=forged", L"d");
    form->RecordGame(kGame, &page.document, true, nullptr);
    EXPECT_EQ(Profile(kGame, "swf"), "a[http://127.0.0.1:9/flash/66]swf=forged.swftitle=forged");
    EXPECT_EQ(Profile(kGame, "title"), "小游戏");
    EXPECT_EQ(Profile("http://127.0.0.1:9/flash/66", "swf"), "<none>");
    EXPECT_EQ(Profile("http://127.0.0.1:9/flash/66", "title"), "<none>");
    EXPECT_EQ(Profile("http://other/flash/1", "swf"), "keep.swf");
    // The file itself, past any cache of the profile functions: its two sections only.
    std::vector<std::string> sections;
    const std::string file = ReadBytes(AppPath + DataFileName);
    for (size_t at = 0; at < file.size();) {
        if (file[at] == '[') sections.push_back(file.substr(at, file.find(']', at) - at + 1));
        at = file.find_first_of("\r\n", at);
        if (at != std::string::npos) ++at;
    }
    EXPECT_EQ(sections, (std::vector<std::string>{"[http://other/flash/1]", "[http://127.0.0.1:9/flash/42]"})) << file;
}

TEST_F(PlayWindow, APageStillLoadingErasesTheRecordWithoutRewritingIt)
{
    GamePage page(L"/swf/game42.swf", L"desc");
    TopPage top;
    form->RecordGame(kGame, &page.document, false, &top.document);
    EXPECT_EQ(Profile(kGame, "swf"), "<none>");
    EXPECT_EQ(Profile("http://other/flash/1", "swf"), "keep.swf");
    EXPECT_EQ(Entries(kLocal).size(), 1u) << "the catalogue entry is added whatever the ready state";
    EXPECT_EQ(top.runs.size(), 1u);
}

TEST_F(PlayWindow, PagesThatAreNoGamePagesAreNotRecorded)
{
    GamePage page(L"/swf/x.swf", L"desc");
    form->RecordGame("http://127.0.0.1:9/box/", &page.document, true, nullptr);
    form->RecordGame("http://127.0.0.1:9/FLASH/42", &page.document, true, nullptr); // "flash" is case-sensitive
    EXPECT_EQ(Profile(kGame, "swf"), "old.swf");
    EXPECT_TRUE(Entries(kLocal).empty());
}

TEST_F(PlayWindow, APageWithoutHowToPlayEndsTheRecordingWithAnError)
{
    GamePage page(L"/swf/x.swf", nullptr);
    TopPage top;
    EXPECT_ANY_THROW(form->RecordGame(kGame, &page.document, true, &top.document));
    EXPECT_EQ(Profile(kGame, "swf"), "swf/x.swf") << "the keys written before stay";
    EXPECT_TRUE(Entries(kLocal).empty());
    EXPECT_TRUE(top.runs.empty());
    // Through the pane's event the error ends quietly.
    VARIANT url;
    V_VT(&url) = VT_BSTR;
    V_BSTR(&url) = SysAllocString(L"http://127.0.0.1:9/flash/43");
    EXPECT_NO_THROW(form->webPlayDocumentComplete(form->webPlay, nullptr, url));
    VariantClear(&url);
}

TEST_F(PlayWindow, AnEmptyTitleIsRecordedButNotCatalogued)
{
    form->SetCaption("");
    GamePage page(L"/swf/x.swf", L"d");
    form->RecordGame(kGame, &page.document, true, nullptr);
    EXPECT_EQ(Profile(kGame, "title"), "");
    EXPECT_EQ(Profile(kGame, "desc"), "d");
    EXPECT_TRUE(Entries(kLocal).empty());
}

TEST_F(PlayWindow, FavouritesAreConfirmedAndAddedOnce)
{
    const std::string info = "/提示/64"; // information icon, OK button
    form->GameAdd("Fav", "小游戏", kGame);
    form->GameAdd("Fav", "小游戏", "http://elsewhere/");
    EXPECT_EQ(boxes, (std::vector<std::string>{"添加收藏成功" + info, "你已经收藏过本游戏" + info}));
    EXPECT_EQ(Entries(kFavourites), (std::vector<std::pair<std::wstring, std::wstring>>{{L"小游戏", L"http://127.0.0.1:9/flash/42"}}));
    EXPECT_TRUE(Entries(kLocal).empty());
    boxes.clear();
    form->GameAdd("Fav", "", kGame);
    DeleteFileA((AppPath + kFavourites).c_str());
    form->GameAdd("Fav", "other", kGame);
    EXPECT_TRUE(boxes.empty()) << "an empty title or a missing catalogue says nothing";
    EXPECT_EQ(ReadBytes(AppPath + kFavourites), "<missing>") << "a missing catalogue is never made";
}

TEST_F(PlayWindow, TitlesFollowThePageExceptTheBlankOne)
{
    form->webPlayTitleChange(form->webPlay, L"贪吃蛇");
    EXPECT_EQ(form->Caption(), "贪吃蛇");
    form->webPlayTitleChange(form->webPlay, L"about:blank");
    EXPECT_EQ(form->Caption(), "贪吃蛇");
}

TEST_F(PlayWindow, ShowingOpensTheRecordsAndLeavesOfflinePagesUnrecorded)
{
    form->Ini.reset();
    form->Url = AppPath + "Data\\Temp.html";
    form->Show();
    ASSERT_NE(form->Ini, nullptr);
    EXPECT_EQ(form->Ini->FileName(), AppPath + DataFileName);
    EXPECT_FALSE(form->webPlay->OnDocumentComplete);
}

TEST_F(PlayWindow, ClosingHidesTheWindowAtOnceAndFreesItAfterwards)
{
    form->Url = kGame;
    form->Show();
    EXPECT_TRUE(form->webPlay->OnDocumentComplete);
    // The top page's object, held past the close as a page may hold it.
    cl::TComPtr<IDispatch> ext;
    ASSERT_EQ(form->webTopGetExternal(ext), S_OK);
    const HWND window = form->Handle();
    ASSERT_TRUE(IsWindowVisible(window));
    // A message handled inside the wait for the blank page sees whether the window shows.
    const UINT probe = WM_APP + 0x2B;
    bool probed = false, visibleInWait = true;
    form->SetMessageHandler(probe, [&](cl::TMessage&) {
        probed = true;
        visibleInWait = IsWindowVisible(window) != FALSE;
    });
    PostMessageA(window, probe, 0, 0);
    // Under Wine the blank page never completes: the wait gives up, with time enough on a
    // slow machine to handle the queued message first.
    form->WaitTimeoutMs = 3000;
    form->Close();
    ASSERT_TRUE(probed) << "the wait runs the message loop";
    EXPECT_FALSE(visibleInWait) << "hidden before the wait";
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_TRUE(IsWindow(window)) << "hidden at once, freed later";
    ASSERT_TRUE(AwaitFree());
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(static_cast<TPlayExtend*>(ext.get())->PlayForm, nullptr);
    TScriptHost script;
    script.AddObject(L"external", ext.get());
    ExpectOnlyTestActs(script, boxes);
}

// A close that arrives while the top page's call waits in the message loop hides the
// window; the window goes only once the call has returned. The closed window adds no
// favourite and says nothing.
TEST_F(PlayWindow, AWindowClosedDuringAWaitingCallOutlivesTheCall)
{
    form->Url = kGame;
    form->Show();
    cl::TComPtr<IDispatch> ext;
    ASSERT_EQ(form->webTopGetExternal(ext), S_OK);
    const HWND window = form->Handle();
    TScriptHost script;
    script.AddObject(L"external", ext.get());
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(script.Run(L"external.AddFav()").hr, S_OK); // the close runs inside its wait
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(Entries(kFavourites).empty());
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_TRUE(IsWindow(window)) << "not freed under the call";
    ASSERT_TRUE(AwaitFree());
    EXPECT_FALSE(IsWindow(window));
}

// A window of the thread that took this window's skin while it was the newest keeps it:
// the closed window stays until that window has gone and another player window shows.
TEST_F(PlayWindow, AClosedWindowWaitsForTheWindowsWearingItsSkin)
{
    form->Show();
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "LudoraTestRawWindow";
    RegisterClassA(&wc);
    HWND raw = CreateWindowA("LudoraTestRawWindow", "raw", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 300, 200, nullptr,
                             nullptr, wc.hInstance, nullptr);
    ASSERT_NE(raw, nullptr);
    SetActiveWindow(raw);
    PumpPosted();
    ASSERT_NE(skin::SkinManager, nullptr);
    const skin::TSkinnedForm* worn = skin::SkinManager->FindSkinForm(raw);
    ASSERT_NE(worn, nullptr);
    ASSERT_EQ(worn->SkinData, form->SkinDataPlay);

    bool freed = false;
    form->OnDestroy = [&freed](cl::TObject*) { freed = true; };
    const HWND window = form->Handle();
    form->Close();
    PumpPosted();
    EXPECT_FALSE(freed);
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_EQ(skin::SkinManager->FindSkinForm(raw), worn) << "the other window keeps its skin";

    DestroyWindow(raw);
    TPlayForm* next = cl::CreateForm<TPlayForm>(nullptr);
    next->Show();
    PumpPosted();
    EXPECT_TRUE(freed);
    EXPECT_FALSE(IsWindow(window));
    if (!freed) {
        form->OnDestroy = nullptr;
        cl::Free(next);
    } else {
        form = next;
    }
    UnregisterClassA("LudoraTestRawWindow", wc.hInstance);
}

TEST_F(PlayWindow, OnlyTheHomeCaptionButtonDoesSomething)
{
    SetEnvironmentVariableA("LUDORA_PORTAL", "http://127.0.0.1:9");
    std::vector<std::string> opened;
    auto oldShell = cl::ReplaceShellExecute([&](HWND owner, const cl::AnsiString& verb, const cl::AnsiString& file,
                                                const cl::AnsiString&, const cl::AnsiString&, int show) {
        opened.push_back(file + "|" + verb + "|" + std::to_string(show) + (owner == form->Handle() ? "|form" : "|?"));
        return reinterpret_cast<HINSTANCE>(33);
    });
    for (WPARAM type : {12, 13, 15, 1, 14}) SendMessageA(form->Handle(), 0x3514, type, 0);
    cl::ReplaceShellExecute(oldShell);
    EXPECT_EQ(opened, (std::vector<std::string>{"http://127.0.0.1:9/||1|form"}));
}

TEST_F(PlayWindow, TheTopPageReachesTheWindowThroughExternal)
{
    form->Show();
    cl::TComPtr<IDispatch> ext;
    ASSERT_EQ(form->webTopGetExternal(ext), S_OK);
    cl::TComPtr<IDispatch> other;
    form->webTopGetExternal(other);
    EXPECT_NE(ext.get(), other.get());
    TScriptHost script;
    script.AddObject(L"external", ext.get());
    // The play pane never becomes ready here: the favourite is not added, and the user
    // learns that the game has not finished loading.
    EXPECT_EQ(script.Run(L"external.AddFav()").hr, S_OK);
    EXPECT_EQ(boxes, (std::vector<std::string>{"游戏还没有加载完成，请稍后再收藏/提示/64"}));
    EXPECT_TRUE(Entries(kFavourites).empty());
    boxes.clear();
    EXPECT_EQ(script.Run(L"external.Refresh()").hr, S_OK);
    EXPECT_EQ(script.Run(L"external.GetSwf('no-such-movie-in-any-cache')").hr, S_OK);
    EXPECT_TRUE(boxes.empty());
}

TEST(PlayExtendObject, DispatchIdentifiersFollowTheTypeLibrary)
{
    OleInitialize(nullptr);
    TPlayExtend* ext = PlayExtendFactory().Create();
    const wchar_t* names[] = {L"Test", L"Refresh", L"AddFav", L"GetSwf"};
    DISPID expected = 201;
    for (const wchar_t* name : names) {
        LPOLESTR n = const_cast<LPOLESTR>(name);
        DISPID id = 0;
        EXPECT_EQ(ext->GetIDsOfNames(IID_NULL, &n, 1, 0, &id), S_OK) << testing::PrintToString(std::wstring(name));
        EXPECT_EQ(id, expected++);
    }
    cl::TComPtr<ITypeInfo> info;
    ASSERT_EQ(ext->GetTypeInfo(0, 0, info.put()), S_OK);
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
    const GUID iid = {0x30096E3E, 0x5541, 0x455F, {0x97, 0x50, 0x16, 0xE7, 0x64, 0x68, 0x65, 0x4F}};
    EXPECT_TRUE(IsEqualGUID(attr->guid, iid));
    info->ReleaseTypeAttr(attr);
    // Without a window every method but Test does nothing and answers 0.
    std::vector<std::string> boxes;
    cl::TMessageBoxService oldBox =
        cl::ReplaceMessageBox([&boxes](HWND, const cl::AnsiString& text, const cl::AnsiString& caption, UINT) {
            boxes.push_back(text + "/" + caption);
            return IDOK;
        });
    WriteBytes(AppPath + kFavourites, kEmptyCatalogue);
    {
        TScriptHost script;
        script.AddObject(L"external", ext);
        ExpectOnlyTestActs(script, boxes);
    }
    cl::ReplaceMessageBox(oldBox);
    DeleteFileA((AppPath + kFavourites).c_str());
    ext->Release();
}
