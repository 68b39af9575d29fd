// Developer keys of demo playback, the "Video Stats" report and the two playback dialogs.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/ImageCost.h"
#include "app/VeskAppBase.h"
#include "graphics/DDInterface.h"
#include "graphics/MemoryImage.h"
#include "platform/Backend.h"
#include "platform/Clock.h"
#include "platform/DevDialogs.h"
#include "platform/SettingsStore.h"
#include "platform/VirtualKeys.h"
#include "sound/SoundManager.h"
#include "util/Common.h"
#include "util/ModVal.h"
#include "util/Profiler.h"
#include "widgets/WidgetManager.h"

namespace Vesk {

namespace {

namespace vk = platform::vk;

constexpr const char* kJumpTimeValue = "DemoJumpTime";
// The stored jump text is read into 1000 bytes and written from a field of 500.
constexpr size_t kJumpTimeReadBytes = 1000;
constexpr size_t kJumpTimeFieldBytes = 500;

bool KeyTableHolds(const VeskAppBase& app, uint8_t key) {
    return app.mWidgetManager != nullptr && app.mWidgetManager->mKeyDown[key] != 0;
}

// The dialogs of the desktop the application runs on.
platform::DevDialogs& Dialogs(const VeskAppBase& app) {
    platform::BackendKind kind = platform::BackendKind::Headless;
    if (app.mWindowSystem != nullptr) {
        kind = platform::ParseBackendKind(app.mWindowSystem->Name())
                   .value_or(platform::BackendKind::Headless);
    }
    return platform::GetDevDialogs(kind);
}

// Seconds of demo left after the update, counted back from the end of the recording.
std::string DemoTimeText(const VeskAppBase& app, int updateCount) {
    const int64_t left = std::max<int64_t>(0, int64_t{app.mDemoLength} - updateCount);
    const int64_t seconds = left * app.mFrameTime / 1000;
    return StrFormat("%02lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
                     static_cast<long long>(seconds / 60 % 60),
                     static_cast<long long>(seconds % 60));
}

// The leading number of a field as the C library reads it; large values stop growing.
int64_t FieldNumber(std::string_view field) {
    return LeadingNumber(field, int64_t{1} << 40);
}

// Hours:minutes:seconds, minutes:seconds or seconds.
int64_t JumpSeconds(std::string_view text) {
    constexpr int64_t kLimit = int64_t{1} << 40;
    int64_t seconds = 0;
    size_t start = 0;
    for (;;) {
        const size_t colon = text.find(':', start);
        const std::string_view field = text.substr(start, colon - start);
        seconds = std::clamp(seconds * 60 + FieldNumber(field), -kLimit, kLimit);
        if (colon == std::string_view::npos) {
            break;
        }
        start = colon + 1;
    }
    return seconds;
}

int32_t ClampToInt32(int64_t value) {
    return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

}  // namespace

bool VeskAppBase::DebugKeyDown(int key) {
    // The modifiers are those of the widget manager's key table; the window procedure's own
    // Ctrl and Alt also count, since during playback the table follows the recording.
    const bool shiftDown = KeyTableHolds(*this, vk::Shift);
    const bool ctrlDown = KeyTableHolds(*this, vk::Control) || mCtrlDown;
    const bool altDown = KeyTableHolds(*this, vk::Alt) || mAltDown;

    switch (key) {
        case 'R':
            if (altDown) {
                const bool reparsed =
                    ReparseModVals([this](const std::string& text, const std::string& title,
                                          uint32_t flags) { MsgBox(text, title, flags); });
                // On success the other desktop played its menu chime; this one has none.
                if (!reparsed && mWidgetManager != nullptr) {
                    std::memset(mWidgetManager->mKeyDown, 0, sizeof(mWidgetManager->mKeyDown));
                }
            }
            return false;
        case vk::F2:
            if (!IsProfiling()) {
                ClearUpdateBacklog();
                StartProfiling();
            } else {
                StopProfiling();
                MsgBox(GetProfilingResults(), "Perf Results", platform::mb::Ok);
                ClearUpdateBacklog();
            }
            return false;
        case vk::F3:
            if (shiftDown) {
                mShowFPS = true;
                if (++mShowFPSMode >= 2) {
                    mShowFPSMode = 0;
                }
            } else {
                mShowFPS = !mShowFPS;
            }
            if (mWidgetManager != nullptr) {
                mWidgetManager->MarkAllDirty();
            }
            if (mShowFPS) {
                mFPSStartTick = platform::GetClock().TickMs();
                mFPSFrameCount = 0;
                mFPSJustEnabled = true;
            }
            return false;
        case vk::F8:
            if (shiftDown) {
                Set3DAcceleration(!Is3DAccelerated(), true);
                MsgBox(StrFormat("3D-Mode: %s", Is3DAccelerated() ? "ON" : "OFF"), "Mode Switch",
                       platform::mb::Ok);
            } else {
                ShowVideoStats();
            }
            return true;
        case vk::F10:
            if (ctrlDown) {
                mSpeed = mSpeed == 0.25 ? 1.0 : 0.25;
            } else if (shiftDown) {
                mStepMode = 0;
                ClearUpdateBacklog();
            } else {
                mStepMode = 1;
            }
            return true;
        case vk::F11:
            if (shiftDown) {
                DumpImageReport();
            } else {
                TakeScreenshot();
            }
            return true;
        default:
            return false;
    }
}

void VeskAppBase::ShowVideoStats() {
    // Texture counts and bytes of the formats 1, 2, 4 and 8.
    struct FormatStats {
        int32_t format;
        const char* label;
        int count = 0;
        int64_t bytes = 0;
    };
    FormatStats formats[] = {{1, "A8R8G8B8"}, {2, "A4R4G4B4"}, {4, "R5G6B5"}, {8, "Palette8"}};
    int64_t textureBytes = 0;
    size_t imageCount = 0;
    {
        std::lock_guard<CriticalLock> lock(DisplayLock());
        imageCount = mMemoryImageSet.size();
        for (const MemoryImage* image : mMemoryImageSet) {
            const ImageCost cost = ImageCost::Of(*image);
            if (!cost.hasTexture) {
                continue;
            }
            textureBytes += cost.texture;
            for (FormatStats& stats : formats) {
                if (stats.format == cost.textureFormat) {
                    ++stats.count;
                    stats.bytes += cost.texture;
                }
            }
        }
    }

    platform::VideoMemory videoMemory;
    if (mDDInterface != nullptr && mDDInterface->GetDisplaySystem() != nullptr) {
        if (platform::Failed(mDDInterface->GetDisplaySystem()->GetAvailableVidMem(videoMemory))) {
            videoMemory = platform::VideoMemory();
        }
    }
    const uint64_t usedVideo =
        videoMemory.total > videoMemory.free ? videoMemory.total - videoMemory.free : 0;

    const char* support = "Unsupported";
    if (mDDInterface != nullptr && mDDInterface->Is3DRecommended()) {
        support = "Recommended";
    } else if (mDDInterface != nullptr && mDDInterface->Is3DSupported()) {
        support = "Supported";
    }

    std::string text = StrFormat("3D-Mode is %s (3D is %s on this system)\r\n\r\n",
                                 Is3DAccelerated() ? "On" : "Off", support);
    text += StrFormat("Num Images: %d\r\n", static_cast<int>(imageCount));
    text += StrFormat("Num Sounds: %d\r\n",
                      mSoundManager != nullptr ? mSoundManager->GetNumSounds() : 0);
    text += "Video Memory: " + ImageCost::Commas(static_cast<int64_t>(usedVideo / 1024)) + "/" +
            ImageCost::Commas(static_cast<int64_t>(videoMemory.total / 1024)) + " KB\r\n";
    text += "Texture Memory: " + ImageCost::Commas(textureBytes / 1024) + " KB\r\n";
    for (const FormatStats& stats : formats) {
        text += StrFormat("%s: %d - ", stats.label, stats.count) +
                ImageCost::Commas(stats.bytes / 1024) + " KB\r\n";
    }
    MsgBox(text, "Video Stats", platform::mb::Ok);
}

int VeskAppBase::ShowMarkerListDialog() {
    std::vector<std::string> items;
    std::vector<int32_t> targets;
    for (const DemoMarker& marker : mDemoMarkers) {
        if (marker.mUpdateCount <= mUpdateCount) {
            continue;
        }
        items.push_back(marker.mName + " (" + DemoTimeText(*this, marker.mUpdateCount) + ")");
        targets.push_back(marker.mUpdateCount);
    }

    const std::optional<size_t> choice = Dialogs(*this).ChooseFromList("Marker List", items);
    ClearUpdateBacklog();
    if (!choice.has_value() || targets[*choice] <= mUpdateCount) {
        return 0;
    }
    mFastForwardTarget = targets[*choice];
    return 1;
}

int VeskAppBase::ShowJumpToTimeDialog() {
    // The remembered text is kept beside the settings but outside the demo stream.
    platform::SettingsStore* store = mRegKey.empty() ? nullptr : GetSettingsStore();
    const auto [keyPath, valueName] = RegistryLocation(kJumpTimeValue);

    std::string initial;
    platform::SettingsStore::Key key;
    if (store != nullptr &&
        store->Open(keyPath, platform::SettingsAccess::Read, key) == platform::SettingsResult::Ok) {
        std::vector<char> bytes(kJumpTimeReadBytes);
        uint32_t type = 0;
        size_t size = bytes.size();
        if (store->Query(key, valueName, type, bytes.data(), size) ==
                platform::SettingsResult::Ok &&
            type == platform::kSettingsText) {
            initial.assign(bytes.data(), std::find(bytes.data(), bytes.data() + size, '\0'));
        }
        store->Close(key);
    }

    std::optional<std::string> answer = Dialogs(*this).AskText("Jump To Time", initial);
    ClearUpdateBacklog();
    if (!answer.has_value()) {
        return 0;
    }
    // The field holds one byte fewer than its buffer: the last is the terminating zero.
    std::string text = answer->substr(0, std::min(answer->find('\0'), kJumpTimeFieldBytes - 1));

    if (store != nullptr && store->Open(keyPath, platform::SettingsAccess::WriteOrCreate, key) ==
                                platform::SettingsResult::Ok) {
        store->Set(key, valueName, platform::kSettingsText, text.c_str(), text.size() + 1);
        store->Close(key);
    }

    const int64_t frameTime = mFrameTime > 0 ? mFrameTime : 1;
    mFastForwardTarget =
        ClampToInt32(int64_t{mDemoLength} - (JumpSeconds(text) + 1) * 1000 / frameTime);
    return 1;
}

}  // namespace Vesk
