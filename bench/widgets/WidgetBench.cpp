// One frame of a widget tree: 500 widgets nested three deep (5 screens side by side, 9 panels
// each, 10 rows per panel), 50 rows marked dirty per frame, then the manager's update and
// draw into an 800 x 600 screen image. "Fill" paints every drawn widget with a rectangle;
// "NoPaint" draws nothing, so its time is the toolkit's own cost: the update walk, dirty
// marking, the draw walk with its contexts and clipping. "FillsAlone" is the same painting
// straight through a graphics context, without the tree.

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "graphics/DDImage.h"
#include "graphics/Graphics.h"
#include "widgets/Widget.h"
#include "widgets/WidgetManager.h"

namespace {

constexpr int kScreens = 5;
constexpr int kPanelsPerScreen = 9;
constexpr int kRowsPerPanel = 10;
constexpr int kDirtyPerFrame = 50;

class BenchWidget : public Vesk::Widget {
public:
    BenchWidget(bool paint, Vesk::Color color) : mPaint(paint), mColor(color) {}
    void Draw(Vesk::Graphics* g) override {
        if (mPaint) {
            g->SetColor(mColor);
            g->FillRect(0, 0, mWidth, mHeight);
        }
    }

private:
    bool mPaint;
    Vesk::Color mColor;
};

struct Tree {
    explicit Tree(bool paint) {
        screen.Create(800, 600);
        manager.mImage = &screen;
        manager.SetViewRects(Vesk::Rect(0, 0, 800, 600), Vesk::Rect(0, 0, 800, 600));
        for (int s = 0; s < kScreens; ++s) {
            BenchWidget* top = Add(&manager, paint, s * 160, 0, 160, 600, Vesk::Color(20, 20, 40));
            for (int p = 0; p < kPanelsPerScreen; ++p) {
                BenchWidget* panel = Add(top, paint, 2 + (p % 3) * 52, 2 + (p / 3) * 198, 50, 194,
                                         Vesk::Color(60, 60, 90));
                for (int r = 0; r < kRowsPerPanel; ++r) {
                    rows.push_back(Add(panel, paint, 2, 2 + r * 19, 46, 17,
                                       Vesk::Color(200, 100 + r * 10, 50)));
                }
            }
        }
    }
    ~Tree() { manager.RemoveAllWidgets(false, true); }

    BenchWidget* Add(Vesk::WidgetContainer* parent, bool paint, int x, int y, int w, int h,
                     Vesk::Color color) {
        owned.push_back(std::make_unique<BenchWidget>(paint, color));
        BenchWidget* widget = owned.back().get();
        widget->Resize(x, y, w, h);
        parent->AddWidget(widget);
        return widget;
    }

    void Frame() {
        for (int i = 0; i < kDirtyPerFrame; ++i) {
            rows[next]->MarkDirty();
            next = (next + 37) % rows.size();
        }
        manager.UpdateFrame();
        manager.DrawScreen();
    }

    Vesk::DDImage screen;
    Vesk::WidgetManager manager{nullptr};
    std::vector<std::unique_ptr<BenchWidget>> owned;
    std::vector<BenchWidget*> rows;
    size_t next = 0;
};

void BM_WidgetFrame_Fill(benchmark::State& state) {
    Tree tree(true);
    for (auto _ : state) {
        tree.Frame();
    }
}
BENCHMARK(BM_WidgetFrame_Fill)->Unit(benchmark::kMicrosecond);

void BM_WidgetFrame_NoPaint(benchmark::State& state) {
    Tree tree(false);
    for (auto _ : state) {
        tree.Frame();
    }
}
BENCHMARK(BM_WidgetFrame_NoPaint)->Unit(benchmark::kMicrosecond);

// The rectangles one frame paints (every screen is dirty each frame), without the tree.
void BM_WidgetFrame_FillsAlone(benchmark::State& state) {
    Tree tree(true);
    std::vector<std::pair<Vesk::Rect, Vesk::Color>> fills;
    for (const auto& widget : tree.owned) {
        const Vesk::Point abs = widget->GetAbsPos();
        fills.emplace_back(Vesk::Rect(abs.mX, abs.mY, widget->mWidth, widget->mHeight),
                           Vesk::Color(200, 100, 50));
    }
    for (auto _ : state) {
        Vesk::Graphics g(&tree.screen);
        for (const auto& [rect, color] : fills) {
            g.SetColor(color);
            g.FillRect(rect.mX, rect.mY, rect.mWidth, rect.mHeight);
        }
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_WidgetFrame_FillsAlone)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
