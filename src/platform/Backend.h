#pragma once

#include <memory>
#include <optional>
#include <string_view>

#include "platform/AudioDevice.h"
#include "platform/WindowSystem.h"

namespace platform {

enum class BackendKind { Sdl, Headless };

// "sdl" or "headless", any case; none for anything else.
std::optional<BackendKind> ParseBackendKind(std::string_view text);

// The backend the program runs on: the requested one (say from the command
// line) when given, else the environment variable VESK_BACKEND, else sdl when
// a display is there (DISPLAY or WAYLAND_DISPLAY set) and headless otherwise.
// Throws std::invalid_argument naming the bad value when either is not a
// backend name.
BackendKind ChooseBackendKind(std::string_view requested = {});

std::unique_ptr<WindowSystem> MakeWindowSystem(BackendKind kind);

// The sound output of the backend; null (the program runs silent) when VESK_AUDIO is "off"
// or SDL has no audio. The headless output follows the clock, and records into the WAV
// file named by VESK_AUDIO_WAV when that is set.
std::unique_ptr<AudioDevice> MakeAudioDevice(BackendKind kind);

}  // namespace platform
