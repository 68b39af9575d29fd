#include "util/MemoryLeakTracker.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "platform/Debug.h"
#include "platform/FileSystem.h"
#include "platform/Process.h"
#include "platform/headless/FakeClock.h"

namespace {

using Vesk::DumpMemoryLeaks;
using Vesk::MemoryLeakTracker;

const std::string kHyphens = "-----------------------------------------------------------\n";

// Runs each test in a fresh folder, since the report goes to the current one.
class MemoryLeakTrackerTest : public ::testing::Test {
protected:
    void SetUp() override {
        mOldFolder = platform::fs::CurrentDirectory();
        mFolder = (std::filesystem::temp_directory_path() /
                   ("vesk_leaks_" + std::to_string(platform::ProcessId())))
                      .string();
        platform::fs::RemoveTree(mFolder);
        ASSERT_TRUE(platform::fs::MakeDirectories(mFolder));
        ASSERT_TRUE(platform::fs::SetCurrentDirectory(mFolder));
        mClock->SetLocalTimeText("Tue Mar 05 14:07:09 2024");
        platform::SetDebugSink([this](std::string_view text) { mDebug += text; });
        MemoryLeakTracker::SetDumpAtExit(false);
        MemoryLeakTracker::Init();
    }

    void TearDown() override {
        MemoryLeakTracker::SetDumpAtExit(false);
        MemoryLeakTracker::Shutdown();
        platform::SetDebugSink({});
        platform::fs::SetCurrentDirectory(mOldFolder);
        platform::fs::RemoveTree(mFolder);
    }

    static std::optional<std::string> Report() {
        auto bytes = platform::fs::ReadWholeFile("mem_leaks.txt");
        if (!bytes) {
            return std::nullopt;
        }
        return std::string(bytes->begin(), bytes->end());
    }

    platform::ScopedFakeClock mClock;
    std::string mOldFolder;
    std::string mFolder;
    std::string mDebug;
};

TEST_F(MemoryLeakTrackerTest, EmptyTableReport) {
    DumpMemoryLeaks();
    const std::string expected = "Memory Leak Report for Tue Mar 05 14:07:09 2024\n\n" + kHyphens +
                                 "Total Unfreed: 0 bytes (0KB)\n\n";
    EXPECT_EQ(Report(), expected);
    EXPECT_EQ(mDebug, "\n" + expected);
}

TEST_F(MemoryLeakTrackerTest, RecordsInAddressOrderWithTotals) {
    MemoryLeakTracker::AddAllocation(0x3000, 2048, "big.cpp", 7);
    MemoryLeakTracker::AddAllocation(0x1000, 1, "file", 12);
    MemoryLeakTracker::AddAllocation(0x2000, 2, "two.cpp", 40);
    MemoryLeakTracker::AddAllocation(0x4000, 99, "freed.cpp", 1);
    MemoryLeakTracker::RemoveAllocation(0x4000);
    DumpMemoryLeaks();
    const std::string expected =
        "Memory Leak Report for Tue Mar 05 14:07:09 2024\n\n"
        "file(12) : Leak 1 byte\n"
        "two.cpp(40) : Leak 2 bytes\n"
        "big.cpp(7) : Leak 2048 bytes\n" +
        kHyphens + "Total Unfreed: 2051 bytes (2KB)\n\n";
    EXPECT_EQ(Report(), expected);
    EXPECT_EQ(mDebug, "\n" + expected);
}

TEST_F(MemoryLeakTrackerTest, TotalDoesNotWrap) {
    for (uintptr_t i = 1; i <= 3; ++i) {
        MemoryLeakTracker::AddAllocation(i, 0x40000000, "huge", 1);
    }
    DumpMemoryLeaks();
    const auto report = Report();
    ASSERT_TRUE(report);
    EXPECT_NE(report->find("Total Unfreed: 3221225472 bytes (3145728KB)\n"), std::string::npos);
}

TEST_F(MemoryLeakTrackerTest, LongFileNamesAreCut) {
    MemoryLeakTracker::AddAllocation(1, 4, std::string(300, 'f'), 3);
    DumpMemoryLeaks();
    const auto report = Report();
    ASSERT_TRUE(report);
    EXPECT_NE(report->find("\n" + std::string(260, 'f') + "(3) : Leak 4 bytes\n"),
              std::string::npos);
}

TEST_F(MemoryLeakTrackerTest, NothingOutsideTheAliveSpan) {
    MemoryLeakTracker::AddAllocation(1, 4, "a.cpp", 3);
    MemoryLeakTracker::Shutdown();
    EXPECT_FALSE(MemoryLeakTracker::IsAlive());
    MemoryLeakTracker::AddAllocation(2, 8, "late.cpp", 5);
    DumpMemoryLeaks();
    EXPECT_FALSE(Report());
    EXPECT_EQ(mDebug, "");

    // A new span starts from an empty table.
    MemoryLeakTracker::Init();
    DumpMemoryLeaks();
    const auto report = Report();
    ASSERT_TRUE(report);
    EXPECT_EQ(report->find(" : Leak"), std::string::npos);
}

TEST_F(MemoryLeakTrackerTest, ShutdownReportsOnlyWhenAsked) {
    MemoryLeakTracker::AddAllocation(1, 4, "a.cpp", 3);
    MemoryLeakTracker::Shutdown();
    EXPECT_FALSE(Report());

    MemoryLeakTracker::Init();
    MemoryLeakTracker::AddAllocation(1, 4, "a.cpp", 3);
    MemoryLeakTracker::SetDumpAtExit(true);
    MemoryLeakTracker::Shutdown();
    const auto report = Report();
    ASSERT_TRUE(report);
    EXPECT_NE(report->find("a.cpp(3) : Leak 4 bytes\n"), std::string::npos);
}

TEST_F(MemoryLeakTrackerTest, UnopenableReportIsSkipped) {
    ASSERT_TRUE(platform::fs::MakeDirectory("mem_leaks.txt"));
    MemoryLeakTracker::AddAllocation(1, 4, "a.cpp", 3);
    DumpMemoryLeaks();
    EXPECT_EQ(mDebug, "");
}

TEST_F(MemoryLeakTrackerTest, OutputDebugPrintfFormats) {
    Vesk::OutputDebugPrintf("%s=%d (%x)\n", "width", 640, 255u);
    EXPECT_EQ(mDebug, "width=640 (ff)\n");
}

}  // namespace
