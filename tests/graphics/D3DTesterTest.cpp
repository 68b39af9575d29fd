#include "graphics/D3DTester.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "D3DTestSupport.h"
#include "platform/Debug.h"
#include "platform/FileSystem.h"
#include "platform/Process.h"

namespace Vesk {
namespace {

using platform::PixelFormat;
using test::DeviceScript;
using test::ScriptedFactory;
using test::TestDisplay;
using test::TestDisplayHost;

constexpr char kTestKey[] = "SOFTWARE\\zandermol\\Vorns\\Test3D";

// Runs in a folder of its own, where the card lists are looked for.
class TesterTest : public ::testing::Test {
protected:
    void SetUp() override {
        static std::atomic<int> counter{0};
        mOldFolder = platform::fs::CurrentDirectory();
        mFolder = ::testing::TempDir() + "d3dtester-" + std::to_string(platform::ProcessId()) +
                  "-" + std::to_string(counter++);
        ASSERT_TRUE(platform::fs::MakeDirectories(mFolder));
        ASSERT_TRUE(platform::fs::SetCurrentDirectory(mFolder));
        platform::SetDebugSink([this](std::string_view text) { mDebug += std::string(text); });
    }
    void TearDown() override {
        platform::SetDebugSink({});
        platform::fs::SetCurrentDirectory(mOldFolder);
        platform::fs::RemoveTree(mFolder);
    }

    static void WriteList(const std::string& name, const std::string& text) {
        ASSERT_TRUE(platform::fs::WriteWholeFileAtomic(name, text.data(), text.size()));
    }

    std::unique_ptr<platform::HeadlessDisplay> MakeDisplay(const PixelFormat& format) {
        mConfig.desktopFormat = format;
        return std::make_unique<platform::HeadlessDisplay>(mConfig);
    }

    // A tester on the host's store with the application's limits.
    std::unique_ptr<D3DTester> MakeTester(platform::SoftDevice3DOptions options = {}) {
        auto tester = std::make_unique<D3DTester>();
        tester->SetVidMemoryConstraints(6, 14);
        tester->SetHost(&mHost);
        tester->SetDeviceFactory(ScriptedFactory(mScript, options));
        return tester;
    }

    // Runs a whole test on a fresh headless display.
    std::unique_ptr<D3DTester> Run(const PixelFormat& format = PixelFormat::Xrgb8888(),
                                   platform::SoftDevice3DOptions options = {}) {
        auto display = MakeDisplay(format);
        auto tester = MakeTester(options);
        tester->TestD3D(nullptr, display.get());
        return tester;
    }

    std::string StoredText(const std::string& name) {
        platform::SettingsStore::Key key;
        if (mHost.store->Open(kTestKey, platform::SettingsAccess::Read, key) !=
            platform::SettingsResult::Ok) {
            return "<no key>";
        }
        char buffer[4096] = {};
        uint32_t type = 0;
        size_t size = sizeof(buffer);
        if (mHost.store->Query(key, name, type, buffer, size) != platform::SettingsResult::Ok) {
            return "<none>";
        }
        return std::string(buffer);
    }
    uint32_t StoredInteger(const std::string& name) {
        platform::SettingsStore::Key key;
        mHost.store->Open(kTestKey, platform::SettingsAccess::Read, key);
        uint8_t bytes[4] = {};
        uint32_t type = 0;
        size_t size = 4;
        mHost.store->Query(key, name, type, bytes, size);
        return uint32_t{bytes[0]} | uint32_t{bytes[1]} << 8 | uint32_t{bytes[2]} << 16 |
               uint32_t{bytes[3]} << 24;
    }
    void Store(const std::string& name, uint32_t type, const std::string& bytes) {
        platform::SettingsStore::Key key;
        ASSERT_EQ(mHost.store->Open(kTestKey, platform::SettingsAccess::WriteOrCreate, key),
                  platform::SettingsResult::Ok);
        ASSERT_EQ(mHost.store->Set(key, name, type, bytes.data(), bytes.size()),
                  platform::SettingsResult::Ok);
    }

    std::string mOldFolder;
    std::string mFolder;
    std::string mDebug;
    platform::HeadlessDisplayConfig mConfig;
    TestDisplayHost mHost;
    std::shared_ptr<DeviceScript> mScript = std::make_shared<DeviceScript>();
};

// ---- A whole run ----------------------------------------------------------------------------

TEST_F(TesterTest, TheSoftwareDevicePassesEveryScene) {
    WriteList("vhw.dat", "Some Card\n  HEADLESS  \n");
    for (const PixelFormat format : {PixelFormat::Xrgb8888(), PixelFormat::Rgb565()}) {
        mHost.store = platform::MakeMemorySettingsStore();
        auto tester = Run(format);
        EXPECT_EQ(tester->mFailureReason, "");
        EXPECT_EQ(tester->mWarning, "");
        EXPECT_TRUE(tester->mFirstTest);
        EXPECT_TRUE(tester->mTexture32);
        EXPECT_EQ(tester->mDescription, "Headless display");
        EXPECT_EQ(StoredInteger("Version"), 2u);
        EXPECT_EQ(StoredInteger("MinVidMemory"), 6u);
        EXPECT_EQ(StoredInteger("RecVidMemory"), 14u);
        EXPECT_EQ(StoredText("FailureReason"), "");
        EXPECT_EQ(StoredText("Warning"), "");
        // Everything the test made is gone again.
        EXPECT_EQ(tester->mD3DDevice, nullptr);
        EXPECT_EQ(tester->mRenderTarget, nullptr);
    }
    EXPECT_EQ(mScript->devicesMade, 2);
    EXPECT_EQ(mScript->Count("BeginScene"), 10u);
}

TEST_F(TesterTest, SixteenBitTexturesAreEnoughWithAWarning) {
    WriteList("vhw.dat", "Headless");
    platform::SoftDevice3DOptions options;
    options.textureFormats = {platform::TexturePixelFormat::A4R4G4B4()};
    auto tester = Run(PixelFormat::Xrgb8888(), options);
    EXPECT_EQ(tester->mFailureReason, "");
    EXPECT_EQ(tester->mWarning, "A8R8G8B8 texture format not supported.");
    EXPECT_FALSE(tester->mTexture32);

    options.textureFormats = {platform::TexturePixelFormat::R5G6B5()};
    mHost.store = platform::MakeMemorySettingsStore();
    tester = Run(PixelFormat::Xrgb8888(), options);
    EXPECT_EQ(tester->mFailureReason, "A4R4G4B4 and A8R8G8B8 texture formats not supported.");
}

TEST_F(TesterTest, ACardThatBlendsWronglyFails) {
    WriteList("vhw.dat", "Headless");
    // "One" as the destination factor comes out as "zero": additive drawing replaces.
    mScript->destBlendSwap[static_cast<uint32_t>(platform::Blend::One)] =
        static_cast<uint32_t>(platform::Blend::Zero);
    auto tester = Run();
    EXPECT_EQ(tester->mFailureReason, "Additive blend not supported.");
    EXPECT_EQ(mScript->Count("BeginScene"), 2u);  // the later tests are not run
    EXPECT_EQ(StoredText("FailureReason"), "Additive blend not supported.");
}

TEST_F(TesterTest, DeviceErrorsNameTheirStep) {
    WriteList("vhw.dat", "Headless");
    mScript->failNext["SetRenderState"] = platform::D3DERR_UNSUPPORTEDFACTORVALUE;
    auto tester = Run();
    EXPECT_EQ(tester->mFailureReason,
              "DXError - D3DRENDERSTATE_ALPHABLENDENABLE, TRUE: D3DERR_UNSUPPORTEDFACTORVALUE");
    // The scene that failed was ended.
    EXPECT_EQ(mScript->Count("EndScene"), 1u);

    tester = std::make_unique<D3DTester>();
    tester->SetDeviceFactory(
        [](std::shared_ptr<platform::Surface>, std::unique_ptr<platform::Device3D>&) {
            return platform::DDERR_NODIRECTDRAWHW;
        });
    auto display = MakeDisplay(PixelFormat::Xrgb8888());
    tester->TestD3D(nullptr, display.get());
    EXPECT_EQ(tester->mFailureReason, "DXError - CreateDevice: DDERR_NODIRECTDRAWHW");

    display->InjectFailure(platform::DisplayOp::GetDeviceIdentifier, platform::DDERR_SURFACELOST);
    tester->TestD3D(nullptr, display.get());
    EXPECT_EQ(tester->mFailureReason, "DXError - GetDeviceIdentifier: DDERR_SURFACELOST");

    tester->TestD3D(nullptr, nullptr);
    EXPECT_EQ(tester->mFailureReason, "No DirectDrawCreateEx");
}

TEST_F(TesterTest, VideoMemoryCountsTheDesktopToo) {
    WriteList("vhw.dat", "Headless");
    // 20 MB and a 1024 by 768 desktop of 32 bits: 23 MB.
    mConfig.videoMemory = uint64_t{20} << 20;
    auto display = MakeDisplay(PixelFormat::Xrgb8888());
    auto tester = MakeTester();
    tester->SetVidMemoryConstraints(23, 23);
    tester->TestD3D(nullptr, display.get());
    EXPECT_EQ(tester->mFailureReason, "");
    EXPECT_EQ(tester->mWarning, "");

    mHost.store = platform::MakeMemorySettingsStore();
    tester->SetVidMemoryConstraints(6, 24);
    tester->TestD3D(nullptr, display.get());
    EXPECT_EQ(tester->mFailureReason, "");
    EXPECT_EQ(tester->mWarning, "Low video memory.");

    mHost.store = platform::MakeMemorySettingsStore();
    const int before = mScript->devicesMade;
    tester->SetVidMemoryConstraints(24, 24);
    tester->TestD3D(nullptr, display.get());
    EXPECT_EQ(tester->mFailureReason, "Not enough video memory.");
    EXPECT_EQ(mScript->devicesMade, before);
    EXPECT_TRUE(tester->mFirstTest);
    EXPECT_EQ(StoredText("FailureReason"), "Not enough video memory.");
}

// ---- Stored results -------------------------------------------------------------------------

TEST_F(TesterTest, AMachineThatPassedIsNotTestedAgain) {
    WriteList("vhw.dat", "Headless");
    Run();
    ASSERT_EQ(mScript->devicesMade, 1);
    auto again = Run();
    EXPECT_EQ(mScript->devicesMade, 1);
    EXPECT_EQ(again->mFailureReason, "");
    EXPECT_FALSE(again->mFirstTest);
    EXPECT_EQ(StoredInteger("Version"), 2u);

    // Other limits are another question.
    auto tester = MakeTester();
    tester->SetVidMemoryConstraints(6, 15);
    auto display = MakeDisplay(PixelFormat::Xrgb8888());
    tester->TestD3D(nullptr, display.get());
    EXPECT_EQ(mScript->devicesMade, 2);
    EXPECT_TRUE(tester->mFirstTest);
    EXPECT_EQ(StoredInteger("RecVidMemory"), 15u);
}

TEST_F(TesterTest, AStoredFailureIsTestedAgainAtEveryStart) {
    WriteList("vhw.dat", "Headless");
    Run();
    Store("FailureReason", platform::kSettingsText,
          std::string("Alpha blend Not Supported") + '\0');
    auto tester = Run();
    EXPECT_EQ(mScript->devicesMade, 2);
    EXPECT_EQ(tester->mFailureReason, "");
    EXPECT_FALSE(tester->mFirstTest);
    EXPECT_EQ(StoredText("FailureReason"), "");
}

TEST_F(TesterTest, UnreadableStoredTextsMeanNoValidResults) {
    WriteList("vhw.dat", "Headless");
    Run();
    // Without a final zero a text still reads, and stands.
    Store("Warning", platform::kSettingsText, "old");
    auto kept = Run();
    EXPECT_EQ(mScript->devicesMade, 1);
    EXPECT_EQ(kept->mWarning, "old");
    // Too long for the buffer, or not text: tested again.
    Store("Warning", platform::kSettingsText, std::string(5000, 'w') + '\0');
    Run();
    EXPECT_EQ(mScript->devicesMade, 2);
    Store("FailureReason", platform::kSettingsBinary, std::string(1, '\0'));
    auto retested = Run();
    EXPECT_EQ(mScript->devicesMade, 3);
    EXPECT_TRUE(retested->mFirstTest);
    EXPECT_EQ(StoredText("Warning"), "");
}

TEST_F(TesterTest, WithoutAStoreTheTestRunsAndKeepsNothing) {
    WriteList("vhw.dat", "Headless");
    mHost.withStore = false;
    auto tester = Run();
    EXPECT_EQ(tester->mFailureReason, "");
    EXPECT_TRUE(tester->mFirstTest);
    mHost.withStore = true;
    EXPECT_EQ(StoredText("Version"), "<no key>");
}

TEST_F(TesterTest, APlayedDemoTakesTheRecordedOutcomeAndProbesNothing) {
    mHost.playing = true;
    mHost.playedStrings = {"recorded failure", "recorded warning"};
    mHost.playedBools = {true};
    auto tester = Run();
    EXPECT_EQ(mScript->devicesMade, 0);
    EXPECT_EQ(tester->mFailureReason, "recorded failure");
    EXPECT_EQ(tester->mWarning, "recorded warning");
    EXPECT_TRUE(tester->mFirstTest);
    EXPECT_EQ(StoredText("Version"), "<no key>");

    mHost.playing = false;
    mHost.recording = true;
    WriteList("vhw.dat", "Headless");
    Run();
    EXPECT_EQ(mHost.recordedStrings, (std::vector<std::string>{"", ""}));
    EXPECT_EQ(mHost.recordedBools, (std::vector<bool>{true}));
}

// ---- Card lists -----------------------------------------------------------------------------

TEST_F(TesterTest, TheBadListWinsOverTheGoodOne) {
    WriteList("vhwb.dat", "\n   headless DISPLAY \r\n");
    WriteList("vhw.dat", "Headless display\nOther card\n");
    D3DTester tester;
    EXPECT_FALSE(tester.IsSupportedCard("Headless Display"));
    EXPECT_TRUE(tester.IsSupportedCard("Other card"));  // absent from the bad list
    auto run = Run();
    EXPECT_EQ(run->mFailureReason, "");
    EXPECT_EQ(run->mWarning, "Unsupported video card: Headless display");
}

TEST_F(TesterTest, AGoodListSupportsOnlyItsCards) {
    WriteList("vhw.dat", "Radeon 9800\n\n");
    D3DTester tester;
    EXPECT_TRUE(tester.IsSupportedCard("ATI RADEON 9800 Pro"));
    EXPECT_FALSE(tester.IsSupportedCard("NVIDIA GeForce"));
}

TEST_F(TesterTest, WithoutListsTheDriverOrTheMakerDecides) {
    D3DTester tester;
    tester.mDriverYear = 2001;
    EXPECT_FALSE(tester.IsSupportedCard("Generic card"));
    EXPECT_TRUE(tester.IsSupportedCard("nVidia GeForce2"));
    EXPECT_TRUE(tester.IsSupportedCard("Mobility RADEON"));
    EXPECT_TRUE(tester.IsSupportedCard("ATI Rage 128"));
    EXPECT_FALSE(tester.IsSupportedCard("Rati"));
    tester.mDriverYear = 2002;
    EXPECT_TRUE(tester.IsSupportedCard("Generic card"));
    tester.mDriverYear = 0;
    EXPECT_FALSE(tester.IsSupportedCard("Headless display"));
}

TEST_F(TesterTest, ADamagedListIsIgnoredAndSaidSo) {
    WriteList("vhwb.dat", std::string("Headless\0\x01\xFF garbage", 19));
    WriteList("vhw.dat", "Headless display");
    D3DTester tester;
    EXPECT_TRUE(tester.IsSupportedCard("Headless display"));
    EXPECT_NE(mDebug.find("vhwb.dat"), std::string::npos) << mDebug;
    EXPECT_NE(mDebug.find("ignored"), std::string::npos) << mDebug;

    // An oversized good list counts as none: the maker decides.
    WriteList("vhw.dat", std::string(D3DTester::kMaxCardListBytes + 1, 'x'));
    EXPECT_TRUE(tester.IsSupportedCard("NVIDIA"));
    EXPECT_FALSE(tester.IsSupportedCard("Headless display"));
}

TEST_F(TesterTest, ListLinesAreMatchedWhole) {
    // A long line is one line, not pieces that could match on their own.
    const std::string list = std::string(4500, 'x') + "Headless display\nshort";
    EXPECT_FALSE(D3DTester::FileMatchesCard(list, "Headless display"));
    EXPECT_TRUE(D3DTester::FileMatchesCard(list, "A Short card"));
    EXPECT_FALSE(D3DTester::FileMatchesCard("\n \t\r\n", "anything"));
    EXPECT_FALSE(D3DTester::FileMatchesCard("", "anything"));
}

// ---- Judging --------------------------------------------------------------------------------

TEST(D3DTesterJudging, DistanceUpTo768IsAccepted) {
    D3DTester tester;
    tester.mCaptureImage.Create(100, 100);
    const uint32_t expected = 0x7F007F;
    auto fill = [&](uint32_t color) { tester.mCaptureImage.FillRect(0, 100, 100, color); };
    fill(0xFF8F108F);  // 16 off in every channel: 768
    EXPECT_TRUE(tester.CheckUniform(expected, "not uniform", "failed"));
    EXPECT_EQ(tester.mWarning, "");
    EXPECT_EQ(tester.mFailureReason, "");
    tester.mCaptureImage.FillRect(505, 1, 1, 0xFF7F007F);
    EXPECT_TRUE(tester.CheckUniform(expected, "not uniform", "failed"));
    EXPECT_EQ(tester.mWarning, "not uniform");
    // 16, 16 and 17 off: 801. Beyond the first 10 by 10 nothing counts.
    tester.mCaptureImage.FillRect(909, 1, 1, 0xFF8F1090);
    tester.mCaptureImage.FillRect(10, 1, 1, 0xFFFFFFFF);
    EXPECT_FALSE(tester.CheckUniform(expected, "not uniform", "failed"));
    EXPECT_EQ(tester.mFailureReason, "failed");
    EXPECT_EQ(D3DTester::ColorDistance(0xFF8F108F, expected), 768);
}

TEST(D3DTesterJudging, StripesAreCountedOverTheirSquare) {
    D3DTester tester;
    tester.mCaptureImage.Create(100, 100);
    D3DTestImage stripes;
    stripes.Create(100, 100);
    stripes.FillStripes();
    tester.mCaptureImage = stripes;
    EXPECT_EQ(tester.CountStripeErrors(), 0);
    tester.mCaptureImage.FillRect(61 * 100 + 60, 1, 1, 0xFFFFFFFF);
    tester.mCaptureImage.FillRect(62 * 100, 1, 5, 0xFF808080);  // outside the square
    EXPECT_EQ(tester.CountStripeErrors(), 1);
    EXPECT_EQ(stripes.At(0, 5), 0xFF000000u);
    EXPECT_EQ(stripes.At(1, 5), 0xFFFFFFFFu);
}

TEST(D3DTesterJudging, HighestBitLooksFromBit31DownToBit1) {
    EXPECT_EQ(D3DTester::HighestBit(0), 0);
    EXPECT_EQ(D3DTester::HighestBit(1), 0);
    EXPECT_EQ(D3DTester::HighestBit(0xF800), 15);
    EXPECT_EQ(D3DTester::HighestBit(0x7E0), 10);
    EXPECT_EQ(D3DTester::HighestBit(0x80000001u), 31);
}

TEST(D3DTesterJudging, TestImagesKeepTheirBounds) {
    D3DTestImage image;
    image.Create(4, 3);
    image.FillRect(2, 5, 5, 0xFF123456);
    EXPECT_EQ(image.At(1, 0), 0xFF000000u);
    EXPECT_EQ(image.At(3, 2), 0xFF123456u);
    image.Create(0, 3);
    EXPECT_TRUE(image.mPixels.empty());
    image.FillRect(0, 1, 1, 1);  // nothing to fill
}

// ---- The display's decision -----------------------------------------------------------------

TEST_F(TesterTest, TheDisplayTurnsThreeDOnForACardThatPassed) {
    WriteList("vhw.dat", "Headless");
    TestDisplay display(PixelFormat::Xrgb8888(), false, ScriptedFactory(mScript), 64, 48, {},
                        [](TestDisplayHost& host) { host.settings.wants3D = true; });
    ASSERT_TRUE(display.Ready()) << display.DD().mErrorString;
    EXPECT_TRUE(display.DD().mIs3D);
    EXPECT_EQ(display.Host().firstTestHooks, 1);
    EXPECT_TRUE(display.Screen()->Check3D());
    ASSERT_NE(display.DD().mD3DTester, nullptr);
    // Only the first initialisation tests.
    display.Reinit();
    EXPECT_EQ(display.Host().firstTestHooks, 1);
    EXPECT_EQ(mScript->Count("BeginScene"), 5u);
}

TEST_F(TesterTest, TheDisplayStaysTwoDForADoubtfulOrFailingCard) {
    {
        // No lists: the headless card is unknown, which on a first test means 2-D.
        TestDisplay display(
            PixelFormat::Xrgb8888(), true, ScriptedFactory(mScript), 64, 48, {},
            [](TestDisplayHost& host) { host.settings.wantsAccelerationTest = true; });
        ASSERT_TRUE(display.Ready());
        EXPECT_FALSE(display.DD().mIs3D);
        EXPECT_EQ(display.DD().mD3DTester->mWarning, "Unsupported video card: Headless display");
    }
    {
        mScript->destBlendSwap[static_cast<uint32_t>(platform::Blend::InvSrcAlpha)] =
            static_cast<uint32_t>(platform::Blend::Zero);
        TestDisplay display(PixelFormat::Xrgb8888(), true, ScriptedFactory(mScript), 64, 48, {},
                            [](TestDisplayHost& host) { host.settings.wants3D = true; });
        ASSERT_TRUE(display.Ready());
        EXPECT_FALSE(display.DD().mIs3D);
        EXPECT_EQ(display.DD().mD3DTester->mFailureReason, "Alpha blend Not Supported");
    }
}

}  // namespace
}  // namespace Vesk
