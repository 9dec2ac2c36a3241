#include "shell/Volume.h"

#include <gtest/gtest.h>

// Wine here has no wave-out device: every call fails and nothing is raised.
TEST(WaveOut, NoDeviceRaisesNothing)
{
    TVolume vol;
    EXPECT_NO_THROW(vol.SetLeft(60));
    EXPECT_NO_THROW(vol.SetRight(60));
    EXPECT_EQ(vol.GetLeft(), 60);
    EXPECT_NO_THROW(vol.SetMute(true));
    EXPECT_NO_THROW(vol.SetMute(false));
}
