// The resource manifest reader over arbitrary text, then every group it named loaded, counted,
// looked up and unloaded against a host whose images are sized by their path.
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "graphics/MemoryImage.h"
#include "resources/ResourceHost.h"
#include "resources/ResourceManager.h"

namespace {

class FuzzHost : public Vesk::ResourceHost {
public:
    std::map<std::string, std::unique_ptr<Vesk::SharedImage>> mShared;

    // The application deletes its shared images; the test host does it when it goes.
    ~FuzzHost() override {
        for (auto& [key, slot] : mShared) {
            delete slot->mImage;
        }
    }
    int mNextSound = 0;

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
        if (path.size() % 5 == 0) {
            return nullptr;
        }
        const int w = static_cast<int>(path.size() % 13) + 1;
        const int h = static_cast<int>(path.size() % 7) + 1;
        std::vector<uint32_t> bits(static_cast<size_t>(w) * h, 0x80FF00FFu);
        auto* image = new Vesk::MemoryImage(nullptr);
        image->SetBits(bits.data(), w, h, true);
        return image;
    }
    int GetFreeSoundId() override { return mNextSound < 256 ? mNextSound : -1; }
    bool LoadSound(int id, const std::string& path) override {
        (void)id;
        if (path.size() % 3 == 0) {
            return false;
        }
        ++mNextSound;
        return true;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzHost host;
    {
        Vesk::ResourceManager manager(&host);
        manager.ReadManifestString(std::string(reinterpret_cast<const char*>(data), size));
        std::vector<std::string> groups;
        for (const auto& [group, list] : manager.mResGroupMap) {
            groups.push_back(group);
        }
        for (const std::string& group : groups) {
            // The answer and the error state agree.
            if (manager.LoadGroup(group) == manager.HadError()) {
                __builtin_trap();
            }
            (void)manager.GetGroupResourceCount(group);
        }
        for (const auto* map : {&manager.mImageMap, &manager.mSoundMap, &manager.mFontMap}) {
            for (const auto& [id, res] : *map) {
                try {
                    if (map == &manager.mImageMap) {
                        (void)manager.LookupImage(id);
                    } else if (map == &manager.mSoundMap) {
                        (void)manager.LookupSound(id);
                    } else {
                        (void)manager.LookupFont(id);
                    }
                } catch (const Vesk::ResourceManagerException&) {
                }
            }
        }
        if (!groups.empty()) {
            manager.DeleteGroupResources(groups.front());
            // The answer and the error state agree.
            if (manager.LoadGroup(groups.front()) == manager.HadError()) {
                __builtin_trap();
            }
        }
    }
    return 0;
}
