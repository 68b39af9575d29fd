#include "util/CommonSystem.h"

#include <cstdint>
#include <mutex>
#include <optional>

namespace Vesk {

namespace {

struct OsVersion {
    uint32_t platformId;  // 1 for the 9x family, 2 for NT
    uint32_t major;
};

constexpr uint32_t kPlatform9x = 1;
constexpr uint32_t kPlatformNt = 2;

// This system reports itself as a current NT-family version.
std::optional<OsVersion> QueryOsVersion() {
    return OsVersion{kPlatformNt, 10};
}

// One remembered answer; a failed query is not remembered, so the next call asks again.
class VersionTest {
public:
    template <typename Predicate>
    bool Answer(Predicate predicate) {
        std::lock_guard<std::mutex> lock(mMutex);
        if (!mAsked) {
            const std::optional<OsVersion> version = QueryOsVersion();
            if (!version) {
                return false;
            }
            mAnswer = predicate(*version);
            mAsked = true;
        }
        return mAnswer;
    }

private:
    std::mutex mMutex;
    bool mAsked = false;
    bool mAnswer = false;
};

constinit VersionTest gWin9xTest;
constinit VersionTest gVistaTest;

struct DataFolder {
    std::mutex mutex;
    std::string path;
};

DataFolder& TheDataFolder() {
    static DataFolder folder;
    return folder;
}

}  // namespace

bool IsWin9xPlatform() {
    return gWin9xTest.Answer([](const OsVersion& v) { return v.platformId == kPlatform9x; });
}

bool IsVistaOrLater() {
    return gVistaTest.Answer([](const OsVersion& v) { return v.major >= 6; });
}

void SetAppDataFolder(std::string_view path) {
    if (!IsVistaOrLater()) {
        return;
    }
    std::string folder(path);
    if (!folder.empty() && folder.back() != '\\' && folder.back() != '/') {
        folder.push_back('\\');
    }
    DataFolder& data = TheDataFolder();
    std::lock_guard<std::mutex> lock(data.mutex);
    data.path = std::move(folder);
}

std::string GetAppDataFolder() {
    DataFolder& data = TheDataFolder();
    std::lock_guard<std::mutex> lock(data.mutex);
    return data.path;
}

}  // namespace Vesk
