// The file layer and the XML reader against their peers on the same bytes: reading every
// entry of a 2,000-entry archive through the wrappers against memcpy from the mapping, and
// a 1 MB manifest through Vesk::XMLParser against expat.
#include <benchmark/benchmark.h>
#include <expat.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "pak/PakWriter.h"
#include "platform/MappedFile.h"
#include "platform/Process.h"
#include "resources/PakInterface.h"
#include "resources/XMLParser.h"

namespace {

constexpr int kEntries = 2000;
const char* const kManifestName = "properties\\manifest.xml";

std::string MakeManifest(size_t bytes) {
    std::string text = "<?xml version=\"1.0\"?>\n<ResourceManifest>\n";
    for (int group = 0; text.size() < bytes; ++group) {
        text += "  <Resources id=\"Group" + std::to_string(group) + "\">\n";
        text += "    <SetDefaults path=\"images\\\" idprefix=\"IMAGE_\"/>\n";
        text += "    <!-- images of group " + std::to_string(group) + " -->\n";
        for (int i = 0; i < 40; ++i) {
            const std::string n = std::to_string(group * 40 + i);
            text += "    <Image id=\"BLOCK" + n + "\" path=\"blocks/block" + n +
                    ".png\" rows=\"2\" cols=\"4\" anim=\"loop\" framedelay=\"10\"/>\n";
        }
        text += "    <Text>Loading &amp; drawing group " + std::to_string(group) + "</Text>\n";
        text += "  </Resources>\n";
    }
    return text + "</ResourceManifest>\n";
}

struct Fixture {
    std::vector<vesk_tools::PakEntry> entries;
    std::unique_ptr<platform::fs::MappedFile> mapping;
    // Where each entry's bytes start in the mapping.
    std::vector<size_t> starts;
    std::string manifest;
    size_t totalBytes = 0;

    Fixture() {
        uint32_t seed = 12345;
        size_t directory = 8 + 1;
        for (int i = 0; i < kEntries; ++i) {
            seed = seed * 214013 + 2531011;
            vesk_tools::PakEntry entry;
            entry.name = "data/images/entry" + std::to_string(i) + ".png";
            entry.data.assign(512 + (seed >> 16) % 32768, static_cast<uint8_t>(i));
            directory += 2 + entry.name.size() + 12;
            totalBytes += entry.data.size();
            entries.push_back(std::move(entry));
        }
        manifest = MakeManifest(1 << 20);
        vesk_tools::PakEntry xml{kManifestName, {manifest.begin(), manifest.end()}, 0};
        directory += 2 + xml.name.size() + 12;
        entries.push_back(std::move(xml));

        const std::string path =
            "/tmp/vesk_bench_" + std::to_string(platform::ProcessId()) + ".pak";
        std::string error;
        if (!vesk_tools::WritePak(path, entries, error) || !Vesk::gPakInterface->AddPakFile(path)) {
            std::fprintf(stderr, "bench archive: %s\n", error.c_str());
            std::abort();
        }
        mapping = platform::fs::MappedFile::Open(path);
        std::remove(path.c_str());
        size_t at = directory;
        for (const auto& entry : entries) {
            starts.push_back(at);
            at += entry.data.size();
        }
        entries.pop_back();
    }
};

Fixture& Data() {
    static Fixture fixture;
    return fixture;
}

void ArchiveReadAll_Vesk(benchmark::State& state) {
    Fixture& f = Data();
    std::vector<uint8_t> buffer(1 << 16);
    for (auto _ : state) {
        for (const auto& entry : f.entries) {
            PakFileHandle* h = PakOpenFile(entry.name);
            PakSeekFile(h, 0, 2);
            const auto size = static_cast<size_t>(PakTellFile(h));
            PakSeekFile(h, 0, 0);
            PakReadFile(buffer.data(), 1, size, h);
            PakCloseFile(h);
        }
        benchmark::DoNotOptimize(buffer.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(f.totalBytes));
}
BENCHMARK(ArchiveReadAll_Vesk)->Name("ArchiveReadAll/Vesk")->Unit(benchmark::kMillisecond);

void ArchiveReadAll_memcpy(benchmark::State& state) {
    Fixture& f = Data();
    std::vector<uint8_t> buffer(1 << 16);
    for (auto _ : state) {
        for (size_t i = 0; i < f.entries.size(); ++i) {
            std::memcpy(buffer.data(), f.mapping->Data() + f.starts[i], f.entries[i].data.size());
        }
        benchmark::DoNotOptimize(buffer.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(f.totalBytes));
}
BENCHMARK(ArchiveReadAll_memcpy)->Name("ArchiveReadAll/memcpy")->Unit(benchmark::kMillisecond);

int64_t DrainVesk(Vesk::XMLParser& parser) {
    Vesk::XMLElement element;
    int64_t count = 0;
    while (parser.NextElement(&element)) {
        count += element.mType == Vesk::XMLElement::TYPE_START ? 1 : 0;
    }
    if (parser.HasFailed()) {
        std::abort();
    }
    return count;
}

void Manifest_VeskFile(benchmark::State& state) {
    Fixture& f = Data();
    for (auto _ : state) {
        Vesk::XMLParser parser;
        parser.OpenFile(kManifestName);
        benchmark::DoNotOptimize(DrainVesk(parser));
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(f.manifest.size()));
}
BENCHMARK(Manifest_VeskFile)->Name("XmlManifest1MB/Vesk")->Unit(benchmark::kMillisecond);

void Manifest_VeskString(benchmark::State& state) {
    Fixture& f = Data();
    for (auto _ : state) {
        Vesk::XMLParser parser;
        parser.SetString(f.manifest);
        benchmark::DoNotOptimize(DrainVesk(parser));
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(f.manifest.size()));
}
BENCHMARK(Manifest_VeskString)->Name("XmlManifest1MB/VeskString")->Unit(benchmark::kMillisecond);

// expat gets the same bytes from memory and counts the start tags, as DrainVesk does.
void Manifest_expat(benchmark::State& state) {
    Fixture& f = Data();
    for (auto _ : state) {
        XML_Parser parser = XML_ParserCreate(nullptr);
        int64_t count = 0;
        XML_SetUserData(parser, &count);
        XML_SetElementHandler(
            parser,
            [](void* data, const XML_Char*, const XML_Char**) { ++*static_cast<int64_t*>(data); },
            [](void*, const XML_Char*) {});
        XML_SetCharacterDataHandler(parser, [](void*, const XML_Char*, int) {});
        if (XML_Parse(parser, f.manifest.data(), int(f.manifest.size()), 1) != XML_STATUS_OK) {
            std::abort();
        }
        XML_ParserFree(parser);
        benchmark::DoNotOptimize(count);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(f.manifest.size()));
}
BENCHMARK(Manifest_expat)->Name("XmlManifest1MB/expat")->Unit(benchmark::kMillisecond);

}  // namespace
