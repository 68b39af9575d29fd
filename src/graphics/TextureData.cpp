#include "graphics/TextureData.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "graphics/D3DInterface.h"
#include "graphics/MemoryImage.h"

namespace Vesk {

using platform::TexturePixelFormat;

namespace {

constexpr int32_t kTableSize = 1024;

int32_t RoundUpToPowerOfTwo(int32_t n) {
    if (n <= 1) {
        return 1;
    }
    return static_cast<int32_t>(std::bit_ceil(static_cast<uint32_t>(n)));
}

bool IsPowerOfTwo(int32_t n) {
    return n > 0 && std::has_single_bit(static_cast<uint32_t>(n));
}

// The piece size for every dimension below 1,024: a whole power of two when that wastes
// at most 64 texels, else equal power-of-two pieces whose remainder is under 64 or is
// itself a power of two.
std::array<int32_t, kTableSize> BuildSubdivisionTable() {
    std::array<int32_t, kTableSize> table{};
    for (int32_t n = 0; n < kTableSize; ++n) {
        const int32_t p = RoundUpToPowerOfTwo(n);
        if (p - n <= 64) {
            table[static_cast<size_t>(n)] = p;
            continue;
        }
        int32_t s = p / 2;
        int32_t r = n % s;
        while (r >= 64 && !IsPowerOfTwo(r)) {
            s /= 2;
            r = n % s;
        }
        table[static_cast<size_t>(n)] = s;
    }
    return table;
}

uint32_t ToA4R4G4B4(uint32_t p) {
    return ((p >> 16) & 0xF000) | ((p >> 12) & 0x0F00) | ((p >> 8) & 0x00F0) | ((p >> 4) & 0x000F);
}

uint32_t ToR5G6B5(uint32_t p) {
    return ((p >> 8) & 0xF800) | ((p >> 5) & 0x07E0) | ((p >> 3) & 0x001F);
}

uint32_t FromA4R4G4B4(uint32_t t) {
    return ((t >> 12) << 28) | (((t >> 8) & 0xF) << 20) | (((t >> 4) & 0xF) << 12) |
           ((t & 0xF) << 4);
}

uint32_t FromR5G6B5(uint32_t t) {
    return 0xFF000000u | (((t >> 11) & 0x1F) << 19) | (((t >> 5) & 0x3F) << 10) | ((t & 0x1F) << 3);
}

platform::PaletteEntry ToPaletteEntry(uint32_t argb) {
    return {static_cast<uint8_t>(argb >> 16), static_cast<uint8_t>(argb >> 8),
            static_cast<uint8_t>(argb), static_cast<uint8_t>(argb >> 24)};
}

uint32_t FromPaletteEntry(const platform::PaletteEntry& e) {
    return (uint32_t{e.flags} << 24) | (uint32_t{e.red} << 16) | (uint32_t{e.green} << 8) |
           uint32_t{e.blue};
}

// One row of texels from ARGB pixels (or a colour table's entries by index).
template <typename Texel, typename Convert>
void WriteRow(Texel* out, const uint32_t* pixels, const uint8_t* indices, const uint32_t* table,
              int32_t count, Convert convert) {
    if (indices != nullptr) {
        for (int32_t i = 0; i < count; ++i) {
            out[i] = static_cast<Texel>(convert(table[indices[i]]));
        }
    } else {
        for (int32_t i = 0; i < count; ++i) {
            out[i] = static_cast<Texel>(convert(pixels[i]));
        }
    }
}

}  // namespace

TextureData::TextureData(D3DInterface* owner) : mOwner(owner) {}

TextureData::~TextureData() {
    ReleaseTextures();
}

void TextureData::ReleaseTextures() {
    mTextures.clear();
    mPalette.reset();
    mTexMemSize = 0;
}

int32_t TextureData::SubdivisionSize(int32_t size) {
    static const std::array<int32_t, kTableSize> table = BuildSubdivisionTable();
    return table[static_cast<size_t>(std::clamp(size, 0, kTableSize - 1))];
}

void TextureData::GetBestTextureDimensions(int32_t& width, int32_t& height, bool isPowerOfTwo,
                                           uint32_t imageFlags) {
    if ((imageFlags & kTexturePieces64) != 0) {
        width = 64;
        height = 64;
        return;
    }
    const int32_t maxWidth = D3DInterface::sMaxTextureWidth;
    const int32_t maxHeight = D3DInterface::sMaxTextureHeight;
    if (!isPowerOfTwo && (imageFlags & kTextureMinSubdivide) == 0) {
        width = width < maxWidth ? SubdivisionSize(width) : maxWidth;
        height = height < maxHeight ? SubdivisionSize(height) : maxHeight;
    } else {
        width = width < maxWidth ? RoundUpToPowerOfTwo(width) : maxWidth;
        height = height < maxHeight ? RoundUpToPowerOfTwo(height) : maxHeight;
    }
    width = std::max(width, D3DInterface::sMinTextureWidth);
    height = std::max(height, D3DInterface::sMinTextureHeight);
    // Both sides are at least 1 here, so the doubling ends.
    const int64_t aspect = std::max(D3DInterface::sMaxTextureAspectRatio, 1);
    if (height < width) {
        while (width > aspect * height) {
            height *= 2;
        }
    } else if (height > width) {
        while (height > aspect * width) {
            width *= 2;
        }
    }
}

void TextureData::CreateTextureDimensions(const MemoryImage& image) {
    const int32_t imageWidth = std::max(image.mWidth, 0);
    const int32_t imageHeight = std::max(image.mHeight, 0);
    const uint32_t flags = image.mTextureFlags;
    int32_t pieceWidth = imageWidth;
    int32_t pieceHeight = imageHeight;
    GetBestTextureDimensions(pieceWidth, pieceHeight, false, flags);

    int32_t rightWidth = imageWidth % pieceWidth;
    int32_t rightHeight = pieceHeight;
    if (rightWidth > 0) {
        GetBestTextureDimensions(rightWidth, rightHeight, true, flags);
    } else {
        rightWidth = pieceWidth;
    }
    int32_t bottomWidth = pieceWidth;
    int32_t bottomHeight = imageHeight % pieceHeight;
    if (bottomHeight > 0) {
        GetBestTextureDimensions(bottomWidth, bottomHeight, true, flags);
    } else {
        bottomHeight = pieceHeight;
    }
    int32_t cornerWidth = rightWidth;
    int32_t cornerHeight = bottomHeight;
    GetBestTextureDimensions(cornerWidth, cornerHeight, true, flags);

    mTexPieceWidth = pieceWidth;
    mTexPieceHeight = pieceHeight;
    mTexVecWidth = (imageWidth + pieceWidth - 1) / pieceWidth;
    mTexVecHeight = (imageHeight + pieceHeight - 1) / pieceHeight;
    mTextures.assign(static_cast<size_t>(mTexVecWidth) * static_cast<size_t>(mTexVecHeight),
                     TexturePiece{nullptr, pieceWidth, pieceHeight});
    for (int32_t row = 0; row < mTexVecHeight; ++row) {
        TexturePiece& piece = mTextures[static_cast<size_t>(row * mTexVecWidth + mTexVecWidth - 1)];
        piece.mWidth = rightWidth;
        piece.mHeight = rightHeight;
    }
    for (int32_t column = 0; column < mTexVecWidth; ++column) {
        TexturePiece& piece =
            mTextures[static_cast<size_t>((mTexVecHeight - 1) * mTexVecWidth + column)];
        piece.mWidth = bottomWidth;
        piece.mHeight = bottomHeight;
    }
    if (!mTextures.empty()) {
        mTextures.back().mWidth = cornerWidth;
        mTextures.back().mHeight = cornerHeight;
    }
    mMaxTotalU = static_cast<float>(imageWidth) / static_cast<float>(pieceWidth);
    mMaxTotalV = static_cast<float>(imageHeight) / static_cast<float>(pieceHeight);
}

std::shared_ptr<platform::Texture3D> TextureData::CreateTexture(D3DInterface& d3d, int32_t width,
                                                                int32_t height,
                                                                int32_t formatCode) {
    platform::Device3D* device = d3d.GetDevice();
    if (device == nullptr) {
        return nullptr;
    }
    if (d3d.CheckDXError(device->SetTexture(0, nullptr), "SetTexture NULL")) {
        return nullptr;
    }
    std::shared_ptr<platform::Texture3D> texture;
    if (platform::Failed(
            device->CreateTexture(width, height, MakePixelFormat(formatCode), texture))) {
        return nullptr;
    }
    return texture;
}

void TextureData::CreateTextures(MemoryImage& image, D3DInterface& d3d) {
    image.DeleteSWBuffers();
    image.CommitBits();
    platform::Device3D* device = d3d.GetDevice();

    int32_t format = kTextureFormatA8R8G8B8;
    const int32_t supported = D3DInterface::sSupportedTextureFormats;
    if (!image.mHasAlpha && !image.mHasTrans && (supported & kTextureFormatR5G6B5) != 0 &&
        (image.mTextureFlags & kTextureNoR5G6B5) == 0) {
        format = kTextureFormatR5G6B5;
    }
    std::shared_ptr<platform::Palette3D> palette;
    if (image.mPalette && image.mPaletteIndices && device != nullptr &&
        (supported & kTextureFormatPalette8) != 0) {
        platform::PaletteEntries entries;
        for (size_t i = 0; i < entries.size(); ++i) {
            entries[i] = ToPaletteEntry(image.mPalette[i]);
        }
        if (platform::Succeeded(device->CreatePalette(entries, palette)) && palette) {
            format = kTextureFormatPalette8;
        } else {
            palette.reset();
            D3DInterface::sSupportedTextureFormats &= ~kTextureFormatPalette8;
        }
    }
    if (format == kTextureFormatA8R8G8B8) {
        if ((image.mTextureFlags & kTexturePreferA4R4G4B4) != 0 &&
            (supported & kTextureFormatA4R4G4B4) != 0) {
            format = kTextureFormatA4R4G4B4;
        } else if ((supported & kTextureFormatA8R8G8B8) == 0) {
            format = kTextureFormatA4R4G4B4;
        }
    }

    const bool create = mWidth != image.mWidth || mHeight != image.mHeight ||
                        mPixelFormat != format || mImageFlags != image.mTextureFlags ||
                        mTextures.empty();
    if (create) {
        ReleaseTextures();
        mPixelFormat = format;
        mImageFlags = image.mTextureFlags;
        CreateTextureDimensions(image);
    }

    // The palette of this upload replaces the one before, on every piece.
    mTexMemSize -= mPalette ? 1024 : 0;
    mPalette = palette;
    mTexMemSize += mPalette ? 1024 : 0;

    const int32_t bytesPerTexel = BytesPerTexel(format);
    for (int32_t row = 0; row < mTexVecHeight; ++row) {
        for (int32_t column = 0; column < mTexVecWidth; ++column) {
            TexturePiece& piece = mTextures[static_cast<size_t>(row * mTexVecWidth + column)];
            if (create || !piece.mTexture) {
                piece.mTexture = CreateTexture(d3d, piece.mWidth, piece.mHeight, format);
                if (!piece.mTexture) {
                    mPixelFormat = kTextureFormatNone;
                    return;
                }
                mTexMemSize += int64_t{piece.mWidth} * piece.mHeight * bytesPerTexel;
            }
            if (mPalette) {
                piece.mTexture->SetPalette(mPalette);
            }
            CopyImageToTexture(d3d, *piece.mTexture, image, column * mTexPieceWidth,
                               row * mTexPieceHeight, piece.mWidth, piece.mHeight, format);
        }
    }
    mWidth = image.mWidth;
    mHeight = image.mHeight;
    mBitsChangedCount = image.mChangeCount;
    mPixelFormat = format;
}

void TextureData::CheckCreateTextures(MemoryImage& image, D3DInterface& d3d) {
    if (mPixelFormat == kTextureFormatNone || mWidth != image.mWidth || mHeight != image.mHeight ||
        mBitsChangedCount != image.mChangeCount || mImageFlags != image.mTextureFlags) {
        CreateTextures(image, d3d);
    }
}

void TextureData::CopyImageToTexture(D3DInterface& d3d, platform::Texture3D& texture,
                                     const MemoryImage& image, int32_t x, int32_t y, int32_t width,
                                     int32_t height, int32_t formatCode) {
    platform::LockedTexture locked;
    if (d3d.CheckDXError(texture.Lock(platform::kLockWait | platform::kLockWriteOnly, locked),
                         "Lock Texture")) {
        return;
    }
    // Never past the texture, whatever size the piece record says.
    width = std::min(width, locked.width);
    height = std::min(height, locked.height);
    const int32_t w = std::min(width, image.mWidth - x);
    const int32_t h = std::min(height, image.mHeight - y);
    const bool extraColumn = w < width;
    const bool extraRow = h < height;
    const uint32_t* bits = image.mBits.get();
    const uint8_t* indices = image.mPaletteIndices.get();
    const uint32_t* table = image.mPalette.get();
    const bool indexed = indices != nullptr && table != nullptr;
    if (w > 0 && h > 0 && (indexed || bits != nullptr)) {
        auto* base = static_cast<uint8_t*>(locked.bits);
        const size_t stride = static_cast<size_t>(image.mWidth);
        for (int32_t row = 0; row < h; ++row) {
            const size_t start = static_cast<size_t>(y + row) * stride + static_cast<size_t>(x);
            const uint32_t* pixels = indexed ? nullptr : bits + start;
            const uint8_t* rowIndices = indexed ? indices + start : nullptr;
            uint8_t* out = base + static_cast<ptrdiff_t>(locked.pitch) * row;
            switch (formatCode) {
                case kTextureFormatA8R8G8B8: {
                    auto* texels = reinterpret_cast<uint32_t*>(out);
                    WriteRow(texels, pixels, rowIndices, table, w, [](uint32_t p) { return p; });
                    if (extraColumn) {
                        texels[w] = texels[w - 1];
                    }
                    break;
                }
                case kTextureFormatA4R4G4B4:
                case kTextureFormatR5G6B5: {
                    auto* texels = reinterpret_cast<uint16_t*>(out);
                    if (formatCode == kTextureFormatA4R4G4B4) {
                        WriteRow(texels, pixels, rowIndices, table, w, ToA4R4G4B4);
                    } else {
                        WriteRow(texels, pixels, rowIndices, table, w, ToR5G6B5);
                    }
                    if (extraColumn) {
                        texels[w] = texels[w - 1];
                    }
                    break;
                }
                case kTextureFormatPalette8: {
                    if (rowIndices != nullptr) {
                        std::memcpy(out, rowIndices, static_cast<size_t>(w));
                        if (extraColumn) {
                            out[w] = out[w - 1];
                        }
                    }
                    break;
                }
                default:
                    break;
            }
        }
        if (extraRow) {
            std::memcpy(base + static_cast<ptrdiff_t>(locked.pitch) * h,
                        base + static_cast<ptrdiff_t>(locked.pitch) * (h - 1),
                        static_cast<size_t>(locked.pitch));
        }
    }
    d3d.CheckDXError(texture.Unlock(), "Texture Unlock");
}

const std::shared_ptr<platform::Texture3D>* TextureData::GetTexture(int32_t x, int32_t y,
                                                                    int32_t& width, int32_t& height,
                                                                    float& u1, float& v1, float& u2,
                                                                    float& v2) const {
    if (x < 0 || y < 0 || mTexPieceWidth <= 0 || mTexPieceHeight <= 0) {
        return nullptr;
    }
    const int32_t column = x / mTexPieceWidth;
    const int32_t row = y / mTexPieceHeight;
    if (column >= mTexVecWidth || row >= mTexVecHeight) {
        return nullptr;
    }
    const TexturePiece& piece = mTextures[static_cast<size_t>(row * mTexVecWidth + column)];
    const int32_t tx = x % mTexPieceWidth;
    const int32_t ty = y % mTexPieceHeight;
    const int32_t right = std::min(tx + width, piece.mWidth);
    const int32_t bottom = std::min(ty + height, piece.mHeight);
    width = right - tx;
    height = bottom - ty;
    const auto textureWidth = static_cast<float>(piece.mWidth);
    const auto textureHeight = static_cast<float>(piece.mHeight);
    u1 = static_cast<float>(tx) / textureWidth;
    v1 = static_cast<float>(ty) / textureHeight;
    u2 = static_cast<float>(right) / textureWidth;
    v2 = static_cast<float>(bottom) / textureHeight;
    return &piece.mTexture;
}

bool TextureData::ReadBack(D3DInterface& d3d, uint32_t* bits) {
    if (mPixelFormat == kTextureFormatNone || bits == nullptr) {
        return false;
    }
    for (const TexturePiece& piece : mTextures) {
        if (!piece.mTexture) {
            return false;
        }
    }
    std::array<uint32_t, 256> palette{};
    if (mPixelFormat == kTextureFormatPalette8) {
        platform::PaletteEntries entries{};
        if (!mPalette || platform::Failed(mPalette->GetEntries(0, 256, entries.data()))) {
            return false;
        }
        for (size_t i = 0; i < entries.size(); ++i) {
            palette[i] = FromPaletteEntry(entries[i]);
        }
    }
    const size_t stride = static_cast<size_t>(mWidth);
    for (int32_t row = 0; row < mTexVecHeight; ++row) {
        for (int32_t column = 0; column < mTexVecWidth; ++column) {
            const TexturePiece& piece = mTextures[static_cast<size_t>(row * mTexVecWidth + column)];
            platform::LockedTexture locked;
            if (d3d.CheckDXError(
                    piece.mTexture->Lock(platform::kLockWait | platform::kLockReadOnly, locked),
                    "Lock Texture")) {
                return false;
            }
            const int32_t x0 = column * mTexPieceWidth;
            const int32_t y0 = row * mTexPieceHeight;
            const int32_t w = std::min({mWidth - x0, piece.mWidth, locked.width});
            const int32_t h = std::min({mHeight - y0, piece.mHeight, locked.height});
            const auto* base = static_cast<const uint8_t*>(locked.bits);
            for (int32_t r = 0; r < h; ++r) {
                const uint8_t* in = base + static_cast<ptrdiff_t>(locked.pitch) * r;
                uint32_t* out =
                    bits + static_cast<size_t>(y0 + r) * stride + static_cast<size_t>(x0);
                for (int32_t c = 0; c < w; ++c) {
                    switch (mPixelFormat) {
                        case kTextureFormatA8R8G8B8:
                            out[c] = reinterpret_cast<const uint32_t*>(in)[c];
                            break;
                        case kTextureFormatA4R4G4B4:
                            out[c] = FromA4R4G4B4(reinterpret_cast<const uint16_t*>(in)[c]);
                            break;
                        case kTextureFormatR5G6B5:
                            out[c] = FromR5G6B5(reinterpret_cast<const uint16_t*>(in)[c]);
                            break;
                        default:
                            out[c] = palette[in[c]];
                            break;
                    }
                }
            }
            d3d.CheckDXError(piece.mTexture->Unlock(), "Texture Unlock");
        }
    }
    return true;
}

TexturePixelFormat TextureData::MakePixelFormat(int32_t formatCode) {
    switch (formatCode) {
        case kTextureFormatA8R8G8B8:
            return TexturePixelFormat::A8R8G8B8();
        case kTextureFormatA4R4G4B4:
            return TexturePixelFormat::A4R4G4B4();
        case kTextureFormatR5G6B5:
            return TexturePixelFormat::R5G6B5();
        case kTextureFormatPalette8:
            return TexturePixelFormat::Palette8();
        default:
            return TexturePixelFormat{};
    }
}

int32_t TextureData::GetTextureFormat(const TexturePixelFormat& format) {
    for (const int32_t code :
         {kTextureFormatA8R8G8B8, kTextureFormatA4R4G4B4, kTextureFormatR5G6B5}) {
        if (format == MakePixelFormat(code)) {
            return code;
        }
    }
    const TexturePixelFormat palette = TexturePixelFormat::Palette8();
    if (format.flags == palette.flags && format.bitCount == palette.bitCount) {
        return kTextureFormatPalette8;
    }
    return kTextureFormatNone;
}

int32_t TextureData::BytesPerTexel(int32_t formatCode) {
    switch (formatCode) {
        case kTextureFormatA8R8G8B8:
            return 4;
        case kTextureFormatA4R4G4B4:
        case kTextureFormatR5G6B5:
            return 2;
        case kTextureFormatPalette8:
            return 1;
        default:
            return 0;
    }
}

std::string TextureData::FormatName(int32_t formatCode) {
    switch (formatCode) {
        case kTextureFormatA8R8G8B8:
            return "A8R8G8B8";
        case kTextureFormatA4R4G4B4:
            return "A4R4G4B4";
        case kTextureFormatR5G6B5:
            return "R5G6B5";
        case kTextureFormatPalette8:
            return "Palette8";
        default:
            return std::string();
    }
}

}  // namespace Vesk
