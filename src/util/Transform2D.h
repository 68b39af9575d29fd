#pragma once

#include "util/Matrix3x3.h"

namespace Vesk {

// A 2-D transform kept as parameters (first translation, then a rotation or a
// scale, then the second translation) for as long as the operations can be kept
// apart; after that it lives only in its matrix ("complex"). The drawing
// context reads the parameter fields directly to pick a cheaper blit.
class Transform2D {
public:
    Transform2D() = default;

    void Rotate(float angle);
    void Scale(float sx, float sy);

    // Brings the matrix up to date with the parameters.
    const Matrix3x3& GetMatrix();

    Matrix3x3 mMatrix;
    bool mNeedCalc = true;
    bool mComplex = false;
    bool mHaveRot = false;
    bool mHaveScale = false;
    float mTransX1 = 0.0f;
    float mTransY1 = 0.0f;
    float mTransX2 = 0.0f;
    float mTransY2 = 0.0f;
    float mScaleX = 1.0f;
    float mScaleY = 1.0f;
    float mRot = 0.0f;

private:
    void MakeComplex();
    void CalcMatrix();
};

}  // namespace Vesk
