// The data tool's sounds and music, made by make_audio_part and read back with the game's own
// readers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "../ResourceIdList.h"
#include "sound/PcmSound.h"

namespace {

namespace fs = std::filesystem;

std::vector<fs::path>& MadeFolders() {
    static std::vector<fs::path> folders;
    return folders;
}

// The tracks take tens of megabytes: their folders go when the tests end.
class RemoveMadeFolders : public testing::Environment {
public:
    void TearDown() override {
        for (const fs::path& folder : MadeFolders()) {
            std::error_code ignored;
            fs::remove_all(folder, ignored);
        }
    }
};
testing::Environment* const gRemoveMadeFolders =
    testing::AddGlobalTestEnvironment(new RemoveMadeFolders);

// A fresh folder filled by make_audio_part with the arguments given.
fs::path MakeAudio(const std::string& name, const std::string& arguments) {
    // Its own name per run: other builds may run this test at the same time.
    static const std::string run = std::to_string(std::random_device{}());
    const fs::path folder = fs::path(testing::TempDir()) / ("vesk_audio_" + run + "_" + name);
    fs::remove_all(folder);
    fs::create_directories(folder);
    MadeFolders().push_back(folder);
    const std::string command =
        std::string(VESK_AUDIO_PART_TOOL) + " " + arguments + " '" + folder.string() + "'";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return folder;
}

std::vector<uint8_t> ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::map<std::string, size_t> ReadFrames(const fs::path& folder) {
    std::ifstream in(folder / "frames.txt");
    std::map<std::string, size_t> frames;
    std::string path;
    size_t count = 0;
    while (in >> path >> count) {
        frames[path] = count;
    }
    return frames;
}

std::vector<std::string> SoundIdsOfTheGame() {
    std::vector<std::string> ids;
    for (const ListedId& id : ReadResourceIdList(VESK_RESOURCE_ID_LIST, {"sound"})) {
        ids.push_back(id.name);
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
// neighbouring frames of one channel: up to 1.0 it is no bigger than 99 in 100 of them.
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
        sum += static_cast<double>(s) * s;
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

// The share of a sound's energy below about 150 Hz (two one-pole low passes): what a 13
// semitone slow-down pushes below what small speakers play.
double LowShare(const std::vector<int16_t>& samples, uint32_t sampleRate) {
    const double a = 1.0 - std::exp(-2.0 * 3.14159265358979 * 150.0 / sampleRate);
    double first = 0;
    double second = 0;
    double low = 0;
    double all = 0;
    for (int16_t s : samples) {
        first += a * (s - first);
        second += a * (first - second);
        low += second * second;
        all += static_cast<double>(s) * s;
    }
    return low / all;
}

TEST(AudioParts, EverySoundOfTheGameIsAPlainWavThatLoadsAndIsHeard) {
    const fs::path folder = MakeAudio("sounds", "sounds");
    std::map<std::string, std::string> entries;  // id -> element
    {
        std::ifstream in(folder / "entries.txt");
        std::string line;
        while (std::getline(in, line)) {
            EXPECT_EQ(line.substr(0, 5), "Game\t") << line;
            const size_t idAt = line.find("id=\"") + 4;
            entries[line.substr(idAt, line.find('"', idAt) - idAt)] = line.substr(5);
        }
    }
    const auto ids = SoundIdsOfTheGame();
    ASSERT_FALSE(ids.empty()) << VESK_RESOURCE_ID_LIST;
    EXPECT_EQ(entries.size(), ids.size());
    for (const std::string& id : ids) {
        SCOPED_TRACE(id);
        ASSERT_TRUE(entries.contains(id));
        const std::string& element = entries[id];
        const size_t pathAt = element.find("path=\"") + 6;
        const std::string path = element.substr(pathAt, element.find('"', pathAt) - pathAt);
        EXPECT_EQ(element, "<Sound id=\"" + id + "\" path=\"" + path + "\"/>");
        const std::vector<uint8_t> bytes = ReadFile(folder / (path + ".wav"));
        EXPECT_EQ(ChunkIds(bytes), (std::vector<std::string>{"fmt ", "data"}));

        std::string error;
        const auto sound = Vesk::ReadWav(bytes, error);
        ASSERT_TRUE(sound) << error;
        EXPECT_EQ(sound->format.bitsPerSample, 16);
        const auto samples = Samples(*sound);
        EXPECT_GT(Rms(samples), 300) << "too quiet";
        EXPECT_LT(Peak(samples), 32000) << "clips";
        EXPECT_LT(LowShare(samples, sound->format.sampleRate), 0.05) << "too low";
        const bool loops =
            id.starts_with("SOUND_HEARTBEAT") || id == "SOUND_SC_FW_FULL" || id == "SOUND_COUNTING";
        if (loops) {
            EXPECT_LE(SeamJump(samples, 1, 0), 1.0);
        } else {
            EXPECT_LT(std::abs(samples.front()), 100) << "starts with a click";
            EXPECT_LT(std::abs(samples.back()), 100) << "ends with a click";
        }
    }
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
    const fs::path first = MakeAudio("theme1", "track 3 4");
    const fs::path second = MakeAudio("theme2", "track 3 4");
    const auto frames = ReadFrames(first);
    ASSERT_TRUE(frames.contains("data/music/main-theme.ogg"));
    const std::vector<uint8_t> ogg = ReadFile(first / "data/music/main-theme.ogg");
    CheckTrack(ogg, frames.at("data/music/main-theme.ogg"), 12000);
    EXPECT_EQ(ReadFile(second / "data/music/main-theme.ogg"), ogg);
}

TEST(AudioParts, EveryMusicTrackLoopsForOneToTwoMinutes) {
    const fs::path folder = MakeAudio("music", "music");
    const auto frames = ReadFrames(folder);
    const std::vector<std::string> names{"fluit",       "dreams", "magic-wood", "main-theme",
                                         "funny-dance", "comics", "comics-end"};
    ASSERT_EQ(frames.size(), names.size());
    for (const std::string& name : names) {
        const std::string path = "data/music/" + name + ".ogg";
        SCOPED_TRACE(path);
        ASSERT_TRUE(frames.contains(path));
        EXPECT_GE(frames.at(path), 60u * 44100);
        EXPECT_LE(frames.at(path), 120u * 44100);
        // Four bars of the theme are an eighth of its loop.
        if (name == "main-theme") {
            EXPECT_EQ(
                frames.at(path),
                8 * ReadFrames(MakeAudio("theme3", "track 3 4")).at("data/music/main-theme.ogg"));
        }
        CheckTrack(ReadFile(folder / path), frames.at(path), name == "main-theme" ? 12000 : 4000);
    }
}

}  // namespace
