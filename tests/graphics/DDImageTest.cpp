#include "graphics/DDImage.h"

#include <gtest/gtest.h>

#include <vector>

#include "DDImageTestSupport.h"
#include "graphics/ImageHost.h"
#include "graphics/MemoryImage.h"

using namespace Vesk;
using namespace Vesk::test;
using platform::PixelFormat;

namespace {

uint32_t ColorKeyOf(DDImage& image) {
    uint32_t key = 0;
    EXPECT_EQ(image.mSurface->GetColorKey(key), platform::DD_OK);
    return key;
}

}  // namespace

TEST(DDImageTest, RegistersWithItsDisplay) {
    SurfaceDisplay display(PixelFormat::Rgb565());
    ASSERT_TRUE(display.Ready());
    auto image = std::make_unique<DDImage>(&display.DD());
    EXPECT_EQ(display.DD().mDDImageSet.count(image.get()), 1u);
    DDImage* raw = image.get();
    image.reset();
    EXPECT_EQ(display.DD().mDDImageSet.count(raw), 0u);
}

TEST(DDImageTest, SixteenBitKeyAvoidsACollidingOpaquePixel) {
    SurfaceDisplay display(PixelFormat::Rgb565());
    ASSERT_TRUE(display.Ready());
    // Transparent black converts to 0x0000, which the opaque black also is.
    auto image = MakeSurfaceImage(display.DD(), {0x00000000, 0xFF000000}, 2, 1);
    ASSERT_NE(image->GetSurface(), nullptr);
    EXPECT_EQ(SurfaceValues(*image->mSurface), (std::vector<uint32_t>{0xFFE0, 0x0000}));
    EXPECT_EQ(ColorKeyOf(*image), 0xFFE0u);
}

TEST(DDImageTest, SixteenBitKeyTakesTheHighestGroupWithAFreeValue) {
    SurfaceDisplay display(PixelFormat::Rgb565());
    ASSERT_TRUE(display.Ready());
    // Opaque pixels taking 0x0000 (the first key) and the whole top group
    // 0xFFE0..0xFFFF: the key comes from the group below.
    std::vector<uint32_t> bits = {0x00000000, 0xFF000000};
    for (uint32_t v = 0xFFE0; v <= 0xFFFF; ++v) {
        bits.push_back(FromSurface(PixelFormat::Rgb565(), v));
    }
    auto image = MakeSurfaceImage(display.DD(), bits, static_cast<int32_t>(bits.size()), 1);
    ASSERT_NE(image->GetSurface(), nullptr);
    EXPECT_EQ(ColorKeyOf(*image), 0xFFC0u);
    EXPECT_EQ(SurfaceValues(*image->mSurface)[0], 0xFFC0u);
}

TEST(DDImageTest, KeyWithoutCollisionIsTheFirstTransparentColour) {
    SurfaceDisplay display(PixelFormat::Rgb565());
    ASSERT_TRUE(display.Ready());
    auto image = MakeSurfaceImage(display.DD(), {0x00FF00FF, 0xFFFFFFFF}, 2, 1);
    ASSERT_NE(image->GetSurface(), nullptr);
    EXPECT_EQ(SurfaceValues(*image->mSurface), (std::vector<uint32_t>{0xF81F, 0xFFFF}));
    EXPECT_EQ(ColorKeyOf(*image), 0xF81Fu);
}

TEST(DDImageTest, ThirtyTwoBitKeyIsTheLowestFreeColour) {
    SurfaceDisplay display(PixelFormat::Xrgb8888());
    ASSERT_TRUE(display.Ready());
    auto image = MakeSurfaceImage(display.DD(), {0x00000000, 0xFF000000}, 2, 1);
    ASSERT_NE(image->GetSurface(), nullptr);
    EXPECT_EQ(SurfaceValues(*image->mSurface), (std::vector<uint32_t>{0x000001, 0x000000}));
    EXPECT_EQ(ColorKeyOf(*image), 1u);

    // Without a collision the transparent pixel's colour stays the key.
    auto other = MakeSurfaceImage(display.DD(), {0x00FF00FF, 0xFFFFFFFF}, 2, 1);
    ASSERT_NE(other->GetSurface(), nullptr);
    EXPECT_EQ(ColorKeyOf(*other), 0xFF00FFu);
}

TEST(DDImageTest, ThirtyTwoBitKeyIgnoresAForcedAlphaByte) {
    SurfaceDisplay display(PixelFormat::Xrgb8888());
    ASSERT_TRUE(display.Ready());
    // Partial alpha forced to count as transparency: the key is the colour
    // alone, so the opaque pixel of that colour is seen to collide.
    auto image = std::make_unique<DDImage>(&display.DD());
    const std::vector<uint32_t> bits = {0x80123456, 0xFF123456};
    image->SetBits(bits.data(), 2, 1, false);
    image->SetImageMode(true, false);
    ASSERT_NE(image->GetSurface(), nullptr);
    EXPECT_EQ(ColorKeyOf(*image), 0u);
    EXPECT_EQ(SurfaceValues(*image->mSurface), (std::vector<uint32_t>{0, 0x123456}));
}

TEST(DDImageTest, ImagesWithPartialAlphaNeverGetASurface) {
    SurfaceDisplay display(PixelFormat::Rgb565());
    ASSERT_TRUE(display.Ready());
    auto image = MakeSurfaceImage(display.DD(), {0x80FFFFFF, 0xFF000000}, 2, 1);
    EXPECT_EQ(image->GetSurface(), nullptr);
    // Nothing to lock: refused, count unchanged.
    EXPECT_FALSE(image->LockSurface());
    EXPECT_EQ(image->mLockCount, 0);
    EXPECT_FALSE(image->mWantDDSurface);
}

TEST(DDImageTest, LockIsCounted) {
    SurfaceDisplay display(PixelFormat::Rgb565());
    ASSERT_TRUE(display.Ready());
    auto image = MakeSurfaceImage(display.DD(), {0xFF102030, 0xFF405060}, 2, 1);
    ASSERT_TRUE(image->LockSurface());
    ASSERT_TRUE(image->LockSurface());
    EXPECT_EQ(image->mLockCount, 2);
    platform::LockedSurface probe;
    EXPECT_EQ(image->mSurface->Lock(probe), platform::DDERR_SURFACEBUSY);
    EXPECT_TRUE(image->UnlockSurface());
    EXPECT_EQ(image->mSurface->Lock(probe), platform::DDERR_SURFACEBUSY);
    EXPECT_NE(image->mLockedSurfaceDesc.bits, nullptr);
    EXPECT_TRUE(image->UnlockSurface());
    ASSERT_EQ(image->mSurface->Lock(probe), platform::DD_OK);
    image->mSurface->Unlock();
    // An unlock too many is refused and leaves the count at 0.
    EXPECT_FALSE(image->UnlockSurface());
    EXPECT_EQ(image->mLockCount, 0);
    ASSERT_TRUE(image->LockSurface());
    EXPECT_EQ(image->mLockCount, 1);
    EXPECT_TRUE(image->UnlockSurface());
}

TEST(DDImageTest, FailedLockLeavesTheCount) {
    SurfaceDisplay display(PixelFormat::Rgb565());
    ASSERT_TRUE(display.Ready());
    auto image = MakeSurfaceImage(display.DD(), {0xFF102030}, 1, 1);
    ASSERT_NE(image->GetSurface(), nullptr);
    display.Device().InjectFailure(platform::DisplayOp::Lock, platform::DDERR_SURFACELOST);
    EXPECT_FALSE(image->LockSurface());
    EXPECT_EQ(image->mLockCount, 0);
    EXPECT_TRUE(image->LockSurface());
    EXPECT_TRUE(image->UnlockSurface());
}

TEST(DDImageTest, TheThreeDScreenRefusesLocks) {
    SurfaceDisplay display(PixelFormat::Xrgb8888());
    ASSERT_TRUE(display.Ready());
    DDImage* screen = display.DD().GetScreenImage();
    ASSERT_NE(screen, nullptr);
    EXPECT_FALSE(screen->Check3D());
    display.DD().mIs3D = true;
    EXPECT_TRUE(screen->Check3D());
    EXPECT_TRUE(DDImage::Check3DImage(screen));
    EXPECT_FALSE(screen->LockSurface());
    EXPECT_FALSE(screen->UnlockSurface());
    // Other images lock as usual in 3-D.
    auto image = MakeSurfaceImage(display.DD(), {0xFF102030}, 1, 1);
    EXPECT_FALSE(image->Check3D());
    EXPECT_TRUE(image->LockSurface());
    EXPECT_TRUE(image->UnlockSurface());
    MemoryImage memory(nullptr);
    EXPECT_FALSE(DDImage::Check3DImage(&memory));
    EXPECT_FALSE(DDImage::Check3DImage(nullptr));
    display.DD().mIs3D = false;
}

TEST(DDImageTest, ReadBackWidensChannelsByShifting) {
    SurfaceDisplay display(PixelFormat::Rgb565());
    ASSERT_TRUE(display.Ready());
    auto image = MakeSurfaceImage(display.DD(), {0xFFFFFFFF, 0xFF336699}, 2, 1);
    ASSERT_NE(image->GetSurface(), nullptr);
    image->PurgeBits();
    EXPECT_EQ(image->mBits, nullptr);
    ASSERT_NE(image->mSurface, nullptr);
    const uint32_t* bits = image->GetBits();
    ASSERT_NE(bits, nullptr);
    EXPECT_EQ(bits[0], 0xFFF8FCF8u);
    EXPECT_EQ(bits[1], 0xFF306498u);
    EXPECT_EQ(bits[2], MemoryImage::kGuardWord);

    SurfaceDisplay wide(PixelFormat::Xrgb8888());
    ASSERT_TRUE(wide.Ready());
    auto image32 = MakeSurfaceImage(wide.DD(), {0xFF336699}, 1, 1);
    ASSERT_NE(image32->GetSurface(), nullptr);
    SetSurfaceValue(*image32->mSurface, 0, 0, 0x7F123456);
    image32->mBits.reset();
    EXPECT_EQ(image32->GetBits()[0], 0xFF123456u);
}

TEST(DDImageTest, PurgedKeyedImageKeepsItsTransparencyAcrossARebuild) {
    SurfaceDisplay display(PixelFormat::Rgb565());
    ASSERT_TRUE(display.Ready());
    auto image = MakeSurfaceImage(display.DD(), {0x00000000, 0xFF000000, 0xFFFFFFFF}, 3, 1);
    image->mWantDDSurface = true;
    image->PurgeBits();
    ASSERT_EQ(image->mBits, nullptr);
    ASSERT_NE(image->mSurface, nullptr);
    // As before the display is made again: read back, release.
    image->DeleteExtraBuffers();
    EXPECT_EQ(image->mSurface, nullptr);
    ASSERT_NE(image->mBits, nullptr);
    EXPECT_EQ(image->mBits[0] >> 24, 0u);
    EXPECT_EQ(image->mBits[1], 0xFF000000u);
    EXPECT_EQ(image->mBits[2], 0xFFF8FCF8u);
    image->ReInit();
    ASSERT_NE(image->mSurface, nullptr);
    EXPECT_TRUE(image->mHasTrans);
    EXPECT_EQ(ColorKeyOf(*image), 0xFFE0u);
    EXPECT_EQ(SurfaceValues(*image->mSurface), (std::vector<uint32_t>{0xFFE0, 0x0000, 0xFFFF}));
}

TEST(DDImageTest, SurfaceIsFilledFromWhateverHoldsThePixels) {
    SurfaceDisplay display(PixelFormat::Xrgb8888());
    ASSERT_TRUE(display.Ready());
    // Pixels held only as native data (purged without a surface wanted).
    auto image = MakeSurfaceImage(display.DD(), {0xFF102030, 0xFF405060}, 2, 1);
    image->MemoryImage::PurgeBits();
    ASSERT_EQ(image->mBits, nullptr);
    ASSERT_NE(image->mNativeAlpha, nullptr);
    ASSERT_NE(image->GetSurface(), nullptr);
    EXPECT_EQ(SurfaceValues(*image->mSurface), (std::vector<uint32_t>{0x102030, 0x405060}));

    // A colour table.
    auto palettized = MakeSurfaceImage(display.DD(), {0xFF0000FF, 0xFF00FF00, 0xFF0000FF}, 3, 1);
    ASSERT_TRUE(palettized->Palletize());
    ASSERT_NE(palettized->GetSurface(), nullptr);
    EXPECT_EQ(SurfaceValues(*palettized->mSurface),
              (std::vector<uint32_t>{0x0000FF, 0x00FF00, 0x0000FF}));
}

TEST(DDImageTest, FailedCreationOrLockKeepsThePixels) {
    SurfaceDisplay display(PixelFormat::Rgb565());
    ASSERT_TRUE(display.Ready());
    auto image = MakeSurfaceImage(display.DD(), {0xFF102030}, 1, 1);
    display.Device().InjectFailure(platform::DisplayOp::CreateOffscreen,
                                   platform::DDERR_OUTOFMEMORY);
    EXPECT_EQ(image->GetSurface(), nullptr);
    ASSERT_NE(image->mBits, nullptr);
    EXPECT_EQ(image->mBits[0], 0xFF102030u);

    // A surface that can't be filled is not kept.
    display.Device().InjectFailure(platform::DisplayOp::Lock, platform::DDERR_SURFACELOST);
    EXPECT_FALSE(image->GenerateDDSurface());
    EXPECT_EQ(image->mSurface, nullptr);
    EXPECT_EQ(image->mBits[0], 0xFF102030u);
    EXPECT_NE(image->GetSurface(), nullptr);
}

TEST(DDImageTest, ChangedBitsDropTheSurface) {
    SurfaceDisplay display(PixelFormat::Rgb565());
    ASSERT_TRUE(display.Ready());
    auto image = MakeSurfaceImage(display.DD(), {0xFF000000, 0xFF000000}, 2, 1);
    ASSERT_NE(image->GetSurface(), nullptr);
    image->GetBits()[0] = 0xFFFFFFFF;
    image->BitsChanged();
    EXPECT_EQ(image->mSurface, nullptr);
    ASSERT_NE(image->GetSurface(), nullptr);
    EXPECT_EQ(SurfaceValues(*image->mSurface), (std::vector<uint32_t>{0xFFFF, 0x0000}));

    // Create drops it too, and the bits come back empty on demand.
    image->Create(3, 2);
    EXPECT_EQ(image->mSurface, nullptr);
    EXPECT_EQ(image->GetWidth(), 3);
    EXPECT_EQ(image->GetBits()[5], 0u);
    EXPECT_EQ(image->GetBits()[6], MemoryImage::kGuardWord);
}

TEST(DDImageTest, SetVideoMemoryWithTheSameValueChangesNothing) {
    SurfaceDisplay display(PixelFormat::Rgb565());
    ASSERT_TRUE(display.Ready());
    auto image = MakeSurfaceImage(display.DD(), {0xFF102030}, 1, 1);
    ASSERT_NE(image->GetSurface(), nullptr);
    image->PurgeBits();
    platform::Surface* before = image->mSurface.get();
    image->SetVideoMemory(false);
    EXPECT_EQ(image->mSurface.get(), before);
    EXPECT_EQ(image->mBits, nullptr);

    image->SetVideoMemory(true);
    EXPECT_EQ(image->mSurface, nullptr);
    ASSERT_NE(image->mBits, nullptr);
    ASSERT_NE(image->GetSurface(), nullptr);
    EXPECT_EQ(image->mSurface->Memory(), platform::MemoryPlace::Video);
}

TEST(DDImageTest, FreeingBuffersNeedsASurface) {
    SurfaceDisplay display(PixelFormat::Rgb565());
    ASSERT_TRUE(display.Ready());
    auto image = MakeSurfaceImage(display.DD(), {0xFF102030}, 1, 1);
    image->FreeNonSurfaceBuffers();
    ASSERT_NE(image->mBits, nullptr);
    ASSERT_NE(image->GetSurface(), nullptr);
    image->FreeNonSurfaceBuffers();
    EXPECT_EQ(image->mBits, nullptr);
    // The surface now holds the pixels.
    EXPECT_EQ(image->GetBits()[0], FromSurface(PixelFormat::Rgb565(), 0x1106));

    // A lost surface no longer holds them: the buffers stay.
    auto other = MakeSurfaceImage(display.DD(), {0xFF102030}, 1, 1);
    ASSERT_NE(other->GetSurface(), nullptr);
    display.Device().SimulateSurfaceLoss();
    other->FreeNonSurfaceBuffers();
    EXPECT_NE(other->mBits, nullptr);
}

TEST(DDImageTest, FreeingBuffersDropsEachBufferHeldAlone) {
    SurfaceDisplay display(PixelFormat::Xrgb8888());
    ASSERT_TRUE(display.Ready());
    auto image = MakeSurfaceImage(display.DD(), {0xFF102030}, 1, 1);
    ASSERT_NE(image->GetSurface(), nullptr);
    image->FreeNonSurfaceBuffers();
    // The quick way out for an image holding nothing must not miss any one.
    for (auto words :
         {&MemoryImage::mBits, &MemoryImage::mNativeAlpha, &MemoryImage::mAdditiveSource,
          &MemoryImage::mNativeUnpacked, &MemoryImage::mPalette}) {
        ((*image).*words).reset(new uint32_t[256]());
        image->FreeNonSurfaceBuffers();
        EXPECT_EQ((*image).*words, nullptr);
    }
    for (auto bytes :
         {&MemoryImage::mRLAlpha, &MemoryImage::mRLAdditive, &MemoryImage::mPaletteIndices}) {
        ((*image).*bytes).reset(new uint8_t[1]());
        image->FreeNonSurfaceBuffers();
        EXPECT_EQ((*image).*bytes, nullptr);
    }
}

TEST(DDImageTest, AdoptedSurfaceGivesSizeAndKeepsNewPixels) {
    SurfaceDisplay display(PixelFormat::Xrgb8888());
    ASSERT_TRUE(display.Ready());
    platform::SurfaceDesc desc;
    desc.width = 4;
    desc.height = 3;
    std::shared_ptr<platform::Surface> surface;
    ASSERT_EQ(display.DD().CreateSurface(desc, surface), platform::DD_OK);
    DDImage image(&display.DD());
    image.SetBits(std::vector<uint32_t>(2, 0xFF0000FF).data(), 2, 1);
    image.SetSurface(surface);
    EXPECT_TRUE(image.mSurfaceSet);
    EXPECT_EQ(image.GetWidth(), 4);
    EXPECT_EQ(image.GetHeight(), 3);
    EXPECT_EQ(image.mBits, nullptr);
    // Buffer management leaves the adopted surface alone ...
    image.DeleteExtraBuffers();
    image.PurgeBits();
    EXPECT_EQ(image.mSurface, surface);
    // ... and changed bits go into it.
    image.GetBits()[5] = 0xFFABCDEF;
    image.BitsChanged();
    EXPECT_EQ(image.mSurface, surface);
    EXPECT_EQ(SurfaceValues(*surface)[5], 0xABCDEFu);
}

TEST(DDImageTest, VideoOnlyImagesAreNeverReadBack) {
    SurfaceDisplay display(PixelFormat::Xrgb8888());
    ASSERT_TRUE(display.Ready());
    auto image = MakeSurfaceImage(display.DD(), {0xFF102030}, 1, 1);
    ASSERT_NE(image->GetSurface(), nullptr);
    image->FreeNonSurfaceBuffers();
    image->mVideoOnly = true;
    EXPECT_EQ(image->GetBits(), nullptr);
    // Drawing that needs the bits draws nothing rather than crash.
    image->ClearRect(Rect(0, 0, 1, 1));
    image->mVideoOnly = false;
    EXPECT_EQ(image->GetBits()[0], 0xFF102030u);
}

TEST(DDImageTest, DefaultImageUsesTheApplicationsDisplay) {
    SurfaceDisplay display(PixelFormat::Rgb565());
    ASSERT_TRUE(display.Ready());
    class Host : public ImageHost {
    public:
        explicit Host(DDInterface* dd) : mDD(dd) {}
        const NativeDisplay* GetNativeDisplay() override { return mDD; }
        DDInterface* mDD;
    } host(&display.DD());
    SetImageHost(&host);
    {
        DDImage image;
        EXPECT_EQ(image.mDDInterface, &display.DD());
        EXPECT_EQ(image.mApp, &host);
    }
    SetImageHost(nullptr);
    DDImage orphan;
    EXPECT_EQ(orphan.mDDInterface, nullptr);
    orphan.SetBits(std::vector<uint32_t>(1, 0xFF000000).data(), 1, 1);
    EXPECT_EQ(orphan.GetSurface(), nullptr);
}

// Without a display the bits are the only pixels: an opaque image once drawn on stays drawable
// (fills, lines and copies used to vanish once the first fill had made it opaque).
TEST(DDImageTest, WithoutADisplayEveryDrawReachesTheBits) {
    Vesk::DDImage image;
    image.Create(8, 8);
    image.FillRect(Vesk::Rect(0, 0, 8, 8), Vesk::Color(240, 240, 240), Vesk::kDrawModeNormal);
    image.FillRect(Vesk::Rect(2, 2, 2, 2), Vesk::Color(255, 0, 0), Vesk::kDrawModeNormal);
    Vesk::MemoryImage source;
    source.Create(1, 1);
    source.GetBits()[0] = 0xFF0000FF;
    source.BitsChanged();
    image.Blt(&source, 6, 6, Vesk::Rect(0, 0, 1, 1), Vesk::Color::White, Vesk::kDrawModeNormal);
    EXPECT_EQ(image.GetBits()[2 * 8 + 2] & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(image.GetBits()[6 * 8 + 6] & 0xFFFFFF, 0x0000FFu);
    EXPECT_EQ(image.GetBits()[0] & 0xFFFFFF, 0xF0F0F0u);
}
