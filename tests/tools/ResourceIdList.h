#pragma once

// The game's id list as the data tool's tests read it: the tool must make what it names.
#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

struct ListedId {
    std::string kind;
    std::string group;
    std::string name;
};

// The ids of the list, in its order, of the kinds given (all when none are).
inline std::vector<ListedId> ReadResourceIdList(const std::string& path,
                                                const std::vector<std::string>& kinds = {}) {
    std::ifstream list(path);
    std::vector<ListedId> ids;
    std::string line;
    while (std::getline(list, line)) {
        std::istringstream fields(line);
        ListedId id;
        if (line.starts_with('#') || !(fields >> id.kind >> id.group >> id.name)) {
            continue;
        }
        if (kinds.empty() || std::find(kinds.begin(), kinds.end(), id.kind) != kinds.end()) {
            ids.push_back(id);
        }
    }
    return ids;
}
