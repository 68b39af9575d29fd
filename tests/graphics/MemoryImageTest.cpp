#include <gtest/gtest.h>

#include <algorithm>
#include <new>
#include <random>
#include <set>
#include <stdexcept>
#include <utility>
#include <vector>

#include "graphics/ImageHost.h"
#include "graphics/MemoryImage.h"
#include "graphics/NativeDisplay.h"

using namespace Vesk;

namespace {

class FakeHost : public ImageHost {
public:
    void AddMemoryImage(MemoryImage* image) override { mImages.insert(image); }
    void RemoveMemoryImage(MemoryImage* image) override { mImages.erase(image); }
    bool Is3DAccelerated() override { return mIs3D; }
    void Remove3DData(MemoryImage*) override { ++mRemoved3D; }
    bool IsTextureDataCurrent(const MemoryImage& image) override {
        return image.mChangeCount == mTextureCount;
    }
    bool ReadTextureBits(MemoryImage& image, uint32_t* bits) override {
        if (image.mChangeCount != mTextureCount) {
            return false;
        }
        std::copy(mTexturePixels.begin(), mTexturePixels.end(), bits);
        return true;
    }
    const NativeDisplay* GetNativeDisplay() override { return mDisplay; }

    std::set<MemoryImage*> mImages;
    bool mIs3D = false;
    int mRemoved3D = 0;
    int32_t mTextureCount = -1;
    std::vector<uint32_t> mTexturePixels;
    const NativeDisplay* mDisplay = nullptr;
};

NativeDisplay Display565() {
    NativeDisplay d;
    d.mRGBBits = 16;
    d.mRedMask = 0xF800;
    d.mGreenMask = 0x07E0;
    d.mBlueMask = 0x001F;
    d.mRedBits = 5;
    d.mGreenBits = 6;
    d.mBlueBits = 5;
    d.mRedShift = 11;
    d.mGreenShift = 5;
    d.mBlueShift = 0;
    return d;
}

std::vector<uint32_t> Pixels(const MemoryImage& image) {
    return std::vector<uint32_t>(image.mBits.get(), image.mBits.get() + image.GetPixelCount());
}

std::vector<uint8_t> Bytes(const uint8_t* data, size_t count) {
    return std::vector<uint8_t>(data, data + count);
}

void Fill(MemoryImage& image, int32_t width, int32_t height, const std::vector<uint32_t>& pixels) {
    ASSERT_EQ(pixels.size(), static_cast<size_t>(width) * static_cast<size_t>(height));
    image.SetBits(pixels.data(), width, height);
}

}  // namespace

TEST(MemoryImageTest, SetBitsLayoutAndGuard) {
    MemoryImage image(nullptr);
    const std::vector<uint32_t> pixels = {1, 2, 3, 4, 5, 6};
    const int32_t before = image.mChangeCount;
    image.SetBits(pixels.data(), 3, 2);
    EXPECT_EQ(image.mWidth, 3);
    EXPECT_EQ(image.mHeight, 2);
    EXPECT_EQ(Pixels(image), pixels);
    EXPECT_EQ(image.mBits[6], MemoryImage::kGuardWord);
    EXPECT_EQ(image.mChangeCount, before + 1);
    // Setting the current buffer again changes nothing.
    image.SetBits(image.mBits.get(), 3, 2);
    EXPECT_EQ(image.mChangeCount, before + 1);

    EXPECT_THROW(image.SetBits(pixels.data(), -1, 2), std::invalid_argument);
    EXPECT_THROW(image.Create(2, -1), std::invalid_argument);

    MemoryImage empty(nullptr);
    empty.Create(2, 2);
    EXPECT_EQ(empty.GetBits()[4], MemoryImage::kGuardWord);
    EXPECT_EQ(Pixels(empty), std::vector<uint32_t>(4, 0u));
}

TEST(MemoryImageTest, OversizedImageFailsToAllocate) {
    MemoryImage image(nullptr);
    image.Create(70000, 70000);
    EXPECT_THROW(image.GetBits(), std::bad_alloc);
}

TEST(MemoryImageTest, AlphaAnalysis) {
    MemoryImage image(nullptr);
    Fill(image, 2, 1, {0x00112233, 0x00000000});
    EXPECT_TRUE(image.mHasTrans);
    EXPECT_FALSE(image.mHasAlpha);
    Fill(image, 2, 1, {0xFF112233, 0xFF000000});
    EXPECT_FALSE(image.mHasTrans);
    EXPECT_FALSE(image.mHasAlpha);
    Fill(image, 2, 1, {0xFF112233, 0x80000000});
    EXPECT_FALSE(image.mHasTrans);
    EXPECT_TRUE(image.mHasAlpha);

    // No pixels in memory at all.
    MemoryImage none(nullptr);
    none.Create(4, 4);
    none.mHasAlpha = true;
    none.CommitBits();
    EXPECT_TRUE(none.mHasTrans);
    EXPECT_FALSE(none.mHasAlpha);

    // Forced flags are never analysed again.
    image.SetImageMode(false, false);
    Fill(image, 1, 1, {0x00000000});
    EXPECT_FALSE(image.mHasTrans);
}

TEST(MemoryImageTest, AlphaRuns) {
    MemoryImage image(nullptr);
    Fill(image, 3, 1, {0x00000000, 0x00FFFFFF, 0xFF000000});
    EXPECT_EQ(Bytes(image.GetRLAlphaData(), 3), (std::vector<uint8_t>{2, 1, 1}));
    Fill(image, 3, 1, {0x80000000, 0x80FFFFFF, 0x80000000});
    EXPECT_EQ(Bytes(image.GetRLAlphaData(), 3), (std::vector<uint8_t>{3, 2, 1}));
    Fill(image, 2, 2, std::vector<uint32_t>(4, 0xFF123456));
    EXPECT_EQ(Bytes(image.GetRLAlphaData(), 4), (std::vector<uint8_t>{2, 1, 2, 1}));

    Fill(image, 300, 1, std::vector<uint32_t>(300, 0xFF000000));
    const std::vector<uint8_t> runs = Bytes(image.GetRLAlphaData(), 300);
    for (int i = 0; i < 46; ++i) {
        EXPECT_EQ(runs[static_cast<size_t>(i)], 255) << i;
    }
    for (int i = 46; i < 300; ++i) {
        EXPECT_EQ(runs[static_cast<size_t>(i)], 300 - i) << i;
    }

    // Cached until the pixels change.
    const uint8_t* cached = image.GetRLAlphaData();
    EXPECT_EQ(image.GetRLAlphaData(), cached);
    image.BitsChanged();
    EXPECT_FALSE(image.mRLAlpha);
}

// Run bytes against a plain backward count, for rows whose run boundaries
// fall inside and across the blocks the encoder looks at together.
TEST(MemoryImageTest, AlphaRunsOfMixedRows) {
    const std::vector<std::vector<std::pair<uint32_t, int>>> rows = {
        {{0x00000000, 3}, {0xFF000000, 37}, {0x80000000, 5}, {0xFF000000, 18}},
        {{0xFF000000, 16}, {0x00000000, 16}, {0xFF000000, 1}, {0x00000000, 290}},
        {{0x40000000, 2}, {0x00000000, 17}, {0x41000000, 4}, {0xFF000000, 300}},
        {{0x7F000000, 37}, {0x01000000, 20}, {0xFE000000, 3}, {0xFF000000, 3}},
    };
    for (const auto& row : rows) {
        std::vector<uint32_t> pixels;
        for (const auto& [alpha, count] : row) {
            pixels.insert(pixels.end(), static_cast<size_t>(count), alpha | 0x123456);
        }
        std::vector<uint8_t> expected(pixels.size());
        int count = 0;
        for (size_t i = pixels.size(); i-- > 0;) {
            auto cls = [](uint32_t p) { return (p >> 24) == 0 ? 0 : ((p >> 24) == 255 ? 1 : 2); };
            count = (i + 1 < pixels.size() && cls(pixels[i]) == cls(pixels[i + 1])) ? count + 1 : 1;
            expected[i] = static_cast<uint8_t>(std::min(count, 255));
        }
        MemoryImage image(nullptr);
        Fill(image, static_cast<int32_t>(pixels.size()), 1, pixels);
        EXPECT_EQ(Bytes(image.GetRLAlphaData(), pixels.size()), expected) << pixels.size();
    }
}

// The vector paths against the per-pixel formulas, with a tail of odd length.
TEST(MemoryImageTest, PremultipliedFormsMatchTheirFormulas) {
    std::mt19937 rng(11);
    std::vector<uint32_t> pixels(37);
    for (uint32_t& p : pixels) {
        p = static_cast<uint32_t>(rng());
    }
    pixels[0] = 0xFFFFFFFF;
    pixels[1] = 0x00FFFFFF;
    MemoryImage image(nullptr);
    Fill(image, 37, 1, pixels);
    const uint32_t* native = image.GetNativeAlphaData(nullptr);
    const uint32_t* additive = image.GetAdditiveSourceData();
    for (size_t i = 0; i < pixels.size(); ++i) {
        const uint32_t a = pixels[i] >> 24;
        uint32_t wantNative = a << 24;
        uint32_t wantAdditive = a << 24;
        for (int shift : {0, 8, 16}) {
            const uint32_t c = (pixels[i] >> shift) & 0xFF;
            wantNative |= ((c * (a + 1)) >> 8) << shift;
            wantAdditive |= ((c * a) >> 8) << shift;
        }
        EXPECT_EQ(native[i], wantNative) << i;
        EXPECT_EQ(additive[i], wantAdditive) << i;
    }
    // Dropped with the native form when the pixels change.
    image.BitsChanged();
    EXPECT_FALSE(image.mAdditiveSource);
    EXPECT_FALSE(image.mNativeAlpha);
}

TEST(MemoryImageTest, NativeAlphaOfOtherLayoutsMatchesItsFormula) {
    std::mt19937 rng(5);
    std::vector<uint32_t> pixels(45);
    for (uint32_t& p : pixels) {
        p = static_cast<uint32_t>(rng());
    }
    pixels[0] = 0xFFFFFFFF;
    pixels[1] = 0x00FFFFFF;
    NativeDisplay bgr555;  // blue high, red low, one spare bit
    bgr555.mRedMask = 0x001F;
    bgr555.mGreenMask = 0x03E0;
    bgr555.mBlueMask = 0x7C00;
    bgr555.mRedBits = bgr555.mGreenBits = bgr555.mBlueBits = 5;
    bgr555.mRedShift = 0;
    bgr555.mGreenShift = 5;
    bgr555.mBlueShift = 10;
    for (const NativeDisplay& display : {Display565(), bgr555}) {
        MemoryImage image(nullptr);
        Fill(image, static_cast<int32_t>(pixels.size()), 1, pixels);
        const uint32_t* native = image.GetNativeAlphaData(&display);
        const auto channel = [](uint32_t c, uint32_t a, int32_t bits, int32_t shift) {
            return ((c * (a + 1)) >> (16 - bits)) << shift;
        };
        for (size_t i = 0; i < pixels.size(); ++i) {
            const uint32_t p = pixels[i];
            const uint32_t a = p >> 24;
            const uint32_t want =
                (a << 24) | channel((p >> 16) & 0xFF, a, display.mRedBits, display.mRedShift) |
                channel((p >> 8) & 0xFF, a, display.mGreenBits, display.mGreenShift) |
                channel(p & 0xFF, a, display.mBlueBits, display.mBlueShift);
            EXPECT_EQ(native[i], want) << i << " blue shift " << display.mBlueShift;
        }
    }
}

TEST(MemoryImageTest, AdditiveRunsClassTransparentAsBlack) {
    MemoryImage image(nullptr);
    Fill(image, 4, 1, {0xFF000000, 0x00FFFFFF, 0xFF010000, 0x01400000});
    // Native (premultiplied): black, transparent -> 0, red 1, 64 at alpha 1 -> 0.
    EXPECT_EQ(Bytes(image.GetRLAdditiveData(nullptr), 4), (std::vector<uint8_t>{2, 1, 1, 1}));
}

TEST(MemoryImageTest, NativeAlphaLayouts) {
    FakeHost host;
    MemoryImage image(&host);
    Fill(image, 2, 1, {0x80FF0000, 0xFF102030});
    const uint32_t* native = image.GetNativeAlphaData(nullptr);
    EXPECT_EQ(native[0], 0x80800000u);  // (255 * 129) >> 8 = 128
    EXPECT_EQ(native[1], 0xFF102030u);

    // Purged and rebuilt, a partly transparent channel may come back lower.
    image.PurgeBits();
    EXPECT_FALSE(image.mBits);
    EXPECT_TRUE(image.mPurgeWanted);
    const uint32_t* bits = image.GetBits();
    EXPECT_EQ(bits[0], 0x80FE0000u);
    EXPECT_EQ(bits[1], 0xFF102030u);
    EXPECT_EQ(bits[2], MemoryImage::kGuardWord);

    const NativeDisplay d565 = Display565();
    MemoryImage white(nullptr);
    Fill(white, 1, 1, {0xFFFFFFFF});
    EXPECT_EQ(white.GetNativeAlphaData(&d565)[0], 0xFF00FFFFu);

    // A 5-bit channel comes back in the high bits of the byte.
    host.mDisplay = &d565;
    Fill(image, 1, 1, {0xFFFF8040});
    image.PurgeBits();
    EXPECT_EQ(image.mNativeAlpha[0], 0xFF000000u | (31u << 11) | (32u << 5) | 8u);
    EXPECT_EQ(image.GetBits()[0], 0xFFF88040u);
}

TEST(MemoryImageTest, PalletizeExactReduction) {
    MemoryImage image(nullptr);
    std::vector<uint32_t> pixels;
    for (uint32_t i = 0; i < 256; ++i) {
        pixels.push_back(0xFF000000u | ((255 - i) * 0x010101u));
    }
    pixels.push_back(pixels[5]);
    pixels.push_back(pixels[0]);
    Fill(image, 258, 1, pixels);
    ASSERT_TRUE(image.Palletize());
    EXPECT_FALSE(image.mBits);
    EXPECT_TRUE(image.mPalettizeWanted);
    EXPECT_EQ(image.mPaletteIndices[0], 0);
    EXPECT_EQ(image.mPaletteIndices[1], 1);
    EXPECT_EQ(image.mPaletteIndices[256], 5);
    EXPECT_EQ(image.mPaletteIndices[257], 0);
    EXPECT_EQ(image.mPalette[255], pixels[255]);
    EXPECT_TRUE(image.Palletize());  // already reduced

    // Drawing data from the table: 256 native words, runs through the indices.
    EXPECT_EQ(image.GetNativeAlphaData(nullptr)[1], pixels[1]);
    EXPECT_EQ(image.GetRLAlphaData()[0], 255);

    image.GetBits();
    EXPECT_EQ(Pixels(image), pixels);
    EXPECT_FALSE(image.mPalette);
    EXPECT_FALSE(image.mPaletteIndices);
    EXPECT_TRUE(image.mPalettizeWanted);

    // Colour 257 (differing only in alpha) fails and leaves the image alone.
    pixels.push_back(0xFE000000u | (pixels[3] & 0xFFFFFF));
    Fill(image, 259, 1, pixels);
    image.mPalettizeWanted = true;
    EXPECT_FALSE(image.Palletize());
    EXPECT_FALSE(image.mPalettizeWanted);
    EXPECT_FALSE(image.mPalette);
    EXPECT_EQ(Pixels(image), pixels);

    MemoryImage nothing(nullptr);
    EXPECT_FALSE(nothing.Palletize());
}

TEST(MemoryImageTest, BuildPaletteOrderAndLimits) {
    const uint32_t bits[] = {7, 3, 7, 9, 3, 1};
    uint8_t indices[6] = {};
    uint32_t palette[256] = {};
    ASSERT_TRUE(MemoryImage::BuildPalette(bits, 6, indices, palette));
    EXPECT_EQ((std::vector<uint8_t>(indices, indices + 6)),
              (std::vector<uint8_t>{0, 1, 0, 2, 1, 3}));
    EXPECT_EQ((std::vector<uint32_t>(palette, palette + 5)),
              (std::vector<uint32_t>{7, 3, 9, 1, 0}));
    EXPECT_TRUE(MemoryImage::BuildPalette(bits, 0, indices, palette));
}

TEST(MemoryImageTest, CreateDropsColourTable) {
    MemoryImage image(nullptr);
    Fill(image, 2, 1, {0xFF000000, 0xFFFFFFFF});
    ASSERT_TRUE(image.Palletize());
    image.Create(40, 30);
    EXPECT_FALSE(image.mPalette);
    EXPECT_FALSE(image.mPaletteIndices);
    EXPECT_TRUE(image.mHasTrans);
    EXPECT_TRUE(image.mHasAlpha);
    const uint32_t* bits = image.GetBits();
    EXPECT_EQ(bits[40 * 30 - 1], 0u);
    EXPECT_EQ(bits[40 * 30], MemoryImage::kGuardWord);
}

TEST(MemoryImageTest, RegistersWithItsHost) {
    FakeHost host;
    {
        MemoryImage a(&host);
        Fill(a, 1, 1, {0xFF0000FF});
        EXPECT_EQ(host.mImages.count(&a), 1u);
        MemoryImage b(a);
        EXPECT_EQ(host.mImages.size(), 2u);
        EXPECT_EQ(b.mApp, &host);
        EXPECT_EQ(Pixels(b), Pixels(a));
        EXPECT_NE(b.mBits.get(), a.mBits.get());
    }
    EXPECT_TRUE(host.mImages.empty());

    SetImageHost(&host);
    {
        MemoryImage global;
        EXPECT_EQ(global.mApp, &host);
        EXPECT_EQ(host.mImages.size(), 1u);
    }
    SetImageHost(nullptr);
    EXPECT_TRUE(host.mImages.empty());
}

TEST(MemoryImageTest, CopyOfPurgedImageLeavesSourcePurged) {
    MemoryImage image(nullptr);
    Fill(image, 2, 1, {0xFF102030, 0x00000000});
    image.PurgeBits();
    ASSERT_FALSE(image.mBits);
    MemoryImage copy(image);
    EXPECT_FALSE(image.mBits);
    ASSERT_TRUE(copy.mBits);
    EXPECT_EQ(copy.mBits[0], 0xFF102030u);
    EXPECT_EQ(copy.mBits[2], MemoryImage::kGuardWord);
    ASSERT_TRUE(copy.mNativeAlpha);
    EXPECT_EQ(copy.mNativeAlpha[0], image.mNativeAlpha[0]);

    MemoryImage palettized(nullptr);
    Fill(palettized, 3, 1, {1, 2, 1});
    ASSERT_TRUE(palettized.Palletize());
    palettized.GetNativeAlphaData(nullptr);
    MemoryImage paletteCopy(palettized);
    EXPECT_FALSE(paletteCopy.mBits);
    ASSERT_TRUE(paletteCopy.mPaletteIndices);
    EXPECT_EQ(paletteCopy.GetBits()[2], 1u);
}

TEST(MemoryImageTest, BuffersDroppedAndRebuilt) {
    MemoryImage image(nullptr);
    Fill(image, 2, 1, {0x80FF0000, 0xFF00FF00});
    image.GetNativeAlphaData(nullptr);
    image.GetRLAlphaData();
    image.GetRLAdditiveData(nullptr);
    image.DeleteNativeData();
    EXPECT_FALSE(image.mNativeAlpha);
    EXPECT_FALSE(image.mRLAdditive);
    EXPECT_TRUE(image.mRLAlpha);
    image.DeleteSWBuffers();
    EXPECT_FALSE(image.mRLAlpha);
    EXPECT_TRUE(image.mBits);

    // Purged pixels are brought back before their only copy goes.
    image.PurgeBits();
    image.DeleteSWBuffers();
    ASSERT_TRUE(image.mBits);
    EXPECT_EQ(image.mBits[1], 0xFF00FF00u);
    EXPECT_FALSE(image.mNativeAlpha);
}

TEST(MemoryImageTest, ReInitRepeatsWishes) {
    MemoryImage image(nullptr);
    Fill(image, 2, 1, {0xFF000000, 0xFFFFFFFF});
    ASSERT_TRUE(image.Palletize());
    image.PurgeBits();
    // 2-D purge keeps the colour table, drawn through its 256-word native form.
    EXPECT_TRUE(image.mPalette);
    EXPECT_TRUE(image.mNativeAlpha);
    image.GetBits();
    EXPECT_FALSE(image.mPalette);
    image.ReInit();
    EXPECT_TRUE(image.mPalette);
    EXPECT_FALSE(image.mBits);
}

TEST(MemoryImageTest, PurgeIn3DKeepsPixelsUnlessTextureIsCurrent) {
    FakeHost host;
    host.mIs3D = true;
    MemoryImage image(&host);
    Fill(image, 2, 1, {0xFF112233, 0xFF445566});
    image.PurgeBits();  // no texture yet
    EXPECT_TRUE(image.mBits);

    TextureData* fakeTexture = reinterpret_cast<TextureData*>(&host);
    image.mTextureData = fakeTexture;
    host.mTextureCount = image.mChangeCount - 1;  // uploaded before the last change
    image.PurgeBits();
    EXPECT_TRUE(image.mBits);

    host.mTextureCount = image.mChangeCount;
    host.mTexturePixels = Pixels(image);
    image.PurgeBits();
    EXPECT_FALSE(image.mBits);
    EXPECT_EQ(image.GetBits()[1], 0xFF445566u);
    image.mTextureData = nullptr;

    image.Delete3DBuffers();
    EXPECT_EQ(host.mRemoved3D, 1);
}

TEST(MemoryImageTest, ClearAndClearRect) {
    MemoryImage image(nullptr);
    Fill(image, 3, 2, std::vector<uint32_t>(6, 0xFFFFFFFF));
    image.ClearRect(Rect(1, 0, 2, 1));
    EXPECT_EQ(Pixels(image),
              (std::vector<uint32_t>{0xFFFFFFFF, 0, 0, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF}));
    image.ClearRect(Rect(2, 1, 10, 10));  // reaching outside: cut to the image
    EXPECT_EQ(image.mBits[5], 0u);
    EXPECT_EQ(image.mBits[6], MemoryImage::kGuardWord);
    image.Clear();
    EXPECT_EQ(Pixels(image), std::vector<uint32_t>(6, 0u));
}
