#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "make_data/DataSet.h"
#include "make_data/audio/AudioParts.h"
#include "sound/PcmSound.h"

namespace {

std::vector<std::string> SoundIdsOfTheGame() {
    std::ifstream list(VESK_RESOURCE_ID_LIST);
    std::vector<std::string> ids;
    std::string line;
    while (std::getline(list, line)) {
        std::istringstream fields(line);
        std::string kind, group, id;
        if (fields >> kind >> group >> id && kind == "sound") {
            ids.push_back(id);
        }
    }
    return ids;
}

std::vector<int16_t> Samples(const Vesk::PcmSound& sound) {
    std::vector<int16_t> out(sound.data.size() / 2);
    for (size_t i = 0; i < out.size(); ++i) {
        out[i] = static_cast<int16_t>(sound.data[2 * i] | (sound.data[2 * i + 1] << 8));
    }
    return out;
}

std::vector<std::string> ChunkIds(const std::vector<uint8_t>& wav) {
    std::vector<std::string> ids;
    for (size_t at = 12; at + 8 <= wav.size();) {
        ids.emplace_back(reinterpret_cast<const char*>(&wav[at]), 4);
        const uint32_t size = wav[at + 4] | (wav[at + 5] << 8) | (wav[at + 6] << 16) |
                              (static_cast<uint32_t>(wav[at + 7]) << 24);
        at += 8 + size + (size & 1);
    }
    return ids;
}

// How far the step from the last frame to the first stands out among the steps between
// neighbouring frames of one channel: 1.0 is the largest step inside the sound.
double SeamJump(const std::vector<int16_t>& samples, int channels, int channel) {
    const size_t frames = samples.size() / static_cast<size_t>(channels);
    const auto at = [&](size_t frame) {
        return samples[frame * static_cast<size_t>(channels) + static_cast<size_t>(channel)];
    };
    std::vector<int> steps;
    for (size_t i = 1; i < frames; ++i) {
        steps.push_back(std::abs(at(i) - at(i - 1)));
    }
    std::sort(steps.begin(), steps.end());
    const double typical = std::max(steps[steps.size() * 99 / 100], 1);
    return std::abs(at(0) - at(frames - 1)) / typical;
}

double Rms(const std::vector<int16_t>& samples) {
    double sum = 0;
    for (int16_t s : samples) {
        sum += double{s} * s;
    }
    return std::sqrt(sum / static_cast<double>(samples.size()));
}

int Peak(const std::vector<int16_t>& samples) {
    int peak = 0;
    for (int16_t s : samples) {
        peak = std::max(peak, std::abs(int{s}));
    }
    return peak;
}

TEST(AudioParts, EverySoundOfTheGameIsAPlainWavThatLoadsAndIsHeard) {
    const make_data::DataPart part = make_data::MakeSounds();
    const auto ids = SoundIdsOfTheGame();
    ASSERT_EQ(ids.size(), 39u);
    std::map<std::string, const make_data::DataFile*> files;
    for (const auto& file : part.files) {
        files[file.path] = &file;
    }
    for (const std::string& id : ids) {
        SCOPED_TRACE(id);
        const auto entry =
            std::find_if(part.entries.begin(), part.entries.end(), [&](const auto& e) {
                return e.element.find("id=\"" + id + "\"") != std::string::npos;
            });
        ASSERT_NE(entry, part.entries.end());
        EXPECT_EQ(entry->group, "Game");
        const size_t pathAt = entry->element.find("path=\"");
        ASSERT_NE(pathAt, std::string::npos);
        const std::string path =
            entry->element.substr(pathAt + 6, entry->element.find('"', pathAt + 6) - pathAt - 6);
        EXPECT_EQ(entry->element, "<Sound id=\"" + id + "\" path=\"" + path + "\"/>");
        ASSERT_TRUE(files.contains(path + ".wav"));
        const auto& bytes = files[path + ".wav"]->bytes;
        EXPECT_EQ(ChunkIds(bytes), (std::vector<std::string>{"fmt ", "data"}));

        std::string error;
        const auto sound = Vesk::ReadWav(bytes, error);
        ASSERT_TRUE(sound) << error;
        EXPECT_EQ(sound->format.bitsPerSample, 16);
        const auto samples = Samples(*sound);
        EXPECT_GT(Rms(samples), 300) << "too quiet";
        EXPECT_LT(Peak(samples), 32000) << "clips";
        const bool loops =
            id.starts_with("SOUND_HEARTBEAT") || id == "SOUND_SC_FW_FULL" || id == "SOUND_COUNTING";
        if (loops) {
            EXPECT_LE(SeamJump(samples, 1, 0), 1.0);
        } else {
            EXPECT_LT(std::abs(samples.front()), 100) << "starts with a click";
            EXPECT_LT(std::abs(samples.back()), 100) << "ends with a click";
        }
    }
    EXPECT_EQ(part.entries.size(), ids.size());
    EXPECT_EQ(make_data::MakeSounds().files[0].bytes, part.files[0].bytes);
}

void CheckTrack(const std::vector<uint8_t>& ogg, size_t frames, int minimumPeak) {
    std::string error;
    const auto sound = Vesk::ReadOgg(ogg, error);
    ASSERT_TRUE(sound) << error;
    EXPECT_EQ(sound->format.channels, 2);
    EXPECT_EQ(sound->format.sampleRate, 44100u);
    EXPECT_EQ(sound->data.size(), frames * 4);
    const auto samples = Samples(*sound);
    EXPECT_GT(Rms(samples), 1500) << "too quiet";
    EXPECT_GT(Peak(samples), minimumPeak);
    EXPECT_LT(Peak(samples), 32767) << "clips";
    EXPECT_LE(SeamJump(samples, 2, 0), 1.0);
    EXPECT_LE(SeamJump(samples, 2, 1), 1.0);
}

TEST(AudioParts, AShortMainThemeHasItsLengthClearBeatsAndTheSameBytesTwice) {
    const auto ogg = make_data::MakeMusicTrack(3, 4);
    EXPECT_EQ(make_data::MusicTrackPath(3), "data/music/main-theme.ogg");
    const size_t frames = make_data::MusicTrackFrames(3, 4);
    EXPECT_EQ(frames, make_data::MusicTrackFrames(3) / 8);
    CheckTrack(ogg, frames, 12000);
    EXPECT_EQ(make_data::MakeMusicTrack(3, 4), ogg);
}

TEST(AudioParts, EveryMusicTrackLoopsForOneToTwoMinutes) {
    const make_data::DataPart part = make_data::MakeMusic();
    ASSERT_EQ(part.files.size(), 7u);
    EXPECT_TRUE(part.entries.empty());
    for (int track = 0; track < make_data::kMusicTrackCount; ++track) {
        const auto& file = part.files[static_cast<size_t>(track)];
        SCOPED_TRACE(file.path);
        EXPECT_EQ(file.path, make_data::MusicTrackPath(track));
        const size_t frames = make_data::MusicTrackFrames(track);
        EXPECT_GE(frames, 60u * 44100);
        EXPECT_LE(frames, 120u * 44100);
        CheckTrack(file.bytes, frames, track == 3 ? 12000 : 4000);
    }
}

}  // namespace
