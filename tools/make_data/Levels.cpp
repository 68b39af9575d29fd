// "properties/levels.xml": the hundred levels, twenty stages of five over four worlds.
#include <string>
#include <vector>

#include "levels/LevelWriter.h"
#include "make_data/DataSet.h"
#include "make_data/LevelTable.h"

namespace make_data {

DataPart MakeLevels() {
    std::vector<vesk_tools::LevelSpec> levels;
    for (int level = 1; level <= kLevelCount; ++level) {
        const Vesk::LevelDesc desc = DescribeLevel(level);
        vesk_tools::LevelSpec spec;
        spec.id = LevelId(level);
        spec.background = desc.background;
        spec.capacity = desc.capacity;
        spec.start = desc.start;
        spec.speed = desc.speed;
        spec.effectcapacity = desc.effectcapacity;
        spec.width = desc.width;
        spec.height = desc.height;
        for (const std::vector<uint8_t>& column : desc.cells) {
            spec.table.insert(spec.table.end(), column.begin(), column.end());
        }
        spec.blocks = desc.blockNames;
        levels.push_back(std::move(spec));
    }
    const std::string xml = vesk_tools::WriteLevelManifest(levels);
    DataPart part;
    part.files.push_back({"properties/levels.xml", std::vector<uint8_t>(xml.begin(), xml.end())});
    return part;
}

}  // namespace make_data
