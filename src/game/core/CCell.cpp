#include "game/core/CCell.h"

#include "util/ByteReader.h"
#include "util/ByteWriter.h"

void CCell::Init() {
    hole = 0;
    present = 0;
    block = nullptr;
}

void CCell::Save(Vesk::ByteWriter& out) const {
    out.WriteI32(hole);
    out.WriteI32(present);
    out.WriteI32(index);
}

void CCell::Load(Vesk::ByteReader& in) {
    hole = in.I32();
    present = in.I32();
    index = in.I32();
}
