// The volume of the first wave-out device, per channel on a scale of 0 to 255, with a
// mute that keeps the device at 0 while levels are only stored.
#pragma once

#include "classlib/Classes.h"

#include <cstdint>
#include <memory>

// The device: its volume as the platform stores it (low 16 bits left, high 16 bits
// right). Failures are reported as false and otherwise ignored.
class TWaveOutDevice {
public:
    virtual ~TWaveOutDevice() = default;
    virtual bool GetVolume(std::uint32_t& value) = 0;
    virtual bool SetVolume(std::uint32_t value) = 0;
};

class TVolume : public cl::TObject {
public:
    // Device 0 through the multimedia library (Windows only).
    TVolume();
    // A device of the caller's, which outlives the object.
    explicit TVolume(TWaveOutDevice& device);

    // Levels outside 0..255 raise cl::Exception and change nothing.
    void SetLeft(std::int32_t level);
    void SetRight(std::int32_t level);
    int GetLeft();
    int GetRight();
    void SetMute(bool mute);
    bool Mute() const { return mute_; }
    std::uint32_t Value() const { return value_; }

private:
    void SetChannel(std::int32_t level, int shift, std::uint32_t mask, const char* message);
    void Refresh();

    std::unique_ptr<TWaveOutDevice> own_;
    TWaveOutDevice& device_;
    std::uint32_t value_ = 0;
    bool mute_ = false;
};
