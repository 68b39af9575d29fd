// The J2K reader over arbitrary bytes.
#include "ImageFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ImageLib::LoadJ2KCodec();
    return FuzzImageDecoder(ImageLib::DecodeJ2K, data, size);
}
