#include "Fixtures.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace skintest {

std::vector<std::uint8_t> ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in.good()) << "missing file " << path;
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::uint8_t> ReadFixture(const std::string& relative) { return ReadFile(std::string(SKIN_FIXTURES) + "/" + relative); }

std::string Text(const std::vector<std::uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

} // namespace skintest
