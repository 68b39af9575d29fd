#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/DisplayTypes.h"
#include "platform/Surface.h"

namespace platform {

// Results of the 3-D device share the DirectDraw facility and keep Direct3D's names and
// numbers, so the error texts of the program read the same for both. The generic
// DDERR_ results of DisplayTypes.h are used where Direct3D uses them too.
inline constexpr DisplayResult D3D_OK = 0;
inline constexpr DisplayResult D3DERR_INVALID_DEVICE = detail::DirectDrawError(705);
inline constexpr DisplayResult D3DERR_TEXTURE_LOCKED = detail::DirectDrawError(727);
inline constexpr DisplayResult D3DERR_INVALIDPRIMITIVETYPE = detail::DirectDrawError(736);
inline constexpr DisplayResult D3DERR_TEXTURE_BADSIZE = detail::DirectDrawError(738);
inline constexpr DisplayResult D3DERR_INVALIDPALETTE = detail::DirectDrawError(744);
inline constexpr DisplayResult D3DERR_SCENE_IN_SCENE = detail::DirectDrawError(760);
inline constexpr DisplayResult D3DERR_SCENE_NOT_IN_SCENE = detail::DirectDrawError(761);
inline constexpr DisplayResult D3DERR_INVALIDVERTEXFORMAT = detail::DirectDrawError(2048);
inline constexpr DisplayResult D3DERR_ZBUFFER_NOTPRESENT = detail::DirectDrawError(2070);
inline constexpr DisplayResult D3DERR_STENCILBUFFER_NOTPRESENT = detail::DirectDrawError(2071);
inline constexpr DisplayResult D3DERR_UNSUPPORTEDCOLOROPERATION = detail::DirectDrawError(2073);
inline constexpr DisplayResult D3DERR_UNSUPPORTEDALPHAOPERATION = detail::DirectDrawError(2075);
inline constexpr DisplayResult D3DERR_UNSUPPORTEDFACTORVALUE = detail::DirectDrawError(2079);
inline constexpr DisplayResult D3DERR_UNSUPPORTEDTEXTUREFILTER = detail::DirectDrawError(2082);

// A transformed-and-lit vertex: x and y in render-target pixels with pixel centres at
// whole numbers, z and reciprocal w (kept for the layout; see the device for their use),
// diffuse and specular colours as 0xAARRGGBB, and one pair of texture coordinates where
// 0 and 1 are the outer edges of the texture.
struct TLVertex {
    float x = 0.0F;
    float y = 0.0F;
    float z = 0.0F;
    float rhw = 1.0F;
    uint32_t diffuse = 0xFFFFFFFF;
    uint32_t specular = 0;
    float u = 0.0F;
    float v = 0.0F;
};
static_assert(sizeof(TLVertex) == 32);

// Flexible vertex format bits; TLVertex is kFvfTLVertex, the only layout drawn.
inline constexpr uint32_t kFvfXyzRhw = 0x004;
inline constexpr uint32_t kFvfDiffuse = 0x040;
inline constexpr uint32_t kFvfSpecular = 0x080;
inline constexpr uint32_t kFvfTex1 = 0x100;
inline constexpr uint32_t kFvfTLVertex = kFvfXyzRhw | kFvfDiffuse | kFvfSpecular | kFvfTex1;

// The most vertices one DrawPrimitive takes.
inline constexpr uint32_t kMaxPrimitiveVertices = 0xFFFF;

enum class PrimitiveType : uint32_t {
    PointList = 1,
    LineList = 2,
    LineStrip = 3,
    TriangleList = 4,
    TriangleStrip = 5,
    TriangleFan = 6,
};

enum class RenderState : uint32_t {
    ZEnable = 7,
    ZWriteEnable = 14,
    SrcBlend = 19,
    DestBlend = 20,
    CullMode = 22,
    DitherEnable = 26,
    AlphaBlendEnable = 27,
    SpecularEnable = 29,
    Lighting = 137,
};

// Blend factors the device takes; the target has no alpha, so none reads it.
enum class Blend : uint32_t {
    Zero = 1,
    One = 2,
    SrcAlpha = 5,
    InvSrcAlpha = 6,
};

// Which winding is left out; clockwise as seen on the screen, y growing downwards.
enum class Cull : uint32_t {
    None = 1,
    Clockwise = 2,
    CounterClockwise = 3,
};

enum class TextureStageState : uint32_t {
    ColorOp = 1,
    AlphaOp = 4,
    AddressU = 13,
    AddressV = 14,
    MagFilter = 16,
    MinFilter = 17,
    MipFilter = 18,
};

// Stage operations; the first argument is the texture, the second the diffuse colour.
enum class TextureOp : uint32_t {
    Disable = 1,
    SelectArg1 = 2,
    SelectArg2 = 3,
    Modulate = 4,
};

enum class TextureAddress : uint32_t {
    Wrap = 1,
    Clamp = 3,
};

// Minification and magnification filters (1 and 2 for both).
enum class TextureFilter : uint32_t {
    Point = 1,
    Linear = 2,
};

enum class MipFilter : uint32_t {
    None = 1,
    Point = 2,
    Linear = 3,
};

// Clear flags.
inline constexpr uint32_t kClearTarget = 0x1;
inline constexpr uint32_t kClearZBuffer = 0x2;
inline constexpr uint32_t kClearStencil = 0x4;

// Texture lock flags: Wait is accepted and changes nothing, since nothing is ever pending.
inline constexpr uint32_t kLockWait = 0x01;
inline constexpr uint32_t kLockReadOnly = 0x10;
inline constexpr uint32_t kLockWriteOnly = 0x20;

// Pixel format record flags.
inline constexpr uint32_t DDPF_ALPHAPIXELS = 0x01;
inline constexpr uint32_t DDPF_PALETTEINDEXED8 = 0x20;
inline constexpr uint32_t DDPF_RGB = 0x40;

// A texture's pixel layout. For 8-bit palette indices only the flags and the bit count
// count; their masks are zero.
struct TexturePixelFormat {
    uint32_t flags = 0;
    int32_t bitCount = 0;
    uint32_t alphaMask = 0;
    uint32_t redMask = 0;
    uint32_t greenMask = 0;
    uint32_t blueMask = 0;

    friend bool operator==(const TexturePixelFormat&, const TexturePixelFormat&) = default;

    static constexpr TexturePixelFormat A8R8G8B8() {
        return {DDPF_RGB | DDPF_ALPHAPIXELS, 32, 0xFF000000, 0x00FF0000, 0x0000FF00, 0x000000FF};
    }
    static constexpr TexturePixelFormat A4R4G4B4() {
        return {DDPF_RGB | DDPF_ALPHAPIXELS, 16, 0xF000, 0x0F00, 0x00F0, 0x000F};
    }
    static constexpr TexturePixelFormat R5G6B5() {
        return {DDPF_RGB, 16, 0, 0xF800, 0x07E0, 0x001F};
    }
    static constexpr TexturePixelFormat Palette8() { return {DDPF_RGB | DDPF_PALETTEINDEXED8, 8}; }
};

// One palette colour; `flags` holds the colour's alpha.
struct PaletteEntry {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    uint8_t flags = 0;

    friend bool operator==(const PaletteEntry&, const PaletteEntry&) = default;
};

using PaletteEntries = std::array<PaletteEntry, 256>;

// Texture capability bits.
inline constexpr uint32_t kTextureCapsPow2 = 0x02;  // sides must be powers of two
inline constexpr uint32_t kTextureCapsAlpha = 0x04;
inline constexpr uint32_t kTextureCapsAlphaPalette = 0x80;  // palettes carry alpha

struct DeviceCaps {
    int32_t minTextureWidth = 0;
    int32_t minTextureHeight = 0;
    int32_t maxTextureWidth = 0;
    int32_t maxTextureHeight = 0;
    int32_t maxTextureAspectRatio = 0;  // 0: any
    uint32_t textureCaps = 0;
};

// The part of the render target drawn into, in pixels; z is kept but not used.
struct Viewport3D {
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
    float minZ = 0.0F;
    float maxZ = 1.0F;

    friend bool operator==(const Viewport3D&, const Viewport3D&) = default;
};

// What a successful texture lock hands out: rows `pitch` bytes apart (a multiple of 4).
struct LockedTexture {
    void* bits = nullptr;
    int32_t pitch = 0;
    int32_t width = 0;
    int32_t height = 0;
    TexturePixelFormat format;
};

// 256 colours for 8-bit textures, shared by any number of them.
class Palette3D {
public:
    Palette3D() = default;
    virtual ~Palette3D() = default;
    Palette3D(const Palette3D&) = delete;
    Palette3D& operator=(const Palette3D&) = delete;

    // Entries start to start + count - 1; DDERR_INVALIDPARAMS past entry 255.
    virtual DisplayResult GetEntries(uint32_t start, uint32_t count, PaletteEntry* out) const = 0;
    virtual DisplayResult SetEntries(uint32_t start, uint32_t count, const PaletteEntry* in) = 0;
};

// A texture made by a device, used only with that device. Its texels start at zero.
class Texture3D {
public:
    Texture3D() = default;
    virtual ~Texture3D() = default;
    Texture3D(const Texture3D&) = delete;
    Texture3D& operator=(const Texture3D&) = delete;

    virtual int32_t Width() const = 0;
    virtual int32_t Height() const = 0;
    virtual TexturePixelFormat Format() const = 0;

    // The whole texture until Unlock; kLockReadOnly / kLockWriteOnly are hints (not
    // both). Locked once at a time (DDERR_SURFACEBUSY); it cannot be drawn while locked.
    virtual DisplayResult Lock(uint32_t flags, LockedTexture& out) = 0;
    virtual DisplayResult Unlock() = 0;  // DDERR_NOTLOCKED when it was not locked
    // Palette8 textures only (DDERR_INVALIDPIXELFORMAT); null detaches. The palette must
    // come from the same device (DDERR_INVALIDOBJECT).
    virtual DisplayResult SetPalette(std::shared_ptr<Palette3D> palette) = 0;
    virtual std::shared_ptr<Palette3D> GetPalette() const = 0;
};

// A 3-D device that draws pre-transformed primitives into a 16- or 32-bit render target.
// Every call finishes before it returns, so drawing and the surface's own blits and
// fills stay in the order they were issued. One thread at a time.
class Device3D {
public:
    Device3D() = default;
    virtual ~Device3D() = default;
    Device3D(const Device3D&) = delete;
    Device3D& operator=(const Device3D&) = delete;

    virtual DisplayResult GetCaps(DeviceCaps& out) = 0;
    virtual DisplayResult EnumTextureFormats(std::vector<TexturePixelFormat>& out) = 0;
    // Sides within the caps (D3DERR_TEXTURE_BADSIZE; DDERR_INVALIDPARAMS when not
    // positive); a format from EnumTextureFormats (DDERR_INVALIDPIXELFORMAT).
    virtual DisplayResult CreateTexture(int32_t width, int32_t height,
                                        const TexturePixelFormat& format,
                                        std::shared_ptr<Texture3D>& out) = 0;
    virtual DisplayResult CreatePalette(const PaletteEntries& entries,
                                        std::shared_ptr<Palette3D>& out) = 0;

    // A surface made for 3-D (DDERR_INVALIDCAPS), 16 or 32 bits (DDERR_INVALIDPIXELFORMAT),
    // not lost (DDERR_SURFACELOST). The viewport becomes the whole new target.
    virtual DisplayResult SetRenderTarget(std::shared_ptr<Surface> target) = 0;
    // Inside the render target with a positive size, else DDERR_INVALIDPARAMS.
    virtual DisplayResult SetViewport(const Viewport3D& viewport) = 0;
    virtual DisplayResult GetViewport(Viewport3D& out) = 0;
    // Fills the rectangles (count 0: the whole viewport), clipped to the viewport, with an
    // 0xAARRGGBB colour; there is no depth or stencil buffer to clear.
    virtual DisplayResult Clear(const SurfaceRect* rects, uint32_t count, uint32_t flags,
                                uint32_t argb, float z, uint32_t stencil) = 0;

    // Drawing happens between these two only (D3DERR_SCENE_NOT_IN_SCENE).
    virtual DisplayResult BeginScene() = 0;
    virtual DisplayResult EndScene() = 0;

    // A new device has blending off (factors One and Zero), counter-clockwise culling and
    // specular off; stage 0 modulates colour, selects the texture's alpha, wraps and
    // samples the nearest texel. Values the device cannot honour are refused and the
    // state stays as it was.
    virtual DisplayResult SetRenderState(RenderState state, uint32_t value) = 0;
    // Stage 0 is the only stage (DDERR_INVALIDPARAMS for others).
    virtual DisplayResult SetTextureStageState(uint32_t stage, TextureStageState state,
                                               uint32_t value) = 0;
    // Null unbinds; an empty stage reads as opaque white.
    virtual DisplayResult SetTexture(uint32_t stage, std::shared_ptr<Texture3D> texture) = 0;

    // Vertices in the kFvfTLVertex layout (D3DERR_INVALIDVERTEXFORMAT), at most
    // kMaxPrimitiveVertices. Vertices short of a whole primitive are left out.
    virtual DisplayResult DrawPrimitive(PrimitiveType type, uint32_t vertexFormat,
                                        const TLVertex* vertices, uint32_t count,
                                        uint32_t flags) = 0;
};

// The device this platform draws with: the software rasteriser, on any lockable surface.
DisplayResult CreateDevice3D(std::shared_ptr<Surface> renderTarget, std::unique_ptr<Device3D>& out);

}  // namespace platform
