// Benchmark of the skin engine (not a test): skin load time from a "SkinStream" property
// value, frame paint time of a main-window-sized skinned form and of each step of it, and
// GDI objects before and after many paints and many skinned forms made and freed.
//
//   FramePaintBench SKINSTREAM [PAINTS [FORMS]]
//     SKINSTREAM  build/win32/resources/skin/ludora.skinstream
//     PAINTS      WM_NCPAINTs timed and counted (10000)
//     FORMS       skinned forms made and freed (1000)
//
// GDI objects are counted with GetGuiResources; Wine answers 0 there, and then the
// process's GDI handle table is walked instead (GdiObjects). The process's private bytes are
// reported too, as a coarse leak signal.
#include "ProcessUsage.h"
#include "skin/engine/SkinData.h"
#include "skin/engine/SkinManage.h"
#include "skin/engine/SkinnedForm.h"

#include "classlib/Forms.h"
#include "classlib/TypInfo.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

double Now()
{
    static const double frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart);
    }();
    LARGE_INTEGER c;
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) * 1e6 / frequency;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// How the objects are counted, for the report.
const char* gdiCounting = "GetGuiResources";

// Live GDI objects of this process: GetGuiResources, or where that answers 0 (Wine) the
// 16-bit handle indexes that GetObjectType takes for a live object. A handle whose upper
// word is zero names whatever object holds that index, so one pass finds them all.
DWORD GdiObjects()
{
    if (DWORD n = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS)) return n;
    gdiCounting = "a walk of the GDI handle indexes with GetObjectType";
    DWORD n = 0;
    for (UINT_PTR index = 1; index < 0x10000; ++index)
        if (GetObjectType(reinterpret_cast<HGDIOBJ>(index))) ++n;
    return n;
}

// The count sees one brush made and freed.
bool CountingWorks()
{
    const DWORD before = GdiObjects();
    HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
    const DWORD with = GdiObjects();
    DeleteObject(brush);
    return with == before + 1 && GdiObjects() == before;
}

using bench::PrivateBytes;

// Growth of the private bytes since before, in KB.
long GrowthKB(SIZE_T before)
{
    return static_cast<long>((static_cast<long long>(PrivateBytes()) - static_cast<long long>(before)) / 1024);
}

void Pump()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

// A shown 823 x 570 form skinned with data, completed, with the main window's title.
std::unique_ptr<cl::TForm> SkinnedForm()
{
    auto form = std::make_unique<cl::TForm>(nullptr);
    form->SetBounds(50, 50, 823, 570);
    form->SetCaption("Orvane\xD3\xCE\xCF\xB7\xBA\xD0"); // code page 936
    form->HandleNeeded();
    skin::SkinManager->SkinWindow(form->Handle());
    for (int i = 0; i < 100; ++i) {
        Pump();
        skin::TSkinnedForm* f = skin::SkinManager->FindSkinForm(form->Handle());
        if (f && f->Initialised) break;
        Sleep(1);
    }
    return form;
}

// Median time of step, run n times.
template <class Step> double TimeStep(int n, Step step)
{
    std::vector<double> times;
    times.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        const double t0 = Now();
        step();
        times.push_back(Now() - t0);
    }
    return Median(times);
}

// Where one frame paint's time goes: each step that PaintFrame takes, timed alone on the
// same window, into its window DC or the caption buffer's size as PaintFrame does.
void PaintSteps(skin::TSkinnedForm& f, int n)
{
    const HWND wnd = f.Window;
    const int W = f.WindowWidth, H = f.WindowHeight;
    const skin::TFrameWidths& fr = f.Frame;
    cl::WindowDc dc(wnd, true);
    cl::TBitmap caption;
    caption.SetPixelFormat(cl::pf24bit);
    caption.SetSize(W, fr.top);
    const RECT area{fr.left, 0, W - fr.right, fr.top};
    struct Step {
        const char* name;
        std::function<void()> run;
    };
    const Step steps[] = {
        {"GetWindowDC + ReleaseDC", [&] { cl::WindowDc d(wnd, true); }},
        {"left border", [&] { f.PaintBorderPart(1, RECT{0, 0, fr.left, H}, dc.get()); }},
        {"right border", [&] { f.PaintBorderPart(2, RECT{W - fr.right, 0, W, H}, dc.get()); }},
        {"bottom border", [&] { f.PaintBorderPart(4, RECT{fr.left, H - fr.bottom, W - fr.right, H}, dc.get()); }},
        {"caption, whole", [&] { f.PaintCaption(dc.get()); }},
        {"caption, activation changed",
         [&] {
             f.Active = !f.Active;
             f.PaintCaption(dc.get());
         }},
        {"  window DC to caption buffer",
         [&] { BitBlt(caption.Canvas()->Handle(), 0, 0, W, fr.top, dc.get(), 0, 0, SRCCOPY); }},
        {"  top border", [&] { f.PaintBorderPart(3, area, caption.Canvas()->Handle()); }},
        {"  title text", [&] { f.PaintTitleText(*caption.Canvas(), area); }},
        {"  caption buttons placed", [&] { f.PlaceCaptionButtons(); }},
        {"  caption buttons painted", [&] { f.PaintCaptionButtons(*caption.Canvas()); }},
        {"  caption buffer to window DC",
         [&] { BitBlt(dc.get(), 0, 0, W, fr.top, caption.Canvas()->Handle(), 0, 0, SRCCOPY); }},
    };
    std::printf("steps of one frame paint (median us of %d each):\n", n);
    for (const Step& s : steps) std::printf("  %-32s %8.0f\n", s.name, TimeStep(n, s.run));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: FramePaintBench SKINSTREAM\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    const cl::TBytes value((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (value.size() < 4) {
        std::fprintf(stderr, "no skin in %s\n", argv[1]);
        return 2;
    }
    const int paintCount = argc > 2 ? std::max(1, std::atoi(argv[2])) : 10000;
    const int formCount = argc > 3 ? std::max(0, std::atoi(argv[3])) : 1000;
    try {
        std::vector<double> loads;
        for (int i = 0; i < 50; ++i) {
            skin::TSkinData d(nullptr);
            const double t0 = Now();
            cl::SetPropValue(d, "SkinStream", cl::TValue(value));
            loads.push_back(Now() - t0);
        }
        std::printf("skin load from the SkinStream value: median %.0f us (50 loads)\n", Median(loads));

        skin::TSkinData data(nullptr);
        cl::SetPropValue(data, "SkinStream", cl::TValue(value));
        data.Loaded();
        skin::SkinManager->Active = true;

        const bool counting = CountingWorks();
        std::printf("GDI objects counted by %s; one brush made and freed %s\n", gdiCounting,
                    counting ? "is seen" : "is NOT seen (the counts below mean nothing)");
        const DWORD gdi0 = GdiObjects();
        const SIZE_T mem0 = PrivateBytes();
        {
            auto form = SkinnedForm();
            form->Show();
            Pump();
            HWND wnd = form->Handle();
            const double paint = TimeStep(paintCount, [wnd] { SendMessageA(wnd, WM_NCPAINT, 1, 0); });
            std::printf("WM_NCPAINT of a skinned 823 x 570 form: median %.0f us (%d paints)\n", paint, paintCount);
            std::printf("GDI objects after the paints: %lu -> %lu; private bytes %+ld KB\n", gdi0, GdiObjects(),
                        GrowthKB(mem0));
            if (skin::TSkinnedForm* f = skin::SkinManager->FindSkinForm(wnd)) PaintSteps(*f, 200);
            form->Hide();
            Pump();
            std::printf("GDI objects with the form hidden: %lu\n", GdiObjects());
        }
        Pump();
        const DWORD gdi1 = GdiObjects();
        const SIZE_T mem1 = PrivateBytes();
        for (int i = 0; i < formCount; ++i) {
            auto form = SkinnedForm();
            form.reset();
            Pump();
        }
        std::printf("GDI objects after %d skinned forms made and freed: %lu -> %lu; private bytes %+ld KB\n",
                    formCount, gdi1, GdiObjects(), GrowthKB(mem1));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "failed: %s\n", e.what());
        return 1;
    }
    return 0;
}
