// The JPEG 2000 reader of the image library, through the platform's codec.
#include <algorithm>
#include <atomic>
#include <cstring>

#include "platform/J2kCodec.h"
#include "resources/ImageLib.h"

namespace ImageLib {

namespace {

constexpr uint32_t kLeastCodecVersion = 0x120000;

// Set by the application's construction and cleared at its shutdown; read on the loading
// thread too.
std::atomic<bool> gCodecLoaded{false};

// The codec reads the file's bytes through these.
struct MemoryStream {
    std::span<const uint8_t> bytes;
    size_t position = 0;
};

bool SeekBytes(void* user, uint64_t offset) {
    auto* stream = static_cast<MemoryStream*>(user);
    if (offset > stream->bytes.size()) {
        return false;
    }
    stream->position = static_cast<size_t>(offset);
    return true;
}

size_t ReadBytes(void* user, void* buffer, size_t size) {
    auto* stream = static_cast<MemoryStream*>(user);
    const size_t count = std::min(size, stream->bytes.size() - stream->position);
    if (count > 0) {
        std::memcpy(buffer, stream->bytes.data() + stream->position, count);
    }
    stream->position += count;
    return count;
}

void CloseBytes(void* user) {
    (void)user;
}

std::string CodecError() {
    return platform::j2k::GetErrorText(platform::j2k::GetLastError());
}

struct PictureCloser {
    void operator()(platform::j2k::Picture* picture) const { platform::j2k::Close(picture); }
};

}  // namespace

void LoadJ2KCodec() {
    gCodecLoaded = true;
}

void FreeJ2KCodec() {
    gCodecLoaded = false;
}

std::optional<Image> DecodeJ2K(std::span<const uint8_t> bytes, std::string& error,
                               int64_t maxPixels) {
    if (!gCodecLoaded) {
        error = "the JPEG 2000 codec is not loaded";
        return std::nullopt;
    }
    if (platform::j2k::GetVersion() < kLeastCodecVersion) {
        FreeJ2KCodec();
        error = "the JPEG 2000 codec is too old";
        return std::nullopt;
    }
    MemoryStream stream{bytes, 0};
    platform::j2k::StreamRoutines routines;
    routines.seek = SeekBytes;
    routines.read = ReadBytes;
    routines.close = CloseBytes;
    routines.length = bytes.size();
    const std::unique_ptr<platform::j2k::Picture, PictureCloser> picture(
        platform::j2k::OpenCustom(&stream, routines));
    if (picture == nullptr) {
        error = CodecError();
        return std::nullopt;
    }
    int width = 0;
    int height = 0;
    int components = 0;
    if (platform::j2k::GetInfo(picture.get(), &width, &height, &components) != 0 ||
        platform::j2k::GetResolutionDimensions(picture.get(), 0, &width, &height) != 0) {
        error = CodecError();
        return std::nullopt;
    }
    std::optional<Image> image = MakeDecodedImage(width, height, maxPixels, error);
    if (!image.has_value()) {
        return std::nullopt;
    }
    size_t bufferSize = image->mBits.size() * sizeof(uint32_t);
    int pitch = width * 4;
    if (platform::j2k::Decode(picture.get(), image->mBits.data(), &bufferSize, "bpp=4,rl=0",
                              &pitch) != 0) {
        error = CodecError();
        return std::nullopt;
    }
    for (uint32_t& pixel : image->mBits) {
        pixel |= 0xFF000000;
    }
    return image;
}

std::unique_ptr<Image> ReadJ2KImage(const std::string& fileName, std::string* error) {
    return ReadImageFile(fileName, DecodeJ2K, error);
}

}  // namespace ImageLib
