#pragma once

#include <cstdint>
#include <string>

namespace Vesk {

class ByteReader;
class ByteWriter;

// The best time of one level and who set it; one per level in "profiles/game.dat".
class LevelRecord {
public:
    static constexpr int32_t kFree = -1;
    static constexpr uint32_t kNoTime = 0xFFFFFFFF;
    // Longer holder names are taken for damage.
    static constexpr uint32_t kMaxNameLength = 259;

    // Free, no time, held by the string-table text of "NONE".
    LevelRecord();

    // Best time, level, name length and name. False when the record is damaged (cut short or
    // a name past kMaxNameLength): the fields read before a cut keep their values and the
    // holder name is empty; a record with a bad name length is left free.
    [[nodiscard]] bool Load(ByteReader& in);
    void Save(ByteWriter& out) const;

    std::string mHolderName;
    int32_t mLevel = kFree;
    uint32_t mBestTime = kNoTime;
};

}  // namespace Vesk
