#include "platform/sdl/SdlWindowSystem.h"

#include "platform/RuntimeFiles.h"
#include "platform/sdl/SdlMessageBoxes.h"
#include "platform/sdl/X11Focus.h"

#include <SDL.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "PrivateXServer.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

// Last: its macros (None, Bool, Status) would rename gtest's own.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xproto.h>

namespace platform {
namespace {

// Opens real windows: needs a display (the CI runs it under Xvfb).
class SdlWindowSystemTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* display = std::getenv("DISPLAY");
        if (display == nullptr || display[0] == '\0') {
            GTEST_SKIP() << "no display";
        }
        // Without a session bus libdbus tries to start one through X and
        // leaks doing so, which the leak checker would report against us.
        setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 0);
        system = std::make_unique<SdlWindowSystem>();
        if (!system->VideoAvailable()) {
            GTEST_SKIP() << "SDL video unavailable: " << system->VideoError();
        }
    }

    void TearDown() override {
        system.reset();
        std::filesystem::remove(RuntimeFilePath(mutexName, ".lock"));
        std::filesystem::remove_all(RuntimeFilePath(notifyName, ".notify"));
    }

    // Pumps for at most a second until a message of the kind arrives.
    std::optional<Message> WaitFor(uint32_t kind) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(1);
        while (std::chrono::steady_clock::now() < end) {
            while (auto m = system->PeekMessage(true)) {
                if (m->kind == kind) {
                    return m;
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return std::nullopt;
    }

    std::unique_ptr<SdlWindowSystem> system;
    // Per process: test cases may run side by side.
    const std::string mutexName = "vesksmokemutex" + std::to_string(getpid());
    const std::string notifyName = "vesksmokenotify" + std::to_string(getpid());
};

TEST_F(SdlWindowSystemTest, OpensAWindowAndPumpsItsMessages) {
    int creates = 0;
    WindowParams params;
    params.title = "Vesk smoke \xE9";
    params.position = Point{64, 64};
    params.clientSize = Size{320, 240};
    params.procedure = [&](const Message& m) {
        creates += m.kind == msg::Create ? 1 : 0;
        return intptr_t{0};
    };
    Window* w = system->CreateWindow(params);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(creates, 1);
    ASSERT_NE(system->FindSdlWindow(w->Id())->Handle(), nullptr);
    EXPECT_EQ(w->ClientSize(), (Size{320, 240}));
    EXPECT_EQ(w->Title(), "Vesk smoke \xE9");
    w->Show(ShowCommand::ShowNormal);
    EXPECT_TRUE(w->IsVisible());

    system->SetTimer(w->Id(), 100, 10);
    const auto timer = WaitFor(msg::Timer);
    ASSERT_TRUE(timer);
    EXPECT_EQ(timer->window, w->Id());
    EXPECT_EQ(timer->wparam, 100u);

    WindowParams hidden;
    hidden.kind = WindowKind::Invisible;
    Window* invisible = system->CreateWindow(hidden);
    ASSERT_NE(invisible, nullptr);
    EXPECT_FALSE(invisible->IsVisible());
    ASSERT_TRUE(system->PostMessage(invisible->Id(), msg::User, 3, 4));
    const auto user = WaitFor(msg::User);
    ASSERT_TRUE(user);
    EXPECT_EQ(user->window, invisible->Id());

    // A notify broadcast also reaches this process's own windows.
    const uint32_t notify = system->RegisterMessage(notifyName);
    ASSERT_TRUE(system->BroadcastMessage(notify, 0, 9));
    EXPECT_TRUE(WaitFor(notify));

    const WindowId id = w->Id();
    system->DestroyWindow(id);
    EXPECT_EQ(system->FindWindow(id), nullptr);
}

// Remote desktops and scripts move the pointer by events alone; SDL's global position
// stays behind then, and the events must place the cursor.
TEST_F(SdlWindowSystemTest, TheCursorIsWhereTheMouseEventsPutIt) {
    WindowParams params;
    params.title = "Vesk pointer";
    params.position = Point{64, 64};
    params.clientSize = Size{320, 240};
    params.procedure = [](const Message&) { return intptr_t{0}; };
    Window* w = system->CreateWindow(params);
    ASSERT_NE(w, nullptr);
    w->Show(ShowCommand::ShowNormal);
    system->PeekMessage(false);  // takes SDL's global position once

    for (const Point client : {Point{50, 40}, Point{51, 40}, Point{300, 7}}) {
        SDL_Event event{};
        event.type = SDL_MOUSEMOTION;
        event.motion.windowID = system->FindSdlWindow(w->Id())->SdlId();
        event.motion.x = client.x;
        event.motion.y = client.y;
        ASSERT_EQ(SDL_PushEvent(&event), 1);
        const auto move = WaitFor(msg::MouseMove);
        ASSERT_TRUE(move);
        EXPECT_EQ(LowSigned(move->lparam), client.x);
        EXPECT_EQ(HighSigned(move->lparam), client.y);
        EXPECT_EQ(move->point, w->ClientToScreen(client));
        EXPECT_EQ(system->CursorPosition(), w->ClientToScreen(client));
    }
}

TEST_F(SdlWindowSystemTest, ScreenSaverIsReadFromTheXServer) {
    if (std::string_view(SDL_GetCurrentVideoDriver()) != "x11") {
        GTEST_SKIP() << "not drawn through X11";
    }
    // Xvfb keeps the X server's default: a saver after 600 s, not running.
    const WindowSystem::ScreenSaverSettings settings = system->GetScreenSaverSettings();
    EXPECT_TRUE(settings.active);
    EXPECT_GT(settings.timeoutSeconds, 0U);
    const std::optional<uint32_t> idle = system->IdleMilliseconds();
    ASSERT_TRUE(idle.has_value());
    EXPECT_LT(*idle, 24U * 3600 * 1000);
    EXPECT_FALSE(system->IsScreenSaverRunning());
}

TEST_F(SdlWindowSystemTest, DesktopServicesAnswer) {
    EXPECT_GT(system->ScreenSize().width, 0);
    const ScreenRect work = system->WorkArea();
    EXPECT_GT(work.right, work.left);
    EXPECT_GE(system->DesktopBitsPerPixel(), 16);

    const CursorHandle arrow = system->LoadSystemCursor(SystemCursor::Arrow);
    EXPECT_NE(arrow, kNoCursor);
    CursorMasks masks;
    masks.andMask.fill(0xFF);
    const CursorHandle hand = system->CreateMaskCursor(masks, Point{11, 4});
    EXPECT_NE(hand, kNoCursor);
    system->SetCursor(hand);
    EXPECT_EQ(system->SetCursor(kNoCursor), hand);
    system->DestroyCursor(hand);

    EXPECT_EQ(system->AcquireInstanceLock(mutexName), InstanceLockResult::Acquired);
    EXPECT_EQ(system->AcquireInstanceLock(mutexName), InstanceLockResult::HeldElsewhere);

    EXPECT_FALSE(system->OpenUrl("--help"));
    EXPECT_FALSE(system->OpenUrl(""));
}

// The child of ours that runs the box helper; 0 for none.
pid_t HelperPid() {
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        std::ifstream stat(entry.path() / "stat");
        std::string pid, name, state;
        long long parent = 0;
        if (stat >> pid >> name >> state >> parent && parent == getpid() &&
            name.find("vesk-message") != std::string::npos) {
            return std::stoi(pid);
        }
    }
    return 0;
}

// SIGTERM with a box up ends it with an answer of its own, not its default Yes; before any box
// it keeps every later box shut. Either way SDL still hears it as a quit. Each case in a process
// of its own, since the signal stays seen for the rest of the process.
TEST_F(SdlWindowSystemTest, AQuitSignalEndsBoxesWithoutAChoice) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    for (const bool boxUp : {true, false}) {
        SCOPED_TRACE(boxUp ? "box up" : "no box yet");
        EXPECT_EXIT(
            {
                sdl::SetMessageBoxHelperPath(boxUp ? VESK_MESSAGE_BOX_HELPER : "/nonexistent");
                std::thread signaller;
                if (boxUp) {
                    signaller = std::thread([] {
                        while (HelperPid() == 0) {
                            std::this_thread::sleep_for(std::chrono::milliseconds(10));
                        }
                        kill(getpid(), SIGTERM);
                    });
                } else {
                    raise(SIGTERM);
                }
                const int first = system->MessageBox(kNoWindow, "Keep it?", "t", mb::YesNo);
                if (signaller.joinable()) {
                    signaller.join();
                }
                sdl::SetMessageBoxHelperPath("/nonexistent");
                const int later = system->MessageBox(kNoWindow, "Later", "t", mb::YesNo);
                SDL_PumpEvents();
                std::fprintf(stderr, "answers %d %d quit %d\n", first, later,
                             SDL_HasEvent(SDL_QUIT) ? 1 : 0);
                std::_Exit(0);
            },
            ::testing::ExitedWithCode(0), "answers -1 -1 quit 1");
    }
}

// A window manager of the test's own that drops the first map request of each window and, when
// it maps at all, maps the next one into a frame of its own that it has not mapped yet: the
// window is mapped but not viewable, and a focus request for it is refused with an X error.
// With the check window, SDL knows a window manager runs; without it (one still starting) SDL
// gives the window the keyboard itself once it is shown. A window whose dropped request stays
// unanswered for kRescueAfter is mapped after all, so that a client waiting for it without
// bound (SDL's show) fails the test instead of hanging it.
class FakeWindowManager {
public:
    FakeWindowManager(bool maps, bool checkWindow) : mMaps(maps), mDisplay(XOpenDisplay(nullptr)) {
        const ::Window root = DefaultRootWindow(mDisplay);
        XSelectInput(mDisplay, root, SubstructureRedirectMask);
        if (checkWindow) {
            const ::Window check = XCreateSimpleWindow(mDisplay, root, 0, 0, 1, 1, 0, 0, 0);
            const Atom atom = XInternAtom(mDisplay, "_NET_SUPPORTING_WM_CHECK", False);
            for (const ::Window on : {root, check}) {
                XChangeProperty(mDisplay, on, atom, XA_WINDOW, 32, PropModeReplace,
                                reinterpret_cast<const unsigned char*>(&check), 1);
            }
        }
        XSync(mDisplay, False);
        mThread = std::jthread([this](std::stop_token stop) { Run(stop); });
    }
    ~FakeWindowManager() {
        mThread.request_stop();
        mThread.join();
        XCloseDisplay(mDisplay);
    }
    int Requests() const { return mRequests.load(); }
    int Rescues() const { return mRescues.load(); }
    // Before the windows go: none is mapped late once it may be gone.
    void EndRescues() {
        const std::lock_guard lock(mRescueMutex);
        mRescuesEnded = true;
    }

private:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::seconds kRescueAfter{10};

    void Run(std::stop_token stop) {
        std::vector<std::pair<::Window, Clock::time_point>> dropped;
        while (!stop.stop_requested()) {
            while (XPending(mDisplay) > 0) {
                XEvent event;
                XNextEvent(mDisplay, &event);
                if (event.type != MapRequest) {
                    continue;
                }
                const ::Window window = event.xmaprequest.window;
                if (++mRequests == 2 && mMaps) {
                    const ::Window frame = XCreateSimpleWindow(
                        mDisplay, DefaultRootWindow(mDisplay), 0, 0, 400, 300, 0, 0, 0);
                    XReparentWindow(mDisplay, window, frame, 0, 0);
                    XMapWindow(mDisplay, window);
                    XFlush(mDisplay);
                } else {
                    dropped.emplace_back(window, Clock::now());
                }
            }
            if (!dropped.empty() && Clock::now() - dropped.front().second > kRescueAfter) {
                const std::lock_guard lock(mRescueMutex);
                if (!mRescuesEnded) {
                    XMapWindow(mDisplay, dropped.front().first);
                    XSync(mDisplay, False);
                    ++mRescues;
                }
                dropped.erase(dropped.begin());
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }

    const bool mMaps;
    Display* mDisplay;
    std::atomic<int> mRequests{0};
    std::atomic<int> mRescues{0};
    std::mutex mRescueMutex;
    bool mRescuesEnded = false;  // Guarded by mRescueMutex.
    std::jthread mThread;
};

// A window manager that drops a map request neither hangs the game nor ends it with an X
// error: the window is shown once it is mapped, or reported not shown, never shown unmapped.
TEST(SdlWindowShow, AWindowIsShownOnlyOnceTheWindowManagerMappedIt) {
    for (const bool checkWindow : {false, true}) {
        for (const bool maps : {true, false}) {
            SCOPED_TRACE(std::string(maps ? "maps the second request" : "maps none") +
                         (checkWindow ? ", check window" : ", no check window"));
            PrivateXServer server;
            if (!server.Start()) {
                GTEST_SKIP() << "no Xvfb";
            }
            setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 0);
            FakeWindowManager manager(maps, checkWindow);
            {
                SdlWindowSystem system;
                ASSERT_TRUE(system.VideoAvailable()) << system.VideoError();
                WindowParams params;
                params.title = "Vesk show";
                params.clientSize = Size{320, 240};
                params.procedure = [](const Message&) { return intptr_t{0}; };
                SdlWindow* w = system.FindSdlWindow(system.CreateWindow(params)->Id());
                ASSERT_NE(w, nullptr);
                EXPECT_EQ(w->ShowWatched(std::chrono::milliseconds(200)), maps);
                if (maps) {
                    // Given the keyboard, as a start does.
                    w->Show(ShowCommand::ShowNormal);
                    w->SetFocus();
                }
                EXPECT_EQ(w->IsVisible(), maps);
                // Errors come back to SDL's connection; one would end the process here.
                XSync(w->X11().display, False);
                SDL_PumpEvents();
                XWindowAttributes attributes{};
                XGetWindowAttributes(w->X11().display, w->X11().window, &attributes);
                EXPECT_EQ(attributes.map_state != IsUnmapped, maps);
                manager.EndRescues();
            }
            EXPECT_GE(manager.Requests(), 2);
            EXPECT_EQ(manager.Rescues(), 0) << "shown only once the test's manager gave in";
        }
    }
}

// Only a refused focus is kept from the handler that was there before the filter; any other
// error still reaches it.
TEST(X11ErrorFilter, OnlyFocusErrorsAreKeptFromTheHandlerBefore) {
    PrivateXServer server;
    if (!server.Start()) {
        GTEST_SKIP() << "no Xvfb";
    }
    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr);
    static std::vector<int> reached;
    const XErrorHandler before = XSetErrorHandler([](Display*, XErrorEvent* error) {
        reached.push_back(error->request_code);
        return 0;
    });
    x11::FilterFocusErrors();
    const ::Window gone =
        XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
    XDestroyWindow(display, gone);
    struct Case {
        const char* request;
        void (*send)(Display*, ::Window);
        int code;
        bool reaches;
    };
    for (const Case& c :
         {Case{"focus",
               [](Display* d, ::Window w) { XSetInputFocus(d, w, RevertToParent, CurrentTime); },
               X_SetInputFocus, false},
          Case{"map", [](Display* d, ::Window w) { XMapWindow(d, w); }, X_MapWindow, true}}) {
        SCOPED_TRACE(c.request);
        reached.clear();
        c.send(display, gone);
        XSync(display, False);
        EXPECT_EQ(reached, c.reaches ? std::vector<int>{c.code} : std::vector<int>{});
    }
    XSetErrorHandler(before);
    XCloseDisplay(display);
}

// Sets or unsets an environment variable for one scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : mName(name) {
        if (const char* old = std::getenv(name)) {
            mOld = old;
        }
        value != nullptr ? setenv(name, value, 1) : unsetenv(name);
    }
    ~ScopedEnv() { mOld ? setenv(mName, mOld->c_str(), 1) : unsetenv(mName); }

private:
    const char* mName;
    std::optional<std::string> mOld;
};

// SDL draws into its offscreen driver when it cannot reach a desktop it was told of: that is
// a failed start, unless that driver was asked for or no desktop was named.
TEST(SdlVideoStart, FallingBackToNoScreenIsNoStartWhenADesktopWasNamed) {
    setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 0);
    int number = 4000;
    while (std::filesystem::exists("/tmp/.X" + std::to_string(number) + "-lock") ||
           std::filesystem::exists("/tmp/.X11-unix/X" + std::to_string(number))) {
        ++number;
    }
    const std::string unreachable = ":" + std::to_string(number);
    struct Case {
        const char* display;
        const char* driver;
        bool started;
    };
    for (const Case& c :
         {Case{unreachable.c_str(), nullptr, false}, Case{unreachable.c_str(), "", false},
          Case{unreachable.c_str(), "offscreen", true}, Case{nullptr, nullptr, true}}) {
        SCOPED_TRACE(std::string("DISPLAY=") + (c.display ? c.display : "(unset)") +
                     " SDL_VIDEODRIVER=" + (c.driver ? c.driver : "(unset)"));
        const ScopedEnv display("DISPLAY", c.display);
        const ScopedEnv wayland("WAYLAND_DISPLAY", nullptr);
        const ScopedEnv driver("SDL_VIDEODRIVER", c.driver);
        const SdlWindowSystem system;
        EXPECT_EQ(system.VideoAvailable(), c.started);
        if (!c.started) {
            EXPECT_NE(system.VideoError().find("could not be reached"), std::string::npos)
                << system.VideoError();
        }
    }
}

// While its box is up, shown from another thread as the loading thread shows one, the game's
// own keys go nowhere, nor do those typed meanwhile once the box is gone.
TEST_F(SdlWindowSystemTest, KeysTypedWhileABoxIsUpAreForNobody) {
    WindowParams params;
    params.title = "Vesk keys";
    params.clientSize = Size{320, 240};
    params.procedure = [](const Message&) { return intptr_t{0}; };
    Window* w = system->CreateWindow(params);
    ASSERT_NE(w, nullptr);
    w->Show(ShowCommand::ShowNormal);
    const uint32_t sdlId = system->FindSdlWindow(w->Id())->SdlId();
    auto press = [sdlId](SDL_Keycode key, SDL_Scancode code) {
        SDL_Event event{};
        event.type = SDL_KEYDOWN;
        event.key.windowID = sdlId;
        event.key.keysym.sym = key;
        event.key.keysym.scancode = code;
        ASSERT_EQ(SDL_PushEvent(&event), 1);
    };
    auto keysRead = [this] {
        int keys = 0;
        while (const auto m = system->PeekMessage(true)) {
            keys += m->kind == msg::KeyDown ? 1 : 0;
        }
        return keys;
    };
    keysRead();

    sdl::SetMessageBoxHelperPath(VESK_MESSAGE_BOX_HELPER);
    std::thread box([&] { system->MessageBox(w->Id(), "Keep it?", "t", mb::Ok); });
    pid_t helper = 0;
    while ((helper = HelperPid()) == 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    press(SDLK_a, SDL_SCANCODE_A);
    EXPECT_EQ(keysRead(), 0);
    press(SDLK_b, SDL_SCANCODE_B);
    kill(-helper, SIGKILL);  // the box ends unanswered
    box.join();
    EXPECT_EQ(keysRead(), 0);
    press(SDLK_c, SDL_SCANCODE_C);
    const auto after = WaitFor(msg::KeyDown);
    ASSERT_TRUE(after);
    EXPECT_EQ(after->wparam, uintptr_t{'C'});
}

// A failed group is told from the loading thread, whose SDL data (the error text a message
// box clears) must go with it: the leak check at the end of a run finds it otherwise.
TEST(SdlThreadData, GoesWithAThreadSdlDidNotStart) {
    std::thread([] {
        SDL_ClearError();
        FreeSdlThreadDataAtThreadEnd();
    }).join();
#if defined(__SANITIZE_ADDRESS__)
    EXPECT_EQ(__lsan_do_recoverable_leak_check(), 0);
#endif
}

}  // namespace
}  // namespace platform
