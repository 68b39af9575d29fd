// Particle definitions made by the writer, the shared random sequence, emission, the clock,
// motion, clipping, the saved record and the registry.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <vector>

#include "graphics/Graphics.h"
#include "graphics/MemoryImage.h"
#include "particles/ParticleWriter.h"
#include "resources/ParticleRegistry.h"
#include "resources/ResourceHost.h"
#include "resources/zmParticleSystem.h"
#include "util/ByteReader.h"
#include "util/ByteWriter.h"

namespace {

namespace fs = std::filesystem;
using Vesk::zmParticleSystem;
using vesk_tools::ParticleDefinition;

// The generator as the particle system must draw it, written out independently.
struct Lcg {
    uint32_t state;
    float Next(float lo, float hi) {
        state = state * 214013u + 2531011u;
        return lo + (hi - lo) * (static_cast<float>((state >> 16) & 0xFFFF) * (1.0f / 65535.0f));
    }
};

zmParticleSystem::DefinitionFile Parse(const ParticleDefinition& def) {
    zmParticleSystem::DefinitionFile file;
    std::string error;
    EXPECT_TRUE(
        zmParticleSystem::ReadDefinition(vesk_tools::WriteParticleDefinition(def), file, error))
        << error;
    return file;
}

// A long-lived, still definition: particles only move when a test asks.
ParticleDefinition Still(int rate) {
    ParticleDefinition def;
    def.rate = rate;
    def.lifeMin = def.lifeMax = 100.0f;
    def.speedMin = def.speedMax = 0.0f;
    return def;
}

std::unique_ptr<Vesk::MemoryImage> MakeImage(int w, int h, uint32_t color) {
    auto image = std::make_unique<Vesk::MemoryImage>();
    std::vector<uint32_t> bits(static_cast<size_t>(w) * h, color);
    image->SetBits(bits.data(), w, h, true);
    return image;
}

TEST(ParticleDefinitionTest, EveryFieldReadsBackAsTheWriterWroteIt) {
    ParticleDefinition def;
    def.rate = 77;
    def.duration = 2.5f;
    def.lifeMin = 0.25f;
    def.lifeMax = 0.75f;
    def.direction = 1.0f;
    def.spread = 0.5f;
    def.relative = true;
    float next = 3.0f;
    for (float* f : {&def.speedMin,    &def.speedMax,     &def.gravityMin,    &def.gravityMax,
                     &def.radialMin,   &def.radialMax,    &def.tangentialMin, &def.tangentialMax,
                     &def.scaleStart,  &def.scaleEnd,     &def.scaleVariance, &def.spinStart,
                     &def.spinEnd,     &def.spinVariance, &def.startColor[0], &def.startColor[3],
                     &def.endColor[1], &def.endColor[2],  &def.colorVariance, &def.alphaVariance}) {
        *f = next;
        next += 1.0f;
    }
    def.additive = true;
    def.position = {{12.5f, -4.0f}};
    def.image = "images/particles/spark";
    def.clip = {{0, 0}, {10, 0}, {0, -10}};
    def.path = {{1, 2}, {3, 4}};
    def.pathValueMode = {{0.5f, 3}};

    const zmParticleSystem::DefinitionFile file = Parse(def);
    const zmParticleSystem::Definition& d = file.mDefinition;
    EXPECT_EQ(d.mRate, 77);
    EXPECT_EQ(d.mRelative, 1);
    const float read[] = {
        d.mDuration,      d.mLifeMin,       d.mLifeMax,       d.mDirection,     d.mSpread,
        d.mSpeedMin,      d.mSpeedMax,      d.mGravityMin,    d.mGravityMax,    d.mRadialMin,
        d.mRadialMax,     d.mTangentialMin, d.mTangentialMax, d.mScaleStart,    d.mScaleEnd,
        d.mScaleVariance, d.mSpinStart,     d.mSpinEnd,       d.mSpinVariance,  d.mColorStart[0],
        d.mColorStart[3], d.mColorEnd[1],   d.mColorEnd[2],   d.mColorVariance, d.mAlphaVariance};
    const float want[] = {2.5f, 0.25f, 0.75f, 1.0f, 0.5f, 3,  4,  5,  6,  7,  8,  9, 10,
                          11,   12,    13,    14,   15,   16, 17, 18, 19, 20, 21, 22};
    for (size_t i = 0; i < std::size(want); ++i) {
        EXPECT_EQ(read[i], want[i]) << "field " << i;
    }
    EXPECT_EQ(file.mAdditive, 1);
    EXPECT_TRUE(file.mHasPosition);
    EXPECT_EQ(file.mX, 12.5f);
    EXPECT_EQ(file.mY, -4.0f);
    EXPECT_EQ(file.mImageName, "images/particles/spark");
    EXPECT_EQ(file.mClip, (std::vector<zmParticleSystem::Point>{{0, 0}, {10, 0}, {0, -10}}));
    EXPECT_EQ(file.mPath, (std::vector<zmParticleSystem::Point>{{1, 2}, {3, 4}}));
    EXPECT_EQ(file.mPathValue, 0.5f);
    EXPECT_EQ(file.mPathMode, 3);
}

TEST(ParticleDefinitionTest, BadInputIsRefusedWithItsReason) {
    const std::vector<uint8_t> good = vesk_tools::WriteParticleDefinition(ParticleDefinition{});
    ASSERT_EQ(good.size(), 128u);
    auto with = [&](std::vector<uint8_t> tail) {
        std::vector<uint8_t> bytes = good;
        bytes.insert(bytes.end(), tail.begin(), tail.end());
        return bytes;
    };
    std::vector<uint8_t> nan = good;
    nan[12] = nan[13] = 0xFF;
    nan[14] = 0xC0;
    nan[15] = 0x7F;
    ParticleDefinition longName;
    longName.image = std::string(260, 'a');
    const struct {
        std::vector<uint8_t> bytes;
        const char* reason;
    } cases[] = {
        {std::vector<uint8_t>(good.begin(), good.begin() + 100), "parameter block of 100 bytes"},
        {nan, "in the parameter block"},
        {with({9}), "unknown tag 9 at byte 128"},
        {with({0}), "record of tag 0"},
        {with({1, 0, 0, 0, 0, 0}), "record of tag 1"},
        {with({2, 10, 0, 0, 0, 'a', 'b'}), "record of tag 2"},
        {vesk_tools::WriteParticleDefinition(longName), "image name of 260 bytes"},
        {with({3, 0xE8, 3, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0}), "1000 points past the end"},
        {with({4, 1, 0, 0, 0, 1, 0}), "record of tag 4"},
        {with({5, 0, 0, 0, 0}), "record of tag 5"},
    };
    for (const auto& c : cases) {
        zmParticleSystem::DefinitionFile file;
        std::string error;
        EXPECT_FALSE(zmParticleSystem::ReadDefinition(c.bytes, file, error)) << c.reason;
        EXPECT_NE(error.find(c.reason), std::string::npos) << error;
    }
}

TEST(ParticleDefinitionTest, FilesLoadTheirImageAndCorruptOnesStayEmpty) {
    const fs::path dir = fs::temp_directory_path() / "vesk_particle_files";
    fs::create_directories(dir);
    ParticleDefinition def = Still(10);
    def.image = "spark";
    const std::vector<uint8_t> good = vesk_tools::WriteParticleDefinition(def);
    std::ofstream((dir / "good.bin").string(), std::ios::binary)
        .write(reinterpret_cast<const char*>(good.data()),
               static_cast<std::streamsize>(good.size()));
    std::ofstream((dir / "bad.bin").string(), std::ios::binary) << "short";

    auto image = MakeImage(2, 2, 0xFFFFFFFF);
    std::vector<std::string> asked;
    auto lookup = [&](const std::string& name) {
        asked.push_back(name);
        return image.get();
    };
    zmParticleSystem loaded((dir / "good.bin").string(), 0.0f, lookup);
    EXPECT_EQ(loaded.mDefinition.mImage, image.get());
    EXPECT_EQ(loaded.mDefinition.mRate, 10);
    EXPECT_EQ(asked, std::vector<std::string>{"spark"});
    EXPECT_EQ(loaded.GetLoadError(), "");

    zmParticleSystem corrupt((dir / "bad.bin").string(), 0.0f, lookup);
    EXPECT_EQ(corrupt.mDefinition.mRate, 0);
    EXPECT_NE(corrupt.GetLoadError().find("bad.bin"), std::string::npos);
    zmParticleSystem missing((dir / "missing.bin").string(), 0.0f, lookup);
    EXPECT_EQ(missing.GetLoadError(), "");
    EXPECT_EQ(missing.mDefinition.mImage, nullptr);
    fs::remove_all(dir);
}

TEST(ParticleSystemTest, RandomFollowsTheSharedSequence) {
    zmParticleSystem::SeedRandom(1);
    Lcg lcg{1};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(zmParticleSystem::Random(-3.0f, 7.0f), lcg.Next(-3.0f, 7.0f));
    }
    zmParticleSystem::SeedRandom(1);
    // 1 * 214013 + 2531011 = 2745024; >> 16 = 41.
    EXPECT_EQ(zmParticleSystem::Random(0.0f, 65535.0f), 41.0f);
}

TEST(ParticleSystemTest, ANewParticleDrawsItsNumbersInTheFixedOrder) {
    ParticleDefinition def;
    def.rate = 100;
    def.lifeMin = 1.0f;
    def.lifeMax = 2.0f;
    def.direction = 0.3f;
    def.spread = 0.8f;
    def.relative = true;
    def.speedMin = 10;
    def.speedMax = 20;
    def.gravityMin = 1;
    def.gravityMax = 2;
    def.radialMin = 3;
    def.radialMax = 4;
    def.tangentialMin = 5;
    def.tangentialMax = 6;
    def.scaleStart = 1;
    def.scaleEnd = 3;
    def.scaleVariance = 0.5f;
    def.spinStart = 2;
    def.spinEnd = 4;
    def.spinVariance = 0.25f;
    def.startColor[0] = 0.2f;
    def.endColor[0] = 0.6f;
    def.startColor[3] = 1.0f;
    def.endColor[3] = 0.0f;
    def.colorVariance = 0.5f;
    def.alphaVariance = 0.3f;
    zmParticleSystem system(Parse(def), 0.0f);
    system.ResetAt(10, 20);
    system.MoveTo(30, 20, false);
    zmParticleSystem::SeedRandom(99);
    system.Step(0.01f);
    ASSERT_EQ(system.GetLiveCount(), 1);

    Lcg r{99};
    const zmParticleSystem::Particle& p = system.GetParticle(0);
    const float life = r.Next(1, 2);
    const float t = r.Next(0, 1);
    const float x = 10 + t * (30 - 10.0f) + r.Next(-2, 2);
    const float y = 20 + t * 0.0f + r.Next(-2, 2);
    float angle = r.Next(0, 0.8f) + (0.3f - 1.5707964f) - 0.8f * 0.5f;
    angle += std::atan2(0.0f, -20.0f) + 1.5707964f;
    const float speed = r.Next(10, 20);
    EXPECT_EQ(p.life, life);
    EXPECT_EQ(p.x, x);
    EXPECT_EQ(p.y, y);
    EXPECT_FLOAT_EQ(p.vx, std::cos(angle) * speed);
    EXPECT_FLOAT_EQ(p.vy, std::sin(angle) * speed);
    EXPECT_EQ(p.gravity, r.Next(1, 2));
    EXPECT_EQ(p.radial, r.Next(3, 4));
    EXPECT_EQ(p.tangential, r.Next(5, 6));
    const float scale = r.Next(1, 1 + (3 - 1) * 0.5f);
    EXPECT_EQ(p.scale, scale);
    EXPECT_EQ(p.scaleDelta, (3 - scale) / life);
    EXPECT_EQ(p.spin, r.Next(2, 2 + (4 - 2) * 0.25f));
    EXPECT_EQ(p.color[0], r.Next(0.2f, 0.2f + (0.6f - 0.2f) * 0.5f));
    EXPECT_EQ(p.color[1], r.Next(1, 1));
    EXPECT_EQ(p.color[2], r.Next(1, 1));
    const float alpha = r.Next(1, 1 + (0 - 1.0f) * 0.3f);
    EXPECT_EQ(p.color[3], alpha);
    EXPECT_EQ(p.colorDelta[3], (0 - alpha) / life);
    // The next draw is the next particle's life: nothing else was drawn.
    EXPECT_EQ(zmParticleSystem::Random(0, 1), r.Next(0, 1));
}

TEST(ParticleSystemTest, EmissionCarriesItsFraction) {
    zmParticleSystem system(Parse(Still(100)), 0.0f);
    system.ResetAt(0, 0);
    system.Step(0.015f);
    EXPECT_EQ(system.GetLiveCount(), 1);
    EXPECT_FLOAT_EQ(system.mCarry, 0.5f);
    system.Step(0.015f);
    EXPECT_EQ(system.GetLiveCount(), 3);
    EXPECT_FLOAT_EQ(system.mCarry, 0.0f);
}

TEST(ParticleSystemTest, EmissionSpreadsAlongTheMotionAndStopsAt500) {
    zmParticleSystem system(Parse(Still(10000)), 0.0f);
    system.ResetAt(0, 0);
    system.MoveTo(100, 0, false);
    system.Step(0.04f);
    ASSERT_EQ(system.GetLiveCount(), 400);
    float minX = 1e9f;
    float maxX = -1e9f;
    for (int i = 0; i < system.GetLiveCount(); ++i) {
        minX = std::min(minX, system.GetParticle(i).x);
        maxX = std::max(maxX, system.GetParticle(i).x);
        EXPECT_LE(std::abs(system.GetParticle(i).y), 2.0f);
    }
    EXPECT_LT(minX, 10.0f);
    EXPECT_GT(maxX, 90.0f);
    EXPECT_EQ(system.mPrevX, 100.0f);
    system.Step(0.04f);
    EXPECT_EQ(system.GetLiveCount(), zmParticleSystem::kMaxParticles);
}

TEST(ParticleSystemTest, TheClockStartsStopsAndRunsForEver) {
    ParticleDefinition burst = Still(10);
    burst.duration = 1.0f;
    zmParticleSystem system(Parse(burst), 0.0f);
    system.Step(0.5f);
    EXPECT_EQ(system.GetLiveCount(), 0) << "never placed";
    system.ResetAt(5, 5);
    EXPECT_EQ(system.mClock, 0.0f);
    system.Step(0.5f);
    EXPECT_EQ(system.GetLiveCount(), 5);
    system.Step(0.5f);
    EXPECT_EQ(system.mClock, zmParticleSystem::kUnplaced);
    EXPECT_EQ(system.GetLiveCount(), 5);

    zmParticleSystem endless(Parse(Still(10)), 0.0f);
    endless.RestartClock();
    EXPECT_EQ(endless.mClock, zmParticleSystem::kUnlimited);
    for (int i = 0; i < 10; ++i) {
        endless.Step(1.0f);
    }
    EXPECT_EQ(endless.GetLiveCount(), 100);
    EXPECT_EQ(endless.mClock, zmParticleSystem::kUnlimited);
}

TEST(ParticleSystemTest, AParticleDiesInTheStepItsAgeReachesItsLife) {
    ParticleDefinition def = Still(4);
    def.lifeMin = def.lifeMax = 0.5f;
    zmParticleSystem system(Parse(def), 0.0f);
    system.ResetAt(0, 0);
    system.Step(0.25f);
    system.FlagUnplaced();
    system.Step(0.25f);
    EXPECT_EQ(system.GetLiveCount(), 1);
    system.Step(0.25f);
    EXPECT_EQ(system.GetLiveCount(), 0);
}

// Forty particles, one of which dies and is replaced by the last, which then steps in its
// slot. Each moves as the formula says, bit for bit.
TEST(ParticleSystemTest, MotionAppliesRadialTangentialAndGravity) {
    constexpr int kCount = 40;
    constexpr int kDying = 20;
    zmParticleSystem system(Parse(Still(0)), 0.0f);
    system.ResetAt(1, -2);
    system.mLiveCount = kCount;
    std::vector<zmParticleSystem::Particle> before;
    for (int i = 0; i < kCount; ++i) {
        zmParticleSystem::Particle p{};
        p.x = 3.0f + 7.5f * static_cast<float>(i);
        p.y = 4.0f - 3.25f * static_cast<float>(i * i);
        p.vx = 0.5f * static_cast<float>(i);
        p.spinDelta = 0.3f;
        p.scaleDelta = -0.2f * static_cast<float>(i);
        p.color[2] = 0.7f;
        p.colorDelta[2] = -0.3f * static_cast<float>(i);
        p.life = i == kDying ? 0.05f : 10.0f;
        p.radial = 10.0f - 3.0f * static_cast<float>(i);
        p.tangential = 20.0f + static_cast<float>(i);
        p.gravity = 5;
        system.SetParticle(i, p);
        before.push_back(p);
    }
    EXPECT_NEAR(zmParticleSystem::InvSqrt(25.0f), 0.2f, 0.001f);
    system.Step(0.1f);
    ASSERT_EQ(system.GetLiveCount(), kCount - 1);
    for (int i = 0; i < kCount - 1; ++i) {
        const zmParticleSystem::Particle& b = before[i == kDying ? kCount - 1 : i];
        const zmParticleSystem::Particle p = system.GetParticle(i);
        const float dx = b.x - 1;
        const float dy = b.y + 2;
        const float n = zmParticleSystem::InvSqrt(dx * dx + dy * dy);
        const float nx = dx * n;
        const float ny = dy * n;
        const float vx = b.vx + 0.1f * (b.radial * nx - b.tangential * ny);
        const float vy = b.vy + 0.1f * (b.radial * ny + b.tangential * nx) + b.gravity * 0.1f;
        EXPECT_EQ(p.vx, vx) << i;
        EXPECT_EQ(p.vy, vy) << i;
        EXPECT_EQ(p.x, b.x + vx * 0.1f) << i;
        EXPECT_EQ(p.y, b.y + vy * 0.1f) << i;
        EXPECT_EQ(p.spin, b.spin + b.spinDelta * 0.1f) << i;
        EXPECT_EQ(p.scale, b.scale + b.scaleDelta * 0.1f) << i;
        EXPECT_EQ(p.color[2], b.color[2] + b.colorDelta[2] * 0.1f) << i;
        EXPECT_EQ(p.age, 0.1f) << i;
        EXPECT_EQ(p.life, b.life) << i;
    }
}

TEST(ParticleSystemTest, DragMovesLiveParticlesAndPlainMovesDoNot) {
    zmParticleSystem system(Parse(Still(1000)), 0.0f);
    system.ResetAt(50, 50);
    system.Step(0.01f);
    system.FlagUnplaced();
    ASSERT_EQ(system.GetLiveCount(), 10);
    const float x0 = system.GetParticle(0).x;
    const float y0 = system.GetParticle(0).y;
    system.MoveTo(55, 57, true);
    EXPECT_EQ(system.GetParticle(0).x, x0 + 5);
    EXPECT_EQ(system.GetParticle(0).y, y0 + 7);
    EXPECT_EQ(system.mPrevX, 55.0f);
    system.RestartClock();
    system.MoveTo(80, 57, false);
    EXPECT_EQ(system.GetParticle(0).x, x0 + 5);
    EXPECT_EQ(system.mPrevX, 55.0f);
    EXPECT_EQ(system.mCurX, 80.0f);
}

TEST(ParticleSystemTest, FixedStepsRunAtMostOncePerUpdate) {
    zmParticleSystem system(Parse(Still(100)), 100.0f);
    system.ResetAt(0, 0);
    system.Update(0.004f);
    EXPECT_EQ(system.GetLiveCount(), 0);
    system.Update(0.035f);
    ASSERT_EQ(system.GetLiveCount(), 1);
    EXPECT_FLOAT_EQ(system.GetParticle(0).age, 0.0f);
    EXPECT_NEAR(system.mStepAccumulator, 0.009f, 1e-6f);
    system.Update(1e30f);
    EXPECT_LT(system.mStepAccumulator, 0.01f);
}

TEST(ParticleSystemTest, WindingTestHonoursBothOrientations) {
    const std::vector<zmParticleSystem::Point> cw = {{0, 0}, {10, 0}, {0, 10}, {0, 0}};
    const std::vector<zmParticleSystem::Point> ccw = {{0, 0}, {0, 10}, {10, 0}, {0, 0}};
    const struct {
        int x, y;
        bool inside;
    } points[] = {{2, 2, true}, {8, 8, false}, {-1, 2, false}, {0, 5, true}, {4, 11, false}};
    for (const auto& pt : points) {
        EXPECT_EQ(zmParticleSystem::InsidePolygon(cw, pt.x, pt.y), pt.inside)
            << pt.x << "," << pt.y;
        EXPECT_EQ(zmParticleSystem::InsidePolygon(ccw, pt.x, pt.y), pt.inside)
            << pt.x << "," << pt.y;
    }
}

TEST(ParticleSystemTest, DrawingSkipsParticlesOutsideTheClipAndRestoresTheContext) {
    auto sprite = MakeImage(2, 2, 0xFFFFFFFF);
    ParticleDefinition def = Still(0);
    def.additive = true;
    def.startColor[0] = 1.5f;  // clamped, not spilled into its neighbour
    zmParticleSystem::DefinitionFile file = Parse(def);
    for (const auto& clip : {std::vector<zmParticleSystem::Point>{{0, 0}, {20, 0}},
                             std::vector<zmParticleSystem::Point>{{0, 0}, {20, 0}, {0, 20}}}) {
        file.mClip = clip;
        zmParticleSystem system(file, 0.0f, [&](const std::string&) { return sprite.get(); });
        system.mDefinition.mImage = sprite.get();
        system.mLiveCount = 2;
        for (int i = 0; i < 2; ++i) {
            zmParticleSystem::Particle p{};
            p.x = p.y = i == 0 ? 5.0f : 30.0f;
            p.scale = 1;
            p.life = 1;
            std::fill(std::begin(p.color), std::end(p.color), 1.0f);
            p.color[1] = 0.5f;
            system.SetParticle(i, p);
        }
        Vesk::MemoryImage target;
        target.Create(40, 40);
        Vesk::Graphics g(&target);
        g.SetColor(Vesk::Color(1, 2, 3));
        system.Draw(&g);
        const uint32_t lit = target.GetBits()[5 * 40 + 5];
        EXPECT_GE(lit >> 16 & 0xFF, 0xFEu);
        EXPECT_NEAR(static_cast<int>(lit >> 8 & 0xFF), 0x7F, 2);
        EXPECT_EQ((target.GetBits()[30 * 40 + 30] & 0xFFFFFF) != 0, clip.size() < 3);
        EXPECT_EQ(g.GetDrawMode(), Vesk::kDrawModeNormal);
        EXPECT_EQ(g.GetColor().mBlue, 3);
        EXPECT_FALSE(g.GetColorizeImages());
        EXPECT_EQ(system.mClip.size(), clip.size());
    }
}

TEST(ParticleSystemTest, SavedRecordIsTwelveBytesAndRestartsTheBurst) {
    ParticleDefinition def = Still(10);
    def.duration = 3.0f;
    const zmParticleSystem::DefinitionFile file = Parse(def);
    zmParticleSystem saved(file, 0.0f);
    saved.ResetAt(3, 4);
    saved.Step(0.5f);
    Vesk::ByteWriter out;
    saved.Save(out);
    ASSERT_EQ(out.Size(), 12u);

    zmParticleSystem loaded(file, 0.0f);
    Vesk::ByteReader in(out.Bytes());
    loaded.Load(in);
    EXPECT_EQ(loaded.mClock, 0.0f);
    EXPECT_EQ(loaded.mCurX, 3.0f);
    EXPECT_EQ(loaded.mPrevY, 4.0f);

    zmParticleSystem unplaced(file, 0.0f);
    Vesk::ByteWriter none;
    unplaced.Save(none);
    zmParticleSystem reloaded(file, 0.0f);
    reloaded.MoveTo(9, 9, false);
    Vesk::ByteReader again(none.Bytes());
    reloaded.Load(again);
    EXPECT_EQ(reloaded.mClock, zmParticleSystem::kUnplaced);
    EXPECT_EQ(reloaded.mCurX, 9.0f);
}

TEST(ParticleSystemTest, CopiesShareTheImageAndStartUnplacedWithoutParticles) {
    auto sprite = MakeImage(2, 2, 0xFFFFFFFF);
    ParticleDefinition def = Still(100);
    def.clip = {{0, 0}, {1, 0}, {0, 1}};
    zmParticleSystem original(Parse(def), 50.0f);
    original.mDefinition.mImage = sprite.get();
    original.ResetAt(7, 8);
    original.Step(0.1f);
    original.MoveTo(20, 30, false);
    const auto copy = zmParticleSystem::zmParticleSystemCopy(original);
    EXPECT_EQ(copy->mDefinition.mImage, sprite.get());
    EXPECT_EQ(copy->mClip, original.mClip);
    EXPECT_EQ(copy->GetLiveCount(), 0);
    EXPECT_EQ(copy->mClock, zmParticleSystem::kUnplaced);
    EXPECT_EQ(copy->mStepLength, 0.0f);
    EXPECT_EQ(copy->mCurX, 7.0f);
}

class CountingHost : public Vesk::ResourceHost {
public:
    std::map<std::string, int> mLoads;
    Vesk::Image* GetImage(const std::string& path) override {
        ++mLoads[path];
        return MakeImage(1, 1, 0xFFFFFFFF).release();
    }
};

TEST(ParticleRegistryTest, HoldsAHundredSystemsAndLoadsEachImageOnce) {
    const fs::path path = fs::temp_directory_path() / "vesk_particle_registry.bin";
    ParticleDefinition def = Still(100);
    def.image = "dot";
    const std::vector<uint8_t> bytes = vesk_tools::WriteParticleDefinition(def);
    std::ofstream(path.string(), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));

    CountingHost host;
    ParticleRegistry registry(100.0f, &host);
    registry.mDrawOffsetX = 4;
    for (int i = 0; i < ParticleRegistry::kMaxSystems; ++i) {
        Vesk::zmParticleSystem* system = registry.CreateParticleSystem(path.string(), 10, 20);
        ASSERT_NE(system, nullptr);
        EXPECT_EQ(system->mCurX, 10.0f);
        EXPECT_EQ(system->mDrawOffsetX, 4.0f);
        EXPECT_EQ(system->mClock, zmParticleSystem::kUnlimited);
    }
    EXPECT_EQ(registry.CreateParticleSystem(path.string(), 0, 0), nullptr);
    EXPECT_EQ(registry.mCount.load(), 100);
    EXPECT_EQ(host.mLoads["dot"], 1);
    registry.UpdateParticleSystems(0.01f);
    EXPECT_EQ(registry.mSystems[99]->GetLiveCount(), 1);
    registry.DeleteParticleSystems();
    EXPECT_EQ(registry.mCount.load(), 0);
    fs::remove(path);
}

}  // namespace

namespace {

TEST(ParticleSystemTest, AdditiveSpritesMatchAStretchedDrawOfEachParticle) {
    auto sprite = std::make_unique<Vesk::MemoryImage>();
    std::vector<uint32_t> bits(64);
    for (size_t i = 0; i < bits.size(); ++i) {
        bits[i] = static_cast<uint32_t>((i * 4) << 24) | static_cast<uint32_t>(0x30A0F0 + i * 3);
    }
    sprite->SetBits(bits.data(), 8, 8, true);
    ParticleDefinition def = Still(0);
    def.additive = true;
    zmParticleSystem system(Parse(def), 0.0f);
    system.mDefinition.mImage = sprite.get();
    system.mLiveCount = 12;
    for (int i = 0; i < 12; ++i) {
        zmParticleSystem::Particle p{};
        p.x = 10.0f + 13.0f * static_cast<float>(i % 4);
        p.y = 10.0f + 15.0f * static_cast<float>(i / 4);
        p.scale = 0.4f + 0.15f * static_cast<float>(i);
        p.life = 1;
        p.color[0] = 0.1f * static_cast<float>(i % 10);
        p.color[1] = 0.9f;
        p.color[2] = 0.5f;
        p.color[3] = 0.3f + 0.05f * static_cast<float>(i);
        system.SetParticle(i, p);
    }
    Vesk::MemoryImage cached;
    cached.Create(64, 48);
    Vesk::Graphics g(&cached);
    system.Draw(&g);
    system.Draw(&g);

    Vesk::MemoryImage direct;
    direct.Create(64, 48);
    Vesk::Graphics d(&direct);
    d.SetDrawMode(Vesk::kDrawModeAdditive);
    d.SetColorizeImages(true);
    for (int pass = 0; pass < 2; ++pass) {
        for (int i = 0; i < 12; ++i) {
            const zmParticleSystem::Particle& p = system.GetParticle(i);
            d.SetColor(Vesk::Color(
                static_cast<int>(255 * p.color[0]), static_cast<int>(255 * p.color[1]),
                static_cast<int>(255 * p.color[2]), static_cast<int>(255 * p.color[3])));
            const float w = 8 * p.scale;
            d.DrawImageStretched(sprite.get(), static_cast<int>(p.x - w * 0.5f),
                                 static_cast<int>(p.y - w * 0.5f), static_cast<int>(w),
                                 static_cast<int>(w));
        }
    }
    int worst = 0;
    for (int i = 0; i < 64 * 48; ++i) {
        for (int shift : {0, 8, 16}) {
            const int a = static_cast<int>(cached.GetBits()[i] >> shift & 0xFF);
            const int b = static_cast<int>(direct.GetBits()[i] >> shift & 0xFF);
            worst = std::max(worst, std::abs(a - b));
        }
    }
    // The kept sprite rounds once more: each addition within 2 levels.
    EXPECT_LE(worst, 4);
}

// Additive sprites crossing the clip's edges, or the image's, are cut, never changed: inside the
// clip the picture is the unclipped one, outside it nothing is drawn.
TEST(ParticleSystemTest, ClippedAdditiveSpritesAreTheUnclippedOnesCut) {
    auto sprite = MakeImage(8, 8, 0xFF60A0E0u);
    ParticleDefinition def = Still(0);
    def.additive = true;
    zmParticleSystem system(Parse(def), 0.0f);
    system.mDefinition.mImage = sprite.get();
    system.mLiveCount = 60;
    for (int i = 0; i < 60; ++i) {
        zmParticleSystem::Particle p{};
        p.x = -3.0f + 7.3f * static_cast<float>(i % 10);
        p.y = -2.0f + 9.1f * static_cast<float>(i / 10);
        p.scale = 0.25f + 0.1f * static_cast<float>(i % 8);
        p.life = 1;
        p.color[0] = p.color[1] = p.color[2] = 1.0f;
        p.color[3] = i % 3 == 0 ? 1.0f : 0.6f;
        system.SetParticle(i, p);
    }
    constexpr int kW = 64;
    constexpr int kH = 48;
    const Vesk::Rect clip(13, 9, 30, 25);
    Vesk::MemoryImage whole;
    whole.Create(kW, kH);
    Vesk::Graphics g(&whole);
    system.Draw(&g);
    Vesk::MemoryImage cut;
    cut.Create(kW, kH);
    Vesk::Graphics c(&cut);
    c.ClipRect(clip.mX, clip.mY, clip.mWidth, clip.mHeight);
    system.Draw(&c);
    for (int y = 0; y < kH; ++y) {
        for (int x = 0; x < kW; ++x) {
            const bool inside = clip.Contains(x, y);
            const uint32_t expected = inside ? whole.GetBits()[y * kW + x] : 0u;
            ASSERT_EQ(cut.GetBits()[y * kW + x], expected) << x << "," << y;
        }
    }
}

}  // namespace
