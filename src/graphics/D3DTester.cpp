#include "graphics/D3DTester.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <optional>
#include <vector>

#include "platform/Debug.h"
#include "platform/FileSystem.h"
#include "util/CommonText.h"
#include "util/DirectXErrors.h"

namespace Vesk {

using platform::DisplayResult;

namespace {

constexpr int32_t kTileSide = 64;
constexpr int32_t kTargetSide = 100;
constexpr int32_t kDistanceLimit = 768;

template <typename E>
uint32_t U(E value) {
    return static_cast<uint32_t>(value);
}

uint32_t ToA4R4G4B4(uint32_t p) {
    return ((p >> 16) & 0xF000) | ((p >> 12) & 0x0F00) | ((p >> 8) & 0x00F0) | ((p >> 4) & 0x000F);
}

void PutLittle32(uint8_t* out, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out[i] = static_cast<uint8_t>(value >> (8 * i));
    }
}

bool ContainsNoCase(const std::string& haystack, std::string_view needle) {
    return Lower(haystack).find(Lower(needle)) != std::string::npos;
}

}  // namespace

struct D3DTester::BlendTest {
    platform::Blend srcBlend;
    const char* srcContext;
    platform::Blend destBlend;
    const char* destContext;
    bool modulateAlpha;
    uint32_t firstFill;
    uint32_t firstColor;
    uint32_t secondFill;
    uint32_t secondColor;
    uint32_t expected;
    const char* warning;
    const char* failure;
};

D3DTester::D3DTester() = default;

D3DTester::~D3DTester() {
    ReleaseObjects();
}

void D3DTester::SetVidMemoryConstraints(uint32_t minimum, uint32_t recommended) {
    mMinVidMemory = minimum;
    mRecVidMemory = recommended;
}

// ---- The whole test ---------------------------------------------------------

void D3DTester::TestD3D(platform::Window* window, platform::DisplaySystem* display) {
    // A played demo takes the recorded outcome and probes nothing.
    if (mHost == nullptr || !mHost->IsPlayingDemo()) {
        mResultsChanged = false;
        if (PrepareTest(window, display)) {
            RunBlendTests();
        } else if (mUseRegistry && !mResultsChanged) {
            mFirstTest = !HasStoredValue("FailureReason");
            mResultsChanged = true;
        }
        if (mResultsChanged) {
            WriteResults();
        }
        ReleaseObjects();
    }
    if (mHost != nullptr) {
        mHost->DemoSyncString(&mFailureReason);
        mHost->DemoSyncString(&mWarning);
        mHost->DemoSyncBool(&mFirstTest);
    }
}

bool D3DTester::PrepareTest(platform::Window* window, platform::DisplaySystem* display) {
    try {
        ReleaseObjects();
        mDriverYear = 0;
        if (mUseRegistry) {
            OpenKey();
        }
        if (display == nullptr) {
            return Fail("No DirectDrawCreateEx");
        }
        mDisplay = display;

        platform::DeviceIdentifier identifier;
        CheckDX(display->GetDeviceIdentifier(identifier), "GetDeviceIdentifier");
        mDisplayGUID = identifier.guid;
        mDriverName = identifier.driver;
        mDescription = identifier.description;

        platform::VideoMemory memory;
        const DisplayResult memoryResult = display->GetAvailableVidMem(memory);
        uint64_t bytes = platform::Succeeded(memoryResult) ? memory.total : 0;
        const platform::DisplayMode desktop = display->DesktopMode();
        bytes += static_cast<uint64_t>(std::max(desktop.bitsPerPixel, 0) / 8) *
                 static_cast<uint64_t>(std::max(desktop.height, 0)) *
                 static_cast<uint64_t>(std::max(desktop.width, 0));
        const auto megabytes = static_cast<uint32_t>(std::min<uint64_t>(bytes >> 20, UINT32_MAX));
        if (megabytes < mMinVidMemory) {
            return Fail("Not enough video memory.");
        }
        // Kept until the warning is cleared below, so that it is reported.
        std::string memoryWarning;
        if (platform::Failed(memoryResult)) {
            memoryWarning = "GetAvailableVidMem failed: " +
                            GetDirectXErrorString(static_cast<uint32_t>(memoryResult));
        } else if (megabytes < mRecVidMemory) {
            memoryWarning = "Low video memory.";
        }

        if (mUseRegistry) {
            if (ReadStoredResults()) {
                return false;
            }
            mResultsChanged = true;
        }
        mFailureReason.clear();
        mWarning.clear();
        if (!memoryWarning.empty()) {
            Warn(memoryWarning);
        }

        if (!mDriverName.empty() && (mDriverName.find('/') != std::string::npos ||
                                     mDriverName.find('\\') != std::string::npos)) {
            // A bare module name has no system folder to be found in here.
            mDriverYear = FileYear(mDriverName);
        }
        if (!IsSupportedCard(mDescription)) {
            Warn("Unsupported video card: " + mDescription);
        }

        CheckDX(display->SetCooperativeLevel(window, platform::CooperativeLevel::Normal),
                "SetCooperativeLevel");
        platform::SurfaceDesc desc;
        desc.kind = platform::SurfaceKind::Offscreen;
        desc.width = kTargetSide;
        desc.height = kTargetSide;
        desc.memory = platform::MemoryPlace::Video;
        desc.for3D = true;
        DisplayResult result = display->CreateSurface(desc, mRenderTarget);
        if (platform::Succeeded(result) && !mRenderTarget) {
            result = platform::DDERR_GENERIC;
        }
        CheckDX(result, "CreateSurface (Primary)");
        mCaptureImage.Create(kTargetSide, kTargetSide);
        const D3DInterface::DeviceFactory factory =
            mDeviceFactory ? mDeviceFactory : D3DInterface::DefaultDeviceFactory();
        result = factory(mRenderTarget, mD3DDevice);
        if (platform::Succeeded(result) && !mD3DDevice) {
            result = platform::DDERR_GENERIC;
        }
        CheckDX(result, "CreateDevice");

        std::vector<platform::TexturePixelFormat> formats;
        CheckDX(mD3DDevice->EnumTextureFormats(formats), "EnumTextureFormats");
        bool have8888 = false;
        bool have4444 = false;
        for (const platform::TexturePixelFormat& format : formats) {
            have8888 = have8888 || format == platform::TexturePixelFormat::A8R8G8B8();
            have4444 = have4444 || format == platform::TexturePixelFormat::A4R4G4B4();
        }
        if (!have8888) {
            Warn("A8R8G8B8 texture format not supported.");
            if (!have4444) {
                return Fail("A4R4G4B4 and A8R8G8B8 texture formats not supported.");
            }
        }
        mTexture32 = have8888;
        const platform::TexturePixelFormat textureFormat =
            mTexture32 ? platform::TexturePixelFormat::A8R8G8B8()
                       : platform::TexturePixelFormat::A4R4G4B4();
        CheckDX(mD3DDevice->CreateTexture(kTileSide, kTileSide, textureFormat, mTexture1),
                "CreateSurface (TextureSurface1)");
        CheckDX(mD3DDevice->CreateTexture(kTileSide, kTileSide, textureFormat, mTexture2),
                "CreateSurface (TextureSurfacd2)");
        return true;
    } catch (const TestException& e) {
        mFailureReason = e.what();
        return false;
    }
}

void D3DTester::ReleaseObjects() {
    mTexture1.reset();
    mTexture2.reset();
    mD3DDevice.reset();
    mRenderTarget.reset();
    mDisplay = nullptr;
    if (mStore != nullptr) {
        mStore->Close(mRegKey);
    }
    mStore = nullptr;
}

bool D3DTester::Fail(const std::string& text) {
    mFailureReason = text;
    return false;
}

bool D3DTester::Warn(const std::string& text) {
    mWarning = text;
    return true;
}

void D3DTester::CheckDX(DisplayResult result, const std::string& context) {
    if (platform::Failed(result)) {
        throw TestException("DXError - " + context + ": " +
                            GetDirectXErrorString(static_cast<uint32_t>(result)));
    }
}

int D3DTester::HighestBit(uint32_t mask) {
    for (int bit = 31; bit >= 1; --bit) {
        if ((mask & (1u << bit)) != 0) {
            return bit;
        }
    }
    return 0;
}

int32_t D3DTester::FileYear(const std::string& path) {
    const int64_t seconds = platform::fs::ModTime(path);
    if (seconds <= 0) {
        return 0;
    }
    using namespace std::chrono;
    const sys_days day = floor<days>(sys_seconds{std::chrono::seconds{seconds}});
    return static_cast<int32_t>(static_cast<int>(year_month_day{day}.year()));
}

// ---- Card lists ---------------------------------------------------------------

bool D3DTester::ReadCardList(const std::string& fileName, std::string& text) {
    text.clear();
    if (!platform::fs::Exists(fileName)) {
        return false;
    }
    const std::optional<uint64_t> size = platform::fs::FileSize(fileName);
    if (size && *size > kMaxCardListBytes) {
        platform::DebugOutput(fileName + ": card list too large, ignored\n");
        return false;
    }
    const std::optional<std::vector<uint8_t>> bytes = platform::fs::ReadWholeFile(fileName);
    if (!bytes) {
        platform::DebugOutput(fileName + ": card list could not be read, ignored\n");
        return false;
    }
    if (bytes->size() > kMaxCardListBytes) {
        platform::DebugOutput(fileName + ": card list too large, ignored\n");
        return false;
    }
    if (std::find(bytes->begin(), bytes->end(), uint8_t{0}) != bytes->end()) {
        platform::DebugOutput(fileName + ": card list is not text (damaged?), ignored\n");
        return false;
    }
    text.assign(bytes->begin(), bytes->end());
    return true;
}

bool D3DTester::FileMatchesCard(std::string_view listText, const std::string& description) {
    const std::string card = Lower(description);
    size_t start = 0;
    while (start <= listText.size()) {
        size_t end = listText.find('\n', start);
        if (end == std::string_view::npos) {
            end = listText.size();
        }
        const std::string line = Trim(listText.substr(start, end - start));
        if (!line.empty() && card.find(Lower(line)) != std::string::npos) {
            return true;
        }
        start = end + 1;
    }
    return false;
}

bool D3DTester::IsSupportedCard(const std::string& description) {
    std::string list;
    if (ReadCardList("vhwb.dat", list) && FileMatchesCard(list, description)) {
        return false;
    }
    if (ReadCardList("vhw.dat", list)) {
        return FileMatchesCard(list, description);
    }
    return mDriverYear >= 2002 || ContainsNoCase(description, "nvidia") ||
           ContainsNoCase(description, "radeon") || ContainsNoCase(description, "ati ");
}

// ---- Stored results -------------------------------------------------------------

bool D3DTester::OpenKey() {
    mStore = mHost != nullptr ? mHost->GetSettingsStore() : nullptr;
    if (mStore == nullptr) {
        return false;
    }
    const std::string root = mHost->GetRegistryKeyPath();
    if (root.empty() || mStore->Open(root + "\\Test3D", platform::SettingsAccess::WriteOrCreate,
                                     mRegKey) != platform::SettingsResult::Ok) {
        mStore->Close(mRegKey);
        mStore = nullptr;
        return false;
    }
    return true;
}

bool D3DTester::HasStoredValue(std::string_view name) {
    if (mStore == nullptr || !mRegKey.IsOpen()) {
        return false;
    }
    uint32_t type = 0;
    size_t size = 0;
    const platform::SettingsResult result = mStore->Query(mRegKey, name, type, nullptr, size);
    return result == platform::SettingsResult::Ok || result == platform::SettingsResult::TooSmall;
}

bool D3DTester::ReadStoredInteger(std::string_view name, uint32_t& value) {
    uint8_t bytes[4] = {};
    uint32_t type = 0;
    size_t size = sizeof(bytes);
    if (mStore->Query(mRegKey, name, type, bytes, size) != platform::SettingsResult::Ok ||
        size != 4) {
        return false;
    }
    value = uint32_t{bytes[0]} | uint32_t{bytes[1]} << 8 | uint32_t{bytes[2]} << 16 |
            uint32_t{bytes[3]} << 24;
    return true;
}

bool D3DTester::ReadStoredText(std::string_view name, std::string& text) {
    std::vector<char> buffer(kMaxStoredText);
    uint32_t type = 0;
    size_t size = buffer.size();
    // Longer than the buffer, or not text: it cannot be read, and the test runs again.
    if (mStore->Query(mRegKey, name, type, buffer.data(), size) != platform::SettingsResult::Ok ||
        type != platform::kSettingsText || size > buffer.size()) {
        return false;
    }
    // Up to the first zero; a value stored without one ends at its size.
    const auto end = std::find(buffer.begin(), buffer.begin() + static_cast<ptrdiff_t>(size), '\0');
    text.assign(buffer.begin(), end);
    return true;
}

bool D3DTester::ReadStoredResults() {
    mFirstTest = true;
    if (mStore == nullptr || !mRegKey.IsOpen()) {
        return false;
    }
    uint32_t value = 0;
    if (!ReadStoredInteger("Version", value) || value != kTestVersion) {
        return false;
    }
    if (!ReadStoredInteger("MinVidMemory", value) || value != mMinVidMemory) {
        return false;
    }
    if (!ReadStoredInteger("RecVidMemory", value) || value != mRecVidMemory) {
        return false;
    }
    std::array<uint8_t, 17> guid{};
    uint32_t type = 0;
    size_t size = guid.size();
    if (mStore->Query(mRegKey, "DisplayGUID", type, guid.data(), size) !=
            platform::SettingsResult::Ok ||
        size != mDisplayGUID.size() ||
        !std::equal(mDisplayGUID.begin(), mDisplayGUID.end(), guid.begin())) {
        return false;
    }
    std::string failure;
    std::string warning;
    if (!ReadStoredText("FailureReason", failure) || !ReadStoredText("Warning", warning)) {
        return false;
    }
    mFailureReason = failure;
    mWarning = warning;
    mFirstTest = false;
    return mFailureReason.empty();
}

void D3DTester::WriteResults() {
    if (mStore == nullptr || !mRegKey.IsOpen()) {
        return;
    }
    auto writeInteger = [&](std::string_view name, uint32_t value) {
        uint8_t bytes[4];
        PutLittle32(bytes, value);
        mStore->Set(mRegKey, name, platform::kSettingsInteger, bytes, sizeof(bytes));
    };
    auto writeText = [&](std::string_view name, const std::string& text) {
        mStore->Set(mRegKey, name, platform::kSettingsText, text.c_str(), text.size() + 1);
    };
    writeInteger("Version", kTestVersion);
    writeInteger("MinVidMemory", mMinVidMemory);
    writeInteger("RecVidMemory", mRecVidMemory);
    mStore->Set(mRegKey, "DisplayGUID", platform::kSettingsBinary, mDisplayGUID.data(),
                mDisplayGUID.size());
    writeText("FailureReason", mFailureReason);
    writeText("Warning", mWarning);
}

// ---- The scenes -------------------------------------------------------------------

bool D3DTester::RunBlendTests() {
    using platform::Blend;
    static const BlendTest kTests[] = {
        {Blend::SrcAlpha, "D3DRENDERSTATE_SRCBLEND, D3DBLEND_SRCALPHA", Blend::InvSrcAlpha,
         "D3DRENDERSTATE_DESTBLEND, D3DBLEND_INVSRCALPHA", false, 0xFF0000FF, 0xFFFFFFFF,
         0x80FF0000, 0xFFFFFFFF, 0x7F007F, "Alpha blend test not uniform.",
         "Alpha blend Not Supported"},
        {Blend::One, "D3DRENDERSTATE_SRCBLEND, D3DBLEND_ONE", Blend::One,
         "D3DRENDERSTATE_DESTBLEND, D3DBLEND_ONE", false, 0xFF404040, 0xFFFFFFFF, 0xFF404040,
         0xFFFFFFFF, 0x808080, "Additive blend test not uniform.", "Additive blend not supported."},
        {Blend::SrcAlpha, "D3DRENDERSTATE_SRCBLEND, D3DBLEND_SRCALPHA", Blend::One,
         "D3DRENDERSTATE_DESTBLEND, D3DBLEND_ONE", false, 0xFF404040, 0xFFFFFFFF, 0x80808080,
         0xFFFFFFFF, 0x808080, "AlphaAdd blend test not uniform.", "AlphaAdd blend not supported."},
        {Blend::SrcAlpha, "D3DRENDERSTATE_SRCBLEND, D3DBLEND_SRCALPHA", Blend::InvSrcAlpha,
         "D3DRENDERSTATE_DESTBLEND, D3DBLEND_INVSRCALPHA", true, 0xFF0000FF, 0xFFFFFFFF, 0xFFFF0000,
         0x80FFFFFF, 0x7F007F, "AlphaModulated blend test not uniform.",
         "AlphaModulated blend not supported."},
    };
    if (!mD3DDevice || !mTexture1 || !mRenderTarget) {
        return Fail("DXError - CreateDevice: " +
                    GetDirectXErrorString(static_cast<uint32_t>(platform::DDERR_NOTINITIALIZED)));
    }
    for (const BlendTest& test : kTests) {
        if (!RunBlendTest(test)) {
            return false;
        }
    }
    return RunClipTest();
}

void D3DTester::BeginTestScene(uint32_t srcBlend, const char* srcContext, uint32_t destBlend,
                               const char* destContext) {
    platform::Device3D& d = *mD3DDevice;
    CheckDX(d.Clear(nullptr, 0, platform::kClearTarget, 0xFF000000u, 1.0f, 0), "Clear");
    CheckDX(d.SetRenderState(platform::RenderState::AlphaBlendEnable, 1),
            "D3DRENDERSTATE_ALPHABLENDENABLE, TRUE");
    CheckDX(d.SetRenderState(platform::RenderState::SrcBlend, srcBlend), srcContext);
    CheckDX(d.SetRenderState(platform::RenderState::DestBlend, destBlend), destContext);
    CheckDX(d.SetRenderState(platform::RenderState::CullMode, U(platform::Cull::None)),
            "D3DRENDERSTATE_CULLMODE, D3DCULL_NONE");
}

bool D3DTester::RunBlendTest(const BlendTest& test) {
    bool inScene = false;
    try {
        CheckDX(mD3DDevice->BeginScene(), "");
        inScene = true;
        BeginTestScene(U(test.srcBlend), test.srcContext, U(test.destBlend), test.destContext);
        if (test.modulateAlpha) {
            CheckDX(mD3DDevice->SetTextureStageState(0, platform::TextureStageState::AlphaOp,
                                                     U(platform::TextureOp::Modulate)),
                    "D3DTSS_ALPHAOP, D3DTOP_MODULATE");
        }
        D3DTestImage image;
        image.Create(kTileSide, kTileSide);
        image.FillRect(0, kTileSide, kTileSide, test.firstFill);
        DrawTestImage(image, 0, 0, test.firstColor);
        image.FillRect(0, kTileSide, kTileSide, test.secondFill);
        DrawTestImage(image, 0, 0, test.secondColor);
        inScene = false;
        CheckDX(mD3DDevice->EndScene(), "EndScene");
        CaptureTarget();
    } catch (const TestException& e) {
        if (inScene) {
            mD3DDevice->EndScene();
        }
        return Fail(e.what());
    }
    return CheckUniform(test.expected, test.warning, test.failure);
}

bool D3DTester::RunClipTest() {
    bool inScene = false;
    try {
        CheckDX(mD3DDevice->BeginScene(), "");
        inScene = true;
        BeginTestScene(U(platform::Blend::SrcAlpha), "D3DRENDERSTATE_SRCBLEND, D3DBLEND_SRCALPHA",
                       U(platform::Blend::InvSrcAlpha),
                       "D3DRENDERSTATE_DESTBLEND, D3DBLEND_INVSRCALPHA");
        D3DTestImage stripes;
        stripes.Create(kTileSide, kTileSide);
        stripes.FillStripes();
        DrawTestImage(stripes, -2, -2, 0xFFFFFFFF);
        inScene = false;
        CheckDX(mD3DDevice->EndScene(), "EndScene");
        CaptureTarget();
    } catch (const TestException& e) {
        if (inScene) {
            mD3DDevice->EndScene();
        }
        return Fail(e.what());
    }
    if (CountStripeErrors() > 0) {
        Warn("Clip problem detected.");
    }
    return true;
}

void D3DTester::DrawTestImage(const D3DTestImage& image, int32_t x, int32_t y, uint32_t color) {
    for (int32_t tileY = 0; tileY < image.mHeight; tileY += kTileSide) {
        for (int32_t tileX = 0; tileX < image.mWidth; tileX += kTileSide) {
            const int32_t w = std::min(kTileSide, image.mWidth - tileX);
            const int32_t h = std::min(kTileSide, image.mHeight - tileY);
            platform::LockedTexture locked;
            CheckDX(mTexture1->Lock(platform::kLockWait | platform::kLockWriteOnly, locked),
                    "Lock Texture");
            auto* base = static_cast<uint8_t*>(locked.bits);
            const int32_t rows = std::min(h, locked.height);
            const int32_t columns = std::min(w, locked.width);
            if (w < kTileSide || h < kTileSide) {
                std::memset(base, 0,
                            static_cast<size_t>(locked.pitch) * static_cast<size_t>(locked.height));
            }
            for (int32_t row = 0; row < rows; ++row) {
                uint8_t* out = base + static_cast<ptrdiff_t>(locked.pitch) * row;
                for (int32_t column = 0; column < columns; ++column) {
                    const uint32_t p = image.At(tileX + column, tileY + row);
                    if (mTexture32) {
                        reinterpret_cast<uint32_t*>(out)[column] = p;
                    } else {
                        reinterpret_cast<uint16_t*>(out)[column] =
                            static_cast<uint16_t>(ToA4R4G4B4(p));
                    }
                }
            }
            CheckDX(mTexture1->Unlock(), "Texture Unlock");

            const float left = static_cast<float>(x + tileX) - 0.5f;
            const float top = static_cast<float>(y + tileY) - 0.5f;
            const auto side = static_cast<float>(kTileSide);
            platform::TLVertex quad[4];
            const float corners[4][4] = {{left, top, 0.0f, 0.0f},
                                         {left, top + side, 0.0f, 1.0f},
                                         {left + side, top, 1.0f, 0.0f},
                                         {left + side, top + side, 1.0f, 1.0f}};
            for (int i = 0; i < 4; ++i) {
                quad[i].x = corners[i][0];
                quad[i].y = corners[i][1];
                quad[i].z = 0.0f;
                quad[i].rhw = 1.0f;
                quad[i].diffuse = color;
                quad[i].specular = 0;
                quad[i].u = corners[i][2];
                quad[i].v = corners[i][3];
            }
            CheckDX(mD3DDevice->SetTexture(0, mTexture1), "SetTexture theTexture");
            CheckDX(mD3DDevice->DrawPrimitive(platform::PrimitiveType::TriangleStrip,
                                              platform::kFvfTLVertex, quad, 4, 0),
                    "DrawPrimitive");
            CheckDX(mD3DDevice->SetTexture(0, nullptr), "SetTexture NULL");
        }
    }
}

void D3DTester::CaptureTarget() {
    platform::LockedSurface desc;
    CheckDX(mRenderTarget->Lock(desc), "CopyPrimary Lock");
    if (mCaptureImage.mWidth != desc.width || mCaptureImage.mHeight != desc.height) {
        mCaptureImage.Create(desc.width, desc.height);
    }
    switch (desc.format.bitsPerPixel) {
        case 32:
            D3DInterface::ReadSurfaceToARGB32(mCaptureImage.mPixels.data(), desc);
            break;
        case 16:
            D3DInterface::ReadSurfaceToARGB16(mCaptureImage.mPixels.data(), desc);
            break;
        case 24:
            mRenderTarget->Unlock();
            throw TestException("Can't test 24-bit mode.");
        default:
            mRenderTarget->Unlock();
            throw TestException("Invalid Color Depth");
    }
    mRenderTarget->Unlock();
}

int32_t D3DTester::ColorDistance(uint32_t a, uint32_t b) {
    int32_t sum = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const int32_t d =
            static_cast<int32_t>((a >> shift) & 0xFF) - static_cast<int32_t>((b >> shift) & 0xFF);
        sum += d * d;
    }
    return sum;
}

bool D3DTester::CheckUniform(uint32_t expectedRgb, const std::string& warning,
                             const std::string& failure) {
    const int32_t side = std::min({10, mCaptureImage.mWidth, mCaptureImage.mHeight});
    if (side <= 0) {
        return Fail(failure);
    }
    const uint32_t first = mCaptureImage.At(0, 0);
    bool error = false;
    bool uniform = true;
    for (int32_t y = 0; y < side; ++y) {
        for (int32_t x = 0; x < side; ++x) {
            const uint32_t p = mCaptureImage.At(x, y);
            error = error || ColorDistance(p, expectedRgb) > kDistanceLimit;
            uniform = uniform && p == first;
        }
    }
    if (error) {
        return Fail(failure);
    }
    if (!uniform) {
        return Warn(warning);
    }
    return true;
}

int32_t D3DTester::CountStripeErrors() const {
    const int32_t side = std::min({62, mCaptureImage.mWidth, mCaptureImage.mHeight});
    int32_t errors = 0;
    for (int32_t y = 0; y < side; ++y) {
        for (int32_t x = 0; x < side; ++x) {
            const uint32_t expected = (x % 2 == 1) ? 0xFFFFFFu : 0u;
            if (ColorDistance(mCaptureImage.At(x, y), expected) > kDistanceLimit) {
                ++errors;
            }
        }
    }
    // A capture smaller than the checked square misses the rest of it.
    return errors + (62 * 62 - side * side);
}

}  // namespace Vesk
