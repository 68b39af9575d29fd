#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/CrashDialogs.h"

struct SDL_Window;

namespace platform {

// Crash windows on the real desktop: the crash window, the description window and the
// Retry / Cancel box are SDL message boxes; the progress window is a small window of its own
// whose title carries the text (SDL draws no text) and whose one button is "Abort".
//
// A message box has no text field, so the description window offers "Continue" and "Abort"
// only, and "Continue" goes on without a description.
class SdlCrashDialogs : public CrashDialogs {
public:
    // The crash window shows at most this many lines of the report, so that it fits the screen;
    // the whole report is in "crash.txt".
    static constexpr int kMaxReportLines = 40;

    SdlCrashDialogs() = default;
    ~SdlCrashDialogs() override;

    // The report as the crash window shows it: line breaks of the report's own kind, and at
    // most kMaxReportLines lines with "..." after a cut.
    static std::string ReportForDisplay(std::string_view report);

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
    void DrawProgress();

    SDL_Window* mProgressWindow = nullptr;
    uint32_t mProgressWindowId = 0;
    bool mStartedVideo = false;
    bool mButtonHeld = false;
};

}  // namespace platform
