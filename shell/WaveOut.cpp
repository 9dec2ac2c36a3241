// Wave-out device 0 through the multimedia library.
#include "shell/Volume.h"

#include <windows.h>
#include <mmsystem.h>

namespace {
class TWaveOut0 : public TWaveOutDevice {
public:
    bool GetVolume(std::uint32_t& value) override
    {
        DWORD v = 0;
        if (waveOutGetVolume(reinterpret_cast<HWAVEOUT>(0), &v) != MMSYSERR_NOERROR) return false;
        value = v;
        return true;
    }
    bool SetVolume(std::uint32_t value) override
    {
        return waveOutSetVolume(reinterpret_cast<HWAVEOUT>(0), value) == MMSYSERR_NOERROR;
    }
};
} // namespace

std::unique_ptr<TWaveOutDevice> MakeWaveOutDevice() { return std::make_unique<TWaveOut0>(); }

TVolume::TVolume() : own_(MakeWaveOutDevice()), device_(*own_) { Refresh(); }
