#pragma once

#include <cstdint>
#include <memory>

class CObject;

// A new, empty object of a saved type id, ready for its Load; null for an id without a class.
std::unique_ptr<CObject> MakeBoardObject(int32_t typeId);
