#include "platform/headless/HeadlessCrashDialogs.h"

#include <algorithm>

#include "platform/Clock.h"

namespace platform {

CrashDialogs::ReportChoice HeadlessCrashDialogs::ShowReport(std::string_view header,
                                                            std::string_view report,
                                                            bool sendVisible, bool sendEnabled) {
    mSequence.emplace_back("report");
    ReportRecord record;
    record.header = std::string(header);
    record.report = std::string(report);
    record.sendVisible = sendVisible;
    record.sendEnabled = sendEnabled;
    record.buttons = ReportButtons(sendVisible, sendEnabled);
    if (!mReportChoices.empty()) {
        record.choice = mReportChoices.front();
        mReportChoices.pop_front();
    }
    // Only a button that is there and enabled can be pressed.
    if (record.choice == ReportChoice::Send && !(sendVisible && sendEnabled)) {
        record.choice = ReportChoice::Close;
    }
    mReports.push_back(record);
    return record.choice;
}

CrashDialogs::SubmitAnswer HeadlessCrashDialogs::ShowSubmit(std::string_view header) {
    mSequence.emplace_back("submit");
    mSubmitHeaders.emplace_back(header);
    if (mSubmitAnswers.empty()) {
        return SubmitAnswer{};
    }
    SubmitAnswer answer = std::move(mSubmitAnswers.front());
    mSubmitAnswers.pop_front();
    return answer;
}

int HeadlessCrashDialogs::ShowRetryCancel(std::string_view text, std::string_view title) {
    mSequence.emplace_back("retrycancel");
    int result = kCancel;
    if (!mRetryCancelAnswers.empty()) {
        result = mRetryCancelAnswers.front();
        mRetryCancelAnswers.pop_front();
    }
    mRetryCancels.push_back(RetryCancelRecord{std::string(text), std::string(title), result});
    return result;
}

void HeadlessCrashDialogs::BeginProgress(std::string_view text) {
    mSequence.emplace_back("progress");
    ProgressRecord record;
    record.texts.emplace_back(text);
    mProgresses.push_back(record);
    mNextAbortMs = kUnattendedLimitMs;
    if (!mProgressAborts.empty()) {
        mNextAbortMs = mProgressAborts.front();
        mProgressAborts.pop_front();
    }
}

void HeadlessCrashDialogs::SetProgressText(std::string_view text) {
    if (!mProgresses.empty()) {
        mProgresses.back().texts.emplace_back(text);
    }
}

bool HeadlessCrashDialogs::WaitProgress(uint32_t ms) {
    if (mProgresses.empty()) {
        return false;
    }
    ProgressRecord& record = mProgresses.back();
    const uint32_t step = std::min(ms, mNextAbortMs - std::min(mNextAbortMs, record.waitedMs));
    GetClock().SleepMs(step);
    record.waitedMs += step;
    if (record.waitedMs < mNextAbortMs) {
        return false;
    }
    record.abortsAtMs.push_back(record.waitedMs);
    mNextAbortMs = record.waitedMs + kUnattendedLimitMs;
    return true;
}

void HeadlessCrashDialogs::EndProgress() {}

}  // namespace platform
