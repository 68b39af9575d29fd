#pragma once

#include "util/Vector2.h"
#include "util/Vector3.h"

namespace Vesk {

// Row-major 3x3 float matrix, m[row][column], acting on column vectors
// (x, y, 1): the translation lives in m[0][2] and m[1][2].
class Matrix3x3 {
public:
    // Leaves the elements unset, as the blitters build matrices on hot paths.
    Matrix3x3() = default;

    void SetIdentity();
    void LoadIdentity() { SetIdentity(); }

    void CopyFrom(const Matrix3x3& other);

    // result = other x this, rounded to float after every added term.
    // result may be this or other.
    Matrix3x3& Multiply(const Matrix3x3& other, Matrix3x3& result) const;

    Vector2 TransformPoint(const Vector2& point) const;
    Vector3 TransformVector(const Vector3& vector) const;

    // Each applies to points after what the matrix already holds (E x this).
    void Translate(float tx, float ty);
    // Radians; (1, 0) goes to (cos, -sin), counter-clockwise on a y-down screen.
    void Rotate(float angle);
    void Scale(float sx, float sy);

    float m[3][3];
};

}  // namespace Vesk
