#include "sound/FModLayer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

#include "platform/AudioDevice.h"
#include "platform/SoundFormulas.h"
#include "resources/PakInterface.h"
#include "sound/FModApi.h"
#include "sound/MusicPumpThread.h"
#include "sound/MusicStream.h"
#include "sound/PcmSound.h"

namespace Vesk {

namespace fmod {

struct Sample {
    platform::PcmFormat format;
    std::vector<uint8_t> bytes;
    unsigned mode = 0;
    int volume = 255;
    int pan = 128;
    int priority = 0;
    uint64_t loopStart = 0;
    // The bytes as 16-bit samples for playing; remade after a lock.
    std::shared_ptr<const std::vector<int16_t>> playable;
};

struct Song {
    std::shared_ptr<MusicStream> stream;
    std::unique_ptr<platform::AudioVoice> voice;
    bool paused = false;
};

}  // namespace fmod

namespace {

struct Channel {
    std::shared_ptr<MusicStream> stream;
    std::unique_ptr<platform::AudioVoice> voice;
    bool paused = false;
};

struct Layer {
    std::mutex lock;
    platform::AudioDevice* output = nullptr;
    std::map<const fmod::Sample*, std::unique_ptr<fmod::Sample>> samples;
    std::map<const fmod::Song*, std::unique_ptr<fmod::Song>> songs;
    std::map<int, Channel> channels;
    std::unique_ptr<MusicPumpThread> pump;

    MusicPumpThread& Pump() {
        if (pump == nullptr) {
            pump = std::make_unique<MusicPumpThread>();
        }
        return *pump;
    }
};

Layer& TheLayer() {
    static Layer layer;
    return layer;
}

// 0..100 as the voice's hundredths of a decibel; more is full.
int VolumeToAttenuation(int volume) {
    const int clamped = std::clamp(volume, 0, fmod::kFullVolume);
    if (clamped == 0) {
        return platform::sound::kSilence;
    }
    return static_cast<int>(std::lround(2000.0 * std::log10(clamped / 100.0)));
}

// The library's calls answer only with null, so the file layer's reason goes no further.
std::optional<std::vector<uint8_t>> ReadFile(const char* name) {
    std::string error;
    return name != nullptr ? PakReadWholeFile(name, error) : std::nullopt;
}

unsigned ModeOf(const platform::PcmFormat& format) {
    return (format.channels == 1 ? fmod::kModeMono : fmod::kModeStereo) |
           (format.bitsPerSample == 8 ? fmod::kMode8Bits : 0) | fmod::kModeLoopOff;
}

std::shared_ptr<const std::vector<int16_t>> Playable(fmod::Sample& sample) {
    if (sample.playable == nullptr) {
        std::vector<int16_t> samples;
        if (sample.format.bitsPerSample == 8) {
            samples.resize(sample.bytes.size());
            std::transform(sample.bytes.begin(), sample.bytes.end(), samples.begin(),
                           [](uint8_t byte) { return static_cast<int16_t>((byte - 128) * 256); });
        } else {
            samples.resize(sample.bytes.size() / 2);
            std::memcpy(samples.data(), sample.bytes.data(), samples.size() * 2);
        }
        sample.playable = std::make_shared<const std::vector<int16_t>>(std::move(samples));
    }
    return sample.playable;
}

fmod::Sample* FindSample(Layer& layer, fmod::Sample* sample) {
    return layer.samples.contains(sample) ? sample : nullptr;
}

fmod::Song* FindSong(Layer& layer, fmod::Song* song) {
    return layer.songs.contains(song) ? song : nullptr;
}

Channel* FindChannel(Layer& layer, int channel) {
    const auto found = layer.channels.find(channel);
    return found == layer.channels.end() ? nullptr : &found->second;
}

void DropChannel(Layer& layer, int channel) {
    const auto found = layer.channels.find(channel);
    if (found != layer.channels.end()) {
        layer.pump->Remove(found->second.stream.get());
        layer.channels.erase(found);
    }
}

// ---- The entry points ----

int SetBufferSize(int) {
    return 1;
}
int SetHwnd(void*) {
    return 1;
}
int Init(int, int, unsigned) {
    Layer& layer = TheLayer();
    std::lock_guard<std::mutex> lock(layer.lock);
    return layer.output != nullptr ? 1 : 0;
}
void Close() {}

fmod::Sample* SampleLoad(int index, const char* name, unsigned mode, int memoryLength) {
    (void)index, (void)mode, (void)memoryLength;
    const std::optional<std::vector<uint8_t>> bytes = ReadFile(name);
    if (!bytes) {
        return nullptr;
    }
    std::string error;
    const auto startsWith = [&](const char* tag) {
        return bytes->size() >= 4 && std::memcmp(bytes->data(), tag, 4) == 0;
    };
    std::optional<PcmSound> sound = startsWith("RIFF")   ? ReadWav(*bytes, error)
                                    : startsWith("OggS") ? ReadOgg(*bytes, error)
                                                         : ReadMp3(*bytes, error);
    if (!sound || sound->data.empty()) {
        return nullptr;
    }
    auto sample = std::make_unique<fmod::Sample>();
    sample->format = sound->format;
    sample->bytes = std::move(sound->data);
    sample->mode = ModeOf(sample->format);
    Layer& layer = TheLayer();
    std::lock_guard<std::mutex> lock(layer.lock);
    fmod::Sample* handle = sample.get();
    layer.samples.emplace(handle, std::move(sample));
    return handle;
}

fmod::Sample* SampleAlloc(int index, int length, unsigned mode, int frequency, int volume, int pan,
                          int priority) {
    (void)index;
    platform::PcmFormat format;
    format.channels = (mode & fmod::kModeMono) != 0 ? 1 : 2;
    format.bitsPerSample = (mode & fmod::kMode8Bits) != 0 ? 8 : 16;
    format.sampleRate = frequency > 0 ? static_cast<uint32_t>(frequency) : 0;
    if (!platform::IsPlayableFormat(format) || length <= 0 ||
        static_cast<uint64_t>(length) > kMaxSoundBytes / format.BlockAlign()) {
        return nullptr;
    }
    auto sample = std::make_unique<fmod::Sample>();
    sample->format = format;
    sample->bytes.assign(static_cast<size_t>(length) * format.BlockAlign(),
                         format.bitsPerSample == 8 ? 128 : 0);
    sample->mode = mode;
    sample->volume = volume;
    sample->pan = pan;
    sample->priority = priority;
    Layer& layer = TheLayer();
    std::lock_guard<std::mutex> lock(layer.lock);
    fmod::Sample* handle = sample.get();
    layer.samples.emplace(handle, std::move(sample));
    return handle;
}

void SampleFree(fmod::Sample* sample) {
    Layer& layer = TheLayer();
    std::lock_guard<std::mutex> lock(layer.lock);
    layer.samples.erase(sample);  // playing channels keep their own copy of the PCM
}

int SampleLock(fmod::Sample* sample, int offset, int length, void** part1, void** part2,
               unsigned* length1, unsigned* length2) {
    Layer& layer = TheLayer();
    std::lock_guard<std::mutex> lock(layer.lock);
    fmod::Sample* found = FindSample(layer, sample);
    if (found == nullptr || offset < 0 || length <= 0 || part1 == nullptr || length1 == nullptr ||
        static_cast<size_t>(offset) + static_cast<size_t>(length) > found->bytes.size()) {
        return 0;
    }
    found->playable.reset();
    *part1 = found->bytes.data() + offset;
    *length1 = static_cast<unsigned>(length);
    if (part2 != nullptr) {
        *part2 = nullptr;
    }
    if (length2 != nullptr) {
        *length2 = 0;
    }
    return 1;
}

int SampleUnlock(fmod::Sample*, void*, void*, unsigned, unsigned) {
    return 1;
}

int SampleSetLoopPoints(fmod::Sample* sample, int start, int end) {
    (void)end;  // a loop runs to the end of the sample
    Layer& layer = TheLayer();
    std::lock_guard<std::mutex> lock(layer.lock);
    fmod::Sample* found = FindSample(layer, sample);
    if (found == nullptr || start < 0) {
        return 0;
    }
    found->loopStart = static_cast<uint64_t>(start);
    return 1;
}

unsigned SampleGetLength(fmod::Sample* sample) {
    Layer& layer = TheLayer();
    std::lock_guard<std::mutex> lock(layer.lock);
    fmod::Sample* found = FindSample(layer, sample);
    return found != nullptr
               ? static_cast<unsigned>(found->bytes.size() / found->format.BlockAlign())
               : 0;
}

int SampleGetDefaults(fmod::Sample* sample, int* frequency, int* volume, int* pan, int* priority) {
    Layer& layer = TheLayer();
    std::lock_guard<std::mutex> lock(layer.lock);
    fmod::Sample* found = FindSample(layer, sample);
    if (found == nullptr) {
        return 0;
    }
    if (frequency != nullptr) {
        *frequency = static_cast<int>(found->format.sampleRate);
    }
    if (volume != nullptr) {
        *volume = found->volume;
    }
    if (pan != nullptr) {
        *pan = found->pan;
    }
    if (priority != nullptr) {
        *priority = found->priority;
    }
    return 1;
}

unsigned SampleGetMode(fmod::Sample* sample) {
    Layer& layer = TheLayer();
    std::lock_guard<std::mutex> lock(layer.lock);
    fmod::Sample* found = FindSample(layer, sample);
    return found != nullptr ? found->mode : 0;
}

int PlaySound(int channel, fmod::Sample* sample) {
    Layer& layer = TheLayer();
    std::lock_guard<std::mutex> lock(layer.lock);
    fmod::Sample* found = FindSample(layer, sample);
    if (found == nullptr || layer.output == nullptr || channel < 0) {
        return -1;
    }
    DropChannel(layer, channel);
    platform::PcmFormat format = found->format;
    format.bitsPerSample = 16;
    auto decoder = MakeSharedPcmMusicDecoder(format, Playable(*found));
    if (decoder == nullptr) {
        return -1;
    }
    Channel playing;
    playing.stream = std::make_shared<MusicStream>(std::move(decoder));
    playing.stream->SetLooping((found->mode & fmod::kModeLoopNormal) != 0);
    playing.stream->SetLoopStart(found->loopStart);
    playing.voice = layer.output->CreateStreamVoice(playing.stream);
    if (playing.voice == nullptr) {
        return -1;
    }
    playing.voice->SetVolume(VolumeToAttenuation(found->volume));
    playing.stream->Pump();
    layer.Pump().Add(playing.stream);
    playing.voice->Play(false);
    layer.channels[channel] = std::move(playing);
    return channel;
}

int StopSound(int channel) {
    Layer& layer = TheLayer();
    std::lock_guard<std::mutex> lock(layer.lock);
    Channel* found = FindChannel(layer, channel);
    if (found == nullptr) {
        return 0;
    }
    found->voice->Stop();
    found->paused = false;
    return 1;
}

int SetVolume(int channel, int volume) {
    Layer& layer = TheLayer();
    std::lock_guard<std::mutex> lock(layer.lock);
    Channel* found = FindChannel(layer, channel);
    if (found == nullptr) {
        return 0;
    }
    found->voice->SetVolume(VolumeToAttenuation(volume));
    return 1;
}

int SetPaused(int channel, signed char paused) {
    Layer& layer = TheLayer();
    std::lock_guard<std::mutex> lock(layer.lock);
    Channel* found = FindChannel(layer, channel);
    if (found == nullptr) {
        return 0;
    }
    if (paused != 0 && found->voice->IsPlaying()) {
        found->voice->Stop();
        found->paused = true;
    } else if (paused == 0 && found->paused) {
        found->voice->Play(false);
        found->paused = false;
    }
    return 1;
}

int SetLoopMode(int channel, unsigned mode) {
    Layer& layer = TheLayer();
    std::lock_guard<std::mutex> lock(layer.lock);
    Channel* found = FindChannel(layer, channel);
    if (found == nullptr) {
        return 0;
    }
    found->stream->SetLooping(mode == fmod::kModeLoopNormal);
    return 1;
}

signed char IsPlaying(int channel) {
    Layer& layer = TheLayer();
    std::lock_guard<std::mutex> lock(layer.lock);
    Channel* found = FindChannel(layer, channel);
    return found != nullptr && (found->paused || found->voice->IsPlaying()) ? 1 : 0;
}

// Streams are looked up by the back end but never used.
void* StreamOpenFile(const char*, unsigned, int) {
    return nullptr;
}
signed char StreamClose(void*) {
    return 0;
}
int StreamPlay(int, void*) {
    return -1;
}

fmod::Song* LoadSong(const char* name) {
    const std::optional<std::vector<uint8_t>> bytes = ReadFile(name);
    if (!bytes) {
        return nullptr;
    }
    std::string error;
    auto decoder = MakeModuleMusicDecoder(*bytes, error);
    if (decoder == nullptr) {
        return nullptr;
    }
    Layer& layer = TheLayer();
    std::lock_guard<std::mutex> lock(layer.lock);
    if (layer.output == nullptr) {
        return nullptr;
    }
    auto song = std::make_unique<fmod::Song>();
    song->stream = std::make_shared<MusicStream>(std::move(decoder));
    song->voice = layer.output->CreateStreamVoice(song->stream);
    if (song->voice == nullptr) {
        return nullptr;
    }
    song->stream->Pump();
    layer.Pump().Add(song->stream);
    fmod::Song* handle = song.get();
    layer.songs.emplace(handle, std::move(song));
    return handle;
}

signed char PlaySong(fmod::Song* song) {
    Layer& layer = TheLayer();
    std::lock_guard<std::mutex> lock(layer.lock);
    fmod::Song* found = FindSong(layer, song);
    if (found == nullptr) {
        return 0;
    }
    found->voice->Stop();
    found->stream->RestartAtOrder(0);
    found->voice->Play(false);
    found->paused = false;
    return 1;
}

signed char StopSong(fmod::Song* song) {
    Layer& layer = TheLayer();
    std::lock_guard<std::mutex> lock(layer.lock);
    fmod::Song* found = FindSong(layer, song);
    if (found == nullptr) {
        return 0;
    }
    found->voice->Stop();
    found->paused = false;
    return 1;
}

signed char SetLooping(fmod::Song* song, int looping) {
    Layer& layer = TheLayer();
    std::lock_guard<std::mutex> lock(layer.lock);
    fmod::Song* found = FindSong(layer, song);
    if (found == nullptr) {
        return 0;
    }
    found->stream->SetLooping(looping == fmod::kSongLoop);
    return 1;
}

signed char SetOrder(fmod::Song* song, int order) {
    Layer& layer = TheLayer();
    std::lock_guard<std::mutex> lock(layer.lock);
    fmod::Song* found = FindSong(layer, song);
    if (found == nullptr || order < 0) {
        return 0;
    }
    const bool playing = found->voice->IsPlaying();
    found->voice->Stop();
    found->stream->RestartAtOrder(order);
    if (playing) {
        found->voice->Play(false);
    }
    return 1;
}

signed char SongSetPaused(fmod::Song* song, int paused) {
    Layer& layer = TheLayer();
    std::lock_guard<std::mutex> lock(layer.lock);
    fmod::Song* found = FindSong(layer, song);
    if (found == nullptr) {
        return 0;
    }
    if (paused != 0 && found->voice->IsPlaying()) {
        found->voice->Stop();
        found->paused = true;
    } else if (paused == 0 && found->paused) {
        found->voice->Play(false);
        found->paused = false;
    }
    return 1;
}

signed char SetMasterVolume(fmod::Song* song, int volume) {
    Layer& layer = TheLayer();
    std::lock_guard<std::mutex> lock(layer.lock);
    fmod::Song* found = FindSong(layer, song);
    if (found == nullptr) {
        return 0;
    }
    found->voice->SetVolume(VolumeToAttenuation(volume));
    return 1;
}

signed char SongIsPlaying(fmod::Song* song) {
    Layer& layer = TheLayer();
    std::lock_guard<std::mutex> lock(layer.lock);
    fmod::Song* found = FindSong(layer, song);
    return found != nullptr && (found->paused || found->voice->IsPlaying()) ? 1 : 0;
}

void UseOutput(platform::AudioDevice* device) {
    Layer& layer = TheLayer();
    std::unique_ptr<MusicPumpThread> pump;
    std::lock_guard<std::mutex> lock(layer.lock);
    if (device != layer.output) {
        // Voices must not outlive the output they play on.
        layer.channels.clear();
        layer.songs.clear();
        layer.samples.clear();
        pump = std::move(layer.pump);
        layer.output = device;
    }
}

const LibraryEntry kEntries[] = {
    Entry("_FSOUND_SetBufferSize@4", SetBufferSize),
    Entry("_FSOUND_SetHWND@4", SetHwnd),
    Entry("_FSOUND_Init@12", Init),
    Entry("_FSOUND_Close@0", Close),
    Entry("_FSOUND_Sample_Load@16", SampleLoad),
    Entry("_FSOUND_Sample_Alloc@28", SampleAlloc),
    Entry("_FSOUND_Sample_Free@4", SampleFree),
    Entry("_FSOUND_Sample_Lock@28", SampleLock),
    Entry("_FSOUND_Sample_Unlock@20", SampleUnlock),
    Entry("_FSOUND_Sample_SetLoopPoints@12", SampleSetLoopPoints),
    Entry("_FSOUND_Sample_GetLength@4", SampleGetLength),
    Entry("_FSOUND_Sample_GetDefaults@20", SampleGetDefaults),
    Entry("_FSOUND_Sample_GetMode@4", SampleGetMode),
    Entry("_FSOUND_PlaySound@8", PlaySound),
    Entry("_FSOUND_StopSound@4", StopSound),
    Entry("_FSOUND_SetVolume@8", SetVolume),
    Entry("_FSOUND_SetPaused@8", SetPaused),
    Entry("_FSOUND_SetLoopMode@8", SetLoopMode),
    Entry("_FSOUND_IsPlaying@4", IsPlaying),
    Entry("_FSOUND_Stream_OpenFile@12", StreamOpenFile),
    Entry("_FSOUND_Stream_Close@4", StreamClose),
    Entry("_FSOUND_Stream_Play@8", StreamPlay),
    Entry("_FMUSIC_LoadSong@4", LoadSong),
    Entry("_FMUSIC_PlaySong@4", PlaySong),
    Entry("_FMUSIC_StopSong@4", StopSong),
    Entry("_FMUSIC_SetLooping@8", SetLooping),
    Entry("_FMUSIC_SetOrder@8", SetOrder),
    Entry("_FMUSIC_SetPaused@8", SongSetPaused),
    Entry("_FMUSIC_SetMasterVolume@8", SetMasterVolume),
    Entry("_FMUSIC_IsPlaying@4", SongIsPlaying),
};

}  // namespace

const MusicLibrary& FModLayerLibrary() {
    static const MusicLibrary library{kEntries, UseOutput};
    return library;
}

void FModLayerPump() {
    Layer& layer = TheLayer();
    std::lock_guard<std::mutex> lock(layer.lock);
    for (auto& [number, channel] : layer.channels) {
        (void)number;
        channel.stream->Pump();
    }
    for (auto& [handle, song] : layer.songs) {
        (void)handle;
        song->stream->Pump();
    }
}

}  // namespace Vesk
