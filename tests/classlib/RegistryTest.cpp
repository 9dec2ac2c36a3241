#include "classlib/Registry.h"

#include <gtest/gtest.h>

using namespace cl;

namespace {
// Tests run in parallel processes: each uses a key of its own.
struct Registry : ::testing::Test {
    AnsiString kKey = AnsiString("\\Software\\LudoraTests\\") + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    void TearDown() override
    {
        TRegistry reg;
        reg.DeleteKey(kKey + "\\Inner");
        reg.DeleteKey(kKey);
    }
};
} // namespace

TEST_F(Registry, WritesReadsAndDeletesValues)
{
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(kKey, true));
    EXPECT_EQ(reg.CurrentPath(), kKey.substr(1));
    reg.WriteString("StartBox", "Z:\\游戏\\Ludora.exe");
    reg.WriteInteger("Count", -3);
    EXPECT_EQ(reg.ReadString("StartBox"), "Z:\\游戏\\Ludora.exe");
    EXPECT_EQ(reg.ReadInteger("Count"), -3);
    EXPECT_THROW(reg.ReadInteger("StartBox"), ERegistryException);
    EXPECT_THROW(reg.ReadString("Missing"), ERegistryException);
    EXPECT_TRUE(reg.ValueExists("STARTBOX"));
    EXPECT_TRUE(reg.DeleteValue("StartBox"));
    EXPECT_FALSE(reg.ValueExists("StartBox"));
    EXPECT_FALSE(reg.DeleteValue("StartBox"));
}

TEST_F(Registry, DefaultValueAndRelativeKeys)
{
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(kKey, true));
    ASSERT_TRUE(reg.OpenKey("Inner", true)); // relative to the open key
    EXPECT_EQ(reg.CurrentPath(), kKey.substr(1) + "\\Inner");
    reg.WriteString("", "token");
    reg.CloseKey();
    EXPECT_TRUE(reg.KeyExists(kKey + "\\Inner"));
    ASSERT_TRUE(reg.OpenKeyReadOnly(kKey + "\\Inner"));
    EXPECT_EQ(reg.ReadString(""), "token");
    EXPECT_THROW(reg.WriteString("x", "y"), ERegistryException);
    TRegistry other;
    EXPECT_FALSE(other.OpenKey("\\Software\\LudoraTests\\Nope", false));
    EXPECT_EQ(other.CurrentKey(), nullptr);
}
