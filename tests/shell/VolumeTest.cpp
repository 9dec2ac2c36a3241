#include "shell/Volume.h"

#include <gtest/gtest.h>

namespace {
// A device that keeps a volume and counts writes; it can be made to fail.
struct FakeDevice : TWaveOutDevice {
    std::uint32_t volume = 0;
    int writes = 0;
    bool broken = false;
    bool GetVolume(std::uint32_t& v) override
    {
        if (broken) return false;
        v = volume;
        return true;
    }
    bool SetVolume(std::uint32_t v) override
    {
        if (broken) return false;
        ++writes;
        volume = v;
        return true;
    }
};
} // namespace

TEST(Volume, LevelsAreTheHighByteOfEachChannel)
{
    FakeDevice dev;
    dev.volume = 0x56781234;
    TVolume vol(dev);
    EXPECT_EQ(vol.Value(), 0x56781234u);
    EXPECT_EQ(vol.GetLeft(), 0x12);
    EXPECT_EQ(vol.GetRight(), 0x56);
    vol.SetLeft(255);
    EXPECT_EQ(dev.volume, 0x5678FF00u);
    EXPECT_EQ(vol.GetLeft(), 255);
    vol.SetRight(60);
    EXPECT_EQ(dev.volume, 0x3C00FF00u);
}

TEST(Volume, WritesMergeIntoWhatTheDeviceHasNow)
{
    FakeDevice dev;
    TVolume vol(dev);
    dev.volume = 0xAB000000; // another program changed the right channel
    vol.SetLeft(1);
    EXPECT_EQ(dev.volume, 0xAB000100u);
}

TEST(Volume, OutOfRangeLevelsRaiseAndLeaveTheDevice)
{
    struct Case {
        bool left;
        int level;
        const char* message;
    } cases[] = {
        {true, 256, "Range error of the left channel [0 to 255]."},
        {true, -1, "Range error of the left channel [0 to 255]."},
        {false, 256, "Range error of the right channel [0 to 255]."},
        {false, -5, "Range error of the right channel [0 to 255]."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.level);
        FakeDevice dev;
        dev.volume = 0x11112222;
        TVolume vol(dev);
        try {
            c.left ? vol.SetLeft(c.level) : vol.SetRight(c.level);
            ADD_FAILURE() << "no error";
        } catch (const cl::Exception& e) {
            EXPECT_EQ(e.Message(), c.message);
        }
        EXPECT_EQ(dev.volume, 0x11112222u);
        EXPECT_EQ(dev.writes, 0);
    }
}

TEST(Volume, MuteKeepsTheDeviceSilentAndRestoresTheStoredLevels)
{
    FakeDevice dev;
    dev.volume = 0x3C003C00;
    TVolume vol(dev);
    vol.SetMute(true);
    EXPECT_EQ(dev.volume, 0u);
    vol.SetLeft(100); // stored only
    EXPECT_EQ(dev.volume, 0u);
    EXPECT_EQ(vol.GetLeft(), 100); // the stored level, not the device's 0
    vol.SetMute(false);
    EXPECT_EQ(dev.volume, 0x3C006400u);
}

TEST(Volume, UnmutingAFreshObjectWritesBackTheVolumeReadAtCreation)
{
    FakeDevice dev;
    dev.volume = 0x12345678;
    TVolume vol(dev);
    dev.volume = 0;
    vol.SetMute(false);
    EXPECT_EQ(dev.volume, 0x12345678u);
}

TEST(Volume, DeviceFailuresAreIgnored)
{
    FakeDevice dev;
    dev.volume = 0x10001000;
    TVolume vol(dev);
    dev.broken = true;
    EXPECT_NO_THROW(vol.SetLeft(200));
    EXPECT_EQ(vol.Value(), 0x1000C800u);
    EXPECT_EQ(vol.GetLeft(), 200);
}
