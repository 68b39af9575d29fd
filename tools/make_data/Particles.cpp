// The twelve particle definitions of group "Particles" and the white sprites they tint.
#include <algorithm>
#include <array>
#include <cmath>
#include <string>

#include "make_data/CorePng.h"
#include "make_data/DataSet.h"
#include "particles/ParticleWriter.h"

namespace make_data {

namespace {

// White sprites: the definitions colour them.
enum class Sprite { Dot, Spark, Petal, Smoke };

struct SpriteFile {
    Sprite sprite;
    const char* path;
    int32_t size;
};

constexpr SpriteFile kSprites[] = {
    {Sprite::Dot, "particles/dot.png", 16},
    {Sprite::Spark, "particles/spark.png", 16},
    {Sprite::Petal, "particles/petal.png", 16},
    {Sprite::Smoke, "particles/smoke.png", 32},
};

// Coverage of the sprite at (x, y) from its centre, in 0..1, sampled four times per pixel so
// the edges are smooth.
double Coverage(Sprite sprite, double x, double y, double radius) {
    const double r = std::hypot(x, y) / radius;
    switch (sprite) {
        case Sprite::Dot:
            return std::clamp(1.0 - r, 0.0, 1.0) * std::clamp(1.0 - r, 0.0, 1.0);
        case Sprite::Smoke:
            return 0.6 * std::exp(-4.0 * r * r);
        case Sprite::Spark: {
            // A four-pointed star with a bright core.
            const double ax = std::abs(x) / radius;
            const double ay = std::abs(y) / radius;
            const double rays = std::max(std::clamp(1.0 - ax - 6.0 * ay, 0.0, 1.0),
                                         std::clamp(1.0 - ay - 6.0 * ax, 0.0, 1.0));
            return std::clamp(rays + std::clamp(1.0 - 2.5 * r, 0.0, 1.0), 0.0, 1.0);
        }
        case Sprite::Petal: {
            // Five rounded petals around a small heart.
            const double angle = std::atan2(y, x);
            const double edge = 0.55 + 0.4 * std::abs(std::cos(2.5 * angle));
            return r < edge ? std::clamp((edge - r) * 6.0, 0.0, 1.0) : 0.0;
        }
    }
    return 0.0;
}

ImageLib::Image DrawSprite(Sprite sprite, int32_t size) {
    ImageLib::Image image(size, size);
    const double radius = size / 2.0 - 0.5;
    for (int32_t py = 0; py < size; ++py) {
        for (int32_t px = 0; px < size; ++px) {
            double sum = 0;
            for (int sy = 0; sy < 2; ++sy) {
                for (int sx = 0; sx < 2; ++sx) {
                    sum += Coverage(sprite, px + 0.25 + 0.5 * sx - size / 2.0,
                                    py + 0.25 + 0.5 * sy - size / 2.0, radius);
                }
            }
            const auto alpha =
                static_cast<uint32_t>(std::lround(std::clamp(sum / 4, 0.0, 1.0) * 255));
            image.mBits[static_cast<size_t>(py * size + px)] = (alpha << 24) | 0x00FFFFFFu;
        }
    }
    return image;
}

void Colours(vesk_tools::ParticleDefinition& def, std::array<float, 4> from,
             std::array<float, 4> to) {
    std::copy(from.begin(), from.end(), def.startColor);
    std::copy(to.begin(), to.end(), def.endColor);
}

// A short burst in every direction: the icons' charges and the extra life.
vesk_tools::ParticleDefinition Burst(std::array<float, 4> from, std::array<float, 4> to) {
    vesk_tools::ParticleDefinition def;
    def.rate = 400;
    def.duration = 0.1f;
    def.lifeMin = 0.5f;
    def.lifeMax = 0.9f;
    def.speedMin = 30.0f;
    def.speedMax = 90.0f;
    def.scaleStart = 1.2f;
    def.scaleEnd = 0.3f;
    def.scaleVariance = 0.3f;
    def.colorVariance = 0.15f;
    Colours(def, from, to);
    def.additive = true;
    def.image = "particles/spark.png";
    return def;
}

struct Particle {
    const char* id;
    const char* file;
    vesk_tools::ParticleDefinition def;
};

std::vector<Particle> Definitions() {
    std::vector<Particle> all;

    // The rocket's trail outlasts its 88-update flight.
    vesk_tools::ParticleDefinition rocket;
    rocket.rate = 150;
    rocket.duration = 1.2f;
    rocket.lifeMin = 0.3f;
    rocket.lifeMax = 0.6f;
    rocket.speedMin = 5.0f;
    rocket.speedMax = 20.0f;
    rocket.scaleStart = 0.9f;
    rocket.scaleEnd = 0.2f;
    Colours(rocket, {1.0f, 0.9f, 0.6f, 1.0f}, {1.0f, 0.45f, 0.1f, 0.0f});
    rocket.additive = true;
    rocket.image = "particles/dot.png";
    all.push_back({"PARTICLE_FIREWORKS", "fireworks", rocket});

    vesk_tools::ParticleDefinition boom;
    boom.rate = 2000;
    boom.duration = 0.05f;
    boom.lifeMin = 0.8f;
    boom.lifeMax = 1.4f;
    boom.speedMin = 60.0f;
    boom.speedMax = 150.0f;
    boom.gravityMin = 40.0f;
    boom.gravityMax = 80.0f;
    boom.scaleStart = 1.0f;
    boom.scaleEnd = 0.4f;
    boom.colorVariance = 0.5f;
    Colours(boom, {1.0f, 0.9f, 0.5f, 1.0f}, {1.0f, 0.3f, 0.6f, 0.0f});
    boom.additive = true;
    boom.image = "particles/spark.png";
    all.push_back({"PARTICLE_FIREWORKS_BOOM", "fireworks-boom", boom});

    vesk_tools::ParticleDefinition flash;
    flash.rate = 1000;
    flash.duration = 0.03f;
    flash.lifeMin = 0.2f;
    flash.lifeMax = 0.4f;
    flash.speedMin = 20.0f;
    flash.speedMax = 60.0f;
    flash.scaleStart = 1.4f;
    flash.scaleEnd = 0.2f;
    Colours(flash, {1.0f, 1.0f, 0.9f, 1.0f}, {1.0f, 0.8f, 0.3f, 0.0f});
    flash.additive = true;
    flash.image = "particles/spark.png";
    all.push_back({"PARTICLE_SC_FLASH", "sc-flash", flash});

    // The newest stage keeps sparkling until the next step takes over: its dot looks like every
    // other reached one, so the sparks are what tells the player where they are. Blended, not
    // added, and deep gold to orange, since added light vanishes on the map's pale paper.
    vesk_tools::ParticleDefinition mapFlash;
    mapFlash.rate = 45;
    mapFlash.duration = -1.0f;
    mapFlash.lifeMin = 0.6f;
    mapFlash.lifeMax = 1.0f;
    mapFlash.speedMin = 20.0f;
    mapFlash.speedMax = 40.0f;
    mapFlash.scaleStart = 1.4f;
    mapFlash.scaleEnd = 0.5f;
    Colours(mapFlash, {1.0f, 0.72f, 0.08f, 1.0f}, {0.9f, 0.25f, 0.05f, 0.0f});
    mapFlash.additive = false;
    mapFlash.image = "particles/spark.png";
    all.push_back({"PARTICLE_LM_FLASH", "lm-flash", mapFlash});

    // A spiralling block deletes itself only when its trail has ended, so it must end.
    vesk_tools::ParticleDefinition wind;
    wind.rate = 60;
    wind.duration = 2.0f;
    wind.lifeMin = 0.3f;
    wind.lifeMax = 0.5f;
    wind.speedMin = 5.0f;
    wind.speedMax = 15.0f;
    wind.tangentialMin = 40.0f;
    wind.tangentialMax = 80.0f;
    wind.scaleStart = 0.9f;
    wind.scaleEnd = 0.1f;
    Colours(wind, {0.7f, 0.95f, 1.0f, 0.9f}, {0.4f, 0.7f, 1.0f, 0.0f});
    wind.additive = true;
    wind.image = "particles/dot.png";
    all.push_back({"PARTICLE_BLOCK_BUXPB", "block-buxpb", wind});

    // Pollen flies about 63 updates to the level bar, then fades.
    vesk_tools::ParticleDefinition pollen;
    pollen.rate = 80;
    pollen.duration = 1.0f;
    pollen.lifeMin = 0.3f;
    pollen.lifeMax = 0.6f;
    pollen.speedMin = 3.0f;
    pollen.speedMax = 12.0f;
    pollen.scaleStart = 0.7f;
    pollen.scaleEnd = 0.2f;
    Colours(pollen, {1.0f, 0.95f, 0.4f, 1.0f}, {1.0f, 0.7f, 0.2f, 0.0f});
    pollen.additive = true;
    pollen.image = "particles/dot.png";
    all.push_back({"PARTICLE_BLOCK_POLLEN", "block-pollen", pollen});

    all.push_back({"PARTICLE_ADD_SLOMO", "add-slomo",
                   Burst({0.8f, 0.9f, 1.0f, 1.0f}, {0.3f, 0.5f, 1.0f, 0.0f})});
    all.push_back({"PARTICLE_ADD_BUXPB", "add-buxpb",
                   Burst({0.8f, 1.0f, 0.9f, 1.0f}, {0.2f, 0.9f, 0.6f, 0.0f})});
    all.push_back({"PARTICLE_ADD_BUBBLE", "add-bubble",
                   Burst({1.0f, 0.85f, 1.0f, 1.0f}, {0.8f, 0.4f, 1.0f, 0.0f})});
    all.push_back({"PARTICLE_ADD_LIVE", "add-live",
                   Burst({1.0f, 0.8f, 0.8f, 1.0f}, {1.0f, 0.2f, 0.3f, 0.0f})});

    // Petals drift down from the effectivity bar while it holds x10.
    vesk_tools::ParticleDefinition flowers;
    flowers.rate = 25;
    flowers.duration = -1.0f;
    flowers.lifeMin = 1.0f;
    flowers.lifeMax = 1.8f;
    flowers.direction = 0.0f;
    flowers.spread = 1.5f;
    flowers.speedMin = 20.0f;
    flowers.speedMax = 50.0f;
    flowers.gravityMin = 30.0f;
    flowers.gravityMax = 60.0f;
    flowers.spinStart = -2.0f;
    flowers.spinEnd = 2.0f;
    flowers.spinVariance = 1.0f;
    flowers.scaleStart = 1.0f;
    flowers.scaleEnd = 0.8f;
    flowers.colorVariance = 0.35f;
    Colours(flowers, {1.0f, 0.6f, 0.8f, 1.0f}, {1.0f, 0.9f, 0.5f, 0.0f});
    flowers.additive = false;
    flowers.image = "particles/petal.png";
    all.push_back({"PARTICLE_EB_FLOWER", "eb-flower", flowers});

    vesk_tools::ParticleDefinition evil;
    evil.rate = 20;
    evil.duration = -1.0f;
    evil.lifeMin = 0.8f;
    evil.lifeMax = 1.5f;
    evil.speedMin = 5.0f;
    evil.speedMax = 20.0f;
    evil.scaleStart = 0.6f;
    evil.scaleEnd = 1.4f;
    Colours(evil, {0.35f, 0.1f, 0.45f, 0.7f}, {0.1f, 0.0f, 0.15f, 0.0f});
    evil.additive = false;
    evil.image = "particles/smoke.png";
    all.push_back({"PARTICLE_EVIL_FORCE", "evil-force", evil});
    return all;
}

}  // namespace

DataPart MakeParticles() {
    DataPart part;
    for (const SpriteFile& sprite : kSprites) {
        part.files.push_back(
            {sprite.path, core::EncodePng(DrawSprite(sprite.sprite, sprite.size))});
    }
    for (const Particle& particle : Definitions()) {
        const std::string path = std::string("particles/") + particle.file + ".particle";
        part.files.push_back({path, vesk_tools::WriteParticleDefinition(particle.def)});
        part.entries.push_back({"Particles", std::string("<Particle id=\"") + particle.id +
                                                 "\" path=\"" + path + "\"/>"});
    }
    return part;
}

}  // namespace make_data
