#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "FakeBoard.h"
#include "game/core/CBonusIconBubble.h"
#include "game/core/CBonusIconBuxpb.h"
#include "game/core/CBonusIconSlomo.h"
#include "game/core/CBubble.h"
#include "game/core/CEvilForce.h"
#include "game/core/CGoodForce.h"
#include "game/core/CInterfaceObject.h"
#include "game/core/CLucheg.h"
#include "game/core/ObjectFactory.h"
#include "game/core/zmButton.h"
#include "util/ByteReader.h"
#include "util/ByteWriter.h"

// Records of the panel, the button, the guide, the forces and the bonus icons.
namespace {

struct Layout {
    const char* name;
    ObjectTypeId type;
    size_t bytes;
    std::function<std::unique_ptr<CObject>(fake::Board&)> make;
};

std::vector<Layout> Layouts() {
    return {
        {"button", ObjectTypeId::Button, 62,
         [](fake::Board& b) {
             auto button = std::make_unique<zmButton>(b, 700, 5);
             button->id = 3;
             button->state = zmButton::Hovered;
             button->width = 60;
             button->SetImages(b.mMedia, 10, 11, 12);
             return button;
         }},
        {"panel", ObjectTypeId::InterfaceObject, 59,
         [](fake::Board& b) { return std::make_unique<CInterfaceObject>(b); }},
        {"guide", ObjectTypeId::Lucheg, 76,
         [](fake::Board& b) {
             auto guide = std::make_unique<CLucheg>(b);
             guide->state = CLucheg::Sinking;
             guide->up = true;
             return guide;
         }},
        {"whirlwind icon", ObjectTypeId::BonusIconBuxpb, 95,
         [](fake::Board& b) { return std::make_unique<CBonusIconBuxpb>(b, 2); }},
        {"bubble icon", ObjectTypeId::BonusIconBubble, 95,
         [](fake::Board& b) { return std::make_unique<CBonusIconBubble>(b, 1); }},
        {"slow-motion icon", ObjectTypeId::BonusIconSlomo, 155,
         [](fake::Board& b) { return std::make_unique<CBonusIconSlomo>(b, 1); }},
        {"bubble", ObjectTypeId::Bubble, 218,
         [](fake::Board& b) {
             auto bubble = std::make_unique<CBubble>(b);
             bubble->Launch();
             return bubble;
         }},
        {"good force", ObjectTypeId::GoodForce, 4,
         [](fake::Board& b) { return std::make_unique<CGoodForce>(b); }},
        {"evil force", ObjectTypeId::EvilForce, 4,
         [](fake::Board& b) { return std::make_unique<CEvilForce>(b); }},
    };
}

std::vector<uint8_t> Saved(CObject& object) {
    Vesk::ByteWriter out;
    object.Save(out);
    return out.Bytes();
}

TEST(BoardFrameRecordTest, RecordsLoadBackByteForByteAndFailWhenCut) {
    for (const Layout& layout : Layouts()) {
        fake::Board board;
        std::vector<uint8_t> bytes = Saved(*layout.make(board));
        ASSERT_EQ(bytes.size(), layout.bytes) << layout.name;
        ASSERT_EQ(Vesk::ByteReader(bytes).I32(), static_cast<int32_t>(layout.type));
        std::unique_ptr<CObject> loaded = MakeBoardObject(static_cast<int32_t>(layout.type));
        ASSERT_NE(loaded, nullptr) << layout.name;
        Vesk::ByteReader in(std::span<const uint8_t>(bytes).subspan(4));
        EXPECT_EQ(loaded->Load(in, board), 1) << layout.name;
        EXPECT_TRUE(in.AtEnd()) << layout.name;
        EXPECT_EQ(Saved(*loaded), bytes) << layout.name;
        for (size_t cut = 4; cut < bytes.size(); ++cut) {
            std::unique_ptr<CObject> part = MakeBoardObject(static_cast<int32_t>(layout.type));
            Vesk::ByteReader short_in(std::span<const uint8_t>(bytes).subspan(4, cut - 4));
            EXPECT_EQ(part->Load(short_in, board), 0) << layout.name << " cut at " << cut;
        }
    }
}

TEST(BoardFrameRecordTest, LoadedGuideBecomesTheBoardsGuide) {
    fake::Board board;
    CLucheg guide(board);
    std::vector<uint8_t> bytes = Saved(guide);
    CLucheg loaded;
    Vesk::ByteReader in(std::span<const uint8_t>(bytes).subspan(4));
    ASSERT_EQ(loaded.Load(in, board), 1);
    EXPECT_EQ(board.GetGuide(), &loaded);
    EXPECT_EQ(loaded.lines[14], "LUCHEG MESSAGE 15");
}

}  // namespace
