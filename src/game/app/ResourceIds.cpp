#include "game/app/ResourceIds.h"

#include <map>
#include <vector>

#include "game/app/ResourceIdTable.h"
#include "graphics/SharedImage.h"
#include "resources/zmResourceManager.h"

namespace {

// Raised by every binding so the value-to-id map is rebuilt on its next use.
bool gBindingsChanged = true;

std::intptr_t ReadVariable(const ResourceIdEntry& entry) {
    if (entry.mKind == ResourceKind::Sound) {
        return *static_cast<const int*>(entry.mVariable);
    }
    return reinterpret_cast<std::intptr_t>(*static_cast<void* const*>(entry.mVariable));
}

std::intptr_t Lookup(Vesk::zmResourceManager& manager, const ResourceIdEntry& entry) {
    switch (entry.mKind) {
        case ResourceKind::Level:
            return reinterpret_cast<std::intptr_t>(manager.LookupLevel(entry.mName));
        case ResourceKind::Font:
            return reinterpret_cast<std::intptr_t>(manager.LookupFont(entry.mName));
        case ResourceKind::Image:
            // The manager keeps the image alive; the reference is dropped here.
            return reinterpret_cast<std::intptr_t>(manager.LookupImage(entry.mName).GetImage());
        case ResourceKind::ImageEx:
            return reinterpret_cast<std::intptr_t>(manager.LookupImageEx(entry.mName));
        case ResourceKind::Particle:
            return reinterpret_cast<std::intptr_t>(manager.LookupParticle(entry.mName));
        case ResourceKind::Sound:
            return manager.LookupSound(entry.mName);
    }
    return 0;
}

void WriteVariable(const ResourceIdEntry& entry, std::intptr_t value) {
    if (entry.mKind == ResourceKind::Sound) {
        *static_cast<int*>(entry.mVariable) = static_cast<int>(value);
    } else {
        *static_cast<void**>(entry.mVariable) = reinterpret_cast<void*>(value);
    }
}

}  // namespace

bool BindResourceIds(Vesk::zmResourceManager* manager, std::span<const int16_t> ids) {
    gBindingsChanged = true;
    std::vector<std::intptr_t> values;
    values.reserve(ids.size());
    try {
        for (int16_t id : ids) {
            values.push_back(Lookup(*manager, kResourceIdEntries[id]));
        }
    } catch (const Vesk::ResourceManagerException&) {
        return false;
    }
    for (size_t i = 0; i < ids.size(); ++i) {
        WriteVariable(kResourceIdEntries[ids[i]], values[i]);
    }
    return true;
}

void UnbindResourceIds() {
    gBindingsChanged = true;
    for (const ResourceIdEntry& entry : kResourceIdEntries) {
        WriteVariable(entry, 0);
    }
}

std::string GetStringById(int id) {
    if (id < 0 || id >= kResourceIdCount) {
        return {};
    }
    return kResourceIdEntries[id].mName;
}

int GetIdByString(const std::string& name) {
    static const std::map<std::string, int> names = [] {
        std::map<std::string, int> map;
        for (int i = 0; i < kResourceIdCount; ++i) {
            map.emplace(kResourceIdEntries[i].mName, i);
        }
        return map;
    }();
    auto it = names.find(name);
    return it != names.end() ? it->second : kResourceIdCount;
}

std::intptr_t GetResourceById(int id) {
    if (id < 0 || id >= kResourceIdCount) {
        return 0;
    }
    return ReadVariable(kResourceIdEntries[id]);
}

int GetIdByResource(std::intptr_t value) {
    // Full-width keys: two pointers never share one.
    static std::map<std::intptr_t, int> values;
    if (gBindingsChanged) {
        gBindingsChanged = false;
        values.clear();
        for (int i = 0; i < kResourceIdCount; ++i) {
            values[ReadVariable(kResourceIdEntries[i])] = i;
        }
    }
    auto it = values.find(value);
    return it != values.end() ? it->second : kResourceIdCount;
}
