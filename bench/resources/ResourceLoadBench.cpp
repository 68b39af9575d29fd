// Loading a generated manifest from one archive: 300 PNG images from 64x64 to 800x600, 40
// sounds and 5 image fonts, as one LoadGroup and one resource at a time as the loading thread
// does it.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "graphics/MemoryImage.h"
#include "pak/PakWriter.h"
#include "resources/FontHost.h"
#include "resources/ImageLib.h"
#include "resources/PakInterface.h"
#include "resources/ResourceHost.h"
#include "resources/ResourceManager.h"

namespace {

namespace fs = std::filesystem;

constexpr int kImages = 300;
constexpr int kSounds = 40;
constexpr int kFonts = 5;

// Shared images decoded by the image readers; sounds read whole, as a loader would. Image fonts
// take their layers' images through the same shared images.
class BenchHost : public Vesk::ResourceHost, public Vesk::FontHost {
public:
    std::map<std::string, std::unique_ptr<Vesk::SharedImage>> mShared;
    int mNextSound = 0;

    ~BenchHost() override {
        for (auto& [key, slot] : mShared) {
            delete slot->mImage;
        }
    }
    Vesk::SharedImageRef GetSharedImage(const std::string& path, const std::string& variant,
                                        bool* isNew) override {
        std::unique_ptr<Vesk::SharedImage>& slot = mShared[path + "|" + variant];
        *isNew = slot == nullptr;
        if (slot == nullptr) {
            slot = std::make_unique<Vesk::SharedImage>();
            slot->mImage = GetImage(path);
        }
        Vesk::SharedImageRef ref;
        if (slot->mImage != nullptr) {
            ref.AssignShared(slot.get());
        }
        return ref;
    }
    Vesk::Image* GetImage(const std::string& path) override {
        std::unique_ptr<ImageLib::Image> loaded = ImageLib::GetImage(path, false);
        if (loaded == nullptr) {
            return nullptr;
        }
        auto* image = new Vesk::MemoryImage(nullptr);
        image->SetBits(loaded->GetBits(), loaded->mWidth, loaded->mHeight, true);
        return image;
    }
    Vesk::FontHost* GetFontHost() override { return this; }
    void Popup(const std::string& text) override { (void)text; }
    int GetFreeSoundId() override { return mNextSound; }
    bool LoadSound(int id, const std::string& path) override {
        (void)id;
        PakFileHandle* file = PakOpenFile(path + ".wav");
        if (file == nullptr) {
            return false;
        }
        std::vector<char> bytes(1 << 16);
        while (PakReadFile(bytes.data(), 1, bytes.size(), file) == bytes.size()) {
        }
        PakCloseFile(file);
        ++mNextSound;
        return true;
    }
};

// The files are made in a folder, packed into one archive and removed, so every read below
// comes from the archive. Answers the manifest's name, or "" when the archive failed.
const std::string& ManifestPath() {
    static const std::string manifest = [] {
        const fs::path root = fs::temp_directory_path() / "vesk_bench_manifest";
        const std::string pakPath =
            (fs::temp_directory_path() / "vesk_bench_manifest.pak").string();
        fs::remove_all(root);
        fs::create_directories(root / "data");
        const fs::path dataDir = root / "data";
        // Requests name the files relative to the current folder, where only the archive has them.
        std::string text =
            "<ResourceManifest>\n<Resources id=\"Game\">\n<SetDefaults "
            "path=\"vesk_bench/data\"/>\n";
        for (int i = 0; i < kImages; ++i) {
            const int w = 64 + (i * 37) % 737;
            const int h = 64 + (i * 53) % 537;
            const std::string name = "img" + std::to_string(i) + ".png";
            {
                ImageLib::Image image(w, h);
                for (int y = 0; y < h; ++y) {
                    for (int x = 0; x < w; ++x) {
                        image.mBits[static_cast<size_t>(y) * w + x] =
                            0xFF000000u | static_cast<uint32_t>((x * 255 / w) << 16) |
                            static_cast<uint32_t>((y * 255 / h) << 8) |
                            static_cast<uint32_t>((x ^ y) & 0xFF);
                    }
                }
                ImageLib::WritePNGImage((dataDir / name).string(), image);
            }
            text += "<Image id=\"I" + std::to_string(i) + "\" path=\"" + name + "\"" +
                    (i % 3 == 0 ? " rows=\"2\" cols=\"2\"" : "") + "/>\n";
        }
        for (int i = 0; i < kSounds; ++i) {
            const std::string name = "snd" + std::to_string(i);
            // Half a second of 22 kHz mono: the size of a game's short effect.
            std::ofstream((dataDir / (name + ".wav")).string(), std::ios::binary)
                << std::string(44 + 22050, '\x40');
            text += "<Sound id=\"S" + std::to_string(i) + "\" path=\"" + name + "\"/>\n";
        }
        // Each font: 26 glyphs of 20x24 on a 520x24 strip.
        for (int i = 0; i < kFonts; ++i) {
            const std::string name = "font" + std::to_string(i);
            ImageLib::Image strip(520, 24);
            for (size_t p = 0; p < strip.mBits.size(); ++p) {
                strip.mBits[p] = ((p * 7) % 5 == 0) ? 0xFFFFFFFFu : 0x00FFFFFFu;
            }
            ImageLib::WritePNGImage((dataDir / (name + ".png")).string(), strip);
            std::string chars;
            std::string rects;
            std::string widths;
            for (int c = 0; c < 26; ++c) {
                chars += " \"" + std::string(1, static_cast<char>('A' + c)) + "\"";
                rects += " (" + std::to_string(c * 20) + " 0 20 24)";
                widths += " " + std::to_string(18 + c % 3);
            }
            std::ofstream((dataDir / (name + ".txt")).string(), std::ios::binary)
                << "SetDefaultPointSize 12; CreateLayer Main; LayerSetImage Main \"" << name
                << ".png\"; LayerSetAscent Main 20; LayerSetImageMap Main (" << chars << ") ("
                << rects << "); LayerSetCharWidths Main (" << chars << ") (" << widths << ");";
            text += "<Font id=\"F" + std::to_string(i) + "\" path=\"" + name + ".txt\"/>\n";
        }
        text += "</Resources>\n</ResourceManifest>\n";
        std::ofstream((dataDir / "resources.xml").string(), std::ios::binary) << text;

        std::vector<vesk_tools::PakEntry> entries;
        std::string error;
        if (!vesk_tools::CollectFolder(root.string(), entries, error)) {
            return std::string();
        }
        for (vesk_tools::PakEntry& entry : entries) {
            entry.name = "vesk_bench/" + entry.name;
        }
        if (!vesk_tools::WritePak(pakPath, entries, error) ||
            !Vesk::gPakInterface->AddPakFile(pakPath)) {
            return std::string();
        }
        fs::remove_all(root);
        return std::string("vesk_bench/data/resources.xml");
    }();
    return manifest;
}

void BM_LoadGroupWhole(benchmark::State& state) {
    const std::string& manifest = ManifestPath();
    for (auto _ : state) {
        BenchHost host;
        Vesk::ResourceManager manager(&host);
        if (!manager.ReadManifestFile(manifest) || !manager.LoadGroup("Game")) {
            state.SkipWithError(manager.GetErrorText().c_str());
            break;
        }
    }
}
BENCHMARK(BM_LoadGroupWhole)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_LoadOneAtATime(benchmark::State& state) {
    const std::string& manifest = ManifestPath();
    for (auto _ : state) {
        BenchHost host;
        Vesk::ResourceManager manager(&host);
        if (!manager.ReadManifestFile(manifest)) {
            state.SkipWithError(manager.GetErrorText().c_str());
            break;
        }
        manager.BeginGroupLoad("Game");
        int count = 0;
        while (manager.LoadNextResource()) {
            ++count;
        }
        if (count != kImages + kSounds + kFonts) {
            state.SkipWithError(manager.GetErrorText().c_str());
            break;
        }
    }
}
BENCHMARK(BM_LoadOneAtATime)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
