#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/Device3D.h"
#include "platform/soft/SoftDeviceTag.h"
#include "platform/soft/SoftRasterizer.h"
#include "platform/soft/SoftTexture3D.h"

namespace platform {

// What the software device reports, and keeps to. Sides are powers of two whatever the
// caps say; the formats must be among the four of TexturePixelFormat.
struct SoftDevice3DOptions {
    DeviceCaps caps{1,    1, 1024,
                    1024, 0, kTextureCapsPow2 | kTextureCapsAlpha | kTextureCapsAlphaPalette};
    std::vector<TexturePixelFormat> textureFormats{
        TexturePixelFormat::A8R8G8B8(), TexturePixelFormat::A4R4G4B4(),
        TexturePixelFormat::R5G6B5(), TexturePixelFormat::Palette8()};
};

// The 3-D device without a graphics card: each draw locks the render target, rasterises
// into its memory and unlocks it before returning.
//
// Beyond the rasteriser's own rules: there is no depth buffer, so z-buffer and z-write
// states are taken and change nothing, as are dithering (never done) and lighting
// (transformed vertices are never lit). Textures have a single level, so every mip
// filter reads that level. Point lists are not drawn.
class SoftDevice3D final : public Device3D {
public:
    static DisplayResult Create(std::shared_ptr<Surface> renderTarget,
                                const SoftDevice3DOptions& options,
                                std::unique_ptr<SoftDevice3D>& out);

    SoftDevice3D(std::shared_ptr<Surface> renderTarget, const SoftDevice3DOptions& options);

    DisplayResult GetCaps(DeviceCaps& out) override;
    DisplayResult EnumTextureFormats(std::vector<TexturePixelFormat>& out) override;
    DisplayResult CreateTexture(int32_t width, int32_t height, const TexturePixelFormat& format,
                                std::shared_ptr<Texture3D>& out) override;
    DisplayResult CreatePalette(const PaletteEntries& entries,
                                std::shared_ptr<Palette3D>& out) override;
    DisplayResult SetRenderTarget(std::shared_ptr<Surface> target) override;
    DisplayResult SetViewport(const Viewport3D& viewport) override;
    DisplayResult GetViewport(Viewport3D& out) override;
    DisplayResult Clear(const SurfaceRect* rects, uint32_t count, uint32_t flags, uint32_t argb,
                        float z, uint32_t stencil) override;
    DisplayResult BeginScene() override;
    DisplayResult EndScene() override;
    DisplayResult SetRenderState(RenderState state, uint32_t value) override;
    DisplayResult SetTextureStageState(uint32_t stage, TextureStageState state,
                                       uint32_t value) override;
    DisplayResult SetTexture(uint32_t stage, std::shared_ptr<Texture3D> texture) override;
    DisplayResult DrawPrimitive(PrimitiveType type, uint32_t vertexFormat, const TLVertex* vertices,
                                uint32_t count, uint32_t flags) override;

    // DD_OK for a surface a device can draw into; see SetRenderTarget.
    static DisplayResult CheckRenderTarget(const Surface* target);

private:
    bool Culled(const TLVertex& a, const TLVertex& b, const TLVertex& c) const;

    std::shared_ptr<const SoftDeviceTag> mTag;
    SoftDevice3DOptions mOptions;
    std::shared_ptr<Surface> mTarget;
    Viewport3D mViewport;
    bool mInScene = false;
    RasterState mState;  // the texture is bound per draw
    Cull mCull = Cull::CounterClockwise;
    std::shared_ptr<SoftTexture3D> mTexture;
};

}  // namespace platform
