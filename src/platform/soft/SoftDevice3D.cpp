#include "platform/soft/SoftDevice3D.h"

#include <algorithm>
#include <bit>
#include <new>
#include <utility>

#include "platform/PixelOps.h"
#include "platform/soft/SoftPalette3D.h"

namespace platform {

namespace {

// Beyond this a texture's rows would not fit the rasteriser's coordinates.
constexpr int32_t kTextureSideLimit = 16384;

bool SameFormat(const TexturePixelFormat& a, const TexturePixelFormat& b) {
    if ((a.flags & DDPF_PALETTEINDEXED8) != 0 || (b.flags & DDPF_PALETTEINDEXED8) != 0) {
        return a.flags == b.flags && a.bitCount == b.bitCount;
    }
    return a == b;
}

bool KindOf(const TexturePixelFormat& format, SoftTexture3D::Kind& kind) {
    const std::pair<TexturePixelFormat, SoftTexture3D::Kind> known[] = {
        {TexturePixelFormat::A8R8G8B8(), SoftTexture3D::Kind::A8R8G8B8},
        {TexturePixelFormat::A4R4G4B4(), SoftTexture3D::Kind::A4R4G4B4},
        {TexturePixelFormat::R5G6B5(), SoftTexture3D::Kind::R5G6B5},
        {TexturePixelFormat::Palette8(), SoftTexture3D::Kind::Palette8}};
    for (const auto& [record, k] : known) {
        if (SameFormat(format, record)) {
            kind = k;
            return true;
        }
    }
    return false;
}

bool IsPowerOfTwo(int32_t n) {
    return n > 0 && std::has_single_bit(static_cast<uint32_t>(n));
}

// An 0xAARRGGBB colour in a surface's format: the top bits of each channel.
uint32_t ToSurface(uint32_t argb, const PixelFormat& format) {
    const uint32_t masks[3] = {format.redMask, format.greenMask, format.blueMask};
    uint32_t out = 0;
    for (int c = 0; c < 3; ++c) {
        const uint32_t value = (argb >> (16 - 8 * c)) & 0xFF;
        const int bits = std::popcount(masks[c]);
        const int shift = std::countr_zero(masks[c]);
        out |= ((value >> (8 - bits)) << shift) & masks[c];
    }
    return out;
}

SurfaceRect Intersect(const SurfaceRect& a, const SurfaceRect& b) {
    SurfaceRect out{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                    std::min(a.bottom, b.bottom)};
    if (out.right <= out.left || out.bottom <= out.top) {
        return {};
    }
    return out;
}

SurfaceRect ViewportRect(const Viewport3D& v) {
    return {v.x, v.y, v.x + v.width, v.y + v.height};
}

}  // namespace

DisplayResult CreateDevice3D(std::shared_ptr<Surface> renderTarget,
                             std::unique_ptr<Device3D>& out) {
    std::unique_ptr<SoftDevice3D> device;
    const DisplayResult result =
        SoftDevice3D::Create(std::move(renderTarget), SoftDevice3DOptions{}, device);
    if (Succeeded(result)) {
        out = std::move(device);
    }
    return result;
}

DisplayResult SoftDevice3D::Create(std::shared_ptr<Surface> renderTarget,
                                   const SoftDevice3DOptions& options,
                                   std::unique_ptr<SoftDevice3D>& out) {
    if (const DisplayResult check = CheckRenderTarget(renderTarget.get()); Failed(check)) {
        return check;
    }
    for (const TexturePixelFormat& format : options.textureFormats) {
        SoftTexture3D::Kind kind{};
        if (!KindOf(format, kind)) {
            return DDERR_INVALIDPIXELFORMAT;
        }
    }
    out = std::make_unique<SoftDevice3D>(std::move(renderTarget), options);
    return D3D_OK;
}

SoftDevice3D::SoftDevice3D(std::shared_ptr<Surface> renderTarget,
                           const SoftDevice3DOptions& options)
    : mTag(std::make_shared<SoftDeviceTag>()),
      mOptions(options),
      mTarget(std::move(renderTarget)),
      mViewport{0, 0, mTarget->Width(), mTarget->Height(), 0.0F, 1.0F} {}

DisplayResult SoftDevice3D::CheckRenderTarget(const Surface* target) {
    if (target == nullptr) {
        return DDERR_INVALIDPARAMS;
    }
    if (!target->For3D()) {
        return DDERR_INVALIDCAPS;
    }
    const PixelFormat format = target->Format();
    if (!IsSurfaceFormat(format) || std::popcount(format.redMask) > 8 ||
        std::popcount(format.greenMask) > 8 || std::popcount(format.blueMask) > 8) {
        return DDERR_INVALIDPIXELFORMAT;
    }
    if (Failed(target->IsLost())) {
        return DDERR_SURFACELOST;
    }
    return DD_OK;
}

DisplayResult SoftDevice3D::GetCaps(DeviceCaps& out) {
    out = mOptions.caps;
    return D3D_OK;
}

DisplayResult SoftDevice3D::EnumTextureFormats(std::vector<TexturePixelFormat>& out) {
    out = mOptions.textureFormats;
    return D3D_OK;
}

DisplayResult SoftDevice3D::CreateTexture(int32_t width, int32_t height,
                                          const TexturePixelFormat& format,
                                          std::shared_ptr<Texture3D>& out) {
    if (width <= 0 || height <= 0) {
        return DDERR_INVALIDPARAMS;
    }
    const bool offered =
        std::any_of(mOptions.textureFormats.begin(), mOptions.textureFormats.end(),
                    [&](const TexturePixelFormat& f) { return SameFormat(f, format); });
    SoftTexture3D::Kind kind{};
    if (!offered || !KindOf(format, kind)) {
        return DDERR_INVALIDPIXELFORMAT;
    }
    const DeviceCaps& caps = mOptions.caps;
    const int64_t aspect = caps.maxTextureAspectRatio;
    const bool aspectOk = aspect <= 0 || (width <= aspect * height && height <= aspect * width);
    if (!IsPowerOfTwo(width) || !IsPowerOfTwo(height) || width < caps.minTextureWidth ||
        height < caps.minTextureHeight || width > caps.maxTextureWidth ||
        height > caps.maxTextureHeight || width > kTextureSideLimit || height > kTextureSideLimit ||
        !aspectOk) {
        return D3DERR_TEXTURE_BADSIZE;
    }
    std::shared_ptr<SoftTexture3D> texture;
    const DisplayResult result = SoftTexture3D::Create(mTag, width, height, kind, texture);
    if (Succeeded(result)) {
        out = std::move(texture);
    }
    return result;
}

DisplayResult SoftDevice3D::CreatePalette(const PaletteEntries& entries,
                                          std::shared_ptr<Palette3D>& out) {
    try {
        out = std::make_shared<SoftPalette3D>(mTag, entries);
    } catch (const std::bad_alloc&) {
        return DDERR_OUTOFMEMORY;
    }
    return D3D_OK;
}

DisplayResult SoftDevice3D::SetRenderTarget(std::shared_ptr<Surface> target) {
    if (const DisplayResult check = CheckRenderTarget(target.get()); Failed(check)) {
        return check;
    }
    mTarget = std::move(target);
    mViewport = {0, 0, mTarget->Width(), mTarget->Height(), 0.0F, 1.0F};
    return D3D_OK;
}

DisplayResult SoftDevice3D::SetViewport(const Viewport3D& viewport) {
    const bool inside = viewport.width > 0 && viewport.height > 0 && viewport.x >= 0 &&
                        viewport.y >= 0 && viewport.width <= mTarget->Width() - viewport.x &&
                        viewport.height <= mTarget->Height() - viewport.y;
    if (!inside ||
        !(viewport.minZ >= 0.0F && viewport.minZ <= viewport.maxZ && viewport.maxZ <= 1.0F)) {
        return DDERR_INVALIDPARAMS;
    }
    mViewport = viewport;
    return D3D_OK;
}

DisplayResult SoftDevice3D::GetViewport(Viewport3D& out) {
    out = mViewport;
    return D3D_OK;
}

DisplayResult SoftDevice3D::Clear(const SurfaceRect* rects, uint32_t count, uint32_t flags,
                                  uint32_t argb, float z, uint32_t stencil) {
    (void)z;
    (void)stencil;
    if ((flags & ~(kClearTarget | kClearZBuffer | kClearStencil)) != 0 ||
        (rects == nullptr && count > 0)) {
        return DDERR_INVALIDPARAMS;
    }
    if ((flags & kClearZBuffer) != 0) {
        return D3DERR_ZBUFFER_NOTPRESENT;
    }
    if ((flags & kClearStencil) != 0) {
        return D3DERR_STENCILBUFFER_NOTPRESENT;
    }
    if ((flags & kClearTarget) == 0) {
        return D3D_OK;
    }
    const SurfaceRect viewport = ViewportRect(mViewport);
    const uint32_t color = ToSurface(argb, mTarget->Format());
    auto fill = [&](const SurfaceRect& rect) {
        SurfaceRect area = Intersect(rect, viewport);
        if (area.Width() <= 0) {
            return DD_OK;
        }
        return mTarget->Fill(&area, color);
    };
    if (count == 0) {
        return fill(viewport);
    }
    for (uint32_t i = 0; i < count; ++i) {
        if (const DisplayResult result = fill(rects[i]); Failed(result)) {
            return result;
        }
    }
    return D3D_OK;
}

DisplayResult SoftDevice3D::BeginScene() {
    if (mInScene) {
        return D3DERR_SCENE_IN_SCENE;
    }
    if (Failed(mTarget->IsLost())) {
        return DDERR_SURFACELOST;
    }
    mInScene = true;
    return D3D_OK;
}

DisplayResult SoftDevice3D::EndScene() {
    if (!mInScene) {
        return D3DERR_SCENE_NOT_IN_SCENE;
    }
    mInScene = false;
    return D3D_OK;
}

DisplayResult SoftDevice3D::SetRenderState(RenderState state, uint32_t value) {
    auto blend = [&](Blend& factor) {
        switch (static_cast<Blend>(value)) {
            case Blend::Zero:
            case Blend::One:
            case Blend::SrcAlpha:
            case Blend::InvSrcAlpha:
                factor = static_cast<Blend>(value);
                return D3D_OK;
        }
        return D3DERR_UNSUPPORTEDFACTORVALUE;
    };
    switch (state) {
        case RenderState::ZEnable:
        case RenderState::ZWriteEnable:
        case RenderState::DitherEnable:
        case RenderState::Lighting:
            return D3D_OK;
        case RenderState::AlphaBlendEnable:
            mState.alphaBlend = value != 0;
            return D3D_OK;
        case RenderState::SpecularEnable:
            mState.specular = value != 0;
            return D3D_OK;
        case RenderState::SrcBlend:
            return blend(mState.srcBlend);
        case RenderState::DestBlend:
            return blend(mState.destBlend);
        case RenderState::CullMode:
            if (value < static_cast<uint32_t>(Cull::None) ||
                value > static_cast<uint32_t>(Cull::CounterClockwise)) {
                return DDERR_INVALIDPARAMS;
            }
            mCull = static_cast<Cull>(value);
            return D3D_OK;
    }
    return DDERR_INVALIDPARAMS;
}

DisplayResult SoftDevice3D::SetTextureStageState(uint32_t stage, TextureStageState state,
                                                 uint32_t value) {
    if (stage != 0) {
        return DDERR_INVALIDPARAMS;
    }
    const bool op = value >= static_cast<uint32_t>(TextureOp::Disable) &&
                    value <= static_cast<uint32_t>(TextureOp::Modulate);
    const bool address = value == static_cast<uint32_t>(TextureAddress::Wrap) ||
                         value == static_cast<uint32_t>(TextureAddress::Clamp);
    const bool filter = value == static_cast<uint32_t>(TextureFilter::Point) ||
                        value == static_cast<uint32_t>(TextureFilter::Linear);
    switch (state) {
        case TextureStageState::ColorOp:
            if (!op) {
                return D3DERR_UNSUPPORTEDCOLOROPERATION;
            }
            mState.colorOp = static_cast<TextureOp>(value);
            return D3D_OK;
        case TextureStageState::AlphaOp:
            if (!op) {
                return D3DERR_UNSUPPORTEDALPHAOPERATION;
            }
            mState.alphaOp = static_cast<TextureOp>(value);
            return D3D_OK;
        case TextureStageState::AddressU:
        case TextureStageState::AddressV:
            if (!address) {
                return DDERR_INVALIDPARAMS;
            }
            (state == TextureStageState::AddressU ? mState.addressU : mState.addressV) =
                static_cast<TextureAddress>(value);
            return D3D_OK;
        case TextureStageState::MagFilter:
        case TextureStageState::MinFilter:
            if (!filter) {
                return D3DERR_UNSUPPORTEDTEXTUREFILTER;
            }
            (state == TextureStageState::MagFilter ? mState.magFilter : mState.minFilter) =
                static_cast<TextureFilter>(value);
            return D3D_OK;
        case TextureStageState::MipFilter:
            if (value < static_cast<uint32_t>(MipFilter::None) ||
                value > static_cast<uint32_t>(MipFilter::Linear)) {
                return D3DERR_UNSUPPORTEDTEXTUREFILTER;
            }
            return D3D_OK;
    }
    return DDERR_INVALIDPARAMS;
}

DisplayResult SoftDevice3D::SetTexture(uint32_t stage, std::shared_ptr<Texture3D> texture) {
    if (stage != 0) {
        return DDERR_INVALIDPARAMS;
    }
    std::shared_ptr<SoftTexture3D> own;
    if (texture) {
        own = std::dynamic_pointer_cast<SoftTexture3D>(texture);
        if (!own || own->Device() != mTag.get()) {
            return DDERR_INVALIDOBJECT;
        }
    }
    mTexture = std::move(own);
    return D3D_OK;
}

bool SoftDevice3D::Culled(const TLVertex& a, const TLVertex& b, const TLVertex& c) const {
    if (mCull == Cull::None) {
        return false;
    }
    // Positive for corners that run clockwise on the screen, whose y grows downwards.
    const double turn =
        (double{b.x} - a.x) * (double{c.y} - a.y) - (double{b.y} - a.y) * (double{c.x} - a.x);
    return mCull == Cull::Clockwise ? turn > 0.0 : turn < 0.0;
}

DisplayResult SoftDevice3D::DrawPrimitive(PrimitiveType type, uint32_t vertexFormat,
                                          const TLVertex* vertices, uint32_t count,
                                          uint32_t flags) {
    (void)flags;
    if (vertexFormat != kFvfTLVertex) {
        return D3DERR_INVALIDVERTEXFORMAT;
    }
    switch (type) {
        case PrimitiveType::LineList:
        case PrimitiveType::LineStrip:
        case PrimitiveType::TriangleList:
        case PrimitiveType::TriangleStrip:
        case PrimitiveType::TriangleFan:
            break;
        case PrimitiveType::PointList:
        default:
            return D3DERR_INVALIDPRIMITIVETYPE;
    }
    if (count > kMaxPrimitiveVertices || (vertices == nullptr && count > 0)) {
        return DDERR_INVALIDPARAMS;
    }
    if (!mInScene) {
        return D3DERR_SCENE_NOT_IN_SCENE;
    }
    RasterState state = mState;
    TextureView view;
    if (mTexture) {
        if (const DisplayResult result = mTexture->View(view); Failed(result)) {
            return result;
        }
        state.texture = &view;
    }
    const bool lines = type == PrimitiveType::LineList || type == PrimitiveType::LineStrip;
    if (count < (lines ? 2u : 3u)) {
        return D3D_OK;
    }

    LockedSurface locked;
    if (const DisplayResult result = mTarget->Lock(locked); Failed(result)) {
        return result;
    }
    RasterTarget target;
    target.bits = static_cast<uint8_t*>(locked.bits);
    target.pitch = locked.pitch;
    target.format = locked.format;
    target.clip = Intersect(ViewportRect(mViewport), {0, 0, locked.width, locked.height});
    SoftRasterizer raster(target, state);
    const TLVertex* v = vertices;
    switch (type) {
        case PrimitiveType::LineList:
            for (uint32_t i = 0; i + 1 < count; i += 2) {
                raster.Line(v[i], v[i + 1]);
            }
            break;
        case PrimitiveType::LineStrip:
            for (uint32_t i = 0; i + 1 < count; ++i) {
                raster.Line(v[i], v[i + 1]);
            }
            break;
        case PrimitiveType::TriangleList:
            for (uint32_t i = 0; i + 2 < count; i += 3) {
                if (!Culled(v[i], v[i + 1], v[i + 2])) {
                    raster.Triangle(v[i], v[i + 1], v[i + 2]);
                }
            }
            break;
        case PrimitiveType::TriangleStrip:
            // Every other triangle of a strip runs the other way round; swapping its first
            // two corners gives all of them the winding of the first.
            for (uint32_t i = 0; i + 2 < count; ++i) {
                const TLVertex& a = (i % 2 == 0) ? v[i] : v[i + 1];
                const TLVertex& b = (i % 2 == 0) ? v[i + 1] : v[i];
                if (!Culled(a, b, v[i + 2])) {
                    raster.Triangle(a, b, v[i + 2]);
                }
            }
            break;
        case PrimitiveType::TriangleFan:
            for (uint32_t i = 1; i + 1 < count; ++i) {
                if (!Culled(v[0], v[i], v[i + 1])) {
                    raster.Triangle(v[0], v[i], v[i + 1]);
                }
            }
            break;
        case PrimitiveType::PointList:
            break;
    }
    return mTarget->Unlock();
}

}  // namespace platform
