#pragma once

#include <set>
#include <string>
#include <vector>

#include "platform/FileSystem.h"

namespace Vesk {

// The rule for the player's files in one run: a file that is there but cannot be used is left
// alone (never written again this run), and each damaged or unusable file is told once. Both are
// kept by the file as the file layer finds it, so "ANN.sav" is the same file as "Ann.sav". The
// owner says how a line is logged and how the player is told. Main thread only.
class PlayerFiles {
public:
    virtual ~PlayerFiles() = default;

    // The key of a file: its path with each existing part spelt as on disk.
    static std::string FileKey(const std::string& path);

    // Reads the file whole; one that is there but cannot be read is left alone.
    [[nodiscard]] platform::fs::FileRead Read(const std::string& path);
    // Writes the file whole. False, logged and told, when the write failed or the file is left
    // alone.
    bool Write(const std::string& path, const std::vector<uint8_t>& bytes);
    // The file cannot be used (reason): logged and told once, and never written this run.
    void LeaveAlone(const std::string& path, const std::string& reason);
    bool IsLeftAlone(const std::string& path) const;
    // Copies damaged bytes read from path whole beside it; the copy's path, or empty when none
    // could be made, and the file is then left alone (damage says what was wrong).
    std::string KeepDamagedCopy(const std::string& path, const std::vector<uint8_t>& bytes,
                                const std::string& damage);
    // Shows the player the text (and where the damaged bytes were kept, when they were) the
    // first time for the file this run, after logging logLine when there is one; false when the
    // file was told already.
    bool TellDamaged(const std::string& path, std::string text, const std::string& kept,
                     const std::string& logLine = std::string());

protected:
    virtual void LogError(const std::string& text) = 0;
    // The player's warning box.
    virtual void Warn(const std::string& text) = 0;
    // A write failed: the player hears that progress is not kept.
    virtual void TellCannotSave() = 0;
    // The string table's text, or the default.
    virtual std::string Text(const std::string& id, const std::string& defaultText) = 0;

private:
    std::set<std::string> mLeftAlone;
    std::set<std::string> mTold;
};

}  // namespace Vesk
