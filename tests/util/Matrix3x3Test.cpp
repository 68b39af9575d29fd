#include "util/Matrix3x3.h"

#include <gtest/gtest.h>

#include <cmath>

namespace Vesk {
namespace {

constexpr float kPi = 3.14159265358979f;

Matrix3x3 Make(const float (&values)[3][3]) {
    Matrix3x3 matrix;
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            matrix.m[r][c] = values[r][c];
        }
    }
    return matrix;
}

void ExpectNear(const Matrix3x3& actual, const float (&expected)[3][3], float tolerance = 1e-5f) {
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            EXPECT_NEAR(actual.m[r][c], expected[r][c], tolerance) << "m" << r << c;
        }
    }
}

Matrix3x3 Identity() {
    Matrix3x3 matrix;
    matrix.SetIdentity();
    return matrix;
}

const float kIdentity[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};

TEST(Matrix3x3Test, IdentityUnderBothNamesAndCopy) {
    Matrix3x3 a = Make({{9, 9, 9}, {9, 9, 9}, {9, 9, 9}});
    a.LoadIdentity();
    ExpectNear(a, kIdentity, 0.0f);
    Matrix3x3 b = Make({{1, 2, 3}, {4, 5, 6}, {7, 8, 9}});
    a.CopyFrom(b);
    ExpectNear(a, {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}}, 0.0f);
}

TEST(Matrix3x3Test, MultiplyGivesOtherTimesThisEvenWhenAliased) {
    const Matrix3x3 a = Make({{1, 2, 3}, {4, 5, 6}, {7, 8, 10}});
    const Matrix3x3 b = Make({{2, 0, 1}, {1, 3, 0}, {0, 1, 4}});
    const float bTimesA[3][3] = {{9, 12, 16}, {13, 17, 21}, {32, 37, 46}};

    Matrix3x3 result;
    Matrix3x3& returned = a.Multiply(b, result);
    EXPECT_EQ(&returned, &result);
    ExpectNear(result, bTimesA, 0.0f);

    Matrix3x3 intoThis = a;
    intoThis.Multiply(b, intoThis);
    ExpectNear(intoThis, bTimesA, 0.0f);

    Matrix3x3 intoOther = b;
    a.Multiply(intoOther, intoOther);
    ExpectNear(intoOther, bTimesA, 0.0f);
}

TEST(Matrix3x3Test, MultiplyRoundsToFloatAfterEveryTerm) {
    // 1e8 + 1 is 1e8 in float, so the sum comes back to 0, not 1.
    const Matrix3x3 self = Make({{1e8f, 0, 0}, {1, 0, 0}, {-1e8f, 0, 0}});
    const Matrix3x3 other = Make({{1, 1, 1}, {0, 0, 0}, {0, 0, 0}});
    Matrix3x3 result;
    self.Multiply(other, result);
    EXPECT_EQ(result.m[0][0], 0.0f);
}

TEST(Matrix3x3Test, TransformPointAndVector) {
    const Matrix3x3 m = Make({{2, 1, 10}, {-1, 3, 20}, {0.5f, 0, 2}});
    const Vector2 p = m.TransformPoint({3, 4});
    EXPECT_FLOAT_EQ(p.x, 2 * 3 + 4 + 10);
    EXPECT_FLOAT_EQ(p.y, -3 + 12 + 20);  // no division by the third row

    const Vector3 v = m.TransformVector({3, 4, 0});  // a direction ignores translation
    EXPECT_FLOAT_EQ(v.x, 10);
    EXPECT_FLOAT_EQ(v.y, 9);
    EXPECT_FLOAT_EQ(v.z, 1.5f);
    const Vector3 w = m.TransformVector({3, 4, 2});
    EXPECT_FLOAT_EQ(w.x, 30);
    EXPECT_FLOAT_EQ(w.y, 49);
    EXPECT_FLOAT_EQ(w.z, 5.5f);
}

TEST(Matrix3x3Test, RotationTurnsCounterClockwiseOnAYDownScreen) {
    Matrix3x3 m = Identity();
    m.Rotate(kPi / 6);
    const Vector2 p = m.TransformPoint({1, 0});
    EXPECT_NEAR(p.x, std::cos(kPi / 6), 1e-6f);
    EXPECT_NEAR(p.y, -std::sin(kPi / 6), 1e-6f);
    EXPECT_NEAR(m.m[0][1], std::sin(kPi / 6), 1e-6f);
    EXPECT_NEAR(m.m[1][0], -std::sin(kPi / 6), 1e-6f);
}

TEST(Matrix3x3Test, EachOperationAppliesAfterThoseAlreadyInTheMatrix) {
    Matrix3x3 translateThenRotate = Identity();
    translateThenRotate.Translate(10, 0);
    translateThenRotate.Rotate(kPi / 2);
    Vector2 p = translateThenRotate.TransformPoint({0, 0});
    EXPECT_NEAR(p.x, 0, 1e-5f);
    EXPECT_NEAR(p.y, -10, 1e-5f);

    Matrix3x3 rotateThenTranslate = Identity();
    rotateThenTranslate.Rotate(kPi / 2);
    rotateThenTranslate.Translate(10, 0);
    p = rotateThenTranslate.TransformPoint({0, 0});
    EXPECT_NEAR(p.x, 10, 1e-5f);
    EXPECT_NEAR(p.y, 0, 1e-5f);

    Matrix3x3 scaleThenTranslate = Identity();
    scaleThenTranslate.Scale(2, 3);
    scaleThenTranslate.Translate(5, 7);
    p = scaleThenTranslate.TransformPoint({1, 1});
    EXPECT_FLOAT_EQ(p.x, 7);
    EXPECT_FLOAT_EQ(p.y, 10);
    ExpectNear(scaleThenTranslate, {{2, 0, 5}, {0, 3, 7}, {0, 0, 1}}, 0.0f);
}

TEST(Matrix3x3Test, InverseOperationsReturnToTheIdentity) {
    Matrix3x3 m = Identity();
    m.Translate(12.5f, -3);
    m.Rotate(0.7f);
    m.Scale(2, 0.25f);
    m.Scale(0.5f, 4);
    m.Rotate(-0.7f);
    m.Translate(-12.5f, 3);
    ExpectNear(m, kIdentity);

    // Composing with the inverse in either order gives the identity.
    Matrix3x3 forward = Identity();
    forward.Rotate(1.1f);
    forward.Translate(4, 9);
    Matrix3x3 inverse = Identity();
    inverse.Translate(-4, -9);
    inverse.Rotate(-1.1f);
    Matrix3x3 product;
    forward.Multiply(inverse, product);
    ExpectNear(product, kIdentity);
    inverse.Multiply(forward, product);
    ExpectNear(product, kIdentity);
}

}  // namespace
}  // namespace Vesk
