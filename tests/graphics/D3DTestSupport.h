#pragma once

// Support of the 3-D device tests: a device that logs what it is asked and can be told to
// fail or to blend wrongly, a display host standing in for the application (registry,
// demo stream, minimised window), an image host that hands texture data to the display,
// and a headless display in 2-D or 3-D with helpers to read its draw surface.

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "graphics/D3DInterface.h"
#include "graphics/DDImage.h"
#include "graphics/DDInterface.h"
#include "graphics/ImageHost.h"
#include "platform/Debug.h"
#include "platform/Device3D.h"
#include "platform/PixelOps.h"
#include "platform/SettingsStore.h"
#include "platform/Surface.h"
#include "platform/headless/FakeClock.h"
#include "platform/headless/HeadlessDisplay.h"
#include "platform/headless/HeadlessWindowSystem.h"
#include "platform/soft/SoftDevice3D.h"

namespace Vesk::test {

// One call the scripted device was asked.
struct DeviceCall {
    std::string op;
    platform::PrimitiveType type{};
    std::vector<platform::TLVertex> vertices;
    const platform::Texture3D* texture = nullptr;
    uint32_t state = 0;
    uint32_t value = 0;
    int32_t width = 0;
    int32_t height = 0;
    platform::TexturePixelFormat format;
};

struct DeviceScript {
    std::vector<DeviceCall> calls;
    // The next call of the operation answers this, once; or every call does.
    std::map<std::string, platform::DisplayResult> failNext;
    std::map<std::string, platform::DisplayResult> failAlways;
    // Blend factors exchanged before they reach the device: a card that blends wrongly.
    std::map<uint32_t, uint32_t> destBlendSwap;
    int devicesMade = 0;

    std::vector<const DeviceCall*> Of(const std::string& op) const {
        std::vector<const DeviceCall*> out;
        for (const DeviceCall& call : calls) {
            if (call.op == op) {
                out.push_back(&call);
            }
        }
        return out;
    }
    size_t Count(const std::string& op) const { return Of(op).size(); }
};

class ScriptedDevice3D : public platform::Device3D {
public:
    ScriptedDevice3D(std::unique_ptr<platform::Device3D> inner,
                     std::shared_ptr<DeviceScript> script)
        : mInner(std::move(inner)), mScript(std::move(script)) {}

    platform::DisplayResult GetCaps(platform::DeviceCaps& out) override {
        return Fails("GetCaps", [&] { return mInner->GetCaps(out); });
    }
    platform::DisplayResult EnumTextureFormats(
        std::vector<platform::TexturePixelFormat>& out) override {
        return Fails("EnumTextureFormats", [&] { return mInner->EnumTextureFormats(out); });
    }
    platform::DisplayResult CreateTexture(int32_t width, int32_t height,
                                          const platform::TexturePixelFormat& format,
                                          std::shared_ptr<platform::Texture3D>& out) override {
        DeviceCall& call = Log("CreateTexture");
        call.width = width;
        call.height = height;
        call.format = format;
        return Fails("CreateTexture",
                     [&] { return mInner->CreateTexture(width, height, format, out); });
    }
    platform::DisplayResult CreatePalette(const platform::PaletteEntries& entries,
                                          std::shared_ptr<platform::Palette3D>& out) override {
        Log("CreatePalette");
        return Fails("CreatePalette", [&] { return mInner->CreatePalette(entries, out); });
    }
    platform::DisplayResult SetRenderTarget(std::shared_ptr<platform::Surface> target) override {
        Log("SetRenderTarget");
        return Fails("SetRenderTarget", [&] { return mInner->SetRenderTarget(std::move(target)); });
    }
    platform::DisplayResult SetViewport(const platform::Viewport3D& viewport) override {
        return mInner->SetViewport(viewport);
    }
    platform::DisplayResult GetViewport(platform::Viewport3D& out) override {
        return mInner->GetViewport(out);
    }
    platform::DisplayResult Clear(const platform::SurfaceRect* rects, uint32_t count,
                                  uint32_t flags, uint32_t argb, float z,
                                  uint32_t stencil) override {
        Log("Clear").value = argb;
        return Fails("Clear", [&] { return mInner->Clear(rects, count, flags, argb, z, stencil); });
    }
    platform::DisplayResult BeginScene() override {
        Log("BeginScene");
        return Fails("BeginScene", [&] { return mInner->BeginScene(); });
    }
    platform::DisplayResult EndScene() override {
        Log("EndScene");
        return Fails("EndScene", [&] { return mInner->EndScene(); });
    }
    platform::DisplayResult SetRenderState(platform::RenderState state, uint32_t value) override {
        DeviceCall& call = Log("SetRenderState");
        call.state = static_cast<uint32_t>(state);
        call.value = value;
        if (state == platform::RenderState::DestBlend) {
            if (auto it = mScript->destBlendSwap.find(value); it != mScript->destBlendSwap.end()) {
                value = it->second;
            }
        }
        return Fails("SetRenderState", [&] { return mInner->SetRenderState(state, value); });
    }
    platform::DisplayResult SetTextureStageState(uint32_t stage, platform::TextureStageState state,
                                                 uint32_t value) override {
        DeviceCall& call = Log("SetTextureStageState");
        call.state = static_cast<uint32_t>(state);
        call.value = value;
        return Fails("SetTextureStageState",
                     [&] { return mInner->SetTextureStageState(stage, state, value); });
    }
    platform::DisplayResult SetTexture(uint32_t stage,
                                       std::shared_ptr<platform::Texture3D> texture) override {
        Log("SetTexture").texture = texture.get();
        return Fails("SetTexture", [&] { return mInner->SetTexture(stage, std::move(texture)); });
    }
    platform::DisplayResult DrawPrimitive(platform::PrimitiveType type, uint32_t vertexFormat,
                                          const platform::TLVertex* vertices, uint32_t count,
                                          uint32_t flags) override {
        DeviceCall& call = Log("DrawPrimitive");
        call.type = type;
        call.value = vertexFormat;
        call.vertices.assign(vertices, vertices + count);
        return Fails("DrawPrimitive", [&] {
            return mInner->DrawPrimitive(type, vertexFormat, vertices, count, flags);
        });
    }

private:
    DeviceCall& Log(const char* op) {
        mScript->calls.push_back(DeviceCall{});
        mScript->calls.back().op = op;
        return mScript->calls.back();
    }
    template <typename F>
    platform::DisplayResult Fails(const std::string& op, F call) {
        if (auto it = mScript->failNext.find(op); it != mScript->failNext.end()) {
            const platform::DisplayResult result = it->second;
            mScript->failNext.erase(it);
            return result;
        }
        if (auto it = mScript->failAlways.find(op); it != mScript->failAlways.end()) {
            return it->second;
        }
        return call();
    }

    std::unique_ptr<platform::Device3D> mInner;
    std::shared_ptr<DeviceScript> mScript;
};

// The software device with these options, wrapped in the scripted one.
inline D3DInterface::DeviceFactory ScriptedFactory(std::shared_ptr<DeviceScript> script,
                                                   platform::SoftDevice3DOptions options = {}) {
    return [script, options](std::shared_ptr<platform::Surface> target,
                             std::unique_ptr<platform::Device3D>& out) {
        std::unique_ptr<platform::SoftDevice3D> soft;
        const platform::DisplayResult result =
            platform::SoftDevice3D::Create(std::move(target), options, soft);
        if (platform::Succeeded(result)) {
            ++script->devicesMade;
            out = std::make_unique<ScriptedDevice3D>(std::move(soft), script);
        }
        return result;
    };
}

// The application as the display sees it.
class TestDisplayHost : public DDInterface::Host {
public:
    platform::WindowSystem* windowSystem = nullptr;
    DDInterface::Settings settings;
    std::unique_ptr<platform::SettingsStore> store = platform::MakeMemorySettingsStore();
    bool withStore = true;
    std::string keyPath = "SOFTWARE\\zandermol\\Vorns";
    bool minimized = false;
    bool playing = false;
    bool recording = false;
    std::vector<std::pair<std::string, std::string>> registryWrites;
    // Played values, taken in order; recorded values, in order.
    std::deque<std::string> playedStrings;
    std::deque<bool> playedBools;
    std::vector<std::string> recordedStrings;
    std::vector<bool> recordedBools;
    int firstTestHooks = 0;

    TestDisplayHost() { settings.correctionAspect.Set(4, 3); }

    platform::WindowSystem* GetWindowSystem() override { return windowSystem; }
    void ReadSettings(DDInterface::Settings& out) override { out = settings; }
    void SetScreenBounds(const Rect&) override {}
    void SetRefreshRateClamped(bool) override {}
    void FirstAccelerationTestHook() override { ++firstTestHooks; }
    bool RegistryWriteString(const std::string& name, const std::string& value) override {
        registryWrites.emplace_back(name, value);
        return true;
    }
    platform::SettingsStore* GetSettingsStore() override {
        return withStore ? store.get() : nullptr;
    }
    std::string GetRegistryKeyPath() override { return keyPath; }
    bool IsWindowMinimized() override { return minimized; }
    bool IsPlayingDemo() override { return playing; }
    void DemoSyncString(std::string* value) override {
        if (recording) {
            recordedStrings.push_back(*value);
        } else if (playing && !playedStrings.empty()) {
            *value = playedStrings.front();
            playedStrings.pop_front();
        }
    }
    void DemoSyncBool(bool* value) override {
        if (recording) {
            recordedBools.push_back(*value);
        } else if (playing && !playedBools.empty()) {
            *value = playedBools.front();
            playedBools.pop_front();
        }
    }
};

// Images of the tests live here: texture data goes back to the display as the
// application's image services do it.
class TestImageHost : public ImageHost {
public:
    DDInterface* display = nullptr;

    void RemoveMemoryImage(MemoryImage* image) override { Remove3DData(image); }
    bool Is3DAccelerated() override { return display != nullptr && display->mIs3D; }
    void Remove3DData(MemoryImage* image) override {
        if (display != nullptr) {
            display->RemoveImageTextureData(image);
        }
    }
    bool IsTextureDataCurrent(const MemoryImage& image) override {
        return display != nullptr && display->mD3DInterface->IsTextureDataCurrent(image);
    }
    bool ReadTextureBits(MemoryImage& image, uint32_t* bits) override {
        return display != nullptr && display->mD3DInterface->RecoverBits(&image, bits);
    }
    const NativeDisplay* GetNativeDisplay() override { return display; }
};

// A display in a window of a headless desktop, drawing in 2-D or through the device.
class TestDisplay {
public:
    TestDisplay(const platform::PixelFormat& format, bool is3D,
                D3DInterface::DeviceFactory factory = {}, int32_t width = 64, int32_t height = 48,
                platform::HeadlessDisplayConfig config = {},
                const std::function<void(TestDisplayHost&)>& prepare = {})
        : mConfig(std::move(config)) {
        platform::SetDebugSink([](std::string_view) {});
        mWs.SetScreen(platform::Size{1024, 768}, platform::ScreenRect{0, 0, 1024, 728}, 32);
        mConfig.desktopFormat = format;
        mDD = std::make_unique<DDInterface>(&mWs, [this](auto& out) {
            auto device = std::make_unique<platform::HeadlessDisplay>(mConfig);
            mDevice = device.get();
            out = std::move(device);
            return platform::DD_OK;
        });
        auto host = std::make_unique<TestDisplayHost>();
        mHost = host.get();
        mHost->windowSystem = &mWs;
        mHost->settings.clientWidth = width;
        mHost->settings.clientHeight = height;
        mDD->SetHost(std::move(host));
        if (factory) {
            mDD->mD3DInterface->SetDeviceFactory(std::move(factory));
        }
        mImages.display = mDD.get();
        platform::WindowParams params;
        params.style = platform::WindowStyle::Captioned;
        params.position = platform::Point{10, 10};
        params.clientSize = platform::Size{width, height};
        params.visible = true;
        params.procedure = [](const platform::Message&) -> intptr_t { return 0; };
        platform::Window* window = mWs.CreateWindow(params);
        mWindow = window != nullptr ? window->Id() : platform::kNoWindow;
        mDD->mIs3D = is3D;
        if (prepare) {
            prepare(*mHost);
        }
        mResult = mDD->Init(mWindow, true);
    }
    ~TestDisplay() {
        mDD.reset();
        platform::SetDebugSink({});
    }

    int Reinit() {
        mResult = mDD->Init(mWindow, true);
        return mResult;
    }
    int Result() const { return mResult; }
    bool Ready() const { return mResult == DDInterface::RESULT_OK; }
    DDInterface& DD() { return *mDD; }
    TestDisplayHost& Host() { return *mHost; }
    ImageHost* Images() { return &mImages; }
    platform::HeadlessDisplay& Device() { return *mDevice; }
    DDImage* Screen() { return mDD->GetScreenImage(); }
    D3DInterface& D3D() { return *mDD->mD3DInterface; }

    // The draw surface as 0xFFRRGGBB, channels widened by repeating their bits.
    std::vector<uint32_t> Pixels() {
        std::vector<uint32_t> out;
        platform::Surface* surface = mDD->mDrawSurface.get();
        platform::LockedSurface locked;
        if (surface == nullptr || platform::Failed(surface->Lock(locked))) {
            ADD_FAILURE() << "draw surface cannot be read";
            return out;
        }
        for (int32_t y = 0; y < locked.height; ++y) {
            const auto* row =
                static_cast<const uint8_t*>(locked.bits) + static_cast<ptrdiff_t>(y) * locked.pitch;
            for (int32_t x = 0; x < locked.width; ++x) {
                const uint32_t v = locked.format.bitsPerPixel == 16
                                       ? reinterpret_cast<const uint16_t*>(row)[x]
                                       : reinterpret_cast<const uint32_t*>(row)[x];
                out.push_back(0xFF000000u | (Widen(v, locked.format.redMask) << 16) |
                              (Widen(v, locked.format.greenMask) << 8) |
                              Widen(v, locked.format.blueMask));
            }
        }
        surface->Unlock();
        return out;
    }

    // Writes a picture (0xFFRRGGBB per pixel) straight into the draw surface.
    void Paint(const std::function<uint32_t(int32_t, int32_t)>& argb) {
        platform::Surface* surface = mDD->mDrawSurface.get();
        platform::LockedSurface locked;
        ASSERT_TRUE(surface != nullptr && platform::Succeeded(surface->Lock(locked)));
        for (int32_t y = 0; y < locked.height; ++y) {
            auto* row =
                static_cast<uint8_t*>(locked.bits) + static_cast<ptrdiff_t>(y) * locked.pitch;
            for (int32_t x = 0; x < locked.width; ++x) {
                const uint32_t p = argb(x, y);
                uint32_t value = 0;
                const uint32_t masks[3] = {locked.format.redMask, locked.format.greenMask,
                                           locked.format.blueMask};
                for (int c = 0; c < 3; ++c) {
                    const uint32_t channel = (p >> (16 - 8 * c)) & 0xFF;
                    const int bits = std::popcount(masks[c]);
                    value |= ((channel >> (8 - bits)) << std::countr_zero(masks[c])) & masks[c];
                }
                if (locked.format.bitsPerPixel == 16) {
                    reinterpret_cast<uint16_t*>(row)[x] = static_cast<uint16_t>(value);
                } else {
                    reinterpret_cast<uint32_t*>(row)[x] = value;
                }
            }
        }
        surface->Unlock();
    }

private:
    static uint32_t Widen(uint32_t value, uint32_t mask) {
        return platform::WidenChannel((value & mask) >> std::countr_zero(mask),
                                      std::popcount(mask));
    }

    platform::ScopedFakeClock mClock{1000};
    platform::HeadlessWindowSystem mWs;
    platform::HeadlessDisplayConfig mConfig;
    platform::HeadlessDisplay* mDevice = nullptr;
    std::unique_ptr<DDInterface> mDD;
    TestDisplayHost* mHost = nullptr;
    TestImageHost mImages;
    platform::WindowId mWindow = platform::kNoWindow;
    int mResult = -1;
};

// An image of the given pixels for drawing on a test display.
inline std::unique_ptr<MemoryImage> MakeImage(
    ImageHost* host, int32_t width, int32_t height,
    const std::function<uint32_t(int32_t, int32_t)>& argb) {
    auto image = std::make_unique<MemoryImage>(host);
    std::vector<uint32_t> bits(static_cast<size_t>(width) * static_cast<size_t>(height));
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            bits[static_cast<size_t>(y * width + x)] = argb(x, y);
        }
    }
    image->SetBits(bits.data(), width, height);
    return image;
}

// The largest difference of a colour channel between two pictures, and how many pixels
// differ by more than the tolerance.
struct PictureDifference {
    int32_t largest = 0;
    int32_t beyond = 0;
    int32_t firstX = -1;
    int32_t firstY = -1;
};

inline PictureDifference Compare(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b,
                                 int32_t width, int32_t tolerance) {
    PictureDifference out;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
        int32_t worst = 0;
        for (int shift = 0; shift <= 16; shift += 8) {
            const int32_t d = static_cast<int32_t>((a[i] >> shift) & 0xFF) -
                              static_cast<int32_t>((b[i] >> shift) & 0xFF);
            worst = std::max(worst, d < 0 ? -d : d);
        }
        out.largest = std::max(out.largest, worst);
        if (worst > tolerance) {
            if (out.beyond == 0) {
                out.firstX = static_cast<int32_t>(i % static_cast<size_t>(width));
                out.firstY = static_cast<int32_t>(i / static_cast<size_t>(width));
            }
            ++out.beyond;
        }
    }
    return out;
}

}  // namespace Vesk::test
