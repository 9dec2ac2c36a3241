// The user-agent value is one registry value of the user that every pane writes and
// deletes, so this test runs alone.
#include "tests/browser/PaneHost.h"

#include <gtest/gtest.h>

namespace {
bool UserAgentValueExists(const char* name)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER,
                      "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\User Agent\\Post Platform", 0,
                      KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    LONG rc = RegQueryValueExA(key, name, nullptr, nullptr, nullptr, nullptr);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}
} // namespace

TEST(WebPaneUserAgent, ValueExistsWhileThePaneLives)
{
    for (const char* agent : {"", "LudoraTest"}) {
        SCOPED_TRACE(agent);
        {
            PaneHost host(agent);
            EXPECT_TRUE(UserAgentValueExists(agent));
        }
        EXPECT_FALSE(UserAgentValueExists(agent));
    }
}

