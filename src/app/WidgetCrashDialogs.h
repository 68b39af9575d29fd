#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/CrashDialogs.h"
#include "platform/PixelWindow.h"

namespace Vesk {

class WidgetWindow;
class TextPane;
class DialogButton;

// The crash windows drawn with the toolkit's widgets in windows of their own, so that the
// player can type a description. Where no window can be shown, the backend's own windows
// stand in.
class WidgetCrashDialogs : public platform::CrashDialogs {
public:
    using WindowMaker =
        std::function<std::unique_ptr<platform::PixelWindow>(const platform::PixelWindow::Params&)>;

    // fallback may be null: a window that cannot be shown then takes the answer that ends
    // soonest.
    WidgetCrashDialogs(WindowMaker makeWindow, std::unique_ptr<platform::CrashDialogs> fallback);
    ~WidgetCrashDialogs() override;

    // The sdl backend's crash windows become these.
    static void Register();
    // These windows on the backend's desktop; null for backends without one.
    static std::unique_ptr<platform::CrashDialogs> MakeForBackend(platform::BackendKind kind);

protected:
    ReportChoice ShowReport(std::string_view header, std::string_view report, bool sendVisible,
                            bool sendEnabled) override;
    SubmitAnswer ShowSubmit(std::string_view header) override;
    int ShowRetryCancel(std::string_view text, std::string_view title) override;
    void BeginProgress(std::string_view text) override;
    void SetProgressText(std::string_view text) override;
    bool WaitProgress(uint32_t ms) override;
    void EndProgress() override;

private:
    struct Progress;

    std::unique_ptr<WidgetWindow> OpenWindow(std::string_view title, int x, int y, int width,
                                             int height);

    WindowMaker mMakeWindow;
    std::unique_ptr<platform::CrashDialogs> mFallback;
    std::unique_ptr<Progress> mProgress;
};

}  // namespace Vesk
