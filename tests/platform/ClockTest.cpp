#include "platform/Clock.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "platform/Debug.h"
#include "platform/Process.h"
#include "platform/headless/FakeClock.h"

namespace {

using namespace platform;

TEST(Clock, SystemClockIsMonotonicAndSleeps) {
    Clock& clock = GetClock();
    uint32_t start = clock.TickMs();
    int64_t hiStart = clock.HiResTicks();
    clock.SleepMs(5);
    EXPECT_GE(static_cast<uint32_t>(clock.TickMs() - start), 4u);
    EXPECT_GE(clock.HiResTicks() - hiStart, clock.HiResFrequency() / 1000 * 4);
    EXPECT_EQ(clock.LocalTimeText().size(), 24u);
}

TEST(Clock, FakeClockReplacesTheActiveClockAndWraps) {
    {
        ScopedFakeClock fake(0xFFFFFFF0u);
        EXPECT_EQ(GetClock().TickMs(), 0xFFFFFFF0u);
        GetClock().SleepMs(0x20);
        EXPECT_EQ(GetClock().TickMs(), 0x10u);  // wrapped like a 32-bit tick count
        fake->Advance(5);
        EXPECT_EQ(GetClock().HiResTicks(), 0x15 * 1000);
    }
    EXPECT_EQ(dynamic_cast<FakeClock*>(&GetClock()), nullptr);
}

TEST(Debug, SinkCapturesAndRestores) {
    std::vector<std::string> lines;
    SetDebugSink([&](std::string_view text) { lines.emplace_back(text); });
    DebugOutput("hello\n");
    SetDebugSink({});
    DebugOutput("dropped\n");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "hello\n");
}

TEST(Process, ExitHandlerSeesTheCodeAndFoldersEndWithSlash) {
    struct Exited {
        int code;
    };
    SetExitHandler([](int code) { throw Exited{code}; });
    try {
        ExitProcess(3);
    } catch (const Exited& e) {
        EXPECT_EQ(e.code, 3);
    }
    SetExitHandler({});
    EXPECT_EQ(DataHomeFolder().back(), '/');
    EXPECT_EQ(ConfigHomeFolder().back(), '/');
    EXPECT_FALSE(ProgramPath().empty());
}

}  // namespace
