#include "graphics/D3DInterface.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "D3DTestSupport.h"
#include "graphics/D3DErrorText.h"
#include "graphics/Graphics.h"
#include "graphics/MemoryImage.h"
#include "graphics/TextureData.h"

namespace Vesk {
namespace {

using platform::PixelFormat;
using test::DeviceScript;
using test::MakeImage;
using test::ScriptedFactory;
using test::TestDisplay;

// Keeps the process-wide device limits of one test from the next.
class TextureLimits : public ::testing::Test {
protected:
    void SetUp() override {
        mSaved = {D3DInterface::sMinTextureWidth, D3DInterface::sMinTextureHeight,
                  D3DInterface::sMaxTextureWidth, D3DInterface::sMaxTextureHeight,
                  D3DInterface::sMaxTextureAspectRatio};
    }
    void TearDown() override {
        D3DInterface::sMinTextureWidth = mSaved[0];
        D3DInterface::sMinTextureHeight = mSaved[1];
        D3DInterface::sMaxTextureWidth = mSaved[2];
        D3DInterface::sMaxTextureHeight = mSaved[3];
        D3DInterface::sMaxTextureAspectRatio = mSaved[4];
    }
    static void Limits(int32_t min, int32_t max, int32_t aspect) {
        D3DInterface::sMinTextureWidth = min;
        D3DInterface::sMinTextureHeight = min;
        D3DInterface::sMaxTextureWidth = max;
        D3DInterface::sMaxTextureHeight = max;
        D3DInterface::sMaxTextureAspectRatio = aspect;
    }
    static std::unique_ptr<TextureData> Grid(int32_t width, int32_t height, uint32_t flags = 0) {
        MemoryImage image(nullptr);
        image.Create(width, height);
        image.mTextureFlags = flags;
        auto data = std::make_unique<TextureData>();
        data->CreateTextureDimensions(image);
        return data;
    }

private:
    std::vector<int32_t> mSaved;
};

uint32_t Opaque(int32_t x, int32_t y) {
    return 0xFF000000u | static_cast<uint32_t>((x * 37 + y * 11) & 0xFF) << 16 |
           static_cast<uint32_t>((x * 5 + y * 29) & 0xFF) << 8 |
           static_cast<uint32_t>((x ^ y) * 7 & 0xFF);
}

uint32_t Translucent(int32_t x, int32_t y) {
    return (Opaque(x, y) & 0xFFFFFF) | (static_cast<uint32_t>(64 + (x + y) % 128) << 24);
}

// ---- Pieces -------------------------------------------------------------------------------

TEST(TextureDataTest, SubdivisionCapsTheWastedArea) {
    const std::pair<int32_t, int32_t> expected[] = {{0, 1},     {64, 64},   {65, 128},   {100, 128},
                                                    {129, 128}, {300, 256}, {400, 128},  {600, 64},
                                                    {640, 512}, {800, 256}, {1000, 1024}};
    for (const auto& [size, piece] : expected) {
        EXPECT_EQ(TextureData::SubdivisionSize(size), piece) << size;
    }
}

TEST_F(TextureLimits, AnImageIsCutIntoPiecesTheDeviceTakes) {
    Limits(1, 1024, 8);
    const auto grid = Grid(800, 600);
    const TextureData& data = *grid;
    EXPECT_EQ(data.mTexPieceWidth, 256);
    EXPECT_EQ(data.mTexPieceHeight, 64);
    ASSERT_EQ(data.mTexVecWidth, 4);
    ASSERT_EQ(data.mTexVecHeight, 10);
    auto piece = [&](int32_t column, int32_t row) {
        const TexturePiece& p = data.mTextures[static_cast<size_t>(row * 4 + column)];
        return std::make_pair(p.mWidth, p.mHeight);
    };
    EXPECT_EQ(piece(0, 0), std::make_pair(256, 64));
    EXPECT_EQ(piece(3, 0), std::make_pair(32, 64));
    EXPECT_EQ(piece(1, 9), std::make_pair(256, 32));
    EXPECT_EQ(piece(3, 9), std::make_pair(32, 32));
    EXPECT_FLOAT_EQ(data.mMaxTotalU, 800.0f / 256.0f);
    EXPECT_FLOAT_EQ(data.mMaxTotalV, 600.0f / 64.0f);

    Limits(1, 1024, 65536);
    const auto wideGrid = Grid(640, 480);
    const TextureData& wide = *wideGrid;
    EXPECT_EQ(wide.mTexPieceWidth, 512);
    EXPECT_EQ(wide.mTexPieceHeight, 512);
    ASSERT_EQ(wide.mTextures.size(), 2u);
    EXPECT_EQ(wide.mTextures[1].mWidth, 128);
    EXPECT_EQ(wide.mTextures[1].mHeight, 512);
}

TEST_F(TextureLimits, RequestBitsChangeTheCut) {
    Limits(1, 1024, 65536);
    const auto wholeGrid = Grid(300, 200, kTextureMinSubdivide);
    const TextureData& whole = *wholeGrid;
    ASSERT_EQ(whole.mTextures.size(), 1u);
    EXPECT_EQ(whole.mTextures[0].mWidth, 512);
    EXPECT_EQ(whole.mTextures[0].mHeight, 256);

    const auto smallGrid = Grid(500, 300, kTexturePieces64);
    const TextureData& small = *smallGrid;
    EXPECT_EQ(small.mTexVecWidth, 8);
    EXPECT_EQ(small.mTexVecHeight, 5);
    for (const TexturePiece& p : small.mTextures) {
        EXPECT_EQ(p.mWidth, 64);
        EXPECT_EQ(p.mHeight, 64);
    }
}

TEST_F(TextureLimits, ADeviceThatReportsNoMaximumGetsSixtyFourEverywhere) {
    for (const auto& [maxWidth, maxHeight] : {std::pair{0, 0}, std::pair{1024, 0}}) {
        platform::SoftDevice3DOptions options;
        options.caps.maxTextureWidth = maxWidth;
        options.caps.maxTextureHeight = maxHeight;
        options.caps.maxTextureAspectRatio = 4;
        auto script = std::make_shared<DeviceScript>();
        TestDisplay display(PixelFormat::Xrgb8888(), true, ScriptedFactory(script, options));
        ASSERT_TRUE(display.Ready()) << display.DD().mErrorString;
        EXPECT_EQ(D3DInterface::sMinTextureWidth, 64);
        EXPECT_EQ(D3DInterface::sMaxTextureWidth, 64);
        EXPECT_EQ(D3DInterface::sMaxTextureHeight, 64);
        EXPECT_EQ(D3DInterface::sMaxTextureAspectRatio, 1);
        const auto dataGrid = Grid(100, 300);
        const TextureData& data = *dataGrid;
        EXPECT_EQ(data.mTexVecWidth, 2);
        EXPECT_EQ(data.mTexVecHeight, 5);
        for (const TexturePiece& p : data.mTextures) {
            EXPECT_EQ(p.mWidth, 64);
            EXPECT_EQ(p.mHeight, 64);
        }
    }
}

TEST(TextureDataTest, FormatCodesNameTheirLayouts) {
    for (const int32_t code : {kTextureFormatA8R8G8B8, kTextureFormatA4R4G4B4, kTextureFormatR5G6B5,
                               kTextureFormatPalette8}) {
        EXPECT_EQ(TextureData::GetTextureFormat(TextureData::MakePixelFormat(code)), code);
    }
    EXPECT_EQ(TextureData::FormatName(kTextureFormatA8R8G8B8), "A8R8G8B8");
    EXPECT_EQ(TextureData::FormatName(kTextureFormatA4R4G4B4), "A4R4G4B4");
    EXPECT_EQ(TextureData::FormatName(kTextureFormatR5G6B5), "R5G6B5");
    EXPECT_EQ(TextureData::FormatName(kTextureFormatPalette8), "Palette8");
    EXPECT_EQ(TextureData::BytesPerTexel(kTextureFormatA8R8G8B8), 4);
    EXPECT_EQ(TextureData::BytesPerTexel(kTextureFormatR5G6B5), 2);
    EXPECT_EQ(TextureData::BytesPerTexel(kTextureFormatPalette8), 1);
    // Only flags and bit count decide for palette indices; other layouts must match whole.
    platform::TexturePixelFormat palette = platform::TexturePixelFormat::Palette8();
    palette.redMask = 0x1234;
    EXPECT_EQ(TextureData::GetTextureFormat(palette), kTextureFormatPalette8);
    platform::TexturePixelFormat x8 = platform::TexturePixelFormat::A8R8G8B8();
    x8.alphaMask = 0;
    EXPECT_EQ(TextureData::GetTextureFormat(x8), kTextureFormatNone);
}

// ---- Uploads ------------------------------------------------------------------------------

struct Upload {
    int32_t format = 0;
    int64_t memory = 0;
};

Upload UploadOf(TestDisplay& display, MemoryImage& image) {
    EXPECT_TRUE(display.D3D().CreateImageTexture(&image));
    return image.mTextureData != nullptr
               ? Upload{image.mTextureData->mPixelFormat, image.mTextureData->mTexMemSize}
               : Upload{};
}

TEST(D3DInterfaceTest, TheFormatFollowsTheImageAndItsRequests) {
    auto script = std::make_shared<DeviceScript>();
    TestDisplay display(PixelFormat::Xrgb8888(), true, ScriptedFactory(script));
    ASSERT_TRUE(display.Ready()) << display.DD().mErrorString;
    auto opaque = MakeImage(display.Images(), 40, 30, Opaque);
    const Upload plain = UploadOf(display, *opaque);
    EXPECT_EQ(plain.format, kTextureFormatR5G6B5);
    EXPECT_EQ(plain.memory, 64 * 32 * 2);

    auto kept32 = MakeImage(display.Images(), 40, 30, Opaque);
    kept32->mTextureFlags = kTextureNoR5G6B5;
    EXPECT_EQ(UploadOf(display, *kept32).format, kTextureFormatA8R8G8B8);

    auto alpha = MakeImage(display.Images(), 40, 30, Translucent);
    EXPECT_EQ(UploadOf(display, *alpha).format, kTextureFormatA8R8G8B8);
    auto small = MakeImage(display.Images(), 40, 30, Translucent);
    small->mTextureFlags = kTexturePreferA4R4G4B4;
    EXPECT_EQ(UploadOf(display, *small).format, kTextureFormatA4R4G4B4);

    auto indexed = MakeImage(display.Images(), 40, 30, [](int32_t x, int32_t) {
        return x % 2 == 0 ? 0x80FF0000u : 0xFF00FF00u;
    });
    ASSERT_TRUE(indexed->Palletize());
    const Upload palette = UploadOf(display, *indexed);
    EXPECT_EQ(palette.format, kTextureFormatPalette8);
    EXPECT_EQ(palette.memory, 64 * 32 + 1024);
    // Uploading again counts the palette once.
    indexed->BitsChanged();
    EXPECT_EQ(UploadOf(display, *indexed).memory, 64 * 32 + 1024);
}

TEST(D3DInterfaceTest, WithoutThirtyTwoBitTexturesAlphaImagesTakeSixteen) {
    platform::SoftDevice3DOptions options;
    options.textureFormats = {platform::TexturePixelFormat::A4R4G4B4(),
                              platform::TexturePixelFormat::R5G6B5()};
    TestDisplay display(PixelFormat::Xrgb8888(), true,
                        ScriptedFactory(std::make_shared<DeviceScript>(), options));
    ASSERT_TRUE(display.Ready());
    EXPECT_EQ(D3DInterface::sSupportedTextureFormats,
              kTextureFormatA4R4G4B4 | kTextureFormatR5G6B5);
    auto opaque = MakeImage(display.Images(), 8, 8, Opaque);
    opaque->mTextureFlags = kTextureNoR5G6B5;
    EXPECT_EQ(UploadOf(display, *opaque).format, kTextureFormatA4R4G4B4);

    // Reading back keeps the top four bits of every channel, alpha included.
    auto alpha = MakeImage(display.Images(), 2, 1,
                           [](int32_t x, int32_t) { return x == 0 ? 0xFF336699u : 0x80123456u; });
    alpha->mPurgeWanted = true;
    EXPECT_EQ(UploadOf(display, *alpha).format, kTextureFormatA4R4G4B4);
    EXPECT_EQ(alpha->mBits, nullptr);
    const uint32_t* bits = alpha->GetBits();
    ASSERT_NE(bits, nullptr);
    EXPECT_EQ(bits[0], 0xF0306090u);
    EXPECT_EQ(bits[1], 0x80103050u);
}

TEST(D3DInterfaceTest, PurgedImagesComeBackFromEveryFormat) {
    TestDisplay display(PixelFormat::Xrgb8888(), true);
    ASSERT_TRUE(display.Ready());
    auto opaque = MakeImage(display.Images(), 3, 1, [](int32_t, int32_t) { return 0xFF336699u; });
    auto alpha = MakeImage(display.Images(), 70, 90, Translucent);
    auto indexed = MakeImage(display.Images(), 5, 3, [](int32_t x, int32_t y) {
        return (x + y) % 3 == 0 ? 0x40102030u : 0xFFFFFFFFu;
    });
    ASSERT_TRUE(indexed->Palletize());
    for (MemoryImage* image : {opaque.get(), alpha.get(), indexed.get()}) {
        image->mPurgeWanted = true;
        ASSERT_TRUE(display.D3D().CreateImageTexture(image));
        EXPECT_EQ(image->mBits, nullptr);
        EXPECT_EQ(image->mPaletteIndices, nullptr);
    }
    EXPECT_EQ(opaque->GetBits()[0], 0xFF306498u);
    const uint32_t* bits = alpha->GetBits();
    for (int32_t y = 0; y < 90; ++y) {
        for (int32_t x = 0; x < 70; ++x) {
            ASSERT_EQ(bits[y * 70 + x], Translucent(x, y)) << x << "," << y;
        }
    }
    EXPECT_EQ(indexed->GetBits()[0], 0x40102030u);
    EXPECT_EQ(indexed->GetBits()[1], 0xFFFFFFFFu);
}

// The texels of a piece as ARGB words (A8R8G8B8 only).
std::vector<uint32_t> Texels(platform::Texture3D& texture) {
    platform::LockedTexture locked;
    std::vector<uint32_t> out;
    EXPECT_EQ(texture.Lock(platform::kLockReadOnly, locked), platform::D3D_OK);
    for (int32_t y = 0; y < locked.height; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(
            static_cast<const uint8_t*>(locked.bits) + static_cast<ptrdiff_t>(y) * locked.pitch);
        out.insert(out.end(), row, row + locked.width);
    }
    texture.Unlock();
    return out;
}

TEST(D3DInterfaceTest, PiecesLargerThanTheImageRepeatItsEdgeOnce) {
    TestDisplay display(PixelFormat::Xrgb8888(), true);
    ASSERT_TRUE(display.Ready());
    auto image = MakeImage(display.Images(), 100, 90, Translucent);
    ASSERT_TRUE(display.D3D().CreateImageTexture(image.get()));
    TextureData& data = *image->mTextureData;
    ASSERT_EQ(data.mTextures.size(), 1u);
    ASSERT_EQ(data.mTextures[0].mWidth, 128);
    const std::vector<uint32_t> texels = Texels(*data.mTextures[0].mTexture);
    auto at = [&](int32_t x, int32_t y) { return texels[static_cast<size_t>(y * 128 + x)]; };
    for (int32_t y = 0; y < 90; ++y) {
        EXPECT_EQ(at(99, y), Translucent(99, y));
        EXPECT_EQ(at(100, y), Translucent(99, y));
        EXPECT_EQ(at(101, y), 0u);
    }
    for (int32_t x = 0; x < 100; ++x) {
        EXPECT_EQ(at(x, 90), Translucent(x, 89));
        EXPECT_EQ(at(x, 91), 0u);
    }
    EXPECT_EQ(at(100, 90), Translucent(99, 89));
}

TEST_F(TextureLimits, RemainderPiecesOfExactlyTheRemainderAreNotOverrun) {
    TestDisplay display(PixelFormat::Xrgb8888(), true);
    ASSERT_TRUE(display.Ready());
    // 800 wide: the right column's textures are exactly the 32 columns left over.
    auto image = MakeImage(display.Images(), 800, 70, Translucent);
    ASSERT_TRUE(display.D3D().CreateImageTexture(image.get()));
    TextureData& data = *image->mTextureData;
    ASSERT_EQ(data.mTexVecWidth, 4);
    TexturePiece& right = data.mTextures[3];
    ASSERT_EQ(right.mWidth, 32);
    const std::vector<uint32_t> texels = Texels(*right.mTexture);
    for (int32_t y = 0; y < 70; ++y) {
        for (int32_t x = 0; x < 32; ++x) {
            ASSERT_EQ(texels[static_cast<size_t>(y * 32 + x)], Translucent(768 + x, y));
        }
    }
}

TEST(D3DInterfaceTest, AnUnchangedImageIsUploadedOnce) {
    auto script = std::make_shared<DeviceScript>();
    TestDisplay display(PixelFormat::Xrgb8888(), true, ScriptedFactory(script));
    ASSERT_TRUE(display.Ready());
    auto image = MakeImage(display.Images(), 20, 20, Translucent);
    ASSERT_TRUE(display.D3D().CreateImageTexture(image.get()));
    EXPECT_EQ(script->Count("CreateTexture"), 1u);
    platform::Texture3D& texture = *image->mTextureData->mTextures[0].mTexture;
    auto poke = [&](uint32_t value) {
        platform::LockedTexture locked;
        ASSERT_EQ(texture.Lock(0, locked), platform::D3D_OK);
        static_cast<uint32_t*>(locked.bits)[0] = value;
        texture.Unlock();
    };
    poke(0x12345678);
    ASSERT_TRUE(display.D3D().CreateImageTexture(image.get()));
    EXPECT_EQ(Texels(texture)[0], 0x12345678u);

    // Changed pixels go into the same pieces.
    image->GetBits()[0] = 0xFFABCDEF;
    image->BitsChanged();
    ASSERT_TRUE(display.D3D().CreateImageTexture(image.get()));
    EXPECT_EQ(script->Count("CreateTexture"), 1u);
    EXPECT_EQ(Texels(texture)[0], 0xFFABCDEFu);
}

TEST(D3DInterfaceTest, AFailedUploadKeepsThePixelsAndIsTriedAgain) {
    auto script = std::make_shared<DeviceScript>();
    TestDisplay display(PixelFormat::Xrgb8888(), true, ScriptedFactory(script));
    ASSERT_TRUE(display.Ready());
    auto image = MakeImage(display.Images(), 20, 20, Translucent);
    image->mPurgeWanted = true;
    script->failAlways["CreateTexture"] = platform::DDERR_OUTOFVIDEOMEMORY;
    EXPECT_FALSE(display.D3D().CreateImageTexture(image.get()));
    ASSERT_NE(image->mTextureData, nullptr);
    EXPECT_EQ(image->mTextureData->mPixelFormat, kTextureFormatNone);
    ASSERT_NE(image->mBits, nullptr);
    EXPECT_FALSE(display.D3D().IsTextureDataCurrent(*image));
    uint32_t scratch[400];
    EXPECT_FALSE(display.D3D().RecoverBits(image.get(), scratch));

    script->failAlways.clear();
    EXPECT_TRUE(display.D3D().CreateImageTexture(image.get()));
    EXPECT_EQ(image->GetBits()[21], Translucent(1, 1));
}

TEST(D3DInterfaceTest, AFailingPaletteTurnsPaletteTexturesOffForTheRun) {
    auto script = std::make_shared<DeviceScript>();
    TestDisplay display(PixelFormat::Xrgb8888(), true, ScriptedFactory(script));
    ASSERT_TRUE(display.Ready());
    auto indexed = MakeImage(display.Images(), 4, 4,
                             [](int32_t x, int32_t) { return x < 2 ? 0xFF102030u : 0x00000000u; });
    ASSERT_TRUE(indexed->Palletize());
    script->failNext["CreatePalette"] = platform::DDERR_OUTOFMEMORY;
    EXPECT_EQ(UploadOf(display, *indexed).format, kTextureFormatA8R8G8B8);
    EXPECT_EQ(D3DInterface::sSupportedTextureFormats & kTextureFormatPalette8, 0);
    indexed->BitsChanged();
    EXPECT_EQ(UploadOf(display, *indexed).format, kTextureFormatA8R8G8B8);
    EXPECT_EQ(script->Count("CreatePalette"), 1u);
}

// ---- Errors, frames and the display -------------------------------------------------------

TEST(D3DInterfaceTest, FailuresAreRecordedWithTheirLabel) {
    TestDisplay display(PixelFormat::Xrgb8888(), true);
    ASSERT_TRUE(display.Ready());
    EXPECT_TRUE(gD3DErrorText.empty());
    EXPECT_FALSE(display.D3D().CheckDXError(platform::D3D_OK, "Lock Texture"));
    EXPECT_TRUE(display.Host().registryWrites.empty());
    EXPECT_TRUE(display.D3D().CheckDXError(platform::DDERR_SURFACELOST, "Lock Texture"));
    EXPECT_EQ(gD3DErrorText, "Lock Texture: DDERR_SURFACELOST");
    ASSERT_EQ(display.Host().registryWrites.size(), 1u);
    EXPECT_EQ(display.Host().registryWrites[0].first, "Test3D\\RuntimeError");
    EXPECT_EQ(display.Host().registryWrites[0].second, "Lock Texture: DDERR_SURFACELOST");
    // A frame that ended clears the text.
    display.D3D().FillRect(Rect(0, 0, 1, 1), Color::White, kDrawModeNormal);
    display.D3D().CheckDXError(platform::DDERR_GENERIC, "x");
    display.D3D().Flush();
    EXPECT_TRUE(gD3DErrorText.empty());
}

TEST(D3DInterfaceTest, DeviceStartFailuresNameTheirStep) {
    auto script = std::make_shared<DeviceScript>();
    script->failNext["GetCaps"] = platform::DDERR_SURFACELOST;
    TestDisplay display(PixelFormat::Xrgb8888(), true, ScriptedFactory(script));
    EXPECT_EQ(display.Result(), DDInterface::RESULT_3D_FAIL);
    EXPECT_EQ(display.DD().mErrorString, "3D init error: : DDERR_SURFACELOST");
    EXPECT_EQ(display.Host().registryWrites.back().second, ": DDERR_SURFACELOST");
    EXPECT_EQ(display.D3D().GetDevice(), nullptr);
}

TEST(D3DInterfaceTest, AFrameOpensItsSceneOnceWithTheFixedStates) {
    auto script = std::make_shared<DeviceScript>();
    TestDisplay display(PixelFormat::Xrgb8888(), true, ScriptedFactory(script));
    ASSERT_TRUE(display.Ready());
    script->calls.clear();
    Graphics g(display.Screen());
    g.SetColor(Color(255, 0, 0));
    g.FillRect(1, 1, 4, 4);
    g.FillRect(2, 2, 4, 4);
    EXPECT_EQ(script->Count("BeginScene"), 1u);
    EXPECT_EQ(script->Count("SetRenderTarget"), 1u);
    bool cullNone = false;
    bool clampU = false;
    for (const auto* call : script->Of("SetRenderState")) {
        cullNone =
            cullNone || (call->state == static_cast<uint32_t>(platform::RenderState::CullMode) &&
                         call->value == static_cast<uint32_t>(platform::Cull::None));
    }
    for (const auto* call : script->Of("SetTextureStageState")) {
        clampU = clampU ||
                 (call->state == static_cast<uint32_t>(platform::TextureStageState::AddressU) &&
                  call->value == static_cast<uint32_t>(platform::TextureAddress::Clamp));
    }
    EXPECT_TRUE(cullNone);
    EXPECT_TRUE(clampU);
    EXPECT_EQ(script->Count("DrawPrimitive"), 2u);
    EXPECT_TRUE(display.DD().Redraw(nullptr));
    EXPECT_EQ(script->Count("EndScene"), 1u);
    EXPECT_EQ(display.Device().LastFrame().At(2, 2), 0xFFFF0000u);
}

TEST(D3DInterfaceTest, AMinimisedWindowOrALostTargetDrawsNothing) {
    auto script = std::make_shared<DeviceScript>();
    TestDisplay display(PixelFormat::Xrgb8888(), true, ScriptedFactory(script));
    ASSERT_TRUE(display.Ready());
    script->calls.clear();
    display.Host().minimized = true;
    display.D3D().FillRect(Rect(0, 0, 4, 4), Color::White, kDrawModeNormal);
    EXPECT_EQ(script->Count("DrawPrimitive"), 0u);
    display.Host().minimized = false;

    script->failNext["SetRenderTarget"] = platform::DDERR_SURFACELOST;
    display.D3D().FillRect(Rect(0, 0, 4, 4), Color::White, kDrawModeNormal);
    EXPECT_TRUE(D3DInterface::sRenderTargetLost);
    EXPECT_EQ(script->Count("DrawPrimitive"), 0u);
    display.D3D().FillRect(Rect(0, 0, 4, 4), Color::White, kDrawModeNormal);
    EXPECT_FALSE(D3DInterface::sRenderTargetLost);
    EXPECT_EQ(script->Count("DrawPrimitive"), 1u);
}

TEST(D3DInterfaceTest, AFailureDuringTheFrameTurnsThreeDOffAtPresent) {
    auto script = std::make_shared<DeviceScript>();
    TestDisplay display(PixelFormat::Xrgb8888(), true, ScriptedFactory(script));
    ASSERT_TRUE(display.Ready());
    script->failNext["DrawPrimitive"] = platform::DDERR_SURFACELOST;
    Graphics g(display.Screen());
    g.FillRect(0, 0, 3, 3);
    g.FillRect(5, 5, 3, 3);  // drawing goes on after the failure
    EXPECT_EQ(script->Count("DrawPrimitive"), 2u);
    EXPECT_EQ(gD3DErrorText, "DrawPrimitive (Rect): DDERR_SURFACELOST");
    EXPECT_FALSE(display.DD().Redraw(nullptr));
    EXPECT_FALSE(display.DD().mIs3D);
    EXPECT_FALSE(display.DD().mPresenting.load());
}

TEST(D3DInterfaceTest, TexturesGoWithTheirImage) {
    TestDisplay display(PixelFormat::Xrgb8888(), true);
    ASSERT_TRUE(display.Ready());
    auto hosted = MakeImage(display.Images(), 8, 8, Opaque);
    auto alone = MakeImage(nullptr, 8, 8, Opaque);
    ASSERT_TRUE(display.D3D().CreateImageTexture(hosted.get()));
    ASSERT_TRUE(display.D3D().CreateImageTexture(alone.get()));
    EXPECT_EQ(display.D3D().TexturedImages().size(), 2u);
    hosted->Delete3DBuffers();
    EXPECT_EQ(hosted->mTextureData, nullptr);
    alone.reset();
    EXPECT_TRUE(display.D3D().TexturedImages().empty());
    // A copy has no texture data of its own.
    ASSERT_TRUE(display.D3D().CreateImageTexture(hosted.get()));
    MemoryImage copy(*hosted);
    EXPECT_EQ(copy.mTextureData, nullptr);
}

// What a 2-D display shows for the image drawn at (3, 4).
std::vector<uint32_t> DrawnOn(TestDisplay& display, MemoryImage& image) {
    display.Paint([](int32_t, int32_t) { return 0xFF000000u; });
    Graphics g(display.Screen());
    g.DrawImage(&image, 3, 4);
    display.DD().Redraw(nullptr);
    return display.Pixels();
}

TEST(D3DInterfaceTest, SwitchingThreeDOnAndOffKeepsTheImages) {
    TestDisplay display(PixelFormat::Xrgb8888(), false);
    ASSERT_TRUE(display.Ready());
    auto purged = MakeImage(display.Images(), 30, 20, Opaque);
    auto alpha = MakeImage(display.Images(), 30, 20, Translucent);
    // Opaque images go to 16-bit textures unless asked otherwise, and come back so.
    purged->mTextureFlags = kTextureNoR5G6B5;
    purged->mPurgeWanted = true;
    const std::vector<uint32_t> before2D = DrawnOn(display, *purged);
    const std::vector<uint32_t> alphaBefore = DrawnOn(display, *alpha);

    // As the application switches: extra buffers go, the display is made again, the images
    // are initialised again.
    auto switchTo = [&](bool is3D) {
        for (MemoryImage* image : {purged.get(), alpha.get()}) {
            image->DeleteExtraBuffers();
        }
        display.DD().mIs3D = is3D;
        ASSERT_EQ(display.Reinit(), DDInterface::RESULT_OK) << display.DD().mErrorString;
        for (MemoryImage* image : {purged.get(), alpha.get()}) {
            image->ReInit();
        }
    };
    switchTo(true);
    const std::vector<uint32_t> in3D = DrawnOn(display, *purged);
    EXPECT_EQ(test::Compare(in3D, before2D, 64, 2).beyond, 0);
    EXPECT_EQ(purged->mBits, nullptr);  // the textures hold the only copy now
    DrawnOn(display, *alpha);
    switchTo(false);
    EXPECT_EQ(purged->mTextureData, nullptr);
    EXPECT_EQ(test::Compare(DrawnOn(display, *purged), before2D, 64, 0).beyond, 0);
    EXPECT_EQ(test::Compare(DrawnOn(display, *alpha), alphaBefore, 64, 0).beyond, 0);
    switchTo(true);
    switchTo(false);
    EXPECT_EQ(test::Compare(DrawnOn(display, *purged), before2D, 64, 0).beyond, 0);
}

TEST(D3DInterfaceTest, TakingTheDeviceDownKeepsPixelsOnlyTheTexturesHeld) {
    TestDisplay display(PixelFormat::Xrgb8888(), true);
    ASSERT_TRUE(display.Ready());
    auto image = MakeImage(display.Images(), 10, 10, Translucent);
    image->mPurgeWanted = true;
    ASSERT_TRUE(display.D3D().CreateImageTexture(image.get()));
    ASSERT_EQ(image->mBits, nullptr);
    display.DD().Cleanup();
    EXPECT_EQ(image->mTextureData, nullptr);
    ASSERT_NE(image->mBits, nullptr);
    EXPECT_EQ(image->GetBits()[55], Translucent(5, 5));
}

TEST(D3DInterfaceTest, TestSurfacesReadBackAsArgb) {
    uint16_t pixels16[2] = {0xFFFF, 0x7FFF};
    platform::LockedSurface desc;
    desc.bits = pixels16;
    desc.pitch = 4;
    desc.width = 1;
    desc.height = 1;
    desc.format = PixelFormat::Rgb565();
    uint32_t out = 0;
    D3DInterface::ReadSurfaceToARGB16(&out, desc);
    EXPECT_EQ(out, 0xFFF8FCF8u);
    desc.bits = &pixels16[1];
    desc.format = PixelFormat::Rgb555();
    D3DInterface::ReadSurfaceToARGB16(&out, desc);
    EXPECT_EQ(out, 0xFFF8F8F8u);
    uint32_t pixels32[2] = {0x00123456, 0xAB654321};
    desc.bits = pixels32;
    desc.pitch = 8;
    desc.width = 2;
    desc.format = PixelFormat::Xrgb8888();
    uint32_t out32[2] = {};
    D3DInterface::ReadSurfaceToARGB32(out32, desc);
    EXPECT_EQ(out32[0], 0xFF123456u);
    EXPECT_EQ(out32[1], 0xFF654321u);
}

}  // namespace
}  // namespace Vesk
