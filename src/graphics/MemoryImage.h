#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "graphics/Color.h"
#include "graphics/Image.h"
#include "graphics/Rect.h"

namespace Vesk {

class ImageHost;
class NativeDisplay;
class TextureData;

// Software image: width x height straight (not premultiplied) 0xAARRGGBB
// pixels, or, once reduced to at most 256 colours, a colour table with one
// index byte per pixel. Derived forms for the blitters (premultiplied display
// pixels, run-length maps) are built on demand and dropped when the pixels
// change. The drawing context clips; the drawing operations here only cut
// their work to the images once per call, so a bad rectangle can't reach
// outside them.
class MemoryImage : public Image {
public:
    // Written after the last pixel of every pixel buffer made.
    static constexpr uint32_t kGuardWord = 0x4BEEFADE;

    std::unique_ptr<uint32_t[]> mBits;
    int32_t mChangeCount = 0;
    TextureData* mTextureData = nullptr;  // owned and deleted by the device layer
    uint32_t mTextureFlags = 0;
    std::unique_ptr<uint32_t[]> mPalette;  // 256 entries
    std::unique_ptr<uint8_t[]> mPaletteIndices;
    bool mForced = false;
    bool mHasTrans = false;
    bool mHasAlpha = false;
    bool mVolatile = false;
    bool mPurgeWanted = false;
    bool mPalettizeWanted = false;
    // width x height words, or 256 while the image holds a colour table.
    std::unique_ptr<uint32_t[]> mNativeAlpha;
    std::unique_ptr<uint8_t[]> mRLAlpha;
    std::unique_ptr<uint8_t[]> mRLAdditive;
    // (c * a) >> 8 per channel of the straight pixels, alpha kept: what the
    // additive blit adds. Dropped with mNativeAlpha.
    std::unique_ptr<uint32_t[]> mAdditiveSource;
    // A small image holding a colour table: the native word of every pixel. Dropped with
    // mNativeAlpha.
    std::unique_ptr<uint32_t[]> mNativeUnpacked;
    bool mAnalysisStale = false;
    ImageHost* mApp = nullptr;  // not owned; may be null

    // Registers with the global application (GetImageHost), if any.
    MemoryImage();
    explicit MemoryImage(ImageHost* app);
    // Deep copy of every pixel form; the copy has no texture data.
    MemoryImage(const MemoryImage& other);
    MemoryImage& operator=(const MemoryImage&) = delete;
    ~MemoryImage() override;
    MemoryImage* AsMemoryImage() override { return this; }

    // Drawing: each takes GetBits first and ends with BitsChanged; an
    // operation that would draw nothing (alpha 0, empty area, other modes)
    // changes nothing.
    void FillRect(const Rect& rect, const Color& color, DrawMode drawMode) override;
    void ClearRect(const Rect& rect) override;
    void DrawLine(double startX, double startY, double endX, double endY, const Color& color,
                  DrawMode drawMode) override;
    void DrawLineAA(double startX, double startY, double endX, double endY, const Color& color,
                    DrawMode drawMode) override;
    void FillScanLinesWithCoverage(Span* spans, int32_t spanCount, const Color& color,
                                   DrawMode drawMode, const uint8_t* coverage, int32_t coverX,
                                   int32_t coverY, int32_t coverWidth,
                                   int32_t coverHeight) override;
    void Blt(Image* image, int32_t x, int32_t y, const Rect& srcRect, const Color& color,
             DrawMode drawMode) override;
    void BltF(Image* image, float x, float y, const Rect& srcRect, const Rect& clipRect,
              const Color& color, DrawMode drawMode) override;

    // One additive blit of a batch, placed and clipped by the caller as for Blt. Left
    // uninitialised by default, so that a batch costs nothing to set up.
    struct SpriteBlit {
        MemoryImage* mSprite;  // not owned
        const Color* mColor;   // not owned
        int32_t mX;
        int32_t mY;
        int32_t mSrcX;
        int32_t mSrcY;
        int32_t mWidth;
        int32_t mHeight;
    };
    // Blt in additive mode for each, in order, to the same pixels; the set-up is done once and
    // the small rows of opaque sprites are added whole (MemoryImageSprites.cpp).
    void AddSprites(std::span<const SpriteBlit> blits);
    // Transforming blits (MemoryImageTransform.cpp).
    void BltRotated(Image* image, float x, float y, const Rect& srcRect, const Rect& clipRect,
                    const Color& color, DrawMode drawMode, double angle, float centerX,
                    float centerY) override;
    void StretchBlt(Image* image, const Rect& destRect, const Rect& srcRect, const Rect& clipRect,
                    const Color& color, DrawMode drawMode, bool fastStretch) override;
    void BltMatrix(Image* image, float x, float y, const Matrix3x3& matrix, const Rect& clipRect,
                   const Color& color, DrawMode drawMode, const Rect& srcRect, bool blend) override;
    void BltTrianglesTex(Image* texture, const TriVertex (*triangles)[3], int32_t triangleCount,
                         const Rect& clipRect, const Color& color, DrawMode drawMode, float tx,
                         float ty, bool blend) override;

    // Premultiplied pixels in the display's channel layout, alpha in the top
    // byte; a null display means 8-8-8 at shifts 16, 8, 0. Cached.
    virtual uint32_t* GetNativeAlphaData(const NativeDisplay* display);
    // Run lengths of alpha classes (0 transparent, 255 opaque, other): each
    // byte counts the pixels from itself to the end of its run, at most 255.
    virtual uint8_t* GetRLAlphaData();
    // Each row's first pixel that is not clear and one past its last (equal for a clear row),
    // as pairs, made with the alpha runs; null for runs put in from outside.
    const int32_t* GetRLAlphaSpans();
    // Run lengths of black (premultiplied colour 0) and coloured pixels.
    virtual uint8_t* GetRLAdditiveData(const NativeDisplay* display);
    // mAdditiveSource, built on demand; null for a colour table or an image
    // of no pixels.
    uint32_t* GetAdditiveSourceData();
    // mNativeUnpacked, built on demand, so that the additive blit of small glows drawn thousands
    // of times a frame reads no indices; null for an image without a colour table or larger than
    // kMaxUnpackedPixels.
    const uint32_t* GetUnpackedNativeData(const NativeDisplay* display);
    static constexpr size_t kMaxUnpackedPixels = 64 * 64;
    virtual void PurgeBits();
    virtual void DeleteSWBuffers();
    virtual void Delete3DBuffers();
    virtual void DeleteExtraBuffers();
    virtual void ReInit();
    virtual void BitsChanged();
    virtual void CommitBits();
    virtual void DeleteNativeData();
    virtual void Clear();
    virtual void SetBits(const uint32_t* bits, int32_t width, int32_t height,
                         bool commitBits = true);
    virtual void Create(int32_t width, int32_t height);
    // The ARGB pixels, rebuilt from whatever form holds them. Null only for
    // an image of no pixels.
    virtual uint32_t* GetBits();
    virtual void SetImageMode(bool hasTrans, bool hasAlpha);
    virtual void SetVolatile(bool isVolatile);
    // Reduces the image to a colour table; false (image unchanged) when it
    // has more than 256 distinct ARGB values.
    virtual bool Palletize();

    // Exact reduction: indices in order of first appearance; false when a
    // 257th distinct value turns up. Entries past the last index are left alone.
    static bool BuildPalette(const uint32_t* bits, size_t pixelCount, uint8_t* indices,
                             uint32_t* palette);

    size_t GetPixelCount() const;

private:
    // Made with the alpha runs: each row's first pixel that is not clear and one past its last,
    // and the runs they belong to (runs put in from outside have none).
    std::unique_ptr<int32_t[]> mRLAlphaSpans;
    const uint8_t* mRLAlphaSpansFor = nullptr;
    void Init();
    // width x height + 1 words with the guard word; throws std::bad_alloc when
    // the byte size would not fit 32 bits.
    std::unique_ptr<uint32_t[]> AllocateBits() const;
    void BringBitsBack();
};

}  // namespace Vesk
