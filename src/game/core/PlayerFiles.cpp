#include "game/core/PlayerFiles.h"

namespace Vesk {

std::string PlayerFiles::FileKey(const std::string& path) {
    return platform::fs::NativePath(path);
}

platform::fs::FileRead PlayerFiles::Read(const std::string& path) {
    platform::fs::FileRead read = platform::fs::ReadFile(path, platform::fs::kPlayerFileLimit);
    if (read.Unreadable()) {
        LeaveAlone(path, read.reason);
    }
    return read;
}

bool PlayerFiles::Write(const std::string& path, const std::vector<uint8_t>& bytes) {
    // Named as it is found, not as the player's name is spelt.
    const std::string file = FileKey(path);
    if (mLeftAlone.contains(file)) {
        LogError("Not writing " + file + ": it could not be used, so it stays as it was.");
        TellCannotSave();
        return false;
    }
    if (platform::fs::WriteWholeFileAtomic(path, bytes.data(), bytes.size())) {
        return true;
    }
    LogError("Cannot write " + file + "; the file stays as it was.");
    TellCannotSave();
    return false;
}

void PlayerFiles::LeaveAlone(const std::string& path, const std::string& reason) {
    // Named as it is found, which is the name the player knows.
    const std::string file = FileKey(path);
    if (!mLeftAlone.insert(file).second) {
        return;
    }
    LogError(file + " cannot be used (" + reason + "); it is left as it is and not written.");
    if (!mTold.insert(file).second) {
        return;
    }
    Warn(Text("PLAYER_FILE_LEFT_ALONE",
              "One of your files cannot be read, so the game leaves it as it is and saves "
              "nothing over it until it starts again:") +
         "\n\n" + file + "\n(" + reason + ")");
}

bool PlayerFiles::IsLeftAlone(const std::string& path) const {
    return mLeftAlone.contains(FileKey(path));
}

std::string PlayerFiles::KeepDamagedCopy(const std::string& path, const std::vector<uint8_t>& bytes,
                                         const std::string& damage) {
    const std::string kept = platform::fs::KeepDamagedCopy(path, bytes);
    if (kept.empty()) {
        LeaveAlone(path, damage + "; it could not be copied aside");
    }
    return kept;
}

bool PlayerFiles::TellDamaged(const std::string& path, std::string text, const std::string& kept,
                              const std::string& logLine) {
    if (!mTold.insert(FileKey(path)).second) {
        return false;
    }
    // Before the box, which waits for the player.
    if (!logLine.empty()) {
        LogError(logLine);
    }
    if (!kept.empty()) {
        text +=
            "\n\n" + Text("DAMAGED_FILE_KEPT_AS", "The damaged file was kept as:") + "\n" + kept;
    }
    Warn(text);
    return true;
}

}  // namespace Vesk
