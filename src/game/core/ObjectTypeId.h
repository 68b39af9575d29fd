#pragma once

#include <cstdint>

// The type id that begins every board object's saved record. 14 is unused.
enum class ObjectTypeId : int32_t {
    Button = 0,
    Block = 1,
    BlocksKilledInfo = 2,
    Bubble = 3,
    EffectiveProgressBar = 4,
    ImageObject = 5,
    InterfaceObject = 6,
    LevelProgressBar = 7,
    Lucheg = 8,
    Points = 9,
    ProgressBar = 10,
    Spark = 11,
    Table = 12,
    TimeObject = 13,
    BonusIconBubble = 15,
    BonusIconBuxpb = 16,
    BonusIconSlomo = 17,
    BlockPollen = 18,
    GoodForce = 19,
    EvilForce = 20,
};
