#pragma once

#include <string>
#include <string_view>

namespace platform {

// A path in the runtime folder for a lock or socket named by free text. The
// name is reduced to letters, digits, '.', '_' and '-' (so it cannot leave the
// folder) and carries the user id, since /tmp is shared between users.
std::string RuntimeFilePath(std::string_view name, std::string_view suffix);

}  // namespace platform
