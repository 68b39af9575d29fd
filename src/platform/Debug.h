#pragma once

#include <functional>
#include <string_view>

namespace platform {

// The debugger channel: development output that players never see.
void DebugOutput(std::string_view text);

// Replaces where debug output goes; an empty sink restores the default, which writes to
// stderr when the environment variable VESK_DEBUG is set and drops the text otherwise.
void SetDebugSink(std::function<void(std::string_view)> sink);

}  // namespace platform
