#include "shell/Volume.h"


TVolume::TVolume(TWaveOutDevice& device) : device_(device) { Refresh(); }

void TVolume::Refresh() { device_.GetVolume(value_); } // keeps the old value on failure

void TVolume::SetChannel(std::int32_t level, int shift, std::uint32_t mask, const char* message)
{
    if (level < 0 || level > 255) throw cl::Exception(message);
    if (!mute_) Refresh(); // the device is shared: merge into what it has now
    value_ = (value_ & ~mask) | (static_cast<std::uint32_t>(level) << shift);
    if (!mute_) device_.SetVolume(value_);
}

void TVolume::SetLeft(std::int32_t level) { SetChannel(level, 8, 0x0000FFFFu, "Range error of the left channel [0 to 255]."); }
void TVolume::SetRight(std::int32_t level) { SetChannel(level, 24, 0xFFFF0000u, "Range error of the right channel [0 to 255]."); }

int TVolume::GetLeft()
{
    if (!mute_) Refresh();
    return static_cast<int>((value_ >> 8) & 0xFF);
}

int TVolume::GetRight()
{
    if (!mute_) Refresh();
    return static_cast<int>(value_ >> 24);
}

void TVolume::SetMute(bool mute)
{
    mute_ = mute;
    device_.SetVolume(mute ? 0 : value_);
}
