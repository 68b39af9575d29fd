#include "platform/headless/HeadlessTextSystem.h"

namespace platform {

std::optional<TextSystem::FaceFile> HeadlessTextSystem::FindFace(const std::string& face, bool bold,
                                                                 bool italic) {
    (void)face;
    FaceFile file;
    file.path = mFontFile;
    file.embolden = bold;
    file.slant = italic;
    return file;
}

}  // namespace platform
