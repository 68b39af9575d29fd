#include "game/core/CAnimation.h"

#include "util/ByteReader.h"
#include "util/ByteWriter.h"

namespace {

void WriteState(Vesk::ByteWriter& out, const CAnimation::PlayState& state) {
    out.WriteI32(state.pending);
    out.WriteI32(state.current);
    out.WriteI32(state.frame);
    out.WriteF64(state.firstFrameDelay);
    out.WriteF64(state.frameStart);
}

}  // namespace

void CAnimation::Save(Vesk::ByteWriter& out) const {
    WriteState(out, GetPlayState());
}

void CAnimation::SaveIdle(Vesk::ByteWriter& out) {
    WriteState(out, PlayState{});
}

CAnimation::PlayState CAnimation::ReadState(Vesk::ByteReader& in) {
    PlayState state;
    state.pending = in.I32();
    state.current = in.I32();
    state.frame = in.I32();
    state.firstFrameDelay = in.F64();
    state.frameStart = in.F64();
    return state;
}

void CAnimation::Load(Vesk::ByteReader& in) {
    PlayState state = ReadState(in);
    if (in.Failed()) {
        return;
    }
    int32_t count = AnimationCount();
    if (state.pending < -1 || state.pending >= count) {
        state.pending = -1;
    }
    if (state.current < -1 || state.current >= count ||
        (state.current >= 0 && (state.frame < 0 || state.frame >= FrameCount(state.current)))) {
        state.current = -1;
        state.frame = 0;
    }
    if (state.current < 0 && state.frame < 0) {
        state.frame = 0;
    }
    SetPlayState(state);
}
