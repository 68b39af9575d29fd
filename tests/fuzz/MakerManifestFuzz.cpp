// The maker's resource manifest (ImageEx with its sequences, Particle) over arbitrary text,
// then every group loaded, looked up, unloaded and loaded again. Images are 8 x 8 unless the
// path holds "missing"; particle definitions come from the disk and are mostly absent.
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "graphics/MemoryImage.h"
#include "resources/ParticleRegistry.h"
#include "resources/ResourceHost.h"
#include "resources/zmImageEx.h"
#include "resources/zmResourceManager.h"

namespace {

class FuzzHost : public Vesk::ResourceHost {
public:
    std::map<std::string, std::unique_ptr<Vesk::SharedImage>> mShared;
    ParticleRegistry mRegistry{0.0f, this};

    ~FuzzHost() override {
        for (auto& [key, slot] : mShared) {
            delete slot->mImage;
        }
    }
    Vesk::SharedImageRef GetSharedImage(const std::string& path, const std::string& variant,
                                        bool* isNew) override {
        std::unique_ptr<Vesk::SharedImage>& slot = mShared[path + "|" + variant];
        *isNew = slot == nullptr;
        if (slot == nullptr) {
            slot = std::make_unique<Vesk::SharedImage>();
            slot->mImage = GetImage(path);
        }
        Vesk::SharedImageRef ref;
        if (slot->mImage != nullptr) {
            ref.AssignShared(slot.get());
        }
        return ref;
    }
    Vesk::Image* GetImage(const std::string& path) override {
        if (path.find("missing") != std::string::npos) {
            return nullptr;
        }
        auto* image = new Vesk::MemoryImage();
        image->Create(8, 8);
        return image;
    }
    ParticleRegistry* GetParticleRegistry() override { return &mRegistry; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzHost host;
    Vesk::zmResourceManager manager(&host);
    manager.ReadManifestString(std::string(reinterpret_cast<const char*>(data), size));
    std::vector<std::string> groups;
    for (const auto& [group, list] : manager.mResGroupMap) {
        groups.push_back(group);
    }
    for (int round = 0; round < 2; ++round) {
        for (const std::string& group : groups) {
            // The answer and the error state agree.
            if (manager.LoadGroup(group) == manager.HadError()) {
                __builtin_trap();
            }
        }
        for (const auto& [id, res] : manager.mImageMap) {
            try {
                Vesk::zmImageEx copy;
                copy.Assign(*manager.LookupImageEx(id));
                for (int i = 0; i < 4; ++i) {
                    copy.Play(i, 0, (i & 1) != 0, 1);
                    copy.Update(1000.0 * i);
                    (void)copy.GetCelRect();
                }
            } catch (const Vesk::ResourceManagerException&) {
            }
        }
        for (const auto& [id, res] : manager.mParticleMap) {
            try {
                (void)manager.LookupParticle(id);
            } catch (const Vesk::ResourceManagerException&) {
            }
        }
        for (const std::string& group : groups) {
            manager.DeleteGroupResources(group);
        }
    }
    return 0;
}
