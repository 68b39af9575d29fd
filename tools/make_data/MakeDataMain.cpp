// make_data OUT.pak | FOLDER | --help
// Makes every file the game reads and packs them into OUT.pak (or FOLDER/vorns.pak), with the
// images' contact sheet ("contact-sheet.png") and the desktop icon ("vorns-icon.png") beside
// it. The parts run on threads; the output does not depend on which finishes first.
#include <chrono>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <functional>
#include <future>
#include <mutex>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "make_data/DataSet.h"
#include "make_data/DataSetAssembly.h"
#include "make_data/ToolArguments.h"
#include "pak/PakWriter.h"
#include "platform/FileSystem.h"

namespace {

using Clock = std::chrono::steady_clock;

struct PartJob {
    const char* name;
    std::function<make_data::DataPart()> make;
};

std::mutex gPrintLock;

long long MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

void Report(const char* name, const make_data::DataPart& part, Clock::time_point start) {
    const std::lock_guard lock(gPrintLock);
    size_t bytes = 0;
    for (const make_data::DataFile& file : part.files) {
        bytes += file.bytes.size();
    }
    std::printf("make_data: %-9s %4zu files %9zu bytes %6lld ms\n", name, part.files.size(), bytes,
                MillisecondsSince(start));
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    const make_data::ToolArguments arguments = make_data::ParseToolArguments(
        std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc));
    if (arguments.request == make_data::ToolRequest::Help) {
        std::fputs(make_data::kUsage, stdout);
        return 0;
    }
    if (arguments.request == make_data::ToolRequest::Wrong) {
        std::fputs(make_data::kUsage, stderr);
        return 2;
    }
    const std::string& pakPath = arguments.pakPath;
    const Clock::time_point start = Clock::now();

    // The slowest parts first, so they start at once.
    const std::vector<PartJob> jobs = {
        {"music", make_data::MakeMusic},         {"images", make_data::MakeImages},
        {"sounds", make_data::MakeSounds},       {"fonts", make_data::MakeFonts},
        {"texts", make_data::MakeTexts},         {"levels", make_data::MakeLevels},
        {"particles", make_data::MakeParticles},
    };
    std::vector<std::future<make_data::DataPart>> futures;
    for (const PartJob& job : jobs) {
        futures.push_back(std::async(std::launch::async, [&job, start] {
            make_data::DataPart part = job.make();
            Report(job.name, part, start);
            return part;
        }));
    }
    std::vector<make_data::DataPart> parts;
    bool failed = false;
    for (size_t i = 0; i < futures.size(); ++i) {
        try {
            parts.push_back(futures[i].get());
        } catch (const std::exception& e) {
            std::fprintf(stderr, "make_data: %s: %s\n", jobs[i].name, e.what());
            failed = true;
            parts.emplace_back();
        }
    }
    if (failed) {
        return 1;
    }

    // The manifest lists the parts in the game's order: fonts, images and sounds of a group.
    auto partNamed = [&](const char* name) -> const make_data::DataPart* {
        for (size_t i = 0; i < jobs.size(); ++i) {
            if (std::string(jobs[i].name) == name) {
                return &parts[i];
            }
        }
        return nullptr;
    };
    std::vector<const make_data::DataPart*> ordered;
    for (const char* name :
         {"fonts", "images", "sounds", "music", "particles", "texts", "levels"}) {
        ordered.push_back(partNamed(name));
    }

    std::vector<uint8_t> sheet;
    std::vector<uint8_t> icon;
    std::vector<vesk_tools::PakEntry> entries;
    try {
        entries = make_data::CollectPakEntries(ordered, make_data::BuildManifest(ordered));
        sheet = make_data::MakeContactSheet(*partNamed("images"));
        icon = make_data::MakeAppIcon();
        if (icon.empty()) {
            throw std::runtime_error("the desktop icon could not be made");
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_data: %s\n", e.what());
        return 1;
    }

    std::string error;
    std::error_code folderError;
    const std::filesystem::path folder = std::filesystem::path(pakPath).parent_path();
    if (!folder.empty()) {
        std::filesystem::create_directories(folder, folderError);
    }
    if (!vesk_tools::WritePak(pakPath, entries, error)) {
        std::fprintf(stderr, "make_data: %s\n", error.c_str());
        return 1;
    }
    // Written beside the pak; an empty contact sheet (libpng refused it) is left out.
    for (const auto& [name, bytes] :
         {std::pair{"contact-sheet.png", &sheet}, std::pair{"vorns-icon.png", &icon}}) {
        if (bytes->empty()) {
            continue;
        }
        const std::string path = (std::filesystem::path(pakPath).parent_path() / name).string();
        if (!platform::fs::WriteWholeFileAtomic(path, bytes->data(), bytes->size())) {
            std::fprintf(stderr, "make_data: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    std::printf("make_data: %zu files in %s, %lld ms\n", entries.size(), pakPath.c_str(),
                MillisecondsSince(start));
    return 0;
}
