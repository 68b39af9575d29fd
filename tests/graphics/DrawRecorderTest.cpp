#include "graphics/DrawRecorder.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "graphics/Graphics.h"
#include "graphics/MemoryImage.h"

namespace Vesk {
namespace {

using Steps = std::vector<DrawRecorder::Step>;
using Drawing = std::function<void(Graphics&)>;

constexpr Rect kScreen(0, 0, 200, 100);

Steps Record(const Drawing& draw) {
    DrawRecorder recorder(kScreen.mWidth, kScreen.mHeight);
    Graphics g(&recorder);
    draw(g);
    return recorder.TakeSteps();
}

bool Covers(const std::vector<Rect>& areas, const Rect& rect) {
    for (int32_t y = rect.mY; y < rect.mY + rect.mHeight; ++y) {
        for (int32_t x = rect.mX; x < rect.mX + rect.mWidth; ++x) {
            bool inside = false;
            for (const Rect& area : areas) {
                inside = inside || area.Contains(x, y);
            }
            if (!inside) {
                return false;
            }
        }
    }
    return true;
}

class DrawRecorderTest : public ::testing::Test {
protected:
    DrawRecorderTest() : mSprite(nullptr), mOther(nullptr) {
        mSprite.Create(10, 10);
        mOther.Create(10, 10);
    }
    void Background(Graphics& g) {
        g.SetColor(Color(20, 40, 60));
        g.FillRect(0, 0, 200, 100);
    }
    MemoryImage mSprite;
    MemoryImage mOther;
};

TEST_F(DrawRecorderTest, AreasCoverWhatChangedAndNoMore) {
    struct Case {
        const char* name;
        Drawing before;
        Drawing after;
        std::vector<Rect> changed;  // must be covered
        int64_t maxPixels;          // the areas may cover no more than this
    };
    const Drawing still = [&](Graphics& g) {
        Background(g);
        for (int i = 0; i < 8; ++i) {
            g.DrawImage(&mOther, 20 * i, 60);
        }
    };
    // Hundreds of sprites that all move, as a level's particles do.
    const auto swarm = [&](Graphics& g, int32_t shift) {
        for (int32_t i = 0; i < 400; ++i) {
            g.DrawImage(&mSprite, 150 + i % 5 + shift, 5 + (i * 7) % 39);
        }
    };
    // Stamps of two pictures taking turns, the last one moved by `shift`.
    const auto stamps = [&](Graphics& g, int32_t shift) {
        std::vector<Graphics::ImageStamp> batch;
        for (int32_t i = 0; i < 20; ++i) {
            batch.push_back({i % 2 == 0 ? &mSprite : &mOther, 20 + i, 5 + i, Color(9, 9, 9, i)});
        }
        batch.back().mX += shift;
        g.SetDrawMode(kDrawModeAdditive);
        g.DrawImageStamps(batch);
        g.SetDrawMode(kDrawModeNormal);
    };
    const std::vector<Case> cases = {
        {"the same drawing", still, still, {}, 0},
        {"a sprite moved",
         [&](Graphics& g) {
             still(g);
             g.DrawImage(&mSprite, 10, 10);
         },
         [&](Graphics& g) {
             still(g);
             g.DrawImage(&mSprite, 50, 10);
         },
         {Rect(10, 10, 10, 10), Rect(50, 10, 10, 10)},
         200},
        {"a call added among still ones",
         still,
         [&](Graphics& g) {
             Background(g);
             for (int i = 0; i < 8; ++i) {
                 g.DrawImage(&mOther, 20 * i, 60);
                 if (i == 3) {
                     g.DrawImage(&mSprite, 100, 5);
                 }
             }
         },
         {Rect(100, 5, 10, 10)},
         100},
        {"a call dropped and its colour changed",
         [&](Graphics& g) {
             still(g);
             g.SetColor(Color(255, 0, 0, 128));
             g.FillRect(150, 10, 5, 5);
             g.DrawImage(&mSprite, 30, 30);
         },
         [&](Graphics& g) {
             still(g);
             g.SetColor(Color(255, 0, 0, 129));
             g.FillRect(150, 10, 5, 5);
         },
         {Rect(150, 10, 5, 5), Rect(30, 30, 10, 10)},
         125},
        {"a turned picture reached by a change is taken whole",
         [&](Graphics& g) {
             still(g);
             g.DrawImageRotated(&mOther, 100, 20, 0.5);
             g.DrawImage(&mSprite, 104, 30);
         },
         [&](Graphics& g) {
             still(g);
             g.DrawImageRotated(&mOther, 100, 20, 0.5);
             g.DrawImage(&mSprite, 104, 31);
         },
         {Rect(97, 17, 16, 16), Rect(104, 30, 10, 11)},
         500},
        {"a swarm moved and a call added among still ones",
         [&](Graphics& g) {
             still(g);
             swarm(g, 0);
         },
         [&](Graphics& g) {
             Background(g);
             for (int i = 0; i < 8; ++i) {
                 g.DrawImage(&mOther, 20 * i, 60);
                 if (i == 3) {
                     g.DrawImage(&mSprite, 100, 5);
                 }
             }
             swarm(g, 20);
         },
         {Rect(100, 5, 10, 10), Rect(150, 5, 14, 48), Rect(170, 5, 14, 48)},
         1800},
        {"one stamp of a batch moved: the batch is drawn again",
         [&](Graphics& g) {
             still(g);
             stamps(g, 0);
         },
         [&](Graphics& g) {
             still(g);
             stamps(g, 1);
         },
         {Rect(20, 5, 30, 29)},
         900},
    };
    for (const Case& c : cases) {
        const std::vector<Rect> areas =
            DrawRecorder::ChangedAreas(Record(c.before), Record(c.after), kScreen, 6);
        int64_t pixels = 0;
        for (size_t i = 0; i < areas.size(); ++i) {
            pixels += int64_t{areas[i].mWidth} * areas[i].mHeight;
            EXPECT_EQ(areas[i].Intersection(kScreen), areas[i]) << c.name;
            for (size_t j = i + 1; j < areas.size(); ++j) {
                const Rect both = areas[i].Intersection(areas[j]);
                EXPECT_TRUE(both.mWidth <= 0 || both.mHeight <= 0) << c.name << ": areas overlap";
            }
        }
        for (const Rect& rect : c.changed) {
            EXPECT_TRUE(Covers(areas, rect)) << c.name;
        }
        EXPECT_LE(pixels, c.maxPixels) << c.name;
    }
}

TEST_F(DrawRecorderTest, APictureIsKnownByItsPixelsNotItsAddress) {
    const Drawing draw = [&](Graphics& g) { g.DrawImage(&mSprite, 40, 40); };
    const Steps before = Record(draw);
    EXPECT_TRUE(DrawRecorder::ChangedAreas(before, Record(draw), kScreen, 6).empty());
    mSprite.FillRect(Rect(0, 0, 2, 2), Color(255, 255, 255), kDrawModeNormal);
    EXPECT_EQ(DrawRecorder::ChangedAreas(before, Record(draw), kScreen, 6),
              std::vector<Rect>{Rect(40, 40, 10, 10)});
    // A picture made anew where another was, as a font's text is, is another picture.
    auto fresh = std::make_unique<MemoryImage>(nullptr);
    fresh->Create(10, 10);
    const Steps first = Record([&](Graphics& g) { g.DrawImage(fresh.get(), 0, 0); });
    fresh = std::make_unique<MemoryImage>(nullptr);
    fresh->Create(10, 10);
    const Steps second = Record([&](Graphics& g) { g.DrawImage(fresh.get(), 0, 0); });
    EXPECT_EQ(DrawRecorder::ChangedAreas(first, second, kScreen, 6),
              std::vector<Rect>{Rect(0, 0, 10, 10)});
}

TEST_F(DrawRecorderTest, ManyChangesBecomeAFewDisjointAreas) {
    const auto scattered = [&](int shift) {
        return [&, shift](Graphics& g) {
            for (int i = 0; i < 40; ++i) {
                g.DrawImage(&mSprite, (i * 37) % 190 + shift, (i * 23) % 90);
            }
        };
    };
    const std::vector<Rect> areas =
        DrawRecorder::ChangedAreas(Record(scattered(0)), Record(scattered(1)), kScreen, 4);
    ASSERT_LE(areas.size(), 4u);
    for (int i = 0; i < 40; ++i) {
        EXPECT_TRUE(
            Covers(areas, Rect((i * 37) % 190, (i * 23) % 90, 11, 10).Intersection(kScreen)));
    }
    for (size_t i = 0; i < areas.size(); ++i) {
        for (size_t j = i + 1; j < areas.size(); ++j) {
            const Rect both = areas[i].Intersection(areas[j]);
            EXPECT_TRUE(both.mWidth <= 0 || both.mHeight <= 0);
        }
    }
}

}  // namespace
}  // namespace Vesk
