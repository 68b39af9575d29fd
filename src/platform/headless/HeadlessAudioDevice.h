#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "platform/AudioDevice.h"

namespace platform {

// An output that exists only in memory: it mixes when asked (Render), or follows the active
// clock, so tests and headless runs hear exactly what would have played.
// Threads: any; rendering and clock following take their own lock.
class HeadlessAudioDevice : public AudioDevice {
public:
    HeadlessAudioDevice() = default;
    // Writes the recording when one was asked for.
    ~HeadlessAudioDevice() override;

    std::string_view Name() const override { return "headless"; }

    // Mixes the next frames: left and right samples interleaved.
    std::vector<int16_t> Render(size_t frames);

    // When on, the time the active clock moved since the last look is rendered before a
    // voice's status or position is read (at most 10 s at once), so sounds end on time.
    void FollowClock(bool follow);

    // Keeps everything rendered from now on for a 44100 Hz 16-bit stereo WAV file at path,
    // written by WriteRecording or at destruction.
    void RecordTo(std::string path);
    // False when nothing was asked for or the file could not be written.
    bool WriteRecording();

protected:
    void CatchUp() override;

private:
    std::mutex mRenderLock;
    bool mFollowClock = false;     // guarded by mRenderLock
    uint32_t mLastTick = 0;        // guarded by mRenderLock
    uint64_t mFrameRemainder = 0;  // frames x 1000 not yet rendered; guarded by mRenderLock
    std::string mRecordPath;       // guarded by mRenderLock
    std::vector<int16_t> mRecording;
};

}  // namespace platform
