// Benchmark (not a test): LZHUF decoding throughput on mixed data, and the time to unpack
// a skin file, parse its description and extract every entry; on Windows also the time of
// the whole load into skin objects (bitmaps, derived images). Then two hostile descriptions
// of 1 MiB parsed and read as a load reads them, one of tens of thousands of distinct
// sections (caption buttons and extra colours among them), one that repeats two long
// sections' names; the bound for each is 100 ms.
//   skin_bench MIXED.lzh MIXED.raw [SKIN]
#include "skin/LZH.h"
#include "skin/QuickIni.h"
#include "skin/SkinReader.h"
#include "skin/SkinRules.h"
#ifdef _WIN32
#include "skin/SkinObjects.h"
#endif

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

std::vector<std::uint8_t> ReadFile(const char* path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

// Best of a few runs of f, in seconds.
template <class F>
double Best(int runs, F f)
{
    double best = 1e9;
    for (int i = 0; i < runs; ++i) {
        auto start = Clock::now();
        f();
        best = std::min(best, Seconds(start));
    }
    return best;
}

// About 1 MiB of description: sections of caption buttons, extra colours and others by
// turns, each with a key or two.
std::string DistinctNames()
{
    std::string text;
    for (int i = 0; text.size() < (1u << 20); ++i) {
        const std::string n = std::to_string(i);
        switch (i % 3) {
        case 0: text += "[Button" + n + "]\r\nAction=2\r\nXcoord=" + n + "\r\n"; break;
        case 1: text += "[Colour" + n + "]\r\ncolor=1 2 3\r\n"; break;
        default: text += "[Part" + n + "]\r\nImage=x.bmp\r\n"; break;
        }
    }
    return text;
}

// About 1 MiB of description that repeats two names: a long first caption-button section
// that is dropped (its keys come last) and a long first extra-colour section, then both
// headers again and again.
std::string DuplicateNames()
{
    std::string text = "[ButtonX]\r\n";
    for (int i = 0; text.size() < (1u << 18); ++i) text += "Key" + std::to_string(i) + "=1\r\n";
    text += "Action=-1\r\nVisibility=1\r\n[ColourX]\r\n";
    for (int i = 0; text.size() < (1u << 19); ++i) text += "Key" + std::to_string(i) + "=1\r\n";
    text += "color=1 2 3\r\n";
    while (text.size() < (1u << 20)) text += "[ButtonX]\r\n[ColourX]\r\n";
    return text;
}

// What a load reads that needs no bitmap: the portable build's share of the skin load.
std::size_t ReadLikeALoad(const skin::TQuickIni& ini)
{
    std::vector<cl::AnsiString> sections;
    ini.ReadSections(sections);
    std::size_t n = skin::ReadCaptionButtonKeys(ini, sections).size();
    n += skin::ReadExtraColors(ini, sections, 0).size();
    for (const char* section : {"Personality", "Colours", "Buttons", "Progress", "Tabs", "Scrollbar", "MenuItem"})
        for (const char* key : {"Image", "Bitmap", "Frame", "LeftWidth", "TopHeight", "Trans", "Tile", "Style"})
            n += ini.ReadString(section, key, "").size();
    return n;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s MIXED.lzh MIXED.raw [SKIN]\n", argv[0]);
        return 2;
    }
    auto packed = ReadFile(argv[1]);
    auto raw = ReadFile(argv[2]);
    if (packed.size() < 4) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    auto size = static_cast<std::int32_t>(packed[0] | packed[1] << 8 | packed[2] << 16 | packed[3] << 24);
    std::vector<std::uint8_t> out;
    double t = Best(3, [&] {
        out.clear();
        skin::TLZH lzh;
        lzh.SetInput(packed.data() + 4, packed.size() - 4);
        lzh.SetOutput(out);
        lzh.Decode(size);
    });
    if (out != raw) {
        std::fprintf(stderr, "decoded data differs from %s\n", argv[2]);
        return 1;
    }
    std::printf("LZHUF decode: %.2f MiB mixed (%.2f MiB packed) in %.1f ms: %.1f MB/s of output\n",
                raw.size() / 1048576.0, packed.size() / 1048576.0, t * 1e3, raw.size() / t / 1e6);

    if (argc > 3) {
        auto file = ReadFile(argv[3]);
        std::size_t entries = 0, bytes = 0;
        bool ok = true;
        double s = Best(10, [&] {
            skin::TSkinReader reader;
            ok = reader.Open(file);
            std::vector<std::uint8_t> entry;
            cl::AnsiString name;
            reader.FindFile(".ini", entry, name);
            skin::TQuickIni ini;
            ini.LoadFromStream(entry);
            entries = bytes = 0;
            for (const cl::AnsiString& n : reader.Names()) {
                reader.GetFile(n, entry);
                ++entries;
                bytes += entry.size();
            }
        });
        if (!ok) {
            std::fprintf(stderr, "cannot open skin %s\n", argv[3]);
            return 1;
        }
        std::printf("Skin %s: %zu bytes packed, %zu entries, %zu bytes unpacked: decode and read %.2f ms\n",
                    argv[3], file.size(), entries, bytes, s * 1e3);
#ifdef _WIN32
        double whole = Best(10, [&] {
            skin::TSkinObjects objects;
            ok = objects.LoadSkinFile(file);
        });
        std::printf("Skin load into skin objects (decode, read, bitmaps, derived images): %.2f ms\n", whole * 1e3);
#endif
    }

    const std::pair<const char*, std::string> descriptions[] = {{"distinct names", DistinctNames()},
                                                                 {"duplicate names", DuplicateNames()}};
    for (const auto& description : descriptions) {
        const char* what = description.first;
        const std::string& hostile = description.second;
        std::size_t sections = 0, read = 0;
        double h = Best(20, [&] {
            skin::TQuickIni ini;
            ini.LoadFromStream(std::string_view(hostile));
            sections = ini.Sections().size();
            read = ReadLikeALoad(ini);
        });
        std::printf("Hostile description, %s: %zu bytes, %zu sections: parse and read %.1f ms (bound 100 ms, %zu "
                    "values)\n",
                    what, hostile.size(), sections, h * 1e3, read);
#ifdef _WIN32
        double hw = Best(20, [&] {
            skin::TQuickIni ini;
            ini.LoadFromStream(std::string_view(hostile));
            skin::TSkinReader none; // no container: every bitmap is missing
            skin::TSkinObjects objects;
            objects.ReadSkin(none, ini);
            read = objects.CaptionButtons.size();
        });
        std::printf("Hostile description, %s, into skin objects: %.1f ms (bound 100 ms, %zu caption buttons)\n", what,
                    hw * 1e3, read);
#endif
    }
    return 0;
}
