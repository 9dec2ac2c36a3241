// Two skin engines in one process, as the program and the player library have: the hook
// installed last sees each activation first, and the skin query keeps the other engine off
// a window already skinned. Dialog-manager dialogs stay with their own module's engine.
#include "skin/engine/SkinData.h"
#include "skin/engine/SkinManage.h"
#include "skin/engine/SkinMessages.h"
#include "skin/engine/SkinnedForm.h"

#include "Fixtures.h"
#include "MessagePump.h"

#include "classlib/Forms.h"
#include "classlib/TypInfo.h"

#include <gtest/gtest.h>


using namespace skin;

namespace {

using skintest::PumpUntil;

// Handles every message queued so far, and what those post in turn (an engine's skin
// start): a mark posted last tells when they are done. False if the marks never came.
bool Drain()
{
    static const UINT mark = RegisterWindowMessageA("TwoEnginesDrainMark");
    for (int round = 0; round < 2; ++round) {
        if (!PostThreadMessageA(GetCurrentThreadId(), mark, 0, 0)) return false;
        const DWORD end = GetTickCount() + skintest::WaitBound;
        MSG msg;
        for (;;) {
            if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
                if (msg.message == WM_QUIT) {
                    PostQuitMessage(static_cast<int>(msg.wParam));
                    return false;
                }
                if (msg.message == mark && !msg.hwnd) break;
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
                continue;
            }
            const DWORD now = GetTickCount();
            if (now >= end) return false;
            MsgWaitForMultipleObjectsEx(0, nullptr, end - now, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        }
    }
    return true;
}

void Activate(HWND wnd)
{
    ShowWindow(wnd, SW_SHOW);
    SetForegroundWindow(wnd);
}

struct TwoEngines : ::testing::Test {
    std::unique_ptr<TSkinData> data;
    HMODULE module = nullptr;
    int (*startModuleSkin)(const unsigned char*, int) = nullptr;
    HWND (*moduleForm)() = nullptr;
    int (*moduleSkins)(HWND) = nullptr;
    void (*stopModuleSkin)() = nullptr;
    std::vector<HWND> windows;

    template <class F> void Bind(F& f, const char* name)
    {
        f = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
        ASSERT_NE(f, nullptr) << name;
    }

    void SetUp() override
    {
        const std::vector<std::uint8_t> stream = skintest::ReadFile(LUDORA_SKIN_STREAM);
        ASSERT_GT(stream.size(), 4u);
        // The program's engine first: its hook is installed before the library's.
        data = std::make_unique<TSkinData>(nullptr);
        cl::SetPropValue(*data, "SkinStream", cl::TValue(cl::TBytes(stream.begin(), stream.end())));
        data->Loaded();
        ASSERT_FALSE(data->Empty);
        SkinManager->Active = true;
        module = LoadLibraryA(SKIN_TEST_MODULE);
        ASSERT_NE(module, nullptr);
        Bind(startModuleSkin, "StartModuleSkin");
        Bind(moduleForm, "ModuleForm");
        Bind(moduleSkins, "ModuleSkins");
        Bind(stopModuleSkin, "StopModuleSkin");
        ASSERT_EQ(startModuleSkin(stream.data(), static_cast<int>(stream.size())), 1);
    }
    void TearDown() override
    {
        for (HWND w : windows) DestroyWindow(w);
        if (stopModuleSkin) stopModuleSkin();
        if (module) FreeLibrary(module);
        data.reset();
    }
    bool OursSkins(HWND wnd) const { return SkinManager->FindSkinForm(wnd) != nullptr; }
};

} // namespace

TEST_F(TwoEngines, LibraryFormIsTheLibrarys)
{
    HWND wnd = moduleForm();
    ASSERT_NE(wnd, nullptr);
    Activate(wnd);
    EXPECT_TRUE(PumpUntil([&] { return moduleSkins(wnd) == 1; }));
    ASSERT_TRUE(Drain());
    EXPECT_FALSE(OursSkins(wnd));
    EXPECT_EQ(SendMessageA(wnd, WM_SKIN_QUERY, 0, 0), 1);
}

TEST_F(TwoEngines, ProgramWindowGoesToTheLibraryFirst)
{
    windows.push_back(CreateWindowExA(0, "STATIC", "", WS_OVERLAPPEDWINDOW, 120, 120, 300, 200, nullptr, nullptr,
                                      GetModuleHandleA(nullptr), nullptr));
    HWND wnd = windows.back();
    Activate(wnd);
    EXPECT_TRUE(PumpUntil([&] { return moduleSkins(wnd) == 1; }));
    ASSERT_TRUE(Drain());
    EXPECT_FALSE(OursSkins(wnd)); // skinned once, by the hook installed last
}

TEST_F(TwoEngines, ProgramDialogStaysWithTheProgram)
{
    windows.push_back(CreateWindowExA(0, "#32770", "", WS_POPUP | WS_CAPTION | WS_SYSMENU, 120, 120, 300, 200,
                                      nullptr, nullptr, cl::ModuleInstance(), nullptr));
    HWND wnd = windows.back();
    Activate(wnd);
    EXPECT_TRUE(PumpUntil([&] { return OursSkins(wnd); }));
    ASSERT_TRUE(Drain());
    EXPECT_EQ(moduleSkins(wnd), 0);
}
