#include "game/core/ObjectFactory.h"

#include "game/core/CBlock.h"
#include "game/core/CBlockPollen.h"
#include "game/core/CBlocksKilledInfo.h"
#include "game/core/CBonusIconBubble.h"
#include "game/core/CBonusIconBuxpb.h"
#include "game/core/CBonusIconSlomo.h"
#include "game/core/CBubble.h"
#include "game/core/CEffectiveProgressBar.h"
#include "game/core/CEvilForce.h"
#include "game/core/CGoodForce.h"
#include "game/core/CImageObject.h"
#include "game/core/CInterfaceObject.h"
#include "game/core/CLevelProgressBar.h"
#include "game/core/CLucheg.h"
#include "game/core/CPoints.h"
#include "game/core/CProgressBar.h"
#include "game/core/CSpark.h"
#include "game/core/CTable.h"
#include "game/core/CTimeObject.h"
#include "game/core/zmButton.h"

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
        case ObjectTypeId::Table:
            return std::make_unique<CTable>();
        case ObjectTypeId::Block:
            return std::make_unique<CBlock>();
        case ObjectTypeId::BlockPollen:
            return std::make_unique<CBlockPollen>();
        case ObjectTypeId::Button:
            return std::make_unique<zmButton>();
        case ObjectTypeId::InterfaceObject:
            return std::make_unique<CInterfaceObject>();
        case ObjectTypeId::Lucheg:
            return std::make_unique<CLucheg>();
        case ObjectTypeId::GoodForce:
            return std::make_unique<CGoodForce>();
        case ObjectTypeId::EvilForce:
            return std::make_unique<CEvilForce>();
        case ObjectTypeId::Bubble:
            return std::make_unique<CBubble>();
        case ObjectTypeId::BonusIconBubble:
            return std::make_unique<CBonusIconBubble>();
        case ObjectTypeId::BonusIconBuxpb:
            return std::make_unique<CBonusIconBuxpb>();
        case ObjectTypeId::BonusIconSlomo:
            return std::make_unique<CBonusIconSlomo>();
        // The field and blocks join as they are built.
        default:
            return nullptr;
    }
}
