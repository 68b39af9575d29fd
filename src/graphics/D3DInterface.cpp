#include "graphics/D3DInterface.h"

#include <algorithm>
#include <mutex>
#include <vector>

#include "graphics/D3DErrorText.h"
#include "graphics/D3DTester.h"
#include "graphics/DDInterface.h"
#include "graphics/MemoryImage.h"
#include "graphics/TextureData.h"
#include "platform/Window.h"
#include "util/DirectXErrors.h"

namespace Vesk {

using platform::DisplayResult;

namespace {

template <typename E>
uint32_t U(E value) {
    return static_cast<uint32_t>(value);
}

// Runs f under the display's lock, when there is a display.
template <typename F>
void UnderDisplayLock(DDInterface* display, F f) {
    if (display != nullptr) {
        std::lock_guard<CriticalLock> lock(display->mCritSect);
        f();
    } else {
        f();
    }
}

// Each of red, green and blue moved so that its mask's highest bit lands on the top bit
// of its byte in 0xAARRGGBB.
template <typename Pixel>
void ReadSurfaceToARGB(uint32_t* dest, const platform::LockedSurface& desc) {
    if (dest == nullptr || desc.bits == nullptr) {
        return;
    }
    const uint32_t masks[3] = {desc.format.redMask, desc.format.greenMask, desc.format.blueMask};
    int shifts[3];
    for (int c = 0; c < 3; ++c) {
        shifts[c] = (23 - 8 * c) - D3DTester::HighestBit(masks[c]);
    }
    auto move = [](uint32_t value, int shift) {
        return shift > 0 ? value << shift : value >> -shift;
    };
    for (int32_t y = 0; y < desc.height; ++y) {
        const auto* row = reinterpret_cast<const Pixel*>(static_cast<const uint8_t*>(desc.bits) +
                                                         static_cast<ptrdiff_t>(desc.pitch) * y);
        uint32_t* out = dest + static_cast<size_t>(y) * static_cast<size_t>(desc.width);
        for (int32_t x = 0; x < desc.width; ++x) {
            const uint32_t p = row[x];
            out[x] = 0xFF000000u | move(p & masks[0], shifts[0]) | move(p & masks[1], shifts[1]) |
                     move(p & masks[2], shifts[2]);
        }
    }
}

}  // namespace

D3DInterface::D3DInterface(DDInterface* display) : mDDInterface(display) {
    sMinTextureWidth = 64;
    sMinTextureHeight = 64;
    sMaxTextureWidth = 64;
    sMaxTextureHeight = 64;
    sMaxTextureAspectRatio = 1;
}

D3DInterface::~D3DInterface() {
    Cleanup();
}

void D3DInterface::SetDeviceFactory(DeviceFactory factory) {
    mDeviceFactory = std::move(factory);
}

D3DInterface::DeviceFactory D3DInterface::GetDeviceFactory() const {
    return mDeviceFactory ? mDeviceFactory : DefaultDeviceFactory();
}

D3DInterface::DeviceFactory D3DInterface::DefaultDeviceFactory() {
    return [](std::shared_ptr<platform::Surface> target, std::unique_ptr<platform::Device3D>& out) {
        return platform::CreateDevice3D(std::move(target), out);
    };
}

bool D3DInterface::InitFromDisplay(DDInterface& display, platform::Window* window) {
    // Whatever an earlier device left goes first: its textures are no use to a new one.
    Cleanup();
    gD3DErrorText.clear();
    mDDInterface = &display;
    mWindow = window;
    mRenderTarget = display.mDrawSurface;
    if (CheckDXError(mRenderTarget ? platform::DD_OK : platform::DDERR_INVALIDOBJECT,
                     "Query DrawSurface")) {
        return false;
    }
    return InitD3D();
}

bool D3DInterface::InitD3D() {
    std::unique_ptr<platform::Device3D> device;
    DisplayResult result = GetDeviceFactory()(mRenderTarget, device);
    if (platform::Succeeded(result) && device == nullptr) {
        result = platform::DDERR_GENERIC;
    }
    if (CheckDXError(result, "CreateDevice IID_IDirect3DHALDevice")) {
        return false;
    }
    mD3DDevice = std::move(device);

    platform::DeviceCaps caps;
    if (CheckDXError(mD3DDevice->GetCaps(caps), "")) {
        mD3DDevice.reset();
        return false;
    }
    // A missing maximum in either dimension counts as a device that reports nothing: a zero
    // piece size would divide by zero and never satisfy the aspect ratio.
    if (caps.maxTextureWidth <= 0 || caps.maxTextureHeight <= 0) {
        sMinTextureWidth = 64;
        sMinTextureHeight = 64;
        sMaxTextureWidth = 64;
        sMaxTextureHeight = 64;
        sMaxTextureAspectRatio = 1;
    } else {
        sMaxTextureWidth = std::min(caps.maxTextureWidth, 1024);
        sMaxTextureHeight = std::min(caps.maxTextureHeight, 1024);
        sMinTextureWidth = std::max(caps.minTextureWidth, 1);
        sMinTextureHeight = std::max(caps.minTextureHeight, 1);
        sMaxTextureAspectRatio =
            caps.maxTextureAspectRatio <= 0 ? 65536 : caps.maxTextureAspectRatio;
    }
    sLinearFilter = false;

    sSupportedTextureFormats = 0;
    std::vector<platform::TexturePixelFormat> formats;
    mD3DDevice->EnumTextureFormats(formats);
    for (const platform::TexturePixelFormat& format : formats) {
        sSupportedTextureFormats |= TextureData::GetTextureFormat(format);
    }
    if ((caps.textureCaps & platform::kTextureCapsAlphaPalette) == 0) {
        sSupportedTextureFormats &= ~kTextureFormatPalette8;
    }

    UpdateViewport();
    mD3DDevice->Clear(nullptr, 0, platform::kClearTarget, 0xFF000000u, 1.0f, 0);
    return true;
}

void D3DInterface::UpdateViewport() {
    if (!mD3DDevice || !mRenderTarget) {
        return;
    }
    int32_t width = mRenderTarget->Width();
    int32_t height = mRenderTarget->Height();
    if (mWindow != nullptr) {
        const platform::Size client = mWindow->ClientSize();
        // The client area, as far as the render target reaches.
        width = std::clamp(client.width, 1, std::max(width, 1));
        height = std::clamp(client.height, 1, std::max(height, 1));
    }
    mViewport = platform::Viewport3D{0, 0, width, height, 0.0f, 1.0f};
    mD3DDevice->SetViewport(mViewport);
}

bool D3DInterface::PreDraw() {
    if (!mD3DDevice) {
        return false;
    }
    DDInterface::Host* host = mDDInterface != nullptr ? mDDInterface->GetHost() : nullptr;
    if (host != nullptr && host->IsWindowMinimized()) {
        return false;
    }
    if (mSceneBegun) {
        return true;
    }
    if (platform::Failed(mD3DDevice->SetRenderTarget(mRenderTarget))) {
        sRenderTargetLost = true;
        return false;
    }
    sRenderTargetLost = false;
    mD3DDevice->BeginScene();

    platform::Device3D& d = *mD3DDevice;
    using platform::RenderState;
    using platform::TextureStageState;
    d.SetRenderState(RenderState::AlphaBlendEnable, 1);
    d.SetRenderState(RenderState::SrcBlend, U(platform::Blend::SrcAlpha));
    d.SetRenderState(RenderState::DestBlend, U(platform::Blend::InvSrcAlpha));
    d.SetRenderState(RenderState::Lighting, 0);
    d.SetTextureStageState(0, TextureStageState::MinFilter, U(platform::TextureFilter::Point));
    d.SetTextureStageState(0, TextureStageState::MagFilter, U(platform::TextureFilter::Point));
    d.SetTextureStageState(0, TextureStageState::MipFilter, U(platform::MipFilter::None));
    d.SetTextureStageState(0, TextureStageState::AlphaOp, U(platform::TextureOp::Modulate));
    d.SetTextureStageState(0, TextureStageState::AddressU, U(platform::TextureAddress::Clamp));
    d.SetTextureStageState(0, TextureStageState::AddressV, U(platform::TextureAddress::Clamp));
    d.SetRenderState(RenderState::DitherEnable, 0);
    d.SetRenderState(RenderState::SpecularEnable, 0);
    d.SetRenderState(RenderState::ZWriteEnable, 0);
    d.SetRenderState(RenderState::ZEnable, 0);
    d.SetRenderState(RenderState::CullMode, U(platform::Cull::None));

    mSceneBegun = true;
    sLinearFilter = false;
    return true;
}

void D3DInterface::SetDrawMode(DrawMode drawMode) {
    if (!mD3DDevice) {
        return;
    }
    mD3DDevice->SetRenderState(platform::RenderState::SrcBlend, U(platform::Blend::SrcAlpha));
    mD3DDevice->SetRenderState(
        platform::RenderState::DestBlend,
        drawMode == kDrawModeNormal ? U(platform::Blend::InvSrcAlpha) : U(platform::Blend::One));
}

void D3DInterface::SetLinearFilter(bool linear) {
    if (linear == sLinearFilter || !mD3DDevice) {
        return;
    }
    using platform::TextureStageState;
    platform::Device3D& d = *mD3DDevice;
    if (linear) {
        const char* label = "SetTextureStageState LINEAR";
        CheckDXError(d.SetTextureStageState(0, TextureStageState::MinFilter,
                                            U(platform::TextureFilter::Linear)),
                     label);
        CheckDXError(d.SetTextureStageState(0, TextureStageState::MagFilter,
                                            U(platform::TextureFilter::Linear)),
                     label);
        CheckDXError(
            d.SetTextureStageState(0, TextureStageState::MipFilter, U(platform::MipFilter::Point)),
            label);
    } else {
        const char* label = "SetTextureStageState Point";
        CheckDXError(d.SetTextureStageState(0, TextureStageState::MinFilter,
                                            U(platform::TextureFilter::Point)),
                     label);
        CheckDXError(d.SetTextureStageState(0, TextureStageState::MagFilter,
                                            U(platform::TextureFilter::Point)),
                     label);
        CheckDXError(
            d.SetTextureStageState(0, TextureStageState::MipFilter, U(platform::MipFilter::None)),
            label);
    }
    sLinearFilter = linear;
}

void D3DInterface::Flush() {
    if (!mSceneBegun) {
        return;
    }
    if (mD3DDevice) {
        mD3DDevice->EndScene();
    }
    gD3DErrorText.clear();
    mSceneBegun = false;
}

bool D3DInterface::CreateImageTexture(MemoryImage* image) {
    if (image == nullptr || !mD3DDevice) {
        return false;
    }
    TextureData* data = image->mTextureData;
    bool made = false;
    bool purgeWanted = false;
    if (data == nullptr) {
        data = new TextureData(this);
        image->mTextureData = data;
        purgeWanted = image->mPurgeWanted;
        made = true;
        UnderDisplayLock(mDDInterface, [&] { mImageSet.insert(image); });
    } else if (data->mOwner != this) {
        // Textures of another device cannot be drawn here.
        return false;
    }
    data->CheckCreateTextures(*image, *this);
    // Only an upload that worked may become the only copy of the pixels.
    if (made && purgeWanted && data->mPixelFormat != kTextureFormatNone) {
        image->PurgeBits();
    }
    return data->mPixelFormat != kTextureFormatNone;
}

void D3DInterface::RemoveImageTextureData(MemoryImage* image) {
    if (image == nullptr || image->mTextureData == nullptr) {
        return;
    }
    TextureData* data = image->mTextureData;
    D3DInterface* owner = data->mOwner != nullptr ? data->mOwner : this;
    image->mTextureData = nullptr;
    UnderDisplayLock(owner->mDDInterface, [&] { owner->mImageSet.erase(image); });
    delete data;
}

bool D3DInterface::IsTextureDataCurrent(const MemoryImage& image) const {
    const TextureData* data = image.mTextureData;
    return data != nullptr && data->mOwner == this && data->mPixelFormat != kTextureFormatNone &&
           data->mBitsChangedCount == image.mChangeCount && data->mWidth == image.mWidth &&
           data->mHeight == image.mHeight;
}

bool D3DInterface::RecoverBits(MemoryImage* image, uint32_t* bits) {
    if (image == nullptr || bits == nullptr || !IsTextureDataCurrent(*image)) {
        return false;
    }
    return image->mTextureData->ReadBack(*this, bits);
}

void D3DInterface::Cleanup() {
    Flush();
    std::vector<MemoryImage*> images;
    UnderDisplayLock(mDDInterface, [&] {
        images.assign(mImageSet.begin(), mImageSet.end());
        mImageSet.clear();
    });
    for (MemoryImage* image : images) {
        TextureData* data = image->mTextureData;
        if (data == nullptr) {
            continue;
        }
        // An image whose textures hold its only copy takes its pixels back first.
        if (!image->mBits && !image->mPaletteIndices && IsTextureDataCurrent(*image) &&
            image->GetPixelCount() > 0) {
            std::vector<uint32_t> pixels(image->GetPixelCount());
            if (data->ReadBack(*this, pixels.data())) {
                image->mTextureData = nullptr;
                image->SetBits(pixels.data(), image->mWidth, image->mHeight, false);
            }
        }
        image->mTextureData = nullptr;
        delete data;
    }
    mD3DDevice.reset();
    mRenderTarget.reset();
    mSceneBegun = false;
}

bool D3DInterface::CheckDXError(DisplayResult result, const char* label) {
    if (platform::Succeeded(result)) {
        return false;
    }
    gD3DErrorText = std::string(label != nullptr ? label : "") + ": " +
                    GetDirectXErrorString(static_cast<uint32_t>(result));
    DDInterface::Host* host = mDDInterface != nullptr ? mDDInterface->GetHost() : nullptr;
    if (host != nullptr) {
        host->RegistryWriteString("Test3D\\RuntimeError", gD3DErrorText);
    }
    return true;
}

void D3DInterface::ReadSurfaceToARGB32(uint32_t* dest, const platform::LockedSurface& desc) {
    ReadSurfaceToARGB<uint32_t>(dest, desc);
}

void D3DInterface::ReadSurfaceToARGB16(uint32_t* dest, const platform::LockedSurface& desc) {
    ReadSurfaceToARGB<uint16_t>(dest, desc);
}

}  // namespace Vesk
