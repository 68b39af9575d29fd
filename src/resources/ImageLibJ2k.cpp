// The JPEG 2000 reader of the image library, through the platform's codec.
#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>

#include "platform/J2kCodec.h"
#include "resources/ImageLib.h"
#include "util/ByteReader.h"

namespace ImageLib {

namespace {

constexpr uint32_t kLeastCodecVersion = 0x120000;

// Every tile needs a tile-part header (12 bytes) and its data marker (2 bytes).
constexpr uint64_t kLeastTileBytes = 14;
// A flat picture takes next to no data, so the format bounds nothing; any file may claim a
// picture of this many samples, and a larger one must bring a byte per kPixelsPerByte.
constexpr uint64_t kFreeSamples = uint64_t{1} << 22;
constexpr uint64_t kPixelsPerByte = 1024;

constexpr uint8_t kJp2Signature[12] = {0x00, 0x00, 0x00, 0x0C, 0x6A, 0x50,
                                       0x20, 0x20, 0x0D, 0x0A, 0x87, 0x0A};
constexpr uint8_t kCodestreamStart[4] = {0xFF, 0x4F, 0xFF, 0x51};

uint16_t U16BigEndian(Vesk::ByteReader& reader) {
    const uint16_t high = reader.U8();
    return static_cast<uint16_t>(high << 8 | reader.U8());
}

// The codestream inside a JP2 file's boxes: the content of its "jp2c" box, or empty.
std::span<const uint8_t> FindCodestream(std::span<const uint8_t> bytes) {
    Vesk::ByteReader reader(bytes);
    while (!reader.AtEnd() && !reader.Failed()) {
        const size_t start = reader.Position();
        uint64_t length = reader.U32BigEndian();
        const bool codestream = reader.Tag("jp2c");
        if (length == 1) {
            length = uint64_t{reader.U32BigEndian()} << 32;
            length |= reader.U32BigEndian();
        } else if (length == 0) {
            length = bytes.size() - start;
        }
        const size_t header = reader.Position() - start;
        if (reader.Failed() || length < header || length > bytes.size() - start) {
            break;
        }
        if (codestream) {
            return bytes.subspan(reader.Position(), static_cast<size_t>(length) - header);
        }
        reader.Seek(start + static_cast<size_t>(length));
    }
    return {};
}

// A picture the codestream can't hold is refused before the codec reads its header, which
// takes memory for every tile and component, or decodes it. Empty when the picture may be
// decoded.
std::string CheckPictureSize(std::span<const uint8_t> bytes) {
    std::span<const uint8_t> stream = bytes;
    if (bytes.size() >= sizeof(kJp2Signature) &&
        std::memcmp(bytes.data(), kJp2Signature, sizeof(kJp2Signature)) == 0) {
        stream = FindCodestream(bytes);
    } else if (bytes.size() < sizeof(kCodestreamStart) ||
               std::memcmp(bytes.data(), kCodestreamStart, sizeof(kCodestreamStart)) != 0) {
        // Neither form: the codec says so.
        return {};
    }
    if (stream.size() < sizeof(kCodestreamStart) ||
        std::memcmp(stream.data(), kCodestreamStart, sizeof(kCodestreamStart)) != 0) {
        return "bad JPEG 2000 header";
    }
    Vesk::ByteReader reader(stream);
    reader.Skip(6);  // start of codestream, size marker and its length
    reader.Skip(2);  // capabilities
    const uint64_t right = reader.U32BigEndian();
    const uint64_t bottom = reader.U32BigEndian();
    const uint64_t left = reader.U32BigEndian();
    const uint64_t top = reader.U32BigEndian();
    const uint64_t tileWidth = reader.U32BigEndian();
    const uint64_t tileHeight = reader.U32BigEndian();
    const uint64_t tileLeft = reader.U32BigEndian();
    const uint64_t tileTop = reader.U32BigEndian();
    const uint16_t components = U16BigEndian(reader);
    if (reader.Failed() || right <= left || bottom <= top || right <= tileLeft ||
        bottom <= tileTop || tileWidth == 0 || tileHeight == 0 || components == 0) {
        return "bad JPEG 2000 header";
    }
    const uint64_t width = right - left;
    const uint64_t height = bottom - top;
    const std::string tooShort = "JPEG 2000 data too short for a " + std::to_string(width) + " x " +
                                 std::to_string(height) + " picture";
    // Sides below 2^32: no product of two overflows.
    const uint64_t tiles = ((right - tileLeft + tileWidth - 1) / tileWidth) *
                           ((bottom - tileTop + tileHeight - 1) / tileHeight);
    const uint64_t budget = std::max(kFreeSamples, stream.size() * kPixelsPerByte);
    // Each tile of each component holds at least one packet of at least one byte.
    if (tiles > stream.size() / kLeastTileBytes || tiles > stream.size() / components ||
        width * height > budget) {
        return tooShort;
    }
    uint64_t samples = 0;
    for (uint16_t c = 0; c < components; ++c) {
        reader.U8();  // depth
        const uint64_t stepX = reader.U8();
        const uint64_t stepY = reader.U8();
        if (reader.Failed() || stepX == 0 || stepY == 0) {
            return "bad JPEG 2000 header";
        }
        const uint64_t count = ((right + stepX - 1) / stepX - (left + stepX - 1) / stepX) *
                               ((bottom + stepY - 1) / stepY - (top + stepY - 1) / stepY);
        if (count > budget - samples) {
            return tooShort;
        }
        samples += count;
    }
    return {};
}

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
    error = CheckPictureSize(bytes);
    if (!error.empty()) {
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
