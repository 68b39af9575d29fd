#include "platform/sdl/SdlAudioDevice.h"

#include <SDL.h>

#include <cstring>

#include "platform/SoundFormulas.h"

namespace platform {

namespace {

void SDLCALL AudioCallback(void* user, Uint8* stream, int bytes) {
    static_cast<SdlAudioDevice*>(user)->FillFromCallback(stream, bytes);
}

}  // namespace

SdlAudioDevice::SdlAudioDevice() {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        mOpenError = SDL_GetError();
        return;
    }
    mSubsystem = true;
    SDL_AudioSpec want{};
    want.freq = static_cast<int>(sound::kOutputRate);
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = 1024;
    want.callback = AudioCallback;
    want.userdata = this;
    SDL_AudioSpec have{};
    // No changes allowed: SDL converts to whatever the card takes.
    mDevice = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (mDevice == 0) {
        mOpenError = SDL_GetError();
        return;
    }
    SDL_PauseAudioDevice(mDevice, 0);
}

SdlAudioDevice::~SdlAudioDevice() {
    if (mDevice != 0) {
        SDL_CloseAudioDevice(mDevice);
    }
    if (mSubsystem) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
}

void SdlAudioDevice::FillFromCallback(uint8_t* stream, int bytes) {
    const size_t frames = static_cast<size_t>(bytes) / 4;
    // The stream is only byte-aligned by contract; SDL's buffers are in practice aligned.
    MixBlock(reinterpret_cast<int16_t*>(stream), frames, AudioStream::FillMode::kRealTime);
    std::memset(stream + frames * 4, 0, static_cast<size_t>(bytes) - frames * 4);
}

}  // namespace platform
