#include "sound/BassLayer.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <mutex>

#include "platform/AudioDevice.h"
#include "platform/SoundFormulas.h"
#include "sound/BassApi.h"
#include "sound/MusicPumpThread.h"
#include "sound/MusicStream.h"

namespace Vesk {

namespace {

using bass::Bool;
using bass::Handle;

struct Channel {
    bool module = false;
    std::shared_ptr<MusicStream> stream;
    std::unique_ptr<platform::AudioVoice> voice;
    int volume = 100;  // 0..100
    int pan = 0;       // -100..100
    bool paused = false;
    bool heldByStop = false;  // playing when the whole output was stopped
};

struct Layer {
    std::mutex lock;
    platform::AudioDevice* output = nullptr;
    bool initialised = false;
    bool outputStopped = false;
    int streamVolume = 100;
    int musicVolume = 100;
    int masterVolume = 100;
    uint32_t bufferMs = 500;
    int error = 0;
    Handle nextHandle = 1;
    std::map<Handle, Channel> channels;
    std::unique_ptr<MusicPumpThread> pump;
};

Layer& TheLayer() {
    static Layer layer;
    return layer;
}

Bool Fail(Layer& layer, int code) {
    layer.error = code;
    return 0;
}

Bool Succeed(Layer& layer) {
    layer.error = 0;
    return 1;
}

float ChannelGain(const Layer& layer, const Channel& channel) {
    const int global = channel.module ? layer.musicVolume : layer.streamVolume;
    return static_cast<float>(channel.volume) / 100.0f * static_cast<float>(global) / 100.0f *
           static_cast<float>(layer.masterVolume) / 100.0f;
}

// A linear gain as the voice's hundredths of a decibel.
int GainToAttenuation(float gain) {
    if (gain <= 0.0001f) {
        return platform::sound::kSilence;
    }
    return std::clamp(static_cast<int>(std::lround(2000.0 * std::log10(gain))),
                      platform::sound::kSilence, 0);
}

void ApplyGain(const Layer& layer, Channel& channel) {
    if (channel.voice == nullptr) {
        return;
    }
    channel.voice->SetVolume(GainToAttenuation(ChannelGain(layer, channel)));
    // A positive pan quietens the left side, a negative one the right.
    const int side = GainToAttenuation(1.0f - std::abs(static_cast<float>(channel.pan)) / 100.0f);
    channel.voice->SetPan(channel.pan > 0 ? -side : channel.pan < 0 ? side : 0);
}

void ApplyAllGains(Layer& layer) {
    for (auto& [handle, channel] : layer.channels) {
        (void)handle;
        ApplyGain(layer, channel);
    }
}

Channel* Find(Layer& layer, Handle handle) {
    const auto found = layer.channels.find(handle);
    if (found == layer.channels.end()) {
        layer.error = bass::kErrorHandle;
        return nullptr;
    }
    return &found->second;
}

void Play(Layer& layer, Channel& channel) {
    channel.paused = false;
    if (layer.outputStopped) {
        channel.heldByStop = true;
    } else if (channel.voice != nullptr) {
        channel.voice->Play(false);
    }
}

bool IsPlaying(const Channel& channel) {
    return channel.voice != nullptr && channel.voice->IsPlaying();
}

void StopVoice(Channel& channel) {
    if (channel.voice != nullptr) {
        channel.voice->Stop();
    }
    channel.heldByStop = false;
}

// Decodes the first blocks before taking the layer's lock, so a load on the loading thread
// holds up no other call.
Handle AddChannel(Layer& layer, std::unique_ptr<MusicDecoder> decoder, bool module, bool loop) {
    auto stream = std::make_shared<MusicStream>(std::move(decoder));
    stream->SetLooping(loop);
    stream->Pump();
    std::lock_guard<std::mutex> lock(layer.lock);
    if (!layer.initialised) {
        return Fail(layer, bass::kErrorInit);
    }
    Channel channel;
    channel.module = module;
    channel.stream = stream;
    channel.voice = layer.output->CreateStreamVoice(stream);
    if (channel.voice == nullptr) {
        return Fail(layer, bass::kErrorFormat);
    }
    const Handle handle = layer.nextHandle++;
    if (layer.pump == nullptr) {
        layer.pump = std::make_unique<MusicPumpThread>();
    }
    layer.pump->Add(stream);
    Channel& added = layer.channels[handle] = std::move(channel);
    ApplyGain(layer, added);
    Succeed(layer);
    return handle;
}

// Checks a load's arguments under the lock; the decoding that follows runs without it.
bool MayLoad(Layer& layer, Bool inMemory, const void* file, uint64_t length) {
    std::lock_guard<std::mutex> lock(layer.lock);
    if (!layer.initialised) {
        Fail(layer, bass::kErrorInit);
        return false;
    }
    // Only loads from memory: the back end reads its files through the archives itself.
    if (inMemory == 0 || file == nullptr || length == 0) {
        Fail(layer, bass::kErrorParameter);
        return false;
    }
    return true;
}

Handle FailLoad(Layer& layer, int code) {
    std::lock_guard<std::mutex> lock(layer.lock);
    return Fail(layer, code);
}

void FreeChannel(Layer& layer, Handle handle) {
    const auto found = layer.channels.find(handle);
    if (found == layer.channels.end()) {
        return;
    }
    layer.pump->Remove(found->second.stream.get());
    layer.channels.erase(found);
}

// ---- The entry points ----

Bool Init(int device, uint32_t frequency, uint32_t flags, platform::WindowId window,
          const void* classId) {
    (void)device, (void)frequency, (void)flags, (void)window, (void)classId;
    Layer& layer = TheLayer();
    std::lock_guard<std::mutex> lock(layer.lock);
    if (layer.output == nullptr) {
        return Fail(layer, bass::kErrorInit);
    }
    layer.initialised = true;
    layer.outputStopped = false;
    return Succeed(layer);
}

Bool Free() {
    Layer& layer = TheLayer();
    std::unique_ptr<MusicPumpThread> pump;
    {
        std::lock_guard<std::mutex> lock(layer.lock);
        layer.channels.clear();
        pump = std::move(layer.pump);
        layer.initialised = false;
    }
    return 1;
}

Bool Stop() {
    Layer& layer = TheLayer();
    std::lock_guard<std::mutex> lock(layer.lock);
    if (!layer.outputStopped) {
        layer.outputStopped = true;
        for (auto& [handle, channel] : layer.channels) {
            (void)handle;
            if (IsPlaying(channel)) {
                channel.voice->Stop();
                channel.heldByStop = true;
            }
        }
    }
    return Succeed(layer);
}

Bool Start() {
    Layer& layer = TheLayer();
    std::lock_guard<std::mutex> lock(layer.lock);
    layer.outputStopped = false;
    for (auto& [handle, channel] : layer.channels) {
        (void)handle;
        if (channel.heldByStop) {
            channel.heldByStop = false;
            channel.voice->Play(false);
        }
    }
    return Succeed(layer);
}

Bool SetGlobalVolumes(int music, int sample, int stream) {
    (void)sample;
    Layer& layer = TheLayer();
    std::lock_guard<std::mutex> lock(layer.lock);
    if (music >= 0) {
        layer.musicVolume = std::min(music, 100);
    }
    if (stream >= 0) {
        layer.streamVolume = std::min(stream, 100);
    }
    ApplyAllGains(layer);
    return Succeed(layer);
}

Bool SetVolume(uint32_t volume) {
    Layer& layer = TheLayer();
    std::lock_guard<std::mutex> lock(layer.lock);
    if (volume > 100) {
        return Fail(layer, bass::kErrorParameter);
    }
    layer.masterVolume = static_cast<int>(volume);
    ApplyAllGains(layer);
    return Succeed(layer);
}

int GetVolume() {
    Layer& layer = TheLayer();
    std::lock_guard<std::mutex> lock(layer.lock);
    return layer.masterVolume;
}

uint32_t SetConfig(uint32_t option, uint32_t value) {
    Layer& layer = TheLayer();
    std::lock_guard<std::mutex> lock(layer.lock);
    switch (option) {
        case bass::kConfigBuffer:
            layer.bufferMs = value;  // the ring is sized by the layer itself
            break;
        case bass::kConfigStreamVolume:
            layer.streamVolume = static_cast<int>(std::min<uint32_t>(value, 100));
            break;
        case bass::kConfigMusicVolume:
            layer.musicVolume = static_cast<int>(std::min<uint32_t>(value, 100));
            break;
        default:
            return Fail(layer, bass::kErrorParameter);
    }
    ApplyAllGains(layer);
    return Succeed(layer);
}

uint32_t GetConfig(uint32_t option) {
    Layer& layer = TheLayer();
    std::lock_guard<std::mutex> lock(layer.lock);
    switch (option) {
        case bass::kConfigBuffer:
            return layer.bufferMs;
        case bass::kConfigStreamVolume:
            return static_cast<uint32_t>(layer.streamVolume);
        case bass::kConfigMusicVolume:
            return static_cast<uint32_t>(layer.musicVolume);
        default:
            Fail(layer, bass::kErrorParameter);
            return 0xFFFFFFFF;
    }
}

uint32_t GetVersion() {
    return 0x02000000;
}

Bool ChannelStop(Handle handle) {
    Layer& layer = TheLayer();
    std::lock_guard<std::mutex> lock(layer.lock);
    Channel* channel = Find(layer, handle);
    if (channel == nullptr) {
        return 0;
    }
    StopVoice(*channel);
    channel->paused = false;
    return Succeed(layer);
}

Bool ChannelPlay(Handle handle, Bool restart) {
    Layer& layer = TheLayer();
    std::lock_guard<std::mutex> lock(layer.lock);
    Channel* channel = Find(layer, handle);
    if (channel == nullptr) {
        return 0;
    }
    if (restart != 0) {
        StopVoice(*channel);
        if (channel->module) {
            channel->stream->RestartAtOrder(0);
        } else {
            channel->stream->Restart(0);
        }
    }
    Play(layer, *channel);
    return Succeed(layer);
}

Bool ChannelPause(Handle handle) {
    Layer& layer = TheLayer();
    std::lock_guard<std::mutex> lock(layer.lock);
    Channel* channel = Find(layer, handle);
    if (channel == nullptr) {
        return 0;
    }
    if (!IsPlaying(*channel) && !channel->heldByStop) {
        return Fail(layer, bass::kErrorParameter);
    }
    StopVoice(*channel);
    channel->paused = true;
    return Succeed(layer);
}

Bool ChannelSetAttributes(Handle handle, int frequency, int volume, int pan) {
    Layer& layer = TheLayer();
    std::lock_guard<std::mutex> lock(layer.lock);
    Channel* channel = Find(layer, handle);
    if (channel == nullptr) {
        return 0;
    }
    if (frequency >= 0 && channel->voice != nullptr) {
        channel->voice->SetFrequency(frequency == 0 ? channel->stream->Format().sampleRate
                                                    : static_cast<uint32_t>(frequency));
    }
    if (volume >= 0) {
        channel->volume = std::min(volume, 100);
    }
    if (pan >= -100) {
        channel->pan = std::min(pan, 100);
    }
    ApplyGain(layer, *channel);
    return Succeed(layer);
}

Bool ChannelGetAttributes(Handle handle, uint32_t* frequency, uint32_t* volume, int* pan) {
    Layer& layer = TheLayer();
    std::lock_guard<std::mutex> lock(layer.lock);
    Channel* channel = Find(layer, handle);
    if (channel == nullptr) {
        return 0;
    }
    if (frequency != nullptr) {
        *frequency = channel->voice != nullptr ? channel->voice->Frequency() : 0;
    }
    if (volume != nullptr) {
        *volume = static_cast<uint32_t>(channel->volume);
    }
    if (pan != nullptr) {
        *pan = channel->pan;
    }
    return Succeed(layer);
}

Bool ChannelSetPosition(Handle handle, uint64_t position) {
    Layer& layer = TheLayer();
    std::lock_guard<std::mutex> lock(layer.lock);
    Channel* channel = Find(layer, handle);
    if (channel == nullptr) {
        return 0;
    }
    const bool order = (position & bass::kOrderPosition) == bass::kOrderPosition;
    if (order != channel->module) {
        return Fail(layer, bass::kErrorParameter);
    }
    const bool playing = IsPlaying(*channel);
    if (playing) {
        channel->voice->Stop();
    }
    if (order) {
        channel->stream->RestartAtOrder(static_cast<int>(position & 0xFFFF));
    } else {
        channel->stream->Restart(position / channel->stream->Format().BlockAlign());
    }
    if (playing) {
        channel->voice->Play(false);
    }
    return Succeed(layer);
}

uint64_t ChannelGetPosition(Handle handle) {
    Layer& layer = TheLayer();
    std::lock_guard<std::mutex> lock(layer.lock);
    Channel* channel = Find(layer, handle);
    if (channel == nullptr) {
        return ~uint64_t{0};
    }
    Succeed(layer);
    return channel->stream->PositionFrames() * channel->stream->Format().BlockAlign();
}

uint32_t ChannelIsActive(Handle handle) {
    Layer& layer = TheLayer();
    std::lock_guard<std::mutex> lock(layer.lock);
    Channel* channel = Find(layer, handle);
    if (channel == nullptr) {
        return bass::kStopped;
    }
    Succeed(layer);
    if (channel->paused) {
        return bass::kPaused;
    }
    return IsPlaying(*channel) || channel->heldByStop ? bass::kPlaying : bass::kStopped;
}

Bool ChannelSetFlags(Handle handle, uint32_t flags) {
    Layer& layer = TheLayer();
    std::lock_guard<std::mutex> lock(layer.lock);
    Channel* channel = Find(layer, handle);
    if (channel == nullptr) {
        return 0;
    }
    channel->stream->SetLooping((flags & bass::kLoop) != 0);
    return Succeed(layer);
}

uint32_t ChannelGetLevel(Handle handle) {
    Layer& layer = TheLayer();
    std::lock_guard<std::mutex> lock(layer.lock);
    Channel* channel = Find(layer, handle);
    if (channel == nullptr) {
        return bass::kNoLevel;
    }
    Succeed(layer);
    if (!IsPlaying(*channel)) {
        return 0;
    }
    const uint32_t peak = channel->stream->PeakLevel();
    const float gain = ChannelGain(layer, *channel);
    auto scaled = [&](uint32_t level) {
        return std::min<uint32_t>(32768, static_cast<uint32_t>(static_cast<float>(level) * gain));
    };
    return scaled(peak & 0xFFFF) | (scaled(peak >> 16) << 16);
}

Handle StreamCreateFile(Bool inMemory, const void* file, uint64_t offset, uint64_t length,
                        uint32_t flags) {
    Layer& layer = TheLayer();
    if (!MayLoad(layer, inMemory, file, length)) {
        return 0;
    }
    std::string error;
    auto decoder = MakeStreamMusicDecoder(
        std::span(static_cast<const uint8_t*>(file) + offset, static_cast<size_t>(length)), error);
    if (decoder == nullptr) {
        return FailLoad(layer, bass::kErrorFormat);
    }
    return AddChannel(layer, std::move(decoder), false, (flags & bass::kLoop) != 0);
}

Bool StreamFree(Handle handle) {
    Layer& layer = TheLayer();
    std::lock_guard<std::mutex> lock(layer.lock);
    Channel* channel = Find(layer, handle);
    if (channel == nullptr || channel->module) {
        return Fail(layer, bass::kErrorHandle);
    }
    FreeChannel(layer, handle);
    return Succeed(layer);
}

Handle MusicLoad(Bool inMemory, const void* file, uint32_t offset, uint32_t length, uint32_t flags,
                 uint32_t frequency) {
    (void)frequency;  // modules always render at the output's rate
    Layer& layer = TheLayer();
    if (!MayLoad(layer, inMemory, file, length)) {
        return 0;
    }
    std::string error;
    auto decoder = MakeModuleMusicDecoder(
        std::span(static_cast<const uint8_t*>(file) + offset, length), error);
    if (decoder == nullptr) {
        return FailLoad(layer, bass::kErrorFormat);
    }
    return AddChannel(layer, std::move(decoder), true, (flags & bass::kLoop) != 0);
}

Bool MusicFree(Handle handle) {
    Layer& layer = TheLayer();
    std::lock_guard<std::mutex> lock(layer.lock);
    Channel* channel = Find(layer, handle);
    if (channel == nullptr || !channel->module) {
        return Fail(layer, bass::kErrorHandle);
    }
    FreeChannel(layer, handle);
    return Succeed(layer);
}

Bool MusicSetAttribute(Handle handle, uint32_t attribute, uint32_t value) {
    Layer& layer = TheLayer();
    std::lock_guard<std::mutex> lock(layer.lock);
    Channel* channel = Find(layer, handle);
    if (channel == nullptr || !channel->module || attribute != bass::kMusicAttributeAmplify) {
        return Fail(layer, bass::kErrorParameter);
    }
    channel->stream->SetAmplify(static_cast<int>(std::min<uint32_t>(value, 100)));
    return Succeed(layer);
}

int ErrorGetCode() {
    Layer& layer = TheLayer();
    std::lock_guard<std::mutex> lock(layer.lock);
    return layer.error;
}

// Entry points the back end looks up but never calls: present, and refusing.
uint32_t NotOffered() {
    Layer& layer = TheLayer();
    std::lock_guard<std::mutex> lock(layer.lock);
    layer.error = bass::kErrorParameter;
    return 0;
}

void UseOutput(platform::AudioDevice* device) {
    Layer& layer = TheLayer();
    std::unique_ptr<MusicPumpThread> pump;
    std::lock_guard<std::mutex> lock(layer.lock);
    if (device != layer.output) {
        // Voices must not outlive the output they play on.
        layer.channels.clear();
        pump = std::move(layer.pump);
        layer.output = device;
        layer.initialised = false;
    }
}

const LibraryEntry kEntries[] = {
    Entry("BASS_Init", Init),
    Entry("BASS_Free", Free),
    Entry("BASS_Stop", Stop),
    Entry("BASS_Start", Start),
    Entry("BASS_SetGlobalVolumes", SetGlobalVolumes),
    Entry("BASS_SetVolume", SetVolume),
    Entry("BASS_SetConfig", SetConfig),
    Entry("BASS_GetConfig", GetConfig),
    Entry("BASS_GetVolume", GetVolume),
    Entry("BASS_GetInfo", NotOffered),
    Entry("BASS_GetVersion", GetVersion),
    Entry("BASS_ChannelStop", ChannelStop),
    Entry("BASS_ChannelPlay", ChannelPlay),
    Entry("BASS_ChannelPause", ChannelPause),
    Entry("BASS_ChannelSetAttributes", ChannelSetAttributes),
    Entry("BASS_ChannelGetAttributes", ChannelGetAttributes),
    Entry("BASS_ChannelSetPosition", ChannelSetPosition),
    Entry("BASS_ChannelGetPosition", ChannelGetPosition),
    Entry("BASS_ChannelIsActive", ChannelIsActive),
    Entry("BASS_ChannelSetFlags", ChannelSetFlags),
    Entry("BASS_ChannelSlideAttributes", NotOffered),
    Entry("BASS_ChannelIsSliding", NotOffered),
    Entry("BASS_ChannelGetLevel", ChannelGetLevel),
    Entry("BASS_ChannelSetSync", NotOffered),
    Entry("BASS_ChannelRemoveSync", NotOffered),
    Entry("BASS_ChannelGetData", NotOffered),
    Entry("BASS_FXSetParameters", NotOffered),
    Entry("BASS_FXGetParameters", NotOffered),
    Entry("BASS_ChannelSetFX", NotOffered),
    Entry("BASS_ChannelRemoveFX", NotOffered),
    Entry("BASS_MusicLoad", MusicLoad),
    Entry("BASS_MusicFree", MusicFree),
    Entry("BASS_MusicGetAttribute", NotOffered),
    Entry("BASS_MusicSetAttribute", MusicSetAttribute),
    Entry("BASS_StreamCreateFile", StreamCreateFile),
    Entry("BASS_StreamFree", StreamFree),
    Entry("BASS_MusicGetOrders", NotOffered),
    Entry("BASS_MusicGetOrderPosition", NotOffered),
    Entry("BASS_SampleLoad", NotOffered),
    Entry("BASS_SampleFree", NotOffered),
    Entry("BASS_SampleSetInfo", NotOffered),
    Entry("BASS_SampleGetInfo", NotOffered),
    Entry("BASS_SampleGetChannel", NotOffered),
    Entry("BASS_SampleStop", NotOffered),
    Entry("BASS_ErrorGetCode", ErrorGetCode),
    Entry("BASS_PluginLoad", NotOffered),
    Entry("BASS_ChannelGetLength", NotOffered),
    Entry("BASS_ChannelPreBuf", NotOffered),
};

}  // namespace

const MusicLibrary& BassLayerLibrary() {
    static const MusicLibrary library{kEntries, UseOutput};
    return library;
}

void BassLayerPump() {
    Layer& layer = TheLayer();
    std::lock_guard<std::mutex> lock(layer.lock);
    for (auto& [handle, channel] : layer.channels) {
        (void)handle;
        channel.stream->Pump();
    }
}

}  // namespace Vesk
