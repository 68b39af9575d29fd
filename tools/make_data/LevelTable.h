#pragma once

#include <string>

#include "resources/LevelDesc.h"

// The numbers of every level in one table, so they are easy to tune.
namespace make_data {

inline constexpr int kLevelCount = 100;

// "LEVEL" for level 1, then "LEVEL1" .. "LEVEL99".
std::string LevelId(int level);

// Level 1 .. kLevelCount as the board reads it; throws std::out_of_range for any other.
Vesk::LevelDesc DescribeLevel(int level);

}  // namespace make_data
