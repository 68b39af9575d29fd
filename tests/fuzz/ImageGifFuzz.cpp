// The GIF reader over arbitrary bytes.
#include "ImageFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return FuzzImageDecoder(ImageLib::DecodeGIF, data, size);
}
