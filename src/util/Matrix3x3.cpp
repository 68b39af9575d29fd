#include "util/Matrix3x3.h"

#include <cmath>

namespace Vesk {

void Matrix3x3::SetIdentity() {
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            m[r][c] = r == c ? 1.0f : 0.0f;
        }
    }
}

void Matrix3x3::CopyFrom(const Matrix3x3& other) {
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            m[r][c] = other.m[r][c];
        }
    }
}

Matrix3x3& Matrix3x3::Multiply(const Matrix3x3& other, Matrix3x3& result) const {
    // Into a temporary first: result may alias either operand.
    float out[3][3];
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            float sum = other.m[i][0] * m[0][j];
            sum = sum + other.m[i][1] * m[1][j];
            sum = sum + other.m[i][2] * m[2][j];
            out[i][j] = sum;
        }
    }
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            result.m[i][j] = out[i][j];
        }
    }
    return result;
}

Vector2 Matrix3x3::TransformPoint(const Vector2& point) const {
    return {m[0][0] * point.x + m[0][1] * point.y + m[0][2],
            m[1][0] * point.x + m[1][1] * point.y + m[1][2]};
}

Vector3 Matrix3x3::TransformVector(const Vector3& vector) const {
    return {m[0][0] * vector.x + m[0][1] * vector.y + m[0][2] * vector.z,
            m[1][0] * vector.x + m[1][1] * vector.y + m[1][2] * vector.z,
            m[2][0] * vector.x + m[2][1] * vector.y + m[2][2] * vector.z};
}

void Matrix3x3::Translate(float tx, float ty) {
    Matrix3x3 e;
    e.SetIdentity();
    e.m[0][2] = tx;
    e.m[1][2] = ty;
    Multiply(e, *this);
}

void Matrix3x3::Rotate(float angle) {
    const float c = std::cos(angle);
    const float s = std::sin(angle);
    Matrix3x3 e;
    e.m[0][0] = c;
    e.m[0][1] = s;
    e.m[0][2] = 0.0f;
    e.m[1][0] = -s;
    e.m[1][1] = c;
    e.m[1][2] = 0.0f;
    e.m[2][0] = 0.0f;
    e.m[2][1] = 0.0f;
    e.m[2][2] = 1.0f;
    Multiply(e, *this);
}

void Matrix3x3::Scale(float sx, float sy) {
    Matrix3x3 e;
    e.SetIdentity();
    e.m[0][0] = sx;
    e.m[1][1] = sy;
    Multiply(e, *this);
}

}  // namespace Vesk
