#include "game/core/ObjectFactory.h"

#include "game/core/CBlockPollen.h"
#include "game/core/CBlocksKilledInfo.h"
#include "game/core/CEffectiveProgressBar.h"
#include "game/core/CImageObject.h"
#include "game/core/CLevelProgressBar.h"
#include "game/core/CPoints.h"
#include "game/core/CProgressBar.h"
#include "game/core/CSpark.h"
#include "game/core/CTimeObject.h"

std::unique_ptr<CObject> MakeBoardObject(int32_t typeId) {
    switch (static_cast<ObjectTypeId>(typeId)) {
        case ObjectTypeId::BlocksKilledInfo:
            return std::make_unique<CBlocksKilledInfo>();
        case ObjectTypeId::EffectiveProgressBar:
            return std::make_unique<CEffectiveProgressBar>();
        case ObjectTypeId::ImageObject:
            return std::make_unique<CImageObject>();
        case ObjectTypeId::LevelProgressBar:
            return std::make_unique<CLevelProgressBar>();
        case ObjectTypeId::Points:
            return std::make_unique<CPoints>();
        case ObjectTypeId::ProgressBar:
            return std::make_unique<CProgressBar>();
        case ObjectTypeId::Spark:
            return std::make_unique<CSpark>();
        case ObjectTypeId::TimeObject:
            return std::make_unique<CTimeObject>();
        case ObjectTypeId::BlockPollen:
            return std::make_unique<CBlockPollen>();
        // The field, blocks, bubble, icons, guide, forces, panel and button join as they are
        // built.
        default:
            return nullptr;
    }
}
