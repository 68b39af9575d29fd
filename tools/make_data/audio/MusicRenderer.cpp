#include "make_data/audio/MusicRenderer.h"

#include <fluidsynth.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <stdexcept>

namespace make_data::audio {

namespace {

constexpr const char* kSoundFont = "/usr/share/sounds/sf2/TimGM6mb.sf2";

struct SynthEvent {
    int64_t frame;
    bool on;
    int channel;
    int key;
    int velocity;
};

void Silence(int, const char*, void*) {}

struct SettingsDeleter {
    void operator()(fluid_settings_t* settings) const { delete_fluid_settings(settings); }
};
struct SynthDeleter {
    void operator()(fluid_synth_t* synth) const { delete_fluid_synth(synth); }
};

}  // namespace

int64_t TickToFrame(const Score& score, int64_t tick, int sampleRate) {
    // frames = tick * 60 * rate / (tempo * ticks a beat), rounded to the nearest frame.
    const int64_t numerator = tick * 60 * sampleRate;
    const int64_t denominator = int64_t{score.tempo} * kTicksPerBeat;
    return (numerator + denominator / 2) / denominator;
}

StereoSamples RenderScore(const Score& score, int sampleRate, size_t tailFrames) {
    static std::once_flag quiet;
    std::call_once(quiet, [] {
        // The library's own log lines would only clutter the tool's progress.
        for (int level = FLUID_PANIC; level <= FLUID_DBG; ++level) {
            fluid_set_log_function(level, Silence, nullptr);
        }
        // The library builds its shared tables with the first synth; doing that here, before
        // tracks render on several threads, keeps their bytes the same on every run.
        fluid_settings_t* warmSettings = new_fluid_settings();
        if (warmSettings != nullptr) {
            fluid_synth_t* warm = new_fluid_synth(warmSettings);
            if (warm != nullptr) {
                delete_fluid_synth(warm);
            }
            delete_fluid_settings(warmSettings);
        }
    });

    std::unique_ptr<fluid_settings_t, SettingsDeleter> settings(new_fluid_settings());
    if (!settings) {
        throw std::runtime_error("FluidSynth settings could not be made");
    }
    fluid_settings_setnum(settings.get(), "synth.sample-rate", sampleRate);
    fluid_settings_setnum(settings.get(), "synth.gain", 0.3);
    fluid_settings_setint(settings.get(), "synth.polyphony", 256);
    fluid_settings_setint(settings.get(), "synth.cpu-cores", 1);
    fluid_settings_setint(settings.get(), "synth.chorus.active", 0);
    fluid_settings_setint(settings.get(), "synth.reverb.active", 1);
    fluid_settings_setnum(settings.get(), "synth.reverb.room-size", 0.55);
    fluid_settings_setnum(settings.get(), "synth.reverb.damp", 0.4);
    fluid_settings_setnum(settings.get(), "synth.reverb.width", 0.8);
    fluid_settings_setnum(settings.get(), "synth.reverb.level", 0.7);
    std::unique_ptr<fluid_synth_t, SynthDeleter> synth(new_fluid_synth(settings.get()));
    if (!synth) {
        throw std::runtime_error("FluidSynth could not be started");
    }
    if (fluid_synth_sfload(synth.get(), kSoundFont, 1) == FLUID_FAILED) {
        throw std::runtime_error(std::string("the sound font ") + kSoundFont +
                                 " could not be loaded (Debian package timgm6mb-soundfont)");
    }
    for (const ChannelSetup& setup : score.channels) {
        if (setup.channel != kDrumChannel) {
            fluid_synth_program_change(synth.get(), setup.channel, setup.program);
        }
        fluid_synth_cc(synth.get(), setup.channel, 7, setup.volume);
        fluid_synth_cc(synth.get(), setup.channel, 10, setup.pan);
        fluid_synth_cc(synth.get(), setup.channel, 91, setup.reverb);
        fluid_synth_cc(synth.get(), setup.channel, 93, 0);
    }

    std::vector<SynthEvent> events;
    events.reserve(score.notes.size() * 2);
    for (const NoteEvent& note : score.notes) {
        events.push_back({TickToFrame(score, note.tick, sampleRate), true, note.channel, note.key,
                          note.velocity});
        events.push_back({TickToFrame(score, note.tick + note.length, sampleRate), false,
                          note.channel, note.key, 0});
    }
    // Note-offs go before note-ons of the same frame, so a repeated key sounds again.
    std::stable_sort(events.begin(), events.end(), [](const SynthEvent& a, const SynthEvent& b) {
        return a.frame != b.frame ? a.frame < b.frame : (!a.on && b.on);
    });

    const auto loopFrames = static_cast<size_t>(TickToFrame(score, score.LoopTicks(), sampleRate));
    StereoSamples out;
    out.left.resize(loopFrames + tailFrames);
    out.right.resize(loopFrames + tailFrames);
    size_t position = 0;
    const auto renderTo = [&](size_t end) {
        end = std::min(end, out.left.size());
        while (position < end) {
            const int count = static_cast<int>(std::min<size_t>(end - position, 4096));
            fluid_synth_write_float(synth.get(), count, out.left.data() + position, 0, 1,
                                    out.right.data() + position, 0, 1);
            position += static_cast<size_t>(count);
        }
    };
    for (const SynthEvent& event : events) {
        renderTo(static_cast<size_t>(event.frame));
        if (event.on) {
            fluid_synth_noteon(synth.get(), event.channel, event.key, event.velocity);
        } else {
            fluid_synth_noteoff(synth.get(), event.channel, event.key);
        }
    }
    renderTo(out.left.size());
    return out;
}

}  // namespace make_data::audio
