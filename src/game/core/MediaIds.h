#pragma once

// The media the game core asks its owner for. The core names them here so that it never sees
// the application's resource ids; the game application maps each name to its bound resource.

namespace Vesk {

enum class GameImage {
    Cell,
    CellOver,
    BlockTail,
    LevelProgressBarCore,
    LevelProgressBarSources,
    EffectivePbCoef2,
    EffectivePbCoef3,
    EffectivePbCoef4,
    EffectivePbCoef10,
    BonusIconBase1,
    BonusIconBase2,
    BonusIconTop,
    BuxpbIconNorm,
    BuxpbIconAuraOver,
    BuxpbIconAuraUses,
    BubbleIconNorm,
    BubbleIconAuraOver,
    SlomoIconNorm,
    SlomoIconAuraOver,
    SlomoIconArrow,
    BlockBuxpbSmall,
    EvilForceParticle,
    GoodForceParticle,
    Interface,
    LuchegRuchki,
    SmallHeart,
    LuchegShout,
    Menu,
    MenuOver,
    MenuDown,
};

// Animated images; Block1 to Block8 follow each other.
enum class GameAnimation {
    Block1,
    Block2,
    Block3,
    Block4,
    Block5,
    Block6,
    Block7,
    Block8,
    ProgressBarFlowers,
    SlomoClock,
    Lucheg,
    BubbleFlare,
    MmSpark1,
};

enum class GameParticles {
    BlockBuxpb,
    BlockPollen,
    EbFlower,
    AddBuxpb,
    AddBubble,
    AddSlomo,
    AddLive,
};

enum class GameFont {
    ShowcardGothic,
    Small,
};

enum class GameSound {
    InitForces,
    BuxpbUse,
    BubbleUse,
    Match3,
    Match4,
    Match5,
    Match6,
    Match7,
    SwapBlocks,
    BlocksInit,
    TableInit,
    AddLive,
    ScBegin,
    GameOver,
    Knockdown,
    ShowLevel,
    SlomoUse,
    ButtonDown,
    ButtonOver,
    Heartbeat1,
    Heartbeat2,
    Heartbeat3,
    EffCoefPlus,
    EffCoefMinus,
    EffectivityX10,
    AddBuxpb,
    AddBuxpbCloud,
    AddBubble,
    AddBubbleCloud,
    AddSlomo,
    AddSlomoCloud,
    Lucheg,
    LuchegSupport,
};

}  // namespace Vesk
