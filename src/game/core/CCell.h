#pragma once

#include <cstdint>

namespace Vesk {
class ByteReader;
class ByteWriter;
}  // namespace Vesk

class CBlock;

// One cell of the field: hole, present and the index of its block in the object list (the block
// pointer is re-linked from the index after loading).
struct CCell {
    int32_t hole = 0;
    int32_t present = 0;
    int32_t index = 0;
    // Not owned: the block lives in the board's object list.
    CBlock* block = nullptr;

    void Init();
    // hole, present, index as three int32.
    void Save(Vesk::ByteWriter& out) const;
    void Load(Vesk::ByteReader& in);
};
