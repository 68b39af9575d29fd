#pragma once

namespace Vesk {

// A point of two floats, as the matrix transforms it.
struct Vector2 {
    float x = 0.0f;
    float y = 0.0f;
};

}  // namespace Vesk
