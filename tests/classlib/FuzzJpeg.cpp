// JPEG files through the decoder, into one reused row: rows come in order and fit. The
// harness takes images of up to 65536 pixels, so that each input decodes quickly.
#include "classlib/JpegDecode.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

struct OneRow final : cl::pictures::JpegTarget {
    bool Begin(int w, int h) noexcept override
    {
        if (w <= 0 || h <= 0) std::abort();
        if (static_cast<long long>(w) * h > 1 << 16) return false;
        width = w, height = h;
        row.assign(static_cast<std::size_t>(w) * 3, 0);
        return true;
    }
    std::uint8_t* Row(int y) noexcept override
    {
        if (y != next++ || y >= height) std::abort();
        return row.data();
    }
    int width = 0, height = 0, next = 0;
    std::vector<std::uint8_t> row;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    OneRow target;
    std::string error;
    if (cl::pictures::DecodeJpeg(data, size, target, error) && target.next != target.height) std::abort();
    if (target.height == 0 && error.empty()) std::abort();
    return 0;
}
