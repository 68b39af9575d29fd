#include "platform/RuntimeFiles.h"

#include <unistd.h>

#include "platform/Process.h"

namespace platform {

namespace {

// Keeps socket paths well inside the 108 bytes an AF_UNIX address holds.
constexpr size_t kMaxNameLength = 48;

bool SafeChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '_' || c == '-';
}

}  // namespace

std::string RuntimeFilePath(std::string_view name, std::string_view suffix) {
    std::string safe;
    for (const char c : name.substr(0, kMaxNameLength)) {
        safe.push_back(SafeChar(c) ? c : '_');
    }
    return RuntimeFolder() + "vesk-" + std::to_string(getuid()) + "-" + safe + std::string(suffix);
}

}  // namespace platform
