#include "platform/sdl/SdlTextSystem.h"

#include <fontconfig/fontconfig.h>

#include <mutex>

namespace platform {

namespace {

// fontconfig's default configuration is process-wide and not safe to build twice at once.
std::mutex gFontconfigMutex;
// Live systems; the last one to go releases fontconfig's configuration.
int gFontconfigUsers = 0;

}  // namespace

SdlTextSystem::SdlTextSystem() {
    std::lock_guard<std::mutex> lock(gFontconfigMutex);
    ++gFontconfigUsers;
}

SdlTextSystem::~SdlTextSystem() {
    std::lock_guard<std::mutex> lock(gFontconfigMutex);
    if (--gFontconfigUsers == 0) {
        FcFini();
    }
}

std::optional<TextSystem::FaceFile> SdlTextSystem::FindFace(const std::string& face, bool bold,
                                                            bool italic) {
    std::lock_guard<std::mutex> lock(gFontconfigMutex);
    if (FcInit() == FcFalse) {
        return std::nullopt;
    }
    FcPattern* pattern = FcPatternCreate();
    if (pattern == nullptr) {
        return std::nullopt;
    }
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(face.c_str()));
    // Asked second, so a face name nobody has still lands on a sans face.
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>("sans-serif"));
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (match == nullptr) {
        return std::nullopt;
    }
    std::optional<FaceFile> found;
    FcChar8* file = nullptr;
    if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file != nullptr) {
        FaceFile faceFile;
        faceFile.path = reinterpret_cast<const char*>(file);
        int index = 0;
        if (FcPatternGetInteger(match, FC_INDEX, 0, &index) == FcResultMatch) {
            faceFile.index = index;
        }
        int weight = FC_WEIGHT_REGULAR;
        FcPatternGetInteger(match, FC_WEIGHT, 0, &weight);
        int slant = FC_SLANT_ROMAN;
        FcPatternGetInteger(match, FC_SLANT, 0, &slant);
        faceFile.embolden = bold && weight < FC_WEIGHT_DEMIBOLD;
        faceFile.slant = italic && slant == FC_SLANT_ROMAN;
        found = faceFile;
    }
    FcPatternDestroy(match);
    return found;
}

}  // namespace platform
