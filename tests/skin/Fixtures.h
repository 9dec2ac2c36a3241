// Files that the build's packer step wrote for the skin tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace skintest {

// Contents of fixtures/<relative>; fails the current test when the file is missing.
std::vector<std::uint8_t> ReadFixture(const std::string& relative);
// Contents of a file of the build tree (a path from a compile definition).
std::vector<std::uint8_t> ReadFile(const std::string& path);
std::string Text(const std::vector<std::uint8_t>& bytes);

} // namespace skintest
