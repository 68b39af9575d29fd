#include "game/core/CForce.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "game/core/BoardContext.h"
#include "game/core/CLevelProgressBar.h"
#include "game/core/GameMedia.h"
#include "graphics/DrawMode.h"
#include "graphics/Graphics.h"
#include "graphics/Image.h"
#include "util/ByteReader.h"
#include "util/ByteWriter.h"
#include "util/GameRandom.h"

namespace {

// A random offset from 0 toward d (either sign), so the wandering points stay between the ends.
double TowardSpan(Vesk::GameRandom& random, int32_t d) {
    if (d == 0) {
        return 0.0;
    }
    int32_t r = random.Next() % std::abs(d);
    return d > 0 ? r : -r;
}

double Bezier(double t, double q0, double q1, double q2, double q3) {
    double u = 1.0 - t;
    return u * u * u * q0 + 3.0 * t * u * u * q1 + 3.0 * t * t * u * q2 + t * t * t * q3;
}

bool Reached(const CForce::Point2& point, const CForce::Point2& target,
             const CForce::Point2& velocity) {
    double dx = target.x - point.x;
    double dy = target.y - point.y;
    if (std::hypot(dx, dy) < CForce::kReachDistance) {
        return true;
    }
    // Each axis moves at its own fixed sign, so a point can pass its target without meeting it:
    // passed on both axes counts as reached.
    return dx * velocity.x <= 0.0 && dy * velocity.y <= 0.0;
}

}  // namespace

CForce::~CForce() = default;

bool CForce::DrainRunning(Vesk::BoardContext* board) {
    if (board == nullptr) {
        return false;
    }
    CLevelProgressBar* bar = board->GetLevelBar();
    return bar != nullptr && bar->GetDrainSpeed() > 0.0;
}

CForce::Point2 CForce::EndPoint(Vesk::BoardContext& board, const Point2& start) const {
    CLevelProgressBar* bar = board.GetLevelBar();
    if (bar == nullptr) {
        return start;
    }
    return {start.x, double(bar->GetBottomY() - bar->GetFill())};
}

void CForce::SetUp(Vesk::BoardContext& board) {
    mBoard = &board;
    layer = kLayer;
    mStrandCount = 0;
    if (mStrands[0] == nullptr) {
        mStrands[0] = std::make_unique<Strand>();
    }
    SetUpStrand(board, *mStrands[0]);
    mStrandCount = 1;
}

int32_t CForce::HalfSpan(const Strand& strand) {
    return static_cast<int32_t>((strand.p[3].y - strand.p[0].y) * 0.5);
}

double CForce::RandomSign(Vesk::GameRandom& random) {
    return (random.Next() & 1) != 0 ? 1.0 : -1.0;
}

void CForce::NewTargets(Vesk::BoardContext& board, Strand& strand, double s, double step) {
    Vesk::GameRandom& random = board.Random();
    const int32_t d = HalfSpan(strand);
    strand.target[0] = {strand.p[0].x + s * (random.Next() % 50),
                        strand.p[0].y + TowardSpan(random, d)};
    strand.target[1] = {strand.p[3].x - s * (random.Next() % 50),
                        strand.p[3].y - TowardSpan(random, d)};
    for (int i = 0; i < 2; ++i) {
        const Point2& point = strand.p[i + 1];
        strand.velocity[i].x = strand.target[i].x - point.x > 0.0 ? step : -step;
        strand.velocity[i].y = strand.target[i].y - point.y > 0.0 ? step : -step;
    }
}

void CForce::SetUpStrand(Vesk::BoardContext& board, Strand& strand) {
    Vesk::GameRandom& random = board.Random();
    strand.p[0] = StartPoint(board);
    strand.p[3] = EndPoint(board, strand.p[0]);
    const int32_t d = HalfSpan(strand);
    const double s = RandomSign(random);
    strand.p[1] = {strand.p[0].x + s * (random.Next() % 50), strand.p[0].y + TowardSpan(random, d)};
    strand.p[2] = {strand.p[3].x - s * (random.Next() % 50), strand.p[3].y - TowardSpan(random, d)};
    NewTargets(board, strand, RandomSign(random), 0.15);
    strand.emissionRate = 30;
    strand.spread = 6;
    strand.speed = 0.001;
    strand.remainder = 0.0;
    strand.particleCount = 0;
    strand.sparkCount = 0;
    strand.started = false;
    strand.startTime = 0;
}

int CForce::Update(Vesk::ObjectOwner& owner) {
    CObject::Update(owner);
    Vesk::BoardContext* board = owner.AsBoard();
    if (!DrainRunning(board)) {
        return 1;
    }
    for (int32_t i = 0; i < mStrandCount; ++i) {
        UpdateStrand(*board, *mStrands[i]);
    }
    return 1;
}

void CForce::UpdateStrand(Vesk::BoardContext& board, Strand& strand) {
    Vesk::GameRandom& random = board.Random();
    double rate = board.TimeRate();
    double now = board.GameTime();
    double k = std::clamp(Intensity(board), 0.0, 1.0);
    double speed = 0.0065 * k + 0.001;
    strand.speed = speed;
    strand.emissionRate =
        static_cast<int32_t>(2.0 * (200.0 * k + 30.0) * std::clamp(Share(board), 0.0, 1.0));
    if (!strand.started) {
        strand.speed = kWarmUpSpeed;
        strand.emissionRate = static_cast<int32_t>(strand.emissionRate * (kWarmUpSpeed / speed));
        if (strand.startTime == 0) {
            strand.startTime = static_cast<int32_t>(std::lround(now));
        }
        if (now - strand.startTime > kWarmUpMs) {
            strand.started = true;
        }
    }

    strand.p[3] = EndPoint(board, strand.p[0]);
    bool reached = false;
    for (int i = 0; i < 2; ++i) {
        strand.p[i + 1].x += strand.velocity[i].x;
        strand.p[i + 1].y += strand.velocity[i].y;
        reached = reached || Reached(strand.p[i + 1], strand.target[i], strand.velocity[i]);
    }
    if (reached) {
        double v = strand.speed * rate * 0.15 / 0.0075;
        const double s = RandomSign(random);
        if (HalfSpan(strand) == 0) {
            return;  // the ends meet: the points stay put this update
        }
        NewTargets(board, strand, s, v);
        strand.spread = std::min(2 + (random.Next() & 7), 6);
    }

    double advance = strand.speed * rate;
    for (int32_t i = 0; i < strand.particleCount;) {
        Particle& particle = strand.particles[i];
        particle.t += advance;
        if (particle.t <= 1.0) {
            particle.alpha = static_cast<int32_t>(particle.alpha + particle.alphaStep * rate);
            if (particle.alpha < 0 || particle.alpha > 255) {
                particle.alpha = std::clamp(particle.alpha, 0, 255);
                particle.alphaStep = -particle.alphaStep;
            }
            double t = particle.t;
            particle.x =
                Bezier(t, strand.p[0].x + particle.offsetX, strand.p[1].x + particle.offsetX,
                       strand.p[2].x + particle.offsetX, strand.p[3].x + particle.offsetX);
            particle.y =
                Bezier(t, strand.p[0].y + particle.offsetY, strand.p[1].y + particle.offsetY,
                       strand.p[2].y + particle.offsetY, strand.p[3].y + particle.offsetY);
            ++i;
            continue;
        }
        if (strand.sparkCount < kMaxParticles) {
            Spark& spark = strand.sparks[strand.sparkCount++];
            spark.alpha = 255;
            spark.driftX = (random.Next() % 20) * 0.1;
            spark.driftY = (random.Next() % 41 - 20) * 0.1;
            spark.x = particle.x;
            spark.y = particle.y;
            spark.scale = 1.0;
        }
        particle = strand.particles[--strand.particleCount];
    }

    for (int32_t i = 0; i < strand.sparkCount;) {
        Spark& spark = strand.sparks[i];
        spark.alpha = static_cast<int32_t>(spark.alpha - 10.0 * rate);
        if (spark.alpha < 1) {
            spark = strand.sparks[--strand.sparkCount];
            continue;
        }
        spark.x += spark.driftX * rate;
        spark.y += spark.driftY * rate;
        spark.scale += 0.02 * rate;
        ++i;
    }

    strand.remainder += strand.emissionRate * strand.elapsed * rate;
    int32_t n = static_cast<int32_t>(std::lround(strand.remainder));
    strand.remainder -= n;
    int32_t spread = std::max(strand.spread, 0);
    for (; n > 0 && strand.particleCount < kMaxParticles; --n) {
        Particle& particle = strand.particles[strand.particleCount++];
        particle.alpha = random.Next() & 255;
        particle.t = 0.0;
        particle.alphaStep = random.Next() % 7 - 3;
        particle.offsetX = random.Next() % (2 * spread + 1) - spread;
        particle.offsetY = random.Next() % (2 * spread + 1) - spread;
        particle.x = strand.p[0].x + particle.offsetX;
        particle.y = strand.p[0].y + particle.offsetY;
    }
}

void CForce::Draw(Vesk::Graphics& g, Vesk::GameMedia& media) {
    if (!DrainRunning(mBoard)) {
        return;
    }
    // The strands wander; what shows of them stays inside the level bar's tube.
    Vesk::Graphics tube(g);
    const Vesk::Rect clip = mBoard->GetLevelBar()->Tube();
    tube.ClipRect(clip.mX, clip.mY, clip.mWidth, clip.mHeight);
    // A frame drawn again only where it changed draws the board once per area; the thousands of
    // particles are not walked in those that miss the tube.
    if (tube.mClipRect.mWidth <= 0 || tube.mClipRect.mHeight <= 0) {
        return;
    }
    for (int32_t i = 0; i < mStrandCount; ++i) {
        DrawStrand(tube, media, *mStrands[i]);
    }
}

void CForce::DrawStrand(Vesk::Graphics& g, Vesk::GameMedia& media, const Strand& strand) {
    Vesk::Image* glow = media.GetImage(ParticleImage());
    Vesk::Image* small = media.GetImage(Vesk::GameImage::BlockBuxpbSmall);
    Vesk::Image* sizeRef = media.GetImage(Vesk::GameImage::GoodForceParticle);
    Vesk::Color tint = Tint();
    g.SetColorizeImages(true);
    g.SetDrawMode(Vesk::kDrawModeAdditive);
    // Thousands of particles: handed over as one batch, which a recording of the frame keeps as
    // one step.
    std::vector<Vesk::Graphics::ImageStamp>& stamps = mStamps;
    stamps.clear();
    stamps.reserve(static_cast<size_t>(strand.particleCount) * 2);
    for (int32_t i = 0; i < strand.particleCount; ++i) {
        const Particle& particle = strand.particles[i];
        int32_t px = static_cast<int32_t>(particle.x);
        int32_t py = static_cast<int32_t>(particle.y);
        if (glow != nullptr) {
            stamps.push_back(
                {glow, px - glow->GetWidth() / 2, py - glow->GetHeight() / 2,
                 Vesk::Color(tint.GetRed(), tint.GetGreen(), tint.GetBlue(), particle.alpha)});
        }
        if (small != nullptr) {
            stamps.push_back(
                {small, px - small->GetWidth() / 2, py - small->GetHeight() / 2,
                 Vesk::Color(tint.GetRed(), tint.GetGreen(), tint.GetBlue(), particle.alpha / 3)});
        }
    }
    g.DrawImageStamps(stamps);
    if (glow == nullptr || sizeRef == nullptr) {
        return;
    }
    for (int32_t i = 0; i < strand.sparkCount; ++i) {
        const Spark& spark = strand.sparks[i];
        int32_t w = static_cast<int32_t>(sizeRef->GetWidth() * spark.scale);
        int32_t h = static_cast<int32_t>(sizeRef->GetHeight() * spark.scale);
        g.SetColor(Vesk::Color(tint.GetRed(), tint.GetGreen(), tint.GetBlue(), spark.alpha));
        g.DrawImageStretched(glow, static_cast<int32_t>(spark.x) - w / 2,
                             static_cast<int32_t>(spark.y) - h / 2, w, h);
    }
}

int CForce::Save(Vesk::ByteWriter& out) {
    WriteTypeId(out, TypeId());
    return 1;
}

int CForce::Load(Vesk::ByteReader&, Vesk::BoardContext& board) {
    mBoard = &board;
    return 1;
}

int CForce::AfterLoad(Vesk::ObjectOwner& owner) {
    if (Vesk::BoardContext* board = owner.AsBoard()) {
        SetUp(*board);
    }
    return 1;
}
