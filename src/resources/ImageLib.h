#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace ImageLib {

// A decoded picture as the image readers give it and the writers take it:
// width x height pixels of 0xAARRGGBB, rows from the top with no gap.
class Image {
public:
    int32_t mWidth = 0;
    int32_t mHeight = 0;
    std::vector<uint32_t> mBits;

    Image() = default;
    // Transparent black pixels; a negative size throws std::invalid_argument.
    Image(int32_t width, int32_t height);
    Image(const Image&) = default;
    Image(Image&&) noexcept = default;
    Image& operator=(const Image&) = default;
    Image& operator=(Image&&) noexcept = default;
    virtual ~Image();

    int32_t GetWidth() const { return mWidth; }
    int32_t GetHeight() const { return mHeight; }
    uint32_t* GetBits() { return mBits.data(); }
    const uint32_t* GetBits() const { return mBits.data(); }
};

// The most pixels a reader accepts (16384 x 16384); larger pictures are refused before any
// pixel memory is taken.
inline constexpr int64_t kMaxPixels = int64_t{16384} * 16384;

// The colour (0xRRGGBB) given to a picture that exists only as an alpha image. Per thread, so
// the loading thread's resource colour never tints an image the main thread loads meanwhile.
inline thread_local uint32_t gAlphaComposeColor = 0xFFFFFF;

// Reads the picture named by fileName through the file layer, so archive entries are found
// before disk files. The extension picks the reader (".tga", ".jpg", ".png", ".gif", ".j2k",
// ".jp2", any case); a name without one tries each in that order. With lookForAlpha a grey
// alpha image "_" + file part (else name + "_") supplies the alpha from its blue byte. Null
// when nothing could be read; error (when given) then holds why a file that exists was
// refused, and stays empty when no file was found.
[[nodiscard]] std::unique_ptr<Image> GetImage(const std::string& fileName, bool lookForAlpha = true,
                                              std::string* error = nullptr);

// The readers behind GetImage, one format each. Null on a missing or refused file; error as
// for GetImage.
[[nodiscard]] std::unique_ptr<Image> ReadTGAImage(const std::string& fileName,
                                                  std::string* error = nullptr);
[[nodiscard]] std::unique_ptr<Image> ReadJPEGImage(const std::string& fileName,
                                                   std::string* error = nullptr);
[[nodiscard]] std::unique_ptr<Image> ReadPNGImage(const std::string& fileName,
                                                  std::string* error = nullptr);
[[nodiscard]] std::unique_ptr<Image> ReadGIFImage(const std::string& fileName,
                                                  std::string* error = nullptr);
[[nodiscard]] std::unique_ptr<Image> ReadJ2KImage(const std::string& fileName,
                                                  std::string* error = nullptr);

// The decoders over a file's bytes. None, with the reason in error, for a short, corrupt or
// unsupported file, one of more than maxPixels pixels, or one whose data is too short for the
// size it claims (refused before the picture's memory is taken). A JPEG cut short keeps the rows
// it holds and the library fills the rest; the others never give a partly filled picture.
// Safe from any thread.
[[nodiscard]] std::optional<Image> DecodeTGA(std::span<const uint8_t> bytes, std::string& error,
                                             int64_t maxPixels = kMaxPixels);
[[nodiscard]] std::optional<Image> DecodeJPEG(std::span<const uint8_t> bytes, std::string& error,
                                              int64_t maxPixels = kMaxPixels);
[[nodiscard]] std::optional<Image> DecodePNG(std::span<const uint8_t> bytes, std::string& error,
                                             int64_t maxPixels = kMaxPixels);
[[nodiscard]] std::optional<Image> DecodeGIF(std::span<const uint8_t> bytes, std::string& error,
                                             int64_t maxPixels = kMaxPixels);
// Tells the raw codestream from the JP2 box form by the first bytes. Also refused while the
// codec is not loaded.
[[nodiscard]] std::optional<Image> DecodeJ2K(std::span<const uint8_t> bytes, std::string& error,
                                             int64_t maxPixels = kMaxPixels);

// The JPEG 2000 codec: loaded when the application is made, freed at its shutdown.
void LoadJ2KCodec();
void FreeJ2KCodec();

// Writes the image as an 8-bit RGBA PNG. False when the image is empty or
// inconsistent or the file can't be written; an existing file is then left
// as it was.
bool WritePNGImage(const std::string& fileName, const Image& image);

// Writes the image as a baseline RGB JPEG of quality 80; alpha is dropped. False when the image
// is empty or inconsistent or the file can't be written; an existing file is then left as it
// was.
bool WriteJPEGImage(const std::string& fileName, const Image& image);

// How a reader decodes a file's bytes.
using Decoder = std::optional<Image> (*)(std::span<const uint8_t> bytes, std::string& error,
                                         int64_t maxPixels);
// The thin loader behind every reader: the file's bytes through the file layer, then decode.
[[nodiscard]] std::unique_ptr<Image> ReadImageFile(const std::string& fileName, Decoder decode,
                                                   std::string* error);

// A picture of width x height transparent black pixels, or none with a reason in error when
// the size is not positive, above maxPixels or past memory. For the decoders.
std::optional<Image> MakeDecodedImage(int64_t width, int64_t height, int64_t maxPixels,
                                      std::string& error);

}  // namespace ImageLib
