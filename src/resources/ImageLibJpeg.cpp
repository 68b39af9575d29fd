// The JPEG reader and writer of the image library, through libjpeg.
#include <cstddef>
#include <cstdio>
#include <cstring>
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
    if (!Append(*dest->out, dest->chunk, kChunkSize)) {
        ERREXIT(info, JERR_OUT_OF_MEMORY);
    }
    dest->base.next_output_byte = dest->chunk;
    dest->base.free_in_buffer = kChunkSize;
    return TRUE;
}

void TermDestination(j_compress_ptr info) {
    auto* dest = reinterpret_cast<MemoryDestination*>(info->dest);
    if (!Append(*dest->out, dest->chunk, kChunkSize - dest->base.free_in_buffer)) {
        ERREXIT(info, JERR_OUT_OF_MEMORY);
    }
}

// Everything between setjmp and a library error lives in the caller, so the jump skips no
// destructor.
bool Encode(jpeg_compress_struct& info, ErrorManager& errors, MemoryDestination& dest,
            const Image& image, JSAMPLE* row) {
    if (setjmp(errors.jumpBack) != 0) {
        return false;
    }
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
    if (!ok) {
        return false;
    }
    return platform::fs::WriteWholeFileAtomic(fileName, encoded.data(), encoded.size());
}

namespace {

constexpr JOCTET kFakeEndOfImage[2] = {0xFF, JPEG_EOI};
constexpr uint64_t kPlainArithmeticPixels = uint64_t{4096} * 4096;
// Encoders write 10 scans for a colour progression and 6 for grey; every scan walks every
// block of its components again, however little data it has, so many cheap scans would cost
// unbounded time.
constexpr int kMaxScans = 100;

// The reader's error manager: the first fatal message is kept in fixed storage (nothing may
// throw inside the library's frames).
struct ReadErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jumpBack;
    char message[JMSG_LENGTH_MAX] = {};
};

[[noreturn]] void OnJpegReadError(j_common_ptr info) {
    auto* errors = reinterpret_cast<ReadErrorManager*>(info->err);
    info->err->format_message(info, errors->message);
    std::longjmp(errors->jumpBack, 1);
}

// The program's own source: the whole file is one buffer; past its end the library gets a
// warning and a fake end-of-image marker, so a file cut short keeps the rows it holds and the
// library fills the rest.
struct ByteSource {
    jpeg_source_mgr base;
    std::span<const uint8_t> bytes;
};

void InitSource(j_decompress_ptr info) {
    auto* source = reinterpret_cast<ByteSource*>(info->src);
    source->base.next_input_byte = source->bytes.data();
    source->base.bytes_in_buffer = source->bytes.size();
}

boolean FillInputBuffer(j_decompress_ptr info) {
    auto* source = reinterpret_cast<ByteSource*>(info->src);
    if (source->bytes.empty()) {
        ERREXIT(info, JERR_INPUT_EMPTY);
    }
    WARNMS(info, JWRN_JPEG_EOF);
    source->base.next_input_byte = kFakeEndOfImage;
    source->base.bytes_in_buffer = sizeof(kFakeEndOfImage);
    return TRUE;
}

void SkipInputData(j_decompress_ptr info, long count) {
    auto* source = reinterpret_cast<ByteSource*>(info->src);
    if (count <= 0) {
        return;
    }
    while (count > static_cast<long>(source->base.bytes_in_buffer)) {
        count -= static_cast<long>(source->base.bytes_in_buffer);
        FillInputBuffer(info);
    }
    source->base.next_input_byte += count;
    source->base.bytes_in_buffer -= static_cast<size_t>(count);
}

void TermSource(j_decompress_ptr info) {
    (void)info;
}

// Called by the library as it reads; ends a file past kMaxScans scans.
struct ScanLimit {
    jpeg_progress_mgr base;
    bool exceeded = false;
};

void CheckScanCount(j_common_ptr info) {
    auto* limit = reinterpret_cast<ScanLimit*>(info->progress);
    if (info->is_decompressor &&
        reinterpret_cast<j_decompress_ptr>(info)->input_scan_number > kMaxScans) {
        limit->exceeded = true;
        ERREXIT(info, JERR_NOTIMPL);
    }
}

struct JpegDecode {
    ScanLimit scans{};
    int64_t maxPixels = 0;
    std::optional<Image> image;
    std::vector<JSAMPROW> rows;
    std::string error;
};

// Everything with a destructor lives in the caller, so the jump skips none.
bool Decode(jpeg_decompress_struct& info, ReadErrorManager& errors, ByteSource& source,
            JpegDecode& decode) {
    if (setjmp(errors.jumpBack) != 0) {
        return false;
    }
    jpeg_create_decompress(&info);
    info.src = &source.base;
    decode.scans.base.progress_monitor = CheckScanCount;
    info.progress = &decode.scans.base;
    jpeg_read_header(&info, TRUE);
    if (info.num_components != 1 && info.num_components != 3) {
        decode.error = "JPEG files of " + std::to_string(info.num_components) +
                       " components (CMYK) are not supported";
        return false;
    }
    // Every block of every component takes at least one bit of Huffman-coded data in a
    // progressive file (its first DC scan) and two in a sequential one (its DC code and its
    // end-of-block code). Fewer bits than that after the header are refused before the
    // picture's memory (and the library's coefficient buffers) is taken. Arithmetic coding has
    // no such floor: a plain picture of any size takes a few bytes, as its coder spends next to
    // nothing on what it is nearly sure of. Such a file may claim up to kPlainArithmeticPixels
    // whatever its data; a larger picture needs one bit a block, half the Huffman floor, which
    // any picture with something in it has.
    uint64_t blocks = 0;
    for (int c = 0; c < info.num_components; ++c) {
        blocks += uint64_t{info.comp_info[c].width_in_blocks} * info.comp_info[c].height_in_blocks;
    }
    const uint64_t pixels = uint64_t{info.image_width} * info.image_height;
    uint64_t leastBits = blocks * (info.progressive_mode ? 1 : 2);
    if (info.arith_code) {
        leastBits = pixels <= kPlainArithmeticPixels ? 0 : blocks;
    }
    if (leastBits > uint64_t{info.src->bytes_in_buffer} * 8) {
        decode.error = "JPEG data too short for a " + std::to_string(info.image_width) + " x " +
                       std::to_string(info.image_height) + " picture";
        return false;
    }
    decode.image =
        MakeDecodedImage(info.image_width, info.image_height, decode.maxPixels, decode.error);
    if (!decode.image.has_value()) {
        return false;
    }
    // Blue, green, red, alpha 255 in memory is the record's 0xAARRGGBB, grey included.
    info.out_color_space = JCS_EXT_BGRA;
    jpeg_start_decompress(&info);
    if (info.output_width != info.image_width || info.output_height != info.image_height ||
        info.output_components != 4) {
        decode.error = "unexpected JPEG output layout";
        return false;
    }
    const size_t width = info.output_width;
    try {
        decode.rows.resize(info.output_height);
    } catch (const std::bad_alloc&) {
        decode.error = "out of memory";
        return false;
    }
    for (size_t y = 0; y < decode.rows.size(); ++y) {
        decode.rows[y] = reinterpret_cast<JSAMPROW>(decode.image->mBits.data() + y * width);
    }
    while (info.output_scanline < info.output_height) {
        const JDIMENSION read =
            jpeg_read_scanlines(&info, decode.rows.data() + info.output_scanline,
                                info.output_height - info.output_scanline);
        if (read == 0) {
            decode.error = "no more rows";
            return false;
        }
    }
    jpeg_finish_decompress(&info);
    return true;
}

}  // namespace

std::optional<Image> DecodeJPEG(std::span<const uint8_t> bytes, std::string& error,
                                int64_t maxPixels) {
    jpeg_decompress_struct info{};
    ReadErrorManager errors{};
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = OnJpegReadError;
    errors.base.output_message = OnJpegMessage;

    ByteSource source{};
    source.bytes = bytes;
    source.base.init_source = InitSource;
    source.base.fill_input_buffer = FillInputBuffer;
    source.base.skip_input_data = SkipInputData;
    source.base.resync_to_restart = jpeg_resync_to_restart;
    source.base.term_source = TermSource;

    JpegDecode decode;
    decode.maxPixels = maxPixels;
    const bool ok = Decode(info, errors, source, decode);
    jpeg_destroy_decompress(&info);
    if (!ok) {
        if (decode.scans.exceeded) {
            decode.error =
                "JPEG files of more than " + std::to_string(kMaxScans) + " scans are not supported";
        }
        error = !decode.error.empty() ? decode.error : std::string("JPEG: ") + errors.message;
        return std::nullopt;
    }
    return std::move(decode.image);
}

std::unique_ptr<Image> ReadJPEGImage(const std::string& fileName, std::string* error) {
    return ReadImageFile(fileName, DecodeJPEG, error);
}

}  // namespace ImageLib
