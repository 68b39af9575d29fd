#pragma once

#include <array>
#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <string_view>

#include "graphics/D3DInterface.h"
#include "graphics/D3DTestImage.h"
#include "graphics/DDInterface.h"
#include "platform/Device3D.h"
#include "platform/DisplaySystem.h"
#include "platform/SettingsStore.h"

namespace platform {
class Window;
}

namespace Vesk {

// Decides whether the machine's display can be trusted with 3-D drawing: identifies the
// card, checks the video memory, consults the card lists "vhwb.dat" (bad) and "vhw.dat"
// (good) in the working folder, then renders a few small scenes with the blend modes the
// game uses and compares what comes back. The outcome is a failure reason (3-D must not
// be used) and a warning (3-D is doubtful), kept under the settings key "Test3D" with what
// they were measured for, so a machine that passed is not tested again.
class D3DTester {
public:
    // Thrown by the checks of device calls and caught inside the tester.
    class TestException : public std::exception {
    public:
        explicit TestException(std::string message) : mMessage(std::move(message)) {}
        const char* what() const noexcept override { return mMessage.c_str(); }

    private:
        std::string mMessage;
    };

    // The version of the test the stored results belong to.
    static constexpr uint32_t kTestVersion = 2;
    // Longest stored text read back, in bytes with its final zero.
    static constexpr size_t kMaxStoredText = 4096;
    // A card list larger than this is not a list of card names.
    static constexpr size_t kMaxCardListBytes = 1 << 20;

    platform::DisplaySystem* mDisplay = nullptr;  // not owned
    std::shared_ptr<platform::Surface> mRenderTarget;
    std::shared_ptr<platform::Texture3D> mTexture1;
    std::shared_ptr<platform::Texture3D> mTexture2;
    std::unique_ptr<platform::Device3D> mD3DDevice;
    platform::SettingsStore* mStore = nullptr;  // not owned
    platform::SettingsStore::Key mRegKey;
    std::array<uint8_t, 16> mDisplayGUID{};
    std::string mDriverName;
    std::string mDescription;
    D3DTestImage mCaptureImage;
    std::string mFailureReason;
    std::string mWarning;
    uint32_t mMinVidMemory = 0;  // megabytes
    uint32_t mRecVidMemory = 0;
    bool mUseRegistry = true;
    bool mResultsChanged = false;
    bool mFirstTest = false;
    int32_t mDriverYear = 0;
    // The test textures are A8R8G8B8 (else A4R4G4B4).
    bool mTexture32 = true;

    D3DTester();
    virtual ~D3DTester();
    D3DTester(const D3DTester&) = delete;
    D3DTester& operator=(const D3DTester&) = delete;

    void SetVidMemoryConstraints(uint32_t minimum, uint32_t recommended);
    // The application: its settings store and demo stream. Without one nothing is stored
    // and no demo is followed.
    void SetHost(DDInterface::Host* host) { mHost = host; }
    // The 3-D device made on the test's render target; the software device by default.
    void SetDeviceFactory(D3DInterface::DeviceFactory factory) {
        mDeviceFactory = std::move(factory);
    }

    // Runs the whole test; the outcome is in the failure reason, the warning and the
    // first-test flag.
    void TestD3D(platform::Window* window, platform::DisplaySystem* display);
    // True when the blend scenes are to be run.
    bool PrepareTest(platform::Window* window, platform::DisplaySystem* display);
    // The five scenes in order, up to the first that fails.
    bool RunBlendTests();
    bool ReadStoredResults();
    void WriteResults();
    // False for a card of "vhwb.dat"; with "vhw.dat", true for its cards only; without
    // either list, by the driver's year or the maker's name.
    bool IsSupportedCard(const std::string& description);
    // Whether a line of the list (trimmed, not empty) occurs in the description,
    // ignoring case.
    static bool FileMatchesCard(std::string_view listText, const std::string& description);
    // The text of a card list in the working folder; false when there is none, or when it
    // cannot be read or is no text (said on the debug channel).
    static bool ReadCardList(const std::string& fileName, std::string& text);
    bool Fail(const std::string& text);
    bool Warn(const std::string& text);
    // Throws "DXError - <context>: <error name>" for a failure.
    static void CheckDX(platform::DisplayResult result, const std::string& context);
    void ReleaseObjects();
    // Index of the mask's highest set bit from 31 down to 1; 0 when none of those is set.
    static int HighestBit(uint32_t mask);
    // The year (UTC) a file was last changed; 0 when it cannot be found.
    static int32_t FileYear(const std::string& path);

    // Draws the image in 64 by 64 tiles through texture 1 with its top-left at (x, y).
    void DrawTestImage(const D3DTestImage& image, int32_t x, int32_t y, uint32_t color);
    // Reads the render target into the capture image.
    void CaptureTarget();
    // Fail (false) when a pixel of the top-left 10 by 10 is further from the expected
    // colour than the limit; Warn (true) when they are not all alike.
    bool CheckUniform(uint32_t expectedRgb, const std::string& warning, const std::string& failure);
    // Pixels of the top-left 62 by 62 that are not the stripes.
    int32_t CountStripeErrors() const;
    // Squared distance of red, green and blue.
    static int32_t ColorDistance(uint32_t a, uint32_t b);

private:
    struct BlendTest;
    bool RunBlendTest(const BlendTest& test);
    bool RunClipTest();
    // Opens the scene and sets the states every test needs.
    void BeginTestScene(uint32_t srcBlend, const char* srcContext, uint32_t destBlend,
                        const char* destContext);
    bool OpenKey();
    bool HasStoredValue(std::string_view name);
    bool ReadStoredInteger(std::string_view name, uint32_t& value);
    bool ReadStoredText(std::string_view name, std::string& text);

    DDInterface::Host* mHost = nullptr;
    D3DInterface::DeviceFactory mDeviceFactory;
};

}  // namespace Vesk
