// The user-agent value is one registry value of the user that every pane writes and
// deletes, so this test runs alone.
#include "tests/browser/PaneHost.h"

#include <gtest/gtest.h>

#include <memory>

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


// One value for every pane of the same agent: it stays until the last of them is gone.
TEST(WebPaneUserAgent, ValueStaysUntilTheLastPaneOfTheAgentGoes)
{
    auto first = std::make_unique<PaneHost>("LudoraShared");
    auto second = std::make_unique<PaneHost>("LudoraShared");
    {
        PaneHost other("LudoraOther");
        EXPECT_TRUE(UserAgentValueExists("LudoraOther"));
    }
    EXPECT_FALSE(UserAgentValueExists("LudoraOther"));
    first.reset();
    EXPECT_TRUE(UserAgentValueExists("LudoraShared"));
    second.reset();
    EXPECT_FALSE(UserAgentValueExists("LudoraShared"));
}
