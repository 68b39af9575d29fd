#include "make_data/DataSetAssembly.h"

#include <algorithm>
#include <iterator>
#include <stdexcept>

namespace make_data {

std::string BuildManifest(const std::vector<const DataPart*>& parts) {
    for (const DataPart* part : parts) {
        for (const ManifestEntry& entry : part->entries) {
            if (std::find(std::begin(kManifestGroups), std::end(kManifestGroups), entry.group) ==
                std::end(kManifestGroups)) {
                throw std::runtime_error("the group '" + entry.group + "' of " + entry.element +
                                         " is never loaded");
            }
        }
    }
    std::string xml = "<?xml version=\"1.0\"?>\n<ResourceManifest>\n";
    for (const char* group : kManifestGroups) {
        xml += std::string("  <Resources id=\"") + group + "\">\n";
        for (const DataPart* part : parts) {
            for (const ManifestEntry& entry : part->entries) {
                if (entry.group == group) {
                    xml += "    " + entry.element + "\n";
                }
            }
        }
        xml += "  </Resources>\n";
    }
    xml += "</ResourceManifest>\n";
    return xml;
}

std::vector<vesk_tools::PakEntry> CollectPakEntries(const std::vector<const DataPart*>& parts,
                                                    const std::string& manifest) {
    std::vector<vesk_tools::PakEntry> entries;
    entries.push_back(
        {"properties/resources.xml", std::vector<uint8_t>(manifest.begin(), manifest.end()), 0});
    for (const DataPart* part : parts) {
        for (const DataFile& file : part->files) {
            entries.push_back({file.path, file.bytes, 0});
        }
    }
    std::sort(entries.begin(), entries.end(),
              [](const vesk_tools::PakEntry& a, const vesk_tools::PakEntry& b) {
                  return a.name < b.name;
              });
    const auto same =
        std::adjacent_find(entries.begin(), entries.end(),
                           [](const vesk_tools::PakEntry& a, const vesk_tools::PakEntry& b) {
                               return a.name == b.name;
                           });
    if (same != entries.end()) {
        throw std::runtime_error("two parts made " + same->name);
    }
    return entries;
}

}  // namespace make_data
