#include "platform/Backend.h"

#include <cctype>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include "platform/TextSystem.h"
#include "platform/headless/HeadlessAudioDevice.h"
#include "platform/headless/HeadlessTextSystem.h"
#include "platform/headless/HeadlessWindowSystem.h"
#include "platform/sdl/SdlAudioDevice.h"
#include "platform/sdl/SdlTextSystem.h"
#include "platform/sdl/SdlWindowSystem.h"

namespace platform {

namespace {

bool SameWord(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

bool EnvironmentSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && value[0] != '\0';
}

BackendKind Parse(std::string_view text, std::string_view source) {
    if (const auto kind = ParseBackendKind(text)) {
        return *kind;
    }
    throw std::invalid_argument("Unknown backend \"" + std::string(text) + "\" in " +
                                std::string(source) + " (expected sdl or headless)");
}

}  // namespace

std::optional<BackendKind> ParseBackendKind(std::string_view text) {
    if (SameWord(text, "sdl")) {
        return BackendKind::Sdl;
    }
    if (SameWord(text, "headless")) {
        return BackendKind::Headless;
    }
    return std::nullopt;
}

BackendKind ChooseBackendKind(std::string_view requested) {
    if (!requested.empty()) {
        return Parse(requested, "the command line");
    }
    if (EnvironmentSet("VESK_BACKEND")) {
        return Parse(std::getenv("VESK_BACKEND"), "VESK_BACKEND");
    }
    return EnvironmentSet("DISPLAY") || EnvironmentSet("WAYLAND_DISPLAY") ? BackendKind::Sdl
                                                                          : BackendKind::Headless;
}

std::unique_ptr<WindowSystem> MakeWindowSystem(BackendKind kind) {
    switch (kind) {
        case BackendKind::Sdl:
            return std::make_unique<SdlWindowSystem>();
        case BackendKind::Headless:
            return std::make_unique<HeadlessWindowSystem>();
    }
    return nullptr;
}

std::unique_ptr<TextSystem> MakeTextSystem(BackendKind kind) {
    switch (kind) {
        case BackendKind::Sdl:
            return std::make_unique<SdlTextSystem>();
        case BackendKind::Headless:
            return std::make_unique<HeadlessTextSystem>();
    }
    return nullptr;
}

std::unique_ptr<AudioDevice> MakeAudioDevice(BackendKind kind) {
    if (EnvironmentSet("VESK_AUDIO") && SameWord(std::getenv("VESK_AUDIO"), "off")) {
        return nullptr;
    }
    if (kind == BackendKind::Sdl) {
        auto device = std::make_unique<SdlAudioDevice>();
        return device->Opened() ? std::move(device) : nullptr;
    }
    auto device = std::make_unique<HeadlessAudioDevice>();
    device->FollowClock(true);
    if (EnvironmentSet("VESK_AUDIO_WAV")) {
        device->RecordTo(std::getenv("VESK_AUDIO_WAV"));
    }
    return device;
}

}  // namespace platform
