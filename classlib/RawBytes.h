// Reading and appending plain values in byte buffers (file headers), without alignment.
#pragma once

#include "classlib/Classes.h"

#include <cstring>

namespace cl {

template <class T> T ReadRaw(const std::uint8_t* p)
{
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

template <class T> void AppendRaw(TBytes& out, const T& v)
{
    const auto* p = reinterpret_cast<const std::uint8_t*>(&v);
    out.insert(out.end(), p, p + sizeof v);
}

} // namespace cl
