#include "game/app/HighScoreRecord.h"

#include <algorithm>

#include "app/VeskAppBase.h"
#include "util/ByteReader.h"
#include "util/ByteWriter.h"

namespace Vesk {

HighScoreRecord::HighScoreRecord() : mName(VeskAppBase::GetString("UNNAMED")) {}

bool HighScoreRecord::Load(ByteReader& in) {
    const int32_t score = in.I32();
    const uint32_t length = in.U32();
    if (!in.Failed() && length > kMaxNameLength) {
        in.Fail("a high-score name is too long");
    }
    if (!in.Failed() && length > in.Left()) {
        in.Fail("a high-score record is cut short");
    }
    if (in.Failed()) {
        return false;
    }
    const std::span<const uint8_t> name = in.Take(length);
    mScore = score;
    mName.assign(name.begin(), std::find(name.begin(), name.end(), uint8_t{0}));
    return true;
}

void HighScoreRecord::Save(ByteWriter& out) const {
    out.WriteI32(mScore);
    out.WriteString(mName);
}

}  // namespace Vesk
