// The settings window made from its form resource, with page elements of the test's own
// in front of the page (Wine's browser loads no page), real Config.db files beside the
// test program and the real Run key of the test prefix.
#include "classlib/Registry.h"
#include "shell/IEExternal.h"
#include "shell/MainFrm.h"
#include "shell/SettingFrm.h"
#include "shell/UnConst.h"

#include "../support/ScriptHost.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>

namespace {

const char* const kRunKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

// A check box or radio button of the page: the property "checked" and the method
// "click()". Radio buttons of one group clear each other when clicked. What the window
// does to it goes into the shared log.
class FakeElement : public IDispatch {
public:
    FakeElement(std::string id, std::string& log, bool checked) : checked_(checked), id_(std::move(id)), log_(log) {}
    bool checked_;
    std::vector<FakeElement*> group; // the other radio buttons of its group

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override
    {
        if (riid == IID_IUnknown || riid == IID_IDispatch) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs_; } // owned by the test
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override
    {
        *n = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT, LCID, DISPID* ids) override
    {
        std::wstring name = names[0];
        if (name == L"checked") *ids = 1;
        else if (name == L"click") *ids = 2;
        else return DISP_E_UNKNOWNNAME;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO*, UINT*) override
    {
        if (id == 1 && (flags & DISPATCH_PROPERTYPUT)) {
            // Like the page's check box: a non-empty text is true.
            const VARIANT& v = params->rgvarg[0];
            if (V_VT(&v) == VT_BSTR) {
                std::wstring text(V_BSTR(&v), SysStringLen(V_BSTR(&v)));
                log_ += id_ + ".checked=" + std::string(text.begin(), text.end()) + " ";
                checked_ = !text.empty();
            } else if (V_VT(&v) == VT_BOOL) {
                log_ += id_ + ".checked=bool ";
                checked_ = V_BOOL(&v) != VARIANT_FALSE;
            } else {
                return DISP_E_TYPEMISMATCH;
            }
            return S_OK;
        }
        if (id == 1 && (flags & DISPATCH_PROPERTYGET)) {
            if (result) {
                V_VT(result) = VT_BOOL;
                V_BOOL(result) = checked_ ? VARIANT_TRUE : VARIANT_FALSE;
            }
            return S_OK;
        }
        if (id == 2 && (flags & DISPATCH_METHOD)) {
            log_ += id_ + ".click() ";
            checked_ = true;
            for (FakeElement* other : group) other->checked_ = false;
            return S_OK;
        }
        return DISP_E_MEMBERNOTFOUND;
    }

private:
    std::string id_;
    std::string& log_;
    ULONG refs_ = 1;
};

// The page as the window sees it: elements present by id, readiness as the test says.
class TTestSettingForm : public TSettingForm {
public:
    using TSettingForm::TSettingForm;
    std::map<std::string, FakeElement*> elements;
    std::function<bool()> ready = [] { return false; };
    DWORD waitMs = 200;

protected:
    cl::TComPtr<IDispatch> FindElement(const cl::AnsiString& id) override
    {
        auto it = elements.find(id);
        return it == elements.end() ? cl::TComPtr<IDispatch>() : cl::TComPtr<IDispatch>(it->second);
    }
    bool PageReady() override { return ready(); }
    DWORD PageWaitMs() const override { return waitMs; }
};

// The settings page's four elements; the two radio buttons form one group.
struct Page {
    std::string log;
    FakeElement bosskey{"bosskey", log, false};
    FakeElement autostart{"autostart", log, false};
    FakeElement tray{"minimize_2_tray", log, false};
    FakeElement exit{"ludora_exit", log, false};
    Page()
    {
        tray.group = {&exit};
        exit.group = {&tray};
    }
    // "b" bosskey, "a" autostart, "t" minimize_2_tray, "x" ludora_exit
    void PutOn(TTestSettingForm& form, const std::string& which)
    {
        form.elements.clear();
        if (which.find('b') != std::string::npos) form.elements["bosskey"] = &bosskey;
        if (which.find('a') != std::string::npos) form.elements["autostart"] = &autostart;
        if (which.find('t') != std::string::npos) form.elements["minimize_2_tray"] = &tray;
        if (which.find('x') != std::string::npos) form.elements["ludora_exit"] = &exit;
    }
};

struct Settings : ::testing::Test {
    std::unique_ptr<cl::TIniFile> ini;
    TTestSettingForm* form = nullptr;

    static std::string ConfigPath() { return AppPath + ConfigFileName; }

    static void WriteConfig(const char* text)
    {
        // The process caches ini files, and keeps a deleted one's cached keys: drop the
        // cache first so that the next read sees the file as written here.
        WritePrivateProfileStringA(nullptr, nullptr, nullptr, ConfigPath().c_str());
        DeleteFileA(ConfigPath().c_str());
        if (!text) return;
        FILE* f = fopen(ConfigPath().c_str(), "wb");
        fputs(text, f);
        fclose(f);
    }

    // The value of a key in Config.db as written, "-" when absent.
    static std::string ConfigValue(const char* key)
    {
        char buf[64] = {};
        GetPrivateProfileStringA("Setting", key, "-", buf, sizeof buf, ConfigPath().c_str());
        return buf;
    }

    // Run-key values: null text deletes.
    static void SetRunValue(const char* name, const char* text)
    {
        cl::TRegistry reg;
        reg.SetRootKey(HKEY_LOCAL_MACHINE);
        ASSERT_TRUE(reg.OpenKey(kRunKey, true));
        if (text) reg.WriteString(name, text);
        else reg.DeleteValue(name);
    }
    // "-" when absent.
    static std::string RunValue(const char* name)
    {
        cl::TRegistry reg(KEY_READ);
        reg.SetRootKey(HKEY_LOCAL_MACHINE);
        if (!reg.OpenKeyReadOnly(kRunKey) || !reg.ValueExists(name)) return "-";
        return reg.ReadString(name);
    }

    void SetUp() override
    {
        OleInitialize(nullptr);
        cl::Application->Initialize();
        SetRunValue("StartBox", nullptr);
    }

    void Make(const char* config)
    {
        WriteConfig(config);
        ini = std::make_unique<cl::TIniFile>(ConfigPath());
        form = cl::CreateForm<TTestSettingForm>(cl::Application);
        SettingForm = form;
        form->SetIniConfig(ini.get());
    }

    void TearDown() override
    {
        if (MainForm) cl::Free(MainForm);
        if (form) cl::Free(form);
        SettingForm = nullptr;
        WriteConfig(nullptr);
        SetRunValue("StartBox", nullptr);
        SetRunValue("LudoraTestOther", nullptr);
    }
};

} // namespace

TEST_F(Settings, FormResource)
{
    Make(nullptr);
    form->waitMs = 0;
    form->Show();
    char caption[32] = {};
    GetWindowTextA(form->Handle(), caption, sizeof caption);
    EXPECT_STREQ(caption, "设置");
    EXPECT_EQ(form->ClientWidth(), 519);
    EXPECT_EQ(form->ClientHeight(), 312);
    const LONG style = GetWindowLongA(form->Handle(), GWL_STYLE);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    ASSERT_NE(form->webSet, nullptr);
    EXPECT_EQ(form->webSet->Align(), cl::alClient);
    EXPECT_EQ(form->webSet->PrintOptions()->Header, "&w&b页码，&p/&P");
    EXPECT_EQ(form->webSet->PrintOptions()->Footer, "&u&b&d");
    EXPECT_TRUE(form->webSet->HideBorders);
    EXPECT_TRUE(form->webSet->DisableRightClickMenu);
}

TEST_F(Settings, FillingFollowsConfigAndTheRunKey)
{
    struct Case {
        const char* config;  // null: no Config.db
        const char* startBox; // null: absent
        const char* log;
        bool bosskey, autostart, tray, exit;
    } cases[] = {
        {nullptr, nullptr, "bosskey.checked=checked ludora_exit.click() ", true, false, false, true},
        {"", nullptr, "bosskey.checked=checked ludora_exit.click() ", true, false, false, true},
        {"[Setting]\r\nSetBossKey=0\r\nCloseExit=0\r\n", "C:\\other.exe",
         "autostart.checked=checked minimize_2_tray.click() ", false, true, true, false},
        {"[Setting]\r\nSetBossKey=1\r\nCloseExit=1\r\n", "", "bosskey.checked=checked ludora_exit.click() ", true,
         false, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.config ? c.config : "no Config.db");
        SetRunValue("StartBox", c.startBox);
        Make(c.config);
        Page page;
        page.PutOn(*form, "batx");
        form->LoadConfig();
        EXPECT_EQ(page.log, c.log);
        EXPECT_EQ(page.bosskey.checked_, c.bosskey);
        EXPECT_EQ(page.autostart.checked_, c.autostart);
        EXPECT_EQ(page.tray.checked_, c.tray);
        EXPECT_EQ(page.exit.checked_, c.exit);
        cl::Free(form);
        form = nullptr;
    }
}

TEST_F(Settings, FillingSkipsMissingElements)
{
    SetRunValue("StartBox", "C:\\other.exe");
    Make(nullptr);
    Page page;
    page.PutOn(*form, "x"); // only the exit choice
    EXPECT_NO_THROW(form->LoadConfig());
    EXPECT_EQ(page.log, "ludora_exit.click() ");
    page.PutOn(*form, "");
    EXPECT_NO_THROW(form->LoadConfig());
}

TEST_F(Settings, SavingWritesConfigAndTheRunKey)
{
    const std::string ours = AppPath + "Ludora.exe";
    struct Case {
        const char* name;
        const char* elements; // on the page, as Page::PutOn takes them
        bool bosskey, autostart, exit;
        const char* startBoxBefore;
        std::string bossAfter, closeExitAfter, startBoxAfter;
    } cases[] = {
        {"all on, no value yet", "batx", true, true, true, nullptr, "1", "1", ours},
        {"all on, empty value", "batx", true, true, true, "", "1", "1", ours},
        {"auto-start kept when it names another program", "batx", true, true, false, "C:\\other.exe", "1", "0",
         "C:\\other.exe"},
        {"all off deletes the value", "batx", false, false, false, "C:\\other.exe", "0", "0", "-"},
        {"all off without a value", "batx", false, false, false, nullptr, "0", "0", "-"},
        {"no elements: nothing written", "", true, true, true, "C:\\other.exe", "-", "-", "C:\\other.exe"},
        {"only auto-start", "a", false, true, false, nullptr, "-", "-", ours},
        {"only the exit choice", "tx", false, false, true, nullptr, "-", "1", "-"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetRunValue("StartBox", c.startBoxBefore);
        SetRunValue("LudoraTestOther", "C:\\keep.exe");
        Make(nullptr);
        form->waitMs = 0;
        form->Show();
        Page page;
        page.PutOn(*form, c.elements);
        page.bosskey.checked_ = c.bosskey;
        page.autostart.checked_ = c.autostart;
        page.exit.checked_ = c.exit;
        page.tray.checked_ = !c.exit;
        form->Quick_Invoke("SaveConfig");
        EXPECT_EQ(ConfigValue("SetBossKey"), c.bossAfter);
        EXPECT_EQ(ConfigValue("CloseExit"), c.closeExitAfter);
        EXPECT_EQ(RunValue("StartBox"), c.startBoxAfter);
        EXPECT_EQ(RunValue("LudoraTestOther"), "C:\\keep.exe");
        EXPECT_FALSE(form->Visible()); // closed after saving
        cl::Free(form);
        form = nullptr;
    }
}

TEST_F(Settings, OtherWordsWriteNothing)
{
    struct Case {
        const char* word;
        bool stillOpen;
    } cases[] = {{"saveconfig", true}, {"SetBossKey", true}, {"", true}, {"CancelConfig", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.word);
        Make(nullptr);
        form->waitMs = 0;
        form->Show();
        Page page;
        page.PutOn(*form, "batx");
        page.autostart.checked_ = true;
        form->Quick_Invoke(c.word);
        EXPECT_EQ(ConfigValue("SetBossKey"), "-");
        EXPECT_EQ(ConfigValue("CloseExit"), "-");
        EXPECT_EQ(RunValue("StartBox"), "-");
        EXPECT_EQ(page.log, "");
        EXPECT_EQ(form->Visible(), c.stillOpen);
        cl::Free(form);
        form = nullptr;
    }
}

TEST_F(Settings, SavingReloadsTheMainWindowsSettings)
{
    Make(nullptr);
    cl::Application->CreateForm(MainForm);
    form->SetIniConfig(ini.get());
    EXPECT_TRUE(MainForm->BossKeyOn());
    EXPECT_FALSE(MainForm->CloseExit());
    form->waitMs = 0;
    form->Show();
    Page page;
    page.PutOn(*form, "batx");
    page.bosskey.checked_ = false;
    page.exit.checked_ = true;
    form->Quick_Invoke("SaveConfig");
    EXPECT_FALSE(MainForm->BossKeyOn());
    EXPECT_TRUE(MainForm->CloseExit());
    // The hot key is free again.
    int id = GlobalAddAtomA("hotkeyD") - 0xC000;
    HWND probe = CreateWindowA("STATIC", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    EXPECT_TRUE(RegisterHotKey(probe, id, MOD_CONTROL, 'B'));
    UnregisterHotKey(probe, id);
    DestroyWindow(probe);
}

TEST_F(Settings, OpeningWaitsForThePageThenFills)
{
    Make(nullptr);
    Page page;
    page.PutOn(*form, "batx");
    int asked = 0;
    form->waitMs = 60000;
    form->ready = [&] { return ++asked >= 3; };
    form->Show();
    EXPECT_EQ(asked, 3);
    EXPECT_EQ(page.log, "bosskey.checked=checked ludora_exit.click() ");
}

TEST_F(Settings, TheWaitEndsOnEachOfItsConditions)
{
    Make(nullptr);
    form->waitMs = 0;
    form->Show();
    ASSERT_TRUE(form->Visible());

    form->ready = [] { return true; };
    EXPECT_EQ(form->WaitForPage(60000), TPageWait::Ready);

    form->ready = [] { return false; };
    EXPECT_EQ(form->WaitForPage(100), TPageWait::TimedOut);

    // The page (or the user) closes the window while it loads.
    bool closing = false;
    form->ready = [&] {
        if (!closing) PostMessageA(form->Handle(), WM_CLOSE, 0, 0);
        closing = true;
        return false;
    };
    EXPECT_EQ(form->WaitForPage(60000), TPageWait::Closed);
    EXPECT_FALSE(form->Visible());

    form->Show();
    form->ready = [] {
        PostQuitMessage(3);
        return false;
    };
    EXPECT_EQ(form->WaitForPage(60000), TPageWait::Terminated);
    EXPECT_TRUE(cl::Application->Terminated());
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)); // kept for the loop outside
    EXPECT_EQ(msg.wParam, 3u);
}

TEST_F(Settings, AModalOpeningClosedWhileWaitingStopsWaiting)
{
    Make(nullptr);
    form->waitMs = 60000;
    form->ready = [this] {
        // The page answers "CancelConfig" before it has finished loading.
        form->Quick_Invoke("CancelConfig");
        PostMessageA(form->Handle(), WM_NULL, 0, 0); // a turn for the modal loop to see it
        return false;
    };
    EXPECT_EQ(form->ShowModal(), cl::mrCancel);
    EXPECT_FALSE(form->Visible());
}

// The real page under Wine never loads: the window still opens, usable, once the wait is
// over, and the page's words still reach it.
class TRealPageSettingForm : public TSettingForm {
public:
    using TSettingForm::TSettingForm;

protected:
    DWORD PageWaitMs() const override { return 300; }
};

TEST_F(Settings, WithoutTheRealPageTheWindowOpensAfterTheWait)
{
    WriteConfig(nullptr);
    ini = std::make_unique<cl::TIniFile>(ConfigPath());
    auto* real = cl::CreateForm<TRealPageSettingForm>(cl::Application);
    SettingForm = real;
    real->SetIniConfig(ini.get());
    real->Show();
    EXPECT_TRUE(IsWindowVisible(real->Handle()));
    EXPECT_TRUE(IsWindow(real->webSet->Handle()));

    cl::TComPtr<IDispatch> ext;
    ASSERT_EQ(real->webSetGetExternal(ext), S_OK);
    TScriptHost script;
    script.AddObject(L"external", ext.get());
    EXPECT_EQ(script.Run(L"external.Quick_Invoke('SaveConfig')").hr, S_OK); // no elements: only closes
    EXPECT_FALSE(real->Visible());
    EXPECT_EQ(ConfigValue("SetBossKey"), "-");
    cl::Free(real);
}
