// The program's portal host is the one it was built with, whatever the environment says
// (this test program links the program's build of the unit).
#include "shell/Portal.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <initializer_list>

TEST(Portal, TheProgramIgnoresLudoraPortal)
{
    for (const char* value : std::initializer_list<const char*>{"http://127.0.0.1:9", "http://elsewhere.example/", nullptr}) {
        SCOPED_TRACE(value ? value : "unset");
        SetEnvironmentVariableA("LUDORA_PORTAL", value);
        EXPECT_EQ(PortalHost(), BUILT_IN_PORTAL_HOST);
        EXPECT_EQ(PortalUrl("/box/"), "http://" BUILT_IN_PORTAL_HOST "/box/");
    }
}
