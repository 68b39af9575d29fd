#include "platform/sdl/SdlMessageBoxes.h"

#include <SDL.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace platform::sdl {
namespace {

std::string Output(const std::string& command) {
    std::string out;
    if (std::FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof(buffer), pipe) != nullptr) {
            out += buffer;
        }
        pclose(pipe);
    }
    return out;
}

// Our children that run our own program: a copy forked without exec.
int ForkedCopiesOfUs() {
    const auto self = std::filesystem::read_symlink("/proc/self/exe");
    int copies = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        std::ifstream stat(entry.path() / "stat");
        std::string pid, name, state;
        long long parent = 0;
        // "pid (name) state ppid": the name holds no blank for the programs here.
        if (!(stat >> pid >> name >> state >> parent) || parent != getpid()) {
            continue;
        }
        std::error_code error;
        if (std::filesystem::read_symlink(entry.path() / "exe", error) == self) {
            ++copies;
        }
    }
    return copies;
}

// A real box on the X display, answered with Enter while other threads keep the allocator
// busy; a forked copy of a threaded program may find its locks held for ever.
TEST(SdlMessageBoxesTest, ABoxShownWhileThreadsWorkIsAnsweredInAProgramOfItsOwn) {
    if (std::getenv("DISPLAY") == nullptr || Output("command -v xdotool").empty()) {
        GTEST_SKIP() << "needs an X display and xdotool";
    }
    SetMessageBoxHelperPath(VESK_MESSAGE_BOX_HELPER);
    const std::string title = "Vesk box test " + std::to_string(getpid());

    std::atomic<bool> stop{false};
    std::vector<std::thread> workers;
    for (int i = 0; i < 4; ++i) {
        workers.emplace_back([&stop] {
            while (!stop) {
                std::vector<std::string> churn(64, std::string(100, 'x'));
            }
        });
    }
    int copies = -1;
    std::string found;
    std::thread answer([&] {
        // xdotool's own name search misses the box, whose name is UTF-8.
        found = Output(
            "timeout 60 sh -c 'while :; do for w in $(xdotool search --classname \"\"); do "
            "[ \"$(xdotool getwindowname $w 2>/dev/null)\" = \"$0\" ] && echo $w && exit 0; "
            "done; sleep 0.1; done' '" +
            title + "'");
        while (!found.empty() && (found.back() == '\n' || found.back() == ' ')) {
            found.pop_back();
        }
        if (found.empty()) {
            return;
        }
        copies = ForkedCopiesOfUs();
        // Again while it stays up: another test's window may take the focus in between.
        Output("timeout 60 sh -c 'while xdotool getwindowname " + found +
               " >/dev/null 2>&1; do xdotool windowfocus " + found +
               " key Return; sleep 0.5; done'");
    });
    const std::optional<BoxAnswer> chosen = ShowMessageBox(
        SDL_MESSAGEBOX_INFORMATION, title, "Keep going?", {{"Yes", 6}, {"No", 7}}, 6, 7);
    answer.join();
    stop = true;
    for (std::thread& worker : workers) {
        worker.join();
    }
    ASSERT_FALSE(found.empty()) << "the box never showed";
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(chosen->end, BoxEnd::Chosen);
    EXPECT_EQ(chosen->result, 6);
    EXPECT_EQ(copies, 0);
    EXPECT_EQ(ForkedCopiesOfUs(), 0);
}

// A signal that lands before the box's own watch is up, seen only by the process-wide handler,
// still keeps the box from opening. In a process of its own: the signal stays seen.
TEST(SdlMessageBoxesTest, ASignalBeforeTheWatchIsUpOpensNoBox) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            struct sigaction quiet {};
            quiet.sa_handler = [](int) {};
            sigaction(SIGTERM, &quiet, nullptr);
            WatchEndingSignals();
            // Answers nothing: a box that started would end without an answer.
            SetMessageBoxHelperPath("/bin/true");
            SetHelperLookupHook([] { raise(SIGTERM); });
            const std::optional<BoxAnswer> chosen =
                ShowMessageBox(SDL_MESSAGEBOX_INFORMATION, "t", "Keep going?", {{"Yes", 6}}, 6, 6);
            std::_Exit(chosen && chosen->end == BoxEnd::Signalled ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace platform::sdl
