#pragma once

#include "platform/TextSystem.h"

namespace platform {

// Every face name is served by one font file, so text measures and draws the same on every
// machine. Bold and italic are made up from that face.
class HeadlessTextSystem : public TextSystem {
public:
    static constexpr const char* kDefaultFontFile =
        "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

    explicit HeadlessTextSystem(std::string fontFile = kDefaultFontFile)
        : mFontFile(std::move(fontFile)) {}

protected:
    std::optional<FaceFile> FindFace(const std::string& face, bool bold, bool italic) override;

private:
    std::string mFontFile;
};

}  // namespace platform
