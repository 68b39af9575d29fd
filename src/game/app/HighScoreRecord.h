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

    // Score, name length and name. A record cut short by the end of the bytes keeps the fields
    // read so far (and fails the reader). False, with the reader failed, for fewer bytes than a
    // score or a name length past kMaxNameLength: there is no record to keep.
    bool Load(ByteReader& in);
    void Save(ByteWriter& out) const;

    std::string mName;
    int32_t mScore = 0;
};

}  // namespace Vesk
