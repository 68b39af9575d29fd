// Glyphs per second: a 2,000-character paragraph word-wrapped into an 800 x 600 image, with an
// image font made from DejaVu Sans and with the system font of the headless text layer.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "graphics/Graphics.h"
#include "graphics/MemoryImage.h"
#include "make_font/FontMaker.h"
#include "platform/headless/HeadlessTextSystem.h"
#include "resources/FontData.h"
#include "resources/FontHost.h"
#include "resources/ImageFont.h"
#include "resources/SysFont.h"

namespace {

constexpr const char* kFace = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

// Serves the one layer image, as new, so it is palletized as loaded fonts are.
class BenchHost : public Vesk::FontHost {
public:
    void Popup(const std::string& text) override { (void)text; }
    Vesk::SharedImageRef GetSharedImage(const std::string& fileName, const std::string& variant,
                                        bool* isNew) override {
        (void)fileName;
        (void)variant;
        Vesk::SharedImageRef ref;
        ref.AssignUnshared(&mImage);
        if (isNew != nullptr) {
            *isNew = true;
        }
        return ref;
    }
    Vesk::MemoryImage mImage{nullptr};
};

std::string Paragraph() {
    const std::string words =
        "The quick brown fox jumps over the lazy dog while seven wizards box jolly vexing "
        "quartz; ";
    std::string text;
    while (text.size() < 2000) {
        text += words;
    }
    text.resize(2000);
    return text;
}

void RunParagraph(benchmark::State& state, Vesk::Font& font) {
    Vesk::MemoryImage dest(nullptr);
    dest.Create(800, 600);
    const std::string text = Paragraph();
    Vesk::Graphics g(&dest);
    g.SetFont(&font);
    g.SetColor(Vesk::Color(255, 240, 200, 255));
    for (auto _ : state) {
        benchmark::DoNotOptimize(g.WriteWordWrapped(Vesk::Rect(10, 10, 780, 580), text, -1, -1));
    }
    state.counters["glyphs/s"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * static_cast<double>(text.size()),
        benchmark::Counter::kIsRate);
}

void BM_ImageFontParagraph(benchmark::State& state) {
    fontmaker::FontRequest request;
    request.fontFile = kFace;
    request.pixelSize = 16;
    fontmaker::MadeFont made;
    std::string error;
    if (!fontmaker::MakeFont(request, &made, &error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    BenchHost host;
    host.mImage.SetBits(made.image.GetBits(), made.image.GetWidth(), made.image.GetHeight(), false);
    auto* data = new Vesk::FontData();
    data->LoadText(&host, "bench.txt", made.descriptor);
    Vesk::ImageFont font(data);
    RunParagraph(state, font);
}
BENCHMARK(BM_ImageFontParagraph)->Unit(benchmark::kMicrosecond);

void BM_SystemFontParagraph(benchmark::State& state) {
    platform::HeadlessTextSystem text(kFace);
    Vesk::SysFont font(&text, "Tahoma", 12);
    RunParagraph(state, font);
}
BENCHMARK(BM_SystemFontParagraph)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
