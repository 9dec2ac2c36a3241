// Reading an info file against its size: prints the time per byte of a check's read
// (file list, version, message, method) for files of 64 KiB to 1 MiB, so that a read
// whose cost grows faster than the file shows at once. Native; see docs/BENCHMARKS.md.
#include "upgrade/UpgradeInfo.h"

#include <chrono>
#include <cstdio>
#include <string>

namespace {

// A release of many small files, one "#urlN=" line each, then the version and message.
std::string ManyFiles(std::size_t size)
{
    std::string text = "#url=http://portal.example/update/Ludora.exe\r\n";
    for (int n = 2; text.size() < size; ++n)
        text += "#url" + std::to_string(n) + "=http://portal.example/update/data/file" + std::to_string(n) + ".dat\r\n";
    return text + "#version=5\r\n#method=0\r\n#message={A new release}\r\n";
}

// A few keys after a long message: each key is looked up past the whole text.
std::string LongMessage(std::size_t size)
{
    std::string text = "#message={";
    while (text.size() < size)
        text += "A line of release notes, long enough to fill the file.\r\n";
    return text + "}\r\n#url=http://portal.example/update/setup.exe\r\n#version=5\r\n#method=1\r\n";
}

double SecondsPerRead(const std::string& text)
{
    using Clock = std::chrono::steady_clock;
    int reads = 0;
    const auto start = Clock::now();
    double elapsed = 0;
    do {
        const up::TUpgradeRelease release =
            up::ReadUpgradeRelease(text, up::TUpgraderVersionControl::byNumber, "4", "", up::EncodeDate(2026, 12, 10));
        if (!release.updateFound)
            std::puts("no update?");
        ++reads;
        elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    } while (elapsed < 0.5);
    return elapsed / reads;
}

} // namespace

int main()
{
    std::printf("%-13s %9s %7s %12s %9s\n", "shape", "bytes", "files", "ms per read", "ns/byte");
    for (auto shape : {&ManyFiles, &LongMessage}) {
        for (std::size_t size = 64 << 10; size <= (1u << 20); size *= 2) {
            const std::string text = shape(size);
            const std::size_t files = up::TUpgradeInfoFile(text).Files().size();
            const double seconds = SecondsPerRead(text);
            std::printf("%-13s %9zu %7zu %12.3f %9.2f\n", shape == &ManyFiles ? "many files" : "long message",
                        text.size(), files, seconds * 1e3, seconds * 1e9 / static_cast<double>(text.size()));
        }
    }
    return 0;
}
