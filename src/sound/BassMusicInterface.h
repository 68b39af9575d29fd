#pragma once

#include "platform/Message.h"
#include "sound/MusicInterface.h"

namespace Vesk {

// Music through the BASS-style back end. The back end arrives with the sound layer; until
// then it plays nothing, like the silent base.
class BassMusicInterface : public MusicInterface {
public:
    explicit BassMusicInterface(platform::WindowId window) : mWindow(window) {}
    ~BassMusicInterface() override = default;

    platform::WindowId mWindow = platform::kNoWindow;
};

}  // namespace Vesk
