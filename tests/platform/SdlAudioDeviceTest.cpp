#include "platform/sdl/SdlAudioDevice.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>

#include <unistd.h>

#include "platform/FileSystem.h"

namespace platform {
namespace {

// SDL's "disk" driver writes what the callback mixed into a file at the pace of a real card.
TEST(SdlAudioDeviceTest, PlaysThroughTheDiskDriver) {
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("vesk-sdl-audio-" + std::to_string(getpid()) + ".raw"))
                                 .string();
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", path.c_str(), 1);
    std::vector<uint8_t> written;
    {
        SdlAudioDevice device;
        ASSERT_TRUE(device.Opened()) << device.OpenError();
        auto voice = device.CreateBuffer(PcmFormat{1, 16, 22050}, 22050 * 2);
        ASSERT_NE(voice, nullptr);
        std::span<uint8_t> bytes = voice->Lock(0, voice->Size());
        for (size_t i = 0; i < bytes.size(); i += 2) {
            const int16_t value = (i / 2) % 50 < 25 ? 12000 : -12000;
            std::memcpy(&bytes[i], &value, 2);
        }
        voice->Play(true);
        // Bounded: the driver needs about 23 ms per block.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (fs::FileSize(path).value_or(0) < 64 * 1024 &&
               std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        voice.reset();
    }
    unsetenv("SDL_AUDIODRIVER");
    unsetenv("SDL_DISKAUDIOFILE");
    const auto file = fs::ReadWholeFile(path);
    fs::RemoveFile(path);
    ASSERT_TRUE(file.has_value());
    ASSERT_GE(file->size(), 64u * 1024);
    int loud = 0;
    for (size_t i = 0; i + 1 < file->size(); i += 2) {
        int16_t sample;
        std::memcpy(&sample, file->data() + i, 2);
        loud += sample == 12000 || sample == -12000;
    }
    EXPECT_GT(loud, 1000);
}

}  // namespace
}  // namespace platform
