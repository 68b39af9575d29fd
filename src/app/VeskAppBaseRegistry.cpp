// Registry settings, the property tables with the string table, and whole-file reading. The
// registry and file readers pass their results through the demo stream: a recording keeps
// what the outside world answered, a replay answers from the recording without touching it.
#include <algorithm>
#include <cstring>
#include <vector>

#include "app/VeskAppBase.h"

#include "platform/ByteOrder.h"
#include "platform/Debug.h"
#include "platform/Thread.h"
#include "resources/PakInterface.h"
#include "resources/PropertiesParser.h"
#include "resources/zmResourceManager.h"
#include "util/Common.h"

namespace Vesk {

namespace {

constexpr int kEventRegistryRead = 11;
constexpr int kEventRegistryWrite = 12;
constexpr int kEventFileRead = 15;
constexpr int kEventNoAction = 31;
// The shortest event header: delta 4 bits, form 1 bit, long code 5 bits. Fewer bits left
// are the zero padding of the file's last byte, not an event.
constexpr int32_t kMinEventBits = 10;

// ---- Demo events of the synchronous readers ----

int64_t BitsLeft(const Buffer& stream) {
    return int64_t{stream.GetBitLength()} - stream.GetReadCursor();
}

// The demo stream belongs to the main thread: a reader on the loading thread would write
// into it concurrently and at a point no replay can reproduce, so it reads the real source.
bool OnDemoThread(const VeskAppBase& app) {
    return app.mPrimaryThreadId == 0 || platform::CurrentThreadId() == app.mPrimaryThreadId;
}

// Starts a recorded event (header, long form, code); true when its fields are to follow.
bool StartRecordedEvent(VeskAppBase& app, int code) {
    if (!app.mRecordingDemoBuffer || !OnDemoThread(app)) {
        return false;
    }
    app.WriteDemoEventHeader();
    app.mDemoBuffer.WriteNumBits(0, 1);
    app.mDemoBuffer.WriteNumBits(code, 5);
    return true;
}

// A replay that left its recording feeds no more synchronised calls, as if the user had
// closed it, rather than hand out misread values.
void AbandonReplay(VeskAppBase& app, const char* reason) {
    if (!app.mManualShutdown) {
        platform::DebugOutput(
            StrFormat("demo out of sync at update %d: %s\r\n", app.mUpdateCount, reason));
    }
    app.mManualShutdown = true;
}

// Takes the held event for a synchronous reader of the given code; its fields follow. False
// when the replay has nothing for this call: closed by the user, at its end, or holding
// another event.
bool TakeReplayedEvent(VeskAppBase& app, int code) {
    if (app.mManualShutdown) {
        return false;
    }
    for (;;) {
        if (app.mDemoHeaderNeeded && BitsLeft(app.mDemoBuffer) < kMinEventBits) {
            AbandonReplay(app, "the demo has ended");
            return false;
        }
        const bool due = app.ReadDemoEventHeader();
        // Fillers that fall due carry nothing: step over them.
        if (!due || app.mDemoEventIsShort || app.mDemoEventCode != kEventNoAction) {
            break;
        }
        app.mDemoHeaderNeeded = true;
    }
    if (app.mDemoEventIsShort || app.mDemoEventCode != code) {
        AbandonReplay(app, "another event was recorded here");
        return false;
    }
    app.mDemoHeaderNeeded = true;
    return true;
}

// Reads a recorded byte count; a count the stream cannot hold means a corrupt demo, and
// nothing after it is replayed.
bool ReadRecordedCount(VeskAppBase& app, int32_t& count) {
    Buffer& stream = app.mDemoBuffer;
    const int64_t bitsLeft = BitsLeft(stream) - 32;
    count = stream.ReadLong();
    if (bitsLeft < 0 || count < 0 || int64_t{count} * 8 > bitsLeft) {
        AbandonReplay(app, "a recorded length runs past the demo");
        stream.SetReadCursor(stream.GetBitLength());
        return false;
    }
    return true;
}

// ---- Values ----

uint32_t Little32(const uint8_t* bytes) {
    return platform::LoadLittle32(bytes);
}

// A text value always reaches the caller with its final zero: a hand-edited settings file or
// a demo may hold one without. False when the zero does not fit.
bool TerminateText(uint32_t type, uint8_t* value, uint32_t& length, uint32_t capacity) {
    if (type != VeskAppBase::REG_SZ || (length > 0 && value[length - 1] == 0)) {
        return true;
    }
    if (length >= capacity) {
        return false;
    }
    value[length++] = 0;
    return true;
}

int VolumeToSetting(double volume) {
    // A hair above the product keeps 0.29 from being saved as 28 by binary rounding.
    return static_cast<int>(volume * 100.0 + 1e-9);
}

double SettingToVolume(int value) {
    // The settings file can be edited by hand: no volume beyond the mixer's range.
    return std::clamp(value / 100.0, 0.0, 1.0);
}

// ---- Tables ----

// The application's tables as the properties reader fills them.
class AppPropertyTables : public PropertyTables {
public:
    explicit AppPropertyTables(VeskAppBase& app) : mApp(app) {}

    void SetString(const std::string& id, const std::u16string& text) override {
        mApp.SetString(id, text);
    }
    void SetStringVector(const std::string& id, const std::vector<std::string>& texts) override {
        mApp.SetStringVector(id, texts);
    }
    void SetBoolean(const std::string& id, bool value) override { mApp.SetBoolean(id, value); }
    void SetInteger(const std::string& id, int32_t value) override { mApp.SetInteger(id, value); }
    void SetDouble(const std::string& id, double value) override { mApp.SetDouble(id, value); }

private:
    VeskAppBase& mApp;
};

std::string LookUpString(const VeskAppBase& app, const std::string& id,
                         const std::string& defaultValue) {
    std::lock_guard<std::mutex> guard(app.mPropertiesLock);
    auto it = app.mStringProperties.find(id);
    if (it == app.mStringProperties.end()) {
        return defaultValue;
    }
    return WStringToString(it->second);
}

}  // namespace

// ---- Settings store ----

platform::SettingsStore* VeskAppBase::GetSettingsStore() {
    std::lock_guard<std::mutex> guard(mSettingsStoreLock);
    if (mSettingsStore != nullptr && mSettingsStoreFolder.empty()) {
        return mSettingsStore.get();
    }
    // The key can change once the string table has been read; its file follows it.
    const std::string folder = RemoveTrailingSlash(mRegKey);
    if (mSettingsStore == nullptr || mSettingsStoreFolder != folder) {
        mSettingsStore = platform::MakeFileSettingsStore(folder);
        mSettingsStoreFolder = mSettingsStore != nullptr ? folder : std::string();
    }
    return mSettingsStore.get();
}

std::pair<std::string, std::string> VeskAppBase::RegistryLocation(
    const std::string& valueName) const {
    std::string keyPath = "SOFTWARE\\" + RemoveTrailingSlash(mRegKey);
    std::string name = valueName;
    const size_t slash = valueName.rfind('\\');
    if (slash != std::string::npos) {
        keyPath += "\\" + valueName.substr(0, slash);
        name = valueName.substr(slash + 1);
    }
    return {keyPath, name};
}

// ---- Registry values ----

bool VeskAppBase::RegistryWrite(const std::string& valueName, uint32_t type, const uint8_t* value,
                                uint32_t length) {
    if (mRegKey.empty()) {
        return false;
    }

    if (mPlayingDemoBuffer && OnDemoThread(*this)) {
        // The recorded result stands in; the settings are left as they are.
        if (!TakeReplayedEvent(*this, kEventRegistryWrite)) {
            return true;
        }
        return mDemoBuffer.ReadNumBits(1, false) != 0;
    }

    bool ok = false;
    if (platform::SettingsStore* store = GetSettingsStore()) {
        const auto [keyPath, name] = RegistryLocation(valueName);
        platform::SettingsStore::Key key;
        if (store->Open(keyPath, platform::SettingsAccess::WriteOrCreate, key) ==
            platform::SettingsResult::Ok) {
            // A value that could not be saved is a failure, not a success.
            ok = store->Set(key, name, type, value, length) == platform::SettingsResult::Ok;
            store->Close(key);
        }
    }
    if (StartRecordedEvent(*this, kEventRegistryWrite)) {
        mDemoBuffer.WriteNumBits(ok ? 1 : 0, 1);
    }
    return ok;
}

bool VeskAppBase::RegistryWriteString(const std::string& valueName, const std::string& value) {
    std::vector<uint8_t> bytes(value.begin(), value.end());
    bytes.push_back(0);
    return RegistryWrite(valueName, REG_SZ, bytes.data(), static_cast<uint32_t>(bytes.size()));
}

bool VeskAppBase::RegistryWriteInteger(const std::string& valueName, int value) {
    const auto bits = static_cast<uint32_t>(value);
    const uint8_t bytes[4] = {static_cast<uint8_t>(bits), static_cast<uint8_t>(bits >> 8),
                              static_cast<uint8_t>(bits >> 16), static_cast<uint8_t>(bits >> 24)};
    return RegistryWrite(valueName, REG_DWORD, bytes, 4);
}

bool VeskAppBase::RegistryWriteBoolean(const std::string& valueName, bool value) {
    return RegistryWriteInteger(valueName, value ? 1 : 0);
}

bool VeskAppBase::RegistryRead(const std::string& valueName, uint32_t* type, uint8_t* value,
                               uint32_t* length) {
    if (mRegKey.empty() || length == nullptr || (value == nullptr && *length != 0)) {
        return false;
    }
    const uint32_t capacity = *length;

    if (mPlayingDemoBuffer && OnDemoThread(*this)) {
        if (!TakeReplayedEvent(*this, kEventRegistryRead)) {
            return false;
        }
        if (mDemoBuffer.ReadNumBits(1, false) == 0) {
            return false;
        }
        const auto recordedType = static_cast<uint32_t>(mDemoBuffer.ReadLong());
        int32_t count = 0;
        if (!ReadRecordedCount(*this, count)) {
            return false;
        }
        uint32_t size = static_cast<uint32_t>(count);
        if (size > capacity) {
            // Never past the caller's buffer; the stream stays in step behind the value.
            mDemoBuffer.SetReadCursor(mDemoBuffer.GetReadCursor() + count * 8);
            return false;
        }
        mDemoBuffer.ReadBytes(value, count);
        if (!TerminateText(recordedType, value, size, capacity)) {
            return false;
        }
        if (type != nullptr) {
            *type = recordedType;
        }
        *length = size;
        return true;
    }

    bool ok = false;
    uint32_t foundType = 0;
    uint32_t size = 0;
    if (platform::SettingsStore* store = GetSettingsStore()) {
        const auto [keyPath, name] = RegistryLocation(valueName);
        platform::SettingsStore::Key key;
        if (store->Open(keyPath, platform::SettingsAccess::Read, key) ==
            platform::SettingsResult::Ok) {
            size_t bytes = capacity;
            if (store->Query(key, name, foundType, value, bytes) == platform::SettingsResult::Ok) {
                size = static_cast<uint32_t>(bytes);
                ok = TerminateText(foundType, value, size, capacity);
            }
            store->Close(key);
        }
    }
    if (StartRecordedEvent(*this, kEventRegistryRead)) {
        mDemoBuffer.WriteNumBits(ok ? 1 : 0, 1);
        if (ok) {
            mDemoBuffer.WriteLong(static_cast<int32_t>(foundType));
            mDemoBuffer.WriteLong(static_cast<int32_t>(size));
            mDemoBuffer.WriteBytes(value, static_cast<int32_t>(size));
        }
    }
    if (!ok) {
        return false;
    }
    if (type != nullptr) {
        *type = foundType;
    }
    *length = size;
    return true;
}

bool VeskAppBase::RegistryReadInteger(const std::string& valueName, int* value) {
    uint32_t type = 0;
    uint8_t bytes[4] = {};
    uint32_t length = 4;
    if (!RegistryRead(valueName, &type, bytes, &length) || type != REG_DWORD || length != 4) {
        return false;
    }
    *value = static_cast<int>(Little32(bytes));
    return true;
}

bool VeskAppBase::RegistryReadBoolean(const std::string& valueName, bool* value) {
    int number = 0;
    if (!RegistryReadInteger(valueName, &number)) {
        return false;
    }
    *value = number != 0;
    return true;
}

void VeskAppBase::RegistryEraseValue(const std::string& valueName) {
    // Not part of the demo stream: it runs while a demo plays too.
    if (mRegKey.empty()) {
        return;
    }
    platform::SettingsStore* store = GetSettingsStore();
    if (store == nullptr) {
        return;
    }
    const auto [keyPath, name] = RegistryLocation(valueName);
    platform::SettingsStore::Key key;
    if (store->Open(keyPath, platform::SettingsAccess::Write, key) !=
        platform::SettingsResult::Ok) {
        return;
    }
    store->Delete(key, name);
    store->Close(key);
}

// ---- The framework's own settings ----

void VeskAppBase::WriteToRegistry() {
    RegistryWriteInteger("MusicVolume", VolumeToSetting(mMusicVolume));
    RegistryWriteInteger("SfxVolume", VolumeToSetting(mSfxVolume));
    RegistryWriteInteger("Muted", mMuteCount > mAutoMuteCount ? 1 : 0);
    RegistryWriteInteger("ScreenMode", mIsWindowed ? 0 : 1);
    RegistryWriteInteger("PreferredX", mPreferredX);
    RegistryWriteInteger("PreferredY", mPreferredY);
    RegistryWriteInteger("CustomCursors", mCustomCursorsEnabled ? 1 : 0);
    RegistryWriteInteger("InProgress", 0);
    RegistryWriteBoolean("WaitForVSync", mWaitForVSync);
}

void VeskAppBase::ReadFromRegistry() {
    mReadFromRegistry = true;
    mRegKey = LookUpString(*this, "RegistryKey", mRegKey);
    if (mRegKey.empty()) {
        return;
    }

    int value = 0;
    if (RegistryReadInteger("MusicVolume", &value)) {
        mMusicVolume = SettingToVolume(value);
    }
    if (RegistryReadInteger("SfxVolume", &value)) {
        mSfxVolume = SettingToVolume(value);
    }
    if (RegistryReadInteger("Muted", &value)) {
        mMuteCount = std::max(value, 0);  // a negative count would swallow mutes
    }
    if (RegistryReadInteger("ScreenMode", &value)) {
        mIsWindowed = value == 0;
    }
    if (RegistryReadInteger("PreferredX", &value)) {
        mPreferredX = value;
    }
    if (RegistryReadInteger("PreferredY", &value)) {
        mPreferredY = value;
    }
    if (RegistryReadInteger("CustomCursors", &value)) {
        EnableCustomCursors(value != 0);
    }
    if (RegistryReadInteger("WaitForVSync", &value)) {
        mWaitForVSync = value != 0;
    }
    if (RegistryReadInteger("InProgress", &value)) {
        mLastShutdownWasGraceful = value == 0;
    }

    // Left at 1 by a run that never reaches WriteToRegistry or ExitOnError.
    if (!mIsScreenSaver) {
        RegistryWriteInteger("InProgress", 1);
    }
}

void VeskAppBase::ExitOnError(int code) {
    if (mReadFromRegistry && !mIsScreenSaver) {
        RegistryWriteInteger("InProgress", 0);
    }
    DoExit(code);
}

// ---- Property tables ----

void VeskAppBase::SetString(const std::string& id, const std::u16string& value) {
    std::lock_guard<std::mutex> guard(mPropertiesLock);
    mStringProperties[id] = value;
}

void VeskAppBase::SetStringVector(const std::string& id, const std::vector<std::string>& values) {
    std::lock_guard<std::mutex> guard(mPropertiesLock);
    mStringVectorProperties[id] = values;
}

void VeskAppBase::SetBoolean(const std::string& id, bool value) {
    std::lock_guard<std::mutex> guard(mPropertiesLock);
    mBoolProperties[id] = value;
}

void VeskAppBase::SetInteger(const std::string& id, int value) {
    std::lock_guard<std::mutex> guard(mPropertiesLock);
    mIntProperties[id] = value;
}

void VeskAppBase::SetDouble(const std::string& id, double value) {
    std::lock_guard<std::mutex> guard(mPropertiesLock);
    mDoubleProperties[id] = value;
}

std::string VeskAppBase::GetString(const std::string& id) {
    return GetStringOrDefault(id, std::string());
}

std::string VeskAppBase::GetStringOrDefault(const std::string& id,
                                            const std::string& defaultValue) {
    if (gVeskAppBase == nullptr) {
        return defaultValue;
    }
    return LookUpString(*gVeskAppBase, id, defaultValue);
}

bool VeskAppBase::LoadPropertiesFile(const std::string& fileName) {
    Buffer buffer;
    if (!ReadBufferFromFile(fileName, &buffer, false)) {
        Popup(LookUpString(*this, "UNABLE_OPEN_PROPERTIES", "Unable to open properties file ") +
              fileName);
        return false;
    }
    AppPropertyTables tables(*this);
    PropertiesParser parser(tables);
    if (!parser.ReadPropertiesBuffer(buffer)) {
        Popup(parser.GetErrorText());
        return false;
    }
    return true;
}

bool VeskAppBase::LoadProperties() {
    return LoadPropertiesFile("properties\\default.xml");
}

void VeskAppBase::LoadResourceManifest() {
    if (!mResourceManager->ReadManifestFile("properties\\resources.xml")) {
        ShowResourceError(true);
    }
}

void VeskAppBase::LoadLevelsManifest() {
    if (!mResourceManager->ReadLevelManifest("properties\\levels.xml")) {
        ShowResourceError(true);
    }
}

void VeskAppBase::ShowResourceError(bool exit) {
    Popup(mResourceManager != nullptr ? mResourceManager->GetErrorText() : std::string());
    // A start that cannot go on is a failure to whatever started the program.
    if (exit) {
        ExitOnError(1);
    }
}

// ---- Whole files ----

bool VeskAppBase::ReadBufferFromFile(const std::string& fileName, Buffer* buffer, bool dontSync) {
    if (mPlayingDemoBuffer && !dontSync && OnDemoThread(*this)) {
        // The recorded bytes stand in; the file itself is not opened.
        if (!TakeReplayedEvent(*this, kEventFileRead)) {
            return false;
        }
        if (mDemoBuffer.ReadNumBits(1, false) == 0) {
            return false;
        }
        int32_t count = 0;
        if (!ReadRecordedCount(*this, count)) {
            return false;
        }
        std::vector<uint8_t> bytes(static_cast<size_t>(count));
        mDemoBuffer.ReadBytes(bytes.data(), count);
        buffer->Clear();
        buffer->SetData(bytes.data(), count);
        return true;
    }

    // A file that can't be read whole, or is more than a buffer holds, fails instead of
    // handing out garbage.
    std::string error;
    std::optional<std::vector<uint8_t>> read = PakReadWholeFile(fileName, error);
    const bool ok = read.has_value() && read->size() <= size_t{Buffer::kMaxBytes};
    const std::vector<uint8_t> bytes = ok ? std::move(*read) : std::vector<uint8_t>();
    const auto count = static_cast<int32_t>(bytes.size());
    if (ok) {
        buffer->Clear();
        buffer->SetData(bytes.data(), count);
    }
    if (!dontSync && StartRecordedEvent(*this, kEventFileRead)) {
        mDemoBuffer.WriteNumBits(ok ? 1 : 0, 1);
        if (ok) {
            mDemoBuffer.WriteLong(count);
            mDemoBuffer.WriteBytes(bytes.data(), count);
        }
    }
    return ok;
}

}  // namespace Vesk
