#include "platform/J2kCodec.h"

#include <openjpeg.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

namespace platform::j2k {

namespace {

enum Error : int {
    kOk = 0,
    kBadArgument,
    kNotJpeg2000,
    kBadHeader,
    kUnsupported,
    kBufferTooSmall,
    kDecodeFailed,
    kOutOfMemory,
};

thread_local int tLastError = kOk;

int Fail(int code) {
    tLastError = code;
    return code;
}

constexpr uint8_t kJp2Signature[12] = {0x00, 0x00, 0x00, 0x0C, 0x6A, 0x50,
                                       0x20, 0x20, 0x0D, 0x0A, 0x87, 0x0A};
constexpr uint8_t kCodestreamStart[4] = {0xFF, 0x4F, 0xFF, 0x51};
constexpr OPJ_SIZE_T kStreamChunk = 64 * 1024;

}  // namespace

struct Picture {
    void* user = nullptr;
    StreamRoutines routines;
    uint64_t position = 0;
    opj_codec_t* codec = nullptr;
    opj_stream_t* stream = nullptr;
    opj_image_t* image = nullptr;

    ~Picture() {
        if (image != nullptr) {
            opj_image_destroy(image);
        }
        if (stream != nullptr) {
            opj_stream_destroy(stream);
        }
        if (codec != nullptr) {
            opj_destroy_codec(codec);
        }
        if (routines.close != nullptr) {
            routines.close(user);
        }
    }
};

namespace {

OPJ_SIZE_T StreamRead(void* buffer, OPJ_SIZE_T size, void* data) {
    auto* picture = static_cast<Picture*>(data);
    const size_t read = picture->routines.read(picture->user, buffer, size);
    picture->position += read;
    return read == 0 ? static_cast<OPJ_SIZE_T>(-1) : read;
}

OPJ_BOOL StreamSeek(OPJ_OFF_T offset, void* data) {
    auto* picture = static_cast<Picture*>(data);
    if (offset < 0 || static_cast<uint64_t>(offset) > picture->routines.length ||
        !picture->routines.seek(picture->user, static_cast<uint64_t>(offset))) {
        return OPJ_FALSE;
    }
    picture->position = static_cast<uint64_t>(offset);
    return OPJ_TRUE;
}

OPJ_OFF_T StreamSkip(OPJ_OFF_T count, void* data) {
    auto* picture = static_cast<Picture*>(data);
    const uint64_t length = picture->routines.length;
    const uint64_t target =
        count < 0 ? picture->position -
                        std::min<uint64_t>(picture->position, static_cast<uint64_t>(-count))
                  : std::min<uint64_t>(length, picture->position + static_cast<uint64_t>(count));
    const uint64_t from = picture->position;
    if (!StreamSeek(static_cast<OPJ_OFF_T>(target), data)) {
        return -1;
    }
    return static_cast<OPJ_OFF_T>(target) - static_cast<OPJ_OFF_T>(from);
}

// The library's messages go nowhere: the readers report their own errors.
void Quiet(const char* message, void* data) {
    (void)message;
    (void)data;
}

// An 8-bit value of a sample of the given precision and sign: deeper samples are shifted,
// shallower ones stretched through a table.
class SampleScale {
public:
    explicit SampleScale(const opj_image_comp_t& component) {
        const int precision = static_cast<int>(std::clamp<OPJ_UINT32>(component.prec, 1, 31));
        mOffset = component.sgnd != 0 ? int64_t{1} << (precision - 1) : 0;
        mShift = std::max(precision - 8, 0);
        mStretch = precision < 8;
        if (!mStretch) {
            return;  // the table is for shallow samples; 1 << 31 would overflow
        }
        const int top = (1 << precision) - 1;
        for (int value = 0; value < 256; ++value) {
            mTable[static_cast<size_t>(value)] =
                static_cast<uint8_t>(std::min(value, top) * 255 / top);
        }
    }

    uint32_t operator()(OPJ_INT32 sample) const {
        const int64_t value = std::clamp<int64_t>((int64_t{sample} + mOffset) >> mShift, 0, 255);
        return mStretch ? mTable[static_cast<size_t>(value)] : static_cast<uint32_t>(value);
    }

private:
    int64_t mOffset = 0;
    int mShift = 0;
    bool mStretch = false;
    uint8_t mTable[256] = {};
};

// Is the component's sample grid usable for an output of width x height?
bool Usable(const opj_image_comp_t& component) {
    return component.data != nullptr && component.w > 0 && component.h > 0;
}

bool ParseOptions(const char* options, int& bytesPerPixel, int& reduce) {
    bytesPerPixel = 4;
    reduce = 0;
    if (options == nullptr) {
        return true;
    }
    const char* cursor = options;
    while (*cursor != '\0') {
        char key[8] = {};
        int value = 0;
        int used = 0;
        if (std::sscanf(cursor, "%7[a-z]=%d%n", key, &value, &used) != 2 || used <= 0) {
            return false;
        }
        if (std::strcmp(key, "bpp") == 0) {
            bytesPerPixel = value;
        } else if (std::strcmp(key, "rl") == 0) {
            reduce = value;
        } else {
            return false;
        }
        cursor += used;
        if (*cursor == ',') {
            ++cursor;
        } else if (*cursor != '\0') {
            return false;
        }
    }
    return bytesPerPixel == 4 && reduce >= 0 && reduce < 32;
}

}  // namespace

uint32_t GetVersion() {
    return 0x200000;
}

Picture* OpenCustom(void* user, const StreamRoutines& routines) {
    if (routines.seek == nullptr || routines.read == nullptr) {
        Fail(kBadArgument);
        return nullptr;
    }
    std::unique_ptr<Picture> picture(new (std::nothrow) Picture);
    if (picture == nullptr) {
        Fail(kOutOfMemory);
        return nullptr;
    }
    picture->user = user;
    picture->routines = routines;

    uint8_t start[12] = {};
    const size_t got = routines.read(user, start, sizeof(start));
    if (!routines.seek(user, 0)) {
        Fail(kNotJpeg2000);
        return nullptr;
    }
    OPJ_CODEC_FORMAT format = OPJ_CODEC_UNKNOWN;
    if (got >= sizeof(kJp2Signature) && std::memcmp(start, kJp2Signature, 12) == 0) {
        format = OPJ_CODEC_JP2;
    } else if (got >= sizeof(kCodestreamStart) && std::memcmp(start, kCodestreamStart, 4) == 0) {
        format = OPJ_CODEC_J2K;
    } else {
        Fail(kNotJpeg2000);
        return nullptr;
    }

    picture->codec = opj_create_decompress(format);
    picture->stream = opj_stream_create(kStreamChunk, OPJ_TRUE);
    if (picture->codec == nullptr || picture->stream == nullptr) {
        Fail(kOutOfMemory);
        return nullptr;
    }
    opj_set_error_handler(picture->codec, Quiet, nullptr);
    opj_set_warning_handler(picture->codec, Quiet, nullptr);
    opj_set_info_handler(picture->codec, Quiet, nullptr);
    opj_stream_set_user_data(picture->stream, picture.get(), nullptr);
    opj_stream_set_user_data_length(picture->stream, routines.length);
    opj_stream_set_read_function(picture->stream, StreamRead);
    opj_stream_set_seek_function(picture->stream, StreamSeek);
    opj_stream_set_skip_function(picture->stream, StreamSkip);

    opj_dparameters_t parameters;
    opj_set_default_decoder_parameters(&parameters);
    // A cut-short file fails instead of decoding to a partly guessed picture.
    if (!opj_setup_decoder(picture->codec, &parameters) ||
        !opj_decoder_set_strict_mode(picture->codec, OPJ_TRUE) ||
        !opj_read_header(picture->stream, picture->codec, &picture->image) ||
        picture->image == nullptr) {
        Fail(kBadHeader);
        return nullptr;
    }
    const opj_image_t& image = *picture->image;
    if (image.x1 <= image.x0 || image.y1 <= image.y0 || image.numcomps == 0) {
        Fail(kBadHeader);
        return nullptr;
    }
    tLastError = kOk;
    return picture.release();
}

void Close(Picture* picture) {
    delete picture;
}

int GetInfo(Picture* picture, int* width, int* height, int* components) {
    if (picture == nullptr || width == nullptr || height == nullptr || components == nullptr) {
        return Fail(kBadArgument);
    }
    *components = static_cast<int>(picture->image->numcomps);
    return GetResolutionDimensions(picture, 0, width, height);
}

int GetResolutionDimensions(Picture* picture, int resolution, int* width, int* height) {
    if (picture == nullptr || width == nullptr || height == nullptr || resolution < 0 ||
        resolution >= 32) {
        return Fail(kBadArgument);
    }
    const opj_image_t& image = *picture->image;
    const uint64_t scale = uint64_t{1} << resolution;
    const uint64_t w = (uint64_t{image.x1 - image.x0} + scale - 1) / scale;
    const uint64_t h = (uint64_t{image.y1 - image.y0} + scale - 1) / scale;
    if (w > 0x7FFFFFFF || h > 0x7FFFFFFF) {
        return Fail(kUnsupported);
    }
    *width = static_cast<int>(w);
    *height = static_cast<int>(h);
    tLastError = kOk;
    return kOk;
}

int Decode(Picture* picture, void* buffer, size_t* bufferSize, const char* options, int* pitch) {
    int bytesPerPixel = 0;
    int reduce = 0;
    if (picture == nullptr || buffer == nullptr || bufferSize == nullptr || pitch == nullptr ||
        !ParseOptions(options, bytesPerPixel, reduce)) {
        return Fail(kBadArgument);
    }
    int width = 0;
    int height = 0;
    if (const int result = GetResolutionDimensions(picture, reduce, &width, &height);
        result != kOk) {
        return result;
    }
    const size_t rowBytes = static_cast<size_t>(width) * 4;
    if (*pitch < 0 || static_cast<size_t>(*pitch) < rowBytes ||
        *bufferSize < static_cast<size_t>(*pitch) * static_cast<size_t>(height)) {
        return Fail(kBufferTooSmall);
    }
    if ((reduce > 0 &&
         !opj_set_decoded_resolution_factor(picture->codec, static_cast<OPJ_UINT32>(reduce))) ||
        !opj_decode(picture->codec, picture->stream, picture->image) ||
        !opj_end_decompress(picture->codec, picture->stream)) {
        return Fail(kDecodeFailed);
    }

    const opj_image_t& image = *picture->image;
    const size_t colourComponents = image.numcomps >= 3 ? 3 : 1;
    const opj_image_comp_t* components[3] = {};
    std::vector<uint32_t> columns[3];
    for (size_t c = 0; c < 3; ++c) {
        components[c] = &image.comps[c < colourComponents ? c : 0];
        if (!Usable(*components[c])) {
            return Fail(kDecodeFailed);
        }
    }
    // Each component's grid may be coarser than the picture: map output columns and rows to
    // its samples once, not per pixel.
    try {
        for (size_t c = 0; c < 3; ++c) {
            columns[c].resize(static_cast<size_t>(width));
            for (size_t x = 0; x < columns[c].size(); ++x) {
                columns[c][x] = static_cast<uint32_t>(std::min<uint64_t>(
                    x * components[c]->w / static_cast<uint64_t>(width), components[c]->w - 1));
            }
        }
    } catch (const std::bad_alloc&) {
        return Fail(kOutOfMemory);
    }
    const SampleScale scales[3] = {SampleScale(*components[0]), SampleScale(*components[1]),
                                   SampleScale(*components[2])};
    auto* out = static_cast<uint8_t*>(buffer);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(out + static_cast<size_t>(y) * *pitch);
        const OPJ_INT32* samples[3];
        for (size_t c = 0; c < 3; ++c) {
            const uint64_t sampleRow =
                std::min<uint64_t>(uint64_t(y) * components[c]->h / static_cast<uint64_t>(height),
                                   components[c]->h - 1);
            samples[c] = components[c]->data + sampleRow * components[c]->w;
        }
        for (int x = 0; x < width; ++x) {
            const auto column = static_cast<size_t>(x);
            row[x] = scales[0](samples[0][columns[0][column]]) << 16 |
                     scales[1](samples[1][columns[1][column]]) << 8 |
                     scales[2](samples[2][columns[2][column]]);
        }
    }
    *bufferSize = static_cast<size_t>(*pitch) * static_cast<size_t>(height);
    *pitch = static_cast<int>(rowBytes);
    tLastError = kOk;
    return kOk;
}

int GetLastError() {
    return tLastError;
}

const char* GetErrorText(int code) {
    switch (code) {
        case kOk:
            return "no error";
        case kBadArgument:
            return "bad argument";
        case kNotJpeg2000:
            return "not a JPEG 2000 file";
        case kBadHeader:
            return "bad JPEG 2000 header";
        case kUnsupported:
            return "unsupported JPEG 2000 layout";
        case kBufferTooSmall:
            return "buffer too small";
        case kDecodeFailed:
            return "JPEG 2000 data corrupt or cut short";
        case kOutOfMemory:
            return "out of memory";
        default:
            return "unknown error";
    }
}

}  // namespace platform::j2k
