// Form-resource reader on arbitrary text, loaded into the test component family: every
// input either loads or fails with EReadError.
#include "TestComponents.h"

#include "classlib/FormReader.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool registered = (fixture::TWidget::StaticClass(), fixture::TFancyWidget::StaticClass(), true);
    (void)registered;
    fixture::TTestForm form(nullptr);
    try {
        cl::ReadComponentText(std::string_view(reinterpret_cast<const char*>(data), size), form);
    } catch (const cl::EReadError&) {
    }
    return 0;
}
