// The main window's and the player window's form resources carry the skin the build packs (tools/skinform.py
// writes it there after a change of the skin).
#include "Fixtures.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>

namespace {

// The bytes of the first "SkinStream = {...}" after the component named by header.
std::vector<std::uint8_t> SkinStreamOf(const std::string& form, const std::string& header)
{
    std::vector<std::uint8_t> bytes;
    const size_t component = form.find(header);
    const size_t open = form.find("SkinStream = {", component);
    if (component == std::string::npos || open == std::string::npos) return bytes;
    const size_t close = form.find('}', open);
    std::string digits;
    for (size_t i = form.find('{', open) + 1; i < close; ++i)
        if (std::isxdigit(static_cast<unsigned char>(form[i]))) digits += form[i];
    for (size_t i = 0; i + 1 < digits.size(); i += 2)
        bytes.push_back(static_cast<std::uint8_t>(std::stoi(digits.substr(i, 2), nullptr, 16)));
    return bytes;
}

} // namespace

TEST(FormSkin, MainAndPlayerWindowsCarryOurSkin)
{
    const std::vector<std::uint8_t> stream = skintest::ReadFile(LUDORA_SKIN_STREAM);
    ASSERT_GT(stream.size(), 4u);
    const struct {
        const char* file;
        const char* component;
    } forms[] = {{LUDORA_MAIN_FORM, "TSkinData sdMain {"}, {LUDORA_PLAYER_FORM, "TSkinData SkinDataPlay {"}};
    for (const auto& f : forms) {
        SCOPED_TRACE(f.file);
        const std::string form = skintest::Text(skintest::ReadFile(f.file));
        const std::vector<std::uint8_t> inForm = SkinStreamOf(form, f.component);
        EXPECT_EQ(inForm.size(), stream.size());
        EXPECT_TRUE(inForm == stream) << "run tools/skinform.py " << LUDORA_SKIN_STREAM << " " << f.file;
    }
}
