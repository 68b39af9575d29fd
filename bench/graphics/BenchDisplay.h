#pragma once

// A headless display for the surface benchmarks, so that they draw through the
// surface image's own blits (locking, derived buffers and all) as a game does,
// and the destination surface's pixels for the picture checks and for pixman.

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "BenchImages.h"
#include "graphics/DDImage.h"
#include "graphics/DDInterface.h"
#include "platform/Debug.h"
#include "platform/Surface.h"
#include "platform/headless/FakeClock.h"
#include "platform/headless/HeadlessDisplay.h"
#include "platform/headless/HeadlessWindowSystem.h"

namespace bench {

class BenchDisplay {
public:
    explicit BenchDisplay(const Layout& layout) {
        platform::SetDebugSink([](std::string_view) {});
        mWs.SetScreen(platform::Size{1024, 768}, platform::ScreenRect{0, 0, 1024, 728}, 32);
        mConfig.desktopFormat =
            platform::PixelFormat{layout.bits, layout.red, layout.green, layout.blue};
        mDD = std::make_unique<Vesk::DDInterface>(&mWs, [this](auto& out) {
            out = std::make_unique<platform::HeadlessDisplay>(mConfig);
            return platform::DD_OK;
        });
        mDD->mSettings.clientWidth = kDestWidth;
        mDD->mSettings.clientHeight = kDestHeight;
        platform::WindowParams params;
        params.style = platform::WindowStyle::Captioned;
        params.clientSize = platform::Size{kDestWidth, kDestHeight};
        params.procedure = [](const platform::Message&) -> intptr_t { return 0; };
        if (platform::Window* window = mWs.CreateWindow(params); window != nullptr) {
            mReady = mDD->Init(window->Id(), true) == Vesk::DDInterface::RESULT_OK;
        }
    }
    ~BenchDisplay() {
        mDD.reset();
        platform::SetDebugSink({});
    }
    BenchDisplay(const BenchDisplay&) = delete;
    BenchDisplay& operator=(const BenchDisplay&) = delete;

    bool Ready() const { return mReady; }

    // An opaque surface image holding the picture; null when no surface can
    // be made.
    std::unique_ptr<Vesk::DDImage> MakeSurfaceImage(const std::vector<uint32_t>& argb) {
        auto image = std::make_unique<Vesk::DDImage>(mDD.get());
        image->SetBits(argb.data(), kDestWidth, kDestHeight);
        if (image->GetSurface() == nullptr) {
            return nullptr;
        }
        image->FreeNonSurfaceBuffers();
        return image;
    }

private:
    platform::ScopedFakeClock mClock{1000};
    platform::HeadlessWindowSystem mWs;
    platform::HeadlessDisplayConfig mConfig;
    std::unique_ptr<Vesk::DDInterface> mDD;
    bool mReady = false;
};

// The surface's rows as 32-bit words (16-bit pixels widened), pitch dropped.
inline std::vector<uint32_t> SurfaceWords(Vesk::DDImage& image) {
    std::vector<uint32_t> out;
    platform::LockedSurface locked;
    if (image.mSurface == nullptr || platform::Failed(image.mSurface->Lock(locked))) {
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
    image.mSurface->Unlock();
    return out;
}

// Surface words in a layout to 0xFFRRGGBB, channels widened by shifting.
inline std::vector<uint32_t> ToArgb(const std::vector<uint32_t>& words, const Layout& layout) {
    std::vector<uint32_t> out(words.size());
    const Vesk::SurfaceChannel r = Vesk::ChannelOfMask(layout.red);
    const Vesk::SurfaceChannel g = Vesk::ChannelOfMask(layout.green);
    const Vesk::SurfaceChannel b = Vesk::ChannelOfMask(layout.blue);
    for (size_t i = 0; i < words.size(); ++i) {
        out[i] = Vesk::ConvertFromSurface(words[i], r, g, b);
    }
    return out;
}

// The same words packed at the layout's pixel size, rows 4-byte aligned,
// for a pixman image of the layout.
inline std::vector<uint32_t> PackRows(const std::vector<uint32_t>& words, const Layout& layout,
                                      int32_t& pitch) {
    pitch = ((kDestWidth * layout.bits / 8) + 3) & ~3;
    std::vector<uint32_t> out(static_cast<size_t>(pitch / 4) * kDestHeight);
    auto* bytes = reinterpret_cast<uint8_t*>(out.data());
    for (int32_t y = 0; y < kDestHeight; ++y) {
        uint8_t* row = bytes + static_cast<ptrdiff_t>(pitch) * y;
        for (int32_t x = 0; x < kDestWidth; ++x) {
            const uint32_t v = words[static_cast<size_t>(y * kDestWidth + x)];
            if (layout.bits == 16) {
                reinterpret_cast<uint16_t*>(row)[x] = static_cast<uint16_t>(v);
            } else {
                reinterpret_cast<uint32_t*>(row)[x] = v;
            }
        }
    }
    return out;
}

inline std::vector<uint32_t> UnpackRows(const std::vector<uint32_t>& packed, const Layout& layout,
                                        int32_t pitch) {
    std::vector<uint32_t> out(static_cast<size_t>(kDestWidth) * kDestHeight);
    const auto* bytes = reinterpret_cast<const uint8_t*>(packed.data());
    for (int32_t y = 0; y < kDestHeight; ++y) {
        const uint8_t* row = bytes + static_cast<ptrdiff_t>(pitch) * y;
        for (int32_t x = 0; x < kDestWidth; ++x) {
            out[static_cast<size_t>(y * kDestWidth + x)] =
                layout.bits == 16 ? reinterpret_cast<const uint16_t*>(row)[x]
                                  : reinterpret_cast<const uint32_t*>(row)[x];
        }
    }
    return out;
}

}  // namespace bench
