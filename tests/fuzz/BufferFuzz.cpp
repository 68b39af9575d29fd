// The bit buffer over arbitrary bytes: the first byte picks a read pattern.
#include <cstddef>
#include <cstdint>

#include "util/Buffer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    Vesk::Buffer buffer;
    buffer.SetData(data + 1, static_cast<int32_t>(size - 1));
    uint8_t pattern = data[0];
    for (int i = 0; i < 64 && !buffer.ReadFailed(); ++i) {
        switch ((pattern + i) % 7) {
            case 0:
                buffer.ReadNumBits((pattern + i) % 33, (i & 1) != 0);
                break;
            case 1:
                buffer.ReadByte();
                break;
            case 2:
                buffer.ReadBoolean();
                break;
            case 3:
                buffer.ReadShort();
                break;
            case 4:
                buffer.ReadLong();
                break;
            case 5:
                buffer.ReadString();
                break;
            default: {
                uint8_t out[16];
                buffer.ReadBytes(out, (pattern + i) % 17);
                break;
            }
        }
    }
    return 0;
}
