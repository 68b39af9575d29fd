#include "game/app/LevelRecord.h"

#include <algorithm>

#include "app/VeskAppBase.h"
#include "util/ByteReader.h"
#include "util/ByteWriter.h"

namespace Vesk {

LevelRecord::LevelRecord() : mHolderName(VeskAppBase::GetString("NONE")) {}

bool LevelRecord::Load(ByteReader& in) {
    mHolderName.clear();
    const uint32_t bestTime = in.U32();
    if (in.Failed()) {
        return false;
    }
    mBestTime = bestTime;
    const int32_t level = in.I32();
    if (in.Failed()) {
        return false;
    }
    mLevel = level;
    const uint32_t length = in.U32();
    if (in.Failed()) {
        return false;
    }
    if (length > kMaxNameLength) {
        in.Fail("a holder name is too long");
        mLevel = kFree;
        mBestTime = kNoTime;
        return false;
    }
    const std::span<const uint8_t> name = in.Take(length);
    if (in.Failed()) {
        return false;
    }
    // The name ends at its first zero byte, as the writer of old files left it.
    const auto end = std::find(name.begin(), name.end(), uint8_t{0});
    mHolderName.assign(name.begin(), end);
    return true;
}

void LevelRecord::Save(ByteWriter& out) const {
    out.WriteU32(mBestTime);
    out.WriteI32(mLevel);
    out.WriteString(mHolderName);
}

}  // namespace Vesk
