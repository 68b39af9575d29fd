#include "game/core/CObject.h"

#include <cmath>

#include "util/ByteReader.h"
#include "util/ByteWriter.h"

void CObject::Draw(Vesk::Graphics&, Vesk::GameMedia&) {}

int CObject::Update(Vesk::ObjectOwner&) {
    updated = true;
    return 1;
}

int CObject::MouseDown(Vesk::ObjectOwner&, int32_t, int32_t) {
    return 0;
}
int CObject::MouseMove(Vesk::ObjectOwner&, int32_t, int32_t) {
    return 0;
}
int CObject::MouseDrag(Vesk::ObjectOwner&, int32_t, int32_t) {
    return 0;
}
int CObject::MouseUp(Vesk::ObjectOwner&, int32_t, int32_t) {
    return 0;
}
void CObject::MouseLeave(Vesk::ObjectOwner&) {}

int CObject::Save(Vesk::ByteWriter& out) {
    out.WriteI32(x);
    out.WriteI32(y);
    out.WriteBool(takesInput);
    out.WriteF64(xd);
    out.WriteF64(yd);
    out.WriteI32(layer);
    out.WriteBool(updated);
    return 1;
}

int CObject::Load(Vesk::ByteReader& in, Vesk::BoardContext&) {
    x = in.I32();
    y = in.I32();
    takesInput = in.Bool();
    xd = in.F64();
    yd = in.F64();
    layer = in.I32();
    updated = in.Bool();
    // Positions are board pixels; far-off values would overflow the objects' integer steps.
    if (!in.Failed() &&
        (!InBoardRange(x) || !InBoardRange(y) || !InBoardRange(xd) || !InBoardRange(yd))) {
        in.Fail("object position out of range");
    }
    return in.Failed() ? 0 : 1;
}

bool CObject::InBoardRange(double value) {
    return value >= -kMaxCoordinate && value <= kMaxCoordinate;
}

int CObject::AfterLoad(Vesk::ObjectOwner&) {
    return 1;
}

namespace {

int32_t ToInt(double v) {
    if (!(std::fabs(v) < 2e9)) {
        return v < 0 ? -2000000000 : 2000000000;
    }
    return static_cast<int32_t>(v);
}

}  // namespace

void CObject::SyncPosition() {
    x = ToInt(xd);
    y = ToInt(yd);
}

void CObject::WriteTypeId(Vesk::ByteWriter& out, ObjectTypeId id) {
    out.WriteI32(static_cast<int32_t>(id));
}
