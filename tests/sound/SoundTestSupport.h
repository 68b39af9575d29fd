#pragma once

// Shared pieces of the sound tests: little files made on the spot, a scratch folder that is
// the working and the data folder, and the encoder program for Ogg and MP3 fixtures.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

#include "platform/FileSystem.h"
#include "util/CommonSystem.h"

namespace soundtest {

inline void Put16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
inline void Put32(std::vector<uint8_t>& out, uint32_t v) {
    Put16(out, static_cast<uint16_t>(v));
    Put16(out, static_cast<uint16_t>(v >> 16));
}
inline void Put32Big(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 3; i >= 0; --i) {
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
}

// A chunk with a size that may lie.
inline std::vector<uint8_t> Chunk(const char* id, const std::vector<uint8_t>& body,
                                  int64_t statedSize = -1) {
    std::vector<uint8_t> out(id, id + 4);
    Put32(out,
          statedSize >= 0 ? static_cast<uint32_t>(statedSize) : static_cast<uint32_t>(body.size()));
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

inline std::vector<uint8_t> Fmt(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits,
                                size_t size = 16) {
    std::vector<uint8_t> out;
    Put16(out, tag);
    Put16(out, channels);
    Put32(out, rate);
    Put32(out, rate * channels * bits / 8);
    Put16(out, static_cast<uint16_t>(channels * bits / 8));
    Put16(out, bits);
    out.resize(size);
    return out;
}

inline std::vector<uint8_t> Riff(const std::vector<std::vector<uint8_t>>& chunks) {
    std::vector<uint8_t> out = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
    for (const auto& chunk : chunks) {
        out.insert(out.end(), chunk.begin(), chunk.end());
    }
    return out;
}

inline std::vector<uint8_t> Au(uint32_t encoding, uint32_t channels, uint32_t rate,
                               const std::vector<uint8_t>& data, uint32_t statedSize) {
    std::vector<uint8_t> out = {'.', 's', 'n', 'd'};
    Put32Big(out, 24);
    Put32Big(out, statedSize);
    Put32Big(out, encoding);
    Put32Big(out, rate);
    Put32Big(out, channels);
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

inline void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    platform::fs::MakeDirectories(std::filesystem::path(path).parent_path().string());
    ASSERT_TRUE(platform::fs::WriteWholeFileAtomic(path, bytes.data(), bytes.size()));
}

inline std::vector<uint8_t> ReadFile(const std::string& path) {
    return platform::fs::ReadWholeFile(path).value_or(std::vector<uint8_t>{});
}

// A sine tone encoded by Debian's encoders; empty when the encoder program is missing.
inline std::vector<uint8_t> Encode(const std::string& kind, const std::string& path, int channels,
                                   int rate, int frames, int hz = 440) {
#ifdef VESK_SOUND_FIXTURE_TOOL
    const std::string command = std::string(VESK_SOUND_FIXTURE_TOOL) + " " + kind + " '" + path +
                                "' " + std::to_string(channels) + " " + std::to_string(rate) + " " +
                                std::to_string(frames) + " " + std::to_string(hz);
    if (std::system(command.c_str()) != 0) {
        return {};
    }
    return ReadFile(path);
#else
    (void)kind, (void)path, (void)channels, (void)rate, (void)frames, (void)hz;
    return {};
#endif
}

// A fresh folder that is both the working folder and the data folder for one test.
class ScratchFolder {
public:
    ScratchFolder() {
        static int counter = 0;
        mRoot = (std::filesystem::temp_directory_path() /
                 ("vesk-sound-" + std::to_string(getpid()) + "-" + std::to_string(++counter)))
                    .string();
        std::filesystem::create_directories(mRoot);
        mOldDirectory = platform::fs::CurrentDirectory();
        platform::fs::SetCurrentDirectory(mRoot);
        Vesk::SetAppDataFolder(mRoot + "/data/");
    }
    ~ScratchFolder() {
        Vesk::SetAppDataFolder("");
        platform::fs::SetCurrentDirectory(mOldDirectory);
        std::filesystem::remove_all(mRoot);
    }
    const std::string& Root() const { return mRoot; }

private:
    std::string mRoot;
    std::string mOldDirectory;
};

}  // namespace soundtest
