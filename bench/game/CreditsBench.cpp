// One frame of the credits at 800 x 600: the background, the text layer with a logo and a
// line, the rippled patch and the frame; and one step of the ripple alone.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "game/app/CCredits.h"
#include "game/app/ResourceIds.h"
#include "graphics/Font.h"
#include "graphics/Graphics.h"
#include "graphics/MemoryImage.h"

namespace {

std::unique_ptr<Vesk::MemoryImage> Picture(int32_t width, int32_t height, uint32_t colour) {
    auto image = std::make_unique<Vesk::MemoryImage>();
    image->Create(width, height);
    std::fill_n(image->GetBits(), width * height, colour);
    image->BitsChanged();
    return image;
}

class BlockFont : public Vesk::Font {
public:
    BlockFont() {
        mAscent = 28;
        mHeight = 35;
    }
    int32_t StringWidth(const std::string& text) override {
        return 21 * static_cast<int32_t>(text.size());
    }
    void DrawString(Vesk::Graphics& g, int32_t x, int32_t y, const std::string& text,
                    const Vesk::Color& color, const Vesk::Rect&) override {
        g.SetColor(color);
        for (size_t i = 0; i < text.size(); ++i) {
            g.FillRect(x + static_cast<int32_t>(i) * 21 + 1, y - 28, 19, 28);
        }
    }
    std::unique_ptr<Vesk::Font> Duplicate() const override {
        return std::make_unique<BlockFont>(*this);
    }
};

struct Scene {
    Scene() {
        ::IMAGE_CREDITS_BACKGROUND = background.get();
        ::IMAGE_CREDITS_FOREGROUND = foreground.get();
        ::IMAGE_ZM_LOGO_W = zmLogo.get();
        ::IMAGE_VORNS_LOGO = vornsLogo.get();
        screen.Create(800, 600);
        std::string error;
        Vesk::CCredits::ReadScript(Vesk::CCredits::kBuiltInScript, credits.mItems, error);
        for (Vesk::CCredits::Item& item : credits.mItems) {
            item.font = &font;
        }
        credits.mRunning = true;
        credits.mScrollPos = 120;
        credits.Layout();
        credits.mRippleX = 400;
        credits.mRippleY = 300;
    }
    std::unique_ptr<Vesk::MemoryImage> background = Picture(800, 600, 0xFF102040);
    std::unique_ptr<Vesk::MemoryImage> foreground = Picture(800, 600, 0x00000000);
    std::unique_ptr<Vesk::MemoryImage> zmLogo = Picture(400, 150, 0xFFE0E0FF);
    std::unique_ptr<Vesk::MemoryImage> vornsLogo = Picture(500, 200, 0xFFFFE080);
    BlockFont font;
    Vesk::MemoryImage screen;
    Vesk::CCredits credits;
};

void BM_CreditsFrameWithRipple(benchmark::State& state) {
    Scene scene;
    Vesk::Graphics g(&scene.screen);
    for (auto _ : state) {
        if (scene.credits.mRipple.IsIdle()) {
            scene.credits.mRipple.Drop();
        }
        scene.credits.mRipple.Step();
        scene.credits.Draw(&g);
        benchmark::DoNotOptimize(scene.screen.GetBits());
    }
}
BENCHMARK(BM_CreditsFrameWithRipple)->Unit(benchmark::kMicrosecond);

void BM_RippleStep(benchmark::State& state) {
    Vesk::CRipple ripple;
    ripple.Drop();
    for (auto _ : state) {
        ripple.Step();
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_RippleStep)->Unit(benchmark::kMicrosecond);

}  // namespace
