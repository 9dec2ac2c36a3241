// Catalogue benchmark (not a test); tools/bench/player.sh runs it:
//   CatalogueBench N   handles, private bytes and the program's player windows around N
//                      navigations of the main window's catalogue pane to a recorded game
//                      whose movie is present (each plays the offline page in a hidden
//                      player window of the program's own)
// The records file, movie and page template go beside the program and are removed after.
#include "ProcessUsage.h"
#include "shell/MainFrm.h"
#include "shell/UnConst.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

const char* const kFiles[] = {"Data\\Data.db", "Data\\swf\\bench.swf", "Data\\Swf.html", "Data\\Temp.html"};

double Now()
{
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) / static_cast<double>(f.QuadPart);
}

void Pump()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

bool Put(const char* relative, const std::string& bytes)
{
    const std::string path = AppPath + relative;
    for (size_t i = AppPath.size(); (i = path.find('\\', i + 1)) != std::string::npos;)
        CreateDirectoryA(path.substr(0, i).c_str(), nullptr);
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    return true;
}

BOOL CALLBACK CountPlayer(HWND w, LPARAM count)
{
    char name[32] = "";
    GetClassNameA(w, name, sizeof name);
    if (std::string(name) == "TPlayForm") ++*reinterpret_cast<int*>(count);
    return TRUE;
}

int Players()
{
    int count = 0;
    EnumThreadWindows(GetCurrentThreadId(), CountPlayer, reinterpret_cast<LPARAM>(&count));
    return count;
}

void NavigateCatalogue(const wchar_t* address)
{
    VARIANT url, none;
    V_VT(&url) = VT_BSTR;
    V_BSTR(&url) = SysAllocString(address);
    VariantInit(&none);
    bool cancel = false;
    MainForm->webLeftBeforeNavigate2(MainForm->webLeft, nullptr, url, none, none, none, none, cancel);
    VariantClear(&url);
}

int Navigations(int count)
{
    if (!Put("Data\\Data.db", "[http://127.0.0.1:9/flash/1]\r\nswf=bench.swf\r\ntitle=bench\r\ndesc=d\r\n") ||
        !Put("Data\\swf\\bench.swf", "FWS") || !Put("Data\\Swf.html", "<title>%0:s</title><embed src=\"%1:s\">%2:s"))
        return std::printf("cannot write the records beside %s\n", AppPath.c_str()), 1;
    cl::Application->Initialize();
    cl::Application->CreateForm(MainForm);
    // One navigation first, so that the browser's and the skin's caches are started.
    NavigateCatalogue(L"http://127.0.0.1:9/flash/1");
    Pump();
    const DWORD handles = bench::HandleCount();
    const SIZE_T privateBytes = bench::PrivateBytes();
    const int players = Players();
    const double t0 = Now();
    for (int i = 0; i < count; ++i) {
        NavigateCatalogue(L"http://127.0.0.1:9/flash/1");
        Pump();
    }
    const double seconds = Now() - t0;
    const DWORD handlesAfter = bench::HandleCount();
    const SIZE_T privateAfter = bench::PrivateBytes();
    std::printf("%d catalogue navigations to a recorded game in %.1f s: handles %lu -> %lu, private bytes %lu KB -> "
                "%lu KB, player windows %d -> %d\n",
                count, seconds, handles, handlesAfter, static_cast<unsigned long>(privateBytes / 1024),
                static_cast<unsigned long>(privateAfter / 1024), players, Players());
    cl::Free(MainForm);
    for (const char* f : kFiles) DeleteFileA((AppPath + f).c_str());
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) return std::printf("usage: CatalogueBench N\n"), 2;
    OleInitialize(nullptr);
    return Navigations(std::max(1, std::atoi(argv[1])));
}
