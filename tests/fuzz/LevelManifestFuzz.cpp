// The level manifest over arbitrary text, then its group loaded, counted, looked up, unloaded
// and loaded again.
#include <cstddef>
#include <cstdint>
#include <string>

#include "resources/ResourceHost.h"
#include "resources/zmResourceManager.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Vesk::ResourceHost host;
    Vesk::zmResourceManager manager(&host);
    manager.ReadLevelManifestString(std::string(reinterpret_cast<const char*>(data), size));
    (void)manager.GetGroupLevelCount("levels");
    for (int round = 0; round < 2; ++round) {
        // The answer and the error state agree.
        if (manager.LoadGroup("Levels") == manager.HadError()) {
            __builtin_trap();
        }
        for (const auto& [id, res] : manager.mLevelMap) {
            try {
                const Vesk::LevelDesc* level = manager.LookupLevel(id);
                for (const auto& column : level->cells) {
                    for (uint8_t cell : column) {
                        (void)cell;
                    }
                }
            } catch (const Vesk::ResourceManagerException&) {
            }
        }
        manager.DeleteGroupResources("levels");
    }
    return 0;
}
