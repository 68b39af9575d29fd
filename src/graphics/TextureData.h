#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "graphics/Color.h"
#include "graphics/Rect.h"
#include "platform/Device3D.h"

namespace Vesk {

class D3DInterface;
class Matrix3x3;
class MemoryImage;
struct TriVertex;

// Texture format codes: one bit each, so that a set of formats is one integer.
inline constexpr int32_t kTextureFormatNone = 0;
inline constexpr int32_t kTextureFormatA8R8G8B8 = 1;
inline constexpr int32_t kTextureFormatA4R4G4B4 = 2;
inline constexpr int32_t kTextureFormatR5G6B5 = 4;
inline constexpr int32_t kTextureFormatPalette8 = 8;

// The texture-request bits of a memory image (mTextureFlags).
inline constexpr uint32_t kTextureMinSubdivide = 1;    // whole powers of two, no subdividing
inline constexpr uint32_t kTexturePieces64 = 2;        // pieces of exactly 64 by 64
inline constexpr uint32_t kTexturePreferA4R4G4B4 = 4;  // rather than A8R8G8B8
inline constexpr uint32_t kTextureNoR5G6B5 = 8;        // opaque images stay 32-bit

// One texture of an image's grid; its size can exceed the part of the image it holds.
struct TexturePiece {
    std::shared_ptr<platform::Texture3D> mTexture;
    int32_t mWidth = 0;
    int32_t mHeight = 0;
};

// The textures of one memory image drawn through the 3-D device: the image cut into a
// grid of pieces the card accepts, uploaded in one format. Made and deleted only by
// the device (D3DInterface); the image holds it in mTextureData.
class TextureData {
public:
    // Row by row, left to right.
    std::vector<TexturePiece> mTextures;
    std::shared_ptr<platform::Palette3D> mPalette;
    // The image at the last upload.
    int32_t mWidth = 0;
    int32_t mHeight = 0;
    // Columns and rows of the grid.
    int32_t mTexVecWidth = 0;
    int32_t mTexVecHeight = 0;
    // The size of the ordinary pieces.
    int32_t mTexPieceWidth = 64;
    int32_t mTexPieceHeight = 64;
    int32_t mBitsChangedCount = 0;
    // Bytes the pieces and the palette take.
    int64_t mTexMemSize = 0;
    // Image width / piece width and image height / piece height.
    float mMaxTotalU = 0.0f;
    float mMaxTotalV = 0.0f;
    // A format code; none while there is no upload or after a failed one.
    int32_t mPixelFormat = kTextureFormatNone;
    uint32_t mImageFlags = 0;
    // The device whose textures these are; it takes the data back when the image goes.
    D3DInterface* mOwner = nullptr;

    explicit TextureData(D3DInterface* owner = nullptr);
    ~TextureData();
    TextureData(const TextureData&) = delete;
    TextureData& operator=(const TextureData&) = delete;

    void ReleaseTextures();
    // The grid for the image's size and texture flags; the pieces have no textures yet.
    void CreateTextureDimensions(const MemoryImage& image);
    // Uploads the image's pixels, making the pieces when the size, format or flags
    // changed. The format stays none when a texture cannot be made.
    void CreateTextures(MemoryImage& image, D3DInterface& d3d);
    // Uploads when there is no upload yet or the image changed since.
    void CheckCreateTextures(MemoryImage& image, D3DInterface& d3d);
    // The piece at image position (x, y) and the part of it that fits in width by
    // height (both narrowed), with that part's texture coordinates. Null outside the grid.
    const std::shared_ptr<platform::Texture3D>* GetTexture(int32_t x, int32_t y, int32_t& width,
                                                           int32_t& height, float& u1, float& v1,
                                                           float& u2, float& v2) const;
    // Reads the pieces back into width x height ARGB pixels; false when there is no
    // upload, a piece has no texture or a lock fails.
    bool ReadBack(D3DInterface& d3d, uint32_t* bits);

    // Drawing (D3DDraw.cpp); the device is in a scene with the draw mode set.
    void Blt(D3DInterface& d3d, float x, float y, const Rect& srcRect, const Color& color);
    void BltTransformed(D3DInterface& d3d, const Matrix3x3& matrix, const Rect& srcRect,
                        const Color& color, const Rect* clipRect, float x, float y, bool center);
    void BltTriangles(D3DInterface& d3d, const TriVertex (*triangles)[3], int32_t triangleCount,
                      uint32_t color, float tx, float ty);

    // Piece sizes for one image dimension pair, within the device's limits.
    static void GetBestTextureDimensions(int32_t& width, int32_t& height, bool isPowerOfTwo,
                                         uint32_t imageFlags);
    // The subdivision table: the piece size for a dimension of 0 to 1,023.
    static int32_t SubdivisionSize(int32_t size);
    static platform::TexturePixelFormat MakePixelFormat(int32_t formatCode);
    // The code whose layout matches exactly, tried 1, 2, 4, 8; none for any other.
    static int32_t GetTextureFormat(const platform::TexturePixelFormat& format);
    static int32_t BytesPerTexel(int32_t formatCode);
    // "A8R8G8B8", "A4R4G4B4", "R5G6B5", "Palette8"; empty for anything else.
    static std::string FormatName(int32_t formatCode);

private:
    std::shared_ptr<platform::Texture3D> CreateTexture(D3DInterface& d3d, int32_t width,
                                                       int32_t height, int32_t formatCode);
    void CopyImageToTexture(D3DInterface& d3d, platform::Texture3D& texture,
                            const MemoryImage& image, int32_t x, int32_t y, int32_t width,
                            int32_t height, int32_t formatCode);
};

}  // namespace Vesk
