// Mixing 32 playing voices for 10 s of output. "realtime_x" is the multiple of real time on
// one core. The Unpitched pair mixes the same 16-bit stereo 44100 Hz voices with our mixer and
// with SDL's SDL_MixAudioFormat (which cannot resample); Pitched mixes voices of mixed rates,
// widths and channels, pitched and panned, which only ours can.
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/headless/HeadlessAudioDevice.h"

namespace {

constexpr int kVoices = 32;
constexpr size_t kOutputFrames = 10 * 44100;
constexpr size_t kBlockFrames = 1024;

std::vector<uint8_t> Noise(size_t bytes, uint32_t seed) {
    std::vector<uint8_t> out(bytes);
    for (auto& byte : out) {
        seed = seed * 1664525u + 1013904223u;
        byte = static_cast<uint8_t>(seed >> 24);
    }
    return out;
}

struct Voices {
    platform::HeadlessAudioDevice device;
    std::vector<std::unique_ptr<platform::AudioBuffer>> buffers;

    void Add(const platform::PcmFormat& format, double seconds, uint32_t frequency, int volume,
             int pan) {
        const size_t bytes = static_cast<size_t>(seconds * format.sampleRate) * format.BlockAlign();
        auto buffer = device.CreateBuffer(format, bytes);
        const std::vector<uint8_t> data = Noise(bytes, static_cast<uint32_t>(buffers.size()) + 1);
        std::memcpy(buffer->Lock(0, bytes).data(), data.data(), bytes);
        buffer->SetFrequency(frequency);
        buffer->SetVolume(volume);
        buffer->SetPan(pan);
        buffer->Play(true);
        buffers.push_back(std::move(buffer));
    }
};

void SetRate(benchmark::State& state) {
    state.counters["realtime_x"] = benchmark::Counter(
        10.0 * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void Mix32Unpitched_Vesk(benchmark::State& state) {
    Voices voices;
    for (int i = 0; i < kVoices; ++i) {
        voices.Add(platform::PcmFormat{2, 16, 44100}, 1.0 + 0.1 * i, 44100, -300 - 20 * i, 0);
    }
    for (auto _ : state) {
        for (size_t done = 0; done < kOutputFrames; done += kBlockFrames) {
            benchmark::DoNotOptimize(voices.device.Render(kBlockFrames).data());
        }
    }
    SetRate(state);
}

void Mix32Unpitched_SDL(benchmark::State& state) {
    std::vector<std::vector<uint8_t>> data;
    std::vector<size_t> positions(kVoices, 0);
    for (int i = 0; i < kVoices; ++i) {
        data.push_back(
            Noise(static_cast<size_t>((1.0 + 0.1 * i) * 44100) * 4, static_cast<uint32_t>(i) + 1));
    }
    std::vector<uint8_t> out(kBlockFrames * 4);
    for (auto _ : state) {
        for (size_t done = 0; done < kOutputFrames; done += kBlockFrames) {
            std::memset(out.data(), 0, out.size());
            for (int i = 0; i < kVoices; ++i) {
                // A looping voice: the block may wrap to the start of its data.
                size_t left = out.size();
                size_t at = 0;
                const int volume = static_cast<int>(128 * std::pow(10.0, (-300 - 20 * i) / 2000.0));
                while (left > 0) {
                    const size_t run = std::min(left, data[i].size() - positions[i]);
                    SDL_MixAudioFormat(out.data() + at, data[i].data() + positions[i], AUDIO_S16SYS,
                                       static_cast<Uint32>(run), volume);
                    positions[i] = (positions[i] + run) % data[i].size();
                    at += run;
                    left -= run;
                }
            }
            benchmark::DoNotOptimize(out.data());
        }
    }
    SetRate(state);
}

void Mix32Pitched_Vesk(benchmark::State& state) {
    Voices voices;
    const platform::PcmFormat formats[] = {{1, 16, 22050}, {2, 16, 44100}, {1, 8, 11025},
                                           {2, 8, 32000},  {1, 16, 48000}, {2, 16, 22050}};
    for (int i = 0; i < kVoices; ++i) {
        const platform::PcmFormat& format = formats[i % 6];
        const auto frequency =
            static_cast<uint32_t>(format.sampleRate * std::pow(2.0, (i % 13 - 6) / 12.0));
        voices.Add(format, 0.5 + 0.05 * i, frequency, -200 - 30 * i, (i % 9 - 4) * 1000);
    }
    for (auto _ : state) {
        for (size_t done = 0; done < kOutputFrames; done += kBlockFrames) {
            benchmark::DoNotOptimize(voices.device.Render(kBlockFrames).data());
        }
    }
    SetRate(state);
}

BENCHMARK(Mix32Unpitched_Vesk)->Unit(benchmark::kMillisecond);
BENCHMARK(Mix32Unpitched_SDL)->Unit(benchmark::kMillisecond);
BENCHMARK(Mix32Pitched_Vesk)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
