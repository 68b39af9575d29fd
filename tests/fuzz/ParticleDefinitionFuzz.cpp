// Particle definitions from arbitrary bytes; a definition that reads is then run, moved, drawn
// with and without a clip polygon, saved and loaded.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "graphics/Graphics.h"
#include "graphics/MemoryImage.h"
#include "resources/zmParticleSystem.h"
#include "util/ByteReader.h"
#include "util/ByteWriter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using Vesk::zmParticleSystem;
    zmParticleSystem::DefinitionFile file;
    std::string error;
    if (!zmParticleSystem::ReadDefinition(std::span(data, size), file, error)) {
        return 0;
    }
    Vesk::MemoryImage sprite;
    const std::vector<uint32_t> bits(9, 0xFFFFFFFFu);
    sprite.SetBits(bits.data(), 3, 3, true);
    zmParticleSystem system(file, file.mPathMode & 1 ? 100.0f : 0.0f,
                            [&](const std::string&) { return &sprite; });
    system.mAccelerated = (file.mPathMode & 2) != 0;
    Vesk::MemoryImage target;
    target.Create(64, 48);
    Vesk::Graphics g(&target);
    system.ResetAt(file.mX, file.mY);
    for (int i = 0; i < 8; ++i) {
        system.Update(0.01f + static_cast<float>(i) * 0.1f);
        system.MoveTo(static_cast<float>(i * 7), static_cast<float>(i * 5), (i & 1) != 0);
        system.Draw(&g);
    }
    const auto copy = zmParticleSystem::zmParticleSystemCopy(system);
    copy->ResetAt(10, 10);
    copy->Update(0.5f);
    copy->Draw(&g);
    Vesk::ByteWriter out;
    system.Save(out);
    Vesk::ByteReader in(out.Bytes());
    copy->Load(in);
    return 0;
}
