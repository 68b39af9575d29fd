// Font descriptors over arbitrary bytes: every layer image is a 64 x 32 image in memory, and a
// font that loads is measured, rescaled and drawn, so bad rectangles and orders are exercised.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "graphics/Graphics.h"
#include "graphics/MemoryImage.h"
#include "resources/FontData.h"
#include "resources/FontHost.h"
#include "resources/ImageFont.h"

namespace {

class FuzzHost : public Vesk::FontHost {
public:
    FuzzHost() {
        std::vector<uint32_t> bits(64 * 32, 0xFFFFFFFF);
        mImage.SetBits(bits.data(), 64, 32, false);
    }
    void Popup(const std::string& text) override { (void)text; }
    Vesk::SharedImageRef GetSharedImage(const std::string& fileName, const std::string& variant,
                                        bool* isNew) override {
        (void)variant;
        Vesk::SharedImageRef ref;
        if (fileName.find("missing") == std::string::npos) {
            ref.AssignUnshared(&mImage);
        }
        if (isNew != nullptr) {
            *isNew = false;
        }
        return ref;
    }
    Vesk::MemoryImage mImage{nullptr};
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static FuzzHost host;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    auto* fontData = new Vesk::FontData();
    fontData->LoadText(&host, "fuzz/font.txt", text);
    Vesk::ImageFont font(fontData);
    static Vesk::MemoryImage* dest = [] {
        auto* image = new Vesk::MemoryImage(nullptr);
        image->Create(128, 64);
        return image;
    }();
    Vesk::Graphics g(dest);
    const std::string sample = "Az\xE9\xFF 09";
    font.StringWidth(sample);
    font.DrawString(g, 4, 40, sample, Vesk::Color::White, Vesk::Rect());
    font.SetPointSize(size % 40);
    font.AddTag("BOLD");
    font.DrawString(g, 4, 40, sample, Vesk::Color::White, Vesk::Rect());

    auto* legacy = new Vesk::FontData();
    legacy->LoadLegacyText(&host, &host.mImage, "fuzz/widths.txt", text);
    Vesk::ImageFont legacyFont(legacy);
    legacyFont.DrawString(g, 0, 20, sample, Vesk::Color::White, Vesk::Rect());
    return 0;
}
