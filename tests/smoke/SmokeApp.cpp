// A small application for the end-to-end window test: an 800x600 window whose widget manager
// draws a fixed test picture into the screen image every frame, and which reports on stdout
// when the picture was first shown ("SMOKE ready <size> <bits> <red, green, blue masks>
// <windowed|fullscreen> <process id>"), when a click reaches the widget manager and when it
// shuts down. run_smoke.sh drives it and compares the window's pixels with the same picture.
//
// The picture (client coordinates, colours as 8-bit RGB; a 16-bit screen keeps the top bits):
//   rows   0..299  eight bars 100 pixels wide, colours kBars
//   rows 300..315  red ramp, 316..331 green ramp, 332..347 blue ramp, 348..363 grey ramp,
//                  value x * 256 / 800 in the ramp's channels
//   rows 364..599  checker of 8x8 cells, kCheckerA where (x / 8 + y / 8) is even, else kCheckerB
//   a one-pixel frame of kFrame on the outermost rows and columns, over all of the above
#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "app/RunApplication.h"
#include "app/VeskAppBase.h"
#include "graphics/DDImage.h"
#include "platform/Backend.h"
#include "platform/Process.h"
#include "platform/Surface.h"
#include "widgets/Widget.h"
#include "widgets/WidgetManager.h"

namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 600;

struct Rgb {
    uint8_t r;
    uint8_t g;
    uint8_t b;
};

constexpr Rgb kBars[8] = {{255, 255, 255}, {255, 255, 0}, {0, 255, 255}, {0, 255, 0},
                          {255, 0, 255},   {255, 0, 0},   {0, 0, 255},   {0x12, 0x34, 0x56}};
constexpr Rgb kCheckerA = {0xE0, 0x40, 0xA0};
constexpr Rgb kCheckerB = {0x20, 0xC0, 0x60};
constexpr Rgb kFrame = {0xFF, 0x80, 0x00};

Rgb PatternAt(int x, int y) {
    if (x == 0 || y == 0 || x == kWidth - 1 || y == kHeight - 1) {
        return kFrame;
    }
    if (y < 300) {
        return kBars[x / 100];
    }
    if (y < 364) {
        const auto v = static_cast<uint8_t>(x * 256 / kWidth);
        switch ((y - 300) / 16) {
            case 0:
                return {v, 0, 0};
            case 1:
                return {0, v, 0};
            case 2:
                return {0, 0, v};
            default:
                return {v, v, v};
        }
    }
    return ((x / 8 + y / 8) % 2 == 0) ? kCheckerA : kCheckerB;
}

// An 8-bit channel value in a mask's field, keeping the top bits.
uint32_t Pack(uint8_t value, uint32_t mask) {
    if (mask == 0) {
        return 0;
    }
    const int shift = std::countr_zero(mask);
    const int bits = std::popcount(mask);
    return (static_cast<uint32_t>(value) >> (8 - bits) << shift) & mask;
}

void Say(const std::string& line) {
    std::fputs(line.c_str(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// Draws the test picture into the screen image every frame and reports the clicks it gets.
class PatternWidgetManager : public Vesk::WidgetManager {
public:
    using Vesk::WidgetManager::WidgetManager;

    bool MouseDown(int x, int y, int clickCount) override {
        Say("SMOKE click " + std::to_string(x) + " " + std::to_string(y) + " " +
            std::to_string(clickCount));
        return WidgetManager::MouseDown(x, y, clickCount);
    }

    bool DrawScreen() override {
        WidgetManager::DrawScreen();
        if (mImage == nullptr || !mImage->LockSurface()) {
            return false;
        }
        const platform::LockedSurface& desc = mImage->mLockedSurfaceDesc;
        const bool drawn = desc.width == kWidth && desc.height == kHeight &&
                           (desc.format.bitsPerPixel == 16 || desc.format.bitsPerPixel == 32);
        if (drawn) {
            if (!(desc.format == mFrameFormat)) {
                BuildFrame(desc.format);
            }
            const size_t rowBytes = static_cast<size_t>(kWidth) * (desc.format.bitsPerPixel / 8);
            for (int y = 0; y < kHeight; ++y) {
                std::memcpy(
                    static_cast<uint8_t*>(desc.bits) + static_cast<ptrdiff_t>(y) * desc.pitch,
                    mFrame.data() + static_cast<size_t>(y) * rowBytes, rowBytes);
            }
            mDrawnFormat = desc.format;
            ++mFramesDrawn;
        }
        mImage->UnlockSurface();
        return drawn;
    }

    int mFramesDrawn = 0;
    platform::PixelFormat mDrawnFormat;

private:
    // The picture in the surface's own format, built once per format.
    void BuildFrame(const platform::PixelFormat& format) {
        const size_t bytesPerPixel = static_cast<size_t>(format.bitsPerPixel / 8);
        mFrame.assign(static_cast<size_t>(kWidth) * kHeight * bytesPerPixel, 0);
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                const Rgb c = PatternAt(x, y);
                const uint32_t value = Pack(c.r, format.redMask) | Pack(c.g, format.greenMask) |
                                       Pack(c.b, format.blueMask);
                uint8_t* out =
                    mFrame.data() + (static_cast<size_t>(y) * kWidth + x) * bytesPerPixel;
                if (bytesPerPixel == 2) {
                    const auto word = static_cast<uint16_t>(value);
                    std::memcpy(out, &word, 2);
                } else {
                    std::memcpy(out, &value, 4);
                }
            }
        }
        mFrameFormat = format;
    }

    std::vector<uint8_t> mFrame;
    platform::PixelFormat mFrameFormat;
};

// Holds the keyboard focus and reports the characters the toolkit gets.
class KeyProbe : public Vesk::Widget {
public:
    void KeyChar(char c) override {
        Say("SMOKE char " + std::to_string(static_cast<unsigned char>(c)));
    }
};

class SmokeApp : public Vesk::VeskAppBase {
public:
    SmokeApp() {
        mCompanyName = "VeskSmoke";
        mFullCompanyName = "VeskSmoke";
        mProdName = "SmokeApp";
        mRegKey = "VeskSmoke\\SmokeApp";
        mTitle = "Vesk Smoke";
        mWidth = kWidth;
        mHeight = kHeight;
        auto manager = std::make_unique<PatternWidgetManager>(this);
        mManager = manager.get();
        mWidgetManager = std::move(manager);
        mProbe.Resize(0, 0, kWidth, kHeight);
        mWidgetManager->AddWidget(&mProbe);
        mWidgetManager->SetFocus(&mProbe);
    }

    // The shutdown runs this object's hook, so it must be done before the object goes.
    ~SmokeApp() override {
        WaitForLoadingThread();
        Shutdown();
        mWidgetManager->RemoveWidget(&mProbe);
    }

    void ShutdownHook() override { Say("SMOKE shutdown"); }

    bool Redraw() override {
        const bool presented = VeskAppBase::Redraw();
        if (presented && !mReadyReported && mManager->mFramesDrawn > 0) {
            mReadyReported = true;
            const platform::PixelFormat& f = mManager->mDrawnFormat;
            char masks[64];
            std::snprintf(masks, sizeof masks, "%x %x %x", static_cast<unsigned>(f.redMask),
                          static_cast<unsigned>(f.greenMask), static_cast<unsigned>(f.blueMask));
            Say("SMOKE ready " + std::to_string(kWidth) + "x" + std::to_string(kHeight) + " " +
                std::to_string(f.bitsPerPixel) + " " + masks + " " +
                (mIsPhysWindowed ? "windowed" : "fullscreen") + " " +
                std::to_string(platform::ProcessId()));
        }
        return presented;
    }

private:
    PatternWidgetManager* mManager = nullptr;
    bool mReadyReported = false;
    KeyProbe mProbe;
};

}  // namespace

int main(int argc, char** argv) {
    const int code = Vesk::RunApplication(
        argc, argv, [](platform::BackendKind) { return std::make_unique<SmokeApp>(); });
    // Only once the application is gone.
    if (code == 0) {
        Say("SMOKE exit");
    }
    return code;
}
