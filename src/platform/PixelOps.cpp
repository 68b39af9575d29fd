#include "platform/PixelOps.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <vector>

namespace platform {

namespace {

template <typename Pixel>
Pixel* RowAt(const PixelView& view, int32_t x, int32_t y) {
    return reinterpret_cast<Pixel*>(view.bits + static_cast<ptrdiff_t>(view.pitch) * y) + x;
}

bool Overlaps(const PixelView& a, const PixelView& b) {
    const uint8_t* aEnd = a.bits + static_cast<ptrdiff_t>(a.pitch) * a.height;
    const uint8_t* bEnd = b.bits + static_cast<ptrdiff_t>(b.pitch) * b.height;
    return a.bits < bEnd && b.bits < aEnd;
}

// The source rectangle moved into a buffer of its own, so that a copy out of it cannot
// read what the copy has already written.
struct DetachedCopy {
    std::vector<uint32_t> words;
    PixelView view;
    SurfaceRect rect;
};

void Detach(const PixelView& source, const SurfaceRect& rect, DetachedCopy& copy) {
    const int32_t rowBytes = rect.Width() * source.bytesPerPixel;
    const int32_t pitch = (rowBytes + 3) & ~3;
    copy.words.assign(static_cast<size_t>(pitch / 4) * static_cast<size_t>(rect.Height()), 0);
    copy.view = {reinterpret_cast<uint8_t*>(copy.words.data()), pitch, rect.Width(), rect.Height(),
                 source.bytesPerPixel};
    copy.rect = {0, 0, rect.Width(), rect.Height()};
    for (int32_t row = 0; row < rect.Height(); ++row) {
        const uint8_t* from = source.bits +
                              static_cast<ptrdiff_t>(source.pitch) * (rect.top + row) +
                              static_cast<ptrdiff_t>(rect.left) * source.bytesPerPixel;
        std::memcpy(copy.view.bits + static_cast<ptrdiff_t>(pitch) * row, from,
                    static_cast<size_t>(rowBytes));
    }
}

template <typename Pixel>
void FillTyped(const PixelView& view, const SurfaceRect& rect, Pixel color) {
    for (int32_t y = rect.top; y < rect.bottom; ++y) {
        std::fill_n(RowAt<Pixel>(view, rect.left, y), rect.Width(), color);
    }
}

template <typename Pixel>
void CopyKeyed(const PixelView& dest, int32_t destX, int32_t destY, const PixelView& source,
               const SurfaceRect& rect, Pixel key, Pixel keyMask) {
    const int32_t width = rect.Width();
    for (int32_t row = 0; row < rect.Height(); ++row) {
        const Pixel* from = RowAt<Pixel>(source, rect.left, rect.top + row);
        Pixel* to = RowAt<Pixel>(dest, destX, destY + row);
        for (int32_t x = 0; x < width; ++x) {
            const Pixel pixel = from[x];
            if (static_cast<Pixel>(pixel & keyMask) != key) {
                to[x] = pixel;
            }
        }
    }
}

template <typename Pixel>
void StretchTyped(const PixelView& dest, const SurfaceRect& visible, const SurfaceRect& destRect,
                  const PixelView& source, const SurfaceRect& sourceRect, std::optional<Pixel> key,
                  Pixel keyMask) {
    const int64_t stepX = (static_cast<int64_t>(sourceRect.Width()) << 16) / destRect.Width();
    const int64_t stepY = (static_cast<int64_t>(sourceRect.Height()) << 16) / destRect.Height();
    // Source columns of the visible part, worked out once for all rows.
    std::vector<int32_t> columns(static_cast<size_t>(visible.Width()));
    for (int32_t x = visible.left; x < visible.right; ++x) {
        columns[static_cast<size_t>(x - visible.left)] =
            sourceRect.left + static_cast<int32_t>(((x - destRect.left) * stepX) >> 16);
    }
    for (int32_t y = visible.top; y < visible.bottom; ++y) {
        const int32_t sourceY =
            sourceRect.top + static_cast<int32_t>(((y - destRect.top) * stepY) >> 16);
        const Pixel* from = RowAt<Pixel>(source, 0, sourceY);
        Pixel* to = RowAt<Pixel>(dest, visible.left, y);
        if (key) {
            for (size_t i = 0; i < columns.size(); ++i) {
                const Pixel pixel = from[columns[i]];
                if (static_cast<Pixel>(pixel & keyMask) != *key) {
                    to[i] = pixel;
                }
            }
        } else {
            for (size_t i = 0; i < columns.size(); ++i) {
                to[i] = from[columns[i]];
            }
        }
    }
}

struct Channel {
    int32_t shift = 0;
    int32_t bits = 0;
};

Channel ChannelOf(uint32_t mask) {
    if (mask == 0) {
        return {};
    }
    const int32_t shift = std::countr_zero(mask);
    return {shift, static_cast<int32_t>(std::bit_width(mask)) - shift};
}

// Widening by replication is a union of shifted copies of the value, so it can be done
// on each byte of a pixel separately and the results or-ed together.
using ByteTables = std::array<std::array<uint32_t, 256>, 4>;

void BuildTables(const PixelFormat& format, ByteTables& tables) {
    const uint32_t masks[3] = {format.redMask, format.greenMask, format.blueMask};
    const int32_t outShifts[3] = {16, 8, 0};
    for (int32_t byte = 0; byte < 4; ++byte) {
        for (uint32_t value = 0; value < 256; ++value) {
            const uint32_t part = value << (8 * byte);
            uint32_t argb = 0;
            for (int32_t c = 0; c < 3; ++c) {
                const Channel channel = ChannelOf(masks[c]);
                if (channel.bits == 0) {
                    continue;
                }
                const uint32_t bitsHere = (part & masks[c]) >> channel.shift;
                argb |= WidenChannel(bitsHere, channel.bits) << outShifts[c];
            }
            tables[static_cast<size_t>(byte)][value] = argb;
        }
    }
}

}  // namespace

bool IsSurfaceFormat(const PixelFormat& format) {
    if (format.bitsPerPixel != 16 && format.bitsPerPixel != 32) {
        return false;
    }
    const uint64_t limit = (uint64_t{1} << format.bitsPerPixel) - 1;
    const uint32_t masks[3] = {format.redMask, format.greenMask, format.blueMask};
    uint32_t seen = 0;
    for (uint32_t mask : masks) {
        if (mask == 0 || mask > limit || (mask & seen) != 0) {
            return false;
        }
        // Contiguous: adding the lowest set bit carries through the whole run.
        const uint32_t lowest = mask & (~mask + 1);
        const uint64_t carried = static_cast<uint64_t>(mask) + lowest;
        if ((carried & mask) != 0) {
            return false;
        }
        seen |= mask;
    }
    return true;
}

uint32_t WidenChannel(uint32_t value, int32_t bits) {
    if (bits <= 0) {
        return 0;
    }
    if (bits >= 8) {
        return (value >> (bits - 8)) & 0xFF;
    }
    uint32_t out = 0;
    for (int32_t filled = 0; filled < 8; filled += bits) {
        const int32_t room = 8 - filled;
        out |= room >= bits ? value << (room - bits) : value >> (bits - room);
    }
    return out & 0xFF;
}

void FillPixels(const PixelView& view, const SurfaceRect& rect, uint32_t color) {
    if (rect.Width() <= 0 || rect.Height() <= 0) {
        return;
    }
    if (view.bytesPerPixel == 2) {
        FillTyped<uint16_t>(view, rect, static_cast<uint16_t>(color));
    } else {
        FillTyped<uint32_t>(view, rect, color);
    }
}

void CopyPixels(const PixelView& dest, int32_t destX, int32_t destY, const PixelView& source,
                const SurfaceRect& sourceRect, std::optional<uint32_t> key, uint32_t keyMask) {
    if (sourceRect.Width() <= 0 || sourceRect.Height() <= 0) {
        return;
    }
    if (!key) {
        // memmove row by row, in the order that reads each row before it is overwritten.
        const size_t rowBytes = static_cast<size_t>(sourceRect.Width()) * source.bytesPerPixel;
        auto copyRow = [&](int32_t row) {
            const uint8_t* from = source.bits +
                                  static_cast<ptrdiff_t>(source.pitch) * (sourceRect.top + row) +
                                  static_cast<ptrdiff_t>(sourceRect.left) * source.bytesPerPixel;
            uint8_t* to = dest.bits + static_cast<ptrdiff_t>(dest.pitch) * (destY + row) +
                          static_cast<ptrdiff_t>(destX) * dest.bytesPerPixel;
            std::memmove(to, from, rowBytes);
        };
        const bool upward = dest.bits == source.bits && destY > sourceRect.top;
        if (upward) {
            for (int32_t row = sourceRect.Height() - 1; row >= 0; --row) {
                copyRow(row);
            }
        } else {
            for (int32_t row = 0; row < sourceRect.Height(); ++row) {
                copyRow(row);
            }
        }
        return;
    }
    DetachedCopy detached;
    const PixelView* from = &source;
    SurfaceRect rect = sourceRect;
    if (Overlaps(dest, source)) {
        Detach(source, sourceRect, detached);
        from = &detached.view;
        rect = detached.rect;
    }
    if (dest.bytesPerPixel == 2) {
        CopyKeyed<uint16_t>(dest, destX, destY, *from, rect, static_cast<uint16_t>(*key & keyMask),
                            static_cast<uint16_t>(keyMask));
    } else {
        CopyKeyed<uint32_t>(dest, destX, destY, *from, rect, *key & keyMask, keyMask);
    }
}

void StretchPixels(const PixelView& dest, const SurfaceRect& visible, const SurfaceRect& destRect,
                   const PixelView& source, const SurfaceRect& sourceRect,
                   std::optional<uint32_t> key, uint32_t keyMask) {
    if (visible.Width() <= 0 || visible.Height() <= 0 || destRect.Width() <= 0 ||
        destRect.Height() <= 0 || sourceRect.Width() <= 0 || sourceRect.Height() <= 0) {
        return;
    }
    DetachedCopy detached;
    const PixelView* from = &source;
    SurfaceRect rect = sourceRect;
    if (Overlaps(dest, source)) {
        Detach(source, sourceRect, detached);
        from = &detached.view;
        rect = detached.rect;
    }
    if (dest.bytesPerPixel == 2) {
        std::optional<uint16_t> key16;
        if (key) {
            key16 = static_cast<uint16_t>(*key & keyMask);
        }
        StretchTyped<uint16_t>(dest, visible, destRect, *from, rect, key16,
                               static_cast<uint16_t>(keyMask));
    } else {
        std::optional<uint32_t> key32;
        if (key) {
            key32 = *key & keyMask;
        }
        StretchTyped<uint32_t>(dest, visible, destRect, *from, rect, key32, keyMask);
    }
}

void ConvertToArgb(const PixelView& view, const PixelFormat& format, const SurfaceRect& rect,
                   uint32_t* out, size_t outStride) {
    const int32_t width = rect.Width();
    if (width <= 0 || rect.Height() <= 0) {
        return;
    }
    if (format == PixelFormat::Xrgb8888()) {
        for (int32_t y = rect.top; y < rect.bottom; ++y) {
            const uint32_t* from = RowAt<uint32_t>(view, rect.left, y);
            uint32_t* to = out + static_cast<size_t>(y - rect.top) * outStride;
            for (int32_t x = 0; x < width; ++x) {
                to[x] = from[x] | 0xFF000000u;
            }
        }
        return;
    }
    ByteTables tables;
    BuildTables(format, tables);
    for (int32_t y = rect.top; y < rect.bottom; ++y) {
        uint32_t* to = out + static_cast<size_t>(y - rect.top) * outStride;
        if (view.bytesPerPixel == 2) {
            const uint16_t* from = RowAt<uint16_t>(view, rect.left, y);
            for (int32_t x = 0; x < width; ++x) {
                const uint32_t p = from[x];
                to[x] = 0xFF000000u | tables[0][p & 0xFF] | tables[1][p >> 8];
            }
        } else {
            const uint32_t* from = RowAt<uint32_t>(view, rect.left, y);
            for (int32_t x = 0; x < width; ++x) {
                const uint32_t p = from[x];
                to[x] = 0xFF000000u | tables[0][p & 0xFF] | tables[1][(p >> 8) & 0xFF] |
                        tables[2][(p >> 16) & 0xFF] | tables[3][p >> 24];
            }
        }
    }
}

}  // namespace platform
