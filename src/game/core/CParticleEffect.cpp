#include "game/core/CParticleEffect.h"

#include "util/ByteReader.h"
#include "util/ByteWriter.h"

namespace {

void WriteState(Vesk::ByteWriter& out, const CParticleEffect::SavedState& state) {
    out.WriteF32(state.clock);
    out.WriteF32(state.x);
    out.WriteF32(state.y);
}

}  // namespace

void CParticleEffect::Save(Vesk::ByteWriter& out) const {
    WriteState(out, GetSavedState());
}

void CParticleEffect::SaveUnplaced(Vesk::ByteWriter& out) {
    WriteState(out, SavedState{});
}

CParticleEffect::SavedState CParticleEffect::ReadState(Vesk::ByteReader& in) {
    SavedState state;
    state.clock = in.F32();
    state.x = in.F32();
    state.y = in.F32();
    return state;
}

void CParticleEffect::Load(Vesk::ByteReader& in) {
    SavedState state = ReadState(in);
    if (!in.Failed()) {
        Restore(state);
    }
}
