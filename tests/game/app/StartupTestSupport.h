#pragma once

// The real game on the headless desktop, started as a player starts it, for the tests of the
// start-up and of whole runs.
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "GameAppTestSupport.h"
#include "platform/FileSystem.h"
#include "platform/SettingsStore.h"
#include "platform/headless/HeadlessWindowSystem.h"

namespace gameapptest {

struct ExitCalled {
    int code;
};

// The game with a recording music interface and settings kept in memory.
class StartupGame : public TestGame {
public:
    explicit StartupGame(platform::WindowSystem* ws) {
        mWindowSystem = ws;
        mSettingsStore = platform::MakeMemorySettingsStore();
        mIsWindowed = true;
    }
    std::unique_ptr<Vesk::MusicInterface> CreateMusicInterface(platform::WindowId) override {
        auto music = std::make_unique<RecordingMusic>();
        mMusic = music.get();
        return music;
    }
    void UpdateFrames() override {
        TestGame::UpdateFrames();
        if (mOnUpdate) {
            mOnUpdate();
        }
    }
    bool Redraw() override {
        const bool shown = TestGame::Redraw();
        if (mOnRedraw) {
            mOnRedraw();
        }
        return shown;
    }
    platform::Window* Main() { return MainWindow(); }
    RecordingMusic* mMusic = nullptr;
    // After every update.
    std::function<void()> mOnUpdate;
    // After every draw, shown or not.
    std::function<void()> mOnRedraw;
};

class StartupTest : public GameAppTest {
protected:
    void SetUp() override {
        GameAppTest::SetUp();
        mGame.reset();
        Vesk::SetAppDataFolder("");
        mOldDir = platform::fs::CurrentDirectory();
        ASSERT_TRUE(platform::fs::SetCurrentDirectory(mDir));
        setenv("XDG_DATA_HOME", mDir.c_str(), 1);
        setenv("XDG_CONFIG_HOME", mDir.c_str(), 1);
        platform::SetExitHandler([](int code) { throw ExitCalled{code}; });
        NewDesktop();
    }
    void TearDown() override {
        mStartup.reset();
        mWs.reset();
        platform::SetExitHandler({});
        platform::fs::SetCurrentDirectory(mOldDir);
        GameAppTest::TearDown();
    }

    void NewDesktop() {
        mWs = std::make_unique<platform::HeadlessWindowSystem>();
        mWs->SetScreen(platform::Size{1920, 1080}, platform::ScreenRect{0, 0, 1920, 1040}, 32);
    }

    void InitOrFail(StartupGame& game) {
        try {
            game.Init();
        } catch (const ExitCalled& exit) {
            std::string boxes;
            for (const auto& box : mWs->MessageBoxes()) {
                boxes += box.text + "\n";
            }
            FAIL() << "exit " << exit.code << ": " << boxes;
        }
    }

    StartupGame& Make(const std::string& commandLine = "vorns") {
        mStartup = std::make_unique<StartupGame>(mWs.get());
        mStartup->SetCommandLine(commandLine);
        mStartup->SetString("PLAYER", u"Player");
        return *mStartup;
    }

    // Links the default data set into the working folder; false when it was not built.
    bool LinkDefaultDataSet() {
#ifdef VESK_DATA_PAK
        const std::filesystem::path pak(VESK_DATA_PAK);
#else
        const std::filesystem::path pak;
#endif
        if (pak.empty() || !std::filesystem::exists(pak)) {
            return false;
        }
        std::filesystem::create_symlink(pak, mDir + "/vorns.pak");
        return true;
    }

    template <typename Condition>
    bool StepUntil(Condition condition, int limit = 5000) {
        for (int i = 0; i < limit; ++i) {
            if (condition()) {
                return true;
            }
            if (!mStartup->UpdateAppStep(nullptr)) {
                return condition();
            }
        }
        return condition();
    }

    std::string mOldDir;
    std::unique_ptr<platform::HeadlessWindowSystem> mWs;
    std::unique_ptr<StartupGame> mStartup;
};

}  // namespace gameapptest
