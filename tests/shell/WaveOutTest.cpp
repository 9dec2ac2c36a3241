#include "shell/Volume.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <mmsystem.h>

namespace {
// Device 0's volume, when it has one.
bool DeviceVolume(DWORD& value) { return waveOutGetVolume(reinterpret_cast<HWAVEOUT>(0), &value) == MMSYSERR_NOERROR; }
} // namespace

// Device 0 for real. Wine here has none, every call fails: the object then keeps the levels
// it was given. Where a device answers, it holds them as well.
TEST(WaveOut, TheLevelsSetAreKeptWithOrWithoutADevice)
{
    TVolume vol;
    vol.SetLeft(60);
    vol.SetRight(200);
    DWORD device = 0;
    const bool present = DeviceVolume(device);
    if (present) {
        EXPECT_EQ(device & 0xFF00FF00u, 0xC8003C00u) << std::hex << device;
    }
    EXPECT_EQ(vol.Value() & 0xFF00FF00u, 0xC8003C00u) << std::hex << vol.Value();
    EXPECT_EQ(vol.GetLeft(), 60);
    EXPECT_EQ(vol.GetRight(), 200);

    EXPECT_THROW(vol.SetLeft(256), cl::Exception);
    EXPECT_THROW(vol.SetRight(-1), cl::Exception);
    EXPECT_EQ(vol.GetLeft(), 60) << "a level out of range changes nothing";
    EXPECT_EQ(vol.GetRight(), 200);

    vol.SetMute(true);
    EXPECT_TRUE(vol.Mute());
    if (present && DeviceVolume(device)) {
        EXPECT_EQ(device, 0u) << "muted, the device is silent";
    }
    EXPECT_EQ(vol.GetLeft(), 60) << "muted, the levels are kept";
    vol.SetMute(false);
    EXPECT_FALSE(vol.Mute());
    if (present && DeviceVolume(device)) {
        EXPECT_EQ(device & 0xFF00FF00u, 0xC8003C00u) << std::hex << device;
    }
    EXPECT_EQ(vol.GetRight(), 200);
}
