#pragma once

// A display on the headless device for the surface-image tests: a window,
// a DDInterface initialised in a window on a desktop of the chosen format,
// and helpers to read and write surfaces in their own format.

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "graphics/DDImage.h"
#include "graphics/DDInterface.h"
#include "graphics/SurfaceBlitters.h"
#include "platform/Debug.h"
#include "platform/Surface.h"
#include "platform/headless/FakeClock.h"
#include "platform/headless/HeadlessDisplay.h"
#include "platform/headless/HeadlessWindowSystem.h"

namespace Vesk::test {

inline const char* FormatName(const platform::PixelFormat& f) {
    if (f == platform::PixelFormat::Rgb565()) {
        return "565";
    }
    if (f == platform::PixelFormat::Rgb555()) {
        return "555";
    }
    if (f == platform::PixelFormat::Xrgb8888()) {
        return "8888";
    }
    return "other";
}

// A 16-bit layout that is neither 5-6-5 nor 5-5-5.
inline constexpr platform::PixelFormat kRgb444{16, 0x0F00, 0x00F0, 0x000F};

class SurfaceDisplay {
public:
    explicit SurfaceDisplay(const platform::PixelFormat& format) {
        platform::SetDebugSink([](std::string_view) {});
        mWs.SetScreen(platform::Size{1024, 768}, platform::ScreenRect{0, 0, 1024, 728}, 32);
        mConfig.desktopFormat = format;
        mDD = std::make_unique<DDInterface>(&mWs, [this](auto& out) {
            auto device = std::make_unique<platform::HeadlessDisplay>(mConfig);
            mDevice = device.get();
            out = std::move(device);
            return platform::DD_OK;
        });
        mDD->mSettings.clientWidth = 64;
        mDD->mSettings.clientHeight = 48;
        platform::WindowParams params;
        params.style = platform::WindowStyle::Captioned;
        params.position = platform::Point{10, 10};
        params.clientSize = platform::Size{64, 48};
        params.visible = true;
        params.procedure = [](const platform::Message&) -> intptr_t { return 0; };
        platform::Window* window = mWs.CreateWindow(params);
        if (window != nullptr) {
            mResult = mDD->Init(window->Id(), true);
        }
    }
    ~SurfaceDisplay() {
        mDD.reset();
        platform::SetDebugSink({});
    }

    bool Ready() const { return mResult == DDInterface::RESULT_OK; }
    DDInterface& DD() { return *mDD; }
    platform::HeadlessDisplay& Device() { return *mDevice; }

private:
    platform::ScopedFakeClock mClock{1000};
    platform::HeadlessWindowSystem mWs;
    platform::HeadlessDisplayConfig mConfig;
    platform::HeadlessDisplay* mDevice = nullptr;
    std::unique_ptr<DDInterface> mDD;
    int mResult = -1;
};

// A surface's pixels in its own format, row by row.
inline std::vector<uint32_t> SurfaceValues(platform::Surface& surface) {
    platform::LockedSurface locked;
    std::vector<uint32_t> out;
    if (platform::Failed(surface.Lock(locked))) {
        ADD_FAILURE() << "surface cannot be locked";
        return out;
    }
    for (int32_t y = 0; y < locked.height; ++y) {
        const auto* row =
            static_cast<const uint8_t*>(locked.bits) + static_cast<ptrdiff_t>(y) * locked.pitch;
        for (int32_t x = 0; x < locked.width; ++x) {
            out.push_back(locked.format.bitsPerPixel == 16
                              ? reinterpret_cast<const uint16_t*>(row)[x]
                              : reinterpret_cast<const uint32_t*>(row)[x]);
        }
    }
    surface.Unlock();
    return out;
}

inline void SetSurfaceValue(platform::Surface& surface, int32_t x, int32_t y, uint32_t value) {
    platform::LockedSurface locked;
    ASSERT_FALSE(platform::Failed(surface.Lock(locked)));
    auto* row = static_cast<uint8_t*>(locked.bits) + static_cast<ptrdiff_t>(y) * locked.pitch;
    if (locked.format.bitsPerPixel == 16) {
        reinterpret_cast<uint16_t*>(row)[x] = static_cast<uint16_t>(value);
    } else {
        reinterpret_cast<uint32_t*>(row)[x] = value;
    }
    surface.Unlock();
}

inline SurfaceChannel Channel(uint32_t mask) {
    return ChannelOfMask(mask);
}

// ARGB in the surface's format and back, as the image's conversion does.
inline uint32_t ToSurface(const platform::PixelFormat& f, uint32_t argb) {
    return ConvertToSurface(argb, Channel(f.redMask), Channel(f.greenMask), Channel(f.blueMask));
}
inline uint32_t FromSurface(const platform::PixelFormat& f, uint32_t value) {
    return ConvertFromSurface(value, Channel(f.redMask), Channel(f.greenMask), Channel(f.blueMask));
}

// An opaque surface image of the given pixels, its surface made.
inline std::unique_ptr<DDImage> MakeSurfaceImage(DDInterface& dd, const std::vector<uint32_t>& bits,
                                                 int32_t width, int32_t height) {
    auto image = std::make_unique<DDImage>(&dd);
    image->SetBits(bits.data(), width, height);
    return image;
}

}  // namespace Vesk::test
