#include "game/core/Vec2.h"

#include <cmath>

#include "game/core/GameMath.h"
#include "util/ByteReader.h"
#include "util/ByteWriter.h"

namespace {

int32_t TruncHundredths(double v) {
    double scaled = std::trunc(v * 100.0);
    if (!(std::fabs(scaled) < 2e9)) {
        return scaled < 0 ? -2000000000 : 2000000000;
    }
    return static_cast<int32_t>(scaled);
}

}  // namespace

bool Vec2::Project(const Vec2& q) {
    if (q.length == 0.0) {
        return false;
    }
    length = (x * q.x + y * q.y) / q.length;
    x = q.x * length / q.length;
    y = q.y * length / q.length;
    return true;
}

void Vec2::Add(const Vec2& q) {
    x += q.x;
    y += q.y;
    length = FastDistance(TruncHundredths(x), TruncHundredths(y)) * 0.01;
}

void Vec2::Rescale() {
    double current = FastDistanceF(x, y);
    if (current == 0.0) {
        return;
    }
    x *= length / current;
    y *= length / current;
}

int Vec2::Perpendicular(const Vec2& q) {
    double oldX = x;
    if (q.y * x < q.x * y) {
        x = y;
        y = -oldX;
        return 1;
    }
    x = -y;
    y = oldX;
    return 2;
}

void Vec2::Save(Vesk::ByteWriter& out) const {
    out.WriteF64(x);
    out.WriteF64(y);
    out.WriteF64(length);
}

void Vec2::Load(Vesk::ByteReader& in) {
    x = in.F64();
    y = in.F64();
    length = in.F64();
}
