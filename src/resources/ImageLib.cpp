// The image record, the choice of reader by extension and the alpha images.
#include "resources/ImageLib.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <new>
#include <stdexcept>
#include <string_view>

#include "resources/PakInterface.h"

namespace ImageLib {

Image::Image(int32_t width, int32_t height) {
    if (width < 0 || height < 0) {
        throw std::invalid_argument("ImageLib::Image: negative size");
    }
    mWidth = width;
    mHeight = height;
    mBits.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
}

Image::~Image() = default;

std::optional<Image> MakeDecodedImage(int64_t width, int64_t height, int64_t maxPixels,
                                      std::string& error) {
    if (width <= 0 || height <= 0) {
        error = "empty picture";
        return std::nullopt;
    }
    if (width > maxPixels || height > maxPixels || width * height > maxPixels) {
        error =
            "picture too large (" + std::to_string(width) + " x " + std::to_string(height) + ")";
        return std::nullopt;
    }
    try {
        return Image(static_cast<int32_t>(width), static_cast<int32_t>(height));
    } catch (const std::bad_alloc&) {
        error = "out of memory for " + std::to_string(width) + " x " + std::to_string(height);
        return std::nullopt;
    }
}

namespace {

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

using Reader = std::unique_ptr<Image> (*)(const std::string&, std::string*);

struct Format {
    const char* extension;
    Reader read;
};

constexpr std::array<Format, 6> kFormats{{{".tga", ReadTGAImage},
                                          {".jpg", ReadJPEGImage},
                                          {".png", ReadPNGImage},
                                          {".gif", ReadGIFImage},
                                          {".j2k", ReadJ2KImage},
                                          {".jp2", ReadJ2KImage}}};

// The position after the last '\' or '/', or 0.
size_t FilePartStart(const std::string& fileName) {
    const size_t separator = fileName.find_last_of("\\/");
    return separator == std::string::npos ? 0 : separator + 1;
}

// The first reason given wins: it names the file the caller most likely meant.
void KeepFirst(std::string* error, const std::string& reason) {
    if (error != nullptr && error->empty() && !reason.empty()) {
        *error = reason;
    }
}

std::unique_ptr<Image> ReadColourImage(const std::string& fileName, std::string* error) {
    const size_t filePart = FilePartStart(fileName);
    const size_t dot = fileName.rfind('.');
    const bool hasExtension = dot != std::string::npos && dot >= filePart;
    const std::string base = hasExtension ? fileName.substr(0, dot) : fileName;
    const std::string extension = hasExtension ? fileName.substr(dot) : std::string();
    for (const Format& format : kFormats) {
        if (!extension.empty() && !EqualsIgnoringCase(extension, format.extension)) {
            continue;
        }
        std::string reason;
        std::unique_ptr<Image> image = format.read(base + format.extension, &reason);
        if (image != nullptr) {
            return image;
        }
        KeepFirst(error, reason);
    }
    return nullptr;
}

}  // namespace

std::unique_ptr<Image> ReadImageFile(const std::string& fileName, Decoder decode,
                                     std::string* error) {
    std::string reason;
    const std::optional<std::vector<uint8_t>> bytes = PakReadWholeFile(fileName, reason);
    if (!bytes.has_value()) {
        KeepFirst(error, reason);
        return nullptr;
    }
    std::optional<Image> image = decode(*bytes, reason, kMaxPixels);
    if (!image.has_value()) {
        KeepFirst(error, "Can't read image " + fileName + ": " + reason);
        return nullptr;
    }
    return std::make_unique<Image>(std::move(*image));
}

std::unique_ptr<Image> GetImage(const std::string& fileName, bool lookForAlpha,
                                std::string* error) {
    std::unique_ptr<Image> image = ReadColourImage(fileName, error);
    if (!lookForAlpha) {
        return image;
    }

    const size_t filePart = FilePartStart(fileName);
    std::unique_ptr<Image> alpha =
        GetImage(fileName.substr(0, filePart) + "_" + fileName.substr(filePart), false, error);
    if (alpha == nullptr) {
        alpha = GetImage(fileName + "_", false, error);
    }
    if (alpha == nullptr) {
        return image;
    }

    if (image == nullptr) {
        const uint32_t colour = gAlphaComposeColor & 0xFFFFFF;
        for (uint32_t& pixel : alpha->mBits) {
            pixel = (pixel << 24) | colour;
        }
        return alpha;
    }
    // An alpha image of another size is ignored.
    if (alpha->mWidth == image->mWidth && alpha->mHeight == image->mHeight) {
        const uint32_t* source = alpha->mBits.data();
        for (uint32_t& pixel : image->mBits) {
            pixel = (pixel & 0x00FFFFFF) | (*source++ << 24);
        }
    }
    return image;
}

}  // namespace ImageLib
