#pragma once

// A game application on a private data folder, a fake clock and a recording music interface,
// for the tests of the game's own parts.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "game/app/GameApp.h"
#include "platform/Clock.h"
#include "platform/Process.h"
#include "platform/headless/FakeClock.h"
#include "sound/MusicInterface.h"
#include "util/CommonSystem.h"

namespace gameapptest {

using Bytes = std::vector<uint8_t>;

class RecordingMusic : public Vesk::MusicInterface {
public:
    bool LoadMusic(int songId, const std::string& fileName) override {
        mCalls.push_back("LoadMusic " + std::to_string(songId) + " " + fileName);
        return false;
    }
    void FadeIn(int songId, int offset, double speed, bool noLoop) override {
        mCalls.push_back("FadeIn " + std::to_string(songId) + " " + std::to_string(offset) + " " +
                         std::to_string(speed) + (noLoop ? " noloop" : " loop"));
    }
    void FadeOut(int songId, bool stopWhenFaded, double speed) override {
        mCalls.push_back("FadeOut " + std::to_string(songId) + (stopWhenFaded ? " stop " : " ") +
                         std::to_string(speed));
    }
    void UnloadAllMusic() override { mCalls.push_back("UnloadAllMusic"); }
    std::vector<std::string> mCalls;
};

// The level count is given; the board's level is the test's; message boxes and error lines
// are recorded too.
class TestGame : public Vesk::GameApp {
public:
    using GameApp::KeepDamagedFile;
    int CountLevelRecords() const override { return mLevels; }
    int32_t BoardLevel() const override { return mLevel; }
    // Shown as well when there is a desktop to show them on.
    int MsgBox(const std::string& text, const std::string& title, uint32_t flags) override {
        mBoxes.push_back(text);
        return mWindowSystem != nullptr ? GameApp::MsgBox(text, title, flags) : 1;
    }
    void LogError(const std::string& text) override {
        mLogged.push_back(text);
        GameApp::LogError(text);
    }
    int mLevels = 100;
    int32_t mLevel = 0;
    std::vector<std::string> mBoxes;
    std::vector<std::string> mLogged;
};

class GameAppTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::SetClock(&mClock);
        mClock.SetTick(100000);
        const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        mDir = (std::filesystem::temp_directory_path() /
                ("vesk_gameapp_" + std::to_string(platform::ProcessId()) + "_" + name))
                   .string();
        std::filesystem::remove_all(mDir);
        std::filesystem::create_directories(mDir);
        Vesk::SetAppDataFolder(mDir + "/");
        mGame = std::make_unique<TestGame>();
        mGame->SetString("PLAYER", u"Player");
        mGame->SetString("NONE", u"NONE");
        mGame->SetString("UNNAMED", u"UNNAMED");
    }
    void TearDown() override {
        mGame.reset();
        Vesk::SetAppDataFolder("");
        platform::SetClock(nullptr);
        std::filesystem::remove_all(mDir);
    }

    std::string Profiles(const std::string& file) const { return mDir + "/profiles/" + file; }
    Bytes Read(const std::string& file) const {
        std::ifstream in(Profiles(file), std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }
    void Write(const std::string& file, const Bytes& bytes) const {
        std::filesystem::create_directories(mDir + "/profiles");
        std::ofstream(Profiles(file), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }

    platform::FakeClock mClock;
    std::string mDir;
    std::unique_ptr<TestGame> mGame;
};

// Little-endian pieces of the player files.
inline void Put32(Bytes& out, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
}
inline void PutName(Bytes& out, const std::string& name) {
    Put32(out, static_cast<uint32_t>(name.size()));
    out.insert(out.end(), name.begin(), name.end());
}

}  // namespace gameapptest
