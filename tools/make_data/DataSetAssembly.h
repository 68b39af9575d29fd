#pragma once

#include <string>
#include <vector>

#include "make_data/DataSet.h"
#include "pak/PakWriter.h"

// Joins what the parts made into the archive's entries.
namespace make_data {

// The groups of "properties/resources.xml" in the order the game loads them.
inline constexpr const char* kManifestGroups[] = {"TitleScreen", "Game", "Interface", "Particles",
                                                  "Credits"};

// "properties/resources.xml": one `Resources` section per group in the order above, each with
// its entries in the order of the parts and of each part. Throws std::runtime_error for an
// entry of any other group, which the game would never load.
std::string BuildManifest(const std::vector<const DataPart*>& parts);

// Every file of the parts and the manifest, sorted by name, with no time stamps. Throws
// std::runtime_error when two files share a name.
std::vector<vesk_tools::PakEntry> CollectPakEntries(const std::vector<const DataPart*>& parts,
                                                    const std::string& manifest);

}  // namespace make_data
