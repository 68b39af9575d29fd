#include <climits>

#include "game/core/Board.h"
#include "game/core/CBlock.h"
#include "game/core/CBonusIconBubble.h"
#include "game/core/CBonusIconBuxpb.h"
#include "game/core/CBonusIconSlomo.h"
#include "game/core/CBubble.h"
#include "game/core/CEvilForce.h"
#include "game/core/CGoodForce.h"
#include "game/core/CImageObject.h"
#include "game/core/CInterfaceObject.h"
#include "game/core/CTable.h"
#include "game/core/ObjectFactory.h"
#include "game/core/PlayerFiles.h"
#include "game/core/zmButton.h"
#include "platform/FileSystem.h"
#include "resources/LevelDesc.h"
#include "util/ByteReader.h"
#include "util/ByteWriter.h"

namespace Vesk {

namespace {

constexpr int32_t kMaxLevel = 100000;

// The board's numbers after the first five header fields, committed only when all are sound.
struct HeaderRest {
    int32_t colourCount = 0;
    int32_t lives = 0;
    int32_t slowMotionMs = 0;
    BoardCounters counters;
    int32_t slowMotionActive = 0;
    int32_t objectCount = 0;
};

}  // namespace

std::optional<std::string> Board::SavedGamePath(const std::string& folder,
                                                const std::string& name) {
    if (name.empty() || name == "." || name == "..") {
        return std::nullopt;
    }
    for (char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '/' || c == '\\' || c == ':' || byte < 0x20 || byte == 0x7F) {
            return std::nullopt;
        }
    }
    return folder + "/" + name + ".sav";
}

std::optional<std::string> Board::SavePath() {
    const std::string name = mHost.GetPlayerName();
    std::optional<std::string> path = SavedGamePath(mHost.GetProfilesFolder(), name);
    if (!path) {
        mHost.LogError("The player name \"" + name + "\" cannot name a saved game.");
    }
    return path;
}

void Board::ClearSavedGame() {
    if (std::optional<std::string> path = SavePath()) {
        if (platform::fs::Exists(*path)) {
            static_cast<void>(mHost.Files().Write(*path, {}));
        }
    }
}

void Board::WriteHeader(ByteWriter& out, int32_t objectCount) {
    out.WriteI32(level);
    out.WriteBool(helpShown);
    out.WriteI32(bestLevel);
    out.WriteU8(headerByte);
    out.WriteBool(rebuildOnLoad);
    out.WriteI32(static_cast<int32_t>(bonusMode));
    out.WriteI32(colourCount);
    out.WriteI32(lives);
    out.WriteI32(slowMotionMs);
    out.WriteI32(counters.whirlwindProgress);
    out.WriteI32(counters.whirlwindCharges);
    out.WriteI32(counters.bubbleCharges);
    out.WriteI32(counters.slowMotionCharges);
    out.WriteI32(counters.totalScore);
    out.WriteI32(counters.levelScore);
    out.WriteI32(counters.lifeCounter);
    for (uint16_t count : counters.matchCounts) {
        out.WriteU16(count);
    }
    out.WriteI32(counters.slowMotionCounter);
    out.WriteI32(slowMotionActive);
    out.WriteI32(objectCount);
}

std::vector<uint8_t> Board::SaveGameBytes() {
    ByteWriter out;
    const int32_t count = mObjects.GetCount();
    WriteHeader(out, count);
    if (helpShown) {
        out.WriteU32(mHelp != nullptr ? mHelp->SaveTopics() : 0);
    }
    for (int32_t i = 0; i < count; ++i) {
        mObjects.GetAt(i)->Save(out);
    }
    return out.Bytes();
}

bool Board::SaveGame() {
    if (!skipSetup) {
        return false;
    }
    CancelTargeting(true);
    TakeChargesFromIcons();
    std::optional<std::string> path = SavePath();
    if (!path) {
        return false;
    }
    const std::vector<uint8_t> bytes = SaveGameBytes();
    platform::fs::MakeDirectories(mHost.GetProfilesFolder());
    return mHost.Files().Write(*path, bytes);
}

int Board::LoadGame(bool headerOnly) {
    std::optional<std::string> path = SavePath();
    if (!path) {
        return 0;
    }
    const platform::fs::FileRead read = mHost.Files().Read(*path);
    // Under 4 bytes counts as no saved game.
    if (!read.Read() || read.bytes.size() < 4) {
        return 0;
    }
    loadDamaged = false;
    const int loaded = LoadGameBytes(read.bytes, headerOnly);
    if (loadDamaged) {
        KeepDamagedSave(*path, read.bytes);
    }
    return loaded;
}

void Board::LogLoadFailure(const std::string& why) {
    loadDamaged = true;
    mHost.LogError("The saved game is damaged (" + why + "); the level starts afresh.");
}

void Board::KeepDamagedSave(const std::string& path, const std::vector<uint8_t>& bytes) {
    const std::string kept = mHost.Files().KeepDamagedCopy(path, bytes, "it is damaged");
    if (kept.empty()) {
        return;
    }
    mHost.LogError("The damaged saved game is kept as \"" + kept + "\".");
    // An empty save takes its place at once: the player stays listed even when the game is
    // killed before the fresh level is saved.
    static_cast<void>(mHost.Files().Write(path, {}));
    mHost.TellSavedGameDamaged(path, kept);
}

bool Board::ReadHeader(ByteReader& in, bool headerOnly, int32_t& objectCount) {
    const int32_t savedLevel = in.I32In(1, kMaxLevel, "level");
    const bool savedHelp = in.U8() != 0;
    const int32_t savedBest = in.I32In(1, kMaxLevel, "best level");
    const uint8_t savedHeaderByte = in.U8();
    const bool savedRebuild = in.U8() != 0;
    if (in.Failed()) {
        return false;
    }
    level = savedLevel;
    helpShown = savedHelp;
    bestLevel = savedBest;
    headerByte = savedHeaderByte;
    rebuildOnLoad = savedRebuild;
    if (headerOnly) {
        return true;
    }
    HeaderRest rest;
    in.I32In(0, 2, "bonus mode");
    rest.colourCount = in.I32In(0, CTable::kMaxColours, "colour count");
    rest.lives = in.I32In(0, INT32_MAX, "lives");
    rest.slowMotionMs = in.I32In(0, 3600000, "slow-motion time");
    BoardCounters& c = rest.counters;
    c.whirlwindProgress = in.I32In(0, INT32_MAX, "whirlwind progress");
    c.whirlwindCharges = in.I32In(0, INT32_MAX, "whirlwind charges");
    c.bubbleCharges = in.I32In(0, INT32_MAX, "bubble charges");
    c.slowMotionCharges = in.I32In(0, INT32_MAX, "slow-motion charges");
    c.totalScore = in.I32();
    c.levelScore = in.I32();
    c.lifeCounter = in.I32In(0, kPointsPerLife - 1, "life counter");
    for (uint16_t& count : c.matchCounts) {
        count = in.U16();
    }
    c.slowMotionCounter = in.I32In(0, kPointsPerSlowMotion - 1, "slow-motion counter");
    rest.slowMotionActive = in.I32In(0, 2, "slow-motion flag");
    rest.objectCount = in.I32In(0, kMaxSavedObjects, "object count");
    if (!in.Failed() && static_cast<size_t>(rest.objectCount) * 4 > in.Left()) {
        in.Fail("more objects than bytes");
    }
    if (in.Failed()) {
        return false;
    }
    bonusMode = BonusMode::kNone;
    colourCount = rest.colourCount;
    lives = rest.lives;
    slowMotionMs = rest.slowMotionMs;
    counters = rest.counters;
    slowMotionActive = rest.slowMotionActive;
    objectCount = rest.objectCount;
    return true;
}

bool Board::MakeObject(int32_t typeId, ByteReader& in) {
    std::unique_ptr<CObject> object = MakeBoardObject(typeId);
    if (object == nullptr) {
        in.Fail("unknown object type " + std::to_string(typeId));
        return false;
    }
    if (object->Load(in, *this) == 0 || in.Failed()) {
        if (!in.Failed()) {
            in.Fail("bad object record");
        }
        return false;
    }
    mObjects.AddLast(object.release());
    return true;
}

bool Board::FindLoadedObjects() {
    int32_t tables = 0;
    for (int32_t i = 0, count = mObjects.GetCount(); i < count; ++i) {
        CObject* object = mObjects.GetAt(i);
        if (auto* table = dynamic_cast<CTable*>(object)) {
            mTable = table;
            ++tables;
        } else if (auto* image = dynamic_cast<CImageObject*>(object)) {
            mBackground = image;
        } else if (auto* panel = dynamic_cast<CInterfaceObject*>(object)) {
            mPanel = panel;
        } else if (auto* evil = dynamic_cast<CEvilForce*>(object)) {
            mEvilForce = evil;
        } else if (auto* good = dynamic_cast<CGoodForce*>(object)) {
            mGoodForce = good;
        } else if (auto* button = dynamic_cast<zmButton*>(object)) {
            mMenuButton = button;
        } else if (auto* bubble = dynamic_cast<CBubble*>(object)) {
            mBubble = bubble;
        }
    }
    if (mClock == nullptr || tables > 1) {
        return false;
    }
    if (level <= mHost.GetLevelCount() &&
        (mTable == nullptr || mLevelBar == nullptr || mEffectivityBar == nullptr ||
         mWhirlwindIcon == nullptr || mBubbleIcon == nullptr || mSlowMotionIcon == nullptr)) {
        return false;
    }
    // Blocks between cells (flying, dying) and the bubble's belong to the field too.
    for (int32_t i = 0, count = mObjects.GetCount(); i < count; ++i) {
        if (auto* block = dynamic_cast<CBlock*>(mObjects.GetAt(i))) {
            if (block->colour >= colourCount || mTable == nullptr) {
                return false;
            }
            block->Attach(*this, *mTable);
        }
    }
    if (mBubble != nullptr && mTable != nullptr) {
        for (int32_t i = 0; i < mBubble->CapturedCount(); ++i) {
            if (mBubble->Captured(i)->colour >= colourCount) {
                return false;
            }
            mBubble->Captured(i)->Attach(*this, *mTable);
        }
    }
    return true;
}

void Board::DropObjectsKeepingCounters() {
    // The icons hand their charges back as they go; the header's numbers hold.
    const BoardCounters kept = counters;
    mObjects.DeleteAll();
    ForgetObjects();
    counters = kept;
}

int Board::LoadGameBytes(std::span<const uint8_t> bytes, bool headerOnly) {
    ByteReader in(bytes);
    paused = false;
    int32_t count = 0;
    if (!ReadHeader(in, headerOnly, count)) {
        if (!headerOnly) {
            LogLoadFailure(in.Error());
        }
        return 0;
    }
    if (headerOnly) {
        return 0;
    }
    const uint32_t topics = helpShown ? in.U32() : 0;
    if (in.Failed()) {
        LogLoadFailure(in.Error());
        return 0;
    }
    if (mHelp != nullptr && helpShown) {
        mHelp->LoadTopics(topics);
    }
    if (rebuildOnLoad) {
        return 0;
    }
    // The blocks' pictures follow the level's colours, which the file does not name.
    if (level <= mHost.GetLevelCount()) {
        const LevelDesc* desc = mHost.GetLevelDesc(level - 1);
        if (desc == nullptr || !CheckLevel(*desc).empty() ||
            static_cast<int32_t>(desc->blockNames.size()) != colourCount ||
            !BindBlockImages(*desc)) {
            LogLoadFailure("the level's record does not match it");
            return 0;
        }
    }
    DropObjectsKeepingCounters();
    bool good = true;
    for (int32_t i = 0; i < count && good; ++i) {
        good = MakeObject(in.I32(), in);
    }
    // What follows the last object belongs to no record: the file was spoilt.
    if (good && !in.AtEnd()) {
        in.Fail("bytes past the last object");
        good = false;
    }
    if (good) {
        for (int32_t i = 0, n = mObjects.GetCount(); i < n && good; ++i) {
            good = mObjects.GetAt(i)->AfterLoad(*this) != 0;
        }
        good = good && FindLoadedObjects();
    }
    if (!good) {
        LogLoadFailure(in.Failed() ? in.Error() : "the objects do not fit together");
        DropObjectsKeepingCounters();
        return 0;
    }
    if (slowMotionActive == 1) {
        ShowSlowMotion();
    }
    return 1;
}

}  // namespace Vesk
