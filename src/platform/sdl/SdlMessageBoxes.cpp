#include "platform/sdl/SdlMessageBoxes.h"

#include <SDL.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <mutex>
#include <string_view>

#include "platform/Process.h"
#include "platform/sdl/X11BoxFocus.h"

extern char** environ;

namespace platform::sdl {

namespace {

// The helper's one-byte answers besides a button index.
constexpr unsigned char kClosedAnswer = 255;
constexpr size_t kMaxButtons = 254;
// An argument longer than the kernel's 128 KiB limit would fail the start.
constexpr size_t kMaxArgumentBytes = 64 * 1024;
constexpr std::array<int, 2> kEndingSignals{SIGTERM, SIGINT};

std::mutex& HelperPathMutex() {
    static std::mutex mutex;
    return mutex;
}
std::string& HelperPathOverride() {
    static std::string path;
    return path;
}

std::atomic<void (*)()> gHelperLookupHook{nullptr};

std::string FindHelper() {
    if (const auto hook = gHelperLookupHook.load()) {
        hook();
    }
    {
        const std::lock_guard lock(HelperPathMutex());
        if (!HelperPathOverride().empty()) {
            return HelperPathOverride();
        }
    }
    const std::string program = ProgramPath();
    const size_t slash = program.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : program.substr(0, slash);
    for (const std::string& candidate :
         {folder + "/" + kMessageBoxHelperName,
          folder + "/../libexec/vesk/" + std::string(kMessageBoxHelperName)}) {
        if (access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
    }
    return {};
}

// One argument: up to the first NUL, cut short at a character's start.
std::string ArgumentText(std::string_view text) {
    text = text.substr(0, text.find('\0'));
    if (text.size() > kMaxArgumentBytes) {
        size_t end = kMaxArgumentBytes;
        while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
            --end;
        }
        text = text.substr(0, end);
    }
    return std::string(text);
}

int IndexOf(const std::vector<MessageBoxButton>& buttons, int result) {
    for (size_t i = 0; i < buttons.size(); ++i) {
        if (buttons[i].result == result) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

// A SIGTERM or SIGINT that arrives while a box is up.
std::atomic<int> gWakeFd{-1};
volatile std::sig_atomic_t gEndingSignal = 0;
// Set once such a signal came: the program is on its way out.
std::atomic<bool> gEnding{false};
static_assert(std::atomic<bool>::is_always_lock_free);

// The handlers in place before WatchEndingSignals, to hand each signal on to.
std::array<struct sigaction, kEndingSignals.size()> gHandedOn{};
std::array<bool, kEndingSignals.size()> gWatching{};

extern "C" void OnWatchedSignal(int signal, siginfo_t* info, void* context) {
    gEnding = true;
    for (size_t i = 0; i < kEndingSignals.size(); ++i) {
        if (kEndingSignals[i] != signal) {
            continue;
        }
        const struct sigaction& next = gHandedOn[i];
        if ((next.sa_flags & SA_SIGINFO) != 0) {
            next.sa_sigaction(signal, info, context);
        } else if (next.sa_handler == SIG_DFL) {
            sigaction(signal, &next, nullptr);
            raise(signal);
        } else if (next.sa_handler != SIG_IGN) {
            next.sa_handler(signal);
        }
    }
}

extern "C" void OnEndingSignal(int signal) {
    const int savedErrno = errno;
    gEndingSignal = signal;
    const int fd = gWakeFd.load();
    if (fd >= 0) {
        (void)!write(fd, "e", 1);
    }
    errno = savedErrno;
}

// Takes SIGTERM and SIGINT for as long as a box is up. They then go where they
// would have gone (the window system's handler, or the default end), so the
// program ends as it would without a box.
class EndingSignalWatch {
public:
    EndingSignalWatch() {
        if (pipe2(mPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
            mPipe[0] = mPipe[1] = -1;
            return;
        }
        gEndingSignal = 0;
        gWakeFd = mPipe[1];
        struct sigaction action {};
        action.sa_handler = OnEndingSignal;
        sigemptyset(&action.sa_mask);
        for (size_t i = 0; i < kEndingSignals.size(); ++i) {
            struct sigaction previous {};
            if (sigaction(kEndingSignals[i], nullptr, &previous) != 0 ||
                ((previous.sa_flags & SA_SIGINFO) == 0 && previous.sa_handler == SIG_IGN)) {
                continue;  // ignored stays ignored
            }
            mInstalled[i] = sigaction(kEndingSignals[i], &action, &mPrevious[i]) == 0;
        }
    }
    ~EndingSignalWatch() {
        for (size_t i = 0; i < kEndingSignals.size(); ++i) {
            if (mInstalled[i]) {
                sigaction(kEndingSignals[i], &mPrevious[i], nullptr);
            }
        }
        gWakeFd = -1;
        for (const int fd : mPipe) {
            if (fd >= 0) {
                close(fd);
            }
        }
        if (const int signal = gEndingSignal; signal != 0) {
            gEnding = true;
            raise(signal);
        }
    }
    EndingSignalWatch(const EndingSignalWatch&) = delete;
    EndingSignalWatch& operator=(const EndingSignalWatch&) = delete;

    int Fd() const { return mPipe[0]; }
    bool Signalled() const { return gEndingSignal != 0; }

private:
    int mPipe[2];
    std::array<struct sigaction, kEndingSignals.size()> mPrevious{};
    std::array<bool, kEndingSignals.size()> mInstalled{};
};

// The helper in a process group of its own, so that it can end its whole group
// (SDL's box runs in a child of it) and we can too.
bool SpawnHelper(const std::string& helper, const std::vector<std::string>& arguments, int replyFd,
                 pid_t& pid) {
    std::vector<char*> argv;
    argv.reserve(arguments.size() + 1);
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    if (posix_spawn_file_actions_init(&actions) != 0) {
        return false;
    }
    if (posix_spawnattr_init(&attributes) != 0) {
        posix_spawn_file_actions_destroy(&actions);
        return false;
    }
    sigset_t none;
    sigemptyset(&none);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (const int signal : {SIGTERM, SIGINT, SIGHUP, SIGPIPE}) {
        sigaddset(&defaults, signal);
    }
    const bool ready =
        posix_spawn_file_actions_adddup2(&actions, replyFd, STDOUT_FILENO) == 0 &&
        posix_spawnattr_setpgroup(&attributes, 0) == 0 &&
        posix_spawnattr_setsigmask(&attributes, &none) == 0 &&
        posix_spawnattr_setsigdefault(&attributes, &defaults) == 0 &&
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK |
                                                  POSIX_SPAWN_SETSIGDEF) == 0;
    const bool started = ready && posix_spawn(&pid, helper.c_str(), &actions, &attributes,
                                              argv.data(), environ) == 0;
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return started;
}

// Waits for the helper's answer or an ending signal, giving the box the keyboard meanwhile;
// the answer byte, or none.
std::optional<unsigned char> AwaitAnswer(int replyFd, const EndingSignalWatch& watch,
                                         X11BoxFocus& focus) {
    for (;;) {
        if (watch.Signalled()) {
            return std::nullopt;
        }
        focus.Step();
        pollfd fds[3] = {{replyFd, POLLIN, 0}, {watch.Fd(), POLLIN, 0}, {focus.Fd(), POLLIN, 0}};
        if (poll(fds, 3, focus.TimeoutMs()) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return std::nullopt;
        }
        if (watch.Signalled()) {
            return std::nullopt;
        }
        if (fds[0].revents != 0) {
            unsigned char answer = 0;
            const ssize_t got = read(replyFd, &answer, 1);
            if (got < 0 && (errno == EINTR || errno == EAGAIN)) {
                continue;
            }
            if (got != 1) {
                return std::nullopt;  // it ended without one
            }
            return answer;
        }
    }
}

bool ParseInt(const char* text, long long low, long long high, long long& value) {
    const std::string_view view(text);
    const auto [end, error] = std::from_chars(view.data(), view.data() + view.size(), value);
    return error == std::errc() && end == view.data() + view.size() && value >= low &&
           value <= high;
}

// The game's window, so that the window manager keeps the box with it (SDL
// marks the box transient for its owner); null when it cannot be had.
SDL_Window* ForeignOwner(unsigned long ownerX11) {
    if (ownerX11 == 0) {
        return nullptr;
    }
    // Our own SIGTERM and SIGINT handlers stay.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        return nullptr;
    }
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver == nullptr || std::string_view(driver) != "x11") {
        return nullptr;
    }
    return SDL_CreateWindowFrom(reinterpret_cast<void*>(static_cast<uintptr_t>(ownerX11)));
}

extern "C" void OnHelperEnding(int) {
    kill(0, SIGKILL);  // this box's whole group, the SDL child showing it too
}

}  // namespace

void WatchEndingSignals() {
    struct sigaction action {};
    action.sa_sigaction = OnWatchedSignal;
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    for (size_t i = 0; i < kEndingSignals.size(); ++i) {
        if (!gWatching[i]) {
            gWatching[i] = sigaction(kEndingSignals[i], &action, &gHandedOn[i]) == 0;
        }
    }
}

void UnwatchEndingSignals() {
    for (size_t i = 0; i < kEndingSignals.size(); ++i) {
        if (!gWatching[i]) {
            continue;
        }
        gWatching[i] = false;
        // SDL puts its own back after each signal; that one is SDL's to take out.
        struct sigaction current {};
        if (sigaction(kEndingSignals[i], nullptr, &current) == 0 &&
            (current.sa_flags & SA_SIGINFO) != 0 && current.sa_sigaction == OnWatchedSignal) {
            sigaction(kEndingSignals[i], &gHandedOn[i], nullptr);
        }
    }
}

bool EndingSignalSeen() {
    return gEnding;
}

void SetHelperLookupHook(void (*hook)()) {
    gHelperLookupHook = hook;
}

void SetMessageBoxHelperPath(std::string path) {
    const std::lock_guard lock(HelperPathMutex());
    HelperPathOverride() = std::move(path);
}

std::optional<BoxAnswer> ShowMessageBox(uint32_t flags, const std::string& titleUtf8,
                                        const std::string& textUtf8,
                                        const std::vector<MessageBoxButton>& buttons, int returnId,
                                        int escapeId, unsigned long ownerX11) {
    static std::mutex oneBoxAtATime;
    const std::lock_guard lock(oneBoxAtATime);
    if (gEnding) {
        return BoxAnswer{BoxEnd::Signalled};
    }
    if (buttons.empty() || buttons.size() > kMaxButtons) {
        SDL_SetError("a message box takes 1 to %d buttons", static_cast<int>(kMaxButtons));
        return std::nullopt;
    }
    const std::string helper = FindHelper();
    if (helper.empty()) {
        SDL_SetError("%s was not found beside the program", kMessageBoxHelperName);
        return std::nullopt;
    }
    std::vector<std::string> arguments{helper,
                                       std::to_string(ProcessId()),
                                       std::to_string(ownerX11),
                                       std::to_string(flags),
                                       std::to_string(IndexOf(buttons, returnId)),
                                       std::to_string(IndexOf(buttons, escapeId)),
                                       ArgumentText(titleUtf8),
                                       ArgumentText(textUtf8)};
    for (const MessageBoxButton& button : buttons) {
        arguments.push_back(ArgumentText(button.label));
    }

    int reply[2];
    if (pipe2(reply, O_CLOEXEC) != 0) {
        SDL_SetError("no pipe for the message box");
        return std::nullopt;
    }
    std::optional<unsigned char> answer;
    bool signalled = false;
    {
        // Watching before the start, so that no signal falls between; one that came before
        // the watch was up was seen by the process-wide handler.
        const EndingSignalWatch watch;
        if (gEnding) {
            close(reply[0]);
            close(reply[1]);
            return BoxAnswer{BoxEnd::Signalled};
        }
        pid_t pid = -1;
        const bool started = SpawnHelper(helper, arguments, reply[1], pid);
        close(reply[1]);
        if (started) {
            X11BoxFocus focus(ownerX11);
            answer = AwaitAnswer(reply[0], watch, focus);
            signalled = watch.Signalled();
            // Its group is gone before we return, whatever the answer.
            kill(-pid, SIGKILL);
            int status = 0;
            while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
            focus.RestoreOwner();
        }
        close(reply[0]);
        if (!started) {
            SDL_SetError("%s could not be started", helper.c_str());
            return std::nullopt;
        }
    }
    if (signalled) {
        return BoxAnswer{BoxEnd::Signalled};
    }
    if (!answer || (*answer != kClosedAnswer && *answer >= buttons.size())) {
        SDL_SetError("%s showed no box", helper.c_str());
        return std::nullopt;
    }
    if (*answer == kClosedAnswer) {
        return BoxAnswer{BoxEnd::Closed};
    }
    return BoxAnswer{BoxEnd::Chosen, buttons[*answer].result};
}

void RunMessageBoxHelper(int argc, char** argv) {
    // argv: parent process id, the owner's X11 window (0 for none), box flags,
    // Enter's and Escape's button index (-1 for none), title, text, then one
    // label per button.
    constexpr int kFirstLabel = 8;
    long long parent = 0;
    long long ownerX11 = 0;
    long long flags = 0;
    long long returnIndex = 0;
    long long escapeIndex = 0;
    const long long lastIndex = argc - kFirstLabel - 1;
    if (argc <= kFirstLabel || argc - kFirstLabel > static_cast<int>(kMaxButtons) ||
        !ParseInt(argv[1], 2, INT32_MAX, parent) || !ParseInt(argv[2], 0, UINT32_MAX, ownerX11) ||
        !ParseInt(argv[3], 0, UINT32_MAX, flags) ||
        !ParseInt(argv[4], -1, lastIndex, returnIndex) ||
        !ParseInt(argv[5], -1, lastIndex, escapeIndex)) {
        std::fprintf(stderr,
                     "usage: %s <parent pid> <owner window> <flags> <return index> "
                     "<escape index> <title> <text> <label>...\n",
                     kMessageBoxHelperName);
        _exit(2);
    }
    // kill(0, ...) below must reach this box's group alone.
    if (getpgrp() != getpid() && setpgid(0, 0) != 0) {
        _exit(2);
    }
    struct sigaction action {};
    action.sa_handler = OnHelperEnding;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        sigaction(signal, &action, nullptr);
    }
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != static_cast<pid_t>(parent)) {
        _exit(1);  // it ended before we were watching
    }

    std::vector<SDL_MessageBoxButtonData> data;
    for (int i = kFirstLabel; i < argc; ++i) {
        SDL_MessageBoxButtonData d{};
        d.buttonid = i - kFirstLabel;
        d.text = argv[i];
        if (d.buttonid == returnIndex) {
            d.flags |= SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT;
        }
        if (d.buttonid == escapeIndex) {
            d.flags |= SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
        }
        data.push_back(d);
    }
    SDL_MessageBoxData box{};
    box.flags = static_cast<uint32_t>(flags) | SDL_MESSAGEBOX_BUTTONS_LEFT_TO_RIGHT;
    box.title = argv[6];
    box.message = argv[7];
    box.numbuttons = static_cast<int>(data.size());
    box.buttons = data.data();
    box.window = ForeignOwner(static_cast<unsigned long>(ownerX11));
    int chosen = -1;
    int shown = SDL_ShowMessageBox(&box, &chosen);
    if (shown != 0 && box.window != nullptr) {
        box.window = nullptr;  // a box of its own is better than none
        shown = SDL_ShowMessageBox(&box, &chosen);
    }
    if (shown != 0) {
        std::fprintf(stderr, "%s: %s\n", kMessageBoxHelperName, SDL_GetError());
        _exit(1);
    }
    const unsigned char answer =
        chosen >= 0 && chosen < box.numbuttons ? static_cast<unsigned char>(chosen) : kClosedAnswer;
    (void)!write(STDOUT_FILENO, &answer, 1);
    // No exit handlers: nothing is left to flush.
    _exit(0);
}

}  // namespace platform::sdl
