#include "particles/ParticleWriter.h"

#include <bit>

namespace vesk_tools {
namespace {

void PutU32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
}

void PutI32(std::vector<uint8_t>& out, int32_t v) {
    PutU32(out, static_cast<uint32_t>(v));
}

void PutF32(std::vector<uint8_t>& out, float v) {
    PutU32(out, std::bit_cast<uint32_t>(v));
}

void PutPoints(std::vector<uint8_t>& out, uint8_t tag,
               const std::vector<std::pair<int32_t, int32_t>>& points) {
    if (points.empty()) {
        return;
    }
    out.push_back(tag);
    PutU32(out, static_cast<uint32_t>(points.size()));
    for (const auto& [x, y] : points) {
        PutI32(out, x);
        PutI32(out, y);
    }
}

}  // namespace

std::vector<uint8_t> WriteParticleDefinition(const ParticleDefinition& def) {
    std::vector<uint8_t> out;
    out.reserve(160 + def.image.size() + 8 * (def.clip.size() + def.path.size()));
    PutU32(out, 0);  // the image comes from its record
    PutI32(out, def.rate);
    for (float v : {def.duration, def.lifeMin, def.lifeMax, def.direction, def.spread}) {
        PutF32(out, v);
    }
    out.push_back(def.relative ? 1 : 0);
    out.insert(out.end(), 3, 0);
    for (float v :
         {def.speedMin, def.speedMax, def.gravityMin, def.gravityMax, def.radialMin, def.radialMax,
          def.tangentialMin, def.tangentialMax, def.scaleStart, def.scaleEnd, def.scaleVariance,
          def.spinStart, def.spinEnd, def.spinVariance}) {
        PutF32(out, v);
    }
    for (float v : def.startColor) {
        PutF32(out, v);
    }
    for (float v : def.endColor) {
        PutF32(out, v);
    }
    PutF32(out, def.colorVariance);
    PutF32(out, def.alphaVariance);

    if (def.additive) {
        out.push_back(0);
        out.push_back(*def.additive ? 1 : 0);
    }
    if (def.position) {
        out.push_back(1);
        PutF32(out, def.position->first);
        PutF32(out, def.position->second);
    }
    if (!def.image.empty()) {
        out.push_back(2);
        PutU32(out, static_cast<uint32_t>(def.image.size()));
        out.insert(out.end(), def.image.begin(), def.image.end());
    }
    PutPoints(out, 3, def.clip);
    PutPoints(out, 4, def.path);
    if (def.pathValueMode) {
        out.push_back(5);
        PutF32(out, def.pathValueMode->first);
        PutI32(out, def.pathValueMode->second);
    }
    return out;
}

}  // namespace vesk_tools
