#include "classlib/WinHandle.h"

#include "../support/WinePath.h"

#include <gtest/gtest.h>
#include <string>

TEST(Library, LoadsAndExportsShowFormByNameAndOrdinal)
{
    std::string path = WinPath(TESSEL_DLL);
    cl::ModuleHandle lib(LoadLibraryA(path.c_str()));
    ASSERT_TRUE(lib);
    FARPROC byName = GetProcAddress(lib.get(), "ShowForm");
    ASSERT_NE(byName, nullptr);
    EXPECT_EQ(GetProcAddress(lib.get(), MAKEINTRESOURCEA(1)), byName);
}
