// Settings values and the property tables of the application object.
#include <cstring>

#include "app/VeskAppBase.h"
#include "app/util/Common.h"

namespace Vesk {

namespace {

std::string StoreKey(const std::pair<std::string, std::string>& location) {
    // Value paths compare without regard to case, as the settings store always has.
    return Upper(location.first) + "\\" + Upper(location.second);
}

}  // namespace

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

bool VeskAppBase::RegistryWrite(const std::string& valueName, uint32_t type, const uint8_t* value,
                                uint32_t length) {
    if (mRegKey.empty())
        return false;
    RegistryValue& stored = mRegistryStore[StoreKey(RegistryLocation(valueName))];
    stored.type = type;
    stored.data.assign(value, value + length);
    return true;
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
    if (mRegKey.empty())
        return false;
    auto it = mRegistryStore.find(StoreKey(RegistryLocation(valueName)));
    if (it == mRegistryStore.end())
        return false;
    const RegistryValue& stored = it->second;
    // A buffer too small for the value fails the read rather than overrunning it.
    if (stored.data.size() > *length)
        return false;
    *type = stored.type;
    if (!stored.data.empty())
        std::memcpy(value, stored.data.data(), stored.data.size());
    *length = static_cast<uint32_t>(stored.data.size());
    return true;
}

bool VeskAppBase::RegistryReadInteger(const std::string& valueName, int* value) {
    uint32_t type = 0;
    uint8_t bytes[4] = {};
    uint32_t length = 4;
    if (!RegistryRead(valueName, &type, bytes, &length) || type != REG_DWORD || length != 4)
        return false;
    *value = static_cast<int>(
        static_cast<uint32_t>(bytes[0]) | (static_cast<uint32_t>(bytes[1]) << 8) |
        (static_cast<uint32_t>(bytes[2]) << 16) | (static_cast<uint32_t>(bytes[3]) << 24));
    return true;
}

bool VeskAppBase::RegistryReadBoolean(const std::string& valueName, bool* value) {
    int number = 0;
    if (!RegistryReadInteger(valueName, &number))
        return false;
    *value = number != 0;
    return true;
}

void VeskAppBase::RegistryEraseValue(const std::string& valueName) {
    if (mRegKey.empty())
        return;
    mRegistryStore.erase(StoreKey(RegistryLocation(valueName)));
}

void VeskAppBase::WriteToRegistry() {
    RegistryWriteInteger("MusicVolume", static_cast<int>(mMusicVolume * 100));
    RegistryWriteInteger("SfxVolume", static_cast<int>(mSfxVolume * 100));
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
    mRegKey = GetStringOrDefault("RegistryKey", mRegKey);
    if (mRegKey.empty())
        return;

    int value = 0;
    if (RegistryReadInteger("MusicVolume", &value))
        mMusicVolume = value / 100.0;
    if (RegistryReadInteger("SfxVolume", &value))
        mSfxVolume = value / 100.0;
    if (RegistryReadInteger("Muted", &value))
        mMuteCount = value;
    if (RegistryReadInteger("ScreenMode", &value))
        mIsWindowed = value == 0;
    if (RegistryReadInteger("PreferredX", &value))
        mPreferredX = value;
    if (RegistryReadInteger("PreferredY", &value))
        mPreferredY = value;
    if (RegistryReadInteger("CustomCursors", &value))
        EnableCustomCursors(value != 0);
    if (RegistryReadInteger("WaitForVSync", &value))
        mWaitForVSync = value != 0;
    if (RegistryReadInteger("InProgress", &value))
        mLastShutdownWasGraceful = value == 0;

    if (!mIsScreenSaver)
        RegistryWriteInteger("InProgress", 1);
}

// ---- Property tables ----

void VeskAppBase::SetString(const std::string& id, const std::u16string& value) {
    mStringProperties[id] = value;
}

void VeskAppBase::SetBoolean(const std::string& id, bool value) {
    mBoolProperties[id] = value;
}

void VeskAppBase::SetInteger(const std::string& id, int value) {
    mIntProperties[id] = value;
}

void VeskAppBase::SetDouble(const std::string& id, double value) {
    mDoubleProperties[id] = value;
}

std::string VeskAppBase::GetString(const std::string& id) {
    return GetStringOrDefault(id, std::string());
}

std::string VeskAppBase::GetStringOrDefault(const std::string& id,
                                            const std::string& defaultValue) {
    if (gVeskAppBase == nullptr)
        return defaultValue;
    auto it = gVeskAppBase->mStringProperties.find(id);
    if (it == gVeskAppBase->mStringProperties.end())
        return defaultValue;
    return WStringToString(it->second);
}

}  // namespace Vesk
