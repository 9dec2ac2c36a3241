#include "classlib/SysUtils.h"
#include <gtest/gtest.h>

TEST(Exception, KeepsMessage) { EXPECT_STREQ(cl::Exception("x").what(), "x"); }
