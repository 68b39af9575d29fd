#include "platform/soft/SoftDevice3D.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <vector>

#include "platform/DisplaySystem.h"

namespace platform {
namespace {

template <typename E>
uint32_t U(E value) {
    return static_cast<uint32_t>(value);
}

// A render target made by the headless display.
struct Target {
    std::unique_ptr<DisplaySystem> display = CreateHeadlessDisplaySystem();
    std::shared_ptr<Surface> surface;

    Target(int32_t width, int32_t height, PixelFormat format, bool for3D = true) {
        SurfaceDesc desc;
        desc.width = width;
        desc.height = height;
        desc.format = format;
        desc.for3D = for3D;
        EXPECT_EQ(display->CreateSurface(desc, surface), DD_OK);
    }

    std::vector<uint32_t> Pixels() const {
        LockedSurface locked;
        EXPECT_EQ(surface->Lock(locked), DD_OK);
        std::vector<uint32_t> out;
        for (int32_t y = 0; y < locked.height; ++y) {
            const auto* row = static_cast<const uint8_t*>(locked.bits) + locked.pitch * y;
            for (int32_t x = 0; x < locked.width; ++x) {
                uint32_t value = 0;
                if (locked.format.bitsPerPixel == 16) {
                    uint16_t v16 = 0;
                    std::memcpy(&v16, row + 2 * x, 2);
                    value = v16;
                } else {
                    std::memcpy(&value, row + 4 * x, 4);
                }
                out.push_back(value);
            }
        }
        EXPECT_EQ(surface->Unlock(), DD_OK);
        return out;
    }

    uint32_t At(int32_t x, int32_t y) const { return Pixels()[y * surface->Width() + x]; }
};

// The fixed states a frame of the program sets, in their normal blend mode.
void ProgramStates(Device3D& device) {
    EXPECT_EQ(device.SetRenderState(RenderState::AlphaBlendEnable, 1), D3D_OK);
    EXPECT_EQ(device.SetRenderState(RenderState::SrcBlend, U(Blend::SrcAlpha)), D3D_OK);
    EXPECT_EQ(device.SetRenderState(RenderState::DestBlend, U(Blend::InvSrcAlpha)), D3D_OK);
    EXPECT_EQ(device.SetRenderState(RenderState::Lighting, 0), D3D_OK);
    EXPECT_EQ(device.SetTextureStageState(0, TextureStageState::MinFilter, U(TextureFilter::Point)),
              D3D_OK);
    EXPECT_EQ(device.SetTextureStageState(0, TextureStageState::MagFilter, U(TextureFilter::Point)),
              D3D_OK);
    EXPECT_EQ(device.SetTextureStageState(0, TextureStageState::MipFilter, U(MipFilter::None)),
              D3D_OK);
    EXPECT_EQ(device.SetTextureStageState(0, TextureStageState::AlphaOp, U(TextureOp::Modulate)),
              D3D_OK);
    EXPECT_EQ(device.SetTextureStageState(0, TextureStageState::AddressU, U(TextureAddress::Clamp)),
              D3D_OK);
    EXPECT_EQ(device.SetTextureStageState(0, TextureStageState::AddressV, U(TextureAddress::Clamp)),
              D3D_OK);
    EXPECT_EQ(device.SetRenderState(RenderState::DitherEnable, 0), D3D_OK);
    EXPECT_EQ(device.SetRenderState(RenderState::SpecularEnable, 0), D3D_OK);
    EXPECT_EQ(device.SetRenderState(RenderState::ZWriteEnable, 0), D3D_OK);
    EXPECT_EQ(device.SetRenderState(RenderState::ZEnable, 0), D3D_OK);
    EXPECT_EQ(device.SetRenderState(RenderState::CullMode, U(Cull::None)), D3D_OK);
}

void SetBlend(Device3D& device, Blend src, Blend dest) {
    EXPECT_EQ(device.SetRenderState(RenderState::SrcBlend, U(src)), D3D_OK);
    EXPECT_EQ(device.SetRenderState(RenderState::DestBlend, U(dest)), D3D_OK);
}

std::unique_ptr<Device3D> MakeDevice(const Target& target) {
    std::unique_ptr<Device3D> device;
    EXPECT_EQ(CreateDevice3D(target.surface, device), D3D_OK);
    if (device) {
        ProgramStates(*device);
    }
    return device;
}

TLVertex Vertex(float x, float y, uint32_t color = 0xFFFFFFFF, float u = 0, float v = 0) {
    TLVertex vertex;
    vertex.x = x;
    vertex.y = y;
    vertex.diffuse = color;
    vertex.u = u;
    vertex.v = v;
    return vertex;
}

// A rectangle of pixels as the program draws it: a strip with corners half a pixel up
// and left, texture coordinates (u0, v0) to (u1, v1).
std::vector<TLVertex> Quad(float x, float y, float w, float h, uint32_t color = 0xFFFFFFFF,
                           float u0 = 0, float v0 = 0, float u1 = 1, float v1 = 1) {
    const float left = x - 0.5F;
    const float top = y - 0.5F;
    return {Vertex(left, top, color, u0, v0), Vertex(left, top + h, color, u0, v1),
            Vertex(left + w, top, color, u1, v0), Vertex(left + w, top + h, color, u1, v1)};
}

DisplayResult Draw(Device3D& device, PrimitiveType type, const std::vector<TLVertex>& vertices) {
    return device.DrawPrimitive(type, kFvfTLVertex, vertices.data(),
                                static_cast<uint32_t>(vertices.size()), 0);
}

void DrawScene(Device3D& device, PrimitiveType type, const std::vector<TLVertex>& vertices) {
    ASSERT_EQ(device.BeginScene(), D3D_OK);
    EXPECT_EQ(Draw(device, type, vertices), D3D_OK);
    ASSERT_EQ(device.EndScene(), D3D_OK);
}

std::shared_ptr<Texture3D> MakeTexture(Device3D& device, int32_t width, int32_t height,
                                       const TexturePixelFormat& format,
                                       const std::vector<uint32_t>& texels) {
    std::shared_ptr<Texture3D> texture;
    EXPECT_EQ(device.CreateTexture(width, height, format, texture), D3D_OK);
    if (!texture) {
        return texture;
    }
    LockedTexture locked;
    EXPECT_EQ(texture->Lock(kLockWait | kLockWriteOnly, locked), DD_OK);
    const int32_t bytes = format.bitCount / 8;
    for (int32_t y = 0; y < height; ++y) {
        auto* row = static_cast<uint8_t*>(locked.bits) + locked.pitch * y;
        for (int32_t x = 0; x < width; ++x) {
            const uint32_t texel = texels[static_cast<size_t>(y * width + x)];
            std::memcpy(row + bytes * x, &texel, static_cast<size_t>(bytes));
        }
    }
    EXPECT_EQ(texture->Unlock(), DD_OK);
    return texture;
}

// What a surface holds for an ARGB colour: the top bits of each channel.
uint32_t Packed(uint32_t argb, const PixelFormat& format) {
    if (format.bitsPerPixel == 32) {
        return argb & 0xFFFFFF;
    }
    if (format == PixelFormat::Rgb565()) {
        return ((argb >> 8) & 0xF800) | ((argb >> 5) & 0x07E0) | ((argb >> 3) & 0x1F);
    }
    return ((argb >> 9) & 0x7C00) | ((argb >> 6) & 0x03E0) | ((argb >> 3) & 0x1F);
}

std::vector<uint32_t> RandomOpaque(size_t count, uint32_t seed) {
    std::mt19937 random(seed);
    std::vector<uint32_t> out(count);
    for (uint32_t& texel : out) {
        texel = 0xFF000000u | (random() & 0xFFFFFF);
    }
    return out;
}

const PixelFormat kTargetFormats[] = {PixelFormat::Xrgb8888(), PixelFormat::Rgb565(),
                                      PixelFormat::Rgb555()};

TEST(SoftDevice3DTest, ResultCodesCarryDirect3DNumbers) {
    EXPECT_EQ(static_cast<uint32_t>(D3DERR_SCENE_NOT_IN_SCENE), 0x887602F9u);
    EXPECT_EQ(static_cast<uint32_t>(D3DERR_SCENE_IN_SCENE), 0x887602F8u);
    EXPECT_EQ(static_cast<uint32_t>(D3DERR_INVALIDPRIMITIVETYPE), 0x887602E0u);
    EXPECT_EQ(static_cast<uint32_t>(D3DERR_TEXTURE_BADSIZE), 0x887602E2u);
    EXPECT_EQ(static_cast<uint32_t>(D3DERR_INVALIDVERTEXFORMAT), 0x88760800u);
    EXPECT_EQ(static_cast<uint32_t>(D3DERR_UNSUPPORTEDTEXTUREFILTER), 0x88760822u);
    EXPECT_TRUE(Failed(D3DERR_TEXTURE_LOCKED));
    EXPECT_TRUE(Succeeded(D3D_OK));
}

// A textured quad at one texel per pixel gives back the texture itself, in every target
// format, blended or not, point or bilinear, and touches nothing around it.
TEST(SoftDevice3DTest, IdentityQuadReproducesTheTexture) {
    const std::vector<uint32_t> texels = RandomOpaque(64 * 32, 7);
    for (const PixelFormat& format : kTargetFormats) {
        for (bool linear : {false, true}) {
            for (bool blend : {false, true}) {
                Target target(80, 50, format);
                auto device = MakeDevice(target);
                ASSERT_TRUE(device);
                auto texture = MakeTexture(*device, 64, 32, TexturePixelFormat::A8R8G8B8(), texels);
                const auto filter = U(linear ? TextureFilter::Linear : TextureFilter::Point);
                EXPECT_EQ(device->SetTextureStageState(0, TextureStageState::MagFilter, filter),
                          D3D_OK);
                EXPECT_EQ(device->SetTextureStageState(0, TextureStageState::MinFilter, filter),
                          D3D_OK);
                EXPECT_EQ(device->SetRenderState(RenderState::AlphaBlendEnable, blend), D3D_OK);
                EXPECT_EQ(device->SetTexture(0, texture), D3D_OK);
                DrawScene(*device, PrimitiveType::TriangleStrip, Quad(5, 7, 64, 32));
                const auto pixels = target.Pixels();
                for (int32_t y = 0; y < 50; ++y) {
                    for (int32_t x = 0; x < 80; ++x) {
                        const bool inside = x >= 5 && x < 69 && y >= 7 && y < 39;
                        const uint32_t expected =
                            inside
                                ? Packed(texels[static_cast<size_t>((y - 7) * 64 + x - 5)], format)
                                : 0;
                        ASSERT_EQ(pixels[static_cast<size_t>(y * 80 + x)], expected)
                            << "x " << x << " y " << y << " bits " << format.bitsPerPixel
                            << " linear " << linear << " blend " << blend;
                    }
                }
            }
        }
    }
}

// Part of a texture, as a piece narrower than its texture draws it, and two such parts
// side by side: no gap, no overlap.
TEST(SoftDevice3DTest, AdjacentTexturePartsMeetExactly) {
    const std::vector<uint32_t> texels = RandomOpaque(64 * 16, 11);
    Target target(120, 20, PixelFormat::Xrgb8888());
    auto device = MakeDevice(target);
    auto texture = MakeTexture(*device, 64, 16, TexturePixelFormat::A8R8G8B8(), texels);
    ASSERT_EQ(device->SetTexture(0, texture), D3D_OK);
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    // Columns 0..43 of the texture at x 3, then the whole texture right after them.
    EXPECT_EQ(Draw(*device, PrimitiveType::TriangleStrip,
                   Quad(3, 2, 44, 16, 0xFFFFFFFF, 0, 0, 44.0F / 64, 1)),
              D3D_OK);
    EXPECT_EQ(Draw(*device, PrimitiveType::TriangleStrip, Quad(47, 2, 64, 16)), D3D_OK);
    ASSERT_EQ(device->EndScene(), D3D_OK);
    const auto pixels = target.Pixels();
    for (int32_t y = 2; y < 18; ++y) {
        for (int32_t x = 3; x < 111; ++x) {
            const int32_t tx = x < 47 ? x - 3 : x - 47;
            ASSERT_EQ(pixels[static_cast<size_t>(y * 120 + x)],
                      texels[static_cast<size_t>((y - 2) * 64 + tx)] & 0xFFFFFF)
                << x << "," << y;
        }
    }
}

TEST(SoftDevice3DTest, EveryTextureFormatWidensLikeTheCard) {
    Target target(8, 8, PixelFormat::Xrgb8888());
    auto device = MakeDevice(target);
    EXPECT_EQ(device->SetRenderState(RenderState::AlphaBlendEnable, 0), D3D_OK);
    std::vector<TexturePixelFormat> formats;
    ASSERT_EQ(device->EnumTextureFormats(formats), D3D_OK);
    ASSERT_EQ(formats.size(), 4u);

    struct Case {
        TexturePixelFormat format;
        uint32_t texel;
        uint32_t expected;
    };
    const Case cases[] = {
        {TexturePixelFormat::A8R8G8B8(), 0xFF336699, 0x336699},
        {TexturePixelFormat::A4R4G4B4(), 0xF369, 0x336699},
        {TexturePixelFormat::R5G6B5(), 0x3333, 0x31659C},
        {TexturePixelFormat::R5G6B5(), 0xFFFF, 0xFFFFFF},
    };
    for (const Case& c : cases) {
        auto texture = MakeTexture(*device, 2, 2, c.format, std::vector<uint32_t>(4, c.texel));
        ASSERT_EQ(device->SetTexture(0, texture), D3D_OK);
        DrawScene(*device, PrimitiveType::TriangleStrip, Quad(1, 1, 2, 2));
        EXPECT_EQ(target.At(1, 1), c.expected) << c.format.bitCount;
        EXPECT_EQ(target.At(2, 2), c.expected) << c.format.bitCount;
    }

    // Palette8: index 1 is a colour whose flags byte is its alpha.
    auto texture = MakeTexture(*device, 4, 1, TexturePixelFormat::Palette8(), {0, 1, 2, 1});
    ASSERT_EQ(device->SetTexture(0, texture), D3D_OK);
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    EXPECT_EQ(Draw(*device, PrimitiveType::TriangleStrip, Quad(0, 5, 4, 1)), D3DERR_INVALIDPALETTE);
    ASSERT_EQ(device->EndScene(), D3D_OK);
    PaletteEntries entries{};
    entries[1] = {0x12, 0x34, 0x56, 0x80};
    entries[2] = {0xFF, 0x00, 0x00, 0xFF};
    std::shared_ptr<Palette3D> palette;
    ASSERT_EQ(device->CreatePalette(entries, palette), D3D_OK);
    ASSERT_EQ(texture->SetPalette(palette), DD_OK);
    EXPECT_EQ(texture->GetPalette(), palette);
    EXPECT_EQ(device->SetRenderState(RenderState::AlphaBlendEnable, 1), D3D_OK);
    DrawScene(*device, PrimitiveType::TriangleStrip, Quad(0, 5, 4, 1));
    EXPECT_EQ(target.At(0, 5), 0u);         // entry 0: transparent black
    EXPECT_EQ(target.At(1, 5), 0x091A2Bu);  // half of 0x123456 over black, rounded
    EXPECT_EQ(target.At(2, 5), 0xFF0000u);

    // A changed palette is seen by the next draw.
    const PaletteEntry green{0x00, 0xFF, 0x00, 0xFF};
    ASSERT_EQ(palette->SetEntries(2, 1, &green), DD_OK);
    DrawScene(*device, PrimitiveType::TriangleStrip, Quad(0, 5, 4, 1));
    EXPECT_EQ(target.At(2, 5), 0x00FF00u);
}

TEST(SoftDevice3DTest, RelockedTexelsAreDrawn) {
    Target target(4, 4, PixelFormat::Xrgb8888());
    auto device = MakeDevice(target);
    auto texture =
        MakeTexture(*device, 1, 1, TexturePixelFormat::R5G6B5(), std::vector<uint32_t>{0xF800});
    ASSERT_EQ(device->SetTexture(0, texture), D3D_OK);
    DrawScene(*device, PrimitiveType::TriangleStrip, Quad(0, 0, 1, 1));
    EXPECT_EQ(target.At(0, 0), 0xFF0000u);

    LockedTexture locked;
    ASSERT_EQ(texture->Lock(0, locked), DD_OK);
    EXPECT_EQ(locked.pitch % 4, 0);
    const uint16_t blue = 0x001F;
    std::memcpy(locked.bits, &blue, 2);
    // Drawing from a locked texture is refused.
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    EXPECT_EQ(Draw(*device, PrimitiveType::TriangleStrip, Quad(0, 0, 1, 1)), D3DERR_TEXTURE_LOCKED);
    ASSERT_EQ(device->EndScene(), D3D_OK);
    ASSERT_EQ(texture->Unlock(), DD_OK);
    DrawScene(*device, PrimitiveType::TriangleStrip, Quad(0, 0, 1, 1));
    EXPECT_EQ(target.At(0, 0), 0x0000FFu);
}

TEST(SoftDevice3DTest, TextureAndPaletteContracts) {
    Target target(4, 4, PixelFormat::Rgb565());
    auto device = MakeDevice(target);
    std::shared_ptr<Texture3D> texture;
    EXPECT_EQ(device->CreateTexture(0, 4, TexturePixelFormat::A8R8G8B8(), texture),
              DDERR_INVALIDPARAMS);
    EXPECT_EQ(device->CreateTexture(48, 64, TexturePixelFormat::A8R8G8B8(), texture),
              D3DERR_TEXTURE_BADSIZE);
    EXPECT_EQ(device->CreateTexture(2048, 64, TexturePixelFormat::A8R8G8B8(), texture),
              D3DERR_TEXTURE_BADSIZE);
    const TexturePixelFormat x1r5g5b5{DDPF_RGB, 16, 0, 0x7C00, 0x03E0, 0x001F};
    EXPECT_EQ(device->CreateTexture(4, 4, x1r5g5b5, texture), DDERR_INVALIDPIXELFORMAT);
    EXPECT_FALSE(texture);

    ASSERT_EQ(device->CreateTexture(1, 8, TexturePixelFormat::Palette8(), texture), D3D_OK);
    EXPECT_EQ(texture->Width(), 1);
    EXPECT_EQ(texture->Height(), 8);
    EXPECT_EQ(texture->Format(), TexturePixelFormat::Palette8());
    LockedTexture locked;
    EXPECT_EQ(texture->Lock(kLockReadOnly | kLockWriteOnly, locked), DDERR_INVALIDPARAMS);
    ASSERT_EQ(texture->Lock(kLockReadOnly, locked), DD_OK);
    EXPECT_EQ(locked.pitch, 4);
    for (int32_t y = 0; y < 8; ++y) {
        EXPECT_EQ(static_cast<const uint8_t*>(locked.bits)[y * locked.pitch], 0);
    }
    EXPECT_EQ(texture->Lock(0, locked), DDERR_SURFACEBUSY);
    EXPECT_EQ(texture->Unlock(), DD_OK);
    EXPECT_EQ(texture->Unlock(), DDERR_NOTLOCKED);

    PaletteEntries entries{};
    entries[255] = {1, 2, 3, 4};
    std::shared_ptr<Palette3D> palette;
    ASSERT_EQ(device->CreatePalette(entries, palette), D3D_OK);
    PaletteEntry read[2];
    EXPECT_EQ(palette->GetEntries(254, 2, read), DD_OK);
    EXPECT_EQ(read[1], (PaletteEntry{1, 2, 3, 4}));
    EXPECT_EQ(palette->GetEntries(255, 2, read), DDERR_INVALIDPARAMS);
    EXPECT_EQ(palette->SetEntries(256, 1, read), DDERR_INVALIDPARAMS);

    std::shared_ptr<Texture3D> rgb;
    ASSERT_EQ(device->CreateTexture(4, 4, TexturePixelFormat::R5G6B5(), rgb), D3D_OK);
    EXPECT_EQ(rgb->SetPalette(palette), DDERR_INVALIDPIXELFORMAT);

    // Objects of another device are refused.
    Target other(4, 4, PixelFormat::Rgb565());
    auto otherDevice = MakeDevice(other);
    EXPECT_EQ(otherDevice->SetTexture(0, texture), DDERR_INVALIDOBJECT);
    std::shared_ptr<Palette3D> otherPalette;
    ASSERT_EQ(otherDevice->CreatePalette(entries, otherPalette), D3D_OK);
    EXPECT_EQ(texture->SetPalette(otherPalette), DDERR_INVALIDOBJECT);
}

TEST(SoftDevice3DTest, OptionsLimitFormatsAndSizes) {
    Target target(4, 4, PixelFormat::Rgb565());
    SoftDevice3DOptions options;
    options.caps = {8, 8, 256, 256, 2, kTextureCapsPow2};
    options.textureFormats = {TexturePixelFormat::A4R4G4B4()};
    std::unique_ptr<SoftDevice3D> device;
    ASSERT_EQ(SoftDevice3D::Create(target.surface, options, device), D3D_OK);
    DeviceCaps caps;
    ASSERT_EQ(device->GetCaps(caps), D3D_OK);
    EXPECT_EQ(caps.maxTextureAspectRatio, 2);
    EXPECT_EQ(caps.textureCaps & kTextureCapsAlphaPalette, 0u);
    std::shared_ptr<Texture3D> texture;
    EXPECT_EQ(device->CreateTexture(8, 8, TexturePixelFormat::A8R8G8B8(), texture),
              DDERR_INVALIDPIXELFORMAT);
    EXPECT_EQ(device->CreateTexture(4, 8, TexturePixelFormat::A4R4G4B4(), texture),
              D3DERR_TEXTURE_BADSIZE);
    EXPECT_EQ(device->CreateTexture(32, 8, TexturePixelFormat::A4R4G4B4(), texture),
              D3DERR_TEXTURE_BADSIZE);
    EXPECT_EQ(device->CreateTexture(16, 8, TexturePixelFormat::A4R4G4B4(), texture), D3D_OK);

    options.textureFormats = {{DDPF_RGB, 24, 0, 0xFF0000, 0xFF00, 0xFF}};
    EXPECT_EQ(SoftDevice3D::Create(target.surface, options, device), DDERR_INVALIDPIXELFORMAT);
}

// Untextured fills: the stage reads white, so the diffuse colour is drawn.
TEST(SoftDevice3DTest, FlatRectangleCoversExactlyItsPixels) {
    for (const PixelFormat& format : kTargetFormats) {
        Target target(12, 12, format);
        auto device = MakeDevice(target);
        ASSERT_EQ(device->SetTexture(0, nullptr), D3D_OK);
        DrawScene(*device, PrimitiveType::TriangleStrip, Quad(2, 3, 7, 5, 0xFF80C0E0));
        const auto pixels = target.Pixels();
        for (int32_t y = 0; y < 12; ++y) {
            for (int32_t x = 0; x < 12; ++x) {
                const bool inside = x >= 2 && x < 9 && y >= 3 && y < 8;
                EXPECT_EQ(pixels[static_cast<size_t>(y * 12 + x)],
                          inside ? Packed(0xFF80C0E0, format) : 0u)
                    << x << "," << y;
            }
        }
    }
}

TEST(SoftDevice3DTest, GouraudColoursHitTheirCorners) {
    Target target(40, 40, PixelFormat::Xrgb8888());
    auto device = MakeDevice(target);
    EXPECT_EQ(device->SetRenderState(RenderState::AlphaBlendEnable, 0), D3D_OK);
    DrawScene(*device, PrimitiveType::TriangleList,
              {Vertex(0, 0, 0xFFFF0000), Vertex(30, 0, 0xFF00FF00), Vertex(0, 30, 0xFF0000FF)});
    EXPECT_EQ(target.At(0, 0), 0xFF0000u);
    EXPECT_EQ(target.At(15, 0), 0x808000u);  // half way along the top edge
    EXPECT_EQ(target.At(0, 15), 0x800080u);
    const uint32_t middle = target.At(10, 10);
    for (int shift : {0, 8, 16}) {
        EXPECT_NEAR(static_cast<int>((middle >> shift) & 0xFF), 85, 1) << shift;
    }
    EXPECT_EQ(target.At(15, 15), 0u);  // on the right-hand edge: not drawn
}

// Coverage against a direct reading of the fill rule: a centre strictly inside, or on an
// edge that is a top edge (horizontal, inside below) or a left edge (inside to the right).
bool Covers(TLVertex a, TLVertex b, TLVertex c, double px, double py) {
    auto cross = [](const TLVertex& p, const TLVertex& q, double x, double y) {
        return (double{q.x} - p.x) * (y - p.y) - (double{q.y} - p.y) * (x - p.x);
    };
    if (cross(a, b, c.x, c.y) < 0) {
        std::swap(b, c);
    }
    const TLVertex* corners[] = {&a, &b, &c};
    for (int i = 0; i < 3; ++i) {
        const TLVertex& p = *corners[i];
        const TLVertex& q = *corners[(i + 1) % 3];
        const double e = cross(p, q, px, py);
        const double dx = double{q.x} - p.x;
        const double dy = double{q.y} - p.y;
        if (e < 0 || (e == 0 && !(dy < 0 || (dy == 0 && dx > 0)))) {
            return false;
        }
    }
    return true;
}

TEST(SoftDevice3DTest, TrianglesFollowTheTopLeftRule) {
    std::mt19937 random(3);
    std::uniform_int_distribution<int> quarter(-16, 36 * 4);
    for (int round = 0; round < 300; ++round) {
        Target target(32, 32, PixelFormat::Xrgb8888());
        auto device = MakeDevice(target);
        EXPECT_EQ(device->SetRenderState(RenderState::AlphaBlendEnable, 0), D3D_OK);
        // Corners on a quarter-pixel grid, with whole-pixel ones often, so that many
        // centres land exactly on edges and corners.
        auto coordinate = [&] {
            const int q = quarter(random);
            return round % 2 == 0 ? static_cast<float>(q / 4) : static_cast<float>(q) / 4.0F;
        };
        const TLVertex a = Vertex(coordinate(), coordinate());
        const TLVertex b = Vertex(coordinate(), coordinate());
        const TLVertex c = Vertex(coordinate(), coordinate());
        DrawScene(*device, PrimitiveType::TriangleList, {a, b, c});
        const auto pixels = target.Pixels();
        const bool flat =
            (double{b.x} - a.x) * (double{c.y} - a.y) == (double{b.y} - a.y) * (double{c.x} - a.x);
        for (int32_t y = 0; y < 32; ++y) {
            for (int32_t x = 0; x < 32; ++x) {
                const bool expected = !flat && Covers(a, b, c, x, y);
                ASSERT_EQ(pixels[static_cast<size_t>(y * 32 + x)] != 0, expected)
                    << "round " << round << " pixel " << x << "," << y << " triangle (" << a.x
                    << "," << a.y << ") (" << b.x << "," << b.y << ") (" << c.x << "," << c.y
                    << ")";
            }
        }
    }
}

// Triangles that share edges, drawn adding a fixed amount: any pixel drawn twice would
// come out brighter.
TEST(SoftDevice3DTest, SharedEdgesDrawEachPixelOnce) {
    std::mt19937 random(5);
    std::uniform_real_distribution<float> spread(-3.0F, 3.0F);
    for (int round = 0; round < 50; ++round) {
        Target target(48, 48, PixelFormat::Rgb565());
        auto device = MakeDevice(target);
        SetBlend(*device, Blend::One, Blend::One);
        // A fan of eight triangles round a centre, and a strip of quads below.
        std::vector<TLVertex> fan = {Vertex(24 + spread(random), 16 + spread(random), 0xFF404040)};
        for (int i = 0; i <= 8; ++i) {
            const double angle = i * 3.14159265358979 / 4;
            const float r = 12 + spread(random);
            fan.push_back(Vertex(24 + static_cast<float>(r * std::cos(angle)),
                                 16 + static_cast<float>(r * std::sin(angle)), 0xFF404040));
        }
        fan.back() = fan[1];
        std::vector<TLVertex> strip;
        std::uniform_real_distribution<float> jitter(-1.0F, 1.0F);
        for (int i = 0; i < 8; ++i) {
            strip.push_back(Vertex(2 + 5.3F * i + jitter(random), 34 + jitter(random), 0xFF404040));
            strip.push_back(Vertex(2 + 5.3F * i + jitter(random), 46 + jitter(random), 0xFF404040));
        }
        if (round % 2 == 0) {
            // Whole coordinates put pixel centres right on the shared edges.
            for (TLVertex& v : fan) {
                v.x = std::round(v.x);
                v.y = std::round(v.y);
            }
            for (TLVertex& v : strip) {
                v.x = std::round(v.x);
                v.y = std::round(v.y);
            }
        }
        ASSERT_EQ(device->BeginScene(), D3D_OK);
        EXPECT_EQ(Draw(*device, PrimitiveType::TriangleFan, fan), D3D_OK);
        EXPECT_EQ(Draw(*device, PrimitiveType::TriangleStrip, strip), D3D_OK);
        ASSERT_EQ(device->EndScene(), D3D_OK);
        int drawn = 0;
        for (uint32_t pixel : target.Pixels()) {
            ASSERT_TRUE(pixel == 0 || pixel == Packed(0x404040, PixelFormat::Rgb565()))
                << "round " << round << " value " << pixel;
            drawn += pixel != 0;
        }
        EXPECT_GT(drawn, 300);
    }
}

TEST(SoftDevice3DTest, NormalAndAdditiveBlending) {
    Target target(4, 1, PixelFormat::Xrgb8888());
    auto device = MakeDevice(target);
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    EXPECT_EQ(Draw(*device, PrimitiveType::TriangleStrip, Quad(0, 0, 4, 1, 0xFF0000FF)), D3D_OK);
    // Normal: half red over the blue.
    EXPECT_EQ(Draw(*device, PrimitiveType::TriangleStrip, Quad(0, 0, 1, 1, 0x80FF0000)), D3D_OK);
    // Transparent: nothing changes.
    EXPECT_EQ(Draw(*device, PrimitiveType::TriangleStrip, Quad(1, 0, 1, 1, 0x00FF0000)), D3D_OK);
    // Additive: source times its alpha added, saturating.
    SetBlend(*device, Blend::SrcAlpha, Blend::One);
    EXPECT_EQ(Draw(*device, PrimitiveType::TriangleStrip, Quad(2, 0, 1, 1, 0x80FF4020)), D3D_OK);
    EXPECT_EQ(Draw(*device, PrimitiveType::TriangleStrip, Quad(3, 0, 1, 1, 0xFFC0C0C0)), D3D_OK);
    EXPECT_EQ(Draw(*device, PrimitiveType::TriangleStrip, Quad(3, 0, 1, 1, 0xFFC0C0C0)), D3D_OK);
    ASSERT_EQ(device->EndScene(), D3D_OK);
    EXPECT_EQ(target.At(0, 0), 0x80007Fu);
    EXPECT_EQ(target.At(1, 0), 0x0000FFu);
    EXPECT_EQ(target.At(2, 0), 0x8020FFu);  // 0xFF*0x80/0xFF = 0x80, 0x40 -> 0x20, blue full
    EXPECT_EQ(target.At(3, 0), 0xFFFFFFu);
}

// The blend scenes of the acceleration test, with its judgement: every pixel of the top
// left 10 by 10 within a squared distance of 768 from the expected colour.
TEST(SoftDevice3DTest, PassesTheAccelerationTestScenes) {
    struct Scene {
        Blend src;
        Blend dest;
        uint32_t fill1;
        uint32_t color1;
        uint32_t fill2;
        uint32_t color2;
        uint32_t expected;
    };
    const Scene scenes[] = {
        {Blend::SrcAlpha, Blend::InvSrcAlpha, 0xFF0000FF, 0xFFFFFFFF, 0x80FF0000, 0xFFFFFFFF,
         0x7F007F},
        {Blend::One, Blend::One, 0xFF404040, 0xFFFFFFFF, 0xFF404040, 0xFFFFFFFF, 0x808080},
        {Blend::SrcAlpha, Blend::One, 0xFF404040, 0xFFFFFFFF, 0x80808080, 0xFFFFFFFF, 0x808080},
        {Blend::SrcAlpha, Blend::InvSrcAlpha, 0xFF0000FF, 0xFFFFFFFF, 0xFFFF0000, 0x80FFFFFF,
         0x7F007F},
    };
    for (const PixelFormat& format : kTargetFormats) {
        for (const TexturePixelFormat& textureFormat :
             {TexturePixelFormat::A8R8G8B8(), TexturePixelFormat::A4R4G4B4()}) {
            for (const Scene& scene : scenes) {
                Target target(100, 100, format);
                auto device = MakeDevice(target);
                SetBlend(*device, scene.src, scene.dest);
                ASSERT_EQ(device->Clear(nullptr, 0, kClearTarget, 0xFF000000, 1.0F, 0), D3D_OK);
                ASSERT_EQ(device->BeginScene(), D3D_OK);
                for (auto [fill, color] :
                     {std::pair{scene.fill1, scene.color1}, std::pair{scene.fill2, scene.color2}}) {
                    const uint32_t texel = textureFormat.bitCount == 32
                                               ? fill
                                               : ((fill >> 16) & 0xF000) | ((fill >> 12) & 0x0F00) |
                                                     ((fill >> 8) & 0x00F0) |
                                                     ((fill >> 4) & 0x000F);
                    auto texture = MakeTexture(*device, 64, 64, textureFormat,
                                               std::vector<uint32_t>(64 * 64, texel));
                    ASSERT_EQ(device->SetTexture(0, texture), D3D_OK);
                    EXPECT_EQ(
                        Draw(*device, PrimitiveType::TriangleStrip, Quad(0, 0, 64, 64, color)),
                        D3D_OK);
                }
                ASSERT_EQ(device->EndScene(), D3D_OK);
                const auto pixels = target.Pixels();
                for (int32_t i = 0; i < 100; ++i) {
                    uint32_t p = pixels[static_cast<size_t>((i / 10) * 100 + i % 10)];
                    if (format.bitsPerPixel == 16) {
                        // Read back as the test does: channels shifted to the top.
                        p = format == PixelFormat::Rgb565()
                                ? ((p & 0xF800) << 8) | ((p & 0x07E0) << 5) | ((p & 0x1F) << 3)
                                : ((p & 0x7C00) << 9) | ((p & 0x03E0) << 6) | ((p & 0x1F) << 3);
                    }
                    int distance = 0;
                    for (int shift : {0, 8, 16}) {
                        const int d = static_cast<int>((p >> shift) & 0xFF) -
                                      static_cast<int>((scene.expected >> shift) & 0xFF);
                        distance += d * d;
                    }
                    ASSERT_LE(distance, 768) << std::hex << p << " expected " << scene.expected;
                }
            }
        }
    }
}

// The acceleration test's clip scene: stripes drawn at (-2, -2) come out shifted, with
// the part off the target cut away.
TEST(SoftDevice3DTest, ClipsTrianglesPartlyOffTheTarget) {
    Target target(100, 100, PixelFormat::Xrgb8888());
    auto device = MakeDevice(target);
    std::vector<uint32_t> stripes(64 * 64);
    for (size_t i = 0; i < stripes.size(); ++i) {
        stripes[i] = (i % 2 == 0) ? 0xFF000000 : 0xFFFFFFFF;
    }
    auto texture = MakeTexture(*device, 64, 64, TexturePixelFormat::A8R8G8B8(), stripes);
    ASSERT_EQ(device->SetTexture(0, texture), D3D_OK);
    DrawScene(*device, PrimitiveType::TriangleStrip, Quad(-2, -2, 64, 64));
    const auto pixels = target.Pixels();
    for (int32_t y = 0; y < 100; ++y) {
        for (int32_t x = 0; x < 100; ++x) {
            const uint32_t expected = (x < 62 && y < 62 && x % 2 == 1) ? 0xFFFFFF : 0;
            ASSERT_EQ(pixels[static_cast<size_t>(y * 100 + x)], expected) << x << "," << y;
        }
    }
}

TEST(SoftDevice3DTest, ClipsToTheViewportAndFarOffCoordinates) {
    Target target(20, 20, PixelFormat::Rgb565());
    auto device = MakeDevice(target);
    EXPECT_EQ(device->SetViewport({25, 0, 10, 10, 0, 1}), DDERR_INVALIDPARAMS);
    EXPECT_EQ(device->SetViewport({5, 5, 16, 10, 0, 1}), DDERR_INVALIDPARAMS);
    EXPECT_EQ(device->SetViewport({5, 5, 10, 10, 0.5F, 0.25F}), DDERR_INVALIDPARAMS);
    ASSERT_EQ(device->SetViewport({5, 6, 10, 8, 0, 1}), D3D_OK);
    Viewport3D viewport;
    ASSERT_EQ(device->GetViewport(viewport), D3D_OK);
    EXPECT_EQ(viewport, (Viewport3D{5, 6, 10, 8, 0, 1}));

    const float far = 1e30F;
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    // A huge triangle covering everything, one wholly off the target, and a line from far
    // away through the middle.
    EXPECT_EQ(
        Draw(*device, PrimitiveType::TriangleList,
             {Vertex(-far, -far, 0xFFFFFFFF), Vertex(far, -far, 0xFFFFFFFF),
              Vertex(0, far, 0xFFFFFFFF), Vertex(-50, -50), Vertex(-40, -50), Vertex(-50, -40)}),
        D3D_OK);
    ASSERT_EQ(device->EndScene(), D3D_OK);
    const auto pixels = target.Pixels();
    for (int32_t y = 0; y < 20; ++y) {
        for (int32_t x = 0; x < 20; ++x) {
            const bool inside = x >= 5 && x < 15 && y >= 6 && y < 14;
            EXPECT_EQ(pixels[static_cast<size_t>(y * 20 + x)], inside ? 0xFFFFu : 0u)
                << x << "," << y;
        }
    }

    // Clear keeps to the viewport too.
    ASSERT_EQ(device->SetViewport({0, 0, 20, 20, 0, 1}), D3D_OK);
    const SurfaceRect rects[] = {{-5, -5, 2, 3}, {18, 18, 40, 40}};
    ASSERT_EQ(device->Clear(rects, 2, kClearTarget, 0xFFFF0000, 1.0F, 0), D3D_OK);
    EXPECT_EQ(target.At(0, 0), 0xF800u);
    EXPECT_EQ(target.At(1, 2), 0xF800u);
    EXPECT_EQ(target.At(19, 19), 0xF800u);
    EXPECT_EQ(target.At(2, 0), 0u);
    EXPECT_EQ(device->Clear(nullptr, 0, kClearTarget | kClearZBuffer, 0, 1.0F, 0),
              D3DERR_ZBUFFER_NOTPRESENT);
    EXPECT_EQ(device->Clear(nullptr, 2, kClearTarget, 0, 1.0F, 0), DDERR_INVALIDPARAMS);
}

TEST(SoftDevice3DTest, BrokenVerticesAreLeftOut) {
    Target target(16, 16, PixelFormat::Xrgb8888());
    auto device = MakeDevice(target);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    auto texture = MakeTexture(*device, 2, 2, TexturePixelFormat::A8R8G8B8(),
                               std::vector<uint32_t>(4, 0xFF00FF00));
    ASSERT_EQ(device->SetTexture(0, texture), D3D_OK);
    EXPECT_EQ(device->SetTextureStageState(0, TextureStageState::AddressU, U(TextureAddress::Wrap)),
              D3D_OK);
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    EXPECT_EQ(Draw(*device, PrimitiveType::TriangleList,
                   {Vertex(nan, 0), Vertex(10, 0), Vertex(0, 10),                    // NaN
                    Vertex(0, 0), Vertex(inf, 0), Vertex(0, 10),                     // infinite
                    Vertex(0, 0), Vertex(5, 5), Vertex(10, 10),                      // no area
                    Vertex(1, 1), Vertex(1, 1), Vertex(1, 1),                        // a point
                    Vertex(0, 0, 0xFFFFFFFF, nan, inf), Vertex(2, 0), Vertex(0, 2),  // bad uv
                    Vertex(12, 12), Vertex(16, 12), Vertex(12, 16)}),                // fine
              D3D_OK);
    EXPECT_EQ(Draw(*device, PrimitiveType::LineList,
                   {Vertex(nan, 3), Vertex(8, 3), Vertex(4, 4), Vertex(4, 4)}),
              D3D_OK);
    EXPECT_EQ(Draw(*device, PrimitiveType::TriangleStrip, {Vertex(0, 0), Vertex(1, 1)}), D3D_OK);
    EXPECT_EQ(device->DrawPrimitive(PrimitiveType::TriangleList, kFvfTLVertex, nullptr, 0, 0),
              D3D_OK);
    ASSERT_EQ(device->EndScene(), D3D_OK);
    const auto pixels = target.Pixels();
    EXPECT_EQ(pixels[0], 0x00FF00u);  // the triangle with broken texture coordinates
    EXPECT_EQ(pixels[3 * 16 + 5], 0u);
    EXPECT_EQ(pixels[4 * 16 + 4], 0u);
    EXPECT_EQ(pixels[12 * 16 + 12], 0x00FF00u);
    EXPECT_EQ(pixels[6 * 16 + 8], 0u);
}

TEST(SoftDevice3DTest, LinesLeaveOutTheirLastPixel) {
    Target target(32, 32, PixelFormat::Xrgb8888());
    auto device = MakeDevice(target);
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    // The program's line: a third vertex half a pixel on draws the end point.
    EXPECT_EQ(Draw(*device, PrimitiveType::LineStrip,
                   {Vertex(10, 10, 0xFFFF0000), Vertex(20, 10, 0xFFFF0000),
                    Vertex(20.5F, 10.5F, 0xFFFF0000)}),
              D3D_OK);
    // A diagonal and a vertical line going up, as a list.
    EXPECT_EQ(Draw(*device, PrimitiveType::LineList,
                   {Vertex(0.5F, 0.5F, 0xFF00FF00), Vertex(4.5F, 4.5F, 0xFF00FF00),
                    Vertex(30, 29, 0xFF0000FF), Vertex(30, 20, 0xFF0000FF)}),
              D3D_OK);
    // A line from far outside, along row 31.
    EXPECT_EQ(Draw(*device, PrimitiveType::LineList,
                   {Vertex(-1e20F, 31, 0xFFFFFFFF), Vertex(1e20F, 31, 0xFFFFFFFF)}),
              D3D_OK);
    ASSERT_EQ(device->EndScene(), D3D_OK);
    const auto pixels = target.Pixels();
    auto at = [&](int x, int y) { return pixels[static_cast<size_t>(y * 32 + x)]; };
    for (int x = 0; x < 32; ++x) {
        EXPECT_EQ(at(x, 10), x >= 10 && x <= 20 ? 0xFF0000u : 0u) << x;
        EXPECT_EQ(at(x, 31), 0xFFFFFFu) << x;
    }
    // Centres at whole numbers: (0.5, 0.5) starts in pixel 1, and (4.5, 4.5) is left out.
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(at(i, i), i >= 1 && i <= 4 ? 0x00FF00u : 0u) << i;
    }
    for (int y = 18; y < 31; ++y) {
        EXPECT_EQ(at(30, y), y >= 21 && y <= 29 ? 0x0000FFu : 0u) << y;
    }
}

TEST(SoftDevice3DTest, WrapRepeatsAndClampStretchesTheEdge) {
    Target target(8, 2, PixelFormat::Xrgb8888());
    auto device = MakeDevice(target);
    auto texture =
        MakeTexture(*device, 2, 1, TexturePixelFormat::A8R8G8B8(), {0xFF000010, 0xFF000020});
    ASSERT_EQ(device->SetTexture(0, texture), D3D_OK);
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    EXPECT_EQ(
        Draw(*device, PrimitiveType::TriangleStrip, Quad(0, 0, 8, 1, 0xFFFFFFFF, -1, 0, 3, 1)),
        D3D_OK);
    EXPECT_EQ(device->SetTextureStageState(0, TextureStageState::AddressU, U(TextureAddress::Wrap)),
              D3D_OK);
    EXPECT_EQ(
        Draw(*device, PrimitiveType::TriangleStrip, Quad(0, 1, 8, 1, 0xFFFFFFFF, -1, 0, 3, 1)),
        D3D_OK);
    ASSERT_EQ(device->EndScene(), D3D_OK);
    const auto pixels = target.Pixels();
    const uint32_t clamped[] = {0x10, 0x10, 0x10, 0x20, 0x20, 0x20, 0x20, 0x20};
    const uint32_t wrapped[] = {0x10, 0x20, 0x10, 0x20, 0x10, 0x20, 0x10, 0x20};
    for (size_t x = 0; x < 8; ++x) {
        EXPECT_EQ(pixels[x], clamped[x]) << x;
        EXPECT_EQ(pixels[8 + x], wrapped[x]) << x;
    }
}

TEST(SoftDevice3DTest, BilinearFilteringBlendsNeighbours) {
    Target target(4, 1, PixelFormat::Xrgb8888());
    auto device = MakeDevice(target);
    EXPECT_EQ(device->SetRenderState(RenderState::AlphaBlendEnable, 0), D3D_OK);
    auto texture =
        MakeTexture(*device, 2, 1, TexturePixelFormat::A8R8G8B8(), {0xFF000000, 0xFFFFFFFF});
    ASSERT_EQ(device->SetTexture(0, texture), D3D_OK);
    ASSERT_EQ(
        device->SetTextureStageState(0, TextureStageState::MagFilter, U(TextureFilter::Linear)),
        D3D_OK);
    DrawScene(*device, PrimitiveType::TriangleStrip, Quad(0, 0, 4, 1));
    const int expected[] = {0, 64, 191, 255};
    for (int32_t x = 0; x < 4; ++x) {
        EXPECT_NEAR(static_cast<int>(target.At(x, 0) & 0xFF), expected[x], 1) << x;
    }
}

TEST(SoftDevice3DTest, StageOperationsAndSpecular) {
    Target target(6, 1, PixelFormat::Xrgb8888());
    auto device = MakeDevice(target);
    EXPECT_EQ(device->SetRenderState(RenderState::AlphaBlendEnable, 0), D3D_OK);
    auto texture = MakeTexture(*device, 1, 1, TexturePixelFormat::A8R8G8B8(), {0xFF808080});
    ASSERT_EQ(device->SetTexture(0, texture), D3D_OK);
    struct Case {
        TextureOp op;
        uint32_t expected;
    };
    const Case cases[] = {{TextureOp::Modulate, 0x402010},
                          {TextureOp::SelectArg1, 0x808080},
                          {TextureOp::SelectArg2, 0x804020},
                          {TextureOp::Disable, 0x804020}};
    int x = 0;
    for (const Case& c : cases) {
        ASSERT_EQ(device->SetTextureStageState(0, TextureStageState::ColorOp, U(c.op)), D3D_OK);
        DrawScene(*device, PrimitiveType::TriangleStrip, Quad(x, 0, 1, 1, 0xFF804020));
        EXPECT_EQ(target.At(x, 0), c.expected) << U(c.op);
        ++x;
    }
    ASSERT_EQ(device->SetTextureStageState(0, TextureStageState::ColorOp, U(TextureOp::Modulate)),
              D3D_OK);
    ASSERT_EQ(device->SetRenderState(RenderState::SpecularEnable, 1), D3D_OK);
    std::vector<TLVertex> quad = Quad(4, 0, 1, 1, 0xFFFFFFFF);
    for (TLVertex& v : quad) {
        v.specular = 0x00900010;
    }
    DrawScene(*device, PrimitiveType::TriangleStrip, quad);
    EXPECT_EQ(target.At(4, 0), 0xFF8090u);
}

TEST(SoftDevice3DTest, DefaultCullingDropsCounterClockwiseTriangles) {
    Target target(8, 8, PixelFormat::Xrgb8888());
    std::unique_ptr<Device3D> device;
    ASSERT_EQ(CreateDevice3D(target.surface, device), D3D_OK);
    // The program's rectangle strip starts counter-clockwise on the screen.
    const std::vector<TLVertex> quad = Quad(0, 0, 4, 4, 0xFFFFFFFF);
    DrawScene(*device, PrimitiveType::TriangleStrip, quad);
    EXPECT_EQ(target.At(1, 1), 0u);
    ASSERT_EQ(device->SetRenderState(RenderState::CullMode, U(Cull::Clockwise)), D3D_OK);
    DrawScene(*device, PrimitiveType::TriangleStrip, quad);
    EXPECT_EQ(target.At(1, 1), 0xFFFFFFu);
    EXPECT_EQ(target.At(3, 3), 0xFFFFFFu);
}

TEST(SoftDevice3DTest, CallsOutOfOrderAreRefused) {
    Target target(8, 8, PixelFormat::Xrgb8888());
    auto device = MakeDevice(target);
    const std::vector<TLVertex> quad = Quad(0, 0, 4, 4);
    EXPECT_EQ(Draw(*device, PrimitiveType::TriangleStrip, quad), D3DERR_SCENE_NOT_IN_SCENE);
    EXPECT_EQ(device->EndScene(), D3DERR_SCENE_NOT_IN_SCENE);
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    EXPECT_EQ(device->BeginScene(), D3DERR_SCENE_IN_SCENE);
    EXPECT_EQ(device->DrawPrimitive(PrimitiveType::TriangleStrip, 0x144, quad.data(), 4, 0),
              D3DERR_INVALIDVERTEXFORMAT);
    EXPECT_EQ(Draw(*device, PrimitiveType::PointList, quad), D3DERR_INVALIDPRIMITIVETYPE);
    EXPECT_EQ(Draw(*device, static_cast<PrimitiveType>(9), quad), D3DERR_INVALIDPRIMITIVETYPE);
    EXPECT_EQ(device->DrawPrimitive(PrimitiveType::TriangleStrip, kFvfTLVertex, nullptr, 4, 0),
              DDERR_INVALIDPARAMS);
    EXPECT_EQ(device->DrawPrimitive(PrimitiveType::TriangleStrip, kFvfTLVertex, quad.data(),
                                    kMaxPrimitiveVertices + 1, 0),
              DDERR_INVALIDPARAMS);
    EXPECT_EQ(device->EndScene(), D3D_OK);
    EXPECT_EQ(target.At(1, 1), 0u);

    EXPECT_EQ(device->SetRenderState(RenderState::SrcBlend, 3), D3DERR_UNSUPPORTEDFACTORVALUE);
    EXPECT_EQ(device->SetRenderState(RenderState::CullMode, 0), DDERR_INVALIDPARAMS);
    EXPECT_EQ(device->SetRenderState(static_cast<RenderState>(999), 0), DDERR_INVALIDPARAMS);
    EXPECT_EQ(device->SetTextureStageState(1, TextureStageState::ColorOp, 4), DDERR_INVALIDPARAMS);
    EXPECT_EQ(device->SetTextureStageState(0, TextureStageState::ColorOp, 7),
              D3DERR_UNSUPPORTEDCOLOROPERATION);
    EXPECT_EQ(device->SetTextureStageState(0, TextureStageState::AlphaOp, 0),
              D3DERR_UNSUPPORTEDALPHAOPERATION);
    EXPECT_EQ(device->SetTextureStageState(0, TextureStageState::MagFilter, 3),
              D3DERR_UNSUPPORTEDTEXTUREFILTER);
    EXPECT_EQ(device->SetTextureStageState(0, TextureStageState::AddressU, 2), DDERR_INVALIDPARAMS);
    EXPECT_EQ(device->SetTextureStageState(0, TextureStageState::MipFilter, U(MipFilter::Point)),
              D3D_OK);
    EXPECT_EQ(device->SetTexture(1, nullptr), DDERR_INVALIDPARAMS);
}

TEST(SoftDevice3DTest, RenderTargetsMustBeMadeFor3D) {
    std::unique_ptr<Device3D> device;
    Target plain(8, 8, PixelFormat::Rgb565(), false);
    EXPECT_EQ(CreateDevice3D(plain.surface, device), DDERR_INVALIDCAPS);
    EXPECT_EQ(CreateDevice3D(nullptr, device), DDERR_INVALIDPARAMS);
    EXPECT_FALSE(device);

    Target first(8, 8, PixelFormat::Rgb565());
    Target second(16, 4, PixelFormat::Xrgb8888());
    ASSERT_EQ(CreateDevice3D(first.surface, device), D3D_OK);
    EXPECT_EQ(device->SetRenderTarget(plain.surface), DDERR_INVALIDCAPS);
    ASSERT_EQ(device->SetViewport({1, 1, 2, 2, 0, 1}), D3D_OK);
    ASSERT_EQ(device->SetRenderTarget(second.surface), D3D_OK);
    Viewport3D viewport;
    ASSERT_EQ(device->GetViewport(viewport), D3D_OK);
    EXPECT_EQ(viewport, (Viewport3D{0, 0, 16, 4, 0, 1}));
    ASSERT_EQ(device->SetRenderState(RenderState::CullMode, U(Cull::None)), D3D_OK);
    DrawScene(*device, PrimitiveType::TriangleStrip, Quad(12, 2, 4, 2, 0xFF123456));
    EXPECT_EQ(second.At(15, 3), 0x123456u);
    EXPECT_EQ(first.At(7, 3), 0u);
}

// Any surface will do as a target; one that is lost or cannot be locked makes the draws
// fail with its own result.
class FakeSurface : public Surface {
public:
    FakeSurface(int32_t width, int32_t height, PixelFormat format)
        : mWidth(width),
          mHeight(height),
          mFormat(format),
          mWords(static_cast<size_t>(width * height), 0) {}

    int32_t Width() const override { return mWidth; }
    int32_t Height() const override { return mHeight; }
    PixelFormat Format() const override { return mFormat; }
    SurfaceKind Kind() const override { return SurfaceKind::Offscreen; }
    MemoryPlace Memory() const override { return MemoryPlace::Video; }
    bool For3D() const override { return true; }
    DisplayResult Lock(LockedSurface& out) override {
        if (lockResult != DD_OK) {
            return lockResult;
        }
        out = {mWords.data(), mWidth * 4, mWidth, mHeight, mFormat};
        return DD_OK;
    }
    DisplayResult Unlock() override { return DD_OK; }
    DisplayResult SetColorKey(uint32_t) override { return DD_OK; }
    DisplayResult RemoveColorKey() override { return DD_OK; }
    DisplayResult GetColorKey(uint32_t&) const override { return DDERR_NOCOLORKEY; }
    DisplayResult Blt(const SurfaceRect*, Surface&, const SurfaceRect*, BltKey) override {
        return DDERR_UNSUPPORTED;
    }
    DisplayResult Fill(const SurfaceRect*, uint32_t) override { return DDERR_UNSUPPORTED; }
    DisplayResult GetBackBuffer(std::shared_ptr<Surface>&) override { return DDERR_NOTFOUND; }
    DisplayResult Flip() override { return DDERR_NOTFLIPPABLE; }
    DisplayResult IsLost() const override { return lost ? DDERR_SURFACELOST : DD_OK; }
    DisplayResult Restore() override {
        lost = false;
        return DD_OK;
    }

    uint32_t At(int32_t x, int32_t y) const { return mWords[static_cast<size_t>(y * mWidth + x)]; }

    DisplayResult lockResult = DD_OK;
    bool lost = false;

private:
    int32_t mWidth;
    int32_t mHeight;
    PixelFormat mFormat;
    std::vector<uint32_t> mWords;
};

TEST(SoftDevice3DTest, TargetFailuresReachTheCaller) {
    auto surface = std::make_shared<FakeSurface>(8, 8, PixelFormat::Xrgb8888());
    std::unique_ptr<Device3D> device;
    ASSERT_EQ(CreateDevice3D(surface, device), D3D_OK);
    ProgramStates(*device);
    const std::vector<TLVertex> quad = Quad(0, 0, 8, 8, 0xFF00FF00);
    DrawScene(*device, PrimitiveType::TriangleStrip, quad);
    EXPECT_EQ(surface->At(7, 7), 0x00FF00u);

    ASSERT_EQ(device->BeginScene(), D3D_OK);
    surface->lockResult = DDERR_SURFACEBUSY;
    EXPECT_EQ(Draw(*device, PrimitiveType::TriangleStrip, quad), DDERR_SURFACEBUSY);
    surface->lockResult = DD_OK;
    ASSERT_EQ(device->EndScene(), D3D_OK);

    surface->lost = true;
    EXPECT_EQ(device->BeginScene(), DDERR_SURFACELOST);
    EXPECT_EQ(device->SetRenderTarget(surface), DDERR_SURFACELOST);
    EXPECT_EQ(device->Clear(nullptr, 0, kClearTarget, 0, 1.0F, 0), DDERR_UNSUPPORTED);
}

}  // namespace
}  // namespace platform
