// The JPEG writer of the image library, through libjpeg.
#include <cstddef>
#include <cstdio>
#include <memory>
#include <new>
#include <vector>

// jpeglib.h needs FILE and size_t declared before it.
#include <jpeglib.h>
// After jpeglib.h, which it builds on.
#include <jerror.h>

#include <csetjmp>

#include "platform/FileSystem.h"
#include "resources/ImageLib.h"

namespace ImageLib {

namespace {

constexpr int kJpegQuality = 80;
constexpr size_t kChunkSize = 16384;

// libjpeg's error manager with a way back out of the library on an error; nothing is printed.
struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jumpBack;
};

[[noreturn]] void OnJpegError(j_common_ptr info) {
    std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jumpBack, 1);
}

void OnJpegMessage(j_common_ptr info) {
    (void)info;
}

// Collects the encoded bytes in memory: the library fills a fixed chunk, which is then
// appended to the output.
struct MemoryDestination {
    jpeg_destination_mgr base;
    std::vector<uint8_t>* out;
    JOCTET chunk[kChunkSize];
};

bool Append(std::vector<uint8_t>& out, const JOCTET* data, size_t size) {
    try {
        out.insert(out.end(), data, data + size);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

void InitDestination(j_compress_ptr info) {
    auto* dest = reinterpret_cast<MemoryDestination*>(info->dest);
    dest->base.next_output_byte = dest->chunk;
    dest->base.free_in_buffer = kChunkSize;
}

boolean EmptyOutputBuffer(j_compress_ptr info) {
    auto* dest = reinterpret_cast<MemoryDestination*>(info->dest);
    // Exceptions must not cross the library's C frames: a failure leaves through its error path.
    if (!Append(*dest->out, dest->chunk, kChunkSize))
        ERREXIT(info, JERR_OUT_OF_MEMORY);
    dest->base.next_output_byte = dest->chunk;
    dest->base.free_in_buffer = kChunkSize;
    return TRUE;
}

void TermDestination(j_compress_ptr info) {
    auto* dest = reinterpret_cast<MemoryDestination*>(info->dest);
    if (!Append(*dest->out, dest->chunk, kChunkSize - dest->base.free_in_buffer))
        ERREXIT(info, JERR_OUT_OF_MEMORY);
}

// Everything between setjmp and a library error lives in the caller, so the jump skips no
// destructor.
bool Encode(jpeg_compress_struct& info, ErrorManager& errors, MemoryDestination& dest,
            const Image& image, JSAMPLE* row) {
    if (setjmp(errors.jumpBack) != 0)
        return false;
    jpeg_create_compress(&info);
    info.dest = &dest.base;
    info.image_width = static_cast<JDIMENSION>(image.mWidth);
    info.image_height = static_cast<JDIMENSION>(image.mHeight);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, kJpegQuality, TRUE);
    jpeg_start_compress(&info, TRUE);

    const uint32_t* pixel = image.mBits.data();
    while (info.next_scanline < info.image_height) {
        JSAMPLE* out = row;
        for (int32_t x = 0; x < image.mWidth; ++x) {
            const uint32_t argb = *pixel++;
            out[0] = static_cast<JSAMPLE>(argb >> 16);
            out[1] = static_cast<JSAMPLE>(argb >> 8);
            out[2] = static_cast<JSAMPLE>(argb);
            out += 3;
        }
        JSAMPROW rows[1] = {row};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    return true;
}

}  // namespace

bool WriteJPEGImage(const std::string& fileName, const Image& image) {
    // JPEG sides are at most 65500 pixels.
    constexpr int32_t kMaxSide = 65500;
    if (image.mWidth <= 0 || image.mHeight <= 0 || image.mWidth > kMaxSide ||
        image.mHeight > kMaxSide ||
        image.mBits.size() !=
            static_cast<size_t>(image.mWidth) * static_cast<size_t>(image.mHeight)) {
        return false;
    }

    // The file is encoded in memory first and then replaces the target in one step, so a
    // failure never leaves half a picture behind.
    std::vector<uint8_t> encoded;
    std::vector<JSAMPLE> row(static_cast<size_t>(image.mWidth) * 3);
    auto dest = std::make_unique<MemoryDestination>();
    dest->base.init_destination = InitDestination;
    dest->base.empty_output_buffer = EmptyOutputBuffer;
    dest->base.term_destination = TermDestination;
    dest->out = &encoded;

    jpeg_compress_struct info{};
    ErrorManager errors{};
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = OnJpegError;
    errors.base.output_message = OnJpegMessage;

    const bool ok = Encode(info, errors, *dest, image, row.data());
    jpeg_destroy_compress(&info);
    if (!ok)
        return false;
    return platform::fs::WriteWholeFileAtomic(fileName, encoded.data(), encoded.size());
}

}  // namespace ImageLib
