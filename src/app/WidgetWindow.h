#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "graphics/DDImage.h"
#include "platform/PixelWindow.h"
#include "widgets/WidgetHost.h"
#include "widgets/WidgetManager.h"

namespace platform {
class TextSystem;
}  // namespace platform

namespace Vesk {

class Font;
class TextPane;

// A small window of its own whose face is a widget tree: the widgets draw into a memory
// picture that the window shows, and the window's input reaches them through a manager of
// their own. It needs no application, so the crash windows and the demo dialogs can use it.
// Runs on the thread that made it.
class WidgetWindow : public WidgetHost {
public:
    static constexpr uint32_t kStepMs = 10;

    // The window's fonts come from the process's text system, or from one of the window's own
    // when the process has none (a crash before or after the application lived).
    explicit WidgetWindow(std::unique_ptr<platform::PixelWindow> window);
    ~WidgetWindow() override;

    WidgetManager& Manager() { return mManager; }
    DDImage& Screen() { return mScreen; }
    // A system font at 96 dots per inch; never null.
    std::unique_ptr<Font> MakeFont(const std::string& face, int pointSize, bool bold);

    // Sees every key press before the widgets; true keeps it from them.
    std::function<bool(int key)> mKeyFilter;

    // One turn: waits at most ms for input, hands over all that came, updates the widgets and
    // shows them when something changed. False once the window was asked to close.
    bool Step(uint32_t ms);
    // Turns until done says so (true) or the window is asked to close (false, unless done says
    // so by then).
    bool RunUntil(const std::function<bool()>& done);

    // WidgetHost: fonts from the text system; a clipboard of the window's own, since the
    // desktop's cannot be trusted after a crash.
    std::unique_ptr<Font> CreateSystemFont(const std::string& face, int pointSize,
                                           int charSet) override;
    void CopyToClipboard(const std::string& text) override { mClipboard = text; }
    std::string GetClipboard() override { return mClipboard; }

private:
    void Deliver(const platform::Message& message);
    void Show();

    std::unique_ptr<platform::PixelWindow> mWindow;
    std::unique_ptr<platform::TextSystem> mOwnTextSystem;
    platform::TextSystem* mTextSystem;
    // Drawn in memory only, never on the application's display, which may be gone or broken.
    DDImage mScreen{nullptr};
    WidgetManager mManager{nullptr};
    std::unique_ptr<TextPane> mBackground;
    std::string mClipboard;
    bool mCloseRequested = false;
};

}  // namespace Vesk
