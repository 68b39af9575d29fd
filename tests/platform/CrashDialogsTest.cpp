#include "platform/CrashDialogs.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "platform/headless/FakeClock.h"
#include "platform/headless/HeadlessCrashDialogs.h"
#include "platform/sdl/SdlCrashDialogs.h"

namespace platform {
namespace {

using ReportChoice = CrashDialogs::ReportChoice;

// Records when the window polls and ticks; its poll ends the window when asked to.
class RecordingHandler : public CrashDialogs::ProgressHandler {
public:
    explicit RecordingHandler(FakeClock& clock) : mClock(clock) {}

    bool Poll() override {
        mPolls.push_back(mClock.TickMs() - mStart);
        return !mEndWhen(*this);
    }
    std::string Tick() override {
        mTicks.push_back(mClock.TickMs() - mStart);
        return "tick " + std::to_string(mTicks.size());
    }
    void Abort() override { mAborts.push_back(mClock.TickMs() - mStart); }

    FakeClock& mClock;
    uint32_t mStart = mClock.TickMs();
    std::function<bool(const RecordingHandler&)> mEndWhen = [](const RecordingHandler&) {
        return false;
    };
    std::vector<uint32_t> mPolls;
    std::vector<uint32_t> mTicks;
    std::vector<uint32_t> mAborts;
};

TEST(CrashDialogsTest, ReportButtonsShareTheRowOrCloseTakesItAll) {
    const auto alone = CrashDialogs::ReportButtons(false, true);
    ASSERT_EQ(alone.size(), 1u);
    EXPECT_EQ(alone[0].label, "Close Now");
    EXPECT_EQ(alone[0].choice, ReportChoice::Close);
    EXPECT_EQ(alone[0].x, 8);
    EXPECT_EQ(alone[0].y, 268);
    EXPECT_EQ(alone[0].width, 384);
    EXPECT_EQ(alone[0].height, 24);

    const auto pair = CrashDialogs::ReportButtons(true, false);
    ASSERT_EQ(pair.size(), 2u);
    EXPECT_EQ(pair[0].label, "Send Report");
    EXPECT_FALSE(pair[0].enabled);
    EXPECT_EQ(pair[0].x, 8);
    EXPECT_EQ(pair[0].width, 188);
    EXPECT_EQ(pair[1].label, "Close Now");
    EXPECT_TRUE(pair[1].enabled);
    EXPECT_EQ(pair[1].x, 204);
    EXPECT_EQ(pair[1].width, 188);
    EXPECT_EQ(pair[1].y, 268);
    EXPECT_TRUE(CrashDialogs::ReportButtons(true, true)[0].enabled);
}

TEST(CrashDialogsTest, AnswersAreLimitedToWhatTheWindowsOffer) {
    HeadlessCrashDialogs dialogs;
    // Send needs a visible, enabled button.
    dialogs.QueueReportChoice(ReportChoice::Send);
    EXPECT_EQ(dialogs.Report("h", "r", false, true), ReportChoice::Close);
    dialogs.QueueReportChoice(ReportChoice::Send);
    EXPECT_EQ(dialogs.Report("h", "r", true, false), ReportChoice::Close);
    dialogs.QueueReportChoice(ReportChoice::Send);
    EXPECT_EQ(dialogs.Report("h", "r", true, true), ReportChoice::Send);
    // Unscripted: the answer that ends soonest.
    EXPECT_EQ(dialogs.Report("h", "r", true, true), ReportChoice::Close);
    ASSERT_EQ(dialogs.Reports().size(), 4u);
    EXPECT_EQ(dialogs.Reports()[0].buttons.size(), 1u);
    EXPECT_EQ(dialogs.Reports()[2].header, "h");
    EXPECT_EQ(dialogs.Reports()[2].report, "r");

    // The description is cut to 8192 bytes; Abort carries none.
    dialogs.QueueSubmitAnswer({true, std::string(9000, 'a')});
    dialogs.QueueSubmitAnswer({false, "ignored"});
    const auto cut = dialogs.Submit("header");
    EXPECT_TRUE(cut.proceed);
    EXPECT_EQ(cut.userText, std::string(CrashDialogs::kMaxUserText, 'a'));
    const auto aborted = dialogs.Submit("header");
    EXPECT_FALSE(aborted.proceed);
    EXPECT_EQ(aborted.userText, "");
    EXPECT_FALSE(dialogs.Submit("header").proceed);

    // Only Retry and Cancel come back.
    dialogs.QueueRetryCancel(CrashDialogs::kRetry);
    dialogs.QueueRetryCancel(mb::IdOk);
    EXPECT_EQ(dialogs.RetryCancel("t", "T"), CrashDialogs::kRetry);
    EXPECT_EQ(dialogs.RetryCancel("t", "T"), CrashDialogs::kCancel);
    EXPECT_EQ(dialogs.RetryCancel("t", "T"), CrashDialogs::kCancel);
    EXPECT_EQ(dialogs.RetryCancels()[0].title, "T");

    const std::vector<std::string> expected{"report",      "report",     "report", "report",
                                            "submit",      "submit",     "submit", "retrycancel",
                                            "retrycancel", "retrycancel"};
    EXPECT_EQ(dialogs.Sequence(), expected);
}

TEST(CrashDialogsTest, ProgressPollsEvery20MsAndTicksEverySecondAcrossTheClockWrap) {
    ScopedFakeClock clock(0xFFFFFC00u);
    HeadlessCrashDialogs dialogs;
    RecordingHandler handler(*clock);
    handler.mEndWhen = [](const RecordingHandler& h) { return h.mPolls.back() >= 2500; };
    dialogs.Progress("start", handler);

    ASSERT_EQ(handler.mPolls.size(), 125u);
    for (size_t i = 0; i < handler.mPolls.size(); ++i) {
        EXPECT_EQ(handler.mPolls[i], 20 * (i + 1));
    }
    EXPECT_EQ(handler.mTicks, (std::vector<uint32_t>{1000, 2000}));
    EXPECT_TRUE(handler.mAborts.empty());
    ASSERT_EQ(dialogs.Progresses().size(), 1u);
    EXPECT_EQ(dialogs.Progresses()[0].texts,
              (std::vector<std::string>{"start", "tick 1", "tick 2"}));
}

TEST(CrashDialogsTest, ProgressAbortIsScriptedOrPressedForAnUnattendedWindow) {
    ScopedFakeClock clock(5000);
    HeadlessCrashDialogs dialogs;
    dialogs.QueueProgressAbortAfter(130);
    {
        // The window stays until the poll ends it, a little after the Abort.
        RecordingHandler handler(*clock);
        handler.mEndWhen = [](const RecordingHandler& h) {
            return !h.mAborts.empty() && h.mPolls.back() >= h.mAborts.front() + 40;
        };
        dialogs.Progress("a", handler);
        EXPECT_EQ(handler.mAborts, (std::vector<uint32_t>{130}));
        EXPECT_EQ(handler.mPolls.back(), 180u);
    }
    {
        // A poll that only ends after Abort: nobody is there, so Abort comes by itself.
        RecordingHandler handler(*clock);
        handler.mEndWhen = [](const RecordingHandler& h) { return !h.mAborts.empty(); };
        dialogs.Progress("b", handler);
        EXPECT_EQ(handler.mAborts,
                  (std::vector<uint32_t>{HeadlessCrashDialogs::kUnattendedLimitMs}));
    }
    EXPECT_EQ(dialogs.Progresses()[1].abortsAtMs,
              (std::vector<uint32_t>{HeadlessCrashDialogs::kUnattendedLimitMs}));
}

TEST(CrashDialogsTest, TheSetCrashDialogsServeTheProcess) {
    HeadlessCrashDialogs dialogs;
    SetCrashDialogs(&dialogs);
    EXPECT_EQ(&GetCrashDialogs(), &dialogs);
    SetCrashDialogs(nullptr);
    EXPECT_NE(&GetCrashDialogs(), &dialogs);
}

TEST(CrashDialogsTest, TheReportFitsTheScreenOnTheDesktop) {
    EXPECT_EQ(SdlCrashDialogs::ReportForDisplay("a\r\nb\r\n\r\nc"), "a\nb\n\nc");
    std::string longReport;
    for (int i = 0; i < 100; ++i) {
        longReport += "line " + std::to_string(i) + "\r\n";
    }
    const std::string shown = SdlCrashDialogs::ReportForDisplay(longReport);
    EXPECT_EQ(shown.rfind("line 39\n...\n"), shown.size() - 12);
    EXPECT_EQ(shown.find("line 40"), std::string::npos);
}

// Opens a real window: needs a display (the CI runs it under Xvfb).
TEST(CrashDialogsTest, TheDesktopProgressWindowComesAndGoes) {
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || display[0] == '\0') {
        GTEST_SKIP() << "no display";
    }
    setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 0);
    const bool videoBefore = SDL_WasInit(SDL_INIT_VIDEO) != 0;

    class CountingHandler : public CrashDialogs::ProgressHandler {
    public:
        bool Poll() override { return ++mPolls < 15; }
        std::string Tick() override { return "Please Wait ."; }
        void Abort() override { ++mAborts; }
        int mPolls = 0;
        int mAborts = 0;
    } handler;
    SdlCrashDialogs dialogs;
    dialogs.Progress("Please Wait", handler);
    EXPECT_EQ(handler.mPolls, 15);
    EXPECT_EQ(handler.mAborts, 0);
    // Video started for the window is stopped with it.
    EXPECT_EQ(SDL_WasInit(SDL_INIT_VIDEO) != 0, videoBefore);
}

}  // namespace
}  // namespace platform
