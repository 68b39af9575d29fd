#include <gtest/gtest.h>

#include <algorithm>

#include "FakeBoard.h"
#include "game/core/CEffectiveProgressBar.h"
#include "game/core/CLevelProgressBar.h"
#include "graphics/Graphics.h"
#include "graphics/MemoryImage.h"

namespace {

Vesk::MemoryImage Solid(int32_t width, int32_t height, uint32_t colour) {
    Vesk::MemoryImage image;
    image.Create(width, height);
    std::fill_n(image.GetBits(), width * height, colour);
    image.BitsChanged();
    return image;
}

TEST(DrawTest, CoefficientLabelGrowsInAndSettlesBesideTheBar) {
    fake::Board board;
    Vesk::MemoryImage label = Solid(10, 10, 0xFFFF0000);
    Vesk::MemoryImage core = Solid(90, 420, 0xFF00FF00);
    board.mMedia.mImages[Vesk::GameImage::EffectivePbCoef2] = &label;
    board.mMedia.mImages[Vesk::GameImage::LevelProgressBarCore] = &core;
    auto* bar = new CEffectiveProgressBar(board.mMedia, 100.0);
    board.mObjects.Add(bar);
    bar->SetRange(board, 0, 2000, 0);  // panel at (0, 520): label at (693, 466)
    auto* level = new CLevelProgressBar(0.0, 100.0);
    board.mObjects.Add(level);
    level->SetRange(board, 0, 1000, 500);
    EXPECT_EQ(level->x, 800 - 90);
    EXPECT_EQ(level->GetBottomX(), 753);

    Vesk::MemoryImage screen = Solid(800, 600, 0xFF000000);
    Vesk::Graphics g(&screen);
    bar->SetFraction(0.3);
    int updates = 0;
    while (bar->GetState() != 2 && updates++ < 1000) {
        board.mObjects.UpdateAll();
    }
    ASSERT_EQ(bar->GetState(), 2);
    board.mObjects.DrawAll(g, board.mMedia);  // flashing: drawn stretched at alpha 0

    for (int i = 0; i < 60; ++i) {
        board.mObjects.UpdateAll();
    }
    std::fill_n(screen.GetBits(), 800 * 600, 0xFF000000u);
    screen.BitsChanged();
    Vesk::Graphics settled(&screen);
    board.mObjects.DrawAll(settled, board.mMedia);
    const uint32_t* bits = screen.GetBits();
    // Blending may round a full channel down by one.
    auto near = [](uint32_t pixel, uint32_t rgb) {
        for (int shift : {0, 8, 16}) {
            int a = (pixel >> shift) & 0xFF;
            int b = (rgb >> shift) & 0xFF;
            if (a < b - 2 || a > b + 2) {
                return false;
            }
        }
        return true;
    };
    EXPECT_TRUE(near(bits[466 * 800 + 693], 0xFF0000u));
    EXPECT_TRUE(near(bits[475 * 800 + 702], 0xFF0000u));
    EXPECT_TRUE(near(bits[476 * 800 + 703], 0u));
    EXPECT_TRUE(near(bits[10 * 800 + 720], 0x00FF00u));  // the level bar's core
}

}  // namespace
