#pragma once

namespace Vesk {

// A column vector of three floats.
struct Vector3 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

}  // namespace Vesk
