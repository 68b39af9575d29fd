#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "FakeBoard.h"
#include "game/core/CBlockPollen.h"
#include "game/core/CBlocksKilledInfo.h"
#include "game/core/CEffectiveProgressBar.h"
#include "game/core/CImageObject.h"
#include "game/core/CLevelProgressBar.h"
#include "game/core/CPoints.h"
#include "game/core/CSpark.h"
#include "game/core/CTimeObject.h"
#include "game/core/ObjectFactory.h"
#include "util/ByteReader.h"
#include "util/ByteWriter.h"

namespace {

struct Layout {
    const char* name;
    ObjectTypeId type;
    size_t bytes;
    std::function<std::unique_ptr<CObject>(fake::Board&)> make;
};

std::vector<Layout> Layouts() {
    return {
        {"clock", ObjectTypeId::TimeObject, 66,
         [](fake::Board& b) { return std::make_unique<CTimeObject>(b); }},
        {"image", ObjectTypeId::ImageObject, 38,
         [](fake::Board& b) {
             auto image = std::make_unique<CImageObject>();
             image->SetResourceId(b.mMedia, 42);
             return image;
         }},
        {"plain bar", ObjectTypeId::ProgressBar, 74,
         [](fake::Board&) { return std::make_unique<CProgressBar>(); }},
        {"level bar", ObjectTypeId::LevelProgressBar, 115,
         [](fake::Board& b) {
             auto bar = std::make_unique<CLevelProgressBar>(0.25, 100.0);
             bar->SetRange(b, 0, 3000, 900);
             bar->AddValue(12.5);
             return bar;
         }},
        {"effectivity bar", ObjectTypeId::EffectiveProgressBar, 319,
         [](fake::Board& b) {
             auto bar = std::make_unique<CEffectiveProgressBar>(b.mMedia, 600.0);
             bar->SetRange(b, 0, 2000, 0);
             bar->AddValue(30.0);
             return bar;
         }},
        {"points", ObjectTypeId::Points, 49,
         [](fake::Board&) { return std::make_unique<CPoints>("+30", 300, 269); }},
        {"spark", ObjectTypeId::Spark, 74,
         [](fake::Board& b) {
             auto spark = std::make_unique<CSpark>();
             spark->CSparkAt(b, nullptr, 40, 40);
             return spark;
         }},
        {"killed info", ObjectTypeId::BlocksKilledInfo, 9,
         [](fake::Board&) { return std::make_unique<CBlocksKilledInfo>(); }},
        {"pollen", ObjectTypeId::BlockPollen, 4,
         [](fake::Board& b) { return std::make_unique<CBlockPollen>(b, 10.0, 10.0); }},
    };
}

std::vector<uint8_t> Saved(CObject& object) {
    Vesk::ByteWriter out;
    object.Save(out);
    return out.Bytes();
}

TEST(RecordLayoutTest, RecordsHaveTheirSizesAndLoadBackByteForByte) {
    for (const Layout& layout : Layouts()) {
        fake::Board board;
        std::unique_ptr<CObject> object = layout.make(board);
        std::vector<uint8_t> bytes = Saved(*object);
        ASSERT_EQ(bytes.size(), layout.bytes) << layout.name;
        Vesk::ByteReader typeReader(bytes);
        ASSERT_EQ(typeReader.I32(), static_cast<int32_t>(layout.type)) << layout.name;

        std::unique_ptr<CObject> loaded = MakeBoardObject(static_cast<int32_t>(layout.type));
        ASSERT_NE(loaded, nullptr) << layout.name;
        Vesk::ByteReader in(std::span<const uint8_t>(bytes).subspan(4));
        EXPECT_EQ(loaded->Load(in, board), 1) << layout.name;
        EXPECT_TRUE(in.AtEnd()) << layout.name;
        EXPECT_EQ(Saved(*loaded), bytes) << layout.name;
    }
}

TEST(RecordLayoutTest, EveryTruncatedRecordFailsCleanly) {
    for (const Layout& layout : Layouts()) {
        fake::Board board;
        std::vector<uint8_t> bytes = Saved(*layout.make(board));
        for (size_t cut = 4; cut < bytes.size(); ++cut) {
            std::unique_ptr<CObject> loaded = MakeBoardObject(static_cast<int32_t>(layout.type));
            Vesk::ByteReader in(std::span<const uint8_t>(bytes).subspan(4, cut - 4));
            EXPECT_EQ(loaded->Load(in, board), 0) << layout.name << " cut at " << cut;
            EXPECT_TRUE(in.Failed());
        }
    }
}

TEST(RecordLayoutTest, HeaderFieldsSitAtTheirOffsets) {
    fake::Board board;
    CPoints points("+5", -3, 7);
    points.takesInput = true;
    points.xd = 1.5;
    std::vector<uint8_t> bytes = Saved(points);
    Vesk::ByteReader in(bytes);
    EXPECT_EQ(in.I32(), 9);
    EXPECT_EQ(in.I32(), -3);
    EXPECT_EQ(in.I32(), 7);
    EXPECT_EQ(in.U8(), 1);
    EXPECT_EQ(in.F64(), 1.5);
    EXPECT_EQ(in.F64(), 7.0);
    EXPECT_EQ(in.I32(), CPoints::kLayer);
    EXPECT_EQ(in.U8(), 0);
    EXPECT_EQ(in.Position(), 4u + CObject::kHeaderBytes);
}

TEST(RecordLayoutTest, CorruptFieldsAreRefused) {
    struct Case {
        const char* name;
        ObjectTypeId type;
        size_t offset;  // of an int32 field, from the record's start
        int32_t value;
    };
    // Offsets after the 4-byte type id and 30-byte header; bars add their 40-byte part.
    const Case cases[] = {
        {"points alpha", ObjectTypeId::Points, 38, 400},
        {"position far off the board", ObjectTypeId::Points, 8, INT32_MIN},
        {"level bar end far off", ObjectTypeId::LevelProgressBar, 111, 2000000000},
        {"bar minimum above maximum", ObjectTypeId::LevelProgressBar, 46, 5000},
        {"effectivity state", ObjectTypeId::EffectiveProgressBar, 74 + 200, 6},
        {"effectivity ring index", ObjectTypeId::EffectiveProgressBar, 74 + 208, 20},
        {"spark playing flag", ObjectTypeId::Spark, 42, 2},
    };
    for (const Case& c : cases) {
        fake::Board board;
        std::vector<uint8_t> bytes;
        for (const Layout& layout : Layouts()) {
            if (layout.type == c.type) {
                bytes = Saved(*layout.make(board));
            }
        }
        ASSERT_GE(bytes.size(), c.offset + 4) << c.name;
        for (int i = 0; i < 4; ++i) {
            bytes[c.offset + i] = static_cast<uint8_t>(static_cast<uint32_t>(c.value) >> (8 * i));
        }
        std::unique_ptr<CObject> loaded = MakeBoardObject(static_cast<int32_t>(c.type));
        Vesk::ByteReader in(std::span<const uint8_t>(bytes).subspan(4));
        EXPECT_EQ(loaded->Load(in, board), 0) << c.name;
    }
}

TEST(RecordLayoutTest, FactoryMakesNothingForUnknownIds) {
    for (int32_t id : {-1, 14, 21, 1000}) {
        EXPECT_EQ(MakeBoardObject(id), nullptr) << id;
    }
}

TEST(RecordLayoutTest, LoadedPollenVanishesAndLoadedAnimationOutsideItsTableIsIdle) {
    fake::Board board;
    auto* pollen = new CBlockPollen;
    board.mObjects.Add(pollen);
    board.mObjects.UpdateAll();
    EXPECT_TRUE(pollen->removeMe);
    board.mObjects.UpdateAll();
    EXPECT_EQ(board.mObjects.GetCount(), 0);

    fake::Animation animation({4});
    Vesk::ByteWriter out;
    out.WriteI32(7);  // pending past the table
    out.WriteI32(0);  // current
    out.WriteI32(9);  // frame past the animation's four
    out.WriteF64(0.0);
    out.WriteF64(0.0);
    Vesk::ByteReader in(out.Bytes());
    animation.Load(in);
    EXPECT_EQ(animation.mState.pending, -1);
    EXPECT_EQ(animation.mState.current, -1);
    EXPECT_EQ(animation.mState.frame, 0);
}

}  // namespace
