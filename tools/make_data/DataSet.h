#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The parts of the data tool. Each part is deterministic (fixed seeds, no time stamps) and
// independent of the others, so the tool may run them on separate threads.
namespace make_data {

// One file of the data set. The path is its name inside "vorns.pak" with '/' separators (the
// pak writer turns them into '\'), extension included.
struct DataFile {
    std::string path;
    std::vector<uint8_t> bytes;
};

// One element of "properties\resources.xml", written whole and closed (for example
// `<Image id="IMAGE_CELL" path="images/game/cell"/>`, or an `ImageEx` with its `Seq`
// children), and the group that holds it.
struct ManifestEntry {
    std::string group;
    std::string element;
};

// What one part makes.
struct DataPart {
    std::vector<DataFile> files;
    std::vector<ManifestEntry> entries;
};

// Every image and animated image of the id list, the cursors and the comic pages
// (images/ and Images.cpp).
DataPart MakeImages();
// A contact sheet of every image the part made, one PNG for review.
std::vector<uint8_t> MakeContactSheet(const DataPart& images);
// The desktop icon, a kAppIconSize-pixel square PNG (images/AppIcon.cpp).
inline constexpr int kAppIconSize = 64;
std::vector<uint8_t> MakeAppIcon();

// The sounds of the id list (audio/Sounds.cpp) and the seven music tracks (audio/Music.cpp).
DataPart MakeSounds();
DataPart MakeMusic();

// The image fonts, "properties\default.xml", "properties\levels.xml" (its own manifest: no
// entries) and the particle definitions.
DataPart MakeFonts();
DataPart MakeTexts();
DataPart MakeLevels();
DataPart MakeParticles();

}  // namespace make_data
