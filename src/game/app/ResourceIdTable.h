#pragma once

#include <cstdint>
#include <span>

#include "game/app/ResourceIds.h"

enum class ResourceKind : int32_t { Level, Font, Image, ImageEx, Particle, Sound };

// One id of the generated table: its name, the kind of its variable, the variable and the
// group whose binding looks it up.
struct ResourceIdEntry {
    const char* mName;
    ResourceKind mKind;
    void* mVariable;
    const char* mGroup;
};

extern const ResourceIdEntry kResourceIdEntries[kResourceIdCount];

// Looks every id up by name; only when all are found are their variables written.
bool BindResourceIds(Vesk::zmResourceManager* manager, std::span<const int16_t> ids);

// Zeroes every id's variable: the resources die with the manager that loaded them.
void UnbindResourceIds();
