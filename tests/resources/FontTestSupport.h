#pragma once

// A font host that serves images made in memory and records its pop-ups.
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "graphics/MemoryImage.h"
#include "resources/FontHost.h"

namespace fonttest {

class FakeFontHost : public Vesk::FontHost {
public:
    void Popup(const std::string& text) override { mPopups.push_back(text); }

    Vesk::SharedImageRef GetSharedImage(const std::string& fileName, const std::string& variant,
                                        bool* isNew) override {
        (void)variant;
        mRequests.push_back(fileName);
        Vesk::SharedImageRef ref;
        const auto it = mImages.find(fileName);
        if (it != mImages.end()) {
            ref.AssignUnshared(it->second.get());
        }
        if (isNew != nullptr) {
            *isNew = mRequests.size() == 1;
        }
        return ref;
    }

    // An image whose pixels are all the given colour.
    Vesk::MemoryImage* AddImage(const std::string& path, int32_t width, int32_t height,
                                uint32_t pixel = 0xFFFFFFFF) {
        auto image = std::make_unique<Vesk::MemoryImage>(nullptr);
        std::vector<uint32_t> bits(static_cast<size_t>(width * height), pixel);
        image->SetBits(bits.data(), width, height, false);
        Vesk::MemoryImage* raw = image.get();
        mImages[path] = std::move(image);
        return raw;
    }

    std::vector<std::string> mPopups;
    std::vector<std::string> mRequests;
    std::map<std::string, std::unique_ptr<Vesk::MemoryImage>> mImages;
};

}  // namespace fonttest
