#pragma once

#include <memory>
#include <optional>
#include <string_view>

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

}  // namespace platform
