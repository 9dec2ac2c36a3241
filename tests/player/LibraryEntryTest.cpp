// The player library loaded for real, as the program loads it.
#include "classlib/WinHandle.h"
#include "player/PFrm.h"
#include "player/Tessel.h"

#include "../support/WinePath.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace {

BOOL CALLBACK CollectPlayer(HWND w, LPARAM found)
{
    char name[64] = "";
    GetClassNameA(w, name, sizeof name);
    if (std::string(name) == "TPlayForm") reinterpret_cast<std::vector<HWND>*>(found)->push_back(w);
    return TRUE;
}

// The thread's top-level player windows.
std::vector<HWND> PlayerWindows()
{
    std::vector<HWND> found;
    EnumThreadWindows(GetCurrentThreadId(), CollectPlayer, reinterpret_cast<LPARAM>(&found));
    return found;
}

BOOL CALLBACK CountWindow(HWND w, LPARAM count)
{
    ++*reinterpret_cast<int*>(count);
    EnumChildWindows(w, CountWindow, count);
    return TRUE;
}

// Every window of the thread: the top-level ones and all their descendants.
int ThreadWindowCount()
{
    int count = 0;
    EnumThreadWindows(GetCurrentThreadId(), CountWindow, reinterpret_cast<LPARAM>(&count));
    return count;
}

void Pump()
{
    for (MSG msg; PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// Handles messages until done() holds or 20 s have passed.
bool PumpUntil(const std::function<bool()>& done)
{
    for (const DWORD start = GetTickCount(); !done(); Pump()) {
        if (GetTickCount() - start > 20000) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
    }
    return true;
}

constexpr UINT kSkinQuery = 0x3523;

// The library's own object behind one of its windows: its class library's window property
// (named after the library's module and the thread), read without calling into it.
const TPlayForm* LibraryPlayForm(HMODULE library, HWND w)
{
    char name[32];
    wsprintfA(name, "ControlOfs%.8X%.8X", static_cast<unsigned>(reinterpret_cast<UINT_PTR>(library)),
              static_cast<unsigned>(GetCurrentThreadId()));
    auto* control = static_cast<cl::TWinControl*>(GetPropA(w, name));
    return control ? static_cast<const TPlayForm*>(control) : nullptr;
}

} // namespace

TEST(Library, ExportsItsEntriesByNameAndOrdinal)
{
    std::string path = WinPath(TESSEL_DLL);
    cl::ModuleHandle lib(LoadLibraryA(path.c_str()));
    ASSERT_TRUE(lib);
    const char* names[] = {"ShowForm", "DllUnregisterServer", "DllRegisterServer", "DllCanUnloadNow", "DllGetClassObject"};
    for (int ordinal = 1; ordinal <= 5; ++ordinal) {
        FARPROC byName = GetProcAddress(lib.get(), names[ordinal - 1]);
        EXPECT_NE(byName, nullptr) << names[ordinal - 1];
        EXPECT_EQ(GetProcAddress(lib.get(), MAKEINTRESOURCEA(ordinal)), byName) << ordinal;
    }
    EXPECT_EQ(GetProcAddress(lib.get(), "ShowForm@8"), nullptr) << "undecorated names only";
    EXPECT_TRUE(PlayerWindows().empty()) << "loading shows nothing";
}

TEST(Library, EveryShowFormOpensAnotherUnownedWindow)
{
    OleInitialize(nullptr);
    std::string path = WinPath(TESSEL_DLL);
    HMODULE lib = LoadLibraryA(path.c_str());
    ASSERT_NE(lib, nullptr);
    auto showForm = reinterpret_cast<TShowFormProc>(reinterpret_cast<void*>(GetProcAddress(lib, "ShowForm")));
    ASSERT_NE(showForm, nullptr);
    HWND host = CreateWindowA("STATIC", "host", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    std::string address = "http://127.0.0.1:9/flash/7";
    showForm(host, address.c_str());
    address.assign(address.size(), 'x'); // the library keeps its own copy
    showForm(host, nullptr);
    std::vector<HWND> windows = PlayerWindows();
    ASSERT_EQ(windows.size(), 2u);
    std::vector<std::string> addresses;
    for (HWND w : windows) {
        EXPECT_TRUE(IsWindowVisible(w));
        EXPECT_EQ(GetWindow(w, GW_OWNER), nullptr);
        EXPECT_EQ(GetParent(w), nullptr);
        const TPlayForm* form = LibraryPlayForm(lib, w);
        ASSERT_NE(form, nullptr);
        addresses.push_back(form->Url);
        EXPECT_EQ(form->HostHandle, host);
    }
    std::sort(addresses.begin(), addresses.end());
    EXPECT_EQ(addresses, (std::vector<std::string>{"", "http://127.0.0.1:9/flash/7"})) << "the first kept its address";
    // Once a window exists the library stays loaded, whatever the caller frees.
    FreeLibrary(lib);
    EXPECT_NE(GetModuleHandleA("Tessel.dll"), nullptr);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    DestroyWindow(host);
}

TEST(Library, ServerEntriesRegisterTheTypeLibraryOnly)
{
    OleInitialize(nullptr);
    std::string path = WinPath(TESSEL_DLL);
    cl::ModuleHandle lib(LoadLibraryA(path.c_str()));
    ASSERT_TRUE(lib);
    using Entry = HRESULT(__stdcall*)();
    using GetClassObject = HRESULT(__stdcall*)(REFCLSID, REFIID, void**);
    auto entry = [&](const char* name) { return reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(lib.get(), name))); };
    auto getClassObject =
        reinterpret_cast<GetClassObject>(reinterpret_cast<void*>(GetProcAddress(lib.get(), "DllGetClassObject")));
    ASSERT_NE(getClassObject, nullptr);
    const GUID libid = {0xBA23CCBF, 0xB705, 0x4C40, {0xB4, 0xB2, 0x37, 0x1B, 0x22, 0x70, 0xA5, 0xF2}};
    const CLSID playExtend = {0x3008C79F, 0x4B98, 0x4EC6, {0xA7, 0x12, 0x29, 0x8B, 0xEA, 0xAD, 0x80, 0x6D}};

    ASSERT_EQ(entry("DllRegisterServer")(), S_OK);
    ITypeLib* typeLib = nullptr;
    EXPECT_EQ(LoadRegTypeLib(libid, 1, 0, 0, &typeLib), S_OK);
    if (typeLib) typeLib->Release();
    void* factory = reinterpret_cast<void*>(1);
    EXPECT_EQ(getClassObject(playExtend, IID_IClassFactory, &factory), CLASS_E_CLASSNOTAVAILABLE) << "never made from outside";
    EXPECT_EQ(factory, nullptr);
    EXPECT_EQ(entry("DllCanUnloadNow")(), S_FALSE);
    EXPECT_EQ(entry("DllUnregisterServer")(), S_OK);
    typeLib = nullptr;
    EXPECT_NE(LoadRegTypeLib(libid, 1, 0, 0, &typeLib), S_OK);
    if (typeLib) typeLib->Release();
}

// A closed player window is hidden at once and freed soon after, with every window it
// made; the windows still open keep working, skin included.
TEST(Library, ClosedWindowsGoAndTheOthersStay)
{
    OleInitialize(nullptr);
    std::string path = WinPath(TESSEL_DLL);
    HMODULE lib = LoadLibraryA(path.c_str());
    ASSERT_NE(lib, nullptr);
    auto showForm = reinterpret_cast<TShowFormProc>(reinterpret_cast<void*>(GetProcAddress(lib, "ShowForm")));
    ASSERT_NE(showForm, nullptr);
    // A first window opened and closed starts the library's units and whatever they and
    // the platform keep for the run.
    showForm(nullptr, nullptr);
    ASSERT_EQ(PlayerWindows().size(), 1u);
    SendMessageA(PlayerWindows()[0], WM_CLOSE, 0, 0);
    ASSERT_TRUE(PumpUntil([] { return PlayerWindows().empty(); }));
    const int before = ThreadWindowCount();

    showForm(nullptr, "http://127.0.0.1:9/flash/1");
    showForm(nullptr, "http://127.0.0.1:9/flash/2");
    const std::vector<HWND> windows = PlayerWindows();
    ASSERT_EQ(windows.size(), 2u);
    for (HWND w : windows) ASSERT_TRUE(PumpUntil([w] { return SendMessageA(w, kSkinQuery, 0, 0) == 1; }));
    const HWND closed = windows[0], kept = windows[1];
    SendMessageA(closed, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindowVisible(closed));
    EXPECT_TRUE(IsWindow(closed)) << "hidden at once";
    ASSERT_TRUE(PumpUntil([closed] { return !IsWindow(closed); }));
    EXPECT_TRUE(IsWindowVisible(kept));
    EXPECT_EQ(SendMessageA(kept, kSkinQuery, 0, 0), 1) << "the other window keeps its skin";

    SendMessageA(kept, WM_CLOSE, 0, 0);
    ASSERT_TRUE(PumpUntil([kept] { return !IsWindow(kept); }));
    EXPECT_EQ(ThreadWindowCount(), before);
}
