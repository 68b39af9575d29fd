// "properties/levels.xml": the hundred levels, twenty stages of five over four worlds.
#include <string>
#include <vector>

#include "levels/LevelWriter.h"
#include "make_data/DataSet.h"
#include "make_data/LevelTable.h"

namespace make_data {

DataPart MakeLevels() {
    std::vector<vesk_tools::LevelEntry> levels;
    for (int level = 1; level <= kLevelCount; ++level) {
        const Vesk::LevelDesc desc = DescribeLevel(level);
        vesk_tools::LevelEntry entry;
        entry.id = LevelId(level);
        entry.background = desc.background;
        entry.capacity = desc.capacity;
        entry.start = desc.start;
        entry.speed = desc.speed;
        entry.effectcapacity = desc.effectcapacity;
        entry.width = desc.width;
        entry.height = desc.height;
        for (const std::vector<uint8_t>& column : desc.cells) {
            entry.table.insert(entry.table.end(), column.begin(), column.end());
        }
        entry.blocks = desc.blockNames;
        levels.push_back(std::move(entry));
    }
    const std::string xml = vesk_tools::WriteLevelManifest(levels);
    DataPart part;
    part.files.push_back({"properties/levels.xml", std::vector<uint8_t>(xml.begin(), xml.end())});
    return part;
}

}  // namespace make_data
