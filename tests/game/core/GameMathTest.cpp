#include <gtest/gtest.h>

#include <cmath>

#include "game/core/GameMath.h"
#include "game/core/Vec2.h"
#include "util/ByteReader.h"
#include "util/ByteWriter.h"

namespace {

TEST(GameMathTest, FastDistanceOnTheWorkedValues) {
    struct Case {
        int32_t dx, dy, expected;
    };
    const Case cases[] = {{3, 4, 6},    {0, 10, 10}, {30, 40, 49},
                          {10, 10, 13}, {-5, 0, 5},  {5, 0, 5},
                          {0, 0, 0},    {-3, -4, 6}, {INT32_MIN, INT32_MIN, INT32_MAX}};
    for (const Case& c : cases) {
        EXPECT_EQ(FastDistance(c.dx, c.dy), c.expected) << c.dx << ", " << c.dy;
    }
    EXPECT_NEAR(FastDistanceF(0.3, 0.4), 0.49, 1e-12);
    EXPECT_EQ(FastDistanceF(0.0, 0.0), 0.0);
    EXPECT_NEAR(FastDistanceF(-0.3, 0.4), 0.49, 1e-12);
}

TEST(GameMathTest, WholeDegreeTables) {
    InitTrigTables();
    EXPECT_EQ(sinTable[90], 1.0);
    EXPECT_EQ(cosTable[180], -1.0);
    EXPECT_EQ(sinTable[0], 0.0);
    EXPECT_EQ(cosTable[0], 1.0);
    EXPECT_NEAR(sinTable[270], -1.0, 1e-15);
    EXPECT_NEAR(cosTable[360], 1.0, 1e-15);
    EXPECT_EQ(pi, std::acos(-1.0));
}

TEST(GameMathTest, Vec2ZeroVectorsStayFinite) {
    Vec2 zero{0.0, 0.0, 5.0};
    zero.Rescale();
    EXPECT_EQ(zero.x, 0.0);
    EXPECT_EQ(zero.y, 0.0);

    Vec2 v{3.0, 4.0, 0.0};
    EXPECT_FALSE(v.Project(Vec2{0.0, 0.0, 0.0}));
    EXPECT_EQ(v.x, 3.0);

    EXPECT_TRUE(v.Project(Vec2{2.0, 0.0, 2.0}));
    EXPECT_EQ(v.length, 3.0);
    EXPECT_EQ(v.x, 3.0);
    EXPECT_EQ(v.y, 0.0);

    Vec2 r{0.3, 0.4, 0.98};
    r.Rescale();  // estimate 0.49, so the vector doubles
    EXPECT_NEAR(r.x, 0.6, 1e-12);
    EXPECT_NEAR(r.y, 0.8, 1e-12);

    Vec2 sum{1.0, 1.0, 0.0};
    sum.Add(Vec2{2.0, 3.0, 0.0});
    EXPECT_NEAR(sum.length, FastDistance(300, 400) * 0.01, 1e-12);
}

TEST(GameMathTest, PerpendicularTurnsTowardTheOtherSide) {
    Vec2 v{1.0, 0.0, 1.0};
    EXPECT_EQ(v.Perpendicular(Vec2{0.0, 1.0, 1.0}), 2);  // q below: (-y, x)
    EXPECT_EQ(v.x, -0.0);
    EXPECT_EQ(v.y, 1.0);
    Vec2 w{1.0, 0.0, 1.0};
    EXPECT_EQ(w.Perpendicular(Vec2{0.0, -1.0, 1.0}), 1);  // q above: (y, -x)
    EXPECT_EQ(w.y, -1.0);
}

TEST(GameMathTest, Vec2RecordIsThreeDoubles) {
    Vesk::ByteWriter out;
    Vec2{1.5, -2.0, 3.25}.Save(out);
    ASSERT_EQ(out.Size(), 24u);
    Vesk::ByteReader in(out.Bytes());
    Vec2 back;
    back.Load(in);
    EXPECT_EQ(back.x, 1.5);
    EXPECT_EQ(back.y, -2.0);
    EXPECT_EQ(back.length, 3.25);
}

}  // namespace
