// "properties/levels.xml": the hundred levels, twenty stages of five over four worlds.
#include <cstdio>
#include <string>
#include <vector>

#include "make_data/DataSet.h"
#include "make_data/LevelTable.h"

namespace make_data {

namespace {

std::string Number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", value);
    return text;
}

std::string LevelElement(const std::string& id, const Vesk::LevelDesc& level) {
    std::string table;
    for (size_t x = 0; x < level.cells.size(); ++x) {
        for (size_t y = 0; y < level.cells[x].size(); ++y) {
            table += (table.empty() ? "" : ",") + std::to_string(level.cells[x][y]);
        }
    }
    std::string blocks;
    for (const std::string& name : level.blockNames) {
        blocks += (blocks.empty() ? "" : ",") + name;
    }
    return "  <Level id=\"" + id + "\" background=\"" + level.background + "\" capacity=\"" +
           std::to_string(level.capacity) + "\" start=\"" + Number(level.start) + "\" speed=\"" +
           Number(level.speed) + "\" effectcapacity=\"" + std::to_string(level.effectcapacity) +
           "\" width=\"" + std::to_string(level.width) + "\" height=\"" +
           std::to_string(level.height) + "\" table=\"" + table + "\" block=\"" + blocks + "\"/>\n";
}

}  // namespace

DataPart MakeLevels() {
    std::string xml = "<?xml version=\"1.0\"?>\n<LevelManifest>\n";
    for (int level = 1; level <= kLevelCount; ++level) {
        xml += LevelElement(LevelId(level), DescribeLevel(level));
    }
    xml += "</LevelManifest>\n";
    DataPart part;
    part.files.push_back({"properties/levels.xml", std::vector<uint8_t>(xml.begin(), xml.end())});
    return part;
}

}  // namespace make_data
