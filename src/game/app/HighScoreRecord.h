#pragma once

#include <cstdint>
#include <string>

namespace Vesk {

class ByteReader;
class ByteWriter;

// One finished game in "profiles/highscores.dat".
class HighScoreRecord {
public:
    // Longer names are taken for damage.
    static constexpr uint32_t kMaxNameLength = 255;

    // The string-table text of "UNNAMED", score 0.
    HighScoreRecord();
    HighScoreRecord(std::string name, int32_t score) : mName(std::move(name)), mScore(score) {}

    // Score, name length and name. False, with the reader failed and the record unchanged, for
    // a record cut short or a name length past kMaxNameLength: a part of a record is not one.
    bool Load(ByteReader& in);
    void Save(ByteWriter& out) const;

    std::string mName;
    int32_t mScore = 0;
};

}  // namespace Vesk
