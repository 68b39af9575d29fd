#pragma once

namespace platform {

// Identifies one software device: its textures and palettes hold the tag, and the device
// takes back only objects that carry its own.
struct SoftDeviceTag {};

}  // namespace platform
