#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <thread>

#include <unistd.h>

#include "AppTestSupport.h"
#include "graphics/D3DErrorText.h"
#include "graphics/D3DInterface.h"
#include "graphics/D3DTester.h"
#include "graphics/DDImage.h"
#include "graphics/ImageHost.h"
#include "platform/FileSystem.h"
#include "platform/headless/HeadlessAudioDevice.h"
#include "resources/ImageLib.h"
#include "sound/BassLayer.h"
#include "sound/DSoundManager.h"
#include "sound/MusicInterface.h"
#include "sound/PcmSound.h"
#include "sound/SoundManager.h"

namespace apptest {
namespace {

// Records the volume it is given.
class RecordingSoundManager : public Vesk::SoundManager {
public:
    bool Initialized() override { return true; }
    int LoadSoundByName(const std::string&) override { return -1; }
    bool LoadSound(int, const std::string&) override { return false; }
    void ReleaseSound(int) override {}
    void SetVolume(double volume) override { mVolume = volume; }
    bool SetBaseVolume(int, double) override { return false; }
    bool SetBasePan(int, int) override { return false; }
    Vesk::SoundInstance* GetSoundInstance(int) override { return nullptr; }
    void ReleaseSounds() override {}
    void ReleaseChannels() override {}
    double GetMasterVolume() override { return mMasterVolume; }
    void SetMasterVolume(double volume) override { mMasterVolume = volume; }
    void SetCooperativeWindow(platform::WindowId, bool) override {}
    void StopAllSounds() override {}
    int GetFreeSoundId() override { return 0; }
    int GetNumSounds() override { return 0; }

    double mVolume = -1.0;
    double mMasterVolume = 1.0;
};

// Drawn onto a transparent new image, an opaque pixel may come out one step lower per channel.
bool NearPixel(uint32_t a, uint32_t b) {
    if ((a >> 24) != (b >> 24)) {
        return false;
    }
    for (int shift = 0; shift < 24; shift += 8) {
        const int da = static_cast<int>((a >> shift) & 0xFF);
        const int db = static_cast<int>((b >> shift) & 0xFF);
        if (da - db > 1 || db - da > 1) {
            return false;
        }
    }
    return true;
}

class ServicesApp : public TestApp {
public:
    using TestApp::TestApp;
    using VeskAppBase::NewImageFromLoaded;
};

class ServicesTest : public AppTest {
protected:
    ServicesApp& MakeServicesApp() {
        mApp = std::make_unique<ServicesApp>(mWs.get());
        mApp->SetCommandLine("vesk");
        mApp->Init();
        auto sound = std::make_unique<RecordingSoundManager>();
        mSound = sound.get();
        mApp->mSoundManager = std::move(sound);
        return static_cast<ServicesApp&>(*mApp);
    }

    // An opaque picture whose pixels all differ.
    static std::unique_ptr<Vesk::DDImage> Picture(Vesk::VeskAppBase& app, int width, int height) {
        auto image = std::make_unique<Vesk::DDImage>(app.mDDInterface.get());
        std::vector<uint32_t> bits(static_cast<size_t>(width * height));
        for (size_t i = 0; i < bits.size(); ++i) {
            bits[i] = 0xFF000000u | static_cast<uint32_t>(i * 0x030507u);
        }
        image->SetBits(bits.data(), width, height);
        return image;
    }

    RecordingSoundManager* mSound = nullptr;
};

// ---- Sound ----

TEST_F(ServicesTest, SamplesPlayThroughTheRealManagerOnTheAudioDevice) {
    platform::HeadlessAudioDevice device;
    mApp = std::make_unique<ServicesApp>(mWs.get());
    mApp->mAudioDevice = &device;
    mApp->SetCommandLine("vesk");
    mApp->Init();
    auto* sounds = dynamic_cast<Vesk::DSoundManager*>(mApp->mSoundManager.get());
    ASSERT_NE(sounds, nullptr);
    EXPECT_TRUE(sounds->Initialized());
    Vesk::PcmSound tone;
    tone.format = platform::PcmFormat{1, 16, 44100};
    tone.data.assign(200, 0x40);
    ASSERT_TRUE(sounds->FillSlot(0, tone));
    // A headless window starts without the focus, which mutes.
    while (mApp->IsMuted()) {
        mApp->Unmute(true);
    }
    mApp->SetSfxVolume(0.5);
    mApp->PlaySampleWithPan(0, -10000);
    const std::vector<int16_t> out = device.Render(10);
    EXPECT_NEAR(out[0], 0x4040 * 0.499, 20);  // 0.5 is -605 hundredths of a decibel
    EXPECT_EQ(out[1], 0);
    mApp.reset();  // the instances go before the device
}

// The application's own music back end, not the recording one.
class MusicApp : public ServicesApp {
public:
    using ServicesApp::ServicesApp;
    std::unique_ptr<Vesk::MusicInterface> CreateMusicInterface(platform::WindowId window) override {
        return VeskAppBase::CreateMusicInterface(window);
    }
};

TEST_F(ServicesTest, MusicIsHeardAndFollowsTheMusicVolumeAndTheMute) {
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("vesk-music-" + std::to_string(getpid()) + ".wav"))
                                 .string();
    // A WAV stream: 441 frames of 10000, mono, 44100 Hz.
    std::vector<uint8_t> wav = {'R', 'I', 'F',  'F',  0,   0,   0,    0,    'W', 'A', 'V',
                                'E', 'f', 'm',  't',  ' ', 16,  0,    0,    0,   1,   0,
                                1,   0,   0x44, 0xAC, 0,   0,   0x88, 0x58, 1,   0,   2,
                                0,   16,  0,    'd',  'a', 't', 'a',  0x72, 3,   0,   0};
    for (int i = 0; i < 441; ++i) {
        wav.push_back(0x10);
        wav.push_back(0x27);
    }
    ASSERT_TRUE(platform::fs::WriteWholeFileAtomic(path, wav.data(), wav.size()));
    platform::HeadlessAudioDevice device;
    mApp = std::make_unique<MusicApp>(mWs.get());
    mApp->mAudioDevice = &device;
    mApp->SetCommandLine("vesk");
    mApp->Init();
    while (mApp->IsMuted()) {
        mApp->Unmute(true);
    }
    Vesk::MusicInterface& music = *mApp->mMusicInterface;
    ASSERT_TRUE(music.LoadMusic(3, path));
    platform::fs::RemoveFile(path);
    music.PlayMusic(3, 0, false);
    auto peak = [&] {
        Vesk::BassLayerPump();
        const std::vector<int16_t> out = device.Render(2048);
        int most = 0;
        for (size_t i = 1024; i < out.size(); ++i) {  // after the glide to a new volume
            most = std::max(most, std::abs(static_cast<int>(out[i])));
        }
        return most;
    };
    mApp->SetMusicVolume(1.0);
    EXPECT_NEAR(peak(), 10000, 10);
    mApp->SetMusicVolume(0.5);
    EXPECT_NEAR(peak(), 5000, 50);
    mApp->Mute(true);  // as when the window loses the focus
    EXPECT_EQ(peak(), 0);
    mApp->Unmute(true);
    EXPECT_NEAR(peak(), 5000, 50);
    EXPECT_TRUE(music.IsPlaying(3));
    mApp.reset();  // the music goes before the device
}

TEST_F(ServicesTest, MutesNestAndVolumesSetWhileMutedWaitForTheLastUnmute) {
    ServicesApp& app = MakeServicesApp();
    // Start-up left the automatic mute of a window that is not active.
    app.mMuteCount = 0;
    app.mAutoMuteCount = 0;
    app.SetMusicVolume(0.5);
    app.SetSfxVolume(0.75);
    EXPECT_EQ(app.mMusic->mVolume, 0.5);
    EXPECT_EQ(mSound->mVolume, 0.75);

    app.Mute(false);
    app.Mute(true);
    EXPECT_TRUE(app.IsMuted());
    EXPECT_EQ(app.mAutoMuteCount, 1);
    EXPECT_EQ(app.mMusic->mVolume, 0.0);
    EXPECT_EQ(mSound->mVolume, 0.0);

    app.SetMusicVolume(0.25);
    EXPECT_EQ(app.GetMusicVolume(), 0.25);
    EXPECT_EQ(app.mMusic->mVolume, 0.0);

    app.Unmute(true);
    EXPECT_TRUE(app.IsMuted());
    EXPECT_EQ(app.mAutoMuteCount, 0);
    EXPECT_EQ(app.mMusic->mVolume, 0.0);

    app.Unmute(false);
    EXPECT_FALSE(app.IsMuted());
    EXPECT_EQ(app.mMusic->mVolume, 0.25);
    EXPECT_EQ(mSound->mVolume, 0.75);

    // An Unmute too many changes nothing, and the next Mute still mutes.
    app.Unmute(false);
    EXPECT_EQ(app.mMuteCount, 0);
    app.Mute(false);
    EXPECT_TRUE(app.IsMuted());
    EXPECT_EQ(app.mMusic->mVolume, 0.0);
}

// ---- Clipboard ----

TEST_F(ServicesTest, ClipboardRoundTripAndAPlayedDemoNeverTouchesIt) {
    ServicesApp& app = MakeServicesApp();
    app.CopyToClipboard("Vorns \xE9t\xE9");
    EXPECT_EQ(mWs->ClipboardText(), "Vorns \xE9t\xE9");
    EXPECT_EQ(app.GetClipboard(), "Vorns \xE9t\xE9");

    app.mPlayingDemoBuffer = true;
    app.CopyToClipboard("from the demo");
    EXPECT_EQ(mWs->ClipboardText(), "Vorns \xE9t\xE9");
    // The replay has no recorded text to give, and the user's is not read.
    EXPECT_EQ(app.GetClipboard(), "");
    app.mPlayingDemoBuffer = false;
}

TEST_F(ServicesTest, RecordingKeepsTheClipboardTextForTheReplay) {
    ServicesApp& app = MakeServicesApp();
    mWs->SetClipboardText("hello");
    app.mRecordingDemoBuffer = true;
    const int32_t before = app.mDemoBuffer.GetDataLen();
    EXPECT_EQ(app.GetClipboard(), "hello");
    EXPECT_GT(app.mDemoBuffer.GetDataLen(), before);
    app.mRecordingDemoBuffer = false;
}

// ---- Images ----

TEST_F(ServicesTest, GetImageReadsTheFileAndRefusesAnUnreadableOne) {
    ServicesApp& app = MakeServicesApp();
    EXPECT_EQ(app.GetImage(mTempDir + "/missing.png", true), nullptr);

    ImageLib::Image written(2, 1);
    written.mBits = {0xFF112233u, 0x80445566u};
    ASSERT_TRUE(ImageLib::WritePNGImage(mTempDir + "/pic.png", written));
    std::unique_ptr<Vesk::DDImage> image(app.GetImage(mTempDir + "/pic", true));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->mPath, mTempDir + "/pic");
    EXPECT_EQ(image->GetWidth(), 2);
    EXPECT_EQ(image->GetBits()[1], 0x80445566u);
}

TEST_F(ServicesTest, LoadedPixelsBecomeANewImageNamedAfterTheFile) {
    ServicesApp& app = MakeServicesApp();
    ImageLib::Image loaded(3, 2);
    for (size_t i = 0; i < loaded.mBits.size(); ++i) {
        loaded.mBits[i] = 0xFF102030u + static_cast<uint32_t>(i);
    }
    loaded.mBits[5] = 0;  // transparent

    std::unique_ptr<Vesk::DDImage> image(app.NewImageFromLoaded("images/a.png", loaded, true));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->mPath, "images/a.png");
    EXPECT_EQ(image->GetWidth(), 3);
    EXPECT_EQ(image->GetHeight(), 2);
    EXPECT_EQ(image->mDDInterface, app.mDDInterface.get());
    EXPECT_TRUE(image->mHasTrans);  // committed: the pixels were looked at
    EXPECT_TRUE(std::equal(loaded.mBits.begin(), loaded.mBits.end(), image->GetBits()));
    EXPECT_EQ(app.mMemoryImageSet.count(image.get()), 1u);

    // Pixels that don't fill the stated size are refused.
    loaded.mBits.pop_back();
    EXPECT_EQ(app.NewImageFromLoaded("b.png", loaded, false), nullptr);
}

TEST_F(ServicesTest, CopiesHoldTheRectangleAndTheSourcesCels) {
    ServicesApp& app = MakeServicesApp();
    auto source = Picture(app, 6, 4);
    source->mCelColumns = 2;
    const uint32_t* bits = source->GetBits();

    std::unique_ptr<Vesk::DDImage> part(app.CopyImageRect(source.get(), Vesk::Rect(2, 1, 3, 2)));
    ASSERT_NE(part, nullptr);
    ASSERT_EQ(part->GetWidth(), 3);
    ASSERT_EQ(part->GetHeight(), 2);
    EXPECT_EQ(part->mCelColumns, 2);
    const uint32_t* copied = part->GetBits();
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x) {
            EXPECT_TRUE(NearPixel(copied[y * 3 + x], bits[(y + 1) * 6 + x + 2])) << x << "," << y;
        }
    }

    std::unique_ptr<Vesk::DDImage> whole(app.CopyImage(source.get()));
    ASSERT_NE(whole, nullptr);
    EXPECT_TRUE(std::equal(bits, bits + 24, whole->GetBits(), NearPixel));

    EXPECT_EQ(app.CopyImage(nullptr), nullptr);
    EXPECT_EQ(app.CopyImageRect(source.get(), Vesk::Rect(0, 0, -1, 2)), nullptr);
}

TEST_F(ServicesTest, SharedImagesAreKeyedWithoutLetterCase) {
    ServicesApp& app = MakeServicesApp();
    bool isNew = false;
    Vesk::SharedImageRef first = app.GetSharedImage("!a.png", "x", &isNew);
    EXPECT_TRUE(isNew);
    ASSERT_NE(first.GetImage(), nullptr);
    EXPECT_NE(first.GetSharedDDImage(), nullptr);
    Vesk::SharedImageRef second = app.GetSharedImage("!A.PNG", "X", &isNew);
    EXPECT_FALSE(isNew);
    EXPECT_EQ(second.GetImage(), first.GetImage());
    EXPECT_EQ(app.mSharedImageMap.size(), 1u);
    EXPECT_EQ(first.mSharedImage->mRefCount, 2);

    Vesk::SharedImageRef other = app.GetSharedImage("!a.png", "y", &isNew);
    EXPECT_TRUE(isNew);
    EXPECT_NE(other.GetImage(), first.GetImage());

    // An unreadable file gets its slot, without an image.
    Vesk::SharedImageRef missing = app.GetSharedImage("missing.png", "", &isNew);
    EXPECT_TRUE(isNew);
    EXPECT_EQ(missing.GetImage(), nullptr);

    // Released by all, a slot goes at the next clean-up.
    app.mCleanupSharedImages = false;
    first.Release();
    second.Release();
    EXPECT_TRUE(app.mCleanupSharedImages);
    app.CleanSharedImages();
    EXPECT_EQ(app.mSharedImageMap.count({"!A.PNG", "X"}), 0u);
    EXPECT_EQ(app.mSharedImageMap.size(), 2u);
}

TEST_F(ServicesTest, ASharedImageIsNeverSeenWithoutItsPicture) {
    ServicesApp& app = MakeServicesApp();
    std::atomic<int> empty{0};
    auto take = [&] {
        for (int i = 0; i < 300; ++i) {
            Vesk::SharedImageRef ref =
                app.GetSharedImage("!image" + std::to_string(i), "", nullptr);
            if (ref.GetImage() == nullptr) {
                ++empty;
            }
        }
    };
    std::thread loader(take);
    take();
    loader.join();
    EXPECT_EQ(empty, 0);
    EXPECT_EQ(app.mSharedImageMap.size(), 300u);
}

TEST_F(ServicesTest, MemoryImagesFollowTheDisplay) {
    ServicesApp& app = MakeServicesApp();
    auto image = Picture(app, 8, 8);
    EXPECT_EQ(app.mMemoryImageSet.count(image.get()), 1u);
    ASSERT_NE(image->GetSurface(), nullptr);

    app.DeleteExtraImageBuffers();
    EXPECT_EQ(image->mSurface, nullptr);
    ASSERT_NE(image->GetBits(), nullptr);
    app.ReInitImages();
    EXPECT_NE(image->mSurface, nullptr);

    // The screen's surface belongs to the display and stays.
    app.DeleteImageSurfaces();
    EXPECT_EQ(image->mSurface, nullptr);
    ASSERT_NE(app.mDDInterface->GetScreenImage(), nullptr);
    EXPECT_NE(app.mDDInterface->GetScreenImage()->mSurface, nullptr);

    Vesk::MemoryImage* gone = image.get();
    image.reset();
    EXPECT_EQ(app.mMemoryImageSet.count(gone), 0u);
}

TEST_F(ServicesTest, TheApplicationIsTheImageHostWhileItLives) {
    ServicesApp& app = MakeServicesApp();
    Vesk::ImageHost* host = Vesk::GetImageHost();
    ASSERT_NE(host, nullptr);
    EXPECT_EQ(host->GetNativeDisplay(), app.mDDInterface.get());
    EXPECT_FALSE(host->Is3DAccelerated());
    mApp.reset();
    EXPECT_EQ(Vesk::GetImageHost(), nullptr);
}

// ---- 3-D acceleration ----

TEST_F(ServicesTest, ThreeDThatCannotStartFallsBackWithoutAWord) {
    ServicesApp& app = MakeServicesApp();
    const size_t inits = app.mDisplay->mInitWindowed.size();
    app.mDisplay->mResults = {Vesk::DDInterface::RESULT_3D_FAIL};
    app.Set3DAcceleration(true, true);
    EXPECT_FALSE(app.Is3DAccelerated());
    EXPECT_TRUE(app.m3DChangedDuringRun);
    EXPECT_EQ(app.mDisplay->mInitWindowed.size(), inits + 2);
    EXPECT_TRUE(mWs->MessageBoxes().empty());
    EXPECT_EQ(app.mWidgetManager->mImage, app.mDDInterface->GetScreenImage());

    // The same setting again does nothing.
    app.Set3DAcceleration(false, true);
    EXPECT_EQ(app.mDisplay->mInitWindowed.size(), inits + 2);
}

TEST_F(ServicesTest, TwoDThatCannotStartIsFatal) {
    ServicesApp& app = MakeServicesApp();
    app.mDDInterface->mIs3D = true;
    app.mDisplay->mResults = {Vesk::DDInterface::RESULT_SURFACE_FAIL};
    int code = -1;
    try {
        app.Set3DAcceleration(false, true);
    } catch (const ExitCalled& exit) {
        code = exit.code;
    }
    EXPECT_EQ(code, 1);
    ASSERT_EQ(mWs->MessageBoxes().size(), 1u);
    EXPECT_EQ(mWs->MessageBoxes()[0].text,
              "Failed to initialize DirectDraw: RESULT_SURFACE_FAIL scripted failure");
    EXPECT_EQ(mWs->MessageBoxes()[0].title, "FATAL ERROR");
}

// The destructor's questions about a 3-D change, and what they leave in the settings.
TEST_F(ServicesTest, TheEndOfARunAsksAboutAccelerationOnlyWhenItIsInDoubt) {
    struct Case {
        const char* name;
        bool failure;  // the 3-D device recorded an error
        std::vector<int> answers;
        std::vector<std::string> asked;  // string ids of the boxes, in order
        bool stored;
    };
    const std::vector<Case> cases = {
        {"confirmed: written without a word", false, {}, {}, true},
        {"in doubt, kept on, then turned off",
         true,
         {platform::mb::IdYes, platform::mb::IdNo},
         {"Hardware Acceleration was switched on", "Hardware Acceleration may not have"},
         false},
        {"in doubt, kept on twice",
         true,
         {platform::mb::IdYes, platform::mb::IdYes},
         {"Hardware Acceleration was switched on", "Hardware Acceleration may not have"},
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string folder = "settings_" + std::to_string(&c - cases.data());
        ServicesApp& app = MakeServicesApp();
        app.mSettingsStore = platform::MakeFileSettingsStore(folder);
        const std::string keyPath = app.mDDInterface->GetHost()->GetRegistryKeyPath();
        app.Set3DAcceleration(true, true);
        ASSERT_TRUE(app.Is3DConfirmed());
        if (c.failure) {
            Vesk::gD3DErrorText = "device lost";
        }
        for (int answer : c.answers) {
            mWs->QueueMessageBoxAnswer(answer);
        }
        const size_t boxes = mWs->MessageBoxes().size();
        mApp.reset();
        Vesk::gD3DErrorText.clear();

        ASSERT_EQ(mWs->MessageBoxes().size() - boxes, c.asked.size());
        for (size_t i = 0; i < c.asked.size(); ++i) {
            EXPECT_EQ(mWs->MessageBoxes()[boxes + i].text.rfind(c.asked[i], 0), 0u) << i;
            EXPECT_EQ(mWs->MessageBoxes()[boxes + i].title, "Hardware Acceleration Confirmation");
        }
        auto store = platform::MakeFileSettingsStore(folder);
        ASSERT_NE(store, nullptr);
        platform::SettingsStore::Key key;
        ASSERT_EQ(store->Open(keyPath, platform::SettingsAccess::Read, key),
                  platform::SettingsResult::Ok);
        uint32_t type = 0;
        uint32_t value = 7;
        size_t size = sizeof value;
        ASSERT_EQ(store->Query(key, "Is3D", type, &value, size), platform::SettingsResult::Ok);
        EXPECT_EQ(value != 0, c.stored);
        NewDesktop();
    }
}

TEST_F(ServicesTest, AFailedAccelerationTestForgetsTheStoredChoice) {
    ServicesApp& app = MakeServicesApp();
    ASSERT_TRUE(app.RegistryWriteBoolean("Is3D", true));
    app.MakeWindow();
    bool is3D = false;
    EXPECT_TRUE(app.RegistryReadBoolean("Is3D", &is3D)) << "no test ran: the choice stays";

    app.mDDInterface->mD3DTester = std::make_unique<Vesk::D3DTester>();
    app.mDDInterface->mD3DTester->mFailureReason = "Alpha blend Not Supported";
    app.MakeWindow();
    EXPECT_FALSE(app.RegistryReadBoolean("Is3D", &is3D));
}

}  // namespace
}  // namespace apptest
