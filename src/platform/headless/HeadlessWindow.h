#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "platform/Window.h"

namespace platform {

class HeadlessWindowSystem;

// A window that exists only in memory. It keeps what was done to it for
// tests to read, and tells its system about changes that a desktop would
// answer with messages (activation, minimising).
class HeadlessWindow : public Window {
public:
    // Frame around a captioned window's client area, in pixels.
    struct Frame {
        int32_t left = 0;
        int32_t top = 0;
        int32_t right = 0;
        int32_t bottom = 0;
    };

    HeadlessWindow(HeadlessWindowSystem& system, WindowId id, const WindowParams& params,
                   Frame frame);

    void Show(ShowCommand command) override;
    bool IsVisible() const override { return mVisible; }
    void SetForeground() override;
    void SetFocus() override;
    void SetTitle(std::string_view title) override { mTitle = title; }
    std::string Title() const override { return mTitle; }
    void SetPosition(Point outer) override;
    Size ClientSize() const override { return mClientSize; }
    bool SetClientSize(Size client) override;
    Placement GetPlacement() const override;
    Point ClientToScreen(Point client) const override;
    Point ScreenToClient(Point screen) const override;
    void SetIcon(int32_t width, int32_t height, const uint32_t* argb) override;

    // Records.
    Point Position() const { return Point{mX.load(), mY.load()}; }
    bool IsMinimized() const { return mState == ShowState::Minimized; }
    bool IsMaximized() const { return mState == ShowState::Maximized; }
    const std::vector<ShowCommand>& ShowHistory() const { return mShowHistory; }
    int ForegroundCount() const { return mForegroundCount; }
    int FocusCount() const { return mFocusCount; }
    Size IconSize() const { return mIconSize; }

    // For the system's scripted window events.
    void SetShowState(ShowState state) { mState = state; }
    void SetVisible(bool visible) { mVisible = visible; }

private:
    HeadlessWindowSystem& mSystem;
    std::string mTitle;
    Size mClientSize;
    Frame mFrame;
    // Read by the cursor thread through the conversions.
    std::atomic<int32_t> mX;
    std::atomic<int32_t> mY;
    bool mVisible = false;
    ShowState mState = ShowState::Normal;
    std::vector<ShowCommand> mShowHistory;
    int mForegroundCount = 0;
    int mFocusCount = 0;
    Size mIconSize;
};

}  // namespace platform
