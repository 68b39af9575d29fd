#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>

#include "platform/PixelWindow.h"

struct SDL_Window;
union SDL_Event;

namespace platform {

// A plain SDL window drawn through its window surface: no graphics driver to load, which
// matters after a crash. Starts SDL's video when nobody has, and stops it again when it goes.
class SdlPixelWindow : public PixelWindow {
public:
    // Null when SDL's video or the window cannot be made.
    static std::unique_ptr<SdlPixelWindow> Make(const Params& params);
    ~SdlPixelWindow() override;

    Size ClientSize() const override { return mSize; }
    void Present(const uint32_t* pixels, int32_t pitch) override;
    std::optional<Message> WaitMessage(uint32_t ms) override;

    // SDL's id of the window, for tests that feed it events.
    uint32_t SdlWindowId() const { return mSdlId; }

private:
    SdlPixelWindow() = default;
    void Translate(const SDL_Event& event);

    SDL_Window* mWindow = nullptr;
    uint32_t mSdlId = 0;
    Size mSize;
    bool mStartedVideo = false;
    uintptr_t mHeldButtons = 0;
    std::deque<Message> mPending;
};

}  // namespace platform
