#include "platform/headless/HeadlessAudioDevice.h"

#include <algorithm>
#include <cstring>

#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "platform/SoundFormulas.h"

namespace platform {

namespace {

constexpr uint64_t kMostFramesAtOnce = 10 * sound::kOutputRate;

void PutU32(std::vector<uint8_t>& out, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
}

void PutU16(std::vector<uint8_t>& out, uint16_t value) {
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void PutTag(std::vector<uint8_t>& out, const char* tag) {
    out.insert(out.end(), tag, tag + 4);
}

}  // namespace

HeadlessAudioDevice::~HeadlessAudioDevice() {
    WriteRecording();
}

std::vector<int16_t> HeadlessAudioDevice::Render(size_t frames) {
    std::vector<int16_t> out(2 * frames);
    // No real-time thread waits on this mix, so streams may decode what they lack.
    MixBlock(out.data(), frames, AudioStream::FillMode::kOffline);
    std::lock_guard<std::mutex> lock(mRenderLock);
    if (!mRecordPath.empty()) {
        mRecording.insert(mRecording.end(), out.begin(), out.end());
    }
    return out;
}

void HeadlessAudioDevice::FollowClock(bool follow) {
    std::lock_guard<std::mutex> lock(mRenderLock);
    mFollowClock = follow;
    mLastTick = GetClock().TickMs();
    mFrameRemainder = 0;
}

void HeadlessAudioDevice::CatchUp() {
    uint64_t frames = 0;
    {
        std::lock_guard<std::mutex> lock(mRenderLock);
        if (!mFollowClock) {
            return;
        }
        const uint32_t now = GetClock().TickMs();
        const uint32_t elapsed = now - mLastTick;
        mLastTick = now;
        mFrameRemainder += uint64_t{elapsed} * sound::kOutputRate;
        frames = mFrameRemainder / 1000;
        mFrameRemainder %= 1000;
        frames = std::min(frames, kMostFramesAtOnce);
    }
    if (frames > 0) {
        Render(static_cast<size_t>(frames));
    }
}

void HeadlessAudioDevice::RecordTo(std::string path) {
    std::lock_guard<std::mutex> lock(mRenderLock);
    mRecordPath = std::move(path);
    mRecording.clear();
}

bool HeadlessAudioDevice::WriteRecording() {
    std::lock_guard<std::mutex> lock(mRenderLock);
    if (mRecordPath.empty()) {
        return false;
    }
    const uint32_t dataBytes = static_cast<uint32_t>(mRecording.size() * 2);
    std::vector<uint8_t> file;
    file.reserve(44 + dataBytes);
    PutTag(file, "RIFF");
    PutU32(file, 36 + dataBytes);
    PutTag(file, "WAVE");
    PutTag(file, "fmt ");
    PutU32(file, 16);
    PutU16(file, 1);
    PutU16(file, 2);
    PutU32(file, sound::kOutputRate);
    PutU32(file, sound::kOutputRate * 4);
    PutU16(file, 4);
    PutU16(file, 16);
    PutTag(file, "data");
    PutU32(file, dataBytes);
    for (int16_t sample : mRecording) {
        PutU16(file, static_cast<uint16_t>(sample));
    }
    return fs::WriteWholeFileAtomic(mRecordPath, file.data(), file.size());
}

}  // namespace platform
