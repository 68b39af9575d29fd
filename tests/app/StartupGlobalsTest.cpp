// The process globals: their values right after start-up, their construction order and their
// teardown at exit. Bringing them up installs fault handling for the whole process, so every
// test does it in a fresh child process and leaves a log behind for the parent to check.
#include "app/StartupGlobals.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "app/CrashDialog.h"
#include "app/CrashHandler.h"
#include "app/HTTPTransfer.h"
#include "app/VeskAppBase.h"
#include "graphics/Color.h"
#include "graphics/D3DErrorText.h"
#include "graphics/Graphics.h"
#include "graphics/Image.h"
#include "platform/Crash.h"
#include "platform/CrashDialogs.h"
#include "platform/Socket.h"
#include "platform/headless/HeadlessCrashDialogs.h"
#include "resources/PakInterface.h"
#include "resources/RenderCommand.h"
#include "util/CommonSystem.h"
#include "util/MemoryLeakTracker.h"
#include "util/MersenneTwister.h"
#include "util/PerfTimer.h"
#include "util/Profiler.h"
#include "widgets/DialogButtonWords.h"

namespace apptest {
namespace {

using Vesk::StartupGlobals;
using Global = StartupGlobals::Global;
using Step = StartupGlobals::Step;

std::string ReadText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The child's log; written line by line so that it survives however the child ends.
std::FILE* gLog = nullptr;

__attribute__((format(printf, 1, 2))) void Log(const char* format, ...) {
    if (gLog == nullptr) {
        return;
    }
    va_list args;
    va_start(args, format);
    std::vfprintf(gLog, format, args);
    va_end(args);
    std::fputc('\n', gLog);
    std::fflush(gLog);
}

// At each teardown: is the crash filter still in, is the leak tracker alive, and where the
// HTTP transfer stands.
void RecordStep(Global global, Step step) {
    if (step == Step::Built) {
        Log("built %d %s", static_cast<int>(global), StartupGlobals::GetName(global));
        return;
    }
    Log("down %s: filter %d, leak tracker %d, transfer %d", StartupGlobals::GetName(global),
        platform::crash::IsInstalled() ? 1 : 0, Vesk::MemoryLeakTracker::IsAlive() ? 1 : 0,
        Vesk::gHTTPTransfer.GetResultCode());
}

void AbortAtExit() {
    std::abort();
}

class StartupGlobalsDeathTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Each child is a fresh run of the test program: globals nobody has touched yet.
        mStyle = GTEST_FLAG_GET(death_test_style);
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        mDir = std::filesystem::current_path() /
               ("startup_globals_" +
                std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(mDir);
        std::filesystem::create_directories(mDir);
    }
    void TearDown() override {
        std::filesystem::remove_all(mDir);
        GTEST_FLAG_SET(death_test_style, mStyle);
    }

    // In the child: work in the test's folder and open the log there.
    void Prepare() {
        std::filesystem::current_path(mDir);
        gLog = std::fopen("log.txt", "w");
    }

    std::vector<std::string> LogLines() const {
        std::vector<std::string> lines;
        std::istringstream text(ReadText(mDir / "log.txt"));
        for (std::string line; std::getline(text, line);) {
            lines.push_back(line);
        }
        return lines;
    }

    std::string mStyle;
    std::filesystem::path mDir;
};

TEST_F(StartupGlobalsDeathTest, GlobalsHoldTheirStartUpValues) {
    EXPECT_EXIT(
        {
            Prepare();
            const bool first = StartupGlobals::Init();
            const bool second = StartupGlobals::Init();
            Log("init %d %d %d", first ? 1 : 0, second ? 1 : 0,
                StartupGlobals::IsInitialized() ? 1 : 0);
            Log("crash filter %d", platform::crash::IsInstalled() ? 1 : 0);
            Log("perf timer %.1f", Vesk::gPerfTimer.GetDuration());
            Log("pak interface %d", Vesk::gPakInterface != nullptr ? 1 : 0);
            Log("attachment '%s' %d", Vesk::CrashHandler::GetAttachmentPath().c_str(),
                Vesk::CrashHandler::HasAttachment() ? 1 : 0);
            Log("transfer %d %d", Vesk::gHTTPTransfer.GetTransferId(),
                Vesk::gHTTPTransfer.GetResultCode());
            Log("report server '%s'", Vesk::CrashDialog::GetReportServer().c_str());
            Log("profiling %d", Vesk::IsProfiling() ? 1 : 0);
            Log("leak tracker %d", Vesk::MemoryLeakTracker::IsAlive() ? 1 : 0);
            std::string twister = "twister";
            for (int i = 0; i < 5; ++i) {
                twister += " " + std::to_string(Vesk::gMersenneTwister.Next());
            }
            Log("%s", twister.c_str());
            Log("data folder '%s'", Vesk::GetAppDataFolder().c_str());
            Log("black %08X white %08X", Vesk::Color::Black.ToInt(), Vesk::Color::White.ToInt());
            Log("d3d error '%s'", Vesk::gD3DErrorText.c_str());
            const Vesk::Image& empty = Vesk::gEmptyImage;
            Log("empty image '%s' %dx%d cels %dx%d", empty.mPath.c_str(), empty.mWidth,
                empty.mHeight, empty.mCelRows, empty.mCelColumns);
            const bool locked = Vesk::gFontDrawLock.try_lock();
            if (locked) {
                Vesk::gFontDrawLock.unlock();
            }
            Log("font lock %d", locked ? 1 : 0);
            int otherColours = 0;
            for (const Vesk::RenderCommand& command : Vesk::gRenderCommandPool) {
                if (command.mColor != Vesk::Color(0, 0, 0, 255)) {
                    ++otherColours;
                }
            }
            Log("pool %zu %d", Vesk::gRenderCommandPool.size(), otherColours);
            Log("words %s %s %s %s", Vesk::gDialogButtonYes.c_str(), Vesk::gDialogButtonNo.c_str(),
                Vesk::gDialogButtonOk.c_str(), Vesk::gDialogButtonCancel.c_str());
            Log("application %d", Vesk::gVeskAppBase == nullptr ? 0 : 1);
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");

    // MT19937 of seed 4357, cut to 31 bits: start-up must not have drawn from it.
    std::mt19937 reference(4357);
    std::string twister = "twister";
    for (int i = 0; i < 5; ++i) {
        twister += " " + std::to_string(reference() & 0x7FFFFFFFu);
    }
    const std::vector<std::string> expected = {
        "init 1 0 1",
        "crash filter 1",
        "perf timer 0.0",
        "pak interface 1",
        "attachment '' 0",
        "transfer 1 1",
        "report server ''",
        "profiling 0",
        "leak tracker 1",
        twister,
        "data folder ''",
        "black FF000000 white FFFFFFFF",
        "d3d error ''",
        "empty image '' 0x0 cels 1x1",
        "font lock 1",
        "pool 4096 0",
        "words YES NO OK CANCEL",
        "application 0",
    };
    EXPECT_EQ(LogLines(), expected);
    EXPECT_EQ(twister, "twister 2146374468 699692587 1213834231 1920714022 994957275");
}

TEST_F(StartupGlobalsDeathTest, ExitTearsDownInReverseOrderOfBuilding) {
    EXPECT_EXIT(
        {
            Prepare();
            // Listens but never accepts: the transfer is still waiting for its answer at exit.
            platform::TcpSocket listener;
            const bool listening = listener.ListenLoopback(0);
            StartupGlobals::SetObserver(&RecordStep);
            StartupGlobals::Init();
            StartupGlobals::Init();
            Vesk::MemoryLeakTracker::SetDumpAtExit(true);
            Vesk::MemoryLeakTracker::AddAllocation(0x1000, 12, "kept.cpp", 7);
            Vesk::gHTTPTransfer.SendRequestString(
                "127.0.0.1:" + std::to_string(listener.LocalPort()), "GET / HTTP/1.1\r\n\r\n");
            Log("main returns, listening %d", listening ? 1 : 0);
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");

    std::vector<std::string> expected;
    for (int i = 1; i <= StartupGlobals::kGlobalCount; ++i) {
        const Global global = static_cast<Global>(i);
        expected.push_back("built " + std::to_string(i) + " " + StartupGlobals::GetName(global));
    }
    expected.push_back("main returns, listening 1");
    // The leak report comes while the transfer still runs; the transfer is aborted and its
    // worker gone before the filter is put back, last.
    expected.push_back("down leak tracker: filter 1, leak tracker 0, transfer 2");
    expected.push_back("down HTTP transfer: filter 1, leak tracker 0, transfer 5");
    expected.push_back("down crash filter: filter 0, leak tracker 0, transfer 5");
    EXPECT_EQ(LogLines(), expected);

    EXPECT_NE(ReadText(mDir / "mem_leaks.txt").find("kept.cpp(7) : Leak 12 bytes\n"),
              std::string::npos);
}

TEST_F(StartupGlobalsDeathTest, CrashAfterMainHasReturnedReachesTheFilter) {
    EXPECT_EXIT(
        {
            Prepare();
            platform::HeadlessCrashDialogs dialogs;
            platform::SetCrashDialogs(&dialogs);
            StartupGlobals::Init();
            // Registered later, so it runs before any of the globals' teardown.
            std::atexit(&AbortAtExit);
            std::exit(0);
        },
        ::testing::KilledBySignal(SIGABRT), "");
    EXPECT_EQ(ReadText(mDir / "crash.txt").rfind("Unknown exception: (code 0x40000015)", 0), 0u);
}

TEST(StartupGlobalsTest, OnlyOwnersOfResourcesGoOnTheExitList) {
    std::vector<std::string> torn;
    for (int i = 1; i <= StartupGlobals::kGlobalCount; ++i) {
        const Global global = static_cast<Global>(i);
        EXPECT_STRNE(StartupGlobals::GetName(global), "");
        if (StartupGlobals::HasExitTeardown(global)) {
            torn.emplace_back(StartupGlobals::GetName(global));
        }
    }
    EXPECT_EQ(torn, (std::vector<std::string>{"crash filter", "HTTP transfer", "leak tracker"}));
    EXPECT_STREQ(StartupGlobals::GetName(static_cast<Global>(0)), "");
    EXPECT_FALSE(StartupGlobals::HasExitTeardown(static_cast<Global>(29)));
}

}  // namespace
}  // namespace apptest
