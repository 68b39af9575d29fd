#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Backend.h"
#include "platform/WindowSystem.h"

namespace platform {

// The crash windows: small windows of their own for the time after a fault, when neither the
// game's display nor its widgets can be trusted. Each call runs its own event loop on the
// calling (crashing) thread and returns once the player has answered. Texts are Windows-1252.
class CrashDialogs {
public:
    enum class ReportChoice { Send, Close };

    struct SubmitAnswer {
        bool proceed = false;  // Continue; false for Abort or a closed window
        std::string userText;  // the player's description, at most kMaxUserText bytes
    };

    // What the progress window drives. All calls come on the thread running the window.
    class ProgressHandler {
    public:
        virtual ~ProgressHandler() = default;
        // Every kPollPeriodMs; false closes the window.
        virtual bool Poll() = 0;
        // Every kTickPeriodMs; the window's new text.
        virtual std::string Tick() = 0;
        // The player pressed Abort or closed the window; it stays until Poll ends it.
        virtual void Abort() = 0;
    };

    // A crash window button, in client pixels of the window's 400 by 300 client area.
    struct Button {
        std::string_view label;
        ReportChoice choice;
        int x = 0;
        int y = 0;
        int width = 0;
        int height = 0;
        bool enabled = true;
    };

    static constexpr size_t kMaxUserText = 8192;
    static constexpr uint32_t kPollPeriodMs = 20;
    static constexpr uint32_t kTickPeriodMs = 1000;
    static constexpr int kRetry = mb::IdRetry;
    static constexpr int kCancel = mb::IdCancel;

    static constexpr std::string_view kReportTitle = "Fatal Error!";
    static constexpr std::string_view kSubmitTitle = "Error Details";
    static constexpr std::string_view kProgressTitle = "Submitting Report";
    static constexpr std::string_view kSendLabel = "Send Report";
    static constexpr std::string_view kCloseLabel = "Close Now";
    static constexpr std::string_view kContinueLabel = "Continue";
    static constexpr std::string_view kAbortLabel = "Abort";

    CrashDialogs() = default;
    virtual ~CrashDialogs() = default;
    CrashDialogs(const CrashDialogs&) = delete;
    CrashDialogs& operator=(const CrashDialogs&) = delete;

    // The crash window's buttons, left to right: "Send Report" (when visible) beside
    // "Close Now", or "Close Now" alone across the window.
    static std::vector<Button> ReportButtons(bool sendVisible, bool sendEnabled);

    // The crash window with its header and the report. Closing it counts as "Close Now"; a
    // hidden or disabled "Send Report" is never the answer.
    ReportChoice Report(std::string_view header, std::string_view report, bool sendVisible,
                        bool sendEnabled);
    // The description window: "Continue" with the player's text, or "Abort".
    SubmitAnswer Submit(std::string_view header);
    // The progress window: shows the text and an "Abort" button, runs the handler's poll and
    // tick on their periods of the active clock, and returns once the poll ends it.
    void Progress(std::string_view text, ProgressHandler& handler);
    // A Retry / Cancel box: kRetry or kCancel. A box that cannot be shown answers kCancel.
    int RetryCancel(std::string_view text, std::string_view title);

protected:
    virtual ReportChoice ShowReport(std::string_view header, std::string_view report,
                                    bool sendVisible, bool sendEnabled) = 0;
    virtual SubmitAnswer ShowSubmit(std::string_view header) = 0;
    virtual int ShowRetryCancel(std::string_view text, std::string_view title) = 0;

    // The progress window's pieces: Progress calls them in this order.
    virtual void BeginProgress(std::string_view text) = 0;
    virtual void SetProgressText(std::string_view text) = 0;
    // Waits at most ms for the player; true when Abort was pressed or the window closed.
    virtual bool WaitProgress(uint32_t ms) = 0;
    virtual void EndProgress() = 0;
};

// The crash windows of the process: the ones set, else those of the environment's backend
// (made on first use and kept for the life of the process).
CrashDialogs& GetCrashDialogs();
// nullptr goes back to the environment's backend. The caller keeps ownership.
void SetCrashDialogs(CrashDialogs* dialogs);

// The crash windows for a backend: the maker's when one is set and it makes some, else the
// backend's own.
std::unique_ptr<CrashDialogs> MakeCrashDialogs(BackendKind kind);
// The backend's own crash windows, whatever maker is set.
std::unique_ptr<CrashDialogs> MakeBackendCrashDialogs(BackendKind kind);

// Lets a higher layer offer crash windows of its own; null goes back to the backend's.
using CrashDialogsMaker = std::unique_ptr<CrashDialogs> (*)(BackendKind kind);
void SetCrashDialogsMaker(CrashDialogsMaker maker);

}  // namespace platform
