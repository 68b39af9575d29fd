#include "sound/SoundLoaders.h"

#include <optional>
#include <vector>

#include "platform/FileSystem.h"
#include "resources/PakInterface.h"
#include "sound/DSoundManager.h"
#include "sound/PcmSound.h"
#include "util/CommonPath.h"
#include "util/CommonSystem.h"

namespace Vesk {

namespace {

using Reader = std::optional<PcmSound> (*)(std::span<const uint8_t>, std::string&);

std::optional<PcmSound> Decode(DSoundManager& manager, const std::string& fileName, Reader read) {
    std::string error;
    const std::optional<std::vector<uint8_t>> bytes = PakReadWholeFile(fileName, error);
    if (!bytes) {
        // A missing file just moves the chain on.
        if (!error.empty()) {
            manager.LogError(error);
        }
        return std::nullopt;
    }
    std::optional<PcmSound> sound = read(*bytes, error);
    if (!sound) {
        manager.LogError("Sound file " + fileName + ": " + error);
    }
    return sound;
}

bool LoadWith(DSoundManager& manager, int id, const std::string& fileName, Reader read) {
    const std::optional<PcmSound> sound = Decode(manager, fileName, read);
    return sound && manager.FillSlot(id, *sound, fileName);
}

}  // namespace

bool LoadWavSound(DSoundManager& manager, int id, const std::string& fileName) {
    const std::optional<PcmSound> sound = Decode(manager, fileName, ReadWav);
    if (!sound) {
        return false;
    }
    // A converted copy counts only while its source is unchanged.
    if (sound->dependency &&
        GetFileWriteTime(sound->dependency->fileName) != sound->dependency->fileTime) {
        return false;
    }
    return manager.FillSlot(id, *sound, fileName);
}

bool LoadMp3Sound(DSoundManager& manager, int id, const std::string& fileName) {
    return manager.mMp3ThroughCodec && LoadWith(manager, id, fileName, ReadMp3);
}

bool LoadOggSound(DSoundManager& manager, int id, const std::string& fileName) {
    return LoadWith(manager, id, fileName, ReadOgg);
}

bool LoadAuSound(DSoundManager& manager, int id, const std::string& fileName) {
    return LoadWith(manager, id, fileName, ReadAu);
}

bool WriteCachedWav(DSoundManager& manager, int id, const std::string& cacheName,
                    const std::string& sourceName) {
    platform::AudioBuffer* buffer = manager.SlotBuffer(id);
    if (cacheName.empty() || buffer == nullptr) {
        return false;
    }
    const std::span<uint8_t> pcm = buffer->Lock(0, manager.mSourceDataSizes[id]);
    // Scrambled into the new file's bytes; the buffer itself is never touched.
    const std::vector<uint8_t> file =
        MakeCachedWav(buffer->Format(), pcm, sourceName, GetFileWriteTime(sourceName), kCacheKey);
    buffer->Unlock();
    if (!platform::fs::WriteWholeFileAtomic(cacheName, file.data(), file.size())) {
        manager.LogError("Sound cache " + cacheName + ": cannot be written");
        return false;
    }
    return true;
}

std::string CachedSoundName(std::string_view name) {
    if (name.size() <= 2 || name[0] == '\\' || name[0] == '/' || name[1] == ':') {
        return {};
    }
    return GetAppDataFolder() + "cached\\" + std::string(name) + ".wav";
}

uint64_t GetFileWriteTime(const std::string& fileName) {
    if (!platform::fs::Exists(fileName) || platform::fs::IsDirectory(fileName)) {
        return 0;
    }
    // 100 ns units since 1601-01-01.
    constexpr uint64_t kEpochDifference = 116444736000000000ULL;
    return static_cast<uint64_t>(platform::fs::ModTimeNs(fileName)) / 100 + kEpochDifference;
}

bool LoadSoundChain(DSoundManager& manager, int id, const std::string& name) {
    const std::string cacheName = CachedSoundName(name);
    if (!cacheName.empty()) {
        if (LoadWavSound(manager, id, cacheName)) {
            return true;
        }
        MakeDirectories(GetFileDir(cacheName));
    }
    if (LoadWavSound(manager, id, name + ".wav")) {
        return true;
    }
    const struct {
        const char* extension;
        bool (*load)(DSoundManager&, int, const std::string&);
    } converted[] = {{".mp3", LoadMp3Sound}, {".ogg", LoadOggSound}, {".au", LoadAuSound}};
    for (const auto& format : converted) {
        const std::string source = name + format.extension;
        if (format.load(manager, id, source)) {
            // The copy is a convenience: failing to write it changes nothing.
            WriteCachedWav(manager, id, cacheName, source);
            return true;
        }
    }
    return false;
}

}  // namespace Vesk
