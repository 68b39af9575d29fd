#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "platform/CrashDialogs.h"

namespace platform {

// Crash windows that nobody sees: every window is recorded and the player's answers are
// scripted. An unscripted window takes the answer that ends soonest: "Close Now", "Abort",
// Cancel; an unattended progress window presses "Abort" after kUnattendedLimitMs.
// Waits follow the active clock, so a fake clock drives the progress window.
class HeadlessCrashDialogs : public CrashDialogs {
public:
    struct ReportRecord {
        std::string header;
        std::string report;
        bool sendVisible = false;
        bool sendEnabled = false;
        std::vector<Button> buttons;
        ReportChoice choice = ReportChoice::Close;
    };

    struct RetryCancelRecord {
        std::string text;
        std::string title;
        int result = 0;
    };

    struct ProgressRecord {
        std::vector<std::string> texts;    // the first text, then each new one
        uint32_t waitedMs = 0;             // time spent waiting for the player
        std::vector<uint32_t> abortsAtMs;  // waited time when "Abort" was pressed
    };

    // Nobody watches a headless crash: "Abort" is pressed after this long of an unscripted
    // progress window, and again after each further period while it stays open.
    static constexpr uint32_t kUnattendedLimitMs = 10 * 60 * 1000;

    // Answers of the next windows of each kind, in order.
    void QueueReportChoice(ReportChoice choice) { mReportChoices.push_back(choice); }
    void QueueSubmitAnswer(SubmitAnswer answer) { mSubmitAnswers.push_back(std::move(answer)); }
    void QueueRetryCancel(int result) { mRetryCancelAnswers.push_back(result); }
    // The next progress window has "Abort" pressed once it has waited this long.
    void QueueProgressAbortAfter(uint32_t ms) { mProgressAborts.push_back(ms); }

    // Each window's kind in the order shown: "report", "submit", "progress", "retrycancel".
    const std::vector<std::string>& Sequence() const { return mSequence; }
    const std::vector<ReportRecord>& Reports() const { return mReports; }
    const std::vector<std::string>& SubmitHeaders() const { return mSubmitHeaders; }
    const std::vector<ProgressRecord>& Progresses() const { return mProgresses; }
    const std::vector<RetryCancelRecord>& RetryCancels() const { return mRetryCancels; }

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
    std::deque<ReportChoice> mReportChoices;
    std::deque<SubmitAnswer> mSubmitAnswers;
    std::deque<int> mRetryCancelAnswers;
    std::deque<uint32_t> mProgressAborts;

    std::vector<std::string> mSequence;
    std::vector<ReportRecord> mReports;
    std::vector<std::string> mSubmitHeaders;
    std::vector<ProgressRecord> mProgresses;
    std::vector<RetryCancelRecord> mRetryCancels;

    // When the running progress window has "Abort" pressed next.
    uint32_t mNextAbortMs = 0;
};

}  // namespace platform
