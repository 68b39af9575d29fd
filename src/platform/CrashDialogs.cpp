#include "platform/CrashDialogs.h"

#include <algorithm>
#include <atomic>
#include <stdexcept>

#include "platform/Clock.h"
#include "platform/headless/HeadlessCrashDialogs.h"
#include "platform/sdl/SdlCrashDialogs.h"

namespace platform {

namespace {

// Dialog units of the window's layout: 8 pixels across.
constexpr int kUnit = 8;
constexpr int kButtonY = 268;
constexpr int kButtonHeight = 24;
// Two buttons share 49 units less a 2-unit gap; one button takes 48 units.
constexpr int kHalfWidth = (49 - 2) * kUnit / 2;
constexpr int kFullWidth = 48 * kUnit;

std::atomic<CrashDialogs*> gCrashDialogs{nullptr};
std::atomic<CrashDialogsMaker> gCrashDialogsMaker{nullptr};

// Not before the deadline; safe across the tick counter's wrap.
bool Due(uint32_t deadline, uint32_t now) {
    return static_cast<int32_t>(now - deadline) >= 0;
}

uint32_t Until(uint32_t deadline, uint32_t now) {
    return Due(deadline, now) ? 0 : deadline - now;
}

BackendKind EnvironmentBackend() {
    try {
        return ChooseBackendKind();
    } catch (const std::invalid_argument&) {
        // A crash is no time to argue about the environment: nobody may be watching.
        return BackendKind::Headless;
    }
}

}  // namespace

std::vector<CrashDialogs::Button> CrashDialogs::ReportButtons(bool sendVisible, bool sendEnabled) {
    if (!sendVisible) {
        return {Button{kCloseLabel, ReportChoice::Close, kUnit, kButtonY, kFullWidth, kButtonHeight,
                       true}};
    }
    return {Button{kSendLabel, ReportChoice::Send, kUnit, kButtonY, kHalfWidth, kButtonHeight,
                   sendEnabled},
            Button{kCloseLabel, ReportChoice::Close, kHalfWidth + 2 * kUnit, kButtonY, kHalfWidth,
                   kButtonHeight, true}};
}

CrashDialogs::ReportChoice CrashDialogs::Report(std::string_view header, std::string_view report,
                                                bool sendVisible, bool sendEnabled) {
    const ReportChoice choice = ShowReport(header, report, sendVisible, sendEnabled);
    return choice == ReportChoice::Send && sendVisible && sendEnabled ? ReportChoice::Send
                                                                      : ReportChoice::Close;
}

CrashDialogs::SubmitAnswer CrashDialogs::Submit(std::string_view header) {
    SubmitAnswer answer = ShowSubmit(header);
    if (!answer.proceed) {
        answer.userText.clear();
    } else if (answer.userText.size() > kMaxUserText) {
        answer.userText.resize(kMaxUserText);
    }
    return answer;
}

void CrashDialogs::Progress(std::string_view text, ProgressHandler& handler) {
    Clock& clock = GetClock();
    BeginProgress(text);
    uint32_t now = clock.TickMs();
    uint32_t nextPoll = now + kPollPeriodMs;
    uint32_t nextTick = now + kTickPeriodMs;
    for (;;) {
        now = clock.TickMs();
        if (WaitProgress(std::min(Until(nextPoll, now), Until(nextTick, now)))) {
            handler.Abort();
        }
        now = clock.TickMs();
        // A late timer fires once, not once per missed period.
        if (Due(nextTick, now)) {
            nextTick = now + kTickPeriodMs;
            const std::string newText = handler.Tick();
            SetProgressText(newText);
        }
        if (Due(nextPoll, now)) {
            nextPoll = now + kPollPeriodMs;
            if (!handler.Poll()) {
                break;
            }
        }
    }
    EndProgress();
}

int CrashDialogs::RetryCancel(std::string_view text, std::string_view title) {
    return ShowRetryCancel(text, title) == kRetry ? kRetry : kCancel;
}

CrashDialogs& GetCrashDialogs() {
    if (CrashDialogs* dialogs = gCrashDialogs.load()) {
        return *dialogs;
    }
    // Made once and never destroyed: a fault late in the exit still finds them.
    static CrashDialogs* const fallback = MakeCrashDialogs(EnvironmentBackend()).release();
    return *fallback;
}

void SetCrashDialogs(CrashDialogs* dialogs) {
    gCrashDialogs.store(dialogs);
}

std::unique_ptr<CrashDialogs> MakeCrashDialogs(BackendKind kind) {
    if (const CrashDialogsMaker maker = gCrashDialogsMaker.load()) {
        if (std::unique_ptr<CrashDialogs> dialogs = maker(kind)) {
            return dialogs;
        }
    }
    return MakeBackendCrashDialogs(kind);
}

void SetCrashDialogsMaker(CrashDialogsMaker maker) {
    gCrashDialogsMaker.store(maker);
}

std::unique_ptr<CrashDialogs> MakeBackendCrashDialogs(BackendKind kind) {
    switch (kind) {
        case BackendKind::Sdl:
            return std::make_unique<SdlCrashDialogs>();
        case BackendKind::Headless:
            return std::make_unique<HeadlessCrashDialogs>();
    }
    return std::make_unique<HeadlessCrashDialogs>();
}

}  // namespace platform
