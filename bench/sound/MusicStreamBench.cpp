// A looping Ogg Vorbis track (10 s, 44100 Hz stereo, a busy mix) streamed through the music
// library and the mixer for 60 s of output: decoding on the pump as the library's thread
// would, then mixing. "realtime_x" is the multiple of real time on one core; 1 / realtime_x
// is the share of a core music takes.
#include <benchmark/benchmark.h>

#include <memory>

#include "platform/FileSystem.h"
#include "platform/headless/HeadlessAudioDevice.h"
#include "sound/BassApi.h"
#include "sound/BassInstance.h"
#include "sound/BassLayer.h"

namespace {

constexpr size_t kOutputFrames = 60 * 44100;
constexpr size_t kBlockFrames = 1024;

void StreamLoopingOgg(benchmark::State& state) {
#ifdef VESK_BENCH_MUSIC_OGG
    const auto bytes = platform::fs::ReadWholeFile(VESK_BENCH_MUSIC_OGG);
    if (!bytes) {
        state.SkipWithError("no Ogg track");
        return;
    }
    platform::HeadlessAudioDevice device;
    Vesk::BASS_INSTANCE* bass =
        Vesk::BASS_INSTANCE::Acquire(&Vesk::BassLayerLibrary(), &device, {});
    bass->BASS_Init(1, 44100, 0, 0, nullptr);
    const Vesk::bass::Handle stream =
        bass->BASS_StreamCreateFile(1, bytes->data(), 0, bytes->size(), Vesk::bass::kLoop);
    bass->BASS_ChannelSetAttributes(stream, -1, 80, -101);
    bass->BASS_ChannelPlay(stream, 1);
    for (auto _ : state) {
        for (size_t done = 0; done < kOutputFrames; done += kBlockFrames) {
            Vesk::BassLayerPump();
            benchmark::DoNotOptimize(device.Render(kBlockFrames).data());
        }
    }
    state.counters["realtime_x"] = benchmark::Counter(
        60.0 * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    bass->BASS_Free();
    Vesk::BASS_INSTANCE::Release();
#else
    state.SkipWithError("built without the Ogg encoder");
#endif
}
// Process time: the library's own pump thread decodes too.
BENCHMARK(StreamLoopingOgg)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

}  // namespace
