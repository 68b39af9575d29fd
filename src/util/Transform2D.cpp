#include "util/Transform2D.h"

namespace Vesk {

void Transform2D::Rotate(float angle) {
    if (mComplex) {
        mMatrix.Rotate(angle);
    } else if (mHaveScale) {
        MakeComplex();
        mMatrix.Rotate(angle);
    } else {
        mRot += angle;
        mNeedCalc = true;
        mHaveRot = true;
    }
}

void Transform2D::Scale(float sx, float sy) {
    // A plain mirror on x (scale exactly -1) still fits the parameter form.
    const bool xFits = sx >= 0.0f || mScaleX * sx == -1.0f;
    if (!mComplex && !mHaveRot && mTransX1 == 0.0f && mTransY1 == 0.0f && xFits && sy >= 0.0f) {
        mScaleX *= sx;
        mScaleY *= sy;
        mNeedCalc = true;
        mHaveScale = true;
        return;
    }
    MakeComplex();
    mMatrix.Scale(sx, sy);
}

const Matrix3x3& Transform2D::GetMatrix() {
    CalcMatrix();
    return mMatrix;
}

void Transform2D::MakeComplex() {
    if (!mComplex) {
        mComplex = true;
        CalcMatrix();
    }
}

void Transform2D::CalcMatrix() {
    if (!mNeedCalc) {
        return;
    }
    mNeedCalc = false;
    mMatrix.LoadIdentity();
    mMatrix.m[0][2] = mTransX1;
    mMatrix.m[1][2] = mTransY1;
    mMatrix.m[2][2] = 1.0f;
    if (mHaveScale) {
        mMatrix.m[0][0] = mScaleX;
        mMatrix.m[1][1] = mScaleY;
    } else if (mHaveRot) {
        mMatrix.Rotate(mRot);
    }
    if (mTransX2 != 0.0f || mTransY2 != 0.0f) {
        mMatrix.Translate(mTransX2, mTransY2);
    }
}

}  // namespace Vesk
