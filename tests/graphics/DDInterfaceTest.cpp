#include "graphics/DDInterface.h"

#include <gtest/gtest.h>

#include <atomic>
#include <bit>
#include <functional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "graphics/D3DInterface.h"
#include "graphics/DDImage.h"
#include "graphics/Graphics.h"
#include "graphics/MemoryImage.h"
#include "platform/Debug.h"
#include "platform/headless/FakeClock.h"
#include "platform/headless/HeadlessDisplay.h"
#include "platform/headless/HeadlessWindow.h"
#include "platform/headless/HeadlessWindowSystem.h"
#include "util/Ratio.h"

using namespace Vesk;
using platform::DisplayOp;
using platform::PixelFormat;

namespace {

constexpr uint32_t kBlack = 0xFF000000u;
constexpr uint32_t kCursorColor = 0xFFFF00FFu;
// Every colour here has channels of 0 or 255, which 16-bit screens show exactly.
constexpr uint32_t kPalette[] = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFFFFu,
                                 0xFF00FFFFu, 0xFFFFFF00u, 0xFF000000u};

uint32_t Background(int32_t x, int32_t y) {
    return kPalette[static_cast<size_t>((x / 7 + y / 5) % 7)];
}

uint32_t Pack(const PixelFormat& format, uint32_t argb) {
    uint32_t value = 0;
    const int shifts[3] = {16, 8, 0};
    const uint32_t masks[3] = {format.redMask, format.greenMask, format.blueMask};
    for (int c = 0; c < 3; ++c) {
        const uint32_t channel = (argb >> shifts[c]) & 0xFF;
        const int low = std::countr_zero(masks[c]);
        const int bits = std::popcount(masks[c]);
        value |= ((channel >> (8 - bits)) << low) & masks[c];
    }
    return value;
}

// Writes a picture straight into a surface, in the surface's own format.
void Paint(platform::Surface& surface, const std::function<uint32_t(int32_t, int32_t)>& argb) {
    platform::LockedSurface locked;
    ASSERT_EQ(surface.Lock(locked), platform::DD_OK);
    for (int32_t y = 0; y < locked.height; ++y) {
        auto* row = static_cast<uint8_t*>(locked.bits) + static_cast<ptrdiff_t>(y) * locked.pitch;
        for (int32_t x = 0; x < locked.width; ++x) {
            const uint32_t value = Pack(locked.format, argb(x, y));
            if (locked.format.bitsPerPixel == 16) {
                reinterpret_cast<uint16_t*>(row)[x] = static_cast<uint16_t>(value);
            } else {
                reinterpret_cast<uint32_t*>(row)[x] = value;
            }
        }
    }
    ASSERT_EQ(surface.Unlock(), platform::DD_OK);
}

uint32_t Widen(uint32_t value, uint32_t mask) {
    const int low = std::countr_zero(mask);
    const int bits = std::popcount(mask);
    return platform::WidenChannel((value & mask) >> low, bits);
}

// A surface's picture as 0xFFRRGGBB.
std::vector<uint32_t> ReadBack(platform::Surface& surface) {
    platform::LockedSurface locked;
    std::vector<uint32_t> out;
    if (surface.Lock(locked) != platform::DD_OK) {
        ADD_FAILURE() << "surface cannot be locked";
        return out;
    }
    for (int32_t y = 0; y < locked.height; ++y) {
        auto* row = static_cast<uint8_t*>(locked.bits) + static_cast<ptrdiff_t>(y) * locked.pitch;
        for (int32_t x = 0; x < locked.width; ++x) {
            const uint32_t v = locked.format.bitsPerPixel == 16
                                   ? reinterpret_cast<uint16_t*>(row)[x]
                                   : reinterpret_cast<uint32_t*>(row)[x];
            out.push_back(0xFF000000u | (Widen(v, locked.format.redMask) << 16) |
                          (Widen(v, locked.format.greenMask) << 8) |
                          Widen(v, locked.format.blueMask));
        }
    }
    surface.Unlock();
    return out;
}

// A 16 by 16 cursor: a magenta square with a transparent border of two pixels.
std::unique_ptr<MemoryImage> MakeCursor() {
    auto image = std::make_unique<MemoryImage>(nullptr);
    std::vector<uint32_t> bits(16 * 16, 0u);
    for (int32_t y = 2; y < 14; ++y) {
        for (int32_t x = 2; x < 14; ++x) {
            bits[static_cast<size_t>(y * 16 + x)] = kCursorColor;
        }
    }
    image->SetBits(bits.data(), 16, 16);
    return image;
}

// Where the cursor of MakeCursor shows its colour when its position is (cx, cy).
bool InCursor(int32_t x, int32_t y, int32_t cx, int32_t cy) {
    return x >= cx - 6 && x < cx + 6 && y >= cy - 6 && y < cy + 6;
}

class DDInterfaceTest : public ::testing::Test {
protected:
    void SetUp() override {
        mWs.SetScreen(platform::Size{1024, 768}, platform::ScreenRect{0, 0, 1024, 728}, 32);
        mWs.SetFrame(platform::HeadlessWindow::Frame{3, 20, 3, 3});
        platform::SetDebugSink([this](std::string_view text) { mDebug.emplace_back(text); });
    }

    void TearDown() override {
        mDD.reset();
        platform::SetDebugSink({});
    }

    DDInterface& MakeDisplay(int32_t width = 320, int32_t height = 240) {
        mDD = std::make_unique<DDInterface>(&mWs, [this](auto& out) {
            if (platform::Failed(mCreateResult)) {
                return mCreateResult;
            }
            auto device = std::make_unique<platform::HeadlessDisplay>(mConfig);
            for (const auto& [op, result, skip] : mInjected) {
                device->InjectFailure(op, result, skip);
            }
            mInjected.clear();
            mDevice = device.get();
            out = std::move(device);
            return platform::DD_OK;
        });
        mDD->mSettings.clientWidth = width;
        mDD->mSettings.clientHeight = height;
        mDD->mSettings.colorDepth = 32;
        return *mDD;
    }

    platform::WindowId MakeWindow(bool fullScreen, int32_t width, int32_t height,
                                  platform::Point position = {100, 50}) {
        platform::WindowParams params;
        params.style =
            fullScreen ? platform::WindowStyle::FullScreenPopup : platform::WindowStyle::Captioned;
        params.position = fullScreen ? platform::Point{0, 0} : position;
        params.clientSize = platform::Size{width, height};
        params.visible = true;
        params.procedure = [](const platform::Message&) -> intptr_t { return 0; };
        platform::Window* window = mWs.CreateWindow(params);
        EXPECT_NE(window, nullptr);
        return window != nullptr ? window->Id() : platform::kNoWindow;
    }

    int InitWindowed(int32_t width = 320, int32_t height = 240) {
        if (mDD == nullptr) {
            MakeDisplay(width, height);
        }
        if (mWindow == platform::kNoWindow) {
            mWindow = MakeWindow(false, width, height);
        }
        return mDD->Init(mWindow, true);
    }

    // The picture the player sees, as rows of 0xFFRRGGBB.
    platform::PresentedFrame Frame() { return mDevice->LastFrame(); }

    // Every pixel of the frame, checked against what should be there; the first few
    // differences are reported.
    void ExpectFrame(const std::function<uint32_t(int32_t, int32_t)>& expected) {
        const platform::PresentedFrame frame = Frame();
        int mismatches = 0;
        for (int32_t y = 0; y < frame.height; ++y) {
            for (int32_t x = 0; x < frame.width; ++x) {
                if (frame.At(x, y) != expected(x, y) && ++mismatches <= 5) {
                    ADD_FAILURE() << "pixel (" << x << ", " << y << ") is " << std::hex
                                  << frame.At(x, y) << ", expected " << expected(x, y);
                }
            }
        }
        EXPECT_EQ(mismatches, 0);
    }

    void ExpectBackgroundWithCursorAt(int32_t cx, int32_t cy) {
        ExpectFrame([cx, cy](int32_t x, int32_t y) {
            return InCursor(x, y, cx, cy) ? kCursorColor : Background(x, y);
        });
    }

    platform::ScopedFakeClock mClock{5000};
    platform::HeadlessWindowSystem mWs;
    platform::HeadlessDisplayConfig mConfig;
    platform::DisplayResult mCreateResult = platform::DD_OK;
    std::vector<std::tuple<DisplayOp, platform::DisplayResult, uint32_t>> mInjected;
    platform::HeadlessDisplay* mDevice = nullptr;
    std::unique_ptr<DDInterface> mDD;
    platform::WindowId mWindow = platform::kNoWindow;
    std::vector<std::string> mDebug;
};

TEST(DDInterfaceResultTest, NamesEveryCodeAndUnknownAboveSix) {
    const char* names[] = {"RESULT_OK",
                           "RESULT_FAIL",
                           "RESULT_DD_CREATE_FAIL",
                           "RESULT_SURFACE_FAIL",
                           "RESULT_EXCLUSIVE_FAIL",
                           "RESULT_DISPCHANGE_FAIL",
                           "RESULT_INVALID_COLORDEPTH"};
    for (int code = 0; code < 7; ++code) {
        EXPECT_EQ(DDInterface::ResultToString(code), names[code]);
    }
    EXPECT_EQ(DDInterface::ResultToString(7), "RESULT_UNKNOWN");
    EXPECT_EQ(DDInterface::ResultToString(9), "RESULT_UNKNOWN");
    EXPECT_EQ(DDInterface::ResultToString(-1), "RESULT_UNKNOWN");
}

TEST(DDInterfaceRatioTest, ComparesAspectsByTruncatingDivision) {
    Ratio fourThree;
    fourThree.Set(4, 3);
    Ratio sixteenNine;
    sixteenNine.Set(16, 9);
    Ratio square;
    square.Set(600, 600);
    EXPECT_TRUE(fourThree < sixteenNine);
    EXPECT_FALSE(sixteenNine < fourThree);
    EXPECT_FALSE(fourThree < fourThree);
    EXPECT_TRUE(square < fourThree);
    Ratio broken;
    broken.Set(5, 0);
    EXPECT_FALSE(broken < fourThree);
    EXPECT_FALSE(fourThree < broken);
}

TEST_F(DDInterfaceTest, WindowedInitDescribesA32BitScreen) {
    ASSERT_EQ(InitWindowed(800, 600), DDInterface::RESULT_OK) << mDD->mErrorString;
    EXPECT_TRUE(mDD->mInitialized);
    EXPECT_EQ(mDD->mRGBBits, 32);
    EXPECT_EQ(mDD->mRedShift, 16);
    EXPECT_EQ(mDD->mGreenShift, 8);
    EXPECT_EQ(mDD->mBlueShift, 0);
    EXPECT_EQ(mDD->mRedBits, 8);
    EXPECT_EQ(mDD->mRedAddTable.size(), 511u);
    EXPECT_TRUE(DDInterface::IsStandardChannelOrder());
    EXPECT_EQ(mDD->mPresentationRect, Rect(0, 0, 800, 600));
    EXPECT_EQ(mDD->mDesktopWidth, 1024);

    DDImage* screen = mDD->GetScreenImage();
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(screen->GetWidth(), 800);
    EXPECT_EQ(screen->GetHeight(), 600);
    EXPECT_EQ(screen->mSurface, mDD->mDrawSurface);
    EXPECT_TRUE(mDD->mDDImageSet.count(screen));

    bool announced = false;
    for (const std::string& line : mDebug) {
        announced = announced || line == "Application requests  800 x  600 [ 4: 3]\n";
    }
    EXPECT_TRUE(announced);
}

TEST_F(DDInterfaceTest, Screen565GivesItsLayoutAndSaturationTables) {
    mConfig.desktopFormat = PixelFormat::Rgb565();
    ASSERT_EQ(InitWindowed(), DDInterface::RESULT_OK) << mDD->mErrorString;
    EXPECT_EQ(mDD->mRGBBits, 16);
    EXPECT_EQ(mDD->mRedShift, 11);
    EXPECT_EQ(mDD->mGreenShift, 5);
    EXPECT_EQ(mDD->mBlueShift, 0);
    EXPECT_EQ(mDD->mRedBits, 5);
    EXPECT_EQ(mDD->mGreenBits, 6);
    EXPECT_EQ(mDD->mBlueBits, 5);
    ASSERT_EQ(mDD->mRedAddTable.size(), 63u);
    EXPECT_EQ(mDD->mRedAddTable[40], 31);
    EXPECT_EQ(mDD->mRedAddTable[20], 20);
    EXPECT_EQ(mDD->mGreenAddTable.size(), 127u);
    EXPECT_EQ(mDD->mGreenAddTable[126], 63);
}

TEST_F(DDInterfaceTest, ChannelOrderFollowsTheScreensMasks) {
    mConfig.desktopFormat = PixelFormat{32, 0x000000FF, 0x0000FF00, 0x00FF0000};
    ASSERT_EQ(InitWindowed(), DDInterface::RESULT_OK) << mDD->mErrorString;
    EXPECT_FALSE(DDInterface::IsStandardChannelOrder());
    EXPECT_EQ(mDD->mRedShift, 0);
    EXPECT_EQ(mDD->mBlueShift, 16);
}

TEST_F(DDInterfaceTest, A24BitDesktopCannotRunWindowed) {
    mConfig.desktopFormat = PixelFormat::Rgb888();
    EXPECT_EQ(InitWindowed(), DDInterface::RESULT_INVALID_COLORDEPTH);
    EXPECT_EQ(mDD->mErrorString, "CreateSurface Windowed Primary: DDERR_INVALIDPIXELFORMAT");
    EXPECT_FALSE(mDD->mInitialized);
    // Nothing can be made on such a screen.
    std::shared_ptr<platform::Surface> surface;
    platform::SurfaceDesc desc;
    desc.width = 8;
    desc.height = 8;
    EXPECT_EQ(mDD->CreateSurface(desc, surface), platform::DDERR_INVALIDPIXELFORMAT);
    EXPECT_EQ(surface, nullptr);
}

TEST_F(DDInterfaceTest, RefreshRateIsClampedTo60To100) {
    struct Case {
        uint32_t monitor;
        uint32_t rate;
        uint32_t period;
        bool clamped;
    };
    for (const Case& c : {Case{0, 60, 16, true}, Case{59, 60, 16, true}, Case{120, 100, 10, true},
                          Case{75, 75, 13, false}, Case{60, 60, 16, false}}) {
        mConfig.refreshRate = c.monitor;
        mDD.reset();
        ASSERT_EQ(InitWindowed(), DDInterface::RESULT_OK) << mDD->mErrorString;
        EXPECT_EQ(mDD->mRefreshRate, c.rate) << c.monitor;
        EXPECT_EQ(mDD->mMillisecondsPerFrame, c.period) << c.monitor;
        EXPECT_EQ(mDD->mRefreshRateClamped, c.clamped) << c.monitor;
    }
}

struct FailureCase {
    bool fullScreen;
    DisplayOp op;
    uint32_t skip;
    int result;
    std::string error;
};

TEST_F(DDInterfaceTest, EveryFailingStepGivesItsCodeAndText) {
    const platform::DisplayResult oom = platform::DDERR_OUTOFMEMORY;
    const std::vector<FailureCase> cases = {
        {false, DisplayOp::CreatePrimary, 0, 3, "CreateSurface Windowed Primary: E_OUTOFMEMORY"},
        {false, DisplayOp::CreateOffscreen, 0, 3,
         "CreateSurface Windowed DrawSurface: E_OUTOFMEMORY"},
        {false, DisplayOp::AttachClipper, 0, 1, "CreateClipper Windowed: E_OUTOFMEMORY"},
        {false, DisplayOp::CreateOffscreen, 1, 3, "CreateSurface OldCursorArea: E_OUTOFMEMORY"},
        {false, DisplayOp::CreateOffscreen, 2, 3, "CreateSurface NewCursorArea: E_OUTOFMEMORY"},
        {true, DisplayOp::SetCooperativeLevel, 0, 4,
         "SetCooperativeLevel FullScreen: E_OUTOFMEMORY"},
        {true, DisplayOp::SetDisplayMode, 0, 5, "SetDisplayMode FullScreen: E_OUTOFMEMORY"},
        {true, DisplayOp::CreatePrimary, 0, 3, "CreateSurface FullScreen Primary: E_OUTOFMEMORY"},
        {true, DisplayOp::CreateOffscreen, 0, 3,
         "CreateSurface FullScreen DrawSurface: E_OUTOFMEMORY"},
        {true, DisplayOp::AttachClipper, 0, 1, "CreateClipper FullScreen: E_OUTOFMEMORY"},
    };
    for (const FailureCase& c : cases) {
        mDD.reset();
        mWindow = platform::kNoWindow;
        MakeDisplay(640, 480);
        mInjected = {{c.op, oom, c.skip}};
        const platform::WindowId window = MakeWindow(c.fullScreen, 640, 480);
        EXPECT_EQ(mDD->Init(window, !c.fullScreen), c.result) << c.error;
        EXPECT_EQ(mDD->mErrorString, c.error);
        EXPECT_FALSE(mDD->mInitialized);
        EXPECT_FALSE(mDD->Redraw(nullptr)) << c.error;
        // The next initialisation starts clean and succeeds.
        EXPECT_EQ(mDD->Init(window, !c.fullScreen), DDInterface::RESULT_OK) << c.error;
        mDD.reset();
        mWs.DestroyWindow(window);
    }
}

TEST_F(DDInterfaceTest, DeviceCreationFailuresGiveCode2) {
    mCreateResult = platform::DDERR_NODIRECTDRAWHW;
    EXPECT_EQ(InitWindowed(), DDInterface::RESULT_DD_CREATE_FAIL);
    EXPECT_EQ(mDD->mErrorString, "DirectDrawCreateEx: DDERR_NODIRECTDRAWHW");
    EXPECT_EQ(mDD->GetDisplaySystem(), nullptr);
}

TEST_F(DDInterfaceTest, WithoutAFactoryTheDeviceFollowsTheWindowSystem) {
    mWs.SetScreen(platform::Size{800, 600}, platform::ScreenRect{0, 0, 800, 560}, 16);
    DDInterface display(&mWs, nullptr);
    display.mSettings.clientWidth = 200;
    display.mSettings.clientHeight = 100;
    const platform::WindowId window = MakeWindow(false, 200, 100);
    ASSERT_EQ(display.Init(window, true), DDInterface::RESULT_OK) << display.mErrorString;
    EXPECT_EQ(display.mRGBBits, 16);
    EXPECT_EQ(display.GetDisplaySystem()->DesktopMode().width, 800);
}

TEST_F(DDInterfaceTest, FullScreenNeedsAModeTheMonitorHas) {
    MakeDisplay(700, 500);
    mWindow = MakeWindow(true, 700, 500);
    EXPECT_EQ(mDD->Init(mWindow, false), DDInterface::RESULT_DISPCHANGE_FAIL);
    EXPECT_EQ(mDD->mErrorString, "SetDisplayMode FullScreen: DDERR_INVALIDMODE");
}

TEST_F(DDInterfaceTest, AskingFor3DFailsWithCode7WhenTheDeviceCannotStart) {
    MakeDisplay();
    mDD->mD3DInterface->SetDeviceFactory(
        [](std::shared_ptr<platform::Surface>, std::unique_ptr<platform::Device3D>&) {
            return platform::DDERR_NODIRECTDRAWHW;
        });
    mDD->mIs3D = true;
    EXPECT_EQ(InitWindowed(), DDInterface::RESULT_3D_FAIL);
    EXPECT_EQ(mDD->mErrorString,
              "3D init error: CreateDevice IID_IDirect3DHALDevice: DDERR_NODIRECTDRAWHW");
    mDD->mIs3D = false;
    EXPECT_EQ(mDD->Init(mWindow, true), DDInterface::RESULT_OK);
}

TEST_F(DDInterfaceTest, RedrawBeforeInitPresentsNothing) {
    MakeDisplay();
    EXPECT_FALSE(mDD->Redraw(nullptr));
    EXPECT_FALSE(mDD->mPresenting.load());
}

TEST_F(DDInterfaceTest, WindowedRedrawShowsTheDrawSurface) {
    ASSERT_EQ(InitWindowed(), DDInterface::RESULT_OK) << mDD->mErrorString;
    Paint(*mDD->mDrawSurface, Background);
    EXPECT_TRUE(mDD->Redraw(nullptr)) << mDD->mErrorString;
    EXPECT_FALSE(mDD->mPresenting.load());
    const platform::PresentedFrame frame = Frame();
    EXPECT_EQ(frame.width, 320);
    EXPECT_EQ(frame.height, 240);
    ExpectFrame(Background);
}

TEST_F(DDInterfaceTest, PartialRedrawOnlyShowsItsRectangle) {
    ASSERT_EQ(InitWindowed(), DDInterface::RESULT_OK);
    Paint(*mDD->mDrawSurface, Background);
    const Rect part(10, 20, 30, 40);
    EXPECT_TRUE(mDD->Redraw(&part));
    ExpectFrame(
        [&](int32_t x, int32_t y) { return part.Contains(x, y) ? Background(x, y) : kBlack; });
}

TEST_F(DDInterfaceTest, Screens16And32BitsPresentTheSamePicture) {
    std::vector<std::vector<uint32_t>> frames;
    for (const PixelFormat format :
         {PixelFormat::Rgb565(), PixelFormat::Xrgb8888(), PixelFormat::Rgb555()}) {
        mConfig.desktopFormat = format;
        mDD.reset();
        ASSERT_EQ(InitWindowed(), DDInterface::RESULT_OK) << mDD->mErrorString;
        // Drawn the way the game draws: an image through a drawing context.
        MemoryImage picture(nullptr);
        std::vector<uint32_t> bits;
        for (int32_t y = 0; y < 240; ++y) {
            for (int32_t x = 0; x < 320; ++x) {
                bits.push_back(Background(x, y));
            }
        }
        picture.SetBits(bits.data(), 320, 240);
        Graphics graphics(mDD->GetScreenImage());
        graphics.DrawImage(&picture, 0, 0);
        auto cursor = MakeCursor();
        mDD->SetCursorImage(cursor.get());
        mDD->mCursorX = 50;
        mDD->mCursorY = 60;
        ASSERT_TRUE(mDD->Redraw(nullptr)) << mDD->mErrorString;
        frames.push_back(Frame().pixels);
        ExpectBackgroundWithCursorAt(50, 60);
        mDD->SetCursorImage(nullptr);
    }
    EXPECT_EQ(frames[0], frames[1]);
    EXPECT_EQ(frames[2], frames[1]);
}

TEST_F(DDInterfaceTest, FullScreenFlipsTheFrameWithTheCursor) {
    MakeDisplay(640, 480);
    mWindow = MakeWindow(true, 640, 480);
    ASSERT_EQ(mDD->Init(mWindow, false), DDInterface::RESULT_OK) << mDD->mErrorString;
    EXPECT_TRUE(mDevice->IsFullScreen());
    ASSERT_NE(mDD->mBackSurface, nullptr);
    Paint(*mDD->mDrawSurface, Background);
    auto cursor = MakeCursor();
    mDD->SetCursorImage(cursor.get());
    mDD->mCursorX = 200;
    mDD->mCursorY = 100;
    const uint32_t before = mClock->TickMs();
    ASSERT_TRUE(mDD->Redraw(nullptr)) << mDD->mErrorString;
    // The flip waited for the vertical blank, and not longer than a refresh.
    EXPECT_LE(mClock->TickMs() - before, 17u);
    ExpectBackgroundWithCursorAt(200, 100);
    EXPECT_TRUE(mDD->mCursorDrawn);

    // Between frames the cursor moves on the screen.
    mDD->SetCursorPos(205, 98);
    ExpectBackgroundWithCursorAt(205, 98);

    // With a popup the frame is copied, without a cursor.
    mDD->mSettings.popupShowing = true;
    ASSERT_TRUE(mDD->Redraw(nullptr)) << mDD->mErrorString;
    EXPECT_FALSE(mDD->mCursorDrawn);
    ExpectFrame(Background);
    // The cursor thread still shows it.
    mDD->SetCursorPos(300, 300);
    ExpectBackgroundWithCursorAt(300, 300);
}

TEST_F(DDInterfaceTest, FullScreenWithoutPageFlippingCopiesTheFrame) {
    MakeDisplay(640, 480);
    mDD->mSettings.allowPageFlip = false;
    mWindow = MakeWindow(true, 640, 480);
    ASSERT_EQ(mDD->Init(mWindow, false), DDInterface::RESULT_OK) << mDD->mErrorString;
    Paint(*mDD->mDrawSurface, Background);
    ASSERT_TRUE(mDD->Redraw(nullptr)) << mDD->mErrorString;
    ExpectFrame(Background);
}

TEST_F(DDInterfaceTest, LostSurfacesFailThePresentAndComeBackWithInit) {
    ASSERT_EQ(InitWindowed(), DDInterface::RESULT_OK);
    Paint(*mDD->mDrawSurface, Background);
    ASSERT_TRUE(mDD->Redraw(nullptr));

    mDevice->SimulateSurfaceLoss();
    EXPECT_FALSE(mDD->Redraw(nullptr));
    EXPECT_EQ(mDD->mErrorString, "Redraw Windowed: DDERR_SURFACELOST");
    EXPECT_FALSE(mDD->mPresenting.load());

    // What the application does: make the display again and draw everything anew.
    ASSERT_EQ(mDD->Init(mWindow, true), DDInterface::RESULT_OK) << mDD->mErrorString;
    ASSERT_NE(mDD->GetScreenImage(), nullptr);
    EXPECT_EQ(mDD->GetScreenImage()->mSurface, mDD->mDrawSurface);
    Paint(*mDD->mDrawSurface, [](int32_t x, int32_t y) { return Background(y, x); });
    EXPECT_TRUE(mDD->Redraw(nullptr)) << mDD->mErrorString;
    ExpectFrame([](int32_t x, int32_t y) { return Background(y, x); });
}

TEST_F(DDInterfaceTest, VideoOnlyDrawRebuildsTheScreenImageAndPresentsIt) {
    ASSERT_EQ(InitWindowed(), DDInterface::RESULT_OK);
    mDD->SetVideoOnlyDraw(true);
    ASSERT_TRUE(mDD->mVideoOnlyDraw);
    ASSERT_NE(mDD->mBackSurface, nullptr);
    DDImage* screen = mDD->GetScreenImage();
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(screen->mSurface, mDD->mBackSurface);
    EXPECT_TRUE(screen->mVideoOnly);
    EXPECT_TRUE(screen->mWantVideoMemory);

    Paint(*mDD->mBackSurface, Background);
    auto cursor = MakeCursor();
    mDD->SetCursorImage(cursor.get());
    mDD->mCursorX = 40;
    mDD->mCursorY = 40;
    ASSERT_TRUE(mDD->Redraw(nullptr)) << mDD->mErrorString;
    ExpectBackgroundWithCursorAt(40, 40);
    // The surface drawn into keeps no cursor.
    const std::vector<uint32_t> back = ReadBack(*mDD->mBackSurface);
    for (int32_t y = 0; y < 240; ++y) {
        for (int32_t x = 0; x < 320; ++x) {
            ASSERT_EQ(back[static_cast<size_t>(y * 320 + x)], Background(x, y)) << x << "," << y;
        }
    }

    mDD->SetVideoOnlyDraw(false);
    EXPECT_EQ(mDD->GetScreenImage()->mSurface, mDD->mDrawSurface);
    EXPECT_FALSE(mDD->GetScreenImage()->mVideoOnly);
}

TEST_F(DDInterfaceTest, NarrowWindowIsWidenedToTheCorrectedAspect) {
    MakeDisplay(300, 300);
    mDD->mSettings.correctAspect = true;
    mWindow = MakeWindow(false, 300, 300, {200, 100});
    ASSERT_EQ(mDD->Init(mWindow, true), DDInterface::RESULT_OK) << mDD->mErrorString;
    EXPECT_TRUE(mDD->mIsAspectCorrected);
    EXPECT_EQ(mDD->mDisplayWidth, 400);
    EXPECT_EQ(mDD->mDisplayHeight, 300);
    EXPECT_EQ(mDD->mWidth, 300);
    EXPECT_EQ(mDD->mPresentationRect, Rect(50, 0, 300, 300));
    platform::HeadlessWindow* window = mWs.FindHeadlessWindow(mWindow);
    EXPECT_EQ(window->ClientSize(), (platform::Size{400, 300}));
    EXPECT_EQ(window->Position().x, 150);

    Paint(*mDD->mDrawSurface, Background);
    auto cursor = MakeCursor();
    mDD->SetCursorImage(cursor.get());
    mDD->mCursorX = 60;
    mDD->mCursorY = 100;
    ASSERT_TRUE(mDD->Redraw(nullptr)) << mDD->mErrorString;
    ExpectFrame([](int32_t x, int32_t y) {
        if (x < 50 || x >= 350) {
            return kBlack;
        }
        // The cursor sits at client (60, 100); it is clipped at the picture's left edge.
        return InCursor(x, y, 60, 100) ? kCursorColor : Background(x - 50, y);
    });

    // A second initialisation leaves the widened window where it is.
    ASSERT_EQ(mDD->Init(mWindow, true), DDInterface::RESULT_OK);
    EXPECT_EQ(window->Position().x, 150);
}

TEST_F(DDInterfaceTest, CorrectedWidthCanBeDrawnInto) {
    MakeDisplay(300, 300);
    mDD->mSettings.correctAspect = true;
    mDD->mSettings.drawIntoCorrectedWidth = true;
    mWindow = MakeWindow(false, 300, 300);
    ASSERT_EQ(mDD->Init(mWindow, true), DDInterface::RESULT_OK) << mDD->mErrorString;
    EXPECT_EQ(mDD->mWidth, 400);
    EXPECT_EQ(mDD->mPresentationRect, Rect(0, 0, 400, 300));
    EXPECT_EQ(mDD->GetScreenImage()->GetWidth(), 400);
}

// ---- Software cursor ----

class DDInterfaceCursorTest : public DDInterfaceTest {
protected:
    void SetUp() override {
        DDInterfaceTest::SetUp();
        ASSERT_EQ(InitWindowed(), DDInterface::RESULT_OK) << mDD->mErrorString;
        Paint(*mDD->mDrawSurface, Background);
        mCursor = MakeCursor();
    }

    std::unique_ptr<MemoryImage> mCursor;
};

TEST_F(DDInterfaceCursorTest, SetCursorImageReportsChangesOnly) {
    EXPECT_TRUE(mDD->SetCursorImage(mCursor.get()));
    EXPECT_FALSE(mDD->SetCursorImage(mCursor.get()));
    EXPECT_EQ(mDD->mCursorImage, mCursor.get());
    EXPECT_TRUE(mDD->SetCursorImage(nullptr));
    EXPECT_FALSE(mDD->SetCursorImage(nullptr));
}

TEST_F(DDInterfaceCursorTest, WithoutAnImageNothingIsSavedOrDrawn) {
    mDD->SetCursorPos(100, 100);
    EXPECT_FALSE(mDD->mCursorDrawn);
    ASSERT_TRUE(mDD->Redraw(nullptr));
    EXPECT_FALSE(mDD->mCursorDrawn);
    ExpectFrame(Background);
}

TEST_F(DDInterfaceCursorTest, PresentDrawsTheCursorWithoutTouchingTheFrame) {
    mDD->SetCursorImage(mCursor.get());
    mDD->mCursorX = 100;
    mDD->mCursorY = 100;
    ASSERT_TRUE(mDD->Redraw(nullptr));
    EXPECT_TRUE(mDD->mCursorDrawn);
    EXPECT_EQ(mDD->mCursorDrawnX, 100);
    ExpectBackgroundWithCursorAt(100, 100);
    const std::vector<uint32_t> draw = ReadBack(*mDD->mDrawSurface);
    for (int32_t y = 0; y < 240; ++y) {
        for (int32_t x = 0; x < 320; ++x) {
            ASSERT_EQ(draw[static_cast<size_t>(y * 320 + x)], Background(x, y)) << x << "," << y;
        }
    }
}

TEST_F(DDInterfaceCursorTest, MovesBetweenFramesLeaveNoTraces) {
    mDD->SetCursorImage(mCursor.get());
    mDD->mCursorX = 100;
    mDD->mCursorY = 100;
    ASSERT_TRUE(mDD->Redraw(nullptr));
    const platform::Point path[] = {{103, 101}, {103, 101}, {90, 95},  {140, 100},
                                    {300, 200}, {318, 238}, {5, 3},    {-20, 50},
                                    {-40, 50},  {10, 10},   {150, 120}};
    for (const platform::Point& p : path) {
        mDD->SetCursorPos(p.x, p.y);
        SCOPED_TRACE(std::to_string(p.x) + "," + std::to_string(p.y));
        ExpectBackgroundWithCursorAt(p.x, p.y);
    }
    // A frame after the moves shows the cursor at its newest place, once.
    ASSERT_TRUE(mDD->Redraw(nullptr));
    ExpectBackgroundWithCursorAt(150, 120);
}

TEST_F(DDInterfaceCursorTest, RemovingTheImageTakesTheCursorOffTheScreen) {
    mDD->SetCursorImage(mCursor.get());
    mDD->mCursorX = 100;
    mDD->mCursorY = 100;
    ASSERT_TRUE(mDD->Redraw(nullptr));
    mDD->SetCursorImage(nullptr);
    mDD->SetCursorPos(110, 100);
    EXPECT_FALSE(mDD->mCursorDrawn);
    ExpectFrame(Background);
}

TEST_F(DDInterfaceCursorTest, WhilePresentingOnlyThePositionIsStored) {
    mDD->SetCursorImage(mCursor.get());
    mDD->mPresenting = true;
    mDD->SetCursorPos(80, 80);
    mDD->mPresenting = false;
    EXPECT_EQ(mDD->mCursorX.load(), 80);
    EXPECT_FALSE(mDD->mCursorDrawn);
    ExpectFrame([](int32_t, int32_t) { return kBlack; });
    ASSERT_TRUE(mDD->Redraw(nullptr));
    ExpectBackgroundWithCursorAt(80, 80);
}

TEST_F(DDInterfaceCursorTest, PartialPresentRefreshesBothCursorBoxes) {
    mDD->SetCursorImage(mCursor.get());
    mDD->mCursorX = 100;
    mDD->mCursorY = 100;
    ASSERT_TRUE(mDD->Redraw(nullptr));
    mDD->mCursorX = 200;
    mDD->mCursorY = 150;
    const Rect part(0, 0, 20, 20);
    ASSERT_TRUE(mDD->Redraw(&part));
    ExpectBackgroundWithCursorAt(200, 150);
}

TEST_F(DDInterfaceCursorTest, CursorThreadAndPresentsShareTheScreen) {
    mDD->SetCursorImage(mCursor.get());
    std::atomic<bool> stop{false};
    std::thread mover([&] {
        int32_t step = 0;
        while (!stop.load()) {
            mDD->SetCursorPos(60 + step % 150, 50 + (step * 7) % 120);
            ++step;
        }
    });
    for (int frame = 0; frame < 40; ++frame) {
        ASSERT_TRUE(mDD->Redraw(nullptr));
    }
    stop = true;
    mover.join();
    mDD->SetCursorPos(123, 45);
    ExpectBackgroundWithCursorAt(123, 45);
}

// ---- Presents timed to the scan line ----

class DDInterfaceVSyncTest : public DDInterfaceTest {
protected:
    void SetUp() override {
        DDInterfaceTest::SetUp();
        mWs.SetFrame(platform::HeadlessWindow::Frame{});
        MakeDisplay(320, 240);
        mDD->mSettings.waitForVSync = true;
        mDD->mSettings.softVSyncWait = false;
        mWindow = MakeWindow(false, 320, 240, {0, 0});
        ASSERT_EQ(mDD->Init(mWindow, true), DDInterface::RESULT_OK) << mDD->mErrorString;
        Paint(*mDD->mDrawSurface, Background);
    }

    static std::vector<platform::ScanLineAnswer> Repeat(platform::ScanLineAnswer answer,
                                                        size_t count) {
        return std::vector<platform::ScanLineAnswer>(count, answer);
    }
};

TEST_F(DDInterfaceVSyncTest, SplitPresentFollowsTheScanLine) {
    // Above the middle (120), then past it; then the beam wraps.
    mDevice->ScriptScanLines({{platform::DD_OK, 50},
                              {platform::DD_OK, 130},
                              {platform::DD_OK, 200},
                              {platform::DD_OK, 5}});
    mDD->mVSyncFailCount = 2;
    ASSERT_TRUE(mDD->Redraw(nullptr)) << mDD->mErrorString;
    EXPECT_EQ(mDD->mVSyncFailCount, 0);
    ExpectFrame(Background);
}

TEST_F(DDInterfaceVSyncTest, AFailedScanLineFallsBackToTheVerticalBlank) {
    mDevice->ScriptScanLines({{platform::DDERR_UNSUPPORTED, 0}});
    ASSERT_TRUE(mDD->Redraw(nullptr));
    EXPECT_EQ(mDD->mVSyncFailCount, 1);
    ExpectFrame(Background);
}

TEST_F(DDInterfaceVSyncTest, AScanLineThatNeverPassesTheMiddleIsGivenUpAfter200Ms) {
    mDevice->ScriptScanLines(Repeat({platform::DD_OK, 10}, 1000));
    const uint32_t before = mClock->TickMs();
    ASSERT_TRUE(mDD->Redraw(nullptr));
    const uint32_t waited = mClock->TickMs() - before;
    EXPECT_GE(waited, DDInterface::kScanLineWaitMs);
    EXPECT_LE(waited, DDInterface::kScanLineWaitMs + 20);
    EXPECT_EQ(mDD->mVSyncFailCount, 1);
    ExpectFrame(Background);
}

TEST_F(DDInterfaceVSyncTest, TheSecondScanLineWaitIsBoundedToo) {
    std::vector<platform::ScanLineAnswer> answers = {{platform::DD_OK, 50}, {platform::DD_OK, 130}};
    const auto blank = Repeat({platform::DDERR_VERTICALBLANKINPROGRESS, 0}, 1000);
    answers.insert(answers.end(), blank.begin(), blank.end());
    mDevice->ScriptScanLines(answers);
    const uint32_t before = mClock->TickMs();
    ASSERT_TRUE(mDD->Redraw(nullptr));
    EXPECT_LE(mClock->TickMs() - before, 2 * DDInterface::kScanLineWaitMs + 10);
    EXPECT_EQ(mDD->mVSyncFailCount, 1);
    ExpectFrame(Background);
}

TEST_F(DDInterfaceVSyncTest, AfterThreeFailuresOnlyTheVerticalBlankIsUsed) {
    mDD->mVSyncFailCount = DDInterface::kMaxVSyncFailures;
    mDevice->InjectFailure(DisplayOp::GetScanLine, platform::DDERR_GENERIC);
    ASSERT_TRUE(mDD->Redraw(nullptr));
    ExpectFrame(Background);
    // The scan line was never asked: the failure is still waiting.
    uint32_t line = 0;
    EXPECT_EQ(mDevice->GetScanLine(line), platform::DDERR_GENERIC);
    EXPECT_EQ(mDD->mVSyncFailCount, DDInterface::kMaxVSyncFailures);
}

TEST_F(DDInterfaceVSyncTest, TheWindowKeepsTheWaitOffByDefault) {
    mDD->mSettings.softVSyncWait = true;
    mDevice->InjectFailure(DisplayOp::GetScanLine, platform::DDERR_GENERIC);
    const uint32_t before = mClock->TickMs();
    ASSERT_TRUE(mDD->Redraw(nullptr));
    EXPECT_EQ(mClock->TickMs(), before);
    uint32_t line = 0;
    EXPECT_EQ(mDevice->GetScanLine(line), platform::DDERR_GENERIC);
}

}  // namespace
