#pragma once

#include "platform/TextSystem.h"

namespace platform {

// Faces found by name through fontconfig, which falls back to an installed sans face.
class SdlTextSystem : public TextSystem {
public:
    SdlTextSystem();
    ~SdlTextSystem() override;

protected:
    std::optional<FaceFile> FindFace(const std::string& face, bool bold, bool italic) override;
};

}  // namespace platform
