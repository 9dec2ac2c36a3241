// Files that the build's packer step wrote for the skin tests.
#pragma once

#ifdef _WIN32
#include "classlib/Seams.h"
#endif

#include <cstdint>
#include <string>
#include <vector>

namespace skintest {

// Contents of fixtures/<relative>; fails the current test when the file is missing.
std::vector<std::uint8_t> ReadFixture(const std::string& relative);
// Contents of a file of the build tree (a path from a compile definition).
std::vector<std::uint8_t> ReadFile(const std::string& path);
std::string Text(const std::vector<std::uint8_t>& bytes);

#ifdef _WIN32
// Collects the texts shown through the class library's message box while it lives (and
// keeps any box from stopping the test).
class ShownMessages {
public:
    ShownMessages()
        : old_(cl::ReplaceMessageBox([this](HWND, const cl::AnsiString& text, const cl::AnsiString&, UINT) {
              texts.push_back(text);
              return IDOK;
          }))
    {
    }
    ~ShownMessages() { cl::ReplaceMessageBox(old_); }
    ShownMessages(const ShownMessages&) = delete;
    ShownMessages& operator=(const ShownMessages&) = delete;

    std::vector<std::string> texts;

private:
    cl::TMessageBoxService old_;
};
#endif

} // namespace skintest
