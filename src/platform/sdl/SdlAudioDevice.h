#pragma once

#include <cstdint>
#include <string>

#include "platform/AudioDevice.h"

namespace platform {

// The sound card through SDL2: SDL's audio thread asks for each block from its callback.
// Make and destroy it on the main thread.
class SdlAudioDevice : public AudioDevice {
public:
    SdlAudioDevice();
    ~SdlAudioDevice() override;

    std::string_view Name() const override { return "sdl"; }
    // False when SDL has no audio; the device then never plays.
    bool Opened() const { return mDevice != 0; }
    // Why the device could not be opened, when it could not.
    const std::string& OpenError() const { return mOpenError; }

    // Runs on SDL's audio thread.
    void FillFromCallback(uint8_t* stream, int bytes);

private:
    uint32_t mDevice = 0;  // SDL_AudioDeviceID, 0 when closed
    bool mSubsystem = false;
    std::string mOpenError;
};

}  // namespace platform
