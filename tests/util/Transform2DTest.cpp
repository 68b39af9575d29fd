#include "util/Transform2D.h"

#include <gtest/gtest.h>

namespace Vesk {
namespace {

void ExpectSame(const Matrix3x3& actual, const Matrix3x3& expected, float tolerance = 1e-6f) {
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            EXPECT_NEAR(actual.m[r][c], expected.m[r][c], tolerance) << "m" << r << c;
        }
    }
}

Matrix3x3 Identity() {
    Matrix3x3 matrix;
    matrix.SetIdentity();
    return matrix;
}

TEST(Transform2DTest, NewTransformIsTheIdentityInParameterForm) {
    Transform2D t;
    EXPECT_TRUE(t.mNeedCalc);
    EXPECT_FALSE(t.mComplex);
    EXPECT_FALSE(t.mHaveRot);
    EXPECT_FALSE(t.mHaveScale);
    EXPECT_EQ(t.mScaleX, 1.0f);
    EXPECT_EQ(t.mScaleY, 1.0f);
    ExpectSame(t.GetMatrix(), Identity(), 0.0f);
    EXPECT_FALSE(t.mNeedCalc);
}

TEST(Transform2DTest, RotationsAddUpInParameterForm) {
    Transform2D t;
    t.Rotate(0.3f);
    t.Rotate(0.5f);
    EXPECT_FALSE(t.mComplex);
    EXPECT_TRUE(t.mHaveRot);
    EXPECT_FLOAT_EQ(t.mRot, 0.8f);
    Matrix3x3 expected = Identity();
    expected.Rotate(0.8f);
    ExpectSame(t.GetMatrix(), expected);
}

TEST(Transform2DTest, ScaleAfterRotateComposesInTheMatrix) {
    Transform2D t;
    t.Rotate(0.4f);
    t.Scale(2, 3);
    EXPECT_TRUE(t.mComplex);
    Matrix3x3 expected = Identity();
    expected.Rotate(0.4f);
    expected.Scale(2, 3);
    ExpectSame(t.GetMatrix(), expected);

    // Once complex, every further call goes into the matrix, and reading it
    // again does not rebuild it from the parameters.
    t.Rotate(0.1f);
    t.Scale(-2, 1);
    expected.Rotate(0.1f);
    expected.Scale(-2, 1);
    ExpectSame(t.GetMatrix(), expected);
    ExpectSame(t.GetMatrix(), expected);
    EXPECT_FLOAT_EQ(t.mRot, 0.4f);
}

TEST(Transform2DTest, RotateAfterScaleComposesInTheMatrix) {
    Transform2D t;
    t.Scale(2, 2);
    EXPECT_FALSE(t.mComplex);
    t.Rotate(0.25f);
    EXPECT_TRUE(t.mComplex);
    Matrix3x3 expected = Identity();
    expected.Scale(2, 2);
    expected.Rotate(0.25f);
    ExpectSame(t.GetMatrix(), expected);
}

TEST(Transform2DTest, OnlyAnExactMirrorOnXKeepsANegativeScaleInParameterForm) {
    Transform2D mirror;
    mirror.Scale(-1, 1);
    EXPECT_FALSE(mirror.mComplex);
    EXPECT_EQ(mirror.mScaleX, -1.0f);
    const Vector2 p = mirror.GetMatrix().TransformPoint({3, 4});
    EXPECT_EQ(p.x, -3.0f);
    EXPECT_EQ(p.y, 4.0f);

    Transform2D twoThenHalfMirror;
    twoThenHalfMirror.Scale(2, 3);
    twoThenHalfMirror.Scale(-0.5f, 1);
    EXPECT_FALSE(twoThenHalfMirror.mComplex);
    EXPECT_EQ(twoThenHalfMirror.mScaleX, -1.0f);
    EXPECT_EQ(twoThenHalfMirror.mScaleY, 3.0f);

    Transform2D wide;
    wide.Scale(-2, 1);
    EXPECT_TRUE(wide.mComplex);
    EXPECT_EQ(wide.mScaleX, 1.0f);
    EXPECT_EQ(wide.GetMatrix().m[0][0], -2.0f);

    Transform2D flipY;
    flipY.Scale(1, -1);
    EXPECT_TRUE(flipY.mComplex);
    EXPECT_EQ(flipY.GetMatrix().m[1][1], -1.0f);

    Transform2D twice;
    twice.Scale(-1, 1);
    twice.Scale(-1, 1);  // -1 x -1 is no longer a mirror
    EXPECT_TRUE(twice.mComplex);
    ExpectSame(twice.GetMatrix(), Identity(), 0.0f);
}

TEST(Transform2DTest, TranslationsWrapTheRotationInOrder) {
    // Point, then the first translation, then the rotation, then the second.
    Transform2D t;
    t.mTransX1 = 10;
    t.mTransX2 = 100;
    t.mTransY2 = 50;
    t.Rotate(1.5707963f);
    const Vector2 p = t.GetMatrix().TransformPoint({0, 0});
    EXPECT_NEAR(p.x, 100, 1e-4f);
    EXPECT_NEAR(p.y, 40, 1e-4f);

    // With a first translation the scale can no longer be kept apart.
    Transform2D shifted;
    shifted.mTransY1 = 5;
    shifted.Scale(2, 2);
    EXPECT_TRUE(shifted.mComplex);
    const Vector2 q = shifted.GetMatrix().TransformPoint({1, 1});
    EXPECT_FLOAT_EQ(q.x, 2);
    EXPECT_FLOAT_EQ(q.y, 12);
}

}  // namespace
}  // namespace Vesk
