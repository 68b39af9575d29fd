#include "game/app/HighScoreRecord.h"

#include <algorithm>

#include "app/VeskAppBase.h"
#include "util/ByteReader.h"
#include "util/ByteWriter.h"

namespace Vesk {

HighScoreRecord::HighScoreRecord() : mName(VeskAppBase::GetString("UNNAMED")) {}

bool HighScoreRecord::Load(ByteReader& in) {
    // Fewer bytes than a score are stray ones, not a record.
    const int32_t score = in.I32();
    if (in.Failed()) {
        return false;
    }
    mScore = score;
    const uint32_t length = in.U32();
    if (in.Failed()) {
        return true;
    }
    if (length > kMaxNameLength) {
        in.Fail("a high-score name is too long");
        return false;
    }
    // A name cut short by the end of the file keeps what is there.
    const std::span<const uint8_t> name = in.Take(std::min<size_t>(length, in.Left()));
    const auto end = std::find(name.begin(), name.end(), uint8_t{0});
    mName.assign(name.begin(), end);
    if (name.size() < length) {
        in.Fail("a high-score record is cut short");
    }
    return true;
}

void HighScoreRecord::Save(ByteWriter& out) const {
    out.WriteI32(mScore);
    out.WriteString(mName);
}

}  // namespace Vesk
